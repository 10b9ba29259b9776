// Writes the seed corpora of the fuzzers: graines_fuzz_corpus OUT_DIR fills
// OUT_DIR/<target>/ with small valid inputs made by our own writers.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "volume/BTCImageObject.h"
#include "volume/CImage3D.h"
#include "volume/EcritureVolume.h"

namespace {

std::string racine;

void ecrire(const std::string& cible, const std::string& nom,
            const std::vector<unsigned char>& octets) {
    std::filesystem::create_directories(racine + "/" + cible);
    FILE* f = std::fopen((racine + "/" + cible + "/" + nom).c_str(), "wb");
    if (f == nullptr) {
        std::perror(nom.c_str());
        std::exit(1);
    }
    std::fwrite(octets.data(), 1, octets.size(), f);
    std::fclose(f);
}

void ecrire(const std::string& cible, const std::string& nom, const std::string& texte) {
    ecrire(cible, nom, std::vector<unsigned char>(texte.begin(), texte.end()));
}

std::vector<unsigned char> lire(const std::string& chemin) {
    std::vector<unsigned char> octets;
    if (FILE* f = std::fopen(chemin.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF)
            octets.push_back(static_cast<unsigned char>(c));
        std::fclose(f);
    }
    return octets;
}

// Pictures seed both the picture object's fuzzer and the volume loader's.
void ecrireImage(const std::string& nom, const std::vector<unsigned char>& octets) {
    ecrire("picture_fuzz", nom, octets);
    ecrire("loader_fuzz", nom, octets);
}

void configurations() {
    ecrire("config_fuzz", "exemple", "Parametres du volume\n#40# couleur\n=1= oui\n");
    std::string tous;
    for (int id : {1, 2, 3, 4, 5, 6, 8, 10, 11, 12, 13, 111, 1111})
        tous += "#" + std::to_string(id) + "# param\n= " + std::to_string(id * 3) + " =\n";
    tous += "#7#\n=0.25=\n#9#\n=haar=\n#40#\n=0=\n";
    ecrire("config_fuzz", "tous", tous);
    ecrire("config_fuzz", "pieges", "#-1#\n=1=\n#5#\n#6#\n=+7=\n#40#\n=2=\n#1#\n= -12 =\r\n#2#");
    ecrire("config_fuzz", "longue",
           std::string(300, 'x') + "#1#\n=4=\n" + std::string(254, '=') + "\n");
}

// Writes a picture with our picture object and returns its bytes.
std::vector<unsigned char> sauver(BTCImageData& image, long format) {
    const std::string chemin = racine + "/.tmp";
    BTCImageObject objet;
    if (!objet.Attach(image) || !objet.Save(chemin.c_str(), format)) {
        std::fprintf(stderr, "cannot write a seed picture\n");
        std::exit(1);
    }
    std::vector<unsigned char> octets = lire(chemin);
    std::filesystem::remove(chemin);
    return octets;
}

void images() {
    BTCImageData gris;
    gris.Create(5, 3, 8);
    for (long y = 0; y < 3; ++y)
        for (long x = 0; x < 5; ++x)
            *gris.GetBits(x, y) = static_cast<unsigned char>(50 * x + 9 * y);
    ecrireImage("gris8.bmp", sauver(gris, BTCImageObject::kFormatBMP));
    ecrireImage("gris.jpg", sauver(gris, BTCImageObject::kFormatJPEG));

    BTCImageData couleur;
    couleur.Create(7, 4, 24);
    for (long y = 0; y < 4; ++y)
        for (long x = 0; x < 7; ++x) {
            unsigned char* p = couleur.GetBits(x, y);
            p[0] = static_cast<unsigned char>(30 * x);
            p[1] = static_cast<unsigned char>(60 * y);
            p[2] = static_cast<unsigned char>(200 - 20 * x);
        }
    ecrireImage("couleur24.bmp", sauver(couleur, BTCImageObject::kFormatBMP));
    ecrireImage("couleur.jpg", sauver(couleur, BTCImageObject::kFormatJPEG));

    // PNG in grey, colour and colour with alpha, through the same encoder library.
    for (int composantes : {1, 3, 4}) {
        const int l = 6, h = 5;
        std::vector<unsigned char> pixels(static_cast<std::size_t>(l) * h * composantes);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<unsigned char>(i * 37);
        std::vector<unsigned char> png;
        stbi_write_png_to_func(
            [](void* contexte, void* octets, int taille) {
                auto* sortie = static_cast<std::vector<unsigned char>*>(contexte);
                sortie->insert(sortie->end(), static_cast<unsigned char*>(octets),
                               static_cast<unsigned char*>(octets) + taille);
            },
            &png, l, h, composantes, pixels.data(), l * composantes);
        ecrireImage("image" + std::to_string(composantes) + ".png", png);
    }
}

void volumesI3D() {
    CImage3D v;
    v.Create(3, 2, 2);
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                v.Pixel(x, y, z) = static_cast<unsigned char>(1 + x + 3 * y + 6 * z);
    const std::string chemin = racine + "/.tmp";
    v.SaveI3D(chemin.c_str());
    const std::vector<unsigned char> octets = lire(chemin);
    std::filesystem::remove(chemin);
    ecrire("i3d_fuzz", "octets.i3d", octets);
    // The same voxels stored as 16-bit values.
    std::vector<unsigned char> larges(octets.begin(), octets.begin() + 6);
    for (std::size_t i = 6; i < octets.size(); ++i) {
        larges.push_back(octets[i]);
        larges.push_back(static_cast<unsigned char>(i));
    }
    ecrire("i3d_fuzz", "mots.i3d", larges);
}

// Volume of the extraction input: sizes, seed, then 2 bits per voxel (3 = grey level 255).
template <typename Niveau>
std::vector<unsigned char> volumeExtraction(int W, int H, int D, int gx, int gy, int gz,
                                            Niveau niveau) {
    std::vector<unsigned char> o = {
        static_cast<unsigned char>(W - 1), static_cast<unsigned char>(H - 1),
        static_cast<unsigned char>(D - 1), static_cast<unsigned char>(gx),
        static_cast<unsigned char>(gy),    static_cast<unsigned char>(gz)};
    const std::size_t n = static_cast<std::size_t>(W) * H * D;
    o.resize(6 + (n + 3) / 4, 0);
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const std::size_t i = (static_cast<std::size_t>(z) * H + y) * W + x;
                o[6 + i / 4] |= static_cast<unsigned char>((niveau(x, y, z) & 3) << (2 * (i % 4)));
            }
    return o;
}

std::vector<unsigned char> boule() {
    return volumeExtraction(10, 10, 10, 5, 5, 5, [](int x, int y, int z) {
        return std::hypot(x - 4.5, y - 4.5, z - 4.5) < 3.6 ? 2 : 0;
    });
}

std::vector<unsigned char> tore() {
    return volumeExtraction(10, 10, 5, 1, 5, 2, [](int x, int y, int z) {
        const double r = std::hypot(x - 4.5, y - 4.5);
        return std::hypot(r - 3.0, z - 2.0) < 1.4 ? 2 : 0;
    });
}

std::vector<unsigned char> bruit() {
    return volumeExtraction(9, 7, 6, 4, 3, 3,
                            [](int x, int y, int z) { return (x * 7 + y * 13 + z * 5) % 5 % 4; });
}

void extractions() {
    ecrire("extraction_fuzz", "boule", boule());
    ecrire("extraction_fuzz", "arete", volumeExtraction(8, 8, 8, 2, 2, 2, [](int x, int y, int z) {
               const bool a = x >= 1 && x <= 3 && y >= 1 && y <= 3 && z >= 1 && z <= 5;
               const bool b = x >= 4 && x <= 6 && y >= 4 && y <= 6 && z >= 1 && z <= 5;
               return a || b ? 3 : 1;
           }));
    ecrire("extraction_fuzz", "coin", volumeExtraction(8, 8, 8, 2, 2, 2, [](int x, int y, int z) {
               const bool a = x >= 1 && x <= 3 && y >= 1 && y <= 3 && z >= 1 && z <= 3;
               const bool b = x >= 4 && x <= 6 && y >= 4 && y <= 6 && z >= 4 && z <= 6;
               return a || b ? 1 : 0;
           }));
    ecrire("extraction_fuzz", "tore", tore());
    ecrire("extraction_fuzz", "bruit", bruit());
}

// Label maps of the dual surface: sizes, the smoothing rounds' code, then a label code a voxel
// (0 1 2 7 255 256 4000 65535 for codes 0 to 7).
std::vector<unsigned char> carte(int l, int h, int p, int tours, int (*code)(int, int, int)) {
    std::vector<unsigned char> o = {
        static_cast<unsigned char>(l - 1), static_cast<unsigned char>(h - 1),
        static_cast<unsigned char>(p - 1), static_cast<unsigned char>(tours)};
    for (int z = 0; z < p; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < l; ++x)
                o.push_back(static_cast<unsigned char>(code(x, y, z)));
    return o;
}

void cartesDuales() {
    // Two voxels of one label touching along an edge, between two others.
    ecrire("carte_duale_fuzz", "arete", carte(4, 4, 3, 0, [](int x, int y, int z) {
               return z != 1 || x < 1 || x > 2 || y < 1 || y > 2 ? 0 : (x == y ? 5 : 1 + x);
           }));
    ecrire("carte_duale_fuzz", "damier",
           carte(6, 6, 6, 2, [](int x, int y, int z) { return (x + y + z) % 2 == 0 ? 1 : 7; }));
    ecrire("carte_duale_fuzz", "boules", carte(6, 6, 6, 3, [](int x, int y, int z) {
               const double a = std::hypot(x - 1.5, y - 2.5, z - 2.5);
               const double b = std::hypot(x - 4.0, y - 2.5, z - 2.5);
               return a < 2.1 ? (a < 1.0 ? 3 : 4) : (b < 1.8 ? 6 : 0);
           }));
    ecrire("carte_duale_fuzz", "bruit", carte(6, 5, 6, 1, [](int x, int y, int z) {
               return (x * 7 + y * 13 + z * 5) % 11 % 8;
           }));
}

// Evolution inputs: iterations, the nine float parameters as steps of 0.01 from -5 (two bytes
// each), the neighbourhood side code, two int parameters, the switches, the smoothing rounds,
// then an extraction volume.
void evolutions() {
    struct Reglage {
        int iterations;
        float flottants[9];
        int codeVoisinage, ordre, pixelsLigne, interrupteurs, lissages;
    };
    auto evolution = [](const std::string& nom, const Reglage& r,
                        const std::vector<unsigned char>& volume) {
        std::vector<unsigned char> o = {static_cast<unsigned char>(r.iterations - 1)};
        for (float f : r.flottants) {
            const int k = static_cast<int>(std::lround((f + 5.0f) * 100.0f));
            o.push_back(static_cast<unsigned char>(k & 0xff));
            o.push_back(static_cast<unsigned char>(k >> 8));
        }
        for (int b : {r.codeVoisinage, r.ordre, r.pixelsLigne, r.interrupteurs, r.lissages})
            o.push_back(static_cast<unsigned char>(b));
        o.insert(o.end(), volume.begin(), volume.end());
        ecrire("evolution_fuzz", nom, o);
    };
    // The start values, merging and splitting on.
    evolution("depart", {3, {0, 1, 0, 0, 0.15f, 0, 0, 0.5f, 0}, 1, 0, 10, 0b00110, 10}, boule());
    // Balloon outwards, intensity and gradient terms, weight adaptation and the skeleton.
    evolution("ballon", {3, {0.5f, 1, 1, 0.3f, 0.15f, 1, 0, 0.5f, 0}, 2, 0, 10, 0b10111, 10},
              tore());
    // Balloon inwards, negative step, one-point neighbourhood, no smoothing.
    evolution("retrait", {2, {1, 0.2f, 0, -1, 0, 0, 0, -0.5f, 0}, 0, 3, 0, 0b01110, 0}, bruit());
}

// Labelling inputs: sizes, the labelled value, then one bit per voxel (set: that value).
void composantes() {
    auto volume = [](const std::string& nom, int l, int h, int p, unsigned char valeur, auto pose) {
        std::vector<unsigned char> o = {static_cast<unsigned char>(l - 1),
                                        static_cast<unsigned char>(h - 1),
                                        static_cast<unsigned char>(p - 1), valeur};
        const std::size_t n = static_cast<std::size_t>(l) * h * p;
        o.resize(4 + (n + 7) / 8, 0);
        for (int z = 0; z < p; ++z)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < l; ++x)
                    if (pose(x, y, z)) {
                        const std::size_t i = (static_cast<std::size_t>(z) * h + y) * l + x;
                        o[4 + i / 8] |= static_cast<unsigned char>(1 << (i % 8));
                    }
        ecrire("composante_fuzz", nom, o);
    };
    volume("boites", 12, 10, 8, 0, [](int x, int y, int z) {
        return (x < 4 && y < 4 && z < 4) || (x >= 5 && x < 11 && y >= 5 && z >= 2 && z < 7);
    });
    volume("diagonale", 8, 8, 8, 255, [](int x, int y, int z) { return x == y && y == z; });
    volume("damier", 9, 7, 5, 0, [](int x, int y, int z) { return (x + y + z) % 2 == 0; });
    volume("plein", 6, 6, 6, 128, [](int, int, int) { return true; });
}

// A small volume of the type with bytes of a fixed pattern (finite floats only) and an oblique
// geometry.
Stravol::VolumeBrut volumeGraine(Stravol::TypeVoxel type, int l, int h, int p) {
    Stravol::VolumeBrut v;
    v.largeur = l;
    v.hauteur = h;
    v.profondeur = p;
    v.type = type;
    v.donnees.assign(v.nbVoxels() * Stravol::tailleVoxel(type), 0);
    for (std::size_t i = 0; i < v.donnees.size(); ++i)
        v.donnees[i] = static_cast<unsigned char>(i * 37 % 61);
    if (type == Stravol::TypeVoxel::Reel32) // bytes of finite floats only
        for (std::size_t i = 3; i < v.donnees.size(); i += 4)
            v.donnees[i] = 0x3f;
    v.geometrie.affine = {{{0, -0.5, 0, 10}, {0.7, 0, 0.1, -5}, {0, 0, 1.2, 3}}};
    v.geometrie.espacement = {0.7, 0.5, 1.2};
    return v;
}

// Small NIfTI and TIFF files of a few types, written with the libraries' own writers.
void volumesFichiers() {
    const std::string tmp = racine + "/.volumes";
    std::filesystem::create_directories(tmp);
    const Stravol::TypeVoxel types[] = {Stravol::TypeVoxel::Octet, Stravol::TypeVoxel::Entier16,
                                        Stravol::TypeVoxel::Reel32};
    for (Stravol::TypeVoxel type : types) {
        // The files' own geometry: a mirrored x axis rather than swapped axes.
        Stravol::VolumeBrut v = volumeGraine(type, 5, 4, 3);
        v.geometrie.affine = {{{-0.5, 0, 0, 10}, {0, 0.7, 0.1, -5}, {0, 0, 1.2, 3}}};
        v.geometrie.espacement = {0.5, 0.7, 1.2};
        const std::string nom = Stravol::nomType(type);
        std::string erreur;
        for (int version : {1, 2})
            for (const char* ext : {".nii", ".nii.gz"}) {
                const std::string f = tmp + "/v" + ext;
                Stravol::ecrireNifti(f, v, version, erreur);
                std::vector<unsigned char> octets = lire(f);
                // The fuzzer's first byte chooses the name: odd for ".nii.gz".
                octets.insert(octets.begin(), std::string(ext) == ".nii.gz" ? 1 : 0);
                ecrire("nifti_fuzz", nom + "-v" + std::to_string(version) + ext, octets);
            }
        for (bool compresse : {false, true}) {
            const std::string f = tmp + "/v.tif";
            Stravol::ecrireTiff(f, v, compresse, erreur);
            ecrire("tiff_fuzz", nom + (compresse ? "-deflate.tif" : ".tif"), lire(f));
        }
    }
    std::filesystem::remove_all(tmp);
}

// NRRD inputs, attached or detached, raw or compressed, then a segmentation with its segments:
// a first byte telling a detached header, the header, and after a zero byte the data file.
void grainesNrrd(const std::string& tmp) {
    std::string erreur;
    const Stravol::TypeVoxel types[] = {Stravol::TypeVoxel::Octet, Stravol::TypeVoxel::Entier16,
                                        Stravol::TypeVoxel::Reel32};
    for (Stravol::TypeVoxel type : types) {
        const Stravol::VolumeBrut v = volumeGraine(type, 4, 3, 2);
        const std::string nom = Stravol::nomType(type);
        for (int disposition = 0; disposition < 4; ++disposition) {
            Stravol::OptionsNrrd o;
            o.detache = disposition & 1;
            o.gzip = disposition & 2;
            o.lps = type == Stravol::TypeVoxel::Entier16;
            o.grosBoutiste = type == Stravol::TypeVoxel::Reel32;
            const std::string f = tmp + (o.detache ? "/donnees.nhdr" : "/v.nrrd");
            Stravol::ecrireNrrd(f, v, o, erreur);
            std::vector<unsigned char> octets = {static_cast<unsigned char>(o.detache)};
            std::vector<unsigned char> entete = lire(f);
            if (o.detache) {
                // The fuzzer names the data file "donnees.raw", compressed or not.
                std::string texte(entete.begin(), entete.end());
                const std::size_t gz = texte.find("donnees.raw.gz");
                if (gz != std::string::npos)
                    texte.erase(gz + 11, 3);
                octets.insert(octets.end(), texte.begin(), texte.end());
                octets.push_back(0);
                const std::vector<unsigned char> d =
                    lire(tmp + (o.gzip ? "/donnees.raw.gz" : "/donnees.raw"));
                octets.insert(octets.end(), d.begin(), d.end());
            } else {
                octets.insert(octets.end(), entete.begin(), entete.end());
            }
            ecrire("nrrd_fuzz", nom + (o.gzip ? "-gzip" : "-raw") + (o.detache ? ".nhdr" : ".nrrd"),
                   octets);
        }
    }
    // A segmentation of uint32 labels beyond 65535, with its segments' names and colours.
    Stravol::VolumeBrut seg = volumeGraine(Stravol::TypeVoxel::EntierNonSigne32, 4, 3, 2);
    auto* e = reinterpret_cast<std::uint32_t*>(seg.donnees.data());
    for (std::size_t i = 0; i < seg.nbVoxels(); ++i)
        e[i] = i % 3 == 0 ? 0 : i % 3 == 1 ? 5 : 4000000000u;
    seg.tableEtiquettes.entrees[5] = {"Foie", Stravol::CouleurRVB{200, 100, 50}};
    seg.tableEtiquettes.entrees[4000000000u] = {"Lointaine \\ nom", std::nullopt};
    Stravol::ecrireNrrd(tmp + "/s.seg.nrrd", seg, Stravol::OptionsNrrd(), erreur);
    std::vector<unsigned char> octets = {0};
    const std::vector<unsigned char> s = lire(tmp + "/s.seg.nrrd");
    octets.insert(octets.end(), s.begin(), s.end());
    ecrire("nrrd_fuzz", "segments.seg.nrrd", octets);
}

// MGH inputs, plain and compressed, after a first byte that chooses the name.
void grainesMgh(const std::string& tmp) {
    std::string erreur;
    for (Stravol::TypeVoxel type : {Stravol::TypeVoxel::Octet, Stravol::TypeVoxel::Entier16,
                                    Stravol::TypeVoxel::Entier32, Stravol::TypeVoxel::Reel32})
        for (const char* ext : {".mgh", ".mgz"}) {
            const std::string f = tmp + "/v" + ext;
            Stravol::ecrireMgh(f, volumeGraine(type, 4, 3, 2), erreur);
            std::vector<unsigned char> m = lire(f);
            // The fuzzer's first byte chooses the name: odd for ".mgz".
            m.insert(m.begin(), std::string(ext) == ".mgz" ? 1 : 0);
            ecrire("mgh_fuzz", std::string(Stravol::nomType(type)) + ext, m);
        }
}

// A DICOM series as the fuzzer reads it: the number of files, then each file but the last
// after its length.
void serieDicom(const std::string& tmp, const std::string& nom, const Stravol::VolumeBrut& v,
                const Stravol::OptionsDicom& o) {
    std::string erreur;
    const std::string dossier = tmp + "/" + nom;
    std::filesystem::create_directories(dossier);
    Stravol::ecrireSerieDicom(dossier, v, o, erreur);
    std::vector<unsigned char> entree = {static_cast<unsigned char>(v.profondeur - 1)};
    for (int k = 0; k < v.profondeur; ++k) {
        const std::vector<unsigned char> f = lire(dossier + "/coupe" + std::to_string(k) + ".dcm");
        if (k + 1 < v.profondeur) {
            entree.push_back(static_cast<unsigned char>(f.size() & 0xff));
            entree.push_back(static_cast<unsigned char>(f.size() >> 8));
        }
        entree.insert(entree.end(), f.begin(), f.end());
    }
    ecrire("dicom_fuzz", nom, entree);
}

// DICOM series in explicit and implicit transfer syntaxes, scaled or not, of one slice or more.
void grainesDicom(const std::string& tmp) {
    Stravol::OptionsDicom o;
    serieDicom(tmp, "explicite", volumeGraine(Stravol::TypeVoxel::EntierNonSigne16, 4, 3, 3), o);
    o.explicite = false;
    o.pente = 2;
    o.ordonnee = -100;
    serieDicom(tmp, "implicite-echelle", volumeGraine(Stravol::TypeVoxel::Entier16, 4, 3, 3), o);
    o.explicite = true;
    o.pente = 0.5;
    o.ordonnee = 0;
    serieDicom(tmp, "entiers32", volumeGraine(Stravol::TypeVoxel::Entier32, 3, 2, 4), o);
    serieDicom(tmp, "une-coupe", volumeGraine(Stravol::TypeVoxel::Octet, 5, 4, 1),
               Stravol::OptionsDicom());
}

// Small NRRD, MGH and DICOM inputs written by our own writers, laid out as their fuzzers
// read them.
void volumesNrrdMghDicom() {
    const std::string tmp = racine + "/.volumes";
    std::filesystem::create_directories(tmp);
    grainesNrrd(tmp);
    grainesMgh(tmp);
    grainesDicom(tmp);
    std::filesystem::remove_all(tmp);
}

// Run-length data for the decoder's fuzzer (sizes and encoding in the first three bytes), and
// one RLE8 picture for the picture fuzzers.
void rle() {
    // 6 x 3 RLE8: a run, an absolute run, a delta, an early row end, the end of the picture.
    const std::vector<unsigned char> rle8 = {3, 7, 0, 3, 1, 2, 3, 0, 0, 0,
                                             0, 2, 2, 0, 2, 9, 0, 0, 0, 1};
    std::vector<unsigned char> o = {5, 2, 0};
    o.insert(o.end(), rle8.begin(), rle8.end());
    ecrire("rle_fuzz", "rle8", o);
    // 7 x 2 RLE4 with an absolute run of odd length.
    o = {6, 1, 1, 4, 0x12, 0, 3, 0x34, 0x50, 0, 0, 7, 0xab, 0, 1};
    ecrire("rle_fuzz", "rle4", o);
    // The RLE8 data in a BMP file with a palette of 16 greys.
    std::vector<unsigned char> bmp = {'B', 'M'};
    auto le32 = [&bmp](std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            bmp.push_back(static_cast<unsigned char>(v >> (8 * k)));
    };
    const std::uint32_t debut = 54 + 16 * 4;
    le32(debut + static_cast<std::uint32_t>(rle8.size()));
    le32(0);
    le32(debut);
    le32(40);
    le32(6);
    le32(3);
    bmp.insert(bmp.end(), {1, 0, 8, 0});
    le32(1);
    le32(static_cast<std::uint32_t>(rle8.size()));
    le32(2835);
    le32(2835);
    le32(16);
    le32(0);
    for (int i = 0; i < 16; ++i)
        bmp.insert(bmp.end(),
                   {static_cast<unsigned char>(16 * i), static_cast<unsigned char>(16 * i),
                    static_cast<unsigned char>(16 * i), 0});
    bmp.insert(bmp.end(), rle8.begin(), rle8.end());
    ecrireImage("rle8.bmp", bmp);
}

// Label tables of every format, written as the tools beside atlases write them.
void tables() {
    const std::string cible = "table_etiquettes_fuzz";
    ecrire(cible, "simple.txt",
           "# value name\n1 Precentral_L 2001\r\n2\tFrontal Sup L\t2002\n"
           "4294967295 \"Dernier label\" x\n");
    ecrire(cible, "itksnap.label",
           "# ITK-SNAP Label Description File\n"
           "    0     0    0    0        0  0  0    \"Clear Label\"\n"
           "    1   255    0    0        1  1  1    \"Label 1\"\n"
           "    2     0  255    0      0.5  1  0    \"Label 2\"\n");
    ecrire(cible, "FreeSurferColorLUT.txt",
           "#No. Label Name:                R   G   B   A\n\n"
           "0   Unknown                     0   0   0   0\n"
           "17  Left-Hippocampus            220 216 20  0\n"
           "1000    ctx-lh-unknown          25  5   25  0\n");
    ecrire(cible, "slicer.ctbl",
           "# Color table file\n# 2 values\n0 background 0 0 0 0\n1 tissue 128 174 128 255\n");
    ecrire(cible, "slicer.csv",
           "LabelValue,Name,Color_R,Color_G,Color_B,Color_A\n0,background,0,0,0,0\n"
           "5,\"Caudate, left\",10,20,30,255\n6,\"say \"\"hi\"\"\",,,,\n");
    ecrire(cible, "latin1.txt", "1 Noyau_caud\xe9\n2 Thalamus\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: graines_fuzz_corpus OUT_DIR\n");
        return 2;
    }
    racine = argv[1];
    std::filesystem::create_directories(racine);
    configurations();
    images();
    volumesI3D();
    extractions();
    cartesDuales();
    evolutions();
    composantes();
    volumesFichiers();
    volumesNrrdMghDicom();
    rle();
    tables();
    return 0;
}
