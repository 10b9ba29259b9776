#include "extraction/ToutesEtiquettes.h"

#include <algorithm>
#include <new>
#include <numeric>

#include "core/Parallele.h"
#include "extraction/Pipeline.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CRegion3D.h"
#include "volume/CImage3D.h"

namespace Stravol {

namespace {

// Empty voxels around the box: the topology repair may add voxels next to the region, and the
// mesh of a region needs a layer of empty voxels around it.
constexpr int kMarge = 2;

} // namespace

std::vector<BoiteEtiquette> boitesEtiquettes(const std::uint16_t* etiquettes, int W, int H, int D) {
    constexpr std::size_t kNbValeurs = 65536;
    std::vector<BoiteEtiquette> boites(kNbValeurs);
    std::size_t i = 0;
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x, ++i) {
                const std::uint16_t v = etiquettes[i];
                if (v == 0)
                    continue;
                BoiteEtiquette& b = boites[v];
                if (b.voxels++ == 0) {
                    b.valeur = v;
                    b.x0 = b.x1 = x;
                    b.y0 = b.y1 = y;
                    b.z0 = b.z1 = z;
                    continue;
                }
                b.x0 = std::min(b.x0, x);
                b.x1 = std::max(b.x1, x);
                b.y0 = std::min(b.y0, y);
                b.y1 = std::max(b.y1, y);
                b.z1 = z; // slices come in order
            }
    std::vector<BoiteEtiquette> presentes;
    for (const BoiteEtiquette& b : boites)
        if (b.voxels > 0)
            presentes.push_back(b);
    return presentes;
}

namespace {

// The region of the label's voxels in a grid of its box and the margin; false, with erreur,
// when the box is not in the volume or memory runs out.
bool regionEtiquette(const RemplirRangee& remplir, int W, int H, int D, const BoiteEtiquette& b,
                     CRegion3D& region, std::string& erreur) {
    const int ox = b.x0 - kMarge, oy = b.y0 - kMarge, oz = b.z0 - kMarge;
    const int l = b.x1 - b.x0 + 1 + 2 * kMarge, h = b.y1 - b.y0 + 1 + 2 * kMarge,
              p = b.z1 - b.z0 + 1 + 2 * kMarge;
    if (b.x0 < 0 || b.y0 < 0 || b.z0 < 0 || b.x1 >= W || b.y1 >= H || b.z1 >= D || b.x0 > b.x1 ||
        b.y0 > b.y1 || b.z0 > b.z1) {
        erreur = "boîte hors du volume";
        return false;
    }
    CImage3D masque;
    if (!masque.Create(l, h, p)) {
        erreur = "mémoire insuffisante pour la boîte de l'étiquette";
        return false;
    }
    for (int z = b.z0; z <= b.z1; ++z)
        for (int y = b.y0; y <= b.y1; ++y)
            remplir(y, z, masque.GetRow(y - oy, z - oz) + (b.x0 - ox));
    if (!region.creerRegionImage3D(masque)) {
        erreur = "région de l'étiquette impossible à allouer";
        return false;
    }
    return true;
}

// Back from the box's grid to the voxel coordinates of the whole volume.
float versVolume(float x, int origine) {
    return static_cast<float>(x + static_cast<double>(origine));
}

} // namespace

std::unique_ptr<CMaillageTriangleChRegion> maillerEtiquette(const RemplirRangee& remplir, int W,
                                                            int H, int D, const BoiteEtiquette& b,
                                                            const OptionsExtraction& lissage,
                                                            std::string& erreur) {
    CRegion3D region;
    if (!regionEtiquette(remplir, W, H, D, b, region, erreur))
        return nullptr;
    std::unique_ptr<CMaillageTriangleChRegion> m;
    try {
        EtapesMaillage etapes;
        m = maillerRegion(region, lissage, etapes);
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante pour le maillage de l'étiquette";
        return nullptr;
    }
    const int ox = b.x0 - kMarge, oy = b.y0 - kMarge, oz = b.z0 - kMarge;
    for (CSommetChRegion* s = m->premierSommet; s != nullptr; s = s->suivant) {
        s->x = versVolume(s->x, ox);
        s->y = versVolume(s->y, oy);
        s->z = versVolume(s->z, oz);
    }
    return m;
}

bool maillerEtiquettePlat(const RemplirRangee& remplir, int W, int H, int D,
                          const BoiteEtiquette& b, const OptionsExtraction& lissage,
                          MaillagePlat& maillage, int& irreguliers, std::string& erreur) {
    CRegion3D region;
    if (!regionEtiquette(remplir, W, H, D, b, region, erreur))
        return false;
    try {
        EtapesMaillage etapes;
        maillage = maillerRegionPlat(region, lissage, etapes, irreguliers);
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante pour le maillage de l'étiquette";
        return false;
    }
    const int origine[3] = {b.x0 - kMarge, b.y0 - kMarge, b.z0 - kMarge};
    for (std::size_t i = 0; i < maillage.positions.size(); ++i)
        maillage.positions[i] = versVolume(maillage.positions[i], origine[i % 3]);
    return true;
}

std::unique_ptr<CMaillageTriangleChRegion> maillerEtiquette(const std::uint16_t* etiquettes, int W,
                                                            int H, int D, const BoiteEtiquette& b,
                                                            const OptionsExtraction& lissage,
                                                            std::string& erreur) {
    return maillerEtiquette(rangeesEtiquette(etiquettes, W, H, b), W, H, D, b, lissage, erreur);
}

RemplirRangee rangeesEtiquette(const std::uint16_t* etiquettes, int W, int H,
                               const BoiteEtiquette& b) {
    return [etiquettes, W, H, b](int y, int z, unsigned char* ligne) {
        const std::uint16_t* source = etiquettes + (static_cast<std::size_t>(z) * H + y) * W + b.x0;
        for (int x = 0; x <= b.x1 - b.x0; ++x)
            ligne[x] = source[x] == b.valeur ? 255 : 0;
    };
}

std::unique_ptr<CMaillageTriangleChRegion> maillerEtiquette(const std::uint16_t* etiquettes, int W,
                                                            int H, int D, const BoiteEtiquette& b,
                                                            int nbLissages, std::string& erreur) {
    OptionsExtraction lissage;
    lissage.nbLissages = nbLissages;
    return maillerEtiquette(etiquettes, W, H, D, b, lissage, erreur);
}

void pourChaqueEnParallele(std::size_t n, const std::function<double(std::size_t)>& poids,
                           const std::function<void(std::size_t)>& traiter) {
    std::vector<std::size_t> ordre(n);
    std::iota(ordre.begin(), ordre.end(), std::size_t{0});
    if (poids)
        std::stable_sort(ordre.begin(), ordre.end(),
                         [&](std::size_t a, std::size_t b) { return poids(a) > poids(b); });
    // One task at a time from the front of the order; the parallel loops inside a task run on
    // its own thread (nested regions are inactive).
    const long nb = static_cast<long>(n);
#pragma omp parallel for num_threads(nbThreads()) schedule(dynamic, 1)
    for (long k = 0; k < nb; ++k)
        traiter(ordre[static_cast<std::size_t>(k)]);
}

} // namespace Stravol
