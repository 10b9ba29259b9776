#include "volume/EcritureVolume.h"

#include <nifti2_io.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>
#include <memory>

namespace Stravol {

namespace {

int codeNifti(TypeVoxel type) {
    switch (type) {
    case TypeVoxel::Octet:
        return DT_UINT8;
    case TypeVoxel::OctetSigne:
        return DT_INT8;
    case TypeVoxel::Entier16:
        return DT_INT16;
    case TypeVoxel::EntierNonSigne16:
        return DT_UINT16;
    case TypeVoxel::Entier32:
        return DT_INT32;
    case TypeVoxel::EntierNonSigne32:
        return DT_UINT32;
    case TypeVoxel::Entier64:
        return DT_INT64;
    case TypeVoxel::EntierNonSigne64:
        return DT_UINT64;
    case TypeVoxel::Reel32:
        return DT_FLOAT32;
    case TypeVoxel::Reel64:
        break;
    }
    return DT_FLOAT64;
}

struct LibererNifti {
    void operator()(nifti_image* n) const {
        n->data = nullptr; // borrowed from the volume
        nifti_image_free(n);
    }
};

} // namespace

bool ecrireNifti(const std::string& fichier, const VolumeBrut& volume, int version,
                 std::string& erreur, TransformsNifti transforms) {
    if (volume.vide()) {
        erreur = "volume vide";
        return false;
    }
    nifti_set_debug_level(0);
    const int64_t dims[8] = {3, volume.largeur, volume.hauteur, volume.profondeur, 1, 1, 1, 1};
    std::unique_ptr<nifti_image, LibererNifti> n(
        nifti_make_new_nim(dims, codeNifti(volume.type), 0));
    if (!n) {
        erreur = "en-tête NIfTI impossible à créer";
        return false;
    }
    n->nifti_type = version == 2 ? NIFTI_FTYPE_NIFTI2_1 : NIFTI_FTYPE_NIFTI1_1;
    const Geometrie& g = volume.geometrie;
    n->dx = n->pixdim[1] = g.espacement[0];
    n->dy = n->pixdim[2] = g.espacement[1];
    n->dz = n->pixdim[3] = g.espacement[2];
    n->xyz_units = NIFTI_UNITS_MM;
    nifti_dmat44 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            m.m[i][j] = g.affine[i][j];
    m.m[3][3] = 1.0;
    n->sform_code = transforms == TransformsNifti::SFormEtQForm ? NIFTI_XFORM_SCANNER_ANAT : 0;
    n->sto_xyz = m;
    n->qform_code = transforms == TransformsNifti::Aucune ? 0 : NIFTI_XFORM_SCANNER_ANAT;
    nifti_dmat44_to_quatern(m, &n->quatern_b, &n->quatern_c, &n->quatern_d, &n->qoffset_x,
                            &n->qoffset_y, &n->qoffset_z, nullptr, nullptr, nullptr, &n->qfac);
    if (nifti_set_filenames(n.get(), fichier.c_str(), 0, 1) != 0) {
        erreur = "nom de fichier NIfTI refusé : " + fichier;
        return false;
    }
    n->data = const_cast<unsigned char*>(volume.donnees.data());
    std::error_code ec;
    std::filesystem::remove(fichier, ec);
    nifti_image_write(n.get());
    if (!std::filesystem::exists(fichier, ec) || std::filesystem::file_size(fichier, ec) == 0) {
        erreur = "impossible d'écrire " + fichier;
        return false;
    }
    return true;
}

bool ecrireTiff(const std::string& fichier, const VolumeBrut& volume, bool compresse,
                std::string& erreur) {
    if (volume.vide()) {
        erreur = "volume vide";
        return false;
    }
    TIFF* t = TIFFOpen(fichier.c_str(), volume.donnees.size() > (1LL << 31) ? "w8" : "w");
    if (t == nullptr) {
        erreur = "impossible de créer " + fichier;
        return false;
    }
    const std::size_t octets = tailleVoxel(volume.type);
    const uint16_t format =
        !typeEntier(volume.type) ? SAMPLEFORMAT_IEEEFP
        : (volume.type == TypeVoxel::OctetSigne || volume.type == TypeVoxel::Entier16 ||
           volume.type == TypeVoxel::Entier32 || volume.type == TypeVoxel::Entier64)
            ? SAMPLEFORMAT_INT
            : SAMPLEFORMAT_UINT;
    const std::size_t ligne = octets * static_cast<std::size_t>(volume.largeur);
    bool ok = true;
    for (int z = 0; z < volume.profondeur && ok; ++z) {
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(volume.largeur));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(volume.hauteur));
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(1));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(8 * octets));
        TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, format);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION,
                     compresse ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(t, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(z),
                     static_cast<uint16_t>(volume.profondeur));
        const unsigned char* coupe =
            volume.donnees.data() + ligne * volume.hauteur * static_cast<std::size_t>(z);
        for (int y = 0; y < volume.hauteur && ok; ++y)
            ok = TIFFWriteScanline(t, const_cast<unsigned char*>(coupe + ligne * y),
                                   static_cast<uint32_t>(y), 0) == 1;
        ok = ok && TIFFWriteDirectory(t) == 1;
    }
    TIFFClose(t);
    if (!ok)
        erreur = "impossible d'écrire " + fichier;
    return ok;
}

} // namespace Stravol
