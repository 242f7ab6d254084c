// Analysis of the scans' rotor speeds.
#include "scandata/speed_analysis.h"

#include <cmath>
#include <vector>

bool scansHaveVariableSpeed(int n, const ScanHeader* pHeaders) {
    for (int i = 2; i <= n; ++i)
        if (std::fabs(pHeaders[i].rpm - pHeaders[1].rpm) >= 10.0f) return true;
    return false;
}

bool analyseScanSpeeds(int n, const ScanHeader* pHeaders, unsigned char* pbApproach,
                       unsigned char* pbChanges) {
    if (!scansHaveVariableSpeed(n, pHeaders)) {
        *pbApproach = 0;
        *pbChanges = 0;
        return false;
    }
    *pbChanges = 1;
    *pbApproach = 0;
    std::vector<float> speeds{pHeaders[1].rpm};
    for (int i = 1; i <= n; ++i) {
        const ScanHeader& h = pHeaders[i];
        for (int k = 1; k <= n; ++k)
            if (h.rpm < pHeaders[k].rpm && h.time > pHeaders[k].time) *pbChanges = 0;
        if (h.time > 36000.0)
            for (float w : speeds)
                if (h.rpm < w) *pbApproach = 1;
        // by value: the header is packed, its fields are not aligned
        const float fRpm = h.rpm;
        bool bKnown = false;
        for (float w : speeds)
            if (w == fRpm) bKnown = true;
        if (!bKnown) speeds.push_back(fRpm);
    }
    if (speeds.size() < 2) *pbChanges = 0;
    for (int i = 2; i <= n; ++i)
        if (pHeaders[i].cell != pHeaders[1].cell ||
            std::fabs(pHeaders[i].wavelength - pHeaders[1].wavelength) >= 10.0f)
            *pbApproach = 1;
    return true;
}
