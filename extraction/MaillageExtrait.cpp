#include "extraction/MaillageExtrait.h"

#include <new>
#include <utility>

#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/Decimation.h"
#include "mesh/EcritureMaillage.h"

namespace Stravol {

Resultat<MaillagePlat> aplatirMaillage(CMaillageTriangleChRegion& m, double ratio) {
    try {
        if (ratio < 1.0) {
            CMaillageTriangleChRegion decime;
            BilanDecimation bilan;
            std::string raison;
            if (!decimerMaillage(m, ratio, decime, bilan, raison))
                return Echec{"the decimation failed: " + raison};
            m = decime;
        }
        return versMaillagePlat(m);
    } catch (const std::bad_alloc&) {
        return Echec{"not enough memory for the mesh's arrays", true};
    }
}

bool espaceVoxel(const Geometrie& geometrie, EspaceSortie espace) {
    return !ecriture::repereEspace(geometrie, espace).monde;
}

MaillagePlat dansEspace(const MaillagePlat& m, const Geometrie& geometrie, EspaceSortie espace) {
    MaillagePlat r;
    r.positions.resize(m.positions.size());
    r.normales.resize(m.normales.size());
    r.triangles = m.triangles;
    const ecriture::Repere repere = ecriture::repereEspace(geometrie, espace);
    for (std::size_t s = 0; s + 2 < m.positions.size(); s += 3)
        repere.position(m.positions[s], m.positions[s + 1], m.positions[s + 2], &r.positions[s]);
    for (std::size_t s = 0; s + 2 < m.normales.size(); s += 3)
        repere.normale(m.normales[s], m.normales[s + 1], m.normales[s + 2], &r.normales[s]);
    if (repere.miroir)
        for (std::size_t t = 0; t + 2 < r.triangles.size(); t += 3)
            std::swap(r.triangles[t + 1], r.triangles[t + 2]);
    return r;
}

} // namespace Stravol
