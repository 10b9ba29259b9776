// Any bytes as a folder of DICOM files: the first byte gives the number of files (1 to 4),
// each but the last preceded by its length (2 bytes, little endian), the last taking the rest.
// Broken elements, sequences and series must be refused with a message, and an accepted
// volume must hold every voxel its sizes promise.

#include <algorithm>

#include "VerificationVolume.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    if (taille < 1)
        return 0;
    const int nbFichiers = 1 + data[0] % 4;
    const std::string dossier = fuzz::viderSousDossier("serie");
    std::size_t position = 1;
    for (int k = 0; k < nbFichiers; ++k) {
        std::size_t longueur = taille - position;
        if (k + 1 < nbFichiers) {
            if (taille - position < 2)
                break;
            longueur = std::min<std::size_t>(data[position] | (data[position + 1] << 8),
                                             taille - position - 2);
            position += 2;
        }
        fuzz::ecrire("serie/f" + std::to_string(k), data + position, longueur);
        position += longueur;
    }
    Stravol::VolumeBrut v;
    fuzz::verifierLecture(Stravol::lireSerieDicom(dossier, v), v);
    return 0;
}
