// The discrete-species model on the example data (one species made by the
// solver object: 4.3 S, 6.1e-7 cm^2/s, loading 0.8, baseline 0.02, noise of
// rms 0.004), set up through the parameter dialog as a user does.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "models/model_window_fixture.h"
#include "platform/headless.h"

class DiscreteFitTest : public ModelWindowTest {
protected:
    // The example loaded (its first nLoaded scans), the discrete-species
    // model with species 1 at the given D (1e-7 cm^2/s) and s, meniscus 6.0
    // and bottom 7.2 fixed; the loading is solved linearly, the baseline as
    // given.
    void exampleModel(const char* szD, const char* szS, bool bFloatSAndD, const char* szBaseline, bool bBaselineLinear,
                      size_t nLoaded = 30)
    {
        std::vector<std::string> paths = copyVelocityExampleScans(scratch + "/velocity");
        paths.resize(std::min(nLoaded, paths.size()));
        LoadScans(paths);
        win::headless::Script script;
        script.expectDialog("noninteracting species model", win::headless::DialogAnswer()
                                                                 .check(401)
                                                                 .set(405, "0.5")
                                                                 .check(402)
                                                                 .set(406, szD)
                                                                 .check(403, bFloatSAndD)
                                                                 .set(407, szS)
                                                                 .check(404, bFloatSAndD)
                                                                 .set(433, szBaseline)
                                                                 .check(432, bBaselineLinear)
                                                                 .set(435, "6.0")
                                                                 .check(434, false)
                                                                 .set(437, "7.2")
                                                                 .check(436, false)
                                                                 .check(431, false)
                                                                 .check(455, false));
        command(198);
        command(212);
        EXPECT_EQ(script.pending(), 0u);
    }
};
