// The curve renderer: which points are walked and drawn, how runs are joined,
// what the style codes record, legends, excluded points, colour values, and
// curves whose data are missing.
#include <cmath>
#include <set>

#include "plot/plot_fixture.h"

using namespace win;

namespace {

// A frame of 100..1100 x 100..900 with x 0..100 and y 0..8: a value (x, y)
// lies at (100 + 10x, 900 - 100y).
struct RendererPlot {
    CurveStore store;
    CWINPlot plot;

    void add(const std::vector<float>& x, const std::vector<float>& y, int nStyle)
    {
        plot.AddCurve(store.curve(x, y));
        plot.SetCurveStyle(plot.nCurves - 1, nStyle);
        plot.nFrameLeft = plot.nFrameTop = 100;
        plot.nFrameRight = 1100;
        plot.nFrameBottom = 900;
        plot.SetAxisRanges(0, 100, 0, 8);
    }
    Records draw(std::initializer_list<int> curves)
    {
        HDC dc = CreateMetaFile(nullptr);
        for (int i : curves) plot.DrawCurve(dc, i);
        HMETAFILE h = CloseMetaFile(dc);
        Records l = metaFileListing(h);
        DeleteMetaFile(h);
        return l;
    }
};

}  // namespace

TEST(PlotRenderer, WalkStrideRunsAndRedrawRequest)
{
    RendererPlot stride;
    std::vector<float> x(10), y(10, 1);
    for (int k = 0; k < 10; k++) x[size_t(k)] = float(k);
    stride.add(x, y, 9);
    stride.plot.nSymbolSize = 2;
    stride.plot.nDrawStride = 3;
    EXPECT_EQ(withPrefix(stride.draw({0}), "Rectangle("),
              (Records{"Rectangle(98,798,102,802)", "Rectangle(128,798,132,802)", "Rectangle(158,798,162,802)",
                       "Rectangle(188,798,192,802)"}));

    // a line whose middle point lies above the range: two runs, no line across
    RendererPlot line;
    line.add({10, 20, 30, 40, 50}, {1, 2, 9, 3, 4}, -1);
    bPlotRedrawRequest = 0;
    EXPECT_EQ(line.draw({0}), (Records{"SelectPen(0,0,0x0000ff)", "SelectBrush(0,0x0000ff)", "MoveTo(200,800)",
                                       "MoveTo(200,800)", "LineTo(300,700)", "MoveTo(500,600)", "LineTo(600,500)",
                                       "SelectPen(0,0,0x000000)", "SelectBrush(0,0xffffff)"}));
    EXPECT_EQ(bPlotRedrawRequest, 1);

    // beyond a fixed x range a high point asks for nothing; unzoomed it does,
    // even with the invisible style 0
    RendererPlot outside;
    outside.add({10, 200}, {1, 9}, 0);
    bPlotRedrawRequest = 0;
    outside.draw({0});
    EXPECT_EQ(bPlotRedrawRequest, 0);
    outside.plot.bZoomX = 0;
    EXPECT_TRUE(withPrefix(outside.draw({0}), "LineTo").empty());
    EXPECT_EQ(bPlotRedrawRequest, 1);

    // log x: x = 0 sits 20 units left of the frame, x = -1 is hidden and breaks the line
    RendererPlot log;
    log.plot.bLogX = 1;
    log.add({0, -1, 10}, {2, 3, 4}, -1);
    log.plot.SetAxisRanges(1, 100, 0, 8);
    Records l = log.draw({0});
    EXPECT_EQ(withPrefix(l, "MoveTo"), (Records{"MoveTo(80,700)", "MoveTo(80,700)", "MoveTo(600,500)"}));
    EXPECT_TRUE(withPrefix(l, "LineTo").empty());

    // index range and shuffled order: every point of the range once
    RendererPlot shuffled;
    std::vector<float> x40(40), y40(40, 2);
    for (int k = 0; k < 40; k++) x40[size_t(k)] = float(k);
    shuffled.add(x40, y40, 9);
    shuffled.plot.SetCurveIndexRange(0, 5, 34);
    Records plain = withPrefix(shuffled.draw({0}), "Rectangle(");
    ASSERT_EQ(plain.size(), 30u);
    EXPECT_EQ(plain.front(), "Rectangle(140,690,160,710)");
    shuffled.plot.bShuffledOrder = 1;
    for (int n = 0; n < 2; n++) {
        Records again = withPrefix(shuffled.draw({0}), "Rectangle(");
        EXPECT_EQ(again.size(), 30u);
        EXPECT_EQ(std::set<std::string>(again.begin(), again.end()), std::set<std::string>(plain.begin(), plain.end()));
    }
}

TEST(PlotRenderer, StyleCodesDrawTheirShapes)
{
    // (10, 2) at (200, 700) starts the run, (30, 4) at (400, 500) follows; s = 10
    auto shapes = [](int nStyle, void (*setUp)(CWINPlot&) = nullptr) {
        RendererPlot r;
        r.add({10, 30}, {2, 4}, nStyle);
        if (setUp) setUp(r.plot);
        return r.draw({0});
    };
    EXPECT_TRUE(containsSequence(shapes(1), {"MoveTo(200,700)", "MoveTo(190,710)", "LineTo(211,691)", "MoveTo(190,690)",
                                             "LineTo(211,711)", "MoveTo(200,700)", "MoveTo(400,500)"}));
    EXPECT_TRUE(containsSequence(shapes(3), {"MoveTo(190,705)", "LineTo(210,705)", "LineTo(200,685)",
                                             "LineTo(190,705)", "MoveTo(200,700)"}));
    EXPECT_TRUE(containsSequence(shapes(8), {"Ellipse(190,690,210,710)", "MoveTo(200,700)", "MoveTo(200,900)",
                                             "LineTo(200,700)"}));
    Records wide = shapes(12);
    EXPECT_TRUE(containsSequence(wide, {"MoveTo(400,500)", "MoveTo(200,699)", "LineTo(400,499)", "MoveTo(200,701)",
                                        "LineTo(400,501)", "MoveTo(199,700)", "LineTo(399,500)", "MoveTo(201,700)",
                                        "LineTo(401,500)", "MoveTo(400,500)"}));
    EXPECT_EQ(withPrefix(wide, "LineTo").size(), 4u); // nothing at the start of the run
    EXPECT_TRUE(containsSequence(shapes(13), {"SelectPen(0,0,0xffffff)", "MoveTo(200,699)"}));
    EXPECT_TRUE(containsSequence(shapes(13), {"LineTo(401,500)", "MoveTo(400,500)", "SelectPen(0,0,0x0000ff)",
                                              "MoveTo(200,700)", "LineTo(400,500)"}));
    bDashToggle = 1;
    EXPECT_TRUE(containsSequence(shapes(14), {"MoveTo(200,700)", "LineTo(201,701)", "MoveTo(200,700)",
                                              "MoveTo(400,500)", "MoveTo(400,500)", "LineTo(401,501)"}));
    Records hollow = shapes(15);
    EXPECT_EQ(hollow[1], "SelectBrush(1,0x000000)");
    EXPECT_TRUE(containsSequence(hollow, {"Ellipse(390,490,410,510)", "MoveTo(400,500)"}));
    EXPECT_TRUE(containsSequence(shapes(15, [](CWINPlot& p) { p.nSymbolSize = 0; }),
                                 {"MoveTo(400,500)", "LineTo(401,501)"}));
    Records wider = shapes(18);
    EXPECT_EQ(withPrefix(wider, "LineTo").size(), 8u);
    EXPECT_TRUE(containsSequence(wider, {"LineTo(402,500)", "MoveTo(400,500)", "Ellipse(380,480,420,520)"}));
    EXPECT_TRUE(containsSequence(shapes(19, [](CWINPlot& p) { p.nSymbolSize2 = 3, p.nSymbolHeight2 = 7; }),
                                 {"Rectangle(193,697,207,703)"}));
    EXPECT_TRUE(containsSequence(shapes(23), {"MoveTo(400,500)", "LineTo(402,500)", "LineTo(402,502)",
                                              "LineTo(398,502)", "LineTo(398,498)", "LineTo(402,498)",
                                              "LineTo(400,500)", "LineTo(401,500)", "LineTo(401,501)",
                                              "LineTo(399,501)", "LineTo(399,499)", "LineTo(401,499)",
                                              "LineTo(400,500)"}));
    EXPECT_TRUE(containsSequence(shapes(4, [](CWINPlot& p) { p.fYTickLabelScale = 10; }),
                                 {"MoveTo(400,500)", "SetTextAlign(1)", "TextOut(400,500,\"40\")"}));
    // unknown codes draw nothing of their own; joined with bConnectSymbols
    for (int nStyle : {-2, 24}) {
        EXPECT_TRUE(withPrefix(shapes(nStyle), "LineTo").empty());
        EXPECT_EQ(withPrefix(shapes(nStyle, [](CWINPlot& p) { p.bConnectSymbols = 1; }), "LineTo").size(), 1u);
    }
    EXPECT_TRUE(containsSequence(shapes(2, [](CWINPlot& p) { p.bConnectSymbols = 1; }),
                                 {"LineTo(400,500)", "Ellipse(390,490,410,510)"}));
    for (int nStyle : {0, 14, 21})
        EXPECT_EQ(findRecord(shapes(nStyle, [](CWINPlot& p) { p.bConnectSymbols = 1; }), "LineTo(400,500)"), -1);
    // style 0 is invisible, legend text included
    EXPECT_TRUE(withPrefix(shapes(0, [](CWINPlot& p) { p.SetCurveName(0, "hidden"), p.ShowLegend(); }), "TextOut")
                    .empty());
}

TEST(PlotRenderer, PolygonBarsAndMissingData)
{
    RendererPlot area;
    std::vector<float> x(10), y(10);
    for (int k = 0; k < 10; k++) x[size_t(k)] = float(k), y[size_t(k)] = k < 5 ? 1.0f : 9.0f;
    area.add(x, y, 20);
    area.plot.SetCurveIndexRange(0, 5, 7);
    bPlotRedrawRequest = 0;
    // the range's end applies, its first index does not; no request for the high points
    EXPECT_EQ(withPrefix(area.draw({0}), "Polygon"),
              (Records{"Polygon(100,800,110,800,120,800,130,800,140,800,150,0,160,0,170,0)"}));
    EXPECT_EQ(bPlotRedrawRequest, 0);

    // bars from the zero line between each point's interval ends, only with intervals
    RendererPlot bars;
    bars.add({10, 30}, {2, 4}, 21);
    EXPECT_TRUE(withPrefix(bars.draw({0}), "Rectangle").empty());
    float low[3] = {0, 8, 25}, high[3] = {0, 12, 35};
    bars.plot.AttachCurveErrors(0, low, high, 2);
    EXPECT_EQ(withPrefix(bars.draw({0}), "Rectangle"),
              (Records{"Rectangle(180,900,220,700)", "Rectangle(350,900,450,500)"}));

    // value bars from an attached array: a cap and a line to the point
    RendererPlot value;
    value.add({10}, {2}, 7);
    float top[2] = {0, 3};
    value.plot.AttachExtraArrayA(0, top, 1);
    EXPECT_EQ(nErrorBarCapWidth, 15);
    EXPECT_TRUE(containsSequence(value.draw({0}), {"MoveTo(185,600)", "LineTo(215,600)", "MoveTo(200,600)",
                                                   "LineTo(200,700)"}));
    nErrorBarCapWidth = 8;

    // a curve without vectors draws nothing and the picture still records
    CCurve empty;
    bars.plot.AddCurve(&empty);
    bars.plot.SetCurveStyle(1, 21);
    EXPECT_TRUE(bars.draw({1, 5, -1}).empty());
    EXPECT_TRUE(bars.plot.Draw());
}

TEST(PlotRenderer, LegendExcludedPointsAndColourValues)
{
    RendererPlot legend;
    for (float y : {2.0f, 3.0f, 4.0f}) legend.add({10}, {y}, -1);
    legend.plot.SetCurveName(0, "first");
    legend.plot.SetCurveName(2, "third");
    legend.plot.ShowLegend();
    Records l = legend.draw({0, 1, 2});
    EXPECT_TRUE(containsSequence(l, {"MoveTo(105,105)", "SetTextAlign(1)", "SetTextColor(0x0000ff)",
                                     "TextOut(0,0,\"first\")", "SetTextColor(0x000000)"}));
    EXPECT_TRUE(containsSequence(l, {"MoveTo(105,145)", "SetTextAlign(1)", "SetTextColor(0x00ffff)",
                                     "TextOut(0,0,\"third\")"}));
    EXPECT_EQ(withPrefix(l, "TextOut").size(), 2u);

    // an excluded point is a small grey cross, the next one a square again;
    // y over 0..10: (20, 9) at (300, 180), (30, 3) at (400, 660)
    RendererPlot masked;
    masked.add({10, 20, 30}, {2, 9, 3}, 9);
    int mask[4] = {0, 1, 0, 1};
    masked.plot.SetPointMask(mask, 3, 1, 0xc8c8c8, 3);
    masked.plot.SetAxisRanges(0, 100, 0, 10);
    EXPECT_TRUE(containsSequence(masked.draw({0}),
                                 {"SelectPen(0,0,0xc8c8c8)", "MoveTo(300,180)", "MoveTo(297,183)", "LineTo(304,178)",
                                  "MoveTo(297,177)", "LineTo(304,184)", "MoveTo(300,180)", "SelectPen(0,0,0x0000ff)",
                                  "MoveTo(400,660)", "Rectangle(390,650,410,670)"}));
    EXPECT_EQ(masked.plot.nSymbolSize, 10);
    masked.plot.SetAxisRanges(0, 100, 0, 8); // the excluded point is now above the range
    masked.plot.bUsePointMask = 1;
    bPlotRedrawRequest = 0;
    masked.draw({0});
    EXPECT_EQ(bPlotRedrawRequest, 0);

    // colour values: each point in the colour of value / largest value
    RendererPlot coloured;
    coloured.add({10, 20, 30}, {1, 2, 3}, 9);
    float values[3] = {1, 2, 4};
    coloured.plot.SetHighlightSegment(0, values, 0, 2, 0);
    l = coloured.draw({0});
    EXPECT_EQ(coloured.plot.fColorValueMax, 4.0f);
    EXPECT_TRUE(containsSequence(l, {"SelectPen(0,0,0xff3f00)", "SelectBrush(0,0xff3f00)", "MoveTo(200,800)",
                                     "Rectangle(190,790,210,810)", "SelectPen(0,0,0x0000ff)",
                                     "SelectBrush(0,0x0000ff)"}));
    EXPECT_TRUE(containsSequence(l, {"SelectPen(0,0,0x0000bf)", "SelectBrush(0,0x0000bf)"}));
    // on the second y scale (0..10 over the frame height), never joined
    coloured.plot.SetYValueScale(0, 10);
    coloured.plot.bConnectSymbols = 1;
    l = coloured.draw({0});
    EXPECT_TRUE(containsSequence(l, {"MoveTo(200,820)", "Rectangle(190,810,210,830)"}));
    EXPECT_TRUE(withPrefix(l, "LineTo").empty());
    // a y that is no number has no place on that scale: the point is left out
    // like one outside the plot (x = 20 at 300), the others are drawn
    RendererPlot holes;
    holes.add({10, 20, 30}, {1, std::nanf(""), 3}, 9);
    holes.plot.SetHighlightSegment(0, values, 0, 2, 0);
    holes.plot.SetYValueScale(0, 10);
    l = holes.draw({0});
    EXPECT_EQ(withPrefix(l, "Rectangle").size(), 2u);
    for (const std::string& r : withPrefix(l, "Rectangle")) EXPECT_EQ(r.find("Rectangle(290,"), std::string::npos);
    // the two projection profiles: blue along x, green along y
    coloured.plot.SetYValueScale(0, 0);
    coloured.plot.bColorValuesFlag = 1;
    EXPECT_TRUE(containsSequence(coloured.draw({0}),
                                 {"SelectPen(0,0,0xff0000)", "SelectBrush(0,0xff0000)", "MoveTo(200,700)",
                                  "LineTo(300,500)", "LineTo(400,100)", "SelectPen(0,0,0x00ff00)",
                                  "SelectBrush(0,0x00ff00)", "MoveTo(350,800)", "LineTo(600,700)", "LineTo(1100,600)"}));
}

// Curves of plain points take a loop of their own; a mask that excludes no
// point sends the same curve through the general one. Both must record the
// same picture, over runs broken by points outside the range, joins broken
// where x decreases, log axes with x = 0 and the redraw request.
TEST(PlotRenderer, PlainPointsRecordAsTheGeneralWalk)
{
    const std::vector<float> x{10, 20, 15, 30, 40, 50, 0, 60, 70, 80, -5, 90};
    const std::vector<float> y{1, 2, 3, 9, 4, -1, 5, 6, 0, 7, 2, 3};
    const std::vector<int> allIn(x.size() + 1, 1);
    for (int nStyle : {-1, 0, 2, 9, 12, 14, 15, 17, 22})
        for (int bLog = 0; bLog <= 1; bLog++)
            for (int bConnect = 0; bConnect <= 1; bConnect++) {
                Records l[2];
                int nRedraw[2];
                for (int bMasked = 0; bMasked <= 1; bMasked++) {
                    RendererPlot p;
                    p.plot.bLogX = bLog;
                    p.add(x, y, nStyle);
                    if (bLog) p.plot.SetAxisRanges(1, 100, 0, 8);
                    p.plot.nSymbolSize = 2;
                    p.plot.bConnectSymbols = bConnect;
                    p.plot.bBreakOnXDecrease = 1;
                    p.plot.bZoomX = 0;
                    if (bMasked) p.plot.SetPointMask(allIn.data(), int(x.size()), 7, 0x00ff00, 1);
                    bPlotRedrawRequest = 0;
                    l[bMasked] = p.draw({0});
                    nRedraw[bMasked] = bPlotRedrawRequest;
                }
                SCOPED_TRACE("style " + std::to_string(nStyle) + (bLog ? " log" : "") + (bConnect ? " joined" : ""));
                EXPECT_EQ(l[0], l[1]);
                EXPECT_EQ(nRedraw[0], 1);
                EXPECT_EQ(nRedraw[1], 1);
            }
}
