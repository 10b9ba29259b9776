#include "app/Form1.h"

#include "app/CouleursEtiquettes.h"
#include "app/DialogueEvolution.h"
#include "app/DialogueOptionsExtraction.h"

#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/Decimation.h"
#include "mesh/ExportMaillage.h"
#include "mesh/MesuresMaillage.h"
#include "view/COpenGL.h"
#include "volume/CImage3D.h"
#include "volume/LecteursVolume.h"

#include "core/Message.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QRadioButton>
#include <QSettings>
#include <QShortcut>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <utility>

// Resources of a static library are registered by hand (outside any namespace).
static void enregistrerImages() { Q_INIT_RESOURCE(images); }

namespace Stravol {

namespace {

constexpr int kCote = CImageTroisD::kCoteTexture;
// Space kept free around the controls of the commands panel, in pixels.
constexpr int kMargeCommandes = 8;
// Smallest room of the 3D view, in pixels.
constexpr int kVueMinimale = 160;
// A message of more lines than this shows its first line and the rest as details.
constexpr int kLignesMessage = 12;

constexpr int indice(Axe axe) { return static_cast<int>(axe); }

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

const char* const kCleRecents = "dossiersRecents";

// Name filters of the volume file dialogs (the files are recognised by content).
const QStringList kFiltresVolume{"Volumes NIfTI ou TIFF (*.nii *.nii.gz *.tif *.tiff)",
                                 "Tous les fichiers (*)"};

// The user's settings file (recent folders), in the user's configuration directory.
QSettings reglages() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Stravol", "stravol");
}

// The wait cursor for the length of one synchronous operation (loading, textures, extraction).
class CurseurAttente {
public:
    CurseurAttente() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CurseurAttente() { QApplication::restoreOverrideCursor(); }
    CurseurAttente(const CurseurAttente&) = delete;
    CurseurAttente& operator=(const CurseurAttente&) = delete;
};

// A decorative picture: its image scaled to the room it has, keeping its aspect, centred.
class ImageDecorative : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        const QPixmap image = pixmap();
        if (image.isNull())
            return;
        const QSize taille = image.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect cible(QPoint((width() - taille.width()) / 2, (height() - taille.height()) / 2),
                          taille);
        QPainter peintre(this);
        peintre.setRenderHint(QPainter::SmoothPixmapTransform);
        peintre.drawPixmap(cible, image);
    }
};

QFrame* panneau(const char* nom, QFrame::Shape forme, QFrame::Shadow ombre) {
    auto* p = new QFrame;
    p->setObjectName(nom);
    p->setFrameShape(forme);
    p->setFrameShadow(ombre);
    return p;
}

// A split container whose panels share a change of its size in proportion to their sizes.
QSplitter* separateur(const char* nom, Qt::Orientation orientation, QFrame* premier,
                      QFrame* second) {
    auto* s = new QSplitter(orientation);
    s->setObjectName(nom);
    s->setHandleWidth(4);
    s->setChildrenCollapsible(false);
    s->addWidget(premier);
    s->addWidget(second);
    return s;
}

template <class T>
T* controle(QWidget* parent, const char* nom, const QString& texte, int x, int y, int l, int h) {
    auto* c = new T(texte, parent);
    c->setObjectName(nom);
    c->setGeometry(x, y, l, h);
    return c;
}

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

std::string cheminLocal(const QString& chemin) { return QFile::encodeName(chemin).toStdString(); }

// Integer scaling of a picture coordinate to a voxel coordinate, as the picture is stretched.
int echelle(int pixel, int taille, int cotePixels) {
    return cotePixels > 0 ? (pixel * taille) / cotePixels : 0;
}

// Runs an action once, at the first exposure of the window it filters.
class AttenteExposition : public QObject {
public:
    AttenteExposition(QObject* proprietaire, std::function<void()> action)
        : QObject(proprietaire), action_(std::move(action)) {}

    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (evenement->type() == QEvent::Expose && static_cast<QWindow*>(objet)->isExposed() &&
            action_) {
            objet->removeEventFilter(this);
            std::exchange(action_, {})();
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> action_;
};

} // namespace

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

Form1::Form1(QWidget* parent)
    : QMainWindow(parent), chemin(cheminLocal(QDir::currentPath())),
      messages_([this](const std::string& texte) {
          const QString message = QString::fromUtf8(texte.c_str()).trimmed();
          if (regrouperMessages_)
              messagesEnAttente_.append(message);
          else if (afficherMessage)
              afficherMessage(message);
      }) {
    enregistrerImages();
    setObjectName("Form1");
    setWindowTitle("Stravol");
    // The small dialog font the control sizes were laid out for.
    QFont police = font();
    police.setPointSizeF(8);
    setFont(police);
    construireControles();
    construireMenus();
    labelVoxel = new QLabel;
    labelVoxel->setObjectName("labelVoxel");
    statusBar()->setObjectName("statusStrip1");
    statusBar()->addPermanentWidget(labelVoxel);
    // Client area 987 x 683 between the menu bar and the status bar; the splitters at their
    // initial positions.
    resize(largeurClient,
           hauteurClient + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    placerSeparateurs();
    setMinimumSize(minimumSizeHint());
    barre_ = std::make_unique<BarreProgressionQt>(progressBar1);
    setAcceptDrops(true);
    auto* echap = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(echap, &QShortcut::activated, this, [this] { desarmerExtraction(); });

    choisirDossier = [this]() {
        // A fresh dialog each time, in the last folder opened (the whole file system at first).
        QFileDialog dialogue(this, "Sélectionner le répertoire de l'image 3D");
        dialogue.setFileMode(QFileDialog::Directory);
        dialogue.setOption(QFileDialog::ShowDirsOnly);
        const QString dernier = dossiersRecents().value(0);
        dialogue.setDirectory(!dernier.isEmpty() && QFileInfo(dernier).isDir() ? dernier
                                                                               : QDir::rootPath());
        dialogue.setSidebarUrls({QUrl("file:"), QUrl::fromLocalFile(QDir::homePath())});
        if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
            return QString();
        return dialogue.selectedFiles().first();
    };
    choisirFichierVolume = [this]() {
        QFileDialog dialogue(this, "Sélectionner le fichier de l'image 3D");
        dialogue.setFileMode(QFileDialog::ExistingFile);
        dialogue.setNameFilters(kFiltresVolume);
        dialogue.setDirectory(dossierFichiers_.isEmpty() ? QDir::homePath() : dossierFichiers_);
        if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
            return QString();
        return dialogue.selectedFiles().first();
    };
    choisirFichiersSegmentation = [this]() {
        QFileDialog dialogue(this, "Sélectionner les fichiers de segmentation (facultatif)");
        dialogue.setFileMode(QFileDialog::ExistingFiles);
        dialogue.setNameFilters(kFiltresVolume);
        dialogue.setDirectory(dossierFichiers_.isEmpty() ? QDir::homePath() : dossierFichiers_);
        if (dialogue.exec() != QDialog::Accepted)
            return QStringList();
        return dialogue.selectedFiles();
    };
    choisirFichierExport = [this]() {
        QFileDialog dialogue(this, "Exporter le maillage");
        dialogue.setAcceptMode(QFileDialog::AcceptSave);
        const QStringList filtres{"STL (*.stl)", "OBJ (*.obj)", "PLY (*.ply)"};
        dialogue.setNameFilters(filtres);
        dialogue.setDefaultSuffix("stl");
        QObject::connect(&dialogue, &QFileDialog::filterSelected, &dialogue,
                         [&dialogue](const QString& filtre) {
                             dialogue.setDefaultSuffix(filtre.section("*.", 1).section(')', 0, 0));
                         });
        if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
            return QString();
        return dialogue.selectedFiles().first();
    };
    montrerEvolution = [](DialogueEvolution& dialogue) { dialogue.exec(); };
    montrerOptionsExtraction = [](DialogueOptionsExtraction& dialogue) { return dialogue.exec(); };
    afficherMessage = [this](const QString& texte) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        QMessageBox boite(QMessageBox::Warning, "Stravol", texte, QMessageBox::Ok, this);
        // A long list (one line per bad file) shows its first line, the rest as details.
        const QStringList lignes = texte.split('\n');
        if (lignes.size() > kLignesMessage) {
            boite.setText(lignes.first());
            boite.setDetailedText(lignes.mid(1).join('\n'));
        }
        boite.exec();
        QApplication::restoreOverrideCursor();
    };
    afficherInformation = [this](const QString& titre, const QString& texte) {
        QMessageBox::about(this, titre, texte);
    };
    setQuestionHook([this](const char* texte, const char* titre) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const auto reponse = QMessageBox::question(
            this, QString::fromUtf8(titre != nullptr ? titre : "Erreur"), QString::fromUtf8(texte),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        QApplication::restoreOverrideCursor();
        return reponse == QMessageBox::Yes;
    });
    // The GL view goes before the process ends, as on quitting.
    setFinHook([this](int) {
        delete fenetreOpenGL;
        fenetreOpenGL = nullptr;
    });
}

void Form1::placerSeparateurs() {
    // The second panel takes the rest, so that the first keeps exactly its position.
    const auto placer = [](QSplitter* s, int premier) {
        const int total = s->orientation() == Qt::Horizontal ? s->width() : s->height();
        s->setSizes({premier, std::max(1, total - premier - s->handleWidth())});
    };
    placer(splitContainer1, 475);
    placer(splitContainer2, 491);
    placer(splitContainer3, 239);
}

void Form1::showEvent(QShowEvent* evenement) {
    // The splitters share every size change in proportion: they take their initial positions
    // again once the first layout has given the panels their sizes.
    if (!montree_) {
        montree_ = true;
        placerSeparateurs();
    }
    QMainWindow::showEvent(evenement);
}

Form1::~Form1() {
    setQuestionHook({});
    setFinHook({});
    // The view borrows the volume's textures and mesh: it goes first.
    delete fenetreOpenGL;
    fenetreOpenGL = nullptr;
    images3D.reset();
}

void Form1::construireControles() {
    panneauVue = panneau("splitContainer2_Panel1", QFrame::StyledPanel, QFrame::Sunken);
    panneauVue->setMinimumSize(kVueMinimale, kVueMinimale);
    auto* dispositionVue = new QVBoxLayout(panneauVue);
    dispositionVue->setContentsMargins(0, 0, 0, 0);
    auto* panneauImages = panneau("splitContainer2_Panel2", QFrame::StyledPanel, QFrame::Sunken);
    auto* panneauGauche = panneau("splitContainer1_Panel1", QFrame::StyledPanel, QFrame::Sunken);
    panneauCommandes = panneau("splitContainer1_Panel2", QFrame::StyledPanel, QFrame::Sunken);

    auto* panneauImage2 = panneau("splitContainer3_Panel1", QFrame::Box, QFrame::Plain);
    auto* panneauImage3 = panneau("splitContainer3_Panel2", QFrame::Box, QFrame::Plain);
    const auto remplir = [](QFrame* p, const char* nom, const char* ressource) {
        auto* d = new QVBoxLayout(p);
        d->setContentsMargins(0, 0, 0, 0);
        auto* image = new ImageDecorative;
        image->setObjectName(nom);
        image->setMinimumSize(1, 1);
        image->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        image->setPixmap(QPixmap(ressource));
        d->addWidget(image);
        return image;
    };
    pictureBox2 = remplir(panneauImage2, "pictureBox2", ":/images/sphere.png");
    pictureBox3 = remplir(panneauImage3, "pictureBox3", ":/images/coupe.png");

    splitContainer3 = separateur("splitContainer3", Qt::Horizontal, panneauImage2, panneauImage3);
    auto* d3 = new QVBoxLayout(panneauImages);
    d3->setContentsMargins(0, 0, 0, 0);
    d3->addWidget(splitContainer3);

    splitContainer2 = separateur("splitContainer2", Qt::Vertical, panneauVue, panneauImages);
    auto* d2 = new QVBoxLayout(panneauGauche);
    d2->setContentsMargins(0, 0, 0, 0);
    d2->addWidget(splitContainer2);

    splitContainer1 =
        separateur("splitContainer1", Qt::Horizontal, panneauGauche, panneauCommandes);
    setCentralWidget(splitContainer1);

    QWidget* droite = panneauCommandes;
    checkBoxMaillage = new QCheckBox("Afficher le maillage", droite);
    checkBoxMaillage->setObjectName("checkBoxMaillage");
    checkBoxMaillage->move(14, 470);
    checkBoxMaillage->adjustSize();
    checkBoxMaillage->setChecked(true);
    checkBoxMaillage->hide();

    BoxCommande = controle<QGroupBox>(droite, "BoxCommande", "Commandes", 67, 29, 392, 288);
    BoxCommande->setEnabled(false);
    labelChargement =
        controle<QLabel>(droite, "labelChargement", "Chargement des images", 11, 649, 128, 16);
    // The whole text, however wide the font draws it.
    labelChargement->resize(std::max(labelChargement->width(), labelChargement->sizeHint().width()),
                            labelChargement->height());

    progressBar1 = new QProgressBar(droite);
    progressBar1->setObjectName("progressBar1");
    progressBar1->setGeometry(163, 649, 256, 16);
    progressBar1->setRange(0, 100);
    progressBar1->setValue(0);
    progressBar1->setTextVisible(false);

    pictureBox1 = new QLabel(droite);
    pictureBox1->setObjectName("pictureBox1");
    pictureBox1->setGeometry(163, 357, 256, 256);
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
    checkX = coupes_[0].coche;
    checkY = coupes_[1].coche;
    checkZ = coupes_[2].coche;
    trackBarX = coupes_[0].barre;
    trackBarY = coupes_[1].barre;
    trackBarZ = coupes_[2].barre;
    labelIndiceX = coupes_[0].indice;
    labelIndiceY = coupes_[1].indice;
    labelIndiceZ = coupes_[2].indice;

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
    connect(checkRepere, &QCheckBox::toggled, this, [this](bool c) {
        if (fenetreOpenGL != nullptr)
            fenetreOpenGL->setRepere(c);
    });
    connect(checkBoxMaillage, &QCheckBox::toggled, this, [this](bool) { maillageCoche(); });
    connect(splitContainer1, &QSplitter::splitterMoved, this,
            [this](int, int) { splitterDeplace(); });
    connect(splitContainer2, &QSplitter::splitterMoved, this,
            [this](int, int) { splitterDeplace(); });

    // Every control of the commands panel stays in view: the panel is never smaller than
    // what they cover.
    const QRect occupe = panneauCommandes->childrenRect().united(checkBoxMaillage->geometry());
    panneauCommandes->setMinimumSize(occupe.right() + kMargeCommandes,
                                     occupe.bottom() + kMargeCommandes);
}

// The menus, built here only; each item runs one handler of the window.
void Form1::construireMenus() {
    const auto action = [this](QMenu* menu, const char* nom, const QString& texte,
                               auto gestionnaire) {
        QAction* a = menu->addAction(texte);
        a->setObjectName(nom);
        connect(a, &QAction::triggered, this, gestionnaire);
        return a;
    };
    const auto menuPrincipal = [this](const char* nom, const QString& titre) {
        QMenu* m = menuBar()->addMenu(titre);
        m->setObjectName(nom);
        return m;
    };

    fichierMenu = menuPrincipal("fichierToolStripMenuItem", "&Fichier");
    ouvrirToolStripMenuItem =
        action(fichierMenu, "ouvrirToolStripMenuItem", "&Ouvrir", [this] { ouvrir(); });
    ouvrirToolStripMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    ouvrirFichierToolStripMenuItem = action(fichierMenu, "ouvrirFichierToolStripMenuItem",
                                            "Ouvrir un f&ichier...", [this] { ouvrirFichier(); });
    ouvrirFichierToolStripMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    recentsMenu = fichierMenu->addMenu("&Récents");
    recentsMenu->setObjectName("recentsToolStripMenuItem");
    fermerToolStripMenuItem =
        action(fichierMenu, "fermerToolStripMenuItem", "&Fermer", [this] { fermer(); });
    fermerToolStripMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    fermerToolStripMenuItem->setEnabled(false);
    exporterToolStripMenuItem = action(fichierMenu, "exporterToolStripMenuItem",
                                       "&Exporter le maillage", [this] { exporterMaillage(); });
    exporterToolStripMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    exporterToolStripMenuItem->setEnabled(false);
    quitterToolStripMenuItem =
        action(fichierMenu, "quitterToolStripMenuItem", "&Quitter", [this] { quitter(); });
    quitterToolStripMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    majRecents();

    traitementMenu = menuPrincipal("traitementToolStripMenuItem", "&Traitement");
    extraireRegionToolStripMenuItem = action(traitementMenu, "extraireRegionToolStripMenuItem",
                                             "E&xtraire région", [this] { armerExtraction(); });
    evoluerMaillageToolStripMenuItem =
        action(traitementMenu, "evoluerMaillageToolStripMenuItem", "&Faire évoluer le maillage",
               [this] { evoluerMaillage(); });
    evoluerMaillageToolStripMenuItem->setEnabled(false);
    optionsExtractionToolStripMenuItem =
        action(traitementMenu, "optionsExtractionToolStripMenuItem", "&Options d'extraction...",
               [this] { choisirOptionsExtraction(); });

    visualisationMenu = menuPrincipal("visualisationToolStripMenuItem", "&Visualisation");
    imageNormaleToolStripMenuItem =
        action(visualisationMenu, "imageNormaleToolStripMenuItem", "Image &Normale",
               [this] { afficherMode(ModeAffichage::Normale); });
    imageSegmenteToolStripMenuItem =
        action(visualisationMenu, "imageSegmenteToolStripMenuItem", "Image &Segmenté",
               [this] { afficherMode(ModeAffichage::Segmentee); });
    etiquettesCouleurToolStripMenuItem =
        action(visualisationMenu, "etiquettesCouleurToolStripMenuItem", "&Étiquettes en couleur",
               [this](bool c) { etiquettesEnCouleur(c); });
    etiquettesCouleurToolStripMenuItem->setCheckable(true);

    aideMenu = menuPrincipal("aideToolStripMenuItem", "&Aide");
    commandesToolStripMenuItem =
        action(aideMenu, "commandesToolStripMenuItem", "&Caméras et souris", [this] {
            if (afficherInformation)
                afficherInformation(
                    "Caméras et souris",
                    "<p><b>Camera TrackBall</b> : glisser avec le bouton gauche tourne la "
                    "scène ; la molette, P et M l'approchent et l'éloignent ; R la remet en "
                    "place.</p>"
                    "<p><b>Camera Free</b> : glisser avec le bouton gauche regarde autour ; Z, "
                    "Q, S, D avancent, vont à gauche, reculent, vont à droite (trois fois plus "
                    "vite avec la barre d'espace) ; P et M montent et descendent ; R revient au "
                    "départ.</p>"
                    "<p>La vue prend le clavier quand le pointeur est sur elle.</p>"
                    "<p><b>Extraire région</b> : cliquer l'objet dans l'image de la coupe ; "
                    "Échap annule.</p>");
        });
    aProposToolStripMenuItem = action(aideMenu, "aProposToolStripMenuItem", "À &propos", [this] {
        if (afficherInformation)
            afficherInformation("À propos de Stravol",
                                QString("<p><b>Stravol</b> version %1</p>"
                                        "<p>Volumes 3D en niveaux de gris et extraction "
                                        "d'un objet en maillage lisse.</p>")
                                    .arg(STRAVOL_VERSION));
    });
}

QStringList Form1::dossiersRecents() const { return reglages().value(kCleRecents).toStringList(); }

void Form1::ajouterRecent(const QString& dossier) {
    const QString absolu = QDir::cleanPath(QFileInfo(dossier).absoluteFilePath());
    QStringList recents = dossiersRecents();
    recents.removeAll(absolu);
    recents.prepend(absolu);
    while (recents.size() > kNbRecents)
        recents.removeLast();
    QSettings r = reglages();
    r.setValue(kCleRecents, recents);
    majRecents();
}

void Form1::majRecents() {
    recentsMenu->clear();
    const QStringList recents = dossiersRecents();
    for (int i = 0; i < recents.size(); ++i) {
        const QString dossier = recents[i];
        QAction* a = recentsMenu->addAction(QString("&%1 %2").arg(i + 1).arg(dossier));
        a->setObjectName(QString("recent%1").arg(i));
        connect(a, &QAction::triggered, this, [this, dossier] {
            if (QFileInfo(dossier).isDir()) {
                ouvrirDossier(dossier);
                return;
            }
            QStringList reste = dossiersRecents();
            reste.removeAll(dossier);
            QSettings r = reglages();
            r.setValue(kCleRecents, reste);
            majRecents();
            if (afficherMessage)
                afficherMessage("Le répertoire \"" + dossier + "\" n'existe plus.");
        });
    }
    recentsMenu->setEnabled(!recents.isEmpty());
}

void Form1::decocherRadios() {
    // Two radio buttons of one group cannot both be unchecked while they exclude each other.
    radioTrackBall->setAutoExclusive(false);
    radioFree->setAutoExclusive(false);
    radioTrackBall->setChecked(false);
    radioFree->setChecked(false);
    radioTrackBall->setAutoExclusive(true);
    radioFree->setAutoExclusive(true);
}

void Form1::detruireVue() {
    if (fenetreOpenGL == nullptr)
        return;
    panneauVue->layout()->removeWidget(fenetreOpenGL);
    fenetreOpenGL->hide();
    for (Coupe& c : coupes_)
        c.coche->setChecked(false);
    for (Coupe& c : coupes_)
        c.barre->setValue(0);
    decocherRadios();
    checkRepere->setChecked(false);
    BoxCommande->setEnabled(false);
    pictureBox1->clear();
    axeImage.reset();
    labelVoxel->clear();
    delete fenetreOpenGL;
    fenetreOpenGL = nullptr;
}

void Form1::detruireVolume() {
    images3D.reset();
    imageEvolution_.reset();
    majExport();
}

void Form1::ouvrir() {
    const QString dossier = choisirDossier ? choisirDossier() : QString();
    if (dossier.isEmpty())
        return;
    ouvrirDossier(dossier);
}

bool Form1::ouvrirDossier(const QString& dossier) {
    // The dialog, or whatever covered the window, is gone from the screen before the loading.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
    const bool ouvert = chargerDossier(dossier);
    if (ouvert)
        ajouterRecent(dossier);
    Q_EMIT ouvertureTerminee(ouvert);
    return ouvert;
}

void Form1::ouvrirQuandVisible(const QString& dossier) {
    quandVisible([this, dossier] { ouvrirDossier(dossier); });
}

void Form1::quandVisible(const std::function<void()>& action) {
    winId();
    QWindow* fenetre = windowHandle();
    if (!fenetre->isExposed()) {
        fenetre->installEventFilter(
            new AttenteExposition(this, [this, action] { quandVisible(action); }));
        return;
    }
    // Exposed now: the first paint runs at this exposure, the action just after it, once the
    // window is still on screen then.
    QTimer::singleShot(0, this, [this, action] {
        if (windowHandle()->isExposed())
            action();
        else
            quandVisible(action);
    });
}

void Form1::montrerMessages() {
    regrouperMessages_ = false;
    QStringList messages;
    messages.swap(messagesEnAttente_);
    if (messages.isEmpty() || !afficherMessage)
        return;
    if (messages.size() == 1) {
        afficherMessage(messages.first());
        return;
    }
    afficherMessage(QString("%1 problèmes pendant le chargement :\n").arg(messages.size()) +
                    messages.join('\n'));
}

bool Form1::chargerDossier(const QString& dossier) {
    const QDir parent(dossier);
    const QStringList sousDossiers =
        parent.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    if (sousDossiers.isEmpty())
        return false;

    // One message at the end for everything the volume reports while it loads.
    regrouperMessages_ = true;
    const bool ouvert = [&] {
        CurseurAttente attente;
        // The volume and its segmentations are read aside: a volume folder that gives no
        // volume, for want of pictures or of memory, keeps what is open.
        const QString dossierVolume = parent.filePath(sousDossiers.first());
        const qsizetype signales = messagesEnAttente_.size();
        auto nouveau = std::make_unique<CImageTroisD>(chemin, cheminLocal(dossierVolume),
                                                      barre_.get(), &messages_);
        // A volume folder without any picture gives sizes 0: there is nothing to show, and
        // the cut positions would divide by those sizes.
        if (nouveau->largeur <= 0 || nouveau->hauteur <= 0 || nouveau->profondeur <= 0) {
            if (messagesEnAttente_.size() == signales)
                messagesEnAttente_.append("Aucune image n'a été trouvée dans le répertoire \"" +
                                          dossierVolume + "\".");
            return false;
        }
        for (qsizetype i = 1; i < sousDossiers.size(); ++i)
            nouveau->ChargerSeg(cheminLocal(parent.filePath(sousDossiers[i])), barre_.get());

        detruireVue();
        detruireVolume();
        checkBoxMaillage->hide();
        images3D = std::move(nouveau);
        installerVolume();
        return true;
    }();
    progressBar1->setValue(0);
    majExport();
    montrerMessages();
    return ouvert;
}

void Form1::installerVolume() {
    images3D->AllouerTexture();
    ChoixAffichage = ModeAffichage::Normale;
    preparerTextures(ModeAffichage::Normale);

    for (int a = 0; a < kNbAxes; ++a)
        coupes_[a].barre->setMaximum(images3D.get()->*kAxes[a].dimension - 1);

    pictureBox1->clear();
    axeImage.reset();
    indX = indY = indZ = -1;

    fenetreOpenGL = new COpenGL(panneauVue, 500, 500, 0, 0, images3D.get(), chemin);
    fenetreOpenGL->messages = &messages_;
    panneauVue->layout()->addWidget(fenetreOpenGL);
    fenetreOpenGL->show();
    fenetreOpenGL->Draw();
    fenetreOpenGL->LireConfig();

    BoxCommande->setEnabled(true);
    for (Coupe& c : coupes_)
        c.barre->setEnabled(false);
    radioTrackBall->setChecked(true);
    fermerToolStripMenuItem->setEnabled(true);
}

void Form1::ouvrirFichier() {
    const QString volume = choisirFichierVolume ? choisirFichierVolume() : QString();
    if (volume.isEmpty())
        return;
    dossierFichiers_ = QFileInfo(volume).absolutePath();
    QStringList fichiers{volume};
    if (choisirFichiersSegmentation)
        fichiers += choisirFichiersSegmentation();
    ouvrirFichiers(fichiers);
}

bool Form1::ouvrirFichiers(const QStringList& fichiers) {
    if (fichiers.isEmpty())
        return false;
    // The dialogs, or whatever covered the window, are gone from the screen before the loading.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
    // Everything is read aside first: a file that cannot be used changes nothing.
    regrouperMessages_ = true;
    std::unique_ptr<CImageTroisD> nouveau;
    {
        CurseurAttente attente;
        nouveau = CImageTroisD::ouvrirFichier(chemin, cheminLocal(fichiers.first()),
                                              OptionsVolume(), barre_.get(), &messages_);
        bool lu = nouveau->largeur > 0;
        for (qsizetype i = 1; lu && i < fichiers.size(); ++i)
            lu = nouveau->ChargerSegFichier(cheminLocal(fichiers[i]), barre_.get());
        if (!lu) {
            nouveau.reset();
            if (messagesEnAttente_.isEmpty())
                messagesEnAttente_.append("Le fichier \"" + fichiers.first() +
                                          "\" n'a pas pu être ouvert.");
        }
    }
    const bool ouvert = nouveau != nullptr;
    if (ouvert) {
        CurseurAttente attente;
        detruireVue();
        detruireVolume();
        checkBoxMaillage->hide();
        images3D = std::move(nouveau);
        installerVolume();
    }
    progressBar1->setValue(0);
    majExport();
    montrerMessages();
    Q_EMIT ouvertureTerminee(ouvert);
    return ouvert;
}

void Form1::ouvrirFichiersQuandVisible(const QStringList& fichiers) {
    quandVisible([this, fichiers] { ouvrirFichiers(fichiers); });
}

void Form1::fermer() {
    detruireVue();
    detruireVolume();
    fermerToolStripMenuItem->setEnabled(false);
}

void Form1::quitter() {
    delete fenetreOpenGL;
    fenetreOpenGL = nullptr;
    images3D.reset();
    close();
    finirProcessus(kStatutArret);
}

int Form1::indiceTexture(Axe axe, int v) const {
    return static_cast<int>(v * static_cast<double>(kCote) /
                            (images3D.get()->*kAxes[indice(axe)].dimension));
}

void Form1::envoyerTexture(Axe axe, int v) {
    const ProprietesAxe& p = kAxes[indice(axe)];
    const int ind = indiceTexture(axe, v);
    *coupes_[indice(axe)].ind = ind;
    (fenetreOpenGL->*p.envoyer)((images3D.get()->*p.texture)(v), p.inverse ? kCote - ind : ind);
}

void Form1::majIndice(Axe axe) {
    const Coupe& c = coupes_[indice(axe)];
    c.indice->setText(QString("%1 = %2 / %3")
                          .arg(kAxes[indice(axe)].lettre)
                          .arg(c.barre->value())
                          .arg(c.barre->maximum()));
}

void Form1::coupeChangee(Axe axe, bool cochee) {
    Coupe& c = coupes_[indice(axe)];
    if (!cochee) {
        *c.ind = -1;
        c.barre->setEnabled(false);
        if (fenetreOpenGL != nullptr)
            (fenetreOpenGL->*kAxes[indice(axe)].envoyer)(nullptr, -1);
        return;
    }
    c.barre->setEnabled(true);
    if (images3D == nullptr || fenetreOpenGL == nullptr)
        return;
    envoyerTexture(axe, c.barre->value());
}

void Form1::coupeDefilee(Axe axe, int v) {
    if (fenetreOpenGL == nullptr || images3D == nullptr)
        return;
    montrerCoupe(axe, v);
    envoyerTexture(axe, v);
}

void Form1::montrerCoupe(Axe axe, int v) {
    const ImageRGB& image = (images3D.get()->*kAxes[indice(axe)].image)(v);
    if (image.largeur <= 0 || image.hauteur <= 0) {
        pictureBox1->clear();
        axeImage.reset();
        return;
    }
    QImage vue = QImage(image.pixels.data(), image.largeur, image.hauteur, 3 * image.largeur,
                        QImage::Format_RGB888)
                     .copy();
    if (couleursActives())
        for (int y = 0; y < vue.height(); ++y)
            colorerEtiquettes(vue.scanLine(y), static_cast<std::size_t>(vue.width()));
    pictureBox1->setPixmap(QPixmap::fromImage(vue));
    axeImage = axe;
    indiceImage_ = v;
}

void Form1::cameraChangee(QRadioButton* bouton, bool cochee) {
    if (!cochee)
        return;
    QRadioButton* autre = bouton == radioTrackBall ? radioFree : radioTrackBall;
    autre->setChecked(false);
    if (fenetreOpenGL != nullptr)
        fenetreOpenGL->setChoixCamera(bouton == radioTrackBall ? ChoixCamera::TrackBall
                                                               : ChoixCamera::Free);
}

void Form1::maillageCoche() {
    if (fenetreOpenGL == nullptr)
        return;
    fenetreOpenGL->bmaillage = !fenetreOpenGL->bmaillage;
    redessiner();
}

void Form1::redessiner() {
    if (fenetreOpenGL != nullptr)
        fenetreOpenGL->Draw();
}

void Form1::splitterDeplace() {
    if (fenetreOpenGL == nullptr)
        return;
    fenetreOpenGL->ReSizeGLScene(fenetreOpenGL->width(), fenetreOpenGL->height());
    fenetreOpenGL->Draw();
}

bool Form1::couleursActives() const {
    return ChoixAffichage == ModeAffichage::Segmentee &&
           etiquettesCouleurToolStripMenuItem->isChecked();
}

void Form1::preparerTextures(ModeAffichage mode) {
    // Labels in colour are painted on each texture as it is built.
    if (mode == ModeAffichage::Segmentee && etiquettesCouleurToolStripMenuItem->isChecked())
        images3D->retoucheTexture = colorerEtiquettes;
    else
        images3D->retoucheTexture = nullptr;
    images3D->preparationTexture(barre_.get(), static_cast<int>(mode));
    progressBar1->setValue(0);
}

void Form1::afficherMode(ModeAffichage mode) {
    if (images3D == nullptr || ChoixAffichage == mode)
        return;
    if (mode == ModeAffichage::Segmentee && images3D->imageSegmente == nullptr)
        return;
    ChoixAffichage = mode;
    {
        CurseurAttente attente;
        preparerTextures(mode);
    }
    // The textures changed in place: the view and the picture show them now.
    if (axeImage)
        montrerCoupe(*axeImage, indiceImage_);
    redessiner();
}

void Form1::etiquettesEnCouleur(bool couleur) {
    etiquettesCouleurToolStripMenuItem->setChecked(couleur);
    if (images3D == nullptr || ChoixAffichage != ModeAffichage::Segmentee)
        return;
    {
        CurseurAttente attente;
        preparerTextures(ChoixAffichage);
    }
    if (axeImage)
        montrerCoupe(*axeImage, indiceImage_);
    redessiner();
}

void Form1::armerExtraction() {
    // Arming again while armed keeps one handler: one click still serves one extraction.
    Bouge = [this](int x, int y) { cliquerImage(x, y); };
    pictureBox1->setCursor(Qt::CrossCursor);
    statusBar()->showMessage(
        "Cliquez sur l'objet à extraire dans l'image de la coupe (Échap pour annuler).");
}

void Form1::desarmerExtraction() {
    if (!Bouge)
        return;
    Bouge = nullptr;
    pictureBox1->unsetCursor();
    statusBar()->clearMessage();
}

bool Form1::eventFilter(QObject* objet, QEvent* evenement) {
    if (objet == pictureBox1) {
        const auto type = evenement->type();
        if (type == QEvent::MouseButtonRelease && Bouge) {
            const QPoint p = static_cast<QMouseEvent*>(evenement)->position().toPoint();
            if (pictureBox1->rect().contains(p)) {
                // The handler detaches itself: call a copy.
                const auto gestionnaire = Bouge;
                gestionnaire(p.x(), p.y());
            }
        } else if (type == QEvent::MouseMove) {
            const QPoint p = static_cast<QMouseEvent*>(evenement)->position().toPoint();
            survolerImage(p.x(), p.y());
        } else if (type == QEvent::Leave) {
            labelVoxel->clear();
        }
    }
    return QMainWindow::eventFilter(objet, evenement);
}

void Form1::survolerImage(int px, int py) {
    if (images3D == nullptr || !axeImage || !pictureBox1->rect().contains(px, py)) {
        labelVoxel->clear();
        return;
    }
    const Coord3D v = voxelSousPointeur(*axeImage, indiceImage_, px, py, pictureBox1->width(),
                                        pictureBox1->height(), images3D->largeur, images3D->hauteur,
                                        images3D->profondeur);
    if (v.x < 0 || v.y < 0 || v.z < 0 || v.x >= images3D->largeur || v.y >= images3D->hauteur ||
        v.z >= images3D->profondeur) {
        labelVoxel->clear();
        return;
    }
    const bool etiquette = ChoixAffichage == ModeAffichage::Segmentee;
    // Labels read from a file are shown as they are, not as their display grey.
    const std::size_t indiceVoxel =
        (static_cast<std::size_t>(v.z) * images3D->hauteur + v.y) * images3D->largeur + v.x;
    const int valeur = etiquette && indiceVoxel < images3D->etiquettes.size()
                           ? images3D->etiquettes[indiceVoxel]
                           : images3D->getVoxelImage(v.x, v.y, v.z);
    labelVoxel->setText(QString("Voxel (%1, %2, %3) : %4 %5")
                            .arg(v.x)
                            .arg(v.y)
                            .arg(v.z)
                            .arg(etiquette ? "étiquette" : "gris")
                            .arg(valeur));
}

void Form1::cliquerImage(int xClic, int yClic) {
    // Without a volume the click extracts nothing and the command stays armed.
    if (images3D == nullptr)
        return;
    // The click is read on the cut the picture shows; an empty picture counts as the Z cut
    // of trackBarZ.
    const Axe axe = axeImage.value_or(Axe::Z);
    const int indiceCoupe = axeImage ? indiceImage_ : trackBarZ->value();
    const Coord3D v = voxelSousPointeur(axe, indiceCoupe, xClic, yClic, pictureBox1->width(),
                                        pictureBox1->height(), images3D->largeur, images3D->hauteur,
                                        images3D->profondeur);
    {
        CurseurAttente attente;
        const auto extraction = [&] {
            images3D->CroissanceDeRegion(v.x, v.y, v.z, optionsExtraction);
        };
        if (executerExtraction)
            executerExtraction(extraction);
        else
            extraction();
    }
    if (fenetreOpenGL != nullptr)
        fenetreOpenGL->maillage = images3D->maillage.get();
    checkBoxMaillage->show();
    checkBoxMaillage->setChecked(true);
    if (fenetreOpenGL != nullptr)
        fenetreOpenGL->bmaillage = true;
    desarmerExtraction();
    majExport();
    redessiner();

    const BilanExtraction& b = images3D->bilanExtraction;
    if (!b.effectuee || images3D->maillage == nullptr)
        return;
    const CMaillageTriangleChRegion& m = *images3D->maillage;
    const double temps = b.tempsCroissance + b.tempsRegion + b.tempsReparation + b.tempsMaillage +
                         b.tempsLissage + b.tempsNormales;
    const MesuresMaillage mesures = mesurerMaillage(m, images3D->geometrie);
    const QLocale l;
    QString volume = l.toString(mesures.volume, 'f', 1) + " voxels³";
    QString aire = l.toString(mesures.aire, 'f', 1) + " voxels²";
    // A volume with a voxel size also gets its world measures.
    if (!images3D->geometrie.identite()) {
        volume += " (" + l.toString(mesures.volumeMm3, 'f', 1) + " mm³)";
        aire += " (" + l.toString(mesures.aireMm2, 'f', 1) + " mm²)";
    }
    statusBar()->showMessage(
        QString("Extraction au voxel (%1, %2, %3) : %4 voxels, %5 triangles, volume %6, aire %7, "
                "%8 s")
            .arg(v.x)
            .arg(v.y)
            .arg(v.z)
            .arg(l.toString(b.nbVoxelsRepares))
            .arg(l.toString(m.nbTriangles))
            .arg(volume)
            .arg(aire)
            .arg(l.toString(temps, 'f', 2)));
}

void Form1::majExport() {
    const bool maillage = images3D != nullptr && images3D->maillage != nullptr;
    exporterToolStripMenuItem->setEnabled(maillage);
    evoluerMaillageToolStripMenuItem->setEnabled(maillage);
}

void Form1::evoluerMaillage() {
    if (images3D == nullptr || images3D->maillage == nullptr)
        return;
    CMaillageTriangleChRegion& m = *images3D->maillage;
    if (imageEvolution_ == nullptr || m.imageEvolution != imageEvolution_.get()) {
        // The mesh evolves on the grey volume whatever the display mode; the current volume
        // is put back afterwards, since the next extraction reads it.
        auto gris =
            std::make_unique<CImage3D>(images3D->largeur, images3D->hauteur, images3D->profondeur);
        images3D->CopierImageCourante(static_cast<int>(ModeAffichage::Normale));
        images3D->CimageTroisDtoCimage3D(*gris);
        images3D->CopierImageCourante(static_cast<int>(ChoixAffichage));
        m.initialiserImages(gris.get(), gris.get());
        imageEvolution_ = std::move(gris);
    }
    DialogueEvolution dialogue(m, this);
    // "Annuler" puts back a copy of the mesh taken before each run, in place: the view keeps
    // its pointer to it.
    dialogue.garderEtat = [&m] {
        auto copie = std::make_shared<CMaillageTriangleChRegion>();
        *copie = m;
        return std::function<void()>([&m, copie] { m = *copie; });
    };
    connect(&dialogue, &DialogueEvolution::evolue, this, [this] { redessiner(); });
    if (montrerEvolution)
        montrerEvolution(dialogue);
}

void Form1::exporterMaillage() {
    if (images3D == nullptr || images3D->maillage == nullptr)
        return;
    const QString fichier = choisirFichierExport ? choisirFichierExport() : QString();
    if (fichier.isEmpty())
        return;
    const CMaillageTriangleChRegion* aEcrire = images3D->maillage.get();
    CMaillageTriangleChRegion decime;
    if (tauxDecimation < 1.0) {
        BilanDecimation bilan;
        std::string raison;
        CurseurAttente attente;
        if (!decimerMaillage(*aEcrire, tauxDecimation, decime, bilan, raison)) {
            if (afficherMessage)
                afficherMessage(
                    "Le maillage n'a pas été exporté : " + QString::fromStdString(raison) + ".");
            return;
        }
        aEcrire = &decime;
    }
    // World millimetres through the volume's geometry: a picture folder (spacing 1, origin 0)
    // gives exactly the voxel-coordinate file.
    if (!::exporterMaillage(*aEcrire, cheminLocal(fichier).c_str(), images3D->geometrie) &&
        afficherMessage)
        afficherMessage("L'exportation du maillage dans \"" + fichier + "\" a échoué.");
}

void Form1::choisirOptionsExtraction() {
    DialogueOptionsExtraction dialogue(optionsExtraction, tauxDecimation, this);
    if (montrerOptionsExtraction && montrerOptionsExtraction(dialogue) == QDialog::Accepted) {
        optionsExtraction = dialogue.options();
        tauxDecimation = dialogue.tauxDecimation();
    }
}

namespace {

// The local paths of the things dropped (empty when one is not a local file).
QStringList cheminsDeposes(const QMimeData* donnees) {
    if (donnees == nullptr || !donnees->hasUrls())
        return {};
    QStringList chemins;
    for (const QUrl& url : donnees->urls()) {
        if (!url.isLocalFile())
            return {};
        chemins.append(url.toLocalFile());
    }
    return chemins;
}

// A folder alone, or files whose first is a volume file by its content.
bool depotOuvrable(const QStringList& chemins) {
    if (chemins.isEmpty())
        return false;
    if (QFileInfo(chemins.first()).isDir())
        return chemins.size() == 1;
    return std::all_of(chemins.begin(), chemins.end(),
                       [](const QString& c) { return QFileInfo(c).isFile(); }) &&
           formatParContenu(cheminLocal(chemins.first())) != FormatVolume::Inconnu;
}

} // namespace

void Form1::dragEnterEvent(QDragEnterEvent* evenement) {
    if (depotOuvrable(cheminsDeposes(evenement->mimeData())))
        evenement->acceptProposedAction();
}

// A folder dropped on the window is opened as "Ouvrir" opens a confirmed folder; files as
// "Ouvrir un fichier..." opens them, the first the volume, the others its segmentations.
void Form1::dropEvent(QDropEvent* evenement) {
    const QStringList chemins = cheminsDeposes(evenement->mimeData());
    if (!depotOuvrable(chemins))
        return;
    evenement->acceptProposedAction();
    if (QFileInfo(chemins.first()).isDir())
        ouvrirDossier(chemins.first());
    else
        ouvrirFichiers(chemins);
}

} // namespace Stravol
