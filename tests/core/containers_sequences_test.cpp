#include "core/CListeChainee.h"
#include "core/CListeSimple.h"
#include "core/CVecteur.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

template <class T>
std::vector<T> contenu(const CListeSimple<T>& l)
{
    return std::vector<T>(l.tab, l.tab + l.longueur());
}

CListeSimple<char> abc()
{
    CListeSimple<char> l;
    l.initialiserMax(5);
    l.ajouter('a').ajouter('b').ajouter('c');
    return l;
}

TEST(CVecteur, AssignmentReusesEqualSizesOnly)
{
    CVecteur<int> a(4);
    a.remplir(3);
    CVecteur<int> b(4);
    b.remplir(0);
    int* stockage = b.tableau();
    b = a;
    EXPECT_EQ(b.tableau(), stockage);
    EXPECT_EQ(b[3], 3);

    CVecteur<int> c(2);
    c = a;
    EXPECT_EQ(c.taille, 4);
    EXPECT_NE(c.tableau(), a.tableau());
    c[0] = 9;
    EXPECT_EQ(a[0], 3);

    CVecteur<int> vide;
    c = vide;
    EXPECT_EQ(c.taille, 0);
    EXPECT_EQ(c.tableau(), nullptr);

    CVecteur<CVecteur<int>> imbrique(2);
    imbrique[0] = a;
    CVecteur<CVecteur<int>> copie(imbrique);
    copie[0][0] = 7;
    EXPECT_EQ(imbrique[0][0], 3);
    EXPECT_EQ(copie[1].taille, 0);

    EXPECT_TRUE(c.init(0));
    EXPECT_TRUE(c.init(3));
    EXPECT_EQ(c.taille, 3);
    c.vider();
    EXPECT_EQ(c.tableau(), nullptr);
}

TEST(CVecteur, SumThrowsOnSizeMismatchAndAddsInDouble)
{
    CVecteur<int> a(3), b(3), c(2);
    a.remplir(1);
    b.remplir(2);
    c.remplir(5);
    a += b;
    EXPECT_EQ(a[2], 3);
    try {
        a += c;
        FAIL() << "no exception";
    } catch (int e) {
        EXPECT_EQ(e, 0);
    }
    EXPECT_EQ(a[0], 3);
    EXPECT_EQ(a.taille, 3);

    CVecteur<float> f(2), g(2);
    f.remplir(1.5f);
    g.remplir(0.25f);
    f += g;
    EXPECT_EQ(f[1], 1.75f);
}

TEST(CVecteur, IndexOutsideTheArray)
{
    CVecteur<int> v(2);
    v.remplir(1);
    EXPECT_DEBUG_DEATH(v[2] = 5, "");
    EXPECT_DEBUG_DEATH(v[-1] = 5, "");
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 1);
}

TEST(CListeSimple, InsertRemoveSearch)
{
    CListeSimple<int> l;
    l.initialiserMax(6);
    l.ajouter(1).ajouter(3).inserer(0, 0).inserer(2, 2).inserer(4, 4);
    EXPECT_EQ(contenu(l), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(l.dernier(), 4);
    l.supprimer(0).supprimer(3);
    EXPECT_EQ(contenu(l), (std::vector<int>{1, 2, 3}));
    l.ajouter(2);
    EXPECT_EQ(l.indice(2), 1);
    EXPECT_EQ(l.indice(9), -1);

    int* stockage = l.tab;
    l.vider();
    EXPECT_EQ(l.longueur(), 0);
    l.ajouter(8);
    EXPECT_EQ(l.tab, stockage);
    EXPECT_EQ(l.nbMax, 6);

    l += l;
    EXPECT_EQ(contenu(l), (std::vector<int>{8, 8}));
}

TEST(CListeSimple, FullListRefusesAndBadIndicesTouchNothing)
{
    CListeSimple<int> l;
    l.initialiserMax(2);
    l.ajouter(1).ajouter(2);
    EXPECT_DEBUG_DEATH(l.ajouter(3), "");
    EXPECT_DEBUG_DEATH(l.inserer(3, 0), "");
    EXPECT_DEBUG_DEATH(l.supprimer(2), "");
    EXPECT_DEBUG_DEATH(l[2] = 7, "");
    EXPECT_EQ(contenu(l), (std::vector<int>{1, 2}));

    CListeSimple<int> sansCapacite;
    EXPECT_DEBUG_DEATH(sansCapacite.ajouter(1), "");
    EXPECT_EQ(sansCapacite.longueur(), 0);
}

TEST(CListeSimple, MaxKeepsEarliestTie)
{
    CListeSimple<int> l;
    l.initialiserMax(4);
    int i = -5;
    EXPECT_EQ(l.lmax(i), 0);
    EXPECT_EQ(i, -5);
    l.ajouter(3).ajouter(7).ajouter(7).ajouter(1);
    EXPECT_EQ(l.lmax(i), 7);
    EXPECT_EQ(i, 1);
}

TEST(CListeSimple, CircularShift)
{
    const CListeSimple<char> l = abc();
    EXPECT_EQ(contenu(l.decalage(1)), (std::vector<char>{'b', 'c', 'a'}));
    EXPECT_EQ(contenu(l.decalage(-1)), (std::vector<char>{'c', 'a', 'b'}));
    EXPECT_EQ(contenu(l.decalage(3)), contenu(l));
    EXPECT_EQ(contenu(l.decalage(-3)), contenu(l));
    const CListeSimple<char> copie = l.decalage(0);
    EXPECT_EQ(contenu(copie), contenu(l));
    EXPECT_EQ(copie.nbMax, 5);
    EXPECT_NE(copie.tab, l.tab);
    // Shifting by k then by -k gives the list back, for every k in range.
    for (int k = -3; k <= 3; ++k)
        EXPECT_EQ(contenu(l.decalage(k).decalage(-k)), contenu(l)) << k;

    CListeSimple<char> vide;
    vide.initialiserMax(2);
    EXPECT_EQ(vide.decalage(1).longueur(), 0);
}

TEST(CListeSimple, AssignmentFollowsTheOtherCapacity)
{
    CListeSimple<char> a = abc();
    CListeSimple<char> b;
    b.initialiserMax(5);
    char* stockage = b.tab;
    b = a;
    EXPECT_EQ(b.tab, stockage);
    EXPECT_EQ(contenu(b), contenu(a));

    CListeSimple<char> c;
    c.initialiserMax(2);
    c = a;
    EXPECT_EQ(c.nbMax, 5);
    EXPECT_EQ(contenu(c), contenu(a));
    c[0] = 'z';
    EXPECT_EQ(a[0], 'a');

    CListeSimple<char> vide;
    c = vide;
    EXPECT_EQ(c.nbMax, 0);
    EXPECT_EQ(c.tab, nullptr);
    EXPECT_EQ(c.longueur(), 0);
}

TEST(CListeChainee, CursorRules)
{
    CListeChainee<std::string> l;
    EXPECT_EQ(l.elementCourant(), nullptr);
    EXPECT_EQ(l.elementDebut(), nullptr);
    std::string* a = l.ajouter("a");
    EXPECT_EQ(l.elementCourant(), a);
    l.ajouter("b");
    l.ajouter("c");
    EXPECT_EQ(l.elementCourant(), a);  // appending does not move the cursor
    EXPECT_EQ(l.longueur(), 3);

    EXPECT_EQ(*l.elementSuivant(), "b");
    std::string* x = l.insererCourant("x");
    EXPECT_EQ(l.elementCourant(), x);
    l.inserer("debut", 0);
    EXPECT_EQ(l.elementCourant(), x);
    EXPECT_EQ(*l.elementDebut(), "debut");
    std::string* y = l.insererCourant("y");  // before the first node: becomes the first
    EXPECT_EQ(l.debut->precedent, nullptr);
    EXPECT_EQ(&l.debut->valeur, y);

    std::vector<std::string> ordre;
    for (std::string* v = l.elementDebut(); v != nullptr; v = l.elementSuivant())
        ordre.push_back(*v);
    EXPECT_EQ(ordre, (std::vector<std::string>{"y", "debut", "a", "x", "b", "c"}));
    EXPECT_EQ(l.longueur(), 6);

    l.elementFin();
    l.supprimerCourant();
    EXPECT_EQ(l.elementCourant(), nullptr);
    EXPECT_EQ(l.fin->valeur, "b");
    EXPECT_EQ(l.fin->suivant, nullptr);

    // The node pointer of an element is the address of its value and can be handed back.
    CListeChainee<std::string>::CElementChaine* noeud = l.debut->suivant->suivant;
    EXPECT_EQ(static_cast<void*>(noeud), static_cast<void*>(&noeud->valeur));
    l.forcerCourant(noeud);
    l.supprimerCourant();
    EXPECT_EQ(*l.elementCourant(), "x");
    ordre.clear();
    for (CListeChainee<std::string>::CElementChaine* e = l.fin; e != nullptr; e = e->precedent)
        ordre.push_back(e->valeur);
    EXPECT_EQ(ordre, (std::vector<std::string>{"b", "x", "debut", "y"}));
    EXPECT_EQ(l.longueur(), 4);

    EXPECT_EQ(l.inserer("loin", 4), nullptr);
    EXPECT_EQ(l.longueur(), 4);

    l.vider();
    EXPECT_EQ(l.longueur(), 0);
    EXPECT_EQ(l.debut, nullptr);
    EXPECT_EQ(l.fin, nullptr);
    EXPECT_EQ(l.elementCourant(), nullptr);
    l.supprimerCourant();

    std::string* seul = l.insererCourant("seul");
    EXPECT_EQ(l.elementCourant(), seul);
    l.supprimerCourant();
    EXPECT_EQ(l.longueur(), 0);
    EXPECT_EQ(l.debut, nullptr);
    EXPECT_EQ(l.fin, nullptr);
}

}  // namespace
