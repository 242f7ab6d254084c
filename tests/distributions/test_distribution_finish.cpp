// The shown distribution: exact integrals and moments, the extent of a peak,
// the density rule, the transforms and the six-column file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/distribution_file.h"
#include "distributions/distribution_finish.h"
#include "distributions/distribution_fixture.h"
#include "distributions/distribution_integration.h"
#include "distributions/distribution_result.h"
#include "distributions/example_run_fixture.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"

using namespace win;

namespace {

class DistributionShownTest : public DistributionTest {
protected:
    void SetUp() override
    {
        DistributionTest::SetUp();
        bModelCS = 1;
    }
    // An s grid from 1 to 10 S of n points with the values of f.
    static void grid(int n, const std::function<float(float)>& f, const std::function<float(float)>& f2 = nullptr)
    {
        freeDistributionVectors();  // a second grid of the same test
        allocDistributionVectors(n);
        for (int i = 1; i <= n; i++) {
            pDistAxisS[i] = 1.0f + 9.0f * (i - 1) / (n - 1);
            pDistValues[i] = f(pDistAxisS[i]);
            pDistValues2[i] = f2 ? f2(pDistAxisS[i]) : 0.0f;
        }
    }
    static double area(const float* x, const float* c)
    {
        double a = 0;
        for (int i = 2; i <= nResolution; i++) a += 0.5 * (x[i] - x[i - 1]) * (c[i] + c[i - 1]);
        return a;
    }
};

float gauss(float x, float mu, float sd) { return std::exp(-0.5f * (x - mu) * (x - mu) / (sd * sd)); }

}  // namespace

TEST_F(DistributionShownTest, IntegralsAndMomentsOfConstantAndSlopedDensities)
{
    grid(10, [](float) { return 1.0f; });
    float a, m, t, sd, h, z;
    integrateDistribution(2.5f, 4.5f, &a, &m, &t, &sd, &h, &z);
    EXPECT_NEAR(a, 2.0f, 1e-5);
    EXPECT_NEAR(m, 3.5f, 1e-5);
    EXPECT_NEAR(t, 9.0f, 1e-5);
    EXPECT_NEAR(sd, 0.5774f, 1e-4);
    EXPECT_NEAR(z, 3.595f, 5e-4);
    EXPECT_NEAR(h, 2.0 / std::log(1.8), 5e-4);
    // the whole grid is the total; limits on grid points take only what lies
    // between them
    integrateDistribution(1.0f, 10.0f, &a, &m, &t, nullptr, nullptr, nullptr);
    EXPECT_FLOAT_EQ(a, t);
    integrateDistribution(3.0f, 4.0f, &a, &m, &t, nullptr, nullptr, nullptr);
    EXPECT_NEAR(a, 1.0f, 1e-6);
    // an empty range, and non-positive limits without logarithms
    integrateDistribution(20.0f, 30.0f, &a, &m, &t, &sd, &h, &z);
    EXPECT_EQ(a, 0.0f);
    EXPECT_EQ(t, 0.0f);
    integrateDistribution(-1.0f, 3.0f, &a, &m, &t, &sd, &h, &z);
    EXPECT_NEAR(a, 2.0f, 1e-6);
    EXPECT_EQ(h, 0.0f);
    EXPECT_EQ(z, 0.0f);
    // callers that want the area only
    integrateDistribution(2.5f, 4.5f, &a, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NEAR(a, 2.0f, 1e-5);
    // c(s) = s, which the straight segments hold exactly: limits inside sloped
    // segments take the clipped pieces of the line, so the moments are those
    // of the density itself: area (4.5^2 - 2.5^2) / 2 = 7, mean
    // (4.5^3 - 2.5^3) / 21, mean square (4.5^4 - 2.5^4) / 28 = 13.25,
    // harmonic mean 7 / 2
    grid(10, [](float s) { return s; });
    integrateDistribution(2.5f, 4.5f, &a, &m, &t, &sd, &h, &z);
    const double dMean = (91.125 - 15.625) / 21.0;
    EXPECT_NEAR(a, 7.0f, 1e-5);
    EXPECT_NEAR(m, dMean, 1e-5);
    EXPECT_NEAR(sd, std::sqrt(13.25 - dMean * dMean), 1e-5);
    EXPECT_NEAR(z, 13.25 / dMean, 1e-5);
    EXPECT_NEAR(h, 3.5f, 1e-5);
    EXPECT_NEAR(t, (100.0f - 1.0f) / 2.0f, 1e-4);
    grid(10, [](float) { return 1.0f; });
    // a range a ten-thousandth of a Svedberg wide on the flank of a peak: the
    // averages inside it, the spread that of a nearly flat piece (width /
    // sqrt(12))
    grid(91, [](float s) { return gauss(s, 4.3f, 0.1f); });
    const float lo = 4.0f, hi = 4.0001f;
    integrateDistribution(lo, hi, &a, &m, &t, &sd, &h, &z);
    for (float v : {m, h, z}) {
        EXPECT_GE(v, lo);
        EXPECT_LE(v, hi);
    }
    EXPECT_NEAR(sd, (hi - lo) / std::sqrt(12.0), 0.01 * (hi - lo));
    EXPECT_NEAR(a, (hi - lo) * gauss(4.00005f, 4.3f, 0.1f), 0.02 * a);
    grid(10, [](float) { return 1.0f; });

    // a discrete species in point 1: its segment is never integrated
    pDistValues[1] = 100.0f;
    bModelCSOneDiscreteD = 1;
    integrateDistribution(0.0f, 20.0f, &a, &m, &t, nullptr, nullptr, nullptr);
    EXPECT_NEAR(a, 8.0f, 1e-5);
    // the running integral keeps it as well
    differentialToIntegralDistribution();
    EXPECT_EQ(pDistValues[1], 100.0f);
    EXPECT_FLOAT_EQ(pDistValues[3], 1.0f);
    bModelCSOneDiscreteD = 0;
    pDistValues[1] = 1.0f;

    // I(Rh) as a linear density: the limits, log10 of the radius in m like
    // the axis, are taken on the radius in nm, 10^(x + 9); a constant 1 on
    // 1 to 10 nm over 2 to 4 nm gives area 2 and mean 3 nm
    bModelCS = 0;
    bDLSData = bModelDlsRh = bDlsDensityLinear = 1;
    for (int i = 1; i <= 10; i++) {
        pDistAxisS[i] = std::log10(static_cast<float>(i)) - 9.0f;
        pDistValues[i] = 1.0f;
    }
    integrateDistribution(std::log10(2.0f) - 9.0f, std::log10(4.0f) - 9.0f, &a, &m, &t, nullptr, nullptr, nullptr);
    EXPECT_NEAR(a, 2.0f, 1e-4);
    EXPECT_NEAR(m, 3.0f, 1e-4);
    EXPECT_NEAR(t, 9.0f, 1e-4);
}

TEST_F(DistributionShownTest, RunningIntegralOfAConstantDensityCountsTheGridSteps)
{
    grid(10, [](float) { return 1.0f; }, [](float) { return 7.0f; });
    differentialToIntegralDistribution();
    for (int i = 1; i <= 10; i++) {
        EXPECT_FLOAT_EQ(pDistValues[i], static_cast<float>(i - 1));
        EXPECT_EQ(pDistValues2[i], 7.0f);
    }
}

TEST_F(DistributionShownTest, TheExtentOfAPeak)
{
    // two peaks of areas 1 and 0.5 at 3 and 8 S, a ripple of 5 % on the
    // right flank of the first
    grid(181, [](float s) { return gauss(s, 3.0f, 0.3f) / (0.3f * 2.5066f) + 0.5f * gauss(s, 8.0f, 0.4f) / (0.4f * 2.5066f); });
    int k = 1;
    for (int i = 1; i <= nResolution; i++)
        if (pDistAxisS[i] < 5.0f && pDistValues[i] > pDistValues[k]) k = i;
    const int nRipple = k + 8;
    pDistValues[nRipple] *= 1.05f;
    float lo, hi, sw, height, fraction, signal;
    int nFirst, nLast;
    findPeakExtent(k, &lo, &hi, &sw, &nFirst, &nLast, &height, &fraction, &signal, 0.9f);
    EXPECT_EQ(height, pDistValues[k]);
    EXPECT_GT(nLast, nRipple);  // the ripple did not end the walk
    EXPECT_NEAR(sw, 3.0f, 0.01f);
    EXPECT_NEAR(signal, 1.0f, 0.01f);
    EXPECT_NEAR(fraction, 1.0f / 1.5f, 0.01f);
    // both walks end at the first point at 1 % of the height
    EXPECT_LE(pDistValues[nFirst], 0.01f * height);
    EXPECT_GT(pDistValues[nFirst + 1], 0.01f * height);
    EXPECT_LE(pDistValues[nLast], 0.01f * height);
    EXPECT_FLOAT_EQ(lo, pDistAxisS[nFirst]);
    EXPECT_FLOAT_EQ(hi, pDistAxisS[nLast]);

    // two peaks close together: the walk ends at the bottom of the valley
    // and does not climb into the other peak
    grid(181, [](float s) { return gauss(s, 4.0f, 0.5f) + 0.8f * gauss(s, 6.0f, 0.5f); });
    k = 1;
    for (int i = 1; i <= nResolution; i++)
        if (pDistAxisS[i] < 5.0f && pDistValues[i] > pDistValues[k]) k = i;
    findPeakExtent(k, &lo, &hi, &sw, &nFirst, &nLast, &height, &fraction, &signal, 0.9f);
    EXPECT_GT(hi, 4.8f);
    EXPECT_LT(hi, 5.6f);
    EXPECT_LT(sw, 4.5f);

    // a peak still above 1 % at the end of the grid ends there (10 S), and
    // with a discrete species in point 1 (here at 6 S, amplitude 0) the walk
    // down ends at point 2, the lowest s of the continuous grid
    for (const bool bDiscrete : {false, true}) {
        bModelCSOneDiscreteM = bDiscrete;
        grid(91, [](float s) { return gauss(s, 1.3f, 1.0f) + gauss(s, 9.8f, 1.0f); });
        if (bDiscrete) {
            pDistAxisS[1] = 6.0f;
            pDistValues[1] = 0.0f;
        }
        int kLow = 2, kHigh = nResolution;
        for (int i = 2; i <= nResolution; i++) {
            if (pDistAxisS[i] < 5.0f && pDistValues[i] > pDistValues[kLow]) kLow = i;
            if (pDistAxisS[i] > 5.0f && pDistValues[i] > pDistValues[kHigh]) kHigh = i;
        }
        ASSERT_LT(kHigh, nResolution);
        findPeakExtent(kHigh, &lo, &hi, &sw, &nFirst, &nLast, &height, &fraction, &signal, 0.9f);
        EXPECT_EQ(nLast, nResolution) << bDiscrete;
        EXPECT_EQ(hi, 10.0f) << bDiscrete;
        if (bDiscrete) {
            findPeakExtent(kLow, &lo, &hi, &sw, &nFirst, &nLast, &height, &fraction, &signal, 0.9f);
            EXPECT_EQ(nFirst, 2);
            EXPECT_FLOAT_EQ(lo, 1.1f);
            EXPECT_GT(hi, 4.0f);
            EXPECT_LT(hi, 5.0f);
        }
    }
    bModelCSOneDiscreteM = 0;

    // outside the grid: nothing
    findPeakExtent(0, &lo, &hi, &sw, &nFirst, &nLast, &height, &fraction, &signal, 0.9f);
    EXPECT_EQ(signal, 0.0f);
    EXPECT_EQ(nFirst, 0);
}

// The peaks of a record: two overlapping peaks at 3 and 4.2 S (their walks
// pass each other's valley) and a flat-topped one at 7.1 S with two maxima
// whose walks cross the shallow dip between them: three peaks, each once,
// over disjoint ranges, their fractions adding up to at most the total.
TEST_F(DistributionShownTest, DistinctPeaksOverDisjointRanges)
{
    grid(91, threePeaksFourMaxima);
    const std::vector<int> maxima = shownMaxima();
    ASSERT_EQ(maxima.size(), 5u);
    std::vector<DistributionPeak> peaks = distinctPeaks(maxima.data(), 4, 0.9f);
    ASSERT_EQ(peaks.size(), 3u);
    std::sort(peaks.begin(), peaks.end(), [](const auto& a, const auto& b) { return a.fLow < b.fLow; });
    float fSum = 0.0f;
    for (size_t k = 0; k < peaks.size(); k++) {
        if (k > 0) {
            EXPECT_GE(peaks[k].fLow, peaks[k - 1].fHigh) << k;
        }
        EXPECT_GE(peaks[k].fMean, peaks[k].fLow);
        EXPECT_LE(peaks[k].fMean, peaks[k].fHigh);
        fSum += peaks[k].fFraction;
    }
    EXPECT_NEAR(peaks[0].fMean, 3.0f, 0.15f);
    EXPECT_NEAR(peaks[1].fMean, 4.2f, 0.15f);
    EXPECT_NEAR(peaks[2].fMean, 7.1f, 0.05f);
    EXPECT_LE(fSum, 1.0f + 1e-5f);
}

TEST_F(DistributionShownTest, DensityRule)
{
    // amplitudes of one per point on an uneven grid become amplitude per S
    allocDistributionVectors(4);
    const float s[5] = {0, 1, 2, 4, 8};
    for (int i = 1; i <= 4; i++) pDistAxisS[i] = s[i], pDistValues[i] = 1.0f, pDistValues2[i] = 1.0f;
    convertAmplitudesToDensity();
    EXPECT_FLOAT_EQ(pDistValues[1], 2.0f / 1.0f);
    EXPECT_FLOAT_EQ(pDistValues[2], 1.0f / 1.5f);
    EXPECT_FLOAT_EQ(pDistValues[3], 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(pDistValues[4], 2.0f / 4.0f);
    EXPECT_EQ(pDistValues2[1], 1.0f);  // only with both regularizations shown
    // the discrete amplitude in point 1 is never a density: the species by
    // M, the buffer signal of a buffer mismatch, the species of the M(s) table
    for (unsigned char* b : {&bModelCSOneDiscreteM, &bBufferMismatch, &bModelCSWithMsTable}) {
        for (int i = 1; i <= 4; i++) pDistValues[i] = 1.0f;
        *b = 1;
        convertAmplitudesToDensity();
        *b = 0;
        EXPECT_EQ(pDistValues[1], 1.0f);
        EXPECT_FLOAT_EQ(pDistValues[2], 2.0f / 2.0f);
    }
    // one grid point stays an amplitude
    freeDistributionVectors();
    allocDistributionVectors(1);
    pDistAxisS[1] = 3.0f;
    pDistValues[1] = 0.25f;
    convertAmplitudesToDensity();
    EXPECT_EQ(pDistValues[1], 0.25f);
    // so does the one grid point beside a discrete species in point 1: the
    // species keeps its amplitude, and the point has no spacing to divide by
    freeDistributionVectors();
    allocDistributionVectors(2);
    pDistAxisS[1] = 6.0f, pDistAxisS[2] = 3.0f;
    pDistValues[1] = 0.5f, pDistValues[2] = 0.25f;
    bModelCSOneDiscreteM = 1;
    convertAmplitudesToDensity();
    bModelCSOneDiscreteM = 0;
    EXPECT_EQ(pDistValues[1], 0.5f);
    EXPECT_EQ(pDistValues[2], 0.25f);
}

// During a fit of c(s,ff0) a new best rmsd shows the distribution of the
// last evaluation, and its end the final one: the marginal of the solution
// over f/f0 (the amplitudes stored f/f0 by f/f0, s within each), by the
// density rule.
TEST_F(DistributionShownTest, ANewBestOfAFitShowsTheMarginalOverFf0)
{
    bModelCS = 0;
    bModelContinuous = bModelCSFf0 = 1;
    allocDistributionVectors(3);
    const float s[4] = {0, 1, 2, 4};
    for (int i = 1; i <= 3; i++) pDistAxisS[i] = s[i];
    fFf0Resolution = 2.0f;
    nFf0Resolution = 2;
    nCsGridTotal = 6;
    allocCsFf0Arrays(6, 2);
    ASSERT_TRUE(allocNormalArrays(6, 0, 0));
    const double a[7] = {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
    for (int j = 1; j <= 6; j++) pNESolution[j] = a[j];
    fRmsd = 0.001f;
    fBestRmsd = fShownBestRmsd = 1.0f;
    DisplayBestContiParams(nullptr);
    EXPECT_EQ(fShownBestRmsd, 0.001f);
    for (int j = 1; j <= 6; j++) EXPECT_FLOAT_EQ(pCsFf0Values[j], static_cast<float>(a[j])) << j;
    // the marginal 0.5, 0.7, 0.9 over half the one-sided spacing at the
    // ends and half the neighbours' spacing inside
    EXPECT_FLOAT_EQ(pDistValues[1], 0.5f / 0.5f);
    EXPECT_FLOAT_EQ(pDistValues[2], 0.7f / 1.5f);
    EXPECT_FLOAT_EQ(pDistValues[3], 0.9f / 1.0f);
    // no new best: the shown distribution stays
    pNESolution[1] = 5.0;
    fRmsd = 0.002f;
    DisplayBestContiParams(nullptr);
    EXPECT_FLOAT_EQ(pDistValues[1], 1.0f);
    // the end of the run shows the marginal of the final solution, the
    // amplitudes reversed: 0.9, 0.7, 0.5
    for (int j = 1; j <= 6; j++) pNESolution[j] = a[7 - j];
    finishContiSed(nullptr);
    EXPECT_FLOAT_EQ(pDistValues[1], 0.9f / 0.5f);
    EXPECT_FLOAT_EQ(pDistValues[2], 0.7f / 1.5f);
    EXPECT_FLOAT_EQ(pDistValues[3], 0.5f / 1.0f);
    freeNormalArrays(6);
    freeCsFf0Arrays();
}

TEST_F(DistributionShownTest, LsgsValuesBeyondTheLargestObservableSAreZero)
{
    scantest::MemoryScan scan;
    for (int i = 0; i < 50; i++) scan.r.push_back(6.0f + 0.02f * i), scan.s.push_back(0.0f);
    scan.time = 1000.0;
    scantest::installScans({scan});
    pScanHeaders[1].rpm = 50000.0f;
    const double w = 50000.0 * 2 * M_PI / 60;
    pScanHeaders[1].omega2t = w * w * 1000.0;
    float noiseGrid[3] = {0.0f, 6.1f, 7.0f};
    pNoiseGrid = noiseGrid;
    nNoiseGridPoints = nNoiseGridLast = 2;
    fMeniscus = 6.0f;
    bModelLsgs = 1;
    bRegBothShown = 1;
    const double sMax = std::log(7.0 / 6.0) * 1e13 / (w * w * 1000.0);
    grid(30, [](float) { return 1.0f; }, [](float) { return 1.0f; });
    for (int i = 1; i <= 30; i++) pDistAxisS[i] = static_cast<float>(sMax * (0.5 + 0.05 * i));
    convertAmplitudesToDensity();
    EXPECT_NEAR(fMaxObservableS, sMax, 1e-3 * sMax);
    for (int i = 1; i <= 30; i++) {
        const bool bBeyond = pDistAxisS[i] > fMaxObservableS;
        EXPECT_EQ(pDistValues[i] == 0.0f, bBeyond) << i;
        EXPECT_EQ(pDistValues2[i] == 0.0f, bBeyond) << i;
    }
    pNoiseGrid = nullptr;
    nNoiseGridPoints = nNoiseGridLast = 0;
    scantest::resetScanState();
}

// The transforms to s20,w and on to Stokes radii move every grid point and
// keep the area under both curves; c(Rh) follows c(s) by the change of
// variable.
TEST_F(DistributionShownTest, TransformsKeepTheAreaOfBothCurves)
{
    bRegBothShown = 1;
    grid(60, [](float s) { return gauss(s, 4.0f, 1.0f); }, [](float s) { return gauss(s, 6.0f, 0.7f); });
    const double a1 = area(pDistAxisS, pDistValues), a2 = area(pDistAxisS, pDistValues2);
    const std::vector<float> s(pDistAxisS, pDistAxisS + 61);
    ASSERT_EQ(transformDistributionToS20w(0.73f, 0.72f, 0.00115f, 1.02f), 1);
    // s20,w = s (eta / eta20,w) (1 - vbar20 rho20,w) / (1 - vbar rho): water
    // at 20 C of 1.002 mPa s and 0.99823 g/ml, the buffer of 1.15 mPa s and
    // 1.02 g/ml with vbar 0.73 there and 0.72 at 20 C
    const double dToS20w = (1.15 / 1.002) * (1.0 - 0.72 * 0.99823) / (1.0 - 0.73 * 1.02);
    for (int i : {1, 30, 60}) EXPECT_NEAR(pDistAxisS[i], s[i] * dToS20w, 1e-5 * s[i] * dToS20w) << i;
    EXPECT_NEAR(area(pDistAxisS, pDistValues), a1, 1e-5 * a1);
    EXPECT_NEAR(area(pDistAxisS, pDistValues2), a2, 1e-5 * a2);
    const std::vector<float> s20(pDistAxisS, pDistAxisS + 61), c20(pDistValues, pDistValues + 61),
        c20b(pDistValues2, pDistValues2 + 61);
    fFrictionalRatio = 1.2f;
    ASSERT_EQ(transformDistributionToRh(0.72f), 1);
    EXPECT_EQ(bDistTransformedToRh, 1);
    // Every point, the last one too, becomes a Stokes radius in nm: Stokes'
    // law for the sphere of volume M vbar / N_A gives s = (2/9) r0^2
    // (1 - vbar rho) / (vbar eta f/f0) and Rh = f/f0 r0, so r0 =
    // sqrt(9 s vbar eta f/f0 / (2 (1 - vbar rho))) (SI: vbar 0.72e-3 m^3/kg,
    // water at 20 C); with f/f0 1.2 the s20,w of 1.26 to 12.6 S here become
    // 1.59 to 5.02 nm.
    // Since s goes as Rh^2, c(Rh) = c(s) ds/dRh = c(s) 2 s / Rh grows with
    // Rh against c(s): c(Rh) / (c(s) Rh) is the same at every point.
    const double dLaw1 = pDistValues[1] / (c20[1] * pDistAxisS[1]), dLaw2 = pDistValues2[1] / (c20b[1] * pDistAxisS[1]);
    for (int i = 1; i <= 60; i++) {
        const double r0 = std::sqrt(9.0 * s20[i] * 1e-13 * 0.72e-3 * 1.002e-3 * 1.2 / (2.0 * (1.0 - 0.72 * 0.99823)));
        const double dRh = 1.2 * r0 * 1e9;
        EXPECT_NEAR(pDistAxisS[i], dRh, 1e-4 * dRh) << i;
        EXPECT_NEAR(pDistValues[i] / (c20[i] * dRh), dLaw1, 1e-4 * dLaw1) << i;
        EXPECT_NEAR(pDistValues2[i] / (c20b[i] * dRh), dLaw2, 1e-4 * dLaw2) << i;
    }
    EXPECT_NEAR(pDistAxisS[1], 1.59, 0.01);
    EXPECT_NEAR(pDistAxisS[60], 5.02, 0.01);
    EXPECT_NEAR(area(pDistAxisS, pDistValues), a1, 1e-4 * a1);
    EXPECT_NEAR(area(pDistAxisS, pDistValues2), a2, 1e-4 * a2);
    // not for the M type and not for electrophoresis c(v)
    bModelCS = 0;
    EXPECT_EQ(transformDistributionToS20w(0.73f, 0.73f, 0.001002f, 1.0f), 0);
    bModelElectrophoresisCV = 1;
    EXPECT_EQ(transformDistributionToS20w(0.73f, 0.73f, 0.001002f, 1.0f), 0);
}

TEST_F(DistributionShownTest, SizeDependentSignal)
{
    grid(10, [](float s) { return s; }, [](float) { return 3.0f; });
    bRegBothShown = 1;
    const std::string two = folder + "/two.dat", none = folder + "/none.dat", zero = folder + "/zero.dat";
    std::ofstream(two) << "2\n";
    std::ofstream(zero) << "4\n-1\n";  // a(R) = 4 - R is 0 at R = 4
    EXPECT_EQ(correctDistributionForSizeDependentSignal(two.c_str()), 1);
    for (int i = 1; i <= 10; i++) {
        EXPECT_FLOAT_EQ(pDistValues[i], pDistAxisS[i] / 2.0f);
        EXPECT_FLOAT_EQ(pDistValues2[i], 1.5f);
    }
    headless::Script script;
    // a missing file: the reader says so, then the refusal
    script.expectMessageBox("Error", IDOK).expectMessageBox("ERROR", IDOK).expectMessageBox("ERROR", IDOK);
    EXPECT_EQ(correctDistributionForSizeDependentSignal(none.c_str()), 0);
    EXPECT_EQ(correctDistributionForSizeDependentSignal(zero.c_str()), 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(script.lines().back().find("a(R) = 0 at R = 4.000 nm") != std::string::npos);
    for (int i = 1; i <= 10; i++) EXPECT_FLOAT_EQ(pDistValues[i], pDistAxisS[i] / 2.0f);
}

TEST_F(DistributionShownTest, TwoDimensionalFileAndRegionStatistics)
{
    bModelCS = 0;
    bModelCSFf0 = 1;
    nCsGridTotal = 4;
    allocDistributionVectors(2);
    allocCsFf0Arrays(4, 2);
    for (int j = 1; j <= 4; j++) {
        pCsFf0S[j] = static_cast<float>(2 + (j - 1) % 2);  // s 2, 3, 2, 3
        pCsFf0Ratio[j] = j <= 2 ? 1.2f : 1.6f;
        pCsFf0M[j] = 10000.0f * j;
        pCsFf0D[j] = 1e-7f * j;
        pCsFf0Rh[j] = static_cast<float>(j);
        pCsFf0Values[j] = 0.5f * j;
    }
    pDistAxisS[1] = 2.0f;
    pDistAxisS[2] = 3.0f;
    pDistValues[1] = pDistValues[2] = 1.0f;
    const std::string path = folder + "/dist.dat";
    saveDistributionFile(path.c_str());
    std::ifstream in(path);
    std::vector<std::vector<double>> rows;
    for (double v[6]; in >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5];) rows.push_back({v, v + 6});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_DOUBLE_EQ(rows[2][0], 2.0);
    EXPECT_NEAR(rows[2][1], 30000.0, 1e-3);
    EXPECT_NEAR(rows[2][2], 1.6, 1e-6);
    EXPECT_NEAR(rows[2][5], 1.5, 1e-6);

    // the f/f0 range of the second slice only: weights 1.5 and 2 at M 30000 and 40000
    fIntegrateYMin = 1.5f;
    fIntegrateYMax = 2.0f;
    float a, m, t;
    integrateDistribution(1.0f, 4.0f, &a, &m, &t, nullptr, nullptr, nullptr);
    EXPECT_NEAR(fCsFf0MeanM, (1.5f * 30000 + 2.0f * 40000) / 3.5f, 0.1f);
    EXPECT_NEAR(fCsFf0MeanFf0, 1.6f, 1e-6);
    EXPECT_GT(fCsFf0SdM, 0.0f);
    // the D-average M: Svedberg's M = s R T / (D (1 - vbar rho)) of the weighted s,
    // (1.5 x 2 + 2 x 3) / 3.5 S, and D, (1.5 x 3 + 2 x 4) / 3.5 x 1e-7 cm^2/s, at 20 C
    const double sw = 9.0 / 3.5 * 1e-13, Dw = 12.5 / 3.5 * 1e-7;
    EXPECT_NEAR(fCsFf0MsD, sw * 8.31451e7 * 293.15 / (Dw * (1 - 0.73 * 0.99823)), 1.0);
    // the region is closed: limits on the grid's s values, [2, 3] S, take the
    // points on them, so the same two weights give the same averages
    integrateDistribution(2.0f, 3.0f, &a, &m, &t, nullptr, nullptr, nullptr);
    EXPECT_NEAR(fCsFf0MeanM, (1.5f * 30000 + 2.0f * 40000) / 3.5f, 0.1f);
    EXPECT_NEAR(fCsFf0MeanRh, (1.5f * 3 + 2.0f * 4) / 3.5f, 1e-5f);
    // a range without points: every statistic 0, the one-dimensional results still there
    fIntegrateYMin = 5.0f;
    fIntegrateYMax = 6.0f;
    integrateDistribution(1.0f, 4.0f, &a, &m, &t, nullptr, nullptr, nullptr);
    for (float f : {fCsFf0MeanM, fCsFf0SdM, fCsFf0MeanRh, fCsFf0SdRh, fCsFf0MeanFf0, fCsFf0MsD}) EXPECT_EQ(f, 0.0f);
    EXPECT_NEAR(a, 1.0f, 1e-6);

    headless::Script script;
    script.expectMessageBox("Error", IDOK);
    saveDistributionFile((folder + "/missing/dist.dat").c_str());
    ASSERT_FALSE(shownErrorMessages().empty());
    EXPECT_EQ(shownErrorMessages().back(), "\n\aAttention: could not open " + folder + "/missing/dist.dat");
}

// A change of model releases the distribution: the transforms then have
// nothing to work on and say so (after c(s), a discrete model and c(s)
// again, as the menu commands leave it): to s20,w, to Rh, and to s20,w from
// the s(20,w) calculator's offer.
TEST_F(ExampleRunTest, TransformsAfterAChangeOfModelFindNoDistribution)
{
    RunExample();
    headless::Script script;
    Run(script, 198);
    Run(script, 275);
    ASSERT_TRUE(bModelCS);
    for (unsigned nId : {836u, 525u, 582u}) {
        if (nId == 582) script.expectMessageBox("transform the complete distribution?", IDYES);
        script.expectMessageBox("transform s to s20?", IDYES)
            .expectInput("at 20C", "0.73")
            .expectInput("in experiment", "0.73")
            .expectInput("buffer density", "1.0")
            .expectInput("absolute viscosity", "0.01002")
            .expectMessageBox("ERROR", IDOK);
        Run(script, nId);
        EXPECT_EQ(script.pending(), 0u) << nId;
        EXPECT_EQ(boxText(script, "ERROR"), "could not calculate s20 from sapp in distribution") << nId;
        EXPECT_EQ(bDistributionTransformed, 0) << nId;
    }
    EXPECT_EQ(boxCount(script, "ERROR"), 3);
}

TEST_F(DistributionShownTest, DensityRuleOfTwoPoints)
{
    // each end point stands for half the interval between them: 0.25 S
    allocDistributionVectors(2);
    pDistAxisS[1] = 2.0f, pDistAxisS[2] = 2.5f;
    pDistValues[1] = pDistValues[2] = 1.0f;
    convertAmplitudesToDensity();
    EXPECT_FLOAT_EQ(pDistValues[1], 4.0f);
    EXPECT_FLOAT_EQ(pDistValues[2], 4.0f);
}
