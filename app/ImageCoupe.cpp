#include "app/ImageCoupe.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace Stravol {

namespace {

// Space between a letter and the edge of the picture, in pixels.
constexpr int kMargeLettre = 4;

} // namespace

void ImageCoupe::proportions(double largeurMm, double hauteurMm,
                             const std::array<char, 4>& lettres) {
    proportionnee_ = largeurMm > 0 && hauteurMm > 0;
    largeurMm_ = largeurMm;
    hauteurMm_ = hauteurMm;
    lettres_ = lettres;
    update();
}

void ImageCoupe::etirer() {
    proportionnee_ = false;
    lettres_ = {};
    update();
}

QRect ImageCoupe::cible() const {
    if (!proportionnee_)
        return rect();
    const double echelle = std::min(width() / largeurMm_, height() / hauteurMm_);
    const int l = std::max(1, static_cast<int>(std::lround(largeurMm_ * echelle)));
    const int h = std::max(1, static_cast<int>(std::lround(hauteurMm_ * echelle)));
    return {(width() - l) / 2, (height() - h) / 2, l, h};
}

std::optional<QPoint> ImageCoupe::pixelSous(const QPoint& p) const {
    const QPixmap image = pixmap();
    const QRect c = cible();
    if (image.isNull() || !c.contains(p))
        return std::nullopt;
    return QPoint(std::min((p.x() - c.x()) * image.width() / c.width(), image.width() - 1),
                  std::min((p.y() - c.y()) * image.height() / c.height(), image.height() - 1));
}

void ImageCoupe::paintEvent(QPaintEvent* evenement) {
    const QPixmap image = pixmap();
    if (!proportionnee_ || image.isNull()) {
        QLabel::paintEvent(evenement);
        return;
    }
    QPainter peintre(this);
    const QRect c = cible();
    // Each voxel a block of one colour: no smoothing between neighbours.
    peintre.setRenderHint(QPainter::SmoothPixmapTransform, false);
    peintre.drawPixmap(c, image);

    QFont police = font();
    police.setBold(true);
    peintre.setFont(police);
    const QFontMetrics mesure(police);
    const int demiHaut = mesure.ascent() / 2;
    const QPoint places[4] = {
        {c.left() + kMargeLettre, c.center().y() + demiHaut},
        {c.right() - kMargeLettre - mesure.horizontalAdvance(QChar(lettres_[1])),
         c.center().y() + demiHaut},
        {c.center().x() - mesure.horizontalAdvance(QChar(lettres_[2])) / 2,
         c.top() + kMargeLettre + mesure.ascent()},
        {c.center().x() - mesure.horizontalAdvance(QChar(lettres_[3])) / 2,
         c.bottom() - kMargeLettre - mesure.descent()}};
    peintre.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 4; ++i) {
        if (lettres_[i] == 0)
            continue;
        // Yellow outlined in black: readable on any grey or label colour.
        QPainterPath trace;
        trace.addText(places[i], police, QString(QChar(lettres_[i])));
        peintre.strokePath(trace, QPen(Qt::black, 3));
        peintre.fillPath(trace, QColor(255, 230, 0));
    }
}

} // namespace Stravol
