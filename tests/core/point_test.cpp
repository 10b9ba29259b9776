#include "core/CPoint3D.h"
#include "core/CVecteur3D.h"
#include "core/Pi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <type_traits>

namespace {

// Sets the class-wide frame for one test and restores the initial frame afterwards.
class Repere : public testing::Test {
protected:
    void SetUp() override { regler(1, 1, 1); }
    void TearDown() override { regler(1, 1, 1); }
    static void regler(float w, float h, float d) {
        CPoint3D::width = w;
        CPoint3D::height = h;
        CPoint3D::depth = d;
        CPoint3D::maxdim = std::fmax(w, std::fmax(h, d));
        CPoint3D::step_z = 1.0f;
    }
};

void attendreProche(const CPoint3D& a, const CPoint3D& b, float tol = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

} // namespace

TEST(Point, PlainTwelveByteValue) {
    static_assert(sizeof(CPoint3D) == 12);
    static_assert(std::is_trivially_copyable_v<CPoint3D>);
    static_assert(!std::is_polymorphic_v<CPoint3D>);
    EXPECT_EQ(CPoint3D::width, 1.0f);
    EXPECT_EQ(CPoint3D::step_z, 1.0f);
    EXPECT_EQ(CPoint3D(), CPoint3D(0, 0, 0));
    EXPECT_EQ(CPoint3D(CTriplet<float>(1, 2, 3)), CPoint3D(1, 2, 3));
}

TEST(Point, ArithmeticAndProducts) {
    const CPoint3D a(1, 2, 3), b(-4, 0.5f, 2);
    EXPECT_EQ(a + b - b, a);
    EXPECT_EQ(a * 2.0, CPoint3D(2, 4, 6));
    EXPECT_EQ(a / 2.0, CPoint3D(0.5f, 1, 1.5f));
    EXPECT_EQ(-a, CPoint3D(-1, -2, -3));
    CPoint3D c = a;
    c += b;
    EXPECT_EQ(c, a + b);
    EXPECT_EQ(c *= 0.5, (a + b) * 0.5);
    const CPoint3D n = a.produitVectoriel(b);
    EXPECT_NEAR(n.produitScalaire(a), 0.0, 1e-5);
    EXPECT_NEAR(n.produitScalaire(b), 0.0, 1e-5);
    EXPECT_EQ(CPoint3D(1, 0, 0).produitVectoriel(CPoint3D(0, 1, 0)), CPoint3D(0, 0, 1));
    EXPECT_FLOAT_EQ(CPoint3D(2, 3, 6).norme(), 7.0f);
    EXPECT_NEAR(b.normalise().norme(), 1.0f, 1e-6);
}

TEST_F(Repere, VoxelCornersMapToTheDrawingCube) {
    regler(100, 100, 50);
    attendreProche(CPoint3D(0, 0, 0).Image2GL(), CPoint3D(-1, 1, -0.5f));
    attendreProche(CPoint3D(100, 100, 50).Image2GL(), CPoint3D(1, -1, 0.5f));
    attendreProche(CPoint3D(50, 50, 25).Image2GL(), CPoint3D(0, 0, 0));
    attendreProche(CPoint3D(10, 10, 10).Image2GLVect(), CPoint3D(0.2f, -0.2f, 0.2f));
}

TEST_F(Repere, ConversionsAreInverse) {
    regler(64, 32, 17);
    CPoint3D::step_z = 2.5f;
    const CPoint3D pts[] = {{0, 0, 0}, {63.5f, 1.25f, 16}, {-3, 40, 8}};
    for (const CPoint3D& p : pts) {
        attendreProche(p.Image2GL().GL2Image(), p, 1e-4f);
        attendreProche(p.Image2GLVect().GL2ImageVect(), p, 1e-4f);
        CPoint3D q = p;
        q.setImage2GL();
        EXPECT_EQ(q, p.Image2GL());
        q.setGL2Image();
        attendreProche(q, p, 1e-4f);
        q.setImage2GLVect();
        q.setGL2ImageVect();
        attendreProche(q, p, 1e-4f);
    }
}

TEST_F(Repere, InsideTheImageExcludesUpperBoundsAndNaN) {
    regler(10, 20, 30);
    EXPECT_TRUE(CPoint3D(0, 0, 0).isInImage());
    EXPECT_TRUE(CPoint3D(9.99f, 19.99f, 29.99f).isInImage());
    EXPECT_FALSE(CPoint3D(10, 0, 0).isInImage());
    EXPECT_FALSE(CPoint3D(0, 20, 0).isInImage());
    EXPECT_FALSE(CPoint3D(0, 0, 30).isInImage());
    EXPECT_FALSE(CPoint3D(-0.01f, 0, 0).isInImage());
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(CPoint3D(nan, 1, 1).isInImage());
    EXPECT_FALSE(CPoint3D(1, nan, 1).isInImage());
    EXPECT_FALSE(CPoint3D(1, 1, nan).isInImage());
}

TEST(Point, SphericalRoundTrip) {
    const CPoint3D pts[] = {{1, 0, 0}, {0, 0, 2}, {-1, -1, 0.5f}, {3, -4, -5}, {0, -2, 0}};
    for (const CPoint3D& p : pts) {
        const CPoint3D s = p.cart2pol();
        EXPECT_NEAR(s.x, p.norme(), 1e-5);
        EXPECT_GE(s.y, 0.0f);
        EXPECT_LT(s.y, static_cast<float>(2 * kPiCinqDecimales) + 1e-5f);
        EXPECT_GE(s.z, 0.0f);
        EXPECT_LE(s.z, 3.1416f);
        attendreProche(s.pol2cart(), p, 1e-4f);
    }
    EXPECT_EQ(CPoint3D().cart2pol(), CPoint3D());
}

TEST(CVecteur3D, OperationsOfTheCameras) {
    const CVecteur3D from(1, 2, 3), to(4, 6, 3);
    const CVecteur3D d(from, to);
    EXPECT_EQ(d.getX(), 3);
    EXPECT_EQ(d.getY(), 4);
    EXPECT_EQ(d.getZ(), 0);
    EXPECT_DOUBLE_EQ(d.length(), 5.0);
    CVecteur3D u = d;
    EXPECT_DOUBLE_EQ(u.normalize().length(), 1.0);
    EXPECT_DOUBLE_EQ(u.getX(), 0.6);
    const CVecteur3D up(0, 1, 0), forward(0, 0, -1);
    const CVecteur3D left = up.crossProduct(forward);
    EXPECT_DOUBLE_EQ(left.getX(), -1);
    EXPECT_DOUBLE_EQ(left.getY(), 0);
    EXPECT_DOUBLE_EQ(left.getZ(), 0);
    CVecteur3D v;
    v.setX(1);
    v.setY(-2);
    v.setZ(0.5);
    v += from;
    v -= from;
    v *= 4;
    v /= 2;
    EXPECT_DOUBLE_EQ((v - from + from).getY(), -4);
    EXPECT_DOUBLE_EQ((v * 0.5).getZ(), 0.5);
    EXPECT_DOUBLE_EQ((v / 2).getX(), 1);
}
