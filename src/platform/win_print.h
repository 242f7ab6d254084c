// Printing the main window on one page.
#pragma once

#include "platform/win_types.h"

namespace win {

// Shows the print dialog (headless: the script's answer, printed into a PDF
// file), then draws the window's client area (its surface) onto one page,
// as large as the page allows with its proportions kept, in landscape when
// the window is wider than high. FALSE when cancelled or when printing failed.
BOOL PrintWindowPage(HWND hWnd, LPCSTR lpszDocName);

}  // namespace win
