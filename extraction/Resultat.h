#pragma once
// The one way the headless use cases fail: a result holds either its value or the reason,
// in words for the user. The window shows the reason, the tools print it and exit with
// status 2.

#include <string>
#include <utility>
#include <variant>

namespace Stravol {

struct Echec {
    std::string raison;
    // Memory ran out: the request itself may be sound.
    bool memoire = false;
};

template <class T> class Resultat {
public:
    Resultat(T valeur) : contenu_(std::move(valeur)) {}
    Resultat(Echec echec) : contenu_(std::move(echec)) {}

    bool reussi() const { return contenu_.index() == 0; }
    explicit operator bool() const { return reussi(); }
    // Only on a result that succeeded.
    T& valeur() { return std::get<0>(contenu_); }
    const T& valeur() const { return std::get<0>(contenu_); }
    // Only on a result that failed.
    const std::string& raison() const { return std::get<1>(contenu_).raison; }
    bool manqueMemoire() const { return std::get<1>(contenu_).memoire; }

private:
    std::variant<T, Echec> contenu_;
};

} // namespace Stravol
