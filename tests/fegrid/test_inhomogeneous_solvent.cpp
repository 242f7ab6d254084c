// The inhomogeneous solvent: its laws against their published numbers, the
// compressed water of a spinning column, the element integrals with local
// factors against the sector's, the co-solute's own redistribution (its amount
// and its equilibrium), the propagators against the solver object in the same
// solvent, the conversion to standard conditions and back, and the dialog.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "fegrid/fe_closed_form.h"
#include "fegrid/global_grid.h"
#include "fegrid/grid_run_fixture.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/interacting_coefficients.h"
#include "fegrid/propagators.h"
#include "lamm/lamm_fixture.h"
#include "lamm/solvent_laws.h"
#include "numerics/nrutil.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "resources/dialog_templates.h"
#include "scandata/scan_data.h"

using namespace win;
using namespace gridtest;

namespace {

double omega2(double rpm) { return std::pow(rpm * 2 * M_PI / 60, 2); }

// n steps of dt seconds of the co-solute's own propagation.
void stepCosolute(int n, double dt)
{
    for (int step = 1; step <= n; step++) {
        dCosoluteTime = dSimTime;
        dSimTime += dt;
        advanceSolventGradient();
    }
}

// The co-solute of the globals handed to a solver object
// (setSolverCosoluteSolvent) on its own grid, stepped as stepCosolute steps
// the global grid's: its largest difference from the global grid's profile c.
double solverCosoluteOff(const double* c, int n, int nSteps, double dt)
{
    LammExperiment x(1, 500, 500, 50000, 6.0, 7.2, 100);
    auto L = makeSolver(x, 5, 6e-7, 6.0, 7.2, 1.0, 6.05f, 7.15f);
    setSolverCosoluteSolvent(L.get());
    EXPECT_TRUE(L->InitCosoluteGradient(nullptr));
    const CLammIdeal* co = L->pCosoluteSolver;
    if (!co || co->nGridPoints != n) return 1e9;
    L->dRotorRpm = 50000;
    for (int step = 1; step <= nSteps; step++) {
        L->dTimeSaved = L->dTime;
        L->dTime += dt;
        L->StepCosoluteGradient();
    }
    EXPECT_EQ(L->nAbort, 0);
    double worst = 0;
    for (int i = 1; i <= n; i++) worst = std::max(worst, std::fabs(co->pConc[i] - c[i]));
    return worst;
}

}  // namespace

TEST(SolventLaws, PresetCompressibleWaterAndNoTables)
{
    // CsCl at 25 'C
    EXPECT_NEAR(densgradEmpiricalCurve(0), 0.5327, 5e-5);
    EXPECT_NEAR(cosoluteDiffusionPreset(0), 2.03e-5, 1e-9);
    EXPECT_NEAR(densgradEmpiricalCurve(1), 0.50945, 5e-6);
    EXPECT_NEAR(cosoluteDiffusionPreset(1), 1.8989e-5, 1e-9);
    // water at 60000 rpm over 6.0-7.2 cm
    EXPECT_NEAR(solventPressureMPa(0.99823, 60000, 6.0, 7.2), 31.21, 0.005);
    EXPECT_NEAR(compressibleSolventDensity(0.99823, 4.591e-4, 60000, 6.0, 7.2), 1.01274, 5e-6);
    EXPECT_EQ(compressibleSolventDensity(0.99823, 0, 60000, 6.0, 7.2), 0.99823);
    // without tables: water at every concentration
    for (double c : {0.0, 1.0, 4.0}) {
        EXPECT_EQ(cosoluteDensity(c), 0.99823);
        EXPECT_EQ(cosoluteViscosity(c), 0.001002);
        EXPECT_EQ(evalPolynomialTable(nullptr, 0, c), 0.0);
    }
}

// The element integrals with factors 1 are the sector's closed forms; with
// any factors the columns of the transport matrix still sum to 0.
TEST(SolventElements, FactorsOfOneAreTheSectorAndColumnsSumToZero)
{
    fMeniscus = 6.0f;
    fBottom = 7.2f;
    layOutGrid(50, false);
    bInhomogeneousSolvent = 0;
    resizeGradientCoefficientArrays(pGridRadius);
    const double* r = pGridRadius;
    for (int i : {1, 2, 25, 49, 50})
        for (int j = i - 1; j <= i + 1; j++) {
            EXPECT_NEAR(densgradFeElement1(i, j, r, 50), stiffnessElementToNode(i, j, 50), 1e-10) << i << " " << j;
            EXPECT_NEAR(densgradFeElement2(i, j, r, 50), sedimentationElementToNode(i, j, 50), 1e-10) << i << " " << j;
        }
    // and so is the outflow through the base: the flux s omega^2 r^2 c, and
    // D r dc/dr over the last element
    EXPECT_NEAR(densgradNodeSedimentationWeight(r, 50), r[50] * r[50], 1e-10);
    EXPECT_NEAR(densgradNodeDiffusionWeight(r, 50), r[50] / (r[50] - r[49]), 1e-9);
    // arbitrary smooth factors
    for (int i = 1; i <= 50; i++) {
        pSolventFactorV[i] = 1 + 0.3 * std::sin(i);
        pSolventFactorB[i] = 0.8 + 0.01 * i;
    }
    for (int j = 1; j <= 50; j++) {
        double s1 = 0, s2 = 0;
        for (int i = j - 1; i <= j + 1; i++) {
            s1 += densgradFeElement1(i, j, r, 50);
            s2 += densgradFeElement2(i, j, r, 50);
        }
        EXPECT_NEAR(s1, 0, 1e-9) << j;
        EXPECT_NEAR(s2, 0, 1e-12) << j;
    }
    // (1,1) of the sedimentation integral in closed form
    const double a = r[1], b = r[2], v1 = pSolventFactorV[1], v2 = pSolventFactorV[2], b1 = pSolventFactorB[1],
                 b2 = pSolventFactorB[2];
    const double expect = -(v1 * b1 * (10 * a * a + 4 * a * b + b * b) + (v2 * b1 + v1 * b2) * (2 * a * a + 2 * a * b + b * b) +
                            v2 * b2 * (a * a + 2 * a * b + 2 * b * b)) /
                          60;
    EXPECT_NEAR(densgradFeElement2(1, 1, r, 50), expect, 1e-12);
}

// The co-solute on its own grid keeps its amount and goes to the equilibrium
// exponential of its s and D (0.2 S, 3e-6 cm^2/s: Mb 162.4 g/mol at 20 'C);
// the CsCl data count only for a non-ideal co-solute. A solver object handed
// the same co-solute follows the same profile.
TEST(Cosolute, IdealCosoluteKeepsItsAmountAndReachesEquilibrium)
{
    Experiment e;
    e.nScans = 3;
    installExperiment(e);
    bInhomogeneousSolvent = bSedimentingCosolute = bCosoluteGradient = bCosolutePreset = 1;
    bCompressibleSolvent = 0;
    nCosoluteGridSize = 50;
    dSimTime = 0;
    dOmegaNow = 50000;
    ASSERT_TRUE(initSolventGradient());
    const double before = cosoluteAmount();
    EXPECT_NEAR(0.2e-13 * 2.436002e10 / 3e-6, 162.40, 0.005);
    stepCosolute(2000, 500);
    EXPECT_NEAR(cosoluteAmount() / before - 1, 0, 1e-12);
    const double* r = nullptr;
    int n = 0;
    const double* c = cosoluteProfile(&r, &n);
    ASSERT_EQ(n, 50);
    const double a = 0.2e-13 * omega2(50000) / (2 * 3e-6), x = a * (r[n] * r[n] - r[1] * r[1]);
    for (int i = 1; i <= n; i++)
        EXPECT_NEAR(c[i], 1.5 * x / std::expm1(x) * std::exp(a * (r[i] * r[i] - r[1] * r[1])), 1.5e-3 * 1.5) << i;
    // a solver object takes the same co-solute (ideal, though the CsCl box is ticked)
    EXPECT_LT(solverCosoluteOff(c, n, 2000, 500), 1e-5);
    // the non-ideal co-solute (the CsCl data) keeps its amount too
    bNonidealCosolute = 1;
    dSimTime = 0;
    ASSERT_TRUE(initSolventGradient());
    const double before2 = cosoluteAmount();
    stepCosolute(200, 100);
    EXPECT_NEAR(cosoluteAmount() / before2 - 1, 0, 1e-12);
    c = cosoluteProfile(&r, &n);
    EXPECT_GT(c[n], 1.5);
    EXPECT_LT(c[1], 1.5);
    EXPECT_LT(solverCosoluteOff(c, n, 200, 100), 1e-5);
}

// Through the rotor's linear acceleration to its speed in tA the co-solute
// sees omega^2 t less by the ramp's missing part: the integral of omega^2
// over the ramp is a third of the full speed's, so its plateau is
// c0 exp(-2 s omega^2 (t - 2/3 tA)) after it, as the species' is. It follows
// the species step by step at the speed each step takes, the step that ends
// the acceleration included (the species' own steps on Claverie's grid ended
// the ramp with one of 8 s here).
TEST(Cosolute, ThinsThroughTheAccelerationByTheIntegralOfOmegaSquared)
{
    Experiment e;
    e.nScans = 3;
    e.tFirst = 300;
    e.tLast = 400;
    installExperiment(e);
    bInhomogeneousSolvent = bSedimentingCosolute = bCosoluteGradient = 1;
    bCompressibleSolvent = bNonidealCosolute = bCosolutePreset = 0;
    nCosoluteGridSize = 100;
    // a heavy co-solute that hardly spreads: a plateau over the middle of the cell
    dCosoluteS = 5, dCosoluteD = 1e-7, dCosoluteLoading = 1.5;
    const double tA = 200;
    for (bool bHat : {false, true}) {
        layOutGrid(500, bHat);
        prepareRun(4, 6e-7, 1.0);
        dOmega = e.rpm;
        startOnRamp(e.rpm, tA, 10, e.rpm);  // leaving the speed of the last scan
        propagate();
        ASSERT_EQ(bSimulationError, 0) << bHat;
        ASSERT_EQ(dSimTime, e.tLast) << bHat;
        const double* r = nullptr;
        int n = 0;
        const double* c = cosoluteProfile(&r, &n);
        ASSERT_TRUE(c);
        const double plateau = 1.5 * std::exp(-2 * 5e-13 * omega2(e.rpm) * (e.tLast - 2 * tA / 3));
        // each step of the ramp takes the mean of omega^2 at its ends, which
        // over steps of 10 s is 2e-6 of the plateau above the integral
        for (int i = 40; i <= 60; i++) EXPECT_NEAR(c[i] / plateau, 1, 5e-6) << bHat << " " << r[i];
    }
    bRampRotorSpeed = 0;
}

namespace {

// One species on the global grid (Claverie or the moving hat) in the solvent
// of the globals, and the solver object's static grid in the same solvent; the
// largest difference between their models inside the fit limits.
double againstSolverObject(bool bMovingHat, const Experiment& e, double s, double D)
{
    installExperiment(e);
    layOutGrid(bMovingHat ? 1000 : 2000, bMovingHat);
    prepareRun(s, D, 1.0);
    propagate();
    EXPECT_EQ(bSimulationError, 0);
    EXPECT_EQ(bDiscretizationError, 0);

    LammExperiment x(e.nScans, e.tFirst, e.tLast, e.rpm, e.meniscus, e.bottom, e.nPoints);
    auto L = makeSolver(x, s, D, e.meniscus, e.bottom, 1.0, float(e.fitLeft), float(e.fitRight));
    L->bRampRotorSpeed = 0;
    L->bTruncateGrid = 0;
    L->bShutOffBackDiffusion = 0;
    L->SetSolventAndParticle(20.0, VBAR, fBufferDensity, RELVISCOSITY);
    setSolverInhomogeneousSolvent(L.get());
    EXPECT_EQ(L->Solve(), 0);
    double worst = 0;
    for (int p = 1; p <= e.nScans; p++)
        for (int j = 1; j <= e.nPoints; j++) {
            const float r = ppRadius[1][j];
            if (r < fFitLeftLim || r > fFitRightLim) continue;
            worst = std::max(worst, std::fabs(double(modelAt(p, j)) - x.out[p][j]));
        }
    return worst;
}

}  // namespace

// A compressible solvent at 60000 rpm: the propagators of the global grid and
// the solver object (its static grid, the same laws) agree.
TEST(CompressibleSolvent, PropagatorsAgreeWithTheSolverObject)
{
    Experiment e;
    e.rpm = 60000;
    e.nScans = 20;
    e.tLast = 4000;
    bInhomogeneousSolvent = 1;
    bCompressibleSolvent = 1;
    bSedimentingCosolute = bCosoluteGradient = 0;
    dSolventCompressibility = 4.591e-4;
    fGradientBufferDensity = 0.99823f;
    fGradientBufferViscosityRef = 1.0f;
    VBAR = 0.73f;
    fGradientVbar = 0.73f;
    bAutoSGrid = 1;
    const double claverie = againstSolverObject(false, e, 5, 6e-7);
    RecordProperty("Claverie", std::to_string(claverie));
    EXPECT_LT(claverie, 1e-3);
    // the factors reached the grid: fb falls by about 3 % towards the bottom
    ASSERT_EQ(nSolventFactorPoints, nGridPointsAllocated);
    EXPECT_NEAR(pSolventFactorB[nSolventFactorPoints] / pSolventFactorB[1],
                (1 - 0.73 * 1.01274) / (1 - 0.73 * 0.99823), 1e-4);
    const double hat = againstSolverObject(true, e, 5, 6e-7);
    RecordProperty("moving hat", std::to_string(hat));
    EXPECT_LT(hat, 1e-3);
    // the automatic s grid is the species' s in the buffer: here the standard
    // one, so s itself; in a denser, more viscous buffer s (1 - vbar rho) / eta
    // against the standard buoyancy
    EXPECT_NEAR(dSGrid, 5.0, 1e-5);
    fGradientBufferDensity = 1.05f;
    fGradientBufferViscosityRef = 1.3f;
    EXPECT_NEAR(localSolventFactor(5.0), 5.0 * (1 - 0.73 * 1.05) / (1 - 0.73 * 0.99823) / 1.3, 1e-5);
    fGradientBufferDensity = 0.99823f;
    fGradientBufferViscosityRef = 1.0f;
}

// A co-solute that sediments makes the factors change every step; the
// macromolecule's amount in the cell is kept all the same.
TEST(CosoluteGradient, ClaverieKeepsTheMacromoleculeWithASedimentingCosolute)
{
    Experiment e;
    e.nScans = 10;
    installExperiment(e);
    bInhomogeneousSolvent = bSedimentingCosolute = bCosoluteGradient = 1;
    bCompressibleSolvent = 0;
    bNonidealCosolute = 1;
    bCosolutePreset = 1;
    dCosoluteLoading = 1.5;
    fGradientVbar = 0.73f;
    // a solution that gets denser with the co-solute: 0.99823 + 0.125 c g/ml
    nDensityCoeffs = 3;
    pDensityCoeffs = dvector(1, 3);
    pDensityCoeffs[1] = 0.99823, pDensityCoeffs[2] = 0, pDensityCoeffs[3] = 12.5;
    layOutGrid(1000, false);
    prepareRun(5, 6e-7, 1.0);
    const double before = totalAmountInCell();
    propagate();
    EXPECT_EQ(bSimulationError, 0);
    EXPECT_NEAR(totalAmountInCell() / before - 1, 0, 1e-9);
    // the co-solute moved: denser at the bottom, so fb falls there
    const double* r = nullptr;
    int n = 0;
    const double* c = cosoluteProfile(&r, &n);
    ASSERT_TRUE(c);
    EXPECT_GT(c[n], c[1]);
    EXPECT_LT(pSolventFactorB[nGridPointsAllocated], pSolventFactorB[1]);
}

// A co-solute that cannot be set up (a grid of fewer than five points) is an
// error of the run that the evaluation reports, on both propagators that
// drive the co-solute; they stopped without a model, a flag or a word.
TEST(CosoluteGradient, ACosoluteThatCannotBeSetUpIsASimulationError)
{
    Experiment e;
    e.nScans = 5;
    installExperiment(e);
    bInhomogeneousSolvent = bSedimentingCosolute = bCosoluteGradient = 1;
    bCompressibleSolvent = 0;
    nCosoluteGridSize = 4;
    for (bool bHat : {false, true}) {
        layOutGrid(500, bHat);
        prepareRun(5, 6e-7, 1.0);
        propagate();
        EXPECT_EQ(bSimulationError, 1) << (bHat ? "moving hat" : "Claverie");
    }
    nCosoluteGridSize = 50;
}

// At each scan the co-solute is drawn over the data and, when asked, written
// beside the data as a scan of its own.
TEST(CosoluteGradient, TheCosoluteProfileIsSavedAtTheScans)
{
    const std::string folder = ::testing::TempDir() + "morvex_comp2_" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(folder);
    Experiment e;
    e.nScans = 4;
    installExperiment(e);
    std::snprintf(szScanDrive, sizeof szScanDrive, "%s", "");
    std::snprintf(szScanDir, sizeof szScanDir, "%s", folder.c_str());
    bInhomogeneousSolvent = bSedimentingCosolute = bCosoluteGradient = 1;
    bCompressibleSolvent = 0;
    bPlotCosolute = bSaveCosolute = 1;
    layOutGrid(500, false);
    prepareRun(5, 6e-7, 1.0);
    propagate();
    for (int k = 1; k <= 4; k++) {
        const std::string path = folder + "comp2_" + std::to_string(k) + ".r00";
        std::ifstream f(path);
        ASSERT_TRUE(f.good()) << path;
        std::string title;
        std::getline(f, title);
        EXPECT_NE(title.find("component 2"), std::string::npos);
    }
    std::filesystem::remove_all(folder);
}

// The non-ideal single species with the co-solute option takes the co-solute's
// s(c) and D(c) as its own.
TEST(CosoluteGradient, NonidealSpeciesTakesTheCosoluteLaw)
{
    Experiment e;
    e.nScans = 3;
    installExperiment(e);
    layOutGrid(200, false);
    bModelNonidealSingle = 1;
    freeRadialGridArrays();
    ASSERT_TRUE(allocRadialGridArrays());
    bNonidealCosolute = bCosolutePreset = 1;
    for (int i = 1; i <= 200; i++) pGridConcPrev[i] = pGridConc[i] = 0.5 + 0.005 * i;
    ASSERT_TRUE(setUpInteractingCoefficients());
    EXPECT_TRUE(bNonidealUsesCosoluteData);
    updateLocalCoefficientsA();
    for (int i : {1, 100, 200}) {
        EXPECT_NEAR(pLocalS[i], densgradEmpiricalCurve(pGridConc[i]), 1e-12);
        EXPECT_NEAR(pLocalD[i], cosoluteDiffusionPreset(pGridConc[i]), 1e-15);
    }
    bModelNonidealSingle = 0;
}

// ---------------------------------------------------------------- conversion and dialog

namespace {

class SolventDialogTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        installDialogTemplates();
        OpenWindow();
    }
};

const char* kCaption = "Inhomogeneous Solvent Parameters";

}  // namespace

TEST_F(SolventDialogTest, StandardConditionsAndBackRestoreSAndD)
{
    bModelDiscreteSpecies = 1;
    bInhomogeneousSolvent = 1;
    bSedimentingCosolute = 0;
    fGradientBufferDensity = 1.1f;
    fGradientBufferViscosityRef = 1.5f;
    VBAR = 0.73f;
    fBufferDensity = 1.1f;
    for (int k = 1; k <= 4; k++) {
        pSpeciesS[k] = 1.0f + k;
        pSpeciesMw[k] = 5.0f + k;
    }
    pSpeciesMw[3] = 0.0f;
    globalsToParamVector();
    convertParamsForSolventModel(window.get());
    EXPECT_TRUE(bSolventParamsConverted);
    EXPECT_EQ(fBufferDensity, 0.99823f);
    EXPECT_EQ(RELVISCOSITY, 1.0f);
    EXPECT_NEAR(pSpeciesMw[1], 6.0 * 1.5, 1e-5);
    EXPECT_NEAR(pSpeciesS[1], 2.0 * 1.5 * (1 - 0.73 * 0.99823) / (1 - 0.73 * 1.1), 1e-5);
    convertParamsToExperimental(window.get());
    EXPECT_FALSE(bSolventParamsConverted);
    EXPECT_EQ(fBufferDensity, 1.1f);
    for (int k = 1; k <= 4; k++) {
        EXPECT_NEAR(pSpeciesS[k] / (1.0f + k), 1, 1e-6) << k;
        if (k != 3) {
            EXPECT_NEAR(pSpeciesMw[k] / (5.0f + k), 1, 1e-6) << k;
        }
    }
    EXPECT_EQ(pSpeciesMw[3], 0.0f);
    EXPECT_EQ(pParamValue[5], pSpeciesS[1]);
}

TEST_F(SolventDialogTest, TheKindOfSolventAndTheModelSwitch)
{
    bTruncateGrid = 0;
    headless::Script script;
    // both kinds checked: the co-solute; the model goes on with its notes and
    // the parameters to standard conditions
    script.expectDialog(kCaption, headless::DialogAnswer().check(857).check(840).check(844));
    // the co-solute's density and viscosity tables are read (there are none)
    script.expectMessageBox("could not open", IDOK).expectMessageBox("could not open", IDOK);
    script.expectMessageBox("this is only implemented for regular Lamm equation models\nlike", IDOK);
    script.expectMessageBox("changing s and D (and M) to standard conditions!", IDOK);
    window->EvCommand(542, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bInhomogeneousSolvent && bSedimentingCosolute && bCosoluteGradient);
    EXPECT_FALSE(bCompressibleSolvent);
    EXPECT_TRUE(bSolventParamsConverted);
    EXPECT_TRUE(GetMenuState(window->GetMenu(), 542, MF_BYCOMMAND) & MF_CHECKED);
    // without tables the co-solute solution is water
    EXPECT_FLOAT_EQ(fGradientBufferDensity, 0.99823f);
    EXPECT_FLOAT_EQ(fGradientBufferViscosityRef, 1.0f);
    // neither checked: the compressible solvent; the model stays on. Its
    // buffer viscosity is typed in Poise (1 P = 0.1 Pa s): 0.01503 P, 1.5
    // times water's 1.002 mPa s at 20 degrees
    script.expectDialog(kCaption, headless::DialogAnswer().check(840, false).check(844, false).set(843, "0.01503"));
    window->EvCommand(542, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bCompressibleSolvent);
    EXPECT_FALSE(bSedimentingCosolute);
    EXPECT_NEAR(fGradientBufferViscosity, 1.503e-3, 1e-9);
    EXPECT_NEAR(fGradientBufferViscosityRef, 1.5, 1e-6);
    // off: the parameters back to experimental conditions
    script.expectDialog(kCaption, headless::DialogAnswer().check(857, false));
    script.expectMessageBox("changing s and D (and M) back to experimental conditions!", IDOK);
    window->EvCommand(542, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(bInhomogeneousSolvent);
    EXPECT_FALSE(bSolventParamsConverted);
    EXPECT_FALSE(GetMenuState(window->GetMenu(), 542, MF_BYCOMMAND) & MF_CHECKED);
}

// With the model off OK takes any text, and a text that is no number keeps
// the value (it does not set vbar to 0); with it on such a text keeps the
// dialog open without a message.
TEST_F(SolventDialogTest, EditsThatDoNotParseKeepTheirValues)
{
    VBAR = 0.72f;
    headless::Script script;
    script.expectDialog(kCaption, headless::DialogAnswer().set(838, "abc").set(846, "2.5"));
    window->EvCommand(542, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(VBAR, 0.72f);
    EXPECT_EQ(dCosoluteLoading, 2.5);
    EXPECT_FALSE(bInhomogeneousSolvent);
    script.expectDialog(kCaption, headless::DialogAnswer().check(857).set(838, "abc"));
    script.expectDialog(kCaption, headless::DialogAnswer().cancel());
    window->EvCommand(542, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(bInhomogeneousSolvent);

    // values the model cannot work with keep it open as well: a co-solute
    // grid of fewer than five points (OK takes the whole number), and a
    // compressibility that makes the density negative at the bottom of the
    // cell at the rotor's speed (1 - kappa P reaches 0 there at about 320e-4/MPa)
    fMeniscus = 6.0f;
    fBottom = 7.2f;
    dOmegaNow = 60000;
    for (const char* szGrid : {"4", "4.9"}) {
        script.expectDialog(kCaption, headless::DialogAnswer().check(857).set(838, "0.73").set(851, szGrid));
        script.expectDialog(kCaption, headless::DialogAnswer().cancel());
        window->EvCommand(542, nullptr, 0);
        EXPECT_EQ(script.pending(), 0u) << szGrid;
    }
    script.expectDialog(kCaption, headless::DialogAnswer().check(857).set(838, "0.73").set(841, "330"));
    script.expectDialog(kCaption, headless::DialogAnswer().cancel());
    window->EvCommand(542, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(bInhomogeneousSolvent);
    EXPECT_EQ(nCosoluteGridSize, 50);
    // a negative compressibility is taken
    bTruncateGrid = 0;
    script.expectDialog(kCaption, headless::DialogAnswer().check(857).set(838, "0.73").set(841, "-330").set(851, "5"))
        .expectMessageBox("this is only implemented for regular Lamm equation models and ls-g*(s)", IDOK)
        .expectMessageBox("changing s and D (and M) to standard conditions!", IDOK);
    window->EvCommand(542, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bInhomogeneousSolvent);
    EXPECT_EQ(nCosoluteGridSize, 5);
}

// A compressibility taken while no scans were loaded (the dialog checks it
// against the data loaded when it closes) is checked again when a model is
// evaluated: at the example's 50000 rpm 500e-4/MPa makes the density at the
// bottom negative. Run names that density, instead of "change grid size and
// readjust max dc/c" and an rmsd of 0.59, and computes no model, for the
// discrete species and for the c(s).
TEST_F(SolventDialogTest, ACompressibilityTakenWithoutScansIsCheckedWhenTheModelIsEvaluated)
{
    bTruncateGrid = 0;
    headless::Script script;
    script.expectDialog(kCaption, headless::DialogAnswer().check(857).set(838, "0.73").set(841, "500"))
        .expectMessageBox("this is only implemented for regular Lamm equation models and ls-g*(s)", IDOK)
        .expectMessageBox("changing s and D (and M) to standard conditions!", IDOK);
    window->EvCommand(542, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_TRUE(bInhomogeneousSolvent);
    ASSERT_TRUE(bCompressibleSolvent);
    EXPECT_DOUBLE_EQ(dSolventCompressibility, 500e-4);

    LoadScans(copyVelocityExampleScans(scratch + "/velocity"));
    const std::string why =
        "MessageBox \"ERROR in simulation\" \"compressible solvent: the density at the bottom (7.200 cm) is negative or "
        "infinite at 50000 rpm with the compressibility 5.0000e-02 1/MPa (1 - kappa P = -0.0837 there)\\nchange the "
        "compressibility (Options > Inhomogeneous Solvent) - not simulated\" MB_OK -> IDOK";
    window->EvCommand(198, nullptr, 0);
    script.expectDialog("noninteracting species model", exampleDiscreteSpeciesAnswer());
    window->EvCommand(212, nullptr, 0);
    for (int bContinuous : {0, 1}) {
        bModelDiscreteSpecies = static_cast<unsigned char>(!bContinuous);
        bModelContinuous = bModelCS = static_cast<unsigned char>(bContinuous);
        headless::Script run;
        run.expectMessageBox("ERROR in simulation", IDOK);
        window->EvCommand(213, nullptr, 0);
        headless::processMessages();
        EXPECT_EQ(run.pending(), 0u);
        const std::vector<std::string> lines = run.lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), why), lines.end()) << bContinuous;
        EXPECT_FALSE(bModelComputed) << bContinuous;
    }
}

// The files of the tables: a cancelled D(c) file turns the non-ideal co-solute
// off unless the preset is chosen; a density file is read at once; a table
// with a number that is not finite is refused like an unreadable one.
TEST_F(SolventDialogTest, CoefficientFiles)
{
    headless::Script script;
    script.expectDialog(kCaption, headless::DialogAnswer().check(863, false).check(858));
    script.expectFileCancel("Select NONIDEAL D(c) Data File");
    script.expectMessageBox("Could Not Open New NONIDEAL D(c) Data File", IDOK);
    window->EvCommand(542, nullptr, 0);
    EXPECT_FALSE(bNonidealCosolute);
    script.expectDialog(kCaption, headless::DialogAnswer().check(863, false).check(850).check(858));
    script.expectFileCancel("Select NONIDEAL D(c) Data File");
    script.expectMessageBox("Could Not Open New NONIDEAL D(c) Data File", IDOK);
    window->EvCommand(542, nullptr, 0);
    EXPECT_TRUE(bNonidealCosolute);
    EXPECT_TRUE(bCosolutePreset);

    const std::string good = scratch + "/density.dat", bad = scratch + "/bad.dat";
    std::ofstream(good) << "0.99823\n0\n12.5\n";
    std::ofstream(bad) << "1.0\nnan\n";
    script.expectDialog(kCaption, headless::DialogAnswer().check(860));
    script.expectOpenFile("Select DENSITY(c) Data File", {good});
    window->EvCommand(542, nullptr, 0);
    ASSERT_EQ(nDensityCoeffs, 3);
    EXPECT_NEAR(cosoluteDensity(2.0), 0.99823 + 0.01 * 12.5 * 2, 1e-7);  // the file read as floats
    EXPECT_EQ(std::string(densityTableFile()), good);
    script.expectDialog(kCaption, headless::DialogAnswer().check(860));
    script.expectOpenFile("Select DENSITY(c) Data File", {bad});
    script.expectMessageBox("not finite", IDOK);
    window->EvCommand(542, nullptr, 0);
    EXPECT_EQ(nDensityCoeffs, 0);
    EXPECT_EQ(cosoluteDensity(2.0), 0.99823);
    EXPECT_EQ(script.pending(), 0u);
}

// The smallest co-solute grid the dialog takes still redistributes the
// co-solute: it keeps its amount, gathers at the base and thins at the
// meniscus.
TEST(Cosolute, TheSmallestCosoluteGridSediments)
{
    Experiment e;
    e.nScans = 3;
    installExperiment(e);
    bInhomogeneousSolvent = bSedimentingCosolute = bCosoluteGradient = 1;
    bCompressibleSolvent = 0;
    nCosoluteGridSize = nMinCosoluteGridSize;
    dSimTime = 0;
    dOmegaNow = 50000;
    ASSERT_TRUE(initSolventGradient());
    const double before = cosoluteAmount();
    stepCosolute(200, 500);
    EXPECT_NEAR(cosoluteAmount() / before - 1, 0, 1e-12);
    const double* r = nullptr;
    int n = 0;
    const double* c = cosoluteProfile(&r, &n);
    ASSERT_EQ(n, nMinCosoluteGridSize);
    EXPECT_GT(c[n], 1.1 * 1.5);
    EXPECT_LT(c[1], 0.9 * 1.5);
}
