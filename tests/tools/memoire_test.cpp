// The tools under an address-space limit: whatever stage memory runs out in (loading, growth,
// topology repair, mesh), the tool ends with status 2 and says so; it never aborts.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "helpers/limites.h"
#include "helpers/slices.h"

namespace {

using testlimites::kLimitePossible;

struct Issue {
    int statut = -1; // exit status, or -1 when a signal ended the tool
    std::string erreurs;
};

// Runs a tool with its address space limited to mo MiB, its output discarded, its error
// output kept.
Issue lancerSousLimite(const std::vector<std::string>& arguments, long mo) {
    int tube[2];
    Issue issue;
    if (pipe(tube) != 0)
        return issue;
    const pid_t enfant = fork();
    if (enfant == 0) {
        const rlimit limite{static_cast<rlim_t>(mo) << 20, static_cast<rlim_t>(mo) << 20};
        setrlimit(RLIMIT_AS, &limite);
        const int nul = open("/dev/null", O_WRONLY);
        dup2(nul, STDOUT_FILENO);
        dup2(tube[1], STDERR_FILENO);
        close(tube[0]);
        std::vector<char*> argv;
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(tube[1]);
    char tampon[4096];
    ssize_t n;
    while ((n = read(tube[0], tampon, sizeof tampon)) > 0)
        issue.erreurs.append(tampon, static_cast<std::size_t>(n));
    close(tube[0]);
    int s = 0;
    waitpid(enfant, &s, 0);
    issue.statut = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return issue;
}

bool ditMemoireEpuisee(const std::string& texte) {
    return texte.find("out of memory") != std::string::npos ||
           texte.find("not enough memory") != std::string::npos ||
           texte.find("Mémoire insuffisante") != std::string::npos;
}

// Runs the extraction of the folder under limits from bas to haut MiB: each run succeeds or
// ends with status 2 saying memory ran out, and the lowest limit does run out.
void extraireSousLimites(const std::string& dossier, const std::vector<std::string>& germe,
                         long bas, long haut, long pas) {
    std::vector<std::string> arguments = {
        STRAVOL_TOOLS_DIR "/stravol-extract", dossier, "--threads", "1", "--smooth", "1", "--seed"};
    arguments.insert(arguments.end(), germe.begin(), germe.end());
    int epuisees = 0;
    for (long mo = bas; mo <= haut; mo += pas) {
        const Issue issue = lancerSousLimite(arguments, mo);
        ASSERT_NE(issue.statut, -1) << mo << " MiB: " << issue.erreurs;
        if (issue.statut == 0)
            continue;
        EXPECT_EQ(issue.statut, 2) << mo << " MiB: " << issue.erreurs;
        EXPECT_TRUE(ditMemoireEpuisee(issue.erreurs)) << mo << " MiB: " << issue.erreurs;
        ++epuisees;
    }
    EXPECT_GT(epuisees, 0);
}

TEST(ToolsOutOfMemory, ExtractionOfALargeBallEndsWithAMessage) {
    if (!kLimitePossible)
        GTEST_SKIP() << "address-space limits do not work under the address sanitizer";
    DossierTemporaire tmp;
    const std::string dossier = tmp / "boule";
    ASSERT_EQ(lancerSousLimite({STRAVOL_TOOLS_DIR "/stravol-phantom", dossier, "--size", "160",
                                "160", "160", "--ball", "60"},
                               4096)
                  .statut,
              0);
    extraireSousLimites(dossier, {"80", "80", "80"}, 24, 208, 8);
}

// Every voxel of a checkerboard touches its neighbours of the same value along edges only:
// the topology repair adds voxels in large numbers.
TEST(ToolsOutOfMemory, RepairOfACheckerboardEndsWithAMessage) {
    if (!kLimitePossible)
        GTEST_SKIP() << "address-space limits do not work under the address sanitizer";
    DossierTemporaire tmp;
    const std::string volume = sousDossier(tmp, "1-damier");
    constexpr int kCote = 64;
    for (int z = 0; z < kCote; ++z) {
        PixelsRGB coupe(kCote, kCote);
        for (int y = 0; y < kCote; ++y)
            for (int x = 0; x < kCote; ++x) {
                const unsigned char v = (x + y + z) % 2 == 0 ? 200 : 50;
                coupe.fixer(x, y, v, v, v);
            }
        char nom[32];
        std::snprintf(nom, sizeof nom, "/%04d.bmp", z);
        ASSERT_TRUE(ecrireBMP(volume + nom, coupe));
    }
    extraireSousLimites(tmp.chemin(), {"2", "1", "1"}, 48, 176, 32);
}

// One slice whose picture is small on disk and large in memory: the volume, its cut picture
// and the decoded picture do not all fit.
TEST(ToolsOutOfMemory, LoadingOfALargeSliceEndsWithAMessage) {
    if (!kLimitePossible)
        GTEST_SKIP() << "address-space limits do not work under the address sanitizer";
    DossierTemporaire tmp;
    const std::string volume = sousDossier(tmp, "1-grande");
    ASSERT_TRUE(ecrireBMP(volume + "/0000.bmp", imageUnie(4096, 2048, 100)));
    extraireSousLimites(tmp.chemin(), {"1", "1", "0"}, 48, 144, 16);
}

} // namespace
