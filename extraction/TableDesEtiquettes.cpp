#include "extraction/TableDesEtiquettes.h"

#include <filesystem>

#include "volume/LectureTableEtiquettes.h"

namespace Stravol {

std::string fichierEtiquettes(const DemandeOuverture& demande) {
    if (!demande.segmentations.empty())
        return demande.segmentations.back();
    std::error_code erreur;
    return std::filesystem::is_regular_file(demande.entree, erreur) ? demande.entree
                                                                    : std::string();
}

Resultat<TableChoisie> choisirTableEtiquettes(const std::string& donne,
                                              const std::string& fichier) {
    TableChoisie choisie;
    std::string erreur;
    if (!donne.empty()) {
        if (!lireTableEtiquettes(donne, choisie.table, erreur))
            return Echec{erreur};
        choisie.chemin = donne;
        return choisie;
    }
    const std::string voisine = fichier.empty() ? std::string() : trouverTableVoisine(fichier);
    if (voisine.empty())
        return choisie;
    if (lireTableEtiquettes(voisine, choisie.table, erreur))
        choisie.chemin = voisine;
    else
        choisie.remarque = "table d'étiquettes ignorée : " + erreur;
    return choisie;
}

} // namespace Stravol
