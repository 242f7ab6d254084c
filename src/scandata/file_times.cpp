// File times of scan files.
#include "scandata/file_times.h"

#include "platform/win.h"

bool getScanFileTimes(const char* szPath, ScanHeader* pHeader) {
    win::HANDLE h = win::CreateFileA(szPath, win::GENERIC_READ, win::FILE_SHARE_READ, nullptr,
                                     win::OPEN_EXISTING, 0, nullptr);
    if (h == win::INVALID_HANDLE_VALUE) return false;
    win::FILETIME c{}, a{}, w{};
    bool bOk = win::GetFileTime(h, &c, &a, &w) != 0;
    win::CloseHandle(h);
    if (!bOk) return false;
    pHeader->creationTime = c;
    pHeader->lastAccessTime = a;
    pHeader->lastWriteTime = w;
    return true;
}

void putBackScanFileTimes(const char* szPath, const ScanHeader* pHeader) {
    win::HANDLE h = win::CreateFileA(szPath, win::GENERIC_ALL, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                     nullptr, win::OPEN_EXISTING, 0, nullptr);
    if (h == win::INVALID_HANDLE_VALUE) return;
    win::FILETIME c = pHeader->creationTime, a = pHeader->lastAccessTime, w = pHeader->lastWriteTime;
    win::SetFileTime(h, &c, &a, &w);
    win::CloseHandle(h);
}
