#include "mesh/CMaillageTriangleChRegion.h"

void CMaillageTriangleChRegion::initialiserImages(CImage3D* volume, CImage3D* evolution) {
    image = volume;
    imageEvolution = evolution;
    region.initialiserRegion(volume);
}
