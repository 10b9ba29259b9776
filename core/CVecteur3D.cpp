#include "core/CVecteur3D.h"

#include <cmath>

double CVecteur3D::length() const { return std::sqrt(x * x + y * y + z * z); }

CVecteur3D& CVecteur3D::normalize() { return *this /= length(); }
