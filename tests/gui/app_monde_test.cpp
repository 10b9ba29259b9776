// A volume in its patient's world, in the window: the 3D view draws it right-handed in world
// millimetres (the patient's right toward +X, front toward +Y, top toward +Z), and the cut
// pictures show it as users read it, with the patient's sides on their edges, in the
// radiological or neurological convention, keeping their proportions. Three labels mark the
// patient's right, front and top; their colours are read back from the screen.

#include "AppFenetre.h"

#include "helpers/volumes.h"
#include "volume/EcritureVolume.h"
#include "volume/OrientationCoupes.h"

#include <QActionGroup>
#include <QMenu>

#include <array>
#include <optional>

using Stravol::ConventionGaucheDroite;
using Stravol::COpenGL;
using Stravol::CouleurRVB;
using Stravol::Form1;
using Stravol::TypeVoxel;
using Stravol::VolumeBrut;
using testapp::WindowTest;

namespace {

using Affine = std::array<std::array<double, 4>, 3>;

constexpr int kCote = 24;
// Labels of the patient's right, front and top.
constexpr int kDroite = 1, kAvant = 2, kHaut = 3;

// Two transforms of 2 mm voxels centred on the world's origin: a turn that sends voxel x to the
// back, y down and z to the right (a sagittal acquisition, no mirror), and the usual mirrored x
// of radiology files (LAS).
const Affine kTourne = {{{0, 0, 2, -23}, {-2, 0, 0, 23}, {0, -2, 0, 23}}};
const Affine kLAS = {{{-2, 0, 0, 23}, {0, 2, 0, -23}, {0, 0, 2, -23}}};

std::array<double, 3> monde(const Affine& a, int x, int y, int z) {
    std::array<double, 3> w{};
    for (int i = 0; i < 3; ++i)
        w[i] = a[i][0] * x + a[i][1] * y + a[i][2] * z + a[i][3];
    return w;
}

// Label of the voxel at world position w: a bar toward the right, the front or the top.
int etiquetteMonde(const std::array<double, 3>& w) {
    const auto pres = [](double c) { return std::abs(c) < 6; };
    if (w[0] > 6 && pres(w[1]) && pres(w[2]))
        return kDroite;
    if (w[1] > 6 && pres(w[0]) && pres(w[2]))
        return kAvant;
    if (w[2] > 6 && pres(w[0]) && pres(w[1]))
        return kHaut;
    return 0;
}

// Centre of the pixels of an image within 12 of a colour on each channel; none when there are
// fewer than 20.
std::optional<QPointF> centre(const QImage& image, const CouleurRVB& c) {
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - c[0]) <= 12 && std::abs(qGreen(p) - c[1]) <= 12 &&
                std::abs(qBlue(p) - c[2]) <= 12) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    if (n < 20)
        return std::nullopt;
    return QPointF(sx / n, sy / n);
}

class PatientWindow : public WindowTest {
protected:
    // Opens a grey volume and its labels placed by transform a, shows the labels in colour.
    void ouvrir(const Affine& a, const char* nom) {
        std::string erreur;
        VolumeBrut gris =
            volumeTest(TypeVoxel::Octet, kCote, kCote, kCote, [](int, int, int) { return 100; });
        VolumeBrut etiquettes =
            volumeTest(TypeVoxel::Octet, kCote, kCote, kCote,
                       [&a](int x, int y, int z) { return etiquetteMonde(monde(a, x, y, z)); });
        for (VolumeBrut* v : {&gris, &etiquettes}) {
            v->geometrie.affine = a;
            v->geometrie.espacement = {2, 2, 2};
        }
        const std::string g = temp / (std::string(nom) + "-gris.nii");
        const std::string e = temp / (std::string(nom) + "-etiquettes.nii");
        ASSERT_TRUE(Stravol::ecrireNifti(g, gris, 1, erreur)) << erreur;
        ASSERT_TRUE(Stravol::ecrireNifti(e, etiquettes, 1, erreur)) << erreur;
        ASSERT_TRUE(
            fenetre->ouvrirFichiers({QString::fromStdString(g), QString::fromStdString(e)}));
        ASSERT_TRUE(messages.empty()) << messages.front();
        if (!ihm.etiquettesCouleurToolStripMenuItem->isChecked())
            ihm.etiquettesCouleurToolStripMenuItem->trigger();
        ihm.imageSegmenteToolStripMenuItem->trigger();
        affine = a;
    }
    // The voxel axis that runs along world axis m.
    int axeVoxel(int m) const {
        Stravol::Geometrie g;
        g.affine = affine;
        const auto axes = Stravol::axesAnatomiques(g);
        for (int a = 0; a < 3; ++a)
            if (axes[a].monde == m)
                return a;
        return -1;
    }
    QCheckBox* caseAxe(int a) const {
        return a == 0 ? ihm.checkX : a == 1 ? ihm.checkY : ihm.checkZ;
    }
    QSlider* barreAxe(int a) const {
        return a == 0 ? ihm.trackBarX : a == 1 ? ihm.trackBarY : ihm.trackBarZ;
    }
    // Only the middle cut across world axis m in the 3D view.
    void couperAuMilieu(int m) {
        for (int a = 0; a < 3; ++a)
            if (caseAxe(a)->isChecked())
                QTest::mouseClick(caseAxe(a), Qt::LeftButton);
        const int a = axeVoxel(m);
        barreAxe(a)->setValue(kCote / 2);
        QTest::mouseClick(caseAxe(a), Qt::LeftButton);
    }
    // The picture shows the middle cut across world axis m.
    void montrerAuMilieu(int m) {
        const int a = axeVoxel(m);
        if (!caseAxe(a)->isChecked())
            QTest::mouseClick(caseAxe(a), Qt::LeftButton);
        barreAxe(a)->setValue(kCote / 2 - 1);
        testapp::defiler(barreAxe(a), 1);
    }
    CouleurRVB couleur(int etiquette) const {
        return fenetre->volume()->palette.couleur(static_cast<std::uint32_t>(etiquette));
    }
    // Where the scene's origin (the volume's centre) shows in the view.
    QPointF centreVue() {
        const auto p = fenetre->vue()->projeterScene({0, 0, 0});
        return {p[0], p[1]};
    }
    Affine affine{};
};

// The picture pixels within the picture's middle ninth, far from the letters on its edges.
std::set<QRgb> couleursCentrales(Stravol::ImageCoupe& image) {
    const QImage vue = image.grab().toImage();
    const QRect c = image.cible();
    std::set<QRgb> couleurs;
    for (int y = c.top() + c.height() / 3; y < c.bottom() - c.height() / 3; ++y)
        for (int x = c.left() + c.width() / 3; x < c.right() - c.width() / 3; ++x)
            couleurs.insert(vue.pixel(x, y) | 0xff000000u);
    return couleurs;
}

} // namespace

TEST_F(PatientWindow, TheViewIsRightHandedInTheWorld) {
    for (const Affine* a : {&kTourne, &kLAS}) {
        SCOPED_TRACE(a == &kTourne ? "tourne" : "LAS");
        ouvrir(*a, a == &kTourne ? "tourne" : "las");
        COpenGL& vue = *fenetre->vue();
        ASSERT_TRUE(vue.repereMonde.has_value());

        // The world's axes through the view: +X to the right, +Y up, +Z toward the eye, a
        // right-handed frame on the screen (depth grows away from the eye).
        const auto o = vue.projeterScene(vue.repereMonde->versScene({0, 0, 0}));
        std::array<std::array<double, 3>, 3> axes{};
        for (int m = 0; m < 3; ++m) {
            std::array<double, 3> w{0, 0, 0};
            w[m] = 10;
            const auto p = vue.projeterScene(vue.repereMonde->versScene(w));
            axes[m] = {p[0] - o[0], o[1] - p[1], (o[2] - p[2]) * 1e4};
        }
        EXPECT_GT(axes[0][0], 5);
        EXPECT_GT(axes[1][1], 5);
        EXPECT_GT(axes[2][2], 0);
        const double det = axes[0][0] * (axes[1][1] * axes[2][2] - axes[1][2] * axes[2][1]) -
                           axes[0][1] * (axes[1][0] * axes[2][2] - axes[1][2] * axes[2][0]) +
                           axes[0][2] * (axes[1][0] * axes[2][1] - axes[1][1] * axes[2][0]);
        EXPECT_GT(det, 0);

        // The axial cut seen from above: the patient's right on the right, the front up.
        couperAuMilieu(2);
        QImage image = vue.capturerImage();
        QPointF c = centreVue();
        const auto droite = centre(image, couleur(kDroite));
        const auto avant = centre(image, couleur(kAvant));
        ASSERT_TRUE(droite && avant);
        EXPECT_GT(droite->x(), c.x() + 20);
        EXPECT_NEAR(droite->y(), c.y(), 12);
        EXPECT_LT(avant->y(), c.y() - 20);
        EXPECT_NEAR(avant->x(), c.x(), 12);

        // The scene turned a quarter toward the eye's top: the coronal cut seen from behind,
        // the right still on the right, the top up.
        vue.camera->setHold(true, {BoutonSouris::Gauche, 100, 100, 0});
        vue.camera->OnMouseMove({BoutonSouris::Gauche, 100, 10, 0});
        vue.camera->setHold(false, {BoutonSouris::Gauche, 100, 10, 0});
        couperAuMilieu(1);
        image = vue.capturerImage();
        c = centreVue();
        const auto droite2 = centre(image, couleur(kDroite));
        const auto haut = centre(image, couleur(kHaut));
        ASSERT_TRUE(droite2 && haut);
        EXPECT_GT(droite2->x(), c.x() + 20);
        EXPECT_LT(haut->y(), c.y() - 20);
        EXPECT_NEAR(haut->x(), c.x(), 12);
    }
}

TEST_F(PatientWindow, PicturesAsUsersReadThem) {
    ouvrir(kTourne, "tourne");
    Form1& f = *fenetre;
    auto* image = f.findChild<Stravol::ImageCoupe*>("pictureBox1");
    auto* radiologique = testapp::enfant<QAction>(f, "radiologiqueToolStripMenuItem");
    auto* neurologique = testapp::enfant<QAction>(f, "neurologiqueToolStripMenuItem");
    radiologique->trigger();

    // Axial, radiological: the front up, the patient's right on the left of the picture.
    montrerAuMilieu(2);
    ASSERT_TRUE(image->proportionnee());
    EXPECT_EQ(image->lettres(), (std::array<char, 4>{'R', 'L', 'A', 'P'}));
    QImage vue = image->grab().toImage();
    QRect c = image->cible();
    auto droite = centre(vue, couleur(kDroite));
    auto avant = centre(vue, couleur(kAvant));
    ASSERT_TRUE(droite && avant);
    EXPECT_LT(droite->x(), c.center().x() - 10);
    EXPECT_LT(avant->y(), c.center().y() - 10);
    // Each voxel a block of its label's colour: no blend between neighbours.
    const std::set<QRgb> palette = {qRgb(0, 0, 0),
                                    qRgb(couleur(1)[0], couleur(1)[1], couleur(1)[2]),
                                    qRgb(couleur(2)[0], couleur(2)[1], couleur(2)[2]),
                                    qRgb(couleur(3)[0], couleur(3)[1], couleur(3)[2])};
    for (QRgb p : couleursCentrales(*image))
        EXPECT_TRUE(palette.count(p)) << std::hex << p;
    // The pointer over the right bar reads its voxel and label.
    testapp::survoler(image, droite->toPoint());
    EXPECT_TRUE(ihm.labelVoxel->text().endsWith("étiquette 1"))
        << ihm.labelVoxel->text().toStdString();

    // Neurological: the right on the right, at once; the choice is kept for the next window.
    neurologique->trigger();
    EXPECT_EQ(image->lettres(), (std::array<char, 4>{'L', 'R', 'A', 'P'}));
    vue = image->grab().toImage();
    droite = centre(vue, couleur(kDroite));
    ASSERT_TRUE(droite);
    EXPECT_GT(droite->x(), c.center().x() + 10);
    {
        Form1 autre;
        EXPECT_TRUE(testapp::enfant<QAction>(autre, "neurologiqueToolStripMenuItem")->isChecked());
    }

    // Coronal: the top up; sagittal: the top up and the front on the left.
    montrerAuMilieu(1);
    EXPECT_EQ(image->lettres(), (std::array<char, 4>{'L', 'R', 'S', 'I'}));
    vue = image->grab().toImage();
    c = image->cible();
    const auto haut = centre(vue, couleur(kHaut));
    ASSERT_TRUE(haut);
    EXPECT_LT(haut->y(), c.center().y() - 10);
    montrerAuMilieu(0);
    EXPECT_EQ(image->lettres(), (std::array<char, 4>{'A', 'P', 'S', 'I'}));
    vue = image->grab().toImage();
    avant = centre(vue, couleur(kAvant));
    ASSERT_TRUE(avant);
    EXPECT_LT(avant->x(), c.center().x() - 10);

    // A picture folder keeps its stretched picture at its place.
    const std::string dossier = temp / "dossier";
    testapp::ecrireVolume(dossier, "volume", 8, 8, 2, [](int, int, int) { return 50; });
    ASSERT_TRUE(f.ouvrirDossier(QString::fromStdString(dossier)));
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, 1);
    EXPECT_FALSE(image->proportionnee());
    EXPECT_EQ(image->geometry(), QRect(163, 357, 256, 256));
    EXPECT_EQ(image->cible(), image->rect());
}

TEST_F(PatientWindow, PicturesKeepTheirProportionsAndGrowWithTheWindow) {
    // 20 voxels of 1 mm across, 10 of 3 mm down: an axial cut 20 mm wide and 30 mm high.
    std::string erreur;
    VolumeBrut v = volumeTest(TypeVoxel::Octet, 20, 10, 6, [](int x, int, int) { return 10 * x; });
    v.geometrie.affine = {{{1, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 2, 0}}};
    v.geometrie.espacement = {1, 3, 2};
    const std::string fichier = temp / "plat.nii";
    ASSERT_TRUE(Stravol::ecrireNifti(fichier, v, 1, erreur));
    Form1& f = *fenetre;
    ASSERT_TRUE(f.ouvrirFichiers({QString::fromStdString(fichier)}));
    auto* image = f.findChild<Stravol::ImageCoupe*>("pictureBox1");
    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, 2);
    ASSERT_TRUE(image->proportionnee());
    QRect c = image->cible();
    EXPECT_NEAR(static_cast<double>(c.width()) / c.height(), 20.0 / 30, 0.02);
    const QSize avant = image->size();
    EXPECT_GE(avant.width(), 256);

    f.resize(f.width() + 300, f.height() + 200);
    QApplication::processEvents();
    EXPECT_GT(image->width(), avant.width());
    EXPECT_GT(image->height(), avant.height());
    EXPECT_GT(image->cible().height(), c.height());
    c = image->cible();
    EXPECT_NEAR(static_cast<double>(c.width()) / c.height(), 20.0 / 30, 0.02);
    // The loading row stays below the picture.
    EXPECT_GT(ihm.labelChargement->y(), image->geometry().bottom());
    EXPECT_GT(ihm.progressBar1->y(), image->geometry().bottom());
}
