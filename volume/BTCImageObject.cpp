#include "volume/BTCImageObject.h"
#include "volume/DecodeurRle.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

namespace {

using Octets = std::vector<unsigned char>;

bool lireFichier(const char* path, Octets& contenu) {
    if (path == nullptr)
        return false;
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr)
        return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long taille = ok ? std::ftell(f) : -1;
    ok = ok && taille > 0 && taille < INT_MAX && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        try {
            contenu.resize(static_cast<std::size_t>(taille));
        } catch (...) {
            ok = false;
        }
    }
    ok = ok && std::fread(contenu.data(), 1, contenu.size(), f) == contenu.size();
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

// Colour table of an indexed BMP into the picture's table (unused entries black). False when
// the file cannot hold the entries it announces.
bool lirePalette(const Octets& d, std::uint32_t tailleEntete, std::uint32_t nbCouleurs,
                 BTCImageData& image) {
    if (nbCouleurs == 0 || nbCouleurs > 256)
        nbCouleurs = 256;
    const std::size_t palette = 14 + std::size_t(tailleEntete);
    if (palette > d.size() || (d.size() - palette) / 4 < nbCouleurs)
        return false;
    BTRGBQuad* table = image.GetColorTable();
    for (std::uint32_t i = 0; i < 256; ++i) {
        if (i < nbCouleurs) {
            const std::size_t k = palette + 4 * std::size_t(i);
            table[i] = BTRGBQuad{d[k], d[k + 1], d[k + 2], 255};
        } else {
            table[i] = BTRGBQuad{0, 0, 0, 255};
        }
    }
    return true;
}

// Run-length encoded BMP (RLE8 on 8-bit, RLE4 on 4-bit pictures): decoded into an 8-bit
// picture of palette indices with the file's colour table.
Bmp decoderBmpRle(const Octets& d, std::size_t debut, std::uint32_t tailleEntete,
                  std::uint32_t nbCouleurs, long largeur, long hauteur, bool basEnHaut, int bpp,
                  BTCImageData& image) {
    // Two bytes of codes describe at most 255 pixels, but an end of line or picture may leave
    // any number of them 0: beyond a bound, a tiny file is not trusted with a huge picture.
    constexpr std::size_t kPixelsParOctetMax = 2048;
    constexpr std::size_t kPixelsToujoursPermis = std::size_t{64} << 20;
    const std::size_t pixels =
        static_cast<std::size_t>(largeur) * static_cast<std::size_t>(hauteur);
    if (debut >= d.size() || pixels > kPixelsToujoursPermis + kPixelsParOctetMax * d.size() ||
        !image.Create(largeur, hauteur, 8))
        return Bmp::Refuse;
    if (bpp == 4 && (nbCouleurs == 0 || nbCouleurs > 16))
        nbCouleurs = 16;
    if (!lirePalette(d, tailleEntete, nbCouleurs, image) ||
        !decoderRleBmp(d.data() + debut, d.size() - debut, bpp, largeur, hauteur, basEnHaut,
                       image.GetBits(0, 0), static_cast<std::size_t>(image.GetBytesPerLine()))) {
        image.DeleteObject();
        return Bmp::Refuse;
    }
    return Bmp::Decode;
}

// Uncompressed 8- and 24-bit BMP files are decoded here (8-bit ones keep their
// indices and colour table); others are checked for truncation and left to stb.
Bmp decoderBmp(const Octets& d, BTCImageData& image) {
    if (d.size() < 54)
        return Bmp::Refuse;
    const std::size_t debut = lire32(d, 10);
    const std::uint32_t tailleEntete = lire32(d, 14);
    if (tailleEntete < 40) {
        // OS/2 header: 16-bit sizes, never compressed; the decoder knows no other short one.
        const long l = lire16(d, 18), h = lire16(d, 20);
        if (tailleEntete != 12 || !tailleAcceptable(l, h, 32) ||
            !lignesBmpCompletes(d, debut, l, h, lire16(d, 24)))
            return Bmp::Refuse;
        return Bmp::ParStb;
    }
    const auto largeur = static_cast<std::int32_t>(lire32(d, 18));
    const auto hauteurBrute = static_cast<std::int32_t>(lire32(d, 22));
    const int bpp = lire16(d, 28);
    // The decoder reads the code as signed and takes negative codes for uncompressed data, as
    // no writer produces them: they are refused.
    const auto compression = static_cast<std::int32_t>(lire32(d, 30));
    if (compression < 0)
        return Bmp::Refuse;
    std::uint32_t nbCouleurs = lire32(d, 46);
    if (largeur <= 0 || hauteurBrute == 0 || hauteurBrute == INT32_MIN)
        return Bmp::Refuse;
    const bool basEnHaut = hauteurBrute > 0;
    const long hauteur = basEnHaut ? hauteurBrute : -static_cast<long>(hauteurBrute);
    if (!tailleAcceptable(largeur, hauteur, 32))
        return Bmp::Refuse;
    if ((compression == kCompressionRle8 && bpp == 8) ||
        (compression == kCompressionRle4 && bpp == 4))
        return decoderBmpRle(d, debut, tailleEntete, nbCouleurs, largeur, hauteur, basEnHaut, bpp,
                             image);
    const bool nonCompresse = compression == 0 || compression == 3;
    if (!nonCompresse)
        return Bmp::ParStb;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return Bmp::Refuse;
    if (!lignesBmpCompletes(d, debut, largeur, hauteur, bpp))
        return Bmp::Refuse;
    const std::size_t pas = pasBmp(largeur, bpp);
    if (compression != 0 || (bpp != 8 && bpp != 24))
        return Bmp::ParStb;

    if (!image.Create(largeur, hauteur, bpp))
        return Bmp::Refuse;
    if (bpp == 8 && !lirePalette(d, tailleEntete, nbCouleurs, image))
        return Bmp::Refuse;
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

bool decoderParStb(const Octets& d, bool jpeg, BTCImageData& image) {
    const int taille = static_cast<int>(d.size());
    int w = 0, h = 0, n = 0;
    if (!stbi_info_from_memory(d.data(), taille, &w, &h, &n))
        return false;
    if (!tailleAcceptable(w, h, 32))
        return false;
    // Every 8 x 8 block of a JPEG costs at least one bit of coded data: a file too short for
    // its blocks is truncated, and decoding it would only fill a picture of its size with
    // made-up pixels.
    if (jpeg && (static_cast<std::size_t>(w) + 7) / 8 * ((static_cast<std::size_t>(h) + 7) / 8) >
                    8 * d.size())
        return false;
    unsigned char* pixels = stbi_load_from_memory(d.data(), taille, &w, &h, &n, 0);
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
    bool ok = image.Create(w, h, bpp);
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
    attache_ = nullptr;
    image_.DeleteObject();
    Octets d;
    if (!lireFichier(path, d) || d.size() < 8)
        return false;
    bool ok = false;
    if (d[0] == 'B' && d[1] == 'M') {
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
    } else if (d[0] == 0xFF && d[1] == 0xD8) {
        ok = jpegComplet(d) && jpegTablesValides(d) && decoderParStb(d, true, image_);
    } else if (std::memcmp(d.data(), "\x89PNG\r\n\x1a\n", 8) == 0) {
        ok = pngComplet(d) && decoderParStb(d, false, image_);
    }
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
