// Files, file times, folders, paths and global memory blocks.
//
// Paths may be spelled the Windows way: "\" and "/" both separate, and the
// fixed folders the system names ("c:\temp\...", "c:\morvex\temp\...") lie in
// the working folder $XDG_CONFIG_HOME/morvex (default ~/.config/morvex). The
// functions here map every path they are given with mapPath; code that opens
// files itself with fopen does the same through fopenMapped.
#pragma once

#include <cstdio>
#include <string>

#include "platform/win_types.h"

namespace win {

// CreateFile access, sharing and disposition
inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD GENERIC_ALL = 0x10000000u;
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD FILE_SHARE_DELETE = 0x4;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// Opens a file; INVALID_HANDLE_VALUE on failure. Security and template are
// ignored.
HANDLE CreateFile(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, void* lpSecurityAttributes,
                  DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
inline HANDLE CreateFileA(LPCSTR n, DWORD a, DWORD s, void* sa, DWORD c, DWORD f, HANDLE t)
{
    return CreateFile(n, a, s, sa, c, f, t);
}
// Closes a file handle (also the handle a TThread's Start returns: nothing to do).
BOOL CloseHandle(HANDLE hObject);
// Reads the three times of an open file. Access and write times are exact
// (to 100 ns). The creation time is the file system's birth time where it
// keeps one; elsewhere the write time stands in for it.
BOOL GetFileTime(HANDLE hFile, FILETIME* lpCreationTime, FILETIME* lpLastAccessTime, FILETIME* lpLastWriteTime);
// Sets the access and write times given (null leaves one as it is). The
// creation time cannot be set here and is ignored.
BOOL SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime);
// Copies a file, replacing the target unless bFailIfExists. The copy keeps
// the source's write time, as on Windows.
BOOL CopyFile(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);
inline BOOL CopyFileA(LPCSTR a, LPCSTR b, BOOL f) { return CopyFile(a, b, f); }
BOOL DeleteFile(LPCSTR lpFileName);
inline BOOL DeleteFileA(LPCSTR n) { return DeleteFile(n); }
BOOL CreateDirectory(LPCSTR lpPathName, void* lpSecurityAttributes);
inline BOOL CreateDirectoryA(LPCSTR p, void* s) { return CreateDirectory(p, s); }
// The process's current folder, ending without a separator. Returns the
// length written, or the size needed (with the terminator) when the buffer
// is too small.
DWORD GetCurrentDirectory(DWORD nBufferLength, LPSTR lpBuffer);
inline DWORD GetCurrentDirectoryA(DWORD n, LPSTR b) { return GetCurrentDirectory(n, b); }
BOOL SetCurrentDirectory(LPCSTR lpPathName);
inline BOOL SetCurrentDirectoryA(LPCSTR p) { return SetCurrentDirectory(p); }
// FILE_ATTRIBUTE_DIRECTORY / FILE_ATTRIBUTE_NORMAL, or INVALID_FILE_ATTRIBUTES
// when nothing is there.
DWORD GetFileAttributes(LPCSTR lpFileName);
inline DWORD GetFileAttributesA(LPCSTR n) { return GetFileAttributes(n); }

// Old-style opening, used as an existence test.
inline constexpr int OF_READ = 0x0;
inline constexpr int OF_WRITE = 0x1;
inline constexpr int OF_READWRITE = 0x2;
inline constexpr HFILE HFILE_ERROR = -1;
HFILE _lopen(LPCSTR lpPathName, int iReadWrite);
HFILE _lclose(HFILE hFile);

// Splitting and joining paths. Both "\" and "/" separate; a letter and a
// colon at the start are the drive. Parts keep their separators: dir ends
// with one, ext starts with the dot. Null parts are not written.
inline constexpr int _MAX_PATH = 260;
inline constexpr int _MAX_DRIVE = 3;
inline constexpr int _MAX_DIR = 256;
inline constexpr int _MAX_FNAME = 256;
inline constexpr int _MAX_EXT = 256;
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
// The same parts without a length limit (_splitpath cuts each part to its
// _MAX_ size).
struct PathParts {
    std::string drive, dir, name, ext;
};
PathParts splitPath(const std::string& path);
// Joins the parts; a separator is added after a dir that lacks one (the kind
// the dir already uses, "\" when it has none) and a dot before an ext that
// lacks one.
void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext);

// Global memory blocks
inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
inline constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
// A block that stays in place for its whole life; null when out of memory.
HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
LPVOID GlobalLock(HGLOBAL hMem);
BOOL GlobalUnlock(HGLOBAL hMem);
SIZE_T GlobalSize(HGLOBAL hMem);
// Null on success, as on Windows.
HGLOBAL GlobalFree(HGLOBAL hMem);

// The machine's memory. Blocks are committed lazily here, so a program that
// needs to know whether a large set of blocks can be used at all asks for the
// physical memory still available (ullAvailPhys) before allocating; the
// other fields are filled as far as this machine tells them.
using DWORDLONG = uint64_t;
struct MEMORYSTATUSEX {
    DWORD dwLength;
    DWORD dwMemoryLoad;  // per cent in use
    DWORDLONG ullTotalPhys;
    DWORDLONG ullAvailPhys;
    DWORDLONG ullTotalPageFile;
    DWORDLONG ullAvailPageFile;
    DWORDLONG ullTotalVirtual;
    DWORDLONG ullAvailVirtual;
    DWORDLONG ullAvailExtendedVirtual;
};
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* pStatus);

// --- the layer's own helpers

// The working folder, "$XDG_CONFIG_HOME/morvex/" (or "~/.config/morvex/"),
// ending in "/"; created on first use.
std::string workingFolder();
// The path as this machine spells it: separators become "/", the fixed
// Windows folders "c:\temp" and "c:\morvex\temp" (any case) become the
// working folder, and another drive letter is dropped ("d:\x" is "/x").
std::string mapPath(const char* path);
// fopen of mapPath(path), for files (and folders, to read; devices, to
// write): anything else in a file's place, a FIFO or a device to read, is
// refused with EINVAL rather than waited for or read without end.
FILE* fopenMapped(const char* path, const char* mode);

// An exclusive lock tied to a file, as a Windows program holds a file opened
// without sharing: lockFile makes the file when it is missing and locks it;
// the lock lasts until unlockFile, which removes the file, or until the
// process ends, however it ends (a killed holder leaves a file that locks
// nothing, whoever made it). Returns the lock, or -1 with *pbHeld true when
// another holder has it, *pbHeld false when the file cannot be made or
// opened (errno tells why; EINVAL: something other than a file is there).
int lockFile(const char* path, bool* pbHeld);
void unlockFile(int nLock, const char* path);
// The process holding a lock on the file at path, 0 when none is known, -1
// when the holder's process cannot be seen from here.
int lockHolder(const char* path);
// "process 1234 (morvex) of user ann", as far as the system tells.
std::string processDescription(int pid);

// FILETIME <-> seconds and nanoseconds since 1970 (UTC).
FILETIME fileTimeFromUnix(int64_t seconds, long nanoseconds);
void unixFromFileTime(const FILETIME& ft, int64_t* seconds, long* nanoseconds);

}  // namespace win
