// Loading and releasing the scan data set. The list loaders and the
// appending loader are members of the main window (app/xla_window.h).
#pragma once

#include <string>

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

// A new set of n scans with empty slots (no file names, no arrays), in index
// order; the loaded set must have been released. A slot is filled by giving
// it a file name (260 characters), a header, a point count and radius and
// signal vectors, then completeScanArrays.
void allocScanDataSet(int n);
// Scan i's fit, model-part and residual vectors (the residual a copy of the
// signal) and the views and curves the plots draw.
void completeScanArrays(int i);
// The temporary-parameter file and the distribution grid file "sdist"
// beside the scans in drive + dir (named after scan 1's file), or in
// szSideFileFolder when it is set.
void setDataSidePaths(const std::string& drive, const std::string& dir);
// The time order of the scans by increasing time; equal times keep their
// index order.
void sortScansByTime();
