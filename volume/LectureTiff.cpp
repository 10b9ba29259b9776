// TIFF reader over libtiff: the pages of a file, or the single pages of a folder of slices.

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

#include "volume/LecteursVolume.h"

namespace Stravol {

namespace {

// Compression ratios beyond this are not believed before the data are read: a small file
// announcing a huge picture is refused rather than trusted with the allocation.
constexpr long long kRapportCompressionMax = 10000;
constexpr long long kOctetsToujoursPermis = 64LL << 20;
// Largest single allocation libtiff may make for a strip or tile.
constexpr tmsize_t kAllocationTiffMax = 256LL << 20;
constexpr double kMillimetresParPouce = 25.4;
constexpr double kMillimetresParCentimetre = 10.0;

// Last message libtiff gave for one open file.
int retenirMessage(TIFF*, void* donnee, const char* module, const char* format, va_list args) {
    char texte[512];
    std::vsnprintf(texte, sizeof texte, format, args);
    auto* message = static_cast<std::string*>(donnee);
    *message = (module != nullptr ? std::string(module) + ": " : std::string()) + texte;
    return 1;
}
int ignorerMessage(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct FermerTiff {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using FichierTiff = std::unique_ptr<TIFF, FermerTiff>;

FichierTiff ouvrir(const std::string& fichier, std::string& message) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, retenirMessage, &message);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignorerMessage, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kAllocationTiffMax);
    FichierTiff t(TIFFOpenExt(fichier.c_str(), "r", options));
    TIFFOpenOptionsFree(options);
    return t;
}

// What one page holds, as its tags describe it.
struct Page {
    uint32_t largeur = 0, hauteur = 0;
    uint16_t echantillons = 1, bits = 8, format = SAMPLEFORMAT_UINT, photometrie = 0;
    uint16_t planaire = PLANARCONFIG_CONTIG;
    TypeVoxel type = TypeVoxel::Octet;

    bool memeGrille(const Page& o) const {
        return largeur == o.largeur && hauteur == o.hauteur && type == o.type;
    }
};

bool typeTiff(uint16_t format, uint16_t bits, TypeVoxel& type) {
    if (format == SAMPLEFORMAT_IEEEFP) {
        if (bits == 32)
            type = TypeVoxel::Reel32;
        else if (bits == 64)
            type = TypeVoxel::Reel64;
        else
            return false;
        return true;
    }
    if (format != SAMPLEFORMAT_UINT && format != SAMPLEFORMAT_INT)
        return false;
    const bool signe = format == SAMPLEFORMAT_INT;
    switch (bits) {
    case 8:
        type = signe ? TypeVoxel::OctetSigne : TypeVoxel::Octet;
        return true;
    case 16:
        type = signe ? TypeVoxel::Entier16 : TypeVoxel::EntierNonSigne16;
        return true;
    case 32:
        type = signe ? TypeVoxel::Entier32 : TypeVoxel::EntierNonSigne32;
        return true;
    case 64:
        type = signe ? TypeVoxel::Entier64 : TypeVoxel::EntierNonSigne64;
        return true;
    default:
        return false;
    }
}

bool decrirePage(TIFF* t, Page& p, std::string& erreur) {
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &p.largeur);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &p.hauteur);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &p.echantillons);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &p.bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &p.format);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &p.planaire);
    if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &p.photometrie))
        p.photometrie = p.echantillons >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    if (p.largeur == 0 || p.hauteur == 0 || p.largeur > INT32_MAX || p.hauteur > INT32_MAX) {
        erreur = "taille de page invalide";
        return false;
    }
    if (!typeTiff(p.format, p.bits, p.type)) {
        erreur = "échantillons de " + std::to_string(p.bits) + " bits au format " +
                 std::to_string(p.format) + " non pris en charge";
        return false;
    }
    const bool gris = p.echantillons == 1 && (p.photometrie == PHOTOMETRIC_MINISBLACK ||
                                              p.photometrie == PHOTOMETRIC_MINISWHITE);
    const bool couleur = p.echantillons >= 3 && p.echantillons <= 4 &&
                         p.photometrie == PHOTOMETRIC_RGB && p.planaire == PLANARCONFIG_CONTIG;
    if (!gris && !couleur) {
        erreur = "pages en niveaux de gris ou RVB entrelacé attendues (" +
                 std::to_string(p.echantillons) + " échantillons, interprétation " +
                 std::to_string(p.photometrie) + ")";
        return false;
    }
    return true;
}

// Grey of one RGB sample triple, with the picture loader's weights; integers are truncated.
template <class T> T grisDe(const T* rvb) {
    return static_cast<T>(0.587 * static_cast<double>(rvb[1]) +
                          0.299 * static_cast<double>(rvb[0]) +
                          0.114 * static_cast<double>(rvb[2]));
}

// Turns packed pixels of n samples into one grey sample each, in place (front to back).
void versGris(unsigned char* donnees, std::size_t pixels, const Page& p) {
    const auto faire = [&](auto zero) {
        using T = decltype(zero);
        T* v = reinterpret_cast<T*>(donnees);
        for (std::size_t i = 0; i < pixels; ++i)
            v[i] = grisDe(v + i * p.echantillons);
    };
    switch (p.type) {
    case TypeVoxel::Octet:
        return faire(std::uint8_t{});
    case TypeVoxel::OctetSigne:
        return faire(std::int8_t{});
    case TypeVoxel::Entier16:
        return faire(std::int16_t{});
    case TypeVoxel::EntierNonSigne16:
        return faire(std::uint16_t{});
    case TypeVoxel::Entier32:
        return faire(std::int32_t{});
    case TypeVoxel::EntierNonSigne32:
        return faire(std::uint32_t{});
    case TypeVoxel::Entier64:
        return faire(std::int64_t{});
    case TypeVoxel::EntierNonSigne64:
        return faire(std::uint64_t{});
    case TypeVoxel::Reel32:
        return faire(float{});
    case TypeVoxel::Reel64:
        return faire(double{});
    }
}

// Decodes the current page into dest (largeur * hauteur voxels of one sample).
bool lirePage(TIFF* t, const Page& p, unsigned char* dest, std::string& erreur) {
    const std::size_t octetsEchantillon = tailleVoxel(p.type);
    const std::size_t octetsPixel = octetsEchantillon * p.echantillons;
    const std::size_t ligne = octetsPixel * p.largeur;
    std::vector<unsigned char> tampon;
    try {
        if (TIFFIsTiled(t)) {
            uint32_t tl = 0, th = 0;
            TIFFGetField(t, TIFFTAG_TILEWIDTH, &tl);
            TIFFGetField(t, TIFFTAG_TILELENGTH, &th);
            const tmsize_t taille = TIFFTileSize(t);
            if (tl == 0 || th == 0 || taille <= 0 ||
                static_cast<std::size_t>(taille) < std::size_t(tl) * th * octetsPixel) {
                erreur = "tuiles TIFF invalides";
                return false;
            }
            tampon.resize(static_cast<std::size_t>(taille));
            for (uint32_t y0 = 0; y0 < p.hauteur; y0 += th)
                for (uint32_t x0 = 0; x0 < p.largeur; x0 += tl) {
                    if (TIFFReadTile(t, tampon.data(), x0, y0, 0, 0) < 0)
                        return false;
                    const uint32_t l = std::min(tl, p.largeur - x0);
                    const uint32_t h = std::min(th, p.hauteur - y0);
                    for (uint32_t y = 0; y < h; ++y)
                        std::memcpy(dest + (std::size_t(y0) + y) * ligne + x0 * octetsPixel,
                                    tampon.data() + std::size_t(y) * tl * octetsPixel,
                                    l * octetsPixel);
                }
        } else {
            uint32_t lignesBande = p.hauteur;
            TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &lignesBande);
            lignesBande = std::clamp<uint32_t>(lignesBande, 1, p.hauteur);
            tampon.resize(ligne * lignesBande);
            const uint32_t nbBandes = (p.hauteur + lignesBande - 1) / lignesBande;
            for (uint32_t b = 0; b < nbBandes; ++b) {
                const uint32_t y0 = b * lignesBande;
                const std::size_t attendu = ligne * std::min(lignesBande, p.hauteur - y0);
                const tmsize_t lu =
                    TIFFReadEncodedStrip(t, b, tampon.data(), static_cast<tmsize_t>(attendu));
                if (lu < 0 || static_cast<std::size_t>(lu) < attendu) {
                    if (erreur.empty())
                        erreur = "bande " + std::to_string(b) + " tronquée";
                    return false;
                }
                std::memcpy(dest + std::size_t(y0) * ligne, tampon.data(), attendu);
            }
        }
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante";
        return false;
    }
    if (p.echantillons > 1)
        versGris(dest, std::size_t(p.largeur) * p.hauteur, p);
    return true;
}

// Millimetres a unit of an ImageJ description's "unit=" entry; 0 when it is none we know.
double uniteImageJ(const std::string& unite) {
    if (unite == "micron" || unite == "um" || unite == "\\u00B5m" || unite == "µm")
        return 0.001;
    if (unite == "nm")
        return 1e-6;
    if (unite == "mm")
        return 1.0;
    if (unite == "cm")
        return kMillimetresParCentimetre;
    return 0.0;
}

std::string entreeImageJ(const std::string& description, const std::string& cle) {
    const std::size_t i = description.find("\n" + cle + "=");
    if (i == std::string::npos)
        return {};
    const std::size_t debut = i + cle.size() + 2;
    return description.substr(debut, description.find('\n', debut) - debut);
}

// Spacing hinted by the resolution tags of the first page (and an ImageJ description);
// false when they give no physical unit.
bool espacementIndique(TIFF* t, std::array<double, 3>& e) {
    float rx = 0, ry = 0;
    uint16_t unite = RESUNIT_INCH;
    if (!TIFFGetField(t, TIFFTAG_XRESOLUTION, &rx) || !TIFFGetField(t, TIFFTAG_YRESOLUTION, &ry))
        return false;
    TIFFGetFieldDefaulted(t, TIFFTAG_RESOLUTIONUNIT, &unite);
    if (!(rx > 0.0f) || !(ry > 0.0f))
        return false;
    double mm = 0.0;
    char* texte = nullptr;
    std::string description;
    if (TIFFGetField(t, TIFFTAG_IMAGEDESCRIPTION, &texte) && texte != nullptr)
        description = "\n" + std::string(texte);
    if (unite == RESUNIT_INCH)
        mm = kMillimetresParPouce;
    else if (unite == RESUNIT_CENTIMETER)
        mm = kMillimetresParCentimetre;
    else
        mm = uniteImageJ(entreeImageJ(description, "unit"));
    if (mm <= 0.0)
        return false;
    e[0] = mm / rx;
    e[1] = mm / ry;
    e[2] = e[0];
    const std::string z = entreeImageJ(description, "spacing");
    if (!z.empty()) {
        char* fin = nullptr;
        const double dz = std::strtod(z.c_str(), &fin);
        if (fin != z.c_str() && dz > 0.0 && dz < 1e30)
            e[2] = dz * (unite == RESUNIT_NONE ? mm : 1.0);
    }
    return std::isfinite(e[0]) && std::isfinite(e[1]) && e[0] > 0.0 && e[1] > 0.0;
}

std::string texteEspacement(const std::array<double, 3>& e) {
    char texte[128];
    std::snprintf(texte, sizeof texte, "%g x %g x %g mm", e[0], e[1], e[2]);
    return texte;
}

// Sizes the volume for pages of p, refusing what the file cannot hold.
bool allouer(VolumeBrut& v, const Page& p, long long pages, long long tailleFichiers,
             std::string& erreur) {
    const long long voxels = static_cast<long long>(p.largeur) * p.hauteur;
    const long long octetsPage = voxels * static_cast<long long>(tailleVoxel(p.type));
    if (pages <= 0 || voxels > kVoxelsMax / pages || octetsPage > kOctetsMax / pages) {
        erreur = "volume trop grand (" + std::to_string(p.largeur) + " x " +
                 std::to_string(p.hauteur) + " x " + std::to_string(pages) + " voxels)";
        return false;
    }
    const long long octets = octetsPage * pages;
    if (octets > tailleFichiers * kRapportCompressionMax + kOctetsToujoursPermis) {
        erreur = "le fichier est trop court pour les " + std::to_string(octets) +
                 " octets qu'il annonce";
        return false;
    }
    v.largeur = static_cast<int>(p.largeur);
    v.hauteur = static_cast<int>(p.hauteur);
    v.profondeur = static_cast<int>(pages);
    v.type = p.type;
    try {
        v.donnees.resize(static_cast<std::size_t>(octets));
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante pour " + std::to_string(octets) + " octets";
        return false;
    }
    return true;
}

long long tailleDe(const std::string& fichier) {
    std::error_code ec;
    const auto t = std::filesystem::file_size(fichier, ec);
    return ec ? 0 : static_cast<long long>(t);
}

// Page z of the volume; RGB pages are decoded into a scratch buffer first.
bool lirePageDans(TIFF* t, const Page& p, VolumeBrut& v, int z, std::string& erreur) {
    const std::size_t octetsPage = std::size_t(p.largeur) * p.hauteur * tailleVoxel(p.type);
    unsigned char* dest = v.donnees.data() + octetsPage * static_cast<std::size_t>(z);
    if (p.echantillons == 1)
        return lirePage(t, p, dest, erreur);
    std::vector<unsigned char> pixels;
    try {
        pixels.resize(octetsPage * p.echantillons);
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante";
        return false;
    }
    if (!lirePage(t, p, pixels.data(), erreur))
        return false;
    std::memcpy(dest, pixels.data(), octetsPage);
    return true;
}

CompteRenduLecture echec(VolumeBrut& v, const std::string& texte) {
    v = VolumeBrut();
    CompteRenduLecture cr;
    cr.erreur = texte;
    return cr;
}

} // namespace

CompteRenduLecture lireTiff(const std::string& fichier, VolumeBrut& volume) {
    volume = VolumeBrut();
    std::string message;
    FichierTiff t = ouvrir(fichier, message);
    if (!t)
        return echec(volume,
                     "TIFF illisible : " + fichier + (message.empty() ? "" : " (" + message + ")"));
    const tdir_t pages = TIFFNumberOfDirectories(t.get());
    if (pages == 0 || !TIFFSetDirectory(t.get(), 0))
        return echec(volume, "TIFF sans page lisible : " + fichier);
    Page premiere;
    std::string erreur;
    if (!decrirePage(t.get(), premiere, erreur))
        return echec(volume, "TIFF " + fichier + " : " + erreur);
    if (!allouer(volume, premiere, pages, tailleDe(fichier), erreur))
        return echec(volume, "TIFF " + fichier + " : " + erreur);
    CompteRenduLecture cr;
    std::array<double, 3> e{};
    if (espacementIndique(t.get(), e)) {
        for (int j = 0; j < 3; ++j)
            volume.geometrie.affine[j][j] = e[j];
        volume.geometrie.espacement = e;
        volume.geometrie.origine = OrigineGeometrie::Espacement;
        std::string pourquoi;
        if (volume.geometrie.valide(pourquoi))
            cr.remarques.push_back("espacement tiré des balises de résolution du TIFF : " +
                                   texteEspacement(e) + " (--spacing pour le corriger)");
        else
            volume.geometrie = Geometrie();
    }
    for (tdir_t z = 0; z < pages; ++z) {
        if (z > 0 && !TIFFReadDirectory(t.get()))
            return echec(volume, "TIFF " + fichier + " : page " + std::to_string(z) + " illisible");
        Page p;
        if (!decrirePage(t.get(), p, erreur))
            return echec(volume,
                         "TIFF " + fichier + ", page " + std::to_string(z) + " : " + erreur);
        if (!p.memeGrille(premiere) || p.echantillons != premiere.echantillons)
            return echec(volume, "TIFF " + fichier + " : la page " + std::to_string(z) +
                                     " n'a pas la taille ou le type de la première");
        if (!lirePageDans(t.get(), p, volume, static_cast<int>(z), erreur))
            return echec(volume, "TIFF " + fichier + ", page " + std::to_string(z) +
                                     " tronquée ou corrompue" +
                                     (message.empty() ? erreur.empty() ? "" : " (" + erreur + ")"
                                                      : " (" + message + ")"));
    }
    // A next page announced but not found: the file lost its end.
    if (!TIFFLastDirectory(t.get()))
        return echec(volume, "TIFF " + fichier + " tronqué : la page " + std::to_string(pages) +
                                 " annoncée est illisible");
    if (const std::size_t n = nbValeursNonFinies(volume))
        return echec(volume,
                     std::to_string(n) + " valeurs non finies (NaN ou infinies) dans " + fichier);
    cr.reussi = true;
    return cr;
}

CompteRenduLecture lireCoupesTiff(const std::vector<std::string>& fichiers, VolumeBrut& volume) {
    volume = VolumeBrut();
    if (fichiers.empty())
        return echec(volume, "aucune coupe TIFF");
    Page premiere;
    long long tailleTotale = 0;
    for (const std::string& f : fichiers)
        tailleTotale += tailleDe(f);
    for (std::size_t z = 0; z < fichiers.size(); ++z) {
        const std::string& fichier = fichiers[z];
        std::string message, erreur;
        FichierTiff t = ouvrir(fichier, message);
        if (!t)
            return echec(volume, "TIFF illisible : " + fichier +
                                     (message.empty() ? "" : " (" + message + ")"));
        Page p;
        if (!decrirePage(t.get(), p, erreur))
            return echec(volume, "TIFF " + fichier + " : " + erreur);
        if (z == 0) {
            premiere = p;
            if (!allouer(volume, p, static_cast<long long>(fichiers.size()), tailleTotale, erreur))
                return echec(volume, "coupes TIFF : " + erreur);
        } else if (!p.memeGrille(premiere) || p.echantillons != premiere.echantillons) {
            return echec(volume, "la coupe " + fichier + " mesure " + std::to_string(p.largeur) +
                                     " x " + std::to_string(p.hauteur) + " (" + nomType(p.type) +
                                     ") au lieu de " + std::to_string(premiere.largeur) + " x " +
                                     std::to_string(premiere.hauteur) + " (" +
                                     nomType(premiere.type) + ")");
        }
        if (!lirePageDans(t.get(), p, volume, static_cast<int>(z), erreur))
            return echec(volume, "TIFF " + fichier + " tronqué ou corrompu" +
                                     (message.empty() ? "" : " (" + message + ")"));
    }
    if (const std::size_t n = nbValeursNonFinies(volume))
        return echec(volume, std::to_string(n) +
                                 " valeurs non finies (NaN ou infinies) dans les coupes TIFF");
    CompteRenduLecture cr;
    cr.reussi = true;
    return cr;
}

} // namespace Stravol
