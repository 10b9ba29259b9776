#pragma once
// The extractions a user asks for, for the window and the tools alike: one object at a seed
// (where a click becomes a mesh), the object of a label, and every label of a label map.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "extraction/Resultat.h"
#include "extraction/ToutesEtiquettes.h"
#include "mesh/MaillagePlat.h"
#include "volume/CImageTroisD.h"

class CMaillageTriangleChRegion;

namespace Stravol {

using Voxel = std::array<int, 3>; // x, y, z in voxels

// The first voxel, in storage order and off the volume's outer layer (where a growth never
// expands), whose value is valeur: the label value of the file (up to 2^32 - 1) when exacte and
// the volume has exact labels, else the value of the current volume (grey levels, or labels
// below 256).
Resultat<Voxel> trouverValeur(const CImageTroisD& volume, std::uint32_t valeur, bool exacte);

// The 26-connected object of the seed's value in the current volume, repaired, meshed,
// smoothed and lit as the options say (CImageTroisD::CroissanceDeRegion): the volume keeps the
// mesh and the figures (maillage, bilanExtraction). A seed outside the volume, or memory running
// out, fails and keeps the previous mesh.
Resultat<std::shared_ptr<CMaillageTriangleChRegion>>
extraireAuGerme(CImageTroisD& volume, const Voxel& germe, const OptionsExtraction& options);

// The mesh of extraireAuGerme in flat form (versMaillagePlat's arrays, bit for bit), built
// without the linked mesh, for a Taubin smoothing (options.lissage must be Taubin): the volume's
// figures in bilanExtraction as extraireAuGerme gives them, maillage left as it is. irreguliers:
// the vertices whose rings do not close, as controlerMaillage counts them.
struct ObjetPlat {
    MaillagePlat maillage;
    int irreguliers = 0;
};
Resultat<ObjetPlat> extraireAuGermePlat(CImageTroisD& volume, const Voxel& germe,
                                        const OptionsExtraction& options);

// A label map of W x H x D voxels: the volume's exact labels, or a copy of its segmentation.
struct CarteEtiquettes {
    const std::uint16_t* valeurs() const { return copie.empty() ? externe : copie.data(); }
    // The file's value of a stored label.
    std::uint32_t valeurVraie(std::uint16_t stockee) const {
        return valeursVraies.empty() ? stockee : valeursVraies[stockee];
    }

    const std::uint16_t* externe = nullptr; // labels held elsewhere, when copie is empty
    std::vector<std::uint16_t> copie;
    int W = 0, H = 0, D = 0;
    // CImageTroisD::valeursEtiquettes of the volume: empty when the stored labels are the
    // values.
    std::vector<std::uint32_t> valeursVraies;
};

// The labels that every-label extraction meshes: the volume's segmentation, or, when none was
// read and the volume came from the file entree, that file's own values as labels.
Resultat<CarteEtiquettes> carteEtiquettes(CImageTroisD& volume, const std::string& entree);

// One label meshed: its box and mesh, or why it failed; seconds it took.
struct EtiquetteMaillee {
    BoiteEtiquette boite;
    std::unique_ptr<CMaillageTriangleChRegion> maillage;
    // Or the mesh in flat form (maillerEtiquettesPlates), with its vertices whose rings do not
    // close.
    std::optional<MaillagePlat> plat;
    int irreguliers = 0;
    std::string erreur;
    double secondes = 0.0;
};

// Runs mailler(i, resultat) for every box of boites, larger boxes first, on all threads, the
// result holding the box; times it and hands it to traiter(i, resultat) on the same thread.
void maillerBoites(const std::vector<BoiteEtiquette>& boites,
                   const std::function<void(std::size_t, EtiquetteMaillee&)>& mailler,
                   const std::function<void(std::size_t, EtiquetteMaillee&)>& traiter);

// Meshes every label of boites (boitesEtiquettes of the map), larger boxes first, on all
// threads; hands each result to traiter(i, resultat) on the thread that made it, as soon as it
// is made (traiter may be called from several threads at once). A label that fails does not
// stop the others.
void maillerEtiquettes(const CarteEtiquettes& carte, const std::vector<BoiteEtiquette>& boites,
                       const OptionsExtraction& options,
                       const std::function<void(std::size_t, EtiquetteMaillee&)>& traiter);
// The same for the Taubin smoothing, each mesh made flat without the linked one
// (maillerEtiquettePlat) into resultat.plat.
void maillerEtiquettesPlates(const CarteEtiquettes& carte,
                             const std::vector<BoiteEtiquette>& boites,
                             const OptionsExtraction& options,
                             const std::function<void(std::size_t, EtiquetteMaillee&)>& traiter);

} // namespace Stravol
