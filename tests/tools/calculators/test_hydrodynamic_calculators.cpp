// The hydrodynamic calculators and the transforms of a computed
// s-distribution, run as commands with their answers scripted.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "models/model_globals.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"
#include "tools/calculators/calculator_fixture.h"

using namespace win;

namespace {

class HydrodynamicCalculatorTest : public CalculatorTest {
protected:
    void TearDown() override
    {
        bModelCS = 0;
        bDistributionTransformed = 0;
        CalculatorTest::TearDown();
    }
    // The five answers of a sphere in water at 20 C after the first one.
    static void waterAt20(headless::Script& script, const char* szVbar = "0.73")
    {
        script.expectInput("partial specific volume", szVbar)
            .expectInput("temperature", "20")
            .expectInput("buffer density", "0.99823")
            .expectInput("absolute viscosity", "0.01002");
    }
};

// s(M), s(Rh) and Rh(s) of one compact sphere agree with each other and with
// the Stokes-Einstein relation; the axial-ratio calculator sees the sphere.
TEST_F(HydrodynamicCalculatorTest, OneSphereThroughTheSphereCalculators)
{
    {
        headless::Script script;
        script.expectInput("molar mass", "100000");
        waterAt20(script);
        script.expectMessageBox("CALCUALTE SEDCOEFFICIENT OF SPHERE", IDOK);
        Run(script, 276);
        const std::string t = boxText(script, "CALCUALTE SEDCOEFFICIENT OF SPHERE");
        EXPECT_NE(t.find("rel. viscosity=1.0000"), std::string::npos) << t;
        EXPECT_NE(t.find("s=7.7688 S"), std::string::npos) << t;
        EXPECT_NE(t.find("r0 = 3.07 nm"), std::string::npos) << t;
        EXPECT_NE(t.find("D= 6.980e-07"), std::string::npos) << t;
    }
    std::string szS;
    {
        headless::Script script;
        script.expectInput("particle radius", "3.5");
        waterAt20(script);
        script.expectMessageBox("CALCUALTE SEDCOEFFICIENT OF SPHERE", IDOK);
        Run(script, 830);
        const std::string t = boxText(script, "CALCUALTE SEDCOEFFICIENT OF SPHERE");
        // k T / (6 pi eta R) at 20 C
        EXPECT_NE(t.find("D= 6.123e-07"), std::string::npos) << t;
        const double s = numberAfter(t, "s=");
        ASSERT_TRUE(std::isfinite(s)) << t;
        char sz[32];
        std::snprintf(sz, sizeof sz, "%.4f", s);
        szS = sz;
    }
    {
        headless::Script script;
        script.expectInput("enter s-value", szS);
        waterAt20(script);
        script.expectMessageBox("CALCUALTE RADIUS OF SPHERE", IDOK);
        Run(script, 831);
        EXPECT_NE(boxText(script, "CALCUALTE RADIUS OF SPHERE").find("a radius of 3.5 nm"), std::string::npos);
        // the s-value offered first is 100 S
        int nOffered = 0;
        for (const std::string& l : script.lines())
            if (l.rfind("Input \"CALCULATE RADIUS OF SPHERE\" \"enter s-value [S]\" \"100.000000\"", 0) == 0) ++nOffered;
        EXPECT_EQ(nOffered, 1);
    }
    {
        headless::Script script;
        script.expectInput("molar mass", "100000")
            .expectInput("sedimentation coefficient", "7.7688")
            .expectInput("partial specific volume", "0.73")
            .expectInput("hydration", "0")
            .expectInput("temperature", "20")
            .expectInput("buffer density", "0.99823")
            .expectInput("absolute viscosity", "0.01002")
            .expectMessageBox("CALCUALTE FRICTIONAL AND AXIAL RATIOS", IDOK);
        Run(script, 270);
        const std::string t = boxText(script, "CALCUALTE FRICTIONAL AND AXIAL RATIOS");
        EXPECT_NE(t.find("r0 = 3.07 nm, rh = 3.07 nm"), std::string::npos) << t;
        EXPECT_NE(t.find("f/f0 = 1.00"), std::string::npos) << t;
    }
}

TEST_F(HydrodynamicCalculatorTest, EllipsoidsForceAndMassFromS)
{
    {
        headless::Script script;
        script.expectInput("frictional ratio", "1.2")
            .expectInput("partial specific volume", "0.73")
            .expectInput("hydration", "0.3")
            .expectMessageBox("CALCULATE SHAPE FROM AXIAL RATIOS", IDOK);
        Run(script, 547);
        const std::string t = boxText(script, "CALCULATE SHAPE FROM AXIAL RATIOS");
        EXPECT_NE(t.find("a/b(oblate)=2.45"), std::string::npos) << t;
        EXPECT_NE(t.find("a/b(prolate)=2.38"), std::string::npos) << t;
    }
    {
        headless::Script script;
        script.expectInput("s-value", "5")
            .expectInput("radius position", "7")
            .expectInput("frictional ratio", "1")
            .expectInput("rotor speed", "50000")
            .expectInput("molar mass", "100000")
            .expectInput("part.-spec. volume", "0.73")
            .expectInput("relative viscosity", "1")
            .expectMessageBox("CALCULATE HYDRODYNAMIC FRICTIONAL FORCE", IDOK);
        Run(script, 578);
        const std::string t = boxText(script, "CALCULATE HYDRODYNAMIC FRICTIONAL FORCE");
        EXPECT_NE(t.find("F = 5.564e-17 N"), std::string::npos) << t;
        EXPECT_NE(t.find("Rs = 3.070 nm"), std::string::npos) << t;
    }
    {
        // a compact sphere's s gives back its mass; the box shows the
        // relative viscosity the formula used
        VBAR = 0.73f;
        fBufferDensity = 0.99823f;
        fVbarRho = VBAR * fBufferDensity;
        RELVISCOSITY = 1.0f;
        headless::Script script;
        script.expectInput("s-value", "7.7688")
            .expectInput("hydrated frictional ratio", "1")
            .expectMessageBox("CALCULATE M FROM S", IDOK);
        Run(script, 606);
        const std::string t = boxText(script, "CALCULATE M FROM S");
        EXPECT_NE(t.find("rel. viscosity=1.0000"), std::string::npos) << t;
        EXPECT_NEAR(numberAfter(t, " M="), 100000.0, 100.0) << t;
    }
}

// Without data, each calculator offers the starting values of its questions:
// the fixed ones of the table of calculators, and the model's frictional
// ratio, vbar, hydration, density and viscosity where it takes those. Every
// question answered with what it offers.
TEST_F(HydrodynamicCalculatorTest, EachQuestionOffersItsStartingValue)
{
    fFrictionalRatio = 1.25f;
    VBAR = 0.72f;
    fHydration = 0.35f;
    fBufferDensity = 1.01f;
    RELVISCOSITY = 1.1f;  // 0.011022 Poise
    struct Calculator {
        unsigned nId;
        const char* szTitle;
        std::vector<std::pair<const char*, const char*>> offered;  // prompt, starting value
    };
    const std::vector<std::pair<const char*, const char*>> solvent = {
        {"enter partial specific volume [ml/g]", "0.720000"},
        {"enter temperature [C]", "20.000000"},
        {"enter buffer density [g/ml]", "1.010000"},
        {"enter absolute viscosity (Poise)", "0.011022"}};
    auto withSolvent = [&](std::vector<std::pair<const char*, const char*>> v) {
        v.insert(v.end(), solvent.begin(), solvent.end());
        return v;
    };
    const std::vector<Calculator> calculators = {
        {547, "CALCULATE SHAPE FROM AXIAL RATIOS",
         {{"enter frictional ratio", "1.250000"},
          {"enter partial specific volume (ml/g)", "0.720000"},
          {"enter hydration (g/g)", "0.350000"}}},
        {578, "CALCULATE HYDRODYNAMIC FRICTIONAL FORCE",
         {{"enter s-value [S]", "5.000000"},
          {"enter radius position [cm]", "7.000000"},
          {"enter frictional ratio", "1.250000"},
          {"enter rotor speed [rpm]", "50000.000000"},
          {"enter molar mass [Da]", "100000.000000"},
          {"enter part.-spec. volume [ml/g]", "0.720000"},
          {"enter solution relative viscosity", "1.100000"}}},
        {270, "CALCULATE FRICTIONAL AND AXIAL RATIOS",
         {{"enter molar mass [Da]", "100000.000000"},
          {"enter sedimentation coefficient [S]", "7.000000"},
          {"enter partial specific volume [ml/g]", "0.730000"},
          {"enter hydration [g/g]", "0.300000"},
          {"enter temperature [C]", "20.000000"},
          {"enter buffer density [g/ml]", "1.006700"},
          {"enter absolute viscosity (Poise)", "0.010020"}}},
        {276, "CALCULATE SEDCOEFFICIENT OF SPHERE", withSolvent({{"enter molar mass [Da]", "100000.000000"}})},
        {830, "CALCULATE SEDCOEFFICIENT OF SPHERE", withSolvent({{"enter particle radius [nm]", "10.000000"}})},
        {831, "CALCULATE RADIUS OF SPHERE", withSolvent({{"enter s-value [S]", "100.000000"}})},
        {606, "CALCULATE M FROM S", {{"enter s-value [S]", "7.000000"}, {"enter hydrated frictional ratio", "1.250000"}}},
    };
    headless::setPolicy(headless::Policy::DefaultAnswers);
    struct BackToFailing {
        ~BackToFailing() { headless::setPolicy(headless::Policy::FailOnUnexpected); }
    } back;
    for (const Calculator& c : calculators) {
        headless::Script script;
        Run(script, c.nId);
        std::vector<std::string> asked;
        for (const std::string& line : script.lines())
            if (line.rfind("Input ", 0) == 0) asked.push_back(line);
        ASSERT_EQ(asked.size(), c.offered.size()) << c.nId;
        for (size_t i = 0; i < asked.size(); i++) {
            const std::string expected = std::string("Input \"") + c.szTitle + "\" \"" + c.offered[i].first + "\" \"" +
                                         c.offered[i].second + "\"";
            EXPECT_EQ(asked[i].rfind(expected, 0), 0u) << asked[i] << "\nexpected: " << expected;
        }
        int nBoxes = 0;  // the result
        for (const std::string& line : script.lines()) nBoxes += line.rfind("MessageBox ", 0) == 0 ? 1 : 0;
        EXPECT_EQ(nBoxes, 1) << c.nId;
    }
}

TEST_F(HydrodynamicCalculatorTest, DefaultsFollowTheLoadedScans)
{
    auto offered = [](const headless::Script& script, const std::string& prompt) {
        for (const std::string& line : script.lines())
            if (line.find("Input ") == 0 && line.find(prompt) != std::string::npos) return line;
        return std::string();
    };
    auto forceRun = [this](headless::Script& script) {
        script.expectInput("s-value", "5")
            .expectInput("radius position", "7")
            .expectInput("frictional ratio", "1")
            .expectInputCancel("rotor speed");
        Run(script, 578);
    };
    {
        headless::Script script;
        forceRun(script);
        EXPECT_NE(offered(script, "rotor speed").find("\"50000.000000\""), std::string::npos);
    }
    scantest::MemoryScan m;
    m.r = {6.0f, 6.1f, 6.2f};
    m.s = {0.0f, 1.0f, 1.0f};
    m.time = 100.0;
    scantest::installScans({m, m});
    pScanHeaders[1].rpm = 42000.0f;
    pScanHeaders[1].temperature = 10.0f;
    pScanHeaders[2].temperature = 25.0f;
    {
        headless::Script script;
        forceRun(script);
        EXPECT_NE(offered(script, "rotor speed").find("\"42000.000000\""), std::string::npos);
        headless::Script sphere;
        sphere.expectInput("molar mass", "100000").expectInput("partial specific volume", "0.73").expectInputCancel(
            "temperature");
        Run(sphere, 276);
        // the last scan's temperature
        EXPECT_NE(offered(sphere, "temperature").find("\"25.000000\""), std::string::npos);
    }
    bDLSData = 1;
    fTemperatureK = 283.15f;
    {
        headless::Script script;
        forceRun(script);
        EXPECT_NE(offered(script, "rotor speed").find("\"50000.000000\""), std::string::npos);
        headless::Script sphere;
        sphere.expectInput("molar mass", "100000").expectInput("partial specific volume", "0.73").expectInputCancel(
            "temperature");
        Run(sphere, 276);
        EXPECT_NE(offered(sphere, "temperature").find("\"10.000"), std::string::npos);
    }
}

TEST_F(HydrodynamicCalculatorTest, StandardConditionsAndRepeatedValues)
{
    const float fVbar20Before = fVbarTransform;
    {
        // Cancel at the last condition: nothing shown, nothing stored
        headless::Script script;
        script.expectInput("experimental s-value", "5")
            .expectInput("at (xp)", "0.73")
            .expectInput("at (20,w)", "0.70")
            .expectInput("buffer density", "0.99823")
            .expectInputCancel("absolute viscosity");
        Run(script, 582);
        EXPECT_EQ(boxCount(script, "CALCUALTE s(xp) TO s(20,w)"), 0);
        EXPECT_EQ(fVbarTransform, fVbar20Before);
    }
    {
        // the experiment's vbar goes with its density, the one at 20 C with
        // water: 5 (1 - 0.70 x 0.99823) / (1 - 0.73 x 1.02) x 0.012 / 0.01002
        // = 7.0627 (5.680 with the roles exchanged)
        headless::Script script;
        script.expectInput("experimental s-value", "5")
            .expectInput("at (xp)", "0.73")
            .expectInput("at (20,w)", "0.70")
            .expectInput("buffer density", "1.02")
            .expectInput("absolute viscosity", "0.012")
            .expectMessageBox("CALCUALTE s(xp) TO s(20,w)", IDOK)
            .expectMessageBox("transform another s-value", IDNO);
        Run(script, 582);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_NE(boxText(script, "CALCUALTE s(xp) TO s(20,w)")
                      .find("v(xp)=0.730 ml/g, v(20,w) = 0.700 ml/g, density=1.0200 g/ml, viscosity=0.0120 Poise:\n "
                            "s(xp) of 5.000 S converts to s(20,w) = 7.063 "),
                  std::string::npos)
            << boxText(script, "CALCUALTE s(xp) TO s(20,w)");
        EXPECT_EQ(fVbarTransform, 0.70f);
    }
    headless::Script script;
    script.expectInput("experimental s-value", "5")
        .expectInput("at (xp)", "0.73")
        .expectInput("at (20,w)", "0.73")
        .expectInput("buffer density", "0.99823")
        .expectInput("absolute viscosity", "0.01002")
        .expectMessageBox("CALCUALTE s(xp) TO s(20,w)", IDOK)
        .expectMessageBox("transform another s-value", IDYES)
        .expectInput("experimental s-value", "7.25")
        .expectMessageBox("CALCUALTE s(xp) TO s(20,w)", IDOK)
        .expectMessageBox("transform another s-value", IDNO);
    Run(script, 582);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NE(boxText(script, "CALCUALTE s(xp) TO s(20,w)").find("s(xp) of 7.250 S converts to s(20,w) = 7.250"),
              std::string::npos);
    EXPECT_EQ(fVbarTransform, 0.73f);
    // the first value under the same conditions is unchanged too
    bool bFirst = false;
    for (const std::string& line : script.lines())
        bFirst = bFirst || line.find("s(xp) of 5.000 S converts to s(20,w) = 5.000") != std::string::npos;
    EXPECT_TRUE(bFirst);
}

// The distribution counts as transformed only after a transform succeeded:
// No, Cancel and a failed transform leave it free for integration and for
// another transform; a transformed one is refused until recomputed. The
// transform of a c(s) distribution follows the s20,w formula.
TEST_F(HydrodynamicCalculatorTest, TransformFlagOnlyAfterASuccessfulTransform)
{
    // (the handlers directly, as the menu items 525 and 836 and the s(20,w)
    // calculator's offer run them)
    TXLAWindow* w = window.get();
    for (bool bToRh : {false, true}) {
        headless::Script script;
        script.expectMessageBox("transform s to s20?", IDNO);
        bToRh ? w->CmTransformSDistribution() : w->CmTransformToS20w();
        EXPECT_EQ(bDistributionTransformed, 0) << bToRh;
    }
    {
        headless::Script script;
        script.expectMessageBox("transform s to s20?", IDYES).expectInputCancel("at 20C");
        w->CmTransformToS20w();
        EXPECT_EQ(bDistributionTransformed, 0);
    }
    {
        // no s-distribution model: nothing to transform
        headless::Script script;
        script.expectMessageBox("transform s to s20?", IDYES)
            .expectInput("at 20C", "0.72")
            .expectInput("in experiment", "0.73")
            .expectInput("buffer density", "1.0")
            .expectInput("absolute viscosity", "0.01002")
            .expectMessageBox("ERROR", IDOK);
        w->CmTransformSDistribution();
        EXPECT_EQ(boxText(script, "ERROR"), "could not calculate s20 from sapp in distribution");
        EXPECT_EQ(bDistributionTransformed, 0);
        EXPECT_EQ(fVbarTransform, 0.72f);
    }
    {
        // a c(s) distribution: s20,w = s (eta / eta20,w) (1 - vbar20 rho20,w)
        // / (1 - vbar rho), water at 20 C of 1.002 mPa s and 0.99823 g/ml,
        // the buffer's viscosity typed in poise
        bModelCS = 1;
        allocDistributionVectors(3);
        for (int i = 1; i <= 3; i++) pDistAxisS[i] = 2.0f * i, pDistValues[i] = 1.0f, pDistValues2[i] = 0.0f;
        headless::Script script;
        script.expectMessageBox("transform s to s20?", IDYES)
            .expectInput("at 20C", "0.72")
            .expectInput("in experiment", "0.73")
            .expectInput("buffer density", "1.02")
            .expectInput("absolute viscosity", "0.0115");
        w->CmTransformToS20w();
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(bDistributionTransformed, 1);
        const double dToS20w = (1.15 / 1.002) * (1.0 - 0.72 * 0.99823) / (1.0 - 0.73 * 1.02);
        for (int i = 1; i <= 3; i++) EXPECT_NEAR(pDistAxisS[i], 2 * i * dToS20w, 1e-5 * 2 * i * dToS20w) << i;
    }
    bDistributionTransformed = 1;  // as after a transform
    for (bool bToRh : {false, true}) {
        headless::Script script;
        script.expectMessageBox("ERROR", IDOK);
        bToRh ? w->CmTransformSDistribution() : w->CmTransformToS20w();
        EXPECT_EQ(boxText(script, "ERROR"), "distribution is already transformed - need to recalculate first");
        // the error sound and the box, nothing asked
        ASSERT_EQ(script.lines().size(), 2u);
        EXPECT_EQ(script.lines()[0].find("Sound \"error"), 0u);
    }
}

TEST_F(HydrodynamicCalculatorTest, StandardConditionsOfACSModelOfferTheWholeDistribution)
{
    bModelCS = 1;
    {
        // the whole distribution: the transform's questions, not the calculator's
        headless::Script script;
        script.expectMessageBox("transform the complete distribution?", IDYES)
            .expectMessageBox("transform s to s20?", IDNO);
        Run(script, 582);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(bDistributionTransformed, 0);
    }
    headless::Script script;
    script.expectMessageBox("transform the complete distribution?", IDNO)
        .expectInputCancel("experimental s-value");
    Run(script, 582);
    EXPECT_EQ(script.pending(), 0u);
}

}  // namespace
