// The recorded picture: what comes in which order, where ticks, numbers and
// labels stand, the colour map and colour bar, the redraw on points outside
// the range, the dashed-line helper, and the pixels of a played picture.
#include <cmath>

#include "plot/plot_fixture.h"
#include "plot/plot_fonts.h"

using namespace win;

namespace {

// Frame 139..979 x 100..500; x 0..10 at 84 units each, y 0..1600 at 0.25 units
// each; the points (2, 400), (5, 800), (8, 1200) lie at (307, 400), (559, 300),
// (811, 200) as filled squares of half size 4.
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
    createPlotFonts(); // the standard fonts, whatever a tool's plot chose before
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
    // the first picture (in AddCurve) widened the background box over its y numbers
    EXPECT_EQ(plot.nOuterLeft, 139 - 8 - 10 - 4 * 17);
    ASSERT_TRUE(plot.Draw());
    Records l = listing(plot);
    const Records head = {"SetWindowExt(1399,1000)", "SelectBrush(1,0x000000)", "SelectPen(0,0,0x000000)",
                          "SelectPen(5,0,0x000000)", "SelectBrush(0,0xffffff)", "Rectangle(53,528,987,92)",
                          "SelectBrush(0,0xe6fae6)", "Rectangle(223,500,391,100)"};
    ASSERT_GE(l.size(), head.size());
    EXPECT_EQ(Records(l.begin(), l.begin() + 8), head);
    int nSymbol = findRecord(l, "Rectangle(303,396,311,404)");
    int nFrame = findRecord(l, "Rectangle(139,500,979,100)");
    int nFont = findRecord(l, "SelectFont(17,0,0,0,400,0,0,0,0,4,0,2,16,\"\")");
    int nXNumber = findRecord(l, "TextOut(559,510,\"5\")");
    int nXLabel = findRecord(l, "TextOut(559,527,\"radius\")");
    int nYLabel = findRecord(l, "TextOut(97,300,\"signal\")"); // 139 - 68/2 - 8
    int nTitle = findRecord(l, "TextOut(559,66,\"scans\")");
    EXPECT_GT(nSymbol, 7);
    EXPECT_GT(nFrame, nSymbol);
    EXPECT_EQ(l[size_t(nFrame - 1)], "SelectBrush(1,0x000000)"); // the frame never covers the curves
    EXPECT_GT(nFont, nFrame);
    EXPECT_GT(nXNumber, nFont);
    EXPECT_GT(nXLabel, nXNumber);
    EXPECT_GT(nYLabel, nXLabel);
    EXPECT_GT(nTitle, nYLabel);
    EXPECT_EQ(l[size_t(nYLabel - 1)], "SelectFont(19,0,900,0,400,0,0,0,0,4,0,2,16,\"\")");
    EXPECT_EQ(l[size_t(nYLabel - 2)], "SetTextAlign(14)");
    EXPECT_EQ(l[size_t(nTitle - 1)], "SelectFont(32,0,0,0,400,0,0,0,0,4,0,2,16,\"\")");
}

TEST(PlotDraw, TicksNumbersAndLabelAnchors)
{
    CurveStore store;
    CWINPlot plot;
    layOut(plot, store);
    plot.SetYBottomText("lo");
    plot.ShowRightTickValues();
    ASSERT_TRUE(plot.Draw());
    Records l = listing(plot);
    // x majors 0, 5, 10: 8 units below and above the frame, the number 10 units under it
    EXPECT_TRUE(containsSequence(l, {"MoveTo(559,500)", "LineTo(559,508)", "TextOut(559,510,\"5\")",
                                     "MoveTo(559,100)", "LineTo(559,92)"}));
    EXPECT_TRUE(containsSequence(l, {"MoveTo(223,500)", "LineTo(223,505)", "MoveTo(223,100)", "LineTo(223,95)"}));
    // y majors 0, 500, 1000, 1500 at 500, 375, 250, 125: numbers right-aligned 10
    // units left of the frame and 5 below the tick, and left-aligned right of it
    EXPECT_TRUE(containsSequence(l, {"MoveTo(139,250)", "LineTo(131,250)", "TextOut(129,255,\"1000\")",
                                     "MoveTo(979,250)", "LineTo(987,250)", "SetTextAlign(24)",
                                     "TextOut(989,255,\"1000\")", "SetTextAlign(26)"}));
    EXPECT_TRUE(containsSequence(l, {"MoveTo(139,450)", "LineTo(134,450)", "MoveTo(979,450)", "LineTo(984,450)"}));
    EXPECT_EQ(withPrefix(l, "TextOut(129,").size(), 4u);
    // the longest y number has 4 characters: W = 68
    EXPECT_GE(findRecord(l, "TextOut(97,500,\"lo\")"), 0);
    plot.HideTickValues();
    plot.nYLabelOffset = 3;
    ASSERT_TRUE(plot.Draw());
    l = listing(plot);
    EXPECT_TRUE(withPrefix(l, "TextOut(129,").empty());
    EXPECT_GE(findRecord(l, "TextOut(94,500,\"lo\")"), 0); // W still counts the hidden numbers

    plot.bNoYAxis = plot.bNoXAxis = 1;
    ASSERT_TRUE(plot.Draw());
    l = listing(plot);
    EXPECT_EQ(plot.nOuterLeft, 134);
    EXPECT_EQ(plot.nOuterRight, 984);
    EXPECT_EQ(findRecord(l, "MoveTo(139,375)"), -1); // no y ticks
    EXPECT_EQ(findRecord(l, "MoveTo(559,500)"), -1); // no bottom x ticks
    EXPECT_GE(findRecord(l, "MoveTo(559,100)"), 0);  // the top ticks stay

    HMETAFILE hKept = plot.hMetaFile;
    plot.RemoveAllCurves();
    EXPECT_FALSE(plot.Draw()); // no curves: the last picture stays
    EXPECT_EQ(plot.hMetaFile, hKept);
}

TEST(PlotDraw, ColourMapAndColourBar)
{
    CWINPlot map;
    EXPECT_EQ(map.ColorForValue(0.3f), RGB(0, 127, 255));
    EXPECT_EQ(map.ColorForValue(-1.0f), RGB(255, 255, 255));
    EXPECT_EQ(map.ColorForValue(0.1f), RGB(127, 127, 255));
    EXPECT_EQ(map.ColorForValue(0.5f), RGB(102, 255, 152));
    EXPECT_EQ(map.ColorForValue(0.8f), RGB(255, 101, 0));
    EXPECT_EQ(map.ColorForValue(7.0f), RGB(191, 0, 0)); // clamped to 1: 0.75 red
    EXPECT_EQ(map.ColorForValue(std::nanf("")), RGB(255, 255, 255)); // no number: as 0
    map.SetNoValueBlack();
    EXPECT_EQ(map.ColorForValue(-1.0f), RGB(0, 0, 0));
    map.SetColorMapDarkEnds(true);
    EXPECT_EQ(map.ColorForValue(1.0f), RGB(0, 0, 0));
    EXPECT_EQ(map.ColorForValue(0.0f), RGB(100, 100, 100));
    EXPECT_EQ(map.ColorForValue(0.125f), RGB(56, 0, 238));

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
        Records l = listing(plot);
        Records cells = withPrefix(l, "Rectangle(999,"); // x0 = 979 + 20
        if (nHeight == 5) {
            EXPECT_EQ(cells, (Records{"Rectangle(999,90,1020,100)", "Rectangle(999,100,1020,115)"}));
            continue;
        }
        ASSERT_EQ(cells.size(), 10u);
        EXPECT_EQ(cells[0], "Rectangle(999,180,1020,190)");
        EXPECT_EQ(cells[1], "Rectangle(999,171,1020,181)");
        EXPECT_EQ(cells[9], "Rectangle(999,100,1020,115)");
        EXPECT_EQ(l[size_t(findRecord(l, cells[0]) - 2)], "SelectPen(0,0,0xff7f7f)"); // the colour of 0.1
        EXPECT_TRUE(containsSequence(l, {"SelectPen(0,0,0x000000)", "MoveTo(998,194)", "LineTo(1019,194)",
                                         "LineTo(1019,100)", "LineTo(998,100)", "LineTo(998,194)"}));
        // scale 0..8 (the largest colour value) over 95 units: 5 at 195 - 59.375
        EXPECT_TRUE(containsSequence(l, {"MoveTo(1019,135)", "LineTo(1027,135)", "TextOut(1029,140,\"5\")"}));
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
    c->pY->pData[1] = 20; // the data changed after the last autoscale
    ASSERT_TRUE(plot.Draw());
    EXPECT_FLOAT_EQ(plot.fYMax, 20.95f);
    Records l = listing(plot);
    EXPECT_EQ(withPrefix(l, "Rectangle(").size(), 3u + 2u); // three symbols, background and frame
    EXPECT_EQ(withPrefix(l, "SetWindowExt").size(), 1u);
    plot.SetAxisRanges(0, 4, 0, 4); // both fixed: the point stays outside
    ASSERT_TRUE(plot.Draw());
    EXPECT_EQ(bPlotRedrawRequest, 1);
    EXPECT_EQ(plot.fYMax, 4.0f);
    EXPECT_EQ(withPrefix(listing(plot), "Rectangle(").size(), 2u + 2u);
    plot.bZoomY = 0; // only x fixed: y follows
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
        Records l = metaFileListing(h);
        DeleteMetaFile(h);
        return l;
    };
    bDashToggle = 1;
    EXPECT_EQ(record([](HDC dc) { drawDashedLine(dc, 100, 50, 130, 50); }),
              (Records{"MoveTo(100,50)", "LineTo(105,50)", "MoveTo(110,50)", "LineTo(115,50)", "MoveTo(120,50)",
                       "LineTo(125,50)", "MoveTo(130,50)"}));
    // a diagonal of length 50: dashes of (3, 4), the last 10 units blank
    Records diagonal = record([](HDC dc) { drawDashedLine(dc, 0, 0, 30, 40); });
    EXPECT_EQ(Records(diagonal.end() - 3, diagonal.end()), (Records{"MoveTo(18,24)", "LineTo(21,28)", "MoveTo(30,40)"}));
    EXPECT_EQ(record([](HDC dc) { drawDashedLine(dc, 10, 10, 17, 10); }), (Records{"MoveTo(17,10)"}));
    EXPECT_EQ(record([](HDC dc) { drawDashedLine(dc, 10, 10, 13, 10); }),
              (Records{"MoveTo(10,10)", "LineTo(11,10)", "MoveTo(13,10)"}));
    // one-unit steps: a dot at every second step
    EXPECT_EQ(record([](HDC dc) {
                  for (int x = 0; x < 4; x++) drawDashedLine(dc, x, 0, x + 1, 0);
              }),
              (Records{"MoveTo(0,0)", "LineTo(1,1)", "MoveTo(0,0)", "MoveTo(1,0)", "MoveTo(2,0)", "LineTo(3,1)",
                       "MoveTo(2,0)", "MoveTo(3,0)"}));
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
    const COLORREF crBack = RGB(250, 250, 240), crBlack = RGB(0, 0, 0), crRed = RGB(255, 0, 0);
    EXPECT_EQ(canvas.at(54, 310), crBack); // the box 53..986 x 92..527
    EXPECT_EQ(canvas.at(52, 310), RGB(255, 255, 255));
    // the frame: left and top edge on their lines, right and bottom one unit inside
    EXPECT_EQ(canvas.at(139, 260), crBlack);
    EXPECT_EQ(canvas.at(978, 260), crBlack);
    EXPECT_EQ(canvas.at(400, 499), crBlack);
    EXPECT_EQ(canvas.at(400, 101), crBack);
    EXPECT_EQ(canvas.at(700, 260), RGB(0xe6, 0xfa, 0xe6)); // the band 643..894
    EXPECT_EQ(canvas.at(642, 260), crBack);
    EXPECT_EQ(canvas.at(807, 196), crRed); // the square about (811, 200)
    EXPECT_EQ(canvas.at(814, 203), crRed);
    EXPECT_NE(canvas.at(815, 200), crRed);
    EXPECT_EQ(canvas.at(559, 507), crBlack); // the tick under x = 5
}

TEST(PlotDraw, PictureToTheClipboard)
{
    CurveStore store;
    CWINPlot plot;
    EXPECT_FALSE(copyMetafileToClipboard(&plot, nullptr)); // no picture yet
    layOut(plot, store);
    ASSERT_TRUE(plot.Draw());
    const size_t nRecords = listing(plot).size();
    ASSERT_TRUE(copyMetafileToClipboard(&plot, nullptr));
    EXPECT_EQ(headless::transcript().back(),
              "Clipboard CF_METAFILEPICT MM_ISOTROPIC 13000 9000 (" + std::to_string(nRecords) + " records)");
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE hData = GetClipboardData(CF_METAFILEPICT);
    ASSERT_NE(hData, nullptr);
    auto* pPict = static_cast<METAFILEPICT*>(GlobalLock(hData));
    EXPECT_NE(pPict->hMF, plot.hMetaFile); // a copy: the plot keeps its own picture
    EXPECT_EQ(metaFileListing(pPict->hMF), listing(plot));
    EXPECT_EQ(pPict->mm, MM_ISOTROPIC);
    GlobalUnlock(hData);
    // while the clipboard is open elsewhere the copy fails and changes nothing
    EXPECT_FALSE(copyMetafileToClipboard(&plot, nullptr));
    CloseClipboard();
    EXPECT_EQ(headless::transcript().size(), 1u);
}
