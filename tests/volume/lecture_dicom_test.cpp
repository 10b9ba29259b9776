// DICOM series written with GDCM, read back: slices ordered by position whatever their file
// names, oblique frames, rescaling, several series, folders opened like picture folders, and
// broken series refused.

#include <gtest/gtest.h>

#include <gdcmAttribute.h>
#include <gdcmReader.h>

#include <cmath>
#include <filesystem>

#include "helpers/images.h"
#include "helpers/slices.h"
#include "helpers/volumes.h"
#include "volume/CImageTroisD.h"
#include "volume/EcritureVolume.h"
#include "volume/LecteursVolume.h"

using namespace Stravol;

namespace {

using Vecteur = std::array<double, 3>;

// An oblique frame in LPS, as a scanner gives it: rows along r, columns along c (unit vectors,
// 30 degrees about z then 20 degrees about x), slices along their normal n = r x c.
struct Repere {
    Vecteur origine{-40, 25, 60}; // LPS millimetres
    Vecteur r, c, n;
    double dx = 0.6, dy = 0.9, dz = 2.5;

    Repere() {
        const double a = std::acos(-1.0) / 6, b = std::acos(-1.0) / 9;
        r = {std::cos(a), std::sin(a) * std::cos(b), std::sin(a) * std::sin(b)};
        c = {-std::sin(a), std::cos(a) * std::cos(b), std::cos(a) * std::sin(b)};
        n = {r[1] * c[2] - r[2] * c[1], r[2] * c[0] - r[0] * c[2], r[0] * c[1] - r[1] * c[0]};
    }
    // The centre of voxel (x, y, z) in RAS: the LPS position with x and y negated.
    Vecteur ras(double x, double y, double z) const {
        Vecteur p{};
        for (int i = 0; i < 3; ++i)
            p[i] = origine[i] + x * dx * r[i] + y * dy * c[i] + z * dz * n[i];
        return {-p[0], -p[1], p[2]};
    }
    // The transform our writer takes (RAS).
    Geometrie geometrie() const {
        Geometrie g;
        const Vecteur o = ras(0, 0, 0);
        for (int i = 0; i < 3; ++i) {
            const double s = i < 2 ? -1.0 : 1.0;
            g.affine[i] = {s * r[i] * dx, s * c[i] * dy, s * n[i] * dz, o[i]};
        }
        g.espacement = {dx, dy, dz};
        return g;
    }
};

// Labels of a 6 x 5 x 4 volume: voxel (x, y, z) holds 1 + x + 6 y + 30 z.
VolumeBrut volumeEtiquettes(TypeVoxel type = TypeVoxel::EntierNonSigne16) {
    VolumeBrut v =
        volumeTest(type, 6, 5, 4, [](int x, int y, int z) { return 1 + x + 6 * y + 30 * z; });
    v.geometrie = Repere().geometrie();
    return v;
}

// File names that sort in another order than the slices: slice k is named noms[k].
const std::vector<std::string> kNomsMelanges = {"IM_0009", "b.dcm", "a", "zz.DCM"};

void ecrireSerie(const std::string& dossier, const VolumeBrut& v, OptionsDicom o = {}) {
    std::filesystem::create_directories(dossier);
    if (o.noms.empty())
        o.noms = kNomsMelanges;
    std::string erreur;
    ASSERT_TRUE(ecrireSerieDicom(dossier, v, o, erreur)) << erreur;
}

void attendrePosition(const Geometrie& g, double x, double y, double z, const Vecteur& attendu) {
    const std::array<double, 3> m = g.versMonde(x, y, z);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(m[i], attendu[i], 1e-4) << i;
}

} // namespace

TEST(DicomReading, ShuffledNamesObliqueFrameBothSyntaxes) {
    DossierTemporaire tmp;
    const Repere rep;
    const VolumeBrut v = volumeEtiquettes();
    for (bool explicite : {true, false}) {
        SCOPED_TRACE(explicite ? "explicit VR" : "implicit VR");
        const std::string dossier = tmp / (explicite ? "explicite" : "implicite");
        OptionsDicom o;
        o.explicite = explicite;
        ecrireSerie(dossier, v, o);
        EXPECT_TRUE(dossierDicom(dossier));
        // The files hold the LPS positions of the frame (read by GDCM): slice 2 is "a".
        gdcm::Reader lecteur;
        lecteur.SetFileName((dossier + "/a").c_str());
        ASSERT_TRUE(lecteur.Read());
        gdcm::Attribute<0x0020, 0x0032> position;
        position.SetFromDataSet(lecteur.GetFile().GetDataSet());
        for (unsigned int i = 0; i < 3; ++i)
            EXPECT_NEAR(position.GetValue(i), rep.origine[i] + 2 * rep.dz * rep.n[i], 1e-4);
        VolumeBrut lu;
        const CompteRenduLecture cr = lireSerieDicom(dossier, lu);
        ASSERT_TRUE(cr.reussi) << cr.erreur;
        EXPECT_TRUE(cr.remarques.empty());
        ASSERT_EQ(lu.largeur, 6);
        ASSERT_EQ(lu.hauteur, 5);
        ASSERT_EQ(lu.profondeur, 4);
        EXPECT_EQ(lu.type, TypeVoxel::EntierNonSigne16);
        // Slices in position order, not in name order.
        EXPECT_EQ(lu.donnees, v.donnees);
        EXPECT_EQ(lu.geometrie.origine, OrigineGeometrie::Entete);
        EXPECT_NEAR(lu.geometrie.espacement[0], 0.6, 1e-6);
        EXPECT_NEAR(lu.geometrie.espacement[1], 0.9, 1e-6);
        EXPECT_NEAR(lu.geometrie.espacement[2], 2.5, 1e-4);
        attendrePosition(lu.geometrie, 0, 0, 0, rep.ras(0, 0, 0));
        attendrePosition(lu.geometrie, 5, 1, 3, rep.ras(5, 1, 3));
        // One file of the series gives the whole series.
        VolumeBrut parFichier;
        ASSERT_TRUE(lireVolumeFichier(dossier + "/a", parFichier).reussi);
        EXPECT_EQ(parFichier.donnees, v.donnees);
    }
}

TEST(DicomReading, RescaleSlopeAndInterceptApply) {
    DossierTemporaire tmp;
    const VolumeBrut v = volumeEtiquettes(TypeVoxel::Entier16);
    OptionsDicom o;
    o.pente = 2;
    o.ordonnee = -1024;
    ecrireSerie(tmp / "entiere", v, o);
    VolumeBrut lu;
    CompteRenduLecture cr = lireSerieDicom(tmp / "entiere", lu);
    ASSERT_TRUE(cr.reussi) << cr.erreur;
    EXPECT_EQ(cr.remarques.size(), 1u);
    ASSERT_EQ(lu.type, TypeVoxel::Entier32);
    for (std::size_t i = 0; i < v.nbVoxels(); ++i)
        ASSERT_EQ(lu.valeur(i), 2 * v.valeur(i) - 1024) << i;
    o.pente = 0.25;
    o.ordonnee = 0.5;
    o.serie += ".2";
    ecrireSerie(tmp / "reelle", v, o);
    ASSERT_TRUE(lireSerieDicom(tmp / "reelle", lu).reussi);
    ASSERT_EQ(lu.type, TypeVoxel::Reel32);
    EXPECT_FLOAT_EQ(static_cast<float>(lu.valeur(7)), static_cast<float>(0.25 * v.valeur(7) + 0.5));
}

TEST(DicomReading, TheLargestOfSeveralSeriesAndOtherFilesIgnored) {
    DossierTemporaire tmp;
    const VolumeBrut v = volumeEtiquettes();
    ecrireSerie(tmp.chemin(), v);
    VolumeBrut petite = volumeTest(TypeVoxel::EntierNonSigne16, 3, 3, 2, motifTest);
    petite.geometrie.espacement = {1, 1, 1};
    OptionsDicom o;
    o.serie = "1.2.3.999";
    o.noms = {"autre1", "autre2"};
    ecrireSerie(tmp.chemin(), petite, o);
    ecrireTexte(tmp / "LISEZMOI.txt", "pas une image");
    VolumeBrut lu;
    const CompteRenduLecture cr = lireSerieDicom(tmp.chemin(), lu);
    ASSERT_TRUE(cr.reussi) << cr.erreur;
    EXPECT_EQ(lu.donnees, v.donnees);
    ASSERT_EQ(cr.remarques.size(), 2u);
    EXPECT_NE(cr.remarques[0].find("2 séries"), std::string::npos);
    EXPECT_NE(cr.remarques[1].find("ignorés"), std::string::npos);
    // A file of the smaller series asks for that series.
    ASSERT_TRUE(lireVolumeFichier(tmp / "autre2", lu).reussi);
    EXPECT_EQ(lu.profondeur, 2);
}

TEST(DicomReading, BrokenSeriesAreRefused) {
    DossierTemporaire tmp;
    const VolumeBrut v = volumeEtiquettes();
    const auto attendreRefus = [&](const std::string& dossier, const char* motCle) {
        SCOPED_TRACE(dossier);
        VolumeBrut lu;
        const CompteRenduLecture cr = lireSerieDicom(dossier, lu);
        EXPECT_FALSE(cr.reussi);
        EXPECT_NE(cr.erreur.find(motCle), std::string::npos) << cr.erreur;
        EXPECT_TRUE(lu.vide());
    };
    // A slice missing in the middle.
    ecrireSerie(tmp / "trou", v);
    std::filesystem::remove(tmp / ("trou/" + kNomsMelanges[1]));
    attendreRefus(tmp / "trou", "irrégulièrement");
    // Two slices at one place: the last slice written again as a second file.
    ecrireSerie(tmp / "double", v);
    std::filesystem::copy_file(tmp / ("double/" + kNomsMelanges[3]), tmp / "double/copie");
    attendreRefus(tmp / "double", "même position");
    // A slice of another size in the same series.
    ecrireSerie(tmp / "tailles", v);
    VolumeBrut autre = volumeTest(TypeVoxel::EntierNonSigne16, 7, 5, 1, motifTest);
    autre.geometrie = v.geometrie;
    autre.geometrie.affine[2][3] += 40;
    OptionsDicom o;
    o.noms = {"intruse"};
    ecrireSerie(tmp / "tailles", autre, o);
    attendreRefus(tmp / "tailles", "tailles différentes");
    // A truncated file.
    ecrireSerie(tmp / "tronque", v);
    const OctetsTest octets = lireOctets(tmp / ("tronque/" + kNomsMelanges[2]));
    ecrireOctets(tmp / ("tronque/" + kNomsMelanges[2]),
                 OctetsTest(octets.begin(), octets.end() - 7));
    attendreRefus(tmp / "tronque", "tronqué");
    // No DICOM file at all.
    std::filesystem::create_directories(tmp / "vide");
    ecrireTexte(tmp / "vide/texte", "rien");
    attendreRefus(tmp / "vide", "aucune image DICOM");
}

TEST(DicomReading, AParentFolderOpensLikeAPictureFolder) {
    DossierTemporaire tmp;
    const VolumeBrut v = volumeEtiquettes(TypeVoxel::Octet);
    ecrireSerie(tmp / "parent/serie", v);
    MessagesCollectes messages;
    CImageTroisD volume(tmp.chemin(), tmp / "parent/serie", nullptr, &messages);
    ASSERT_EQ(volume.largeur, 6);
    ASSERT_EQ(volume.hauteur, 5);
    ASSERT_EQ(volume.profondeur, 4);
    EXPECT_TRUE(messages.textes.empty());
    EXPECT_TRUE(std::equal(v.donnees.begin(), v.donnees.end(), volume.volumeOriginal()));
    attendrePosition(volume.geometrie, 5, 4, 3, Repere().ras(5, 4, 3));
    // A broken series: a message and an empty volume.
    std::filesystem::remove(tmp / ("parent/serie/" + kNomsMelanges[1]));
    CImageTroisD casse(tmp.chemin(), tmp / "parent/serie", nullptr, &messages);
    EXPECT_EQ(casse.largeur, 0);
    EXPECT_EQ(messages.commencantPar("Le chargement de la série DICOM"), 1);
}
