#pragma once
// Dialog that edits the parameters of any deformable model and makes it evolve. It is built
// only from the model's self-describing parameter interface: one row per published parameter
// (float, int, bool, enumeration) labelled with the model's name (a boolean box acts on the
// model as soon as the user clicks it), an iteration count, the "Lancer" button, "Annuler",
// which puts the model back as it was before the last "Lancer", and "Fermer".

#include <QDialog>

#include <functional>
#include <vector>

class CDeformableModelBase;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QPushButton;
class QSpinBox;

namespace Stravol {

class DialogueEvolution : public QDialog {
    Q_OBJECT

public:
    // The model must outlive the dialog.
    explicit DialogueEvolution(CDeformableModelBase& modele, QWidget* parent = nullptr);

    // Sends every row's value to the model through its set operations. A row the user left as
    // it was shown sends the exact value read from the model, so that neither the spin box's
    // rounding nor its range alters a parameter nobody touched.
    void appliquer();
    // "Lancer": appliquer(), Evolve with the iteration count, shows the model's values again
    // (the model may refuse a value or adapt one while evolving), then emits evolue().
    void lancer();
    // "Annuler": puts the model back as it was before the last "Lancer", shows its values and
    // emits evolue(); the button is then disabled until the next run.
    void annuler();
    // Shows the values the model holds now.
    void relire();

    // Set by the owner of a model whose state can be kept: called by "Lancer" just before the
    // evolution, it keeps the model's state and returns what puts it back. Without it
    // "Annuler" stays disabled.
    std::function<std::function<void()>()> garderEtat;

    // Rows in the model's index order, per type.
    std::vector<QDoubleSpinBox*> reels;
    std::vector<QSpinBox*> entiers;
    std::vector<QCheckBox*> booleens;
    std::vector<QComboBox*> enumerations;
    QSpinBox* iterations = nullptr;
    QPushButton* boutonLancer = nullptr;
    QPushButton* boutonAnnuler = nullptr;
    QPushButton* boutonFermer = nullptr;

Q_SIGNALS:
    // After each evolution, so that the owner redraws the mesh.
    void evolue();
    // A box of a boolean parameter was ticked or unticked by the user: the model holds the new
    // value already, so that the owner redraws the mesh.
    void modifie();

private:
    CDeformableModelBase& modele_;
    // Puts the model back as it was before the last run; empty when there is nothing to undo.
    std::function<void()> restaurer_;
    // Values read from the model by relire(), and what the rows showed for them.
    std::vector<float> reelsLus_;
    std::vector<double> reelsAffiches_;
    std::vector<int> entiersLus_;
    std::vector<int> entiersAffiches_;
    std::vector<int> enumerationsLues_;
    std::vector<int> enumerationsAffichees_;
};

} // namespace Stravol
