#pragma once
// In-memory picture buffer used for volume slices and decoded picture files.

#include <cstddef>
#include <memory>

// One palette entry, in the byte order of a bitmap colour table.
struct BTRGBQuad {
    unsigned char bleu = 0;
    unsigned char vert = 0;
    unsigned char rouge = 0;
    unsigned char reserve = 0;
};

// The header facts of a buffer, as a bitmap file would state them.
struct BTBitmapInfo {
    long largeur = 0;
    long hauteur = 0;
    int bitsParPixel = 0;
    long octetsParLigne = 0;
    long tailleImage = 0; // octetsParLigne * hauteur
    int nbCouleurs = 0;   // palette entries in use: 256 for 8-bit buffers, else 0
};

// A picture of 8, 24 or 32 bits per pixel with 4-byte-aligned rows and a palette of
// 256 entries. Row 0 is the top row of the picture; row y starts at byte y * pitch.
// Pixel byte order: 8-bit is one palette index (a grey level under the default grey
// palette); 24-bit is blue, green, red; 32-bit is blue, green, red, alpha.
// Copies are deep. Sizes are limited to 65535 per side and 1 GiB of pixels.
class BTCImageData {
public:
    static constexpr long kMaxCote = 65535;
    static constexpr std::size_t kMaxOctets = std::size_t(1) << 30;

    BTCImageData();
    BTCImageData(const BTCImageData& autre);
    BTCImageData(BTCImageData&& autre) noexcept;
    BTCImageData& operator=(const BTCImageData& autre);
    BTCImageData& operator=(BTCImageData&& autre) noexcept;
    virtual ~BTCImageData();

    // Allocates width x height pixels of bitsPerPixel (8, 24 or 32); the previous pixels
    // are released. The pixels are zeroed and the palette set to grey (entry i = i, i, i,
    // 255). False, leaving the buffer empty, for a bad depth or size or when memory fails.
    bool Create(long width, long height, int bitsPerPixel);
    // Create for a decoder that then writes every pixel: the storage is kept when it already
    // has the size asked for, and only the row padding bytes are zeroed (the pixels keep
    // whatever they held). Same results and failures as Create otherwise.
    bool CreerPourEcrire(long width, long height, int bitsPerPixel);

    // First byte of the pixel rows; null when the buffer holds no pixels.
    unsigned char* GetBits() { return pixels_.get(); }
    const unsigned char* GetBits() const { return pixels_.get(); }
    // Address of pixel (x, y); no bounds check.
    unsigned char* GetBits(long x, long y) {
        return pixels_.get() + y * pitch_ + x * octetsParPixel();
    }
    const unsigned char* GetBits(long x, long y) const {
        return pixels_.get() + y * pitch_ + x * octetsParPixel();
    }

    long GetWidth() const { return largeur_; }
    long GetHeight() const { return hauteur_; }
    int GetBitsPerPixel() const { return bpp_; }
    long GetBytesPerLine() const { return pitch_; }

    // Writable palette of 256 entries (meaningful for 8-bit buffers).
    BTRGBQuad* GetColorTable() { return palette_; }
    const BTRGBQuad* GetColorTable() const { return palette_; }

    // A 32-bit buffer becomes 24-bit in place (alpha dropped); a 24-bit buffer is left
    // as it is. False for an empty or 8-bit buffer.
    bool ConvertTo24BPP();
    BTBitmapInfo GetBitmapInfo() const;

    // Fills the rectangle (clipped to the picture) with colour 0x00BBGGRR (red in the low
    // byte, as 16777215 is white). An 8-bit buffer receives the colour's grey level
    // (int)(0.587 G + 0.299 R + 0.114 B). False when the buffer is empty.
    bool Fill(long x, long y, long w, long h, unsigned long colour);

    // Releases the pixels; the buffer becomes empty (sizes 0).
    void DeleteObject();

    // Bulk row reading for any depth: writes the GetWidth() pixels of row y as packed
    // blue, green, red triples into dst (3 * GetWidth() bytes), looking 8-bit pixels up
    // in the palette. False when the buffer is empty or y is outside it.
    bool CopyRowBGR(long y, unsigned char* dst) const;

    // Row pitch in bytes for a width and depth: width * bytes per pixel rounded up to a
    // multiple of 4 (a width of 10 at 8 bits gives 12).
    static long PitchFor(long width, int bitsPerPixel);

private:
    int octetsParPixel() const { return bpp_ / 8; }
    bool creer(long width, long height, int bitsPerPixel, bool pourEcrire);
    void copierDepuis(const BTCImageData& autre);
    void paletteGrise();

    long largeur_ = 0;
    long hauteur_ = 0;
    int bpp_ = 0;
    long pitch_ = 0;
    std::unique_ptr<unsigned char[]> pixels_;
    BTRGBQuad palette_[256];
};
