// File times, paths and the working folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/win.h"

using namespace win;

namespace {

std::string tempFolder()
{
    char tmpl[] = "/tmp/morvex_filesXXXXXX";
    return mkdtemp(tmpl);
}

bool sameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

}  // namespace

TEST(FileTimes, SurviveARewrite)
{
    std::string p = tempFolder() + "/scan.ra1";
    std::ofstream(p) << "first\n";
    // 1 March 2001 12:00:00.1234567 UTC and one hour later.
    FILETIME access = fileTimeFromUnix(983448000, 123456700);
    FILETIME write = fileTimeFromUnix(983451600, 0);
    HANDLE h = CreateFileA(p.c_str(), GENERIC_ALL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(h, nullptr, &access, &write));
    CloseHandle(h);

    FILETIME c1, a1, w1;
    h = CreateFile(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(GetFileTime(h, &c1, &a1, &w1));
    CloseHandle(h);
    EXPECT_TRUE(sameTime(a1, access));
    EXPECT_TRUE(sameTime(w1, write));

    // Rewriting moves the times on; putting back the recorded ones restores them.
    std::ofstream(p) << "second, longer\n";
    FILETIME a2, w2;
    h = CreateFile(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(h, nullptr, &a2, &w2);
    CloseHandle(h);
    EXPECT_FALSE(sameTime(w2, write));
    h = CreateFile(p.c_str(), GENERIC_ALL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(SetFileTime(h, &c1, &a1, &w1));
    CloseHandle(h);
    FILETIME c3, a3, w3;
    h = CreateFile(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(GetFileTime(h, &c3, &a3, &w3));
    CloseHandle(h);
    EXPECT_TRUE(sameTime(a3, access));
    EXPECT_TRUE(sameTime(w3, write));

    // FILETIME counts 100 ns from 1601: 1970 is 116444736000000000.
    FILETIME epoch = fileTimeFromUnix(0, 0);
    EXPECT_EQ((uint64_t(epoch.dwHighDateTime) << 32) | epoch.dwLowDateTime, 116444736000000000ULL);

    // A copy keeps the write time; fail-if-exists keeps the target.
    std::string q = p + ".copy";
    ASSERT_TRUE(CopyFileA(p.c_str(), q.c_str(), FALSE));
    FILETIME wc;
    h = CreateFile(q.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(h, nullptr, nullptr, &wc);
    CloseHandle(h);
    EXPECT_TRUE(sameTime(wc, write));
    EXPECT_FALSE(CopyFile(p.c_str(), q.c_str(), TRUE));
    // A copy onto the file itself, under any spelling, fails and keeps its content.
    std::string self = p.substr(0, p.find_last_of('/')) + "/./scan.ra1";
    EXPECT_FALSE(CopyFile(p.c_str(), self.c_str(), FALSE));
    std::string content;
    std::getline(std::ifstream(p), content);
    EXPECT_EQ(content, "second, longer");
    EXPECT_EQ(CreateFile((p + ".none").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST(Paths, SplittingJoiningAndTheWorkingFolder)
{
    char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    struct Case {
        const char* path;
        const char *drive, *dir, *fname, *ext;
    } cases[] = {
        {"c:\\data\\run1\\scan.ra1", "c:", "\\data\\run1\\", "scan", ".ra1"},
        {"/home/u/x.ip1", "", "/home/u/", "x", ".ip1"},
        {"D:relative.txt", "D:", "", "relative", ".txt"},
        {"c:\\sounds\\error.wav", "c:", "\\sounds\\", "error", ".wav"},
        {"dir.v2\\noext", "", "dir.v2\\", "noext", ""},
        {"mixed/dir\\a.b.c", "", "mixed/dir\\", "a.b", ".c"},
        {".hidden", "", "", "", ".hidden"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        _splitpath(c.path, drive, dir, fname, ext);
        EXPECT_STREQ(drive, c.drive);
        EXPECT_STREQ(dir, c.dir);
        EXPECT_STREQ(fname, c.fname);
        EXPECT_STREQ(ext, c.ext);
    }
    char path[_MAX_PATH];
    _makepath(path, "c:", "\\sounds\\", "error3", ".wav");
    EXPECT_STREQ(path, "c:\\sounds\\error3.wav");
    _makepath(path, "c", "\\data", "tcorr_scan", "ra1");
    EXPECT_STREQ(path, "c:\\data\\tcorr_scan.ra1");
    _makepath(path, "", "/home/u/data", "fit", ".dat");
    EXPECT_STREQ(path, "/home/u/data/fit.dat");
    _makepath(path, nullptr, nullptr, "name", nullptr);
    EXPECT_STREQ(path, "name");

    // The fixed Windows folders are the working folder under XDG_CONFIG_HOME.
    std::string xdg = tempFolder();
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", (xdg + "/").c_str(), 1);
    std::string work = xdg + "/morvex/";
    EXPECT_EQ(workingFolder(), work);
    struct stat sb;
    EXPECT_EQ(stat(work.c_str(), &sb), 0);
    EXPECT_EQ(mapPath("c:\\temp\\MTdebug_t1.txt"), work + "MTdebug_t1.txt");
    EXPECT_EQ(mapPath("C:/TEMP/debug_t0.txt"), work + "debug_t0.txt");
    EXPECT_EQ(mapPath("c:\\morvex\\temp\\x\\y.txt"), work + "x/y.txt");
    EXPECT_EQ(mapPath("c:\\temporary\\a"), "/temporary/a");
    EXPECT_EQ(mapPath("d:\\data\\run\\x.ra1"), "/data/run/x.ra1");
    EXPECT_EQ(mapPath("/home/u/x.ip1"), "/home/u/x.ip1");
    FILE* f = fopenMapped("c:\\temp\\Morvexdebug_t0.txt", "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(GetFileAttributes((work + "Morvexdebug_t0.txt").c_str()), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(GetFileAttributes("c:\\temp"), FILE_ATTRIBUTE_DIRECTORY);
    HFILE hf = _lopen("c:\\temp\\Morvexdebug_t0.txt", OF_READ);
    EXPECT_NE(hf, HFILE_ERROR);
    _lclose(hf);
    EXPECT_EQ(_lopen("c:\\temp", OF_READ), HFILE_ERROR);  // a folder is no file
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");

    // Global blocks start zero-filled and stay where they are.
    HGLOBAL g = GlobalAlloc(GMEM_ZEROINIT, 1000 * sizeof(double));
    auto* d = static_cast<double*>(GlobalLock(g));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d[0], 0.0);
    EXPECT_EQ(d[999], 0.0);
    EXPECT_EQ(GlobalLock(g), d);
    EXPECT_EQ(GlobalSize(g), 1000 * sizeof(double));
    EXPECT_EQ(GlobalFree(g), nullptr);
}
