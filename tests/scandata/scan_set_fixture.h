// A scan data set put together in memory, for tests of what works on it.
#pragma once

#include <vector>

namespace scantest {

struct MemoryScan {
    std::vector<float> r;  // radii, cm
    std::vector<float> s;  // signal
    double time = 0.0;
};

// Replaces the loaded set by these scans (names "scanN.IP1", time order from
// the times) with fit 0 and residual = signal; no noise grid yet.
void installScans(const std::vector<MemoryScan>& scans);

// Clears the data-type flags, geometry, fit limits and the set.
void resetScanState();

}  // namespace scantest
