// The dual surface of a small label map built from the input bytes, raw or smoothed: every
// label's mesh closed, consistently wound and manifold, the raw one enclosing exactly its
// voxels, each triangle between two different labels, every vertex within its cell, and the
// interfaces of each label making up its surface.
//
// Input: three sizes (1 to 6 voxels each), the smoothing rounds (0, 1, 3 or 6), then one byte
// per voxel (x fastest) whose low three bits choose its label among 0, 1, 2, 7, 255, 256, 4000
// and 65535 (missing bytes give 0).

#include <cmath>
#include <map>
#include <vector>

#include "DossierFuzz.h"
#include "core/Parallele.h"
#include "mesh/MesuresPlat.h"
#include "mesh/SurfaceDuale.h"

namespace {

constexpr int kCote = 6;
constexpr int kTours[4] = {0, 1, 3, 6};
constexpr std::uint16_t kEtiquettes[8] = {0, 1, 2, 7, 255, 256, 4000, 65535};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Stravol::definirNbThreads(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    if (taille < 4)
        return 0;
    const int W = 1 + data[0] % kCote, H = 1 + data[1] % kCote, D = 1 + data[2] % kCote;
    const int tours = kTours[data[3] % 4];
    const std::size_t n = static_cast<std::size_t>(W) * H * D;
    std::vector<std::uint16_t> etiquettes(n, 0);
    std::map<std::uint16_t, long long> voxels;
    for (std::size_t i = 0; i < n; ++i) {
        etiquettes[i] = 4 + i < taille ? kEtiquettes[data[4 + i] & 7] : 0;
        if (etiquettes[i] != 0)
            ++voxels[etiquettes[i]];
    }

    Stravol::SurfaceDuale s;
    std::string erreur;
    FUZZ_VERIFIER(Stravol::construireSurfaceDuale(etiquettes.data(), W, H, D, {}, s, erreur));
    FUZZ_VERIFIER(s.vide() == voxels.empty());
    Stravol::lisserSurfaceDuale(s, tours);
    for (std::size_t t = 0; t < s.nbTriangles(); ++t)
        FUZZ_VERIFIER(s.paires[2 * t] < s.paires[2 * t + 1]);
    for (std::size_t j = 0; j < s.positions.size(); ++j)
        FUZZ_VERIFIER(std::fabs(s.positions[j] - s.centres[j]) <= 0.5f);

    const Stravol::IndexEtiquettesDuales index = Stravol::indexerEtiquettes(s);
    FUZZ_VERIFIER(index.valeurs.size() == voxels.size());
    const Stravol::InterfacesDuales interfaces = Stravol::interfacesDuales(s);
    for (std::size_t k = 0; k < index.valeurs.size(); ++k) {
        const Stravol::MaillagePlat m = Stravol::maillageEtiquette(s, index, k);
        FUZZ_VERIFIER(Stravol::controlerMaillagePlat(m).variete());
        const Stravol::MesuresMaillagePlat mesures = Stravol::mesurerMaillagePlat(m);
        if (tours == 0)
            FUZZ_VERIFIER(mesures.volume == static_cast<double>(voxels[index.valeurs[k]]));
        double aire = 0.0;
        for (const Stravol::InterfaceDuale& i : interfaces.paires)
            if (i.a == index.valeurs[k] || i.b == index.valeurs[k])
                aire += i.aire;
        FUZZ_VERIFIER(std::fabs(aire - mesures.aire) <= 1e-6 * (1.0 + mesures.aire));
    }
    return 0;
}
