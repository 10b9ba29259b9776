// Connected-component labelling and its shape statistics on a small volume built from the
// input bytes, checked against a plain flood fill: same components, each voxel of the value
// labelled, volumes adding up, finite statistics.
//
// Input: three sizes (1 to 16 voxels each), the labelled value, then one bit per voxel
// (x fastest): set gives the labelled value, clear another one (missing bytes give clear).

#include <cmath>
#include <map>
#include <vector>

#include "DossierFuzz.h"
#include "region/ComposanteConnexe.h"

namespace {

// Component number (1, 2, ...) of every voxel of value v by a 26-connected flood fill, 0
// elsewhere; returns the number of components.
int remplir(const std::vector<unsigned char>& image, int l, int h, int p, unsigned char v,
            std::vector<int>& composante) {
    composante.assign(image.size(), 0);
    auto indice = [l, h](int x, int y, int z) {
        return (static_cast<std::size_t>(z) * h + y) * l + x;
    };
    int n = 0;
    std::vector<int> pile;
    for (std::size_t depart = 0; depart < image.size(); ++depart) {
        if (image[depart] != v || composante[depart] != 0)
            continue;
        composante[depart] = ++n;
        pile.assign(1, static_cast<int>(depart));
        while (!pile.empty()) {
            const int i = pile.back();
            pile.pop_back();
            const int x = i % l, y = i / l % h, z = i / l / h;
            for (int dz = -1; dz <= 1; ++dz)
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int vx = x + dx, vy = y + dy, vz = z + dz;
                        if (vx < 0 || vy < 0 || vz < 0 || vx >= l || vy >= h || vz >= p)
                            continue;
                        const std::size_t j = indice(vx, vy, vz);
                        if (image[j] == v && composante[j] == 0) {
                            composante[j] = n;
                            pile.push_back(static_cast<int>(j));
                        }
                    }
        }
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    if (taille < 4)
        return 0;
    const int l = 1 + data[0] % 16, h = 1 + data[1] % 16, p = 1 + data[2] % 16;
    const unsigned char valeur = data[3];
    const unsigned char autre = static_cast<unsigned char>(valeur ^ 0xFF);
    std::vector<unsigned char> image(static_cast<std::size_t>(l) * h * p);
    for (std::size_t i = 0; i < image.size(); ++i) {
        const bool pose = 4 + i / 8 < taille && (data[4 + i / 8] >> (i % 8) & 1) != 0;
        image[i] = pose ? valeur : autre;
    }

    ComposanteConnexe cc(image.data(), l, h, p);
    cc.ComputeCC1(valeur);
    cc.computeCompacite();

    std::vector<int> composante;
    const int n = remplir(image, l, h, p, valeur, composante);
    FUZZ_VERIFIER(cc.getNbCC() == n);
    // Same label exactly when same component.
    std::map<int, int> versEtiquette, versComposante;
    std::vector<int> volumes(static_cast<std::size_t>(n) + 1, 0);
    for (int z = 0; z < p; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < l; ++x) {
                const int c = composante[(static_cast<std::size_t>(z) * h + y) * l + x];
                const int e = cc.getEtiquette(x, y, z);
                FUZZ_VERIFIER((e == 0) == (c == 0));
                if (c == 0)
                    continue;
                FUZZ_VERIFIER(versEtiquette.emplace(c, e).first->second == e);
                FUZZ_VERIFIER(versComposante.emplace(e, c).first->second == c);
                ++volumes[static_cast<std::size_t>(c)];
            }

    // Components are numbered by first appearance with x outermost and z innermost; the flood
    // fill numbers them with z outermost, so the volumes are compared as multisets.
    std::map<int, int> attendus, obtenus;
    for (int c = 1; c <= n; ++c)
        ++attendus[volumes[static_cast<std::size_t>(c)]];
    for (int k = 1; k <= n; ++k) {
        const CStatCC& s = cc.getStat(k);
        ++obtenus[s.volume];
        FUZZ_VERIFIER(s.surface >= 1 && s.surface <= s.volume);
        FUZZ_VERIFIER(std::isfinite(s.compacite) && s.compacite >= 0.0f);
        FUZZ_VERIFIER(s.volume > 4 || s.compacite == 0.0f);
    }
    FUZZ_VERIFIER(attendus == obtenus);
    FUZZ_VERIFIER(std::isfinite(cc.getMoyCompCC()) && std::isfinite(cc.getVarCompCC()) &&
                  std::isfinite(cc.getMoyAireCC()));
    FUZZ_VERIFIER(cc.getVarCompCC() >= 0.0f);
    return 0;
}
