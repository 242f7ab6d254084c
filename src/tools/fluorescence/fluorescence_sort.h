// Sorting fluorescence scan files by detector setting into the subfolder
// "sorted" of their folder (Options > Fluorescence Tools > Sort Fluorescence
// Data To Disk, command 903).
//
// A detector setting is named by the key "%s_%c_PMV%d_r%d_g%d": the file's
// extension with its dot, the first letter of its name, the photomultiplier
// voltage rounded down, the range and the gain from the scan's header. A copy
// is named like its source without the first letter, with the key as
// extension, and carries the file times recorded in the source's header.
#pragma once

#include <string>

struct ScanHeader;
class TXLAWindow;

// The setting key of a scan file.
std::string fluorescenceSettingKey(const char* szPath, const ScanHeader& header);

// Copies every scan file of the loaded set's folder that looks like a
// fluorescence scan ("A0..." or "B0..." with an extension beginning "F") and
// is larger than half the first file, walked in ascending byte order of the
// names; skips the reference cell and, with bExcludeWeak, files whose signal
// inside [fRMin, fRMax] falls below fMinSignal or whose noise exceeds
// fMaxNoise. With bMakeLists and nTargetScans > 0 it also writes one list per
// setting with scans at least (fTMax - fTMin) / nTargetScans apart after
// fTMin. False (after a message) when a file does not read or a copy fails;
// the copies made so far stay.
bool sortFluorescenceFolder(TXLAWindow* pWindow, bool bMakeLists, float fTMin, float fTMax, int nTargetScans,
                            int nReferenceCell, bool bExcludeWeak, float fRMin, float fRMax, float fMinSignal,
                            float fMaxNoise);
// Copies the loaded scans' files, in time order, into "sorted" under their
// setting keys; no filter and no lists. False when a copy fails.
bool sortLoadedFluorescenceData(TXLAWindow* pWindow);
