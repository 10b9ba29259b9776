// The view's label meshes on real pixels: each in its colour, hidden ones gone, the others
// dimmed around one, the opacity, the pick of the mesh under a pixel and by a click, a frame
// drawn aside at twice the size, and the preview of a mesh shown small.

#include "ApplicationTest.h"
#include "MaillageSynthetique.h"
#include "helpers/images.h"
#include "mesh/ApercuPlat.h"
#include "view/COpenGL.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using Stravol::COpenGL;
using Stravol::MaillagePlat;
using Stravol::MaillageVue;

namespace {

constexpr int kCote = 400;
constexpr int kVoxels = 100;

struct Pixel {
    int r, g, b;
};

Pixel lire(const QImage& image, QPoint p) {
    const QRgb c = image.pixel(p);
    return {qRed(c), qGreen(c), qBlue(c)};
}

bool estFond(const Pixel& p) { return p.r == 204 && p.g == 204 && p.b == 204; }

// The closed box [c - a, c + a] in voxel coordinates, triangles outward, with vertex normals.
MaillagePlat boite(float cx, float cy, float cz, float a) {
    MaillagePlat m;
    for (int i = 0; i < 8; ++i) {
        m.positions.push_back(cx + (i & 1 ? a : -a));
        m.positions.push_back(cy + (i & 2 ? a : -a));
        m.positions.push_back(cz + (i & 4 ? a : -a));
    }
    const std::uint32_t faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                       {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& f : faces)
        m.triangles.insert(m.triangles.end(), {f[0], f[1], f[2], f[0], f[2], f[3]});
    Stravol::calculerNormalesPlat(m);
    return m;
}

class VueMaillages : public ::testing::Test {
protected:
    void SetUp() override {
        testgui::application();
        fenetre = std::make_unique<QWidget>();
        fenetre->resize(kCote, kCote);
        vue = new COpenGL(fenetre.get(), kCote, kCote, 0, 0, nullptr, temp.chemin());
        vue->largeur = vue->hauteur = vue->profondeur = kVoxels;
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
        // Red on the left, green on the right (voxel x grows to the right), both facing the eye.
        vue->maillagesEtiquettes = {{&rouge, {1, 0, 0}, true}, {&vert, {0, 1, 0}, true}};
    }
    void TearDown() override { fenetre.reset(); }

    // Window pixel of voxel point (x, y, z) in the last frame.
    QPoint pixelVoxel(double x, double y, double z) {
        vue->makeCurrent();
        GLdouble modele[16], projection[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, modele);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        // The scene point of the voxel point, through the view's own transform.
        const Stravol::Matrice4 s =
            Stravol::matriceVoxelsScene(kVoxels, kVoxels, kVoxels, vue->echelleMaillage);
        const double sx = s[0] * x + s[12], sy = s[5] * y + s[13], sz = s[10] * z + s[14];
        GLdouble wx, wy, wz;
        gluProject(sx, sy, sz, modele, projection, viewport, &wx, &wy, &wz);
        return {static_cast<int>(wx), static_cast<int>(viewport[3] - wy)};
    }

    DossierTemporaire temp;
    std::unique_ptr<QWidget> fenetre;
    COpenGL* vue = nullptr;
    MaillagePlat rouge = boite(30, 50, 50, 12);
    MaillagePlat vert = boite(70, 50, 50, 12);
};

bool rougeatre(const Pixel& p) { return p.r > 80 && p.r > p.g + 60 && p.r > p.b + 60; }
bool verdatre(const Pixel& p) { return p.g > 80 && p.g > p.r + 60 && p.g > p.b + 60; }

} // namespace

TEST_F(VueMaillages, EachMeshInItsColourAndHiddenOnesGone) {
    QImage image = vue->capturerImage();
    // The faces toward the eye (z + 12) at the boxes' centres.
    const QPoint a = pixelVoxel(30, 50, 62), b = pixelVoxel(70, 50, 62);
    EXPECT_LT(a.x(), b.x()) << "voxel x grows to the right";
    EXPECT_TRUE(rougeatre(lire(image, a)));
    EXPECT_TRUE(verdatre(lire(image, b)));
    EXPECT_TRUE(estFond(lire(image, QPoint(2, 2))));

    vue->maillagesEtiquettes[0].visible = false;
    image = vue->capturerImage();
    EXPECT_TRUE(estFond(lire(image, a)));
    EXPECT_TRUE(verdatre(lire(image, b)));

    // A label mesh is drawn whatever the region mesh's flag says.
    vue->bmaillage = false;
    image = vue->capturerImage();
    EXPECT_TRUE(verdatre(lire(image, b)));
}

TEST_F(VueMaillages, OthersDimmedAroundOneAndOpacityBlendsWithTheBackground) {
    QImage image = vue->capturerImage();
    const QPoint a = pixelVoxel(30, 50, 62), b = pixelVoxel(70, 50, 62);
    const Pixel plein = lire(image, b);

    // A closed translucent box puts two faces over each pixel: the background keeps (1 - a)^2
    // of its grey, and the green adds little to red.
    vue->maillageEnAvant = 0;
    image = vue->capturerImage();
    EXPECT_TRUE(rougeatre(lire(image, a)));
    const Pixel estompe = lire(image, b);
    EXPECT_GE(estompe.r, 0.85 * 0.85 * 204 - 2);
    EXPECT_LE(estompe.r, 0.85 * 0.85 * 204 + plein.r + 4);
    EXPECT_GT(estompe.g, estompe.r);

    vue->maillageEnAvant = -1;
    vue->opaciteMaillages = 0.5f;
    image = vue->capturerImage();
    const Pixel moitie = lire(image, b);
    EXPECT_GE(moitie.r, 0.25 * 204 - 2);
    EXPECT_LE(moitie.r, 0.25 * 204 + plein.r + 4);
    EXPECT_GT(moitie.g, moitie.r + 60);
    EXPECT_LT(moitie.g, plein.g + 0.25 * 204 + 4);
}

TEST_F(VueMaillages, PickUnderAPixelAndByAClick) {
    vue->capturerImage();
    const QPoint a = pixelVoxel(30, 50, 62), b = pixelVoxel(70, 50, 62);
    EXPECT_EQ(vue->maillageSous(a.x(), a.y()), 0);
    EXPECT_EQ(vue->maillageSous(b.x(), b.y()), 1);
    EXPECT_EQ(vue->maillageSous(2, 2), -1);

    QSignalSpy clics(vue, &COpenGL::maillageClique);
    QTest::mouseClick(vue, Qt::LeftButton, Qt::NoModifier, b);
    ASSERT_EQ(clics.size(), 1);
    EXPECT_EQ(clics.at(0).at(0).toInt(), 1);
    QTest::mouseClick(vue, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    ASSERT_EQ(clics.size(), 2);
    EXPECT_EQ(clics.at(1).at(0).toInt(), -1);

    // A drag turns the camera and picks nothing.
    QTest::mousePress(vue, Qt::LeftButton, Qt::NoModifier, a);
    QTest::mouseMove(vue, a + QPoint(40, 0));
    QTest::mouseRelease(vue, Qt::LeftButton, Qt::NoModifier, a + QPoint(40, 0));
    EXPECT_EQ(clics.size(), 2);

    // Hidden meshes are not picked.
    vue->maillagesEtiquettes[1].visible = false;
    vue->capturerImage();
    const QPoint b2 = pixelVoxel(70, 50, 62);
    EXPECT_EQ(vue->maillageSous(b2.x(), b2.y()), -1);
}

TEST_F(VueMaillages, FrameAtTwiceTheSizeLeavesTheScreenAlone) {
    const QImage simple = vue->capturerImage();
    const QPoint a = pixelVoxel(30, 50, 62), b = pixelVoxel(70, 50, 62);
    const QImage affichee = vue->imageAffichee();
    const QImage double_ = vue->rendreImage(2);
    ASSERT_EQ(double_.size(), 2 * simple.size());
    EXPECT_TRUE(rougeatre(lire(double_, 2 * a)));
    EXPECT_TRUE(verdatre(lire(double_, 2 * b)));
    EXPECT_TRUE(estFond(lire(double_, QPoint(4, 4))));
    // The same picture as the frame at the view's size, pixel for pixel, away from the edges.
    int differents = 0;
    for (int y = 0; y < simple.height(); y += 7)
        for (int x = 0; x < simple.width(); x += 7) {
            const Pixel s = lire(simple, QPoint(x, y));
            const Pixel d = lire(double_, QPoint(2 * x, 2 * y));
            differents += estFond(s) != estFond(d);
        }
    EXPECT_LT(differents, 40);
    EXPECT_EQ(vue->imageAffichee(), affichee);
    EXPECT_EQ(vue->rendreImage(1).size(), simple.size());
}

TEST_F(VueMaillages, EachMeshCopiedOnceUntilItChanges) {
    vue->capturerImage();
    const int depart = vue->nbChargementsEtiquettes();
    EXPECT_EQ(depart, 2);
    // Frames that only move the eye, or change colours and visibility, copy nothing.
    QTest::mouseMove(vue, QPoint(100, 100));
    vue->maillagesEtiquettes[0].couleur = {0, 0, 1};
    vue->maillagesEtiquettes[1].visible = false;
    vue->Draw();
    QImage image = vue->capturerImage();
    EXPECT_EQ(vue->nbChargementsEtiquettes(), depart);
    const Pixel bleu = lire(image, pixelVoxel(30, 50, 62));
    EXPECT_TRUE(bleu.b > bleu.r + 60 && bleu.b > bleu.g + 60);

    // A mesh whose arrays changed is copied again, and drawn where it now is.
    vue->maillagesEtiquettes[1].visible = true;
    vert = boite(70, 50, 50, 6);
    image = vue->capturerImage();
    EXPECT_EQ(vue->nbChargementsEtiquettes(), depart + 1);
    EXPECT_TRUE(estFond(lire(image, pixelVoxel(70, 50 + 10, 62))));
    EXPECT_TRUE(verdatre(lire(image, pixelVoxel(70, 50, 56))));

    // New meshes through remplacerMaillagesEtiquettes are copied, even at the old addresses.
    vue->remplacerMaillagesEtiquettes({{&rouge, {1, 0, 0}, true}});
    rouge = boite(30, 50, 50, 12);
    image = vue->capturerImage();
    EXPECT_EQ(vue->nbChargementsEtiquettes(), depart + 2);
    EXPECT_TRUE(estFond(lire(image, pixelVoxel(70, 50, 56))));
    EXPECT_TRUE(rougeatre(lire(image, pixelVoxel(30, 50, 62))));
}

TEST_F(VueMaillages, AMeshShownSmallDrawsItsPreviewALargeOneItself) {
    // 14,280 triangles: far more than the pixels of a ball of radius 3 voxels, far fewer than
    // those of a ball of radius 40.
    MaillagePlat petite = synthese::spherePlate(50, 50, 50, 3, 60, 120);
    const std::vector<std::uint32_t> apercuPetite = Stravol::trianglesApercu(petite);
    ASSERT_FALSE(apercuPetite.empty());
    vue->remplacerMaillagesEtiquettes({{&petite, {1, 0, 0}, true, &apercuPetite}});
    int avant = vue->nbApercusEtiquettes();
    QImage image = vue->capturerImage();
    EXPECT_GT(vue->nbApercusEtiquettes(), avant);
    EXPECT_TRUE(rougeatre(lire(image, pixelVoxel(50, 50, 52))));

    MaillagePlat grande = synthese::spherePlate(50, 50, 50, 40, 60, 120);
    const std::vector<std::uint32_t> apercuGrande = Stravol::trianglesApercu(grande);
    vue->remplacerMaillagesEtiquettes({{&grande, {0, 1, 0}, true, &apercuGrande}});
    avant = vue->nbApercusEtiquettes();
    image = vue->capturerImage();
    EXPECT_EQ(vue->nbApercusEtiquettes(), avant);
    EXPECT_TRUE(verdatre(lire(image, pixelVoxel(50, 50, 80))));

    // The same triangles on a needle 80 voxels long and 3 across: it covers few pixels for
    // all its length, so it shows small.
    MaillagePlat aiguille = synthese::spherePlate(50, 50, 50, 40, 60, 120);
    for (std::size_t i = 0; i + 2 < aiguille.positions.size(); i += 3)
        for (std::size_t k = 1; k < 3; ++k)
            aiguille.positions[i + k] = 50 + (aiguille.positions[i + k] - 50) * 1.5f / 40;
    const std::vector<std::uint32_t> apercuAiguille = Stravol::trianglesApercu(aiguille);
    ASSERT_FALSE(apercuAiguille.empty());
    vue->remplacerMaillagesEtiquettes({{&aiguille, {1, 0, 0}, true, &apercuAiguille}});
    avant = vue->nbApercusEtiquettes();
    image = vue->capturerImage();
    EXPECT_GT(vue->nbApercusEtiquettes(), avant);
    EXPECT_TRUE(rougeatre(lire(image, pixelVoxel(50, 50, 51))));
}
