// The Data-menu commands around the scan data set: the load commands (they
// fill the selection buffer or the pending list and call the loaders) and the
// commands that write fits, residuals, noise and raw data back to disk. The
// command handlers are members of the main window (app/xla_window.h).
#pragma once

#include <string>

// The selection buffer of the load dialogs (128000 characters), defined with
// the main window's open-file record: one full path, or a directory followed
// by names, each ended by a NUL, the whole ended by a second NUL.
extern char szOpenFileNames[128000];

// Path handed to the experiment-file reader.
extern char szXpFileName[260];
// Parts of the chosen or first file of a load.
extern char szSelDrive[260];
extern char szSelDir[260];
extern char szSelName[260];
extern char szSelExt[260];
// The file name the save dialogs start from.
extern char szFitFileTemplate[260];

class TXLAWindow;

// Sets the caption (szWindowTitle, already filled with the new one) and loads
// the selection buffer with LoadAllData. After a load that fails the caption
// names what is loaded: the one it replaced while the set before is still
// there, else the window's own. False when it failed.
bool loadSelectionUnderCaption(TXLAWindow* pWindow, const char* szOldCaption);

// The writers behind the save commands; each path is the one chosen in the
// command's dialog.
void saveFitFiles(const char* szPath, bool bConvertToAbsorbance);
// The file of scan i's fit ('f') or residuals ('r') for the chosen path: the
// chosen folder, the scan's name with its first letter replaced, the scan's
// extension (the chosen name and the scan's extension under the old file-name
// convention).
std::string fitOutputPath(const std::string& chosen, int i, char cFirst);
void saveResidualFiles(const char* szPath);
void saveTiNoiseFile(const char* szPath);
void saveNoiseFile(const char* szPath);
void saveRawDataSet(const char* szPath);
void saveRawDataSetCheck(const char* szPath);
void saveIntensityAsAbsorbance();
void saveIntensityAsPseudoAbsorbance();

// The name of a scan under the speed and wavelength rule ("20k280_A012.RI1",
// a corrected copy "tcorr_20k280_012.RA1").
void speedWavelengthFileName(int nScan, char* szOut, int nSize);
