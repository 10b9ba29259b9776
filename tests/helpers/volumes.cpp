#include "helpers/volumes.h"

#include <cstring>

#include <gtest/gtest.h>

using namespace Stravol;

namespace {

template <class T> void remplir(VolumeBrut& v, const std::function<double(int, int, int)>& f) {
    T* p = reinterpret_cast<T*>(v.donnees.data());
    std::size_t i = 0;
    for (int z = 0; z < v.profondeur; ++z)
        for (int y = 0; y < v.hauteur; ++y)
            for (int x = 0; x < v.largeur; ++x)
                p[i++] = static_cast<T>(f(x, y, z));
}

} // namespace

VolumeBrut volumeTest(TypeVoxel type, int largeur, int hauteur, int profondeur,
                      const std::function<double(int, int, int)>& valeur) {
    VolumeBrut v;
    v.largeur = largeur;
    v.hauteur = hauteur;
    v.profondeur = profondeur;
    v.type = type;
    v.donnees.assign(v.nbVoxels() * tailleVoxel(type), 0);
    switch (type) {
    case TypeVoxel::Octet:
        remplir<std::uint8_t>(v, valeur);
        break;
    case TypeVoxel::OctetSigne:
        remplir<std::int8_t>(v, valeur);
        break;
    case TypeVoxel::Entier16:
        remplir<std::int16_t>(v, valeur);
        break;
    case TypeVoxel::EntierNonSigne16:
        remplir<std::uint16_t>(v, valeur);
        break;
    case TypeVoxel::Entier32:
        remplir<std::int32_t>(v, valeur);
        break;
    case TypeVoxel::EntierNonSigne32:
        remplir<std::uint32_t>(v, valeur);
        break;
    case TypeVoxel::Entier64:
        remplir<std::int64_t>(v, valeur);
        break;
    case TypeVoxel::EntierNonSigne64:
        remplir<std::uint64_t>(v, valeur);
        break;
    case TypeVoxel::Reel32:
        remplir<float>(v, valeur);
        break;
    case TypeVoxel::Reel64:
        remplir<double>(v, valeur);
        break;
    }
    return v;
}

CImage3D volumeUni(int l, int h, int p, unsigned char niveau) {
    CImage3D v;
    EXPECT_TRUE(v.Create(l, h, p));
    for (int z = 0; z < p; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < l; ++x)
                v.Pixel(x, y, z) = niveau;
    return v;
}
