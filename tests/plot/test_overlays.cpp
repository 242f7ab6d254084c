// Curve overlays: the same pixels as the renderer, the walk over an index
// range, per-point colours, and the array wrappers.
#include <cmath>

#include "numerics/nrutil.h"
#include "plot/overlays.h"
#include "plot/plot_fixture.h"

using namespace win;

namespace {

// A frame of 100..1100 x 100..900 with x 0..100 and y 0..8: a value (x, y)
// lies at (100 + 10x, 900 - 100y).
struct OverlayPlot {
    CurveStore store;
    CWINPlot plot;
    CCurve* pCurve = nullptr;

    explicit OverlayPlot(const std::vector<float>& x, const std::vector<float>& y)
    {
        pCurve = store.curve(x, y);
        plot.AddCurve(pCurve);
        plot.nFrameLeft = plot.nFrameTop = 100;
        plot.nFrameRight = 1100;
        plot.nFrameBottom = 900;
        plot.SetAxisRanges(0, 100, 0, 8);
    }
};

Records take(HMETAFILE h)
{
    Records l = metaFileListing(h);
    DeleteMetaFile(h);
    return l;
}

// The one-based points a line overlay walked, read off its records: the
// first run starts with a MoveTo to the point, every further point is a
// LineTo (x = 100 + 10 k for point k).
std::pair<int, int> walked(const Records& l)
{
    Records lines = withPrefix(l, "LineTo(");
    Records moves = withPrefix(l, "MoveTo(");
    auto pointOf = [](const std::string& r) {
        int x = 0, y = 0;
        std::sscanf(r.c_str() + r.find('(') + 1, "%d,%d", &x, &y);
        return (x - 100) / 10;
    };
    int a = pointOf(moves.back());
    int b = lines.empty() ? a : pointOf(lines.back());
    EXPECT_EQ(int(lines.size()), b - a) << "a gap in the walk";
    return {a, b};
}

}  // namespace

TEST(PlotOverlays, OverlayPixelsEqualTheRenderersForTheSameData)
{
    CurveStore store;
    std::vector<float> x = {1, 2, 3.5f, 4, 5.2f, 6, 7, 8.5f, 9};
    std::vector<float> y = {2, 5, 3, 11, 6, 4.5f, 8, 1.5f, 7};  // 11 lies above the range: a gap
    const COLORREF cr = RGB(200, 30, 60);
    for (int nStyle : {-1, 2, 3, 9, 12, 13, 14, 15, 17, 22}) {
        // the curve drawn by the renderer ...
        CWINPlot drawn;
        drawn.AddCurve(store.curve(x, y));
        drawn.SetPlotRect(100, 100, 800, 900);
        drawn.SetAxisRanges(0, 10, 0, 10);
        drawn.SetCurveStyle(0, nStyle);
        drawn.SetCurveColor(0, cr);
        drawn.nSymbolSize = 4;
        bDashToggle = 1;
        drawn.Draw();
        PlotCanvas a(700, 500);
        a.play(drawn.hMetaFile);

        // ... and the same plot with the curve invisible, overlaid
        CWINPlot bare;
        CCurve* pCurve = store.curve(x, y);
        bare.AddCurve(pCurve);
        bare.SetPlotRect(100, 100, 800, 900);
        bare.SetAxisRanges(0, 10, 0, 10);
        bare.SetCurveStyle(0, 0);
        bare.Draw();
        PlotCanvas b(700, 500);
        b.play(bare.hMetaFile);
        bDashToggle = 1;
        HMETAFILE h = bare.OverlayCurveAll(pCurve, cr, nStyle, 4);
        ASSERT_NE(h, nullptr);
        b.play(h);
        DeleteMetaFile(h);

        int nDiffer = 0, nCurvePixels = 0;
        for (int py = 0; py < 500; py++)
            for (int px = 0; px < 700; px++) {
                COLORREF c = a.at(px, py);
                if (c != b.at(px, py)) nDiffer++;
                if (c == cr) nCurvePixels++;
            }
        EXPECT_EQ(nDiffer, 0) << "style " << nStyle;
        EXPECT_GT(nCurvePixels, 0) << "style " << nStyle;
    }
}

TEST(PlotOverlays, IndexRangesFollowTheWalkRules)
{
    std::vector<float> x(20), y(20, 1);
    for (int k = 0; k < 20; k++) x[size_t(k)] = float(k + 1);
    OverlayPlot o(x, y);
    int** pColors = imatrix(1, 20, 1, 3);
    for (int k = 1; k <= 20; k++) pColors[k][1] = pColors[k][2] = pColors[k][3] = 0;

    struct Case {
        int first, last, a, b;
    };
    // (first, last) -> points a..b drawn, worked out from the rules: the walk
    // starts at first when 1 < first < 19 and stops at last when it lies
    // beyond the start and before the end; otherwise it runs to the ends.
    const Case cases[] = {
        {5, 5, 5, 20},   {19, 20, 1, 20}, {20, 20, 1, 20}, {5, 12, 5, 12}, {1, 10, 1, 10},  {0, 10, 1, 10},
        {5, 25, 5, 20},  {18, 19, 18, 19}, {5, 6, 5, 6},   {2, 2, 2, 20},  {1, 1, 1, 20},   {3, 20, 3, 20},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(walked(take(o.plot.OverlayCurve(o.pCurve, c.first, c.last, RGB(0, 0, 0), -1, 0))),
                  std::make_pair(c.a, c.b))
            << c.first << ".." << c.last;
        EXPECT_EQ(walked(take(o.plot.OverlayCurveEx(o.pCurve, c.first, c.last, pColors, -1, 0))),
                  std::make_pair(c.a, c.b))
            << "per-point colours " << c.first << ".." << c.last;
    }
    EXPECT_EQ(walked(take(o.plot.OverlayCurveAll(o.pCurve, RGB(0, 0, 0), -1, 0))), std::make_pair(1, 20));

    // a last before the first: one colour draws nothing, per-point colours
    // draw from first to the end (also for a negative last)
    EXPECT_EQ(o.plot.OverlayCurve(o.pCurve, 12, 5, RGB(0, 0, 0), -1, 0), nullptr);
    EXPECT_EQ(o.plot.OverlayCurve(o.pCurve, 5, -3, RGB(0, 0, 0), -1, 0), nullptr);
    EXPECT_EQ(walked(take(o.plot.OverlayCurveEx(o.pCurve, 12, 5, pColors, -1, 0))), std::make_pair(12, 20));
    EXPECT_EQ(walked(take(o.plot.OverlayCurveEx(o.pCurve, 5, -3, pColors, -1, 0))), std::make_pair(5, 20));

    // an empty curve gives no picture
    CurveStore store;
    CCurve* pEmpty = store.curve({}, {});
    EXPECT_EQ(o.plot.OverlayCurveAll(pEmpty, RGB(0, 0, 0), -1, 0), nullptr);
    free_imatrix(pColors, 1, 20, 1, 3);
}

TEST(PlotOverlays, PicturesJoinsColoursAndTheSymbolSize)
{
    OverlayPlot o({10, 20, 30, 40}, {1, 2, 9, 3});  // 9 lies above the y range
    o.plot.nSymbolSize = 7;

    // a window of 1399 x 1000, the colour's pen and brush; no line across the gap
    Records l = take(o.plot.OverlayCurveAll(o.pCurve, RGB(1, 2, 3), -1, 0));
    EXPECT_EQ(l, (Records{"SetWindowExt(1399,1000)", "SelectPen(0,0,0x030201)", "SelectBrush(0,0x030201)",
                          "MoveTo(200,800)", "MoveTo(200,800)", "LineTo(300,700)", "MoveTo(500,600)"}));
    EXPECT_EQ(o.plot.nSymbolSize, 7);

    // symbols of the size asked for; hollow circles for style 15
    l = take(o.plot.OverlayCurveAll(o.pCurve, RGB(1, 2, 3), 15, 3));
    EXPECT_EQ(withPrefix(l, "Ellipse("),
              (Records{"Ellipse(197,797,203,803)", "Ellipse(297,697,303,703)", "Ellipse(497,597,503,603)"}));
    EXPECT_EQ(withPrefix(l, "SelectBrush("), (Records{"SelectBrush(1,0x000000)"}));
    EXPECT_EQ(o.plot.nSymbolSize, 7);

    // style 0 draws nothing unless symbols are connected; then a polyline,
    // and so is style 21 (which the renderer never joins); 14 is never joined
    EXPECT_TRUE(withPrefix(take(o.plot.OverlayCurveAll(o.pCurve, 0, 0, 0)), "LineTo").empty());
    o.plot.bConnectSymbols = 1;
    EXPECT_EQ(withPrefix(take(o.plot.OverlayCurveAll(o.pCurve, 0, 0, 0)), "LineTo"), (Records{"LineTo(300,700)"}));
    EXPECT_EQ(withPrefix(take(o.plot.OverlayCurveAll(o.pCurve, 0, 21, 5)), "LineTo"), (Records{"LineTo(300,700)"}));
    Records dashed = take(o.plot.OverlayCurveAll(o.pCurve, 0, 14, 0));
    EXPECT_EQ(findRecord(dashed, "LineTo(300,700)"), -1);

    // per-point colours: each point's own pen (low byte of each entry), the
    // brush of row first
    int** pColors = imatrix(1, 4, 1, 3);
    const int rgb[4][3] = {{0x10a, 0, 0}, {0, 20, 0}, {0, 0, 30}, {1, 1, 1}};
    for (int k = 1; k <= 4; k++)
        for (int c = 1; c <= 3; c++) pColors[k][c] = rgb[k - 1][c - 1];
    // (first 3 of 4 points: the walk starts at point 1)
    l = take(o.plot.OverlayCurveEx(o.pCurve, 3, 4, pColors, 2, 2));
    EXPECT_EQ(withPrefix(l, "SelectPen("), (Records{"SelectPen(0,0,0x1e0000)", "SelectPen(0,0,0x00000a)",
                                                    "SelectPen(0,0,0x001400)", "SelectPen(0,0,0x1e0000)",
                                                    "SelectPen(0,0,0x010101)"}));
    EXPECT_EQ(withPrefix(l, "SelectBrush("), (Records{"SelectBrush(0,0x1e0000)"}));
    EXPECT_EQ(o.plot.nSymbolSize, 7);
    free_imatrix(pColors, 1, 4, 1, 3);
}

TEST(PlotOverlays, ArrayWrappers)
{
    OverlayPlot o({0, 100}, {0, 8});

    // views of the caller's floats: a tiny value becomes 0 in the array itself
    float* x = vector(1, 3);
    float* y = vector(1, 3);
    x[1] = 10, x[2] = 20, x[3] = 30;
    y[1] = 1e-31f, y[2] = 2, y[3] = 4;
    Records l = take(overlayFloatArrays(&o.plot, x, y, 3, 0, -1, 0));
    EXPECT_EQ(y[1], 0.0f);
    EXPECT_EQ(withPrefix(l, "LineTo"), (Records{"LineTo(300,700)", "LineTo(400,500)"}));

    // elements 2..3 only
    l = take(overlayFloatArraysRange(&o.plot, x, y, 3, 2, 3, 0, -1, 0));
    EXPECT_EQ(withPrefix(l, "MoveTo").front(), "MoveTo(300,700)");
    EXPECT_EQ(withPrefix(l, "LineTo"), (Records{"LineTo(400,500)"}));

    // doubles are copied, the caller's values stay as they were
    double* dx = dvector(1, 3);
    double* dy = dvector(1, 3);
    dx[1] = 10, dx[2] = 20, dx[3] = 30;
    dy[1] = 1e-31, dy[2] = 1, dy[3] = 4;
    l = take(overlayDoubleArrays(&o.plot, dx, dy, 3, 0, -1, 0));
    EXPECT_EQ(dy[1], 1e-31);
    EXPECT_EQ(withPrefix(l, "LineTo"), (Records{"LineTo(300,800)", "LineTo(400,500)"}));

    // normalised to a peak of 2: 1, 2, 4 are drawn as 0.5, 1, 2
    dy[1] = 1;
    dy[2] = 2;
    l = take(overlayNormalizedDoubleArray(&o.plot, x, dy, 3, 2.0, 0, -1, 0));
    EXPECT_EQ(withPrefix(l, "MoveTo").back(), "MoveTo(200,850)");
    EXPECT_EQ(withPrefix(l, "LineTo"), (Records{"LineTo(300,800)", "LineTo(400,700)"}));
    // all zero: drawn unscaled, at 0
    dy[1] = dy[2] = dy[3] = 0;
    l = take(overlayNormalizedDoubleArray(&o.plot, x, dy, 3, 2.0, 0, -1, 0));
    EXPECT_EQ(withPrefix(l, "LineTo"), (Records{"LineTo(300,900)", "LineTo(400,900)"}));

    EXPECT_EQ(overlayFloatArrays(&o.plot, x, y, 0, 0, -1, 0), nullptr);
    free_vector(x, 1, 3);
    free_vector(y, 1, 3);
    free_dvector(dx, 1, 3);
    free_dvector(dy, 1, 3);
}
