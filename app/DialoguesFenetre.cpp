#include "app/DialoguesFenetre.h"

#include "app/DialogueEvolution.h"
#include "app/DialogueOptionsExtraction.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include <utility>

namespace Stravol {

namespace {

// A message of more lines than this shows its first line and the rest as details.
constexpr int kLignesMessage = 12;

// Name filters of the volume file dialogs (the files are recognised by content).
const QStringList kFiltresVolume{"Volumes NIfTI ou TIFF (*.nii *.nii.gz *.tif *.tiff)",
                                 "Tous les fichiers (*)"};

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
    d.choisirFichierExport = [parent]() {
        QFileDialog dialogue(parent, "Exporter le maillage");
        dialogue.setAcceptMode(QFileDialog::AcceptSave);
        const QStringList filtres{"STL (*.stl)", "OBJ (*.obj)", "PLY (*.ply)"};
        dialogue.setNameFilters(filtres);
        dialogue.setDefaultSuffix("stl");
        QObject::connect(&dialogue, &QFileDialog::filterSelected, &dialogue,
                         [&dialogue](const QString& filtre) {
                             dialogue.setDefaultSuffix(filtre.section("*.", 1).section(')', 0, 0));
                         });
        if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
            return QString();
        return dialogue.selectedFiles().first();
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
