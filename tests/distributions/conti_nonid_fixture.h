// Non-ideal c(s) runs on scans of one concentrated species simulated by the
// non-ideal solver (s and D follow its own concentration) and loaded into the
// headless main window.
#pragma once

#include <string>
#include <vector>

#include "distributions/conti_run_fixture.h"

// One species at 50000 rpm in a cell from 6.0 to 7.2 cm (radii 5.95..7.15),
// absorbance scans every dt seconds from t0.
struct NonidealScans {
    double s0 = 4.0;            // S, infinite dilution
    double ff0 = 1.3;
    double mgPerMl = 5.0;
    double signalPerMgMl = 0.2;
    float log10Ks = -1.69897f;  // ks 0.02 ml/mg
    float log10Kd = -2.30103f;  // kd 0.005 ml/mg
    int nScans = 12;
    int nPoints = 240;
    double t0 = 600.0;
    double dt = 400.0;
    double noise = 0.0;
    // an ideal small species added to the signal (loading 0: none)
    double extraS = 0.34;
    double extraD = 0.0;
    double extraLoading = 0.0;
    // the true ctot(r, t) (signal units) at these times on these radii
    std::vector<double> frameTimes;
    std::vector<float> frameRadii;
};

class ContiNonidTest : public ContiRunTest {
protected:
    void SetUp() override;
    // Writes and loads the scans; meniscus 6.0, bottom 7.2, fit limits 6.05
    // and 7.10 cm. The true total concentration at the frame times (one row
    // per frame over frameRadii) goes to trueFrames.
    void LoadNonideal(NonidealScans& species);
    // The non-ideal c(s) (585) with the grid, f/f0, P, and ks, kd (log10) in
    // the parameter vector, the signal per mg/ml of the scans; no noise
    // fitted, the mean field by "best fit".
    void ChooseNonidealCs(float fMin, float fMax, int n, float fFf0, float fP, float log10Ks, float log10Kd,
                          double signalPerMgMl);
    // The same on 2-6 S with f/f0 1.3 and P 0.68, for the species of the scans
    // (its ks, kd and signal per mg/ml).
    void ChooseNonidealCsFor(const NonidealScans& species, int n = 21);
    // Non-ideal c(s) on 1-10 S with no non-ideality to speak of (ks, kd
    // 1e-2), its mean field taken from the loaded scans.
    void ChooseFieldFromData();
    // The short noisy set most tests run on: eight scans, noise 0.005.
    static NonidealScans EightNoisyScans();
    // The weight-average s over the whole distribution.
    static double MeanS();
    // The number of non-ideal Lamm lists run so far (from the diagnostics
    // log, which the fixture switches on).
    static int ListRuns();
    std::vector<std::vector<float>> trueFrames;
};
