// NIfTI-1 and NIfTI-2 reader over the NIfTI C library.

#include <nifti2_io.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

#include "volume/LecteursVolume.h"
#include "volume/LectureOutils.h"

namespace Stravol {

namespace {

struct LibererNifti {
    void operator()(nifti_image* n) const { nifti_image_free(n); }
};
using ImageNifti = std::unique_ptr<nifti_image, LibererNifti>;

bool typeNifti(int code, TypeVoxel& type) {
    switch (code) {
    case DT_UINT8:
        type = TypeVoxel::Octet;
        return true;
    case DT_INT8:
        type = TypeVoxel::OctetSigne;
        return true;
    case DT_INT16:
        type = TypeVoxel::Entier16;
        return true;
    case DT_UINT16:
        type = TypeVoxel::EntierNonSigne16;
        return true;
    case DT_INT32:
        type = TypeVoxel::Entier32;
        return true;
    case DT_UINT32:
        type = TypeVoxel::EntierNonSigne32;
        return true;
    case DT_INT64:
        type = TypeVoxel::Entier64;
        return true;
    case DT_UINT64:
        type = TypeVoxel::EntierNonSigne64;
        return true;
    case DT_FLOAT32:
        type = TypeVoxel::Reel32;
        return true;
    case DT_FLOAT64:
        type = TypeVoxel::Reel64;
        return true;
    default:
        return false;
    }
}

// Millimetres per unit of the header's spatial unit code (unknown units are taken as mm).
double millimetresParUnite(int code) {
    switch (code) {
    case NIFTI_UNITS_METER:
        return 1000.0;
    case NIFTI_UNITS_MICRON:
        return 0.001;
    default:
        return 1.0;
    }
}

// Geometry from the header: sform, else qform, else the pixel sizes on the axes.
bool lireGeometrie(const nifti_image& n, Geometrie& g, std::string& erreur) {
    const double unite = millimetresParUnite(n.xyz_units);
    if (n.sform_code > 0 || n.qform_code > 0) {
        const nifti_dmat44& m = n.sform_code > 0 ? n.sto_xyz : n.qto_xyz;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 4; ++j)
                g.affine[i][j] = m.m[i][j] * unite;
        for (int j = 0; j < 3; ++j)
            g.espacement[j] =
                std::sqrt(g.affine[0][j] * g.affine[0][j] + g.affine[1][j] * g.affine[1][j] +
                          g.affine[2][j] * g.affine[2][j]);
        g.origine = n.sform_code > 0 ? OrigineGeometrie::SForm : OrigineGeometrie::QForm;
    } else {
        for (int j = 0; j < 3; ++j) {
            g.espacement[j] = n.pixdim[j + 1] * unite;
            for (int i = 0; i < 3; ++i)
                g.affine[i][j] = i == j ? g.espacement[j] : 0.0;
        }
        g.origine = OrigineGeometrie::Espacement;
    }
    std::string pourquoi;
    if (!g.valide(pourquoi)) {
        erreur = "géométrie invalide : " + pourquoi;
        return false;
    }
    return true;
}

// Rescales the values by the header's slope and intercept into float32.
bool appliquerEchelle(VolumeBrut& v, double pente, double ordonnee, std::string& erreur) {
    const std::size_t n = v.nbVoxels();
    std::vector<unsigned char> reels;
    try {
        reels.resize(n * sizeof(float));
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante pour mettre les valeurs à l'échelle";
        return false;
    }
    float* p = reinterpret_cast<float*>(reels.data());
    for (std::size_t i = 0; i < n; ++i)
        p[i] = static_cast<float>(pente * v.valeur(i) + ordonnee);
    v.donnees = std::move(reels);
    v.type = TypeVoxel::Reel32;
    return true;
}

// Pixel sizes as the file stores them: the library turns zero and negative sizes into usable
// ones, which would hide a broken header. Read from the header's bytes: pixdim[1..3] are
// floats at byte 80 of a NIfTI-1 header, doubles at byte 112 of a NIfTI-2 header.
bool espacementBrut(const std::string& fichier, bool compresse, double pixdim[3]) {
    constexpr std::size_t kEnteteNifti1 = 348, kEnteteNifti2 = 540;
    constexpr std::size_t kPixdimNifti1 = 80, kPixdimNifti2 = 112;
    unsigned char entete[kEnteteNifti2] = {};
    znzFile f = znzopen(fichier.c_str(), "rb", compresse ? 1 : 0);
    if (znz_isnull(f))
        return false;
    const std::size_t lu = znzread(entete, 1, sizeof entete, f);
    znzclose(f);
    std::int32_t taille = 0;
    std::memcpy(&taille, entete, sizeof taille);
    const bool inverse = taille != static_cast<std::int32_t>(kEnteteNifti1) &&
                         taille != static_cast<std::int32_t>(kEnteteNifti2);
    if (inverse)
        nifti_swap_4bytes(1, &taille);
    const bool version2 = taille == static_cast<std::int32_t>(kEnteteNifti2);
    if (lu < (version2 ? kEnteteNifti2 : kEnteteNifti1))
        return false;
    for (int j = 0; j < 3; ++j) {
        if (version2) {
            double d;
            std::memcpy(&d, entete + kPixdimNifti2 + 8 * j, sizeof d);
            if (inverse)
                nifti_swap_8bytes(1, &d);
            pixdim[j] = d;
        } else {
            float d;
            std::memcpy(&d, entete + kPixdimNifti1 + 4 * j, sizeof d);
            if (inverse)
                nifti_swap_4bytes(1, &d);
            pixdim[j] = d;
        }
    }
    return true;
}

// The voxels of a file of the other byte order put in the machine's.
void versOrdreMachine(const nifti_image& n, VolumeBrut& v) {
    if (n.byteorder != nifti_short_order() && n.nbyper > 1)
        nifti_swap_Nbytes(static_cast<int64_t>(v.nbVoxels()), n.nbyper, v.donnees.data());
}

// Reads the voxels straight from the file: the library's own loader replaces non-finite
// floats by 0 without saying so, and they must be reported instead.
bool lireDonnees(const std::string& fichier, const nifti_image& n, bool compresse, long long octets,
                 VolumeBrut& v, std::string& erreur) {
    try {
        if (compresse && n.iname_offset >= 0) {
            const std::unique_ptr<std::FILE, int (*)(std::FILE*)> brut(
                std::fopen(fichier.c_str(), "rb"), &std::fclose);
            if (brut && gonflerEnUneFois(brut.get(), 0, static_cast<std::size_t>(n.iname_offset),
                                         static_cast<std::size_t>(octets), v.donnees)) {
                versOrdreMachine(n, v);
                return true;
            }
        }
        v.donnees.resize(static_cast<std::size_t>(octets));
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante pour le volume de " + fichier;
        return false;
    }
    znzFile f = znzopen(fichier.c_str(), "rb", compresse ? 1 : 0);
    if (znz_isnull(f)) {
        erreur = "fichier illisible : " + fichier;
        return false;
    }
    // A plain file's seek gives 0, a compressed one's the new offset: only -1 is a failure.
    bool ok = znzseek(f, static_cast<long>(n.iname_offset), SEEK_SET) >= 0;
    // Read in blocks, so that a truncated stream stops early without a huge request.
    constexpr std::size_t kBloc = 16u << 20;
    for (std::size_t lu = 0; ok && lu < v.donnees.size();) {
        const std::size_t demande = std::min(kBloc, v.donnees.size() - lu);
        ok = znzread(v.donnees.data() + lu, 1, demande, f) == demande;
        lu += demande;
    }
    znzclose(f);
    if (!ok) {
        erreur = "données NIfTI tronquées ou corrompues : " + fichier;
        return false;
    }
    versOrdreMachine(n, v);
    return true;
}

// Sizes of the first volume of a NIfTI file, and the count of volumes the file holds.
struct DimensionsNifti {
    int64_t nx, ny, nz;
    int64_t volumes;  // at most INT32_MAX
    long long octets; // bytes of the first volume's data
};

// Checks the header's file kind, voxel type and dimensions before anything is allocated;
// false with a message.
bool verifierEnTete(const nifti_image& n, const std::string& fichier, TypeVoxel& type,
                    DimensionsNifti& dims, std::string& erreur) {
    if (n.nifti_type != NIFTI_FTYPE_NIFTI1_1 && n.nifti_type != NIFTI_FTYPE_NIFTI2_1) {
        erreur = "seuls les fichiers NIfTI en un seul fichier (.nii) sont lus : " + fichier;
        return false;
    }
    if (!typeNifti(n.datatype, type)) {
        erreur = std::string("type de données NIfTI non pris en charge (") +
                 nifti_datatype_string(n.datatype) + ") : " + fichier;
        return false;
    }
    const int64_t nx = n.nx, ny = n.ny, nz = n.ndim >= 3 ? n.nz : 1;
    if (n.ndim < 1 || n.ndim > 7 || nx < 1 || ny < 1 || nz < 1 || nx > INT32_MAX ||
        ny > INT32_MAX || nz > INT32_MAX) {
        erreur = "dimensions NIfTI invalides : " + fichier;
        return false;
    }
    int64_t volumes = 1;
    for (int d = 4; d <= n.ndim; ++d) {
        if (n.dim[d] < 1) {
            erreur = "dimensions NIfTI invalides : " + fichier;
            return false;
        }
        volumes = n.dim[d] > INT32_MAX / volumes ? INT32_MAX : volumes * n.dim[d];
    }
    const long long voxels = nx * ny > kVoxelsMax ? kVoxelsMax + 1 : nx * ny * nz;
    const long long octets = voxels * n.nbyper;
    if (voxels > kVoxelsMax || octets > kOctetsMax) {
        erreur = "volume NIfTI trop grand (" + std::to_string(nx) + " x " + std::to_string(ny) +
                 " x " + std::to_string(nz) + " voxels) : " + fichier;
        return false;
    }
    dims = {nx, ny, nz, volumes, octets};
    return true;
}

// Checks that a file of `taille` bytes can hold the data the header announces: all of them for
// a plain file, as many as a compressed stream of that size can inflate to; false with a
// message.
bool verifierPlaceDonnees(const nifti_image& n, const std::string& fichier, bool compresse,
                          long long taille, long long octets, std::string& erreur) {
    const long long debut = n.iname_offset;
    if (debut < 0) {
        erreur = "position des données NIfTI invalide : " + fichier;
        return false;
    }
    if (!compresse && debut + octets > taille) {
        erreur = "fichier NIfTI tronqué : " + std::to_string(octets) +
                 " octets de données annoncés, " + std::to_string(std::max(0LL, taille - debut)) +
                 " présents : " + fichier;
        return false;
    }
    if (compresse && debut + octets > taille * kRapportDeflateMax + kMargeDeflate) {
        erreur = "fichier NIfTI compressé trop court pour les " + std::to_string(octets) +
                 " octets de données annoncés : " + fichier;
        return false;
    }
    return true;
}

// Narrows the header to the first of its volumes, the data of later ones following it in the
// file, and says so.
void garderPremierVolume(nifti_image& n, int64_t volumes, CompteRenduLecture& cr) {
    for (int d = 4; d <= 7; ++d)
        n.dim[d] = 1;
    n.dim[0] = 3;
    nifti_update_dims_from_array(&n);
    cr.remarques.push_back("le fichier compte " + std::to_string(volumes) +
                           " volumes : seul le premier est lu");
}

// Geometry from the header, once the pixel sizes the file stores are found usable (without an
// sform they place the voxels); false with a message.
bool lireGeometrieVerifiee(const nifti_image& n, const std::string& fichier, bool compresse,
                           Geometrie& geometrie, std::string& erreur) {
    double pixdim[3] = {0, 0, 0};
    if (!espacementBrut(fichier, compresse, pixdim)) {
        erreur = "en-tête NIfTI illisible ou corrompu : " + fichier;
        return false;
    }
    if (n.sform_code <= 0)
        for (double d : pixdim)
            if (!std::isfinite(d) || d <= 0.0) {
                erreur =
                    "espacement des voxels nul, négatif ou non fini dans l'en-tête : " + fichier;
                return false;
            }
    if (!lireGeometrie(n, geometrie, erreur)) {
        erreur += " : " + fichier;
        return false;
    }
    return true;
}

// Refuses non-finite values, then rescales by the header's slope and intercept, unless they
// leave the values as they are (a slope of 0 means no scaling; so does the identity); false
// (and an empty volume) with a message.
bool verifierEtMettreAEchelle(const std::string& fichier, double pente, double ordonnee,
                              VolumeBrut& volume, CompteRenduLecture& cr) {
    if (const std::size_t nonFinies = nbValeursNonFinies(volume)) {
        volume = VolumeBrut();
        cr.erreur =
            std::to_string(nonFinies) + " valeurs non finies (NaN ou infinies) dans " + fichier;
        return false;
    }
    if (!std::isfinite(pente) || !std::isfinite(ordonnee) || pente == 0.0 ||
        (pente == 1.0 && ordonnee == 0.0))
        return true;
    if (!appliquerEchelle(volume, pente, ordonnee, cr.erreur)) {
        volume = VolumeBrut();
        return false;
    }
    if (const std::size_t nonFinies = nbValeursNonFinies(volume)) {
        volume = VolumeBrut();
        cr.erreur = std::to_string(nonFinies) +
                    " valeurs non finies après la mise à l'échelle de l'en-tête dans " + fichier;
        return false;
    }
    cr.remarques.push_back("valeurs mises à l'échelle par l'en-tête (pente " +
                           std::to_string(pente) + ", ordonnée " + std::to_string(ordonnee) + ")");
    return true;
}

} // namespace

CompteRenduLecture lireNifti(const std::string& fichier, VolumeBrut& volume) {
    CompteRenduLecture cr;
    volume = VolumeBrut();
    const bool compresse = finitPar(fichier, ".nii.gz");
    if (!compresse && !finitPar(fichier, ".nii")) {
        cr.erreur = "un fichier NIfTI doit porter l'extension .nii ou .nii.gz : " + fichier;
        return cr;
    }
    std::error_code ec;
    const auto tailleFichier = std::filesystem::file_size(fichier, ec);
    if (ec || !std::filesystem::is_regular_file(fichier, ec)) {
        cr.erreur = "fichier introuvable ou illisible : " + fichier;
        return cr;
    }
    // The library reports through stderr; every failure is described here instead.
    nifti_set_debug_level(0);
    ImageNifti n(nifti_image_read(fichier.c_str(), 0));
    if (!n) {
        cr.erreur = "en-tête NIfTI illisible ou corrompu : " + fichier;
        return cr;
    }
    TypeVoxel type;
    DimensionsNifti dims;
    if (!verifierEnTete(*n, fichier, type, dims, cr.erreur) ||
        !verifierPlaceDonnees(*n, fichier, compresse, static_cast<long long>(tailleFichier),
                              dims.octets, cr.erreur))
        return cr;
    if (dims.volumes > 1)
        garderPremierVolume(*n, dims.volumes, cr);
    Geometrie geometrie;
    if (!lireGeometrieVerifiee(*n, fichier, compresse, geometrie, cr.erreur))
        return cr;
    volume.largeur = static_cast<int>(dims.nx);
    volume.hauteur = static_cast<int>(dims.ny);
    volume.profondeur = static_cast<int>(dims.nz);
    volume.type = type;
    volume.geometrie = geometrie;
    if (!lireDonnees(fichier, *n, compresse, dims.octets, volume, cr.erreur)) {
        volume = VolumeBrut();
        return cr;
    }
    const double pente = n->scl_slope, ordonnee = n->scl_inter;
    n.reset();
    if (!verifierEtMettreAEchelle(fichier, pente, ordonnee, volume, cr))
        return cr;
    cr.reussi = true;
    return cr;
}

} // namespace Stravol
