// Velocity experiments for the tests of the boundary analyses: scan files of
// sharp boundaries (no diffusion, radially diluted) or of Lamm-equation
// solutions, at 50000 rpm in a cell from 6.0 to 7.2 cm, loaded into the
// headless main window with fit limits 6.05-7.1 cm.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "models/model_window_fixture.h"

namespace boundarytest {

inline constexpr double kRpm = 50000.0;
inline constexpr double kMeniscus = 6.0;
inline constexpr double kBottom = 7.2;

struct Species {
    double s;          // S; negative floats
    double D;          // cm^2/s (not used by the sharp boundaries)
    double amplitude;  // loading signal
};

// n times first, first + step, ...
std::vector<double> evenTimes(int n, double first, double step);

// Scan files "<stem>NNNNN.RA1" in the folder, radii 6.0..7.2 cm every
// 0.002 cm, the baseline added; their paths in time order.
std::vector<std::string> writeStepScans(const std::string& folder, const std::vector<Species>& species,
                                        const std::vector<double>& times, double baseline = 0.0,
                                        const char* szStem = "step");
// The same from the solver object, instant start without the rotor ramp,
// 20 degrees, vbar 0.73 in water.
std::vector<std::string> writeLammScans(const std::string& folder, const std::vector<Species>& species,
                                        const std::vector<double>& times, double baseline = 0.0,
                                        const char* szStem = "lamm");

// The same from a profile c(r, t).
std::vector<std::string> writeProfileScans(const std::string& folder, const std::vector<double>& times,
                                           const std::function<double(double r, double t)>& profile,
                                           const char* szStem = "prof");

class BoundaryWindowTest : public ModelWindowTest {
protected:
    void TearDown() override;
    // Loads the scans and sets meniscus, bottom and the fit limits.
    void LoadExperiment(const std::vector<std::string>& paths);
    // The extrapolation mode set up as the model command and the parameter
    // dialog leave it: grid sMin..sMax of nGrid points, n fractions, sets of
    // nPerSet scans, no noise fits.
    void SelectExtrapolation(float sMin, float sMax, int nGrid, int nFractions, int nPerSet);
    // The van Holde-Weischet mode with this resolution, no noise fits.
    void SelectVanHoldeWeischet(float fResolution, bool bFlotation, bool bShowPlot);
};

}  // namespace boundarytest
