// The one writer of scans of the loaded set (and of curves in their place):
// intensity data go back in the order of their file.
#pragma once

#include "scandata/scan_header.h"

// Writes n points of radius, signal and third column (may be null) as a scan
// file (writeScanFile). The loader keeps an intensity scan's signal from the
// file's third column and its second column as the third column; for a header
// of intensity data ('I', 'V') both go back to their places in the file (a
// missing third column as zeros), so a written intensity scan reloads with
// the same signal and third column. False when the file could not be written
// (nothing is said; the callers say it once for all their files).
bool writeLoadedScan(const char* szPath, int n, float* pR, float* pSignal, float* pThird, const char* szTitle,
                     unsigned char bMarker, ScanHeader* pHeader);

// The message of a file that could not be written: "Attention: could not
// open <path>" in the error box.
void reportUnwritableFile(const char* szPath);
