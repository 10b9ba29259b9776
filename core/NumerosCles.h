#pragma once
// Numbers 32-bit keys in the order they first come (pairs of labels, say): an open-addressing
// table with linear probing, kept at most half full. A lookup costs a few loads in a table that
// stays in the cache, where a node-based map costs an allocation and a pointer chase.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace Stravol {

class NumerosCles {
public:
    // The number of cle (0, 1, ... in order of first coming) and whether it came first now.
    std::pair<std::uint32_t, bool> numero(std::uint32_t cle);
    std::size_t taille() const { return nb_; }

private:
    void agrandir();

    struct Case {
        std::uint32_t cle = 0;
        std::uint32_t numero = kVide;
    };
    static constexpr std::uint32_t kVide = 0xffffffffu;
    std::vector<Case> cases_; // a power of two, at least twice nb_
    std::size_t nb_ = 0;
};

} // namespace Stravol
