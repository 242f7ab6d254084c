// The distribution grid file and the speed profile beside the data.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/distribution_grid_file.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_test_files.h"

using scantest::TempFolder;

TEST(DistributionGridFile, SavedValuesLoadBack) {
    TempFolder dir;
    szDistCurvePath = dir.Path("sdist.RA1");
    float s[6] = {0.0f, 0.5f, 1.25f, 2.0f, 4.125f, 10.0f};
    saveDistributionCurve(s, 5);
    int n = -1;
    float* p = loadDistributionCurve(&n);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(n, 5);
    for (int i = 1; i <= 5; ++i) EXPECT_NEAR(p[i], s[i], 1e-6);
    free_vector(p, 1, n);

    // No values, or no count, write nothing: the saved grid stays whole.
    saveDistributionCurve(nullptr, 5);
    saveDistributionCurve(s, 0);
    saveDistributionCurve(s, -1);
    n = -1;
    p = loadDistributionCurve(&n);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(n, 5);
    for (int i = 1; i <= 5; ++i) EXPECT_NEAR(p[i], s[i], 1e-6);
    free_vector(p, 1, n);

    // A missing or empty file gives nothing and leaves the count.
    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK);
    szDistCurvePath = dir.Path("none");
    n = 7;
    EXPECT_EQ(loadDistributionCurve(&n), nullptr);
    EXPECT_EQ(n, 7);
    szDistCurvePath.clear();
}

TEST(RotorSpeedProfile, RepairCheckAndSpeedAnalysis) {
    TempFolder dir;
    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK).expectMessageBox("Error", win::IDOK);
    // Step 2 starts before the ramp of step 1 (10000 rpm at 300 rpm/s) ends:
    // it is moved to 33.333 s and the repair saved beside the file.
    std::string path = dir.Path("speedsteps.txt");
    scantest::writeText(path, "0\t10000\t300\n20\t40000\t300\n");
    CRotorSpeedProfile profile;
    EXPECT_TRUE(profile.Load(path.c_str()));
    ASSERT_EQ(profile.nSteps, 2);
    EXPECT_NEAR(profile.stepStart[2], 10000.0f / 300.0f, 1e-3);
    EXPECT_TRUE(std::filesystem::exists(path + "_fixed"));

    // A step with rate 0 makes the file invalid.
    scantest::writeText(path, "0\t10000\t300\n100\t40000\t0\n");
    CRotorSpeedProfile bad;
    EXPECT_FALSE(bad.Load(path.c_str()));
    EXPECT_EQ(bad.nSteps, 0);

    // A repair that the float times cannot hold (a third of a second after
    // 1e7 s) is reported as it stands, and nothing is saved.
    clearShownErrorMessages();
    script.expectMessageBox("Error", win::IDOK);
    const std::string late = dir.Path("late.txt");
    scantest::writeText(late, "10000000\t100\t300\n10000000\t200\t300\n");
    CRotorSpeedProfile unfixable;
    unfixable.Load(late.c_str());
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "ERROR: rotor speed profile " + late + " could not be fixed");
    EXPECT_FALSE(std::filesystem::exists(late + "_fixed"));
    EXPECT_EQ(script.pending(), 0u);
}
