#pragma once
// The menus of the main window: the menu builder puts each menu and its items in order, with
// their names, texts and shortcuts, and hands each item to the reaction that runs it; "Récents"
// lists the folders opened last, kept in the user's settings.

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
    // The most folders "Récents" keeps.
    static constexpr int kNbRecents = 8;

    // What the items act on.
    struct Cibles {
        OuvertureVolume& ouverture;
        PanneauCoupes& coupes;
        ControleurExtraction& extraction;
        // Every label at once, and the label panel.
        ExtractionEtiquettes& etiquettes;
        PanneauEtiquettes& panneauEtiquettes;
        DialoguesFenetre& dialogues;
        // Whether a volume is open ("Fermer" is available then).
        std::function<bool()> volumeOuvert;
        // "Fermer" and "Quitter", the window's own.
        std::function<void()> fermer;
        std::function<void()> quitter;
        // "Enregistrer l'image de la vue...", available while a volume is open.
        std::function<void()> enregistrerImageVue;
    };

    // Builds the menus "Fichier", "Traitement", "Visualisation" and "Aide" into barre.
    MenusFenetre(QMenuBar* barre, Cibles cibles);

    // Every item available only at times looks at its condition again (after an opening, a
    // closing or an extraction).
    void majDisponibilites();
    // dossier heads the recent folders (an absolute path), the oldest beyond kNbRecents going.
    void ajouterRecent(const QString& dossier);
    // The recent folders, most recent first.
    static QStringList dossiersRecents();

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
    // A recent item chosen: opens its folder, or says it went and forgets it (the item goes:
    // dossier is a copy).
    void ouvrirRecent(QString dossier);

    QMenuBar* barre_;
    Cibles cibles_;
    QMenu* recents_ = nullptr;
    std::vector<Reaction*> reactions_;
};

} // namespace Stravol
