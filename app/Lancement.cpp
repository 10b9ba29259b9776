#include "app/Lancement.h"

#include "app/Form1.h"
#include "view/COpenGL.h"

#include <QApplication>
#include <QFileInfo>
#include <QSurfaceFormat>

#include <cstdio>

namespace Stravol {

int lancerStravol(int argc, char** argv, const std::function<void(Form1&)>& demarrage) {
    // Every GL context of the program has the view's format (fixed-function pipeline).
    QSurfaceFormat::setDefaultFormat(COpenGL::formatVue());
    QApplication application(argc, argv);
    Form1 fenetre;
    fenetre.show();

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() >= 2) {
        const QString dossier = arguments.at(1);
        if (!QFileInfo(dossier).isDir())
            std::fprintf(stderr, "stravol: %s is not a folder\n", qPrintable(dossier));
        // Opened once the window is on screen, so that the user sees it and the progress bar
        // during the loading.
        fenetre.ouvrirQuandVisible(dossier);
    }
    if (demarrage)
        demarrage(fenetre);
    return application.exec();
}

} // namespace Stravol
