// Opening a demo-sized parent folder as the window does: volume slices, the textures of the
// three middle cuts in the normal mode (the others are built when shown), then the
// segmentation.
#include "volume/CImageTroisD.h"
#include "volume/Phantom.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// The 256^3 phantom written once into a temporary folder for the whole run.
const std::string& dossierDemo() {
    static const std::string dossier = [] {
        const std::string d =
            (std::filesystem::temp_directory_path() / "stravol-bench-ouverture").string();
        if (!std::filesystem::exists(d + "/2-segmentation/slice_0255.bmp")) {
            OptionsFantome options;
            options.largeur = options.hauteur = options.profondeur = 256;
            Fantome f;
            std::string erreur;
            if (!creerFantome(options, f, erreur) || !ecrireFantome(f, d, erreur))
                std::abort();
        }
        return d;
    }();
    return dossier;
}

void BM_OuvrirDossierDemo(benchmark::State& state) {
    const std::string& d = dossierDemo();
    for (auto _ : state) {
        CImageTroisD volume(d, d + "/1-volume", nullptr, nullptr);
        volume.AllouerTexture();
        volume.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
        volume.ChargerSeg(d + "/2-segmentation", nullptr);
        benchmark::DoNotOptimize(volume.getTabX(128));
        benchmark::DoNotOptimize(volume.getTabY(128));
        benchmark::DoNotOptimize(volume.getTabZ(128));
    }
}
BENCHMARK(BM_OuvrirDossierDemo)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
