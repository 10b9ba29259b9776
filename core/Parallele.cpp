#include "core/Parallele.h"

#include <omp.h>

#include <atomic>

namespace Stravol {

namespace {
std::atomic<int> demandes{0};
// Size of the last team preparerThreads started.
std::atomic<int> equipePreparee{1};
} // namespace

void definirNbThreads(int n) {
    demandes.store(n > 0 ? n : 0);
    preparerThreads();
}

int nbThreads() {
    const int n = demandes.load();
    if (n > 0)
        return n;
    const int processeurs = omp_get_num_procs();
    return processeurs > 0 ? processeurs : 1;
}

int nbThreadsPour(std::size_t n) {
    return n >= static_cast<std::size_t>(kSeuilParallele) ? nbThreads() : 1;
}

void preparerThreads() {
    const int n = nbThreads();
    if (n <= 1)
        return;
        // The runtime keeps a team's threads for the next parallel region of this thread. The
        // region stores the team's size: an empty one would be compiled away.
#pragma omp parallel num_threads(n)
    if (omp_get_thread_num() == 0)
        equipePreparee.store(omp_get_num_threads());
}

} // namespace Stravol
