#include "mesh/ApercuPlat.h"

#include <meshoptimizer.h>

#include <new>

namespace Stravol {

namespace {

// A preview is kept when it draws at most this share of the triangles.
constexpr double kPartUtile = 0.75;

} // namespace

std::vector<std::uint32_t> trianglesApercu(const MaillagePlat& m) {
    std::vector<std::uint32_t> apercu;
    if (m.vide() || !coherent(m))
        return apercu;
    try {
        apercu.resize(m.triangles.size());
        const auto cible = static_cast<std::size_t>(kPartApercu * m.nbTriangles()) * 3;
        apercu.resize(meshopt_simplify(apercu.data(), m.triangles.data(), m.triangles.size(),
                                       m.positions.data(), m.nbSommets(), 3 * sizeof(float), cible,
                                       kErreurApercu));
    } catch (const std::bad_alloc&) {
        apercu.clear();
    }
    if (apercu.size() > kPartUtile * m.triangles.size())
        apercu.clear();
    apercu.shrink_to_fit();
    return apercu;
}

} // namespace Stravol
