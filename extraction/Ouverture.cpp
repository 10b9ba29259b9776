#include "extraction/Ouverture.h"

#include <filesystem>

#include "volume/Dossiers.h"
#include "volume/LecteursVolume.h"

namespace fs = std::filesystem;

namespace Stravol {

namespace {

// Keeps what the loaders tell while passing it on: the first text explains a failed load, the
// last one a refused label file.
class Releve : public MessageSink {
public:
    explicit Releve(MessageSink* suite) : suite_(suite) {}
    void afficher(const std::string& texte) override {
        if (premier.empty())
            premier = texte;
        dernier = texte;
        if (suite_ != nullptr)
            suite_->afficher(texte);
    }
    // ": TEXT" after a reason, or nothing.
    static std::string precision(const std::string& texte) {
        return texte.empty() ? std::string() : ": " + texte;
    }
    std::string premier, dernier;

private:
    MessageSink* suite_;
};

// Calls the stage callbacks of suivi around one stage.
class Etape {
public:
    Etape(const SuiviOuverture& suivi, const std::string& nom) : suivi_(suivi) {
        if (suivi_.debutEtape)
            suivi_.debutEtape(nom);
    }
    ~Etape() {
        if (suivi_.finEtape)
            suivi_.finEtape();
    }
    Etape(const Etape&) = delete;
    Etape& operator=(const Etape&) = delete;

private:
    const SuiviOuverture& suivi_;
};

bool vide(const CImageTroisD& volume) {
    return volume.largeur <= 0 || volume.hauteur <= 0 || volume.profondeur <= 0;
}

} // namespace

NatureEntree natureEntree(const std::string& chemin, std::string* raison) {
    std::error_code erreur;
    if (fs::is_regular_file(chemin, erreur))
        return NatureEntree::Fichier;
    if (!fs::is_directory(chemin, erreur))
        return fs::exists(chemin, erreur) ? NatureEntree::Fichier : NatureEntree::Absente;
    std::vector<std::string> noms;
    std::string pourquoi;
    if (!listerDossier(chemin, GenreEntree::Dossier, "", noms, pourquoi)) {
        if (raison != nullptr)
            *raison = pourquoi;
        return NatureEntree::Illisible;
    }
    if (!noms.empty())
        return NatureEntree::DossierParent;
    for (const char* motif : kMotifsCoupes)
        if (listerDossier(chemin, GenreEntree::Fichier, motif, noms, pourquoi) && !noms.empty())
            return NatureEntree::DossierDeCoupes;
    return dossierDicom(chemin) ? NatureEntree::SerieDicom : NatureEntree::SansVolume;
}

Resultat<std::vector<std::string>> sousDossiersVolume(const std::string& dossier) {
    std::vector<std::string> noms;
    std::string raison;
    if (!listerDossier(dossier, GenreEntree::Dossier, "", noms, raison))
        return Echec{"cannot list the folder " + dossier + ": " + raison};
    if (noms.empty()) {
        if (natureEntree(dossier) == NatureEntree::DossierDeCoupes)
            return Echec{"the folder " + dossier +
                         " holds slice pictures but no sub-folder: open its parent folder"};
        return Echec{"the folder " + dossier + " holds no volume sub-folder"};
    }
    for (std::string& nom : noms)
        nom = dossier + "/" + nom;
    return noms;
}

Resultat<std::vector<std::string>> dossiersEntree(const std::string& dossier) {
    if (natureEntree(dossier) == NatureEntree::SerieDicom)
        return std::vector<std::string>{dossier};
    return sousDossiersVolume(dossier);
}

Resultat<std::unique_ptr<CImageTroisD>> ouvrirEntree(const DemandeOuverture& demande,
                                                     const std::string& cheminConfig,
                                                     const SuiviOuverture& suivi) {
    std::error_code erreur;
    Releve releve(suivi.messages);
    std::unique_ptr<CImageTroisD> volume;
    if (fs::is_directory(demande.entree, erreur)) {
        Resultat<std::vector<std::string>> dossiers = dossiersEntree(demande.entree);
        if (!dossiers)
            return Echec{dossiers.raison()};
        const std::vector<std::string>& noms = dossiers.valeur();
        {
            Etape etape(suivi, "load");
            volume = std::make_unique<CImageTroisD>(cheminConfig, noms[0], suivi.barre, &releve);
        }
        if (vide(*volume))
            return Echec{"no slice could be read from " + noms[0] +
                         Releve::precision(releve.premier)};
        for (std::size_t i = 1; i < noms.size(); ++i) {
            Etape etape(suivi, "segmentation");
            volume->ChargerSeg(noms[i], suivi.barre);
        }
    } else if (fs::is_regular_file(demande.entree, erreur)) {
        {
            Etape etape(suivi, "load");
            volume = CImageTroisD::ouvrirFichier(cheminConfig, demande.entree, demande.options,
                                                 suivi.barre, &releve);
        }
        if (vide(*volume))
            return Echec{"cannot read " + demande.entree + Releve::precision(releve.premier)};
    } else {
        return Echec{"no such folder or file: " + demande.entree};
    }
    for (const std::string& f : demande.segmentations) {
        Etape etape(suivi, "segmentation");
        if (!volume->ChargerSegFichier(f, suivi.barre))
            return Echec{"cannot use the segmentation " + f + Releve::precision(releve.dernier)};
    }
    if (demande.espacement)
        volume->imposerEspacement(*demande.espacement);
    // The collector ends here: later failures are told by the extraction's own result.
    volume->fenetre = nullptr;
    return volume;
}

} // namespace Stravol
