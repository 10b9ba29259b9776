#pragma once
// Small volumes built in code: typed volumes for the file readers and their users, grey
// volumes for the region growth and the mesh evolution.

#include <cstdint>
#include <functional>

#include "volume/CImage3D.h"
#include "volume/VolumeBrut.h"

// A grey volume of l x h x p voxels, every voxel at the given level.
CImage3D volumeUni(int l, int h, int p, unsigned char niveau);

// A volume of the given type whose voxel (x, y, z) holds valeur(x, y, z), converted to the type.
Stravol::VolumeBrut volumeTest(Stravol::TypeVoxel type, int largeur, int hauteur, int profondeur,
                               const std::function<double(int, int, int)>& valeur);

// Every voxel type a reader must handle.
inline constexpr Stravol::TypeVoxel kTousLesTypes[] = {
    Stravol::TypeVoxel::Octet,    Stravol::TypeVoxel::OctetSigne,
    Stravol::TypeVoxel::Entier16, Stravol::TypeVoxel::EntierNonSigne16,
    Stravol::TypeVoxel::Entier32, Stravol::TypeVoxel::EntierNonSigne32,
    Stravol::TypeVoxel::Entier64, Stravol::TypeVoxel::EntierNonSigne64,
    Stravol::TypeVoxel::Reel32,   Stravol::TypeVoxel::Reel64};

// A value pattern that fits every type (0 .. 120) and tells the voxels apart on small grids.
inline double motifTest(int x, int y, int z) { return x + 5 * y + 23 * z; }
