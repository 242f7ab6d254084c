// The common file dialogs as the commands ask for them.
#pragma once

class TXLAWindow;

// The open dialog (bSave 0) or the save dialog with the overwrite question
// (bSave 1) on the path in szPath (nSize characters, 999 by the callers),
// with the title, default extension (null: none) and filter pairs written
// "description|pattern|description|pattern|". True with the chosen path in
// szPath; false on Cancel (szPath is then empty).
bool AskFileName(TXLAWindow* pWindow, int bSave, char* szPath, int nSize, const char* szTitle,
                 const char* szDefExt, const char* szFilter);

// The save dialog on the path in szPath with the title (null: "select files")
// and the filter "All Files (*.*)"; the callers ask themselves before
// overwriting. True with the chosen path in szPath (cut to nSize - 1
// characters); false on Cancel with szPath as it was.
bool AskSaveFileName(TXLAWindow* pWindow, char* szPath, int nSize, const char* szTitle, const char* szDefExt);

// A save dialog on the main window's standing file-dialog record, lent for
// this one question and set back afterwards: szPath (nSize characters) holds
// the proposed name and receives the chosen path; with bOverwritePrompt an
// existing file is confirmed first. False on Cancel.
bool AskSaveWithWindowRecord(TXLAWindow* pWindow, char* szPath, int nSize, const char* szTitle, bool bOverwritePrompt);
