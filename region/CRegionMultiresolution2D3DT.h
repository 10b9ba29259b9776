#pragma once

#include "core/CMatrice.h"
#include "core/CVecteur.h"
#include "core/Chaine.h"
#include "core/Tuples.h"
#include "region/CDeformableModelBase.h"

class CImage3D;

// One cell of the model's voxel grid: 1 when the voxel is in the region, 0 otherwise.
struct CVoxelRegionMultiresolution2D3DT {
    unsigned char etat = 0;
};

// One reduced resolution of the voxel grid: voxel (x, y, z, t) of full resolution marks cell
// (x / facteur, y / facteur, z / facteur, t). Strides as those of the full grid.
struct CInfosRegionMultiresolution2D3DT {
    int facteur = 1;
    int largeur = 0;
    int hauteur = 0;
    int profondeur = 0;
    int nbTemps = 0;
    int pasY = 0;
    int pasZ = 0;
    int pasT = 0;
    CVecteur<unsigned char> voxels;
    // Full-resolution grid offsets of the facteur^3 voxels of one block.
    CVecteur<int> decalagesBloc;
};

// Deformable region model over an image sequence (x, y, z and a time index t, one volume per
// time step), grown by a grey-level homogeneity criterion. It keeps, for the whole region, per
// slice, per time step and per slice and time step, the bounding box, the 256-bin histogram,
// the mean, the standard deviation and the voxel count. Coordinates are voxel coordinates.
// Grid index of (x, y, z, t) = pasT*t + pasZ*z + pasY*y + x. Matrices marked [z][t] have
// profondeur rows and nbTemps columns.
// Growth of Evolve, as the "Mode croissance" parameter names it. The field keeps any integer
// the parameter interface sets; values beyond the named ones grow as Croissance3DT.
enum class ModeCroissance : int {
    Croissance2D = 0,  // each slice of each time step on its own (x, y)
    Croissance2DT = 1, // x, y and t
    Croissance3D = 2,  // x, y and z
    Croissance3DT = 3, // the model's four-dimensional neighbourhood
};

class CRegionMultiresolution2D3DT : public CDeformableModelBase {
public:
    static constexpr int NB_NIVEAUX_GRIS = 256;
    // Capacity of the list of voxels accepted by one growth iteration.
    static constexpr int CAPACITE_ACCEPTES = 1000000;

    CRegionMultiresolution2D3DT();
    CRegionMultiresolution2D3DT(const CRegionMultiresolution2D3DT&) = default;
    CRegionMultiresolution2D3DT& operator=(const CRegionMultiresolution2D3DT&) = default;
    ~CRegionMultiresolution2D3DT() = default;

    float GetParameterFloatValue(int index) override;
    int GetParameterIntValue(int index) override;
    bool GetParameterBoolValue(int index) override;
    int GetParameterEnumValue(int index) override;
    void SetParameterFloatValue(int index, float value) override;
    void SetParameterIntValue(int index, int value) override;
    void SetParameterBoolValue(int index, bool value) override;
    void SetParameterEnumValue(int index, int value) override;
    Chaine GetParameterFloatName(int index) override;
    Chaine GetParameterIntName(int index) override;
    Chaine GetParameterBoolName(int index) override;
    Chaine GetParameterEnumName(int index) override;
    CVecteur<Chaine> GetParameterEnumValueNames(int index) override;
    int GetParameterFloatNumber() override;
    int GetParameterIntNumber() override;
    int GetParameterBoolNumber() override;
    int GetParameterEnumNumber() override;
    // Runs the growth selected by modeCroissance.
    void Evolve(int nbiterations) override;

    // Sets the model up on one volume (one time step), with an empty region. The volume is
    // borrowed. False when the volume is empty or the voxel grid cannot be allocated.
    bool initialiserRegion(CImage3D* volume);
    // The same on a sequence of volumes of equal sizes, one per time step. False when the
    // sequence is empty, holds a null or empty volume, or the sizes differ.
    bool initialiserRegion(const CVecteur<CImage3D*>& sequence);

    // Grey level at (p.x, p.y, p.z) of images[p.t].
    unsigned char GetImageVoxel(const CQuadruplet<int>& p) const;
    // True when p lies in the grid and is in the region.
    bool contient(const CQuadruplet<int>& p) const;
    // Adds voxel p to the region; a voxel already in it, or outside the grid, changes nothing.
    void ajouter(const CQuadruplet<int>& p);

    // Mean and standard deviation of a 256-bin histogram; an empty one gives 0 and 1.
    static void calculerMoyenneEcarttypeHistogramme(const CVecteur<int>& histogramme,
                                                    float& moyenne, float& ecartType);

    // Per-slice statistics of slice z from the per-slice-and-time ones (every z without one).
    void MAJAttributs2DT(int z);
    void MAJAttributs2DT();
    // Per-time statistics of time step t from the per-slice-and-time ones (every t without one).
    void MAJAttributs3D(int t);
    void MAJAttributs3D();
    // Whole-region statistics from the per-time ones.
    void MAJAttributs4D();

    // Growth within slice z at time t, with the in-slice neighbourhood. Returns the number of
    // voxels added by the last productive iteration (0 when none).
    int grandir2D(int nbiterations, int z, int t);
    // Growth in four dimensions with the given neighbourhood. Returns as grandir2D.
    int grandir(const CVecteur<CQuadruplet<int>>& voisinage, int nbiterations);

    int pasT = 0;
    int pasZ = 0;
    int pasY = 0;
    CVecteur<CQuadruplet<int>> voisinage4D;
    CVecteur<int> decalages4D;
    CVecteur<CQuadruplet<int>> voisinage2D;
    CVecteur<int> decalages2D;
    CMatrice<CCouple<int>> minCoupe;
    CMatrice<CCouple<int>> maxCoupe;
    CMatrice<CVecteur<int>> histoCoupe;
    CMatrice<float> moyenneCoupe;
    CMatrice<float> ecartTypeCoupe;
    CMatrice<int> nbVoxelsCoupe;
    CVecteur<CTriplet<int>> minZ;
    CVecteur<CTriplet<int>> maxZ;
    CVecteur<CVecteur<int>> histoZ;
    CVecteur<float> moyenneZ;
    CVecteur<float> ecartTypeZ;
    CVecteur<int> nbVoxelsZ;
    CVecteur<CTriplet<int>> minT;
    CVecteur<CTriplet<int>> maxT;
    CVecteur<CVecteur<int>> histoT;
    CVecteur<float> moyenneT;
    CVecteur<float> ecartTypeT;
    CVecteur<int> nbVoxelsT;
    CQuadruplet<int> min4D;
    CQuadruplet<int> max4D;
    CVecteur<int> histo;
    float mu = 0.0f;
    float sigma = 1.0f;
    int nbVoxels = 0;
    int largeur = 0;
    int hauteur = 0;
    int profondeur = 0;
    int nbTemps = 0;
    CVecteur<CImage3D*> images;
    CVecteur<CVoxelRegionMultiresolution2D3DT> voxels;
    CVecteur<CInfosRegionMultiresolution2D3DT> niveaux;
    float coefficientHomogeneite = 0.5f;
    float tolerance = 0.0f;
    int seuilHaut = 255;
    int seuilBas = 128;
    ModeCroissance modeCroissance = ModeCroissance::Croissance2D;
    int critereCroissance = 0;
    unsigned char histogrammesActifs = 0;

    // Text of the last growth diagnostic, shared by all models.
    static char message[256];

private:
    // Shared by both initialiserRegion forms once images holds the sequence.
    bool preparer(int l, int h, int p, int nbT);
    // The growth criterion for grey level g, m and s being the reference mean and deviation.
    bool accepte(unsigned char g, float m, float s) const;
    void coordonnees(int indice, CQuadruplet<int>& p) const;
};
