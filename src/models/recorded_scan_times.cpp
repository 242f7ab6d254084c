// The scans' times as recorded in their files.
#include "models/model_globals.h"
#include "scandata/scan_data.h"

void restoreRecordedScanTimes() {
    if (bElectrophoresisData || bDLSData) return;
    for (int i = 1; i <= nScans; ++i) pScanHeaders[i].time = pScanHeaders[i].timeRead;
}
