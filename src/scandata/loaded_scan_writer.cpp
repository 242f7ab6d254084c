// Writing scans of the loaded set.
#include "scandata/loaded_scan_writer.h"

#include <string>
#include <vector>

#include "plot/error_box.h"
#include "scandata/scan_file.h"

bool writeLoadedScan(const char* szPath, int n, float* pR, float* pSignal, float* pThird, const char* szTitle,
                     unsigned char bMarker, ScanHeader* pHeader) {
    const char c = pHeader->dataType;
    if (c != 'I' && c != 'V') return writeScanFile(szPath, n, pR, pSignal, pThird, szTitle, bMarker, pHeader);
    std::vector<float> zeros;
    if (!pThird) {
        zeros.assign(static_cast<size_t>(n) + 1, 0.0f);
        pThird = zeros.data();
    }
    return writeScanFile(szPath, n, pR, pThird, pSignal, szTitle, bMarker, pHeader);
}

void reportUnwritableFile(const char* szPath) {
    std::string msg = std::string("\n\aAttention: could not open ") + szPath;
    showErrorMessage(msg.c_str(), 0);
}
