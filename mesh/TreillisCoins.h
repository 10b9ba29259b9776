#pragma once
// What the two constructions of a region's face mesh share (the linked mesh's and the flat
// one's): the corners of a voxel's faces and the window of lattice cells that numbers them.

#include <algorithm>
#include <cstddef>
#include <vector>

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

} // namespace Stravol
