// The main window.
#pragma once

#include "platform/win.h"

class TXLAWindow : public win::TWindow {
public:
    TXLAWindow(win::TWindow* parent, const char* title);
    ~TXLAWindow() override;

    // Draws the plots into the client area.
    void Paint(win::HDC dc, bool bErase, win::RECT& rect) override;

    // Each subsystem declares its members in its own section below.

    // ---------------------------------------------------------------- scan data commands (subsystem 3)

    // ---------------------------------------------------------------- main window (subsystem 4)

    // ---------------------------------------------------------------- models and fit parameters (subsystem 7)

    // ---------------------------------------------------------------- fitting (subsystem 8)

    // ---------------------------------------------------------------- continuous distributions (subsystem 9)

    // ---------------------------------------------------------------- equilibrium and classical analyses (subsystem 10)

    // ---------------------------------------------------------------- side data, calculators and exports (subsystem 11)
};
