// The data fingerprint tells whether the loaded data are still the ones an
// analysis recorded.
#include <gtest/gtest.h>

#include <vector>

#include "numerics/nrutil.h"
#include "scandata/data_fingerprint.h"

namespace {

// Three scans of 10, 20 and 30 points with values 100 i + k; their arrays
// reach 30 points each, as a scan's arrays may hold more than its points.
struct Data {
    std::vector<ScanHeader> headers = std::vector<ScanHeader>(4);
    std::vector<int> counts{0, 10, 20, 30};
    std::vector<std::vector<float>> values;
    std::vector<float*> ptrs;
    Data() {
        for (int i = 1; i <= 3; ++i) {
            headers[i].dataType = 'P';
            headers[i].cell = 2;
            headers[i].temperature = 20.0f;
            headers[i].rpm = 50000.0f;
            headers[i].time = 600.0 * i;
            headers[i].timeWritten = 600.0 * i;
            headers[i].wavelength = 660.0f;
        }
        values.resize(4);
        ptrs.assign(4, nullptr);
        for (int i = 1; i <= 3; ++i) {
            values[i].assign(31, 0.0f);
            for (int k = 1; k <= 30; ++k) values[i][k] = 100.0f * i + k;
            ptrs[i] = values[i].data();
        }
    }
};

}  // namespace

TEST(DataFingerPrint, MatchesOnlyTheRecordedData) {
    Data d;
    CSVDataFingerPrint fp;
    EXPECT_FALSE(fp.Matches(3, d.headers.data(), d.counts.data(), nullptr));  // nothing recorded

    fp.Set(3, d.headers.data(), d.counts.data(), d.ptrs.data());
    EXPECT_EQ(fp.midIndex, 15);  // half the longest scan
    EXPECT_TRUE(fp.Matches(3, d.headers.data(), d.counts.data(), nullptr));
    EXPECT_TRUE(fp.Matches(3, d.headers.data(), d.counts.data(), d.ptrs.data()));

    // The same data again (a reload of the same files) still match.
    Data again;
    EXPECT_TRUE(fp.Matches(3, again.headers.data(), again.counts.data(), again.ptrs.data()));

    // One scan more, another point count, a corrected time of the reference scan.
    EXPECT_FALSE(fp.Matches(4, d.headers.data(), d.counts.data(), nullptr));
    d.counts[2] = 21;
    EXPECT_FALSE(fp.Matches(3, d.headers.data(), d.counts.data(), nullptr));
    d.counts[2] = 20;
    d.headers[1].time = 606.0;
    EXPECT_FALSE(fp.Matches(3, d.headers.data(), d.counts.data(), nullptr));
    d.headers[1].time = 600.0;
    // Fields of other scans are not part of the fingerprint.
    d.headers[2].rpm = 1.0f;
    EXPECT_TRUE(fp.Matches(3, d.headers.data(), d.counts.data(), nullptr));

    // Scan 1 is shorter than the sampled index: its values are not read.
    d.values[1][10] = 0.0f;
    EXPECT_TRUE(fp.Matches(3, d.headers.data(), nullptr, d.ptrs.data()));
    d.values[3][15] = 0.0f;
    EXPECT_FALSE(fp.Matches(3, d.headers.data(), nullptr, d.ptrs.data()));
}

TEST(DataFingerPrint, ValueToleranceAndShortArrays) {
    Data d;
    for (int i = 1; i <= 3; ++i) d.values[i].assign(d.counts[i] + 1, 0.25f);
    CSVDataFingerPrint fp;
    fp.Set(3, d.headers.data(), d.counts.data(), d.ptrs.data());
    d.values[2][15] = 0.25f + 5e-7f;
    EXPECT_TRUE(fp.Matches(3, d.headers.data(), d.counts.data(), d.ptrs.data()));
    d.values[2][15] = 0.25f + 2e-6f;
    EXPECT_FALSE(fp.Matches(3, d.headers.data(), d.counts.data(), d.ptrs.data()));

    // Value arrays on a grid shorter than the sampled index: the index stays
    // inside them (the sanitizer build would catch a read beyond).
    std::vector<float*> grid(4, nullptr);
    for (int i = 1; i <= 3; ++i) {
        grid[i] = vector(1, 8);
        for (int k = 1; k <= 8; ++k) grid[i][k] = i + 0.1f * k;
    }
    fp.Set(3, d.headers.data(), d.counts.data(), grid.data(), 8);
    EXPECT_EQ(fp.midIndex, 8);
    EXPECT_FLOAT_EQ(fp.midValues[2], 2.8f);
    EXPECT_TRUE(fp.Matches(3, d.headers.data(), nullptr, grid.data(), 8));
    grid[3][8] += 0.01f;
    EXPECT_FALSE(fp.Matches(3, d.headers.data(), nullptr, grid.data(), 8));
    for (int i = 1; i <= 3; ++i) free_vector(grid[i], 1, 8);
}
