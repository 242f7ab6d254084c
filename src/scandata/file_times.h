// The three recorded times of a scan file (creation, last access, last write).
#pragma once

#include "scandata/scan_header.h"

// Reads the file's times into the header; false when they cannot be read.
bool getScanFileTimes(const char* szPath, ScanHeader* pHeader);

// Puts the header's recorded times back on the file, so a rewritten scan
// keeps the time stamps the time-stamp check relies on.
void putBackScanFileTimes(const char* szPath, const ScanHeader* pHeader);
