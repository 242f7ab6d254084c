// Reading and writing radial scan files.
#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "app/app_globals.h"
#include "numerics/nrutil.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_test_files.h"

using scantest::ScanRecipe;
using scantest::TempFolder;

namespace {

// One read with its results, released at the end.
struct ReadResult {
    int ok = 0;
    ScanHeader h{};
    int n = 0;
    float* r = nullptr;
    float* s = nullptr;
    float* t = nullptr;
    unsigned char ts = 7;
    ~ReadResult() {
        free_vector(r, 1, n);
        free_vector(s, 1, n);
        free_vector(t, 1, n);
    }
};

void read(const std::string& path, ReadResult& rr, float res = 0.0f, bool third = true) {
    rr.ok = readScanFile(path.c_str(), &rr.h, &rr.n, &rr.r, &rr.s, third ? &rr.t : nullptr, &rr.ts, res);
}

class ScanFileTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        bElectrophoresisData = 0;
        bSetNColumns = 0;
        nDataColumns = 3;
        bDontLoadSpikes = 0;
        fSpikeLevel = 0.4f;
        fSpikeThresholdFDS = 100.0f;
    }
    TempFolder dir;
};

}  // namespace

TEST_F(ScanFileTest, EveryCompleteDataLineIsAPoint) {
    ScanRecipe recipe;
    recipe.signal = [](int i, float) { return 0.01f * i; };
    std::string text = scantest::scanText(recipe);
    scantest::writeText(dir.Path("a.RA1"), text);
    ReadResult a;
    read(dir.Path("a.RA1"), a);
    ASSERT_EQ(a.n, 100);  // the last line is a point like any other
    EXPECT_FLOAT_EQ(a.s[100], 1.0f);

    // Blank lines and CR line ends at the end of the file add no point, nor
    // does a page break (form feed, vertical tab). So do an incomplete last
    // line, trailing points at radius 0 and a line beginning with '0' after
    // the data (ordinary data).
    for (const char* tail : {"\r\n\r\n  \n", "\f\n\v\n", "6.1000 0.5\n", "   0.0 0.0 0.0\n   0.0 0.0 0.0\n",
                             "0 comment\n7.0 9.0 9.0\n"}) {
        scantest::writeText(dir.Path("b.RA1"), text + tail);
        ReadResult b;
        read(dir.Path("b.RA1"), b);
        EXPECT_EQ(b.n, 100) << tail;
    }
    // For electrophoresis data the '0' line is a data line.
    bElectrophoresisData = 1;
    scantest::writeText(dir.Path("f.RA1"), "title\nR 0 1000 280 1 0\n1.0 2.0 0\n0.5 3.0 0\n2.0 4.0 0\n");
    ReadResult f;
    read(dir.Path("f.RA1"), f);
    EXPECT_EQ(f.n, 3);
}

TEST_F(ScanFileTest, UnreadableFilesStopCleanly) {
    const char* bad[] = {
        "",                                        // empty
        "title without any line break",            //
        "title\nR 1 20.0 50000 1000 1e10 280 1",   // header without a line break
        "title\nR 1 20.0 50000 1000 1e10 280 1\n", // no data line
        "title\nX 1 20.0 50000 1000 1e10 280 1\n6.0 0.5 0\n6.1 0.5 0\n",  // unknown letter
        "title\nR 1 20.0 50000 1000 1e10 280 1\n0.0 0.5 0\n0.0 0.5 0\n",  // only radius 0
        // the same as data lines (a blank first: a '0' first ends the data)
        "title\nR 1 20.0 50000 1000 1e10 280 1\n 0.0 0.5 0\n 0.0 0.5 0\n",
        "title\nR 1 20.0 50000 1000 1e10 280 1\n 0.0 0.5 0\n",
        // Two numbers per line where three are needed: the block ends early.
        "title\nR 1 20.0 50000 1000 1e10 280 1\n6.0 0.5\n6.1 0.5\n6.2 0.5\n6.3 0.5\n6.4 0.5\n6.5 0.5\n",
    };
    for (const char* text : bad) {
        scantest::writeText(dir.Path("bad.RA1"), text);
        ReadResult rr;
        read(dir.Path("bad.RA1"), rr);
        EXPECT_EQ(rr.ok, 0) << text;
        EXPECT_EQ(rr.r, nullptr);
    }
    // A bad letter still leaves the title in the header.
    scantest::writeText(dir.Path("x.RA1"), "[T OK] run 7\nX 1 20 1 1 1 1 1\n6 1 0\n");
    ReadResult x;
    read(dir.Path("x.RA1"), x);
    EXPECT_EQ(x.ok, 0);
    EXPECT_STREQ(x.h.title, "[T OK] run 7");
    EXPECT_EQ(+x.h.timeStampChecked, 1);

    ScanHeader h;
    int n;
    float *r, *s;
    EXPECT_EQ(readScanFile(nullptr, &h, &n, &r, &s, nullptr, nullptr, 0.0f), 0);
    EXPECT_EQ(readScanFile(dir.Path("x.RA1").c_str(), &h, nullptr, &r, &s, nullptr, nullptr, 0.0f), 0);
}

TEST_F(ScanFileTest, TitleMarkersAndMeniscus) {
    ScanRecipe recipe;
    recipe.title = std::string(150, 'a');
    scantest::writeScan(dir, "long.RA1", recipe);
    ReadResult a;
    read(dir.Path("long.RA1"), a);
    EXPECT_EQ(std::strlen(a.h.title), 99u);

    recipe.title = "cell 1 [TIMESTAMP CORRECTED by 1.01]\tsecond part";
    scantest::writeScan(dir, "tab.RA1", recipe);
    ReadResult b;
    read(dir.Path("tab.RA1"), b);
    EXPECT_STREQ(b.h.title, "cell 1 [TIMESTAMP CORRECTED by 1.01]");
    EXPECT_EQ(+b.h.timeStampChecked, 1);

    recipe.title = "run 5.912 - meniscus set";
    scantest::writeScan(dir, "men.RA1", recipe);
    ReadResult c;
    read(dir.Path("men.RA1"), c);
    EXPECT_FLOAT_EQ(+c.h.titleMeniscus, 5.912f);
    EXPECT_EQ(c.ts, 0);
}

TEST_F(ScanFileTest, HeaderFieldsAndAcceleration) {
    // 60000 rpm, omega squared t of 800 s at full speed, 1000 s elapsed: a
    // linear ramp of 300 s from rest loses 200 s, a third of its length.
    ScanRecipe recipe;
    recipe.rpm = 60000.0f;
    recipe.time = 1000.0;
    double omega = 60000.0 * 2.0 * M_PI / 60.0;
    recipe.omega2t = omega * omega * 800.0;
    recipe.cell = 3;
    recipe.temperature = 20.5f;
    recipe.wavelength = 230;
    scantest::writeScan(dir, "acc.RA3", recipe);
    ReadResult a;
    read(dir.Path("acc.RA3"), a);
    ASSERT_EQ(a.ok, 1);
    EXPECT_EQ(+a.h.cell, 3);
    EXPECT_FLOAT_EQ(+a.h.temperature, 20.5f);
    EXPECT_DOUBLE_EQ(+a.h.timeRead, 1000.0);
    EXPECT_FLOAT_EQ(+a.h.wavelength, 230.0f);
    EXPECT_NEAR(+a.h.accelTime, 300.0, 0.01);
    EXPECT_NEAR(+a.h.accelRate, 200.0, 0.01);

    // More omega squared t than the plateau speed can give: no ramp.
    recipe.omega2t = omega * omega * 1200.0;
    scantest::writeScan(dir, "fast.RA3", recipe);
    ReadResult b;
    read(dir.Path("fast.RA3"), b);
    EXPECT_LT(+b.h.accelTime, 0.0);
    EXPECT_EQ(+b.h.accelRate, 1e6);
}

TEST_F(ScanFileTest, MergingOfClosePoints) {
    // Points 0.0004 cm apart with 0.001 cm resolution: groups of three that
    // start at their first point's radius.
    ScanRecipe recipe;
    recipe.points = 9;
    recipe.count = 2;  // count 2: the third column is read
    recipe.dr = 0.0004f;
    recipe.signal = [](int i, float) { return static_cast<float>(i); };
    scantest::writeScan(dir, "m.RA1", recipe);
    ReadResult a;
    read(dir.Path("m.RA1"), a, 0.001f);
    ASSERT_EQ(a.ok, 1);
    ASSERT_EQ(a.n, 3);
    EXPECT_NEAR(a.r[1], 6.0004f, 1e-5);
    EXPECT_NEAR(a.s[1], 2.0f, 1e-5);
    EXPECT_NEAR(a.r[2], 6.0016f, 1e-5);
    EXPECT_NEAR(a.s[2], 5.0f, 1e-5);
    EXPECT_NEAR(a.s[3], 8.0f, 1e-5);
    EXPECT_NEAR(a.t[3], 0.01f, 1e-7);  // layout with a third column averages it too

    ReadResult b;
    read(dir.Path("m.RA1"), b, 0.0f);
    EXPECT_EQ(b.n, 9);
}

TEST_F(ScanFileTest, SpikeRemoval) {
    // One point 0.5 OD above both neighbours.
    ScanRecipe recipe;
    recipe.points = 10;
    recipe.signal = [](int i, float) { return i == 5 ? 1.5f : 1.0f; };
    scantest::writeScan(dir, "s.RA1", recipe);
    ReadResult kept;
    read(dir.Path("s.RA1"), kept);
    EXPECT_EQ(kept.n, 10);

    bDontLoadSpikes = 1;
    ReadResult dropped;
    read(dir.Path("s.RA1"), dropped);
    ASSERT_EQ(dropped.n, 9);
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(dropped.s[i], 1.0f);
    EXPECT_FLOAT_EQ(dropped.r[5], 6.005f);

    // A jump of exactly the threshold is no spike.
    fSpikeLevel = 0.5f;
    ReadResult exact;
    read(dir.Path("s.RA1"), exact);
    EXPECT_EQ(exact.n, 10);

    // Points 1 and 2 are never dropped.
    fSpikeLevel = 0.4f;
    recipe.signal = [](int i, float) { return i == 2 ? 1.5f : 1.0f; };
    scantest::writeScan(dir, "s2.RA1", recipe);
    ReadResult second;
    read(dir.Path("s2.RA1"), second);
    EXPECT_EQ(second.n, 10);

    // Electrophoresis data are no absorbance data while they are read: a
    // jump in their raw signal is kept, with the fixed number of columns as
    // with their own layout, though the file before was absorbance data.
    bElectrophoresisData = 1;
    scantest::writeText(dir.Path("e.RA1"), "ep\nR 7 1500 280 1 0\n6.0 100 0\n6.1 100 0\n6.2 100 0\n"
                                           "6.3 100 0\n6.4 10 0\n6.5 100 0\n6.6 100 0\n");
    for (const unsigned char bFixed : {0, 1}) {
        bSetNColumns = bFixed;
        ReadResult ep;
        read(dir.Path("e.RA1"), ep);
        ASSERT_EQ(ep.n, 7) << "fixed number of columns: " << +bFixed;
        EXPECT_FLOAT_EQ(ep.s[5], 2.0f);  // log10(1000 / 10)
        EXPECT_FLOAT_EQ(ep.r[5], 6.4f);
    }
}

TEST_F(ScanFileTest, DataTypesAndLayouts) {
    // Interference: two numbers per point.
    ScanRecipe ip;
    ip.letter = 'P';
    ip.columns = 2;
    ip.points = 5;
    ip.signal = [](int i, float) { return 10.0f + i; };
    scantest::writeScan(dir, "i.IP1", ip);
    ReadResult a;
    read(dir.Path("i.IP1"), a);
    ASSERT_EQ(a.n, 5);
    EXPECT_EQ(a.s[5], 15.0f);
    EXPECT_EQ(a.t, nullptr);
    EXPECT_EQ(bInterferenceData, 1);
    EXPECT_EQ(bAbsorbanceData, 0);

    // Intensity: three numbers per point, the third column returned.
    ScanRecipe ri = ip;
    ri.letter = 'I';
    ri.columns = 3;
    scantest::writeScan(dir, "i.RI1", ri);
    ReadResult b;
    read(dir.Path("i.RI1"), b);
    ASSERT_NE(b.t, nullptr);
    EXPECT_FLOAT_EQ(b.t[2], 0.01f);
    EXPECT_EQ(bIntensityData, 1);

    // Fluorescence: the labels of the title fill the detector fields.
    ScanRecipe fl = ri;
    fl.letter = 'F';
    fl.title = "fds Voltage: 12.5 Gain: 3 Range: 7";
    scantest::writeScan(dir, "f.FI1", fl);
    ReadResult c;
    read(dir.Path("f.FI1"), c);
    EXPECT_FLOAT_EQ(+c.h.fluorVoltage, 12.5f);
    EXPECT_EQ(+c.h.fluorGain, 3);
    EXPECT_EQ(+c.h.fluorRange, 7);
    EXPECT_EQ(+c.h.timeStampChecked, 1);
    EXPECT_EQ(c.ts, 0);  // the caller learns that the title has no marker
    EXPECT_EQ(bAbsorbanceData, 1);

    // Electrophoresis: signal v > 0 becomes log10(1000 / v); the data end as 'R'.
    bElectrophoresisData = 1;
    scantest::writeText(dir.Path("e.RA1"),
                        "ep\nR 7 1500 280 2 0\n1.0 10 0\n2.0 0 0\n3.0 -1 0\n4.0 1000 0\n");
    ReadResult d;
    read(dir.Path("e.RA1"), d);
    ASSERT_EQ(d.n, 4);
    EXPECT_FLOAT_EQ(d.s[1], 2.0f);
    EXPECT_EQ(d.s[2], 0.0f);
    EXPECT_EQ(d.s[3], -1.0f);
    EXPECT_EQ(+d.h.dataType, 'R');
    EXPECT_DOUBLE_EQ(+d.h.time, 1500.0);
    EXPECT_EQ(+d.h.count, 2);
}

TEST_F(ScanFileTest, WriteThenReadKeepsPointsAndTimes) {
    ScanRecipe recipe;
    recipe.points = 50;
    recipe.title = "run 12";
    recipe.signal = [](int i, float) { return 0.3f + 0.01f * i; };
    std::string src = scantest::writeScan(dir, "orig.RA2", recipe);
    // An old write time, as a file copied from the instrument has.
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 500}};
    ASSERT_EQ(utimensat(AT_FDCWD, src.c_str(), times, 0), 0);

    ReadResult a;
    read(src, a);
    ASSERT_EQ(a.ok, 1);
    EXPECT_EQ(+a.h.fileTimesValid, 1);
    EXPECT_EQ(+a.h.timeStampChecked, 0);
    EXPECT_TRUE(writeScanFile(src.c_str(), a.n, a.r, a.s, a.t, nullptr, 0, &a.h));

    struct stat st {};
    ASSERT_EQ(stat(src.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 500);

    ReadResult b;
    read(src, b);
    ASSERT_EQ(b.ok, 1);
    ASSERT_EQ(b.n, a.n);
    EXPECT_STREQ(b.h.title, "[T OK]run 12");
    EXPECT_EQ(+b.h.timeStampChecked, 1);
    for (int i = 1; i <= a.n; ++i) {
        EXPECT_NEAR(b.r[i], a.r[i], 5e-5);
        EXPECT_NEAR(b.s[i], a.s[i], 1e-5 * std::fabs(a.s[i]));
    }
    EXPECT_NEAR(+b.h.omega2t, +a.h.omega2t, 1e-4 * a.h.omega2t);

    // A title with a marker is written as it is; interference keeps two columns.
    ScanRecipe ip;
    ip.letter = 'P';
    ip.columns = 2;
    ip.points = 3;
    ip.title = "[TIMESTAMP CORRECTED] fringes";
    std::string ipPath = scantest::writeScan(dir, "f.IP1", ip);
    ReadResult c;
    read(ipPath, c);
    writeScanFile(ipPath.c_str(), c.n, c.r, c.s, nullptr, nullptr, 1, &c.h);
    std::string text = scantest::readText(ipPath);
    EXPECT_EQ(text.rfind("[TIMESTAMP CORRECTED] fringes\nP 1 20.0 50000 1000 ", 0), 0u) << text;
    EXPECT_NE(text.find("\n   6.0020  5.00000e-01 \n"), std::string::npos) << text;

    // An elapsed time past the largest whole number the line holds (2^63 - 1,
    // about 9.22e18 s) is written as 0, never as a negative time.
    {
        ScanHeader h = c.h;
        h.fileTimesValid = 0;
        const double dPast = 1.0e19;
        ASSERT_GT(dPast, std::ldexp(1.0, 63));
        h.timeWritten = dPast;
        writeScanFile(ipPath.c_str(), c.n, c.r, c.s, nullptr, nullptr, 1, &h);
        text = scantest::readText(ipPath);
        EXPECT_EQ(text.rfind("[TIMESTAMP CORRECTED] fringes\nP 1 20.0 50000 0 ", 0), 0u) << text;
    }

    // An unopenable path writes nothing and says so on the console, in a line
    // of its own.
    testing::internal::CaptureStdout();
    writeScanFile(dir.Path("no/such/dir.RA1").c_str(), c.n, c.r, c.s, nullptr, nullptr, 0, &c.h);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\n\aAttention: could not open " + dir.Path("no/such/dir.RA1") + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("no/such/dir.RA1")));

    // A file the disk does not take whole (a full device) is no scan written.
    if (std::filesystem::is_character_file("/dev/full")) {
        ScanHeader h = c.h;
        h.fileTimesValid = 0;  // the device's times stay as they are
        EXPECT_FALSE(writeScanFile("/dev/full", c.n, c.r, c.s, nullptr, nullptr, 0, &h));
    }
}

TEST_F(ScanFileTest, PointsWithNumbersThatAreNotFiniteAreLeftOut) {
    // A nan radius in the middle, signals beyond the float range, inf and
    // nan: those points go, and the reader counts them. Text that is no
    // number still reads as 0, and a number too small for a float as 0.
    scantest::writeText(dir.Path("nf.RA1"),
                        "title\nR 1 20.0 50000 1000 1e10 280 1\n"
                        "6.000 0.5 0\n6.001 1e300 0\n6.002 0.6 0\nnan 0.7 0\n6.004 inf 0\n6.005 -nan 0\n"
                        "6.006 abc 0\n6.007 1e-300 0\n6.008 1e400 0\n6.009 0.9 0\n");
    ReadResult a;
    read(dir.Path("nf.RA1"), a, 0.0f, false);
    ASSERT_EQ(a.ok, 1);
    EXPECT_EQ(nScanFilePointsLeftOut, 5);
    ASSERT_EQ(a.n, 5);
    const float radii[] = {6.000f, 6.002f, 6.006f, 6.007f, 6.009f};
    const float signals[] = {0.5f, 0.6f, 0.0f, 0.0f, 0.9f};
    for (int j = 1; j <= 5; ++j) {
        EXPECT_FLOAT_EQ(a.r[j], radii[j - 1]) << j;
        EXPECT_FLOAT_EQ(a.s[j], signals[j - 1]) << j;
    }
    // The third column counts where the scan keeps it (intensity data).
    scantest::writeText(dir.Path("nf.RI1"), "title\nI 1 20.0 50000 1000 1e10 280 1\n6.0 100 50\n6.1 100 nan\n6.2 100 50\n");
    ReadResult b;
    read(dir.Path("nf.RI1"), b);
    EXPECT_EQ(nScanFilePointsLeftOut, 1);
    EXPECT_EQ(b.n, 2);
    // Each read counts afresh.
    ReadResult c;
    read(dir.Path("nf.RI1").substr(0, dir.Path("nf.RI1").size() - 7) + "none.RA1", c);
    EXPECT_EQ(nScanFilePointsLeftOut, 0);
}
