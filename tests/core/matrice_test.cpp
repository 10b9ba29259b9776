#include "core/CMatrice.h"
#include "core/Tuples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

CMatrice<float> depuis(int n, int m, std::initializer_list<float> v) {
    CMatrice<float> r(n, m);
    auto it = v.begin();
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            r[i][j] = *it++;
        }
    }
    return r;
}

void attendreIdentite(const CMatrice<float>& a, float tol) {
    for (int i = 0; i < a.nbLignes; ++i) {
        for (int j = 0; j < a.nbColonnes; ++j) {
            EXPECT_NEAR(a[i][j], i == j ? 1.0f : 0.0f, tol) << i << "," << j;
        }
    }
}

} // namespace

TEST(CMatrice, StorageIsOwnedAndCopiesAreDeep) {
    CMatrice<int> a(2, 3);
    EXPECT_EQ(a.nbLignes, 2);
    EXPECT_EQ(a.nbColonnes, 3);
    EXPECT_EQ(a[1][2], 0);
    a.remplir(7);
    CMatrice<int> b(a);
    b[0][0] = 1;
    EXPECT_EQ(a[0][0], 7);
    CMatrice<int> c;
    c = b;
    c[1][1] = 2;
    EXPECT_EQ(b[1][1], 7);
    EXPECT_EQ(c[0][0], 1);
    c = c;
    EXPECT_EQ(c[1][1], 2);
    c.init(0, 5);
    EXPECT_EQ(c.nbLignes, 0);
    EXPECT_EQ(c.tab, nullptr);
    CMatrice<int> d(-3, 4);
    EXPECT_EQ(d.nbColonnes, 0);

    CMatrice<CCouple<int>> bornes(2, 2);
    EXPECT_EQ(bornes[1][1], CCouple<int>(0, 0));
    bornes[0][1] = {3, 4};
    CMatrice<CCouple<int>> copie = bornes;
    EXPECT_EQ(copie[0][1], CCouple<int>(3, 4));
}

TEST(CMatrice, ProductAndIdentity) {
    const CMatrice<float> a = depuis(2, 3, {1, 2, 3, 4, 5, 6});
    const CMatrice<float> b = depuis(3, 2, {7, 8, 9, 10, 11, 12});
    const CMatrice<float> p = a * b;
    ASSERT_EQ(p.nbLignes, 2);
    ASSERT_EQ(p.nbColonnes, 2);
    EXPECT_EQ(p[0][0], 58);
    EXPECT_EQ(p[0][1], 64);
    EXPECT_EQ(p[1][0], 139);
    EXPECT_EQ(p[1][1], 154);
    CMatrice<float> id(3, 3);
    id.identite();
    const CMatrice<float> q = a * id;
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(q[1][j], a[1][j]);
    }
    const CMatrice<float> incompatible = a * a;
    EXPECT_EQ(incompatible.nbLignes, 0);
    EXPECT_EQ(incompatible.tab, nullptr);
}

TEST(CMatrice, NormaliseSpansZeroToOne) {
    const CMatrice<float> a = depuis(2, 2, {-2, 0, 2, 6});
    const CMatrice<float> n = a.normalise();
    EXPECT_FLOAT_EQ(n[0][0], 0.0f);
    EXPECT_FLOAT_EQ(n[0][1], 0.25f);
    EXPECT_FLOAT_EQ(n[1][1], 1.0f);
    EXPECT_EQ(a[1][1], 6);
    CMatrice<float> constante(2, 2);
    constante.remplir(3);
    EXPECT_EQ(constante.normalise()[1][0], 0.0f);
}

TEST(CMatrice, InverseTimesMatrixIsIdentity) {
    const CMatrice<float> a = depuis(3, 3, {4, 7, 2, 3, 6, 1, 2, 5, 3});
    testing::internal::CaptureStdout();
    const CMatrice<float> inv = a.inverse();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    attendreIdentite(a * inv, 1e-4f);
    attendreIdentite(inv * a, 1e-4f);
}

TEST(CMatrice, ZeroPivotsAndNonSquareMatricesAreReported) {
    // A leading zero pivot is replaced by 1e-6: the elimination goes on without a pivot search.
    const CMatrice<float> a = depuis(2, 2, {0, 1, 1, 0});
    testing::internal::CaptureStdout();
    const CMatrice<float> inv = a.inverse();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Triangulation supérieure : coefficient [0][0] nul\n");
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            EXPECT_TRUE(std::isfinite(inv[i][j]));
        }
    }

    CMatrice<float> singulier(2, 2);
    testing::internal::CaptureStdout();
    const CMatrice<float> s = singulier.inverse();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Triangulation supérieure : coefficient [0][0] nul\n"
              "Triangulation inférieure : coefficient [1][1] nul\n");
    EXPECT_TRUE(std::isfinite(s[1][1]));

    const CMatrice<float> rect = depuis(2, 3, {2, 0, 9, 0, 4, 9});
    testing::internal::CaptureStdout();
    const CMatrice<float> r = rect.inverse();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "La matrice n'est pas carrée\n");
    EXPECT_EQ(r.nbLignes, 2);
    EXPECT_EQ(r.nbColonnes, 3);
    EXPECT_FLOAT_EQ(r[0][0], 0.5f);
    EXPECT_FLOAT_EQ(r[1][1], 0.25f);

    const CMatrice<float> haute = depuis(3, 1, {5, 1, 1});
    testing::internal::CaptureStdout();
    const CMatrice<float> h = haute.inverse();
    testing::internal::GetCapturedStdout();
    EXPECT_FLOAT_EQ(h[0][0], 0.2f);
}
