// The Model commands as the menu sends them: what each chooses, what it
// refuses, the reset before a new model, and the check marks of the Model
// menu, which must show exactly the model that is chosen.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_fit.h"
#include "distributions/regularization.h"
#include "fegrid/global_grid.h"
#include "fegrid/hetero_assoc.h"
#include "fegrid/loading_cell.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "models/model_selection.h"
#include "model_window_fixture.h"
#include "resources/commands.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

bool anyCSVariant()
{
    for (unsigned char b : {bModelCSConformationalChange, bModelCSInvariantD, bModelCSOneDiscreteM, bModelCSOneDiscreteD,
                            bModelCSBimodalFf0, bModelCSBimodalFf0OneDiscrete, bModelCSFixFf0FloatingVbar,
                            bModelCSWormlikeChain, bModelCSScalingLaw, bModelFMScalingLaw, bModelCSWithMsTable,
                            bModelCSFlotation, bModelNonidealCS, bModelCSFf0, bModelCSFf0OneDiscrete,
                            bModelCSLinearRods})
        if (b) return true;
    return false;
}

// The items of the Model menu that the flags say are chosen.
std::set<unsigned> itemsOfFlags()
{
    std::set<unsigned> s;
    if (bModelDiscreteSpecies) {
        if (bGeometryLinear) s.insert(280);
        else if (bGeometryExternalLoadingCell) s.insert(281);
        else if (bElectrophoresis) s.insert(291);
        else if (bModelZone) s.insert(246);
        else if (bModelDlsStokesRadii) s.insert(536);
        else if (bModelDlsCumulants) s.insert(890);
        else if (!bGeometryReserved) s.insert(198);
    }
    if (bModelNonidealSingle) s.insert(bModelHindered ? 1099 : 227);
    if (bModelNonidealMultiple) s.insert(893);
    const bool bLsgFamily = bModelLsgs || bModelLsgsOneDiscrete || bModelHybridCSLsgs || bModelZoneCS;
    if (bModelLsgv) s.insert(501);
    else if (bModelZoneLsgs) s.insert(510);
    else if (bModelZoneCS) s.insert(511);
    else if (bModelHybridCSLsgs) s.insert(950);
    else if (bModelLsgsOneDiscrete) s.insert(539);
    else if (bModelLsgs) s.insert(288);
    const std::pair<unsigned char, unsigned> variants[] = {
        {bModelCSConformationalChange, 514}, {bModelCSInvariantD, 526}, {bModelCSOneDiscreteM, 531},
        {bModelCSOneDiscreteD, 531},         {bModelCSBimodalFf0, 548}, {bModelCSBimodalFf0OneDiscrete, 870},
        {bModelCSFixFf0FloatingVbar, 602},   {bModelCSWormlikeChain, 603}, {bModelCSScalingLaw, 872},
        {bModelCSWithMsTable, 587},          {bModelCSFlotation, 1117}, {bModelCSFf0, 595},
        {bModelCSFf0OneDiscrete, 598},       {bModelFMScalingLaw, 887}, {bModelCSLinearRods, 521},
        {bModelCMPowerLaw, 278},             {bModelCMVbarM, 279},      {bModelDlsRh, 503},
        {bModelDlsD, 502},                   {bModelDlsRhTime, 522}};
    for (const auto& [b, n] : variants)
        if (b) s.insert(n);
    if (bModelNonidealCS) s.insert(bModelHinderedCS ? 1100 : 585);
    if (bModelCMbInvariantD && !bModelElectrophoresisCV) s.insert(277);
    if (bModelElectrophoresisCV) s.insert(513);
    if (bExtrapolateAreaFractions) s.insert(293);
    else if (bBoundaryAnalysisMode) s.insert(292);
    if (bModelCS && !bLsgFamily && !anyCSVariant()) s.insert(275);
    if (bModelContinuous && !bModelCS && !bLsgFamily && !bModelZoneLsgs && !bBoundaryAnalysisMode && !anyCSVariant() &&
        !bModelDlsRh && !bModelDlsD && !bModelDlsRhTime && !bModelElectrophoresisCV)
        s.insert(235);
    return s;
}

}  // namespace

TEST_F(ModelWindowTest, TheDiscreteModelIsChosenOnceAndStartsWithoutSpecies)
{
    // from another model: every species excluded, no loading in the vector
    command(229);
    ASSERT_TRUE(bModelMonomerTrimer && bModelInteracting);
    for (int k = 1; k <= 4; ++k) {
        pSpeciesIncluded[k] = 1;
        pParamValue[8 + k] = pSpeciesConc[k] = 0.5f;
        pParamFloat[k] = 1;
    }
    command(198);
    EXPECT_TRUE(bModelDiscreteSpecies);
    EXPECT_FALSE(bModelMonomerTrimer || bModelInteracting);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(pSpeciesIncluded[k], 0) << k;
        EXPECT_EQ(pParamValue[8 + k], 0.0f) << k;
        EXPECT_EQ(pParamFloat[k], 0) << k;  // every fit flag starts cleared
    }

    // chosen again: nothing changes, nothing is shown
    pSpeciesIncluded[1] = 1;
    pParamValue[9] = 0.7f;
    headless::Script script;
    command(198);
    EXPECT_TRUE(script.lines().empty());
    EXPECT_EQ(pSpeciesIncluded[1], 1);
    EXPECT_EQ(pParamValue[9], 0.7f);

    // from a geometry of the same family it is chosen anew
    command(280);
    EXPECT_TRUE(bGeometryLinear && bClaverie && !bMovingHat && !bAutoFEAlgorithm);
    command(198);
    EXPECT_FALSE(bGeometryLinear);
    EXPECT_TRUE(bAutoFEAlgorithm);
    // so from each of the others, the only one chosen (docs/models.md: 198
    // does nothing more only without any geometry)
    const std::pair<unsigned, unsigned char*> kGeometries[] = {
        {281, &bGeometryExternalLoadingCell}, {282, &bGeometryReserved}, {291, &bElectrophoresis}};
    for (const auto& [nId, pFlag] : kGeometries) {
        if (nId == 281) script.expectInput("enter volume of oil used in run [ml]", "0.02");
        command(nId);
        ASSERT_TRUE(*pFlag && bModelDiscreteSpecies && !bAutoFEAlgorithm) << nId;
        command(198);
        EXPECT_FALSE(*pFlag) << "198 after " << nId;
        EXPECT_TRUE(bAutoFEAlgorithm) << "198 after " << nId;
        EXPECT_TRUE(menuChecked(198) && !menuChecked(nId)) << "198 after " << nId;
    }
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(ModelWindowTest, SingleSpeciesAndHinderedSedimentationSwitchIntoEachOther)
{
    fNonidealKs = 1.5f;
    fNonidealKd = -0.5f;
    command(227);
    EXPECT_TRUE(bModelNonidealSingle && bModelInteracting);
    EXPECT_FALSE(bModelHindered);
    // the view of the non-ideal species: ks and kd in slots 10 and 11
    EXPECT_EQ(pParamValue[10], 1.5f);
    EXPECT_EQ(pParamValue[11], -0.5f);
    command(1099);
    EXPECT_TRUE(bModelNonidealSingle && bModelHindered);
    EXPECT_TRUE(menuChecked(1099));
    EXPECT_FALSE(menuChecked(227));
    command(227);
    EXPECT_TRUE(bModelNonidealSingle);
    EXPECT_FALSE(bModelHindered);
    EXPECT_TRUE(menuChecked(227));
    EXPECT_FALSE(menuChecked(1099));
}

TEST_F(ModelWindowTest, LightScatteringDataRefuseTheOtherModels)
{
    command(198);
    bDLSData = 1;
    // pre-averaged data: c(s,ff0) and its variant with one discrete species
    // have only the light-scattering data to refuse them for
    fRadialResolution = 0.003f;
    for (unsigned n : {280u, 197u, 227u, 267u, 275u, 288u, 514u, 235u, 595u, 598u}) {
        headless::Script script;
        script.expectMessageBox("ERROR", IDOK);
        command(n);
        ASSERT_FALSE(script.lines().empty()) << n;
        EXPECT_NE(script.lines().back().find("\"this model is not implemented for DLS data\""), std::string::npos)
            << n;
        EXPECT_EQ(script.pending(), 0u) << n;
        EXPECT_TRUE(bModelDiscreteSpecies) << n;
        EXPECT_FALSE(bModelContinuous || bModelInteracting || bModelZone || bGeometryLinear) << n;
        EXPECT_FALSE(anyCSVariant()) << n;
        EXPECT_TRUE(menuChecked(198)) << n;
        EXPECT_FALSE(menuChecked(n)) << n;
    }
    // and the light-scattering models need such data
    bDLSData = 0;
    headless::Script script;
    script.expectMessageBox("ERROR", IDOK);
    command(890);
    EXPECT_NE(script.lines().back().find("\"need DLS data for this analysis\""), std::string::npos);
    EXPECT_FALSE(bModelDlsCumulants);
}

TEST_F(ModelWindowTest, EquilibriumModelsAreSetAlsoWithoutEquilibriumData)
{
    headless::Script script;
    script.expectMessageBox("Equilibrium Analysis", IDOK);
    command(284);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NE(script.lines().back().find("\"please load equilibrium data\""), std::string::npos);
    EXPECT_TRUE(bEquilibriumDiscrete && bFitTINoise && bFitRINoise);

    // the hetero-association at equilibrium: the complex by mass action and
    // of mass M(A) + M(B) (slot 3), the three s (slots 5-7) fixed at 1, and
    // log10 K (slot 8) floated as before
    for (int k = 5; k <= 8; ++k) pParamFloat[k] = 1;
    fLoadingA = 1.0f;
    fLoadingB = 2.0f;
    fDiffA = 40000.0f;
    fDiffB = 25000.0f;
    fSignalCoefA = fSignalCoefB = 1.0f;
    fLogAssocK = 0.0f;
    script.expectMessageBox("Equilibrium Analysis", IDOK);
    command(523);
    EXPECT_TRUE(bEquilibriumHeteroAssoc);
    EXPECT_FALSE(bEquilibriumDiscrete);
    // (1 - x)(2 - x) = x: x = 2 - sqrt(2)
    EXPECT_NEAR(pParamValue[11], 2.0 - std::sqrt(2.0), 1e-6);
    EXPECT_EQ(pParamValue[3], 65000.0f);
    EXPECT_EQ(pSpeciesMw[3], 65000.0f);
    EXPECT_EQ(pSpeciesS[1], 1.0f);
    EXPECT_EQ(pSpeciesSFloat[2], 0);
    for (int k = 5; k <= 8; ++k) EXPECT_EQ(pParamFloat[k], k == 8 ? 1 : 0) << k;
}

TEST_F(ModelWindowTest, StokesRadiiFromDiffusionCoefficientsInWater)
{
    bDLSData = 1;
    fTemperatureK = 293.15f;
    pSpeciesIncluded[1] = 1;
    pParamValue[1] = pSpeciesMw[1] = 6.1226f;
    pParamValue[2] = pSpeciesMw[2] = 0.0f;
    pSpeciesIncluded[2] = 1;
    headless::Script script;
    script.expectInput("absolute viscosity of solvent (Poise)", "0.01002");
    command(536);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bModelDlsStokesRadii && bModelDiscreteSpecies);
    EXPECT_NEAR(RELVISCOSITY, 1.0f, 1e-6);
    EXPECT_NEAR(pSpeciesMw[1], 3.5, 0.005);  // nm
    EXPECT_EQ(pParamValue[1], pSpeciesMw[1]);
    EXPECT_EQ(pSpeciesIncluded[2], 0);  // no D, no radius
    EXPECT_TRUE(bFitBaseline);
    EXPECT_TRUE(menuChecked(536));

    // the discrete species chosen after it take the check mark alone
    command(198);
    EXPECT_TRUE(menuChecked(198));
    EXPECT_FALSE(menuChecked(536));

    // a cancelled viscosity ends the command before anything changes
    script.expectInputCancel("absolute viscosity");
    command(536);
    EXPECT_FALSE(bModelDlsStokesRadii);
}

TEST_F(ModelWindowTest, TheExternalLoadingCellAsksTheOilVolumeEachTime)
{
    headless::Script script;
    script.expectInput("enter volume of oil used in run [ml]", "0.02");
    command(281);
    EXPECT_TRUE(bGeometryExternalLoadingCell && bModelDiscreteSpecies);
    EXPECT_FLOAT_EQ(fElcOilVolume, 0.02f);
    // chosen already: only the question, and a cancel means no oil
    script.expectInputCancel("enter volume of oil");
    command(281);
    EXPECT_EQ(fElcOilVolume, 0.0f);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(ModelWindowTest, SelfAssociationWithTwoOligomersWritesItsSlotsWithoutASync)
{
    bUseMolarMass = 1;
    fSAMonomerMorD = 30000.0f;
    nFitSAMonomerMorD = 1;
    fSALog10Ka = 5.0f;
    fSAMonomerS = 2.5f;
    fSATotalConc = 0.9f;
    nFitSATotalConc = 1;
    command(520);
    EXPECT_TRUE(bModelSelfAssoc148 && bModelInteracting);
    EXPECT_EQ(pParamValue[2], 120000.0f);
    EXPECT_EQ(pParamValue[12], 240000.0f);
    EXPECT_EQ(pParamFloat[2], 0);
    // the fit flags of the model survive: no sync
    EXPECT_EQ(pParamFloat[1], 1);
    EXPECT_EQ(pParamFloat[11], 1);
    EXPECT_EQ(pParamValue[11], 0.9f);
    command(228);
    EXPECT_EQ(pParamValue[2], 60000.0f);
    EXPECT_EQ(pParamValue[12], 120000.0f);
}

TEST_F(ModelWindowTest, TheMenuShowsTheChosenModelAfterEveryCommand)
{
    // the notes and questions of the way take their default answers
    headless::setPolicy(headless::Policy::DefaultAnswers);
    fRadialResolution = 0.003f;
    const unsigned kSequence[] = {198, 280, 291, 246, 227, 1099, 893, 275, 514, 235,  277, 288, 539, 950,
                                  511, 510, 526, 587, 585, 1100, 595, 598, 887, 275,  548, 870, 602, 603,
                                  872, 1117, 521, 531, 279, 292, 293, 198, 267, 197,  229, 520, 228, 501};
    // the items the selection clears, and every model item of the menu's own table
    int n = 0;
    const unsigned* pItems = modelMenuItems(&n);
    std::set<unsigned> items(pItems, pItems + n);
    const CommandInfo* pTable = commandTable(&n);
    for (int i = 0; i < n; ++i)
        if (pTable[i].nFlags & CMD_MODEL) items.insert(pTable[i].nId);
    auto expectMenuOfFlags = [&](unsigned nCommand) {
        const std::set<unsigned> expected = itemsOfFlags();
        for (const unsigned nItem : items) {
            if (GetMenuState(window->GetMenu(), nItem, MF_BYCOMMAND) == 0xFFFFFFFF) continue;  // no menu item
            EXPECT_EQ(menuChecked(nItem), expected.count(nItem) == 1)
                << "item " << nItem << " after command " << nCommand;
        }
    };
    for (unsigned nCommand : kSequence) {
        command(nCommand);
        expectMenuOfFlags(nCommand);
    }
    // each model left for one of another family (the non-ideal species, or
    // the discrete species after it): its item goes out with it
    for (unsigned nCommand : kSequence) {
        command(nCommand);
        const unsigned nOther = nCommand == 227 ? 198 : 227;
        command(nOther);
        expectMenuOfFlags(nOther);
    }
    headless::setPolicy(headless::Policy::FailOnUnexpected);
}

TEST_F(ModelWindowTest, ContinuousModelsUseTheirOwnGridSize)
{
    nDefaultGridSize = 800;
    nGridPoints = 800;
    command(275);
    EXPECT_EQ(nGridPoints, 500);
    EXPECT_TRUE(bModelContinuous && bModelCS);
    command(514);  // a variant: still continuous
    EXPECT_EQ(nGridPoints, 500);
    command(198);
    EXPECT_EQ(nGridPoints, 800);
    EXPECT_FALSE(bModelContinuous);
}

// The non-ideal species is row 1's species: its s and D come from that row
// (slots 5 and 1); the other rows keep what they hold.
TEST_F(ModelWindowTest, TheNonidealSpeciesTakesRowOneAndLeavesTheOthers)
{
    for (int k = 1; k <= 4; ++k) {
        pParamValue[k] = pSpeciesMw[k] = 1.0f + k;
        pParamValue[4 + k] = pSpeciesS[k] = 3.0f + k;
    }
    for (unsigned nCommand : {227u, 1099u}) {
        command(198);
        command(nCommand);
        EXPECT_EQ(fSAMonomerS, 4.0f) << nCommand;
        EXPECT_EQ(fSAMonomerMorD, 2.0f) << nCommand;
        EXPECT_EQ(pParamValue[5], 4.0f) << nCommand;
        for (int k = 2; k <= 4; ++k) {
            EXPECT_EQ(pParamValue[k], 1.0f + k) << nCommand << " row " << k;
            EXPECT_EQ(pParamValue[4 + k], 3.0f + k) << nCommand << " row " << k;
        }
    }
}

// What a model choice writes, whatever the model before held there: the
// flotation c(s) its flotation values into slots 10, 6 and 8 with slot 6 not
// fitted; the bimodal f/f0 its own three and the fit flag of slot 6; the zone c(s) the confidence level 0.99 for both levels; the
// area-fraction extrapolation 1 to 10 S in 50 points at 0.68, with the level
// 0.9 of its fit.
TEST_F(ModelWindowTest, ModelChoicesWriteTheirOwnSlots)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes of the way
    command(275);
    for (int k = 1; k <= 12; ++k) {
        pParamValue[k] = 100.0f + k;
        pParamFloat[k] = 1;
    }
    fConfidenceLevel = fConfidenceLevelCM = 0.5f;
    fFlotationSpeciesD = 4e-7f;
    fFlotationSMin = -3.0f;
    fFlotationSMax = -0.5f;
    command(1117);
    ASSERT_TRUE(bModelCSFlotation);
    EXPECT_FLOAT_EQ(pParamValue[10], 4.0f);
    EXPECT_EQ(pParamValue[6], -3.0f);
    EXPECT_EQ(pParamValue[8], -0.5f);
    EXPECT_EQ(pParamFloat[6], 0);

    // the bimodal f/f0 its range of s into slots 6 and 8, the lower end with
    // its own fit flag, and the second f/f0 into slot 10: read back, the
    // vector gives the same model
    for (int k = 1; k <= 12; ++k) {
        pParamValue[k] = 100.0f + k;
        pParamFloat[k] = 1;
    }
    fBimodalSMin = 2.0f;
    nFitBimodalSMin = 0;
    fBimodalSMax = 5.0f;
    fBimodalFf0Second = 2.5f;
    command(548);
    ASSERT_TRUE(bModelCSBimodalFf0);
    EXPECT_EQ(pParamValue[6], 2.0f);
    EXPECT_EQ(pParamFloat[6], 0);
    EXPECT_EQ(pParamValue[8], 5.0f);
    EXPECT_EQ(pParamValue[10], 2.5f);
    paramVectorToGlobals();
    EXPECT_EQ(fBimodalSMin, 2.0f);
    EXPECT_EQ(nFitBimodalSMin, 0);
    EXPECT_EQ(fBimodalSMax, 5.0f);
    EXPECT_EQ(fBimodalFf0Second, 2.5f);

    command(511);
    ASSERT_TRUE(bModelZoneCS);
    EXPECT_EQ(pParamValue[2], 0.99f);
    EXPECT_EQ(fConfidenceLevel, 0.99f);
    EXPECT_EQ(fConfidenceLevelCM, 0.99f);

    pParamValue[5] = 20.0f;
    command(293);
    ASSERT_TRUE(bExtrapolateAreaFractions);
    EXPECT_EQ(pParamValue[1], 1.0f);
    EXPECT_EQ(pParamValue[5], 10.0f);
    EXPECT_EQ(pParamValue[9], 50.0f);
    EXPECT_EQ(pParamValue[2], 0.68f);
    EXPECT_EQ(fConfidenceLevel, 0.9f);

    // the cumulants: species 1 alone with its loading floated, in the flags
    // the fit reads as in the species' own, which the parameter dialog shows
    bDLSData = 1;
    command(890);
    ASSERT_TRUE(bModelDlsCumulants);
    EXPECT_EQ(pSpeciesConcFloat[1], 1);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(pParamFloat[k], pSpeciesMwFloat[k]) << k;
        EXPECT_EQ(pParamFloat[4 + k], pSpeciesSFloat[k]) << k;
        EXPECT_EQ(pParamFloat[8 + k], pSpeciesConcFloat[k]) << k;
    }
    // the discrete species from there keep species 1 alone with its loading
    // floated, and the baseline floated as the cumulants had it: the saved
    // analysis writes these marks as every flag of the file, 1.000000, and
    // 0.000000 for the other species. Rows 2 and 3 held the second and third
    // cumulants, and row 4 a value typed into the cumulants' dialog, none of
    // them an M or D: the other species are left with none, each of the three
    // alike
    for (int k = 2; k <= 4; ++k) pParamValue[k] = pSpeciesMw[k] = 0.25f * k;
    command(198);
    ASSERT_TRUE(bModelDiscreteSpecies && !bModelDlsCumulants);
    szScanExtra = scratch + "cumulants.~p";
    TmpSaveBestParams(window.get(), 0);
    const std::vector<std::string> saved = readLines(szScanExtra);
    ASSERT_EQ(saved.size(), 215u);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(saved[1 + 9 * (k - 1)], k == 1 ? "1.000000" : "0.000000") << k;  // included
        EXPECT_EQ(saved[3 + 9 * (k - 1)], k == 1 ? "1.000000" : "0.000000") << k;  // loading floated
        if (k > 1) EXPECT_EQ(saved[4 + 9 * (k - 1)], "0.000000") << k;            // M or D
    }
    EXPECT_EQ(saved[38], "1.000000");  // the baseline floated
    headless::setPolicy(headless::Policy::FailOnUnexpected);
}

// The viscosity question of the Stokes radii offers the solvent's viscosity
// in poise: water at 20 C, 1.002 mPa s, is 0.01002 P; taking the offer keeps
// the solvent as it is.
TEST_F(ModelWindowTest, TheStokesRadiiOfferTheSolventViscosityInPoise)
{
    bDLSData = 1;
    RELVISCOSITY = 1.0f;
    headless::setPolicy(headless::Policy::DefaultAnswers);
    headless::Script script;
    command(536);
    headless::setPolicy(headless::Policy::FailOnUnexpected);
    ASSERT_TRUE(bModelDlsStokesRadii);
    EXPECT_NEAR(RELVISCOSITY, 1.0f, 1e-5f);
    bool bOffered = false;
    for (const std::string& l : script.lines())
        if (l.find("absolute viscosity of solvent (Poise)") != std::string::npos) bOffered = l.find("0.01002") != std::string::npos;
    EXPECT_TRUE(bOffered);
}

// The fit flag of the invariant D belongs to its model: floated there and left
// behind by a switch to another c(s) model, it floats nothing in that one,
// whose entry 11 holds another value (the vbar, the frictional ratio), which
// a step of the fit must not overwrite with a D.
TEST_F(ModelWindowTest, TheInvariantDFloatsOnlyInItsOwnModel)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes of the way
    command(275);
    command(526);
    pParamValue[11] = 6.0f;
    pParamFloat[11] = 1;
    paramVectorToGlobals();
    EXPECT_EQ(fCSInvariantD, 6.0f);
    EXPECT_EQ(getContiParameters(0, nullptr), 2);  // f/f0 and D, both from entry 11
    for (unsigned nCommand : {602u, 275u}) {
        command(nCommand);
        pParamFloat[11] = 0;  // neither vbar nor f/f0 floated
        paramVectorToGlobals();
        const float fVbar = VBAR, fRatio = fFrictionalRatio;
        EXPECT_EQ(getContiParameters(0, nullptr), 0) << nCommand;
        float v[2] = {0, 5.5f};
        setContiParameters(v);
        paramVectorToGlobals();
        EXPECT_EQ(VBAR, fVbar) << nCommand;
        EXPECT_EQ(fFrictionalRatio, fRatio) << nCommand;
    }
    headless::setPolicy(headless::Policy::FailOnUnexpected);
}

// The non-ideal c(s) starts its discrete component (M in slot 10, s in slot 6)
// afresh when it is chosen: fixed, however the model before floated those
// slots, so that its fit floats no more parameters than the model's own start.
TEST_F(ModelWindowTest, NonidealCsStartsWithTheDiscreteSlotsFixed)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes of the way
    command(585);
    ASSERT_TRUE(bModelNonidealCS);
    paramVectorToGlobals();
    const int nFixed = getContiParameters(0, nullptr);
    command(531);
    pParamFloat[10] = pParamFloat[6] = 1;
    paramVectorToGlobals();
    command(585);
    ASSERT_TRUE(bModelNonidealCS);
    EXPECT_EQ(pParamFloat[10], 0);
    EXPECT_EQ(pParamFloat[6], 0);
    paramVectorToGlobals();
    EXPECT_EQ(nFitDiscreteCompMorD, 0);
    EXPECT_EQ(getContiParameters(0, nullptr), nFixed);
    headless::setPolicy(headless::Policy::FailOnUnexpected);
}

// The hindered law has no kd (docs/lamm.md): only with sticky spheres, where
// kd is Baxter's parameter, does hindered c(s) keep it floated. A kd floated
// in the non-ideal c(s) before is fixed then, not floated in a fit that
// nothing in its model depends on.
TEST_F(ModelWindowTest, HinderedCsFloatsKdOnlyWithStickySpheres)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes of the way
    for (unsigned char bSticky : {1, 0}) {
        bStickySpheres = bSticky;
        command(585);
        pParamFloat[20] = 0;
        pParamFloat[21] = 1;
        paramVectorToGlobals();
        const int nBefore = getContiParameters(0, nullptr);
        command(1100);
        ASSERT_TRUE(bModelHinderedCS);
        paramVectorToGlobals();
        EXPECT_EQ(nFitNonidealKd, bSticky) << int(bSticky);
        EXPECT_EQ(getContiParameters(0, nullptr), nBefore - (bSticky ? 0 : 1)) << int(bSticky);
    }
    headless::setPolicy(headless::Policy::FailOnUnexpected);
}
