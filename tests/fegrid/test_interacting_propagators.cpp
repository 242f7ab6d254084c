// The propagators of rapidly self-associating and non-ideal species: their
// local coefficients (the equilibria and laws at the nodes, the monomer of the
// trimer, the table of 1-2-4 and 1-4-8), their limits (vanishing and
// overwhelming association, vanishing non-ideality, where they must be the
// ideal propagators' species), the static grid against the moving hat, the
// amount in the cell and the non-ideality out of range.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "app/app_globals.h"
#include "fegrid/global_grid.h"
#include "fegrid/grid_run_fixture.h"
#include "fegrid/interacting_coefficients.h"
#include "fegrid/propagators.h"
#include "lamm/lamm_globals.h"
#include "models/model_globals.h"
#include "scandata/scan_data.h"
#include "time_limit.h"

using namespace gridtest;

namespace {

// A monomer of 4 S and 6e-7 cm^2/s with an oligomer of 6 S and 4.5e-7 cm^2/s.
void monomerDimer(float fLog10Ka)
{
    fSAMonomerS = 4;
    fSAOligomerS = 6;
    fSAMonomerMorD = 6e-7f;
    fSAOligomerMorD = 4.5e-7f;
    fSALog10Ka = fLog10Ka;
}

// One run from a loading of 1 with the ideal propagator of the layout (s, D of
// the species) or the interacting one.
Profiles runIdeal(double s, double D)
{
    prepareRun(s, D, 1.0);
    propagate();
    EXPECT_FALSE(bSimulationError || bDiscretizationError);
    return models();
}

Profiles runInteracting()
{
    prepareRun(fSAMonomerS, fSAMonomerMorD, 1.0);
    if (bMovingHat) {
        propagateLammMovingHat();
        updateMovingGridRadii();
    } else {
        propagateLammB();
    }
    EXPECT_FALSE(bSimulationError || bDiscretizationError);
    return models();
}

// The node values of a profile of one value c on the grid in place.
void nodeValuesAt(double c, double* s, double* D)
{
    for (int i = 1; i <= nGridPointsAllocated; i++) pGridConcPrev[i] = pGridConcTrial[i] = c;
    updateLocalCoefficientsA();
    *s = pLocalS[1];
    *D = pLocalD[1];
}

class InteractingCoefficients : public ::testing::Test {
protected:
    void SetUp() override
    {
        Experiment e;
        e.nScans = 2;
        installExperiment(e);
    }
    void grid(unsigned char& bModel)
    {
        bModel = 1;
        layOutGrid(50, false);
        prepareRun(4, 6e-7, 1.0);
    }
};

}  // namespace

// Without association the monomer, with overwhelming association the
// oligomer; the trimer's monomer from its cubic.
TEST_F(InteractingCoefficients, EquilibriaAtTheNodes)
{
    monomerDimer(3.0f);
    grid(bModelMonomerDimer);
    ASSERT_TRUE(setUpInteractingCoefficients());
    double s, D;
    nodeValuesAt(0.0, &s, &D);
    EXPECT_EQ(s, 4.0);
    EXPECT_DOUBLE_EQ(D, double(6e-7f));
    // at Ka c = 2: the dimer-to-monomer ratio y = 1, weights 1 : 1 for s and
    // 1 : 2 for D
    nodeValuesAt(2e-3, &s, &D);
    EXPECT_NEAR(s, 5.0, 1e-12);
    EXPECT_NEAR(D, (double(6e-7f) + 2 * double(4.5e-7f)) / 3, 1e-18);
    // a negative total (a rounding dip) holds no dimer
    nodeValuesAt(-1.0, &s, &D);
    EXPECT_EQ(s, 4.0);
    EXPECT_DOUBLE_EQ(D, double(6e-7f));
    // the corrector: the mean over the start and the trial profile, whatever
    // ks an earlier non-ideal model left behind
    fNonidealKsLinear = 100.0f;
    for (int i = 1; i <= nGridPointsAllocated; i++) {
        pGridConcPrev[i] = 0;
        pGridConcTrial[i] = 2e-3;
    }
    updateLocalCoefficientsA();
    updateLocalCoefficientsB();
    EXPECT_NEAR(pLocalS[7], 4.5, 1e-12);
    // with the monomer-dimer non-ideality the mean s is divided by 1 + ks c
    bMonomerDimerNonideal = 1;
    fNonidealKs = 2.0f;
    ASSERT_TRUE(setUpInteractingCoefficients());
    updateLocalCoefficientsA();
    updateLocalCoefficientsB();
    EXPECT_NEAR(pLocalS[7], 4.5 / (1 + 100 * 1e-3), 1e-6);

    bModelMonomerDimer = 0;
    freeRadialGridArrays();
    grid(bModelMonomerTrimer);
    fSALog10Ka = 6.0f;
    ASSERT_TRUE(setUpInteractingCoefficients());
    nodeValuesAt(0.0, &s, &D);
    EXPECT_EQ(s, 4.0);
    EXPECT_DOUBLE_EQ(D, double(6e-7f));
    // c = x + Ka x^3 at x = 1e-3: u = Ka x^2 = 1
    nodeValuesAt(2e-3, &s, &D);
    EXPECT_NEAR(s, 5.0, 1e-9);
    EXPECT_NEAR(D, (double(6e-7f) + 3 * double(4.5e-7f)) / 4, 1e-18);
}

// The monomer of c = x + K x^3 to rounding, however large or small K c^2:
// Cardano's two cube roots cancel at both ends; the formula's value stands
// where it is accurate.
TEST_F(InteractingCoefficients, MonomerOfTheTrimerToRounding)
{
    for (double K : {1e-8, 1e-3, 1.0, 1e3, 1e8, 1e12})
        for (double c : {1e-3, 0.1, 1.0, 30.0}) {
            const double Kc2 = K * c * c;
            if (Kc2 < 1e-6 || Kc2 > 1e12) continue;
            dSAKa = K;
            dSAKa2 = K * K;
            dSAKa3 = K * K * K;
            const double x = monomerFromTotalCubic(c);
            EXPECT_LE(std::fabs(x + K * x * x * x - c), 1e-12 * c) << "K " << K << " c " << c;
            EXPECT_GT(x, 0.0);
            EXPECT_DOUBLE_EQ(monomerFromTotalCubic(-c), -x);
        }
    dSAKa = 1.0;
    dSAKa2 = 1.0;
    dSAKa3 = 1.0;
    const double d = std::sqrt(0.25 + 1.0 / 27);
    EXPECT_NEAR(monomerFromTotalCubic(1.0), std::cbrt(0.5 + d) - std::cbrt(-0.5 + d), 4e-16);
    EXPECT_EQ(monomerFromTotalCubic(0.0), 0.0);
}

// The table of 1-2-4: the first row below its first total, the last above its
// last, linear in the total between two rows, whatever was looked up before.
TEST_F(InteractingCoefficients, AssociationTable)
{
    grid(bModelSelfAssoc124);
    fSAMonomerS = 2;
    fSAOligomerS = 3;
    fSAOligomerS2 = 5;
    fSAMonomerMorD = 6e-7f;
    fSAOligomerMorD = 5e-7f;
    fSAOligomerMorD2 = 4e-7f;
    fSALog10Ka = 1.0f;
    fSALog10Ka2 = 2.0f;
    ASSERT_TRUE(setUpInteractingCoefficients());
    ASSERT_TRUE(bAssocTableActive);
    double** t = pAssocTable;
    EXPECT_DOUBLE_EQ(t[1][1], 1e-5);
    EXPECT_NEAR(t[nAssocTableRows][1], 100.0, 1e-9);
    // x = 0.1: c = 0.1 + 10 x^2 + 100 x^4 = 0.21, s = (2 + 1 x 3 + 0.1 x 5) / 2.1
    // the row of x near 0.1: c = x + K2 x^2 + K3 x^4, s and D averaged
    const int j = 571;
    const double x = t[j][1], a = 10 * x, b = 100 * x * x * x;
    EXPECT_NEAR(x, 1e-5 * std::pow(1e7, 570.0 / 999), 1e-14);
    EXPECT_NEAR(t[j][2], x * (1 + a + b), 1e-14);
    EXPECT_NEAR(t[j][3], (2 + 3 * a + 5 * b) / (1 + a + b), 1e-13);
    EXPECT_NEAR(t[j][4], (double(6e-7f) + 2 * a * double(5e-7f) + 4 * b * double(4e-7f)) / (1 + 2 * a + 4 * b), 1e-19);

    double s, D;
    lookupAssociationTable(-1.0, &s, &D);
    EXPECT_EQ(s, t[1][3]);
    EXPECT_EQ(D, t[1][4]);
    lookupAssociationTable(1e30, &s, &D);
    EXPECT_EQ(s, t[nAssocTableRows][3]);
    EXPECT_EQ(D, t[nAssocTableRows][4]);
    // a quarter of the way between rows 500 and 501, after a lookup of a
    // higher total (the remembered row lies above) and after one far below
    for (double cBefore : {t[505][2], t[20][2], t[900][2]}) {
        lookupAssociationTable(cBefore, &s, &D);
        const double c = t[500][2] + 0.25 * (t[501][2] - t[500][2]);
        lookupAssociationTable(c, &s, &D);
        EXPECT_NEAR(s, t[500][3] + 0.25 * (t[501][3] - t[500][3]), 1e-12);
        EXPECT_NEAR(D, t[500][4] + 0.25 * (t[501][4] - t[500][4]), 1e-18);
    }
    lookupAssociationTable(t[300][2], &s, &D);
    EXPECT_EQ(s, t[300][3]);
    freeAssociationTable();
    EXPECT_FALSE(bAssocTableActive);
    EXPECT_EQ(pAssocTable, nullptr);
}

// The non-ideal single species: s = s0 / (1 + ks c), D = D0 (1 + kd c), with
// ks, kd = 10^x per signal unit, acting with negative sign unless repulsive;
// hindered sedimentation by the volume fraction.
TEST_F(InteractingCoefficients, NonidealLaws)
{
    grid(bModelNonidealSingle);
    fSAMonomerS = 4;
    fSAMonomerMorD = 6e-7f;
    fNonidealKs = -1.0f;
    fNonidealKd = -2.0f;
    dSignalPerMgMl = 2.0;
    bNonidealRepulsive = 0;
    ASSERT_TRUE(setUpInteractingCoefficients());
    double s0, D0, s, D;
    nodeValuesAt(0.0, &s0, &D0);
    nodeValuesAt(1.0, &s, &D);
    EXPECT_GT(s, s0);
    EXPECT_LT(D, D0);
    EXPECT_NEAR(s, 4 / (1 - 0.05), 1e-6);
    EXPECT_NEAR(D, 6e-7 * (1 - 0.005), 1e-12);
    bNonidealRepulsive = 1;
    ASSERT_TRUE(setUpInteractingCoefficients());
    nodeValuesAt(1.0, &s, &D);
    EXPECT_NEAR(s, 4 / 1.05, 1e-6);
    EXPECT_NEAR(D, 6e-7 * 1.005, 1e-12);
    // the alternative corrector: 1/(1 + ks c) averaged, D at the mean c
    for (int i = 1; i <= nGridPointsAllocated; i++) {
        pGridConcPrev[i] = 0;
        pGridConcTrial[i] = 2;
    }
    updateLocalCoefficientsA();
    updateLocalCoefficientsC();
    EXPECT_NEAR(pLocalS[3], 4 * (1 + 1 / 1.1) / 2, 1e-6);
    EXPECT_NEAR(pLocalD[3], 6e-7 * 1.005, 1e-12);

    bModelHindered = 1;
    fNonidealKs = 5.0f;
    VBAR = 0.73f;
    dSignalPerMgMl = 1.0;
    ASSERT_TRUE(setUpInteractingCoefficients());
    nodeValuesAt(100.0, &s, &D);  // a volume fraction of 0.073
    EXPECT_NEAR(s, 4 * std::pow(1 - 0.073, 5), 1e-5);
    EXPECT_LT(s, 4.0);
}

// Vanishing association is the ideal monomer and overwhelming association the
// ideal oligomer, on the same equidistant grid with the same fixed steps (the
// predictor-corrector step with constant coefficients is the Crank-Nicolson
// step of the Claverie propagator).
TEST(InteractingLimits, StaticGridAgainstTheClaveriePropagator)
{
    Experiment e;
    installExperiment(e);
    bFixedTimestep = 1;
    dMaxDcOverC = 5.0;
    for (bool bTrimer : {false, true}) {
        bModelMonomerDimer = bTrimer ? 0 : 1;
        bModelMonomerTrimer = bTrimer ? 1 : 0;
        monomerDimer(-10.0f);
        layOutGrid(1000, false);
        const Profiles monomer = runIdeal(4, 6e-7);
        const Profiles oligomer = runIdeal(6, 4.5e-7);
        EXPECT_LT(maxDifferenceInFit(runInteracting(), monomer), 1e-6) << bTrimer;
        fSALog10Ka = 10.0f;
        EXPECT_LT(maxDifferenceInFit(runInteracting(), oligomer), 1e-3) << bTrimer;
    }

    // the non-ideal single species with ks = kd = 1e-10 per mg/ml, and the
    // hindered species at volume fractions near 1e-9
    bModelMonomerDimer = bModelMonomerTrimer = 0;
    bModelNonidealSingle = 1;
    layOutGrid(1000, false);
    const Profiles ideal = runIdeal(4, 6e-7);
    fSAMonomerS = 4;
    fSAMonomerMorD = 6e-7f;
    fNonidealKs = fNonidealKd = -10.0f;
    dSignalPerMgMl = 1.0;
    EXPECT_LT(maxDifferenceInFit(runInteracting(), ideal), 1e-6);
    bModelHindered = 1;
    fNonidealKs = 5.0f;
    dSignalPerMgMl = 1e6;
    EXPECT_LT(maxDifferenceInFit(runInteracting(), ideal), 1e-4);
}

// The moving hat of interacting species on the ideal moving hat's grid (the
// same s grid): vanishing association is the ideal monomer.
TEST(InteractingLimits, MovingHatAgainstTheIdealMovingHat)
{
    Experiment e;
    installExperiment(e);
    bModelMonomerDimer = 1;
    monomerDimer(-10.0f);
    bAutoSGrid = 0;
    dSGrid = 4;
    dMaxDcOverC = 0.5;  // free steps of half a natural step in both
    layOutGrid(1000, true);
    const Profiles ideal = runIdeal(4, 6e-7);
    EXPECT_LT(maxDifferenceInFit(runInteracting(), ideal), 1e-4);
    EXPECT_TRUE(bFixedTimestep);
    EXPECT_EQ(dSGrid, 4.0);
}

// With its own step control (the Lamm settings' defaults) the static grid at
// vanishing association steps like the Claverie propagator of the monomer,
// whose step rule is the same (growth to (high limit / change) dt): about as
// many steps, and the same model to the accuracy of the steps.
TEST(InteractingLimits, StaticGridStepsLikeTheClaveriePropagator)
{
    Experiment e;
    installExperiment(e);
    bModelMonomerDimer = 1;
    monomerDimer(-10.0f);
    layOutGrid(1000, false);
    prepareRun(4, 6e-7, 1.0);
    nTimeStepCount = 0;
    propagate();
    ASSERT_FALSE(bSimulationError || bDiscretizationError);
    const int nClaverie = nTimeStepCount;
    const Profiles monomer = models();
    prepareRun(4, 6e-7, 1.0);
    nTimeStepCount = 0;
    propagateLammB();
    ASSERT_FALSE(bSimulationError || bDiscretizationError);
    EXPECT_GT(nClaverie, 100);
    EXPECT_NEAR(nTimeStepCount, nClaverie, 0.1 * nClaverie);
    EXPECT_LT(maxDifferenceInFit(models(), monomer), 1e-4);
}

// The two propagators of interacting species agree, at the Lamm settings'
// defaults (the static grid's step control, the moving hat's automatic s
// grid and max dc/c 1); the static grid keeps the amount in the cell.
TEST(InteractingLimits, StaticGridAndMovingHatAgreeAndKeepTheAmount)
{
    Experiment e;
    installExperiment(e);
    bModelMonomerDimer = 1;
    monomerDimer(0.0f);
    layOutGrid(1000, false);
    prepareRun(4, 6e-7, 1.0);
    const double before = totalAmountStaticGrid();
    EXPECT_NEAR(before / (1.2 * 0.03490658503988659 * (double(fBottom) * fBottom - 36.0) / 2), 1, 1e-12);
    propagateLammB();
    EXPECT_FALSE(bSimulationError || bDiscretizationError);
    EXPECT_EQ(dMaxDcOverCWork, dMaxDcOverC);  // no trial profile went negative
    EXPECT_NEAR(totalAmountStaticGrid() / before - 1, 0, 1e-9);
    const Profiles b = models();

    layOutGrid(1000, true);
    const Profiles h = runInteracting();
    EXPECT_EQ(dSGrid, 5.0);  // the mean of monomer and dimer s
    EXPECT_LT(maxDifferenceInFit(b, h), 1e-3);
    // the amount on the moving grid: a small loss at the moving ends
    EXPECT_NEAR(totalAmountMovingHat() / before - 1, 0, 5e-4);
}

// The 1-2-4 model runs on the static grid in either layout: with the moving
// hat's grid in place the equidistant grid is laid out (standing still for the
// recording) and gives the same model.
TEST(InteractingLimits, HigherAssociationOnTheEquidistantGrid)
{
    Experiment e;
    e.nScans = 10;
    installExperiment(e);
    bModelSelfAssoc124 = 1;
    fSAMonomerS = 4;
    fSAOligomerS = 6;
    fSAOligomerS2 = 9;
    fSAMonomerMorD = 6e-7f;
    fSAOligomerMorD = 4.5e-7f;
    fSAOligomerMorD2 = 3.5e-7f;
    fSALog10Ka = 0.0f;
    fSALog10Ka2 = 0.5f;
    layOutGrid(800, false);
    const Profiles a = runInteracting();
    EXPECT_FALSE(bAssocTableActive);  // freed at the end of the run
    layOutGrid(800, true);
    prepareRun(4, 6e-7, 1.0);
    propagateLammB();
    updateMovingGridRadii();
    EXPECT_EQ(maxDifferenceInFit(a, models()), 0.0);
    EXPECT_DOUBLE_EQ(pGridRadius[2], fMeniscus + (double(fBottom) - fMeniscus) / 799);
}

// ks c_1 > 1 of the non-ideal species: s0 / (1 + ks c) would have its pole
// inside the loading; nothing is propagated. A loading just below the pole
// propagates, but its pile-up at the base reaches the pole within the run,
// which stops there; a loading far below it runs to the last scan.
TEST(InteractingLimits, NonidealityOutOfRange)
{
    Experiment e;
    e.nScans = 3;
    installExperiment(e);
    bModelNonidealSingle = 1;
    fSAMonomerS = 4;
    fSAMonomerMorD = 6e-7f;
    fNonidealKs = 0.5f;  // 3.16 per mg/ml, loading 0.5 mg/ml
    fNonidealKd = -10.0f;
    dSignalPerMgMl = 2.0;
    for (bool bHat : {false, true}) {
        layOutGrid(200, bHat);
        prepareRun(4, 6e-7, 1.0);
        if (bHat)
            propagateLammMovingHat();
        else
            propagateLammB();
        EXPECT_TRUE(bNonidealityOutOfRange);
        EXPECT_EQ(nTimeStepCount, 0);
        for (int k = 1; k <= nScans; k++) EXPECT_EQ(ppFit[k][100], 0.0f);
        // a loading below the pole propagates
        prepareRun(4, 6e-7, 0.6);
        if (bHat)
            propagateLammMovingHat();
        else
            propagateLammB();
        EXPECT_TRUE(bNonidealityOutOfRange);
        EXPECT_GT(nTimeStepCount, 0);
        EXPECT_LT(dSimTime, e.tLast);
        prepareRun(4, 6e-7, 0.002);
        if (bHat)
            propagateLammMovingHat();
        else
            propagateLammB();
        EXPECT_FALSE(bNonidealityOutOfRange);
        EXPECT_GE(dSimTime, e.tLast);
    }
}

// Without a moving s grid the natural step is 1e10 s: every step is max dc/c
// seconds (the first 1 s), cut to the scans. Nothing crosses meniscus or
// bottom and no end moves, so the amount stays that of the loading, c0 (b^2 -
// m^2) / 2 times the sector (1.2 cm x 2 degrees), to the rounding of the
// single-precision diffusion sums (4e-10 here); this also holds the middle
// row, where the eliminations from both ends meet, and the row next to it,
// which are built one at a time.
TEST(InteractingLimits, MovingHatWithoutGridMotion)
{
    Experiment e;
    e.nScans = 2;
    e.tFirst = 50;
    e.tLast = 100;
    installExperiment(e);
    bModelMonomerDimer = 1;
    monomerDimer(0.0f);
    bAutoSGrid = 0;
    dSGrid = 0;
    dMaxDcOverC = 0.5;
    layOutGrid(200, true);
    runInteracting();
    EXPECT_EQ(dNaturalStep, 1e10);
    EXPECT_EQ(dMovingHatFixedStep, 0.5);
    // 1 s, then 0.5 s steps to the scans at 50 and 100 s
    EXPECT_EQ(nTimeStepCount, 1 + 98 + 100);
    EXPECT_EQ(dSimTime, 100.0);
    const double loading = 1.2 * 0.03490658503988659 * (double(fBottom) * fBottom - double(fMeniscus) * fMeniscus) / 2;
    EXPECT_NEAR(totalAmountMovingHat() / loading - 1, 0, 1e-8);
    // max dc/c of 1 or more with a grid this slow: a tenth of it
    dMaxDcOverC = 2.0;
    runInteracting();
    EXPECT_EQ(dMovingHatFixedStep, 0.1);

    // The amount is kept also where the local s varies from node to node: by
    // 6000 s the boundary of the monomer-dimer has crossed the middle of the
    // cell, where the middle rows are built (4e-9 here; a wrong neighbour in
    // the middle row's sedimentation makes 8e-5 of the loading).
    e.tFirst = 2000;
    e.tLast = 6000;
    installExperiment(e);
    dMaxDcOverC = 0.9;
    layOutGrid(200, true);
    runInteracting();
    EXPECT_EQ(dSimTime, 6000.0);
    EXPECT_NEAR(totalAmountMovingHat() / loading - 1, 0, 1e-7);
}

// A floating monomer-dimer (both s negative): the moving hat on the mirrored
// grid of the negative s grid (shifting towards the meniscus) agrees with the
// static grid.
TEST(InteractingLimits, FloatingOnTheMirroredMovingGrid)
{
    Experiment e;
    installExperiment(e);
    bModelMonomerDimer = 1;
    monomerDimer(0.0f);
    fSAMonomerS = -3;
    fSAOligomerS = -4;
    layOutGrid(1000, false);
    const Profiles b = runInteracting();
    layOutGrid(1000, true);
    const Profiles h = runInteracting();
    EXPECT_EQ(dSGrid, -3.5);
    EXPECT_LT(maxDifferenceInFit(b, h), 1.5e-3);
    // the material gathers at the meniscus
    EXPECT_GT(h[nScans][1], 1.5f);
}

// At sedimentation equilibrium the profile no longer changes: the run ends
// early and every later scan gets the final profile. An empty cell is at
// equilibrium from the start: its bottom value does not move, which is no
// sign of a step too long, and the run ends as soon as it can.
TEST(InteractingLimits, SteadyStateEndsEarlyAndFillsTheLaterScans)
{
    Experiment e;
    e.nScans = 20;
    e.rpm = 15000;
    e.tFirst = 2e5;
    e.tLast = 4e6;
    e.nPoints = 100;
    installExperiment(e);
    bModelMonomerDimer = 1;
    monomerDimer(0.0f);
    layOutGrid(200, false);
    runInteracting();
    EXPECT_LT(dSimTime, e.tLast);
    const int kLast = pScanTimeOrder[nScans];
    EXPECT_GT(ppFit[kLast][e.nPoints], ppFit[kLast][1]);  // the equilibrium gradient
    int nSame = 0;
    for (int p = nScans - 1; p >= 1; p--) {
        const int k = pScanTimeOrder[p];
        bool bSame = true;
        for (int j = 1; j <= e.nPoints; j++) bSame = bSame && ppFit[k][j] == ppFit[kLast][j];
        if (!bSame) break;
        nSame++;
    }
    EXPECT_GE(nSame, 5);
    EXPECT_LT(nSame, nScans - 1);

    // nothing loaded, sedimenting and floating alike: the first step of 1 s
    // taken as it is, a second as long, then tenfold on no change up to
    // 1000 s, and the end after 11 steps of at least 30 s, every scan left
    // getting the empty profile: 14 steps, 1 + 1 + 10 + 100 + 10 x 1000 s
    e.nScans = 2;
    e.tFirst = 15000;
    e.tLast = 20000;
    installExperiment(e);
    for (float fSign : {1.0f, -1.0f}) {
        monomerDimer(0.0f);
        fSAMonomerS *= fSign;
        fSAOligomerS *= fSign;
        layOutGrid(200, false);
        prepareRun(fSAMonomerS, fSAMonomerMorD, 0.0);
        for (int k = 1; k <= nScans; k++) ppModelPart[k][e.nPoints / 2] = -1.0f;
        propagateLammB();
        EXPECT_FALSE(bSimulationError || bDiscretizationError) << fSign;
        EXPECT_EQ(nTimeStepCount, 14) << fSign;
        EXPECT_EQ(dSimTime, 10112.0) << fSign;
        for (int k = 1; k <= nScans; k++) EXPECT_EQ(ppModelPart[k][e.nPoints / 2], 0.0f) << fSign << " " << k;
    }
}

// The propagators of reacting systems on arrays laid out without the model's
// (no local coefficients: the grid of an ideal species) or on a grid too small
// for their elements return at once: no step, no model, no error.
TEST(InteractingLimits, NoRunWithoutTheArraysOfTheModel)
{
    Experiment e;
    e.nScans = 2;
    e.tFirst = 100;
    e.tLast = 200;
    installExperiment(e);
    monomerDimer(3.0f);
    auto runOn = [](bool bHat) {
        if (bHat)
            propagateLammMovingHat();
        else
            propagateLammB();
        EXPECT_EQ(nTimeStepCount, 0) << bHat;
        EXPECT_EQ(dSimTime, 0.0) << bHat;
        EXPECT_EQ(modelAt(1, 250), 0.0f) << bHat;
        EXPECT_FALSE(bSimulationError || bDiscretizationError) << bHat;
    };
    for (bool bHat : {false, true}) {
        bModelMonomerDimer = 0;
        layOutGrid(200, bHat);
        ASSERT_EQ(pLocalS, nullptr);
        prepareRun(4, 6e-7, 1.0);
        bModelMonomerDimer = 1;
        runOn(bHat);
        layOutGrid(bHat ? 4 : 2, bHat);
        ASSERT_NE(pLocalS, nullptr);
        prepareRun(4, 6e-7, 1.0);
        runOn(bHat);
    }
}

// A coarse grid that cannot hold the steepening dimer boundary: trial
// profiles go negative step after step, each halving max dc/c and its marks.
// The shorter step proposed after them must follow the halved marks; with
// the marks of the step's start it grew and shrank in turn for ever (this D
// at 55000 rpm on 120 points). The run ends in its discretization error
// within its scans, as it does when the shortest step is still too long.
TEST(InteractingLimits, NegativeTrialProfilesEndTheRunInItsError)
{
    Experiment e;
    e.nScans = 5;
    e.rpm = 55000;
    installExperiment(e);
    const double D = 7.594996671664828e-07;
    monomerDimer(0.0f);
    fSAMonomerMorD = static_cast<float>(D);
    fSAOligomerMorD = static_cast<float>(0.75 * D);
    bModelMonomerDimer = 1;
    layOutGrid(120, false);
    prepareRun(4, D, 1.0);
    const bool bEnded = endsWithin(30.0, [] { propagateLammB(); }, [] { bSimulationError = 1; });
    EXPECT_TRUE(bEnded) << "still at t = " << dSimTime << " s after 30 s";
    EXPECT_EQ(bDiscretizationError, 1);
    EXPECT_LT(dSimTime, e.tLast);
    EXPECT_EQ(dMaxDcOverCWork, dMaxDcOverC / 2048);  // eleven negative trials

    // a fixed step (the moving hat of interacting species leaves it on) is max
    // dc/c seconds, halved by every negative trial as well. From a measured
    // start (an empty meniscus, 0.3 % of noise cut at 0) the trials go
    // negative at every step, however short: they count alike, where the step
    // shrank to nothing and the run stood still at its time for ever
    bFixedTimestep = 1;
    prepareRun(4, D, 1.0);
    std::mt19937 noise(7);
    for (int i = 1; i <= nGridPointsAllocated; i++) {
        const double c = 0.5 * std::erfc((6.3 - pGridRadius[i]) / 0.01) + 0.006 * (noise() / 4294967295.0 - 0.5);
        pGridConc[i] = c > 0 ? c : 0;
    }
    EXPECT_TRUE(endsWithin(30.0, [] { propagateLammB(); }, [] { bSimulationError = 1; }))
        << "still at t = " << dSimTime << " s after 30 s";
    EXPECT_EQ(bDiscretizationError, 1);
    EXPECT_LT(dSimTime, e.tLast);
    EXPECT_EQ(dMaxDcOverCWork, dMaxDcOverC / 2048);
    bFixedTimestep = 0;

    // a max dc/c that not even the shortest step meets ends there too
    const double dKept = dMaxDcOverC;
    dMaxDcOverC = 1e-30;
    prepareRun(4, D, 1.0);
    EXPECT_TRUE(endsWithin(30.0, [] { propagateLammB(); }, [] { bSimulationError = 1; }));
    EXPECT_EQ(bDiscretizationError, 1);
    EXPECT_LT(dSimTime, e.tFirst);

    // and a fixed step of no length, which would never reach a scan, ends the
    // run before its first step, as it does the Claverie propagator's
    bFixedTimestep = 1;
    dMaxDcOverC = 0;
    for (bool bReacting : {true, false}) {
        prepareRun(4, D, 1.0);
        EXPECT_TRUE(endsWithin(5.0, [&] { bReacting ? propagateLammB() : propagateLammStatic(); },
                               [] { bSimulationError = 1; }))
            << bReacting;
        EXPECT_EQ(bDiscretizationError, 1) << bReacting;
        EXPECT_EQ(nTimeStepCount, 0) << bReacting;
        EXPECT_EQ(dSimTime, 0.0) << bReacting;
    }
    bFixedTimestep = 0;

    // with variable steps only a change above max dc/c repeats a step: at a
    // max dc/c of 0 a loading of nothing, which never changes, runs to its
    // last scan on either propagator
    for (bool bReacting : {true, false}) {
        prepareRun(4, D, 0.0);
        bReacting ? propagateLammB() : propagateLammStatic();
        EXPECT_EQ(bDiscretizationError, 0) << bReacting;
        EXPECT_EQ(dSimTime, e.tLast) << bReacting;
    }
    dMaxDcOverC = dKept;
}

// Through the rotor's acceleration: the speed in effect over each step, the
// steps no longer than the acceleration allows and ending on its end; the
// static grid with vanishing association is still the Claverie propagator's
// species. The moving hat goes on past the step that lands on the end of the
// acceleration at 200 s (a step cut to the end again there has no length, and
// the run would stand at 200 s for ever) to its last scan at full speed. Its
// monomer of 4 S then has the plateau exp(-2 s omega^2 (t - 2/3 200 s)) at
// every scan, the integral of omega^2 over a linear ramp being a third of the
// full speed's (within 1e-5 on 800 points, 3e-7 here).
TEST(InteractingLimits, ThroughTheAcceleration)
{
    Experiment e;
    e.nScans = 10;
    e.tFirst = 250;
    e.tLast = 2500;
    installExperiment(e);
    bModelMonomerDimer = 1;
    monomerDimer(-10.0f);
    bFixedTimestep = 1;
    dMaxDcOverC = 5.0;
    layOutGrid(800, false);
    auto ramp = [] { startOnRamp(50000, 200, 3, 0); };
    prepareRun(4, 6e-7, 1.0);
    ramp();
    propagateLammStatic();
    const Profiles c = models();
    prepareRun(4, 6e-7, 1.0);
    ramp();
    propagateLammB();
    EXPECT_FALSE(bRotorAccelerating);
    EXPECT_EQ(dOmegaNow, 50000);
    EXPECT_LT(maxDifferenceInFit(c, models()), 1e-6);

    layOutGrid(800, true);
    prepareRun(4, 6e-7, 1.0);
    ramp();
    EXPECT_TRUE(endsWithin(30.0, [] { propagateLammMovingHat(); }, [] { bSimulationError = 1; }))
        << "still at t = " << dSimTime << " s after 30 s";
    updateMovingGridRadii();
    EXPECT_FALSE(bSimulationError || bDiscretizationError);
    EXPECT_FALSE(bRotorAccelerating);
    EXPECT_EQ(dOmegaNow, 50000);
    EXPECT_EQ(dSimTime, e.tLast);
    const Profiles h = models();
    const double w = 50000 * 2 * M_PI / 60, k = w * w * 4e-13;
    for (int p = 1; p <= nScans; p++) {
        const double t = pScanHeaders[pScanTimeOrder[p]].time;
        const double plateau = std::exp(-2 * k * (t - 2 * 200.0 / 3));
        for (double r : {6.6, 6.8}) {
            const int j = int(std::lround((r - e.meniscus) / (e.bottom - e.meniscus) * (e.nPoints - 1))) + 1;
            EXPECT_NEAR(h[p][j], plateau, 1e-5) << "t = " << t << ", r = " << r;
        }
    }
    bRampRotorSpeed = 0;
}

// The monomer-dimer law at every node of an odd grid (the nodes are taken two
// at a time, the last one alone), in the predictor and the corrector: with
// y = Ka x the dimer-to-monomer ratio, the total is c = x + Ka x^2, that is
// Ka c = y (1 + y); s weighs the species by concentration, D by stoichiometry
// times concentration.
TEST_F(InteractingCoefficients, MonomerDimerAtEveryNodeOfAnOddGrid)
{
    monomerDimer(3.0f);
    bModelMonomerDimer = 1;
    layOutGrid(51, false);
    prepareRun(4, 6e-7, 1.0);
    ASSERT_TRUE(setUpInteractingCoefficients());
    const int N = nGridPointsAllocated;
    ASSERT_EQ(N % 2, 1);
    auto y = [](int i) { return 0.1 * i; };
    for (int i = 1; i <= N; i++) pGridConcPrev[i] = pGridConcTrial[i] = y(i) * (1 + y(i)) / 1e3;
    const double D1 = 6e-7f, D2 = 4.5e-7f;
    updateLocalCoefficientsA();
    for (int i = 1; i <= N; i++) {
        EXPECT_NEAR(pLocalS[i], (4 + 6 * y(i)) / (1 + y(i)), 1e-9) << i;
        EXPECT_NEAR(pLocalD[i], (D1 + 2 * y(i) * D2) / (1 + 2 * y(i)), 1e-15) << i;
    }
    updateLocalCoefficientsB();  // the mean of two equal profiles' values
    for (int i = 1; i <= N; i++) {
        EXPECT_NEAR(pLocalS[i], (4 + 6 * y(i)) / (1 + y(i)), 1e-9) << i;
        EXPECT_NEAR(pLocalD[i], (D1 + 2 * y(i) * D2) / (1 + 2 * y(i)), 1e-15) << i;
    }
}
