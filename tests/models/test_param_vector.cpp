// The fit-parameter vector: the base layout, the model views with their
// derived values, clamps and checks, the defaults pass, and the switch between
// the (M, s) and (D, s) descriptions.
#include <gtest/gtest.h>

#include <cmath>

#include "analyses/analysis_globals.h"
#include "app/window_fixture.h"
#include "distributions/conti_globals.h"
#include "distributions/regularization.h"
#include "fegrid/global_grid.h"
#include "fegrid/hetero_assoc.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {
float* v() { return pParamValue; }
int* f() { return pParamFloat; }
}  // namespace

TEST(ParamVector, StartValuesAndTheBaseLayout)
{
    // as the program starts: species 1 floated, the rest empty
    EXPECT_EQ(pSpeciesIncluded[1], 1);
    EXPECT_EQ(v()[1], 5.0f);  // D, as M and s is off
    EXPECT_EQ(v()[5], 4.0f);
    EXPECT_EQ(v()[9], 0.5f);
    for (int k : {1, 5, 9}) EXPECT_EQ(f()[k], 1);
    EXPECT_EQ(pSpeciesIncluded[2], 0);

    // the rows and scalars into their slots and back
    pSpeciesMw[3] = 30000;
    pSpeciesS[4] = 7;
    pSpeciesConc[2] = 0.25f;
    pSpeciesExtra[4] = 9;
    pSpeciesExtraFloat[4] = 1;
    fMeniscus = 6.1f;
    fBottom = 7.15f;
    fBaseline = 0.03f;
    fStartTime = 120;
    bFitT0 = 1;
    globalsToParamVector();
    EXPECT_EQ(v()[3], 30000.0f);
    EXPECT_EQ(v()[8], 7.0f);
    EXPECT_EQ(v()[10], 0.25f);
    EXPECT_EQ(v()[19], 9.0f);
    EXPECT_EQ(f()[19], 1);
    EXPECT_EQ(v()[13], 6.1f);
    EXPECT_EQ(v()[14], 7.15f);
    EXPECT_EQ(v()[15], 0.03f);
    EXPECT_EQ(v()[24], 120.0f);
    EXPECT_EQ(f()[24], 1);
    v()[14] = 7.2f;
    v()[6] = 3.5f;
    paramVectorToGlobals();
    EXPECT_EQ(fBottom, 7.2f);
    EXPECT_EQ(pSpeciesS[2], 3.5f);
}

TEST(ParamVector, SyncClearsTheFlagsOfANewModel)
{
    for (int k = 1; k <= 4; ++k) pSpeciesConcFloat[k] = pSpeciesMwFloat[k] = pSpeciesSFloat[k] = 1;
    bFitMeniscus = bFitBottom = 1;
    bFitBaseline = 1;
    nFitModelConst20 = 1;
    bFitT0 = 1;
    nFitSynthBoundaryPos = 5;
    nFitNonidealS2 = 1;
    nFitOverlayFrac3 = 1;
    syncParameterVector();
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(pSpeciesConcFloat[k], 0);
        EXPECT_EQ(pSpeciesMwFloat[k], 0);
        EXPECT_EQ(pSpeciesSFloat[k], 0);
    }
    EXPECT_FALSE(bFitMeniscus);
    EXPECT_FALSE(bFitBottom);
    EXPECT_EQ(bFitBaseline, 0);
    EXPECT_EQ(nFitModelConst20, 0);
    // the flags of slots 24-34 live on in their globals
    EXPECT_TRUE(bFitT0);
    EXPECT_EQ(nFitNonidealS2, 1);
    EXPECT_EQ(nFitOverlayFrac3, 1);
    globalsToParamVector();
    for (int k = 1; k <= 23; ++k) EXPECT_EQ(f()[k], 0) << k;
    EXPECT_EQ(f()[24], 1);
    EXPECT_EQ(f()[25], 1);  // any non-zero flag counts as one
    EXPECT_EQ(f()[28], 1);
    EXPECT_EQ(f()[34], 1);

    // each of the ten flags into its own slot, in the order of the layout
    // (docs/models.md: the position, then fraction 1, and loading, s, D and
    // fraction of species 2 and of species 3), and into no other
    int* const flags[] = {&nFitSynthBoundaryPos, &nFitOverlayFrac1, &nFitNonidealConc2, &nFitNonidealS2,
                          &nFitNonidealD2,       &nFitOverlayFrac2, &nFitNonidealConc3, &nFitNonidealS3,
                          &nFitNonidealD3,       &nFitOverlayFrac3};
    for (int i = 0; i < 10; ++i) {
        for (int* p : flags) *p = 0;
        for (int k = 25; k <= 34; ++k) f()[k] = 0;
        *flags[i] = 1;
        globalsToParamVector();
        for (int k = 25; k <= 34; ++k) EXPECT_EQ(f()[k], k == 25 + i ? 1 : 0) << "flag " << i << ", slot " << k;
    }
}

TEST(ParamVector, NonidealMultipleSpeciesValuesCannotBeNegative)
{
    for (int k = 25; k <= 34; ++k) v()[k] = -1.5f;
    paramVectorToGlobals();
    for (float x : {fSynthBoundaryPos, fOverlayFrac1, fNonidealConc2, fOverlayFrac2, fNonidealConc3, fOverlayFrac3})
        EXPECT_EQ(x, 0.0f);
    for (float x : {fNonidealS2, fNonidealD2, fNonidealS3, fNonidealD3}) EXPECT_EQ(x, -1.5f);  // s and D may be
    EXPECT_EQ(v()[26], 0.0f);
    EXPECT_EQ(v()[28], -1.5f);
}

TEST(ParamVector, SelfAssociationDerivesTheOligomers)
{
    // monomer-trimer, D description: D3 = D1 s3 / (3 s1)
    bModelMonomerTrimer = 1;
    v()[1] = 6;
    v()[5] = 4;
    v()[6] = 9;
    v()[3] = 5.25f;
    f()[2] = 1;
    f()[3] = 1;
    paramVectorToGlobals();
    EXPECT_EQ(fSALog10Ka, 5.25f);
    EXPECT_EQ(nFitSALog10Ka, 1);
    // the oligomer is never floated, not even in species 2's row
    EXPECT_EQ(pSpeciesMwFloat[2], 0);
    EXPECT_FLOAT_EQ(fSAOligomerMorD, 4.5f);
    EXPECT_FLOAT_EQ(v()[2], 4.5f);
    EXPECT_FLOAT_EQ(pSpeciesMw[2], 4.5f);
    EXPECT_EQ(f()[2], 0);
    EXPECT_EQ(fSAMonomerS, 4.0f);
    EXPECT_EQ(fSAOligomerS, 9.0f);
    // packing derives it into the model's value only, not into slot 2
    v()[2] = pSpeciesMw[2] = 1.0f;
    pSpeciesS[2] = 12;
    globalsToParamVector();
    EXPECT_FLOAT_EQ(fSAOligomerMorD, 6.0f);
    EXPECT_EQ(v()[2], 1.0f);
    // log10 K lies in slot 3, species 3's M in the base layout: the pack
    // brings it back as it went in
    EXPECT_EQ(v()[3], 5.25f);
    EXPECT_EQ(fSALog10Ka, 5.25f);
    // and so does its fit flag, which shares species 3's M flag
    EXPECT_EQ(f()[3], 1);
    EXPECT_EQ(nFitSALog10Ka, 1);
    // a monomer without s has no D to derive: the oligomer keeps its value
    v()[5] = 0;
    v()[2] = 2.5f;
    paramVectorToGlobals();
    EXPECT_FLOAT_EQ(fSAOligomerMorD, 6.0f);
    EXPECT_EQ(v()[2], 2.5f);
    EXPECT_TRUE(std::isfinite(pSpeciesMw[2]));

    // M description: M3 = 3 M1; the dimer 2 M1
    bUseMolarMass = 1;
    v()[1] = 20000;
    v()[5] = 2;
    paramVectorToGlobals();
    EXPECT_EQ(v()[2], 60000.0f);
    bModelMonomerTrimer = 0;
    bModelMonomerDimer = 1;
    paramVectorToGlobals();
    EXPECT_EQ(v()[2], 40000.0f);
    bModelMonomerDimer = 0;

    // 1-2-4 and 1-4-8: both oligomer masses, slots 2 and 12, never floated,
    // while the first log10 K in slot 3 floats as the user asked
    bModelSelfAssoc124 = 1;
    f()[2] = f()[3] = f()[12] = 1;
    v()[7] = -5;
    v()[8] = 11;
    paramVectorToGlobals();
    EXPECT_EQ(v()[2], 40000.0f);
    EXPECT_EQ(v()[12], 80000.0f);
    EXPECT_EQ(pSpeciesConc[4], 80000.0f);
    EXPECT_EQ(f()[2], 0);
    EXPECT_EQ(f()[12], 0);
    EXPECT_EQ(pSpeciesMwFloat[2], 0);
    EXPECT_EQ(pSpeciesConcFloat[4], 0);
    EXPECT_EQ(fSALog10Ka2, -5.0f);
    EXPECT_EQ(fSAOligomerS2, 11.0f);
    // a pack and a second unpack keep the floated log10 K, and the oligomer fixed
    globalsToParamVector();
    paramVectorToGlobals();
    EXPECT_EQ(f()[3], 1);
    EXPECT_EQ(nFitSALog10Ka, 1);
    EXPECT_EQ(f()[2], 0);
    EXPECT_EQ(pSpeciesMwFloat[2], 0);
    bModelSelfAssoc124 = 0;
    bModelSelfAssoc148 = 1;
    paramVectorToGlobals();
    EXPECT_EQ(v()[2], 80000.0f);
    EXPECT_EQ(v()[12], 160000.0f);
}

TEST(ParamVector, HeteroAssociationViewHoldsTheComplexLoading)
{
    bModelHeteroAssociation = 1;
    v()[9] = 1;  // loadings of A and B
    v()[10] = 1;
    v()[4] = 1;  // signal coefficients
    v()[12] = 1;
    v()[8] = 0;  // log10 K
    v()[1] = 40000;
    v()[2] = 25000;
    paramVectorToGlobals();
    EXPECT_NEAR(v()[11], 0.381966f, 1e-6);
    EXPECT_EQ(pSpeciesConc[3], v()[11]);
    EXPECT_EQ(v()[3], 65000.0f);
    EXPECT_EQ(pSpeciesMw[3], 65000.0f);

    // weak and strong binding in the stored single-precision slot
    for (const auto& ab : {std::pair{1.0f, 1.0f}, std::pair{1.0f, 0.5f}})
        for (int lk = -10; lk <= 6; ++lk) {
            v()[9] = ab.first;
            v()[10] = ab.second;
            v()[8] = static_cast<float>(lk);
            globalsToParamVector();  // the view refreshes on packing too
            v()[9] = ab.first;
            v()[10] = ab.second;
            v()[8] = static_cast<float>(lk);
            paramVectorToGlobals();
            const double x = complexLoadingConcentration(ab.first, ab.second, std::pow(10.0, lk));
            EXPECT_NEAR(v()[11], x, 1e-6 * x) << "log K " << lk;
        }
}

TEST(ParamVector, ContinuousModelsReadGridAndSolvent)
{
    bModelContinuous = 1;
    bModelCS = 1;
    v()[1] = 0.5f;
    v()[5] = 15;
    v()[9] = 99.9f;
    v()[2] = 0.68f;
    v()[3] = 0.72f;
    v()[7] = 1.01f;
    v()[12] = 0.01002f;
    v()[4] = 0.35f;
    v()[11] = 1.31f;
    f()[11] = 1;
    f()[4] = 1;
    paramVectorToGlobals();
    EXPECT_EQ(fSGridResolution, 99.0f);
    EXPECT_EQ(fSMin, 0.5f);
    EXPECT_EQ(fSMax, 15.0f);
    EXPECT_EQ(fConfidenceLevel, 0.68f);
    EXPECT_EQ(VBAR, 0.72f);
    EXPECT_EQ(fBufferDensity, 1.01f);
    EXPECT_FLOAT_EQ(fVbarRho, 0.72f * 1.01f);
    EXPECT_EQ(RELVISCOSITY, 1.0f);
    EXPECT_EQ(fHydration, 0.35f);
    EXPECT_EQ(fFrictionalRatio, 1.31f);
    EXPECT_EQ(nFitFrictionalRatio, 1);
    EXPECT_TRUE(bLogSGrid);

    // a reload keeps its log grid over the vector's flag
    bKeepLogSGrid = 1;
    bLogSGrid = 0;
    globalsToParamVector();
    EXPECT_EQ(f()[4], 0);
    EXPECT_FALSE(bKeepLogSGrid);

    // fixed f/f0 with floating vbar: slot 3 the ratio, slot 11 vbar
    bModelCSFixFf0FloatingVbar = 1;
    v()[3] = 1.25f;
    v()[11] = 0.74f;
    f()[11] = 1;
    paramVectorToGlobals();
    EXPECT_EQ(fFrictionalRatio, 1.25f);
    EXPECT_EQ(VBAR, 0.74f);
    EXPECT_EQ(nFitVbar, 1);
    EXPECT_EQ(nFitFrictionalRatio, 0);

    // worm-like chain: its own values in 11, 10, 6, 8; vbar stays in slot 3
    // (nucleic acid, beside a hydration of 0.35 in slot 4)
    bModelCSFixFf0FloatingVbar = 0;
    bModelCSWormlikeChain = 1;
    v()[3] = 0.55f;
    v()[11] = 50.0f;
    v()[10] = 3.0f;
    v()[6] = 330.0f;
    v()[8] = 0.3f;
    paramVectorToGlobals();
    EXPECT_EQ(VBAR, 0.55f);
    EXPECT_FLOAT_EQ(fVbarRho, 0.55f * 1.01f);
    EXPECT_EQ(fHydration, 0.35f);
    EXPECT_EQ(fWormPersistenceLength, 50.0f);
    EXPECT_EQ(nFitWormPersistenceLength, 1);
    EXPECT_EQ(fWormCrossSection, 3.0f);
    EXPECT_EQ(fWormMonomerMw, 330.0f);
    EXPECT_EQ(fWormHydration, 0.3f);
    EXPECT_EQ(nFitFrictionalRatio, 0);
}

TEST(ParamVector, StandardConditionsCannotChangeUnderASolventGradient)
{
    bModelContinuous = 1;
    bModelCS = 1;
    bSolventParamsConverted = 1;
    fBufferDensity = 1.0f;
    RELVISCOSITY = 1.2f;
    v()[3] = 0.73f;
    v()[7] = 1.1f;
    v()[12] = 1.2f * 0.01002f;
    headless::Script script;
    script.expectMessageBox("Parameter Error", IDOK);
    paramVectorToGlobals();
    EXPECT_EQ(script.lines()[0],
              "MessageBox \"Parameter Error\" \"standard conditions cannot be changed - switch off solvent gradient\" "
              "MB_OK -> IDOK");
    EXPECT_EQ(v()[7], 1.0f);
    EXPECT_EQ(fBufferDensity, 1.0f);
    EXPECT_FLOAT_EQ(fVbarRho, 0.73f);
    // unchanged values pass silently
    paramVectorToGlobals();
    EXPECT_EQ(script.lines().size(), 1u);
}

TEST(ParamVector, AnInvariantDOfZeroIsReplaced)
{
    bModelContinuous = 1;
    bModelCSInvariantD = 1;
    v()[11] = 0;
    headless::Script script;
    script.expectMessageBox("Warning", IDOK);
    paramVectorToGlobals();
    EXPECT_EQ(script.lines()[0], "MessageBox \"Warning\" \"diffusion coefficient must be positive, current entry could "
                                 "cause crash\\nhas been changed to 1e-10!\" MB_OK -> IDOK");
    EXPECT_EQ(fCSInvariantD, 0.001f);
    EXPECT_EQ(v()[11], 0.001f);
    v()[11] = -2;  // a negative one is left alone
    paramVectorToGlobals();
    EXPECT_EQ(fCSInvariantD, -2.0f);
    EXPECT_EQ(script.lines().size(), 1u);
}

TEST(ParamVector, ElectrophoresisBottomFollowsTheMeniscus)
{
    bElectrophoresis = 1;
    fElectrophoresisLength = 1.5f;
    v()[13] = 6.0f;
    v()[14] = 9.0f;  // edited
    paramVectorToGlobals();
    EXPECT_EQ(fBottom, 7.5f);
    EXPECT_EQ(v()[14], 7.5f);
    fMeniscus = 5.9f;
    globalsToParamVector();
    EXPECT_EQ(fBottom, 5.9f + 1.5f);
    EXPECT_EQ(v()[14], 5.9f + 1.5f);
}

TEST(ParamVector, AreaFractionExtrapolationCountsAreWholeNumbers)
{
    bModelContinuous = 1;
    bExtrapolateAreaFractions = 1;
    v()[9] = 20.7f;
    v()[11] = 35.9f;
    v()[3] = 4.6f;
    paramVectorToGlobals();
    EXPECT_EQ(fSGridResolution, 20.0f);
    EXPECT_EQ(nBoundaryFractions, 20);
    EXPECT_EQ(v()[11], 20.0f);
    EXPECT_EQ(nScansPerLsgSet, 4);
}

TEST(ParamVector, ModelDefaultsDecideWhatIsSolvedLinearly)
{
    // baseline: floated means solved linearly, except with the first scan
    // as the initial distribution; time-invariant noise takes it over
    bFitBaseline = 0;
    bAlgebraicBaseline = 1;
    fixUpModelDefaults();
    EXPECT_FALSE(bAlgebraicBaseline);
    bFitBaseline = 1;
    fixUpModelDefaults();
    EXPECT_EQ(bFitBaseline, 0);
    EXPECT_TRUE(bAlgebraicBaseline);
    bFitBaseline = 1;
    bExperimentalInitialDistribution = 1;
    fixUpModelDefaults();
    EXPECT_EQ(bFitBaseline, 1);
    EXPECT_FALSE(bAlgebraicBaseline);
    EXPECT_EQ(pSpeciesConc[1], 1.0f);  // the first scan is the loading
    EXPECT_EQ(pSpeciesConcFloat[1], 0);
    EXPECT_TRUE(bFitFirstScanScale);
    bFitTINoise = 1;  // no time-invariant noise with the first scan as loading
    fixUpModelDefaults();
    EXPECT_FALSE(bFitTINoise);
    bExperimentalInitialDistribution = 0;
    bFitTINoise = 1;
    nFitModelConst22 = 1;
    fixUpModelDefaults();
    EXPECT_EQ(bFitBaseline, 0);
    EXPECT_EQ(nFitModelConst22, 0);
    EXPECT_TRUE(bAlgebraicBaseline);
    bFitTINoise = 0;

    // discrete species: a floated loading of every included species is
    // solved linearly instead (flags cleared), and that choice stays
    bModelDiscreteSpecies = 1;
    pSpeciesIncluded[2] = 1;
    pSpeciesConcFloat[1] = pSpeciesConcFloat[2] = 1;
    pSpeciesMwFloat[3] = 1;  // species 3 is not included
    fixUpModelDefaults();
    EXPECT_TRUE(bAlgebraicConcentrations);
    EXPECT_EQ(pSpeciesConcFloat[1], 0);
    EXPECT_EQ(pSpeciesConcFloat[2], 0);
    EXPECT_EQ(pSpeciesMwFloat[3], 0);
    fixUpModelDefaults();
    EXPECT_TRUE(bAlgebraicConcentrations);
    // one included loading fixed, another floated: no linear solution
    pSpeciesConcFloat[1] = 1;
    fixUpModelDefaults();
    EXPECT_FALSE(bAlgebraicConcentrations);
    EXPECT_EQ(pSpeciesConcFloat[1], 1);
    // a non-ideal first species and the continuous models switch it off
    pSpeciesConcFloat[2] = 1;
    bSpecies1Nonideal = 1;
    fixUpModelDefaults();
    EXPECT_FALSE(bAlgebraicConcentrations);
    bSpecies1Nonideal = 0;
    fixUpModelDefaults();
    EXPECT_TRUE(bAlgebraicConcentrations);
    // with buffer mismatch row 4 is the buffer, no species: its M (or D) and
    // s are never fitted, whatever the row held before
    bBufferMismatch = 1;
    pSpeciesMwFloat[4] = pSpeciesSFloat[4] = 1;
    fixUpModelDefaults();
    EXPECT_EQ(pSpeciesMwFloat[4], 0);
    EXPECT_EQ(pSpeciesSFloat[4], 0);
    bBufferMismatch = 0;
    bModelDiscreteSpecies = 0;
    bModelContinuous = 1;
    fixUpModelDefaults();
    EXPECT_FALSE(bAlgebraicConcentrations);
    bModelContinuous = 0;

    // equilibrium fits need an s; self-association derives its oligomers
    bEquilibriumDiscrete = 1;
    pSpeciesS[1] = 0;
    bModelSelfAssoc148 = 1;
    pSpeciesMw[1] = 10000;
    fixUpModelDefaults();
    EXPECT_EQ(pSpeciesS[1], 1.0f);
    EXPECT_EQ(pSpeciesMw[2], 40000.0f);
    EXPECT_EQ(pSpeciesConc[4], 80000.0f);
    bEquilibriumDiscrete = 0;
    bModelSelfAssoc148 = 0;
    // so do A, B and AB of the hetero-association at equilibrium (with D and
    // s a buoyant mass s R T / D of 0 would leave the profile flat); row 4
    // holds log10 K there, and K = 1 stays
    bEquilibriumHeteroAssoc = 1;
    for (int k = 1; k <= 4; ++k) pSpeciesS[k] = 0;
    fixUpModelDefaults();
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(pSpeciesS[k], 1.0f) << k;
    EXPECT_EQ(pSpeciesS[4], 0.0f);
}

TEST_F(MainWindowTest, FitMAndSConvertsBetweenMassAndDiffusion)
{
    OpenWindow();
    pSpeciesS[1] = 4.3f;
    pSpeciesMw[1] = 6.1f;  // D in 1e-7 cm^2/s
    pSpeciesMw[2] = 0;
    pSpeciesS[2] = 5;
    globalsToParamVector();
    ASSERT_EQ(nScans, 0);
    {
        headless::Script script;
        script.expectMessageBox("assuming t = 20 'C", IDOK);
        window->EvCommand(217, nullptr, 0);
    }
    // s 4.3 S, D 6.1e-7 cm^2/s, vbar 0.73, density 0.99823 at 293.15 K
    EXPECT_TRUE(bUseMolarMass);
    EXPECT_NEAR(pSpeciesMw[1], 63333, 1);
    EXPECT_EQ(v()[1], pSpeciesMw[1]);
    EXPECT_EQ(pSpeciesMw[2], 0.0f);  // no value to convert
    EXPECT_EQ(GetMenuState(window->GetMenu(), 217, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    {
        headless::Script script;
        script.expectMessageBox("assuming t = 20 'C", IDOK);
        window->CmFitMAndS();
    }
    EXPECT_FALSE(bUseMolarMass);
    EXPECT_NEAR(pSpeciesMw[1], 6.1, 6.1e-5);
    EXPECT_EQ(GetMenuState(window->GetMenu(), 217, MF_BYCOMMAND) & MF_CHECKED, 0u);
}

// With the first scan as the loading, the total of a self-association (the
// loading of row 3) is that scan itself: 1, and not fitted.
TEST(ParamVector, TheFirstScanAsLoadingFixesTheTotalOfASelfAssociation)
{
    for (unsigned char* pModel : {&bModelMonomerDimer, &bModelSelfAssoc124}) {
        *pModel = 1;
        bExperimentalInitialDistribution = 1;
        pSpeciesConc[3] = fSATotalConc = 0.7f;
        pSpeciesConcFloat[3] = 1;
        fixUpModelDefaults();
        EXPECT_EQ(pSpeciesConc[3], 1.0f);
        EXPECT_EQ(pSpeciesConcFloat[3], 0);
        EXPECT_EQ(fSATotalConc, 1.0f);
        *pModel = 0;
    }
}
