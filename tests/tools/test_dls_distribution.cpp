// An I(D) distribution of light-scattering data computed by Run: one decay
// gives one peak at its D.
#include <gtest/gtest.h>

#include <cmath>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/regularization.h"
#include "models/model_globals.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"
#include "tools/calculators/calculator_fixture.h"
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
    // the integration box gives the limits, picked on the log10 D axis, in F
    // (1e-7 cm^2/s): log10(2e-7) to log10(1e-6) is 2 to 10 F, and the signal
    // average of the range round the peak is the decay's 5 F
    script.expectMessageBox("INTEGRATE DISTRIBUTION", IDOK);
    window->IntegrateSelectedRange(std::log10(2e-7f), std::log10(1e-6f), 0.0f, 1e30f);
    const std::string box = boxText(script, "INTEGRATE DISTRIBUTION");
    EXPECT_NEAR(numberAfter(box, "Integral from "), 2.0, 1e-4) << box;
    EXPECT_NEAR(numberAfter(box, " to "), 10.0, 1e-4) << box;
    EXPECT_NEAR(numberAfter(box, "Signal Average D = "), 5.0, 5.0 * (std::pow(10.0, 1.5 * fStep) - 1.0)) << box;
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
