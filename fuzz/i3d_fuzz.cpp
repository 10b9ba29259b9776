// Any bytes as an I3D file. A file that loads must hold exactly the voxels its header
// promises, and must survive a round trip through SaveI3D.

#include "DossierFuzz.h"
#include "volume/CImage3D.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    const std::string fichier = fuzz::ecrire("volume.i3d", data, taille);
    CImage3D volume;
    if (!volume.LoadI3D(fichier.c_str())) {
        FUZZ_VERIFIER(volume.GetDepth() == 0 || volume.GetWidth() > 0);
        return 0;
    }
    FUZZ_VERIFIER(taille >= 6);
    const std::size_t l = data[0] | data[1] << 8, h = data[2] | data[3] << 8,
                      p = data[4] | data[5] << 8;
    FUZZ_VERIFIER(static_cast<std::size_t>(volume.GetWidth()) == l);
    FUZZ_VERIFIER(static_cast<std::size_t>(volume.GetHeight()) == h);
    FUZZ_VERIFIER(static_cast<std::size_t>(volume.GetDepth()) == p);
    const std::size_t n = l * h * p;
    FUZZ_VERIFIER(n > 0 && (taille == 6 + n || taille == 6 + 2 * n));
    const std::size_t octets = (taille - 6) / n;
    std::size_t i = 6;
    for (std::size_t z = 0; z < p; ++z)
        for (std::size_t y = 0; y < h; ++y)
            for (std::size_t x = 0; x < l; ++x, i += octets)
                FUZZ_VERIFIER(volume.Pixel(int(x), int(y), int(z)) == data[i]);

    const std::string copie = fuzz::dossier() + "/copie.i3d";
    FUZZ_VERIFIER(volume.SaveI3D(copie.c_str()));
    CImage3D relu;
    FUZZ_VERIFIER(relu.LoadI3D(copie.c_str()));
    FUZZ_VERIFIER(relu.GetWidth() == volume.GetWidth() && relu.GetHeight() == volume.GetHeight() &&
                  relu.GetDepth() == volume.GetDepth());
    for (int z = 0; z < relu.GetDepth(); ++z)
        for (int y = 0; y < relu.GetHeight(); ++y)
            for (int x = 0; x < relu.GetWidth(); ++x)
                FUZZ_VERIFIER(relu.Pixel(x, y, z) == volume.Pixel(x, y, z));
    return 0;
}
