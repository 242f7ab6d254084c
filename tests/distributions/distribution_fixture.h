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
