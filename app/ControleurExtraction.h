#pragma once
// The extraction controller of the main window: "Extraire région" arms it and the next click
// on the cut picture becomes the seed of a region extraction, whose mesh the view then draws;
// "Afficher le maillage" shows or hides it (available while there is a mesh); the mesh evolves
// ("Faire évoluer le maillage") and is written to a file ("Exporter le maillage") with the
// options of "Options d'extraction...". A mesh extracted from a label shown in colour takes the
// label's colour. With the dual surface chosen in the options, the click's object is meshed
// by the dual method and handed over as a label mesh (montrerObjetDual).

#include "app/VolumeOuvert.h"
#include "mesh/ExportScene.h"
#include "volume/CImageTroisD.h"
#include "volume/OptionsExtraction.h"

#include <QObject>

#include <functional>
#include <memory>

class CImage3D;
class QCheckBox;
class QStatusBar;
class QWidget;

namespace Stravol {

struct DialoguesFenetre;

class ControleurExtraction : public QObject {
    Q_OBJECT

public:
    // Builds checkBoxMaillage at its place in panneau (the commands panel). The status bar says
    // what to do while armed and sums up each extraction.
    ControleurExtraction(QWidget* panneau, const VolumeOuvert& ouvert, DialoguesFenetre& dialogues,
                         QStatusBar* barreEtat);
    ~ControleurExtraction() override;
    ControleurExtraction(const ControleurExtraction&) = delete;
    ControleurExtraction& operator=(const ControleurExtraction&) = delete;

    // "Extraire région": the next click on the cut picture extracts the region under it; the
    // status bar says what to do until then.
    void armer();
    // Escape: the click is no longer awaited.
    void desarmer();
    bool armee() const { return static_cast<bool>(Bouge); }
    // A click on the cut picture, on voxel v of the open volume: the seed, when armed.
    void cliquer(const Coord3D& v);

    // "Faire évoluer le maillage": gives the mesh the grey volume it evolves on (once per
    // mesh), then shows the parameter dialog; each run redraws the view.
    void evoluer();
    // "Exporter le maillage": asks for a file and writes the last extracted mesh to it.
    void exporter();
    // "Options d'extraction...": shows the options; accepted, they serve the next extractions
    // and exports until the window closes.
    void choisirOptions();
    // Growth and smoothing of the next extractions.
    OptionsExtraction& options() { return optionsExtraction; }
    // Runs the extraction that a click starts (directly when empty): tests put their own limits
    // around the work of the extraction alone, not around the redraw and the event loop after it.
    std::function<void(const std::function<void()>&)> executerExtraction;
    // Receives the mesh of a click extraction by the dual method (voxel coordinates, in the
    // seed's label colour), to be shown in place of any other mesh.
    std::function<void(MaillageEtiquette objet)> montrerObjetDual;

    // Whether the open volume has a mesh (to export or evolve).
    bool aUnMaillage() const;
    // A new volume opens: "Afficher le maillage" goes until the next extraction.
    void masquerMaillage();
    // The volume is gone: so is the grey copy its mesh evolved on, and "Afficher le maillage"
    // has nothing to show.
    void oublierVolume();
    // Other meshes replace the region mesh (every label at once): the view stops drawing it,
    // the volume lets it go, and "Afficher le maillage" has nothing to show.
    void retirerMaillage();

Q_SIGNALS:
    // The extraction is armed (a click is awaited) or no longer.
    void armementChange(bool arme);
    // An extraction replaced the mesh (or kept it, having failed).
    void maillageChange();

private:
    void extraireAu(const Coord3D& v);
    // The click's object by the dual method.
    void extraireDualAu(const Coord3D& v);
    // The mesh just extracted from a label shown in colour takes the label's colour.
    void colorerMaillage(const CImageTroisD& volume);
    void maillageCoche();
    void redessiner();

    const VolumeOuvert& ouvert_;
    DialoguesFenetre& dialogues_;
    QStatusBar* barreEtat_;
    QCheckBox* checkBoxMaillage = nullptr;
    // The one-shot click handler of the cut picture (the voxel clicked); empty while
    // extraction is not armed.
    std::function<void(const Coord3D& v)> Bouge;
    OptionsExtraction optionsExtraction;
    // The fraction of triangles an export keeps (1: all).
    double tauxDecimation = 1.0;
    // Grey copy of the volume that the current mesh evolves on; the mesh keeps pointers to it.
    std::unique_ptr<CImage3D> imageEvolution_;
};

} // namespace Stravol
