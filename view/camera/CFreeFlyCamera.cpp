#include "view/camera/CFreeFlyCamera.h"
#include "core/Pi.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

namespace {
constexpr double pi = kPi;
}

CFreeFlyCamera::CFreeFlyCamera()
    : position(0, 0, 0), initialPosition(0, 0, 0), forward(0, 0, -1), left(-1, 0, 0) {
    VectorsFromAngles();
}

void CFreeFlyCamera::VectorsFromAngles() {
    if (phi > phiMax)
        phi = phiMax;
    else if (phi < -phiMax)
        phi = -phiMax;
    const double radPhi = phi * pi / 180;
    const double radTheta = theta * pi / 180;
    const double r = std::cos(radPhi);
    forward = CVecteur3D(std::sin(radTheta) * r, std::sin(radPhi), -std::cos(radTheta) * r);
    // |phi| <= 89 keeps forward away from the vertical, so the cross product never vanishes.
    left = CVecteur3D(0, 1, 0).crossProduct(forward);
    left.normalize();
    target = position + forward;
}

void CFreeFlyCamera::setPosition(const CVecteur3D& newPosition) {
    initialPosition = newPosition;
    position = newPosition;
    target = position + forward;
}

void CFreeFlyCamera::setHold(bool enfonce, const EvenementSouris& event) {
    if (event.bouton == BoutonSouris::Gauche) {
        hold = enfonce;
        oldX = event.x;
        oldY = event.y;
    } else {
        hold = false;
    }
}

void CFreeFlyCamera::OnMouseMove(const EvenementSouris& event) {
    // Motion outside the view is ignored and the last inside position kept, so the first
    // motion back inside applies the whole displacement.
    if (!hold || !mouseIn)
        return;
    theta += (event.x - oldX) * motionSensivity;
    phi -= (event.y - oldY) * motionSensivity;
    VectorsFromAngles();
    oldX = event.x;
    oldY = event.y;
}

void CFreeFlyCamera::monter(int pas) {
    verticalMotion = pas;
    position += CVecteur3D(0, verticalMotion * speed, 0);
}

void CFreeFlyCamera::OnMouseWheel(const EvenementSouris& event) {
    const int crans = event.delta / 120;
    monter(crans > 0 ? scrollSensivity : -scrollSensivity);
    target = position + forward;
}

void CFreeFlyCamera::OnKeyboard(EtatClavier& clavier) {
    const double pas = clavier.estPressee(Touche::Espace) ? 3 * speed : speed;
    if (clavier.estPressee(Touche::R)) {
        position = initialPosition;
        phi = 0;
        theta = 0;
        VectorsFromAngles();
    }
    if (clavier.estPressee(Touche::Q))
        position += left * pas;
    if (clavier.estPressee(Touche::D))
        position -= left * pas;
    if (clavier.estPressee(Touche::Z))
        position += forward * pas;
    if (clavier.estPressee(Touche::S))
        position -= forward * pas;
    if (clavier.estPressee(Touche::P))
        monter(scrollSensivity);
    if (clavier.estPressee(Touche::M))
        monter(-scrollSensivity);
    target = position + forward;
}

void CFreeFlyCamera::look() {
    gluLookAt(position.getX(), position.getY(), position.getZ(), target.getX(), target.getY(),
              target.getZ(), 0, 1, 0);
    lightPosition[0] = static_cast<float>(position.getX());
    lightPosition[1] = static_cast<float>(position.getY());
    lightPosition[2] = static_cast<float>(position.getZ());
}
