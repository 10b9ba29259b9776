#include "view/gl/Fleche.h"
#include "core/Pi.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace {
CPolyseg fleche;
bool premier_appel = true;
} // namespace

bool CPolyseg::ajouter(const CSegment& s) {
    if (nbSegments >= capacite)
        return false;
    segments[nbSegments++] = s;
    return true;
}

void CPolyseg::mettreAEchelle(float facteur) {
    for (int i = 0; i < nbSegments; ++i) {
        segments[i].p1 = segments[i].p1 * facteur;
        segments[i].p2 = segments[i].p2 * facteur;
    }
}

void CPolyseg::dessinerFil(float rouge, float vert, float bleu) const {
    glColor3f(rouge, vert, bleu);
    glBegin(GL_LINES);
    for (int i = 0; i < nbSegments; ++i) {
        glVertex3f(segments[i].p1.x, segments[i].p1.y, segments[i].p1.z);
        glVertex3f(segments[i].p2.x, segments[i].p2.y, segments[i].p2.z);
    }
    glEnd();
}

CPolyseg construireModeleFleche(int nbcotes, float r, float f) {
    const int n = std::clamp(nbcotes, 1, nbCotesMaxFleche);
    const CPoint3D pointe(0, 0, 1);
    CPolyseg modele;
    modele.ajouter({pointe, CPoint3D(0, 0, 0)});
    CPoint3D anneau[nbCotesMaxFleche];
    for (int i = 0; i < n; ++i) {
        const float a = i * static_cast<float>(2 * kPiCinqDecimales) / n;
        anneau[i] = CPoint3D(std::cos(a) * r, std::sin(a) * r, 1 - f);
    }
    for (int i = 0; i < n; ++i)
        modele.ajouter({anneau[i], anneau[(i + 1) % n]});
    for (int i = 0; i < n; ++i)
        modele.ajouter({anneau[i], pointe});
    return modele;
}

RotationFleche rotationVers(const CPoint3D& d) {
    const float longueur = d.norme();
    const float cosinus = std::clamp(d.z / longueur, -1.0f, 1.0f);
    // Axis (0, 0, 1) x d = (-dy, dx, 0); it vanishes when d is parallel to z.
    const float ax = -d.y;
    const float ay = d.x;
    const float normeAxe = std::sqrt(ax * ax + ay * ay);
    if (!(normeAxe > 0))
        return cosinus >= 0 ? RotationFleche{0.0f, {0.0f, 0.0f, 1.0f}}
                            : RotationFleche{180.0f, {1.0f, 0.0f, 0.0f}};
    return {std::acos(cosinus) * 180 / static_cast<float>(kPiCinqDecimales),
            {ax / normeAxe, ay / normeAxe, 0.0f}};
}

void dessinerFleche(const CPoint3D& p1, const CPoint3D& p2, int nbcotes, float r, float f) {
    if (premier_appel) {
        fleche = construireModeleFleche(nbcotes, r, f);
        premier_appel = false;
    }
    const CPoint3D d = p2 - p1;
    const float longueur = d.norme();
    if (!(longueur > 0))
        return;
    const RotationFleche rotation = rotationVers(d);
    glPushMatrix();
    glTranslatef(p1.x, p1.y, p1.z);
    glRotatef(rotation.angle, rotation.axe[0], rotation.axe[1], rotation.axe[2]);
    CPolyseg copie = fleche;
    copie.mettreAEchelle(longueur);
    copie.dessinerFil(1, 0, 0);
    glPopMatrix();
}

const CPolyseg& modeleFlecheCourant() { return fleche; }
