#include "volume/LectureTableEtiquettes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <system_error>

namespace Stravol {

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kValeurMax = 0xffffffffu;
// Characters of a field quoted in a message.
constexpr std::size_t kExtraitMax = 40;

bool blanc(char c) { return c == ' ' || c == '\t'; }

std::string_view rogner(std::string_view s) {
    while (!s.empty() && blanc(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blanc(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string cite(std::string_view s) {
    std::string c(s.substr(0, kExtraitMax));
    if (s.size() > kExtraitMax)
        c += "...";
    return "« " + c + " »";
}

// Fields separated by runs of the given separators.
std::vector<std::string_view> decouper(std::string_view s, bool tabSeulement) {
    std::vector<std::string_view> champs;
    const auto separe = [&](char c) { return tabSeulement ? c == '\t' : blanc(c); };
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && separe(s[i]))
            ++i;
        const std::size_t debut = i;
        while (i < s.size() && !separe(s[i]))
            ++i;
        const std::string_view champ =
            tabSeulement ? rogner(s.substr(debut, i - debut)) : s.substr(debut, i - debut);
        if (!champ.empty())
            champs.push_back(champ);
    }
    return champs;
}

bool entierNonSigne(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool entier(std::string_view s) {
    return entierNonSigne(!s.empty() && s[0] == '-' ? s.substr(1) : s);
}

bool lireValeur(std::string_view s, std::uint32_t& valeur, std::string& pourquoi) {
    if (s.empty()) {
        pourquoi = "valeur d'étiquette manquante";
        return false;
    }
    if (s[0] == '-' && entierNonSigne(s.substr(1))) {
        pourquoi = "valeur d'étiquette négative " + cite(s);
        return false;
    }
    std::uint64_t v = 0;
    const auto [fin, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (!entierNonSigne(s) || (ec != std::errc() && ec != std::errc::result_out_of_range) ||
        fin != s.data() + s.size()) {
        pourquoi = "valeur d'étiquette entière attendue au lieu de " + cite(s);
        return false;
    }
    if (ec == std::errc::result_out_of_range || v > kValeurMax) {
        pourquoi = "valeur d'étiquette au-delà de 4294967295 " + cite(s);
        return false;
    }
    valeur = static_cast<std::uint32_t>(v);
    return true;
}

bool lireComposante(std::string_view s, const char* quoi, std::uint8_t& c, std::string& pourquoi) {
    unsigned v = 0;
    const auto [fin, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (!entier(s) || ec != std::errc() || fin != s.data() + s.size() || v > 255) {
        pourquoi = std::string("composante ") + quoi + " entière de 0 à 255 attendue au lieu de " +
                   cite(s);
        return false;
    }
    c = static_cast<std::uint8_t>(v);
    return true;
}

bool lireCouleur(std::string_view r, std::string_view g, std::string_view b, CouleurRVB& c,
                 std::string& pourquoi) {
    return lireComposante(r, "R", c[0], pourquoi) && lireComposante(g, "G", c[1], pourquoi) &&
           lireComposante(b, "B", c[2], pourquoi);
}

// A line of a table: its value and entry, or why it is refused.
struct Ligne {
    std::uint32_t valeur = 0;
    EntreeEtiquette entree;
};

bool lireSimple(std::string_view ligne, Ligne& l, std::string& pourquoi) {
    const bool tabs = ligne.find('\t') != std::string_view::npos;
    const auto separe = [&](char c) { return tabs ? c == '\t' : blanc(c); };
    std::size_t i = 0;
    while (i < ligne.size() && !separe(ligne[i]))
        ++i;
    if (!lireValeur(rogner(ligne.substr(0, i)), l.valeur, pourquoi))
        return false;
    while (i < ligne.size() && blanc(ligne[i]))
        ++i;
    if (i == ligne.size()) {
        pourquoi = "nom d'étiquette manquant après la valeur";
        return false;
    }
    if (ligne[i] == '"') {
        const std::size_t fin = ligne.find('"', i + 1);
        if (fin == std::string_view::npos) {
            pourquoi = "guillemet du nom non fermé";
            return false;
        }
        l.entree.nom = ligne.substr(i + 1, fin - i - 1);
        return true;
    }
    std::size_t fin = i;
    while (fin < ligne.size() && !separe(ligne[fin]))
        ++fin;
    l.entree.nom = rogner(ligne.substr(i, fin - i));
    return true;
}

bool lireFreeSurfer(std::string_view ligne, Ligne& l, std::string& pourquoi) {
    const std::vector<std::string_view> c = decouper(ligne, false);
    if (c.size() != 6) {
        pourquoi =
            "6 champs attendus (valeur nom R G B A), " + std::to_string(c.size()) + " trouvés";
        return false;
    }
    CouleurRVB couleur;
    std::uint8_t alpha;
    if (!lireValeur(c[0], l.valeur, pourquoi) ||
        !lireCouleur(c[2], c[3], c[4], couleur, pourquoi) ||
        !lireComposante(c[5], "A", alpha, pourquoi))
        return false;
    l.entree.nom = c[1];
    l.entree.couleur = couleur;
    return true;
}

bool lireItkSnap(std::string_view ligne, Ligne& l, std::string& pourquoi) {
    const std::size_t ouvrant = ligne.find('"');
    const std::size_t fermant = ligne.rfind('"');
    if (ouvrant == std::string_view::npos || fermant == ouvrant) {
        pourquoi = "libellé entre guillemets attendu en fin de ligne (IDX R G B A VIS MSH "
                   "\"LABEL\")";
        return false;
    }
    const std::vector<std::string_view> c = decouper(ligne.substr(0, ouvrant), false);
    if (c.size() != 7) {
        pourquoi = "7 champs attendus avant le libellé (IDX R G B A VIS MSH), " +
                   std::to_string(c.size()) + " trouvés";
        return false;
    }
    if (!rogner(ligne.substr(fermant + 1)).empty()) {
        pourquoi = "texte après le libellé " + cite(rogner(ligne.substr(fermant + 1)));
        return false;
    }
    CouleurRVB couleur;
    if (!lireValeur(c[0], l.valeur, pourquoi) || !lireCouleur(c[1], c[2], c[3], couleur, pourquoi))
        return false;
    double alpha = -1.0;
    const auto [fin, ec] = std::from_chars(c[4].data(), c[4].data() + c[4].size(), alpha);
    if (ec != std::errc() || fin != c[4].data() + c[4].size() || !(alpha >= 0.0 && alpha <= 1.0)) {
        pourquoi = "opacité de 0 à 1 attendue au lieu de " + cite(c[4]);
        return false;
    }
    for (int k : {5, 6})
        if (c[k] != "0" && c[k] != "1") {
            pourquoi = std::string(k == 5 ? "visibilité" : "affichage du maillage") +
                       " 0 ou 1 attendu au lieu de " + cite(c[k]);
            return false;
        }
    l.entree.nom = ligne.substr(ouvrant + 1, fermant - ouvrant - 1);
    l.entree.couleur = couleur;
    return true;
}

// Fields of a CSV line; false when a quoted field is not closed or is followed by text.
bool champsCsv(std::string_view ligne, std::vector<std::string>& champs, std::string& pourquoi) {
    champs.clear();
    std::size_t i = 0;
    while (true) {
        while (i < ligne.size() && blanc(ligne[i]))
            ++i;
        std::string champ;
        if (i < ligne.size() && ligne[i] == '"') {
            ++i;
            bool ferme = false;
            while (i < ligne.size()) {
                if (ligne[i] == '"') {
                    if (i + 1 < ligne.size() && ligne[i + 1] == '"') {
                        champ.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    ferme = true;
                    break;
                }
                champ.push_back(ligne[i++]);
            }
            if (!ferme) {
                pourquoi = "guillemet non fermé dans le champ " + std::to_string(champs.size() + 1);
                return false;
            }
            while (i < ligne.size() && blanc(ligne[i]))
                ++i;
            if (i < ligne.size() && ligne[i] != ',') {
                pourquoi = "texte après le guillemet fermant du champ " +
                           std::to_string(champs.size() + 1);
                return false;
            }
        } else {
            const std::size_t fin = std::min(ligne.find(',', i), ligne.size());
            champ = rogner(ligne.substr(i, fin - i));
            i = fin;
        }
        champs.push_back(std::move(champ));
        if (i >= ligne.size())
            return true;
        ++i; // the comma
    }
}

// Columns of a CSV table, from its header line.
struct ColonnesCsv {
    std::size_t nombre = 0;
    int valeur = -1, nom = -1, r = -1, g = -1, b = -1, a = -1;

    bool lire(const std::vector<std::string>& entete, std::string& pourquoi) {
        nombre = entete.size();
        for (std::size_t k = 0; k < entete.size(); ++k) {
            std::string n = entete[k];
            for (char& c : n)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            int* colonne = n == "labelvalue" ? &valeur
                           : n == "name"     ? &nom
                           : n == "color_r"  ? &r
                           : n == "color_g"  ? &g
                           : n == "color_b"  ? &b
                           : n == "color_a"  ? &a
                                             : nullptr;
            if (colonne == nullptr)
                continue;
            if (*colonne >= 0) {
                pourquoi = "colonne " + cite(entete[k]) + " nommée deux fois dans l'en-tête";
                return false;
            }
            *colonne = static_cast<int>(k);
        }
        if (valeur < 0 || nom < 0) {
            pourquoi = "l'en-tête CSV doit nommer les colonnes LabelValue et Name";
            return false;
        }
        if ((r < 0) != (g < 0) || (r < 0) != (b < 0)) {
            pourquoi = "l'en-tête CSV doit nommer Color_R, Color_G et Color_B ensemble";
            return false;
        }
        return true;
    }

    bool lireLigne(const std::vector<std::string>& c, Ligne& l, std::string& pourquoi) const {
        if (c.size() != nombre) {
            pourquoi = std::to_string(nombre) + " champs attendus comme dans l'en-tête, " +
                       std::to_string(c.size()) + " trouvés";
            return false;
        }
        const auto champ = [&](int k) { return std::string_view(c[static_cast<std::size_t>(k)]); };
        if (!lireValeur(champ(valeur), l.valeur, pourquoi))
            return false;
        l.entree.nom = champ(nom);
        if (r >= 0 && !(champ(r).empty() && champ(g).empty() && champ(b).empty())) {
            CouleurRVB couleur;
            if (!lireCouleur(champ(r), champ(g), champ(b), couleur, pourquoi))
                return false;
            l.entree.couleur = couleur;
        }
        std::uint8_t alpha;
        return a < 0 || champ(a).empty() || lireComposante(champ(a), "A", alpha, pourquoi);
    }
};

// The format of a table, from its first significant line.
FormatTable formatDeLigne(std::string_view ligne) {
    const std::vector<std::string_view> mots = decouper(ligne, false);
    // A comma on a line that does not start with a value: a CSV header (or a CSV table
    // without one, which its header check then refuses).
    if (ligne.find(',') != std::string_view::npos && !entierNonSigne(mots[0]))
        return FormatTable::Csv;
    if (ligne.find('"') != std::string_view::npos && entierNonSigne(mots[0]) &&
        decouper(ligne.substr(0, ligne.find('"')), false).size() == 7)
        return FormatTable::ItkSnap;
    if (mots.size() >= 6 && entier(mots[2]) && entier(mots[3]) && entier(mots[4]) &&
        entier(mots[5]))
        return FormatTable::FreeSurfer;
    return FormatTable::Simple;
}

std::string latin1VersUtf8(std::string_view s) {
    std::string u;
    u.reserve(s.size() + s.size() / 8);
    for (char c : s) {
        const auto o = static_cast<unsigned char>(c);
        if (o < 0x80) {
            u.push_back(c);
        } else {
            u.push_back(static_cast<char>(0xc0 | (o >> 6)));
            u.push_back(static_cast<char>(0x80 | (o & 0x3f)));
        }
    }
    return u;
}

bool lireTexte(std::string_view texte, const std::string& nom, TableEtiquettes& table,
               std::string& erreur, FormatTable* format) {
    const auto refuser = [&](std::size_t numero, const std::string& pourquoi) {
        erreur = nom + ", ligne " + std::to_string(numero) + " : " + pourquoi;
        return false;
    };
    if (texte.substr(0, 3) == "\xef\xbb\xbf")
        texte.remove_prefix(3);
    if (const std::size_t nul = texte.find('\0'); nul != std::string_view::npos) {
        std::size_t numero = 1;
        for (std::size_t i = 0; i < nul; ++i)
            numero += texte[i] == '\n';
        return refuser(numero, "octet nul : fichier binaire, pas une table d'étiquettes");
    }
    std::string converti;
    if (!utf8Valide(std::string(texte))) {
        converti = latin1VersUtf8(texte);
        texte = converti;
    }

    TableEtiquettes lue;
    std::map<std::uint32_t, std::size_t> lignes; // value -> line that gave it
    std::optional<FormatTable> trouve;
    ColonnesCsv colonnes;
    std::vector<std::string> champs;
    std::size_t numero = 0;
    for (std::size_t debut = 0; debut < texte.size();) {
        const std::size_t fin = std::min(texte.find('\n', debut), texte.size());
        std::string_view ligne = texte.substr(debut, fin - debut);
        debut = fin + 1;
        ++numero;
        if (!ligne.empty() && ligne.back() == '\r')
            ligne.remove_suffix(1);
        ligne = rogner(ligne);
        if (ligne.empty() || ligne[0] == '#')
            continue;
        std::string pourquoi;
        if (!trouve) {
            trouve = formatDeLigne(ligne);
            if (*trouve == FormatTable::Csv) {
                if (!champsCsv(ligne, champs, pourquoi) || !colonnes.lire(champs, pourquoi))
                    return refuser(numero, pourquoi);
                continue;
            }
        }
        Ligne l;
        bool ok = false;
        switch (*trouve) {
        case FormatTable::Csv:
            ok = champsCsv(ligne, champs, pourquoi) && colonnes.lireLigne(champs, l, pourquoi);
            break;
        case FormatTable::ItkSnap:
            ok = lireItkSnap(ligne, l, pourquoi);
            break;
        case FormatTable::FreeSurfer:
            ok = lireFreeSurfer(ligne, l, pourquoi);
            break;
        case FormatTable::Simple:
            ok = lireSimple(ligne, l, pourquoi);
            break;
        }
        if (!ok)
            return refuser(numero, pourquoi + " (format " + nomFormatTable(*trouve) + ")");
        const auto [it, nouvelle] = lignes.emplace(l.valeur, numero);
        if (!nouvelle)
            return refuser(numero, "valeur " + std::to_string(l.valeur) + " déjà donnée ligne " +
                                       std::to_string(it->second));
        lue.entrees.emplace(l.valeur, std::move(l.entree));
    }
    if (lue.vide()) {
        erreur = nom + " : aucune étiquette dans la table";
        return false;
    }
    table = std::move(lue);
    if (format != nullptr)
        *format = *trouve;
    return true;
}

} // namespace

const char* nomFormatTable(FormatTable format) {
    switch (format) {
    case FormatTable::ItkSnap:
        return "ITK-SNAP";
    case FormatTable::FreeSurfer:
        return "FreeSurfer";
    case FormatTable::Csv:
        return "CSV";
    case FormatTable::Simple:
        break;
    }
    return "valeur nom";
}

bool lireTableEtiquettesTexte(std::string_view texte, const std::string& nom,
                              TableEtiquettes& table, std::string& erreur, FormatTable* format) {
    try {
        return lireTexte(texte, nom, table, erreur, format);
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante pour la table d'étiquettes " + nom;
        return false;
    }
}

bool lireTableEtiquettes(const std::string& chemin, TableEtiquettes& table, std::string& erreur,
                         FormatTable* format) {
    std::error_code ec;
    if (!fs::is_regular_file(chemin, ec)) {
        erreur = "table d'étiquettes introuvable : " + chemin;
        return false;
    }
    const std::uintmax_t taille = fs::file_size(chemin, ec);
    if (ec || taille > kTailleTableMax) {
        erreur = "fichier trop grand pour une table d'étiquettes : " + chemin;
        return false;
    }
    std::string texte;
    std::FILE* f = std::fopen(chemin.c_str(), "rb");
    bool lu = f != nullptr;
    if (lu) {
        try {
            texte.resize(static_cast<std::size_t>(taille));
        } catch (const std::bad_alloc&) {
            std::fclose(f);
            erreur = "mémoire insuffisante pour la table d'étiquettes " + chemin;
            return false;
        }
        lu = std::fread(texte.data(), 1, texte.size(), f) == texte.size();
        std::fclose(f);
    }
    if (!lu) {
        erreur = "fichier introuvable ou illisible : " + chemin;
        return false;
    }
    return lireTableEtiquettesTexte(texte, chemin, table, erreur, format);
}

std::vector<std::string> cheminsTableVoisine(const std::string& fichierEtiquettes) {
    const fs::path fichier(fichierEtiquettes);
    const std::string nom = fichier.filename().string();
    std::vector<std::string> racines;
    const bool gz = nom.size() > 3 && nom.compare(nom.size() - 3, 3, ".gz") == 0;
    racines.push_back(gz ? nom.substr(0, nom.size() - 3) : nom);
    const std::size_t point = nom.find('.', 1);
    if (point != std::string::npos && nom.substr(0, point) != racines[0])
        racines.push_back(nom.substr(0, point));
    std::vector<std::string> chemins;
    for (const std::string& racine : racines)
        for (const char* extension : {".txt", ".csv", ".ctbl", ".lut", ".label"}) {
            const std::string chemin = (fichier.parent_path() / (racine + extension)).string();
            if (chemin != fichierEtiquettes)
                chemins.push_back(chemin);
        }
    return chemins;
}

std::string trouverTableVoisine(const std::string& fichierEtiquettes) {
    for (const std::string& chemin : cheminsTableVoisine(fichierEtiquettes)) {
        std::error_code ec;
        if (fs::is_regular_file(chemin, ec))
            return chemin;
    }
    return {};
}

} // namespace Stravol
