#pragma once
// The 3D view of the main window: an OpenGL widget drawing, in one frame, the region mesh, the
// coordinate axes and up to three orthogonal slices of the volume as textured squares, under a
// trackball or a free-fly camera. The scene is the volume's box in world proportions (sides in
// millimetres: voxels times the voxel spacing): centred on the origin, its largest side spanning
// -1 .. +1 (the cube -1 .. +1 for a cubic volume of cubic voxels or without a volume). The mesh,
// given in the frame of CPoint3D::Image2GL (voxel proportions), is scaled along each axis into
// that box; slice positions are given in texture space (0 .. 256 along each side, negative to
// hide). A volume whose transform places it in a patient's world (a NIfTI qform or sform) is
// drawn in that world instead, right-handed (RepereMonde): its mesh and slices go through the
// transform, the axes are the world's x (right), y (anterior) and z (superior). Textures and mesh
// are borrowed, never copied.

#include "core/Configuration.h"
#include "mesh/LancerRayon.h"
#include "mesh/MaillagePlat.h"
#include "view/TamponsMaillage.h"
#include "view/TamponsPlats.h"
#include "view/camera/CFreeFlyCamera.h"
#include "view/camera/CTrackBallCamera.h"
#include "view/camera/EntreeCamera.h"
#include "view/camera/RepereMonde.h"
#include "volume/CImageTroisD.h"

#include <QImage>
#include <QOpenGLWidget>
#include <QPoint>
#include <QSurfaceFormat>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMaillageTriangleChRegion;

namespace Stravol {

// The view's two cameras.
enum class ChoixCamera : int { TrackBall = 0, Free = 1 };

// Half sides of the volume's box in the scene along x, y and z: each side in millimetres (voxels
// times the spacing) over the largest side (1, 1, 1 for a cube of cubic voxels or sizes of 0).
// A spacing that is not finite and positive counts as 1 on every axis.
std::array<float, 3> demiCotesScene(int largeur, int hauteur, int profondeur,
                                    const std::array<double, 3>& espacement = {1, 1, 1});
// Scale along x, y and z from the mesh's frame (CPoint3D::Image2GL: each side in voxels over the
// largest side) to the scene's box: exactly 1 on every axis when the voxels are cubes.
std::array<float, 3> echelleMaillageScene(int largeur, int hauteur, int profondeur,
                                          const std::array<double, 3>& espacement = {1, 1, 1});

// The voxel-to-scene transform of the label meshes: the frame of CPoint3D::Image2GL for a volume
// of those sizes (y turned over), then the scale of the mesh into the scene's box.
Matrice4 matriceVoxelsScene(int largeur, int hauteur, int profondeur,
                            const std::array<float, 3>& echelle);

// One label mesh drawn by the view: borrowed, in voxel coordinates, in its colour.
struct MaillageVue {
    const MaillagePlat* maillage = nullptr;
    std::array<float, 3> couleur{1, 1, 1}; // red, green, blue, 0 .. 1
    bool visible = true;
    // Coarser triangles over the mesh's vertices, drawn while the mesh shows small; or none.
    const std::vector<std::uint32_t>* apercu = nullptr;
};

class COpenGL : public QOpenGLWidget, public ParametresConfigVue {
    Q_OBJECT

public:
    // A child of parentForm of iWidth x iHeight pixels at (posX, posY), for the volume im3D
    // (may be null: sizes 0), reading its configuration from chemin + "/config.txt". Selects
    // the trackball camera and draws the first frame as soon as the widget is shown.
    COpenGL(QWidget* parentForm, int iWidth, int iHeight, int posX, int posY, CImageTroisD* im3D,
            const std::string& chemin);
    ~COpenGL() override;
    COpenGL(const COpenGL&) = delete;
    COpenGL& operator=(const COpenGL&) = delete;

    // The surface format of the view: compatibility profile (fixed-function OpenGL 1.1 calls),
    // double buffer, RGBA with 24 colour bits and a depth buffer.
    static QSurfaceFormat formatVue();

    // Fixed state of the context: shading, clear values, depth, light 0, blending, the texture.
    bool InitGL();
    // Viewport and 45-degree perspective for a drawing area of width x height pixels (a height
    // of 0 counts as 1); applied now if the context exists and at every frame.
    void ReSizeGLScene(int width, int height);
    // Renders one complete frame now; it reaches the screen when control returns to the event
    // loop. A hidden view draws its frame when it is shown. The mesh may have changed in place
    // since the last frame: its buffers are filled again. Frames of the view's own making
    // (camera input, slices, axes, camera switch, the toolkit's paints) draw the buffers as
    // they stand, unless the mesh itself, its counts or the scene's frame differ.
    void Draw();
    // The three axes as lit arrows of length 1 from the origin (called by the frame).
    void DrawRepere();

    // Each stores the texture (borrowed, or null) and texture-space index of its axis and
    // redraws.
    void setTextureX(const unsigned char* texture, int ind);
    void setTextureY(const unsigned char* texture, int ind);
    void setTextureZ(const unsigned char* texture, int ind);
    void setRepere(bool afficher);
    // Trackball or free-fly (created with the view's settings on first choice and then kept);
    // any other value keeps the active camera. Redraws in every case.
    void setChoixCamera(ChoixCamera choix);

    // Configuration reader of the view (identifiers 1 and 2); false when the file is missing.
    bool LireConfig();
    static std::string LireLigne(const char* ligne, char delimiteur);
    void RemplirParametre(FILE* r, short identifiant);

    // Where scene point p shows in the view now: x and y in the widget's pixels (y down), and
    // the depth 0 (near plane) .. 1 (far plane).
    std::array<double, 3> projeterScene(const std::array<double, 3>& p);

    // A fresh frame read back from the framebuffer, the mesh's buffers filled again as by Draw.
    QImage capturerImage();
    // A fresh frame of facteur times the view's size in pixels (1 or more), drawn aside and read
    // back; the frame on screen is left as it is. Null when the view has no context yet or the
    // driver cannot give a framebuffer that large.
    QImage rendreImage(int facteur);
    // New label meshes (not drawn yet, even if at the addresses of earlier ones); they show from
    // the next frame on.
    void remplacerMaillagesEtiquettes(std::vector<MaillageVue> maillages);
    // The label mesh under pixel (x, y) of the view as last drawn (its place in
    // maillagesEtiquettes, hidden ones skipped); -1 when none is there.
    int maillageSous(int x, int y) const;
    // The frame that stands in the framebuffer now, read back without drawing a new one: what
    // the toolkit puts on the screen.
    QImage imageAffichee();

    // Projection as last given to ReSizeGLScene.
    int largeurVue() const { return largeurProjection; }
    int hauteurVue() const { return hauteurProjection; }
    // Copies to the driver so far: of the mesh's arrays (one per part drawn: flat faces,
    // smooth faces, edges), of slice textures (one per slice whose texels changed), and of
    // label meshes (one per mesh whose arrays changed).
    int nbChargementsMaillage() const { return tamponsMaillage.nbChargements(); }
    int nbChargementsCoupes() const { return chargementsCoupes; }
    int nbChargementsEtiquettes() const { return tamponsEtiquettes.nbChargements(); }
    // Label meshes drawn by their previews so far (meshes shown small).
    int nbApercusEtiquettes() const { return tamponsEtiquettes.nbApercus(); }

    ChoixCamera choixCamera = ChoixCamera::TrackBall;
    CImageTroisD* image3D = nullptr;
    int largeur = 0;
    int hauteur = 0;
    int profondeur = 0;
    // Half sides of the volume's box in the scene (demiCotesScene of the sizes and spacing), and
    // the scale of the mesh into it (echelleMaillageScene).
    std::array<float, 3> demiCotes{1, 1, 1};
    std::array<float, 3> echelleMaillage{1, 1, 1};
    // The volume in its patient's world, for a volume whose transform gives one.
    std::optional<RepereMonde> repereMonde;
    std::string chemin;
    std::unique_ptr<CTrackBallCamera> camera;
    std::unique_ptr<CFreeFlyCamera> cameraFree;
    // The X slice's texture name (0 until the context exists); the Y and Z slices have their
    // own.
    unsigned int texture = 0;
    const unsigned char* textureX = nullptr;
    const unsigned char* textureY = nullptr;
    const unsigned char* textureZ = nullptr;
    int indX = -1;
    int indY = -1;
    int indZ = -1;
    bool repere = false;
    bool bmaillage = false;
    CMaillageTriangleChRegion* maillage = nullptr;
    // Label meshes, drawn with the region mesh whatever bmaillage says; each frame shows the
    // visible ones, opaque first. Their colours and visibility may change here at any time;
    // other meshes come through remplacerMaillagesEtiquettes.
    std::vector<MaillageVue> maillagesEtiquettes;
    // Opacity of the label meshes, 0 .. 1.
    float opaciteMaillages = 1.0f;
    // The label mesh shown as it is while the others are dimmed; -1: none.
    int maillageEnAvant = -1;
    // Emulated asynchronous keyboard state polled by the cameras.
    EtatClavier clavier;
    // Where a failure of the view is told to the user (a slice the GL driver has no memory
    // for); may be null.
    MessageSink* messages = nullptr;

Q_SIGNALS:
    // A click of the left button (released where it was pressed) on pixel (x, y) while label
    // meshes are shown: indice is maillageSous(x, y).
    void maillageClique(int indice);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // A frame that changes only what the view itself holds: the mesh's buffers are kept.
    void redessiner();
    // Steps of one frame: projection, camera and light, mesh, axes, slices.
    void dessinerImage();
    void appliquerProjection();
    void appliquerCamera();
    void dessinerCoupe(int axe, const unsigned char* tex, int ind);
    // Uploads tex into the bound texture and keeps a copy in charges; false (charges empty, the
    // user told once) when the driver has no memory for it.
    bool chargerCoupe(const unsigned char* tex, std::vector<unsigned char>& charges);
    void dessinerMaillage();
    void dessinerMaillagesEtiquettes();
    void entreeSouris(bool interieur);

    int largeurProjection = 1;
    int hauteurProjection = 1;
    bool contexteInitialise = false;
    bool curseurFleche = false;
    // A frame drawn by Draw() waits in the framebuffer for the toolkit's next paint.
    bool imageFraiche = false;
    // A slice upload ran out of memory and the user was told; cleared by the next upload that
    // succeeds, so that one shortage gives one message.
    bool manqueMemoireSignale = false;
    // Matrices of the last frame's scene (after the camera), for picking.
    Matrice4 projectionImage_ = matriceIdentite();
    Matrice4 modeleVueImage_ = matriceIdentite();
    // Pixels a side of the framebuffer a frame is drawn into, a pixel of the view: the screen's
    // ratio, or the factor of rendreImage while it draws.
    double echelleRendu_ = 0;
    // Where the left button went down, for a click.
    QPoint appui_;
    bool appuiGauche_ = false;
    // The mesh's faces and edges in buffers of the context, and the label meshes.
    TamponsMaillage tamponsMaillage;
    TamponsPlats tamponsEtiquettes;
    // Texture names of the X, Y and Z slices, and the texels each holds (empty: none yet), so
    // that a slice is uploaded only when what it shows changes.
    std::array<unsigned int, 3> texturesCoupes{};
    std::array<std::vector<unsigned char>, 3> texelsCharges;
    int chargementsCoupes = 0;
};

} // namespace Stravol
