#include "core/Tuples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

TEST(Tuples, DefaultsAreZeroAndArithmeticIsMemberwise) {
    EXPECT_EQ(CTriplet<int>(), CTriplet<int>(0, 0, 0));
    EXPECT_EQ(CTriplet<float>(), CTriplet<float>(0, 0, 0));
    EXPECT_EQ(CCouple<int>(), CCouple<int>(0, 0));
    EXPECT_EQ(CQuadruplet<int>(), CQuadruplet<int>(0, 0, 0, 0));
    EXPECT_EQ(CCouple<int*>().x, nullptr);

    const CTriplet<int> a(1, -2, 3), b(4, 5, -6);
    EXPECT_EQ(a + b, CTriplet<int>(5, 3, -3));
    EXPECT_EQ(a - b, CTriplet<int>(-3, -7, 9));
    EXPECT_EQ(-a, CTriplet<int>(-1, 2, -3));
    EXPECT_EQ(a * 3, CTriplet<int>(3, -6, 9));
    EXPECT_EQ(b / 2, CTriplet<int>(2, 2, -3));
    EXPECT_EQ((a + b) - b, a);

    CTriplet<int> c = a;
    c += b;
    EXPECT_EQ(c, a + b);
    c -= b;
    EXPECT_EQ(c, a);
    // The scalar compound forms return the new value by value, and change the tuple.
    EXPECT_EQ(c *= 2, a * 2);
    EXPECT_EQ(c, a * 2);
    EXPECT_EQ(c /= 2, a);
    EXPECT_NE(c, b);
    c.init(7, 8, 9);
    EXPECT_EQ(c, CTriplet<int>(7, 8, 9));

    const CQuadruplet<int> q(1, 2, 3, 4);
    EXPECT_EQ(q + q, q * 2);
    EXPECT_NE(q, CQuadruplet<int>(1, 2, 3, 5));
    EXPECT_EQ(CCouple<float>(1.5f, 2) * 2.0f, CCouple<float>(3, 4));
    EXPECT_EQ(CTriplet<float>(1, 2, 3) * 0.5, CTriplet<float>(0.5f, 1, 1.5f));
}

template <class T, class S>
concept multipliable = requires(T t, S s) {
    t* s;
};

// Scaling integer tuples by a real would silently truncate the scalar: it does not compile.
static_assert(multipliable<CTriplet<int>, int>);
static_assert(!multipliable<CTriplet<int>, double>);
static_assert(!multipliable<CCouple<int>, float>);
static_assert(multipliable<CTriplet<float>, double>);

TEST(Tuples, IntegerTripletOrderIsLexicographicAndSigned) {
    std::vector<CTriplet<int>> v = {{0, 0, 1}, {-1, 5, 5}, {0, -1, 9}, {0, 0, -1}, {2, -9, -9}};
    std::sort(v.begin(), v.end());
    const std::vector<CTriplet<int>> attendu = {
        {-1, 5, 5}, {0, -1, 9}, {0, 0, -1}, {0, 0, 1}, {2, -9, -9}};
    EXPECT_EQ(v, attendu);
    for (size_t i = 0; i + 1 < v.size(); ++i) {
        EXPECT_TRUE(v[i] < v[i + 1]);
        EXPECT_TRUE(v[i + 1] > v[i]);
        EXPECT_FALSE(v[i] > v[i + 1]);
    }
    const CTriplet<int> p(3, 3, 3);
    EXPECT_FALSE(p < p);
    EXPECT_FALSE(p > p);
}

TEST(Tuples, IntervalBoundsAreInclusive) {
    const CTriplet<int> inf(0, 0, 0), sup(9, 4, 2);
    EXPECT_TRUE(inf.estDansIntervalle(inf, sup));
    EXPECT_TRUE(sup.estDansIntervalle(inf, sup));
    EXPECT_TRUE(CTriplet<int>(9, 0, 2).estDansIntervalle(inf, sup));
    EXPECT_FALSE(CTriplet<int>(10, 0, 0).estDansIntervalle(inf, sup));
    EXPECT_FALSE(CTriplet<int>(0, -1, 0).estDansIntervalle(inf, sup));
    EXPECT_FALSE(CTriplet<int>(0, 0, 3).estDansIntervalle(inf, sup));
    EXPECT_TRUE(CCouple<int>(1, 1).estDansIntervalle({1, 1}, {1, 1}));
    EXPECT_FALSE(CQuadruplet<int>(0, 0, 0, 5).estDansIntervalle({0, 0, 0, 0}, {1, 1, 1, 4}));
}

TEST(Tuples, RealLengthsAndNormalisation) {
    const CTriplet<float> t(3, 4, 12);
    EXPECT_FLOAT_EQ(t.norme2(), 169.0f);
    EXPECT_FLOAT_EQ(t.norme(), 13.0f);
    EXPECT_NEAR(t.normalise().norme(), 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(t.normalise().x, 3.0f / 13.0f);
    const CCouple<float> c(-6, 8);
    EXPECT_FLOAT_EQ(c.norme(), 10.0f);
    EXPECT_NEAR(c.normalise().norme(), 1.0f, 1e-6);
    EXPECT_TRUE(std::isnan(CTriplet<float>().normalise().x));
}

TEST(Tuples, RealToIntegerConversionTruncatesTowardZero) {
    const CTriplet<int> t = CTriplet<float>(2.9f, -2.9f, 0.5f);
    EXPECT_EQ(t, CTriplet<int>(2, -2, 0));
    const CCouple<int> c = CCouple<float>(-0.99f, 7.999f);
    EXPECT_EQ(c, CCouple<int>(0, 7));
    // Out-of-range and NaN members saturate or give 0 instead of being undefined.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const CTriplet<int> s = CTriplet<float>(1e20f, -1e20f, nan);
    EXPECT_EQ(s,
              CTriplet<int>(std::numeric_limits<int>::max(), std::numeric_limits<int>::min(), 0));
    EXPECT_EQ(tronquer<short>(-40000.0), std::numeric_limits<short>::min());
}

TEST(Tuples, MixedPairOrdersByValue) {
    std::vector<CPolyCouple<float, int>> v = {{2.5f, 0}, {-1.0f, 1}, {0.5f, 2}};
    std::sort(v.begin(), v.end());
    EXPECT_EQ(v[0].y, 1);
    EXPECT_EQ(v[1].y, 2);
    EXPECT_EQ(v[2].y, 0);
    EXPECT_TRUE(v[2] > v[0]);
    EXPECT_EQ(v[0], (CPolyCouple<float, int>(-1.0f, 1)));
    EXPECT_NE(v[0], (CPolyCouple<float, int>(-1.0f, 2)));
}
