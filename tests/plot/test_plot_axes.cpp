// Frames, autoscaled and fixed ranges, zoom and tick values, checked against
// figures worked out by hand.
#include <cmath>

#include "plot/plot_fixture.h"

namespace {

std::vector<float> ticks(const CWINPlot& plot, int coarse, float lo, float hi)
{
    CVector* v = plot.ComputeTicks(coarse, lo, hi);
    std::vector<float> out(v->pData, v->pData + v->nSize);
    delete v;
    return out;
}

}  // namespace

TEST(PlotAxes, AutoscaleMarginsAndZeroRule)
{
    CurveStore store;
    {
        CWINPlot plot;
        plot.AddCurve(store.curve({0, 4, 10}, {2, 4, 3}));
        EXPECT_FLOAT_EQ(plot.fXMin, -0.5f);
        EXPECT_FLOAT_EQ(plot.fXMax, 10.5f);
        EXPECT_FLOAT_EQ(plot.fYMax, 4.1f);
        EXPECT_NEAR(plot.fYMin, 2 - 0.05 * 2.1, 1e-6);
        plot.ToggleYFromZero();
        plot.Rescale();
        EXPECT_FLOAT_EQ(plot.fYMin, 0.0f);
        EXPECT_FLOAT_EQ(plot.fYMax, 4.2f);
    }
    {
        CWINPlot plot;
        plot.AddCurve(store.curve({1, 2, 3}, {-1, 1, 0}));
        EXPECT_FLOAT_EQ(plot.fYMin, -1.0f); // no lower margin below zero
        EXPECT_FLOAT_EQ(plot.fYMax, 1.1f);
    }
    {
        CWINPlot plot;
        plot.AddCurve(store.curve({1, 2, 3}, {3, 3, 3}));
        EXPECT_NEAR(plot.fYMin, 1.895, 1e-6);
        EXPECT_FLOAT_EQ(plot.fYMax, 4.1f);
    }
    {
        // a lower margin that would cross zero stops at zero
        CWINPlot plot;
        plot.AddCurve(store.curve({1, 2}, {0.01f, 1.0f}));
        EXPECT_EQ(plot.fYMin, 0.0f);
        EXPECT_FLOAT_EQ(plot.fYMax, 1.0495f);
    }
    {
        // the index range decides which points count; a second y scale's
        // colour curve does not, unless it is the first curve
        CWINPlot plot;
        plot.AddCurve(store.curve({0, 1, 2, 3, 4}, {100, 1, 2, 3, 100}));
        plot.SetCurveIndexRange(0, 1, 3);
        plot.AddCurve(store.curve({0, 1}, {50, 60}));
        float values[2] = {1, 2};
        plot.SetHighlightSegment(1, values, 0, 1, 0);
        plot.SetYValueScale(0, 1);
        plot.Rescale();
        EXPECT_FLOAT_EQ(plot.fXMin, -0.15f);
        EXPECT_FLOAT_EQ(plot.fXMax, 3.15f);
        EXPECT_FLOAT_EQ(plot.fYMax, 3.1f);
        EXPECT_NEAR(plot.fYMin, 1 - 0.05 * 2.1, 1e-6);
    }
}

TEST(PlotAxes, LogarithmicAxes)
{
    CurveStore store;
    CWINPlot plot;
    plot.bLogX = 1;
    plot.bLogY = 1;
    plot.AddCurve(store.curve({1, 10, 100, 0}, {-2, 1, 10, 1000}));
    // decades 0..2 in x (the 0 is left out) and 0..3 in y, 5 % of the span added
    EXPECT_NEAR(plot.fXMin, std::pow(10.0, -0.1), 1e-6);
    EXPECT_NEAR(plot.fXMax, std::pow(10.0, 2.1), 1e-4);
    EXPECT_NEAR(plot.fYMin, std::pow(10.0, -0.15), 1e-6);
    EXPECT_NEAR(plot.fYMax, std::pow(10.0, 3.15), 0.01);
    EXPECT_TRUE(plot.bLogY); // the first curve is not tested for negative values
    plot.nFrameLeft = 100;
    plot.nFrameRight = 1100;
    plot.nFrameTop = 100;
    plot.nFrameBottom = 700;
    plot.Rescale();
    EXPECT_EQ(plot.MapX(1.0f), 100 + int(1000 * 0.1 / 2.2));
    EXPECT_EQ(plot.MapY(10.0f), int(700 - 600 * 1.15 / 3.3));

    plot.AddCurve(store.curve({1, 10}, {5, -1}));
    EXPECT_FALSE(plot.bLogY); // a later curve with a negative value turns log y off
    EXPECT_TRUE(plot.bLogX);
    EXPECT_FLOAT_EQ(plot.fYMin, -2.0f);
}

TEST(PlotAxes, FixedRangesZoomAndTheChangeFlag)
{
    CurveStore store;
    CWINPlot plot;
    plot.SetPlotRect(10, 50, 300, 500);
    EXPECT_EQ(plot.nFrameLeft, 69); // 50 * 1.39999997 = 69.99999...
    EXPECT_EQ(plot.nFrameRight, 699);
    EXPECT_EQ(plot.nFrameTop, 10);
    EXPECT_EQ(plot.nFrameBottom, 300);
    EXPECT_EQ(plot.nOuterLeft, 61);
    EXPECT_EQ(plot.nOuterRight, 707);
    EXPECT_EQ(plot.nOuterBottom, 328);
    EXPECT_EQ(plot.nOuterTop, 2);
    // without curves the ranges are -1..1 and the scales 0
    plot.Rescale();
    EXPECT_EQ(plot.fXMin, -1.0f);
    EXPECT_EQ(plot.fYMax, 1.0f);
    EXPECT_EQ(plot.fXScale, 0.0f);

    std::vector<float> x(10), y(10);
    for (int k = 0; k < 10; k++) x[size_t(k)] = float(k), y[size_t(k)] = float(k * k);
    plot.AddCurve(store.curve(x, y));
    EXPECT_EQ(plot.bScaleChanged, 0); // the scales were 0 before
    plot.ZoomTo(2, 5);
    EXPECT_TRUE(plot.bZoomX);
    EXPECT_FALSE(plot.bZoomY);
    EXPECT_EQ(plot.fXMin, 2.0f);
    EXPECT_EQ(plot.fXMax, 5.0f);
    EXPECT_EQ(plot.fYMin, 4.0f); // the points inside the window, no margin
    EXPECT_EQ(plot.fYMax, 25.0f);
    EXPECT_EQ(plot.bScaleChanged, 1);
    EXPECT_FLOAT_EQ(plot.fXScale, 630.0f / 3);
    plot.ZoomTo(7, 9); // the window reaches the last point
    EXPECT_EQ(plot.fYMin, 49.0f);
    EXPECT_EQ(plot.fYMax, 81.0f);
    plot.ZoomTo(2, 5);
    plot.ZoomTo(2, 5);
    EXPECT_EQ(plot.bScaleChanged, 0); // nothing moved

    plot.SetAxisRanges(0, 1, 5, 5); // too narrow: nothing happens
    EXPECT_EQ(plot.fXMin, 2.0f);
    EXPECT_FALSE(plot.bZoomY);
    plot.SetAxisRanges(0, 1, 0, 2e10f);
    EXPECT_TRUE(plot.bZoomY);
    EXPECT_EQ(plot.fYMax, 1.0f);
    EXPECT_EQ(plot.fXMin, 0.0f);
    float fScale = plot.fXScale, fOffset = plot.fYOffset;
    // with both ranges fixed a new frame leaves the mapping alone
    plot.SetPlotRect(100, 100, 500, 600);
    EXPECT_EQ(plot.fXScale, fScale);
    EXPECT_EQ(plot.fYOffset, fOffset);
    plot.ResetZoom();
    EXPECT_FALSE(plot.bZoomX);
    EXPECT_FLOAT_EQ(plot.fXMin, -0.45f);
    EXPECT_FLOAT_EQ(plot.fYMax, 85.05f);
    EXPECT_EQ(plot.MapX(0), 170); // 139 + 700 * 0.45 / 9.9
    EXPECT_EQ(plot.MapY(81), 119); // 500 - 400 * 81 / 85.05

    plot.SetXRange(1, 3);
    EXPECT_TRUE(plot.bZoomX);
    EXPECT_FALSE(plot.bZoomY);
    plot.Rescale(); // the fixed x range stays, y is autoscaled
    EXPECT_EQ(plot.fXMin, 1.0f);
    EXPECT_EQ(plot.fXMax, 3.0f);
    EXPECT_FLOAT_EQ(plot.fYMax, 85.05f);
}

TEST(PlotAxes, TickValues)
{
    CWINPlot plot;
    bTickLogMode = 0;
    EXPECT_EQ(ticks(plot, 1, 0, 10), (std::vector<float>{0, 5, 10}));
    std::vector<float> fine = ticks(plot, 0, 0, 10);
    ASSERT_EQ(fine.size(), 11u);
    for (int k = 0; k <= 10; k++) EXPECT_FLOAT_EQ(fine[size_t(k)], float(k));
    std::vector<float> tenths = ticks(plot, 1, 0.15f, 0.87f);
    ASSERT_EQ(tenths.size(), 7u);
    for (int k = 0; k < 7; k++) EXPECT_FLOAT_EQ(tenths[size_t(k)], 0.2f + 0.1f * float(k));
    EXPECT_TRUE(ticks(plot, 1, 3, 3).empty());
    EXPECT_TRUE(ticks(plot, 0, 1e31f, 2).empty());
    // a tick at zero is exactly zero
    EXPECT_EQ(ticks(plot, 1, -0.55f, 0.55f), (std::vector<float>{-0.5f, 0, 0.5f}));
    EXPECT_EQ(ticks(plot, 1, 0, 2000), (std::vector<float>{0, 1000, 2000}));
    // two major ticks even after halving: minor step of a tenth
    EXPECT_EQ(ticks(plot, 1, 0.3f, 1.4f), (std::vector<float>{0.5f, 1.0f}));
    std::vector<float> few = ticks(plot, 0, 0.3f, 1.4f);
    // 0.35 .. 1.35: 1.4f lies just below 1.4, so 1.4 itself is left out
    ASSERT_EQ(few.size(), 21u);
    EXPECT_FLOAT_EQ(few.front(), 0.35f);
    EXPECT_FLOAT_EQ(few[1], 0.4f);
    EXPECT_FLOAT_EQ(few.back(), 1.35f);
    // a lower end on a step is a tick itself
    EXPECT_EQ(ticks(plot, 1, 2, 4), (std::vector<float>{2, 3, 4}));

    // decade style: no halving of the major step, minors at log10(2..9)
    bTickLogMode = 1;
    EXPECT_EQ(ticks(plot, 1, -0.5f, 0.5f), (std::vector<float>{0}));
    std::vector<float> minors = ticks(plot, 0, -0.5f, 2.3f);
    bTickLogMode = 0;
    ASSERT_EQ(minors.size(), 22u);
    const double below[6] = {9, 8, 7, 6, 5, 4};
    for (int j = 0; j < 6; j++) EXPECT_NEAR(minors[size_t(j)], std::log10(below[j]) - 1, 1e-6);
    for (int k = 0; k < 2; k++)
        for (int m = 2; m <= 9; m++)
            EXPECT_NEAR(minors[size_t(6 + 8 * k + m - 2)], k + std::log10(double(m)), 1e-6);
    EXPECT_EQ(ticks(plot, 1, -0.5f, 0.5f), (std::vector<float>{-0.5f, 0, 0.5f}));
}
