#include "view/camera/CTrackBallCamera.h"

#include <GL/gl.h>
#include <GL/glu.h>

CTrackBallCamera::CTrackBallCamera() = default;

void CTrackBallCamera::setDistance(int newDistance) {
    distance = newDistance;
    initialDistance = newDistance;
}

void CTrackBallCamera::setHold(bool enfonce, const EvenementSouris& event) {
    if (event.bouton == BoutonSouris::Gauche) {
        hold = enfonce;
        oldX = event.x;
        oldY = event.y;
    } else {
        hold = false;
    }
}

void CTrackBallCamera::OnMouseMove(const EvenementSouris& event) {
    if (!hold)
        return;
    angleY += (event.x - oldX) * motionSensivity;
    angleX += (event.y - oldY) * motionSensivity;
    oldX = event.x;
    oldY = event.y;
    if (angleX > angleXMax)
        angleX = angleXMax;
    else if (angleX < -angleXMax)
        angleX = -angleXMax;
}

void CTrackBallCamera::eloigner() {
    distance -= scrollSensivity;
    if (distance < -distanceMax)
        distance = -distanceMax;
}

void CTrackBallCamera::rapprocher() {
    distance += scrollSensivity;
    if (distance > distanceMax)
        distance = distanceMax;
}

void CTrackBallCamera::OnMouseWheel(const EvenementSouris& event) {
    // Integer division truncates toward zero: a fine-grained delta below one notch counts as a
    // turn toward the user.
    const int crans = event.delta / 120;
    if (crans > 0)
        eloigner();
    else
        rapprocher();
}

void CTrackBallCamera::OnKeyboard(EtatClavier& clavier) {
    if (clavier.estPressee(Touche::R)) {
        angleX = 0;
        angleY = 0;
        distance = initialDistance;
    }
    if (clavier.estPressee(Touche::M))
        eloigner();
    if (clavier.estPressee(Touche::P))
        rapprocher();
}

void CTrackBallCamera::look() const {
    gluLookAt(0, 0.25, 3, 0, 0, 0, 0, 1, 0);
    glTranslatef(0.0f, 0.0f, static_cast<float>(distance));
    glRotatef(static_cast<float>(angleX), 1.0f, 0.0f, 0.0f);
    glRotatef(static_cast<float>(angleY), 0.0f, 1.0f, 0.0f);
}
