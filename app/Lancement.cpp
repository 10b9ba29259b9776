#include "app/Lancement.h"

#include "app/Form1.h"
#include "view/COpenGL.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QSurfaceFormat>
#include <QTranslator>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Stravol {

namespace {

// Exit status of a window that cannot start.
constexpr int kStatutSansAffichage = 2;

// Whether Qt will use the X11 platform: none named (its default here) or "xcb".
bool plateformeX11() {
    const char* plateforme = std::getenv("QT_QPA_PLATFORM");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (plateforme == nullptr || *plateforme == '\0')
        return wayland == nullptr || *wayland == '\0';
    return std::strncmp(plateforme, "xcb", 3) == 0;
}

// Whether an X server answers on DISPLAY. Qt itself aborts the process when it does not.
bool affichageJoignable() {
    xcb_connection_t* connexion = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(connexion) == 0;
    xcb_disconnect(connexion);
    return ok;
}

} // namespace

ArgumentsStravol lireArguments(const QStringList& arguments) {
    ArgumentsStravol entree;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--segmentation" && i + 1 < arguments.size())
            entree.segmentations.append(arguments[++i]);
        else if (entree.chemin.isEmpty())
            entree.chemin = arguments[i];
    }
    return entree;
}

void chargerTraductionsQt() {
    auto* traduction = new QTranslator(QCoreApplication::instance());
    if (traduction->load(QLocale(QLocale::French, QLocale::France), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(traduction);
    else
        delete traduction;
}

int lancerStravol(int argc, char** argv, const std::function<void(Form1&)>& demarrage) {
    // Every GL context of the program has the view's format (fixed-function pipeline).
    QSurfaceFormat::setDefaultFormat(COpenGL::formatVue());
    if (plateformeX11() && !affichageJoignable()) {
        const char* affichage = std::getenv("DISPLAY");
        std::fprintf(stderr, "stravol: cannot open the display '%s': no X server answers there\n",
                     affichage ? affichage : "");
        return kStatutSansAffichage;
    }
    QApplication application(argc, argv);
    chargerTraductionsQt();
    Form1 fenetre;
    fenetre.show();

    const ArgumentsStravol entree = lireArguments(QApplication::arguments());
    if (!entree.chemin.isEmpty()) {
        // Opened once the window is on screen, so that the user sees it and the progress bar
        // during the loading.
        if (QFileInfo(entree.chemin).isDir()) {
            if (!entree.segmentations.isEmpty())
                std::fprintf(stderr, "stravol: --segmentation goes with a volume file; ignored\n");
            fenetre.ouvrirQuandVisible(entree.chemin);
        } else if (QFileInfo(entree.chemin).isFile()) {
            fenetre.ouvrirFichiersQuandVisible(QStringList{entree.chemin} + entree.segmentations);
        } else {
            std::fprintf(stderr, "stravol: %s is neither a folder nor a file\n",
                         qPrintable(entree.chemin));
            fenetre.ouvrirQuandVisible(entree.chemin);
        }
    }
    if (demarrage)
        demarrage(fenetre);
    return application.exec();
}

} // namespace Stravol
