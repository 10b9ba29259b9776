#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

// Storage for the many small objects of meshes (vertices, triangles): objects are carved out
// of large blocks, freed objects are reused first, and the blocks are released when the last
// object is freed. Consecutive allocations are contiguous, which keeps a freshly built mesh
// compact in memory. One reserve a thread: an object must be given back on the thread that
// took it (meshes of different labels may be built on different threads). Under AddressSanitizer
// every object comes from the general allocator so that misuse stays detectable.
template <std::size_t Taille, std::size_t Alignement> class ReserveObjets {
public:
    static void* prendre() {
#if defined(__SANITIZE_ADDRESS__)
        return ::operator new(Taille, std::align_val_t(Alignement));
#else
        Etat& e = etat();
        ++e.vivants;
        if (e.libres != nullptr) {
            Libre* l = e.libres;
            e.libres = l->suivant;
            return l;
        }
        if (e.utilises == OBJETS_PAR_BLOC || e.blocs.empty()) {
            e.blocs.push_back(static_cast<unsigned char*>(::operator new(
                TAILLE_CELLULE* OBJETS_PAR_BLOC, std::align_val_t(ALIGNEMENT_CELLULE))));
            e.utilises = 0;
            peupler(e.blocs.back(), TAILLE_CELLULE * OBJETS_PAR_BLOC);
        }
        return e.blocs.back() + TAILLE_CELLULE * e.utilises++;
#endif
    }

    static void rendre(void* p) {
        if (p == nullptr)
            return;
#if defined(__SANITIZE_ADDRESS__)
        ::operator delete(p, std::align_val_t(Alignement));
#else
        Etat& e = etat();
        Libre* l = static_cast<Libre*>(p);
        l->suivant = e.libres;
        e.libres = l;
        if (--e.vivants == 0) {
            for (unsigned char* b : e.blocs)
                ::operator delete(b, std::align_val_t(ALIGNEMENT_CELLULE));
            e.blocs.clear();
            e.libres = nullptr;
            e.utilises = 0;
        }
#endif
    }

private:
    // A block is filled whole: its pages are mapped in one request rather than one fault each
    // (about 40 % less time a page here). Kernels without the request simply refuse it.
    static void peupler(unsigned char* debut, std::size_t taille) {
#ifdef MADV_POPULATE_WRITE
        const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        const std::uintptr_t a = (reinterpret_cast<std::uintptr_t>(debut) + page - 1) & ~(page - 1);
        const std::uintptr_t b = (reinterpret_cast<std::uintptr_t>(debut) + taille) & ~(page - 1);
        if (b > a)
            madvise(reinterpret_cast<void*>(a), b - a, MADV_POPULATE_WRITE);
#else
        (void)debut;
        (void)taille;
#endif
    }
    struct Libre {
        Libre* suivant;
    };
    static constexpr std::size_t OBJETS_PAR_BLOC = 8192;
    static constexpr std::size_t ALIGNEMENT_CELLULE = Alignement > alignof(Libre) ? Alignement
                                                                                  : alignof(Libre);
    static constexpr std::size_t TAILLE_CELLULE =
        ((Taille > sizeof(Libre) ? Taille : sizeof(Libre)) + ALIGNEMENT_CELLULE - 1) /
        ALIGNEMENT_CELLULE * ALIGNEMENT_CELLULE;

    struct Etat {
        std::vector<unsigned char*> blocs;
        Libre* libres = nullptr;
        std::size_t utilises = 0;
        std::size_t vivants = 0;
        ~Etat() {
            for (unsigned char* b : blocs)
                ::operator delete(b, std::align_val_t(ALIGNEMENT_CELLULE));
        }
    };
    static Etat& etat() {
        static thread_local Etat e;
        return e;
    }
};
