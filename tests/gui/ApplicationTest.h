#pragma once
// The one QApplication of a GUI test executable, created on first use with the view's surface
// format as the default one (the tests run under Xvfb with QT_QPA_PLATFORM=xcb).

#include "view/COpenGL.h"

#include <QApplication>
#include <QSurfaceFormat>

namespace testgui {

inline QApplication& application() {
    static int argc = 1;
    static char nom[] = "stravol_gui_test";
    static char* argv[] = {nom, nullptr};
    static QApplication* app = [] {
        QSurfaceFormat::setDefaultFormat(Stravol::COpenGL::formatVue());
        return new QApplication(argc, argv);
    }();
    return *app;
}

} // namespace testgui
