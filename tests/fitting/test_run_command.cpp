// Run (Ctrl+R) as a user meets it: the example velocity scans, Continuous
// c(s) Distribution, the parameters typed into the dialog, the fit limits
// dragged, maximum entropy, Run; the commands beside Run; the realtime update
// that runs the c(s) again on a new scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "analyses/boundary_fixture.h"
#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "app/xla_app.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run_fixture.h"
#include "distributions/distribution_integration.h"
#include "distributions/distribution_result.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "fitting/parameter_text.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "resources/commands.h"
#include "resources/dialog_templates.h"
#include "scandata/realtime_update.h"
#include "scandata/scan_data.h"

using namespace win;
namespace fs = std::filesystem;

namespace {

bool checked(TXLAWindow* w, unsigned nId) { return (GetMenuState(w->GetMenu(), nId, MF_BYCOMMAND) & MF_CHECKED) != 0; }

COLORREF pixel(TXLAWindow* w, int x, int y)
{
    HDC dc = w->GetDC();
    COLORREF c = GetPixel(dc, x, y);
    w->ReleaseDC(dc);
    return c;
}

// Client pixels of a value on the data plot's radius axis and of a per mille
// height of the picture (client 1400 x 1000).
int pixelX(CWINPlot* p, float v) { return static_cast<int>(std::lround(p->MapX(v) * 1400.0 / 1399.0)); }

// Drags the marker line at radius from to radius to.
void dragLine(headless::Script& script, float from, float to)
{
    const int x0 = pixelX(pDataPlot, from), x1 = pixelX(pDataPlot, to), y = 200;
    script.mouse(WM_LBUTTONDOWN, x0, y, MK_LBUTTON, 100)
        .mouse(WM_MOUSEMOVE, (x0 + x1) / 2, y, MK_LBUTTON, 300)
        .mouse(WM_MOUSEMOVE, x1, y, MK_LBUTTON, 300)
        .mouse(WM_LBUTTONUP, x1, y, 0, 600);
    headless::advanceTime(2000);
    headless::processMessages();
}

// A non-white pixel in the column x between the heights y0 and y1.
bool inkInColumn(TXLAWindow* w, int x, int y0, int y1)
{
    for (int y = y0; y <= y1; y++)
        if (pixel(w, x, y) != RGB(255, 255, 255)) return true;
    return false;
}

class RunCommandTest : public ContiRunTest {};

// The cursor each time the user-interface thread begins or goes on waiting
// for the workers of a computation (the key polling's own poll runs too).
std::vector<HCURSOR> cursorsWhileWaiting;
WaitPollFunction pKeyPoll = nullptr;

void recordCursorAndPollKeys()
{
    const HCURSOR c = SetCursor(nullptr);
    SetCursor(c);
    cursorsWhileWaiting.push_back(c);
    if (pKeyPoll) pKeyPoll();
}

}  // namespace

TEST_F(RunCommandTest, CsOfTheExampleAsAUserRunsIt)
{
    installDialogTemplates();
    bWizardMessages = 1;
    const std::string folder = Folder("velocity");
    const std::vector<std::string> paths = copyVelocityExampleScans(folder);
    TXLAWindow* w = window.get();
    pMainWindow = w;  // as the application's window is
    headless::Script script;
    script.expectOpenFile("select files to fit", paths).expectInput("load every n'th file:", "1");
    Run(script, 200);
    ASSERT_EQ(nScans, 30);

    // Model > Continuous c(s) Distribution, then its parameters
    Run(script, 275);
    ASSERT_TRUE(bModelCS);
    script.expectDialog("Continuous c(s) Distribution", headless::DialogAnswer()
                                                             .set(413, "0.95")
                                                             .set(419, "1.33")
                                                             .check(416, false)
                                                             .set(435, "6.000")
                                                             .check(434, false)
                                                             .set(437, "7.200")
                                                             .check(436, false)
                                                             .check(431, false)
                                                             .check(455, true));
    Run(script, 212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fMeniscus, 6.0f);
    EXPECT_EQ(bFitRINoise, 1);
    // the fit limits dragged to 6.05 and 7.10 cm
    dragLine(script, fFitLeftLim, 6.05f);
    dragLine(script, fFitRightLim, 7.10f);
    EXPECT_NEAR(fFitLeftLim, 6.05f, 0.002f);
    EXPECT_NEAR(fFitRightLim, 7.10f, 0.002f);
    // maximum entropy, Ctrl+R (the accelerator sends Run)
    Run(script, 295);
    EXPECT_TRUE(bRegMaxEnt && checked(w, 295) && !checked(w, 294));
    int nAccel = 0;
    const AcceleratorEntry* pAccel = acceleratorTable(MENU_MAIN, &nAccel);
    EXPECT_TRUE(std::any_of(pAccel, pAccel + nAccel,
                            [](const AcceleratorEntry& a) { return a.nId == 213 && a.nKey == 'R' && a.fModifiers == ACC_CONTROL; }));
    // The wait cursor stays up while the workers compute, once the new
    // distribution's grid and plot are made too; the arrow is back at the end.
    cursorsWhileWaiting.clear();
    pKeyPoll = GetWaitPoll();
    SetWaitPoll(&recordCursorAndPollKeys);
    // The grid point at 0 S carries a constant signal, which the radial-
    // invariant noise takes entirely, and the points just above it nearly so:
    // the data barely see them, they stay empty, the noise keeps the scans'
    // baseline and the wizard has nothing to advise.
    Run(script, 213);
    SetWaitPoll(pKeyPoll);
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_FALSE(cursorsWhileWaiting.empty());
    EXPECT_EQ(std::count(cursorsWhileWaiting.begin(), cursorsWhileWaiting.end(), LoadCursor(nullptr, IDC_WAIT)),
              static_cast<std::ptrdiff_t>(cursorsWhileWaiting.size()));
    const HCURSOR cAfter = SetCursor(nullptr);
    SetCursor(cAfter);
    EXPECT_EQ(cAfter, LoadCursor(nullptr, IDC_ARROW));
    double dOffset = 0.0;
    for (int k = 1; k <= nScans; k++) dOffset += pRINoiseSaved[k];
    EXPECT_NEAR(dOffset / nScans, 0.02, 0.005);

    // one peak with all the signal
    ASSERT_EQ(nResolution, 100);
    const int k = PeakIndex();
    float lo, hi, sw, height, fraction, signal;
    int nFirst, nLast;
    findPeakExtent(k, &lo, &hi, &sw, &nFirst, &nLast, &height, &fraction, &signal, 0.9f);
    EXPECT_NEAR(sw, 4.30f, 0.05f);
    EXPECT_NEAR(signal, 0.80f, 0.02f);
    EXPECT_GE(fraction, 0.98f);
    float fBelow = 0, fMean = 0, fTotal = 0;
    integrateDistribution(0.0f, 1.0f, &fBelow, &fMean, &fTotal, nullptr, nullptr, nullptr);
    EXPECT_LE(fBelow, 0.02f * fTotal);
    for (int i = 1; i <= nResolution; i++) {
        if (i < nFirst || i > nLast) {
            EXPECT_LT(pDistValues[i], 0.05f * height) << "a second peak at " << pDistAxisS[i];
        }
    }
    EXPECT_NEAR(calcRmsd(), 0.0040f, 0.0002f);

    // the text after the paint
    headless::processMessages();
    EXPECT_STREQ(szModelParamLines[3], "ME regularization P = 0.95");
    EXPECT_EQ(std::string(szModelParamLines[4]).rfind("frict ratio = 1.330000", 0), 0u);
    EXPECT_EQ(std::string(szModelParamLines[2]).rfind("rmsd=0.004", 0), 0u);

    // the window: data with their fits, the residuals, the c(s) band
    EXPECT_GT(pDataPlot->nCurves, 30);
    const int xPeak = static_cast<int>(std::lround(pDistPlot->MapX(4.3f) * 1400.0 / 1399.0));
    EXPECT_TRUE(inkInColumn(w, xPeak, nDistPlotFrom + 5, nDistPlotTo - 40));
    const int xResidual = pixelX(pDataPlot, 6.6f);
    EXPECT_TRUE(inkInColumn(w, xResidual, nResidPlotTop + 5, nResidPlotBottom - 5));
}

TEST_F(RunCommandTest, CommandsBesideRun)
{
    TXLAWindow* w = window.get();
    headless::Script script;
    // 223 twice: flag and check mark as they were
    const bool bBefore = checked(w, 223);
    EXPECT_EQ(bBefore, bSimulateBeyondLastScan != 0);
    Run(script, 223);
    EXPECT_EQ(bSimulateBeyondLastScan, 1);
    EXPECT_TRUE(checked(w, 223));
    Run(script, 223);
    EXPECT_EQ(bSimulateBeyondLastScan, 0);
    EXPECT_FALSE(checked(w, 223));

    // the regularization methods: exactly one flag and one check mark
    const unsigned ids[4] = {294, 295, 1118, 642};
    unsigned char* flags[4] = {&bRegSecondDerivative, &bRegMaxEnt, &bRegWeightedThirdDerivative, &bRegBothShown};
    for (int c = 0; c < 4; c++) {
        Run(script, ids[c]);
        for (int k = 0; k < 4; k++) {
            EXPECT_EQ(*flags[k], k == c ? 1 : 0) << ids[c] << " " << ids[k];
            EXPECT_EQ(checked(w, ids[k]), k == c) << ids[c] << " " << ids[k];
        }
    }

    // 533 without scans does nothing; cancelled, it changes nothing
    Run(script, 533);
    EXPECT_TRUE(script.lines().empty() || script.lines().back().find("Make direct") == std::string::npos);
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    LoadSpecies(sp);
    bModelComputed = 0;
    const float fBefore = ppFit[1][100];
    script.expectMessageBox("Make direct boundary model from g(s*)", IDOK)
        .expectFileCancel("select g*(s) ASCII file from dcdt analysis");
    Run(script, 533);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bModelComputed, 0);
    EXPECT_EQ(ppFit[1][100], fBefore);
}

TEST_F(RunCommandTest, ANewScanInTheRealtimeUpdateRunsTheCsAgainAndWidensItsRange)
{
    const std::string dir = Folder("run"), hold = Folder("hold");
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    sp.nScans = 5;
    WriteSpecies(sp, dir);
    fs::rename(dir + "/00005.RA1", hold + "/00005.RA1");
    LoadScans({dir + "/00001.RA1", dir + "/00002.RA1", dir + "/00003.RA1", dir + "/00004.RA1"});
    SetCellGeometry();
    // c(s) up to 5 S: the species lies at the end of the range
    ChooseContinuous(&bModelCS, 0.0f, 5.0f, 40, 1.3f, 0.95f);
    headless::Script script;
    script.expectInput("maximal total number of files to load at once", "20")
        .expectMessageBox("auto adjust distribution range?", IDYES);
    Run(script, 540);
    ASSERT_EQ(bRealtimeUpdate, 1);
    EXPECT_EQ(bModelComputed, 1);
    const float fAfterStart = fSMax;
    EXPECT_FLOAT_EQ(fAfterStart, 5.0f * 1.5f);  // the tail held more than 3 % of the signal
    SetCellGeometry();

    bModelComputed = 0;
    fs::rename(hold + "/00005.RA1", dir + "/00005.RA1");
    headless::advanceTime(60000);
    headless::processMessages();
    EXPECT_EQ(nScans, 5);
    EXPECT_EQ(bModelComputed, 1);
    // the rule on the new distribution: the last grid step's share of the signal
    float fArea = 0, fTail = 0, fMean = 0, fTotal = 0;
    integrateDistribution(pDistAxisS[2], pDistAxisS[nResolution], &fArea, &fMean, &fTotal, nullptr, nullptr, nullptr);
    integrateDistribution(pDistAxisS[nResolution - 1], pDistAxisS[nResolution], &fTail, &fMean, &fTotal, nullptr,
                          nullptr, nullptr);
    ASSERT_GT(fArea, 0.0f);
    const float fRatio = fTail / fArea;
    EXPECT_FLOAT_EQ(fSMax, fRatio < 0.001f ? fAfterStart * 0.9f : fRatio > 0.03f ? fAfterStart * 1.5f : fAfterStart);
    EXPECT_FLOAT_EQ(pDistAxisS[nResolution], fAfterStart);  // the rerun used the widened range
    window->CmStopRealtimeUpdate();
}

namespace {

class RunWizardTest : public boundarytest::BoundaryWindowTest {};

// The advice of the wizard (Help Wizard) shown after each Run of the session.
int wizardBoxes(const headless::Script& script)
{
    int n = 0;
    for (const std::string& l : script.lines()) n += l.find("\"Help Wizard\"") != std::string::npos;
    return n;
}

}  // namespace

// The wizard judges only a model that Run computed: after the van
// Holde-Weischet analysis found no boundary (sharp steps leave its fractions
// empty down to four) and after the extrapolation refused sets of one mean
// time there is no advice about residuals, whether the scans had no model yet
// or the model of an earlier run (its fits, here 0, far from the data).
TEST_F(RunWizardTest, NoAdviceAfterARunThatComputedNoModel)
{
    using namespace boundarytest;
    bWizardMessages = 1;
    LoadExperiment(writeStepScans(scratch, {{5.0, 0.0, 1.0}}, evenTimes(5, 2000.0, 300.0)));
    SelectVanHoldeWeischet(10.0f, false, false);
    for (int bEarlierModel : {0, 1}) {
        bModelComputed = static_cast<unsigned char>(bEarlierModel);
        headless::Script script;
        command(213);
        EXPECT_EQ(wizardBoxes(script), 0) << bEarlierModel;
        EXPECT_EQ(script.pending(), 0u);
    }

    LoadExperiment(writeStepScans(scratch, {{4.0, 0.0, 1.0}}, evenTimes(6, 2000.0, 0.0), 0.0, "same"));
    SelectExtrapolation(0.0f, 10.0f, 41, 2, 2);
    for (int bEarlierModel : {0, 1}) {
        bModelComputed = static_cast<unsigned char>(bEarlierModel);
        headless::Script script;
        script.expectMessageBox("the mean times of the sets do not spread", IDOK);
        command(213);
        EXPECT_EQ(wizardBoxes(script), 0) << bEarlierModel;
        EXPECT_EQ(script.pending(), 0u);
    }
}
