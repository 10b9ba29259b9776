#include "core/CPoint3D.h"
#include "core/Pi.h"

#include <algorithm>
#include <cmath>

float CPoint3D::width = 1.0f;
float CPoint3D::height = 1.0f;
float CPoint3D::depth = 1.0f;
float CPoint3D::maxdim = 1.0f;
float CPoint3D::step_z = 1.0f;

void CPoint3D::definirScene(int W, int H, int D) {
    width = static_cast<float>(W);
    height = static_cast<float>(H);
    depth = static_cast<float>(D);
    maxdim = static_cast<float>(std::max({W, H, D}));
}

namespace {
constexpr double pi = kPiCinqDecimales;
}

float CPoint3D::norme() const { return std::sqrt(norme2()); }

CPoint3D CPoint3D::Image2GL() const {
    const double m = maxdim;
    return {float((2.0 * x - width) / m), float((height - 2.0 * y) / m),
            float(((2.0 * z - depth) / step_z) / m)};
}

CPoint3D CPoint3D::Image2GLVect() const {
    const double s = 2.0 / maxdim;
    return {float(x * s), float(-y * s), float(z * s / step_z)};
}

CPoint3D CPoint3D::GL2Image() const {
    const double m = maxdim;
    return {float((x * m + width) / 2.0), float((height - y * m) / 2.0),
            float((z * m * step_z + depth) / 2.0)};
}

CPoint3D CPoint3D::GL2ImageVect() const {
    const double s = maxdim / 2.0;
    return {float(x * s), float(-y * s), float(z * s * step_z)};
}

bool CPoint3D::isInImage() const {
    return 0.0f <= x && x < width && 0.0f <= y && y < height && 0.0f <= z && z < depth;
}

CPoint3D CPoint3D::cart2pol() const {
    const double r = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (r == 0.0) {
        return {0.0f, 0.0f, 0.0f};
    }
    double theta = std::atan2(double(y), double(x));
    if (theta < 0.0) {
        theta += 2.0 * pi;
    }
    const double c = std::fmax(-1.0, std::fmin(1.0, z / r));
    return {float(r), float(theta), float(std::acos(c))};
}

CPoint3D CPoint3D::pol2cart() const {
    const double r = x;
    const double theta = y;
    const double phi = z;
    return {float(r * std::sin(phi) * std::cos(theta)), float(r * std::sin(phi) * std::sin(theta)),
            float(r * std::cos(phi))};
}
