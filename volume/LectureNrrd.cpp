// NRRD reader of our own: the text header, raw or gzip data in the same file or in a detached
// one, the space directions and origin, and the segments of a Slicer segmentation.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

#include "volume/LectureOutils.h"

namespace Stravol {

namespace {

// A header longer than this is no header.
constexpr std::size_t kEnteteMax = 1u << 20;

using Vecteur = std::array<double, 3>;

enum class Codage { Brut, Gzip };

struct EnteteNrrd {
    std::optional<TypeVoxel> type;
    long long dimension = 0;
    std::vector<long long> tailles;
    std::optional<Codage> codage;
    std::optional<bool> grosBoutiste;
    // Signs that turn the named space into RAS; absent when no space is named.
    std::optional<Vecteur> versRas;
    bool espaceSansNom = false;                                    // "space dimension: 3" alone
    std::optional<std::vector<std::optional<Vecteur>>> directions; // none: a non-spatial axis
    std::optional<Vecteur> origine;
    Vecteur unites{1.0, 1.0, 1.0};                  // millimetres a unit of each space axis
    std::optional<std::vector<double>> espacements; // NaN for an axis without spacing
    std::optional<std::vector<std::string>> genres; // the kinds of the axes
    std::string fichierDonnees;                     // empty: the data follow the header
    long long sautLignes = 0, sautOctets = 0;
    std::map<std::string, std::string> cles; // key/value pairs, unescaped
};

bool typeNrrd(std::string nom, TypeVoxel& type) {
    static const std::map<std::string, TypeVoxel> kTypes = {
        {"signed char", TypeVoxel::OctetSigne},
        {"int8", TypeVoxel::OctetSigne},
        {"int8_t", TypeVoxel::OctetSigne},
        {"uchar", TypeVoxel::Octet},
        {"unsigned char", TypeVoxel::Octet},
        {"uint8", TypeVoxel::Octet},
        {"uint8_t", TypeVoxel::Octet},
        {"short", TypeVoxel::Entier16},
        {"short int", TypeVoxel::Entier16},
        {"signed short", TypeVoxel::Entier16},
        {"signed short int", TypeVoxel::Entier16},
        {"int16", TypeVoxel::Entier16},
        {"int16_t", TypeVoxel::Entier16},
        {"ushort", TypeVoxel::EntierNonSigne16},
        {"unsigned short", TypeVoxel::EntierNonSigne16},
        {"unsigned short int", TypeVoxel::EntierNonSigne16},
        {"uint16", TypeVoxel::EntierNonSigne16},
        {"uint16_t", TypeVoxel::EntierNonSigne16},
        {"int", TypeVoxel::Entier32},
        {"signed int", TypeVoxel::Entier32},
        {"int32", TypeVoxel::Entier32},
        {"int32_t", TypeVoxel::Entier32},
        {"uint", TypeVoxel::EntierNonSigne32},
        {"unsigned int", TypeVoxel::EntierNonSigne32},
        {"uint32", TypeVoxel::EntierNonSigne32},
        {"uint32_t", TypeVoxel::EntierNonSigne32},
        {"longlong", TypeVoxel::Entier64},
        {"long long", TypeVoxel::Entier64},
        {"long long int", TypeVoxel::Entier64},
        {"signed long long", TypeVoxel::Entier64},
        {"signed long long int", TypeVoxel::Entier64},
        {"int64", TypeVoxel::Entier64},
        {"int64_t", TypeVoxel::Entier64},
        {"ulonglong", TypeVoxel::EntierNonSigne64},
        {"unsigned long long", TypeVoxel::EntierNonSigne64},
        {"unsigned long long int", TypeVoxel::EntierNonSigne64},
        {"uint64", TypeVoxel::EntierNonSigne64},
        {"uint64_t", TypeVoxel::EntierNonSigne64},
        {"float", TypeVoxel::Reel32},
        {"double", TypeVoxel::Reel64},
    };
    const auto it = kTypes.find(nom);
    if (it == kTypes.end())
        return false;
    type = it->second;
    return true;
}

// The words of texte, split at spaces and tabs.
std::vector<std::string> mots(const std::string& texte) {
    std::vector<std::string> m;
    std::size_t i = 0;
    while (i < texte.size()) {
        while (i < texte.size() && (texte[i] == ' ' || texte[i] == '\t'))
            ++i;
        std::size_t j = i;
        while (j < texte.size() && texte[j] != ' ' && texte[j] != '\t')
            ++j;
        if (j > i)
            m.push_back(texte.substr(i, j - i));
        i = j;
    }
    return m;
}

// "(a,b,c) none (d,e,f)": each vector of three finite numbers, or none where allowed.
bool lireVecteurs(const std::string& texte, bool aucunPermis,
                  std::vector<std::optional<Vecteur>>& vecteurs) {
    vecteurs.clear();
    std::size_t i = 0;
    for (;;) {
        while (i < texte.size() && (texte[i] == ' ' || texte[i] == '\t'))
            ++i;
        if (i == texte.size())
            return !vecteurs.empty();
        if (texte.compare(i, 4, "none") == 0) {
            if (!aucunPermis)
                return false;
            vecteurs.emplace_back();
            i += 4;
            continue;
        }
        if (texte[i] != '(')
            return false;
        const std::size_t fin = texte.find(')', i);
        if (fin == std::string::npos)
            return false;
        const std::string interieur = texte.substr(i + 1, fin - i - 1);
        Vecteur v{};
        std::size_t debut = 0;
        for (int k = 0; k < 3; ++k) {
            const std::size_t virgule = interieur.find(',', debut);
            if ((k < 2) == (virgule == std::string::npos))
                return false;
            const std::string nombre = sansEspaces(interieur.substr(
                debut, virgule == std::string::npos ? std::string::npos : virgule - debut));
            if (!lireReelTexte(nombre, v[static_cast<std::size_t>(k)]))
                return false;
            debut = virgule + 1;
        }
        vecteurs.push_back(v);
        i = fin + 1;
    }
}

bool lireEntiers(const std::string& texte, std::vector<long long>& valeurs) {
    valeurs.clear();
    for (const std::string& m : mots(texte)) {
        long long v;
        if (!lireEntierTexte(m, v))
            return false;
        valeurs.push_back(v);
    }
    return !valeurs.empty();
}

// The quoted words of "space units: "mm" "mm" "mm"".
bool lireChaines(const std::string& texte, std::vector<std::string>& chaines) {
    chaines.clear();
    std::size_t i = 0;
    for (;;) {
        while (i < texte.size() && (texte[i] == ' ' || texte[i] == '\t'))
            ++i;
        if (i == texte.size())
            return true;
        if (texte[i] != '"')
            return false;
        const std::size_t fin = texte.find('"', i + 1);
        if (fin == std::string::npos)
            return false;
        chaines.push_back(texte.substr(i + 1, fin - i - 1));
        i = fin + 1;
    }
}

// The value of a key/value pair: "\n" is a line feed, "\\" a backslash.
std::string sansEchappements(const std::string& texte) {
    std::string s;
    for (std::size_t i = 0; i < texte.size(); ++i) {
        if (texte[i] == '\\' && i + 1 < texte.size() &&
            (texte[i + 1] == 'n' || texte[i + 1] == '\\')) {
            s += texte[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else {
            s += texte[i];
        }
    }
    return s;
}

// The field names as the format spells them, some with a second spelling.
std::string nomCanonique(const std::string& champ) {
    static const std::map<std::string, std::string> kSynonymes = {{"datafile", "data file"},
                                                                  {"lineskip", "line skip"},
                                                                  {"byteskip", "byte skip"},
                                                                  {"centerings", "centers"}};
    const auto it = kSynonymes.find(champ);
    return it == kSynonymes.end() ? champ : it->second;
}

// The message of a field whose value cannot be read; always false.
bool champInvalide(const std::string& champ, const std::string& valeur, std::string& erreur) {
    erreur = "champ NRRD \"" + champ + "\" invalide : " + valeur;
    return false;
}

// The "encoding" field: raw or gzip data.
bool lireCodage(const std::string& valeur, EnteteNrrd& e, std::string& erreur) {
    if (valeur == "raw")
        e.codage = Codage::Brut;
    else if (valeur == "gzip" || valeur == "gz")
        e.codage = Codage::Gzip;
    else {
        erreur = "codage NRRD non pris en charge : " + valeur + " (raw ou gzip attendu)";
        return false;
    }
    return true;
}

// The "space" field: the signs that turn the named space into RAS.
bool lireEspace(const std::string& valeur, EnteteNrrd& e, std::string& erreur) {
    if (valeur == "right-anterior-superior" || valeur == "RAS")
        e.versRas = Vecteur{1, 1, 1};
    else if (valeur == "left-anterior-superior" || valeur == "LAS")
        e.versRas = Vecteur{-1, 1, 1};
    else if (valeur == "left-posterior-superior" || valeur == "LPS")
        e.versRas = Vecteur{-1, -1, 1};
    else {
        erreur = "espace NRRD non pris en charge : " + valeur + " (RAS, LAS ou LPS attendu)";
        return false;
    }
    return true;
}

// The "space units" field: millimetres a unit of each of the three space axes.
bool lireUnites(const std::string& champ, const std::string& valeur, EnteteNrrd& e,
                std::string& erreur) {
    std::vector<std::string> u;
    if (!lireChaines(valeur, u) || u.size() != 3)
        return champInvalide(champ, valeur, erreur);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string& unite = u[i];
        if (unite == "mm" || unite == "millimeter" || unite == "millimeters")
            e.unites[i] = 1.0;
        else if (unite == "m" || unite == "meter" || unite == "meters")
            e.unites[i] = 1000.0;
        else if (unite == "cm")
            e.unites[i] = 10.0;
        else if (unite == "um" || unite == "micron" || unite == "microns")
            e.unites[i] = 0.001;
        else {
            erreur = "unité d'espace NRRD non prise en charge : " + unite;
            return false;
        }
    }
    return true;
}

// The "spacings" field: one number per axis, NaN for an axis without spacing.
bool lireEspacements(const std::string& champ, const std::string& valeur, EnteteNrrd& e,
                     std::string& erreur) {
    std::vector<double> s;
    for (const std::string& m : mots(valeur)) {
        double d;
        if (m == "nan" || m == "NaN" || m == "NAN")
            d = std::nan("");
        else if (!lireReelTexte(m, d))
            return champInvalide(champ, valeur, erreur);
        s.push_back(d);
    }
    e.espacements = std::move(s);
    return true;
}

// The "data file" field: one detached file holding all of the data.
bool lireFichierDonnees(const std::string& champ, const std::string& valeur, EnteteNrrd& e,
                        std::string& erreur) {
    if (valeur.empty())
        return champInvalide(champ, valeur, erreur);
    if (valeur == "LIST" || valeur.find('%') != std::string::npos || mots(valeur).size() != 1) {
        erreur = "les données NRRD réparties en plusieurs fichiers ne sont pas prises en "
                 "charge : " +
                 valeur;
        return false;
    }
    e.fichierDonnees = valeur;
    return true;
}

// One field line of the header into e; false with a message when it is wrong.
bool lireChamp(const std::string& champ, const std::string& valeur, EnteteNrrd& e,
               std::string& erreur) {
    const auto mauvais = [&] { return champInvalide(champ, valeur, erreur); };
    if (champ == "type") {
        TypeVoxel t;
        if (!typeNrrd(valeur, t)) {
            erreur = "type NRRD non pris en charge : " + valeur;
            return false;
        }
        e.type = t;
    } else if (champ == "dimension") {
        if (!lireEntierTexte(valeur, e.dimension) || e.dimension < 1 || e.dimension > 16)
            return mauvais();
    } else if (champ == "sizes") {
        if (!lireEntiers(valeur, e.tailles))
            return mauvais();
    } else if (champ == "encoding") {
        return lireCodage(valeur, e, erreur);
    } else if (champ == "endian") {
        if (valeur != "little" && valeur != "big")
            return mauvais();
        e.grosBoutiste = valeur == "big";
    } else if (champ == "space") {
        return lireEspace(valeur, e, erreur);
    } else if (champ == "space dimension") {
        long long d;
        if (!lireEntierTexte(valeur, d) || d != 3) {
            erreur = "seuls les espaces NRRD de dimension 3 sont pris en charge : " + valeur;
            return false;
        }
        e.espaceSansNom = true;
    } else if (champ == "space directions") {
        std::vector<std::optional<Vecteur>> v;
        if (!lireVecteurs(valeur, true, v))
            return mauvais();
        e.directions = std::move(v);
    } else if (champ == "space origin") {
        std::vector<std::optional<Vecteur>> v;
        if (!lireVecteurs(valeur, false, v) || v.size() != 1)
            return mauvais();
        e.origine = *v[0];
    } else if (champ == "space units") {
        return lireUnites(champ, valeur, e, erreur);
    } else if (champ == "spacings") {
        return lireEspacements(champ, valeur, e, erreur);
    } else if (champ == "kinds") {
        e.genres = mots(valeur);
    } else if (champ == "data file") {
        return lireFichierDonnees(champ, valeur, e, erreur);
    } else if (champ == "line skip") {
        if (!lireEntierTexte(valeur, e.sautLignes) || e.sautLignes < 0)
            return mauvais();
    } else if (champ == "byte skip") {
        if (!lireEntierTexte(valeur, e.sautOctets) || e.sautOctets < -1)
            return mauvais();
    } else if (champ == "block size") {
        erreur = "le type NRRD block n'est pas pris en charge";
        return false;
    }
    // Other fields (content, labels, units, axis mins, measurement frame...) change nothing
    // of the voxels or of their place.
    return true;
}

// The header text of the file: the lines up to the first empty one (or to the end of the
// file), and where the data would start after it.
bool lireEnTete(std::FILE* f, std::vector<std::string>& lignes, long long& finEnTete,
                std::string& erreur) {
    lignes.clear();
    std::string ligne;
    long long position = 0;
    for (;;) {
        const int c = std::fgetc(f);
        if (c == EOF) {
            if (!ligne.empty())
                lignes.push_back(ligne);
            finEnTete = position;
            return true;
        }
        ++position;
        if (static_cast<std::size_t>(position) > kEnteteMax) {
            erreur = "en-tête NRRD sans fin";
            return false;
        }
        if (c != '\n') {
            ligne += static_cast<char>(c);
            continue;
        }
        if (!ligne.empty() && ligne.back() == '\r')
            ligne.pop_back();
        if (ligne.empty()) {
            finEnTete = position;
            return true;
        }
        lignes.push_back(std::move(ligne));
        ligne.clear();
    }
}

bool analyserEnTete(const std::vector<std::string>& lignes, EnteteNrrd& e, std::string& erreur) {
    if (lignes.empty() || lignes[0].size() != 8 || lignes[0].compare(0, 7, "NRRD000") != 0 ||
        lignes[0][7] < '1' || lignes[0][7] > '5') {
        erreur = "signature NRRD absente ou version non prise en charge";
        return false;
    }
    std::map<std::string, bool> vus;
    for (std::size_t i = 1; i < lignes.size(); ++i) {
        const std::string& ligne = lignes[i];
        if (ligne[0] == '#')
            continue;
        const std::size_t deuxPoints = ligne.find(':');
        if (deuxPoints == std::string::npos || deuxPoints == 0) {
            erreur = "ligne " + std::to_string(i + 1) + " de l'en-tête NRRD illisible : " + ligne;
            return false;
        }
        if (deuxPoints + 1 < ligne.size() && ligne[deuxPoints + 1] == '=') {
            e.cles[ligne.substr(0, deuxPoints)] = sansEchappements(ligne.substr(deuxPoints + 2));
            continue;
        }
        if (deuxPoints + 1 >= ligne.size() || ligne[deuxPoints + 1] != ' ') {
            erreur = "ligne " + std::to_string(i + 1) + " de l'en-tête NRRD illisible : " + ligne;
            return false;
        }
        const std::string champ = nomCanonique(ligne.substr(0, deuxPoints));
        if (vus[champ]) {
            erreur = "champ NRRD \"" + champ + "\" répété";
            return false;
        }
        vus[champ] = true;
        if (!lireChamp(champ, sansEspaces(ligne.substr(deuxPoints + 2)), e, erreur))
            return false;
    }
    if (!e.type || e.dimension == 0 || e.tailles.empty() || !e.codage) {
        erreur = "en-tête NRRD incomplet (type, dimension, sizes et encoding sont requis)";
        return false;
    }
    const auto d = static_cast<std::size_t>(e.dimension);
    if (e.tailles.size() != d || (e.directions && e.directions->size() != d) ||
        (e.espacements && e.espacements->size() != d) || (e.genres && e.genres->size() != d)) {
        erreur = "le nombre de tailles, de directions ou d'espacements NRRD ne suit pas la "
                 "dimension " +
                 std::to_string(e.dimension);
        return false;
    }
    for (long long t : e.tailles)
        if (t < 1) {
            erreur = "taille d'axe NRRD nulle ou négative";
            return false;
        }
    if (tailleVoxel(*e.type) > 1 && !e.grosBoutiste) {
        erreur = "champ NRRD endian manquant";
        return false;
    }
    if ((e.directions || e.origine) && !e.versRas && !e.espaceSansNom) {
        erreur = "directions ou origine NRRD sans espace";
        return false;
    }
    return true;
}

// Axes of these kinds are voxel axes ("???" and "none": not told).
bool genreSpatial(const std::string& genre) {
    return genre == "domain" || genre == "space" || genre == "???" || genre == "none";
}

// The axes of the voxel frame (x, y, z) among the file's axes, and the one other axis (of
// which the first element is read), or -1.
bool choisirAxes(const EnteteNrrd& e, std::vector<int>& spatiaux, int& autre, std::string& erreur) {
    spatiaux.clear();
    autre = -1;
    for (int a = 0; a < static_cast<int>(e.dimension); ++a) {
        const auto i = static_cast<std::size_t>(a);
        const bool spatial = e.directions ? (*e.directions)[i].has_value()
                                          : !e.genres || genreSpatial((*e.genres)[i]);
        if (spatial) {
            spatiaux.push_back(a);
        } else if (autre < 0) {
            autre = a;
        } else {
            erreur = "un fichier NRRD ne peut avoir qu'un axe non spatial";
            return false;
        }
    }
    if (spatiaux.empty() || spatiaux.size() > 3) {
        erreur = "un fichier NRRD doit avoir de un à trois axes spatiaux";
        return false;
    }
    return true;
}

Vecteur produitVectoriel(const Vecteur& a, const Vecteur& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Voxel -> world RAS millimetres from the directions and origin, or from the spacings.
bool geometrieNrrd(const EnteteNrrd& e, const std::vector<int>& spatiaux, Geometrie& g,
                   std::vector<std::string>& remarques, std::string& erreur) {
    g = Geometrie();
    if (e.directions) {
        std::array<Vecteur, 3> colonnes{};
        for (std::size_t j = 0; j < spatiaux.size(); ++j)
            for (std::size_t i = 0; i < 3; ++i)
                colonnes[j][i] =
                    (*(*e.directions)[static_cast<std::size_t>(spatiaux[j])])[i] * e.unites[i];
        // Missing axes of a picture: unit steps along the normal of the others.
        if (spatiaux.size() == 1) {
            const Vecteur& a = colonnes[0];
            colonnes[1] = std::abs(a[0]) < 0.9 * std::hypot(a[0], a[1], a[2])
                              ? produitVectoriel(a, Vecteur{1, 0, 0})
                              : produitVectoriel(a, Vecteur{0, 1, 0});
        }
        if (spatiaux.size() <= 2) {
            Vecteur n = produitVectoriel(colonnes[0], colonnes[1]);
            const double l = std::hypot(n[0], n[1], n[2]);
            for (double& c : n)
                c = l > 0 ? c / l : 0.0;
            colonnes[2] = n;
            if (spatiaux.size() == 1) {
                const double l1 = std::hypot(colonnes[1][0], colonnes[1][1], colonnes[1][2]);
                for (double& c : colonnes[1])
                    c = l1 > 0 ? c / l1 : 0.0;
            }
        }
        const Vecteur signes = e.versRas ? *e.versRas : Vecteur{1, 1, 1};
        const Vecteur origine = e.origine ? *e.origine : Vecteur{0, 0, 0};
        for (std::size_t i = 0; i < 3; ++i) {
            for (std::size_t j = 0; j < 3; ++j)
                g.affine[i][j] = signes[i] * colonnes[j][i];
            g.affine[i][3] = signes[i] * origine[i] * e.unites[i];
        }
        for (std::size_t j = 0; j < 3; ++j)
            g.espacement[j] = std::hypot(g.affine[0][j], g.affine[1][j], g.affine[2][j]);
        g.origine = OrigineGeometrie::Entete;
        if (!e.versRas)
            remarques.push_back("l'espace NRRD ne porte pas de nom : il est pris comme RAS");
    } else if (e.espacements) {
        for (std::size_t j = 0; j < spatiaux.size(); ++j) {
            const double s = (*e.espacements)[static_cast<std::size_t>(spatiaux[j])];
            g.espacement[j] = std::isnan(s) ? 1.0 : s;
            g.affine[j][j] = g.espacement[j];
        }
        g.origine = OrigineGeometrie::Espacement;
    }
    std::string pourquoi;
    if (!g.valide(pourquoi)) {
        erreur = "géométrie NRRD invalide : " + pourquoi;
        return false;
    }
    return true;
}

// Position of the data of a detached file after its line skip.
bool sauterLignes(std::FILE* f, long long debut, long long lignes, long long& position) {
    position = debut;
    if (std::fseek(f, static_cast<long>(debut), SEEK_SET) != 0)
        return false;
    for (long long l = 0; l < lignes;) {
        const int c = std::fgetc(f);
        if (c == EOF)
            return false;
        ++position;
        if (c == '\n')
            ++l;
    }
    return true;
}

// The segments of a Slicer segmentation ("SegmentN_LabelValue", "_Name", "_Color", "_Layer")
// as the label table; segments of layers other than the first, not read, are left out.
bool tableSegments(const EnteteNrrd& e, bool plusieursCouches, TableEtiquettes& table,
                   std::vector<std::string>& remarques, std::string& erreur) {
    struct Segment {
        std::optional<std::string> nom, couleur, valeur, couche;
    };
    std::map<long long, Segment> segments;
    for (const auto& [cle, valeur] : e.cles) {
        if (cle.compare(0, 7, "Segment") != 0)
            continue;
        const std::size_t souligne = cle.find('_');
        long long n;
        if (souligne == std::string::npos || !lireEntierTexte(cle.substr(7, souligne - 7), n) ||
            n < 0)
            continue;
        const std::string champ = cle.substr(souligne + 1);
        Segment& s = segments[n];
        if (champ == "Name")
            s.nom = valeur;
        else if (champ == "Color")
            s.couleur = valeur;
        else if (champ == "LabelValue")
            s.valeur = valeur;
        else if (champ == "Layer")
            s.couche = valeur;
    }
    int horsCouche = 0;
    for (const auto& [n, s] : segments) {
        if (!s.nom && !s.couleur && !s.valeur)
            continue;
        const std::string prefixe = "Segment" + std::to_string(n) + "_";
        long long couche = 0;
        if (s.couche && (!lireEntierTexte(sansEspaces(*s.couche), couche) || couche < 0)) {
            erreur = "champ NRRD " + prefixe + "Layer invalide : " + *s.couche;
            return false;
        }
        if (couche != 0 && !plusieursCouches) {
            erreur = "le segment " + std::to_string(n) + " est dans la couche " +
                     std::to_string(couche) + " d'un fichier qui n'en a qu'une";
            return false;
        }
        if (couche != 0) {
            ++horsCouche;
            continue;
        }
        // Without a label value, segment n has label n + 1.
        long long valeur = n < static_cast<long long>(kValeurEtiquetteMax) ? n + 1 : -1;
        if (!s.valeur && valeur < 0) {
            erreur = "segment NRRD " + std::to_string(n) + " sans valeur d'étiquette";
            return false;
        }
        if (s.valeur && (!lireEntierTexte(sansEspaces(*s.valeur), valeur) || valeur < 0 ||
                         valeur > static_cast<long long>(kValeurEtiquetteMax))) {
            erreur = "champ NRRD " + prefixe + "LabelValue invalide : " + *s.valeur;
            return false;
        }
        EntreeEtiquette entree;
        entree.nom = s.nom ? *s.nom : std::string();
        if (s.couleur) {
            const std::vector<std::string> m = mots(sansEspaces(*s.couleur));
            CouleurRVB c{};
            bool bonne = m.size() == 3;
            for (std::size_t k = 0; bonne && k < 3; ++k) {
                double x;
                bonne = lireReelTexte(m[k], x) && x >= 0.0 && x <= 1.0;
                if (bonne)
                    c[k] = static_cast<std::uint8_t>(std::lround(x * 255.0));
            }
            if (!bonne) {
                erreur = "champ NRRD " + prefixe + "Color invalide (trois nombres de 0 à 1 " +
                         "attendus) : " + *s.couleur;
                return false;
            }
            entree.couleur = c;
        }
        if (!table.entrees.emplace(static_cast<std::uint32_t>(valeur), std::move(entree)).second) {
            erreur = "deux segments NRRD portent l'étiquette " + std::to_string(valeur);
            return false;
        }
    }
    if (horsCouche > 0)
        remarques.push_back(std::to_string(horsCouche) +
                            " segments d'autres couches que la première ne sont pas lus");
    return true;
}

// Where the data of a NRRD file lie.
struct PlaceDonnees {
    std::string fichier;  // the file that holds them
    long long debut = 0;  // first byte after the header or the line skip
    long long taille = 0; // bytes of that file
    long long saut = 0;   // byte skip from debut, -1 settled
};

// The sizes of the volume read from a NRRD file and of the data to read.
struct TaillesNrrd {
    long long largeur = 1, hauteur = 1, profondeur = 1;
    long long composantes = 1;  // elements per voxel along the other axis
    bool autreDernier = true;   // no other axis, or the last one: the first volume starts the data
    long long octets = 0;       // bytes read
    long long totalAnnonce = 0; // bytes of all of the data
};

// Where the data are: after the header, or in the data file named (then opened into f), after
// the line skip; false with a message.
bool situerDonnees(const std::string& fichier, const EnteteNrrd& e, long long finEnTete,
                   long long tailleEnTete, Fichier& f, PlaceDonnees& place, std::string& erreur) {
    place.fichier = fichier;
    place.debut = finEnTete;
    place.taille = tailleEnTete;
    if (!e.fichierDonnees.empty()) {
        const std::filesystem::path p(e.fichierDonnees);
        place.fichier = p.is_absolute()
                            ? p.string()
                            : (std::filesystem::path(fichier).parent_path() / p).string();
        place.taille = tailleFichier(place.fichier);
        f = ouvrirLecture(place.fichier);
        if (place.taille < 0 || !f) {
            erreur = "fichier de données NRRD introuvable ou illisible : " + place.fichier;
            return false;
        }
        place.debut = 0;
    }
    if (!sauterLignes(f.get(), place.debut, e.sautLignes, place.debut)) {
        erreur = "données NRRD tronquées (lignes à sauter) : " + place.fichier;
        return false;
    }
    return true;
}

// The volume's sides from the spatial axes and the bytes to read, checked countable; false with
// a message.
bool mesurerDonnees(const std::string& fichier, const EnteteNrrd& e,
                    const std::vector<int>& spatiaux, int autre, TaillesNrrd& t,
                    std::string& erreur) {
    long long* cotes[3] = {&t.largeur, &t.hauteur, &t.profondeur};
    for (std::size_t j = 0; j < spatiaux.size(); ++j)
        *cotes[j] = e.tailles[static_cast<std::size_t>(spatiaux[j])];
    t.composantes = autre >= 0 ? e.tailles[static_cast<std::size_t>(autre)] : 1;
    // Every size was checked positive; their product, with the byte skip, must stay countable.
    long long total = static_cast<long long>(tailleVoxel(*e.type));
    for (long long n : e.tailles)
        if (__builtin_mul_overflow(total, n, &total) || total > (1LL << 60)) {
            erreur = "tailles NRRD trop grandes : " + fichier;
            return false;
        }
    if (e.sautOctets > (1LL << 60)) {
        erreur = "saut d'octets NRRD trop grand : " + fichier;
        return false;
    }
    long long octetsUnVolume = 0;
    if (!octetsVolume(t.largeur, t.hauteur, t.profondeur, *e.type, octetsUnVolume, erreur)) {
        erreur += " : " + fichier;
        return false;
    }
    // With the other axis last, the first volume is the start of the data; otherwise all of
    // it is read and the first element of each voxel kept.
    t.autreDernier = autre < 0 || autre == static_cast<int>(e.dimension) - 1;
    if (!t.autreDernier && t.composantes > kOctetsMax / octetsUnVolume) {
        erreur = "données NRRD trop grandes (" + std::to_string(t.composantes) +
                 " éléments par voxel) : " + fichier;
        return false;
    }
    t.octets = t.autreDernier ? octetsUnVolume : octetsUnVolume * t.composantes;
    t.totalAnnonce = octetsUnVolume * t.composantes;
    return true;
}

// Checks the data against their file before anything is allocated, and settles the byte skip;
// false with a message.
bool verifierPlace(const std::string& fichier, const EnteteNrrd& e, const TaillesNrrd& t,
                   PlaceDonnees& place, std::string& erreur) {
    const long long disponibles = place.taille - place.debut;
    long long saut = e.sautOctets;
    if (*e.codage == Codage::Brut) {
        // A byte skip of -1: the data are the last bytes of the file.
        if (saut < 0)
            saut = disponibles - t.totalAnnonce;
        if (saut < 0 || saut + t.totalAnnonce > disponibles) {
            erreur = "données NRRD tronquées : " + std::to_string(t.totalAnnonce) +
                     " octets annoncés, " + std::to_string(std::max(0LL, disponibles)) +
                     " présents : " + place.fichier;
            return false;
        }
    } else if (saut < 0) {
        erreur = "un saut d'octets de -1 ne vaut que pour des données brutes : " + fichier;
        return false;
    } else if (t.octets + saut > disponibles * kRapportDeflateMax + kMargeDeflate) {
        erreur = "fichier NRRD compressé trop court pour les " + std::to_string(t.octets) +
                 " octets annoncés : " + place.fichier;
        return false;
    }
    place.saut = saut;
    return true;
}

// Reads the data into the allocated volume; when the other axis is not the last, all of them
// are read and the first element of each voxel kept. False with a message.
bool lireVoxels(std::FILE* f, const std::string& fichier, const EnteteNrrd& e, int autre,
                const TaillesNrrd& t, const PlaceDonnees& place, VolumeBrut& volume,
                std::string& erreur) {
    const std::size_t taille = tailleVoxel(*e.type);
    std::vector<unsigned char> tampon;
    unsigned char* dest = volume.donnees.data();
    if (!t.autreDernier) {
        try {
            tampon.resize(static_cast<std::size_t>(t.octets));
        } catch (const std::bad_alloc&) {
            erreur = "mémoire insuffisante pour les données NRRD : " + fichier;
            return false;
        }
        dest = tampon.data();
    }
    bool lu;
    if (*e.codage == Codage::Brut) {
        lu = lireOctets(f, place.debut + place.saut, static_cast<std::size_t>(t.octets), dest);
        if (!lu)
            erreur = "données NRRD illisibles";
    } else {
        lu = lireOctetsCompresses(f, place.debut, place.saut, static_cast<std::size_t>(t.octets),
                                  dest, erreur);
    }
    if (!lu) {
        erreur += " : " + place.fichier;
        return false;
    }
    if (!t.autreDernier) {
        // Element 0 of the other axis of each voxel: strides of the axes before and after it.
        long long avant = 1;
        for (int a = 0; a < autre; ++a)
            avant *= e.tailles[static_cast<std::size_t>(a)];
        const auto bloc = static_cast<std::size_t>(avant) * taille;
        const std::size_t nbBlocs = volume.donnees.size() / bloc;
        for (std::size_t b = 0; b < nbBlocs; ++b)
            std::memcpy(volume.donnees.data() + b * bloc,
                        tampon.data() + b * bloc * static_cast<std::size_t>(t.composantes), bloc);
    }
    return true;
}

} // namespace

CompteRenduLecture lireNrrd(const std::string& fichier, VolumeBrut& volume) {
    volume = VolumeBrut();
    const long long tailleEnTete = tailleFichier(fichier);
    Fichier f = ouvrirLecture(fichier);
    if (tailleEnTete < 0 || !f)
        return echecLecture(volume, "fichier introuvable ou illisible : " + fichier);
    std::vector<std::string> lignes;
    long long finEnTete = 0;
    EnteteNrrd e;
    std::string erreur;
    if (!lireEnTete(f.get(), lignes, finEnTete, erreur) || !analyserEnTete(lignes, e, erreur))
        return echecLecture(volume, erreur + " : " + fichier);
    std::vector<int> spatiaux;
    int autre = -1;
    CompteRenduLecture cr;
    Geometrie geometrie;
    if (!choisirAxes(e, spatiaux, autre, erreur) ||
        !geometrieNrrd(e, spatiaux, geometrie, cr.remarques, erreur) ||
        !tableSegments(e, autre >= 0, volume.tableEtiquettes, cr.remarques, erreur))
        return echecLecture(volume, erreur + " : " + fichier);
    PlaceDonnees place;
    TaillesNrrd t;
    if (!situerDonnees(fichier, e, finEnTete, tailleEnTete, f, place, erreur) ||
        !mesurerDonnees(fichier, e, spatiaux, autre, t, erreur) ||
        !verifierPlace(fichier, e, t, place, erreur))
        return echecLecture(volume, erreur);
    if (!allouerVolume(volume, t.largeur, t.hauteur, t.profondeur, *e.type, erreur))
        return echecLecture(volume, erreur + " : " + fichier);
    volume.geometrie = geometrie;
    if (!lireVoxels(f.get(), fichier, e, autre, t, place, volume, erreur))
        return echecLecture(volume, erreur);
    if (t.composantes > 1)
        cr.remarques.push_back("le fichier compte " + std::to_string(t.composantes) +
                               " éléments par voxel : seul le premier est lu");
    if (e.grosBoutiste.value_or(false) != (std::endian::native == std::endian::big))
        permuterOctets(volume.donnees.data(), volume.nbVoxels(), tailleVoxel(*e.type));
    if (const std::size_t nonFinies = nbValeursNonFinies(volume))
        return echecLecture(volume, std::to_string(nonFinies) +
                                        " valeurs non finies (NaN ou infinies) dans " + fichier);
    cr.reussi = true;
    return cr;
}

} // namespace Stravol
