// Loading and releasing the scan data set. The list loaders and the
// appending loader are members of the main window (app/xla_window.h).
#pragma once

class TXLAWindow;

// Loads the scans of an open-dialog selection: a directory followed by file
// names, each ended by a NUL, the whole ended by an empty string; or one full
// path and no name. Every nLoadEveryNth-th name is taken. On failure the set
// is empty (or, when the user declines a one-file load, as it was) and the
// result is false. The window (required) owns the messages and the plots.
bool LoadAllData(TXLAWindow* pWindow, char* szSelection);

// Reads one scan file as the initial condition of the model into
// hdrInitialScan and the extrapolation arrays; 1 on success, else 0.
int setInitialData(TXLAWindow* pWindow, const char* szPath);

// Releases the whole set.
void freeScanData();
