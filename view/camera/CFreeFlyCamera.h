#pragma once
// Free-fly camera: the eye moves through the scene (scene units) with mouse look (theta heading,
// phi pitch, degrees) and letter keys. The light is a point light at the eye.

#include "core/CVecteur3D.h"
#include "view/camera/EntreeCamera.h"

class CFreeFlyCamera {
public:
    // The pitch stays within -phiMax .. phiMax degrees.
    static constexpr double phiMax = 89.0;

    CFreeFlyCamera();
    CFreeFlyCamera(const CFreeFlyCamera&) = delete;
    CFreeFlyCamera& operator=(const CFreeFlyCamera&) = delete;

    void setSpeed(double newSpeed) { speed = newSpeed; }
    void setMotionSensivity(double sensivity) { motionSensivity = sensivity; }
    void setScrollSensivity(int sensivity) { scrollSensivity = sensivity; }
    // Sets the position and the one the reset key restores; the target follows.
    void setPosition(const CVecteur3D& newPosition);
    // Left button: starts (enfonce) or ends a drag at the event's position. Any other button
    // ends the drag and keeps the last position.
    void setHold(bool enfonce, const EvenementSouris& event);
    void setMouseIn(bool interieur) { mouseIn = interieur; }
    void OnMouseMove(const EvenementSouris& event);
    void OnMouseWheel(const EvenementSouris& event);
    // Polls the space bar (triple step), then R, Q, D, Z, S, P and M in that order.
    void OnKeyboard(EtatClavier& clavier);
    // Multiplies the current matrix by the eye transform and moves the light to the eye
    // (needs a current OpenGL context).
    void look();
    const float* getLightPosition() const { return lightPosition; }

    const CVecteur3D& getPosition() const { return position; }
    const CVecteur3D& getInitialPosition() const { return initialPosition; }
    const CVecteur3D& getTarget() const { return target; }
    const CVecteur3D& getForward() const { return forward; }
    const CVecteur3D& getLeft() const { return left; }
    double getTheta() const { return theta; }
    double getPhi() const { return phi; }
    double getSpeed() const { return speed; }
    double getMotionSensivity() const { return motionSensivity; }
    int getScrollSensivity() const { return scrollSensivity; }
    bool getHold() const { return hold; }
    bool getMouseIn() const { return mouseIn; }

private:
    // Clamps phi and recomputes forward, left and target from the angles.
    void VectorsFromAngles();
    void monter(int pas);

    double speed = 0.01;
    double motionSensivity = 0.2;
    int scrollSensivity = 2;
    bool hold = false;
    double oldX = 0;
    double oldY = 0;
    int verticalMotion = 0;
    CVecteur3D position;
    CVecteur3D initialPosition;
    CVecteur3D target;
    CVecteur3D forward;
    CVecteur3D left;
    double theta = 0;
    double phi = 0;
    float lightPosition[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    bool mouseIn = false;
};
