#pragma once
// Array list stored by value with a capacity fixed by initialiserMax, utiliserZone (or by
// copying). Nothing grows by itself, except a list given a zone with an extension: ajouter and
// inserer on the full list first call the extension, which may hand it a larger zone
// (changerZone), so that many small lists can start in small zones.

#include <algorithm>
#include <cassert>

template <class T> class CListeSimple {
public:
    int nb = 0;       // elements in use, tab[0 .. nb-1]
    int nbMax = 0;    // capacity
    T* tab = nullptr; // owned array of nbMax elements, null until initialiserMax

    // Called on a full list with the context given to utiliserZone.
    using Extension = void (*)(void* contexte);

    CListeSimple() = default;
    CListeSimple(const CListeSimple& autre) { copier(autre); }
    // The extension stays with the list it was given to.
    CListeSimple(CListeSimple&& autre) noexcept
        : nb(autre.nb), nbMax(autre.nbMax), tab(autre.tab), proprietaire(autre.proprietaire) {
        autre.nb = 0;
        autre.nbMax = 0;
        autre.tab = nullptr;
        autre.proprietaire = true;
    }
    ~CListeSimple() { liberer(); }

    void initialiserMax(int n) {
        liberer();
        if (n > 0) {
            tab = new T[static_cast<std::size_t>(n)];
            nbMax = n;
        }
    }

    // Empties the list and makes zone (n elements, owned elsewhere and outliving the list's use
    // of it) its storage, so that many lists can share one block; the list never frees it.
    // The extension, when given, is called with contexte each time ajouter or inserer meets
    // the list full.
    void utiliserZone(T* zone, int n, Extension ext = nullptr, void* contexte = nullptr) {
        liberer();
        tab = zone;
        nbMax = n;
        proprietaire = false;
        extension = ext;
        contexteExtension = contexte;
    }

    // Moves the elements into zone (n elements, n >= longueur(), owned elsewhere), which becomes
    // the storage; storage the list owned is freed. The extension stays.
    void changerZone(T* zone, int n) {
        assert(n >= nb);
        std::copy(tab, tab + nb, zone);
        if (proprietaire)
            delete[] tab;
        tab = zone;
        nbMax = n;
        proprietaire = false;
    }

    int longueur() const { return nb; }

    // Out-of-range indices assert; without assertions they reach a per-type spare element
    // instead of memory outside the array.
    T& operator[](int i) {
        assert(i >= 0 && i < nb);
        if (i < 0 || i >= nb) [[unlikely]]
            return horsBornes();
        return tab[i];
    }
    const T& operator[](int i) const { return const_cast<CListeSimple&>(*this)[i]; }

    T& dernier() { return (*this)[nb - 1]; }
    const T& dernier() const { return (*this)[nb - 1]; }

    // Appending to a full list asserts; without assertions the value is refused.
    CListeSimple& ajouter(const T& t) {
        if (nb >= nbMax && extension != nullptr) [[unlikely]]
            return etendrePuis(t, [this](const T& valeur) { ajouter(valeur); });
        assert(nb < nbMax);
        if (nb >= nbMax) [[unlikely]]
            return *this;
        tab[nb++] = t;
        return *this;
    }

    // Inserts t at position i (0 <= i <= nb), moving the elements from i one place up.
    CListeSimple& inserer(const T& t, int i) {
        if (nb >= nbMax && extension != nullptr) [[unlikely]]
            return etendrePuis(t, [this, i](const T& valeur) { inserer(valeur, i); });
        assert(nb < nbMax && i >= 0 && i <= nb);
        if (nb >= nbMax || i < 0 || i > nb) [[unlikely]]
            return *this;
        std::move_backward(tab + i, tab + nb, tab + nb + 1);
        ++nb;
        tab[i] = t;
        return *this;
    }

    // Removes position i, moving the later elements one place down; nothing is released.
    CListeSimple& supprimer(int i) {
        assert(i >= 0 && i < nb);
        if (i < 0 || i >= nb) [[unlikely]]
            return *this;
        std::move(tab + i + 1, tab + nb, tab + i);
        --nb;
        return *this;
    }

    // Position of the first element equal to t, or -1.
    int indice(const T& t) const {
        for (int i = 0; i < nb; ++i)
            if (tab[i] == t)
                return i;
        return -1;
    }

    // Empties the list; the storage and the capacity stay.
    CListeSimple& vider() {
        nb = 0;
        return *this;
    }

    CListeSimple& operator+=(const CListeSimple& autre) {
        const int n = autre.nb; // fixed first, so that l += l appends each element once
        for (int i = 0; i < n; ++i)
            ajouter(autre.tab[i]);
        return *this;
    }

    // Largest element and its position in i; ties keep the earliest position.
    // An empty list returns T{} (0 for numbers) and leaves i unchanged.
    T lmax(int& i) const {
        if (nb == 0)
            return T{};
        int pos = 0;
        for (int j = 1; j < nb; ++j)
            if (tab[j] > tab[pos])
                pos = j;
        i = pos;
        return tab[pos];
    }

    // Circular shift: element j of the result is element (nb + j + k) mod nb of this list,
    // for k in -nb .. nb. Same capacity and count as this list.
    CListeSimple decalage(int k) const {
        CListeSimple resultat;
        resultat.initialiserMax(nbMax);
        resultat.nb = nb;
        if (nb == 0)
            return resultat;
        const long long n = nb;
        for (int j = 0; j < nb; ++j) {
            long long src = (n + j + k) % n;
            if (src < 0)
                src += n; // keeps shifts beyond -nb inside the list
            resultat.tab[j] = tab[src];
        }
        return resultat;
    }

    // Different capacities replace the storage by one of the other's capacity; then the count
    // and the first nb elements are copied.
    CListeSimple& operator=(const CListeSimple& autre) {
        if (this == &autre)
            return *this;
        if (nbMax != autre.nbMax)
            initialiserMax(autre.nbMax);
        nb = autre.nb;
        for (int i = 0; i < nb; ++i)
            tab[i] = autre.tab[i];
        return *this;
    }

private:
    // Calls the extension once, then f with a copy of t (t may be an element of this list, whose
    // storage the extension replaces).
    template <class F> CListeSimple& etendrePuis(const T& t, F&& f) {
        const T valeur = t;
        const Extension ext = extension;
        extension = nullptr;
        ext(contexteExtension);
        f(valeur);
        extension = ext;
        return *this;
    }

    void copier(const CListeSimple& autre) {
        if (autre.nbMax > 0)
            tab = new T[static_cast<std::size_t>(autre.nbMax)];
        nbMax = autre.nbMax;
        nb = autre.nb;
        for (int i = 0; i < nb; ++i)
            tab[i] = autre.tab[i];
    }

    void liberer() {
        if (proprietaire)
            delete[] tab;
        proprietaire = true;
        tab = nullptr;
        nb = 0;
        nbMax = 0;
    }

    bool proprietaire = true; // false: tab is a zone given to utiliserZone
    Extension extension = nullptr;
    void* contexteExtension = nullptr;

    static T& horsBornes() {
        static T reserve{};
        return reserve;
    }
};
