#pragma once
// The label table of an extraction, for the window and the tools alike: the table the user
// names, else the one found beside the label file.

#include <string>

#include "extraction/Ouverture.h"
#include "extraction/Resultat.h"
#include "volume/TableEtiquettes.h"

namespace Stravol {

struct TableChoisie {
    TableEtiquettes table; // empty when there is none
    std::string chemin;    // the file read, or empty
    std::string remarque;  // why a table found beside was left out, or empty
};

// The file whose labels are meshed: the demand's last label file, else its input when that is
// a file; empty for a folder.
std::string fichierEtiquettes(const DemandeOuverture& demande);

// donne, when not empty: that table, or a failure with the reader's message (which names the
// file and the line). Otherwise the table beside fichier (trouverTableVoisine) when there is
// one; a bad one is left out, its message in remarque.
Resultat<TableChoisie> choisirTableEtiquettes(const std::string& donne, const std::string& fichier);

} // namespace Stravol
