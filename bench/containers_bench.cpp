#include "core/CListe.h"
#include "core/CListeChainee.h"
#include "core/CListeSimple.h"
#include "core/CTab3D.h"
#include "core/CVecteur.h"
#include "core/Tuples.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

struct Sommet;
struct Triangle;

// Containers held by one mesh vertex and one mesh triangle, sized as the mesh sizes them.
struct Sommet {
    CListeSimple<Sommet*> voisins;
    CListeSimple<Triangle*> triangles;
    CVecteur<float> parametres{7};
    Sommet() {
        voisins.initialiserMax(24);
        triangles.initialiserMax(24);
    }
};

struct Triangle {
    CListe<Sommet*, 100> sommets;
    CEnsemble<Sommet*, 100> sommetsSquelette;
};

// A mesh-sized population: 190,000 vertices with six neighbours and six triangles each,
// 380,000 triangles with three corners each, then everything destroyed.
void BM_ContainersOfAMesh(benchmark::State& state) {
    constexpr int nbSommets = 190000;
    constexpr int nbTriangles = 380000;
    for (auto _ : state) {
        std::vector<std::unique_ptr<Sommet>> sommets(nbSommets);
        std::vector<std::unique_ptr<Triangle>> triangles(nbTriangles);
        for (auto& s : sommets)
            s = std::make_unique<Sommet>();
        for (int i = 0; i < nbTriangles; ++i) {
            triangles[static_cast<std::size_t>(i)] = std::make_unique<Triangle>();
            Triangle& t = *triangles[static_cast<std::size_t>(i)];
            for (int k = 0; k < 3; ++k)
                t.sommets.ajouter(sommets[static_cast<std::size_t>((i / 2 + k) % nbSommets)].get());
        }
        for (int i = 0; i < nbSommets; ++i) {
            Sommet& s = *sommets[static_cast<std::size_t>(i)];
            for (int k = 1; k <= 6; ++k) {
                s.voisins.ajouter(sommets[static_cast<std::size_t>((i + k) % nbSommets)].get());
                s.triangles.inserer(
                    triangles[static_cast<std::size_t>((2 * i + k) % nbTriangles)].get(), 0);
            }
        }
        benchmark::DoNotOptimize(sommets.data());
    }
    state.SetItemsProcessed(state.iterations() * (nbSommets + nbTriangles));
}
BENCHMARK(BM_ContainersOfAMesh)->Unit(benchmark::kMillisecond);

// Voxel coordinates of a region added to a set in scan order, as the border list is built.
void BM_VoxelSetInScanOrder(benchmark::State& state) {
    const int cote = static_cast<int>(state.range(0));
    for (auto _ : state) {
        CEnsemble<CTriplet<int>, 1 << 28> s;
        for (int x = 0; x < cote; ++x)
            for (int y = 0; y < cote; ++y)
                for (int z = 0; z < cote; ++z)
                    s.ajouter(CTriplet<int>(x, y, z));
        benchmark::DoNotOptimize(s.longueur());
    }
    state.SetItemsProcessed(state.iterations() * cote * cote * cote);
}
BENCHMARK(BM_VoxelSetInScanOrder)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);

// Voxel coordinates added in random order: every insertion shifts part of the slot array.
void BM_VoxelSetInRandomOrder(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::mt19937 hasard(1);
    std::uniform_int_distribution<int> coord(0, 255);
    std::vector<CTriplet<int>> valeurs;
    for (int i = 0; i < n; ++i)
        valeurs.emplace_back(coord(hasard), coord(hasard), coord(hasard));
    for (auto _ : state) {
        CEnsemble<CTriplet<int>, 1000000> s;
        for (const CTriplet<int>& v : valeurs)
            s.ajouter(v);
        benchmark::DoNotOptimize(s.longueur());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_VoxelSetInRandomOrder)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Lookups in the triangle set of a mesh.
void BM_SortedLookup(benchmark::State& state) {
    std::vector<int> objets(20480);
    CEnsemble<int*, 20480> s;
    for (int& o : objets)
        s.ajouter(&o);
    std::mt19937 hasard(2);
    std::uniform_int_distribution<int> choix(0, 20479);
    for (auto _ : state)
        benchmark::DoNotOptimize(s.indice(&objets[static_cast<std::size_t>(choix(hasard))]));
}
BENCHMARK(BM_SortedLookup);

// A voxel grid the size of a 256^3 volume, allocated and filled.
void BM_Grid256(benchmark::State& state) {
    for (auto _ : state) {
        CTab3DSimple<void*> grille(256, 256, 256);
        grille.remplir(nullptr);
        benchmark::DoNotOptimize(grille.tab);
    }
}
BENCHMARK(BM_Grid256)->Unit(benchmark::kMillisecond);

// The active list of the mesh evolution: append all vertices, then walk and remove every other.
void BM_ActiveList(benchmark::State& state) {
    std::vector<int> objets(190000);
    for (auto _ : state) {
        CListeChainee<int*> l;
        for (int& o : objets)
            l.ajouter(&o);
        l.elementDebut();
        while (l.elementCourant() != nullptr) {
            l.supprimerCourant();
            l.elementSuivant();
        }
        benchmark::DoNotOptimize(l.longueur());
    }
}
BENCHMARK(BM_ActiveList)->Unit(benchmark::kMillisecond);

} // namespace
BENCHMARK_MAIN();
