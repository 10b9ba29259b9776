#pragma once
// The main window: menus, the 3D view, the panel of view commands, the picture of the current
// cut, the loading progress bar and the status bar. Its handlers are the only places that drive
// the volume, the view and the region extraction. Every control carries its name as its
// objectName.

#include "app/PuitsQt.h"
#include "volume/CImageTroisD.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QDragEnterEvent;
class QDropEvent;
class QShowEvent;
class QMenu;
class QProgressBar;
class QRadioButton;
class QSlider;
class QSplitter;
class CImage3D;

namespace Stravol {

class COpenGL;
class DialogueEvolution;
class DialogueOptionsExtraction;

// Display modes of the slice textures and pictures (mode numbers of the volume's
// preparationTexture).
enum class ModeAffichage : int { Normale = 0, Segmentee = 4 };

// The three cut axes, in the order of the commands panel.
enum class Axe : int { X = 0, Y = 1, Z = 2 };
inline constexpr int kNbAxes = 3;

// The voxel under pixel (px, py) of a picture of lp x hp pixels that shows the cut of axe at
// voxel index indice of a volume of the given sizes, each picture coordinate scaled by integer
// arithmetic with truncation. A Z picture is largeur x hauteur, an X picture profondeur x
// hauteur (columns along z), a Y picture largeur x profondeur (rows along z).
Coord3D voxelSousPointeur(Axe axe, int indice, int px, int py, int lp, int hp, int largeur,
                          int hauteur, int profondeur);

class Form1 : public QMainWindow {
    Q_OBJECT

public:
    // Client area (below the menu bar, above the status bar) of the window at construction,
    // in pixels.
    static constexpr int largeurClient = 987;
    static constexpr int hauteurClient = 683;
    // The most folders "Récents" keeps.
    static constexpr int kNbRecents = 8;

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // "Ouvrir": asks for a parent folder; once one is confirmed, opens it in place of what is
    // open. A cancelled dialog keeps everything as it was.
    void ouvrir();
    // Opens the parent folder dossier as "Ouvrir" does once the dialog has confirmed it: the
    // first sub-folder (case-insensitive name order) is the volume, every further one a
    // segmentation. The folder is read before what is open is closed. False when nothing was
    // opened (no sub-folder, or a volume folder that gives no volume for want of pictures or
    // of memory, which is reported): the open volume, its view and its mesh then stay. An
    // opened folder heads the recent folders.
    bool ouvrirDossier(const QString& dossier);
    // Opens dossier as ouvrirDossier does, once the window has been shown and painted, so that
    // the user sees the window and the progress bar during the loading.
    void ouvrirQuandVisible(const QString& dossier);
    // "Ouvrir un fichier...": asks for a volume file (NIfTI or TIFF), then for its segmentation
    // files (none when that dialog is cancelled), and opens them as ouvrirFichiers does. A
    // cancelled first dialog keeps everything as it was.
    void ouvrirFichier();
    // Opens fichiers[0] as the volume and every further file as a segmentation (a label file
    // on the volume's grid). Everything is read before what is open is closed: when any file
    // cannot be used, one message says why and the open volume and its mesh stay. False then.
    bool ouvrirFichiers(const QStringList& fichiers);
    // Opens fichiers as ouvrirFichiers does, once the window has been shown and painted.
    void ouvrirFichiersQuandVisible(const QStringList& fichiers);
    // "Fermer".
    void fermer();
    // "Quitter": destroys the view and the volume, closes the window and ends the process
    // with exit status -1.
    [[noreturn]] void quitter();
    // "Exporter le maillage": asks for a file and writes the last extracted mesh to it.
    void exporterMaillage();
    // "Extraire région": the next click on pictureBox1 extracts the region under it. The
    // picture shows a cross-hair and the status bar says what to do until then.
    void armerExtraction();
    // Escape: the click is no longer awaited.
    void desarmerExtraction();
    // "Image Normale" and "Image Segmenté".
    void afficherMode(ModeAffichage mode);
    // "Étiquettes en couleur": segmented textures and pictures give each label a colour.
    void etiquettesEnCouleur(bool couleur);
    // "Faire évoluer le maillage": gives the mesh the grey volume it evolves on (once per
    // mesh), then shows the parameter dialog; each run redraws the view.
    void evoluerMaillage();
    // "Options d'extraction...": shows the options; accepted, they serve the next extractions
    // and exports until the window closes.
    void choisirOptionsExtraction();
    // The recent folders, most recent first.
    QStringList dossiersRecents() const;

    // Replaceable dialogs (tests inject their own). choisirDossier returns the chosen parent
    // folder or an empty text when cancelled; choisirFichierExport the file to write or an
    // empty text; afficherMessage shows one message to the user.
    std::function<QString()> choisirDossier;
    // choisirFichierVolume returns the chosen volume file or an empty text when cancelled;
    // choisirFichiersSegmentation the chosen segmentation files, empty when cancelled.
    std::function<QString()> choisirFichierVolume;
    std::function<QStringList()> choisirFichiersSegmentation;
    std::function<QString()> choisirFichierExport;
    std::function<void(const QString&)> afficherMessage;
    // Shows the evolution dialog (modal by default).
    std::function<void(DialogueEvolution&)> montrerEvolution;
    // Shows the extraction options dialog; returns its QDialog result (modal by default).
    std::function<int(DialogueOptionsExtraction&)> montrerOptionsExtraction;
    // Shows an information box (help, about) with a title and a rich text.
    std::function<void(const QString&, const QString&)> afficherInformation;
    // Runs the extraction that a click starts (directly by default): tests put their own limits
    // around the work of the extraction alone, not around the redraw and the event loop after it.
    std::function<void(const std::function<void()>&)> executerExtraction;

    // Directory of config.txt: the current directory when the window was built.
    std::string chemin;
    std::unique_ptr<CImageTroisD> images3D;
    // Owned; a child of the top panel of splitContainer2 while it exists.
    COpenGL* fenetreOpenGL = nullptr;
    ModeAffichage ChoixAffichage = ModeAffichage::Normale;
    // Growth and smoothing of the next extractions, and the fraction of triangles an export
    // keeps (1: all).
    OptionsExtraction optionsExtraction;
    double tauxDecimation = 1.0;
    // Texture-space position of each cut (before the Y flip given to the view); -1 when off.
    int indX = -1;
    int indY = -1;
    int indZ = -1;
    // The one-shot click handler of pictureBox1 (click position in pixels of the picture);
    // empty while extraction is not armed.
    std::function<void(int x, int y)> Bouge;
    // The axis of the cut pictureBox1 shows; none while it is empty.
    std::optional<Axe> axeImage;

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
    // Slice index of each track bar, beside it.
    QLabel* labelIndiceX = nullptr;
    QLabel* labelIndiceY = nullptr;
    QLabel* labelIndiceZ = nullptr;
    // Permanent part of the status bar: the voxel under the pointer on pictureBox1.
    QLabel* labelVoxel = nullptr;

    QMenu* fichierMenu = nullptr;
    QMenu* traitementMenu = nullptr;
    QMenu* visualisationMenu = nullptr;
    QMenu* aideMenu = nullptr;
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

Q_SIGNALS:
    // An opening by ouvrirDossier, ouvrirFichiers or their QuandVisible forms has ended;
    // ouvert when it opened.
    void ouvertureTerminee(bool ouvert);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
    void dragEnterEvent(QDragEnterEvent* evenement) override;
    void dropEvent(QDropEvent* evenement) override;
    void showEvent(QShowEvent* evenement) override;

private:
    // The controls of one cut axis and the position it shows.
    struct Coupe {
        QCheckBox* coche;
        QSlider* barre;
        QLabel* indice;
        int* ind;
    };

    void construireControles();
    void construireMenus();
    void placerSeparateurs();
    // Runs action once the window is on screen and its first paint is done.
    void quandVisible(const std::function<void()>& action);
    void majRecents();
    void ajouterRecent(const QString& dossier);
    // Takes the view down and resets the commands; then destroys the volume.
    void detruireVue();
    void detruireVolume();
    // Steps of "Ouvrir" after the dialog, on a parent folder.
    bool chargerDossier(const QString& dossier);
    // The volume just loaded into images3D becomes the shown one: textures, track bars, a
    // new view, the commands.
    void installerVolume();
    // Shows the messages gathered during one loading or extraction, as one message.
    void montrerMessages();
    void decocherRadios();
    void coupeChangee(Axe axe, bool cochee);
    void coupeDefilee(Axe axe, int valeur);
    // Texture-space index of voxel slice v along axe.
    int indiceTexture(Axe axe, int v) const;
    void envoyerTexture(Axe axe, int v);
    void majIndice(Axe axe);
    void cameraChangee(QRadioButton* bouton, bool cochee);
    void maillageCoche();
    void cliquerImage(int x, int y);
    void survolerImage(int x, int y);
    void splitterDeplace();
    // pictureBox1 shows the cut of axe at voxel index v.
    void montrerCoupe(Axe axe, int v);
    void preparerTextures(ModeAffichage mode);
    bool couleursActives() const;
    void majExport();
    void redessiner();

    std::array<Coupe, kNbAxes> coupes_{};
    // Voxel index of the cut pictureBox1 shows (along axeImage).
    int indiceImage_ = 0;
    std::unique_ptr<BarreProgressionQt> barre_;
    BoiteMessagesQt messages_;
    // Messages of the volume while a loading runs, shown together at its end.
    QStringList messagesEnAttente_;
    bool regrouperMessages_ = false;
    bool montree_ = false;
    // Grey copy of the volume that the current mesh evolves on; the mesh keeps pointers to it.
    std::unique_ptr<CImage3D> imageEvolution_;
    // The folder of the last volume file chosen, where the next file dialogs start.
    QString dossierFichiers_;
};

} // namespace Stravol
