#pragma once
// Native 8-bit voxel volume: a stack of picture buffers, one per slice along z.

#include <memory>

#include "core/Tuples.h"
#include "volume/BTCImageData.h"
#include "volume/BTCImageObject.h"

// Voxel (x, y, z), in voxel coordinates, is the byte at offset pasLigne * y + x of the
// rows of slice z (row 0 = top row of the slice picture). Width and height are those of
// slice 0; every slice has the same size. The voxel accessors check nothing; IsInImage,
// Pixel2 and PixelInterpolate return 0 outside the volume.
class CImage3D {
public:
    CImage3D() = default;
    // Allocates z slices of x by y 8-bit pixels, ignoring failures.
    CImage3D(int x, int y, int z);
    CImage3D(const CImage3D& autre);
    CImage3D& operator=(const CImage3D& autre);
    ~CImage3D();

    // z slices of x by y 8-bit pixels (zeroed). False when an allocation or a slice fails.
    bool Create(int x, int y, int z);
    // The same with 24-bit (blue, green, red) slices, for colour work.
    bool Create24bits(int x, int y, int z);

    int GetWidth() const { return nbCoupes > 0 ? static_cast<int>(coupes[0].GetWidth()) : 0; }
    int GetHeight() const { return nbCoupes > 0 ? static_cast<int>(coupes[0].GetHeight()) : 0; }
    int GetDepth() const { return nbCoupes; }
    // Row pitch in bytes of every slice.
    int GetPitch() const { return pasLigne; }

    // First byte of slice z.
    unsigned char* GetBits(int z) { return coupes[z].GetBits(); }
    const unsigned char* GetBits(int z) const { return coupes[z].GetBits(); }
    // First byte of row y of slice z, for bulk copies of GetWidth() voxels.
    unsigned char* GetRow(int y, int z) { return coupes[z].GetBits() + pasLigne * y; }
    const unsigned char* GetRow(int y, int z) const { return coupes[z].GetBits() + pasLigne * y; }
    // The slice buffer itself (palette, depth).
    BTCImageData& GetSlice(int z) { return coupes[z]; }
    const BTCImageData& GetSlice(int z) const { return coupes[z]; }

    unsigned char& Pixel(int x, int y, int z) { return coupes[z].GetBits()[pasLigne * y + x]; }
    unsigned char Pixel(int x, int y, int z) const { return coupes[z].GetBits()[pasLigne * y + x]; }
    unsigned char& Pixel(const CTriplet<int>& p) { return Pixel(p.x, p.y, p.z); }
    unsigned char Pixel(const CTriplet<int>& p) const { return Pixel(p.x, p.y, p.z); }
    // Coordinates truncated toward zero.
    unsigned char& Pixel(const CTriplet<float>& p) {
        return Pixel(static_cast<int>(p.x), static_cast<int>(p.y), static_cast<int>(p.z));
    }
    unsigned char Pixel(const CTriplet<float>& p) const {
        return Pixel(static_cast<int>(p.x), static_cast<int>(p.y), static_cast<int>(p.z));
    }

    bool IsInImage(const CTriplet<int>& p) const;
    bool IsInImage(int x, int y, int z) const;
    // The voxel value inside the volume, 0 outside (float coordinates truncated).
    unsigned char Pixel2(const CTriplet<int>& p) const;
    unsigned char Pixel2(const CTriplet<float>& p) const;

    // Trilinear interpolation at p (voxel coordinates). 0 when the truncated point is
    // negative or in the last column, row or slice (the cube of 8 voxels would leave the
    // volume).
    float PixelInterpolate(const CTriplet<float>& p) const;

    // Sum along the discrete 3D segment p1-p2 (integer Bresenham walk, both end points
    // included) of the voxel values, each value above seuil counted as 255, divided by
    // 255. nbpixels grows by the extent along the driving axis. When p1 = p2 the raw value
    // of that voxel / 255 is returned and nbpixels is unchanged. Both ends must lie in
    // the volume.
    float GetGradientLineBresenham(const CTriplet<int>& p1, const CTriplet<int>& p2, int seuil,
                                   int& nbpixels) const;

    // Slice series: slice z of Save is name + "_z" + "%04d" + extension (".bmp" for
    // lType 0, ".jpg" for lType 6; other types are refused). Save of an empty volume is
    // true. Load reads name + "%04d" + extension, converting pictures to 8-bit grey
    // (24-bit: (R + G + B) / 3); LoadAny reads the "_z" names and keeps the pictures as
    // they are. The extension is probed on slice 0000: ".bmp", else ".jpg". Without d the
    // consecutive files from 0000 are counted.
    bool Save(const char* name, long lType, const BTSaveOptions* pOptions = nullptr);
    bool Load(const char* name, int d);
    bool Load(const char* name);
    bool LoadAny(const char* name, int d);
    bool LoadAny(const char* name);

    // I3D file: width, height, depth as little-endian 16-bit values, then the voxels
    // slice by slice, row by row, x fastest. SaveI3D writes one byte per voxel; LoadI3D
    // accepts one or two bytes (little-endian, low byte kept) per voxel, telling them apart
    // by the file size, and refuses a file of any other size, or with a zero size.
    bool SaveI3D(const char* name) const;
    bool LoadI3D(const char* name);

    // Releases every slice; the volume becomes empty.
    void Vider();

private:
    bool creer(int x, int y, int z, int bits);
    // n empty slices in place of the current ones; false (and no slice) when out of memory.
    bool allouerCoupes(int n);
    bool chargerSerie(const char* name, const char* separateur, int d, bool convertir);

    int pasLigne = 0;
    std::unique_ptr<BTCImageData[]> coupes;
    int nbCoupes = 0;
};
