// Model evaluation: the amplitudes of the species, the road a model takes,
// the sum of several species, the intensity conversion, the species that
// cannot sediment, and the messages of the solver's error numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/app_globals.h"
#include "fegrid/global_grid.h"
#include "fitting/fit_globals.h"
#include "models/lamm_settings.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "model_window_fixture.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "scandata/noise_grid.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"

using namespace win;

namespace {

bool shown(const headless::Script& script, const std::string& text)
{
    for (const std::string& l : script.lines())
        if (l.find(text) != std::string::npos) return true;
    return false;
}

class EvaluationTest : public ModelWindowTest {
protected:
    void SetUp() override
    {
        ModelWindowTest::SetUp();
        // the wizard's advice after Run is not what these tests look at
        bWizardMessages = 0;
    }
    // The discrete model on the synthetic scans with species 1 only, no
    // linear parts, fit limits inside the cell.
    void DiscreteModel(int nScansWanted = 4)
    {
        LoadScans(writeBoundaryScans(scratch, nScansWanted));
        command(198);
        bFitTINoise = bFitRINoise = 0;
        bAlgebraicConcentrations = bAlgebraicBaseline = 0;
        bFitBaseline = 0;
        fMeniscus = 6.0f;
        fBottom = 7.2f;
        keepFitLimitsInsideCell();
        for (int k = 1; k <= 4; ++k) pSpeciesIncluded[k] = 0;
        setSpecies(1, 0.8f, 6.0f, 4.5f);
        globalsToParamVector();
    }
    // The discrete model computed once, then the solvent made compressible
    // (no sedimenting co-solute): the settings of the solver's failures below.
    void CompressibleSolventAfterAModel()
    {
        DiscreteModel();
        window->CmRun();
        ASSERT_TRUE(bModelComputed);
        bInhomogeneousSolvent = 1;
        bCompressibleSolvent = 1;
        bSedimentingCosolute = 0;
    }
    static void setSpecies(int k, float fConc, float fD, float fS)
    {
        pSpeciesIncluded[k] = 1;
        pSpeciesConc[k] = fConc;
        pSpeciesMw[k] = fD;
        pSpeciesS[k] = fS;
    }
};

}  // namespace

TEST(SpeciesAmplitude, TheFirstSpeciesHoldsTheTotalTheOthersTheirShares)
{
    for (int k = 1; k <= 4; ++k) pSpeciesIncluded[k] = 0;
    bBufferMismatch = 0;
    bAlgebraicConcentrations = 0;
    pSpeciesIncluded[1] = pSpeciesIncluded[2] = 1;
    pSpeciesConc[1] = 2.0f;
    pSpeciesConc[2] = 0.3f;
    EXPECT_FLOAT_EQ(speciesAmplitude(1), 1.4f);
    EXPECT_FLOAT_EQ(fSpeciesFraction, 0.7f);
    EXPECT_FLOAT_EQ(speciesAmplitude(2), 0.6f);
    // shares above 1 leave the first species nothing, never less
    pSpeciesConc[2] = 1.2f;
    EXPECT_EQ(speciesAmplitude(1), 0.0f);
    EXPECT_FLOAT_EQ(speciesAmplitude(2), 2.4f);
    // solved linearly, a species is simulated at 1 instead of 0
    bAlgebraicConcentrations = 1;
    EXPECT_EQ(speciesAmplitude(1), 1.0f);
    // the lowest included species is the first
    pSpeciesIncluded[1] = 0;
    pSpeciesIncluded[3] = 1;
    pSpeciesConc[3] = 0.25f;
    bAlgebraicConcentrations = 0;
    EXPECT_FLOAT_EQ(speciesAmplitude(2), 0.9f);  // 1.2 x (1 - 0.25)
    EXPECT_FLOAT_EQ(speciesAmplitude(3), 0.3f);
}

TEST_F(EvaluationTest, TwoSpeciesAddUpToOne)
{
    DiscreteModel();
    window->CmRun();
    ASSERT_TRUE(bModelComputed);
    std::vector<std::vector<float>> one(nScans + 1);
    for (int k = 1; k <= nScans; ++k) one[k].assign(ppFit[k] + 1, ppFit[k] + pScanPoints[k] + 1);
    // the same species split in two halves of the total
    setSpecies(1, 0.8f, 6.0f, 4.5f);
    setSpecies(2, 0.5f, 6.0f, 4.5f);
    globalsToParamVector();
    window->CmRun();
    double dMax = 0;
    for (int k = 1; k <= nScans; ++k)
        for (int p = 1; p <= pScanPoints[k]; ++p) dMax = std::max(dMax, std::fabs(double(ppFit[k][p]) - one[k][p - 1]));
    EXPECT_LT(dMax, 1e-5);
    EXPECT_FLOAT_EQ(fSpeciesAmplitude[1], 0.4f);
    EXPECT_FLOAT_EQ(fSpeciesAmplitude[2], 0.4f);
}

// A non-ideal first species ("c1 nonideal") moves the whole model to the
// global grid, where species 1 is propagated with s and D of the local
// concentration; with vanishing ks and kd it is the ideal species of the
// solver objects. A ks that puts the pole inside the loading is reported.
TEST_F(EvaluationTest, ANonidealFirstSpeciesMovesTheModelToTheGlobalGrid)
{
    DiscreteModel();
    window->CalcModel();
    ASSERT_TRUE(bModelComputed);
    EXPECT_FALSE(bGridArraysAllocated);
    std::vector<std::vector<float>> ideal(nScans + 1);
    for (int k = 1; k <= nScans; ++k) ideal[k].assign(ppFit[k] + 1, ppFit[k] + pScanPoints[k] + 1);

    // the moving hat on the dynamic grid size, and the static grid of the
    // default size
    for (bool bHat : {true, false}) {
        bSpecies1Nonideal = 1;
        bAutoFEAlgorithm = 0;
        bAutoDynamicGridSize = bHat ? 1 : 0;
        bMovingHat = bHat ? 1 : 0;
        bClaverie = bHat ? 0 : 1;
        fModelConst20 = fNonidealKs = -10.0f;
        fModelConst21 = fNonidealKd = -10.0f;
        dSignalPerMgMl = 1.0;
        globalsToParamVector();
        window->CalcModel();
        ASSERT_TRUE(bModelComputed);
        EXPECT_TRUE(bGridArraysAllocated);
        EXPECT_FALSE(bModelNonidealSingle);  // set around the propagation only
        EXPECT_EQ(nGridPointsAllocated, nGridPoints);
        double dMax = 0;
        for (int k = 1; k <= nScans; ++k)
            for (int p = pFitFirstIndex[k]; p <= pFitLastIndex[k]; ++p)
                dMax = std::max(dMax, std::fabs(double(ppFit[k][p]) - ideal[k][p - 1]));
        EXPECT_LT(dMax, 1e-3 * 0.8) << (bHat ? "moving hat" : "static grid");
    }

    // ks c_1 above 1: nothing propagated for species 1, and said so; the
    // species after it are propagated as ever
    setSpecies(2, 0.3f, 4.0f, 7.0f);
    headless::Script script;
    script.expectMessageBox("ERROR in simulation", IDOK);
    fModelConst20 = fNonidealKs = 0.5f;  // 3.2 per unit of signal, loading 0.8 x 0.7
    globalsToParamVector();
    window->CalcModel();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(shown(script, "nonideality out of range"));
    EXPECT_TRUE(bModelComputed);
    EXPECT_NEAR(fSpeciesAmplitude[2], 0.24f, 1e-6f);
    EXPECT_GT(ppFit[nScans][pFitLastIndex[nScans]], 0.1f);  // species 2's plateau
}

TEST_F(EvaluationTest, AnAbsorbanceModelBecomesIntensity)
{
    // intensity scans: the signal in the second column, the reference in the third
    std::vector<std::string> paths;
    const int n = 120;
    float* r = vector(1, n);
    float* y = vector(1, n);
    float* ref = vector(1, n);
    for (int k = 1; k <= 3; ++k) {
        for (int i = 1; i <= n; ++i) {
            r[i] = static_cast<float>(5.95 + 0.01 * (i - 1));
            ref[i] = 2000.0f + 5.0f * i;
            y[i] = 0.1f * ref[i];
        }
        ScanHeader h;
        std::memset(&h, 0, sizeof h);
        h.dataType = 'I';
        h.cell = 1;
        h.temperature = 20.0f;
        h.rpm = 50000.0f;
        h.time = h.timeWritten = 1000.0 * k;
        h.omega2t = std::pow(50000 * M_PI / 30, 2) * h.time;
        h.wavelength = 280;
        h.count = 1;
        char name[32];
        std::snprintf(name, sizeof name, "int%05d.RI1", k);
        paths.push_back(scratch + "/" + name);
        ASSERT_TRUE(writeScanFile(paths.back().c_str(), n, r, y, ref, nullptr, 1, &h));
    }
    free_vector(r, 1, n);
    free_vector(y, 1, n);
    free_vector(ref, 1, n);
    LoadScans(paths);
    ASSERT_TRUE(bIntensityData);
    command(198);
    bFitTINoise = bFitRINoise = 0;
    bAlgebraicConcentrations = bAlgebraicBaseline = 0;
    fMeniscus = 6.0f;
    fBottom = 7.2f;
    keepFitLimitsInsideCell();
    for (int k = 1; k <= 4; ++k) pSpeciesIncluded[k] = 0;
    // Nothing moves: the absorbance A is the loading everywhere in the cell,
    // and Beer-Lambert gives the transmitted intensity I0 10^(-A).
    for (const double A : {1.0, 0.4}) {
        setSpecies(1, static_cast<float>(A), 0.0f, 0.0f);
        globalsToParamVector();
        bModelComputed = 0;
        window->CmRun();
        ASSERT_TRUE(bModelComputed);
        const double transmitted = std::pow(10.0, -A);
        for (int k = 1; k <= nScans; ++k)
            for (int p = 20; p <= 100; p += 20)
                EXPECT_NEAR(ppFit[k][p], transmitted * ppThirdColumn[k][p], 1e-3 * ppThirdColumn[k][p])
                    << "A " << A << " scan " << k << " point " << p;
    }
}

TEST_F(EvaluationTest, ASpeciesOfTheSolventDensityIsNotSimulated)
{
    DiscreteModel();
    headless::Script script;
    bUseMolarMass = 1;
    setSpecies(1, 0.8f, 50000.0f, 4.0f);
    setSpecies(2, 0.5f, 20000.0f, 2.0f);
    VBAR = 1.0f;
    fBufferDensity = 1.0f;
    fVbarRho = 1.0f;
    globalsToParamVector();
    double D = 1.0;
    EXPECT_FALSE(speciesDiffusionCoefficient(1, &D));
    EXPECT_EQ(D, 0.0);
    script.expectMessageBox("ERROR in simulation", IDOK);
    window->CmRun();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(shown(script, "species 1, 2 cannot sediment"));
    // one box for the evaluation, and no model values
    int nBoxes = 0;
    for (const std::string& l : script.lines()) nBoxes += l.rfind("MessageBox", 0) == 0;
    EXPECT_EQ(nBoxes, 1);
    for (int k = 1; k <= nScans; ++k) EXPECT_EQ(ppFit[k][100], 0.0f);
    EXPECT_EQ(fSpeciesAmplitude[1], 0.0f);
}

// A solver that fails ends the evaluation without a model. Grid sizes of one
// point (which the Lamm settings no longer take; set here directly) in an
// inhomogeneous solvent without the optimized spacing keep every retry on
// that grid, and the tridiagonal matrix stays singular. Run then computes no
// model (so no rmsd, residuals or advice), and a fit ends at its first
// evaluation (and says so once more in its final one). The evaluation went on
// with the rows the solver had left and the fit tried again and again.
TEST_F(EvaluationTest, ASolverThatFailsLeavesNoModel)
{
    CompressibleSolventAfterAModel();
    if (HasFatalFailure()) return;
    nDefaultGridSize = nDynGridLowerLimit = nDynGridUpperLimit = 1;
    bOptimizeGridSpacing = 0;
    bWizardMessages = 1;
    auto expectFailure = [](headless::Script& script) {
        for (int k = 0; k < 3; ++k) script.expectMessageBox("Error 1 in tridag", IDOK);
        script.expectMessageBox("singular tridiagonal matrix!", IDOK);
    };
    headless::Script run;
    expectFailure(run);
    window->CmRun();
    EXPECT_EQ(run.pending(), 0u);
    EXPECT_FALSE(bModelComputed);

    for (int k = 1; k <= nParams; ++k) pParamFloat[k] = 0;
    pParamFloat[5] = 1;  // s of species 1
    headless::Script fit;
    expectFailure(fit);
    expectFailure(fit);
    window->CmFit();
    EXPECT_EQ(fit.pending(), 0u);
    EXPECT_EQ(nSimCount, 2);
    EXPECT_FALSE(bModelComputed);
    EXPECT_FALSE(bStopFit || bFitRunning);
}

// A setting the solver refuses (here a species without diffusion in a
// compressible solvent) computes no model either: the solver says why, and
// Run leaves no model behind, whatever the evaluation before had left.
TEST_F(EvaluationTest, ASettingTheSolverRefusesLeavesNoModel)
{
    CompressibleSolventAfterAModel();
    if (HasFatalFailure()) return;
    setSpecies(1, 0.8f, 0.0f, 4.5f);
    globalsToParamVector();
    headless::Script run;
    run.expectMessageBox("D = 0 or s = 0 models are not implemented yet for inhomogeneous solvent", IDOK);
    window->CmRun();
    EXPECT_EQ(run.pending(), 0u);
    EXPECT_FALSE(bModelComputed);
}

TEST_F(EvaluationTest, TheMessagesOfTheSolverErrorNumbers)
{
    headless::Script script;
    // 4, above 7 and success are silent
    for (int n : {-1, 0, 4, 8, 12}) window->ReportSimulationError(n);
    EXPECT_TRUE(script.lines().empty());

    // the discretization error: after every Run, once per fit
    bFitRunning = 0;
    script.expectMessageBox("DISCRETIZATION ERROR", IDOK).expectMessageBox("DISCRETIZATION ERROR", IDOK);
    window->ReportSimulationError(2);
    window->ReportSimulationError(2);
    EXPECT_EQ(bDiscretizationError, 1);
    bFitRunning = 1;
    bDiscretizationWarned = 0;
    script.expectMessageBox("DISCRETIZATION ERROR", IDOK);
    window->ReportSimulationError(2);
    window->ReportSimulationError(2);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bDiscretizationWarned);
    bFitRunning = 0;

    script.expectMessageBox("ERROR in simulation", IDOK).expectMessageBox("ERROR in simulation", IDOK);
    window->ReportSimulationError(3);
    window->ReportSimulationError(7);
    EXPECT_EQ(bSimulationError, 1);
    EXPECT_EQ(bNonidealityOutOfRange, 1);
    EXPECT_TRUE(shown(script, "\"singular tridiagonal matrix!\""));
    EXPECT_TRUE(shown(script, "\"nonideality out of range\""));
    EXPECT_EQ(script.pending(), 0u);
}

// A single scan at 1500 s whose omega^2 t is that of 600 s at 3000 rpm,
// reached from rest and left at 280 rpm/s for its 50000 rpm: the phase found
// is those 600 s, and the profile written steps up at 600 s to the scan's speed.
TEST_F(EvaluationTest, ALowSpeedPhaseBecomesASpeedStepFile)
{
    DiscreteModel(1);
    const double a = 280, w0 = 3000, w = 50000, t = 1500, t2 = 600;
    // the integral of rpm^2 over a ramp from wa to wb lasting dt
    auto ramp = [](double wa, double wb, double dt) { return dt * (wa * wa + wa * wb + wb * wb) / 3; };
    pScanHeaders[1].rpm = float(w);
    pScanHeaders[1].timeWritten = t;
    pScanHeaders[1].omega2t = std::pow(2 * M_PI / 60, 2) * (ramp(0, w0, w0 / a) + w0 * w0 * (t2 - w0 / a) +
                                                            ramp(w0, w, (w - w0) / a) + w * w * (t - t2 - (w - w0) / a));
    headless::Script script;
    script.expectMessageBox("ERROR", IDYES)
        .expectMessageBox("ERROR", IDYES)
        .expectInput("rotor speed of low-speed phase (rpm)", "3000")
        .expectInput("acceleration (rpm/sec) (usually 280)", "280")
        .expectMessageBox("ERROR", IDYES);
    window->ReportSimulationError(5);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(shown(script, "\"found low speed 3000 rpm phase had to be 600 sec,"));
    float fStart = 0, fRpm = 0, fRate = 0, fStart2 = 0, fRpm2 = 0, fRate2 = 0;
    EXPECT_EQ(std::sscanf(readText(scratch + "/speedsteps.txt").c_str(), "%f %f %f %f %f %f", &fStart, &fRpm, &fRate,
                          &fStart2, &fRpm2, &fRate2),
              6);
    EXPECT_EQ(fStart, 0.0f);
    EXPECT_EQ(fRpm, 3000.0f);
    EXPECT_NEAR(fStart2, 600.0, 0.01);
    EXPECT_EQ(fRpm2, 50000.0f);
    EXPECT_EQ(fRate2, 280.0f);
    EXPECT_TRUE(bUsingSpeedSteps);

    // OK on the values shown: the defaults, 3000 rpm and 280 rpm/s, give the
    // same phase and profile
    std::filesystem::remove(scratch + "/speedsteps.txt");
    headless::setPolicy(headless::Policy::DefaultAnswers);
    script.expectMessageBox("ERROR", IDYES).expectMessageBox("ERROR", IDYES).expectMessageBox("ERROR", IDYES);
    window->ReportSimulationError(5);
    headless::setPolicy(headless::Policy::FailOnUnexpected);
    EXPECT_EQ(script.pending(), 0u);
    fStart2 = fRpm2 = fRate2 = 0;
    EXPECT_EQ(std::sscanf(readText(scratch + "/speedsteps.txt").c_str(), "%f %f %f %f %f %f", &fStart, &fRpm, &fRate,
                          &fStart2, &fRpm2, &fRate2),
              6);
    EXPECT_EQ(fRpm, 3000.0f);
    EXPECT_NEAR(fStart2, 600.0, 0.01);
    EXPECT_EQ(fRate2, 280.0f);

    // not equilibrated: the advice and the Lamm equation settings
    script.expectMessageBox("ERROR", IDYES)
        .expectMessageBox("ERROR", IDNO)
        .expectMessageBox("ERROR in simulation", IDOK)
        .expectDialog("Numerical Control of Lamm Equation Solution", headless::DialogAnswer().cancel());
    window->ReportSimulationError(5);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(EvaluationTest, TheNonidealMultipleSpeciesRowRunsOnTheSolverObject)
{
    LoadScans(writeBoundaryScans(scratch, 4));
    command(893);
    ASSERT_TRUE(bModelNonidealMultiple);
    bFitTINoise = bFitRINoise = 0;
    bAlgebraicConcentrations = bAlgebraicBaseline = 0;
    fMeniscus = 6.0f;
    fBottom = 7.2f;
    keepFitLimitsInsideCell();
    // species 1 of the model: loading 0.8, D 6e-7 cm^2/s, s0 4.5 S, weak
    // non-ideality; no second or third species
    for (int k = 1; k <= 4; ++k) pSpeciesIncluded[k] = 0;
    pParamValue[9] = 0.8f;
    pParamValue[1] = 6.0f;
    pParamValue[5] = 4.5f;
    pParamValue[10] = -3.0f;  // log10 ks
    pParamValue[11] = -3.0f;  // log10 kd
    fNonidealConc2 = fNonidealConc3 = 0;
    pParamValue[27] = pParamValue[31] = 0;
    paramVectorToGlobals();
    headless::Script script;
    window->CmRun();
    EXPECT_TRUE(script.lines().empty()) << (script.lines().empty() ? "" : script.lines()[0]);
    ASSERT_TRUE(bModelComputed);
    // the species simulated is species 1's: its s and D (in cm^2/s)
    EXPECT_EQ(dLammS, 4.5);
    EXPECT_NEAR(dLammD, 6e-7, 1e-12);
    // a boundary: depleted near the meniscus, the plateau beyond
    const int k = pScanTimeOrder[nScans];
    float fLow = 1e9f, fHigh = -1e9f;
    for (int p = pFitFirstIndex[k]; p <= pFitLastIndex[k]; ++p) {
        fLow = std::min(fLow, ppFit[k][p]);
        fHigh = std::max(fHigh, ppFit[k][p]);
    }
    EXPECT_LT(fLow, 0.05f);
    EXPECT_GT(fHigh, 0.5f);
    EXPECT_LT(fHigh, 0.85f);

    // The model's non-ideality is repulsive (docs/models.md, 893), s = s0 /
    // (1 + ks c): in the plateau dc/dt = -2 s(c) w^2 c, and the boundary moves
    // with the plateau's s, so that r_b = m sqrt(c0 / c). Integrated here step
    // by step for the last scan (1800 s at 50000 rpm): with ks = 10^-0.5 =
    // 0.316 ml/mg the plateau is at 0.772 and the midpoint at 6.108 cm (4.5 S
    // without non-ideality: 0.765 and 6.135 cm; with the attractive sign, s
    // near 6 S: 0.754 and 6.179 cm). ks is per signal unit, divided by the
    // signal per mg/ml, 1 for absorbance. The model agrees within 0.001 in
    // the plateau and 0.003 cm at the midpoint.
    const double w = omegaOfRpm(pScanHeaders[k].rpm), T = pScanHeaders[k].time;
    auto plateauAt = [&](double dKs) {
        double c = 0.8;
        const int nSteps = 20000;
        for (int i = 0; i < nSteps; ++i) c -= 2.0 * 4.5e-13 / (1.0 + dKs * c) * w * w * c * (T / nSteps);
        return c;
    };
    // the model's plateau (at 6.45 cm, behind the boundary and clear of the
    // base) and the radius where it first reaches half of it
    auto modelBoundary = [&](double* pPlateau, double* pMidpoint) {
        int p = pFitFirstIndex[k];
        while (p < pFitLastIndex[k] && ppRadius[k][p] < 6.45f) ++p;
        *pPlateau = ppFit[k][p];
        const double dHalf = 0.5 * *pPlateau;
        int q = pFitFirstIndex[k] + 1;
        while (q < p && ppFit[k][q] < dHalf) ++q;
        const double c1 = ppFit[k][q - 1], c2 = ppFit[k][q];
        *pMidpoint = ppRadius[k][q - 1] + (dHalf - c1) / (c2 - c1) * (ppRadius[k][q] - ppRadius[k][q - 1]);
    };
    for (const float fLog10Ks : {-3.0f, -0.5f}) {
        pParamValue[10] = fLog10Ks;
        pParamValue[13] = 6.0f;  // the meniscus of the scans
        paramVectorToGlobals();
        window->CmRun();
        ASSERT_TRUE(bModelComputed) << fLog10Ks;
        const double cRef = plateauAt(std::pow(10.0, fLog10Ks));
        double dPlateau = 0, dMidpoint = 0;
        modelBoundary(&dPlateau, &dMidpoint);
        EXPECT_NEAR(dPlateau, cRef, 0.001) << fLog10Ks;
        EXPECT_NEAR(dMidpoint, fMeniscus * std::sqrt(0.8 / cRef), 0.003) << fLog10Ks;
    }
}

// A model that writes species 1's basis (the self-associating ones and
// A + B <-> AB), chosen after the discrete model, which leaves every species
// out: with TI noise fitted its model is still in the fit, so the boundary
// leaves the meniscus from scan to scan (the noise alone is the same in every
// scan). Returns the drop from the first scan to the last at the first fitted
// radius.
class ModelBesideNoiseTest : public EvaluationTest {
protected:
    void ChooseAfterTheDiscreteModel(int nCommand)
    {
        LoadScans(writeBoundaryScans(scratch, 4));
        command(198);
        command(nCommand);
        bFitTINoise = 1;
        bFitRINoise = 0;
        fMeniscus = 6.0f;
        fBottom = 7.2f;
        keepFitLimitsInsideCell();
    }
    float RunAndDrop()
    {
        paramVectorToGlobals();
        window->CmRun();
        EXPECT_TRUE(bModelComputed);
        const int kFirst = pScanTimeOrder[1], kLast = pScanTimeOrder[nScans];
        return ppFit[kFirst][pFitFirstIndex[kFirst]] - ppFit[kLast][pFitFirstIndex[kLast]];
    }
};

TEST_F(ModelBesideNoiseTest, ASelfAssociationAfterTheDiscreteModel)
{
    ChooseAfterTheDiscreteModel(197);
    ASSERT_TRUE(bModelMonomerDimer);
    bUseMolarMass = 0;
    pParamValue[1] = 6.0f;   // monomer D, 1e-7 cm^2/s
    pParamValue[3] = 0.0f;   // log10 Ka
    pParamValue[5] = 4.5f;   // monomer s
    pParamValue[6] = 6.0f;   // dimer s
    pParamValue[11] = 0.8f;  // total loading
    EXPECT_GT(RunAndDrop(), 0.1f);
}

TEST_F(ModelBesideNoiseTest, AHeteroAssociationAfterTheDiscreteModel)
{
    ChooseAfterTheDiscreteModel(267);
    ASSERT_TRUE(bModelHeteroAssociation);
    globalsToParamVector();
    float* v = pParamValue;
    v[9] = 0.4f;          // loading of A
    v[10] = 0.6f;         // loading of B
    v[4] = v[12] = 1.0f;  // signal coefficients
    v[8] = -12.0f;        // log10 K
    v[1] = v[2] = 63333.0f;
    v[5] = v[6] = v[7] = 4.3f;
    headless::Script script;
    script.typeText("r");  // the run's first pause
    EXPECT_GT(RunAndDrop(), 0.01f);
}

// Species 2 included after the bases were made for species 1 alone, and
// species 1 included after they were made for species 2 alone.
TEST_F(EvaluationTest, ASpeciesIncludedSinceTheLastRunGetsItsBasisBesideTheOthers)
{
    DiscreteModel();
    bFitTINoise = 1;
    for (int nLater : {2, 1}) {
        const int nEarlier = 3 - nLater;
        pSpeciesIncluded[nLater] = 0;
        setSpecies(nEarlier, 0.8f, 6.0f, 4.5f);
        allocExtraNoiseArrays();  // for the earlier species alone
        ASSERT_EQ(pppExtraNoiseScan[nLater], nullptr);
        setSpecies(nLater, 0.5f, 3.0f, 9.0f);
        globalsToParamVector();
        window->CmRun();
        ASSERT_TRUE(bModelComputed);
        ASSERT_NE(pppExtraNoiseScan[1], nullptr) << nLater;
        ASSERT_NE(pppExtraNoiseScan[2], nullptr) << nLater;
        // both bases hold their species (the last scan, in the plateau)
        const int k = pScanTimeOrder[nScans];
        const int j = nNoiseGridPoints * 3 / 4;
        EXPECT_GT(std::fabs(pppExtraNoiseScan[1][k][j]), 0.01f) << nLater;
        EXPECT_GT(std::fabs(pppExtraNoiseScan[2][k][j]), 0.01f) << nLater;
    }
}
