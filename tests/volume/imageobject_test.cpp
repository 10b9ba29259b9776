// Picture files at the edges of their formats: short colour tables, top-down BMPs of every
// depth, compressed streams unfolding far beyond their picture, files that are not files.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "helpers/images.h"
#include "helpers/limites.h"
#include "volume/BTCImageObject.h"

namespace {

void ajouter16(OctetsTest& d, std::uint32_t v) {
    d.push_back(static_cast<unsigned char>(v));
    d.push_back(static_cast<unsigned char>(v >> 8));
}
void ajouter32(OctetsTest& d, std::uint32_t v) {
    ajouter16(d, v & 0xFFFF);
    ajouter16(d, v >> 16);
}
void fixer32(OctetsTest& d, std::size_t i, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        d[i + k] = static_cast<unsigned char>(v >> (8 * k));
}

// An uncompressed BMP with a 40-byte header (12-byte OS/2 header when os2), rows stored
// bottom-up or top-down. valeur(x, y) is the palette index (1, 4, 8 bits) or the packed
// pixel (16, 24, 32 bits: blue in the low byte, or as the masks say). palette holds blue,
// green, red triples; masques (red, green, blue) turn the file into a bitfields one.
struct Bmp {
    int largeur = 5;
    int hauteur = 3;
    int bpp = 8;
    bool hautEnBas = false;
    bool os2 = false;
    std::vector<std::uint32_t> palette;
    std::vector<std::uint32_t> masques;
    std::function<std::uint32_t(int, int)> valeur;

    OctetsTest octets() const {
        const std::size_t entete = os2 ? 12 : 40;
        const std::size_t tailleCouleur = os2 ? 3 : 4;
        const std::size_t debut = 14 + entete + 4 * masques.size() + tailleCouleur * palette.size();
        const int pas = (largeur * bpp + 31) / 32 * 4;
        OctetsTest d = {'B', 'M'};
        ajouter32(d, static_cast<std::uint32_t>(debut + pas * hauteur));
        ajouter32(d, 0);
        ajouter32(d, static_cast<std::uint32_t>(debut));
        ajouter32(d, static_cast<std::uint32_t>(entete));
        if (os2) {
            ajouter16(d, static_cast<std::uint32_t>(largeur));
            ajouter16(d, static_cast<std::uint32_t>(hauteur));
        } else {
            ajouter32(d, static_cast<std::uint32_t>(largeur));
            ajouter32(d, static_cast<std::uint32_t>(hautEnBas ? -hauteur : hauteur));
        }
        ajouter16(d, 1);
        ajouter16(d, static_cast<std::uint32_t>(bpp));
        if (!os2) {
            ajouter32(d, masques.empty() ? 0 : 3);
            ajouter32(d, static_cast<std::uint32_t>(pas * hauteur));
            ajouter32(d, 2835);
            ajouter32(d, 2835);
            ajouter32(d, static_cast<std::uint32_t>(palette.size()));
            ajouter32(d, 0);
        }
        for (std::uint32_t m : masques)
            ajouter32(d, m);
        for (std::uint32_t c : palette) {
            for (std::size_t k = 0; k < tailleCouleur; ++k)
                d.push_back(k < 3 ? static_cast<unsigned char>(c >> (8 * k)) : 0);
        }
        for (int r = 0; r < hauteur; ++r) {
            const int y = hautEnBas ? r : hauteur - 1 - r;
            OctetsTest ligne(static_cast<std::size_t>(pas), 0);
            for (int x = 0; x < largeur; ++x) {
                const std::uint32_t v = valeur(x, y);
                if (bpp < 8) {
                    const int bit = x * bpp;
                    ligne[static_cast<std::size_t>(bit / 8)] |=
                        static_cast<unsigned char>(v << (8 - bpp - bit % 8));
                } else {
                    for (int k = 0; k < bpp / 8; ++k)
                        ligne[static_cast<std::size_t>(x * (bpp / 8) + k)] =
                            static_cast<unsigned char>(v >> (8 * k));
                }
            }
            d.insert(d.end(), ligne.begin(), ligne.end());
        }
        return d;
    }
};

// Blue, green, red of pixel (x, y) of a decoded picture, its palette looked up.
std::uint32_t couleur(const BTCImageData& image, int x, int y) {
    std::vector<unsigned char> ligne(3 * static_cast<std::size_t>(image.GetWidth()));
    image.CopyRowBGR(y, ligne.data());
    const unsigned char* p = ligne.data() + 3 * x;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
}

// Leaves the stack below this call filled with motif, where the decoder keeps its tables.
void salirLaPile(unsigned char motif) {
    volatile unsigned char pile[256 * 1024];
    for (unsigned char& c : const_cast<unsigned char(&)[sizeof pile]>(pile))
        c = motif;
}

// Decodes the file after the stack was filled with each of a few patterns: every reading
// must give the same picture, whose colours are those couleurAttendue gives.
void lireToujoursPareil(const std::string& fichier,
                        const std::function<std::uint32_t(int, int)>& couleurAttendue) {
    for (unsigned char motif : {0x00, 0xFF, 0x5A}) {
        salirLaPile(motif);
        BTCImageObject objet;
        ASSERT_TRUE(objet.Load(fichier.c_str())) << fichier;
        const BTCImageData& image = *objet.GetObjectDataPtr();
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x)
                ASSERT_EQ(couleur(image, x, y), couleurAttendue(x, y))
                    << fichier << " (" << x << ", " << y << ") motif " << int(motif);
    }
}

constexpr std::uint32_t kRouge = 0xFF0000, kVert = 0x00FF00, kGrisClair = 0xC0C0C0;

TEST(ImageObjectHostile, IndicesPastAShortBmpPaletteAreBlack) {
    DossierTemporaire tmp;
    // Index x % 2^bpp at pixel x; the table gives fewer entries than the indices reach.
    struct Cas {
        const char* nom;
        int bpp;
        bool os2;
    };
    for (const Cas& c :
         {Cas{"un.bmp", 1, false}, Cas{"quatre.bmp", 4, false}, Cas{"huit.bmp", 8, false},
          Cas{"os2-huit.bmp", 8, true}, Cas{"os2-quatre.bmp", 4, true}}) {
        Bmp b;
        b.largeur = 20;
        b.bpp = c.bpp;
        b.os2 = c.os2;
        b.palette = {kRouge};
        const int n = 1 << c.bpp;
        b.valeur = [n](int x, int) { return static_cast<std::uint32_t>(x % n); };
        ecrireOctets(tmp / c.nom, b.octets());
        lireToujoursPareil(tmp / c.nom, [n](int x, int) { return x % n == 0 ? kRouge : 0u; });
    }
}

TEST(ImageObjectHostile, BmpWhosePixelsStartAtOffsetZeroReadsTheSameEveryTime) {
    DossierTemporaire tmp;
    for (int bpp : {1, 4}) {
        Bmp b;
        b.bpp = bpp;
        b.palette = {kRouge};
        b.valeur = [](int, int) { return 0u; };
        OctetsTest d = b.octets();
        fixer32(d, 10, 0); // the pixel rows start on the file header itself
        const std::string fichier = tmp / ("zero" + std::to_string(bpp) + ".bmp");
        ecrireOctets(fichier, d);
        BTCImageObject premier;
        ASSERT_TRUE(premier.Load(fichier.c_str()));
        const BTCImageData& a = *premier.GetObjectDataPtr();
        // Only the red entry and black can come out: the table has one entry.
        lireToujoursPareil(fichier, [&a](int x, int y) {
            const std::uint32_t c = couleur(a, x, y);
            return c == kRouge ? kRouge : 0u;
        });
    }
}

// A palette PNG (8 bits per index) of w x 1 pixels whose PLTE holds the given colours, red,
// green, blue each; index x % 256 at pixel x.
OctetsTest pngIndexe(int w, const std::vector<std::uint32_t>& plte) {
    // A grey PNG of the same sizes gives the stream of the indices; its IHDR says grey.
    OctetsTest pixels(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x)
        pixels[static_cast<std::size_t>(x)] = static_cast<unsigned char>(x % 256);
    OctetsTest gris = pngFait(w, 1, 1, pixels);
    OctetsTest d(gris.begin(), gris.begin() + 33); // signature and IHDR chunk
    d[25] = 3;                                     // colour type: palette
    OctetsTest plteChunk;
    for (int k = 3; k >= 0; --k)
        plteChunk.push_back(static_cast<unsigned char>((3 * plte.size()) >> (8 * k)));
    for (const char* t = "PLTE"; *t; ++t)
        plteChunk.push_back(static_cast<unsigned char>(*t));
    for (std::uint32_t c : plte) {
        plteChunk.push_back(static_cast<unsigned char>(c >> 16));
        plteChunk.push_back(static_cast<unsigned char>(c >> 8));
        plteChunk.push_back(static_cast<unsigned char>(c));
    }
    plteChunk.insert(plteChunk.end(), 4, 0); // checksum, unchecked by the decoder
    d.insert(d.end(), plteChunk.begin(), plteChunk.end());
    d.insert(d.end(), gris.begin() + 33, gris.end());
    return d;
}

TEST(ImageObjectHostile, IndicesPastAShortPngPaletteAreBlack) {
    DossierTemporaire tmp;
    ecrireOctets(tmp / "plte.png", pngIndexe(40, {kRouge, kVert}));
    lireToujoursPareil(tmp / "plte.png",
                       [](int x, int) { return x == 0 ? kRouge : (x == 1 ? kVert : 0u); });
}

TEST(ImageObjectHostile, TopDownBmpsOfEveryDepthMatchTheirBottomUpTwins) {
    DossierTemporaire tmp;
    struct Cas {
        int bpp;
        std::vector<std::uint32_t> masques;
    };
    const std::vector<Cas> cas = {
        {1, {}},
        {4, {}},
        {8, {}},
        {16, {}},
        {24, {}},
        {32, {}},
        {16, {0xF800, 0x07E0, 0x001F}},
        {32, {0x00FF0000, 0x0000FF00, 0x000000FF}},
        {32, {0x000000FF, 0x0000FF00, 0x00FF0000}},
    };
    for (const Cas& c : cas) {
        Bmp b;
        b.largeur = 7;
        b.hauteur = 5;
        b.bpp = c.bpp;
        b.masques = c.masques;
        if (c.bpp <= 8)
            for (int i = 0; i < (1 << c.bpp) && i < 16; ++i)
                b.palette.push_back(
                    static_cast<std::uint32_t>(i * 0x0F0B07 + kGrisClair * (i % 2)));
        const std::uint32_t maxi = c.bpp >= 24 ? 0xFFFFFF : (1u << std::min(c.bpp, 16)) - 1;
        const int n = c.bpp <= 8 ? std::min(1 << c.bpp, 16) : 0;
        b.valeur = [&](int x, int y) {
            // The lower rows add 1, so that even one bit per pixel tells a row from its mirror.
            const std::uint32_t v =
                static_cast<std::uint32_t>(x * 37 + y * 101 + x * y * 13 + (y >= 3 ? 1 : 0));
            return n > 0 ? v % static_cast<std::uint32_t>(n) : (v * 2654435761u) & maxi;
        };
        const std::string nom = std::to_string(c.bpp) + (c.masques.empty() ? "" : "m") +
                                (c.masques.size() && c.masques[0] == 0xFF ? "r" : "");
        ecrireOctets(tmp / (nom + "-bas.bmp"), b.octets());
        b.hautEnBas = true;
        ecrireOctets(tmp / (nom + "-haut.bmp"), b.octets());

        BTCImageObject bas, haut;
        ASSERT_TRUE(bas.Load((tmp / (nom + "-bas.bmp")).c_str())) << nom;
        ASSERT_TRUE(haut.Load((tmp / (nom + "-haut.bmp")).c_str())) << nom;
        const BTCImageData& a = *bas.GetObjectDataPtr();
        const BTCImageData& h = *haut.GetObjectDataPtr();
        ASSERT_EQ(h.GetWidth(), 7) << nom;
        ASSERT_EQ(h.GetHeight(), 5) << nom;
        ASSERT_EQ(h.GetBitsPerPixel(), a.GetBitsPerPixel()) << nom;
        bool distinctes = false;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                EXPECT_EQ(couleur(h, x, y), couleur(a, x, y)) << nom << " " << x << " " << y;
                distinctes = distinctes || couleur(a, x, y) != couleur(a, x, 4 - y);
            }
        EXPECT_TRUE(distinctes) << nom << ": rows that a flip would not change";
    }
}

// Appends n bits of v, lowest first, as deflate packs its fields.
struct Bits {
    OctetsTest octets;
    int libres = 0;
    void ajouter(std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) {
            if (libres == 0) {
                octets.push_back(0);
                libres = 8;
            }
            octets.back() |= static_cast<unsigned char>(((v >> i) & 1u) << (8 - libres));
            --libres;
        }
    }
    // A Huffman code, highest bit first.
    void code(std::uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i)
            ajouter((v >> i) & 1u, 1);
    }
};

// A 1 x 1 grey PNG whose zlib stream inflates to about the given number of bytes: a zero
// literal, then copies of 258 bytes at distance 1, in one block of fixed codes.
OctetsTest pngQuiSeDeplie(std::size_t octetsDeplies) {
    Bits b;
    b.ajouter(1, 1); // last block
    b.ajouter(1, 2); // fixed codes
    b.code(0x30, 8); // literal 0 (codes 0x30 + v on 8 bits)
    for (std::size_t fait = 1; fait < octetsDeplies; fait += 258) {
        b.code(0xC5, 8); // length 258: symbol 285, codes 0xC0 + (s - 280) on 8 bits
        b.code(0, 5);    // distance 1
    }
    b.code(0, 7); // end of block: symbol 256
    OctetsTest zlib = {0x78, 0x01};
    zlib.insert(zlib.end(), b.octets.begin(), b.octets.end());
    zlib.insert(zlib.end(), 4, 0); // Adler-32, unchecked by the decoder

    OctetsTest d = pngFait(1, 1, 1, {0});
    // Replaces the IDAT chunk (after the signature and IHDR) by one holding the stream.
    std::size_t idat = 33;
    const std::size_t ancienne = std::size_t(d[idat]) << 24 | std::size_t(d[idat + 1]) << 16 |
                                 std::size_t(d[idat + 2]) << 8 | d[idat + 3];
    OctetsTest chunk;
    for (int k = 3; k >= 0; --k)
        chunk.push_back(static_cast<unsigned char>(zlib.size() >> (8 * k)));
    chunk.insert(chunk.end(), {'I', 'D', 'A', 'T'});
    chunk.insert(chunk.end(), zlib.begin(), zlib.end());
    chunk.insert(chunk.end(), 4, 0);
    d.erase(d.begin() + static_cast<std::ptrdiff_t>(idat),
            d.begin() + static_cast<std::ptrdiff_t>(idat + 12 + ancienne));
    d.insert(d.begin() + static_cast<std::ptrdiff_t>(idat), chunk.begin(), chunk.end());
    return d;
}

TEST(ImageObjectHostile, PngStreamUnfoldingFarBeyondItsPictureIsRefused) {
    DossierTemporaire tmp;
    // A stream of the picture's own size is read, one of 64 MiB for a single pixel is not:
    // the decoder stops at a few times what the picture needs.
    ecrireOctets(tmp / "juste.png", pngQuiSeDeplie(2));
    ecrireOctets(tmp / "bombe.png", pngQuiSeDeplie(std::size_t(64) << 20));
    BTCImageObject objet;
    EXPECT_TRUE(objet.Load((tmp / "juste.png").c_str()));
    EXPECT_FALSE(objet.Load((tmp / "bombe.png").c_str()));
    EXPECT_TRUE(objet.Load((tmp / "juste.png").c_str()));
}

// What a load of chemin does in a child process whose address space is limited to mo MiB:
// 0 refused without running out of memory, 1 refused for memory, 2 read, 3 ended otherwise.
int chargerSousLimite(const std::string& chemin, long mo) {
    const pid_t enfant = fork();
    if (enfant == 0) {
        const rlimit limite{static_cast<rlim_t>(mo) << 20, static_cast<rlim_t>(mo) << 20};
        setrlimit(RLIMIT_AS, &limite);
        BTCImageObject objet;
        const bool lue = objet.Load(chemin.c_str());
        _exit(lue ? 2 : (objet.MemoireEpuisee() ? 1 : 0));
    }
    int statut = 0;
    waitpid(enfant, &statut, 0);
    return WIFEXITED(statut) ? WEXITSTATUS(statut) : 3;
}

// Files far larger than their picture, under 128 MiB of address space: a 1 x 1 PNG whose
// stream unfolds to 2 GiB stops unfolding at a few times the picture, and a 2 GiB file that
// only bears a picture's name is refused on its first bytes, neither read whole (sparse
// files: nothing is written to the disk).
TEST(ImageObjectHostile, HugeStreamsAndFilesAreRefusedWithinLittleMemory) {
    if (!testlimites::kLimitePossible)
        GTEST_SKIP() << "address-space limits do not work under the address sanitizer";
    DossierTemporaire tmp;
    constexpr long kLimiteMo = 128;
    ecrireOctets(tmp / "bombe.png", pngQuiSeDeplie(std::size_t(2) << 30));
    EXPECT_EQ(chargerSousLimite(tmp / "bombe.png", kLimiteMo), 0);

    constexpr std::uintmax_t kGrand = (std::uintmax_t(2) << 30) - 64;
    ecrireOctets(tmp / "zeros.png", {});
    std::filesystem::resize_file(tmp / "zeros.png", kGrand);
    EXPECT_EQ(chargerSousLimite(tmp / "zeros.png", kLimiteMo), 0);

    // A real PNG header before the same emptiness: its 1 x 1 picture needs no more.
    ecrireOctets(tmp / "entete.png", pngFait(1, 1, 1, {0}));
    std::filesystem::resize_file(tmp / "entete.png", kGrand);
    EXPECT_EQ(chargerSousLimite(tmp / "entete.png", kLimiteMo), 0);

    // The same limit reads an ordinary picture.
    ecrireOctets(tmp / "juste.png", pngFait(64, 64, 1, OctetsTest(64 * 64, 7)));
    EXPECT_EQ(chargerSousLimite(tmp / "juste.png", kLimiteMo), 2);
}

TEST(ImageObjectHostile, SpecialFilesAreRefusedWithoutWaiting) {
    DossierTemporaire tmp;
    ASSERT_EQ(mkfifo((tmp / "fifo.bmp").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", (tmp / "zero.png").c_str()), 0);
    ASSERT_EQ(symlink("/dev/urandom", (tmp / "alea.jpg").c_str()), 0);
    BTCImageObject objet;
    for (const char* nom : {"fifo.bmp", "zero.png", "alea.jpg", "."})
        EXPECT_FALSE(objet.Load((tmp / nom).c_str())) << nom;
}

} // namespace
