#pragma once
// Extractions by the dual method (mesh/SurfaceDuale.h), for the window and the tools alike:
// every label of a label map at once, each surface between two labels made once and shared, and
// one object at a seed, its voxels as they stand (no topology repair).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "extraction/Croissance.h"
#include "extraction/Extraction.h"
#include "extraction/Resultat.h"
#include "mesh/MaillagePlat.h"
#include "mesh/SurfaceDuale.h"
#include "volume/CImageTroisD.h"

namespace Stravol {

// A label map meshed as one surface.
struct CarteDuale {
    SurfaceDuale surface;
    IndexEtiquettesDuales index;   // the triangles of each label, by increasing value
    std::vector<long long> voxels; // voxels of each label of the index
    InterfacesDuales interfaces;   // the surfaces shared by two labels, areas in mm^2
    double tempsSurface = 0.0, tempsLissage = 0.0; // seconds
};

// Builds the dual surface of every label of the map in one pass, smooths it with
// options.nbLissages rounds (0: the raw surface), indexes its labels and measures its interfaces
// through monde. The map's voxels are read before the smoothing; lue, when given, is called
// then, and the caller may release them there. Fails, keeping nothing, when memory runs out.
Resultat<CarteDuale> maillerCarteDuale(const CarteEtiquettes& carte,
                                       const OptionsExtraction& options, const Geometrie& monde,
                                       const std::function<void()>& lue = {});

// A label that shares a surface with another (0: the background), and the area of that surface.
struct Voisin {
    std::uint16_t etiquette = 0;
    double aireMm2 = 0.0;
};
// The neighbours of each label of the index (same order), by increasing value.
std::vector<std::vector<Voisin>> voisinsEtiquettes(const CarteDuale& carte);

// The closed mesh of every label of the index, larger ones first, on all threads: traiter(k,
// mesh of carte.index.valeurs[k]) on the thread that made it, as soon as it is made (traiter may
// be called from several threads at once). With NormalesSommets::Sans the meshes have no vertex
// normals.
void maillerEtiquettesDuales(const CarteDuale& carte,
                             const std::function<void(std::size_t, MaillagePlat&)>& traiter,
                             NormalesSommets normales = NormalesSommets::Avec);
// The same for every interface (carte.interfaces.paires[k]), its triangles facing its a.
void maillerInterfacesDuales(const CarteDuale& carte,
                             const std::function<void(std::size_t, MaillagePlat&)>& traiter);

// The dual surface of the marked voxels of a W x H x D volume (its non-zero bytes, all within
// boite), smoothed with nbLissages rounds, as the mesh of its one label with its normals; the
// marks are released once the surface is built. The seconds of the surface and of the
// smoothing. Throws std::bad_alloc when memory runs out.
Resultat<MaillagePlat> maillerMarquesDuales(MarquesVoxels marques, int W, int H, int D,
                                            const BoiteVoxels& boite, int nbLissages,
                                            double& tempsSurface, double& tempsLissage);

// One object by the dual method: the 26-connected voxels of the seed's value in the current
// volume (as extraireAuGerme grows them: labels above 255 by their true value, grey levels
// within options.tolerance), their dual surface smoothed with options.nbLissages rounds, the
// mesh of its one label with its normals.
struct ObjetDual {
    MaillagePlat maillage;
    std::uint32_t valeurGerme = 0; // as the file gives it
    long long nbVoxels = 0;
    double tempsCroissance = 0.0, tempsSurface = 0.0, tempsLissage = 0.0; // seconds

    double tempsTotal() const { return tempsCroissance + tempsSurface + tempsLissage; }
};
// A seed outside the volume, or memory running out, fails.
Resultat<ObjetDual> extraireAuGermeDual(const CImageTroisD& volume, const Voxel& germe,
                                        const OptionsExtraction& options);

} // namespace Stravol
