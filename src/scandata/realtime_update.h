// The realtime update of files: during a run the instrument writes one scan
// file after another into one folder, named by a running five-digit number
// (00001.RA1, 00002.RA1, ...). Once a minute (window timer 13) the update
// looks for the next numbers; when new files have appeared it reloads the
// series (thinned to at most nRealtimeMaxFilesAtOnce files), runs the current
// model again, takes the systematic noise off the display, warns once about
// temperature drift and, for continuous distributions, widens or narrows the
// distribution range. A key, or a load error, stops it at the next tick.
//
// The commands (540 start, 541 stop) and the tick (TXLAWindow::EvTimer) are
// members of the main window; bRealtimeUpdate, bRealtimeError,
// bAbortRequested and the two status texts live with the window's globals
// (app/app_globals.h).
#pragma once

#include "platform/win.h"

class TXLAWindow;

inline constexpr int nRealtimeNameSize = 260;

extern unsigned char bRealtimeStopping;      // the update is being ended: further ticks are ignored
extern int nRealtimeTimerId;                 // 13
extern int nRealtimeTimerMs;                 // 60000
extern int nRealtimeMaxFilesAtOnce;          // default 20
extern int nRealtimeMaxFileNumber;           // 1000: highest number looked for
// Path found for each file number, 0..nRealtimeMaxFileNumber ("" = none);
// null while the update does not run.
extern char (*ppRealtimeFileName)[nRealtimeNameSize];
extern int nRealtimeFirstNumber;             // number of the earliest loaded scan file
extern int nRealtimeLastNumber;              // highest number found so far
extern int nRealtimeLastPolled;              // highest number at the previous look
extern unsigned char bRealtimeForceReload;   // reload and run at the next tick without new files
extern unsigned char bRealtimeNoAutoRange;   // "auto adjust distribution range?" was answered No
extern unsigned char bRealtimeTemperatureWarned;
extern unsigned char bRealtimeLoadAllCells;  // test mode: "load data from all cells?" answered Yes
extern win::SYSTEMTIME stLastChange;         // local time of the last reload
// The selection handed to the loader: folder, NUL, each name with its NUL, NUL.
inline constexpr int nRealtimeFileListSize = 128000;
extern char szRealtimeFileList[nRealtimeFileListSize];

// Looks for new files and, when there are (or a reload is forced), reloads the
// series; true when it did.
bool checkForNewFiles(TXLAWindow* pWindow);
// Walks the file numbers on from the previous look; true when higher numbers
// were found.
bool pollNewScanFiles();
// The selection of the numbers found, from the earliest loaded one on.
void buildRealtimeFileList();
// Once per start: a box when a scan's temperature differs from the earliest
// scan's by 1 degree or more.
void checkTemperatureDrift(TXLAWindow* pWindow);
// Widens (x 1.5) or narrows (x 0.9) the upper end of the distribution grid by
// the share of the distribution in its last grid interval, and asks for a
// reload when it did.
void autoAdjustDistributionRange();
