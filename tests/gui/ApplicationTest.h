#pragma once
// The one QApplication of a GUI test executable, created on first use with the view's surface
// format as the default one (the tests run under Xvfb with QT_QPA_PLATFORM=xcb). The user's
// settings go to a temporary folder of the run, never to the real configuration directory.

#include "view/COpenGL.h"

#include <QApplication>
#include <QSettings>
#include <QSurfaceFormat>
#include <QTemporaryDir>

namespace testgui {

inline QApplication& application() {
    static int argc = 1;
    static char nom[] = "stravol_gui_test";
    static char* argv[] = {nom, nullptr};
    static QTemporaryDir reglages;
    static QApplication* app = [] {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, reglages.path());
        QSurfaceFormat::setDefaultFormat(Stravol::COpenGL::formatVue());
        return new QApplication(argc, argv);
    }();
    return *app;
}

} // namespace testgui
