// Opening a parent folder in the window, as a user does, in a fresh process: prints one JSON
// line with the seconds the opening took (reading, textures, view), the seconds until the first
// frame with the volume is drawn, and the process's peak resident memory. Run under a display,
// e.g. scripts/with-xvfb build/app/ouverture_fenetre FOLDER.
#include "app/Form1.h"
#include "view/COpenGL.h"

#include <QApplication>
#include <QTest>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr double kKioParMio = 1024.0;

double secondesDepuis(std::chrono::steady_clock::time_point debut) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ouverture_fenetre FOLDER\n");
        return 2;
    }
    QApplication application(argc, argv);
    Stravol::Form1 fenetre;
    fenetre.show();
    if (!QTest::qWaitForWindowExposed(&fenetre)) {
        std::fprintf(stderr, "ouverture_fenetre: the window was never shown\n");
        return 1;
    }
    const auto debut = std::chrono::steady_clock::now();
    if (!fenetre.ouvrirDossier(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "ouverture_fenetre: %s gave no volume\n", argv[1]);
        return 1;
    }
    const double ouverture = secondesDepuis(debut);
    QApplication::processEvents();
    if (fenetre.vue() == nullptr) {
        std::fprintf(stderr, "ouverture_fenetre: no 3D view after the opening\n");
        return 1;
    }
    fenetre.vue()->capturerImage();
    const double premiereImage = secondesDepuis(debut);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("{\"seconds\": {\"open\": %.6f, \"first_frame\": %.6f}, \"peak_rss_mb\": %.1f}\n",
                ouverture, premiereImage, static_cast<double>(usage.ru_maxrss) / kKioParMio);
    return 0;
}
