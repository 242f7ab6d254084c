#include <gtest/gtest.h>

#include "platform/headless.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/smoothing.h"
#include "plot/error_box.h"

namespace {

std::string tempPath(const char* szName)
{
    return (std::filesystem::temp_directory_path() / ("morvex_cvector_" + std::to_string(getpid()) + "_" + szName)).string();
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(CVector, ViewsCleanTinyValuesAndWindowSearchesClamp)
{
    float* a = vector(1, 10);
    for (int i = 1; i <= 10; i++) a[i] = static_cast<float>(i);
    a[2] = 1e-31f, a[3] = -5e-32f, a[4] = 2e-30f;
    CVector v;
    v.Attach(a, 10, 1);
    EXPECT_EQ(v.bOwnsData, 0);
    EXPECT_EQ(a[2], 0.0f);
    EXPECT_EQ(a[3], 0.0f);
    EXPECT_EQ(a[4], 2e-30f);
    EXPECT_EQ(v.Get(0), 1.0f);
    EXPECT_EQ(v.Get(10), 0.0f);
    EXPECT_EQ(v.MaxInRange(3, 100), 10.0f);
    EXPECT_EQ(v.MinInRange(-5, 4), 0.0f);
    EXPECT_EQ(v.MaxInRange(5, 2), 0.0f);
    bool bNone = false;
    EXPECT_EQ(v.MinPositiveInRange(1, 3, &bNone), 2e-30f);
    EXPECT_FALSE(bNone);
    a[5] = -1.0f;
    EXPECT_EQ(v.MaxPositiveInRange(1, 2, &bNone), 1.0f);
    EXPECT_TRUE(bNone);

    // Re-attaching without an address keeps the data but never claims more
    // elements than the block holds.
    v.Attach(nullptr, 50, 1);
    EXPECT_EQ(v.nSize, 10u);

    // A copy owns its data; assignment between sizes takes the source's.
    CVector c(v);
    c.pData[0] = 99.0f;
    EXPECT_EQ(a[1], 1.0f);
    CVector d(3);
    d = v;
    EXPECT_EQ(d.nSize, 10u);
    EXPECT_TRUE(d == v);
    d.Append(7.0f);
    EXPECT_EQ(d.nSize, 11u);
    EXPECT_TRUE(d != v);
    EXPECT_EQ(d.Get(10), 7.0f);
    d.Resize(2);
    EXPECT_EQ(d.nSize, 2u);
    EXPECT_EQ(d.Get(1), 0.0f);
    free_vector(a, 1, 10);
}

TEST(CVector, TickLabels)
{
    float vals[3] = {2.0f, 0.25f, 1234567.0f};
    CVector v(3, vals);
    char sz[32];
    EXPECT_EQ(v.FormatElement(0, sz, 32, 1.0f), 1);
    EXPECT_STREQ(sz, "2");
    v.FormatElement(1, sz, 32, 1.0f);
    EXPECT_STREQ(sz, "0.25");
    v.FormatElement(2, sz, 32, 1.0f);
    EXPECT_STREQ(sz, "1234567");
    v.FormatElement(1, sz, 32, 1e-6f);
    EXPECT_STREQ(sz, "2.5e-07");
    EXPECT_EQ(v.FormatElement(2, sz, 4, 1.0f), 3);
    EXPECT_STREQ(sz, "123");
    // a buffer of one character holds the terminator alone
    strcpy(sz, "keep");
    EXPECT_EQ(v.FormatElement(2, sz, 1, 1.0f), 0);
    EXPECT_STREQ(sz, "");
    v.FormatElementAlt(0, sz, 32, 1.0f);
    EXPECT_STREQ(sz, "100");
    strcpy(sz, "keep");
    EXPECT_EQ(v.FormatElement(3, sz, 32, 1.0f), 0);
    EXPECT_EQ(v.FormatElementAlt(7, sz, 32, 1.0f), 0);
    EXPECT_STREQ(sz, "keep");
}

TEST(CVector, OneValuePerLineFiles)
{
    // The error boxes these cases provoke are answered OK; their texts are checked below.
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    std::string path = tempPath("values.txt");
    float vals[3] = {1.5f, -2.0f, 3.25e-3f};
    ASSERT_TRUE(CVector(3, vals).Save(path.c_str()));
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "1.500000\n-2.000000\n0.003250\n");

    CVector loaded;
    EXPECT_TRUE(loaded.Load(path.c_str()));
    EXPECT_EQ(loaded.nSize, 3u);
    EXPECT_EQ(loaded.bOwnsData, 1);
    EXPECT_FLOAT_EQ(loaded.Get(2), 3.25e-3f);

    // Lines far longer than any buffer, Windows line ends, blank lines; a
    // line that is no number ends the reading. The last line has no line end
    // and is read whole.
    std::string comment(5000, 'x');
    writeFile(path, "1.0 " + comment + "\r\n\r\n2.0\t" + comment + "\r\n3.0\nstop\n4.25");
    CVector longLines;
    longLines.Load(path.c_str());
    ASSERT_EQ(longLines.nSize, 3u);
    EXPECT_EQ(longLines.Get(1), 2.0f);
    EXPECT_EQ(longLines.Get(2), 3.0f);

    // A NUL byte (a damaged file) ends what is read of its line, but the line
    // still ends at its own line end: "1.0" and "2.0" are not joined into 1.02.
    const std::string nul(1, '\0');
    const std::string damagedPath = tempPath("damaged.txt");
    writeFile(damagedPath, "1.0" + nul + " note\n2.0 " + comment + nul + "x\n3.0\n");
    CVector damaged;
    damaged.Load(damagedPath.c_str());
    std::remove(damagedPath.c_str());
    ASSERT_EQ(damaged.nSize, 3u);
    EXPECT_EQ(damaged.Get(0), 1.0f);
    EXPECT_EQ(damaged.Get(1), 2.0f);
    EXPECT_EQ(damaged.Get(2), 3.0f);

    // Numbers beyond the doubles read as the C library's strtod reads them:
    // too small is a zero of its sign, too large an infinity of its sign.
    const std::string rangePath = tempPath("range.txt");
    writeFile(rangePath, "1e-400\n-2.5E-400\n0.001e-322\n1e400\n-1e999\n");
    CVector range;
    range.Load(rangePath.c_str());
    std::remove(rangePath.c_str());
    ASSERT_EQ(range.nSize, 5u);
    for (int i = 0; i < 3; i++) EXPECT_EQ(range.Get(i), 0.0f) << i;
    EXPECT_FALSE(std::signbit(range.Get(0)));
    EXPECT_TRUE(std::signbit(range.Get(1)));
    EXPECT_EQ(range.Get(3), INFINITY);
    EXPECT_EQ(range.Get(4), -INFINITY);

    // A sized vector takes at most its size.
    CVector two(2);
    two.pData[0] = two.pData[1] = -1.0f;
    two.Load(path.c_str());
    EXPECT_EQ(two.Get(0), 1.0f);
    EXPECT_EQ(two.Get(1), 2.0f);

    int nh = 0;
    float* a = readFloatVectorFile(path.c_str(), 1, &nh);
    ASSERT_EQ(nh, 5);
    EXPECT_EQ(a[3], 3.0f);
    EXPECT_EQ(a[4], 3.0f); // "stop" repeats the previous value
    EXPECT_EQ(a[5], 4.25f);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    // the writer of one-based arrays writes elements lo..hi, which the reader
    // gives back; an empty range or no array writes an empty file
    const std::string part = tempPath("part.txt");
    ASSERT_TRUE(writeFloatVectorFile(part.c_str(), a, 2, 4));
    int nPart = 0;
    float* b = readFloatVectorFile(part.c_str(), 1, &nPart);
    ASSERT_EQ(nPart, 3);
    EXPECT_EQ(b[1], 2.0f);
    EXPECT_EQ(b[3], 3.0f);
    free_vector(b, 1, nPart);
    for (const float* v : {static_cast<const float*>(a), static_cast<const float*>(nullptr)}) {
        ASSERT_TRUE(writeFloatVectorFile(part.c_str(), v, v ? 5 : 1, v ? 4 : 5));
        std::ifstream written(part);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), std::istreambuf_iterator<char>()), "");
    }
    std::remove(part.c_str());
    free_vector(a, 1, nh);

    std::string missing = tempPath("no/such/file.txt");
    EXPECT_FALSE(two.Load(missing.c_str()));
    EXPECT_EQ(shownErrorMessages().back(), "\nAttention: could not open " + missing);
    EXPECT_EQ(two.Get(0), 1.0f);
    EXPECT_FALSE(two.Save(missing.c_str()));
    EXPECT_EQ(shownErrorMessages().back(), "Attention: could not open " + missing);
    EXPECT_EQ(errorBoxQuitRequests(), 0);
    std::remove(path.c_str());
    clearShownErrorMessages();
}

TEST(CVector, SmoothingKeepsPolynomialsItCanRepresent)
{
    // The error boxes these cases provoke are answered OK; their texts are checked below.
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    // Order 2 reproduces a parabola exactly, up to and including the ends.
    CVector q(20);
    for (int i = 0; i < 20; i++) q.pData[i] = 0.5f * i * i - 3.0f * i + 1.0f;
    CVector q0(q);
    EXPECT_EQ(q.Smooth(2, 2, 2), 1);
    for (int i = 0; i < 20; i++) EXPECT_NEAR(q.Get(i), q0.Get(i), 2e-3f) << i;

    // With one point on each side the end windows hold only two points: the
    // order drops to a straight line there instead of stopping the program.
    EXPECT_EQ(q.Smooth(1, 1, 2), 1);
    for (int i = 0; i < 20; i++) EXPECT_NEAR(q.Get(i), q0.Get(i), 2e-3f) << i;
    EXPECT_TRUE(shownErrorMessages().empty());

    // Order 1 is a moving average over the window that fits.
    float spike[5] = {0, 0, 3, 0, 0};
    CVector s(5, spike);
    EXPECT_EQ(s.Smooth(1, 1, 1), 1);
    float expected[5] = {0, 1, 1, 1, 0};
    for (int i = 0; i < 5; i++) EXPECT_FLOAT_EQ(s.Get(i), expected[i]);

    // A window larger than the data, or an order the window cannot carry:
    // a message, the data as they were.
    CVector four(4, spike);
    EXPECT_EQ(four.Smooth(2, 2, 1), 0);
    EXPECT_EQ(shownErrorMessages().back(), "window for smoothing too big!\n2+2+1<4");
    EXPECT_FALSE(runAbandonable([&] { s.Smooth(1, 1, 3); }));
    EXPECT_EQ(shownErrorMessages().back(), "bad args in savgol");
    for (int i = 0; i < 5; i++) EXPECT_FLOAT_EQ(s.Get(i), expected[i]);
    // A side of the window below zero is refused, also for the moving average
    // and when the window as a whole still counts three points; no value
    // outside the data is read or written.
    for (int side = 0; side < 2; side++) {
        clearShownErrorMessages();
        EXPECT_FALSE(runAbandonable([&] { side == 0 ? s.Smooth(-1, 3, 1) : s.Smooth(3, -1, 1); })) << side;
        ASSERT_FALSE(shownErrorMessages().empty()) << side;
        EXPECT_EQ(shownErrorMessages().back(), "bad args in savgol");
        for (int i = 0; i < 5; i++) EXPECT_FLOAT_EQ(s.Get(i), expected[i]) << side << " " << i;
    }
    EXPECT_EQ(errorBoxQuitRequests(), 0);
    clearShownErrorMessages();
}

// The coefficients themselves, against the published five-point tables: the
// quadratic smooth is (-3, 12, 17, 12, -3) / 35 and the first derivative of
// the same fit (-2, -1, 0, 1, 2) / 10, in wrap-around order (c[1] the centre,
// c[1 + j] the point j to the left, c[6 - j] the point j to the right). A
// coefficient array shorter than the window (np = 3 for 2 + 2 + 1 points)
// would fold the outer points onto the inner ones: it is refused like the
// other bad arguments, and the array is left as it was.
TEST(CVector, SavitzkyGolayCoefficientsMatchTheTables)
{
    float c[6] = {0, 0, 0, 0, 0, 0};
    savgol(c, 5, 2, 2, 0, 2);
    const float smooth[6] = {0, 17, 12, -3, -3, 12};
    for (int k = 1; k <= 5; k++) EXPECT_NEAR(c[k], smooth[k] / 35.0f, 1e-5f) << k;
    savgol(c, 5, 2, 2, 1, 2);
    const float slope[6] = {0, 0, -1, -2, 2, 1};
    for (int k = 1; k <= 5; k++) EXPECT_NEAR(c[k], slope[k] / 10.0f, 1e-5f) << k;

    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    float shortArray[6] = {0, 7, 7, 7, 7, 7};
    EXPECT_FALSE(runAbandonable([&] { savgol(shortArray, 3, 2, 2, 0, 2); }));
    ASSERT_FALSE(shownErrorMessages().empty());
    EXPECT_EQ(shownErrorMessages().back(), "bad args in savgol");
    for (int k = 1; k <= 5; k++) EXPECT_EQ(shortArray[k], 7.0f) << k;
    clearShownErrorMessages();
}

TEST(CVector, SmoothingOnAnUnevenGrid)
{
    // A straight line on uneven abscissae survives the mapping to the even
    // grid, a quadratic smoothing and the mapping back.
    const int n = 40;
    CVector x(n), y(n);
    for (int i = 0; i < n; i++) {
        x.pData[i] = 6.0f + 0.03f * i + 0.0004f * i * i;
        y.pData[i] = 2.0f * x.pData[i] - 1.0f;
    }
    EXPECT_EQ(y.SmoothOnEvenGrid(200, x, 3, 3, 2), 1);
    for (int i = 0; i < n; i++) EXPECT_NEAR(y.Get(i), 2.0f * x.Get(i) - 1.0f, 1e-4f) << i;

    // Nothing to map: the values stay as they are (they used to come back 0).
    CVector xs(4), ys(4), other(5);
    for (int i = 0; i < 4; i++) xs.pData[i] = static_cast<float>(i), ys.pData[i] = 5.0f;
    EXPECT_EQ(ys.SmoothOnEvenGrid(100, xs, 1, 1, 1), 0);
    EXPECT_EQ(ys.SmoothOnEvenGrid(100, other, 1, 1, 1), 0);
    for (int i = 0; i < 4; i++) EXPECT_EQ(ys.Get(i), 5.0f);
}

TEST(CVector, LoadingIntoAViewFillsOnlyTheView)
{
    // A view of elements 2..3 of a one-based array of four; the file holds
    // more values than the view. The values around the view stay.
    std::string path = tempPath("more-values.txt");
    writeFile(path, "10\n20\n30\n40\n");
    float a[5] = {0, -1.0f, -2.0f, -3.0f, -4.0f};
    CVector view;
    view.Attach(a, 2, 2);
    EXPECT_TRUE(view.Load(path.c_str()));
    EXPECT_EQ(view.nSize, 2u);
    EXPECT_EQ(a[1], -1.0f);
    EXPECT_EQ(a[2], 10.0f);
    EXPECT_EQ(a[3], 20.0f);
    EXPECT_EQ(a[4], -4.0f);
    std::remove(path.c_str());
}

TEST(CVector, OneSidedSmoothingKeepsAParabola)
{
    // A window of the point and the two after it (or before it) carries a
    // parabola exactly; at the far end the window shrinks to the point alone,
    // which is its own value.
    for (int side = 0; side < 2; side++) {
        CVector q(12);
        for (int i = 0; i < 12; i++) q.pData[i] = 0.25f * i * i - 2.0f * i + 3.0f;
        CVector q0(q);
        EXPECT_EQ(side == 0 ? q.Smooth(0, 2, 2) : q.Smooth(2, 0, 2), 1);
        for (int i = 0; i < 12; i++) EXPECT_NEAR(q.Get(i), q0.Get(i), 1e-4f) << side << " " << i;
    }
}
