#include "core/Message.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

TEST(Message, PrintsOnlyWhenDebugIsSet) {
    unsetenv("STRAVOL_DEBUG");
    testing::internal::CaptureStderr();
    Message("silencieux");
    Message(Chaine("aussi"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    setenv("STRAVOL_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    Message("visible");
    Message(Chaine("chaine ") + "suivie");
    Message(Chaine());
    Message(static_cast<const char*>(nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "visible\nchaine suivie\n\n\n");
    unsetenv("STRAVOL_DEBUG");
}

TEST(Message, QuestionUsesTheHookOrAnswersYes) {
    setQuestionHook({});
    testing::internal::CaptureStderr();
    EXPECT_TRUE(Question("Continuer ?"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Continuer ?"), std::string::npos);

    std::string vuTexte, vuTitre;
    setQuestionHook([&](const char* texte, const char* titre) {
        vuTexte = texte;
        vuTitre = titre;
        return false;
    });
    EXPECT_FALSE(Question(Chaine("Sommet incohérent")));
    EXPECT_EQ(vuTexte, "Sommet incohérent");
    EXPECT_EQ(vuTitre, "Erreur");

    setQuestionHook({});
    testing::internal::CaptureStderr();
    EXPECT_TRUE(Question(nullptr));
    testing::internal::GetCapturedStderr();
}

TEST(FinirProcessus, EndsWithTheStatusAfterTheHookOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setFinHook({});
    EXPECT_EXIT(finirProcessus(kStatutArret), ::testing::ExitedWithCode(255), "");
    EXPECT_EXIT(finirProcessus(3), ::testing::ExitedWithCode(3), "");

    // The hook sees the status; ending again from inside it does not run it a second time.
    int appels = 0;
    setFinHook([&appels](int statut) {
        ++appels;
        std::fprintf(stderr, "fin %d appel %d\n", statut, appels);
        finirProcessus(statut + 1);
    });
    EXPECT_EXIT(finirProcessus(4), ::testing::ExitedWithCode(5), "^fin 4 appel 1\n$");

    // A hook that returns still ends the process.
    setFinHook([](int) { std::fprintf(stderr, "liberé\n"); });
    EXPECT_EXIT(finirProcessus(6), ::testing::ExitedWithCode(6), "liberé");
    setFinHook({});
}
