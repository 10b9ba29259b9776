#pragma once
// "Options d'extraction...": the surface (the repaired region's voxel faces or the dual surface
// of the voxels), the smoothing (method and rounds) and the grey tolerance of the next
// extractions, and the fraction of triangles the export keeps.

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

    QComboBox* surface = nullptr; // entries in the order of MethodeSurface
    QComboBox* methode = nullptr; // entries in the order of MethodeLissage
    QSpinBox* tours = nullptr;
    QSpinBox* tolerance = nullptr;
    QDoubleSpinBox* decimation = nullptr;
    QDialogButtonBox* boutons = nullptr;

private:
    // The rounds a method of smoothing or a surface takes by default, as chosen now.
    int toursParDefautChoisis() const;
    // The smoothing method is the faces' own: the dual surface has its own smoothing.
    void majMethode();

    int toursParDefautAvant_ = kToursTaubinParDefaut;
};

} // namespace Stravol
