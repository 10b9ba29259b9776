#include "app/MenusFenetre.h"

#include "app/ControleurExtraction.h"
#include "app/DialoguesFenetre.h"
#include "app/ExtractionEtiquettes.h"
#include "app/OuvertureVolume.h"
#include "app/PanneauCoupes.h"
#include "app/PanneauEtiquettes.h"
#include "app/Reaction.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

#include <utility>

namespace Stravol {

namespace {

const char* const kCleRecents = "dossiersRecents";

// The user's settings file (recent folders), in the user's configuration directory.
QSettings reglages() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Stravol", "stravol");
}

void enregistrerRecents(const QStringList& recents) {
    QSettings r = reglages();
    r.setValue(kCleRecents, recents);
}

const char* const kTexteCommandes =
    "<p><b>Camera TrackBall</b> : glisser avec le bouton gauche tourne la scène ; la molette, P "
    "et M l'approchent et l'éloignent ; R la remet en place.</p>"
    "<p><b>Camera Free</b> : glisser avec le bouton gauche regarde autour ; Z, Q, S, D "
    "avancent, vont à gauche, reculent, vont à droite (trois fois plus vite avec la barre "
    "d'espace) ; P et M montent et descendent ; R revient au départ.</p>"
    "<p>La vue prend le clavier quand le pointeur est sur elle.</p>"
    "<p><b>Extraire région</b> : cliquer l'objet dans l'image de la coupe ; Échap annule.</p>"
    "<p><b>Extraire toutes les étiquettes</b> (Ctrl+L) : chaque étiquette de la segmentation "
    "devient un maillage de sa couleur ; Échap annule. Un clic sur un maillage ou sur une "
    "étiquette de l'image choisit sa ligne dans le panneau des étiquettes.</p>";

} // namespace

MenusFenetre::MenusFenetre(QMenuBar* barre, Cibles cibles)
    : QObject(barre), barre_(barre), cibles_(std::move(cibles)) {
    construireFichier();
    construireTraitement();
    construireVisualisation();
    construireAide();
}

QMenu* MenusFenetre::menu(const char* nom, const QString& titre) {
    QMenu* m = barre_->addMenu(titre);
    m->setObjectName(nom);
    return m;
}

Reaction* MenusFenetre::item(QMenu* menu, const char* nom, const QString& texte,
                             std::function<void()> declencher, const QKeySequence& raccourci) {
    QAction* a = menu->addAction(texte);
    a->setObjectName(nom);
    a->setShortcut(raccourci);
    auto* r = new Reaction(a, [declencher = std::move(declencher)](bool) { declencher(); });
    reactions_.push_back(r);
    return r;
}

void MenusFenetre::majDisponibilites() {
    for (Reaction* r : reactions_)
        r->majDisponibilite();
}

void MenusFenetre::construireFichier() {
    QMenu* m = menu("fichierToolStripMenuItem", "&Fichier");
    OuvertureVolume& o = cibles_.ouverture;
    ControleurExtraction& e = cibles_.extraction;
    item(
        m, "ouvrirToolStripMenuItem", "&Ouvrir", [&o] { o.ouvrir(); }, Qt::CTRL | Qt::Key_O);
    item(
        m, "ouvrirFichierToolStripMenuItem", "Ouvrir un f&ichier...", [&o] { o.ouvrirFichier(); },
        Qt::CTRL | Qt::SHIFT | Qt::Key_O);
    recents_ = m->addMenu("&Récents");
    recents_->setObjectName("recentsToolStripMenuItem");
    item(m, "fermerToolStripMenuItem", "&Fermer", cibles_.fermer, Qt::CTRL | Qt::Key_W)
        ->disponibleSi(cibles_.volumeOuvert);
    item(
        m, "exporterToolStripMenuItem", "&Exporter le maillage", [&e] { e.exporter(); },
        Qt::CTRL | Qt::Key_E)
        ->disponibleSi([&e] { return e.aUnMaillage(); });
    ExtractionEtiquettes& et = cibles_.etiquettes;
    item(m, "exporterSceneToolStripMenuItem", "Exporter la &scène...", [&et] {
        et.exporterScene();
    })->disponibleSi([&et] { return et.aUneScene(); });
    item(m, "imageVueToolStripMenuItem", "Enregistrer l'image de la &vue...",
         cibles_.enregistrerImageVue)
        ->disponibleSi(cibles_.volumeOuvert);
    item(m, "quitterToolStripMenuItem", "&Quitter", cibles_.quitter, Qt::CTRL | Qt::Key_Q);
    majRecents();
}

void MenusFenetre::construireTraitement() {
    QMenu* m = menu("traitementToolStripMenuItem", "&Traitement");
    ControleurExtraction& e = cibles_.extraction;
    item(m, "extraireRegionToolStripMenuItem", "E&xtraire région", [&e] { e.armer(); });
    item(m, "evoluerMaillageToolStripMenuItem", "&Faire évoluer le maillage", [&e] {
        e.evoluer();
    })->disponibleSi([&e] { return e.aUnMaillage(); });
    ExtractionEtiquettes& et = cibles_.etiquettes;
    item(
        m, "extraireEtiquettesToolStripMenuItem", "Extraire &toutes les étiquettes",
        [&et] { et.extraireTout(); }, Qt::CTRL | Qt::Key_L)
        ->disponibleSi([&et] { return et.disponible(); });
    item(m, "optionsExtractionToolStripMenuItem", "&Options d'extraction...",
         [&e] { e.choisirOptions(); });
}

void MenusFenetre::construireVisualisation() {
    QMenu* m = menu("visualisationToolStripMenuItem", "&Visualisation");
    PanneauCoupes& c = cibles_.coupes;
    item(m, "imageNormaleToolStripMenuItem", "Image &Normale",
         [&c] { c.afficherMode(ModeAffichage::Normale); });
    item(m, "imageSegmenteToolStripMenuItem", "Image &Segmenté",
         [&c] { c.afficherMode(ModeAffichage::Segmentee); });
    QAction* couleurs = m->addAction("&Étiquettes en couleur");
    couleurs->setObjectName("etiquettesCouleurToolStripMenuItem");
    couleurs->setCheckable(true);
    new Reaction(couleurs, [&c](bool coche) { c.etiquettesEnCouleur(coche); });
    // The label panel shown or hidden; its item follows the dock however it is closed.
    QAction* panneau = cibles_.panneauEtiquettes.dock()->toggleViewAction();
    panneau->setText("&Panneau des étiquettes");
    panneau->setObjectName("panneauEtiquettesToolStripMenuItem");
    m->addAction(panneau);
}

void MenusFenetre::construireAide() {
    QMenu* m = menu("aideToolStripMenuItem", "&Aide");
    DialoguesFenetre& d = cibles_.dialogues;
    item(m, "commandesToolStripMenuItem", "&Caméras et souris", [&d] {
        if (d.afficherInformation)
            d.afficherInformation("Caméras et souris", kTexteCommandes);
    });
    item(m, "aProposToolStripMenuItem", "À &propos", [&d] {
        if (d.afficherInformation)
            d.afficherInformation("À propos de Stravol",
                                  QString("<p><b>Stravol</b> version %1</p>"
                                          "<p>Volumes 3D en niveaux de gris et extraction "
                                          "d'un objet en maillage lisse.</p>")
                                      .arg(STRAVOL_VERSION));
    });
}

QStringList MenusFenetre::dossiersRecents() { return reglages().value(kCleRecents).toStringList(); }

void MenusFenetre::ajouterRecent(const QString& dossier) {
    const QString absolu = QDir::cleanPath(QFileInfo(dossier).absoluteFilePath());
    QStringList recents = dossiersRecents();
    recents.removeAll(absolu);
    recents.prepend(absolu);
    while (recents.size() > kNbRecents)
        recents.removeLast();
    enregistrerRecents(recents);
    majRecents();
}

void MenusFenetre::majRecents() {
    recents_->clear();
    const QStringList recents = dossiersRecents();
    for (int i = 0; i < recents.size(); ++i) {
        const QString dossier = recents[i];
        QAction* a = recents_->addAction(QString("&%1 %2").arg(i + 1).arg(dossier));
        a->setObjectName(QString("recent%1").arg(i));
        // Not among reactions_: the items go at the next change of the list.
        new Reaction(a, [this, dossier](bool) { ouvrirRecent(dossier); });
    }
    recents_->setEnabled(!recents.isEmpty());
}

void MenusFenetre::ouvrirRecent(QString dossier) {
    if (QFileInfo(dossier).isDir()) {
        cibles_.ouverture.ouvrirDossier(dossier);
        return;
    }
    QStringList reste = dossiersRecents();
    reste.removeAll(dossier);
    enregistrerRecents(reste);
    majRecents();
    if (cibles_.dialogues.afficherMessage)
        cibles_.dialogues.afficherMessage("Le répertoire \"" + dossier + "\" n'existe plus.");
}

} // namespace Stravol
