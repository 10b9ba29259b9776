#include "view/TamponsMaillage.h"

#include "mesh/CMaillageTriangleChRegion.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <cstdint>

namespace Stravol {

namespace {

// Pending GL errors read off before a copy whose own error is checked.
constexpr int kErreursGLMax = 8;

QOpenGLFunctions* fonctions() { return QOpenGLContext::currentContext()->functions(); }

// Byte offset into a bound buffer, as the array functions take it.
const void* decalage(std::size_t octets) {
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(octets));
}

} // namespace

TamponsMaillage::Cle TamponsMaillage::cleDe(const CMaillageTriangleChRegion& m) {
    Cle c;
    c.maillage = &m;
    c.sommets[0] = m.premierSommet;
    c.sommets[1] = m.dernierSommet;
    c.triangles[0] = m.premierTriangle;
    c.triangles[1] = m.dernierTriangle;
    c.nbSommets = m.nbSommets;
    c.nbTriangles = m.nbTriangles;
    const float cadre[5] = {CPoint3D::width, CPoint3D::height, CPoint3D::depth, CPoint3D::maxdim,
                            CPoint3D::step_z};
    for (int i = 0; i < 5; ++i)
        c.cadre[i] = cadre[i];
    return c;
}

void TamponsMaillage::invalider() {
    for (Partie* p : {&faces, &lisses, &fil}) {
        p->chargee = false;
        p->echec = false;
    }
    cle = Cle();
}

void TamponsMaillage::liberer() {
    QOpenGLFunctions* f = QOpenGLContext::currentContext() ? fonctions() : nullptr;
    for (Partie* p : {&faces, &lisses, &fil}) {
        if (f != nullptr && p->sommets != 0) {
            const GLuint noms[2] = {p->sommets, p->elements};
            f->glDeleteBuffers(2, noms);
        }
        *p = Partie();
    }
    cle = Cle();
}

void TamponsMaillage::oublier() {
    for (Partie* p : {&faces, &lisses, &fil})
        *p = Partie();
    cle = Cle();
}

void TamponsMaillage::delier() {
    QOpenGLFunctions* f = fonctions();
    f->glBindBuffer(GL_ARRAY_BUFFER, 0);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

bool TamponsMaillage::preparer(Partie& p, CMaillageTriangleChRegion& m,
                               void (*construire)(CMaillageTriangleChRegion&, TableauxMaillage&)) {
    if (p.echec)
        return false;
    QOpenGLFunctions* f = fonctions();
    if (p.chargee) {
        f->glBindBuffer(GL_ARRAY_BUFFER, p.sommets);
        f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, p.elements);
        return true;
    }
    if (p.sommets == 0) {
        GLuint noms[2] = {0, 0};
        f->glGenBuffers(2, noms);
        p.sommets = noms[0];
        p.elements = noms[1];
    }
    TableauxMaillage t;
    construire(m, t);
    const std::size_t octetsPositions = t.positions.size() * sizeof(float);
    const std::size_t octetsNormales = t.normales.size() * sizeof(float);
    const std::size_t octetsIndices = t.indices.size() * sizeof(GLuint);
    // Errors left by earlier calls are not this copy's.
    for (int i = 0; i < kErreursGLMax && f->glGetError() != GL_NO_ERROR; ++i) {
    }
    f->glBindBuffer(GL_ARRAY_BUFFER, p.sommets);
    f->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(octetsPositions + octetsNormales),
                    nullptr, GL_STATIC_DRAW);
    if (octetsPositions > 0)
        f->glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(octetsPositions),
                           t.positions.data());
    if (octetsNormales > 0)
        f->glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(octetsPositions),
                           static_cast<GLsizeiptr>(octetsNormales), t.normales.data());
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, p.elements);
    f->glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(octetsIndices),
                    octetsIndices > 0 ? t.indices.data() : nullptr, GL_STATIC_DRAW);
    if (f->glGetError() == GL_OUT_OF_MEMORY) {
        // Nothing is kept: the buffers shrink back and the part draws from memory.
        f->glBufferData(GL_ELEMENT_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
        f->glBindBuffer(GL_ARRAY_BUFFER, p.sommets);
        f->glBufferData(GL_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
        delier();
        p.echec = true;
        return false;
    }
    ++chargements;
    p.sources = SourcesTableaux();
    p.sources.positions = decalage(0);
    p.sources.normales = decalage(octetsPositions);
    p.sources.avecNormales = !t.normales.empty();
    p.sources.indices = decalage(0);
    p.sources.indexe = !t.indices.empty();
    p.sources.nb =
        static_cast<GLsizei>(p.sources.indexe ? t.indices.size() : t.positions.size() / 3);
    p.boite = t.boite;
    p.ordreExterieur = t.ordreExterieur;
    p.chargee = true;
    return true;
}

void TamponsMaillage::dessiner(CMaillageTriangleChRegion& m) {
    const Cle actuelle = cleDe(m);
    if (!(actuelle == cle)) {
        invalider();
        cle = actuelle;
    }
    if (m.afficherFaces) {
        if (preparer(faces, m, construireFaces)) {
            appliquerMateriaux(m);
            dessinerTableaux(GL_TRIANGLES, faces.sources);
            delier();
        } else {
            m.dessinerFaces();
        }
    }
    if (m.afficherFacesLisses) {
        if (preparer(lisses, m, construireFacesLisses)) {
            appliquerMateriaux(m);
            dessinerSurface(lisses.sources, lisses.boite, lisses.ordreExterieur,
                            m.materielDiffus[3]);
            delier();
        } else {
            m.dessinerFacesSmooth();
        }
    }
    if (m.afficherAretes) {
        glDisable(GL_LIGHTING);
        if (preparer(fil, m, construireFil)) {
            glColor3f(0, 0, 0);
            dessinerTableaux(GL_LINES, fil.sources);
            delier();
        } else {
            m.dessinerFil();
        }
        glEnable(GL_LIGHTING);
    }
    if (m.afficherSommets)
        m.dessinerSommetsExplorateur();
    if (m.afficherNormales) {
        glDisable(GL_LIGHTING);
        m.dessinerNormales();
        glEnable(GL_LIGHTING);
    }
    if (m.afficherVecteurs) {
        glDisable(GL_LIGHTING);
        m.dessinerVecteurs();
        glEnable(GL_LIGHTING);
    }
}

} // namespace Stravol
