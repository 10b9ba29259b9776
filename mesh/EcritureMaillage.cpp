#include "mesh/EcritureMaillage.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "core/CPoint3D.h"
#include "core/Message.h"
#include "volume/VolumeBrut.h"

namespace Stravol::ecriture {

void ajouterOctets(Tampon& tampon, std::uint32_t valeur, int nbOctets) {
    char octets[4];
    for (int i = 0; i < nbOctets; ++i)
        octets[i] = static_cast<char>((valeur >> (8 * i)) & 0xff);
    tampon.append(octets, static_cast<std::size_t>(nbOctets));
}

void ajouterFloat(Tampon& tampon, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    ajouterOctets(tampon, bits, 4);
}

void ajouterTexte(Tampon& tampon, float f) {
    char texte[32];
    const auto fin = std::to_chars(texte, texte + sizeof texte, f).ptr;
    tampon.append(texte, fin);
}

void ajouterTexte(Tampon& tampon, int n) {
    char texte[16];
    const auto fin = std::to_chars(texte, texte + sizeof texte, n).ptr;
    tampon.append(texte, fin);
}

void ajouterTexte(Tampon& tampon, std::uint64_t n) {
    char texte[24];
    const auto fin = std::to_chars(texte, texte + sizeof texte, n).ptr;
    tampon.append(texte, fin);
}

void ajouterPoint(Tampon& tampon, const float p[3]) {
    char octets[kOctetsPoint];
    octetsPoint(octets, p);
    tampon.append(octets, sizeof octets);
}

void ajouterPointTexte(Tampon& tampon, const float p[3]) {
    for (int k = 0; k < 3; ++k) {
        tampon += ' ';
        ajouterTexte(tampon, p[k]);
    }
}

namespace {

// Names tried for the temporary file before giving up (another process's file by that name).
constexpr int kEssaisTemporaire = 16;

// Creates a temporary file beside chemin, new, with the rights any new file gets (the usual
// ones less the process's mask, applied by the system as the file is made, so that no thread
// has to change the mask): its descriptor and name, or -1.
int creerTemporaire(const std::string& chemin, std::string& temporaire) {
    static std::atomic<unsigned> compteur{0};
    for (int essai = 0; essai < kEssaisTemporaire; ++essai) {
        temporaire = chemin + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(compteur++);
        const int descripteur =
            open(temporaire.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descripteur >= 0 || errno != EEXIST)
            return descripteur;
    }
    return -1;
}

// Writes the whole buffer to the descriptor; false on an error.
bool ecrireTout(int descripteur, const Tampon& contenu) {
    const char* p = contenu.data();
    std::size_t reste = contenu.size();
    while (reste > 0) {
        const ssize_t n = write(descripteur, p, reste);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        reste -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool ecrireFichier(const std::string& chemin, const Tampon& contenu) {
    std::string temporaire;
    const int descripteur = creerTemporaire(chemin, temporaire);
    if (descripteur < 0) {
        Message(Chaine("Impossible de créer le fichier ") + chemin.c_str());
        return false;
    }
    bool ok = ecrireTout(descripteur, contenu);
    ok = close(descripteur) == 0 && ok;
    ok = ok && std::rename(temporaire.c_str(), chemin.c_str()) == 0;
    if (!ok) {
        std::remove(temporaire.c_str());
        Message(Chaine("Impossible d'écrire le fichier ") + chemin.c_str());
    }
    return ok;
}

std::string Repere::entete(const char* objet) const {
    return std::string("Stravol ") + objet +
           (monde ? std::string(", world coordinates (mm, ") + espace + ")"
                  : std::string(", voxel coordinates"));
}

void Repere::position(const CPoint3D& p, float sortie[3]) const { position(p.x, p.y, p.z, sortie); }

void Repere::normale(float x, float y, float z, float sortie[3]) const {
    if (!monde) {
        sortie[0] = x, sortie[1] = y, sortie[2] = z;
        return;
    }
    double m[3], longueur = 0.0;
    for (int i = 0; i < 3; ++i) {
        m[i] = n[i][0] * x + n[i][1] * y + n[i][2] * z;
        longueur += m[i] * m[i];
    }
    longueur = std::sqrt(longueur);
    for (int i = 0; i < 3; ++i)
        sortie[i] = static_cast<float>(longueur > 0.0 ? m[i] / longueur : 0.0);
}

void Repere::normale(const CPoint3D& v, float sortie[3]) const { normale(v.x, v.y, v.z, sortie); }

Repere repereMonde(const Geometrie& g) {
    Repere r;
    if (g.identite())
        return r;
    r.monde = true;
    const auto& a = g.affine;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            r.a[i][j] = a[i][j];
    // Inverse transpose of the linear part: the cofactor matrix over the determinant (its
    // sign is kept, so that outward normals stay outward).
    const double d = g.determinant();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            r.n[i][j] = (a[i1][j1] * a[i2][j2] - a[i1][j2] * a[i2][j1]) / d;
        }
    r.miroir = d < 0.0;
    return r;
}

Repere repereEspace(const Geometrie& g, EspaceSortie espace) {
    if (espace == EspaceSortie::Voxels)
        return Repere();
    Repere r = repereMonde(g);
    if (espace == EspaceSortie::LPS) {
        // (x, y, z) -> (-x, -y, z): a rotation, which keeps the winding; it is its own
        // inverse transpose.
        r.monde = true;
        r.espace = "LPS";
        for (int i = 0; i < 2; ++i) {
            for (double& c : r.a[i])
                c = -c;
            for (double& c : r.n[i])
                c = -c;
        }
    }
    return r;
}

} // namespace Stravol::ecriture
