#pragma once
// Every label of the open segmentation meshed at once ("Extraire toutes les étiquettes", by the
// dual method: each surface between two labels made once and shared), on a worker thread: the
// progress bar follows the labels made, Escape or "Annuler" gives up and keeps what was shown, and
// the meshes, once all made, replace whatever mesh the view showed. The scene of those meshes is
// written by "Exporter la scène..." (GLB, OBJ or PLY, each label in its colour and name).

#include "app/VolumeOuvert.h"
#include "mesh/ExportScene.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QPushButton;
class QStatusBar;
class QWidget;
class ProgressSink;

namespace Stravol {

struct DialoguesFenetre;

class ExtractionEtiquettes : public QObject {
    Q_OBJECT

public:
    // What the scene says of a label: its name (may be empty) and colour.
    struct Description {
        std::string nom;
        CouleurRVB couleur{};
    };

    // Builds the "Annuler" button, hidden, at its place in panneau (the commands panel). barre
    // follows the labels made; the status bar says how far the work is and sums it up.
    ExtractionEtiquettes(QWidget* panneau, const VolumeOuvert& ouvert, DialoguesFenetre& dialogues,
                         ProgressSink& barre, QStatusBar* barreEtat);
    // Stops every work begun and waits for its thread.
    ~ExtractionEtiquettes() override;
    ExtractionEtiquettes(const ExtractionEtiquettes&) = delete;
    ExtractionEtiquettes& operator=(const ExtractionEtiquettes&) = delete;

    // Whether the open volume has labels to mesh and no work is in progress.
    bool disponible() const;
    // "Extraire toutes les étiquettes": starts the work (the dual method with its own
    // smoothing); nothing while a work is in progress or without labels.
    void extraireTout();
    // Escape or "Annuler": the work in progress is given up (its thread ends after the labels it
    // has begun) and what the view showed stays.
    void annuler();
    bool enCours() const { return travail_ != nullptr; }
    // Gives up the work in progress and waits for the thread of every work begun (before the
    // process ends).
    void arreterTout();

    // The label meshes shown, by increasing value (empty while none are shown).
    const std::vector<MaillageEtiquette>& scene() const { return scene_; }
    bool aUneScene() const { return !scene_.empty(); }
    // The previews of the scene's meshes, one a mesh in the scene's order (empty: none).
    const std::vector<std::vector<std::uint32_t>>& apercus() const { return apercus_; }
    // A click extraction replaced the view's meshes by its own: the scene goes.
    void regionExtraite();
    // A click extraction by the dual method: its one mesh is the scene now (any work in
    // progress given up).
    void montrerObjet(MaillageEtiquette objet);
    // The volume goes (or another opens): the work is given up, the scene goes.
    void oublierVolume();

    // "Exporter la scène...": asks for a file and writes the labels shown to it, in world
    // millimetres (voxel coordinates for a volume without a world frame).
    void exporterScene();

    // Name and colour of each label, at the end of a work and at each export.
    std::function<Description(std::uint32_t valeur)> decrire;
    // Whether a label is shown (only those are exported); all when empty.
    std::function<bool(std::uint32_t valeur)> estVisible;

Q_SIGNALS:
    // The scene changed: new meshes are to be shown (they replace the region mesh), or the
    // scene went.
    void sceneChangee();
    // A work began or ended (finished or given up).
    void enCoursChange(bool enCours);

private:
    struct Travail;

    // Starts the thread of travail; throws std::system_error when no thread can start.
    void lancer(const std::shared_ptr<Travail>& travail);
    void progresser(const Travail* travail, int faites, int total);
    void terminer(const Travail* travail);
    void finirTravail();
    // Joins the threads of the works that have ended (all of them: waits for every one).
    void joindreThreads(bool tous = false);

    const VolumeOuvert& ouvert_;
    DialoguesFenetre& dialogues_;
    ProgressSink& barre_;
    QStatusBar* barreEtat_;
    QPushButton* annuler_ = nullptr;
    std::vector<MaillageEtiquette> scene_;
    std::vector<std::vector<std::uint32_t>> apercus_;
    // The work in progress (null when none); shared with its thread.
    std::shared_ptr<Travail> travail_;
    // Every work begun whose thread is not joined yet (a given-up one may run a while more).
    std::vector<std::shared_ptr<Travail>> travaux_;
};

} // namespace Stravol
