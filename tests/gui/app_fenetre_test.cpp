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
    EXPECT_EQ(f.centralWidget(), ihm.splitContainer1);
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
    EXPECT_EQ(ihm.checkBoxMaillage->pos(), QPoint(14, 470));
    EXPECT_EQ(ihm.checkBoxMaillage->size(), ihm.checkBoxMaillage->sizeHint());
    EXPECT_TRUE(ihm.radioTrackBall->autoExclusive() && ihm.radioFree->autoExclusive());
    for (QSlider* s : {ihm.trackBarX, ihm.trackBarY, ihm.trackBarZ}) {
        EXPECT_EQ(s->orientation(), Qt::Horizontal);
        EXPECT_EQ(s->minimum(), 0);
        EXPECT_EQ(s->maximum(), 10);
    }
    EXPECT_TRUE(ihm.pictureBox1->pixmap().isNull());
    EXPECT_TRUE(ihm.pictureBox1->hasScaledContents());
    for (QLabel* decor : {ihm.pictureBox2, ihm.pictureBox3}) {
        EXPECT_FALSE(decor->pixmap().isNull());
        EXPECT_EQ(decor->size(), decor->parentWidget()->contentsRect().size());
    }
    // The loading label shows its whole text, from (11, 649), at least 128 wide.
    const QRect chargement = ihm.labelChargement->geometry();
    EXPECT_EQ(chargement.topLeft(), QPoint(11, 649));
    EXPECT_EQ(chargement.height(), 16);
    EXPECT_GE(chargement.width(), 128);
    EXPECT_GE(chargement.width(),
              ihm.labelChargement->fontMetrics().horizontalAdvance(ihm.labelChargement->text()));
    EXPECT_LE(chargement.right(), ihm.progressBar1->x());
    EXPECT_NE(ihm.pictureBox2->pixmap().toImage(), ihm.pictureBox3->pixmap().toImage());

    // Splitters: orientation, first panel at its position, and what each panel holds.
    EXPECT_EQ(ihm.splitContainer1->orientation(), Qt::Horizontal);
    EXPECT_EQ(ihm.splitContainer2->orientation(), Qt::Vertical);
    EXPECT_EQ(ihm.splitContainer3->orientation(), Qt::Horizontal);
    EXPECT_EQ(ihm.splitContainer1->sizes().at(0), 475);
    EXPECT_EQ(ihm.splitContainer2->sizes().at(0), 491);
    EXPECT_EQ(ihm.splitContainer3->sizes().at(0), 239);
    EXPECT_EQ(ihm.splitContainer2->parentWidget(), ihm.splitContainer1->widget(0));
    EXPECT_EQ(ihm.splitContainer3->parentWidget(), ihm.splitContainer2->widget(1));
    EXPECT_EQ(ihm.panneauVue, ihm.splitContainer2->widget(0));
    EXPECT_EQ(ihm.panneauCommandes, ihm.splitContainer1->widget(1));
    EXPECT_TRUE(ihm.panneauVue->findChildren<COpenGL*>().isEmpty());
    EXPECT_EQ(qobject_cast<QFrame*>(ihm.splitContainer3->widget(0))->frameShape(), QFrame::Box);
    EXPECT_EQ(qobject_cast<QFrame*>(ihm.splitContainer1->widget(0))->frameShadow(), QFrame::Sunken);

    // Menus, items in order, initial states.
    EXPECT_EQ(textes(f.menuBar()->actions()),
              (std::vector<QString>{"Fichier", "Traitement", "Visualisation", "Aide"}));
    const QList<QAction*> menus = f.menuBar()->actions();
    EXPECT_EQ(
        textes(menus[0]->menu()->actions()),
        (std::vector<QString>{"Ouvrir", "Ouvrir un fichier...", "Ouvrir une table d'étiquettes...",
                              "Récents", "Fermer", "Exporter le maillage", "Exporter la scène...",
                              "Enregistrer l'image de la vue...", "Quitter"}));
    EXPECT_EQ(textes(menus[1]->menu()->actions()),
              (std::vector<QString>{"Extraire région", "Faire évoluer le maillage",
                                    "Extraire toutes les étiquettes", "Options d'extraction..."}));
    EXPECT_EQ(textes(menus[2]->menu()->actions()),
              (std::vector<QString>{"Image Normale", "Image Segmenté", "Étiquettes en couleur",
                                    "Superposition des étiquettes", "Convention gauche-droite",
                                    "Panneau des étiquettes"}));
    EXPECT_TRUE(ihm.etiquettesCouleurToolStripMenuItem->isCheckable());
    EXPECT_FALSE(ihm.etiquettesCouleurToolStripMenuItem->isChecked());
    EXPECT_EQ(textes(menus[3]->menu()->actions()),
              (std::vector<QString>{"Caméras et souris", "À propos"}));
    EXPECT_TRUE(ihm.ouvrirToolStripMenuItem->isEnabled());
    EXPECT_FALSE(ihm.fermerToolStripMenuItem->isEnabled());
    EXPECT_FALSE(testapp::enfant<QAction>(f, "ouvrirTableToolStripMenuItem")->isEnabled());
    EXPECT_FALSE(ihm.exporterToolStripMenuItem->isEnabled());
    for (QAction* a : {ihm.quitterToolStripMenuItem, ihm.imageNormaleToolStripMenuItem})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    // Nothing to extract from, nor a segmentation to show, before a volume is open.
    for (QAction* a : {ihm.extraireRegionToolStripMenuItem, ihm.imageSegmenteToolStripMenuItem})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_EQ(f.volume(), nullptr);
    EXPECT_EQ(f.vue(), nullptr);
    EXPECT_EQ(f.coupes().position(Stravol::Axe::X), -1);
    EXPECT_FALSE(f.chemin.empty());
}

TEST_F(WindowTest, OpeningAPhantomPutsTheWindowInTheOpenState) {
    const std::string dossier = fantomeEcrit(temp, "fantome", 40, 30, 20);
    ouvrirParMenu(dossier);
    Stravol::Form1& f = *fenetre;
    ASSERT_NE(f.volume(), nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(f.volume()->largeur, 40);
    EXPECT_EQ(f.volume()->hauteur, 30);
    EXPECT_EQ(f.volume()->profondeur, 20);
    EXPECT_NE(f.volume()->imageSegmente, nullptr);
    EXPECT_EQ(ihm.trackBarX->maximum(), 39);
    EXPECT_EQ(ihm.trackBarY->maximum(), 29);
    EXPECT_EQ(ihm.trackBarZ->maximum(), 19);
    for (QSlider* s : {ihm.trackBarX, ihm.trackBarY, ihm.trackBarZ}) {
        EXPECT_EQ(s->minimum(), 0);
        EXPECT_FALSE(s->isEnabled());
    }
    EXPECT_TRUE(ihm.BoxCommande->isEnabled());
    EXPECT_TRUE(ihm.radioTrackBall->isChecked());
    EXPECT_FALSE(ihm.radioFree->isChecked());
    EXPECT_TRUE(ihm.fermerToolStripMenuItem->isEnabled());
    EXPECT_FALSE(ihm.exporterToolStripMenuItem->isEnabled());
    EXPECT_TRUE(ihm.extraireRegionToolStripMenuItem->isEnabled());
    EXPECT_TRUE(ihm.imageSegmenteToolStripMenuItem->isEnabled());
    EXPECT_FALSE(ihm.checkBoxMaillage->isVisible());
    EXPECT_EQ(f.coupes().modeAffichage(), Stravol::ModeAffichage::Normale);

    // The view fills its panel, shows no cut and no axes, under the trackball camera.
    ASSERT_NE(f.vue(), nullptr);
    COpenGL& vue = *f.vue();
    EXPECT_EQ(vue.parentWidget(), ihm.panneauVue);
    EXPECT_TRUE(vue.isVisible());
    EXPECT_EQ(vue.geometry(), ihm.panneauVue->contentsRect());
    EXPECT_EQ(vue.image3D, f.volume());
    EXPECT_EQ(vue.choixCamera, Stravol::ChoixCamera::TrackBall);
    EXPECT_EQ(vue.indX, -1);
    EXPECT_EQ(vue.indY, -1);
    EXPECT_EQ(vue.indZ, -1);
    EXPECT_FALSE(vue.repere);
    EXPECT_EQ(f.coupes().position(Stravol::Axe::X), -1);
    EXPECT_EQ(f.coupes().position(Stravol::Axe::Z), -1);

    // A cut box shows the slice of the track bar's value in the view, not in pictureBox1.
    QTest::mouseClick(ihm.checkX, Qt::LeftButton);
    EXPECT_TRUE(ihm.trackBarX->isEnabled());
    EXPECT_EQ(vue.textureX, f.volume()->getTabX(0));
    EXPECT_EQ(vue.indX, 0);
    EXPECT_TRUE(ihm.pictureBox1->pixmap().isNull());

    // A scroll by the user updates both; X cuts are profondeur x hauteur pictures.
    testapp::defiler(ihm.trackBarX, 3);
    EXPECT_EQ(ihm.trackBarX->value(), 3);
    EXPECT_EQ(vue.textureX, f.volume()->getTabX(3));
    EXPECT_EQ(f.coupes().position(Stravol::Axe::X), 3 * 256 / 40);
    EXPECT_EQ(vue.indX, f.coupes().position(Stravol::Axe::X));
    EXPECT_EQ(ihm.pictureBox1->pixmap().size(), QSize(20, 30));

    // A value set from code is no scroll: neither the view nor the picture follow.
    ihm.trackBarX->setValue(7);
    EXPECT_EQ(vue.textureX, f.volume()->getTabX(3));
    EXPECT_EQ(ihm.pictureBox1->pixmap().size(), QSize(20, 30));

    // Y: the view gets 256 - indY, so value 0 is the top face; off always gives -1.
    QTest::mouseClick(ihm.checkY, Qt::LeftButton);
    EXPECT_EQ(f.coupes().position(Stravol::Axe::Y), 0);
    EXPECT_EQ(vue.indY, 256);
    EXPECT_EQ(vue.textureY, f.volume()->getTabY(0));
    testapp::defiler(ihm.trackBarY, 1);
    EXPECT_EQ(f.coupes().position(Stravol::Axe::Y), 256 / 30);
    EXPECT_EQ(vue.indY, 256 - 256 / 30);
    EXPECT_EQ(ihm.pictureBox1->pixmap().size(), QSize(40, 20));
    QTest::mouseClick(ihm.checkY, Qt::LeftButton);
    EXPECT_EQ(f.coupes().position(Stravol::Axe::Y), -1);
    EXPECT_EQ(vue.indY, -1);
    EXPECT_EQ(vue.textureY, nullptr);
    EXPECT_FALSE(ihm.trackBarY->isEnabled());

    QTest::mouseClick(ihm.checkZ, Qt::LeftButton);
    testapp::defiler(ihm.trackBarZ, 19 + 5);
    EXPECT_EQ(ihm.trackBarZ->value(), 19);
    EXPECT_EQ(vue.indZ, 19 * 256 / 20);
    EXPECT_EQ(ihm.pictureBox1->pixmap().size(), QSize(40, 30));

    // Cameras exclude each other; axes follow their box.
    QTest::mouseClick(ihm.radioFree, Qt::LeftButton);
    EXPECT_EQ(vue.choixCamera, Stravol::ChoixCamera::Free);
    EXPECT_FALSE(ihm.radioTrackBall->isChecked());
    QTest::mouseClick(ihm.radioTrackBall, Qt::LeftButton);
    EXPECT_EQ(vue.choixCamera, Stravol::ChoixCamera::TrackBall);
    EXPECT_FALSE(ihm.radioFree->isChecked());
    QTest::mouseClick(ihm.checkRepere, Qt::LeftButton);
    EXPECT_TRUE(vue.repere);

    // Segmented mode rewrites the textures in place from the labels; normal mode restores.
    const unsigned char* texZ = f.volume()->getTabZ(10);
    const std::vector<unsigned char> normale(texZ, texZ + CImageTroisD::kTailleTexture);
    ihm.imageSegmenteToolStripMenuItem->trigger();
    EXPECT_EQ(f.coupes().modeAffichage(), Stravol::ModeAffichage::Segmentee);
    EXPECT_EQ(f.volume()->getTabZ(10), texZ);
    std::vector<unsigned char> attendu(CImageTroisD::kTailleTexture);
    f.volume()->getImageSegmenteOpenGlZ(10, attendu.data());
    EXPECT_EQ(0, std::memcmp(texZ, attendu.data(), attendu.size()));
    ihm.imageNormaleToolStripMenuItem->trigger();
    EXPECT_EQ(f.coupes().modeAffichage(), Stravol::ModeAffichage::Normale);
    EXPECT_EQ(0, std::memcmp(texZ, normale.data(), normale.size()));

    // Closing takes the view down and resets the commands.
    ihm.fermerToolStripMenuItem->trigger();
    EXPECT_EQ(f.volume(), nullptr);
    EXPECT_EQ(f.vue(), nullptr);
    EXPECT_TRUE(ihm.panneauVue->findChildren<COpenGL*>().isEmpty());
    EXPECT_FALSE(ihm.BoxCommande->isEnabled());
    EXPECT_FALSE(ihm.fermerToolStripMenuItem->isEnabled());
    for (QCheckBox* c : {ihm.checkX, ihm.checkY, ihm.checkZ, ihm.checkRepere})
        EXPECT_FALSE(c->isChecked());
    EXPECT_FALSE(ihm.radioTrackBall->isChecked() || ihm.radioFree->isChecked());
    EXPECT_EQ(ihm.trackBarX->value() + ihm.trackBarY->value() + ihm.trackBarZ->value(), 0);
    EXPECT_TRUE(ihm.pictureBox1->pixmap().isNull());
    EXPECT_EQ(f.coupes().position(Stravol::Axe::X), -1);
    EXPECT_EQ(f.coupes().position(Stravol::Axe::Z), -1);
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
        ASSERT_NE(fenetre->vue(), nullptr);
        EXPECT_EQ(ihm.trackBarX->maximum(), c.largeur - 1);
        ihm.trackBarX->setValue(c.valeur);
        ihm.checkX->setChecked(true);
        EXPECT_EQ(fenetre->coupes().position(Stravol::Axe::X), c.indice);
        EXPECT_EQ(fenetre->vue()->indX, c.indice);
    }

    // A dimension of 1 gives a track bar of range 0 to 0, and its one cut.
    const std::string fin = temp / "fin";
    testapp::ecrireVolume(fin, "volume", 1, 9, 2, gris);
    ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(fin)));
    EXPECT_EQ(ihm.trackBarX->minimum(), 0);
    EXPECT_EQ(ihm.trackBarX->maximum(), 0);
    EXPECT_EQ(ihm.trackBarY->maximum(), 8);
    EXPECT_EQ(ihm.trackBarZ->maximum(), 1);
    ihm.checkX->setChecked(true);
    EXPECT_EQ(fenetre->vue()->indX, 0);
    EXPECT_NE(fenetre->vue()->textureX, nullptr);
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowTest, CancelledOpenKeepsTheVolumeAndTheMesh) {
    const auto gris = [](int x, int y, int) {
        return static_cast<unsigned char>(x >= 4 && x < 12 && y >= 2 && y < 6 ? 200 : 0);
    };
    const std::string dossier = temp / "parent";
    testapp::ecrireVolume(dossier, "volume", 16, 8, 4, gris);
    ouvrirParMenu(dossier);
    ASSERT_NE(fenetre->volume(), nullptr);
    ihm.checkZ->setChecked(true);
    ihm.extraireRegionToolStripMenuItem->trigger();
    QTest::mouseClick(ihm.pictureBox1, Qt::LeftButton, {}, QPoint(128, 128));
    ASSERT_NE(fenetre->volume()->maillage, nullptr);
    const CImageTroisD* volume = fenetre->volume();
    const COpenGL* vue = fenetre->vue();
    const auto* maillage = fenetre->volume()->maillage.get();

    // Cancelling the dialog changes nothing: volume, view, cut, mesh and commands stay.
    ouvrirParMenu("");
    EXPECT_EQ(fenetre->volume(), volume);
    EXPECT_EQ(fenetre->vue(), vue);
    EXPECT_EQ(fenetre->volume()->maillage.get(), maillage);
    EXPECT_EQ(fenetre->vue()->maillage, maillage);
    EXPECT_TRUE(ihm.checkBoxMaillage->isVisible());
    EXPECT_TRUE(ihm.BoxCommande->isEnabled());
    EXPECT_TRUE(ihm.checkZ->isChecked());
    EXPECT_TRUE(ihm.exporterToolStripMenuItem->isEnabled());
    EXPECT_TRUE(ihm.fermerToolStripMenuItem->isEnabled());
    ihm.fermerToolStripMenuItem->trigger();
    EXPECT_FALSE(ihm.fermerToolStripMenuItem->isEnabled());
    EXPECT_EQ(fenetre->volume(), nullptr);

    // A folder without sub-folders, or one that does not exist: nothing opens, and a message
    // says what was expected.
    std::filesystem::create_directories(temp / "vide");
    ouvrirParMenu(temp / "vide");
    EXPECT_EQ(fenetre->volume(), nullptr);
    EXPECT_FALSE(fenetre->ouvrirDossier(QString::fromStdString(temp / "absent")));
    ASSERT_EQ(messages.size(), 2u);
    for (const std::string& m : messages)
        EXPECT_NE(m.find("dossier parent"), std::string::npos) << m;
    messages.clear();

    // A volume folder without any picture is refused with a message, not opened at size 0.
    std::filesystem::create_directories(temp / "sansImages/volume");
    EXPECT_FALSE(fenetre->ouvrirDossier(QString::fromStdString(temp / "sansImages")));
    EXPECT_EQ(fenetre->volume(), nullptr);
    EXPECT_EQ(fenetre->vue(), nullptr);
    EXPECT_FALSE(ihm.BoxCommande->isEnabled());
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
    EXPECT_EQ(fenetre->volume()->getVoxelImage(3, 3, 1), 100);
    ASSERT_NE(fenetre->volume()->imageSegmente, nullptr);
    EXPECT_EQ(fenetre->volume()->imageSegmente[0], 255);

    // Without a segmentation "Image Segmenté" does nothing: mode and textures unchanged.
    const std::string seul = temp / "seul";
    testapp::ecrireVolume(seul, "volume", 8, 8, 2, [](int x, int, int) { return 9 * x; });
    ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(seul)));
    ASSERT_EQ(fenetre->volume()->imageSegmente, nullptr);
    const unsigned char* tex = fenetre->volume()->getTabZ(1);
    const std::vector<unsigned char> avant(tex, tex + CImageTroisD::kTailleTexture);
    EXPECT_FALSE(ihm.imageSegmenteToolStripMenuItem->isEnabled());
    fenetre->coupes().afficherMode(Stravol::ModeAffichage::Segmentee);
    EXPECT_EQ(fenetre->coupes().modeAffichage(), Stravol::ModeAffichage::Normale);
    EXPECT_EQ(0, std::memcmp(tex, avant.data(), avant.size()));
    ihm.imageNormaleToolStripMenuItem->trigger();
    EXPECT_EQ(fenetre->coupes().modeAffichage(), Stravol::ModeAffichage::Normale);
}

TEST_F(WindowTest, AMovedSplitterReprojectsTheView) {
    const std::string dossier = temp / "sep";
    testapp::ecrireVolume(dossier, "volume", 8, 8, 2, [](int, int, int) { return 50; });
    ASSERT_TRUE(fenetre->ouvrirDossier(QString::fromStdString(dossier)));
    COpenGL* vue = fenetre->vue();
    const int largeurAvant = vue->width();
    QSplitterHandle* poignee = ihm.splitContainer1->handle(1);
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
