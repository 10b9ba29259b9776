// NIfTI files written with the NIfTI library, read back: every type, both versions, gzip or
// not, geometry, 4-D files and bad files.

#include <gtest/gtest.h>

#include <nifti2_io.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
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

namespace {

using Affine = std::array<std::array<double, 4>, 3>;

// A 3 x 2 x 2 int16 file written by the NIfTI library itself, its header fields set by entete
// (no transform unless entete gives one, millimetres, 1 mm pixels).
void ecrireParLaBibliotheque(const std::string& fichier,
                             const std::function<void(nifti_image&)>& entete) {
    nifti_set_debug_level(0);
    const int64_t dims[8] = {3, 3, 2, 2, 1, 1, 1, 1};
    nifti_image* n = nifti_make_new_nim(dims, DT_INT16, 1);
    ASSERT_NE(n, nullptr);
    n->xyz_units = NIFTI_UNITS_MM;
    entete(*n);
    ASSERT_EQ(nifti_set_filenames(n, fichier.c_str(), 0, 1), 0);
    nifti_image_write(n);
    nifti_image_free(n);
}

void fixerSForm(nifti_image& n, const Affine& a) {
    n.sform_code = NIFTI_XFORM_ALIGNED_ANAT;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            n.sto_xyz.m[i][j] = a[i][j];
    n.sto_xyz.m[3][0] = n.sto_xyz.m[3][1] = n.sto_xyz.m[3][2] = 0.0;
    n.sto_xyz.m[3][3] = 1.0;
}

// The quaternion of a quarter turn about z, 0.5 x 0.8 x 1.5 pixels, qfac -1, offset
// (10, -20, 5): R diag(0.5, 0.8, -1.5) + t with R = [[0, -1, 0], [1, 0, 0], [0, 0, 1]].
void fixerQForm(nifti_image& n) {
    n.qform_code = NIFTI_XFORM_SCANNER_ANAT;
    n.quatern_b = 0.0;
    n.quatern_c = 0.0;
    n.quatern_d = std::sqrt(0.5);
    n.qoffset_x = 10.0;
    n.qoffset_y = -20.0;
    n.qoffset_z = 5.0;
    n.qfac = -1.0;
    n.dx = n.pixdim[1] = 0.5;
    n.dy = n.pixdim[2] = 0.8;
    n.dz = n.pixdim[3] = 1.5;
}
const Affine kQForm = {{{0, -0.8, 0, 10}, {0.5, 0, 0, -20}, {0, 0, -1.5, 5}}};

// A sheared sform: columns of lengths 2, sqrt(2) and 3.
const Affine kSForm = {{{2, 1, 0, -4}, {0, 1, 0, 6}, {0, 0, 3, 1.5}}};

void attendreGeometrie(const VolumeBrut& lu, const Affine& affine,
                       const std::array<double, 3>& espacement, OrigineGeometrie origine) {
    EXPECT_EQ(lu.geometrie.origine, origine);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(lu.geometrie.espacement[i], espacement[i], 1e-6 * espacement[i]) << i;
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(lu.geometrie.affine[i][j], affine[i][j],
                        1e-6 * std::max(1.0, std::fabs(affine[i][j])))
                << i << " " << j;
    }
}

} // namespace

// Files written by the NIfTI library with known transforms: the sform wins over a different
// qform, the qform is read from its quaternion, and pixel sizes alone give an axis-aligned
// transform without origin.
TEST(NiftiReading, SFormOverQFormThenQFormThenPixelSizes) {
    DossierTemporaire tmp;
    VolumeBrut lu;
    ecrireParLaBibliotheque(tmp / "deux.nii", [](nifti_image& n) {
        fixerQForm(n);
        fixerSForm(n, kSForm);
    });
    ASSERT_TRUE(lireNifti(tmp / "deux.nii", lu).reussi);
    attendreGeometrie(lu, kSForm, {2, std::sqrt(2.0), 3}, OrigineGeometrie::SForm);

    ecrireParLaBibliotheque(tmp / "q.nii", fixerQForm);
    ASSERT_TRUE(lireNifti(tmp / "q.nii", lu).reussi);
    attendreGeometrie(lu, kQForm, {0.5, 0.8, 1.5}, OrigineGeometrie::QForm);

    ecrireParLaBibliotheque(tmp / "pixels.nii.gz", [](nifti_image& n) {
        n.dx = n.pixdim[1] = 0.5;
        n.dy = n.pixdim[2] = 0.8;
        n.dz = n.pixdim[3] = 1.5;
    });
    ASSERT_TRUE(lireNifti(tmp / "pixels.nii.gz", lu).reussi);
    attendreGeometrie(lu, {{{0.5, 0, 0, 0}, {0, 0.8, 0, 0}, {0, 0, 1.5, 0}}}, {0.5, 0.8, 1.5},
                      OrigineGeometrie::Espacement);
}

// The header's spatial unit scales every form to millimetres: metres by 1000, microns by 1/1000.
TEST(NiftiReading, MetresAndMicronsBecomeMillimetres) {
    DossierTemporaire tmp;
    VolumeBrut lu;
    ecrireParLaBibliotheque(tmp / "m.nii", [](nifti_image& n) {
        n.xyz_units = NIFTI_UNITS_METER;
        fixerSForm(n, {{{0.002, 0.001, 0, -0.004}, {0, 0.001, 0, 0.006}, {0, 0, 0.003, 0.0015}}});
    });
    ASSERT_TRUE(lireNifti(tmp / "m.nii", lu).reussi);
    attendreGeometrie(lu, kSForm, {2, std::sqrt(2.0), 3}, OrigineGeometrie::SForm);

    ecrireParLaBibliotheque(tmp / "um.nii", [](nifti_image& n) {
        n.xyz_units = NIFTI_UNITS_MICRON;
        fixerQForm(n);
        n.dx = n.pixdim[1] = 500;
        n.dy = n.pixdim[2] = 800;
        n.dz = n.pixdim[3] = 1500;
        n.qoffset_x = 10000;
        n.qoffset_y = -20000;
        n.qoffset_z = 5000;
    });
    ASSERT_TRUE(lireNifti(tmp / "um.nii", lu).reussi);
    attendreGeometrie(lu, kQForm, {0.5, 0.8, 1.5}, OrigineGeometrie::QForm);

    ecrireParLaBibliotheque(tmp / "pixels-um.nii", [](nifti_image& n) {
        n.xyz_units = NIFTI_UNITS_MICRON;
        n.dx = n.pixdim[1] = 250;
        n.dy = n.pixdim[2] = 500;
        n.dz = n.pixdim[3] = 2000;
    });
    ASSERT_TRUE(lireNifti(tmp / "pixels-um.nii", lu).reussi);
    attendreGeometrie(lu, {{{0.25, 0, 0, 0}, {0, 0.5, 0, 0}, {0, 0, 2, 0}}}, {0.25, 0.5, 2},
                      OrigineGeometrie::Espacement);
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

TEST(NiftiReading, CompressedFilesOfOneOrSeveralGzipMembersGiveTheSameVoxels) {
    DossierTemporaire tmp;
    std::string erreur;
    const VolumeBrut v = volumeTest(TypeVoxel::Entier16, 37, 23, 11, motifTest);
    ASSERT_TRUE(ecrireNifti(tmp / "v.nii", v, 1, erreur)) << erreur;
    const OctetsTest brut = lireOctets(tmp / "v.nii");
    const auto membres = [&](std::initializer_list<std::size_t> coupes) {
        OctetsTest gz;
        std::size_t debut = 0;
        for (const std::size_t fin : coupes) {
            const OctetsTest m = gzipFait(OctetsTest(brut.begin() + debut, brut.begin() + fin));
            gz.insert(gz.end(), m.begin(), m.end());
            debut = fin;
        }
        return gz;
    };
    // One member (inflated in one go); two members cut inside the header or the voxels (read
    // as a stream).
    ecrireOctets(tmp / "un.nii.gz", membres({brut.size()}));
    ecrireOctets(tmp / "entete.nii.gz", membres({100, brut.size()}));
    ecrireOctets(tmp / "voxels.nii.gz", membres({brut.size() / 2, brut.size()}));
    for (const char* nom : {"un.nii.gz", "entete.nii.gz", "voxels.nii.gz"}) {
        SCOPED_TRACE(nom);
        VolumeBrut lu;
        const CompteRenduLecture cr = lireNifti(tmp / nom, lu);
        ASSERT_TRUE(cr.reussi) << cr.erreur;
        attendreMemesVoxels(lu, v);
    }
    // A longer stream whose trailer claims the size of the one-member file: refused.
    OctetsTest long_ = brut;
    long_.insert(long_.end(), 64, 0x7f);
    OctetsTest faux = gzipFait(long_);
    const OctetsTest vrai = gzipFait(brut);
    std::copy(vrai.end() - 4, vrai.end(), faux.end() - 4);
    ecrireOctets(tmp / "faux.nii.gz", faux);
    VolumeBrut lu;
    const CompteRenduLecture cr = lireNifti(tmp / "faux.nii.gz", lu);
    EXPECT_FALSE(cr.reussi);
    EXPECT_TRUE(lu.vide());
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
