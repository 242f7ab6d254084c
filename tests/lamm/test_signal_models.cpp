// Signal models of the solver: time factors, radial convolution, the shadow of
// the cell base, the radial resolution of absorbance data, Wiener skewing.
#include <gtest/gtest.h>

#include <cmath>

#include "lamm_fixture.h"

TEST(LammSignal, DriftAndBleachingFactors)
{
    CLammIdeal L;
    float r[4] = {0, 6.0f, 6.5f, 7.0f};
    EXPECT_FALSE(L.SetSignalFactorsForScans(100, 3, r));  // time signal off
    EXPECT_DOUBLE_EQ(L.pSignalFactors[2], 1.0);
    EXPECT_FALSE(L.SetSignalFactorsForScans(100, 0, r));
    // 3.6 per hour is 0.001 per second: at 1000 s the drift doubles the signal;
    // bleaching at 3.6 per hour to a limit of 0.2 leaves 0.8 e^-1 + 0.2
    L.SetSignalTimeDrift(true, true, 3.6f, true, 3.6f, 0.2f);
    ASSERT_TRUE(L.SetSignalFactorsForScans(1000, 3, r));
    EXPECT_NEAR(L.pSignalFactors[1], 2 * (0.8 * std::exp(-1.0) + 0.2), 1e-6);
    EXPECT_EQ(L.pSignalFactors[1], L.pSignalFactors[3]);
    // a limit above 1 with fast bleaching cannot go below 0
    L.SetSignalTimeDrift(true, false, 0, true, -36000.0f, -0.5f);
    ASSERT_TRUE(L.SetSignalFactorsForScans(10, 3, r));
    EXPECT_EQ(L.pSignalFactors[2], 0.0);

    // over whole scans the drift runs from the start of the rotor, not from
    // an analysis time derived from omega^2 t
    LammExperiment e(1, 1000, 1000, 50000, 6.0, 7.2, 4);
    e.headers[1].time = 900;
    CLammIdeal S;
    S.SetSedimentationParams(5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    S.SetScanData(nullptr, nullptr, e.headers.data(), e.out, e.radii, e.nPoints, nullptr, nullptr, false, nullptr,
                  1, 1, true, true, false, 0, false, 0, false);
    S.SetSignalTimeDrift(true, true, 3.6f, false, 0, 1);
    for (int j = 1; j <= 4; j++) e.out[1][j] = 1;
    S.ApplySignalTransforms();
    EXPECT_NEAR(e.out[1][3], 2.0, 1e-6);
}

// The radial magnification gradient is entered as 1 + da/dr: the signal keeps
// its value at the meniscus and grows by (factor - 1) per cm outwards; with a
// drift the two factors multiply.
TEST(LammSignal, RadialMagnificationGradient)
{
    LammExperiment e(1, 1000, 1000, 50000, 6.0, 7.2, 5);  // radii 6.0, 6.3, ..., 7.2
    CLammIdeal S;
    S.SetSedimentationParams(5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    S.SetScanData(nullptr, nullptr, e.headers.data(), e.out, e.radii, e.nPoints, nullptr, nullptr, false, nullptr,
                  1, 1, true, true, false, 0, false, 0, false);
    S.SetRadialSignalSlope(true, 1.5f);
    for (int j = 1; j <= 5; j++) e.out[1][j] = 2;
    S.ApplySignalTransforms();
    EXPECT_NEAR(e.out[1][1], 2.0, 1e-6);        // at the meniscus
    EXPECT_NEAR(e.out[1][3], 2 * 1.3, 1e-6);    // 0.6 cm out: 1 + 0.5 x 0.6
    EXPECT_NEAR(e.out[1][5], 2 * 1.6, 1e-6);    // 1.2 cm out
    // a factor below 1 lets the signal fall outwards
    S.SetRadialSignalSlope(true, 0.75f);
    for (int j = 1; j <= 5; j++) e.out[1][j] = 1;
    S.SetSignalTimeDrift(true, true, 3.6f, false, 0, 1);  // doubles the signal at 1000 s
    S.ApplySignalTransforms();
    EXPECT_NEAR(e.out[1][1], 2.0, 1e-6);
    EXPECT_NEAR(e.out[1][5], 2 * 0.7, 1e-6);
    // switched off, the signal stays as it is
    S.SetRadialSignalSlope(false, 1.5f);
    S.SetSignalTimeDrift(false, false, 0, false, 0, 1);
    for (int j = 1; j <= 5; j++) e.out[1][j] = 1;
    S.ApplySignalTransforms();
    EXPECT_EQ(e.out[1][5], 1.0f);
}

TEST(LammSignal, ShadowOfTheCellBase)
{
    CLammIdeal L;
    L.SetSedimentationParams(5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    L.SetBottomZone(true, 0.04f);
    const double w = (double)0.04f;
    // distances from the base: 0.1 (outside the zone), w/2, 0, -w/2, -w
    float r[6] = {0, 7.1f, (float)(7.2 - w / 2), 7.2f, (float)(7.2 + w / 2), (float)(7.2 + 1.01 * w)};
    float v[6] = {0, 2, 2, 2, 2, 2};
    L.BottomZoneRow(v, r, 5);
    EXPECT_FLOAT_EQ(v[1], 2.0f);
    // theta = acos(1/2): 1 - (2 pi / 3 - sqrt(3) / 4) / (2 pi)
    EXPECT_NEAR(v[2], 2 * (1 - (2 * M_PI / 3 - std::sqrt(3.0) / 4) / (2 * M_PI)), 2e-5);
    EXPECT_NEAR(v[3], 1.0, 1e-5);  // half of the disc at the base itself
    EXPECT_NEAR(v[4], 2 * (1 - (4 * M_PI / 3 + std::sqrt(3.0) / 4) / (2 * M_PI)), 2e-5);
    EXPECT_EQ(v[5], 0.0f);  // beyond the zone on the far side of the base
}

TEST(LammSignal, RadialConvolution)
{
    // 101 radii 0.001 cm apart from 6.0 cm; a Gaussian of width 0.002 cm over 2 widths
    LammExperiment e(1, 100, 100, 50000, 6.0, 6.1, 101);
    CLammIdeal L;
    L.SetSedimentationParams(5, 6e-7, 5.99, 7.2, 1.0, 6.05f, 7.1f);
    L.SetScanData(nullptr, nullptr, e.headers.data(), e.out, e.radii, e.nPoints, nullptr, nullptr, false, nullptr,
                  1, 1, true, true, false, 0, false, 0, false);
    L.SetRadialConvolution(true, 0.002f, 2.0f);
    ASSERT_EQ(L.nRadiiEquidistant, 1);
    EXPECT_EQ(L.nConvFirst, 1);
    EXPECT_EQ(L.nConvLast, 101);
    float v[102];
    for (int j = 1; j <= 101; j++) v[j] = 1;
    L.ConvolveRow(v, e.radii, 101, 5.99, 7.2);
    const double sp = (double)e.radii[2] - e.radii[1], wd = (double)0.002f;
    auto g = [&](int i) { return (double)(float)std::exp(-(i * sp) * (i * sp) / (wd * wd)); };
    const double w1 = g(1), w2 = g(2), w3 = g(3), w4 = g(4);  // exp(-1/4), exp(-1), exp(-9/4), exp(-4)
    EXPECT_NEAR(w2, std::exp(-1.0), 1e-4);
    const double sum = w1 + w2 + w3 + w4;
    EXPECT_NEAR(v[50], 1.0, 1e-6);  // a constant signal stays inside
    EXPECT_NEAR(v[1], (1 + sum) / (1 + 2 * sum), 1e-6);  // and drops at the ends
    EXPECT_NEAR(v[101], (1 + sum) / (1 + 2 * sum), 1e-6);
    EXPECT_NEAR(v[2], (1 + sum + w1) / (1 + 2 * sum), 1e-6);
    EXPECT_NEAR(v[1], 0.6412, 1e-3);

    // radii whose steps differ by more than 1e-5 cm have no kernel
    e.radii[50] += 3e-5f;
    L.SetRadialConvolution(true, 0.002f, 2.0f);
    EXPECT_EQ(L.nRadiiEquidistant, 2);
    EXPECT_EQ(L.pConvWeights, nullptr);

    // then the weights come from the radii themselves; beyond the last radius
    // the mean spacing continues them in the denominator, before the first
    // radius nothing does
    float rr[6] = {0, 6.0f, 6.0015f, 6.0025f, 6.0100f, 6.0110f}, vv[6] = {0, 1, 1, 1, 1, 1};
    L.ConvolveRow(vv, rr, 5, 5.99, 7.2);
    auto weight = [&](double d) { return std::exp(-d * d / (wd * wd)); };
    EXPECT_NEAR(vv[1], 1.0, 1e-6);
    const double inner = weight((double)rr[5] - rr[4]), beyond = weight(((double)rr[5] - rr[1]) / 4);
    EXPECT_NEAR(vv[5], (1 + inner) / (1 + inner + beyond), 1e-6);
}

// The kernel of equidistant radii and the direct sum over the radii are two
// ways to the same convolution: inside the data they agree, also where the
// meniscus and the base fall exactly on a radius (such a radius lies in the
// cell and its signal counts for its neighbours; those beyond do not).
TEST(LammSignal, RadialConvolutionKernelAgreesWithTheDirectSum)
{
    // radii 1/1024 cm apart, exact in a float, so that both ways see one spacing
    LammExperiment e(1, 100, 100, 50000, 6.0, 6.0 + 100.0 / 1024, 101);
    const int first = 30, last = 80;
    const double m = e.radii[first], b = e.radii[last];
    CLammIdeal K;  // with the scans: the kernel
    K.SetSedimentationParams(5, 6e-7, m, b, 1.0, 6.04f, 6.07f);
    K.SetScanData(nullptr, nullptr, e.headers.data(), e.out, e.radii, e.nPoints, nullptr, nullptr, false, nullptr,
                  1, 1, true, true, false, 0, false, 0, false);
    K.SetRadialConvolution(true, 0.002f, 2.0f);
    ASSERT_EQ(K.nRadiiEquidistant, 1);
    ASSERT_NE(K.pConvWeights, nullptr);
    CLammIdeal D;  // without them: the sum over the radii
    D.SetSedimentationParams(5, 6e-7, m, b, 1.0, 6.04f, 6.07f);
    D.SetRadialConvolution(true, 0.002f, 2.0f);
    ASSERT_EQ(D.pConvWeights, nullptr);
    float vk[102], vd[102];
    for (int j = 1; j <= 101; j++) vk[j] = vd[j] = (float)(1 + 0.01 * j + 0.3 * std::sin(0.7 * j));
    K.ConvolveRow(vk, e.radii, 101, m, b);
    D.ConvolveRow(vd, e.radii, 101, m, b);
    for (int j = first; j <= last; j++) EXPECT_NEAR(vk[j], vd[j], 2e-6) << j;

    // The same radii held per scan, for a single scan whose tables have room
    // for that one scan only (as the loaded data's tables have): the scan's
    // row comes out as the kernel's. The kernel is only looked for among the
    // scans there are.
    std::vector<float*> scanRadii{nullptr, e.radii};
    std::vector<int> scanPoints{0, 101};
    scanRadii.shrink_to_fit();
    scanPoints.shrink_to_fit();
    CLammIdeal P;
    P.SetSedimentationParams(5, 6e-7, m, b, 1.0, 6.04f, 6.07f);
    P.SetScanData(nullptr, nullptr, e.headers.data(), e.out, nullptr, 0, scanRadii.data(), scanPoints.data(), false,
                  nullptr, 1, 1, true, true, false, 0, false, 0, false);
    ASSERT_TRUE(P.bPerScanRadii);
    P.SetRadialConvolution(true, 0.002f, 2.0f);
    for (int j = 1; j <= 101; j++) e.out[1][j] = (float)(1 + 0.01 * j + 0.3 * std::sin(0.7 * j));
    P.ApplySignalTransforms();
    for (int j = first; j <= last; j++) EXPECT_NEAR(e.out[1][j], vk[j], 2e-6) << "per scan " << j;
}

// Absorbance is the log of a transmission; the finite radial resolution
// averages transmissions: a step from 0 to 1 OD between two points becomes
// -log10 of the weighted mean of 1 and 0.1.
TEST(LammSignal, RadialResolutionOfAbsorbance)
{
    const int n = 41;
    double r[n + 1], a[n + 1];
    for (int i = 1; i <= n; i++) {
        r[i] = 6.0 + 0.001 * (i - 1);
        a[i] = i <= 20 ? 0.0 : 1.0;
    }
    a[41] = 150;  // an absorbance of 100 or more stays as it is
    const double R = 0.004, sigma = 0.42462845010615713 * R;
    CLammIdeal::RadialResolutionSmoothing(a, r, n, R);
    double ws = 0, ts = 0;
    for (int k = 1; k <= n; k++) {
        const double d = r[k] - r[20];
        if (std::fabs(d) > 2 * sigma) continue;
        const double w = std::exp(-d * d / (sigma * sigma));
        ws += w;
        ts += w * (k <= 20 ? 1.0 : 0.1);
    }
    EXPECT_NEAR(a[20], -std::log10(ts / ws), 1e-12);
    EXPECT_NEAR(a[5], 0.0, 1e-15);
    EXPECT_EQ(a[41], 150.0);
}

TEST(LammSignal, WienerSkewing)
{
    CLammIdeal L;
    L.SetWienerSkewing(0.0f, 0.0f);
    double r[11], c[11];
    for (int i = 1; i <= 10; i++) r[i] = 6.0 + 0.1 * i, c[i] = i;
    // no shift: the profile comes back
    ASSERT_TRUE(L.WienerSkewCorrection(c, r, 10, 10));
    EXPECT_NEAR(c[7], 7.0, 1e-12);
    // a linear profile shifted outwards by a x slope reads lower by a x slope^2,
    // at the last point (backward slope) as well; the first point has no slope
    // and stays, which bends the second
    L.dWienerA = 0.001;  // slope 10 per cm: shift 0.01 cm
    ASSERT_TRUE(L.WienerSkewCorrection(c, r, 10, 10));
    for (int i = 3; i <= 10; i++) EXPECT_NEAR(c[i], i - 0.1, 1e-9) << i;
    // a point count that differs from the grid is refused and remembered
    EXPECT_FALSE(L.WienerSkewCorrection(c, r, 9, 10));
    EXPECT_TRUE(L.bWienerIncompatible);
    EXPECT_NEAR(c[5], 4.9, 1e-9);
    L.SetWienerSkewing(0.001f, 0.0f);
    EXPECT_FALSE(L.bWienerIncompatible);

    // The largest curvature within the fit limits, its radius and the profile
    // it came from (the text of a fit with floating skew shows them). The
    // central difference is exact on a cubic: c = a (r - 6)^3 has c'' = 6 a
    // (r - 6), largest at the outer fit limit, 6.7; the steeper points beyond
    // it do not count.
    L.fFitInner = 6.15f;
    L.fFitOuter = 6.75f;
    L.AllocWienerSkewingArrays(10);
    for (double a : {1.0, -2.0, 0.5}) {
        for (int i = 1; i <= 10; i++) c[i] = a * std::pow(r[i] - 6.0, 3);
        L.WienerSkewTracking(c, r, 10);
    }
    EXPECT_NEAR(L.dWienerMaxCurvature, -12 * (r[7] - 6.0), 1e-9);
    EXPECT_EQ(L.dWienerMaxCurvatureAt, r[7]);
    EXPECT_EQ(L.nWienerMaxCall, 2);
}
