// The extraction pipeline on a small volume built from the input bytes: growth, region,
// the topology repair, mesh, smoothing and normals, step by step with the properties of
// the mesh checked between steps, then the volume's own extraction member, and the same
// extraction straight into flat arrays.
//
// Input: three sizes (1 to 10 voxels each), the seed position, then two bits per voxel
// choosing its grey level among 0, 80, 160 and 255 (missing bytes give 0).

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "DossierFuzz.h"
#include "VolumeOctets.h"
#include "core/CPoint3D.h"
#include "core/Parallele.h"
#include "extraction/Croissance.h"
#include "extraction/Extraction.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CRegion3D.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"

namespace {

// Largest side of the volume, in voxels: every shape of contact fits, and an input runs fast.
constexpr int kCote = 10;
// Smoothing passes: the properties after smoothing hold after the first ones.
constexpr int kLissages = 2;

// A triangle with its corners in outward order (the stored orientation applied).
struct Face {
    const CSommetChRegion* a;
    const CSommetChRegion* b;
    const CSommetChRegion* c;
};

std::vector<Face> faces(const CMaillageTriangleChRegion& m) {
    std::vector<Face> f;
    for (const CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant)
        f.push_back(t->orientation < 0 ? Face{t->a, t->c, t->b} : Face{t->a, t->b, t->c});
    return f;
}

// Every directed edge appears once, and its reverse once: closed, two faces per edge, and
// consistently oriented.
bool fermeeEtOrientee(const std::vector<Face>& f) {
    using Arete = std::pair<const void*, const void*>;
    std::vector<Arete> aretes;
    aretes.reserve(3 * f.size());
    for (const Face& t : f) {
        aretes.emplace_back(t.a, t.b);
        aretes.emplace_back(t.b, t.c);
        aretes.emplace_back(t.c, t.a);
    }
    std::sort(aretes.begin(), aretes.end());
    if (std::adjacent_find(aretes.begin(), aretes.end()) != aretes.end())
        return false;
    return std::all_of(aretes.begin(), aretes.end(), [&aretes](const Arete& a) {
        return std::binary_search(aretes.begin(), aretes.end(), Arete(a.second, a.first));
    });
}

// Enclosed volume, in cubic voxels; exact for the half-integer corners of a voxel surface.
double volumeSigne(const std::vector<Face>& f) {
    double v = 0.0;
    for (const Face& t : f) {
        const double ax = t.a->x, ay = t.a->y, az = t.a->z, bx = t.b->x, by = t.b->y, bz = t.b->z,
                     cx = t.c->x, cy = t.c->y, cz = t.c->z;
        v += ax * (by * cz - bz * cy) - ay * (bx * cz - bz * cx) + az * (bx * cy - by * cx);
    }
    return v / 6.0;
}

void verifierAnneaux(CMaillageTriangleChRegion& m) {
    Chaine rapport;
    if (!m.verifierCoherence(&rapport)) {
        std::fprintf(stderr, "incoherent mesh: %s\n", rapport.c_str());
        std::abort();
    }
    for (CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        FUZZ_VERIFIER(s->voisins.longueur() == s->triangles.longueur());
        FUZZ_VERIFIER(m.verifierVoisins(s));
    }
}

bool dansRegion(const CRegion3D& r, int x, int y, int z) {
    return x >= 0 && y >= 0 && z >= 0 && x < r.dimX && y < r.dimY && z < r.dimZ &&
           r.Voxel(x, y, z).dansRegion;
}

// A region is clean when no two of its voxels touch only along an edge or only at a corner,
// and no two outside voxels touch only at a corner across it (the three repair rules find
// nothing). Positions outside the grid count as outside.
bool propre(const CRegion3D& r) {
    auto dedans = [&r](int x, int y, int z) { return dansRegion(r, x, y, z); };
    for (int x = -1; x < r.dimX; ++x)
        for (int y = -1; y < r.dimY; ++y)
            for (int z = -1; z < r.dimZ; ++z) {
                // The 2 x 2 x 2 cube with (x, y, z) as its lowest corner.
                bool c[2][2][2];
                int n = 0;
                for (int i = 0; i < 2; ++i)
                    for (int j = 0; j < 2; ++j)
                        for (int k = 0; k < 2; ++k)
                            n += c[i][j][k] = dedans(x + i, y + j, z + k);
                for (int i = 0; i < 2; ++i)
                    for (int j = 0; j < 2; ++j)
                        for (int k = 0; k < 2; ++k) {
                            // Opposite corners of the cube, all six others on the other side.
                            if (c[i][j][k] == c[1 - i][1 - j][1 - k] && n == (c[i][j][k] ? 2 : 6))
                                return false;
                            // Diagonal of a face: the two other voxels of that face on the other
                            // side.
                            if (c[i][j][k] == c[1 - i][1 - j][k] && c[i][1 - j][k] != c[i][j][k] &&
                                c[1 - i][j][k] != c[i][j][k] && c[i][j][k])
                                return false;
                            if (c[i][j][k] == c[1 - i][j][1 - k] && c[i][j][1 - k] != c[i][j][k] &&
                                c[1 - i][j][k] != c[i][j][k] && c[i][j][k])
                                return false;
                            if (c[i][j][k] == c[i][1 - j][1 - k] && c[i][j][1 - k] != c[i][j][k] &&
                                c[i][1 - j][k] != c[i][j][k] && c[i][j][k])
                                return false;
                        }
            }
    return true;
}

} // namespace

// Set-up shared by every input: the stages run on the calling thread, as they do for volumes
// this small, and the region's neighbour tables are filled.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Stravol::definirNbThreads(1);
    CRegion3D::initialiserVoisinages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    fuzz::VolumeOctets entree;
    if (!fuzz::lireVolume(data, taille, kCote, entree))
        return 0;
    const int W = entree.W, H = entree.H, D = entree.D;
    const int gx = entree.gx, gy = entree.gy, gz = entree.gz;
    const std::size_t n = entree.voxels.size();
    const std::vector<unsigned char>& grille = entree.voxels;
    const std::size_t germe = (static_cast<std::size_t>(gz) * H + gy) * W + gx;
    const unsigned char valeur = grille[germe];

    std::vector<unsigned char> travail = grille, marques(n, 0);
    const int atteints =
        croissance26(travail.data(), valeur == 255 ? marques.data() : nullptr, W, H, D, gx, gy, gz);
    FUZZ_VERIFIER(atteints >= 1 && static_cast<std::size_t>(atteints) <= n);
    FUZZ_VERIFIER(travail[germe] == 255);

    CImage3D binaire;
    FUZZ_VERIFIER(binaire.Create(W, H, D));
    int blancs = 0;
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const bool blanc = travail[(static_cast<std::size_t>(z) * H + y) * W + x] == 255;
                binaire.Pixel(x, y, z) = blanc ? 255 : 0;
                blancs += blanc;
            }

    CPoint3D::width = static_cast<float>(W);
    CPoint3D::height = static_cast<float>(H);
    CPoint3D::depth = static_cast<float>(D);
    CRegion3D region;
    FUZZ_VERIFIER(region.creerRegionImage3D(binaire));
    FUZZ_VERIFIER(region.nbVoxels == blancs);
    region.reparerTopologie();
    FUZZ_VERIFIER(region.nbVoxels >= blancs);
    // The repairs only add voxels.
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (binaire.Pixel(x, y, z))
                    FUZZ_VERIFIER(region.Voxel(x, y, z).dansRegion);

    // The repaired region holds none of the contacts that give a vertex two fans of triangles.
    FUZZ_VERIFIER(propre(region));
    CMaillageTriangleChRegion maillage;
    FUZZ_VERIFIER(maillage.creerMaillageTriangleChRegion2(region, 1));
    FUZZ_VERIFIER(maillage.nbTriangles > 0);
    verifierAnneaux(maillage);
    const std::vector<Face> f = faces(maillage);
    FUZZ_VERIFIER(fermeeEtOrientee(f));
    // One unit of enclosed volume per voxel of the repaired region.
    FUZZ_VERIFIER(volumeSigne(f) == static_cast<double>(region.nbVoxels));
    // Each face normal leaves a region voxel for an outside one.
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        const double c[3] = {(t->a->x + t->b->x + t->c->x) / 3.0,
                             (t->a->y + t->b->y + t->c->y) / 3.0,
                             (t->a->z + t->b->z + t->c->z) / 3.0};
        int dedans[3], dehors[3];
        for (int k = 0; k < 3; ++k) {
            dedans[k] = static_cast<int>(std::lround(c[k] - 0.5 * t->normale[k]));
            dehors[k] = static_cast<int>(std::lround(c[k] + 0.5 * t->normale[k]));
        }
        FUZZ_VERIFIER(dansRegion(region, dedans[0], dedans[1], dedans[2]));
        FUZZ_VERIFIER(!dansRegion(region, dehors[0], dehors[1], dehors[2]));
    }

    maillage.lisserCourbureTaubin(kLissages);
    maillage.calculerNormales();
    maillage.calculerNormalesSommets();
    verifierAnneaux(maillage);
    FUZZ_VERIFIER(fermeeEtOrientee(faces(maillage)));
    for (const CSommetChRegion* s = maillage.premierSommet; s != nullptr; s = s->suivant)
        FUZZ_VERIFIER(std::isfinite(s->x) && std::isfinite(s->y) && std::isfinite(s->z) &&
                      std::isfinite(s->normale.x) && std::isfinite(s->normale.y) &&
                      std::isfinite(s->normale.z));

    // The volume's member runs the same stages on the same voxels.
    CImageTroisD volume(W, H, D);
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                volume.setVoxelImage(x, y, z, entree.voxel(x, y, z));
    volume.CroissanceDeRegion(gx, gy, gz, kLissages);
    FUZZ_VERIFIER(volume.bilanExtraction.effectuee && volume.maillage);
    FUZZ_VERIFIER(volume.bilanExtraction.nbVoxelsCroissance == atteints);
    FUZZ_VERIFIER(volume.bilanExtraction.nbVoxelsRepares == region.nbVoxels);
    FUZZ_VERIFIER(volume.maillage->nbTriangles == maillage.nbTriangles);
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                FUZZ_VERIFIER(volume.getVoxelImage(x, y, z) == entree.voxel(x, y, z));

    // Straight into flat arrays: the linked mesh taken flat, bit for bit, and the same figures.
    Stravol::OptionsExtraction options;
    options.nbLissages = kLissages;
    const Stravol::Resultat<Stravol::ObjetPlat> plat =
        Stravol::extraireAuGermePlat(volume, {gx, gy, gz}, options);
    FUZZ_VERIFIER(plat && volume.bilanExtraction.nbVoxelsRepares == region.nbVoxels);
    const Stravol::MaillagePlat attendu = Stravol::versMaillagePlat(*volume.maillage);
    const Stravol::MaillagePlat& m = plat.valeur().maillage;
    const auto memes = [](const auto& a, const auto& b) {
        return a.size() == b.size() &&
               std::memcmp(a.data(), b.data(), a.size() * sizeof(a[0])) == 0;
    };
    FUZZ_VERIFIER(memes(m.positions, attendu.positions) && memes(m.normales, attendu.normales) &&
                  memes(m.triangles, attendu.triangles) &&
                  memes(m.normalesTriangles, attendu.normalesTriangles));
    FUZZ_VERIFIER(plat.valeur().irreguliers == 0);
    return 0;
}
