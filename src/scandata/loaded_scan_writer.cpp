// Writing scans of the loaded set.
#include "scandata/loaded_scan_writer.h"

#include <vector>

#include "scandata/scan_file.h"

void writeLoadedScan(const char* szPath, int n, float* pR, float* pSignal, float* pThird, const char* szTitle,
                     unsigned char bMarker, ScanHeader* pHeader) {
    const char c = pHeader->dataType;
    if (c != 'I' && c != 'V') {
        writeScanFile(szPath, n, pR, pSignal, pThird, szTitle, bMarker, pHeader);
        return;
    }
    std::vector<float> zeros;
    if (!pThird) {
        zeros.assign(static_cast<size_t>(n) + 1, 0.0f);
        pThird = zeros.data();
    }
    writeScanFile(szPath, n, pR, pThird, pSignal, szTitle, bMarker, pHeader);
}
