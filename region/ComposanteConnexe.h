#pragma once

#include <cstdint>

class Cvecto;

// Per-component record of the compactness measure.
struct CStatCC {
    int32_t volume = 0;     // number of voxels
    int32_t surface = 0;    // voxels on the volume's outer layer or next to an unlabelled voxel
    float compacite = 0.0f; // surface^2 / (4 pi volume), 0 for components of 4 voxels or fewer
};

// 26-connected components of the voxels of one value in a small byte volume, and
// their shape statistics. Voxel (x, y, z) is element (z * hauteur + y) * largeur + x.
// Order of use: constructor, ComputeCC1, computeCompacite, copieParametres.
class ComposanteConnexe {
public:
    // Copies the largeur * hauteur * profondeur bytes of img (the caller keeps img).
    ComposanteConnexe(const unsigned char* img, int largeur, int hauteur, int profondeur);
    ~ComposanteConnexe();
    ComposanteConnexe(const ComposanteConnexe&) = delete;
    ComposanteConnexe& operator=(const ComposanteConnexe&) = delete;

    // Two-pass labelling of the voxels of value WorB; other voxels keep label 0.
    // Labels are provisional values (with gaps) shared by every voxel of a component.
    void ComputeCC1(unsigned char WorB);

    // Adds to listeVois (room for 13) the distinct non-zero labels of the 13 neighbours
    // of (x, y, z) already visited in buffer order, incrementing nbVois for each one.
    void NumeroVoisinnageAlle1(int x, int y, int z, int& nbVois, int32_t* listeVois) const;

    // Smallest of the first nbVois labels; 2147483647 when nbVois is 0.
    static int32_t etiquetteMin(int nbVois, const int32_t* listeVois);

    // -1 when the whole 3x3x3 block around (x, y, z) lies inside the volume and is
    // labelled, 0 otherwise (the voxel is then a surface voxel).
    int32_t CheckVoisin(int x, int y, int z) const;

    // Fills statsCC (components numbered 1 .. nbCC by first appearance in an x-outermost,
    // z-innermost scan) and the three statistics. Must follow ComputeCC1.
    void computeCompacite();

    // Copies nbCC, moyCompCC, varCompCC and moyAireCC into v, in that order.
    void copieParametres(Cvecto& v) const;

    int32_t getNbCC() const { return nbCC; }
    float getMoyCompCC() const { return moyCompCC; }
    float getVarCompCC() const { return varCompCC; }
    float getMoyAireCC() const { return moyAireCC; }
    int32_t getEtiquette(int x, int y, int z) const { return etiquettes[indice(x, y, z)]; }
    // Record of component k, 1 <= k <= nbCC; valid after computeCompacite.
    const CStatCC& getStat(int k) const { return statsCC[k]; }
    int getLargeur() const { return largeur; }
    int getHauteur() const { return hauteur; }
    int getProfondeur() const { return profondeur; }

private:
    int64_t indice(int x, int y, int z) const {
        return (static_cast<int64_t>(z) * hauteur + y) * largeur + x;
    }
    int64_t taille() const { return static_cast<int64_t>(largeur) * hauteur * profondeur; }
    // Representative of label e's class; compresses the chain on the way.
    int32_t racine(int32_t e);

    unsigned char* image = nullptr;
    int32_t* etiquettes = nullptr;
    int32_t nbCC = 0;
    float moyCompCC = 0.0f;
    float varCompCC = 0.0f;
    float moyAireCC = 0.0f;
    int32_t largeur = 0;
    int32_t hauteur = 0;
    int32_t profondeur = 0;
    // Union-find over provisional labels: equivalences[e] <= e, and equivalences[r] == r
    // exactly for representatives, so every chain descends to its representative.
    // Entries 1 .. N (a volume of N voxels issues at most N labels).
    int32_t* equivalences = nullptr;
    CStatCC* statsCC = nullptr;
};
