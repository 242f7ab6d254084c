// A cheap summary of the loaded scan data set, so that state built for one
// set can tell later whether the loaded data still match it.
#pragma once

#include "scandata/scan_header.h"

class CSVDataFingerPrint {
public:
    CSVDataFingerPrint();
    ~CSVDataFingerPrint();
    CSVDataFingerPrint(const CSVDataFingerPrint&) = delete;
    CSVDataFingerPrint& operator=(const CSVDataFingerPrint&) = delete;

    // Records n scans: headers and point counts 1..n, and each scan's value
    // at the middle index of the longest scan from the per-scan arrays. The
    // value arrays hold nValueLength entries each (the noise grid), or, when
    // it is 0, as many as the scan's point count; the sampled index stays
    // inside them.
    void Set(int n, const ScanHeader* pHeaders, const int* pCounts, float* const* ppValues,
             int nValueLength = 0);
    // True when the data match what was recorded; counts and value arrays
    // may be null to skip those tests.
    bool Matches(int n, const ScanHeader* pHeaders, const int* pCounts, float* const* ppValues,
                 int nValueLength = 0) const;

    int nScans;
    int referenceScan;
    ScanHeader referenceHeader;
    int* pointCounts;
    int midIndex;
    float* midValues;
};
