#pragma once
// The volume's progress and message sinks bound to the window's progress bar and message boxes.

#include "core/Message.h"

#include <functional>
#include <string>

class QProgressBar;

namespace Stravol {

// Drives a progress bar. Loading runs inside a handler and the event loop does not turn
// meanwhile: the bar is repainted at once when it is reset, and the toolkit's own setValue
// repaints it at once whenever the change shows (a new percentage or a chunk of the bar), not
// at each of the values, one a slice. A maximum of 0 shows an empty bar (not the toolkit's busy
// indicator); values are clamped to the range.
class BarreProgressionQt : public ProgressSink {
public:
    explicit BarreProgressionQt(QProgressBar* barre) : barre_(barre) {}
    void setMaximum(int maximum) override;
    void setValue(int valeur) override;

private:
    QProgressBar* barre_;
};

// Hands every message to a function (the window shows it in a message box).
class BoiteMessagesQt : public MessageSink {
public:
    explicit BoiteMessagesQt(std::function<void(const std::string&)> afficheur)
        : afficheur_(std::move(afficheur)) {}
    void afficher(const std::string& texte) override {
        if (afficheur_)
            afficheur_(texte);
    }

private:
    std::function<void(const std::string&)> afficheur_;
};

} // namespace Stravol
