// Outside programs: the command lines of the system mapped onto this machine,
// started, waited for, and missing; documents and the help page.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/services.h"

using namespace win;

namespace {

// A fresh folder, removed afterwards with the current folder put back.
struct TempFolder {
    std::string path;
    std::string previous;
    TempFolder()
    {
        char tmpl[] = "/tmp/morvex_programsXXXXXX";
        path = mkdtemp(tmpl);
        char buf[4096];
        previous = getcwd(buf, sizeof buf) ? buf : "/";
    }
    ~TempFolder()
    {
        SetCurrentDirectory(previous.c_str());
        std::filesystem::remove_all(path);
    }
    operator const std::string&() const { return path; }
};

void writeFile(const std::string& path, const std::string& text, mode_t mode = 0644)
{
    std::ofstream(path) << text;
    chmod(path.c_str(), mode);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Programs configured in per-user settings of one test's own (tests run
// side by side).
struct Configured {
    std::string previous;
    TempFolder settings;
    explicit Configured(const std::string& lines)
    {
        previous = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
        setenv("XDG_CONFIG_HOME", settings.path.c_str(), 1);
        writeFile(workingFolder() + "programs.ini", lines);
    }
    ~Configured() { setenv("XDG_CONFIG_HOME", previous.c_str(), 1); }
};

// A stand-in program: writes its arguments, one per line, beside itself,
// takes a while, and ends with 7.
std::string fakeProgram(const std::string& folder)
{
    std::string p = folder + "/fakeploka";
    writeFile(p, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.txt\"\nsleep 0.3\nexit 7\n", 0755);
    return p;
}

}  // namespace

TEST(Programs, AConfiguredProgramGetsTheExactCommandLineAndIsWaitedFor)
{
    TempFolder dir;
    std::string fake = fakeProgram(dir);
    Configured cfg("# outside programs\nPLOKA.exe = " + fake + "\n");
    char line[] = "c:\\MORVEX\\PLOKA\\PLOKA.exe --cofs \"C:\\temp\\dist of run 1.txt\" 4113";
    STARTUPINFO si{};
    PROCESS_INFORMATION pi{};
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(CreateProcess(nullptr, line, nullptr, nullptr, FALSE, CREATE_SEPARATE_WOW_VDM, nullptr, nullptr, &si,
                              &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 1), WAIT_TIMEOUT);  // the system's 1 ms look
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_FAILED);  // closed

    std::string mapped = workingFolder() + "dist of run 1.txt";
    EXPECT_EQ(readFile(dir.path + "/args.txt"), "--cofs\n" + mapped + "\n4113\n");
    EXPECT_EQ(headless::transcript().back(),
              "Start CreateProcess " + headless::quote(line) + " -> program " + headless::quote(fake) +
                  " \"--cofs\" " + headless::quote(mapped) + " \"4113\"");

    // WinExec does not wait. The test does: the program must have read its
    // script before the folder goes.
    start = std::chrono::steady_clock::now();
    EXPECT_GT(WinExec("PLOKA.exe --dls x", SW_SHOWNORMAL), 31u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    while (readFile(dir.path + "/args.txt") != "--dls\nx\n" &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(readFile(dir.path + "/args.txt"), "--dls\nx\n");
}

TEST(Programs, AMissingProgramTakesTheCallersFailurePath)
{
    TempFolder dir;
    // A Windows program is no program here, even when it is there.
    writeFile(dir.path + "/plot3d.exe", "MZ\x90", 0755);
    ASSERT_TRUE(SetCurrentDirectory(dir.path.c_str()));
    UINT r = WinExec("plot3d.exe 4113 c:\\temp\\ 12", SW_SHOWNORMAL);
    EXPECT_EQ(r, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(headless::transcript().back(),
              "Start WinExec \"plot3d.exe 4113 c:\\\\temp\\\\ 12\" -> missing \"plot3d.exe: a Windows program\"");

    headless::Script script;
    script.expectMessageBox("ERROR", IDOK);
    char line[] = "cmd.exe /K c:\\nowhere\\hydropro.bat";
    STARTUPINFO si{};
    PROCESS_INFORMATION pi{};
    if (!CreateProcess(nullptr, line, nullptr, nullptr, FALSE, 0x800, nullptr, nullptr, &si, &pi))
        MessageBox(nullptr, "cannot start HYDROPRO", "ERROR", MB_OK | MB_ICONSTOP);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(script.lines()[0], "Start CreateProcess \"cmd.exe /K c:\\\\nowhere\\\\hydropro.bat\" -> missing "
                                 "\"no batch file /nowhere/hydropro.bat\"");

    // A configured program that is not there is missing too.
    Configured cfg("drellix.exe=/no/such/drellix\n");
    EXPECT_EQ(WinExec("c:\\morvex\\drellix.exe c:\\data\\run.xp", SW_SHOWNORMAL), ERROR_FILE_NOT_FOUND);
}

TEST(Programs, ABatchRunsAsAShellScriptInItsFolder)
{
    const std::string bat =
        "echo starting hydropro\r\nhydropro7cmsd.exe\r\n@ping 127.0.0.1 -n 4 -w 1000 > nul\r\nexit\r\n";
    // The translation, line by line.
    EXPECT_EQ(detail::translateBatch("@echo off\nrem a comment\necho hello there\npause\nexit /b 3\n", "/tmp"),
              "printf '%s\\n' 'hello there'\nexit '3'\n");

    TempFolder folder, homeFolder;
    const std::string& dir = folder.path;
    const std::string& home = homeFolder.path;
    // The program as the user located it, copied into the working folder as
    // the launcher does: the copy stays runnable.
    writeFile(home + "/hydro", "#!/bin/sh\nprintf 'Sedimentation coefficient: 4.2 S\\n' > prot.res\n", 0755);
    ASSERT_TRUE(CopyFile((home + "/hydro").c_str(), (dir + "/hydropro7cmsd.exe").c_str(), FALSE));
    writeFile(dir + "/hydropro.bat", bat);
    EXPECT_EQ(detail::translateBatch(bat, dir),
              "printf '%s\\n' 'starting hydropro'\n'" + dir + "/hydropro7cmsd.exe'\nexit\n");

    ASSERT_TRUE(SetCurrentDirectory(dir.c_str()));
    std::string line = "cmd.exe /K " + dir + "\\hydropro.bat";
    STARTUPINFO si{};
    PROCESS_INFORMATION pi{};
    // What the batch echoes goes where the program's own output goes.
    testing::internal::CaptureStdout();
    ASSERT_TRUE(CreateProcess(nullptr, line.data(), nullptr, nullptr, FALSE, 0x800, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "starting hydropro\n");
    CloseHandle(pi.hProcess);
    EXPECT_EQ(readFile(dir + "/prot.res"), "Sedimentation coefficient: 4.2 S\n");
    EXPECT_EQ(headless::transcript().back(),
              "Start CreateProcess " + headless::quote(line) + " -> batch " + headless::quote(dir + "/hydropro.bat"));
}

TEST(Programs, DocumentsWebPagesAndHelpOpenWithTheDesktopsHandler)
{
    // Headless they are recorded, not opened.
    EXPECT_GT(WinExec("notepad.exe c:\\temp\\timestampanalysis.txt", SW_SHOWMAXIMIZED), 31u);
    EXPECT_EQ(headless::transcript().back(), "Start WinExec \"notepad.exe c:\\\\temp\\\\timestampanalysis.txt\" -> open " +
                                                 headless::quote(workingFolder() + "timestampanalysis.txt"));
    HINSTANCE h = ShellExecute(nullptr, "open", "https://example.org/guide.pdf", nullptr, nullptr, SW_SHOWNORMAL);
    EXPECT_GT(reinterpret_cast<uintptr_t>(h), 32u);
    EXPECT_EQ(headless::transcript().back(),
              "Start ShellExecute \"open https://example.org/guide.pdf\" -> open \"https://example.org/guide.pdf\"");

    // The help contexts are anchors of our own page beside the program.
    EXPECT_TRUE(WinHelp(nullptr, "morvex.hlp", HELP_CONTEXT, 320));
    std::string url = "file://" + programFolder() + "help.html#context-320";
    EXPECT_EQ(headless::transcript().back(), "Start WinHelp \"HELP_CONTEXT 320\" -> open " + headless::quote(url));
    EXPECT_EQ(helpPageUrl("context-321"), "file://" + programFolder() + "help.html#context-321");
    std::string page = readFile(std::string(MORVEX_SOURCE_DIR) + "/docs/help.html");
    EXPECT_NE(page.find("id=\"context-320\""), std::string::npos);
    EXPECT_NE(page.find("id=\"context-321\""), std::string::npos);
    EXPECT_EQ(readFile(programFolder() + "help.html"), page);
}
