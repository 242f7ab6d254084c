// Common file dialogs and the one-line input dialog.
#pragma once

#include "platform/win_types.h"

namespace win {

class TWindow;

inline constexpr DWORD OFN_READONLY = 0x00000001;
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
inline constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
inline constexpr DWORD OFN_SHOWHELP = 0x00000010;
inline constexpr DWORD OFN_NOVALIDATE = 0x00000100;
inline constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
inline constexpr DWORD OFN_EXTENSIONDIFFERENT = 0x00000400;
inline constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
inline constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;
inline constexpr DWORD OFN_NOTESTFILECREATE = 0x00010000;
inline constexpr DWORD OFN_EXPLORER = 0x00080000;
inline constexpr DWORD OFN_LONGNAMES = 0x00200000;

// CommDlgExtendedError codes
inline constexpr DWORD CDERR_GENERALCODES = 0x0000;
inline constexpr DWORD CDERR_INITIALIZATION = 0x0002;
inline constexpr DWORD FNERR_SUBCLASSFAILURE = 0x3001;
inline constexpr DWORD FNERR_INVALIDFILENAME = 0x3002;
inline constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

// The dialog's record. lpstrFilter holds pairs "description\0pattern\0" ended
// by an extra "\0" (patterns separated by ";"); nFilterIndex counts from 1.
// lpstrFile presets the name field on entry (a name or a pattern such as
// "*.xp") and receives the choice: one full path, or with
// OFN_ALLOWMULTISELECT and several files "folder\0name\0name\0\0".
struct OPENFILENAME {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    void* lpfnHook;
    LPCSTR lpTemplateName;
};
using OPENFILENAMEA = OPENFILENAME;

// TRUE when files were chosen. The checks of the flags (file must exist,
// path must exist, overwrite prompt) are the dialog's; the default extension
// is added to a name without one. Unless OFN_NOCHANGEDIR, the process's
// current folder is the chosen folder afterwards. FALSE on Cancel
// (CommDlgExtendedError 0) and on failure (its code, e.g. a buffer too
// small: FNERR_BUFFERTOOSMALL, with the needed size in the buffer's first
// two bytes).
BOOL GetOpenFileName(OPENFILENAME* ofn);
BOOL GetSaveFileName(OPENFILENAME* ofn);
inline BOOL GetOpenFileNameA(OPENFILENAME* o) { return GetOpenFileName(o); }
inline BOOL GetSaveFileNameA(OPENFILENAME* o) { return GetSaveFileName(o); }
DWORD CommDlgExtendedError();

// A modal dialog with a prompt, one edit line, OK and Cancel. The buffer holds
// the initial text and receives what was typed, at most bufferSize - 1
// characters. Execute returns IDOK or IDCANCEL (the buffer is then as it was).
class TInputDialog {
public:
    TInputDialog(TWindow* parent, const char* title, const char* prompt, char* buffer, int bufferSize);
    virtual ~TInputDialog() = default;
    virtual int Execute();
    char* GetBuffer() const { return pBuffer; }
    int GetBufferSize() const { return nBufferSize; }

private:
    TWindow* pParent;
    const char* szTitle;
    const char* szPrompt;
    char* pBuffer;
    int nBufferSize;
};

}  // namespace win
