#include "volume/Phantom.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "volume/BTCImageData.h"
#include "volume/BTCImageObject.h"
#include "volume/NiveauxGris.h"

namespace {

struct Forme {
    unsigned char label;
    unsigned char gris;    // mean grey level in the volume picture
    unsigned char r, g, b; // mean colour in the colour picture
};

// Axis-aligned box [x0, x1) x [y0, y1) x [z0, z1) in voxel coordinates.
struct Boite {
    int x0, y0, z0, x1, y1, z1;
    bool contient(int x, int y, int z) const {
        return x >= x0 && x < x1 && y >= y0 && y < y1 && z >= z0 && z < z1;
    }
};

unsigned char borner(double v) { return static_cast<unsigned char>(std::clamp(v, 0.0, 255.0)); }

} // namespace

unsigned char niveauGrisFantome(unsigned char r, unsigned char g, unsigned char b) {
    return Stravol::niveauGris(r, g, b);
}

void couleurLabel(unsigned char label, unsigned char& r, unsigned char& g, unsigned char& b) {
    r = g = b = label;
    if (niveauGrisFantome(r, g, b) == label)
        return;
    // Nudge the channels by one level until the truncated sum lands on the label.
    for (int dg = 0; dg <= 1; ++dg)
        for (int dr = 0; dr <= 1; ++dr)
            for (int db = 0; db <= 2; ++db) {
                const int G = std::min(255, label + dg), R = std::min(255, label + dr),
                          B = std::min(255, label + db);
                if (niveauGrisFantome(static_cast<unsigned char>(R), static_cast<unsigned char>(G),
                                      static_cast<unsigned char>(B)) == label) {
                    r = static_cast<unsigned char>(R);
                    g = static_cast<unsigned char>(G);
                    b = static_cast<unsigned char>(B);
                    return;
                }
            }
}

bool creerFantome(const OptionsFantome& o, Fantome& f, std::string& erreur) {
    const int W = o.largeur, H = o.hauteur, D = o.profondeur;
    if (W < 8 || H < 8 || D < 8 || W > 2048 || H > 2048 || D > 2048) {
        erreur = "sizes must lie between 8 and 2048";
        return false;
    }
    if (o.rayonBoule < 0) {
        erreur = "the ball radius must be positive";
        return false;
    }
    const std::size_t n = std::size_t(W) * H * D;
    f = Fantome{};
    f.largeur = W;
    f.hauteur = H;
    f.profondeur = D;
    f.labels.assign(n, 0);
    f.gris.assign(n, 0);
    if (o.couleur) {
        f.rouge.assign(n, 0);
        f.vert.assign(n, 0);
        f.bleu.assign(n, 0);
    }

    const Forme boule{kLabelBoule, 200, 220, 60, 60};
    const Forme tore{kLabelTore, 170, 60, 200, 60};
    const Forme arete{kLabelBoitesArete, 150, 60, 80, 220};
    const Forme coin{kLabelBoitesCoin, 130, 220, 200, 50};
    const Forme tube{kLabelTube, 230, 220, 60, 220};

    // Shape sizes follow the smallest side; positions are fractions of each side.
    const double s = std::min({W, H, D});
    const double cz = 0.5 * (D - 1);
    const int a = std::max(2, static_cast<int>(0.15 * s)); // box side
    auto boitesAt = [&](double fx, double fy, bool parCoin) {
        const int x0 = static_cast<int>(fx * W), y0 = static_cast<int>(fy * H),
                  z0 = static_cast<int>(cz) - a / 2;
        const int dz = parCoin ? a : 0;
        return std::pair<Boite, Boite>{
            Boite{x0, y0, z0, x0 + a, y0 + a, z0 + a},
            Boite{x0 + a, y0 + a, z0 + dz, x0 + 2 * a, y0 + 2 * a, z0 + dz + a}};
    };
    const auto boitesArete = boitesAt(0.12, 0.55, false);
    const auto boitesCoin = boitesAt(0.55, 0.55, true);

    auto formeEn = [&](int x, int y, int z) -> const Forme* {
        const double X = x, Y = y, Z = z;
        if (o.rayonBoule > 0) {
            const double dx = X - 0.5 * (W - 1), dy = Y - 0.5 * (H - 1), dz = Z - cz;
            return dx * dx + dy * dy + dz * dz <= double(o.rayonBoule) * o.rayonBoule ? &boule
                                                                                      : nullptr;
        }
        {
            const double r = 0.18 * s, dx = X - 0.25 * W, dy = Y - 0.27 * H, dz = Z - cz;
            if (dx * dx + dy * dy + dz * dz <= r * r)
                return &boule;
        }
        {
            const double R = 0.18 * s, r = std::max(1.5, 0.07 * s);
            const double dx = X - 0.72 * W, dy = Y - 0.27 * H, dz = Z - cz;
            const double q = std::sqrt(dx * dx + dy * dy) - R;
            if (q * q + dz * dz <= r * r)
                return &tore;
        }
        if (boitesArete.first.contient(x, y, z) || boitesArete.second.contient(x, y, z))
            return &arete;
        if (boitesCoin.first.contient(x, y, z) || boitesCoin.second.contient(x, y, z))
            return &coin;
        {
            const double r = std::max(1.0, 0.02 * s), dy = Y - 0.92 * H, dz = Z - cz;
            if (X >= 0.1 * W && X < 0.9 * W && dy * dy + dz * dz <= r * r)
                return &tube;
        }
        return nullptr;
    };

    std::mt19937 alea(o.graine);
    std::normal_distribution<double> bruit(0.0, 8.0);
    std::size_t i = 0;
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x, ++i) {
                const Forme* forme = formeEn(x, y, z);
                const double e = bruit(alea);
                f.labels[i] = forme ? forme->label : 0;
                f.gris[i] = borner((forme ? forme->gris : 40) + e);
                if (o.couleur) {
                    f.rouge[i] = borner((forme ? forme->r : 40) + e);
                    f.vert[i] = borner((forme ? forme->g : 40) + e);
                    f.bleu[i] = borner((forme ? forme->b : 40) + e);
                }
            }
    return true;
}

namespace {

bool ecrireSerie(const Fantome& f, const std::string& dossier, bool segmentation,
                 std::string& erreur) {
    std::error_code ec;
    std::filesystem::create_directories(dossier, ec);
    if (ec) {
        erreur = "cannot create " + dossier + ": " + ec.message();
        return false;
    }
    const bool couleur = !segmentation && !f.rouge.empty();
    unsigned char labelR[256], labelG[256], labelB[256];
    for (int l = 0; l < 256; ++l)
        couleurLabel(static_cast<unsigned char>(l), labelR[l], labelG[l], labelB[l]);
    BTCImageData coupe;
    if (!coupe.Create(f.largeur, f.hauteur, 24)) {
        erreur = "out of memory";
        return false;
    }
    for (int z = 0; z < f.profondeur; ++z) {
        for (int y = 0; y < f.hauteur; ++y) {
            unsigned char* p = coupe.GetBits(0, y);
            std::size_t i = (std::size_t(z) * f.hauteur + y) * f.largeur;
            for (int x = 0; x < f.largeur; ++x, ++i, p += 3) {
                if (segmentation) {
                    const unsigned char l = f.labels[i];
                    p[0] = labelB[l];
                    p[1] = labelG[l];
                    p[2] = labelR[l];
                } else if (couleur) {
                    p[0] = f.bleu[i];
                    p[1] = f.vert[i];
                    p[2] = f.rouge[i];
                } else {
                    p[0] = p[1] = p[2] = f.gris[i];
                }
            }
        }
        char nom[32];
        std::snprintf(nom, sizeof nom, "/slice_%04d.bmp", z);
        const std::string chemin = dossier + nom;
        BTCImageObject fichier;
        if (!fichier.Attach(coupe) || !fichier.Save(chemin.c_str(), BTCImageObject::kFormatBMP)) {
            erreur = "cannot write " + chemin;
            return false;
        }
    }
    return true;
}

} // namespace

bool ecrireFantome(const Fantome& f, const std::string& dossier, std::string& erreur) {
    return ecrireSerie(f, dossier + "/1-volume", false, erreur) &&
           ecrireSerie(f, dossier + "/2-segmentation", true, erreur);
}
