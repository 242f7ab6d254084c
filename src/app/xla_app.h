// The application object and the program's entry after the platform is up.
#pragma once

#include <string>

#include "app/parameter_file.h"

class TXLAWindow;

// The command-line words kept by OwlMain.
extern int nCommandLineArgs;
extern char** ppCommandLineArgs;
// The parameter file of the unattended run, read before the window exists;
// bHaveRunParameters tells that the program runs unattended.
extern RunParameters runParameters;
extern unsigned char bHaveRunParameters;
// Exit code of the program: 0, or 1 when the unattended job failed.
extern int nProgramExitCode;
// What the unattended run found, a few lines for the console: the main
// figures of its result and where the results are (main prints them).
extern std::string szRunSummary;
// The main window while the program runs.
extern TXLAWindow* pMainWindow;

class TXLAApp {
public:
    explicit TXLAApp(const char* szName);
    ~TXLAApp();
    // Makes the main window.
    void InitMainWindow();
    // Makes and shows the main window and runs the message loop until the
    // quit request; returns the exit code.
    int Run();

    // True while InitMainWindow makes the main window.
    static bool IsStartingUp();

    const char* GetName() const { return szAppName.c_str(); }
    TXLAWindow* GetMainWindow() const { return pWindow; }

private:
    std::string szAppName;
    TXLAWindow* pWindow = nullptr;
};

// Builds the paths, keeps the command-line words and runs TXLAApp
// "RADOdodedez"; returns the program's exit code.
int OwlMain(int argc, char** argv);
