// The boundary calculators on scans of a sharp, non-diffusing boundary with
// radial dilution, where the second moment is exact.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "models/model_globals.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"
#include "tools/calculators/calculator_fixture.h"

using namespace win;

namespace {

constexpr double kS = 5e-13;          // s
constexpr double kRpm = 50000.0;
constexpr double kLoading = 0.8;      // loading concentration
constexpr float kMeniscus = 6.0f;
constexpr float kBottom = 7.2f;
constexpr const char* kTitle = "CALCULATE SW BY SECOND MOMENT";

double omega2() { return std::pow(kRpm * 2.0 * M_PI / 60.0, 2.0); }

// Scans at the times given: 0 inside the boundary m exp(s w^2 t), the
// diluted plateau c0 exp(-2 s w^2 t) beyond it, radii every 0.001 cm from
// the meniscus to the bottom.
std::vector<scantest::MemoryScan> sharpBoundaryScans(const std::vector<double>& times)
{
    std::vector<scantest::MemoryScan> scans;
    for (double t : times) {
        scantest::MemoryScan m;
        m.time = t;
        const double x = kS * omega2() * t;
        const double rb = kMeniscus * std::exp(x);
        for (int j = 0; j <= 1200; ++j) {
            const float r = kMeniscus + 0.001f * static_cast<float>(j);
            m.r.push_back(r);
            m.s.push_back(r > rb ? static_cast<float>(kLoading * std::exp(-2.0 * x)) : 0.0f);
        }
        scans.push_back(m);
    }
    return scans;
}

class BoundaryCalculatorTest : public CalculatorTest {
protected:
    void Install(const std::vector<double>& times)
    {
        scantest::installScans(sharpBoundaryScans(times));
        for (int i = 1; i <= nScans; ++i) {
            pScanHeaders[i].rpm = static_cast<float>(kRpm);
            pScanHeaders[i].omega2t = omega2() * pScanHeaders[i].time;
        }
        fMeniscus = kMeniscus;
        fBottom = kBottom;
        fFitLeftLim = kMeniscus;
        fFitRightLim = 7.1f;
        updateLeftFitLimit();
        updateRightFitLimit();
    }
    // Runs a second-moment command through to its result box.
    std::string SecondMoment(unsigned id, headless::Script& script)
    {
        script.expectMessageBox("subtract all systematic noise", IDOK).expectMessageBox(kTitle, IDOK);
        Run(script, id);
        EXPECT_EQ(script.pending(), 0u);
        return boxText(script, kTitle);
    }
};

const std::vector<double> kTimes = {1200, 2400, 3600, 4800, 6000, 7200};

TEST_F(BoundaryCalculatorTest, SecondMomentOfASharpBoundaryGivesItsSAndLoading)
{
    Install(kTimes);
    for (unsigned id : {545u, 462u}) {
        for (int i = 1; i <= nScans; ++i)
            for (int j = 1; j <= pScanPoints[i]; ++j) ppFit[i][j] = -1.0f;
        bModelComputed = 0;
        headless::Script script;
        const std::string t = SecondMoment(id, script);
        EXPECT_NEAR(numberAfter(t, "sw = "), 5.0, 0.025) << id << "\n" << t;
        EXPECT_NEAR(numberAfter(t, "calculated loading concentration is "), kLoading, 0.005 * kLoading) << t;
        EXPECT_EQ(t.find("left out"), std::string::npos) << t;
        EXPECT_NE(t.find("(table sw vs time is stored in clipboard)"), std::string::npos);
        // the (time, s) table: one row per pair for the differential form
        const std::vector<std::string> rows = clipboardRows(script);
        ASSERT_EQ(rows.size(), id == 545u ? kTimes.size() - 1 : kTimes.size()) << id;
        EXPECT_NEAR(std::strtod(rows[0].c_str(), nullptr), kTimes[0], 1e-3);
        // the step profiles are the model: the diluted plateau beyond each boundary
        EXPECT_EQ(bModelComputed, 1);
        for (int i = 1; i <= nScans; ++i) {
            const double x = kS * omega2() * pScanHeaders[i].time;
            EXPECT_EQ(ppFit[i][1], 0.0f);
            EXPECT_NEAR(ppFit[i][pScanPoints[i]], kLoading * std::exp(-2.0 * x), 0.005 * kLoading);
        }
    }
    // a column without sedimentation: the sharp boundary that holds its
    // amount lies at the meniscus, so the loading is its plateau and s is 0
    Install({3600});
    for (int j = 1; j <= pScanPoints[1]; ++j) ppSignal[1][j] = static_cast<float>(kLoading);
    {
        headless::Script script;
        const std::string t = SecondMoment(462, script);
        EXPECT_NEAR(numberAfter(t, "calculated loading concentration is "), kLoading, 1e-5 * kLoading) << t;
        EXPECT_NEAR(numberAfter(t, "sw = "), 0.0, 2e-4) << t;
    }
    Install(kTimes);
    // the effective concentration of the integral form is the diluted
    // plateau c0 exp(-2 s w^2 t') averaged over 0..t of each scan, then over
    // the scans: here summed in 1000 time steps (0.756; a dilution twice as
    // fast would give 0.716, none 0.8)
    headless::Script script;
    const std::string t = SecondMoment(462, script);
    const double c = numberAfter(t, "average effective concentration is ");
    double dExpected = 0.0;
    for (double tScan : kTimes) {
        double dSum = 0.0;
        for (int k = 0; k < 1000; ++k)
            dSum += kLoading * std::exp(-2.0 * kS * omega2() * tScan * (k + 0.5) / 1000.0);
        dExpected += dSum / 1000.0 / static_cast<double>(kTimes.size());
    }
    EXPECT_NEAR(c, dExpected, 1e-3 * kLoading) << t;
    EXPECT_LT(c, kLoading);
    EXPECT_GT(c, kLoading * std::exp(-2.0 * kS * omega2() * kTimes.back()));
}

// Plateaus read 3 % high and low in turn: the loading (from all scans) is
// right, and the two refinement passes (plateau = c0 m^2 / rb^2, rb from it)
// bring every step's plateau to within 0.5 % of the diluted one (one pass
// leaves up to 0.9 %, none the 3 %).
TEST_F(BoundaryCalculatorTest, PlateausReadOffAreRefinedFromTheLoading)
{
    Install(kTimes);
    for (int i = 1; i <= nScans; ++i)
        for (int j = 1; j <= pScanPoints[i]; ++j)
            if (ppRadius[i][j] > fFitRightLim - 0.1f) ppSignal[i][j] *= (i % 2 ? 1.03f : 0.97f);
    headless::Script script;
    const std::string t = SecondMoment(462, script);
    EXPECT_NEAR(numberAfter(t, "calculated loading concentration is "), kLoading, 0.002 * kLoading) << t;
    for (int i = 1; i <= nScans; ++i) {
        const double c = kLoading * std::exp(-2.0 * kS * omega2() * pScanHeaders[i].time);
        EXPECT_NEAR(ppFit[i][pScanPoints[i]], c, 0.006 * c) << i;
    }
}

// The plateau of a scan is its mean over the last 0.1 cm up to and with the
// point at the fit limit: noise that averages out over those points (pairs
// of +d, -d from the fit limit inward, d 30 % of the plateau) leaves the
// loading where it was, and s within 0.01 S (the integrals take the point
// at the fit limit with half its 0.001 cm, 0.003 S here; a plateau without
// that point would be 0.3 % low and s 0.05 S).
TEST_F(BoundaryCalculatorTest, NoiseThatAveragesOutOverThePlateauBandChangesNothing)
{
    Install(kTimes);
    std::string clean;
    {
        headless::Script script;
        clean = SecondMoment(462, script);
    }
    for (int i = 1; i <= nScans; ++i) {
        const int nLast = pFitLastIndex[i];
        ASSERT_NEAR(ppRadius[i][nLast], fFitRightLim, 0.001f);
        const float d = 0.3f * ppSignal[i][nLast];
        for (int j = nLast; j - 1 >= 1 && ppRadius[i][j - 1] > fFitRightLim - 0.1f; j -= 2) {
            ppSignal[i][j] += d;
            ppSignal[i][j - 1] -= d;
        }
    }
    headless::Script script;
    const std::string noisy = SecondMoment(462, script);
    const double c0 = numberAfter(clean, "calculated loading concentration is ");
    EXPECT_NEAR(numberAfter(noisy, "calculated loading concentration is "), c0, 3e-4 * c0) << clean << "\n" << noisy;
    EXPECT_NEAR(numberAfter(noisy, "sw = "), numberAfter(clean, "sw = "), 0.01) << clean << "\n" << noisy;
}

TEST_F(BoundaryCalculatorTest, ScansWithoutARealValueAreLeftOutAndNamed)
{
    Install(kTimes);
    // scan 2 ends before the plateau band; scan 4 holds more than a plateau
    // up to the limit could (the root of rb^2 is negative)
    pFitLastIndex[2] = 800;  // r = 6.799
    for (int j = 100; j <= 200; ++j) ppSignal[4][j] = 100.0f;
    for (unsigned id : {545u, 462u}) {
        headless::Script script;
        const std::string t = SecondMoment(id, script);
        EXPECT_NE(t.find("scans left out: scan2.IP1, scan4.IP1"), std::string::npos) << t;
        EXPECT_NEAR(numberAfter(t, "sw = "), 5.0, 0.025) << id << "\n" << t;
        EXPECT_EQ(ppFit[2][pScanPoints[2]], 0.0f);  // no step for a scan left out
    }
    {
        // a damaged header whose omega^2 t lies beyond single precision: no s
        // from 0 to t for that scan, so it is left out too, and the others
        // still give s and an effective concentration below the loading
        const double dW = pScanHeaders[3].omega2t;
        pScanHeaders[3].omega2t = 1e39;
        headless::Script script;
        const std::string t = SecondMoment(462, script);
        EXPECT_NE(t.find("scans left out: scan2.IP1, scan4.IP1, scan3.IP1"), std::string::npos) << t;
        EXPECT_NEAR(numberAfter(t, "sw = "), 5.0, 0.025) << t;
        const double c = numberAfter(t, "average effective concentration is ");
        EXPECT_GT(c, kLoading * std::exp(-2.0 * kS * omega2() * kTimes.back())) << t;
        EXPECT_LT(c, kLoading) << t;
        pScanHeaders[3].omega2t = dW;
    }
    // with every scan unusable: a message and no result
    for (int i = 1; i <= nScans; ++i) pFitLastIndex[i] = 800;
    for (int i = 1; i <= nScans; ++i)
        for (int j = 1; j <= pScanPoints[i]; ++j) ppFit[i][j] = -1.0f;
    bModelComputed = 0;
    headless::Script script;
    const std::string t = SecondMoment(462, script);
    EXPECT_EQ(t.find("sw = "), std::string::npos);
    EXPECT_NE(t.find("no scan gives a second-moment s-value"), std::string::npos) << t;
    EXPECT_TRUE(clipboardRows(script).empty());
    EXPECT_EQ(bModelComputed, 0);
    EXPECT_EQ(ppFit[1][1], -1.0f);
}

TEST_F(BoundaryCalculatorTest, SecondMomentNeedsLimitsAndTheDifferentialTwoScans)
{
    Install({3600});
    {
        headless::Script script;
        script.expectMessageBox(kTitle, IDOK);
        Run(script, 545);
        EXPECT_EQ(boxText(script, kTitle), "at least two scans are needed");
        EXPECT_EQ(boxCount(script, kTitle), 1);
        EXPECT_EQ(bModelComputed, 0);
    }
    {
        // and two are enough for the differential form: one pair, one row
        Install({2400, 4800});
        headless::Script script;
        EXPECT_NEAR(numberAfter(SecondMoment(545, script), "sw = "), 5.0, 0.025);
        EXPECT_EQ(clipboardRows(script).size(), 1u);
        Install({3600});
    }
    {
        // one scan is enough from 0 to t
        headless::Script script;
        EXPECT_NEAR(numberAfter(SecondMoment(462, script), "sw = "), 5.0, 0.025);
    }
    fFitRightLim = 0.0f;
    for (unsigned id : {545u, 462u, 461u}) {
        headless::Script script;
        script.expectMessageBox("ERROR", IDOK);
        Run(script, id);
        EXPECT_EQ(boxText(script, "ERROR"), "Set Fitting Limits First");
    }
    scantest::resetScanState();
    for (unsigned id : {545u, 462u, 461u, 463u}) {
        headless::Script script;
        Run(script, id);
        EXPECT_EQ(boxCount(script, kTitle) + boxCount(script, "CALCULATE RADIAL DILUTION"), 0) << id;
    }
}

TEST_F(BoundaryCalculatorTest, RadialDilutionAndPressure)
{
    Install({2000, 3647.2});  // the last scan at omega^2 t = 1e11
    pScanHeaders[2].omega2t = 1e11;
    {
        headless::Script script;
        script.expectInput("enter s-value", "5").expectMessageBox("CALCULATE RADIAL DILUTION", IDOK);
        Run(script, 461);
        const std::string t = boxText(script, "CALCULATE RADIAL DILUTION");
        EXPECT_NE(t.find("with the meniscus at 6.000 cm would have a boundary position of 6.308cm"), std::string::npos)
            << t;
        EXPECT_NE(t.find("reduces the plateau concentration at the time of the last scan to 90.484%"),
                  std::string::npos);
        EXPECT_NE(t.find("is 95.163% of the loading concentration"), std::string::npos);
    }
    {
        headless::Script script;
        script.expectInput("enter s-value", "-5").expectMessageBox("CALCULATE RADIAL DILUTION", IDOK);
        Run(script, 461);
        const std::string t = boxText(script, "CALCULATE RADIAL DILUTION");
        EXPECT_NE(t.find("S \nwith the bottom at 7.200 cm"), std::string::npos) << t;
        EXPECT_NE(t.find("radial dilution increases the plateau"), std::string::npos);
        EXPECT_NEAR(numberAfter(t, "boundary position of "), 7.2 * std::exp(-0.05), 1e-3);
    }
    {
        // s = 0 does not dilute: 100 % everywhere
        headless::Script script;
        script.expectInput("enter s-value", "0").expectMessageBox("CALCULATE RADIAL DILUTION", IDOK);
        Run(script, 461);
        const std::string t = boxText(script, "CALCULATE RADIAL DILUTION");
        EXPECT_EQ(t.find("nan"), std::string::npos) << t;
        EXPECT_NEAR(numberAfter(t, "during sedimentation is "), 100.0, 1e-3);
    }
    fBufferDensity = 1.0f;
    headless::Script script;
    script.expectMessageBox("CALCULATE RADIAL DILUTION", IDOK);
    Run(script, 463);
    const std::string t = boxText(script, "CALCULATE RADIAL DILUTION");
    EXPECT_NEAR(numberAfter(t, "pressure at the bottom is "), 217.13, 0.01) << t;
    EXPECT_NEAR(numberAfter(t, "solution column is "), 103.63, 0.01) << t;

    // one scan, at 40000 rpm: rho omega^2 (b^2 - m^2) / 2 at its speed, in SI
    // units (1000 kg/m^3, cm as 0.01 m; 1 bar = 1e5 Pa)
    Install({3600});
    pScanHeaders[1].rpm = 40000.0f;
    headless::Script one;
    one.expectMessageBox("CALCULATE RADIAL DILUTION", IDOK);
    Run(one, 463);
    const std::string t1 = boxText(one, "CALCULATE RADIAL DILUTION");
    const double omega = 40000.0 * 2.0 * M_PI / 60.0;
    EXPECT_NEAR(numberAfter(t1, "pressure at the bottom is "),
                1000.0 * omega * omega * (0.072 * 0.072 - 0.06 * 0.06) / 2.0 / 1e5, 0.01)
        << t1;
}

}  // namespace

// Boundary broadening asks for the meniscus and bottom only when none is set;
// its diffusion coefficient is Svedberg's, and the time is that of a boundary
// moving from the meniscus to the middle of the column.
TEST_F(CalculatorTest, BoundaryBroadeningAsksOnlyForMissingCellEnds)
{
    static const char* const kBroadening = "BOUNDARY BROADENING ANALYSIS";
    auto rest = [](headless::Script& script) {
        script.expectInput("enter rotor speed (rpm)", "50000")
            .expectInput("enter molar mass [kDa]", "1000")
            .expectInput("enter partial specific volume [ml/g]", "0.73")
            .expectInput("enter buffer density [g/ml]", "1")
            .expectInput("enter temperature [C]", "20")
            .expectInput("enter s-value [S]", "100")
            .expectInput("enter ratio delta-s/s", "0.01")
            .expectMessageBox(kBroadening, IDOK);
    };
    fMeniscus = fBottom = 0.0f;
    {
        headless::Script script;
        script.expectInput("enter meniscus (cm)", "6.2").expectInput("enter bottom (cm)", "7.2");
        rest(script);
        Run(script, 889);
        EXPECT_EQ(script.pending(), 0u);
        const std::string t = boxText(script, kBroadening);
        // D = s R T / (M (1 - vbar rho)); the boundary reaches 6.7 cm after
        // ln(6.7 / 6.2) / (w^2 s) = 283 s and spreads by sqrt(2 D t)
        EXPECT_NE(t.find("(D = 9.03e-07 F)"), std::string::npos) << t;
        EXPECT_NE(t.find("spread from heterogeneity in s = 0.0052cm"), std::string::npos) << t;
        EXPECT_NE(t.find("spread from diffusion = 0.0226 cm"), std::string::npos) << t;
    }
    // with the cell ends set only the rest is asked
    fMeniscus = 6.2f;
    fBottom = 7.2f;
    headless::Script script;
    rest(script);
    Run(script, 889);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NE(boxText(script, kBroadening).find("spread from diffusion = 0.0226 cm"), std::string::npos);

    // Every question taken as offered (vbar and density those of the model)
    // gives the analysis answered above: the documented starting values.
    const std::string answered = boxText(script, kBroadening);
    const float fVbarBefore = VBAR, fDensityBefore = fBufferDensity;
    VBAR = 0.73f;
    fBufferDensity = 1.0f;
    headless::setPolicy(headless::Policy::DefaultAnswers);
    {
        headless::Script offered;
        Run(offered, 889);
        EXPECT_EQ(boxCount(offered, kBroadening), 1);
        EXPECT_EQ(boxText(offered, kBroadening), answered);
    }
    headless::setPolicy(headless::Policy::FailOnUnexpected);
    VBAR = fVbarBefore;
    fBufferDensity = fDensityBefore;
}
