// Dense matrix of nbLignes rows of nbColonnes elements; element (i, j) is tab[i][j].
#pragma once

#include <concepts>
#include <cstdio>
#include <type_traits>
#include <utility>

// Owns its rows; copies are deep. Negative extents are taken as 0. A matrix of no element has
// a null `tab`.
template <class T> class CMatrice {
public:
    int nbLignes = 0;
    int nbColonnes = 0;
    T** tab = nullptr;

    CMatrice() = default;
    CMatrice(int lignes, int colonnes) { init(lignes, colonnes); }
    CMatrice(const CMatrice& o) {
        init(o.nbLignes, o.nbColonnes);
        copierDepuis(o);
    }
    CMatrice(CMatrice&& o) noexcept
        : nbLignes(std::exchange(o.nbLignes, 0)), nbColonnes(std::exchange(o.nbColonnes, 0)),
          tab(std::exchange(o.tab, nullptr)) {}
    ~CMatrice() { liberer(); }

    CMatrice& operator=(const CMatrice& o) {
        if (this != &o) {
            if (o.nbLignes != nbLignes || o.nbColonnes != nbColonnes) {
                init(o.nbLignes, o.nbColonnes);
            }
            copierDepuis(o);
        }
        return *this;
    }
    CMatrice& operator=(CMatrice&& o) noexcept {
        if (this != &o) {
            liberer();
            nbLignes = std::exchange(o.nbLignes, 0);
            nbColonnes = std::exchange(o.nbColonnes, 0);
            tab = std::exchange(o.tab, nullptr);
        }
        return *this;
    }

    // Releases the current rows and allocates lignes rows of colonnes value-initialised elements.
    void init(int lignes, int colonnes) {
        liberer();
        if (lignes <= 0 || colonnes <= 0) {
            return;
        }
        tab = new T*[lignes];
        for (int i = 0; i < lignes; ++i) {
            tab[i] = new T[colonnes]();
        }
        nbLignes = lignes;
        nbColonnes = colonnes;
    }

    void remplir(const T& v) {
        for (int i = 0; i < nbLignes; ++i) {
            for (int j = 0; j < nbColonnes; ++j) {
                tab[i][j] = v;
            }
        }
    }

    // Ones on the main diagonal, zeros elsewhere (also for a matrix that is not square).
    void identite() {
        for (int i = 0; i < nbLignes; ++i) {
            for (int j = 0; j < nbColonnes; ++j) {
                tab[i][j] = T(i == j ? 1 : 0);
            }
        }
    }

    T* operator[](int ligne) { return tab[ligne]; }
    const T* operator[](int ligne) const { return tab[ligne]; }

    // Matrix product; sums of real products are formed in double. When the inner extents
    // differ the product is undefined and the result has no element.
    CMatrice operator*(const CMatrice& b) const {
        using Large = std::conditional_t<std::is_floating_point_v<T>, double, T>;
        CMatrice r;
        if (nbColonnes != b.nbLignes) {
            return r;
        }
        r.init(nbLignes, b.nbColonnes);
        for (int i = 0; i < nbLignes; ++i) {
            for (int j = 0; j < b.nbColonnes; ++j) {
                Large s{};
                for (int k = 0; k < nbColonnes; ++k) {
                    s += Large(tab[i][k]) * Large(b.tab[k][j]);
                }
                r.tab[i][j] = T(s);
            }
        }
        return r;
    }

    // A new matrix holding (v - min) / (max - min) for each element, min and max taken over the
    // whole matrix; a constant matrix gives zeros.
    CMatrice normalise() const requires std::floating_point<T> {
        CMatrice r(*this);
        if (tab == nullptr) {
            return r;
        }
        T mini = tab[0][0];
        T maxi = tab[0][0];
        for (int i = 0; i < nbLignes; ++i) {
            for (int j = 0; j < nbColonnes; ++j) {
                mini = tab[i][j] < mini ? tab[i][j] : mini;
                maxi = tab[i][j] > maxi ? tab[i][j] : maxi;
            }
        }
        const double etendue = double(maxi) - double(mini);
        for (int i = 0; i < nbLignes; ++i) {
            for (int j = 0; j < nbColonnes; ++j) {
                r.tab[i][j] = etendue > 0.0 ? T((double(tab[i][j]) - mini) / etendue) : T(0);
            }
        }
        return r;
    }

    // Gauss-Jordan elimination without pivot search on a copy, every row operation applied to
    // a result that starts as the identity. A zero pivot is reported on stdout and replaced by
    // 1e-6, so a singular matrix yields large but finite values. A matrix that is not square is
    // reported and its leading square block is inverted.
    CMatrice inverse() const requires std::floating_point<T> {
        if (nbLignes != nbColonnes) {
            std::printf("La matrice n'est pas carrée\n");
        }
        const int n = nbLignes < nbColonnes ? nbLignes : nbColonnes;
        CMatrice a(*this);
        CMatrice r(nbLignes, nbColonnes);
        r.identite();
        const auto pivot = [&a](int i, const char* format) {
            double p = a.tab[i][i];
            if (p == 0.0) {
                std::printf(format, i, i);
                p = 1e-6;
            }
            return p;
        };
        const auto combiner = [&](int j, int i, double p) {
            const double f = -double(a.tab[j][i]) / p;
            for (int k = 0; k < nbColonnes; ++k) {
                a.tab[j][k] = T(a.tab[j][k] + f * a.tab[i][k]);
                r.tab[j][k] = T(r.tab[j][k] + f * r.tab[i][k]);
            }
        };
        for (int i = 0; i + 1 < n; ++i) {
            const double p = pivot(i, "Triangulation supérieure : coefficient [%d][%d] nul\n");
            for (int j = i + 1; j < n; ++j) {
                combiner(j, i, p);
            }
        }
        for (int i = n - 1; i >= 1; --i) {
            const double p = pivot(i, "Triangulation inférieure : coefficient [%d][%d] nul\n");
            for (int j = 0; j < i; ++j) {
                combiner(j, i, p);
            }
        }
        for (int i = 0; i < n; ++i) {
            const double d = a.tab[i][i] != T(0) ? double(a.tab[i][i]) : 1e-6;
            for (int k = 0; k < nbColonnes; ++k) {
                r.tab[i][k] = T(r.tab[i][k] / d);
            }
        }
        return r;
    }

private:
    void liberer() {
        for (int i = 0; i < nbLignes; ++i) {
            delete[] tab[i];
        }
        delete[] tab;
        tab = nullptr;
        nbLignes = 0;
        nbColonnes = 0;
    }
    void copierDepuis(const CMatrice& o) {
        for (int i = 0; i < nbLignes; ++i) {
            for (int j = 0; j < nbColonnes; ++j) {
                tab[i][j] = o.tab[i][j];
            }
        }
    }
};
