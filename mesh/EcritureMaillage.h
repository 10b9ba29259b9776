#pragma once
// What the mesh writers share: byte buffers written whole under a temporary name, and the
// frame of the written coordinates.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "mesh/ExportScene.h"

class CPoint3D;

namespace Stravol {

struct Geometrie;

namespace ecriture {

using Tampon = std::string;

// Little-endian integer of nbOctets bytes.
void ajouterOctets(Tampon& tampon, std::uint32_t valeur, int nbOctets);
void ajouterFloat(Tampon& tampon, float f);
// Shortest decimal text that reads back as the same value.
void ajouterTexte(Tampon& tampon, float f);
void ajouterTexte(Tampon& tampon, int n);
void ajouterTexte(Tampon& tampon, std::uint64_t n);
// Three little-endian floats; inline, as the STL writer calls it four times a triangle.
constexpr std::size_t kOctetsPoint = 12;
inline void octetsPoint(char* sortie, const float p[3]) {
    for (int k = 0; k < 3; ++k) {
        std::uint32_t bits;
        std::memcpy(&bits, &p[k], sizeof bits);
        for (int i = 0; i < 4; ++i)
            sortie[4 * k + i] = static_cast<char>((bits >> (8 * i)) & 0xff);
    }
}
void ajouterPoint(Tampon& tampon, const float p[3]);
// " x y z" in text.
void ajouterPointTexte(Tampon& tampon, const float p[3]);

// Writes the whole buffer to a temporary file beside chemin, then renames it over chemin: on
// failure nothing is left behind, a message goes to the diagnostic sink and the result is
// false.
bool ecrireFichier(const std::string& chemin, const Tampon& contenu);

// Frame of the written coordinates: the voxel frame as it stands, or a world frame through
// an affine transform (positions through it, normals through its inverse transpose).
struct Repere {
    bool monde = false;
    bool miroir = false; // the transform reverses orientation: corners are written reversed
    const char* espace = "RAS";
    double a[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
    double n[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    // "Stravol <objet>, world coordinates (mm, RAS)" or "Stravol <objet>, voxel coordinates".
    std::string entete(const char* objet = "mesh") const;
    // Inline: the writers take every vertex through it.
    void position(float x, float y, float z, float sortie[3]) const {
        if (!monde) {
            sortie[0] = x, sortie[1] = y, sortie[2] = z;
            return;
        }
        for (int i = 0; i < 3; ++i)
            sortie[i] = static_cast<float>(a[i][0] * x + a[i][1] * y + a[i][2] * z + a[i][3]);
    }
    void position(const CPoint3D& p, float sortie[3]) const;
    // Unit normal in the frame (zero when the normal is zero).
    void normale(float x, float y, float z, float sortie[3]) const;
    void normale(const CPoint3D& v, float sortie[3]) const;
};

// The world frame of a volume's transform; the voxel frame when the transform is the identity.
Repere repereMonde(const Geometrie& g);
// The frame of a space: the voxel frame, the world frame (RAS), or the world frame turned
// half a turn about its z axis (LPS); a volume without a world frame has RAS = voxel.
Repere repereEspace(const Geometrie& g, EspaceSortie espace);

} // namespace ecriture
} // namespace Stravol
