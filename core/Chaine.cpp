#include "core/Chaine.h"

#include "core/CPoint3D.h"

#include <cstdio>
#include <cstring>
#include <utility>

Chaine::Chaine(char c) { *this = c; }

Chaine::Chaine(const char* t) { *this = t; }

Chaine::Chaine(const Chaine& o) { affecter(o.texte, o.lg); }

Chaine::Chaine(Chaine&& o) noexcept
    : lg(std::exchange(o.lg, 0)), texte(std::exchange(o.texte, nullptr)) {}

Chaine::~Chaine() { delete[] texte; }

void Chaine::affecter(const char* t, int n) {
    char* nouveau = nullptr;
    if (n > 0) {
        nouveau = new char[n + 1];
        std::memcpy(nouveau, t, n);
        nouveau[n] = '\0';
    } else {
        n = 0;
    }
    delete[] texte;
    texte = nouveau;
    lg = n;
}

void Chaine::ajouter(const char* t, int n) {
    if (n <= 0) {
        return;
    }
    // Copies into a new buffer first, so that appending the string to itself is sound.
    char* nouveau = new char[lg + n + 1];
    if (lg > 0) {
        std::memcpy(nouveau, texte, lg);
    }
    std::memcpy(nouveau + lg, t, n);
    nouveau[lg + n] = '\0';
    delete[] texte;
    texte = nouveau;
    lg += n;
}

Chaine& Chaine::operator=(char c) {
    affecter(&c, c != '\0' ? 1 : 0);
    return *this;
}

Chaine& Chaine::operator=(const char* t) {
    affecter(t, t ? int(std::strlen(t)) : 0);
    return *this;
}

Chaine& Chaine::operator=(const Chaine& o) {
    if (this != &o) {
        affecter(o.texte, o.lg);
    }
    return *this;
}

Chaine& Chaine::operator=(Chaine&& o) noexcept {
    if (this != &o) {
        delete[] texte;
        lg = std::exchange(o.lg, 0);
        texte = std::exchange(o.texte, nullptr);
    }
    return *this;
}

Chaine& Chaine::operator+=(char c) {
    ajouter(&c, c != '\0' ? 1 : 0);
    return *this;
}

Chaine& Chaine::operator+=(const char* t) {
    ajouter(t, t ? int(std::strlen(t)) : 0);
    return *this;
}

Chaine& Chaine::operator+=(const Chaine& o) {
    ajouter(o.texte, o.lg);
    return *this;
}

Chaine Chaine::operator+(char c) const {
    Chaine r(*this);
    return r += c;
}

Chaine Chaine::operator+(const char* t) const {
    Chaine r(*this);
    return r += t;
}

Chaine Chaine::operator+(const Chaine& o) const {
    Chaine r(*this);
    return r += o;
}

Chaine operator+(const char* t, const Chaine& c) {
    Chaine r(t);
    return r += c;
}

Chaine& Chaine::operator-=(char c) {
    if (c == '\0' || lg == 0) {
        return *this;
    }
    int n = 0;
    for (int i = 0; i < lg; ++i) {
        if (texte[i] != c) {
            texte[n++] = texte[i];
        }
    }
    if (n != lg) {
        affecter(texte, n);
    }
    return *this;
}

int Chaine::operator!=(const char* t) const { return std::strcmp(c_str(), t ? t : "") != 0; }

Chaine Chaine::souschaine(int debut, int fin) const {
    Chaine r;
    if (0 <= debut && debut <= fin && fin < lg) {
        r.affecter(texte + debut, fin - debut + 1);
    }
    return r;
}

void Chaine::occurences(const char* motif, int*& positions, int& nombre) const {
    positions = nullptr;
    nombre = 0;
    const int m = motif ? int(std::strlen(motif)) : 0;
    if (m == 0 || m > lg) {
        return;
    }
    for (int i = 0; i + m <= lg; ++i) {
        if (std::memcmp(texte + i, motif, m) == 0) {
            ++nombre;
        }
    }
    if (nombre == 0) {
        return;
    }
    positions = new int[nombre];
    int k = 0;
    for (int i = 0; i + m <= lg; ++i) {
        if (std::memcmp(texte + i, motif, m) == 0) {
            positions[k++] = i;
        }
    }
}

Chaine toChaine(int v) {
    char tampon[16];
    std::snprintf(tampon, sizeof tampon, "%d", v);
    return Chaine(tampon);
}

Chaine toChaine(double v) {
    // Large enough for any double in fixed notation with three decimals.
    char tampon[352];
    std::snprintf(tampon, sizeof tampon, "%.3f", v);
    return Chaine(tampon);
}

Chaine toChaine(float v) { return toChaine(double(v)); }

Chaine toChaine(const CCouple<int>& v) { return "(" + toChaine(v.x) + "," + toChaine(v.y) + ")"; }

Chaine toChaine(const CCouple<float>& v) { return "(" + toChaine(v.x) + "," + toChaine(v.y) + ")"; }

Chaine toChaine(const CTriplet<int>& v) {
    return "(" + toChaine(v.x) + "," + toChaine(v.y) + "," + toChaine(v.z) + ")";
}

Chaine toChaine(const CTriplet<float>& v) {
    return "(" + toChaine(v.x) + "," + toChaine(v.y) + "," + toChaine(v.z) + ")";
}

Chaine toChaine(const CQuadruplet<int>& v) {
    return "(" + toChaine(v.x) + "," + toChaine(v.y) + "," + toChaine(v.z) + "," + toChaine(v.t) +
           ")";
}

Chaine toChaine(const CPoint3D& v) { return toChaine(v.triplet()); }
