// Drawing of the mesh in scene coordinates on the current OpenGL context. Positions and normals
// are converted from voxel coordinates at every call; faces and edges go to OpenGL as vertex
// arrays (one primitive block per call), arrows and spheres one by one. The arrays are built by
// functions of their own, so that a view can keep them in buffers across frames.

#include "mesh/CMaillageTriangleChRegion.h"
#include "view/gl/Fleche.h"
#include "view/gl/TableauxMaillage.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace {

// Scratch arrays reused from frame to frame (drawing runs on one thread).
Stravol::TableauxMaillage tableaux;
std::vector<const CSommetChRegion*> numerotes;
int baseNumeros = 0;

// freeglut ends the process when it cannot reach an X display with GLX, so it is initialised
// only when one answers; otherwise the spheres are drawn with a GLU quadric of the same slices
// and stacks.
bool glutUtilisable() {
    static const bool utilisable = [] {
        Display* affichage = XOpenDisplay(nullptr);
        if (affichage == nullptr)
            return false;
        const bool glx = glXQueryExtension(affichage, nullptr, nullptr);
        XCloseDisplay(affichage);
        if (!glx)
            return false;
        int argc = 1;
        char nom[] = "stravol";
        char* argv[] = {nom, nullptr};
        glutInit(&argc, argv);
        return true;
    }();
    return utilisable;
}

void sphereSolide(float rayon, int tranches, int piles) {
    if (glutUtilisable()) {
        glutSolidSphere(rayon, tranches, piles);
        return;
    }
    GLUquadric* q = gluNewQuadric();
    gluQuadricDrawStyle(q, GLU_FILL);
    gluQuadricNormals(q, GLU_SMOOTH);
    gluSphere(q, rayon, tranches, piles);
    gluDeleteQuadric(q);
}

void ajouter(std::vector<float>& v, const CPoint3D& p) {
    v.push_back(p.x);
    v.push_back(p.y);
    v.push_back(p.z);
}

// A voxel-space direction as a unit drawing-space normal; a null direction stays null.
CPoint3D normaleGL(const CPoint3D& d) {
    const CPoint3D n = d.Image2GLVect();
    const float longueur = n.norme();
    return longueur > 0 ? n / longueur : CPoint3D();
}

// Visits the listed vertices in list order, at most nbSommets of them.
template <class F> void pourChaqueSommet(CSommetChRegion* premier, int nb, F&& f) {
    CSommetChRegion* v = premier;
    for (int i = 0; i < nb && v != nullptr; ++i, v = v->suivant)
        f(v, i);
}

template <class F> void pourChaqueTriangle(CTriangleChRegion* premier, int nb, F&& f) {
    CTriangleChRegion* t = premier;
    for (int i = 0; i < nb && t != nullptr; ++i, t = t->suivant)
        f(t);
}

// Axis-aligned box of a list of drawn positions (x, y, z triples, scene coordinates).
Stravol::BoiteScene boiteDe(const std::vector<float>& p) {
    Stravol::BoiteScene b;
    for (std::size_t i = 0; i + 2 < p.size(); i += 3)
        for (int k = 0; k < 3; ++k) {
            b.min[k] = std::min(b.min[k], p[i + k]);
            b.max[k] = std::max(b.max[k], p[i + k]);
        }
    return b;
}

// True when the faces about to be drawn cover what lies behind them: blending off, or an alpha
// of 1 (the diffuse material's when lit, the current colour's otherwise). Translucent faces let
// the far side of the surface show through, so its back faces are not hidden.
bool facesOpaques(float alphaDiffus) {
    if (!glIsEnabled(GL_BLEND))
        return true;
    if (glIsEnabled(GL_LIGHTING))
        return alphaDiffus >= 1.0f;
    GLfloat couleur[4];
    glGetFloatv(GL_CURRENT_COLOR, couleur);
    return couleur[3] >= 1.0f;
}

} // namespace

namespace Stravol {

bool facesArrieresCachees(const BoiteScene& b) {
    GLfloat m[16], p[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    if (p[11] != -1.0f || p[15] != 0.0f || p[0] == 0.0f || p[5] == 0.0f || p[10] == 1.0f)
        return false;
    for (int c = 0; c < 3; ++c) {
        const float n =
            m[4 * c] * m[4 * c] + m[4 * c + 1] * m[4 * c + 1] + m[4 * c + 2] * m[4 * c + 2];
        if (std::fabs(n - 1.0f) > 1e-3f)
            return false;
    }
    // Eye position in the mesh's scene coordinates: -R^T t of the eye transform.
    float oeil[3];
    for (int k = 0; k < 3; ++k)
        oeil[k] = -(m[4 * k] * m[12] + m[4 * k + 1] * m[13] + m[4 * k + 2] * m[14]);
    double distance2 = 0;
    for (int k = 0; k < 3; ++k) {
        const float ecart = std::max({b.min[k] - oeil[k], 0.0f, oeil[k] - b.max[k]});
        distance2 += double(ecart) * ecart;
    }
    // Farthest point of the near-plane rectangle from the eye.
    const double proche = p[14] / (p[10] - 1.0);
    const double coin = proche * std::sqrt(1.0 + 1.0 / (p[0] * p[0]) + 1.0 / (p[5] * p[5]));
    return proche > 0 && std::sqrt(distance2) > 1.01 * coin;
}

void TableauxMaillage::vider() {
    positions.clear();
    normales.clear();
    indices.clear();
    ordreExterieur = false;
    boite = BoiteScene();
}

void construireFaces(CMaillageTriangleChRegion& m, TableauxMaillage& t) {
    t.vider();
    pourChaqueTriangle(m.premierTriangle, m.nbTriangles, [&t](CTriangleChRegion* f) {
        const CPoint3D n = normaleGL(CPoint3D(f->normale[0], f->normale[1], f->normale[2]));
        for (const CSommetChRegion* coin : {f->a, f->b, f->c}) {
            ajouter(t.normales, n);
            ajouter(t.positions, coin->Image2GL());
        }
    });
}

void construireFacesLisses(CMaillageTriangleChRegion& m, TableauxMaillage& t) {
    // Each vertex is converted once, numbered in the order the triangles first reach it so
    // that neighbouring triangles address neighbouring array entries. Its number, offset by a
    // base that grows from call to call, is kept in the vertex's `indice` (working storage
    // otherwise written only by the copy); `numerotes` confirms it, so a value left by an
    // earlier call or by a copy is never taken for this call's. Only the triangle list is
    // walked: the mesh is read once.
    t.vider();
    numerotes.clear();
    if (baseNumeros > std::numeric_limits<int>::max() / 2)
        baseNumeros = 0;
    const int base = baseNumeros;
    const auto numero = [base, &t](CSommetChRegion* v) {
        const long long k = static_cast<long long>(v->indice) - base;
        if (k >= 0 && k < static_cast<long long>(numerotes.size()) &&
            numerotes[static_cast<std::size_t>(k)] == v)
            return static_cast<GLuint>(k);
        v->indice = base + static_cast<int>(numerotes.size());
        numerotes.push_back(v);
        ajouter(t.positions, v->Image2GL());
        ajouter(t.normales, normaleGL(v->normale));
        return static_cast<GLuint>(numerotes.size() - 1);
    };
    bool ordreExterieur = true;
    pourChaqueTriangle(m.premierTriangle, m.nbTriangles, [&](CTriangleChRegion* f) {
        if (f->suivant != nullptr)
            __builtin_prefetch(f->suivant);
        ordreExterieur = ordreExterieur && (f->orientation == 1 || f->orientation == -1);
        // The corners go counter-clockwise seen from outside; the face is the same.
        t.indices.push_back(numero(f->a));
        t.indices.push_back(numero(f->orientation < 0 ? f->c : f->b));
        t.indices.push_back(numero(f->orientation < 0 ? f->b : f->c));
    });
    baseNumeros = base + static_cast<int>(numerotes.size());
    t.ordreExterieur = ordreExterieur;
    t.boite = boiteDe(t.positions);
}

void construireFil(CMaillageTriangleChRegion& m, TableauxMaillage& t) {
    // An edge is drawn from the lower address of its two ends only, hence once.
    t.vider();
    int nb = 0;
    pourChaqueSommet(m.premierSommet, m.nbSommets, [&](CSommetChRegion* v, int i) {
        v->indice = i;
        ajouter(t.positions, (static_cast<const CPoint3D&>(*v) + v->normale * 0.01).Image2GL());
        nb = i + 1;
    });
    const std::less<const CSommetChRegion*> avant;
    pourChaqueSommet(m.premierSommet, m.nbSommets, [&](CSommetChRegion* v, int) {
        for (int k = 0; k < v->voisins.longueur(); ++k) {
            const CSommetChRegion* u = v->voisins[k];
            if (avant(v, u) && u->indice >= 0 && u->indice < nb) {
                t.indices.push_back(static_cast<GLuint>(v->indice));
                t.indices.push_back(static_cast<GLuint>(u->indice));
            }
        }
    });
}

SourcesTableaux sourcesMemoire(const TableauxMaillage& t) {
    SourcesTableaux s;
    s.positions = t.positions.data();
    s.normales = t.normales.data();
    s.avecNormales = !t.normales.empty();
    s.indices = t.indices.data();
    s.indexe = !t.indices.empty();
    s.nb = static_cast<GLsizei>(s.indexe ? t.indices.size() : t.positions.size() / 3);
    return s;
}

void appliquerMateriaux(const CMaillageTriangleChRegion& m) {
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.materielSpeculaire);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m.materielDiffus);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m.materielAmbiant);
}

void dessinerTableaux(GLenum mode, const SourcesTableaux& s) {
    if (s.nb == 0)
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, s.positions);
    if (s.avecNormales) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, s.normales);
    }
    if (s.indexe)
        glDrawElements(mode, s.nb, GL_UNSIGNED_INT, s.indices);
    else
        glDrawArrays(mode, 0, s.nb);
    if (s.avecNormales)
        glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void dessinerSurface(const SourcesTableaux& s, const BoiteScene& boite, bool ordreExterieur,
                     float alphaDiffus) {
    const bool eliminer =
        ordreExterieur && facesOpaques(alphaDiffus) && facesArrieresCachees(boite);
    const bool avant = glIsEnabled(GL_CULL_FACE);
    if (eliminer) {
        // Image2GL turns the y axis over, a mirror (with a positive slice step): a triangle
        // counter-clockwise from outside in voxel coordinates is clockwise in the scene, unless
        // the eye transform mirrors once more (a volume drawn in its world).
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        const float determinant = m[0] * (m[5] * m[10] - m[9] * m[6]) -
                                  m[4] * (m[1] * m[10] - m[9] * m[2]) +
                                  m[8] * (m[1] * m[6] - m[5] * m[2]);
        const bool miroir = (CPoint3D::step_z > 0) != (determinant < 0);
        glCullFace(GL_BACK);
        glFrontFace(miroir ? GL_CW : GL_CCW);
        glEnable(GL_CULL_FACE);
    }
    dessinerTableaux(GL_TRIANGLES, s);
    if (eliminer) {
        glFrontFace(GL_CCW);
        if (!avant)
            glDisable(GL_CULL_FACE);
    }
}

} // namespace Stravol

void CMaillageTriangleChRegion::dessinerOpenGL() {
    if (afficherFaces)
        dessinerFaces();
    if (afficherFacesLisses)
        dessinerFacesSmooth();
    if (afficherAretes) {
        glDisable(GL_LIGHTING);
        dessinerFil();
        glEnable(GL_LIGHTING);
    }
    if (afficherSommets)
        dessinerSommetsExplorateur();
    if (afficherNormales) {
        glDisable(GL_LIGHTING);
        dessinerNormales();
        glEnable(GL_LIGHTING);
    }
    if (afficherVecteurs) {
        glDisable(GL_LIGHTING);
        dessinerVecteurs();
        glEnable(GL_LIGHTING);
    }
}

void CMaillageTriangleChRegion::dessinerFaces() {
    Stravol::appliquerMateriaux(*this);
    Stravol::construireFaces(*this, tableaux);
    Stravol::dessinerTableaux(GL_TRIANGLES, Stravol::sourcesMemoire(tableaux));
}

void CMaillageTriangleChRegion::dessinerFacesSmooth() {
    Stravol::appliquerMateriaux(*this);
    Stravol::construireFacesLisses(*this, tableaux);
    Stravol::dessinerSurface(Stravol::sourcesMemoire(tableaux), tableaux.boite,
                             tableaux.ordreExterieur, materielDiffus[3]);
}

void CMaillageTriangleChRegion::dessinerFil() {
    glColor3f(0, 0, 0);
    Stravol::construireFil(*this, tableaux);
    Stravol::dessinerTableaux(GL_LINES, Stravol::sourcesMemoire(tableaux));
}

void CMaillageTriangleChRegion::dessinerSommetsExplorateur() {
    for (CSommetChRegion** e = sommetsActifs.elementDebut(); e != nullptr;
         e = sommetsActifs.elementSuivant()) {
        const CSommetChRegion* v = *e;
        const float c = v->actif ? 1.0f : 0.0f;
        const float couleur[4] = {c, c, c, 1.0f};
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, couleur);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, couleur);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, couleur);
        const CPoint3D p = v->Image2GL();
        glTranslatef(p.x, p.y, p.z);
        sphereSolide(rayonSphere, 5, 5);
        glTranslatef(-p.x, -p.y, -p.z);
    }
}

void CMaillageTriangleChRegion::dessinerNormales() {
    glColor3f(1, 0, 0);
    pourChaqueSommet(premierSommet, nbSommets, [](CSommetChRegion* v, int) {
        const CPoint3D& p = *v;
        dessinerFleche(p.Image2GL(), (p + v->normale * 2.0).Image2GL(), 8, 0.05f, 0.25f);
    });
}

void CMaillageTriangleChRegion::dessinerVecteurs() {
    glColor3f(0, 1, 0);
    pourChaqueSommet(premierSommet, nbSommets, [](CSommetChRegion* v, int) {
        const CPoint3D& p = *v;
        dessinerFleche(p.Image2GL(), (p + v->vecteur1).Image2GL(), 8, 0.05f, 0.25f);
    });
}
