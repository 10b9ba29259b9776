#pragma once
// The dual surface of a label volume ("surface nets"): one surface for every label at once,
// each interface between two labels built once and shared by both.
//
// Lattice cells are the cubes whose corners are the centres of 2 x 2 x 2 voxels; cell (i, j, k)
// holds voxels i..i+1, j..j+1, k..k+1 and its centre is the voxel corner (i + 0.5, j + 0.5,
// k + 0.5). A cell whose voxels do not all carry the same label holds a vertex, and every voxel
// face between two labels (or a label and the background, 0) is a quad joining the vertices of
// the four cells around it, split into two triangles. Where pieces of one label touch only along
// an edge or at a corner, the cell holds one vertex for each group of its faces that a sheet
// joins (pieces of a label that meet the background there come apart), and the mesh of each
// label gives each of its sheets through a shared vertex a copy of its own: every label's
// surface is closed, consistently wound and manifold, with not a voxel added or removed.
// Positions are voxel coordinates: the centre of voxel (x, y, z) at (x, y, z), its faces at
// +-0.5.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/TableauBrut.h"
#include "mesh/MaillagePlat.h"
#include "volume/OptionsExtraction.h"
#include "volume/VolumeBrut.h"

namespace Stravol {

// The voxels that are meshed.
struct SelectionDuale {
    // Labels meshed; every other value counts as background. Empty: every non-zero label.
    std::vector<std::uint16_t> etiquettes;
    // A box (voxels, inclusive) outside which everything counts as background. With coupe its
    // faces cut the labels: a vertex on them stays there, as on the faces of the volume.
    // Without a box the labels' common bounding box is used; the faces of the volume always cut.
    bool avecBoite = false;
    bool coupe = true;
    int x0 = 0, x1 = -1, y0 = 0, y1 = -1, z0 = 0, z1 = -1;
};

// How a vertex may move when the surface is smoothed (bits of SurfaceDuale::genres).
enum GenreSommetDual : std::uint8_t {
    kJonction = 1, // three labels or more meet at the vertex
    kFixeX = 2,    // on a face of the volume (or of the box) across x: x is held
    kFixeY = 4,    // the same across y
    kFixeZ = 8,    // the same across z
    // Each label through the vertex has one sheet there: its mesh needs no copy of the vertex.
    kUneNappe = 16,
};

// The surface as flat arrays. Triangles come in pairs, one pair a quad (a voxel face), in the
// order of the faces (by z, then y, then x, then axis). A triangle's corners turn
// counter-clockwise seen from its front; its front label is the smaller of the two labels on its
// sides, so its normal points out of its back label.
// The arrays are sized without being written: the threads that build them are the first to
// touch their pages.
struct SurfaceDuale {
    int largeur = 0, hauteur = 0, profondeur = 0; // the volume's size (voxels)
    TableauBrut<float> positions;                 // x, y, z a vertex
    TableauBrut<float> centres;                   // the centre of each vertex's cell
    TableauBrut<std::uint8_t> genres;             // GenreSommetDual bits a vertex
    TableauBrut<std::uint32_t> triangles;         // three vertices a triangle
    TableauBrut<std::uint16_t> paires;            // front label, back label a triangle

    std::size_t nbSommets() const { return positions.size() / 3; }
    std::size_t nbTriangles() const { return triangles.size() / 3; }
    bool vide() const { return triangles.empty(); }
};

// Builds the raw dual surface (every vertex at its cell's centre: the surface of the voxels
// themselves) of a W x H x D label volume, voxel (x, y, z) at (z * H + y) * W + x, in one pass
// over the box on all threads; the work memory follows the surface, not the volume. False with
// erreur when memory runs out or the box leaves the volume. An empty selection gives an empty
// surface.
bool construireSurfaceDuale(const std::uint16_t* etiquettes, int W, int H, int D,
                            const SelectionDuale& selection, SurfaceDuale& surface,
                            std::string& erreur);
// The same over a byte volume (a mask: its non-zero values are labels).
bool construireSurfaceDuale(const std::uint8_t* etiquettes, int W, int H, int D,
                            const SelectionDuale& selection, SurfaceDuale& surface,
                            std::string& erreur);

// Rounds of constrained smoothing on the whole surface: every round is a step down the bending
// energy (kPasDual on the umbrella of the umbrella, taken at a point extrapolated along the
// previous round's move by kInertieDuale), each vertex kept within its cell. A vertex between
// two labels moves once for both; one where three labels or more meet moves along its junction
// line only, and is held where lines cross; a vertex on a cut face keeps that coordinate. Every
// kPeriodeDuale rounds, and kCorrectionsDuales times at the end, every label's enclosed volume
// is brought back to what it was before the rounds (the volume of its voxels) by moving the
// sheets between labels along their normals. The quads are split along their shorter diagonal
// before the last corrections. nbTours <= 0 leaves the surface as it is.
void lisserSurfaceDuale(SurfaceDuale& surface, int nbTours);
// The quads' sides make a two-coloured graph, whose umbrella operator reaches -2: with the
// momentum i = kInertieDuale the step must stay below 2 (1 + i) / (4 (1 + 2 i)), about 0.34.
constexpr float kPasDual = 0.3f;
constexpr float kInertieDuale = 0.85f;
constexpr int kPeriodeDuale = 3;
constexpr int kCorrectionsDuales = 2;

// Triangles of each label, by increasing label value (the background 0 excluded).
struct IndexEtiquettesDuales {
    std::vector<std::uint16_t> valeurs;
    std::vector<std::uint32_t> debuts; // triangles of valeurs[k]: debuts[k] .. debuts[k + 1]
    TableauBrut<std::uint32_t> triangles;
};
IndexEtiquettesDuales indexerEtiquettes(const SurfaceDuale& surface);
// lisserSurfaceDuale with the surface's index already made (its labels' triangles do not change
// with the smoothing).
void lisserSurfaceDuale(SurfaceDuale& surface, int nbTours, const IndexEtiquettesDuales& index);

// The closed surface of one label: the triangles with the label on either side, in the order of
// the surface, turned outward of it; a vertex for each of its sheets through a vertex of the
// surface, at the same position; area-weighted vertex normals. rang: the label's rank in the
// index.
MaillagePlat maillageEtiquette(const SurfaceDuale& surface, const IndexEtiquettesDuales& index,
                               std::size_t rang);
// Working memory of maillageEtiquette (a number for each vertex of the surface), kept from one
// label to the next by a caller that meshes many on one thread.
struct TravailEtiquette {
    std::vector<std::uint32_t> locaux;
};
MaillagePlat maillageEtiquette(const SurfaceDuale& surface, const IndexEtiquettesDuales& index,
                               std::size_t rang, TravailEtiquette& travail,
                               NormalesSommets normales = NormalesSommets::Avec);
// The same without an index (one pass over the triangles); empty when the label is absent.
MaillagePlat maillageEtiquette(const SurfaceDuale& surface, std::uint16_t etiquette);

// A surface shared by two labels a < b (a = 0: the background): its triangles (debut ..
// debut + nbTriangles in InterfacesDuales::triangles) and their area, in voxel^2 and in mm^2
// through the volume's voxel-to-world transform.
struct InterfaceDuale {
    std::uint16_t a = 0, b = 0;
    std::size_t debut = 0;
    std::size_t nbTriangles = 0;
    double aire = 0.0;
    double aireMm2 = 0.0;
};
struct InterfacesDuales {
    std::vector<InterfaceDuale> paires; // by increasing (a, b)
    TableauBrut<std::uint32_t> triangles;
};
InterfacesDuales interfacesDuales(const SurfaceDuale& surface, const Geometrie& monde = {});
// The triangles of interface k, turned outward of its b (facing a), on the surface's vertices;
// area-weighted vertex normals.
MaillagePlat maillageInterface(const SurfaceDuale& surface, const InterfacesDuales& interfaces,
                               std::size_t k);

} // namespace Stravol
