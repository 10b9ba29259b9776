#pragma once
// The label panel of the main window ("Étiquettes", a dock beside the 3D view): one row a label
// present in the open segmentation, with its colour (the volume's palette, as the cuts show it),
// value, name (the volume's label table: the one beside the label file, or the file's own),
// voxels, volume in mm³ and a visibility box; a filter by name, "Toutes" and
// "Aucune", and the opacity of the label meshes. Choosing a row highlights its mesh (the others
// dimmed) and moves the cuts to the label's centroid; a click on a mesh of the 3D view or on a
// label of the cut picture chooses its row.

#include "app/VolumeOuvert.h"
#include "extraction/SceneEtiquettes.h"
#include "mesh/ExportScene.h"
#include "volume/TableEtiquettes.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QDockWidget;
class QLineEdit;
class QPushButton;
class QSlider;
class QTableWidget;
class QTableWidgetItem;

namespace Stravol {

class PanneauEtiquettes : public QObject {
    Q_OBJECT

public:
    // Columns of the table.
    enum Colonne : int { Visible = 0, Couleur, Valeur, Nom, Voxels, Volume, NbColonnes };

    // Builds the dock, hidden (its parent is the main window, which places it).
    PanneauEtiquettes(QWidget* fenetre, const VolumeOuvert& ouvert);

    QDockWidget* dock() const { return dock_; }

    // The volume just opened (or none): one row a label of its segmentation, all visible, named
    // by the volume's label table and coloured by its palette; no row is chosen.
    void nouveauVolume();
    // The volume's label table changed: every row takes its name and colour again, keeping its
    // visibility; no row is chosen.
    void tableChangee();
    // The name and colour of a label (its default colour when it has no row).
    std::string nom(std::uint32_t valeur) const;
    CouleurRVB couleur(std::uint32_t valeur) const;
    bool estVisible(std::uint32_t valeur) const;
    // The label of the chosen row; none when no row is chosen.
    std::optional<std::uint32_t> choisie() const;

    // The label meshes the view now shows (scene by increasing value; empty: none): the view
    // draws them with the rows' colours, visibility and choice, each by its preview (apercus,
    // in the scene's order) while it shows small.
    void montrerMaillages(const std::vector<MaillageEtiquette>& scene,
                          const std::vector<std::vector<std::uint32_t>>& apercus = {});
    // A click on the view's label mesh indice (-1: on none): its row is chosen and the cuts go
    // to its centroid; none is chosen for -1.
    void choisirMaillage(int indice);
    // A click on voxel v of the cut picture: the row of the label there is chosen (none for the
    // background); the cuts stay where they are.
    void choisirVoxel(const Coord3D& v);

Q_SIGNALS:
    // A row was chosen by the user or by a click on its mesh: the cuts go to the voxel nearest
    // the label's centroid.
    void centreChoisi(const Coord3D& v);

private:
    struct Ligne {
        EtiquettePresente etiquette;
        std::string nom;
        CouleurRVB couleur{};
        bool visible = true;
    };

    void construire(QWidget* fenetre);
    void remplirTable();
    void ajusterLargeur();
    // The row of a label; -1 when it has none.
    int ligneDe(std::uint32_t valeur) const;
    // Chooses row (-1: none) as if the user had, without moving the cuts when deplacer is false.
    void choisirLigne(int ligne, bool deplacer);
    void ligneChoisie();
    void caseChangee(QTableWidgetItem* item);
    void filtrer(const QString& texte);
    void toutMontrer(bool visible);
    // The view draws what the rows say.
    void majVue();

    const VolumeOuvert& ouvert_;
    QDockWidget* dock_ = nullptr;
    QLineEdit* filtre_ = nullptr;
    QPushButton* toutes_ = nullptr;
    QPushButton* aucune_ = nullptr;
    QTableWidget* table_ = nullptr;
    QSlider* opacite_ = nullptr;
    std::vector<Ligne> lignes_;
    // The labels of the view's meshes, in the view's order.
    std::vector<std::uint32_t> valeursVue_;
    // The rows are being changed from code: their signals say nothing of the user.
    bool parCode_ = false;
    // The current choice came with a move of the cuts.
    bool deplacer_ = true;
};

} // namespace Stravol
