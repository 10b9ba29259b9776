#include "ApplicationTest.h"
#include "MaillageSynthetique.h"
#include "core/Pi.h"
#include "helpers/images.h"
#include "region/CRegion3D.h"
#include "view/COpenGL.h"
#include "view/gl/Fleche.h"
#include "volume/CImage3D.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

using Stravol::ChoixCamera;
using Stravol::COpenGL;

namespace {

constexpr int cote = 500;

struct Pixel {
    int r, g, b;
};

Pixel lire(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

bool estFond(const Pixel& p) { return p.r == 204 && p.g == 204 && p.b == 204; }

int compter(const QImage& image, const std::function<bool(const Pixel&)>& critere) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += critere(lire(image, x, y));
    return n;
}

// Texture whose texel (s, t) is (s, t, 128): red counts columns, green rows.
std::vector<unsigned char> textureDegrade() {
    std::vector<unsigned char> tex(3 * 256 * 256);
    for (int t = 0; t < 256; ++t)
        for (int s = 0; s < 256; ++s) {
            unsigned char* p = &tex[3 * (t * 256 + s)];
            p[0] = static_cast<unsigned char>(s);
            p[1] = static_cast<unsigned char>(t);
            p[2] = 128;
        }
    return tex;
}

class View : public ::testing::Test {
protected:
    void SetUp() override {
        testgui::application();
        fenetre = std::make_unique<QWidget>();
        fenetre->resize(cote, cote);
        vue = new COpenGL(fenetre.get(), cote, cote, 0, 0, nullptr, dossier.string());
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
    }
    void TearDown() override { fenetre.reset(); }

    // Window position (image rows from the top) of scene point (x, y, z) in the last frame.
    QPointF projeter(double x, double y, double z) {
        vue->makeCurrent();
        GLdouble modele[16], projection[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, modele);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        GLdouble wx, wy, wz;
        gluProject(x, y, z, modele, projection, viewport, &wx, &wy, &wz);
        return {wx, viewport[3] - wy};
    }

    Pixel pixelScene(const QImage& image, double x, double y, double z) {
        const QPointF p = projeter(x, y, z);
        return lire(image, static_cast<int>(p.x()), static_cast<int>(p.y()));
    }

    void tourner(double angleY, double angleX) {
        EvenementSouris e;
        e.bouton = BoutonSouris::Gauche;
        vue->camera->setHold(true, e);
        e.x = static_cast<int>(angleY);
        e.y = static_cast<int>(angleX);
        vue->camera->OnMouseMove(e);
        vue->camera->setHold(false, e);
    }

    void envoyerTouche(QEvent::Type type, int cle) {
        QKeyEvent e(type, cle, Qt::NoModifier);
        QApplication::sendEvent(vue, &e);
    }

    DossierTemporaire temporaire;
    const std::filesystem::path dossier = temporaire.chemin();
    std::unique_ptr<QWidget> fenetre;
    COpenGL* vue = nullptr;
};

} // namespace

TEST_F(View, EmptyFrameIsUniformGrey) {
    const QImage image = vue->capturerImage();
    ASSERT_EQ(image.width(), cote);
    ASSERT_EQ(image.height(), cote);
    EXPECT_EQ(compter(image, [](const Pixel& p) { return !estFond(p); }), 0);
    // A shown index without a texture, and a texture with a negative index, draw nothing.
    const std::vector<unsigned char> tex = textureDegrade();
    vue->setTextureX(nullptr, 10);
    vue->setTextureY(tex.data(), -1);
    EXPECT_EQ(compter(vue->capturerImage(), [](const Pixel& p) { return !estFond(p); }), 0);
}

TEST_F(View, ZSliceShowsItsTexelsAtItsIndexPlane) {
    const std::vector<unsigned char> tex = textureDegrade();
    for (int indice : {128, 0, 256}) {
        vue->setTextureZ(tex.data(), indice);
        const QImage image = vue->capturerImage();
        const double z = indice * 2.0 / 256 - 1;
        for (double x = -0.75; x <= 0.76; x += 0.25)
            for (double y = -0.75; y <= 0.76; y += 0.25) {
                const Pixel p = pixelScene(image, x, y, z);
                // The first texture row is at y = +1, the first column at x = -1.
                EXPECT_NEAR(p.r, (x + 1) / 2 * 256, 5) << indice << " " << x << " " << y;
                EXPECT_NEAR(p.g, (1 - y) / 2 * 256, 5) << indice << " " << x << " " << y;
                EXPECT_NEAR(p.b, 128, 2);
            }
        EXPECT_TRUE(estFond(lire(image, 2, 2))) << "the slice stays inside its square";
    }
    vue->setTextureZ(tex.data(), -1);
    EXPECT_EQ(compter(vue->capturerImage(), [](const Pixel& p) { return !estFond(p); }), 0);
}

TEST_F(View, XAndYSlicesAreOrientedByTheirTable) {
    const std::vector<unsigned char> tex = textureDegrade();
    tourner(-90, 0); // +x faces the eye
    vue->setTextureX(tex.data(), 256);
    QImage image = vue->capturerImage();
    for (double y = -0.5; y <= 0.51; y += 0.5)
        for (double z = -0.5; z <= 0.51; z += 0.5) {
            const Pixel p = pixelScene(image, 1, y, z);
            EXPECT_NEAR(p.r, (z + 1) / 2 * 256, 5) << y << " " << z;
            EXPECT_NEAR(p.g, (1 - y) / 2 * 256, 5) << y << " " << z;
        }
    vue->setTextureX(nullptr, -1);
    tourner(90, 90); // back to angleY 0, then +y faces the eye
    vue->setTextureY(tex.data(), 128);
    image = vue->capturerImage();
    for (double x = -0.5; x <= 0.51; x += 0.5)
        for (double z = -0.5; z <= 0.51; z += 0.5) {
            const Pixel p = pixelScene(image, x, 0, z);
            EXPECT_NEAR(p.r, (x + 1) / 2 * 256, 5) << x << " " << z;
            EXPECT_NEAR(p.g, (z + 1) / 2 * 256, 5) << x << " " << z;
        }
}

TEST_F(View, AxesShowTheirThreeColours) {
    tourner(30, 20);
    vue->setRepere(true);
    QImage image = vue->capturerImage();
    const auto domine = [](int canal) {
        return [canal](const Pixel& p) {
            const int c[3] = {p.r, p.g, p.b};
            return c[canal] > 90 && c[(canal + 1) % 3] < 60 && c[(canal + 2) % 3] < 60;
        };
    };
    EXPECT_GT(compter(image, domine(0)), 100) << "red X axis";
    EXPECT_GT(compter(image, domine(1)), 100) << "green Y axis";
    EXPECT_GT(compter(image, domine(2)), 100) << "blue Z axis";
    // The X axis points to the right of the origin, the Y axis up.
    const QPointF origine = projeter(0, 0, 0);
    const QPointF bx = projeter(0.5, 0, 0);
    const QPointF by = projeter(0, 0.5, 0);
    EXPECT_GT(bx.x(), origine.x());
    EXPECT_LT(by.y(), origine.y());
    EXPECT_TRUE(domine(0)(lire(image, int(bx.x()), int(bx.y()))));
    EXPECT_TRUE(domine(1)(lire(image, int(by.x()), int(by.y()))));
    vue->setRepere(false);
    image = vue->capturerImage();
    EXPECT_EQ(compter(image, [](const Pixel& p) { return !estFond(p); }), 0);
}

TEST_F(View, ResizeWithZeroHeightUsesAnAspectOfTheWidth) {
    vue->ReSizeGLScene(400, 0);
    EXPECT_EQ(vue->hauteurVue(), 1);
    vue->makeCurrent();
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[5] / projection[0], 400.0, 1e-3);
    vue->ReSizeGLScene(cote, cote);
    vue->makeCurrent();
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[5] / projection[0], 1.0, 1e-6);
    EXPECT_NEAR(projection[5], 1 / std::tan(22.5 * kPi / 180), 1e-5);
}

TEST_F(View, ReadsItsTwoSettingsFromTheConfigurationFile) {
    EXPECT_FALSE(vue->LireConfig()) << "no file yet";
    EXPECT_EQ(vue->ParamDistanceHara, 0);
    std::ofstream(dossier / "config.txt") << "commentaire\n#1# distance\n=7=\n#40#\n=1=\n"
                                             "#2#\n= -3 =\n";
    EXPECT_TRUE(vue->LireConfig());
    EXPECT_EQ(vue->ParamDistanceHara, 7);
    EXPECT_EQ(vue->ParamQuantificationHara, -3);
}

TEST_F(View, CameraSwitchKeepsEachCameraAndDispatchesInput) {
    ASSERT_TRUE(vue->camera);
    EXPECT_FALSE(vue->cameraFree);
    EXPECT_DOUBLE_EQ(vue->camera->getDistance(), -1.0);
    EXPECT_DOUBLE_EQ(vue->camera->getScrollSensivity(), 0.5);

    envoyerTouche(QEvent::KeyPress, Qt::Key_M);
    envoyerTouche(QEvent::KeyRelease, Qt::Key_M);
    EXPECT_DOUBLE_EQ(vue->camera->getDistance(), -1.5);
    QWheelEvent roue(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(vue, &roue);
    EXPECT_DOUBLE_EQ(vue->camera->getDistance(), -1.0);

    QMouseEvent appui(QEvent::MouseButtonPress, QPointF(100, 100), QPointF(100, 100),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vue, &appui);
    QMouseEvent mouvement(QEvent::MouseMove, QPointF(130, 90), QPointF(130, 90), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vue, &mouvement);
    EXPECT_DOUBLE_EQ(vue->camera->getAngleY(), 30.0);
    EXPECT_DOUBLE_EQ(vue->camera->getAngleX(), -10.0);

    vue->setChoixCamera(ChoixCamera::Free);
    ASSERT_TRUE(vue->cameraFree);
    EXPECT_EQ(vue->choixCamera, ChoixCamera::Free);
    EXPECT_DOUBLE_EQ(vue->cameraFree->getPosition().getZ(), 2.0);
    EXPECT_DOUBLE_EQ(vue->cameraFree->getSpeed(), 0.5);
    EXPECT_DOUBLE_EQ(vue->cameraFree->getMotionSensivity(), 0.5);
    EXPECT_EQ(vue->cameraFree->getScrollSensivity(), 1);
    vue->capturerImage();
    EXPECT_EQ(vue->cameraFree->getLightPosition()[2], 2.0f) << "the light sits at the eye";

    // Z held, then Q pressed: the second key event moves along both.
    envoyerTouche(QEvent::KeyPress, Qt::Key_Z);
    envoyerTouche(QEvent::KeyPress, Qt::Key_Q);
    EXPECT_NEAR(vue->cameraFree->getPosition().getZ(), 1.0, 1e-12);
    EXPECT_NEAR(vue->cameraFree->getPosition().getX(), -0.5, 1e-12);
    envoyerTouche(QEvent::KeyRelease, Qt::Key_Z);
    envoyerTouche(QEvent::KeyRelease, Qt::Key_Q);

    vue->setChoixCamera(static_cast<ChoixCamera>(7));
    EXPECT_EQ(vue->choixCamera, ChoixCamera::Free) << "an unknown choice keeps the active camera";
    vue->setChoixCamera(ChoixCamera::TrackBall);
    EXPECT_EQ(vue->choixCamera, ChoixCamera::TrackBall);
    EXPECT_DOUBLE_EQ(vue->camera->getAngleY(), 30.0) << "the trackball keeps its angles";
    vue->setChoixCamera(ChoixCamera::Free);
    EXPECT_NEAR(vue->cameraFree->getPosition().getZ(), 1.0, 1e-12) << "and the free-fly its place";
}

namespace {

class MeshView : public View {
protected:
    void SetUp() override {
        View::SetUp();
        synthese::cadreVolume(100);
        synthese::construireSphere(maillage, CPoint3D(50, 50, 50), 30, 8, 12);
        vue->maillage = &maillage;
        vue->bmaillage = true;
    }
    void TearDown() override {
        vue->maillage = nullptr;
        View::TearDown();
        synthese::cadreVolume(1);
    }
    void montrerSeulement(bool* drapeau) {
        for (bool* d :
             {&maillage.afficherFaces, &maillage.afficherFacesLisses, &maillage.afficherAretes,
              &maillage.afficherSommets, &maillage.afficherNormales, &maillage.afficherVecteurs})
            *d = d == drapeau;
    }
    CMaillageTriangleChRegion maillage;
};

bool jaunatre(const Pixel& p) { return p.r > 60 && p.g > 60 && p.r - p.b > 20 && p.g - p.b > 20; }

} // namespace

TEST_F(MeshView, LitMeshAppearsAndDisappearsWithItsFlag) {
    QImage image = vue->capturerImage();
    // Sphere of radius 0.6 in scene units: diffuse colour on the upper flank, toward the light
    // above the eye, away from the specular highlight.
    const double zSurface = std::sqrt(0.36 - 2 * 0.35 * 0.35);
    const Pixel flanc = pixelScene(image, 0.35, 0.35, zSurface);
    EXPECT_TRUE(jaunatre(flanc)) << flanc.r << " " << flanc.g << " " << flanc.b;
    EXPECT_GT(pixelScene(image, 0, 0, 0.6).r, 150) << "the side facing the eye is lit";
    EXPECT_GT(compter(image, jaunatre), 5000);
    EXPECT_TRUE(estFond(lire(image, 2, 2)));

    vue->bmaillage = false;
    image = vue->capturerImage();
    EXPECT_EQ(compter(image, [](const Pixel& p) { return !estFond(p); }), 0);

    // Flat faces alone draw the same silhouette.
    vue->bmaillage = true;
    montrerSeulement(&maillage.afficherFaces);
    image = vue->capturerImage();
    EXPECT_TRUE(jaunatre(pixelScene(image, 0.35, 0.35, zSurface)));

    // With the trackball the light turns with the eye: the side facing it stays lit.
    tourner(180, 0);
    image = vue->capturerImage();
    EXPECT_GT(pixelScene(image, 0, 0, -0.6).r, 150);
}

TEST_F(MeshView, EdgesAloneAreBlackLinesAndLightingComesBack) {
    montrerSeulement(&maillage.afficherAretes);
    const QImage image = vue->capturerImage();
    EXPECT_GT(compter(image, [](const Pixel& p) { return p.r < 40 && p.g < 40 && p.b < 40; }), 300);
    EXPECT_EQ(compter(image, jaunatre), 0);
    EXPECT_EQ(
        compter(image, [](const Pixel& p) { return !estFond(p) && !(p.r == p.g && p.g == p.b); }),
        0)
        << "only black lines over the grey";

    vue->makeCurrent();
    for (bool* drapeau :
         {&maillage.afficherAretes, &maillage.afficherNormales, &maillage.afficherVecteurs}) {
        montrerSeulement(drapeau);
        glDisable(GL_LIGHTING);
        maillage.dessinerOpenGL();
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    }
}

TEST_F(MeshView, NormalsAndVectorsAreRedArrows) {
    const auto rouge = [](const Pixel& p) { return p.r > 200 && p.g < 60 && p.b < 60; };
    const auto vert = [](const Pixel& p) { return p.g > 200 && p.r < 60 && p.b < 60; };
    montrerSeulement(&maillage.afficherNormales);
    QImage image = vue->capturerImage();
    EXPECT_GT(compter(image, rouge), 200);

    // Zero vectors give zero-length arrows, which draw nothing.
    montrerSeulement(&maillage.afficherVecteurs);
    image = vue->capturerImage();
    EXPECT_EQ(compter(image, [](const Pixel& p) { return !estFond(p); }), 0);
    for (CSommetChRegion* v = maillage.premierSommet; v; v = v->suivant)
        v->vecteur1 = CPoint3D(0, -5, 0);
    image = vue->capturerImage();
    EXPECT_GT(compter(image, rouge), 200);
    EXPECT_EQ(compter(image, vert), 0) << "the arrow's own red wins over the green set before";
}

TEST_F(MeshView, SpheresFollowTheActiveList) {
    montrerSeulement(&maillage.afficherSommets);
    maillage.rayonSphere = 0.04f;
    const auto clair = [](const Pixel& p) { return p.r > 215 && p.g > 215 && p.b > 215; };
    QImage image = vue->capturerImage();
    const int blancs = compter(image, clair);
    EXPECT_GT(blancs, 100);
    EXPECT_EQ(compter(image, jaunatre), 0);

    // Inactive vertices are black.
    for (CSommetChRegion* v = maillage.premierSommet; v; v = v->suivant)
        v->actif = false;
    image = vue->capturerImage();
    EXPECT_EQ(compter(image, clair), 0);
    EXPECT_GT(compter(image, [](const Pixel& p) { return p.r < 60 && p.g < 60 && p.b < 60; }),
              blancs / 2);

    // A vertex outside the active list gets no sphere.
    maillage.sommetsActifs.vider();
    for (CSommetChRegion* v = maillage.premierSommet; v; v = v->suivant) {
        v->enListeActive = false;
        v->elementActif = nullptr;
    }
    image = vue->capturerImage();
    EXPECT_EQ(compter(image, [](const Pixel& p) { return !estFond(p); }), 0);
}

namespace {

// Line vertices (scene coordinates, through identity matrices) drawn by f.
std::vector<CPoint3D> lignesDessinees(const std::function<void()>& f) {
    std::vector<GLfloat> tampon(100000);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glFeedbackBuffer(static_cast<GLsizei>(tampon.size()), GL_3D, tampon.data());
    glRenderMode(GL_FEEDBACK);
    f();
    const GLint n = glRenderMode(GL_RENDER);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    std::vector<CPoint3D> points;
    const auto scene = [&](int i) {
        return CPoint3D(tampon[i] / viewport[2] * 2 - 1, tampon[i + 1] / viewport[3] * 2 - 1,
                        tampon[i + 2] * 2 - 1);
    };
    for (GLint i = 0; i < n;) {
        const GLint jeton = static_cast<GLint>(tampon[i]);
        if (jeton == GL_LINE_TOKEN || jeton == GL_LINE_RESET_TOKEN) {
            points.push_back(scene(i + 1));
            points.push_back(scene(i + 4));
            i += 7;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << jeton;
            break;
        }
    }
    return points;
}

} // namespace

TEST_F(View, ArrowKeepsItsFirstShapeAndIsAlwaysRed) {
    vue->capturerImage();
    vue->makeCurrent();
    glColor3f(0, 1, 0);
    EXPECT_TRUE(lignesDessinees([] {
                    dessinerFleche(CPoint3D(0.1f, 0.1f, 0), CPoint3D(0.1f, 0.1f, 0), 8, 0.05f,
                                   0.25f);
                }).empty())
        << "a zero-length arrow draws nothing";
    ASSERT_EQ(modeleFlecheCourant().taille(), 17) << "the template is built by the first call";

    const auto points = lignesDessinees(
        [] { dessinerFleche(CPoint3D(-0.8f, 0, 0), CPoint3D(0.8f, 0, 0), 30, 0.4f, 0.6f); });
    ASSERT_EQ(points.size(), 2u * 17) << "a later call reuses the first call's shape";
    // Length 1.6: head 0.4 long and 0.08 in radius, whatever this call asked for.
    int anneau = 0;
    for (const CPoint3D& p : points) {
        EXPECT_GE(p.x, -0.8f - 1e-4f);
        EXPECT_LE(p.x, 0.8f + 1e-4f);
        EXPECT_LE(std::hypot(p.y, p.z), 0.08f + 1e-4f);
        if (std::fabs(p.x - 0.4f) < 1e-3f) {
            EXPECT_NEAR(std::hypot(p.y, p.z), 0.08f, 1e-3f);
            ++anneau;
        }
    }
    EXPECT_EQ(anneau, 8 * 3) << "each ring point ends two ring sides and one head line";
    GLfloat couleur[4];
    glGetFloatv(GL_CURRENT_COLOR, couleur);
    EXPECT_EQ(couleur[0], 1.0f);
    EXPECT_EQ(couleur[1], 0.0f);
    EXPECT_EQ(couleur[2], 0.0f);

    // Arrows parallel to the z axis point the right way.
    for (float sens : {1.0f, -1.0f}) {
        const auto pts = lignesDessinees(
            [sens] { dessinerFleche(CPoint3D(0, 0, 0), CPoint3D(0, 0, 0.5f * sens), 8, 0, 0); });
        ASSERT_EQ(pts.size(), 2u * 17);
        for (const CPoint3D& p : pts) {
            EXPECT_LE(std::hypot(p.x, p.y), 0.05f * 0.5f + 1e-4f);
            EXPECT_GE(p.z * sens, -1e-4) << "the arrow stays on its side of the origin";
        }
    }
}

namespace {

int pixelsDifferents(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

TEST_F(MeshView, SkippingHiddenBackFacesLeavesThePictureUnchanged) {
    tourner(35, 20);
    const QImage reference = vue->capturerImage();
    // The same triangles with their corners in the other order and orientation -1.
    for (CTriangleChRegion* t = maillage.premierTriangle; t; t = t->suivant) {
        std::swap(t->b, t->c);
        t->orientation = -1;
    }
    EXPECT_EQ(pixelsDifferents(vue->capturerImage(), reference), 0);
    // Unknown orientations: every face is drawn. Only a pixel or two of the silhouette, where
    // a back face may tie in depth with a front face, could tell the difference.
    for (CTriangleChRegion* t = maillage.premierTriangle; t; t = t->suivant)
        t->orientation = 0;
    EXPECT_LE(pixelsDifferents(vue->capturerImage(), reference), 3);
    // From inside the sphere the inner side fills the whole view.
    vue->setChoixCamera(ChoixCamera::Free);
    vue->cameraFree->setPosition(CVecteur3D(0, 0, 0));
    for (CTriangleChRegion* t = maillage.premierTriangle; t; t = t->suivant)
        t->orientation = 1;
    EXPECT_EQ(compter(vue->capturerImage(), estFond), 0);
}

TEST_F(MeshView, ExtractedTorusLooksTheSameWithOrWithoutItsBackFaces) {
    // A torus lying across the view: from most directions rays cross the surface four times.
    // Only silhouette pixels, where a back face may tie in depth with a front face, may differ.
    constexpr int n = 48;
    CImage3D volume;
    ASSERT_TRUE(volume.Create(n, n, n));
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const double r = std::hypot(x - 23.5, z - 23.5) - 14;
                volume.Pixel(x, y, z) = r * r + (y - 23.5) * (y - 23.5) <= 36 ? 255 : 0;
            }
    synthese::cadreVolume(n);
    CRegion3D::initialiserVoisinages();
    CRegion3D region;
    ASSERT_TRUE(region.creerRegionImage3D(volume));
    region.ajouterBordsTopologie();
    region.ajouterBordsTopologie2();
    CMaillageTriangleChRegion tore;
    tore.creerMaillageTriangleChRegion2(region, 1);
    tore.lisserCourbureTaubin(10);
    tore.calculerNormales();
    tore.calculerNormalesSommets();
    std::vector<int> orientations;
    for (CTriangleChRegion* t = tore.premierTriangle; t; t = t->suivant)
        orientations.push_back(t->orientation);
    const auto orienter = [&](bool connue) {
        std::size_t i = 0;
        for (CTriangleChRegion* t = tore.premierTriangle; t; t = t->suivant)
            t->orientation = connue ? orientations[i++] : 0;
    };
    vue->maillage = &tore;
    for (const auto& [angleY, angleX] :
         {std::pair(0, 0), std::pair(40, 30), std::pair(-70, 80), std::pair(160, -45)}) {
        tourner(angleY, angleX);
        orienter(true);
        const QImage sansFacesArriere = vue->capturerImage();
        EXPECT_GT(compter(sansFacesArriere, jaunatre), 3000);
        orienter(false);
        EXPECT_LE(pixelsDifferents(vue->capturerImage(), sansFacesArriere), 30)
            << angleY << " " << angleX;
    }
    vue->maillage = &maillage;
    synthese::cadreVolume(100);
}

// Lit by its ambient term alone, every face has one colour C whatever its normal. With an alpha
// of 1/2 a pixel covered once is (C + B) / 2 over the background B, covered by the near side
// drawn over the far side (3 C + B) / 4. Opaque faces would give C; far sides culled, no pixel
// of the second kind.
TEST_F(MeshView, TranslucentFacesShowTheFarSideWhateverTheTriangleOrientation) {
    tourner(35, 20);
    for (int k = 0; k < 3; ++k) {
        maillage.materielAmbiant[k] = std::array<float, 3>{0.6f, 0.3f, 0.15f}[k];
        maillage.materielDiffus[k] = 0.0f;
        maillage.materielSpeculaire[k] = 0.0f;
    }
    const QImage opaque = vue->capturerImage();
    const QPointF centre = projeter(0, 0, 0);
    const Pixel c = lire(opaque, static_cast<int>(centre.x()), static_cast<int>(centre.y()));
    ASSERT_FALSE(estFond(c));
    const int couverts = compter(opaque, [](const Pixel& p) { return !estFond(p); });
    ASSERT_GT(couverts, 20000);
    ASSERT_EQ(compter(opaque,
                      [&](const Pixel& p) {
                          return !estFond(p) && (p.r != c.r || p.g != c.g || p.b != c.b);
                      }),
              0);

    maillage.materielDiffus[3] = 0.5f;
    const auto melange = [&](const Pixel& p, double part) {
        const auto proche = [](int v, double attendu) { return std::abs(v - attendu) <= 2.0; };
        return proche(p.r, part * c.r + (1 - part) * 204) &&
               proche(p.g, part * c.g + (1 - part) * 204) &&
               proche(p.b, part * c.b + (1 - part) * 204);
    };
    const QImage ordonnee = vue->capturerImage();
    for (CTriangleChRegion* t = maillage.premierTriangle; t; t = t->suivant)
        t->orientation = 0;
    const QImage quelconque = vue->capturerImage();
    for (const QImage* image : {&ordonnee, &quelconque}) {
        int simples = 0, doubles = 0, autres = 0;
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < image->width(); ++x) {
                if (estFond(lire(opaque, x, y)))
                    continue;
                const Pixel p = lire(*image, x, y);
                if (melange(p, 0.5))
                    ++simples;
                else if (melange(p, 0.75))
                    ++doubles;
                else
                    ++autres;
            }
        // Silhouette pixels may mix otherwise.
        EXPECT_LE(autres, couverts / 100) << (image == &ordonnee ? "oriented" : "unoriented");
        EXPECT_GT(doubles, couverts / 5) << (image == &ordonnee ? "oriented" : "unoriented");
    }
    EXPECT_LE(pixelsDifferents(ordonnee, quelconque), 3);
}

TEST_F(MeshView, PictureDoesNotDependOnWhatWasDrawnOrCopiedBefore) {
    tourner(20, 10);
    const QImage reference = vue->capturerImage();
    EXPECT_GT(compter(reference, jaunatre), 5000);
    // Another mesh drawn in between, whose vertices take the same working numbers.
    CMaillageTriangleChRegion autre;
    synthese::construireSphere(autre, CPoint3D(30, 60, 40), 12, 5, 7);
    vue->maillage = &autre;
    const QImage image = vue->capturerImage();
    EXPECT_NE(pixelsDifferents(image, reference), 0);
    vue->maillage = &maillage;
    EXPECT_EQ(pixelsDifferents(vue->capturerImage(), reference), 0);
    // A copy renumbers the source's vertices 0 .. n-1.
    CMaillageTriangleChRegion copie;
    copie = maillage;
    EXPECT_EQ(pixelsDifferents(vue->capturerImage(), reference), 0);
    vue->maillage = &copie;
    EXPECT_EQ(pixelsDifferents(vue->capturerImage(), reference), 0);
    vue->maillage = &maillage;
}

// The buffers draw what the mesh's own drawing from memory draws, to the pixel: the frame
// of the view against the mesh drawn again by dessinerOpenGL under the frame's matrices and
// light, for smooth faces, flat faces and edges, lit from two sides and with translucent faces.
TEST_F(MeshView, BuffersDrawWhatTheMeshsOwnDrawingDraws) {
    const auto dessinDirect = [this] {
        vue->makeCurrent();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        maillage.dessinerOpenGL();
        glFlush();
        return vue->imageAffichee();
    };
    for (bool* drapeau :
         {&maillage.afficherFacesLisses, &maillage.afficherFaces, &maillage.afficherAretes}) {
        montrerSeulement(drapeau);
        for (const auto& [angleY, angleX] : {std::pair(0, 0), std::pair(35, 20)}) {
            tourner(angleY, angleX);
            vue->capturerImage();
            const QImage tampons = vue->imageAffichee();
            EXPECT_GT(compter(tampons, [](const Pixel& p) { return !estFond(p); }), 1000);
            EXPECT_EQ(pixelsDifferents(tampons, dessinDirect()), 0) << angleY << " " << angleX;
        }
    }
    montrerSeulement(&maillage.afficherFacesLisses);
    maillage.materielDiffus[3] = 0.5f;
    vue->capturerImage();
    const QImage translucide = vue->imageAffichee();
    EXPECT_EQ(pixelsDifferents(translucide, dessinDirect()), 0);
}

// Turning the camera copies nothing to the driver again, and shows what a fresh frame with a
// fresh copy shows; a mesh changed in place shows once Draw is called.
TEST_F(MeshView, TurningTheCameraReusesTheMeshsBuffers) {
    vue->Draw();
    const int chargements = vue->nbChargementsMaillage();
    EXPECT_GE(chargements, 1);
    QMouseEvent appui(QEvent::MouseButtonPress, QPointF(100, 100), QPointF(100, 100),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vue, &appui);
    for (int i = 1; i <= 5; ++i) {
        QMouseEvent mouvement(QEvent::MouseMove, QPointF(100 + 7 * i, 100 + 3 * i),
                              QPointF(100 + 7 * i, 100 + 3 * i), Qt::NoButton, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(vue, &mouvement);
    }
    QMouseEvent relache(QEvent::MouseButtonRelease, QPointF(135, 115), QPointF(135, 115),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(vue, &relache);
    EXPECT_EQ(vue->nbChargementsMaillage(), chargements);
    const QImage tournee = vue->imageAffichee();
    EXPECT_EQ(pixelsDifferents(tournee, vue->capturerImage()), 0);
    EXPECT_GT(vue->nbChargementsMaillage(), chargements) << "a fresh frame copies again";

    // The sphere moved in place by a whole radius: gone from where it was once drawn again.
    for (CSommetChRegion* v = maillage.premierSommet; v != nullptr; v = v->suivant)
        v->x += 30;
    vue->Draw();
    EXPECT_NE(pixelsDifferents(vue->imageAffichee(), tournee), 0);
}

// A slice is uploaded once for what it shows: moving it, redrawing or showing the same texels
// through another pointer uploads nothing; texels rebuilt in place are uploaded at the next
// frame, and each axis keeps its own texture.
TEST_F(View, SlicesAreUploadedOnlyWhenTheirTexelsChange) {
    std::vector<unsigned char> tex = textureDegrade();
    const std::vector<unsigned char> copie = tex;
    const int depart = vue->nbChargementsCoupes();
    vue->setTextureZ(tex.data(), 128);
    EXPECT_EQ(vue->nbChargementsCoupes(), depart + 1);
    vue->setTextureZ(tex.data(), 64);
    vue->Draw();
    vue->setTextureZ(copie.data(), 64);
    EXPECT_EQ(vue->nbChargementsCoupes(), depart + 1);
    vue->setTextureX(tex.data(), 128);
    EXPECT_EQ(vue->nbChargementsCoupes(), depart + 2);

    vue->setTextureX(tex.data(), -1);
    vue->setTextureZ(tex.data(), 128);
    const QImage avant = vue->capturerImage();
    for (std::size_t i = 0; i < tex.size(); i += 3)
        tex[i + 2] = 0;
    const QImage apres = vue->capturerImage();
    EXPECT_EQ(vue->nbChargementsCoupes(), depart + 3);
    EXPECT_NEAR(pixelScene(avant, 0, 0, 0).b, 128, 2);
    EXPECT_NEAR(pixelScene(apres, 0, 0, 0).b, 0, 2);
}
