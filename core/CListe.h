#pragma once
// Fixed-capacity lists of separately stored elements:
//  - CListe<T,N>: appending list of at most N elements;
//  - CListeTriee<T,N>: a CListe whose elements are in ascending key order, searched by indice;
//  - CEnsemble<T,N>: sorted set without duplicates; a full set silently drops new values.
// Key order: pointers compare as unsigned addresses, other types with their `<`
// (lexicographic x, y, z for CTriplet<int>). Two elements are equal when neither is less.
//
// Storage: every element lives in its own cell of a pool whose blocks never move, so a reference
// obtained from [] stays valid while that element stays in the list, even when others move. The
// list order is an array of cell pointers (the slots) that grows geometrically up to N; sorted
// insertion and removal shift only those pointers. Nothing is allocated before the first
// element, so N is only a capacity limit and may be very large.

#include <cassert>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

// Ordering key of the sorted lists.
template <class T> struct CCleListe {
    static bool inferieur(const T& a, const T& b) { return a < b; }
};

template <class T> struct CCleListe<T*> {
    static bool inferieur(const T* a, const T* b) {
        return reinterpret_cast<std::uintptr_t>(a) < reinterpret_cast<std::uintptr_t>(b);
    }
};

// Pool of cells with stable addresses: blocks of growing size (at most blocMax cells each), a
// bump position in the current block and a list of freed cells reused first.
template <class T> class CReserveCellules {
public:
    CReserveCellules() = default;
    CReserveCellules(const CReserveCellules&) = delete;
    CReserveCellules& operator=(const CReserveCellules&) = delete;
    ~CReserveCellules() { liberer(); }

    // Copy-constructs v in a free cell; at most `limite` cells are ever allocated in all.
    // Returns null when no storage could be obtained.
    T* creer(const T& v, int limite) {
        Cellule* c = libres;
        if (c != nullptr) {
            libres = lien(c);
        } else {
            while (blocCourant < nbBlocs && utilisees == bloc(blocCourant).taille) {
                ++blocCourant;
                utilisees = 0;
            }
            if (blocCourant == nbBlocs && !ajouterBloc(limite))
                return nullptr;
            c = bloc(blocCourant).cellules + utilisees++;
        }
        try {
            return ::new (static_cast<void*>(c->octets)) T(v);
        } catch (...) {
            poserLien(c, libres);
            libres = c;
            throw;
        }
    }

    // Destroys the value of a cell obtained from creer and makes the cell free.
    void detruire(T* p) {
        p->~T();
        Cellule* c = reinterpret_cast<Cellule*>(p);
        poserLien(c, libres);
        libres = c;
    }

    // Makes every cell free again, keeping the blocks; all values must already be destroyed.
    void recycler() {
        libres = nullptr;
        blocCourant = 0;
        utilisees = 0;
    }

    void liberer() {
        for (int i = 0; i < nbBlocs; ++i)
            delete[] bloc(i).cellules;
        delete[] autresBlocs;
        autresBlocs = nullptr;
        premierBloc = Bloc{};
        nbBlocs = 0;
        capaciteBlocs = 0;
        totalCellules = 0;
        recycler();
    }

    void echanger(CReserveCellules& autre) noexcept {
        std::swap(premierBloc, autre.premierBloc);
        std::swap(autresBlocs, autre.autresBlocs);
        std::swap(nbBlocs, autre.nbBlocs);
        std::swap(capaciteBlocs, autre.capaciteBlocs);
        std::swap(totalCellules, autre.totalCellules);
        std::swap(blocCourant, autre.blocCourant);
        std::swap(utilisees, autre.utilisees);
        std::swap(libres, autre.libres);
    }

private:
    static constexpr int blocMin = 4;
    static constexpr int blocMax = 1 << 16;
    // A free cell holds the address of the next free cell in its first bytes.
    struct alignas(T) Cellule {
        unsigned char octets[sizeof(T) >= sizeof(void*) ? sizeof(T) : sizeof(void*)];
    };
    struct Bloc {
        Cellule* cellules = nullptr;
        int taille = 0;
    };

    static Cellule* lien(const Cellule* c) {
        Cellule* suivante;
        std::memcpy(&suivante, c->octets, sizeof suivante);
        return suivante;
    }
    static void poserLien(Cellule* c, Cellule* suivante) {
        std::memcpy(c->octets, &suivante, sizeof suivante);
    }

    bool ajouterBloc(int limite) {
        if (nbBlocs > 0 && nbBlocs - 1 == capaciteBlocs) {
            const int capacite = capaciteBlocs == 0 ? 4 : 2 * capaciteBlocs;
            Bloc* nouveaux = new (std::nothrow) Bloc[static_cast<std::size_t>(capacite)];
            if (nouveaux == nullptr)
                return false;
            for (int i = 0; i < capaciteBlocs; ++i)
                nouveaux[i] = autresBlocs[i];
            delete[] autresBlocs;
            autresBlocs = nouveaux;
            capaciteBlocs = capacite;
        }
        const int precedent = nbBlocs == 0 ? blocMin / 2 : bloc(nbBlocs - 1).taille;
        long long taille = 2LL * precedent;
        if (taille > blocMax)
            taille = blocMax;
        if (taille > static_cast<long long>(limite) - totalCellules)
            taille = static_cast<long long>(limite) - totalCellules;
        if (taille <= 0)
            return false;
        Cellule* cellules = new (std::nothrow) Cellule[static_cast<std::size_t>(taille)];
        if (cellules == nullptr)
            return false;
        bloc(nbBlocs++) = Bloc{cellules, static_cast<int>(taille)};
        totalCellules += taille;
        return true;
    }

    // Block 0 is kept inline so that a small list needs no block table.
    Bloc& bloc(int i) { return i == 0 ? premierBloc : autresBlocs[i - 1]; }

    Bloc premierBloc{};
    Bloc* autresBlocs = nullptr; // blocks 1 .. nbBlocs-1, room for capaciteBlocs of them
    int nbBlocs = 0;
    int capaciteBlocs = 0;
    long long totalCellules = 0;
    int blocCourant = 0; // bump allocation: next cell is bloc(blocCourant).cellules[utilisees]
    int utilisees = 0;
    Cellule* libres = nullptr;
};

template <class T, int N> class CListe {
    static_assert(N > 0, "a list holds at least one element");

public:
    CListe() = default;
    CListe(const CListe& autre) { ajouterTout(autre); }
    CListe(CListe&& autre) noexcept {
        std::swap(tab, autre.tab);
        std::swap(nb, autre.nb);
        std::swap(nbSlots, autre.nbSlots);
        reserve.echanger(autre.reserve);
    }
    ~CListe() {
        vider();
        delete[] tab;
    }

    int longueur() const { return nb; }

    // Out-of-range indices assert; without assertions they reach a per-type spare element
    // instead of memory outside the list.
    T& operator[](int i) {
        assert(i >= 0 && i < nb);
        if (i < 0 || i >= nb) [[unlikely]]
            return horsBornes();
        return *tab[i];
    }
    const T& operator[](int i) const { return const_cast<CListe&>(*this)[i]; }

    // Appends a copy of v. Appending to a full list asserts; without assertions v is refused.
    CListe& ajouter(const T& v) {
        assert(nb < N);
        if (nb >= N || !reserverSlots(nb + 1)) [[unlikely]]
            return *this;
        T* cellule = reserve.creer(v, N);
        if (cellule != nullptr)
            tab[nb++] = cellule;
        return *this;
    }

    // Destroys every element; the storage stays for later use.
    CListe& vider() {
        for (int i = 0; i < nb; ++i)
            tab[i]->~T();
        nb = 0;
        reserve.recycler();
        return *this;
    }

    // Empties this list, then appends a copy of each element of the other, in order.
    CListe& operator=(const CListe& autre) {
        if (this != &autre) {
            vider();
            ajouterTout(autre);
        }
        return *this;
    }

protected:
    static bool inferieur(const T& a, const T& b) { return CCleListe<T>::inferieur(a, b); }

    // First position whose element is not less than v (nb when all are less); the elements
    // must be in ascending order.
    int borneInferieure(const T& v) const {
        int bas = 0;
        int haut = nb;
        while (bas < haut) {
            const int milieu = bas + (haut - bas) / 2;
            if (inferieur(*tab[milieu], v))
                bas = milieu + 1;
            else
                haut = milieu;
        }
        return bas;
    }

    // Places a new cell holding v at position p (0 <= p <= nb < N), moving later slots up.
    void insererEn(int p, const T& v) {
        if (!reserverSlots(nb + 1))
            return;
        T* cellule = reserve.creer(v, N);
        if (cellule == nullptr)
            return;
        std::memmove(tab + p + 1, tab + p, static_cast<std::size_t>(nb - p) * sizeof(T*));
        tab[p] = cellule;
        ++nb;
    }

    // Destroys the element at position p, moving later slots down.
    void retirerEn(int p) {
        reserve.detruire(tab[p]);
        --nb;
        std::memmove(tab + p, tab + p + 1, static_cast<std::size_t>(nb - p) * sizeof(T*));
    }

    T** tab = nullptr; // slots 0 .. nb-1 point to the cells, in list order
    int nb = 0;

private:
    // Makes room for n slots (n <= N); false when no storage could be obtained.
    bool reserverSlots(int n) {
        if (n <= nbSlots)
            return true;
        long long taille = nbSlots == 0 ? 4 : 2LL * nbSlots;
        if (taille < n)
            taille = n;
        if (taille > N)
            taille = N;
        T** slots = new (std::nothrow) T*[static_cast<std::size_t>(taille)];
        if (slots == nullptr)
            return false;
        if (nb > 0)
            std::memcpy(slots, tab, static_cast<std::size_t>(nb) * sizeof(T*));
        delete[] tab;
        tab = slots;
        nbSlots = static_cast<int>(taille);
        return true;
    }

    void ajouterTout(const CListe& autre) {
        if (!reserverSlots(autre.nb))
            return;
        for (int i = 0; i < autre.nb; ++i)
            ajouter(*autre.tab[i]);
    }

    static T& horsBornes() {
        static T reserveHorsBornes{};
        return reserveHorsBornes;
    }

    int nbSlots = 0;
    CReserveCellules<T> reserve;
};

template <class T, int N> class CListeTriee : public CListe<T, N> {
public:
    // Position of v, or -1 when no element equals v.
    int indice(const T& v) const {
        const int p = this->borneInferieure(v);
        if (p < this->nb && !this->inferieur(v, *this->tab[p]))
            return p;
        return -1;
    }
};

template <class T, int N> class CEnsemble : public CListeTriee<T, N> {
public:
    // Sorted insertion; a value already present, or any value once the set holds N elements,
    // is silently not inserted.
    CEnsemble& ajouter(const T& v) {
        if (this->nb >= N)
            return *this;
        const int p = this->borneInferieure(v);
        if (p < this->nb && !this->inferieur(v, *this->tab[p]))
            return *this;
        this->insererEn(p, v);
        return *this;
    }

    // Removes the element equal to v, if any.
    CEnsemble& enlever(const T& v) {
        if (this->nb == 0)
            return *this;
        const int p = this->borneInferieure(v);
        if (p < this->nb && !this->inferieur(v, *this->tab[p]))
            this->retirerEn(p);
        return *this;
    }
};

// A CEnsemble whose storage is created by the first ajouter: a set that most owners never fill
// costs one pointer. Reads of a set never filled see it empty.
template <class T, int N> class CEnsembleDiffere {
public:
    CEnsembleDiffere() = default;
    CEnsembleDiffere(const CEnsembleDiffere&) = delete;
    CEnsembleDiffere& operator=(const CEnsembleDiffere&) = delete;

    CEnsembleDiffere& ajouter(const T& v) {
        if (!ensemble)
            ensemble.reset(new CEnsemble<T, N>());
        ensemble->ajouter(v);
        return *this;
    }
    CEnsembleDiffere& enlever(const T& v) {
        if (ensemble)
            ensemble->enlever(v);
        return *this;
    }
    int longueur() const { return ensemble ? ensemble->longueur() : 0; }
    int indice(const T& v) const { return ensemble ? ensemble->indice(v) : -1; }
    // Element i of a non-empty set, 0 <= i < longueur().
    T& operator[](int i) {
        assert(ensemble);
        return (*ensemble)[i];
    }
    const T& operator[](int i) const {
        assert(ensemble);
        return (*ensemble)[i];
    }

private:
    std::unique_ptr<CEnsemble<T, N>> ensemble;
};
