// An I(D) distribution of light-scattering data computed by Run: one decay
// gives one peak at its D.
#include <gtest/gtest.h>

#include <cmath>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/regularization.h"
#include "models/model_globals.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"
#include "tools/dls_set_fixture.h"

using namespace win;

TEST_F(DlsSetTest, RunGivesTheIDDistributionOfOneDecayAtItsD)
{
    bWizardMessages = 0;
    bFlagStrongGradients = 0;
    const std::string folder = Folder("dls");
    std::vector<std::string> paths;
    for (int k = 1; k <= 3; k++) {
        dlstest::DlsRecipe r = dlstest::decayRecipe(5e-7);
        r.time = 100.0 * k;
        // a little noise, the same on every machine
        for (size_t i = 0; i < r.values.size(); i++) {
            const double h = std::sin(12.9898 * i + 78.233 * k) * 43758.5453;
            r.values[i] += 0.002 * (h - std::floor(h) - 0.5);
        }
        paths.push_back(WriteDls(folder, "m" + std::to_string(k) + ".dlsdat", r));
    }
    LoadFiles(paths);
    ASSERT_EQ(nScans, 3);
    headless::Script script;
    Run(script, 502);
    ASSERT_TRUE(bModelDlsD);
    if (pDlsHeaders && !pDlsHeaders[1].fieldAcf)
        script.expectMessageBox("DLS data for this model must be field autocorrelation g(1) - transform?", IDYES);
    Run(script, 213);
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_GT(nResolution, 10);
    ASSERT_NE(pDistValues, nullptr);
    int k = 1;
    for (int i = 1; i <= nResolution; i++)
        if (pDistValues[i] > pDistValues[k]) k = i;
    // pDistAxisM holds log10 D
    const float fStep = std::fabs(pDistAxisM[2] - pDistAxisM[1]);
    EXPECT_NEAR(pDistAxisM[k], std::log10(5e-7), 1.5f * fStep);
    EXPECT_GT(pDistValues[k], 0.0f);
}

// Decays without noise: the model fits to rounding, and the maximum-entropy
// search meets a chi-square ratio that jumps across its target between two
// neighbouring alphas. The search ends there, quietly, with the amplitudes of
// the best alpha: the ratio just above the target, one peak at D.
TEST_F(DlsSetTest, NoiseFreeDecaysEndTheEntropySearchAtTheBestAlpha)
{
    bWizardMessages = 0;
    bFlagStrongGradients = 0;
    const std::string folder = Folder("dls");
    std::vector<std::string> paths;
    for (int k = 1; k <= 3; k++) {
        dlstest::DlsRecipe r = dlstest::decayRecipe(5e-7);
        r.time = 100.0 * k;
        paths.push_back(WriteDls(folder, "m" + std::to_string(k) + ".dlsdat", r));
    }
    LoadFiles(paths);
    ASSERT_EQ(nScans, 3);
    headless::Script script;
    Run(script, 502);
    ASSERT_TRUE(bRegMaxEnt);
    if (pDlsHeaders && !pDlsHeaders[1].fieldAcf)
        script.expectMessageBox("DLS data for this model must be field autocorrelation g(1) - transform?", IDYES);
    Run(script, 213);
    // no "too many iterations finding root"
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_GT(dChiSquareUnreg, 0.0);
    const double ratio = dChiSquare / dChiSquareUnreg;
    EXPECT_GE(ratio, 1.0);
    EXPECT_LT(ratio, fTargetChisqRatio + 0.01) << "target " << fTargetChisqRatio;
    int k = 1;
    for (int i = 1; i <= nResolution; i++)
        if (pDistValues[i] > pDistValues[k]) k = i;
    const float fStep = std::fabs(pDistAxisM[2] - pDistAxisM[1]);
    EXPECT_NEAR(pDistAxisM[k], std::log10(5e-7), 1.5f * fStep);
}
