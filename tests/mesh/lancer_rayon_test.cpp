// Picking by ray: the ray under a pixel passes through the points that project onto that pixel,
// and it meets the nearest shown mesh first, whatever the side of its triangles.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "mesh/LancerRayon.h"

using namespace Stravol;

namespace {

constexpr double kPi = 3.14159265358979323846;

// gluPerspective's matrix.
Matrice4 perspective(double angleY, double aspect, double proche, double loin) {
    const double f = 1.0 / std::tan(angleY * kPi / 360.0);
    Matrice4 m{};
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (loin + proche) / (proche - loin);
    m[11] = -1;
    m[14] = 2 * loin * proche / (proche - loin);
    return m;
}

// A rotation about y by angle degrees, then a translation.
Matrice4 tourneeDeplacee(double angle, double tx, double ty, double tz) {
    const double c = std::cos(angle * kPi / 180), s = std::sin(angle * kPi / 180);
    return {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, tx, ty, tz, 1};
}

// Pixel of point p, as OpenGL draws it in a view of l x h pixels (y down).
std::array<double, 2> pixelDe(const Matrice4& p, const Matrice4& mv, int l, int h,
                              const Vecteur3& x) {
    const Matrice4 m = produit(p, mv);
    double c[4];
    for (int i = 0; i < 4; ++i)
        c[i] = m[i] * x[0] + m[4 + i] * x[1] + m[8 + i] * x[2] + m[12 + i];
    return {(c[0] / c[3] + 1) * l / 2, (1 - c[1] / c[3]) * h / 2};
}

double distanceAuRayon(const Rayon& r, const Vecteur3& x) {
    const Vecteur3 d{x[0] - r.origine[0], x[1] - r.origine[1], x[2] - r.origine[2]};
    const double t = d[0] * r.direction[0] + d[1] * r.direction[1] + d[2] * r.direction[2];
    double n2 = 0;
    for (int k = 0; k < 3; ++k)
        n2 += (d[k] - t * r.direction[k]) * (d[k] - t * r.direction[k]);
    return std::sqrt(n2);
}

// The closed cube [c - a, c + a]^3, triangles outward.
MaillagePlat cube(const Vecteur3& c, double a) {
    MaillagePlat m;
    for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 3; ++k)
            m.positions.push_back(static_cast<float>(c[k] + ((i >> k) & 1 ? a : -a)));
    const std::uint32_t faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                       {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& f : faces)
        m.triangles.insert(m.triangles.end(), {f[0], f[1], f[2], f[0], f[2], f[3]});
    return m;
}

} // namespace

TEST(LancerRayon, InverseAndProduct) {
    const Matrice4 m = produit(perspective(45, 1.5, 0.1, 100), tourneeDeplacee(30, 1, -2, -5));
    Matrice4 inv;
    ASSERT_TRUE(inverser(m, inv));
    const Matrice4 id = produit(m, inv);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(id[i], matriceIdentite()[i], 1e-9) << i;
    Matrice4 plate = matriceIdentite();
    plate[10] = 0;
    Matrice4 inchangee = matriceIdentite();
    EXPECT_FALSE(inverser(plate, inchangee));
    EXPECT_EQ(inchangee, matriceIdentite());
}

TEST(LancerRayon, RayUnderAPixelPassesThroughWhatItShows) {
    const int l = 640, h = 400;
    const Matrice4 p = perspective(45, double(l) / h, 0.1, 5000);
    const Matrice4 mv = tourneeDeplacee(25, 0.3, -0.2, -4);
    // Through the middle of the view: straight ahead of the eye.
    Rayon r;
    ASSERT_TRUE(rayonSousPixel(p, matriceIdentite(), l, h, l / 2.0, h / 2.0, r));
    EXPECT_NEAR(r.direction[2], -1, 1e-9);
    EXPECT_NEAR(r.origine[0], 0, 1e-9);
    // Every point lies on the ray of the pixel it projects on, in the model's own frame.
    for (const Vecteur3& x : {Vecteur3{0, 0, 0}, Vecteur3{1, 0.5, -0.7}, Vecteur3{-0.9, -0.8, 1},
                              Vecteur3{0.2, 1.1, 0.4}}) {
        const auto px = pixelDe(p, mv, l, h, x);
        ASSERT_TRUE(rayonSousPixel(p, mv, l, h, px[0], px[1], r));
        EXPECT_LT(distanceAuRayon(r, x), 1e-6);
        EXPECT_NEAR(std::hypot(r.direction[0], r.direction[1], r.direction[2]), 1, 1e-12);
    }
    EXPECT_FALSE(rayonSousPixel(p, mv, 0, h, 1, 1, r));
}

TEST(LancerRayon, NearestShownMeshFirst) {
    const MaillagePlat proche = cube({0, 0, 1}, 0.5), loin = cube({0, 0, -3}, 0.5),
                       cote = cube({3, 0, 0}, 0.5);
    Rayon r;
    r.origine = {0.1, 0.2, 10};
    r.direction = {0, 0, -1};
    std::optional<Impact> i = premierImpact(r, {&loin, &proche, &cote});
    ASSERT_TRUE(i.has_value());
    EXPECT_EQ(i->maillage, 1u);
    EXPECT_NEAR(i->distance, 10 - 1.5, 1e-6);
    // The hit triangle is one of the face z = 1.5 (triangles 2 and 3 of the cube: the +z side).
    EXPECT_TRUE(i->triangle == 2 || i->triangle == 3) << i->triangle;
    // Hidden: the one behind it.
    i = premierImpact(r, {&loin, nullptr, &cote});
    ASSERT_TRUE(i.has_value());
    EXPECT_EQ(i->maillage, 0u);
    EXPECT_NEAR(i->distance, 10 - (-2.5), 1e-6);
    // From inside a cube its back side is met: faces count from either side.
    r.origine = {0, 0, 1};
    i = premierImpact(r, {&proche});
    ASSERT_TRUE(i.has_value());
    EXPECT_NEAR(i->distance, 0.5, 1e-6);
    // Beside everything, and pointing away from everything.
    r.origine = {1.5, 1.5, 10};
    EXPECT_FALSE(premierImpact(r, {&loin, &proche, &cote}).has_value());
    r.origine = {0, 0, 10};
    r.direction = {0, 0, 1};
    EXPECT_FALSE(premierImpact(r, {&loin, &proche, &cote}).has_value());
    EXPECT_FALSE(premierImpact(r, {}).has_value());
}

TEST(LancerRayon, PickThroughAMirroringSceneTransform) {
    // Meshes in voxel coordinates under a scale that turns y over (as the view's scene does):
    // the pixel of each cube's centre picks that cube.
    const int l = 500, h = 500;
    const Matrice4 p = perspective(45, 1, 0.1, 5000);
    const Matrice4 scene = {0.02, 0, 0, 0, 0, -0.02, 0, 0, 0, 0, 0.02, 0, -1, 1, -0.5, 1};
    const Matrice4 mv = produit(tourneeDeplacee(-35, 0, 0, -4), scene);
    const MaillagePlat a = cube({20, 30, 25}, 4), b = cube({70, 60, 25}, 4),
                       c = cube({45, 80, 10}, 4);
    const std::vector<const MaillagePlat*> tous{&a, &b, &c};
    const Vecteur3 centres[3] = {{20, 30, 25}, {70, 60, 25}, {45, 80, 10}};
    for (std::size_t k = 0; k < 3; ++k) {
        const auto px = pixelDe(p, mv, l, h, centres[k]);
        Rayon r;
        ASSERT_TRUE(rayonSousPixel(p, mv, l, h, px[0], px[1], r));
        const std::optional<Impact> i = premierImpact(r, tous);
        ASSERT_TRUE(i.has_value()) << k;
        EXPECT_EQ(i->maillage, k);
    }
}
