#include "extraction/SceneEtiquettes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <omp.h>

#include "core/MotsOctets.h"
#include "core/Parallele.h"
#include "extraction/MaillageDual.h"
#include "volume/VolumeBrut.h"

namespace Stravol {

namespace {

// Voxel count and integer sums of the coordinates of one label (exact whatever the order).
struct Somme {
    long long voxels = 0;
    long long x = 0, y = 0, z = 0;
};

// Every non-zero label of a W x H x D map of T (voxel (x, y, z) at (z * H + y) * W + x), by
// increasing file value (valeurVraie of the stored one). The slices go to the threads, each
// with sums of its own, added together after: integers, the same whatever the share.
template <class T, class ValeurVraie>
std::vector<EtiquettePresente> inventaire(const T* valeurs, int W, int H, int D,
                                          ValeurVraie valeurVraie, const Geometrie& monde) {
    constexpr std::size_t kNb = std::size_t{std::numeric_limits<T>::max()} + 1;
    const std::size_t nbVoxels = static_cast<std::size_t>(W) * H * D;
    const int threads = nbVoxels >= std::size_t{kSeuilParallele} ? nbThreads() : 1;
    std::vector<std::vector<Somme>> parThread(static_cast<std::size_t>(threads));
#pragma omp parallel num_threads(threads)
    {
        std::vector<Somme>& sommes = parThread[static_cast<std::size_t>(omp_get_thread_num())];
        sommes.resize(kNb);
        // Runs of background are passed over a word at a time, and runs of one label counted a
        // word at a time.
        constexpr int kParMot = static_cast<int>(sizeof(std::uint64_t) / sizeof(T));
        // Sum of the offsets 0 .. kParMot - 1 of the voxels of a word.
        constexpr long long kDecalages = kParMot * (kParMot - 1) / 2;
#pragma omp for schedule(static)
        for (int z = 0; z < D; ++z)
            for (int y = 0; y < H; ++y) {
                const T* v = valeurs + (static_cast<std::size_t>(z) * H + y) * W;
                for (int x = 0; x < W;) {
                    if (x + kParMot <= W && motUniforme(v + x)) {
                        if (v[x] != 0) {
                            Somme& s = sommes[v[x]];
                            s.voxels += kParMot;
                            s.x += static_cast<long long>(kParMot) * x + kDecalages;
                            s.y += static_cast<long long>(kParMot) * y;
                            s.z += static_cast<long long>(kParMot) * z;
                        }
                        x += kParMot;
                        continue;
                    }
                    if (v[x] != 0) {
                        Somme& s = sommes[v[x]];
                        ++s.voxels;
                        s.x += x;
                        s.y += y;
                        s.z += z;
                    }
                    ++x;
                }
            }
    }
    const double volumeVoxel = std::abs(monde.determinant());
    std::vector<EtiquettePresente> presentes;
    for (std::size_t e = 1; e < kNb; ++e) {
        Somme s;
        for (const std::vector<Somme>& sommes : parThread) {
            s.voxels += sommes[e].voxels;
            s.x += sommes[e].x;
            s.y += sommes[e].y;
            s.z += sommes[e].z;
        }
        if (s.voxels == 0)
            continue;
        const double n = static_cast<double>(s.voxels);
        const auto stockee = static_cast<std::uint16_t>(e);
        presentes.push_back({valeurVraie(stockee),
                             stockee,
                             s.voxels,
                             {static_cast<double>(s.x) / n, static_cast<double>(s.y) / n,
                              static_cast<double>(s.z) / n},
                             n * volumeVoxel});
    }
    std::sort(
        presentes.begin(), presentes.end(),
        [](const EtiquettePresente& a, const EtiquettePresente& b) { return a.valeur < b.valeur; });
    return presentes;
}

} // namespace

std::vector<EtiquettePresente> inventaireEtiquettes(const CarteEtiquettes& carte,
                                                    const Geometrie& monde) {
    return inventaire(
        carte.valeurs(), carte.W, carte.H, carte.D,
        [&carte](std::uint16_t stockee) { return carte.valeurVraie(stockee); }, monde);
}

std::vector<EtiquettePresente> inventaireEtiquettes(const CImageTroisD& volume) {
    const int W = volume.largeur, H = volume.hauteur, D = volume.profondeur;
    const std::size_t n = static_cast<std::size_t>(W) * H * D;
    if (!volume.etiquettes.empty() && volume.etiquettes.size() == n)
        return inventaire(
            volume.etiquettes.data(), W, H, D,
            [&volume](std::uint16_t stockee) { return volume.valeurEtiquette(stockee); },
            volume.geometrie);
    if (volume.imageSegmente != nullptr)
        return inventaire(
            volume.imageSegmente.get(), W, H, D,
            [](std::uint16_t stockee) { return std::uint32_t{stockee}; }, volume.geometrie);
    return {};
}

bool aUneSegmentation(const CImageTroisD& volume) {
    return !volume.etiquettes.empty() || volume.imageSegmente != nullptr;
}

bool maillerToutesEtiquettes(
    const CarteEtiquettes& carte, const OptionsExtraction& options, const Geometrie& monde,
    const std::atomic<bool>& arret, const std::function<void(std::size_t nbEtiquettes)>& debut,
    const std::function<void(std::uint32_t valeur, MaillagePlat& maillage)>& traiter,
    std::string& erreur) {
    if (arret)
        return true;
    Resultat<CarteDuale> faite = maillerCarteDuale(carte, options, monde);
    if (!faite) {
        erreur = faite.raison();
        return false;
    }
    const CarteDuale& duale = faite.valeur();
    debut(duale.index.valeurs.size());
    maillerEtiquettesDuales(duale, [&](std::size_t k, MaillagePlat& m) {
        if (!arret)
            traiter(carte.valeurVraie(duale.index.valeurs[k]), m);
    });
    return true;
}

} // namespace Stravol
