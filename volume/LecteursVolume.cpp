// Recognition of volume files by their first bytes, and the choice of their reader.

#include <zlib.h>

#include <cstring>
#include <filesystem>

#include "volume/LectureOutils.h"

namespace Stravol {

namespace {

constexpr std::size_t kTeteLue = 352;

bool teteNifti(const unsigned char* tete, std::size_t n) {
    // NIfTI-1 magic at byte 344, NIfTI-2 magic at byte 4.
    return (n >= 348 && std::memcmp(tete + 344, "n+1", 4) == 0) ||
           (n >= 8 && std::memcmp(tete + 4, "n+2", 4) == 0);
}

// An MGH header: version 1 and a known type code, both big-endian.
bool teteMgh(const unsigned char* tete, std::size_t n) {
    if (n < 24 || tete[0] != 0 || tete[1] != 0 || tete[2] != 0 || tete[3] != 1)
        return false;
    if (tete[20] != 0 || tete[21] != 0 || tete[22] != 0)
        return false;
    return tete[23] == 0 || tete[23] == 1 || tete[23] == 3 || tete[23] == 4;
}

bool nomMgh(const std::string& fichier) {
    return finitPar(fichier, ".mgh") || finitPar(fichier, ".mgz");
}

} // namespace

FormatVolume formatParContenu(const std::string& fichier) {
    unsigned char tete[kTeteLue] = {};
    std::size_t n = 0;
    {
        const Fichier f = ouvrirLecture(fichier);
        if (!f)
            return FormatVolume::Inconnu;
        n = std::fread(tete, 1, sizeof tete, f.get());
    }
    if (n >= 4 &&
        ((tete[0] == 'I' && tete[1] == 'I' && (tete[2] == 42 || tete[2] == 43) && tete[3] == 0) ||
         (tete[0] == 'M' && tete[1] == 'M' && tete[2] == 0 && (tete[3] == 42 || tete[3] == 43))))
        return FormatVolume::Tiff;
    if (n >= 2 && tete[0] == 0x1f && tete[1] == 0x8b) {
        // Compressed: the first bytes of the stream tell NIfTI from MGH; anything else is left
        // to the NIfTI reader, as a compressed file always was.
        unsigned char clair[kTeteLue] = {};
        int lus = 0;
        if (gzFile z = gzopen(fichier.c_str(), "rb")) {
            lus = gzread(z, clair, sizeof clair);
            gzclose(z);
        }
        const std::size_t m = lus > 0 ? static_cast<std::size_t>(lus) : 0;
        if (!teteNifti(clair, m) && (teteMgh(clair, m) || nomMgh(fichier)))
            return FormatVolume::Mgh;
        return FormatVolume::NiftiCompresse;
    }
    if (teteNifti(tete, n))
        return FormatVolume::Nifti;
    if (n >= 8 && std::memcmp(tete, "NRRD000", 7) == 0)
        return FormatVolume::Nrrd;
    if (n >= 132 && std::memcmp(tete + 128, "DICM", 4) == 0)
        return FormatVolume::Dicom;
    if (teteMgh(tete, n) || nomMgh(fichier))
        return FormatVolume::Mgh;
    return FormatVolume::Inconnu;
}

CompteRenduLecture lireVolumeFichier(const std::string& fichier, VolumeBrut& volume) {
    switch (formatParContenu(fichier)) {
    case FormatVolume::Tiff:
        return lireTiff(fichier, volume);
    case FormatVolume::Nifti:
    case FormatVolume::NiftiCompresse:
        return lireNifti(fichier, volume);
    case FormatVolume::Nrrd:
        return lireNrrd(fichier, volume);
    case FormatVolume::Mgh:
        return lireMgh(fichier, volume);
    case FormatVolume::Dicom: {
        const std::string dossier = std::filesystem::path(fichier).parent_path().string();
        return lireSerieDicom(dossier.empty() ? std::string(".") : dossier, volume, fichier);
    }
    case FormatVolume::Inconnu:
        break;
    }
    return echecLecture(volume, "format de volume inconnu (NIfTI .nii ou .nii.gz, TIFF, NRRD "
                                ".nrrd ou .nhdr, MGH .mgh ou .mgz, ou DICOM attendu) : " +
                                    fichier);
}

} // namespace Stravol
