// NIfTI files written with the NIfTI library, read back: every type, both versions, gzip or
// not, geometry, 4-D files and bad files.

#include <gtest/gtest.h>

#include <nifti2_io.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "core/Pi.h"
#include "helpers/images.h"
#include "helpers/volumes.h"
#include "volume/EcritureVolume.h"
#include "volume/LecteursVolume.h"

using namespace Stravol;

namespace {

void attendreMemesVoxels(const VolumeBrut& a, const VolumeBrut& b) {
    ASSERT_EQ(a.largeur, b.largeur);
    ASSERT_EQ(a.hauteur, b.hauteur);
    ASSERT_EQ(a.profondeur, b.profondeur);
    ASSERT_EQ(a.type, b.type);
    EXPECT_EQ(a.donnees, b.donnees);
}

Geometrie oblique() {
    Geometrie g;
    // A rotation about z by 30 degrees, 0.5 x 0.7 x 1.2 mm voxels, an x axis flipped.
    const double c = std::cos(kPi / 6), s = std::sin(kPi / 6);
    g.affine = {{{-0.5 * c, -0.7 * s, 0, 12.5}, {-0.5 * s, 0.7 * c, 0, -3}, {0, 0, 1.2, 40}}};
    g.espacement = {0.5, 0.7, 1.2};
    g.origine = OrigineGeometrie::SForm;
    return g;
}

} // namespace

TEST(NiftiReading, EveryTypeBothVersionsCompressedOrNot) {
    DossierTemporaire tmp;
    for (TypeVoxel type : kTousLesTypes)
        for (int version : {1, 2})
            for (const char* extension : {".nii", ".nii.gz"}) {
                SCOPED_TRACE(std::string(nomType(type)) + " v" + std::to_string(version) +
                             extension);
                VolumeBrut v = volumeTest(type, 5, 4, 3, motifTest);
                v.geometrie = oblique();
                const std::string f = tmp / (std::string("v") + extension);
                std::string erreur;
                ASSERT_TRUE(ecrireNifti(f, v, version, erreur)) << erreur;
                EXPECT_EQ(formatParContenu(f), std::string(extension) == ".nii"
                                                   ? FormatVolume::Nifti
                                                   : FormatVolume::NiftiCompresse);
                VolumeBrut lu;
                const CompteRenduLecture cr = lireVolumeFichier(f, lu);
                ASSERT_TRUE(cr.reussi) << cr.erreur;
                EXPECT_TRUE(cr.remarques.empty());
                attendreMemesVoxels(lu, v);
                EXPECT_EQ(lu.geometrie.origine, OrigineGeometrie::SForm);
                for (int i = 0; i < 3; ++i) {
                    EXPECT_NEAR(lu.geometrie.espacement[i], v.geometrie.espacement[i], 1e-6);
                    for (int j = 0; j < 4; ++j)
                        EXPECT_NEAR(lu.geometrie.affine[i][j], v.geometrie.affine[i][j], 1e-6);
                }
            }
}

TEST(NiftiReading, QFormThenSpacingAlone) {
    DossierTemporaire tmp;
    VolumeBrut v = volumeTest(TypeVoxel::Entier16, 3, 3, 3, motifTest);
    v.geometrie = oblique();
    std::string erreur;
    ASSERT_TRUE(ecrireNifti(tmp / "q.nii", v, 1, erreur, TransformsNifti::QFormSeule));
    VolumeBrut lu;
    ASSERT_TRUE(lireNifti(tmp / "q.nii", lu).reussi);
    EXPECT_EQ(lu.geometrie.origine, OrigineGeometrie::QForm);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(lu.geometrie.affine[i][j], v.geometrie.affine[i][j], 1e-5);

    ASSERT_TRUE(ecrireNifti(tmp / "e.nii", v, 2, erreur, TransformsNifti::Aucune));
    ASSERT_TRUE(lireNifti(tmp / "e.nii", lu).reussi);
    EXPECT_EQ(lu.geometrie.origine, OrigineGeometrie::Espacement);
    EXPECT_NEAR(lu.geometrie.affine[0][0], 0.5, 1e-6);
    EXPECT_NEAR(lu.geometrie.affine[1][1], 0.7, 1e-6);
    EXPECT_NEAR(lu.geometrie.affine[2][2], 1.2, 1e-6);
    EXPECT_EQ(lu.geometrie.affine[0][3], 0.0);
}

TEST(NiftiReading, FourDimensionsGiveTheFirstVolume) {
    DossierTemporaire tmp;
    nifti_set_debug_level(0);
    const int64_t dims[8] = {4, 3, 2, 2, 5, 1, 1, 1};
    nifti_image* n = nifti_make_new_nim(dims, DT_INT16, 1);
    ASSERT_NE(n, nullptr);
    auto* p = static_cast<std::int16_t*>(n->data);
    for (int i = 0; i < 3 * 2 * 2 * 5; ++i)
        p[i] = static_cast<std::int16_t>(i);
    const std::string f = tmp / "t.nii.gz";
    ASSERT_EQ(nifti_set_filenames(n, f.c_str(), 0, 1), 0);
    nifti_image_write(n);
    nifti_image_free(n);
    VolumeBrut lu;
    const CompteRenduLecture cr = lireNifti(f, lu);
    ASSERT_TRUE(cr.reussi) << cr.erreur;
    ASSERT_EQ(cr.remarques.size(), 1u);
    EXPECT_NE(cr.remarques[0].find("5 volumes"), std::string::npos);
    ASSERT_EQ(lu.nbVoxels(), 12u);
    for (std::size_t i = 0; i < 12; ++i)
        EXPECT_EQ(lu.valeur(i), static_cast<double>(i));
}

TEST(NiftiReading, SlopeAndInterceptApplied) {
    DossierTemporaire tmp;
    nifti_set_debug_level(0);
    const int64_t dims[8] = {3, 2, 1, 1, 1, 1, 1, 1};
    nifti_image* n = nifti_make_new_nim(dims, DT_UINT8, 1);
    static_cast<unsigned char*>(n->data)[1] = 10;
    n->scl_slope = 2.0;
    n->scl_inter = -1.0;
    const std::string f = tmp / "s.nii";
    nifti_set_filenames(n, f.c_str(), 0, 1);
    nifti_image_write(n);
    nifti_image_free(n);
    VolumeBrut lu;
    const CompteRenduLecture cr = lireNifti(f, lu);
    ASSERT_TRUE(cr.reussi) << cr.erreur;
    EXPECT_EQ(lu.type, TypeVoxel::Reel32);
    EXPECT_EQ(lu.valeur(0), -1.0);
    EXPECT_EQ(lu.valeur(1), 19.0);
    EXPECT_EQ(cr.remarques.size(), 1u);
}

TEST(NiftiReading, InvalidFilesRefusedWithAMessage) {
    DossierTemporaire tmp;
    std::string erreur;
    VolumeBrut v = volumeTest(TypeVoxel::Entier16, 16, 16, 16, motifTest);
    ASSERT_TRUE(ecrireNifti(tmp / "ok.nii", v, 1, erreur));
    ASSERT_TRUE(ecrireNifti(tmp / "ok.nii.gz", v, 2, erreur));
    const OctetsTest brut = lireOctets(tmp / "ok.nii");
    const OctetsTest gz = lireOctets(tmp / "ok.nii.gz");
    VolumeBrut lu;
    auto refuse = [&](const std::string& f) {
        const CompteRenduLecture cr = lireVolumeFichier(f, lu);
        EXPECT_FALSE(cr.reussi) << f;
        EXPECT_FALSE(cr.erreur.empty()) << f;
        EXPECT_TRUE(lu.vide()) << f;
        return cr.erreur;
    };
    // Data shorter than the header announces, plain and compressed.
    ecrireOctets(tmp / "court.nii", OctetsTest(brut.begin(), brut.end() - 100));
    EXPECT_NE(refuse(tmp / "court.nii").find("tronqué"), std::string::npos);
    ecrireOctets(tmp / "court.nii.gz", OctetsTest(gz.begin(), gz.begin() + gz.size() / 2));
    refuse(tmp / "court.nii.gz");
    // Corrupt compressed stream.
    OctetsTest abime = gz;
    for (std::size_t i = 30; i < abime.size(); i += 7)
        abime[i] ^= 0x5a;
    ecrireOctets(tmp / "abime.nii.gz", abime);
    refuse(tmp / "abime.nii.gz");
    // Header only.
    ecrireOctets(tmp / "entete.nii", OctetsTest(brut.begin(), brut.begin() + 200));
    refuse(tmp / "entete.nii");
    // Wrong name for NIfTI content.
    ecrireOctets(tmp / "nom.dat", brut);
    refuse(tmp / "nom.dat");
    refuse(tmp / "absent.nii");

    // NaN and infinite floats.
    VolumeBrut f = volumeTest(TypeVoxel::Reel32, 2, 2, 2, [](int x, int, int) {
        return x ? std::numeric_limits<double>::quiet_NaN() : 1.0;
    });
    ASSERT_TRUE(ecrireNifti(tmp / "nan.nii", f, 1, erreur));
    EXPECT_NE(refuse(tmp / "nan.nii").find("non finies"), std::string::npos);

    // Zero and negative spacing without a transform.
    v = volumeTest(TypeVoxel::Octet, 2, 2, 2, motifTest);
    v.geometrie.espacement = {1, 0, 1};
    v.geometrie.affine[1][1] = 0;
    ASSERT_TRUE(ecrireNifti(tmp / "zero.nii", v, 1, erreur, TransformsNifti::Aucune));
    EXPECT_NE(refuse(tmp / "zero.nii").find("espacement"), std::string::npos);
    // A negative size patched into pixdim[3] (a float at byte 88 of a NIfTI-1 header).
    v.geometrie = Geometrie();
    ASSERT_TRUE(ecrireNifti(tmp / "negatif.nii", v, 1, erreur, TransformsNifti::Aucune));
    OctetsTest negatif = lireOctets(tmp / "negatif.nii");
    const float moinsDeux = -2.0f;
    std::memcpy(negatif.data() + 88, &moinsDeux, sizeof moinsDeux);
    ecrireOctets(tmp / "negatif.nii", negatif);
    refuse(tmp / "negatif.nii");

    // Unsupported data types: RGB and complex.
    nifti_set_debug_level(0);
    for (int code : {DT_RGB24, DT_COMPLEX64}) {
        const int64_t dims[8] = {3, 2, 2, 2, 1, 1, 1, 1};
        nifti_image* n = nifti_make_new_nim(dims, code, 1);
        const std::string nom = tmp / ("type" + std::to_string(code) + ".nii");
        nifti_set_filenames(n, nom.c_str(), 0, 1);
        nifti_image_write(n);
        nifti_image_free(n);
        EXPECT_NE(refuse(nom).find("non pris en charge"), std::string::npos);
    }
}
