// stravol-phantom: writes a parent folder of synthetic slices ready to open.

#include <array>
#include <cstdio>
#include <string>

#include "tools/common/Outil.h"
#include "volume/Phantom.h"

namespace outils = Stravol::Outils;

namespace {

const char* const kOutil = "stravol-phantom";

// Accepted phantom sizes per side and ball radii, in voxels.
constexpr int kCoteMin = 8, kCoteMax = 2048;
constexpr int kRayonMin = 1, kRayonMax = 4096;

} // namespace

int main(int argc, char** argv) {
    outils::finirSurManqueDeMemoire(kOutil);
    OptionsFantome options;
    std::string dossier;
    std::array<int, 3> taille = {options.largeur, options.hauteur, options.profondeur};
    bool progression = false;
    CLI::App app("Writes a parent folder of synthetic slices (a volume and its labels) ready to "
                 "open.",
                 kOutil);
    app.add_option("OUT_DIR", dossier, "folder to write")->required();
    app.add_option("--size", taille, "width, height and depth in voxels")
        ->type_name("W H D")
        ->check(CLI::Range(kCoteMin, kCoteMax))
        ->capture_default_str();
    app.add_option("--seed", options.graine, "noise seed")->capture_default_str();
    app.add_flag("--colour", options.couleur, "colour slices in the volume folder");
    app.add_option("--ball", options.rayonBoule, "a single centred ball of radius R instead")
        ->type_name("R")
        ->check(CLI::Range(kRayonMin, kRayonMax));
    app.add_flag("--progress", progression, "stage names and fractions on stderr");
    outils::lireArguments(app, argc, argv);
    options.largeur = taille[0];
    options.hauteur = taille[1];
    options.profondeur = taille[2];

    outils::Progression suivi(kOutil, progression);
    Fantome fantome;
    std::string erreur;
    suivi.etape("build");
    if (!creerFantome(options, fantome, erreur))
        outils::refuser(kOutil, erreur);
    suivi.terminer();
    suivi.etape("write");
    if (!ecrireFantome(fantome, dossier, erreur))
        outils::refuser(kOutil, erreur);
    suivi.terminer();
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
