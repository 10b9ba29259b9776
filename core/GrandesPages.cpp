#include "core/GrandesPages.h"

#include <atomic>
#include <cstdint>

#include <sys/mman.h>

namespace Stravol {

namespace {

constexpr std::uintptr_t kGrandePage = std::uintptr_t{2} << 20;

std::atomic<bool> tableauxEnGrandesPages{true};

} // namespace

void renoncerGrandesPagesTableaux() {
    tableauxEnGrandesPages.store(false, std::memory_order_relaxed);
}

bool grandesPagesTableaux() { return tableauxEnGrandesPages.load(std::memory_order_relaxed); }

void conseillerGrandesPages(void* debut, std::size_t octets, std::size_t seuil) {
#ifdef MADV_HUGEPAGE
    if (debut == nullptr || octets < seuil)
        return;
    const std::uintptr_t d = reinterpret_cast<std::uintptr_t>(debut);
    const std::uintptr_t a = (d + kGrandePage - 1) & ~(kGrandePage - 1);
    const std::uintptr_t b = (d + octets) & ~(kGrandePage - 1);
    if (b > a)
        madvise(reinterpret_cast<void*>(a), b - a, MADV_HUGEPAGE);
#else
    (void)debut;
    (void)octets;
    (void)seuil;
#endif
}

} // namespace Stravol
