// Direction analysis of cubes of a 256^3 phantom, and the connected-component labelling.

#include "region/ComposanteConnexe.h"
#include "volume/CImageTroisD.h"
#include "volume/Phantom.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr unsigned char kSeuil = 100;

const Fantome& fantome256() {
    static const Fantome f = [] {
        OptionsFantome o;
        o.largeur = o.hauteur = o.profondeur = 256;
        Fantome r;
        std::string erreur;
        creerFantome(o, r, erreur);
        return r;
    }();
    return f;
}

// The phantom's grey picture as a loaded volume, binarised at kSeuil, results written
// to a temporary folder.
std::unique_ptr<CImageTroisD> volumeFantome() {
    const Fantome& f = fantome256();
    auto v = std::make_unique<CImageTroisD>(f.largeur, f.hauteur, f.profondeur);
    const size_t n = f.gris.size();
    std::memcpy(v->image.get(), f.gris.data(), n);
    v->imageNiBlack = std::make_unique<unsigned char[]>(n);
    for (size_t i = 0; i < n; ++i)
        v->imageNiBlack[i] = f.gris[i] > kSeuil ? 255 : 0;
    const auto dossier = std::filesystem::temp_directory_path() / "stravol-analyse-bench";
    std::filesystem::create_directories(dossier);
    v->chemin = dossier.string();
    return v;
}

// Driver on a cube of sizeCube / 256 of each side starting at voxel 64 of each axis.
void BM_AnalyseCube(benchmark::State& state) {
    auto v = volumeFantome();
    const int sizeCube = static_cast<int>(state.range(0));
    for (auto _ : state) {
        v->AnalyseCube(sizeCube, -0.5f, 0.5f, -0.5f);
        benchmark::DoNotOptimize(v->indColor.data());
    }
    state.SetLabel(std::to_string(sizeCube) + "^3 block of 256^3");
    std::filesystem::remove(v->chemin + "/RoseValue.res");
}
BENCHMARK(BM_AnalyseCube)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);

void BM_EtiquetageBloc128(benchmark::State& state) {
    const Fantome& f = fantome256();
    std::vector<unsigned char> bloc(128 * 128 * 128);
    for (int z = 0; z < 128; ++z)
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const size_t i = (static_cast<size_t>(z + 64) * 256 + (y + 64)) * 256 + (x + 64);
                bloc[(static_cast<size_t>(z) * 128 + y) * 128 + x] = f.gris[i] > kSeuil ? 255 : 0;
            }
    for (auto _ : state) {
        ComposanteConnexe cc(bloc.data(), 128, 128, 128);
        cc.ComputeCC1(0);
        cc.computeCompacite();
        benchmark::DoNotOptimize(cc.getNbCC());
    }
}
BENCHMARK(BM_EtiquetageBloc128)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
