#pragma once
// Doubly linked list with a cursor. The list owns its nodes; a node stays at the same address
// for as long as it is in the list, so other code may keep CElementChaine pointers to it and
// hand them back to forcerCourant.

template <class T> class CListeChainee {
public:
    // The value is the first member: a pointer to a node is a pointer to its value.
    struct CElementChaine {
        T valeur;
        CElementChaine* suivant = nullptr;
        CElementChaine* precedent = nullptr;
    };

    int nb = 0;
    CElementChaine* debut = nullptr;
    CElementChaine* fin = nullptr;
    CElementChaine* courant = nullptr; // the cursor, or null

    CListeChainee() = default;
    // Copies the values in order; the cursor of the copy sits at the same position.
    CListeChainee(const CListeChainee& autre) { copier(autre); }
    CListeChainee& operator=(const CListeChainee& autre) {
        if (this != &autre) {
            vider();
            copier(autre);
        }
        return *this;
    }
    ~CListeChainee() { vider(); }

    int longueur() const { return nb; }

    // Appends v; the first node of an empty list also becomes the cursor, otherwise the cursor
    // stays where it is.
    T* ajouter(const T& v) {
        CElementChaine* e = new CElementChaine{v, nullptr, fin};
        if (fin != nullptr)
            fin->suivant = e;
        else
            debut = courant = e;
        fin = e;
        ++nb;
        return &e->valeur;
    }

    // Inserts v before the cursor (or as the only node of an empty list) and makes it the cursor.
    // With a null cursor on a non-empty list, v is appended and becomes the cursor.
    T* insererCourant(const T& v) {
        if (courant == nullptr) {
            T* valeur = ajouter(v);
            courant = fin;
            return valeur;
        }
        courant = insererAvant(courant, v);
        return &courant->valeur;
    }

    // Inserts v before the element at position i (0 <= i < nb), leaving the cursor in place.
    // Other positions do nothing and return null; appending is done with ajouter.
    T* inserer(const T& v, int i) {
        if (i < 0 || i >= nb)
            return nullptr;
        CElementChaine* e = debut;
        for (int k = 0; k < i; ++k)
            e = e->suivant;
        return &insererAvant(e, v)->valeur;
    }

    // Unlinks and frees the cursor node; the cursor moves to the following node (null after the
    // last). Does nothing when the cursor is null.
    CListeChainee& supprimerCourant() {
        CElementChaine* e = courant;
        if (e == nullptr)
            return *this;
        if (e->precedent != nullptr)
            e->precedent->suivant = e->suivant;
        else
            debut = e->suivant;
        if (e->suivant != nullptr)
            e->suivant->precedent = e->precedent;
        else
            fin = e->precedent;
        courant = e->suivant;
        delete e;
        --nb;
        return *this;
    }

    T* elementDebut() {
        courant = debut;
        return elementCourant();
    }
    T* elementFin() {
        courant = fin;
        return elementCourant();
    }
    T* elementSuivant() {
        if (courant != nullptr)
            courant = courant->suivant;
        return elementCourant();
    }
    T* elementCourant() { return courant != nullptr ? &courant->valeur : nullptr; }

    // Sets the cursor to a node of this list (or null).
    void forcerCourant(CElementChaine* pElem) { courant = pElem; }

    CListeChainee& vider() {
        CElementChaine* e = debut;
        while (e != nullptr) {
            CElementChaine* suivant = e->suivant;
            delete e;
            e = suivant;
        }
        debut = fin = courant = nullptr;
        nb = 0;
        return *this;
    }

private:
    CElementChaine* insererAvant(CElementChaine* position, const T& v) {
        CElementChaine* e = new CElementChaine{v, position, position->precedent};
        if (position->precedent != nullptr)
            position->precedent->suivant = e;
        else
            debut = e;
        position->precedent = e;
        ++nb;
        return e;
    }

    void copier(const CListeChainee& autre) {
        for (const CElementChaine* e = autre.debut; e != nullptr; e = e->suivant) {
            ajouter(e->valeur);
            if (e == autre.courant)
                courant = fin;
        }
        if (autre.courant == nullptr)
            courant = nullptr;
    }
};
