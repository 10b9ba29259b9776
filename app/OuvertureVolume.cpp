#include "app/OuvertureVolume.h"

#include "app/DialoguesFenetre.h"
#include "app/UtilitairesQt.h"

#include "extraction/Ouverture.h"
#include "extraction/TableDesEtiquettes.h"
#include "volume/CImageTroisD.h"
#include "volume/LecteursVolume.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace Stravol {

namespace {

// Runs an action once, at the first exposure of the window it filters.
class AttenteExposition : public QObject {
public:
    AttenteExposition(QObject* proprietaire, std::function<void()> action)
        : QObject(proprietaire), action_(std::move(action)) {}

    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (evenement->type() == QEvent::Expose && static_cast<QWindow*>(objet)->isExposed() &&
            action_) {
            objet->removeEventFilter(this);
            std::exchange(action_, {})();
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> action_;
};

// What "Ouvrir" and "Ouvrir un fichier..." expect, told with every refusal.
const QString kDossierAttendu =
    "Choisissez le dossier parent d'un volume : son premier sous-dossier contient les images "
    "des coupes, les suivants ses segmentations. Un dossier de fichiers DICOM s'ouvre aussi.";
const QString kFichierAttendu =
    "Choisissez un volume NIfTI, TIFF, NRRD, MGH ou DICOM, puis ses fichiers d'étiquettes sur la "
    "même grille.";

// The local paths of the things dropped (empty when one is not a local file).
QStringList cheminsDeposes(const QMimeData* donnees) {
    if (donnees == nullptr || !donnees->hasUrls())
        return {};
    QStringList chemins;
    for (const QUrl& url : donnees->urls()) {
        if (!url.isLocalFile())
            return {};
        chemins.append(url.toLocalFile());
    }
    return chemins;
}

} // namespace

OuvertureVolume::OuvertureVolume(QWidget& fenetre, std::string chemin, ProgressSink& barre,
                                 DialoguesFenetre& dialogues, Installation installer)
    : QObject(&fenetre), fenetre_(fenetre), chemin_(std::move(chemin)), barre_(barre),
      dialogues_(dialogues), installer_(std::move(installer)),
      messages_([this](const std::string& texte) {
          const QString message = QString::fromUtf8(texte.c_str()).trimmed();
          if (regrouperMessages_)
              messagesEnAttente_.append(message);
          else if (dialogues_.afficherMessage)
              dialogues_.afficherMessage(message);
      }) {}

void OuvertureVolume::ouvrir() {
    const QString dossier = dialogues_.choisirDossier ? dialogues_.choisirDossier() : QString();
    if (dossier.isEmpty())
        return;
    ouvrirDossier(dossier);
}

bool OuvertureVolume::ouvrirDossier(const QString& dossier) {
    degagerFenetre();
    const bool ouvert = chargerDossier(dossier);
    if (ouvert)
        Q_EMIT dossierOuvert(dossier);
    Q_EMIT ouvertureTerminee(ouvert);
    return ouvert;
}

void OuvertureVolume::ouvrirQuandVisible(const QString& dossier) {
    quandVisible([this, dossier] { ouvrirDossier(dossier); });
}

void OuvertureVolume::degagerFenetre() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    fenetre_.repaint();
}

void OuvertureVolume::quandVisible(const std::function<void()>& action) {
    fenetre_.winId();
    QWindow* fenetre = fenetre_.windowHandle();
    if (!fenetre->isExposed()) {
        fenetre->installEventFilter(
            new AttenteExposition(this, [this, action] { quandVisible(action); }));
        return;
    }
    // Exposed now: the first paint runs at this exposure, the action just after it, once the
    // window is still on screen then.
    QTimer::singleShot(0, this, [this, action] {
        if (fenetre_.windowHandle()->isExposed())
            action();
        else
            quandVisible(action);
    });
}

void OuvertureVolume::montrerMessages() {
    regrouperMessages_ = false;
    QStringList messages;
    messages.swap(messagesEnAttente_);
    if (messages.isEmpty() || !dialogues_.afficherMessage)
        return;
    if (messages.size() == 1) {
        dialogues_.afficherMessage(messages.first());
        return;
    }
    dialogues_.afficherMessage(
        QString("%1 problèmes pendant le chargement :\n").arg(messages.size()) +
        messages.join('\n'));
}

bool OuvertureVolume::chargerDossier(const QString& dossier) {
    if (!dossierOuvrable(dossier))
        return false;
    // One message at the end for everything the volume reports while it loads.
    regrouperMessages_ = true;
    bool ouvert = false;
    {
        CurseurAttente attente;
        std::unique_ptr<CImageTroisD> nouveau = lireDossier(dossier);
        ouvert = nouveau != nullptr;
        if (ouvert)
            installer_(std::move(nouveau), QDir(QFileInfo(dossier).absoluteFilePath()).dirName());
    }
    barre_.setValue(0);
    montrerMessages();
    return ouvert;
}

bool OuvertureVolume::dossierOuvrable(const QString& dossier) {
    std::string raison;
    const NatureEntree nature = natureEntree(cheminLocal(dossier), &raison);
    QString refus;
    switch (nature) {
    case NatureEntree::DossierParent:
    case NatureEntree::SerieDicom:
        return true;
    case NatureEntree::Absente:
        refus = "Le dossier \"" + dossier + "\" n'existe pas.";
        break;
    case NatureEntree::Fichier:
        refus = "\"" + dossier + "\" est un fichier, pas un dossier.";
        break;
    case NatureEntree::Illisible:
        refus = "Le dossier \"" + dossier +
                "\" ne peut pas être lu : " + QString::fromStdString(raison) + ".";
        break;
    case NatureEntree::SansVolume:
        refus = "Le dossier \"" + dossier + "\" ne contient ni sous-dossier ni image de coupe.";
        break;
    case NatureEntree::DossierDeCoupes:
        refus = "Le dossier \"" + dossier +
                "\" contient les images des coupes elles-mêmes : ouvrez le dossier qui le "
                "contient, \"" +
                QFileInfo(dossier).absolutePath() + "\".";
        break;
    }
    if (dialogues_.afficherMessage)
        dialogues_.afficherMessage(refus + "\n\n" + kDossierAttendu);
    return false;
}

std::unique_ptr<CImageTroisD> OuvertureVolume::lireDossier(const QString& dossier) {
    // The volume and its segmentations are read aside: a volume folder that gives no volume,
    // for want of pictures or of memory, keeps what is open.
    const std::string chemin = cheminLocal(dossier);
    const qsizetype signales = messagesEnAttente_.size();
    Resultat<std::unique_ptr<CImageTroisD>> lu =
        ouvrirEntree(DemandeOuverture{chemin, {}, {}, {}}, chemin_, suivi());
    if (lu)
        return garder(std::move(lu.valeur()));
    // A volume folder without any picture gives sizes 0 and says nothing itself.
    if (messagesEnAttente_.size() == signales) {
        const Resultat<std::vector<std::string>> sous = dossiersEntree(chemin);
        const QString dossierVolume =
            sous ? QString::fromStdString(sous.valeur().front()) : dossier;
        messagesEnAttente_.append("Aucune image n'a été trouvée dans le répertoire \"" +
                                  dossierVolume + "\".");
    }
    return nullptr;
}

SuiviOuverture OuvertureVolume::suivi() {
    SuiviOuverture s;
    s.barre = &barre_;
    s.messages = &messages_;
    return s;
}

std::unique_ptr<CImageTroisD> OuvertureVolume::garder(std::unique_ptr<CImageTroisD> volume) {
    // The volume goes on reporting to the window (extractions).
    volume->fenetre = &messages_;
    return volume;
}

void OuvertureVolume::ouvrirFichier() {
    const QString volume =
        dialogues_.choisirFichierVolume ? dialogues_.choisirFichierVolume() : QString();
    if (volume.isEmpty())
        return;
    dossierFichiers_ = QFileInfo(volume).absolutePath();
    QStringList fichiers{volume};
    if (dialogues_.choisirFichiersSegmentation)
        fichiers += dialogues_.choisirFichiersSegmentation();
    ouvrirFichiers(fichiers);
}

bool OuvertureVolume::ouvrirFichiers(const QStringList& fichiers) {
    if (fichiers.isEmpty())
        return false;
    for (const QString& f : fichiers)
        if (!QFileInfo(f).isFile()) {
            if (dialogues_.afficherMessage)
                dialogues_.afficherMessage((QFileInfo::exists(f)
                                                ? "\"" + f + "\" n'est pas un fichier."
                                                : "Le fichier \"" + f + "\" n'existe pas.") +
                                           "\n\n" + kFichierAttendu);
            Q_EMIT ouvertureTerminee(false);
            return false;
        }
    degagerFenetre();
    // Everything is read aside first: a file that cannot be used changes nothing.
    regrouperMessages_ = true;
    std::unique_ptr<CImageTroisD> nouveau = lireFichiers(fichiers);
    const bool ouvert = nouveau != nullptr;
    if (ouvert) {
        CurseurAttente attente;
        installer_(std::move(nouveau), QFileInfo(fichiers.first()).fileName());
    }
    barre_.setValue(0);
    montrerMessages();
    if (ouvert)
        Q_EMIT fichiersOuverts(fichiers);
    Q_EMIT ouvertureTerminee(ouvert);
    return ouvert;
}

std::unique_ptr<CImageTroisD> OuvertureVolume::lireFichiers(const QStringList& fichiers) {
    CurseurAttente attente;
    DemandeOuverture demande;
    demande.entree = cheminLocal(fichiers.first());
    for (qsizetype i = 1; i < fichiers.size(); ++i)
        demande.segmentations.push_back(cheminLocal(fichiers[i]));
    Resultat<std::unique_ptr<CImageTroisD>> lu = ouvrirEntree(demande, chemin_, suivi());
    if (!lu) {
        if (messagesEnAttente_.isEmpty())
            messagesEnAttente_.append("Le fichier \"" + fichiers.first() +
                                      "\" n'a pas pu être ouvert.");
        return nullptr;
    }
    std::unique_ptr<CImageTroisD> nouveau = garder(std::move(lu.valeur()));
    // The names and colours of the labels: the table beside the last label file, else the
    // file's own.
    const std::string etiquettes = fichierEtiquettes(demande);
    if (!demande.segmentations.empty() && !etiquettes.empty()) {
        Resultat<TableChoisie> table = choisirTableEtiquettes("", etiquettes);
        if (table) {
            if (!table.valeur().remarque.empty())
                messagesEnAttente_.append(QString::fromStdString(table.valeur().remarque));
            if (!table.valeur().table.vide())
                nouveau->definirTableEtiquettes(std::move(table.valeur().table));
        }
    }
    return nouveau;
}

void OuvertureVolume::ouvrirFichiersQuandVisible(const QStringList& fichiers) {
    quandVisible([this, fichiers] { ouvrirFichiers(fichiers); });
}

bool OuvertureVolume::ouvrirTable(CImageTroisD& volume) {
    const QString fichier =
        dialogues_.choisirTableEtiquettes ? dialogues_.choisirTableEtiquettes() : QString();
    if (fichier.isEmpty())
        return false;
    Resultat<TableChoisie> lue = choisirTableEtiquettes(cheminLocal(fichier), std::string());
    if (!lue) {
        if (dialogues_.afficherMessage)
            dialogues_.afficherMessage(
                "La table d'étiquettes \"" + fichier +
                "\" n'a pas été lue : " + QString::fromStdString(lue.raison()));
        return false;
    }
    volume.definirTableEtiquettes(std::move(lue.valeur().table));
    return true;
}

bool OuvertureVolume::depotOuvrable(const QMimeData* donnees) {
    const QStringList chemins = cheminsDeposes(donnees);
    if (chemins.isEmpty())
        return false;
    if (QFileInfo(chemins.first()).isDir())
        return chemins.size() == 1;
    return std::all_of(chemins.begin(), chemins.end(),
                       [](const QString& c) { return QFileInfo(c).isFile(); }) &&
           formatParContenu(cheminLocal(chemins.first())) != FormatVolume::Inconnu;
}

void OuvertureVolume::deposer(const QMimeData* donnees) {
    const QStringList chemins = cheminsDeposes(donnees);
    if (chemins.isEmpty())
        return;
    if (QFileInfo(chemins.first()).isDir())
        ouvrirDossier(chemins.first());
    else
        ouvrirFichiers(chemins);
}

} // namespace Stravol
