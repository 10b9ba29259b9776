#pragma once
// "Options d'extraction...": the smoothing (method and rounds) and the grey tolerance of the
// next extractions, and the fraction of triangles the export keeps.

#include <QDialog>

#include "volume/OptionsExtraction.h"

class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QSpinBox;

namespace Stravol {

class DialogueOptionsExtraction : public QDialog {
    Q_OBJECT

public:
    // Shows the options and decimation ratio given (1: the export writes the mesh whole).
    DialogueOptionsExtraction(const OptionsExtraction& options, double tauxDecimation,
                              QWidget* parent = nullptr);

    // The values shown now.
    OptionsExtraction options() const;
    double tauxDecimation() const;

    QComboBox* methode = nullptr; // entries in the order of MethodeLissage
    QSpinBox* tours = nullptr;
    QSpinBox* tolerance = nullptr;
    QDoubleSpinBox* decimation = nullptr;
    QDialogButtonBox* boutons = nullptr;
};

} // namespace Stravol
