#include "core/Message.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

QuestionHook& crochetQuestion() {
    static QuestionHook crochet;
    return crochet;
}

} // namespace

void Message(const char* texte) {
    if (std::getenv("STRAVOL_DEBUG") != nullptr) {
        std::fprintf(stderr, "%s\n", texte ? texte : "");
    }
}

void Message(const Chaine& texte) { Message(texte.c_str()); }

bool Question(const char* texte) {
    const char* t = texte ? texte : "";
    if (const QuestionHook& crochet = crochetQuestion()) {
        return crochet(t, "Erreur");
    }
    std::fprintf(stderr, "Erreur : %s\n", t);
    return true;
}

bool Question(const Chaine& texte) { return Question(texte.c_str()); }

void setQuestionHook(QuestionHook hook) { crochetQuestion() = std::move(hook); }
