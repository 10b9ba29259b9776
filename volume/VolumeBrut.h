#pragma once
// A volume as a file holds it: voxels of one numeric type, the voxel spacing and the
// voxel-to-world transform, before any conversion to the 8-bit grey display.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "volume/TableEtiquettes.h"

namespace Stravol {

// Numeric type of the voxels, as stored in VolumeBrut::donnees (machine byte order).
enum class TypeVoxel {
    Octet,            // unsigned 8-bit
    OctetSigne,       // signed 8-bit
    Entier16,         // signed 16-bit
    EntierNonSigne16, // unsigned 16-bit
    Entier32,         // signed 32-bit
    EntierNonSigne32, // unsigned 32-bit
    Entier64,         // signed 64-bit
    EntierNonSigne64, // unsigned 64-bit
    Reel32,           // IEEE single precision
    Reel64,           // IEEE double precision
};

std::size_t tailleVoxel(TypeVoxel type);
bool typeEntier(TypeVoxel type);
const char* nomType(TypeVoxel type);

// Calls f with a value of the C++ type of t (its value is meaningless, only its type counts).
template <class F> decltype(auto) selonType(TypeVoxel t, F&& f) {
    switch (t) {
    case TypeVoxel::Octet:
        return f(std::uint8_t{});
    case TypeVoxel::OctetSigne:
        return f(std::int8_t{});
    case TypeVoxel::Entier16:
        return f(std::int16_t{});
    case TypeVoxel::EntierNonSigne16:
        return f(std::uint16_t{});
    case TypeVoxel::Entier32:
        return f(std::int32_t{});
    case TypeVoxel::EntierNonSigne32:
        return f(std::uint32_t{});
    case TypeVoxel::Entier64:
        return f(std::int64_t{});
    case TypeVoxel::EntierNonSigne64:
        return f(std::uint64_t{});
    case TypeVoxel::Reel32:
        return f(float{});
    case TypeVoxel::Reel64:
        break;
    }
    return f(double{});
}

// Where the voxel-to-world transform of a volume comes from.
enum class OrigineGeometrie {
    Aucune,     // picture folder: spacing 1, origin 0, the world frame is the voxel frame
    Espacement, // spacing only (a NIfTI file without orientation, TIFF resolution tags)
    QForm,      // NIfTI quaternion transform
    SForm,      // NIfTI general affine transform
    Imposee,    // spacing given by the user
    Entete,     // orientation and origin of the header (NRRD, MGH, DICOM positions)
};

// Voxel (x, y, z) -> world (millimetres): monde = affine * (x, y, z, 1). For NIfTI files the
// world frame is the file's RAS+ frame (x to the right, y to the front, z up).
struct Geometrie {
    std::array<double, 3> espacement{1.0, 1.0, 1.0}; // millimetres a voxel along x, y, z
    std::array<std::array<double, 4>, 3> affine{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};
    OrigineGeometrie origine = OrigineGeometrie::Aucune;

    // The voxel frame is the world frame: nothing to convert on export.
    bool identite() const;
    // Determinant of the linear part: the volume of one voxel in mm^3, negative when the
    // transform mirrors (then outward turning triangles must be reversed).
    double determinant() const;
    std::array<double, 3> versMonde(double x, double y, double z) const;
    // Replaces the spacing, keeping the directions and the origin of the transform.
    void imposerEspacement(const std::array<double, 3>& nouvel);
    // True when every spacing is finite and positive and the transform is finite and
    // invertible; otherwise pourquoi says what is wrong.
    bool valide(std::string& pourquoi) const;
};

// Whether a transform places voxels in a patient's world frame (a NIfTI qform or sform), rather
// than only spacing them.
bool transformationMonde(const Geometrie& g);

// The largest distance, along any voxel axis of a and in voxels of a, between the world
// positions that a and b give one voxel centre, over every voxel of a grid of largeur x hauteur
// x profondeur voxels (the largest lies at a corner of the grid, both maps being affine). a must
// be invertible (Geometrie::valide); infinity when it is not.
double ecartGrilles(const Geometrie& a, const Geometrie& b, int largeur, int hauteur,
                    int profondeur);

// Voxel (x, y, z) at index (z * hauteur + y) * largeur + x; x along a row, y down the rows,
// z along the slices (for NIfTI: i, j, k of the file). Either the three sizes are positive and
// donnees holds their product times tailleVoxel(type) bytes, or the volume is empty.
struct VolumeBrut {
    int largeur = 0;
    int hauteur = 0;
    int profondeur = 0;
    TypeVoxel type = TypeVoxel::Octet;
    std::vector<unsigned char> donnees;
    Geometrie geometrie;
    // Names and colours the file itself gives its labels (the segments of a .seg.nrrd file);
    // empty for other files.
    TableEtiquettes tableEtiquettes;

    std::size_t nbVoxels() const;
    bool vide() const { return nbVoxels() == 0; }
    // The value of voxel i converted to double.
    double valeur(std::size_t i) const;
};

// Grey values wider than 8 bits are mapped to 0..255 through a window: mini -> 0,
// maxi -> 255, linear in between, clamped outside.
struct Fenetre {
    double mini = 0.0;
    double maxi = 255.0;
};

// Percentiles of the default window, in percent.
constexpr double kPercentileBas = 0.5;
constexpr double kPercentileHaut = 99.5;

// The window from the bas-th to the haut-th percentile of the voxel values (histogram of at
// most 65536 bins: exact for 8- and 16-bit integers, to 1/65536 of the range otherwise).
Fenetre fenetreParDefaut(const VolumeBrut& v, double bas = kPercentileBas,
                         double haut = kPercentileHaut);

// 8-bit grey volume of v: unsigned 8-bit values as they stand, every other type through the
// window. sortie gets v.nbVoxels() bytes. False (with a message) when memory runs out.
bool versOctets(const VolumeBrut& v, const Fenetre& fenetre, std::vector<unsigned char>& sortie,
                std::string& erreur);
// The same into sortie, which holds v.nbVoxels() bytes.
void versOctets(const VolumeBrut& v, const Fenetre& fenetre, unsigned char* sortie);

// Largest label a label volume stores (2 bytes a voxel), and largest label value a file may
// hold.
constexpr int kEtiquetteMax = 65535;
constexpr std::uint32_t kValeurEtiquetteMax = 4294967295u;

// Label volume of v: every value must be an integer from 0 to kValeurEtiquetteMax (floats
// included, when they hold whole numbers); otherwise false and erreur names the first offending
// value. When no value exceeds kEtiquetteMax, sortie holds the values themselves and valeurs is
// left empty. Otherwise sortie holds indices into valeurs, which lists the true values: index
// 0 is value 0 (present or not), the non-zero values follow in increasing order; more than
// kEtiquetteMax distinct non-zero values are refused.
bool versEtiquettes(const VolumeBrut& v, std::vector<std::uint16_t>& sortie,
                    std::vector<std::uint32_t>& valeurs, std::string& erreur);

// Voxels of a float volume that are NaN or infinite (0 for integer types).
std::size_t nbValeursNonFinies(const VolumeBrut& v);

} // namespace Stravol
