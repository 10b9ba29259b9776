// What the window tells of a volume and its labels: one colour a label in the 3D cut, the
// picture and the mesh, the labels over the grey, the readout of a voxel (the file's value, the
// world position, the label and its name), openings that fail with a word, label files off the
// volume's grid, and the small things of the window (evolution boxes, the summary, availability,
// recent files, the title, the options dialog, the toolkit's own French).

#include "AppFenetre.h"
#include "ChiffresBilan.h"

#include "app/DialogueEvolution.h"
#include "app/DialogueOptionsExtraction.h"
#include "app/Lancement.h"
#include "app/PuitsQt.h"
#include "helpers/volumes.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/EcritureVolume.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>

#include <fstream>
#include <functional>
#include <set>

using Stravol::COpenGL;
using Stravol::CouleurRVB;
using Stravol::Form1;
using Stravol::TypeVoxel;
using Stravol::VolumeBrut;
using testapp::WindowTest;

namespace {

constexpr int kL = 24, kH = 16, kP = 8;

// Labels 1, 255, 256, 300, 1000 and 1001 and the demo's 80, 120, 200 and 240, in bands two
// voxels wide along x; 0 in the first two columns.
constexpr int kEtiquettes[] = {1, 255, 256, 300, 1000, 1001, 80, 120, 200, 240};
int bande(int x) { return x < 2 ? 0 : kEtiquettes[std::min((x - 2) / 2, 9)]; }

// A 1 mm RAS frame with its origin elsewhere, so that world and voxel positions differ.
Stravol::Geometrie geometrieRAS() {
    Stravol::Geometrie g;
    g.affine = {{{1, 0, 0, -12}, {0, 1, 0, -8}, {0, 0, 1, 30}}};
    g.origine = Stravol::OrigineGeometrie::SForm;
    return g;
}

class LectureWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        fenetre->dialogues().choisirFichierVolume = [this] { return reponseVolume; };
        fenetre->dialogues().choisirFichiersSegmentation = [] { return QStringList(); };
    }
    std::string ecrire(const std::string& nom, VolumeBrut v,
                       const Stravol::Geometrie& g = geometrieRAS()) {
        v.geometrie = g;
        std::string erreur;
        const std::string f = temp / nom;
        EXPECT_TRUE(Stravol::ecrireNifti(f, v, 1, erreur)) << erreur;
        return f;
    }
    // A grey volume of 100 with the bands of labels.
    void ouvrirBandes() {
        const std::string g = ecrire("gris.nii", volumeTest(TypeVoxel::Octet, kL, kH, kP,
                                                            [](int, int, int) { return 100; }));
        const std::string e =
            ecrire("bandes.nii", volumeTest(TypeVoxel::Entier16, kL, kH, kP,
                                            [](int x, int, int) { return bande(x); }));
        ASSERT_TRUE(
            fenetre->ouvrirFichiers({QString::fromStdString(g), QString::fromStdString(e)}));
        ASSERT_TRUE(messages.empty()) << messages.front();
    }
    // Where voxel (x, y, z) shows in the 3D view.
    QPoint dansLaVue(int x, int y, int z) {
        COpenGL& vue = *fenetre->vue();
        const auto w = fenetre->volume()->geometrie.versMonde(x, y, z);
        const auto p = vue.projeterScene(vue.repereMonde->versScene(w));
        return {static_cast<int>(p[0]), static_cast<int>(p[1])};
    }
    QString reponseVolume;
};

CouleurRVB rvb(QRgb p) {
    return {static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
            static_cast<std::uint8_t>(qBlue(p))};
}

bool proche(const CouleurRVB& a, const CouleurRVB& b, int ecart) {
    for (int k = 0; k < 3; ++k)
        if (std::abs(a[k] - b[k]) > ecart)
            return false;
    return true;
}

} // namespace

TEST_F(LectureWindow, OneColourPerLabelInTheCutThePictureAndTheMesh) {
    ouvrirBandes();
    Form1& f = *fenetre;
    ihm.imageSegmenteToolStripMenuItem->trigger();
    ihm.etiquettesCouleurToolStripMenuItem->trigger();
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, 4);
    const Stravol::PaletteEtiquettes& palette = f.volume()->palette;
    const QImage vue = f.vue()->capturerImage();
    const QImage image = ihm.pictureBox1->grab().toImage();
    std::set<CouleurRVB> couleurs;
    for (int x = 2; x < kL; x += 2) {
        const int e = bande(x);
        SCOPED_TRACE(e);
        const CouleurRVB c = palette.couleur(static_cast<std::uint32_t>(e));
        couleurs.insert(c);
        // The middle of the band: the picture exactly, the view's linear filter nearly.
        EXPECT_EQ(rvb(image.pixel(testapp::pointDuVoxel(f, {x, 8, 4}))), c);
        EXPECT_TRUE(proche(rvb(vue.pixel(dansLaVue(x, 8, 4))), c, 6));
    }
    EXPECT_EQ(couleurs.size(), 10u);

    // The mesh of a label takes its colour.
    ihm.extraireRegionToolStripMenuItem->trigger();
    QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, testapp::pointDuVoxel(f, {9, 8, 4}));
    ASSERT_NE(f.volume()->maillage, nullptr);
    EXPECT_EQ(f.volume()->bilanExtraction.valeurGerme, 300);
    const CouleurRVB c300 = palette.couleur(300);
    for (int k = 0; k < 3; ++k)
        EXPECT_FLOAT_EQ(f.volume()->maillage->materielDiffus[k], c300[k] / 255.0f);

    // Colours off: the cut and the picture show the same grey (the mesh hidden).
    QTest::mouseClick(ihm.checkBoxMaillage, Qt::LeftButton);
    ihm.etiquettesCouleurToolStripMenuItem->trigger();
    const QImage vueGrise = f.vue()->capturerImage();
    const QImage imageGrise = ihm.pictureBox1->grab().toImage();
    for (int x = 2; x < kL; x += 2) {
        const CouleurRVB p = rvb(imageGrise.pixel(testapp::pointDuVoxel(f, {x, 8, 4})));
        EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
        EXPECT_TRUE(proche(rvb(vueGrise.pixel(dansLaVue(x, 8, 4))), p, 6));
    }
}

TEST_F(LectureWindow, LabelsOverTheGreyAtTheChosenOpacity) {
    ouvrirBandes();
    Form1& f = *fenetre;
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, 4);
    auto* opacite = testapp::enfant<QSlider>(f, "trackBarSuperposition");
    auto* superposition = testapp::enfant<QAction>(f, "superpositionEtiquettesToolStripMenuItem");
    EXPECT_FALSE(opacite->isEnabled());
    const QPoint p = testapp::pointDuVoxel(f, {9, 8, 4});
    const QPoint fond = testapp::pointDuVoxel(f, {0, 8, 4});
    EXPECT_EQ(rvb(ihm.pictureBox1->grab().toImage().pixel(p)), (CouleurRVB{100, 100, 100}));

    superposition->trigger();
    EXPECT_TRUE(opacite->isEnabled());
    const CouleurRVB c = f.volume()->palette.couleur(300);
    const auto melange = [&c](double a) {
        CouleurRVB m{};
        for (int k = 0; k < 3; ++k)
            m[k] = static_cast<std::uint8_t>(std::lround(100 * (1 - a) + c[k] * a));
        return m;
    };
    QImage image = ihm.pictureBox1->grab().toImage();
    EXPECT_TRUE(proche(rvb(image.pixel(p)), melange(0.5), 1));
    EXPECT_EQ(rvb(image.pixel(fond)), (CouleurRVB{100, 100, 100}));
    EXPECT_TRUE(proche(rvb(f.vue()->capturerImage().pixel(dansLaVue(9, 8, 4))), melange(0.5), 6));

    // The slider let go at another opacity.
    opacite->setValue(opacite->maximum() / 5);
    image = ihm.pictureBox1->grab().toImage();
    EXPECT_TRUE(proche(rvb(image.pixel(p)), melange(0.2), 2));

    // Off: the grey alone again.
    superposition->trigger();
    EXPECT_EQ(rvb(ihm.pictureBox1->grab().toImage().pixel(p)), (CouleurRVB{100, 100, 100}));
}

TEST_F(LectureWindow, TheReadoutGivesTheFileValueTheWorldAndTheNamedLabel) {
    const std::string g =
        ecrire("reels.nii", volumeTest(TypeVoxel::Reel32, kL, kH, kP, [](int x, int y, int z) {
                   return 87.68 + x - 0.5 * y + 100 * z;
               }));
    const std::string e =
        ecrire("atlas.nii", volumeTest(TypeVoxel::Octet, kL, kH, kP,
                                       [](int x, int, int) { return x < 12 ? 17 : 4; }));
    std::ofstream(temp / "atlas.txt") << "17 Hippocampe\n4 Amygdale\n";
    Form1& f = *fenetre;
    ASSERT_TRUE(f.ouvrirFichiers({QString::fromStdString(g), QString::fromStdString(e)}));
    ASSERT_TRUE(messages.empty()) << messages.front();
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, 3);
    testapp::survoler(ihm.pictureBox1, testapp::pointDuVoxel(f, {5, 2, 3}));
    const QLocale l;
    const int gris = f.volume()->volumeOriginal()[(3 * kH + 2) * kL + 5];
    const QString attendu =
        QString("Voxel (5, 2, 3) : valeur %1 (gris %2), RAS (%3 ; %4 ; %5) mm, étiquette 17 "
                "« Hippocampe »")
            .arg(l.toString(87.68 + 5 - 1 + 300, 'g', 7))
            .arg(gris)
            .arg(l.toString(-7.0, 'f', 1))
            .arg(l.toString(-6.0, 'f', 1))
            .arg(l.toString(33.0, 'f', 1));
    EXPECT_EQ(ihm.labelVoxel->text().toStdString(), attendu.toStdString());
    EXPECT_TRUE(ihm.labelVoxel->text().contains(l.toString(391.68, 'g', 7)));
}

TEST_F(LectureWindow, FailedOpeningsSayWhatWasExpectedAndKeepWhatIsOpen) {
    const std::string bon = temp / "bon";
    testapp::ecrireVolume(bon, "volume", 8, 8, 2, [](int, int, int) { return 50; });
    Form1& f = *fenetre;
    ASSERT_TRUE(f.ouvrirDossier(QString::fromStdString(bon)));
    const CImageTroisD* ouvert = f.volume();
    std::filesystem::create_directories(temp / "vide");

    struct Cas {
        std::function<void()> ouvrir;
        const char* attendu;
        std::string chemin;
    };
    const Cas cas[] = {
        // The slice folder itself rather than its parent.
        {[&] { ouvrirParMenu(bon + "/volume"); }, "images des coupes", bon},
        {[&] { ouvrirParMenu(temp / "vide"); }, "ni sous-dossier ni image", temp / "vide"},
        {[&] { ouvrirParMenu(temp / "absent"); }, "n'existe pas", temp / "absent"},
        // The command line's way for a path that is neither folder nor file.
        {[&] {
             f.ouvrirQuandVisible(QString::fromStdString(temp / "ailleurs"));
             QSignalSpy fin(&f, &Form1::ouvertureTerminee);
             ASSERT_TRUE(fin.wait(10000));
         },
         "n'existe pas", temp / "ailleurs"},
        {[&] {
             reponseVolume = QString::fromStdString(temp / "absent.nii");
             ihm.ouvrirFichierToolStripMenuItem->trigger();
         },
         "n'existe pas", temp / "absent.nii"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.chemin);
        messages.clear();
        c.ouvrir();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(c.attendu), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find(c.chemin), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find("Choisissez"), std::string::npos) << messages[0];
        EXPECT_EQ(f.volume(), ouvert);
        EXPECT_NE(f.vue(), nullptr);
    }
}

TEST_F(LectureWindow, ALabelFileOffTheGridIsRefusedAndANearOneIsTold) {
    const std::string g = ecrire(
        "gris.nii", volumeTest(TypeVoxel::Octet, kL, kH, kP, [](int, int, int) { return 100; }));
    const VolumeBrut etiquettes =
        volumeTest(TypeVoxel::Entier16, kL, kH, kP, [](int x, int, int) { return bande(x); });
    // x flipped: the same sizes, the voxels mirrored.
    Stravol::Geometrie miroir = geometrieRAS();
    miroir.affine[0][0] = -1;
    miroir.affine[0][3] = -12 + (kL - 1);
    const std::string refusee = ecrire("miroir.nii", etiquettes, miroir);
    Stravol::Geometrie proche = geometrieRAS();
    proche.affine[2][3] += 0.3;
    const std::string acceptee = ecrire("proche.nii", etiquettes, proche);
    Form1& f = *fenetre;
    ASSERT_TRUE(f.ouvrirFichiers({QString::fromStdString(g)}));
    const CImageTroisD* ouvert = f.volume();

    EXPECT_FALSE(f.ouvrirFichiers({QString::fromStdString(g), QString::fromStdString(refusee)}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("refusée"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("demi-voxel"), std::string::npos) << messages[0];
    EXPECT_EQ(f.volume(), ouvert);

    messages.clear();
    EXPECT_TRUE(f.ouvrirFichiers({QString::fromStdString(g), QString::fromStdString(acceptee)}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("grille du volume"), std::string::npos) << messages[0];
    EXPECT_EQ(f.volume()->etiquetteVoxel(9, 0, 0), 300u);
}

TEST_F(LectureWindow, EvolutionBoxesActAtOnce) {
    ouvrirBandes();
    Form1& f = *fenetre;
    ihm.imageSegmenteToolStripMenuItem->trigger();
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, 4);
    ihm.extraireRegionToolStripMenuItem->trigger();
    QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, testapp::pointDuVoxel(f, {14, 7, 4}));
    ASSERT_NE(f.volume()->maillage, nullptr);
    CMaillageTriangleChRegion& m = *f.volume()->maillage;
    COpenGL& vue = *f.vue();
    const QImage sans = vue.capturerImage();
    f.dialogues().montrerEvolution = [&](Stravol::DialogueEvolution& d) {
        QCheckBox* aretes = nullptr;
        for (int i = 0; i < m.GetParameterBoolNumber(); ++i)
            if (QString::fromUtf8(m.GetParameterBoolName(i).c_str()) == "Affichage des aretes")
                aretes = d.booleens[static_cast<std::size_t>(i)];
        ASSERT_NE(aretes, nullptr);
        d.show();
        // Ticked: the wireframe shows at once, before any run; unticked: it goes.
        EXPECT_FALSE(aretes->isChecked());
        aretes->click();
        EXPECT_TRUE(m.afficherAretes);
        EXPECT_NE(vue.imageAffichee(), sans);
        aretes->click();
        EXPECT_FALSE(m.afficherAretes);
        EXPECT_EQ(vue.imageAffichee(), sans);
        QTest::mouseClick(d.boutonFermer, Qt::LeftButton);
    };
    ihm.evoluerMaillageToolStripMenuItem->trigger();
    EXPECT_FALSE(m.afficherAretes);
    EXPECT_EQ(vue.capturerImage(), sans);
}

TEST_F(LectureWindow, TheSmallThingsOfTheWindow) {
    ouvrirBandes();
    Form1& f = *fenetre;
    // The title names what is open.
    EXPECT_EQ(f.windowTitle(), "gris.nii — Stravol");

    // The summary of a world volume fits the status bar at the window's first size, and counts
    // the volume in voxels, not "voxels³".
    ihm.imageSegmenteToolStripMenuItem->trigger();
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, 4);
    ihm.extraireRegionToolStripMenuItem->trigger();
    QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, testapp::pointDuVoxel(f, {14, 7, 4}));
    const QString bilan = f.statusBar()->currentMessage();
    testapp::ChiffresBilan b;
    ASSERT_TRUE(testapp::lireBilan(bilan, b)) << bilan.toStdString();
    EXPECT_FALSE(bilan.contains("voxels³"));
    EXPECT_EQ(b.voxels, 2 * kH * kP);
    EXPECT_GT(b.volumeMm3, 0);
    EXPECT_LT(f.statusBar()->fontMetrics().horizontalAdvance(bilan),
              f.statusBar()->width() - ihm.labelVoxel->width() - 24);

    // A volume file heads "Récents" with its label file, and opens again from there.
    const QString entree = Stravol::MenusFenetre::entreeFichiers(
        {QString::fromStdString(temp / "gris.nii"), QString::fromStdString(temp / "bandes.nii")});
    ASSERT_FALSE(f.dossiersRecents().isEmpty());
    EXPECT_EQ(f.dossiersRecents().first(), entree);
    EXPECT_TRUE(ihm.recentsMenu->actions().first()->text().endsWith("gris.nii + bandes.nii"));

    // Closed: nothing to extract, to show segmented, nor a mesh to show; the title alone.
    ihm.fermerToolStripMenuItem->trigger();
    EXPECT_FALSE(ihm.extraireRegionToolStripMenuItem->isEnabled());
    EXPECT_FALSE(ihm.imageSegmenteToolStripMenuItem->isEnabled());
    EXPECT_FALSE(ihm.checkBoxMaillage->isEnabled());
    EXPECT_EQ(f.windowTitle(), "Stravol");
    ihm.recentsMenu->actions().first()->trigger();
    ASSERT_NE(f.volume(), nullptr);
    EXPECT_NE(f.volume()->imageSegmente, nullptr);

    // The options dialog shows its labels whole.
    Stravol::DialogueOptionsExtraction options(Stravol::OptionsExtraction(), 1.0, &f);
    options.show();
    QApplication::processEvents();

    for (const QLabel* libelle : options.findChildren<QLabel*>())
        EXPECT_GE(libelle->width(), libelle->sizeHint().width()) << libelle->text().toStdString();
    // And its boxes, choices and buttons, whose texts are cut just as well.
    for (const QAbstractButton* bouton : options.findChildren<QAbstractButton*>())
        EXPECT_GE(bouton->width(), bouton->sizeHint().width()) << bouton->text().toStdString();
    for (const QComboBox* choix : options.findChildren<QComboBox*>())
        EXPECT_GE(choix->width(), choix->sizeHint().width()) << choix->currentText().toStdString();

    // The toolkit's own buttons in French.
    Stravol::chargerTraductionsQt();
    QDialogButtonBox boutons(QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                             QDialogButtonBox::No);
    EXPECT_EQ(boutons.button(QDialogButtonBox::Cancel)->text().remove('&'), "Annuler");
    EXPECT_EQ(boutons.button(QDialogButtonBox::Yes)->text().remove('&'), "Oui");
    EXPECT_EQ(boutons.button(QDialogButtonBox::No)->text().remove('&'), "Non");
}

TEST_F(LectureWindow, OuvrirOpensADicomSeriesFolder) {
    const std::string serie = temp / "serie";
    std::filesystem::create_directories(serie);
    std::string erreur;
    ASSERT_TRUE(Stravol::ecrireSerieDicom(
        serie,
        volumeTest(TypeVoxel::EntierNonSigne16, kL, kH, kP, [](int x, int, int) { return 10 * x; }),
        Stravol::OptionsDicom{}, erreur))
        << erreur;
    ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(serie)));
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(fenetre->volume()->largeur, kL);
    EXPECT_EQ(fenetre->volume()->profondeur, kP);
    EXPECT_EQ(fenetre->windowTitle(), "serie — Stravol");
}

namespace {

// Counts the paint events of a widget.
class ComptePeintures : public QObject {
public:
    int nb = 0;
    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (evenement->type() == QEvent::Paint)
            ++nb;
        return QObject::eventFilter(objet, evenement);
    }
};

} // namespace

// Loading runs inside a handler: the bar is painted as it moves, with no event loop turning,
// but once for each step it shows, not once for each of a thousand slices.
TEST(LoadingProgress, TheBarIsPaintedAsItMovesNotAtEachSlice) {
    testgui::application();
    QProgressBar barre;
    barre.resize(200, 20);
    barre.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&barre));
    ComptePeintures peintures;
    barre.installEventFilter(&peintures);
    Stravol::BarreProgressionQt puits(&barre);
    puits.setMaximum(1000);
    const int avant = peintures.nb;
    EXPECT_GE(avant, 1);
    for (int v = 1; v <= 1000; ++v)
        puits.setValue(v);
    const int pendant = peintures.nb - avant;
    EXPECT_GE(pendant, 20);
    EXPECT_LE(pendant, 150);
    EXPECT_EQ(barre.value(), 1000);
}
