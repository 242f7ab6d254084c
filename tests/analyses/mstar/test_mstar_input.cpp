// Input of the M* screens through the headless script: clicks at the button
// centres with their questions, right-button drags on plot A, the marker and
// key hooks of the main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analyses/mstar/mstar_fixture.h"
#include "analyses/mstar/mstar_screen.h"
#include "app/app_globals.h"
#include "models/model_globals.h"
#include "plot/cwinplot.h"
#include "plot/screen_button.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

namespace {

std::string caption(int k)
{
    CScreenButton* b = mStarButton(k);
    return b ? b->pszOffText : "(none)";
}

bool isOn(int k) { return mStarButton(k) && mStarButton(k)->bOn; }

// The window's pixel inside the face of button k, left of the caption, half
// way down.
win::COLORREF facePixel(win::HWND hWnd, int k)
{
    const CScreenButton* b = mStarButton(k);
    const int x = static_cast<int>((b->nLeft + 4) / 1.4f * nClientWidth / 1000.0f);
    const int y = static_cast<int>(0.5f * (b->nTop + b->nBottom) * nClientHeight / 1000.0f);
    win::HDC dc = win::GetDC(hWnd);
    const win::COLORREF cr = win::GetPixel(dc, x, y);
    win::ReleaseDC(hWnd, dc);
    return cr;
}

// The window's pixels over the rectangle of button k, row by row.
std::vector<win::COLORREF> buttonPixels(win::HWND hWnd, int k)
{
    const CScreenButton* b = mStarButton(k);
    const int x0 = static_cast<int>(b->nLeft / 1.4f * nClientWidth / 1000.0f);
    const int x1 = static_cast<int>(b->nRight / 1.4f * nClientWidth / 1000.0f);
    const int y0 = static_cast<int>(std::min(b->nTop, b->nBottom) * nClientHeight / 1000.0f);
    const int y1 = static_cast<int>(std::max(b->nTop, b->nBottom) * nClientHeight / 1000.0f);
    std::vector<win::COLORREF> v;
    win::HDC dc = win::GetDC(hWnd);
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) v.push_back(win::GetPixel(dc, x, y));
    win::ReleaseDC(hWnd, dc);
    return v;
}

// The cursor shown now (put back as it was).
win::HCURSOR currentCursor()
{
    win::HCURSOR h = win::SetCursor(nullptr);
    win::SetCursor(h);
    return h;
}

}  // namespace

TEST_F(MStarTest, PolynomialOrderAnswers)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    // a pressed button shows its on face on the window while its question is
    // asked; button 4 answered No goes off as button 1 does
    const win::COLORREF crPressed = mStarButton(4)->crOn;
    ASSERT_NE(crPressed, mStarButton(4)->crFace);
    auto face = [this](int k) { return facePixel(window->HWindow, k); };
    std::vector<win::COLORREF> asked;
    win::headless::setTranscriptObserver([&](const std::string& l) {
        if (l.rfind("Input ", 0) == 0 && l.find("polynomial order") != std::string::npos) asked.push_back(face(4));
    });
    EXPECT_NE(face(4), crPressed);
    script.expectInput("polynomial order (1 or 2):", "1")
        .expectMessageBox("change extrapolation basis (in A(r) plot)?", win::IDNO);
    Click(script, 4);
    win::headless::setTranscriptObserver(nullptr);
    EXPECT_EQ(asked, std::vector<win::COLORREF>{crPressed});
    EXPECT_NE(face(4), crPressed);
    EXPECT_EQ(nBottomExtrapOrder, 1);
    EXPECT_FALSE(isOn(4));
    EXPECT_FALSE(bMStarDragB);
    EXPECT_NEAR(pMStarSets[1].mwAvg, 50.0, 0.3);

    // Cancel keeps the order; No re-extrapolates and switches button 1 off
    script.expectInputCancel("polynomial order (1 or 2):").expectMessageBox("change extrapolation basis?", win::IDNO);
    Click(script, 1);
    EXPECT_EQ(nMeniscusExtrapOrder, 2);
    EXPECT_FALSE(isOn(1));
    script.expectInput("polynomial order (1 or 2):", "2.7").expectMessageBox("change extrapolation basis?", win::IDNO);
    Click(script, 1);
    EXPECT_EQ(nMeniscusExtrapOrder, 2);
    // orders as typed: 0 a constant, below 0 zeros (and so no meniscus signal)
    script.expectInput("polynomial order (1 or 2):", "-1").expectMessageBox("change extrapolation basis?", win::IDNO);
    Click(script, 1);
    EXPECT_EQ(nMeniscusExtrapOrder, -1);
    EXPECT_EQ(pMStarSets[1].meniscusSignal, 0.0f);
    EXPECT_EQ(pMStarSets[1].meniscusCurve.p[50], 0.0f);
    EXPECT_EQ(script.pending(), 0u);
    // so also from a range between two points, which holds none: no points
    // are more than the order -1, so no error box (an unexpected one fails)
    const MStarSetData& S = pMStarSets[1];
    const int a = S.firstIdx + 10;
    meniscusFitRange[1] = S.setRadius.p[a] + 0.2f * (S.setRadius.p[a + 1] - S.setRadius.p[a]);
    meniscusFitRange[2] = S.setRadius.p[a] + 0.8f * (S.setRadius.p[a + 1] - S.setRadius.p[a]);
    script.expectInput("polynomial order (1 or 2):", "-1").expectMessageBox("change extrapolation basis?", win::IDNO);
    Click(script, 1);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_GT(meniscusFitRange[2], meniscusFitRange[1]);
    EXPECT_EQ(S.meniscusSignal, 0.0f);
    EXPECT_EQ(S.meniscusCurve.p[50], 0.0f);
}

TEST_F(MStarTest, SmoothingWidths)
{
    LoadIdealSet();
    // the buttons show the widths in per cent from the start
    nLnCSmoothHalfWidth = 35;
    nLnCSmoothOrder = 3;
    nMwappSmoothHalfWidth = 5;
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    EXPECT_EQ(caption(2), "SG smooth = 3.5 %(3)");
    EXPECT_EQ(caption(3), "SG smooth = 0.5 %(box)");
    script.expectInput("SG smooth %distance:", "1.5").expectInput("SG smooth order (box=1):", "1");
    Click(script, 2);
    EXPECT_EQ(nLnCSmoothHalfWidth, 15);
    EXPECT_EQ(caption(2), "SG smooth = 1.5 %(1)");
    EXPECT_FALSE(isOn(2));
    // 0.7 % is 7 points, as typed
    script.expectInput("SG smooth %distance:", "0.7");
    Click(script, 3);
    EXPECT_EQ(nMwappSmoothHalfWidth, 7);
    EXPECT_EQ(caption(3), "SG smooth = 0.7 %(box)");

    // a negative width or order is refused and the value stays
    script.expectInput("SG smooth %distance:", "-2")
        .expectMessageBox("lnc-r2 transformation", win::IDOK)
        .expectInput("SG smooth order (box=1):", "-3")
        .expectMessageBox("lnc-r2 transformation", win::IDOK);
    Click(script, 2);
    EXPECT_EQ(nLnCSmoothHalfWidth, 15);
    EXPECT_EQ(nLnCSmoothOrder, 1);
    EXPECT_EQ(caption(2), "SG smooth = 1.5 %(1)");

    // a width that leaves no point of the curves: no curve, nothing read
    // outside the arrays
    script.expectInput("SG smooth %distance:", "20").expectInput("SG smooth order (box=1):", "1");
    Click(script, 2);
    EXPECT_EQ(nLnCSmoothHalfWidth, 200);
    const MStarSetData& S = pMStarSets[1];
    ASSERT_LT(S.lastIdx - S.firstIdx, 400);
    EXPECT_EQ(pMStarPlotC->GetCurveStyle(1), 0);  // the smoothed ln c
    EXPECT_EQ(pMStarPlotD->GetCurveStyle(0), 0);  // Mwapp
    EXPECT_EQ(pMStarPlotC->GetCurveStyle(0), -1);
    EXPECT_NEAR(S.mwAvg, 50.0, 0.3);
    // back to a usable width: the curves come back
    script.expectInput("SG smooth %distance:", "2").expectInput("SG smooth order (box=1):", "2");
    Click(script, 2);
    EXPECT_EQ(pMStarPlotC->GetCurveStyle(1), -1);
    EXPECT_EQ(pMStarPlotD->GetCurveStyle(0), -1);
    EXPECT_EQ(caption(2), "SG smooth = 2.0 %(2)");
    EXPECT_EQ(script.pending(), 0u);

    // answered, the button is off on the window before the computation: an
    // error box of it (an order the meniscus range cannot give) stands in
    // front of a released button
    nMeniscusExtrapOrder = 1000;
    std::vector<win::COLORREF> atBox;
    win::headless::setTranscriptObserver([&](const std::string& l) {
        if (l.find("extrapolation order higher") != std::string::npos) atBox.push_back(facePixel(window->HWindow, 2));
    });
    script.expectInput("SG smooth %distance:", "1.5")
        .expectInput("SG smooth order (box=1):", "1")
        .expectMessageBox("extrapolation order higher", win::IDOK);
    Click(script, 2);
    win::headless::setTranscriptObserver(nullptr);
    EXPECT_EQ(atBox, std::vector<win::COLORREF>{mStarButton(2)->crFace});
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(MStarTest, DragsSetTheExtrapolationRangesEitherWay)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    const int x0 = PixelOfRadius(6.93f), x1 = PixelOfRadius(7.0f);

    script.expectInput("polynomial order (1 or 2):", "2").expectMessageBox("change extrapolation basis?", win::IDYES);
    Click(script, 1);
    EXPECT_TRUE(bMStarDragA);
    EXPECT_TRUE(isOn(1));
    EXPECT_EQ(currentCursor(), win::LoadCursor(nullptr, win::IDC_CROSS));
    RightDrag(script, x1, x0);  // right to left
    EXPECT_FALSE(bMStarDragA);
    EXPECT_EQ(currentCursor(), win::LoadCursor(nullptr, win::IDC_ARROW));
    const float lo = meniscusFitRange[1], hi = meniscusFitRange[2];
    EXPECT_NEAR(lo, 6.93, 0.002);
    EXPECT_NEAR(hi, 7.0, 0.002);
    EXPECT_FALSE(isOn(1));
    EXPECT_EQ(caption(12).substr(0, 8), "A0(1) = ");

    script.expectInput("polynomial order (1 or 2):", "2").expectMessageBox("change extrapolation basis?", win::IDYES);
    Click(script, 1);
    RightDrag(script, x0, x1);  // left to right
    EXPECT_EQ(meniscusFitRange[1], lo);
    EXPECT_EQ(meniscusFitRange[2], hi);

    // the bottom range on plot A
    const int x2 = PixelOfRadius(7.1f), x3 = PixelOfRadius(7.17f);
    script.expectInput("polynomial order (1 or 2):", "2")
        .expectMessageBox("change extrapolation basis (in A(r) plot)?", win::IDYES);
    Click(script, 4);
    EXPECT_TRUE(bMStarDragB);
    EXPECT_EQ(caption(4), "drag right mouse in A(r)");
    RightDrag(script, x3, x2);
    EXPECT_FALSE(bMStarDragB);
    EXPECT_NEAR(bottomFitRange[1], 7.1, 0.002);
    EXPECT_NEAR(bottomFitRange[2], 7.17, 0.002);
    EXPECT_EQ(caption(4), "extrap.");
    EXPECT_FALSE(isOn(4));
    EXPECT_NEAR(pMStarSets[1].mwAvg, 50.0, 0.3);

    // a drag of 10 pixels or less sets nothing
    script.expectInput("polynomial order (1 or 2):", "2").expectMessageBox("change extrapolation basis?", win::IDYES);
    Click(script, 1);
    RightDrag(script, x0, x0 + 10);
    EXPECT_TRUE(bMStarDragA);
    EXPECT_EQ(meniscusFitRange[1], lo);
    // one pixel more is a drag: the range ends where it ended
    RightDrag(script, x0, x0 + 11);
    EXPECT_FALSE(bMStarDragA);
    EXPECT_LT(meniscusFitRange[2], hi);
    EXPECT_EQ(script.pending(), 0u);

    // the meniscus button asks for the drag on the window before the
    // computation: an error box of it (an order the meniscus range cannot
    // give) stands in front of "drag right mouse", the button's face as it
    // is drawn anew, not the value it showed before
    const std::vector<win::COLORREF> before = buttonPixels(window->HWindow, 12);
    std::vector<std::string> captionsAtBox;
    bool bChanged = false, bCurrent = false;
    win::headless::setTranscriptObserver([&](const std::string& l) {
        if (l.find("extrapolation order higher") == std::string::npos) return;
        captionsAtBox.push_back(caption(12));
        const std::vector<win::COLORREF> shown = buttonPixels(window->HWindow, 12);
        mStarButton(12)->Paint(window.get());
        bChanged = shown != before;
        bCurrent = buttonPixels(window->HWindow, 12) == shown;
    });
    script.expectInput("polynomial order (1 or 2):", "1000")
        .expectMessageBox("change extrapolation basis?", win::IDYES)
        .expectMessageBox("extrapolation order higher", win::IDOK);
    Click(script, 1);
    win::headless::setTranscriptObserver(nullptr);
    EXPECT_EQ(captionsAtBox, std::vector<std::string>{"drag right mouse"});
    EXPECT_TRUE(bChanged);
    EXPECT_TRUE(bCurrent);
    EXPECT_TRUE(bMStarDragA);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(MStarTest, DragOnALogarithmicRadiusAxis)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    CWINPlot* A = pMStarPlotA;
    A->bLogX = 1;
    A->SetXRange(6.8f, 7.3f);
    bMStarDragA = 1;
    const float px0 = 500.0f, px1 = 300.0f;
    auto radiusAt = [A](float px) {
        const double x = std::trunc(std::trunc(px) * static_cast<double>(fPlotXScale) * 1000.0 / nClientWidth);
        return std::pow(10.0, (x - A->fXOffset) / A->fXScale);
    };
    const double r0 = radiusAt(px1), r1 = radiusAt(px0);
    ASSERT_LT(r0, r1);
    ASSERT_GT(r0, 6.8);
    mStarDragExtrapolation(window.get(), 1, px0, px1);
    // the computation clamps the range into the fit limits
    EXPECT_NEAR(meniscusFitRange[1], std::max(r0, static_cast<double>(fFitLeftLim)), 1e-4);
    EXPECT_NEAR(meniscusFitRange[2], std::min(r1, static_cast<double>(fFitRightLim)), 1e-4);
    // a mode whose flag is clear does nothing
    const float keep = bottomFitRange[1];
    mStarDragExtrapolation(window.get(), 4, px0, px1);
    EXPECT_EQ(bottomFitRange[1], keep);
}

TEST_F(MStarTest, BaselineButtonsChangeTheirOwnSet)
{
    LoadIdealSet(2, ".IP1");
    ASSERT_TRUE(bFitRINoise);
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    const float fCommon = fBaseline;
    script.expectInput("new baseline 2 signal:", "0.02");
    Click(script, 8 + 4 + 2);
    EXPECT_FLOAT_EQ(pRINoiseSaved[2], 0.02f);
    EXPECT_EQ(pRINoiseSaved[1], 0.0f);
    EXPECT_EQ(fBaseline, fCommon);
    EXPECT_EQ(caption(8 + 4 + 2), "Baseline(2) = 0.0200");
    EXPECT_EQ(caption(8 + 4 + 1), "Baseline(1) = 0.0000");
    EXPECT_NEAR(pMStarSets[2].meniscusSignal, 0.18, 0.002);
    EXPECT_NEAR(pMStarSets[1].meniscusSignal, 0.1, 0.002);

    // button 5 switches the offsets off: the common baseline for every set
    Click(script, 5);
    EXPECT_FALSE(bFitRINoise);
    EXPECT_FALSE(isOn(5));
    script.expectInput("new baseline signal:", "0.01");
    Click(script, 8 + 4 + 1);
    EXPECT_FLOAT_EQ(fBaseline, 0.01f);
    EXPECT_FLOAT_EQ(pRINoiseSaved[2], 0.02f);
    EXPECT_EQ(caption(8 + 4 + 1), "Baseline = 0.0100");
    EXPECT_EQ(caption(8 + 4 + 2), "Baseline = 0.0100");
    EXPECT_NEAR(pMStarSets[1].meniscusSignal, 0.09, 0.002);
    EXPECT_NEAR(pMStarSets[2].meniscusSignal, 0.19, 0.002);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(MStarTest, EnteredMeniscusSignalUntilReextrapolated)
{
    LoadIdealSet(2);
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    const int k1 = 8 + 6 + 1, k2 = 8 + 6 + 2;
    script.expectInput("new A0(1):", "0.12");
    Click(script, k1);
    EXPECT_TRUE(bMeniscusSignalFixed);
    EXPECT_FLOAT_EQ(pMStarSets[1].meniscusSignal, 0.12f);
    EXPECT_TRUE(isOn(k1));
    EXPECT_FALSE(isOn(k2));
    EXPECT_FLOAT_EQ(pMStarSets[1].meniscusMarkY.p[1], 0.12f);
    // the recomputation writes the caption again without the mark
    EXPECT_EQ(caption(k1), "A0(1) = 0.1200");
    // set 2 keeps what it had
    EXPECT_NEAR(pMStarSets[2].meniscusSignal, 0.2, 0.003);

    // No on button 1: every set extrapolated again, the buttons off
    script.expectInput("polynomial order (1 or 2):", "2").expectMessageBox("change extrapolation basis?", win::IDNO);
    Click(script, 1);
    EXPECT_FALSE(bMeniscusSignalFixed);
    EXPECT_NEAR(pMStarSets[1].meniscusSignal, 0.1, 0.002);
    EXPECT_FALSE(isOn(k1));
    EXPECT_FALSE(isOn(k2));
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(MStarTest, EscapeWithAnArmedDragRestoresTheArrow)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    script.expectInput("polynomial order (1 or 2):", "2").expectMessageBox("change extrapolation basis?", win::IDYES);
    Click(script, 1);
    ASSERT_EQ(currentCursor(), win::LoadCursor(nullptr, win::IDC_CROSS));
    script.typeChar(0x1B);
    win::headless::processMessages();
    EXPECT_EQ(currentCursor(), win::LoadCursor(nullptr, win::IDC_ARROW));
    EXPECT_FALSE(bMStarMode);
    EXPECT_TRUE(bMStarDragA);  // armed until a drag uses it
}

TEST_F(MStarTest, MovedLimitsRecompute)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    const int nLast = pMStarSets[1].lastIdx;
    // the right limit moved in: the ranges follow it
    fFitRightLim = 7.16f;
    updateRightFitLimit();
    window->DrawMarkers();
    EXPECT_NEAR(pMStarSets[1].lastIdx, nLast - 30, 1);
    // plot B draws the set's M* as a line over firstIdx .. lastIdx - 1
    ASSERT_NE(pMStarPlotB, nullptr);
    EXPECT_EQ(pMStarPlotB->GetCurveStyle(0), -1);
    ASSERT_TRUE(pMStarPlotB->pRangeSet && pMStarPlotB->pRangeSet[0]);
    EXPECT_EQ(pMStarPlotB->pRangeFirst[0], pMStarSets[1].firstIdx);
    EXPECT_EQ(pMStarPlotB->pRangeLast[0], pMStarSets[1].lastIdx - 1);
    EXPECT_LE(bottomFitRange[2], 7.16f);
    EXPECT_LE(bottomFitRange[1], bottomFitRange[2]);
    // a left limit below the meniscus becomes meniscus + 0.01, and the
    // meniscus range starts there
    meniscusFitRange[1] = 6.85f;
    fFitLeftLim = 6.8f;
    window->DrawMarkers();
    EXPECT_FLOAT_EQ(fFitLeftLim, fMeniscus + 0.01f);
    EXPECT_FLOAT_EQ(meniscusFitRange[1], fFitLeftLim);
    EXPECT_EQ(pMStarSets[1].firstIdx, pFitFirstIndex[1]);
    EXPECT_GE(pMStarSets[1].setRadius.p[pMStarSets[1].firstIdx], fFitLeftLim);
    EXPECT_NEAR(pMStarSets[1].mwAvg, 50.0, 0.3);
    // a left limit and a range that start on the meniscus are not below it:
    // both stay where they are
    fFitLeftLim = fMeniscus;
    meniscusFitRange[1] = fMeniscus;
    mStarClampRanges();
    EXPECT_EQ(fFitLeftLim, fMeniscus);
    EXPECT_EQ(meniscusFitRange[1], fMeniscus);
}

TEST_F(MStarTest, ButtonsWithoutActionRunOnlyTheComputation)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    const unsigned char bRI = bFitRINoise;
    // 5 with one set, the labels, numbers outside the table
    for (int k : {5, 9, 10, 0, 99}) mStarHandleInput(window.get(), k);
    EXPECT_EQ(bFitRINoise, bRI);
    EXPECT_TRUE(bMStarMode);
    EXPECT_EQ(script.pending(), 0u);

    // with two sets the labels 9 to 12 (Mwavg and Mw of each set) ask nothing
    // either: only 15 and 16 take a meniscus signal
    LoadIdealSet(2);
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    ASSERT_EQ(nMStarSets, 2);
    const float a1 = pMStarSets[1].meniscusSignal, a2 = pMStarSets[2].meniscusSignal;
    const std::string c1 = caption(15), c2 = caption(16);
    for (int k : {9, 10, 11, 12}) mStarHandleInput(window.get(), k);
    EXPECT_FALSE(bMeniscusSignalFixed);
    EXPECT_EQ(pMStarSets[1].meniscusSignal, a1);
    EXPECT_EQ(pMStarSets[2].meniscusSignal, a2);
    EXPECT_EQ(caption(15), c1);
    EXPECT_EQ(caption(16), c2);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(MStarTest, PlotDFollowsItsMethodAndAxis)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    EXPECT_STREQ(pMStarPlotD->szXLabel, "total signal");
    Click(script, 13);
    EXPECT_FALSE(bMwappVsSignal);
    EXPECT_TRUE(isOn(13));
    EXPECT_STREQ(pMStarPlotD->szXLabel, "radius (cm)");
    EXPECT_STREQ(pMStarPlotD->szYLabel, "Mwapp(r) [=(1/k)*dlnc/dr^2] (kDa)");
    Click(script, 8);
    EXPECT_TRUE(bMwappFromDcDr);
    EXPECT_STREQ(pMStarPlotD->szYLabel, "Mwapp(r) [=(1/k)*{(1/2)(1/(c*r))*(dc/dr)}] (kDa)");
    EXPECT_FLOAT_EQ(pMStarPlotD->fXMin, fMeniscus);
    EXPECT_FLOAT_EQ(pMStarPlotD->fXMax, fBottom);
    // the shown curve is the dc/dr form, filled again
    const MStarSetData& S = pMStarSets[1];
    EXPECT_EQ(pMStarPlotD->pCurves[0]->pY, S.mwAppDcDr.pVec);
    EXPECT_NEAR(S.mwAppDcDr.p[(S.firstIdx + S.lastIdx) / 2], 50.0, 0.5);
    // entering again keeps the buttons in step with the modes
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    EXPECT_TRUE(isOn(8));
    EXPECT_TRUE(isOn(13));

    // with two sets the axis button is the last one, 4n + 9 = 17; the label
    // of set 1's line fit (11) leaves the axis alone
    LoadIdealSet(2);
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    ASSERT_EQ(nMStarButtons, 17);
    EXPECT_STREQ(pMStarPlotD->szXLabel, "radius (cm)");
    mStarHandleInput(window.get(), 11);
    EXPECT_FALSE(bMwappVsSignal);
    EXPECT_STREQ(pMStarPlotD->szXLabel, "radius (cm)");
    Click(script, 17);
    EXPECT_TRUE(bMwappVsSignal);
    EXPECT_FALSE(isOn(17));
    EXPECT_STREQ(pMStarPlotD->szXLabel, "total signal");
    EXPECT_EQ(script.pending(), 0u);
}
