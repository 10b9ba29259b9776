// Owned, zero-terminated character string, and the number and tuple formatting helpers.
#pragma once

#include "core/Tuples.h"

class CPoint3D;

// Invariant: `lg` is the length and `texte` holds lg + 1 bytes ending in a zero byte, with no
// zero byte before; the empty string has lg 0 and texte null. The zero character is never
// stored: a string made from it, or appending it, leaves the string as it was (empty).
class Chaine {
public:
    int lg = 0;
    char* texte = nullptr;

    Chaine() = default;
    explicit Chaine(char c);
    Chaine(const char* t);
    Chaine(const Chaine& o);
    Chaine(Chaine&& o) noexcept;
    ~Chaine();

    Chaine& operator=(char c);
    Chaine& operator=(const char* t);
    Chaine& operator=(const Chaine& o);
    Chaine& operator=(Chaine&& o) noexcept;

    Chaine& operator+=(char c);
    Chaine& operator+=(const char* t);
    Chaine& operator+=(const Chaine& o);
    Chaine operator+(char c) const;
    Chaine operator+(const char* t) const;
    Chaine operator+(const Chaine& o) const;
    // Removes every occurrence of c.
    Chaine& operator-=(char c);

    // Non-zero when the texts differ (null text compares as "").
    int operator!=(const char* t) const;
    bool operator==(const char* t) const { return !(*this != t); }
    bool operator==(const Chaine& o) const { return *this == o.c_str(); }
    bool operator!=(const Chaine& o) const { return !(*this == o); }

    int longueur() const { return lg; }
    bool estVide() const { return lg == 0; }
    // The text, "" for the empty string (never null).
    const char* c_str() const { return texte ? texte : ""; }

    // Characters debut .. fin inclusive when 0 <= debut <= fin < lg, otherwise the empty string.
    Chaine souschaine(int debut, int fin) const;

    // Every position where motif starts, overlapping matches included ("aa" occurs at 0, 1 and
    // 2 in "aaaa"). positions receives a new[]-allocated array the caller releases with
    // delete[], or null when nombre is 0. An empty motif occurs nowhere.
    void occurences(const char* motif, int*& positions, int& nombre) const;
    void occurences(const Chaine& motif, int*& positions, int& nombre) const {
        occurences(motif.c_str(), positions, nombre);
    }

private:
    void affecter(const char* t, int n);
    void ajouter(const char* t, int n);
};

Chaine operator+(const char* t, const Chaine& c);

// "%d" and "%.3f" forms; tuples as "(x,y,z)" with their members in those forms, no spaces.
Chaine toChaine(int v);
Chaine toChaine(float v);
Chaine toChaine(double v);
Chaine toChaine(const CCouple<int>& v);
Chaine toChaine(const CCouple<float>& v);
Chaine toChaine(const CTriplet<int>& v);
Chaine toChaine(const CTriplet<float>& v);
Chaine toChaine(const CQuadruplet<int>& v);
Chaine toChaine(const CPoint3D& v);
