#include "core/RepartitionParThread.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

using namespace Stravol;

// Elements with no entry, one, or two in different cases, runs of one case and scattered ones:
// every case holds its entries in the elements' order, as one loop puts them, for any thread
// count and on both sides of the threshold of the threads.
TEST(RepartitionParThread, StableCasesForAnyThreadCount) {
    std::mt19937 alea(5);
    constexpr std::size_t kCases = 300;
    for (const std::size_t n : {std::size_t{0}, std::size_t{50}, std::size_t{90000}}) {
        std::vector<std::uint32_t> premiers(n), seconds(n);
        for (std::size_t i = 0; i < n; ++i) {
            premiers[i] = i % 7000 < 4000 ? static_cast<std::uint32_t>(alea() % kCases) : 3;
            seconds[i] = static_cast<std::uint32_t>(alea() % (2 * kCases)); // half in no case
        }
        const auto lister = [&](std::size_t i, const auto& poser) {
            poser(premiers[i], static_cast<std::uint32_t>(i));
            if (seconds[i] < kCases && seconds[i] != premiers[i])
                poser(seconds[i], static_cast<std::uint32_t>(i) | 0x80000000u);
        };
        std::vector<std::vector<std::uint32_t>> attendus(kCases);
        for (std::size_t i = 0; i < n; ++i)
            lister(i, [&](std::size_t c, std::uint32_t e) { attendus[c].push_back(e); });
        for (const int threads : {1, 2, 3}) {
            SCOPED_TRACE(std::to_string(n) + " elements, " + std::to_string(threads) + " threads");
            definirNbThreads(threads);
            std::vector<std::uint32_t> debuts, entrees;
            repartirParThread(n, kCases, lister, debuts, entrees);
            ASSERT_EQ(debuts.size(), kCases + 1);
            ASSERT_EQ(debuts.back(), entrees.size());
            for (std::size_t c = 0; c < kCases; ++c)
                ASSERT_EQ(std::vector<std::uint32_t>(entrees.begin() + debuts[c],
                                                     entrees.begin() + debuts[c + 1]),
                          attendus[c])
                    << "case " << c;
        }
    }
    definirNbThreads(0);
}
