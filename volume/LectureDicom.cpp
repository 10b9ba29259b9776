// DICOM series reader: the elements of each file are walked by our own parser (every length
// checked against the file before it is followed), the slices of one series are ordered along
// their normal and stacked with their geometry.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>
#include <type_traits>

#include "volume/Dossiers.h"
#include "volume/LectureOutils.h"

namespace Stravol {

namespace {

using Vecteur = std::array<double, 3>;

constexpr long long kPreambule = 128;
constexpr std::uint32_t kLongueurIndefinie = 0xffffffffu;
constexpr int kProfondeurMax = 32;             // nesting of sequences
constexpr std::size_t kValeurGardeeMax = 1024; // longest value kept of an element read
// Slices may stray from their regular places by this share of the slice step.
constexpr double kEcartCoupesMax = 0.1;
constexpr double kToleranceOrientation = 1e-3;

constexpr const char* kSyntaxeImplicite = "1.2.840.10008.1.2";
constexpr const char* kSyntaxeExplicite = "1.2.840.10008.1.2.1";
constexpr const char* kSyntaxeGrosBoutiste = "1.2.840.10008.1.2.2";

// What one file tells of its slice.
struct Coupe {
    std::string fichier;
    std::string serie;
    std::optional<Vecteur> position;
    std::optional<std::array<double, 6>> orientation;
    std::optional<std::array<double, 2>> espacementPixels; // between rows, between columns
    std::optional<double> epaisseur, ecartCoupes;
    long lignes = 0, colonnes = 0;
    int echantillons = 1, bitsAlloues = 0, bitsStockes = 0, bitHaut = -1, representation = 0;
    std::string photometrie;
    long long trames = 1;
    double pente = 1.0, ordonnee = 0.0;
    long long debutPixels = -1, longueurPixels = 0;
    bool grosBoutiste = false;
};

// Reads a file through its own position; every read and skip is checked against the size.
class Lecteur {
public:
    Lecteur(std::FILE* f, long long taille) : f_(f), taille_(taille) {}
    long long position() const { return position_; }
    long long reste() const { return taille_ - position_; }
    bool lire(void* dest, std::size_t n) {
        if (static_cast<long long>(n) > reste() || std::fread(dest, 1, n, f_) != n)
            return false;
        position_ += static_cast<long long>(n);
        return true;
    }
    bool sauter(long long n) {
        if (n < 0 || n > reste() || std::fseek(f_, static_cast<long>(position_ + n), SEEK_SET) != 0)
            return false;
        position_ += n;
        return true;
    }
    bool aller(long long p) {
        if (p < 0 || p > taille_ || std::fseek(f_, static_cast<long>(p), SEEK_SET) != 0)
            return false;
        position_ = p;
        return true;
    }

private:
    std::FILE* f_;
    long long taille_;
    long long position_ = 0;
};

struct Syntaxe {
    bool explicite = true;
    bool grosBoutiste = false;
};

std::uint16_t mot16(const unsigned char* p, bool gros) {
    return gros ? static_cast<std::uint16_t>((p[0] << 8) | p[1])
                : static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t mot32(const unsigned char* p, bool gros) {
    return gros ? (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                      (std::uint32_t{p[2]} << 8) | p[3]
                : std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
                      (std::uint32_t{p[3]} << 24);
}

struct Element {
    std::uint16_t groupe = 0, numero = 0;
    char vr[2] = {0, 0}; // 0 0 in implicit syntax and for items
    std::uint32_t longueur = 0;
    std::uint32_t tag() const { return (std::uint32_t{groupe} << 16) | numero; }
};

// Value representations whose length takes 4 bytes after 2 reserved ones.
bool vrLong(const char vr[2]) {
    static const char* const kLongs[] = {"OB", "OD", "OF", "OL", "OV", "OW", "SQ",
                                         "SV", "UC", "UN", "UR", "UT", "UV"};
    for (const char* v : kLongs)
        if (vr[0] == v[0] && vr[1] == v[1])
            return true;
    return false;
}

bool lireElement(Lecteur& l, Syntaxe s, Element& e) {
    unsigned char t[8];
    if (!l.lire(t, 8))
        return false;
    e.groupe = mot16(t, s.grosBoutiste);
    e.numero = mot16(t + 2, s.grosBoutiste);
    e.vr[0] = e.vr[1] = 0;
    if (e.groupe == 0xfffe || !s.explicite) {
        e.longueur = mot32(t + 4, s.grosBoutiste);
        return true;
    }
    e.vr[0] = static_cast<char>(t[4]);
    e.vr[1] = static_cast<char>(t[5]);
    if (e.vr[0] < 'A' || e.vr[0] > 'Z' || e.vr[1] < 'A' || e.vr[1] > 'Z')
        return false;
    if (!vrLong(e.vr)) {
        e.longueur = mot16(t + 6, s.grosBoutiste);
        return true;
    }
    unsigned char n[4];
    if (!l.lire(n, 4))
        return false;
    e.longueur = mot32(n, s.grosBoutiste);
    return true;
}

// The numbers of a decimal string value ("1.5\-2\3"), exactly n of them.
template <std::size_t N> std::optional<std::array<double, N>> nombres(const std::string& texte) {
    std::array<double, N> v{};
    std::size_t debut = 0;
    for (std::size_t k = 0; k < N; ++k) {
        const std::size_t fin = texte.find('\\', debut);
        if ((k + 1 < N) == (fin == std::string::npos))
            return std::nullopt;
        if (!lireReelTexte(sansEspaces(texte.substr(
                               debut, fin == std::string::npos ? std::string::npos : fin - debut)),
                           v[k]))
            return std::nullopt;
        debut = fin + 1;
    }
    return v;
}

// A text value without its padding (trailing spaces and NULs, leading spaces).
std::string texteValeur(const std::vector<unsigned char>& v) {
    std::string s(v.begin(), v.end());
    while (!s.empty() && (s.back() == '\0' || s.back() == ' '))
        s.pop_back();
    return sansEspaces(s);
}

// Keeps the value of a top-level element of the slice; false when it is malformed.
bool garder(const Element& e, const std::vector<unsigned char>& v, Syntaxe s, Coupe& c,
            std::string& erreur) {
    const auto entier = [&](int& dest) {
        if (v.size() < 2)
            return false;
        dest = mot16(v.data(), s.grosBoutiste);
        return true;
    };
    const std::string texte = texteValeur(v);
    bool bon = true;
    switch (e.tag()) {
    case 0x0020000e:
        c.serie = texte;
        break;
    case 0x00200032:
        c.position = nombres<3>(texte);
        bon = c.position.has_value();
        break;
    case 0x00200037:
        c.orientation = nombres<6>(texte);
        bon = c.orientation.has_value();
        break;
    case 0x00280030:
        c.espacementPixels = nombres<2>(texte);
        bon = c.espacementPixels.has_value();
        break;
    case 0x00180050:
    case 0x00180088: {
        const auto n = nombres<1>(texte);
        // An empty or broken thickness only loses a hint for single slices.
        if (n)
            (e.tag() == 0x00180050 ? c.epaisseur : c.ecartCoupes) = (*n)[0];
        break;
    }
    case 0x00280002:
        bon = entier(c.echantillons);
        break;
    case 0x00280010: {
        int n = 0;
        bon = entier(n);
        c.lignes = n;
        break;
    }
    case 0x00280011: {
        int n = 0;
        bon = entier(n);
        c.colonnes = n;
        break;
    }
    case 0x00280100:
        bon = entier(c.bitsAlloues);
        break;
    case 0x00280101:
        bon = entier(c.bitsStockes);
        break;
    case 0x00280102:
        bon = entier(c.bitHaut);
        break;
    case 0x00280103:
        bon = entier(c.representation);
        break;
    case 0x00280004:
        c.photometrie = texte;
        break;
    case 0x00280008:
        bon = texte.empty() || (lireEntierTexte(texte, c.trames) && c.trames >= 1);
        break;
    case 0x00281052:
    case 0x00281053: {
        const auto n = nombres<1>(texte);
        bon = n.has_value();
        if (n)
            (e.tag() == 0x00281053 ? c.pente : c.ordonnee) = (*n)[0];
        break;
    }
    default:
        break;
    }
    if (!bon) {
        char nom[16];
        std::snprintf(nom, sizeof nom, "(%04X,%04X)", e.groupe, e.numero);
        erreur = std::string("valeur DICOM invalide de l'élément ") + nom;
    }
    return bon;
}

bool elementGarde(std::uint32_t tag) {
    switch (tag) {
    case 0x0020000e:
    case 0x00200032:
    case 0x00200037:
    case 0x00280030:
    case 0x00180050:
    case 0x00180088:
    case 0x00280002:
    case 0x00280010:
    case 0x00280011:
    case 0x00280100:
    case 0x00280101:
    case 0x00280102:
    case 0x00280103:
    case 0x00280004:
    case 0x00280008:
    case 0x00281052:
    case 0x00281053:
        return true;
    default:
        return false;
    }
}

bool parcourir(Lecteur& l, Syntaxe s, int niveau, Coupe& c, std::string& erreur);

// The items of a sequence of undefined length, up to its delimiter.
bool parcourirSequence(Lecteur& l, Syntaxe s, int niveau, Coupe& c, std::string& erreur) {
    for (;;) {
        Element e;
        if (!lireElement(l, s, e)) {
            erreur = "séquence DICOM tronquée";
            return false;
        }
        if (e.groupe == 0xfffe && e.numero == 0xe0dd)
            return true;
        if (e.groupe != 0xfffe || e.numero != 0xe000) {
            erreur = "élément inattendu dans une séquence DICOM";
            return false;
        }
        if (e.longueur == kLongueurIndefinie) {
            if (!parcourir(l, s, niveau + 1, c, erreur))
                return false;
        } else if (!l.sauter(e.longueur)) {
            erreur = "élément de séquence DICOM tronqué";
            return false;
        }
    }
}

// The elements of the data set (niveau 0, up to the pixel data or the end of the file) or of
// an item of undefined length (up to its delimiter). Values are kept at the top level only.
bool parcourir(Lecteur& l, Syntaxe s, int niveau, Coupe& c, std::string& erreur) {
    if (niveau > kProfondeurMax) {
        erreur = "séquences DICOM imbriquées trop profondément";
        return false;
    }
    for (;;) {
        if (niveau == 0 && l.reste() == 0)
            return true;
        Element e;
        if (!lireElement(l, s, e)) {
            erreur = "élément DICOM tronqué ou invalide à l'octet " + std::to_string(l.position());
            return false;
        }
        if (e.groupe == 0xfffe && e.numero == 0xe00d && niveau > 0)
            return true;
        if (niveau == 0 && e.tag() == 0x7fe00010) {
            if (e.longueur == kLongueurIndefinie) {
                erreur = "pixels DICOM compressés (syntaxe de transfert encapsulée) non pris en "
                         "charge";
                return false;
            }
            if (e.longueur > static_cast<std::uint64_t>(l.reste())) {
                erreur = "pixels DICOM tronqués : " + std::to_string(e.longueur) +
                         " octets annoncés, " + std::to_string(l.reste()) + " présents";
                return false;
            }
            c.debutPixels = l.position();
            c.longueurPixels = e.longueur;
            return true;
        }
        if (e.longueur == kLongueurIndefinie) {
            // A sequence (SQ, UN or any element in implicit syntax); UN holds implicit ones.
            const bool un = e.vr[0] == 'U' && e.vr[1] == 'N';
            if (!parcourirSequence(l, un ? Syntaxe{false, false} : s, niveau, c, erreur))
                return false;
            continue;
        }
        if (niveau == 0 && elementGarde(e.tag()) && e.longueur <= kValeurGardeeMax) {
            std::vector<unsigned char> v(e.longueur);
            if (!l.lire(v.data(), v.size())) {
                erreur = "élément DICOM tronqué";
                return false;
            }
            if (!garder(e, v, s, c, erreur))
                return false;
            continue;
        }
        if (!l.sauter(e.longueur)) {
            erreur = "élément DICOM tronqué : " + std::to_string(e.longueur) +
                     " octets annoncés, " + std::to_string(l.reste()) + " présents";
            return false;
        }
    }
}

// Whether the file carries the DICOM mark after its preamble.
bool marqueDicom(std::FILE* f) {
    char marque[4];
    return std::fseek(f, kPreambule, SEEK_SET) == 0 && std::fread(marque, 1, 4, f) == 4 &&
           std::memcmp(marque, "DICM", 4) == 0;
}

// Reads what a file tells of its slice. False with erreur for a DICOM file that cannot be
// read; false with erreur empty for a file that is no DICOM file.
bool lireCoupe(const std::string& fichier, Coupe& c, std::string& erreur) {
    erreur.clear();
    c = Coupe();
    c.fichier = fichier;
    const long long taille = tailleFichier(fichier);
    Fichier f = ouvrirLecture(fichier);
    if (taille < kPreambule + 4 || !f || !marqueDicom(f.get()))
        return false;
    Lecteur l(f.get(), taille);
    l.aller(kPreambule + 4);
    // The meta information: explicit little endian, group 0002 only.
    std::string syntaxe;
    for (;;) {
        const long long debut = l.position();
        unsigned char g[2];
        if (!l.lire(g, 2)) {
            erreur = "en-tête DICOM tronqué";
            return false;
        }
        l.aller(debut);
        if (mot16(g, false) != 0x0002)
            break;
        Element e;
        if (!lireElement(l, Syntaxe{}, e) || e.longueur == kLongueurIndefinie) {
            erreur = "en-tête DICOM invalide";
            return false;
        }
        if (e.tag() == 0x00020010 && e.longueur <= kValeurGardeeMax) {
            std::vector<unsigned char> v(e.longueur);
            if (!l.lire(v.data(), v.size())) {
                erreur = "en-tête DICOM tronqué";
                return false;
            }
            syntaxe = texteValeur(v);
        } else if (!l.sauter(e.longueur)) {
            erreur = "en-tête DICOM tronqué";
            return false;
        }
    }
    Syntaxe s;
    if (syntaxe == kSyntaxeImplicite)
        s = Syntaxe{false, false};
    else if (syntaxe == kSyntaxeExplicite)
        s = Syntaxe{true, false};
    else if (syntaxe == kSyntaxeGrosBoutiste)
        s = Syntaxe{true, true};
    else {
        erreur = syntaxe.empty() ? "syntaxe de transfert DICOM absente"
                                 : "syntaxe de transfert DICOM non prise en charge (" + syntaxe +
                                       ") : seules les images non compressées sont lues";
        return false;
    }
    c.grosBoutiste = s.grosBoutiste;
    return parcourir(l, s, 0, c, erreur);
}

double norme(const Vecteur& v) { return std::hypot(v[0], v[1], v[2]); }
double scalaire(const Vecteur& a, const Vecteur& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
Vecteur vectoriel(const Vecteur& a, const Vecteur& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

std::string taillesTexte(const Coupe& c) {
    return std::to_string(c.colonnes) + " x " + std::to_string(c.lignes);
}

// The slices of one series agree on everything but their position and rescaling.
bool verifierSerie(const std::vector<Coupe>& coupes, std::string& erreur) {
    const Coupe& p = coupes.front();
    for (const Coupe& c : coupes) {
        const auto refus = [&](const std::string& pourquoi) {
            erreur = pourquoi + " : " + c.fichier;
            return false;
        };
        if (c.debutPixels < 0)
            return refus("fichier DICOM sans pixels dans la série");
        if (c.trames != 1)
            return refus("fichier DICOM de " + std::to_string(c.trames) +
                         " images (seules les séries d'une image par fichier sont lues)");
        if (c.echantillons != 1 ||
            (c.photometrie != "MONOCHROME2" && c.photometrie != "MONOCHROME1"))
            return refus("image DICOM en couleur (" + c.photometrie +
                         ") : seules les images en niveaux de gris sont lues");
        if (c.lignes < 1 || c.colonnes < 1)
            return refus("dimensions DICOM nulles");
        if (c.lignes != p.lignes || c.colonnes != p.colonnes)
            return refus("coupes DICOM de tailles différentes (" + taillesTexte(c) + " et " +
                         taillesTexte(p) + ")");
        if (c.bitsAlloues != 8 && c.bitsAlloues != 16 && c.bitsAlloues != 32)
            return refus("pixels DICOM de " + std::to_string(c.bitsAlloues) +
                         " bits non pris en charge (8, 16 ou 32)");
        if (c.bitsStockes < 1 || c.bitsStockes > c.bitsAlloues ||
            (c.bitHaut >= 0 && c.bitHaut != c.bitsStockes - 1) ||
            (c.representation != 0 && c.representation != 1))
            return refus("description des pixels DICOM invalide");
        if (c.bitsAlloues != p.bitsAlloues || c.bitsStockes != p.bitsStockes ||
            c.representation != p.representation)
            return refus("coupes DICOM de types de pixels différents");
        const long long octets =
            static_cast<long long>(c.lignes) * c.colonnes * (c.bitsAlloues / 8);
        if (c.longueurPixels < octets)
            return refus("pixels DICOM tronqués : " + std::to_string(octets) +
                         " octets attendus, " + std::to_string(c.longueurPixels) + " présents");
        if (!std::isfinite(c.pente) || !std::isfinite(c.ordonnee) || c.pente == 0.0)
            return refus("mise à l'échelle DICOM invalide");
        if (c.espacementPixels && ((*c.espacementPixels)[0] <= 0 || (*c.espacementPixels)[1] <= 0))
            return refus("espacement des pixels DICOM nul ou négatif");
        if (c.espacementPixels.has_value() != p.espacementPixels.has_value() ||
            (c.espacementPixels &&
             (std::abs((*c.espacementPixels)[0] - (*p.espacementPixels)[0]) > 1e-6 ||
              std::abs((*c.espacementPixels)[1] - (*p.espacementPixels)[1]) > 1e-6)))
            return refus("coupes DICOM d'espacements de pixels différents");
    }
    return true;
}

// The geometry's own check; false with its reason.
bool verifierGeometrie(const Geometrie& g, std::string& erreur) {
    std::string pourquoi;
    if (!g.valide(pourquoi)) {
        erreur = "géométrie DICOM invalide : " + pourquoi;
        return false;
    }
    return true;
}

// Millimetres between the slices of a series of one slice: its slice spacing, else its
// thickness, else 1.
double ecartCoupeSeule(const Coupe& c) {
    const double dz = c.ecartCoupes.value_or(c.epaisseur.value_or(1.0));
    return dz > 0 ? dz : 1.0;
}

// The unit row and column directions of the series and their normal, once every slice is
// found to have a position and the orientation of the first; false with a message.
bool directionsSerie(const std::vector<Coupe>& coupes, Vecteur& ligne, Vecteur& colonne,
                     Vecteur& normale, std::string& erreur) {
    const Coupe& p = coupes.front();
    for (const Coupe& c : coupes)
        if (!c.position || !c.orientation) {
            erreur = "position ou orientation de coupe DICOM absente : " + c.fichier;
            return false;
        }
    const auto& o = *p.orientation;
    ligne = {o[0], o[1], o[2]};
    colonne = {o[3], o[4], o[5]};
    const double nl = norme(ligne), nc = norme(colonne);
    if (!(nl > 0.5 && nc > 0.5)) {
        erreur = "orientation DICOM invalide : " + p.fichier;
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        ligne[i] /= nl;
        colonne[i] /= nc;
    }
    normale = vectoriel(ligne, colonne);
    if (norme(normale) < 0.5) {
        erreur =
            "orientation DICOM invalide (lignes et colonnes presque parallèles) : " + p.fichier;
        return false;
    }
    for (const Coupe& c : coupes)
        for (std::size_t k = 0; k < 6; ++k)
            if (std::abs((*c.orientation)[k] - o[k]) > kToleranceOrientation) {
                erreur = "coupes DICOM d'orientations différentes : " + c.fichier;
                return false;
            }
    return true;
}

// Sorts the slices along the normal and finds the step (world millimetres, LPS) from one slice
// to the next, once the slices are found apart and regularly spaced; false with a message.
bool ordonnerLeLongDeNormale(std::vector<Coupe>& coupes, const Vecteur& normale, Vecteur& pas,
                             std::string& erreur) {
    const auto hauteur = [&](const Coupe& c) { return scalaire(*c.position, normale); };
    std::stable_sort(coupes.begin(), coupes.end(),
                     [&](const Coupe& a, const Coupe& b) { return hauteur(a) < hauteur(b); });
    const std::size_t n = coupes.size();
    pas = Vecteur{};
    if (n <= 1) {
        const double dz = ecartCoupeSeule(coupes.front());
        for (int i = 0; i < 3; ++i)
            pas[i] = normale[i] * dz;
        return true;
    }
    for (int i = 0; i < 3; ++i)
        pas[i] = ((*coupes.back().position)[i] - (*coupes.front().position)[i]) /
                 static_cast<double>(n - 1);
    const double ecart = norme(pas);
    for (std::size_t k = 0; k + 1 < n; ++k)
        if (hauteur(coupes[k + 1]) - hauteur(coupes[k]) <= 1e-6 * std::max(1.0, ecart)) {
            erreur = "deux coupes DICOM à la même position : " + coupes[k].fichier + " et " +
                     coupes[k + 1].fichier;
            return false;
        }
    for (std::size_t k = 0; k < n; ++k) {
        Vecteur attendu{};
        for (int i = 0; i < 3; ++i)
            attendu[i] = (*coupes.front().position)[i] + static_cast<double>(k) * pas[i];
        const Vecteur& reel = *coupes[k].position;
        const double d = norme({reel[0] - attendu[0], reel[1] - attendu[1], reel[2] - attendu[2]});
        if (d > kEcartCoupesMax * ecart) {
            erreur =
                "coupes DICOM irrégulièrement espacées (coupe manquante ?) : " + coupes[k].fichier +
                " est à " + std::to_string(d) + " mm de sa place régulière";
            return false;
        }
    }
    return true;
}

// The slices ordered along their normal, and the voxel -> world RAS transform. A series of
// one slice without position is placed at the origin, pixels apart by their spacing.
bool ordonnerEtPlacer(std::vector<Coupe>& coupes, Geometrie& g, std::vector<std::string>& remarques,
                      std::string& erreur) {
    const Coupe& p = coupes.front();
    const double dx = p.espacementPixels ? (*p.espacementPixels)[1] : 1.0;
    const double dy = p.espacementPixels ? (*p.espacementPixels)[0] : 1.0;
    if (!p.espacementPixels)
        remarques.push_back("la série DICOM ne donne pas l'espacement de ses pixels : 1 mm");
    const bool sansPlace = std::none_of(coupes.begin(), coupes.end(),
                                        [](const Coupe& c) { return c.position || c.orientation; });
    if (sansPlace && coupes.size() == 1) {
        g.affine = {{{dx, 0, 0, 0}, {0, dy, 0, 0}, {0, 0, ecartCoupeSeule(p), 0}}};
        g.espacement = {dx, dy, g.affine[2][2]};
        g.origine = OrigineGeometrie::Espacement;
        remarques.push_back("la coupe DICOM ne donne ni position ni orientation");
        return verifierGeometrie(g, erreur);
    }
    Vecteur ligne{}, colonne{}, normale{}, pas{};
    if (!directionsSerie(coupes, ligne, colonne, normale, erreur) ||
        !ordonnerLeLongDeNormale(coupes, normale, pas, erreur))
        return false;
    // LPS (the patient frame of DICOM) to RAS: x and y change sign.
    const Vecteur signes{-1, -1, 1};
    const Vecteur& origine = *coupes.front().position;
    for (std::size_t i = 0; i < 3; ++i) {
        g.affine[i][0] = signes[i] * ligne[i] * dx;
        g.affine[i][1] = signes[i] * colonne[i] * dy;
        g.affine[i][2] = signes[i] * pas[i];
        g.affine[i][3] = signes[i] * origine[i];
    }
    g.espacement = {dx, dy, norme(pas)};
    g.origine = OrigineGeometrie::Entete;
    return verifierGeometrie(g, erreur);
}

TypeVoxel typeStocke(const Coupe& c) {
    const bool signe = c.representation == 1;
    switch (c.bitsAlloues) {
    case 8:
        return signe ? TypeVoxel::OctetSigne : TypeVoxel::Octet;
    case 16:
        return signe ? TypeVoxel::Entier16 : TypeVoxel::EntierNonSigne16;
    default:
        return signe ? TypeVoxel::Entier32 : TypeVoxel::EntierNonSigne32;
    }
}

// The stored values of a slice: bits above the stored ones cleared, the sign extended.
template <class T> void nettoyerBits(T* p, std::size_t n, int bitsStockes, bool signe) {
    using NonSigne = std::make_unsigned_t<T>;
    constexpr int kBits = 8 * sizeof(T);
    if (bitsStockes >= kBits)
        return;
    const NonSigne masque = static_cast<NonSigne>((NonSigne{1} << bitsStockes) - 1);
    const NonSigne bitSigne = static_cast<NonSigne>(NonSigne{1} << (bitsStockes - 1));
    for (std::size_t i = 0; i < n; ++i) {
        NonSigne v = static_cast<NonSigne>(static_cast<NonSigne>(p[i]) & masque);
        if (signe && (v & bitSigne))
            v = static_cast<NonSigne>(v | static_cast<NonSigne>(~masque));
        p[i] = static_cast<T>(v);
    }
}

bool lirePixels(const Coupe& c, unsigned char* dest, std::size_t octets, std::string& erreur) {
    Fichier f = ouvrirLecture(c.fichier);
    if (!f || !lireOctets(f.get(), c.debutPixels, octets, dest)) {
        erreur = "pixels DICOM illisibles : " + c.fichier;
        return false;
    }
    const std::size_t taille = static_cast<std::size_t>(c.bitsAlloues / 8);
    const std::size_t n = octets / taille;
    if (c.grosBoutiste != (std::endian::native == std::endian::big))
        permuterOctets(dest, n, taille);
    const bool signe = c.representation == 1;
    if (taille == 1)
        nettoyerBits(reinterpret_cast<std::uint8_t*>(dest), n, c.bitsStockes, signe);
    else if (taille == 2)
        nettoyerBits(reinterpret_cast<std::uint16_t*>(dest), n, c.bitsStockes, signe);
    else
        nettoyerBits(reinterpret_cast<std::uint32_t*>(dest), n, c.bitsStockes, signe);
    return true;
}

// Applies each slice's slope and intercept: into 32-bit integers when every slope and
// intercept is whole and the results fit, else into float32.
bool mettreAEchelle(VolumeBrut& v, const std::vector<Coupe>& coupes,
                    std::vector<std::string>& remarques, std::string& erreur) {
    const bool identite = std::all_of(coupes.begin(), coupes.end(), [](const Coupe& c) {
        return c.pente == 1.0 && c.ordonnee == 0.0;
    });
    if (identite)
        return true;
    const std::size_t parCoupe = static_cast<std::size_t>(v.largeur) * v.hauteur;
    bool entiers = true;
    double mini = 0, maxi = 0;
    for (std::size_t k = 0; k < coupes.size(); ++k)
        for (std::size_t i = 0; i < parCoupe; ++i) {
            const double x = coupes[k].pente * v.valeur(k * parCoupe + i) + coupes[k].ordonnee;
            mini = std::min(mini, x);
            maxi = std::max(maxi, x);
            entiers = entiers && x == std::floor(x);
        }
    entiers = entiers && mini >= -2147483648.0 && maxi <= 2147483647.0;
    std::vector<unsigned char> sortie;
    try {
        sortie.resize(v.nbVoxels() * 4);
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante pour mettre les valeurs DICOM à l'échelle";
        return false;
    }
    for (std::size_t k = 0; k < coupes.size(); ++k)
        for (std::size_t i = 0; i < parCoupe; ++i) {
            const std::size_t j = k * parCoupe + i;
            const double x = coupes[k].pente * v.valeur(j) + coupes[k].ordonnee;
            if (entiers) {
                const auto e = static_cast<std::int32_t>(x);
                std::memcpy(sortie.data() + 4 * j, &e, 4);
            } else {
                const auto r = static_cast<float>(x);
                std::memcpy(sortie.data() + 4 * j, &r, 4);
            }
        }
    v.donnees = std::move(sortie);
    v.type = entiers ? TypeVoxel::Entier32 : TypeVoxel::Reel32;
    remarques.push_back("valeurs mises à l'échelle par les coupes DICOM (pente " +
                        std::to_string(coupes.front().pente) + ", ordonnée " +
                        std::to_string(coupes.front().ordonnee) + ")");
    return true;
}

} // namespace

bool dossierDicom(const std::string& dossier) {
    std::vector<std::string> noms;
    std::string erreur;
    if (!listerDossier(dossier, GenreEntree::Fichier, "", noms, erreur))
        return false;
    for (const std::string& nom : noms) {
        Fichier f = ouvrirLecture(dossier + "/" + nom);
        if (f && marqueDicom(f.get()))
            return true;
    }
    return false;
}

bool fichierDicom(const std::string& fichier) {
    Fichier f = ouvrirLecture(fichier);
    return f && marqueDicom(f.get());
}

CompteRenduLecture lireSerieDicom(const std::string& dossier, VolumeBrut& volume,
                                  const std::string& fichierDeLaSerie) {
    volume = VolumeBrut();
    std::vector<std::string> noms;
    std::string erreur;
    if (!listerDossier(dossier, GenreEntree::Fichier, "", noms, erreur))
        return echecLecture(volume, "dossier illisible : " + dossier + " : " + erreur);
    // Every file is looked at: names and extensions tell nothing of a slice.
    std::map<std::string, std::vector<Coupe>> series;
    int ignores = 0;
    std::optional<std::string> serieVoulue;
    for (const std::string& nom : noms) {
        Coupe c;
        const std::string chemin = dossier + "/" + nom;
        if (!lireCoupe(chemin, c, erreur)) {
            if (!erreur.empty())
                return echecLecture(volume, "fichier DICOM illisible : " + chemin + " : " + erreur);
            ++ignores;
            continue;
        }
        if (c.debutPixels < 0) {
            ++ignores; // a directory, a report: no picture
            continue;
        }
        std::error_code ec;
        if (!fichierDeLaSerie.empty() && std::filesystem::equivalent(chemin, fichierDeLaSerie, ec))
            serieVoulue = c.serie;
        series[c.serie].push_back(std::move(c));
    }
    if (series.empty())
        return echecLecture(volume, "aucune image DICOM dans le dossier " + dossier);
    CompteRenduLecture cr;
    auto choisie = series.begin();
    if (serieVoulue) {
        choisie = series.find(*serieVoulue);
    } else {
        for (auto it = series.begin(); it != series.end(); ++it)
            if (it->second.size() > choisie->second.size())
                choisie = it;
    }
    if (series.size() > 1)
        cr.remarques.push_back(
            "le dossier compte " + std::to_string(series.size()) + " séries DICOM : " +
            (serieVoulue ? std::string("celle du fichier choisi") : std::string("la plus grande")) +
            " (" + std::to_string(choisie->second.size()) + " coupes, série " + choisie->first +
            ") est lue");
    if (ignores > 0)
        cr.remarques.push_back(std::to_string(ignores) +
                               " fichiers du dossier ne sont pas des images DICOM et sont ignorés");
    std::vector<Coupe>& coupes = choisie->second;
    Geometrie geometrie;
    if (!verifierSerie(coupes, erreur) ||
        !ordonnerEtPlacer(coupes, geometrie, cr.remarques, erreur))
        return echecLecture(volume, erreur);
    const Coupe& p = coupes.front();
    if (!allouerVolume(volume, p.colonnes, p.lignes, static_cast<long long>(coupes.size()),
                       typeStocke(p), erreur))
        return echecLecture(volume, erreur + " : " + dossier);
    volume.geometrie = geometrie;
    const std::size_t octetsCoupe = static_cast<std::size_t>(p.colonnes) *
                                    static_cast<std::size_t>(p.lignes) * tailleVoxel(volume.type);
    for (std::size_t k = 0; k < coupes.size(); ++k)
        if (!lirePixels(coupes[k], volume.donnees.data() + k * octetsCoupe, octetsCoupe, erreur))
            return echecLecture(volume, erreur);
    if (!mettreAEchelle(volume, coupes, cr.remarques, erreur))
        return echecLecture(volume, erreur);
    if (const std::size_t nonFinies = nbValeursNonFinies(volume))
        return echecLecture(volume,
                            std::to_string(nonFinies) +
                                " valeurs non finies après la mise à l'échelle DICOM : " + dossier);
    if (std::any_of(coupes.begin(), coupes.end(),
                    [](const Coupe& c) { return c.photometrie == "MONOCHROME1"; }))
        cr.remarques.push_back("coupes DICOM en MONOCHROME1 : les valeurs basses sont claires");
    cr.reussi = true;
    return cr;
}

} // namespace Stravol
