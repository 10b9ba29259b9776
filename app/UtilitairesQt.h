#pragma once
// Small helpers shared by the parts of the main window.

#include <QApplication>
#include <QFile>
#include <QString>
#include <QWidget>

#include <string>

namespace Stravol {

// The wait cursor for the length of one synchronous operation (loading, textures, extraction).
class CurseurAttente {
public:
    CurseurAttente() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CurseurAttente() { QApplication::restoreOverrideCursor(); }
    CurseurAttente(const CurseurAttente&) = delete;
    CurseurAttente& operator=(const CurseurAttente&) = delete;
};

// A file name as the volume and export functions take it (local 8-bit encoding).
inline std::string cheminLocal(const QString& chemin) {
    return QFile::encodeName(chemin).toStdString();
}

// A control of kind T named nom with its text, at (x, y) in parent, l x h pixels.
template <class T>
T* controle(QWidget* parent, const char* nom, const QString& texte, int x, int y, int l, int h) {
    auto* c = new T(texte, parent);
    c->setObjectName(nom);
    c->setGeometry(x, y, l, h);
    return c;
}

} // namespace Stravol
