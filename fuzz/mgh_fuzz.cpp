// Any bytes as a FreeSurfer MGH file, plain or gzip-compressed (".mgz" when the first byte is
// odd): bad headers, sizes beyond the data, corrupt streams must be refused with a message,
// and an accepted volume must hold every voxel its sizes promise.

#include "VerificationVolume.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    if (taille < 1)
        return 0;
    const std::string fichier =
        fuzz::ecrire(data[0] & 1 ? "volume.mgz" : "volume.mgh", data + 1, taille - 1);
    Stravol::VolumeBrut v;
    fuzz::verifierLecture(Stravol::lireMgh(fichier, v), v);
    return 0;
}
