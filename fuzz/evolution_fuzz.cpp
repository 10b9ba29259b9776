// The deformable model under any parameter values a user can give it: a small volume built
// from the input bytes is extracted, every parameter is set through the model's interface to a
// value of its published range, and the mesh evolves for a few iterations with splits, merges
// and the skeleton as chosen. The mesh must stay consistent and finite.
//
// Input: iterations (1 byte), the nine float parameters (2 bytes each, a multiple of the
// published step from the minimum, wrapped into the range), the neighbourhood side (1 byte:
// 1, 3, 5 or 7), "Ordre icosaèdre" and "Nb pixels ligne région" (1 byte each, 0 to 255), the
// five evolution switches (1 byte, one bit each), the smoothing rounds (1 byte, 0 to 10), then
// a volume as the extraction fuzzer reads it: three sizes (1 to 10 voxels), the seed, and two
// bits per voxel choosing the grey level 0, 80, 160 or 255 (missing bytes give 0).
//
// Sides above 7 are in range too; they only cost time (side^3 candidates per vertex), which
// libFuzzer would report as a hang on a larger mesh.

#include <cmath>
#include <vector>

#include "DossierFuzz.h"
#include "VolumeOctets.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"

namespace {

constexpr std::size_t kEntete = 1 + 2 * 9 + 1 + 2 + 1 + 1;

bool fini(float v) { return std::isfinite(v); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    if (taille < kEntete + 6)
        return 0;
    const std::uint8_t* p = data;
    const int iterations = 1 + *p++ % 3;
    std::uint16_t flottants[9];
    for (std::uint16_t& f : flottants) {
        f = static_cast<std::uint16_t>(p[0] | p[1] << 8);
        p += 2;
    }
    const int voisinage = 1 + 2 * (*p++ % 4);
    const int ordre = *p++;
    const int pixelsLigne = *p++;
    const int interrupteurs = *p++;
    const int lissages = *p++ % 11;

    fuzz::VolumeOctets entree;
    if (!fuzz::lireVolume(data + kEntete, taille - kEntete, 10, entree))
        return 0;
    const int W = entree.W, H = entree.H, D = entree.D;
    CImageTroisD volume(W, H, D);
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                volume.setVoxelImage(x, y, z, entree.voxel(x, y, z));
    volume.CroissanceDeRegion(entree.gx, entree.gy, entree.gz, lissages);
    FUZZ_VERIFIER(volume.bilanExtraction.effectuee && volume.maillage);
    CMaillageTriangleChRegion& m = *volume.maillage;

    CImage3D gris;
    FUZZ_VERIFIER(gris.Create(W, H, D));
    volume.CopierImageCourante(Stravol::ModeAffichage::Normale);
    volume.CimageTroisDtoCimage3D(gris);
    m.initialiserImages(&gris, &gris);

    // Every value is set, class-wide ones included, so that no input depends on the one before.
    CDeformableModelBase& modele = m;
    for (int i = 0; i < modele.GetParameterFloatNumber() && i < 9; ++i) {
        const float min = modele.GetParameterFloatMin(i), max = modele.GetParameterFloatMax(i),
                    pas = modele.GetParameterFloatStep(i);
        const int nbPas = static_cast<int>(std::lround((max - min) / pas));
        modele.SetParameterFloatValue(i,
                                      min + pas * static_cast<float>(flottants[i] % (nbPas + 1)));
    }
    modele.SetParameterIntValue(0, voisinage);
    modele.SetParameterIntValue(1, ordre);
    modele.SetParameterIntValue(2, pixelsLigne);
    for (int i = 0; i < 5; ++i)
        modele.SetParameterBoolValue(i, (interrupteurs >> i & 1) != 0);
    FUZZ_VERIFIER(modele.GetParameterIntValue(0) == voisinage);

    modele.Evolve(iterations);

    Chaine rapport;
    if (!m.verifierCoherence(&rapport)) {
        std::fprintf(stderr, "incoherent mesh after the evolution: %s\n", rapport.c_str());
        std::abort();
    }
    int nb = 0;
    for (CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        ++nb;
        FUZZ_VERIFIER(m.verifierVoisins(s));
        FUZZ_VERIFIER(fini(s->x) && fini(s->y) && fini(s->z));
        FUZZ_VERIFIER(fini(s->normale.x) && fini(s->normale.y) && fini(s->normale.z));
    }
    FUZZ_VERIFIER(nb == m.nbSommets);
    int nt = 0;
    for (const CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant)
        ++nt;
    FUZZ_VERIFIER(nt == m.nbTriangles);
    return 0;
}
