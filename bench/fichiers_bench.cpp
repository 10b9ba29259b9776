// Volume files: a 168 x 206 x 128 int16 label atlas of about 700 labels, a 512^3 16-bit grey
// volume as NIfTI and as multi-page TIFF, and a dense 256^3 map of 1000 cells, all written by our
// own writers.
//
//   fichiers_bench --write DIR   writes DIR/atlas.nii.gz, DIR/grey512.nii, DIR/grey512.tif and
//                                DIR/dense1000.nii.gz
//                                (the files scripts/bench measures in fresh processes) and stops
//   fichiers_bench [benchmark options]   reads them in this process (written first into a
//                                temporary folder when missing)
#include "volume/CImageTroisD.h"
#include "volume/EcritureVolume.h"
#include "volume/LecteursVolume.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace Stravol;

namespace {

// Atlas: the sizes and spacing of a common brain atlas grid; its labels are the cells of
// jittered seeds (one seed a block of kBloc voxels) inside an ellipsoidal brain, each cell a
// random value up to kValeurMax.
constexpr int kLA = 168, kHA = 206, kPA = 128;
constexpr int kBloc = 16;
constexpr int kValeurMax = 2000;
// Half axes of the brain ellipsoid, as fractions of the grid sides.
constexpr double kDemiAxe = 0.48;
// Grey volume: a ball of kGrisBoule in a background of kGrisFond plus noise up to kBruit.
constexpr int kCoteGris = 512;
constexpr int kRayonBoule = 100;
constexpr int kGrisFond = 1000;
constexpr int kBruit = 200;
constexpr int kGrisBoule = 3000;
constexpr unsigned kGraine = 12345;

void ecrireOuSortir(bool ok, const std::string& fichier, const std::string& erreur) {
    if (ok)
        return;
    std::fprintf(stderr, "fichiers_bench: cannot write %s: %s\n", fichier.c_str(), erreur.c_str());
    std::exit(1);
}

VolumeBrut atlas() {
    std::mt19937 alea(kGraine);
    const int bx = (kLA + kBloc - 1) / kBloc, by = (kHA + kBloc - 1) / kBloc,
              bz = (kPA + kBloc - 1) / kBloc;
    std::vector<int> valeurs(kValeurMax);
    std::iota(valeurs.begin(), valeurs.end(), 1);
    std::shuffle(valeurs.begin(), valeurs.end(), alea);
    struct Graine {
        double x, y, z;
        int valeur;
    };
    std::vector<Graine> graines;
    std::uniform_real_distribution<double> jitter(0.0, kBloc);
    for (int k = 0; k < bz; ++k)
        for (int j = 0; j < by; ++j)
            for (int i = 0; i < bx; ++i)
                graines.push_back({i * kBloc + jitter(alea), j * kBloc + jitter(alea),
                                   k * kBloc + jitter(alea),
                                   valeurs[graines.size() % valeurs.size()]});

    VolumeBrut v;
    v.largeur = kLA;
    v.hauteur = kHA;
    v.profondeur = kPA;
    v.type = TypeVoxel::Entier16;
    v.donnees.assign(v.nbVoxels() * sizeof(std::int16_t), 0);
    v.geometrie.espacement = {1, 1, 1};
    // An x axis running right to left, as in many atlases.
    v.geometrie.affine = {{{-1, 0, 0, 84}, {0, 1, 0, -126}, {0, 0, 1, -72}}};
    v.geometrie.origine = OrigineGeometrie::SForm;
    auto* etiquettes = reinterpret_cast<std::int16_t*>(v.donnees.data());
    for (int z = 0; z < kPA; ++z)
        for (int y = 0; y < kHA; ++y)
            for (int x = 0; x < kLA; ++x) {
                const double ex = (x - kLA / 2.0) / (kDemiAxe * kLA);
                const double ey = (y - kHA / 2.0) / (kDemiAxe * kHA);
                const double ez = (z - kPA / 2.0) / (kDemiAxe * kPA);
                if (ex * ex + ey * ey + ez * ez > 1)
                    continue;
                // The nearest seed lies in this block or a neighbouring one.
                const int i0 = x / kBloc, j0 = y / kBloc, k0 = z / kBloc;
                double meilleure = 1e30;
                int valeur = 0;
                for (int k = std::max(0, k0 - 1); k <= std::min(bz - 1, k0 + 1); ++k)
                    for (int j = std::max(0, j0 - 1); j <= std::min(by - 1, j0 + 1); ++j)
                        for (int i = std::max(0, i0 - 1); i <= std::min(bx - 1, i0 + 1); ++i) {
                            const Graine& g =
                                graines[(static_cast<std::size_t>(k) * by + j) * bx + i];
                            const double d = (g.x - x) * (g.x - x) + (g.y - y) * (g.y - y) +
                                             (g.z - z) * (g.z - z);
                            if (d < meilleure) {
                                meilleure = d;
                                valeur = g.valeur;
                            }
                        }
                etiquettes[(static_cast<std::size_t>(z) * kHA + y) * kLA + x] =
                    static_cast<std::int16_t>(valeur);
            }
    return v;
}

// Dense map: kCellules^3 boxes filling a kCoteDense^3 grid, every voxel labelled (1 up to
// kCellules^3), as the cells of a segmentation.
constexpr int kCoteDense = 256;
constexpr int kCellules = 10;

// A cube of cote^3 voxels of 16-bit unsigned values, to be filled.
VolumeBrut cube16(int cote) {
    VolumeBrut v;
    v.largeur = v.hauteur = v.profondeur = cote;
    v.type = TypeVoxel::EntierNonSigne16;
    v.donnees.resize(v.nbVoxels() * sizeof(std::uint16_t));
    return v;
}

VolumeBrut carteDense() {
    VolumeBrut v = cube16(kCoteDense);
    auto* e = reinterpret_cast<std::uint16_t*>(v.donnees.data());
    const auto cellule = [](int c) { return c * kCellules / kCoteDense; };
    for (int z = 0; z < kCoteDense; ++z)
        for (int y = 0; y < kCoteDense; ++y)
            for (int x = 0; x < kCoteDense; ++x)
                *e++ = static_cast<std::uint16_t>(
                    1 + cellule(x) + kCellules * (cellule(y) + kCellules * cellule(z)));
    return v;
}

VolumeBrut gris512() {
    VolumeBrut v = cube16(kCoteGris);
    auto* gris = reinterpret_cast<std::uint16_t*>(v.donnees.data());
    std::minstd_rand alea(kGraine);
    const double c = kCoteGris / 2.0;
    for (int z = 0; z < kCoteGris; ++z)
        for (int y = 0; y < kCoteGris; ++y)
            for (int x = 0; x < kCoteGris; ++x) {
                const double d2 = (x - c) * (x - c) + (y - c) * (y - c) + (z - c) * (z - c);
                *gris++ = static_cast<std::uint16_t>(d2 <= double(kRayonBoule) * kRayonBoule
                                                         ? kGrisBoule
                                                         : kGrisFond + alea() % kBruit);
            }
    return v;
}

void ecrireFichiers(const std::string& dossier) {
    std::filesystem::create_directories(dossier);
    std::string erreur;
    const VolumeBrut a = atlas();
    std::set<int> presentes;
    const auto* e = reinterpret_cast<const std::int16_t*>(a.donnees.data());
    for (std::size_t i = 0; i < a.nbVoxels(); ++i)
        if (e[i] != 0)
            presentes.insert(e[i]);
    std::printf("atlas: %d x %d x %d int16, %zu labels up to %d\n", kLA, kHA, kPA, presentes.size(),
                *presentes.rbegin());
    ecrireOuSortir(ecrireNifti(dossier + "/atlas.nii.gz", a, 1, erreur), "atlas.nii.gz", erreur);
    const VolumeBrut g = gris512();
    ecrireOuSortir(ecrireNifti(dossier + "/grey512.nii", g, 1, erreur), "grey512.nii", erreur);
    ecrireOuSortir(ecrireTiff(dossier + "/grey512.tif", g, false, erreur), "grey512.tif", erreur);
    ecrireOuSortir(ecrireNifti(dossier + "/dense1000.nii.gz", carteDense(), 1, erreur),
                   "dense1000.nii.gz", erreur);
}

const std::string& dossierFichiers() {
    static const std::string dossier = [] {
        const std::string d =
            (std::filesystem::temp_directory_path() / "stravol-bench-fichiers").string();
        if (!std::filesystem::exists(d + "/dense1000.nii.gz"))
            ecrireFichiers(d);
        return d;
    }();
    return dossier;
}

// The whole opening as the tools and the window do it: reading, window, 8-bit volume.
void ouvrir(benchmark::State& state, const std::string& nom) {
    const std::string fichier = dossierFichiers() + "/" + nom;
    for (auto _ : state) {
        const auto v = CImageTroisD::ouvrirFichier(".", fichier, OptionsVolume(), nullptr, nullptr);
        if (v->largeur == 0)
            state.SkipWithError("the file could not be read");
        benchmark::DoNotOptimize(v->image.get());
    }
}

void BM_OuvrirAtlasEtSesEtiquettes(benchmark::State& state) {
    const std::string fichier = dossierFichiers() + "/atlas.nii.gz";
    for (auto _ : state) {
        const auto v = CImageTroisD::ouvrirFichier(".", fichier, OptionsVolume(), nullptr, nullptr);
        if (!v->ChargerSegFichier(fichier, nullptr))
            state.SkipWithError("the labels could not be read");
        benchmark::DoNotOptimize(v->etiquettes.data());
    }
}
BENCHMARK(BM_OuvrirAtlasEtSesEtiquettes)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OuvrirNifti512(benchmark::State& state) { ouvrir(state, "grey512.nii"); }
BENCHMARK(BM_OuvrirNifti512)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OuvrirTiff512(benchmark::State& state) { ouvrir(state, "grey512.tif"); }
BENCHMARK(BM_OuvrirTiff512)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
        ecrireFichiers(argv[2]);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
