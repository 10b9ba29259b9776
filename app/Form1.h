#pragma once
// The main window: it lays out the 3D view, the commands panel, the picture of the current cut,
// the loading progress bar and the status bar, and wires its parts: the cut panel
// (PanneauCoupes), the extraction controller (ControleurExtraction), file opening
// (OuvertureVolume) and the menus (MenusFenetre). It owns the open volume and its view. Every
// control carries its name as its objectName.

#include "app/DialoguesFenetre.h"
#include "app/PuitsQt.h"
#include "app/VolumeOuvert.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

class QDragEnterEvent;
class QDropEvent;
class QFrame;
class QLabel;
class QProgressBar;
class QShowEvent;
class QSplitter;

namespace Stravol {

class ControleurExtraction;
class ExtractionEtiquettes;
class MenusFenetre;
class OuvertureVolume;
class PanneauCoupes;
class PanneauEtiquettes;

class Form1 : public QMainWindow {
    Q_OBJECT

public:
    // Client area (below the menu bar, above the status bar) of the window at construction,
    // in pixels.
    static constexpr int largeurClient = 987;
    static constexpr int hauteurClient = 683;

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Openings as OuvertureVolume does them (an opened folder heads the recent folders).
    bool ouvrirDossier(const QString& dossier);
    void ouvrirQuandVisible(const QString& dossier);
    bool ouvrirFichiers(const QStringList& fichiers);
    void ouvrirFichiersQuandVisible(const QStringList& fichiers);
    // "Fermer".
    void fermer();
    // "Quitter": destroys the view and the volume, closes the window and ends the process
    // with exit status -1.
    [[noreturn]] void quitter();
    // The recent folders, most recent first.
    QStringList dossiersRecents() const;

    // The dialogs, replaceable (tests answer them from code).
    DialoguesFenetre& dialogues() { return dialogues_; }
    // The open volume and its view; null while none is open.
    CImageTroisD* volume() const { return ouvert_.images3D.get(); }
    COpenGL* vue() const { return ouvert_.fenetreOpenGL; }
    PanneauCoupes& coupes() { return *coupes_; }
    ControleurExtraction& extraction() { return *extraction_; }
    ExtractionEtiquettes& etiquettes() { return *etiquettes_; }
    PanneauEtiquettes& panneauEtiquettes() { return *panneauEtiquettes_; }

    // Directory of config.txt: the current directory when the window was built.
    const std::string chemin;

Q_SIGNALS:
    // An opening by ouvrirDossier, ouvrirFichiers or their QuandVisible forms has ended;
    // ouvert when it opened.
    void ouvertureTerminee(bool ouvert);

protected:
    void dragEnterEvent(QDragEnterEvent* evenement) override;
    void dropEvent(QDropEvent* evenement) override;
    void showEvent(QShowEvent* evenement) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void construireControles();
    void construireParties();
    void connecterParties();
    void installerCrochets();
    void placerSeparateurs();
    // The volume read by an opening replaces the open one: the old view and volume go, the
    // new volume gets its textures, its view and the commands; the title names what was opened.
    void remplacerVolume(std::unique_ptr<CImageTroisD> nouveau, const QString& nom);
    // The loading row and the room of the cut picture, for the commands panel's size.
    void placerBasCommandes();
    // Takes the view down and resets the commands; then destroys the volume.
    void detruireVue();
    // "Ouvrir une table d'étiquettes...": the names and colours of the open volume's labels
    // from a table file; the cuts, the label panel and its meshes take them.
    void ouvrirTableEtiquettes();
    void detruireVolume();
    void splitterDeplace();
    // The label meshes changed: the panel and the menus follow, and the panel shows itself
    // with new meshes.
    void sceneChangee();
    // The label panel shown for the first time: the window grows by its width, so that the
    // view and the commands keep their room.
    void panneauEtiquettesMontre(bool visible);

    VolumeOuvert ouvert_;
    DialoguesFenetre dialogues_;
    QSplitter* splitContainer1 = nullptr;
    QSplitter* splitContainer2 = nullptr;
    QSplitter* splitContainer3 = nullptr;
    QFrame* panneauVue_ = nullptr;       // top panel of splitContainer2, hosts the view
    QFrame* panneauCommandes_ = nullptr; // right panel of splitContainer1
    QLabel* labelChargement_ = nullptr;
    QProgressBar* progressBar1 = nullptr;
    // Permanent part of the status bar: the voxel under the pointer on the cut picture.
    QLabel* labelVoxel = nullptr;
    std::unique_ptr<BarreProgressionQt> barre_;
    PanneauCoupes* coupes_ = nullptr;
    ControleurExtraction* extraction_ = nullptr;
    OuvertureVolume* ouverture_ = nullptr;
    MenusFenetre* menus_ = nullptr;
    ExtractionEtiquettes* etiquettes_ = nullptr;
    PanneauEtiquettes* panneauEtiquettes_ = nullptr;
    bool montree_ = false;
    bool panneauDejaMontre_ = false;
};

} // namespace Stravol
