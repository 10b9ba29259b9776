#pragma once
// What the two constructions of a region's face mesh share (the linked mesh's and the flat
// one's): the corners of a voxel's faces and the window of lattice cells that numbers them.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CRegion3D.h"

namespace Stravol {

// Cube corners as offsets from their voxel.
inline constexpr int kCoinsCube[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                         {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};

// Corners q0 .. q3 of the face towards each direction of CRegion3D::voisinage
// (-x, +x, -y, +y, -z, +z). Faces 0, 3, 5 turn counter-clockwise seen from outside, faces
// 1, 2, 4 clockwise; triangle orientation is settled later from the vertex normals.
inline constexpr int kCoinsFace[6][4] = {{4, 7, 3, 0}, {1, 5, 6, 2}, {0, 4, 5, 1},
                                         {2, 3, 7, 6}, {0, 1, 2, 3}, {5, 6, 7, 4}};

// Vertex lattice: one cell per cube corner of the bounding box plus one cell per axis; lattice
// cell (i, j, k) is the corner (xmin + i, ymin + j, zmin + k), holding its vertex or kVide.
// Only a window of planes of constant i is stored: when the border voxels come in ascending x,
// a voxel touches planes i and i + 1 only, so two planes suffice and a plane is complete once
// the walk has passed it. Otherwise the window spans the whole lattice.
template <class T, T kVide> class Treillis {
public:
    Treillis(int nx, int ny, int nz, bool glissant)
        : ly(ny), lz(nz), nbPlans(glissant ? std::min(2, nx) : nx),
          cellules(static_cast<std::size_t>(nbPlans) * ny * nz, kVide),
          occupees(static_cast<std::size_t>(nbPlans)) {}

    T& cellule(int i, int j, int k) {
        return cellules[(static_cast<std::size_t>(i % nbPlans) * ly + j) * lz + k];
    }

    // Records that cell (i, j, k) has just received its vertex.
    void occuper(int i, int j, int k) {
        occupees[static_cast<std::size_t>(i % nbPlans)].push_back(j * lz + k);
    }

    // Hands the vertices of plane i to f in (j, k) order and empties the plane.
    template <typename F> void vider(int i, F&& f) {
        std::vector<int>& liste = occupees[static_cast<std::size_t>(i % nbPlans)];
        std::sort(liste.begin(), liste.end());
        T* plan = &cellules[static_cast<std::size_t>(i % nbPlans) * ly * lz];
        for (int c : liste) {
            f(plan[c]);
            plan[c] = kVide;
        }
        liste.clear();
    }

    int plans() const { return nbPlans; }

private:
    int ly, lz, nbPlans;
    std::vector<T> cellules;
    std::vector<std::vector<int>> occupees;
};

// The faces on the surface of a region (read off it by facesAuBord) in the order both
// constructions take them: its border voxels in list order, those within the box, then their
// faces by direction; and the lattice of their corners.
class ParcoursFaces {
public:
    ParcoursFaces(const CRegion3D& region, const FacesRegion& faces)
        : bord_(region.voxelsBord), masques_(faces.masques) {
        nbBord =
            region.nbVoxels > 0 ? std::min(bord_.longueur(), static_cast<int>(masques_.size())) : 0;
        if (nbBord == 0)
            return;
        x0 = region.boiteX.x, y0 = region.boiteY.x, z0 = region.boiteZ.x;
        lx = region.boiteX.y - x0 + 2, ly = region.boiteY.y - y0 + 2, lz = region.boiteZ.y - z0 + 2;
        for (int n = 1; n < nbBord && enOrdre; ++n)
            enOrdre = bord_[n - 1].x <= bord_[n].x;
        for (int n = 0; n < nbBord; ++n)
            nbFaces += static_cast<std::size_t>(std::popcount(static_cast<unsigned>(
                masques_[static_cast<std::size_t>(n)] & ~FacesRegion::kDansBoite)));
    }

    // face(p, c, d) for each face, p its voxel, c = (i, j, k) that voxel's lattice cell, d its
    // direction; every plane of the lattice goes to treillis.vider(plane, lister) once the walk
    // has passed it, in ascending order (all of them at the end when the window is whole).
    template <class T, T kVide, class Lister, class Face>
    void parcourir(Treillis<T, kVide>& treillis, Lister&& lister, Face&& face) const {
        int planBas = 0; // lowest plane of the window still to be handed over
        for (int n = 0; n < nbBord; ++n) {
            const CTriplet<int> p = bord_[n];
            const std::uint8_t masque = masques_[static_cast<std::size_t>(n)];
            if ((masque & FacesRegion::kDansBoite) == 0)
                continue;
            const int c[3] = {p.x - x0, p.y - y0, p.z - z0};
            if (enOrdre && c[0] > planBas) {
                treillis.vider(planBas, lister);
                if (c[0] > planBas + 1)
                    treillis.vider(planBas + 1, lister);
                planBas = c[0];
            }
            for (int d = 0; d < 6; ++d)
                if ((masque & 1u << d) != 0)
                    face(p, c, d);
        }
        for (int i = planBas; i < std::min(lx, planBas + treillis.plans()); ++i)
            treillis.vider(i, lister);
    }

    int nbBord = 0;             // border voxels read
    int x0 = 0, y0 = 0, z0 = 0; // the voxel of the lattice's first cell
    int lx = 1, ly = 1, lz = 1; // cells of the lattice along each axis
    bool enOrdre = true;        // the border in ascending x: a window of two planes suffices
    std::size_t nbFaces = 0;    // faces on the surface

private:
    const CListeVoxels& bord_;
    const std::vector<std::uint8_t>& masques_;
};

} // namespace Stravol
