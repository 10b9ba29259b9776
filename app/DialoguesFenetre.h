#pragma once
// The dialogs through which the main window asks or tells the user something, each replaceable
// (the window tests answer them from code).

#include <QString>
#include <QStringList>

#include <functional>

class QSize;
class QWidget;

namespace Stravol {

class DialogueEvolution;
class DialogueOptionsExtraction;

// The file and the size chosen for a picture of the 3D view.
struct ChoixImageVue {
    QString fichier; // empty when cancelled
    int facteur = 1; // the view's size times this
};

struct DialoguesFenetre {
    // The chosen parent folder; empty when cancelled.
    std::function<QString()> choisirDossier;
    // The chosen volume file; empty when cancelled.
    std::function<QString()> choisirFichierVolume;
    // The chosen segmentation files; empty when cancelled.
    std::function<QStringList()> choisirFichiersSegmentation;
    // The chosen label table file; empty when cancelled.
    std::function<QString()> choisirTableEtiquettes;
    // The file to write the mesh to; empty when cancelled.
    std::function<QString()> choisirFichierExport;
    // The file to write the scene of the label meshes to (.glb, .obj or .ply); empty when
    // cancelled.
    std::function<QString()> choisirFichierScene;
    // The PNG file and the size of a picture of the 3D view, whose size is given.
    std::function<ChoixImageVue(const QSize& tailleVue)> choisirImageVue;
    // Shows one message (a warning) to the user.
    std::function<void(const QString&)> afficherMessage;
    // Shows the evolution dialog (modal by default).
    std::function<void(DialogueEvolution&)> montrerEvolution;
    // Shows the extraction options dialog; returns its QDialog result (modal by default).
    std::function<int(DialogueOptionsExtraction&)> montrerOptionsExtraction;
    // Shows an information box (help, about) with a title and a rich text.
    std::function<void(const QString& titre, const QString& texte)> afficherInformation;
};

// The toolkit's dialogs and message boxes over parent. The folder dialog opens in
// dernierDossier() when it is a folder (else at the root of the file system), the file dialogs
// in dossierFichiers() (empty: the home folder).
DialoguesFenetre dialoguesParDefaut(QWidget* parent, std::function<QString()> dernierDossier,
                                    std::function<QString()> dossierFichiers);

} // namespace Stravol
