// The discrete-model fit: the packed vector and its write-back, the start
// simplex and its spread, the radial grid of the objective, the vertex taken
// among tied values, and fits of the example data
// (one species made by the solver object: 4.3 S, 6.1e-7 cm^2/s, loading 0.8,
// baseline 0.02, noise of rms 0.004).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/scan_colors.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "distributions/hydrodynamics.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fitting/fit_driver.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "fitting/discrete_fit_fixture.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "plot/cwinplot.h"
#include "scandata/scan_data.h"
#include "scandata/wiener_settings.h"
#include "tools/fluorescence/fluorescence_options.h"

using namespace win;

namespace {

void floatOnly(std::initializer_list<int> entries)
{
    for (int k = 1; k <= nParams; ++k) pParamFloat[k] = 0;
    for (int k : entries) pParamFloat[k] = 1;
}


}  // namespace

TEST(FitVectorTest, SlotsHoldTheSwitchedOnExtrasThenTheFloatedEntries)
{
    floatOnly({5, 13});
    bWienerSkewing = 1;
    bWSkewFloating = 1;
    fWSkew = 2e-6f;
    bFloExcitationCone = 1;
    bFloExcitationConeFloat = 1;
    fFloExcitationCone = 0.3f;
    bFloConvolution = 1;  // switched on but not floated: no slot
    bFloConvolutionFloat = 0;
    pParamValue[5] = 4.3f;
    pParamValue[13] = 6.01f;
    ASSERT_EQ(packFitParameters(0, nullptr), 4);
    float v[5] = {};
    EXPECT_EQ(packFitParameters(2, v), 4);  // only the room given is written
    EXPECT_EQ(v[1], 0.3f);
    EXPECT_EQ(v[2], 2e-6f);
    EXPECT_EQ(v[3], 0.0f);
    packFitParameters(4, v);
    EXPECT_EQ(v[3], 4.3f);
    EXPECT_EQ(v[4], 6.01f);

    // a negative gradient vbar is packed as 0.01, in the model too
    bInhomogeneousSolvent = 1;
    bFitVbarInGradient = 1;
    VBAR = -0.2f;
    float w[6] = {};
    ASSERT_EQ(packFitParameters(5, w), 5);
    EXPECT_FLOAT_EQ(w[1], 0.01f);
    EXPECT_FLOAT_EQ(VBAR, 0.01f);
    // the gradient vbar needs both the solvent model and its fit flag
    for (const bool bSolvent : {false, true}) {
        bInhomogeneousSolvent = bSolvent;
        bFitVbarInGradient = !bSolvent;
        EXPECT_EQ(packFitParameters(0, nullptr), 4) << bSolvent;
    }
    bInhomogeneousSolvent = bFitVbarInGradient = 0;
    // the meniscus difference and the concentration ratio float only with
    // the buffer mismatch and its meniscus mismatch, the reference D and s
    // only with the mismatch and a different reference buffer
    bFitBufferSignal = 0;
    bFitBufferMeniscusDiff = bFitBufferRelConc = bFitBufferRefD = bFitBufferRefS = 1;
    for (int nSwitches = 0; nSwitches < 8; ++nSwitches) {
        bBufferMismatch = nSwitches & 1;
        bBufferMeniscusMismatch = (nSwitches >> 1) & 1;
        bBufferRefDifferent = (nSwitches >> 2) & 1;
        const int nBuffer = bBufferMismatch ? 2 * bBufferMeniscusMismatch + 2 * bBufferRefDifferent : 0;
        EXPECT_EQ(packFitParameters(0, nullptr), 4 + nBuffer) << nSwitches;
    }
    bBufferMismatch = bBufferMeniscusMismatch = bBufferRefDifferent = 0;
    bFitBufferMeniscusDiff = bFitBufferRelConc = bFitBufferRefD = bFitBufferRefS = 0;
    // the bleaching rate and limit float each on its own flag, and only with
    // the photophysics switched on
    for (int nSwitches = 0; nSwitches < 8; ++nSwitches) {
        bFloMagnificationDrift = bFloBleaching = nSwitches & 1;
        bFloKBleachFloat = (nSwitches >> 1) & 1;
        bFloAlimFloat = (nSwitches >> 2) & 1;
        const int nBleach = bFloBleaching ? bFloKBleachFloat + bFloAlimFloat : 0;
        EXPECT_EQ(packFitParameters(0, nullptr), 4 + nBleach) << nSwitches;
    }
    bFloMagnificationDrift = bFloBleaching = bFloKBleachFloat = bFloAlimFloat = 0;
    // the detection power floats only with nonlinear detection and its own
    // flag: "fit power coefficient?" answered No keeps it where it was typed
    for (int nSwitches = 0; nSwitches < 4; ++nSwitches) {
        bNonlinearDetection = nSwitches & 1;
        bFitDetectionPower = (nSwitches >> 1) & 1;
        EXPECT_EQ(packFitParameters(0, nullptr), nSwitches == 3 ? 5 : 4) << nSwitches;
    }
    bNonlinearDetection = bFitDetectionPower = 0;
}

TEST(FitVectorTest, TheObjectiveWritesTheVectorBackWithItsBounds)
{
    floatOnly({9, 13, 26});
    bModelDiscreteSpecies = 1;
    bWienerSkewing = 1;
    bWSkewFloating = 1;
    fMinMeniscus = 5.95f;
    fMaxMeniscus = 6.02f;
    fMeniscus = pParamValue[13] = 6.0f;
    fBottom = pParamValue[14] = 7.2f;
    float v[5] = {0, -3e-6f, -0.1f, 6.5f, 1.7f};
    SimplexSim(v, nullptr);
    EXPECT_EQ(fWSkew, 0.0f);     // W-skew: in the model and in the slot
    EXPECT_EQ(v[1], 0.0f);
    EXPECT_EQ(pParamValue[9], 0.0f);  // a negative loading
    EXPECT_FLOAT_EQ(pParamValue[13], 6.02f);  // the nearer bound
    EXPECT_FLOAT_EQ(fMeniscus, 6.02f);
    EXPECT_EQ(v[3], 6.5f);  // the trial itself stays
    EXPECT_EQ(pParamValue[26], 1.0f);
    EXPECT_EQ(fOverlayFrac1, 1.0f);

    // the last extra of the table in docs/fitting.md, the s of a different
    // reference buffer, lands in its value, and the floated entry follows it
    bWienerSkewing = 0;
    bUseMolarMass = bFitBufferSignal = 0;
    bBufferMismatch = bBufferRefDifferent = bFitBufferRefD = bFitBufferRefS = 1;
    floatOnly({5});
    ASSERT_EQ(packFitParameters(0, nullptr), 3);
    float r[4] = {0, 2e-7f, 1.5f, 4.3f};
    SimplexSim(r, nullptr);
    EXPECT_EQ(static_cast<float>(dBufferRefD), 2e-7f);
    EXPECT_EQ(static_cast<float>(dBufferRefS), 1.5f);
    EXPECT_EQ(pParamValue[5], 4.3f);
    bBufferMismatch = bBufferRefDifferent = bFitBufferRefD = bFitBufferRefS = 0;

    // the non-ideal multiple species: each of slots 25-34 floated alone lands
    // in its own value of docs/models.md, also after the model takes its
    // values from the slots again, and in no other
    bModelDiscreteSpecies = 0;
    bModelNonidealMultiple = 1;
    bWienerSkewing = 0;
    float* const nonideal[] = {&fSynthBoundaryPos, &fOverlayFrac1,  &fNonidealConc2, &fNonidealS2,
                               &fNonidealD2,       &fOverlayFrac2,  &fNonidealConc3, &fNonidealS3,
                               &fNonidealD3,       &fOverlayFrac3};
    for (int k = 25; k <= 34; ++k) {
        for (int i = 25; i <= 34; ++i) pParamValue[i] = *nonideal[i - 25] = 0.0f;
        floatOnly({k});
        float one[2] = {0, 0.5f};
        SimplexSim(one, nullptr);
        paramVectorToGlobals();
        for (int i = 25; i <= 34; ++i) EXPECT_EQ(*nonideal[i - 25], i == k ? 0.5f : 0.0f) << k << " " << i;
    }
    bModelNonidealMultiple = 0;

    // the 1-2-4 model: the oligomers follow the monomer
    bModelSelfAssoc124 = 1;
    floatOnly({1});
    float m[2] = {0, 30000.0f};
    unpackFitParameters(m);
    EXPECT_EQ(pParamValue[2], 60000.0f);
    EXPECT_EQ(pParamValue[12], 120000.0f);
    bModelSelfAssoc124 = 0;
    bModelSelfAssoc148 = 1;
    SimplexSim(m, nullptr);
    EXPECT_EQ(pParamValue[2], 120000.0f);
    EXPECT_EQ(pParamValue[12], 240000.0f);
    bModelSelfAssoc148 = 0;

    // the monomer-dimer: a negative monomer M is no mass and goes to 0, while
    // entry 3, log10 K, is negative for every K below 1 (a weak association)
    // and stays
    bModelMonomerDimer = 1;
    floatOnly({1, 3});
    float md[3] = {0, -5000.0f, -2.5f};
    SimplexSim(md, nullptr);
    EXPECT_EQ(pParamValue[1], 0.0f);
    EXPECT_EQ(pParamValue[3], -2.5f);
    bModelMonomerDimer = 0;
}

// The width of the radial convolution: the objective keeps it within
// [0.001, 1]; the unpacking after Marquardt-Levenberg and annealing makes a
// negative width 0.01 and limits it to 1 but keeps a small positive one.
TEST(FitVectorTest, TheRadialConvolutionWidthKeepsItsBoundsOnEachWayBack)
{
    floatOnly({});
    bFloConvolution = 1;
    bFloConvolutionFloat = 1;
    ASSERT_EQ(packFitParameters(0, nullptr), 1);
    const float trial[] = {1.5f, -0.2f, 0.0004f, 0.3f, 1.0f, 0.001f};
    const float byObjective[] = {1.0f, 0.001f, 0.001f, 0.3f, 1.0f, 0.001f};
    const float byUnpacking[] = {1.0f, 0.01f, 0.0004f, 0.3f, 1.0f, 0.001f};
    for (size_t i = 0; i < std::size(trial); i++) {
        float v[2] = {0, trial[i]};
        SimplexSim(v, nullptr);
        EXPECT_EQ(fFloConvolution, byObjective[i]) << trial[i];
        v[1] = trial[i];
        unpackFitParameters(v);
        EXPECT_EQ(fFloConvolution, byUnpacking[i]) << trial[i];
    }
    bFloConvolution = bFloConvolutionFloat = 0;
}

// The unpacking after Marquardt-Levenberg and annealing bounds the excitation
// cone, the bleaching rate and limit and the radial magnification as the
// distribution fit writes them back (docs/fitting.md: its bounds of these
// extras are those of the discrete unpacking), here from the same trials.
TEST(FitVectorTest, TheUnpackingBoundsTheFluorescenceExtrasAsTheDistributionFitDoes)
{
    floatOnly({});
    bModelContinuous = bModelCS = 1;
    nFitFrictionalRatio = 0;
    fMeniscus = pParamValue[13] = 6.0f;
    fBottom = pParamValue[14] = 7.2f;
    bFloExcitationCone = bFloExcitationConeFloat = 1;
    bFloMagnificationDrift = bFloBleaching = bFloKBleachFloat = bFloAlimFloat = 1;
    bFloRadialMagnification = bFloRadialMagFactorFloat = 1;
    ASSERT_EQ(packFitParameters(0, nullptr), 4);
    ASSERT_EQ(getContiParameters(0, nullptr), 4);
    const auto model = [] { return std::vector<float>{fFloExcitationCone, fFloKBleach, fFloAlim, fFloRadialMagFactor}; };
    const float trials[][5] = {{0, 1.5f, -1.0f, -2.0f, 3.0f},  {0, 0.001f, 0.0f, 0.0f, 0.1f},
                               {0, 0.99f, 0.2f, 0.7f, 1.9f},   {0, 1.0f, 0.3f, 1.2f, 2.1f},
                               {0, 0.005f, 1e-3f, 0.5f, 0.45f}};
    for (const auto& trial : trials) {
        float v[5];
        std::copy(std::begin(trial), std::end(trial), v);
        setContiParameters(v);
        const std::vector<float> byDistributionFit = model();
        unpackFitParameters(v);
        EXPECT_EQ(model(), byDistributionFit) << trial[4];
    }
    bModelContinuous = bModelCS = 0;
}

// A vbar floated in the gradient and written back by the objective (or at the
// end of the fit) sets the buoyancy of the Svedberg relation with the density
// of water at 20 C (0.99823 g/ml): s = (1 - vbar rho) M D / RT.
TEST(FitVectorTest, AFloatedGradientVbarSetsTheBuoyancyOfTheSvedbergRelation)
{
    floatOnly({});
    bInhomogeneousSolvent = 1;
    bFitVbarInGradient = 1;
    bSedimentingCosolute = 0;
    const double dRT = 8.31451e7 * 293.15;
    const auto expectedS = [&](double vbar) { return (1.0 - vbar * 0.99823) * 50000.0 * 6e-7 / dRT * 1e13; };
    float v[2] = {0, 0.6f};
    SimplexSim(v, nullptr);
    EXPECT_FLOAT_EQ(VBAR, 0.6f);
    EXPECT_NEAR(SFromMD(50000.0f, 6e-7f, 20.0f), expectedS(0.6), 1e-5 * expectedS(0.6));
    v[1] = 0.75f;
    unpackFitParameters(v);
    EXPECT_FLOAT_EQ(VBAR, 0.75f);
    EXPECT_NEAR(SFromMD(50000.0f, 6e-7f, 20.0f), expectedS(0.75), 1e-5 * expectedS(0.75));
}

TEST(FitVectorTest, StartSimplexKeepsEachEntryInsideItsRange)
{
    seedRandomNumbers(11);
    // with the overlay fractions of the three non-ideal species (26, 30, 34)
    // and the loading and D of the third (31, 33)
    floatOnly({1, 13, 24, 26, 30, 31, 33, 34});
    bModelDiscreteSpecies = 1;
    fMinMeniscus = 5.96f;
    fMaxMeniscus = 6.03f;
    fSimplexRandomization = 2.0f;  // a wide spread puts the bounds to work
    const int n = 8;
    float** p = matrix(1, n + 1, 1, n);
    p[1][1] = 0.01f;
    p[1][2] = 6.0f;
    p[1][3] = 0.0f;
    p[1][4] = 0.9f;
    p[1][5] = 0.9f;
    p[1][6] = 0.01f;
    p[1][7] = 0.01f;
    p[1][8] = 0.9f;
    bool bStartTimeSpread = false;
    for (int nDraw = 0; nDraw < 20; ++nDraw) {
        initSimplexVertices(n, p);
        for (int i = 2; i <= n + 1; ++i) {
            for (int j : {1, 4, 5, 6, 7, 8}) EXPECT_GE(p[i][j], 0.0f) << j;
            EXPECT_GE(p[i][2], 5.96f);
            EXPECT_LE(p[i][2], 6.03f);
            for (int j : {4, 5, 8}) EXPECT_LE(p[i][j], 1.0f) << j;
            if (p[i][3] != 0.0f) bStartTimeSpread = true;  // spread also from 0 (by 100 s)
        }
    }
    EXPECT_TRUE(bStartTimeSpread);
    free_matrix(p, 1, n + 1, 1, n);

    // The meniscus spreads by a third of its range, whatever the relative
    // spread: from the middle of [5.9, 6.1] sigma = 0.0667, so the bounds lie
    // at 1.5 sigma. The median of |change| is 0.6745 sigma (inside the
    // bounds), and 2 (1 - Phi(1.5)) = 13.4 % of the draws end on a bound.
    floatOnly({13});
    fMinMeniscus = 5.9f;
    fMaxMeniscus = 6.1f;
    fSimplexRandomization = 0.01f;
    float** q = matrix(1, 2, 1, 1);
    std::vector<float> change;
    int nOnBound = 0;
    for (int k = 0; k < 4000; ++k) {
        q[1][1] = 6.0f;
        initSimplexVertices(1, q);
        change.push_back(std::fabs(q[2][1] - 6.0f));
        if (q[2][1] == 5.9f || q[2][1] == 6.1f) ++nOnBound;
    }
    free_matrix(q, 1, 2, 1, 1);
    std::nth_element(change.begin(), change.begin() + 2000, change.end());
    const float fSigma = 0.2f / 3;
    EXPECT_NEAR(change[2000], 0.6745f * fSigma, 0.06f * 0.6745f * fSigma);
    EXPECT_NEAR(nOnBound / 4000.0, 0.1336, 0.02);

    // Behind a switched-on extra the meniscus moves to slot 2 and keeps its
    // range there, and the gradient vbar in slot 1 is spread only by its
    // relative Gaussian (sigma 0.0073 about 0.73), never held in the range
    // of the meniscus.
    bInhomogeneousSolvent = bFitVbarInGradient = 1;
    float** w = matrix(1, 3, 1, 2);
    for (int k = 0; k < 200; ++k) {
        w[1][1] = 0.73f;
        w[1][2] = 6.0f;
        initSimplexVertices(2, w);
        for (int i = 2; i <= 3; ++i) {
            ASSERT_NEAR(w[i][1], 0.73f, 0.1f) << k;
            ASSERT_GE(w[i][2], 5.9f) << k;
            ASSERT_LE(w[i][2], 6.1f) << k;
        }
    }
    free_matrix(w, 1, 3, 1, 2);
}

// A start on a bound of the meniscus or bottom range steps inward: a draw
// beyond the bound would be held on it, tie with the start, and the simplex
// (whose spread test then holds at once) would never leave the bound. Every
// vertex lies inside the range, none on the start's bound, and the steps keep
// their spread (a third of the range; the median of a half-normal step is
// 0.6745 sigma).
TEST(FitVectorTest, AStartOnABoundStepsInward)
{
    seedRandomNumbers(5);
    fSimplexRandomization = 0.01f;
    fMinMeniscus = 5.9f;
    fMaxMeniscus = 6.1f;
    fMinBottom = 7.1f;
    fMaxBottom = 7.3f;
    const float fSigma = 0.2f / 3;
    for (int k : {13, 14}) {
        floatOnly({k});
        const float fLow = k == 13 ? fMinMeniscus : fMinBottom, fHigh = k == 13 ? fMaxMeniscus : fMaxBottom;
        for (float fStart : {fLow, fHigh}) {
            float** q = matrix(1, 2, 1, 1);
            std::vector<float> step;
            for (int n = 0; n < 2000; ++n) {
                q[1][1] = fStart;
                initSimplexVertices(1, q);
                ASSERT_NE(q[2][1], fStart) << k << " " << fStart;
                ASSERT_GE(q[2][1], fLow);
                ASSERT_LE(q[2][1], fHigh);
                step.push_back(std::fabs(q[2][1] - fStart));
            }
            free_matrix(q, 1, 2, 1, 1);
            std::nth_element(step.begin(), step.begin() + 1000, step.end());
            EXPECT_NEAR(step[1000], 0.6745f * fSigma, 0.08f * 0.6745f * fSigma) << k << " " << fStart;
        }
    }
}

TEST(FitVectorTest, TheRadialGridFollowsMeniscusAndBottom)
{
    fMeniscus = pParamValue[13] = 6.0f;
    fBottom = pParamValue[14] = 7.2f;
    fMinMeniscus = 5.9f;
    fMaxMeniscus = 6.1f;
    nGridPoints = 200;
    bClaverie = 1;
    bMovingHat = 0;
    ASSERT_TRUE(allocRadialGridArrays());
    floatOnly({13});
    float v[2] = {0, 6.0f};
    SimplexSim(v, nullptr);
    EXPECT_EQ(pGridRadius[1], 6.0);
    // an unchanged pair builds nothing: a radius moved by hand stays
    pGridRadius[1] = 5.5;
    SimplexSim(v, nullptr);
    EXPECT_EQ(pGridRadius[1], 5.5);
    v[1] = 6.05f;
    SimplexSim(v, nullptr);
    EXPECT_FLOAT_EQ(static_cast<float>(pGridRadius[1]), 6.05f);
    // back to the first pair: the grid is built again for it
    v[1] = 6.0f;
    SimplexSim(v, nullptr);
    EXPECT_FLOAT_EQ(static_cast<float>(pGridRadius[1]), 6.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(pGridRadius[nGridPointsAllocated]), 7.2f);
}

TEST_F(DiscreteFitTest, SAndDOfTheExampleAreFoundAgain)
{
    exampleModel("5", "4.0", true, "0.02", true);
    ASSERT_TRUE(bAlgebraicConcentrations);
    ASSERT_EQ(pParamFloat[1] + pParamFloat[5], 2);
    command(215);
    EXPECT_NEAR(pSpeciesS[1], 4.3f, 0.005f * 4.3f);
    EXPECT_NEAR(pSpeciesMw[1], 6.1f, 0.02f * 6.1f);
    EXPECT_NEAR(fRmsd, 0.0040f, 0.0002f);
    EXPECT_FALSE(bFitRunning);
    EXPECT_FALSE(bFitStoppedByUser);
}

// Each trial of the objective shows "s<fit step>, step #<trial>" at (10, 30),
// the place of the parameter text's progress line, the pixels of that text
// written there.
TEST_F(DiscreteFitTest, EachTrialShowsItsStepOnTheProgressLine)
{
    exampleModel("5", "4.0", true, "0.02", false);
    ASSERT_TRUE(bWindowPainted);
    const int n = packFitParameters(0, nullptr);
    std::vector<float> v(static_cast<size_t>(n) + 1);
    packFitParameters(n, v.data());
    TXLAWindow* w = window.get();
    const RECT band = {0, 20, 400, 60};
    nFitSteps = 2;
    nStepSimCount = 6;
    bProgressTick = 1;
    bRepaintAfterCalc = 0;
    WhiteOut(band);
    SimplexSim(v.data(), w);
    const std::vector<COLORREF> shown = PixelsOf(band);
    WhiteOut(band);
    TextAt(10, 30, "s2, step #7     ");
    EXPECT_TRUE(PixelsOf(band) == shown);
}

TEST_F(DiscreteFitTest, NothingFloatedLeavesTheModelAsItWas)
{
    exampleModel("5", "4.0", false, "0.02", false);
    pParamFloat[9] = 0;  // nor the loading
    bAlgebraicConcentrations = 0;
    std::vector<float> before(pParamValue + 1, pParamValue + nParams + 1);
    EXPECT_EQ(window->RunFit(), 1);
    EXPECT_EQ(std::vector<float>(pParamValue + 1, pParamValue + nParams + 1), before);
    EXPECT_EQ(nSimCount, 0);
}

// A floated parameter the model does not use (s of the second species, which
// is not included) ties every vertex. The simplex then stops at once and puts
// the last of the tied vertices in row 1; the driver takes the first of equal
// values, that row. So each run ends on the vertex spread last: from the start
// x0 the first run gives x1 = x0 + g(0.01 x0), and with a restart tolerance
// that any change meets, the one restart gives x2 = x1 + g(0.01 x1). The draws
// are those of the start simplex, seeded with 1 by the fit.
TEST_F(DiscreteFitTest, TiedVerticesEndOnTheFirstOfThem)
{
    exampleModel("6.1", "4.3", false, "0.02", true);
    ASSERT_EQ(pSpeciesIncluded[2], 0);
    floatOnly({6});
    const float x0 = pParamValue[6] = 3.0f;
    paramVectorToGlobals();
    fTolerance = 1.0f;
    seedRandomNumbers(1);
    const float x1 = x0 + static_cast<float>(gaussianRandom(fSimplexRandomization * x0));
    const float x2 = x1 + static_cast<float>(gaussianRandom(fSimplexRandomization * x1));
    ASSERT_NE(x1, x2);
    EXPECT_EQ(window->RunFit(), 1);
    EXPECT_EQ(nFitSteps, 2);
    EXPECT_EQ(pParamValue[6], x2);
}

// The restart test holds every extra, the first and the last of them too:
// the vbar floated in a density gradient and the s of a different reference
// buffer. Each is floated alone where it changes nothing the fit sees (the
// vbar with the species at loading 0, the reference s while the buffer
// carries no signal), so every vertex ties and each run ends on the vertex
// spread last, x(k) = x(k-1) + g(0.01 x(k-1)), with the draws of the fit's
// seed 1. The fit restarts until a run changes the extra by at most the
// tolerance relative to its previous value; the tolerance lies between the
// change of the first restart and the first smaller one later, so the fit
// takes that many runs and ends on that draw.
TEST_F(DiscreteFitTest, TheRestartTestHoldsTheLastExtraToo)
{
    // the runs the restart rule asks for from the start x0, and their draws
    const auto expectedRuns = [](float x0, std::vector<float>& x) {
        seedRandomNumbers(1);
        x.assign(1, x0);
        std::vector<float> change{0.0f};
        for (int k = 1; k <= 12; ++k) {
            x.push_back(x[k - 1] + static_cast<float>(gaussianRandom(fSimplexRandomization * x[k - 1])));
            change.push_back(std::fabs(x[k] - x[k - 1]) / x[k - 1]);
        }
        int nLast = 3;
        while (nLast <= 12 && change[nLast] >= change[2]) ++nLast;
        fTolerance = 0.5f * (change[nLast] + change[2]);
        return nLast;
    };
    exampleModel("6.1", "4.3", false, "0.02", false);
    floatOnly({});
    bAlgebraicConcentrations = 0;
    std::vector<float> x;

    // the first extra: the vbar in a density gradient, the species at loading 0
    pSpeciesConc[1] = pParamValue[9] = 0.0f;
    bInhomogeneousSolvent = bFitVbarInGradient = 1;
    bSedimentingCosolute = 0;
    VBAR = 0.73f;
    ASSERT_EQ(packFitParameters(0, nullptr), 1);
    int nLast = expectedRuns(VBAR, x);
    ASSERT_LE(nLast, 12);
    EXPECT_EQ(window->RunFit(), 1);
    EXPECT_EQ(nFitSteps, nLast);
    EXPECT_EQ(VBAR, x[nLast]);
    bInhomogeneousSolvent = bFitVbarInGradient = 0;
    VBAR = 0.73f;
    pSpeciesConc[1] = pParamValue[9] = 0.8f;

    // the last extra: the reference buffer's s, the buffer without signal
    bBufferMismatch = bBufferRefDifferent = bFitBufferRefS = 1;
    bFitBufferSignal = 0;
    bBufferInterferenceNoted = 1;
    dBufferSignal = 0.0;
    dBufferRefS = 0.3;
    ASSERT_EQ(packFitParameters(0, nullptr), 1);
    nLast = expectedRuns(0.3f, x);
    ASSERT_LE(nLast, 12);
    EXPECT_EQ(window->RunFit(), 1);
    EXPECT_EQ(nFitSteps, nLast);
    EXPECT_EQ(dBufferRefS, x[nLast]);
    bBufferMismatch = bBufferRefDifferent = bFitBufferRefS = 0;
}

// Where does a fit end whose floated parameter is negative? The restart test
// divides the change by the previous value itself, so from a negative value
// on every change passes. The example with 0.05 taken off every point has a
// baseline of -0.03; floated from 0 the fit ends after its first restart,
// and this records where.
TEST_F(DiscreteFitTest, ANegativeBaselineEndsWhereTheSimplexPutIt)
{
    exampleModel("6.1", "4.3", false, "0", false);
    for (int k = 1; k <= nScans; ++k)
        for (int i = 1; i <= pScanPoints[k]; ++i) ppSignal[k][i] -= 0.05f;
    pSpeciesConc[1] = pParamValue[9] = 0.8f;
    bAlgebraicConcentrations = 0;
    bAlgebraicBaseline = 0;
    floatOnly({15});
    EXPECT_EQ(window->RunFit(), 1);
    EXPECT_NEAR(fBaseline, -0.03f, 0.0005f);
    EXPECT_LE(nFitSteps, 3);
    if (std::getenv("MORVEX_TEST_FIGURES"))
        std::printf("negative baseline alone: %.5f after %d simplex runs, %d evaluations, rmsd %.5f\n", fBaseline,
                    nFitSteps, nSimCount, fRmsd);

    // with s and D floated too, from wrong values and a negative baseline:
    // the rmsd part of the test keeps the search going until s and D are found
    pParamValue[15] = fBaseline = -0.01f;
    pSpeciesS[1] = pParamValue[5] = 4.0f;
    pSpeciesMw[1] = pParamValue[1] = 5.0f;
    floatOnly({1, 5, 15});
    EXPECT_EQ(window->RunFit(), 1);
    EXPECT_NEAR(fBaseline, -0.03f, 0.0005f);
    EXPECT_NEAR(pParamValue[5], 4.3f, 0.005f * 4.3f);
    EXPECT_NEAR(pParamValue[1], 6.1f, 0.02f * 6.1f);
    if (std::getenv("MORVEX_TEST_FIGURES"))
        std::printf("negative baseline with s and D: %.5f, s %.4f, D %.4f after %d simplex runs, %d evaluations, rmsd "
                    "%.5f\n",
                    fBaseline, pParamValue[5], pParamValue[1], nFitSteps, nSimCount, fRmsd);
}

// The first simplex run of a fit ends at once when the relative spread of
// its start values, 2 |y1 - y0| / (y0 + y1), is below the tolerance 5e-4
// (docs/fitting.md), and searches on when it is above. The species at
// loading 0 leaves the baseline b as the whole model, so on data of the
// constant value c the rmsd is |c - b|; c is chosen for a spread of 0.95 and
// 1.05 times 5e-4 from the start vertices of the fit (seed 1). A restart
// tolerance that any change meets ends the fit after one restart; the
// evaluations before that run's steps are the first run's steps and two start
// values for each run.
TEST_F(DiscreteFitTest, TheFirstSimplexRunEndsOnlyBelowARelativeSpreadOf5e4)
{
    exampleModel("6.1", "4.3", false, "0", false);
    pSpeciesConc[1] = pParamValue[9] = 0.0f;
    bAlgebraicConcentrations = 0;
    floatOnly({15});
    fTolerance = 1e9f;
    ASSERT_EQ(packFitParameters(0, nullptr), 1);
    float** p = matrix(1, 2, 1, 1);
    seedRandomNumbers(1);
    packFitParameters(1, p[1]);
    initSimplexVertices(1, p);
    const double d = p[2][1] - p[1][1];
    free_matrix(p, 1, 2, 1, 1);
    ASSERT_NE(d, 0.0);
    for (double f : {0.95, 1.05}) {
        // 2 |d| / (2 c - d) = f 5e-4
        const double c = std::fabs(d) / (f * 5e-4) + 0.5 * d;
        for (int k = 1; k <= nScans; ++k)
            for (int i = 1; i <= pScanPoints[k]; ++i) ppSignal[k][i] = static_cast<float>(c);
        pParamValue[15] = fBaseline = 0.0f;
        EXPECT_EQ(window->RunFit(), 1);
        EXPECT_EQ(nFitSteps, 2);
        const int nBeforeRestart = nSimCount - nStepSimCount;
        if (f < 1.0)
            EXPECT_EQ(nBeforeRestart, 4);
        else
            EXPECT_GT(nBeforeRestart, 4);
        if (std::getenv("MORVEX_TEST_FIGURES"))
            std::printf("spread %.2f x 5e-4: %d evaluations before the restart, baseline %.5f for c = %.5f\n", f,
                        nBeforeRestart, fBaseline, c);
    }
    // Data of the constant value of the second start vertex: the model
    // meets them there, an rmsd of 0 that no search improves on, so the fit
    // ends at once on that vertex (its three evaluations: the start simplex
    // and the result), not only when the start itself is exact.
    const float fVertex2 = static_cast<float>(d);
    for (int k = 1; k <= nScans; ++k)
        for (int i = 1; i <= pScanPoints[k]; ++i) ppSignal[k][i] = fVertex2;
    pParamValue[15] = fBaseline = 0.0f;
    EXPECT_EQ(window->RunFit(), 1);
    EXPECT_EQ(fBaseline, fVertex2);
    EXPECT_EQ(fRmsd, 0.0f);
    EXPECT_EQ(nFitSteps, 0);
    EXPECT_EQ(nSimCount, 3);
}

// A key during the first evaluations stops the fit before the start point
// (evaluated last) has a value: the other vertices' values say nothing about
// it, so the fit ends where it began, with the simplex and with annealing.
TEST_F(DiscreteFitTest, AFitStoppedBeforeItsStartWasEvaluatedEndsAtTheStart)
{
    exampleModel("5", "4.0", true, "0.02", true);
    bWizardMessages = 0;
    for (unsigned char* pbOptimiser : {&bSimplex, &bSimulatedAnnealing}) {
        bSimplex = bSimulatedAnnealing = 0;
        *pbOptimiser = 1;
        fSATemperature = SAmaxTemp;
        bSAFinalML = 0;
        headless::Script script;
        script.pressKey(VK_ESCAPE);
        command(215);
        EXPECT_EQ(pParamValue[5], 4.0f);
        EXPECT_EQ(pParamValue[1], 5.0f);
        EXPECT_EQ(pSpeciesS[1], 4.0f);
        EXPECT_EQ(pSpeciesMw[1], 5.0f);
    }
}

// After a fit the fit of every scan is drawn over the data (and a single
// scan is every scan): across the fit range each column of the data plot
// holds the scan's colour, on a plot whitened before.
TEST_F(DiscreteFitTest, TheFitPicturesShowTheFitOfASingleScanToo)
{
    exampleModel("6.1", "4.3", false, "0.02", true, 1);
    ASSERT_EQ(nScans, 1);
    window->CmRun();
    ASSERT_TRUE(bModelComputed && ppFit[1]);
    auto column = [](float r) { return int(pDataPlot->MapX(r) * 1400.0 / 1399 + 0.5); };
    const int x0 = column(ppRadius[1][pFitFirstIndex[1]]) + 1, x1 = column(ppRadius[1][pFitLastIndex[1]]) - 1;
    const RECT frame = {x0, pDataPlot->nFrameTop, x1 + 1, pDataPlot->nFrameBottom};
    ASSERT_GT(x1 - x0, 500);
    WhiteOut(frame);
    playFitMetafiles(window.get());
    const std::vector<COLORREF> shown = PixelsOf(frame);
    const int nWidth = x1 - x0 + 1;
    int nColumnsWithFit = 0;
    for (int x = 0; x < nWidth; ++x)
        for (size_t i = size_t(x); i < shown.size(); i += size_t(nWidth))
            if (shown[i] == scanColor(1)) {
                ++nColumnsWithFit;
                break;
            }
    EXPECT_EQ(nColumnsWithFit, nWidth);
}

// s may be negative (a floating species): its start simplex spreads around it
// on both sides, while the M or D beside it stays positive.
TEST(FitVectorTest, StartSimplexSpreadsANegativeSOnBothSides)
{
    seedRandomNumbers(5);
    floatOnly({1, 5});
    bModelDiscreteSpecies = 1;
    fSimplexRandomization = 0.1f;
    int nBelow = 0, nAbove = 0;
    float** p = matrix(1, 3, 1, 2);
    for (int k = 0; k < 50; ++k) {
        p[1][1] = 5.0f;
        p[1][2] = -3.0f;
        initSimplexVertices(2, p);
        for (int i = 2; i <= 3; ++i) {
            EXPECT_GT(p[i][1], 0.0f);
            EXPECT_LT(p[i][2], 0.0f);
            EXPECT_NEAR(p[i][2], -3.0f, 1.5f);
            (p[i][2] < -3.0f ? nBelow : nAbove)++;
        }
    }
    free_matrix(p, 1, 3, 1, 2);
    EXPECT_GT(nBelow, 20);
    EXPECT_GT(nAbove, 20);

    // so do the s of the second and third non-ideal species (entries 28 and 32)
    bModelNonidealMultiple = 1;
    floatOnly({28, 32});
    int nBelowS[2] = {}, nAboveS[2] = {};
    float** q = matrix(1, 3, 1, 2);
    for (int k = 0; k < 50; ++k) {
        q[1][1] = q[1][2] = -3.0f;
        initSimplexVertices(2, q);
        for (int i = 2; i <= 3; ++i) {
            for (int s = 0; s < 2; ++s) {
                EXPECT_NEAR(q[i][s + 1], -3.0f, 1.5f) << (s ? "s3" : "s2");
                (q[i][s + 1] < -3.0f ? nBelowS[s] : nAboveS[s])++;
            }
        }
    }
    free_matrix(q, 1, 3, 1, 2);
    bModelNonidealMultiple = 0;
    for (int s = 0; s < 2; ++s) {
        EXPECT_GT(nBelowS[s], 20) << s;
        EXPECT_GT(nAboveS[s], 20) << s;
    }
}

// The association constants of the 1-2-4 and 1-4-8 models (entries 3 and 7,
// log10 K) and the loadings of the non-ideal models (entries 9-12) spread
// also by 0.3 fSimplexRandomization absolutely, so a start at 0 still
// spreads, as a normal of sigma 0.03 at r = 0.1; an s beside them (entry 8)
// spreads only by r times its value, from 0 not at all. The spread is
// measured by the root mean square of the draws (for N draws within about
// 1 / sqrt(2 N) of sigma: 2 % for 1200, 0.9 % for 6400) and by the median of
// |draw|, 0.6745 sigma.
TEST(FitVectorTest, StartSimplexSpreadsTheSteppedConstantsAlsoFromZero)
{
    const float fSigma = 0.3f * 0.1f;
    auto expectSpread = [fSigma](std::vector<float> s, const char* what) {
        double dSumSq = 0;
        for (float v : s) dSumSq += double(v) * v;
        EXPECT_NEAR(std::sqrt(dSumSq / s.size()), fSigma, 0.05 * fSigma) << what;
        for (float& v : s) v = std::fabs(v);
        const auto mid = s.begin() + s.size() / 2;
        std::nth_element(s.begin(), mid, s.end());
        EXPECT_NEAR(*mid, 0.6745f * fSigma, 0.1f * 0.6745f * fSigma) << what;
    };
    seedRandomNumbers(7);
    floatOnly({3, 7, 8});
    fSimplexRandomization = 0.1f;
    for (const bool b148 : {false, true}) {
        bModelSelfAssoc124 = !b148;
        bModelSelfAssoc148 = b148;
        float** p = matrix(1, 4, 1, 3);
        std::vector<float> spread[2];
        int nSSpread = 0;
        for (int k = 0; k < 400; ++k) {
            p[1][1] = p[1][2] = p[1][3] = 0.0f;
            initSimplexVertices(3, p);
            for (int i = 2; i <= 4; ++i) {
                spread[0].push_back(p[i][1]);
                spread[1].push_back(p[i][2]);
                if (p[i][3] != 0.0f) ++nSSpread;
            }
        }
        free_matrix(p, 1, 4, 1, 3);
        EXPECT_EQ(nSSpread, 0) << b148;
        expectSpread(spread[0], b148 ? "1-4-8, entry 3" : "1-2-4, entry 3");
        expectSpread(spread[1], b148 ? "1-4-8, entry 7" : "1-2-4, entry 7");
    }
    bModelSelfAssoc124 = bModelSelfAssoc148 = 0;

    // the four loadings of the non-ideal single and multiple species, together
    // (an entry left unspread would put a quarter of the draws at 0)
    floatOnly({9, 10, 11, 12});
    for (const bool bMultiple : {false, true}) {
        bModelNonidealSingle = !bMultiple;
        bModelNonidealMultiple = bMultiple;
        float** p = matrix(1, 5, 1, 4);
        std::vector<float> spread;
        for (int k = 0; k < 400; ++k) {
            for (int j = 1; j <= 4; ++j) p[1][j] = 0.0f;
            initSimplexVertices(4, p);
            for (int i = 2; i <= 5; ++i)
                for (int j = 1; j <= 4; ++j) spread.push_back(p[i][j]);
        }
        free_matrix(p, 1, 5, 1, 4);
        expectSpread(spread, bMultiple ? "non-ideal multiple, entries 9-12" : "non-ideal single, entries 9-12");
    }
    bModelNonidealSingle = bModelNonidealMultiple = 0;
}
