#include "app/Form1.h"

#include "app/DialogueEvolution.h"

#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/ExportMaillage.h"
#include "view/COpenGL.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"

#include "core/Message.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QSplitter>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdlib>

// Resources of a static library are registered by hand (outside any namespace).
static void enregistrerImages() { Q_INIT_RESOURCE(images); }

namespace Stravol {

namespace {

// The wait cursor for the length of one synchronous operation (loading, textures, extraction).
class CurseurAttente {
public:
    CurseurAttente() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CurseurAttente() { QApplication::restoreOverrideCursor(); }
    CurseurAttente(const CurseurAttente&) = delete;
    CurseurAttente& operator=(const CurseurAttente&) = delete;
};

QFrame* panneau(const char* nom, QFrame::Shape forme, QFrame::Shadow ombre) {
    auto* p = new QFrame;
    p->setObjectName(nom);
    p->setFrameShape(forme);
    p->setFrameShadow(ombre);
    return p;
}

QSplitter* separateur(const char* nom, Qt::Orientation orientation, QFrame* premier,
                      QFrame* second) {
    auto* s = new QSplitter(orientation);
    s->setObjectName(nom);
    s->setHandleWidth(4);
    s->setChildrenCollapsible(false);
    s->addWidget(premier);
    s->addWidget(second);
    // The first panel keeps its size when the window is resized, as its splitter position.
    s->setStretchFactor(0, 0);
    s->setStretchFactor(1, 1);
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

} // namespace

Form1::Form1(QWidget* parent)
    : QMainWindow(parent), chemin(cheminLocal(QDir::currentPath())),
      messages_([this](const std::string& texte) {
          if (afficherMessage)
              afficherMessage(QString::fromUtf8(texte.c_str()));
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
    // Client area 987 x 683 below the menu bar; the splitters at their initial positions.
    resize(largeurClient, hauteurClient + menuBar()->sizeHint().height());
    splitContainer1->setSizes({475, largeurClient - 475 - 4});
    splitContainer2->setSizes({491, hauteurClient - 491 - 4});
    splitContainer3->setSizes({239, 475 - 239 - 4});
    barre_ = std::make_unique<BarreProgressionQt>(progressBar1);

    choisirDossier = [this]() {
        // A fresh dialog each time, rooted at the whole file system.
        QFileDialog dialogue(this, "Sélectionner le répertoire de l'image 3D");
        dialogue.setFileMode(QFileDialog::Directory);
        dialogue.setOption(QFileDialog::ShowDirsOnly);
        dialogue.setDirectory(QDir::rootPath());
        dialogue.setSidebarUrls({QUrl("file:"), QUrl::fromLocalFile(QDir::homePath())});
        if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
            return QString();
        return dialogue.selectedFiles().first();
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
    afficherMessage = [this](const QString& texte) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        QMessageBox::warning(this, "Stravol", texte);
        QApplication::restoreOverrideCursor();
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
        auto* image = new QLabel;
        image->setObjectName(nom);
        image->setScaledContents(true);
        image->setMinimumSize(1, 1);
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
    pictureBox1->installEventFilter(this);

    radioTrackBall =
        controle<QRadioButton>(BoxCommande, "radioTrackBall", "Camera TrackBall", 16, 24, 120, 24);
    radioFree = controle<QRadioButton>(BoxCommande, "radioFree", "Camera Free", 160, 24, 96, 24);
    checkRepere = controle<QCheckBox>(BoxCommande, "checkRepere", "Repère", 280, 24, 72, 24);
    checkX = controle<QCheckBox>(BoxCommande, "checkX", "Coupe X", 16, 72, 72, 32);
    trackBarX = barreDefilement(BoxCommande, "trackBarX", 96, 72);
    checkY = controle<QCheckBox>(BoxCommande, "checkY", "Coupe Y", 16, 128, 72, 32);
    trackBarY = barreDefilement(BoxCommande, "trackBarY", 96, 128);
    checkZ = controle<QCheckBox>(BoxCommande, "checkZ", "Coupe Z", 16, 184, 72, 32);
    trackBarZ = barreDefilement(BoxCommande, "trackBarZ", 96, 184);

    // Check boxes react to every change, from the user or from code; track bars only to the
    // user's actions (drag, keys, wheel, clicks on the groove), not to values set from code.
    QCheckBox* coupes[3] = {checkX, checkY, checkZ};
    QSlider* barres[3] = {trackBarX, trackBarY, trackBarZ};
    for (int axe = 0; axe < 3; ++axe) {
        connect(coupes[axe], &QCheckBox::toggled, this,
                [this, axe](bool c) { coupeChangee(axe, c); });
        QSlider* b = barres[axe];
        connect(b, &QSlider::actionTriggered, this, [this, axe, b](int action) {
            if (action != QAbstractSlider::SliderNoAction)
                coupeDefilee(axe, b->sliderPosition());
        });
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
}

void Form1::construireMenus() {
    const auto action = [this](QMenu* menu, const char* nom, const char* texte, auto gestionnaire) {
        QAction* a = menu->addAction(texte);
        a->setObjectName(nom);
        connect(a, &QAction::triggered, this, gestionnaire);
        return a;
    };
    QMenu* fichier = menuBar()->addMenu("Fichier");
    fichier->setObjectName("fichierToolStripMenuItem");
    ouvrirToolStripMenuItem =
        action(fichier, "ouvrirToolStripMenuItem", "Ouvrir", [this] { ouvrir(); });
    fermerToolStripMenuItem =
        action(fichier, "fermerToolStripMenuItem", "Fermer", [this] { fermer(); });
    fermerToolStripMenuItem->setEnabled(false);
    exporterToolStripMenuItem = action(fichier, "exporterToolStripMenuItem", "Exporter le maillage",
                                       [this] { exporterMaillage(); });
    exporterToolStripMenuItem->setEnabled(false);
    quitterToolStripMenuItem =
        action(fichier, "quitterToolStripMenuItem", "Quitter", [this] { quitter(); });

    QMenu* traitement = menuBar()->addMenu("Traitement");
    traitement->setObjectName("traitementToolStripMenuItem");
    extraireRegionToolStripMenuItem = action(traitement, "extraireRegionToolStripMenuItem",
                                             "Extraire région", [this] { armerExtraction(); });
    evoluerMaillageToolStripMenuItem =
        action(traitement, "evoluerMaillageToolStripMenuItem", "Faire évoluer le maillage",
               [this] { evoluerMaillage(); });
    evoluerMaillageToolStripMenuItem->setEnabled(false);

    QMenu* visualisation = menuBar()->addMenu("Visualisation");
    visualisation->setObjectName("visualisationToolStripMenuItem");
    imageNormaleToolStripMenuItem = action(visualisation, "imageNormaleToolStripMenuItem",
                                           "Image Normale", [this] { afficherMode(0); });
    imageSegmenteToolStripMenuItem = action(visualisation, "imageSegmenteToolStripMenuItem",
                                            "Image Segmenté", [this] { afficherMode(4); });
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
    checkX->setChecked(false);
    checkY->setChecked(false);
    checkZ->setChecked(false);
    trackBarX->setValue(0);
    trackBarY->setValue(0);
    trackBarZ->setValue(0);
    decocherRadios();
    checkRepere->setChecked(false);
    BoxCommande->setEnabled(false);
    pictureBox1->clear();
    delete fenetreOpenGL;
    fenetreOpenGL = nullptr;
}

void Form1::detruireVolume() {
    images3D.reset();
    imageEvolution_.reset();
    majExport();
}

void Form1::ouvrir() {
    detruireVue();
    detruireVolume();
    const QString dossier = choisirDossier ? choisirDossier() : QString();
    if (dossier.isEmpty())
        return;
    chargerDossier(dossier);
}

bool Form1::ouvrirDossier(const QString& dossier) {
    detruireVue();
    detruireVolume();
    return chargerDossier(dossier);
}

bool Form1::chargerDossier(const QString& dossier) {
    const QDir parent(dossier);
    const QStringList sousDossiers =
        parent.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    checkBoxMaillage->hide();
    if (sousDossiers.isEmpty())
        return false;

    CurseurAttente attente;
    for (int i = 0; i < sousDossiers.size(); ++i) {
        const std::string path = cheminLocal(parent.filePath(sousDossiers[i]));
        if (i > 0) {
            images3D->ChargerSeg(path, barre_.get());
            continue;
        }
        images3D = std::make_unique<CImageTroisD>(chemin, path, barre_.get(), &messages_);
        // A volume folder without any picture gives sizes 0: there is nothing to show, and
        // the cut positions would divide by those sizes.
        if (images3D->largeur <= 0 || images3D->hauteur <= 0 || images3D->profondeur <= 0) {
            images3D.reset();
            barre_->setValue(0);
            if (afficherMessage)
                afficherMessage("Aucune image n'a été trouvée dans le répertoire \"" +
                                parent.filePath(sousDossiers[i]) + "\".");
            return false;
        }
        images3D->AllouerTexture();
        ChoixAffichage = 0;
        images3D->preparationTexture(barre_.get(), 0);

        trackBarX->setMaximum(images3D->largeur - 1);
        trackBarY->setMaximum(images3D->hauteur - 1);
        trackBarZ->setMaximum(images3D->profondeur - 1);

        pictureBox1->clear();
        indX = indY = indZ = -1;

        fenetreOpenGL = new COpenGL(panneauVue, 500, 500, 0, 0, images3D.get(), chemin);
        panneauVue->layout()->addWidget(fenetreOpenGL);
        fenetreOpenGL->show();
        fenetreOpenGL->Draw();
        fenetreOpenGL->LireConfig();

        BoxCommande->setEnabled(true);
        trackBarX->setEnabled(false);
        trackBarY->setEnabled(false);
        trackBarZ->setEnabled(false);
        radioTrackBall->setChecked(true);
        fermerToolStripMenuItem->setEnabled(true);
    }
    majExport();
    return true;
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

void Form1::coupeChangee(int axe, bool cochee) {
    QSlider* barres[3] = {trackBarX, trackBarY, trackBarZ};
    int* indices[3] = {&indX, &indY, &indZ};
    QSlider* barre = barres[axe];
    int& ind = *indices[axe];
    if (!cochee) {
        ind = -1;
        barre->setEnabled(false);
        if (fenetreOpenGL == nullptr)
            return;
        if (axe == 0)
            fenetreOpenGL->setTextureX(nullptr, -1);
        else if (axe == 1)
            fenetreOpenGL->setTextureY(nullptr, -1);
        else
            fenetreOpenGL->setTextureZ(nullptr, -1);
        return;
    }
    barre->setEnabled(true);
    if (images3D == nullptr || fenetreOpenGL == nullptr)
        return;
    const int v = barre->value();
    if (axe == 0) {
        ind = static_cast<int>(v * 256.0 / images3D->largeur);
        fenetreOpenGL->setTextureX(images3D->getTabX(v), ind);
    } else if (axe == 1) {
        ind = static_cast<int>(v * 256.0 / images3D->hauteur);
        fenetreOpenGL->setTextureY(images3D->getTabY(v), 256 - ind);
    } else {
        ind = static_cast<int>(v * 256.0 / images3D->profondeur);
        fenetreOpenGL->setTextureZ(images3D->getTabZ(v), ind);
    }
}

void Form1::coupeDefilee(int axe, int v) {
    if (fenetreOpenGL == nullptr || images3D == nullptr)
        return;
    if (axe == 0) {
        montrerCoupe(images3D->getImageX(v));
        indX = static_cast<int>(v * 256.0 / images3D->largeur);
        fenetreOpenGL->setTextureX(images3D->getTabX(v), indX);
    } else if (axe == 1) {
        montrerCoupe(images3D->getImageY(v));
        indY = static_cast<int>(v * 256.0 / images3D->hauteur);
        fenetreOpenGL->setTextureY(images3D->getTabY(v), 256 - indY);
    } else {
        montrerCoupe(images3D->getImageZ(v));
        indZ = static_cast<int>(v * 256.0 / images3D->profondeur);
        fenetreOpenGL->setTextureZ(images3D->getTabZ(v), indZ);
    }
}

void Form1::montrerCoupe(const ImageRGB& image) {
    if (image.largeur <= 0 || image.hauteur <= 0) {
        pictureBox1->clear();
        return;
    }
    const QImage vue(image.pixels.data(), image.largeur, image.hauteur, 3 * image.largeur,
                     QImage::Format_RGB888);
    pictureBox1->setPixmap(QPixmap::fromImage(vue.copy()));
}

void Form1::cameraChangee(QRadioButton* bouton, bool cochee) {
    if (!cochee)
        return;
    QRadioButton* autre = bouton == radioTrackBall ? radioFree : radioTrackBall;
    autre->setChecked(false);
    if (fenetreOpenGL != nullptr)
        fenetreOpenGL->setChoixCamera(bouton == radioTrackBall ? 0 : 1);
}

void Form1::maillageCoche() {
    if (fenetreOpenGL != nullptr)
        fenetreOpenGL->bmaillage = !fenetreOpenGL->bmaillage;
}

void Form1::splitterDeplace() {
    if (fenetreOpenGL == nullptr)
        return;
    fenetreOpenGL->ReSizeGLScene(fenetreOpenGL->width(), fenetreOpenGL->height());
    fenetreOpenGL->Draw();
}

void Form1::afficherMode(int mode) {
    if (images3D == nullptr || ChoixAffichage == mode)
        return;
    if (mode == 4 && images3D->imageSegmente == nullptr)
        return;
    ChoixAffichage = mode;
    CurseurAttente attente;
    images3D->preparationTexture(barre_.get(), mode);
}

void Form1::armerExtraction() {
    // Arming again while armed keeps one handler: one click still serves one extraction.
    Bouge = [this](int x, int y) { cliquerImage(x, y); };
}

bool Form1::eventFilter(QObject* objet, QEvent* evenement) {
    if (objet == pictureBox1 && evenement->type() == QEvent::MouseButtonRelease && Bouge) {
        const QPoint p = static_cast<QMouseEvent*>(evenement)->position().toPoint();
        if (pictureBox1->rect().contains(p)) {
            // The handler detaches itself: call a copy.
            const auto gestionnaire = Bouge;
            gestionnaire(p.x(), p.y());
        }
    }
    return QMainWindow::eventFilter(objet, evenement);
}

void Form1::cliquerImage(int xClic, int yClic) {
    // Without a volume the click extracts nothing and the command stays armed.
    if (images3D == nullptr)
        return;
    const int x = (xClic * images3D->largeur) / pictureBox1->width();
    const int y = (yClic * images3D->hauteur) / pictureBox1->height();
    const int z = trackBarZ->value();
    {
        CurseurAttente attente;
        images3D->CroissanceDeRegion(x, y, z);
    }
    if (fenetreOpenGL != nullptr)
        fenetreOpenGL->maillage = images3D->maillage.get();
    checkBoxMaillage->show();
    checkBoxMaillage->setChecked(true);
    if (fenetreOpenGL != nullptr)
        fenetreOpenGL->bmaillage = true;
    Bouge = nullptr;
    majExport();
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
        images3D->CopierImageCourante(0);
        images3D->CimageTroisDtoCimage3D(*gris);
        images3D->CopierImageCourante(ChoixAffichage);
        m.initialiserImages(gris.get(), gris.get());
        imageEvolution_ = std::move(gris);
    }
    DialogueEvolution dialogue(m, this);
    connect(&dialogue, &DialogueEvolution::evolue, this, [this] {
        if (fenetreOpenGL != nullptr)
            fenetreOpenGL->Draw();
    });
    if (montrerEvolution)
        montrerEvolution(dialogue);
}

void Form1::exporterMaillage() {
    if (images3D == nullptr || images3D->maillage == nullptr)
        return;
    const QString fichier = choisirFichierExport ? choisirFichierExport() : QString();
    if (fichier.isEmpty())
        return;
    if (!::exporterMaillage(*images3D->maillage, cheminLocal(fichier).c_str()) && afficherMessage)
        afficherMessage("L'exportation du maillage dans \"" + fichier + "\" a échoué.");
}

} // namespace Stravol
