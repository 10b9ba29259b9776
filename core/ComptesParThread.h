#pragma once
// Counts over many elements on all threads: each thread counts its share in a table of its own,
// and the tables are added after. The counts are whole numbers: the same for any thread count.

#include <cstddef>
#include <omp.h>
#include <vector>

#include "core/Parallele.h"

namespace Stravol {

// comptes[c] for c in [0, taille): how many i in [0, n) have caseDe(i) == c; a case of taille or
// more counts nowhere. The tables are made before the threads start, where running out of memory
// can be reported.
template <class Case>
std::vector<std::size_t> compterParThread(std::size_t n, std::size_t taille, const Case& caseDe) {
    const int threads = nbThreadsPour(n);
    std::vector<std::vector<std::size_t>> parThread(static_cast<std::size_t>(threads),
                                                    std::vector<std::size_t>(taille, 0));
    const auto nb = static_cast<std::ptrdiff_t>(n);
#pragma omp parallel num_threads(threads)
    {
        std::vector<std::size_t>& compte =
            parThread[static_cast<std::size_t>(omp_get_thread_num())];
#pragma omp for schedule(static)
        for (std::ptrdiff_t i = 0; i < nb; ++i)
            if (const std::size_t c = caseDe(static_cast<std::size_t>(i)); c < taille)
                ++compte[c];
    }
    std::vector<std::size_t> total = std::move(parThread[0]);
    for (std::size_t t = 1; t < parThread.size(); ++t)
        for (std::size_t c = 0; c < taille; ++c)
            total[c] += parThread[t][c];
    return total;
}

} // namespace Stravol
