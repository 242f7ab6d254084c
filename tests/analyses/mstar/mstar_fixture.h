// The main window on the headless screen with sedimentation-equilibrium scans
// written by the test, for the M* screens.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "scandata/data_menu_fixture.h"

namespace mstartest {

// One ideal species: molar mass (g/mol) and its loading signal.
struct Species {
    double fMolarMass;
    double fLoading;
};

// The signal at radius r (cm) of ideal species at sedimentation equilibrium
// in a cell from meniscus m to bottom b at the given rotor speed, vbar 0.73,
// density 0.99823, 20 C; 0 before the meniscus. Each species keeps its
// loading: c(r) = c0 kM (b^2 - m^2) exp(kM (r^2 - m^2)) / (exp(kM (b^2 - m^2)) - 1).
double equilibriumSignal(const std::vector<Species>& species, double rpm, double m, double b, double r);
// k = (1 - vbar rho) omega^2 / (2 R T) at 20 C (mol g^-1 cm^-2).
double kFactor(double rpm);
// The meniscus signal of a species of the given loading.
double meniscusSignal(const Species& s, double rpm, double m, double b);

}  // namespace mstartest

class MStarTest : public DataMenuTest {
protected:
    void SetUp() override;

    // Meniscus 6.9, bottom 7.2, fit limits 6.91 and 7.19 (set before loading).
    static constexpr double kMeniscus = 6.9;
    static constexpr double kBottom = 7.2;

    // A scan file of the species at every 0.001 cm from r0 to rEnd; the
    // extension tells the data type (".RA1" absorbance, ".IP1" interference).
    // The signal continues past the bottom, as far as rEnd.
    std::string WriteEquilibriumScan(const std::string& name, const std::vector<mstartest::Species>& species,
                                     double rpm, double time, double r0 = 6.88, double rEnd = 7.25);
    // The same with any signal of the radius.
    std::string WriteScan(const std::string& name, const std::function<double(double)>& signal, double rpm,
                          double time, double r0 = 6.88, double rEnd = 7.25);
    // Load Equilibrium Data (515) with the files.
    void LoadEquilibrium(const std::vector<std::string>& paths);
    // One 50 kDa set, 0.1 OD at the meniscus, 15000 rpm.
    void LoadIdealSet(int nSets = 1, const char* szExt = ".RA1");
    // Command 896, then the window painted.
    void Enter(win::headless::Script& script);
    // A left click at the centre of button k.
    void Click(win::headless::Script& script, int k);
    // Button 6 answered for c(M) smoothing: 24 to 99 kDa, the baseline
    // determined from c(M).
    void SmoothWithCM(win::headless::Script& script);
    // Enter, then smoothing with c(M), every question answered (call it in
    // ASSERT_NO_FATAL_FAILURE).
    void EnterAndSmoothWithCM(win::headless::Script& script);
    // A right-button drag on the window from pixel x0 to x1 at height y.
    void RightDrag(win::headless::Script& script, int x0, int x1, int y = 250);
    // The window's pixel x of a radius on plot A.
    int PixelOfRadius(float r) const;

    std::string folder;
};
