#pragma once

#include "region/CDeformableModelBase.h"

class CImage3D;

// Deformable region model over an image sequence, grown by a grey-level homogeneity
// criterion. Every triangle mesh owns one, default-constructed.
class CRegionMultiresolution2D3DT : public CDeformableModelBase
{
  public:
    CRegionMultiresolution2D3DT() = default;
    ~CRegionMultiresolution2D3DT() = default;

    // Sets the model up on one volume; false when the volume is empty or the voxel grid
    // cannot be allocated.
    bool initialiserRegion(CImage3D *volume);
};
