#include "app/DialogueEvolution.h"

#include "region/CDeformableModelBase.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace Stravol {

namespace {

QString texte(const Chaine& c) { return QString::fromUtf8(c.c_str()); }

// Fewest decimals (at most 6) that show every multiple of the step: 2 for 0.01, 2 for 0.25.
// The step is a single-precision value, hence the tolerance.
int decimalesPour(double pas) {
    double echelle = 1.0;
    for (int d = 0; d < 6; ++d, echelle *= 10.0) {
        const double n = pas * echelle;
        if (n >= 0.5 && std::abs(n - std::round(n)) < 1e-4 * n)
            return d;
    }
    return 6;
}

} // namespace

DialogueEvolution::DialogueEvolution(CDeformableModelBase& modele, QWidget* parent)
    : QDialog(parent), modele_(modele) {
    setObjectName("DialogueEvolution");
    setWindowTitle("Faire évoluer le maillage");

    auto* groupe = new QGroupBox("Paramètres");
    auto* lignes = new QFormLayout(groupe);
    for (int i = 0; i < modele_.GetParameterFloatNumber(); ++i) {
        auto* s = new QDoubleSpinBox;
        s->setObjectName(QString("reel%1").arg(i));
        const double pas = modele_.GetParameterFloatStep(i);
        s->setDecimals(decimalesPour(pas));
        s->setRange(modele_.GetParameterFloatMin(i), modele_.GetParameterFloatMax(i));
        s->setSingleStep(pas);
        lignes->addRow(texte(modele_.GetParameterFloatName(i)), s);
        reels.push_back(s);
    }
    for (int i = 0; i < modele_.GetParameterIntNumber(); ++i) {
        auto* s = new QSpinBox;
        s->setObjectName(QString("entier%1").arg(i));
        s->setRange(modele_.GetParameterIntMin(i), modele_.GetParameterIntMax(i));
        s->setSingleStep(modele_.GetParameterIntStep(i));
        lignes->addRow(texte(modele_.GetParameterIntName(i)), s);
        entiers.push_back(s);
    }
    for (int i = 0; i < modele_.GetParameterBoolNumber(); ++i) {
        auto* c = new QCheckBox;
        c->setObjectName(QString("booleen%1").arg(i));
        lignes->addRow(texte(modele_.GetParameterBoolName(i)), c);
        booleens.push_back(c);
        // A box acts at once (the display ones show in the next frame), not at the next run.
        connect(c, &QCheckBox::clicked, this, [this, i](bool coche) {
            modele_.SetParameterBoolValue(i, coche);
            Q_EMIT modifie();
        });
    }
    for (int i = 0; i < modele_.GetParameterEnumNumber(); ++i) {
        auto* c = new QComboBox;
        c->setObjectName(QString("enumeration%1").arg(i));
        const CVecteur<Chaine> noms = modele_.GetParameterEnumValueNames(i);
        for (int k = 0; k < noms.taille; ++k)
            c->addItem(texte(noms[k]));
        lignes->addRow(texte(modele_.GetParameterEnumName(i)), c);
        enumerations.push_back(c);
    }

    auto* execution = new QFormLayout;
    iterations = new QSpinBox;
    iterations->setObjectName("iterations");
    iterations->setRange(1, 100000);
    iterations->setValue(10);
    execution->addRow("Nombre d'itérations", iterations);

    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Close);
    boutonFermer = boutons->button(QDialogButtonBox::Close);
    boutonFermer->setObjectName("boutonFermer");
    boutonFermer->setText("Fermer");
    boutonLancer = boutons->addButton("Lancer", QDialogButtonBox::ActionRole);
    boutonLancer->setObjectName("boutonLancer");
    boutonLancer->setDefault(true);
    connect(boutonLancer, &QPushButton::clicked, this, [this] { lancer(); });
    // Undoing a run leaves the dialog open, so that another run can follow.
    boutonAnnuler = boutons->addButton("Annuler", QDialogButtonBox::ActionRole);
    boutonAnnuler->setObjectName("boutonAnnuler");
    boutonAnnuler->setEnabled(false);
    connect(boutonAnnuler, &QPushButton::clicked, this, [this] { annuler(); });
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(groupe);
    disposition->addLayout(execution);
    disposition->addWidget(boutons);
    relire();
}

void DialogueEvolution::relire() {
    reelsLus_.assign(reels.size(), 0.0f);
    reelsAffiches_.assign(reels.size(), 0.0);
    for (std::size_t i = 0; i < reels.size(); ++i) {
        reelsLus_[i] = modele_.GetParameterFloatValue(static_cast<int>(i));
        reels[i]->setValue(reelsLus_[i]);
        reelsAffiches_[i] = reels[i]->value();
    }
    entiersLus_.assign(entiers.size(), 0);
    entiersAffiches_.assign(entiers.size(), 0);
    for (std::size_t i = 0; i < entiers.size(); ++i) {
        entiersLus_[i] = modele_.GetParameterIntValue(static_cast<int>(i));
        entiers[i]->setValue(entiersLus_[i]);
        entiersAffiches_[i] = entiers[i]->value();
    }
    for (std::size_t i = 0; i < booleens.size(); ++i)
        booleens[i]->setChecked(modele_.GetParameterBoolValue(static_cast<int>(i)));
    enumerationsLues_.assign(enumerations.size(), 0);
    enumerationsAffichees_.assign(enumerations.size(), 0);
    for (std::size_t i = 0; i < enumerations.size(); ++i) {
        enumerationsLues_[i] = modele_.GetParameterEnumValue(static_cast<int>(i));
        // A value without a name leaves the box empty.
        enumerations[i]->setCurrentIndex(
            enumerationsLues_[i] < enumerations[i]->count() ? enumerationsLues_[i] : -1);
        enumerationsAffichees_[i] = enumerations[i]->currentIndex();
    }
}

void DialogueEvolution::appliquer() {
    for (std::size_t i = 0; i < reels.size(); ++i) {
        const double v = reels[i]->value();
        modele_.SetParameterFloatValue(
            static_cast<int>(i), v == reelsAffiches_[i] ? reelsLus_[i] : static_cast<float>(v));
    }
    for (std::size_t i = 0; i < entiers.size(); ++i) {
        const int v = entiers[i]->value();
        modele_.SetParameterIntValue(static_cast<int>(i),
                                     v == entiersAffiches_[i] ? entiersLus_[i] : v);
    }
    for (std::size_t i = 0; i < booleens.size(); ++i)
        modele_.SetParameterBoolValue(static_cast<int>(i), booleens[i]->isChecked());
    for (std::size_t i = 0; i < enumerations.size(); ++i) {
        const int v = enumerations[i]->currentIndex();
        modele_.SetParameterEnumValue(static_cast<int>(i),
                                      v == enumerationsAffichees_[i] ? enumerationsLues_[i] : v);
    }
}

void DialogueEvolution::lancer() {
    appliquer();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    restaurer_ = garderEtat ? garderEtat() : std::function<void()>();
    modele_.Evolve(iterations->value());
    QApplication::restoreOverrideCursor();
    boutonAnnuler->setEnabled(static_cast<bool>(restaurer_));
    relire();
    Q_EMIT evolue();
}

void DialogueEvolution::annuler() {
    if (!restaurer_)
        return;
    restaurer_();
    restaurer_ = nullptr;
    boutonAnnuler->setEnabled(false);
    relire();
    Q_EMIT evolue();
}

} // namespace Stravol
