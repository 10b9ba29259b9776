#pragma once
// A mesh's vertex or triangle list as an array, for passes that share it out over threads.

#include <cstddef>
#include <vector>

namespace Stravol {

// The list as an array: the construction's while it holds (construite), else walked from
// premier (nb the expected length).
template <class T>
std::vector<const T*> enTableau(const std::vector<T*>* construite, const T* premier, int nb) {
    if (construite != nullptr)
        return {construite->begin(), construite->end()};
    std::vector<const T*> liste;
    liste.reserve(static_cast<std::size_t>(nb > 0 ? nb : 0));
    for (const T* e = premier; e != nullptr; e = e->suivant)
        liste.push_back(e);
    return liste;
}

} // namespace Stravol
