#include "view/TamponsPlats.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <algorithm>
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

bool avecNormales(const MaillagePlat& m) { return m.normales.size() == m.positions.size(); }

// The triangles from the arrays given (client memory, or offsets into the bound buffers).
void dessinerTableaux(const MaillagePlat& m, const void* positions, const void* normales,
                      const void* triangles) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions);
    if (avecNormales(m)) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, normales);
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(m.triangles.size()), GL_UNSIGNED_INT,
                   triangles);
    if (avecNormales(m))
        glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void delier() {
    QOpenGLFunctions* f = fonctions();
    f->glBindBuffer(GL_ARRAY_BUFFER, 0);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

} // namespace

TamponsPlats::Cle TamponsPlats::cleDe(const MaillagePlat& m) {
    return {m.positions.data(), m.normales.data(), m.triangles.data(),
            m.positions.size(), m.normales.size(), m.triangles.size()};
}

void TamponsPlats::liberer(Tampon& t) {
    if (t.sommets != 0) {
        const GLuint noms[2] = {t.sommets, t.elements};
        fonctions()->glDeleteBuffers(2, noms);
    }
    t = Tampon();
}

bool TamponsPlats::preparer(Tampon& t, const MaillagePlat& m) {
    const Cle cle = cleDe(m);
    if (t.cle == cle && (t.echec || t.sommets != 0)) {
        if (t.echec)
            return false;
        QOpenGLFunctions* f = fonctions();
        f->glBindBuffer(GL_ARRAY_BUFFER, t.sommets);
        f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, t.elements);
        return true;
    }
    QOpenGLFunctions* f = fonctions();
    t.cle = cle;
    t.echec = false;
    if (t.sommets == 0) {
        GLuint noms[2] = {0, 0};
        f->glGenBuffers(2, noms);
        t.sommets = noms[0];
        t.elements = noms[1];
    }
    const std::size_t octetsPositions = m.positions.size() * sizeof(float);
    const std::size_t octetsNormales = avecNormales(m) ? m.normales.size() * sizeof(float) : 0;
    const std::size_t octetsIndices = m.triangles.size() * sizeof(std::uint32_t);
    // Errors left by earlier calls are not this copy's.
    for (int i = 0; i < kErreursGLMax && f->glGetError() != GL_NO_ERROR; ++i) {
    }
    f->glBindBuffer(GL_ARRAY_BUFFER, t.sommets);
    f->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(octetsPositions + octetsNormales),
                    nullptr, GL_STATIC_DRAW);
    f->glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(octetsPositions),
                       m.positions.data());
    if (octetsNormales > 0)
        f->glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(octetsPositions),
                           static_cast<GLsizeiptr>(octetsNormales), m.normales.data());
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, t.elements);
    f->glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(octetsIndices),
                    m.triangles.data(), GL_STATIC_DRAW);
    if (f->glGetError() == GL_OUT_OF_MEMORY) {
        // Nothing is kept: the buffers shrink back and the mesh draws from memory.
        f->glBufferData(GL_ELEMENT_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
        f->glBindBuffer(GL_ARRAY_BUFFER, t.sommets);
        f->glBufferData(GL_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
        delier();
        t.echec = true;
        return false;
    }
    ++chargements_;
    return true;
}

void TamponsPlats::dessiner(const MaillagePlat& m) {
    if (m.vide())
        return;
    Tampon& t = tampons_[&m];
    if (!preparer(t, m)) {
        dessinerTableaux(m, m.positions.data(), m.normales.data(), m.triangles.data());
        return;
    }
    dessinerTableaux(m, decalage(0), decalage(m.positions.size() * sizeof(float)), decalage(0));
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
