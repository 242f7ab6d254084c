// The experiment and the solver set-up of the Lamm benchmarks: the scans of a
// sedimentation-velocity run at 50000 rpm and 20 degrees, 40 scans every 150 s
// from 300 s, 501 radii from 6.02 to 7.18 cm in a 6.0 - 7.2 cm cell, and a
// solver configured as the c(s) list configures it, with the Lamm settings'
// defaults and the fit limits at the data edges.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "lamm/lamm_ideal.h"
#include "numerics/nrutil.h"
#include "scandata/scan_header.h"

struct BenchScans {
    static constexpr int nScans = 40, nPoints = 501;
    std::vector<ScanHeader> headers;
    float* radii = vector(1, nPoints);
    float** out = matrix(1, nScans, 1, nPoints);
    explicit BenchScans(double rpm = 50000) : headers(nScans + 1)
    {
        std::memset(headers.data(), 0, sizeof(ScanHeader) * headers.size());
        const double w = rpm * 2 * M_PI / 60;
        for (int k = 1; k <= nScans; k++) {
            ScanHeader& h = headers[k];
            h.time = h.timeWritten = h.timeRead = 300 + 150.0 * (k - 1);
            h.rpm = (float)rpm;
            h.temperature = 20;
            h.omega2t = w * w * h.time;
        }
        for (int i = 1; i <= nPoints; i++) radii[i] = (float)(6.02 + 1.16 * (i - 1) / (nPoints - 1));
    }
    ~BenchScans()
    {
        free_vector(radii, 1, nPoints);
        free_matrix(out, 1, nScans, 1, nPoints);
    }
    BenchScans(const BenchScans&) = delete;
    BenchScans& operator=(const BenchScans&) = delete;
};

// The setters in the c(s) list's order; the Lamm settings' defaults (points per
// sigma, lower grid limit and max dc/c as given).
inline void configureListSolver(CLammIdeal& L, BenchScans& e, double s, double D, float pointsPerSigma = 5.0f,
                                int lowerLimit = 75, double maxDcOverC = 1.0)
{
    L.SetSedimentationParams(s, D, 6.0, 7.2, 1.0, 6.02f, 7.18f);
    L.SetScanData(nullptr, nullptr, e.headers.data(), e.out, e.radii, e.nPoints, nullptr, nullptr, false, nullptr,
                  e.nScans, 1, true, true, false, 2.43f, false, 0.008f, false);
    L.SetSolverOptions(lowerLimit, std::max(2000, 4 * lowerLimit), pointsPerSigma, 0, 1e-4, 1, 1, 1, 1.0f, 1, 0, 0,
                       1e-6, 0.0, 1, 0, 1, maxDcOverC, 0.1, 0.5, maxDcOverC, 1000, 1000, 1, 0, 1e-4f, 1e-6, 1, 1.0,
                       2.0, 5.0, 60.0);
    L.SetSolventAndParticle(20.0, 0.73, 0.99823, 1.0);
}

// D of a compact protein of frictional ratio 1.2 at vbar 0.73: D = k s^(-1/2)
// (about 6e-7 cm^2/s at 5 S).
inline double benchD(double s) { return 1.34e-6 / std::sqrt(s); }

// The headers of the scan files the distribution benchmarks write: absorbance
// scans of cell 1 at 50000 rpm and 20 degrees, every 180 s from 600 s
// (element 0 unused).
inline std::vector<ScanHeader> benchScanFileHeaders(int nScans)
{
    std::vector<ScanHeader> headers(nScans + 1);
    std::memset(headers.data(), 0, sizeof(ScanHeader) * headers.size());
    const double w = 50000 * 2 * M_PI / 60;
    for (int k = 1; k <= nScans; ++k) {
        ScanHeader& h = headers[k];
        h.time = h.timeWritten = h.timeRead = 600.0 + 180.0 * (k - 1);
        h.dataType = 'R';
        h.cell = 1;
        h.temperature = 20.0f;
        h.rpm = 50000.0f;
        h.omega2t = w * w * h.time;
        h.wavelength = 280;
        h.count = 1;
        h.accelRate = 1e6;
        std::snprintf(h.title, sizeof h.title, "benchmark scan %d", k);
    }
    return headers;
}
