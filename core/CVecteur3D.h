// Double-precision 3D vector used by the cameras (positions, directions, scene units).
#pragma once

class CVecteur3D {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr CVecteur3D() = default;
    constexpr CVecteur3D(double a, double b, double c) : x(a), y(b), z(c) {}
    // The vector going from `from` to `to`.
    constexpr CVecteur3D(const CVecteur3D& from, const CVecteur3D& to)
        : x(to.x - from.x), y(to.y - from.y), z(to.z - from.z) {}
    constexpr CVecteur3D(const CVecteur3D&) = default;
    constexpr CVecteur3D& operator=(const CVecteur3D&) = default;

    constexpr void setX(double v) { x = v; }
    constexpr void setY(double v) { y = v; }
    constexpr void setZ(double v) { z = v; }
    constexpr double getX() const { return x; }
    constexpr double getY() const { return y; }
    constexpr double getZ() const { return z; }

    constexpr CVecteur3D operator+(const CVecteur3D& v) const {
        return {x + v.x, y + v.y, z + v.z};
    }
    constexpr CVecteur3D operator-(const CVecteur3D& v) const {
        return {x - v.x, y - v.y, z - v.z};
    }
    constexpr CVecteur3D operator*(double s) const { return {x * s, y * s, z * s}; }
    constexpr CVecteur3D operator/(double s) const { return {x / s, y / s, z / s}; }
    constexpr CVecteur3D& operator+=(const CVecteur3D& v) { return *this = *this + v; }
    constexpr CVecteur3D& operator-=(const CVecteur3D& v) { return *this = *this - v; }
    constexpr CVecteur3D& operator*=(double s) { return *this = *this * s; }
    constexpr CVecteur3D& operator/=(double s) { return *this = *this / s; }

    constexpr CVecteur3D crossProduct(const CVecteur3D& v) const {
        return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
    }
    double length() const;
    // Divides the vector in place by its length and returns it; a zero vector becomes NaN.
    CVecteur3D& normalize();
};
