// Files, file times, folders, paths and global memory; no Qt here.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/internal.h"

namespace win {

namespace {

struct FileHandle {
    int fd;
};

std::mutex gHandleLock;
std::unordered_set<FileHandle*>& liveHandles()
{
    static std::unordered_set<FileHandle*> s;
    return s;
}

FileHandle* fileHandle(HANDLE h)
{
    auto* f = static_cast<FileHandle*>(h);
    std::lock_guard<std::mutex> g(gHandleLock);
    return liveHandles().count(f) ? f : nullptr;
}

// Seconds between 1 January 1601 and 1 January 1970.
constexpr int64_t kEpochDelta = 11644473600LL;

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool startsWithNoCase(const std::string& s, const char* prefix)
{
    size_t n = std::strlen(prefix);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; i++)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

void copyOut(char* out, size_t cap, const char* from, size_t n)
{
    if (!out) return;
    n = std::min(n, cap - 1);
    std::memcpy(out, from, n);
    out[n] = 0;
}

bool makeFolders(const std::string& path)
{
    std::string cur;
    for (size_t i = 0; i < path.size(); i++) {
        cur += path[i];
        if (path[i] == '/' && cur.size() > 1) mkdir(cur.c_str(), 0755);
    }
    mkdir(path.c_str(), 0755);
    struct stat sb;
    return stat(path.c_str(), &sb) == 0 && S_ISDIR(sb.st_mode);
}

}  // namespace

// ------------------------------------------------------------ paths

std::string workingFolder()
{
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.config";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    std::string folder = base + "/morvex";
    makeFolders(folder);
    return folder + "/";
}

std::string mapPath(const char* path)
{
    if (!path) return std::string();
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    // The fixed Windows folders of the system's working files.
    for (const char* fixed : {"c:/morvex/temp", "c:/temp"}) {
        size_t n = std::strlen(fixed);
        if (startsWithNoCase(p, fixed) && (p.size() == n || p[n] == '/')) {
            std::string rest = p.size() > n ? p.substr(n + 1) : std::string();
            return workingFolder() + rest;
        }
    }
    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') p = p.substr(2);
    return p;
}

FILE* fopenMapped(const char* path, const char* mode)
{
    if (!path || !mode) return nullptr;
    // fopen's modes as open flags; the file is opened without waiting, so a
    // FIFO in a file's place is refused (EINVAL) instead of blocking the
    // program, and so is a device to read from, which could feed it without
    // end (one to write to, such as /dev/full, is taken).
    const bool bPlus = std::strchr(mode, '+') != nullptr;
    int flags = O_CLOEXEC | O_NONBLOCK;
    bool bTruncate = false;
    switch (mode[0]) {
    case 'r': flags |= bPlus ? O_RDWR : O_RDONLY; break;
    case 'w': flags |= (bPlus ? O_RDWR : O_WRONLY) | O_CREAT; bTruncate = true; break;
    case 'a': flags |= (bPlus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND; break;
    default: errno = EINVAL; return nullptr;
    }
    if (std::strchr(mode, 'x')) flags |= O_EXCL;
    const int fd = open(mapPath(path).c_str(), flags, 0666);
    if (fd < 0) return nullptr;
    struct stat sb;
    const bool bReadOnly = mode[0] == 'r' && !bPlus;
    if (fstat(fd, &sb) != 0 ||
        !(S_ISREG(sb.st_mode) || (S_ISDIR(sb.st_mode) && bReadOnly) || (S_ISCHR(sb.st_mode) && !bReadOnly))) {
        close(fd);
        errno = EINVAL;
        return nullptr;
    }
    if ((bTruncate && S_ISREG(sb.st_mode) && ftruncate(fd, 0) != 0) || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int e = errno;
        close(fd);
        errno = e;
        return nullptr;
    }
    FILE* f = fdopen(fd, mode);
    if (!f) {
        const int e = errno;
        close(fd);
        errno = e;
    }
    return f;
}

namespace {

// The process that holds a lock on the file (dev, ino), from the kernel's
// table of locks; 0 when none is seen, -1 for a holder whose process cannot
// be seen from here (another namespace). A line gives "pid
// major:minor:inode" (major and minor in hex); where the file system numbers
// devices its own way the inode alone is matched.
int lockHolderOf(dev_t dev, ino_t ino)
{
    FILE* f = std::fopen("/proc/locks", "r");
    if (!f) return 0;
    int nInodeOnly = 0, nHolder = 0;
    char line[512];
    while (!nHolder && std::fgets(line, sizeof line, f)) {
        // "1: FLOCK  ADVISORY  WRITE 12345 08:01:1234567 0 EOF"; a blocked
        // waiter's line starts "1: -> FLOCK ..." and holds nothing
        if (std::strstr(line, "->")) continue;
        char kind[32], how[32], mode[32];
        int pid = 0;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(line, "%*d: %31s %31s %31s %d %x:%x:%llu", kind, how, mode, &pid, &major, &minor, &inode) != 7)
            continue;
        if (inode != static_cast<unsigned long long>(ino)) continue;
        if (pid <= 0) pid = -1;
        if (major == major(dev) && minor == minor(dev))
            nHolder = pid;
        else if (!nInodeOnly)
            nInodeOnly = pid;
    }
    std::fclose(f);
    return nHolder ? nHolder : nInodeOnly;
}

}  // namespace

int lockFile(const char* path, bool* pbHeld)
{
    *pbHeld = false;
    const std::string p = mapPath(path);
    bool bStaleRemoved = false;
    // A holder that ends removes the file before it lets go: a lock taken on
    // a file that is no longer the one at the path is taken again.
    for (;;) {
        // Reading is all a lock needs, so the file of another user (mode
        // 0644) locks as well as one's own; a FIFO or a link in its place
        // neither blocks nor leads elsewhere.
        const int fd = open(p.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            const int e = errno;
            // A lock file this user may not even read that nobody holds is
            // left over by a run that ended: it goes, and the lock is taken.
            struct stat there;
            if (e == EACCES && !bStaleRemoved && lstat(p.c_str(), &there) == 0 && S_ISREG(there.st_mode) &&
                lockHolderOf(there.st_dev, there.st_ino) == 0 && unlink(p.c_str()) == 0) {
                bStaleRemoved = true;
                continue;
            }
            errno = e;
            return -1;
        }
        struct stat held, there;
        if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            close(fd);
            errno = EINVAL;
            return -1;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int e = errno;
            close(fd);
            *pbHeld = e == EWOULDBLOCK;
            errno = e;
            return -1;
        }
        if (stat(p.c_str(), &there) == 0 && held.st_dev == there.st_dev && held.st_ino == there.st_ino) return fd;
        close(fd);
    }
}

std::string processDescription(int pid)
{
    std::string text = "process " + std::to_string(pid);
    const std::string proc = "/proc/" + std::to_string(pid);
    if (FILE* f = std::fopen((proc + "/comm").c_str(), "r")) {
        char name[64] = "";
        if (std::fgets(name, sizeof name, f)) {
            name[std::strcspn(name, "\n")] = 0;
            if (name[0]) text += std::string(" (") + name + ")";
        }
        std::fclose(f);
    }
    struct stat sb;
    if (stat(proc.c_str(), &sb) == 0) {
        const struct passwd* pw = getpwuid(sb.st_uid);
        text += " of user " + (pw ? std::string(pw->pw_name) : std::to_string(sb.st_uid));
    }
    return text;
}

int lockHolder(const char* path)
{
    struct stat there;
    if (!path || stat(mapPath(path).c_str(), &there) != 0) return 0;
    return lockHolderOf(there.st_dev, there.st_ino);
}

void unlockFile(int nLock, const char* path)
{
    if (nLock < 0) return;
    unlink(mapPath(path).c_str());
    close(nLock);
}

PathParts splitPath(const std::string& p)
{
    PathParts parts;
    size_t pos = 0;
    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
        parts.drive = p.substr(0, 2);
        pos = 2;
    }
    size_t lastSep = std::string::npos;
    for (size_t i = pos; i < p.size(); i++)
        if (isSeparator(p[i])) lastSep = i;
    size_t nameStart = lastSep == std::string::npos ? pos : lastSep + 1;
    parts.dir = p.substr(pos, nameStart - pos);
    size_t dot = p.rfind('.');
    if (dot == std::string::npos || dot < nameStart) dot = p.size();
    parts.name = p.substr(nameStart, dot - nameStart);
    parts.ext = p.substr(dot);
    return parts;
}

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext)
{
    const PathParts p = splitPath(path ? path : "");
    copyOut(drive, _MAX_DRIVE, p.drive.data(), p.drive.size());
    copyOut(dir, _MAX_DIR, p.dir.data(), p.dir.size());
    copyOut(fname, _MAX_FNAME, p.name.data(), p.name.size());
    copyOut(ext, _MAX_EXT, p.ext.data(), p.ext.size());
}

void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext)
{
    if (!path) return;
    std::string out;
    if (drive && *drive) {
        out += drive;
        if (out.back() != ':') out += ':';
    }
    if (dir && *dir) {
        std::string d = dir;
        out += d;
        if (!isSeparator(d.back())) out += d.find('/') != std::string::npos ? '/' : '\\';
    }
    if (fname) out += fname;
    if (ext && *ext) {
        if (*ext != '.') out += '.';
        out += ext;
    }
    copyOut(path, _MAX_PATH, out.data(), out.size());
}

// ------------------------------------------------------------ file times

FILETIME fileTimeFromUnix(int64_t seconds, long nanoseconds)
{
    uint64_t t = uint64_t(seconds + kEpochDelta) * 10000000ULL + uint64_t(nanoseconds / 100);
    return FILETIME{DWORD(t & 0xFFFFFFFFu), DWORD(t >> 32)};
}

void unixFromFileTime(const FILETIME& ft, int64_t* seconds, long* nanoseconds)
{
    uint64_t t = (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    if (seconds) *seconds = int64_t(t / 10000000ULL) - kEpochDelta;
    if (nanoseconds) *nanoseconds = long(t % 10000000ULL) * 100;
}

HANDLE CreateFile(LPCSTR lpFileName, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE)
{
    if (!lpFileName) return INVALID_HANDLE_VALUE;
    std::string path = mapPath(lpFileName);
    bool write = (access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
    int flags = write ? ((access & (GENERIC_READ | GENERIC_ALL)) ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    case OPEN_EXISTING: break;
    default: return INVALID_HANDLE_VALUE;
    }
    if ((flags & (O_CREAT | O_TRUNC)) && !write) flags = (flags & ~O_RDONLY) | O_RDWR;
    int fd = open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    auto* h = new FileHandle{fd};
    std::lock_guard<std::mutex> g(gHandleLock);
    liveHandles().insert(h);
    return h;
}

BOOL CloseHandle(HANDLE hObject)
{
    FileHandle* f = fileHandle(hObject);
    if (!f && detail::closeProcessHandle(hObject)) return TRUE;
    if (!f) return hObject && hObject != INVALID_HANDLE_VALUE ? TRUE : FALSE;
    {
        std::lock_guard<std::mutex> g(gHandleLock);
        liveHandles().erase(f);
    }
    close(f->fd);
    delete f;
    return TRUE;
}

BOOL GetFileTime(HANDLE hFile, FILETIME* lpCreationTime, FILETIME* lpLastAccessTime, FILETIME* lpLastWriteTime)
{
    FileHandle* f = fileHandle(hFile);
    if (!f) return FALSE;
    struct statx sx;
    if (statx(f->fd, "", AT_EMPTY_PATH, STATX_ATIME | STATX_MTIME | STATX_BTIME, &sx) != 0) return FALSE;
    FILETIME mtime = fileTimeFromUnix(sx.stx_mtime.tv_sec, long(sx.stx_mtime.tv_nsec));
    if (lpLastWriteTime) *lpLastWriteTime = mtime;
    if (lpLastAccessTime) *lpLastAccessTime = fileTimeFromUnix(sx.stx_atime.tv_sec, long(sx.stx_atime.tv_nsec));
    if (lpCreationTime) {
        // Where the file system keeps no birth time the write time stands in.
        *lpCreationTime = (sx.stx_mask & STATX_BTIME)
                              ? fileTimeFromUnix(sx.stx_btime.tv_sec, long(sx.stx_btime.tv_nsec))
                              : mtime;
    }
    return TRUE;
}

BOOL SetFileTime(HANDLE hFile, const FILETIME*, const FILETIME* lpLastAccessTime, const FILETIME* lpLastWriteTime)
{
    FileHandle* f = fileHandle(hFile);
    if (!f) return FALSE;
    struct timespec ts[2];
    for (int i = 0; i < 2; i++) {
        const FILETIME* ft = i == 0 ? lpLastAccessTime : lpLastWriteTime;
        if (!ft) {
            ts[i].tv_sec = 0;
            ts[i].tv_nsec = UTIME_OMIT;
            continue;
        }
        int64_t s;
        long ns;
        unixFromFileTime(*ft, &s, &ns);
        ts[i].tv_sec = time_t(s);
        ts[i].tv_nsec = ns;
    }
    return futimens(f->fd, ts) == 0 ? TRUE : FALSE;
}

// ------------------------------------------------------------ files and folders

BOOL CopyFile(LPCSTR from, LPCSTR to, BOOL bFailIfExists)
{
    if (!from || !to) return FALSE;
    std::string src = mapPath(from), dst = mapPath(to);
    int in = open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return FALSE;
    struct stat sb, db;
    if (fstat(in, &sb) != 0 || !S_ISREG(sb.st_mode)) {
        close(in);
        return FALSE;
    }
    // A file copied onto itself would be emptied before it is read: Windows
    // refuses that copy, and so do we.
    if (stat(dst.c_str(), &db) == 0 && db.st_dev == sb.st_dev && db.st_ino == sb.st_ino) {
        close(in);
        return FALSE;
    }
    int out = open(dst.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (bFailIfExists ? O_EXCL : O_TRUNC), 0644);
    if (out < 0) {
        close(in);
        return FALSE;
    }
    char buf[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = read(in, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, buf + done, size_t(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    if (ok) {
        struct timespec ts[2] = {{0, UTIME_NOW}, sb.st_mtim};
        futimens(out, ts);
        // The copy keeps the source's permissions, as a copy keeps a file's
        // attributes on Windows: a copied program stays runnable.
        fchmod(out, sb.st_mode & 0777);
    }
    close(in);
    if (close(out) != 0) ok = false;
    return ok ? TRUE : FALSE;
}

BOOL DeleteFile(LPCSTR name)
{
    return name && unlink(mapPath(name).c_str()) == 0 ? TRUE : FALSE;
}

BOOL CreateDirectory(LPCSTR path, void*)
{
    return path && mkdir(mapPath(path).c_str(), 0755) == 0 ? TRUE : FALSE;
}

DWORD GetCurrentDirectory(DWORD n, LPSTR buf)
{
    char tmp[4096];
    if (!getcwd(tmp, sizeof tmp)) return 0;
    DWORD len = DWORD(std::strlen(tmp));
    if (!buf || n <= len) return len + 1;
    std::memcpy(buf, tmp, len + 1);
    return len;
}

BOOL SetCurrentDirectory(LPCSTR path)
{
    return path && chdir(mapPath(path).c_str()) == 0 ? TRUE : FALSE;
}

DWORD GetFileAttributes(LPCSTR name)
{
    struct stat sb;
    if (!name || stat(mapPath(name).c_str(), &sb) != 0) return INVALID_FILE_ATTRIBUTES;
    if (S_ISDIR(sb.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    return access(mapPath(name).c_str(), W_OK) == 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

HFILE _lopen(LPCSTR path, int mode)
{
    if (!path) return HFILE_ERROR;
    int flags = (mode & 3) == OF_WRITE ? O_WRONLY : (mode & 3) == OF_READWRITE ? O_RDWR : O_RDONLY;
    std::string p = mapPath(path);
    struct stat sb;
    if (stat(p.c_str(), &sb) != 0 || S_ISDIR(sb.st_mode)) return HFILE_ERROR;
    int fd = open(p.c_str(), flags | O_CLOEXEC);
    return fd < 0 ? HFILE_ERROR : fd;
}

HFILE _lclose(HFILE h)
{
    return h >= 0 && close(h) == 0 ? 0 : HFILE_ERROR;
}

// ------------------------------------------------------------ global memory

namespace {
struct GlobalBlock {
    SIZE_T size;
    int locks;
    alignas(std::max_align_t) unsigned char data[1];
};
std::mutex gGlobalLock;
std::unordered_set<GlobalBlock*>& liveBlocks()
{
    static std::unordered_set<GlobalBlock*> s;
    return s;
}
GlobalBlock* block(HGLOBAL h)
{
    auto* b = static_cast<GlobalBlock*>(h);
    std::lock_guard<std::mutex> g(gGlobalLock);
    return liveBlocks().count(b) ? b : nullptr;
}
}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T bytes)
{
    size_t total = offsetof(GlobalBlock, data) + std::max<SIZE_T>(bytes, 1);
    void* mem = (uFlags & GMEM_ZEROINIT) ? std::calloc(1, total) : std::malloc(total);
    if (!mem) return nullptr;
    auto* b = static_cast<GlobalBlock*>(mem);
    b->size = bytes;
    b->locks = 0;
    std::lock_guard<std::mutex> g(gGlobalLock);
    liveBlocks().insert(b);
    return b;
}

LPVOID GlobalLock(HGLOBAL h)
{
    GlobalBlock* b = block(h);
    if (!b) return nullptr;
    b->locks++;
    return b->data;
}

BOOL GlobalUnlock(HGLOBAL h)
{
    GlobalBlock* b = block(h);
    if (!b || b->locks == 0) return FALSE;
    return --b->locks > 0 ? TRUE : FALSE;
}

SIZE_T GlobalSize(HGLOBAL h)
{
    GlobalBlock* b = block(h);
    return b ? b->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL h)
{
    GlobalBlock* b = block(h);
    if (!b) return h;
    {
        std::lock_guard<std::mutex> g(gGlobalLock);
        liveBlocks().erase(b);
    }
    std::free(b);
    return nullptr;
}

BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* p)
{
    if (!p) return FALSE;
    const long nPage = sysconf(_SC_PAGESIZE);
    const long nPhys = sysconf(_SC_PHYS_PAGES);
    const long nFree = sysconf(_SC_AVPHYS_PAGES);
    if (nPage <= 0 || nPhys <= 0) return FALSE;
    p->ullTotalPhys = static_cast<DWORDLONG>(nPage) * static_cast<DWORDLONG>(nPhys);
    p->ullAvailPhys = nFree > 0 ? static_cast<DWORDLONG>(nPage) * static_cast<DWORDLONG>(nFree) : 0;
    // Memory the kernel can hand out without swapping includes the page
    // cache it would drop: "MemAvailable" where the kernel tells it.
    if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        unsigned long long kb = 0;
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1) {
                p->ullAvailPhys = static_cast<DWORDLONG>(kb) * 1024u;
                break;
            }
        std::fclose(f);
    }
    if (p->ullAvailPhys > p->ullTotalPhys) p->ullAvailPhys = p->ullTotalPhys;
    p->dwMemoryLoad = static_cast<DWORD>(100 - (100 * p->ullAvailPhys) / p->ullTotalPhys);
    p->ullTotalPageFile = p->ullTotalPhys;
    p->ullAvailPageFile = p->ullAvailPhys;
    p->ullTotalVirtual = ~DWORDLONG(0) >> 17;  // a 47-bit user address space
    p->ullAvailVirtual = p->ullTotalVirtual;
    p->ullAvailExtendedVirtual = 0;
    return TRUE;
}

}  // namespace win
