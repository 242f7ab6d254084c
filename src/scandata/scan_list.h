// List files and the pending file list: the full paths the list loaders
// load, and the text file that names a set of scans in one directory.
#pragma once

#include <string>
#include <vector>

class TXLAWindow;

// Drive and directory of the loaded scans (from the list path), ending in a
// separator.
std::string loadedScanDirectory();
// Full paths of the loaded scans in time order, without the scan with index
// nExclude (0: none).
std::vector<std::string> loadedScanPaths(int nExclude);
// Frees every entry and the table; nPendingFiles := 0.
void freeScanFileList();
// Builds the pending list from the loaded scans in time order, leaving out
// the scan with index nExclude (0: none).
void buildScanFileList(int nExclude);
// Writes "list" (or "list_corr") with the first scan's extension beside the
// scans, when the pending list holds the loaded set.
void writeScanListFile(unsigned char bCorrected);
// Reads the text of a list file: the step (from "newformat n=", else 1 and
// every "_" read as "."), all lines with "%" comments removed (the first is
// the directory), and the names, blank lines left out. False when the file
// cannot be opened.
bool readListFileLines(const char* szPath, int* pnStep, std::vector<std::string>* pLines,
                       std::vector<std::string>* pNames);
// Reads a list file into the pending list; 1 on success, 0 when the file
// cannot be opened or is refused.
int readScanListFile(TXLAWindow* pWindow, const char* szPath);
// Replaces the cell digit (0..8) ending every pending name's extension.
void setCellInFileList(int nCell);
// Replaces the last directory component of every pending path by n.
void setDirNumberInFileList(int n);
// Replaces the directory of every pending path.
void setDirInFileList(const char* szDir);
// True when every pending file can be opened.
bool filesInListExist();
