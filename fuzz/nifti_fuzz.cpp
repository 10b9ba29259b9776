// Any bytes as a NIfTI file, plain or gzip-compressed (chosen by the first byte): bad headers,
// sizes disagreeing with the data, corrupt streams must be refused with a message, and an
// accepted volume must hold every voxel its sizes promise.

#include "VerificationVolume.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    if (taille < 1)
        return 0;
    const bool compresse = data[0] & 1;
    const std::string fichier =
        fuzz::ecrire(compresse ? "volume.nii.gz" : "volume.nii", data + 1, taille - 1);
    Stravol::VolumeBrut v;
    fuzz::verifierLecture(Stravol::lireNifti(fichier, v), v);
    return 0;
}
