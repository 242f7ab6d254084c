// Texts and boxes of the distribution solvers.
#include "distributions/solver_output.h"

#include <cstring>

#include "app/app_globals.h"
#include "app/xla_app.h"
#include "app/xla_window.h"

void solverNoticeBox(const char* szText)
{
    solverTitledBox(szText, "");
}

void solverTitledBox(const char* szText, const char* szTitle)
{
    win::HWND hwnd = pMainWindow ? pMainWindow->HWindow : nullptr;
    win::MessageBox(hwnd, szText, szTitle, win::MB_OK);
}

void solverProgressText(int x, int y, const char* szText)
{
    if (!bWindowPainted || !pMainWindow) return;
    win::HDC dc = pMainWindow->GetDC();
    if (!dc) return;
    win::TextOut(dc, x, y, szText, static_cast<int>(std::strlen(szText)));
    pMainWindow->ReleaseDC(dc);
}
