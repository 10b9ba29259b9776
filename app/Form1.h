#pragma once
// The main window: menus, the 3D view, the panel of view commands, the picture of the current
// cut and the loading progress bar. Its handlers are the only places that drive the volume, the
// view and the region extraction. Every control carries its name as its objectName.

#include "app/PuitsQt.h"

#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QRadioButton;
class QSlider;
class QSplitter;
class CImage3D;
struct ImageRGB;

namespace Stravol {

class CImageTroisD;
class COpenGL;
class DialogueEvolution;

class Form1 : public QMainWindow {
    Q_OBJECT

public:
    // Client area (below the menu bar) of the window at construction, in pixels.
    static constexpr int largeurClient = 987;
    static constexpr int hauteurClient = 683;

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // "Ouvrir": closes what is open, asks for a parent folder, then opens it.
    void ouvrir();
    // Closes what is open, then opens the parent folder dossier as "Ouvrir" does once the
    // dialog has confirmed it: the first sub-folder (case-insensitive name order) is the
    // volume, every further one a segmentation. False when nothing was opened (no sub-folder,
    // or a volume folder without pictures, which is reported).
    bool ouvrirDossier(const QString& dossier);
    // "Fermer".
    void fermer();
    // "Quitter": destroys the view and the volume, closes the window and ends the process
    // with exit status -1.
    [[noreturn]] void quitter();
    // "Exporter le maillage": asks for a file and writes the last extracted mesh to it.
    void exporterMaillage();
    // "Extraire région": the next click on pictureBox1 extracts the region under it.
    void armerExtraction();
    // "Image Normale" (mode 0) and "Image Segmenté" (mode 4).
    void afficherMode(int mode);
    // "Faire évoluer le maillage": gives the mesh the grey volume it evolves on (once per
    // mesh), then shows the parameter dialog; each run redraws the view.
    void evoluerMaillage();

    // Replaceable dialogs (tests inject their own). choisirDossier returns the chosen parent
    // folder or an empty text when cancelled; choisirFichierExport the file to write or an
    // empty text; afficherMessage shows one message to the user.
    std::function<QString()> choisirDossier;
    std::function<QString()> choisirFichierExport;
    std::function<void(const QString&)> afficherMessage;
    // Shows the evolution dialog (modal by default).
    std::function<void(DialogueEvolution&)> montrerEvolution;

    // Directory of config.txt: the current directory when the window was built.
    std::string chemin;
    std::unique_ptr<CImageTroisD> images3D;
    // Owned; a child of the top panel of splitContainer2 while it exists.
    COpenGL* fenetreOpenGL = nullptr;
    int ChoixAffichage = 0;
    // Texture-space position of each cut (before the Y flip given to the view); -1 when off.
    int indX = -1;
    int indY = -1;
    int indZ = -1;
    // The one-shot click handler of pictureBox1 (click position in pixels of the picture);
    // empty while extraction is not armed.
    std::function<void(int x, int y)> Bouge;

    QSplitter* splitContainer1 = nullptr;
    QSplitter* splitContainer2 = nullptr;
    QSplitter* splitContainer3 = nullptr;
    QFrame* panneauVue = nullptr;       // top panel of splitContainer2, hosts the view
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

    QAction* ouvrirToolStripMenuItem = nullptr;
    QAction* fermerToolStripMenuItem = nullptr;
    QAction* exporterToolStripMenuItem = nullptr;
    QAction* quitterToolStripMenuItem = nullptr;
    QAction* extraireRegionToolStripMenuItem = nullptr;
    QAction* evoluerMaillageToolStripMenuItem = nullptr;
    QAction* imageNormaleToolStripMenuItem = nullptr;
    QAction* imageSegmenteToolStripMenuItem = nullptr;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void construireControles();
    void construireMenus();
    // Takes the view down and resets the commands; then destroys the volume.
    void detruireVue();
    void detruireVolume();
    // Steps of "Ouvrir" after the dialog, on a parent folder.
    bool chargerDossier(const QString& dossier);
    void decocherRadios();
    void coupeChangee(int axe, bool cochee);
    void coupeDefilee(int axe, int valeur);
    void cameraChangee(QRadioButton* bouton, bool cochee);
    void maillageCoche();
    void cliquerImage(int x, int y);
    void splitterDeplace();
    void montrerCoupe(const ImageRGB& image);
    void majExport();

    std::unique_ptr<BarreProgressionQt> barre_;
    BoiteMessagesQt messages_;
    // Grey copy of the volume that the current mesh evolves on; the mesh keeps pointers to it.
    std::unique_ptr<CImage3D> imageEvolution_;
};

} // namespace Stravol
