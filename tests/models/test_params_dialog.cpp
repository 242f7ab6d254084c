// The parameter dialog of command 212 through the headless script: the
// template of each model, what the edits show, what is taken back, the
// checks of OK, and what follows (fit ranges, VBAR20, the grid settings).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "models/params_dialog.h"
#include "model_window_fixture.h"
#include "resources/commands.h"
#include "scandata/scan_data.h"
#include "tools/exports/xp_export.h"

using namespace win;

namespace {

bool shown(const headless::Script& script, const std::string& text)
{
    for (const std::string& l : script.lines())
        if (l.find("\"" + text + "\"") != std::string::npos) return true;
    return false;
}

class ParamsDialogTest : public ModelWindowTest {};

}  // namespace

TEST_F(ParamsDialogTest, EachModelHasItsTemplate)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);  // "assuming t = 20 'C" of the M/D switches
    command(198);
    EXPECT_EQ(paramsDialogTemplate(), 400);
    bUseMolarMass = 1;
    EXPECT_EQ(paramsDialogTemplate(), 306);
    bBufferMismatch = 1;
    EXPECT_EQ(paramsDialogTemplate(), 574);
    bUseMolarMass = 0;
    EXPECT_EQ(paramsDialogTemplate(), 573);
    bBufferMismatch = 0;
    command(246);
    EXPECT_EQ(paramsDialogTemplate(), 317);
    command(227);
    EXPECT_EQ(paramsDialogTemplate(), 325);
    command(1099);
    EXPECT_EQ(paramsDialogTemplate(), 1101);
    command(893);
    EXPECT_EQ(paramsDialogTemplate(), 892);
    command(267);
    EXPECT_EQ(paramsDialogTemplate(), 318);
    command(275);
    EXPECT_EQ(paramsDialogTemplate(), 320);
    headless::setPolicy(headless::Policy::FailOnUnexpected);

    // the dialog opens on it
    headless::Script script;
    script.expectDialog("320", headless::DialogAnswer().cancel());
    command(212);
    EXPECT_TRUE(shown(script, "Continuous c(s) Distribution"));
    EXPECT_EQ(script.pending(), 0u);
}

// Every continuous model opens the parameter dialog of its own: the dialog's
// caption is the model's item in the Model menu. The electrophoresis ls-g*(v)
// (501) has its own caption, "ls-g*(s) in Linear Geometry With Constant
// Force", and not the van Holde - Weischet dialog of the boundary analysis.
TEST_F(ParamsDialogTest, EachContinuousModelOpensTheDialogNamedAfterIt)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes of the way
    fRadialResolution = 0.003f;                            // c(s,ff0) needs pre-averaged data
    for (const unsigned n : {275u, 514u, 526u, 531u, 548u, 870u, 602u, 603u, 872u, 587u, 1117u, 585u, 1100u, 595u,
                             598u, 887u, 511u, 510u, 539u, 950u, 288u, 235u}) {
        command(198);
        command(n);
        std::string caption = findCommand(n)->szCaption;
        caption = caption.substr(0, caption.find('\t'));
        headless::Script script;
        script.expectDialog(caption, headless::DialogAnswer().cancel());
        command(212);
        EXPECT_EQ(script.pending(), 0u) << n << " " << caption;
    }
    command(198);
    command(501);
    headless::Script script;
    script.expectDialog("ls-g*(s) in Linear Geometry With Constant Force", headless::DialogAnswer().cancel());
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    headless::setPolicy(headless::Policy::FailOnUnexpected);
}

TEST_F(ParamsDialogTest, TheBufferRowIsNeitherShownNorTakenBack)
{
    command(198);
    bBufferMismatch = 1;
    pSpeciesIncluded[1] = 1;
    pParamValue[12] = pSpeciesConc[4] = 0.3f;
    pParamValue[4] = pSpeciesMw[4] = 80.0f;
    headless::Script script;
    // "abc" in the buffer row is not checked, and not read
    script.expectDialog("573", headless::DialogAnswer().set(426, "abc").set(428, "x"));
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    const ParamsBoxTransfer& t = window->paramsBoxTransfer;
    EXPECT_STREQ(t.row[3].eMw, "buffer");
    EXPECT_EQ(pSpeciesConc[4], 0.3f);
    EXPECT_EQ(pSpeciesMw[4], 80.0f);
}

TEST_F(ParamsDialogTest, FormatsOfTheEdits)
{
    command(275);
    pParamValue[5] = 1000.75f;  // s max, just above 1000: whole numbers
    pParamValue[9] = 100.0f;    // resolution
    headless::Script script;
    script.expectDialog("320", headless::DialogAnswer().cancel());
    command(212);
    const ParamsBoxTransfer& t = window->paramsBoxTransfer;
    EXPECT_STREQ(t.row[0].eS, "1001");
    EXPECT_STREQ(t.row[0].eConc, "100");

    command(198);
    bUseMolarMass = 1;
    pParamValue[1] = 63333.4f;
    pParamValue[13] = 6.0f;
    script.expectDialog("306", headless::DialogAnswer().cancel());
    command(212);
    EXPECT_STREQ(t.row[0].eMw, "63333");
    EXPECT_STREQ(t.e435, "6.0000");
}

TEST_F(ParamsDialogTest, OnlyAChangedMeniscusOrBottomChangesTheData)
{
    LoadScans(writeBoundaryScans(scratch, 4));
    command(198);
    const float fBottomLoaded = fBottom;
    bFitTINoise = bFitRINoise = 0;
    bDataChanged = 0;
    headless::Script script;
    script.expectDialog("400", headless::DialogAnswer());
    command(212);
    EXPECT_FALSE(bDataChanged);
    EXPECT_EQ(fBottom, fBottomLoaded);  // unchanged text, unchanged value

    // the settings of the Lamm equation are shown, not taken
    const int nGrid = nDefaultGridSize;
    script.expectDialog("400", headless::DialogAnswer().set(437, "7.1").set(439, "123"));
    command(212);
    EXPECT_TRUE(bDataChanged);
    EXPECT_FLOAT_EQ(fBottom, 7.1f);
    EXPECT_EQ(pParamValue[14], fBottom);
    EXPECT_EQ(nDefaultGridSize, nGrid);
    EXPECT_EQ(script.pending(), 0u);
}

// The two noise checks are switches of 0 and 1: the experiment file of the
// export carries them as the 0/1 flags of its lines 4 to 21 (docs/tools.md).
TEST_F(ParamsDialogTest, TheNoiseChecksAreTakenAsSwitches)
{
    LoadScans(writeBoundaryScans(scratch, 4));
    command(198);
    bFitTINoise = bFitRINoise = 0;
    headless::Script script;
    script.expectDialog("400", headless::DialogAnswer().check(431).check(455));
    command(212);
    EXPECT_TRUE(bFitTINoise && bFitRINoise);
    for (const char* szPrompt : {"buffer density", "buffer viscosity", "partial", "optical", "rotor"})
        script.expectInputCancel(szPrompt);
    const std::string xp = scratch + "data.xp";
    ASSERT_TRUE(writeXpExperimentFile(window.get(), xp.c_str()));
    EXPECT_EQ(script.pending(), 0u);
    const std::vector<std::string> lines = readLines(xp);
    for (const char* szLine : {"1 (blocalFitTimeIndepNoise)", "1 (blocalFitRINoise)"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), szLine), lines.end()) << szLine;
}

TEST_F(ParamsDialogTest, Vbar20FollowsNearTwentyDegreesAndIsAskedOtherwise)
{
    LoadScans(writeBoundaryScans(scratch, 4));
    bFitTINoise = bFitRINoise = 0;
    for (int k = 1; k <= nScans; ++k) pScanHeaders[k].temperature = 20.4f;
    command(275);
    VBAR = 0.74f;
    pParamValue[3] = 0.74f;
    fVbarTransform = 0.72f;
    headless::Script script;
    script.expectDialog("320", headless::DialogAnswer());
    command(212);
    EXPECT_EQ(fVbarTransform, 0.74f);  // silently

    for (int k = 1; k <= nScans; ++k) pScanHeaders[k].temperature = 25.0f;
    fVbarTransform = 0.72f;
    script.expectDialog("320", headless::DialogAnswer()).expectMessageBox("SETTING VBAR PARAMETERS", IDNO);
    command(212);
    EXPECT_TRUE(shown(script, "set VBAR20 equal to VBAR(25.00C)?"));
    EXPECT_EQ(fVbarTransform, 0.72f);
    script.expectDialog("320", headless::DialogAnswer()).expectMessageBox("SETTING VBAR PARAMETERS", IDYES);
    command(212);
    EXPECT_EQ(fVbarTransform, 0.74f);
    EXPECT_EQ(script.pending(), 0u);
}

// A meniscus typed away from the loaded one: the automatic ranges come with
// it (the range of the old meniscus pinned the fit on its edge), the fit
// limits kept clear of the meniscus; ranges of the user's that no longer fit
// are offered, on the first floating of a data set.
TEST_F(ParamsDialogTest, TheFirstFloatedMeniscusOffersRangesThatDoNotFit)
{
    LoadScans(writeBoundaryScans(scratch, 4));
    command(198);
    bFitTINoise = bFitRINoise = 0;
    ASSERT_FALSE(bVaryMeniscusWarned);
    const float fTyped = fMeniscus + 0.05f;
    char szTyped[16];
    std::snprintf(szTyped, sizeof szTyped, "%.4f", fTyped);
    headless::Script script;
    script.expectDialog("400", headless::DialogAnswer().check(434).set(435, szTyped));
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bFitMeniscus);
    EXPECT_TRUE(bVaryMeniscusWarned);
    EXPECT_FLOAT_EQ(fMinMeniscus, fTyped - 0.02f);
    EXPECT_LT(fTyped, fMaxMeniscus);
    EXPECT_LT(fMaxMeniscus, fFitLeftLim);

    // the user's ranges stay when the meniscus leaves them; they do not fit
    // and are offered at the first floating of a data set
    bUserMeniscusBottomRange = 1;
    bVaryMeniscusWarned = 0;
    const float fMax = fMaxMeniscus;
    script.expectDialog("400", headless::DialogAnswer().set(435, "6.10"))
        .expectDialog("set meniscus+limits", headless::DialogAnswer().cancel());
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(fMaxMeniscus, fMax);
    // once per data set
    script.expectDialog("400", headless::DialogAnswer().set(435, "6.12"));
    command(212);
    EXPECT_EQ(script.pending(), 0u);
}

// The table of meniscus and bottom ranges, shown at the first floating of the
// meniscus and taken with OK, reads the parameter vector back before it sets
// the ranges: the s values typed into the same dialog must already stand in
// their slots, 4 + k for row k (docs/models.md), or the table puts the old
// ones back (and a value in a neighbouring slot would become another
// species' s or the loading of species 1).
TEST_F(ParamsDialogTest, TheRangesTableKeepsTheValuesTypedBesideTheFirstFloatedMeniscus)
{
    LoadScans(writeBoundaryScans(scratch, 4));
    command(198);
    bFitTINoise = bFitRINoise = 0;
    for (int k = 1; k <= 4; ++k) {
        pParamValue[8 + k] = 0.1f * k;  // loadings 0.1 to 0.4
        pParamValue[k] = 1.0f * k;      // D 1 to 4
        pParamValue[4 + k] = 2.0f + k;  // s 3 to 6 S
    }
    paramVectorToGlobals();
    for (int k = 1; k <= 4; ++k) pSpeciesIncluded[k] = 1;
    // user ranges that do not hold the meniscus: the table is shown
    bUserMeniscusBottomRange = 1;
    fMinMeniscus = fMaxMeniscus = 0;
    ASSERT_FALSE(bVaryMeniscusWarned);
    headless::Script script;
    // s of rows 1 and 4 (edits 407 and 428) typed, the meniscus floated
    script.expectDialog("400", headless::DialogAnswer().set(407, "3.25").set(428, "7.75").check(434))
        .expectDialog("set meniscus+limits", headless::DialogAnswer());
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bFitMeniscus && bVaryMeniscusWarned);
    EXPECT_EQ(pSpeciesS[1], 3.25f);
    EXPECT_EQ(pSpeciesS[2], 4.0f);
    EXPECT_EQ(pSpeciesS[3], 5.0f);
    EXPECT_EQ(pSpeciesS[4], 7.75f);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_FLOAT_EQ(pSpeciesConc[k], 0.1f * k) << k;
        EXPECT_EQ(pSpeciesMw[k], 1.0f * k) << k;
        EXPECT_EQ(pParamValue[4 + k], pSpeciesS[k]) << k;
        EXPECT_EQ(pParamValue[8 + k], pSpeciesConc[k]) << k;
    }
}

TEST_F(ParamsDialogTest, NonidealFirstSpeciesAsksItsCoefficients)
{
    command(198);
    headless::Script script;
    script.expectDialog("400", headless::DialogAnswer().check(401).check(450))
        .expectInput("log10(ks/(mg/ml)):", "1.5")
        .expectMessageBox("fit ks?", IDYES)
        .expectInput("log10(kd/(mg/ml)):", "-0.5")
        .expectMessageBox("fit kd?", IDNO)
        .expectInput("Signal per mg/ml:", "3.3");
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bSpecies1Nonideal);
    EXPECT_FLOAT_EQ(fNonidealKs, 1.5f);
    EXPECT_FLOAT_EQ(fNonidealKd, -0.5f);
    EXPECT_EQ(nFitNonidealKs, 1);
    EXPECT_EQ(nFitNonidealKd, 0);
    EXPECT_DOUBLE_EQ(dSignalPerMgMl, 3.3f);
    // into the slots of the non-ideal first species' view
    EXPECT_FLOAT_EQ(pParamValue[20], 1.5f);
    EXPECT_FLOAT_EQ(pParamValue[21], -0.5f);
    EXPECT_EQ(pParamFloat[20], 1);
    EXPECT_TRUE(bNonidealRepulsive && bNonidealOption2);
    for (const std::string& l : script.lines())
        EXPECT_EQ(l.find("Prompt") != std::string::npos && l.find("NONIDEAL COMPONENT 1") == std::string::npos, false)
            << l;

    // the loading is divided by the signal: 0 or less is refused as the
    // dialog's own field refuses it, and the signal stays
    for (const char* szSignal : {"0", "-2"}) {
        headless::Script again;
        again.expectDialog("400", headless::DialogAnswer())
            .expectInput("log10(ks/(mg/ml)):", "1.5")
            .expectMessageBox("fit ks?", IDYES)
            .expectInput("log10(kd/(mg/ml)):", "-0.5")
            .expectMessageBox("fit kd?", IDNO)
            .expectInput("Signal per mg/ml:", szSignal)
            .expectMessageBox("Invalid Entry", IDOK);
        command(212);
        EXPECT_EQ(again.pending(), 0u) << szSignal;
        EXPECT_DOUBLE_EQ(dSignalPerMgMl, 3.3f) << szSignal;
    }
}

// The non-ideal multiple species (template 892) ask the extinctions of the
// species loaded: species 1 and 2 with a loading of species 2, species 3 only
// with a loading of its own (any other question fails the script).
TEST_F(ParamsDialogTest, TheNonidealSpeciesDialogAsksTheExtinctionsOfTheLoadedSpecies)
{
    command(893);
    pParamValue[27] = 0.5f;  // loading of species 2
    pParamValue[31] = 0.0f;  // species 3 not loaded
    headless::Script script;
    script.expectDialog("892", headless::DialogAnswer())
        .expectInput("extinction species 1:", "1.1")
        .expectInput("extinction species 2:", "0.9");
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fNonidealExtinction1, 1.1f);
    EXPECT_FLOAT_EQ(fNonidealExtinction2, 0.9f);

    pParamValue[31] = 0.2f;
    headless::Script loaded;
    loaded.expectDialog("892", headless::DialogAnswer())
        .expectInput("extinction species 1:", "1.1")
        .expectInput("extinction species 2:", "0.9")
        .expectInput("extinction species 3:", "1.3");
    command(212);
    EXPECT_EQ(loaded.pending(), 0u);
    EXPECT_FLOAT_EQ(fNonidealExtinction3, 1.3f);
}

TEST_F(ParamsDialogTest, OkIsRefusedForWhatCannotBeTaken)
{
    command(198);
    headless::Script script;
    script.expectDialog("400", headless::DialogAnswer().set(405, "abc"))
        .expectMessageBox("Input Error", IDOK)
        .expectDialog("400", headless::DialogAnswer().cancel());
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(shown(script, "Invalid Entry"));

    // a meniscus at or beyond the bottom (no radius left to fit), or at or
    // inside the axis (no cell: generated scans came out NaN); both 0 are
    // not set yet; in the electrophoresis geometry 437 is the length
    pParamValue[13] = fMeniscus = 6.0f;
    pParamValue[14] = fBottom = 7.2f;
    for (const char* szMeniscus : {"7.2", "7.3", "0", "-0.01"}) {
        script.expectDialog("400", headless::DialogAnswer().set(435, szMeniscus))
            .expectMessageBox("Input Error", IDOK)
            .expectDialog("400", headless::DialogAnswer().cancel());
        command(212);
        EXPECT_EQ(script.pending(), 0u) << szMeniscus;
        EXPECT_EQ(fMeniscus, 6.0f) << szMeniscus;
    }
    script.expectDialog("400", headless::DialogAnswer().set(435, "0").set(437, "0"));
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    pParamValue[13] = fMeniscus = 6.0f;
    pParamValue[14] = fBottom = 7.2f;
    fElectrophoresisLength = 1.2f;
    bElectrophoresis = 1;
    script.expectDialog("322", headless::DialogAnswer().set(437, "0"))
        .expectMessageBox("Input Error", IDOK)
        .expectDialog("322", headless::DialogAnswer().cancel());
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    bElectrophoresis = 0;

    // the non-ideal species divide their loading by the signal of 1 mg/ml
    command(227);
    dSignalPerMgMl = 3.3;
    for (const char* szSignal : {"0", "-1"}) {
        script.expectDialog("325", headless::DialogAnswer().set(440, szSignal))
            .expectMessageBox("Input Error", IDOK)
            .expectDialog("325", headless::DialogAnswer().cancel());
        command(212);
        EXPECT_EQ(script.pending(), 0u) << szSignal;
        EXPECT_EQ(dSignalPerMgMl, 3.3) << szSignal;
    }
    script.expectDialog("325", headless::DialogAnswer().set(440, "0.5"));
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(dSignalPerMgMl, 0.5);
    command(198);

    // light-scattering data: M (or D) and s of one species cannot both float
    bDLSData = 1;
    script.expectDialog("400", headless::DialogAnswer().check(410).check(411))
        .expectMessageBox("Parameter Error", IDOK)
        .expectDialog("400", headless::DialogAnswer().cancel());
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(shown(script, "linear dependent floating parameters for modeling DLS data"));
}

TEST_F(ParamsDialogTest, ALogGridFromZeroIsSwitchedOffAndTheDialogComesBack)
{
    command(275);
    pParamValue[1] = 0.0f;
    headless::Script script;
    script.expectDialog("320", headless::DialogAnswer().check(424))
        .expectMessageBox("", IDOK)
        .expectDialog("320", headless::DialogAnswer().cancel());
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(shown(script, "smin = 0 is incompatible with log spacing of grid\\n - switching off - please confirm"));
    EXPECT_FALSE(bLogSGrid);
}

// The f/f0 dimension of c(s, f/f0) needs two values at least: a resolution of
// 2 is taken, 1 is refused with its message.
TEST_F(ParamsDialogTest, TheSmallestFf0ResolutionIsTwo)
{
    command(275);
    bLogSGrid = 0;
    bModelCSFf0 = 1;
    fFf0Min = 1.0f;
    fFf0Max = 2.0f;
    fFf0Resolution = 2.0f;
    headless::Script script;
    EXPECT_TRUE(checkDistributionGridSettings());
    fFf0Resolution = 1.0f;
    script.expectMessageBox("", IDOK);
    EXPECT_FALSE(checkDistributionGridSettings());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(shown(script, "Error in bCofSff0: ff0resolution must be integer > 1"));
}

// In both c(s, f/f0) dialogs the fourth row's s edit (428) is the f/f0
// resolution, parameter 8; with the discrete component its M edit (427) is
// the component's s, which has no slot of its own: typed, it changes neither
// the resolution nor the hydration in slot 4.
TEST_F(ParamsDialogTest, TheFf0DialogsTakeTheResolutionAndTheDiscreteS)
{
    fRadialResolution = 0.003f;  // the pre-averaging the models ask for
    bUseMolarMass = 1;           // (the models describe by M and s)
    for (unsigned nCommand : {595u, 598u}) {
        command(nCommand);
        ASSERT_TRUE(nCommand == 595 ? bModelCSFf0 : bModelCSFf0OneDiscrete);
        const int nTemplate = paramsDialogTemplate();
        pParamValue[8] = 10.0f;
        fDiscreteCompS = 3.5f;
        const float fHydrationSlot = pParamValue[4];
        paramVectorToGlobals();
        headless::Script script;
        script.expectDialog(std::to_string(nTemplate), headless::DialogAnswer().cancel());
        command(212);
        const ParamsBoxTransfer& t = window->paramsBoxTransfer;
        EXPECT_STREQ(t.row[3].eS, "10.00000") << nCommand;
        if (nCommand == 598) {
            EXPECT_STREQ(t.row[3].eMw, "3.500");
        }

        headless::DialogAnswer answer;
        answer.set(428, "12");
        if (nCommand == 598) answer.set(427, "4.2");
        script.expectDialog(std::to_string(nTemplate), answer);
        command(212);
        EXPECT_EQ(script.pending(), 0u) << nCommand;
        EXPECT_EQ(pParamValue[8], 12.0f) << nCommand;
        EXPECT_EQ(pParamValue[4], fHydrationSlot) << nCommand;
        EXPECT_EQ(fDiscreteCompS, nCommand == 598 ? 4.2f : 3.5f) << nCommand;
    }
}

// In the non-ideal c(s) dialog (586) the fourth row's M edit (427) is kd and
// 443 is ks, slots 21 and 20: a typed kd goes there, and slot 4, whose value
// that edit shows in the other models, keeps its value.
TEST_F(ParamsDialogTest, TheNonidealCsDialogShowsAndTakesKdAndKs)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes of the way
    command(585);
    headless::setPolicy(headless::Policy::FailOnUnexpected);
    ASSERT_TRUE(bModelNonidealCS);
    pParamValue[20] = -1.25f;
    pParamValue[21] = 0.5f;
    pParamValue[7] = 0.99823f;  // the solvent density, five decimals like every edit
    paramVectorToGlobals();
    const float fSlot4 = pParamValue[4];
    headless::Script script;
    script.expectDialog("586", headless::DialogAnswer().cancel());
    command(212);
    const ParamsBoxTransfer& t = window->paramsBoxTransfer;
    EXPECT_EQ(std::strtod(t.row[3].eMw, nullptr), 0.5);
    EXPECT_EQ(std::strtod(t.e443, nullptr), -1.25);

    script.expectDialog("586", headless::DialogAnswer().set(427, "-0.75"));
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(fNonidealKd, -0.75f);
    EXPECT_EQ(pParamValue[21], -0.75f);
    EXPECT_EQ(pParamValue[20], -1.25f);
    EXPECT_EQ(pParamValue[4], fSlot4);
    EXPECT_STREQ(t.row[2].eS, "0.99823");
    EXPECT_EQ(pParamValue[7], 0.99823f);  // OK takes back what the edit showed
}

// After OK the dimer's row (slot 2) is derived from the monomer's: twice its
// M, or by D and s Svedberg's relation at one vbar, D2 = D1 (s2 / s1) / 2.
// The discrete species chosen next keep the row.
TEST_F(ParamsDialogTest, TheDimerRowFollowsTheMonomer)
{
    for (const unsigned char bMolar : {1, 0}) {
        command(198);
        bUseMolarMass = bMolar;
        command(197);
        pParamValue[1] = bMolar ? 30000.0f : 6.0f;
        pParamValue[5] = 2.0f;
        pParamValue[6] = 3.0f;
        paramVectorToGlobals();
        headless::Script script;
        script.expectDialog(std::to_string(paramsDialogTemplate()), headless::DialogAnswer());
        command(212);
        EXPECT_EQ(script.pending(), 0u);
        command(198);
        EXPECT_FLOAT_EQ(pParamValue[2], bMolar ? 60000.0f : 4.5f);
        EXPECT_FLOAT_EQ(pSpeciesMw[2], bMolar ? 60000.0f : 4.5f);
    }
}

// Light-scattering data see only D: either M (or D) or s of a species may
// float, not both.
TEST_F(ParamsDialogTest, ForLightScatteringDataEitherMOrSMayFloat)
{
    command(198);
    bDLSData = 1;
    headless::Script script;
    for (int k = 0; k < 4; ++k) {
        const int nM = 403 + 7 * k, nS = 404 + 7 * k;
        for (int id : {nM, nS}) {
            script.expectDialog("400", headless::DialogAnswer().check(id).check(id == nM ? nS : nM, false));
            command(212);
            EXPECT_EQ(script.pending(), 0u) << id;
            EXPECT_FALSE(shown(script, "linear dependent floating parameters for modeling DLS data")) << id;
        }
    }
}

// Box 446 is the inverted band (buffer lamella over the sample) in the zone
// dialog of M and s: it shows the setting, and OK with the box untouched
// keeps it, either way; elsewhere it shows the fixed time step, which the
// dialog does not take back, and the band is left alone.
TEST_F(ParamsDialogTest, TheZoneDialogShowsAndKeepsTheInvertedBand)
{
    command(246);
    bUseMolarMass = 1;
    ASSERT_EQ(paramsDialogTemplate(), 316);
    const ParamsBoxTransfer& t = window->paramsBoxTransfer;
    headless::Script script;
    for (unsigned char bInvert : {1, 0}) {
        bInvertBand = bInvert;
        bFixedTimestep = bInvert ? 0 : 1;
        script.expectDialog("316", headless::DialogAnswer());
        command(212);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(t.c446, bInvert) << int(bInvert);
        EXPECT_EQ(bInvertBand, bInvert) << int(bInvert);
    }
    script.expectDialog("316", headless::DialogAnswer().check(446));
    command(212);
    EXPECT_TRUE(bInvertBand);

    command(198);
    ASSERT_EQ(paramsDialogTemplate(), 306);
    bInvertBand = 1;
    bFixedTimestep = 0;
    script.expectDialog("306", headless::DialogAnswer());
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(t.c446, 0u);
    EXPECT_TRUE(bInvertBand);
}

// In the zone dialog the s check of the fourth row floats the lamella width:
// it shows the fit flag, and what it holds at OK becomes the flag (and the
// lamella width's fit slot 23), also when the ranges of a newly floated
// meniscus are asked on the way; the s of species 4 keeps its own flag.
TEST_F(ParamsDialogTest, TheZoneDialogFloatsTheLamellaWidthWithTheFourthSCheck)
{
    command(246);
    ASSERT_TRUE(bModelZone);
    const ParamsBoxTransfer& t = window->paramsBoxTransfer;
    headless::Script script;
    pSpeciesSFloat[4] = pParamFloat[8] = 1;
    for (int bFloat : {1, 0}) {
        bFitLamellaWidth = bFloat;
        script.expectDialog(std::to_string(paramsDialogTemplate()), headless::DialogAnswer());
        command(212);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(t.row[3].cSFloat, bFloat) << bFloat;
        EXPECT_EQ(bFitLamellaWidth, bFloat) << bFloat;
        EXPECT_EQ(pParamFloat[23], bFloat) << bFloat;
        // toggled in the dialog
        script.expectDialog(std::to_string(paramsDialogTemplate()), headless::DialogAnswer().check(425, !bFloat));
        command(212);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(bFitLamellaWidth, !bFloat) << bFloat;
        EXPECT_EQ(pParamFloat[23], !bFloat) << bFloat;
        EXPECT_EQ(pSpeciesSFloat[4], 1) << bFloat;
        EXPECT_EQ(pParamFloat[8], 1) << bFloat;
    }
    // toggled together with the first floating of the meniscus: the table of
    // its ranges comes in between, and taking it keeps the new choice
    for (int bFloat : {1, 0}) {
        bFitMeniscus = 0;
        pParamFloat[13] = 0;
        bVaryMeniscusWarned = 0;
        fMinMeniscus = fMaxMeniscus = -1;  // no range that holds the meniscus
        ASSERT_EQ(pParamFloat[23], bFloat);
        script.expectDialog(std::to_string(paramsDialogTemplate()),
                            headless::DialogAnswer().check(425, !bFloat).check(434))
            .expectDialog("set meniscus+limits", headless::DialogAnswer());
        command(212);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_TRUE(bFitMeniscus);
        EXPECT_EQ(bFitLamellaWidth, !bFloat) << bFloat;
        EXPECT_EQ(pParamFloat[23], !bFloat) << bFloat;
    }
}
