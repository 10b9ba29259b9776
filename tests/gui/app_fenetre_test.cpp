#include "AppFenetre.h"

#include "volume/CImageTroisD.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QSplitter>

#include <cstring>

using Stravol::COpenGL;
using testapp::WindowTest;

namespace {

struct Attendu {
    const char* nom;
    const char* genre;
    const char* parent;
    const char* texte;
    QRect place; // empty: not checked
    bool actif;
    bool visible;
    int coche; // -1: not a check box
};

QString texteDe(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    return {};
}

std::vector<QString> textes(const QList<QAction*>& actions) {
    std::vector<QString> t;
    // Without the mnemonic marks: the texts as the user reads them.
    for (QAction* a : actions)
        t.push_back(QString(a->text()).remove('&'));
    return t;
}

} // namespace

TEST_F(WindowTest, ControlsMenusAndSplittersAtStart) {
    Stravol::Form1& f = *fenetre;
    EXPECT_EQ(f.windowTitle(), "Stravol");
    EXPECT_EQ(f.centralWidget(), f.splitContainer1);
    EXPECT_EQ(f.centralWidget()->size(), QSize(987, 683));

    const Attendu table[] = {
        {"checkBoxMaillage",
         "QCheckBox",
         "splitContainer1_Panel2",
         "Afficher le maillage",
         {},
         true,
         false,
         1},
        {"BoxCommande",
         "QGroupBox",
         "splitContainer1_Panel2",
         "Commandes",
         {67, 29, 392, 288},
         false,
         true,
         -1},
        {"labelChargement",
         "QLabel",
         "splitContainer1_Panel2",
         "Chargement des images",
         {},
         true,
         true,
         -1},
        {"progressBar1",
         "QProgressBar",
         "splitContainer1_Panel2",
         "",
         {163, 649, 256, 16},
         true,
         true,
         -1},
        {"pictureBox1",
         "QLabel",
         "splitContainer1_Panel2",
         "",
         {163, 357, 256, 256},
         true,
         true,
         -1},
        {"radioTrackBall",
         "QRadioButton",
         "BoxCommande",
         "Camera TrackBall",
         {16, 24, 120, 24},
         true,
         true,
         0},
        {"radioFree",
         "QRadioButton",
         "BoxCommande",
         "Camera Free",
         {160, 24, 96, 24},
         true,
         true,
         0},
        {"checkRepere", "QCheckBox", "BoxCommande", "Repère", {280, 24, 72, 24}, true, true, 0},
        {"checkX", "QCheckBox", "BoxCommande", "Coupe X", {16, 72, 72, 32}, true, true, 0},
        {"trackBarX", "QSlider", "BoxCommande", "", {96, 72, 288, 45}, true, true, -1},
        {"checkY", "QCheckBox", "BoxCommande", "Coupe Y", {16, 128, 72, 32}, true, true, 0},
        {"trackBarY", "QSlider", "BoxCommande", "", {96, 128, 288, 45}, true, true, -1},
        {"checkZ", "QCheckBox", "BoxCommande", "Coupe Z", {16, 184, 72, 32}, true, true, 0},
        {"trackBarZ", "QSlider", "BoxCommande", "", {96, 184, 288, 45}, true, true, -1},
        {"pictureBox2", "QLabel", "splitContainer3_Panel1", "", {}, true, true, -1},
        {"pictureBox3", "QLabel", "splitContainer3_Panel2", "", {}, true, true, -1},
    };
    for (const Attendu& a : table) {
        SCOPED_TRACE(a.nom);
        auto* w = f.findChild<QWidget*>(a.nom);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(a.genre));
        ASSERT_NE(w->parentWidget(), nullptr);
        EXPECT_EQ(w->parentWidget()->objectName(), a.parent);
        EXPECT_EQ(texteDe(w), QString::fromUtf8(a.texte));
        if (!a.place.isEmpty()) {
            EXPECT_EQ(w->geometry(), a.place);
        }
        EXPECT_EQ(w->isEnabledTo(w->parentWidget()), a.actif);
        EXPECT_EQ(w->isVisibleTo(&f), a.visible);
        if (auto* b = qobject_cast<QAbstractButton*>(w); b != nullptr && a.coche >= 0) {
            EXPECT_EQ(b->isChecked(), a.coche == 1);
        }
    }
    EXPECT_EQ(f.checkBoxMaillage->pos(), QPoint(14, 470));
    EXPECT_EQ(f.checkBoxMaillage->size(), f.checkBoxMaillage->sizeHint());
    EXPECT_TRUE(f.radioTrackBall->autoExclusive() && f.radioFree->autoExclusive());
    for (QSlider* s : {f.trackBarX, f.trackBarY, f.trackBarZ}) {
        EXPECT_EQ(s->orientation(), Qt::Horizontal);
        EXPECT_EQ(s->minimum(), 0);
        EXPECT_EQ(s->maximum(), 10);
    }
    EXPECT_TRUE(f.pictureBox1->pixmap().isNull());
    EXPECT_TRUE(f.pictureBox1->hasScaledContents());
    for (QLabel* decor : {f.pictureBox2, f.pictureBox3}) {
        EXPECT_FALSE(decor->pixmap().isNull());
        EXPECT_EQ(decor->size(), decor->parentWidget()->contentsRect().size());
    }
    // The loading label shows its whole text, from (11, 649), at least 128 wide.
    const QRect chargement = f.labelChargement->geometry();
    EXPECT_EQ(chargement.topLeft(), QPoint(11, 649));
    EXPECT_EQ(chargement.height(), 16);
    EXPECT_GE(chargement.width(), 128);
    EXPECT_GE(chargement.width(),
              f.labelChargement->fontMetrics().horizontalAdvance(f.labelChargement->text()));
    EXPECT_LE(chargement.right(), f.progressBar1->x());
    EXPECT_NE(f.pictureBox2->pixmap().toImage(), f.pictureBox3->pixmap().toImage());

    // Splitters: orientation, first panel at its position, and what each panel holds.
    EXPECT_EQ(f.splitContainer1->orientation(), Qt::Horizontal);
    EXPECT_EQ(f.splitContainer2->orientation(), Qt::Vertical);
    EXPECT_EQ(f.splitContainer3->orientation(), Qt::Horizontal);
    EXPECT_EQ(f.splitContainer1->sizes().at(0), 475);
    EXPECT_EQ(f.splitContainer2->sizes().at(0), 491);
    EXPECT_EQ(f.splitContainer3->sizes().at(0), 239);
    EXPECT_EQ(f.splitContainer2->parentWidget(), f.splitContainer1->widget(0));
    EXPECT_EQ(f.splitContainer3->parentWidget(), f.splitContainer2->widget(1));
    EXPECT_EQ(f.panneauVue, f.splitContainer2->widget(0));
    EXPECT_EQ(f.panneauCommandes, f.splitContainer1->widget(1));
    EXPECT_TRUE(f.panneauVue->findChildren<COpenGL*>().isEmpty());
    EXPECT_EQ(qobject_cast<QFrame*>(f.splitContainer3->widget(0))->frameShape(), QFrame::Box);
    EXPECT_EQ(qobject_cast<QFrame*>(f.splitContainer1->widget(0))->frameShadow(), QFrame::Sunken);

    // Menus, items in order, initial states.
    EXPECT_EQ(textes(f.menuBar()->actions()),
              (std::vector<QString>{"Fichier", "Traitement", "Visualisation", "Aide"}));
    const QList<QAction*> menus = f.menuBar()->actions();
    EXPECT_EQ(textes(menus[0]->menu()->actions()),
              (std::vector<QString>{"Ouvrir", "Ouvrir un fichier...", "Récents", "Fermer",
                                    "Exporter le maillage", "Quitter"}));
    EXPECT_EQ(textes(menus[1]->menu()->actions()),
              (std::vector<QString>{"Extraire région", "Faire évoluer le maillage",
                                    "Options d'extraction..."}));
    EXPECT_EQ(textes(menus[2]->menu()->actions()),
              (std::vector<QString>{"Image Normale", "Image Segmenté", "Étiquettes en couleur"}));
    EXPECT_TRUE(f.etiquettesCouleurToolStripMenuItem->isCheckable());
    EXPECT_FALSE(f.etiquettesCouleurToolStripMenuItem->isChecked());
    EXPECT_EQ(textes(menus[3]->menu()->actions()),
              (std::vector<QString>{"Caméras et souris", "À propos"}));
    EXPECT_TRUE(f.ouvrirToolStripMenuItem->isEnabled());
    EXPECT_FALSE(f.fermerToolStripMenuItem->isEnabled());
    EXPECT_FALSE(f.exporterToolStripMenuItem->isEnabled());
    for (QAction* a : {f.quitterToolStripMenuItem, f.extraireRegionToolStripMenuItem,
                       f.imageNormaleToolStripMenuItem, f.imageSegmenteToolStripMenuItem})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    EXPECT_EQ(f.findChild<QAction*>("ouvrirToolStripMenuItem"), f.ouvrirToolStripMenuItem);
    EXPECT_EQ(f.images3D, nullptr);
    EXPECT_EQ(f.fenetreOpenGL, nullptr);
    EXPECT_EQ(f.indX, -1);
    EXPECT_FALSE(f.chemin.empty());
}

TEST_F(WindowTest, OpeningAPhantomPutsTheWindowInTheOpenState) {
    const std::string dossier = fantomeEcrit(temp, "fantome", 40, 30, 20);
    ouvrirParMenu(dossier);
    Stravol::Form1& f = *fenetre;
    ASSERT_NE(f.images3D, nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(f.images3D->largeur, 40);
    EXPECT_EQ(f.images3D->hauteur, 30);
    EXPECT_EQ(f.images3D->profondeur, 20);
    EXPECT_NE(f.images3D->imageSegmente, nullptr);
    EXPECT_EQ(f.trackBarX->maximum(), 39);
    EXPECT_EQ(f.trackBarY->maximum(), 29);
    EXPECT_EQ(f.trackBarZ->maximum(), 19);
    for (QSlider* s : {f.trackBarX, f.trackBarY, f.trackBarZ}) {
        EXPECT_EQ(s->minimum(), 0);
        EXPECT_FALSE(s->isEnabled());
    }
    EXPECT_TRUE(f.BoxCommande->isEnabled());
    EXPECT_TRUE(f.radioTrackBall->isChecked());
    EXPECT_FALSE(f.radioFree->isChecked());
    EXPECT_TRUE(f.fermerToolStripMenuItem->isEnabled());
    EXPECT_FALSE(f.exporterToolStripMenuItem->isEnabled());
    EXPECT_FALSE(f.checkBoxMaillage->isVisible());
    EXPECT_EQ(f.ChoixAffichage, Stravol::ModeAffichage::Normale);

    // The view fills its panel, shows no cut and no axes, under the trackball camera.
    ASSERT_NE(f.fenetreOpenGL, nullptr);
    COpenGL& vue = *f.fenetreOpenGL;
    EXPECT_EQ(vue.parentWidget(), f.panneauVue);
    EXPECT_TRUE(vue.isVisible());
    EXPECT_EQ(vue.geometry(), f.panneauVue->contentsRect());
    EXPECT_EQ(vue.image3D, f.images3D.get());
    EXPECT_EQ(vue.choixCamera, Stravol::ChoixCamera::TrackBall);
    EXPECT_EQ(vue.indX, -1);
    EXPECT_EQ(vue.indY, -1);
    EXPECT_EQ(vue.indZ, -1);
    EXPECT_FALSE(vue.repere);
    EXPECT_EQ(f.indX, -1);
    EXPECT_EQ(f.indZ, -1);

    // A cut box shows the slice of the track bar's value in the view, not in pictureBox1.
    QTest::mouseClick(f.checkX, Qt::LeftButton);
    EXPECT_TRUE(f.trackBarX->isEnabled());
    EXPECT_EQ(vue.textureX, f.images3D->getTabX(0));
    EXPECT_EQ(vue.indX, 0);
    EXPECT_TRUE(f.pictureBox1->pixmap().isNull());

    // A scroll by the user updates both; X cuts are profondeur x hauteur pictures.
    testapp::defiler(f.trackBarX, 3);
    EXPECT_EQ(f.trackBarX->value(), 3);
    EXPECT_EQ(vue.textureX, f.images3D->getTabX(3));
    EXPECT_EQ(f.indX, 3 * 256 / 40);
    EXPECT_EQ(vue.indX, f.indX);
    EXPECT_EQ(f.pictureBox1->pixmap().size(), QSize(20, 30));

    // A value set from code is no scroll: neither the view nor the picture follow.
    f.trackBarX->setValue(7);
    EXPECT_EQ(vue.textureX, f.images3D->getTabX(3));
    EXPECT_EQ(f.pictureBox1->pixmap().size(), QSize(20, 30));

    // Y: the view gets 256 - indY, so value 0 is the top face; off always gives -1.
    QTest::mouseClick(f.checkY, Qt::LeftButton);
    EXPECT_EQ(f.indY, 0);
    EXPECT_EQ(vue.indY, 256);
    EXPECT_EQ(vue.textureY, f.images3D->getTabY(0));
    testapp::defiler(f.trackBarY, 1);
    EXPECT_EQ(f.indY, 256 / 30);
    EXPECT_EQ(vue.indY, 256 - 256 / 30);
    EXPECT_EQ(f.pictureBox1->pixmap().size(), QSize(40, 20));
    QTest::mouseClick(f.checkY, Qt::LeftButton);
    EXPECT_EQ(f.indY, -1);
    EXPECT_EQ(vue.indY, -1);
    EXPECT_EQ(vue.textureY, nullptr);
    EXPECT_FALSE(f.trackBarY->isEnabled());

    QTest::mouseClick(f.checkZ, Qt::LeftButton);
    testapp::defiler(f.trackBarZ, 19 + 5);
    EXPECT_EQ(f.trackBarZ->value(), 19);
    EXPECT_EQ(vue.indZ, 19 * 256 / 20);
    EXPECT_EQ(f.pictureBox1->pixmap().size(), QSize(40, 30));

    // Cameras exclude each other; axes follow their box.
    QTest::mouseClick(f.radioFree, Qt::LeftButton);
    EXPECT_EQ(vue.choixCamera, Stravol::ChoixCamera::Free);
    EXPECT_FALSE(f.radioTrackBall->isChecked());
    QTest::mouseClick(f.radioTrackBall, Qt::LeftButton);
    EXPECT_EQ(vue.choixCamera, Stravol::ChoixCamera::TrackBall);
    EXPECT_FALSE(f.radioFree->isChecked());
    QTest::mouseClick(f.checkRepere, Qt::LeftButton);
    EXPECT_TRUE(vue.repere);

    // Segmented mode rewrites the textures in place from the labels; normal mode restores.
    const unsigned char* texZ = f.images3D->getTabZ(10);
    const std::vector<unsigned char> normale(texZ, texZ + CImageTroisD::kTailleTexture);
    f.imageSegmenteToolStripMenuItem->trigger();
    EXPECT_EQ(f.ChoixAffichage, Stravol::ModeAffichage::Segmentee);
    EXPECT_EQ(f.images3D->getTabZ(10), texZ);
    std::vector<unsigned char> attendu(CImageTroisD::kTailleTexture);
    f.images3D->getImageSegmenteOpenGlZ(10, attendu.data());
    EXPECT_EQ(0, std::memcmp(texZ, attendu.data(), attendu.size()));
    f.imageNormaleToolStripMenuItem->trigger();
    EXPECT_EQ(f.ChoixAffichage, Stravol::ModeAffichage::Normale);
    EXPECT_EQ(0, std::memcmp(texZ, normale.data(), normale.size()));

    // Closing takes the view down and resets the commands.
    f.fermerToolStripMenuItem->trigger();
    EXPECT_EQ(f.images3D, nullptr);
    EXPECT_EQ(f.fenetreOpenGL, nullptr);
    EXPECT_TRUE(f.panneauVue->findChildren<COpenGL*>().isEmpty());
    EXPECT_FALSE(f.BoxCommande->isEnabled());
    EXPECT_FALSE(f.fermerToolStripMenuItem->isEnabled());
    for (QCheckBox* c : {f.checkX, f.checkY, f.checkZ, f.checkRepere})
        EXPECT_FALSE(c->isChecked());
    EXPECT_FALSE(f.radioTrackBall->isChecked() || f.radioFree->isChecked());
    EXPECT_EQ(f.trackBarX->value() + f.trackBarY->value() + f.trackBarZ->value(), 0);
    EXPECT_TRUE(f.pictureBox1->pixmap().isNull());
    EXPECT_EQ(f.indX, -1);
    EXPECT_EQ(f.indZ, -1);
}

TEST_F(WindowTest, SliceIndicesFollowTheVolumeSize) {
    const auto gris = [](int x, int y, int z) {
        return static_cast<unsigned char>(x + 3 * y + 7 * z);
    };
    struct Cas {
        int largeur, valeur, indice;
    };
    for (const Cas c : {Cas{256, 100, 100}, Cas{512, 101, 50}, Cas{300, 299, 255}}) {
        SCOPED_TRACE(c.largeur);
        const std::string dossier = temp / ("l" + std::to_string(c.largeur));
        testapp::ecrireVolume(dossier, "volume", c.largeur, 4, 3, gris);
        ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(dossier)));
        ASSERT_NE(fenetre->fenetreOpenGL, nullptr);
        EXPECT_EQ(fenetre->trackBarX->maximum(), c.largeur - 1);
        fenetre->trackBarX->setValue(c.valeur);
        fenetre->checkX->setChecked(true);
        EXPECT_EQ(fenetre->indX, c.indice);
        EXPECT_EQ(fenetre->fenetreOpenGL->indX, c.indice);
    }

    // A dimension of 1 gives a track bar of range 0 to 0, and its one cut.
    const std::string fin = temp / "fin";
    testapp::ecrireVolume(fin, "volume", 1, 9, 2, gris);
    ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(fin)));
    EXPECT_EQ(fenetre->trackBarX->minimum(), 0);
    EXPECT_EQ(fenetre->trackBarX->maximum(), 0);
    EXPECT_EQ(fenetre->trackBarY->maximum(), 8);
    EXPECT_EQ(fenetre->trackBarZ->maximum(), 1);
    fenetre->checkX->setChecked(true);
    EXPECT_EQ(fenetre->fenetreOpenGL->indX, 0);
    EXPECT_NE(fenetre->fenetreOpenGL->textureX, nullptr);
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowTest, CancelledOpenKeepsTheVolumeAndTheMesh) {
    const auto gris = [](int x, int y, int) {
        return static_cast<unsigned char>(x >= 4 && x < 12 && y >= 2 && y < 6 ? 200 : 0);
    };
    const std::string dossier = temp / "parent";
    testapp::ecrireVolume(dossier, "volume", 16, 8, 4, gris);
    ouvrirParMenu(dossier);
    ASSERT_NE(fenetre->images3D, nullptr);
    fenetre->checkZ->setChecked(true);
    fenetre->extraireRegionToolStripMenuItem->trigger();
    fenetre->Bouge(128, 128);
    ASSERT_NE(fenetre->images3D->maillage, nullptr);
    const CImageTroisD* volume = fenetre->images3D.get();
    const COpenGL* vue = fenetre->fenetreOpenGL;
    const auto* maillage = fenetre->images3D->maillage.get();

    // Cancelling the dialog changes nothing: volume, view, cut, mesh and commands stay.
    ouvrirParMenu("");
    EXPECT_EQ(fenetre->images3D.get(), volume);
    EXPECT_EQ(fenetre->fenetreOpenGL, vue);
    EXPECT_EQ(fenetre->images3D->maillage.get(), maillage);
    EXPECT_EQ(fenetre->fenetreOpenGL->maillage, maillage);
    EXPECT_TRUE(fenetre->checkBoxMaillage->isVisible());
    EXPECT_TRUE(fenetre->BoxCommande->isEnabled());
    EXPECT_TRUE(fenetre->checkZ->isChecked());
    EXPECT_TRUE(fenetre->exporterToolStripMenuItem->isEnabled());
    EXPECT_TRUE(fenetre->fermerToolStripMenuItem->isEnabled());
    fenetre->fermerToolStripMenuItem->trigger();
    EXPECT_FALSE(fenetre->fermerToolStripMenuItem->isEnabled());
    EXPECT_EQ(fenetre->images3D, nullptr);

    // A folder without sub-folders, or one that does not exist: nothing, silently.
    std::filesystem::create_directories(temp / "vide");
    ouvrirParMenu(temp / "vide");
    EXPECT_EQ(fenetre->images3D, nullptr);
    EXPECT_FALSE(fenetre->ouvrirDossier(QString::fromStdString(temp / "absent")));
    EXPECT_TRUE(messages.empty());

    // A volume folder without any picture is refused with a message, not opened at size 0.
    std::filesystem::create_directories(temp / "sansImages/volume");
    EXPECT_FALSE(fenetre->ouvrirDossier(QString::fromStdString(temp / "sansImages")));
    EXPECT_EQ(fenetre->images3D, nullptr);
    EXPECT_EQ(fenetre->fenetreOpenGL, nullptr);
    EXPECT_FALSE(fenetre->BoxCommande->isEnabled());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("sansImages/volume"), std::string::npos);
}

TEST_F(WindowTest, SubfoldersInNameOrderAndMissingSegmentation) {
    // Name order regardless of letter case: "a" is the volume, "B" and "c" segmentations,
    // the last one read is kept.
    const std::string dossier = temp / "ordre";
    testapp::ecrireVolume(dossier, "c", 8, 8, 2, [](int, int, int) { return 255; });
    testapp::ecrireVolume(dossier, "B", 8, 8, 2, [](int, int, int) { return 0; });
    testapp::ecrireVolume(dossier, "a", 8, 8, 2, [](int, int, int) { return 100; });
    ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(dossier)));
    EXPECT_EQ(fenetre->images3D->getVoxelImage(3, 3, 1), 100);
    ASSERT_NE(fenetre->images3D->imageSegmente, nullptr);
    EXPECT_EQ(fenetre->images3D->imageSegmente[0], 255);

    // Without a segmentation "Image Segmenté" does nothing: mode and textures unchanged.
    const std::string seul = temp / "seul";
    testapp::ecrireVolume(seul, "volume", 8, 8, 2, [](int x, int, int) { return 9 * x; });
    ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(seul)));
    ASSERT_EQ(fenetre->images3D->imageSegmente, nullptr);
    const unsigned char* tex = fenetre->images3D->getTabZ(1);
    const std::vector<unsigned char> avant(tex, tex + CImageTroisD::kTailleTexture);
    fenetre->imageSegmenteToolStripMenuItem->trigger();
    EXPECT_EQ(fenetre->ChoixAffichage, Stravol::ModeAffichage::Normale);
    EXPECT_EQ(0, std::memcmp(tex, avant.data(), avant.size()));
    fenetre->imageNormaleToolStripMenuItem->trigger();
    EXPECT_EQ(fenetre->ChoixAffichage, Stravol::ModeAffichage::Normale);
}

TEST_F(WindowTest, AMovedSplitterReprojectsTheView) {
    const std::string dossier = temp / "sep";
    testapp::ecrireVolume(dossier, "volume", 8, 8, 2, [](int, int, int) { return 50; });
    ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(dossier)));
    COpenGL* vue = fenetre->fenetreOpenGL;
    const int largeurAvant = vue->width();
    QSplitterHandle* poignee = fenetre->splitContainer1->handle(1);
    const QPoint centre = poignee->rect().center();
    QTest::mousePress(poignee, Qt::LeftButton, {}, centre);
    QMouseEvent mouvement(QEvent::MouseMove, QPointF(centre.x() - 100, centre.y()),
                          poignee->mapToGlobal(QPointF(centre.x() - 100, centre.y())), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(poignee, &mouvement);
    QTest::mouseRelease(poignee, Qt::LeftButton, {}, QPoint(centre.x() - 100, centre.y()));
    QApplication::processEvents();
    EXPECT_EQ(vue->width(), largeurAvant - 100);
    EXPECT_EQ(vue->largeurVue(), vue->width());
    EXPECT_EQ(vue->hauteurVue(), vue->height());
}
