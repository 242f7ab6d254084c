// The A + B <-> AB model through the model evaluation and the main window:
// the keys that drive its run (through the headless script), the flux tables
// in the window, the refused signal coefficient 0, the inner iteration's
// limit, the example end to end as a new user runs it, and the species'
// signals drawn over the data.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "fegrid/global_grid.h"
#include "fegrid/grid_run_fixture.h"
#include "fegrid/hetero_assoc.h"
#include "fitting/fit_globals.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "resources/dialog_templates.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

class HeteroRunTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        installDialogTemplates();
        OpenWindow();
    }
    // Scans of a velocity experiment at 50000 rpm, the model chosen by its
    // command, a small grid and 10 s steps.
    void install(int n, double tFirst, double tLast)
    {
        gridtest::Experiment e;
        e.nScans = n;
        e.tFirst = tFirst;
        e.tLast = tLast;
        gridtest::installExperiment(e);
        fTemperatureK = 293.15f;
        fRT = 8.31451e7f * fTemperatureK;
        window->EvCommand(267, nullptr, 0);
        // the geometry into the parameter vector, from which the evaluation reads it
        fMeniscus = float(e.meniscus);
        fBottom = float(e.bottom);
        globalsToParamVector();
        nGridPoints = 200;
        dMaxDcOverC = 10;
    }
    // The values of the dialog's rows: loadings, signal coefficients, log10 K,
    // and M and s of 63333 g/mol and 4.3 S for all three.
    static void setParameters(float a, float b, float logK, float coefA = 1, float coefB = 1)
    {
        float* v = pParamValue;
        v[9] = a;
        v[10] = b;
        v[4] = coefA;
        v[12] = coefB;
        v[8] = logK;
        v[1] = v[2] = 63333.0f;
        v[5] = v[6] = v[7] = 4.3f;
    }
    static int boxes(const std::vector<std::string>& lines)
    {
        return int(std::count_if(lines.begin(), lines.end(),
                                 [](const std::string& l) { return l.rfind("MessageBox", 0) == 0; }));
    }
    static bool scanModelZero(int p)
    {
        const int k = pScanTimeOrder[p];
        for (int j = 1; j <= pScanPoints[k]; j++)
            if (ppFit[k][j] != 0.0f) return false;
        return true;
    }
};

double residualRms()
{
    double d2 = 0;
    long n = 0;
    for (int k = 1; k <= nScans; ++k)
        for (int p = pFitFirstIndex[k]; p <= pFitLastIndex[k]; ++p) {
            const double r = ppSignal[k][p] - ppFit[k][p];
            d2 += r * r;
            ++n;
        }
    return n ? std::sqrt(d2 / n) : 0;
}

}  // namespace

// The run starts paused: after each flux table (two per step here without
// binding, the first pass and one inner pass) it waits for a key. Any key shows the next table,
// 'r' runs on, 's' stops the run (after the step in hand) and sets the stop
// flag; running, a key pauses it again. When nothing can come any more (the
// script has run dry) or the window is closing, the wait acts as 's'.
TEST_F(HeteroRunTest, KeysDriveTheRun)
{
    install(3, 100, 300);
    setParameters(0.4f, 0.6f, -12.0f);
    struct Case {
        const char* szKeys;
        int nSteps;
        bool bStopped;
    } cases[] = {{"", 1, true}, {"xxs", 2, true}, {"r", 30, false}, {"rq", 2, true}, {"xxxr", 30, false}};
    for (const Case& c : cases) {
        headless::Script script;
        script.typeText(c.szKeys);
        window->CalcModel();
        EXPECT_EQ(nTimeStepCount, c.nSteps) << "keys \"" << c.szKeys << "\"";
        EXPECT_EQ(bInterruptComputation != 0, c.bStopped) << "keys \"" << c.szKeys << "\"";
        EXPECT_EQ(bSimulationRunning, 0);
        EXPECT_EQ(bHeteroAssocRun, 0) << "the run's flags end with it";
        EXPECT_EQ(scanModelZero(nScans), c.bStopped) << "keys \"" << c.szKeys << "\"";
        if (!c.bStopped) {
            EXPECT_EQ(dSimTime, 300.0);
        }
    }

    // with the linear parts the profiles go into species basis 1 on the noise
    // grid: a run stopped early leaves the scans it did not reach empty there
    // too, also after a complete run had filled them (and with a second row
    // included, whose basis is not the model's)
    pSpeciesIncluded[2] = 1;
    setupNoiseRadialGrid();
    ASSERT_TRUE(pNoiseGrid != nullptr);
    bFitTINoise = 1;
    for (const char* szKeys : {"r", "rq"}) {
        headless::Script script;
        script.typeText(szKeys);
        window->CalcModel();
        const float* B = pppExtraNoiseScan[1][pScanTimeOrder[nScans]];
        const bool bEmpty = std::all_of(B + 1, B + nNoiseGridPoints + 1, [](float v) { return v == 0.0f; });
        EXPECT_EQ(bEmpty, szKeys[1] == 'q') << "keys \"" << szKeys << "\"";
    }
    bFitTINoise = 0;
    pSpeciesIncluded[2] = 0;

    // the window closing: its request stays for the message loop
    PostMessage(window->HWindow, WM_CLOSE, 0, 0);
    {
        headless::Script script;
        script.typeText("r");
        window->CalcModel();
    }
    EXPECT_EQ(nTimeStepCount, 1);
    EXPECT_TRUE(bInterruptComputation);
    MSG msg;
    EXPECT_TRUE(PeekMessage(&msg, window->HWindow, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

// The tables: the time, the header, 30 rows (nodes 1-10, 106-115 and 191-200
// of 200), the amounts and the totals, as text at their places, in the
// drawing calls and in the window's image.
TEST_F(HeteroRunTest, FluxTablesInTheWindow)
{
    install(3, 100, 300);
    setParameters(0.4f, 0.6f, 0.0f);
    WhiteOut(RECT{0, 560, 900, 600});
    {
        headless::Script script;
        script.typeText("s");
        window->CalcModel();
    }
    ASSERT_EQ(nTimeStepCount, 1);
    HDC dc = window->GetDC();
    int nDark = 0;
    for (int y = 582; y < 598; y++)
        for (int x = 10; x < 400; x++)
            if (GetPixel(dc, x, y) != RGB(255, 255, 255)) nDark++;
    window->ReleaseDC(dc);
    EXPECT_GT(nDark, 50) << "the totals line is in the window";

    for (bool bTemp : {false, true}) {
        HDC mf = CreateMetaFile(nullptr);
        drawFluxTable(mf, bTemp);
        HMETAFILE h = CloseMetaFile(mf);
        const std::vector<std::string> l = metaFileListing(h);
        DeleteMetaFile(h);
        ASSERT_EQ(l.size(), 34u);
        EXPECT_EQ(l[0], "TextOut(10,50,\"10 sec\")");
        EXPECT_EQ(l[1], bTemp ? "TextOut(10,70,\"#:    -     FreeATemp -     OldA    -      FluxA     -     FreeBTemp  -     "
                                "OldB     -     FluxB    -      dFlux    -   Complex\")"
                              : "TextOut(10,70,\"#:    -     FreeA    -     OldA    -      FluxA     -     FreeB     -     "
                                "OldB     -     FluxB    -      dFlux    -   Complex\")");
        const double* fa = bTemp ? pFreeATemp : pFreeA;
        const double* fb = bTemp ? pFreeBTemp : pFreeB;
        const int nodes[30] = {1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  106, 107, 108, 109, 110,
                               111, 112, 113, 114, 115, 191, 192, 193, 194, 195, 196, 197, 198, 199, 200};
        for (int k = 0; k < 30; k++) {
            const int i = nodes[k];
            char sz[500];
            std::snprintf(sz, sizeof sz,
                          "TextOut(10,%d,\"%s%d:    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f \")",
                          86 + 16 * k, i < 10 ? "__" : i < 100 ? "_" : "", i, fa[i], pOldA[i], pFluxA[i], fb[i], pOldB[i],
                          pFluxB[i], pFluxA[i] - pFluxB[i], pComplex[i]);
            EXPECT_EQ(l[2 + k], sz);
        }
        char sz[500];
        std::snprintf(sz, sizeof sz, "TextOut(10,566,\"sum:    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f\")",
                      sectorAmount(fa), sectorAmount(pOldA), sectorAmount(pFluxA), sectorAmount(fb), sectorAmount(pOldB),
                      sectorAmount(pFluxB), sectorAmount(pComplex));
        EXPECT_EQ(l[32], sz);
        std::snprintf(sz, sizeof sz, "TextOut(10,582,\"total A  = %3.6f    total B = %3.6f; assymfact = %e\")",
                      sectorAmount(fa) + sectorAmount(pComplex), sectorAmount(fb) + sectorAmount(pComplex), dFluxAsymmetry);
        EXPECT_EQ(l[33], sz);
    }
}

// The loading concentration is the loading over the signal coefficient: a
// coefficient of 0 refuses the run with one box, and the model stays as it
// was.
TEST_F(HeteroRunTest, SignalCoefficientZeroIsRefused)
{
    install(3, 100, 300);
    for (int nZero : {1, 2}) {
        setParameters(0.4f, 0.6f, 0.0f, nZero == 1 ? 0.0f : 1.0f, nZero == 2 ? 0.0f : 1.0f);
        const int k = pScanTimeOrder[2];
        ppFit[k][5] = 0.25f;
        bModelComputed = 1;
        headless::Script script;
        script.expectMessageBox("ERROR in simulation", IDOK);
        window->CalcModel();
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(boxes(script.lines()), 1);
        EXPECT_EQ(nTimeStepCount, 0) << "no run";
        EXPECT_FALSE(bModelComputed);
        EXPECT_EQ(ppFit[k][5], 0.25f);
    }
}

// Inner passes that do not settle end after 100 with the discretization
// message, after every run and during fits too. (The tolerance is made
// unreachable here: the passes are Newton steps, which settle in a few.)
TEST_F(HeteroRunTest, NonConvergingStepEndsAfterTheLimit)
{
    install(3, 100, 300);
    setParameters(0.2f, 0.6f, 1.0f);
    dHeteroPassTolerance = -1.0;
    for (unsigned char bFit : {0, 1}) {
        bFitRunning = bFit;
        bDiscretizationWarned = bFit;
        headless::Script script;
        script.typeText("r");
        script.expectMessageBox("DISCRETIZATION ERROR", IDOK);
        window->CalcModel();
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(nHeteroInnerPasses, nHeteroInnerPassLimit);
        EXPECT_EQ(nHeteroMaxInnerPassesUsed, 100);
        EXPECT_EQ(bDiscretizationError, 1);
        EXPECT_EQ(nTimeStepCount, 1) << "the run ends with the step";
    }
    bFitRunning = 0;
}

// As a new user runs it: the example scans (one 4.3 S species of 0.8 with
// baseline 0.02), command 267, the dialog with loadings 0.4 and 0.4, signal
// coefficients 1 and 1, log10 K 0, M and s of B 63333 g/mol and 4.3 S,
// nothing floated; max dc/c 10 (10 s steps); Run, then 'r'. The run goes to
// the last scan, and since the total signal of 0.8 sediments like the
// example's 4.3 S species the residuals inside the fit limits are its noise,
// 0.0040 rms; the values typed stay as typed (the run computes A and AB with
// B's s and D in its own copies); the settings the run needs stay changed.
TEST_F(HeteroRunTest, ExampleEndToEnd)
{
    LoadScans(copyVelocityExampleScans(scratch + "/velocity"));
    ASSERT_EQ(nScans, 30);
    {
        headless::Script script;
        script.command(267).command(212).command(611);
        script.expectDialog("A + B <--> AB", headless::DialogAnswer()
                                                .set(405, "0.4")
                                                .set(412, "0.4")
                                                .set(427, "1")
                                                .set(426, "1")
                                                .set(428, "0")
                                                .set(413, "63333")
                                                .set(414, "4.3")
                                                .check(402, false)
                                                .check(403, false)
                                                .check(404, false)
                                                .check(409, false)
                                                .check(410, false)
                                                .check(411, false)
                                                .check(418, false)
                                                .check(425, false)
                                                .set(433, "0.02")
                                                .check(432, false)
                                                .set(435, "6.0")
                                                .check(434, false)
                                                .set(437, "7.2")
                                                .check(436, false));
        script.expectDialog("Numerical Control of Lamm Equation Solution", headless::DialogAnswer().set(629, "10"));
        script.expectMessageBox("LAMM EQUATION PARAMETERS", IDNO);
        headless::processMessages();
        EXPECT_EQ(script.pending(), 0u);
    }
    ASSERT_TRUE(bModelHeteroAssociation);
    EXPECT_TRUE(bUseMolarMass);
    const std::vector<float> typed(pParamValue + 1, pParamValue + 13);
    EXPECT_EQ(typed[2 - 1], 63333.0f);
    EXPECT_EQ(typed[6 - 1], 4.3f);
    const float fSedATyped = fSedA;

    headless::Script script;
    script.command(213).typeChar('r');
    const auto t0 = std::chrono::steady_clock::now();
    headless::processMessages();
    const double dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(boxes(script.lines()), 0);
    EXPECT_TRUE(bModelComputed);
    EXPECT_EQ(dSimTime, +pScanHeaders[pScanTimeOrder[nScans]].time);
    EXPECT_EQ(nTimeStepCount, 930);
    EXPECT_FALSE(bInterruptComputation);
    EXPECT_FALSE(scanModelZero(nScans));
    EXPECT_NEAR(residualRms(), 0.0040, 0.0003);

    EXPECT_EQ(std::vector<float>(pParamValue + 1, pParamValue + 13), typed);
    EXPECT_EQ(fSedA, fSedATyped);
    EXPECT_EQ(dRunSedA, 4.3f);
    EXPECT_EQ(dRunSedAB, dRunSedA);
    EXPECT_NEAR(dRunDiffB, 6.1e-7, 0.01e-7);
    EXPECT_EQ(dRunDiffA, dRunDiffB);
    EXPECT_EQ(dRunDiffAB, dRunDiffB);

    EXPECT_EQ(bFixedTimestep, 1);
    EXPECT_EQ(bAutoSGrid, 0);
    EXPECT_EQ(dSGrid, 0.0);
    RecordProperty("residualRms", std::to_string(residualRms()));
    RecordProperty("seconds", std::to_string(dSeconds));
}

// The road's preparation: the run needs the moving grid, so the moving hat
// comes back when the Lamm settings chose Claverie since the command (the
// grid was freed then); equilibrium data are named and the run goes on.
TEST_F(HeteroRunTest, RoadPreparesTheMovingGrid)
{
    install(3, 100, 300);
    setParameters(0.4f, 0.6f, 0.0f);
    freeRadialGridArrays();
    bMovingHat = 0;
    bClaverie = 1;
    {
        headless::Script script;
        script.typeText("r");
        window->CalcModel();
    }
    EXPECT_EQ(bMovingHat, 1);
    EXPECT_EQ(bClaverie, 0);
    EXPECT_EQ(nTimeStepCount, 30);
    EXPECT_TRUE(bModelComputed);

    bEquilibriumDataMode = 1;
    headless::Script script;
    script.expectMessageBox("not implemented yet for sed eq data", IDOK);
    script.typeText("r");
    window->CalcModel();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(nTimeStepCount, 30);
    bEquilibriumDataMode = 0;
}

// While it runs, the model draws each species' signal over the data, A blue,
// B green and the complex red: on the plateau, coefficient times the free
// concentrations that mass action gives from the loadings. With loadings 0.4
// and 0.6, coefficients 2 and 0.5 and K = 1, the concentrations 0.2 and 1.2
// bind x = 1.2 - sqrt(1.2) of each, and the three signals add up to the
// loaded 1.0 (after 100 s the plateau has thinned by 0.24 %, under a pixel).
TEST_F(HeteroRunTest, SpeciesSignalsOverTheData)
{
    install(1, 100, 100);
    setParameters(0.4f, 0.6f, 0.0f, 2.0f, 0.5f);
    {
        headless::Script script;
        script.typeText("r");
        window->CalcModel();
    }
    ASSERT_TRUE(bModelComputed);
    // a data plot over the cell and signals 0 to 1.2
    std::vector<float> xs{5.9f, 7.3f}, ys{0.0f, 1.2f};
    CVector vx, vy;
    vx.Attach(xs.data(), 2, 0);
    vy.Attach(ys.data(), 2, 0);
    CCurve frame(&vx, &vy);
    CWINPlot plot;
    plot.AddCurve(&frame);
    plot.SetPlotRect(50, 100, 475, 1300);
    plot.SetAxisRanges(5.9f, 7.3f, 0.0f, 1.2f);
    pDataPlot = &plot;
    WhiteOut(RECT{0, 0, 1400, 1000});
    pLammOwnerWindow = window.get();
    bRepaintAfterCalc = 1;
    drawHeteroAssocProfiles();
    pLammOwnerWindow = nullptr;

    const double x = 1.2 - std::sqrt(1.2);
    const struct {
        double signal;
        COLORREF cr;
    } species[3] = {{2 * (0.2 - x), RGB(0, 0, 255)}, {0.5 * (1.2 - x), RGB(0, 255, 0)}, {2.5 * x, RGB(255, 0, 0)}};
    HDC dc = window->GetDC();
    for (const auto& sp : species)
        for (float r : {6.3f, 6.5f, 6.7f, 6.9f}) {
            const int px = int(plot.MapX(r) * window->fClientWidth / 1400 + 0.5);
            const int py = int(plot.MapY(float(sp.signal)) * window->fClientHeight / 1000 + 0.5);
            bool bFound = false;
            for (int y = py - 4; y <= py + 4 && !bFound; y++) bFound = GetPixel(dc, px, y) == sp.cr;
            EXPECT_TRUE(bFound) << "signal " << sp.signal << " at " << r << " cm";
        }
    window->ReleaseDC(dc);
    pDataPlot = nullptr;
}
