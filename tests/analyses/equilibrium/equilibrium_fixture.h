// Sedimentation-equilibrium scans of one ideal species written by the test,
// with time-invariant and radial-invariant noise added, loaded into the main
// window on the headless screen.
#pragma once

#include <string>
#include <vector>

#include "platform/headless.h"
#include "scandata/data_menu_fixture.h"

namespace eqtest {

// One scan of the synthetic experiment.
struct EqScan {
    double rpm = 15000.0;
    double temperature = 20.0;
    double amplitude = 0.5;  // signal of the species at r0
    double ri = 0.0;         // radial-invariant offset
    double mb = 0.0;         // buoyant molar mass (g/mol)
    double ti = 1.0;         // scale of the time-invariant profile added
};

// The program's equilibrium exponential, written out independently.
double exponential(double r, double mb, double rpm, double t, double r0);
// The time-invariant profile of the experiment.
double tiProfile(double r);

}  // namespace eqtest

// Scans at rising speeds without a speed-steps file beside them: the loader
// cannot open the file it looks for and says that the (empty) profile does
// not fit the scans; the load goes on without a profile.
void expectSpeedStepsBoxes(win::headless::Script& script);

class EquilibriumFitTest : public DataMenuTest {
protected:
    void SetUp() override;

    static constexpr double kMeniscus = 6.9;
    static constexpr double kBottom = 7.2;
    static constexpr double kMolarMass = 50000.0;
    static constexpr double kVbar = 0.73;
    static constexpr double kDensity = 0.99823;

    // Scan files "0000k.RA1" at every 0.002 cm from meniscus to bottom:
    // amplitude x exponential + 0.02 sin(20 r) + RI offset.
    std::vector<std::string> WriteScans(const std::vector<eqtest::EqScan>& scans);
    // Load Equilibrium Data (515) with the files (with the loader's boxes of
    // rising speeds without a speed-steps file, and of differing temperatures).
    void Load(const std::vector<std::string>& paths, bool bSpeedsRise = true, bool bTemperaturesDiffer = false);
    // Set Radial Resolution (590).
    void SetRadialResolution(const char* szValue);
    // The reference experiment: 10000, 15000 and 20000 rpm, amplitudes
    // 0.3, 0.5 and 0.8, RI offsets 0.01, -0.02, 0.03, M = 50000 at 20 C.
    std::vector<eqtest::EqScan> Experiment() const;

    std::string folder;
};
