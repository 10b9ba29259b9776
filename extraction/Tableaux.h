#pragma once
// The extractions of a volume that another program holds in its own memory (an array of
// numbers of any type), read where it lies without a copy: the seeded extraction and every
// label, through the same growth and meshing stages as the loaded volume's.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "extraction/Extraction.h"
#include "extraction/Ouverture.h"
#include "extraction/Pipeline.h"
#include "extraction/Resultat.h"
#include "extraction/ToutesEtiquettes.h"
#include "mesh/MaillagePlat.h"
#include "volume/VolumeBrut.h"

class CMaillageTriangleChRegion;

namespace Stravol {

// W x H x D values of one numeric type (machine byte order), in one of the two orders read in
// place: x fastest, as the loaded volumes (voxel (x, y, z) at (z * H + y) * W + x), or z
// fastest, as an array indexed [x][y][z] in row-major order (at (x * H + y) * D + z).
struct VueVolume {
    const void* donnees = nullptr;
    TypeVoxel type = TypeVoxel::Octet;
    int W = 0, H = 0, D = 0;
    bool zRapide = false;

    std::size_t nbVoxels() const;
    std::size_t indice(int x, int y, int z) const;
    // The value of voxel (x, y, z) converted to double.
    double valeur(int x, int y, int z) const;
};

// The first voxel in the order x fastest, then y, then z (whatever the view's order), off
// the outer layer, whose value is valeur.
Resultat<Voxel> trouverValeur(const VueVolume& vue, double valeur);

// An object extracted from a view: its mesh (voxel coordinates of the view) and figures.
struct ObjetExtrait {
    std::unique_ptr<CMaillageTriangleChRegion> maillage;
    int nbVoxelsCroissance = 0;
    EtapesMaillage etapes;
};

// The 26-connected object of the seed as the loaded volume's extraction grows it (voxels of
// the outer layer reached, never expanded): the voxels whose value equals the seed's, or
// differs from it by at most tolerance (in the values' units) when tolerance > 0. The region
// is the voxels grown and nothing else; it is repaired, meshed, smoothed and lit as options
// say (maillerRegion; options.tolerance and libererVoxels do not apply). A seed outside the
// view, a seed whose value is not a number, or memory running out fails.
Resultat<ObjetExtrait> extraireAuGerme(const VueVolume& vue, const Voxel& germe, double tolerance,
                                       const OptionsExtraction& options);

// The object of extraireAuGerme with the Taubin smoothing (options.lissage must be Taubin) as
// the flat mesh that versMaillagePlat takes of its mesh (maillerRegionPlat), bit for bit.
struct ObjetExtraitPlat {
    MaillagePlat maillage;
    int nbVoxelsCroissance = 0;
    int irreguliers = 0;
    EtapesMaillage etapes;
};
Resultat<ObjetExtraitPlat> extraireAuGermePlat(const VueVolume& vue, const Voxel& germe,
                                               double tolerance, const OptionsExtraction& options);

// The object of extraireAuGerme as the dual method meshes it (maillerMarquesDuales): the voxels
// grown as they stand, their dual surface smoothed with options.nbLissages rounds.
Resultat<MaillagePlat> extraireAuGermeDual(const VueVolume& vue, const Voxel& germe,
                                           double tolerance, const OptionsExtraction& options);

// The non-zero labels of a view, by increasing value: their boxes and their values in the view.
// A box's valeur is the value itself when every value fits 16 bits, else the label's rank (1
// up): boxes and maps hold at most kEtiquetteMax labels.
struct EtiquettesVue {
    std::vector<BoiteEtiquette> boites;
    std::vector<std::uint32_t> valeurs;
    bool rangs = false; // the boxes are numbered by rank
};

// The labels of a view whose values are whole numbers from 0 to kValeurEtiquetteMax; the first
// other value fails, named with its voxel, and so do more than kEtiquetteMax labels.
Resultat<EtiquettesVue> etiquettesVue(const VueVolume& vue);

// maillerEtiquettes over the labels of a view (from etiquettesVue of that view); with plates, for
// the Taubin smoothing, maillerEtiquettesPlates (each mesh made flat into resultat.plat).
void maillerEtiquettes(const VueVolume& vue, const EtiquettesVue& etiquettes,
                       const OptionsExtraction& options,
                       const std::function<void(std::size_t, EtiquetteMaillee&)>& traiter,
                       bool plates = false);

// The label map of a view's labels (from etiquettesVue): a Fortran-ordered uint16 view read in
// place, any other a copy of its labels (their ranks, with their values beside, when one exceeds
// 16 bits).
Resultat<CarteEtiquettes> carteEtiquettes(const VueVolume& vue, const EtiquettesVue& etiquettes);

// The geometry of a 4 x 4 voxel-to-world matrix (rows; millimetres): its last row must be 0 0 0 1
// and the transform finite and invertible. The spacing is the length of each column.
Resultat<Geometrie> geometrieAffine(const std::array<std::array<double, 4>, 4>& matrice);

// Values kept for a caller: the view and what owns the storage it reads.
struct TableauVolume {
    VueVolume vue;
    std::shared_ptr<const void> stockage;
};

// A volume opened with its values as its files hold them: the volume in its file's own type
// (the 8-bit grey volume for a folder of pictures, the series' own type for a DICOM folder),
// and its segmentations in the order read (the sub-folders of a parent folder, then the label
// files), on the volume's grid, all x fastest; the volume's geometry, the names and colours
// the label file (or the volume file) gives its labels, and the remarks of the loaders.
struct VolumeOuvert {
    TableauVolume volume;
    std::vector<TableauVolume> segmentations;
    Geometrie geometrie;
    TableEtiquettes table;
    std::vector<std::string> remarques;
};

// Opens as ouvrirEntree does, with its checks and reasons, then keeps every value: a volume
// file and the label files are read again in their own types, the pictures of a folder and its
// segmentation sub-folders are the bytes loaded.
Resultat<VolumeOuvert> ouvrirTableaux(const DemandeOuverture& demande,
                                      const std::string& cheminConfig);

} // namespace Stravol
