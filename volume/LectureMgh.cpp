// FreeSurfer MGH reader of our own, gzip-compressed (".mgz") or not: a big-endian header of
// sizes, type and vox2ras, then the voxels, x fastest.

#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "volume/LectureOutils.h"

namespace Stravol {

namespace {

constexpr std::size_t kTailleEnTete = 284;
constexpr std::size_t kEnTeteUtile = 90; // version to the centre's coordinates

std::int32_t entier32(const unsigned char* p) {
    return static_cast<std::int32_t>((std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                                     (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]});
}
std::int16_t entier16(const unsigned char* p) {
    return static_cast<std::int16_t>((p[0] << 8) | p[1]);
}
double reel32(const unsigned char* p) {
    return static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(entier32(p))));
}

bool typeMgh(std::int32_t code, TypeVoxel& type) {
    switch (code) {
    case 0:
        type = TypeVoxel::Octet;
        return true;
    case 1:
        type = TypeVoxel::Entier32;
        return true;
    case 3:
        type = TypeVoxel::Reel32;
        return true;
    case 4:
        type = TypeVoxel::Entier16;
        return true;
    default:
        return false;
    }
}

// vox2ras of the header: the direction cosines scaled by the spacing, placed so that the
// centre voxel (sizes / 2) lands on the centre's RAS coordinates. Without valid RAS fields,
// FreeSurfer's coronal default (x left, y down, z front, 1 mm, centre at 0).
bool geometrieMgh(const unsigned char* h, const long long tailles[3], Geometrie& g,
                  std::vector<std::string>& remarques, std::string& erreur) {
    std::array<double, 3> espacement{1, 1, 1}, centre{0, 0, 0};
    std::array<std::array<double, 3>, 3> cosinus{{{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}};
    if (entier16(h + 28) > 0) {
        for (std::size_t j = 0; j < 3; ++j) {
            espacement[j] = reel32(h + 30 + 4 * j);
            centre[j] = reel32(h + 78 + 4 * j);
            for (std::size_t i = 0; i < 3; ++i)
                cosinus[j][i] = reel32(h + 42 + 12 * j + 4 * i);
        }
    } else {
        remarques.push_back("l'en-tête MGH ne donne pas d'orientation : orientation coronale de "
                            "FreeSurfer, voxels de 1 mm");
    }
    for (std::size_t j = 0; j < 3; ++j)
        if (!std::isfinite(espacement[j]) || espacement[j] <= 0.0) {
            erreur = "espacement des voxels nul, négatif ou non fini dans l'en-tête MGH";
            return false;
        }
    for (std::size_t i = 0; i < 3; ++i) {
        double t = centre[i];
        for (std::size_t j = 0; j < 3; ++j) {
            g.affine[i][j] = cosinus[j][i] * espacement[j];
            t -= g.affine[i][j] * static_cast<double>(tailles[j]) / 2.0;
        }
        g.affine[i][3] = t;
    }
    for (std::size_t j = 0; j < 3; ++j)
        g.espacement[j] = std::hypot(g.affine[0][j], g.affine[1][j], g.affine[2][j]);
    g.origine = OrigineGeometrie::Entete;
    std::string pourquoi;
    if (!g.valide(pourquoi)) {
        erreur = "géométrie MGH invalide : " + pourquoi;
        return false;
    }
    return true;
}

} // namespace

CompteRenduLecture lireMgh(const std::string& fichier, VolumeBrut& volume) {
    volume = VolumeBrut();
    const long long taille = tailleFichier(fichier);
    Fichier f = ouvrirLecture(fichier);
    if (taille < 0 || !f)
        return echecLecture(volume, "fichier introuvable ou illisible : " + fichier);
    unsigned char signature[2] = {};
    const bool compresse =
        std::fread(signature, 1, 2, f.get()) == 2 && signature[0] == 0x1f && signature[1] == 0x8b;
    unsigned char h[kEnTeteUtile] = {};
    std::string erreur;
    const bool lu = compresse ? lireOctetsCompresses(f.get(), 0, 0, sizeof h, h, erreur)
                              : lireOctets(f.get(), 0, sizeof h, h);
    if (!lu)
        return echecLecture(volume, "en-tête MGH illisible ou tronqué : " + fichier);
    if (entier32(h) != 1)
        return echecLecture(volume, "version MGH inconnue (1 attendue) : " + fichier);
    const long long tailles[3] = {entier32(h + 4), entier32(h + 8), entier32(h + 12)};
    const long long trames = entier32(h + 16);
    TypeVoxel type;
    if (!typeMgh(entier32(h + 20), type))
        return echecLecture(volume, "type de données MGH non pris en charge (code " +
                                        std::to_string(entier32(h + 20)) + ") : " + fichier);
    if (trames < 1)
        return echecLecture(volume, "nombre de trames MGH nul ou négatif : " + fichier);
    CompteRenduLecture cr;
    Geometrie geometrie;
    if (!geometrieMgh(h, tailles, geometrie, cr.remarques, erreur))
        return echecLecture(volume, erreur + " : " + fichier);
    // The sizes are checked against the file before the voxels are allocated.
    long long octets = 0;
    if (!octetsVolume(tailles[0], tailles[1], tailles[2], type, octets, erreur))
        return echecLecture(volume, "MGH : " + erreur + " : " + fichier);
    const auto debut = static_cast<long long>(kTailleEnTete);
    if (!compresse && debut + octets > taille)
        return echecLecture(volume, "fichier MGH tronqué : " + std::to_string(octets) +
                                        " octets de données annoncés, " +
                                        std::to_string(std::max(0LL, taille - debut)) +
                                        " présents : " + fichier);
    if (compresse && debut + octets > taille * kRapportDeflateMax + kMargeDeflate)
        return echecLecture(volume, "fichier MGH compressé trop court pour les " +
                                        std::to_string(octets) + " octets annoncés : " + fichier);
    if (!allouerVolume(volume, tailles[0], tailles[1], tailles[2], type, erreur))
        return echecLecture(volume, erreur + " : " + fichier);
    volume.geometrie = geometrie;
    const bool donnees =
        compresse ? lireOctetsCompresses(f.get(), 0, debut, volume.donnees.size(),
                                         volume.donnees.data(), erreur)
                  : lireOctets(f.get(), debut, volume.donnees.size(), volume.donnees.data());
    if (!donnees)
        return echecLecture(volume,
                            (compresse ? erreur : "données MGH illisibles") + " : " + fichier);
    if (std::endian::native == std::endian::little)
        permuterOctets(volume.donnees.data(), volume.nbVoxels(), tailleVoxel(type));
    if (const std::size_t nonFinies = nbValeursNonFinies(volume))
        return echecLecture(volume, std::to_string(nonFinies) +
                                        " valeurs non finies (NaN ou infinies) dans " + fichier);
    if (trames > 1)
        cr.remarques.push_back("le fichier compte " + std::to_string(trames) +
                               " trames : seule la première est lue");
    cr.reussi = true;
    return cr;
}

} // namespace Stravol
