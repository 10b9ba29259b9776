#include "AppFenetre.h"

#include "app/DialogueEvolution.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CDeformableModelBase.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

#include <cmath>
#include <functional>
#include <vector>

using testapp::WindowTest;

namespace {

// A ball of grey 200, radius 7 voxels around (32, 32, 10), in a dark background with a little
// texture; the click in the middle of the cut picture at slice 10 lands in it.
unsigned char grisBoule(int x, int y, int z) {
    const int dx = x - 32, dy = y - 32, dz = z - 10;
    if (dx * dx + dy * dy + dz * dz <= 49)
        return 200;
    return static_cast<unsigned char>((x * 7 + y * 13 + z * 29) % 40);
}

QString libelle(QWidget* champ) {
    auto* lignes = qobject_cast<QFormLayout*>(champ->parentWidget()->layout());
    auto* l = lignes != nullptr ? qobject_cast<QLabel*>(lignes->labelForField(champ)) : nullptr;
    return l != nullptr ? l->text() : QString();
}

QString nom(const Chaine& c) { return QString::fromUtf8(c.c_str()); }

std::vector<float> positions(const CMaillageTriangleChRegion& m) {
    std::vector<float> p;
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant)
        p.insert(p.end(), {s->x, s->y, s->z});
    return p;
}

// The mesh's parameters are shared by every mesh: each test puts them back.
struct ParametresSauves {
    explicit ParametresSauves(CDeformableModelBase& m) : modele(m) {
        for (int i = 0; i < m.GetParameterFloatNumber(); ++i)
            reels.push_back(m.GetParameterFloatValue(i));
        for (int i = 0; i < m.GetParameterIntNumber(); ++i)
            entiers.push_back(m.GetParameterIntValue(i));
        for (int i = 0; i < m.GetParameterBoolNumber(); ++i)
            booleens.push_back(m.GetParameterBoolValue(i));
    }
    ~ParametresSauves() {
        for (std::size_t i = 0; i < reels.size(); ++i)
            modele.SetParameterFloatValue(static_cast<int>(i), reels[i]);
        for (std::size_t i = 0; i < entiers.size(); ++i)
            modele.SetParameterIntValue(static_cast<int>(i), entiers[i]);
        for (std::size_t i = 0; i < booleens.size(); ++i)
            modele.SetParameterBoolValue(static_cast<int>(i), booleens[i]);
    }
    ParametresSauves(const ParametresSauves&) = delete;
    ParametresSauves& operator=(const ParametresSauves&) = delete;
    CDeformableModelBase& modele;
    std::vector<float> reels;
    std::vector<int> entiers;
    std::vector<bool> booleens;
};

class EvolutionTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        testapp::ecrireVolume(temp / "boule", "volume", 64, 64, 20, grisBoule);
        ouvrirParMenu(temp / "boule");
        ASSERT_NE(fenetre->vue(), nullptr);
        QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
        testapp::defiler(ihm.trackBarZ, 10);
        ASSERT_EQ(ihm.trackBarZ->value(), 10);
        fenetre->dialogues().montrerEvolution = [this](Stravol::DialogueEvolution& d) {
            ++ouvertures;
            if (actions)
                actions(d);
        };
    }

    void extraire() {
        ihm.extraireRegionToolStripMenuItem->trigger();
        const QSize taille = ihm.pictureBox1->size();
        QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {},
                          QPoint(taille.width() / 2, taille.height() / 2));
    }

    int ouvertures = 0;
    std::function<void(Stravol::DialogueEvolution&)> actions;
};

// A model with one parameter of each type, values the spin boxes cannot show exactly, and a
// record of what it was given.
class ModeleEssai : public CDeformableModelBase {
public:
    float GetParameterFloatValue(int i) override { return reels[i]; }
    int GetParameterIntValue(int) override { return entier; }
    bool GetParameterBoolValue(int) override { return booleen; }
    int GetParameterEnumValue(int) override { return enumeration; }
    float GetParameterFloatMin(int) override { return -1.0f; }
    float GetParameterFloatMax(int) override { return 1.0f; }
    float GetParameterFloatStep(int) override { return 0.25f; }
    int GetParameterIntMin(int) override { return 1; }
    int GetParameterIntMax(int) override { return 9; }
    int GetParameterIntStep(int) override { return 2; }
    void SetParameterFloatValue(int i, float v) override { reels[i] = v; }
    void SetParameterIntValue(int, int v) override { entier = v; }
    void SetParameterBoolValue(int, bool v) override { booleen = v; }
    void SetParameterEnumValue(int, int v) override { enumeration = v; }
    Chaine GetParameterFloatName(int i) override { return i == 0 ? "Premier" : "Second"; }
    Chaine GetParameterIntName(int) override { return "Entier"; }
    Chaine GetParameterBoolName(int) override { return "Drapeau"; }
    Chaine GetParameterEnumName(int) override { return "Méthode"; }
    CVecteur<Chaine> GetParameterEnumValueNames(int) override {
        CVecteur<Chaine> noms;
        noms.init(3);
        noms[0] = "Rapide";
        noms[1] = "Précise";
        noms[2] = "Mixte";
        return noms;
    }
    int GetParameterFloatNumber() override { return 2; }
    int GetParameterIntNumber() override { return 1; }
    int GetParameterBoolNumber() override { return 1; }
    int GetParameterEnumNumber() override { return 1; }
    void Evolve(int n) override {
        evolutions.push_back(n);
        // The model adapts a parameter while it evolves.
        reels[1] = 0.5f;
    }

    float reels[2] = {0.123456f, 7.5f};
    int entier = 12;
    bool booleen = true;
    int enumeration = 2;
    std::vector<int> evolutions;
};

} // namespace

TEST(DialogueEvolution, RowsValuesAndApplicationOnAnyModel) {
    testgui::application();
    ModeleEssai m;
    Stravol::DialogueEvolution d(m);
    ASSERT_EQ(d.reels.size(), 2u);
    ASSERT_EQ(d.entiers.size(), 1u);
    ASSERT_EQ(d.booleens.size(), 1u);
    ASSERT_EQ(d.enumerations.size(), 1u);
    EXPECT_EQ(libelle(d.reels[0]), "Premier");
    EXPECT_EQ(libelle(d.reels[1]), "Second");
    EXPECT_EQ(libelle(d.entiers[0]), "Entier");
    EXPECT_EQ(libelle(d.booleens[0]), "Drapeau");
    EXPECT_EQ(libelle(d.enumerations[0]), "Méthode");
    EXPECT_EQ(d.reels[0]->minimum(), -1.0);
    EXPECT_EQ(d.reels[0]->maximum(), 1.0);
    EXPECT_EQ(d.reels[0]->singleStep(), 0.25);
    EXPECT_EQ(d.reels[0]->decimals(), 2);
    EXPECT_EQ(d.entiers[0]->minimum(), 1);
    EXPECT_EQ(d.entiers[0]->maximum(), 9);
    EXPECT_EQ(d.entiers[0]->singleStep(), 2);
    ASSERT_EQ(d.enumerations[0]->count(), 3);
    EXPECT_EQ(d.enumerations[0]->itemText(1), "Précise");
    EXPECT_EQ(d.enumerations[0]->currentIndex(), 2);
    EXPECT_TRUE(d.booleens[0]->isChecked());

    // Untouched rows give back exactly what the model holds, even values the boxes round
    // (0.123456) or clamp (7.5 and 12 lie outside the published ranges).
    d.appliquer();
    EXPECT_EQ(m.reels[0], 0.123456f);
    EXPECT_EQ(m.reels[1], 7.5f);
    EXPECT_EQ(m.entier, 12);
    EXPECT_EQ(m.enumeration, 2);
    EXPECT_TRUE(m.booleen);
    EXPECT_TRUE(m.evolutions.empty());

    // Edited rows send the shown value; the run evolves by the iteration count, and the rows
    // then show what the model holds after its evolution.
    d.reels[0]->setValue(-0.75);
    d.entiers[0]->setValue(5);
    d.booleens[0]->setChecked(false);
    d.enumerations[0]->setCurrentIndex(0);
    d.iterations->setValue(4);
    QSignalSpy evolue(&d, &Stravol::DialogueEvolution::evolue);
    QTest::mouseClick(d.boutonLancer, Qt::LeftButton);
    EXPECT_EQ(d.boutonLancer->text(), "Lancer");
    EXPECT_EQ(m.reels[0], -0.75f);
    EXPECT_EQ(m.reels[1], 0.5f);
    EXPECT_EQ(m.entier, 5);
    EXPECT_FALSE(m.booleen);
    EXPECT_EQ(m.enumeration, 0);
    EXPECT_EQ(m.evolutions, std::vector<int>{4});
    EXPECT_EQ(evolue.count(), 1);
    EXPECT_EQ(d.reels[1]->value(), 0.5);
}

TEST(DialogueEvolution, CloseButtonSaysFermerAndUndoNeedsAKeptState) {
    testgui::application();
    ModeleEssai m;
    Stravol::DialogueEvolution d(m);
    ASSERT_NE(d.boutonFermer, nullptr);
    ASSERT_NE(d.boutonAnnuler, nullptr);
    EXPECT_EQ(d.boutonFermer->text(), "Fermer");
    EXPECT_EQ(d.boutonAnnuler->text(), "Annuler");
    EXPECT_FALSE(d.boutonAnnuler->isEnabled());
    // A model whose state nobody keeps: a run leaves nothing to undo.
    QTest::mouseClick(d.boutonLancer, Qt::LeftButton);
    EXPECT_EQ(m.evolutions.size(), 1u);
    EXPECT_FALSE(d.boutonAnnuler->isEnabled());

    // With a kept state, "Annuler" puts back the value the model had before the last run.
    d.garderEtat = [&m] {
        const float avant = m.reels[1];
        return std::function<void()>([&m, avant] { m.reels[1] = avant; });
    };
    m.reels[1] = -0.25f;
    d.relire();
    QTest::mouseClick(d.boutonLancer, Qt::LeftButton);
    EXPECT_EQ(m.reels[1], 0.5f);
    ASSERT_TRUE(d.boutonAnnuler->isEnabled());
    QSignalSpy evolue(&d, &Stravol::DialogueEvolution::evolue);
    QTest::mouseClick(d.boutonAnnuler, Qt::LeftButton);
    EXPECT_EQ(m.reels[1], -0.25f);
    EXPECT_EQ(d.reels[1]->value(), -0.25);
    EXPECT_EQ(evolue.count(), 1);
    EXPECT_FALSE(d.boutonAnnuler->isEnabled());
}

TEST_F(EvolutionTest, TheMenuFollowsWhetherAMeshExists) {
    Stravol::Form1& f = *fenetre;
    ASSERT_NE(ihm.evoluerMaillageToolStripMenuItem, nullptr);
    EXPECT_EQ(QString(ihm.evoluerMaillageToolStripMenuItem->text()).remove('&'),
              "Faire évoluer le maillage");
    // Listed in "Traitement" right after "Extraire région".
    QMenu* traitement = f.findChild<QMenu*>("traitementToolStripMenuItem");
    ASSERT_NE(traitement, nullptr);
    const QList<QAction*> items = traitement->actions();
    const auto rang = items.indexOf(ihm.extraireRegionToolStripMenuItem);
    ASSERT_GE(rang, 0);
    EXPECT_EQ(items.indexOf(ihm.evoluerMaillageToolStripMenuItem), rang + 1);

    EXPECT_FALSE(ihm.evoluerMaillageToolStripMenuItem->isEnabled());
    ihm.evoluerMaillageToolStripMenuItem->trigger();
    f.extraction().evoluer();
    EXPECT_EQ(ouvertures, 0);

    extraire();
    ASSERT_NE(f.volume()->maillage, nullptr);
    EXPECT_TRUE(ihm.evoluerMaillageToolStripMenuItem->isEnabled());
    ihm.evoluerMaillageToolStripMenuItem->trigger();
    EXPECT_EQ(ouvertures, 1);

    ihm.fermerToolStripMenuItem->trigger();
    EXPECT_FALSE(ihm.evoluerMaillageToolStripMenuItem->isEnabled());
    f.extraction().evoluer();
    EXPECT_EQ(ouvertures, 1);
}

TEST_F(EvolutionTest, OneRowPerMeshParameter) {
    extraire();
    ASSERT_NE(fenetre->volume()->maillage, nullptr);
    CDeformableModelBase& m = *fenetre->volume()->maillage;
    actions = [&m](Stravol::DialogueEvolution& d) {
        ASSERT_EQ(static_cast<int>(d.reels.size()), m.GetParameterFloatNumber());
        ASSERT_EQ(static_cast<int>(d.entiers.size()), m.GetParameterIntNumber());
        ASSERT_EQ(static_cast<int>(d.booleens.size()), m.GetParameterBoolNumber());
        EXPECT_TRUE(d.enumerations.empty());
        EXPECT_GT(d.reels.size(), 0u);
        for (int i = 0; i < m.GetParameterFloatNumber(); ++i) {
            QDoubleSpinBox* s = d.reels[static_cast<std::size_t>(i)];
            EXPECT_EQ(libelle(s), nom(m.GetParameterFloatName(i)));
            EXPECT_EQ(s->minimum(), m.GetParameterFloatMin(i));
            EXPECT_EQ(s->maximum(), m.GetParameterFloatMax(i));
            EXPECT_EQ(s->singleStep(), m.GetParameterFloatStep(i));
            EXPECT_EQ(s->decimals(), 2);
            EXPECT_NEAR(s->value(), m.GetParameterFloatValue(i), 0.005);
        }
        for (int i = 0; i < m.GetParameterIntNumber(); ++i) {
            QSpinBox* s = d.entiers[static_cast<std::size_t>(i)];
            EXPECT_EQ(libelle(s), nom(m.GetParameterIntName(i)));
            EXPECT_EQ(s->minimum(), m.GetParameterIntMin(i));
            EXPECT_EQ(s->maximum(), m.GetParameterIntMax(i));
            EXPECT_EQ(s->singleStep(), m.GetParameterIntStep(i));
            EXPECT_EQ(s->value(), m.GetParameterIntValue(i));
        }
        for (int i = 0; i < m.GetParameterBoolNumber(); ++i) {
            QCheckBox* c = d.booleens[static_cast<std::size_t>(i)];
            EXPECT_EQ(libelle(c), nom(m.GetParameterBoolName(i)));
            EXPECT_EQ(c->isChecked(), m.GetParameterBoolValue(i));
        }
        EXPECT_GE(d.iterations->minimum(), 1);
    };
    ihm.evoluerMaillageToolStripMenuItem->trigger();
    EXPECT_EQ(ouvertures, 1);
}

TEST_F(EvolutionTest, RunAppliesTheValuesAndDeformsTheMesh) {
    extraire();
    ASSERT_NE(fenetre->volume()->maillage, nullptr);
    CMaillageTriangleChRegion& m = *fenetre->volume()->maillage;
    ParametresSauves sauves(m);
    int ballon = -1, voisinage = -1;
    for (int i = 0; i < m.GetParameterFloatNumber(); ++i)
        if (nom(m.GetParameterFloatName(i)) == "Ballon (delta)")
            ballon = i;
    for (int i = 0; i < m.GetParameterIntNumber(); ++i)
        if (nom(m.GetParameterIntName(i)) == "Voisinage")
            voisinage = i;
    ASSERT_GE(ballon, 0);
    ASSERT_GE(voisinage, 0);
    const int voisinageAvant = m.GetParameterIntValue(voisinage);
    const std::vector<float> avant = positions(m);
    const int sommetsAvant = m.nbSommets;

    int evolutions = 0;
    actions = [&](Stravol::DialogueEvolution& d) {
        // The mesh has the grey volume before the first run.
        ASSERT_NE(m.imageEvolution, nullptr);
        EXPECT_EQ(m.imageEvolution->GetWidth(), 64);
        EXPECT_EQ(m.imageEvolution->GetHeight(), 64);
        EXPECT_EQ(m.imageEvolution->GetDepth(), 20);
        EXPECT_EQ(m.imageEvolution->GetRow(32, 10)[32], 200);
        EXPECT_EQ(m.imageEvolution->GetRow(5, 3)[9], grisBoule(9, 5, 3));
        QSignalSpy spy(&d, &Stravol::DialogueEvolution::evolue);
        d.reels[static_cast<std::size_t>(ballon)]->setValue(0.3);
        // An even side is refused by the mesh: the row shows the kept value after the run.
        d.entiers[static_cast<std::size_t>(voisinage)]->setValue(voisinageAvant + 1);
        d.iterations->setValue(3);
        QTest::mouseClick(d.boutonLancer, Qt::LeftButton);
        evolutions = static_cast<int>(spy.count());
        EXPECT_EQ(d.entiers[static_cast<std::size_t>(voisinage)]->value(),
                  m.GetParameterIntValue(voisinage));
    };
    ihm.evoluerMaillageToolStripMenuItem->trigger();
    ASSERT_EQ(ouvertures, 1);
    EXPECT_EQ(evolutions, 1);
    EXPECT_FLOAT_EQ(m.GetParameterFloatValue(ballon), 0.3f);
    EXPECT_EQ(m.GetParameterIntValue(voisinage), voisinageAvant);
    EXPECT_TRUE(m.nbSommets != sommetsAvant || positions(m) != avant);
    EXPECT_TRUE(m.verifierCoherence());
    // The volume the next extraction reads is still the displayed one.
    EXPECT_EQ(fenetre->volume()->getVoxelImage(32, 32, 10), 200);

    // A second opening keeps the grey volume the mesh already has.
    const CImage3D* gris = m.imageEvolution;
    actions = nullptr;
    ihm.evoluerMaillageToolStripMenuItem->trigger();
    EXPECT_EQ(m.imageEvolution, gris);
}

TEST_F(EvolutionTest, AnnulerRestoresTheMeshAsBeforeTheLastLancer) {
    extraire();
    ASSERT_NE(fenetre->volume()->maillage, nullptr);
    CMaillageTriangleChRegion& m = *fenetre->volume()->maillage;
    ParametresSauves sauves(m);
    const std::vector<float> initiales = positions(m);
    std::vector<float> apresPremier;
    int sommetsApresPremier = 0, trianglesApresPremier = 0;
    actions = [&](Stravol::DialogueEvolution& d) {
        EXPECT_EQ(d.boutonFermer->text(), "Fermer");
        EXPECT_FALSE(d.boutonAnnuler->isEnabled());
        d.iterations->setValue(2);
        QTest::mouseClick(d.boutonLancer, Qt::LeftButton);
        apresPremier = positions(m);
        sommetsApresPremier = m.nbSommets;
        trianglesApresPremier = m.nbTriangles;
        EXPECT_NE(apresPremier, initiales);
        ASSERT_TRUE(d.boutonAnnuler->isEnabled());

        // A second run, then "Annuler": the mesh as the second run found it.
        QTest::mouseClick(d.boutonLancer, Qt::LeftButton);
        EXPECT_NE(positions(m), apresPremier);
        QTest::mouseClick(d.boutonAnnuler, Qt::LeftButton);
        EXPECT_EQ(positions(m), apresPremier);
        EXPECT_EQ(m.nbSommets, sommetsApresPremier);
        EXPECT_EQ(m.nbTriangles, trianglesApresPremier);
        EXPECT_TRUE(m.verifierCoherence());
        EXPECT_FALSE(d.boutonAnnuler->isEnabled());
    };
    ihm.evoluerMaillageToolStripMenuItem->trigger();
    ASSERT_EQ(ouvertures, 1);
    // The view still draws the same mesh, put back in place.
    EXPECT_EQ(fenetre->volume()->maillage.get(), &m);
    EXPECT_EQ(positions(m), apresPremier);
}
