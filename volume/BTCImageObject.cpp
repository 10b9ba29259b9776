#include "volume/BTCImageObject.h"
#include "volume/DecodeurRle.h"

#include "core/Fichier.h"
#include "volume/StbCodecs.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

namespace {

using Octets = std::vector<unsigned char>;

// Set when a decoding on this thread failed for want of memory rather than for its file.
thread_local bool memoireManquante = false;

// Create for sizes already found acceptable: a failure can only be memory.
bool creer(BTCImageData& image, long w, long h, int bpp) {
    const bool ok = image.Create(w, h, bpp);
    memoireManquante = memoireManquante || !ok;
    return ok;
}

// The same for a decoder that writes every pixel: the storage of the previous picture is
// reused when it has the size, without zeroing it first.
bool creerPourEcrire(BTCImageData& image, long w, long h, int bpp) {
    const bool ok = image.CreerPourEcrire(w, h, bpp);
    memoireManquante = memoireManquante || !ok;
    return ok;
}

// Bytes read to tell the format of a file: the longest signature, PNG's.
constexpr std::size_t kTailleSignature = 8;
constexpr unsigned char kSignaturePng[kTailleSignature] = {0x89, 'P',  'N',  'G',
                                                           '\r', '\n', 0x1a, '\n'};

enum class Signature { Inconnue, Bmp, Jpeg, Png };

Signature signatureDe(const unsigned char* d) {
    if (d[0] == 'B' && d[1] == 'M')
        return Signature::Bmp;
    if (d[0] == 0xFF && d[1] == 0xD8)
        return Signature::Jpeg;
    if (std::memcmp(d, kSignaturePng, kTailleSignature) == 0)
        return Signature::Png;
    return Signature::Inconnue;
}

// Bytes of a PNG after its signature up to the picture's sizes: the IHDR chunk's length and
// type, then width and height (big-endian).
constexpr std::size_t kTailleDebutIhdr = 16;

// Largest PNG file kept for a picture of w x h pixels, in bytes: its stream may not compress
// (filter byte and eight bytes a pixel, twice over for block headers), plus room for side
// chunks (colour profiles, text).
std::uint64_t taillePngMax(std::uint32_t w, std::uint32_t h) {
    constexpr std::uint64_t kOctetsParPixelMax = 8;
    constexpr std::uint64_t kChunksAnnexes = std::uint64_t(64) << 20;
    return 2 * (std::uint64_t(w) * kOctetsParPixelMax + 1) * h + kChunksAnnexes;
}

// A PNG whose header declares a picture too small for the file's size is refused before the
// file is read whole (a huge file behind a 1 x 1 header).
bool taillePngPlausible(std::FILE* f, std::uint64_t taille) {
    unsigned char d[kTailleDebutIhdr];
    const bool entete = std::fread(d, 1, kTailleDebutIhdr, f) == kTailleDebutIhdr &&
                        std::memcmp(d + 4, "IHDR", 4) == 0;
    if (std::fseek(f, static_cast<long>(kTailleSignature), SEEK_SET) != 0)
        return false;
    if (!entete)
        return true; // the decoder refuses it on its own
    const auto lire = [&d](int i) {
        return std::uint32_t(d[i]) << 24 | std::uint32_t(d[i + 1]) << 16 |
               std::uint32_t(d[i + 2]) << 8 | d[i + 3];
    };
    return taille <= taillePngMax(lire(8), lire(12));
}

// Reads a regular file whole when it starts with a known signature; a FIFO or a device is
// refused without waiting, a file of another kind is refused after its first bytes, and a PNG
// far larger than its declared picture after its header. The decoder takes sizes that fit an
// int.
bool lireFichier(const char* path, Octets& contenu, Signature& format) {
    std::uint64_t taille = 0;
    std::FILE* f = ouvrirFichierLecture(path, INT_MAX - 1, &taille);
    if (f == nullptr)
        return false;
    unsigned char signature[kTailleSignature];
    bool ok = taille >= kTailleSignature &&
              std::fread(signature, 1, kTailleSignature, f) == kTailleSignature &&
              (format = signatureDe(signature)) != Signature::Inconnue &&
              (format != Signature::Png || taillePngPlausible(f, taille));
    if (ok) {
        try {
            contenu.resize(static_cast<std::size_t>(taille));
        } catch (const std::bad_alloc&) {
            memoireManquante = true;
            ok = false;
        }
    }
    if (ok) {
        std::memcpy(contenu.data(), signature, kTailleSignature);
        const std::size_t reste = contenu.size() - kTailleSignature;
        ok = std::fread(contenu.data() + kTailleSignature, 1, reste, f) == reste;
    }
    std::fclose(f);
    return ok;
}

bool ecrireFichier(const char* path, const Octets& contenu) {
    if (path == nullptr)
        return false;
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(contenu.data(), 1, contenu.size(), f) == contenu.size();
    return std::fclose(f) == 0 && ok;
}

std::uint32_t lire32(const Octets& d, std::size_t i) {
    return std::uint32_t(d[i]) | std::uint32_t(d[i + 1]) << 8 | std::uint32_t(d[i + 2]) << 16 |
           std::uint32_t(d[i + 3]) << 24;
}
std::uint16_t lire16(const Octets& d, std::size_t i) { return std::uint16_t(d[i] | d[i + 1] << 8); }

void ecrire32(Octets& d, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        d.push_back(static_cast<unsigned char>(v >> (8 * k)));
}
void ecrire16(Octets& d, std::uint16_t v) {
    d.push_back(static_cast<unsigned char>(v));
    d.push_back(static_cast<unsigned char>(v >> 8));
}

bool tailleAcceptable(long w, long h, int bpp) {
    if (w <= 0 || h <= 0 || w > BTCImageData::kMaxCote || h > BTCImageData::kMaxCote)
        return false;
    return static_cast<std::size_t>(BTCImageData::PitchFor(w, bpp)) * static_cast<std::size_t>(h) <=
           BTCImageData::kMaxOctets;
}

enum class Bmp { Refuse, Decode, ParStb };

// Bytes of one pixel row of an uncompressed BMP: rows are padded to 4 bytes.
std::size_t pasBmp(long largeur, int bpp) {
    return (static_cast<std::size_t>(largeur) * bpp + 31) / 32 * 4;
}

// Whether the pixel rows of an uncompressed BMP lie whole in the file. The decoder reads
// missing bytes as zeros, so a few bytes promising a large picture would be decoded pixel
// by pixel into a made-up picture.
bool lignesBmpCompletes(const Octets& d, std::size_t debut, long largeur, long hauteur, int bpp) {
    return debut <= d.size() &&
           d.size() - debut >= pasBmp(largeur, bpp) * static_cast<std::size_t>(hauteur);
}

constexpr std::size_t kTailleEnteteFichierBmp = 14;
constexpr std::uint32_t kTailleEnteteOs2 = 12;
constexpr std::uint32_t kTailleEnteteWindows = 40;
constexpr std::uint32_t kTailleCouleurOs2 = 3;     // blue, green, red
constexpr std::uint32_t kTailleCouleurWindows = 4; // blue, green, red, unused

// What an uncompressed BMP of 1, 4 or 8 bits per pixel says of its pixels.
struct BmpIndexe {
    long largeur = 0;
    long hauteur = 0;
    bool basEnHaut = true; // rows stored from the bottom one up
    int bpp = 0;
    std::size_t debut = 0;   // offset of the pixel rows
    std::size_t palette = 0; // offset of the colour table
    std::uint32_t tailleCouleur = kTailleCouleurWindows;
    std::uint32_t nbCouleurs = 0; // entries the header announces (0: as many as the depth allows)
};

// The colour table of the file, every entry it does not give black. Its entries are those
// the header announces, no more than the depth indexes, and none past the pixel rows when
// these follow the table. False when the entries run past the end of the file.
bool lirePaletteBmp(const Octets& d, const BmpIndexe& b, BTRGBQuad (&table)[256]) {
    const std::uint32_t maxi = 1u << b.bpp;
    std::uint32_t n = b.nbCouleurs == 0 || b.nbCouleurs > maxi ? maxi : b.nbCouleurs;
    if (b.debut >= b.palette)
        n = static_cast<std::uint32_t>(
            std::min<std::size_t>(n, (b.debut - b.palette) / b.tailleCouleur));
    if (b.palette > d.size() || (d.size() - b.palette) / b.tailleCouleur < n)
        return false;
    for (std::uint32_t i = 0; i < 256; ++i) {
        if (i < n) {
            const std::size_t k = b.palette + b.tailleCouleur * std::size_t(i);
            table[i] = BTRGBQuad{d[k], d[k + 1], d[k + 2], 255};
        } else {
            table[i] = BTRGBQuad{0, 0, 0, 255};
        }
    }
    return true;
}

// Palette index of pixel x of a row of 1, 4 or 8 bits per pixel; the leftmost pixel lies in
// the high bits of its byte.
unsigned indiceBmp(const unsigned char* ligne, long x, int bpp) {
    switch (bpp) {
    case 1:
        return (ligne[x / 8] >> (7 - x % 8)) & 1u;
    case 4:
        return (ligne[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 15u;
    default:
        return ligne[x];
    }
}

// Decodes an uncompressed BMP of 1, 4 or 8 bits per pixel whose rows lie whole in the file.
// Windows 8-bit files keep their indices and colour table; the others give 24-bit pixels
// looked up in their table, as the decoder used to give them.
bool decoderBmpIndexe(const Octets& d, const BmpIndexe& b, BTCImageData& image) {
    BTRGBQuad table[256];
    if (!lirePaletteBmp(d, b, table))
        return false;
    const bool indices = b.bpp == 8 && b.tailleCouleur == kTailleCouleurWindows;
    if (!creerPourEcrire(image, b.largeur, b.hauteur, indices ? 8 : 24))
        return false;
    if (indices)
        std::copy(std::begin(table), std::end(table), image.GetColorTable());
    const std::size_t pas = pasBmp(b.largeur, b.bpp);
    for (long y = 0; y < b.hauteur; ++y) {
        const long source = b.basEnHaut ? b.hauteur - 1 - y : y;
        const unsigned char* ligne = d.data() + b.debut + pas * static_cast<std::size_t>(source);
        unsigned char* dst = image.GetBits(0, y);
        if (indices) {
            std::memcpy(dst, ligne, static_cast<std::size_t>(b.largeur));
            continue;
        }
        for (long x = 0; x < b.largeur; ++x, dst += 3) {
            const BTRGBQuad& c = table[indiceBmp(ligne, x, b.bpp)];
            dst[0] = c.bleu;
            dst[1] = c.vert;
            dst[2] = c.rouge;
        }
    }
    return true;
}

// Run-length encoded BMP (RLE8 on 8-bit, RLE4 on 4-bit pictures): decoded into an 8-bit
// picture of palette indices with the file's colour table.
Bmp decoderBmpRle(const Octets& d, const BmpIndexe& b, BTCImageData& image) {
    // Two bytes of codes describe at most 255 pixels, but an end of line or picture may leave
    // any number of them 0: beyond a bound, a tiny file is not trusted with a huge picture.
    constexpr std::size_t kPixelsParOctetMax = 2048;
    constexpr std::size_t kPixelsToujoursPermis = std::size_t{64} << 20;
    const std::size_t pixels =
        static_cast<std::size_t>(b.largeur) * static_cast<std::size_t>(b.hauteur);
    if (b.debut >= d.size() || pixels > kPixelsToujoursPermis + kPixelsParOctetMax * d.size())
        return Bmp::Refuse;
    BTRGBQuad table[256];
    if (!lirePaletteBmp(d, b, table) || !creer(image, b.largeur, b.hauteur, 8))
        return Bmp::Refuse;
    std::copy(std::begin(table), std::end(table), image.GetColorTable());
    if (!decoderRleBmp(d.data() + b.debut, d.size() - b.debut, b.bpp, b.largeur, b.hauteur,
                       b.basEnHaut, image.GetBits(0, 0),
                       static_cast<std::size_t>(image.GetBytesPerLine()))) {
        image.DeleteObject();
        return Bmp::Refuse;
    }
    return Bmp::Decode;
}

// Uncompressed BMP files of 1, 4, 8 and 24 bits per pixel are decoded here, top-down ones
// (negative height) included; others are checked for truncation and left to stb.
Bmp decoderBmp(const Octets& d, BTCImageData& image) {
    if (d.size() < kTailleEnteteFichierBmp + 4)
        return Bmp::Refuse;
    const std::size_t debut = lire32(d, 10);
    const std::uint32_t tailleEntete = lire32(d, kTailleEnteteFichierBmp);
    if (tailleEntete < kTailleEnteteWindows) {
        // OS/2 header: 16-bit sizes, never compressed; the decoder knows no other short one.
        if (tailleEntete != kTailleEnteteOs2 ||
            d.size() < kTailleEnteteFichierBmp + kTailleEnteteOs2)
            return Bmp::Refuse;
        BmpIndexe b;
        b.largeur = lire16(d, 18);
        b.hauteur = lire16(d, 20);
        b.bpp = lire16(d, 24);
        b.debut = debut;
        b.palette = kTailleEnteteFichierBmp + kTailleEnteteOs2;
        b.tailleCouleur = kTailleCouleurOs2;
        if (!tailleAcceptable(b.largeur, b.hauteur, 32) ||
            !lignesBmpCompletes(d, debut, b.largeur, b.hauteur, b.bpp))
            return Bmp::Refuse;
        if (b.bpp != 1 && b.bpp != 4 && b.bpp != 8)
            return Bmp::ParStb;
        return decoderBmpIndexe(d, b, image) ? Bmp::Decode : Bmp::Refuse;
    }
    if (d.size() < kTailleEnteteFichierBmp + kTailleEnteteWindows)
        return Bmp::Refuse;
    const auto largeur = static_cast<std::int32_t>(lire32(d, 18));
    const auto hauteurBrute = static_cast<std::int32_t>(lire32(d, 22));
    const int bpp = lire16(d, 28);
    // The decoder reads the code as signed and takes negative codes for uncompressed data, as
    // no writer produces them: they are refused.
    const auto compression = static_cast<std::int32_t>(lire32(d, 30));
    if (compression < 0)
        return Bmp::Refuse;
    if (largeur <= 0 || hauteurBrute == 0 || hauteurBrute == INT32_MIN)
        return Bmp::Refuse;
    const bool basEnHaut = hauteurBrute > 0;
    const long hauteur = basEnHaut ? hauteurBrute : -static_cast<long>(hauteurBrute);
    if (!tailleAcceptable(largeur, hauteur, 32))
        return Bmp::Refuse;
    if ((compression == kCompressionRle8 && bpp == 8) ||
        (compression == kCompressionRle4 && bpp == 4)) {
        BmpIndexe b;
        b.largeur = largeur;
        b.hauteur = hauteur;
        b.basEnHaut = basEnHaut;
        b.bpp = bpp;
        b.debut = debut;
        b.palette = kTailleEnteteFichierBmp + std::size_t(tailleEntete);
        b.nbCouleurs = lire32(d, 46);
        return decoderBmpRle(d, b, image);
    }
    const bool nonCompresse = compression == 0 || compression == 3;
    if (!nonCompresse)
        return Bmp::ParStb;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return Bmp::Refuse;
    if (!lignesBmpCompletes(d, debut, largeur, hauteur, bpp))
        return Bmp::Refuse;
    if (compression == 0 && bpp <= 8) {
        BmpIndexe b;
        b.largeur = largeur;
        b.hauteur = hauteur;
        b.basEnHaut = basEnHaut;
        b.bpp = bpp;
        b.debut = debut;
        b.palette = kTailleEnteteFichierBmp + std::size_t(tailleEntete);
        b.nbCouleurs = lire32(d, 46);
        return decoderBmpIndexe(d, b, image) ? Bmp::Decode : Bmp::Refuse;
    }
    if (compression != 0 || bpp != 24)
        return Bmp::ParStb;

    if (!creerPourEcrire(image, largeur, hauteur, bpp))
        return Bmp::Refuse;
    const std::size_t pas = pasBmp(largeur, bpp);
    const std::size_t utiles = static_cast<std::size_t>(largeur) * (bpp / 8);
    for (long y = 0; y < hauteur; ++y) {
        const long source = basEnHaut ? hauteur - 1 - y : y;
        std::memcpy(image.GetBits(0, y), d.data() + debut + pas * static_cast<std::size_t>(source),
                    utiles);
    }
    return Bmp::Decode;
}

// A JPEG stream is complete when an end-of-image marker follows its first scan.
bool jpegComplet(const Octets& d) {
    std::size_t i = 2;
    while (i + 1 < d.size()) {
        if (d[i] != 0xFF)
            return false;
        const unsigned char m = d[i + 1];
        if (m == 0xFF) {
            ++i;
            continue;
        }
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD8)) {
            i += 2;
            continue;
        }
        if (i + 3 >= d.size())
            return false;
        const std::size_t longueur = std::size_t(d[i + 2]) << 8 | d[i + 3]; // big-endian
        if (longueur < 2)
            return false;
        if (m == 0xDA) {
            for (std::size_t k = i + 2 + longueur; k + 1 < d.size(); ++k)
                if (d[k] == 0xFF && d[k + 1] == 0xD9)
                    return true;
            return false;
        }
        i += 2 + longueur;
    }
    return false;
}

// Huffman tables of at most 256 codes wherever the decoder can meet one. The decoder stores a
// table's code lengths and values in arrays of 256 entries without checking the sum of the 16
// counts, so a larger sum must not reach it. It finds markers after fill bytes, inside coded
// data and after the last byte a scan decoded, places that only decoding tells; but every
// table segment it reads starts at a byte pair FF C4. So every such pair is read as the
// decoder would read a segment there: tables follow one another while the segment's length
// leaves bytes (the last may run past the segment's end), missing bytes read as zeros, and
// the decoder gives up at the first table of an unknown class.
bool jpegTablesValides(const Octets& d) {
    for (std::size_t i = 0; i + 1 < d.size(); ++i) {
        if (d[i] != 0xFF || d[i + 1] != 0xC4)
            continue;
        auto octet = [&d](std::size_t k) -> std::size_t { return k < d.size() ? d[k] : 0; };
        long reste = static_cast<long>(octet(i + 2) << 8 | octet(i + 3)) - 2;
        for (std::size_t t = i + 4; reste > 0 && t < d.size();) {
            const std::size_t classe = d[t] >> 4, numero = d[t] & 15;
            if (classe > 1 || numero > 3)
                break;
            std::size_t n = 0;
            for (std::size_t k = 1; k <= 16; ++k)
                n += octet(t + k);
            if (n > 256)
                return false;
            t += 17 + n;
            reste -= static_cast<long>(17 + n);
        }
    }
    return true;
}

// A PNG stream is complete when its chunks run whole up to the end chunk.
bool pngComplet(const Octets& d) {
    std::size_t i = 8;
    while (i + 12 <= d.size()) {
        const std::size_t longueur = std::size_t(d[i]) << 24 | std::size_t(d[i + 1]) << 16 |
                                     std::size_t(d[i + 2]) << 8 | d[i + 3];
        if (longueur > d.size() - i - 12)
            return false;
        if (std::memcmp(d.data() + i + 4, "IEND", 4) == 0)
            return true;
        i += 12 + longueur;
    }
    return false;
}

constexpr std::size_t kTailleEntetePng = 8 + 8 + 13; // signature, chunk length and type, IHDR
constexpr unsigned char kCouleursIndexees = 3;       // PNG colour type of palette pictures
constexpr std::size_t kEntreesPalette = 256;
constexpr std::size_t kOctetsCouleurPng = 3; // red, green, blue

std::uint32_t lire32Png(const Octets& d, std::size_t i) {
    return std::uint32_t(d[i]) << 24 | std::uint32_t(d[i + 1]) << 16 |
           std::uint32_t(d[i + 2]) << 8 | d[i + 3];
}

// A palette PNG whose table has fewer than 256 entries gets them all, the added ones black:
// the decoder keeps its table in memory it never clears, so an index past the table would
// read whatever was there. The decoder does not check chunk checksums, so the grown chunk
// keeps its old one. Returns false (copie untouched) when the file needs no change.
bool completerPalettePng(const Octets& d, Octets& copie) {
    if (d.size() < kTailleEntetePng || d[8 + 8 + 9] != kCouleursIndexees)
        return false;
    for (std::size_t i = 8; i + 12 <= d.size();) {
        const std::size_t longueur = lire32Png(d, i);
        if (longueur > d.size() - i - 12)
            return false;
        if (std::memcmp(d.data() + i + 4, "IDAT", 4) == 0)
            return false; // a table after the pixels is refused by the decoder anyway
        if (std::memcmp(d.data() + i + 4, "PLTE", 4) == 0) {
            const std::size_t complete = kEntreesPalette * kOctetsCouleurPng;
            if (longueur % kOctetsCouleurPng != 0 || longueur >= complete)
                return false;
            copie.reserve(d.size() + complete - longueur);
            copie.assign(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(i));
            for (int k = 3; k >= 0; --k)
                copie.push_back(static_cast<unsigned char>(complete >> (8 * k)));
            const auto fin = d.begin() + static_cast<std::ptrdiff_t>(i + 8 + longueur);
            copie.insert(copie.end(), d.begin() + static_cast<std::ptrdiff_t>(i + 4), fin);
            copie.insert(copie.end(), complete - longueur, 0);
            copie.insert(copie.end(), fin, d.end());
            return true;
        }
        i += 12 + longueur;
    }
    return false;
}

// Bound of any one allocation of the decoder for a picture of w x h pixels read from a file
// of the given size: room for a few copies of the picture at 16 bits per channel (the
// inflated stream, the picture and its conversions; a stream growing past its expected size
// doubles its buffer) and of the file, so that only streams inflating far beyond what their
// picture needs are cut.
std::size_t plafondPour(int w, int h, std::size_t tailleFichier) {
    constexpr std::size_t kOctetsParPixelMax = 8; // four channels of 16 bits
    constexpr std::size_t kMarge = std::size_t(1) << 20;
    const std::size_t picture =
        (static_cast<std::size_t>(w) + 1) * (static_cast<std::size_t>(h) + 1) * kOctetsParPixelMax;
    return 2 * picture + 2 * tailleFichier + kMarge;
}

bool decoderParStb(const Octets& d, bool jpeg, BTCImageData& image) {
    const int taille = static_cast<int>(d.size());
    int w = 0, h = 0, n = 0;
    if (!stbi_info_from_memory(d.data(), taille, &w, &h, &n))
        return false;
    // A BMP stored top-down gives its height negative, as its header writes it.
    if (h < 0 && h != INT_MIN)
        h = -h;
    if (!tailleAcceptable(w, h, 32))
        return false;
    // Every 8 x 8 block of a JPEG costs at least one bit of coded data: a file too short for
    // its blocks is truncated, and decoding it would only fill a picture of its size with
    // made-up pixels.
    if (jpeg && (static_cast<std::size_t>(w) + 7) / 8 * ((static_cast<std::size_t>(h) + 7) / 8) >
                    8 * d.size())
        return false;
    unsigned char* pixels = nullptr;
    {
        const PlafondDecodeur plafond(plafondPour(w, h, d.size()));
        pixels = stbi_load_from_memory(d.data(), taille, &w, &h, &n, 0);
        memoireManquante = memoireManquante || plafond.memoireEpuisee();
    }
    if (pixels == nullptr)
        return false;
    const std::size_t total = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    // JPEG has no palette pictures: a colour-coded JPEG whose pixels are all grey (the
    // way grey pictures are written) gives an 8-bit picture, as it was saved.
    bool gris = n <= 2;
    if (jpeg && n == 3) {
        gris = true;
        for (std::size_t k = 0; k < total && gris; ++k)
            gris = pixels[3 * k] == pixels[3 * k + 1] && pixels[3 * k] == pixels[3 * k + 2];
    }
    const int bpp = gris ? 8 : (n == 4 ? 32 : 24);
    bool ok = creerPourEcrire(image, w, h, bpp);
    for (int y = 0; ok && y < h; ++y) {
        const unsigned char* src = pixels + static_cast<std::size_t>(y) * w * n;
        unsigned char* dst = image.GetBits(0, y);
        for (int x = 0; x < w; ++x, src += n) {
            if (bpp == 8) {
                *dst++ = src[0];
            } else {
                *dst++ = src[2];
                *dst++ = src[1];
                *dst++ = src[0];
                if (bpp == 32)
                    *dst++ = src[3];
            }
        }
    }
    stbi_image_free(pixels);
    if (!ok)
        image.DeleteObject();
    return ok;
}

bool paletteGrise(const BTRGBQuad* table) {
    for (int i = 0; i < 256; ++i)
        if (table[i].bleu != i || table[i].vert != i || table[i].rouge != i)
            return false;
    return true;
}

bool sauverBmp(const BTCImageData& image, const char* path) {
    const bool indexe = image.GetBitsPerPixel() == 8;
    const long w = image.GetWidth(), h = image.GetHeight();
    const long pas = BTCImageData::PitchFor(w, indexe ? 8 : 24);
    const std::uint32_t debut = 14 + 40 + (indexe ? 1024 : 0);
    const std::uint64_t tailleFichier = debut + std::uint64_t(pas) * std::uint64_t(h);
    if (tailleFichier > UINT32_MAX)
        return false;
    Octets d;
    try {
        d.reserve(static_cast<std::size_t>(tailleFichier));
    } catch (...) {
        return false;
    }
    d.push_back('B');
    d.push_back('M');
    ecrire32(d, static_cast<std::uint32_t>(tailleFichier));
    ecrire32(d, 0);
    ecrire32(d, debut);
    ecrire32(d, 40);
    ecrire32(d, static_cast<std::uint32_t>(w));
    ecrire32(d, static_cast<std::uint32_t>(h)); // positive: rows stored bottom-up
    ecrire16(d, 1);
    ecrire16(d, indexe ? 8 : 24);
    ecrire32(d, 0);
    ecrire32(d, static_cast<std::uint32_t>(pas * h));
    ecrire32(d, 2835); // 72 dots per inch
    ecrire32(d, 2835);
    ecrire32(d, indexe ? 256 : 0);
    ecrire32(d, 0);
    if (indexe) {
        const BTRGBQuad* table = image.GetColorTable();
        for (int i = 0; i < 256; ++i) {
            d.push_back(table[i].bleu);
            d.push_back(table[i].vert);
            d.push_back(table[i].rouge);
            d.push_back(0);
        }
    }
    std::vector<unsigned char> ligne(static_cast<std::size_t>(pas), 0);
    for (long y = h - 1; y >= 0; --y) {
        if (indexe || image.GetBitsPerPixel() == 24) {
            std::memcpy(ligne.data(), image.GetBits(0, y), static_cast<std::size_t>(pas));
        } else {
            image.CopyRowBGR(y, ligne.data());
        }
        d.insert(d.end(), ligne.begin(), ligne.end());
    }
    return ecrireFichier(path, d);
}

void ajouterOctets(void* contexte, void* data, int taille) {
    auto* d = static_cast<Octets*>(contexte);
    const auto* p = static_cast<const unsigned char*>(data);
    d->insert(d->end(), p, p + taille);
}

bool sauverJpeg(const BTCImageData& image, const char* path, int qualite) {
    const long w = image.GetWidth(), h = image.GetHeight();
    const bool gris = image.GetBitsPerPixel() == 8 && paletteGrise(image.GetColorTable());
    const int n = gris ? 1 : 3;
    Octets pixels, sortie;
    try {
        pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * n);
    } catch (...) {
        return false;
    }
    for (long y = 0; y < h; ++y) {
        unsigned char* dst = pixels.data() + static_cast<std::size_t>(y) * w * n;
        if (gris) {
            std::memcpy(dst, image.GetBits(0, y), static_cast<std::size_t>(w));
            continue;
        }
        image.CopyRowBGR(y, dst);
        for (long x = 0; x < w; ++x)
            std::swap(dst[3 * x], dst[3 * x + 2]);
    }
    if (!stbi_write_jpg_to_func(ajouterOctets, &sortie, static_cast<int>(w), static_cast<int>(h), n,
                                pixels.data(), qualite))
        return false;
    return ecrireFichier(path, sortie);
}

} // namespace

bool BTCImageObject::Load(const char* path, const void*, void*, long) {
    // The picture's storage and the file buffer stay for the next file of the same sizes.
    attache_ = nullptr;
    memoireManquante = false;
    Octets& d = fichier_;
    Signature format = Signature::Inconnue;
    if (!lireFichier(path, d, format)) {
        memoireEpuisee_ = memoireManquante;
        image_.DeleteObject();
        return false;
    }
    bool ok = false;
    if (format == Signature::Bmp) {
        switch (decoderBmp(d, image_)) {
        case Bmp::Decode:
            ok = true;
            break;
        case Bmp::ParStb:
            ok = decoderParStb(d, false, image_);
            break;
        case Bmp::Refuse:
            ok = false;
            break;
        }
    } else if (format == Signature::Jpeg) {
        ok = jpegComplet(d) && jpegTablesValides(d) && decoderParStb(d, true, image_);
    } else if (format == Signature::Png && pngComplet(d)) {
        Octets complete;
        try {
            ok = decoderParStb(completerPalettePng(d, complete) ? complete : d, false, image_);
        } catch (const std::bad_alloc&) {
            memoireManquante = true;
            ok = false;
        }
    }
    memoireEpuisee_ = !ok && memoireManquante;
    if (!ok)
        image_.DeleteObject();
    return ok;
}

bool BTCImageObject::Attach(BTCImageData& image) {
    if (image.GetBits() == nullptr)
        return false;
    attache_ = &image;
    return true;
}

bool BTCImageObject::Save(const char* path, long format, const BTSaveOptions* options) {
    const BTCImageData& image = *GetObjectDataPtr();
    if (image.GetBits() == nullptr || path == nullptr)
        return false;
    if (format == kFormatBMP)
        return sauverBmp(image, path);
    if (format == kFormatJPEG) {
        int qualite = options ? options->qualiteJpeg : BTSaveOptions{}.qualiteJpeg;
        qualite = qualite < 1 ? 1 : (qualite > 100 ? 100 : qualite);
        return sauverJpeg(image, path, qualite);
    }
    return false;
}
