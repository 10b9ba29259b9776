#include <chrono>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/CPoint3D.h"
#include "core/Message.h"
#include "extraction/Croissance.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CRegion3D.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"

namespace Stravol {

namespace {

using Horloge = std::chrono::steady_clock;

double secondes(Horloge::time_point debut, Horloge::time_point fin) {
    return std::chrono::duration<double>(fin - debut).count();
}

} // namespace

void CImageTroisD::CroissanceDeRegion(int x, int y, int z, int nbLissages) {
    bilanExtraction = BilanExtraction();
    const auto echouer = [this](const std::string& texte) {
        bilanExtraction.erreur = texte;
        signaler(texte);
    };
    const int W = largeur, H = hauteur, D = profondeur;
    if (!image || W <= 0 || H <= 0 || D <= 0 || x < 0 || x >= W || y < 0 || y >= H || z < 0 ||
        z >= D) {
        echouer("Le germe est hors du volume : aucune extraction.");
        return;
    }
    try {
        extraire(x, y, z, nbLissages);
    } catch (const std::bad_alloc&) {
        // Everything made so far is released on the way out; the previous mesh stays.
        bilanExtraction = BilanExtraction();
        echouer("Mémoire insuffisante pour extraire l'objet d'un volume de " + std::to_string(W) +
                " x " + std::to_string(H) + " x " + std::to_string(D) +
                " voxels : aucune extraction.");
    }
}

void CImageTroisD::extraire(int x, int y, int z, int nbLissages) {
    const int W = largeur, H = hauteur, D = profondeur;
    const std::size_t nb = static_cast<std::size_t>(W) * H * D;
    const Horloge::time_point t0 = Horloge::now();

    // Growth and binarisation run in a working copy of image rather than in image itself:
    // the binary volume is the same (grown voxels plus those that already held 255), and
    // image keeps the volume of the current display mode, so that a later extraction works
    // on what is displayed.
    const unsigned char valeur = image[(static_cast<std::size_t>(z) * H + y) * W + x];
    std::vector<unsigned char> travail(image.get(), image.get() + nb), marques;
    if (valeur == 255)
        marques.assign(nb, 0);
    bilanExtraction.valeurGerme = valeur;
    bilanExtraction.nbVoxelsCroissance =
        croissance26(travail.data(), valeur == 255 ? marques.data() : nullptr, W, H, D, x, y, z);
    std::vector<unsigned char>().swap(marques);
    const Horloge::time_point t1 = Horloge::now();

    CImage3D volume;
    CRegion3D region;
    if (!volume.Create(W, H, D))
        throw std::bad_alloc();
    for (int zz = 0; zz < D; ++zz)
        for (int yy = 0; yy < H; ++yy) {
            const unsigned char* source =
                travail.data() + (static_cast<std::size_t>(zz) * H + yy) * W;
            unsigned char* ligne = volume.GetRow(yy, zz);
            for (int xx = 0; xx < W; ++xx)
                ligne[xx] = source[xx] == 255 ? 255 : 0;
        }
    std::vector<unsigned char>().swap(travail);

    CRegion3D::initialiserVoisinages();
    CPoint3D::depth = static_cast<float>(D);
    CPoint3D::height = static_cast<float>(H);
    CPoint3D::width = static_cast<float>(W);
    CPoint3D::maxdim = static_cast<float>(W > H ? (W > D ? W : D) : (H > D ? H : D));

    if (!region.creerRegionImage3D(volume))
        throw std::bad_alloc();
    bilanExtraction.nbVoxelsRegion = region.nbVoxels;
    const Horloge::time_point t2 = Horloge::now();
    region.reparerTopologie();
    bilanExtraction.nbVoxelsRepares = region.nbVoxels;
    const Horloge::time_point t3 = Horloge::now();

    // The new mesh is built aside and replaces the previous one only once it is whole, so
    // that memory running out on the way keeps the previous one; an exception thrown while
    // building releases the new one on the way out.
    auto nouveau = std::make_shared<CMaillageTriangleChRegion>();
    nouveau->creerMaillageTriangleChRegion2(region, 1);
    const Horloge::time_point t4 = Horloge::now();
    nouveau->lisserCourbureTaubin(nbLissages);
    const Horloge::time_point t5 = Horloge::now();
    nouveau->calculerNormales();
    nouveau->calculerNormalesSommets();
    const Horloge::time_point t6 = Horloge::now();
    maillage = std::move(nouveau);

    bilanExtraction.effectuee = true;
    bilanExtraction.tempsCroissance = secondes(t0, t1);
    bilanExtraction.tempsRegion = secondes(t1, t2);
    bilanExtraction.tempsReparation = secondes(t2, t3);
    bilanExtraction.tempsMaillage = secondes(t3, t4);
    bilanExtraction.tempsLissage = secondes(t4, t5);
    bilanExtraction.tempsNormales = secondes(t5, t6);
}

} // namespace Stravol
