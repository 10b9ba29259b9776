// A set of voxels of a volume, with its bounding box, its border voxels and the repair of
// its border topology. All coordinates are voxel coordinates (x along a row, y down the rows,
// z along the slices).
#pragma once

#include <cstddef>
#include <vector>

#include "core/CTab3D.h"
#include "core/CVecteur.h"
#include "core/Tuples.h"

class CImage3D;

// One element of the region's voxel grid (two bytes).
class CVoxelRegion3D {
public:
    CVoxelRegion3D() : dansRegion(0), bord(0) {}

    unsigned char dansRegion; // 1: the voxel belongs to the region
    unsigned char bord; // 1: the voxel belongs to the region and has a face neighbour outside it
};

// Ordered list of voxel coordinates without a fixed capacity (a large object's border holds
// millions of voxels). Read like the system's lists: `longueur()` and `[i]`.
class CListeVoxels {
public:
    int longueur() const { return static_cast<int>(elements.size()); }
    CTriplet<int>& operator[](int i) { return elements[static_cast<std::size_t>(i)]; }
    const CTriplet<int>& operator[](int i) const { return elements[static_cast<std::size_t>(i)]; }
    CListeVoxels& ajouter(const CTriplet<int>& v) {
        elements.push_back(v);
        return *this;
    }
    CListeVoxels& vider() {
        elements.clear();
        return *this;
    }

    std::vector<CTriplet<int>> elements;
};

// The grid is the first part of the object: `dimX`, `dimY`, `dimZ` are the region's extents
// (the volume's sizes) and element (x, y, z) is `tab[x][y][z]`.
//
// Invariants: `nbVoxels` counts the voxels whose `dansRegion` is set; the bounding box
// (`boiteX`, `boiteY`, `boiteZ`, each (min, max) in members x, y) holds every voxel ever added
// since the region was last emptied and is meaningful only while `nbVoxels` > 0; the `bord`
// flags of region voxels are kept current by `ajouter` and `supprimer`; `voxelsBord` lists the
// border voxels in ascending lexicographic (x, y, z) order as of the last `calculerVoxelsBord`.
class CRegion3D : public CTab3DSimple<CVoxelRegion3D> {
public:
    CRegion3D();
    ~CRegion3D();
    CRegion3D(const CRegion3D&) = delete;
    CRegion3D& operator=(const CRegion3D&) = delete;

    // Fills the class-wide neighbour tables. Must run before any other operation of the class
    // and before a mesh is built on a region; the program's start runs it, and later calls
    // leave filled tables as they are.
    static void initialiserVoisinages();

    // Grid element access; no bounds test.
    CVoxelRegion3D& Voxel(int x, int y, int z) { return tab[x][y][z]; }
    CVoxelRegion3D& Voxel(const CTriplet<int>& p) { return tab[p.x][p.y][p.z]; }
    CVoxelRegion3D Voxel(const CTriplet<int>& p) const { return tab[p.x][p.y][p.z]; }
    CVoxelRegion3D Voxel(int x, int y, int z) const { return tab[x][y][z]; }

    // True when p lies inside the grid.
    bool dansGrille(const CTriplet<int>& p) const {
        return p.x >= 0 && p.x < dimX && p.y >= 0 && p.y < dimY && p.z >= 0 && p.z < dimZ;
    }

    // Adds voxel p (inside the grid); a voxel already in the region changes nothing.
    void ajouter(const CTriplet<int>& p);
    // Recomputes the `bord` flag of p when p is inside the grid and in the region.
    void MAJContour(const CTriplet<int>& p);
    // Recomputes every `bord` flag of the region and rebuilds `voxelsBord`.
    void calculerVoxelsBord();
    // Replaces the region by the non-zero voxels of `image`, resizing the grid to the volume's
    // sizes when they differ; false (and an empty region) when the grid cannot be allocated.
    bool creerRegionImage3D(const CImage3D& image);
    // Replaces the region by the voxels of a w x h x d byte volume (voxel (x, y, z) at index
    // (z * h + y) * w + x) that hold 255 or have a non-zero byte in marques (same layout);
    // every marked voxel lies within marquesX, marquesY, marquesZ ((min, max) of each axis).
    // A null volume holds no 255: the marks alone make the region, and only their box is read.
    // The grid takes the volume's sizes; its elements are zeroed lazily, so only the part
    // around the region is ever touched. The border flags and voxelsBord come with the fill,
    // as calculerVoxelsBord would make them. False (and an empty region) when the grid cannot
    // be allocated.
    bool creerRegionBinaire(const unsigned char* volume, const unsigned char* marques, int w, int h,
                            int d, CCouple<int> marquesX, CCouple<int> marquesY,
                            CCouple<int> marquesZ);
    // Adds voxels until no two border voxels touch only along an edge or only at a corner.
    void ajouterBordsTopologie();
    // Adds voxels until no two outside voxels next to the border touch only at a corner
    // across the region.
    void ajouterBordsTopologie2();
    // Both repairs, in that order, repeated until the second adds nothing: the voxels that
    // rule 3 adds can touch the region only along an edge or at a corner, which rules 1 and 2
    // must then fill. The result is free of all three contacts, so its mesh is a closed
    // surface whose vertices each have one fan of triangles.
    void reparerTopologie();
    // Empties the region, keeping the grid.
    void vider();
    // Removes voxel p (inside the grid); a voxel outside the region is ignored.
    void supprimer(const CTriplet<int>& p);
    // Writes the region into `image` (255 inside, 0 elsewhere), creating it with the grid's
    // extents when its sizes differ; false when the volume cannot be created.
    bool creerImage3DRegion(CImage3D& image) const;
    // Grows the region by a cube of side n centred on every border voxel. n must be odd and
    // positive: any other n is refused (false, no change).
    bool dilater(int n);

    int nbVoxels;
    CCouple<int> boiteX; // (min, max) of x
    CCouple<int> boiteY; // (min, max) of y
    CCouple<int> boiteZ; // (min, max) of z
    CListeVoxels voxelsBord;

    // Face neighbours: (-1,0,0), (1,0,0), (0,-1,0), (0,1,0), (0,0,-1), (0,0,1).
    static CVecteur<CTriplet<int>> voisinage;
    // Edge neighbours (two non-zero components), x outermost then y then z, from -1 to +1.
    static CVecteur<CTriplet<int>> voisinage2;
    // Corner neighbours (three non-zero components), in the same scan order.
    static CVecteur<CTriplet<int>> voisinage3;
    // For a corner offset c, the six other voxels of the 2 x 2 x 2 cube spanned by v and v + c
    // are v + m*c (component-wise) for each m: three edge neighbours, then three face neighbours.
    static const int multi_chemins_voisins3[6][3];
    // Diagnostic text of the last topology repair pass.
    static thread_local char message[256];

private:
    // Index of p in the grid's contiguous block of elements.
    std::ptrdiff_t decalageGrille(const CTriplet<int>& p) const {
        return (static_cast<std::ptrdiff_t>(p.x) * dimY + p.y) * dimZ + p.z;
    }
    // Rebuilds `voxelsBord` after the voxels of `ajoutes` (sorted, all added since the list was
    // last built) joined the region: keeps the listed voxels still on the border and merges in
    // the added ones that are, in the same order as a full scan.
    void fusionnerVoxelsBord(const std::vector<CTriplet<int>>& ajoutes);

    // Count of changes of membership, and its value when `voxelsBord` was last built: equal
    // counts (up to the voxels just added) let a pass merge instead of rescanning the box.
    long long modifications = 0;
    long long modificationsListe = 0;
};

// The voxels of 255 of a w x h x d byte volume joined to marques (same layout): a zero mark under
// such a voxel becomes 1, and the box of the marks (marquesX, marquesY, marquesZ: (min, max) of
// each axis) widens to them. CRegion3D::creerRegionBinaire(nullptr, marques, ...) with the
// widened box then makes the region that creerRegionBinaire(volume, marques, ...) makes, so the
// volume may be released first. The volume is read on all threads.
void joindrePleinsAuxMarques(const unsigned char* volume, unsigned char* marques, int w, int h,
                             int d, CCouple<int>& marquesX, CCouple<int>& marquesY,
                             CCouple<int>& marquesZ);
