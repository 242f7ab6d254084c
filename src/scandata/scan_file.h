// Radial scan files: one scan per text file, a title line, a header line with
// the run conditions and one line per radial point. The format is described
// in docs/scandata.md.
#pragma once

#include "scandata/scan_header.h"

// Points the last readScanFile left out because a number the scan keeps
// (radius, signal, third column where it is kept) is not a finite single
// precision number ("nan", "inf", 1e300); the loaders say how many.
extern int nScanFilePointsLeftOut;
// Why the last readScanFile failed ("is empty", "line 2 is no scan header:
// ..."); empty after a success.
extern char szScanFileProblem[200];

// Reads one scan file. The header, the point count and one-based radius and
// signal vectors (1..count, owned by the caller) are filled; the third column
// when the layout holds one and a pointer is given (else it is set to null).
// The time-stamp flag, when given, tells whether the title carries a
// time-stamp marker. A radial resolution above 0 averages points closer than
// it. Returns 1 on success, 0 when the file cannot be read (no message; the
// reason is left in szScanFileProblem).
int readScanFile(const char* szPath, ScanHeader* pHeader, int* pnPoints, float** ppR,
                 float** ppS, float** ppThird, unsigned char* pbTimeStampFlag,
                 float fResolution);

// Writes n points of the one-based arrays (the third column may be null) with
// the title (null: the header's) and line 2 from the header, then puts back
// the header's file times when it holds valid ones. Every title written
// carries a time-stamp marker. False when the file could not be written.
bool writeScanFile(const char* szPath, int n, float* pR, float* pS, float* pThird,
                   const char* szTitle, unsigned char bMarker, ScanHeader* pHeader);

// Time-stamp markers of a title.
inline constexpr const char* szTimeStampCorrectedMarker = "[TIMESTAMP CORRECTED";
inline constexpr const char* szTimeStampOkMarker = "[T OK]";
