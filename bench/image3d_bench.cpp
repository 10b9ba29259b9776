#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "volume/BTCImageObject.h"
#include "volume/CImage3D.h"
#include "volume/Phantom.h"

namespace {

// Decoding one 512 x 512 slice file, as the volume loader does per slice.
void BM_DecodeSlice(benchmark::State& state) {
    const bool jpeg = state.range(0) == 1;
    BTCImageData coupe;
    coupe.Create(512, 512, 24);
    for (long y = 0; y < 512; ++y)
        for (long x = 0; x < 512 * 3; ++x)
            coupe.GetBits(0, y)[x] = static_cast<unsigned char>(x ^ y);
    const std::string chemin = (std::filesystem::temp_directory_path() /
                                (jpeg ? "stravol-bench.jpg" : "stravol-bench.bmp"))
                                   .string();
    BTCImageObject ecriture;
    ecriture.Attach(coupe);
    if (!ecriture.Save(chemin.c_str(), jpeg ? 6 : 0)) {
        state.SkipWithError("cannot write the slice file");
        return;
    }
    for (auto _ : state) {
        BTCImageObject fichier;
        benchmark::DoNotOptimize(fichier.Load(chemin.c_str(), nullptr, nullptr, 2));
    }
    std::remove(chemin.c_str());
    state.SetItemsProcessed(state.iterations() * 512 * 512);
}
BENCHMARK(BM_DecodeSlice)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

CImage3D volumeBruite(int n) {
    CImage3D im;
    im.Create(n, n, n);
    std::mt19937 alea(1);
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                im.Pixel(x, y, z) = static_cast<unsigned char>(alea());
    return im;
}

void BM_PixelInterpolate(benchmark::State& state) {
    const CImage3D im = volumeBruite(128);
    std::mt19937 alea(2);
    std::uniform_real_distribution<float> u(0.0f, 127.0f);
    std::vector<CTriplet<float>> points(4096);
    for (auto& p : points)
        p = CTriplet<float>(u(alea), u(alea), u(alea));
    for (auto _ : state)
        for (const auto& p : points)
            benchmark::DoNotOptimize(im.PixelInterpolate(p));
    state.SetItemsProcessed(state.iterations() * static_cast<long>(points.size()));
}
BENCHMARK(BM_PixelInterpolate);

// Segments of up to 24 voxels, the length the mesh energies walk.
void BM_GradientLineBresenham(benchmark::State& state) {
    const CImage3D im = volumeBruite(128);
    std::mt19937 alea(3);
    std::uniform_int_distribution<int> c(24, 103), d(-24, 24);
    std::vector<std::pair<CTriplet<int>, CTriplet<int>>> segments(1024);
    for (auto& [a, b] : segments) {
        a = CTriplet<int>(c(alea), c(alea), c(alea));
        b = CTriplet<int>(a.x + d(alea), a.y + d(alea), a.z + d(alea));
    }
    int n = 0;
    for (auto _ : state)
        for (const auto& [a, b] : segments)
            benchmark::DoNotOptimize(im.GetGradientLineBresenham(a, b, 25, n));
    state.SetItemsProcessed(state.iterations() * static_cast<long>(segments.size()));
}
BENCHMARK(BM_GradientLineBresenham);

void BM_CreerFantome(benchmark::State& state) {
    OptionsFantome options;
    options.largeur = options.hauteur = options.profondeur = static_cast<int>(state.range(0));
    Fantome f;
    std::string erreur;
    for (auto _ : state)
        benchmark::DoNotOptimize(creerFantome(options, f, erreur));
}
BENCHMARK(BM_CreerFantome)->Arg(128)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
