#include "core/Message.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

QuestionHook& crochetQuestion() {
    static QuestionHook crochet;
    return crochet;
}

FinHook& crochetFin() {
    static FinHook crochet;
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

unsigned int adresse(const void* p) {
    return static_cast<unsigned int>(reinterpret_cast<std::uintptr_t>(p));
}

void setQuestionHook(QuestionHook hook) { crochetQuestion() = std::move(hook); }

void finirProcessus(int statut) {
    // Taken out first: a hook that ends up here again does not run twice.
    const FinHook crochet = std::exchange(crochetFin(), FinHook());
    if (crochet)
        crochet(statut);
    std::exit(statut);
}

void setFinHook(FinHook hook) { crochetFin() = std::move(hook); }
