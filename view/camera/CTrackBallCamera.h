#pragma once
// Trackball camera: the eye stays at (0, 0.25, 3) looking at the origin while the scene turns
// about its own centre (angleX, angleY in degrees) and slides along the world z axis (distance,
// scene units). It also owns the light position, given in eye coordinates.

#include "view/camera/EntreeCamera.h"

class CTrackBallCamera {
public:
    // Bounds of distance and of angleX.
    static constexpr double distanceMax = 500.0;
    static constexpr double angleXMax = 180.0;

    CTrackBallCamera();
    CTrackBallCamera(const CTrackBallCamera&) = delete;
    CTrackBallCamera& operator=(const CTrackBallCamera&) = delete;

    void setMotionSensivity(double sensivity) { motionSensivity = sensivity; }
    void setScrollSensivity(double sensivity) { scrollSensivity = sensivity; }
    // Sets distance and the value the reset key restores.
    void setDistance(int newDistance);
    // Left button: starts (enfonce) or ends a drag at the event's position. Any other button
    // ends the drag and keeps the last position.
    void setHold(bool enfonce, const EvenementSouris& event);
    void OnMouseMove(const EvenementSouris& event);
    void OnMouseWheel(const EvenementSouris& event);
    // Polls R (reset), M (scene away) and P (scene closer), in that order.
    void OnKeyboard(EtatClavier& clavier);
    // Multiplies the current matrix by the eye transform and the scene's translation and turns
    // (needs a current OpenGL context).
    void look() const;
    const float* getLightPosition() const { return lightPosition; }

    double getDistance() const { return distance; }
    double getInitialDistance() const { return initialDistance; }
    double getAngleX() const { return angleX; }
    double getAngleY() const { return angleY; }
    bool getHold() const { return hold; }
    double getMotionSensivity() const { return motionSensivity; }
    double getScrollSensivity() const { return scrollSensivity; }

private:
    void eloigner();
    void rapprocher();

    double motionSensivity = 1.0;
    double scrollSensivity = 1.0;
    bool hold = false;
    double distance = 0;
    double initialDistance = 0;
    double angleX = 0;
    double angleY = 0;
    double oldX = 0;
    double oldY = 0;
    float lightPosition[4] = {0.0f, 10.0f, 30.0f, 1.0f};
};
