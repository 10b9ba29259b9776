#pragma once
// Sized array owning its elements; copies are deep.

#include <cassert>
#include <new>
#include <type_traits>

template <class T> class CVecteur {
public:
    T* tab = nullptr; // owned array of taille elements, null when empty
    int taille = 0;

    CVecteur() = default;
    explicit CVecteur(int n) { init(n); }
    CVecteur(const CVecteur& autre) { copier(autre); }
    CVecteur(CVecteur&& autre) noexcept : tab(autre.tab), taille(autre.taille) {
        autre.tab = nullptr;
        autre.taille = 0;
    }
    ~CVecteur() { vider(); }

    // Releases the storage and allocates n default-constructed elements (plain types are
    // left uninitialised). Returns false when no storage could be obtained for n > 0.
    bool init(int n) {
        vider();
        if (n <= 0)
            return n == 0;
        tab = new (std::nothrow) T[static_cast<std::size_t>(n)];
        if (tab == nullptr)
            return false;
        taille = n;
        return true;
    }

    void remplir(const T& v) {
        for (int i = 0; i < taille; ++i)
            tab[i] = v;
    }

    // Out-of-range indices assert; without assertions they reach a per-type spare element
    // instead of memory outside the array.
    T& operator[](int i) {
        assert(i >= 0 && i < taille);
        if (i < 0 || i >= taille) [[unlikely]]
            return horsBornes();
        return tab[i];
    }
    const T& operator[](int i) const { return const_cast<CVecteur&>(*this)[i]; }

    T* tableau() { return tab; }
    const T* tableau() const { return tab; }

    void vider() {
        delete[] tab;
        tab = nullptr;
        taille = 0;
    }

    // Equal sizes reuse the storage; otherwise the storage is replaced by one of the other's size.
    CVecteur& operator=(const CVecteur& autre) {
        if (this == &autre)
            return *this;
        if (taille != autre.taille) {
            vider();
            if (autre.taille > 0) {
                tab = new T[static_cast<std::size_t>(autre.taille)];
                taille = autre.taille;
            }
        }
        for (int i = 0; i < taille; ++i)
            tab[i] = autre.tab[i];
        return *this;
    }

    // Element-wise sum. Throws the int 0 and leaves this vector unchanged when the sizes differ.
    // Float sums are computed in double precision and rounded when stored.
    CVecteur& operator+=(const CVecteur& autre) {
        if (taille != autre.taille)
            throw 0;
        for (int i = 0; i < taille; ++i) {
            if constexpr (std::is_same_v<T, float>)
                tab[i] = static_cast<float>(static_cast<double>(tab[i]) +
                                            static_cast<double>(autre.tab[i]));
            else
                tab[i] += autre.tab[i];
        }
        return *this;
    }

private:
    void copier(const CVecteur& autre) {
        if (autre.taille <= 0)
            return;
        tab = new T[static_cast<std::size_t>(autre.taille)];
        taille = autre.taille;
        for (int i = 0; i < taille; ++i)
            tab[i] = autre.tab[i];
    }

    static T& horsBornes() {
        static T reserve{};
        return reserve;
    }
};
