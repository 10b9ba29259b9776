#pragma once
// Opening what the user names, for the window and the tools alike: a parent folder, whose first
// sub-folder (by name, letter case ignored) is the volume and whose further sub-folders are its
// segmentations, a folder of DICOM files, or a volume file; then label files on the volume's
// grid.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "extraction/Resultat.h"
#include "volume/CImageTroisD.h"

namespace Stravol {

struct DemandeOuverture {
    std::string entree; // a parent folder or a volume file
    std::vector<std::string> segmentations;
    OptionsVolume options; // grey window and spacing of a volume file
    // Replaces the spacing of whatever is opened (folder or file).
    std::optional<std::array<double, 3>> espacement;
};

// Where the opening reports: the progress bar of each stage, the stage names ("load",
// "segmentation"), and the remarks and failures the loaders tell the user. Each may be empty.
struct SuiviOuverture {
    ProgressSink* barre = nullptr;
    std::function<void(const std::string& etape)> debutEtape;
    std::function<void()> finEtape;
    MessageSink* messages = nullptr;
};

// What a path named to be opened holds, before anything is read.
enum class NatureEntree {
    Absente,         // nothing there
    Illisible,       // a folder that cannot be listed
    SansVolume,      // a folder with neither sub-folder nor slice picture
    DossierDeCoupes, // slice pictures without sub-folder: a volume folder, not its parent
    DossierParent,   // a folder with sub-folders: the volume and its segmentations
    SerieDicom,      // a folder of DICOM files without sub-folder: the volume alone
    Fichier,         // a file (a volume file or not: its content tells)
};
// raison receives the system's reason when the folder cannot be listed.
NatureEntree natureEntree(const std::string& chemin, std::string* raison = nullptr);

// The sub-folders of a parent folder in loading order: the volume first, then its
// segmentations. An error when the folder cannot be listed or holds none.
Resultat<std::vector<std::string>> sousDossiersVolume(const std::string& dossier);
// The folders an opened folder gives in loading order: a DICOM series' own folder alone (the
// volume), else the parent folder's sub-folders (sousDossiersVolume).
Resultat<std::vector<std::string>> dossiersEntree(const std::string& dossier);

// Opens the volume and its segmentations with the configuration of cheminConfig. Nothing is
// kept of a failed opening; the reason says what was expected.
Resultat<std::unique_ptr<CImageTroisD>> ouvrirEntree(const DemandeOuverture& demande,
                                                     const std::string& cheminConfig,
                                                     const SuiviOuverture& suivi = {});

} // namespace Stravol
