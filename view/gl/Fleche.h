#pragma once
// Wire arrows in scene coordinates: a shaft and a cone of lines drawn from one point to another.
// Plain OpenGL 1.1 line drawing; every function needs a current context.

#include "core/CPoint3D.h"

// One line segment, two points of three floats.
struct CSegment {
    CPoint3D p1;
    CPoint3D p2;
};

// A bounded list of segments drawn as one block of lines.
class CPolyseg {
public:
    static constexpr int capacite = 100;

    // Appends s; refuses (false) when the list already holds `capacite` segments.
    bool ajouter(const CSegment& s);
    void vider() { nbSegments = 0; }
    int taille() const { return nbSegments; }
    const CSegment& operator[](int i) const { return segments[i]; }
    // Multiplies every coordinate by facteur.
    void mettreAEchelle(float facteur);
    // Sets the current colour, then draws every segment in one GL_LINES block.
    void dessinerFil(float rouge, float vert, float bleu) const;

private:
    CSegment segments[capacite];
    int nbSegments = 0;
};

// The most sides an arrow template can have: 2 x sides + 1 segments must fit in a CPolyseg.
constexpr int nbCotesMaxFleche = (CPolyseg::capacite - 1) / 2;

// Unit arrow along +z from the origin to the tip (0, 0, 1): the shaft, a ring of nbcotes points of
// radius r at height 1 - f, the ring's sides and the lines from the ring to the tip. A side count
// outside 1 .. nbCotesMaxFleche is brought back into that range.
CPolyseg construireModeleFleche(int nbcotes, float r, float f);

// Rotation that turns +z onto the direction d (any length > 0): angle in degrees about a unit
// axis. d along +z gives no turn, d along -z a half turn about the x axis.
struct RotationFleche {
    float angle;
    float axe[3];
};
RotationFleche rotationVers(const CPoint3D& d);

// Draws a red wire arrow from p1 to p2 (scene coordinates). The arrow's shape is fixed by the
// first call of the run (nbcotes sides, head radius r and head length f as fractions of the
// arrow's length); later calls reuse it whatever their own values. A zero-length arrow draws
// nothing. Changes no OpenGL state other than the current colour.
void dessinerFleche(const CPoint3D& p1, const CPoint3D& p2, int nbcotes, float r, float f);

// The template dessinerFleche draws (empty before its first call).
const CPolyseg& modeleFlecheCourant();
