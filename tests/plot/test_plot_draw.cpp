// The recorded picture: what comes in which order, where ticks, numbers and
// labels stand, the colour map and colour bar, the redraw on points outside
// the range, the dashed-line helper, and the pixels of a played picture.
#include "plot/plot_fixture.h"
#include "plot/plot_fonts.h"

using namespace win;

namespace {

// Frame 139..979 x 100..500, x 0..10 (84 units each), y 0..1600 (0.25 units each).
void layOut(CWINPlot& plot, CurveStore& store)
{
    plot.SetPlotRect(100, 100, 500, 700);
    plot.AddCurve(store.curve({2, 5, 8}, {400, 800, 1200}));
    plot.SetCurveStyle(0, 9);
    plot.nSymbolSize = 4;
    plot.SetAxisRanges(0, 10, 0, 1600);
}

}  // namespace

TEST(PlotDraw, LayersComeInOrder)
{
    CurveStore store;
    CWINPlot plot;
    layOut(plot, store);
    CVector band;
    band.Resize(2);
    band.pData[0] = 1;
    band.pData[1] = 3;
    plot.AddMark(&band);
    plot.SetXLabel("radius");
    plot.SetYLabel("signal");
    plot.SetTitle("scans");
    // the outer rectangle reaches left over the y numbers of the last picture
    const int nOuterLeft = plot.nOuterLeft;
    EXPECT_EQ(nOuterLeft, 139 - 8 - 10 - 4 * 17);
    ASSERT_TRUE(plot.Draw());
    auto l = listing(plot);
    ASSERT_FALSE(l.empty());
    EXPECT_EQ(l[0], "SetWindowExt(1399,1000)");
    EXPECT_EQ(l[1], "SelectBrush(1,0x000000)");  // null brush
    EXPECT_EQ(l[2], "SelectPen(0,0,0x000000)");  // black pen
    EXPECT_EQ(l[3], "SelectPen(5,0,0x000000)");  // null pen: shapes without outline
    EXPECT_EQ(l[4], "SelectBrush(0,0xffffff)");  // background
    EXPECT_EQ(l[5], "Rectangle(" + std::to_string(nOuterLeft) + ",528,987,92)");
    int nBand = findRecord(l, "Rectangle(223,500,391,100)"); // 139 + 84 and 139 + 252
    int nSymbol = findRecord(l, "Rectangle(303,396,311,404)"); // the first point (2, 400) at (307, 400)
    int nFrame = findRecord(l, "Rectangle(139,500,979,100)");
    int nFont = findRecord(l, "SelectFont(17,0,0,0,400,0,0,0,0,4,0,2,16,\"\")");
    int nXNumber = findRecord(l, "TextOut(559,510,\"5\")");
    int nXLabel = findRecord(l, "TextOut(559,527,\"radius\")");
    int nYLabel = findRecord(l, "TextOut(97,300,\"signal\")");
    int nTitle = findRecord(l, "TextOut(559,66,\"scans\")");
    EXPECT_EQ(l[size_t(nBand - 1)], "SelectBrush(0,0xe6fae6)");
    EXPECT_GT(nBand, 5);
    EXPECT_GT(nSymbol, nBand);
    EXPECT_GT(nFrame, nSymbol);
    EXPECT_EQ(l[size_t(nFrame - 1)], "SelectBrush(1,0x000000)"); // the frame never covers the curves
    EXPECT_EQ(l[size_t(nFrame - 2)], "SelectPen(0,0,0x000000)");
    EXPECT_GT(nFont, nFrame);
    EXPECT_GT(nXNumber, nFont);
    EXPECT_GT(nXLabel, nXNumber);
    EXPECT_GT(nYLabel, nXLabel);
    EXPECT_GT(nTitle, nYLabel);
    EXPECT_EQ(l[size_t(nYLabel - 1)], "SelectFont(19,0,900,0,400,0,0,0,0,4,0,2,16,\"\")");
    EXPECT_EQ(l[size_t(nYLabel - 2)], "SetTextAlign(14)");
    EXPECT_EQ(l[size_t(nTitle - 1)], "SelectFont(32,0,0,0,400,0,0,0,0,4,0,2,16,\"\")");
    // the plot's own objects are released and the old ones put back last
    EXPECT_EQ(l[l.size() - 3], "SelectPen(0,0,0x000000)");
    EXPECT_EQ(l[l.size() - 2], "SelectBrush(0,0xffffff)");
}

TEST(PlotDraw, TicksNumbersAndLabelAnchors)
{
    CurveStore store;
    CWINPlot plot;
    layOut(plot, store);
    plot.SetYLabel("c");
    plot.SetYBottomText("lo");
    plot.ShowRightTickValues();
    ASSERT_TRUE(plot.Draw());
    auto l = listing(plot);
    // x: majors 0, 5, 10 of length 8 below and above, numbers 10 units under the frame
    for (int v : {0, 5, 10}) {
        int px = 139 + 84 * v;
        std::string sx = std::to_string(px);
        int n = findRecord(l, "MoveTo(" + sx + ",500)");
        ASSERT_GE(n, 0) << v;
        EXPECT_EQ(l[size_t(n + 1)], "LineTo(" + sx + ",508)");
        EXPECT_EQ(l[size_t(n + 2)], "TextOut(" + sx + ",510,\"" + std::to_string(v) + "\")");
        EXPECT_EQ(l[size_t(n + 3)], "MoveTo(" + sx + ",100)");
        EXPECT_EQ(l[size_t(n + 4)], "LineTo(" + sx + ",92)");
    }
    // x minors every 1 (length 5), no numbers
    int nMinor = findRecord(l, "MoveTo(223,500)");
    ASSERT_GE(nMinor, 0);
    EXPECT_EQ(l[size_t(nMinor + 1)], "LineTo(223,505)");
    EXPECT_EQ(l[size_t(nMinor + 2)], "MoveTo(223,100)");
    EXPECT_EQ(l[size_t(nMinor + 3)], "LineTo(223,95)");
    EXPECT_EQ(countRecords(l, "TextOut(223,"), 0);
    // y: majors 0, 500, 1000, 1500 at 500, 375, 250, 125; numbers right-aligned
    // 10 left of the frame, 5 below the tick, and left-aligned right of it
    const char* numbers[4] = {"0", "500", "1000", "1500"};
    const int nYTicks = findRecord(l, "SetTextAlign(26)");
    for (int k = 0; k < 4; k++) {
        std::string sy = std::to_string(500 - 125 * k);
        std::string sb = std::to_string(505 - 125 * k);
        int n = findRecord(l, "MoveTo(139," + sy + ")", nYTicks);
        ASSERT_GE(n, 0);
        EXPECT_EQ(l[size_t(n + 1)], "LineTo(131," + sy + ")");
        EXPECT_EQ(l[size_t(n + 2)], "TextOut(129," + sb + ",\"" + numbers[k] + "\")");
        EXPECT_EQ(l[size_t(n + 3)], "MoveTo(979," + sy + ")");
        EXPECT_EQ(l[size_t(n + 4)], "LineTo(987," + sy + ")");
        EXPECT_EQ(l[size_t(n + 5)], "SetTextAlign(24)");
        EXPECT_EQ(l[size_t(n + 6)], "TextOut(989," + sb + ",\"" + numbers[k] + "\")");
        EXPECT_EQ(l[size_t(n + 7)], "SetTextAlign(26)");
    }
    int nYMinor = findRecord(l, "MoveTo(139,450)"); // 200 on the minor step of 100
    ASSERT_GE(nYMinor, 0);
    EXPECT_EQ(l[size_t(nYMinor + 1)], "LineTo(134,450)");
    EXPECT_EQ(l[size_t(nYMinor + 3)], "LineTo(984,450)");
    // the longest y number has 4 characters: W = 68, the y texts stand at
    // 139 - 34 - 8 = 97
    EXPECT_GE(findRecord(l, "TextOut(97,500,\"lo\")"), 0);
    EXPECT_GE(findRecord(l, "TextOut(97,300,\"c\")"), 0);
    EXPECT_EQ(plot.nOuterLeft, 139 - 8 - 10 - 68);

    plot.HideTickValues();
    plot.nYLabelOffset = 3;
    ASSERT_TRUE(plot.Draw());
    l = listing(plot);
    EXPECT_EQ(countRecords(l, "TextOut(129,"), 0);
    EXPECT_EQ(countRecords(l, "TextOut(559,510"), 0);
    EXPECT_GE(findRecord(l, "TextOut(94,300,\"c\")"), 0); // W still counts the hidden numbers
}

TEST(PlotDraw, WithoutAxesOrCurves)
{
    CurveStore store;
    CWINPlot plot;
    EXPECT_FALSE(plot.Draw());
    EXPECT_EQ(plot.hMetaFile, nullptr);
    layOut(plot, store);
    plot.bNoYAxis = 1;
    plot.bNoXAxis = 1;
    plot.SetXLabel("never shown");
    ASSERT_TRUE(plot.Draw());
    auto l = listing(plot);
    EXPECT_EQ(plot.nOuterLeft, 139 - 5);
    EXPECT_EQ(plot.nOuterRight, 979 + 5);
    EXPECT_EQ(countRecords(l, "TextOut"), 0);
    EXPECT_EQ(findRecord(l, "MoveTo(139,375)"), -1); // no y ticks
    EXPECT_EQ(findRecord(l, "MoveTo(559,500)"), -1);  // no bottom x ticks
    EXPECT_GE(findRecord(l, "MoveTo(559,100)"), 0);   // the top ticks stay

    // taking every curve away keeps the last picture
    HMETAFILE hKept = plot.hMetaFile;
    plot.RemoveAllCurves();
    EXPECT_FALSE(plot.Draw());
    EXPECT_EQ(plot.hMetaFile, hKept);
    EXPECT_EQ(plot.nCurves, 0);
}

TEST(PlotDraw, ColourMap)
{
    CWINPlot plot;
    EXPECT_EQ(plot.ColorForValue(0.3f), RGB(0, 127, 255));
    EXPECT_EQ(plot.ColorForValue(0.0f), RGB(255, 255, 255));
    EXPECT_EQ(plot.ColorForValue(-1.0f), RGB(255, 255, 255));
    EXPECT_EQ(plot.ColorForValue(0.1f), RGB(127, 127, 255));
    EXPECT_EQ(plot.ColorForValue(0.5f), RGB(102, 255, 152));
    EXPECT_EQ(plot.ColorForValue(0.8f), RGB(255, 101, 0));
    EXPECT_EQ(plot.ColorForValue(1.0f), RGB(191, 0, 0));
    EXPECT_EQ(plot.ColorForValue(7.0f), RGB(191, 0, 0)); // clamped
    plot.SetNoValueBlack();
    EXPECT_EQ(plot.ColorForValue(-1.0f), RGB(0, 0, 0));
    EXPECT_EQ(plot.ColorForValue(-0.5f), RGB(255, 255, 255));
    plot.SetColorMapDarkEnds(true);
    EXPECT_EQ(plot.ColorForValue(1.0f), RGB(0, 0, 0));
    EXPECT_EQ(plot.ColorForValue(0.0f), RGB(100, 100, 100));
    EXPECT_EQ(plot.ColorForValue(0.125f), RGB(56, 0, 238));
    EXPECT_EQ(plot.ColorForValue(0.3f), RGB(0, 127, 255));
}

TEST(PlotDraw, ColourBarCellsAndScale)
{
    CurveStore store;
    float values[3] = {2, 4, 8};
    for (int nHeight : {95, 5}) {
        CWINPlot plot;
        plot.SetPlotRect(100, 100, 100 + nHeight, 700);
        plot.AddCurve(store.curve({1, 2, 3}, {1, 2, 3}));
        plot.SetHighlightSegment(0, values, 0, 2, 0);
        plot.bColorBar = 1;
        plot.nColorBarOffset = 20;
        plot.ShowColorBarScale();
        ASSERT_TRUE(plot.Draw());
        EXPECT_EQ(plot.fColorValueMax, 8.0f);
        auto l = listing(plot);
        const std::string x0 = "Rectangle(999,";
        auto cells = recordsStartingWith(l, x0);
        if (nHeight == 95) {
            ASSERT_EQ(cells.size(), 10u);
            EXPECT_EQ(cells[0], "Rectangle(999,180,1020,190)");
            EXPECT_EQ(cells[1], "Rectangle(999,171,1020,181)");
            EXPECT_EQ(cells[9], "Rectangle(999,100,1020,115)");
            int n = findRecord(l, cells[0]);
            EXPECT_EQ(l[size_t(n - 2)], "SelectPen(0,0,0xff7f7f)"); // the colour of 0.1
            // outline with the black pen
            int nOutline = findRecord(l, "MoveTo(998,194)");
            ASSERT_GE(nOutline, 0);
            EXPECT_EQ(l[size_t(nOutline - 1)], "SelectPen(0,0,0x000000)");
            EXPECT_EQ(l[size_t(nOutline + 1)], "LineTo(1019,194)");
            EXPECT_EQ(l[size_t(nOutline + 2)], "LineTo(1019,100)");
            EXPECT_EQ(l[size_t(nOutline + 3)], "LineTo(998,100)");
            EXPECT_EQ(l[size_t(nOutline + 4)], "LineTo(998,194)");
            // scale 0..8 over 95 units, ticks every 1: 5 at 195 - 59.375
            int nTick = findRecord(l, "MoveTo(1019,135)");
            ASSERT_GE(nTick, 0);
            EXPECT_EQ(l[size_t(nTick + 1)], "LineTo(1027,135)");
            EXPECT_EQ(l[size_t(nTick + 2)], "TextOut(1029,140,\"5\")");
        } else {
            ASSERT_EQ(cells.size(), 2u);
            EXPECT_EQ(cells[0], "Rectangle(999,90,1020,100)");
            EXPECT_EQ(cells[1], "Rectangle(999,100,1020,115)");
        }
    }
}

TEST(PlotDraw, PointsOutsideTheRangeMakeDrawRescaleOnce)
{
    CurveStore store;
    CWINPlot plot;
    plot.SetPlotRect(100, 100, 500, 700);
    CCurve* c = store.curve({1, 2, 3}, {1, 2, 3});
    plot.AddCurve(c);
    plot.SetCurveStyle(0, 9);
    plot.nSymbolSize = 4;
    EXPECT_FLOAT_EQ(plot.fYMax, 3.1f);
    c->pY->pData[1] = 20; // the data changed after the last autoscale
    ASSERT_TRUE(plot.Draw());
    // the second recording has the new range and shows the point
    EXPECT_FLOAT_EQ(plot.fYMax, 20.95f);
    auto l = listing(plot);
    EXPECT_EQ(countRecords(l, "Rectangle("), 3 + 2); // symbols, background and frame
    EXPECT_EQ(countRecords(l, "SetWindowExt"), 1);

    // with both ranges fixed the point stays outside and nothing is redrawn
    plot.SetAxisRanges(0, 4, 0, 4);
    ASSERT_TRUE(plot.Draw());
    EXPECT_EQ(bPlotRedrawRequest, 1);
    EXPECT_EQ(plot.fYMax, 4.0f);
    EXPECT_EQ(countRecords(listing(plot), "Rectangle("), 2 + 2);

    // with only x fixed, y follows
    plot.bZoomY = 0;
    ASSERT_TRUE(plot.Draw());
    EXPECT_FLOAT_EQ(plot.fYMax, 20.95f);
    EXPECT_EQ(plot.fXMax, 4.0f);
}

TEST(PlotDraw, DashedLineHelper)
{
    auto record = [](auto draw) {
        HDC dc = CreateMetaFile(nullptr);
        draw(dc);
        HMETAFILE h = CloseMetaFile(dc);
        auto l = metaFileListing(h);
        DeleteMetaFile(h);
        return l;
    };
    bDashToggle = 1;
    EXPECT_EQ(record([](HDC dc) { drawDashedLine(dc, 100, 50, 130, 50); }),
              (std::vector<std::string>{"MoveTo(100,50)", "LineTo(105,50)", "MoveTo(110,50)", "LineTo(115,50)",
                                        "MoveTo(120,50)", "LineTo(125,50)", "MoveTo(130,50)"}));
    // along a diagonal of length 50: dashes of 5 units (3, 4) apart by 10
    auto diagonal = record([](HDC dc) { drawDashedLine(dc, 0, 0, 30, 40); });
    ASSERT_EQ(diagonal.size(), 9u);
    EXPECT_EQ(diagonal[1], "LineTo(3,4)");
    EXPECT_EQ(diagonal[2], "MoveTo(6,8)");
    EXPECT_EQ(diagonal[7], "LineTo(21,28)");
    EXPECT_EQ(diagonal[8], "MoveTo(30,40)");
    EXPECT_EQ(record([](HDC dc) { drawDashedLine(dc, 10, 10, 17, 10); }),
              (std::vector<std::string>{"MoveTo(17,10)"}));
    EXPECT_EQ(record([](HDC dc) { drawDashedLine(dc, 10, 10, 13, 10); }),
              (std::vector<std::string>{"MoveTo(10,10)", "LineTo(11,10)", "MoveTo(13,10)"}));
    // one-unit steps: a dot at every second step
    auto dots = record([](HDC dc) {
        for (int x = 0; x < 4; x++) drawDashedLine(dc, x, 0, x + 1, 0);
    });
    EXPECT_EQ(dots, (std::vector<std::string>{"MoveTo(0,0)", "LineTo(1,1)", "MoveTo(0,0)", "MoveTo(1,0)",
                                              "MoveTo(2,0)", "LineTo(3,1)", "MoveTo(2,0)", "MoveTo(3,0)"}));
    EXPECT_EQ(bDashToggle, 1);
    EXPECT_EQ(record([](HDC dc) {
                  drawDottedStep(dc, 5, 5);
                  drawDottedStep(dc, 6, 5);
              }),
              (std::vector<std::string>{"MoveTo(5,5)", "LineTo(6,6)", "MoveTo(5,5)", "MoveTo(6,5)", "LineTo(7,6)",
                                        "MoveTo(6,5)"}));
}

TEST(PlotDraw, PlayedPicturePixels)
{
    CurveStore store;
    CWINPlot plot;
    layOut(plot, store);
    plot.crBackground = RGB(250, 250, 240);
    CVector band;
    band.Resize(2);
    band.pData[0] = 6;
    band.pData[1] = 9;
    plot.AddMark(&band);
    ASSERT_TRUE(plot.Draw());
    PlotCanvas canvas;
    canvas.play(plot.hMetaFile);
    // the outer rectangle in the background colour, outside it white
    EXPECT_EQ(canvas.at(135, 310), RGB(250, 250, 240));
    EXPECT_EQ(canvas.at(54, 310), RGB(250, 250, 240));
    EXPECT_EQ(canvas.at(52, 310), RGB(255, 255, 255));
    EXPECT_EQ(canvas.at(200, 520), RGB(250, 250, 240));
    EXPECT_EQ(canvas.at(200, 530), RGB(255, 255, 255));
    // the frame: left and top edge on their lines, right and bottom one unit inside
    EXPECT_EQ(canvas.at(139, 250), RGB(0, 0, 0));
    EXPECT_EQ(canvas.at(400, 100), RGB(0, 0, 0));
    EXPECT_EQ(canvas.at(978, 250), RGB(0, 0, 0));
    EXPECT_EQ(canvas.at(400, 499), RGB(0, 0, 0));
    EXPECT_EQ(canvas.at(400, 101), RGB(250, 250, 240));
    // the band from x = 6 to 9: 643..895
    EXPECT_EQ(canvas.at(700, 250), RGB(0xe6, 0xfa, 0xe6));
    EXPECT_EQ(canvas.at(642, 250), RGB(250, 250, 240));
    // symbols: filled squares of half size 4 in red at (307, 400), (559, 300), (811, 200)
    for (auto [px, py] : {std::pair{307, 400}, std::pair{559, 300}, std::pair{811, 200}}) {
        EXPECT_EQ(canvas.at(px, py), RGB(255, 0, 0));
        EXPECT_EQ(canvas.at(px - 4, py - 4), RGB(255, 0, 0));
        EXPECT_EQ(canvas.at(px + 3, py + 3), RGB(255, 0, 0));
        EXPECT_NE(canvas.at(px + 5, py), RGB(255, 0, 0));
    }
    // the major tick below x = 5 and its number under it
    EXPECT_EQ(canvas.at(559, 507), RGB(0, 0, 0));
    EXPECT_EQ(canvas.at(559, 509), RGB(250, 250, 240));
    int nInk = 0;
    for (int y = 510; y < 527; y++)
        for (int x = 550; x < 569; x++) nInk += GetGValue(canvas.at(x, y)) < 128;
    EXPECT_GT(nInk, 10);
}
