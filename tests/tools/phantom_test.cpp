#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>

#include "helpers/images.h"
#include "volume/BTCImageObject.h"
#include "volume/Phantom.h"

namespace {

int lancer(const std::string& arguments) {
    const std::string commande =
        std::string(STRAVOL_TOOLS_DIR) + "/stravol-phantom " + arguments + " > /dev/null 2>&1";
    const int statut = std::system(commande.c_str());
    return WIFEXITED(statut) ? WEXITSTATUS(statut) : -1;
}

// The grey levels of one written slice, through the slice loader's grey conversion.
std::set<int> niveauxCoupe(const std::string& chemin, int& largeur, int& hauteur, int& bpp) {
    BTCImageObject fichier;
    std::set<int> niveaux;
    if (!fichier.Load(chemin.c_str(), nullptr, nullptr, 2))
        return niveaux;
    const BTCImageData& im = *fichier.GetObjectDataPtr();
    largeur = static_cast<int>(im.GetWidth());
    hauteur = static_cast<int>(im.GetHeight());
    bpp = im.GetBitsPerPixel();
    std::vector<unsigned char> ligne(static_cast<std::size_t>(3 * largeur));
    for (int y = 0; y < hauteur; ++y) {
        im.CopyRowBGR(y, ligne.data());
        for (int x = 0; x < largeur; ++x)
            niveaux.insert(niveauGrisFantome(ligne[3 * x + 2], ligne[3 * x + 1], ligne[3 * x]));
    }
    return niveaux;
}

} // namespace

TEST(Phantom, EveryLabelColourConvertsBackExactly) {
    for (int l = 0; l < 256; ++l) {
        unsigned char r, g, b;
        couleurLabel(static_cast<unsigned char>(l), r, g, b);
        ASSERT_EQ(niveauGrisFantome(r, g, b), l) << l;
    }
    // The truncation that makes the nudging necessary.
    EXPECT_EQ(niveauGrisFantome(128, 128, 128), 127);
}

TEST(Phantom, ShapesScaleAndCarryTheirLabels) {
    for (const auto& [w, h, d] :
         {std::tuple{128, 128, 64}, std::tuple{40, 30, 20}, std::tuple{8, 8, 8}}) {
        OptionsFantome options;
        options.largeur = w;
        options.hauteur = h;
        options.profondeur = d;
        Fantome f;
        std::string erreur;
        ASSERT_TRUE(creerFantome(options, f, erreur)) << erreur;
        ASSERT_EQ(f.labels.size(), std::size_t(w) * h * d);
        std::set<int> labels(f.labels.begin(), f.labels.end());
        if (w >= 40) {
            EXPECT_EQ(labels, (std::set<int>{0, kLabelBoule, kLabelTore, kLabelBoitesArete,
                                             kLabelBoitesCoin, kLabelTube}));
        }
        // The grey picture shows the shapes: brighter inside than the background on average.
        double dedans = 0, dehors = 0;
        std::size_t nd = 0;
        for (std::size_t i = 0; i < f.labels.size(); ++i)
            (f.labels[i] ? (++nd, dedans) : dehors) += f.gris[i];
        EXPECT_GT(dedans / nd, dehors / (f.labels.size() - nd) + 50);
    }
    // Boxes of one pair touch along an edge only: no voxel of one has a face neighbour
    // in the other, yet the two share an edge neighbour.
    OptionsFantome options;
    Fantome f;
    std::string erreur;
    ASSERT_TRUE(creerFantome(options, f, erreur));
    auto label = [&](int x, int y, int z) {
        return f.labels[(std::size_t(z) * f.hauteur + y) * f.largeur + x];
    };
    int faces = 0;
    for (int z = 1; z < f.profondeur - 1; ++z)
        for (int y = 1; y < f.hauteur - 1; ++y)
            for (int x = 1; x < f.largeur - 1; ++x)
                if (label(x, y, z) == kLabelBoitesArete || label(x, y, z) == kLabelBoitesCoin)
                    faces += (label(x + 1, y, z) == label(x, y, z)) +
                             (label(x, y + 1, z) == label(x, y, z)) +
                             (label(x, y, z + 1) == label(x, y, z));
    std::size_t n = 0;
    for (unsigned char l : f.labels)
        n += l == kLabelBoitesArete || l == kLabelBoitesCoin;
    const int a = static_cast<int>(std::cbrt(n / 4.0) + 0.5);
    EXPECT_EQ(std::size_t(4 * a * a * a), n);
    EXPECT_EQ(faces, 4 * 3 * a * a * (a - 1)); // four separate cubes' own face contacts only

    options.rayonBoule = 0;
    options.largeur = 4;
    EXPECT_FALSE(creerFantome(options, f, erreur));
    EXPECT_FALSE(erreur.empty());
}

TEST(Phantom, ToolWritesFoldersThatRoundTripTheLabels) {
    DossierTemporaire dossier;
    ASSERT_EQ(lancer(dossier.chemin() + "/p --size 40 32 12 --seed 5 --colour"), 0);
    const std::string volume = dossier / "p/1-volume", seg = dossier / "p/2-segmentation";
    ASSERT_TRUE(std::filesystem::is_directory(volume));
    ASSERT_TRUE(std::filesystem::is_directory(seg));
    std::set<int> labels;
    for (int z = 0; z < 12; ++z) {
        char nom[32];
        std::snprintf(nom, sizeof nom, "/slice_%04d.bmp", z);
        int w = 0, h = 0, bpp = 0;
        const std::set<int> l = niveauxCoupe(seg + nom, w, h, bpp);
        ASSERT_TRUE(w == 40 && h == 32 && bpp == 24) << nom;
        labels.insert(l.begin(), l.end());
        ASSERT_FALSE(niveauxCoupe(volume + nom, w, h, bpp).empty());
        ASSERT_TRUE(w == 40 && h == 32 && bpp == 24) << nom;
    }
    EXPECT_FALSE(std::filesystem::exists(seg + "/slice_0012.bmp"));
    EXPECT_EQ(labels, (std::set<int>{0, kLabelBoule, kLabelTore, kLabelBoitesArete,
                                     kLabelBoitesCoin, kLabelTube}));

    // The single-ball phantom.
    ASSERT_EQ(lancer(dossier.chemin() + "/b --size 24 24 24 --ball 6"), 0);
    int w = 0, h = 0, bpp = 0;
    EXPECT_EQ(niveauxCoupe(dossier / "b/2-segmentation/slice_0012.bmp", w, h, bpp),
              (std::set<int>{0, 200}));
    EXPECT_EQ(niveauxCoupe(dossier / "b/2-segmentation/slice_0000.bmp", w, h, bpp),
              (std::set<int>{0}));

    // Bad arguments and unwritable folders.
    EXPECT_EQ(lancer(""), 2);
    EXPECT_EQ(lancer(dossier.chemin() + "/x --size 10 10"), 2);
    EXPECT_EQ(lancer(dossier.chemin() + "/x --size 10 ten 10"), 2);
    EXPECT_EQ(lancer(dossier.chemin() + "/x --ball 0"), 2);
    EXPECT_EQ(lancer(dossier.chemin() + "/x --frobnicate"), 2);
    EXPECT_EQ(lancer(dossier.chemin() + "/x " + dossier.chemin() + "/y"), 2);
    ecrireOctets(dossier / "fichier", {1});
    EXPECT_EQ(lancer(dossier.chemin() + "/fichier/sous"), 2);
}

TEST(Phantom, HelpVersionAndProgressOfTheTool) {
    DossierTemporaire dossier;
    EXPECT_EQ(lancer("--help"), 0);
    EXPECT_EQ(lancer("--version"), 0);
    const std::string erreurs = dossier / "erreurs.txt";
    ASSERT_EQ(
        lancer(dossier.chemin() + "/p --size 8 8 8 --progress >/dev/null 2>" + erreurs + " #"), 0);
    const OctetsTest octets = lireOctets(erreurs);
    EXPECT_EQ(std::string(octets.begin(), octets.end()),
              "stravol-phantom: build 0.00\nstravol-phantom: build 1.00\n"
              "stravol-phantom: write 0.00\nstravol-phantom: write 1.00\n");
}
