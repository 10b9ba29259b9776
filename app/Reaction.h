#pragma once
// What one menu item does: the behaviour behind an action of the menus, kept apart from the
// menu that shows it.

#include <QObject>

#include <functional>

class QAction;

namespace Stravol {

// Runs declencher at each trigger of its action (with the action's checked state, for a
// checkable one). An item available only at times follows a condition, looked at again at
// each majDisponibilite. A child of its action: it lives as long as the action.
class Reaction : public QObject {
    Q_OBJECT

public:
    Reaction(QAction* action, std::function<void(bool coche)> declencher);

    // From now on the action is enabled exactly while condition holds, as last looked at.
    Reaction* disponibleSi(std::function<bool()> condition);
    void majDisponibilite();
    QAction* action() const { return action_; }

private:
    QAction* action_;
    std::function<bool()> condition_;
};

} // namespace Stravol
