#include "volume/BTCImageData.h"

#include <algorithm>
#include <cstring>
#include <new>

BTCImageData::BTCImageData() { paletteGrise(); }

BTCImageData::BTCImageData(const BTCImageData& autre) { copierDepuis(autre); }

BTCImageData::BTCImageData(BTCImageData&& autre) noexcept
    : largeur_(autre.largeur_), hauteur_(autre.hauteur_), bpp_(autre.bpp_), pitch_(autre.pitch_),
      pixels_(std::move(autre.pixels_)) {
    std::memcpy(palette_, autre.palette_, sizeof palette_);
    autre.DeleteObject();
}

BTCImageData& BTCImageData::operator=(const BTCImageData& autre) {
    if (this != &autre)
        copierDepuis(autre);
    return *this;
}

BTCImageData& BTCImageData::operator=(BTCImageData&& autre) noexcept {
    if (this != &autre) {
        largeur_ = autre.largeur_;
        hauteur_ = autre.hauteur_;
        bpp_ = autre.bpp_;
        pitch_ = autre.pitch_;
        pixels_ = std::move(autre.pixels_);
        std::memcpy(palette_, autre.palette_, sizeof palette_);
        autre.DeleteObject();
    }
    return *this;
}

BTCImageData::~BTCImageData() = default;

void BTCImageData::paletteGrise() {
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<unsigned char>(i);
        palette_[i] = BTRGBQuad{v, v, v, 255};
    }
}

void BTCImageData::copierDepuis(const BTCImageData& autre) {
    DeleteObject();
    std::memcpy(palette_, autre.palette_, sizeof palette_);
    if (!autre.pixels_)
        return;
    const std::size_t taille =
        static_cast<std::size_t>(autre.pitch_) * static_cast<std::size_t>(autre.hauteur_);
    pixels_.reset(new (std::nothrow) unsigned char[taille]);
    if (!pixels_)
        return; // out of memory: the copy is left without pixels
    std::memcpy(pixels_.get(), autre.pixels_.get(), taille);
    largeur_ = autre.largeur_;
    hauteur_ = autre.hauteur_;
    bpp_ = autre.bpp_;
    pitch_ = autre.pitch_;
}

long BTCImageData::PitchFor(long width, int bitsPerPixel) {
    const long octets = width * (bitsPerPixel / 8);
    return octets % 4 == 0 ? octets : 4 * (octets / 4) + 4;
}

bool BTCImageData::Create(long width, long height, int bitsPerPixel) {
    return creer(width, height, bitsPerPixel, false);
}

bool BTCImageData::CreerPourEcrire(long width, long height, int bitsPerPixel) {
    return creer(width, height, bitsPerPixel, true);
}

bool BTCImageData::creer(long width, long height, int bitsPerPixel, bool pourEcrire) {
    const std::size_t tailleAvant =
        static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(hauteur_);
    std::unique_ptr<unsigned char[]> avant = std::move(pixels_);
    DeleteObject();
    if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return false;
    if (width <= 0 || height <= 0 || width > kMaxCote || height > kMaxCote)
        return false;
    const long pitch = PitchFor(width, bitsPerPixel);
    const std::size_t taille = static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height);
    if (taille > kMaxOctets)
        return false;
    if (!pourEcrire) {
        avant.reset();
        pixels_.reset(new (std::nothrow) unsigned char[taille]());
    } else if (avant && tailleAvant == taille) {
        pixels_ = std::move(avant);
    } else {
        avant.reset();
        pixels_.reset(new (std::nothrow) unsigned char[taille]);
    }
    if (!pixels_)
        return false;
    const std::size_t utiles = static_cast<std::size_t>(width) * (bitsPerPixel / 8);
    if (pourEcrire && utiles < static_cast<std::size_t>(pitch))
        for (long y = 0; y < height; ++y)
            std::memset(pixels_.get() + static_cast<std::size_t>(y) * pitch + utiles, 0,
                        static_cast<std::size_t>(pitch) - utiles);
    paletteGrise();
    largeur_ = width;
    hauteur_ = height;
    bpp_ = bitsPerPixel;
    pitch_ = pitch;
    return true;
}

void BTCImageData::DeleteObject() {
    pixels_.reset();
    largeur_ = hauteur_ = pitch_ = 0;
    bpp_ = 0;
}

bool BTCImageData::ConvertTo24BPP() {
    if (!pixels_ || bpp_ == 8)
        return false;
    if (bpp_ == 24)
        return true;
    const long pitch = PitchFor(largeur_, 24);
    // The 24-bit rows are never longer than the 32-bit ones, so the conversion runs in
    // place, row by row from the top, each row left to right.
    for (long y = 0; y < hauteur_; ++y) {
        const unsigned char* src = pixels_.get() + y * pitch_;
        unsigned char* dst = pixels_.get() + y * pitch;
        for (long x = 0; x < largeur_; ++x) {
            dst[3 * x] = src[4 * x];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x + 2];
        }
        for (long k = 3 * largeur_; k < pitch; ++k)
            dst[k] = 0;
    }
    bpp_ = 24;
    pitch_ = pitch;
    return true;
}

BTBitmapInfo BTCImageData::GetBitmapInfo() const {
    BTBitmapInfo info;
    info.largeur = largeur_;
    info.hauteur = hauteur_;
    info.bitsParPixel = bpp_;
    info.octetsParLigne = pitch_;
    info.tailleImage = pitch_ * hauteur_;
    info.nbCouleurs = bpp_ == 8 ? 256 : 0;
    return info;
}

bool BTCImageData::Fill(long x, long y, long w, long h, unsigned long colour) {
    if (!pixels_)
        return false;
    const auto r = static_cast<unsigned char>(colour & 0xFF);
    const auto g = static_cast<unsigned char>((colour >> 8) & 0xFF);
    const auto b = static_cast<unsigned char>((colour >> 16) & 0xFF);
    const long x0 = std::max(0L, x), y0 = std::max(0L, y);
    const long x1 = std::min(largeur_, x + std::max(0L, w)),
               y1 = std::min(hauteur_, y + std::max(0L, h));
    const int n = octetsParPixel();
    const auto gris = static_cast<unsigned char>(0.587 * g + 0.299 * r + 0.114 * b);
    for (long j = y0; j < y1; ++j) {
        for (long i = x0; i < x1; ++i) {
            unsigned char* p = GetBits(i, j);
            if (n == 1) {
                p[0] = gris;
            } else {
                p[0] = b;
                p[1] = g;
                p[2] = r;
                if (n == 4)
                    p[3] = 255;
            }
        }
    }
    return true;
}

bool BTCImageData::CopyRowBGR(long y, unsigned char* dst) const {
    if (!pixels_ || y < 0 || y >= hauteur_)
        return false;
    const unsigned char* src = pixels_.get() + y * pitch_;
    switch (bpp_) {
    case 8:
        for (long x = 0; x < largeur_; ++x) {
            const BTRGBQuad& c = palette_[src[x]];
            dst[3 * x] = c.bleu;
            dst[3 * x + 1] = c.vert;
            dst[3 * x + 2] = c.rouge;
        }
        return true;
    case 24:
        std::memcpy(dst, src, static_cast<std::size_t>(3 * largeur_));
        return true;
    case 32:
        for (long x = 0; x < largeur_; ++x) {
            dst[3 * x] = src[4 * x];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x + 2];
        }
        return true;
    default:
        return false;
    }
}
