#include "core/Pi.h"
#include "view/camera/CFreeFlyCamera.h"
#include "view/camera/CTrackBallCamera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

EvenementSouris souris(BoutonSouris bouton, int x, int y, int delta = 0) {
    EvenementSouris e;
    e.bouton = bouton;
    e.x = x;
    e.y = y;
    e.delta = delta;
    return e;
}

EvenementSouris roue(int delta) { return souris(BoutonSouris::Aucun, 0, 0, delta); }

// The trackball camera with the settings the view gives it.
void reglerCommeLaVue(CTrackBallCamera& c) {
    c.setDistance(-1);
    c.setScrollSensivity(0.5);
    c.setMotionSensivity(1.0);
}

void reglerCommeLaVue(CFreeFlyCamera& c) {
    c.setPosition(CVecteur3D(0, 0, 2));
    c.setMotionSensivity(0.5);
    c.setScrollSensivity(1);
    c.setSpeed(0.5);
}

void attendreVecteur(const CVecteur3D& v, double x, double y, double z) {
    EXPECT_NEAR(v.getX(), x, 1e-12);
    EXPECT_NEAR(v.getY(), y, 1e-12);
    EXPECT_NEAR(v.getZ(), z, 1e-12);
}

} // namespace

TEST(EtatClavier, KeyCountsWhileDownAndOnceAfterAQuickPress) {
    EtatClavier k;
    EXPECT_FALSE(k.estPressee(Touche::Z));
    k.appuyer(Touche::Z);
    EXPECT_TRUE(k.estPressee(Touche::Z));
    EXPECT_TRUE(k.estPressee(Touche::Z)) << "a held key stays pressed";
    k.relacher(Touche::Z);
    EXPECT_FALSE(k.estPressee(Touche::Z));
    // Pressed and released between two queries: seen once by the next query only.
    k.appuyer(Touche::Q);
    k.relacher(Touche::Q);
    EXPECT_TRUE(k.estPressee(Touche::Q));
    EXPECT_FALSE(k.estPressee(Touche::Q));
    EXPECT_FALSE(k.estPressee(Touche::Z)) << "keys are independent";
    k.appuyer(Touche::S);
    k.toutRelacher();
    EXPECT_FALSE(k.estPressee(Touche::S));
}

TEST(CTrackBallCamera, WheelQuotientAndDistanceLimits) {
    CTrackBallCamera c;
    reglerCommeLaVue(c);
    c.OnMouseWheel(roue(120));
    EXPECT_DOUBLE_EQ(c.getDistance(), -1.5) << "a notch away moves the scene away";
    c.OnMouseWheel(roue(-120));
    EXPECT_DOUBLE_EQ(c.getDistance(), -1.0);
    // A fine-grained delta has quotient 0 and counts as a turn toward the user, either sign.
    c.OnMouseWheel(roue(119));
    EXPECT_DOUBLE_EQ(c.getDistance(), -0.5);
    c.OnMouseWheel(roue(-119));
    EXPECT_DOUBLE_EQ(c.getDistance(), 0.0);
    c.OnMouseWheel(roue(240));
    EXPECT_DOUBLE_EQ(c.getDistance(), -0.5) << "several notches in one event still move one step";

    for (int i = 0; i < 2000; ++i)
        c.OnMouseWheel(roue(120));
    EXPECT_DOUBLE_EQ(c.getDistance(), -500.0);
    for (int i = 0; i < 3000; ++i)
        c.OnMouseWheel(roue(-120));
    EXPECT_DOUBLE_EQ(c.getDistance(), 500.0);
    EXPECT_DOUBLE_EQ(c.getInitialDistance(), -1.0) << "the wheel does not move the reset value";
}

TEST(CTrackBallCamera, DragTurnsAndAngleXStopsAtHalfTurn) {
    CTrackBallCamera c;
    reglerCommeLaVue(c);
    c.OnMouseMove(souris(BoutonSouris::Aucun, 50, 50));
    EXPECT_EQ(c.getAngleX(), 0.0) << "no turn without a held button";
    c.setHold(true, souris(BoutonSouris::Gauche, 10, 20));
    c.OnMouseMove(souris(BoutonSouris::Gauche, 15, 23));
    EXPECT_DOUBLE_EQ(c.getAngleY(), 5.0);
    EXPECT_DOUBLE_EQ(c.getAngleX(), 3.0);
    c.OnMouseMove(souris(BoutonSouris::Gauche, 15, 400));
    EXPECT_DOUBLE_EQ(c.getAngleX(), 180.0);
    c.OnMouseMove(souris(BoutonSouris::Gauche, 15, -1000));
    EXPECT_DOUBLE_EQ(c.getAngleX(), -180.0);
    // angleY has no bound.
    c.OnMouseMove(souris(BoutonSouris::Gauche, 1015, -1000));
    EXPECT_DOUBLE_EQ(c.getAngleY(), 1005.0);
    // Starting from the clamp, the next motion counts from the last position, not the clamp.
    c.OnMouseMove(souris(BoutonSouris::Gauche, 1015, -990));
    EXPECT_DOUBLE_EQ(c.getAngleX(), -170.0);
    c.setHold(false, souris(BoutonSouris::Gauche, 1015, -990));
    c.OnMouseMove(souris(BoutonSouris::Aucun, 0, 0));
    EXPECT_DOUBLE_EQ(c.getAngleY(), 1005.0);
}

TEST(CTrackBallCamera, RightButtonNeitherTurnsNorKeepsALeftDrag) {
    CTrackBallCamera c;
    reglerCommeLaVue(c);
    c.setHold(true, souris(BoutonSouris::Droit, 0, 0));
    EXPECT_FALSE(c.getHold());
    c.OnMouseMove(souris(BoutonSouris::Droit, 40, 40));
    EXPECT_EQ(c.getAngleX(), 0.0);
    EXPECT_EQ(c.getAngleY(), 0.0);

    c.setHold(true, souris(BoutonSouris::Gauche, 0, 0));
    c.OnMouseMove(souris(BoutonSouris::Gauche, 10, 0));
    c.setHold(true, souris(BoutonSouris::Droit, 99, 99));
    EXPECT_FALSE(c.getHold()) << "a right press ends the left drag";
    c.OnMouseMove(souris(BoutonSouris::Gauche, 30, 30));
    EXPECT_DOUBLE_EQ(c.getAngleY(), 10.0);
    // The next left press starts from its own position, not the right button's.
    c.setHold(true, souris(BoutonSouris::Gauche, 30, 30));
    c.OnMouseMove(souris(BoutonSouris::Gauche, 31, 30));
    EXPECT_DOUBLE_EQ(c.getAngleY(), 11.0);
}

TEST(CTrackBallCamera, KeysResetToTheDistanceTheViewSet) {
    CTrackBallCamera c;
    reglerCommeLaVue(c);
    EtatClavier k;
    c.setHold(true, souris(BoutonSouris::Gauche, 0, 0));
    c.OnMouseMove(souris(BoutonSouris::Gauche, 30, 40));
    k.appuyer(Touche::M);
    c.OnKeyboard(k);
    EXPECT_DOUBLE_EQ(c.getDistance(), -1.5);
    k.relacher(Touche::M);
    k.appuyer(Touche::P);
    c.OnKeyboard(k);
    c.OnKeyboard(k);
    EXPECT_DOUBLE_EQ(c.getDistance(), -0.5);
    k.relacher(Touche::P);
    k.appuyer(Touche::R);
    k.relacher(Touche::R);
    c.OnKeyboard(k);
    EXPECT_DOUBLE_EQ(c.getDistance(), -1.0) << "R restores the set distance, not 0";
    EXPECT_EQ(c.getAngleX(), 0.0);
    EXPECT_EQ(c.getAngleY(), 0.0);
    // R is checked before M and P, so R+P together reset then come closer.
    k.appuyer(Touche::R);
    k.appuyer(Touche::P);
    c.OnKeyboard(k);
    EXPECT_DOUBLE_EQ(c.getDistance(), -0.5);
    const float* l = c.getLightPosition();
    EXPECT_EQ(l[0], 0.0f);
    EXPECT_EQ(l[1], 10.0f);
    EXPECT_EQ(l[2], 30.0f);
    EXPECT_EQ(l[3], 1.0f);
}

TEST(CFreeFlyCamera, StartsLookingDownMinusZ) {
    CFreeFlyCamera c;
    attendreVecteur(c.getForward(), 0, 0, -1);
    attendreVecteur(c.getLeft(), -1, 0, 0);
    attendreVecteur(c.getTarget(), 0, 0, -1);
    EXPECT_DOUBLE_EQ(c.getSpeed(), 0.01);
    EXPECT_EQ(c.getScrollSensivity(), 2);
    reglerCommeLaVue(c);
    attendreVecteur(c.getPosition(), 0, 0, 2);
    attendreVecteur(c.getInitialPosition(), 0, 0, 2);
    attendreVecteur(c.getTarget(), 0, 0, 1);
}

TEST(CFreeFlyCamera, MouseLookNeedsHoldAndPointerInsideAndStopsPitchAt89) {
    CFreeFlyCamera c;
    reglerCommeLaVue(c);
    c.setHold(true, souris(BoutonSouris::Gauche, 100, 100));
    c.OnMouseMove(souris(BoutonSouris::Gauche, 120, 100));
    EXPECT_EQ(c.getTheta(), 0.0) << "pointer outside the view: no turn";
    c.setMouseIn(true);
    c.OnMouseMove(souris(BoutonSouris::Gauche, 280, 100));
    EXPECT_DOUBLE_EQ(c.getTheta(), 90.0) << "the whole displacement since the last inside motion";
    attendreVecteur(c.getForward(), 1, 0, 0);
    attendreVecteur(c.getLeft(), 0, 0, -1);
    attendreVecteur(c.getTarget(), 1, 0, 2);

    c.OnMouseMove(souris(BoutonSouris::Gauche, 280, 90));
    EXPECT_DOUBLE_EQ(c.getPhi(), 5.0) << "moving up looks up";
    c.OnMouseMove(souris(BoutonSouris::Gauche, 280, -1000));
    EXPECT_DOUBLE_EQ(c.getPhi(), 89.0);
    c.OnMouseMove(souris(BoutonSouris::Gauche, 280, 3000));
    EXPECT_DOUBLE_EQ(c.getPhi(), -89.0);
    const CVecteur3D& f = c.getForward();
    EXPECT_NEAR(f.length(), 1.0, 1e-12);
    EXPECT_NEAR(f.getY(), std::sin(-89.0 * kPi / 180), 1e-12);
    EXPECT_NEAR(c.getLeft().length(), 1.0, 1e-12);
    EXPECT_NEAR(c.getLeft().getY(), 0.0, 1e-12) << "left stays horizontal";

    c.setHold(true, souris(BoutonSouris::Droit, 0, 0));
    c.OnMouseMove(souris(BoutonSouris::Droit, 0, 0));
    EXPECT_DOUBLE_EQ(c.getTheta(), 90.0) << "the right button does not turn";
}

TEST(CFreeFlyCamera, KeysMoveAndCombine) {
    CFreeFlyCamera c;
    reglerCommeLaVue(c);
    EtatClavier k;
    // Z and Q held together: one step along each per key event.
    k.appuyer(Touche::Z);
    k.appuyer(Touche::Q);
    c.OnKeyboard(k);
    attendreVecteur(c.getPosition(), -0.5, 0, 1.5);
    attendreVecteur(c.getTarget(), -0.5, 0, 0.5);
    // The space bar triples horizontal steps but not vertical ones.
    k.relacher(Touche::Q);
    k.appuyer(Touche::Espace);
    k.appuyer(Touche::P);
    c.OnKeyboard(k);
    attendreVecteur(c.getPosition(), -0.5, 0.5, 0.0);
    k.toutRelacher();
    k.appuyer(Touche::D);
    k.appuyer(Touche::S);
    k.appuyer(Touche::M);
    c.OnKeyboard(k);
    attendreVecteur(c.getPosition(), 0.0, 0.0, 0.5);
    k.toutRelacher();

    c.setMouseIn(true);
    c.setHold(true, souris(BoutonSouris::Gauche, 0, 0));
    c.OnMouseMove(souris(BoutonSouris::Gauche, 40, 20));
    k.appuyer(Touche::R);
    c.OnKeyboard(k);
    attendreVecteur(c.getPosition(), 0, 0, 2);
    EXPECT_EQ(c.getTheta(), 0.0);
    EXPECT_EQ(c.getPhi(), 0.0);
    attendreVecteur(c.getForward(), 0, 0, -1);
    attendreVecteur(c.getTarget(), 0, 0, 1);
}

TEST(CFreeFlyCamera, WheelMovesVerticallyByScrollStepsOfSpeed) {
    CFreeFlyCamera c;
    reglerCommeLaVue(c);
    c.OnMouseWheel(roue(120));
    attendreVecteur(c.getPosition(), 0, 0.5, 2);
    attendreVecteur(c.getTarget(), 0, 0.5, 1);
    c.OnMouseWheel(roue(60));
    attendreVecteur(c.getPosition(), 0, 0, 2);
    c.OnMouseWheel(roue(-360));
    attendreVecteur(c.getPosition(), 0, -0.5, 2);
    CFreeFlyCamera d;
    d.OnMouseWheel(roue(120));
    // Defaults: 2 steps of 0.01.
    attendreVecteur(d.getPosition(), 0, 0.02, 0);
}
