#include "app/DialogueOptionsExtraction.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace Stravol {

namespace {

constexpr int kToursMax = 1000;
constexpr int kToleranceMax = 255;
constexpr double kDecimationMin = 0.01;
constexpr double kPasDecimation = 0.05;
constexpr int kDecimalesDecimation = 2;

} // namespace

DialogueOptionsExtraction::DialogueOptionsExtraction(const OptionsExtraction& options,
                                                     double tauxDecimation, QWidget* parent)
    : QDialog(parent) {
    setObjectName("dialogueOptionsExtraction");
    setWindowTitle("Options d'extraction");
    auto* formulaire = new QFormLayout;

    surface = new QComboBox(this);
    surface->setObjectName("methodeSurface");
    // The order of MethodeSurface.
    surface->addItem("Faces des voxels (région réparée)");
    surface->addItem("Surface duale (voxels tels quels)");
    surface->setCurrentIndex(static_cast<int>(options.surface));
    surface->setToolTip("Surface duale : un sommet par cellule que la surface traverse, sans "
                        "réparation de la topologie, avec son propre lissage (20 tours par "
                        "défaut) ; le maillage s'affiche et s'exporte comme une scène");
    formulaire->addRow("&Surface", surface);

    methode = new QComboBox(this);
    methode->setObjectName("methodeLissage");
    // The order of MethodeLissage.
    methode->addItem("Taubin");
    methode->addItem("Contraint (un demi-voxel)");
    methode->setCurrentIndex(static_cast<int>(options.lissage));
    methode->setToolTip("Contraint : lissage sans rétrécissement, chaque sommet reste à moins "
                        "d'un demi-voxel de son coin (20 tours par défaut)");
    formulaire->addRow("&Lissage", methode);

    tours = new QSpinBox(this);
    tours->setObjectName("toursLissage");
    tours->setRange(0, kToursMax);
    tours->setValue(options.nbLissages);
    formulaire->addRow("&Tours de lissage", tours);
    // A count of rounds left at the default of the method or surface chosen before follows the
    // one chosen now; one the user typed stays.
    toursParDefautAvant_ = toursParDefautChoisis();
    const auto suivreDefaut = [this](int) {
        const int defaut = toursParDefautChoisis();
        if (tours->value() == toursParDefautAvant_)
            tours->setValue(defaut);
        toursParDefautAvant_ = defaut;
        majMethode();
    };
    connect(methode, &QComboBox::currentIndexChanged, this, suivreDefaut);
    connect(surface, &QComboBox::currentIndexChanged, this, suivreDefaut);
    majMethode();

    tolerance = new QSpinBox(this);
    tolerance->setObjectName("toleranceGris");
    tolerance->setRange(0, kToleranceMax);
    tolerance->setValue(options.tolerance);
    tolerance->setToolTip("Écart de niveau de gris accepté autour de celui du germe "
                          "(0 : le niveau du germe seul)");
    formulaire->addRow("T&olérance de gris", tolerance);

    decimation = new QDoubleSpinBox(this);
    decimation->setObjectName("tauxDecimation");
    decimation->setRange(kDecimationMin, 1.0);
    decimation->setSingleStep(kPasDecimation);
    decimation->setDecimals(kDecimalesDecimation);
    decimation->setValue(tauxDecimation);
    decimation->setToolTip("Part des triangles gardée à l'exportation (1 : tous)");
    formulaire->addRow("&Décimation à l'export", decimation);

    boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    boutons->button(QDialogButtonBox::Cancel)->setText("Annuler");
    connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* colonne = new QVBoxLayout(this);
    colonne->addLayout(formulaire);
    colonne->addWidget(boutons);
}

int DialogueOptionsExtraction::toursParDefautChoisis() const {
    if (static_cast<MethodeSurface>(surface->currentIndex()) == MethodeSurface::Duale)
        return kToursDualParDefaut;
    return toursParDefaut(static_cast<MethodeLissage>(methode->currentIndex()));
}

void DialogueOptionsExtraction::majMethode() {
    methode->setEnabled(static_cast<MethodeSurface>(surface->currentIndex()) ==
                        MethodeSurface::Faces);
}

OptionsExtraction DialogueOptionsExtraction::options() const {
    OptionsExtraction o;
    o.surface = static_cast<MethodeSurface>(surface->currentIndex());
    o.lissage = static_cast<MethodeLissage>(methode->currentIndex());
    o.nbLissages = tours->value();
    o.tolerance = tolerance->value();
    return o;
}

double DialogueOptionsExtraction::tauxDecimation() const { return decimation->value(); }

} // namespace Stravol
