// Any bytes as a TIFF file: bad directories, truncated strips or tiles, pages of other sizes
// must be refused with a message, and an accepted volume must hold every voxel its sizes
// promise.

#include "VerificationVolume.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    const std::string fichier = fuzz::ecrire("volume.tif", data, taille);
    Stravol::VolumeBrut v;
    fuzz::verifierLecture(Stravol::lireTiff(fichier, v), v);
    return 0;
}
