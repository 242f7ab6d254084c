// A velocity experiment for the global-grid propagators: scans at given times
// at one speed on a common equidistant set of radii, the global grid laid out
// for one algorithm, and the time set-up the model evaluation makes before a
// propagation.
#pragma once

#include <vector>

namespace gridtest {

struct Experiment {
    int nScans = 50;
    double tFirst = 100.0, tLast = 5000.0;  // s
    double rpm = 50000.0;
    double meniscus = 6.0, bottom = 7.2;    // cm
    int nPoints = 500;                      // radii per scan
    double temperature = 20.0;              // degrees Celsius
    double fitLeft = 6.05, fitRight = 7.15;
};

// Scans, geometry, fit limits, data type (absorbance) and the rotor: no ramp,
// no truncation, no back-diffusion shut-off.
void installExperiment(const Experiment& e);
// The grid of n points for the Claverie propagator (equidistant) or the
// moving hat.
void layOutGrid(int n, bool bMovingHat);
// The species (s in S, D in cm^2/s), the time set-up from the first scan and a
// constant loading c0 on the grid.
void prepareRun(double s, double D, double c0);
// The rotor on its ramp from rest to rpm over tA seconds, as the model
// evaluation sets it before a propagation: steps of at most dMaxStep seconds
// while it accelerates, and dOmegaNow the speed the evaluation leaves.
void startOnRamp(double rpm, double tA, double dMaxStep, double dOmegaLeft);
// Runs the propagator chosen in the layout.
void propagate();
// The model of scan position p (time order) at its point j.
float modelAt(int p, int j);

// The models of all scans by position in time order (each 1-based).
using Profiles = std::vector<std::vector<float>>;
Profiles models();
// Largest difference of two such sets inside the fit limits.
double maxDifferenceInFit(const Profiles& a, const Profiles& b);

}  // namespace gridtest
