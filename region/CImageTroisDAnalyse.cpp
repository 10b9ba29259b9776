// Direction analysis members of the loaded volume: the analysis cube driver, the
// connected-component features of the binarised volume and the rose of directions.

#include "volume/CImageTroisD.h"

#include "core/Configuration.h"
#include "core/Message.h"
#include "region/AnalyseDirection.h"
#include "region/ComposanteConnexe.h"
#include "region/Cvecto.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace Stravol {

namespace {

// Folder of the configuration and results files: the start directory, or the current
// directory for a volume built without one.
std::string dossierDepart(const std::string& chemin) {
    return chemin.empty() ? std::string(".") : chemin;
}

// Origin and sizes of a block, voxel coordinates; the block lies inside a volume of the
// given sizes when debut >= 0, dim > 0 and debut + dim <= taille (strictly below when
// strict is set).
bool blocDansVolume(int debut, int dim, int taille, bool strict) {
    if (debut < 0 || dim <= 0)
        return false;
    const int64_t fin = static_cast<int64_t>(debut) + dim;
    return strict ? fin < taille : fin <= taille;
}

// Copies a block of a volume buffer (x fastest) into a new buffer.
std::vector<unsigned char> copierBloc(const unsigned char* source, int largeur, int hauteur,
                                      int debutX, int debutY, int debutZ, int dimX, int dimY,
                                      int dimZ) {
    std::vector<unsigned char> bloc(static_cast<size_t>(dimX) * dimY * dimZ);
    size_t i = 0;
    for (int z = 0; z < dimZ; ++z)
        for (int y = 0; y < dimY; ++y) {
            const size_t depart = (static_cast<size_t>(debutZ + z) * hauteur + (debutY + y)) *
                                      static_cast<size_t>(largeur) +
                                  debutX;
            for (int x = 0; x < dimX; ++x)
                bloc[i++] = source[depart + x];
        }
    return bloc;
}

} // namespace

void CImageTroisD::AnalyseCube(int sizeCube, float tCubeX, float tCubeY, float tCubeZ) {
    if (sizeCube <= 2 || !image)
        return;
    auto dansScene = [](float t) { return std::isfinite(t) && t >= -1.0f && t <= 1.0f; };
    if (!dansScene(tCubeX) || !dansScene(tCubeY) || !dansScene(tCubeZ)) {
        Message("Analyse de direction : position du cube hors de la scène");
        return;
    }
    // Scene coordinates -1 .. 1 to voxels; the scene's y axis points up the picture rows.
    const int x0 = static_cast<int>((tCubeX + 1.0) * (largeur / 2));
    const int y0 = static_cast<int>((1.0 - tCubeY) * (hauteur / 2));
    const int z0 = static_cast<int>((tCubeZ + 1.0) * (profondeur / 2));
    const int64_t sx = static_cast<int64_t>(largeur) * sizeCube / 256;
    const int64_t sy = static_cast<int64_t>(hauteur) * sizeCube / 256;
    const int64_t sz = static_cast<int64_t>(profondeur) * sizeCube / 256;
    if (sx > largeur || sy > hauteur || sz > profondeur)
        return;

    // The view's parameters share identifiers 1 and 2 with the volume's.
    ParametresConfigVue vue;
    vue.ParamDistanceHara = ParamDistanceHara;
    vue.ParamQuantificationHara = ParamQuantificationHara;
    if (::LireConfig(dossierDepart(chemin), tableConfigVue(vue))) {
        ParamDistanceHara = vue.ParamDistanceHara;
        ParamQuantificationHara = vue.ParamQuantificationHara;
    }

    const int dx = static_cast<int>(sx), dy = static_cast<int>(sy), dz = static_cast<int>(sz);
    CalculeFeatureCC(x0, y0, z0, dx, dy, dz);
    calculeFeatureWavelet(x0, y0, z0, dx, dy, dz);
    // The autocorrelation centres its zero shift only for even sizes.
    runRose2(x0, y0, z0, dx - dx % 2, dy - dy % 2, dz - dz % 2);
}

void CImageTroisD::runRose2(int debutX, int debutY, int debutZ, int dimX, int dimY, int dimZ) {
    if (!image || !blocDansVolume(debutX, dimX, largeur, true) ||
        !blocDansVolume(debutY, dimY, hauteur, true) ||
        !blocDansVolume(debutZ, dimZ, profondeur, true))
        return;
    std::vector<unsigned char> bloc =
        copierBloc(image.get(), largeur, hauteur, debutX, debutY, debutZ, dimX, dimY, dimZ);
    Autocorrelation(bloc.data(), dimX, dimY, dimZ);
    ComputeRose(bloc.data(), dimX, dimY, dimZ);
    CalculeIndColor();
    CalculeCaracRose();
}

void CImageTroisD::CalculeFeatureCC(int debutX, int debutY, int debutZ, int dimX, int dimY,
                                    int dimZ) {
    if (!imageNiBlack || !blocDansVolume(debutX, dimX, largeur, false) ||
        !blocDansVolume(debutY, dimY, hauteur, false) ||
        !blocDansVolume(debutZ, dimZ, profondeur, false))
        return;
    const std::vector<unsigned char> bloc =
        copierBloc(imageNiBlack.get(), largeur, hauteur, debutX, debutY, debutZ, dimX, dimY, dimZ);
    compCC = std::make_shared<ComposanteConnexe>(bloc.data(), dimX, dimY, dimZ);
    compCC->ComputeCC1(0);
    compCC->computeCompacite();
    if (!caracterisation)
        caracterisation = std::make_shared<Cvecto>();
    compCC->copieParametres(*caracterisation);
}

void CImageTroisD::calculeFeatureWavelet(int, int, int, int, int, int) {
    // No wavelet decomposition is ever created (`wavelet` stays null), so there are no
    // roughness features to compute.
}

void CImageTroisD::Autocorrelation(unsigned char* buffer, int dimLarg, int dimHaut, int dimProf) {
    if (!autocorrelationBloc(buffer, dimLarg, dimHaut, dimProf))
        Message("Autocorrélation : tampons de la transformée de Fourier indisponibles");
}

void CImageTroisD::ComputeRose(const unsigned char* buffer, int dimLarg, int dimHaut, int dimProf) {
    calculerRose(buffer, dimLarg, dimHaut, dimProf, rose);
    direction = directionsReference();
}

int CImageTroisD::SumAngle(int theta, int gamma) const { return sommeAngle(rose, theta, gamma); }

void CImageTroisD::CalculeIndColor() {
    const std::array<int, kNbDirections> ind = calculerIndColor(rose, direction);
    for (int k = 0; k < kNbDirections; ++k)
        indColor[k] = ind[k];
}

void CImageTroisD::CalculeCaracRose() {
    if (rose.size() < 180 || direction.size() < kNbDirections)
        return;
    const CaracteristiquesRose c = calculerCaracRose(rose, direction);
    for (int k = 0; k < kNbDirections; ++k)
        tabdir[k] = c.tabdir[k];
    MoyRose = c.MoyRose;
    DirMaxRose = c.DirMaxRose;
    valMaxRose = c.valMaxRose;
    CoeffDirection = c.CoeffDirection;

    const std::string fichier = dossierDepart(chemin) + "/RoseValue.res";
    const std::string ligne = ligneResultatsRose(c);
    std::FILE* f = std::fopen(fichier.c_str(), "a");
    if (f == nullptr) {
        Message(("Impossible d'ouvrir le fichier de résultats " + fichier).c_str());
        return;
    }
    const bool ecrit = std::fputs(ligne.c_str(), f) >= 0;
    if (std::fclose(f) != 0 || !ecrit)
        Message(("Impossible d'écrire dans le fichier de résultats " + fichier).c_str());
}

} // namespace Stravol
