#include "app/DispositionFenetre.h"

#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace Stravol {

namespace {

// A decorative picture: its image scaled to the room it has, keeping its aspect, centred.
class ImageDecorative : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        const QPixmap image = pixmap();
        if (image.isNull())
            return;
        const QSize taille = image.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect cible(QPoint((width() - taille.width()) / 2, (height() - taille.height()) / 2),
                          taille);
        QPainter peintre(this);
        peintre.setRenderHint(QPainter::SmoothPixmapTransform);
        peintre.drawPixmap(cible, image);
    }
};

} // namespace

QFrame* panneau(const char* nom, QFrame::Shape forme, QFrame::Shadow ombre) {
    auto* p = new QFrame;
    p->setObjectName(nom);
    p->setFrameShape(forme);
    p->setFrameShadow(ombre);
    return p;
}

QSplitter* separateur(const char* nom, Qt::Orientation orientation, QFrame* premier,
                      QFrame* second) {
    auto* s = new QSplitter(orientation);
    s->setObjectName(nom);
    s->setHandleWidth(4);
    s->setChildrenCollapsible(false);
    s->addWidget(premier);
    s->addWidget(second);
    return s;
}

void remplir(QFrame* p, QWidget* w) {
    auto* d = new QVBoxLayout(p);
    d->setContentsMargins(0, 0, 0, 0);
    d->addWidget(w);
}

QLabel* imageDecorative(QFrame* p, const char* nom, const char* ressource) {
    auto* image = new ImageDecorative;
    image->setObjectName(nom);
    image->setMinimumSize(1, 1);
    image->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    image->setPixmap(QPixmap(ressource));
    remplir(p, image);
    return image;
}

} // namespace Stravol
