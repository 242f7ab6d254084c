#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/distribution_integration.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "models/model_window_fixture.h"
#include "numerics/ccurve.h"
#include "numerics/random.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

std::vector<std::string> copyExampleScans(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    for (const auto& e : std::filesystem::directory_iterator(MORVEX_SOURCE_DIR "/examples/velocity")) {
        if (e.path().extension() != ".RA1") continue;
        const std::string to = folder + "/" + e.path().filename().string();
        std::filesystem::copy_file(e.path(), to);
        paths.push_back(to);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

class ContiFitTest : public ModelWindowTest {};

}  // namespace

TEST_F(ContiFitTest, Explore)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);
    seedRandomNumbers(7);
    LoadScans(copyExampleScans(scratch + "/velocity"));
    command(275);
    headless::Script script;
    script.expectDialog("320", headless::DialogAnswer()
                                   .set(419, "1.2").check(416)
                                   .set(435, "5.98").check(434)
                                   .set(437, "7.2").check(436, false)
                                   .check(431, false).check(455));
    command(212);
    fFitLeftLim = 6.05f; updateLeftFitLimit();
    fFitRightLim = 7.10f; updateRightFitLimit();
    fMinMeniscus = 5.96f; fMaxMeniscus = 6.03f; bUserMeniscusBottomRange = 1;
    command(getenv("REG2") ? 294 : 295);
    for (auto& l : script.lines()) std::printf("%s\n", l.c_str());
    std::printf("res %f smin %f smax %f ff0 %f nfit %d f13 %d P %f\n", fSGridResolution, fSMin, fSMax, fFrictionalRatio, nFitFrictionalRatio, pParamFloat[13], fConfidenceLevel);
    if (getenv("RUNONLY")) {
        pParamValue[13] = fMeniscus = 6.0f; pParamValue[11] = fFrictionalRatio = 1.33f;
        command(213);
        for (int i = 1; i <= 5; ++i) std::printf("run %d %f %g\n", i, pDistAxisS[i], pDistValues[i]);
        float a, m, tot, sg, hm, zm;
        integrateDistribution(0, 20, &a, &m, &tot, &sg, &hm, &zm);
        std::printf("run total %f rmsd %f\n", tot, fRmsd);
        return;
    }
    auto t0 = std::chrono::steady_clock::now();
    command(215);
    double dt = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("time %.2f s sims %d steps %d\n", dt, nSimCount, nFitSteps);
    std::printf("meniscus %f ff0 %f rmsd %f\n", fMeniscus, fFrictionalRatio, fRmsd);
    float x[11], yv[11]; int idx[11];
    CCurve* c = pDistCurve;
    if (c) {
        int n = c->FindPeaks(x, yv, idx, 10, 2);
        for (int k = 1; k <= n; ++k) {
            float lo, hi, mean, h, frac, sig; int a, b;
            findPeakExtent(idx[k], &lo, &hi, &mean, &a, &b, &h, &frac, &sig, 0.9f);
            std::printf("peak %f mean %f signal %f frac %f\n", x[k], mean, sig, frac);
        }
    }
    for (int i = 1; i <= nResolution; ++i) std::printf("%d %f %g\n", i, pDistAxisS[i], pDistValues[i]);
    float a, m, tot, sg, hm, zm;
    integrateDistribution(0, 20, &a, &m, &tot, &sg, &hm, &zm);
    std::printf("total %f\n", tot);
}
