#pragma once
// The cut panel of the main window: the "Commandes" box (cameras, axes, the three cuts with
// their track bars) and pictureBox1, the picture of the cut scrolled last; the display mode
// of the slice textures and pictures.

#include "app/VolumeOuvert.h"
#include "volume/CImageTroisD.h"
#include "volume/OrientationCoupes.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QSlider;
class ProgressSink;

namespace Stravol {

class ImageCoupe;

// The three cut axes, in the order of the commands panel.
enum class Axe : int { X = 0, Y = 1, Z = 2 };
inline constexpr int kNbAxes = 3;

// The voxel under pixel (px, py) of a picture of lp x hp pixels that shows the cut of axe at
// voxel index indice of a volume of the given sizes, each picture coordinate scaled by integer
// arithmetic with truncation. A Z picture is largeur x hauteur, an X picture profondeur x
// hauteur (columns along z), a Y picture largeur x profondeur (rows along z).
Coord3D voxelSousPointeur(Axe axe, int indice, int px, int py, int lp, int hp, int largeur,
                          int hauteur, int profondeur);

// What the status bar says of voxel v of volume: the voxel, the value the file holds (with the
// grey it is shown in when they differ), its position in the world (RAS for a patient's
// frame, in millimetres) when the volume has one, and its label with the label's name.
QString texteVoxel(const CImageTroisD& volume, const Coord3D& v);

class PanneauCoupes : public QObject {
    Q_OBJECT

public:
    // pictureBox1's place in the commands panel, and its size, for a picture folder.
    static constexpr QRect kImageSpecifiee{163, 357, 256, 256};

    // Builds BoxCommande and pictureBox1 at their places in panneau (the commands panel), for
    // what ouvert holds; barre follows the preparation of the textures.
    PanneauCoupes(QWidget* panneau, const VolumeOuvert& ouvert, ProgressSink& barre);

    // The volume just opened, before its view: normal mode, its textures prepared, the track
    // bars over its sizes, no cut and an empty picture.
    void preparerVolume();
    // The view of the volume is up: the commands are enabled, the track bars wait for their
    // cut, the trackball camera is chosen.
    void activer();
    // Before the view goes: every cut off, track bars at 0, no camera chosen, axes off, the
    // commands disabled, the picture empty.
    void reinitialiser();

    // "Image Normale" and "Image Segmenté": the textures of mode, shown at once in the view
    // and in the picture. Nothing without a volume, for the mode already shown, or for the
    // segmented mode without a segmentation.
    void afficherMode(ModeAffichage mode);
    // "Étiquettes en couleur": segmented textures and pictures give each label its colour.
    void etiquettesEnCouleur(bool couleur);
    // "Superposition des étiquettes": the normal textures and pictures show the labels over
    // the grey at the opacity of trackBarSuperposition.
    void superposerEtiquettes(bool superposer);
    // The volume's label colours changed: the textures and the picture that paint them are
    // built again.
    void paletteChangee();
    ModeAffichage modeAffichage() const { return ChoixAffichage; }

    // The left-right convention of the pictures of a volume in a patient's world; the picture
    // shown follows at once.
    void choisirConvention(ConventionGaucheDroite convention);
    // The room of the commands panel that pictureBox1 fills for a volume in a patient's world
    // (a picture folder's keeps its specified place and size).
    void placerImage(const QRect& zone);
    // Whether the open volume has a segmentation.
    bool aUneSegmentation() const;
    // The cuts go through voxel v (clamped to the volume): each track bar takes v's coordinate
    // along its axis, the cuts shown follow, and so does the picture (its axis kept; Z when it
    // was empty).
    void allerAuVoxel(const Coord3D& v);

    // A cross-hair over pictureBox1 (while a click is awaited), or the usual pointer.
    void montrerViseur(bool viseur);
    // Texture-space position of the cut of axe (before the Y flip given to the view); -1 when
    // the cut is off.
    int position(Axe axe) const;
    // The axis of the cut pictureBox1 shows; none while it is empty.
    std::optional<Axe> axeImage() const { return axeImage_; }
    // How pictureBox1 shows its cut, for a volume in a patient's world; none for a picture
    // folder, or while the picture is empty.
    const std::optional<OrientationCoupe>& orientation() const { return orientation_; }

Q_SIGNALS:
    // A click of the left button released over pictureBox1 while a volume is open, on voxel v:
    // the click is read on the cut the picture shows; an empty picture counts as the Z cut of
    // trackBarZ.
    void imageCliquee(const Coord3D& v);
    // What the pointer is over on pictureBox1 (texteVoxel); empty when it is over nothing of
    // the volume.
    void voxelSurvole(const QString& texte);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    // The controls of one cut axis and the position it shows.
    struct Coupe {
        QCheckBox* coche = nullptr;
        QSlider* barre = nullptr;
        QLabel* indice = nullptr;
        int* ind = nullptr;
    };

    void construire(QWidget* panneau);
    void connecter();
    void decocherRadios();
    void coupeChangee(Axe axe, bool cochee);
    void coupeDefilee(Axe axe, int valeur);
    // Texture-space index of voxel slice v along axe.
    int indiceTexture(Axe axe, int v) const;
    void envoyerTexture(Axe axe, int v);
    void majIndice(Axe axe);
    void cameraChangee(QRadioButton* bouton, bool cochee);
    void survolerImage(int px, int py);
    // The voxel under a click at (px, py) on pictureBox1 (a volume is open); none off the
    // picture of a volume in a patient's world.
    std::optional<Coord3D> voxelSousClic(int px, int py) const;
    // pictureBox1 at its place for the open volume (or none).
    void placerImageVolume();
    // pictureBox1 shows the cut of axe at voxel index v.
    void montrerCoupe(Axe axe, int v);
    // The textures of mode, with the labels as asked.
    void preparerTextures(ModeAffichage mode);
    // The textures changed in place: the picture and the view show them now.
    void rafraichir();
    // The labels are shown otherwise: the textures and the picture again.
    void reconstruire();
    // Opacity of the labels over the grey, 0 .. 1.
    double opaciteSuperposition() const;

    const VolumeOuvert& ouvert_;
    ProgressSink& barre_;
    QGroupBox* BoxCommande = nullptr;
    QRadioButton* radioTrackBall = nullptr;
    QRadioButton* radioFree = nullptr;
    QCheckBox* checkRepere = nullptr;
    QSlider* trackBarSuperposition = nullptr;
    ImageCoupe* pictureBox1 = nullptr;
    std::array<Coupe, kNbAxes> coupes_{};

    ModeAffichage ChoixAffichage = ModeAffichage::Normale;
    bool couleurs_ = false;
    bool superposition_ = false;
    int indX = -1;
    int indY = -1;
    int indZ = -1;
    std::optional<Axe> axeImage_;
    // The open volume lies in a patient's world: its pictures are oriented.
    bool oriente_ = false;
    ConventionGaucheDroite convention_ = ConventionGaucheDroite::Radiologique;
    std::optional<OrientationCoupe> orientation_;
    QRect zoneImage_ = kImageSpecifiee;
    // Voxel index of the cut pictureBox1 shows (along axeImage_).
    int indiceImage_ = 0;
};

} // namespace Stravol
