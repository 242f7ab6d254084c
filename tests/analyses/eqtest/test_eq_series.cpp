// The series walk over scans in memory (cells, wavelengths, speeds, prefixes,
// the table limits) and the scan comparison.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analyses/eqtest/eq_test_state.h"
#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"

namespace {

struct Scan {
    int cell = 1;
    float wavelength = 280.0f;
    float rpm = 15000.0f;
    double time = 0.0;
    std::string name{};  // empty: "scanN.RA1"
};

// The scans in memory: radii 6.0..6.1, a signal that grows with the scan
// index, names as given.
void install(const std::vector<Scan>& scans)
{
    std::vector<scantest::MemoryScan> memory;
    for (size_t i = 0; i < scans.size(); ++i) {
        scantest::MemoryScan m;
        for (int k = 0; k < 11; ++k) {
            m.r.push_back(6.0f + 0.01f * k);
            m.s.push_back(0.1f * k + 0.01f * static_cast<float>(i));
        }
        m.time = scans[i].time;
        memory.push_back(m);
    }
    scantest::installScans(memory);
    for (int i = 1; i <= nScans; ++i) {
        const Scan& s = scans[i - 1];
        pScanHeaders[i].cell = s.cell;
        pScanHeaders[i].wavelength = s.wavelength;
        pScanHeaders[i].rpm = s.rpm;
        pScanHeaders[i].timeRead = s.time;
        const std::string name = s.name.empty() ? "scan" + std::to_string(i) + ".RA1" : s.name;
        std::snprintf(ppScanFileName[i], 260, "%s", name.c_str());
    }
}

std::vector<int> seriesScans(int s)
{
    std::vector<int> v;
    for (int k = 1; k <= pEqTestSeriesCount[s]; ++k) v.push_back(ppEqTestSeriesScans[s][k]);
    return v;
}

using V = std::vector<int>;

}  // namespace

TEST(EqSeriesWalk, WavelengthsWithinAGroupAndKeysNearOne)
{
    // 280.0 and 283.9 nm go together; 285.5 nm lies outside the group's window
    // but its key (1285) within 5 of the group's (1280): no series; 286.0 nm
    // starts a group of its own
    install({{1, 280.0f, 15000, 100}, {1, 283.9f, 15000, 200}, {1, 285.5f, 15000, 300}, {1, 286.0f, 15000, 400}});
    ASSERT_EQ(groupScanSeries(nullptr), 2);
    EXPECT_EQ(seriesScans(1), (V{1, 2}));
    EXPECT_EQ(seriesScans(2), (V{4}));
    // 285.0 nm, exactly 5 nm from the group's first scan, is not strictly
    // within its window either
    install({{1, 280.0f, 15000, 100}, {1, 283.9f, 15000, 200}, {1, 285.0f, 15000, 300}, {1, 286.0f, 15000, 400}});
    ASSERT_EQ(groupScanSeries(nullptr), 2);
    EXPECT_EQ(seriesScans(1), (V{1, 2}));
    EXPECT_EQ(seriesScans(2), (V{4}));

    // another cell at the same wavelength is another group; a series of one
    // scan does not count against a single cell, one of two does
    install({{1, 280.0f, 15000, 100}, {2, 280.0f, 15000, 200}, {1, 280.0f, 15000, 300}});
    ASSERT_EQ(groupScanSeries(nullptr), 2);
    EXPECT_EQ(seriesScans(1), (V{1, 3}));
    EXPECT_EQ(seriesScans(2), (V{2}));
    EXPECT_TRUE(bEqTestSingleCell);
    EXPECT_EQ(nEqTestSingleCellNumber, 1);
    install({{1, 280.0f, 15000, 100}, {2, 280.0f, 15000, 200}, {1, 280.0f, 15000, 300}, {2, 280.0f, 15000, 400}});
    ASSERT_EQ(groupScanSeries(nullptr), 2);
    EXPECT_FALSE(bEqTestSingleCell);
}

TEST(EqSeriesWalk, SpeedsOrderAndTheLatestScan)
{
    // three speeds give three series, ordered by speed; out of time order
    // within a series, stored earliest first with the latest scan last
    install({{1, 280, 30000, 9000}, {1, 280, 20000, 300}, {1, 280, 25000, 5000}, {1, 280, 20000, 100},
             {1, 280, 20000, 400}, {1, 280, 20000, 200}});
    ASSERT_EQ(groupScanSeries(nullptr), 3);
    EXPECT_EQ(seriesScans(1), (V{4, 6, 2, 5}));
    EXPECT_EQ(seriesScans(2), (V{3}));
    EXPECT_EQ(seriesScans(3), (V{1}));

    // the latest scan need not have the highest index; on equal whole
    // seconds the earlier scan stays the latest
    install({{1, 280, 20000, 500.2}, {1, 280, 20000, 100}, {1, 280, 20000, 500.9}});
    ASSERT_EQ(groupScanSeries(nullptr), 1);
    EXPECT_EQ(seriesScans(1), (V{2, 3, 1}));

    // with a rotor-speed profile the whole group is one series, every series
    // (the last one too) is at the latest speed and there is no top speed;
    // the flags start cleared, as the test command leaves them
    install({{1, 280, 20000, 100}, {2, 280, 20000, 150}, {1, 280, 25000, 200}, {2, 280, 25000, 250},
             {1, 280, 30000, 300}, {2, 280, 30000, 350}});
    bUsingSpeedSteps = 1;
    for (int s = 1; s <= nEqTestMaxSeries; ++s) pEqTestAtLatestSpeed[s] = 0;
    ASSERT_EQ(groupScanSeries(nullptr), 2);
    EXPECT_EQ(seriesScans(1), (V{1, 3, 5}));
    EXPECT_EQ(seriesScans(2), (V{2, 4, 6}));
    EXPECT_EQ(pEqTestAtLatestSpeed[1], 1);
    EXPECT_EQ(pEqTestAtLatestSpeed[2], 1);
    EXPECT_EQ(dEqTestTopSpeed, 0.0);
}

TEST(EqSeriesWalk, LatestSpeedFlagsTopSpeedAndExtensionGroups)
{
    install({{1, 280, 10000, 100, "00003.RA1"},
             {1, 280, 10000, 200, "00004.RA1"},
             {1, 280, 15000, 300, "00005.RA1"},
             {1, 280, 15000, 400, "00006.RA1"},
             {2, 280, 20000, 500, "00012.RA2"},
             {2, 280, 20000, 600, "00009.RA2"}});
    ASSERT_EQ(groupScanSeries(nullptr), 3);
    EXPECT_EQ(pEqTestAtLatestSpeed[1], 0);
    EXPECT_EQ(pEqTestAtLatestSpeed[2], 0);
    EXPECT_EQ(pEqTestAtLatestSpeed[3], 1);
    EXPECT_EQ(dEqTestTopSpeed, 20000.0);
    ASSERT_EQ(nEqTestGroups, 2);
    EXPECT_STREQ(pEqTestGroupNames[1], ".RA1");
    EXPECT_EQ(pEqTestGroupFirstScan[1], 3);
    EXPECT_STREQ(pEqTestGroupNames[2], ".RA2");
    EXPECT_EQ(pEqTestGroupFirstScan[2], 9);

    // a cell/wavelength pair on the excluded list is not included
    nEqTestExcluded = 1;
    pEqTestExcludedCell[1] = 2;
    pEqTestExcludedWavelength[1] = 283.0f;
    groupScanSeries(nullptr);
    EXPECT_EQ(pEqTestInclude[1], 1);
    EXPECT_EQ(pEqTestInclude[3], 0);
    // so is the last scan loaded, when it begins a series
    install({{1, 280, 10000, 100}, {2, 280, 10000, 200}});
    ASSERT_EQ(groupScanSeries(nullptr), 2);
    EXPECT_EQ(seriesScans(2), (V{2}));
    EXPECT_EQ(pEqTestInclude[1], 1);
    EXPECT_EQ(pEqTestInclude[2], 0);

    // a run taken back down to a middle speed: that series is flagged, the
    // top speed, last in speed order and flagged before, is not any more
    install({{1, 280, 10000, 100}, {1, 280, 15000, 200}, {1, 280, 20000, 300}});
    ASSERT_EQ(groupScanSeries(nullptr), 3);
    EXPECT_EQ(pEqTestAtLatestSpeed[3], 1);
    install({{1, 280, 10000, 100}, {1, 280, 20000, 200}, {1, 280, 15000, 300}});
    ASSERT_EQ(groupScanSeries(nullptr), 3);
    EXPECT_EQ(pEqTestAtLatestSpeed[1], 0);
    EXPECT_EQ(pEqTestAtLatestSpeed[2], 1);
    EXPECT_EQ(pEqTestAtLatestSpeed[3], 0);
    EXPECT_EQ(dEqTestTopSpeed, 20000.0);
}

TEST(EqSeriesWalk, PrefixModeFollowsTheFileNameNotTheFolder)
{
    // full paths all begin with '/': the letter that counts is the name's; the
    // inner and outer subsets of one cell and wavelength are series of their own
    install({{1, 280, 15000, 100, "/data/run/i00001.RA1"},
             {1, 280, 15000, 200, "/data/run/o00001.RA1"},
             {1, 280, 15000, 300, "/data/run/i00002.RA1"},
             {1, 280, 15000, 400, "/data/run/o00002.RA1"}});
    ASSERT_EQ(groupScanSeries(nullptr), 2);
    EXPECT_EQ(seriesScans(1), (V{1, 3}));
    EXPECT_EQ(seriesScans(2), (V{2, 4}));

    // the writing walk names the group's letter
    std::vector<char> letters;
    EqWalkActions actions;
    actions.groupStart = [&](const EqSeriesGroup& g) { letters.push_back(g.cPrefix); };
    walkEqScanSeries(5.0f, actions);
    EXPECT_EQ(letters, (std::vector<char>{'i', 'o'}));

    // without those letters there is no prefix
    install({{1, 280, 15000, 100, "/idata/run/a1.RA1"}, {1, 280, 15000, 200, "/odata/run/b1.RA1"}});
    ASSERT_EQ(groupScanSeries(nullptr), 1);
    letters.clear();
    walkEqScanSeries(5.0f, actions);
    EXPECT_EQ(letters, (std::vector<char>{'\0'}));
}

TEST(EqSeriesWalk, TableLimitsStopTheWalkWithOneBox)
{
    // 201 cell/wavelength groups: 200 recorded, one box
    std::vector<Scan> scans;
    for (int k = 0; k < 201; ++k) scans.push_back({1 + k / 50, 220.0f + 12.0f * (k % 50), 15000, 100.0 + k});
    install(scans);
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK).expectMessageBox("Error", win::IDOK).expectMessageBox("Error", win::IDOK);
    clearShownErrorMessages();
    EXPECT_EQ(groupScanSeries(nullptr), 200);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_NE(shownErrorMessages()[0].find("200"), std::string::npos);

    // 11 speeds in one group: 10 series
    scans.clear();
    for (int k = 0; k < 11; ++k) scans.push_back({1, 280.0f, 10000.0f + 1000.0f * k, 100.0 + k});
    install(scans);
    clearShownErrorMessages();
    EXPECT_EQ(groupScanSeries(nullptr), 10);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_NE(shownErrorMessages()[0].find("10 rotor speeds"), std::string::npos);

    // 51 groups of 10 speeds: 500 series
    scans.clear();
    for (int g = 0; g < 51; ++g)
        for (int k = 0; k < 10; ++k)
            scans.push_back({1 + g / 40, 220.0f + 12.0f * (g % 40), 10000.0f + 1000.0f * k, 100.0 + 10 * g + k});
    install(scans);
    clearShownErrorMessages();
    EXPECT_EQ(groupScanSeries(nullptr), 500);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_NE(shownErrorMessages()[0].find("500"), std::string::npos);
}

TEST(EqSeriesWalk, FileNumbersAndSwaps)
{
    install({{1, 280, 15000, 100, "00012.RA1"}, {1, 280, 20000, 200, "/data/0042b.RA1"},
             {1, 280, 25000, 300, "eq.RA1"}});
    EXPECT_EQ(scanFileNumber(1), 12);
    EXPECT_EQ(scanFileNumber(2), 42);
    EXPECT_EQ(scanFileNumber(3), 0);
    ASSERT_EQ(groupScanSeries(nullptr), 3);
    swapEqTestSeries(1, 3);
    EXPECT_EQ(seriesScans(1), (V{3}));
    EXPECT_EQ(seriesScans(3), (V{1}));
    swapEqTestSeries(1, 4);  // outside the series: nothing
    EXPECT_EQ(seriesScans(1), (V{3}));
}

TEST(EqScanComparison, OffsetFreeDifference)
{
    install({{1, 280, 15000, 100}, {1, 280, 15000, 200}, {1, 280, 15000, 300}});
    // scan 2 is scan 1 plus a constant; scan 3 adds a slope
    for (int k = 1; k <= 11; ++k) {
        ppSignal[1][k] = 0.5f * std::exp(ppRadius[1][k] - 6.0f);
        ppSignal[2][k] = ppSignal[1][k] + 0.25f;
        ppSignal[3][k] = ppSignal[1][k] + 0.2f * (ppRadius[1][k] - 6.05f);
    }
    EXPECT_EQ(eqTestScanRmsd(1, 1, 1, 11), 0.0f);
    EXPECT_NEAR(eqTestScanRmsd(2, 1, 1, 11), 0.0f, 1e-6f);
    // 0.2 x the population standard deviation of the radii 6.00..6.10
    EXPECT_NEAR(eqTestScanRmsd(3, 1, 1, 11), 0.2f * std::sqrt(0.001f), 2e-6f);
    EXPECT_EQ(eqTestScanRmsd(3, 1, 6, 5), 0.0f);   // empty range
    EXPECT_EQ(eqTestScanRmsd(0, 1, 1, 11), 0.0f);  // outside the scans

    // the capture keeps the differences and the reference radii
    float r[12] = {}, d[12] = {};
    bEqTestCaptureDiff = 1;
    pEqTestCaptureRadius = r;
    pEqTestCaptureSignal = d;
    nEqTestCaptureLength = 3;
    eqTestScanRmsd(3, 1, 2, 11);
    bEqTestCaptureDiff = 0;
    EXPECT_EQ(r[1], ppRadius[1][2]);
    EXPECT_EQ(r[3], ppRadius[1][4]);
    EXPECT_EQ(r[4], 0.0f);  // no more than asked
    EXPECT_NEAR(d[1], 0.2f * (ppRadius[1][2] - 6.055f), 1e-5f);

    // the fit range of the reference
    pFitFirstIndex[1] = 6;
    pFitLastIndex[1] = 11;
    EXPECT_NEAR(eqScanRmsdInFitRange(3, 1), 0.2f * std::sqrt(1e-4f * 35.0f / 12.0f), 1e-5f);
}

TEST(EqScanComparison, IntensityFilesCompareAsAbsorbance)
{
    install({{1, 280, 15000, 100, "a.RI1"}, {1, 280, 15000, 200, "b.RA1"}});
    ppThirdColumn[1] = vector(1, 11);
    for (int k = 1; k <= 11; ++k) {
        ppThirdColumn[1][k] = 1000.0f;  // the reference intensity
        ppSignal[1][k] = 100.0f;        // the sample: absorbance 1
    }
    ppThirdColumn[1][5] = 0.0f;
    ppSignal[1][7] = -1.0f;
    float v[12];
    eqComparisonValues(1, v);
    EXPECT_FLOAT_EQ(v[1], 1.0f);
    EXPECT_EQ(v[5], 10.0f);
    EXPECT_EQ(v[7], 10.0f);
    // each scan by its own extension
    eqComparisonValues(2, v);
    EXPECT_EQ(v[3], ppSignal[2][3]);
    EXPECT_TRUE(isIntensityScanFile(1));
    EXPECT_FALSE(isIntensityScanFile(2));
    // the third character of the extension, the dot counted, without a cell digit after it
    install({{1, 280, 15000, 100, "a.ri"}, {1, 280, 15000, 200, "b.R"}});
    EXPECT_TRUE(isIntensityScanFile(1));
    EXPECT_FALSE(isIntensityScanFile(2));
}
