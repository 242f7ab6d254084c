// On-screen buttons: geometry, captions, hit tests and toggling, the
// recorded face, the saved and restored background, the ring marker, the
// plot's own buttons, the value slider and the button column.
#include <algorithm>
#include <cstring>
#include <string>

#include "app/window_fixture.h"
#include "plot/plot_fixture.h"
#include "plot/screen_button.h"
#include "plot/value_slider.h"

using namespace win;

namespace {

Records faceOf(const CScreenButton& b)
{
    return b.bHasFace ? metaFileListing(b.hFace) : Records{};
}

// The records of one kind, e.g. the captions written.
Records texts(const Records& l)
{
    return withPrefix(l, "ExtTextOut(");
}

}  // namespace

TEST(ScreenButton, RectCaptionsHitTestAndToggling)
{
    CScreenButton b;
    b.SetRect(10.9f, 20.9f, 30.2f, 40.7f);
    EXPECT_EQ(std::vector<int>({b.nTop, b.nLeft, b.nBottom, b.nRight}), std::vector<int>({10, 20, 30, 40}));
    b.SetRect(-0.5f, -1.5f, 0, 2);
    EXPECT_EQ(b.nTop, -1);
    EXPECT_EQ(b.nLeft, -2);

    // captions: at most 999 characters, n = 0 empties
    std::string sLong(1500, 'a');
    b.SetText(sLong.c_str(), 1500, "on", 0);
    EXPECT_EQ(std::strlen(b.pszOffText), 999u);
    EXPECT_STREQ(b.pszOnText, "");

    // a button from x 140 to 280 and y 100 to 200 (logical): per-mille x 100
    // is 1.4 x 100 = 140, on the left edge
    CScreenButton t;
    t.SetRect(100, 140, 200, 280);
    t.SetText("remove TI and RI", 16, "restore TI noise", 16);
    EXPECT_EQ(t.nButtonType, 2);
    EXPECT_TRUE(t.HitTest(100, 150));
    EXPECT_EQ(t.bOn, 1);  // a toggle button toggles itself
    EXPECT_EQ(texts(faceOf(t)).size(), 1u);
    EXPECT_NE(texts(faceOf(t))[0].find("\"restore TI noise\""), std::string::npos);
    EXPECT_TRUE(t.HitTest(200, 100));  // right and top edges
    EXPECT_EQ(t.bOn, 0);
    EXPECT_NE(texts(faceOf(t))[0].find("\"remove TI and RI\""), std::string::npos);
    EXPECT_FALSE(t.HitTest(99, 150));   // 138.6
    EXPECT_FALSE(t.HitTest(201, 150));  // 281.4
    EXPECT_FALSE(t.HitTest(150, 201));
    EXPECT_EQ(t.bOn, 0);

    // a push button is hit but keeps its state
    t.nButtonType = 1;
    EXPECT_TRUE(t.HitTest(150, 150));
    EXPECT_EQ(t.bOn, 0);

    // a button without width is never hit
    CScreenButton z;
    z.SetRect(100, 140, 200, 140);
    EXPECT_FALSE(z.HitTest(100, 150));

    // hidden: nothing recorded, nothing hit
    CScreenButton h;
    h.SetRect(100, 140, 200, 280);
    h.bHidden = 1;
    EXPECT_TRUE(h.Render());
    EXPECT_EQ(h.bHasFace, 0);
    EXPECT_FALSE(h.HitTest(150, 150));
    EXPECT_EQ(h.bOn, 0);
}

TEST(ScreenButton, RecordedFace)
{
    CScreenButton b;
    b.SetRect(100, 140, 130, 281);
    b.SetText("integrate", 9, "select range", 12);
    ASSERT_TRUE(b.Render());
    Records l = faceOf(b);
    EXPECT_EQ(l.front(), "SetWindowExt(1399,1000)");
    // face in crFace over columns 141..280 and rows 100..130
    EXPECT_NE(findRecord(l, "SelectBrush(0,0xc8c8c8)"), -1);
    EXPECT_NE(findRecord(l, "Rectangle(141,131,281,100)"), -1);
    // bevel: light top and right, dark bottom and left, mid inside
    EXPECT_TRUE(containsSequence(l, {"SelectPen(0,1,0xdcdcdc)", "MoveTo(281,100)", "LineTo(281,130)",
                                     "MoveTo(281,100)", "LineTo(140,100)", "SelectPen(0,1,0x646464)",
                                     "MoveTo(140,130)", "LineTo(281,130)", "MoveTo(140,130)", "LineTo(140,100)",
                                     "SelectPen(0,1,0x969696)", "MoveTo(141,129)", "LineTo(280,129)",
                                     "MoveTo(141,129)", "LineTo(141,101)"}));
    // caption centred on the bottom edge: x = trunc(140 + 141 / 2) = 210, y = 130 - 1
    EXPECT_NE(findRecord(l, "SetTextAlign(14)"), -1);
    EXPECT_NE(findRecord(l, "ExtTextOut(210,129,4,140,100,281,130,\"integrate\")"), -1);
    EXPECT_NE(findRecord(l, "SetTextColor(0x960000)"), -1);

    // on: the on colour; raised baseline caption in the heavy font
    b.SetBaselineTextRaised();
    b.UseAltFont();
    b.Toggle();
    l = faceOf(b);
    EXPECT_NE(findRecord(l, "SelectBrush(0,0xe6e6e6)"), -1);
    EXPECT_NE(findRecord(l, "SetTextAlign(30)"), -1);
    EXPECT_NE(findRecord(l, "ExtTextOut(210,127,4,140,100,281,130,\"select range\")"), -1);
    EXPECT_EQ(withPrefix(l, "SelectFont(16,0,0,0,900,").size(), 1u);

    // the flat label: white face, two outlines in the face colour, no bevel
    CScreenButton f;
    f.bFlat = 1;
    f.crFace = RGB(0, 128, 0);
    f.SetRect(10, 20, 40, 60);
    f.Render();
    l = faceOf(f);
    EXPECT_NE(findRecord(l, "SelectBrush(0,0xffffff)"), -1);
    EXPECT_EQ(withPrefix(l, "SelectPen(0,1,"), (Records{"SelectPen(0,1,0x008000)"}));
    EXPECT_TRUE(containsSequence(l, {"MoveTo(60,10)", "LineTo(60,40)", "LineTo(20,40)", "LineTo(20,10)",
                                     "LineTo(60,10)", "MoveTo(59,9)", "LineTo(59,41)", "LineTo(21,41)",
                                     "LineTo(21,9)", "LineTo(59,9)"}));
}

TEST(ScreenButton, PlotButtonsRoundTheFrame)
{
    CurveStore store;
    CWINPlot p;
    p.AddCurve(store.curve({0, 1}, {0, 1}));
    p.SetPlotRect(100, 100, 500, 500);  // frame right trunc(500 x 1.4f) = 699, top 100
    p.CreateButtons(3);
    ASSERT_EQ(p.nButtons, 5);
    // s = 20, t = 101, r = 699
    const int expect[6][4] = {{0, 0, 0, 0},       {101, 679, 121, 699}, {111, 700, 121, 710},
                              {101, 700, 111, 710}, {121, 690, 131, 699}, {121, 679, 131, 689}};
    const char* captions[6] = {"", "3", "X", "i", "e", "s"};
    for (int k = 1; k <= 5; k++) {
        CScreenButton* b = p.pButtons[k];
        EXPECT_EQ(std::vector<int>({b->nTop, b->nLeft, b->nBottom, b->nRight}),
                  std::vector<int>(expect[k], expect[k] + 4))
            << k;
        EXPECT_STREQ(b->pszOffText, captions[k]);
        EXPECT_EQ(b->bHasFace, 1);
    }
    // again: only the first is captioned anew; a new frame moves them all
    CScreenButton* pFirst = p.pButtons[1];
    p.CreateButtons(12);
    EXPECT_EQ(p.pButtons[1], pFirst);
    EXPECT_STREQ(p.pButtons[1]->pszOffText, "12");
    p.SetPlotRect(200, 100, 500, 400);  // right trunc(400 x 1.4f) = 559
    EXPECT_EQ(p.pButtons[1]->nLeft, 539);
    EXPECT_EQ(p.pButtons[3]->nTop, 201);
}

class ScreenButtonWindow : public MainWindowTest {
protected:
    // The window at 700 x 500 pixels with a pattern over its top-left part.
    TXLAWindow* Patterned()
    {
        TXLAWindow* w = OpenWindow();
        headless::setClientSize(w->HWindow, 700, 500);
        headless::processMessages();
        HDC dc = GetDC(w->HWindow);
        for (int x = 0; x < 300; x++) {
            HPEN pen = CreatePen(PS_SOLID, 1, RGB(x % 256, (7 * x) % 256, 90));
            HGDIOBJ old = SelectObject(dc, pen);
            MoveToEx(dc, x, 0, nullptr);
            LineTo(dc, x, 200);
            SelectObject(dc, old);
            DeleteObject(pen);
        }
        ReleaseDC(w->HWindow, dc);
        return w;
    }
    std::vector<COLORREF> area(HWND h, int x0, int y0, int x1, int y1)
    {
        HDC dc = GetDC(h);
        std::vector<COLORREF> v;
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++) v.push_back(GetPixel(dc, x, y));
        ReleaseDC(h, dc);
        return v;
    }
    void fill(HWND h, int x0, int y0, int x1, int y1, COLORREF cr)
    {
        HDC dc = GetDC(h);
        HBRUSH br = CreateSolidBrush(cr);
        RECT r{x0, y0, x1 + 1, y1 + 1};
        FillRect(dc, &r, br);
        DeleteObject(br);
        ReleaseDC(h, dc);
    }
};

TEST_F(ScreenButtonWindow, BackgroundSavedAndRestoredExactly)
{
    TXLAWindow* w = Patterned();
    ASSERT_EQ(w->fClientWidth, 700.0f);
    // Logical 140..280 x 100..200 are pixels 70..140 x 50..100 at 700 x 500;
    // the saved area reaches 2 pixels beyond in x, 1 above and 2 below:
    // x 68..142, y 49..102.
    CScreenButton b;
    b.SetRect(100, 140, 200, 280);
    b.Render();
    std::vector<COLORREF> before = area(w->HWindow, 60, 40, 150, 110);
    ASSERT_TRUE(b.SaveBackground(w));
    b.Paint(w);
    EXPECT_EQ(area(w->HWindow, 100, 70, 100, 70)[0], RGB(200, 200, 200));  // the face
    fill(w->HWindow, 60, 40, 150, 110, RGB(0, 0, 0));
    ASSERT_TRUE(b.RestoreBackground(w));
    std::vector<COLORREF> after = area(w->HWindow, 60, 40, 150, 110);
    for (int y = 40; y <= 110; y++)
        for (int x = 60; x <= 150; x++) {
            size_t k = size_t((y - 40) * 91 + (x - 60));
            bool bSaved = x >= 68 && x <= 142 && y >= 49 && y <= 102;
            ASSERT_EQ(after[k], bSaved ? before[k] : RGB(0, 0, 0)) << x << "," << y;
        }
    // the bitmap stays: a second restore is exact too
    fill(w->HWindow, 60, 40, 150, 110, RGB(0, 0, 255));
    ASSERT_TRUE(b.RestoreBackground(w));
    after = area(w->HWindow, 60, 40, 150, 110);
    for (int y = 49; y <= 102; y++)
        for (int x = 68; x <= 142; x++) {
            size_t k = size_t((y - 40) * 91 + (x - 60));
            ASSERT_EQ(after[k], before[k]) << x << "," << y;
        }

    // nothing saved: nothing restored
    CScreenButton fresh;
    fresh.SetRect(100, 140, 200, 280);
    EXPECT_FALSE(fresh.RestoreBackground(w));
}

TEST_F(ScreenButtonWindow, RingMarker)
{
    TXLAWindow* w = OpenWindow();
    HWND h = w->HWindow;
    CScreenButton b;
    auto count = [&](int x0, int y0, int x1, int y1, COLORREF cr) {
        std::vector<COLORREF> v = area(h, x0, y0, x1, y1);
        return std::count(v.begin(), v.end(), cr);
    };
    b.RenderRound(w, 100, 100, 6, RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(b.nMarkRadius, 6);
    EXPECT_EQ(area(h, 94, 100, 94, 100)[0], RGB(255, 0, 0));  // the ring, 3 pixels wide
    EXPECT_EQ(area(h, 96, 100, 96, 100)[0], RGB(255, 0, 0));
    EXPECT_EQ(count(99, 99, 101, 101, RGB(255, 255, 255)), 9);  // white inside
    // radius 0 removes the ring and draws no new one: the point is a dot
    b.RenderRound(w, 200, 200, 0, RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(b.nMarkRadius, 0);
    EXPECT_EQ(count(90, 90, 110, 110, RGB(255, 0, 0)), 0);
    EXPECT_GT(count(97, 97, 103, 103, RGB(0, 0, 255)), 0);
    EXPECT_EQ(count(90, 90, 96, 110, RGB(0, 0, 255)), 0);
    EXPECT_EQ(count(190, 190, 210, 210, RGB(255, 255, 255)), 441);
}

TEST_F(ScreenButtonWindow, SliderAndButtonColumn)
{
    TXLAWindow* w = OpenWindow();
    // a linear slider 0..10 with a track from x 280 to 700 (logical)
    CValueSlider s;
    s.SetRect(900, 280, 920, 700);
    s.SetRange(0, 10, 1);
    s.SetTexts("c", "uM");
    s.Layout();
    EXPECT_EQ(s.nKnobHalfWidth, 14);  // 420 / 30
    EXPECT_EQ(std::vector<int>({s.pStepDown->nLeft, s.pStepDown->nRight, s.pStepUp->nLeft, s.pStepUp->nRight}),
              std::vector<int>({260, 279, 701, 720}));
    EXPECT_EQ(s.pLabel->nLeft, 721);
    // a click at per mille 350 is 490 logical: the middle of the track
    EXPECT_FLOAT_EQ(s.HandleClick(w, 350, 910), 0.5f);
    EXPECT_FLOAT_EQ(s.fValue, 5.0f);
    EXPECT_EQ(s.nKnobPos, 490);
    EXPECT_STREQ(s.pLabel->pszOnText, "c = 5.000 uM");
    // the step-up button (1.4 x 505 = 707): a hundredth further
    EXPECT_EQ(s.HandleClick(w, 505, 910), -2.0f);
    EXPECT_FLOAT_EQ(s.fValue, 5.1f);
    EXPECT_STREQ(s.pLabel->pszOnText, "c = 5.100e+00 uM");
    EXPECT_EQ(s.HandleClick(w, 190, 910), -3.0f);  // 266: step down
    EXPECT_EQ(s.HandleClick(w, 350, 950), -1.0f);  // below the track
    s.SetPosition(1.5f);                             // outside 0..1: nothing
    EXPECT_FLOAT_EQ(s.fPosition, 0.5f);
    {
        // a typed value: refused outside the range, else placed
        headless::Script script;
        script.expectInput("enter value between 0.000 and 10.000", "12")
            .expectInput("enter value between 0.000 and 10.000", "7.5");
        EXPECT_EQ(s.HandleClick(w, 600, 910), -1.0f);  // 840: the label
        EXPECT_FLOAT_EQ(s.fValue, 5.0f);
        EXPECT_FLOAT_EQ(s.HandleClick(w, 600, 910), 0.75f);
        EXPECT_FLOAT_EQ(s.fValue, 7.5f);
    }

    // a table of allowed values: the nearest entry, the first on ties
    CTableSlider t;
    t.SetRect(900, 280, 920, 700);
    t.SetRange(0, 10, 1);
    const float values[5] = {0, 1, 2, 5, 10};
    t.SetTable(4, values, 0);
    t.SetPosition(0.3f);  // 3: nearest 2
    EXPECT_FLOAT_EQ(t.fValue, 2.0f);
    EXPECT_FLOAT_EQ(t.fPosition, 0.2f);
    t.SetPosition(0.35f);  // 3.5: 2 and 5 alike far, the first wins
    EXPECT_FLOAT_EQ(t.fValue, 2.0f);
    t.StepUp();
    EXPECT_FLOAT_EQ(t.fValue, 5.0f);
    t.StepUp();
    t.StepUp();  // no entry beyond the last
    EXPECT_FLOAT_EQ(t.fValue, 10.0f);
    t.SetPosition(0);
    EXPECT_FLOAT_EQ(t.fValue, 1.0f);

    // logarithmic with a zero entry: 0.01 .. 10 (log -2 .. 1); positions
    // below a quarter choose the zero entry, shown as 0
    CTableSlider g;
    g.SetRange(-2, 1, 0);
    g.SetTexts("c", "uM");
    g.bZeroEntry = 1;
    const float conc[5] = {0, 0.01f, 0.1f, 1, 10};
    g.SetTable(4, conc, 1);
    g.SetPosition(0.2f);
    EXPECT_EQ(g.nTableIndex, 1);
    EXPECT_STREQ(g.pLabel->pszOnText, "c = 0.000 uM");
    g.SetPosition(0.6f);  // log -0.2: nearest 0 (1 uM)
    EXPECT_STREQ(g.pLabel->pszOnText, "c = 1.000 uM");
    EXPECT_FLOAT_EQ(g.fPosition, 2.0f / 3.0f);

    // a column of two buttons from y 100 to 200: 50 units each
    CButtonColumn c(2, 100, 10, 200, 50);
    EXPECT_EQ(std::vector<int>({c.pButtons[1]->nTop, c.pButtons[1]->nBottom, c.pButtons[2]->nTop,
                                c.pButtons[2]->nBottom}),
              std::vector<int>({100, 151, 150, 201}));
    c.SetColors(RGB(255, 0, 0), RGB(0, 255, 0));
    c.RenderEach();
    EXPECT_TRUE(c.HitTest(2, 20, 180));
    EXPECT_TRUE(c.IsOn(2));
    EXPECT_FALSE(c.HitTest(3, 20, 180));
    EXPECT_FALSE(c.IsOn(0));
    c.SetHidden(1, true);
    EXPECT_TRUE(c.IsHidden(1));
    HMETAFILE all = c.RenderAll();
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(withPrefix(metaFileListing(all), "Rectangle(").size(), 1u);  // the hidden one draws nothing
}
