// Loading slice folders, preparing the slice textures and cutting pictures of the loaded volume.

#include <benchmark/benchmark.h>
#include <stb/stb_image_write.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "volume/CImageTroisD.h"

namespace {

// A folder of n slices of cote x cote pixels (a ball in noise), written once per format.
class DossierDeCoupes {
public:
    DossierDeCoupes(const std::string& extension, int cote, int n) {
        dossier_ =
            (std::filesystem::temp_directory_path() /
             ("stravol-bench-" + std::to_string(std::random_device{}()) + extension.substr(1)))
                .string();
        std::filesystem::create_directories(dossier_);
        std::mt19937 alea(1);
        std::vector<unsigned char> pixels(3 * static_cast<std::size_t>(cote) * cote);
        for (int z = 0; z < n; ++z) {
            for (int y = 0; y < cote; ++y)
                for (int x = 0; x < cote; ++x) {
                    const int dx = x - cote / 2, dy = y - cote / 2, dz = z - n / 2;
                    const bool boule = dx * dx + dy * dy + dz * dz < cote * cote / 9;
                    const unsigned char v =
                        static_cast<unsigned char>((boule ? 180 : 60) + alea() % 32);
                    unsigned char* p = pixels.data() + 3 * (static_cast<std::size_t>(y) * cote + x);
                    p[0] = p[1] = p[2] = v;
                }
            char nom[32];
            std::snprintf(nom, sizeof nom, "/slice_%04d", z);
            const std::string fichier = dossier_ + nom + extension;
            if (extension == ".png")
                stbi_write_png(fichier.c_str(), cote, cote, 3, pixels.data(), 3 * cote);
            else
                stbi_write_bmp(fichier.c_str(), cote, cote, 3, pixels.data());
        }
    }
    ~DossierDeCoupes() {
        std::error_code ec;
        std::filesystem::remove_all(dossier_, ec);
    }
    const std::string& dossier() const { return dossier_; }

private:
    std::string dossier_;
};

void chargement(benchmark::State& state, const std::string& extension) {
    static std::unique_ptr<DossierDeCoupes> donnees[2];
    auto& d = donnees[extension == ".png"];
    if (!d)
        d = std::make_unique<DossierDeCoupes>(extension, 256, 256);
    for (auto _ : state) {
        CImageTroisD vol(d->dossier(), d->dossier(), nullptr, nullptr);
        benchmark::DoNotOptimize(vol.image.get());
        if (vol.profondeur != 256)
            state.SkipWithError("volume incomplet");
    }
    state.SetItemsProcessed(state.iterations() * 256);
}

void BM_ChargementBMP(benchmark::State& state) { chargement(state, ".bmp"); }
void BM_ChargementPNG(benchmark::State& state) { chargement(state, ".png"); }
BENCHMARK(BM_ChargementBMP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChargementPNG)->Unit(benchmark::kMillisecond);

// One 512^3 volume shared by the texture and cut benchmarks.
CImageTroisD& grandVolume() {
    static std::unique_ptr<CImageTroisD> vol;
    if (!vol) {
        vol = std::make_unique<CImageTroisD>(512, 512, 512);
        for (std::size_t i = 0, n = std::size_t(512) * 512 * 512; i < n; ++i)
            vol->imageOriginal[i] = static_cast<unsigned char>(i * 2654435761u >> 24);
        vol->AllouerTexture();
    }
    return *vol;
}

void BM_PreparationTexture512(benchmark::State& state) {
    CImageTroisD& vol = grandVolume();
    for (auto _ : state) {
        vol.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
        benchmark::DoNotOptimize(vol.getTabX(511)[0]);
    }
    state.SetItemsProcessed(state.iterations() * (512 + 512 + 512));
}
BENCHMARK(BM_PreparationTexture512)->Unit(benchmark::kMillisecond);

void coupe(benchmark::State& state, const ImageRGB& (CImageTroisD::*requete)(int)) {
    CImageTroisD& vol = grandVolume();
    int ind = 0;
    for (auto _ : state) {
        const ImageRGB& im = (vol.*requete)(ind);
        benchmark::DoNotOptimize(im.pixels.data());
        ind = (ind + 37) % 512;
    }
}
void BM_ImageZ(benchmark::State& state) { coupe(state, &CImageTroisD::getImageZ); }
void BM_ImageX(benchmark::State& state) { coupe(state, &CImageTroisD::getImageX); }
void BM_ImageY(benchmark::State& state) { coupe(state, &CImageTroisD::getImageY); }
BENCHMARK(BM_ImageZ)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImageX)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImageY)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
