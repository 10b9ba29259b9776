// One fresh process timing the headless library's extraction of a phantom folder's label on the
// arrays the opening keeps, as a caller that holds them (the Python module) calls it: the first
// call of the process, which first touches the memory it works in, and a second one in memory
// the first has left. The same calls as bench/appel_python.py without the interpreter, so that
// the two tell the cost of the module's layer from the cost of fresh memory.
//
// usage: appel_tableaux_bench FOLDER LABEL
// Prints {"seconds": {"first": s, "second": s}, "triangles": n, "peak_rss_mb": mb}.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/resource.h>

#include "extraction/Tableaux.h"

namespace {

int refuser(const std::string& raison) {
    std::fprintf(stderr, "appel_tableaux_bench: %s\n", raison.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return refuser("usage: appel_tableaux_bench FOLDER LABEL");
    Stravol::DemandeOuverture demande;
    demande.entree = argv[1];
    const double valeur = std::strtod(argv[2], nullptr);
    std::error_code erreur;
    Stravol::Resultat<Stravol::VolumeOuvert> ouvert =
        Stravol::ouvrirTableaux(demande, std::filesystem::current_path(erreur).string());
    if (!ouvert)
        return refuser(ouvert.raison());
    if (ouvert.valeur().segmentations.empty())
        return refuser(demande.entree + " has no segmentation");
    const Stravol::VueVolume& vue = ouvert.valeur().segmentations.front().vue;
    Stravol::OptionsExtraction options;
    options.nbLissages = Stravol::toursParDefaut(options.lissage);

    double secondes[2] = {0.0, 0.0};
    std::size_t triangles = 0;
    for (double& s : secondes) {
        const auto debut = std::chrono::steady_clock::now();
        Stravol::Resultat<Stravol::Voxel> germe = Stravol::trouverValeur(vue, valeur);
        if (!germe)
            return refuser(germe.raison());
        Stravol::Resultat<Stravol::ObjetExtraitPlat> objet =
            Stravol::extraireAuGermePlat(vue, germe.valeur(), 0.0, options);
        if (!objet)
            return refuser(objet.raison());
        s = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
        triangles = objet.valeur().maillage.nbTriangles();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("{\"seconds\": {\"first\": %.6f, \"second\": %.6f}, \"triangles\": %zu, "
                "\"peak_rss_mb\": %.1f}\n",
                secondes[0], secondes[1], triangles, static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
