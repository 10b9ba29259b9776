#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace Stravol {

// Allocator whose value-initialisation leaves elements default-initialised: a vector resized
// with it takes its memory without writing it. For arrays filled whole right after, so that
// each page is first touched by the thread that fills it rather than by a zeroing pass.
template <class T> struct AllocateurBrut : std::allocator<T> {
    template <class U> struct rebind { using other = AllocateurBrut<U>; };
    AllocateurBrut() = default;
    template <class U> AllocateurBrut(const AllocateurBrut<U>&) noexcept {}

    template <class U> void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// A vector whose resize leaves trivial elements unwritten.
template <class T> using TableauBrut = std::vector<T, AllocateurBrut<T>>;

} // namespace Stravol
