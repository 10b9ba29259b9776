#include "AppFenetre.h"

#include "app/ExtractionEtiquettes.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/CImageTroisD.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <cstdlib>

using testapp::WindowTest;

namespace {

struct Boite {
    float min[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    float max[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
};

Boite boiteDe(const CMaillageTriangleChRegion& m) {
    Boite b;
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        const float p[3] = {s->x, s->y, s->z};
        for (int k = 0; k < 3; ++k) {
            b.min[k] = std::min(b.min[k], p[k]);
            b.max[k] = std::max(b.max[k], p[k]);
        }
    }
    return b;
}

class ExtractionTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        dossier = temp / "boite";
        testapp::ecrireVolume(dossier, "volume", 300, 200, 40, testapp::grisBoite);
        ouvrirParMenu(dossier);
        ASSERT_NE(fenetre->vue(), nullptr);
        QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
        testapp::defiler(ihm.trackBarZ, 7);
        ASSERT_EQ(ihm.trackBarZ->value(), 7);
    }

    void cliquer(int x, int y) {
        QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, QPoint(x, y));
    }

    std::string dossier;
};

// Turns the trackball by ten steps of pas, then grabs the window as the screen shows it.
QPixmap tournerEtSaisir(Stravol::Form1& f, QPoint pas) {
    Stravol::COpenGL* vue = f.vue();
    const QPoint c = vue->rect().center();
    QTest::mousePress(vue, Qt::LeftButton, {}, c);
    for (int i = 1; i <= 10; ++i) {
        QMouseEvent m(QEvent::MouseMove, QPointF(c + i * pas),
                      vue->mapToGlobal(QPointF(c + i * pas)), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(vue, &m);
    }
    QTest::mouseRelease(vue, Qt::LeftButton, {}, c + 10 * pas);
    QTest::qWait(200);
    // The window's grab blends the view's framebuffer by its alpha (the clear colour's is 0.8),
    // which the screen does not: paint the view over it opaque, as the screen shows it.
    QPixmap ecran = f.grab();
    {
        QPainter peintre(&ecran);
        peintre.drawImage(vue->mapTo(&f, QPoint(0, 0)),
                          vue->capturerImage().convertToFormat(QImage::Format_RGB32));
    }
    return ecran;
}

} // namespace

TEST_F(ExtractionTest, AnArmedClickExtractsAtTheScaledVoxel) {
    Stravol::Form1& f = *fenetre;
    EXPECT_EQ(ihm.pictureBox1->pixmap().size(), QSize(300, 200));

    // Not armed: a click does nothing.
    cliquer(128, 64);
    EXPECT_EQ(f.volume()->maillage, nullptr);
    EXPECT_FALSE(ihm.checkBoxMaillage->isVisible());

    ihm.extraireRegionToolStripMenuItem->trigger();
    ASSERT_TRUE(f.extraction().armee());
    cliquer(128, 64);
    ASSERT_NE(f.volume()->maillage, nullptr);
    EXPECT_TRUE(f.volume()->bilanExtraction.effectuee);
    EXPECT_EQ(f.volume()->bilanExtraction.valeurGerme, 200);
    EXPECT_EQ(f.volume()->bilanExtraction.nbVoxelsCroissance, 51 * 39 * 18);

    // The mesh wraps the box: its vertices lie around the box's faces (voxel coordinates).
    const Boite b = boiteDe(*f.volume()->maillage);
    const int bornes[3][2] = {{140, 190}, {20, 58}, {3, 20}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_GE(b.min[k], bornes[k][0] - 1.f) << k;
        EXPECT_LE(b.min[k], bornes[k][0] + 1.f) << k;
        EXPECT_GE(b.max[k], bornes[k][1] - 1.f) << k;
        EXPECT_LE(b.max[k], bornes[k][1] + 1.f) << k;
    }

    // The view draws it from its next frame; one arming served one click.
    EXPECT_EQ(f.vue()->maillage, f.volume()->maillage.get());
    EXPECT_TRUE(f.vue()->bmaillage);
    EXPECT_TRUE(ihm.checkBoxMaillage->isVisible());
    EXPECT_TRUE(ihm.checkBoxMaillage->isChecked());
    EXPECT_FALSE(f.extraction().armee());
    EXPECT_TRUE(ihm.exporterToolStripMenuItem->isEnabled());
    const CMaillageTriangleChRegion* premier = f.volume()->maillage.get();
    cliquer(10, 10);
    EXPECT_EQ(f.volume()->maillage.get(), premier);

    // The mesh stays visible after "Fermer" hides nothing but the volume; "Ouvrir" hides it.
    ihm.fermerToolStripMenuItem->trigger();
    EXPECT_TRUE(ihm.checkBoxMaillage->isVisible());
    EXPECT_FALSE(ihm.exporterToolStripMenuItem->isEnabled());
    ouvrirParMenu(dossier);
    EXPECT_FALSE(ihm.checkBoxMaillage->isVisible());
    EXPECT_EQ(f.vue()->maillage, nullptr);
}

TEST_F(ExtractionTest, TheLitMeshDisappearsWhenTheBoxIsToggled) {
    Stravol::Form1& f = *fenetre;
    ihm.extraireRegionToolStripMenuItem->trigger();
    cliquer(128, 64);
    ASSERT_NE(f.volume()->maillage, nullptr);
    // Only the mesh in the frame: the cut is switched off.
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    ASSERT_EQ(f.vue()->indZ, -1);

    const int avec = testapp::pixelsDessines(f.vue()->capturerImage());
    EXPECT_GT(avec, 200);
    QTest::mouseClick(ihm.checkBoxMaillage, Qt::LeftButton);
    EXPECT_FALSE(f.vue()->bmaillage);
    EXPECT_EQ(testapp::pixelsDessines(f.vue()->capturerImage()), 0);
    QTest::mouseClick(ihm.checkBoxMaillage, Qt::LeftButton);
    EXPECT_TRUE(f.vue()->bmaillage);
    EXPECT_EQ(testapp::pixelsDessines(f.vue()->capturerImage()), avec);
}

TEST_F(ExtractionTest, ExportWritesTheFileOrReportsTheFailure) {
    Stravol::Form1& f = *fenetre;
    ihm.extraireRegionToolStripMenuItem->trigger();
    cliquer(128, 64);
    ASSERT_NE(f.volume()->maillage, nullptr);
    const int nbTriangles = f.volume()->maillage->nbTriangles;

    const std::string stl = temp / "boite.stl";
    reponseFichier = QString::fromStdString(stl);
    ihm.exporterToolStripMenuItem->trigger();
    EXPECT_TRUE(messages.empty());
    ASSERT_TRUE(std::filesystem::exists(stl));
    EXPECT_EQ(std::filesystem::file_size(stl), 84u + 50u * static_cast<unsigned>(nbTriangles));

    const std::string obj = temp / "boite.OBJ";
    reponseFichier = QString::fromStdString(obj);
    ihm.exporterToolStripMenuItem->trigger();
    EXPECT_TRUE(std::filesystem::exists(obj));

    // Cancelled: nothing written, nothing said. Unwritable: one message naming the file.
    reponseFichier.clear();
    ihm.exporterToolStripMenuItem->trigger();
    EXPECT_TRUE(messages.empty());
    const std::string impossible = temp / "absent/boite.ply";
    reponseFichier = QString::fromStdString(impossible);
    ihm.exporterToolStripMenuItem->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(impossible), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(temp / "absent"));
}

// Not a check: writes the screenshot of the documentation when STRAVOL_CAPTURE names the
// picture, STRAVOL_CAPTURE_DOSSIER the parent folder to show (the demo data set) and
// STRAVOL_CAPTURE_GERME "X Y Z" a voxel of the object to extract from the segmented view.
TEST(ScreenCapture, WindowOnTheDemo) {
    const char* sortie = std::getenv("STRAVOL_CAPTURE");
    const char* demo = std::getenv("STRAVOL_CAPTURE_DOSSIER");
    const char* germe = std::getenv("STRAVOL_CAPTURE_GERME");
    int g[3] = {0, 0, 0};
    if (sortie == nullptr || demo == nullptr || germe == nullptr ||
        std::sscanf(germe, "%d %d %d", &g[0], &g[1], &g[2]) != 3)
        GTEST_SKIP()
            << "STRAVOL_CAPTURE, STRAVOL_CAPTURE_DOSSIER and STRAVOL_CAPTURE_GERME not set";
    testgui::application();
    Stravol::Form1 f;
    const testapp::Controles ihm(f);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    ASSERT_TRUE(f.ouvrirDossier(demo));
    QCheckBox* cases[3] = {ihm.checkX, ihm.checkY, ihm.checkZ};
    QSlider* barres[3] = {ihm.trackBarX, ihm.trackBarY, ihm.trackBarZ};
    for (int axe = 0; axe < 3; ++axe) {
        QTest::mouseClick(cases[axe], Qt::LeftButton);
        testapp::defiler(barres[axe], axe == 2 ? g[2] : barres[axe]->maximum() / 2);
    }
    ihm.imageSegmenteToolStripMenuItem->trigger();
    ihm.extraireRegionToolStripMenuItem->trigger();
    const QPoint clic(g[0] * ihm.pictureBox1->width() / f.volume()->largeur,
                      g[1] * ihm.pictureBox1->height() / f.volume()->hauteur);
    QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, clic);
    ASSERT_NE(f.volume()->maillage, nullptr);
    ihm.imageNormaleToolStripMenuItem->trigger();
    // Turn the trackball a little so that the three cuts and the mesh show in depth.
    EXPECT_TRUE(tournerEtSaisir(f, QPoint(8, 5)).save(sortie));
}

// Not a check either: with STRAVOL_CAPTURE_LISSAGE naming the picture (and the folder and seed
// above), the lit ball close up, after the default smoothing on the left and after the
// constrained one on the right.
TEST(ScreenCapture, LitBallAfterEachSmoothing) {
    const char* sortie = std::getenv("STRAVOL_CAPTURE_LISSAGE");
    const char* demo = std::getenv("STRAVOL_CAPTURE_DOSSIER");
    const char* germe = std::getenv("STRAVOL_CAPTURE_GERME");
    int g[3] = {0, 0, 0};
    if (sortie == nullptr || demo == nullptr || germe == nullptr ||
        std::sscanf(germe, "%d %d %d", &g[0], &g[1], &g[2]) != 3)
        GTEST_SKIP() << "STRAVOL_CAPTURE_LISSAGE, STRAVOL_CAPTURE_DOSSIER and "
                        "STRAVOL_CAPTURE_GERME not set";
    constexpr int kCransMolette = 3; // wheel steps bringing the camera closer to the ball
    testgui::application();
    Stravol::Form1 f;
    const testapp::Controles ihm(f);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    ASSERT_TRUE(f.ouvrirDossier(demo));
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, g[2]);
    ihm.imageSegmenteToolStripMenuItem->trigger();
    const QPoint clic(g[0] * ihm.pictureBox1->width() / f.volume()->largeur,
                      g[1] * ihm.pictureBox1->height() / f.volume()->hauteur);
    Stravol::COpenGL* vue = f.vue();
    const QPointF centre = QPointF(vue->rect().center());
    QImage vues[2];
    for (int methode = 0; methode < 2; ++methode) {
        f.extraction().options().lissage = static_cast<Stravol::MethodeLissage>(methode);
        f.extraction().options().nbLissages =
            Stravol::toursParDefaut(f.extraction().options().lissage);
        ihm.extraireRegionToolStripMenuItem->trigger();
        QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, clic);
        ASSERT_NE(f.volume()->maillage, nullptr);
        if (methode == 0)
            for (int cran = 0; cran < kCransMolette; ++cran) {
                QWheelEvent molette(centre, vue->mapToGlobal(centre), QPoint(),
                                    QPoint(0, -QWheelEvent::DefaultDeltasPerStep), Qt::NoButton,
                                    Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(vue, &molette);
            }
        if (methode == 0)
            QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
        QTest::qWait(200);
        vues[methode] = vue->capturerImage().convertToFormat(QImage::Format_RGB32);
    }
    // Both views cut to what differs from the background, with a margin.
    constexpr int kMarge = 12;
    const QRgb fond = vues[0].pixel(0, 0);
    QRect cadre;
    for (const QImage& v : vues)
        for (int y = 0; y < v.height(); ++y)
            for (int x = 0; x < v.width(); ++x)
                if (v.pixel(x, y) != fond)
                    cadre |= QRect(x, y, 1, 1);
    cadre = cadre.adjusted(-kMarge, -kMarge, kMarge, kMarge).intersected(vues[0].rect());
    QImage image(2 * cadre.width(), cadre.height(), QImage::Format_RGB32);
    {
        QPainter peintre(&image);
        peintre.drawImage(0, 0, vues[0].copy(cadre));
        peintre.drawImage(cadre.width(), 0, vues[1].copy(cadre));
    }
    EXPECT_TRUE(image.save(sortie));
}

// Not a check either: with STRAVOL_CAPTURE_ETIQUETTES naming the picture and
// STRAVOL_CAPTURE_FICHIERS "VOLUME LABELS" two volume files (a label table beside the second),
// the window with every label meshed, the label panel and the axial picture in colour.
TEST(ScreenCapture, EveryLabelWithItsPanel) {
    const char* sortie = std::getenv("STRAVOL_CAPTURE_ETIQUETTES");
    const char* fichiers = std::getenv("STRAVOL_CAPTURE_FICHIERS");
    const QStringList noms = fichiers != nullptr ? QString(fichiers).split(' ') : QStringList();
    if (sortie == nullptr || noms.size() != 2)
        GTEST_SKIP() << "STRAVOL_CAPTURE_ETIQUETTES and STRAVOL_CAPTURE_FICHIERS not set";
    constexpr int kAttenteMs = 120000;
    testgui::application();
    Stravol::Form1 f;
    const testapp::Controles ihm(f);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    ASSERT_TRUE(f.ouvrirFichiers(noms));
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, ihm.trackBarZ->maximum() / 2);
    ihm.imageSegmenteToolStripMenuItem->trigger();
    ihm.etiquettesCouleurToolStripMenuItem->trigger();
    testapp::enfant<QAction>(f, "extraireEtiquettesToolStripMenuItem")->trigger();
    QElapsedTimer t;
    t.start();
    while (f.etiquettes().enCours() && t.elapsed() < kAttenteMs)
        QTest::qWait(50);
    ASSERT_TRUE(f.etiquettes().aUneScene());
    // Turn the trackball a little so that the meshes show in depth.
    EXPECT_TRUE(tournerEtSaisir(f, QPoint(6, 4)).save(sortie));
}
