#include "extraction/SceneEtiquettes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "extraction/MaillageDual.h"
#include "volume/VolumeBrut.h"

namespace Stravol {

namespace {

constexpr std::size_t kNbValeurs = std::size_t{std::numeric_limits<std::uint16_t>::max()} + 1;

// Voxel count and integer sums of the coordinates of one label (exact whatever the order).
struct Somme {
    long long voxels = 0;
    long long x = 0, y = 0, z = 0;
};

} // namespace

std::vector<EtiquettePresente> inventaireEtiquettes(const CarteEtiquettes& carte,
                                                    const Geometrie& monde) {
    std::vector<Somme> sommes(kNbValeurs);
    const std::uint16_t* v = carte.valeurs();
    for (int z = 0; z < carte.D; ++z)
        for (int y = 0; y < carte.H; ++y)
            for (int x = 0; x < carte.W; ++x, ++v) {
                if (*v == 0)
                    continue;
                Somme& s = sommes[*v];
                ++s.voxels;
                s.x += x;
                s.y += y;
                s.z += z;
            }
    const double volumeVoxel = std::abs(monde.determinant());
    std::vector<EtiquettePresente> presentes;
    for (std::size_t e = 1; e < kNbValeurs; ++e) {
        const Somme& s = sommes[e];
        if (s.voxels == 0)
            continue;
        const double n = static_cast<double>(s.voxels);
        const auto stockee = static_cast<std::uint16_t>(e);
        presentes.push_back({carte.valeurVraie(stockee),
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
