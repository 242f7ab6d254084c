// A velocity experiment in memory for the tests of the distribution solvers:
// scans of unequal lengths, an uneven common noise grid with a fitted range
// inside it, the Lamm-solution store and the normal-equation set allocated
// for a grid of nGrid points.
#pragma once

#include <functional>
#include <vector>

namespace contitest {

struct SceneOptions {
    int nScans = 7;
    int nGrid = 12;
    int nPoints = 140;      // noise grid
    int nFirstFitted = 6;   // fitted range of the noise grid
    int nLastFitted = 133;
};

// Scans (times out of index order), noise grid, store, normal arrays;
// nResolution = nNEQSize = nGrid, no model or noise switch set.
void installScene(const SceneOptions& o = SceneOptions());

// s values (S) of the grid points.
std::vector<double> sValues(int nGrid, double sMin, double sMax);

// Store rows from Lamm solutions of the solver object for these s values
// (D from a compact sphere), one per grid point, at 50000 rpm.
void fillLammBases(const std::vector<double>& s);
// Store rows from smooth step profiles (a boundary of the given s moving
// from the meniscus, plateau diluted radially): cheap stand-ins.
void fillStepBases(const std::vector<double>& s);

// ppScanOnNoiseGrid[k][j] := sum_g c[g] B_g[k][j] + profile(r_j) + offset(k)
// (c[0] unused), and each scan's signal at its own radii interpolated from
// that.
void setData(const std::vector<double>& c, const std::function<double(double)>& profile,
             const std::function<double(int)>& offset, const std::function<double(int, int)>& noise = nullptr);

// Copies of the data on the noise grid and of the store, for bitwise checks.
std::vector<float> dataSnapshot();
std::vector<float> storeSnapshot();

// A c(s)-like problem: 10 scans with 101 fitted radii, nGrid step profiles
// from 1 to 12 S (those from nUnreached on without any signal), data from two
// peaks at 30 % and 60 % of the grid with noise 0.01, and its normal
// equations (no noise switch).
void installCsProblem(int nGrid, int nUnreached = 0);

// A deterministic pseudo-random normal deviate stream.
double gaussian(unsigned& state);

}  // namespace contitest
