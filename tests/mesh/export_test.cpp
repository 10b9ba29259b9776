#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "helpers/images.h"
#include "helpers/mesh_helpers.h"
#include "mesh/ExportMaillage.h"

namespace {

void construireLisse(CMaillageTriangleChRegion& m) {
    CRegion3D region;
    std::vector<CTriplet<int>> voxels = boule({12, 12, 12}, 6.5);
    for (const auto& v : boite({12, 12, 12}, {19, 14, 13}))
        voxels.push_back(v);
    remplirRegion(region, 25, 25, 25, voxels);
    region.ajouterBordsTopologie();
    region.ajouterBordsTopologie2();
    m.creerMaillageTriangleChRegion2(region, 1);
    m.lisserCourbureTaubin(10);
    m.calculerNormales();
    m.calculerNormalesSommets();
}

int nombreFichiers(const std::string& dossier) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dossier))
        ++n;
    return n;
}

} // namespace

TEST(Export, RoundTripOfTheThreeFormats) {
    CMaillageTriangleChRegion m;
    construireLisse(m);
    const Soupe attendu = soupeMaillage(m);
    const double volume = volumeSigne(attendu);
    ASSERT_GT(volume, 100.0);
    DossierTemporaire dossier;

    ASSERT_TRUE(exporterMaillage(m, (dossier / "a.STL").c_str()));
    Soupe stl;
    ASSERT_TRUE(lireSTL(dossier / "a.STL", stl));
    const Soupe stlFusionne = fusionnerPositions(stl);
    EXPECT_EQ(stlFusionne.positions.size(), attendu.positions.size());
    EXPECT_EQ(stl.triangles.size(), attendu.triangles.size());
    EXPECT_NEAR(volumeSigne(stl), volume, 1e-6 * volume);
    EXPECT_TRUE(fermeeEtOrientee(stlFusionne));
    // Each facet normal agrees with its corner order.
    for (std::size_t i = 0; i < stl.triangles.size(); ++i) {
        const auto &a = stl.positions[stl.triangles[i][0]], &b = stl.positions[stl.triangles[i][1]],
                   &c = stl.positions[stl.triangles[i][2]];
        const double g[3] = {(b[1] - a[1]) * (c[2] - a[2]) - (b[2] - a[2]) * (c[1] - a[1]),
                             (b[2] - a[2]) * (c[0] - a[0]) - (b[0] - a[0]) * (c[2] - a[2]),
                             (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])};
        EXPECT_GT(g[0] * stl.normales[i][0] + g[1] * stl.normales[i][1] + g[2] * stl.normales[i][2],
                  0.0);
    }

    ASSERT_TRUE(exporterOBJ(m, (dossier / "a.obj").c_str()));
    Soupe obj;
    ASSERT_TRUE(lireOBJ(dossier / "a.obj", obj));
    EXPECT_EQ(obj.positions, attendu.positions);
    EXPECT_EQ(obj.normales, attendu.normales);
    EXPECT_EQ(obj.triangles, attendu.triangles);

    ASSERT_TRUE(exporterPLY(m, (dossier / "a.ply").c_str()));
    Soupe ply;
    ASSERT_TRUE(lirePLY(dossier / "a.ply", ply));
    EXPECT_EQ(ply.positions, attendu.positions);
    EXPECT_EQ(ply.normales, attendu.normales);
    EXPECT_EQ(ply.triangles, attendu.triangles);
    EXPECT_GT(volumeSigne(ply), 0.0);

    // Only the three finished files are left: no temporary file remains.
    EXPECT_EQ(nombreFichiers(dossier.chemin()), 3);
}

TEST(Export, CleanFailureOnAnUnreachablePath) {
    CMaillageTriangleChRegion m;
    construireLisse(m);
    DossierTemporaire dossier;
    EXPECT_FALSE(exporterSTL(m, (dossier / "absent/a.stl").c_str()));
    EXPECT_FALSE(exporterOBJ(m, (dossier / "absent/a.obj").c_str()));
    EXPECT_FALSE(exporterMaillage(m, (dossier / "a.txt").c_str()));
    // A folder in place of the file: the temporary file is written, the rename fails and the
    // temporary file is removed.
    std::filesystem::create_directory(dossier / "rep.ply");
    std::filesystem::create_directory(dossier / "rep.ply/x");
    EXPECT_FALSE(exporterPLY(m, (dossier / "rep.ply").c_str()));
    EXPECT_EQ(nombreFichiers(dossier.chemin()), 1);
    // An empty mesh writes valid empty files.
    CMaillageTriangleChRegion vide;
    ASSERT_TRUE(exporterSTL(vide, (dossier / "vide.stl").c_str()));
    Soupe soupe;
    EXPECT_TRUE(lireSTL(dossier / "vide.stl", soupe));
    EXPECT_TRUE(soupe.triangles.empty());
}

// New files get the usual rights less the process's mask, whichever thread writes them and
// whether they replace a file or not; no temporary file stays.
TEST(Export, FilesTakeTheUsualRightsLessTheMaskFromAnyThread) {
    CMaillageTriangleChRegion m;
    construireLisse(m);
    DossierTemporaire dossier;
    const mode_t avant = umask(027);
    std::vector<std::thread> fils;
    for (int k = 0; k < 4; ++k)
        fils.emplace_back([&m, &dossier, k] {
            for (int fois = 0; fois < 2; ++fois)
                EXPECT_TRUE(exporterSTL(m, (dossier / ("m" + std::to_string(k) + ".stl")).c_str()));
        });
    for (std::thread& f : fils)
        f.join();
    umask(avant);
    EXPECT_EQ(nombreFichiers(dossier.chemin()), 4);
    for (int k = 0; k < 4; ++k) {
        struct stat etat {};
        ASSERT_EQ(stat((dossier / ("m" + std::to_string(k) + ".stl")).c_str(), &etat), 0);
        EXPECT_EQ(etat.st_mode & 0777, 0640u);
        Soupe soupe;
        EXPECT_TRUE(lireSTL(dossier / ("m" + std::to_string(k) + ".stl"), soupe));
        EXPECT_EQ(soupe.triangles.size(), static_cast<std::size_t>(m.nbTriangles));
    }
}

TEST(Export, CleanFailureInAReadOnlyFolder) {
    CMaillageTriangleChRegion m;
    construireLisse(m);
    DossierTemporaire dossier;
    std::filesystem::create_directory(dossier / "lecture");
    chmod((dossier / "lecture").c_str(), 0555);
    const bool protege = access((dossier / "lecture").c_str(), W_OK) != 0;
    if (protege) {
        EXPECT_FALSE(exporterOBJ(m, (dossier / "lecture/a.obj").c_str()));
        EXPECT_EQ(nombreFichiers(dossier / "lecture"), 0);
    }
    chmod((dossier / "lecture").c_str(), 0755);
    if (!protege)
        GTEST_SKIP() << "folder permissions do not stop writing here (root): the read-only "
                        "folder case is not checked";
}
