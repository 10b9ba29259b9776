#include "app/DialoguesFenetre.h"

#include "app/DialogueEvolution.h"
#include "app/DialogueOptionsExtraction.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSize>
#include <QUrl>

#include <utility>

namespace Stravol {

namespace {

// A message of more lines than this shows its first line and the rest as details.
constexpr int kLignesMessage = 12;

// Name filters of the volume file dialogs (the files are recognised by content).
const QStringList kFiltresVolume{
    "Volumes (*.nii *.nii.gz *.tif *.tiff *.nrrd *.nhdr *.mgh *.mgz *.dcm)",
    "Tous les fichiers (*)"};
// Name filters of the label table dialog (the tables too are recognised by content).
const QStringList kFiltresTable{"Tables d'étiquettes (*.txt *.csv *.ctbl *.lut *.label *.seg.nrrd)",
                                "Tous les fichiers (*)"};

// The default suffix follows the filter chosen ("OBJ (*.obj)" gives "obj").
void suffixeDuFiltre(QFileDialog& dialogue, const QString& premier) {
    dialogue.setDefaultSuffix(premier);
    QObject::connect(&dialogue, &QFileDialog::filterSelected, &dialogue,
                     [&dialogue](const QString& filtre) {
                         dialogue.setDefaultSuffix(filtre.section("*.", 1).section(')', 0, 0));
                     });
}

QString dossierOuAccueil(const QString& dossier) {
    return dossier.isEmpty() ? QDir::homePath() : dossier;
}

// An existing file to open, chosen in dossier (the home folder when empty); empty when
// cancelled.
QString fichierAOuvrir(QWidget* parent, const QString& titre, const QStringList& filtres,
                       const QString& dossier) {
    QFileDialog dialogue(parent, titre);
    dialogue.setFileMode(QFileDialog::ExistingFile);
    dialogue.setNameFilters(filtres);
    dialogue.setDirectory(dossierOuAccueil(dossier));
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
        return QString();
    return dialogue.selectedFiles().first();
}

// A file to write, its suffix following the filter chosen (suffixe at first); empty when
// cancelled.
QString fichierAEcrire(QWidget* parent, const QString& titre, const QStringList& filtres,
                       const QString& suffixe) {
    QFileDialog dialogue(parent, titre);
    dialogue.setAcceptMode(QFileDialog::AcceptSave);
    dialogue.setNameFilters(filtres);
    suffixeDuFiltre(dialogue, suffixe);
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
        return QString();
    return dialogue.selectedFiles().first();
}

// A fresh dialog each time, in the last folder opened (the whole file system at first).
QString dossierAOuvrir(QWidget* parent, const QString& dernier) {
    QFileDialog dialogue(parent, "Sélectionner le répertoire de l'image 3D");
    dialogue.setFileMode(QFileDialog::Directory);
    dialogue.setOption(QFileDialog::ShowDirsOnly);
    dialogue.setDirectory(!dernier.isEmpty() && QFileInfo(dernier).isDir() ? dernier
                                                                           : QDir::rootPath());
    dialogue.setSidebarUrls({QUrl("file:"), QUrl::fromLocalFile(QDir::homePath())});
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
        return QString();
    return dialogue.selectedFiles().first();
}

// The PNG file of a picture of the view, whose size (vue, or twice it) is chosen in the dialog
// itself, below the file name.
ChoixImageVue imageVueAEcrire(QWidget* parent, const QSize& vue) {
    QFileDialog dialogue(parent, "Enregistrer l'image de la vue");
    dialogue.setAcceptMode(QFileDialog::AcceptSave);
    dialogue.setNameFilters({"PNG (*.png)"});
    dialogue.setDefaultSuffix("png");
    dialogue.setOption(QFileDialog::DontUseNativeDialog);
    auto* taille = new QComboBox(&dialogue);
    taille->setObjectName("tailleImageVue");
    for (int facteur : {1, 2})
        taille->addItem(
            QString("%1 x %2 pixels").arg(facteur * vue.width()).arg(facteur * vue.height()),
            facteur);
    if (auto* grille = qobject_cast<QGridLayout*>(dialogue.layout())) {
        const int ligne = grille->rowCount();
        grille->addWidget(new QLabel("Taille :", &dialogue), ligne, 0);
        grille->addWidget(taille, ligne, 1);
    }
    ChoixImageVue choix;
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
        return choix;
    choix.fichier = dialogue.selectedFiles().first();
    choix.facteur = taille->currentData().toInt();
    return choix;
}

// A warning; a long list (one line per bad file) shows its first line, the rest as details.
void avertir(QWidget* parent, const QString& texte) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox boite(QMessageBox::Warning, "Stravol", texte, QMessageBox::Ok, parent);
    const QStringList lignes = texte.split('\n');
    if (lignes.size() > kLignesMessage) {
        boite.setText(lignes.first());
        boite.setDetailedText(lignes.mid(1).join('\n'));
    }
    boite.exec();
    QApplication::restoreOverrideCursor();
}

} // namespace

DialoguesFenetre dialoguesParDefaut(QWidget* parent, std::function<QString()> dernierDossier,
                                    std::function<QString()> dossierFichiers) {
    DialoguesFenetre d;
    const auto dossier = [dossierFichiers = std::move(dossierFichiers)] {
        return dossierFichiers ? dossierFichiers() : QString();
    };
    d.choisirDossier = [parent, dernierDossier = std::move(dernierDossier)] {
        return dossierAOuvrir(parent, dernierDossier ? dernierDossier() : QString());
    };
    d.choisirFichierVolume = [parent, dossier] {
        return fichierAOuvrir(parent, "Sélectionner le fichier de l'image 3D", kFiltresVolume,
                              dossier());
    };
    d.choisirFichiersSegmentation = [parent, dossier] {
        QFileDialog dialogue(parent, "Sélectionner les fichiers de segmentation (facultatif)");
        dialogue.setFileMode(QFileDialog::ExistingFiles);
        dialogue.setNameFilters(kFiltresVolume);
        dialogue.setDirectory(dossierOuAccueil(dossier()));
        if (dialogue.exec() != QDialog::Accepted)
            return QStringList();
        return dialogue.selectedFiles();
    };
    d.choisirTableEtiquettes = [parent, dossier] {
        return fichierAOuvrir(parent, "Ouvrir une table d'étiquettes", kFiltresTable, dossier());
    };
    d.choisirFichierExport = [parent] {
        return fichierAEcrire(parent, "Exporter le maillage",
                              {"STL (*.stl)", "OBJ (*.obj)", "PLY (*.ply)"}, "stl");
    };
    d.choisirFichierScene = [parent] {
        return fichierAEcrire(parent, "Exporter la scène",
                              {"glTF binaire (*.glb)", "OBJ (*.obj)", "PLY (*.ply)"}, "glb");
    };
    d.choisirImageVue = [parent](const QSize& vue) { return imageVueAEcrire(parent, vue); };
    d.montrerEvolution = [](DialogueEvolution& dialogue) { dialogue.exec(); };
    d.montrerOptionsExtraction = [](DialogueOptionsExtraction& dialogue) {
        return dialogue.exec();
    };
    d.afficherMessage = [parent](const QString& texte) { avertir(parent, texte); };
    d.afficherInformation = [parent](const QString& titre, const QString& texte) {
        QMessageBox::about(parent, titre, texte);
    };
    return d;
}

} // namespace Stravol
