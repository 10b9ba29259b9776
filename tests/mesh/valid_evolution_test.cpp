// The greedy evolution, its merges and its splits keep a valid surface: closed, every edge used
// once in each direction, no triangle folded against a neighbour, rings consistent.
#include "helpers/deformation.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/MesuresMaillage.h"
#include "volume/CImage3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

using deformation::sommets;

namespace {

constexpr int kCote = 40;

class ValidEvolution : public ::testing::Test {
protected:
    void SetUp() override {
        deformation::parametresInitiaux();
        CPoint3D::width = CPoint3D::height = CPoint3D::depth = static_cast<float>(kCote);
    }
    void TearDown() override {
        deformation::parametresInitiaux();
        CPoint3D::width = CPoint3D::height = CPoint3D::depth = CPoint3D::maxdim = 1.0f;
    }
};

// Grey volume: a ball of grey 200 and radius rayon around centre on a textured dark background.
CImage3D volumeBoule(const CTriplet<int>& centre, double rayon) {
    CImage3D v;
    EXPECT_TRUE(v.Create(kCote, kCote, kCote));
    for (int z = 0; z < kCote; ++z)
        for (int y = 0; y < kCote; ++y)
            for (int x = 0; x < kCote; ++x)
                v.Pixel(x, y, z) = static_cast<unsigned char>((x * 7 + y * 13 + z * 29) % 40);
    for (const CTriplet<int>& p : boule(centre, rayon))
        v.Pixel(p) = 200;
    return v;
}

void preparer(CMaillageTriangleChRegion& m, const std::vector<CTriplet<int>>& voxels) {
    deformation::maillageVoxels(m, voxels, kCote, kCote, kCote);
    m.lisserCourbureTaubin(10);
    m.calculerNormales();
    m.calculerNormalesSommets();
}

// Closed with every edge used once each way, no triangle wound against the rest, rings
// consistent, and no more folded edges than plisMax (a smoothed voxel surface may start with a
// few, which no step may add to); the text of the first fault otherwise.
testing::AssertionResult surfaceValide(CMaillageTriangleChRegion& m, int plisMax = 0) {
    std::string rapport;
    if (!deformation::coherent(m, &rapport))
        return testing::AssertionFailure() << "incoherent: " << rapport;
    const ControleMaillage c = controlerMaillage(m);
    if (!c.ferme || c.plis > plisMax || c.trianglesInverses != 0 || c.irreguliers != 0)
        return testing::AssertionFailure()
               << "closed " << c.ferme << ", folded edges " << c.plis << " (at most " << plisMax
               << "), inward " << c.trianglesInverses << ", irregular " << c.irreguliers << " of "
               << m.nbTriangles << " triangles";
    return testing::AssertionSuccess();
}

// Parameters drawn within ranges where the evolution means something: weights of either sign
// for the balloon, odd neighbourhoods, steps from a quarter voxel to one voxel.
void parametresAleatoires(CMaillageTriangleChRegion& m, std::mt19937& alea) {
    std::uniform_real_distribution<float> poids(0.0f, 2.0f);
    std::uniform_real_distribution<float> ballon(-1.0f, 1.0f);
    const float pas[] = {0.25f, 0.5f, 0.75f, 1.0f};
    m.SetParameterFloatValue(0, poids(alea) / 2.0f);    // continuity
    m.SetParameterFloatValue(1, poids(alea));           // curvature
    m.SetParameterFloatValue(2, poids(alea));           // intensity
    m.SetParameterFloatValue(3, ballon(alea));          // balloon
    m.SetParameterFloatValue(5, poids(alea) / 2.0f);    // gradient (recorded only)
    m.SetParameterFloatValue(7, pas[alea() % 4]);       // step
    m.SetParameterIntValue(0, alea() % 4 == 0 ? 5 : 3); // neighbourhood
    m.SetParameterBoolValue(0, alea() % 2 == 0);        // weight adaptation
    m.SetParameterBoolValue(1, alea() % 4 != 0);        // merges
    m.SetParameterBoolValue(2, alea() % 4 != 0);        // splits
}

} // namespace

TEST_F(ValidEvolution, RandomParametersKeepTheSurfaceValidAfter1_5And20Iterations) {
    const CImage3D image = volumeBoule({20, 20, 20}, 9.0);
    for (std::uint32_t graine = 1; graine <= 6; ++graine) {
        std::mt19937 alea(graine);
        CMaillageTriangleChRegion m;
        preparer(m, graine % 2 == 0 ? boule({20, 20, 20}, 5.0 + graine % 3)
                                    : blobAleatoire(graine, 22, 22, 22, 6));
        const int plis = controlerMaillage(m).plis;
        ASSERT_TRUE(surfaceValide(m, plis)) << "graine " << graine;
        m.initialiserImages(const_cast<CImage3D*>(&image), const_cast<CImage3D*>(&image));
        parametresAleatoires(m, alea);
        int faites = 0;
        for (const int jusque : {1, 5, 20}) {
            m.Evolve(jusque - faites);
            faites = jusque;
            ASSERT_TRUE(surfaceValide(m, plis))
                << "graine " << graine << ", " << faites << " iterations";
            EXPECT_GT(volumeEnclos(m), 0.0) << "graine " << graine;
        }
    }
}

// The walkers' merges and splits one by one, the whole mesh checked after each, on a ball whose
// vertices were shaken a little so that some collapses would fold.
TEST_F(ValidEvolution, EveryMergeAndSplitLeavesAValidSurface) {
    CMaillageTriangleChRegion m;
    preparer(m, boule({20, 20, 20}, 4.5));
    std::mt19937 alea(7);
    std::uniform_real_distribution<float> secousse(-0.1f, 0.1f);
    for (CSommetChRegion* v : sommets(m)) {
        v->x += secousse(alea);
        v->y += secousse(alea);
        v->z += secousse(alea);
    }
    m.calculerNormales();
    m.calculerNormalesSommets();
    const int plis = controlerMaillage(m).plis;
    ASSERT_TRUE(surfaceValide(m, plis));
    const double s = CMaillageTriangleChRegion::NEIGHBORDIM *
                     double(CMaillageTriangleChRegion::DEFAULT_NEIGHBOR_STEP);
    const auto normeInfinie = [](const CPoint3D& p, const CPoint3D& q) {
        return std::fmax(std::fabs(p.x - q.x),
                         std::fmax(std::fabs(p.y - q.y), std::fabs(p.z - q.z)));
    };

    int fusions = 0, refus = 0;
    for (CSommetChRegion* v = m.premierSommet; v != nullptr; v = v->suivant) {
        for (int i = 0; i < v->voisins.nb;) {
            CSommetChRegion* w = v->voisins.tab[i];
            if (normeInfinie(*v, *w) >= s) {
                ++i;
            } else if (m.peutFusionner(v, w)) {
                ASSERT_TRUE(m.fusionner(v, w));
                ++fusions;
                ASSERT_TRUE(surfaceValide(m, plis)) << "after merge " << fusions;
                i = 0;
            } else {
                EXPECT_FALSE(m.fusionner(v, w));
                ++refus;
                ++i;
            }
        }
    }
    EXPECT_GT(fusions, 20);
    EXPECT_GT(refus, 0);

    // Stretched three times, the edges are long enough to split.
    const CPoint3D centre = m.centreGravite();
    for (CSommetChRegion* v : sommets(m)) {
        const CPoint3D p = centre + (*v - centre) * 3.0;
        v->x = p.x;
        v->y = p.y;
        v->z = p.z;
    }
    m.calculerNormales();
    ASSERT_TRUE(surfaceValide(m, plis));
    int separations = 0;
    for (CSommetChRegion* v = m.premierSommet; v != nullptr && separations < 200; v = v->suivant)
        for (int i = 0; i < v->voisins.nb && separations < 200;) {
            CSommetChRegion* w = v->voisins.tab[i];
            if (normeInfinie(*v, *w) > 2.0 * s && m.peutSeparer(v, w)) {
                ASSERT_TRUE(m.separer(v, w));
                ++separations;
                ASSERT_TRUE(surfaceValide(m, plis)) << "after split " << separations;
                i = 0;
            } else {
                ++i;
            }
        }
    EXPECT_EQ(separations, 200);
}

// Evolving towards a bright ball: balloon outwards, intensity holding the surface on the bright
// side, curvature smoothing. The surface ends nearer the ball's edge, without folds.
TEST_F(ValidEvolution, EvolutionTowardsABrightBallApproachesItsEdge) {
    const CTriplet<int> centre(20, 20, 20);
    const double rayon = 11.0;
    CImage3D image = volumeBoule(centre, rayon);
    CMaillageTriangleChRegion m;
    preparer(m, boule(centre, 6.0));
    m.initialiserImages(&image, &image);
    // A voxel is read at the truncated position: the bright ball is centred half a voxel on.
    const CPoint3D milieu(centre.x + 0.5f, centre.y + 0.5f, centre.z + 0.5f);
    const auto ecartAuBord = [&] {
        double e = 0.0;
        for (const CSommetChRegion* s : sommets(m))
            e += std::fabs((*s - milieu).norme() - (rayon + 0.5));
        return e / m.nbSommets;
    };
    const double avant = ecartAuBord();
    m.SetParameterFloatValue(1, 0.5f);  // curvature
    m.SetParameterFloatValue(2, 1.0f);  // intensity
    m.SetParameterFloatValue(3, -0.3f); // balloon, outwards, weaker than the edge's contrast
    const int plis = controlerMaillage(m).plis;
    for (int i = 0; i < 12; ++i) {
        m.Evolve(1);
        ASSERT_TRUE(surfaceValide(m, plis)) << "iteration " << i + 1;
    }
    const double apres = ecartAuBord();
    EXPECT_LT(apres, avant / 4.0) << "before " << avant << ", after " << apres;
    EXPECT_LT(apres, 1.2);
}
