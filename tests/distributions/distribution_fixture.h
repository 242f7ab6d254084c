// Distribution tests: water at 20 degrees Celsius, the grid file "sdist" in a
// folder of the test's own, and helpers to read it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

class DistributionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The grid file's lines, and a grid file with these lines.
    std::vector<std::string> gridFileLines() const;
    void writeGridFile(const std::vector<std::string>& lines) const;
    std::string folder;
};

// The local maxima of the shown c(s) as a record finds them (half-window 2,
// at most 10, highest first): their grid indices in elements 1.. (element 0
// unused).
std::vector<int> shownMaxima();

// A c(s) of three peaks and four maxima (for 1 to 10 S): 3 S and 4.2 S close
// enough that the extent of each (the walk of findPeakExtent) passes the
// other's valley, and a flat top at 7.1 S with two maxima whose walks cross
// the shallow dip between them.
float threePeaksFourMaxima(float s);
