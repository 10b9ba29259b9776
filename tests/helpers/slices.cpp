#include "helpers/slices.h"

#include <stb/stb_image_write.h>

#include <atomic>
#include <fstream>
#include <random>

DossierTemporaire::DossierTemporaire() {
  static std::atomic<int> compteur{0};
  std::random_device alea;
  const auto base = std::filesystem::temp_directory_path();
  do {
    chemin_ = (base / ("stravol-" + std::to_string(alea()) + "-" + std::to_string(compteur++))).string();
  } while (!std::filesystem::create_directory(chemin_));
}

DossierTemporaire::~DossierTemporaire() {
  std::error_code ec;
  std::filesystem::remove_all(chemin_, ec);
}

std::string DossierTemporaire::sousDossier(const std::string& nom) const {
  const std::string dossier = chemin_ + "/" + nom;
  std::filesystem::create_directories(dossier);
  return dossier;
}

void PixelsRGB::fixer(int x, int y, unsigned char r, unsigned char g, unsigned char b) {
  unsigned char* p = octets.data() + 3 * (static_cast<std::size_t>(y) * largeur + x);
  p[0] = r;
  p[1] = g;
  p[2] = b;
}

void PixelsRGB::remplir(unsigned char r, unsigned char g, unsigned char b) {
  for (int y = 0; y < hauteur; ++y)
    for (int x = 0; x < largeur; ++x) fixer(x, y, r, g, b);
}

PixelsRGB imageUnie(int largeur, int hauteur, unsigned char v) {
  PixelsRGB image(largeur, hauteur);
  image.remplir(v, v, v);
  return image;
}

bool ecrireBMP(const std::string& fichier, const PixelsRGB& image) {
  return stbi_write_bmp(fichier.c_str(), image.largeur, image.hauteur, 3, image.octets.data()) != 0;
}

bool ecrirePNG(const std::string& fichier, const PixelsRGB& image) {
  return stbi_write_png(fichier.c_str(), image.largeur, image.hauteur, 3, image.octets.data(),
                        3 * image.largeur) != 0;
}

bool ecrireJPG(const std::string& fichier, const PixelsRGB& image) {
  return stbi_write_jpg(fichier.c_str(), image.largeur, image.hauteur, 3, image.octets.data(), 100) != 0;
}

void ecrireTexte(const std::string& fichier, const std::string& texte) {
  std::ofstream(fichier, std::ios::binary) << texte;
}

int MessagesCollectes::commencantPar(const std::string& debut) const {
  int n = 0;
  for (const std::string& t : textes)
    if (t.rfind(debut, 0) == 0) ++n;
  return n;
}
