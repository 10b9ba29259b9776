#include "core/NumerosCles.h"

namespace Stravol {

namespace {

constexpr std::size_t kCasesDepart = 1024;

// Spreads the bits of a key over the table's index (the multiplier of Fibonacci hashing).
std::size_t melanger(std::uint32_t cle) {
    return static_cast<std::size_t>((std::uint64_t{cle} * 0x9e3779b97f4a7c15ull) >> 32);
}

} // namespace

std::pair<std::uint32_t, bool> NumerosCles::numero(std::uint32_t cle) {
    if (2 * (nb_ + 1) > cases_.size())
        agrandir();
    const std::size_t masque = cases_.size() - 1;
    for (std::size_t i = melanger(cle) & masque;; i = (i + 1) & masque) {
        Case& c = cases_[i];
        if (c.numero == kVide) {
            c.cle = cle;
            c.numero = static_cast<std::uint32_t>(nb_++);
            return {c.numero, true};
        }
        if (c.cle == cle)
            return {c.numero, false};
    }
}

void NumerosCles::agrandir() {
    std::vector<Case> anciennes(cases_.empty() ? kCasesDepart : 2 * cases_.size());
    anciennes.swap(cases_);
    const std::size_t masque = cases_.size() - 1;
    for (const Case& c : anciennes) {
        if (c.numero == kVide)
            continue;
        std::size_t i = melanger(c.cle) & masque;
        while (cases_[i].numero != kVide)
            i = (i + 1) & masque;
        cases_[i] = c;
    }
}

} // namespace Stravol
