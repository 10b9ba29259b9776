#include "view/COpenGL.h"

#include "mesh/CMaillageTriangleChRegion.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Stravol {

namespace {

constexpr int kCote = CImageTroisD::kCoteTexture;
// Pending GL errors read off before an upload whose own error is checked.
constexpr int kErreursGLMax = 8;
// Pixels the pointer may move between press and release of a click.
constexpr int kDeplacementClic = 3;

const GLfloat Red[4] = {1, 0, 0, 1};
const GLfloat Green[4] = {0, 1, 0, 1};
const GLfloat Blue[4] = {0, 0, 1, 1};
const GLfloat BodySpec[4] = {1, 1, 1, 1};
const GLfloat BodyAmb[4] = {0, 0, 0, 1};

BoutonSouris bouton(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return BoutonSouris::Gauche;
    case Qt::MiddleButton:
        return BoutonSouris::Milieu;
    case Qt::RightButton:
        return BoutonSouris::Droit;
    default:
        return BoutonSouris::Aucun;
    }
}

EvenementSouris evenement(const QMouseEvent* e) {
    EvenementSouris s;
    s.bouton = bouton(e->button());
    const QPoint p = e->position().toPoint();
    s.x = p.x();
    s.y = p.y();
    return s;
}

// Keys are polled by their letter, whatever the keyboard layout that produces it.
Touche touche(int cle) {
    switch (cle) {
    case Qt::Key_R:
        return Touche::R;
    case Qt::Key_M:
        return Touche::M;
    case Qt::Key_P:
        return Touche::P;
    case Qt::Key_Q:
        return Touche::Q;
    case Qt::Key_D:
        return Touche::D;
    case Qt::Key_Z:
        return Touche::Z;
    case Qt::Key_S:
        return Touche::S;
    case Qt::Key_Space:
        return Touche::Espace;
    default:
        return Touche::Nombre;
    }
}

// The spacing the scene uses: the volume's, or 1 on every axis when one is not usable.
std::array<double, 3> espacementScene(const std::array<double, 3>& espacement) {
    for (double e : espacement)
        if (!std::isfinite(e) || e <= 0)
            return {1, 1, 1};
    return espacement;
}

} // namespace

std::array<float, 3> demiCotesScene(int largeur, int hauteur, int profondeur,
                                    const std::array<double, 3>& espacement) {
    if (largeur <= 0 || hauteur <= 0 || profondeur <= 0)
        return {1, 1, 1};
    const std::array<double, 3> e = espacementScene(espacement);
    const double cotes[3] = {largeur * e[0], hauteur * e[1], profondeur * e[2]};
    const double m = std::max({cotes[0], cotes[1], cotes[2]});
    return {static_cast<float>(cotes[0] / m), static_cast<float>(cotes[1] / m),
            static_cast<float>(cotes[2] / m)};
}

std::array<float, 3> echelleMaillageScene(int largeur, int hauteur, int profondeur,
                                          const std::array<double, 3>& espacement) {
    if (largeur <= 0 || hauteur <= 0 || profondeur <= 0)
        return {1, 1, 1};
    const std::array<double, 3> e = espacementScene(espacement);
    // Voxel side of the mesh's frame over the millimetre side of the scene's.
    const double voxels = std::max({largeur, hauteur, profondeur});
    const double mm = std::max({largeur * e[0], hauteur * e[1], profondeur * e[2]});
    std::array<float, 3> echelle{};
    for (int i = 0; i < 3; ++i)
        echelle[i] = static_cast<float>(e[i] * voxels / mm);
    return echelle;
}

QSurfaceFormat COpenGL::formatVue() {
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setProfile(QSurfaceFormat::CompatibilityProfile);
    f.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    f.setRedBufferSize(8);
    f.setGreenBufferSize(8);
    f.setBlueBufferSize(8);
    f.setDepthBufferSize(24);
    return f;
}

COpenGL::COpenGL(QWidget* parentForm, int iWidth, int iHeight, int posX, int posY,
                 CImageTroisD* im3D, const std::string& chemin_)
    : QOpenGLWidget(parentForm), image3D(im3D), chemin(chemin_) {
    if (im3D != nullptr) {
        largeur = im3D->largeur;
        hauteur = im3D->hauteur;
        profondeur = im3D->profondeur;
    }
    const std::array<double, 3> espacement =
        im3D != nullptr ? im3D->geometrie.espacement : std::array<double, 3>{1, 1, 1};
    demiCotes = demiCotesScene(largeur, hauteur, profondeur, espacement);
    echelleMaillage = echelleMaillageScene(largeur, hauteur, profondeur, espacement);
    std::string invalide;
    if (im3D != nullptr && largeur > 0 && hauteur > 0 && profondeur > 0 &&
        transformationMonde(im3D->geometrie) && im3D->geometrie.valide(invalide)) {
        repereMonde.emplace(largeur, hauteur, profondeur, im3D->geometrie.affine);
        demiCotes = repereMonde->demiCotes();
    }
    resize(iWidth, iHeight);
    move(posX, posY);
    setCursor(Qt::CrossCursor);
    // Every pointer motion over the view redraws, button held or not.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFormat(formatVue());
    // The framebuffer keeps its content between compositions, so a frame drawn by Draw()
    // outside the toolkit's paint stays valid until it is shown.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    ReSizeGLScene(iWidth, iHeight);
    setChoixCamera(ChoixCamera::TrackBall);
}

COpenGL::~COpenGL() {
    if (contexteInitialise && texture != 0) {
        makeCurrent();
        glDeleteTextures(3, texturesCoupes.data());
        tamponsMaillage.liberer();
        tamponsEtiquettes.liberer();
        doneCurrent();
    }
}

bool COpenGL::InitGL() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.8f, 0.8f, 0.8f, 0.8f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 10);
    const GLfloat blanc[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, blanc);
    glLightfv(GL_LIGHT0, GL_SPECULAR, blanc);
    glLightfv(GL_LIGHT0, GL_AMBIENT, blanc);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat directionnelle[4] = {100, 100, 100, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, directionnelle);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glGenTextures(3, texturesCoupes.data());
    for (const unsigned int nom : texturesCoupes) {
        glBindTexture(GL_TEXTURE_2D, nom);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
    texture = texturesCoupes[0];
    for (std::vector<unsigned char>& texels : texelsCharges)
        texels.clear();
    return true;
}

void COpenGL::initializeGL() {
    // A new context (the widget moved to another window): the buffers and textures of the
    // previous one went with it.
    tamponsMaillage.oublier();
    tamponsEtiquettes.oublier();
    InitGL();
    contexteInitialise = true;
}

void COpenGL::ReSizeGLScene(int width, int height) {
    largeurProjection = width;
    hauteurProjection = height == 0 ? 1 : height;
    if (contexteInitialise) {
        makeCurrent();
        appliquerProjection();
    }
}

void COpenGL::appliquerProjection() {
    const qreal echelle = echelleRendu_ > 0 ? echelleRendu_ : devicePixelRatioF();
    glViewport(0, 0, static_cast<GLsizei>(largeurProjection * echelle),
               static_cast<GLsizei>(hauteurProjection * echelle));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0,
                   static_cast<float>(largeurProjection) / static_cast<float>(hauteurProjection),
                   0.1f, 5000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The widget's own size changes (docking, window resize) re-project too, so the picture is never
// stretched; the main window's explicit ReSizeGLScene after a splitter move gives the same sizes.
void COpenGL::resizeGL(int w, int h) {
    // The framebuffer is new: whatever was drawn before is gone.
    imageFraiche = false;
    ReSizeGLScene(w, h);
}

// The frame is rendered at once into the widget's framebuffer, which the toolkit then puts on
// screen as soon as control returns to the event loop; that composition's own paint request
// finds the frame ready and does not render it again.
void COpenGL::Draw() {
    tamponsMaillage.invalider();
    redessiner();
}

void COpenGL::redessiner() {
    if (!contexteInitialise || !isVisible()) {
        update();
        return;
    }
    makeCurrent();
    dessinerImage();
    imageFraiche = true;
    update();
}

void COpenGL::paintGL() {
    if (imageFraiche) {
        imageFraiche = false;
        return;
    }
    dessinerImage();
}

void COpenGL::dessinerImage() {
    appliquerProjection();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    appliquerCamera();

    glGetDoublev(GL_PROJECTION_MATRIX, projectionImage_.data());
    glGetDoublev(GL_MODELVIEW_MATRIX, modeleVueImage_.data());

    if (maillage != nullptr && bmaillage)
        dessinerMaillage();
    dessinerMaillagesEtiquettes();
    if (repere)
        DrawRepere();

    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    if (repereMonde) {
        glPushMatrix();
        glMultMatrixd(repereMonde->coupes().data());
    }
    dessinerCoupe(0, textureX, indX);
    dessinerCoupe(1, textureY, indY);
    dessinerCoupe(2, textureZ, indZ);
    if (repereMonde)
        glPopMatrix();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glFlush();
}

void COpenGL::appliquerCamera() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // Trackball: the light is placed before the eye transform, so it keeps its place relative
    // to the eye. Free-fly: placed after it, at the eye's position in the scene.
    if (choixCamera == ChoixCamera::TrackBall && camera) {
        glLightfv(GL_LIGHT0, GL_POSITION, camera->getLightPosition());
        camera->look();
    } else if (choixCamera == ChoixCamera::Free && cameraFree) {
        cameraFree->look();
        glLightfv(GL_LIGHT0, GL_POSITION, cameraFree->getLightPosition());
    }
}

std::array<double, 3> COpenGL::projeterScene(const std::array<double, 3>& p) {
    if (!contexteInitialise)
        return {0, 0, 0};
    makeCurrent();
    appliquerProjection();
    appliquerCamera();
    GLdouble modele[16], projection[16];
    GLint cadre[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modele);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, cadre);
    GLdouble x = 0, y = 0, z = 0;
    gluProject(p[0], p[1], p[2], modele, projection, cadre, &x, &y, &z);
    const double echelle = devicePixelRatioF();
    return {x / echelle, (cadre[3] - y) / echelle, z};
}

void COpenGL::dessinerMaillage() {
    // Cubic voxels: the mesh's frame is the scene's, drawn as it stands.
    if (!repereMonde && echelleMaillage == std::array<float, 3>{1, 1, 1}) {
        tamponsMaillage.dessiner(*maillage);
        return;
    }
    // A scale along the axes keeps the normals' directions under the inverse transpose, not
    // their lengths.
    glPushMatrix();
    if (repereMonde)
        glMultMatrixd(repereMonde->maillage().data());
    else
        glScalef(echelleMaillage[0], echelleMaillage[1], echelleMaillage[2]);
    glEnable(GL_NORMALIZE);
    tamponsMaillage.dessiner(*maillage);
    glDisable(GL_NORMALIZE);
    glPopMatrix();
}

bool COpenGL::chargerCoupe(const unsigned char* tex, std::vector<unsigned char>& charges) {
    charges.clear();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Errors left by earlier calls are not this upload's (a lost context keeps answering one).
    for (int i = 0; i < kErreursGLMax && glGetError() != GL_NO_ERROR; ++i) {
    }
    glTexImage2D(GL_TEXTURE_2D, 0, 4, kCote, kCote, 0, GL_RGB, GL_UNSIGNED_BYTE, tex);
    // A texture the driver could not store is not drawn: drawing it could read memory the
    // driver never got. The rest of the frame is drawn, and the user is told once, after the
    // frame, since a box cannot open inside a paint.
    if (glGetError() == GL_OUT_OF_MEMORY) {
        if (!manqueMemoireSignale && messages != nullptr)
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (messages != nullptr)
                        messages->afficher(
                            "Mémoire insuffisante pour afficher une coupe dans la vue 3D.");
                },
                Qt::QueuedConnection);
        manqueMemoireSignale = true;
        return false;
    }
    manqueMemoireSignale = false;
    charges.assign(tex, tex + CImageTroisD::kTailleTexture);
    ++chargementsCoupes;
    return true;
}

void COpenGL::dessinerCoupe(int axe, const unsigned char* tex, int ind) {
    // A shown slice without a texture has nothing to draw.
    if (ind < 0 || tex == nullptr)
        return;
    // The texture-space index along the slice's own axis, then the square -1 .. +1 scaled to
    // the volume's box, so that a slice passes through the mesh where it cuts the object.
    const float ex = demiCotes[0], ey = demiCotes[1], ez = demiCotes[2];
    const float p = static_cast<float>((ind * 2.0 / kCote - 1) * demiCotes[axe]);
    glBindTexture(GL_TEXTURE_2D, texturesCoupes[static_cast<std::size_t>(axe)]);
    // The slice's texture is uploaded only when its texels differ from those it holds (the
    // volume may rebuild a texture in place).
    std::vector<unsigned char>& charges = texelsCharges[static_cast<std::size_t>(axe)];
    if (charges.size() != CImageTroisD::kTailleTexture ||
        std::memcmp(charges.data(), tex, CImageTroisD::kTailleTexture) != 0)
        if (!chargerCoupe(tex, charges))
            return;
    glBegin(GL_QUADS);
    switch (axe) {
    case 0:
        glTexCoord2f(0, 1);
        glVertex3f(p, -ey, -ez);
        glTexCoord2f(1, 1);
        glVertex3f(p, -ey, ez);
        glTexCoord2f(1, 0);
        glVertex3f(p, ey, ez);
        glTexCoord2f(0, 0);
        glVertex3f(p, ey, -ez);
        break;
    case 1:
        glTexCoord2f(0, 0);
        glVertex3f(-ex, p, -ez);
        glTexCoord2f(1, 0);
        glVertex3f(ex, p, -ez);
        glTexCoord2f(1, 1);
        glVertex3f(ex, p, ez);
        glTexCoord2f(0, 1);
        glVertex3f(-ex, p, ez);
        break;
    default:
        glTexCoord2f(0, 1);
        glVertex3f(-ex, -ey, p);
        glTexCoord2f(1, 1);
        glVertex3f(ex, -ey, p);
        glTexCoord2f(1, 0);
        glVertex3f(ex, ey, p);
        glTexCoord2f(0, 0);
        glVertex3f(-ex, ey, p);
        break;
    }
    glEnd();
}

void COpenGL::DrawRepere() {
    struct Axe {
        const GLfloat* couleur;
        float angle, x, y, z;
    };
    const Axe axes[3] = {{Red, 90, 0, 1, 0}, {Green, -90, 1, 0, 0}, {Blue, 0, 0, 0, 1}};
    glPushMatrix();
    GLUquadric* q = gluNewQuadric();
    gluQuadricDrawStyle(q, GLU_FILL);
    gluQuadricNormals(q, GLU_SMOOTH);
    gluQuadricOrientation(q, GLU_OUTSIDE);
    for (const Axe& a : axes) {
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, BodySpec);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, a.couleur);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, BodyAmb);
        glPushMatrix();
        if (a.angle != 0)
            glRotatef(a.angle, a.x, a.y, a.z);
        gluCylinder(q, 0.02, 0.02, 0.8, 10, 10);
        glTranslatef(0, 0, 0.8f);
        gluCylinder(q, 0.2 / 3, 0, 0.2, 10, 10);
        glPopMatrix();
    }
    gluDeleteQuadric(q);
    glPopMatrix();
}

void COpenGL::setTextureX(const unsigned char* tex, int ind) {
    textureX = tex;
    indX = ind;
    redessiner();
}

void COpenGL::setTextureY(const unsigned char* tex, int ind) {
    textureY = tex;
    indY = ind;
    redessiner();
}

void COpenGL::setTextureZ(const unsigned char* tex, int ind) {
    textureZ = tex;
    indZ = ind;
    redessiner();
}

void COpenGL::setRepere(bool afficher) {
    repere = afficher;
    redessiner();
}

void COpenGL::setChoixCamera(ChoixCamera choix) {
    if (choix == ChoixCamera::Free) {
        choixCamera = ChoixCamera::Free;
        if (!cameraFree) {
            cameraFree = std::make_unique<CFreeFlyCamera>();
            cameraFree->setPosition(CVecteur3D(0, 0, 2));
            cameraFree->setMotionSensivity(0.5);
            cameraFree->setScrollSensivity(1);
            cameraFree->setSpeed(0.5);
        }
    } else if (choix == ChoixCamera::TrackBall) {
        choixCamera = ChoixCamera::TrackBall;
        if (!camera) {
            camera = std::make_unique<CTrackBallCamera>();
            camera->setDistance(-1);
            camera->setScrollSensivity(0.5);
            camera->setMotionSensivity(1.0);
        }
    }
    redessiner();
}

bool COpenGL::LireConfig() { return ::LireConfig(chemin, tableConfigVue(*this)); }

std::string COpenGL::LireLigne(const char* ligne, char delimiteur) {
    return ::LireLigne(ligne, delimiteur);
}

void COpenGL::RemplirParametre(FILE* r, short identifiant) {
    ::RemplirParametre(r, identifiant, tableConfigVue(*this));
}

QImage COpenGL::capturerImage() {
    imageFraiche = false;
    tamponsMaillage.invalider();
    return grabFramebuffer();
}

QImage COpenGL::imageAffichee() {
    if (!contexteInitialise)
        return {};
    // Binds the widget's framebuffer.
    makeCurrent();
    const qreal echelle = devicePixelRatioF();
    const int l = static_cast<int>(width() * echelle);
    const int h = static_cast<int>(height() * echelle);
    QImage image(l, h, QImage::Format_RGBA8888);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, l, h, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    // OpenGL rows run bottom-up.
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
}

void COpenGL::mousePressEvent(QMouseEvent* event) {
    const EvenementSouris e = evenement(event);
    if (event->button() == Qt::LeftButton) {
        appui_ = event->position().toPoint();
        appuiGauche_ = true;
    }
    if (choixCamera == ChoixCamera::TrackBall && camera)
        camera->setHold(true, e);
    else if (choixCamera == ChoixCamera::Free && cameraFree)
        cameraFree->setHold(true, e);
}

void COpenGL::mouseReleaseEvent(QMouseEvent* event) {
    const EvenementSouris e = evenement(event);
    if (choixCamera == ChoixCamera::TrackBall && camera)
        camera->setHold(false, e);
    else if (choixCamera == ChoixCamera::Free && cameraFree)
        cameraFree->setHold(false, e);
    // Released where it was pressed: a click, not a drag of the camera.
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && appuiGauche_ &&
        (p - appui_).manhattanLength() <= kDeplacementClic && !maillagesEtiquettes.empty())
        Q_EMIT maillageClique(maillageSous(p.x(), p.y()));
    if (event->button() == Qt::LeftButton)
        appuiGauche_ = false;
}

void COpenGL::mouseMoveEvent(QMouseEvent* event) {
    if (!curseurFleche) {
        setCursor(Qt::ArrowCursor);
        curseurFleche = true;
    }
    const EvenementSouris e = evenement(event);
    // While a button is held the toolkit keeps sending motion from outside the widget without
    // leave and enter events; crossing the border then counts as leaving or entering.
    if (choixCamera == ChoixCamera::Free && cameraFree && event->buttons() != Qt::NoButton) {
        const bool dedans = rect().contains(QPoint(e.x, e.y));
        if (dedans != cameraFree->getMouseIn())
            cameraFree->setMouseIn(dedans);
    }
    if (choixCamera == ChoixCamera::TrackBall && camera)
        camera->OnMouseMove(e);
    else if (choixCamera == ChoixCamera::Free && cameraFree)
        cameraFree->OnMouseMove(e);
    redessiner();
}

void COpenGL::wheelEvent(QWheelEvent* event) {
    // Only the vertical wheel turns; a purely horizontal scroll is not a wheel turn.
    const QPoint angle = event->angleDelta();
    if (angle.y() == 0 && angle.x() != 0)
        return;
    EvenementSouris e;
    const QPoint p = event->position().toPoint();
    e.x = p.x();
    e.y = p.y();
    e.delta = angle.y();
    if (choixCamera == ChoixCamera::TrackBall && camera)
        camera->OnMouseWheel(e);
    else if (choixCamera == ChoixCamera::Free && cameraFree)
        cameraFree->OnMouseWheel(e);
    redessiner();
}

void COpenGL::entreeSouris(bool interieur) {
    if (choixCamera == ChoixCamera::Free && cameraFree)
        cameraFree->setMouseIn(interieur);
}

void COpenGL::enterEvent(QEnterEvent* event) {
    if (contexteInitialise)
        makeCurrent();
    entreeSouris(true);
    setFocus();
    QOpenGLWidget::enterEvent(event);
}

void COpenGL::leaveEvent(QEvent* event) {
    entreeSouris(false);
    QOpenGLWidget::leaveEvent(event);
}

void COpenGL::keyPressEvent(QKeyEvent* event) {
    clavier.appuyer(touche(event->key()));
    if (contexteInitialise)
        makeCurrent();
    if (choixCamera == ChoixCamera::TrackBall && camera)
        camera->OnKeyboard(clavier);
    else if (choixCamera == ChoixCamera::Free && cameraFree)
        cameraFree->OnKeyboard(clavier);
    redessiner();
}

void COpenGL::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat())
        clavier.relacher(touche(event->key()));
}

void COpenGL::focusOutEvent(QFocusEvent* event) {
    // Releases that happen elsewhere never reach the view.
    clavier.toutRelacher();
    QOpenGLWidget::focusOutEvent(event);
}

} // namespace Stravol
