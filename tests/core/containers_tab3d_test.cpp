#include "core/CListe.h"
#include "core/CTab3D.h"
#include "core/Tuples.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Fills element (x, y, z) with a value unique to its position.
template <class T> void numeroter(CTab3D<T>& t) {
    for (int x = 0; x < t.dimX; ++x)
        for (int y = 0; y < t.dimY; ++y)
            for (int z = 0; z < t.dimZ; ++z)
                t[x][y][z] = static_cast<T>((x * 100 + y) * 100 + z);
}

template <class T> bool numerote(const CTab3D<T>& t) {
    for (int x = 0; x < t.dimX; ++x)
        for (int y = 0; y < t.dimY; ++y)
            for (int z = 0; z < t.dimZ; ++z)
                if (t.tab[x][y][z] != static_cast<T>((x * 100 + y) * 100 + z))
                    return false;
    return true;
}

TEST(CTab3D, IndexingAndBounds) {
    CTab3D<int> t(3, 4, 5);
    numeroter(t);
    EXPECT_TRUE(numerote(t));
    EXPECT_EQ(&t[1][2][3] + 1, &t[1][2][4]); // z is the contiguous index
    t.remplir(-1);
    EXPECT_EQ(std::count(&t[0][0][0], &t[0][0][0] + 60, -1), 60);

    EXPECT_TRUE(t.init(2, 1, 7));
    numeroter(t);
    EXPECT_TRUE(numerote(t));
    for (int x = -1; x <= 2; ++x)
        for (int y = -1; y <= 1; ++y)
            for (int z = -1; z <= 7; ++z)
                EXPECT_EQ(t.contient(CTriplet<int>(x, y, z)),
                          x >= 0 && x < 2 && y == 0 && z >= 0 && z < 7);

    EXPECT_FALSE(t.init(-1, 2, 2));
    EXPECT_EQ(t.dimX, 0);
    EXPECT_FALSE(t.contient(CTriplet<int>(0, 0, 0)));
}

TEST(CTab3D, CopiesAreDeep) {
    CTab3D<float> a(2, 3, 2);
    numeroter(a);
    CTab3D<float> b(a);
    b[0][0][0] = -5;
    CTab3D<float> c(1, 1, 1);
    c = a;
    EXPECT_TRUE(numerote(a));
    EXPECT_TRUE(numerote(c));
    EXPECT_EQ(c.dimX * c.dimY * c.dimZ, 12);

    CTab3DSimple<int> s(2, 2, 3);
    numeroter(s);
    CTab3DSimple<int> meme(2, 2, 3);
    int* stockage = &meme[0][0][0];
    meme = s;
    EXPECT_EQ(&meme[0][0][0], stockage);
    EXPECT_TRUE(numerote(meme));
    CTab3DSimple<int> autre(5, 1, 1);
    autre = s;
    EXPECT_TRUE(numerote(autre));
    EXPECT_EQ(autre.dimZ, 3);
    autre[1][1][2] = 0;
    EXPECT_TRUE(numerote(s));
    autre = CTab3DSimple<int>();
    EXPECT_EQ(autre.tab, nullptr);
}

// A zeroed grid reads 0 everywhere, indexes like any other, survives a move, and a later init
// or copy of it gives ordinary storage again.
TEST(CTab3D, ZeroedGridsIndexMoveAndReinitialise) {
    CTab3DSimple<int> t;
    ASSERT_TRUE(t.initZeros(4, 3, 5));
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 3; ++y)
            for (int z = 0; z < 5; ++z)
                ASSERT_EQ(t[x][y][z], 0);
    numeroter(t);
    EXPECT_TRUE(numerote(t));
    CTab3DSimple<int> deplace(std::move(t));
    EXPECT_EQ(t.dimX, 0);
    EXPECT_TRUE(numerote(deplace));
    CTab3DSimple<int> copie(deplace);
    EXPECT_TRUE(numerote(copie));
    ASSERT_TRUE(deplace.init(2, 2, 2));
    numeroter(deplace);
    EXPECT_TRUE(numerote(deplace));
    ASSERT_TRUE(deplace.initZeros(0, 3, 3));
    EXPECT_EQ(deplace.dimX, 0);
}

TEST(CTab3D, NormaliseMapsOntoUnitRange) {
    CTab3D<float> t(2, 2, 2);
    numeroter(t);
    t[1][1][1] = -50;
    const CTab3D<float> n = t.normalise();
    const float* v = &n.tab[0][0][0];
    EXPECT_EQ(*std::min_element(v, v + 8), 0.0f);
    EXPECT_EQ(*std::max_element(v, v + 8), 1.0f);
    EXPECT_EQ(n.tab[1][1][1], 0.0f);
    EXPECT_FLOAT_EQ(n.tab[0][0][1], 51.0f / 10150.0f);

    CTab3D<float> constante(1, 2, 3);
    constante.remplir(4);
    EXPECT_EQ(constante.normalise().tab[0][1][2], 0.0f);
}

TEST(CEnsemble, VoxelTripletsSortLexicographically) {
    CEnsemble<CTriplet<int>, 1000000> s;
    s.ajouter(CTriplet<int>(0, 9, 9))
        .ajouter(CTriplet<int>(1, 0, 0))
        .ajouter(CTriplet<int>(0, 0, 0));
    s.ajouter(CTriplet<int>(0, 0, -1)).ajouter(CTriplet<int>(1, 0, 0));
    ASSERT_EQ(s.longueur(), 4);
    EXPECT_EQ(s[0], CTriplet<int>(0, 0, -1));
    EXPECT_EQ(s[1], CTriplet<int>(0, 0, 0));
    EXPECT_EQ(s[2], CTriplet<int>(0, 9, 9));
    EXPECT_EQ(s[3], CTriplet<int>(1, 0, 0));
    EXPECT_EQ(s.indice(CTriplet<int>(0, 9, 8)), -1);
    EXPECT_EQ(s.indice(CTriplet<int>(2, 0, 0)), -1);

    // A whole grid added in reverse order comes out in scan order.
    CEnsemble<CTriplet<int>, 1000000> grille;
    for (int i = 999; i >= 0; --i)
        grille.ajouter(CTriplet<int>(i / 100, (i / 10) % 10, i % 10));
    ASSERT_EQ(grille.longueur(), 1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(grille[i], CTriplet<int>(i / 100, (i / 10) % 10, i % 10));
}

} // namespace
