// The window as a user meets it: what the screen shows right after each command, clicks read
// where they land, the status bar, the keyboard, recent folders, drops, label colours and
// resizing. The view's pictures are read back from its framebuffer as it stands, as the
// toolkit shows it, never drawn anew for the reading.

#include "AppFenetre.h"
#include "ChiffresBilan.h"

#include "core/CPoint3D.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/CImageTroisD.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>
#include <QWindow>

#include <fstream>
#include <set>

using Stravol::Axe;
using Stravol::COpenGL;
using Stravol::Form1;
using testapp::WindowTest;

namespace {

using testapp::grisBoite;
// The voxels of the box of grisBoite.
constexpr int kVoxelsBoite = 51 * 39 * 18;

// Lets the toolkit put every pending frame on the screen.
void afficherEnAttente() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// What the view puts on the screen now: its framebuffer as it stands, without a new frame
// drawn for the reading (the X screen itself may be shared with other tests' windows).
QImage ecran(COpenGL* vue) {
    afficherEnAttente();
    return vue->imageAffichee();
}

// Pixels of the view's picture that are not its grey background (0.8 on the screen).
int pixelsDessines(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += std::abs(qRed(p) - 204) > 8 || std::abs(qGreen(p) - 204) > 8 ||
                 std::abs(qBlue(p) - 204) > 8;
        }
    return n;
}

// Bounding box of the pixels that are not background.
QRect etendueDessinee(const QImage& image) {
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - 204) > 8 || std::abs(qGreen(p) - 204) > 8 ||
                std::abs(qBlue(p) - 204) > 8)
                r = r.united(QRect(x, y, 1, 1));
        }
    return r;
}

void survoler(QWidget* w, QPoint p) {
    QMouseEvent m(QEvent::MouseMove, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::NoButton,
                  Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &m);
}

class BoxVolumeTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        dossier = temp / "boite";
        testapp::ecrireVolume(dossier, "volume", 300, 200, 40, grisBoite);
        ouvrirParMenu(dossier);
        ASSERT_NE(fenetre->vue(), nullptr);
    }
    void cliquer(QPoint p) { QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, p); }
    // Scrolls a track bar to v as the user does (the last step by a key).
    static void placer(QSlider* barre, int v) {
        barre->setValue(v - 1);
        testapp::defiler(barre, 1);
        ASSERT_EQ(barre->value(), v);
    }
    void activer() {
        fenetre->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
    }
    std::string dossier;
};

} // namespace

TEST(VoxelUnderPointer, EachCutReadsBothAxesOfItsPicture) {
    // A Z picture gives the scaled voxel of the Z cut, as the window always did.
    const Stravol::Coord3D z =
        Stravol::voxelSousPointeur(Axe::Z, 7, 128, 64, 256, 256, 300, 200, 40);
    EXPECT_EQ(z.x, 150);
    EXPECT_EQ(z.y, 50);
    EXPECT_EQ(z.z, 7);
    // X pictures are profondeur x hauteur (columns along z), Y pictures largeur x profondeur.
    const Stravol::Coord3D x =
        Stravol::voxelSousPointeur(Axe::X, 150, 64, 52, 256, 256, 300, 200, 40);
    EXPECT_EQ(x.x, 150);
    EXPECT_EQ(x.y, 40);
    EXPECT_EQ(x.z, 10);
    const Stravol::Coord3D y =
        Stravol::voxelSousPointeur(Axe::Y, 30, 128, 64, 256, 256, 300, 200, 40);
    EXPECT_EQ(y.x, 150);
    EXPECT_EQ(y.y, 30);
    EXPECT_EQ(y.z, 10);
    // The last pixel stays inside the volume.
    const Stravol::Coord3D bord =
        Stravol::voxelSousPointeur(Axe::Z, 0, 255, 255, 256, 256, 300, 200, 40);
    EXPECT_EQ(bord.x, 298);
    EXPECT_EQ(bord.y, 199);
}

TEST_F(BoxVolumeTest, TheMeshIsOnScreenAtTheClickWithoutMovingTheMouse) {
    Form1& f = *fenetre;
    // The picture shows Z cut 7, then the cut leaves the view: an empty grey frame on the
    // screen before the extraction.
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    placer(ihm.trackBarZ, 7);
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    EXPECT_EQ(pixelsDessines(ecran(f.vue())), 0);
    ihm.extraireRegionToolStripMenuItem->trigger();
    cliquer(QPoint(128, 64));
    ASSERT_NE(f.volume()->maillage, nullptr);
    const int avec = pixelsDessines(ecran(f.vue()));
    EXPECT_GT(avec, 200);

    // "Afficher le maillage" hides and shows it on the screen at once.
    QTest::mouseClick(ihm.checkBoxMaillage, Qt::LeftButton);
    EXPECT_EQ(pixelsDessines(ecran(f.vue())), 0);
    QTest::mouseClick(ihm.checkBoxMaillage, Qt::LeftButton);
    EXPECT_EQ(pixelsDessines(ecran(f.vue())), avec);
}

TEST_F(BoxVolumeTest, AClickOnAnXPictureExtractsTheObjectUnderThePointer) {
    Form1& f = *fenetre;
    QTest::mouseClick(ihm.checkX, Qt::LeftButton);
    placer(ihm.trackBarX, 150);
    ASSERT_EQ(f.coupes().axeImage(), Axe::X);
    ASSERT_EQ(ihm.pictureBox1->pixmap().size(), QSize(40, 200));
    ihm.extraireRegionToolStripMenuItem->trigger();
    // Column 64 of 256 is z = 10, row 52 is y = 40: inside the box at x = 150.
    cliquer(QPoint(64, 52));
    ASSERT_TRUE(f.volume()->bilanExtraction.effectuee);
    EXPECT_EQ(f.volume()->bilanExtraction.valeurGerme, 200);
    EXPECT_EQ(f.volume()->bilanExtraction.nbVoxelsCroissance, kVoxelsBoite);

    // A Y picture too: row 64 of 256 is z = 10, column 128 is x = 150, at y = 30.
    QTest::mouseClick(ihm.checkY, Qt::LeftButton);
    placer(ihm.trackBarY, 30);
    ASSERT_EQ(f.coupes().axeImage(), Axe::Y);
    f.volume()->maillage.reset();
    ihm.extraireRegionToolStripMenuItem->trigger();
    cliquer(QPoint(128, 64));
    EXPECT_EQ(f.volume()->bilanExtraction.valeurGerme, 200);
    EXPECT_EQ(f.volume()->bilanExtraction.nbVoxelsCroissance, kVoxelsBoite);
}

TEST_F(BoxVolumeTest, TheStatusBarGivesTheVoxelUnderThePointerAndTheSummary) {
    Form1& f = *fenetre;
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    placer(ihm.trackBarZ, 7);
    EXPECT_EQ(ihm.labelIndiceZ->text(), "z = 7 / 39");
    EXPECT_EQ(ihm.labelIndiceX->text(), "x = 0 / 299");
    survoler(ihm.pictureBox1, QPoint(128, 64));
    EXPECT_EQ(ihm.labelVoxel->text(), "Voxel (150, 50, 7) : gris 200");
    survoler(ihm.pictureBox1, QPoint(0, 0));
    EXPECT_EQ(ihm.labelVoxel->text(),
              QString("Voxel (0, 0, 7) : gris %1").arg(static_cast<int>(grisBoite(0, 0, 7))));
    QEvent sortie(QEvent::Leave);
    QApplication::sendEvent(ihm.pictureBox1, &sortie);
    EXPECT_TRUE(ihm.labelVoxel->text().isEmpty());

    // Armed: a cross-hair over the picture and a message until the click.
    ihm.extraireRegionToolStripMenuItem->trigger();
    EXPECT_EQ(ihm.pictureBox1->cursor().shape(), Qt::CrossCursor);
    EXPECT_FALSE(f.statusBar()->currentMessage().isEmpty());
    cliquer(QPoint(128, 64));
    EXPECT_NE(ihm.pictureBox1->cursor().shape(), Qt::CrossCursor);
    const QString bilan = f.statusBar()->currentMessage();
    testapp::ChiffresBilan c;
    ASSERT_TRUE(testapp::lireBilan(bilan, c)) << bilan.toStdString();
    EXPECT_EQ(c.voxels, kVoxelsBoite);
    EXPECT_EQ(c.triangles, f.volume()->maillage->nbTriangles);
    // The 51 x 39 x 18 box: 35,802 voxels³ and 2 (51 x 39 + 51 x 18 + 39 x 18) = 7,218
    // voxels² of faces, which the smoothing rounds at the edges and corners.
    EXPECT_LT(c.volume, kVoxelsBoite);
    EXPECT_GT(c.volume, 0.99 * kVoxelsBoite);
    EXPECT_LT(c.aire, 7218.0);
    EXPECT_GT(c.aire, 0.95 * 7218.0);
    // A picture folder has no voxel size: no world measures.
    EXPECT_EQ(c.volumeMm3, -1.0);
    EXPECT_EQ(c.aireMm2, -1.0);
    EXPECT_GE(c.secondes, 0.0);
}

TEST_F(BoxVolumeTest, EscapeDisarmsTheExtraction) {
    Form1& f = *fenetre;
    activer();
    ihm.extraireRegionToolStripMenuItem->trigger();
    ASSERT_TRUE(f.extraction().armee());
    QTest::keyClick(&f, Qt::Key_Escape);
    EXPECT_FALSE(f.extraction().armee());
    EXPECT_NE(ihm.pictureBox1->cursor().shape(), Qt::CrossCursor);
    EXPECT_TRUE(f.statusBar()->currentMessage().isEmpty());
    cliquer(QPoint(128, 64));
    EXPECT_EQ(f.volume()->maillage, nullptr);
}

TEST_F(BoxVolumeTest, ShortcutsAndMnemonics) {
    Form1& f = *fenetre;
    activer();
    EXPECT_EQ(ihm.quitterToolStripMenuItem->shortcut(), QKeySequence("Ctrl+Q"));
    ihm.extraireRegionToolStripMenuItem->trigger();
    cliquer(QPoint(128, 64));
    ASSERT_NE(f.volume()->maillage, nullptr);

    reponseFichier = QString::fromStdString(temp / "boite.stl");
    QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(std::filesystem::exists(temp / "boite.stl"));
    QTest::keyClick(&f, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(f.volume(), nullptr);
    reponseDossier = QString::fromStdString(dossier);
    QTest::keyClick(&f, Qt::Key_O, Qt::ControlModifier);
    EXPECT_NE(f.volume(), nullptr);

    // Every menu and item has its own Alt letter within its menu.
    std::set<QChar> titres;
    for (QAction* menu : f.menuBar()->actions()) {
        const int i = menu->text().indexOf('&');
        ASSERT_GE(i, 0) << menu->text().toStdString();
        EXPECT_TRUE(titres.insert(menu->text().at(i + 1).toLower()).second);
        std::set<QChar> lettres;
        for (QAction* item : menu->menu()->actions()) {
            const int j = item->text().indexOf('&');
            ASSERT_GE(j, 0) << item->text().toStdString();
            EXPECT_TRUE(lettres.insert(item->text().at(j + 1).toLower()).second)
                << item->text().toStdString();
        }
    }
}

TEST_F(WindowTest, HelpAndAbout) {
    std::vector<std::pair<QString, QString>> boites;
    fenetre->dialogues().afficherInformation = [&](const QString& titre, const QString& texte) {
        boites.emplace_back(titre, texte);
    };
    ihm.commandesToolStripMenuItem->trigger();
    ihm.aProposToolStripMenuItem->trigger();
    ASSERT_EQ(boites.size(), 2u);
    for (const char* cle : {"Z, Q, S, D", "molette", "R ", "P et M", "bouton gauche", "Échap"})
        EXPECT_TRUE(boites[0].second.contains(cle)) << cle;
    EXPECT_TRUE(boites[1].second.contains(QRegularExpression("version \\d")))
        << boites[1].second.toStdString();
}

TEST_F(WindowTest, RecentFoldersLastFolderAndDrop) {
    const auto gris = [](int x, int, int) { return static_cast<unsigned char>(x); };
    std::vector<std::string> dossiers;
    // Nine folders opened, one more than the list keeps.
    for (int i = 0; i < 9; ++i) {
        dossiers.push_back(temp / ("d" + std::to_string(i)));
        testapp::ecrireVolume(dossiers.back(), "volume", 4, 4, 2, gris);
        ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(dossiers.back())));
    }
    // Most recent first, eight kept, in the settings file of the test's location.
    const QStringList recents = fenetre->dossiersRecents();
    ASSERT_EQ(recents.size(), 8);
    EXPECT_EQ(recents.first().toStdString(), dossiers.back());
    EXPECT_EQ(recents.last().toStdString(), dossiers[1]);
    EXPECT_TRUE(std::filesystem::exists(temp / "config/Stravol/stravol.ini"));
    ASSERT_EQ(ihm.recentsMenu->actions().size(), 8);

    // A recent item opens its folder and heads the list again.
    ihm.recentsMenu->actions().last()->trigger();
    EXPECT_EQ(fenetre->volume()->getOriginPath(), dossiers[1] + "/volume/");
    EXPECT_EQ(fenetre->dossiersRecents().first().toStdString(), dossiers[1]);
    // A new window finds them.
    Form1 autre;
    EXPECT_EQ(autre.dossiersRecents(), fenetre->dossiersRecents());

    // A folder that went away is said and forgotten.
    std::filesystem::remove_all(dossiers[2]);
    QAction* disparu = nullptr;
    for (QAction* a : ihm.recentsMenu->actions())
        if (a->text().endsWith(QString::fromStdString(dossiers[2])))
            disparu = a;
    ASSERT_NE(disparu, nullptr);
    disparu->trigger();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(fenetre->dossiersRecents().contains(QString::fromStdString(dossiers[2])));

    // A folder dropped on the window opens as "Ouvrir" would.
    QMimeData donnees;
    donnees.setUrls({QUrl::fromLocalFile(QString::fromStdString(dossiers[0]))});
    QDragEnterEvent entree(QPoint(10, 10), Qt::CopyAction, &donnees, Qt::LeftButton,
                           Qt::NoModifier);
    entree.setAccepted(false);
    QApplication::sendEvent(fenetre.get(), &entree);
    EXPECT_TRUE(entree.isAccepted());
    QDropEvent depot(QPointF(10, 10), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(fenetre.get(), &depot);
    EXPECT_EQ(fenetre->volume()->getOriginPath(), dossiers[0] + "/volume/");
    // A plain file is not taken.
    QMimeData fichier;
    fichier.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString(dossiers[0] + "/volume/slice_0000.bmp"))});
    QDragEnterEvent refus(QPoint(10, 10), Qt::CopyAction, &fichier, Qt::LeftButton, Qt::NoModifier);
    refus.setAccepted(false);
    QApplication::sendEvent(fenetre.get(), &refus);
    EXPECT_FALSE(refus.isAccepted());
}

TEST_F(WindowTest, OneMessageForTheUnreadableFilesOfASegmentation) {
    const std::string dossier = temp / "seg";
    testapp::ecrireVolume(dossier, "1-volume", 8, 8, 4, [](int, int, int) { return 50; });
    std::filesystem::create_directories(dossier + "/2-seg");
    for (const char* nom : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
        std::ofstream(dossier + "/2-seg/" + nom) << "pas une image";
    ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(dossier)));
    ASSERT_EQ(messages.size(), 1u);
    for (const char* nom : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
        EXPECT_NE(messages[0].find(nom), std::string::npos) << nom;
}

TEST_F(WindowTest, LabelsInColour) {
    const std::string dossier = fantomeEcrit(temp, "fantome", 32, 32, 32);
    ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(dossier)));
    Form1& f = *fenetre;
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, 16);
    // A display mode shows on the screen at once, in the view and in the picture.
    const QImage normale = ecran(f.vue());
    const QImage imageNormale = ihm.pictureBox1->pixmap().toImage();
    ihm.imageSegmenteToolStripMenuItem->trigger();
    EXPECT_NE(ecran(f.vue()), normale);
    EXPECT_NE(ihm.pictureBox1->pixmap().toImage(), imageNormale);
    const unsigned char* tex = f.volume()->getTabZ(16);
    const std::vector<unsigned char> gris(tex, tex + CImageTroisD::kTailleTexture);
    const QImage imageGrise = ihm.pictureBox1->pixmap().toImage();

    ihm.etiquettesCouleurToolStripMenuItem->trigger();
    EXPECT_TRUE(ihm.etiquettesCouleurToolStripMenuItem->isChecked());
    const Stravol::PaletteEtiquettes& palette = f.volume()->palette;
    std::set<int> etiquettes;
    for (std::size_t i = 0; i < gris.size(); i += 3) {
        const Stravol::CouleurRVB c = palette.couleur(gris[i]);
        ASSERT_EQ(tex[i], c[0]);
        ASSERT_EQ(tex[i + 1], c[1]);
        ASSERT_EQ(tex[i + 2], c[2]);
        etiquettes.insert(gris[i]);
    }
    EXPECT_GT(etiquettes.size(), 2u);
    const QImage imageCouleur = ihm.pictureBox1->pixmap().toImage();
    for (int y = 0; y < imageGrise.height(); ++y)
        for (int x = 0; x < imageGrise.width(); ++x) {
            const Stravol::CouleurRVB c = palette.couleur(qRed(imageGrise.pixel(x, y)));
            ASSERT_EQ(imageCouleur.pixel(x, y), qRgb(c[0], c[1], c[2]));
        }

    // Off, or back to the normal image: grey again.
    ihm.etiquettesCouleurToolStripMenuItem->trigger();
    EXPECT_EQ(0, std::memcmp(tex, gris.data(), gris.size()));
    ihm.etiquettesCouleurToolStripMenuItem->trigger();
    ihm.imageNormaleToolStripMenuItem->trigger();
    for (std::size_t i = 0; i < gris.size(); i += 3)
        ASSERT_TRUE(tex[i] == tex[i + 1] && tex[i] == tex[i + 2]);
}

TEST_F(BoxVolumeTest, CutsKeepTheVolumeProportionsAndPassThroughTheMesh) {
    Form1& f = *fenetre;
    COpenGL& vue = *f.vue();
    EXPECT_FLOAT_EQ(vue.demiCotes[0], 1.0f);
    EXPECT_FLOAT_EQ(vue.demiCotes[1], 200.0f / 300);
    EXPECT_FLOAT_EQ(vue.demiCotes[2], 40.0f / 300);

    // The Z cut is as wide as the volume over its height, seen from the front.
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    const QRect coupe = etendueDessinee(vue.capturerImage());
    ASSERT_GT(coupe.height(), 20);
    EXPECT_NEAR(static_cast<double>(coupe.width()) / coupe.height(), 1.5, 0.08);

    // A cut through voxel plane z = 5 lies where the mesh puts that plane.
    ihm.extraireRegionToolStripMenuItem->trigger();
    cliquer(QPoint(128, 64));
    placer(ihm.trackBarZ, 5);
    const float plan =
        static_cast<float>((vue.indZ * 2.0 / CImageTroisD::kCoteTexture - 1) * vue.demiCotes[2]);
    EXPECT_FLOAT_EQ(plan, CPoint3D(0, 0, 5).Image2GL().z);
    // Y: the view counts from the top face, like the mesh's flipped y.
    QTest::mouseClick(ihm.checkY, Qt::LeftButton);
    placer(ihm.trackBarY, 50);
    const float planY =
        static_cast<float>((vue.indY * 2.0 / CImageTroisD::kCoteTexture - 1) * vue.demiCotes[1]);
    EXPECT_NEAR(planY, CPoint3D(0, 50, 0).Image2GL().y, 1.0 / CImageTroisD::kCoteTexture);

    // A cube keeps the cube -1 .. +1.
    EXPECT_EQ(Stravol::demiCotesScene(64, 64, 64), (std::array<float, 3>{1, 1, 1}));
    EXPECT_EQ(Stravol::demiCotesScene(0, 0, 0), (std::array<float, 3>{1, 1, 1}));
}

TEST_F(BoxVolumeTest, TheViewTakesTheRoomWhenTheWindowGrows) {
    Form1& f = *fenetre;
    COpenGL& vue = *f.vue();
    const QSize avant = vue.size();
    const QList<int> tailles1 = ihm.splitContainer1->sizes();
    f.resize(f.size() + QSize(300, 200));
    afficherEnAttente();
    EXPECT_GT(vue.width(), avant.width() + 100);
    EXPECT_GT(vue.height(), avant.height() + 100);
    EXPECT_EQ(vue.largeurVue(), vue.width());
    // The split containers share the change in proportion.
    const QList<int> tailles1Apres = ihm.splitContainer1->sizes();
    EXPECT_NEAR(static_cast<double>(tailles1Apres[0]) / tailles1Apres[1],
                static_cast<double>(tailles1[0]) / tailles1[1], 0.02);
    // The screen shows the grown view at once (a Z cut makes it visible).
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    EXPECT_GT(pixelsDessines(ecran(&vue)), 0);

    // Never smaller than what keeps every control of the commands panel in view.
    f.resize(200, 200);
    afficherEnAttente();
    EXPECT_GE(f.width(), f.minimumWidth());
    for (QWidget* w : ihm.panneauCommandes->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(ihm.panneauCommandes->rect().contains(w->geometry()))
            << w->objectName().toStdString();
    EXPECT_GE(vue.width(), 100);
}

// Counts the paints of a widget.
class CompteurPeintures : public QObject {
public:
    int n = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        n += e->type() == QEvent::Paint;
        return false;
    }
};

TEST(Startup, TheWindowAppearsThenLoadsWithTheBarAdvancing) {
    testgui::application();
    DossierTemporaire temp;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(temp / "config"));
    const std::string dossier = fantomeEcrit(temp, "fantome", 24, 24, 24);
    Form1 f;
    const testapp::Controles ihm(f);
    CompteurPeintures peintures;
    f.menuBar()->installEventFilter(&peintures);
    // Each value of the bar, with the number of paints of the window before it.
    std::vector<std::pair<int, int>> valeurs;
    QObject::connect(ihm.progressBar1, &QProgressBar::valueChanged,
                     [&](int v) { valeurs.emplace_back(v, peintures.n); });
    QSignalSpy fin(&f, &Form1::ouvertureTerminee);
    f.ouvrirQuandVisible(QString::fromStdString(dossier));
    // Nothing loads before the window is on screen.
    QCoreApplication::processEvents();
    EXPECT_EQ(f.volume(), nullptr);
    f.show();
    ASSERT_TRUE(fin.wait(60000));
    EXPECT_TRUE(fin.at(0).at(0).toBool());
    ASSERT_NE(f.volume(), nullptr);
    // The window was painted before the loading, the bar moved, and it is empty at the end.
    ASSERT_FALSE(valeurs.empty());
    EXPECT_GT(valeurs.front().second, 0);
    EXPECT_TRUE(std::any_of(valeurs.begin(), valeurs.end(), [](auto v) { return v.first > 0; }));
    EXPECT_EQ(ihm.progressBar1->value(), 0);
}
