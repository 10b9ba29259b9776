#pragma once
// A mesh's faces and edges kept in buffers of an OpenGL context from one frame to the next, so
// that a frame that only moves the eye sends nothing to the driver but the draw calls.

#include "view/gl/TableauxMaillage.h"

class CMaillageTriangleChRegion;

namespace Stravol {

class TamponsMaillage {
public:
    TamponsMaillage() = default;
    TamponsMaillage(const TamponsMaillage&) = delete;
    TamponsMaillage& operator=(const TamponsMaillage&) = delete;

    // Draws m on the current context as its dessinerOpenGL does, to the pixel. The arrays of
    // each part shown (flat faces, smooth faces, edges) are built and copied into buffers when
    // m is not the mesh of the last copy, when its counts, its first or last vertex or
    // triangle, or the scene's frame (CPoint3D) have changed since, or after invalider();
    // otherwise the buffers are drawn as they stand. A part the driver has no memory for is
    // drawn from memory, as dessinerOpenGL does, until the next copy. Vertices, normals and
    // arrows go to dessinerOpenGL's own drawing.
    void dessiner(CMaillageTriangleChRegion& m);
    // The mesh may have changed in place: the next dessiner copies its arrays again.
    void invalider();
    // Releases the buffers; the context that made them must be current.
    void liberer();
    // Forgets the buffers without releasing them, their context being gone.
    void oublier();
    // Copies of a part's arrays into buffers so far.
    int nbChargements() const { return chargements; }

private:
    // One part of the drawing and the buffers that hold it.
    struct Partie {
        unsigned int sommets = 0;  // positions, then normals
        unsigned int elements = 0; // vertex numbers
        bool chargee = false;
        bool echec = false;
        SourcesTableaux sources;
        BoiteScene boite;
        bool ordreExterieur = false;
    };
    // What tells one state of the mesh and of the scene's frame from another without reading
    // the mesh.
    struct Cle {
        const CMaillageTriangleChRegion* maillage = nullptr;
        const void* sommets[2] = {nullptr, nullptr};
        const void* triangles[2] = {nullptr, nullptr};
        int nbSommets = 0, nbTriangles = 0;
        float cadre[5] = {0, 0, 0, 0, 0};
        bool operator==(const Cle&) const = default;
    };
    static Cle cleDe(const CMaillageTriangleChRegion& m);
    // Binds the part's buffers, after filling them with construire's arrays when needed;
    // false when they cannot hold them (nothing is then bound).
    bool preparer(Partie& p, CMaillageTriangleChRegion& m,
                  void (*construire)(CMaillageTriangleChRegion&, TableauxMaillage&));
    static void delier();

    Partie faces, lisses, fil;
    Cle cle;
    int chargements = 0;
};

} // namespace Stravol
