#include "app/Reaction.h"

#include <QAction>

#include <utility>

namespace Stravol {

Reaction::Reaction(QAction* action, std::function<void(bool coche)> declencher)
    : QObject(action), action_(action) {
    connect(action, &QAction::triggered, this, [declencher = std::move(declencher)](bool coche) {
        if (declencher)
            declencher(coche);
    });
}

Reaction* Reaction::disponibleSi(std::function<bool()> condition) {
    condition_ = std::move(condition);
    majDisponibilite();
    return this;
}

void Reaction::majDisponibilite() {
    if (condition_)
        action_->setEnabled(condition_());
}

} // namespace Stravol
