#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "core/Parallele.h"
#include "helpers/mesh_helpers.h"

namespace {

// Runs f with the diagnostic sink printing to stderr and returns what it printed.
template <typename F> std::string rapports(F&& f) {
    setenv("STRAVOL_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    f();
    std::string texte = testing::internal::GetCapturedStderr();
    unsetenv("STRAVOL_DEBUG");
    return texte;
}

bool sansRapportDeReorganisation(const std::string& texte) {
    return texte.find("Ré-organisation") == std::string::npos &&
           texte.find("Nb voisins") == std::string::npos &&
           texte.find("ERREUR") == std::string::npos;
}

} // namespace

TEST(Construction, OneVoxelGivesACubeWithEightVertices) {
    CMaillageTriangleChRegion m;
    std::string texte = rapports([&] {
        EXPECT_TRUE(maillageDeVoxels(m, 11, 11, 11, {{5, 5, 5}}));
    });
    EXPECT_TRUE(sansRapportDeReorganisation(texte)) << texte;
    EXPECT_NE(texte.find("création de 8 sommets"), std::string::npos);
    ASSERT_EQ(m.nbSommets, 8);
    ASSERT_EQ(m.nbTriangles, 12);
    Chaine rapport;
    EXPECT_TRUE(m.verifierCoherence(&rapport)) << rapport.c_str();

    int entrees = 0;
    for (CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        for (float c : {s->x, s->y, s->z})
            EXPECT_TRUE(c == 4.5f || c == 5.5f);
        EXPECT_TRUE(s->voisins.longueur() == 4 || s->voisins.longueur() == 5);
        EXPECT_EQ(s->triangles.longueur(), s->voisins.longueur());
        EXPECT_TRUE(m.verifierVoisins(s));
        EXPECT_TRUE(s->actif && s->enListeActive);
        entrees += s->voisins.longueur();
        if (s->x == 4.5f && s->y == 4.5f && s->z == 4.5f) {
            EXPECT_EQ(s->voisins.longueur(), 5);
        }
        if (s->x == 5.5f && s->y == 4.5f && s->z == 4.5f) {
            EXPECT_EQ(s->voisins.longueur(), 4);
        }
        // The vertex normal is the normalised sum of its ring's triangle normals: a face counts
        // twice at the corners q0 and q2 that both its triangles share. It points outwards.
        double nx = 0, ny = 0, nz = 0;
        for (int k = 0; k < s->triangles.longueur(); ++k) {
            nx += s->triangles[k]->normale[0];
            ny += s->triangles[k]->normale[1];
            nz += s->triangles[k]->normale[2];
        }
        const double longueur = std::sqrt(nx * nx + ny * ny + nz * nz);
        EXPECT_NEAR(s->normale.x, nx / longueur, 1e-6);
        EXPECT_NEAR(s->normale.y, ny / longueur, 1e-6);
        EXPECT_NEAR(s->normale.z, nz / longueur, 1e-6);
        EXPECT_GT(s->normale.x * (s->x - 5) + s->normale.y * (s->y - 5) + s->normale.z * (s->z - 5),
                  0.4);
    }
    EXPECT_EQ(entrees, 36);
    EXPECT_EQ(m.sommetsActifs.longueur(), 8);

    const Soupe soupe = soupeMaillage(m);
    EXPECT_TRUE(fermeeEtOrientee(soupe));
    EXPECT_DOUBLE_EQ(volumeSigne(soupe), 1.0);
    EXPECT_EQ(caracteristiqueEuler(soupe), 2);
    // Every triangle normal is unit length, axis-aligned and points away from the centre.
    for (CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant) {
        const double cx = (t->a->x + t->b->x + t->c->x) / 3.0 - 5,
                     cy = (t->a->y + t->b->y + t->c->y) / 3.0 - 5,
                     cz = (t->a->z + t->b->z + t->c->z) / 3.0 - 5;
        EXPECT_GT(cx * t->normale[0] + cy * t->normale[1] + cz * t->normale[2], 0.0);
        EXPECT_FLOAT_EQ(
            std::fabs(t->normale[0]) + std::fabs(t->normale[1]) + std::fabs(t->normale[2]), 1.0f);
        EXPECT_TRUE(t->orientation == 1 || t->orientation == -1);
    }
}

TEST(Construction, NegativeOrientationForClockwiseFaces) {
    // Faces 1, 2 and 4 (+x, -y, -z) list their corners clockwise seen from outside.
    CMaillageTriangleChRegion m;
    EXPECT_TRUE(maillageDeVoxels(m, 11, 11, 11, {{5, 5, 5}}));
    int negatives = 0;
    for (CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant) {
        const double gx =
            (t->b->y - t->a->y) * (t->c->z - t->a->z) - (t->b->z - t->a->z) * (t->c->y - t->a->y);
        const double gy =
            (t->b->z - t->a->z) * (t->c->x - t->a->x) - (t->b->x - t->a->x) * (t->c->z - t->a->z);
        const double gz =
            (t->b->x - t->a->x) * (t->c->y - t->a->y) - (t->b->y - t->a->y) * (t->c->x - t->a->x);
        const double produit = gx * t->normale[0] + gy * t->normale[1] + gz * t->normale[2];
        EXPECT_EQ(produit > 0 ? 1 : -1, t->orientation);
        negatives += t->orientation < 0;
        const bool horaire = t->normale[0] > 0.5f || t->normale[1] < -0.5f || t->normale[2] < -0.5f;
        EXPECT_EQ(t->orientation, horaire ? -1 : 1);
    }
    EXPECT_EQ(negatives, 6);
}

TEST(Construction, VoxelAtTheVolumeBorderAndScale) {
    // A voxel in the grid's corner still gets its faces towards the outside of the volume.
    CMaillageTriangleChRegion bord;
    EXPECT_TRUE(maillageDeVoxels(bord, 3, 3, 3, {{0, 0, 0}}));
    EXPECT_EQ(bord.nbTriangles, 12);
    EXPECT_EQ(bord.nbSommets, 8);
    EXPECT_DOUBLE_EQ(volumeSigne(soupeMaillage(bord)), 1.0);

    CMaillageTriangleChRegion double_;
    EXPECT_TRUE(maillageDeVoxels(double_, 11, 11, 11, {{5, 5, 5}}, 2));
    for (CSommetChRegion* s = double_.premierSommet; s != nullptr; s = s->suivant)
        for (float c : {s->x, s->y, s->z})
            EXPECT_TRUE(c == 9.5f || c == 11.5f) << c;
    EXPECT_DOUBLE_EQ(volumeSigne(soupeMaillage(double_)), 8.0);
}

TEST(Construction, TwoNeighbouringVoxelsShareAFace) {
    CMaillageTriangleChRegion m;
    std::string texte = rapports([&] {
        EXPECT_TRUE(maillageDeVoxels(m, 11, 11, 11, {{5, 5, 5}, {6, 5, 5}}));
    });
    EXPECT_TRUE(sansRapportDeReorganisation(texte)) << texte;
    EXPECT_EQ(m.nbTriangles, 20);
    EXPECT_EQ(m.nbSommets, 12);
    EXPECT_TRUE(m.verifierCoherence());
    const Soupe soupe = soupeMaillage(m);
    EXPECT_TRUE(fermeeEtOrientee(soupe));
    EXPECT_DOUBLE_EQ(volumeSigne(soupe), 2.0);
    EXPECT_EQ(caracteristiqueEuler(soupe), 2);
    // No triangle lies in the shared face x = 5.5 between the voxels' centres.
    for (CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant)
        EXPECT_FALSE(t->a->x == 5.5f && t->b->x == 5.5f && t->c->x == 5.5f);
}

TEST(Construction, VertexListInLatticeOrder) {
    // The border list is sorted by (x, y, z); the vertex list must follow the lattice order,
    // x outermost then y then z, whichever voxel created each vertex.
    CMaillageTriangleChRegion m;
    EXPECT_TRUE(maillageDeVoxels(m, 12, 12, 12, boite({3, 4, 5}, {6, 5, 8})));
    ASSERT_GT(m.nbSommets, 0);
    const CSommetChRegion* precedent = nullptr;
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        if (precedent != nullptr) {
            const bool croissant = std::make_tuple(precedent->x, precedent->y, precedent->z) <
                                   std::make_tuple(s->x, s->y, s->z);
            EXPECT_TRUE(croissant);
        }
        precedent = s;
    }
    EXPECT_TRUE(m.verifierCoherence());
    EXPECT_DOUBLE_EQ(volumeSigne(soupeMaillage(m)), 4.0 * 2 * 4);
}

TEST(Construction, EdgeContactIsReportedAndTheConstructionGoesOn) {
    CMaillageTriangleChRegion m;
    std::string texte = rapports([&] {
        EXPECT_TRUE(maillageDeVoxels(m, 11, 11, 11, {{5, 5, 5}, {6, 6, 5}}));
    });
    EXPECT_FALSE(sansRapportDeReorganisation(texte));
    EXPECT_NE(texte.find("pas de voisin commun"), std::string::npos) << texte;
    EXPECT_EQ(m.nbTriangles, 24);
    // The two cubes share the two vertices of their common edge.
    EXPECT_EQ(m.nbSommets, 14);
    int irreguliers = 0;
    for (CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant)
        irreguliers += !m.verifierVoisins(s) || s->voisins.longueur() != s->triangles.longueur();
    EXPECT_EQ(irreguliers, 2);
    EXPECT_FALSE(m.verifierCoherence());
}

TEST(Construction, ANewCallReplacesTheSurface) {
    CMaillageTriangleChRegion m;
    EXPECT_TRUE(maillageDeVoxels(m, 20, 20, 20, boule({10, 10, 10}, 4.5)));
    m.centre = CPoint3D(1, 2, 3);
    m.rayon = 7;
    EXPECT_TRUE(maillageDeVoxels(m, 11, 11, 11, {{5, 5, 5}}));
    EXPECT_EQ(m.nbSommets, 8);
    EXPECT_EQ(m.nbTriangles, 12);
    EXPECT_EQ(m.sommetsActifs.longueur(), 8);
    EXPECT_EQ(m.centre, CPoint3D(1, 2, 3));
    EXPECT_EQ(m.rayon, 7.0f);
    EXPECT_TRUE(m.verifierCoherence());

    CRegion3D vide;
    remplirRegion(vide, 5, 5, 5, {});
    EXPECT_TRUE(m.creerMaillageTriangleChRegion2(vide, 1));
    EXPECT_EQ(m.nbSommets, 0);
    EXPECT_EQ(m.nbTriangles, 0);
    EXPECT_EQ(m.sommetsActifs.longueur(), 0);
    EXPECT_TRUE(m.verifierCoherence());
}

namespace {

// Everything the construction decides, vertex by vertex in list order: position, normal, the
// rings as list numbers, and the active list's order.
std::vector<double> signature(const CMaillageTriangleChRegion& m) {
    std::map<const void*, int> numero;
    int n = 0;
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant)
        numero[s] = n++;
    n = 0;
    for (const CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant)
        numero[t] = n++;
    std::vector<double> valeurs;
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        valeurs.insert(valeurs.end(), {s->x, s->y, s->z, s->normale.x, s->normale.y, s->normale.z});
        for (int k = 0; k < s->voisins.longueur(); ++k)
            valeurs.push_back(numero[s->voisins[k]]);
        for (int k = 0; k < s->triangles.longueur(); ++k)
            valeurs.push_back(-1 - numero[s->triangles[k]]);
    }
    for (const CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant)
        valeurs.insert(valeurs.end(), {static_cast<double>(t->orientation), t->normale[0],
                                       t->normale[1], t->normale[2]});
    for (auto* e = m.sommetsActifs.debut; e != nullptr; e = e->suivant)
        valeurs.push_back(numero[e->valeur]);
    return valeurs;
}

// The remarks without the addresses they quote ("sommet" or "Sommet", then hexadecimal digits).
std::string sansAdresses(const std::string& texte) {
    const std::string mot = "ommet ";
    std::string resultat;
    std::size_t i = 0;
    for (std::size_t j; (j = texte.find(mot, i)) != std::string::npos;) {
        j += mot.size();
        resultat.append(texte, i, j - i);
        std::size_t fin = j;
        while (fin < texte.size() && std::isxdigit(static_cast<unsigned char>(texte[fin])))
            ++fin;
        resultat += fin > j ? "_" : "";
        i = fin;
    }
    return resultat.append(texte, i, std::string::npos);
}

} // namespace

// A large surface is ordered on several threads, each over its run of the list: the mesh and
// the remarks (here of edge contacts at both ends of the list) are those of one thread, and a
// construction from the faces read off the grid, the grid released, gives the same mesh.
TEST(Construction, ThreadsAndReleasedGridGiveTheMeshOfOneWalk) {
    auto voxels = boule({48, 48, 48}, 38);
    for (int x : {2, 93})
        voxels.insert(voxels.end(), {{x, 2, 2}, {x + 1, 3, 2}});
    std::vector<double> reference;
    std::string remarquesReference;
    for (int threads : {1, 2, 3}) {
        SCOPED_TRACE(threads);
        Stravol::definirNbThreads(threads);
        CMaillageTriangleChRegion m;
        const std::string texte =
            rapports([&] { EXPECT_TRUE(maillageDeVoxels(m, 96, 96, 96, voxels)); });
        ASSERT_GT(m.nbSommets, Stravol::kSeuilParallele);
        const std::string remarques = sansAdresses(texte.substr(texte.find('\n') + 1));
        EXPECT_NE(remarques.find("pas de voisin commun"), std::string::npos);
        if (threads == 1) {
            reference = signature(m);
            remarquesReference = remarques;
        } else {
            EXPECT_TRUE(signature(m) == reference);
            EXPECT_EQ(remarques, remarquesReference);
        }
    }
    CRegion3D region;
    remplirRegion(region, 96, 96, 96, voxels);
    const FacesRegion faces = facesAuBord(region);
    region.init(0, 0, 0);
    CMaillageTriangleChRegion m;
    EXPECT_TRUE(m.creerMaillageTriangleChRegion2(region, faces, 1));
    EXPECT_TRUE(signature(m) == reference);
    Stravol::definirNbThreads(0);
}
