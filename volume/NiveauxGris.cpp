#include "volume/NiveauxGris.h"

namespace Stravol {

namespace {

// The three products for every byte value, and the grey level of every grey pixel, computed
// once: the same doubles as computing them per pixel.
struct TablesGris {
    double g[256], r[256], b[256];
    unsigned char gris[256];
    TablesGris() {
        for (int v = 0; v < 256; ++v) {
            g[v] = 0.587 * v;
            r[v] = 0.299 * v;
            b[v] = 0.114 * v;
        }
        for (int v = 0; v < 256; ++v)
            gris[v] = static_cast<unsigned char>(g[v] + r[v] + b[v]);
    }
};

const TablesGris kTables;

// Thousandths of a grey level: the sum's exact value is s / 1000, and the double sum lies
// within a few units in the last place of it, far below a thousandth. Both truncate to the
// same level unless s / 1000 is a whole number, which the double sum may fall just short of.
constexpr int kMilliemes = 1000;

} // namespace

unsigned char niveauGris(unsigned char r, unsigned char g, unsigned char b) {
    return static_cast<unsigned char>(kTables.g[g] + kTables.r[r] + kTables.b[b]);
}

void niveauxGrisBGR(const unsigned char* bgr, int n, unsigned char* gris) {
    for (int x = 0; x < n; ++x, bgr += 3) {
        const unsigned char b = bgr[0], g = bgr[1], r = bgr[2];
        if (r == g && g == b) {
            gris[x] = kTables.gris[r];
            continue;
        }
        const int s = 587 * g + 299 * r + 114 * b;
        const int niveau = s / kMilliemes;
        gris[x] =
            niveau * kMilliemes != s ? static_cast<unsigned char>(niveau) : niveauGris(r, g, b);
    }
}

} // namespace Stravol
