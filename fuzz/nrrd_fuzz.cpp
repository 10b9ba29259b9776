// Any bytes as a NRRD file: with the first byte even, one ".nrrd" file; odd, a ".nhdr" header
// (the bytes up to the first NUL) and the data file "donnees.raw" beside it (the rest). Bad
// headers, sizes beyond the data, corrupt streams must be refused with a message, and an
// accepted volume must hold every voxel its sizes promise.

#include <cstring>

#include "VerificationVolume.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    if (taille < 1)
        return 0;
    const std::uint8_t* debut = data + 1;
    const std::size_t reste = taille - 1;
    std::string fichier;
    if (data[0] & 1) {
        const auto* nul = static_cast<const std::uint8_t*>(std::memchr(debut, 0, reste));
        const std::size_t entete = nul != nullptr ? static_cast<std::size_t>(nul - debut) : reste;
        fichier = fuzz::ecrire("volume.nhdr", debut, entete);
        const std::size_t suite = entete < reste ? entete + 1 : reste;
        fuzz::ecrire("donnees.raw", debut + suite, reste - suite);
    } else {
        fichier = fuzz::ecrire("volume.nrrd", debut, reste);
    }
    Stravol::VolumeBrut v;
    const Stravol::CompteRenduLecture cr = Stravol::lireNrrd(fichier, v);
    fuzz::verifierLecture(cr, v);
    FUZZ_VERIFIER(cr.reussi || v.tableEtiquettes.vide());
    return 0;
}
