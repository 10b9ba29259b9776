#pragma once
// Test helpers for picture files: a temporary folder and hand-made BMP and PNG files,
// written byte by byte so that the decoders are checked against independent encoders.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using OctetsTest = std::vector<unsigned char>;

// A fresh folder under the system's temporary directory, removed with its content.
class DossierTemporaire {
public:
    DossierTemporaire();
    ~DossierTemporaire();
    DossierTemporaire(const DossierTemporaire&) = delete;
    DossierTemporaire& operator=(const DossierTemporaire&) = delete;
    const std::string& chemin() const { return chemin_; }
    std::string operator/(const std::string& nom) const { return chemin_ + "/" + nom; }

private:
    std::string chemin_;
};

void ecrireOctets(const std::string& chemin, const OctetsTest& octets);
OctetsTest lireOctets(const std::string& chemin);

// One gzip member holding octets, made by zlib.
OctetsTest gzipFait(const OctetsTest& octets);

// An uncompressed BMP. pixels holds the rows top first, packed without padding:
// 1 byte (palette index), 3 bytes (blue, green, red) or 4 bytes per pixel.
// palette: blue, green, red, reserved quads (8-bit only). hautEnBas writes a negative
// height (rows stored top first).
OctetsTest bmpFait(int largeur, int hauteur, int bpp, const OctetsTest& pixels,
                   const OctetsTest& palette = {}, bool hautEnBas = false);

// A 24-bit BMP whose pixel (x, y), y = 0 the top row, has the grey level gris(x, y) (0..255).
OctetsTest bmpGris(int largeur, int hauteur, const std::function<int(int, int)>& gris);

// A PNG with stored (uncompressed) deflate blocks. canaux: 1 (grey), 3 (RGB) or 4
// (RGBA); pixels holds the rows top first, packed.
OctetsTest pngFait(int largeur, int hauteur, int canaux, const OctetsTest& pixels);
