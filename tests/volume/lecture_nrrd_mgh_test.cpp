// NRRD and FreeSurfer MGH files, written by hand (headers as text or bytes, data through zlib)
// and by our writers, read back: voxels, the world position of voxel centres, Slicer segments,
// and broken files refused.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "helpers/images.h"
#include "helpers/slices.h"
#include "helpers/volumes.h"
#include "volume/CImageTroisD.h"
#include "volume/EcritureVolume.h"
#include "volume/LecteursVolume.h"

using namespace Stravol;

namespace {

OctetsTest concatener(const std::string& texte, const OctetsTest& octets) {
    OctetsTest o(texte.begin(), texte.end());
    o.insert(o.end(), octets.begin(), octets.end());
    return o;
}

// Little-endian int16 voxels 0, 1, 2, ... of a 4 x 3 x 2 volume.
OctetsTest int16Croissants() {
    OctetsTest o;
    for (int i = 0; i < 24; ++i) {
        o.push_back(static_cast<unsigned char>(i));
        o.push_back(0);
    }
    return o;
}

void attendreMonde(const Geometrie& g, double x, double y, double z, double r, double a, double s) {
    const std::array<double, 3> m = g.versMonde(x, y, z);
    EXPECT_NEAR(m[0], r, 1e-5);
    EXPECT_NEAR(m[1], a, 1e-5);
    EXPECT_NEAR(m[2], s, 1e-5);
}

void attendreRefus(const std::string& fichier, const char* pourquoi) {
    SCOPED_TRACE(pourquoi);
    VolumeBrut v;
    const CompteRenduLecture cr = lireVolumeFichier(fichier, v);
    EXPECT_FALSE(cr.reussi);
    EXPECT_FALSE(cr.erreur.empty());
    EXPECT_TRUE(v.vide());
}

// The header of a 4 x 3 x 2 int16 volume in an oblique LPS frame, without its blank line.
const std::string kEnTeteOblique = "NRRD0004\n"
                                   "# a comment\n"
                                   "type: short\n"
                                   "dimension: 3\n"
                                   "space: left-posterior-superior\n"
                                   "sizes: 4 3 2\n"
                                   "space directions: (0.6,0.8,0) (-0.8,0.6,0) (0,0,2.5)\n"
                                   "kinds: domain domain domain\n"
                                   "endian: little\n"
                                   "space origin: (10,-20,30)\n";

} // namespace

TEST(NrrdReading, RawAndGzipInAnObliqueLpsFrame) {
    DossierTemporaire tmp;
    const OctetsTest donnees = int16Croissants();
    ecrireOctets(tmp / "brut.nrrd", concatener(kEnTeteOblique + "encoding: raw\n\n", donnees));
    ecrireOctets(tmp / "gz.nrrd",
                 concatener(kEnTeteOblique + "encoding: gzip\n\n", gzipFait(donnees)));
    for (const char* nom : {"brut.nrrd", "gz.nrrd"}) {
        SCOPED_TRACE(nom);
        EXPECT_EQ(formatParContenu(tmp / nom), FormatVolume::Nrrd);
        VolumeBrut v;
        const CompteRenduLecture cr = lireVolumeFichier(tmp / nom, v);
        ASSERT_TRUE(cr.reussi) << cr.erreur;
        EXPECT_TRUE(cr.remarques.empty());
        ASSERT_EQ(v.largeur, 4);
        ASSERT_EQ(v.hauteur, 3);
        ASSERT_EQ(v.profondeur, 2);
        ASSERT_EQ(v.type, TypeVoxel::Entier16);
        EXPECT_EQ(v.valeur(23), 23);
        EXPECT_EQ(v.geometrie.origine, OrigineGeometrie::Entete);
        EXPECT_NEAR(v.geometrie.espacement[0], 1.0, 1e-12);
        EXPECT_NEAR(v.geometrie.espacement[2], 2.5, 1e-12);
        // Voxel (3, 2, 1): LPS 10 + 3 * 0.6 - 2 * 0.8 = 10.2, -20 + 3 * 0.8 + 2 * 0.6 = -16.4,
        // 30 + 2.5 = 32.5; RAS changes the sign of the first two.
        attendreMonde(v.geometrie, 3, 2, 1, -10.2, 16.4, 32.5);
        attendreMonde(v.geometrie, 0, 0, 0, -10, 20, 30);
    }
}

TEST(NrrdReading, DetachedHeaderWithSkipsAndBigEndianData) {
    DossierTemporaire tmp;
    std::filesystem::create_directories(tmp / "donnees");
    // Two text lines and 3 bytes before the data; big-endian uint16 in a RAS frame.
    OctetsTest donnees = {'l', '1', '\n', 'l', '2', '\n', 9, 9, 9};
    for (int i = 0; i < 24; ++i) {
        donnees.push_back(static_cast<unsigned char>((1000 + i) >> 8));
        donnees.push_back(static_cast<unsigned char>((1000 + i) & 0xff));
    }
    ecrireOctets(tmp / "donnees/v.raw", donnees);
    ecrireTexte(tmp / "v.nhdr", "NRRD0005\ntype: uint16\ndimension: 3\nspace: RAS\n"
                                "sizes: 4 3 2\nspace directions: (0,0,-1.5) (2,0,0) (0,3,0)\n"
                                "space origin: (1,2,3)\nendian: big\nencoding: raw\n"
                                "data file: donnees/v.raw\nline skip: 2\nbyte skip: 3\n");
    VolumeBrut v;
    const CompteRenduLecture cr = lireVolumeFichier(tmp / "v.nhdr", v);
    ASSERT_TRUE(cr.reussi) << cr.erreur;
    ASSERT_EQ(v.type, TypeVoxel::EntierNonSigne16);
    EXPECT_EQ(v.valeur(0), 1000);
    EXPECT_EQ(v.valeur(23), 1023);
    // Voxel (1, 2, 1): (1, 2, 3) + (0, 0, -1.5) + 2 * (2, 0, 0) + (0, 3, 0), already RAS.
    attendreMonde(v.geometrie, 1, 2, 1, 5, 5, 1.5);

    // The same data gzip-compressed, the byte skip applying to the inflated bytes.
    OctetsTest sansLignes(donnees.begin() + 6, donnees.end());
    ecrireOctets(tmp / "v.raw.gz", gzipFait(sansLignes));
    ecrireTexte(tmp / "gz.nhdr", "NRRD0004\ntype: ushort\ndimension: 3\n"
                                 "sizes: 4 3 2\nspacings: 1 1 1\nendian: big\nencoding: gz\n"
                                 "datafile: v.raw.gz\nbyteskip: 3\n");
    VolumeBrut w;
    const CompteRenduLecture crw = lireVolumeFichier(tmp / "gz.nhdr", w);
    ASSERT_TRUE(crw.reussi) << crw.erreur;
    EXPECT_EQ(w.donnees, v.donnees);
    EXPECT_EQ(w.geometrie.origine, OrigineGeometrie::Espacement);
}

TEST(NrrdReading, WriterRoundTripOfEveryTypeAndLayout) {
    DossierTemporaire tmp;
    for (TypeVoxel type : kTousLesTypes)
        for (int disposition = 0; disposition < 16; ++disposition) {
            OptionsNrrd o;
            o.detache = disposition & 1;
            o.gzip = disposition & 2;
            o.lps = disposition & 4;
            o.grosBoutiste = disposition & 8;
            SCOPED_TRACE(std::string(nomType(type)) + " " + std::to_string(disposition));
            VolumeBrut v = volumeTest(type, 5, 4, 3, motifTest);
            v.geometrie.affine = {{{0, -0.5, 0, 7}, {0.25, 0, 0, -1}, {0, 0, 3, 2.5}}};
            const std::string f = tmp / (o.detache ? "v.nhdr" : "v.nrrd");
            std::string erreur;
            ASSERT_TRUE(ecrireNrrd(f, v, o, erreur)) << erreur;
            VolumeBrut lu;
            const CompteRenduLecture cr = lireVolumeFichier(f, lu);
            ASSERT_TRUE(cr.reussi) << cr.erreur;
            EXPECT_EQ(lu.type, type);
            EXPECT_EQ(lu.donnees, v.donnees);
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 4; ++j)
                    EXPECT_DOUBLE_EQ(lu.geometrie.affine[i][j], v.geometrie.affine[i][j]);
        }
}

TEST(NrrdReading, SlicerSegmentsAreTheLabelTable) {
    DossierTemporaire tmp;
    // Labels 0, 1, 7 and 70000 (uint32) in a 4 x 3 x 2 grid.
    OctetsTest donnees;
    for (int i = 0; i < 24; ++i) {
        const std::uint32_t e = i < 6 ? 0 : i < 12 ? 1 : i < 18 ? 7 : 70000;
        for (int k = 0; k < 4; ++k)
            donnees.push_back(static_cast<unsigned char>(e >> (8 * k)));
    }
    const std::string entete =
        "NRRD0004\ntype: unsigned int\ndimension: 3\nspace: left-posterior-superior\n"
        "sizes: 4 3 2\nspace directions: (1,0,0) (0,1,0) (0,0,1)\nendian: little\n"
        "encoding: raw\nspace origin: (0,0,0)\n"
        "Segment0_Color:=0.5 0.25 1\nSegment0_ID:=Segment_1\nSegment0_LabelValue:=1\n"
        "Segment0_Layer:=0\nSegment0_Name:=Left hippocampus\n"
        "Segment1_Color:=1 0 0\nSegment1_LabelValue:=7\nSegment1_Name:=tumeur \\\\ nécrose\n"
        "Segment2_LabelValue:=70000\nSegment2_Name:=structure lointaine\n";
    ecrireOctets(tmp / "s.seg.nrrd", concatener(entete + "\n", donnees));
    VolumeBrut v;
    const CompteRenduLecture cr = lireVolumeFichier(tmp / "s.seg.nrrd", v);
    ASSERT_TRUE(cr.reussi) << cr.erreur;
    const TableEtiquettes& t = v.tableEtiquettes;
    ASSERT_EQ(t.entrees.size(), 3u);
    ASSERT_NE(t.trouver(1), nullptr);
    EXPECT_EQ(t.trouver(1)->nom, "Left hippocampus");
    EXPECT_EQ(t.trouver(1)->couleur, (CouleurRVB{128, 64, 255}));
    EXPECT_EQ(t.trouver(7)->nom, "tumeur \\ nécrose");
    EXPECT_EQ(t.trouver(7)->couleur, (CouleurRVB{255, 0, 0}));
    EXPECT_EQ(t.trouver(70000)->nom, "structure lointaine");
    EXPECT_FALSE(t.trouver(70000)->couleur.has_value());

    // As the segmentation of a grey volume of the same grid: the table and the true values.
    VolumeBrut gris = volumeTest(TypeVoxel::Octet, 4, 3, 2, motifTest);
    std::string erreur;
    ASSERT_TRUE(ecrireNifti(tmp / "g.nii", gris, 1, erreur));
    auto volume =
        CImageTroisD::ouvrirFichier(tmp.chemin(), tmp / "g.nii", OptionsVolume(), nullptr, nullptr);
    ASSERT_TRUE(volume->ChargerSegFichier(tmp / "s.seg.nrrd", nullptr));
    EXPECT_EQ(volume->tableEtiquettes.entrees.size(), 3u);
    EXPECT_EQ(volume->valeurEtiquette(volume->etiquettes[23]), 70000u);
    EXPECT_EQ(volume->valeurEtiquette(volume->etiquettes[13]), 7u);

    // Our writer gives the same table back.
    ASSERT_TRUE(ecrireNrrd(tmp / "copie.seg.nrrd", v, OptionsNrrd(), erreur));
    VolumeBrut copie;
    ASSERT_TRUE(lireNrrd(tmp / "copie.seg.nrrd", copie).reussi);
    ASSERT_EQ(copie.tableEtiquettes.entrees.size(), 3u);
    for (const auto& [valeur, entree] : t.entrees) {
        EXPECT_EQ(copie.tableEtiquettes.trouver(valeur)->nom, entree.nom);
        EXPECT_EQ(copie.tableEtiquettes.trouver(valeur)->couleur, entree.couleur);
    }
}

TEST(NrrdReading, FirstLayerOfAFourDimensionalSegmentation) {
    DossierTemporaire tmp;
    // Two layers interleaved (the list axis first): layer 0 holds i, layer 1 holds 100 + i.
    OctetsTest donnees;
    for (int i = 0; i < 24; ++i) {
        donnees.push_back(static_cast<unsigned char>(i));
        donnees.push_back(static_cast<unsigned char>(100 + i));
    }
    ecrireOctets(tmp / "c.seg.nrrd",
                 concatener("NRRD0004\ntype: uchar\ndimension: 4\nspace: RAS\nsizes: 2 4 3 2\n"
                            "space directions: none (1,0,0) (0,1,0) (0,0,1)\n"
                            "kinds: list domain domain domain\nencoding: raw\n"
                            "Segment0_LabelValue:=5\nSegment0_Layer:=0\nSegment0_Name:=a\n"
                            "Segment1_LabelValue:=5\nSegment1_Layer:=1\nSegment1_Name:=b\n\n",
                            donnees));
    VolumeBrut v;
    const CompteRenduLecture cr = lireVolumeFichier(tmp / "c.seg.nrrd", v);
    ASSERT_TRUE(cr.reussi) << cr.erreur;
    ASSERT_EQ(v.nbVoxels(), 24u);
    for (std::size_t i = 0; i < 24; ++i)
        EXPECT_EQ(v.valeur(i), static_cast<double>(i));
    EXPECT_EQ(v.tableEtiquettes.trouver(5)->nom, "a");
    EXPECT_EQ(cr.remarques.size(), 2u); // the other layer's segment, the other elements
}

TEST(NrrdReading, BrokenFilesAreRefused) {
    DossierTemporaire tmp;
    const OctetsTest donnees = int16Croissants();
    const auto fichier = [&](const std::string& nom, const std::string& entete,
                             const OctetsTest& d) {
        ecrireOctets(tmp / nom, concatener(entete, d));
        return tmp / nom;
    };
    const std::string bon = kEnTeteOblique + "encoding: raw\n\n";
    attendreRefus(fichier("court.nrrd", bon, OctetsTest(donnees.begin(), donnees.end() - 1)),
                  "truncated raw data");
    OctetsTest gz = gzipFait(donnees);
    attendreRefus(fichier("gzcourt.nrrd", kEnTeteOblique + "encoding: gzip\n\n",
                          OctetsTest(gz.begin(), gz.end() - 12)),
                  "truncated gzip data");
    gz[gz.size() / 2] ^= 0x55;
    attendreRefus(fichier("gzfaux.nrrd", kEnTeteOblique + "encoding: gzip\n\n", gz),
                  "corrupt gzip data");
    attendreRefus(fichier("ascii.nrrd", kEnTeteOblique + "encoding: ascii\n\n", donnees),
                  "unsupported encoding");
    std::string sansBoutisme = bon;
    sansBoutisme.erase(sansBoutisme.find("endian: little\n"), 15);
    attendreRefus(fichier("boutisme.nrrd", sansBoutisme, donnees), "no endian");
    std::string direction = bon;
    direction.replace(direction.find("(0,0,2.5)"), 9, "(0,0)");
    attendreRefus(fichier("direction.nrrd", direction, donnees), "two-component direction");
    std::string plat = bon;
    plat.replace(plat.find("(0,0,2.5)"), 9, "(0.6,0.8,0)");
    attendreRefus(fichier("plat.nrrd", plat, donnees), "degenerate directions");
    std::string grand = bon;
    grand.replace(grand.find("sizes: 4 3 2"), 12, "sizes: 400000 300000 200000");
    attendreRefus(fichier("grand.nrrd", grand, donnees), "sizes far beyond the data");
    std::string espace = bon;
    espace.replace(espace.find("left-posterior-superior"), 23, "scanner-xyz");
    attendreRefus(fichier("espace.nrrd", espace, donnees), "unsupported space");
    attendreRefus(fichier("signature.nrrd", "NRRD0009\n" + bon.substr(9), donnees),
                  "unknown version");
    attendreRefus(
        fichier("repete.nrrd", kEnTeteOblique + "type: short\nencoding: raw\n\n", donnees),
        "repeated field");
    attendreRefus(fichier("couleur.nrrd",
                          kEnTeteOblique + "encoding: raw\nSegment0_Color:=1 2 0\n\n", donnees),
                  "colour beyond 1");
    attendreRefus(fichier("double.nrrd",
                          kEnTeteOblique + "encoding: raw\nSegment0_LabelValue:=3\n"
                                           "Segment1_LabelValue:=3\n\n",
                          donnees),
                  "two segments of one label");
    attendreRefus(
        fichier("absent.nhdr", kEnTeteOblique + "encoding: raw\ndata file: nulle.raw\n", {}),
        "missing data file");
    attendreRefus(fichier("liste.nhdr", kEnTeteOblique + "encoding: raw\ndata file: LIST\n", {}),
                  "data in several files");
}

namespace {

// An MGH header and big-endian voxels, byte by byte.
OctetsTest mghFait(int l, int h, int p, int type, int trames, bool bonRas,
                   const std::array<float, 3>& espacement,
                   const std::array<std::array<float, 3>, 3>& cosinus,
                   const std::array<float, 3>& centre, const OctetsTest& voxels) {
    OctetsTest o;
    const auto entier = [&](std::uint32_t v, int octets) {
        for (int k = octets - 1; k >= 0; --k)
            o.push_back(static_cast<unsigned char>(v >> (8 * k)));
    };
    const auto reel = [&](float v) { entier(std::bit_cast<std::uint32_t>(v), 4); };
    for (int v : {1, l, h, p, trames, type, 0})
        entier(static_cast<std::uint32_t>(v), 4);
    entier(bonRas ? 1 : 0, 2);
    for (float e : espacement)
        reel(e);
    for (const auto& c : cosinus)
        for (float x : c)
            reel(x);
    for (float c : centre)
        reel(c);
    o.resize(284, 0);
    o.insert(o.end(), voxels.begin(), voxels.end());
    return o;
}

} // namespace

TEST(MghReading, VoxToRasOfPlainAndCompressedFiles) {
    DossierTemporaire tmp;
    // 4 x 6 x 8 int16 voxels 0, 1, 2, ... (big-endian), x left, y down, z front.
    OctetsTest voxels;
    for (int i = 0; i < 4 * 6 * 8; ++i) {
        voxels.push_back(static_cast<unsigned char>(i >> 8));
        voxels.push_back(static_cast<unsigned char>(i & 0xff));
    }
    const OctetsTest mgh = mghFait(4, 6, 8, 4, 1, true, {0.5f, 2.0f, 3.0f},
                                   {{{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}}, {10, 20, 30}, voxels);
    ecrireOctets(tmp / "v.mgh", mgh);
    ecrireOctets(tmp / "v.mgz", gzipFait(mgh));
    for (const char* nom : {"v.mgh", "v.mgz"}) {
        SCOPED_TRACE(nom);
        EXPECT_EQ(formatParContenu(tmp / nom), FormatVolume::Mgh);
        VolumeBrut v;
        const CompteRenduLecture cr = lireVolumeFichier(tmp / nom, v);
        ASSERT_TRUE(cr.reussi) << cr.erreur;
        ASSERT_EQ(v.largeur, 4);
        ASSERT_EQ(v.hauteur, 6);
        ASSERT_EQ(v.profondeur, 8);
        ASSERT_EQ(v.type, TypeVoxel::Entier16);
        EXPECT_EQ(v.valeur(191), 191);
        // The centre voxel (2, 3, 4) is at (10, 20, 30); the origin is at
        // (10, 20, 30) - (2 * -0.5, 4 * 3, 3 * -2) = (11, 8, 36), and voxel (1, 2, 3) at
        // (11 - 0.5, 8 + 3 * 3, 36 - 2 * 2) = (10.5, 17, 32).
        attendreMonde(v.geometrie, 2, 3, 4, 10, 20, 30);
        attendreMonde(v.geometrie, 1, 2, 3, 10.5, 17, 32);
        EXPECT_EQ(v.geometrie.origine, OrigineGeometrie::Entete);
    }
    // Without RAS fields: FreeSurfer's coronal default, 1 mm voxels, the centre at 0.
    OctetsTest deuxTrames = voxels;
    deuxTrames.insert(deuxTrames.end(), voxels.begin(), voxels.end());
    ecrireOctets(tmp / "defaut.mgh",
                 mghFait(4, 6, 8, 4, 2, false, {5, 5, 5}, {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
                         {7, 7, 7}, deuxTrames));
    VolumeBrut d;
    const CompteRenduLecture cr = lireMgh(tmp / "defaut.mgh", d);
    ASSERT_TRUE(cr.reussi) << cr.erreur;
    EXPECT_EQ(cr.remarques.size(), 2u); // no orientation, two frames
    attendreMonde(d.geometrie, 2, 3, 4, 0, 0, 0);
    attendreMonde(d.geometrie, 3, 3, 4, -1, 0, 0);
    attendreMonde(d.geometrie, 2, 4, 4, 0, 0, -1);
    attendreMonde(d.geometrie, 2, 3, 5, 0, 1, 0);
}

TEST(MghReading, WriterRoundTripAndBrokenFiles) {
    DossierTemporaire tmp;
    for (TypeVoxel type :
         {TypeVoxel::Octet, TypeVoxel::Entier16, TypeVoxel::Entier32, TypeVoxel::Reel32})
        for (const char* nom : {"r.mgh", "r.mgz"}) {
            SCOPED_TRACE(std::string(nomType(type)) + nom);
            VolumeBrut v = volumeTest(type, 5, 4, 3, motifTest);
            v.geometrie.affine = {{{0, 0, -1.5, 4}, {0.5, 0, 0, -2}, {0, 2, 0, 9}}};
            std::string erreur;
            ASSERT_TRUE(ecrireMgh(tmp / nom, v, erreur)) << erreur;
            VolumeBrut lu;
            ASSERT_TRUE(lireVolumeFichier(tmp / nom, lu).reussi);
            EXPECT_EQ(lu.type, type);
            EXPECT_EQ(lu.donnees, v.donnees);
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 4; ++j)
                    EXPECT_NEAR(lu.geometrie.affine[i][j], v.geometrie.affine[i][j], 1e-5);
        }
    const OctetsTest bon = lireOctets(tmp / "r.mgh");
    ecrireOctets(tmp / "court.mgh", OctetsTest(bon.begin(), bon.end() - 1));
    attendreRefus(tmp / "court.mgh", "truncated");
    const OctetsTest gz = gzipFait(bon);
    ecrireOctets(tmp / "court.mgz", OctetsTest(gz.begin(), gz.end() - 10));
    attendreRefus(tmp / "court.mgz", "truncated stream");
    OctetsTest grand = bon;
    grand[4] = 0x7f; // width near 2^31
    ecrireOctets(tmp / "grand.mgh", grand);
    attendreRefus(tmp / "grand.mgh", "sizes far beyond the data");
    OctetsTest type = bon;
    type[23] = 7;
    ecrireOctets(tmp / "type.mgh", type);
    attendreRefus(tmp / "type.mgh", "unsupported type");
    OctetsTest plat = bon;
    std::fill(plat.begin() + 42, plat.begin() + 54, 0); // a null x axis
    ecrireOctets(tmp / "plat.mgh", plat);
    attendreRefus(tmp / "plat.mgh", "degenerate transform");
    OctetsTest espacement = bon;
    espacement[30] = 0xbf; // a negative spacing
    ecrireOctets(tmp / "espacement.mgh", espacement);
    attendreRefus(tmp / "espacement.mgh", "negative spacing");
}
