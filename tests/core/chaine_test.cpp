#include "core/CPoint3D.h"
#include "core/Chaine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

// Checks the invariant of the string against the expected text.
void attendreTexte(const Chaine& c, const char* attendu) {
    const int n = int(std::strlen(attendu));
    EXPECT_EQ(c.lg, n);
    if (n == 0) {
        EXPECT_EQ(c.texte, nullptr);
    } else {
        ASSERT_NE(c.texte, nullptr);
        EXPECT_STREQ(c.texte, attendu);
    }
}

std::vector<int> positions(const Chaine& c, const char* motif) {
    int* p = reinterpret_cast<int*>(1);
    int n = -1;
    c.occurences(motif, p, n);
    std::vector<int> r(p, p + n);
    delete[] p;
    return r;
}

} // namespace

TEST(Chaine, ConstructionAndAssignment) {
    attendreTexte(Chaine(), "");
    attendreTexte(Chaine(""), "");
    attendreTexte(Chaine(static_cast<const char*>(nullptr)), "");
    attendreTexte(Chaine('a'), "a");
    attendreTexte(Chaine('\0'), "");
    attendreTexte(Chaine("volume"), "volume");

    Chaine a("abc");
    Chaine b(a);
    b += 'd';
    attendreTexte(a, "abc");
    attendreTexte(b, "abcd");
    a = b;
    attendreTexte(a, "abcd");
    a = a;
    attendreTexte(a, "abcd");
    a = 'z';
    attendreTexte(a, "z");
    a = "";
    attendreTexte(a, "");
    a = "xy";
    Chaine c(std::move(a));
    attendreTexte(c, "xy");
    b = std::move(c);
    attendreTexte(b, "xy");
    std::vector<Chaine> v(3, Chaine("p"));
    v.push_back(b);
    v.resize(20);
    attendreTexte(v[3], "xy");
    attendreTexte(v[0], "p");
}

TEST(Chaine, Concatenation) {
    Chaine s;
    s += "";
    attendreTexte(s, "");
    s += "ab";
    attendreTexte(s, "ab");
    s += Chaine("cd");
    s += 'e';
    s += '\0';
    s += static_cast<const char*>(nullptr);
    attendreTexte(s, "abcde");
    s += s;
    attendreTexte(s, "abcdeabcde");
    attendreTexte(Chaine("x") + 'y' + "z" + Chaine("w"), "xyzw");
    attendreTexte("(" + Chaine("1") + ")", "(1)");
    attendreTexte(Chaine() + Chaine(), "");
}

TEST(Chaine, RemovalAndComparison) {
    Chaine s("a,b,,c,");
    s -= ',';
    attendreTexte(s, "abc");
    s -= 'q';
    attendreTexte(s, "abc");
    s -= '\0';
    attendreTexte(s, "abc");
    Chaine t("xxx");
    t -= 'x';
    attendreTexte(t, "");
    t -= 'x';
    attendreTexte(t, "");

    EXPECT_FALSE(s != "abc");
    EXPECT_TRUE(s != "abd");
    EXPECT_TRUE(s != "ab");
    EXPECT_FALSE(Chaine() != "");
    EXPECT_TRUE(s == Chaine("abc"));
    EXPECT_TRUE(Chaine() != Chaine("a"));
    EXPECT_STREQ(Chaine().c_str(), "");
}

TEST(Chaine, SubstringBounds) {
    const Chaine s("maillage");
    attendreTexte(s.souschaine(0, 3), "mail");
    attendreTexte(s.souschaine(4, 7), "lage");
    attendreTexte(s.souschaine(2, 2), "i");
    attendreTexte(s.souschaine(3, 2), "");
    attendreTexte(s.souschaine(0, s.lg), "");
    attendreTexte(s.souschaine(-1, 2), "");
    attendreTexte(Chaine().souschaine(0, 0), "");
}

TEST(Chaine, OccurrencesCountOverlappingMatches) {
    const Chaine s("aaaa-aa");
    EXPECT_EQ(positions(s, "aa"), (std::vector<int>{0, 1, 2, 5}));
    EXPECT_EQ(positions(s, "-"), (std::vector<int>{4}));
    EXPECT_EQ(positions(s, "b"), std::vector<int>{});
    EXPECT_EQ(positions(s, ""), std::vector<int>{});
    EXPECT_EQ(positions(s, "aaaa-aaa"), std::vector<int>{});
    EXPECT_EQ(positions(Chaine(), "a"), std::vector<int>{});
    int* p = nullptr;
    int n = 0;
    s.occurences(Chaine("a-a"), p, n);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(p[0], 3);
    delete[] p;
}

TEST(Chaine, NumberAndTupleFormatting) {
    attendreTexte(toChaine(-42), "-42");
    attendreTexte(toChaine(0.5f), "0.500");
    attendreTexte(toChaine(-1.0f / 3.0f), "-0.333");
    attendreTexte(toChaine(CTriplet<float>(1, 2.5f, -3)), "(1.000,2.500,-3.000)");
    attendreTexte(toChaine(CCouple<int>(4, 5)), "(4,5)");
    attendreTexte(toChaine(CTriplet<int>(-1, 0, 7)), "(-1,0,7)");
    attendreTexte(toChaine(CQuadruplet<int>(1, 2, 3, 4)), "(1,2,3,4)");
    attendreTexte(toChaine(CPoint3D(0.25f, 1, 2)), "(0.250,1.000,2.000)");
    EXPECT_EQ(toChaine(3.4e38f).lg, 43);
}
