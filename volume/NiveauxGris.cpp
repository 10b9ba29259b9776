#include "volume/NiveauxGris.h"

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Pixels checked at once for being all grey (48 bytes, three 16-byte words).
constexpr int kPixelsParBloc = 16;

#ifdef __SSE2__
constexpr int kOctetsMot = 16;

// Of 16 bytes from byte debut of a block, those that are a pixel's blue or green (followed by
// its green or red), as movemask bits.
constexpr int masqueBleuVert(int debut) {
    int m = 0;
    for (int i = 0; i < kOctetsMot; ++i)
        if ((debut + i) % 3 != 2)
            m |= 1 << i;
    return m;
}

// Whether the 16 pixels at bgr all have blue = green = red: each such byte equals the next.
// Reads one byte past them.
bool blocGris(const unsigned char* bgr) {
    const auto egaux = [bgr](int debut) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + debut));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + debut + 1));
        return _mm_movemask_epi8(_mm_cmpeq_epi8(a, b));
    };
    constexpr int kMasques[3] = {masqueBleuVert(0), masqueBleuVert(kOctetsMot),
                                 masqueBleuVert(2 * kOctetsMot)};
    for (int k = 0; k < 3; ++k)
        if ((egaux(k * kOctetsMot) & kMasques[k]) != kMasques[k])
            return false;
    return true;
}
#endif

} // namespace

unsigned char niveauGris(unsigned char r, unsigned char g, unsigned char b) {
    return static_cast<unsigned char>(kTables.g[g] + kTables.r[r] + kTables.b[b]);
}

void niveauxGrisBGR(const unsigned char* bgr, int n, unsigned char* gris) {
    for (int x = 0; x < n;) {
#ifdef __SSE2__
        // A block of grey pixels (most of a slice picture's), while a byte follows it.
        if (x + kPixelsParBloc < n && blocGris(bgr)) {
            for (int k = 0; k < kPixelsParBloc; ++k)
                gris[x + k] = kTables.gris[bgr[3 * k]];
            x += kPixelsParBloc;
            bgr += 3 * kPixelsParBloc;
            continue;
        }
#endif
        for (const int fin = std::min(n, x + kPixelsParBloc); x < fin; ++x, bgr += 3) {
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
}

} // namespace Stravol
