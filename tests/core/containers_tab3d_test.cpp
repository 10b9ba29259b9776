#include "core/CListe.h"
#include "core/CTab3D.h"
#include "core/Tuples.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Fills element (x, y, z) with a value unique to its position.
template <class T>
void numeroter(CTab3D<T>& t)
{
    for (int x = 0; x < t.dimX; ++x)
        for (int y = 0; y < t.dimY; ++y)
            for (int z = 0; z < t.dimZ; ++z)
                t[x][y][z] = static_cast<T>((x * 100 + y) * 100 + z);
}

template <class T>
bool numerote(const CTab3D<T>& t)
{
    for (int x = 0; x < t.dimX; ++x)
        for (int y = 0; y < t.dimY; ++y)
            for (int z = 0; z < t.dimZ; ++z)
                if (t.tab[x][y][z] != static_cast<T>((x * 100 + y) * 100 + z))
                    return false;
    return true;
}

TEST(CTab3D, IndexingReachesDistinctElements)
{
    CTab3D<int> t(3, 4, 5);
    ASSERT_EQ(t.dimX, 3);
    ASSERT_EQ(t.dimY, 4);
    ASSERT_EQ(t.dimZ, 5);
    numeroter(t);
    EXPECT_TRUE(numerote(t));
    // z is the innermost, contiguous index.
    EXPECT_EQ(&t[1][2][3] + 1, &t[1][2][4]);

    t.remplir(-1);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 4; ++y)
            for (int z = 0; z < 5; ++z)
                ASSERT_EQ(t[x][y][z], -1);

    EXPECT_TRUE(t.init(2, 1, 7));
    EXPECT_EQ(t.dimX * t.dimY * t.dimZ, 14);
    numeroter(t);
    EXPECT_TRUE(numerote(t));

    EXPECT_TRUE(t.init(0, 0, 0));
    EXPECT_FALSE(t.init(-1, 2, 2));
    EXPECT_EQ(t.dimX, 0);
    EXPECT_FALSE(t.contient(CTriplet<int>(0, 0, 0)));
}

TEST(CTab3D, ContainsOnlyValidIndices)
{
    CTab3D<bool> t(2, 3, 4);
    EXPECT_TRUE(t.contient(CTriplet<int>(0, 0, 0)));
    EXPECT_TRUE(t.contient(CTriplet<int>(1, 2, 3)));
    EXPECT_FALSE(t.contient(CTriplet<int>(-1, 0, 0)));
    EXPECT_FALSE(t.contient(CTriplet<int>(0, -1, 0)));
    EXPECT_FALSE(t.contient(CTriplet<int>(0, 0, -1)));
    EXPECT_FALSE(t.contient(CTriplet<int>(2, 0, 0)));
    EXPECT_FALSE(t.contient(CTriplet<int>(0, 3, 0)));
    EXPECT_FALSE(t.contient(CTriplet<int>(0, 0, 4)));
}

TEST(CTab3D, CopiesAreDeep)
{
    CTab3D<float> a(2, 3, 2);
    numeroter(a);
    CTab3D<float> b(a);
    b[0][0][0] = -5;
    EXPECT_EQ(a[0][0][0], 0);
    EXPECT_TRUE(numerote(CTab3D<float>(a)));

    CTab3D<float> c(1, 1, 1);
    c = a;
    EXPECT_EQ(c.dimX, 2);
    EXPECT_EQ(c.dimZ, 2);
    EXPECT_TRUE(numerote(c));

    CTab3DSimple<int> s(2, 2, 3);
    numeroter(s);
    CTab3DSimple<int> meme(2, 2, 3);
    int* stockage = &meme[0][0][0];
    meme = s;
    EXPECT_EQ(&meme[0][0][0], stockage);
    EXPECT_TRUE(numerote(meme));
    CTab3DSimple<int> autre(5, 1, 1);
    autre = s;
    EXPECT_EQ(autre.dimX, 2);
    EXPECT_EQ(autre.dimZ, 3);
    EXPECT_TRUE(numerote(autre));
    autre[1][1][2] = 0;
    EXPECT_TRUE(numerote(s));
    CTab3DSimple<int> vide;
    autre = vide;
    EXPECT_EQ(autre.dimX, 0);
    EXPECT_EQ(autre.tab, nullptr);
}

TEST(CTab3D, NormaliseMapsOntoUnitRange)
{
    CTab3D<float> t(2, 2, 2);
    numeroter(t);
    t[1][1][1] = -50;
    const CTab3D<float> n = t.normalise();
    ASSERT_EQ(n.dimX, 2);
    float mini = 1, maxi = 0;
    for (int x = 0; x < 2; ++x)
        for (int y = 0; y < 2; ++y)
            for (int z = 0; z < 2; ++z) {
                mini = std::min(mini, n.tab[x][y][z]);
                maxi = std::max(maxi, n.tab[x][y][z]);
                // The map is increasing: order between elements is kept.
                EXPECT_EQ(n.tab[x][y][z] < n.tab[0][0][1], t[x][y][z] < t[0][0][1]);
            }
    EXPECT_EQ(mini, 0.0f);
    EXPECT_EQ(maxi, 1.0f);
    EXPECT_EQ(n.tab[1][1][1], 0.0f);
    EXPECT_FLOAT_EQ(n.tab[0][0][1], 51.0f / (10100.0f + 50.0f));

    CTab3D<float> constante(1, 2, 3);
    constante.remplir(4);
    const CTab3D<float> zeros = constante.normalise();
    EXPECT_EQ(zeros.tab[0][1][2], 0.0f);
}

TEST(CEnsemble, VoxelTripletsSortLexicographically)
{
    CEnsemble<CTriplet<int>, 1000000> s;
    s.ajouter(CTriplet<int>(0, 9, 9)).ajouter(CTriplet<int>(1, 0, 0)).ajouter(CTriplet<int>(0, 0, 0));
    s.ajouter(CTriplet<int>(0, 0, -1)).ajouter(CTriplet<int>(1, 0, 0));
    ASSERT_EQ(s.longueur(), 4);
    EXPECT_EQ(s[0], CTriplet<int>(0, 0, -1));
    EXPECT_EQ(s[1], CTriplet<int>(0, 0, 0));
    EXPECT_EQ(s[2], CTriplet<int>(0, 9, 9));
    EXPECT_EQ(s[3], CTriplet<int>(1, 0, 0));
    EXPECT_EQ(s.indice(CTriplet<int>(0, 9, 8)), -1);

    // A whole grid added in reverse order comes out in scan order.
    CEnsemble<CTriplet<int>, 1000000> grille;
    for (int x = 9; x >= 0; --x)
        for (int y = 9; y >= 0; --y)
            for (int z = 9; z >= 0; --z)
                grille.ajouter(CTriplet<int>(x, y, z));
    ASSERT_EQ(grille.longueur(), 1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(grille[i], CTriplet<int>(i / 100, (i / 10) % 10, i % 10));
}

}  // namespace
