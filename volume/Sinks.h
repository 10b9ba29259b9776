#pragma once
// Toolkit-free receivers of the loaded volume's progress and error messages.
// The window binds them to its progress bar and message boxes; tests collect them.

#include <string>

// Progress of a long operation: the maximum is set first, then the value runs from 0
// towards it (one step per slice or texture).
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setMaximum(int maximum) = 0;
    virtual void setValue(int valeur) = 0;
};

// Error messages meant for the user (shown in a message box by the window).
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void afficher(const std::string& texte) = 0;
};
