#pragma once
// Main-window tests: parent folders of grey BMP slices written into a temporary folder, a shown
// window whose dialogs answer from the test, and the user's actions on its controls.

#include "ApplicationTest.h"
#include "app/Form1.h"
#include "helpers/images.h"
#include "helpers/slices.h"
#include "view/COpenGL.h"

#include <QAction>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
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
        fenetre->choisirDossier = [this] { return reponseDossier; };
        fenetre->choisirFichierExport = [this] { return reponseFichier; };
        fenetre->afficherMessage = [this](const QString& t) {
            messages.push_back(t.toStdString());
        };
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
    }
    void TearDown() override { fenetre.reset(); }

    // "Ouvrir" chosen in the menu, the dialog confirming dossier (empty: cancelled).
    void ouvrirParMenu(const std::string& dossier) {
        reponseDossier = QString::fromStdString(dossier);
        fenetre->ouvrirToolStripMenuItem->trigger();
        QApplication::processEvents();
    }

    DossierTemporaire temp;
    std::unique_ptr<Stravol::Form1> fenetre;
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
