// The buffer-mismatch model: the module against the physics (the amount in
// the cell, the equilibrium exponential of the buoyant molar mass), the two
// runs and where their profiles go, the dialog and its derived values, the
// compatibility rules with their notes, the subtraction of command 576, and
// the failures the module reports (steady state, discretization, memory).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "distributions/conti_globals.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/global_grid.h"
#include "fegrid/grid_run_fixture.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/key_polling.h"
#include "resources/dialog_templates.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "time_limit.h"

using namespace win;
using namespace gridtest;

namespace {

const char* kCaption = "Buffer Mismatch";
const double kRT20 = 2.436002e10;  // erg/mol at 20 'C

double omega2(double rpm) { return std::pow(rpm * 2 * M_PI / 60, 2); }

// The equilibrium profile of s and D (cm^2/s) with the mean of the loading
// over r^2: c0 x / expm1(x) exp(a (r^2 - m^2)), a = s 1e-13 w^2 / (2 D).
double equilibrium(double r, double c0, double s, double D, double rpm, double m, double b)
{
    const double a = s * 1e-13 * omega2(rpm) / (2 * D), x = a * (b * b - m * m);
    return c0 * x / std::expm1(x) * std::exp(a * (r * r - m * m));
}

class BufferTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        installDialogTemplates();
        OpenWindow();
    }
    // Scans of a velocity run (absorbance unless interference is asked),
    // the discrete model, the buffer model on.
    void scans(int n = 20, double tLast = 8000, bool bInterference = true, double m = 6.0, double b = 7.2,
               double tFirst = 400)
    {
        Experiment e;
        e.nScans = n;
        e.tFirst = tFirst;
        e.tLast = tLast;
        e.meniscus = m;
        e.bottom = b;
        e.fitLeft = m + 0.05;
        e.fitRight = b - 0.05;
        installExperiment(e);
        bInterferenceData = bInterference ? 1 : 0;
        bAbsorbanceData = bInterference ? 0 : 1;
        fRT = static_cast<float>(kRT20);
        setupNoiseRadialGrid();
        bModelDiscreteSpecies = 1;
        bBufferMismatch = 1;
    }
    BufferRun sampleRun(double amplitude = 30) const
    {
        BufferRun r;
        r.dMeniscus = fMeniscus;
        r.dBottom = fBottom;
        r.dAmplitude = amplitude;
        r.dS = 0.21;
        r.dD = 86e-7;
        return r;
    }
};

}  // namespace

// The worst difference of the module's final profile from the equilibrium
// exponential of its s and D at 50000 rpm, loading 1.
double offEquilibrium()
{
    const double* r = nullptr;
    int n = 0;
    const double* c = bufferModuleProfile(&r, &n);
    if (!c) return 1e9;
    double worst = 0;
    for (int i = 1; i <= n; i++) worst = std::max(worst, std::fabs(c[i] - equilibrium(r[i], 1.0, 0.21, 86e-7, 50000, r[1], r[n])));
    return worst;
}

// The module keeps the amount in its cell and goes to the equilibrium
// exponential of Mb = s 1e-6 R T / D (0.21 S and 86: 59.5 g/mol). Its early
// end (11 steps changing less than 1e-6 per second) comes when the profile is
// within about 1e-6 of the relaxation time of the column from equilibrium:
// 5e-4 of the loading for a column of 0.2 cm, 7e-3 for one of 1.2 cm. A grid
// of 20 points instead of 200 keeps all of this for the short column.
TEST_F(BufferTest, TheModuleKeepsItsAmountAndReachesEquilibrium)
{
    scans(8, 8000);
    simulateBufferSedimentation(window.get(), sampleRun());
    EXPECT_TRUE(gBufferRunResult.bAllocated);
    EXPECT_EQ(gBufferRunResult.nScansRecorded, 8);
    EXPECT_NEAR(gBufferRunResult.dAmountEnd / gBufferRunResult.dAmountStart - 1, 0, 1e-12);
    EXPECT_NEAR(0.21 * 1e-6 * kRT20 / 86, 59.5, 0.05);

    scans(5, 3e6, true, 7.0, 7.2);
    simulateBufferSedimentation(window.get(), sampleRun(1.0));
    EXPECT_NEAR(gBufferRunResult.dAmountEnd / gBufferRunResult.dAmountStart - 1, 0, 1e-11);
    EXPECT_LT(offEquilibrium(), 1e-3);
    RecordProperty("0.2 cm column", std::to_string(offEquilibrium()));

    scans(5, 3e6);
    simulateBufferSedimentation(window.get(), sampleRun(1.0));
    EXPECT_TRUE(gBufferRunResult.bEndedEarly);
    EXPECT_LT(offEquilibrium(), 1e-2);
    RecordProperty("1.2 cm column", std::to_string(offEquilibrium()));
    const double* r = nullptr;
    int n = 0;
    const double* c = bufferModuleProfile(&r, &n);
    ASSERT_EQ(n, 200);
    EXPECT_GT(c[n] / c[1], 1.5);  // the gradient of 59.5 g/mol over the column

    // a coarse grid of its own (20 points) holds the same amount and goes to
    // the same exponential
    nBufferGridPoints = 20;
    scans(5, 3e6, true, 7.0, 7.2);
    simulateBufferSedimentation(window.get(), sampleRun(1.0));
    ASSERT_TRUE(gBufferRunResult.bAllocated);
    EXPECT_NEAR(gBufferRunResult.dAmountEnd / gBufferRunResult.dAmountStart - 1, 0, 1e-11);
    ASSERT_TRUE(bufferModuleProfile(&r, &n));
    ASSERT_EQ(n, 20);
    EXPECT_NEAR(r[n], 7.2, 1e-6);
    EXPECT_LT(offEquilibrium(), 1e-3);
    RecordProperty("0.2 cm column, 20 points", std::to_string(offEquilibrium()));
}

// A run whose profile stops changing ends early; the scans still to come get
// the final profile (not nothing). Steps of 30 s count towards the end: a
// component whose steps are held to exactly 30 s (0.5 rpm^2 D / s for 5 S and
// D 1.2e-7 cm^2/s at 50000 rpm) on a column of 0.2 cm ends early after some
// 360 steps; counted only above 30 s it stepped on to the last scan at 3e6 s
// (some 100000 steps).
TEST_F(BufferTest, ASteadyProfileFillsTheLaterScans)
{
    scans(6, 3e6, true);
    bAlgebraicConcentrations = 0;
    bFitTINoise = bFitRINoise = 0;
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= pScanPoints[k]; j++) ppFit[k][j] = 0.0f;
    simulateBufferSedimentation(window.get(), sampleRun(1.0));
    EXPECT_TRUE(gBufferRunResult.bEndedEarly);
    EXPECT_EQ(gBufferRunResult.nScansRecorded, 6);
    // the last scans hold the final profile
    const double* r = nullptr;
    int n = 0;
    const double* c = bufferModuleProfile(&r, &n);
    for (int p = 2; p <= nScans; p++) {
        const int k = pScanTimeOrder[p];
        EXPECT_NEAR(ppFit[k][pScanPoints[k]], c[n], 1e-6) << p;
    }

    scans(6, 3e6, true, 7.0, 7.2);
    BufferRun held = sampleRun(1.0);
    held.dS = 5;
    held.dD = 1.2e-7;
    ASSERT_EQ(0.5 * 50000.0 * 50000.0 * held.dD / held.dS, 30.0);
    simulateBufferSedimentation(window.get(), held);
    EXPECT_TRUE(gBufferRunResult.bEndedEarly);
    EXPECT_LT(gBufferRunResult.nSteps, 2000);
    EXPECT_EQ(gBufferRunResult.nScansRecorded, 6);
    EXPECT_NEAR(gBufferRunResult.dAmountEnd / gBufferRunResult.dAmountStart - 1, 0, 1e-11);
}

// The two runs: the same buffer without a meniscus mismatch has nothing on
// the reference side; with it the reference (its own meniscus, the signal
// over the relative concentration) counts against the sample.
TEST_F(BufferTest, TheReferenceRunOnlyWhereTheSidesDiffer)
{
    scans(10, 6000);
    dBufferSignal = 30;
    window->SimulateBufferSignal();
    const double* r = nullptr;
    int n = 0;
    ASSERT_TRUE(bufferModuleProfile(&r, &n));
    EXPECT_DOUBLE_EQ(r[1], fMeniscus);  // the last run was the sample's
    const int k = pScanTimeOrder[nScans];
    const int j = pScanPoints[k] / 2;
    // the plateau of the buffer component, radially diluted
    const double w2t = omega2(50000) * pScanHeaders[k].time;
    EXPECT_NEAR(ppFit[k][j], 30 * std::exp(-2 * 0.21e-13 * w2t), 0.02);

    for (int s = 1; s <= nScans; s++)
        for (int p = 1; p <= pScanPoints[s]; p++) ppFit[s][p] = 0.0f;
    bBufferMeniscusMismatch = 1;
    dBufferMeniscusDiff = 0.05;
    dBufferRelConc = 1.0;
    window->SimulateBufferSignal();
    bufferModuleProfile(&r, &n);
    EXPECT_NEAR(r[1], fMeniscus - 0.05, 1e-6);
    // in the middle both plateaus are alike: the mismatch leaves the boundaries
    EXPECT_NEAR(ppFit[k][j], 0, 0.3);
}

// The limits the signal applies to the settings.
TEST_F(BufferTest, LimitsOfTheComponents)
{
    scans(3, 2000);
    bUseMolarMass = 0;
    dBufferD = 2000;
    dBufferRelConc = 0;
    window->SimulateBufferSignal();
    EXPECT_EQ(dBufferD, 1000.0);
    EXPECT_EQ(dBufferRelConc, 1e-6);
    bUseMolarMass = 1;
    dBufferMb = 5;
    dBufferS = 0.21;
    window->SimulateBufferSignal();
    EXPECT_EQ(dBufferMb, 10.0);
    EXPECT_NEAR(dBufferD, 0.21 * 1e-6 * kRT20 / 10, 1e-6);
}

TEST_F(BufferTest, TheDialogTakesTheSideFromTheSignsSign)
{
    bBufferMismatch = 0;
    headless::Script script;
    script.expectDialog(kCaption, headless::DialogAnswer().check(553).set(560, "-12.5").set(556, "86").set(558, "0.21"));
    script.expectMessageBox("assuming t = 20 'C", IDOK);
    script.expectMessageBox("Note: buffer sedimentation model is intended only for interference data", IDOK);
    window->EvCommand(552, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bBufferMismatch);
    EXPECT_EQ(dBufferSignal, 12.5);
    EXPECT_EQ(dBufferSignalSign, -1.0);
    EXPECT_TRUE(bBufferSignalInReference);
    EXPECT_FALSE(bBufferSignalInSample);
    EXPECT_FLOAT_EQ(fRT, 2.436002e10f);
    EXPECT_NEAR(dBufferMb, 59.48, 0.01);
    EXPECT_TRUE(GetMenuState(window->GetMenu(), 552, MF_BYCOMMAND) & MF_CHECKED);
    // shown again: the signal negative for the reference side, the D form
    script.expectDialog(kCaption, headless::DialogAnswer().cancel());
    window->EvCommand(552, nullptr, 0);
    EXPECT_STREQ(window->bufferSedTransfer.e560, "-12.500 ");
    EXPECT_STREQ(window->bufferSedTransfer.e556, "86.000 ");
    // the note about interference data once per program run
    EXPECT_TRUE(window->CheckBufferSedCompatibility());
    // a D of 0 is no number above 0
    script.expectDialog(kCaption, headless::DialogAnswer().set(556, "0"));
    script.expectMessageBox("Input Error", IDOK);
    script.expectDialog(kCaption, headless::DialogAnswer().cancel());
    window->EvCommand(552, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
}

// The dialog's first offer is one small buffer component: s 0.21 S, D
// 86e-7 cm^2/s and the buoyant molar mass 60 g/mol obey the Svedberg equation
// s = Mb D / (R T) (R = 8.314462618 J/(mol K), 20 'C) to the 1 % of the
// rounded figures: the molar mass the dialog derives from the offered s and D
// is 59.5 g/mol.
TEST_F(BufferTest, TheFirstOfferIsOneSubstance)
{
    bBufferMismatch = 0;
    headless::Script script;
    script.expectDialog(kCaption, headless::DialogAnswer().check(553));
    script.expectMessageBox("assuming t = 20 'C", IDOK);
    script.expectMessageBox("Note: buffer sedimentation model is intended only for interference data", IDOK);
    window->EvCommand(552, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_STREQ(window->bufferSedTransfer.e558, "0.2100 ");
    EXPECT_STREQ(window->bufferSedTransfer.e556, "86.000 ");
    ASSERT_TRUE(bBufferMismatch);
    const double RT = 8.314462618e7 * 293.15;  // erg/mol
    EXPECT_NEAR(60.0 * 86e-7 / RT / (dBufferS * 1e-13), 1, 0.01);
    EXPECT_NEAR(dBufferMb / 60.0, 1, 0.01);
}

TEST_F(BufferTest, IncompatibleModelsAreRefusedWithTheirTexts)
{
    scans();
    bModelCSFf0 = 1;
    headless::Script script;
    script.expectMessageBox("c(s,ff0) model does not work in buffer mismatch mode", IDOK);
    window->EvCommand(552, nullptr, 0);
    bModelCSFf0 = 0;
    bModelZone = 1;
    script.expectMessageBox("buffer sedimentation model is incompatible with this model\nswitching buffer sedimentation off",
                            IDOK);
    EXPECT_FALSE(window->CheckBufferSedCompatibility());
    EXPECT_FALSE(bBufferMismatch);
    EXPECT_EQ(pSpeciesIncluded[4], 0);
    EXPECT_EQ(script.pending(), 0u);
}

// The fourth species row carries the buffer: a component there is switched
// off with its note, the row included with the buffer signal's fit flag.
TEST_F(BufferTest, TheFourthRowBecomesTheBuffer)
{
    scans();
    pSpeciesS[4] = 3.0f;
    pSpeciesMw[4] = 50000.0f;
    pSpeciesSFloat[4] = pSpeciesMwFloat[4] = 1;
    bFitBufferSignal = 0;
    headless::Script script;
    script.expectMessageBox("Note: Component 4 of non-interacting model cannot be used with buffer sedimentation "
                            "model.\nSwitching off Component 4.",
                            IDOK);
    EXPECT_TRUE(window->CheckBufferSedCompatibility());
    EXPECT_TRUE(window->CheckBufferSedCompatibility());  // once: the row is clear now
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(pSpeciesS[4], 0.0f);
    EXPECT_EQ(pSpeciesIncluded[4], 1);
    EXPECT_EQ(pSpeciesConcFloat[4], 0);
    EXPECT_EQ(pSpeciesSFloat[4], 0);
    EXPECT_EQ(pParamFloat[4], 0);
}

// In c(s) the buffer signal can be held fixed only while both the time- and
// the radially-invariant noise are fitted; with either alone it floats.
TEST_F(BufferTest, AContinuousModelFloatsTheSignalUnlessBothNoisesAreFitted)
{
    scans();
    bModelContinuous = 1;
    headless::Script script;
    for (const bool bTI : {false, true})
        for (const bool bRI : {false, true}) {
            bFitTINoise = bTI;
            bFitRINoise = bRI;
            bFitBufferSignal = 0;
            EXPECT_TRUE(window->CheckBufferSedCompatibility());
            EXPECT_EQ(bFitBufferSignal, bTI && bRI ? 0 : 1) << bTI << bRI;
        }
    EXPECT_EQ(script.pending(), 0u);
    bModelContinuous = 0;
    bFitTINoise = bFitRINoise = 0;
}

// Switched off in c(s), the model leaves the vector alone: there the
// species rows' slots are the distribution's own, flag 4 the logarithmic s
// grid, which stays as it was chosen.
TEST_F(BufferTest, SwitchedOffInCsTheLogarithmicGridStays)
{
    scans();
    bModelDiscreteSpecies = 0;
    bBufferMismatch = 0;
    headless::Script script;
    window->EvCommand(275, nullptr, 0);
    ASSERT_TRUE(bModelCS && bModelContinuous);
    pParamValue[1] = 0.5f;
    pParamValue[5] = 25.0f;
    pParamFloat[4] = 1;  // logarithmic grid
    paramVectorToGlobals();
    ASSERT_TRUE(bLogSGrid);
    script.expectDialog(kCaption, headless::DialogAnswer().check(553));
    window->EvCommand(552, nullptr, 0);
    ASSERT_TRUE(bBufferMismatch);
    script.expectDialog(kCaption, headless::DialogAnswer().check(553, false));
    window->EvCommand(552, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(bBufferMismatch);
    EXPECT_EQ(pParamFloat[4], 1);
    paramVectorToGlobals();
    EXPECT_TRUE(bLogSGrid);
}

// Command 576: the signal goes out of the data and the model off; the fourth
// row is no longer fitted, the other fit flags (meniscus, bottom) stay.
TEST_F(BufferTest, SubtractingTheSignalSwitchesTheModelOff)
{
    scans(10, 6000);
    for (int k : {4, 8, 12, 13, 14}) pParamFloat[k] = 1;
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= pScanPoints[k]; j++) ppSignal[k][j] = 0.0f;
    dBufferSignal = 30;
    headless::Script script;
    script.expectMessageBox("ATTENTION", IDOK);
    window->EvCommand(576, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    const int k = pScanTimeOrder[nScans];
    EXPECT_NEAR(ppSignal[k][pScanPoints[k] / 2], -30 * std::exp(-2 * 0.21e-13 * omega2(50000) * 6000), 0.02);
    EXPECT_FALSE(bBufferMismatch);
    EXPECT_FALSE(bBufferMismatchSubtracted);
    EXPECT_EQ(pSpeciesIncluded[4], 0);
    for (int k : {4, 8, 12}) EXPECT_EQ(pParamFloat[k], 0) << k;
    EXPECT_EQ(pParamFloat[13], 1);
    EXPECT_EQ(pParamFloat[14], 1);
    EXPECT_FALSE(GetMenuState(window->GetMenu(), 552, MF_BYCOMMAND) & MF_CHECKED);
}

// With linear concentrations the model evaluation runs the buffer at unit
// amplitude into the fourth species basis, for the linear parts to scale: on
// data that hold 2.5 times the signal they find 2.5.
TEST_F(BufferTest, WithLinearConcentrationsTheFourthBasisIsTheUnitSignal)
{
    scans(10, 6000);
    dBufferSignal = 2.5;
    window->SimulateBufferSignal();
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= pScanPoints[k]; j++) ppSignal[k][j] = ppFit[k][j];
    setupNoiseRadialGrid();
    bAlgebraicConcentrations = 1;
    globalsToParamVector();
    window->CalcModel();
    EXPECT_TRUE(bModelComputed);
    EXPECT_EQ(pSpeciesIncluded[4], 1);
    EXPECT_NEAR(dBufferSignal, 2.5, 1e-3);
    const int k = pScanTimeOrder[nScans];
    for (int j = 1; j <= pScanPoints[k]; j += 25) EXPECT_NEAR(ppFit[k][j], ppSignal[k][j], 2e-3) << j;
}

// The failures the module reports: more than ten repeats for negative values
// are a discretization error (not a silent end), and memory it cannot have is
// said (not a silently missing signal).
TEST_F(BufferTest, FailuresOfTheModuleAreShown)
{
    scans(5, 2000);
    bFitRunning = 0;
    headless::Script script;
    script.expectMessageBox("DISCRETIZATION ERROR", IDOK);
    BufferRun steep = sampleRun(1.0);
    steep.dS = 20000;
    steep.dD = 1e-11;
    simulateBufferSedimentation(window.get(), steep);
    EXPECT_TRUE(gBufferRunResult.bDiscretization);
    EXPECT_EQ(script.pending(), 0u);

    nBufferGridPoints = 1 << 30;
    script.expectMessageBox("could not allocate Lamm simulation arrays", IDOK);
    simulateBufferSedimentation(window.get(), sampleRun());
    EXPECT_FALSE(gBufferRunResult.bAllocated);
    EXPECT_EQ(script.pending(), 0u);
}

// A floating component all but without diffusion (s -20 S, D 1e-7 cm^2/s)
// needs a cut to the 1e-15 s floor in every early step; each accepted step
// started the per-step count of repeats again, and the run crawled on at
// 1e-15 s for ever. The run counts its forced cuts: more than 100 are the
// discretization error. One that diffuses (D 8.6e-6 cm^2/s) has none and
// runs to its last scan, keeping its amount. The cut for negative values is
// that of the first 10 s: with a scan at 10 s the step to it is taken as it
// is, and the steps from 10 s on keep the small negative values at the base
// (1e-13 of the loading), so the same component then runs to its last scan.
TEST_F(BufferTest, AFloatingComponentRunsToItsEndOrItsError)
{
    scans(8, 8000);
    bFitRunning = 0;
    BufferRun floating = sampleRun(1.0);
    floating.dS = -20;
    floating.dD = 86e-7;
    simulateBufferSedimentation(window.get(), floating);
    EXPECT_FALSE(gBufferRunResult.bDiscretization);
    EXPECT_EQ(gBufferRunResult.nScansRecorded, 8);
    EXPECT_NEAR(gBufferRunResult.dAmountEnd / gBufferRunResult.dAmountStart - 1, 0, 1e-10);

    scans(6, 2010, true, 6.0, 7.2, 10);
    floating.dD = 1e-7;
    simulateBufferSedimentation(window.get(), floating);
    EXPECT_FALSE(gBufferRunResult.bDiscretization);
    EXPECT_EQ(gBufferRunResult.nScansRecorded, 6);
    EXPECT_NEAR(gBufferRunResult.dAmountEnd / gBufferRunResult.dAmountStart - 1, 0, 1e-10);

    scans(8, 8000);
    headless::Script script;
    script.expectMessageBox("DISCRETIZATION ERROR", IDOK);
    script.pressKey(VK_ESCAPE, 2000000000u);  // falls due only when a hanging run is to be stopped
    floating.dD = 1e-7;
    const bool bEnded = endsWithin(30.0, [&] { simulateBufferSedimentation(window.get(), floating); },
                                   [] { headless::advanceTime(2000000000u); });
    EXPECT_TRUE(bEnded);
    EXPECT_TRUE(gBufferRunResult.bDiscretization);
    EXPECT_EQ(gBufferRunResult.nScansRecorded, 0);
    EXPECT_EQ(script.pending(), 0u);
}

// A heavy component that hardly diffuses (5 S, D 1e-7 cm^2/s at 50000 rpm,
// scans at 500 and 1000 s): steps of about 8 s as its sharp boundary leaves
// the meniscus change the profile by more than max dc/c (2.3 and 1.8 times
// it, at 142 and 429 s); each is repeated shorter, and the run goes on to its
// last scan. There the plateau is the loading diluted to exp(-2 s omega^2 t),
// 0.97296 at 1000 s, and the amount is kept. A repeat that lengthened the step
// instead (ten times, up to the largest step) failed again and again for
// ever, so the run goes first in a child process that is stopped after 30 s.
TEST_F(BufferTest, AHeavyComponentRepeatsItsLargeStepsShorter)
{
    scans(2, 1000, true, 6.0, 7.2, 500);
    BufferRun heavy = sampleRun(1.0);
    heavy.dS = 5;
    heavy.dD = 1e-7;
    EXPECT_EXIT(
        {
            alarm(30);
            simulateBufferSedimentation(window.get(), heavy);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    if (HasFailure()) return;
    simulateBufferSedimentation(window.get(), heavy);
    EXPECT_FALSE(gBufferRunResult.bDiscretization);
    EXPECT_FALSE(gBufferRunResult.bEndedEarly);
    EXPECT_EQ(gBufferRunResult.nScansRecorded, 2);
    EXPECT_NEAR(gBufferRunResult.dAmountEnd / gBufferRunResult.dAmountStart - 1, 0, 1e-11);
    const double* r = nullptr;
    int n = 0;
    const double* c = bufferModuleProfile(&r, &n);
    ASSERT_TRUE(c);
    const double plateau = std::exp(-2 * 5e-13 * omega2(50000) * 1000);
    EXPECT_NEAR(plateau, 0.97296, 1e-5);
    for (int i : {n / 4, n / 2, 3 * n / 4}) EXPECT_NEAR(c[i], plateau, 1e-5) << r[i];
}

// The fourth row's amplitude is the buffer's signal: it floats in the fit
// exactly when the buffer signal is to be fitted, whatever the row had; and
// when the dialog's fit box is ticked or cleared while the model stays on.
// The box changes nothing else: a floated baseline, which the discrete model
// solves linearly, stays floated through each change of it (it was fixed at
// the first change, as if its box in the parameter dialog had been cleared).
TEST_F(BufferTest, TheBufferSignalFloatsWhenItIsFitted)
{
    scans();
    for (int fit : {1, 0}) {
        bFitBufferSignal = static_cast<unsigned char>(fit);
        pSpeciesConcFloat[4] = pParamFloat[12] = 1 - fit;
        EXPECT_TRUE(window->CheckBufferSedCompatibility());
        EXPECT_EQ(pSpeciesIncluded[4], 1);
        EXPECT_EQ(pSpeciesConcFloat[4], fit);
        EXPECT_EQ(pParamFloat[12], fit);
    }
    // the row floats by its flag, or solved linearly with the other loadings
    auto floats = [] { return pSpeciesConcFloat[4] == 1 || (bAlgebraicConcentrations && pSpeciesIncluded[4]); };
    bFitBaseline = 1;
    fixUpModelDefaults();
    globalsToParamVector();
    ASSERT_TRUE(bAlgebraicBaseline);
    headless::Script script;
    for (int fit : {1, 0, 1}) {
        script.expectDialog(kCaption, headless::DialogAnswer().check(561, fit == 1));
        window->EvCommand(552, nullptr, 0);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_TRUE(bBufferMismatch);
        EXPECT_EQ(bFitBufferSignal, fit);
        EXPECT_EQ(floats(), fit == 1) << fit;
        EXPECT_TRUE(bAlgebraicBaseline) << fit;
    }
}
