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

} // namespace

DialoguesFenetre dialoguesParDefaut(QWidget* parent, std::function<QString()> dernierDossier,
                                    std::function<QString()> dossierFichiers) {
    DialoguesFenetre d;
    d.choisirDossier = [parent, dernierDossier = std::move(dernierDossier)]() {
        // A fresh dialog each time, in the last folder opened (the whole file system at first).
        QFileDialog dialogue(parent, "Sélectionner le répertoire de l'image 3D");
        dialogue.setFileMode(QFileDialog::Directory);
        dialogue.setOption(QFileDialog::ShowDirsOnly);
        const QString dernier = dernierDossier ? dernierDossier() : QString();
        dialogue.setDirectory(!dernier.isEmpty() && QFileInfo(dernier).isDir() ? dernier
                                                                               : QDir::rootPath());
        dialogue.setSidebarUrls({QUrl("file:"), QUrl::fromLocalFile(QDir::homePath())});
        if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
            return QString();
        return dialogue.selectedFiles().first();
    };
    d.choisirFichierVolume = [parent, dossierFichiers]() {
        QFileDialog dialogue(parent, "Sélectionner le fichier de l'image 3D");
        dialogue.setFileMode(QFileDialog::ExistingFile);
        dialogue.setNameFilters(kFiltresVolume);
        dialogue.setDirectory(dossierOuAccueil(dossierFichiers ? dossierFichiers() : QString()));
        if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
            return QString();
        return dialogue.selectedFiles().first();
    };
    d.choisirFichiersSegmentation = [parent, dossierFichiers]() {
        QFileDialog dialogue(parent, "Sélectionner les fichiers de segmentation (facultatif)");
        dialogue.setFileMode(QFileDialog::ExistingFiles);
        dialogue.setNameFilters(kFiltresVolume);
        dialogue.setDirectory(dossierOuAccueil(dossierFichiers ? dossierFichiers() : QString()));
        if (dialogue.exec() != QDialog::Accepted)
            return QStringList();
        return dialogue.selectedFiles();
    };
    d.choisirTableEtiquettes = [parent, dossierFichiers]() {
        QFileDialog dialogue(parent, "Ouvrir une table d'étiquettes");
        dialogue.setFileMode(QFileDialog::ExistingFile);
        dialogue.setNameFilters(kFiltresTable);
        dialogue.setDirectory(dossierOuAccueil(dossierFichiers ? dossierFichiers() : QString()));
        if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
            return QString();
        return dialogue.selectedFiles().first();
    };
    d.choisirFichierExport = [parent]() {
        QFileDialog dialogue(parent, "Exporter le maillage");
        dialogue.setAcceptMode(QFileDialog::AcceptSave);
        const QStringList filtres{"STL (*.stl)", "OBJ (*.obj)", "PLY (*.ply)"};
        dialogue.setNameFilters(filtres);
        suffixeDuFiltre(dialogue, "stl");
        if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
            return QString();
        return dialogue.selectedFiles().first();
    };
    d.choisirFichierScene = [parent]() {
        QFileDialog dialogue(parent, "Exporter la scène");
        dialogue.setAcceptMode(QFileDialog::AcceptSave);
        dialogue.setNameFilters({"glTF binaire (*.glb)", "OBJ (*.obj)", "PLY (*.ply)"});
        suffixeDuFiltre(dialogue, "glb");
        if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
            return QString();
        return dialogue.selectedFiles().first();
    };
    d.choisirImageVue = [parent](const QSize& vue) {
        QFileDialog dialogue(parent, "Enregistrer l'image de la vue");
        dialogue.setAcceptMode(QFileDialog::AcceptSave);
        dialogue.setNameFilters({"PNG (*.png)"});
        dialogue.setDefaultSuffix("png");
        // The size is chosen in the dialog itself, below the file name.
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
    };
    d.montrerEvolution = [](DialogueEvolution& dialogue) { dialogue.exec(); };
    d.montrerOptionsExtraction = [](DialogueOptionsExtraction& dialogue) {
        return dialogue.exec();
    };
    d.afficherMessage = [parent](const QString& texte) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        QMessageBox boite(QMessageBox::Warning, "Stravol", texte, QMessageBox::Ok, parent);
        // A long list (one line per bad file) shows its first line, the rest as details.
        const QStringList lignes = texte.split('\n');
        if (lignes.size() > kLignesMessage) {
            boite.setText(lignes.first());
            boite.setDetailedText(lignes.mid(1).join('\n'));
        }
        boite.exec();
        QApplication::restoreOverrideCursor();
    };
    d.afficherInformation = [parent](const QString& titre, const QString& texte) {
        QMessageBox::about(parent, titre, texte);
    };
    return d;
}

} // namespace Stravol
