#pragma once
// Writers of label meshes with their names and colours: one file a label, or one scene that
// holds every label. The meshes are flat meshes in voxel coordinates; the volume's geometry
// takes them to the space asked for: positions through the voxel-to-world transform, normals
// through its inverse transpose, the corners of every triangle reversed when the transform
// mirrors, so that they still turn counter-clockwise seen from outside. Every file names its
// space in its header or a comment. A file is written under a temporary name and renamed when
// complete: on failure nothing is left behind, a message goes to the diagnostic sink and the
// result is false.

#include <cstdint>
#include <string>
#include <vector>

#include "mesh/MaillagePlat.h"
#include "volume/TableEtiquettes.h"

namespace Stravol {

struct Geometrie;

// Coordinates of the written files.
enum class EspaceSortie {
    RAS,    // world millimetres of the volume: x to the right, y to the front, z up
    LPS,    // world millimetres, x to the left, y to the back, z up: (-x, -y, z) of RAS
    Voxels, // voxel coordinates, the centre of voxel (i, j, k) at (i, j, k)
};
// "RAS", "LPS" or "voxel".
const char* nomEspace(EspaceSortie espace);
// Those names in any letter case, and "world" for RAS; false for any other text.
bool lireEspace(const std::string& texte, EspaceSortie& espace);

// One label's mesh with what the table says of it.
struct MaillageEtiquette {
    std::uint32_t valeur = 0;
    std::string nom; // may be empty
    CouleurRVB couleur{};
    MaillagePlat maillage; // voxel coordinates, outward triangles
};

// One mesh, the format chosen by the extension of chemin (".stl", ".obj", ".ply", in any
// letter case). STL: binary, one facet a triangle with its normal (the mesh's triangle
// normals, else computed); OBJ: one normal a vertex; PLY: binary little-endian, position and
// normal a vertex, then red, green, blue (uchar) when couleur is given. Vertex normals are
// computed when the mesh has none. A volume without a world frame (identity transform) is
// written in voxel coordinates for RAS, and the header says so. A mesh of exactly the vertices
// and triangles of a linked mesh, without colour, gives the bytes of exporterMaillage.
bool exporterMaillagePlat(const MaillagePlat& maillage, const std::string& chemin,
                          const Geometrie& geometrie, EspaceSortie espace,
                          const CouleurRVB* couleur = nullptr);

// One scene of every label, the format chosen by the extension of chemin (any letter case).
// Labels with an empty mesh are left out; a scene without any triangle is refused.
// - ".glb": glTF 2.0 binary: one mesh, one node and one material a label, named as the label
//   (or "label-<value>"), the material's base colour the label's colour taken from sRGB to
//   linear, not metallic; float positions and normals (left out for a mesh with a zero
//   normal), 32-bit indices. Units and axes of glTF: metres, Y up, (X, Y, Z) = (x, z, -y) /
//   1000 of the space's millimetres (for RAS: (R, S, -A) / 1000, which Blender's importer
//   turns back into x = R, y = A, z = S); the space is named in the asset's extras
//   ("space").
// - ".obj": one object ("o", the label's name with blanks and control characters as '_') a
//   label with its material ("usemtl label-<value>"), and the materials in a ".mtl" file of
//   the same name beside it ("Kd" the colour, 0..1).
// - ".ply": binary little-endian, every label in one mesh: position, normal and colour a
//   vertex, and a "label" property a face (int, or uint when a value exceeds 2^31 - 1); a
//   comment a label gives its value and name.
bool exporterScene(const std::vector<MaillageEtiquette>& etiquettes, const std::string& chemin,
                   const Geometrie& geometrie, EspaceSortie espace);

} // namespace Stravol
