#pragma once
// Readers of volume files: NIfTI-1 and NIfTI-2 (".nii", ".nii.gz"), multi-page TIFF (one page
// a slice), folders of single-page TIFF slices, NRRD (".nrrd", ".nhdr" and its data file),
// FreeSurfer MGH (".mgh", ".mgz") and DICOM series. Each checks the file before it trusts it
// and refuses a bad one with a message meant for the user. Every geometry is voxel -> RAS
// millimetres (LPS files converted).

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
enum class FormatVolume { Inconnu, Nifti, NiftiCompresse, Tiff, Nrrd, Mgh, Dicom };
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

// NRRD, its header in the file (".nrrd") or detached (".nhdr", the data in the file its
// "data file" field names, relative to the header's folder), raw or gzip encoding, any integer
// or float type, one to three voxel axes and at most one other axis (its first element is
// read). Geometry: "space directions" and "space origin" in a RAS, LAS or LPS space (or an
// unnamed 3-D space, taken as RAS), else "spacings". The segments of a Slicer segmentation
// ("SegmentN_LabelValue", "SegmentN_Name", "SegmentN_Color" from 0 to 1) become
// volume.tableEtiquettes. Refused: other encodings, data split over several files, sizes
// beyond the data, malformed fields or segments, NaN or infinite values.
CompteRenduLecture lireNrrd(const std::string& fichier, VolumeBrut& volume);

// FreeSurfer MGH, gzip-compressed (".mgz") or not: uint8, int16, int32 or float32 voxels, the
// first frame of a 4-D file. Geometry: the header's vox2ras (direction cosines, spacing and
// centre), or FreeSurfer's coronal default when the header says it has none.
CompteRenduLecture lireMgh(const std::string& fichier, VolumeBrut& volume);

// True when the file carries the DICOM mark ("DICM" after a 128-byte preamble); a folder is
// a DICOM folder when one of its files does.
bool fichierDicom(const std::string& fichier);
bool dossierDicom(const std::string& dossier);

// The DICOM series of a folder, one slice a file whatever the names: the series of
// fichierDeLaSerie when given, else the series with the most slices (with a remark when there
// are several). Slices are ordered by their Image Position (Patient) along the normal of
// their orientation, and placed by it (oblique and tilted stacks included; LPS turned to RAS).
// Each slice's Rescale Slope and Intercept apply (into int32 when whole, else float32).
// Uncompressed syntaxes only (implicit or explicit little endian, explicit big endian), grey
// pictures of 8, 16 or 32 bits, one picture a file. Refused: slices of different sizes, types
// or orientations, two slices at one place, a missing slice (positions off their regular
// steps by more than a tenth of a step), unreadable files.
CompteRenduLecture lireSerieDicom(const std::string& dossier, VolumeBrut& volume,
                                  const std::string& fichierDeLaSerie = std::string());

// Chooses the reader by content (a DICOM file gives the series it belongs to, from its folder).
CompteRenduLecture lireVolumeFichier(const std::string& fichier, VolumeBrut& volume);

} // namespace Stravol
