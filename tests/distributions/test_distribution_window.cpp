// The distribution band of the main window with the example velocity scans.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/s_grid.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/scan_data.h"

namespace {

// Copies of the example velocity scans in the folder (the grid file goes
// beside them).
// The example's numbered scans (not a grid file a run left beside them).
std::vector<std::string> exampleScans(const std::string& folder) { return copyVelocityExampleScans(folder); }

// The largest and smallest y of the picture's drawing operations.
void yRange(win::HMETAFILE h, long* pMin, long* pMax)
{
    *pMin = 100000;
    *pMax = -100000;
    for (const win::MetaRecordInfo& r : win::metaFileRecords(h)) {
        if (r.op != win::MetaOp::LineTo && r.op != win::MetaOp::MoveTo && r.op != win::MetaOp::TextOut) continue;
        *pMin = std::min(*pMin, r.args[1]);
        *pMax = std::max(*pMax, r.args[1]);
    }
}

bool hasText(win::HMETAFILE h, const std::string& text)
{
    for (const win::MetaRecordInfo& r : win::metaFileRecords(h))
        if ((r.op == win::MetaOp::TextOut || r.op == win::MetaOp::ExtTextOut) && r.text == text) return true;
    return false;
}

}  // namespace

TEST_F(MainWindowTest, DistributionBandBelowTheRaisedDataAndResiduals)
{
    OpenWindow();
    std::filesystem::create_directories(scratch + "/velocity");
    LoadScans(exampleScans(scratch + "/velocity"));
    ASSERT_GT(nScans, 0);
    ASSERT_NE(pDataPlot, nullptr);
    pDataPlot->Draw();
    long nTop = 0, nBottom = 0;
    yRange(pDataPlot->hMetaFile, &nTop, &nBottom);
    EXPECT_GT(nBottom, 475);  // the x axis texts below the full band

    bModelCS = 1;
    fSMin = 0.0f;
    fSMax = 15.0f;
    fSGridResolution = 60.0f;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(nLammSolutionStoreRows, 60);
    EXPECT_EQ(pLammSolutions[60][nScans], pLammSolutions[1][1] + (59L * nScans + nScans - 1) * (nNoiseGridPoints + 1));

    window->Invalidate(true);
    win::headless::processMessages();
    // the data plot ends at 350 now, the residuals span 405..575
    yRange(pDataPlot->hMetaFile, &nTop, &nBottom);
    EXPECT_LT(nBottom, 405);
    EXPECT_GE(nTop, 40);
    EXPECT_EQ(pResidualsPlot->nFrameTop, 405);
    // the band: empty axes with their texts
    win::HMETAFILE h = paintDistributionPlot();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(hasText(h, "sed coefficient [S]"));
    EXPECT_TRUE(hasText(h, "c(s)"));
    yRange(h, &nTop, &nBottom);
    EXPECT_GE(nTop, 600);
    EXPECT_LE(nBottom, 1000);

    // with the residuals bitmap the residuals end at 490, the bitmap below
    bShowResidualsBitmap = 1;
    layoutAndRedrawPlots();
    EXPECT_EQ(pResidualsPlot->nFrameBottom, 490);
    bShowResidualsBitmap = 0;

    // released: the bands are the full ones again
    clearDistributionResults();
    window->Invalidate(true);
    win::headless::processMessages();
    EXPECT_EQ(pDataPlot->nFrameBottom, 475);
    EXPECT_EQ(pResidualsPlot->nFrameTop, 550);
}

// Run lays the plots out before it computes the model: the residuals it
// leaves are those of its model, not the data as loaded.
TEST_F(MainWindowTest, RunOfTheDistributionLeavesTheResidualsOfItsModel)
{
    OpenWindow();
    std::filesystem::create_directories(scratch + "/velocity");
    LoadScans(exampleScans(scratch + "/velocity"));
    ASSERT_EQ(nScans, 30);
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::Script script;
    script.command(275).command(213);
    win::headless::processMessages();
    ASSERT_TRUE(bModelComputed);
    double dSumAbs = 0.0;
    long nPoints = 0;
    float fMismatch = 0.0f;
    for (int i = 1; i <= nScans; ++i)
        for (int j = pFitFirstIndex[i]; j <= pFitLastIndex[i]; ++j) {
            dSumAbs += std::fabs(ppResidual[i][j]);
            ++nPoints;
            fMismatch = std::max(fMismatch, std::fabs(ppResidual[i][j] - (ppSignal[i][j] - ppFit[i][j])));
        }
    EXPECT_EQ(fMismatch, 0.0f);
    ASSERT_GT(nPoints, 1000);
    EXPECT_LT(dSumAbs / nPoints, 0.05);  // as loaded they were the signal, 0.4 on average
}
