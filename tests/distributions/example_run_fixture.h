// The example velocity scans (examples/velocity, made with 4.3 S, D = 6.1e-7
// cm^2/s, loading 0.8, baseline 0.02 and noise of rms 0.004; 30 scans every
// 300 s at 50000 rpm and 20 C) in the main window with a c(s) result, and a
// distribution set directly, for the commands that read a distribution.
#pragma once

#include <string>

#include "distributions/conti_run_fixture.h"
// boxText, numberAfter, clipboardRows: the result boxes and clipboard tables
#include "tools/calculators/calculator_fixture.h"

class ExampleRunTest : public ContiRunTest {
protected:
    void SetUp() override;
    // Loads the example: meniscus 6.0, bottom 7.2, fit limits 6.05 and 7.10 cm.
    void LoadExample();
    // c(s) from 1 to 10 S (91 points) with f/f0 1.33, vbar 0.73 in a
    // water-like buffer (density 0.99823, viscosity 0.01002 P), maximum
    // entropy at P = 0.95, RI noise; Run (command 213).
    void ChooseExampleCs();
    void RunExample();
    // One distribution of the c(s) model set directly: n points from s0 in
    // steps ds, the values from the function, shown in the band below the
    // data (loaded first when asked for).
    void SetDistribution(int n, float s0, float ds, float (*value)(float));
    // The client pixel of a plot position of the distribution plot (the
    // headless client is 1400 x 1000: logical units are pixels).
    void DistributionPixel(float x, float y, int* pX, int* pY);
};

