// Serialised batch fits: the analysis of the loaded data set repeated over a
// series of similar data sets without further questions per set (by cell
// number and subdirectory, by the "list.*" files of the data directory, or
// by the watch file of the plotting program PLOKA), with the distribution,
// its integrals, Monte-Carlo statistics, the numerical errors and the DRELLIX
// export written beside each set.
//
// While a series runs, bSerialFitRunning (fit_globals.h) is set: the
// numerical routines then show no boxes and leave their failure in
// nNumericalErrorCode (distributions/conti_globals.h), which the series
// writes into the set's "error.txt". Every exit of a series puts the flags
// it set and the time-stamp check back.
#pragma once

#include <string>

class TXLAWindow;

// A Monte-Carlo analysis runs per set.
extern unsigned char bSerialMonteCarlo;
// The PLOKA-monitored series runs; its items are list files (not ranges of
// scan numbers).
extern unsigned char bSerialPlokaMode;
extern unsigned char bSerialFromListOfLists;

// Integration ranges of a series: up to 10, each s min and max and, for the
// c(s,ff0) models, f/f0 min and max.
inline constexpr int nMaxSerialRanges = 10;
struct SerialRange {
    float fSMin = 0.0f;
    float fSMax = 0.0f;
    float fFf0Min = 0.0f;
    float fFf0Max = 0.0f;
};
extern SerialRange serialRanges[nMaxSerialRanges + 1];  // 1..nSerialRanges
extern int nSerialRanges;

// The items of the PLOKA-monitored series, 1..nItems: the list file, the set
// name (which names the result files) and, once processed, its rmsd,
// meniscus and frictional ratio.
inline constexpr int nSerialSeriesCapacity = 1000;
inline constexpr int nSerialListPathSize = 260;
inline constexpr int nSerialSetNameSize = 256;
struct SerialItem {
    char szListPath[nSerialListPathSize];
    char szSetName[nSerialSetNameSize];
    float fRmsd;
    float fMeniscus;
    float fFrictionalRatio;
    unsigned char bProcessed;
};
struct SerialSeries {
    int nItems = 0;
    SerialItem* pItems = nullptr;  // 1..nSerialSeriesCapacity; null until the first watch file
};
extern SerialSeries serialSeries;
// Releases the items (nItems := 0).
void freeSerialSeries();

// The data directory of the PLOKA-monitored series (ending in a separator)
// and its watch file ("listOfLists.txt" or "toBeProcessed.txt" in it).
extern char szSerialDataDir[260];
extern char szSerialWatchFile[260];

// The text of a numerical error code: 1..10 from the table, above 10 "error
// occured (invalid error code)"; "" for 0 and below.
const char* serialErrorText(int nCode);
// Writes "error.txt" into the directory (ending in a separator) with the
// text of nNumericalErrorCode, when the code is above 0; true when it wrote.
bool writeSerialErrorFile(const std::string& dir);

// A scan is saturated: the first point of each scan with 6.9 < r < 7.0 cm
// above 1.8 (absorbance) or 3900 (fluorescence and intensity); never for
// interference data.
bool isSignalMaxedOut();

// The PLOKA-monitored series: the questions, the start of PLOKA on the data
// directory and the wait for its watch file; true when the file is there.
bool prepareSerialPlokaWatch(TXLAWindow* pWindow);
// Reads the watch file into serialSeries (list files, or scan-number ranges
// turned into list files by createSerialList); true to go on.
bool readSerialWatchFile(TXLAWindow* pWindow);
// Collects the scan files szSerialDataDir + prefix + "%05d" + "." + extension
// from nFirst to nLast (by nStep after each file found, by 1 after each
// missing number; at most 1000 files) and writes them as the list file
// named szListName (with the first file's extension) in their folder; true,
// with its path in szListPath (260 characters), when at least 2 were found.
bool createSerialList(TXLAWindow* pWindow, const char* szListName, const char* szPrefix, const char* szExtension,
                      int nFirst, int nLast, int nStep, char* szListPath);
// Runs the per-set sequence over the items of serialSeries.
void runSerialListSeries(TXLAWindow* pWindow);
// Writes "distFinis.txt" into szSerialDataDir (one line per processed item)
// and releases the items; true when written.
bool writeDistFinis(TXLAWindow* pWindow);
