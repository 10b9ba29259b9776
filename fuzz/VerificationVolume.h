#pragma once
// Properties every volume a file reader accepts must have, whatever the file held.

#include <cmath>
#include <vector>

#include "DossierFuzz.h"
#include "volume/LecteursVolume.h"

namespace fuzz {

inline void verifierLecture(const Stravol::CompteRenduLecture& cr, const Stravol::VolumeBrut& v) {
    if (!cr.reussi) {
        FUZZ_VERIFIER(!cr.erreur.empty());
        FUZZ_VERIFIER(v.vide());
        return;
    }
    FUZZ_VERIFIER(!v.vide());
    FUZZ_VERIFIER(v.donnees.size() == v.nbVoxels() * Stravol::tailleVoxel(v.type));
    FUZZ_VERIFIER(static_cast<long long>(v.nbVoxels()) <= Stravol::kVoxelsMax);
    std::string pourquoi;
    FUZZ_VERIFIER(v.geometrie.valide(pourquoi));
    FUZZ_VERIFIER(Stravol::nbValeursNonFinies(v) == 0);
    // The window and the 8-bit volume of what was read.
    const Stravol::Fenetre f = Stravol::fenetreParDefaut(v);
    FUZZ_VERIFIER(std::isfinite(f.mini) && std::isfinite(f.maxi) && f.mini <= f.maxi);
    std::vector<unsigned char> octets;
    std::string erreur;
    FUZZ_VERIFIER(Stravol::versOctets(v, f, octets, erreur));
    FUZZ_VERIFIER(octets.size() == v.nbVoxels());
}

} // namespace fuzz
