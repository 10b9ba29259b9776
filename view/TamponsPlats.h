#pragma once
// Flat meshes kept in buffers of an OpenGL context from one frame to the next: each mesh's
// positions and normals in one buffer, its triangles (and those of its preview) in another,
// copied the first time it is drawn and again only when its arrays change, so that a frame of
// hundreds of label meshes sends the driver nothing but the draw calls. A mesh that covers on
// screen fewer pixels than it has triangles draws its preview instead, when it has one.

#include "mesh/MaillagePlat.h"

#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace Stravol {

class TamponsPlats {
public:
    TamponsPlats() = default;
    TamponsPlats(const TamponsPlats&) = delete;
    TamponsPlats& operator=(const TamponsPlats&) = delete;

    // Draws the triangles of m, lit by its vertex normals when it has them, on the current
    // context; those of apercu (over m's vertices) instead while m shows small under the
    // current matrices. A mesh the driver has no memory for is drawn from memory.
    void dessiner(const MaillagePlat& m, const std::vector<std::uint32_t>* apercu = nullptr);
    // Previews drawn in place of their meshes so far.
    int nbApercus() const { return apercus_; }
    // Releases the buffers of every mesh not among gardes; the context must be current.
    void garderSeulement(const std::vector<const MaillagePlat*>& gardes);
    // Releases every buffer; the context that made them must be current.
    void liberer();
    // Forgets the buffers without releasing them, their context being gone.
    void oublier();
    // Copies of a mesh into buffers so far.
    int nbChargements() const { return chargements_; }

private:
    // What tells one state of a mesh's arrays from another without reading them.
    struct Cle {
        const void* positions = nullptr;
        const void* normales = nullptr;
        const void* triangles = nullptr;
        const void* apercu = nullptr;
        std::size_t nbPositions = 0, nbNormales = 0, nbTriangles = 0, nbApercu = 0;
        bool operator==(const Cle&) const = default;
    };
    struct Tampon {
        unsigned int sommets = 0;  // positions, then normals
        unsigned int elements = 0; // vertex numbers
        Cle cle;
        bool echec = false; // the driver had no memory: drawn from memory
        // The sphere around the mesh's vertices (voxel coordinates).
        std::array<float, 3> centre{};
        float rayon = 0;
        float aire = 0; // of the mesh's surface, voxel units
    };
    static Cle cleDe(const MaillagePlat& m, const std::vector<std::uint32_t>* apercu);
    // Binds the mesh's buffers, after copying its arrays when they changed; false when they
    // cannot hold them (nothing is then bound).
    bool preparer(Tampon& t, const MaillagePlat& m, const std::vector<std::uint32_t>* apercu);
    // Copies the arrays into the buffers bound; false when the driver has no memory for them.
    bool copier(const MaillagePlat& m, const std::vector<std::uint32_t>* apercu);
    static void liberer(Tampon& t);

    std::map<const MaillagePlat*, Tampon> tampons_;
    int chargements_ = 0;
    int apercus_ = 0;
};

} // namespace Stravol
