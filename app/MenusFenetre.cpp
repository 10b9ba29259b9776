#include "app/MenusFenetre.h"

#include "app/ControleurExtraction.h"
#include "app/DialoguesFenetre.h"
#include "app/ExtractionEtiquettes.h"
#include "app/OuvertureVolume.h"
#include "app/PanneauCoupes.h"
#include "app/PanneauEtiquettes.h"
#include "app/Reaction.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

#include <algorithm>
#include <utility>

namespace Stravol {

namespace {

const char* const kCleRecents = "dossiersRecents";
const char* const kCleConvention = "conventionGaucheDroite";

// The user's settings file (recent folders), in the user's configuration directory.
QSettings reglages() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Stravol", "stravol");
}

QString absolu(const QString& chemin) {
    return QDir::cleanPath(QFileInfo(chemin).absoluteFilePath());
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
    ExtractionEtiquettes& et = cibles_.etiquettes;
    item(m, "ouvrirTableToolStripMenuItem", "Ouvrir une &table d'étiquettes...",
         cibles_.ouvrirTableEtiquettes)
        ->disponibleSi([this, &et] { return cibles_.volumeOuvert() && !et.enCours(); });
    recents_ = m->addMenu("&Récents");
    recents_->setObjectName("recentsToolStripMenuItem");
    item(m, "fermerToolStripMenuItem", "&Fermer", cibles_.fermer, Qt::CTRL | Qt::Key_W)
        ->disponibleSi(cibles_.volumeOuvert);
    item(
        m, "exporterToolStripMenuItem", "&Exporter le maillage", [&e] { e.exporter(); },
        Qt::CTRL | Qt::Key_E)
        ->disponibleSi([&e] { return e.aUnMaillage(); });
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
    item(m, "extraireRegionToolStripMenuItem", "E&xtraire région", [&e] {
        e.armer();
    })->disponibleSi(cibles_.volumeOuvert);
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
    item(m, "imageSegmenteToolStripMenuItem", "Image &Segmenté", [&c] {
        c.afficherMode(ModeAffichage::Segmentee);
    })->disponibleSi([&c] { return c.aUneSegmentation(); });
    QAction* couleurs = m->addAction("&Étiquettes en couleur");
    couleurs->setObjectName("etiquettesCouleurToolStripMenuItem");
    couleurs->setCheckable(true);
    new Reaction(couleurs, [&c](bool coche) { c.etiquettesEnCouleur(coche); });
    QAction* superposition = m->addAction("Su&perposition des étiquettes");
    superposition->setObjectName("superpositionEtiquettesToolStripMenuItem");
    superposition->setCheckable(true);
    new Reaction(superposition, [&c](bool coche) { c.superposerEtiquettes(coche); });

    // The left-right convention of the cut pictures of a volume in a patient's world.
    QMenu* convention = m->addMenu("&Convention gauche-droite");
    convention->setObjectName("conventionToolStripMenuItem");
    auto* groupe = new QActionGroup(convention);
    const ConventionGaucheDroite actuelle = MenusFenetre::convention();
    const std::pair<const char*, ConventionGaucheDroite> choix[] = {
        {"radiologique", ConventionGaucheDroite::Radiologique},
        {"neurologique", ConventionGaucheDroite::Neurologique}};
    for (const auto& [nom, valeur] : choix) {
        QAction* a = convention->addAction(nom == choix[0].first
                                               ? "&Radiologique (gauche du patient à droite)"
                                               : "&Neurologique (gauche du patient à gauche)");
        a->setObjectName(QString(nom) + "ToolStripMenuItem");
        a->setCheckable(true);
        a->setChecked(valeur == actuelle);
        groupe->addAction(a);
        new Reaction(a, [this, valeur, nom](bool coche) {
            if (!coche)
                return;
            reglages().setValue(kCleConvention, nom);
            Q_EMIT conventionChoisie(valeur);
        });
    }
    // The label panel shown or hidden; its item follows the dock however it is closed.
    QAction* panneau = cibles_.panneauEtiquettes.dock()->toggleViewAction();
    panneau->setText("Panneau des é&tiquettes");
    panneau->setObjectName("panneauEtiquettesToolStripMenuItem");
    m->addAction(panneau);
}

ConventionGaucheDroite MenusFenetre::convention() {
    return reglages().value(kCleConvention).toString() == "neurologique"
               ? ConventionGaucheDroite::Neurologique
               : ConventionGaucheDroite::Radiologique;
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

QString MenusFenetre::entreeFichiers(const QStringList& fichiers) {
    QStringList absolus;
    for (const QString& f : fichiers)
        absolus.append(absolu(f));
    return absolus.join('\n');
}

void MenusFenetre::ajouterRecent(const QString& dossier) { placerEnTete(absolu(dossier)); }

void MenusFenetre::ajouterFichiersRecents(const QStringList& fichiers) {
    placerEnTete(entreeFichiers(fichiers));
}

void MenusFenetre::placerEnTete(const QString& entree) {
    QStringList recents = dossiersRecents();
    recents.removeAll(entree);
    recents.prepend(entree);
    while (recents.size() > kNbRecents)
        recents.removeLast();
    enregistrerRecents(recents);
    majRecents();
}

void MenusFenetre::majRecents() {
    recents_->clear();
    const QStringList recents = dossiersRecents();
    for (int i = 0; i < recents.size(); ++i) {
        const QString entree = recents[i];
        // A volume file shows with the names of its label files.
        QStringList chemins = entree.split('\n');
        for (qsizetype k = 1; k < chemins.size(); ++k)
            chemins[k] = QFileInfo(chemins[k]).fileName();
        QAction* a = recents_->addAction(QString("&%1 %2").arg(i + 1).arg(chemins.join(" + ")));
        a->setObjectName(QString("recent%1").arg(i));
        // Not among reactions_: the items go at the next change of the list.
        new Reaction(a, [this, entree](bool) { ouvrirRecent(entree); });
    }
    recents_->setEnabled(!recents.isEmpty());
}

void MenusFenetre::ouvrirRecent(QString entree) {
    const QStringList chemins = entree.split('\n');
    const bool dossier = chemins.size() == 1 && QFileInfo(chemins.first()).isDir();
    const bool fichiers = std::all_of(chemins.begin(), chemins.end(),
                                      [](const QString& c) { return QFileInfo(c).isFile(); });
    if (dossier) {
        cibles_.ouverture.ouvrirDossier(entree);
        return;
    }
    if (fichiers) {
        cibles_.ouverture.ouvrirFichiers(chemins);
        return;
    }
    QStringList reste = dossiersRecents();
    reste.removeAll(entree);
    enregistrerRecents(reste);
    majRecents();
    const auto manquant = std::find_if(chemins.begin(), chemins.end(),
                                       [](const QString& c) { return !QFileInfo::exists(c); });
    if (cibles_.dialogues.afficherMessage)
        cibles_.dialogues.afficherMessage(
            "\"" + (manquant != chemins.end() ? *manquant : chemins.first()) + "\" n'existe plus.");
}

} // namespace Stravol
