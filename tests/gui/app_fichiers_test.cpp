// Volume files in the window: "Ouvrir un fichier..." with its segmentation files, files dropped
// on the window, the command line, refusals that keep what is open, and a view that keeps the
// proportions the voxel spacing gives. NIfTI files are written into a temporary folder.

#include "AppFenetre.h"
#include "ChiffresBilan.h"

#include "app/Lancement.h"
#include "helpers/volumes.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/CImageTroisD.h"
#include "volume/EcritureVolume.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QUrl>

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>

using Stravol::COpenGL;
using Stravol::Form1;
using Stravol::TypeVoxel;
using Stravol::VolumeBrut;
using testapp::WindowTest;

namespace {

constexpr int kL = 20, kH = 16, kP = 12;
constexpr unsigned char kGrisObjet = 200;

// A box of grey 200 over [4, 15] x [4, 11] x [2, 9] in a background of 0.
double grisBoite(int x, int y, int z) {
    return x >= 4 && x <= 15 && y >= 4 && y <= 11 && z >= 2 && z <= 9 ? kGrisObjet : 0;
}

// Labels: 1605 in the box, 3 elsewhere in the first slices, 0 beyond.
double etiquettesBoite(int x, int y, int z) {
    if (grisBoite(x, y, z) != 0)
        return 1605;
    return z < 4 ? 3 : 0;
}

std::string
ecrireNifti(const DossierTemporaire& temp, const std::string& nom, const VolumeBrut& v,
            Stravol::TransformsNifti transforms = Stravol::TransformsNifti::SFormEtQForm) {
    const std::string f = temp / nom;
    std::string erreur;
    EXPECT_TRUE(Stravol::ecrireNifti(f, v, 1, erreur, transforms)) << erreur;
    return f;
}

// A spacing-only geometry (diagonal affine, origin 0).
Stravol::Geometrie espacement(double sx, double sy, double sz) {
    Stravol::Geometrie g;
    g.espacement = {sx, sy, sz};
    g.affine = {{{sx, 0, 0, 0}, {0, sy, 0, 0}, {0, 0, sz, 0}}};
    g.origine = Stravol::OrigineGeometrie::SForm;
    return g;
}

void deposer(Form1& f, const std::vector<std::string>& chemins, bool& accepte) {
    QMimeData donnees;
    QList<QUrl> urls;
    for (const std::string& c : chemins)
        urls.append(QUrl::fromLocalFile(QString::fromStdString(c)));
    donnees.setUrls(urls);
    QDragEnterEvent entree(QPoint(10, 10), Qt::CopyAction, &donnees, Qt::LeftButton,
                           Qt::NoModifier);
    entree.setAccepted(false);
    QApplication::sendEvent(&f, &entree);
    accepte = entree.isAccepted();
    if (!accepte)
        return;
    QDropEvent depot(QPointF(10, 10), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f, &depot);
}

class VolumeFileWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        fenetre->dialogues().choisirFichierVolume = [this] { return reponseVolume; };
        fenetre->dialogues().choisirFichiersSegmentation = [this] { return reponseSegmentations; };
        volume =
            ecrireNifti(temp, "volume.nii.gz", volumeTest(TypeVoxel::Octet, kL, kH, kP, grisBoite));
        segmentation = ecrireNifti(temp, "etiquettes.nii",
                                   volumeTest(TypeVoxel::Entier16, kL, kH, kP, etiquettesBoite));
    }
    // "Ouvrir un fichier..." chosen in the menu, the dialogs answering volume (empty:
    // cancelled) and the segmentations.
    void ouvrirParMenu(const std::string& fichier, const std::vector<std::string>& segs = {}) {
        reponseVolume = QString::fromStdString(fichier);
        reponseSegmentations.clear();
        for (const std::string& s : segs)
            reponseSegmentations.append(QString::fromStdString(s));
        ihm.ouvrirFichierToolStripMenuItem->trigger();
        QApplication::processEvents();
    }
    // Extracts the object under the middle of the empty picture (the Z cut of trackBarZ).
    void extraire() {
        ihm.trackBarZ->setValue(5);
        ihm.extraireRegionToolStripMenuItem->trigger();
        QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, QPoint(128, 128));
    }
    QString reponseVolume;
    QStringList reponseSegmentations;
    std::string volume;
    std::string segmentation;
};

} // namespace

TEST_F(VolumeFileWindow, OpensAFileAndItsSegmentationsFromTheMenu) {
    Form1& f = *fenetre;
    // The item follows "Ouvrir".
    const QList<QAction*> items = ihm.fichierMenu->actions();
    ASSERT_GE(items.size(), 2);
    EXPECT_EQ(items[0], ihm.ouvrirToolStripMenuItem);
    EXPECT_EQ(items[1], ihm.ouvrirFichierToolStripMenuItem);
    EXPECT_EQ(ihm.ouvrirFichierToolStripMenuItem->text(), "Ouvrir un f&ichier...");

    // A cancelled first dialog opens nothing and says nothing.
    ouvrirParMenu("");
    EXPECT_EQ(f.volume(), nullptr);
    EXPECT_TRUE(messages.empty());

    QSignalSpy fin(&f, &Form1::ouvertureTerminee);
    ouvrirParMenu(volume, {segmentation});
    ASSERT_TRUE(messages.empty()) << messages.front();
    ASSERT_NE(f.volume(), nullptr);
    ASSERT_EQ(fin.size(), 1);
    EXPECT_TRUE(fin.at(0).at(0).toBool());
    EXPECT_EQ(f.volume()->getOriginPath(), volume);
    EXPECT_EQ(f.volume()->largeur, kL);
    EXPECT_EQ(f.volume()->hauteur, kH);
    EXPECT_EQ(f.volume()->profondeur, kP);
    EXPECT_EQ(f.volume()->getVoxelImage(5, 5, 5), kGrisObjet);
    EXPECT_EQ(f.volume()->etiquetteMax, 1605);
    EXPECT_NE(f.volume()->imageSegmente, nullptr);
    ASSERT_NE(f.vue(), nullptr);
    EXPECT_TRUE(ihm.BoxCommande->isEnabled());
    EXPECT_TRUE(ihm.radioTrackBall->isChecked());
    EXPECT_TRUE(ihm.fermerToolStripMenuItem->isEnabled());
    EXPECT_EQ(ihm.trackBarX->maximum(), kL - 1);
    EXPECT_EQ(ihm.trackBarZ->maximum(), kP - 1);
    EXPECT_EQ(ihm.progressBar1->value(), 0);

    // The segmented display and an extraction work on it as on a folder; the pointer over the
    // picture reads the grey and the label itself, not its display grey, in either mode.
    ihm.imageSegmenteToolStripMenuItem->trigger();
    EXPECT_EQ(f.coupes().modeAffichage(), Stravol::ModeAffichage::Segmentee);
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, 5);
    const QPoint point = testapp::pointDuVoxel(f, {10, 8, 5});
    testapp::survoler(ihm.pictureBox1, point);
    EXPECT_EQ(ihm.labelVoxel->text(), "Voxel (10, 8, 5) : gris 200, étiquette 1605");
    ihm.imageNormaleToolStripMenuItem->trigger();
    testapp::survoler(ihm.pictureBox1, point);
    EXPECT_EQ(ihm.labelVoxel->text(), "Voxel (10, 8, 5) : gris 200, étiquette 1605");
    extraire();
    ASSERT_NE(f.volume()->maillage, nullptr);
    EXPECT_EQ(f.volume()->bilanExtraction.nbVoxelsRepares, 12 * 8 * 8);
    // 1 mm voxels without a transform of their own: voxel measures only, as for a folder.
    EXPECT_FALSE(f.statusBar()->currentMessage().contains("mm³"));

    // The segmentation dialog cancelled: the volume alone, replacing the open one.
    ouvrirParMenu(volume);
    ASSERT_NE(f.volume(), nullptr);
    EXPECT_EQ(f.volume()->imageSegmente, nullptr);
    EXPECT_EQ(f.volume()->maillage, nullptr);
    EXPECT_FALSE(ihm.checkBoxMaillage->isVisible());
    EXPECT_FALSE(ihm.exporterToolStripMenuItem->isEnabled());
    EXPECT_TRUE(messages.empty());
}

TEST_F(VolumeFileWindow, ARefusedFileKeepsTheVolumeAndTheMesh) {
    Form1& f = *fenetre;
    ASSERT_TRUE(f.ouvrirFichiers({QString::fromStdString(volume)}));
    extraire();
    ASSERT_NE(f.volume()->maillage, nullptr);
    const CImageTroisD* avant = f.volume();
    const CMaillageTriangleChRegion* maillage = f.volume()->maillage.get();
    const COpenGL* vue = f.vue();

    const auto attendreInchange = [&](const char* cas) {
        SCOPED_TRACE(cas);
        EXPECT_EQ(f.volume(), avant);
        EXPECT_EQ(f.volume()->maillage.get(), maillage);
        EXPECT_EQ(f.vue(), vue);
        EXPECT_EQ(f.vue()->maillage, maillage);
        EXPECT_TRUE(ihm.BoxCommande->isEnabled());
        EXPECT_TRUE(ihm.exporterToolStripMenuItem->isEnabled());
        EXPECT_EQ(ihm.progressBar1->value(), 0);
        // One message, naming the file.
        ASSERT_EQ(messages.size(), 1u);
        messages.clear();
    };

    // Not a volume file, a truncated one, a missing one.
    ecrireOctets(temp / "texte.nii", OctetsTest(400, 'x'));
    EXPECT_FALSE(f.ouvrirFichiers({QString::fromStdString(temp / "texte.nii")}));
    attendreInchange("garbage");
    const OctetsTest entier = lireOctets(segmentation);
    ecrireOctets(temp / "tronque.nii", OctetsTest(entier.begin(), entier.begin() + 600));
    EXPECT_FALSE(f.ouvrirFichiers({QString::fromStdString(temp / "tronque.nii")}));
    attendreInchange("truncated");
    EXPECT_FALSE(f.ouvrirFichiers({QString::fromStdString(temp / "absent.nii")}));
    attendreInchange("missing");

    // A segmentation of another grid, or of values that are no labels: the whole opening is
    // refused.
    const std::string autre =
        ecrireNifti(temp, "autre.nii", volumeTest(TypeVoxel::Entier16, kL, kH, kP + 1, grisBoite));
    ouvrirParMenu(volume, {segmentation, autre});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages.front().find("autre.nii"), std::string::npos) << messages.front();
    EXPECT_NE(messages.front().find(std::to_string(kP + 1)), std::string::npos) << messages.front();
    attendreInchange("another grid");
    const std::string negatives = ecrireNifti(
        temp, "negatives.nii",
        volumeTest(TypeVoxel::Entier16, kL, kH, kP, [](int x, int, int) { return -x; }));
    EXPECT_FALSE(
        f.ouvrirFichiers({QString::fromStdString(volume), QString::fromStdString(negatives)}));
    attendreInchange("not labels");

    // The window is still usable: a good file opens.
    EXPECT_TRUE(f.ouvrirFichiers({QString::fromStdString(volume)}));
    EXPECT_NE(f.volume(), nullptr);
    EXPECT_TRUE(messages.empty());
}

TEST_F(VolumeFileWindow, DroppedFilesOpenAsVolumeAndSegmentations) {
    Form1& f = *fenetre;
    bool accepte = false;
    // The volume and its segmentation dropped together.
    deposer(f, {volume, segmentation}, accepte);
    EXPECT_TRUE(accepte);
    ASSERT_NE(f.volume(), nullptr);
    EXPECT_EQ(f.volume()->getOriginPath(), volume);
    EXPECT_EQ(f.volume()->etiquetteMax, 1605);

    // A file that is no volume file, or a folder among files, is not taken.
    ecrireOctets(temp / "notes.txt", OctetsTest(100, 'a'));
    deposer(f, {temp / "notes.txt"}, accepte);
    EXPECT_FALSE(accepte);
    deposer(f, {volume, temp.chemin()}, accepte);
    EXPECT_FALSE(accepte);
    EXPECT_EQ(f.volume()->getOriginPath(), volume);
    EXPECT_TRUE(messages.empty());
}

TEST(CommandLine, InputAndSegmentations) {
    const auto lire = [](const QStringList& a) { return Stravol::lireArguments(a); };
    EXPECT_TRUE(lire({"stravol"}).chemin.isEmpty());
    const Stravol::ArgumentsStravol dossier = lire({"stravol", "/d", "ignore"});
    EXPECT_EQ(dossier.chemin, "/d");
    EXPECT_TRUE(dossier.segmentations.isEmpty());
    const Stravol::ArgumentsStravol fichier =
        lire({"stravol", "--segmentation", "a.nii", "v.nii.gz", "--segmentation", "b.nii"});
    EXPECT_EQ(fichier.chemin, "v.nii.gz");
    EXPECT_EQ(fichier.segmentations, (QStringList{"a.nii", "b.nii"}));
}

TEST(CommandLine, AFileOpensOnceTheWindowIsOnScreen) {
    testgui::application();
    DossierTemporaire temp;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(temp / "config"));
    const std::string volume =
        ecrireNifti(temp, "v.nii", volumeTest(TypeVoxel::EntierNonSigne16, kL, kH, kP, grisBoite));
    Form1 f;
    QSignalSpy fin(&f, &Form1::ouvertureTerminee);
    f.ouvrirFichiersQuandVisible({QString::fromStdString(volume)});
    // Nothing loads before the window is on screen.
    QCoreApplication::processEvents();
    EXPECT_EQ(f.volume(), nullptr);
    f.show();
    ASSERT_TRUE(fin.wait(60000));
    EXPECT_TRUE(fin.at(0).at(0).toBool());
    ASSERT_NE(f.volume(), nullptr);
    // 16-bit values reach the display through the window: the object is the brightest.
    EXPECT_EQ(f.volume()->getVoxelImage(5, 5, 5), 255);
    EXPECT_EQ(f.volume()->getVoxelImage(0, 0, 0), 0);
}

namespace {

// Bounding box of the pixels of a frame that are not the view's grey background.
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

double rapport(const QRect& r) { return static_cast<double>(r.width()) / r.height(); }

// 20 x 60 x 20 voxels; with 3 x 1 x 3 mm voxels a cube of 60 mm, and the object (voxels
// [5, 14] x [15, 44] x [5, 14]) a cube of 30 mm.
constexpr int kLA = 20, kHA = 60, kPA = 20;
double grisAnisotrope(int x, int y, int z) {
    return x >= 5 && x <= 14 && y >= 15 && y <= 44 && z >= 5 && z <= 14 ? kGrisObjet : 0;
}

// The frames of the view: the Z cut alone, then the mesh alone, seen from the front.
std::pair<QImage, QImage> coupeEtMaillage(Form1& f) {
    const testapp::Controles ihm(f);
    COpenGL& vue = *f.vue();
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    const QImage coupe = vue.capturerImage();
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    ihm.extraireRegionToolStripMenuItem->trigger();
    // The middle of the picture: voxel (10, 30, 0) is background; the object is at z 5..14.
    ihm.trackBarZ->setValue(10);
    QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, QPoint(128, 128));
    EXPECT_NE(f.volume()->maillage, nullptr);
    return {coupe, vue.capturerImage()};
}

} // namespace

TEST_F(VolumeFileWindow, ViewKeepsTheProportionsOfTheVoxelSpacing) {
    Form1& f = *fenetre;
    // Spacing alone, no world frame: the voxel frame scaled.
    VolumeBrut v = volumeTest(TypeVoxel::Octet, kLA, kHA, kPA, grisAnisotrope);
    v.geometrie = espacement(3, 1, 3);
    const std::string anisotrope =
        ecrireNifti(temp, "anisotrope.nii", v, Stravol::TransformsNifti::Aucune);
    ASSERT_TRUE(f.ouvrirFichiers({QString::fromStdString(anisotrope)}));
    COpenGL& vue = *f.vue();
    EXPECT_EQ(vue.demiCotes, (std::array<float, 3>{1, 1, 1}));
    EXPECT_EQ(vue.echelleMaillage, (std::array<float, 3>{3, 1, 3}));
    const auto [coupe, maillage] = coupeEtMaillage(f);
    // The summary gives the world measures too: 9 mm³ a voxel; the 10 x 30 x 10 voxels of the
    // object, a cube of 30 mm, hold 3,000 voxels and 27,000 mm³ and have 5,400 mm² of faces,
    // which the smoothing rounds at the edges and corners.
    const QString bilan = f.statusBar()->currentMessage();
    testapp::ChiffresBilan b;
    ASSERT_TRUE(testapp::lireBilan(bilan, b)) << bilan.toStdString();
    EXPECT_EQ(b.voxels, 3000);
    EXPECT_LT(b.volume, 3000.0);
    EXPECT_GT(b.volume, 0.97 * 3000.0);
    EXPECT_NEAR(b.volumeMm3, 9 * b.volume, 0.5);
    EXPECT_LT(b.aireMm2, 5400.0);
    EXPECT_GT(b.aireMm2, 0.85 * 5400.0);
    // A square cut of 60 x 60 mm, and a cube of 30 mm seen from the front (as wide as high; with
    // cubic voxels it would be three times as high as wide).
    const QRect c = etendueDessinee(coupe);
    const QRect m = etendueDessinee(maillage);
    ASSERT_GT(c.height(), 40);
    ASSERT_GT(m.height(), 20);
    EXPECT_NEAR(rapport(c), 1.0, 0.05);
    EXPECT_NEAR(rapport(m), 1.0, 0.1);
    // The export writes millimetres: the cube is as wide in x (10 voxels of 3 mm) as in y.
    const std::string obj = temp / "cube.obj";
    f.dialogues().choisirFichierExport = [&] { return QString::fromStdString(obj); };
    f.extraction().exporter();
    std::ifstream lu(obj);
    std::array<double, 3> bas{1e9, 1e9, 1e9}, haut{-1e9, -1e9, -1e9};
    for (std::string ligne; std::getline(lu, ligne);) {
        std::istringstream mots(ligne);
        std::string cle;
        std::array<double, 3> p{};
        if (mots >> cle && cle == "v" && mots >> p[0] >> p[1] >> p[2])
            for (int a = 0; a < 3; ++a) {
                bas[a] = std::min(bas[a], p[a]);
                haut[a] = std::max(haut[a], p[a]);
            }
    }
    ASSERT_GT(haut[1] - bas[1], 20.0);
    EXPECT_NEAR((haut[0] - bas[0]) / (haut[1] - bas[1]), 1.0, 0.1);
    // The object is lit on the screen: the scaled normals are unit again.
    int clairs = 0;
    for (int y = m.top(); y <= m.bottom(); ++y)
        for (int x = m.left(); x <= m.right(); ++x)
            clairs += qGray(maillage.pixel(x, y)) > 100;
    EXPECT_GT(clairs, m.width() * m.height() / 4);
}

TEST_F(VolumeFileWindow, CubicVoxelsDrawExactlyAsAFolder) {
    Form1& f = *fenetre;
    const auto gris = [](int x, int y, int z) {
        return static_cast<unsigned char>(grisAnisotrope(x, y, z));
    };
    const std::string dossier = temp / "dossier";
    testapp::ecrireVolume(dossier, "volume", kLA, kHA, kPA, gris);
    ASSERT_TRUE(f.ouvrirDossier(QString::fromStdString(dossier)));
    const auto [coupeDossier, maillageDossier] = coupeEtMaillage(f);

    // The same voxels in a file of 1 mm voxels, then of 0.5 mm voxels, without a world frame:
    // the same pixels.
    for (double mm : {1.0, 0.5}) {
        SCOPED_TRACE(mm);
        VolumeBrut v = volumeTest(TypeVoxel::Octet, kLA, kHA, kPA, grisAnisotrope);
        v.geometrie = espacement(mm, mm, mm);
        const std::string fichier =
            ecrireNifti(temp, "cubique.nii", v, Stravol::TransformsNifti::Aucune);
        ASSERT_TRUE(f.ouvrirFichiers({QString::fromStdString(fichier)}));
        EXPECT_EQ(f.vue()->echelleMaillage, (std::array<float, 3>{1, 1, 1}));
        const auto [coupe, maillage] = coupeEtMaillage(f);
        EXPECT_EQ(coupe, coupeDossier);
        EXPECT_EQ(maillage, maillageDossier);
    }
    // Without usable spacing the voxels count as cubes.
    EXPECT_EQ(Stravol::echelleMaillageScene(4, 5, 6, {0, 1, 1}), (std::array<float, 3>{1, 1, 1}));
    EXPECT_EQ(Stravol::demiCotesScene(10, 10, 10, {1, 1, 2}),
              (std::array<float, 3>{0.5f, 0.5f, 1}));
}
