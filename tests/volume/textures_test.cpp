// Display modes, slice textures and cut pictures of the loaded volume.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/Parallele.h"
#include "helpers/slices.h"
#include "volume/CImageTroisD.h"

namespace {

constexpr int N = CImageTroisD::kCoteTexture;

// A value that tells voxels apart along each axis.
unsigned char motif(int x, int y, int z) {
    return static_cast<unsigned char>(x * 3 + y * 7 + z * 11);
}

void remplir(CImageTroisD& vol, VolumeOctets& v, unsigned char (*f)(int, int, int)) {
    for (int z = 0; z < vol.profondeur; ++z)
        for (int y = 0; y < vol.hauteur; ++y)
            for (int x = 0; x < vol.largeur; ++x)
                v[(static_cast<std::size_t>(z) * vol.hauteur + y) * vol.largeur + x] = f(x, y, z);
}

const unsigned char* texel(const unsigned char* texture, int r, int c) {
    return texture + 3 * (N * r + c);
}

// Every texel of every prepared texture shows the voxel of the nearest-voxel rule, in grey.
void verifierEchantillonnage(CImageTroisD& vol, unsigned char (*f)(int, int, int)) {
    const int L = vol.largeur, H = vol.hauteur, P = vol.profondeur;
    int erreurs = 0;
    for (int z = 0; z < P; ++z)
        for (int r = 0; r < N; ++r)
            for (int c = 0; c < N; ++c) {
                const unsigned char* t = texel(vol.getTabZ(z), r, c);
                const unsigned char v = f(c * L / N, r * H / N, z);
                erreurs += t[0] != v || t[1] != v || t[2] != v;
            }
    for (int x = 0; x < L; ++x)
        for (int r = 0; r < N; ++r)
            for (int c = 0; c < N; ++c) {
                const unsigned char* t = texel(vol.getTabX(x), r, c);
                const unsigned char v = f(x, r * H / N, c * P / N);
                erreurs += t[0] != v || t[1] != v || t[2] != v;
            }
    for (int y = 0; y < H; ++y)
        for (int r = 0; r < N; ++r)
            for (int c = 0; c < N; ++c) {
                const unsigned char* t = texel(vol.getTabY(y), r, c);
                const unsigned char v = f(c * L / N, y, r * P / N);
                erreurs += t[0] != v || t[1] != v || t[2] != v;
            }
    EXPECT_EQ(erreurs, 0);
}

TEST(Textures, SamplingOfA512By100By30Volume) {
    CImageTroisD vol(512, 100, 30);
    remplir(vol, vol.imageOriginal, motif);
    vol.AllouerTexture();
    ProgressionCollectee barre;
    vol.preparationTexture(&barre, Stravol::ModeAffichage::Normale);
    EXPECT_EQ(std::memcmp(vol.image.get(), vol.imageOriginal.get(), 512 * 100 * 30), 0);
    // Nothing handed out yet: nothing to build now.
    EXPECT_EQ(barre.maximums, std::vector<int>{0});
    verifierEchantillonnage(vol, motif);
    // Z: column c shows x = 2c, row r shows y = floor(100 r / 256); X: column c shows slice
    // floor(30 c / 256).
    EXPECT_EQ(*texel(vol.getTabZ(4), 200, 100), motif(200, 78, 4));
    EXPECT_EQ(*texel(vol.getTabX(7), 10, 255), motif(7, 3, 29));
    EXPECT_EQ(*texel(vol.getTabX(7), 10, 9), motif(7, 3, 1));
    // Every texture handed out is rebuilt at the next preparation, one step a texture up to
    // largeur + hauteur + profondeur.
    ProgressionCollectee reprise;
    vol.preparationTexture(&reprise, Stravol::ModeAffichage::Normale);
    EXPECT_EQ(reprise.maximums, std::vector<int>{642});
    ASSERT_EQ(reprise.valeurs.size(), 643u);
    for (int i = 0; i <= 642; ++i)
        EXPECT_EQ(reprise.valeurs[i], i);
    verifierEchantillonnage(vol, motif);
    // The single-texture builders agree with the prepared stacks.
    std::vector<unsigned char> t(CImageTroisD::kTailleTexture);
    vol.getImageOpenGlX(300, t.data());
    EXPECT_EQ(std::memcmp(t.data(), vol.getTabX(300), t.size()), 0);
    vol.getImageOpenGlY(99, t.data());
    EXPECT_EQ(std::memcmp(t.data(), vol.getTabY(99), t.size()), 0);
    EXPECT_EQ(vol.getTabZ(30), nullptr);
    EXPECT_EQ(vol.getTabX(-1), nullptr);
}

TEST(Textures, SmallVolumeRepeatsItsVoxels) {
    CImageTroisD vol(3, 2, 1);
    remplir(vol, vol.imageOriginal, motif);
    vol.AllouerTexture();
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
    verifierEchantillonnage(vol, motif);
    EXPECT_EQ(*texel(vol.getTabZ(0), 255, 255), motif(2, 1, 0));
    EXPECT_EQ(*texel(vol.getTabX(2), 127, 0), motif(2, 0, 0));
}

TEST(Textures, AllocatingTwiceKeepsTheFirstStacks) {
    CImageTroisD vol(4, 4, 4);
    vol.AllouerTexture();
    unsigned char* z = vol.getTabZ(0);
    unsigned char* x = vol.getTabX(3);
    ASSERT_NE(z, nullptr);
    std::memset(z, 42, CImageTroisD::kTailleTexture);
    vol.AllouerTexture();
    EXPECT_EQ(vol.getTabZ(0), z);
    EXPECT_EQ(vol.getTabX(3), x);
    EXPECT_EQ(vol.getTabZ(0)[5], 42);
}

// A texture handed out keeps its address and shows the mode of the last preparation, whether
// it was built before it (rebuilt in place) or first asked for after it; the retouch applies
// to both.
TEST(Textures, TexturesAreBuiltWhenFirstAskedForInTheCurrentMode) {
    CImageTroisD vol(6, 5, 4);
    remplir(vol, vol.imageOriginal, motif);
    vol.imageSegmente = VolumeOctets(new unsigned char[120]);
    remplir(vol, vol.imageSegmente, [](int, int, int) { return static_cast<unsigned char>(9); });
    vol.AllouerTexture();
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
    unsigned char* montree = vol.getTabZ(1);
    EXPECT_EQ(*texel(montree, 0, 0), motif(0, 0, 1));
    const auto construites = [&vol] {
        int n = 0;
        for (const std::vector<unsigned char>& pile : vol.texturesConstruites)
            for (unsigned char c : pile)
                n += c;
        return n;
    };
    EXPECT_EQ(construites(), 1);

    // The labels in their colour: the texture shown is built again in place.
    vol.definirTableEtiquettes({});
    vol.affichageEtiquettes.couleurs = true;
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Segmentee);
    EXPECT_EQ(construites(), 1);
    EXPECT_EQ(vol.getTabZ(1), montree);
    const Stravol::CouleurRVB neuf = Stravol::couleurParDefaut(9);
    for (const unsigned char* t : {texel(montree, 0, 0), texel(vol.getTabY(3), 255, 255)})
        EXPECT_TRUE(t[0] == neuf[0] && t[1] == neuf[1] && t[2] == neuf[2]);
    EXPECT_EQ(construites(), 2);
}

TEST(Textures, DisplayModes) {
    CImageTroisD vol(6, 5, 4);
    remplir(vol, vol.imageOriginal, motif);
    vol.AllouerTexture();
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
    const std::vector<unsigned char> original(vol.image.get(), vol.image.get() + 120);

    // Phase: image unchanged, textures from imagePhase; without it, black textures.
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Phase);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), vol.image.get()));
    EXPECT_EQ(*texel(vol.getTabZ(1), 100, 100), 0);
    vol.imagePhase = VolumeOctets(new unsigned char[120]);
    remplir(vol, vol.imagePhase,
            [](int x, int y, int z) { return static_cast<unsigned char>(200 + x + y + z); });
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Phase);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), vol.image.get()));
    EXPECT_EQ(*texel(vol.getTabZ(1), 255, 0), 200 + 0 + 4 + 1);

    // Segmentee without a segmentation leaves image unchanged; with one, image becomes it.
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Segmentee);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), vol.image.get()));
    EXPECT_EQ(*texel(vol.getTabY(2), 0, 0), 0);
    vol.imageSegmente = VolumeOctets(new unsigned char[120]);
    remplir(vol, vol.imageSegmente,
            [](int x, int, int) { return static_cast<unsigned char>(x < 3 ? 1 : 2); });
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Segmentee);
    EXPECT_EQ(vol.getVoxelImage(4, 0, 0), 2);
    EXPECT_EQ(std::memcmp(vol.image.get(), vol.imageSegmente.get(), 120), 0);
    EXPECT_EQ(*texel(vol.getTabX(4), 30, 30), 2);

    // Back to Normale: image is the loaded volume again.
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), vol.image.get()));
    unsigned char seg[CImageTroisD::kTailleTexture];
    vol.getImageSegmenteOpenGlZ(0, seg);
    EXPECT_EQ(*texel(seg, 0, 255), 2);
    vol.getImageBinaireOpenGlX(0, seg);
    EXPECT_EQ(*texel(seg, 0, 0), 0);
}

TEST(Textures, ColourInMode0OnlyWhenRgbIs1) {
    CImageTroisD vol(4, 3, 2);
    remplir(vol, vol.imageOriginal, motif);
    remplir(vol, vol.imR, [](int x, int, int) { return static_cast<unsigned char>(10 + x); });
    remplir(vol, vol.imG, [](int, int y, int) { return static_cast<unsigned char>(20 + y); });
    remplir(vol, vol.imB, [](int, int, int z) { return static_cast<unsigned char>(30 + z); });
    vol.imageSegmente = VolumeOctets(new unsigned char[24]());
    vol.AllouerTexture();
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
    EXPECT_EQ(*texel(vol.getTabZ(1), 0, 0), motif(0, 0, 1));
    vol.rgb = 1;
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
    for (const unsigned char* t : {texel(vol.getTabZ(1), 255, 255), texel(vol.getTabX(3), 255, 255),
                                   texel(vol.getTabY(2), 255, 255)}) {
        EXPECT_EQ(t[0], 13);
        EXPECT_EQ(t[1], 22);
        EXPECT_EQ(t[2], 31);
    }
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Segmentee);
    const unsigned char* t = texel(vol.getTabZ(1), 255, 255);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[2], 0);
}

TEST(Textures, SlicePictures) {
    CImageTroisD vol(5, 3, 7);
    remplir(vol, vol.image, motif);
    const ImageRGB& z = vol.getImageZ(6);
    EXPECT_EQ(z.largeur, 5);
    EXPECT_EQ(z.hauteur, 3);
    EXPECT_EQ(z.pixel(4, 2)[1], motif(4, 2, 6));
    const ImageRGB& x = vol.getImageX(4);
    ASSERT_EQ(x.largeur, 7);
    ASSERT_EQ(x.hauteur, 3);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 7; ++i) {
            const unsigned char* p = x.pixel(i, j);
            EXPECT_EQ(p[0], motif(4, j, i));
            EXPECT_EQ(p[1], p[0]);
            EXPECT_EQ(p[2], p[0]);
        }
    const ImageRGB& y = vol.getImageY(2);
    ASSERT_EQ(y.largeur, 5);
    ASSERT_EQ(y.hauteur, 7);
    for (int j = 0; j < 7; ++j)
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(y.pixel(i, j)[2], motif(i, 2, j));
    EXPECT_EQ(y.pixels.size(), 3u * 5 * 7);
    // An index outside the volume gives an empty picture.
    EXPECT_EQ(vol.getImageX(5).largeur, 0);
    EXPECT_EQ(vol.getImageY(-1).pixels.size(), 0u);
    EXPECT_EQ(vol.getImageZ(7).hauteur, 0);
}

// The stacks come out the same whatever the thread count, black ones of a missing mode too, and a
// volume's second preparation (stacks reused, not cleared) gives them again.
TEST(Textures, StacksDoNotDependOnTheThreadCount) {
    CImageTroisD vol(150, 70, 90);
    remplir(vol, vol.imageOriginal, motif);
    vol.AllouerTexture();
    const auto piles = [&vol](int threads, Stravol::ModeAffichage mode) {
        Stravol::definirNbThreads(threads);
        vol.preparationTexture(nullptr, mode);
        Stravol::definirNbThreads(0);
        std::vector<unsigned char> t;
        for (int z = 0; z < vol.profondeur; ++z)
            t.insert(t.end(), vol.getTabZ(z), vol.getTabZ(z) + CImageTroisD::kTailleTexture);
        for (int x = 0; x < vol.largeur; ++x)
            t.insert(t.end(), vol.getTabX(x), vol.getTabX(x) + CImageTroisD::kTailleTexture);
        for (int y = 0; y < vol.hauteur; ++y)
            t.insert(t.end(), vol.getTabY(y), vol.getTabY(y) + CImageTroisD::kTailleTexture);
        return t;
    };
    using Stravol::ModeAffichage;
    const std::vector<unsigned char> un = piles(1, ModeAffichage::Normale);
    verifierEchantillonnage(vol, motif);
    EXPECT_EQ(piles(3, ModeAffichage::Normale), un);
    EXPECT_EQ(piles(8, ModeAffichage::Phase), piles(1, ModeAffichage::Phase)); // black stacks
    EXPECT_EQ(piles(2, ModeAffichage::Normale), un);
}

} // namespace
