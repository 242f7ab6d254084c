// The direct boundary model from a g(s*) table: one bin is one radially
// diluted step per scan; the fit limits and short tables; the ls-g*(s)
// display of the table, and the command that reads it.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/boundary_model.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run_fixture.h"
#include "distributions/distribution_result.h"
#include "distributions/s_grid.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// A 2-column table of g(s*) bins (further columns unused).
float** table(const std::vector<std::pair<float, float>>& rows)
{
    const int n = static_cast<int>(rows.size());
    float** t = matrix(1, 6, 1, n);
    for (int i = 1; i <= n; i++) {
        t[1][i] = rows[i - 1].first;
        t[2][i] = rows[i - 1].second;
    }
    return t;
}

}  // namespace

TEST_F(ContiRunTest, OneBinIsOneDilutedStepPerScan)
{
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    LoadSpecies(sp);
    // unset limits become meniscus and bottom (as the limit rules keep them:
    // the bottom lies beyond the scans' last radius, which is said)
    fFitLeftLim = fFitRightLim = 0.0f;
    float** t = table({{3.0f, 2.0f}, {3.5f, 0.0f}});
    headless::Script script;
    script.expectMessageBox("Error", IDOK);
    ASSERT_TRUE(boundaryModelFromGs(t, 6, 2));
    EXPECT_TRUE(transcriptShows(script, "setting right limit to 7.150"));
    EXPECT_NEAR(fFitLeftLim, fMeniscus + 0.01f, 1e-5);
    EXPECT_GT(fFitRightLim, 7.1f);
    // ds g = 0.5 x 2 = 1 at s* = 3 S
    for (int k = 1; k <= nScans; k++) {
        const double w = pScanHeaders[k].omega2t;
        const float A = static_cast<float>(std::exp(-2.0 * w * 3.0e-13));
        const float rb = static_cast<float>(6.0 * std::exp(w * 3.0e-13));
        for (int p = pFitFirstIndex[k]; p <= pFitLastIndex[k]; p++)
            ASSERT_NEAR(ppFit[k][p], ppRadius[k][p] >= rb ? A : 0.0f, 1e-6) << k << " " << ppRadius[k][p];
        for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++)
            ASSERT_NEAR(pppExtraNoiseScan[1][k][j], pNoiseGrid[j] >= rb ? A : 0.0f, 1e-6);
    }
    // the species slots are the user's again
    EXPECT_EQ(bModelDiscreteSpecies, 0);
    free_matrix(t, 1, 6, 1, 2);

    // a step that starts exactly on a radius of the noise grid takes that
    // radius, as a scan's radius at the step does: the s* whose step in
    // scan 1 starts at the grid's first point from 6.5 cm on
    const double w1 = pScanHeaders[1].omega2t;
    int j0 = nNoiseGridFirst;
    while (pNoiseGrid[j0] < 6.5f) j0++;
    const float r0 = pNoiseGrid[j0];
    float s0 = static_cast<float>(std::log(r0 / 6.0) / (w1 * 1e-13));
    for (int i = 0; i < 40; i++) s0 = std::nextafter(s0, 0.0f);
    for (int i = 0; i < 80 && static_cast<float>(6.0 * std::exp(w1 * s0 * 1e-13)) != r0; i++)
        s0 = std::nextafter(s0, 1e9f);
    ASSERT_EQ(static_cast<float>(6.0 * std::exp(w1 * s0 * 1e-13)), r0);
    float** atRadius = table({{s0, 2.0f}, {s0 + 0.5f, 0.0f}});
    ASSERT_TRUE(boundaryModelFromGs(atRadius, 6, 2));
    // ds g = 1, diluted radially: (meniscus / r0)^2
    EXPECT_NEAR(pppExtraNoiseScan[1][1][j0], (6.0 / r0) * (6.0 / r0), 1e-6);
    EXPECT_EQ(pppExtraNoiseScan[1][1][j0 - 1], 0.0f);
    free_matrix(atRadius, 1, 6, 1, 2);

    // a table of one row has no bin width: refused, nothing changed
    const float fBefore = ppFit[1][150];
    float** one = table({{3.0f, 2.0f}});
    script.expectMessageBox("", IDOK);
    EXPECT_FALSE(boundaryModelFromGs(one, 6, 1));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(ppFit[1][150], fBefore);
    free_matrix(one, 1, 6, 1, 1);

    // a value that is not a number is refused by its column and row (the
    // model came out 0 without a word)
    for (int j : {1, 2}) {
        float** bad = table({{3.0f, 2.0f}, {3.5f, 1.0f}});
        bad[j][2] = std::nanf("");
        script.expectMessageBox(j == 1 ? "the g(s*) table holds a value that is not a number: s* in row 2"
                                       : "the g(s*) table holds a value that is not a number: g(s*) in row 2",
                                IDOK);
        EXPECT_FALSE(boundaryModelFromGs(bad, 6, 2));
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(ppFit[1][150], fBefore);
        free_matrix(bad, 1, 6, 1, 2);
    }
}

// With ls-g*(s) chosen the table becomes the shown distribution, with prior
// vectors of its own size; with plain c(s) chosen the model is made all the
// same, but the shown c(s) is left as it was.
TEST_F(ContiRunTest, TheLsgsDisplayTakesTheTableWithPriorsOfItsSize)
{
    SpeciesScans sp;
    sp.D = 0.0;
    LoadSpecies(sp);
    bModelContinuous = bModelLsgs = bModelCS = 1;
    fSMin = 1.0f;
    fSMax = 20.0f;
    fSGridResolution = 50.0f;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_NE(pDistPlot, nullptr);
    float** t = table({{4.0f, 0.0f}, {4.5f, 1.2f}, {5.0f, 0.3f}});
    ASSERT_TRUE(boundaryModelFromGs(t, 6, 3));
    free_matrix(t, 1, 6, 1, 3);
    ASSERT_EQ(nResolution, 3);
    EXPECT_EQ(pDistAxisS[2], 4.5f);
    EXPECT_EQ(pDistValues[3], 0.3f);
    EXPECT_EQ(pDistAxisM[1], 1.0f);
    for (int i = 1; i <= 3; i++) EXPECT_EQ(pPriorProbability[i], 0.01);
    EXPECT_EQ(pDistXVector->nSize, 3u);
    EXPECT_EQ(pDistXVector->pData, pDistAxisS + 1);

    // with plain c(s) chosen the shown c(s) stays as it was: the model is
    // made, but its grid of 50 points and its values are not replaced by the
    // table's three bins
    bModelLsgs = 0;
    fSMin = 1.0f;
    fSMax = 20.0f;
    fSGridResolution = 50.0f;
    ASSERT_EQ(setupSGrid(), 1);
    const int nGrid = nResolution;
    ASSERT_EQ(nGrid, 50);
    std::vector<float> axis(pDistAxisS + 1, pDistAxisS + nGrid + 1);
    for (int i = 1; i <= nGrid; i++) pDistValues[i] = 0.01f * static_cast<float>(i);
    float** u = table({{4.0f, 0.0f}, {4.5f, 1.2f}, {5.0f, 0.3f}});
    ASSERT_TRUE(boundaryModelFromGs(u, 6, 3));
    free_matrix(u, 1, 6, 1, 3);
    ASSERT_EQ(nResolution, nGrid);
    EXPECT_EQ(pDistXVector->nSize, static_cast<unsigned>(nGrid));
    for (int i = 1; i <= nGrid; i++) {
        EXPECT_EQ(pDistAxisS[i], axis[i - 1]) << i;
        EXPECT_EQ(pDistValues[i], 0.01f * static_cast<float>(i)) << i;
    }
    const int k = pScanTimeOrder[nScans];
    EXPECT_GT(ppFit[k][pFitLastIndex[k]], 0.5f);  // the model itself was made
}

TEST_F(ContiRunTest, TheCommandReadsTheTableAndShowsTheModel)
{
    SpeciesScans sp;
    sp.D = 0.0;
    LoadSpecies(sp);
    const std::string path = Folder("gs") + "/gs.txt";
    std::ofstream(path) << "3.0 2.0 0 0 0 0\n3.5 0.0 0 0 0 0\n";
    bModelComputed = 0;
    // the noise is solved with the step model as the one species; the
    // user's four species come back as they were, included or not, with
    // their loadings and amplitudes
    const int nIncluded[5] = {0, 1, 0, 1, 1};
    const float fConc[5] = {0, 0.8f, 0.1f, 0.2f, 0.3f}, fAmplitude[5] = {0, 1.5f, 2.5f, 3.5f, 4.5f};
    for (int s = 1; s <= 4; s++) {
        pSpeciesIncluded[s] = nIncluded[s];
        pSpeciesConc[s] = fConc[s];
        fSpeciesAmplitude[s] = fAmplitude[s];
    }
    globalsToParamVector();
    headless::Script script;
    script.expectMessageBox("Make direct boundary model from g(s*)", IDOK)
        .expectOpenFile("select g*(s) ASCII file from dcdt analysis", {path});
    Run(script, 533);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bModelComputed, 1);
    const int k = pScanTimeOrder[nScans];
    EXPECT_GT(ppFit[k][pFitLastIndex[k]], 0.5f);
    for (int s = 1; s <= 4; s++) {
        EXPECT_EQ(pSpeciesIncluded[s], nIncluded[s]) << s;
        EXPECT_EQ(pSpeciesConc[s], fConc[s]) << s;
        EXPECT_EQ(fSpeciesAmplitude[s], fAmplitude[s]) << s;
    }
    EXPECT_EQ(window->ofnData.Flags & OFN_ALLOWMULTISELECT, static_cast<DWORD>(OFN_ALLOWMULTISELECT));
}
