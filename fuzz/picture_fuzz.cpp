// Any bytes as a picture file, through the picture file object: truncated, oversized or
// corrupt BMP, PNG and JPEG files must be refused, and a decoded picture must hold every
// pixel its sizes promise.

#include <vector>

#include "DossierFuzz.h"
#include "volume/BTCImageObject.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    const std::string fichier = fuzz::ecrire("image", data, taille);

    BTCImageObject objet;
    const bool decodee = objet.Load(fichier.c_str(), nullptr, nullptr, 2);
    if (decodee) {
        const BTCImageData& image = *objet.GetObjectDataPtr();
        const long largeur = image.GetWidth(), hauteur = image.GetHeight();
        const int bpp = image.GetBitsPerPixel();
        FUZZ_VERIFIER(largeur >= 1 && largeur <= BTCImageData::kMaxCote);
        FUZZ_VERIFIER(hauteur >= 1 && hauteur <= BTCImageData::kMaxCote);
        FUZZ_VERIFIER(bpp == 8 || bpp == 24 || bpp == 32);
        FUZZ_VERIFIER(image.GetBits() != nullptr);
        FUZZ_VERIFIER(image.GetBytesPerLine() == BTCImageData::PitchFor(largeur, bpp));
        // Reading every row touches every pixel byte the buffer claims to hold.
        std::vector<unsigned char> ligne(3 * static_cast<std::size_t>(largeur));
        for (long y = 0; y < hauteur; ++y)
            FUZZ_VERIFIER(image.CopyRowBGR(y, ligne.data()));
        FUZZ_VERIFIER(!image.CopyRowBGR(hauteur, ligne.data()));
        BTCImageData copie = image;
        if (bpp == 32) {
            FUZZ_VERIFIER(copie.ConvertTo24BPP() && copie.GetBitsPerPixel() == 24);
            FUZZ_VERIFIER(copie.GetBytesPerLine() == BTCImageData::PitchFor(largeur, 24));
        }
    }
    return 0;
}
