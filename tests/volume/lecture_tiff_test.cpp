// TIFF files written with libtiff, read back: every type, one file of pages or a folder of
// single-page slices, colour pages, resolution tags and bad files.

#include <gtest/gtest.h>

#include <tiffio.h>

#include "helpers/images.h"
#include "helpers/volumes.h"
#include "volume/EcritureVolume.h"
#include "volume/LecteursVolume.h"

using namespace Stravol;

namespace {

// A single-page volume of v's slice z.
VolumeBrut coupe(const VolumeBrut& v, int z) {
    VolumeBrut c = v;
    c.profondeur = 1;
    const std::size_t n = v.donnees.size() / static_cast<std::size_t>(v.profondeur);
    c.donnees.assign(v.donnees.begin() + static_cast<long>(n * z),
                     v.donnees.begin() + static_cast<long>(n * (z + 1)));
    return c;
}

} // namespace

TEST(TiffReading, EveryTypeInPagesCompressedOrNot) {
    DossierTemporaire tmp;
    for (TypeVoxel type : kTousLesTypes)
        for (bool compresse : {false, true}) {
            SCOPED_TRACE(std::string(nomType(type)) + (compresse ? " deflate" : ""));
            const VolumeBrut v = volumeTest(type, 7, 5, 4, motifTest);
            std::string erreur;
            ASSERT_TRUE(ecrireTiff(tmp / "v.tif", v, compresse, erreur)) << erreur;
            EXPECT_EQ(formatParContenu(tmp / "v.tif"), FormatVolume::Tiff);
            VolumeBrut lu;
            const CompteRenduLecture cr = lireVolumeFichier(tmp / "v.tif", lu);
            ASSERT_TRUE(cr.reussi) << cr.erreur;
            EXPECT_EQ(lu.largeur, 7);
            EXPECT_EQ(lu.hauteur, 5);
            EXPECT_EQ(lu.profondeur, 4);
            EXPECT_EQ(lu.type, type);
            EXPECT_EQ(lu.donnees, v.donnees);
            EXPECT_TRUE(lu.geometrie.identite());
        }
}

TEST(TiffReading, SliceFolderEqualsPageFile) {
    DossierTemporaire tmp;
    const VolumeBrut v = volumeTest(TypeVoxel::EntierNonSigne16, 6, 3, 5,
                                    [](int x, int y, int z) { return 1000 * z + 10 * y + x; });
    std::vector<std::string> fichiers;
    std::string erreur;
    for (int z = 0; z < v.profondeur; ++z) {
        fichiers.push_back(tmp / ("s" + std::to_string(z) + ".tiff"));
        ASSERT_TRUE(ecrireTiff(fichiers.back(), coupe(v, z), z % 2 == 1, erreur));
    }
    VolumeBrut lu;
    const CompteRenduLecture cr = lireCoupesTiff(fichiers, lu);
    ASSERT_TRUE(cr.reussi) << cr.erreur;
    EXPECT_EQ(lu.profondeur, 5);
    EXPECT_EQ(lu.donnees, v.donnees);

    // A slice of another size or type is refused with its name.
    const VolumeBrut autre = volumeTest(TypeVoxel::EntierNonSigne16, 6, 4, 1, motifTest);
    ASSERT_TRUE(ecrireTiff(fichiers[2], autre, false, erreur));
    CompteRenduLecture refus = lireCoupesTiff(fichiers, lu);
    EXPECT_FALSE(refus.reussi);
    EXPECT_NE(refus.erreur.find(fichiers[2]), std::string::npos);
    EXPECT_TRUE(lu.vide());
    const VolumeBrut type = volumeTest(TypeVoxel::Octet, 6, 3, 1, motifTest);
    ASSERT_TRUE(ecrireTiff(fichiers[2], type, false, erreur));
    EXPECT_FALSE(lireCoupesTiff(fichiers, lu).reussi);
}

TEST(TiffReading, ColourPagesInGreyAndResolution) {
    DossierTemporaire tmp;
    const std::string f = tmp / "rvb.tif";
    TIFF* t = TIFFOpen(f.c_str(), "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 2u);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1u);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 20.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 10.0f);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
    unsigned char ligne[6] = {128, 128, 128, 10, 200, 30};
    ASSERT_EQ(TIFFWriteScanline(t, ligne, 0, 0), 1);
    TIFFClose(t);
    VolumeBrut lu;
    const CompteRenduLecture cr = lireTiff(f, lu);
    ASSERT_TRUE(cr.reussi) << cr.erreur;
    ASSERT_EQ(lu.nbVoxels(), 2u);
    // The picture loader's truncated weights: (128, 128, 128) gives 127.
    EXPECT_EQ(lu.valeur(0), 127);
    // (10, 200, 30): 117.4 + 2.99 + 3.42 = 123.81.
    EXPECT_EQ(lu.valeur(1), 123);
    EXPECT_EQ(lu.geometrie.origine, OrigineGeometrie::Espacement);
    EXPECT_DOUBLE_EQ(lu.geometrie.espacement[0], 0.5);
    EXPECT_DOUBLE_EQ(lu.geometrie.espacement[1], 1.0);
    ASSERT_EQ(cr.remarques.size(), 1u);
    EXPECT_NE(cr.remarques[0].find("--spacing"), std::string::npos);
}

TEST(TiffReading, InvalidFilesRefusedWithAMessage) {
    DossierTemporaire tmp;
    const VolumeBrut v = volumeTest(TypeVoxel::Entier16, 64, 64, 4, motifTest);
    std::string erreur;
    ASSERT_TRUE(ecrireTiff(tmp / "v.tif", v, false, erreur));
    const OctetsTest octets = lireOctets(tmp / "v.tif");
    VolumeBrut lu;
    for (std::size_t garde :
         {std::size_t{8}, std::size_t{100}, octets.size() / 2, octets.size() - 10}) {
        ecrireOctets(tmp / "court.tif", OctetsTest(octets.begin(), octets.begin() + garde));
        const CompteRenduLecture cr = lireTiff(tmp / "court.tif", lu);
        EXPECT_FALSE(cr.reussi) << garde;
        EXPECT_FALSE(cr.erreur.empty());
        EXPECT_TRUE(lu.vide());
    }
    ecrireOctets(tmp / "rien.tif", OctetsTest{'I', 'I', 42, 0});
    EXPECT_FALSE(lireVolumeFichier(tmp / "rien.tif", lu).reussi);
    ecrireOctets(tmp / "texte.bin", OctetsTest{'h', 'e', 'l', 'l', 'o'});
    const CompteRenduLecture inconnu = lireVolumeFichier(tmp / "texte.bin", lu);
    EXPECT_FALSE(inconnu.reussi);
    EXPECT_NE(inconnu.erreur.find("inconnu"), std::string::npos);
}
