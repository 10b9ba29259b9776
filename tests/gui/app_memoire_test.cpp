// The window when memory runs out: a load or an extraction that cannot get its memory shows
// the message, keeps the open volume, its view and its mesh, and the window goes on working.
// The process's address space is limited around the one action under test.

#include "AppFenetre.h"

#include "helpers/bmp_rle.h"
#include "helpers/limites.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/CImageTroisD.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>

#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

using Stravol::CImageTroisD;
using Stravol::COpenGL;
using testapp::WindowTest;

namespace {

using testlimites::kLimitePossible;

constexpr rlim_t kMio = rlim_t(1) << 20;

// Address space the process maps now, in bytes.
rlim_t espaceUtilise() {
    std::ifstream statut("/proc/self/status");
    std::string ligne;
    while (std::getline(statut, ligne))
        if (ligne.rfind("VmSize:", 0) == 0)
            return static_cast<rlim_t>(std::stoull(ligne.substr(7))) * 1024;
    return 0;
}

// While it lives, the process may map only marge bytes more than it maps now.
class LimiteMemoire {
public:
    explicit LimiteMemoire(rlim_t marge) {
        getrlimit(RLIMIT_AS, &avant_);
        rlimit limite = avant_;
        limite.rlim_cur = espaceUtilise() + marge;
        setrlimit(RLIMIT_AS, &limite);
    }
    ~LimiteMemoire() { setrlimit(RLIMIT_AS, &avant_); }
    LimiteMemoire(const LimiteMemoire&) = delete;
    LimiteMemoire& operator=(const LimiteMemoire&) = delete;

private:
    rlimit avant_{};
};

bool ditMemoireInsuffisante(const std::string& texte) {
    return texte.find("Mémoire insuffisante") != std::string::npos;
}

// A ball of grey 200 (radius 26, centred at (32, 32, 32)) and a small box of grey 150 in a
// corner, in a 64 x 64 x 64 volume of 0.
unsigned char grisBouleEtBoite(int x, int y, int z) {
    if (x < 4 && y < 4 && z < 4)
        return 150;
    const int dx = x - 32, dy = y - 32, dz = z - 32;
    return dx * dx + dy * dy + dz * dz <= 26 * 26 ? 200 : 0;
}

class WindowOutOfMemory : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (!kLimitePossible)
            GTEST_SKIP() << "address-space limits do not work under the address sanitizer";
        const std::string dossier = temp / "boule";
        testapp::ecrireVolume(dossier, "volume", 64, 64, 64, grisBouleEtBoite);
        ouvrirParMenu(dossier);
        ASSERT_NE(fenetre->volume(), nullptr);
        // The ball once without a limit: every worker thread then holds its memory pool, which
        // a thread's first allocation would otherwise map inside a limited extraction, where a
        // worker's failure cannot reach the extraction's handler.
        extraire(32, 32, 32);
        // The box: a mesh of a few voxels.
        extraire(1, 1, 1);
        ASSERT_NE(fenetre->volume()->maillage, nullptr);
        ASSERT_TRUE(messages.empty());
    }

    // "Extraire région", then a click on the voxel (x, y) of the Z cut z. With a margin, the
    // extraction itself may map only that many bytes more than the process maps when it starts:
    // the cut, the redraw and the event loop around it are the toolkit's and the GL driver's,
    // whose own failures this test is not about.
    void extraire(int x, int y, int z, std::optional<rlim_t> marge = std::nullopt) {
        ihm.trackBarZ->setValue(z);
        ihm.extraireRegionToolStripMenuItem->trigger();
        QApplication::processEvents();
        Stravol::ControleurExtraction& controleur = fenetre->extraction();
        controleur.executerExtraction = [marge](const std::function<void()>& extraction) {
            std::optional<LimiteMemoire> limite;
            if (marge)
                limite.emplace(*marge);
            extraction();
        };
        QTest::mouseClick(
            ihm.pictureBox1, Qt::LeftButton, {},
            QPoint(x * ihm.pictureBox1->width() / 64 + 1, y * ihm.pictureBox1->height() / 64 + 1));
        controleur.executerExtraction = nullptr;
        QApplication::processEvents();
    }

    // What the window shows: volume, view and mesh.
    struct Etat {
        const CImageTroisD* volume;
        const COpenGL* vue;
        const CMaillageTriangleChRegion* maillage;
    };
    Etat etat() const {
        return {fenetre->volume(), fenetre->vue(),
                fenetre->volume() ? fenetre->volume()->maillage.get() : nullptr};
    }
    void verifierGarde(const Etat& avant) const {
        EXPECT_EQ(fenetre->volume(), avant.volume);
        EXPECT_EQ(fenetre->vue(), avant.vue);
        ASSERT_NE(fenetre->volume(), nullptr);
        EXPECT_EQ(fenetre->volume()->maillage.get(), avant.maillage);
        ASSERT_NE(fenetre->vue(), nullptr);
        EXPECT_EQ(fenetre->vue()->maillage, avant.maillage);
        EXPECT_TRUE(ihm.BoxCommande->isEnabled());
        EXPECT_TRUE(ihm.exporterToolStripMenuItem->isEnabled());
        EXPECT_TRUE(ihm.fermerToolStripMenuItem->isEnabled());
    }
};

// One 8192 x 8192 slice, half a megabyte on disk (run-length coded), 64 MiB a copy in memory.
TEST_F(WindowOutOfMemory, ASliceTooLargeForTheMemoryKeepsTheOpenVolume) {
    const std::string grande = temp / "grande";
    std::filesystem::create_directories(grande + "/volume");
    constexpr int kCote = 8192;
    ecrireOctets(grande + "/volume/0000.bmp",
                 bmpRleFait(kCote, kCote, 8, OctetsTest(static_cast<std::size_t>(kCote) * kCote, 0),
                            {90, 90, 90, 0}));
    const Etat avant = etat();
    {
        LimiteMemoire limite(96 * kMio);
        ouvrirParMenu(grande);
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(ditMemoireInsuffisante(messages[0])) << messages[0];
    ASSERT_NO_FATAL_FAILURE(verifierGarde(avant));

    // The window goes on: the open volume extracts, and another folder opens.
    messages.clear();
    extraire(32, 32, 32);
    EXPECT_NE(fenetre->volume()->maillage.get(), avant.maillage);
    EXPECT_EQ(fenetre->volume()->bilanExtraction.valeurGerme, 200);
    const std::string petit = temp / "petit";
    testapp::ecrireVolume(petit, "volume", 8, 8, 2, [](int, int, int) { return 100; });
    ouvrirParMenu(petit);
    ASSERT_NE(fenetre->volume(), nullptr);
    EXPECT_NE(fenetre->volume(), avant.volume);
    EXPECT_EQ(fenetre->volume()->largeur, 8);
    EXPECT_EQ(fenetre->volume()->maillage, nullptr);
    EXPECT_FALSE(ihm.checkBoxMaillage->isVisible());
    EXPECT_TRUE(messages.empty());
}

// Limits from nothing upwards: each extraction of the ball either succeeds or says memory ran
// out and keeps the previous mesh; the smallest limit does run out.
TEST_F(WindowOutOfMemory, AnExtractionWithoutMemoryKeepsThePreviousMesh) {
    int epuisees = 0;
    for (rlim_t marge : {rlim_t(0), kMio, 4 * kMio, 16 * kMio, 64 * kMio}) {
        messages.clear();
        const Etat avant = etat();
        extraire(32, 32, 32, marge);
        if (fenetre->volume()->maillage.get() != avant.maillage) {
            EXPECT_TRUE(messages.empty()) << marge / kMio << " MiB";
            EXPECT_TRUE(fenetre->volume()->bilanExtraction.effectuee);
            continue;
        }
        ++epuisees;
        ASSERT_EQ(messages.size(), 1u) << marge / kMio << " MiB";
        EXPECT_TRUE(ditMemoireInsuffisante(messages[0])) << messages[0];
        ASSERT_NO_FATAL_FAILURE(verifierGarde(avant));
        EXPECT_TRUE(ihm.checkBoxMaillage->isVisible());
    }
    EXPECT_GT(epuisees, 0);

    // With its memory back, the window extracts the ball.
    messages.clear();
    extraire(32, 32, 32);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(fenetre->volume()->bilanExtraction.effectuee);
    EXPECT_EQ(fenetre->volume()->bilanExtraction.valeurGerme, 200);
}

} // namespace
