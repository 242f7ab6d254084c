// Raw-data editing tools: undo the radial stretch of the spinning rotor, split
// six-channel equilibrium scans, cut a radial region out of every scan, store
// aligned interference scans, and drop one point from a scan's file.
#pragma once

// Stretch module (radial shift per (krpm)^2, cm) of the rotors.
inline constexpr float fStretchModuleRotor4 = 8.62e-6f;
inline constexpr float fStretchModuleRotor8 = 9.59e-6f;

// Shifts every scan by -module (rpm / 1000)^2 cm. With bSave the shifted
// scans are written into the directory of szPath, each named by its elapsed
// time with its own extension, the loaded scans staying as they are (with
// bRename they take the new names, for a reload); without bSave nothing is
// written and the loaded scans are shifted. Written scans take the remembered
// parameter file with them into their directory. With bMaintainField each scan's
// speed becomes the one that keeps omega^2 r at the middle of the cell, and a
// loaded speed profile follows ("speedsteps.txt" beside written scans).
// Refuses light-scattering data.
void shiftScansForRotorStretch(float fModule, bool bSave, const char* szPath, bool bMaintainField, bool bRename);

// Writes the inner, middle and outer channel of each scan that covers both
// cuts (cm) as files "i", "m", "o" + the scan's name beside the parameter
// file. Cuts outside scan 1 or in the wrong order do nothing.
void saveSixChannelSubsets(float fCut1, float fCut2);

// Removes the points with r1 <= r <= r2 from every scan; nothing when the
// region is reversed or leaves scan 1's radial range, and nothing (with a
// message) when it holds every point of some scan.
void excludeRegion(float r1, float r2);

// Writes the loaded (aligned) scans into the directory of szPath: "a" in
// place of each name's first character (old file names: the chosen name with
// each scan's extension).
void alignInterferenceOffset(const char* szPath);

// Rewrites the file of a scan without one of its points (the loaded arrays
// stay); unless bKeepName the file gets "_mod" before its extension and the
// scan takes that name once the file is written. False when nothing was
// written (nothing is said).
bool noteModifiedFrom(int nScan, int nPoint, bool bKeepName);

// The point deletion of the main window: point nPoint of scan nScan leaves
// its file (noteModifiedFrom: the first removal writes "<name>_mod<ext>"
// beside the untouched original, later ones rewrite that copy) and then the
// loaded scan, whose noise grid and fit ranges follow. A scan keeps at least
// two points; a file that cannot be written is named. True when removed.
bool deleteScanPoint(int nScan, int nPoint);
