#pragma once
// File opening of the main window: a parent folder ("Ouvrir", a recent folder, a folder given
// on the command line or dropped) or volume files with their segmentations ("Ouvrir un
// fichier...", files given or dropped). Everything is read aside first: what cannot be used
// keeps what is open; what can is handed to the window, which shows it.

#include "app/PuitsQt.h"
#include "extraction/Ouverture.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>

class QMimeData;
class QWidget;

namespace Stravol {

class CImageTroisD;
struct DialoguesFenetre;

class OuvertureVolume : public QObject {
    Q_OBJECT

public:
    // Receives each volume read, with its segmentations, to show in place of the open one, and
    // the name of what was opened (the parent folder's or the volume file's).
    using Installation = std::function<void(std::unique_ptr<CImageTroisD>, const QString& nom)>;

    // fenetre: the main window (shown and painted before a loading); chemin: the directory of
    // config.txt; barre: the progress of the loadings.
    OuvertureVolume(QWidget& fenetre, std::string chemin, ProgressSink& barre,
                    DialoguesFenetre& dialogues, Installation installer);

    // "Ouvrir": asks for a parent folder; once one is confirmed, opens it in place of what is
    // open. A cancelled dialog keeps everything as it was.
    void ouvrir();
    // Opens the parent folder dossier as "Ouvrir" does once the dialog has confirmed it: the
    // first sub-folder (case-insensitive name order) is the volume, every further one a
    // segmentation. The folder is read before what is open is closed. False when nothing was
    // opened (a path that is no parent folder, or a volume folder that gives no volume for want
    // of pictures or of memory): the user is told why, and the open volume, its view and its
    // mesh stay.
    bool ouvrirDossier(const QString& dossier);
    // Opens dossier as ouvrirDossier does, once the window has been shown and painted, so that
    // the user sees the window and the progress bar during the loading.
    void ouvrirQuandVisible(const QString& dossier);
    // "Ouvrir un fichier...": asks for a volume file (NIfTI or TIFF), then for its segmentation
    // files (none when that dialog is cancelled), and opens them as ouvrirFichiers does. A
    // cancelled first dialog keeps everything as it was.
    void ouvrirFichier();
    // Opens fichiers[0] as the volume and every further file as a segmentation (a label file
    // on the volume's grid), the names and colours of its labels from the table beside the
    // last one. Everything is read before what is open is closed: when any file cannot be used
    // (or is missing), one message says why and the open volume and its mesh stay. False then.
    bool ouvrirFichiers(const QStringList& fichiers);
    // Opens fichiers as ouvrirFichiers does, once the window has been shown and painted.
    void ouvrirFichiersQuandVisible(const QStringList& fichiers);

    // "Ouvrir une table d'étiquettes...": asks for a label table file and gives its names and
    // colours to volume. A table that cannot be read (the message names the file and the line)
    // changes nothing. True when volume has the new table.
    bool ouvrirTable(CImageTroisD& volume);

    // Whether donnees, dragged over the window, can be opened: a folder alone, or files whose
    // first is a volume file by its content.
    static bool depotOuvrable(const QMimeData* donnees);
    // Opens what was dropped: a folder as "Ouvrir" opens a confirmed folder, files as "Ouvrir
    // un fichier..." opens them, the first the volume, the others its segmentations.
    void deposer(const QMimeData* donnees);

    // The folder of the last volume file chosen, where the next file dialogs start.
    QString dossierFichiers() const { return dossierFichiers_; }
    // The window's message sink: the volumes it opens report through it, and so may others
    // (the view).
    MessageSink& messages() { return messages_; }

Q_SIGNALS:
    // The parent folder dossier was opened (before ouvertureTerminee).
    void dossierOuvert(const QString& dossier);
    // The volume file fichiers[0] was opened with its label files (before ouvertureTerminee).
    void fichiersOuverts(const QStringList& fichiers);
    // An opening by ouvrirDossier, ouvrirFichiers or their QuandVisible forms has ended;
    // ouvert when it opened.
    void ouvertureTerminee(bool ouvert);

private:
    // Steps of "Ouvrir" after the dialog, on a parent folder.
    bool chargerDossier(const QString& dossier);
    // Whether dossier is a parent folder; otherwise the user is told what was expected.
    bool dossierOuvrable(const QString& dossier);
    // The volume and segmentations of the parent folder's sub-folders; null when the volume
    // folder gives no volume (the reason is among the messages).
    std::unique_ptr<CImageTroisD> lireDossier(const QString& dossier);
    // The volume file and its label files, with the table of names beside the last one.
    std::unique_ptr<CImageTroisD> lireFichiers(const QStringList& fichiers);
    // Where a loading reports: the progress bar and the window's messages.
    SuiviOuverture suivi();
    // A volume read goes on reporting to the window.
    std::unique_ptr<CImageTroisD> garder(std::unique_ptr<CImageTroisD> volume);
    // Runs action once the window is on screen and its first paint is done.
    void quandVisible(const std::function<void()>& action);
    // Whatever covered the window (a dialog) is gone from the screen before a loading.
    void degagerFenetre();
    // Shows the messages gathered during one loading, as one message.
    void montrerMessages();

    QWidget& fenetre_;
    std::string chemin_;
    ProgressSink& barre_;
    DialoguesFenetre& dialogues_;
    Installation installer_;
    // The volume's messages: gathered while a loading runs and shown together at its end,
    // shown one by one otherwise (the volume keeps reporting through it, e.g. extractions).
    BoiteMessagesQt messages_;
    QStringList messagesEnAttente_;
    bool regrouperMessages_ = false;
    QString dossierFichiers_;
};

} // namespace Stravol
