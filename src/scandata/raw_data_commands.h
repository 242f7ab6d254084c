// What the raw-data commands share.
#pragma once

class TXLAWindow;

// Command id of Save Raw Data Set.
inline constexpr unsigned CM_SAVE_RAW_DATA_SET = 263;

// The tools' last question ("save data?", "save new data?"; empty caption):
// Yes runs Save Raw Data Set.
void offerSaveRawDataSet(TXLAWindow* pWindow, const char* szQuestion);

// Light-scattering records are no radial scans: the information sound and
// "not implemented for DLS data" (ERROR); true when they are loaded.
bool refuseDlsData();
