// The main window on the headless screen, with synthetic sedimentation
// scans written by the scan-file writer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/app_fixture.h"
#include "app/xla_window.h"
#include "platform/headless.h"
#include "scandata/scan_header.h"

// Writes nScans absorbance scans of one boundary (s = 4.5 S, D = 6e-7
// cm^2/s, 50000 rpm, meniscus 6.0 cm) named "<stem>NNNNN.RA1" into folder;
// returns their full paths in time order.
std::vector<std::string> writeBoundaryScans(const std::string& folder, int nScans, const char* szStem = "scan");

// The header of an absorbance scan of cell 1 at 280 nm and 20 C, taken t s
// into a run at rpm, titled "<title> <k>".
ScanHeader absorbanceScanHeader(const char* szTitle, int k, double rpm, double t);

// Copies the 30 numbered scans of examples/velocity (not the grid file a
// distribution run writes beside them) into folder; their paths in order.
std::vector<std::string> copyVelocityExampleScans(const std::string& folder);

// The discrete-species parameter dialog answered with the example's values:
// component 1 with loading 0.8, D 6.1, s 4.3, baseline 0.02, meniscus 6.0 and
// bottom 7.2, nothing floated, no TI or RI noise.
win::headless::DialogAnswer exampleDiscreteSpeciesAnswer();

// The example's cell in a model's parameter dialog, added to an answer:
// baseline 0.02, meniscus 6.0 and bottom 7.2, none of them floated, no TI or
// RI noise.
win::headless::DialogAnswer& withExampleCell(win::headless::DialogAnswer& a);

class MainWindowTest : public AppFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // A main window made and painted once; the disclaimer counts as accepted.
    TXLAWindow* OpenWindow();
    // Loads the scans the way the open dialog hands them over.
    void LoadScans(const std::vector<std::string>& paths);
    // Paints a rectangle of the window white, so that what a drawing puts
    // there can be told from what was there before; and its pixels, row by row.
    void WhiteOut(const win::RECT& r);
    std::vector<win::COLORREF> PixelsOf(const win::RECT& r);
    // Writes a text at (x, y) with the window's current font, as a line of
    // the program would stand there.
    void TextAt(int x, int y, const char* szText);
    std::unique_ptr<TXLAWindow> window;
};
