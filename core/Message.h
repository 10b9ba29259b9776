// The computation's one channel to the user and to the process: diagnostics, the yes/no
// question of the consistency checks, error and progress receivers of long operations, and
// the one way the computation ends the process.
#pragma once

#include "core/Chaine.h"

#include <functional>
#include <string>

// Diagnostics of the computation code. Discarded, unless the environment variable
// STRAVOL_DEBUG is set: then the text and a newline go to stderr.
void Message(const char* texte);
void Message(const Chaine& texte);

// Answers a yes/no question; the GUI shows it in a box titled "Erreur". Returns true for yes.
// Without a hook the question is printed to stderr and answered yes.
bool Question(const char* texte);
bool Question(const Chaine& texte);

// The low 32 bits of an address, as diagnostics print a vertex or triangle ("%08x").
unsigned int adresse(const void* p);

using QuestionHook = std::function<bool(const char* texte, const char* titre)>;
// Installs the function that asks the question; an empty hook restores the default.
void setQuestionHook(QuestionHook hook);

// Exit status of a process stopped on a mesh it cannot repair, or quit from the menu.
constexpr int kStatutArret = -1;

// Ends the process with `statut`: the hook runs first (the window releases its view, a tool
// says why it stops), then the process exits through std::exit. Never returns, even when the
// hook does.
[[noreturn]] void finirProcessus(int statut);

using FinHook = std::function<void(int statut)>;
// Installs what runs before the process ends; an empty hook restores the default (nothing).
void setFinHook(FinHook hook);

// Progress of a long operation: the maximum is set first, then the value runs from 0
// towards it (one step per slice or texture). The window binds its progress bar, the tools
// their --progress lines, tests collect the values.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setMaximum(int maximum) = 0;
    virtual void setValue(int valeur) = 0;
};

// Error messages meant for the user: message boxes in the window, stderr in the tools. They
// are shown whatever STRAVOL_DEBUG says.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void afficher(const std::string& texte) = 0;
};
