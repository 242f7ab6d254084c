// Outside programs, documents, web pages and the help page.
//
// The system starts programs with Windows command lines. One service maps
// them onto this machine:
// - "notepad.exe <file>" opens the file with the desktop's handler (unless a
//   program is configured for notepad.exe);
// - a ".bat" batch (also "cmd.exe /K <batch>" or "/C") runs as a shell script
//   translated from it, with sh;
// - a Windows program resolves to the path configured for its file name in
//   the per-user settings (<working folder>/programs.ini, lines
//   "ploka.exe=/opt/ploka/ploka"), else to the named file itself when it is a
//   program of this machine;
// - anything else is missing: the start fails and the caller's failure path
//   runs.
// Arguments that are Windows paths are mapped (mapPath). Every start is
// written to the transcript; headless, documents and web pages are recorded
// and not opened.
#pragma once

#include <string>

#include "platform/win_thread.h"
#include "platform/win_types.h"

namespace win {

// Show states
inline constexpr UINT SW_HIDE = 0;
inline constexpr UINT SW_SHOWNORMAL = 1;
inline constexpr UINT SW_NORMAL = 1;
inline constexpr UINT SW_SHOWMINIMIZED = 2;
inline constexpr UINT SW_SHOWMAXIMIZED = 3;
inline constexpr UINT SW_MAXIMIZE = 3;
inline constexpr UINT SW_SHOWNOACTIVATE = 4;
inline constexpr UINT SW_SHOW = 5;
inline constexpr UINT SW_MINIMIZE = 6;
inline constexpr UINT SW_SHOWMINNOACTIVE = 7;
inline constexpr UINT SW_SHOWNA = 8;
inline constexpr UINT SW_RESTORE = 9;
inline constexpr UINT SW_SHOWDEFAULT = 10;

// Error codes (GetLastError, and the results of WinExec below 32)
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_BAD_FORMAT = 11;
DWORD GetLastError();

// Starts a program and does not wait. Above 31 on success, else an error code
// (ERROR_FILE_NOT_FOUND for a missing program).
UINT WinExec(LPCSTR lpCmdLine, UINT uCmdShow);

inline constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
inline constexpr DWORD CREATE_NEW_CONSOLE = 0x00000010;
inline constexpr DWORD CREATE_SEPARATE_WOW_VDM = 0x00000800;
struct STARTUPINFO {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput, hStdOutput, hStdError;
};
using STARTUPINFOA = STARTUPINFO;
struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// Starts the program of the command line (lpApplicationName, when given, is
// the program and lpCommandLine its whole command line). lpCurrentDirectory
// null: the process's current folder. TRUE with the process handle (close
// it with CloseHandle); FALSE with GetLastError set when the program is
// missing. Security, inheritance, creation flags, environment and start-up
// information are not used here.
BOOL CreateProcess(LPCSTR lpApplicationName, LPSTR lpCommandLine, void* lpProcessAttributes,
                   void* lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags, void* lpEnvironment,
                   LPCSTR lpCurrentDirectory, STARTUPINFO* lpStartupInfo, PROCESS_INFORMATION* lpProcessInformation);
inline BOOL CreateProcessA(LPCSTR a, LPSTR c, void* pa, void* ta, BOOL i, DWORD f, void* e, LPCSTR d,
                           STARTUPINFO* s, PROCESS_INFORMATION* p)
{
    return CreateProcess(a, c, pa, ta, i, f, e, d, s, p);
}

inline constexpr DWORD STILL_ACTIVE = 259;
// Waits for a process to end (INFINITE, WAIT_OBJECT_0 and WAIT_TIMEOUT are
// those of win_thread.h): WAIT_OBJECT_0 when it has ended, WAIT_TIMEOUT
// when the time ran out first; INFINITE waits without time-out.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
// The exit code, or STILL_ACTIVE.
BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode);

// lpOperation "open" (or null): opens the file, folder or URL with the
// desktop's handler; a program file runs as WinExec would run it. Above 32 on
// success, else an error code.
HINSTANCE ShellExecute(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                       INT nShowCmd);
inline HINSTANCE ShellExecuteA(HWND h, LPCSTR o, LPCSTR f, LPCSTR p, LPCSTR d, INT s)
{
    return ShellExecute(h, o, f, p, d, s);
}

// The help: our own page help.html beside the program (or docs/help.html,
// ../docs/help.html, ../share/morvex/help.html from the program's folder). HELP_CONTEXT opens it
// at the anchor "context-<n>"; HELP_CONTENTS, HELP_INDEX and HELP_FINDER at
// its top; HELP_QUIT does nothing. The help file named is not used.
inline constexpr UINT HELP_CONTEXT = 0x0001;
inline constexpr UINT HELP_QUIT = 0x0002;
inline constexpr UINT HELP_INDEX = 0x0003;
inline constexpr UINT HELP_CONTENTS = 0x0003;
inline constexpr UINT HELP_FINDER = 0x000B;
BOOL WinHelp(HWND hWndMain, LPCSTR lpszHelp, UINT uCommand, uintptr_t dwData);
inline BOOL WinHelpA(HWND h, LPCSTR f, UINT c, uintptr_t d) { return WinHelp(h, f, c, d); }

// --- the layer's own helpers

// The folder of the running program, ending in "/".
std::string programFolder();
// The URL of the help page at an anchor ("" or null: its top); "" when the
// page is missing.
std::string helpPageUrl(const char* anchor);
// The path configured in programs.ini for the file name of a program (the
// last part of the path given, any case): what a start of that program runs
// instead of the file itself. "" when none is configured.
std::string configuredProgramPath(const char* program);

}  // namespace win
