// Frames, autoscaled and fixed ranges, zoom and tick values, checked against
// figures worked out by hand.
#include <cmath>

#include "plot/plot_fixture.h"

namespace {

std::vector<float> ticks(int coarse, float lo, float hi)
{
    CWINPlot plot;
    CVector* v = plot.ComputeTicks(coarse, lo, hi);
    std::vector<float> out(v->pData, v->pData + v->nSize);
    delete v;
    return out;
}

}  // namespace

TEST(PlotAxes, AutoscaleMargins)
{
    CurveStore store;
    auto scaled = [&](std::vector<float> x, std::vector<float> y, bool bFromZero = false) {
        auto plot = std::make_unique<CWINPlot>();
        plot->bYFromZero = bFromZero;
        plot->AddCurve(store.curve(x, y));
        return plot;
    };
    auto p = scaled({0, 4, 10}, {2, 4, 3});
    EXPECT_FLOAT_EQ(p->fXMin, -0.5f);
    EXPECT_FLOAT_EQ(p->fXMax, 10.5f);
    EXPECT_FLOAT_EQ(p->fYMax, 4.1f);
    EXPECT_NEAR(p->fYMin, 2 - 0.05 * 2.1, 1e-6);
    p = scaled({0, 4, 10}, {2, 4, 3}, true);
    EXPECT_EQ(p->fYMin, 0.0f);
    EXPECT_FLOAT_EQ(p->fYMax, 4.2f);
    p = scaled({1, 2, 3}, {-1, 1, 0}); // no lower margin below zero
    EXPECT_EQ(p->fYMin, -1.0f);
    EXPECT_FLOAT_EQ(p->fYMax, 1.1f);
    p = scaled({1, 2, 3}, {3, 3, 3});
    EXPECT_NEAR(p->fYMin, 1.895, 1e-6);
    EXPECT_FLOAT_EQ(p->fYMax, 4.1f);
    p = scaled({1, 2}, {0.01f, 1.0f}); // a lower margin crossing zero stops at zero
    EXPECT_EQ(p->fYMin, 0.0f);

    // the index range decides which points count; a colour curve on the
    // second y scale does not count for y
    p = scaled({0, 1, 2, 3, 4}, {100, 1, 2, 3, 100});
    p->SetCurveIndexRange(0, 1, 3);
    p->AddCurve(store.curve({0, 1}, {50, 60}));
    float values[2] = {1, 2};
    p->SetHighlightSegment(1, values, 0, 1, 0);
    p->SetYValueScale(0, 1);
    p->Rescale();
    EXPECT_FLOAT_EQ(p->fXMin, -0.15f);
    EXPECT_FLOAT_EQ(p->fYMax, 3.1f);

    // log axes: the decade span gets the 5 %; non-positive x are left out
    auto log = std::make_unique<CWINPlot>();
    log->bLogX = log->bLogY = 1;
    log->AddCurve(store.curve({1, 10, 100, 0}, {-2, 1, 10, 1000}));
    EXPECT_NEAR(log->fXMin, std::pow(10.0, -0.1), 1e-6);
    EXPECT_NEAR(log->fXMax, std::pow(10.0, 2.1), 1e-4);
    EXPECT_NEAR(log->fYMin, std::pow(10.0, -0.15), 1e-6);
    EXPECT_TRUE(log->bLogY); // the first curve is not tested for negative values
    log->AddCurve(store.curve({1, 10}, {5, -1}));
    EXPECT_FALSE(log->bLogY);
    EXPECT_EQ(log->fYMin, -2.0f);
}

// A point that is no number (a failed computation, a NaN read from a file)
// does not take part in the ranges: first in a curve it made every range
// NaN and the whole plot blank. A curve of nothing but such points leaves the
// ranges as if it were not there.
TEST(PlotAxes, PointsThatAreNoNumberAreLeftOutOfTheRanges)
{
    const float nan = std::nanf(""), inf = INFINITY;
    CurveStore store;
    CWINPlot plot;
    plot.AddCurve(store.curve({nan, 0, 4, 10}, {nan, 2, 4, 3}));
    EXPECT_FLOAT_EQ(plot.fXMin, -0.5f);
    EXPECT_FLOAT_EQ(plot.fXMax, 10.5f);
    EXPECT_NEAR(plot.fYMin, 2 - 0.05 * 2.1, 1e-6);
    EXPECT_FLOAT_EQ(plot.fYMax, 4.1f);
    plot.AddCurve(store.curve({nan, inf, 7}, {-inf, nan, nan}));  // y of none, x of 7
    EXPECT_FLOAT_EQ(plot.fYMax, 4.1f);
    EXPECT_FLOAT_EQ(plot.fXMax, 10.5f);
    plot.AddCurve(store.curve({nan, nan}, {nan, nan}));
    EXPECT_FLOAT_EQ(plot.fXMin, -0.5f);
    EXPECT_FLOAT_EQ(plot.fYMax, 4.1f);

    // the masked range and the y range of a zoom window alike
    int mask[5] = {0, 1, 1, 1, 1};
    plot.SetPointMask(mask, 4, 1, 0xc8c8c8, 3);
    plot.bUsePointMask = 1;
    plot.Rescale();
    EXPECT_FLOAT_EQ(plot.fYMax, 4.1f);
    CWINPlot zoomed;
    zoomed.AddCurve(store.curve({nan, 0, 4, 10}, {nan, 2, 4, 3}));
    zoomed.ZoomTo(-1, 5);
    EXPECT_EQ(zoomed.fYMin, 2.0f);
    EXPECT_EQ(zoomed.fYMax, 4.0f);

    CVector v;
    for (float f : {nan, 3.0f, -inf, -1.0f, 2.0f}) v.Append(f);
    EXPECT_EQ(v.MaxInRange(0, 4), 3.0f);
    EXPECT_EQ(v.MinInRange(0, 4), -1.0f);
    EXPECT_EQ(v.Max(), 3.0f);
    bool bNone = false;
    EXPECT_EQ(v.MaxInRange(0, 0, &bNone), 0.0f);
    EXPECT_TRUE(bNone);
}

TEST(PlotAxes, FrameFixedRangesAndZoom)
{
    CurveStore store;
    CWINPlot plot;
    plot.SetPlotRect(10, 50, 300, 500);
    EXPECT_EQ(plot.nFrameLeft, 69); // 50 * 1.39999997 = 69.99999...
    EXPECT_EQ(plot.nFrameRight, 699);
    EXPECT_EQ(plot.nOuterLeft, 61);
    EXPECT_EQ(plot.nOuterRight, 707);
    EXPECT_EQ(plot.nOuterBottom, 328);
    EXPECT_EQ(plot.nOuterTop, 2);
    std::vector<float> x(10), y(10);
    for (int k = 0; k < 10; k++) x[size_t(k)] = float(k), y[size_t(k)] = float(k * k);
    plot.AddCurve(store.curve(x, y));
    plot.ZoomTo(2, 5); // y from the points in the window, no margin
    EXPECT_TRUE(plot.bZoomX && !plot.bZoomY);
    EXPECT_EQ(plot.fYMin, 4.0f);
    EXPECT_EQ(plot.fYMax, 25.0f);
    EXPECT_EQ(plot.fXScale, 210.0f);
    EXPECT_EQ(plot.bScaleChanged, 1);
    plot.ZoomTo(7, 9); // the window reaches the last point
    EXPECT_EQ(plot.fYMax, 81.0f);
    plot.ZoomTo(7, 9);
    EXPECT_EQ(plot.bScaleChanged, 0);

    plot.SetAxisRanges(0, 1, 5, 5); // too narrow: nothing changes
    EXPECT_EQ(plot.fXMin, 7.0f);
    plot.SetAxisRanges(0, 1, 0, 2e10f);
    EXPECT_EQ(plot.fYMax, 1.0f);
    float fScale = plot.fXScale;
    plot.SetPlotRect(100, 100, 500, 600); // both ranges fixed: the mapping stays
    EXPECT_EQ(plot.fXScale, fScale);
    plot.ResetZoom();
    EXPECT_FLOAT_EQ(plot.fXMin, -0.45f);
    EXPECT_FLOAT_EQ(plot.fYMax, 85.05f);
    EXPECT_EQ(plot.MapX(0), 170); // 139 + 700 * 0.45 / 9.9
    EXPECT_EQ(plot.MapY(81), 119); // 500 - 400 * 81 / 85.05
    plot.SetXRange(1, 3);
    plot.Rescale(); // x stays fixed, y is autoscaled
    EXPECT_EQ(plot.fXMax, 3.0f);
    EXPECT_FLOAT_EQ(plot.fYMax, 85.05f);
}

TEST(PlotAxes, TickValues)
{
    bTickLogMode = 0;
    EXPECT_EQ(ticks(1, 0, 10), (std::vector<float>{0, 5, 10}));
    std::vector<float> fine = ticks(0, 0, 10);
    ASSERT_EQ(fine.size(), 11u);
    EXPECT_EQ(fine[7], 7.0f);
    std::vector<float> tenths = ticks(1, 0.15f, 0.87f);
    ASSERT_EQ(tenths.size(), 7u);
    EXPECT_FLOAT_EQ(tenths.front(), 0.2f);
    EXPECT_FLOAT_EQ(tenths.back(), 0.8f);
    EXPECT_TRUE(ticks(1, 3, 3).empty());
    EXPECT_EQ(ticks(1, -0.55f, 0.55f), (std::vector<float>{-0.5f, 0, 0.5f})); // zero exactly
    EXPECT_EQ(ticks(1, 2, 4), (std::vector<float>{2, 3, 4}));
    // two major ticks even after halving: the minor step is a tenth; 1.4f
    // lies just below 1.4, so the last minor is 1.35
    EXPECT_EQ(ticks(1, 0.3f, 1.4f), (std::vector<float>{0.5f, 1.0f}));
    std::vector<float> few = ticks(0, 0.3f, 1.4f);
    ASSERT_EQ(few.size(), 21u);
    EXPECT_FLOAT_EQ(few.front(), 0.35f);
    EXPECT_FLOAT_EQ(few.back(), 1.35f);

    // decade style: the major step is not halved, minors at log10(2..9)
    bTickLogMode = 1;
    EXPECT_EQ(ticks(1, -0.5f, 0.5f), (std::vector<float>{0}));
    std::vector<float> minors = ticks(0, -0.5f, 2.3f);
    bTickLogMode = 0;
    ASSERT_EQ(minors.size(), 22u);
    const double below[6] = {9, 8, 7, 6, 5, 4}; // 0.9 .. 0.4 of the decade below
    for (int j = 0; j < 6; j++) EXPECT_NEAR(minors[size_t(j)], std::log10(below[j]) - 1, 1e-6);
    for (int k = 0; k < 2; k++)
        for (int m = 2; m <= 9; m++)
            EXPECT_NEAR(minors[size_t(6 + 8 * k + m - 2)], k + std::log10(double(m)), 1e-6);
}
