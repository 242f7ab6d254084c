#include <gtest/gtest.h>

#include "platform/headless.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "numerics/ccurve.h"
#include "numerics/interpolate_grid.h"
#include "plot/error_box.h"

namespace {

std::string tempPath(const char* szName)
{
    return (std::filesystem::temp_directory_path() / ("morvex_ccurve_" + std::to_string(getpid()) + "_" + szName))
        .string();
}

} // namespace

TEST(CCurve, TextTablesOfAnyWidthRoundTrip)
{
    // The error boxes these cases provoke are answered OK; their texts are checked below.
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    std::string path = tempPath("table.txt");
    float xs[3] = {0.5f, 1.25f, 2e-7f}, ys[3] = {3.0f, -4.5f, 1e6f};
    CCurve saved(xs, ys, 3, 0, 0);
    ASSERT_TRUE(saved.SaveColumnsExp(path.c_str()));
    {
        std::ifstream in(path);
        std::string first;
        std::getline(in, first);
        EXPECT_EQ(first, "5.000000e-01 3.000000e+00");
    }
    CCurve back;
    EXPECT_EQ(back.Load(path.c_str(), 1, 2), 1);
    ASSERT_EQ(back.pX->nSize, 3u);
    for (int i = 0; i < 3; i++) {
        EXPECT_FLOAT_EQ(back.pX->Get(i), xs[i]);
        EXPECT_FLOAT_EQ(back.pY->Get(i), ys[i]);
    }

    // A wide table (the program writes such itself): columns 2 and 40 of
    // lines of 60 values, separators blank, tab, ';' and ',', Windows line
    // ends and a blank last line.
    {
        std::ofstream out(path, std::ios::binary);
        for (int line = 1; line <= 4; line++) {
            for (int col = 1; col <= 60; col++) out << line * 1000 + col << (col % 3 == 0 ? ";" : col % 3 == 1 ? "\t" : ", ");
            out << "\r\n";
        }
        out << "\r\n";
    }
    CCurve wide;
    EXPECT_EQ(wide.Load(path.c_str(), 2, 40), 1);
    ASSERT_EQ(wide.pX->nSize, 4u);
    EXPECT_EQ(wide.pX->Get(3), 4002.0f);
    EXPECT_EQ(wide.pY->Get(3), 4040.0f);
    EXPECT_EQ(wide.LoadAveraged(path.c_str(), 1, 2, 3), 1);
    ASSERT_EQ(wide.pX->nSize, 2u);
    EXPECT_FLOAT_EQ(wide.pX->Get(0), 2001.0f);
    EXPECT_FLOAT_EQ(wide.pY->Get(1), 4002.0f);
    // Pairs of lines: every point is the mean of its two lines, in x and in y;
    // y from the first column, x from a later one.
    EXPECT_EQ(wide.LoadAveraged(path.c_str(), 3, 1, 2), 1);
    ASSERT_EQ(wide.pX->nSize, 2u);
    for (int i = 0; i < 2; i++) {
        EXPECT_FLOAT_EQ(wide.pX->Get(i), 1503.0f + 2000.0f * static_cast<float>(i)) << i;
        EXPECT_FLOAT_EQ(wide.pY->Get(i), 1501.0f + 2000.0f * static_cast<float>(i)) << i;
    }

    // Blank lines only: a curve of no points, the old one gone.
    std::ofstream(path) << "\n  \r\n\n";
    EXPECT_EQ(wide.Load(path.c_str(), 1, 2), 1);
    EXPECT_EQ(wide.pX->nSize, 0u);
    EXPECT_EQ(wide.pY->nSize, 0u);

    // A header line is no number: failure after what could be read.
    std::ofstream(path) << "1 2\ns c(s)\n3 4\n";
    EXPECT_EQ(wide.Load(path.c_str(), 1, 2), 0);
    EXPECT_EQ(wide.pY->Get(0), 2.0f);
    EXPECT_TRUE(shownErrorMessages().empty());

    std::string missing = tempPath("none/x.dat");
    CVector* pOldX = wide.pX;
    EXPECT_EQ(wide.Load(missing.c_str(), 1, 2), 0);
    EXPECT_EQ(shownErrorMessages().back(), "\n\aAttention: could not open " + missing);
    EXPECT_EQ(wide.pX, pOldX);
    EXPECT_EQ(errorBoxQuitRequests(), 0);
    std::remove(path.c_str());
    clearShownErrorMessages();
}

TEST(CCurve, SearchesPeaksAndValues)
{
    float xs[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8}, ys[9] = {0, 1, 3, 1, 0, 2, 5, 2, 0};
    CCurve c(xs, ys, 9, 0, 0);
    float px[5], py[5];
    int idx[5];
    ASSERT_EQ(c.FindPeaks(px, py, idx, 4, 2), 2);
    EXPECT_EQ(idx[1], 7);
    EXPECT_EQ(idx[2], 3);
    EXPECT_EQ(py[1], 5.0f);
    EXPECT_EQ(c.FindPeaks(px, py, idx, 1, 2), 1);
    EXPECT_EQ(c.FindPeaks(px, nullptr, idx, 4, 2), 0);
    // Peaks of equal height keep the order of x, below any higher one; asked for
    // one peak, the first of three equal ones is it.
    {
        float ye[13] = {0, 1, 4, 1, 0, 1, 6, 1, 0, 1, 4, 1, 0};
        float xe[13];
        for (int i = 0; i < 13; i++) xe[i] = static_cast<float>(i);
        CCurve twins(xe, ye, 13, 0, 0);
        ASSERT_EQ(twins.FindPeaks(px, py, idx, 4, 2), 3);
        EXPECT_EQ(idx[1], 7);
        EXPECT_EQ(idx[2], 3);
        EXPECT_EQ(idx[3], 11);
        ye[6] = 4.0f;
        CCurve triplets(xe, ye, 13, 0, 0);
        ASSERT_EQ(triplets.FindPeaks(px, py, idx, 4, 2), 3);
        EXPECT_EQ(idx[1], 3);
        EXPECT_EQ(idx[2], 7);
        EXPECT_EQ(idx[3], 11);
        ASSERT_EQ(triplets.FindPeaks(px, py, idx, 1, 2), 1);
        EXPECT_EQ(px[1], 2.0f);
    }
    // A plateau of two equal highest values is no peak.
    c.pY->pData[6] = 3.0f;
    c.pY->pData[7] = 3.0f;
    EXPECT_EQ(c.FindPeaks(px, py, idx, 4, 1), 1);
    EXPECT_EQ(idx[1], 3);

    EXPECT_EQ(c.NearestIndex(2.5f), 2);
    EXPECT_EQ(c.NearestIndex(2.51f), 3);
    // nearest by y alone, and by the distance in the plane
    float fx = 0, fy = 0;
    EXPECT_EQ(c.NearestYPoint(2.6f, &fx, &fy), 2);
    EXPECT_EQ(fx, 2.0f);
    EXPECT_EQ(c.NearestPoint(6.1f, 3.1f, &fx, &fy), 6);
    EXPECT_EQ(fx, 6.0f);
    EXPECT_EQ(fy, 3.0f);
    EXPECT_EQ(c.NearestPoint(2.4f, 2.5f, nullptr, nullptr), 2);
    {
        // A curve of views on the first four points of longer arrays (as the
        // plots attach a range of the data): the searches stay on those four,
        // even where the next value in the arrays lies closer. Point 3 at
        // (3, 30) is 1.5 from x 4.5 and 5.5 from y 35.5; the fifth, (4.5, 35.5),
        // would be 0 from both.
        float xa[6] = {0, 1, 2, 3, 4.5f, 5}, ya[6] = {0, 10, 20, 30, 35.5f, 50};
        CVector vx, vy;
        vx.Attach(xa, 4, 0);
        vy.Attach(ya, 4, 0);
        CCurve window(&vx, &vy);
        EXPECT_EQ(window.NearestIndex(4.5f), 3);
        EXPECT_EQ(window.NearestYPoint(35.5f, &fx, &fy), 3);
        EXPECT_EQ(fx, 3.0f);
        EXPECT_EQ(fy, 30.0f);
        EXPECT_EQ(window.NearestPoint(4.5f, 35.5f, &fx, &fy), 3);
        EXPECT_EQ(fx, 3.0f);
    }
    EXPECT_EQ(c.MaxYInXWindow(1.0f, 4.0f, 0, 9), 3.0f);
    EXPECT_EQ(c.MinYInXWindow(0.5f, 3.5f, 0, 9), 1.0f);
    EXPECT_EQ(c.MaxYInXWindow(1.0f, 8.0f, 0, 4), 3.0f); // points 0..3 only
    EXPECT_EQ(c.MaxYInXWindow(20.0f, 30.0f, 0, 9), 0.0f);
    EXPECT_FLOAT_EQ(c.MeanYBetween(0.0f, 2.0f), 4.0f / 3.0f);

    EXPECT_FLOAT_EQ(c.ValueAt(2.25f), 2.5f);
    EXPECT_FLOAT_EQ(c.ValueAt(-1.0f), -1.0f); // first interval extended
    EXPECT_FLOAT_EQ(c.ValueAt(9.0f), 0.0f - 3.0f); // last interval extended
}

namespace {

// Target and table abscissae with one-based arrays.
struct TGrid {
    float x[64] = {}, y[64] = {};
};

} // namespace

TEST(TableInterpolation, EdgeRules)
{
    TGrid table, target;
    for (int i = 1; i <= 20; i++) {
        table.x[i] = static_cast<float>(i);
        table.y[i] = static_cast<float>(10 * i);
    }
    // Too few points: nothing changes.
    for (int i = 1; i <= 8; i++) target.x[i] = 1.0f + 0.5f * i, target.y[i] = -7.0f;
    EXPECT_FALSE(interpolateOnGrid(8, target.x, target.y, 4, table.x, table.y));
    EXPECT_FALSE(interpolateOnGrid(4, target.x, target.y, 20, table.x, table.y));
    EXPECT_EQ(target.y[1], -7.0f);

    // Starting exactly at the table: its first value; inside: the lines.
    for (int i = 1; i <= 8; i++) target.x[i] = 1.0f + 0.5f * (i - 1);
    EXPECT_TRUE(interpolateOnGrid(8, target.x, target.y, 20, table.x, table.y));
    for (int i = 1; i <= 8; i++) EXPECT_FLOAT_EQ(target.y[i], 10.0f * target.x[i]);

    // Two intervals before the table: a constant, the mean of the first ten
    // values for 20 points, the first value for 8.
    for (int i = 1; i <= 10; i++) target.x[i] = -1.0f + 0.5f * (i - 1);
    interpolateOnGrid(10, target.x, target.y, 20, table.x, table.y);
    EXPECT_FLOAT_EQ(target.y[1], 55.0f);
    EXPECT_FLOAT_EQ(target.y[4], 55.0f);
    EXPECT_FLOAT_EQ(target.y[5], 10.0f);
    EXPECT_FLOAT_EQ(target.y[10], 35.0f);
    interpolateOnGrid(10, target.x, target.y, 8, table.x, table.y);
    EXPECT_FLOAT_EQ(target.y[1], 10.0f);

    // Half an interval after the table end: the last line extended; further
    // out, the mean of the last ten values; within one interval before the
    // start, the first line extended.
    for (int i = 1; i <= 22; i++) target.x[i] = 10.0f + 0.5f * (i - 1);
    interpolateOnGrid(22, target.x, target.y, 20, table.x, table.y);
    EXPECT_FLOAT_EQ(target.y[22], 205.0f);
    for (int i = 1; i <= 13; i++) target.x[i] = 10.0f + 1.0f * (i - 1);
    interpolateOnGrid(13, target.x, target.y, 20, table.x, table.y);
    EXPECT_FLOAT_EQ(target.y[11], 200.0f);
    EXPECT_FLOAT_EQ(target.y[13], 155.0f);
    for (int i = 1; i <= 6; i++) target.x[i] = 0.5f + 1.0f * (i - 1);
    interpolateOnGrid(6, target.x, target.y, 20, table.x, table.y);
    EXPECT_FLOAT_EQ(target.y[1], 5.0f);
    // Exactly one interval out, after the end or before the start, is still
    // within it: the line, not the constant (155 after, 55 before).
    for (int i = 1; i <= 12; i++) target.x[i] = 10.0f + 1.0f * (i - 1);
    interpolateOnGrid(12, target.x, target.y, 20, table.x, table.y);
    EXPECT_FLOAT_EQ(target.y[12], 210.0f);
    for (int i = 1; i <= 6; i++) target.x[i] = 1.0f * (i - 1);
    interpolateOnGrid(6, target.x, target.y, 20, table.x, table.y);
    EXPECT_FLOAT_EQ(target.y[1], 0.0f);
    // The table is its m points and no more: what the arrays hold after them
    // is not read, even by a target exactly on the last abscissa.
    table.x[21] = table.y[21] = std::nanf("");
    for (int i = 1; i <= 11; i++) target.x[i] = 10.0f + 1.0f * (i - 1);
    interpolateOnGrid(11, target.x, target.y, 20, table.x, table.y);
    EXPECT_FLOAT_EQ(target.y[11], 200.0f);

    // The double-table forms agree; FD2 adds; the plain form leaves the
    // points outside the table alone.
    double dx[21], dy[21], tx[7], ty[7];
    for (int i = 1; i <= 20; i++) dx[i] = i, dy[i] = 10.0 * i;
    float fy[7];
    for (int i = 1; i <= 6; i++) target.x[i] = 2.0f + 1.5f * i, fy[i] = 1.0f, tx[i] = 0.5 + 4.0 * i, ty[i] = -1.0;
    interpolateOnGridFD2(6, target.x, fy, 20, dx, dy);
    EXPECT_FLOAT_EQ(fy[2], 51.0f);
    interpolateLinearD(6, tx, ty, 20, dx, dy);
    EXPECT_DOUBLE_EQ(ty[1], 45.0);
    EXPECT_DOUBLE_EQ(ty[4], 165.0);
    EXPECT_EQ(ty[5], -1.0);
    EXPECT_EQ(ty[6], -1.0);

    // One point to fill, and a table of one point: the line through its
    // neighbours, and the table's one value where the point lies on it.
    tx[1] = 7.25, ty[1] = -1.0;
    interpolateLinearD(1, tx, ty, 20, dx, dy);
    EXPECT_DOUBLE_EQ(ty[1], 72.5);
    tx[1] = 2.0, tx[2] = 3.0, ty[1] = ty[2] = -1.0;
    interpolateLinearD(2, tx, ty, 1, dx + 2, dy + 2);
    EXPECT_DOUBLE_EQ(ty[1], -1.0);
    EXPECT_DOUBLE_EQ(ty[2], 30.0);
}
