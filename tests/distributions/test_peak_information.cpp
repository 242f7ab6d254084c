// Peak labels and their "PEAK INFO" box, the range selection on the
// distribution plot (integration, zoom, full scale) and the shading of an s
// range in the data, on the example's c(s) and on distributions set directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_fixture.h"
#include "distributions/distribution_result.h"
#include "distributions/example_run_fixture.h"
#include "distributions/peak_information.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/screen_button.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

std::string labelText(float fSw)
{
    char sz[40];
    peakLabelText(fSw, sz, sizeof sz);
    return sz;
}

// A window pixel of the headless surface.
COLORREF pixelAt(TXLAWindow* w, int x, int y)
{
    HDC dc = w->GetDC();
    const COLORREF c = GetPixel(dc, x, y);
    w->ReleaseDC(dc);
    return c;
}

// A clearly red pixel in the 7 x 7 square about (x, y).
bool redNear(TXLAWindow* w, int x, int y)
{
    for (int dx = -3; dx <= 3; dx++)
        for (int dy = -3; dy <= 3; dy++) {
            const COLORREF c = pixelAt(w, x + dx, y + dy);
            if (GetRValue(c) > 200 && GetGValue(c) < 80 && GetBValue(c) < 80) return true;
        }
    return false;
}

// Two peaks: 1 at 3 S and, 1e-5 times lower, at 7 S (a Gaussian each).
float twoPeaks(float s)
{
    return std::exp(-(s - 3.0f) * (s - 3.0f) / 0.1f) + 1e-5f * std::exp(-(s - 7.0f) * (s - 7.0f) / 0.1f);
}

// The same with the peak at 7 S a hundred times lower only.
float twoPeaksOneLow(float s)
{
    return std::exp(-(s - 3.0f) * (s - 3.0f) / 0.1f) + 0.01f * std::exp(-(s - 7.0f) * (s - 7.0f) / 0.1f);
}

// Share of the pixels inside a button's rectangle (a label is one) that show
// the colour: the plots' picture is 1000 units high and fPlotXScale thousand
// wide over the client.
double faceShare(TXLAWindow* w, const CScreenButton& b, COLORREF cr)
{
    const RECT rc = w->GetClientRect();
    const double dX = rc.right / (1000.0 * fPlotXScale), dY = rc.bottom / 1000.0;
    const int x1 = int(std::ceil(b.nLeft * dX)), x2 = int(b.nRight * dX);
    const int y1 = int(std::ceil(b.nTop * dY)), y2 = int(b.nBottom * dY);
    if (x2 - x1 < 10 || y2 - y1 < 5) return 0.0;
    HDC dc = w->GetDC();
    int nFace = 0;
    for (int i = x1; i <= x2; i++)
        for (int j = y1; j <= y2; j++)
            if (GetPixel(dc, i, j) == cr) nFace++;
    w->ReleaseDC(dc);
    return double(nFace) / ((x2 - x1 + 1) * (y2 - y1 + 1));
}

}  // namespace

TEST_F(ExampleRunTest, PeakInfoOfTheExample)
{
    RunExample();
    headless::Script script;
    Run(script, 608);
    // the highest maximum first; the ripples of the flat parts get no label
    ASSERT_GE(nPeakInfoLabels, 1);
    ASSERT_NE(pPeakInfoLabel[1], nullptr);
    for (int k = 2; k <= nPeakInfoLabels; k++) EXPECT_EQ(pPeakInfoLabel[k], nullptr) << k;
    // the label: the molar mass at f/f0 1.33, above the peak
    const std::string label = pPeakInfoLabel[1]->pszOffText;
    EXPECT_EQ(label.rfind("Mf~", 0), 0u) << label;
    EXPECT_NEAR(numberAfter(label, "Mf~"), 63.0, 2.0);
    EXPECT_EQ(label.substr(label.size() - 4), " kDa");
    const CScreenButton& b = *pPeakInfoLabel[1];
    EXPECT_EQ(b.crFace, RGB(255, 150, 150));
    EXPECT_EQ(b.nRight - b.nLeft, static_cast<int>(8 * label.size()));
    const int nPeakY = pDistPlot->MapY(pDistValues[nPeakIndex[1]]);
    EXPECT_EQ(b.nTop, nPeakY - 25);
    EXPECT_EQ(b.nBottom, nPeakY - 5);
    EXPECT_NEAR((b.nLeft + b.nRight) / 2.0, pDistPlot->MapX(fPeakSw[1]), 1.0);
    // full scale moves the axes, and the label with them
    const int nLeftBefore = b.nLeft;
    Run(script, 458);
    EXPECT_NE(b.nLeft, nLeftBefore);
    EXPECT_NEAR((b.nLeft + b.nRight) / 2.0, pDistPlot->MapX(fPeakSw[1]), 1.0);
    EXPECT_EQ(b.nTop, pDistPlot->MapY(pDistValues[nPeakIndex[1]]) - 25);

    // a click on the label: its box, with the transport-method error
    bErrorPropagationToSw = 1;
    script.expectMessageBox("PEAK INFO", IDOK);
    script.mouse(WM_LBUTTONDOWN, (b.nLeft + b.nRight) / 2, (b.nTop + b.nBottom) / 2);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    const std::string text = boxText(script, "PEAK INFO");
    EXPECT_NEAR(numberAfter(text, "sw = "), 4.30, 0.05);
    // water-like buffer and vbar20 = vbar: s20,w is s
    EXPECT_EQ(numberAfter(text, "sw(20,w) = "), numberAfter(text, "sw = "));
    EXPECT_NEAR(numberAfter(text, "(c = "), 0.80, 0.02);
    EXPECT_NEAR(numberAfter(text, "friction ratio = "), 1.33, 1e-6);
    EXPECT_NEAR(numberAfter(text, "Mw = "), 63000, 2000);
    EXPECT_NEAR(numberAfter(text, "compact sphere) = "), 41200, 1000);
    EXPECT_NEAR(numberAfter(text, "Stokes Radius (20C) = "), 3.5, 0.1);
    const double fError = numberAfter(text, "estimated error in sw is ");
    EXPECT_GT(fError, 0.0);
    EXPECT_LT(fError, 0.05);
    // the label is let go again
    EXPECT_EQ(pPeakInfoLabel[1]->bOn, 0);

    // without the error propagation no estimate; the peak is drawn red over
    // the curve until the next repaint
    bErrorPropagationToSw = 0;
    int nX, nY;
    DistributionPixel(pDistAxisS[nPeakIndex[1]], pDistValues[nPeakIndex[1]], &nX, &nY);
    EXPECT_FALSE(redNear(window.get(), nX, nY));
    script.expectMessageBox("PEAK INFO", IDOK);
    window->ReportIntegral(1);
    EXPECT_EQ(boxText(script, "PEAK INFO").find("transport method"), std::string::npos);
    EXPECT_TRUE(redNear(window.get(), nX, nY));
}

TEST_F(ExampleRunTest, TransportErrorNeedsFourUsableScanPairs)
{
    LoadExample();
    // v grows by 1e-10 per scan (300 s): 1e13 x 1e-10 / (0.5 x 300) = 6.7 S
    std::vector<float> v(31, 0.0f);
    for (int k = 1; k <= 5; k++) v[static_cast<size_t>(pScanTimeOrder[k])] = 1e-10f * static_cast<float>(k);
    float fError = 0.0f;
    ASSERT_TRUE(transportErrorEstimate(v.data(), 0.5f, &fError));
    EXPECT_NEAR(fError, 1e13 * 1e-10 / (0.5 * 300.0), 1e-5);
    // no signal in the range, or no transport: no estimate (not an infinite one)
    fError = -1.0f;
    EXPECT_FALSE(transportErrorEstimate(v.data(), 0.0f, &fError));
    EXPECT_FALSE(transportErrorEstimate(nullptr, 0.5f, &fError));
    EXPECT_EQ(fError, -1.0f);
    // a negative value ends the pairs it belongs to: three are left
    v[static_cast<size_t>(pScanTimeOrder[5])] = -1.0f;
    EXPECT_FALSE(transportErrorEstimate(v.data(), 0.5f, &fError));
}

TEST_F(ExampleRunTest, LabelTexts)
{
    // M = s on a scaling law of exponent 1: the seven formats of M
    bModelCSScalingLaw = 1;
    fScalingKs = 1.0f;
    fScalingBs = 1.0f;
    EXPECT_EQ(labelText(2.5e7f), "Mf~25.0 MDa");
    EXPECT_EQ(labelText(2.5e6f), "Mf~2.50 MDa");
    EXPECT_EQ(labelText(1.5e5f), "Mf~150 kDa");
    EXPECT_EQ(labelText(6.32e4f), "Mf~63.2 kDa");
    EXPECT_EQ(labelText(1.05e4f), "Mf~10.5 kDa");  // one decimal from 10 kDa on
    EXPECT_EQ(labelText(1.5e3f), "Mf~1.50 kDa");
    EXPECT_EQ(labelText(450.0f), "Mf~450 Da");
    EXPECT_EQ(labelText(45.0f), "Mf~45.0 Da");
    bModelCSScalingLaw = 0;

    // flotation: without sedimenting species a peak above fFlotationSMax is
    // a ghost; with them a sedimenting peak has its molar mass
    bModelCSFlotation = 1;
    bFlotationOnly = 1;
    fFlotationSMax = -10.0f;
    EXPECT_EQ(labelText(-5.0f), "ignore ghost");
    EXPECT_EQ(labelText(-12.0f), "sw = -12.000 S");
    bFlotationOnly = 0;
    VBAR = 0.73f;
    fVbarRho = 0.73f;
    EXPECT_EQ(labelText(4.3f).rfind("Mf~", 0), 0u);
    bModelCSFlotation = 0;

    // c(s) with an ls-g*(s) or hybrid model: every peak by its s
    bModelCS = 1;
    for (unsigned char* b : {&bModelHybridCSLsgs, &bModelLsgs, &bModelLsgsOneDiscrete}) {
        *b = 1;
        EXPECT_EQ(labelText(4.3f), "sw = 4.300 S");
        EXPECT_EQ(labelText(-20.0f), "sw = -20.000 S");
        *b = 0;
    }
    // a model without molar masses
    bModelCS = 0;
    bModelNonidealCS = 1;
    EXPECT_EQ(labelText(4.3f), "sw = 4.300 S");
}

TEST_F(ExampleRunTest, OnlyPeaksAboveATenThousandthGetALabel)
{
    LoadExample();
    // the second peak holds 1e-5 of the signal
    SetDistribution(101, 0.0f, 0.1f, twoPeaks);
    bModelCS = 0;
    bModelNonidealCS = 1;  // labels by s
    headless::Script script;
    Run(script, 608);
    ASSERT_EQ(nPeakInfoLabels, 2);
    ASSERT_NE(pPeakInfoLabel[1], nullptr);
    EXPECT_STREQ(pPeakInfoLabel[1]->pszOffText, "sw = 3.000 S");
    EXPECT_EQ(pPeakInfoLabel[2], nullptr);
    EXPECT_NEAR(fPeakFraction[1], 1.0, 0.005);  // the tails beyond 1 % of the height
    // a new distribution takes them away
    SetDistribution(101, 0.0f, 0.1f, twoPeaks);
    EXPECT_EQ(nPeakInfoLabels, 0);
    EXPECT_EQ(pPeakInfoLabel[1], nullptr);

    // a second peak of 1 % of the signal has its label, and a repaint of the
    // window shows both labels again
    SetDistribution(101, 0.0f, 0.1f, twoPeaksOneLow);
    bModelCS = 0;
    Run(script, 608);
    ASSERT_EQ(nPeakInfoLabels, 2);
    ASSERT_NE(pPeakInfoLabel[2], nullptr);
    EXPECT_STREQ(pPeakInfoLabel[2]->pszOffText, "sw = 7.000 S");
    window->Invalidate(true);
    headless::processMessages();
    for (int k = 1; k <= 2; k++) EXPECT_GT(faceShare(window.get(), *pPeakInfoLabel[k], pPeakInfoLabel[k]->crFace), 0.3) << "label " << k;
    // a click on the last label reports its peak: of two Gaussians of one
    // width the one at 7 S holds 0.01 / 1.01 = 0.990 % of the signal, less its
    // tails beyond 1 % of its height, erfc(sqrt(ln 100)) = 0.25 % of it
    const CScreenButton& b = *pPeakInfoLabel[2];
    script.expectMessageBox("PEAK INFO", IDOK);
    script.mouse(WM_LBUTTONDOWN, (b.nLeft + b.nRight) / 2, (b.nTop + b.nBottom) / 2);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    const std::string text = boxText(script, "PEAK INFO");
    EXPECT_NEAR(numberAfter(text, "sw = "), 7.0, 0.01) << text;
    EXPECT_NEAR(numberAfter(text.substr(std::min(text.size(), text.find("(c = "))), ", "), 0.9875, 0.002) << text;
}

// The labels report each peak once, over ranges that do not overlap (as the
// record of an unattended run does): the second maximum of the flat top gets
// no label of its own, the valley between 3 and 4.2 S counts once, and the
// labelled fractions add up to at most the whole. "PEAK INFO" reports what
// the label counted.
TEST_F(ExampleRunTest, EachPeakIsLabelledOnceOverDisjointRanges)
{
    LoadExample();
    SetDistribution(91, 1.0f, 0.1f, threePeaksFourMaxima);
    bModelCS = 0;
    bModelNonidealCS = 1;  // labels by s
    headless::Script script;
    Run(script, 608);
    ASSERT_EQ(nPeakInfoLabels, 4);
    std::vector<double> sw;
    double dSum = 0.0;
    for (int k = 1; k <= nPeakInfoLabels; k++) {
        if (!pPeakInfoLabel[k]) continue;
        sw.push_back(numberAfter(pPeakInfoLabel[k]->pszOffText, "sw = "));
        dSum += fPeakFraction[k];
        script.expectMessageBox("PEAK INFO", IDOK);
        window->ReportIntegral(k);
        const std::string text = boxText(script, "PEAK INFO");
        const std::string amount = text.substr(std::min(text.size(), text.find("(c = ")));
        EXPECT_NEAR(numberAfter(amount, "(c = "), fPeakC[k], 1e-4) << text;
        EXPECT_NEAR(numberAfter(amount, ", "), 100.0 * fPeakFraction[k], 1e-3) << text;
    }
    EXPECT_EQ(script.pending(), 0u);
    std::sort(sw.begin(), sw.end());
    ASSERT_EQ(sw.size(), 3u);
    EXPECT_NEAR(sw[0], 3.0, 0.15);
    EXPECT_NEAR(sw[1], 4.2, 0.15);
    EXPECT_NEAR(sw[2], 7.1, 0.05);
    EXPECT_LE(dSum, 1.0 + 1e-5);
    // nearly all of the signal lies in the three peaks
    EXPECT_GT(dSum, 0.98);
}

TEST_F(ExampleRunTest, RectangleIntegratesTheExamplesPeak)
{
    RunExample();
    headless::Script script;
    // the button starts the armed selection, shown pressed in pink
    Run(script, 456);
    ASSERT_NE(window->pIntegrateButton, nullptr);
    EXPECT_EQ(window->pIntegrateButton->bOn, 1);
    window->Invalidate(true);
    headless::processMessages();
    EXPECT_GT(faceShare(window.get(), *window->pIntegrateButton, RGB(255, 150, 150)), 0.3);
    EXPECT_EQ(bRangeSelectActive, 1);
    EXPECT_EQ(bRangeSelectArmed, 1);
    int x1, y1, x2, y2;
    DistributionPixel(3.5f, 0.5f, &x1, &y1);
    DistributionPixel(5.0f, 3.0f, &x2, &y2);
    script.mouse(WM_RBUTTONDOWN, x1, y1).mouse(WM_MOUSEMOVE, (x1 + x2) / 2, y2).mouse(WM_RBUTTONUP, x2, y2);
    script.expectMessageBox("INTEGRATE DISTRIBUTION", IDOK);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    const std::string text = boxText(script, "INTEGRATE DISTRIBUTION");
    EXPECT_NEAR(numberAfter(text, "Integral from "), 3.5, 0.02);
    EXPECT_NEAR(numberAfter(text, "Loading Concentration [Signal] = "), 0.80, 0.02);
    EXPECT_NEAR(numberAfter(text, "Weight (Signal) Average = "), 4.30, 0.05);
    EXPECT_NE(text.find("sw transformed to 20,w conditions = "), std::string::npos);
    // c and w on the clipboard
    const std::vector<std::string> rows = clipboardRows(script);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NEAR(numberAfter(rows[0], ""), 0.80, 0.02);
    EXPECT_NEAR(numberAfter(rows[0], "\t"), 4.30, 0.05);
    // the selection ended, the button off, the plot at full scale
    EXPECT_EQ(bRangeSelectActive, 0);
    EXPECT_EQ(bRangeSelectArmed, 0);
    EXPECT_EQ(window->pIntegrateButton->bOn, 0);
    EXPECT_EQ(pDistPlot->fXMin, pDistAxisS[1]);
    EXPECT_EQ(pDistPlot->fXMax, pDistAxisS[91]);
    EXPECT_EQ(pDistPlot->fYMin, 0.0f);
    EXPECT_EQ(pDistPlot->fYMax, *std::max_element(pDistValues + 1, pDistValues + 92));

    // a second click on the button while selecting cancels the selection
    Run(script, 456);
    EXPECT_EQ(bRangeSelectActive, 1);
    Run(script, 456);
    EXPECT_EQ(bRangeSelectActive, 0);
    EXPECT_EQ(window->pIntegrateButton->bOn, 0);

    // the transport-method error needs a range of more than 0.001 signal:
    // the distribution scaled to 0.00105 in the range has it, to 0.00095 not
    bErrorPropagationToSw = 1;
    for (const float fSignal : {0.00105f, 0.00095f}) {
        float c = 0.0f;
        integrateDistribution(3.5f, 5.0f, &c, nullptr, nullptr, nullptr, nullptr, nullptr);
        for (int i = 1; i <= nResolution; i++) pDistValues[i] *= fSignal / c;
        script.expectMessageBox("INTEGRATE DISTRIBUTION", IDOK);
        window->IntegrateSelectedRange(3.5f, 5.0f, 0.0f, 1e30f);
        const std::string box = boxText(script, "INTEGRATE DISTRIBUTION");
        EXPECT_NEAR(numberAfter(box, "Loading Concentration [Signal] = "), fSignal, 1e-6);
        EXPECT_EQ(box.find("estimated error in sw") != std::string::npos, fSignal > 0.001f) << fSignal;
    }
    // only a range of positive s is shown in the data: from 0 S it is
    // integrated, but with no boundary region there is no error either
    for (const float fFrom : {0.0f, 0.01f}) {
        float c = 0.0f;
        integrateDistribution(fFrom, 5.0f, &c, nullptr, nullptr, nullptr, nullptr, nullptr);
        for (int i = 1; i <= nResolution; i++) pDistValues[i] *= 0.002f / c;
        script.expectMessageBox("INTEGRATE DISTRIBUTION", IDOK);
        window->IntegrateSelectedRange(fFrom, 5.0f, 0.0f, 1e30f);
        const std::string box = boxText(script, "INTEGRATE DISTRIBUTION");
        EXPECT_NEAR(numberAfter(box, "Loading Concentration [Signal] = "), 0.002f, 1e-6);
        EXPECT_EQ(box.find("estimated error in sw") != std::string::npos, fFrom > 0.0f) << fFrom;
    }
}

TEST_F(ExampleRunTest, ARangeOfNoWidthDrawsNothing)
{
    RunExample();
    const int nPeak = PeakIndex();
    int x, y;
    DistributionPixel(pDistAxisS[nPeak], pDistValues[nPeak], &x, &y);
    EXPECT_FALSE(redNear(window.get(), x, y));
    window->DrawSelectedRange(pDistAxisS[nPeak], pDistAxisS[nPeak], 12, RGB(255, 0, 0));
    EXPECT_FALSE(redNear(window.get(), x, y));
    // a range over the peak is drawn over the curve
    window->DrawSelectedRange(4.0f, 4.6f, 12, RGB(255, 0, 0));
    EXPECT_TRUE(redNear(window.get(), x, y));
}

TEST_F(ExampleRunTest, RescaleZoomsToTheRectangleAndFullscaleReturns)
{
    RunExample();
    bRealtimeUpdate = 1;  // a range chosen now is kept for the refits
    headless::Script script;
    Run(script, 457);
    EXPECT_EQ(bPeakRangeSelect, 1);
    EXPECT_EQ(bRangeSelectActive, 1);
    int x1, y1, x2, y2;
    DistributionPixel(4.0f, 0.5f, &x1, &y1);
    DistributionPixel(4.6f, 1.0f, &x2, &y2);
    script.mouse(WM_RBUTTONDOWN, x1, y1).mouse(WM_RBUTTONUP, x2, y2);
    headless::processMessages();
    EXPECT_EQ(bPeakRangeSelect, 0);
    EXPECT_EQ(bRangeSelectActive, 0);
    const float xa = pDistPlot->fXMin, xb = pDistPlot->fXMax;
    EXPECT_NEAR(xa, 4.0f, 0.02f);
    EXPECT_NEAR(xb, 4.6f, 0.02f);
    float fMax = 0.0f;
    for (int i = 1; i <= nResolution; i++)
        if (pDistAxisS[i] >= xa && pDistAxisS[i] <= xb) fMax = std::max(fMax, pDistValues[i]);
    EXPECT_EQ(pDistPlot->fYMin, 0.0f);
    EXPECT_EQ(pDistPlot->fYMax, fMax);
    EXPECT_EQ(bRealtimeAutoAdjustRange, 1);
    EXPECT_EQ(fRealtimeDistXMin, xa);
    EXPECT_EQ(fRealtimeDistXMax, xb);
    // the refit of the update shows the kept range again
    Run(script, 213);
    window->SelectPeakRange(fRealtimeDistXMin, fRealtimeDistXMax);
    EXPECT_EQ(pDistPlot->fXMin, xa);
    EXPECT_EQ(pDistPlot->fXMax, xb);

    Run(script, 458);
    EXPECT_EQ(pDistPlot->fXMin, 1.0f);
    EXPECT_EQ(pDistPlot->fXMax, 10.0f);
    EXPECT_EQ(pDistPlot->fYMax, *std::max_element(pDistValues + 1, pDistValues + 92));
    bRealtimeUpdate = 0;
}

TEST_F(ExampleRunTest, BoundaryRegionOfAnSRangeInTheData)
{
    RunExample();
    // 4.0 to 4.6 S from the meniscus at 6.0 cm: meniscus exp(s 1e-13 w2t)
    // with the scans' w2t 1.3159e11 (scan 15) and 2.5496e11 (scan 30) gives
    // 6.324275..6.374406 cm and 6.644195..6.746616 cm; the points lie every
    // 0.003 cm from 5.95 cm
    std::vector<int> first(31), last(31);
    std::vector<float> v(31);
    const float delta = 0.002f;  // data 0.002 above the fit in the region of scan 30
    for (int j = 1; j <= pScanPoints[30]; j++)
        if (ppRadius[30][j] >= 6.644f && ppRadius[30][j] <= 6.747f) ppFit[30][j] = ppSignal[30][j] - delta;
    window->DrawShadedDistribution(4.0f, 4.6f, first.data(), last.data(), v.data());
    EXPECT_NEAR(ppRadius[15][first[15]], 6.3250, 1e-4);
    EXPECT_NEAR(ppRadius[15][last[15]], 6.3730, 1e-4);
    EXPECT_NEAR(ppRadius[30][first[30]], 6.6460, 1e-4);
    EXPECT_NEAR(ppRadius[30][last[30]], 6.7450, 1e-4);
    // scan 1 (w2t 1.6449e10) has its region left of the fit limit 6.05 cm
    EXPECT_EQ(first[1], 0);
    // the residual material of the region over omega^2 meniscus^2: delta
    // (r2^2 - r1^2) / 2 with r1, r2 half a point beyond the region's ends
    const double omega = 50000 * 2 * M_PI / 60, r1 = 6.6445, r2 = 6.7465;
    EXPECT_NEAR(v[30], delta * (r2 * r2 - r1 * r1) / 2 / (omega * omega * 36.0), 1e-12);

    // the residuals bitmap marks the regions
    bShowResidualsBitmap = 1;
    std::vector<float> transport;
    shadeRangeInData(window.get(), 4.0f, 4.6f, &transport);
    int nMarked = 0;
    for (const MetaRecordInfo& r : metaFileRecords(bitmapPlotMetafile()))
        if (r.op == MetaOp::SelectBrush && r.args.size() >= 2 && GetRValue(r.args[1]) != GetGValue(r.args[1]))
            nMarked++;
    EXPECT_GT(nMarked, 0);
    EXPECT_EQ(bMarkResidualRanges, 0);
    EXPECT_EQ(transport[30], v[30]);
    bShowResidualsBitmap = 0;

    // the non-ideal c(s) scales the limits by 1 - (T / signal per mg/ml)
    // 10^ks: with log ks 1 and a signal of 20 T per mg/ml by one half, so
    // 8.0 to 9.2 S shade the region of 4.0 to 4.6 S
    bModelNonidealCS = 1;
    fNonidealKs = 1.0f;
    float fSignal = 0.0f, fTotal = 0.0f;
    integrateDistribution(8.0f, 9.2f, &fSignal, nullptr, &fTotal, nullptr, nullptr, nullptr);
    dSignalPerMgMl = 20.0 * fTotal;
    shadeRangeInData(window.get(), 8.0f, 9.2f, &transport);
    EXPECT_EQ(transport, v);

    // hindered settling scales them by (1 - phi)^ks, phi = c vbar / 1000
    // (docs/lamm.md), c in mg/ml of the material from 0.1 S to the limit: a
    // tent of height 1 from 0 to 0.2 S holds 0.05 of it; with ks 1 and a
    // signal of 0.05 vbar / 500 per mg/ml phi is one half, and 8.0 to 9.2 S
    // shade the region of 4.0 to 4.6 S once more
    bModelHinderedCS = 1;
    bHinderedBaxter = 0;
    SetDistribution(101, 0.0f, 0.1f, [](float s) { return s == 0.1f ? 1.0f : 0.0f; });
    dSignalPerMgMl = 0.05 * VBAR / 500.0;
    shadeRangeInData(window.get(), 8.0f, 9.2f, &transport);
    EXPECT_EQ(transport, v);
}

// Show Peak Mw serves every c(s) model whose peaks have a molar mass or an s,
// invariant D and linear rods among them, and not the ls-g* distribution.
TEST_F(ExampleRunTest, PeakInfoServesEachOfItsModels)
{
    LoadExample();
    for (unsigned char* b : {&bModelCSInvariantD, &bModelCSLinearRods, &bModelHinderedCS, &bModelCSOneDiscreteM}) {
        SetDistribution(101, 0.0f, 0.1f, twoPeaks);
        bModelCS = 0;
        *b = 1;
        headless::Script script;
        Run(script, 608);
        EXPECT_EQ(nPeakInfoLabels, 2);
        *b = 0;
    }
    SetDistribution(101, 0.0f, 0.1f, twoPeaks);
    bModelCS = 0;
    bModelLsgs = 1;
    headless::Script script;
    Run(script, 608);
    EXPECT_EQ(nPeakInfoLabels, 0);
}

// A distribution of many peaks gets the ten highest labelled, highest first,
// each at its own s.
TEST_F(ExampleRunTest, TheTenHighestOfManyPeaksGetTheirLabels)
{
    LoadExample();
    // twelve peaks at 1.5, 2.0, ... 7.0 S, the higher the further out
    SetDistribution(241, 0.0f, 0.05f, [](float s) {
        float v = 0.0f;
        for (int k = 0; k < 12; k++) {
            const float c = 1.5f + 0.5f * k;
            v += (1.0f + 0.1f * k) * std::exp(-(s - c) * (s - c) / 0.004f);
        }
        return v;
    });
    bModelCS = 0;
    bModelNonidealCS = 1;  // labels by s
    headless::Script script;
    Run(script, 608);
    ASSERT_EQ(nPeakInfoLabels, 10);
    for (int k = 1; k <= 10; k++) EXPECT_NEAR(fPeakSw[k], 7.0f - 0.5f * (k - 1), 0.03f) << k;
}

// A range beside the peak scales the plot to what lies inside it: the
// peak's outer flank from 4.6 S on, below the peak's top.
TEST_F(ExampleRunTest, ARangeBesideThePeakScalesToItsOwnValues)
{
    RunExample();
    window->SelectPeakRange(4.6f, 9.0f);
    float fInside = 0.0f;
    for (int i = 1; i <= nResolution; i++)
        if (pDistAxisS[i] >= 4.6f && pDistAxisS[i] <= 9.0f) fInside = std::max(fInside, pDistValues[i]);
    const float fPeak = *std::max_element(pDistValues + 1, pDistValues + nResolution + 1);
    EXPECT_EQ(pDistPlot->fYMax, fInside);
    EXPECT_LT(pDistPlot->fYMax, 0.5f * fPeak);
    EXPECT_GT(pDistPlot->fYMax, 0.0f);
}
