#pragma once
// Main-window tests: parent folders of grey BMP slices written into a temporary folder, a shown
// window whose dialogs answer from the test, and the user's actions on its controls.

#include "ApplicationTest.h"
#include "app/ControleurExtraction.h"
#include "app/Form1.h"
#include "app/ImageCoupe.h"
#include "app/MenusFenetre.h"
#include "app/PanneauCoupes.h"
#include "helpers/images.h"
#include "helpers/slices.h"
#include "view/COpenGL.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QSplitter>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace testapp {

using Gris = std::function<unsigned char(int x, int y, int z)>;

// A box of grey 200 over voxels [140, 190] x [20, 58] x [3, 20] in a background of grey levels
// below 100 that change from voxel to voxel, so that a seed outside the box grows only a few
// scattered voxels (the box volume of the window tests is 300 x 200 x 40).
inline unsigned char grisBoite(int x, int y, int z) {
    if (x >= 140 && x <= 190 && y >= 20 && y <= 58 && z >= 3 && z <= 20)
        return 200;
    return static_cast<unsigned char>((x * 7 + y * 13 + z * 29 + (x * y) % 11) % 100);
}

// Writes dossier/nom/slice_ZZZZ.bmp, one 24-bit grey picture per slice.
inline void ecrireVolume(const std::string& dossier, const std::string& nom, int largeur,
                         int hauteur, int profondeur, const Gris& gris) {
    const std::string sous = dossier + "/" + nom;
    std::filesystem::create_directories(sous);
    for (int z = 0; z < profondeur; ++z) {
        OctetsTest pixels(3 * static_cast<std::size_t>(largeur) * hauteur);
        for (int y = 0; y < hauteur; ++y)
            for (int x = 0; x < largeur; ++x) {
                const unsigned char v = gris(x, y, z);
                unsigned char* p = &pixels[3 * (static_cast<std::size_t>(y) * largeur + x)];
                p[0] = p[1] = p[2] = v;
            }
        char fichier[32];
        std::snprintf(fichier, sizeof fichier, "/slice_%04d.bmp", z);
        ecrireOctets(sous + fichier, bmpFait(largeur, hauteur, 24, pixels));
    }
}

// The child of f named nom (its objectName), of kind T; a failure of the test when there is none.
template <class T> T* enfant(const QObject& f, const char* nom) {
    T* c = f.findChild<T*>(QString::fromLatin1(nom));
    EXPECT_NE(c, nullptr) << nom;
    return c;
}

// The window's controls and menu items, found by their names.
struct Controles {
    Controles() = default;
    explicit Controles(const QObject& f)
        : splitContainer1(enfant<QSplitter>(f, "splitContainer1")),
          splitContainer2(enfant<QSplitter>(f, "splitContainer2")),
          splitContainer3(enfant<QSplitter>(f, "splitContainer3")),
          panneauVue(enfant<QFrame>(f, "splitContainer2_Panel1")),
          panneauCommandes(enfant<QFrame>(f, "splitContainer1_Panel2")),
          pictureBox1(enfant<QLabel>(f, "pictureBox1")),
          pictureBox2(enfant<QLabel>(f, "pictureBox2")),
          pictureBox3(enfant<QLabel>(f, "pictureBox3")),
          checkBoxMaillage(enfant<QCheckBox>(f, "checkBoxMaillage")),
          BoxCommande(enfant<QGroupBox>(f, "BoxCommande")),
          labelChargement(enfant<QLabel>(f, "labelChargement")),
          progressBar1(enfant<QProgressBar>(f, "progressBar1")),
          radioTrackBall(enfant<QRadioButton>(f, "radioTrackBall")),
          radioFree(enfant<QRadioButton>(f, "radioFree")),
          checkRepere(enfant<QCheckBox>(f, "checkRepere")), checkX(enfant<QCheckBox>(f, "checkX")),
          checkY(enfant<QCheckBox>(f, "checkY")), checkZ(enfant<QCheckBox>(f, "checkZ")),
          trackBarX(enfant<QSlider>(f, "trackBarX")), trackBarY(enfant<QSlider>(f, "trackBarY")),
          trackBarZ(enfant<QSlider>(f, "trackBarZ")),
          labelIndiceX(enfant<QLabel>(f, "labelIndiceX")),
          labelIndiceZ(enfant<QLabel>(f, "labelIndiceZ")),
          labelVoxel(enfant<QLabel>(f, "labelVoxel")),
          fichierMenu(enfant<QMenu>(f, "fichierToolStripMenuItem")),
          recentsMenu(enfant<QMenu>(f, "recentsToolStripMenuItem")),
          ouvrirToolStripMenuItem(enfant<QAction>(f, "ouvrirToolStripMenuItem")),
          ouvrirFichierToolStripMenuItem(enfant<QAction>(f, "ouvrirFichierToolStripMenuItem")),
          fermerToolStripMenuItem(enfant<QAction>(f, "fermerToolStripMenuItem")),
          exporterToolStripMenuItem(enfant<QAction>(f, "exporterToolStripMenuItem")),
          quitterToolStripMenuItem(enfant<QAction>(f, "quitterToolStripMenuItem")),
          extraireRegionToolStripMenuItem(enfant<QAction>(f, "extraireRegionToolStripMenuItem")),
          evoluerMaillageToolStripMenuItem(enfant<QAction>(f, "evoluerMaillageToolStripMenuItem")),
          optionsExtractionToolStripMenuItem(
              enfant<QAction>(f, "optionsExtractionToolStripMenuItem")),
          imageNormaleToolStripMenuItem(enfant<QAction>(f, "imageNormaleToolStripMenuItem")),
          imageSegmenteToolStripMenuItem(enfant<QAction>(f, "imageSegmenteToolStripMenuItem")),
          etiquettesCouleurToolStripMenuItem(
              enfant<QAction>(f, "etiquettesCouleurToolStripMenuItem")),
          commandesToolStripMenuItem(enfant<QAction>(f, "commandesToolStripMenuItem")),
          aProposToolStripMenuItem(enfant<QAction>(f, "aProposToolStripMenuItem")) {}

    QSplitter* splitContainer1 = nullptr;
    QSplitter* splitContainer2 = nullptr;
    QSplitter* splitContainer3 = nullptr;
    QFrame* panneauVue = nullptr;       // hosts the 3D view
    QFrame* panneauCommandes = nullptr; // right panel of splitContainer1
    QLabel* pictureBox1 = nullptr;
    QLabel* pictureBox2 = nullptr;
    QLabel* pictureBox3 = nullptr;
    QCheckBox* checkBoxMaillage = nullptr;
    QGroupBox* BoxCommande = nullptr;
    QLabel* labelChargement = nullptr;
    QProgressBar* progressBar1 = nullptr;
    QRadioButton* radioTrackBall = nullptr;
    QRadioButton* radioFree = nullptr;
    QCheckBox* checkRepere = nullptr;
    QCheckBox* checkX = nullptr;
    QCheckBox* checkY = nullptr;
    QCheckBox* checkZ = nullptr;
    QSlider* trackBarX = nullptr;
    QSlider* trackBarY = nullptr;
    QSlider* trackBarZ = nullptr;
    QLabel* labelIndiceX = nullptr;
    QLabel* labelIndiceZ = nullptr;
    QLabel* labelVoxel = nullptr;
    QMenu* fichierMenu = nullptr;
    QMenu* recentsMenu = nullptr;
    QAction* ouvrirToolStripMenuItem = nullptr;
    QAction* ouvrirFichierToolStripMenuItem = nullptr;
    QAction* fermerToolStripMenuItem = nullptr;
    QAction* exporterToolStripMenuItem = nullptr;
    QAction* quitterToolStripMenuItem = nullptr;
    QAction* extraireRegionToolStripMenuItem = nullptr;
    QAction* evoluerMaillageToolStripMenuItem = nullptr;
    QAction* optionsExtractionToolStripMenuItem = nullptr;
    QAction* imageNormaleToolStripMenuItem = nullptr;
    QAction* imageSegmenteToolStripMenuItem = nullptr;
    QAction* etiquettesCouleurToolStripMenuItem = nullptr;
    QAction* commandesToolStripMenuItem = nullptr;
    QAction* aProposToolStripMenuItem = nullptr;
};

// The point of pictureBox1 at the middle of the pixel that shows voxel v of the cut it shows:
// stretched over the box for a picture folder, turned and kept in proportion for a volume in a
// patient's world.
inline QPoint pointDuVoxel(Stravol::Form1& f, const Stravol::Coord3D& v) {
    const auto* image = f.findChild<Stravol::ImageCoupe*>("pictureBox1");
    const QRect c = image->cible();
    int colonne = 0, ligne = 0, nbColonnes = 1, nbLignes = 1;
    if (const auto& o = f.coupes().orientation()) {
        std::tie(colonne, ligne) = o->pixel(v);
        nbColonnes = o->nbColonnes;
        nbLignes = o->nbLignes;
    } else {
        const Stravol::Axe axe = f.coupes().axeImage().value_or(Stravol::Axe::Z);
        const CImageTroisD& vol = *f.volume();
        colonne = axe == Stravol::Axe::X ? v.z : v.x;
        ligne = axe == Stravol::Axe::Y ? v.z : v.y;
        nbColonnes = axe == Stravol::Axe::X ? vol.profondeur : vol.largeur;
        nbLignes = axe == Stravol::Axe::Y ? vol.profondeur : vol.hauteur;
    }
    return {c.x() + static_cast<int>((colonne + 0.5) * c.width() / nbColonnes),
            c.y() + static_cast<int>((ligne + 0.5) * c.height() / nbLignes)};
}

// The pointer moves over point p of w, no button held.
inline void survoler(QWidget* w, const QPoint& p) {
    QMouseEvent survol(QEvent::MouseMove, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::NoButton,
                       Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &survol);
}

// Scrolls a track bar as the user does, one key press per step.
inline void defiler(QSlider* barre, int pas) {
    barre->setFocus();
    for (int i = 0; i < pas; ++i)
        QTest::keyClick(barre, Qt::Key_Right);
}

// A shown main window on a fresh temporary folder; dialogs answer what the test sets and
// messages are collected instead of shown.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testgui::application();
        // Recent folders of this test only.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(temp / "config"));
        fenetre = std::make_unique<Stravol::Form1>();
        ihm = Controles(*fenetre);
        Stravol::DialoguesFenetre& d = fenetre->dialogues();
        d.choisirDossier = [this] { return reponseDossier; };
        d.choisirFichierExport = [this] { return reponseFichier; };
        d.afficherMessage = [this](const QString& t) { messages.push_back(t.toStdString()); };
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
    }
    void TearDown() override { fenetre.reset(); }

    // "Ouvrir" chosen in the menu, the dialog confirming dossier (empty: cancelled).
    void ouvrirParMenu(const std::string& dossier) {
        reponseDossier = QString::fromStdString(dossier);
        ihm.ouvrirToolStripMenuItem->trigger();
        QApplication::processEvents();
    }

    DossierTemporaire temp;
    std::unique_ptr<Stravol::Form1> fenetre;
    Controles ihm;
    QString reponseDossier;
    QString reponseFichier;
    std::vector<std::string> messages;
};

// Pixels of a frame that are not the view's grey background.
inline int pixelsDessines(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += !(qRed(p) == 204 && qGreen(p) == 204 && qBlue(p) == 204);
        }
    return n;
}

} // namespace testapp
