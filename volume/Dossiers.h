// Listing of a folder's entries as the loader and the command-line tools see them.
#pragma once

#include <string>
#include <vector>

namespace Stravol {

// File patterns of the slice pictures of a volume folder, in loading order; the TIFF ones last.
inline constexpr const char* kMotifsCoupes[] = {"*.bmp", "*.cup", "*.png",
                                                "*.jpg", "*.tif", "*.tiff"};
inline constexpr int kNbMotifsCoupes = 6;

// Which entries of a folder a listing keeps; links count as what they point to.
enum class GenreEntree { Fichier, Dossier };

// Names (not paths) of the entries of `dossier` of the given kind whose name matches `motif`
// (a shell pattern such as "*.bmp", letter case ignored; empty keeps every name), sorted by
// name without regard to letter case, the exact name breaking ties. False, with the system's
// reason in `erreur`, when the folder cannot be read; `noms` is then left empty.
bool listerDossier(const std::string& dossier, GenreEntree genre, const std::string& motif,
                   std::vector<std::string>& noms, std::string& erreur);

} // namespace Stravol
