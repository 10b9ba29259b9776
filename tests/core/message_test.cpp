#include "core/Message.h"

#include <gtest/gtest.h>

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
