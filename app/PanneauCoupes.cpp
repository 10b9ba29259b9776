#include "app/PanneauCoupes.h"

#include "app/ImageCoupe.h"
#include "app/UtilitairesQt.h"

#include "view/COpenGL.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPixmap>
#include <QRadioButton>
#include <QSlider>

#include <algorithm>

namespace Stravol {

namespace {

constexpr int kCote = CImageTroisD::kCoteTexture;

constexpr int indice(Axe axe) { return static_cast<int>(axe); }

// Steps of the opacity of the labels over the grey.
constexpr int kOpaciteMax = 100;

// What differs between the three cuts: the volume's size along the axis, its picture and
// texture accessors, the view's texture setter, and whether the view counts the texture-space
// index from the other face (Y: the view is handed 256 - ind).
struct ProprietesAxe {
    int CImageTroisD::*dimension;
    const ImageRGB& (CImageTroisD::*image)(int);
    unsigned char* (CImageTroisD::*texture)(int);
    void (COpenGL::*envoyer)(const unsigned char*, int);
    bool inverse;
    // Controls: check box name and text, track bar and index label names, row in BoxCommande.
    const char* nomCase;
    const char* texteCase;
    const char* nomBarre;
    const char* nomIndice;
    const char* lettre;
    int y;
};

const ProprietesAxe kAxes[kNbAxes] = {
    {&CImageTroisD::largeur, &CImageTroisD::getImageX, &CImageTroisD::getTabX,
     &COpenGL::setTextureX, false, "checkX", "Coupe X", "trackBarX", "labelIndiceX", "x", 72},
    {&CImageTroisD::hauteur, &CImageTroisD::getImageY, &CImageTroisD::getTabY,
     &COpenGL::setTextureY, true, "checkY", "Coupe Y", "trackBarY", "labelIndiceY", "y", 128},
    {&CImageTroisD::profondeur, &CImageTroisD::getImageZ, &CImageTroisD::getTabZ,
     &COpenGL::setTextureZ, false, "checkZ", "Coupe Z", "trackBarZ", "labelIndiceZ", "z", 184},
};

QSlider* barreDefilement(QWidget* parent, const char* nom, int x, int y) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(nom);
    s->setGeometry(x, y, 288, 45);
    s->setRange(0, 10);
    s->setSingleStep(1);
    s->setPageStep(5);
    s->setTickPosition(QSlider::TicksBelow);
    return s;
}

// Integer scaling of a picture coordinate to a voxel coordinate, as the picture is stretched.
int echelle(int pixel, int taille, int cotePixels) {
    return cotePixels > 0 ? (pixel * taille) / cotePixels : 0;
}

} // namespace

QString texteVoxel(const CImageTroisD& volume, const Coord3D& v) {
    const QLocale l;
    const double valeur = volume.valeurVoxel(v.x, v.y, v.z);
    QString texte = QString("Voxel (%1, %2, %3) : ").arg(v.x).arg(v.y).arg(v.z);
    const unsigned char* original = volume.volumeOriginal();
    const int gris =
        original != nullptr
            ? original[(static_cast<std::size_t>(v.z) * volume.hauteur + v.y) * volume.largeur +
                       v.x]
            : 0;
    // The file's own value, and the grey it is shown in when they differ.
    if (volume.valeursFichier.vide())
        texte += QString("gris %1").arg(gris);
    else
        texte += QString("valeur %1 (gris %2)").arg(l.toString(valeur, 'g', 7)).arg(gris);
    if (!volume.geometrie.identite()) {
        const std::array<double, 3> m = volume.geometrie.versMonde(v.x, v.y, v.z);
        texte += QString(", %1(%2 ; %3 ; %4) mm")
                     .arg(transformationMonde(volume.geometrie) ? "RAS " : "")
                     .arg(l.toString(m[0], 'f', 1))
                     .arg(l.toString(m[1], 'f', 1))
                     .arg(l.toString(m[2], 'f', 1));
    }
    if (volume.imageSegmente != nullptr) {
        const std::uint32_t etiquette = volume.etiquetteVoxel(v.x, v.y, v.z);
        texte += QString(", étiquette %1").arg(etiquette);
        const EntreeEtiquette* entree = volume.tableEtiquettes.trouver(etiquette);
        if (entree != nullptr && !entree->nom.empty())
            texte += " « " + QString::fromStdString(entree->nom) + " »";
    }
    return texte;
}

Coord3D voxelSousPointeur(Axe axe, int indiceCoupe, int px, int py, int lp, int hp, int largeur,
                          int hauteur, int profondeur) {
    switch (axe) {
    case Axe::X:
        return {indiceCoupe, echelle(py, hauteur, hp), echelle(px, profondeur, lp)};
    case Axe::Y:
        return {echelle(px, largeur, lp), indiceCoupe, echelle(py, profondeur, hp)};
    case Axe::Z:
        break;
    }
    return {echelle(px, largeur, lp), echelle(py, hauteur, hp), indiceCoupe};
}

PanneauCoupes::PanneauCoupes(QWidget* panneau, const VolumeOuvert& ouvert, ProgressSink& barre)
    : QObject(panneau), ouvert_(ouvert), barre_(barre) {
    construire(panneau);
    connecter();
}

void PanneauCoupes::construire(QWidget* panneau) {
    BoxCommande = controle<QGroupBox>(panneau, "BoxCommande", "Commandes", 67, 29, 392, 288);
    BoxCommande->setEnabled(false);

    pictureBox1 = new ImageCoupe(panneau);
    pictureBox1->setObjectName("pictureBox1");
    pictureBox1->setGeometry(kImageSpecifiee);
    pictureBox1->setScaledContents(true);
    pictureBox1->setMouseTracking(true);
    pictureBox1->installEventFilter(this);

    radioTrackBall =
        controle<QRadioButton>(BoxCommande, "radioTrackBall", "Camera TrackBall", 16, 24, 120, 24);
    radioFree = controle<QRadioButton>(BoxCommande, "radioFree", "Camera Free", 160, 24, 96, 24);
    checkRepere = controle<QCheckBox>(BoxCommande, "checkRepere", "Repère", 280, 24, 72, 24);
    int* indices[kNbAxes] = {&indX, &indY, &indZ};
    for (int a = 0; a < kNbAxes; ++a) {
        const ProprietesAxe& p = kAxes[a];
        Coupe& c = coupes_[a];
        c.coche = controle<QCheckBox>(BoxCommande, p.nomCase, p.texteCase, 16, p.y, 72, 32);
        c.barre = barreDefilement(BoxCommande, p.nomBarre, 96, p.y);
        // Below the check box, beside the track bar.
        c.indice = controle<QLabel>(BoxCommande, p.nomIndice, "", 16, p.y + 32, 76, 16);
        c.ind = indices[a];
    }
    controle<QLabel>(BoxCommande, "labelSuperposition", "Étiquettes", 16, 244, 76, 24);
    trackBarSuperposition = barreDefilement(BoxCommande, "trackBarSuperposition", 96, 240);
    trackBarSuperposition->setRange(0, kOpaciteMax);
    trackBarSuperposition->setValue(kOpaciteMax / 2);
    trackBarSuperposition->setPageStep(kOpaciteMax / 10);
    trackBarSuperposition->setTickInterval(kOpaciteMax / 10);
    // The textures are built again once the slider is let go.
    trackBarSuperposition->setTracking(false);
    trackBarSuperposition->setToolTip("Opacité des étiquettes superposées à l'image");
    trackBarSuperposition->setEnabled(false);
}

void PanneauCoupes::connecter() {
    // Check boxes react to every change, from the user or from code; track bars only to the
    // user's actions (drag, keys, wheel, clicks on the groove), not to values set from code.
    // Index labels follow every change.
    for (int a = 0; a < kNbAxes; ++a) {
        const Axe axe = static_cast<Axe>(a);
        connect(coupes_[a].coche, &QCheckBox::toggled, this,
                [this, axe](bool c) { coupeChangee(axe, c); });
        QSlider* b = coupes_[a].barre;
        connect(b, &QSlider::actionTriggered, this, [this, axe, b](int action) {
            if (action != QAbstractSlider::SliderNoAction)
                coupeDefilee(axe, b->sliderPosition());
        });
        connect(b, &QSlider::valueChanged, this, [this, axe](int) { majIndice(axe); });
        connect(b, &QSlider::rangeChanged, this, [this, axe](int, int) { majIndice(axe); });
        majIndice(axe);
    }
    connect(radioTrackBall, &QRadioButton::toggled, this,
            [this](bool c) { cameraChangee(radioTrackBall, c); });
    connect(radioFree, &QRadioButton::toggled, this,
            [this](bool c) { cameraChangee(radioFree, c); });
    connect(trackBarSuperposition, &QSlider::valueChanged, this, [this](int) {
        if (superposition_ && ChoixAffichage == ModeAffichage::Normale)
            reconstruire();
    });
    connect(checkRepere, &QCheckBox::toggled, this, [this](bool c) {
        if (ouvert_.fenetreOpenGL != nullptr)
            ouvert_.fenetreOpenGL->setRepere(c);
    });
}

void PanneauCoupes::preparerVolume() {
    ChoixAffichage = ModeAffichage::Normale;
    preparerTextures(ModeAffichage::Normale);
    for (int a = 0; a < kNbAxes; ++a)
        coupes_[a].barre->setMaximum(ouvert_.images3D.get()->*kAxes[a].dimension - 1);
    pictureBox1->clear();
    axeImage_.reset();
    orientation_.reset();
    indX = indY = indZ = -1;
    const Geometrie& g = ouvert_.images3D->geometrie;
    std::string invalide;
    oriente_ = transformationMonde(g) && g.valide(invalide);
    placerImageVolume();
}

void PanneauCoupes::activer() {
    BoxCommande->setEnabled(true);
    for (Coupe& c : coupes_)
        c.barre->setEnabled(false);
    radioTrackBall->setChecked(true);
}

void PanneauCoupes::reinitialiser() {
    for (Coupe& c : coupes_)
        c.coche->setChecked(false);
    for (Coupe& c : coupes_)
        c.barre->setValue(0);
    decocherRadios();
    checkRepere->setChecked(false);
    BoxCommande->setEnabled(false);
    pictureBox1->clear();
    axeImage_.reset();
    orientation_.reset();
    oriente_ = false;
    placerImageVolume();
    Q_EMIT voxelSurvole(QString());
}

void PanneauCoupes::placerImageVolume() {
    pictureBox1->setGeometry(oriente_ ? zoneImage_ : kImageSpecifiee);
    if (!oriente_)
        pictureBox1->etirer();
}

void PanneauCoupes::placerImage(const QRect& zone) {
    zoneImage_ = zone;
    placerImageVolume();
}

void PanneauCoupes::choisirConvention(ConventionGaucheDroite convention) {
    convention_ = convention;
    if (axeImage_ && ouvert_.images3D != nullptr)
        montrerCoupe(*axeImage_, indiceImage_);
}

bool PanneauCoupes::aUneSegmentation() const {
    return ouvert_.images3D != nullptr && ouvert_.images3D->imageSegmente != nullptr;
}

void PanneauCoupes::decocherRadios() {
    // Two radio buttons of one group cannot both be unchecked while they exclude each other.
    radioTrackBall->setAutoExclusive(false);
    radioFree->setAutoExclusive(false);
    radioTrackBall->setChecked(false);
    radioFree->setChecked(false);
    radioTrackBall->setAutoExclusive(true);
    radioFree->setAutoExclusive(true);
}

int PanneauCoupes::position(Axe axe) const { return *coupes_[indice(axe)].ind; }

int PanneauCoupes::indiceTexture(Axe axe, int v) const {
    return static_cast<int>(v * static_cast<double>(kCote) /
                            (ouvert_.images3D.get()->*kAxes[indice(axe)].dimension));
}

void PanneauCoupes::envoyerTexture(Axe axe, int v) {
    const ProprietesAxe& p = kAxes[indice(axe)];
    const int ind = indiceTexture(axe, v);
    *coupes_[indice(axe)].ind = ind;
    (ouvert_.fenetreOpenGL->*p.envoyer)((ouvert_.images3D.get()->*p.texture)(v),
                                        p.inverse ? kCote - ind : ind);
}

void PanneauCoupes::majIndice(Axe axe) {
    const Coupe& c = coupes_[indice(axe)];
    c.indice->setText(QString("%1 = %2 / %3")
                          .arg(kAxes[indice(axe)].lettre)
                          .arg(c.barre->value())
                          .arg(c.barre->maximum()));
}

void PanneauCoupes::coupeChangee(Axe axe, bool cochee) {
    Coupe& c = coupes_[indice(axe)];
    if (!cochee) {
        *c.ind = -1;
        c.barre->setEnabled(false);
        if (ouvert_.fenetreOpenGL != nullptr)
            (ouvert_.fenetreOpenGL->*kAxes[indice(axe)].envoyer)(nullptr, -1);
        return;
    }
    c.barre->setEnabled(true);
    if (ouvert_.images3D == nullptr || ouvert_.fenetreOpenGL == nullptr)
        return;
    envoyerTexture(axe, c.barre->value());
}

void PanneauCoupes::coupeDefilee(Axe axe, int v) {
    if (ouvert_.fenetreOpenGL == nullptr || ouvert_.images3D == nullptr)
        return;
    montrerCoupe(axe, v);
    envoyerTexture(axe, v);
}

void PanneauCoupes::montrerCoupe(Axe axe, int v) {
    const ImageRGB& image = (ouvert_.images3D.get()->*kAxes[indice(axe)].image)(v);
    if (image.largeur <= 0 || image.hauteur <= 0) {
        pictureBox1->clear();
        axeImage_.reset();
        orientation_.reset();
        return;
    }
    // A volume in a patient's world: the cut turned and flipped as users read it.
    const CImageTroisD& volume = *ouvert_.images3D;
    ImageRGB orientee;
    if (oriente_) {
        orientation_ = orienterCoupe(volume.geometrie, volume.largeur, volume.hauteur,
                                     volume.profondeur, indice(axe), convention_);
        orientee = imageOrientee(image, *orientation_);
        pictureBox1->proportions(orientation_->nbColonnes * orientation_->largeurPixel,
                                 orientation_->nbLignes * orientation_->hauteurPixel,
                                 orientation_->lettres);
    }
    const ImageRGB& montree = oriente_ ? orientee : image;
    const QImage vue = QImage(montree.pixels.data(), montree.largeur, montree.hauteur,
                              3 * montree.largeur, QImage::Format_RGB888)
                           .copy();
    pictureBox1->setPixmap(QPixmap::fromImage(vue));
    axeImage_ = axe;
    indiceImage_ = v;
}

void PanneauCoupes::cameraChangee(QRadioButton* bouton, bool cochee) {
    if (!cochee)
        return;
    QRadioButton* autre = bouton == radioTrackBall ? radioFree : radioTrackBall;
    autre->setChecked(false);
    if (ouvert_.fenetreOpenGL != nullptr)
        ouvert_.fenetreOpenGL->setChoixCamera(bouton == radioTrackBall ? ChoixCamera::TrackBall
                                                                       : ChoixCamera::Free);
}

void PanneauCoupes::preparerTextures(ModeAffichage mode) {
    CImageTroisD& volume = *ouvert_.images3D;
    // The labels are painted on each texture and picture as it is built.
    volume.affichageEtiquettes.couleurs = couleurs_;
    volume.affichageEtiquettes.superposition =
        superposition_ ? static_cast<float>(opaciteSuperposition()) : 0.f;
    volume.preparationTexture(&barre_, mode);
    barre_.setValue(0);
}

void PanneauCoupes::rafraichir() {
    if (axeImage_)
        montrerCoupe(*axeImage_, indiceImage_);
    if (ouvert_.fenetreOpenGL != nullptr)
        ouvert_.fenetreOpenGL->Draw();
}

void PanneauCoupes::afficherMode(ModeAffichage mode) {
    if (ouvert_.images3D == nullptr || ChoixAffichage == mode)
        return;
    if (mode == ModeAffichage::Segmentee && ouvert_.images3D->imageSegmente == nullptr)
        return;
    ChoixAffichage = mode;
    {
        CurseurAttente attente;
        preparerTextures(mode);
    }
    rafraichir();
}

void PanneauCoupes::etiquettesEnCouleur(bool couleur) {
    couleurs_ = couleur;
    if (ChoixAffichage == ModeAffichage::Segmentee)
        reconstruire();
}

void PanneauCoupes::superposerEtiquettes(bool superposer) {
    superposition_ = superposer;
    trackBarSuperposition->setEnabled(superposer);
    if (ChoixAffichage == ModeAffichage::Normale)
        reconstruire();
}

double PanneauCoupes::opaciteSuperposition() const {
    return trackBarSuperposition->value() / static_cast<double>(trackBarSuperposition->maximum());
}

void PanneauCoupes::reconstruire() {
    if (ouvert_.images3D == nullptr)
        return;
    {
        CurseurAttente attente;
        preparerTextures(ChoixAffichage);
    }
    rafraichir();
}

void PanneauCoupes::paletteChangee() {
    const bool peintes = ChoixAffichage == ModeAffichage::Segmentee ? couleurs_ : superposition_;
    if (peintes)
        reconstruire();
}

void PanneauCoupes::allerAuVoxel(const Coord3D& v) {
    if (ouvert_.images3D == nullptr || ouvert_.fenetreOpenGL == nullptr)
        return;
    const int coordonnees[kNbAxes] = {v.x, v.y, v.z};
    for (int a = 0; a < kNbAxes; ++a) {
        Coupe& c = coupes_[a];
        c.barre->setValue(std::clamp(coordonnees[a], c.barre->minimum(), c.barre->maximum()));
        if (c.coche->isChecked())
            envoyerTexture(static_cast<Axe>(a), c.barre->value());
    }
    const Axe axe = axeImage_.value_or(Axe::Z);
    montrerCoupe(axe, coupes_[indice(axe)].barre->value());
}

std::optional<Coord3D> PanneauCoupes::voxelSousClic(int px, int py) const {
    const CImageTroisD& volume = *ouvert_.images3D;
    if (orientation_ && axeImage_) {
        const std::optional<QPoint> p = pictureBox1->pixelSous(QPoint(px, py));
        if (!p)
            return std::nullopt;
        return orientation_->voxel(p->x(), p->y(), indiceImage_);
    }
    const Axe axe = axeImage_.value_or(Axe::Z);
    const int indiceCoupe = axeImage_ ? indiceImage_ : coupes_[indice(Axe::Z)].barre->value();
    return voxelSousPointeur(axe, indiceCoupe, px, py, pictureBox1->width(), pictureBox1->height(),
                             volume.largeur, volume.hauteur, volume.profondeur);
}

void PanneauCoupes::montrerViseur(bool viseur) {
    if (viseur)
        pictureBox1->setCursor(Qt::CrossCursor);
    else
        pictureBox1->unsetCursor();
}

bool PanneauCoupes::eventFilter(QObject* objet, QEvent* evenement) {
    if (objet == pictureBox1) {
        const auto type = evenement->type();
        if (type == QEvent::MouseButtonRelease) {
            const QPoint p = static_cast<QMouseEvent*>(evenement)->position().toPoint();
            if (pictureBox1->rect().contains(p) && ouvert_.images3D != nullptr)
                if (const std::optional<Coord3D> v = voxelSousClic(p.x(), p.y()))
                    Q_EMIT imageCliquee(*v);
        } else if (type == QEvent::MouseMove) {
            const QPoint p = static_cast<QMouseEvent*>(evenement)->position().toPoint();
            survolerImage(p.x(), p.y());
        } else if (type == QEvent::Leave) {
            Q_EMIT voxelSurvole(QString());
        }
    }
    return QObject::eventFilter(objet, evenement);
}

void PanneauCoupes::survolerImage(int px, int py) {
    const CImageTroisD* volume = ouvert_.images3D.get();
    if (volume == nullptr || !axeImage_ || !pictureBox1->rect().contains(px, py)) {
        Q_EMIT voxelSurvole(QString());
        return;
    }
    const std::optional<Coord3D> sous = voxelSousClic(px, py);
    if (!sous) {
        Q_EMIT voxelSurvole(QString());
        return;
    }
    const Coord3D v = *sous;
    if (v.x < 0 || v.y < 0 || v.z < 0 || v.x >= volume->largeur || v.y >= volume->hauteur ||
        v.z >= volume->profondeur) {
        Q_EMIT voxelSurvole(QString());
        return;
    }
    Q_EMIT voxelSurvole(texteVoxel(*volume, v));
}

} // namespace Stravol
