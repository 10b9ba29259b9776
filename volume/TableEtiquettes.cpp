#include "volume/TableEtiquettes.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace Stravol {

namespace {

constexpr CouleurRVB kPaletteDeBase[] = {
    {230, 25, 35},  {40, 180, 60},  {30, 90, 220}, {255, 215, 0},   {0, 200, 210},   {220, 40, 200},
    {255, 140, 20}, {130, 60, 180}, {0, 230, 140}, {250, 150, 190}, {100, 180, 250}, {128, 128, 0}};
constexpr std::uint32_t kTaillePalette = sizeof kPaletteDeBase / sizeof kPaletteDeBase[0];

constexpr double kNombreOr = 0.6180339887498949;
constexpr double kNiveaux[3][2] = {{0.75, 0.95}, {0.55, 0.85}, {0.9, 0.7}};
// Hue steps tried when a label's default colour is taken, before a walk over every colour.
constexpr int kVariantesTeinte = 48;
constexpr std::uint32_t kNbCouleurs = 1u << 24;
// Odd, hence coprime with 2^24: the walk visits every colour once.
constexpr std::uint32_t kPasParcours = 0x9e3779;

std::uint8_t composante(double x) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(x, 0.0, 1.0) * 255.0));
}

// Hue in turns, saturation and brightness in 0..1.
CouleurRVB depuisTSV(double teinte, double saturation, double valeur) {
    teinte = (teinte - std::floor(teinte)) * 6.0;
    const int secteur = static_cast<int>(teinte) % 6;
    const double f = teinte - std::floor(teinte);
    const double p = valeur * (1 - saturation), q = valeur * (1 - saturation * f),
                 t = valeur * (1 - saturation * (1 - f));
    const double rvb[6][3] = {{valeur, t, p}, {q, valeur, p}, {p, valeur, t},
                              {p, q, valeur}, {t, p, valeur}, {valeur, p, q}};
    return {composante(rvb[secteur][0]), composante(rvb[secteur][1]), composante(rvb[secteur][2])};
}

double teinteOr(std::uint32_t valeur) {
    const double x = static_cast<double>(valeur) * kNombreOr;
    return x - std::floor(x);
}

CouleurRVB teinteDecalee(std::uint32_t valeur, int pas) {
    const double* niveau = kNiveaux[valeur % 3];
    return depuisTSV(teinteOr(valeur) + pas / (kVariantesTeinte + 1.0), niveau[0], niveau[1]);
}

std::uint32_t empaqueter(const CouleurRVB& c) {
    return (static_cast<std::uint32_t>(c[0]) << 16) | (static_cast<std::uint32_t>(c[1]) << 8) |
           c[2];
}

CouleurRVB depaqueter(std::uint32_t c) {
    return {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
            static_cast<std::uint8_t>(c)};
}

// The k-th colour tried for a label: its default colour, hue steps, then every colour.
CouleurRVB candidat(std::uint32_t valeur, std::uint32_t k) {
    if (k == 0)
        return couleurParDefaut(valeur);
    if (k <= kVariantesTeinte)
        return teinteDecalee(valeur, static_cast<int>(k));
    const std::uint32_t depart = empaqueter(couleurParDefaut(valeur));
    return depaqueter((depart + (k - kVariantesTeinte) * kPasParcours) % kNbCouleurs);
}

bool garde(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

constexpr std::size_t kNomFichierMax = 200;

} // namespace

CouleurRVB couleurParDefaut(std::uint32_t valeur) {
    if (valeur == 0)
        return {0, 0, 0};
    if (valeur <= kTaillePalette)
        return kPaletteDeBase[valeur - 1];
    return teinteDecalee(valeur, 0);
}

std::vector<CouleurRVB> couleursEtiquettes(const std::vector<std::uint32_t>& valeurs,
                                           const TableEtiquettes& table) {
    std::vector<CouleurRVB> couleurs(valeurs.size());
    std::unordered_set<std::uint32_t> prises;
    std::vector<std::size_t> sansCouleur;
    for (std::size_t i = 0; i < valeurs.size(); ++i) {
        const EntreeEtiquette* e = table.trouver(valeurs[i]);
        if (e != nullptr && e->couleur) {
            couleurs[i] = *e->couleur;
            prises.insert(empaqueter(couleurs[i]));
        } else {
            sansCouleur.push_back(i);
        }
    }
    // Smaller values choose first, whatever the order of valeurs.
    std::sort(sansCouleur.begin(), sansCouleur.end(),
              [&](std::size_t a, std::size_t b) { return valeurs[a] < valeurs[b]; });
    for (std::size_t i : sansCouleur) {
        const std::uint32_t v = valeurs[i];
        CouleurRVB c = couleurParDefaut(v);
        const std::size_t prisesNonNoires = prises.size() - prises.count(0);
        if (v != 0 && prisesNonNoires < kNbCouleurs - 1)
            for (std::uint32_t k = 0;; ++k) {
                c = candidat(v, k);
                const std::uint32_t p = empaqueter(c);
                if (p != 0 && prises.count(p) == 0)
                    break;
            }
        couleurs[i] = c;
        prises.insert(empaqueter(c));
    }
    return couleurs;
}

std::string nomFichierEtiquette(std::uint32_t valeur, const std::string& nom,
                                const std::string& extension) {
    std::string fichier = "label-" + std::to_string(valeur);
    if (!nom.empty()) {
        std::string propre;
        for (std::size_t i = 0; i < nom.size() && propre.size() < kNomFichierMax;) {
            const auto c = static_cast<unsigned char>(nom[i++]);
            if (garde(c)) {
                propre.push_back(static_cast<char>(c));
                continue;
            }
            propre.push_back('_');
            // The continuation bytes of a UTF-8 character go with its first byte.
            if (c >= 0xc0)
                while (i < nom.size() && (static_cast<unsigned char>(nom[i]) & 0xc0) == 0x80)
                    ++i;
        }
        fichier += "-" + propre;
    }
    return fichier + "." + extension;
}

std::string nomScene(std::uint32_t valeur, const std::string& nom) {
    return nom.empty() ? "label-" + std::to_string(valeur) : nom;
}

bool utf8Valide(const std::string& texte) {
    const auto* s = reinterpret_cast<const unsigned char*>(texte.data());
    const std::size_t n = texte.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int suite;
        std::uint32_t point;
        if (c >= 0xc2 && c <= 0xdf)
            suite = 1, point = c & 0x1f;
        else if (c >= 0xe0 && c <= 0xef)
            suite = 2, point = c & 0x0f;
        else if (c >= 0xf0 && c <= 0xf4)
            suite = 3, point = c & 0x07;
        else
            return false;
        if (i + static_cast<std::size_t>(suite) >= n)
            return false;
        for (int k = 1; k <= suite; ++k) {
            if ((s[i + k] & 0xc0) != 0x80)
                return false;
            point = (point << 6) | (s[i + k] & 0x3f);
        }
        const std::uint32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (point < minimum[suite] || point > 0x10ffff || (point >= 0xd800 && point <= 0xdfff))
            return false;
        i += static_cast<std::size_t>(suite) + 1;
    }
    return true;
}

} // namespace Stravol
