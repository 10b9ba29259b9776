#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace Stravol {

// Asks the system to back the whole 2 MiB pages inside [debut, debut + octets) with large pages
// when the block spans at least seuil bytes: its first touches then map 2 MiB at a time instead
// of 4 KiB, about four times less time a megabyte on these machines. A hint only: where the
// system refuses it, the memory stays as it is.
void conseillerGrandesPages(void* debut, std::size_t octets, std::size_t seuil);

// Blocks that may be touched only in part (the marks of one object in a whole volume) keep
// small pages below this size: a large page zeroes 2 MiB for whatever part of it the first touch
// needs, which a small object would pay for nothing.
inline constexpr std::size_t kOctetsGrandesPages = std::size_t{8} << 20;
// Arrays written whole take large pages from two of them on.
inline constexpr std::size_t kOctetsTableauGrandesPages = std::size_t{4} << 20;

// A process that keeps the memory it frees for its next blocks (the tools) finds its arrays
// already mapped, where the advice only splits the heap's mappings: it asks for none from then on.
void renoncerGrandesPagesTableaux();
bool grandesPagesTableaux();

// Allocator of arrays written whole, with large pages where they are large enough.
template <class T> struct AllocateurGrandesPages : std::allocator<T> {
    template <class U> struct rebind { using other = AllocateurGrandesPages<U>; };
    AllocateurGrandesPages() = default;
    template <class U> AllocateurGrandesPages(const AllocateurGrandesPages<U>&) noexcept {}

    T* allocate(std::size_t n) {
        T* p = std::allocator<T>::allocate(n);
        if (grandesPagesTableaux())
            conseillerGrandesPages(p, n * sizeof(T), kOctetsTableauGrandesPages);
        return p;
    }
};

// A vector whose large blocks take large pages.
template <class T> using TableauGrandesPages = std::vector<T, AllocateurGrandesPages<T>>;

} // namespace Stravol
