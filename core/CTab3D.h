#pragma once
// Three-dimensional arrays indexed tab[x][y][z], z being the contiguous innermost index.
// The elements sit in one contiguous block, the row pointers in a second and the plane pointers
// in a third, so even large grids take three allocations.
// CTab3DSimple is the refinement for element types copied as raw memory.

#include "core/Tuples.h"

#include <cassert>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

template <class T> class CTab3D {
public:
    int dimX = 0;
    int dimY = 0;
    int dimZ = 0;
    T*** tab = nullptr; // dimX plane pointers, each to dimY row pointers, each to dimZ elements

    CTab3D() = default;
    CTab3D(int x, int y, int z) { init(x, y, z); }
    CTab3D(const CTab3D& autre) {
        if (init(autre.dimX, autre.dimY, autre.dimZ))
            copierElements(autre);
    }
    CTab3D(CTab3D&& autre) noexcept
        : dimX(autre.dimX), dimY(autre.dimY), dimZ(autre.dimZ), tab(autre.tab),
          elementsZeros(autre.elementsZeros) {
        autre.dimX = autre.dimY = autre.dimZ = 0;
        autre.tab = nullptr;
        autre.elementsZeros = false;
    }
    CTab3D& operator=(const CTab3D& autre) {
        if (this == &autre)
            return *this;
        if (!memesDimensions(autre) && !init(autre.dimX, autre.dimY, autre.dimZ))
            return *this;
        copierElements(autre);
        return *this;
    }
    ~CTab3D() { liberer(); }

    // Releases the storage and allocates x * y * z default-constructed elements (plain types are
    // left uninitialised). On failure (no storage, negative extent) the array is left empty
    // with all extents 0 and false is returned.
    bool init(int x, int y, int z) { return allouer(x, y, z, false); }

    // As init, for element types whose default value is all zero bytes: the elements come
    // zeroed from the system, which maps fresh zero pages only when they are first touched, so
    // a large grid of which little is used costs little memory and no time to clear.
    bool initZeros(int x, int y, int z) {
        static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
        return allouer(x, y, z, true);
    }

    void remplir(const T& v) {
        T* e = elements();
        for (std::size_t i = 0, n = nombreElements(); i < n; ++i)
            e[i] = v;
    }

    T**& operator[](int x) {
        assert(x >= 0 && x < dimX);
        return tab[x];
    }
    T** const& operator[](int x) const {
        assert(x >= 0 && x < dimX);
        return tab[x];
    }

    // True when t is a valid (x, y, z) index of this array.
    bool contient(const CTriplet<int>& t) const {
        return t.x >= 0 && t.x < dimX && t.y >= 0 && t.y < dimY && t.z >= 0 && t.z < dimZ;
    }

    // A new array of the same extents holding (v - min) / (max - min), min and max taken over
    // the whole array and the quotient computed in double. A constant array maps to zeros.
    CTab3D normalise() const {
        CTab3D resultat(dimX, dimY, dimZ);
        const std::size_t n = nombreElements();
        if (n == 0 || resultat.nombreElements() != n)
            return resultat;
        const T* e = elements();
        T mini = e[0];
        T maxi = e[0];
        for (std::size_t i = 1; i < n; ++i) {
            if (e[i] < mini)
                mini = e[i];
            if (maxi < e[i])
                maxi = e[i];
        }
        const double etendue = static_cast<double>(maxi) - static_cast<double>(mini);
        T* r = resultat.elements();
        for (std::size_t i = 0; i < n; ++i)
            r[i] = etendue > 0
                       ? static_cast<T>((static_cast<double>(e[i]) - static_cast<double>(mini)) /
                                        etendue)
                       : static_cast<T>(0);
        return resultat;
    }

protected:
    bool memesDimensions(const CTab3D& autre) const {
        return dimX == autre.dimX && dimY == autre.dimY && dimZ == autre.dimZ;
    }

    std::size_t nombreElements() const {
        return static_cast<std::size_t>(dimX) * static_cast<std::size_t>(dimY) *
               static_cast<std::size_t>(dimZ);
    }

    // The contiguous element block, null when the array holds no element.
    T* elements() const { return nombreElements() > 0 ? tab[0][0] : nullptr; }

    void copierElements(const CTab3D& autre) {
        T* d = elements();
        const T* s = autre.elements();
        for (std::size_t i = 0, n = nombreElements(); i < n; ++i)
            d[i] = s[i];
    }

    void liberer() {
        if (tab != nullptr) {
            libererElements(elements(), elementsZeros);
            if (dimY > 0)
                delete[] tab[0];
            delete[] tab;
        }
        tab = nullptr;
        elementsZeros = false;
        dimX = dimY = dimZ = 0;
    }

private:
    bool allouer(int x, int y, int z, bool zeros) {
        liberer();
        if (x < 0 || y < 0 || z < 0)
            return false;
        const std::size_t nbLignes = static_cast<std::size_t>(x) * static_cast<std::size_t>(y);
        const std::size_t nbElements = nbLignes * static_cast<std::size_t>(z);
        if (x == 0) {
            dimY = y;
            dimZ = z;
            return true;
        }
        T*** plans = new (std::nothrow) T**[static_cast<std::size_t>(x)];
        T** lignes = nbLignes > 0 ? new (std::nothrow) T*[nbLignes] : nullptr;
        T* elements = nullptr;
        if (nbElements > 0)
            elements = zeros ? static_cast<T*>(std::calloc(nbElements, sizeof(T)))
                             : new (std::nothrow) T[nbElements];
        if (plans == nullptr || (nbLignes > 0 && lignes == nullptr) ||
            (nbElements > 0 && elements == nullptr)) {
            libererElements(elements, zeros);
            delete[] lignes;
            delete[] plans;
            return false;
        }
        for (std::size_t i = 0; i < nbLignes; ++i)
            lignes[i] = elements != nullptr ? elements + i * static_cast<std::size_t>(z) : nullptr;
        for (int i = 0; i < x; ++i)
            plans[i] = lignes != nullptr
                           ? lignes + static_cast<std::size_t>(i) * static_cast<std::size_t>(y)
                           : nullptr;
        tab = plans;
        elementsZeros = zeros;
        dimX = x;
        dimY = y;
        dimZ = z;
        return true;
    }

    // True when the element block comes from calloc (initZeros) rather than new[].
    bool elementsZeros = false;

    static void libererElements(T* elements, bool zeros) {
        if (zeros)
            std::free(elements);
        else
            delete[] elements;
    }
};

template <class T> class CTab3DSimple : public CTab3D<T> {
public:
    CTab3DSimple() = default;
    CTab3DSimple(int x, int y, int z) : CTab3D<T>(x, y, z) {}
    CTab3DSimple(const CTab3DSimple&) = default;
    CTab3DSimple(CTab3DSimple&&) noexcept = default;

    // Equal extents copy the elements as raw memory into the existing storage; otherwise the
    // storage is replaced by one of the other's extents before copying.
    CTab3DSimple& operator=(const CTab3DSimple& autre) {
        if (this == &autre)
            return *this;
        if (!this->memesDimensions(autre) && !this->init(autre.dimX, autre.dimY, autre.dimZ))
            return *this;
        const std::size_t n = this->nombreElements();
        if (n == 0)
            return *this;
        if constexpr (std::is_trivially_copyable_v<T>)
            std::memcpy(this->elements(), autre.elements(), n * sizeof(T));
        else
            this->copierElements(autre);
        return *this;
    }
};
