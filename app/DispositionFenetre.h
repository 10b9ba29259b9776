#pragma once
// The frames of the main window's layout: bordered panels, the splitters between them, and
// the decorative pictures that fill some.

#include <QFrame>
#include <QLabel>
#include <QSplitter>

namespace Stravol {

// A panel named nom with its frame's shape and shadow.
QFrame* panneau(const char* nom, QFrame::Shape forme, QFrame::Shadow ombre);

// A split container whose panels share a change of its size in proportion to their sizes.
QSplitter* separateur(const char* nom, Qt::Orientation orientation, QFrame* premier,
                      QFrame* second);

// w fills p, without margins.
void remplir(QFrame* p, QWidget* w);

// A decorative picture named nom, of the image ressource, filling p: scaled to the room it
// has, keeping its aspect, centred.
QLabel* imageDecorative(QFrame* p, const char* nom, const char* ressource);

} // namespace Stravol
