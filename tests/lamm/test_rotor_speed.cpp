// Rotor speed along a Lamm solution: speed steps, the acceleration from rest.
#include <gtest/gtest.h>

#include <cmath>

#include "lamm_fixture.h"

namespace {
double omega(double rpm) { return rpm * 2 * M_PI / 60; }
}

TEST(LammRotor, SpeedStepsAndTheirEnds)
{
    CLammIdeal L;
    const float start[] = {0, 0, 600}, rpm[] = {0, 30000, 40000}, rate[] = {0, 300, 100};
    L.LoadSpeedSteps(2, start, rpm, rate, 0);
    ASSERT_TRUE(L.bSpeedProfile);
    EXPECT_FALSE(L.bCheckAcceleration);
    EXPECT_DOUBLE_EQ(L.pStepAccelEnd[1], 100.0);  // 30000 rpm at 300 rpm/s
    EXPECT_DOUBLE_EQ(L.pStepAccelEnd[2], 700.0);  // 10000 rpm more at 100 rpm/s after 600 s
    EXPECT_DOUBLE_EQ(L.SpeedAtTime(650), 35000.0);
    EXPECT_DOUBLE_EQ(L.SpeedAtTime(50), 15000.0);
    EXPECT_DOUBLE_EQ(L.SpeedAtTime(300), 30000.0);
    EXPECT_DOUBLE_EQ(L.SpeedAtTime(5000), 40000.0);
    EXPECT_DOUBLE_EQ(L.SpeedAtTime(-1), 0.0);
    EXPECT_TRUE(L.SpeedNeverDropsAfter(650));

    // A first step that starts late ends at its start plus speed over rate; a
    // rate of 0 changes the speed at once; a step that starts before the
    // previous change could end cuts that end to one second before it.
    CLammIdeal P;
    const float s2[] = {0, 120, 300, 400}, v2[] = {0, 20000, 50000, 10000}, a2[] = {0, 200, 0, 100};
    P.LoadSpeedSteps(3, s2, v2, a2, 0);
    EXPECT_DOUBLE_EQ(P.pStepAccelEnd[1], 220.0);
    // from rest at its start: 10000 rpm after 50 s at 200 rpm/s
    EXPECT_DOUBLE_EQ(P.SpeedAtTime(170), 10000.0);
    EXPECT_DOUBLE_EQ(P.pStepAccelEnd[2], 300.0);
    EXPECT_DOUBLE_EQ(P.SpeedAtTime(300), 50000.0);
    EXPECT_DOUBLE_EQ(P.SpeedAtTime(299.5), 20000.0);
    EXPECT_DOUBLE_EQ(P.pStepAccelEnd[3], 800.0);
    EXPECT_FALSE(P.SpeedNeverDropsAfter(350));
    // once the last step has slowed to its speed (at 800 s) the rotor keeps it
    EXPECT_DOUBLE_EQ(P.SpeedAtTime(900), 10000.0);
    EXPECT_TRUE(P.SpeedNeverDropsAfter(900));
    const float s3[] = {0, 0, 50}, v3[] = {0, 30000, 40000}, a3[] = {0, 300, 100};
    CLammIdeal Q;
    Q.LoadSpeedSteps(2, s3, v3, a3, 0);
    EXPECT_DOUBLE_EQ(Q.pStepAccelEnd[1], 49.0);
}

TEST(LammRotor, AccelerationFromRest)
{
    LammExperiment e(2, 600, 1200, 50000, 6.0, 7.2, 50);
    e.headers[1].accelRate = 200;
    e.headers[1].accelTime = 250;
    auto L = makeSolver(e, 5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    L->bRampRotorSpeed = 1;
    L->InitAcceleration();
    EXPECT_TRUE(L->bAccelerating);
    EXPECT_DOUBLE_EQ(L->dAccelEnd, 250.0);
    // speed over [0, 10] s at 200 rpm/s: root mean square of 0 and 2000 rpm
    EXPECT_NEAR(L->RotorSpeedOverStep(0, 10), std::sqrt(2000.0 * 2000.0 / 2), 1e-9);
    EXPECT_NEAR(L->RotorSpeedOverStep(0, 10), 1414.2, 0.1);
    EXPECT_DOUBLE_EQ(L->RotorSpeedOverStep(300, 10), 50000.0);
    // a step is cut at the largest acceleration step and at the end of the ramp
    L->InitAcceleration();
    L->dTime = 245;
    L->dTimeStep = 30;
    bool clipped = false;
    EXPECT_DOUBLE_EQ(L->ClipTimeStepToAcceleration(true, &clipped), 5.0);
    EXPECT_TRUE(clipped);
    // an acceleration time below 10 s means no ramp
    e.headers[1].accelTime = 8;
    L->InitAcceleration();
    EXPECT_FALSE(L->bAccelerating);
    EXPECT_DOUBLE_EQ(L->RotorSpeedOverStep(0, 10), 50000.0);
}

// omega^2 t over the steps of a linear ramp against the closed form
// (2 pi / 60)^2 a^2 T^3 / 3 + w^2 (t - T), and the plateau of a solution that
// starts from rest: c0 exp(-2 s omega^2 t).
TEST(LammRotor, OmegaSquaredTOverARampAndThePlateau)
{
    const double a = 200, rpm = 50000, T = rpm / a, s = 5;
    LammExperiment e(4, 400, 1600, rpm, 6.0, 7.2, 300);
    e.headers[1].accelRate = a;
    e.headers[1].accelTime = T;
    auto L = makeSolver(e, s, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    L->bRampRotorSpeed = 1;
    L->InitAcceleration();
    double w2t = 0;
    L->dTime = 0;
    while (L->dTime < 400) {
        L->dTimeStep = 1000;
        L->ClipTimeStepToAcceleration(true, nullptr);
        if (L->dTime + L->dTimeStep > 400) L->dTimeStep = 400 - L->dTime;
        const double v = omega(L->RotorSpeedOverStep(L->dTime, L->dTimeStep));
        w2t += v * v * L->dTimeStep;
        L->dTime += L->dTimeStep;
    }
    const double exact = omega(a) * omega(a) * T * T * T / 3 + omega(rpm) * omega(rpm) * (400 - T);
    EXPECT_NEAR(w2t / exact, 1.0, 1e-3);
    // the mean of the squared end speeds is the trapezoid rule on omega^2 = (a t)^2:
    // each 10 s step of the ramp adds a^2 dt^3 / 6 to the exact integral
    EXPECT_NEAR(w2t, exact + omega(a) * omega(a) * (T / 10) * 1000.0 / 6, 1e-6 * exact);

    runOnGrid(*L, 800);
    ASSERT_EQ(L->nAbort, 0);
    for (int k = 1; k <= e.nScans; k++) {
        const double t = e.headers[k].timeWritten;
        const double x = omega(a) * omega(a) * T * T * T / 3 + omega(rpm) * omega(rpm) * (t - T);
        const int j = (int)std::lround((7.0 - 6.0) / 1.2 * 299) + 1;
        EXPECT_NEAR(e.out[k][j], std::exp(-2 * s * 1e-13 * x), 1e-5) << "scan " << k;
    }
}

// A speed profile drives the run: the plateau follows the integral of the
// stepped speeds.
TEST(LammRotor, PlateauUnderASpeedProfile)
{
    const double s = 5;
    LammExperiment e(2, 1500, 3000, 40000, 6.0, 7.2, 300);
    auto L = makeSolver(e, s, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    const float start[] = {0, 0, 1000}, rpm[] = {0, 30000, 40000}, rate[] = {0, 300, 0};
    L->LoadSpeedSteps(2, start, rpm, rate, 0);
    runOnGrid(*L, 800);
    ASSERT_EQ(L->nAbort, 0);
    // ramp to 30000 rpm in 100 s, 30000 rpm until 1000 s, 40000 rpm at once
    auto x = [&](double t) {
        const double ramp = omega(300) * omega(300) * 100.0 * 100 * 100 / 3;
        return ramp + omega(30000) * omega(30000) * 900 + omega(40000) * omega(40000) * (t - 1000);
    };
    const int j = (int)std::lround((7.0 - 6.0) / 1.2 * 299) + 1;
    for (int k = 1; k <= 2; k++)
        EXPECT_NEAR(e.out[k][j], std::exp(-2 * s * 1e-13 * x(e.headers[k].timeWritten)), 2e-5);
}

// A speed profile of one step from rest is the ramp of the first scan's
// header in another form: 0 to 50000 rpm at 50 rpm/s ends at 1000 s either
// way, and the dynamic grid sizes, which follow the boundary's width when it
// reaches the inner fit limit through the ramp, come out the same (and not as
// for a rotor at full speed from the start).
TEST(LammRotor, AOneStepProfileRampsLikeTheFirstScansHeader)
{
    const double s = 5, D = 6e-7;
    LammExperiment e(2, 2000, 4000, 50000, 6.0, 7.2, 50);
    auto still = makeSolver(e, s, D, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    still->InitAcceleration();
    still->DynamicGridSizes(s, D);
    e.headers[1].accelRate = 50;
    e.headers[1].accelTime = 1000;
    auto ramp = makeSolver(e, s, D, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    ramp->bRampRotorSpeed = 1;
    ramp->InitAcceleration();
    ramp->DynamicGridSizes(s, D);
    auto profile = makeSolver(e, s, D, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    const float start[] = {0, 0}, rpm[] = {0, 50000}, rate[] = {0, 50};
    profile->LoadSpeedSteps(1, start, rpm, rate, 0);
    profile->InitAcceleration();
    profile->DynamicGridSizes(s, D);
    EXPECT_DOUBLE_EQ(ramp->dAccelEnd, 1000.0);
    EXPECT_DOUBLE_EQ(profile->dAccelEnd, 1000.0);
    EXPECT_EQ(profile->fDynGridSizeEngine1, ramp->fDynGridSizeEngine1);
    EXPECT_LT(ramp->fDynGridSizeEngine1, still->fDynGridSizeEngine1);
}
