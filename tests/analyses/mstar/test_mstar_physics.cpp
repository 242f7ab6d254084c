// The M* quantities against the physics of sedimentation equilibrium, on scan
// files written by the test: M*(r) = M for an ideal species at every radius,
// M* at the bottom is the weight average of the loading for a mixture, and
// ln c against r^2 is a line of slope kM.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "analyses/mstar/mstar_fixture.h"
#include "analyses/mstar/mstar_screen.h"
#include "app/app_globals.h"
#include "plot/cwinplot.h"
#include "plot/screen_button.h"
#include "models/model_globals.h"
#include "scandata/scan_data.h"

using namespace mstartest;

namespace {

// Largest relative deviation from M (kDa) over the set's points whose radius
// lies in [lo, hi].
double worstMStar(int i, double lo, double hi, double fExpected)
{
    const MStarSetData& S = pMStarSets[i];
    double worst = 0.0;
    int nSeen = 0;
    for (int j = 1; j <= S.nPts; ++j) {
        const double r = S.setRadius.p[j];
        if (r < lo || r > hi) continue;
        worst = std::max(worst, std::fabs(S.mStarR.p[j] / fExpected - 1.0));
        ++nSeen;
    }
    EXPECT_GT(nSeen, 100);
    return worst;
}

// Largest relative deviation of an Mwapp array over the points its curve
// shows (toolkit numbering from firstIdx + h to lastIdx - h - 1).
double worstMwapp(const MStarSetData& S, const MStarColumn& c, double fExpected)
{
    const int h = nLnCSmoothHalfWidth + nMwappSmoothHalfWidth;
    double worst = 0.0;
    int nSeen = 0;
    for (int k = S.firstIdx + h; k <= S.lastIdx - h - 1; ++k) {
        worst = std::max(worst, std::fabs(c.p[k + 1] / fExpected - 1.0));
        ++nSeen;
    }
    EXPECT_GT(nSeen, 100);
    return worst;
}

}  // namespace

TEST_F(MStarTest, IdealSpeciesGivesItsMassEverywhere)
{
    LoadIdealSet();
    ASSERT_EQ(nScans, 1);
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    ASSERT_NE(pMStarSets, nullptr);
    EXPECT_NEAR(pMStarSets[1].kFactor, 1.3732e-5, 0.0002e-5);

    // extrapolated to the meniscus (order 2): M* holds over the outer 80 % of
    // the fit range; near the meniscus it divides by a small difference
    const double left = fFitLeftLim, right = fFitRightLim;
    EXPECT_NEAR(pMStarSets[1].meniscusSignal, 0.1, 0.001);
    EXPECT_LT(worstMStar(1, left + 0.2 * (right - left), right, 50.0), 0.02);

    // with A0 entered on the set's meniscus button: M* = M within 0.5 % at
    // every point inside the fit limits
    script.expectInput("new A0(1):", "0.1");
    Click(script, 12);
    EXPECT_EQ(bMeniscusSignalFixed, 1);
    EXPECT_FLOAT_EQ(pMStarSets[1].meniscusSignal, 0.1f);
    EXPECT_LE(left - kMeniscus, 0.0201);
    EXPECT_LT(worstMStar(1, left, right, 50.0), 0.005);

    const MStarSetData& S = pMStarSets[1];
    EXPECT_NEAR(S.mwAvg, 50.0, 0.25);
    EXPECT_NEAR(S.mwLnFit, 50.0, 0.25);
    EXPECT_LT(worstMwapp(S, S.mwAppR, 50.0), 0.02);
    EXPECT_LT(worstMwapp(S, S.mwAppDcDr, 50.0), 0.02);
    EXPECT_EQ(bNegativeMStar, 0);

    // ln c of an ideal species is the line ln 0.1 + kM (r^2 - m^2) in r^2,
    // which the smoothing (order 1) keeps at every radius it shows, and the
    // straight line fitted to ln c at every radius of the fit range
    const double slope = kFactor(15000) * 50000.0;
    int nSmoothed = 0;
    for (int j = S.firstIdx + nLnCSmoothHalfWidth; j <= S.lastIdx - nLnCSmoothHalfWidth - 1; ++j) {
        const double r = S.setRadius.p[j];
        const double lnC = std::log(0.1) + slope * (r * r - kMeniscus * kMeniscus);
        ASSERT_NEAR(S.lnCSmooth.p[j], lnC, 2e-4) << "r = " << r;
        ++nSmoothed;
    }
    EXPECT_GT(nSmoothed, 150);
    for (int j = S.firstIdx; j <= S.lastIdx - 1; ++j) {
        const double r = S.setRadius.p[j];
        ASSERT_NEAR(S.lnCLineFit.p[j], std::log(0.1) + slope * (r * r - kMeniscus * kMeniscus), 2e-4) << "r = " << r;
    }

    // A0 typed 2 % high (0.102): near the meniscus M* divides a difference
    // too small by an integral too small and falls the more the closer it
    // is, to about 41 kDa at the first radius the curve shows (6.912 cm), 42
    // at the next; plot B still holds every point its M* curve draws, the
    // first one too, while the rest stays near 50 kDa
    script.expectInput("new A0(1):", "0.102");
    Click(script, 12);
    const CCurve* c = S.pMStarCurve;
    int nCurve = 0;
    while (nCurve < pMStarPlotB->nCurves && pMStarPlotB->pCurves[nCurve] != c) ++nCurve;
    ASSERT_LT(nCurve, pMStarPlotB->nCurves);
    ASSERT_TRUE(pMStarPlotB->pRangeSet[nCurve]);
    const int first = pMStarPlotB->pRangeFirst[nCurve], last = pMStarPlotB->pRangeLast[nCurve];
    ASSERT_GT(last - first, 200);
    const float* m = c->pY->pData;
    EXPECT_NEAR(c->pX->pData[first], 6.912f, 5e-4f);
    EXPECT_LT(m[first], m[first + 1] - 0.5f);
    EXPECT_GT(m[first], 30.0f);
    EXPECT_NEAR(m[last], 50.0f, 0.25f);
    for (int k = first; k <= last; ++k) {
        EXPECT_GE(m[k], pMStarPlotB->fYMin) << "r = " << c->pX->pData[k];
        EXPECT_LE(m[k], pMStarPlotB->fYMax) << "r = " << c->pX->pData[k];
    }
    EXPECT_EQ(script.pending(), 0u);
}

// The same 50 kDa species on a flat 0.05 OD (a species too light to
// sediment), with the baseline entered as 0.05 and A0 as 0.1: every mass is
// taken of the signal above the baseline, so M*, both forms of Mwapp and the
// line fit to ln c give 50 kDa as for the species alone. Taken of the signal
// with the baseline added instead, the dc/dr form divides by c + 0.1 and
// comes out 40 % low at the first radius its curve shows.
TEST_F(MStarTest, ASpeciesOnABaselineGivesItsMassAboveIt)
{
    const double a = kFactor(15000) * 50000.0, span = kBottom * kBottom - kMeniscus * kMeniscus;
    const double c0 = 0.1 * std::expm1(a * span) / (a * span);
    LoadEquilibrium({WriteEquilibriumScan("lifted.RA1", {{50000.0, c0}, {1e-3, 0.05}}, 15000, 50000.0)});
    ASSERT_EQ(nScans, 1);
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    script.expectInput("new baseline signal:", "0.05").expectInput("new A0(1):", "0.1");
    Click(script, 11);
    Click(script, 12);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fBaseline, 0.05f);
    const MStarSetData& S = pMStarSets[1];
    EXPECT_LT(worstMStar(1, fFitLeftLim, fFitRightLim, 50.0), 0.005);
    EXPECT_NEAR(S.mwAvg, 50.0, 0.25);
    EXPECT_NEAR(S.mwLnFit, 50.0, 0.25);
    EXPECT_LT(worstMwapp(S, S.mwAppR, 50.0), 0.02);
    EXPECT_LT(worstMwapp(S, S.mwAppDcDr, 50.0), 0.02);
}

TEST_F(MStarTest, MixtureGivesTheLoadingWeightAverageAtTheBottom)
{
    // 20 and 80 kDa with equal loading: Mw of the loading is 50 kDa
    const std::vector<Species> mix = {{20000.0, 0.25}, {80000.0, 0.25}};
    LoadEquilibrium({WriteEquilibriumScan("mix.RA1", mix, 15000, 60000.0)});
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    double a0 = 0.0;
    for (const Species& s : mix) a0 += meniscusSignal(s, 15000, kMeniscus, kBottom);
    char sz[40];
    std::snprintf(sz, sizeof sz, "%.6f", a0);
    script.expectInput("new A0(1):", sz);
    Click(script, 12);
    EXPECT_NEAR(pMStarSets[1].mwAvg, 50.0, 0.5);
    // M* rises from the meniscus to the bottom
    const MStarSetData& S = pMStarSets[1];
    EXPECT_LT(S.mStarR.p[S.firstIdx + 5], S.mStarR.p[S.lastIdx - 5]);
    // plot B holds M* inside the fit limits and Mwavg, and the curve fills
    // it: a margin of less than a tenth of their spread at either end
    float lo = S.mwAvg, hi = S.mwAvg;
    for (int j = S.firstIdx + 1; j <= S.lastIdx - 1; ++j) {
        lo = std::min(lo, S.mStarR.p[j]);
        hi = std::max(hi, S.mStarR.p[j]);
    }
    ASSERT_GT(lo, 10.0f);
    EXPECT_LE(pMStarPlotB->fYMin, lo);
    EXPECT_GE(pMStarPlotB->fYMax, hi);
    EXPECT_LT(pMStarPlotB->fYMax - hi, 0.1f * (hi - lo)) << lo << " " << hi << " " << pMStarPlotB->fYMax;
    EXPECT_LT(lo - pMStarPlotB->fYMin, 0.1f * (hi - lo)) << lo << " " << hi << " " << pMStarPlotB->fYMin;

    // A meniscus signal typed too high takes M* below 0 near the meniscus:
    // no mass is negative, so plot B's axis then starts at 0
    std::snprintf(sz, sizeof sz, "%.6f", 1.5 * a0);
    script.expectInput("new A0(1):", sz);
    Click(script, 12);
    float fLowest = 0.0f;
    for (int j = S.firstIdx + 1; j <= S.lastIdx - 1; ++j) fLowest = std::min(fLowest, S.mStarR.p[j]);
    ASSERT_LT(fLowest, 0.0f);
    EXPECT_EQ(pMStarPlotB->fYMin, 0.0f);
    EXPECT_GT(pMStarPlotB->fYMax, 0.0f);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(MStarTest, HingePointOfAnIdealSpecies)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    // the loading of the set: 0.1 OD at the meniscus
    const Species s{50000.0, 0.1 / meniscusSignal({50000.0, 1.0}, 15000, kMeniscus, kBottom)};
    EXPECT_NEAR(mStarLoadingSignal(1), s.fLoading, 0.01 * s.fLoading);

    script.expectMessageBox("manual override?", win::IDNO)
        .expectInput("radial interval for smoothing Mapp(r_hinge)", "0.01")
        .expectMessageBox("HINGE POINT INFO", win::IDOK);
    Click(script, 7);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(mStarButton(7)->bOn);
    float fRadius = 0, fMw = 0;
    for (const std::string& line : script.lines())
        if (const size_t p = line.find("Mwapp(rhinge="); p != std::string::npos)
            std::sscanf(line.c_str() + p, "Mwapp(rhinge=%f cm) = %f kDa", &fRadius, &fMw);
    EXPECT_NEAR(fMw, 50.0, 1.0);
    // where the signal first exceeds the loading
    const double rHinge = std::sqrt(kMeniscus * kMeniscus + std::log(s.fLoading / 0.1) / (kFactor(15000) * 50000.0));
    EXPECT_NEAR(fRadius, rHinge, 0.01);

    // a loading above every signal: no hinge, Mwapp 0 at radius 0
    float fMean = -1, fStart = -1, fEnd = -1;
    fMean = fStart = fEnd = 0;
    EXPECT_EQ(mStarHingeMwapp(1, 100.0f, 0.01f, &fMean, &fStart, &fEnd), 0.0f);
    EXPECT_EQ(fMean, 0.0f);
}

// The road a user takes: Load Equilibrium Data with two scans of one cell at
// two speeds, Transform Equilibrium Data and Calculate M*, Escape.
TEST_F(MStarTest, TwoSpeedsOfAMixtureEndToEnd)
{
    const std::vector<Species> mix = {{20000.0, 0.25}, {80000.0, 0.25}};
    const std::string slow = WriteEquilibriumScan("cell12k.RA1", mix, 12000, 80000.0);
    const std::string fast = WriteEquilibriumScan("cell15k.RA1", mix, 15000, 160000.0);
    // the rotor-speed programme of the run beside the scans
    scantest::writeText(folder + "/speedsteps.txt", "0 12000 200\n100000 15000 200\n");
    LoadEquilibrium({slow, fast});
    ASSERT_EQ(nScans, 2);
    ASSERT_TRUE(bEquilibriumDataMode);
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    for (int i = 1; i <= 2; ++i) {
        CScreenButton* b = mStarButton(8 + i);
        ASSERT_NE(b, nullptr);
        int nSet = 0;
        float fMw = 0;
        ASSERT_EQ(std::sscanf(b->pszOffText, "Mwavg(%d) = %f (kDa)", &nSet, &fMw), 2) << b->pszOffText;
        EXPECT_EQ(nSet, i);
        EXPECT_NEAR(fMw, 50.0, 0.5) << b->pszOffText;
    }
    script.typeChar(0x1B);
    win::headless::processMessages();
    EXPECT_FALSE(bMStarMode);
    EXPECT_EQ(pMStarPlotA, nullptr);
    EXPECT_EQ(script.pending(), 0u);
}

// A set of two points, one on the meniscus and one on the bottom (no point
// is added to it): Mwapp has the one difference quotient of ln c over r^2,
// which both points carry. For ln c of an ideal 50 kDa species that is 50 kDa
// at both points.
TEST_F(MStarTest, ASetOfTwoPointsCarriesItsMwappAtBoth)
{
    LoadIdealSet();
    pScanPoints[1] = 2;
    ppRadius[1][1] = fMeniscus;
    ppRadius[1][2] = fBottom;
    ASSERT_TRUE(mStarCheckDataRange(window.get()));
    MStarSetData& S = pMStarSets[1];
    ASSERT_EQ(S.nPts, 2);
    const double kM = kFactor(15000) * 50000.0;
    S.kFactor = static_cast<float>(kFactor(15000));
    for (int j = 1; j <= 2; ++j) {
        const double r = S.setRadius.p[j];
        S.rSquared.p[j] = static_cast<float>(r * r);
        S.lnCSmooth.p[j] = static_cast<float>(std::log(0.1) + kM * (r * r - kMeniscus * kMeniscus));
    }
    nMwappSmoothHalfWidth = 0;  // no moving average over two points
    mStarComputeMwapp(1);
    EXPECT_NEAR(S.mwAppR.p[1], 50.0, 0.05);
    EXPECT_NEAR(S.mwAppR.p[2], 50.0, 0.05);
}

TEST_F(MStarTest, ACellWithoutSedimentationGivesNoMass)
{
    // a mass so small that the written signal is the same 0.5 everywhere
    LoadEquilibrium({WriteEquilibriumScan("flat.RA1", {{1e-3, 0.5}}, 15000, 60000.0)});
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    const MStarSetData& S = pMStarSets[1];
    EXPECT_FLOAT_EQ(S.meniscusSignal, 0.5f);
    for (int j = S.firstIdx + 1; j < S.lastIdx; j += 20) EXPECT_NEAR(S.mStarR.p[j], 0.0, 1e-3) << j;
    EXPECT_NEAR(S.mwAvg, 0.0, 1e-3);
    EXPECT_NEAR(S.mwLnFit, 0.0, 1e-3);
    // the flat signal, M* and Mwapp are drawn in y ranges of real height
    // around their single value
    const std::pair<const CWINPlot*, float> flat[] = {{pMStarPlotA, 0.5f}, {pMStarPlotB, 0.0f}, {pMStarPlotD, 0.0f}};
    for (const auto& [p, v] : flat) {
        EXPECT_LT(p->fYMin, v);
        EXPECT_GT(p->fYMax, v);
        EXPECT_TRUE(std::isfinite(p->fYScale));
    }
    // the flat ln c lies inside a finite y range
    const float fLnC = std::log(0.5f);
    EXPECT_LE(pMStarPlotC->fYMin, fLnC);
    EXPECT_GE(pMStarPlotC->fYMax, fLnC);
    EXPECT_TRUE(std::isfinite(pMStarPlotC->fYMin) && std::isfinite(pMStarPlotC->fYMax))
        << pMStarPlotC->fYMin << " " << pMStarPlotC->fYMax;
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(MStarTest, LoadingSignalOfALinearProfileIsItsMeanOverTheSector)
{
    // c = 0.2 + 0.5 (r - m) from the meniscus to 7.25 cm, every 0.001 cm;
    // the data count up to the right limit of 7.0 cm, the straight line
    // through the bottom range carries the rest to the bottom (exactly, for
    // a line)
    fFitRightLim = 7.0f;
    LoadEquilibrium({WriteScan(
        "linear.RA1", [](double r) { return 0.2 + 0.5 * (r - kMeniscus); }, 15000, 50000, kMeniscus, kMeniscus + 0.35)});
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    // the integral of c r dr over the sector, divided by (b^2 - m^2) / 2;
    // the data's sum ends after the first interval that starts beyond the
    // limit, so 7.000..7.002 cm is counted twice
    const auto F = [](double r) { return (0.2 - 0.5 * kMeniscus) * r * r / 2 + 0.5 * r * r * r / 3; };
    const double fArea = 0.5 * (kBottom * kBottom - kMeniscus * kMeniscus);
    const double fExpected = (F(kBottom) - F(kMeniscus) + F(7.002) - F(7.0)) / fArea;
    EXPECT_NEAR(mStarLoadingSignal(1), fExpected, 3e-4 * fExpected);
    EXPECT_EQ(script.pending(), 0u);
}

// Plots B, C and D are scaled to the curves they show, first and last point
// included, plot D in either form of Mwapp. Ideal 50 kDa scans with one bad
// point, as a speck of dust gives:
// - 2 % high near the left end of the fit limits (6.925 cm): plot D's first
//   point falls to 49.69 kDa against 49.91 at the next, while the middle
//   stays at 50.000 (the dc/dr form: 49.73 and 49.95);
// - 2 % high near the right end (7.178 cm): plot D's last point rises to
//   50.04 (dc/dr: 50.06) against 50.000 before it;
// - 20 % high on the last radius inside the limits (7.189 cm): M* there is
//   60.6 kDa against 50.0 before it, ln c 0.675 against 0.483.
// Each such end lies outside a scale of the other points and their margin.
TEST_F(MStarTest, ThePlotsHoldTheEndsOfTheirCurves)
{
    const Species s{50000.0, 0.1 / meniscusSignal({50000.0, 1.0}, 15000, kMeniscus, kBottom)};
    // the points the plot's curve c draws, each inside its y range
    const auto drawn = [](const CWINPlot* p, const CCurve* c) {
        std::vector<float> v;
        int k = 0;
        while (k < p->nCurves && p->pCurves[k] != c) ++k;
        EXPECT_LT(k, p->nCurves);
        if (k >= p->nCurves || !p->pRangeSet[k]) return v;
        for (int j = p->pRangeFirst[k]; j <= p->pRangeLast[k]; ++j) {
            const float y = c->pY->pData[j];
            EXPECT_GE(y, p->fYMin) << "point " << v.size();
            EXPECT_LE(y, p->fYMax) << "point " << v.size();
            v.push_back(y);
        }
        return v;
    };
    const std::pair<double, double> bad[] = {{6.925, 1.02}, {7.178, 1.02}, {7.189, 1.2}};
    for (const auto& [rBad, fFactor] : bad) {
        LoadEquilibrium({WriteScan(
            "dust.RA1",
            [&](double r) {
                return (std::fabs(r - rBad) < 1e-6 ? fFactor : 1.0) * equilibriumSignal({s}, 15000, kMeniscus, kBottom, r);
            },
            15000, 50000)});
        win::headless::Script script;
        Enter(script);
        ASSERT_TRUE(bMStarMode);
        const MStarSetData& S = pMStarSets[1];
        SCOPED_TRACE("bad point at " + std::to_string(rBad));
        const std::vector<float> m = drawn(pMStarPlotB, S.pMStarCurve);
        const std::vector<float> lnc = drawn(pMStarPlotC, S.pLnCCurve);
        ASSERT_GT(m.size(), 200u);
        ASSERT_GT(lnc.size(), 200u);
        if (rBad > 7.185) {
            EXPECT_GT(m.back(), m[m.size() - 2] + 5.0f);
            EXPECT_GT(lnc.back(), lnc[lnc.size() - 2] + 0.15f);
        }
        for (const bool bDcDr : {false, true}) {
            SCOPED_TRACE(bDcDr ? "dc/dr" : "dln c/dr^2");
            if (bDcDr != (bMwappFromDcDr != 0)) Click(script, 8);
            ASSERT_EQ(bMwappFromDcDr != 0, bDcDr);
            const std::vector<float> y = drawn(pMStarPlotD, S.pMwappCurve);
            ASSERT_GT(y.size(), 200u);
            EXPECT_NEAR(y[y.size() / 2], 50.0f, 0.01f);
            if (rBad < 7.0) {
                EXPECT_NEAR(y.front(), 49.7f, 0.1f);
                EXPECT_LT(y.front(), y[1] - 0.1f);
            } else if (rBad < 7.185) {
                EXPECT_GT(y.back(), y[y.size() - 2] + 0.02f);
            }
        }
        EXPECT_EQ(script.pending(), 0u);
    }
}
