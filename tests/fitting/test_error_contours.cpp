// Error contour maps of s and D of the example's species (4.3 S, 6.1e-7
// cm^2/s, noise 0.004): the grid sizes, the order of a full map, where its
// smallest rmsd lies, the walk along a contour and its interpolated
// crossings, levels no refit crosses, keys during a map, the progress lines
// and the commands' questions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "fitting/discrete_fit_fixture.h"
#include "fitting/error_contours.h"
#include "fitting/f_statistics.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/random.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// The numbers of each line of a text file.
std::vector<std::vector<float>> readRows(const std::string& path)
{
    std::vector<std::vector<float>> rows;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ss(line);
        std::vector<float> row;
        float f;
        while (ss >> f) row.push_back(f);
        rows.push_back(row);
    }
    return rows;
}

class ContourTest : public DiscreteFitTest {
protected:
    // The example with s and D floated, fitted.
    void bestFit()
    {
        seedRandomNumbers(3);
        exampleModel("6.1", "4.3", true, "0.02", true);
        ASSERT_EQ(window->RunFit(), 1);
    }
    std::string file(const char* szName) const { return scratch + "/" + szName; }
};

}  // namespace

TEST(ContourGridTest, AxisSizesAndTheFifteenProgressLines)
{
    EXPECT_EQ(contourGridSize(1.0f, 2.0f, 0.25f), 5);
    EXPECT_EQ(contourGridSize(0.0f, 1.0f, 0.1f), 11);
    // (4.2 - 4.0) / 0.1 is 1.9999981 in single precision: the guard makes it 2 steps
    EXPECT_EQ(contourGridSize(4.0f, 4.2f, 0.1f), 3);
    EXPECT_EQ(contourGridSize(4.0f, 4.5f, 0.25f), 3);
    // line k at y = 20 k + 10; the 16th comes back to the height of the first
    int y[17] = {};
    for (int k = 1; k <= 16; ++k) y[k] = showGridPointProgress(nullptr, 4.3f, 6.1f, 0.004f, k);
    EXPECT_EQ(y[1], 30);
    EXPECT_EQ(y[15], 310);
    EXPECT_EQ(y[16], y[1]);
}

// Each grid point of a map is printed at x = 350 on its line: the pixels
// of the progress line are those of its text written there.
TEST_F(ContourTest, TheProgressOfAMapStandsAtXThreeHundredAndFifty)
{
    TXLAWindow* w = window.get();
    const RECT box = {300, 90, 800, 130};
    WhiteOut(box);
    const std::vector<COLORREF> blank = PixelsOf(box);
    nGridProgressLine = 3;  // the next is line 4, at y = 90
    ASSERT_EQ(showGridPointProgress(w, 4.3f, 6.1f, 0.004f, 7), 90);
    const std::vector<COLORREF> shown = PixelsOf(box);
    EXPECT_FALSE(shown == blank);
    WhiteOut(box);
    TextAt(350, 90, "7: (4.30 , 6.10) 0.004000");
    EXPECT_TRUE(PixelsOf(box) == shown);
}

TEST_F(ContourTest, AFullMapRunsAsASerpentineFromTheStartPoint)
{
    bestFit();
    const float fBestD = pParamValue[1];
    // three columns of s only through the guard of the grid size
    errorContourSM(window.get(), file("map.dat").c_str(), 4.0f, 4.2f, 0.1f, 6.0f, 6.5f, 0.5f, 0.0f, 4.0f, 6.0f);
    const std::vector<std::vector<float>> rows = readRows(file("map.dat"));
    ASSERT_EQ(rows.size(), 6u);
    const float order[6][2] = {{4.0f, 6.0f}, {4.0f, 6.5f}, {4.1f, 6.5f}, {4.1f, 6.0f}, {4.2f, 6.0f}, {4.2f, 6.5f}};
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(rows[i].size(), 3u);
        EXPECT_FLOAT_EQ(rows[i][0], order[i][0]) << i;
        EXPECT_FLOAT_EQ(rows[i][1], order[i][1]) << i;
        EXPECT_GT(rows[i][2], 0.004f) << i;
    }
    // the mapped flags stay cleared, the vector at the last point, the
    // tolerance and the stop flag as before
    EXPECT_EQ(pParamFloat[5] + pParamFloat[1] + pSpeciesSFloat[1] + pSpeciesMwFloat[1], 0);
    EXPECT_FLOAT_EQ(pParamValue[5], 4.2f);
    EXPECT_FLOAT_EQ(pParamValue[1], 6.5f);
    EXPECT_NE(fBestD, 6.5f);
    EXPECT_FLOAT_EQ(fTolerance, 0.01f);
    EXPECT_FALSE(bStopFit);
    EXPECT_EQ(pContourTable, nullptr);
}

TEST_F(ContourTest, TheSmallestRmsdOfAFullMapLiesAtThePointNearestTheTruth)
{
    bestFit();
    // s 4.25, 4.3125, 4.375; D 5.875 to 6.375 by 0.125: nearest (4.3125, 6.125)
    errorContourSM(window.get(), file("map.dat").c_str(), 4.25f, 4.375f, 0.0625f, 5.875f, 6.375f, 0.125f, 0.0f,
                   4.25f, 5.875f);
    const std::vector<std::vector<float>> rows = readRows(file("map.dat"));
    ASSERT_EQ(rows.size(), 15u);
    size_t nBest = 0;
    for (size_t i = 1; i < rows.size(); ++i)
        if (rows[i][2] < rows[nBest][2]) nBest = i;
    EXPECT_FLOAT_EQ(rows[nBest][0], 4.3125f);
    EXPECT_FLOAT_EQ(rows[nBest][1], 6.125f);
}

TEST_F(ContourTest, TheWalkAlongTheCriticalContourEnclosesTheBestFit)
{
    bestFit();
    const float fS = pParamValue[5], fD = pParamValue[1];
    const float fLevel = static_cast<float>(std::sqrt(criticalVarianceRatio(0.683, fittedPointCount())) * fRmsd);
    const float fLevel95 = static_cast<float>(std::sqrt(criticalVarianceRatio(0.95, fittedPointCount())) * fRmsd);
    // the s range of the region within a level, D refitted at each s: the
    // interval search of the F-statistics (fixes s from here on)
    float fLower = 0.0f, fUpper = 0.0f;
    ASSERT_EQ(errorIntervalS(window.get(), 0.01f, fLevel95, &fLower, &fUpper), nLowerBoundFound | nUpperBoundFound);
    errorContourSM(window.get(), file("contour.dat").c_str(), 4.29f, 4.31f, 0.0025f, 5.9f, 6.3f, 0.05f, fLevel, 4.29f,
                   6.1f);
    const std::vector<std::vector<float>> points = readRows(file("contour.dat"));
    ASSERT_GE(points.size(), 5u);
    float sMin = 1e9f, sMax = -1e9f, dMin = 1e9f, dMax = -1e9f;
    for (const std::vector<float>& p : points) {
        ASSERT_EQ(p.size(), 2u);
        sMin = std::fmin(sMin, p[0]);
        sMax = std::fmax(sMax, p[0]);
        dMin = std::fmin(dMin, p[1]);
        dMax = std::fmax(dMax, p[1]);
    }
    EXPECT_EQ(points.front(), points.back());  // closed
    // each point lies where the line between its two refits crosses the
    // level: the model there has the level's rmsd, to the curvature of the
    // rmsd over one grid step (5e-4 of it here; the mirrored fraction misses
    // by up to 6e-3)
    for (const std::vector<float>& p : points) {
        pParamValue[5] = pSpeciesS[1] = p[0];
        pParamValue[1] = pSpeciesMw[1] = p[1];
        window->CalcModel();
        EXPECT_NEAR(calcRmsd(), fLevel, 1e-3f * fLevel) << p[0] << " " << p[1];
    }
    EXPECT_LT(sMin, fS);
    EXPECT_GT(sMax, fS);
    EXPECT_LT(dMin, fD);
    EXPECT_GT(dMax, fD);
    if (std::getenv("MORVEX_TEST_FIGURES"))
        std::printf("%zu contour points: s %.4f-%.4f, D %.3f-%.3f around %.4f, %.3f\n", points.size(), sMin, sMax, dMin,
                    dMax, fS, fD);

    // a grid of two by two points, from the best fit (inside the level) to
    // 4.28 S and 6.5e-7 cm^2/s (beyond it): the walk runs until its table of
    // four rows is full, each point refitted once (one progress line each),
    // and writes the crossings, which lie on the grid's edges
    nGridProgressLine = 0;
    errorContourSM(window.get(), file("small.dat").c_str(), 4.28f, 4.30f, 0.02f, 6.1f, 6.5f, 0.4f, fLevel, 4.28f,
                   6.1f);
    EXPECT_EQ(nGridProgressLine, 4);
    const std::vector<std::vector<float>> crossings = readRows(file("small.dat"));
    EXPECT_GE(crossings.size(), 1u);
    for (const std::vector<float>& p : crossings) {
        ASSERT_EQ(p.size(), 2u);
        EXPECT_TRUE(p[0] == 4.28f || p[0] == 4.30f || p[1] == 6.1f || p[1] == 6.5f) << p[0] << " " << p[1];
        EXPECT_GE(p[0], 4.28f);
        EXPECT_LE(p[0], 4.30f);
        EXPECT_GE(p[1], 6.1f);
        EXPECT_LE(p[1], 6.5f);
    }

    // at the 95 % level on columns 0.003 S apart the walk, on its way back
    // in s, crosses the level on the first point of the column of 4.3 S and
    // again on the next one (a corner of the contour): it goes back to the
    // row of that crossing, on to the next column and round the whole
    // contour. The region inside the level, projected on s, is the interval
    // of s with D refitted, so the contour's points reach each of its ends
    // to within a column
    errorContourSM(window.get(), file("corner.dat").c_str(), 4.285f, 4.315f, 0.003f, 5.8f, 6.35f, 0.05f, fLevel95,
                   4.297f, 6.25f);
    const std::vector<std::vector<float>> round = readRows(file("corner.dat"));
    ASSERT_GE(round.size(), 5u);
    float sLeft = 1e9f, sRight = -1e9f;
    for (const std::vector<float>& p : round) {
        ASSERT_EQ(p.size(), 2u);
        sLeft = std::fmin(sLeft, p[0]);
        sRight = std::fmax(sRight, p[0]);
    }
    EXPECT_GT(sLeft, fLower - 5e-4f);
    EXPECT_LT(sLeft, fLower + 0.003f);
    EXPECT_LT(sRight, fUpper + 5e-4f);
    EXPECT_GT(sRight, fUpper - 0.003f);
    if (std::getenv("MORVEX_TEST_FIGURES"))
        std::printf("95 %%: %zu contour points, s %.5f-%.5f; interval %.5f-%.5f\n", round.size(), sLeft, sRight,
                    fLower, fUpper);

    // from the lower left corner of the grid (the commands' default start)
    // the walk climbs the first column, comes down the next ones to the
    // bottom row and starts columns there and on the first column again
    // before it gets back to the corner; only the whole way round encloses
    // the best fit and spans the interval of s (steps exact in binary, so
    // the walk meets the grid's edges exactly)
    errorContourSM(window.get(), file("from_corner.dat").c_str(), 4.2890625f, 4.3125f, 0.00390625f, 5.875f, 6.375f,
                   0.125f, fLevel95, 4.2890625f, 5.875f);
    const std::vector<std::vector<float>> fromCorner = readRows(file("from_corner.dat"));
    ASSERT_GE(fromCorner.size(), 5u);
    EXPECT_EQ(fromCorner.front(), fromCorner.back());
    sLeft = dMin = 1e9f;
    sRight = dMax = -1e9f;
    for (const std::vector<float>& p : fromCorner) {
        ASSERT_EQ(p.size(), 2u);
        sLeft = std::fmin(sLeft, p[0]);
        sRight = std::fmax(sRight, p[0]);
        dMin = std::fmin(dMin, p[1]);
        dMax = std::fmax(dMax, p[1]);
    }
    EXPECT_LT(dMin, fD);
    EXPECT_GT(dMax, fD);
    EXPECT_GT(sLeft, fLower - 5e-4f);
    EXPECT_LT(sLeft, fLower + 0.0039f);
    EXPECT_LT(sRight, fUpper + 5e-4f);
    EXPECT_GT(sRight, fUpper - 0.0039f);
    if (std::getenv("MORVEX_TEST_FIGURES"))
        std::printf("from the corner: %zu contour points, s %.5f-%.5f, D %.3f-%.3f\n", fromCorner.size(), sLeft,
                    sRight, dMin, dMax);

    // a level above every refitted rmsd: no crossing, an empty file. The
    // rmsd keeps its side everywhere, so the walk goes along each of the
    // three columns whole and refits all six points of the 3 x 2 grid once
    // (six progress lines): the middle column, walked down, turns on the
    // bottom row, and the last column starts on that row, as a column does
    // after a turn anywhere else
    nGridProgressLine = 0;
    errorContourSM(window.get(), file("none.dat").c_str(), 4.0f, 4.5f, 0.25f, 6.0f, 6.5f, 0.5f, 1.0f, 4.0f, 6.0f);
    EXPECT_EQ(nGridProgressLine, 6);
    EXPECT_TRUE(std::filesystem::exists(file("none.dat")));
    EXPECT_EQ(std::filesystem::file_size(file("none.dat")), 0u);
}

TEST_F(ContourTest, AKeyEndsTheMapWithTheRowsRefittedBeforeIt)
{
    bestFit();
    headless::Script script;
    // other input first, then the key: it comes during the fourth grid point or so
    for (int k = 0; k < 60; ++k)
        script.mouse(WM_MOUSEMOVE, 500 + k, 300).mouse(WM_LBUTTONUP, 500 + k, 300);
    script.pressKey(VK_SPACE);
    errorContourSM(window.get(), file("map.dat").c_str(), 4.0f, 4.5f, 0.125f, 5.5f, 6.5f, 0.25f, 0.0f, 4.0f, 5.5f);
    const std::vector<std::vector<float>> rows = readRows(file("map.dat"));
    ASSERT_GE(rows.size(), 1u);
    EXPECT_LT(rows.size(), 25u);
    // the serpentine's first points, each with a refitted rmsd
    for (size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 3u);
        EXPECT_FLOAT_EQ(rows[i][0], 4.0f + 0.125f * static_cast<float>(i / 5)) << i;
        EXPECT_GT(rows[i][2], 0.004f) << i;
    }
    EXPECT_FALSE(bStopFit);
    if (std::getenv("MORVEX_TEST_FIGURES"))
        std::printf("the key came after %zu of 25 grid points\n", rows.size());
}

TEST_F(ContourTest, TheCommandsAskTheirRangesAndRefuseAnIncrementThatLeadsNowhere)
{
    bestFit();
    const std::string path = file("from command.dat");
    {
        headless::Script script;
        script.expectInput("minimum s", "4.0")
            .expectInput("maximum s", "4.5")
            .expectInput("s increment", "0.25")
            .expectInput("minimum M", "6.0")
            .expectInput("maximum M", "6.5")
            .expectInput("M increment", "0.5")
            .expectInput("rmsd contour level (0 for all)", "0")
            .expectInput("starting s1", "4.0")
            .expectInput("starting s2", "6.0")
            .expectSaveFile("save generated data as", path);
        command(241);
        EXPECT_EQ(script.pending(), 0u);
        for (const std::string& l : script.lines())
            if (l.compare(0, 5, "Input") == 0) {
                EXPECT_NE(l.find("\"s1 and M Contour\""), std::string::npos) << l;
            }
        bool bDefaultName = false;
        for (const std::string& l : script.lines())
            if (l.find("save generated data as") != std::string::npos && l.find("contour.dat") != std::string::npos)
                bDefaultName = true;
        EXPECT_TRUE(bDefaultName);
        // each increment is offered as a fifth of the range just typed: 0.5 / 5
        // for s from 4.0 to 4.5 and for M from 6.0 to 6.5
        int nFifth = 0;
        for (const std::string& l : script.lines())
            if (l.rfind("Input \"s1 and M Contour\" \"s increment\" \"0.100000\"", 0) == 0 ||
                l.rfind("Input \"s1 and M Contour\" \"M increment\" \"0.100000\"", 0) == 0)
                ++nFifth;
        EXPECT_EQ(nFifth, 2);
    }
    EXPECT_EQ(readRows(path).size(), 6u);

    // an increment against the range, or one of 0 that never gets from the
    // minimum to the maximum: refused, nothing computed
    headless::Script refused;
    refused.expectInput("minimum s", "4.5")
        .expectInput("maximum s", "4.0")
        .expectInput("s increment", "0.25")
        .expectMessageBox("the increment must lead from the minimum to the maximum", IDOK)
        .expectInput("minimum s", "4.0")
        .expectInput("maximum s", "4.5")
        .expectInput("s increment", "0")
        .expectMessageBox("the increment must lead from the minimum to the maximum", IDOK);
    command(241);
    command(241);
    EXPECT_EQ(refused.pending(), 0u);

    // the K and s1,s2 maps belong to the self-association models
    headless::Script other;
    other.expectMessageBox("the K contour needs a self-association model", IDOK)
        .expectMessageBox("the s1,s2 contour needs a self-association model", IDOK);
    command(245);
    command(244);
    EXPECT_EQ(other.pending(), 0u);

    // a set of one scan is data to map as well: the commands answer as before
    std::vector<std::string> one = copyVelocityExampleScans(scratch + "/one");
    one.resize(1);
    LoadScans(one);
    ASSERT_EQ(nScans, 1);
    headless::Script single;
    single.expectMessageBox("the K contour needs a self-association model", IDOK)
        .expectMessageBox("the s1,s2 contour needs a self-association model", IDOK)
        .expectInputCancel("minimum s");
    command(245);
    command(244);
    command(241);
    EXPECT_EQ(single.pending(), 0u);
}

TEST_F(ContourTest, TheSelfAssociationMapsTakeLgKAndBothS)
{
    seedRandomNumbers(3);
    LoadScans(copyVelocityExampleScans(scratch + "/velocity"));
    command(197);  // monomer-dimer, described by D
    ASSERT_TRUE(bModelMonomerDimer);
    bUseMolarMass = 0;
    pSpeciesMw[1] = 6.1f;   // entry 1: monomer D
    pSpeciesMw[3] = 3.0f;   // entry 3: lg K
    pSpeciesS[1] = 4.3f;    // entry 5
    pSpeciesS[2] = 6.0f;    // entry 6
    pSpeciesConc[3] = 0.8f; // entry 11
    globalsToParamVector();
    pParamValue[13] = fMeniscus = 6.0f;
    pParamValue[14] = fBottom = 7.2f;
    fFitLeftLim = 6.05f;
    updateLeftFitLimit();
    fFitRightLim = 7.1f;
    updateRightFitLimit();
    pParamFloat[3] = nFitSALog10Ka = 1;
    paramVectorToGlobals();

    // in each self-association model the K and s1,s2 commands ask their
    // ranges (a Cancel ends them)
    unsigned char* const models[] = {&bModelMonomerDimer, &bModelMonomerTrimer, &bModelSelfAssoc124,
                                     &bModelSelfAssoc148};
    for (unsigned char* pModel : models) {
        for (unsigned char* p : models) *p = 0;
        *pModel = 1;
        headless::Script asks;
        asks.expectInputCancel("minimum lg(K)").expectInputCancel("minimum s1");
        command(245);
        command(244);
        EXPECT_EQ(asks.pending(), 0u);
        for (const std::string& l : asks.lines())
            EXPECT_EQ(l.find("needs a self-association model"), std::string::npos) << l;
    }
    for (unsigned char* p : models) *p = 0;
    bModelMonomerDimer = 1;

    errorContourK(window.get(), file("k.dat").c_str(), 2.0f, 4.0f, 1.0f);
    const std::vector<std::vector<float>> rows = readRows(file("k.dat"));
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(rows[i].size(), 2u);
        EXPECT_FLOAT_EQ(rows[i][0], 2.0f + i);
        EXPECT_TRUE(std::isfinite(rows[i][1]) && rows[i][1] > 0.0f) << i;
    }
    EXPECT_EQ(pParamFloat[3] + nFitSALog10Ka, 0);
    EXPECT_FLOAT_EQ(fSALog10Ka, 4.0f);
    // the profile's table stays until the next map
    ASSERT_NE(pContourTable, nullptr);
    EXPECT_EQ(nContourRows, 3);
    EXPECT_FLOAT_EQ(pContourTable[2][1], 3.0f);

    // the dimer s floated before the map: the map clears its flag, as it does
    // the monomer's, so that no refit moves it off the grid point
    pParamFloat[6] = nFitSAOligomerS = 1;
    errorContourS1S2(window.get(), file("s1s2.dat").c_str(), 4.0f, 4.5f, 0.5f, 6.0f, 7.0f, 1.0f, 0.0f, 4.0f, 6.0f);
    const std::vector<std::vector<float>> map = readRows(file("s1s2.dat"));
    ASSERT_EQ(map.size(), 4u);
    EXPECT_FLOAT_EQ(map[1][0], 4.0f);
    EXPECT_FLOAT_EQ(map[1][1], 7.0f);
    EXPECT_FLOAT_EQ(map[3][0], 4.5f);
    EXPECT_FLOAT_EQ(map[3][1], 6.0f);
    EXPECT_FLOAT_EQ(fSAMonomerS, 4.5f);
    EXPECT_FLOAT_EQ(fSAOligomerS, 6.0f);
    EXPECT_EQ(pParamFloat[5] + pParamFloat[6] + nFitSAMonomerS + nFitSAOligomerS, 0);
    EXPECT_EQ(pContourTable, nullptr);  // the profile's table went with the new map
    // nothing floats here: each point's rmsd is that of the model with the
    // monomer and dimer s put in as species 1 and 2 and computed anew
    for (const std::vector<float>& p : map) {
        pSpeciesS[1] = p[0];
        pSpeciesS[2] = p[1];
        globalsToParamVector();
        paramVectorToGlobals();
        window->CalcModel();
        EXPECT_NEAR(p[2], calcRmsd(), 1e-5f) << p[0] << " " << p[1];
    }
}
