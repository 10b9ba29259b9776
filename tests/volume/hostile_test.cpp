// Hostile folders and files for the loaded volume and the native volume: non-pictures, empty
// and corrupt files, mixed patterns and letter cases, unreadable folders, unwritable outputs.
// Each gives a message and a false result, and what was loaded before stays usable.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "helpers/slices.h"
#include "volume/BTCImageObject.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"

namespace fs = std::filesystem;

namespace {

// Every voxel of slice z of the current volume. The grey pictures of these tests use levels
// that load as they stand (0.587 v + 0.299 v + 0.114 v truncates to v for them).
bool coupeUnie(const CImageTroisD& vol, int z, unsigned char v) {
    for (int y = 0; y < vol.hauteur; ++y)
        for (int x = 0; x < vol.largeur; ++x)
            if (vol.getVoxelImage(x, y, z) != v)
                return false;
    return true;
}

// The views and the extraction still work on the volume: textures of every slice, cut
// pictures, and a region grown from the first voxel.
void attendreUtilisable(CImageTroisD& vol) {
    vol.AllouerTexture();
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
    for (int z = 0; z < vol.profondeur; ++z)
        ASSERT_NE(vol.getTabZ(z), nullptr);
    EXPECT_EQ(vol.getImageZ(0).largeur, vol.largeur);
    EXPECT_EQ(vol.getImageX(0).largeur, vol.profondeur);
    vol.CroissanceDeRegion(0, 0, 0, 1);
    EXPECT_EQ(vol.bilanExtraction.effectuee, vol.profondeur > 0);
}

// Runs as root ignore folder permissions: an unreadable folder cannot be made there.
bool lectureInterditePossible(const std::string& dossier) {
    if (geteuid() == 0)
        return false;
    fs::permissions(dossier, fs::perms::none);
    std::error_code e;
    fs::directory_iterator it(dossier, e);
    return static_cast<bool>(e);
}

TEST(VolumeHostile, FilesThatAreNotPicturesLeaveAnEmptyUsableVolume) {
    DossierTemporaire tmp;
    const std::string d = sousDossier(tmp, "volume");
    ecrireTexte(d + "/a.bmp", "pas une image");
    ecrireTexte(d + "/b.png", "");
    ecrireTexte(d + "/c.jpg", std::string("\xFF\xD8\xFF\xC0\x00\x11\x08\xFF\xFF\xFF\xFF", 11));
    ecrireTexte(d + "/d.cup", "BM\x36\x00");
    MessagesCollectes messages;
    ProgressionCollectee barre;
    CImageTroisD vol(tmp.chemin(), d, &barre, &messages);
    EXPECT_EQ(messages.commencantPar("Le chargement des images \""), 4);
    EXPECT_EQ(vol.largeur, 0);
    EXPECT_EQ(vol.hauteur, 0);
    EXPECT_EQ(vol.profondeur, 0);
    EXPECT_EQ(vol.image, nullptr);
    attendreUtilisable(vol);
    EXPECT_FALSE(vol.ChargerSeg(d, nullptr));
}

TEST(VolumeHostile, PatternsMatchWhateverTheirLetterCaseInPatternOrder) {
    DossierTemporaire tmp;
    const std::string d = sousDossier(tmp, "volume");
    ASSERT_TRUE(ecrireBMP(d + "/B.BMP", imageUnie(5, 4, 10)));
    ASSERT_TRUE(ecrireBMP(d + "/a.Bmp", imageUnie(5, 4, 20)));
    ASSERT_TRUE(ecrirePNG(d + "/c.PnG", imageUnie(5, 4, 30)));
    ASSERT_TRUE(ecrireJPG(d + "/d.JPG", imageUnie(5, 4, 200)));
    ASSERT_TRUE(ecrireBMP(d + "/e.CUP", imageUnie(5, 4, 40)));
    ASSERT_TRUE(ecrireBMP(d + "/f.txt", imageUnie(5, 4, 50)));
    ASSERT_TRUE(ecrireBMP(d + "/g.bmpx", imageUnie(5, 4, 60)));
    ecrireTexte(d + "/h.jpeg", "ignored");
    fs::create_directory(d + "/i.bmp");
    MessagesCollectes messages;
    CImageTroisD vol(tmp.chemin(), d, nullptr, &messages);
    ASSERT_EQ(vol.profondeur, 5);
    const int attendus[] = {20, 10, 40, 30};
    for (int z = 0; z < 4; ++z)
        EXPECT_TRUE(coupeUnie(vol, z, attendus[z])) << z;
    EXPECT_NEAR(vol.getVoxelImage(2, 2, 4), 200, 2);
    attendreUtilisable(vol);
}

TEST(VolumeHostile, EmptyAndTruncatedFilesBetweenGoodOnesLoseNoGoodSlice) {
    DossierTemporaire tmp;
    const std::string d = sousDossier(tmp, "volume");
    ASSERT_TRUE(ecrireBMP(d + "/a.bmp", imageUnie(6, 3, 90)));
    ecrireTexte(d + "/b.bmp", "");
    ASSERT_TRUE(ecrirePNG(d + "/c.png", imageUnie(6, 3, 70)));
    ASSERT_TRUE(ecrirePNG(d + "/d.png", imageUnie(6, 3, 60)));
    OctetsTest tronque = lireOctets(d + "/d.png");
    tronque.resize(tronque.size() / 2);
    ecrireOctets(d + "/d.png", tronque);
    ASSERT_TRUE(ecrireJPG(d + "/e.jpg", imageUnie(9, 9, 255)));
    MessagesCollectes messages;
    CImageTroisD vol(tmp.chemin(), d, nullptr, &messages);
    // The empty BMP ends the "*.bmp" pattern, the truncated PNG is the second of its pattern.
    EXPECT_EQ(messages.commencantPar("Le chargement des images \"*.bmp\""), 1);
    EXPECT_EQ(messages.commencantPar("Le chargement des images \"*.png\""), 1);
    // The larger JPEG gives its top-left part without a message.
    EXPECT_EQ(messages.textes.size(), 2u);
    ASSERT_EQ(vol.largeur, 6);
    EXPECT_TRUE(coupeUnie(vol, 0, 90));
    EXPECT_TRUE(coupeUnie(vol, 1, 70));
    EXPECT_GE(vol.getVoxelImage(5, 2, 2), 250);
    attendreUtilisable(vol);
}

TEST(VolumeHostile, UnreadableFoldersKeepTheLoadedVolumeAndSegmentation) {
    DossierTemporaire tmp;
    const std::string d = sousDossier(tmp, "volume");
    const std::string seg = sousDossier(tmp, "seg");
    const std::string ferme = sousDossier(tmp, "ferme");
    for (int z = 0; z < 3; ++z)
        ASSERT_TRUE(ecrireBMP(d + "/s" + std::to_string(z) + ".bmp", imageUnie(4, 4, 100)));
    ASSERT_TRUE(ecrireBMP(seg + "/s.bmp", imageUnie(4, 4, 160)));
    ASSERT_TRUE(ecrireBMP(ferme + "/s.bmp", imageUnie(4, 4, 30)));
    const bool interdit = lectureInterditePossible(ferme);
    MessagesCollectes messages;
    CImageTroisD vol(tmp.chemin(), d, nullptr, &messages);
    ASSERT_TRUE(vol.ChargerSeg(seg, nullptr));
    if (interdit) {
        EXPECT_FALSE(vol.ChargerSeg(ferme, nullptr));
        EXPECT_EQ(messages.commencantPar("Le chargement de la segmentation \""), 1);
        MessagesCollectes autres;
        CImageTroisD fermee(tmp.chemin(), ferme, nullptr, &autres);
        EXPECT_EQ(autres.commencantPar("Comptage des images \""), 4);
        EXPECT_EQ(fermee.profondeur, 0);
        attendreUtilisable(fermee);
    }
    fs::permissions(ferme, fs::perms::owner_all);
    ASSERT_NE(vol.imageSegmente, nullptr);
    EXPECT_EQ(vol.imageSegmente[0], 160);
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Segmentee);
    EXPECT_TRUE(coupeUnie(vol, 0, 160));
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
    EXPECT_TRUE(coupeUnie(vol, 2, 100));
    if (!interdit)
        GTEST_SKIP() << "folder permissions do not stop reading here (root)";
}

TEST(VolumeHostile, ConfigurationJunkDoesNotStopTheLoading) {
    DossierTemporaire tmp;
    const std::string d = sousDossier(tmp, "volume");
    ASSERT_TRUE(ecrireBMP(d + "/a.bmp", imageUnie(3, 3, 50)));
    ecrireTexte(tmp / "config.txt",
                std::string("\0\xFF#40#\n\0=7=\n#", 13) + std::string(10000, '#'));
    CImageTroisD vol(tmp.chemin(), d, nullptr, nullptr);
    EXPECT_EQ(vol.rgb, 0);
    EXPECT_TRUE(coupeUnie(vol, 0, 50));
    fs::remove(tmp / "config.txt");
    fs::create_directory(tmp / "config.txt");
    CImageTroisD vol2(tmp.chemin(), d, nullptr, nullptr);
    EXPECT_TRUE(coupeUnie(vol2, 0, 50));
}

// A JPEG whose Huffman table declares more than 256 codes. The decoder keeps code lengths and
// values in arrays of 256 entries: such a file is refused before it can write past them.
TEST(VolumeHostile, JpegHuffmanTableOfMoreThan256CodesIsRefused) {
    DossierTemporaire tmp;
    ASSERT_TRUE(ecrireJPG(tmp / "bon.jpg", imageUnie(8, 8, 99)));
    OctetsTest jpeg = lireOctets(tmp / "bon.jpg");
    BTCImageObject objet;
    ASSERT_TRUE(objet.Load((tmp / "bon.jpg").c_str()));
    std::size_t dht = 0;
    for (std::size_t i = 2; i + 1 < jpeg.size() && dht == 0; ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC4)
            dht = i;
    ASSERT_NE(dht, 0u);
    // Counts of code lengths 1 to 16 follow the table class byte; 2 x 200 codes in all.
    for (std::size_t k = 0; k < 16; ++k)
        jpeg[dht + 5 + k] = k >= 14 ? 200 : 0;
    ecrireOctets(tmp / "mauvais.jpg", jpeg);
    EXPECT_FALSE(objet.Load((tmp / "mauvais.jpg").c_str()));
    ASSERT_TRUE(objet.Load((tmp / "bon.jpg").c_str()));
    EXPECT_EQ(objet.GetObjectDataPtr()->GetWidth(), 8);
}

// Two files found by the picture fuzzer reach the decoder's tables where a walk over the
// segments does not look: in the first the last table of a segment starts two bytes before
// the segment's end and declares 835 codes (the decoder reads tables for as long as the
// length leaves bytes); in the second the first scan ends in a run of fill bytes after which
// the decoder meets a second table segment with a table of 698 codes. Both are refused.
TEST(VolumeHostile, JpegHuffmanTablesTheDecoderCanReachAreChecked) {
    BTCImageObject objet;
    EXPECT_FALSE(
        objet.Load(STRAVOL_SOURCE_DIR "/fuzz/regressions/picture_fuzz/jpeg-table-a-cheval"));
    EXPECT_FALSE(objet.Load(STRAVOL_SOURCE_DIR
                            "/fuzz/regressions/picture_fuzz/jpeg-table-apres-remplissage"));
    DossierTemporaire tmp;
    ASSERT_TRUE(ecrireJPG(tmp / "bon.jpg", imageUnie(8, 8, 99)));
    EXPECT_TRUE(objet.Load((tmp / "bon.jpg").c_str()));
}

// Leaves the heap's free blocks of 1 to 64 KiB filled with motif.
void salirLeTas(unsigned char motif) {
    // Freed through a pointer the compiler cannot see through, so the filling is not dropped.
    void (*volatile liberer)(void*) = std::free;
    std::vector<void*> blocs;
    for (std::size_t taille = 1024; taille <= 65536; taille += 256) {
        void* bloc = std::malloc(taille);
        if (bloc == nullptr)
            continue;
        std::memset(bloc, motif, taille);
        blocs.push_back(bloc);
    }
    for (void* bloc : blocs)
        liberer(bloc);
}

// In this JPEG (found by the loader fuzzer) a scan names a Huffman table that the file never
// defines, so the decoder reads it from its own fresh allocation: the picture must come out
// the same whatever the heap held before, not differ between two reads of one file.
TEST(VolumeHostile, JpegNamingAnUndefinedTableDecodesTheSameEveryTime) {
    const char* fichier = STRAVOL_SOURCE_DIR "/fuzz/regressions/loader_fuzz/jpeg-table-non-definie";
    BTCImageObject premier;
    const bool lue = premier.Load(fichier);
    for (unsigned char motif : {0x00, 0x55, 0xAA, 0xFF, 0x13}) {
        salirLeTas(motif);
        BTCImageObject objet;
        ASSERT_EQ(objet.Load(fichier), lue) << int(motif);
        if (!lue)
            continue;
        const BTCImageData& a = *premier.GetObjectDataPtr();
        const BTCImageData& b = *objet.GetObjectDataPtr();
        ASSERT_EQ(b.GetWidth(), a.GetWidth());
        ASSERT_EQ(b.GetHeight(), a.GetHeight());
        ASSERT_EQ(b.GetBitsPerPixel(), a.GetBitsPerPixel());
        EXPECT_EQ(std::memcmp(a.GetBits(), b.GetBits(), a.GetBytesPerLine() * a.GetHeight()), 0)
            << int(motif);
    }
}

// A few hundred bytes of JPEG whose frame header promises 60000 x 300 pixels cannot hold a
// bit for each of its blocks: it is refused instead of being decoded into made-up pixels.
TEST(VolumeHostile, JpegTooShortForItsBlocksIsRefused) {
    DossierTemporaire tmp;
    ASSERT_TRUE(ecrireJPG(tmp / "bon.jpg", imageUnie(16, 16, 99)));
    OctetsTest jpeg = lireOctets(tmp / "bon.jpg");
    std::size_t sof = 0;
    for (std::size_t i = 2; i + 1 < jpeg.size() && sof == 0; ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0)
            sof = i;
    ASSERT_NE(sof, 0u);
    // Height then width, big-endian, after the segment length and the sample precision.
    jpeg[sof + 5] = 60000 >> 8;
    jpeg[sof + 6] = 60000 & 0xFF;
    jpeg[sof + 7] = 300 >> 8;
    jpeg[sof + 8] = 300 & 0xFF;
    ecrireOctets(tmp / "court.jpg", jpeg);
    BTCImageObject objet;
    EXPECT_FALSE(objet.Load((tmp / "court.jpg").c_str()));
    ASSERT_TRUE(objet.Load((tmp / "bon.jpg").c_str()));
    EXPECT_EQ(objet.GetObjectDataPtr()->GetHeight(), 16);
}

// The decoder reads missing bytes as zeros, pixel by pixel: a few bytes of BMP promising a
// large picture would take seconds and give a made-up picture. A code of compression that no
// writer produces (negative, taken by the decoder for uncompressed data) and a short OS/2
// header promising more rows than the file holds are refused; the 66-byte file found by the
// picture fuzzer (4107 x 65316 pixels, compression code 0xFFFFFF00) took over 20 s.
TEST(VolumeHostile, BmpPromisingMorePixelsThanItHoldsIsRefused) {
    DossierTemporaire tmp;
    ASSERT_TRUE(ecrireBMP(tmp / "bon.bmp", imageUnie(4, 4, 99)));
    const OctetsTest bon = lireOctets(tmp / "bon.bmp");
    BTCImageObject objet;
    ASSERT_TRUE(objet.Load((tmp / "bon.bmp").c_str()));

    OctetsTest code = bon;
    code[30] = 0x00, code[31] = code[32] = code[33] = 0xFF;
    ecrireOctets(tmp / "code.bmp", code);
    EXPECT_FALSE(objet.Load((tmp / "code.bmp").c_str()));
    EXPECT_FALSE(
        objet.Load(STRAVOL_SOURCE_DIR "/fuzz/regressions/picture_fuzz/bmp-compression-negative"));

    // OS/2 header: 12 bytes, 16-bit width and height, planes, bits per pixel.
    // 3000 x 3000 pixels of 24 bits in an 80-byte file, pixels from byte 26.
    OctetsTest os2 = {'B', 'M', 80, 0, 0, 0,    0,    0,    0,    0, 26, 0,  0,
                      0,   12,  0,  0, 0, 0xB8, 0x0B, 0xB8, 0x0B, 1, 0,  24, 0};
    os2.resize(80, 0);
    ecrireOctets(tmp / "os2.bmp", os2);
    EXPECT_FALSE(objet.Load((tmp / "os2.bmp").c_str()));

    ASSERT_TRUE(objet.Load((tmp / "bon.bmp").c_str()));
    EXPECT_EQ(objet.GetObjectDataPtr()->GetWidth(), 4);
}

TEST(VolumeHostile, OutputsThatCannotBeWrittenFailAndKeepTheVolume) {
    DossierTemporaire tmp;
    CImage3D v;
    ASSERT_TRUE(v.Create(4, 3, 2));
    v.Pixel(3, 2, 1) = 77;
    fs::create_directory(tmp / "dossier.i3d");
    EXPECT_FALSE(v.SaveI3D((tmp / "dossier.i3d").c_str()));
    EXPECT_FALSE(v.SaveI3D((tmp / "absent/v.i3d").c_str()));
    EXPECT_FALSE(v.Save((tmp / "absent/scan").c_str(), 0));
    EXPECT_FALSE(v.Save((tmp / "absent/scan").c_str(), 6));
    fs::create_directory(tmp / "scan_z0000.bmp");
    EXPECT_FALSE(v.Save((tmp / "scan").c_str(), 0));
    EXPECT_EQ(v.GetDepth(), 2);
    EXPECT_EQ(v.Pixel(3, 2, 1), 77);
    // A header promising 65535^3 voxels over a few bytes is refused without allocating them,
    // and the volume written next to it still reads back.
    ASSERT_TRUE(v.SaveI3D((tmp / "v.i3d").c_str()));
    ecrireOctets(tmp / "geant.i3d", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3});
    CImage3D geant;
    EXPECT_FALSE(geant.LoadI3D((tmp / "geant.i3d").c_str()));
    EXPECT_EQ(geant.GetDepth(), 0);
    ASSERT_TRUE(geant.LoadI3D((tmp / "v.i3d").c_str()));
    EXPECT_EQ(geant.Pixel(3, 2, 1), 77);
}

} // namespace
