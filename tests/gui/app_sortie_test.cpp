// Exit status of the program: the whole run (toolkit, window, a folder given on the command line,
// event loop) goes on in a child process started afresh from this executable.

#include "app/Form1.h"
#include "app/Lancement.h"
#include "helpers/slices.h"
#include "volume/CImageTroisD.h"

#include <QAction>
#include <QLabel>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Runs the program on a phantom folder given as its argument, then does fin once the folder
// is open. A run that did not open the folder ends with 3. Settings go beside the folder.
int lancerPuis(const std::string& dossier, void (*fin)(Stravol::Form1&)) {
    static std::string nom = "stravol";
    static std::string argument;
    argument = dossier;
    static char* argv[] = {nom.data(), nullptr, nullptr};
    argv[1] = argument.data();
    static int argc = 2;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(dossier + "-config"));
    return Stravol::lancerStravol(argc, argv, [fin](Stravol::Form1& f) {
        QObject::connect(
            &f, &Stravol::Form1::ouvertureTerminee, &f,
            [&f, fin](bool ouvert) {
                if (!ouvert || f.volume() == nullptr || f.vue() == nullptr)
                    std::_Exit(3);
                fin(f);
            },
            Qt::QueuedConnection);
    });
}

// The menu item of f named nom.
QAction* item(const Stravol::Form1& f, const char* nom) { return f.findChild<QAction*>(nom); }

// The status main returns after the loop, handed to the system without the exit handlers:
// the leak checker of the sanitizer build would otherwise report allocations of the graphics
// drivers that the toolkit has unloaded by then, and cannot name.
[[noreturn]] void terminer(int statut) { std::_Exit(statut); }

class ExitStatus : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
    DossierTemporaire temp;
};

} // namespace

TEST_F(ExitStatus, QuitEndsWithMinusOne) {
    const std::string dossier = fantomeEcrit(temp, "fantome", 24, 20, 12);
    EXPECT_EXIT(
        lancerPuis(dossier,
                   [](Stravol::Form1& f) { item(f, "quitterToolStripMenuItem")->trigger(); }),
        ::testing::ExitedWithCode(255), "");
}

TEST_F(ExitStatus, ClosingTheWindowReturnsZero) {
    const std::string dossier = fantomeEcrit(temp, "fantome", 24, 20, 12);
    EXPECT_EXIT(terminer(lancerPuis(dossier, [](Stravol::Form1& f) { f.close(); })),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(ExitStatus, ClosingAfterAnExtractionReturnsZero) {
    const std::string dossier = fantomeEcrit(temp, "fantome", 24, 20, 12);
    EXPECT_EXIT(terminer(lancerPuis(dossier,
                                    [](Stravol::Form1& f) {
                                        item(f, "extraireRegionToolStripMenuItem")->trigger();
                                        QTest::mouseClick(f.findChild<QLabel*>("pictureBox1"),
                                                          Qt::LeftButton, {}, QPoint(128, 128));
                                        if (f.volume()->maillage == nullptr)
                                            std::_Exit(4);
                                        f.close();
                                    })),
                ::testing::ExitedWithCode(0), "");
}
