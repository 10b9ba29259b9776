// Any bytes as a slice file of the loaded volume: read alone, after a first slice of another
// size, and as a segmentation slice. Nothing already loaded may be lost.

#include <string>
#include <vector>

#include "DossierFuzz.h"
#include "volume/BTCImageObject.h"
#include "volume/CImageTroisD.h"

namespace {

class MessagesCompteur : public MessageSink {
public:
    void afficher(const std::string&) override { ++nombre; }
    int nombre = 0;
};

// A 5 x 3 grey slice, written once, that the fuzzed picture follows in a volume folder.
const std::string& premiereTranche() {
    static const std::string chemin = [] {
        BTCImageData image;
        FUZZ_VERIFIER(image.Create(5, 3, 8));
        for (long y = 0; y < 3; ++y)
            for (long x = 0; x < 5; ++x)
                *image.GetBits(x, y) = static_cast<unsigned char>(40 * x + y);
        const std::string c = fuzz::viderSousDossier("modele") + "/a.bmp";
        BTCImageObject objet;
        FUZZ_VERIFIER(objet.Attach(image) && objet.Save(c.c_str(), BTCImageObject::kFormatBMP));
        return c;
    }();
    return chemin;
}

// Slice 0 as the loader reads the first slice alone.
const std::vector<unsigned char>& premiereCoupe() {
    static const std::vector<unsigned char> coupe = [] {
        const std::string modele = premiereTranche();
        CImageTroisD seul(fuzz::dossier(), modele.substr(0, modele.rfind('/')), nullptr, nullptr);
        FUZZ_VERIFIER(seul.largeur == 5 && seul.hauteur == 3 && seul.profondeur == 1);
        return std::vector<unsigned char>(seul.image.get(), seul.image.get() + 15);
    }();
    return coupe;
}

// The volume's invariant: three positive sizes with a voxel buffer, or nothing at all.
void verifierVolume(const CImageTroisD& v) {
    const bool plein =
        v.largeur > 0 && v.hauteur > 0 && v.profondeur > 0 && v.image && v.imageOriginal;
    const bool vide = v.largeur == 0 && v.hauteur == 0 && v.profondeur == 0 && !v.image;
    FUZZ_VERIFIER(plein || vide);
}

// Textures and cut pictures of a small volume: every voxel buffer is read through.
void parcourir(CImageTroisD& v) {
    if (static_cast<long>(v.largeur) + v.hauteur + v.profondeur > 24)
        return;
    v.AllouerTexture();
    v.preparationTexture(nullptr, 0);
    v.preparationTexture(nullptr, 4);
    FUZZ_VERIFIER(v.getImageZ(0).largeur == v.largeur && v.getImageZ(0).hauteur == v.hauteur);
    FUZZ_VERIFIER(v.getImageX(0).largeur == v.profondeur);
    FUZZ_VERIFIER(v.getImageY(v.hauteur - 1).hauteur == v.profondeur);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    const std::string modele = premiereTranche();
    const std::vector<unsigned char>& reference = premiereCoupe();
    const std::string seul = fuzz::viderSousDossier("seul");
    const std::string fichier = fuzz::ecrire("seul/b.png", data, taille);

    BTCImageObject objet;
    const bool decodee = objet.Load(fichier.c_str(), nullptr, nullptr, 2);
    long largeur = 0, hauteur = 0;
    if (decodee) {
        largeur = objet.GetObjectDataPtr()->GetWidth();
        hauteur = objet.GetObjectDataPtr()->GetHeight();
    }
    // Volumes of pictures this large are not interesting here and only slow the run.
    if (largeur * hauteur > (1L << 20))
        return 0;

    {
        MessagesCompteur messages;
        CImageTroisD volume(fuzz::dossier(), seul, nullptr, &messages);
        verifierVolume(volume);
        if (decodee) {
            FUZZ_VERIFIER(volume.largeur == largeur && volume.hauteur == hauteur &&
                          volume.profondeur == 1);
            FUZZ_VERIFIER(messages.nombre == 0);
        } else {
            FUZZ_VERIFIER(messages.nombre > 0);
        }
        parcourir(volume);
    }

    const std::string mixte = fuzz::viderSousDossier("mixte");
    const std::string segmentation = fuzz::viderSousDossier("segmentation");
    std::filesystem::copy_file(modele, mixte + "/a.bmp");
    fuzz::ecrire("mixte/b.bmp", data, taille);
    fuzz::ecrire("segmentation/s.bmp", data, taille);
    MessagesCompteur messages;
    CImageTroisD volume(fuzz::dossier(), mixte, nullptr, &messages);
    verifierVolume(volume);
    FUZZ_VERIFIER(volume.largeur == 5 && volume.hauteur == 3 && volume.profondeur == 2);
    // The first slice is never lost, whatever the second file holds.
    for (int i = 0; i < 15; ++i)
        FUZZ_VERIFIER(volume.image[i] == reference[i]);
    const bool segmentee = volume.ChargerSeg(segmentation, nullptr);
    FUZZ_VERIFIER(!segmentee || volume.imageSegmente);
    for (int i = 0; i < 15; ++i)
        FUZZ_VERIFIER(volume.image[i] == reference[i]);
    parcourir(volume);
    return 0;
}
