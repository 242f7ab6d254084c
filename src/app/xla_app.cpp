// The application object.
#include "app/xla_app.h"

#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/error_stop.h"
#include "platform/win.h"
#include "plot/plot_fonts.h"
#include "resources/dialog_templates.h"

int nCommandLineArgs = 0;
char** ppCommandLineArgs = nullptr;
RunParameters runParameters;
unsigned char bHaveRunParameters = 0;
int nProgramExitCode = 0;
std::string szRunSummary;
TXLAWindow* pMainWindow = nullptr;

TXLAApp::TXLAApp(const char* szName) : szAppName(szName) {}

TXLAApp::~TXLAApp()
{
    if (pMainWindow == pWindow) pMainWindow = nullptr;
    delete pWindow;
}

namespace {
bool bStartingUp = false;
}

bool TXLAApp::IsStartingUp() { return bStartingUp; }

void TXLAApp::InitMainWindow()
{
    // Every dialog of the program is built on these templates.
    installDialogTemplates();
    bStartingUp = true;
    pWindow = new TXLAWindow(nullptr, "Sedimentation Analysis");
    bStartingUp = false;
    pMainWindow = pWindow;
}

int TXLAApp::Run()
{
    InitMainWindow();
    if (pWindow->QuitRequested()) return 0;
    if (!pWindow->Create()) return 1;
    // the first paint comes before any command
    pWindow->Invalidate(true);
    pWindow->UpdateWindow();
    // A computation abandoned by a deep failure ends its command, not the
    // program: its message was shown where it failed, and the loop goes on.
    int nResult = 0;
    for (;;) {
        try {
            nResult = win::runMessageLoop();
            break;
        } catch (const CComputationAbandoned&) {
        }
    }
    return nProgramExitCode ? nProgramExitCode : nResult;
}

int OwlMain(int argc, char** argv)
{
    setUpDataFilePaths();
    allocParameterVectors();
    createPlotFonts();
    nCommandLineArgs = argc;
    ppCommandLineArgs = argv;
    TXLAApp app("RADOdodedez");
    return app.Run();
}
