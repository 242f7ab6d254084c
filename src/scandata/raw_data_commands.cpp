// What the raw-data commands share.
#include "scandata/raw_data_commands.h"

#include "app/xla_window.h"
#include "scandata/scan_data.h"
#include "scandata/scan_messages.h"

void offerSaveRawDataSet(TXLAWindow* pWindow, const char* szQuestion)
{
    if (!scanYesNoBox(szQuestion, "")) return;
    // through the response table, as the menu would run it
    pWindow->EvCommand(CM_SAVE_RAW_DATA_SET, nullptr, 0);
}

bool refuseDlsData()
{
    if (!bDLSData) return false;
    scanInfoBox("not implemented for DLS data", "ERROR");
    return true;
}
