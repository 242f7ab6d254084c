// The progress line drawn straight into the window surface.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/app_globals.h"
#include "platform/win.h"
#include "plot/progress_line.h"

using namespace win;

namespace {

const COLORREF crRed = RGB(255, 0, 0);
const COLORREF crGrey = RGB(200, 200, 200);

// A window whose surface carries a pattern, so that a restore can be told
// from a repaint.
class PatternWindow {
public:
    TWindow w{nullptr, "main"};
    HDC dc = nullptr;
    PatternWindow()
    {
        w.Create();
        dc = GetDC(w.HWindow);
        for (int x = 0; x < 300; x++) {
            HPEN pen = CreatePen(PS_SOLID, 1, RGB(x % 256, (7 * x) % 256, 90));
            HGDIOBJ old = SelectObject(dc, pen);
            MoveToEx(dc, x, 0, nullptr);
            LineTo(dc, x, 200);
            SelectObject(dc, old);
            DeleteObject(pen);
        }
    }
    ~PatternWindow() { ReleaseDC(w.HWindow, dc); }
    std::vector<COLORREF> area(int x0, int y0, int x1, int y1) const
    {
        std::vector<COLORREF> v;
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++) v.push_back(GetPixel(dc, x, y));
        return v;
    }
};

class ProgressLineTest : public ::testing::Test {
protected:
    void SetUp() override { bWindowPainted = 1; }
    void TearDown() override { bWindowPainted = 0; }
};

}  // namespace

TEST_F(ProgressLineTest, HalfDoneAndTheAreaRestoredExactly)
{
    PatternWindow pw;
    std::vector<COLORREF> before = pw.area(0, 0, 140, 30);
    CProgressLine* p = new CProgressLine;
    p->Show(&pw.w, 10, 10);
    EXPECT_EQ(pw.area(0, 0, 140, 30), before);  // nothing drawn at 0

    p->Draw(0.5f, &pw.w);
    // Four rows, 9 to 12: red from x 10 to 59, grey from 60 to 109.
    for (int y = 9; y <= 12; y++) {
        for (int x = 10; x <= 59; x++) ASSERT_EQ(GetPixel(pw.dc, x, y), crRed) << x << "," << y;
        for (int x = 60; x <= 109; x++) ASSERT_EQ(GetPixel(pw.dc, x, y), crGrey) << x << "," << y;
    }
    EXPECT_EQ(GetPixel(pw.dc, 9, 10), before[10 * 141 + 9]);
    EXPECT_EQ(GetPixel(pw.dc, 110, 10), before[10 * 141 + 110]);
    EXPECT_EQ(GetPixel(pw.dc, 50, 8), before[8 * 141 + 50]);
    EXPECT_EQ(GetPixel(pw.dc, 50, 13), before[13 * 141 + 50]);

    // The bar only grows.
    p->Draw(0.3f, &pw.w);
    EXPECT_EQ(GetPixel(pw.dc, 55, 10), crRed);
    p->Draw(1.0f, &pw.w);
    EXPECT_EQ(GetPixel(pw.dc, 109, 12), crRed);
    p->SetColorBlue();
    HDC dc = GetDC(pw.w.HWindow);
    p->SetProgress(1.5f, dc);  // not clamped: past the bar's end
    ReleaseDC(pw.w.HWindow, dc);
    EXPECT_EQ(GetPixel(pw.dc, 109, 12), RGB(0, 100, 255));
    EXPECT_EQ(GetPixel(pw.dc, 159, 12), RGB(0, 100, 255));

    p->Hide(&pw.w);
    std::vector<COLORREF> after = pw.area(0, 0, 140, 30);
    // The saved area (x 9..111, y 7..13) is back; the overshoot is not part of it.
    for (int y = 0; y <= 30; y++)
        for (int x = 0; x <= 111; x++) ASSERT_EQ(after[size_t(y * 141 + x)], before[size_t(y * 141 + x)]) << x << "," << y;
    delete p;
}

TEST_F(ProgressLineTest, NothingBeforeTheWindowIsPainted)
{
    bWindowPainted = 0;
    PatternWindow pw;
    std::vector<COLORREF> before = pw.area(0, 0, 140, 30);
    CProgressLine p;
    p.Show(&pw.w, 10, 10);
    p.Draw(0.7f, &pw.w);
    EXPECT_FALSE(p.SaveBackground(&pw.w));
    EXPECT_FALSE(p.RestoreBackground(&pw.w));
    p.Hide(&pw.w);
    EXPECT_EQ(pw.area(0, 0, 140, 30), before);
}

// Workers of the normal equations draw on one shared context: whatever the
// order in which their values arrive, the bar ends at the largest one.
TEST_F(ProgressLineTest, WorkersOnOneContextLeaveTheLargestValue)
{
    PatternWindow pw;
    CProgressLine p;
    p.SetColorPurple();
    p.Show(&pw.w, 10, 65);
    HDC dc = GetDC(pw.w.HWindow);
    const int nWorkers = 4, nItems = 400;
    std::vector<std::thread> workers;
    for (int k = 1; k <= nWorkers; k++)
        workers.emplace_back([&, k] {
            for (int i = k; i <= nItems - 40; i += nWorkers) p.SetProgress(float(i) / nItems, dc);
        });
    for (std::thread& t : workers) t.join();
    ReleaseDC(pw.w.HWindow, dc);
    EXPECT_FLOAT_EQ(p.fValue, 360.0f / 400.0f);
    for (int y = 64; y <= 67; y++) {
        for (int x = 10; x <= 99; x++) ASSERT_EQ(GetPixel(pw.dc, x, y), RGB(180, 0, 180)) << x << "," << y;
        for (int x = 100; x <= 109; x++) ASSERT_EQ(GetPixel(pw.dc, x, y), crGrey) << x << "," << y;
    }
}
