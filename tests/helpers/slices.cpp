#include "helpers/slices.h"

#include <stb/stb_image_write.h>

#include <gtest/gtest.h>

#include "volume/Phantom.h"

#include <filesystem>
#include <fstream>

std::string sousDossier(const DossierTemporaire& dossier, const std::string& nom) {
    const std::string chemin = dossier / nom;
    std::filesystem::create_directories(chemin);
    return chemin;
}

void PixelsRGB::fixer(int x, int y, unsigned char r, unsigned char g, unsigned char b) {
    unsigned char* p = octets.data() + 3 * (static_cast<std::size_t>(y) * largeur + x);
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

void PixelsRGB::remplir(unsigned char r, unsigned char g, unsigned char b) {
    for (int y = 0; y < hauteur; ++y)
        for (int x = 0; x < largeur; ++x)
            fixer(x, y, r, g, b);
}

PixelsRGB imageUnie(int largeur, int hauteur, unsigned char v) {
    PixelsRGB image(largeur, hauteur);
    image.remplir(v, v, v);
    return image;
}

bool ecrireBMP(const std::string& fichier, const PixelsRGB& image) {
    return stbi_write_bmp(fichier.c_str(), image.largeur, image.hauteur, 3, image.octets.data()) !=
           0;
}

bool ecrirePNG(const std::string& fichier, const PixelsRGB& image) {
    return stbi_write_png(fichier.c_str(), image.largeur, image.hauteur, 3, image.octets.data(),
                          3 * image.largeur) != 0;
}

bool ecrireJPG(const std::string& fichier, const PixelsRGB& image) {
    return stbi_write_jpg(fichier.c_str(), image.largeur, image.hauteur, 3, image.octets.data(),
                          100) != 0;
}

void ecrireTexte(const std::string& fichier, const std::string& texte) {
    std::ofstream(fichier, std::ios::binary) << texte;
}

int MessagesCollectes::commencantPar(const std::string& debut) const {
    int n = 0;
    for (const std::string& t : textes)
        if (t.rfind(debut, 0) == 0)
            ++n;
    return n;
}

std::string fantomeEcrit(const DossierTemporaire& dossier, const std::string& nom, int l, int h,
                         int p) {
    OptionsFantome options;
    options.largeur = l;
    options.hauteur = h;
    options.profondeur = p;
    Fantome f;
    std::string erreur;
    if (!creerFantome(options, f, erreur) || !ecrireFantome(f, dossier / nom, erreur))
        ADD_FAILURE() << erreur;
    return dossier / nom;
}
