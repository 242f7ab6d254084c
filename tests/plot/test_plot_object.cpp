// The plot object: curve tables and colours, bounded texts, ownership, and the
// conversions between positions and values.
#include <cmath>

#include "plot/plot_fixture.h"

using namespace win;

TEST(PlotObject, CurvesColoursAndSettings)
{
    CurveStore store;
    CWINPlot plot;
    plot.SetPlotRect(100, 100, 500, 700);
    std::vector<float> x(100), y(100);
    for (int k = 0; k < 100; k++) x[size_t(k)] = float(k), y[size_t(k)] = float(k % 7);
    plot.AddCurve(store.curve(x, y));
    // a new plot records its first picture inside the first AddCurve, later ones do not
    ASSERT_TRUE(plot.bMetaFileValid);
    HMETAFILE hFirst = plot.hMetaFile;
    for (int k = 1; k < 12; k++) plot.AddCurve(store.curve({0, 1}, {1, float(k)}));
    EXPECT_EQ(plot.hMetaFile, hFirst);
    const COLORREF expected[12] = {0x0000ff, 0x0000ff, 0x00ffff, 0x00ff00, 0x6464ff, 0xffff00,
                                   0xff0000, 0xffc864, 0xff00ff, 0x006464, 0x000000, 0x0000ff};
    for (int k = 0; k < 12; k++) EXPECT_EQ(plot.GetCurveColor(k), expected[k]) << "curve " << k;
    EXPECT_EQ(plot.GetPaletteColor(-1), 0xc8c8c8u);
    EXPECT_EQ(plot.GetPaletteColor(13), 0x00ff00u);
    EXPECT_EQ(plot.GetCurveColor(12), 0u);

    plot.SetCurveColor(5, 0x123456);
    plot.SetCurveName(2, "third");
    plot.RemoveLastCurve();
    plot.AddCurve(store.curve({0, 1}, {0, 1})); // tables grow again, settings stay
    EXPECT_EQ(plot.GetCurveColor(5), 0x123456u);
    EXPECT_EQ(plot.pCurveColorSet[5], 1);
    EXPECT_STREQ(plot.pCurveNames[2], "third");

    plot.SetCurveIndexRange(0, -5, 1000000);
    EXPECT_EQ(plot.pRangeFirst[0], 0);
    EXPECT_EQ(plot.pRangeLast[0], 99);
    CVector bands[11];
    for (auto& b : bands) plot.AddMark(&b);
    EXPECT_EQ(plot.nMarks, 10); // the eleventh is ignored
    EXPECT_EQ(plot.pMarks[10], &bands[9]);
    plot.SetColorBarRange(0, 0);
    EXPECT_EQ(plot.fColorBarMax, 1.0f);
    plot.SetColorBarRange(2, 2);
    EXPECT_EQ(plot.fColorBarMax, 4.0f);
    plot.SetYValueScale(5, 1);
    EXPECT_EQ(plot.fYValueScaleLo, 1.0f);
    EXPECT_EQ(plot.fYValueScaleHi, 5.0f);
    plot.SetYValueScale(3, 3);
    EXPECT_FALSE(plot.bYValueScale);
}

TEST(PlotObject, CurvesAddedTogetherGiveThePlotOfCurvesAddedOneByOne)
{
    // The data plot of many scans adds its curves in one step: tables,
    // colours, the first picture and the ranges come out as with AddCurve.
    CurveStore store;
    std::vector<CCurve*> curves;
    for (int k = 0; k < 12; k++) {
        std::vector<float> x(50), y(50);
        for (int i = 0; i < 50; i++) x[size_t(i)] = 6.0f + 0.01f * float(i + k), y[size_t(i)] = float((i * k) % 11) - 3;
        curves.push_back(store.curve(x, y));
    }
    CWINPlot one, all;
    one.SetPlotRect(100, 100, 500, 700);
    all.SetPlotRect(100, 100, 500, 700);
    for (CCurve* c : curves) one.AddCurve(c);
    all.AddCurves(curves.data(), 3);
    ASSERT_TRUE(all.bMetaFileValid);  // the first curve drew the first picture
    HMETAFILE hFirst = all.hMetaFile;
    all.AddCurves(curves.data() + 3, 9);
    EXPECT_EQ(all.hMetaFile, hFirst);
    ASSERT_EQ(all.nCurves, one.nCurves);
    for (int k = 0; k < 12; k++) {
        EXPECT_EQ(all.pCurves[k], one.pCurves[k]) << k;
        EXPECT_EQ(all.GetCurveColor(k), one.GetCurveColor(k)) << k;
        EXPECT_EQ(all.GetCurveStyle(k), one.GetCurveStyle(k)) << k;
        EXPECT_EQ(all.pRangeSet[k], 0) << k;
    }
    EXPECT_FLOAT_EQ(all.fXMin, one.fXMin);
    EXPECT_FLOAT_EQ(all.fXMax, one.fXMax);
    EXPECT_FLOAT_EQ(all.fYMin, one.fYMin);
    EXPECT_FLOAT_EQ(all.fYMax, one.fYMax);
    all.AddCurves(curves.data(), 0);
    EXPECT_EQ(all.nCurves, 12);
}

TEST(PlotObject, TextsLongerThanTheirBuffersAreCut)
{
    CWINPlot plot;
    const std::string sLong(150, 'x');
    plot.nXLabelOffset = 7;
    EXPECT_EQ(plot.SetXLabel(sLong.c_str()), plot.szXLabel);
    EXPECT_EQ(std::string(plot.szXLabel), std::string(99, 'x'));
    EXPECT_EQ(plot.nXLabelOffset, 7); // the field after the buffer is intact
    plot.SetYLabel(sLong.c_str());
    plot.SetTitle(sLong.c_str());
    EXPECT_EQ(std::string(plot.szTitle).size(), 99u);
    EXPECT_EQ(plot.nYLabelOffset, 0);
    plot.SetColorBarCaption(1, 2, std::string(600, 'c').c_str());
    EXPECT_EQ(std::string(plot.szColorBarCaption), std::string(499, 'c'));
    CurveStore store;
    plot.AddCurve(store.curve({1, 2}, {1, 2}));
    plot.SetCurveName(0, std::string(200, 'n').c_str());
    EXPECT_EQ(std::string(plot.pCurveNames[0]), std::string(99, 'n'));
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
    float low[5] = {0, 0, 1, 2, 3}, high[5] = {0, 1, 2, 3, 4};
    plot->AttachCurveErrors(0, low, high, 4);
    plot->AttachCurveErrors(0, low, high, 3); // not the curve's count: the slot stays
    EXPECT_EQ(plot->pIntervalHigh[0]->Get(3), 4.0f);
    delete plot;
    EXPECT_EQ(nCurveInstances.load(), nBefore + 1);
    EXPECT_EQ(vy.Get(0), 3.0f);
    delete c;
    // the one-curve constructor makes, autoscales and releases its own curve
    CCurve base(&vx, &vy);
    auto* single = new CWINPlot(&base);
    EXPECT_EQ(single->GetCurveStyle(0), 0);
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
    plot.SetAxisRanges(0, 7, 0, 5); // 100 units per x and per y
    EXPECT_EQ(plot.MapX(2.5f), 390);
    EXPECT_EQ(plot.MapY(2.5f), 350);
    // 1.4f * 250 = 349.99999..., truncated to 349 before the conversion
    float vx = 0, vy = 0;
    ASSERT_TRUE(plot.PixelToValue(250, 350, &vx, &vy));
    EXPECT_FLOAT_EQ(vx, 2.09f);
    EXPECT_FLOAT_EQ(vy, 2.5f);
    EXPECT_FALSE(plot.PixelToValue(50, 350, &vx, &vy));
    // the top nButtonSize units of the frame belong to the buttons
    EXPECT_FALSE(plot.PixelToValue(250, 115, &vx, nullptr));
    EXPECT_TRUE(plot.PixelToValue(250, 125, &vx, nullptr));
    EXPECT_EQ(plot.ValueAtPixel(350), 0.0f);
    plot.SetYValueScale(5, 1);
    EXPECT_FLOAT_EQ(plot.ValueAtPixel(350), 3.0f);
    // log x: three decades over 700 units; values <= 0 sit 20 units left of the frame
    plot.bLogX = 1;
    plot.SetAxisRanges(1, 1000, 0, 5);
    EXPECT_EQ(plot.MapX(10.0f), 373);
    EXPECT_EQ(plot.MapX(-3.0f), 120);
    ASSERT_TRUE(plot.PixelToValue(500, 350, &vx, nullptr));
    EXPECT_NEAR(vx, std::pow(10.0, (699 - 140) / (700.0 / 3)), 0.01);
}
