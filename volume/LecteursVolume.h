#pragma once
// Readers of volume files: NIfTI-1 and NIfTI-2 (".nii", ".nii.gz"), multi-page TIFF (one page
// a slice) and folders of single-page TIFF slices. Each checks the file before it trusts it
// and refuses a bad one with a message meant for the user.

#include <string>
#include <vector>

#include "volume/VolumeBrut.h"

namespace Stravol {

// Outcome of a reading: on failure erreur says why (in the user's words); remarques hold
// what the user should know about a successful reading (first volume of a 4-D file, spacing
// taken from TIFF resolution tags, values rescaled).
struct CompteRenduLecture {
    bool reussi = false;
    std::string erreur;
    std::vector<std::string> remarques;
};

// Kinds of file recognised by their first bytes.
enum class FormatVolume { Inconnu, Nifti, NiftiCompresse, Tiff };
FormatVolume formatParContenu(const std::string& fichier);

// Largest volume a reader accepts, in voxels and in bytes of its voxels.
constexpr long long kVoxelsMax = 1LL << 31;
constexpr long long kOctetsMax = 8LL << 30;

// NIfTI-1 or NIfTI-2, gzip-compressed or not, any integer or float type; a 4-D or larger file
// gives its first volume. Geometry: sform, else qform, else the pixel sizes alone. Values are
// rescaled (to float32) when the header gives a slope other than 0 and 1 or an intercept.
// Refused: truncated or corrupt data, sizes disagreeing with the data, unsupported data types,
// NaN or infinite values, zero, negative or non-finite spacing.
CompteRenduLecture lireNifti(const std::string& fichier, VolumeBrut& volume);

// Every page of a TIFF file, one slice a page, 8-, 16-, 32- or 64-bit integer or float
// samples, grey or RGB (RGB turned grey with the weights of the picture loader). Pages of
// different sizes or types are refused. The resolution tags, when they give a physical unit,
// set the spacing (z as x unless an ImageJ description gives it), with a remark.
CompteRenduLecture lireTiff(const std::string& fichier, VolumeBrut& volume);

// The single-page TIFF files of a folder, stacked in the order given; every file must hold
// one page of the same size and type as the first.
CompteRenduLecture lireCoupesTiff(const std::vector<std::string>& fichiers, VolumeBrut& volume);

// Chooses the reader by content.
CompteRenduLecture lireVolumeFichier(const std::string& fichier, VolumeBrut& volume);

} // namespace Stravol
