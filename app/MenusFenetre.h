#pragma once
// The menus of the main window: the menu builder puts each menu and its items in order, with
// their names, texts and shortcuts, and hands each item to the reaction that runs it; "Récents"
// lists the folders and volume files opened last, and the left-right convention of the cut
// pictures is chosen, both kept in the user's settings.

#include "volume/OrientationCoupes.h"

#include <QKeySequence>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QMenu;
class QMenuBar;

namespace Stravol {

class ControleurExtraction;
class ExtractionEtiquettes;
class OuvertureVolume;
class PanneauCoupes;
class PanneauEtiquettes;
class Reaction;
struct DialoguesFenetre;

class MenusFenetre : public QObject {
    Q_OBJECT

public:
    // The most entries "Récents" keeps.
    static constexpr int kNbRecents = 8;
    // An entry of "Récents": a parent folder, or a volume file followed by its label files,
    // one path a line.
    static QString entreeFichiers(const QStringList& fichiers);

    // What the items act on.
    struct Cibles {
        OuvertureVolume& ouverture;
        PanneauCoupes& coupes;
        ControleurExtraction& extraction;
        // Every label at once, and the label panel.
        ExtractionEtiquettes& etiquettes;
        PanneauEtiquettes& panneauEtiquettes;
        DialoguesFenetre& dialogues;
        // Whether a volume is open ("Fermer" and "Extraire région" are available then).
        std::function<bool()> volumeOuvert;
        // "Fermer" and "Quitter", the window's own.
        std::function<void()> fermer;
        std::function<void()> quitter;
        // "Enregistrer l'image de la vue...", available while a volume is open.
        std::function<void()> enregistrerImageVue;
        // "Ouvrir une table d'étiquettes...", available while a volume is open and no labels'
        // work runs.
        std::function<void()> ouvrirTableEtiquettes;
    };

    // Builds the menus "Fichier", "Traitement", "Visualisation" and "Aide" into barre.
    MenusFenetre(QMenuBar* barre, Cibles cibles);

    // Every item available only at times looks at its condition again (after an opening, a
    // closing or an extraction).
    void majDisponibilites();
    // dossier heads the recent entries (an absolute path), the oldest beyond kNbRecents going.
    void ajouterRecent(const QString& dossier);
    // The volume file fichiers[0] with its label files heads the recent entries.
    void ajouterFichiersRecents(const QStringList& fichiers);
    // The recent entries (entreeFichiers for files), most recent first.
    static QStringList dossiersRecents();
    // The left-right convention of the cut pictures, as last chosen (radiological at first).
    static ConventionGaucheDroite convention();

Q_SIGNALS:
    // The user chose another left-right convention.
    void conventionChoisie(ConventionGaucheDroite convention);

private:
    QMenu* menu(const char* nom, const QString& titre);
    // An item of menu named nom (its objectName) running declencher.
    Reaction* item(QMenu* menu, const char* nom, const QString& texte,
                   std::function<void()> declencher, const QKeySequence& raccourci = {});
    void construireFichier();
    void construireTraitement();
    void construireVisualisation();
    void construireAide();
    void majRecents();
    // entree heads the recent entries.
    void placerEnTete(const QString& entree);
    // A recent item chosen: opens its folder or files, or says they went and forgets the entry
    // (the item goes: entree is a copy).
    void ouvrirRecent(QString entree);

    QMenuBar* barre_;
    Cibles cibles_;
    QMenu* recents_ = nullptr;
    std::vector<Reaction*> reactions_;
};

} // namespace Stravol
