// Every label at once in the window, on real pixels and widgets: the work on its own thread with
// its progress and its cancel, the meshes in their labels' colours, the label panel (rows, filter,
// visibility, opacity, choice from the rows, the 3D view and the picture), and the files written:
// the scene of the labels shown and the picture of the view. A NIfTI volume, its label file and
// the label table beside it are written into a temporary folder.

#include "AppFenetre.h"

#include "app/ExtractionEtiquettes.h"
#include "app/PanneauEtiquettes.h"
#include "helpers/mesh_helpers.h"
#include "helpers/volumes.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/EcritureVolume.h"

#include <QDockWidget>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QStatusBar>
#include <QTableWidget>

#include <GL/gl.h>
#include <GL/glu.h>

#include <QLocale>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>

using Stravol::COpenGL;
using Stravol::ExtractionEtiquettes;
using Stravol::Form1;
using Stravol::PanneauEtiquettes;
using Stravol::TypeVoxel;
using testapp::enfant;
using testapp::WindowTest;

namespace {

constexpr int kL = 48, kH = 24, kP = 16;

// Three labels side by side along x, each a box through the middle slices: 7 and 300 are named
// (and coloured) by the table beside the label file, 1605 is not.
struct BoiteEtiquette {
    int valeur, x0, x1, y0, y1, z0, z1;
};
constexpr BoiteEtiquette kBoites[] = {
    {7, 3, 12, 6, 17, 4, 11}, {300, 19, 28, 6, 17, 4, 11}, {1605, 35, 44, 8, 15, 5, 10}};

double etiquette(int x, int y, int z) {
    for (const BoiteEtiquette& b : kBoites)
        if (x >= b.x0 && x <= b.x1 && y >= b.y0 && y <= b.y1 && z >= b.z0 && z <= b.z1)
            return b.valeur;
    return 0;
}

double gris(int x, int y, int z) { return etiquette(x, y, z) != 0 ? 180 : 20; }

long long voxels(const BoiteEtiquette& b) {
    return static_cast<long long>(b.x1 - b.x0 + 1) * (b.y1 - b.y0 + 1) * (b.z1 - b.z0 + 1);
}

// A spacing of 2 mm between slices: 2 mm^3 a voxel.
Stravol::Geometrie geometrie() {
    Stravol::Geometrie g;
    g.espacement = {1, 1, 2};
    g.affine = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 2, 0}}};
    g.origine = Stravol::OrigineGeometrie::SForm;
    return g;
}

struct Pixel {
    int r, g, b;
};

Pixel lire(const QImage& image, QPoint p) {
    const QRgb c = image.pixel(p);
    return {qRed(c), qGreen(c), qBlue(c)};
}

// The lit colour keeps the order of the label colour's channels wherever they differ clearly.
bool memeTeinte(const Pixel& p, const Stravol::CouleurRVB& c) {
    const int pc[3] = {p.r, p.g, p.b};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (c[i] - c[j] > 60 && pc[i] <= pc[j])
                return false;
    return !(p.r == 204 && p.g == 204 && p.b == 204);
}

class LabelsWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Stravol::DialoguesFenetre& d = fenetre->dialogues();
        d.choisirFichierScene = [this] { return reponseScene; };
        d.choisirImageVue = [this](const QSize& taille) {
            tailleProposee = taille;
            return reponseImage;
        };
        Stravol::VolumeBrut v = volumeTest(TypeVoxel::Octet, kL, kH, kP, gris);
        v.geometrie = geometrie();
        Stravol::VolumeBrut e = volumeTest(TypeVoxel::Entier16, kL, kH, kP, etiquette);
        e.geometrie = geometrie();
        std::string erreur;
        ASSERT_TRUE(Stravol::ecrireNifti(temp / "volume.nii", v, 1, erreur)) << erreur;
        ASSERT_TRUE(Stravol::ecrireNifti(temp / "etiquettes.nii", e, 1, erreur)) << erreur;
        // FreeSurfer's colour table: value, name, red, green, blue, alpha.
        std::ofstream(temp / "etiquettes.txt") << "7 Left-Thalamus 0 118 14 0\n"
                                                  "300 Hippocampe 220 216 20 0\n";
        ASSERT_TRUE(fenetre->ouvrirFichiers({QString::fromStdString(temp / "volume.nii"),
                                             QString::fromStdString(temp / "etiquettes.nii")}));
        ASSERT_NE(fenetre->vue(), nullptr);
        extraireTout = enfant<QAction>(*fenetre, "extraireEtiquettesToolStripMenuItem");
        exporterScene = enfant<QAction>(*fenetre, "exporterSceneToolStripMenuItem");
        imageVue = enfant<QAction>(*fenetre, "imageVueToolStripMenuItem");
        annuler = enfant<QPushButton>(*fenetre, "annulerEtiquettes");
        dock = enfant<QDockWidget>(*fenetre, "dockEtiquettes");
        table = enfant<QTableWidget>(*fenetre, "tableEtiquettes");
        filtre = enfant<QLineEdit>(*fenetre, "filtreEtiquettes");
        toutes = enfant<QPushButton>(*fenetre, "toutesEtiquettes");
        aucune = enfant<QPushButton>(*fenetre, "aucuneEtiquette");
        opacite = enfant<QSlider>(*fenetre, "opaciteMaillages");
    }

    ExtractionEtiquettes& etiquettes() { return fenetre->etiquettes(); }
    PanneauEtiquettes& panneau() { return fenetre->panneauEtiquettes(); }

    // Waits for the work in progress to end, the event loop turning meanwhile.
    void attendreFin() {
        QElapsedTimer t;
        t.start();
        while (etiquettes().enCours() && t.elapsed() < 120000)
            QTest::qWait(20);
        ASSERT_FALSE(etiquettes().enCours());
    }
    void toutExtraire() {
        extraireTout->trigger();
        attendreFin();
        ASSERT_EQ(etiquettes().scene().size(), 3u);
    }
    // Escape, through the window's shortcut (a key press would need the window active, which
    // windows of tests run side by side on one display cannot all be).
    void echap() {
        for (QShortcut* r : fenetre->findChildren<QShortcut*>())
            if (r->key() == QKeySequence(Qt::Key_Escape))
                Q_EMIT r->activated();
    }

    // Window pixel of voxel point (x, y, z) in the view's last frame.
    QPoint pixelVoxel(double x, double y, double z) {
        COpenGL* vue = fenetre->vue();
        vue->makeCurrent();
        GLdouble modele[16], projection[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, modele);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        const Stravol::Matrice4 s = Stravol::matriceVoxelsScene(kL, kH, kP, vue->echelleMaillage);
        GLdouble wx, wy, wz;
        gluProject(s[0] * x + s[12], s[5] * y + s[13], s[10] * z + s[14], modele, projection,
                   viewport, &wx, &wy, &wz);
        return {static_cast<int>(wx), static_cast<int>(viewport[3] - wy)};
    }
    // The pixel of the face of box k toward the eye, at its middle.
    QPoint pixelBoite(int k) {
        const BoiteEtiquette& b = kBoites[k];
        return pixelVoxel((b.x0 + b.x1) / 2.0, (b.y0 + b.y1) / 2.0, b.z1 + 0.5);
    }
    int ligneDe(int valeur) {
        for (int r = 0; r < table->rowCount(); ++r)
            if (table->item(r, PanneauEtiquettes::Valeur)->text().toInt() == valeur)
                return r;
        return -1;
    }
    void cliquerLigne(int ligne) {
        const QRect r = table->visualItemRect(table->item(ligne, PanneauEtiquettes::Nom));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, r.center());
    }
    // A point of the cut picture over label valeur, as the status bar's readout tells it while
    // the pointer goes over the picture.
    std::optional<QPoint> pointImage(int valeur) {
        const QRegularExpression etiquette("étiquette (\\d+)");
        for (int y = 4; y < ihm.pictureBox1->height(); y += 8)
            for (int x = 4; x < ihm.pictureBox1->width(); x += 8) {
                testapp::survoler(ihm.pictureBox1, QPoint(x, y));
                const QRegularExpressionMatch m = etiquette.match(ihm.labelVoxel->text());
                if (m.hasMatch() && m.captured(1).toInt() == valeur)
                    return QPoint(x, y);
            }
        return std::nullopt;
    }
    // The value of each label mesh the view shows, in the view's order.
    std::vector<bool> visibles() {
        std::vector<bool> v;
        for (const Stravol::MaillageVue& m : fenetre->vue()->maillagesEtiquettes)
            v.push_back(m.visible);
        return v;
    }

    QAction* extraireTout = nullptr;
    QAction* exporterScene = nullptr;
    QAction* imageVue = nullptr;
    QPushButton* annuler = nullptr;
    QDockWidget* dock = nullptr;
    QTableWidget* table = nullptr;
    QLineEdit* filtre = nullptr;
    QPushButton* toutes = nullptr;
    QPushButton* aucune = nullptr;
    QSlider* opacite = nullptr;
    QString reponseScene;
    Stravol::ChoixImageVue reponseImage;
    QSize tailleProposee;
};

} // namespace

TEST_F(LabelsWindow, EveryLabelAtOnceOnAThreadThenEachMeshInItsColour) {
    Form1& f = *fenetre;
    EXPECT_FALSE(dock->isVisible());
    EXPECT_FALSE(exporterScene->isEnabled());
    EXPECT_EQ(extraireTout->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    ASSERT_TRUE(extraireTout->isEnabled());

    // The handler returns at once: the work runs on, with its cancel button and the progress.
    extraireTout->trigger();
    EXPECT_TRUE(etiquettes().enCours());
    EXPECT_TRUE(annuler->isVisible());
    EXPECT_FALSE(extraireTout->isEnabled());
    EXPECT_TRUE(f.statusBar()->currentMessage().contains("Échap pour annuler"));
    attendreFin();
    EXPECT_FALSE(annuler->isVisible());
    EXPECT_TRUE(extraireTout->isEnabled());
    EXPECT_EQ(ihm.progressBar1->value(), 0);
    EXPECT_EQ(ihm.progressBar1->maximum(), 3) << "the bar counted the labels";
    EXPECT_TRUE(f.statusBar()->currentMessage().startsWith("Toutes les étiquettes : 3 maillages"))
        << f.statusBar()->currentMessage().toStdString();

    // Each label's closed mesh around its box, named and coloured from the table.
    const std::vector<Stravol::MaillageEtiquette>& scene = etiquettes().scene();
    ASSERT_EQ(scene.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(scene[k].valeur, static_cast<std::uint32_t>(kBoites[k].valeur));
        Soupe s;
        for (std::size_t i = 0; i < scene[k].maillage.nbSommets(); ++i)
            s.positions.push_back({scene[k].maillage.positions[3 * i],
                                   scene[k].maillage.positions[3 * i + 1],
                                   scene[k].maillage.positions[3 * i + 2]});
        for (std::size_t t = 0; t < scene[k].maillage.nbTriangles(); ++t)
            s.triangles.push_back({static_cast<int>(scene[k].maillage.triangles[3 * t]),
                                   static_cast<int>(scene[k].maillage.triangles[3 * t + 1]),
                                   static_cast<int>(scene[k].maillage.triangles[3 * t + 2])});
        EXPECT_TRUE(fermeeEtOrientee(s));
        EXPECT_NEAR(volumeSigne(s), static_cast<double>(voxels(kBoites[k])),
                    0.25 * voxels(kBoites[k]));
    }
    EXPECT_EQ(scene[0].nom, "Left-Thalamus");
    EXPECT_EQ(scene[0].couleur, (Stravol::CouleurRVB{0, 118, 14}));
    EXPECT_EQ(scene[1].couleur, (Stravol::CouleurRVB{220, 216, 20}));
    EXPECT_TRUE(scene[2].nom.empty());

    // On screen: every mesh in its colour where its box faces the eye; the panel shows itself.
    EXPECT_TRUE(dock->isVisible());
    EXPECT_TRUE(exporterScene->isEnabled());
    COpenGL* vue = f.vue();
    ASSERT_EQ(vue->maillagesEtiquettes.size(), 3u);
    const QImage image = vue->capturerImage();
    for (int k = 0; k < 3; ++k) {
        const QPoint p = pixelBoite(k);
        const Pixel c = lire(image, p);
        EXPECT_TRUE(memeTeinte(c, scene[static_cast<std::size_t>(k)].couleur))
            << kBoites[k].valeur << ": " << c.r << " " << c.g << " " << c.b;
        EXPECT_EQ(vue->maillageSous(p.x(), p.y()), k);
    }
    // Distinct labels, distinct colours.
    EXPECT_NE(scene[2].couleur, scene[0].couleur);
    EXPECT_NE(scene[2].couleur, scene[1].couleur);
}

TEST_F(LabelsWindow, CancelKeepsWhatWasShownAndAClickExtractionReplacesTheMeshes) {
    Form1& f = *fenetre;
    // A region mesh first: the object under the middle of the empty picture (label 300).
    ihm.trackBarZ->setValue(8);
    ihm.extraireRegionToolStripMenuItem->trigger();
    QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, QPoint(128, 128));
    ASSERT_NE(f.volume()->maillage, nullptr);
    CMaillageTriangleChRegion* region = f.volume()->maillage.get();
    ASSERT_EQ(f.vue()->maillage, region);

    // Escape gives the work up at once, whatever its thread has done: nothing comes of it.
    extraireTout->trigger();
    ASSERT_TRUE(etiquettes().enCours());
    echap();
    EXPECT_FALSE(etiquettes().enCours());
    EXPECT_FALSE(annuler->isVisible());
    EXPECT_EQ(f.statusBar()->currentMessage(), "Extraction de toutes les étiquettes annulée.");
    QTest::qWait(500);
    EXPECT_TRUE(etiquettes().scene().empty());
    EXPECT_TRUE(f.vue()->maillagesEtiquettes.empty());
    EXPECT_EQ(f.vue()->maillage, region);
    EXPECT_EQ(f.volume()->maillage.get(), region);
    EXPECT_EQ(ihm.progressBar1->value(), 0);
    EXPECT_FALSE(dock->isVisible());

    // The button does the same.
    extraireTout->trigger();
    ASSERT_TRUE(annuler->isVisible());
    QTest::mouseClick(annuler, Qt::LeftButton);
    EXPECT_FALSE(etiquettes().enCours());
    QTest::qWait(300);
    EXPECT_EQ(f.vue()->maillage, region);

    // Run to its end, the label meshes replace the region mesh: it goes with its commands.
    toutExtraire();
    EXPECT_EQ(f.vue()->maillage, nullptr);
    EXPECT_EQ(f.volume()->maillage, nullptr);
    EXPECT_FALSE(ihm.exporterToolStripMenuItem->isEnabled());
    EXPECT_FALSE(ihm.checkBoxMaillage->isEnabled());
    EXPECT_EQ(f.vue()->maillagesEtiquettes.size(), 3u);

    // A click extraction replaces them by its one mesh.
    ihm.extraireRegionToolStripMenuItem->trigger();
    QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, QPoint(128, 128));
    ASSERT_NE(f.volume()->maillage, nullptr);
    EXPECT_EQ(f.vue()->maillage, f.volume()->maillage.get());
    EXPECT_TRUE(f.vue()->maillagesEtiquettes.empty());
    EXPECT_TRUE(etiquettes().scene().empty());
    EXPECT_FALSE(exporterScene->isEnabled());

    // Closing during a work gives it up; nothing is drawn after.
    extraireTout->trigger();
    ASSERT_TRUE(etiquettes().enCours());
    f.fermer();
    EXPECT_FALSE(etiquettes().enCours());
    EXPECT_FALSE(extraireTout->isEnabled());
    QTest::qWait(300);
    EXPECT_EQ(table->rowCount(), 0);
}

TEST_F(LabelsWindow, PanelRowsFilterAndVisibility) {
    // The rows are there as soon as the volume is open, named from the table.
    ASSERT_EQ(table->rowCount(), 3);
    const QString noms[3] = {"Left-Thalamus", "Hippocampe", ""};
    for (int r = 0; r < 3; ++r) {
        const BoiteEtiquette& b = kBoites[r];
        EXPECT_EQ(table->item(r, PanneauEtiquettes::Valeur)->text().toInt(), b.valeur);
        EXPECT_EQ(table->item(r, PanneauEtiquettes::Nom)->text(), noms[r]);
        EXPECT_EQ(QLocale().toLongLong(table->item(r, PanneauEtiquettes::Voxels)->text()),
                  voxels(b));
        EXPECT_DOUBLE_EQ(QLocale().toDouble(table->item(r, PanneauEtiquettes::Volume)->text()),
                         2.0 * voxels(b));
        EXPECT_EQ(table->item(r, PanneauEtiquettes::Visible)->checkState(), Qt::Checked);
        const Stravol::CouleurRVB c = panneau().couleur(static_cast<std::uint32_t>(b.valeur));
        EXPECT_EQ(
            table->item(r, PanneauEtiquettes::Couleur)->data(Qt::DecorationRole).value<QColor>(),
            QColor(c[0], c[1], c[2]));
    }
    toutExtraire();
    COpenGL* vue = fenetre->vue();

    // The filter keeps the names that hold its text, in any letter case.
    QTest::keyClicks(filtre, "hippo");
    EXPECT_TRUE(table->isRowHidden(0));
    EXPECT_FALSE(table->isRowHidden(1));
    EXPECT_TRUE(table->isRowHidden(2));
    // "Aucune" hides the rows the filter keeps, and only those.
    QTest::mouseClick(aucune, Qt::LeftButton);
    EXPECT_EQ(visibles(), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(table->item(1, PanneauEtiquettes::Visible)->checkState(), Qt::Unchecked);
    QImage image = vue->capturerImage();
    EXPECT_TRUE(lire(image, pixelBoite(1)).r == 204 && lire(image, pixelBoite(1)).b == 204);
    EXPECT_TRUE(memeTeinte(lire(image, pixelBoite(0)), etiquettes().scene()[0].couleur));

    filtre->clear();
    EXPECT_FALSE(table->isRowHidden(0));
    QTest::mouseClick(aucune, Qt::LeftButton);
    EXPECT_EQ(visibles(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(testapp::pixelsDessines(vue->capturerImage()), 0);
    QTest::mouseClick(toutes, Qt::LeftButton);
    EXPECT_EQ(visibles(), (std::vector<bool>{true, true, true}));

    // One row's box, as the user clicks it.
    QTableWidgetItem* boite = table->item(0, PanneauEtiquettes::Visible);
    const QRect r = table->visualItemRect(boite);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 10, r.center().y()));
    if (boite->checkState() == Qt::Checked) // the style's box is not where expected
        boite->setCheckState(Qt::Unchecked);
    EXPECT_EQ(visibles(), (std::vector<bool>{false, true, true}));
    image = vue->capturerImage();
    EXPECT_EQ(vue->maillageSous(pixelBoite(0).x(), pixelBoite(0).y()), -1);
    EXPECT_TRUE(memeTeinte(lire(image, pixelBoite(2)), etiquettes().scene()[2].couleur));

    // The opacity of every mesh.
    opacite->setValue(40);
    EXPECT_FLOAT_EQ(vue->opaciteMaillages, 0.4f);
}

TEST_F(LabelsWindow, ChoiceFromTheRowsTheViewAndThePicture) {
    Form1& f = *fenetre;
    toutExtraire();
    COpenGL* vue = f.vue();
    ihm.checkZ->setChecked(true);

    // A row chosen: its mesh stands out, the others dimmed; the cuts go to its centroid.
    cliquerLigne(1);
    ASSERT_EQ(panneau().choisie(), std::optional<std::uint32_t>(300));
    EXPECT_EQ(vue->maillageEnAvant, 1);
    EXPECT_EQ(ihm.trackBarX->value(), 24);
    EXPECT_EQ(ihm.trackBarY->value(), 12);
    EXPECT_EQ(ihm.trackBarZ->value(), 8);
    EXPECT_EQ(ihm.labelIndiceZ->text(), "z = 8 / 15");
    ihm.checkZ->setChecked(false);
    QImage image = vue->capturerImage();
    const Pixel estompe = lire(image, pixelBoite(0));
    EXPECT_GT(estompe.r, 120) << "mostly the grey background";
    EXPECT_TRUE(memeTeinte(lire(image, pixelBoite(1)), etiquettes().scene()[1].couleur));

    // A click on a mesh of the view chooses its row and moves the cuts there.
    QTest::mouseClick(vue, Qt::LeftButton, {}, pixelBoite(2));
    EXPECT_EQ(panneau().choisie(), std::optional<std::uint32_t>(1605));
    EXPECT_EQ(table->selectedItems().first()->row(), 2);
    EXPECT_EQ(vue->maillageEnAvant, 2);
    EXPECT_EQ(ihm.trackBarX->value(), 40);
    // On nothing: no row, nothing dimmed.
    QTest::mouseClick(vue, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_FALSE(panneau().choisie().has_value());
    EXPECT_EQ(vue->maillageEnAvant, -1);

    // A click on a label of the picture chooses its row, even one the filter hid; the cuts stay.
    QTest::keyClicks(filtre, "hippo");
    ihm.checkZ->setChecked(true);
    ihm.trackBarZ->setValue(7);
    testapp::defiler(ihm.trackBarZ, 1);
    ASSERT_EQ(ihm.trackBarZ->value(), 8);
    const std::optional<QPoint> sur7 = pointImage(7);
    ASSERT_TRUE(sur7.has_value());
    QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, *sur7);
    EXPECT_EQ(panneau().choisie(), std::optional<std::uint32_t>(7));
    EXPECT_FALSE(table->isRowHidden(0));
    EXPECT_EQ(vue->maillageEnAvant, 0);
    EXPECT_EQ(ihm.trackBarZ->value(), 8);
    EXPECT_EQ(ihm.trackBarX->value(), 40);
    // On the background: no row.
    const std::optional<QPoint> sur0 = pointImage(0);
    ASSERT_TRUE(sur0.has_value());
    QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, *sur0);
    EXPECT_FALSE(panneau().choisie().has_value());
}

TEST_F(LabelsWindow, SceneFilesOfTheLabelsShown) {
    toutExtraire();
    // PLY: every label a face property, each vertex in its label's colour.
    reponseScene = QString::fromStdString(temp / "scene.ply");
    exporterScene->trigger();
    ASSERT_TRUE(messages.empty()) << messages.front();
    PlyLu ply;
    ASSERT_TRUE(lirePLYComplet(temp / "scene.ply", ply));
    EXPECT_EQ(std::set<std::uint64_t>(ply.labels.begin(), ply.labels.end()),
              (std::set<std::uint64_t>{7, 300, 1605}));
    EXPECT_TRUE(std::find(ply.couleurs.begin(), ply.couleurs.end(),
                          std::array<std::uint8_t, 3>{220, 216, 20}) != ply.couleurs.end());
    EXPECT_TRUE(fermeeEtOrientee(ply.soupe));

    // OBJ: one named object a label, its materials beside it.
    reponseScene = QString::fromStdString(temp / "scene.obj");
    exporterScene->trigger();
    std::ifstream obj(temp / "scene.obj");
    const std::string texte((std::istreambuf_iterator<char>(obj)), {});
    EXPECT_NE(texte.find("o Left-Thalamus"), std::string::npos);
    EXPECT_NE(texte.find("o Hippocampe"), std::string::npos);
    EXPECT_NE(texte.find("o label-1605"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(temp / "scene.mtl"));

    // A hidden label stays out of the scene; GLB by its extension.
    table->item(2, PanneauEtiquettes::Visible)->setCheckState(Qt::Unchecked);
    reponseScene = QString::fromStdString(temp / "SCENE.GLB");
    exporterScene->trigger();
    ASSERT_TRUE(std::filesystem::exists(temp / "SCENE.GLB"));
    std::ifstream glb(temp / "SCENE.GLB", std::ios::binary);
    const std::string octets((std::istreambuf_iterator<char>(glb)), {});
    EXPECT_EQ(octets.substr(0, 4), "glTF");
    EXPECT_NE(octets.find("Hippocampe"), std::string::npos);
    EXPECT_EQ(octets.find("label-1605"), std::string::npos);
    reponseScene = QString::fromStdString(temp / "visibles.ply");
    exporterScene->trigger();
    PlyLu visibles;
    ASSERT_TRUE(lirePLYComplet(temp / "visibles.ply", visibles));
    EXPECT_EQ(std::set<std::uint64_t>(visibles.labels.begin(), visibles.labels.end()),
              (std::set<std::uint64_t>{7, 300}));

    // A format it cannot write, or nothing shown: a message, no file.
    ASSERT_TRUE(messages.empty());
    reponseScene = QString::fromStdString(temp / "scene.stl");
    exporterScene->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(".glb, .obj ou .ply"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(temp / "scene.stl"));
    QTest::mouseClick(aucune, Qt::LeftButton);
    reponseScene = QString::fromStdString(temp / "vide.ply");
    exporterScene->trigger();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(temp / "vide.ply"));
    // Cancelled: nothing.
    reponseScene.clear();
    exporterScene->trigger();
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(LabelsWindow, PictureOfTheViewAtItsSizeOrTwiceIt) {
    toutExtraire();
    COpenGL* vue = fenetre->vue();
    ASSERT_TRUE(imageVue->isEnabled());
    const QImage ecran = vue->capturerImage();

    reponseImage = {QString::fromStdString(temp / "vue.png"), 1};
    imageVue->trigger();
    EXPECT_EQ(tailleProposee, vue->size());
    QImage lue(QString::fromStdString(temp / "vue.png"));
    ASSERT_FALSE(lue.isNull());
    EXPECT_EQ(lue.size(), vue->size());
    const QPoint p = pixelBoite(1);
    EXPECT_TRUE(memeTeinte(lire(lue, p), etiquettes().scene()[1].couleur));
    EXPECT_EQ(lue.convertToFormat(QImage::Format_RGB32),
              ecran.convertToFormat(QImage::Format_RGB32));

    reponseImage = {QString::fromStdString(temp / "vue2.png"), 2};
    imageVue->trigger();
    lue = QImage(QString::fromStdString(temp / "vue2.png"));
    ASSERT_EQ(lue.size(), 2 * vue->size());
    EXPECT_TRUE(memeTeinte(lire(lue, 2 * p), etiquettes().scene()[1].couleur));
    EXPECT_TRUE(fenetre->statusBar()->currentMessage().contains("vue2.png"));

    // A folder that cannot be written: a message.
    reponseImage = {QString::fromStdString(temp / "absent/vue.png"), 1};
    imageVue->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("n'a pas pu être enregistrée"), std::string::npos);

    fenetre->fermer();
    EXPECT_FALSE(imageVue->isEnabled());
}

TEST_F(WindowTest, EveryLabelNeedsASegmentation) {
    testapp::ecrireVolume(temp.chemin(), "a", 20, 16, 8,
                          [](int x, int, int) { return static_cast<unsigned char>(x * 10); });
    QAction* extraireTout = enfant<QAction>(*fenetre, "extraireEtiquettesToolStripMenuItem");
    EXPECT_FALSE(extraireTout->isEnabled());
    ouvrirParMenu(temp.chemin());
    ASSERT_NE(fenetre->volume(), nullptr);
    EXPECT_FALSE(extraireTout->isEnabled());
    extraireTout->trigger();
    EXPECT_FALSE(fenetre->etiquettes().enCours());
    EXPECT_EQ(enfant<QTableWidget>(*fenetre, "tableEtiquettes")->rowCount(), 0);
    // The panel is at hand from the menu, beside the view, the window growing to hold it.
    const int largeur = fenetre->width();
    enfant<QAction>(*fenetre, "panneauEtiquettesToolStripMenuItem")->trigger();
    QDockWidget* dock = enfant<QDockWidget>(*fenetre, "dockEtiquettes");
    EXPECT_TRUE(dock->isVisible());
    EXPECT_EQ(fenetre->dockWidgetArea(dock), Qt::LeftDockWidgetArea);
    QApplication::processEvents();
    EXPECT_GT(fenetre->width(), largeur);
}

TEST_F(LabelsWindow, TheWindowGoesDuringAWork) {
    // Its thread is stopped and joined; nothing it posts reaches a window that is gone.
    extraireTout->trigger();
    ASSERT_TRUE(etiquettes().enCours());
    fenetre.reset();
    QTest::qWait(200);
    SUCCEED();
}

TEST_F(WindowTest, ASegmentationWithoutLabelsKeepsWhatIsShown) {
    const auto ecrire = [this](const char* nom, double (*valeur)(int, int, int)) {
        std::string erreur;
        const std::string f = temp / nom;
        EXPECT_TRUE(Stravol::ecrireNifti(
            f,
            volumeTest(nom[0] == 'v' ? TypeVoxel::Octet : TypeVoxel::Entier16, 12, 10, 8, valeur),
            1, erreur))
            << erreur;
        return QString::fromStdString(f);
    };
    const QString volume = ecrire("volume.nii", gris);
    const QString zeros = ecrire("zeros.nii", [](int, int, int) { return 0.0; });
    ASSERT_TRUE(fenetre->ouvrirFichiers({volume, zeros}));
    enfant<QAction>(*fenetre, "extraireEtiquettesToolStripMenuItem")->trigger();
    QElapsedTimer t;
    t.start();
    while (fenetre->etiquettes().enCours() && t.elapsed() < 60000)
        QTest::qWait(20);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("aucune étiquette"), std::string::npos) << messages[0];
    EXPECT_TRUE(fenetre->etiquettes().scene().empty());
    EXPECT_EQ(enfant<QTableWidget>(*fenetre, "tableEtiquettes")->rowCount(), 0);
}

TEST_F(LabelsWindow, ATableFromTheMenuNamesAndColoursTheRowsTheMeshesAndTheReadout) {
    QAction* ouvrirTable = enfant<QAction>(*fenetre, "ouvrirTableToolStripMenuItem");
    QString reponse;
    fenetre->dialogues().choisirTableEtiquettes = [&reponse] { return reponse; };
    toutExtraire();
    QTest::mouseClick(aucune, Qt::LeftButton);
    table->item(0, PanneauEtiquettes::Visible)->setCheckState(Qt::Checked);
    ASSERT_EQ(visibles(), (std::vector<bool>{true, false, false}));

    // A table with a bad line is refused with its file and line; the rows stay as they were.
    std::ofstream(temp / "fausse.txt") << "7 Thalamus\nsept Hippocampe\n";
    reponse = QString::fromStdString(temp / "fausse.txt");
    ouvrirTable->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages.front().find("fausse.txt"), std::string::npos) << messages.front();
    EXPECT_NE(messages.front().find('2'), std::string::npos) << messages.front();
    EXPECT_EQ(table->item(0, PanneauEtiquettes::Nom)->text(), "Left-Thalamus");
    messages.clear();

    // An ITK-SNAP table replaces the names and colours, the visibility of each row kept.
    std::ofstream(temp / "snap.label") << "1605 255 0 0 1 1 1 \"Cortex\"\n"
                                          "7 0 0 255 1 1 1 \"Thalamus\"\n";
    reponse = QString::fromStdString(temp / "snap.label");
    ouvrirTable->trigger();
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(table->item(0, PanneauEtiquettes::Nom)->text(), "Thalamus");
    EXPECT_EQ(table->item(1, PanneauEtiquettes::Nom)->text(), "");
    EXPECT_EQ(table->item(2, PanneauEtiquettes::Nom)->text(), "Cortex");
    EXPECT_EQ(table->item(2, PanneauEtiquettes::Couleur)->data(Qt::DecorationRole).value<QColor>(),
              QColor(255, 0, 0));
    EXPECT_EQ(visibles(), (std::vector<bool>{true, false, false}));
    const QImage image = fenetre->vue()->capturerImage();
    EXPECT_TRUE(memeTeinte(lire(image, pixelBoite(0)), {0, 0, 255}));
    EXPECT_EQ(panneau().nom(1605), "Cortex");

    // The readout of the cut picture names the label from the new table.
    ihm.checkZ->setChecked(true);
    ihm.trackBarZ->setValue(6);
    testapp::defiler(ihm.trackBarZ, 1);
    const std::optional<QPoint> p = pointImage(1605);
    ASSERT_TRUE(p);
    testapp::survoler(ihm.pictureBox1, *p);
    EXPECT_TRUE(ihm.labelVoxel->text().contains("« Cortex »"))
        << ihm.labelVoxel->text().toStdString();
}
