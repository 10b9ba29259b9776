#include "extraction/Pipeline.h"

#include <chrono>

#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/MaillageFacesPlat.h"
#include "region/CRegion3D.h"

namespace Stravol {

namespace {

using Horloge = std::chrono::steady_clock;

double secondes(Horloge::time_point debut, Horloge::time_point fin) {
    return std::chrono::duration<double>(fin - debut).count();
}

// The topology repair, timed, then the region's faces read off its grid, which is released.
FacesRegion reparerEtLireFaces(CRegion3D& region, EtapesMaillage& etapes) {
    const Horloge::time_point t0 = Horloge::now();
    region.reparerTopologie();
    etapes.nbVoxelsRepares = region.nbVoxels;
    etapes.tempsReparation = secondes(t0, Horloge::now());
    FacesRegion faces = facesAuBord(region);
    region.init(0, 0, 0);
    return faces;
}

} // namespace

std::unique_ptr<CMaillageTriangleChRegion>
maillerRegion(CRegion3D& region, const OptionsExtraction& options, EtapesMaillage& etapes) {
    const Horloge::time_point t1 = Horloge::now();
    const FacesRegion faces = reparerEtLireFaces(region, etapes);
    auto maillage = std::make_unique<CMaillageTriangleChRegion>();
    maillage->creerMaillageTriangleChRegion2(region, faces, 1);
    const Horloge::time_point t2 = Horloge::now();
    if (options.lissage == MethodeLissage::Contraint)
        maillage->lisserContraint(options.nbLissages);
    else
        maillage->lisserCourbureTaubin(options.nbLissages);
    const Horloge::time_point t3 = Horloge::now();
    maillage->calculerNormales();
    maillage->calculerNormalesSommets();
    const Horloge::time_point t4 = Horloge::now();

    // The faces are read in the mesh stage.
    etapes.tempsMaillage = secondes(t1, t2) - etapes.tempsReparation;
    etapes.tempsLissage = secondes(t2, t3);
    etapes.tempsNormales = secondes(t3, t4);
    return maillage;
}

MaillagePlat maillerRegionPlat(CRegion3D& region, const OptionsExtraction& options,
                               EtapesMaillage& etapes, int& irreguliers) {
    const Horloge::time_point t1 = Horloge::now();
    const FacesRegion faces = reparerEtLireFaces(region, etapes);
    BilanFacesPlat bilan;
    MaillagePlat m = maillerFacesPlat(region, faces, options.nbLissages, bilan);
    const Horloge::time_point t2 = Horloge::now();
    irreguliers = bilan.irreguliers;
    // The faces are read in the mesh stage, as maillerRegion counts them.
    etapes.tempsMaillage =
        secondes(t1, t2) - etapes.tempsReparation - bilan.tempsLissage - bilan.tempsNormales;
    etapes.tempsLissage = bilan.tempsLissage;
    etapes.tempsNormales = bilan.tempsNormales;
    return m;
}

} // namespace Stravol
