#include "core/ComptesParThread.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "core/Parallele.h"

using namespace Stravol;

// Counts of runs and scattered values, cases out of range skipped: the same as one loop gives,
// for any thread count and on both sides of the threshold of the threads.
TEST(ComptesParThread, TheSameCountsAsOneLoopForAnyThreadCount) {
    std::mt19937 alea(7);
    for (const std::size_t n : {std::size_t{0}, std::size_t{100}, std::size_t{70000}}) {
        std::vector<std::uint16_t> valeurs(n);
        for (std::size_t i = 0; i < n; ++i)
            valeurs[i] = static_cast<std::uint16_t>(i % 5000 < 3000 ? alea() % 40 : 7);
        constexpr std::size_t kTaille = 32; // values 32 to 39 fall in no case
        std::vector<std::size_t> attendus(kTaille, 0);
        for (const std::uint16_t v : valeurs)
            if (v < kTaille)
                ++attendus[v];
        for (const int threads : {1, 2, 3}) {
            SCOPED_TRACE(std::to_string(n) + " values, " + std::to_string(threads) + " threads");
            definirNbThreads(threads);
            EXPECT_EQ(compterParThread(n, kTaille,
                                       [&](std::size_t i) { return std::size_t{valeurs[i]}; }),
                      attendus);
        }
    }
    definirNbThreads(0);
}
