// The continuous models: the shared c(M) set-up, the c(s) variants, the
// grid range carried between them, the refusals, and the ls-g*(s) model with
// its regularization and scan-time switches.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/regularization.h"
#include "distributions/s_grid.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/global_grid.h"
#include "models/model_globals.h"
#include "models/parameter_names.h"
#include "model_window_fixture.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

bool shown(const headless::Script& script, const std::string& text)
{
    for (const std::string& l : script.lines())
        if (l.find("\"" + text + "\"") != std::string::npos) return true;
    return false;
}

class ContinuousModelTest : public ModelWindowTest {
protected:
    // Scans whose last one (in time) was taken at 25 degrees.
    void LoadWarmScans()
    {
        LoadScans(writeBoundaryScans(scratch, 6));
        pScanHeaders[pScanTimeOrder[nScans]].temperature = 25.0f;
    }
};

}  // namespace

TEST_F(ContinuousModelTest, AnSRangeBecomesMassesAndComesBackAsS)
{
    LoadWarmScans();
    // a range of s left from an earlier c(s): the first continuous model
    // turns both ends into molar masses
    fSMin = 2.0f;
    fSMax = 15.0f;
    RELVISCOSITY = 1.1f;
    command(235);
    ASSERT_TRUE(bModelContinuous);
    EXPECT_FALSE(bModelCS);
    const float fM2 = CalculateM(2.0f), fM15 = CalculateM(15.0f);
    EXPECT_GT(fM2, 1000.0f);
    EXPECT_EQ(fSMin, fM2);
    EXPECT_EQ(fSMax, fM15);
    EXPECT_EQ(pParamValue[1], fM2);
    EXPECT_EQ(pParamValue[5], fM15);
    // and offers the solvent as it stands: vbar, density, the viscosity in
    // poise (water at 20 degrees Celsius, 1.002 mPa s, is 0.01002 P, here
    // 1.1 times that) and, in a fresh program, the hydration of 0.3 g/g
    EXPECT_EQ(fHydration, 0.3f);
    EXPECT_EQ(pParamValue[4], 0.3f);
    EXPECT_EQ(pParamValue[3], VBAR);
    EXPECT_EQ(pParamValue[7], fBufferDensity);
    EXPECT_NEAR(pParamValue[12], 1.1 * 0.01002, 1e-7);

    // a variant of the c(s) family takes a mass range back into s, at the
    // temperature of the last scan (zone c(s) regularizes by the second
    // derivative, with its note)
    headless::Script script;
    script.expectMessageBox("ls-g(s)", IDOK);
    command(511);
    const float T = 25.0f;
    EXPECT_EQ(fSMin, SFromMD(fM2, CalculateDFromM(fM2, T), T));
    EXPECT_EQ(fSMax, SFromMD(fM15, CalculateDFromM(fM15, T), T));
    EXPECT_NEAR(fSMin, 2.0, 0.02);
    EXPECT_NEAR(fSMax, 15.0, 0.15);

    // 0 to 15 S: the lower end has mass 0, and a range of at most 1000 is
    // replaced by the variant's default
    command(198);
    fSMin = 0.0f;
    fSMax = 15.0f;
    command(235);
    EXPECT_EQ(fSMin, 0.0f);
    EXPECT_EQ(fSMax, CalculateM(15.0f));
    // (the set-up leaves the second derivative of the last zone c(s) for
    // maximum entropy, and zone c(s) takes it again)
    script.expectMessageBox("continuous distribution", IDOK).expectMessageBox("ls-g(s)", IDOK);
    command(511);
    EXPECT_EQ(fSMin, 2.0f);
    EXPECT_EQ(fSMax, 20.0f);
}

TEST_F(ContinuousModelTest, CsAmongItsVariantsKeepsTheRange)
{
    LoadScans(writeBoundaryScans(scratch, 6));
    command(275);
    fSMin = 1.0f;
    fSMax = 12.0f;
    fSGridResolution = 50.0f;
    ASSERT_EQ(setupSGrid(), 1);  // a distribution with its plot
    headless::Script script;
    script.expectMessageBox("C(M) POWERLAW", IDNO).expectMessageBox("ls-g(s)", IDOK);
    command(887);
    ASSERT_TRUE(bModelFMScalingLaw);
    EXPECT_TRUE(menuChecked(887));
    command(275);
    EXPECT_TRUE(bModelCS);
    EXPECT_FALSE(bModelFMScalingLaw);
    EXPECT_FALSE(menuChecked(887));
    EXPECT_TRUE(menuChecked(275));
    EXPECT_FLOAT_EQ(fSMin, 1.0f);
    EXPECT_FLOAT_EQ(fSMax, 12.0f);
    EXPECT_EQ(pParamValue[1], fSMin);
    EXPECT_EQ(pParamValue[5], fSMax);
    // the discrete component by D and by M: each unticked the same way
    // (ls-g*'s second derivative leaves for maximum entropy first)
    script.expectMessageBox("continuous distribution", IDOK);
    for (unsigned char bM : {0, 1}) {
        bUseMolarMass = bM;
        command(531);
        ASSERT_TRUE(bM ? bModelCSOneDiscreteM : bModelCSOneDiscreteD);
        EXPECT_TRUE(menuChecked(531));
        command(275);
        EXPECT_TRUE(bModelCS && menuChecked(275));
        EXPECT_FALSE(bModelCSOneDiscreteM || bModelCSOneDiscreteD || menuChecked(531)) << int(bM);
    }
    // and every other variant of the family with an item of its own: after
    // 275 only c(s) is ticked, none of the variants
    headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes and questions of the way
    fRadialResolution = 0.003f;                            // c(s,ff0) needs pre-averaged data
    const unsigned kVariants[] = {514, 526, 548, 870, 602, 603, 872, 587, 1117, 585, 1100, 595, 598};
    for (const unsigned nVariant : kVariants) {
        command(nVariant);
        ASSERT_TRUE(menuChecked(nVariant)) << nVariant;
        command(275);
        EXPECT_TRUE(bModelCS && menuChecked(275)) << nVariant;
        for (const unsigned n : kVariants) EXPECT_FALSE(menuChecked(n)) << "after " << nVariant << ": " << n;
    }
    headless::setPolicy(headless::Policy::FailOnUnexpected);
}

TEST_F(ContinuousModelTest, SizeAndShapeNeedsPreAveragedData)
{
    command(275);
    fRadialResolution = 0.001f;
    for (unsigned n : {595u, 598u}) {
        headless::Script script;
        script.expectMessageBox("ATTENTION", IDOK);
        command(n);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_TRUE(shown(script, "radial pre-averaging of data points is recommended (at 0.003)!)\\n"
                                  "(Loading Options->Set Radial Resolution)"));
        EXPECT_FALSE(bModelCSFf0 || bModelCSFf0OneDiscrete);
        EXPECT_TRUE(bModelCS);
    }
    // pre-averaged: chosen, in the (M, s) description
    fRadialResolution = 0.003f;
    headless::Script script;
    script.expectMessageBox("", IDOK);  // no scans: the switch to M assumes 20 'C
    command(595);
    EXPECT_TRUE(bModelCSFf0);
    EXPECT_TRUE(bUseMolarMass);
    EXPECT_EQ(pParamFloat[11], 0);
}

// c(s,ff0) switches the description to M and s. The switch converts entries
// 1 to 4 as species' D into M and reads entries 10, 6 and 8 as the f/f0
// grid; in the distributions those hold sMin, the confidence level, vbar and
// the hydration, and after c(s) no grid: the model keeps its s range, vbar
// and its own f/f0 grid, so that Run computes it.
TEST_F(ContinuousModelTest, SizeAndShapeKeepsItsRangeVbarAndGridThroughTheSwitchToM)
{
    LoadScans(writeBoundaryScans(scratch, 6));
    fRadialResolution = 0.003f;
    command(275);
    ASSERT_FALSE(bUseMolarMass);
    const float fVbar = VBAR, fLevel = fConfidenceLevel;
    command(595);
    ASSERT_TRUE(bModelCSFf0);
    EXPECT_TRUE(bUseMolarMass);
    EXPECT_EQ(VBAR, fVbar);
    EXPECT_EQ(pParamValue[3], fVbar);
    EXPECT_EQ(pParamValue[2], fLevel);
    EXPECT_EQ(fSMin, 2.0f);
    EXPECT_EQ(pParamValue[1], 2.0f);
    EXPECT_EQ(fSMax, 20.0f);
    EXPECT_EQ(pParamValue[5], 20.0f);
    EXPECT_EQ(pParamValue[10], 1.0f);
    EXPECT_EQ(pParamValue[6], 2.5f);
    EXPECT_EQ(pParamValue[8], 5.0f);
    paramVectorToGlobals();
    EXPECT_EQ(fFf0Min, 1.0f);
    EXPECT_EQ(fFf0Max, 2.5f);
    EXPECT_EQ(nCsGridTotal, 5 * static_cast<int>(fSGridResolution));
    EXPECT_EQ(VBAR, fVbar);
}

TEST_F(ContinuousModelTest, LsgsSwitchesToSecondDerivativeAndTimesFromW2t)
{
    LoadScans(writeBoundaryScans(scratch, 6));
    ASSERT_TRUE(bRegMaxEnt);
    headless::Script script;
    script.expectMessageBox("ls-g(s)", IDOK).expectMessageBox("", IDOK);
    command(288);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(shown(script, "Please Note: Switching now to Tikhonov-Phillips Regularization"));
    EXPECT_TRUE(shown(script, "switching on times from w^2t option"));
    EXPECT_TRUE(bModelLsgs && bModelCS && bModelContinuous);
    EXPECT_TRUE(bRegSecondDerivative);
    EXPECT_FALSE(bRegMaxEnt);
    EXPECT_TRUE(bTimesFromW2t && bTimesFromW2tByModel);
    EXPECT_EQ(fSMin, 1.0f);
    EXPECT_EQ(fSMax, 20.0f);
    EXPECT_FLOAT_EQ(fConfidenceLevel, 0.683f);

    // the next model switches the times from w2t off again, with its note,
    // and c(s) goes back to maximum entropy
    script.expectMessageBox("", IDOK).expectMessageBox("continuous distribution", IDOK);
    command(275);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(bTimesFromW2t || bTimesFromW2tByModel);
    EXPECT_TRUE(bRegMaxEnt);
    EXPECT_FALSE(bModelLsgs);
    EXPECT_TRUE(bModelCS);
}

// The hybrid c(s)/ls-g*(s) model turns maximum entropy into the second
// derivative; it says so only while the model switch is silent (or a
// multi-speed or ls-g* automatic load runs), never when a user picks it.
// From the second derivative it stays there and has nothing to say: the
// c(s) set-up it passes through must not announce maximum entropy.
TEST_F(ContinuousModelTest, TheHybridModelNotesTheSwitchOnlyInASilentModelSwitch)
{
    const char* szNote = "Please Note: Switching now to Tikhonov-Phillips Regularization";
    LoadScans(writeBoundaryScans(scratch, 6));
    for (const unsigned char bFromMaxEnt : {1, 0}) {
        for (const unsigned char bSilent : {0, 1}) {
            SCOPED_TRACE(std::to_string(bFromMaxEnt) + " " + std::to_string(bSilent));
            bRegMaxEnt = bFromMaxEnt;
            bRegSecondDerivative = !bFromMaxEnt;
            bRegWeightedThirdDerivative = bRegBothShown = 0;
            bModelHybridCSLsgs = 0;
            bSilentModelSwitch = bSilent;
            headless::Script script;
            if (bSilent && bFromMaxEnt) script.expectMessageBox("ls-g(s)", IDOK);
            command(950);
            bSilentModelSwitch = 0;
            EXPECT_EQ(script.pending(), 0u);
            EXPECT_EQ(shown(script, szNote), bSilent == 1 && bFromMaxEnt == 1);
            EXPECT_FALSE(shown(script, "Please Note: Switching now to Maximum Entropy Regularization"));
            EXPECT_TRUE(bModelHybridCSLsgs);
            EXPECT_TRUE(bRegSecondDerivative);
            EXPECT_FALSE(bRegMaxEnt);
        }
    }
}

// c(s) chosen after a member of the ls-g*(s) family (the hybrid, ls-g*(s)
// with a discrete component) is set up afresh: maximum entropy again and the
// c(s) range 0 to 15 S.
TEST_F(ContinuousModelTest, CsAfterTheLsgsFamilyStartsAfresh)
{
    LoadScans(writeBoundaryScans(scratch, 6));
    for (const unsigned n : {950u, 539u}) {
        SCOPED_TRACE(n);
        headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes of the way
        command(n);
        ASSERT_TRUE(bRegSecondDerivative);
        fSMin = 3.0f;
        fSMax = 30.0f;
        command(275);
        headless::setPolicy(headless::Policy::FailOnUnexpected);
        EXPECT_TRUE(bModelCS);
        EXPECT_TRUE(bRegMaxEnt);
        EXPECT_FALSE(bRegSecondDerivative);
        EXPECT_EQ(fSMin, 0.0f);
        EXPECT_EQ(fSMax, 15.0f);
    }
}

TEST_F(ContinuousModelTest, CMVariantsAskTheirRelations)
{
    headless::Script script;
    script.expectMessageBox("", IDOK)
        .expectInput("Enter zero offset v0 (M=0):", "1.0")
        .expectInput("Enter increment a:", "0.02")
        .expectInputCancel("Enter M-scale s:")
        .expectMessageBox("", IDOK);
    command(279);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(shown(script, "information missing, switching off vbar(M)"));
    EXPECT_FALSE(bModelCMVbarM);
    EXPECT_FALSE(menuChecked(279));
    EXPECT_TRUE(bModelContinuous);
    EXPECT_TRUE(menuChecked(235));

    script.expectInput("Enter a:", "0.01").expectInput("Enter b:", "0.5").expectMessageBox("", IDOK);
    command(278);
    EXPECT_TRUE(bModelCMPowerLaw);
    EXPECT_DOUBLE_EQ(dPowerLawA, 0.01f);
    EXPECT_DOUBLE_EQ(dPowerLawB, 0.5f);
}

// Without a mass range to convert, each variant starts on its own default
// range of the grid (S for the c(s) family and ls-g*(s), Da for c(M), nm for
// the Stokes radii of light scattering, 1e-7 cm^2/s for its D), into slots 1
// and 5. ls-g*(s) and ls-g*(s) with one discrete component start at the
// one-standard-deviation level, 0.683.
TEST_F(ContinuousModelTest, EachVariantStartsOnItsOwnRange)
{
    struct Range {
        int nCommand;
        float fLow, fHigh;
    };
    headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes of the way
    fRadialResolution = 0.003f;                            // c(s,ff0) needs pre-averaged data
    // chosen after the discrete model and a range an earlier model left, the
    // command starts on r's range, in the globals and in slots 1 and 5
    auto startsOn = [&](const Range& r) {
        command(198);
        fSMin = 300.0f;
        fSMax = 900.0f;
        command(r.nCommand);
        EXPECT_EQ(fSMin, r.fLow) << r.nCommand;
        EXPECT_EQ(fSMax, r.fHigh) << r.nCommand;
        EXPECT_EQ(pParamValue[1], r.fLow) << r.nCommand;
        EXPECT_EQ(pParamValue[5], r.fHigh) << r.nCommand;
    };
    for (const Range& r : {Range{514, 0.0f, 20.0f}, Range{526, 2.0f, 20.0f}, Range{531, 0.0f, 20.0f},
                           Range{548, 0.0f, 20.0f}, Range{870, 0.0f, 20.0f}, Range{602, 2.0f, 20.0f},
                           Range{603, 2.0f, 20.0f}, Range{872, 0.5f, 20.0f}, Range{587, 2.0f, 20.0f},
                           Range{595, 2.0f, 20.0f}, Range{598, 0.1f, 20.0f}, Range{511, 2.0f, 20.0f},
                           Range{510, 1.0f, 20.0f}, Range{288, 1.0f, 20.0f}, Range{539, 1.0f, 20.0f},
                           Range{521, 2.0f, 20.0f}}) {
        startsOn(r);
        EXPECT_TRUE(bModelContinuous) << r.nCommand;
        // ls-g*(s), alone or with its discrete component, regularizes at one
        // standard deviation: P(|x| < sigma) = erf(1/sqrt 2) = 0.6827 of a
        // normal distribution, in slot 2 and in the s and M levels alike
        if (r.nCommand == 288 || r.nCommand == 539) {
            const double dOneSigma = std::erf(1.0 / std::sqrt(2.0));
            EXPECT_NEAR(pParamValue[2], dOneSigma, 5e-4) << r.nCommand;
            EXPECT_NEAR(fConfidenceLevel, dOneSigma, 5e-4) << r.nCommand;
            EXPECT_NEAR(fConfidenceLevelCM, dOneSigma, 5e-4) << r.nCommand;
        }
    }
    // flotation has no default of its own: 1 to 10 S the first time it is
    // chosen, later the range the rebuilt plot leaves (without a plot the
    // s models' 0 to 20 S)
    for (const Range& r : {Range{1117, 1.0f, 10.0f}, Range{1117, 0.0f, 20.0f}}) startsOn(r);
    EXPECT_TRUE(bModelCSFlotation);
    // c(M) chosen from c(s) (0 to 15 S) without a plot: the mass default of
    // 10000 to 500000 Da, in the same two slots (no s value left in either)
    command(198);
    command(275);
    ASSERT_EQ(pParamValue[5], 15.0f);
    command(235);
    EXPECT_TRUE(bModelContinuous && !bModelCS && menuChecked(235) && !menuChecked(275));
    EXPECT_EQ(fSMin, 10000.0f);
    EXPECT_EQ(fSMax, 500000.0f);
    EXPECT_EQ(pParamValue[1], 10000.0f);
    EXPECT_EQ(pParamValue[5], 500000.0f);

    // light scattering: I(Rh) and its time course 1 to 50 nm, I(D) 0.1 to
    // 10, each at the level 0.55 and with its own item checked alone (not
    // beside the plain c(M), 235, that the shared set-up ticks)
    bDLSData = 1;
    for (const Range& r : {Range{503, 1.0f, 50.0f}, Range{502, 0.1f, 10.0f}, Range{522, 1.0f, 50.0f}}) {
        startsOn(r);
        EXPECT_EQ(pParamValue[2], 0.55f) << r.nCommand;
        EXPECT_EQ(fConfidenceLevel, 0.55f) << r.nCommand;
        for (int n : {890, 198, 536, 522, 503, 502, 235})
            EXPECT_EQ(menuChecked(n), n == r.nCommand) << r.nCommand << " " << n;
    }
    EXPECT_TRUE(bModelDlsRhTime);
    EXPECT_EQ(pParamValue[11], fTimeCourseWindow);
    headless::setPolicy(headless::Policy::FailOnUnexpected);
}

// The c(s) with an M(s) table describes its discrete component by M and s;
// the switch to M and s must leave the distribution's entries alone (as for
// c(s,ff0)): its range, confidence level, vbar and hydration, and the
// discrete component goes into slots 10 and 6 by its M.
TEST_F(ContinuousModelTest, TheMsTableKeepsItsRangeAndVbarThroughTheSwitchToM)
{
    LoadScans(writeBoundaryScans(scratch, 6));
    command(275);
    ASSERT_FALSE(bUseMolarMass);
    const float fVbar = VBAR, fLevel = fConfidenceLevel, fHydrationBefore = fHydration;
    fDiscreteCompM = 45000.0f;
    fDiscreteCompS = 3.5f;
    command(587);
    ASSERT_TRUE(bModelCSWithMsTable);
    EXPECT_TRUE(bUseMolarMass);
    EXPECT_EQ(pParamValue[1], 2.0f);
    EXPECT_EQ(pParamValue[5], 20.0f);
    EXPECT_EQ(pParamValue[2], fLevel);
    EXPECT_EQ(pParamValue[3], fVbar);
    EXPECT_EQ(pParamValue[4], fHydrationBefore);
    EXPECT_EQ(pParamValue[10], 45000.0f);
    EXPECT_EQ(pParamValue[6], 3.5f);
    paramVectorToGlobals();
    EXPECT_EQ(fSMin, 2.0f);
    EXPECT_EQ(fSMax, 20.0f);
    EXPECT_EQ(VBAR, fVbar);
    EXPECT_EQ(fConfidenceLevel, fLevel);
}

// The bimodal f/f0 with one discrete component puts its M and s, and their
// fit flags (here M fixed, s floated), into slots 16 and 17 and into the
// species extras those slots are read from, so the globals written back into
// the vector later (as the buffer mismatch's flag update does) keep the
// component and what of it is fitted, whatever the extras held before.
TEST_F(ContinuousModelTest, TheDiscreteComponentStandsInItsSlotsAndItsGlobals)
{
    LoadScans(writeBoundaryScans(scratch, 6));
    fRadialResolution = 0.003f;  // no advice to pre-average
    command(275);
    pParamValue[16] = 7.0f;
    pParamValue[17] = 8.0f;
    pParamFloat[16] = 1;
    pParamFloat[17] = 0;
    paramVectorToGlobals();
    fDiscreteCompM = 45000.0f;
    fDiscreteCompS = 3.5f;
    nFitDiscreteCompMorD = 0;
    nFitDiscreteCompS = 1;
    command(870);
    ASSERT_TRUE(bModelCSBimodalFf0OneDiscrete);
    EXPECT_EQ(pParamValue[16], 45000.0f);
    EXPECT_EQ(pParamValue[17], 3.5f);
    EXPECT_EQ(pParamFloat[16], 0);
    EXPECT_EQ(pParamFloat[17], 1);
    updateBufferSedimentationFitFlags();
    EXPECT_EQ(pParamValue[16], 45000.0f);
    EXPECT_EQ(pParamValue[17], 3.5f);
    EXPECT_EQ(pParamFloat[16], 0);
    EXPECT_EQ(pParamFloat[17], 1);
    paramVectorToGlobals();
    EXPECT_EQ(nFitDiscreteCompMorD, 0);
    EXPECT_EQ(nFitDiscreteCompS, 1);

    // ls-g*(s) with one discrete component holds it by its M in slot 10 and
    // its s in slot 6 (the slot table of docs/models.md), whatever another
    // model left there, and reads it back from them
    headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes of the way
    command(275);
    for (int k = 1; k <= 12; ++k) pParamValue[k] = 100.0f + k;
    fDiscreteCompM = 62000.0f;
    fDiscreteCompS = 4.25f;
    command(539);
    headless::setPolicy(headless::Policy::FailOnUnexpected);
    ASSERT_TRUE(bModelLsgsOneDiscrete);
    EXPECT_EQ(pParamValue[10], 62000.0f);
    EXPECT_EQ(pParamValue[6], 4.25f);
    fDiscreteCompM = fDiscreteCompS = 0.0f;
    paramVectorToGlobals();
    EXPECT_EQ(fDiscreteCompM, 62000.0f);
    EXPECT_EQ(fDiscreteCompS, 4.25f);
}

// c(s) with a fixed frictional ratio and a floating vbar moves vbar into the
// entry the ratio had: every entry holds the value its name says, and the
// values come back from the vector as they were.
TEST_F(ContinuousModelTest, FloatingVbarTakesTheRatiosEntry)
{
    LoadScans(writeBoundaryScans(scratch, 6));
    VBAR = 0.72f;
    fFrictionalRatio = 1.3f;
    command(275);
    EXPECT_EQ(pParamValue[3], 0.72f);
    EXPECT_EQ(pParamValue[11], 1.3f);
    const float fViscosity = pParamValue[12], fDensity = fBufferDensity, fRelative = RELVISCOSITY;
    command(602);
    ASSERT_TRUE(bModelCSFixFf0FloatingVbar);
    const std::map<std::string, float> expected = {
        {"vbar", 0.72f}, {"frictionalRatio", 1.3f}, {"viscosity", fViscosity}, {"bufferDensity", fDensity}};
    int seen = 0;
    for (int k = 1; k <= 34; ++k) {
        const auto it = expected.find(parameterMeaning(k).szName);
        if (it == expected.end()) continue;
        EXPECT_EQ(pParamValue[k], it->second) << k << " " << it->first;
        ++seen;
    }
    EXPECT_EQ(seen, 4);
    paramVectorToGlobals();
    EXPECT_EQ(VBAR, 0.72f);
    EXPECT_EQ(fFrictionalRatio, 1.3f);
    EXPECT_EQ(RELVISCOSITY, fRelative);

    // The fit flags go with the entries: vbar's entry floats as vbar was last
    // floated in this model (fixed at first, whatever c(s) did with its
    // frictional ratio there), and floated once it comes back floating; the
    // viscosity's entry stays fixed.
    for (int nFloat : {0, 1}) {
        command(275);
        pParamFloat[11] = 1;  // c(s) fits its frictional ratio
        syncParameterVector();
        command(602);
        EXPECT_EQ(pParamFloat[11], nFloat) << "vbar";
        EXPECT_EQ(pParamFloat[12], 0) << "viscosity";
        pParamFloat[11] = 1;  // vbar floated in this model
        paramVectorToGlobals();
    }
}

// The scaling law s = Ks M^bs starts as the s20,w of compact particles with
// the c(s) default frictional ratio (1.2) and vbar 0.73 in water at 20 'C:
// Stokes' law, s = M (1 - vbar rho) / (NA f/f0 6 pi eta R0), with R0 the
// radius of the anhydrous sphere, over three decades of M.
TEST_F(ContinuousModelTest, TheScalingLawStartsAtCompactParticles)
{
    LoadScans(writeBoundaryScans(scratch, 6));
    command(872);
    ASSERT_TRUE(bModelCSScalingLaw);
    const double ks = pParamValue[11], bs = pParamValue[18];
    const double NA = 6.02214076e23, vbar = 0.73, rho = 0.99823, eta = 0.01002;
    for (const double M : {2e4, 2e5, 2e6}) {
        const double R0 = std::cbrt(3 * M * vbar / (4 * M_PI * NA));
        const double s = M * (1 - vbar * rho) / (NA * fFrictionalRatio * 6 * M_PI * eta * R0) * 1e13;
        EXPECT_NEAR(ks * std::pow(M, bs) / s, 1.0, 0.02) << M;
    }
    EXPECT_EQ(fFrictionalRatio, 1.2f);
}
