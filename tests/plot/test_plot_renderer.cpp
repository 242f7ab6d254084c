// The curve renderer: which points are walked and drawn, how runs are joined,
// what each style code records, legends, excluded points, colour values, and
// curves whose data are missing.
#include <algorithm>
#include <set>

#include "plot/plot_fixture.h"

using namespace win;

namespace {

// A frame of 100..1100 x 100..900 with x 0..100 and y 0..8: a value (x, y)
// lies at (100 + 10x, 900 - 100y).
struct RendererPlot {
    CurveStore store;
    CWINPlot plot;

    int add(const std::vector<float>& x, const std::vector<float>& y, int nStyle)
    {
        plot.AddCurve(store.curve(x, y));
        int i = plot.nCurves - 1;
        plot.SetCurveStyle(i, nStyle);
        plot.nFrameLeft = 100;
        plot.nFrameRight = 1100;
        plot.nFrameTop = 100;
        plot.nFrameBottom = 900;
        plot.SetAxisRanges(0, 100, 0, 8);
        return i;
    }
    std::vector<std::string> draw(std::initializer_list<int> curves)
    {
        HDC dc = CreateMetaFile(nullptr);
        for (int i : curves) plot.DrawCurve(dc, i);
        HMETAFILE h = CloseMetaFile(dc);
        auto l = metaFileListing(h);
        DeleteMetaFile(h);
        return l;
    }
};

bool containsSequence(const std::vector<std::string>& l, const std::vector<std::string>& seq)
{
    return std::search(l.begin(), l.end(), seq.begin(), seq.end()) != l.end();
}

}  // namespace

TEST(PlotRenderer, WalkStrideRunsAndRedrawRequest)
{
    {
        RendererPlot r;
        std::vector<float> x(10), y(10, 1);
        for (int k = 0; k < 10; k++) x[size_t(k)] = float(k);
        r.add(x, y, 9);
        r.plot.nSymbolSize = 2;
        r.plot.nDrawStride = 3;
        auto l = r.draw({0});
        EXPECT_EQ(recordsStartingWith(l, "Rectangle("),
                  (std::vector<std::string>{"Rectangle(98,798,102,802)", "Rectangle(128,798,132,802)",
                                            "Rectangle(158,798,162,802)", "Rectangle(188,798,192,802)"}));
    }
    {
        // a line whose middle point lies above the range: two runs, no line across
        RendererPlot r;
        r.add({10, 20, 30, 40, 50}, {1, 2, 9, 3, 4}, -1);
        bPlotRedrawRequest = 0;
        auto l = r.draw({0});
        EXPECT_EQ(l, (std::vector<std::string>{"SelectPen(0,0,0x0000ff)", "SelectBrush(0,0x0000ff)", "MoveTo(200,800)",
                                               "MoveTo(200,800)", "LineTo(300,700)", "MoveTo(500,600)",
                                               "LineTo(600,500)", "SelectPen(0,0,0x000000)",
                                               "SelectBrush(0,0xffffff)"}));
        EXPECT_EQ(bPlotRedrawRequest, 1);
    }
    {
        // outside a fixed x range a high point raises nothing; unzoomed it does
        RendererPlot r;
        r.add({10, 200}, {1, 9}, 0);
        bPlotRedrawRequest = 0;
        auto l = r.draw({0});
        EXPECT_EQ(bPlotRedrawRequest, 0);
        EXPECT_EQ(countRecords(l, "LineTo"), 0);
        r.plot.bZoomX = 0;
        r.draw({0});
        EXPECT_EQ(bPlotRedrawRequest, 1); // style 0 draws nothing but still asks
    }
    {
        // on a log x axis x = 0 sits 20 units left of the frame; x = -1 is hidden
        RendererPlot r;
        r.plot.bLogX = 1;
        r.add({0, -1, 10}, {2, 3, 4}, -1);
        r.plot.SetAxisRanges(1, 100, 0, 8);
        auto l = r.draw({0});
        EXPECT_EQ(recordsStartingWith(l, "MoveTo"),
                  (std::vector<std::string>{"MoveTo(80,700)", "MoveTo(80,700)", "MoveTo(600,500)"}));
        EXPECT_EQ(countRecords(l, "LineTo"), 0);
    }
    {
        // index range and shuffled order: every point of the range once
        RendererPlot r;
        std::vector<float> x(40), y(40, 2);
        for (int k = 0; k < 40; k++) x[size_t(k)] = float(k);
        r.add(x, y, 9);
        r.plot.SetCurveIndexRange(0, 5, 34);
        auto plain = recordsStartingWith(r.draw({0}), "Rectangle(");
        ASSERT_EQ(plain.size(), 30u);
        EXPECT_EQ(plain.front(), "Rectangle(140,690,160,710)");
        r.plot.bShuffledOrder = 1;
        for (int n = 0; n < 2; n++) {
            auto shuffled = recordsStartingWith(r.draw({0}), "Rectangle(");
            EXPECT_EQ(std::set<std::string>(shuffled.begin(), shuffled.end()),
                      std::set<std::string>(plain.begin(), plain.end()));
            EXPECT_EQ(shuffled.size(), 30u);
        }
        EXPECT_EQ(r.plot.nShuffleOrder, 35);
    }
}

TEST(PlotRenderer, StyleCodesDrawTheirShapes)
{
    // two points: (10, 2) at (200, 700) starts the run, (30, 4) at (400, 500) follows it
    auto shapes = [](int nStyle, auto setUp) {
        RendererPlot r;
        r.add({10, 30}, {2, 4}, nStyle);
        setUp(r.plot);
        return r.draw({0});
    };
    auto none = [](CWINPlot&) {};
    using V = std::vector<std::string>;
    EXPECT_TRUE(containsSequence(shapes(1, none), V{"MoveTo(200,700)", "MoveTo(190,710)", "LineTo(211,691)",
                                                    "MoveTo(190,690)", "LineTo(211,711)", "MoveTo(200,700)",
                                                    "MoveTo(400,500)", "MoveTo(390,510)"}));
    EXPECT_TRUE(containsSequence(shapes(3, none), V{"MoveTo(190,705)", "LineTo(210,705)", "LineTo(200,685)",
                                                    "LineTo(190,705)", "MoveTo(200,700)"}));
    EXPECT_TRUE(containsSequence(shapes(5, none), V{"MoveTo(190,690)", "LineTo(210,690)", "LineTo(210,710)",
                                                    "LineTo(190,710)", "LineTo(190,690)", "MoveTo(200,700)"}));
    EXPECT_TRUE(containsSequence(shapes(8, none), V{"Ellipse(190,690,210,710)", "MoveTo(200,700)",
                                                    "MoveTo(200,900)", "LineTo(200,700)"}));
    EXPECT_TRUE(containsSequence(shapes(11, [](CWINPlot& p) { p.nSymbolHeight = 6; }),
                                 V{"Rectangle(194,690,206,710)"}));
    auto wide = shapes(12, none);
    EXPECT_TRUE(containsSequence(wide, V{"MoveTo(400,500)", "MoveTo(200,699)", "LineTo(400,499)", "MoveTo(200,701)",
                                         "LineTo(400,501)", "MoveTo(199,700)", "LineTo(399,500)", "MoveTo(201,700)",
                                         "LineTo(401,500)", "MoveTo(400,500)"}));
    EXPECT_EQ(countRecords(wide, "LineTo"), 4); // nothing at the start of the run
    EXPECT_TRUE(containsSequence(shapes(13, none), V{"SelectPen(0,0,0xffffff)", "MoveTo(200,699)"}));
    EXPECT_TRUE(containsSequence(shapes(13, none), V{"LineTo(401,500)", "MoveTo(400,500)", "SelectPen(0,0,0x0000ff)",
                                                     "MoveTo(200,700)", "LineTo(400,500)"}));
    bDashToggle = 1;
    EXPECT_TRUE(containsSequence(shapes(14, none), V{"MoveTo(200,700)", "LineTo(201,701)", "MoveTo(200,700)",
                                                     "MoveTo(400,500)", "MoveTo(400,500)", "LineTo(401,501)"}));
    auto hollow = shapes(15, none);
    EXPECT_EQ(hollow[1], "SelectBrush(1,0x000000)");
    EXPECT_TRUE(containsSequence(hollow, V{"Ellipse(390,490,410,510)", "MoveTo(400,500)"}));
    EXPECT_TRUE(containsSequence(shapes(15, [](CWINPlot& p) { p.nSymbolSize = 0; }),
                                 V{"MoveTo(400,500)", "LineTo(401,501)"}));
    EXPECT_TRUE(containsSequence(shapes(16, none), V{"MoveTo(200,700)", "LineTo(201,700)", "LineTo(201,701)",
                                                     "LineTo(200,701)", "LineTo(200,700)"}));
    auto wider = shapes(18, none);
    EXPECT_EQ(countRecords(wider, "LineTo"), 8);
    EXPECT_TRUE(containsSequence(wider, V{"MoveTo(200,698)", "LineTo(400,498)", "MoveTo(200,699)"}));
    EXPECT_TRUE(containsSequence(wider, V{"LineTo(402,500)", "MoveTo(400,500)", "Ellipse(380,480,420,520)"}));
    EXPECT_TRUE(containsSequence(shapes(19, [](CWINPlot& p) { p.nSymbolSize2 = 3, p.nSymbolHeight2 = 7; }),
                                 V{"Rectangle(193,697,207,703)"}));
    EXPECT_TRUE(containsSequence(
        shapes(22, none),
        V{"MoveTo(200,700)", "LineTo(201,700)", "LineTo(201,701)", "LineTo(200,701)", "LineTo(200,700)",
          "LineTo(200,700)", "LineTo(200,701)", "LineTo(199,701)", "LineTo(199,700)", "LineTo(201,699)",
          "LineTo(201,700)", "LineTo(200,700)", "LineTo(200,699)", "LineTo(200,699)", "LineTo(200,700)",
          "LineTo(199,700)", "LineTo(199,699)", "MoveTo(400,500)"}));
    EXPECT_TRUE(containsSequence(shapes(23, none),
                                 V{"MoveTo(400,500)", "LineTo(402,500)", "LineTo(402,502)", "LineTo(398,502)",
                                   "LineTo(398,498)", "LineTo(402,498)", "LineTo(400,500)", "LineTo(401,500)",
                                   "LineTo(401,501)", "LineTo(399,501)", "LineTo(399,499)", "LineTo(401,499)",
                                   "LineTo(400,500)"}));
    EXPECT_TRUE(containsSequence(shapes(7, none), V{"MoveTo(400,500)", "LineTo(401,501)"}));
    // unknown codes draw nothing of their own; bConnectSymbols joins them
    for (int nStyle : {-2, 24}) {
        EXPECT_EQ(countRecords(shapes(nStyle, none), "LineTo"), 0);
        EXPECT_EQ(countRecords(shapes(nStyle, [](CWINPlot& p) { p.ToggleConnectSymbols(); }), "LineTo"), 1);
    }
    // joined symbols, and the codes that are never joined
    EXPECT_TRUE(containsSequence(shapes(2, [](CWINPlot& p) { p.ToggleConnectSymbols(); }),
                                 V{"LineTo(400,500)", "Ellipse(390,490,410,510)"}));
    for (int nStyle : {0, 14, 21})
        EXPECT_EQ(findRecord(shapes(nStyle, [](CWINPlot& p) { p.ToggleConnectSymbols(); }), "LineTo(400,500)"), -1);
    // style 0 is invisible: no shapes and no legend text
    auto invisible = shapes(0, [](CWINPlot& p) {
        p.SetCurveName(0, "hidden");
        p.ShowLegend();
    });
    EXPECT_EQ(countRecords(invisible, "TextOut"), 0);
    EXPECT_EQ(countRecords(invisible, "LineTo"), 0);
    // style 4 writes the value at the point
    EXPECT_TRUE(containsSequence(shapes(4, [](CWINPlot& p) { p.fYTickLabelScale = 10; }),
                                 V{"MoveTo(400,500)", "SetTextAlign(1)", "TextOut(400,500,\"40\")"}));
}

TEST(PlotRenderer, PolygonBarsAndMissingData)
{
    {
        RendererPlot r;
        std::vector<float> x(10), y(10, 9); // every y above the range
        for (int k = 0; k < 10; k++) x[size_t(k)] = float(k), y[size_t(k)] = k < 5 ? 1.0f : 9.0f;
        r.add(x, y, 20);
        r.plot.SetCurveIndexRange(0, 5, 7);
        r.plot.SetCurveName(0, "area");
        r.plot.ShowLegend();
        bPlotRedrawRequest = 0;
        auto l = r.draw({0});
        // the range's end applies, its first index does not
        EXPECT_EQ(recordsStartingWith(l, "Polygon"),
                  (std::vector<std::string>{"Polygon(100,800,110,800,120,800,130,800,140,800,150,0,160,0,170,0)"}));
        EXPECT_EQ(bPlotRedrawRequest, 0);
        EXPECT_EQ(countRecords(l, "TextOut"), 0);
    }
    {
        // bars from the zero line between each point's interval ends
        RendererPlot r;
        r.add({10, 30}, {2, 4}, 21);
        auto l = r.draw({0});
        EXPECT_EQ(countRecords(l, "Rectangle"), 0); // no intervals: no bars, no crash
        float low[3] = {0, 8, 25}, high[3] = {0, 12, 35};
        r.plot.AttachCurveErrors(0, low, high, 2);
        l = r.draw({0});
        EXPECT_EQ(recordsStartingWith(l, "Rectangle"),
                  (std::vector<std::string>{"Rectangle(180,900,220,700)", "Rectangle(350,900,450,500)"}));
        r.plot.nSymbolSize = 0;
        EXPECT_EQ(countRecords(r.draw({0}), "Rectangle"), 0);
    }
    {
        // value bars from an attached array: a cap and a line to the point
        RendererPlot r;
        r.add({10}, {2}, 7);
        float top[2] = {0, 3};
        r.plot.AttachExtraArrayA(0, top, 1);
        EXPECT_EQ(nErrorBarCapWidth, 15);
        auto l = r.draw({0});
        EXPECT_TRUE(containsSequence(l, {"MoveTo(185,600)", "LineTo(215,600)", "MoveTo(200,600)", "LineTo(200,700)"}));
        nErrorBarCapWidth = 8;
    }
    {
        // a curve without vectors draws nothing and the picture still records
        RendererPlot r;
        r.add({10, 30}, {2, 4}, 2);
        CCurve empty;
        r.plot.AddCurve(&empty);
        r.plot.SetCurveStyle(1, 21);
        EXPECT_EQ(r.draw({1}).size(), 0u);
        EXPECT_TRUE(r.plot.Draw());
        EXPECT_EQ(r.draw({5, -1}).size(), 0u);
    }
}

TEST(PlotRenderer, LegendExcludedPointsAndColourValues)
{
    {
        RendererPlot r;
        r.add({10}, {2}, -1);
        r.add({10}, {3}, -1);
        r.add({10}, {4}, -1);
        r.plot.SetCurveName(0, "first");
        r.plot.SetCurveName(2, "third");
        r.plot.ShowLegend();
        auto l = r.draw({0, 1, 2});
        EXPECT_TRUE(containsSequence(l, {"MoveTo(105,105)", "SetTextAlign(1)", "SetTextColor(0x0000ff)",
                                         "TextOut(0,0,\"first\")", "SetTextColor(0x000000)"}));
        EXPECT_TRUE(containsSequence(l, {"MoveTo(105,145)", "SetTextAlign(1)", "SetTextColor(0x00ffff)",
                                         "TextOut(0,0,\"third\")"}));
        EXPECT_EQ(countRecords(l, "TextOut"), 2);
    }
    {
        // an excluded point is a small grey cross; the next one is a square again
        RendererPlot r;
        r.add({10, 20, 30}, {2, 9, 3}, 9);
        int mask[4] = {0, 1, 0, 1};
        r.plot.SetPointMask(mask, 3, 1, 0xc8c8c8, 3);
        r.plot.SetAxisRanges(0, 100, 0, 10);
        auto l = r.draw({0});
        // y now spans 0..10: (20, 9) at (300, 180), (30, 3) at (400, 660)
        EXPECT_TRUE(containsSequence(l, {"SelectPen(0,0,0xc8c8c8)", "MoveTo(300,180)", "MoveTo(297,183)",
                                         "LineTo(304,178)", "MoveTo(297,177)", "LineTo(304,184)", "MoveTo(300,180)",
                                         "SelectPen(0,0,0x0000ff)", "MoveTo(400,660)", "Rectangle(390,650,410,670)"}));
        EXPECT_EQ(r.plot.nSymbolSize, 10);
        EXPECT_EQ(r.plot.GetCurveStyle(0), 9);
        // with the mask in use, an excluded point outside the range asks for nothing
        r.plot.SetAxisRanges(0, 100, 0, 8);
        r.plot.bUsePointMask = 1;
        bPlotRedrawRequest = 0;
        r.draw({0});
        EXPECT_EQ(bPlotRedrawRequest, 0);
        r.plot.bUsePointMask = 0;
        r.draw({0});
        EXPECT_EQ(bPlotRedrawRequest, 1);
    }
    {
        // colour values: each point's colour from value / largest value
        RendererPlot r;
        r.add({10, 20, 30}, {1, 2, 3}, 9);
        float values[3] = {1, 2, 4};
        r.plot.SetHighlightSegment(0, values, 0, 2, 0);
        auto l = r.draw({0});
        EXPECT_EQ(r.plot.fColorValueMax, 4.0f);
        EXPECT_TRUE(containsSequence(l, {"SelectPen(0,0,0xff3f00)", "SelectBrush(0,0xff3f00)", "MoveTo(200,800)",
                                         "Rectangle(190,790,210,810)", "SelectPen(0,0,0x0000ff)",
                                         "SelectBrush(0,0x0000ff)"}));
        EXPECT_TRUE(containsSequence(l, {"SelectPen(0,0,0x98ff66)", "SelectBrush(0,0x98ff66)"}));
        EXPECT_TRUE(containsSequence(l, {"SelectPen(0,0,0x0000bf)", "SelectBrush(0,0x0000bf)"}));
        // on the second y scale: 0..10 over the frame height, never joined
        r.plot.SetYValueScale(0, 10);
        r.plot.bConnectSymbols = 1;
        l = r.draw({0});
        EXPECT_TRUE(containsSequence(l, {"MoveTo(200,820)", "Rectangle(190,810,210,830)"}));
        EXPECT_TRUE(containsSequence(l, {"MoveTo(400,660)", "Rectangle(390,650,410,670)"}));
        EXPECT_EQ(countRecords(l, "LineTo"), 0);
        // the two projection profiles: blue along x, green along y
        r.plot.SetYValueScale(0, 0);
        r.plot.bColorValuesFlag = 1;
        l = r.draw({0});
        EXPECT_TRUE(containsSequence(l, {"SelectPen(0,0,0xff0000)", "SelectBrush(0,0xff0000)", "MoveTo(200,700)",
                                         "LineTo(300,500)", "LineTo(400,100)", "SelectPen(0,0,0x00ff00)",
                                         "SelectBrush(0,0x00ff00)", "MoveTo(350,800)", "LineTo(600,700)",
                                         "LineTo(1100,600)"}));
    }
}
