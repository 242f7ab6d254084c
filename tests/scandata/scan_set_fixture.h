// A scan data set put together in memory, for tests of what works on it.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "app/xla_window.h"

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

// Tests that load scan files into a (headless) main window: an empty set and
// pending list before and after, every file loaded, no time-stamp check
// (it has tests of its own).
class LoadingTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    TXLAWindow window{nullptr, "Sedimentation Analysis"};
};

}  // namespace scantest
