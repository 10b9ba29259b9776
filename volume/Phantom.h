#pragma once
// Synthetic test volumes: labelled shapes with a matching grey (or colour) picture.

#include <string>
#include <vector>

struct OptionsFantome {
    int largeur = 128;
    int hauteur = 128;
    int profondeur = 64;
    unsigned graine = 1;  // noise seed
    bool couleur = false; // colour slices in the volume folder
    int rayonBoule = 0;   // > 0: a single centred ball of this radius (voxels)
};

// Volumes in the layout of the loaded volume: voxel (x, y, z) at (z * hauteur + y) *
// largeur + x, y = 0 being the top row of a slice picture.
struct Fantome {
    int largeur = 0;
    int hauteur = 0;
    int profondeur = 0;
    std::vector<unsigned char> labels; // 0 = background, else the shape's label
    std::vector<unsigned char>
        gris; // grey picture: shapes brighter than the background, plus noise
    std::vector<unsigned char> rouge, vert,
        bleu; // colour picture, only with OptionsFantome::couleur
};

// Labels of the standard phantom: a ball, a torus, two boxes touching only along an
// edge, two boxes touching only at a corner, and a thin tube (each pair shares a label).
constexpr unsigned char kLabelBoule = 200;
constexpr unsigned char kLabelTore = 160;
constexpr unsigned char kLabelBoitesArete = 120;
constexpr unsigned char kLabelBoitesCoin = 80;
constexpr unsigned char kLabelTube = 240;

// The grey conversion of the slice loader: (int)(0.587 G + 0.299 R + 0.114 B) in double.
unsigned char niveauGrisFantome(unsigned char r, unsigned char g, unsigned char b);

// A colour that the grey conversion maps back to exactly `label` ((L, L, L) when that
// works; floating point truncates some of those to L - 1).
void couleurLabel(unsigned char label, unsigned char& r, unsigned char& g, unsigned char& b);

// Builds the phantom; false (with a message in erreur) for sizes under 8 or over 2048
// per side or a ball radius below 0.
bool creerFantome(const OptionsFantome& options, Fantome& fantome, std::string& erreur);

// Writes dossier/1-volume/slice_ZZZZ.bmp (grey or colour) and
// dossier/2-segmentation/slice_ZZZZ.bmp (labels as colours of couleurLabel), all 24-bit
// BMP, creating the folders. False with a message when a folder or file cannot be written.
bool ecrireFantome(const Fantome& fantome, const std::string& dossier, std::string& erreur);
