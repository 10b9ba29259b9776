#include "core/NumerosCles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>
#include <vector>

using namespace Stravol;

// Keys numbered in order of first coming, as a map filled in the same order numbers them,
// across many doublings of the table, with the keys at both ends of the range and keys that
// collide in the table's low bits.
TEST(NumerosCles, NumbersKeysInOrderOfFirstComing) {
    std::mt19937 alea(11);
    std::vector<std::uint32_t> cles = {0u, 0xffffffffu, 0u, 0xfffffffeu};
    for (std::uint32_t k = 0; k < 5000; ++k)
        cles.push_back(k << 20); // the same low bits
    for (int k = 0; k < 50000; ++k)
        cles.push_back(static_cast<std::uint32_t>(alea() % 20000) << 16 | (alea() % 3));
    NumerosCles numeros;
    std::unordered_map<std::uint32_t, std::uint32_t> attendus;
    for (const std::uint32_t cle : cles) {
        const auto [it, nouveau] =
            attendus.emplace(cle, static_cast<std::uint32_t>(attendus.size()));
        const auto [numero, nouvelle] = numeros.numero(cle);
        ASSERT_EQ(numero, it->second) << cle;
        ASSERT_EQ(nouvelle, nouveau) << cle;
    }
    EXPECT_EQ(numeros.taille(), attendus.size());
}
