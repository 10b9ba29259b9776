#include "view/TamponsPlats.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include "mesh/MesuresPlat.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Stravol {

namespace {

// Pending GL errors read off before a copy whose own error is checked.
constexpr int kErreursGLMax = 8;
// A mesh with more triangles than this many per pixel it covers draws its preview.
constexpr double kTrianglesParPixel = 2.0;

QOpenGLFunctions* fonctions() { return QOpenGLContext::currentContext()->functions(); }

// Byte offset into a bound buffer, as the array functions take it.
const void* decalage(std::size_t octets) {
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(octets));
}

bool avecNormales(const MaillagePlat& m) { return m.normales.size() == m.positions.size(); }

// n vertex numbers from the arrays given (client memory, or offsets into the bound buffers).
void dessinerTableaux(const MaillagePlat& m, const void* positions, const void* normales,
                      const void* triangles, std::size_t n) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions);
    if (avecNormales(m)) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, normales);
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(n), GL_UNSIGNED_INT, triangles);
    if (avecNormales(m))
        glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// The sphere around the vertices: the centre of their box, the farthest vertex from it.
void sphereDe(const MaillagePlat& m, std::array<float, 3>& centre, float& rayon) {
    std::array<float, 3> bas{INFINITY, INFINITY, INFINITY}, haut{-INFINITY, -INFINITY, -INFINITY};
    for (std::size_t i = 0; i + 2 < m.positions.size(); i += 3)
        for (std::size_t k = 0; k < 3; ++k) {
            bas[k] = std::min(bas[k], m.positions[i + k]);
            haut[k] = std::max(haut[k], m.positions[i + k]);
        }
    for (std::size_t k = 0; k < 3; ++k)
        centre[k] = 0.5f * (bas[k] + haut[k]);
    float r2 = 0;
    for (std::size_t i = 0; i + 2 < m.positions.size(); i += 3) {
        float d2 = 0;
        for (std::size_t k = 0; k < 3; ++k)
            d2 += (m.positions[i + k] - centre[k]) * (m.positions[i + k] - centre[k]);
        r2 = std::max(r2, d2);
    }
    rayon = std::sqrt(r2);
}

// Whether a mesh of n triangles of the given surface area, within the sphere (voxel
// coordinates), covers on screen fewer pixels than kTrianglesParPixel times its triangles, under
// the current matrices and viewport. The pixels covered are those of a quarter of its area seen
// face on at the sphere's depth: the mean shadow of a convex surface over every direction, more
// than a folded one casts. A sphere around the eye, or a projection that is not a plain
// perspective, is never small.
bool petitALEcran(const std::array<float, 3>& centre, float rayon, float aire, std::size_t n) {
    GLdouble m[16], p[16];
    GLint vue[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    glGetDoublev(GL_PROJECTION_MATRIX, p);
    glGetIntegerv(GL_VIEWPORT, vue);
    if (p[11] != -1.0 || p[15] != 0.0)
        return false;
    double echelle = 0;
    for (int c = 0; c < 3; ++c)
        echelle = std::max(echelle, std::sqrt(m[4 * c] * m[4 * c] + m[4 * c + 1] * m[4 * c + 1] +
                                              m[4 * c + 2] * m[4 * c + 2]));
    const double profondeur = -(m[2] * centre[0] + m[6] * centre[1] + m[10] * centre[2] + m[14]);
    const double r = rayon * echelle;
    if (profondeur <= r)
        return false;
    // Pixels a voxel spans at that depth, along the larger of the two screen axes.
    const double pixels =
        echelle / profondeur * 0.5 * std::max(std::fabs(p[0]) * vue[2], std::fabs(p[5]) * vue[3]);
    return static_cast<double>(n) > kTrianglesParPixel * 0.25 * aire * pixels * pixels;
}

void delier() {
    QOpenGLFunctions* f = fonctions();
    f->glBindBuffer(GL_ARRAY_BUFFER, 0);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

} // namespace

TamponsPlats::Cle TamponsPlats::cleDe(const MaillagePlat& m,
                                      const std::vector<std::uint32_t>* apercu) {
    return {m.positions.data(), m.normales.data(),
            m.triangles.data(), apercu != nullptr ? apercu->data() : nullptr,
            m.positions.size(), m.normales.size(),
            m.triangles.size(), apercu != nullptr ? apercu->size() : 0};
}

void TamponsPlats::liberer(Tampon& t) {
    if (t.sommets != 0) {
        const GLuint noms[2] = {t.sommets, t.elements};
        fonctions()->glDeleteBuffers(2, noms);
    }
    t = Tampon();
}

bool TamponsPlats::preparer(Tampon& t, const MaillagePlat& m,
                            const std::vector<std::uint32_t>* apercu) {
    const Cle cle = cleDe(m, apercu);
    QOpenGLFunctions* f = fonctions();
    if (t.cle == cle && (t.echec || t.sommets != 0)) {
        if (t.echec)
            return false;
        f->glBindBuffer(GL_ARRAY_BUFFER, t.sommets);
        f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, t.elements);
        return true;
    }
    t.cle = cle;
    t.echec = false;
    sphereDe(m, t.centre, t.rayon);
    t.aire = static_cast<float>(mesurerMaillagePlat(m).aire);
    if (t.sommets == 0) {
        GLuint noms[2] = {0, 0};
        f->glGenBuffers(2, noms);
        t.sommets = noms[0];
        t.elements = noms[1];
    }
    f->glBindBuffer(GL_ARRAY_BUFFER, t.sommets);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, t.elements);
    if (!copier(m, apercu)) {
        // Nothing is kept: the buffers shrink back and the mesh draws from memory.
        f->glBufferData(GL_ELEMENT_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
        f->glBufferData(GL_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
        delier();
        t.echec = true;
        return false;
    }
    ++chargements_;
    return true;
}

bool TamponsPlats::copier(const MaillagePlat& m, const std::vector<std::uint32_t>* apercu) {
    QOpenGLFunctions* f = fonctions();
    const std::size_t octetsPositions = m.positions.size() * sizeof(float);
    const std::size_t octetsNormales = avecNormales(m) ? m.normales.size() * sizeof(float) : 0;
    const std::size_t octetsIndices = m.triangles.size() * sizeof(std::uint32_t);
    const std::size_t octetsApercu = apercu != nullptr ? apercu->size() * sizeof(std::uint32_t) : 0;
    // Errors left by earlier calls are not this copy's.
    for (int i = 0; i < kErreursGLMax && f->glGetError() != GL_NO_ERROR; ++i) {
    }
    f->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(octetsPositions + octetsNormales),
                    nullptr, GL_STATIC_DRAW);
    f->glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(octetsPositions),
                       m.positions.data());
    if (octetsNormales > 0)
        f->glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(octetsPositions),
                           static_cast<GLsizeiptr>(octetsNormales), m.normales.data());
    // The mesh's triangles, then its preview's.
    f->glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(octetsIndices + octetsApercu),
                    nullptr, GL_STATIC_DRAW);
    f->glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(octetsIndices),
                       m.triangles.data());
    if (octetsApercu > 0)
        f->glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLintptr>(octetsIndices),
                           static_cast<GLsizeiptr>(octetsApercu), apercu->data());
    return f->glGetError() != GL_OUT_OF_MEMORY;
}

void TamponsPlats::dessiner(const MaillagePlat& m, const std::vector<std::uint32_t>* apercu) {
    if (m.vide())
        return;
    if (apercu != nullptr && apercu->empty())
        apercu = nullptr;
    Tampon& t = tampons_[&m];
    const bool enBuffers = preparer(t, m, apercu);
    const bool reduit =
        apercu != nullptr && petitALEcran(t.centre, t.rayon, t.aire, m.nbTriangles());
    if (reduit)
        ++apercus_;
    const std::size_t n = reduit ? apercu->size() : m.triangles.size();
    if (!enBuffers) {
        dessinerTableaux(m, m.positions.data(), m.normales.data(),
                         reduit ? apercu->data() : m.triangles.data(), n);
        return;
    }
    dessinerTableaux(m, decalage(0), decalage(m.positions.size() * sizeof(float)),
                     decalage(reduit ? m.triangles.size() * sizeof(std::uint32_t) : 0), n);
    delier();
}

void TamponsPlats::garderSeulement(const std::vector<const MaillagePlat*>& gardes) {
    std::vector<const MaillagePlat*> tries = gardes;
    std::sort(tries.begin(), tries.end());
    for (auto it = tampons_.begin(); it != tampons_.end();) {
        if (std::binary_search(tries.begin(), tries.end(), it->first)) {
            ++it;
            continue;
        }
        liberer(it->second);
        it = tampons_.erase(it);
    }
}

void TamponsPlats::liberer() {
    if (QOpenGLContext::currentContext() != nullptr)
        for (auto& [m, t] : tampons_)
            liberer(t);
    tampons_.clear();
}

void TamponsPlats::oublier() { tampons_.clear(); }

} // namespace Stravol
