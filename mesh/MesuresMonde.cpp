#include "mesh/MesuresMonde.h"

#include <cmath>

#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/VolumeBrut.h"

MesuresMonde mesurerDansLeMonde(const CMaillageTriangleChRegion& maillage,
                                const Stravol::Geometrie& monde) {
    // The volume is measured in voxels and scaled by the volume of a voxel (a mirror would
    // turn the corners over as well, so the absolute value); the area needs the world
    // positions, through the linear part of the transform (the origin cancels out).
    const auto& a = monde.affine;
    auto lineaire = [&a](const CPoint3D& p, double m[3]) {
        for (int i = 0; i < 3; ++i)
            m[i] = a[i][0] * p.x + a[i][1] * p.y + a[i][2] * p.z;
    };
    double volume = 0.0, aire = 0.0;
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        const CPoint3D& p0 = *t->a;
        const CPoint3D& p1 = t->orientation < 0 ? *t->c : *t->b;
        const CPoint3D& p2 = t->orientation < 0 ? *t->b : *t->c;
        volume += (double(p0.x) * (double(p1.y) * p2.z - double(p1.z) * p2.y) -
                   double(p0.y) * (double(p1.x) * p2.z - double(p1.z) * p2.x) +
                   double(p0.z) * (double(p1.x) * p2.y - double(p1.y) * p2.x)) /
                  6.0;
        double m0[3], m1[3], m2[3];
        lineaire(p0, m0);
        lineaire(p1, m1);
        lineaire(p2, m2);
        const double u[3] = {m1[0] - m0[0], m1[1] - m0[1], m1[2] - m0[2]};
        const double v[3] = {m2[0] - m0[0], m2[1] - m0[1], m2[2] - m0[2]};
        const double c[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        aire += 0.5 * std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    }
    return {volume * std::fabs(monde.determinant()), aire};
}
