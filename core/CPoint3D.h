// Single-precision 3D point, in voxel or scene coordinates, with the class-wide scene frame
// that maps voxel coordinates of the volume into the drawing cube -1 .. +1.
#pragma once

#include "core/Tuples.h"

// A plain 12-byte value (no virtual operations): the mesh vertex derives from it.
// Arithmetic combines members in double precision and rounds to float when stored.
class CPoint3D {
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    // Scene frame, shared by every point: volume sizes along x, y, z in voxels, the largest of
    // the three, and the slice spacing relative to the pixel size. All are 1 until the region
    // extraction sets the sizes of the volume.
    static float width;
    static float height;
    static float depth;
    static float maxdim;
    static float step_z;
    // Sets width, height, depth and maxdim to the sizes of a volume of W x H x D voxels.
    static void definirScene(int W, int H, int D);

    constexpr CPoint3D() = default;
    constexpr CPoint3D(float a, float b, float c) : x(a), y(b), z(c) {}
    constexpr CPoint3D(const CTriplet<float>& t) : x(t.x), y(t.y), z(t.z) {}

    constexpr void init(float a, float b, float c) {
        x = a;
        y = b;
        z = c;
    }
    constexpr CTriplet<float> triplet() const { return {x, y, z}; }

    constexpr CPoint3D operator+(const CPoint3D& o) const {
        return {float(double(x) + o.x), float(double(y) + o.y), float(double(z) + o.z)};
    }
    constexpr CPoint3D operator-(const CPoint3D& o) const {
        return {float(double(x) - o.x), float(double(y) - o.y), float(double(z) - o.z)};
    }
    constexpr CPoint3D operator-() const { return {-x, -y, -z}; }
    constexpr CPoint3D operator*(double s) const {
        return {float(x * s), float(y * s), float(z * s)};
    }
    constexpr CPoint3D operator/(double s) const {
        return {float(x / s), float(y / s), float(z / s)};
    }
    constexpr CPoint3D& operator+=(const CPoint3D& o) { return *this = *this + o; }
    constexpr CPoint3D& operator-=(const CPoint3D& o) { return *this = *this - o; }
    constexpr CPoint3D operator*=(double s) { return *this = *this * s; }
    constexpr CPoint3D operator/=(double s) { return *this = *this / s; }

    constexpr bool operator==(const CPoint3D& o) const { return x == o.x && y == o.y && z == o.z; }
    constexpr bool operator!=(const CPoint3D& o) const { return !(*this == o); }

    // Dot and cross products, formed in double.
    constexpr double produitScalaire(const CPoint3D& o) const {
        return double(x) * o.x + double(y) * o.y + double(z) * o.z;
    }
    constexpr CPoint3D produitVectoriel(const CPoint3D& o) const {
        return {float(double(y) * o.z - double(z) * o.y), float(double(z) * o.x - double(x) * o.z),
                float(double(x) * o.y - double(y) * o.x)};
    }
    // Squared length (sum formed in double, rounded to float), length, and the point divided
    // by its length (a zero point gives non-finite members).
    constexpr float norme2() const { return float(produitScalaire(*this)); }
    float norme() const;
    CPoint3D normalise() const { return *this / norme(); }

    // Voxel coordinates to drawing coordinates: the volume is centred on the origin, its
    // largest side spans -1 .. +1 and the drawing y axis points opposite to the picture rows.
    CPoint3D Image2GL() const;
    // A voxel-space direction to a drawing-space direction (no translation; y flipped, so a
    // converted normal must be renormalised).
    CPoint3D Image2GLVect() const;
    // Inverse mappings of Image2GL and Image2GLVect.
    CPoint3D GL2Image() const;
    CPoint3D GL2ImageVect() const;
    void setImage2GL() { *this = Image2GL(); }
    void setImage2GLVect() { *this = Image2GLVect(); }
    void setGL2Image() { *this = GL2Image(); }
    void setGL2ImageVect() { *this = GL2ImageVect(); }

    // True when 0 <= x < width, 0 <= y < height and 0 <= z < depth; false for any NaN member.
    bool isInImage() const;

    // Cartesian (x, y, z) to spherical (r, theta, phi): r the length, theta the azimuth in the
    // xy plane measured from +x, in [0, 2 pi), phi the angle from +z, in [0, pi]. The origin
    // gives (0, 0, 0). pol2cart is the inverse, reading the point as (r, theta, phi).
    CPoint3D cart2pol() const;
    CPoint3D pol2cart() const;
};
