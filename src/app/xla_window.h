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
    // Loads the full paths of the pending file list as a new set.
    void LoadScanFileList();
    // The same for a reload of the set under analysis; runs the model again.
    void ReloadScanFileList();
    // Appends the scans of an open-dialog selection to the loaded set.
    void AddMoreFiles(char* szSelection);
    // Checks the loaded scans against "speedsteps.txt" in their directory.
    void CheckSpeedSteps(const char* szDrive, const char* szDir);
    // Checks the recorded elapsed times against the file time stamps; true
    // when it wrote corrected copies into the pending list.
    bool CheckTimeStamps();

    // ---------------------------------------------------------------- main window (subsystem 4)
    // Appends text to the diagnostics file while diagnostics output is on.
    void DebugLog(const char* szText);
    // Invalidates and erases the whole window unless in batch mode.
    void InvalidateUnlessBatch();
    // Show or remove the on-screen noise buttons.
    void ShowNoiseButtons();
    void DeleteNoiseButtons();

    // ---------------------------------------------------------------- models and fit parameters (subsystem 7)
    // Offers to restore the parameters saved beside the data; true when restored.
    bool OfferRestorePreviousAnalysis(int bAsk);

    // ---------------------------------------------------------------- fitting (subsystem 8)
    // One evaluation of the current model on the loaded data.
    void CmRun();
    void RunFromKeyboard();

    // ---------------------------------------------------------------- continuous distributions (subsystem 9)

    // ---------------------------------------------------------------- equilibrium and classical analyses (subsystem 10)

    // ---------------------------------------------------------------- side data, calculators and exports (subsystem 11)
};
