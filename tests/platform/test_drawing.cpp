// Device contexts, mapping, text anchors, raster operations and metafiles,
// checked on pixels against positions worked out by hand.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "platform/internal.h"
#include "platform/win.h"

using namespace win;

namespace {

// A white bitmap in a memory context.
struct Canvas {
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    int w, h;
    Canvas(int width, int height) : w(width), h(height)
    {
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(dc, w, h);
        old = SelectObject(dc, bmp);
        RECT all{0, 0, w, h};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    // pixel in device coordinates, whatever the mapping
    COLORREF at(int x, int y)
    {
        int mode = SetMapMode(dc, MM_TEXT);
        COLORREF c = GetPixel(dc, x, y);
        SetMapMode(dc, mode);
        return c;
    }
    std::vector<COLORREF> pixels()
    {
        std::vector<COLORREF> v;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) v.push_back(at(x, y));
        return v;
    }
};

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
    bool empty() const { return right < left; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

// Bounding box of the pixels that are not white.
Box ink(Canvas& c)
{
    Box b;
    for (int y = 0; y < c.h; y++)
        for (int x = 0; x < c.w; x++)
            if (c.at(x, y) != RGB(255, 255, 255)) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
    return b;
}

HFONT sans(int height, int escapement = 0)
{
    return CreateFont(height, 0, escapement, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0, PROOF_QUALITY,
                      FF_SWISS, nullptr);
}

Box textInk(UINT align, int x, int y, const char* text, int height = 40, int escapement = 0)
{
    Canvas c(400, 300);
    HFONT f = sans(height, escapement);
    HGDIOBJ old = SelectObject(c.dc, f);
    SetBkMode(c.dc, TRANSPARENT);
    SetTextAlign(c.dc, align);
    TextOut(c.dc, x, y, text, int(strlen(text)));
    Box b = ink(c);
    SelectObject(c.dc, old);
    DeleteObject(f);
    return b;
}

}  // namespace

TEST(TextOutput, AnchorsOfTheAlignments)
{
    // "HH" has no descender: its ink ends on the row above the baseline.
    Box base = textInk(TA_LEFT | TA_BASELINE, 200, 100, "HH");
    Box right = textInk(TA_RIGHT | TA_BASELINE, 200, 100, "HH");
    Box center = textInk(TA_CENTER | TA_BASELINE, 200, 100, "HH");
    Box top = textInk(TA_LEFT | TA_TOP, 200, 100, "HH");
    Box bottom = textInk(TA_LEFT | TA_BOTTOM, 200, 100, "HH");
    ASSERT_FALSE(base.empty());
    EXPECT_NEAR(base.bottom, 99, 1);
    EXPECT_GE(base.left, 200);
    EXPECT_LE(base.left, 206);  // the side bearing of H
    EXPECT_LE(right.right, 199);
    EXPECT_GE(right.right, 193);
    // Right alignment shifts the text back by its advance W, centring by W/2.
    int W = base.left - right.left;
    EXPECT_GT(W, 40);
    EXPECT_NEAR(center.left - right.left, W / 2.0, 1.0);
    // Top puts the cell's top on the anchor, bottom the cell's bottom: the
    // same glyphs land exactly one cell height (40) apart.
    EXPECT_NEAR(top.top - bottom.top, 40, 1);
    EXPECT_GE(top.top, 100);
    EXPECT_LT(bottom.bottom, 100);
    EXPECT_EQ(top.height(), base.height());
    EXPECT_EQ(top.left, base.left);

    // A file name in UTF-8 shows its letter: the two bytes of an e with an
    // acute accent make the one glyph that its Latin-1 byte makes.
    Box utf8 = textInk(TA_LEFT | TA_BASELINE, 200, 100, "H\xc3\xa9");
    Box latin1 = textInk(TA_LEFT | TA_BASELINE, 200, 100, "H\xe9");
    ASSERT_FALSE(latin1.empty());
    EXPECT_EQ(utf8.right, latin1.right);
}

// The extent of a text is its advance (what right alignment shifts it back
// by) and its cell, in logical units; a picture being recorded has no font
// metrics to give one.
TEST(TextOutput, TheExtentOfATextIsItsAdvanceAndCell)
{
    const int W = textInk(TA_LEFT | TA_BASELINE, 200, 100, "HH").left -
                  textInk(TA_RIGHT | TA_BASELINE, 200, 100, "HH").left;
    Canvas c(400, 300);
    HFONT f = sans(40);
    HGDIOBJ old = SelectObject(c.dc, f);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32(c.dc, "HH", 2, &size));
    EXPECT_NEAR(size.cx, W, 1);
    EXPECT_NEAR(size.cy, 40, 1);
    ASSERT_TRUE(GetTextExtentPoint32(c.dc, "", 0, &size));
    EXPECT_EQ(size.cx, 0);
    // two device pixels per logical unit: half as many units
    SetMapMode(c.dc, MM_ANISOTROPIC);
    SetWindowExtEx(c.dc, 200, 150, nullptr);
    SetViewportExtEx(c.dc, 400, 300, nullptr);
    SelectObject(c.dc, f);
    SIZE mapped{};
    ASSERT_TRUE(GetTextExtentPoint32(c.dc, "HH", 2, &mapped));
    EXPECT_NEAR(mapped.cy, 40, 1);  // the font's height is logical too
    EXPECT_NEAR(mapped.cx, W, 2);
    SelectObject(c.dc, old);
    DeleteObject(f);
    HDC mf = CreateMetaFile(nullptr);
    EXPECT_FALSE(GetTextExtentPoint32(mf, "HH", 2, &size));
    DeleteMetaFile(CloseMetaFile(mf));
}

TEST(TextOutput, CurrentPositionModeWritesAtAndAdvancesThePosition)
{
    Box single = textInk(TA_LEFT | TA_BASELINE, 50, 100, "HH");
    Box rightOf = textInk(TA_RIGHT | TA_BASELINE, 50, 100, "HH");
    int W = single.left - rightOf.left;

    Canvas c(400, 300);
    HFONT f = sans(40);
    HGDIOBJ old = SelectObject(c.dc, f);
    SetBkMode(c.dc, TRANSPARENT);
    MoveToEx(c.dc, 50, 100, nullptr);
    SetTextAlign(c.dc, TA_UPDATECP | TA_BASELINE);
    TextOut(c.dc, 300, 250, "HH", 2);  // the point given is ignored
    POINT p;
    GetCurrentPositionEx(c.dc, &p);
    EXPECT_NEAR(p.x, 50 + W, 1);
    EXPECT_EQ(p.y, 100);
    TextOut(c.dc, 0, 0, "HH", 2);
    Box both = ink(c);
    EXPECT_EQ(both.left, single.left);
    EXPECT_NEAR(both.right, single.right + W, 1);
    EXPECT_EQ(both.bottom, single.bottom);
    // Right-aligned, the text ends at the position and the position moves back.
    SetTextAlign(c.dc, TA_UPDATECP | TA_RIGHT | TA_BASELINE);
    TextOut(c.dc, 0, 0, "HH", 2);
    GetCurrentPositionEx(c.dc, &p);
    EXPECT_NEAR(p.x, 50 + W, 2);
    SelectObject(c.dc, old);
    DeleteObject(f);
}

TEST(TextOutput, RotatedTextAndBackgroundModes)
{
    Box flat = textInk(TA_CENTER | TA_BOTTOM, 200, 150, "HHHH");
    // Escapement 900 reads upwards; bottom-centre anchoring puts the cell
    // (40 high) left of the anchor, centred on it vertically.
    Box up = textInk(TA_CENTER | TA_BOTTOM, 200, 150, "HHHH", 40, 900);
    ASSERT_FALSE(up.empty());
    EXPECT_LT(up.right, 200);
    EXPECT_GE(up.left, 160);
    EXPECT_NEAR((up.top + up.bottom) / 2.0, 150, 2);
    EXPECT_NEAR(up.height(), flat.width(), 1);
    EXPECT_NEAR(up.width(), flat.height(), 1);

    // Opaque mode fills the text cell with the background colour first.
    Canvas c(400, 300);
    HFONT f = sans(40);
    HGDIOBJ old = SelectObject(c.dc, f);
    SetBkColor(c.dc, RGB(0, 255, 0));
    SetTextAlign(c.dc, TA_LEFT | TA_TOP);
    TextOut(c.dc, 100, 100, "HH", 2);  // default mode: OPAQUE
    EXPECT_EQ(c.at(100, 100), RGB(0, 255, 0));
    EXPECT_EQ(c.at(100, 139), RGB(0, 255, 0));
    EXPECT_EQ(c.at(99, 100), RGB(255, 255, 255));
    EXPECT_EQ(c.at(100, 141), RGB(255, 255, 255));
    SetBkMode(c.dc, TRANSPARENT);
    TextOut(c.dc, 100, 200, "HH", 2);
    EXPECT_EQ(c.at(100, 200), RGB(255, 255, 255));
    SelectObject(c.dc, old);
    DeleteObject(f);
}

TEST(Mapping, PlotWindowOntoSeveralClientSizes)
{
    HDC mf = CreateMetaFile(nullptr);
    SetWindowExtEx(mf, 1399, 1000, nullptr);
    MoveToEx(mf, 100, 800, nullptr);
    LineTo(mf, 300, 800);
    MoveToEx(mf, 700, 0, nullptr);
    LineTo(mf, 700, 1000);
    SelectObject(mf, GetStockObject(NULL_PEN));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(mf, red);
    Rectangle(mf, 100, 100, 200, 200);
    HMETAFILE h = CloseMetaFile(mf);
    DeleteObject(red);

    struct Case {
        int w, h;
        int lineX0, lineX1, lineY;  // pixels of the horizontal line, end excluded
        int vx;                      // column of the vertical line
        int r0, r1;                  // filled square, [r0, r1) both ways
    } cases[] = {
        {1399, 1000, 100, 300, 800, 700, 100, 200},
        // 100 * 700 / 1399 = 50.04 -> 50, 300 * 700 / 1399 = 150.1 -> 150, 700 * 700 / 1399 = 350.25 -> 350
        {700, 500, 50, 150, 400, 350, 50, 100},
        // 25.02 -> 25, 75.05 -> 75, 175.1 -> 175
        {350, 250, 25, 75, 200, 175, 25, 50},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.w);
        Canvas c(k.w, k.h);
        SetMapMode(c.dc, MM_ANISOTROPIC);
        SetWindowExtEx(c.dc, 1399, 1000, nullptr);
        SetViewportExtEx(c.dc, k.w, k.h, nullptr);
        PlayMetaFile(c.dc, h);
        EXPECT_EQ(c.at(k.lineX0, k.lineY), RGB(0, 0, 0));
        EXPECT_EQ(c.at(k.lineX1 - 1, k.lineY), RGB(0, 0, 0));
        EXPECT_EQ(c.at(k.lineX1, k.lineY), RGB(255, 255, 255));  // LineTo leaves its end pixel
        EXPECT_EQ(c.at(k.lineX0 - 1, k.lineY), RGB(255, 255, 255));
        EXPECT_EQ(c.at(k.lineX0, k.lineY + 1), RGB(255, 255, 255));  // width 0: one pixel
        EXPECT_EQ(c.at(k.vx, 0), RGB(0, 0, 0));
        EXPECT_EQ(c.at(k.vx, k.h - 1), RGB(0, 0, 0));
        EXPECT_EQ(c.at(k.vx + 1, k.h / 2), RGB(255, 255, 255));
        EXPECT_EQ(c.at(k.r0, k.r0), RGB(255, 0, 0));
        EXPECT_EQ(c.at(k.r1 - 1, k.r1 - 1), RGB(255, 0, 0));
        EXPECT_EQ(c.at(k.r1, k.r1 - 1), RGB(255, 255, 255));
        EXPECT_EQ(c.at(k.r1 - 1, k.r1), RGB(255, 255, 255));
        EXPECT_EQ(c.at(k.r0 - 1, k.r0), RGB(255, 255, 255));
    }
    DeleteMetaFile(h);

    // Font heights are logical units: 100 units are 50 pixels on a viewport
    // half the window's height.
    Box top, bottom;
    for (UINT align : {TA_LEFT | TA_TOP, TA_LEFT | TA_BOTTOM}) {
        Canvas c(700, 500);
        SetMapMode(c.dc, MM_ANISOTROPIC);
        SetWindowExtEx(c.dc, 1399, 1000, nullptr);
        SetViewportExtEx(c.dc, 700, 500, nullptr);
        HFONT f = sans(100);
        HGDIOBJ old = SelectObject(c.dc, f);
        SetBkMode(c.dc, TRANSPARENT);
        SetTextAlign(c.dc, align);
        TextOut(c.dc, 400, 500, "HH", 2);
        (align == (TA_LEFT | TA_TOP) ? top : bottom) = ink(c);
        SelectObject(c.dc, old);
        DeleteObject(f);
    }
    EXPECT_NEAR(top.top - bottom.top, 50, 1);
    EXPECT_NEAR(top.left, 200, 4);
}

TEST(RasterOperations, XorTwiceRestoresEveryPixel)
{
    Canvas c(200, 100);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 200));
    HGDIOBJ oldBrush = SelectObject(c.dc, blue);
    Ellipse(c.dc, 20, 10, 120, 90);
    Rectangle(c.dc, 100, 30, 180, 70);
    std::vector<COLORREF> before = c.pixels();

    HPEN thin = CreatePen(PS_SOLID, 0, RGB(255, 255, 255));
    HPEN wide = CreatePen(PS_SOLID, 3, RGB(255, 0, 0));
    SetROP2(c.dc, R2_XORPEN);
    auto markers = [&] {
        SelectObject(c.dc, thin);
        MoveToEx(c.dc, 5, 5, nullptr);
        LineTo(c.dc, 195, 95);
        LineTo(c.dc, 195, 5);  // joins share no pixel: each line leaves its end
        LineTo(c.dc, 5, 95);
        MoveToEx(c.dc, 60, 0, nullptr);
        LineTo(c.dc, 60, 100);
        SelectObject(c.dc, wide);
        MoveToEx(c.dc, 10, 50, nullptr);
        LineTo(c.dc, 190, 60);
    };
    markers();
    // White XOR white is black on the background...
    EXPECT_EQ(c.at(60, 2), RGB(0, 0, 0));
    // ...and inverts the blue inside the ellipse.
    EXPECT_EQ(c.at(60, 40), RGB(255, 255, 55));
    markers();
    EXPECT_EQ(c.pixels(), before);
    SelectObject(c.dc, oldBrush);
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    DeleteObject(blue);
    DeleteObject(thin);
    DeleteObject(wide);
}

TEST(Shapes, PensBrushesAndExcludedEdges)
{
    Canvas c(100, 100);
    HPEN pen = CreatePen(PS_SOLID, 0, RGB(255, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(c.dc, pen);
    SelectObject(c.dc, brush);
    Rectangle(c.dc, 10, 10, 20, 20);
    EXPECT_EQ(c.at(10, 10), RGB(255, 0, 0));
    EXPECT_EQ(c.at(19, 19), RGB(255, 0, 0));
    EXPECT_EQ(c.at(15, 15), RGB(0, 0, 255));
    EXPECT_EQ(c.at(20, 15), RGB(255, 255, 255));
    // Null pen: the brush alone, still without the right and bottom edges.
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    Rectangle(c.dc, 30, 10, 40, 20);
    EXPECT_EQ(c.at(30, 10), RGB(0, 0, 255));
    EXPECT_EQ(c.at(39, 19), RGB(0, 0, 255));
    EXPECT_EQ(c.at(40, 19), RGB(255, 255, 255));
    EXPECT_EQ(c.at(39, 20), RGB(255, 255, 255));
    // Null brush: the outline alone.
    SelectObject(c.dc, pen);
    SelectObject(c.dc, GetStockObject(NULL_BRUSH));
    Rectangle(c.dc, 50, 10, 60, 20);
    EXPECT_EQ(c.at(50, 15), RGB(255, 0, 0));
    EXPECT_EQ(c.at(55, 15), RGB(255, 255, 255));
    // A filled polygon (a triangle) and a deleted pen still selected.
    SelectObject(c.dc, brush);
    POINT tri[3] = {{10, 90}, {50, 50}, {90, 90}};
    Polygon(c.dc, tri, 3);
    EXPECT_EQ(c.at(50, 80), RGB(0, 0, 255));
    EXPECT_EQ(c.at(15, 60), RGB(255, 255, 255));
    // A small ellipse (a plot symbol): a closed outline inside its box with the
    // right and bottom edges excluded, the brush inside, the corners untouched.
    Ellipse(c.dc, 60, 30, 71, 41);
    EXPECT_EQ(c.at(60, 35), RGB(255, 0, 0));
    EXPECT_EQ(c.at(70, 35), RGB(255, 0, 0));
    EXPECT_EQ(c.at(65, 30), RGB(255, 0, 0));
    EXPECT_EQ(c.at(65, 40), RGB(255, 0, 0));
    EXPECT_EQ(c.at(71, 35), RGB(255, 255, 255));
    EXPECT_EQ(c.at(65, 41), RGB(255, 255, 255));
    EXPECT_EQ(c.at(65, 35), RGB(0, 0, 255));
    EXPECT_EQ(c.at(60, 30), RGB(255, 255, 255));
    EXPECT_EQ(c.at(70, 40), RGB(255, 255, 255));
    for (int y = 30; y <= 40; y++) {  // every row of the outline is closed: one run of pen, brush, pen
        int x = 60;
        while (c.at(x, y) == RGB(255, 255, 255)) x++;
        EXPECT_EQ(c.at(x, y), RGB(255, 0, 0)) << y;
        int right = 70;
        while (c.at(right, y) == RGB(255, 255, 255)) right--;
        EXPECT_EQ(c.at(right, y), RGB(255, 0, 0)) << y;
        EXPECT_EQ(x + right, 130) << y;  // symmetric about the centre column
    }
    // A line from a point mapped far off the picture still draws its visible
    // part, end pixel excluded (and is cut to the image before it is walked).
    MoveToEx(c.dc, -100000000, 95, nullptr);
    LineTo(c.dc, 40, 95);
    EXPECT_EQ(c.at(0, 95), RGB(255, 0, 0));
    EXPECT_EQ(c.at(39, 95), RGB(255, 0, 0));
    EXPECT_EQ(c.at(40, 95), RGB(255, 255, 255));
    MoveToEx(c.dc, 50, -50000000, nullptr);  // steep, through (50, 97)
    LineTo(c.dc, 50, 98);
    EXPECT_EQ(c.at(50, 0), RGB(255, 0, 0));
    EXPECT_EQ(c.at(50, 97), RGB(255, 0, 0));
    EXPECT_EQ(c.at(50, 98), RGB(255, 255, 255));
    DeleteObject(pen);
    MoveToEx(c.dc, 0, 99, nullptr);
    LineTo(c.dc, 5, 99);
    EXPECT_EQ(c.at(0, 99), RGB(255, 0, 0));
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
}

TEST(Metafiles, RecordListPlayAndKeepTheTargetsState)
{
    HDC mf = CreateMetaFile(nullptr);
    SetWindowExtEx(mf, 1399, 1000, nullptr);
    HPEN red = CreatePen(PS_SOLID, 0, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(mf, red);
    EXPECT_EQ(old, GetStockObject(BLACK_PEN));
    MoveToEx(mf, 10, 20, nullptr);
    LineTo(mf, 30, 20);
    SetTextAlign(mf, TA_CENTER | TA_TOP);
    SetBkMode(mf, TRANSPARENT);
    TextOut(mf, 5, 6, "a\"b", 3);
    POINT tri[3] = {{1, 2}, {3, 4}, {5, 6}};
    Polygon(mf, tri, 3);
    EXPECT_EQ(SelectObject(mf, old), red);
    HMETAFILE h = CloseMetaFile(mf);
    DeleteObject(red);
    std::vector<std::string> expected = {"SetWindowExt(1399,1000)",
                                         "SelectPen(0,0,0x0000ff)",
                                         "MoveTo(10,20)",
                                         "LineTo(30,20)",
                                         "SetTextAlign(6)",
                                         "SetBkMode(1)",
                                         "TextOut(5,6,\"a\\\"b\")",
                                         "Polygon(1,2,3,4,5,6)",
                                         "SelectPen(0,0,0x000000)"};
    EXPECT_EQ(metaFileListing(h), expected);
    HMETAFILE copy = CopyMetaFile(h, nullptr);
    EXPECT_TRUE(DeleteMetaFile(h));
    EXPECT_FALSE(DeleteMetaFile(h));
    EXPECT_EQ(metaFileListing(copy), expected);

    // Played onto a context, the picture's objects and modes stay inside it.
    Canvas c(100, 100);
    HPEN blue = CreatePen(PS_SOLID, 0, RGB(0, 0, 255));
    SelectObject(c.dc, blue);
    SetTextAlign(c.dc, TA_RIGHT);
    MoveToEx(c.dc, 50, 50, nullptr);
    EXPECT_TRUE(PlayMetaFile(c.dc, copy));
    EXPECT_EQ(c.at(10, 20), RGB(255, 0, 0));  // played without mapping: MM_TEXT ignores the extent
    EXPECT_EQ(GetTextAlign(c.dc), TA_RIGHT);
    LineTo(c.dc, 60, 50);
    EXPECT_EQ(c.at(50, 50), RGB(0, 0, 255));
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    DeleteObject(blue);
    DeleteMetaFile(copy);
}

TEST(Metafiles, ARecordingThatReusesTheRoomOfDeletedPicturesStartsEmpty)
{
    // Large pictures deleted leave their room to the next recordings, never
    // their records; a copy and the pictures still alive keep theirs.
    auto big = [](int n) {
        HDC mf = CreateMetaFile(nullptr);
        for (int k = 0; k < n; k++) LineTo(mf, k % 1000, k / 1000);
        return CloseMetaFile(mf);
    };
    HMETAFILE a = big(200000), b = big(70000);
    HMETAFILE keep = CopyMetaFile(a, nullptr);
    DeleteMetaFile(a);
    DeleteMetaFile(b);
    for (int round = 0; round < 3; round++) {
        HDC mf = CreateMetaFile(nullptr);
        MoveToEx(mf, 1, 2, nullptr);
        LineTo(mf, 3, 4);
        HMETAFILE h = CloseMetaFile(mf);
        EXPECT_EQ(metaFileListing(h), (std::vector<std::string>{"MoveTo(1,2)", "LineTo(3,4)"})) << round;
        DeleteMetaFile(h);
    }
    const std::vector<std::string> kept = metaFileListing(keep);
    ASSERT_EQ(kept.size(), 200000u);
    EXPECT_EQ(kept[199999], "LineTo(999,199)");
    HMETAFILE c = big(100000);
    EXPECT_EQ(metaFileListing(c).size(), 100000u);
    DeleteMetaFile(c);
    DeleteMetaFile(keep);
}

TEST(WindowSurface, BitBltSavesAndRestoresAnArea)
{
    TWindow w(nullptr, "surface");
    ASSERT_TRUE(w.Create());
    HDC dc = GetDC(w.HWindow);
    HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
    RECT band{0, 95, 400, 105};
    FillRect(dc, &band, green);

    // The progress line's save: 103 x 7 pixels around (10, 100).
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP saved = CreateCompatibleBitmap(dc, 103, 7);
    HGDIOBJ old = SelectObject(mem, saved);
    ASSERT_TRUE(BitBlt(mem, 0, 0, 103, 7, dc, 9, 97, SRCCOPY));
    HPEN red = CreatePen(PS_SOLID, 0, RGB(255, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, red);
    for (int y = 90; y < 110; y++) {
        MoveToEx(dc, 0, y, nullptr);
        LineTo(dc, 300, y);
    }
    EXPECT_EQ(GetPixel(dc, 50, 100), RGB(255, 0, 0));
    ASSERT_TRUE(BitBlt(dc, 9, 97, 103, 7, mem, 0, 0, SRCCOPY));
    for (int y = 97; y < 104; y++)
        for (int x = 9; x < 112; x++) ASSERT_EQ(GetPixel(dc, x, y), RGB(0, 160, 0)) << x << "," << y;
    EXPECT_EQ(GetPixel(dc, 8, 100), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 112, 100), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 50, 96), RGB(255, 0, 0));
    SelectObject(dc, oldPen);
    SelectObject(mem, old);
    DeleteObject(saved);
    DeleteDC(mem);
    DeleteObject(red);
    DeleteObject(green);

    // A memory context deleted with the caller's bitmap still in it frees its
    // own bitmap and leaves the caller's to the caller.
    HDC mem2 = CreateCompatibleDC(dc);
    HBITMAP kept = CreateCompatibleBitmap(dc, 4, 4);
    HGDIOBJ own = SelectObject(mem2, kept);
    ASSERT_TRUE(DeleteDC(mem2));
    EXPECT_EQ(detail::gdiObject(own), nullptr);
    EXPECT_TRUE(DeleteObject(kept));
    ReleaseDC(w.HWindow, dc);
}

namespace {

class PaintedWindow : public TWindow {
public:
    PaintedWindow() : TWindow(nullptr, "painted") {}
    int nPaints = 0;
    bool bLastErase = false;
    RECT lastRect{};
    void Paint(HDC dc, bool erase, RECT& rect) override
    {
        nPaints++;
        bLastErase = erase;
        lastRect = rect;
        // Paints everything; only the invalid part may change.
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT all = GetClientRect();
        RECT half{0, 0, all.right / 2, all.bottom};
        FillRect(dc, &half, red);
        DeleteObject(red);
    }
};

}  // namespace

TEST(WindowSurface, PaintRunsWhenIdleAndDrawsOnlyTheInvalidPart)
{
    headless::setDefaultClientSize(200, 100);
    PaintedWindow w;
    w.Create();
    headless::processMessages();
    EXPECT_EQ(w.nPaints, 1);
    HDC dc = w.GetDC();
    EXPECT_EQ(GetPixel(dc, 50, 50), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 150, 50), RGB(255, 255, 255));
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RECT all{0, 0, 200, 100};
    FillRect(dc, &all, black);
    // Drawing outside painting stays until something draws over it.
    headless::processMessages();
    EXPECT_EQ(w.nPaints, 1);
    EXPECT_EQ(GetPixel(dc, 50, 50), RGB(0, 0, 0));

    RECT part{90, 10, 120, 20};
    w.InvalidateRect(part, true);
    EXPECT_EQ(w.nPaints, 1);  // scheduled, not run
    w.UpdateWindow();
    EXPECT_EQ(w.nPaints, 2);
    EXPECT_TRUE(w.bLastErase);
    EXPECT_EQ(w.lastRect.left, 90);
    EXPECT_EQ(GetPixel(dc, 95, 15), RGB(255, 0, 0));       // painted
    EXPECT_EQ(GetPixel(dc, 105, 15), RGB(255, 255, 255));  // erased, not painted
    EXPECT_EQ(GetPixel(dc, 95, 25), RGB(0, 0, 0));         // outside the invalid part
    EXPECT_EQ(GetPixel(dc, 120, 15), RGB(0, 0, 0));
    w.UpdateWindow();
    EXPECT_EQ(w.nPaints, 2);  // nothing invalid

    // A larger client keeps what was drawn and is painted whole.
    headless::setClientSize(w.HWindow, 300, 100);
    EXPECT_EQ(GetPixel(dc, 95, 25), RGB(0, 0, 0));
    headless::processMessages();
    EXPECT_EQ(w.nPaints, 3);
    EXPECT_EQ(GetPixel(dc, 140, 50), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 250, 50), RGB(255, 255, 255));
    w.ReleaseDC(dc);
    headless::setDefaultClientSize(1400, 1000);
}

TEST(WindowSurface, WorkersDrawUnderTheSurfaceLock)
{
    TWindow w(nullptr, "progress");
    w.Create();
    HDC shared = w.GetDC();
    std::mutex progressLock;  // one context shared by the workers, as the progress line does
    std::vector<std::thread> workers;
    for (int k = 0; k < 4; k++) {
        workers.emplace_back([&, k] {
            HDC own = GetDC(w.HWindow);
            for (int i = 0; i < 100; i++) {
                int y = 4 * i + k;
                MoveToEx(own, 0, y, nullptr);
                LineTo(own, 300, y);
                std::lock_guard<std::mutex> g(progressLock);
                MoveToEx(shared, 400, y, nullptr);
                LineTo(shared, 500, y);
            }
            ReleaseDC(w.HWindow, own);
        });
    }
    for (auto& t : workers) t.join();
    for (int y = 0; y < 400; y++) {
        ASSERT_EQ(GetPixel(shared, 299, y), RGB(0, 0, 0)) << y;
        ASSERT_EQ(GetPixel(shared, 450, y), RGB(0, 0, 0)) << y;
        ASSERT_EQ(GetPixel(shared, 350, y), RGB(255, 255, 255)) << y;
    }
    w.ReleaseDC(shared);
}

TEST(TextOutput, ClippedAndOpaqueRectangles)
{
    Canvas c(400, 300);
    HFONT f = sans(40);
    HGDIOBJ old = SelectObject(c.dc, f);
    SetBkMode(c.dc, TRANSPARENT);
    SetBkColor(c.dc, RGB(200, 200, 255));
    SetTextAlign(c.dc, TA_CENTER | TA_BASELINE);
    // A caption wider than its button is cut at the button's edges.
    RECT button{150, 60, 250, 120};
    ExtTextOut(c.dc, 200, 110, ETO_CLIPPED | ETO_OPAQUE, &button, "MMMMMMMMMM", 10, nullptr);
    Box b = ink(c);
    EXPECT_EQ(b.left, 150);
    EXPECT_EQ(b.right, 249);
    EXPECT_EQ(b.top, 60);
    EXPECT_EQ(b.bottom, 119);
    EXPECT_EQ(c.at(150, 60), RGB(200, 200, 255));
    EXPECT_EQ(c.at(249, 119), RGB(200, 200, 255));
    SelectObject(c.dc, old);
    DeleteObject(f);
}
