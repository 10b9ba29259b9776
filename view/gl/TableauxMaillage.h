#pragma once
// The arrays through which a mesh's faces and edges are drawn, in scene coordinates: built from
// the mesh, then drawn either from the arrays themselves or from buffers they were copied into.
// Plain OpenGL 1.1 drawing; the drawing functions need a current context.

#include <GL/gl.h>

#include <cmath>
#include <vector>

class CMaillageTriangleChRegion;

namespace Stravol {

// Axis-aligned box of drawn positions (scene coordinates).
struct BoiteScene {
    float min[3] = {INFINITY, INFINITY, INFINITY};
    float max[3] = {-INFINITY, -INFINITY, -INFINITY};
};

// One primitive block: positions (x, y, z a vertex), unit normals per vertex (or none), and
// the vertex numbers of the primitives (or none: the vertices in order).
struct TableauxMaillage {
    std::vector<float> positions;
    std::vector<float> normales;
    std::vector<GLuint> indices;
    // Triangles sent counter-clockwise seen from outside, in voxel coordinates.
    bool ordreExterieur = false;
    BoiteScene boite;

    void vider();
};

// Flat faces: three vertices a triangle, each with the triangle's normal.
void construireFaces(CMaillageTriangleChRegion& m, TableauxMaillage& t);
// Smooth faces: each vertex once, with its normal, numbered in the order the triangles first
// reach it; the triangles' corners counter-clockwise seen from outside where the mesh knows
// its orientation. Writes the vertices' working numbers (`indice`).
void construireFacesLisses(CMaillageTriangleChRegion& m, TableauxMaillage& t);
// Edges: every vertex lifted 0.01 voxel along its normal, each edge once. Writes the vertices'
// working numbers.
void construireFil(CMaillageTriangleChRegion& m, TableauxMaillage& t);

// Where a drawing reads its arrays: addresses in memory, or offsets into the bound array and
// element buffers.
struct SourcesTableaux {
    const void* positions = nullptr;
    const void* normales = nullptr;
    const void* indices = nullptr;
    bool avecNormales = false;
    bool indexe = false;
    // Vertex numbers when indexed, vertices otherwise.
    GLsizei nb = 0;
};

// The sources of arrays kept in memory.
SourcesTableaux sourcesMemoire(const TableauxMaillage& t);

// The mesh's specular, diffuse and ambient materials, front and back.
void appliquerMateriaux(const CMaillageTriangleChRegion& m);
// A closed surface inside b (scene coordinates of the current modelview) seen from outside
// hides every back face behind a front face, so skipping back faces leaves the picture
// unchanged. True while the eye is outside b and the near plane cannot cut into the surface
// (which would open it), under a rigid eye transform and a perspective projection.
bool facesArrieresCachees(const BoiteScene& b);
// Draws one primitive block.
void dessinerTableaux(GLenum mode, const SourcesTableaux& s);
// Draws triangles, skipping back faces when they are all hidden behind opaque front faces: the
// triangles are counter-clockwise from outside, the eye outside the box and the faces opaque
// (only a depth tie between a back and a front face on the silhouette could show otherwise).
void dessinerSurface(const SourcesTableaux& s, const BoiteScene& boite, bool ordreExterieur,
                     float alphaDiffus);

} // namespace Stravol
