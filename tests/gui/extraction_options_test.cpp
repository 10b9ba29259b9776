// "Options d'extraction...": the options chosen serve the next extractions and exports, a
// cancelled dialog changes nothing, the values are shown again when the dialog reopens; the
// dual surface meshes the clicked object as a label mesh.
#include "AppFenetre.h"

#include "app/DialogueOptionsExtraction.h"
#include "app/ExtractionEtiquettes.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/MesuresPlat.h"
#include "volume/CImageTroisD.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLocale>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>

#include <filesystem>
#include <vector>

using testapp::WindowTest;

namespace {

// A box of grey 196 to 204 (a pattern standing for noise) over voxels [140, 190] x [20, 58] x
// [3, 20], in a background below 100. The click (128, 64) on cut 7 seeds voxel (150, 50, 7).
unsigned char grisBoiteBruitee(int x, int y, int z) {
    if (x >= 140 && x <= 190 && y >= 20 && y <= 58 && z >= 3 && z <= 20)
        return static_cast<unsigned char>(196 + (x * 7 + y * 13 + z * 29) % 9);
    return static_cast<unsigned char>((x * 7 + y * 13 + z * 29) % 100);
}
constexpr int kVoxelsBoite = 51 * 39 * 18;

std::vector<float> positions(const CMaillageTriangleChRegion& m) {
    std::vector<float> p;
    for (const CSommetChRegion* v = m.premierSommet; v != nullptr; v = v->suivant)
        p.insert(p.end(), {v->x, v->y, v->z});
    return p;
}

class ExtractionOptionsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        const std::string dossier = temp / "boite";
        testapp::ecrireVolume(dossier, "volume", 300, 200, 40, grisBoiteBruitee);
        ouvrirParMenu(dossier);
        ASSERT_NE(fenetre->vue(), nullptr);
        QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
        testapp::defiler(ihm.trackBarZ, 7);
    }

    // Extracts at the box's seed; the mesh's vertex positions.
    std::vector<float> extraire() {
        ihm.extraireRegionToolStripMenuItem->trigger();
        QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, QPoint(128, 64));
        EXPECT_NE(fenetre->volume()->maillage, nullptr);
        return fenetre->volume()->maillage ? positions(*fenetre->volume()->maillage)
                                           : std::vector<float>{};
    }

    // Opens the dialog from the menu; reglage sets its fields, then it ends with resultat.
    void regler(const std::function<void(Stravol::DialogueOptionsExtraction&)>& reglage,
                int resultat) {
        fenetre->dialogues().montrerOptionsExtraction = [&](Stravol::DialogueOptionsExtraction& d) {
            reglage(d);
            return resultat;
        };
        ihm.optionsExtractionToolStripMenuItem->trigger();
    }
};

} // namespace

TEST_F(ExtractionOptionsTest, OptionsServeTheNextExtractionsUntilChanged) {
    Stravol::Form1& f = *fenetre;
    const std::vector<float> defaut = extraire();
    // The exact level of the seed: scattered voxels of the noisy box only.
    EXPECT_LT(f.volume()->bilanExtraction.nbVoxelsCroissance, kVoxelsBoite / 2);

    regler(
        [](Stravol::DialogueOptionsExtraction& d) {
            EXPECT_EQ(d.methode->currentIndex(), 0);
            EXPECT_EQ(d.tours->value(), 10);
            EXPECT_EQ(d.tolerance->value(), 0);
            EXPECT_DOUBLE_EQ(d.decimation->value(), 1.0);
            // Rounds left at one method's default follow the method chosen.
            d.methode->setCurrentIndex(1);
            EXPECT_EQ(d.tours->value(), 20);
            d.tolerance->setValue(8);
        },
        QDialog::Accepted);
    EXPECT_EQ(f.extraction().options().lissage, Stravol::MethodeLissage::Contraint);
    const std::vector<float> contraint = extraire();
    EXPECT_EQ(f.volume()->bilanExtraction.nbVoxelsCroissance, kVoxelsBoite);
    EXPECT_NE(contraint, defaut);

    // Cancelled: whatever was typed, the options stay; shown again as they were chosen.
    regler(
        [](Stravol::DialogueOptionsExtraction& d) {
            EXPECT_EQ(d.methode->currentIndex(), 1);
            EXPECT_EQ(d.tours->value(), 20);
            EXPECT_EQ(d.tolerance->value(), 8);
            d.tolerance->setValue(0);
            d.tours->setValue(30);
            d.methode->setCurrentIndex(0);
            EXPECT_EQ(d.tours->value(), 30);
        },
        QDialog::Rejected);
    EXPECT_EQ(extraire(), contraint);

    // Back to Taubin, ten rounds, no tolerance: the default extraction again.
    regler(
        [](Stravol::DialogueOptionsExtraction& d) {
            d.methode->setCurrentIndex(0);
            d.tours->setValue(10);
            d.tolerance->setValue(0);
        },
        QDialog::Accepted);
    EXPECT_EQ(extraire(), defaut);
}

TEST_F(ExtractionOptionsTest, ExportDecimatesWithTheRatioChosen) {
    Stravol::Form1& f = *fenetre;
    regler([](Stravol::DialogueOptionsExtraction& d) { d.tolerance->setValue(8); },
           QDialog::Accepted);
    extraire();
    const int triangles = f.volume()->maillage->nbTriangles;
    const std::string entier = temp / "entier.stl", decime = temp / "decime.stl";
    reponseFichier = QString::fromStdString(entier);
    ihm.exporterToolStripMenuItem->trigger();
    regler([](Stravol::DialogueOptionsExtraction& d) { d.decimation->setValue(0.3); },
           QDialog::Accepted);
    reponseFichier = QString::fromStdString(decime);
    ihm.exporterToolStripMenuItem->trigger();
    ASSERT_TRUE(messages.empty()) << messages.front();
    ASSERT_TRUE(std::filesystem::exists(decime));
    EXPECT_EQ(std::filesystem::file_size(entier), 84u + 50u * static_cast<unsigned>(triangles));
    // Fewer triangles; on the box's flat faces the checks may have needed a milder ratio.
    const auto ecrits = (std::filesystem::file_size(decime) - 84u) / 50u;
    EXPECT_LT(ecrits, static_cast<std::uintmax_t>(triangles));
    // The mesh shown stays whole.
    EXPECT_EQ(f.volume()->maillage->nbTriangles, triangles);
}

// A lone voxel extracted without smoothing is a unit cube, which no decimation passes: the
// export writes nothing and tells why; the mesh shown stays.
TEST_F(ExtractionOptionsTest, ExportThatNoDecimationPassesWritesNothingAndSaysSo) {
    const std::string dossier = temp / "voxel";
    testapp::ecrireVolume(dossier, "volume", 300, 200, 40, [](int x, int y, int z) {
        return static_cast<unsigned char>(x == 150 && y == 50 && z == 7 ? 200 : 20);
    });
    ouvrirParMenu(dossier);
    auto* coupeZ = fenetre->findChild<QCheckBox*>("checkZ");
    auto* barreZ = fenetre->findChild<QSlider*>("trackBarZ");
    auto* image = fenetre->findChild<QWidget*>("pictureBox1");
    auto* extraireRegion = fenetre->findChild<QAction*>("extraireRegionToolStripMenuItem");
    auto* exporter = fenetre->findChild<QAction*>("exporterToolStripMenuItem");
    ASSERT_TRUE(coupeZ && barreZ && image && extraireRegion && exporter);
    if (!coupeZ->isChecked())
        QTest::mouseClick(coupeZ, Qt::LeftButton);
    barreZ->setValue(6);
    testapp::defiler(barreZ, 1);
    ASSERT_EQ(barreZ->value(), 7);
    regler(
        [](Stravol::DialogueOptionsExtraction& d) {
            d.tours->setValue(0);
            d.decimation->setValue(0.5);
        },
        QDialog::Accepted);
    extraireRegion->trigger();
    QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(128, 64));
    ASSERT_NE(fenetre->volume()->maillage, nullptr);
    ASSERT_EQ(fenetre->volume()->maillage->nbTriangles, 12);
    const std::string fichier = temp / "cube.stl";
    reponseFichier = QString::fromStdString(fichier);
    exporter->trigger();
    EXPECT_FALSE(std::filesystem::exists(fichier));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Le maillage n'a pas été exporté : ", 0), 0u) << messages[0];
    EXPECT_EQ(fenetre->volume()->maillage->nbTriangles, 12);
}

TEST_F(ExtractionOptionsTest, TheDualSurfaceMeshesTheClickedObjectAsItStands) {
    Stravol::Form1& f = *fenetre;
    regler(
        [](Stravol::DialogueOptionsExtraction& d) {
            EXPECT_EQ(d.surface->currentIndex(), 0);
            EXPECT_TRUE(d.methode->isEnabled());
            // The dual surface has its own smoothing and its own default rounds.
            d.surface->setCurrentIndex(1);
            EXPECT_FALSE(d.methode->isEnabled());
            EXPECT_EQ(d.tours->value(), 20);
            d.tolerance->setValue(8);
        },
        QDialog::Accepted);
    EXPECT_EQ(f.extraction().options().surface, Stravol::MethodeSurface::Duale);

    ihm.extraireRegionToolStripMenuItem->trigger();
    QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, QPoint(128, 64));
    // No region mesh: the one label mesh of the box, closed, of the box's volume.
    EXPECT_EQ(f.volume()->maillage, nullptr);
    EXPECT_FALSE(ihm.checkBoxMaillage->isEnabled());
    ASSERT_EQ(f.etiquettes().scene().size(), 1u);
    const Stravol::MaillagePlat& m = f.etiquettes().scene().front().maillage;
    EXPECT_TRUE(Stravol::controlerMaillagePlat(m).ferme);
    EXPECT_NEAR(Stravol::mesurerMaillagePlat(m).volume, kVoxelsBoite, 0.02 * kVoxelsBoite);
    ASSERT_EQ(f.vue()->maillagesEtiquettes.size(), 1u);
    const QString bilan = f.statusBar()->currentMessage();
    EXPECT_TRUE(bilan.startsWith(
        "Extraction duale au voxel (150, 50, 7) : " + QLocale().toString(kVoxelsBoite) + " voxels"))
        << bilan.toStdString();
    EXPECT_TRUE(testapp::enfant<QAction>(f, "exporterSceneToolStripMenuItem")->isEnabled());

    // Back to the faces: a click gives the region mesh again and the scene goes.
    regler([](Stravol::DialogueOptionsExtraction& d) { d.surface->setCurrentIndex(0); },
           QDialog::Accepted);
    EXPECT_FALSE(extraire().empty());
    EXPECT_TRUE(f.etiquettes().scene().empty());
}
