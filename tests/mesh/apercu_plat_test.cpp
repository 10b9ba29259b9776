// The preview of a flat mesh: a fraction of its triangles over its own vertices, still turned
// outward and close to the surface; none for a mesh too small to gain from one.

#include <gtest/gtest.h>

#include "mesh/ApercuPlat.h"
#include "mesh/MesuresPlat.h"
#include "tests/gui/MaillageSynthetique.h"

using namespace Stravol;

TEST(ApercuPlat, AFractionOfTheTrianglesOverTheSameVerticesTurnedOutward) {
    const MaillagePlat sphere = synthese::spherePlate(40, 40, 40, 30, 60, 120);
    const std::vector<std::uint32_t> apercu = trianglesApercu(sphere);
    ASSERT_FALSE(apercu.empty());
    EXPECT_EQ(apercu.size() % 3, 0u);
    EXPECT_LE(apercu.size(), 0.3 * sphere.triangles.size());
    for (std::uint32_t i : apercu)
        ASSERT_LT(i, sphere.nbSommets());
    // Over the same vertices, outward: the enclosed volume and the area stay close (a
    // triangle turned inward would take twice its share off the volume).
    MaillagePlat reduit = sphere;
    reduit.triangles = apercu;
    reduit.normales.clear();
    const MesuresMaillagePlat avant = mesurerMaillagePlat(sphere);
    const MesuresMaillagePlat apres = mesurerMaillagePlat(reduit);
    EXPECT_NEAR(apres.volume, avant.volume, 0.02 * avant.volume);
    EXPECT_NEAR(apres.aire, avant.aire, 0.02 * avant.aire);
    EXPECT_TRUE(controlerMaillagePlat(reduit).ferme);

    // A mesh of a few triangles, or an empty one, has no preview.
    EXPECT_TRUE(trianglesApercu(synthese::spherePlate(0, 0, 0, 1, 2, 4)).empty());
    EXPECT_TRUE(trianglesApercu(MaillagePlat{}).empty());
}
