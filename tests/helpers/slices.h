#pragma once
// Slice pictures in temporary folders and collecting sinks, for the loaded volume's tests.

#include <filesystem>
#include <string>
#include <vector>

#include "core/Message.h"
#include "helpers/images.h"

// Creates (if needed) and returns the sub-folder nom of dossier.
std::string sousDossier(const DossierTemporaire& dossier, const std::string& nom);

// A picture of 3 bytes (red, green, blue) per pixel, rows packed, first row first.
struct PixelsRGB {
    int largeur = 0;
    int hauteur = 0;
    std::vector<unsigned char> octets;

    PixelsRGB(int l, int h)
        : largeur(l), hauteur(h), octets(3 * static_cast<std::size_t>(l) * h, 0) {}
    void fixer(int x, int y, unsigned char r, unsigned char g, unsigned char b);
    void remplir(unsigned char r, unsigned char g, unsigned char b);
};

// Writes the phantom of l x h x p voxels (default shapes) into the sub-folder nom of dossier
// and returns its path; a failure is reported as a test failure.
std::string fantomeEcrit(const DossierTemporaire& dossier, const std::string& nom, int l, int h,
                         int p);

// A uniform grey picture (v, v, v).
PixelsRGB imageUnie(int largeur, int hauteur, unsigned char v);

// Writers (24-bit BMP, PNG, JPEG at quality 100); false when the file cannot be written.
bool ecrireBMP(const std::string& fichier, const PixelsRGB& image);
bool ecrirePNG(const std::string& fichier, const PixelsRGB& image);
bool ecrireJPG(const std::string& fichier, const PixelsRGB& image);
void ecrireTexte(const std::string& fichier, const std::string& texte);

struct MessagesCollectes : MessageSink {
    std::vector<std::string> textes;
    void afficher(const std::string& texte) override { textes.push_back(texte); }
    // Number of collected messages that start with debut.
    int commencantPar(const std::string& debut) const;
};

struct ProgressionCollectee : ProgressSink {
    std::vector<int> maximums;
    std::vector<int> valeurs;
    void setMaximum(int maximum) override { maximums.push_back(maximum); }
    void setValue(int valeur) override { valeurs.push_back(valeur); }
};
