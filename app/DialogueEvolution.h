#pragma once
// Dialog that edits the parameters of any deformable model and makes it evolve. It is built
// only from the model's self-describing parameter interface: one row per published parameter
// (float, int, bool, enumeration) labelled with the model's name, an iteration count and the
// "Lancer" button.

#include <QDialog>

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
    // Shows the values the model holds now.
    void relire();

    // Rows in the model's index order, per type.
    std::vector<QDoubleSpinBox*> reels;
    std::vector<QSpinBox*> entiers;
    std::vector<QCheckBox*> booleens;
    std::vector<QComboBox*> enumerations;
    QSpinBox* iterations = nullptr;
    QPushButton* boutonLancer = nullptr;

Q_SIGNALS:
    // After each evolution, so that the owner redraws the mesh.
    void evolue();

private:
    CDeformableModelBase& modele_;
    // Values read from the model by relire(), and what the rows showed for them.
    std::vector<float> reelsLus_;
    std::vector<double> reelsAffiches_;
    std::vector<int> entiersLus_;
    std::vector<int> entiersAffiches_;
    std::vector<int> enumerationsLues_;
    std::vector<int> enumerationsAffichees_;
};

} // namespace Stravol
