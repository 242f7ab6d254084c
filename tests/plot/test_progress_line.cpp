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

// A painted window whose surface carries a pattern, so that a restore can
// be told from a repaint.
class ProgressLineTest : public ::testing::Test {
protected:
    TWindow w{nullptr, "main"};
    HDC dc = nullptr;
    void SetUp() override
    {
        bWindowPainted = 1;
        w.Create();
        dc = GetDC(w.HWindow);
        for (int x = 0; x < 200; x++) {
            HPEN pen = CreatePen(PS_SOLID, 1, RGB(x % 256, (7 * x) % 256, 90));
            HGDIOBJ old = SelectObject(dc, pen);
            MoveToEx(dc, x, 0, nullptr);
            LineTo(dc, x, 100);
            DeleteObject(SelectObject(dc, old));
        }
    }
    void TearDown() override
    {
        ReleaseDC(w.HWindow, dc);
        bWindowPainted = 0;
    }
    std::vector<COLORREF> area() const
    {
        std::vector<COLORREF> v;
        for (int y = 0; y <= 30; y++)
            for (int x = 0; x <= 120; x++) v.push_back(GetPixel(dc, x, y));
        return v;
    }
};

}  // namespace

TEST_F(ProgressLineTest, HalfDoneAndTheAreaRestoredExactly)
{
    std::vector<COLORREF> before = area();
    CProgressLine* p = new CProgressLine;
    p->Show(&w, 10, 10);
    EXPECT_EQ(area(), before);  // nothing drawn at 0
    p->Draw(0.5f, &w);
    // Four rows, 9 to 12: red from x 10 to 59, grey from 60 to 109.
    for (int y = 9; y <= 12; y++) {
        for (int x = 10; x <= 59; x++) ASSERT_EQ(GetPixel(dc, x, y), crRed) << x << "," << y;
        for (int x = 60; x <= 109; x++) ASSERT_EQ(GetPixel(dc, x, y), crGrey) << x << "," << y;
    }
    EXPECT_EQ(GetPixel(dc, 110, 10), before[10 * 121 + 110]);
    EXPECT_EQ(GetPixel(dc, 50, 13), before[13 * 121 + 50]);
    p->Draw(0.3f, &w);  // the bar only grows
    EXPECT_EQ(GetPixel(dc, 55, 10), crRed);
    p->Hide(&w);
    EXPECT_EQ(area(), before);
    delete p;

    // Before the window's first paint nothing is saved, drawn or restored.
    bWindowPainted = 0;
    CProgressLine q;
    q.Show(&w, 10, 10);
    q.Draw(0.7f, &w);
    EXPECT_FALSE(q.RestoreBackground(&w));
    EXPECT_EQ(area(), before);
}

// Workers of the normal equations draw on one shared context: whatever the
// order in which their values arrive, the bar ends at the largest one.
TEST_F(ProgressLineTest, WorkersOnOneContextLeaveTheLargestValue)
{
    CProgressLine p;
    p.SetColorPurple();
    p.Show(&w, 10, 65);
    const int nWorkers = 4, nItems = 400;
    std::vector<std::thread> workers;
    for (int k = 1; k <= nWorkers; k++)
        workers.emplace_back([&, k] {
            for (int i = k; i <= nItems - 40; i += nWorkers) p.SetProgress(float(i) / nItems, dc);
        });
    for (std::thread& t : workers) t.join();
    for (int y = 64; y <= 67; y++) {
        for (int x = 10; x <= 99; x++) ASSERT_EQ(GetPixel(dc, x, y), RGB(180, 0, 180)) << x << "," << y;
        for (int x = 100; x <= 109; x++) ASSERT_EQ(GetPixel(dc, x, y), crGrey) << x << "," << y;
    }
}
