#include "helpers/images.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

DossierTemporaire::DossierTemporaire() {
    std::string modele = (std::filesystem::temp_directory_path() / "stravol-XXXXXX").string();
    if (mkdtemp(modele.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    chemin_ = modele;
}

DossierTemporaire::~DossierTemporaire() {
    std::error_code ec;
    std::filesystem::remove_all(chemin_, ec);
}

void ecrireOctets(const std::string& chemin, const OctetsTest& octets) {
    std::ofstream f(chemin, std::ios::binary);
    f.write(reinterpret_cast<const char*>(octets.data()),
            static_cast<std::streamsize>(octets.size()));
}

OctetsTest lireOctets(const std::string& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    return OctetsTest(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

OctetsTest gzipFait(const OctetsTest& octets) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    OctetsTest sortie(deflateBound(&z, static_cast<uLong>(octets.size())) + 32);
    z.next_in = const_cast<unsigned char*>(octets.data());
    z.avail_in = static_cast<uInt>(octets.size());
    z.next_out = sortie.data();
    z.avail_out = static_cast<uInt>(sortie.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    sortie.erase(sortie.end() - z.avail_out, sortie.end());
    deflateEnd(&z);
    return sortie;
}

namespace {

void le32(OctetsTest& d, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        d.push_back(static_cast<unsigned char>(v >> (8 * k)));
}
void le16(OctetsTest& d, std::uint16_t v) {
    d.push_back(static_cast<unsigned char>(v));
    d.push_back(static_cast<unsigned char>(v >> 8));
}
void be32(OctetsTest& d, std::uint32_t v) {
    for (int k = 3; k >= 0; --k)
        d.push_back(static_cast<unsigned char>(v >> (8 * k)));
}

std::uint32_t crc32(const unsigned char* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

void chunk(OctetsTest& d, const char* type, const OctetsTest& donnees) {
    be32(d, static_cast<std::uint32_t>(donnees.size()));
    const std::size_t debut = d.size();
    d.insert(d.end(), type, type + 4);
    d.insert(d.end(), donnees.begin(), donnees.end());
    be32(d, crc32(d.data() + debut, d.size() - debut));
}

} // namespace

OctetsTest bmpFait(int largeur, int hauteur, int bpp, const OctetsTest& pixels,
                   const OctetsTest& palette, bool hautEnBas) {
    const int octets = bpp / 8;
    const int pas = (largeur * octets + 3) / 4 * 4;
    const std::uint32_t nbCouleurs = bpp == 8 ? static_cast<std::uint32_t>(palette.size() / 4) : 0;
    const std::uint32_t debut = 54 + 4 * nbCouleurs;
    OctetsTest d = {'B', 'M'};
    le32(d, debut + static_cast<std::uint32_t>(pas * hauteur));
    le32(d, 0);
    le32(d, debut);
    le32(d, 40);
    le32(d, static_cast<std::uint32_t>(largeur));
    le32(d, static_cast<std::uint32_t>(hautEnBas ? -hauteur : hauteur));
    le16(d, 1);
    le16(d, static_cast<std::uint16_t>(bpp));
    le32(d, 0);
    le32(d, static_cast<std::uint32_t>(pas * hauteur));
    le32(d, 2835);
    le32(d, 2835);
    le32(d, nbCouleurs);
    le32(d, 0);
    if (bpp == 8)
        d.insert(d.end(), palette.begin(), palette.end());
    for (int r = 0; r < hauteur; ++r) {
        const int y = hautEnBas ? r : hauteur - 1 - r;
        const auto* ligne = pixels.data() + static_cast<std::size_t>(y) * largeur * octets;
        d.insert(d.end(), ligne, ligne + largeur * octets);
        d.insert(d.end(), static_cast<std::size_t>(pas - largeur * octets), 0);
    }
    return d;
}

OctetsTest bmpGris(int largeur, int hauteur, const std::function<int(int, int)>& gris) {
    OctetsTest pixels;
    pixels.reserve(3 * static_cast<std::size_t>(largeur) * hauteur);
    for (int y = 0; y < hauteur; ++y)
        for (int x = 0; x < largeur; ++x)
            pixels.insert(pixels.end(), 3, static_cast<unsigned char>(gris(x, y)));
    return bmpFait(largeur, hauteur, 24, pixels);
}

OctetsTest pngFait(int largeur, int hauteur, int canaux, const OctetsTest& pixels) {
    OctetsTest d = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    OctetsTest ihdr;
    be32(ihdr, static_cast<std::uint32_t>(largeur));
    be32(ihdr, static_cast<std::uint32_t>(hauteur));
    ihdr.push_back(8);
    ihdr.push_back(canaux == 1 ? 0 : (canaux == 3 ? 2 : 6));
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(0);
    chunk(d, "IHDR", ihdr);

    OctetsTest brut; // each row preceded by filter type 0
    for (int y = 0; y < hauteur; ++y) {
        brut.push_back(0);
        const auto* ligne = pixels.data() + static_cast<std::size_t>(y) * largeur * canaux;
        brut.insert(brut.end(), ligne, ligne + largeur * canaux);
    }
    OctetsTest z = {0x78, 0x01};
    std::size_t i = 0;
    do {
        const std::size_t n = std::min<std::size_t>(65535, brut.size() - i);
        z.push_back(i + n == brut.size() ? 1 : 0);
        le16(z, static_cast<std::uint16_t>(n));
        le16(z, static_cast<std::uint16_t>(~n));
        z.insert(z.end(), brut.begin() + static_cast<long>(i),
                 brut.begin() + static_cast<long>(i + n));
        i += n;
    } while (i < brut.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : brut) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    be32(z, b << 16 | a);
    chunk(d, "IDAT", z);
    chunk(d, "IEND", {});
    return d;
}
