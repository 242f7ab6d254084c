// Entering and leaving the M* screens, the per-set extension and the buttons
// that each screen carries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "analyses/mstar/mstar_fixture.h"
#include "analyses/mstar/mstar_screen.h"
#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/screen_button.h"
#include "scandata/scan_data.h"
#include "tools/exports/xp_export.h"

using namespace mstartest;

namespace {

std::string caption(int k)
{
    CScreenButton* b = mStarButton(k);
    return b ? b->pszOffText : "(none)";
}

// Every button is a box with room for its caption: wider and taller than nothing.
void expectBoxesWithRoom()
{
    for (int k = 1; k <= nMStarButtons; ++k) {
        const CScreenButton* b = mStarButton(k);
        if (!b) continue;
        EXPECT_LT(b->nLeft, b->nRight) << caption(k);
        EXPECT_LT(b->nTop, b->nBottom) << caption(k);
    }
}

int buttonCount()
{
    int n = 0;
    for (int k = 1; k <= nMStarButtons; ++k) n += pMStarButtons[k] != nullptr;
    return n;
}

// Whether the statistics of the c(M) show exactly the text on the line that
// starts at pixel (x, y): the line as they draw it on a band cleared to white,
// against the text drawn there afresh on the band cleared again (the same
// font on the same surface gives the same pixels).
bool statisticsLineShows(TXLAWindow* w, int x, int y, const std::string& text)
{
    win::HDC dc = w->GetDC();
    win::SIZE size{0, 0};
    win::GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
    // the band: a line of at most 20 pixels, wide enough for a longer text
    const int x1 = x + 2 * size.cx + 40, y1 = y + std::min<int>(size.cy, 20);
    const win::RECT band{x, y, x1, y1};
    win::HBRUSH white = win::CreateSolidBrush(win::RGB(255, 255, 255));
    std::vector<win::COLORREF> drawn, fresh;
    win::FillRect(dc, &band, white);
    mStarShowCMStatistics(w);
    for (int j = y; j < y1; ++j)
        for (int i = x; i < x1; ++i) drawn.push_back(win::GetPixel(dc, i, j));
    win::FillRect(dc, &band, white);
    win::TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
    for (int j = y; j < y1; ++j)
        for (int i = x; i < x1; ++i) fresh.push_back(win::GetPixel(dc, i, j));
    win::DeleteObject(white);
    w->ReleaseDC(dc);
    return drawn == fresh && size.cx > 0;
}

const double kA = kFactor(15000) * 50000.0;
const double kSpan = 7.2 * 7.2 - 6.9 * 6.9;
// the loading with 0.1 OD at the meniscus
const double kLoading = 0.1 * std::expm1(kA * kSpan) / (kA * kSpan);

}  // namespace

TEST_F(MStarTest, SetsAreExtendedToMeniscusAndBottom)
{
    // the first radius 0.0035 cm past the meniscus: four points in front;
    // the last radius short of the bottom: points behind it at 0.001 cm
    fFitRightLim = 7.14f;
    const std::string path = WriteEquilibriumScan("eq1.RA1", {{50000.0, kLoading}}, 15000, 1000.0, 6.9035, 7.1505);
    LoadEquilibrium({path});
    ASSERT_EQ(nScans, 1);
    const int nOrig = pScanPoints[1];
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    const MStarSetData& S = pMStarSets[1];
    EXPECT_EQ(S.padFront, 4);
    EXPECT_EQ(S.firstIdx, pFitFirstIndex[1] + 4);
    EXPECT_EQ(S.lastIdx, pFitLastIndex[1]);
    // 7.1505 + 0.001 q >= 7.2: q = 50
    EXPECT_EQ(S.nPts, nOrig + 4 + 50);
    EXPECT_NEAR(S.setRadius.p[1], 6.8995, 1e-5);
    EXPECT_NEAR(S.setRadius.p[4], 6.9025, 1e-5);
    EXPECT_EQ(S.setSignal.p[1], 0.0f);
    EXPECT_GE(S.setRadius.p[S.nPts], 7.2f - 1e-5f);
    EXPECT_EQ(S.setSignal.p[S.nPts], 0.0f);
    // the cleaned signal is 0 outside the cell
    for (int j = 1; j <= S.nPts; ++j)
        if (S.setRadius.p[j] > 7.2f) {
            EXPECT_EQ(S.cleanSignal.p[j], 0.0f) << j;
        }
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(MStarTest, DataFromTheMeniscusPastTheBottomNeedNoExtension)
{
    LoadEquilibrium({WriteEquilibriumScan("eq1.RA1", {{50000.0, kLoading}}, 15000, 1000.0, 6.9, 7.25)});
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    EXPECT_EQ(pMStarSets[1].padFront, 0);
    EXPECT_EQ(pMStarSets[1].nPts, pScanPoints[1]);
}

// A scan left without points (a raw edit can take them all) is one point at
// the meniscus without signal: the set still reaches the meniscus, as every
// set is extended to it, and the other sets are computed as before.
TEST_F(MStarTest, AnEmptyScanIsOnePointAtTheMeniscus)
{
    LoadIdealSet(2);
    ASSERT_EQ(nScans, 2);
    pScanPoints[2] = 0;
    win::headless::Script script;
    // its extrapolations have no points, and its copy is too short to smooth
    const char* szTooFew = "Error: extrapolation order higher than number of data points";
    script.expectMessageBox(szTooFew, win::IDOK)
        .expectMessageBox(szTooFew, win::IDOK)
        .expectMessageBox("window for smoothing too big!", win::IDOK)
        .expectMessageBox(szTooFew, win::IDOK);
    // the boxes come while the screen is computed; once plot A stands, a
    // repaint behind a box draws every set's meniscus mark at the meniscus
    std::vector<float> marks;
    win::headless::setTranscriptObserver([&marks](const std::string& l) {
        if (l.find("MessageBox") != 0 || !pMStarPlotA) return;
        for (int i = 1; i <= nMStarSets; ++i) {
            const CCurve* c = pMStarSets[i].pMeniscusMarkCurve;
            marks.push_back(c && c->pX ? c->pX->pData[0] : -1.0f);
        }
    });
    Enter(script);
    win::headless::setTranscriptObserver(nullptr);
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_TRUE(bMStarMode);
    EXPECT_EQ(marks.size(), 6u);
    for (float x : marks) EXPECT_EQ(x, fMeniscus);
    const MStarSetData& S = pMStarSets[2];
    ASSERT_EQ(S.nPts, 1);
    EXPECT_EQ(S.setRadius.p[1], fMeniscus);
    EXPECT_EQ(S.setRadiusX.p[1], fMeniscus);
    EXPECT_EQ(S.setSignal.p[1], 0.0f);
    EXPECT_EQ(S.cleanSignal.p[1], 0.0f);
    // set 1 as alone: its Mwavg near the 50 kDa of the species
    EXPECT_NEAR(pMStarSets[1].mwAvg, 50.0, 0.3);
    // a meniscus signal typed for it: the line from the meniscus to its
    // first point, which lies at the meniscus, stays at the typed value
    script.expectInput("new A0(2):", "0.05")
        .expectMessageBox("window for smoothing too big!", win::IDOK)
        .expectMessageBox(szTooFew, win::IDOK);
    Click(script, 8 + 6 + 2);
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_TRUE(bMeniscusSignalFixed);
    const float y0 = 0.05f + fBaseline;
    int nOnLine = 0;
    for (int k = 1; k <= S.meniscusGrid.n; ++k) {
        const float x = S.meniscusGrid.p[k];
        if (x < fMeniscus || x > fFitLeftLim) continue;
        EXPECT_EQ(S.meniscusCurve.p[k], y0) << x;
        ++nOnLine;
    }
    EXPECT_GT(nOnLine, 2);
}

TEST_F(MStarTest, ButtonsOfOneAbsorbanceSet)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    // 4n + 9 slots; no RI button with one set
    ASSERT_EQ(nMStarButtons, 13);
    EXPECT_EQ(mStarButton(5), nullptr);
    EXPECT_EQ(buttonCount(), 12);
    EXPECT_EQ(caption(6), "c(M) off");
    EXPECT_FALSE(mStarButton(6)->bOn);
    EXPECT_EQ(caption(9), "Mwavg(1) = 50.0 (kDa)");
    EXPECT_EQ(caption(10), "linear fit to lnc(r^2)(1) --> 50.0 (kDa)");
    EXPECT_EQ(caption(11), "Baseline = 0.0000");
    EXPECT_EQ(caption(12).substr(0, 10), "A0(1) = 0.");
    EXPECT_EQ(caption(13), "go to Mwapp(r)");
    expectBoxesWithRoom();
    EXPECT_STREQ(pMStarPlotA->szYLabel, "signal (OD)");
    // buttons of a row do not overlap, and one is moved only as far as its
    // left neighbour reaches: else it keeps its place (extrap. 205, the
    // hinge point info 747, both SG smooth buttons 785). Both stand on the
    // one row, the same top and bottom; the rows of the meniscus buttons and
    // of the Mwapp plot are 18 units high
    struct Row { int a, b, left, height; };
    for (const Row r : {Row{12, 1, 205, 18}, Row{1, 2, 785, 18}, Row{6, 7, 747, 0}, Row{13, 3, 785, 18}}) {
        EXPECT_LT(mStarButton(r.a)->nRight, mStarButton(r.b)->nLeft) << r.a << " " << r.b;
        EXPECT_EQ(mStarButton(r.b)->nLeft, std::max(r.left, mStarButton(r.a)->nRight + 4)) << r.a << " " << r.b;
        EXPECT_EQ(mStarButton(r.b)->nTop, mStarButton(r.a)->nTop) << r.a << " " << r.b;
        EXPECT_EQ(mStarButton(r.b)->nBottom, mStarButton(r.a)->nBottom) << r.a << " " << r.b;
        if (r.height) {
            EXPECT_EQ(mStarButton(r.b)->nBottom - mStarButton(r.b)->nTop, r.height) << r.b;
        }
    }
}

TEST_F(MStarTest, InterferenceSetsWithRadialInvariantBaselines)
{
    LoadIdealSet(2, ".IP1");
    ASSERT_TRUE(bInterferenceData);
    ASSERT_TRUE(bFitRINoise);
    ASSERT_NE(pRINoiseSaved, nullptr);
    pRINoiseSaved[1] = -0.03f;
    pRINoiseSaved[2] = 0.05f;
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    ASSERT_EQ(nMStarButtons, 17);
    ASSERT_NE(mStarButton(5), nullptr);
    EXPECT_TRUE(mStarButton(5)->bOn);
    EXPECT_EQ(caption(8 + 4 + 1), "Baseline(1) = -0.0300");
    EXPECT_EQ(caption(8 + 4 + 2), "Baseline(2) = 0.0500");
    EXPECT_EQ(caption(8 + 6 + 1).substr(0, 5), "Ja(1)");
    EXPECT_EQ(caption(8 + 6 + 2).substr(0, 5), "Ja(2)");
    // the sets' averages one below the other, each a row of 18 units, the
    // second starting where the first ends
    expectBoxesWithRoom();
    EXPECT_EQ(caption(8 + 1).substr(0, 8), "Mwavg(1)");
    EXPECT_EQ(caption(8 + 2).substr(0, 8), "Mwavg(2)");
    EXPECT_EQ(mStarButton(8 + 1)->nBottom, mStarButton(8 + 2)->nTop);
    for (int k : {8 + 1, 8 + 2}) EXPECT_EQ(mStarButton(k)->nBottom - mStarButton(k)->nTop, 18) << caption(k);
    EXPECT_STREQ(pMStarPlotA->szYLabel, "signal (fringes)");
    // after the two signals the two baselines, in light blue
    for (int c : {2, 3}) {
        EXPECT_EQ(pMStarPlotA->GetCurveStyle(c), 14) << c;
        EXPECT_EQ(pMStarPlotA->GetCurveColor(c), win::RGB(150, 200, 250)) << c;
    }
    // each set's baseline is its own: the signal of set 1 is 0.1 at the
    // meniscus, above -0.03, that of set 2 0.2, above 0.05
    EXPECT_NEAR(pMStarSets[1].meniscusSignal, 0.13, 0.002);
    EXPECT_NEAR(pMStarSets[1].baselineLine.p[50], -0.03f, 1e-7);
    EXPECT_NEAR(pMStarSets[2].meniscusSignal, 0.15, 0.002);
    EXPECT_NEAR(pMStarSets[2].baselineLine.p[50], 0.05f, 1e-7);
}

TEST_F(MStarTest, EnteringTwiceAndLeavingRestoreTheDataPlot)
{
    LoadIdealSet();
    win::headless::processMessages();
    CWINPlot* pData = pDataPlot;
    ASSERT_NE(pData, nullptr);
    const int top = nPlotTop, bottom = nPlotBottom;
    const int frame[4] = {pData->nFrameTop, pData->nFrameLeft, pData->nFrameBottom, pData->nFrameRight};
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    EXPECT_EQ(pDataPlot, pMStarPlotA);
    EXPECT_EQ(nPlotTop, 50);
    EXPECT_EQ(nPlotBottom, 450);
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    EXPECT_EQ(pDataPlot, pMStarPlotA);
    EXPECT_EQ(nMStarButtons, 13);
    EXPECT_EQ(buttonCount(), 12);
    EXPECT_EQ(pSavedDataPlot, pData);
    // Data Range (518) takes plot A, the data plot of the screens, back to
    // its whole data: every point in view, the first radius at the left margin
    // and the last at the right one (the cell ends at the bottom; nothing
    // drawn lies beyond the data, whose radii are those of every curve here)
    Run(script, 518);
    ASSERT_EQ(pDataPlot, pMStarPlotA);
    const MStarSetData& S = pMStarSets[1];
    const CWINPlot* A = pMStarPlotA;
    const float r1 = S.setRadiusX.p[1], rn = S.setRadiusX.p[S.nPts];
    EXPECT_LE(A->fXMin, r1);
    EXPECT_GE(A->fXMax, rn);
    EXPECT_LT(r1 - A->fXMin, 0.1f * (A->fXMax - A->fXMin));
    EXPECT_LT(A->fXMax - rn, 0.1f * (A->fXMax - A->fXMin)) << "x from " << A->fXMin << " to " << A->fXMax;

    script.typeChar(0x1B);
    win::headless::processMessages();
    EXPECT_FALSE(bMStarMode);
    EXPECT_FALSE(bMStarAllSets);
    EXPECT_EQ(pDataPlot, pData);
    EXPECT_EQ(nPlotTop, top);
    EXPECT_EQ(nPlotBottom, bottom);
    EXPECT_EQ(pData->nFrameTop, frame[0]);
    EXPECT_EQ(pData->nFrameLeft, frame[1]);
    EXPECT_EQ(pData->nFrameBottom, frame[2]);
    EXPECT_EQ(pData->nFrameRight, frame[3]);
    EXPECT_EQ(pMStarButtons, nullptr);
    EXPECT_EQ(pMStarSets, nullptr);
    EXPECT_EQ(pMStarPlotA, nullptr);
    EXPECT_EQ(meniscusFitRange, nullptr);
}

TEST_F(MStarTest, ModelResetReleaseIsSafeTwiceAndLetsTheScreensComeBack)
{
    LoadIdealSet();
    win::headless::processMessages();
    CWINPlot* pData = pDataPlot;
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    mStarFreePlots(window.get());
    EXPECT_EQ(pDataPlot, pData);
    EXPECT_FALSE(bMStarMode);
    // both flags: Load New Files refuses while either is set
    EXPECT_FALSE(bMStarAllSets);
    EXPECT_EQ(pMStarPlotA, nullptr);
    EXPECT_EQ(pMStarPlotD, nullptr);
    EXPECT_EQ(pMStarButtons, nullptr);
    EXPECT_NE(pMStarSets, nullptr);  // kept until the next entry
    mStarFreePlots(window.get());
    EXPECT_EQ(pDataPlot, pData);
    win::headless::processMessages();
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    EXPECT_TRUE(bMStarMode);
    EXPECT_NEAR(pMStarSets[1].mwAvg, 50.0, 0.5);
}

TEST_F(MStarTest, LoadingNewDataLeavesTheScreens)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    LoadIdealSet(2);
    EXPECT_FALSE(bMStarMode);
    EXPECT_EQ(pMStarPlotA, nullptr);
    EXPECT_EQ(nScans, 2);
    win::headless::processMessages();
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    EXPECT_EQ(nMStarSets, 2);
    EXPECT_EQ(nMStarButtons, 17);
}

TEST_F(MStarTest, WithoutEquilibriumDataTheCommandOnlySaysSo)
{
    win::headless::Script script;
    script.expectMessageBox("ERROR", win::IDOK);
    Enter(script);
    EXPECT_FALSE(bMStarMode);
    EXPECT_TRUE(transcriptShows(script, "equilibrium data set must be loaded for MSTAR"));

    // with data but no column between meniscus and bottom (either unset, or
    // the bottom not beyond the meniscus) there is nothing to transform
    LoadIdealSet();
    const float cells[][2] = {{0.0f, 7.2f}, {6.9f, 0.0f}, {6.9f, 6.9f}, {7.2f, 6.9f}};
    for (const auto& cell : cells) {
        fMeniscus = pParamValue[13] = cell[0];
        fBottom = pParamValue[14] = cell[1];
        win::headless::Script refused;
        refused.expectMessageBox("ERROR", win::IDOK);
        Enter(refused);
        EXPECT_FALSE(bMStarMode) << cell[0] << " " << cell[1];
        EXPECT_EQ(pMStarPlotA, nullptr);
        EXPECT_TRUE(transcriptShows(refused, "meniscus and bottom must be set for MSTAR")) << cell[0] << " " << cell[1];
    }
}

// ---------------------------------------------------------------- c(M) smoothing

TEST_F(MStarTest, SmoothingScreenLayout)
{
    LoadIdealSet();
    bMStarCMSmoothing = 1;
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    EXPECT_EQ(mStarButton(1), nullptr);
    EXPECT_EQ(mStarButton(4), nullptr);
    EXPECT_EQ(mStarButton(10), nullptr);  // the line-fit label
    ASSERT_NE(mStarButton(6), nullptr);
    EXPECT_TRUE(mStarButton(6)->bOn);
    EXPECT_STREQ(mStarButton(6)->pszOnText, "c(M) on ");
    EXPECT_NE(mStarButton(9), nullptr);
}

TEST_F(MStarTest, SmoothingMeetsDataShortOfTheBottomOnce)
{
    fFitRightLim = 7.14f;
    LoadEquilibrium({WriteEquilibriumScan("eq1.RA1", {{50000.0, kLoading}}, 15000, 1000.0, 6.88, 7.15)});
    bMStarCMSmoothing = 1;
    win::headless::Script script;
    script.expectMessageBox("MISSING DATA", win::IDOK);
    Enter(script);
    EXPECT_EQ(script.pending(), 0u);
    int nBoxes = 0;
    for (const std::string& line : script.lines()) nBoxes += line.find("MISSING DATA") != std::string::npos;
    EXPECT_EQ(nBoxes, 1);
    EXPECT_TRUE(transcriptShows(script, "Data Range Must Include Meniscus and Bottom for c(M) smoothing"));
    // back without smoothing, the screens complete
    EXPECT_FALSE(bMStarCMSmoothing);
    EXPECT_TRUE(bMStarMode);
    EXPECT_NE(mStarButton(1), nullptr);
    EXPECT_FALSE(mStarButton(6)->bOn);
    EXPECT_EQ(pDataPlot, pMStarPlotA);
    EXPECT_NE(pMStarPlotD, nullptr);
    EXPECT_GT(pMStarSets[1].mwAvg, 40.0f);
}

TEST_F(MStarTest, SmoothingRunsTheCMModel)
{
    // the c(M) model, Run and Fit are in the program: button 6 fits c(M)
    ASSERT_TRUE(mStarCMModelAvailable());
    LoadIdealSet();
    win::headless::Script script;
    ASSERT_NO_FATAL_FAILURE(EnterAndSmoothWithCM(script));
    EXPECT_TRUE(bMStarCMSmoothing);
    EXPECT_TRUE(bMStarMode);
    EXPECT_TRUE(bModelContinuous);
    EXPECT_EQ(fSMin, 24000.0f);
    EXPECT_EQ(fSMax, 99000.0f);
    EXPECT_FALSE(bSerialFitRunning);

    // the moments of the c(M) written on the window, against those of the
    // piecewise-linear distribution over 24 to 99 kDa summed here on 200
    // midpoints per grid interval: one narrow peak at the species' 50 kDa
    // (the mean 50.0 kDa, a spread of about 0.4 kDa that the regularization
    // gives), both in kDa with one decimal
    const float* x = pDistAxisM;
    const float* c = pDistValues;
    double w0 = 0.0, w1 = 0.0, w2 = 0.0;
    for (int i = 1; i < nResolution; ++i) {
        const double a = std::max<double>(x[i], fSMin), b = std::min<double>(x[i + 1], fSMax);
        if (!(b > a)) continue;
        for (int k = 0; k < 200; ++k) {
            const double m = a + (k + 0.5) * (b - a) / 200.0;
            const double d = (b - a) / 200.0 * (c[i] + (c[i + 1] - c[i]) * (m - x[i]) / (x[i + 1] - x[i]));
            w0 += d;
            w1 += d * m;
            w2 += d * m * m;
        }
    }
    ASSERT_GT(w0, 0.0);
    const double fMeanKDa = w1 / w0 * 1e-3, fSdKDa = std::sqrt(w2 / w0 - (w1 / w0) * (w1 / w0)) * 1e-3;
    EXPECT_NEAR(fMeanKDa, 50.0, 0.04);
    EXPECT_GT(fSdKDa, 0.0);
    EXPECT_LT(fSdKDa, 2.0);
    char szMean[100], szSd[100];
    std::snprintf(szMean, sizeof szMean, "signal average Mw = %.1f kDa", fMeanKDa);
    std::snprintf(szSd, sizeof szSd, "std (sqrt(2nd central moment) = %.1f kDa", fSdKDa);
    EXPECT_TRUE(statisticsLineShows(window.get(), 275, 70, szMean)) << szMean;
    EXPECT_TRUE(statisticsLineShows(window.get(), 275, 90, szSd)) << szSd;

    // the baseline taken from c(M) is exported as the switch it is, 1 (the
    // file's 19th line); a series asks no questions
    bGeneratingSeries = 1;
    const std::string xp = folder + "/cm.xp";
    const bool bWritten = writeXpExperimentFile(window.get(), xp.c_str());
    bGeneratingSeries = 0;
    ASSERT_TRUE(bWritten);
    std::ifstream in(xp);
    std::string line;
    for (int k = 1; k <= 19 && std::getline(in, line); ++k) {}
    EXPECT_EQ(line, "1 (blocalAutoVaryBaseline)");
}

// With c(M) smoothing, M* is extrapolated to the bottom through its last two
// points there, and at the bottom it is the whole cell's weight-average mass:
// for 30 and 80 kDa loaded alike, 55 kDa.
TEST_F(MStarTest, SmoothingExtrapolatesMStarToTheCellsAverageMass)
{
    LoadEquilibrium({WriteEquilibriumScan("mix.RA1", {{30000.0, 0.3}, {80000.0, 0.3}}, 15000, 50000.0)});
    win::headless::Script script;
    ASSERT_NO_FATAL_FAILURE(EnterAndSmoothWithCM(script));
    ASSERT_TRUE(bMStarCMSmoothing);
    EXPECT_NEAR(pMStarSets[1].mwAvg, 55.0, 0.1);
}

// With c(M) smoothing, ln c is taken of the c(M) fit above the baseline that
// fit determined: on an ideal 50 kDa set lifted by 0.05 OD it is the line
// ln 0.1 + kM (r^2 - m^2) of the species alone. (The lift is a species too
// light to sediment, flat through the cell.)
TEST_F(MStarTest, SmoothingTakesLnCOfTheFitAboveItsBaseline)
{
    const double a = kFactor(15000) * 50000.0, span = kBottom * kBottom - kMeniscus * kMeniscus;
    const double c0 = 0.1 * std::expm1(a * span) / (a * span);
    LoadEquilibrium({WriteEquilibriumScan("lifted.RA1", {{50000.0, c0}, {1e-3, 0.05}}, 15000, 50000.0)});
    win::headless::Script script;
    ASSERT_NO_FATAL_FAILURE(EnterAndSmoothWithCM(script));
    ASSERT_TRUE(bMStarCMSmoothing);
    EXPECT_NEAR(fBaseline, 0.05f, 1e-3f);
    const MStarSetData& S = pMStarSets[1];
    const double slope = kFactor(15000) * 50000.0;
    int nSeen = 0;
    for (int j = S.firstIdx; j <= S.lastIdx - 1; ++j) {
        const double r = S.setRadius.p[j];
        ASSERT_NEAR(S.lnCCM.p[j], std::log(0.1) + slope * (r * r - kMeniscus * kMeniscus), 3e-3) << "r = " << r;
        ++nSeen;
    }
    EXPECT_GT(nSeen, 200);
}

TEST_F(MStarTest, TheFirstEntryNeverAsksAboutSmoothing)
{
    LoadIdealSet();
    bModelContinuous = 1;
    win::headless::Script script;
    Enter(script);  // no question expected
    EXPECT_TRUE(bMStarMode);
    EXPECT_TRUE(bMStarAskCMSmoothing);
}

// Several sets with time-invariant noise on (as interference data switch it):
// at one rotor speed every set has the same profile of each molar mass, which
// the noise would take up whole (a c(M) of zeros), so it is left out as for
// one set; at several speeds it stays. Both find the 50 kDa species.
class MStarSmoothingTest : public MStarTest {
protected:
    void SmoothTwoSets(bool bOneSpeed)
    {
        const double a = kFactor(15000) * 50000.0, span = kBottom * kBottom - kMeniscus * kMeniscus;
        const double c0 = 0.1 * std::expm1(a * span) / (a * span);
        std::vector<std::string> paths;
        for (int k = 1; k <= 2; ++k) {
            const double rpm = bOneSpeed ? 15000.0 : 12000.0 + 3000.0 * (k - 1);
            paths.push_back(WriteEquilibriumScan("eq" + std::to_string(k) + ".RA1", {{50000.0, c0}}, rpm, 50000.0 * k));
        }
        {
            // two speeds without a speed-steps file: the loader says so and loads
            win::headless::Script script;
            script.expectOpenFile("select files in set 1 to fit", paths);
            if (!bOneSpeed)
                script.expectMessageBox("could not open", win::IDOK)
                    .expectMessageBox("rotor speed profile inconsistent with data", win::IDOK);
            Run(script, 515);
        }
        ASSERT_EQ(nScans, 2);
        bFitTINoise = 1;
        bFitRINoise = 0;
        win::headless::Script script;
        ASSERT_NO_FATAL_FAILURE(EnterAndSmoothWithCM(script));
        EXPECT_EQ(bFitTINoise, bOneSpeed ? 0 : 1);
        ASSERT_TRUE(bMStarCMSmoothing);
        ASSERT_GT(nResolution, 2);
        int k = 1;
        for (int i = 1; i <= nResolution; ++i)
            if (pDistValues[i] > pDistValues[k]) k = i;
        ASSERT_GT(pDistValues[k], 0.0f);
        ASSERT_GT(k, 1);
        ASSERT_LT(k, nResolution);
        EXPECT_NEAR(pDistAxisM[k], 50000.0f,
                    std::max(pDistAxisM[k + 1] - pDistAxisM[k], pDistAxisM[k] - pDistAxisM[k - 1]));
        EXPECT_LT(fRmsd, 1e-4f);
    }
};

TEST_F(MStarSmoothingTest, SetsAtOneSpeedLeaveTheTINoiseOut) { SmoothTwoSets(true); }

TEST_F(MStarSmoothingTest, SetsAtTwoSpeedsKeepTheTINoise) { SmoothTwoSets(false); }

// Plot B shows M*(r) over the radii of the fit limits only: the values past
// the right limit belong to no fitted data.
TEST_F(MStarTest, TheMStarCurveStopsAtTheRightFitLimit)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    const CCurve* c = pMStarSets[1].pMStarCurve;
    int k = 0;
    while (k < pMStarPlotB->nCurves && pMStarPlotB->pCurves[k] != c) ++k;
    ASSERT_LT(k, pMStarPlotB->nCurves);
    ASSERT_TRUE(pMStarPlotB->pRangeSet[k]);
    const float* r = c->pX->pData;
    const int first = pMStarPlotB->pRangeFirst[k], last = pMStarPlotB->pRangeLast[k];
    EXPECT_GE(r[first], fFitLeftLim);
    // the last radius inside the limit on the 0.001 cm grid
    EXPECT_LE(r[last], fFitRightLim);
    EXPECT_GT(r[last], fFitRightLim - 0.0015f);
}

// Interference data carry an arbitrary offset, often below 0. With c(M)
// smoothing the fit takes the offset up as the set's baseline, and the
// meniscus signal is the fitted curve at the meniscus above it: for the ideal
// 50 kDa species with 0.1 at the meniscus, Ja = 0.1 and M* of the fit 50 kDa
// through the cell, whether the offset puts the whole profile below 0 (-2)
// or the profile crosses 0 inside the cell (-0.5, where the signal reaches
// about 1.3). The offset is written as a species too light to sediment.
class MStarOffsetTest : public MStarTest {
protected:
    void SmoothBelowZero(double fOffset)
    {
        LoadEquilibrium({WriteEquilibriumScan("off.IP1", {{50000.0, kLoading}, {1e-3, fOffset}}, 15000, 50000.0)});
        ASSERT_EQ(nScans, 1);
        win::headless::Script script;
        ASSERT_NO_FATAL_FAILURE(EnterAndSmoothWithCM(script));
        ASSERT_TRUE(bMStarCMSmoothing);
        EXPECT_NEAR(mStarBaseline(1), fOffset, 1e-3);
        const MStarSetData& S = pMStarSets[1];
        EXPECT_NEAR(S.meniscusSignal, 0.1, 1e-3);
        EXPECT_EQ(caption(12), "Ja(1) = 0.1000");
        int nSeen = 0;
        for (int j = 1; j <= S.nPts; ++j) {
            const double r = S.setRadius.p[j];
            if (r < fFitLeftLim || r > fFitRightLim) continue;
            ASSERT_NEAR(S.mStarCM.p[j], 50.0, 0.25) << "r = " << r;
            ++nSeen;
        }
        EXPECT_GT(nSeen, 250);
        EXPECT_NEAR(S.mwAvg, 50.0, 0.25);
    }
};

TEST_F(MStarOffsetTest, SmoothingFindsJaOfAProfileWhollyBelowZero) { SmoothBelowZero(-2.0); }

TEST_F(MStarOffsetTest, SmoothingFindsJaOfAProfileThatCrossesZero) { SmoothBelowZero(-0.5); }
