// Paths of the time-to-equilibrium result files.
#pragma once

#include <string>

class TXLAWindow;

// The first free result path "optimizedoverspeedsteps%d/optimizedoverspeedsteps%d.txt"
// (with bBackup "backupoptimizedoverspeedsteps%d/...") under the temporary
// folder: the number whose speed-steps file does not exist yet. Creates its
// folder; a folder that cannot be made is reported ("could not create new
// config directory"; the backup folder silently) and false returned, the
// path staying as chosen.
bool chooseTimeToEqResultPath(TXLAWindow* pWindow, bool bBackup, char* szPath, int nSize);

// The folder of a path with its trailing separator ("" without one).
std::string timeToEqFolderOf(const char* szPath);
// The path with its extension replaced (or added): "a/b.txt", "EQU" -> "a/b.EQU".
std::string timeToEqWithExtension(const char* szPath, const char* szExt);
// The extension with its dot ("" without one).
std::string timeToEqExtensionOf(const char* szPath);
