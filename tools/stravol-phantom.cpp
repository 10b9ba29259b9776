// stravol-phantom: writes a parent folder of synthetic slices ready to open.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "volume/Phantom.h"

namespace {

constexpr const char* kUsage =
    "usage: stravol-phantom OUT_DIR [--size W H D] [--seed N] [--colour] [--ball R]";

int echec(const std::string& texte) {
    std::fprintf(stderr, "stravol-phantom: %s\n", texte.c_str());
    return 2;
}

bool lireEntier(const char* texte, long min, long max, long& valeur) {
    char* fin = nullptr;
    valeur = std::strtol(texte, &fin, 10);
    return fin != texte && *fin == '\0' && valeur >= min && valeur <= max;
}

} // namespace

int main(int argc, char** argv) {
    OptionsFantome options;
    std::string dossier;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long v[3];
        if (arg == "--size") {
            if (i + 3 >= argc || !lireEntier(argv[i + 1], 8, 2048, v[0]) ||
                !lireEntier(argv[i + 2], 8, 2048, v[1]) || !lireEntier(argv[i + 3], 8, 2048, v[2]))
                return echec("--size needs three sizes between 8 and 2048; " + std::string(kUsage));
            options.largeur = static_cast<int>(v[0]);
            options.hauteur = static_cast<int>(v[1]);
            options.profondeur = static_cast<int>(v[2]);
            i += 3;
        } else if (arg == "--seed") {
            if (i + 1 >= argc || !lireEntier(argv[i + 1], 0, 4294967295L, v[0]))
                return echec("--seed needs a non-negative number; " + std::string(kUsage));
            options.graine = static_cast<unsigned>(v[0]);
            ++i;
        } else if (arg == "--ball") {
            if (i + 1 >= argc || !lireEntier(argv[i + 1], 1, 4096, v[0]))
                return echec("--ball needs a radius of at least 1; " + std::string(kUsage));
            options.rayonBoule = static_cast<int>(v[0]);
            ++i;
        } else if (arg == "--colour") {
            options.couleur = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return echec("unknown option " + arg + "; " + kUsage);
        } else if (dossier.empty()) {
            dossier = arg;
        } else {
            return echec("only one output folder may be given; " + std::string(kUsage));
        }
    }
    if (dossier.empty())
        return echec(std::string("no output folder given; ") + kUsage);

    Fantome fantome;
    std::string erreur;
    if (!creerFantome(options, fantome, erreur) || !ecrireFantome(fantome, dossier, erreur))
        return echec(erreur);
    std::printf(
        "wrote %d slices of %d x %d (%s) to %s/1-volume and label slices to %s/2-segmentation\n",
        fantome.profondeur, fantome.largeur, fantome.hauteur, options.couleur ? "colour" : "grey",
        dossier.c_str(), dossier.c_str());
    if (options.rayonBoule > 0)
        std::printf("labels: %d (ball of radius %d)\n", kLabelBoule, options.rayonBoule);
    else
        std::printf("labels: %d ball, %d torus, %d boxes touching at an edge, %d boxes touching at "
                    "a corner, %d tube\n",
                    kLabelBoule, kLabelTore, kLabelBoitesArete, kLabelBoitesCoin, kLabelTube);
    return 0;
}
