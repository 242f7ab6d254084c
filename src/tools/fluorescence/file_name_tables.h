// Groups of scan files by a key, written as one list file per group: the
// sorting of fluorescence scans by detector setting fills them, and the
// serialised fits use them for the list files of their data sets.
//
// A key table of up to iMaxKeyNames texts and, per key index k, a table of up
// to iMaxFileNameTableSize full paths with the time of its last accepted
// scan. Tables are filled during one run of a command and emptied at its end;
// both free routines may be called when nothing is allocated.
#pragma once

class TXLAWindow;

inline constexpr int iMaxKeyNames = 1000;
inline constexpr int iMaxKeyNameLength = 256;     // characters with the terminator
inline constexpr int iMaxFileNameTables = 1000;
inline constexpr int iMaxFileNameTableSize = 1000;
inline constexpr int iMaxFileNamePath = 260;

// Keys 1..nKeyNames; null when not allocated.
extern char** ppKeyNames;
extern int nKeyNames;
// Per key index 1..iMaxFileNameTables: the paths 1..pFileNameTableCounts[k]
// (a table is allocated when its first path arrives), the count and the time
// (s) of the last accepted scan; iFileNameTables tables hold paths.
extern char*** pFileNameTables;
extern int* pFileNameTableCounts;
extern float* pFileNameTableTimes;
extern int iFileNameTables;

void allocKeyNames();
void freeKeyNames();
// The index of the key (compared exactly, so "_g2" and "_g20" are two keys),
// added when new; 0 when the table is full.
int findOrAddKeyName(const char* szKey);

void allocFileNameTables();
void freeFileNameTables();
// Adds the path to the table of its key when the time is after tMin and,
// unless it is the table's first scan, more than tMinSpacing after the
// table's last accepted scan and before tMax. A full key table, table count or
// table refuses the path with an "Attention" error box. True when added.
bool addToFileNameTable(const char* szPath, const char* szKey, float fTime, float fTMin, float fTMinSpacing,
                        float fTMax);
// Writes szListName (default "list") with the extension of its first path
// into that path's folder for every table that holds paths, in table order: "newformat n=1", the
// folder without its trailing separator, then one name per line; shows each
// list's path in the window at (50, 50 + table number). The last list's path
// goes into szLastListPath (260 characters) when given. False, after an
// "Attention" box, when a list cannot be written (the later ones are not).
bool writeFileNameTableLists(TXLAWindow* pWindow, char* szLastListPath, const char* szListName = "list");
