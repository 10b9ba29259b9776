// Extractions from values held by another program: every type and both orders give the loaded
// volume's growth, region and mesh; flat meshes measure as the linked ones and hold the values
// their files hold.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "extraction/Croissance.h"
#include "extraction/Extraction.h"
#include "extraction/MaillageDual.h"
#include "extraction/MaillageExtrait.h"
#include "extraction/Tableaux.h"
#include "helpers/images.h"
#include "helpers/mesh_helpers.h"
#include "helpers/slices.h"
#include "helpers/volumes.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/ExportScene.h"
#include "mesh/MesuresMaillage.h"
#include "volume/CImageTroisD.h"
#include "volume/EcritureVolume.h"

using namespace Stravol;

namespace {

constexpr int W = 18, H = 15, D = 12;

// Random levels 0 .. 3 in clumps, a box of level 7 and a ball of level 5 touching it at a
// corner: objects of several components, holes and contacts. No voxel holds 255.
std::vector<unsigned char> niveaux(std::uint32_t graine) {
    std::mt19937 alea(graine);
    std::vector<unsigned char> v(static_cast<std::size_t>(W) * H * D);
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                unsigned char n = static_cast<unsigned char>(alea() % 4 == 0 ? alea() % 4 : 0);
                if (x >= 2 && x <= 7 && y >= 2 && y <= 6 && z >= 2 && z <= 5)
                    n = 7;
                const double dx = x - 11.5, dy = y - 9.5, dz = z - 7.5;
                if (dx * dx + dy * dy + dz * dz <= 9.0)
                    n = 5;
                v[(static_cast<std::size_t>(z) * H + y) * W + x] = n;
            }
    return v;
}

// The same values in another type and order (z fastest: [x][y][z] row-major).
struct Tableau {
    std::vector<unsigned char> octets;
    VueVolume vue;
};

Tableau tableau(const std::vector<unsigned char>& v, TypeVoxel type, bool zRapide) {
    Tableau t;
    t.octets.resize(v.size() * tailleVoxel(type));
    t.vue = VueVolume{t.octets.data(), type, W, H, D, zRapide};
    selonType(type, [&](auto exemple) {
        using T = decltype(exemple);
        T* p = reinterpret_cast<T*>(t.octets.data());
        for (int z = 0; z < D; ++z)
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x)
                    p[t.vue.indice(x, y, z)] =
                        static_cast<T>(v[(static_cast<std::size_t>(z) * H + y) * W + x]);
    });
    return t;
}

std::unique_ptr<CImageTroisD> volumeCharge(const std::vector<unsigned char>& v) {
    auto volume = std::make_unique<CImageTroisD>(W, H, D);
    std::memcpy(volume->image.get(), v.data(), v.size());
    return volume;
}

std::vector<float> sommets(const CMaillageTriangleChRegion& m) {
    std::vector<float> p;
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant)
        p.insert(p.end(), {s->x, s->y, s->z});
    return p;
}

} // namespace

TEST(ArrayExtraction, EveryTypeAndOrderGrowsTheSameVoxels) {
    const std::vector<unsigned char> v = niveaux(3);
    for (const Voxel g : {Voxel{4, 4, 3}, Voxel{11, 9, 7}, Voxel{1, 1, 1}, Voxel{0, 5, 5}})
        for (const int tolerance : {0, 2}) {
            std::vector<unsigned char> attendues(v.size(), 0);
            BoiteVoxels attendue{};
            const int n = croissance26Marques(v.data(), attendues.data(), W, H, D, g[0], g[1], g[2],
                                              attendue, tolerance);
            for (const TypeVoxel type : kTousLesTypes) {
                const Tableau t = tableau(v, type, false);
                std::vector<unsigned char> marques(v.size(), 0);
                BoiteVoxels boite{};
                EXPECT_EQ(croissance26MarquesTypee(t.vue.donnees, type, marques.data(), W, H, D,
                                                   g[0], g[1], g[2], boite, tolerance),
                          n);
                EXPECT_EQ(marques, attendues) << nomType(type) << " tolerance " << tolerance;
                EXPECT_EQ(std::memcmp(&boite, &attendue, sizeof boite), 0);
            }
        }
}

TEST(ArrayExtraction, MeshesAreTheLoadedVolumesBitForBit) {
    const std::vector<unsigned char> v = niveaux(11);
    const std::unique_ptr<CImageTroisD> charge = volumeCharge(v);
    for (const int valeur : {7, 5, 2}) {
        const Resultat<Voxel> trouve = trouverValeur(*charge, valeur, false);
        ASSERT_TRUE(trouve);
        const Resultat<std::shared_ptr<CMaillageTriangleChRegion>> attendu =
            extraireAuGerme(*charge, trouve.valeur(), OptionsExtraction());
        ASSERT_TRUE(attendu);
        const std::vector<float> reference = sommets(*attendu.valeur());
        for (const TypeVoxel type : {TypeVoxel::Octet, TypeVoxel::Entier16, TypeVoxel::Reel32,
                                     TypeVoxel::EntierNonSigne64})
            for (const bool zRapide : {false, true}) {
                const Tableau t = tableau(v, type, zRapide);
                const Resultat<Voxel> germe = trouverValeur(t.vue, valeur);
                ASSERT_TRUE(germe);
                EXPECT_EQ(germe.valeur(), trouve.valeur()) << nomType(type) << " " << zRapide;
                Resultat<ObjetExtrait> objet =
                    extraireAuGerme(t.vue, germe.valeur(), 0.0, OptionsExtraction());
                ASSERT_TRUE(objet);
                EXPECT_EQ(objet.valeur().nbVoxelsCroissance,
                          charge->bilanExtraction.nbVoxelsCroissance);
                EXPECT_EQ(sommets(*objet.valeur().maillage), reference)
                    << "value " << valeur << ", " << nomType(type) << ", z fastest " << zRapide;
            }
    }
}

TEST(ArrayExtraction, DualMeshesAreTheLoadedVolumesBitForBit) {
    const std::vector<unsigned char> v = niveaux(13);
    const std::unique_ptr<CImageTroisD> charge = volumeCharge(v);
    OptionsExtraction options;
    options.nbLissages = kToursDualParDefaut;
    for (const Voxel g : {Voxel{4, 4, 3}, Voxel{11, 9, 7}}) {
        const Resultat<ObjetDual> attendu = extraireAuGermeDual(*charge, g, options);
        ASSERT_TRUE(attendu);
        for (const TypeVoxel type : {TypeVoxel::Octet, TypeVoxel::Reel64})
            for (const bool zRapide : {false, true}) {
                const Tableau t = tableau(v, type, zRapide);
                const Resultat<MaillagePlat> m = extraireAuGermeDual(t.vue, g, 0.0, options);
                ASSERT_TRUE(m);
                EXPECT_EQ(m.valeur().positions, attendu.valeur().maillage.positions);
                EXPECT_EQ(m.valeur().triangles, attendu.valeur().maillage.triangles);
            }
    }
    EXPECT_FALSE(
        extraireAuGermeDual(tableau(v, TypeVoxel::Octet, false).vue, Voxel{W, 0, 0}, 0.0, options));
}

TEST(ArrayExtraction, LabelMapsOfEveryTypeAndOrder) {
    const std::vector<unsigned char> v = niveaux(17);
    const Tableau reference = tableau(v, TypeVoxel::EntierNonSigne16, false);
    const Resultat<EtiquettesVue> etiquettes = etiquettesVue(reference.vue);
    ASSERT_TRUE(etiquettes);
    const Resultat<CarteEtiquettes> enPlace = carteEtiquettes(reference.vue, etiquettes.valeur());
    ASSERT_TRUE(enPlace);
    EXPECT_EQ(enPlace.valeur().valeurs(), reference.vue.donnees);
    for (const TypeVoxel type : {TypeVoxel::Entier32, TypeVoxel::Reel32})
        for (const bool zRapide : {false, true}) {
            const Tableau t = tableau(v, type, zRapide);
            const Resultat<CarteEtiquettes> carte =
                carteEtiquettes(t.vue, etiquettesVue(t.vue).valeur());
            ASSERT_TRUE(carte);
            EXPECT_EQ(std::memcmp(carte.valeur().valeurs(), reference.vue.donnees, v.size() * 2),
                      0);
        }
    // Values beyond 16 bits become their ranks, their values beside.
    std::vector<std::uint32_t> larges(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        larges[i] = v[i] == 0 ? 0u : 70000u + v[i];
    const VueVolume vue{larges.data(), TypeVoxel::EntierNonSigne32, W, H, D, false};
    const Resultat<EtiquettesVue> rangs = etiquettesVue(vue);
    ASSERT_TRUE(rangs);
    const Resultat<CarteEtiquettes> carte = carteEtiquettes(vue, rangs.valeur());
    ASSERT_TRUE(carte);
    for (std::size_t i = 0; i < v.size(); ++i)
        EXPECT_EQ(carte.valeur().valeurVraie(carte.valeur().valeurs()[i]), larges[i]);
}

TEST(ArrayExtraction, RefusesWhatItCannotGrow) {
    std::vector<float> v(static_cast<std::size_t>(W) * H * D, 1.0f);
    v[(static_cast<std::size_t>(4) * H + 4) * W + 4] = std::nanf("");
    const VueVolume vue{v.data(), TypeVoxel::Reel32, W, H, D, false};
    EXPECT_FALSE(extraireAuGerme(vue, Voxel{W, 0, 0}, 0.0, OptionsExtraction()));
    EXPECT_FALSE(extraireAuGerme(vue, Voxel{-1, 0, 0}, 0.0, OptionsExtraction()));
    EXPECT_FALSE(extraireAuGerme(vue, Voxel{4, 4, 4}, 0.0, OptionsExtraction()));
    EXPECT_FALSE(extraireAuGerme(vue, Voxel{3, 3, 3}, -1.0, OptionsExtraction()));
    EXPECT_FALSE(extraireAuGerme(VueVolume{}, Voxel{0, 0, 0}, 0.0, OptionsExtraction()));
    EXPECT_FALSE(trouverValeur(vue, 2.0));
    EXPECT_FALSE(trouverValeur(vue, 1.5));
    // A value its type cannot hold is found nowhere, rather than rounded.
    std::vector<std::uint8_t> octets(v.size(), 44);
    EXPECT_FALSE(trouverValeur(VueVolume{octets.data(), TypeVoxel::Octet, W, H, D, false}, 300));
    EXPECT_FALSE(trouverValeur(VueVolume{octets.data(), TypeVoxel::Octet, W, H, D, false}, 44.5));
}

TEST(ArrayExtraction, EveryLabelAsTheLabelMapGivesIt) {
    const std::vector<unsigned char> v = niveaux(5);
    std::vector<std::uint16_t> carte(v.begin(), v.end());
    const std::vector<BoiteEtiquette> attendues = boitesEtiquettes(carte.data(), W, H, D);
    std::vector<std::vector<float>> reference(attendues.size());
    CarteEtiquettes parCarte;
    parCarte.externe = carte.data();
    parCarte.W = W, parCarte.H = H, parCarte.D = D;
    maillerEtiquettes(parCarte, attendues, OptionsExtraction(),
                      [&](std::size_t i, EtiquetteMaillee& e) {
                          ASSERT_TRUE(e.maillage);
                          reference[i] = sommets(*e.maillage);
                      });
    for (const TypeVoxel type : {TypeVoxel::EntierNonSigne16, TypeVoxel::Reel64, TypeVoxel::Octet})
        for (const bool zRapide : {false, true}) {
            const Tableau t = tableau(v, type, zRapide);
            const Resultat<EtiquettesVue> etiquettes = etiquettesVue(t.vue);
            ASSERT_TRUE(etiquettes);
            const std::vector<BoiteEtiquette>& boites = etiquettes.valeur().boites;
            ASSERT_EQ(boites.size(), attendues.size());
            for (std::size_t i = 0; i < attendues.size(); ++i) {
                EXPECT_EQ(std::memcmp(&boites[i], &attendues[i], sizeof attendues[i]), 0);
                EXPECT_EQ(etiquettes.valeur().valeurs[i], attendues[i].valeur);
            }
            std::vector<std::vector<float>> obtenus(attendues.size());
            maillerEtiquettes(t.vue, etiquettes.valeur(), OptionsExtraction(),
                              [&](std::size_t i, EtiquetteMaillee& e) {
                                  ASSERT_TRUE(e.maillage);
                                  obtenus[i] = sommets(*e.maillage);
                              });
            EXPECT_EQ(obtenus, reference) << nomType(type) << ", z fastest " << zRapide;
        }
    // Values beyond 16 bits: the same boxes and meshes, numbered by rank, their values kept.
    std::vector<std::uint32_t> larges(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        larges[i] = v[i] == 0 ? 0u : 100000u * v[i] + 7u;
    const Resultat<EtiquettesVue> grandes =
        etiquettesVue(VueVolume{larges.data(), TypeVoxel::EntierNonSigne32, W, H, D, false});
    ASSERT_TRUE(grandes);
    ASSERT_EQ(grandes.valeur().boites.size(), attendues.size());
    std::vector<std::vector<float>> obtenus(attendues.size());
    maillerEtiquettes(VueVolume{larges.data(), TypeVoxel::EntierNonSigne32, W, H, D, false},
                      grandes.valeur(), OptionsExtraction(),
                      [&](std::size_t i, EtiquetteMaillee& e) {
                          ASSERT_TRUE(e.maillage);
                          obtenus[i] = sommets(*e.maillage);
                      });
    for (std::size_t i = 0; i < attendues.size(); ++i) {
        EXPECT_EQ(grandes.valeur().valeurs[i], 100000u * attendues[i].valeur + 7u);
        EXPECT_EQ(grandes.valeur().boites[i].valeur, i + 1);
        EXPECT_EQ(grandes.valeur().boites[i].voxels, attendues[i].voxels);
    }
    EXPECT_EQ(obtenus, reference);
    // Values that are no labels are refused, naming the voxel.
    std::vector<float> reels(v.begin(), v.end());
    reels[(static_cast<std::size_t>(2) * H + 3) * W + 4] = 2.5f;
    const Resultat<EtiquettesVue> refuse =
        etiquettesVue(VueVolume{reels.data(), TypeVoxel::Reel32, W, H, D, false});
    ASSERT_FALSE(refuse);
    EXPECT_NE(refuse.raison().find("2.5"), std::string::npos);
    EXPECT_NE(refuse.raison().find("(4, 3, 2)"), std::string::npos);
    std::vector<std::int64_t> grands(v.size(), std::int64_t{1} << 33);
    EXPECT_FALSE(etiquettesVue(VueVolume{grands.data(), TypeVoxel::Entier64, W, H, D, true}));
    // More labels than a map holds.
    std::vector<std::int32_t> nombreuses(70000);
    for (std::size_t i = 0; i < nombreuses.size(); ++i)
        nombreuses[i] = static_cast<std::int32_t>(i + 1);
    EXPECT_FALSE(
        etiquettesVue(VueVolume{nombreuses.data(), TypeVoxel::Entier32, 70, 100, 10, true}));
}

TEST(FlatMesh, ArraysInASpaceAreTheFilesOnes) {
    const std::vector<unsigned char> v = niveaux(7);
    const Tableau t = tableau(v, TypeVoxel::Octet, false);
    Resultat<ObjetExtrait> objet = extraireAuGerme(t.vue, Voxel{4, 4, 3}, 0.0, OptionsExtraction());
    ASSERT_TRUE(objet);
    CMaillageTriangleChRegion& lie = *objet.valeur().maillage;
    const Resultat<MaillagePlat> plat = aplatirMaillage(lie, 1.0);
    ASSERT_TRUE(plat);
    const MaillagePlat& e = plat.valeur();

    // The identity, and a transform that mirrors, shears and moves.
    Geometrie miroir;
    miroir.affine = {{{-0.8, 0.1, 0.0, 12.5}, {0.0, 1.2, 0.3, -4.0}, {0.0, 0.0, 2.5, 7.25}}};
    const DossierTemporaire dossier;
    for (const Geometrie& monde : {Geometrie(), miroir}) {
        // The arrays in a space hold the values the PLY file of that space holds, in its order.
        for (const EspaceSortie espace :
             {EspaceSortie::RAS, EspaceSortie::LPS, EspaceSortie::Voxels}) {
            const std::string fichier = dossier / "plat.ply";
            ASSERT_TRUE(exporterMaillagePlat(e, fichier, monde, espace));
            Soupe soupe;
            ASSERT_TRUE(lirePLY(fichier, soupe));
            const MaillagePlat r = dansEspace(e, monde, espace);
            EXPECT_EQ(espaceVoxel(monde, espace), r.positions == e.positions);
            ASSERT_EQ(soupe.positions.size(), r.nbSommets());
            for (std::size_t i = 0; i < soupe.positions.size(); ++i)
                for (std::size_t k = 0; k < 3; ++k) {
                    EXPECT_EQ(soupe.positions[i][k], r.positions[3 * i + k]);
                    EXPECT_EQ(soupe.normales[i][k], r.normales[3 * i + k]);
                }
            ASSERT_EQ(soupe.triangles.size(), r.nbTriangles());
            for (std::size_t i = 0; i < soupe.triangles.size(); ++i)
                for (std::size_t k = 0; k < 3; ++k)
                    EXPECT_EQ(static_cast<std::uint32_t>(soupe.triangles[i][k]),
                              r.triangles[3 * i + k]);
        }
    }
}

TEST(FlatMesh, AffinesAreChecked) {
    std::array<std::array<double, 4>, 4> m{
        {{0.0, 0.0, -2.0, 10.0}, {1.5, 0.0, 0.0, 0.0}, {0.0, 3.0, 0.0, 1.0}, {0, 0, 0, 1}}};
    const Resultat<Geometrie> g = geometrieAffine(m);
    ASSERT_TRUE(g);
    EXPECT_EQ(g.valeur().espacement, (std::array<double, 3>{1.5, 3.0, 2.0}));
    m[3] = {0, 0, 1, 1};
    EXPECT_FALSE(geometrieAffine(m));
    m[3] = {0, 0, 0, 1};
    m[2] = {0, 0, 0, 1};
    EXPECT_FALSE(geometrieAffine(m));
    m[2] = {0, NAN, 0, 1};
    EXPECT_FALSE(geometrieAffine(m));
}

TEST(ArrayOpening, KeepsTheFilesOwnValues) {
    const DossierTemporaire dossier;
    VolumeBrut image = volumeTest(TypeVoxel::Entier16, 9, 8, 7, [](int x, int y, int z) {
        return 100 * motifTest(x, y, z) - 9000;
    });
    image.geometrie.affine = {{{0.0, -2.0, 0.0, 5.0}, {1.0, 0.0, 0.0, 0.0}, {0.0, 0.0, 3.0, 0.0}}};
    image.geometrie.espacement = {1.0, 2.0, 3.0};
    VolumeBrut labels =
        volumeTest(TypeVoxel::Reel32, 9, 8, 7, [](int x, int, int) { return x < 4 ? 0.0 : 300.0; });
    // A label file on the image's grid in the world too.
    labels.geometrie = image.geometrie;
    std::string erreur;
    ASSERT_TRUE(ecrireNifti(dossier / "image.nii.gz", image, 1, erreur)) << erreur;
    ASSERT_TRUE(ecrireNifti(dossier / "labels.nii", labels, 2, erreur)) << erreur;
    DemandeOuverture demande;
    demande.entree = dossier / "image.nii.gz";
    demande.segmentations = {dossier / "labels.nii"};
    const Resultat<VolumeOuvert> ouvert = ouvrirTableaux(demande, dossier.chemin());
    ASSERT_TRUE(ouvert) << ouvert.raison();
    const VolumeOuvert& o = ouvert.valeur();
    EXPECT_EQ(o.geometrie.affine, image.geometrie.affine);
    ASSERT_EQ(o.volume.vue.type, TypeVoxel::Entier16);
    EXPECT_EQ(std::memcmp(o.volume.vue.donnees, image.donnees.data(), image.donnees.size()), 0);
    ASSERT_EQ(o.segmentations.size(), 1u);
    ASSERT_EQ(o.segmentations[0].vue.type, TypeVoxel::Reel32);
    EXPECT_EQ(
        std::memcmp(o.segmentations[0].vue.donnees, labels.donnees.data(), labels.donnees.size()),
        0);

    // The opening's own checks and reasons.
    demande.segmentations = {dossier / "absent.nii"};
    EXPECT_FALSE(ouvrirTableaux(demande, dossier.chemin()));
    demande.entree = dossier / "absent";
    EXPECT_FALSE(ouvrirTableaux(demande, dossier.chemin()));
}

TEST(ArrayOpening, AFoldersSlicesAndEverySegmentation) {
    const DossierTemporaire dossier;
    const std::string parent = sousDossier(dossier, "parent");
    const std::string volume = sousDossier(dossier, "parent/1-volume");
    const std::string premiere = sousDossier(dossier, "parent/2-a");
    const std::string seconde = sousDossier(dossier, "parent/3-b");
    for (int z = 0; z < 4; ++z) {
        const std::string nom = "/s" + std::to_string(z) + ".bmp";
        ASSERT_TRUE(ecrireBMP(volume + nom, imageUnie(6, 5, static_cast<unsigned char>(10 * z))));
        ASSERT_TRUE(ecrireBMP(premiere + nom, imageUnie(6, 5, 40)));
        ASSERT_TRUE(ecrireBMP(seconde + nom, imageUnie(6, 5, 80)));
    }
    DemandeOuverture demande;
    demande.entree = parent;
    const Resultat<VolumeOuvert> ouvert = ouvrirTableaux(demande, dossier.chemin());
    ASSERT_TRUE(ouvert) << ouvert.raison();
    const VolumeOuvert& o = ouvert.valeur();
    ASSERT_EQ(o.volume.vue.type, TypeVoxel::Octet);
    EXPECT_EQ(o.volume.vue.W, 6);
    EXPECT_EQ(o.volume.vue.D, 4);
    EXPECT_EQ(o.volume.vue.valeur(5, 4, 3), 30.0);
    ASSERT_EQ(o.segmentations.size(), 2u);
    EXPECT_EQ(o.segmentations[0].vue.valeur(2, 2, 2), 40.0);
    EXPECT_EQ(o.segmentations[1].vue.valeur(2, 2, 2), 80.0);
}

TEST(FlatMesh, TheFlatExtractionIsTheLinkedOneTakenFlat) {
    // Random scraps of levels 1 to 3 (objects touching at edges and corners), a box and a ball,
    // with and without tolerance, with 0 and 10 rounds.
    for (std::uint32_t graine = 1; graine <= 6; ++graine) {
        const std::vector<unsigned char> v = niveaux(graine);
        const Tableau t = tableau(v, TypeVoxel::Octet, graine % 2 == 0);
        for (const Voxel germe : {Voxel{4, 4, 3}, Voxel{11, 9, 7}}) {
            OptionsExtraction options;
            options.nbLissages = graine % 3 == 0 ? 0 : 10;
            const double tolerance = graine % 2 == 0 ? 2.0 : 0.0;
            Resultat<ObjetExtrait> lie = extraireAuGerme(t.vue, germe, tolerance, options);
            const Resultat<ObjetExtraitPlat> plat =
                extraireAuGermePlat(t.vue, germe, tolerance, options);
            ASSERT_TRUE(lie);
            ASSERT_TRUE(plat);
            const MaillagePlat attendu = versMaillagePlat(*lie.valeur().maillage);
            const MaillagePlat& m = plat.valeur().maillage;
            EXPECT_TRUE(memesBits(m.positions, attendu.positions)) << graine;
            EXPECT_TRUE(memesBits(m.normales, attendu.normales)) << graine;
            EXPECT_TRUE(memesBits(m.triangles, attendu.triangles)) << graine;
            EXPECT_TRUE(memesBits(m.normalesTriangles, attendu.normalesTriangles)) << graine;
            EXPECT_EQ(plat.valeur().nbVoxelsCroissance, lie.valeur().nbVoxelsCroissance);
            EXPECT_EQ(plat.valeur().etapes.nbVoxelsRepares, lie.valeur().etapes.nbVoxelsRepares);
            EXPECT_EQ(plat.valeur().irreguliers,
                      controlerMaillage(*lie.valeur().maillage).irreguliers);
        }
    }
    // The same refusals.
    const std::vector<unsigned char> v = niveaux(1);
    const Tableau t = tableau(v, TypeVoxel::Octet, false);
    EXPECT_FALSE(extraireAuGermePlat(t.vue, Voxel{-1, 4, 3}, 0.0, OptionsExtraction()));
    EXPECT_FALSE(extraireAuGermePlat(t.vue, Voxel{4, 4, 3}, -1.0, OptionsExtraction()));
}
