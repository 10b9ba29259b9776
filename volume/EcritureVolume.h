#pragma once
// Writers of volume files, for generated data (phantoms, benchmarks, tests): NIfTI through the
// NIfTI C library, multi-page TIFF through libtiff, DICOM series through GDCM, NRRD and
// FreeSurfer MGH of our own (zlib for their compression).

#include <string>
#include <vector>

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

// How ecrireNrrd lays the file out.
struct OptionsNrrd {
    bool detache = false;      // header alone; the data in "<name without .nhdr>.raw[.gz]"
    bool gzip = false;         // gzip encoding, else raw
    bool lps = false;          // space left-posterior-superior, else right-anterior-superior
    bool grosBoutiste = false; // big-endian data
};

// NRRD: the geometry as space directions and origin in the space asked for, the voxels of the
// volume's type, and the volume's label table as the segments of a Slicer segmentation
// (SegmentN_Name, SegmentN_Color from 0 to 1, SegmentN_LabelValue, in the first layer).
bool ecrireNrrd(const std::string& fichier, const VolumeBrut& volume, const OptionsNrrd& options,
                std::string& erreur);

// FreeSurfer MGH, gzip-compressed when the name ends in ".mgz"; uint8, int16, int32 or float32
// voxels. The geometry is written as FreeSurfer keeps it: the direction and length of each
// voxel axis and the world position of the centre voxel (sizes / 2), in float32.
bool ecrireMgh(const std::string& fichier, const VolumeBrut& volume, std::string& erreur);

// How ecrireSerieDicom names and describes the slices.
struct OptionsDicom {
    std::vector<std::string> noms;                        // file of slice k; empty: "coupe<k>.dcm"
    std::string serie = "1.2.826.0.1.3680043.2.1143.9.1"; // Series Instance UID
    double pente = 1.0, ordonnee = 0.0;                   // Rescale Slope and Intercept
    bool explicite = true; // explicit VR little endian, else implicit
};

// A DICOM series written with GDCM into the folder dossier: one CT slice a file, its voxels
// stored as the volume holds them (8, 16 or 32-bit integers), the geometry as Image Position
// and Orientation (Patient) in LPS and Pixel Spacing. The transform's first two axes must be
// orthogonal; the third is the step from one slice's position to the next.
bool ecrireSerieDicom(const std::string& dossier, const VolumeBrut& volume,
                      const OptionsDicom& options, std::string& erreur);

} // namespace Stravol
