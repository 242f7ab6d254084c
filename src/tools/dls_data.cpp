// Light-scattering data cannot be loaded yet, so no headers are ever held.
#include "tools/dls_data.h"

#include "scandata/scan_data.h"

void freeDlsScanHeaders() {
    delete[] pDlsHeaders;
    pDlsHeaders = nullptr;
}
