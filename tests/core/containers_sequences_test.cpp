#include "core/CListeChainee.h"
#include "core/CListeSimple.h"
#include "core/CVecteur.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

template <class T> std::vector<T> contenu(const CListeSimple<T>& l) {
    return std::vector<T>(l.tab, l.tab + l.longueur());
}

template <class T> CListeSimple<T> liste(int capacite, std::initializer_list<T> valeurs) {
    CListeSimple<T> l;
    l.initialiserMax(capacite);
    for (const T& v : valeurs)
        l.ajouter(v);
    return l;
}

std::vector<std::string> ordre(CListeChainee<std::string>& l) {
    std::vector<std::string> v;
    for (std::string* s = l.elementDebut(); s != nullptr; s = l.elementSuivant())
        v.push_back(*s);
    return v;
}

TEST(CVecteur, AssignmentReusesEqualSizesOnly) {
    CVecteur<int> a(4), b(4), c(2), vide;
    a.remplir(3);
    int* stockage = b.tableau();
    b = a;
    EXPECT_EQ(b.tableau(), stockage);
    EXPECT_EQ(b[3], 3);
    c = a;
    EXPECT_EQ(c.taille, 4);
    c[0] = 9;
    EXPECT_EQ(a[0], 3);
    c = vide;
    EXPECT_EQ(c.taille, 0);
    EXPECT_EQ(c.tableau(), nullptr);

    CVecteur<CVecteur<int>> imbrique(2);
    imbrique[0] = a;
    CVecteur<CVecteur<int>> copie(imbrique);
    copie[0][0] = 7;
    EXPECT_EQ(imbrique[0][0], 3);

    EXPECT_DEBUG_DEATH(a[4] = 5, "");
    EXPECT_DEBUG_DEATH(a[-1] = 5, "");
    EXPECT_EQ(a[3], 3);
}

TEST(CVecteur, SumThrowsOnSizeMismatchAndChangesNothing) {
    CVecteur<float> a(3), b(3), c(2);
    a.remplir(1.5f);
    b.remplir(0.25f);
    a += b;
    EXPECT_EQ(a[2], 1.75f);
    try {
        a += c;
        FAIL() << "no exception";
    } catch (int e) {
        EXPECT_EQ(e, 0);
    }
    EXPECT_EQ(a.taille, 3);
    EXPECT_EQ(a[0], 1.75f);
}

TEST(CListeSimple, InsertRemoveSearchAndCapacity) {
    CListeSimple<int> l = liste(6, {1, 3});
    l.inserer(0, 0).inserer(2, 2).inserer(4, 4);
    EXPECT_EQ(contenu(l), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(l.dernier(), 4);
    l.supprimer(0).supprimer(3).ajouter(2);
    EXPECT_EQ(contenu(l), (std::vector<int>{1, 2, 3, 2}));
    EXPECT_EQ(l.indice(2), 1);
    EXPECT_EQ(l.indice(9), -1);

    int* stockage = l.tab;
    l.vider().ajouter(8);
    EXPECT_EQ(l.tab, stockage);
    l += l;
    EXPECT_EQ(contenu(l), (std::vector<int>{8, 8}));

    // A full list refuses further values, and bad indices touch nothing.
    CListeSimple<int> pleine = liste(2, {1, 2});
    EXPECT_DEBUG_DEATH(pleine.ajouter(3), "");
    EXPECT_DEBUG_DEATH(pleine.inserer(3, 0), "");
    EXPECT_DEBUG_DEATH(pleine.supprimer(2), "");
    EXPECT_DEBUG_DEATH(pleine[2] = 7, "");
    EXPECT_EQ(contenu(pleine), (std::vector<int>{1, 2}));
    CListeSimple<int> sansCapacite;
    EXPECT_DEBUG_DEATH(sansCapacite.ajouter(1), "");
    EXPECT_EQ(sansCapacite.longueur(), 0);
}

TEST(CListeSimple, MaxKeepsEarliestTie) {
    CListeSimple<int> l = liste<int>(4, {});
    int i = -5;
    EXPECT_EQ(l.lmax(i), 0);
    EXPECT_EQ(i, -5);
    l = liste(4, {3, 7, 7, 1});
    EXPECT_EQ(l.lmax(i), 7);
    EXPECT_EQ(i, 1);
}

TEST(CListeSimple, CircularShift) {
    const CListeSimple<char> l = liste(5, {'a', 'b', 'c'});
    EXPECT_EQ(contenu(l.decalage(1)), (std::vector<char>{'b', 'c', 'a'}));
    EXPECT_EQ(contenu(l.decalage(-1)), (std::vector<char>{'c', 'a', 'b'}));
    const CListeSimple<char> copie = l.decalage(0);
    EXPECT_EQ(copie.nbMax, 5);
    EXPECT_NE(copie.tab, l.tab);
    for (int k = -3; k <= 3; ++k)
        EXPECT_EQ(contenu(l.decalage(k).decalage(-k)), contenu(l)) << k;
    EXPECT_EQ(liste<char>(2, {}).decalage(1).longueur(), 0);
}

TEST(CListeSimple, AssignmentFollowsTheOtherCapacity) {
    const CListeSimple<char> a = liste(5, {'a', 'b', 'c'});
    CListeSimple<char> b = liste<char>(5, {'z'});
    char* stockage = b.tab;
    b = a;
    EXPECT_EQ(b.tab, stockage);
    EXPECT_EQ(contenu(b), contenu(a));
    CListeSimple<char> c = liste<char>(2, {});
    c = a;
    EXPECT_EQ(c.nbMax, 5);
    c[0] = 'z';
    EXPECT_EQ(contenu(c), (std::vector<char>{'z', 'b', 'c'}));
    EXPECT_EQ(a[0], 'a');
    c = CListeSimple<char>();
    EXPECT_EQ(c.nbMax, 0);
    EXPECT_EQ(c.tab, nullptr);
}

// A list on a borrowed zone works in it, never frees it (the zone outlives the list here), and
// copies or a new capacity give it storage of its own again.
TEST(CListeSimple, BorrowedZoneIsUsedAndNeverFreed) {
    int zone[4] = {0, 0, 0, 0};
    {
        CListeSimple<int> l;
        l.initialiserMax(2);
        l.ajouter(9);
        l.utiliserZone(zone, 4);
        EXPECT_EQ(l.longueur(), 0);
        EXPECT_EQ(l.nbMax, 4);
        l.ajouter(1).ajouter(2).inserer(3, 0);
        EXPECT_EQ(zone[0], 3);
        EXPECT_EQ(zone[2], 2);
        CListeSimple<int> copie(l);
        EXPECT_NE(copie.tab, zone);
        EXPECT_EQ(copie.longueur(), 3);
        CListeSimple<int> deplacee(std::move(l));
        EXPECT_EQ(deplacee.tab, zone);
        deplacee.initialiserMax(6);
        EXPECT_NE(deplacee.tab, zone);
        deplacee.ajouter(5);
        EXPECT_EQ(deplacee[0], 5);
    }
    EXPECT_EQ(zone[1], 1);
}

// A full list with an extension calls it before adding; what the extension hands over keeps
// the elements, even an element of the list itself being added.
TEST(CListeSimple, ExtensionGrowsAFullZoneKeepingItsElements) {
    struct Zones {
        int petite[2] = {0, 0};
        int grande[6] = {0, 0, 0, 0, 0, 0};
        CListeSimple<int> liste;
        int appels = 0;
    } z;
    const auto etendre = [](void* contexte) {
        Zones* zones = static_cast<Zones*>(contexte);
        ++zones->appels;
        if (zones->liste.tab != zones->grande)
            zones->liste.changerZone(zones->grande, 6);
    };
    z.liste.utiliserZone(z.petite, 2, etendre, &z);
    z.liste.ajouter(1).ajouter(2);
    EXPECT_EQ(z.appels, 0);
    z.liste.ajouter(z.liste[0]);
    EXPECT_EQ(z.appels, 1);
    EXPECT_EQ(z.liste.tab, z.grande);
    EXPECT_EQ(z.liste.nbMax, 6);
    z.liste.inserer(3, 0).ajouter(4).ajouter(5);
    EXPECT_EQ(z.appels, 1);
    EXPECT_EQ(std::vector<int>(z.grande, z.grande + 6), (std::vector<int>{3, 1, 2, 1, 4, 5}));
    // Full for good: the extension cannot help and the value is refused, as without one.
    EXPECT_DEBUG_DEATH(z.liste.ajouter(6), "");
    EXPECT_EQ(z.liste.longueur(), 6);
    EXPECT_EQ(z.liste.dernier(), 5);
}

TEST(CListeChainee, CursorRules) {
    CListeChainee<std::string> l;
    EXPECT_EQ(l.elementDebut(), nullptr);
    std::string* a = l.ajouter("a");
    l.ajouter("b");
    l.ajouter("c");
    EXPECT_EQ(l.elementCourant(), a); // only the first node appended becomes the cursor

    l.elementSuivant();
    std::string* x = l.insererCourant("x");
    l.inserer("d", 0);
    EXPECT_EQ(l.elementCourant(), x);
    l.elementDebut();
    std::string* y = l.insererCourant("y");
    EXPECT_EQ(&l.debut->valeur, y);
    EXPECT_EQ(l.inserer("loin", 6), nullptr);
    EXPECT_EQ(ordre(l), (std::vector<std::string>{"y", "d", "a", "x", "b", "c"}));

    l.elementFin();
    l.supprimerCourant();
    EXPECT_EQ(l.elementCourant(), nullptr);
    EXPECT_EQ(l.fin->valeur, "b");

    // A node pointer is the address of its value and can be handed back as the cursor.
    CListeChainee<std::string>::CElementChaine* noeud = l.debut->suivant->suivant;
    EXPECT_EQ(static_cast<void*>(noeud), static_cast<void*>(&noeud->valeur));
    l.forcerCourant(noeud);
    l.supprimerCourant();
    EXPECT_EQ(*l.elementCourant(), "x");
    std::vector<std::string> arriere;
    for (auto* e = l.fin; e != nullptr; e = e->precedent)
        arriere.push_back(e->valeur);
    EXPECT_EQ(arriere, (std::vector<std::string>{"b", "x", "d", "y"}));
    EXPECT_EQ(l.longueur(), 4);

    l.vider();
    EXPECT_EQ(l.longueur(), 0);
    EXPECT_EQ(l.elementCourant(), nullptr);
    l.insererCourant("seul");
    l.supprimerCourant();
    EXPECT_EQ(l.debut, nullptr);
    EXPECT_EQ(l.fin, nullptr);
    EXPECT_EQ(l.longueur(), 0);
}

} // namespace
