// Equilibrium rotor speeds, s from boundary-element output, the power-law
// calibration of c(M) and the minimum s of logarithmic grids.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "plot/cwinplot.h"
#include "tools/calculators/calculator_fixture.h"
#include "tools/calculators/calculators.h"
#include "tools/exports/hydrodynamic_exports.h"

using namespace win;

namespace {

constexpr const char* kEqTitle = "CALCULATE MINIMUM TIME TO EQ";

class RotorSpeedTest : public CalculatorTest {
protected:
    void SetUp() override
    {
        CalculatorTest::SetUp();
        VBAR = 0.73f;
        fBufferDensity = 1.0f;
        fVbarRho = VBAR * fBufferDensity;
    }
    // The mean over r^2 of a profile on n points from rm to rb (trapezoids in r^2).
    static double meanOverRSquared(const std::vector<double>& r, const std::vector<double>& c)
    {
        double dSum = 0.0;
        for (size_t i = 1; i < r.size(); ++i) dSum += (r[i] * r[i] - r[i - 1] * r[i - 1]) * (c[i] + c[i - 1]) / 2.0;
        return dSum / (r.back() * r.back() - r.front() * r.front());
    }
};

TEST_F(RotorSpeedTest, ThreeSpeedsProfilesAndTime)
{
    headless::Script script;
    script.expectInput("lowest Mw", "10000")
        .expectInput("highest Mw", "100000")
        .expectInput("bottom (cm)", "7.2")
        .expectMessageBox("for predicting meniscus position", IDOK)
        .expectInput("meniscus (cm)", "6.7")
        .expectMessageBox("first rotor speed", IDOK);
    Run(script, 875);
    ASSERT_EQ(script.pending(), 0u);
    // the bottom offered is 7.2 cm, the meniscus 6.7 cm
    int nOffered = 0;
    for (const std::string& l : script.lines())
        if (l.rfind("Input \"ESTIMATE EQ ROTOR SPEED\" \"bottom (cm)\" \"7.200000\"", 0) == 0 ||
            l.rfind("Input \"ESTIMATE EQ ROTOR SPEED\" \"meniscus (cm)\" \"6.700000\"", 0) == 0)
            ++nOffered;
    EXPECT_EQ(nOffered, 2);
    const std::string t = boxText(script, kEqTitle);
    EXPECT_NE(t.find("first rotor speed of 6000 rpm brings highest Mw in c(b)/c(m) = 5.0"), std::string::npos) << t;
    EXPECT_NE(t.find("second rotor speed of 22700 rpm brings lowest Mw in c(b)/c(m) = 10.0"), std::string::npos);
    EXPECT_NE(t.find("third rotor speed of 39000 rpm"), std::string::npos);
    EXPECT_NE(t.find("would need at least 92 h"), std::string::npos) << t;

    // the plot: radius grid and nine profiles, high, low and mean per speed
    ASSERT_NE(pAuxPlot, nullptr);
    EXPECT_EQ(pAuxPlot->nCurves, 9);
    EXPECT_EQ(nAuxArrayLength, 100);
    EXPECT_FLOAT_EQ(pAuxArray1[1], 6.7f);
    EXPECT_FLOAT_EQ(pAuxArray1[100], 7.2f);
    EXPECT_EQ(pAuxPlot->GetCurveColor(0), RGB(255, 0, 0));
    EXPECT_EQ(pAuxPlot->GetCurveColor(4), RGB(0, 0, 255));
    EXPECT_EQ(pAuxPlot->GetCurveColor(8), RGB(0, 0, 0));
    // at the first speed the highest mass has c(b)/c(m) = 5 (the speed is
    // rounded down), the lowest at the second 10
    EXPECT_NEAR(pAuxArray2[100] / pAuxArray2[1], 5.0, 0.05);
    EXPECT_NEAR(pAuxArray6[100] / pAuxArray6[1], 10.0, 0.2);
    EXPECT_LE(pAuxArray7[1], 0.01f);  // the third depletes the meniscus
    for (int i = 1; i <= 100; ++i) EXPECT_FLOAT_EQ(pAuxArray8[i], 0.5f * (pAuxArray2[i] + pAuxArray5[i]));
    // the shallow profile keeps the loading concentration on the display grid too
    std::vector<double> r, c;
    for (int i = 1; i <= 100; ++i) r.push_back(pAuxArray1[i]), c.push_back(pAuxArray2[i]);
    EXPECT_NEAR(meanOverRSquared(r, c), 1.0, 1e-3);
}

// Each profile is normalised to the loading concentration: its mean over
// the sector (over r^2) is 1, steep or flat.
TEST_F(RotorSpeedTest, ProfilesHoldTheLoadingConcentration)
{
    const double rm = 6.7, rb = 7.2;
    for (double dMass : {10000.0, 100000.0})
        for (double dRpm : {0.0, 6000.0, 22700.0, 39000.0}) {
            std::vector<double> r, c;
            for (int i = 0; i <= 20000; ++i) {
                r.push_back(rm + (rb - rm) * i / 20000.0);
                c.push_back(equilibriumProfile(dMass, dRpm, r.back(), rm, rb));
            }
            EXPECT_NEAR(meanOverRSquared(r, c), 1.0, 1e-5) << dMass << " at " << dRpm;
        }
    // no rotation: flat
    EXPECT_EQ(equilibriumProfile(10000.0, 0.0, 6.9, rm, rb), 1.0);
}

TEST_F(RotorSpeedTest, MassesAndGeometryWithoutASpeedOfARotorAreRefused)
{
    // masses that are not above 0, and crossed ones (the lowest above the
    // highest was reported under the other's labels)
    const struct {
        const char *low, *high, *refusal;
    } masses[] = {{"0", "0", "must be above 0"},
                  {"200000", "100000", "the lowest Mw of interest must not be above the highest"}};
    for (const auto& m : masses) {
        headless::Script script;
        script.expectInput("lowest Mw", m.low)
            .expectInput("highest Mw", m.high)
            .expectInput("bottom (cm)", "7.2")
            .expectMessageBox(m.refusal, IDOK);
        Run(script, 875);
        EXPECT_EQ(script.pending(), 0u) << m.refusal;
    }
    // after the meniscus: a bottom not beyond it, and masses that ask for a
    // speed beyond any rotor (1e-20 Da asked for 18985630201544704 rpm and
    // "at least 0 h"; a lowest mass of 300 Da alone for 131100 rpm) or below
    // the slowest (5e8 Da was brought to c(b)/c(m) = 5 at 0 rpm, 1e8 Da at 100 rpm)
    const struct {
        const char *low, *high, *bottom, *refusal;
    } cases[] = {{"10000", "100000", "6.5", "the bottom must lie beyond the meniscus"},
                 {"1e-20", "1e-20", "7.2", "rotor speeds of 18985630201544704 and 22708881515872256 rpm, beyond the "
                                           "60000 rpm of the fastest rotor"},
                 {"300", "100000", "7.2", "rotor speeds of 6000 and 131100 rpm, beyond the 60000 rpm"},
                 {"1e6", "5e8", "7.2", "rotor speeds of 0 and 2200 rpm, below the 1000 rpm a rotor runs at least"},
                 {"1e8", "1e8", "7.2", "rotor speeds of 100 and 200 rpm, below the 1000 rpm"}};
    for (const auto& c : cases) {
        headless::Script script;
        script.expectInput("lowest Mw", c.low)
            .expectInput("highest Mw", c.high)
            .expectInput("bottom (cm)", c.bottom)
            .expectMessageBox("for predicting meniscus position", IDOK)
            .expectInput("meniscus (cm)", "6.7")
            .expectMessageBox(c.refusal, IDOK);
        Run(script, 875);
        EXPECT_EQ(script.pending(), 0u) << c.refusal;
    }
    // particles as dense as the buffer, or lighter, never come to a
    // sedimentation equilibrium at any speed
    for (const float fVbar : {1.0f, 1.2f}) {
        VBAR = fVbar;
        fBufferDensity = 1.0f;
        headless::Script script;
        script.expectInput("lowest Mw", "10000")
            .expectInput("highest Mw", "100000")
            .expectInput("bottom (cm)", "7.2")
            .expectMessageBox("for predicting meniscus position", IDOK)
            .expectInput("meniscus (cm)", "6.7")
            .expectMessageBox("the particles must sediment: 1 - density x vbar must be above 0", IDOK);
        Run(script, 875);
        EXPECT_EQ(script.pending(), 0u) << fVbar;
    }
    EXPECT_EQ(pAuxPlot, nullptr);
}

// ---------------------------------------------------------------- boundary-element output

struct Model {
    double dTriangles, dD;
};

class BestOutputTest : public CalculatorTest {
protected:
    std::string WriteOutput(const std::string& name, const std::vector<Model>& models, const std::string& tail = "")
    {
        std::string text = "boundary-element hydrodynamics\n";
        char sz[200];
        for (const Model& m : models) {
            std::snprintf(sz, sizeof sz, " Number of Surface Patches   %.0f\n  translation:\n  DTT(EXACT) = %e cm2/s\n",
                          m.dTriangles, m.dD);
            text += sz;
        }
        text += tail;
        const std::string path = scratch + name;
        writeText(path, text);
        return path;
    }
    // The report of the file for M and vbar, with the plot question answered.
    std::string Report(const std::string& path, int nPlot = IDNO, const char* szMass = "100000")
    {
        headless::Script script;
        script.expectInput("molar mass (Da)", szMass)
            .expectInput("partial-specific volume", "0.73")
            .expectOpenFile("select filename of BEMINE output", {path})
            .expectMessageBox("read BEST/BEMINE", nPlot);
        Run(script, 885);
        EXPECT_EQ(script.pending(), 0u);
        return boxText(script, "read BEST/BEMINE");
    }
    // D linear in 1/N, 6e-7 at 1/N = 0, with the given scatter (in 1e-9).
    static std::vector<Model> lineModels(const std::vector<double>& triangles, const std::vector<double>& scatter)
    {
        std::vector<Model> v;
        for (size_t k = 0; k < triangles.size(); ++k)
            v.push_back({triangles[k], 6e-7 - 5e-5 / triangles[k] + scatter[k] * 1e-9});
        return v;
    }
};

TEST_F(BestOutputTest, ExtrapolationUsesTheModelsOnTheLine)
{
    const std::vector<Model> models = lineModels({5000, 2000, 1000, 500}, {1, -1, 1, -1});
    const std::string t = Report(WriteOutput("line.txt", models));
    EXPECT_NE(t.find("found 4 D-values:\n5000 triangles - D = "), std::string::npos) << t;
    EXPECT_NEAR(numberAfter(t, "extrapolation to 1/N = 0 gives D = "), 6e-7, 1e-9) << t;

    // the coarsest model far off the line of the others is dropped
    std::vector<Model> off = models;
    off[3].dD += 3e-8;
    const std::string u = Report(WriteOutput("off.txt", off));
    EXPECT_NEAR(numberAfter(u, "extrapolation of 3 largest models to 1/N = 0 gives D = "), 6e-7, 1e-9) << u;

    // The coarsest model is dropped only when the fit without it keeps less
    // than 30 % of the residual sum: 36 % keeps all four models (D at 1/N = 0
    // 6.0177e-7 from the four, 6.0010e-7 from three), 28 % drops it.
    const std::string kept = Report(WriteOutput("kept.txt", lineModels({5000, 2000, 1000, 500}, {1, -1, 1, -5})));
    EXPECT_NEAR(numberAfter(kept, "extrapolation to 1/N = 0 gives D = "), 6.0177e-7, 2e-11) << kept;
    const std::string dropped =
        Report(WriteOutput("dropped.txt", lineModels({5000, 2000, 1000, 500}, {1, -1, 1, 8})));
    EXPECT_NEAR(numberAfter(dropped, "extrapolation of 3 largest models to 1/N = 0 gives D = "), 6.0010e-7, 2e-11)
        << dropped;

    // Converged models: the finest three give the same D, here one that
    // single precision holds exactly (2^-24 cm^2/s over 1/N = 2^-12 .. 2^-10),
    // so the line through them fits with no residual at all and the coarse
    // model is dropped.
    const std::string exactD = "\n  DTT(EXACT) = 5.9604644775390625e-08\n";
    std::string exact;
    for (const char* szModel : {"4096", "2048", "1024"})
        exact += std::string(" Number of Surface Patches   ") + szModel + exactD;
    const std::string converged =
        Report(WriteOutput("converged.txt", {}, exact + " Number of Surface Patches   512\n  DTT(EXACT) = 5.5e-08\n"));
    EXPECT_NE(converged.find("extrapolation of 3 largest models to 1/N = 0 gives D = 5.960464e-08 cm^2/sec"),
              std::string::npos)
        << converged;
    // all four on that line: no residual left to cut, so none is dropped
    const std::string level = Report(WriteOutput("level.txt", {}, exact + " Number of Surface Patches   512" + exactD));
    EXPECT_NE(level.find("extrapolation to 1/N = 0 gives D = 5.960464e-08 cm^2/sec"), std::string::npos) << level;

    // the listing order does not matter: finest first in the report
    std::vector<Model> reversed(models.rbegin(), models.rend());
    const std::string v = Report(WriteOutput("reversed.txt", reversed));
    EXPECT_EQ(t.substr(t.find('\n')), v.substr(v.find('\n')));

    // a size computed twice: both are listed, in the order of the file
    std::vector<Model> twice = models;
    twice[1].dD = 5.75e-7;
    twice.insert(twice.begin() + 2, Model{2000, 5.76e-7});
    const std::string w = Report(WriteOutput("twice.txt", twice));
    EXPECT_NE(w.find("found 5 D-values:\n5000 triangles - D = "), std::string::npos) << w;
    EXPECT_NE(w.find("\n2000 triangles - D = 5.750000e-07\n2000 triangles - D = 5.760000e-07\n1000 triangles"),
              std::string::npos)
        << w;
}

TEST_F(BestOutputTest, OneModelAndItsS)
{
    const std::string path = WriteOutput("one.txt", {{2000, 6e-7}});
    const std::string t = Report(path);
    EXPECT_EQ(t.find("reading " + path + "\nfound 1 D-values:\n2000 triangles - D = 6.000000e-07\n"), 0u) << t;
    EXPECT_NE(t.find("extrapolation to 1/N = 0 gives D = 6.000000e-07 cm^2/sec"), std::string::npos);
    // s = D M (1 - vbar rho) / (R T) at 20 C in water
    EXPECT_NEAR(numberAfter(t, "this results in an s-value of "), 6.678, 0.0005) << t;
    EXPECT_NE(t.find("\n\n show extrapolation plot?"), std::string::npos);
}

TEST_F(BestOutputTest, ReadingStopsAtAModelWithoutD)
{
    const std::string path =
        WriteOutput("cut.txt", {{4000, 5.9e-7}, {2000, 5.8e-7}}, " Number of Surface Patches   800\n  (stopped)\n");
    EXPECT_NE(Report(path).find("found 2 D-values"), std::string::npos);
    // the reader alone: a text ending right after a label reads what it can
    float n[4], d[4];
    EXPECT_EQ(readBestDiffusionPairs("Number of Surface Patches 100 DTT(EXACT) =", n, d, 3), 1);
    EXPECT_EQ(d[1], 0.0f);
    EXPECT_EQ(readBestDiffusionPairs("Number of Surface Patches x DTT(EXACT) = 1e-7", n, d, 3), 0);
}

TEST_F(BestOutputTest, PlotAndFailures)
{
    const std::string t =
        Report(WriteOutput("plot.txt", lineModels({5000, 2000, 1000, 500}, {1, -1, 1, -1})), IDYES);
    ASSERT_NE(pAuxPlot, nullptr);
    EXPECT_EQ(pAuxPlot->nCurves, 2);
    EXPECT_EQ(bAuxPlotShown, 1);
    EXPECT_FLOAT_EQ(pAuxArray3[1], 0.0f);
    EXPECT_FLOAT_EQ(pAuxArray3[4], 1.1f / 500.0f);
    EXPECT_NEAR(pAuxArray4[1], 6.0, 0.01);  // D at 1/N = 0 in 1e-7 cm^2/s

    {
        // Cancel in the file dialog: nothing found in the offered name
        headless::Script script;
        script.expectInput("molar mass (Da)", "100000")
            .expectInput("partial-specific volume", "0.73")
            .expectFileCancel("select filename of BEMINE output")
            .expectMessageBox("Error", IDOK);
        Run(script, 885);
        EXPECT_NE(boxText(script, "Error").find("\n\x07no diffusion data found in "), std::string::npos);
        EXPECT_NE(boxText(script, "Error").find("tdat.*"), std::string::npos);
    }
    {
        const std::string path = scratch + "nothing.txt";
        writeText(path, "");
        headless::Script script;
        script.expectInput("molar mass (Da)", "100000")
            .expectInput("partial-specific volume", "0.73")
            .expectOpenFile("select filename of BEMINE output", {path})
            .expectMessageBox("Error", IDOK);
        Run(script, 885);
        EXPECT_EQ(boxText(script, "Error"), "\n\x07" "Attention: could not read " + path + " into memory");
    }
    {
        const std::string path = scratch + "empty.txt";
        writeText(path, "no labels here\n");
        headless::Script script;
        script.expectInput("molar mass (Da)", "100000")
            .expectInput("partial-specific volume", "0.73")
            .expectOpenFile("select filename of BEMINE output", {path})
            .expectMessageBox("Error", IDOK);
        Run(script, 885);
        EXPECT_EQ(boxText(script, "Error"), "\n\x07no diffusion data found in " + path);
    }
    {
        // no mass: nothing asked further
        headless::Script script;
        script.expectInput("molar mass (Da)", "0").expectInput("partial-specific volume", "0.73");
        Run(script, 885);
        EXPECT_EQ(script.pending(), 0u);
    }
}

// ---------------------------------------------------------------- c(M) power law

class PowerLawTest : public CalculatorTest {
protected:
    // Runs the calibration on a file of the rows, the plot closed by a key
    // and the result accepted or not.
    bool Calibrate(const std::string& rows, int nAccept, const char* szExponent = nullptr)
    {
        const std::string path = scratch + "calibration.dat";
        writeText(path, rows);
        headless::Script script;
        script.expectMessageBox("select enter ASCII file with calibration data", IDYES)
            .expectOpenFile("please locate the calibration file", {path});
        if (szExponent) script.expectInput("scaling exponent:", szExponent);
        script.pressKey(VK_SPACE, 1000).expectMessageBox("accept?", nAccept);
        const bool b = calibrateCMPowerLaw(window.get());
        EXPECT_EQ(script.pending(), 0u);
        lines = script.lines();
        return b;
    }
    std::vector<std::string> lines;
};

TEST_F(PowerLawTest, TwoPairsGiveTheLineThroughThem)
{
    // the x-axis of the plot shown and its line, read when its window opens
    float fXMin = 0, fXMax = 0;
    std::vector<float> lineX, lineY;
    headless::setTranscriptObserver([&](const std::string& l) {
        if (l.rfind("PictureWindow \"CALIBRATE C(M) POWER LAW\" 1400", 0) == 0 && pAuxPlot) {
            fXMin = pAuxPlot->fXMin;
            fXMax = pAuxPlot->fXMax;
            if (pAuxVector3 && pAuxVector4) {
                lineX.assign(pAuxVector3->pData, pAuxVector3->pData + pAuxVector3->nSize);
                lineY.assign(pAuxVector4->pData, pAuxVector4->pData + pAuxVector4->nSize);
            }
        }
    });
    EXPECT_TRUE(Calibrate("4.4 66000\n7.0\t100000\n", IDYES));
    headless::setTranscriptObserver(nullptr);
    // both masses inside, with a tenth of their span to each side
    EXPECT_NEAR(fXMin, std::log10(66000.0) - 0.1 * std::log10(100000.0 / 66000.0), 1e-3);
    EXPECT_NEAR(fXMax, 5.0 + 0.1 * std::log10(100000.0 / 66000.0), 1e-3);
    // the line drawn runs across the axis through both pairs: each of its
    // points on the straight line through (log10 M, log10 s) of the two (to
    // the single-precision sums of the fit)
    ASSERT_EQ(lineX.size(), 2u);
    ASSERT_EQ(lineY.size(), 2u);
    EXPECT_NEAR(lineX[0], fXMin, 1e-5);
    EXPECT_NEAR(lineX[1], fXMax, 1e-5);
    const double x1 = std::log10(66000.0), y1 = std::log10(4.4), x2 = 5.0, y2 = std::log10(7.0);
    for (size_t k = 0; k < lineX.size(); k++)
        EXPECT_NEAR(lineY[k], y1 + (y2 - y1) * (lineX[k] - x1) / (x2 - x1), 1e-3) << "point " << k;
    const double kb = std::log(7.0 / 4.4) / std::log(100000.0 / 66000.0);
    EXPECT_NEAR(fScalingBs, kb, 1e-3 * kb);
    EXPECT_NEAR(fScalingBs, 1.117, 5e-4);
    EXPECT_NEAR(fScalingKs, 4.4 / std::pow(66000.0, kb), 0.003 * 1.811e-5);
    EXPECT_EQ(pParamValue[11], fScalingKs);
    EXPECT_EQ(pParamValue[18], fScalingBs);
    // shown in a picture window until the key, then the side plot goes
    bool bShown = false, bClosed = false;
    for (const std::string& l : lines) {
        bShown = bShown || l == "PictureWindow \"CALIBRATE C(M) POWER LAW\" 1400 x 1000";
        bClosed = bClosed || l == "PictureWindow \"CALIBRATE C(M) POWER LAW\" closed";
    }
    EXPECT_TRUE(bShown && bClosed);
    EXPECT_EQ(pAuxPlot, nullptr);
}

TEST_F(PowerLawTest, OnePairTakesTheExponentAsked)
{
    // 0.66 is offered, also after another exponent was taken
    auto offered066 = [&] {
        for (const std::string& l : lines)
            if (l.rfind("Input \"c(M) with scaling law\" \"scaling exponent:\" \"0.660000\"", 0) == 0) return true;
        return false;
    };
    // the plot shown has the one point inside its axes
    float fXMin = 0, fXMax = 0, fYMin = 0, fYMax = 0;
    headless::setTranscriptObserver([&](const std::string& l) {
        if (l.rfind("PictureWindow \"CALIBRATE C(M) POWER LAW\" 1400", 0) == 0 && pAuxPlot) {
            fXMin = pAuxPlot->fXMin;
            fXMax = pAuxPlot->fXMax;
            fYMin = pAuxPlot->fYMin;
            fYMax = pAuxPlot->fYMax;
        }
    });
    EXPECT_TRUE(Calibrate("4.4 66000\n", IDYES, "0.5"));
    headless::setTranscriptObserver(nullptr);
    EXPECT_TRUE(fXMin < std::log10(66000.0) && std::log10(66000.0) < fXMax) << fXMin << " " << fXMax;
    EXPECT_TRUE(fYMin < std::log10(4.4) && std::log10(4.4) < fYMax) << fYMin << " " << fYMax;
    EXPECT_TRUE(offered066());
    EXPECT_FLOAT_EQ(fScalingBs, 0.5f);
    EXPECT_NEAR(fScalingKs, 4.4 / std::pow(66000.0, 0.5), 1e-5 * fScalingKs);
    EXPECT_TRUE(Calibrate("4.4 66000\n", IDYES, "0.66"));
    EXPECT_TRUE(offered066());
    EXPECT_FLOAT_EQ(fScalingBs, 0.66f);
    EXPECT_NEAR(fScalingKs, 4.4 / std::pow(66000.0, 0.66), 1e-5 * fScalingKs);
}

TEST_F(PowerLawTest, RejectedOrInvalidCalibrationsChangeNothing)
{
    const float ks = fScalingKs, kb = fScalingBs, p11 = pParamValue[11], p18 = pParamValue[18];
    EXPECT_FALSE(Calibrate("4.4 66000\n7.0 100000\n", IDNO));
    for (const std::string& rows : {std::string("4.4 66000\n0 100000\n"), std::string("4.4 -66000\n")}) {
        const std::string path = scratch + "bad.dat";
        writeText(path, rows);
        headless::Script script;
        script.expectMessageBox("select enter ASCII file", IDYES)
            .expectOpenFile("please locate the calibration file", {path})
            .expectMessageBox("calibration values must be positive", IDOK);
        EXPECT_FALSE(calibrateCMPowerLaw(window.get()));
        EXPECT_EQ(script.pending(), 0u);
    }
    {
        // rows of one molar mass: no line through them (the key would close
        // a plot of a line)
        const std::string path = scratch + "one.dat";
        writeText(path, "4.4 66000\n7.0 66000\n");
        headless::Script script;
        script.expectMessageBox("select enter ASCII file", IDYES)
            .expectOpenFile("please locate the calibration file", {path})
            .expectMessageBox("the calibration rows give no power law", IDOK)
            .pressKey(VK_SPACE, 1000);
        EXPECT_FALSE(calibrateCMPowerLaw(window.get()));
        EXPECT_EQ(script.pending(), 0u);
        headless::processMessages();
    }
    {
        headless::Script script;
        script.expectMessageBox("select enter ASCII file", IDNO);
        EXPECT_FALSE(calibrateCMPowerLaw(window.get()));
    }
    EXPECT_EQ(fScalingKs, ks);
    EXPECT_EQ(fScalingBs, kb);
    EXPECT_EQ(pParamValue[11], p11);
    EXPECT_EQ(pParamValue[18], p18);
}

TEST_F(CalculatorTest, MinimumSOfLogGrids)
{
    auto checked = [this] { return (GetMenuState(window->GetMenu(), 1107, MF_BYCOMMAND) & MF_CHECKED) != 0; };
    {
        headless::Script script;
        script.expectMessageBox("use minimum s-value for log spaced grids?", IDYES).expectInput("min s-value:", "2.5");
        Run(script, 1107);
        EXPECT_EQ(bLogGridMinS, 1);
        EXPECT_EQ(fLogGridMinS, 2.5f);
        EXPECT_TRUE(checked());
    }
    {
        headless::Script script;
        script.expectMessageBox("use minimum s-value", IDYES).expectInputCancel("min s-value:");
        Run(script, 1107);
        EXPECT_EQ(fLogGridMinS, 2.5f);
    }
    headless::Script script;
    script.expectMessageBox("use minimum s-value", IDNO);
    Run(script, 1107);
    EXPECT_EQ(bLogGridMinS, 0);
    EXPECT_EQ(fLogGridMinS, 2.5f);
    EXPECT_FALSE(checked());
}

TEST_F(MainWindowTest, MinimumSCheckMarkAtStart)
{
    bLogGridMinS = 1;
    OpenWindow();
    EXPECT_NE(GetMenuState(window->GetMenu(), 1107, MF_BYCOMMAND) & MF_CHECKED, 0u);
}

}  // namespace
