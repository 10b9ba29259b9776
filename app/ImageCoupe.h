#pragma once
// pictureBox1, the picture of a cut. A picture folder's cut is stretched over the whole box, as
// the toolkit's label does it. The cut of a volume in a patient's world keeps its proportions in
// millimetres, centred in the box, each voxel a sharp block (labels are never blended), with
// the patient's sides lettered on its edges.

#include <QLabel>

#include <array>
#include <optional>

namespace Stravol {

class ImageCoupe : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

    // The picture from now on keeps the proportions largeurMm x hauteurMm and carries the
    // letters of its left, right, top and bottom edges; etirer() stretches it again.
    void proportions(double largeurMm, double hauteurMm, const std::array<char, 4>& lettres);
    void etirer();
    bool proportionnee() const { return proportionnee_; }
    const std::array<char, 4>& lettres() const { return lettres_; }

    // Where the picture is drawn in the box.
    QRect cible() const;
    // The pixel of the picture under point p of the box (the picture stretched or not); none
    // outside the picture.
    std::optional<QPoint> pixelSous(const QPoint& p) const;

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    bool proportionnee_ = false;
    double largeurMm_ = 1.0;
    double hauteurMm_ = 1.0;
    std::array<char, 4> lettres_{};
};

} // namespace Stravol
