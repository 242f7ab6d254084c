// A small experiment for the solver tests: scans at given times at constant
// speed, a common radial grid, and a solver configured the way the model
// evaluation configures it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "lamm/lamm_ideal.h"
#include "lamm/lamm_nonideal.h"
#include "numerics/nrutil.h"
#include "scandata/scan_header.h"

struct LammExperiment {
    int nScans = 0;
    int nPoints = 0;
    std::vector<ScanHeader> headers;  // [0] unused
    float* radii = nullptr;
    float** out = nullptr;

    LammExperiment(int scans, double firstTime, double lastTime, double rpm, double m, double b,
                   int points = 600, double temperature = 20.0)
        : nScans(scans), nPoints(points), headers(scans + 1)
    {
        std::memset(headers.data(), 0, sizeof(ScanHeader) * headers.size());
        for (int k = 1; k <= scans; k++) {
            ScanHeader& h = headers[k];
            const double t = scans > 1 ? firstTime + (lastTime - firstTime) * (k - 1) / (scans - 1) : firstTime;
            h.time = t;
            h.timeWritten = t;
            h.timeRead = t;
            h.dataType = 'R';
            h.rpm = (float)rpm;
            h.temperature = (float)temperature;
            const double w = rpm * 2 * M_PI / 60;
            h.omega2t = w * w * t;
            h.accelRate = 1e6;
            h.accelTime = 0;
        }
        radii = vector(1, points);
        for (int i = 1; i <= points; i++) radii[i] = (float)(m + (b - m) * (i - 1) / (points - 1));
        out = matrix(1, scans, 1, points);
    }
    ~LammExperiment()
    {
        free_vector(radii, 1, nPoints);
        free_matrix(out, 1, nScans, 1, nPoints);
    }
};

// The largest difference of two experiments' scans inside 7.1 cm.
inline double largestDifference(const LammExperiment& a, const LammExperiment& b)
{
    double worst = 0;
    for (int k = 1; k <= a.nScans; k++)
        for (int j = 1; j <= a.nPoints && a.radii[j] < 7.1; j++)
            worst = std::max(worst, (double)std::fabs(a.out[k][j] - b.out[k][j]));
    return worst;
}

// The equilibrium profile exp(s w^2 (r^2 - rf^2) / (2 D)) (the Svedberg
// relation in the Boltzmann distribution) at the radius rf, over its mean in
// the cell m..b: trapezoids of (b - m) / 200000 in r, weighted by r. The
// back-diffusion and steep-gradient tests compare it with their level (1e-4).
inline double equilibriumRatioAt(double s, double D, double w, double m, double b, double rf)
{
    const double sigma = s * 1e-13 * w * w / D;
    const int n = 200000;
    double sum = 0;
    for (int i = 0; i <= n; i++) {
        const double r = m + (b - m) * i / n;
        sum += (i == 0 || i == n ? 0.5 : 1.0) * r * std::exp(sigma / 2 * (r * r - rf * rf));
    }
    return ((b * b - m * m) / 2) / (sum * (b - m) / n);
}

// Solver options as the Lamm settings give them by default; tests change single
// fields afterwards.
inline void setDefaultSolverOptions(CLammIdeal& L)
{
    L.SetSolverOptions(100, 2000, 5.0f, 0, 1e-4, 1, 1, 1, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0, 0.1, 0.3,
                       1.0, 1000, 1000, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
}

// A configured solver for one species of an experiment; the grid has n points
// (equidistant unless the caller changes it before running).
inline std::unique_ptr<CLammIdeal> makeSolver(LammExperiment& e, double s, double D, double m, double b,
                                              double c0, float fitInner, float fitOuter)
{
    auto L = std::make_unique<CLammIdeal>();
    L->SetNonReactingModel();
    L->SetSedimentationParams(s, D, m, b, c0, fitInner, fitOuter);
    L->SetScanData(nullptr, nullptr, e.headers.data(), e.out, e.radii, e.nPoints, nullptr, nullptr, false,
                   nullptr, e.nScans, 1, true, true, false, 0, false, 0, false);
    setDefaultSolverOptions(*L);
    L->SetSolventAndParticle(20.0, 0.73, 1.0, 1.0);
    return L;
}

// The same for the non-ideal solver (ks and kd still to be given).
inline std::unique_ptr<CLammNonIdeal> makeNonidealSolver(LammExperiment& e, double s, double D, double m, double b,
                                                         double c0, float fitInner, float fitOuter)
{
    auto L = std::make_unique<CLammNonIdeal>();
    L->SetSedimentationParams(s, D, m, b, c0, fitInner, fitOuter);
    L->SetScanData(nullptr, nullptr, e.headers.data(), e.out, e.radii, e.nPoints, nullptr, nullptr, false, nullptr,
                   e.nScans, 1, true, true, false, 0, false, 0, false);
    setDefaultSolverOptions(*L);
    L->SetSolventAndParticle(20.0, 0.73, 1.0, 1.0);
    return L;
}

// Grid of n points, acceleration set-up, loading, and the time loop.
inline void runOnGrid(CLammIdeal& L, int n)
{
    L.nGridPoints = n;
    L.AllocGridArrays();
    L.InitAcceleration();
    L.SetInitialConcentration();
    L.RunTimeStepping();
}
