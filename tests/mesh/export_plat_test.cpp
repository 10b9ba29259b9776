// The writers of flat meshes: the file read back is the mesh, in the voxel frame or through the
// voxel-to-world transform, still turning outward when the transform mirrors.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "helpers/images.h"
#include "helpers/mesh_helpers.h"
#include "mesh/ExportMaillage.h"
#include "mesh/MaillagePlat.h"
#include "volume/VolumeBrut.h"

using namespace Stravol;

namespace {

// A box of 2 x 3 x 4 from (1, 2, 3), triangles turning counter-clockwise seen from outside.
MaillagePlat boite() {
    MaillagePlat m;
    for (int k = 0; k < 8; ++k)
        m.positions.insert(m.positions.end(),
                           {1.0f + 2.0f * float(k & 1), 2.0f + 3.0f * float(k >> 1 & 1),
                            3.0f + 4.0f * float(k >> 2 & 1)});
    const std::uint32_t faces[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                       {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    for (const auto& f : faces)
        m.triangles.insert(m.triangles.end(), {f[0], f[1], f[2], f[0], f[2], f[3]});
    calculerNormalesPlat(m);
    return m;
}

Soupe lire(const std::string& chemin) {
    Soupe s;
    const std::string ext = chemin.substr(chemin.size() - 4);
    const bool lu = ext == ".obj"   ? lireOBJ(chemin, s)
                    : ext == ".ply" ? lirePLY(chemin, s)
                                    : lireSTL(chemin, s);
    EXPECT_TRUE(lu) << chemin;
    return ext == ".stl" ? fusionnerPositions(s) : s;
}

} // namespace

TEST(ExportPlat, FileReadBackIsTheMeshInEitherFrame) {
    DossierTemporaire dossier;
    const MaillagePlat m = boite();
    Geometrie miroir;
    miroir.affine = {{{-0.5, 0, 0, 10}, {0, 0.8, 0, -4}, {0, 0, 1.5, 3}}};
    for (const char* ext : {".stl", ".obj", ".ply"}) {
        SCOPED_TRACE(ext);
        const std::string voxel = dossier / (std::string("v") + ext);
        ASSERT_TRUE(exporterMaillage(m, voxel.c_str(), Geometrie()));
        const Soupe v = lire(voxel);
        ASSERT_EQ(v.positions.size(), m.nbSommets());
        ASSERT_EQ(v.triangles.size(), m.nbTriangles());
        EXPECT_TRUE(fermeeEtOrientee(v));
        EXPECT_NEAR(volumeSigne(v), 24.0, 1e-4);
        if (std::string(ext) != ".stl") {
            for (std::size_t i = 0; i < m.nbSommets(); ++i)
                for (std::size_t k = 0; k < 3; ++k) {
                    EXPECT_EQ(v.positions[i][k], m.positions[3 * i + k]);
                }
        }

        const std::string monde = dossier / (std::string("w") + ext);
        ASSERT_TRUE(exporterMaillage(m, monde.c_str(), miroir));
        const Soupe w = lire(monde);
        EXPECT_TRUE(fermeeEtOrientee(w));
        // 24 voxels of 0.6 mm^3, still enclosed outward.
        EXPECT_NEAR(volumeSigne(w), 24.0 * 0.6, 1e-4);
        const OctetsTest o = lireOctets(monde);
        EXPECT_NE(std::string(o.begin(), o.end()).find("world coordinates (mm, RAS)"),
                  std::string::npos);
        // Vertex normals point out of the box, through the transform.
        if (std::string(ext) != ".stl") {
            double somme = 0.0;
            for (std::size_t i = 0; i < w.positions.size(); ++i) {
                const double c[3] = {10 - 0.5 * 2.0, -4 + 0.8 * 3.5, 3 + 1.5 * 5.0};
                for (std::size_t k = 0; k < 3; ++k)
                    somme += (w.positions[i][k] - c[k]) * w.normales[i][k];
            }
            EXPECT_GT(somme, 0.0);
        }
    }
}

TEST(ExportPlat, BadMeshOrExtensionWritesNothing) {
    DossierTemporaire dossier;
    MaillagePlat m = boite();
    const std::string inconnu = dossier / "m.off";
    EXPECT_FALSE(exporterMaillage(m, inconnu.c_str(), Geometrie()));
    m.triangles.back() = 99;
    const std::string stl = dossier / "m.stl";
    EXPECT_FALSE(exporterMaillage(m, stl.c_str(), Geometrie()));
    const std::string absent = dossier / "absent/m.stl";
    EXPECT_FALSE(exporterMaillage(boite(), absent.c_str(), Geometrie()));
    EXPECT_TRUE(lireOctets(stl).empty());
}
