// Any bytes as a slice file of the loaded volume: read alone, after a first slice of another
// size, and as a segmentation slice. Nothing already loaded may be lost.

#include <string>
#include <vector>

#include "DossierFuzz.h"
#include "core/Parallele.h"
#include "volume/BTCImageObject.h"
#include "volume/CImageTroisD.h"

namespace {

class MessagesCompteur : public MessageSink {
public:
    void afficher(const std::string&) override { ++nombre; }
    int nombre = 0;
};

// The folders the input is read in, made once. Their input files are hard links to one
// file, so that each input is written once: seul/b.png alone, mixte/b.bmp after a 5 x 3 grey
// slice a.bmp, and segmentation/s.bmp.
struct Dossiers {
    std::string entree, seul, mixte, segmentation;
    std::vector<unsigned char> reference; // slice a.bmp as the loader reads it alone
};

const Dossiers& dossiers() {
    static const Dossiers d = [] {
        Dossiers r;
        BTCImageData image;
        FUZZ_VERIFIER(image.Create(5, 3, 8));
        for (long y = 0; y < 3; ++y)
            for (long x = 0; x < 5; ++x)
                *image.GetBits(x, y) = static_cast<unsigned char>(40 * x + y);
        const std::string modele = fuzz::viderSousDossier("modele");
        BTCImageObject objet;
        FUZZ_VERIFIER(objet.Attach(image) &&
                      objet.Save((modele + "/a.bmp").c_str(), BTCImageObject::kFormatBMP));
        CImageTroisD seul(fuzz::dossier(), modele, nullptr, nullptr);
        FUZZ_VERIFIER(seul.largeur == 5 && seul.hauteur == 3 && seul.profondeur == 1);
        r.reference.assign(seul.image.get(), seul.image.get() + 15);

        r.entree = fuzz::ecrire("entree", nullptr, 0);
        r.seul = fuzz::viderSousDossier("seul");
        r.mixte = fuzz::viderSousDossier("mixte");
        r.segmentation = fuzz::viderSousDossier("segmentation");
        std::filesystem::copy_file(modele + "/a.bmp", r.mixte + "/a.bmp");
        for (const std::string& lien :
             {r.seul + "/b.png", r.mixte + "/b.bmp", r.segmentation + "/s.bmp"})
            std::filesystem::create_hard_link(r.entree, lien);
        return r;
    }();
    return d;
}

// The volume's invariant: three positive sizes with a voxel buffer, or nothing at all.
void verifierVolume(const CImageTroisD& v) {
    const bool plein =
        v.largeur > 0 && v.hauteur > 0 && v.profondeur > 0 && v.image && v.volumeOriginal();
    const bool vide = v.largeur == 0 && v.hauteur == 0 && v.profondeur == 0 && !v.image;
    FUZZ_VERIFIER(plein || vide);
}

// Textures of mode `mode` and cut pictures of a small volume: every voxel buffer is read
// through. Each slice makes a texture of 256 x 256 pixels whatever its size: larger volumes
// only slow the run.
void parcourir(CImageTroisD& v, Stravol::ModeAffichage mode) {
    if (static_cast<long>(v.largeur) + v.hauteur + v.profondeur > 16)
        return;
    v.AllouerTexture();
    v.preparationTexture(nullptr, mode);
    FUZZ_VERIFIER(v.getImageZ(0).largeur == v.largeur && v.getImageZ(0).hauteur == v.hauteur);
    FUZZ_VERIFIER(v.getImageX(0).largeur == v.profondeur);
    FUZZ_VERIFIER(v.getImageY(v.hauteur - 1).hauteur == v.profondeur);
}

} // namespace

// The loader's parallel stages run on the calling thread: no team of threads spins between
// inputs.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Stravol::definirNbThreads(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    const Dossiers& d = dossiers();
    fuzz::ecrire("entree", data, taille);

    BTCImageObject objet;
    const bool decodee = objet.Load(d.entree.c_str(), nullptr, nullptr, 2);
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
        CImageTroisD volume(fuzz::dossier(), d.seul, nullptr, &messages);
        verifierVolume(volume);
        if (decodee) {
            FUZZ_VERIFIER(volume.largeur == largeur && volume.hauteur == hauteur &&
                          volume.profondeur == 1);
            FUZZ_VERIFIER(messages.nombre == 0);
        } else {
            FUZZ_VERIFIER(messages.nombre > 0);
        }
        parcourir(volume, Stravol::ModeAffichage::Normale);
    }

    MessagesCompteur messages;
    CImageTroisD volume(fuzz::dossier(), d.mixte, nullptr, &messages);
    verifierVolume(volume);
    FUZZ_VERIFIER(volume.largeur == 5 && volume.hauteur == 3 && volume.profondeur == 2);
    // The first slice is never lost, whatever the second file holds.
    for (int i = 0; i < 15; ++i)
        FUZZ_VERIFIER(volume.image[i] == d.reference[i]);
    const bool segmentee = volume.ChargerSeg(d.segmentation, nullptr);
    FUZZ_VERIFIER(!segmentee || volume.imageSegmente);
    for (int i = 0; i < 15; ++i)
        FUZZ_VERIFIER(volume.image[i] == d.reference[i]);
    // The segmented mode reads the labels; the grey one was read above.
    if (segmentee)
        parcourir(volume, Stravol::ModeAffichage::Segmentee);
    return 0;
}
