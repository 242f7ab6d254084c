// Scans of a constant-speed run for the solver benchmarks: every 100 s at
// 50000 rpm and 20 degrees, radii evenly over 6.0..7.2 cm.
#pragma once

#include <cmath>
#include <cstring>
#include <vector>

#include "scandata/scan_header.h"

inline void fillBenchScans(std::vector<ScanHeader>& headers, int nScans, float* radii, int nPoints)
{
    headers.assign(static_cast<size_t>(nScans) + 1, ScanHeader{});
    std::memset(headers.data(), 0, sizeof(ScanHeader) * headers.size());
    const double w = 50000 * 2 * M_PI / 60;
    for (int k = 1; k <= nScans; k++) {
        ScanHeader& h = headers[k];
        h.time = h.timeWritten = h.timeRead = 100.0 * k;
        h.rpm = 50000;
        h.temperature = 20;
        h.omega2t = w * w * h.time;
        h.accelRate = 1e6;
    }
    for (int i = 1; i <= nPoints; i++) radii[i] = (float)(6.0 + 1.2 * (i - 1) / (nPoints - 1));
}
