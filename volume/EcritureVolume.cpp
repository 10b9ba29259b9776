#include "volume/EcritureVolume.h"

#include <nifti2_io.h>
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>

namespace Stravol {

namespace {

int codeNifti(TypeVoxel type) {
    switch (type) {
    case TypeVoxel::Octet:
        return DT_UINT8;
    case TypeVoxel::OctetSigne:
        return DT_INT8;
    case TypeVoxel::Entier16:
        return DT_INT16;
    case TypeVoxel::EntierNonSigne16:
        return DT_UINT16;
    case TypeVoxel::Entier32:
        return DT_INT32;
    case TypeVoxel::EntierNonSigne32:
        return DT_UINT32;
    case TypeVoxel::Entier64:
        return DT_INT64;
    case TypeVoxel::EntierNonSigne64:
        return DT_UINT64;
    case TypeVoxel::Reel32:
        return DT_FLOAT32;
    case TypeVoxel::Reel64:
        break;
    }
    return DT_FLOAT64;
}

const char* typeNrrd(TypeVoxel type) {
    switch (type) {
    case TypeVoxel::Octet:
        return "uint8";
    case TypeVoxel::OctetSigne:
        return "int8";
    case TypeVoxel::Entier16:
        return "int16";
    case TypeVoxel::EntierNonSigne16:
        return "uint16";
    case TypeVoxel::Entier32:
        return "int32";
    case TypeVoxel::EntierNonSigne32:
        return "uint32";
    case TypeVoxel::Entier64:
        return "int64";
    case TypeVoxel::EntierNonSigne64:
        return "uint64";
    case TypeVoxel::Reel32:
        return "float";
    case TypeVoxel::Reel64:
        break;
    }
    return "double";
}

// A gzip stream of the bytes.
bool gzip(const unsigned char* octets, std::size_t n, std::vector<unsigned char>& sortie) {
    z_stream z{};
    // 15 + 16: a gzip header and trailer around the deflate stream.
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    sortie.resize(deflateBound(&z, static_cast<uLong>(n)) + 32);
    z.next_in = const_cast<unsigned char*>(octets);
    z.avail_in = static_cast<uInt>(n);
    z.next_out = sortie.data();
    z.avail_out = static_cast<uInt>(sortie.size());
    const int etat = deflate(&z, Z_FINISH);
    sortie.resize(sortie.size() - z.avail_out);
    deflateEnd(&z);
    return etat == Z_STREAM_END;
}

bool ecrireFichier(const std::string& fichier, const std::vector<unsigned char>& octets,
                   std::string& erreur) {
    std::FILE* f = std::fopen(fichier.c_str(), "wb");
    bool ok = f != nullptr && std::fwrite(octets.data(), 1, octets.size(), f) == octets.size();
    if (f != nullptr)
        ok = std::fclose(f) == 0 && ok;
    if (!ok)
        erreur = "impossible d'écrire " + fichier;
    return ok;
}

// The voxels in the byte order asked for.
std::vector<unsigned char> voxelsOrdonnes(const VolumeBrut& v, bool grosBoutiste) {
    std::vector<unsigned char> o = v.donnees;
    const std::size_t t = tailleVoxel(v.type);
    if (t > 1 && grosBoutiste != (std::endian::native == std::endian::big))
        for (std::size_t i = 0; i + t <= o.size(); i += t)
            std::reverse(o.begin() + static_cast<std::ptrdiff_t>(i),
                         o.begin() + static_cast<std::ptrdiff_t>(i + t));
    return o;
}

// A key/value value with its line feeds and backslashes escaped.
std::string echapper(const std::string& texte) {
    std::string s;
    for (char c : texte) {
        if (c == '\\')
            s += "\\\\";
        else if (c == '\n')
            s += "\\n";
        else
            s += c;
    }
    return s;
}

struct LibererNifti {
    void operator()(nifti_image* n) const {
        n->data = nullptr; // borrowed from the volume
        nifti_image_free(n);
    }
};

} // namespace

bool ecrireNifti(const std::string& fichier, const VolumeBrut& volume, int version,
                 std::string& erreur, TransformsNifti transforms) {
    if (volume.vide()) {
        erreur = "volume vide";
        return false;
    }
    nifti_set_debug_level(0);
    const int64_t dims[8] = {3, volume.largeur, volume.hauteur, volume.profondeur, 1, 1, 1, 1};
    std::unique_ptr<nifti_image, LibererNifti> n(
        nifti_make_new_nim(dims, codeNifti(volume.type), 0));
    if (!n) {
        erreur = "en-tête NIfTI impossible à créer";
        return false;
    }
    n->nifti_type = version == 2 ? NIFTI_FTYPE_NIFTI2_1 : NIFTI_FTYPE_NIFTI1_1;
    const Geometrie& g = volume.geometrie;
    n->dx = n->pixdim[1] = g.espacement[0];
    n->dy = n->pixdim[2] = g.espacement[1];
    n->dz = n->pixdim[3] = g.espacement[2];
    n->xyz_units = NIFTI_UNITS_MM;
    nifti_dmat44 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            m.m[i][j] = g.affine[i][j];
    m.m[3][3] = 1.0;
    n->sform_code = transforms == TransformsNifti::SFormEtQForm ? NIFTI_XFORM_SCANNER_ANAT : 0;
    n->sto_xyz = m;
    n->qform_code = transforms == TransformsNifti::Aucune ? 0 : NIFTI_XFORM_SCANNER_ANAT;
    nifti_dmat44_to_quatern(m, &n->quatern_b, &n->quatern_c, &n->quatern_d, &n->qoffset_x,
                            &n->qoffset_y, &n->qoffset_z, nullptr, nullptr, nullptr, &n->qfac);
    if (nifti_set_filenames(n.get(), fichier.c_str(), 0, 1) != 0) {
        erreur = "nom de fichier NIfTI refusé : " + fichier;
        return false;
    }
    n->data = const_cast<unsigned char*>(volume.donnees.data());
    std::error_code ec;
    std::filesystem::remove(fichier, ec);
    nifti_image_write(n.get());
    if (!std::filesystem::exists(fichier, ec) || std::filesystem::file_size(fichier, ec) == 0) {
        erreur = "impossible d'écrire " + fichier;
        return false;
    }
    return true;
}

bool ecrireTiff(const std::string& fichier, const VolumeBrut& volume, bool compresse,
                std::string& erreur) {
    if (volume.vide()) {
        erreur = "volume vide";
        return false;
    }
    TIFF* t = TIFFOpen(fichier.c_str(), volume.donnees.size() > (1LL << 31) ? "w8" : "w");
    if (t == nullptr) {
        erreur = "impossible de créer " + fichier;
        return false;
    }
    const std::size_t octets = tailleVoxel(volume.type);
    const uint16_t format =
        !typeEntier(volume.type) ? SAMPLEFORMAT_IEEEFP
        : (volume.type == TypeVoxel::OctetSigne || volume.type == TypeVoxel::Entier16 ||
           volume.type == TypeVoxel::Entier32 || volume.type == TypeVoxel::Entier64)
            ? SAMPLEFORMAT_INT
            : SAMPLEFORMAT_UINT;
    const std::size_t ligne = octets * static_cast<std::size_t>(volume.largeur);
    bool ok = true;
    for (int z = 0; z < volume.profondeur && ok; ++z) {
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(volume.largeur));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(volume.hauteur));
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(1));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(8 * octets));
        TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, format);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION,
                     compresse ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(t, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(z),
                     static_cast<uint16_t>(volume.profondeur));
        const unsigned char* coupe =
            volume.donnees.data() + ligne * volume.hauteur * static_cast<std::size_t>(z);
        for (int y = 0; y < volume.hauteur && ok; ++y)
            ok = TIFFWriteScanline(t, const_cast<unsigned char*>(coupe + ligne * y),
                                   static_cast<uint32_t>(y), 0) == 1;
        ok = ok && TIFFWriteDirectory(t) == 1;
    }
    TIFFClose(t);
    if (!ok)
        erreur = "impossible d'écrire " + fichier;
    return ok;
}

bool ecrireNrrd(const std::string& fichier, const VolumeBrut& volume, const OptionsNrrd& options,
                std::string& erreur) {
    if (volume.vide()) {
        erreur = "volume vide";
        return false;
    }
    std::ostringstream h;
    h.precision(17);
    h << "NRRD0004\n"
      << "type: " << typeNrrd(volume.type) << "\n"
      << "dimension: 3\n"
      << "space: " << (options.lps ? "left-posterior-superior" : "right-anterior-superior") << "\n"
      << "sizes: " << volume.largeur << " " << volume.hauteur << " " << volume.profondeur << "\n";
    // RAS to LPS: x and y change sign.
    const double signes[3] = {options.lps ? -1.0 : 1.0, options.lps ? -1.0 : 1.0, 1.0};
    const auto& a = volume.geometrie.affine;
    h << "space directions:";
    for (int j = 0; j < 3; ++j)
        h << " (" << signes[0] * a[0][j] << "," << signes[1] * a[1][j] << "," << signes[2] * a[2][j]
          << ")";
    h << "\nkinds: domain domain domain\n"
      << "endian: " << (options.grosBoutiste ? "big" : "little") << "\n"
      << "encoding: " << (options.gzip ? "gzip" : "raw") << "\n"
      << "space origin: (" << signes[0] * a[0][3] << "," << signes[1] * a[1][3] << ","
      << signes[2] * a[2][3] << ")\n";
    int n = 0;
    for (const auto& [valeur, entree] : volume.tableEtiquettes.entrees) {
        const std::string s = "Segment" + std::to_string(n++) + "_";
        h << s << "ID:=Segment_" << valeur << "\n" << s << "Name:=" << echapper(entree.nom) << "\n";
        if (entree.couleur)
            h << s << "Color:=" << (*entree.couleur)[0] / 255.0 << " "
              << (*entree.couleur)[1] / 255.0 << " " << (*entree.couleur)[2] / 255.0 << "\n";
        h << s << "LabelValue:=" << valeur << "\n" << s << "Layer:=0\n";
    }
    const std::vector<unsigned char> voxels = voxelsOrdonnes(volume, options.grosBoutiste);
    std::vector<unsigned char> donnees;
    if (options.gzip) {
        if (!gzip(voxels.data(), voxels.size(), donnees)) {
            erreur = "compression impossible pour " + fichier;
            return false;
        }
    } else {
        donnees = voxels;
    }
    std::vector<unsigned char> sortie;
    if (options.detache) {
        std::filesystem::path p(fichier);
        const std::string nomDonnees = p.stem().string() + ".raw" + (options.gzip ? ".gz" : "");
        h << "data file: " << nomDonnees << "\n";
        if (!ecrireFichier((p.parent_path() / nomDonnees).string(), donnees, erreur))
            return false;
        const std::string texte = h.str();
        sortie.assign(texte.begin(), texte.end());
    } else {
        h << "\n";
        const std::string texte = h.str();
        sortie.assign(texte.begin(), texte.end());
        sortie.insert(sortie.end(), donnees.begin(), donnees.end());
    }
    return ecrireFichier(fichier, sortie, erreur);
}

bool ecrireMgh(const std::string& fichier, const VolumeBrut& volume, std::string& erreur) {
    if (volume.vide()) {
        erreur = "volume vide";
        return false;
    }
    int code;
    switch (volume.type) {
    case TypeVoxel::Octet:
        code = 0;
        break;
    case TypeVoxel::Entier32:
        code = 1;
        break;
    case TypeVoxel::Reel32:
        code = 3;
        break;
    case TypeVoxel::Entier16:
        code = 4;
        break;
    default:
        erreur = std::string("type ") + nomType(volume.type) + " impossible en MGH";
        return false;
    }
    std::vector<unsigned char> o(284, 0);
    std::size_t position = 0;
    const auto entier = [&](std::uint32_t v, int octets) {
        for (int k = octets - 1; k >= 0; --k)
            o[position++] = static_cast<unsigned char>(v >> (8 * k));
    };
    const auto reel = [&](double v) {
        entier(std::bit_cast<std::uint32_t>(static_cast<float>(v)), 4);
    };
    entier(1, 4);
    const int tailles[3] = {volume.largeur, volume.hauteur, volume.profondeur};
    for (int t : tailles)
        entier(static_cast<std::uint32_t>(t), 4);
    entier(1, 4); // frames
    entier(static_cast<std::uint32_t>(code), 4);
    entier(0, 4); // degrees of freedom
    entier(1, 2); // the RAS fields below are valid
    const auto& a = volume.geometrie.affine;
    double longueurs[3];
    for (int j = 0; j < 3; ++j) {
        longueurs[j] = std::hypot(a[0][j], a[1][j], a[2][j]);
        reel(longueurs[j]);
    }
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            reel(a[i][j] / longueurs[j]);
    for (int i = 0; i < 3; ++i) {
        double c = a[i][3];
        for (int j = 0; j < 3; ++j)
            c += a[i][j] * tailles[j] / 2.0;
        reel(c);
    }
    const std::vector<unsigned char> voxels = voxelsOrdonnes(volume, true);
    o.insert(o.end(), voxels.begin(), voxels.end());
    if (fichier.size() >= 4 && fichier.compare(fichier.size() - 4, 4, ".mgz") == 0) {
        std::vector<unsigned char> z;
        if (!gzip(o.data(), o.size(), z)) {
            erreur = "compression impossible pour " + fichier;
            return false;
        }
        o = std::move(z);
    }
    return ecrireFichier(fichier, o, erreur);
}

} // namespace Stravol
