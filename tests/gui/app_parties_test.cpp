// The parts of the main window on their own, without the window: a menu item's reaction, the
// cut panel turning a click into a voxel, the extraction controller turning that voxel into a
// seed.

#include "ApplicationTest.h"
#include "app/ControleurExtraction.h"
#include "app/DialoguesFenetre.h"
#include "app/PanneauCoupes.h"
#include "app/Reaction.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/CImageTroisD.h"

#include <QAction>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using Stravol::Coord3D;

namespace {

// Progress nobody watches.
class BarreMuette : public ProgressSink {
public:
    void setMaximum(int) override {}
    void setValue(int) override {}
};

// A volume of 0 with a box of grey 200 over [4, 11] x [3, 8] x [2, 5].
std::unique_ptr<CImageTroisD> volumeBoite() {
    auto v = std::make_unique<CImageTroisD>(16, 12, 8);
    for (int z = 0; z < v->profondeur; ++z)
        for (int y = 0; y < v->hauteur; ++y)
            for (int x = 0; x < v->largeur; ++x)
                v->setVoxelImage(
                    x, y, z, x >= 4 && x <= 11 && y >= 3 && y <= 8 && z >= 2 && z <= 5 ? 200 : 0);
    return v;
}

} // namespace

TEST(Reaction, RunsAtEachTriggerAndIsAvailableAsItsConditionWas) {
    testgui::application();
    QAction action("essai");
    action.setCheckable(true);
    std::vector<bool> coches;
    auto* reaction = new Stravol::Reaction(&action, [&](bool c) { coches.push_back(c); });
    action.trigger();
    action.trigger();
    EXPECT_EQ(coches, (std::vector<bool>{true, false}));

    bool ouvert = false;
    reaction->disponibleSi([&] { return ouvert; });
    EXPECT_FALSE(action.isEnabled());
    ouvert = true;
    EXPECT_FALSE(action.isEnabled());
    reaction->majDisponibilite();
    EXPECT_TRUE(action.isEnabled());
}

TEST(CutPanel, AClickOnTheEmptyPictureIsTheVoxelOfTheZCut) {
    testgui::application();
    QWidget panneau;
    Stravol::VolumeOuvert ouvert;
    ouvert.images3D = std::make_unique<CImageTroisD>(300, 200, 40);
    ouvert.images3D->AllouerTexture();
    BarreMuette barre;
    auto* coupes = new Stravol::PanneauCoupes(&panneau, ouvert, barre);
    coupes->preparerVolume();
    auto* barreZ = panneau.findChild<QSlider*>("trackBarZ");
    auto* image = panneau.findChild<QLabel*>("pictureBox1");
    ASSERT_NE(barreZ, nullptr);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(barreZ->maximum(), 39);
    barreZ->setValue(7);

    std::vector<Coord3D> clics;
    QObject::connect(coupes, &Stravol::PanneauCoupes::imageCliquee,
                     [&](const Coord3D& v) { clics.push_back(v); });
    QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(128, 64));
    ASSERT_EQ(clics.size(), 1u);
    EXPECT_EQ(clics[0].x, 150);
    EXPECT_EQ(clics[0].y, 50);
    EXPECT_EQ(clics[0].z, 7);

    // Without a volume a click is no voxel.
    ouvert.images3D.reset();
    QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(128, 64));
    EXPECT_EQ(clics.size(), 1u);
}

TEST(ExtractionController, OneArmingServesOneClick) {
    testgui::application();
    QWidget panneau;
    QStatusBar barreEtat;
    Stravol::DialoguesFenetre dialogues;
    Stravol::VolumeOuvert ouvert;
    ouvert.images3D = volumeBoite();
    auto* extraction = new Stravol::ControleurExtraction(&panneau, ouvert, dialogues, &barreEtat);
    QSignalSpy armement(extraction, &Stravol::ControleurExtraction::armementChange);
    QSignalSpy maillage(extraction, &Stravol::ControleurExtraction::maillageChange);

    // Not armed: a click is no seed.
    extraction->cliquer({6, 5, 3});
    EXPECT_EQ(ouvert.images3D->maillage, nullptr);
    EXPECT_EQ(maillage.count(), 0);
    EXPECT_FALSE(extraction->aUnMaillage());

    extraction->armer();
    EXPECT_TRUE(extraction->armee());
    ASSERT_EQ(armement.count(), 1);
    EXPECT_TRUE(armement.at(0).at(0).toBool());
    EXPECT_FALSE(barreEtat.currentMessage().isEmpty());
    extraction->cliquer({6, 5, 3});
    ASSERT_NE(ouvert.images3D->maillage, nullptr);
    EXPECT_EQ(ouvert.images3D->bilanExtraction.nbVoxelsCroissance, 8 * 6 * 4);
    EXPECT_TRUE(extraction->aUnMaillage());
    EXPECT_FALSE(extraction->armee());
    ASSERT_EQ(armement.count(), 2);
    EXPECT_FALSE(armement.at(1).at(0).toBool());
    EXPECT_EQ(maillage.count(), 1);
    EXPECT_TRUE(barreEtat.currentMessage().startsWith("Extraction au voxel (6, 5, 3)"))
        << barreEtat.currentMessage().toStdString();

    // The next click, unarmed, keeps the mesh.
    const CMaillageTriangleChRegion* premier = ouvert.images3D->maillage.get();
    extraction->cliquer({0, 0, 0});
    EXPECT_EQ(ouvert.images3D->maillage.get(), premier);
    EXPECT_EQ(maillage.count(), 1);
}
