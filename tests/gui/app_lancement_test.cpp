// The window started where no display answers: a message and status 2, not an abort.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

// A display number no X server of this machine listens on.
std::string affichageInutilise() {
    for (int n = 90; n < 1000; ++n)
        if (access(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), F_OK) != 0)
            return ":" + std::to_string(n);
    return ":999";
}

TEST(AppLaunch, NoDisplayGivesAMessageAndStatusTwo) {
    const std::string commande = "DISPLAY=" + affichageInutilise() +
                                 " QT_QPA_PLATFORM=xcb '" STRAVOL_TOOLS_DIR
                                 "/../app/stravol' 2>&1 >/dev/null";
    FILE* p = popen(commande.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string sortie;
    char tampon[512];
    std::size_t n;
    while ((n = fread(tampon, 1, sizeof tampon, p)) > 0)
        sortie.append(tampon, n);
    const int s = pclose(p);
    ASSERT_TRUE(WIFEXITED(s)) << sortie;
    EXPECT_EQ(WEXITSTATUS(s), 2) << sortie;
    EXPECT_NE(sortie.find("cannot open the display"), std::string::npos) << sortie;
}

} // namespace
