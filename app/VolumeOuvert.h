#pragma once
// What the main window has open, as its parts see it.

#include "volume/CImageTroisD.h"

#include <memory>

namespace Stravol {

class COpenGL;

// The open volume and its 3D view: both null while nothing is open, and the view exists only
// with a volume. The main window alone changes them; it destroys the view first, since the
// view borrows the volume's textures and mesh.
struct VolumeOuvert {
    std::unique_ptr<CImageTroisD> images3D;
    // Owned; a child of the view's panel while it exists.
    COpenGL* fenetreOpenGL = nullptr;
};

} // namespace Stravol
