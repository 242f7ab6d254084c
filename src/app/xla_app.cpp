// The application object.
#include "app/xla_app.h"

#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "numerics/error_stop.h"
#include "platform/win.h"

int nCommandLineArgs = 0;
char** ppCommandLineArgs = nullptr;
RunParameters runParameters;
unsigned char bHaveRunParameters = 0;
int nProgramExitCode = 0;
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
    bStartingUp = true;
    pWindow = new TXLAWindow(nullptr, "Sedimentation Analysis");
    bStartingUp = false;
    pMainWindow = pWindow;
}

bool TXLAApp::PumpMessage(int* pnResult)
{
    win::MSG msg;
    try {
        int r = win::GetMessage(&msg, nullptr, 0, 0);
        if (r <= 0) {
            *pnResult = r == 0 ? static_cast<int>(msg.wParam) : 0;
            return false;
        }
        win::TranslateMessage(&msg);
        win::DispatchMessage(&msg);
    } catch (const CComputationAbandoned&) {
        // the message was shown where the failure happened
    }
    return true;
}

int TXLAApp::Run()
{
    InitMainWindow();
    if (pWindow->QuitRequested()) return 0;
    if (!pWindow->Create()) return 1;
    // the first paint comes before any command
    pWindow->Invalidate(true);
    pWindow->UpdateWindow();
    int nResult = 0;
    while (PumpMessage(&nResult)) {
    }
    return nProgramExitCode ? nProgramExitCode : nResult;
}

int OwlMain(int argc, char** argv)
{
    setUpDataFilePaths();
    nCommandLineArgs = argc;
    ppCommandLineArgs = argv;
    TXLAApp app("RADOdodedez");
    return app.Run();
}
