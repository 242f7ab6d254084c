// The plot object: curve tables, colours, ranges of curves, marks, texts and
// the conversions between positions and values.
#include <cmath>
#include <string>

#include "plot/plot_fixture.h"

using namespace win;

TEST(PlotObject, CurvesTakePaletteColoursAndTheFirstCurveDrawsOnce)
{
    CurveStore store;
    CWINPlot plot;
    plot.SetPlotRect(100, 100, 500, 700);
    EXPECT_FALSE(plot.bMetaFileValid);
    plot.AddCurve(store.curve({0, 1, 2}, {1, 2, 3}));
    // a new plot records its first picture inside the first AddCurve
    ASSERT_TRUE(plot.bMetaFileValid);
    HMETAFILE hFirst = plot.hMetaFile;
    ASSERT_NE(hFirst, nullptr);
    for (int k = 1; k < 12; k++) plot.AddCurve(store.curve({0, 1, 2}, {1, 2, float(k)}));
    EXPECT_EQ(plot.hMetaFile, hFirst); // later curves do not draw by themselves
    const COLORREF expected[12] = {0x0000ff, 0x0000ff, 0x00ffff, 0x00ff00, 0x6464ff, 0xffff00,
                                   0xff0000, 0xffc864, 0xff00ff, 0x006464, 0x000000, 0x0000ff};
    for (int k = 0; k < 12; k++) EXPECT_EQ(plot.GetCurveColor(k), expected[k]) << "curve " << k;
    EXPECT_EQ(plot.GetPaletteColor(-1), 0xc8c8c8u);
    EXPECT_EQ(plot.GetPaletteColor(13), 0x00ff00u);
    EXPECT_EQ(plot.GetCurveStyle(3), -1); // the default style of a plain plot
    EXPECT_EQ(plot.GetCurveColor(12), 0u);
    EXPECT_EQ(plot.GetCurveStyle(-1), 0);

    plot.SetCurveColor(5, 0x123456);
    EXPECT_EQ(plot.GetCurveColor(5), 0x123456u);
    EXPECT_EQ(plot.pCurveColorSet[5], 1);
    EXPECT_EQ(plot.pCurveColorSet[4], 0);
    plot.SetCurveColor(40, 0x111111); // ignored
    plot.SetCurveName(2, "third");
    plot.RemoveLastCurve();
    EXPECT_EQ(plot.nCurves, 11);
    // curves keep their settings when more are appended
    plot.AddCurve(store.curve({0, 1}, {0, 1}));
    EXPECT_EQ(plot.GetCurveColor(5), 0x123456u);
    EXPECT_STREQ(plot.pCurveNames[2], "third");
    EXPECT_EQ(plot.GetCurveColor(11), 0x0000ffu);
}

TEST(PlotObject, RangesMarksAndSecondScales)
{
    CurveStore store;
    CWINPlot plot;
    std::vector<float> x(100), y(100);
    for (int k = 0; k < 100; k++) x[size_t(k)] = float(k), y[size_t(k)] = float(k % 7);
    plot.AddCurve(store.curve(x, y));
    plot.SetCurveIndexRange(0, -5, 1000000);
    EXPECT_EQ(plot.pRangeSet[0], 1);
    EXPECT_EQ(plot.pRangeFirst[0], 0);
    EXPECT_EQ(plot.pRangeLast[0], 99);

    CVector bands[11];
    for (auto& b : bands) b.Resize(2);
    for (int k = 0; k < 11; k++) plot.AddMark(&bands[k]);
    EXPECT_EQ(plot.nMarks, 10);
    EXPECT_EQ(plot.pMarks[10], &bands[9]);

    plot.SetYValueScale(5, 1);
    EXPECT_TRUE(plot.bYValueScale);
    EXPECT_EQ(plot.fYValueScaleLo, 1.0f);
    EXPECT_EQ(plot.fYValueScaleHi, 5.0f);
    plot.SetYValueScale(3, 3);
    EXPECT_FALSE(plot.bYValueScale);
    EXPECT_EQ(plot.fYValueScaleLo, 0.0f);
    EXPECT_EQ(plot.fYValueScaleHi, 0.0f);

    plot.SetColorBarRange(0, 0);
    EXPECT_EQ(plot.fColorBarMin, 0.0f);
    EXPECT_EQ(plot.fColorBarMax, 1.0f);
    plot.SetColorBarRange(2, 2);
    EXPECT_EQ(plot.fColorBarMin, 2.0f);
    EXPECT_EQ(plot.fColorBarMax, 4.0f);
    EXPECT_TRUE(plot.bColorBarRange);

    plot.SetDefaultStyle(3);
    EXPECT_EQ(plot.nDefaultStyle, 3);
    plot.SetDefaultStyle(14);
    EXPECT_EQ(plot.nDefaultStyle, 2);

    float values[8] = {0, 0, 0, 1, 2, 3, 4, 5};
    plot.SetHighlightSegment(0, values, 3, 7, 1);
    EXPECT_EQ(plot.pColorValues, &values[3]);
    EXPECT_EQ(plot.nColorValues, 5);
    EXPECT_EQ(plot.nColorCurve, 0);
    EXPECT_TRUE(plot.bColorValuesFlag);
}

TEST(PlotObject, TextsLongerThanTheirBuffersAreCut)
{
    CWINPlot plot;
    const std::string sLong(150, 'x');
    const std::string sVeryLong(600, 'c');
    plot.nXLabelOffset = 7;
    char* p = plot.SetXLabel(sLong.c_str());
    EXPECT_EQ(p, plot.szXLabel);
    EXPECT_EQ(std::string(plot.szXLabel), std::string(99, 'x'));
    EXPECT_EQ(plot.nXLabelOffset, 7); // the field after the buffer is intact
    EXPECT_TRUE(plot.bXLabel);
    plot.SetYLabel(sLong.c_str());
    plot.SetTitle(sLong.c_str());
    plot.SetYBottomText(sLong.c_str());
    plot.SetYTopText(sLong.c_str());
    EXPECT_EQ(std::string(plot.szYLabel).size(), 99u);
    EXPECT_EQ(std::string(plot.szTitle).size(), 99u);
    EXPECT_EQ(plot.nYLabelOffset, 0);
    EXPECT_EQ(plot.bYTopText, 1);
    plot.SetColorBarCaption(1, 2, sVeryLong.c_str());
    EXPECT_EQ(std::string(plot.szColorBarCaption), std::string(499, 'c'));
    plot.SetColorBarTexts(4, sLong.c_str(), "top");
    EXPECT_EQ(std::string(plot.szColorBarBottomText).size(), 99u);
    EXPECT_STREQ(plot.szColorBarTopText, "top");

    CurveStore store;
    plot.AddCurve(store.curve({1, 2}, {1, 2}));
    plot.SetCurveName(0, std::string(200, 'n').c_str());
    EXPECT_EQ(std::string(plot.pCurveNames[0]), std::string(99, 'n'));
    plot.SetCurveName(0, "short");
    EXPECT_STREQ(plot.pCurveNames[0], "short");

    plot.ClearXLabel();
    EXPECT_FALSE(plot.bXLabel);
    EXPECT_STREQ(plot.szXLabel, "");
}

TEST(PlotObject, DeletingAPlotLeavesTheCurvesAndVectors)
{
    int nBefore = nCurveInstances.load();
    std::vector<float> x = {0, 1, 2, 3}, y = {3, 2, 1, 0};
    CVector vx, vy;
    vx.Attach(x.data(), 4, 0);
    vy.Attach(y.data(), 4, 0);
    auto* c = new CCurve(&vx, &vy);
    auto* plot = new CWINPlot;
    plot->AddCurve(c);
    plot->SetCurveName(0, "kept");
    float low[5] = {0, 0, 1, 2, 3}, high[5] = {0, 1, 2, 3, 4};
    plot->AttachCurveErrors(0, low, high, 4);
    EXPECT_TRUE(plot->bIntervals);
    plot->AttachCurveErrors(0, low, high, 3); // a count that is not the curve's leaves the slot
    EXPECT_EQ(plot->pIntervalLow[0]->Get(0), 0.0f);
    EXPECT_EQ(plot->pIntervalHigh[0]->Get(3), 4.0f);
    delete plot;
    EXPECT_EQ(nCurveInstances.load(), nBefore + 1);
    EXPECT_EQ(c->pX, &vx);
    EXPECT_EQ(vy.Get(0), 3.0f);
    delete c;

    // the one-curve constructor makes and releases its own curve
    CCurve base(&vx, &vy);
    auto* single = new CWINPlot(&base);
    EXPECT_EQ(single->nCurves, 1);
    EXPECT_EQ(single->GetCurveStyle(0), 0);
    EXPECT_EQ(single->GetCurveColor(0), 0x0000ffu);
    EXPECT_FLOAT_EQ(single->fXMin, -0.15f);
    EXPECT_FLOAT_EQ(single->fXMax, 3.15f);
    delete single;
    EXPECT_EQ(nCurveInstances.load(), nBefore + 1);
}

TEST(PlotObject, PositionsAndValues)
{
    CurveStore store;
    CWINPlot plot;
    plot.AddCurve(store.curve({0, 7}, {0, 5}));
    plot.nFrameLeft = 140;
    plot.nFrameRight = 840;
    plot.nFrameTop = 100;
    plot.nFrameBottom = 600;
    plot.SetAxisRanges(0, 7, 0, 5);
    EXPECT_EQ(plot.fXScale, 100.0f);
    EXPECT_EQ(plot.fXOffset, 140.0f);
    EXPECT_EQ(plot.fYScale, -100.0f);
    EXPECT_EQ(plot.fYOffset, 600.0f);
    EXPECT_EQ(plot.MapX(2.5f), 390);
    EXPECT_EQ(plot.MapY(2.5f), 350);
    // 1.4f * 250 = 349.99999..., truncated to 349 before the conversion
    float vx = 0, vy = 0;
    ASSERT_TRUE(plot.PixelToValue(250, 350, &vx, &vy));
    EXPECT_FLOAT_EQ(vx, 2.09f);
    EXPECT_FLOAT_EQ(vy, 2.5f);
    EXPECT_FALSE(plot.PixelToValue(50, 350, &vx, &vy));  // left of the frame
    // the top nButtonSize units of the frame belong to the buttons
    EXPECT_FALSE(plot.PixelToValue(250, 115, &vx, nullptr));
    EXPECT_TRUE(plot.PixelToValue(250, 125, &vx, nullptr));
    EXPECT_TRUE(plot.PixelToValue(250, 600, &vx, nullptr));
    EXPECT_FALSE(plot.PixelToValue(250, 601, &vx, nullptr));

    EXPECT_EQ(plot.ValueAtPixel(350), 0.0f);
    plot.SetYValueScale(5, 1);
    EXPECT_FLOAT_EQ(plot.ValueAtPixel(350), 3.0f);

    // on log axes the values are 10 to the mapped value; a non-positive value
    // sits nLogClipMargin outside the frame
    plot.bLogX = 1;
    plot.SetAxisRanges(1, 1000, 0, 5);
    EXPECT_FLOAT_EQ(plot.fXScale, 700.0f / 3);
    EXPECT_EQ(plot.MapX(10.0f), 373);
    EXPECT_EQ(plot.MapX(0.0f), 120);
    EXPECT_EQ(plot.MapX(-3.0f), 120);
    ASSERT_TRUE(plot.PixelToValue(500, 350, &vx, nullptr));
    EXPECT_NEAR(vx, std::pow(10.0, (699 - 140) / (700.0 / 3)), 0.01);

    float t = 0, l = 0, b = 0, r = 0;
    plot.ButtonRect(4, &t, &l, &b, &r);
    EXPECT_EQ(t, 121.0f);
    EXPECT_EQ(l, 831.0f);
    EXPECT_EQ(b, 131.0f);
    EXPECT_EQ(r, 840.0f);
}
