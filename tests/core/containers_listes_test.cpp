#include "core/CListe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

template <class T, int N> std::vector<T> contenu(const CListe<T, N>& l) {
    std::vector<T> v;
    for (int i = 0; i < l.longueur(); ++i)
        v.push_back(l[i]);
    return v;
}

// Counts the live objects, to check that each stored element is destroyed exactly once.
struct Compte {
    static int vivants;
    int v = 0;
    Compte() { ++vivants; }
    Compte(int valeur) : v(valeur) { ++vivants; }
    Compte(const Compte& o) : v(o.v) { ++vivants; }
    Compte& operator=(const Compte&) = default;
    ~Compte() { --vivants; }
    bool operator<(const Compte& o) const { return v < o.v; }
};
int Compte::vivants = 0;

TEST(CListe, CopiesAndAssignmentsAreDeep) {
    CListe<std::string, 10> a;
    a.ajouter("un").ajouter("deux").ajouter("trois");
    CListe<std::string, 10> b(a);
    b[0] = "autre";
    CListe<std::string, 10> c;
    c.ajouter("x");
    c = a;
    c[2] = "modifie";
    c = c;
    EXPECT_EQ(contenu(a), (std::vector<std::string>{"un", "deux", "trois"}));
    EXPECT_EQ(contenu(c), (std::vector<std::string>{"un", "deux", "modifie"}));
    a.vider().ajouter("encore");
    EXPECT_EQ(contenu(a), std::vector<std::string>{"encore"});
    EXPECT_EQ(b.longueur(), 3);
}

TEST(CListe, ReferencesStayValidWhileOthersMove) {
    CEnsemble<int, 100000> s;
    s.ajouter(500);
    int& cinqCents = s[0];
    for (int v = 0; v < 1000; ++v)
        s.ajouter(v);
    for (int v = 0; v < 1000; v += 3)
        if (v != 500)
            s.enlever(v);
    EXPECT_EQ(&s[s.indice(500)], &cinqCents);

    // A huge capacity costs nothing up front and many blocks keep earlier cells in place.
    CListe<int, 1 << 28> grande;
    grande.ajouter(7);
    int& premier = grande[0];
    for (int i = 0; i < 200000; ++i)
        grande.ajouter(i);
    EXPECT_EQ(&grande[0], &premier);
    EXPECT_EQ(grande[200000], 199999);
}

TEST(CListe, CapacityAndIndexOutsideTheList) {
    CListe<int, 3> l;
    l.ajouter(1).ajouter(2).ajouter(3);
    EXPECT_DEBUG_DEATH(l.ajouter(4), "");
    EXPECT_DEBUG_DEATH(l[3] = 9, "");
    EXPECT_DEBUG_DEATH(l[-1] = 9, "");
    EXPECT_EQ(contenu(l), (std::vector<int>{1, 2, 3}));

    // Cells freed by removals are reused: a set refilled many times stays within its capacity.
    CEnsemble<int, 8> s;
    for (int tour = 0; tour < 50; ++tour) {
        for (int v = 0; v < 8; ++v)
            s.ajouter(tour * 10 + v);
        ASSERT_EQ(s.longueur(), 8);
        for (int v = 0; v < 8; ++v)
            s.enlever(tour * 10 + v);
        ASSERT_EQ(s.longueur(), 0);
    }
}

TEST(CListe, EveryElementIsDestroyedOnce) {
    const int depart = Compte::vivants;
    {
        CEnsemble<Compte, 1000> s;
        for (int i = 0; i < 500; ++i)
            s.ajouter(Compte((i * 37) % 500));
        for (int i = 0; i < 500; i += 2)
            s.enlever(Compte(i));
        EXPECT_EQ(Compte::vivants, depart + 250);
        CEnsemble<Compte, 1000> copie(s);
        copie = s;
        EXPECT_EQ(Compte::vivants, depart + 500);
        for (int tour = 0; tour < 3; ++tour) {
            copie.vider();
            for (int i = 0; i < 1000; ++i)
                copie.ajouter(Compte(i));
            ASSERT_EQ(copie[999].v, 999);
        }
        EXPECT_EQ(Compte::vivants, depart + 1250);
    }
    EXPECT_EQ(Compte::vivants, depart);
}

TEST(CEnsemble, PointersKeepAddressOrderAndDropWhenFull) {
    std::vector<int> objets(101);
    std::vector<int*> pointeurs;
    for (int& o : objets)
        pointeurs.push_back(&o);
    std::mt19937 hasard(3);
    std::shuffle(pointeurs.begin(), pointeurs.end(), hasard);

    CEnsemble<int*, 100> s;
    s.ajouter(pointeurs[0]).ajouter(pointeurs[0]);
    EXPECT_EQ(s.longueur(), 1);
    for (int* p : pointeurs)
        s.ajouter(p);
    ASSERT_EQ(s.longueur(), 100);
    for (int i = 1; i < s.longueur(); ++i)
        EXPECT_LT(reinterpret_cast<std::uintptr_t>(s[i - 1]),
                  reinterpret_cast<std::uintptr_t>(s[i]));
    EXPECT_EQ(s.indice(pointeurs[100]), -1); // the 101st distinct value was dropped
}

TEST(CEnsemble, RandomOperationsMatchStdSet) {
    constexpr int capacite = 300;
    CEnsemble<int, capacite> s;
    s.enlever(4);
    EXPECT_EQ(s.indice(4), -1);
    std::set<int> reference;
    std::mt19937 hasard(42);
    std::uniform_int_distribution<int> valeur(-400, 400);
    for (int etape = 0; etape < 20000; ++etape) {
        const int v = valeur(hasard);
        if (hasard() % 3 != 0) {
            s.ajouter(v);
            if (static_cast<int>(reference.size()) < capacite)
                reference.insert(v);
        } else {
            s.enlever(v);
            reference.erase(v);
        }
        ASSERT_EQ(s.longueur(), static_cast<int>(reference.size()));
        if (etape % 97 == 0) {
            ASSERT_EQ(contenu(s), std::vector<int>(reference.begin(), reference.end()));
        }
    }
    int position = 0;
    for (int v : reference)
        EXPECT_EQ(s.indice(v), position++);
    for (int absent : {-401, 401, 0})
        if (reference.count(absent) == 0) {
            EXPECT_EQ(s.indice(absent), -1);
        }

    // A sorted list assigned from the set searches the same elements.
    CListeTriee<int, capacite> triee;
    triee = s;
    EXPECT_EQ(triee.indice(*reference.rbegin()), triee.longueur() - 1);
}

} // namespace

// The deferred set reads empty before its first element, then behaves as the set it wraps.
TEST(CEnsembleDiffere, EmptyUntilFilledThenLikeTheSet) {
    CEnsembleDiffere<int, 3> d;
    CEnsemble<int, 3> e;
    EXPECT_EQ(d.longueur(), 0);
    EXPECT_EQ(d.indice(4), -1);
    d.enlever(4);
    EXPECT_EQ(d.longueur(), 0);
    for (int v : {5, 1, 5, 3, 9, 2}) {
        d.ajouter(v);
        e.ajouter(v);
    }
    ASSERT_EQ(d.longueur(), e.longueur());
    for (int i = 0; i < d.longueur(); ++i)
        EXPECT_EQ(d[i], e[i]);
    d.enlever(3);
    EXPECT_EQ(d.indice(3), -1);
    EXPECT_EQ(d.indice(5), 1);
}
