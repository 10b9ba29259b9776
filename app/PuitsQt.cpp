#include "app/PuitsQt.h"

#include <QProgressBar>

#include <algorithm>

namespace Stravol {

void BarreProgressionQt::setMaximum(int maximum) {
    barre_->setRange(0, std::max(maximum, 1));
    barre_->setValue(0);
    barre_->repaint();
}

void BarreProgressionQt::setValue(int valeur) {
    const int v = std::clamp(valeur, barre_->minimum(), barre_->maximum());
    if (v == barre_->value())
        return;
    barre_->setValue(v);
}

} // namespace Stravol
