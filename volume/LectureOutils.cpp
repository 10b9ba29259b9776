#include "volume/LectureOutils.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

namespace Stravol {

bool finitPar(const std::string& nom, const std::string& suffixe) {
    if (nom.size() < suffixe.size())
        return false;
    for (std::size_t i = 0; i < suffixe.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(nom[nom.size() - suffixe.size() + i])) !=
            suffixe[i])
            return false;
    return true;
}

CompteRenduLecture echecLecture(VolumeBrut& volume, const std::string& erreur) {
    volume = VolumeBrut();
    CompteRenduLecture cr;
    cr.erreur = erreur;
    return cr;
}

long long tailleFichier(const std::string& fichier) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fichier, ec))
        return -1;
    const auto taille = std::filesystem::file_size(fichier, ec);
    return ec ? -1 : static_cast<long long>(taille);
}

Fichier ouvrirLecture(const std::string& fichier) {
    return Fichier(std::fopen(fichier.c_str(), "rb"));
}

bool octetsVolume(long long largeur, long long hauteur, long long profondeur, TypeVoxel type,
                  long long& octets, std::string& erreur) {
    if (largeur < 1 || hauteur < 1 || profondeur < 1) {
        erreur = "dimensions nulles ou négatives";
        return false;
    }
    const long long taille = static_cast<long long>(tailleVoxel(type));
    if (largeur > kVoxelsMax || hauteur > kVoxelsMax / largeur ||
        profondeur > kVoxelsMax / (largeur * hauteur) ||
        largeur * hauteur * profondeur * taille > kOctetsMax) {
        erreur = "volume trop grand (" + std::to_string(largeur) + " x " + std::to_string(hauteur) +
                 " x " + std::to_string(profondeur) + " voxels)";
        return false;
    }
    octets = largeur * hauteur * profondeur * taille;
    return true;
}

bool allouerVolume(VolumeBrut& v, long long largeur, long long hauteur, long long profondeur,
                   TypeVoxel type, std::string& erreur) {
    long long octets = 0;
    if (!octetsVolume(largeur, hauteur, profondeur, type, octets, erreur))
        return false;
    try {
        v.donnees.assign(static_cast<std::size_t>(octets), 0);
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante pour un volume de " + std::to_string(octets) + " octets";
        return false;
    }
    v.largeur = static_cast<int>(largeur);
    v.hauteur = static_cast<int>(hauteur);
    v.profondeur = static_cast<int>(profondeur);
    v.type = type;
    return true;
}

void permuterOctets(unsigned char* donnees, std::size_t n, std::size_t taille) {
    if (taille < 2)
        return;
    for (std::size_t i = 0; i < n; ++i)
        std::reverse(donnees + i * taille, donnees + (i + 1) * taille);
}

bool lireOctets(std::FILE* f, long long debut, std::size_t octets, unsigned char* dest) {
    if (debut < 0 || std::fseek(f, static_cast<long>(debut), SEEK_SET) != 0)
        return false;
    // In blocks, so that a short file stops early.
    constexpr std::size_t kBloc = 16u << 20;
    for (std::size_t lu = 0; lu < octets;) {
        const std::size_t demande = std::min(kBloc, octets - lu);
        if (std::fread(dest + lu, 1, demande, f) != demande)
            return false;
        lu += demande;
    }
    return true;
}

namespace {

struct LibererDecompresseur {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// The gzip trailer's last field: the inflated size modulo 2^32, little-endian.
constexpr std::size_t kOctetsTailleGzip = 4;
// Header and trailer of a gzip member around an empty stream.
constexpr long long kOctetsGzipMin = 18;
// What a member may hold around the bytes asked for (a header, tags) for it to be inflated whole.
constexpr std::size_t kOctetsAutourMax = std::size_t{1} << 20;

} // namespace

bool gonflerEnUneFois(std::FILE* f, long long debut, std::size_t sauter, std::size_t octets,
                      std::vector<unsigned char>& donnees) {
    unsigned char fin[kOctetsTailleGzip];
    if (debut < 0 || std::fseek(f, 0, SEEK_END) != 0)
        return false;
    const long long taille = std::ftell(f) - debut;
    if (taille < kOctetsGzipMin ||
        std::fseek(f, -static_cast<long>(kOctetsTailleGzip), SEEK_END) != 0 ||
        std::fread(fin, 1, sizeof fin, f) != sizeof fin)
        return false;
    std::uint32_t gonflee = 0;
    for (std::size_t k = 0; k < kOctetsTailleGzip; ++k)
        gonflee |= std::uint32_t{fin[k]} << (8 * k);
    // The trailer gives the size modulo 2^32: a stream larger than it says fails below.
    const auto reste = static_cast<std::uint32_t>(gonflee - static_cast<std::uint32_t>(octets));
    if (sauter > kOctetsAutourMax || reste < sauter || reste > kOctetsAutourMax)
        return false;
    const std::size_t total = octets + reste;
    std::vector<unsigned char> gz(static_cast<std::size_t>(taille));
    if (std::fseek(f, static_cast<long>(debut), SEEK_SET) != 0 ||
        std::fread(gz.data(), 1, gz.size(), f) != gz.size())
        return false;
    const std::unique_ptr<libdeflate_decompressor, LibererDecompresseur> d(
        libdeflate_alloc_decompressor());
    if (!d)
        return false;
    std::vector<unsigned char> tout(total);
    std::size_t lus = 0;
    // Without an output count, anything but exactly total bytes is a failure.
    if (libdeflate_gzip_decompress_ex(d.get(), gz.data(), gz.size(), tout.data(), total, &lus,
                                      nullptr) != LIBDEFLATE_SUCCESS ||
        lus != gz.size())
        return false;
    // The voxels moved to the front in place: the bytes around them are all the extra memory.
    std::memmove(tout.data(), tout.data() + sauter, octets);
    tout.resize(octets);
    donnees = std::move(tout);
    return true;
}

bool lireOctetsCompresses(std::FILE* f, long long debut, long long sauter, std::size_t octets,
                          unsigned char* dest, std::string& erreur) {
    if (debut < 0 || sauter < 0 || std::fseek(f, static_cast<long>(debut), SEEK_SET) != 0) {
        erreur = "position des données compressées invalide";
        return false;
    }
    z_stream z{};
    // 15 + 32: a gzip or a zlib header, recognised by the library.
    if (inflateInit2(&z, 15 + 32) != Z_OK) {
        erreur = "mémoire insuffisante pour décompresser les données";
        return false;
    }
    constexpr std::size_t kBloc = 1u << 16;
    std::vector<unsigned char> entree(kBloc), rebut(kBloc);
    std::size_t ecrits = 0;
    long long sautes = 0;
    int etat = Z_OK;
    // Compressed bytes for the stream when it has used up the last ones; false at the file's end.
    const auto alimenter = [&] {
        if (z.avail_in != 0)
            return true;
        const std::size_t lus = std::fread(entree.data(), 1, kBloc, f);
        z.next_in = entree.data();
        z.avail_in = static_cast<uInt>(lus);
        return lus != 0;
    };
    while (ecrits < octets) {
        if (!alimenter())
            break;
        // The skipped bytes go to a scratch buffer, the others straight into dest.
        const bool saute = sautes < sauter;
        const std::size_t place = saute ? static_cast<std::size_t>(std::min<long long>(
                                              sauter - sautes, static_cast<long long>(kBloc)))
                                        : std::min<std::size_t>(octets - ecrits, 1u << 30);
        z.next_out = saute ? rebut.data() : dest + ecrits;
        z.avail_out = static_cast<uInt>(place);
        etat = inflate(&z, Z_NO_FLUSH);
        const std::size_t produits = place - z.avail_out;
        if (saute)
            sautes += static_cast<long long>(produits);
        else
            ecrits += produits;
        if (etat == Z_STREAM_END)
            break;
        if (etat != Z_OK && etat != Z_BUF_ERROR)
            break;
        if (etat == Z_BUF_ERROR && z.avail_in != 0)
            break;
    }
    // The bytes are all there: the end of the stream, when it is near, has its check value
    // verified (a stream going on further is left unread).
    if (ecrits == octets && etat != Z_STREAM_END)
        for (int tour = 0; tour < 4 && (etat == Z_OK || etat == Z_BUF_ERROR); ++tour) {
            if (!alimenter())
                break;
            z.next_out = rebut.data();
            z.avail_out = static_cast<uInt>(kBloc);
            etat = inflate(&z, Z_NO_FLUSH);
            if (z.avail_out == 0)
                break;
        }
    inflateEnd(&z);
    if (ecrits == octets && etat != Z_DATA_ERROR && etat != Z_NEED_DICT && etat != Z_STREAM_ERROR)
        return true;
    erreur = etat == Z_DATA_ERROR || etat == Z_NEED_DICT || etat == Z_STREAM_ERROR
                 ? "données compressées corrompues"
                 : "données compressées tronquées : " + std::to_string(ecrits) + " octets sur " +
                       std::to_string(octets);
    return false;
}

bool lireEntierTexte(const std::string& texte, long long& valeur) {
    const char* debut = texte.data();
    const char* fin = debut + texte.size();
    if (debut != fin && *debut == '+')
        ++debut;
    const auto [p, ec] = std::from_chars(debut, fin, valeur);
    return ec == std::errc() && p == fin && debut != fin;
}

bool lireReelTexte(const std::string& texte, double& valeur) {
    const char* debut = texte.data();
    const char* fin = debut + texte.size();
    if (debut != fin && *debut == '+')
        ++debut;
    const auto [p, ec] = std::from_chars(debut, fin, valeur);
    return ec == std::errc() && p == fin && debut != fin && std::isfinite(valeur);
}

std::string sansEspaces(const std::string& texte) {
    const auto espace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t d = 0, f = texte.size();
    while (d < f && espace(texte[d]))
        ++d;
    while (f > d && espace(texte[f - 1]))
        --f;
    return texte.substr(d, f - d);
}

} // namespace Stravol
