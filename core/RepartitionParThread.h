#pragma once
// Entries sorted into numbered cases on all threads, stably: a counting sort whose threads each
// take one stretch of the elements, count its entries case by case, then write them from the
// place the stretches before theirs leave. Each case gets its entries in the elements' order:
// the same for any thread count.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Parallele.h"

namespace Stravol {

// For each i in [0, n), lister(i, poser) calls poser(c, entree) for each entry of element i that
// goes to case c (c < taille). debuts (taille + 1): case c holds entrees[debuts[c] ..
// debuts[c + 1]), in the order of the elements and of the calls for one element. Memory is taken
// outside the threads, where running out of it can be reported; entrees (a vector, or a
// TableauBrut whose pages the threads touch first) is written whole.
template <class Liste, class Lister>
void repartirParThread(std::size_t n, std::size_t taille, const Lister& lister,
                       std::vector<std::uint32_t>& debuts, Liste& entrees) {
    using Entree = typename Liste::value_type;
    const auto parts = static_cast<std::ptrdiff_t>(nbThreadsPour(n));
    // The entries of each stretch by case, then where its next entry of each case goes.
    std::vector<std::vector<std::uint32_t>> places(static_cast<std::size_t>(parts),
                                                   std::vector<std::uint32_t>(taille, 0));
    // faire(places of its stretch, i) for every element, each stretch on a thread of its own.
    const auto parTranche = [&](const auto& faire) {
#pragma omp parallel for num_threads(parts) schedule(static, 1)
        for (std::ptrdiff_t p = 0; p < parts; ++p) {
            const auto k = static_cast<std::size_t>(p), nb = static_cast<std::size_t>(parts);
            for (std::size_t i = n * k / nb; i < n * (k + 1) / nb; ++i)
                faire(places[k], i);
        }
    };
    parTranche([&lister](std::vector<std::uint32_t>& compte, std::size_t i) {
        lister(i, [&compte](std::size_t c, const Entree&) { ++compte[c]; });
    });
    debuts.assign(taille + 1, 0);
    std::uint32_t total = 0;
    for (std::size_t c = 0; c < taille; ++c) {
        for (std::vector<std::uint32_t>& place : places) {
            const std::uint32_t nb = place[c];
            place[c] = total;
            total += nb;
        }
        debuts[c + 1] = total;
    }
    entrees.resize(total);
    parTranche([&](std::vector<std::uint32_t>& place, std::size_t i) {
        lister(i, [&](std::size_t c, const Entree& e) { entrees[place[c]++] = e; });
    });
}

} // namespace Stravol
