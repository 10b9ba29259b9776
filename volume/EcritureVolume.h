#pragma once
// Writers of volume files, for generated data (phantoms, benchmarks, tests): NIfTI through the
// NIfTI C library, multi-page TIFF through libtiff.

#include <string>

#include "volume/VolumeBrut.h"

namespace Stravol {

// Which transforms a NIfTI file carries (a reader takes the sform first, then the qform).
enum class TransformsNifti { SFormEtQForm, QFormSeule, Aucune };

// NIfTI-1 (version 1) or NIfTI-2 (version 2); gzip-compressed when the name ends in ".nii.gz".
// The transform is written as the forms asked for (code "scanner"), the spacing as pixel sizes
// in millimetres. False with a message in erreur on failure.
bool ecrireNifti(const std::string& fichier, const VolumeBrut& volume, int version,
                 std::string& erreur, TransformsNifti transforms = TransformsNifti::SFormEtQForm);

// One page a slice, grey samples of the volume's type; deflate-compressed when compresse.
bool ecrireTiff(const std::string& fichier, const VolumeBrut& volume, bool compresse,
                std::string& erreur);

} // namespace Stravol
