// Paths built once at start-up (DataFilePaths).
//
// Two folders: the program directory, beside the executable, holds what ships
// with the program (sounds, the "bin" folder of plotting executables, the
// sibling programs); the working folder $XDG_CONFIG_HOME/morvex holds every
// file the program writes or the user may edit (settings files, tables,
// integration ranges) and the temporary folder "temp" inside it.
#pragma once

#include <cstddef>

extern char szProgramDir[260];            // ends with its separator
extern char szWorkDir[260];               // working folder, ends with its separator
extern char szDrellixExePath[260];
extern char szPlokaExePath[260];

// Settings files in the working folder.
extern char szParamsIniPath[260];         // "morvexparams.ini"
extern char szLastDirIniPath[260];        // "morvex.ini"
extern char szLammParamsIniPath[260];     // "morvexlammparams.ini"
extern char szSimAppEqParamsIniPath[260]; // "morvexsimappeqparams.ini"

// Tables, in the working folder.
extern char szDNonidPath[260];            // "dnonid.dat"
extern char szSNonidPath[260];            // "snonid.dat"
extern char szDensityTablePath[260];      // "density.dat"
extern char szViscosityTablePath[260];    // "viscosity.dat"
extern char szBoundaryFractsPath[260];    // "ppBoundaryFracts.dat"
extern char szNonIdCtotTablePath[260];    // "ppNonIdCtotTable.dat"
extern char szMofsPath[260];              // "mofs.dat"
extern char szWormChainMofsPath[260];     // "~WormChain_mofs.dat"
extern char szIntegrRangeFilePath[260];   // "integratrangefile.txt"
extern char szIntegrRangeFilePath2[260];  // the same file

// Plotting executables in the program's "bin" folder, with their presence
// flags (set by checkPlotExecutables).
extern char szPlot3dExePath[260];
extern char szMovieExePath[260];
extern char szDataFitResExePath[260];
extern char szDataFitResDistExePath[260];
extern char szSizeShapeExePath[260];
extern char szStructureExePath[260];
extern unsigned char bHavePlot3dExe;
extern unsigned char bHaveMovieExe;
extern unsigned char bHaveDataFitResExe;
extern unsigned char bHaveDataFitResDistExe;
extern unsigned char bHaveSizeShapeExe;
extern unsigned char bHaveStructureExe;

// Fills every path from the program directory (null: the folder of the
// running executable) and the working folder, and creates the temporary
// folder szTempDir when it is missing. Returns 1 when the temporary folder
// exists afterwards.
int setUpDataFilePaths(const char* szProgramDirectory = nullptr);

// The folder of the running executable, ending with "/".
const char* runningProgramDir();

// An outside program is present when a file lies at its path, or when a
// program is configured for its file name in programs.ini (the rule by which
// a start finds it).
bool outsideProgramPresent(const char* szPath);

// Sets the presence flags of the six plotting executables and deletes the
// Plot items 878 to 883 of the main window's menu whose executable is missing.
class TXLAWindow;
void checkPlotExecutables(TXLAWindow* pWindow);

// Builds the full path of a file of the working folder.
void workFilePath(char* szOut, const char* szName);

// The longest working folder (with its final "/") whose files' paths fit
// the 260 characters they are kept in; a longer one would leave them empty
// or, cut, name other folders.
size_t longestWorkingFolder();
