#include "volume/CImage3D.h"

#include "core/Fichier.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>
#include <random>
#include <string>
#include <vector>

namespace {

std::string nomCoupe(const char* name, const char* separateur, int z, const char* extension) {
    char numero[16];
    std::snprintf(numero, sizeof numero, "%04d", z);
    return std::string(name) + separateur + numero + extension;
}

// Whether chemin is a regular file that can be read (its size is no concern here).
bool peutOuvrir(const std::string& chemin) {
    std::FILE* f = ouvrirFichierLecture(chemin.c_str(), std::numeric_limits<std::uint64_t>::max());
    if (f == nullptr)
        return false;
    std::fclose(f);
    return true;
}

// The slice extension found on disk for slice 0000: ".bmp", else ".jpg", else null.
const char* sonderExtension(const char* name, const char* separateur) {
    if (peutOuvrir(nomCoupe(name, separateur, 0, ".bmp")))
        return ".bmp";
    if (peutOuvrir(nomCoupe(name, separateur, 0, ".jpg")))
        return ".jpg";
    return nullptr;
}

// Turns a decoded picture into an 8-bit grey slice: colour pixels become the integer
// mean (R + G + B) / 3, 8-bit pixels are kept under a grey palette.
bool versGris(BTCImageData& coupe) {
    if (coupe.GetBitsPerPixel() == 32 && !coupe.ConvertTo24BPP())
        return false;
    if (coupe.GetBitsPerPixel() != 24) {
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<unsigned char>(i);
            coupe.GetColorTable()[i] = BTRGBQuad{v, v, v, 255};
        }
        return true;
    }
    BTCImageData gris;
    if (!gris.Create(coupe.GetWidth(), coupe.GetHeight(), 8))
        return false;
    for (long y = 0; y < coupe.GetHeight(); ++y) {
        const unsigned char* src = coupe.GetBits(0, y);
        unsigned char* dst = gris.GetBits(0, y);
        for (long x = 0; x < coupe.GetWidth(); ++x, src += 3)
            dst[x] = static_cast<unsigned char>((src[0] + src[1] + src[2]) / 3);
    }
    coupe = std::move(gris);
    return true;
}

} // namespace

CImage3D::CImage3D(int x, int y, int z) {
    if (z <= 0)
        return;
    if (!allouerCoupes(z))
        return;
    for (int k = 0; k < z; ++k)
        coupes[k].Create(x, y, 8);
    pasLigne = static_cast<int>(BTCImageData::PitchFor(x, 8));
}

CImage3D::CImage3D(const CImage3D& autre) { *this = autre; }

CImage3D& CImage3D::operator=(const CImage3D& autre) {
    if (this == &autre)
        return *this;
    Vider();
    if (autre.nbCoupes <= 0) {
        pasLigne = autre.pasLigne;
        return *this;
    }
    if (!allouerCoupes(autre.nbCoupes))
        return *this;
    pasLigne = autre.pasLigne;
    for (int k = 0; k < nbCoupes; ++k)
        coupes[k] = autre.coupes[k];
    return *this;
}

CImage3D::~CImage3D() = default;

bool CImage3D::allouerCoupes(int n) {
    // Too many slices for the memory leave the image empty and give false rather than an
    // exception, as the pixels of each slice do (BTCImageData::Create).
    coupes.reset(new (std::nothrow) BTCImageData[static_cast<std::size_t>(n)]);
    nbCoupes = coupes ? n : 0;
    return coupes != nullptr;
}

void CImage3D::Vider() {
    coupes.reset();
    nbCoupes = 0;
    pasLigne = 0;
}

bool CImage3D::creer(int x, int y, int z, int bits) {
    Vider();
    if (z < 0)
        return false;
    if (z > 0) {
        if (!allouerCoupes(z))
            return false;
        for (int k = 0; k < z; ++k) {
            if (!coupes[k].Create(x, y, bits)) {
                Vider();
                return false;
            }
        }
    }
    pasLigne = static_cast<int>(BTCImageData::PitchFor(x, bits));
    return true;
}

bool CImage3D::Create(int x, int y, int z) { return creer(x, y, z, 8); }

bool CImage3D::Create24bits(int x, int y, int z) { return creer(x, y, z, 24); }

bool CImage3D::IsInImage(int x, int y, int z) const {
    return nbCoupes > 0 && x >= 0 && x < GetWidth() && y >= 0 && y < GetHeight() && z >= 0 &&
           z < nbCoupes;
}

bool CImage3D::IsInImage(const CTriplet<int>& p) const { return IsInImage(p.x, p.y, p.z); }

unsigned char CImage3D::Pixel2(const CTriplet<int>& p) const { return IsInImage(p) ? Pixel(p) : 0; }

unsigned char CImage3D::Pixel2(const CTriplet<float>& p) const {
    // Compared as floats first, so that huge or NaN coordinates never reach the cast.
    // A value in (-1, 0) truncates to 0 and is inside.
    if (!(p.x > -1.0f && p.x < float(GetWidth()) && p.y > -1.0f && p.y < float(GetHeight()) &&
          p.z > -1.0f && p.z < float(nbCoupes)))
        return 0;
    return Pixel2(
        CTriplet<int>(static_cast<int>(p.x), static_cast<int>(p.y), static_cast<int>(p.z)));
}

float CImage3D::PixelInterpolate(const CTriplet<float>& p) const {
    // The truncated point must have its whole cube of 8 voxels inside: 0 <= xi < width - 1
    // and likewise, which in float terms is -1 < x < width - 1 (NaN fails too).
    if (!(p.x > -1.0f && p.x < float(GetWidth() - 1) && p.y > -1.0f &&
          p.y < float(GetHeight() - 1) && p.z > -1.0f && p.z < float(nbCoupes - 1)))
        return 0.0f;
    const int xi = static_cast<int>(p.x), yi = static_cast<int>(p.y), zi = static_cast<int>(p.z);
    if (xi >= GetWidth() - 1 || yi >= GetHeight() - 1 || zi >= nbCoupes - 1)
        return 0.0f;
    const double fx = double(p.x) - xi, fy = double(p.y) - yi, fz = double(p.z) - zi;
    const double wx[2] = {1.0 - fx, fx}, wy[2] = {1.0 - fy, fy}, wz[2] = {1.0 - fz, fz};
    double somme = 0.0;
    for (int k = 0; k < 2; ++k) {
        const unsigned char* coupe = coupes[zi + k].GetBits();
        for (int j = 0; j < 2; ++j) {
            const unsigned char* ligne = coupe + pasLigne * (yi + j) + xi;
            somme += (double(ligne[0]) * wx[0] + double(ligne[1]) * wx[1]) * wy[j] * wz[k];
        }
    }
    return static_cast<float>(somme);
}

float CImage3D::GetGradientLineBresenham(const CTriplet<int>& p1, const CTriplet<int>& p2,
                                         int seuil, int& nbpixels) const {
    // Every voxel of the walk lies in the bounding box of the two ends, so checking the
    // ends keeps the whole walk inside the volume.
    if (!IsInImage(p1) || !IsInImage(p2))
        return 0.0f;
    if (p1.x == p2.x && p1.y == p2.y && p1.z == p2.z)
        return float(Pixel(p1)) / 255.0f;

    const int d[3] = {std::abs(p2.x - p1.x), std::abs(p2.y - p1.y), std::abs(p2.z - p1.z)};
    const int axe = (d[0] >= d[1] && d[0] >= d[2]) ? 0 : (d[1] >= d[2] ? 1 : 2);
    const int a[3] = {p1.x, p1.y, p1.z}, b[3] = {p2.x, p2.y, p2.z};
    const int* debut = a[axe] <= b[axe] ? a : b;
    const int* fin = debut == a ? b : a;
    int pos[3] = {debut[0], debut[1], debut[2]};
    int pas[3];
    for (int i = 0; i < 3; ++i)
        pas[i] = i == axe ? 1 : (debut[i] < fin[i] ? 1 : -1);
    const int etendue = d[axe];
    nbpixels += etendue;

    // Offsets inside one slice: x moves by 1 byte, y by one row pitch.
    const long deplacement[2] = {1, pasLigne};
    const unsigned char* coupe = coupes[pos[2]].GetBits();
    long offset = long(pasLigne) * pos[1] + pos[0];
    int erreur[3] = {0, 0, 0};
    unsigned int somme = 0;
    for (int n = 0; n <= etendue; ++n) {
        const int v = coupe[offset];
        somme += static_cast<unsigned int>(v > seuil ? 255 : v);
        if (n == etendue)
            break;
        bool changeCoupe = false;
        for (int i = 0; i < 3; ++i) {
            bool avance = i == axe;
            if (!avance) {
                erreur[i] += d[i];
                if (2 * erreur[i] >= etendue) {
                    avance = true;
                    erreur[i] -= etendue;
                }
            }
            if (!avance)
                continue;
            pos[i] += pas[i];
            if (i < 2)
                offset += pas[i] * deplacement[i];
            else
                changeCoupe = true;
        }
        if (changeCoupe)
            coupe = coupes[pos[2]].GetBits();
    }
    return float(somme) / 255.0f;
}

bool CImage3D::Save(const char* name, long lType, const BTSaveOptions* pOptions) {
    const char* extension = lType == BTCImageObject::kFormatBMP    ? ".bmp"
                            : lType == BTCImageObject::kFormatJPEG ? ".jpg"
                                                                   : nullptr;
    if (extension == nullptr || name == nullptr)
        return false;
    for (int z = 0; z < nbCoupes; ++z) {
        BTCImageObject fichier;
        if (!fichier.Attach(coupes[z]))
            return false;
        if (!fichier.Save(nomCoupe(name, "_z", z, extension).c_str(), lType, pOptions))
            return false;
    }
    return true;
}

bool CImage3D::chargerSerie(const char* name, const char* separateur, int d, bool convertir) {
    Vider();
    if (name == nullptr)
        return false;
    const char* extension = sonderExtension(name, separateur);
    if (extension == nullptr || d <= 0)
        return false;
    if (!allouerCoupes(d))
        return false;
    for (int z = 0; z < d; ++z) {
        BTCImageObject fichier;
        bool ok =
            fichier.Load(nomCoupe(name, separateur, z, extension).c_str(), nullptr, nullptr, 2);
        if (ok)
            coupes[z] = std::move(*fichier.GetObjectDataPtr());
        if (ok && convertir)
            ok = versGris(coupes[z]);
        // Voxel addressing uses the pitch of slice 0 for every slice: a slice of another
        // size or depth would be read out of its bounds, so the series is refused.
        ok = ok && coupes[z].GetBits() != nullptr && coupes[z].GetWidth() == coupes[0].GetWidth() &&
             coupes[z].GetHeight() == coupes[0].GetHeight() &&
             coupes[z].GetBitsPerPixel() == coupes[0].GetBitsPerPixel();
        if (!ok) {
            Vider();
            return false;
        }
    }
    pasLigne = static_cast<int>(convertir ? BTCImageData::PitchFor(coupes[0].GetWidth(), 8)
                                          : coupes[0].GetBytesPerLine());
    return true;
}

bool CImage3D::Load(const char* name, int d) { return chargerSerie(name, "", d, true); }

bool CImage3D::LoadAny(const char* name, int d) { return chargerSerie(name, "_z", d, false); }

namespace {

int compterCoupes(const char* name, const char* separateur) {
    if (name == nullptr)
        return 0;
    const char* extension = sonderExtension(name, separateur);
    if (extension == nullptr)
        return 0;
    int n = 0;
    while (n <= 9999 && peutOuvrir(nomCoupe(name, separateur, n, extension)))
        ++n;
    return n;
}

} // namespace

bool CImage3D::Load(const char* name) {
    const int n = compterCoupes(name, "");
    if (n == 0) {
        Vider();
        return false;
    }
    return Load(name, n);
}

bool CImage3D::LoadAny(const char* name) {
    const int n = compterCoupes(name, "_z");
    if (n == 0) {
        Vider();
        return false;
    }
    return LoadAny(name, n);
}

bool CImage3D::SaveI3D(const char* name) const {
    const int w = GetWidth(), h = GetHeight();
    if (nbCoupes <= 0 || name == nullptr || w > 65535 || h > 65535 || nbCoupes > 65535)
        return false;
    std::FILE* f = std::fopen(name, "wb");
    if (f == nullptr)
        return false;
    const unsigned char entete[6] = {
        static_cast<unsigned char>(w),        static_cast<unsigned char>(w >> 8),
        static_cast<unsigned char>(h),        static_cast<unsigned char>(h >> 8),
        static_cast<unsigned char>(nbCoupes), static_cast<unsigned char>(nbCoupes >> 8)};
    bool ok = std::fwrite(entete, 1, 6, f) == 6;
    for (int z = 0; ok && z < nbCoupes; ++z)
        for (int y = 0; ok && y < h; ++y)
            ok = std::fwrite(GetRow(y, z), 1, static_cast<std::size_t>(w), f) ==
                 static_cast<std::size_t>(w);
    return std::fclose(f) == 0 && ok;
}

bool CImage3D::LoadI3D(const char* name) {
    Vider();
    if (name == nullptr)
        return false;
    // The file's size tells the voxel width: any size is taken, the header must agree with it.
    std::FILE* f = ouvrirFichierLecture(name, std::numeric_limits<std::uint64_t>::max());
    if (f == nullptr)
        return false;
    unsigned char entete[6];
    long tailleFichier = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        tailleFichier = std::ftell(f);
    const bool enteteLu =
        tailleFichier >= 6 && std::fseek(f, 0, SEEK_SET) == 0 && std::fread(entete, 1, 6, f) == 6;
    const int w = enteteLu ? entete[0] | entete[1] << 8 : 0;
    const int h = enteteLu ? entete[2] | entete[3] << 8 : 0;
    const int d = enteteLu ? entete[4] | entete[5] << 8 : 0;
    // The voxel width is told by the file size; the header alone never sizes an
    // allocation, so a file promising more voxels than it holds is refused.
    const std::uint64_t n = std::uint64_t(w) * std::uint64_t(h) * std::uint64_t(d);
    const std::uint64_t donnees = tailleFichier >= 6 ? std::uint64_t(tailleFichier) - 6 : 0;
    const int largeurVoxel = n == 0 ? 0 : (donnees == n ? 1 : (donnees == 2 * n ? 2 : 0));
    if (largeurVoxel == 0 || !Create(w, h, d)) {
        std::fclose(f);
        return false;
    }
    std::minstd_rand alea(
        static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<int> tirage(0, 32767);
    BTRGBQuad palette[256];
    for (BTRGBQuad& c : palette) {
        c.bleu = static_cast<unsigned char>(tirage(alea) / 32767.0 * 255);
        c.vert = static_cast<unsigned char>(tirage(alea) / 32767.0 * 255);
        c.rouge = static_cast<unsigned char>(tirage(alea) / 32767.0 * 255);
        c.reserve = 255;
    }
    std::vector<unsigned char> ligne(static_cast<std::size_t>(w) * largeurVoxel);
    bool ok = true;
    for (int z = 0; ok && z < d; ++z) {
        for (int i = 0; i < 256; ++i)
            coupes[z].GetColorTable()[i] = palette[i];
        for (int y = 0; ok && y < h; ++y) {
            ok = std::fread(ligne.data(), 1, ligne.size(), f) == ligne.size();
            unsigned char* dst = GetRow(y, z);
            for (int x = 0; ok && x < w; ++x)
                dst[x] = ligne[static_cast<std::size_t>(x) * largeurVoxel];
        }
    }
    std::fclose(f);
    if (!ok)
        Vider();
    return ok;
}
