#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "core/CPoint3D.h"
#include "core/Message.h"
#include "extraction/Croissance.h"
#include "extraction/Pipeline.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CRegion3D.h"
#include "volume/CImageTroisD.h"

namespace Stravol {

namespace {

using Horloge = std::chrono::steady_clock;

double secondes(Horloge::time_point debut, Horloge::time_point fin) {
    return std::chrono::duration<double>(fin - debut).count();
}

} // namespace

void noterEtapes(const EtapesMaillage& etapes, BilanExtraction& bilan) {
    bilan.nbVoxelsRepares = etapes.nbVoxelsRepares;
    bilan.tempsReparation = etapes.tempsReparation;
    bilan.tempsMaillage = etapes.tempsMaillage;
    bilan.tempsLissage = etapes.tempsLissage;
    bilan.tempsNormales = etapes.tempsNormales;
}

void CImageTroisD::CroissanceDeRegion(int x, int y, int z, int nbLissages) {
    OptionsExtraction options;
    options.nbLissages = nbLissages;
    CroissanceDeRegion(x, y, z, options);
}

void CImageTroisD::CroissanceDeRegion(int x, int y, int z, const OptionsExtraction& options) {
    extraireRegion(x, y, z, options, [this, &options](CRegion3D& region, BilanExtraction& bilan) {
        // The new mesh is built aside and replaces the previous one only once it is whole, so
        // that memory running out on the way keeps the previous one.
        EtapesMaillage etapes;
        maillage = maillerRegion(region, options, etapes);
        noterEtapes(etapes, bilan);
    });
}

bool CImageTroisD::extraireRegion(int x, int y, int z, const OptionsExtraction& options,
                                  const MaillageRegion& mailler) {
    bilanExtraction = BilanExtraction();
    const auto echouer = [this](const std::string& texte) {
        bilanExtraction.erreur = texte;
        signaler(texte);
    };
    const int W = largeur, H = hauteur, D = profondeur;
    if (!image || W <= 0 || H <= 0 || D <= 0 || x < 0 || x >= W || y < 0 || y >= H || z < 0 ||
        z >= D) {
        echouer("Le germe est hors du volume : aucune extraction.");
        return false;
    }
    try {
        extraire(x, y, z, options, mailler);
    } catch (const std::bad_alloc&) {
        // Everything made so far is released on the way out; the previous mesh stays.
        bilanExtraction = BilanExtraction();
        echouer("Mémoire insuffisante pour extraire l'objet d'un volume de " + std::to_string(W) +
                " x " + std::to_string(H) + " x " + std::to_string(D) +
                " voxels : aucune extraction.");
        return false;
    }
    return true;
}

void CImageTroisD::extraire(int x, int y, int z, const OptionsExtraction& options,
                            const MaillageRegion& mailler) {
    const int W = largeur, H = hauteur, D = profondeur;
    const std::size_t nb = static_cast<std::size_t>(W) * H * D;
    const Horloge::time_point t0 = Horloge::now();

    // The growth only reads image (which keeps the volume of the current display mode, so that
    // a later extraction works on what is displayed) and marks the voxels it reaches in a
    // zeroed byte volume whose pages the system maps only when first written: the marks cost
    // memory around the object only. The binary volume of the region is then the marked voxels
    // plus those that already held 255, read straight from image and the marks.
    MarquesVoxels marques = marquesVides(nb);
    if (!marques)
        throw std::bad_alloc();
    const std::size_t indiceGerme = (static_cast<std::size_t>(z) * H + y) * W + x;
    // Labels above 255 have no grey level of their own: in the segmented mode the growth runs
    // on the labels themselves, at the seed's label exactly, and no voxel counts as full.
    const bool parEtiquette =
        modeCourant == ModeAffichage::Segmentee && etiquetteMax > 255 && etiquettes.size() == nb;
    // In the segmented mode the seed's value is its label as the file gives it.
    bilanExtraction.valeurGerme = modeCourant == ModeAffichage::Segmentee && etiquettes.size() == nb
                                      ? valeurEtiquette(etiquettes[indiceGerme])
                                      : image[indiceGerme];
    BoiteVoxels boite{};
    // Labels grow exactly; grey levels within the tolerance asked.
    const int tolerance = parEtiquette ? 0 : options.tolerance;
    bilanExtraction.nbVoxelsCroissance =
        parEtiquette
            ? croissance26Etiquettes(etiquettes.data(), marques.get(), W, H, D, x, y, z, boite)
            : croissance26Marques(image.get(), marques.get(), W, H, D, x, y, z, boite, tolerance);
    const Horloge::time_point t1 = Horloge::now();

    CRegion3D region;
    CRegion3D::initialiserVoisinages();
    // The scene frame of the drawing and of the evolution follows the volume extracted from.
    CPoint3D::definirScene(W, H, D);

    // The region takes the marked voxels and the voxels of 255 of the volume grown; with a
    // tolerance, or on labels, the marked voxels alone.
    const unsigned char* pleins = tolerance > 0 || parEtiquette ? nullptr : image.get();
    CCouple<int> boiteX(boite.x0, boite.x1), boiteY(boite.y0, boite.y1), boiteZ(boite.z0, boite.z1);
    if (options.libererVoxels) {
        // The full voxels join the marks, so that the volume's memory goes before the region
        // takes its own.
        if (pleins != nullptr)
            joindrePleinsAuxMarques(pleins, marques.get(), W, H, D, boiteX, boiteY, boiteZ);
        pleins = nullptr;
        reinitialiserTaille();
    }
    if (!region.creerRegionBinaire(pleins, marques.get(), W, H, D, boiteX, boiteY, boiteZ))
        throw std::bad_alloc();
    marques.reset();
    bilanExtraction.nbVoxelsRegion = region.nbVoxels;
    const Horloge::time_point t2 = Horloge::now();

    mailler(region, bilanExtraction);
    bilanExtraction.effectuee = true;
    bilanExtraction.tempsCroissance = secondes(t0, t1);
    bilanExtraction.tempsRegion = secondes(t1, t2);
}

} // namespace Stravol
