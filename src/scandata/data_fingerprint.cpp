// Data fingerprint of the scan data set.
#include "scandata/data_fingerprint.h"

#include <cmath>
#include <cstring>

#include "numerics/nrutil.h"

CSVDataFingerPrint::CSVDataFingerPrint()
    : nScans(0), referenceScan(1), referenceHeader(), pointCounts(nullptr), midIndex(1),
      midValues(nullptr) {}

CSVDataFingerPrint::~CSVDataFingerPrint() {
    free_ivector(pointCounts, 1, nScans);
    free_vector(midValues, 1, nScans);
}

void CSVDataFingerPrint::Set(int n, const ScanHeader* pHeaders, const int* pCounts,
                             float* const* ppValues, int nValueLength) {
    free_ivector(pointCounts, 1, nScans);
    free_vector(midValues, 1, nScans);
    pointCounts = nullptr;
    midValues = nullptr;
    nScans = n > 0 ? n : 0;
    std::memset(&referenceHeader, 0, sizeof(referenceHeader));
    if (nScans == 0) return;

    pointCounts = ivector(1, nScans);
    midValues = vector(1, nScans);
    int nLongest = 0;
    for (int i = 1; i <= nScans; ++i) {
        pointCounts[i] = pCounts ? pCounts[i] : 0;
        if (pointCounts[i] > nLongest) nLongest = pointCounts[i];
    }
    midIndex = nLongest / 2;
    if (nValueLength > 0 && midIndex > nValueLength) midIndex = nValueLength;
    if (midIndex < 2) midIndex = 1;
    // A scan shorter than the sampled index records 0 there.
    for (int i = 1; i <= nScans; ++i) {
        int nLength = nValueLength > 0 ? nValueLength : pointCounts[i];
        midValues[i] = (ppValues && ppValues[i] && midIndex <= nLength) ? ppValues[i][midIndex] : 0.0f;
    }

    if (pHeaders && referenceScan >= 1 && referenceScan <= nScans) {
        const ScanHeader& h = pHeaders[referenceScan];
        referenceHeader.dataType = h.dataType;
        referenceHeader.cell = h.cell;
        referenceHeader.temperature = h.temperature;
        referenceHeader.rpm = h.rpm;
        referenceHeader.time = h.time;
        referenceHeader.wavelength = h.wavelength;
        referenceHeader.timeWritten = h.timeWritten;
    }
}

bool CSVDataFingerPrint::Matches(int n, const ScanHeader* pHeaders, const int* pCounts,
                                 float* const* ppValues, int nValueLength) const {
    if (nScans == 0 || n != nScans) return false;
    if (pCounts)
        for (int i = 1; i <= n; ++i)
            if (pCounts[i] != pointCounts[i]) return false;
    if (ppValues) {
        for (int i = 1; i <= n; ++i) {
            // Read only where the array reaches the sampled index, as recorded.
            int nLength = nValueLength > 0 ? nValueLength : (pCounts ? pCounts[i] : pointCounts[i]);
            float v = (ppValues[i] && midIndex <= nLength) ? ppValues[i][midIndex] : 0.0f;
            if (!(std::fabs(midValues[i] - v) <= 1e-6f)) return false;
        }
    }
    if (!pHeaders) return false;
    const ScanHeader& h = pHeaders[referenceScan];
    return h.dataType == referenceHeader.dataType && h.cell == referenceHeader.cell &&
           h.temperature == referenceHeader.temperature && h.rpm == referenceHeader.rpm &&
           h.time == referenceHeader.time && h.wavelength == referenceHeader.wavelength &&
           h.timeWritten == referenceHeader.timeWritten;
}
