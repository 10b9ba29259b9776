#include "core/Configuration.h"

#include "core/Fichier.h"
#include "core/Message.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Identifier of the thread count in "config.txt", and its largest value.
constexpr short kIdentifiantNbThreads = 50;
constexpr long kNbThreadsMax = 1024;

// Room for 254 characters and the terminating zero.
constexpr int tailleLigne = 255;

// Far beyond any real configuration: a larger file is refused unread.
constexpr std::uint64_t kTailleConfigMax = 256 * 1024;

EntreeConfig entier32(short id, int& champ, long mini = -2147483647L - 1, long maxi = 2147483647L) {
    return {id, ConversionConfig::Entier32, &champ, mini, maxi};
}

EntreeConfig entier16(short id, int& champ) {
    return {id, ConversionConfig::Entier16, &champ, -32768, 32767};
}

// Reads one line of at most 254 characters into ligne. A line of exactly 254 characters keeps
// its newline with it, so that it is not followed by an empty line.
bool lireLigneFichier(FILE* r, char (&ligne)[tailleLigne]) {
    if (std::fgets(ligne, tailleLigne, r) == nullptr) {
        return false;
    }
    if (std::strchr(ligne, '\n') == nullptr && std::strlen(ligne) == tailleLigne - 1) {
        const int c = std::fgetc(r);
        if (c != '\n' && c != EOF) {
            std::ungetc(c, r);
        }
    }
    return true;
}

bool estBlanc(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The text without its surrounding blanks, as [debut, fin).
void rogner(const std::string& texte, const char*& debut, const char*& fin) {
    debut = texte.data();
    fin = debut + texte.size();
    while (debut < fin && estBlanc(*debut)) {
        ++debut;
    }
    while (fin > debut && estBlanc(fin[-1])) {
        --fin;
    }
}

void stocker(const EntreeConfig& e, const std::string& valeur) {
    switch (e.conversion) {
    case ConversionConfig::Entier32:
    case ConversionConfig::Entier16: {
        long v = 0;
        int* const* champ = std::get_if<int*>(&e.champ);
        if (champ && *champ && convertirEntier(valeur, e.mini, e.maxi, v)) {
            **champ = int(v);
        } else {
            Message("config.txt : valeur entière refusée \"" + Chaine(valeur.c_str()) + "\"");
        }
        break;
    }
    case ConversionConfig::Reel: {
        double v = 0.0;
        double* const* champ = std::get_if<double*>(&e.champ);
        if (champ && *champ && convertirReel(valeur, v)) {
            **champ = v;
        } else {
            Message("config.txt : valeur réelle refusée \"" + Chaine(valeur.c_str()) + "\"");
        }
        break;
    }
    case ConversionConfig::Texte:
        if (Chaine* const* champ = std::get_if<Chaine*>(&e.champ); champ && *champ) {
            **champ = valeur.c_str();
        }
        break;
    }
}

} // namespace

bool convertirEntier(const std::string& texte, long mini, long maxi, long& v) {
    const char* debut;
    const char* fin;
    rogner(texte, debut, fin);
    // from_chars takes a minus sign but no plus sign.
    if (debut < fin && *debut == '+') {
        ++debut;
        if (debut < fin && *debut == '-') {
            return false;
        }
    }
    long lu = 0;
    const auto [p, erreur] = std::from_chars(debut, fin, lu);
    if (erreur != std::errc() || p != fin || debut == fin || lu < mini || lu > maxi) {
        return false;
    }
    v = lu;
    return true;
}

bool convertirReel(const std::string& texte, double& v) {
    const char* debut;
    const char* fin;
    rogner(texte, debut, fin);
    if (debut < fin && *debut == '+') {
        ++debut;
        if (debut < fin && *debut == '-') {
            return false;
        }
    }
    double lu = 0.0;
    const auto [p, erreur] = std::from_chars(debut, fin, lu, std::chars_format::general);
    if (erreur != std::errc() || p != fin || debut == fin || !std::isfinite(lu)) {
        return false;
    }
    v = lu;
    return true;
}

TableConfig tableConfigVolume(ParametresConfigVolume& p) {
    return {
        entier32(1, p.ParamDistanceHara),
        entier32(2, p.ParamQuantificationHara),
        entier32(3, p.ParamDimHara),
        entier32(4, p.ParamDimCC),
        entier32(5, p.ParamDimRose),
        entier32(6, p.ParamBinarisationGlobale),
        {7, ConversionConfig::Reel, &p.ParamK},
        entier32(8, p.ParamDimNiblack),
        {9, ConversionConfig::Texte, &p.ParamTypeWavelet},
        entier32(10, p.ParamNbDecompositionWavelet),
        entier32(11, p.ParamDimWaveletNiv1),
        entier32(12, p.ParamTypeBinarisation),
        entier32(13, p.nbResolutionCC),
        entier32(40, p.rgb, 0, 1),
        entier32(111, p.ParamDimWaveletNiv2),
        entier32(1111, p.ParamDimWaveletNiv3),
        entier32(kIdentifiantNbThreads, p.ParamNbThreads, 0, kNbThreadsMax),
    };
}

TableConfig tableConfigVue(ParametresConfigVue& p) {
    return {
        entier16(1, p.ParamDistanceHara),
        entier16(2, p.ParamQuantificationHara),
    };
}

std::string LireLigne(const char* ligne, char delimiteur) {
    const char* debut = ligne ? std::strchr(ligne, delimiteur) : nullptr;
    if (debut == nullptr || delimiteur == '\0') {
        return "-1";
    }
    ++debut;
    const char* fin = std::strchr(debut, delimiteur);
    if (fin == nullptr) {
        fin = debut + std::strlen(debut);
        if (fin > debut && fin[-1] == '\n') {
            --fin;
        }
        if (fin > debut && fin[-1] == '\r') {
            --fin;
        }
    }
    return std::string(debut, fin);
}

void RemplirParametre(FILE* r, short identifiant, const TableConfig& table) {
    char ligne[tailleLigne];
    if (r == nullptr || !lireLigneFichier(r, ligne)) {
        return;
    }
    const std::string valeur = LireLigne(ligne, '=');
    for (const EntreeConfig& e : table) {
        if (e.identifiant == identifiant) {
            stocker(e, valeur);
        }
    }
}

bool LireConfig(const std::string& chemin, const TableConfig& table) {
    const std::string nom = chemin + "/config.txt";
    RefusFichier refus = RefusFichier::Aucun;
    FILE* r = ouvrirFichierLecture(nom.c_str(), kTailleConfigMax, nullptr, &refus);
    if (r == nullptr) {
        Message(texteRefusFichier(refus, nom).c_str());
        return false;
    }
    char ligne[tailleLigne];
    while (lireLigneFichier(r, ligne)) {
        long identifiant = -1;
        const std::string texte = LireLigne(ligne, '#');
        if (!convertirEntier(texte, -32768, 32767, identifiant)) {
            Message("config.txt : identifiant refusé \"" + Chaine(texte.c_str()) + "\"");
            continue;
        }
        if (identifiant != -1) {
            RemplirParametre(r, short(identifiant), table);
        }
    }
    const bool lu = std::ferror(r) == 0;
    std::fclose(r);
    if (!lu) {
        Message("config.txt illisible : " + Chaine(nom.c_str()));
    }
    return lu;
}
