// Diagnostic sink and the yes/no question of the consistency checks.
#pragma once

#include "core/Chaine.h"

#include <functional>

// Diagnostics of the computation code. Discarded, unless the environment variable
// STRAVOL_DEBUG is set: then the text and a newline go to stderr.
void Message(const char* texte);
void Message(const Chaine& texte);

// Answers a yes/no question; the GUI shows it in a box titled "Erreur". Returns true for yes.
// Without a hook the question is printed to stderr and answered yes.
bool Question(const char* texte);
bool Question(const Chaine& texte);

using QuestionHook = std::function<bool(const char* texte, const char* titre)>;
// Installs the function that asks the question; an empty hook restores the default.
void setQuestionHook(QuestionHook hook);
