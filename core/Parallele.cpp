#include "core/Parallele.h"

#include <omp.h>

#include <atomic>

namespace Stravol {

namespace {
std::atomic<int> demandes{0};
} // namespace

void definirNbThreads(int n) { demandes.store(n > 0 ? n : 0); }

int nbThreads() {
    const int n = demandes.load();
    if (n > 0)
        return n;
    const int processeurs = omp_get_num_procs();
    return processeurs > 0 ? processeurs : 1;
}

} // namespace Stravol
