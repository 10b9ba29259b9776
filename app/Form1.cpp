#include "app/Form1.h"

#include "app/ControleurExtraction.h"
#include "app/DispositionFenetre.h"
#include "app/ExtractionEtiquettes.h"
#include "app/ImageVue.h"
#include "app/MenusFenetre.h"
#include "app/OuvertureVolume.h"
#include "app/PanneauCoupes.h"
#include "app/PanneauEtiquettes.h"
#include "app/UtilitairesQt.h"

#include "view/COpenGL.h"

#include "core/Message.h"

#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

// Resources of a static library are registered by hand (outside any namespace).
static void enregistrerImages() { Q_INIT_RESOURCE(images); }

namespace Stravol {

namespace {

// Space kept free around the controls of the commands panel, in pixels.
constexpr int kMargeCommandes = 8;
// Smallest room of the 3D view, in pixels.
constexpr int kVueMinimale = 160;
// Top of the loading row in the commands panel at its first size, and its distance from the
// bottom of the panel.
constexpr int kHautChargement = 649;
constexpr int kMargeChargement = 34;

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent), chemin(cheminLocal(QDir::currentPath())) {
    enregistrerImages();
    setObjectName("Form1");
    setWindowTitle("Stravol");
    // The small dialog font the control sizes were laid out for.
    QFont police = font();
    police.setPointSizeF(8);
    setFont(police);
    dialogues_ = dialoguesParDefaut(
        this, [] { return MenusFenetre::dossiersRecents().value(0); },
        [this] { return ouverture_->dossierFichiers(); });
    construireControles();
    construireParties();
    connecterParties();
    // Client area 987 x 683 between the menu bar and the status bar; the splitters at their
    // initial positions.
    resize(largeurClient,
           hauteurClient + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    placerSeparateurs();
    setMinimumSize(minimumSizeHint());
    setAcceptDrops(true);
    installerCrochets();
}

Form1::~Form1() {
    setQuestionHook({});
    setFinHook({});
    // The every-label work ends while the controls it reports to are still there; the label
    // panel, hidden as the window goes, no longer reports to it.
    etiquettes_->arreterTout();
    disconnect(panneauEtiquettes_->dock(), nullptr, this, nullptr);
    // The view borrows the volume's textures and mesh: it goes first.
    delete ouvert_.fenetreOpenGL;
    ouvert_.fenetreOpenGL = nullptr;
    ouvert_.images3D.reset();
}

// The panels and splitters, the decorative pictures and the loading progress; the parts put
// their own controls in the commands panel.
void Form1::construireControles() {
    panneauVue_ = panneau("splitContainer2_Panel1", QFrame::StyledPanel, QFrame::Sunken);
    panneauVue_->setMinimumSize(kVueMinimale, kVueMinimale);
    auto* dispositionVue = new QVBoxLayout(panneauVue_);
    dispositionVue->setContentsMargins(0, 0, 0, 0);
    auto* panneauImages = panneau("splitContainer2_Panel2", QFrame::StyledPanel, QFrame::Sunken);
    auto* panneauGauche = panneau("splitContainer1_Panel1", QFrame::StyledPanel, QFrame::Sunken);
    panneauCommandes_ = panneau("splitContainer1_Panel2", QFrame::StyledPanel, QFrame::Sunken);

    auto* panneauImage2 = panneau("splitContainer3_Panel1", QFrame::Box, QFrame::Plain);
    auto* panneauImage3 = panneau("splitContainer3_Panel2", QFrame::Box, QFrame::Plain);
    imageDecorative(panneauImage2, "pictureBox2", ":/images/sphere.png");
    imageDecorative(panneauImage3, "pictureBox3", ":/images/coupe.png");

    splitContainer3 = separateur("splitContainer3", Qt::Horizontal, panneauImage2, panneauImage3);
    remplir(panneauImages, splitContainer3);
    splitContainer2 = separateur("splitContainer2", Qt::Vertical, panneauVue_, panneauImages);
    remplir(panneauGauche, splitContainer2);
    splitContainer1 =
        separateur("splitContainer1", Qt::Horizontal, panneauGauche, panneauCommandes_);
    setCentralWidget(splitContainer1);

    labelChargement_ = controle<QLabel>(panneauCommandes_, "labelChargement",
                                        "Chargement des images", 11, kHautChargement, 128, 16);
    // The whole text, however wide the font draws it.
    labelChargement_->resize(
        std::max(labelChargement_->width(), labelChargement_->sizeHint().width()),
        labelChargement_->height());
    progressBar1 = new QProgressBar(panneauCommandes_);
    progressBar1->setObjectName("progressBar1");
    progressBar1->setGeometry(163, kHautChargement, 256, 16);
    progressBar1->setRange(0, 100);
    progressBar1->setValue(0);
    progressBar1->setTextVisible(false);
    barre_ = std::make_unique<BarreProgressionQt>(progressBar1);

    labelVoxel = new QLabel;
    labelVoxel->setObjectName("labelVoxel");
    statusBar()->setObjectName("statusStrip1");
    statusBar()->addPermanentWidget(labelVoxel);
}

void Form1::construireParties() {
    QWidget* droite = panneauCommandes_;
    // The extraction's check box first: it leads the keyboard focus order of the panel.
    extraction_ = new ControleurExtraction(droite, ouvert_, dialogues_, statusBar());
    coupes_ = new PanneauCoupes(droite, ouvert_, *barre_);
    ouverture_ =
        new OuvertureVolume(*this, chemin, *barre_, dialogues_,
                            [this](std::unique_ptr<CImageTroisD> nouveau, const QString& nom) {
                                remplacerVolume(std::move(nouveau), nom);
                            });
    etiquettes_ = new ExtractionEtiquettes(droite, ouvert_, dialogues_, *barre_, statusBar());
    panneauEtiquettes_ = new PanneauEtiquettes(this, ouvert_);
    addDockWidget(Qt::LeftDockWidgetArea, panneauEtiquettes_->dock());
    etiquettes_->decrire = [this](std::uint32_t valeur) {
        return ExtractionEtiquettes::Description{panneauEtiquettes_->nom(valeur),
                                                 panneauEtiquettes_->couleur(valeur)};
    };
    extraction_->montrerObjetDual = [this](MaillageEtiquette objet) {
        etiquettes_->montrerObjet(std::move(objet));
    };
    etiquettes_->estVisible = [this](std::uint32_t valeur) {
        return panneauEtiquettes_->estVisible(valeur);
    };
    menus_ = new MenusFenetre(
        menuBar(), {*ouverture_, *coupes_, *extraction_, *etiquettes_, *panneauEtiquettes_,
                    dialogues_, [this] { return ouvert_.images3D != nullptr; },
                    [this] { fermer(); }, [this] { quitter(); },
                    [this] {
                        if (ouvert_.fenetreOpenGL != nullptr)
                            enregistrerImageVue(*ouvert_.fenetreOpenGL, dialogues_, statusBar());
                    },
                    [this] { ouvrirTableEtiquettes(); }});

    // Every control of the commands panel stays in view, shown or not: the panel is never
    // smaller than what they cover.
    QRect occupe;
    for (const QWidget* w : panneauCommandes_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        occupe |= w->geometry();
    panneauCommandes_->setMinimumSize(occupe.right() + kMargeCommandes,
                                      occupe.bottom() + kMargeCommandes);
}

void Form1::connecterParties() {
    // A click on the cut picture is a seed when the extraction is armed; the picture shows a
    // cross-hair meanwhile.
    connect(coupes_, &PanneauCoupes::imageCliquee, extraction_, &ControleurExtraction::cliquer);
    connect(extraction_, &ControleurExtraction::armementChange, coupes_,
            &PanneauCoupes::montrerViseur);
    connect(coupes_, &PanneauCoupes::voxelSurvole, labelVoxel, &QLabel::setText);
    connect(extraction_, &ControleurExtraction::maillageChange, menus_,
            &MenusFenetre::majDisponibilites);
    connect(ouverture_, &OuvertureVolume::dossierOuvert, menus_, &MenusFenetre::ajouterRecent);
    connect(ouverture_, &OuvertureVolume::fichiersOuverts, menus_,
            &MenusFenetre::ajouterFichiersRecents);
    coupes_->choisirConvention(MenusFenetre::convention());
    connect(menus_, &MenusFenetre::conventionChoisie, coupes_, &PanneauCoupes::choisirConvention);
    panneauCommandes_->installEventFilter(this);
    connect(ouverture_, &OuvertureVolume::ouvertureTerminee, this, &Form1::ouvertureTerminee);
    auto* echap = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(echap, &QShortcut::activated, extraction_, &ControleurExtraction::desarmer);
    // Every label at once: Escape gives it up; a click extraction replaces its meshes; the
    // label panel and the cuts follow the meshes and the clicks.
    connect(echap, &QShortcut::activated, etiquettes_, &ExtractionEtiquettes::annuler);
    connect(extraction_, &ControleurExtraction::maillageChange, etiquettes_,
            &ExtractionEtiquettes::regionExtraite);
    connect(etiquettes_, &ExtractionEtiquettes::sceneChangee, this, &Form1::sceneChangee);
    connect(etiquettes_, &ExtractionEtiquettes::enCoursChange, menus_,
            &MenusFenetre::majDisponibilites);
    connect(coupes_, &PanneauCoupes::imageCliquee, panneauEtiquettes_,
            &PanneauEtiquettes::choisirVoxel);
    connect(panneauEtiquettes_, &PanneauEtiquettes::centreChoisi, coupes_,
            &PanneauCoupes::allerAuVoxel);
    connect(panneauEtiquettes_->dock(), &QDockWidget::visibilityChanged, this,
            &Form1::panneauEtiquettesMontre);
    connect(splitContainer1, &QSplitter::splitterMoved, this,
            [this](int, int) { splitterDeplace(); });
    connect(splitContainer2, &QSplitter::splitterMoved, this,
            [this](int, int) { splitterDeplace(); });
}

// The mesh's consistency questions as a yes/no box over the window; the GL view goes before
// the process ends, as on quitting.
void Form1::installerCrochets() {
    setQuestionHook([this](const char* texte, const char* titre) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const auto reponse = QMessageBox::question(
            this, QString::fromUtf8(titre != nullptr ? titre : "Erreur"), QString::fromUtf8(texte),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        QApplication::restoreOverrideCursor();
        return reponse == QMessageBox::Yes;
    });
    setFinHook([this](int) {
        // No worker thread runs on while the process ends.
        etiquettes_->arreterTout();
        delete ouvert_.fenetreOpenGL;
        ouvert_.fenetreOpenGL = nullptr;
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

bool Form1::eventFilter(QObject* objet, QEvent* evenement) {
    if (objet == panneauCommandes_ && evenement->type() == QEvent::Resize)
        placerBasCommandes();
    return QMainWindow::eventFilter(objet, evenement);
}

void Form1::placerBasCommandes() {
    // The loading row keeps its place, or follows the bottom of a taller panel; the picture of
    // a cut that keeps its proportions has the room above it.
    const int y = std::max(kHautChargement, panneauCommandes_->height() - kMargeChargement);
    labelChargement_->move(labelChargement_->x(), y);
    progressBar1->move(progressBar1->x(), y);
    const QRect image = PanneauCoupes::kImageSpecifiee;
    coupes_->placerImage(
        QRect(image.topLeft(),
              QPoint(std::max(image.right(), panneauCommandes_->width() - kMargeCommandes - 1),
                     std::max(image.bottom(), y - kMargeCommandes - 1))));
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

bool Form1::ouvrirDossier(const QString& dossier) { return ouverture_->ouvrirDossier(dossier); }

void Form1::ouvrirQuandVisible(const QString& dossier) { ouverture_->ouvrirQuandVisible(dossier); }

bool Form1::ouvrirFichiers(const QStringList& fichiers) {
    return ouverture_->ouvrirFichiers(fichiers);
}

void Form1::ouvrirFichiersQuandVisible(const QStringList& fichiers) {
    ouverture_->ouvrirFichiersQuandVisible(fichiers);
}

QStringList Form1::dossiersRecents() const { return MenusFenetre::dossiersRecents(); }

void Form1::remplacerVolume(std::unique_ptr<CImageTroisD> nouveau, const QString& nom) {
    detruireVue();
    detruireVolume();
    extraction_->masquerMaillage();
    ouvert_.images3D = std::move(nouveau);
    setWindowTitle(nom + " — Stravol");
    ouvert_.images3D->AllouerTexture();
    coupes_->preparerVolume();

    auto* vue = new COpenGL(panneauVue_, 500, 500, 0, 0, ouvert_.images3D.get(), chemin);
    ouvert_.fenetreOpenGL = vue;
    vue->messages = &ouverture_->messages();
    panneauVue_->layout()->addWidget(vue);
    vue->show();
    vue->Draw();
    vue->LireConfig();

    coupes_->activer();
    connect(vue, &COpenGL::maillageClique, panneauEtiquettes_, &PanneauEtiquettes::choisirMaillage);
    panneauEtiquettes_->nouveauVolume();
    menus_->majDisponibilites();
}

void Form1::ouvrirTableEtiquettes() {
    if (ouvert_.images3D == nullptr || etiquettes_->enCours() ||
        !ouverture_->ouvrirTable(*ouvert_.images3D))
        return;
    coupes_->paletteChangee();
    panneauEtiquettes_->tableChangee();
}

void Form1::detruireVue() {
    COpenGL* vue = ouvert_.fenetreOpenGL;
    if (vue == nullptr)
        return;
    panneauVue_->layout()->removeWidget(vue);
    vue->hide();
    coupes_->reinitialiser();
    delete vue;
    ouvert_.fenetreOpenGL = nullptr;
}

void Form1::detruireVolume() {
    etiquettes_->oublierVolume();
    ouvert_.images3D.reset();
    setWindowTitle("Stravol");
    extraction_->oublierVolume();
    panneauEtiquettes_->nouveauVolume();
    menus_->majDisponibilites();
}

void Form1::sceneChangee() {
    if (etiquettes_->aUneScene()) {
        extraction_->retirerMaillage();
        panneauEtiquettes_->dock()->show();
    }
    panneauEtiquettes_->montrerMaillages(etiquettes_->scene(), etiquettes_->apercus());
    menus_->majDisponibilites();
}

void Form1::panneauEtiquettesMontre(bool visible) {
    QDockWidget* dock = panneauEtiquettes_->dock();
    if (!visible || panneauDejaMontre_ || dock->isFloating() || isMaximized() || isFullScreen())
        return;
    panneauDejaMontre_ = true;
    const int largeur = width() + dock->sizeHint().width();
    const int disponible = screen() != nullptr ? screen()->availableGeometry().width() : largeur;
    resize(std::min(largeur, disponible), height());
}

void Form1::fermer() {
    detruireVue();
    detruireVolume();
}

void Form1::quitter() {
    etiquettes_->arreterTout();
    delete ouvert_.fenetreOpenGL;
    ouvert_.fenetreOpenGL = nullptr;
    ouvert_.images3D.reset();
    close();
    finirProcessus(kStatutArret);
}

void Form1::splitterDeplace() {
    COpenGL* vue = ouvert_.fenetreOpenGL;
    if (vue == nullptr)
        return;
    vue->ReSizeGLScene(vue->width(), vue->height());
    vue->Draw();
}

void Form1::dragEnterEvent(QDragEnterEvent* evenement) {
    if (OuvertureVolume::depotOuvrable(evenement->mimeData()))
        evenement->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* evenement) {
    if (!OuvertureVolume::depotOuvrable(evenement->mimeData()))
        return;
    evenement->acceptProposedAction();
    ouverture_->deposer(evenement->mimeData());
}

} // namespace Stravol
