// The main window: start-up, menus, help requests, painting, mouse and keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <vector>

#include "analyses/timetoeq/speed_step_optimizer.h"
#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/preferences.h"
#include "app/scan_colors.h"
#include "app/window_fixture.h"
#include "app/xla_app.h"
#include "distributions/distribution_integration.h"
#include "distributions/distribution_result.h"
#include "distributions/peak_information.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/mouse_tracker.h"
#include "plot/screen_button.h"
#include "resources/commands.h"
#include "scandata/scan_data.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_file.h"
#include "scandata/scan_set_fixture.h"
#include "tools/calculators/calculator_fixture.h"

using namespace win;

namespace {

bool transcriptHas(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& l : lines)
        if (l.find(part) != std::string::npos) return true;
    return false;
}

// Share of pixels that differ by more than a few levels in any channel.
double differingShare(const std::string& a, const std::string& b)
{
    int wa = 0, ha = 0, wb = 0, hb = 0;
    HBITMAP ba = loadBitmapImage(a.c_str(), &wa, &ha);
    HBITMAP bb = loadBitmapImage(b.c_str(), &wb, &hb);
    if (!ba || !bb || wa != wb || ha != hb) return 1.0;
    HDC da = CreateCompatibleDC(nullptr), db = CreateCompatibleDC(nullptr);
    SelectObject(da, ba);
    SelectObject(db, bb);
    long differ = 0;
    for (int y = 0; y < ha; ++y)
        for (int x = 0; x < wa; ++x) {
            COLORREF p = GetPixel(da, x, y), q = GetPixel(db, x, y);
            if (std::abs(GetRValue(p) - GetRValue(q)) > 8 || std::abs(GetGValue(p) - GetGValue(q)) > 8 ||
                std::abs(GetBValue(p) - GetBValue(q)) > 8)
                ++differ;
        }
    DeleteDC(da);
    DeleteDC(db);
    DeleteObject(ba);
    DeleteObject(bb);
    return double(differ) / (double(wa) * ha);
}

COLORREF surfacePixel(TXLAWindow* w, int x, int y)
{
    HDC dc = w->GetDC();
    COLORREF c = GetPixel(dc, x, y);
    w->ReleaseDC(dc);
    return c;
}

// The colour a pixel takes when a line inverts it.
COLORREF inverted(COLORREF c)
{
    return RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c));
}

}  // namespace

TEST_F(MainWindowTest, DisclaimerUntilAcceptedOnceAndARefusalEnds)
{
    {
        headless::Script script;
        script.expectMessageBox("DISCLAIMER", IDNO);
        TXLAApp app("RADOdodedez");
        EXPECT_EQ(app.Run(), 0);
        EXPECT_TRUE(app.GetMainWindow()->QuitRequested());
        EXPECT_EQ(app.GetMainWindow()->HWindow, nullptr);  // no window was made
        EXPECT_TRUE(transcriptHas(script.lines(), "without warranty"));
    }
    EXPECT_EQ(readLines(szParamsIniPath)[0], "0");
    {
        headless::Script script;
        script.expectMessageBox("DISCLAIMER", IDYES).command(CM_EXIT);
        bWindowPainted = 0;
        TXLAApp app("RADOdodedez");
        EXPECT_EQ(app.Run(), 0);
        EXPECT_NE(app.GetMainWindow()->HWindow, nullptr);
        EXPECT_EQ(bWindowPainted, 1);
    }
    EXPECT_EQ(readLines(szParamsIniPath)[0], "1");
    {
        // accepted once: never asked again (an unexpected box would fail)
        headless::Script script;
        script.command(CM_EXIT);
        TXLAApp app("RADOdodedez");
        EXPECT_EQ(app.Run(), 0);
        EXPECT_FALSE(transcriptHas(script.lines(), "DISCLAIMER"));
        // the program's dialog templates are there for every command
        for (int id : {631, 1086, 1097, 1096}) EXPECT_NE(findDialogTemplate(id), nullptr) << id;
    }
}

TEST_F(MainWindowTest, MenuBarChecksAndTheFloToolsItem)
{
    // of the plotting programs only the 3d plot is there: the other items go
    std::filesystem::create_directories(scratch + "bin");
    writeText(scratch + "bin/plot3d", "#!/bin/sh\n");
    setUpDataFilePaths(scratch.c_str());
    TXLAWindow* w = OpenWindow();
    HMENU m = w->GetMenu();
    ASSERT_TRUE(m);
    EXPECT_NE(GetMenuState(m, 878, MF_BYCOMMAND), 0xFFFFFFFFu);
    for (UINT id = 879; id <= 883; ++id) EXPECT_EQ(GetMenuState(m, id, MF_BYCOMMAND), 0xFFFFFFFFu) << id;
    EXPECT_EQ(bHavePlot3dExe, 1);
    EXPECT_EQ(bHaveMovieExe, 0);
    EXPECT_EQ(std::string(w->GetCaption()), "Sedimentation Analysis");
    EXPECT_EQ(GetMenuState(m, 298, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(GetMenuState(m, 518, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(GetMenuState(m, CM_EXIT, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_NE(GetMenuState(m, CM_FLAG_STRONG_GRADIENTS, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(m, CM_SCAN_COLOR_FROM_TIME, MF_BYCOMMAND) & MF_CHECKED, 0u);

    // No command waits for a part any more, so every item of every menu and
    // popup leads to its handler and none is grayed
    std::vector<HMENU> menus{m};
    int nCommandItems = 0;
    for (size_t q = 0; q < menus.size() && q < 100; ++q)
        for (int k = 0; k < GetMenuItemCount(menus[q]); ++k) {
            if (HMENU sub = GetSubMenu(menus[q], k)) {
                menus.push_back(sub);
                continue;
            }
            const UINT id = GetMenuItemID(menus[q], k);
            const UINT state = GetMenuState(menus[q], k, MF_BYPOSITION);
            if (state & MF_SEPARATOR) continue;
            ++nCommandItems;
            EXPECT_EQ(state & (MF_GRAYED | MF_DISABLED), 0u) << id;
        }
    EXPECT_GT(nCommandItems, 200);
    // Optimize of the simulator's popup (932) starts the search, which first
    // refuses a programme beyond the 20000 scans of 1800 s the simulation
    // holds (docs/analyses.md)
    {
        headless::Script opt;
        nAppEqOptSpecies = 1;
        fAppEqOptDuration = 20001.0f * 3600.0f;
        opt.expectMessageBox("is beyond the 20000 scans (10000 h) the simulation can hold", IDOK);
        opt.command(932);
        headless::processMessages();
        EXPECT_EQ(opt.pending(), 0u);
    }

    // a toggle through the menu checks its item and is kept in the defaults file
    headless::Script script;
    script.command(CM_SCAN_COLOR_FROM_TIME);
    headless::processMessages();
    EXPECT_EQ(bScanColorFromTime, 1);
    EXPECT_NE(GetMenuState(m, CM_SCAN_COLOR_FROM_TIME, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(readLines(szParamsIniPath)[11], "1");

    // Toggle Mouse Sliding goes round three states: from sliding off to
    // sliding with bouncing, to sliding without bouncing, to sliding off
    // (docs/app.md)
    bMouseSlidingOff = 1;
    bMouseBounceMode = 1;
    const struct {
        const char* szText;
        int nSlidingOff, nBounce;
    } steps[] = {{"switching on mouse sliding", 0, 1},
                 {"toggling mouse bouncing", 0, 0},
                 {"switching off mouse sliding", 1, 1},
                 {"switching on mouse sliding", 0, 1}};
    for (const auto& s : steps) {
        script.expectMessageBox(s.szText, IDOK).command(837);
        headless::processMessages();
        EXPECT_EQ(script.pending(), 0u) << s.szText;
        EXPECT_EQ(bMouseSlidingOff, s.nSlidingOff) << s.szText;
        EXPECT_EQ(bMouseBounceMode, s.nBounce) << s.szText;
    }

    // the FloTools item lives while fluorescence data are loaded
    int nItems = GetMenuItemCount(m);
    bFluorescenceData = 1;
    w->UpdateFloToolsMenu();
    ASSERT_EQ(GetMenuItemCount(m), nItems + 1);
    EXPECT_EQ(GetMenuItemID(m, nItems), 915u);
    EXPECT_EQ(GetMenuState(m, 915, MF_BYCOMMAND) & MF_GRAYED, 0u);  // the FloTools dialog is built
    w->UpdateFloToolsMenu();
    EXPECT_EQ(GetMenuItemCount(m), nItems + 1);  // not twice
    bFluorescenceData = 0;
    w->UpdateFloToolsMenu();
    EXPECT_EQ(GetMenuItemCount(m), nItems);

    // the mean-field ctot(r,t) items live in the Data menu, before Print's
    // separator, while the non-ideal c(s) model is chosen
    HMENU data = GetSubMenu(m, 0);
    int nData = GetMenuItemCount(data);
    bModelNonidealCS = 1;
    w->UpdateFloToolsMenu();
    w->UpdateFloToolsMenu();
    ASSERT_EQ(GetMenuItemCount(data), nData + 4);
    int nPrint = 0;
    for (int k = 0; k < GetMenuItemCount(data); ++k)
        if (GetMenuItemID(data, k) == CM_PRINT) nPrint = k;
    for (UINT id = 1103; id <= 1106; ++id) {
        EXPECT_EQ(GetMenuItemID(data, nPrint - 5 + int(id - 1103)), id);
        EXPECT_EQ(GetMenuState(m, id, MF_BYCOMMAND) & MF_GRAYED, 0u) << id;  // their commands are built
    }
    bModelNonidealCS = 0;
    w->UpdateFloToolsMenu();
    EXPECT_EQ(GetMenuItemCount(data), nData);
    EXPECT_EQ(GetMenuState(m, 1104, MF_BYCOMMAND), 0xFFFFFFFFu);
}

TEST_F(MainWindowTest, HelpRequestOffersHelpInsteadOfActing)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 6));
    nZoomLevel = 2;
    headless::Script script;
    script.expectMessageBox("HELP", IDYES).expectMessageBox("HELP", IDNO);
    w->EvHelpRequest(518);
    EXPECT_EQ(nZoomLevel, 2);  // Data Range did not run
    EXPECT_EQ(w->bHelpRequest, 0);
    EXPECT_TRUE(transcriptHas(script.lines(), "\"Show the help page on \\\"Data Range\\\" in the web browser?\""));
    EXPECT_TRUE(transcriptHas(script.lines(), "help.html#command-518"));
    w->EvHelpRequest(CM_SCAN_COLOR_FROM_TIME);
    EXPECT_EQ(bScanColorFromTime, 0);
    // Run has no help prologue: no question, it runs
    bWizardMessages = 0;
    w->EvHelpRequest(213);
    EXPECT_EQ(script.pending(), 0u);
    // without the request the command acts
    w->EvCommand(518, nullptr, 0);
    EXPECT_EQ(nZoomLevel, 0);

    // How To Get Help chosen itself opens the page at its top, not at the
    // command asked about before (nor at "#command-0", which is no anchor).
    headless::Script top;
    top.expectMessageBox("HELP", IDYES);
    w->EvCommand(CM_HOW_TO_GET_HELP, nullptr, 0);
    EXPECT_TRUE(transcriptHas(top.lines(), "\"Show the help pages in the web browser?\""));
    EXPECT_TRUE(transcriptHas(top.lines(), "help.html\"")) << top.lines().back();
    EXPECT_FALSE(transcriptHas(top.lines(), "#command-"));
}

TEST_F(MainWindowTest, PaintingWaitsWhileBusy)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 8));
    const COLORREF white = RGB(255, 255, 255);
    // a point on the frame's left edge of the data plot
    int x = pDataPlot->nFrameLeft * 1400 / 1399, y = (pDataPlot->nFrameTop + pDataPlot->nFrameBottom) / 2;
    EXPECT_NE(surfacePixel(w, x, y), white);
    for (unsigned char* pFlag : {&w->bRunning, &w->bFitting, &w->bCtotBusy, &bLoadFromList}) {
        *pFlag = 1;
        w->Invalidate(true);
        headless::processMessages();
        EXPECT_EQ(surfacePixel(w, x, y), white);  // erased, not painted
        // mouse and keys wait too while Run or Fit work: no drag starts, one
        // begun before is not let go into a zoom, and no zoom is undone
        if (pFlag == &w->bRunning || pFlag == &w->bFitting) {
            w->EvLButtonDown(0, POINT{700, 250});
            EXPECT_FALSE(w->bZoomDragging);
            *pFlag = 0;
            w->EvLButtonDown(0, POINT{600, 250});
            ASSERT_TRUE(w->bZoomDragging);
            const float fXMin = pDataPlot->fXMin, fXMax = pDataPlot->fXMax;
            *pFlag = 1;
            w->EvLButtonUp(0, POINT{900, 250});
            EXPECT_EQ(nZoomLevel, 0);
            EXPECT_EQ(pDataPlot->fXMin, fXMin);
            EXPECT_EQ(pDataPlot->fXMax, fXMax);
            *pFlag = 0;
            w->EvLButtonUp(0, POINT{600, 250});  // ends the drag without a zoom
            // a zoom made, the right button let go during the work does not
            // step it back; after the work it does, to the whole range
            w->EvLButtonDown(0, POINT{600, 250});
            w->EvLButtonUp(0, POINT{900, 250});
            ASSERT_EQ(nZoomLevel, 1);
            const float fZoomMin = pDataPlot->fXMin, fZoomMax = pDataPlot->fXMax;
            ASSERT_GT(fZoomMin, fXMin);
            *pFlag = 1;
            w->EvRButtonUp(0, POINT{700, 250});
            EXPECT_EQ(nZoomLevel, 1);
            EXPECT_EQ(pDataPlot->fXMin, fZoomMin);
            EXPECT_EQ(pDataPlot->fXMax, fZoomMax);
            *pFlag = 0;
            w->EvRButtonUp(0, POINT{700, 250});
            EXPECT_EQ(nZoomLevel, 0);
            EXPECT_EQ(pDataPlot->fXMin, fXMin);
            EXPECT_EQ(pDataPlot->fXMax, fXMax);
        }
        *pFlag = 0;
    }
    w->Invalidate(true);
    headless::processMessages();
    EXPECT_NE(surfacePixel(w, x, y), white);
}

TEST_F(MainWindowTest, ScansLoadedThroughTheMenuLookAsStored)
{
    TXLAWindow* w = OpenWindow();
    std::vector<std::string> scans = writeBoundaryScans(scratch, 12);
    headless::Script script;
    script.expectOpenFile("select files to fit", scans).expectInput("load every n'th file:", "1").command(200);
    headless::processMessages();
    ASSERT_EQ(nScans, 12);
    EXPECT_EQ(script.pending(), 0u);
    std::string shot = scratch + "data_plot.png";
    ASSERT_TRUE(saveWindowImage(w->HWindow, shot.c_str()));
    if (const char* out = std::getenv("MORVEX_SAVE_PICTURES"))
        std::filesystem::copy_file(shot, std::string(out) + "/data_plot.png",
                                   std::filesystem::copy_options::overwrite_existing);
    EXPECT_LT(differingShare(shot, MORVEX_TEST_DATA_DIR "/app/data_plot.png"), 0.002);
}

// Scans whose temperatures spread over more than 1 'C are named when they are
// loaded, with the lowest and the highest temperature among them, wherever
// the odd scan lies in the set (the first and the last too); a spread within
// 1 'C is not.
TEST_F(MainWindowTest, ScansOfDifferentTemperaturesAreNamedWhenLoaded)
{
    OpenWindow();
    for (int nOdd : {1, 3, 4})
        for (const char* szOdd : {"21.5", "20.9"}) {
            const std::string dir = scratch + "/t" + std::to_string(nOdd) + szOdd;
            std::filesystem::create_directories(dir);
            const std::vector<std::string> paths = writeBoundaryScans(dir, 4);
            // the second line of a scan file: letter, cell, temperature, ...
            std::string text = readText(paths[nOdd - 1]);
            const size_t at = text.find(" 20.0 ", text.find('\n'));
            ASSERT_NE(at, std::string::npos);
            text.replace(at + 1, 4, szOdd);
            writeText(paths[nOdd - 1], text);
            headless::Script script;
            const bool bWarn = std::string(szOdd) == "21.5";
            if (bWarn) script.expectMessageBox("varies from 20.0 'C to 21.5 'C, more than 1.0 'C.", IDOK);
            LoadScans(paths);
            ASSERT_EQ(nScans, 4);
            EXPECT_FLOAT_EQ(pScanHeaders[nOdd].temperature, std::stof(szOdd)) << nOdd;
            EXPECT_EQ(script.pending(), 0u) << nOdd << " " << szOdd;
            EXPECT_EQ(transcriptHas(script.lines(), "varies from"), bWarn) << nOdd << " " << szOdd;
        }
}

TEST_F(MainWindowTest, ZoomByDragAndBackByRightClick)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 8));
    float fXMin = pDataPlot->fXMin, fXMax = pDataPlot->fXMax;
    // the pixels of radii 6.2 and 6.6 cm on the 1400-pixel client
    int x1 = int(pDataPlot->MapX(6.2f) * 1400.0 / 1399 + 0.5), x2 = int(pDataPlot->MapX(6.6f) * 1400.0 / 1399 + 0.5);
    int y = 300;
    const int xMid = (x1 + x2) / 2;
    const COLORREF before = surfacePixel(w, x1, 200), beforeMid = surfacePixel(w, xMid, 200);

    // the window is marked by two lines that invert the picture: the start
    // line and the one under the mouse
    headless::Script script;
    script.mouse(WM_LBUTTONDOWN, x1, y, MK_LBUTTON).mouse(WM_MOUSEMOVE, xMid, y, MK_LBUTTON);
    headless::processMessages();
    EXPECT_TRUE(w->bZoomDragging);
    EXPECT_EQ(surfacePixel(w, x1, 200), inverted(before));
    EXPECT_EQ(surfacePixel(w, xMid, 200), inverted(beforeMid));
    // Escape drops the drag and gives the pixels back
    script.typeChar(0x1B);
    headless::processMessages();
    EXPECT_FALSE(w->bZoomDragging);
    EXPECT_EQ(surfacePixel(w, x1, 200), before);
    EXPECT_EQ(surfacePixel(w, xMid, 200), beforeMid);
    EXPECT_EQ(nZoomLevel, 0);

    script.mouse(WM_LBUTTONDOWN, x1, y, MK_LBUTTON).mouse(WM_MOUSEMOVE, x2, y, MK_LBUTTON).mouse(WM_LBUTTONUP, x2, y);
    headless::processMessages();
    ASSERT_EQ(nZoomLevel, 1);
    EXPECT_NEAR(pDataPlot->fXMin, 6.2f, 0.005f);
    EXPECT_NEAR(pDataPlot->fXMax, 6.6f, 0.005f);
    EXPECT_FLOAT_EQ(fZoomXMin[0], fXMin);
    script.mouse(WM_RBUTTONDOWN, 500, y, MK_RBUTTON).mouse(WM_RBUTTONUP, 500, y);
    headless::processMessages();
    EXPECT_EQ(nZoomLevel, 0);
    EXPECT_FLOAT_EQ(pDataPlot->fXMin, fXMin);
    EXPECT_FLOAT_EQ(pDataPlot->fXMax, fXMax);
}

TEST_F(MainWindowTest, MarkerDragMovesTheFitLimit)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 8));
    float fRight = fFitRightLim;
    ASSERT_GT(fRight, 6.5f);
    int x = int(pDataPlot->MapX(fRight) * 1400.0 / 1399 + 0.5);
    int x2 = int(pDataPlot->MapX(6.9f) * 1400.0 / 1399 + 0.5);
    // while it is dragged the limit's line follows the mouse, drawn inverted
    // over the picture and taken back where the mouse was before
    const COLORREF atLimit = surfacePixel(w, x, 200), atMouse = surfacePixel(w, x2, 200);
    headless::Script script;
    script.mouse(WM_LBUTTONDOWN, x, 300, MK_LBUTTON).mouse(WM_MOUSEMOVE, x2, 300, MK_LBUTTON);
    headless::processMessages();
    EXPECT_TRUE(w->bMarkerDragging);
    EXPECT_EQ(surfacePixel(w, x, 200), atLimit);
    EXPECT_EQ(surfacePixel(w, x2, 200), inverted(atMouse));
    script.mouse(WM_LBUTTONUP, x2, 300);
    headless::processMessages();
    EXPECT_FALSE(w->bMarkerDragging);
    EXPECT_NEAR(fFitRightLim, 6.9f, 0.005f);
    EXPECT_EQ(nZoomLevel, 0);

    // a dragged left limit takes the first fitted point of every scan with it
    // (the first radius at or right of the limit), and one let go left of the
    // meniscus comes back to meniscus + 0.01 cm (docs/scandata.md)
    ASSERT_GT(fFitLeftLim, fMeniscus);
    x = int(pDataPlot->MapX(fFitLeftLim) * 1400.0 / 1399 + 0.5);
    x2 = int(pDataPlot->MapX(6.3f) * 1400.0 / 1399 + 0.5);
    script.mouse(WM_LBUTTONDOWN, x, 300, MK_LBUTTON).mouse(WM_MOUSEMOVE, x2, 300, MK_LBUTTON).mouse(WM_LBUTTONUP, x2, 300);
    headless::processMessages();
    EXPECT_NEAR(fFitLeftLim, 6.3f, 0.005f);
    for (int i = 1; i <= nScans; ++i) {
        int j = 1;
        while (j < pScanPoints[i] && ppRadius[i][j] < fFitLeftLim) ++j;
        EXPECT_EQ(pFitFirstIndex[i], j) << i;
    }
    x = x2;
    x2 = int(pDataPlot->MapX(fMeniscus - 0.02f) * 1400.0 / 1399 + 0.5);
    script.mouse(WM_LBUTTONDOWN, x, 300, MK_LBUTTON).mouse(WM_MOUSEMOVE, x2, 300, MK_LBUTTON).mouse(WM_LBUTTONUP, x2, 300);
    headless::processMessages();
    EXPECT_FLOAT_EQ(fFitLeftLim, fMeniscus + 0.01f);

    // a dragged meniscus is also the meniscus of the parameter vector
    ASSERT_GT(fMeniscus, pDataPlot->fXMin);
    x = int(pDataPlot->MapX(fMeniscus) * 1400.0 / 1399 + 0.5);
    x2 = int(pDataPlot->MapX(fMeniscus + 0.03f) * 1400.0 / 1399 + 0.5);
    float fTo = fMeniscus + 0.03f;
    script.mouse(WM_LBUTTONDOWN, x, 300, MK_LBUTTON).mouse(WM_MOUSEMOVE, x2, 300, MK_LBUTTON).mouse(WM_LBUTTONUP, x2, 300);
    headless::processMessages();
    EXPECT_NEAR(fMeniscus, fTo, 0.005f);
    EXPECT_EQ(pParamValue[13], fMeniscus);
}

TEST_F(MainWindowTest, HitTestsFindThePointUnderTheMouse)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 4));
    int j = 100;
    float fX = float(pDataPlot->MapX(ppRadius[2][j])), fY = float(pDataPlot->MapY(ppSignal[2][j]));
    EXPECT_TRUE(w->HitDataPoint(2, fX, fY, 2, 2));
    EXPECT_EQ(nHitScan, j);
    EXPECT_FALSE(w->HitDataPoint(2, fX, fY + 200, 2, 2));
    EXPECT_EQ(nHitScan, 0);
    EXPECT_FALSE(w->HitDataPoint(9, fX, fY, 2, 2));
    EXPECT_TRUE(w->PointInDataPlot(700, 250));
    EXPECT_FALSE(w->PointInDataPlot(700, 800));  // residuals band
    EXPECT_FALSE(w->PointInDataPlot(5, 250));
    // the window and the tools take a pixel to the same place of the picture
    for (int x = 0; x <= 1400; x += 7)
        for (int y = 0; y <= 1000; y += 11) {
            const float fX = pixelToPerMilleX(x, w->fClientWidth), fY = pixelToPerMilleY(y, w->fClientHeight);
            const bool bInside = fX >= pDataPlot->nFrameLeft && fX <= pDataPlot->nFrameRight &&
                                 fY >= pDataPlot->nFrameTop && fY <= pDataPlot->nFrameBottom;
            ASSERT_EQ(w->PointInDataPlot(x, y), bInside) << x << " " << y;
        }
}

TEST_F(MainWindowTest, GradientCheckFlagsFourSteepSlopes)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 2));
    // scan 1 gets a step of 10 OD per 0.005 cm, i.e. 2000 per cm, from
    // point 120 on
    int i0 = 120;
    for (int k = 0; k <= 5; ++k) ppSignal[1][i0 + k] = 1.0f + 10.0f * k;
    for (int j = i0 + 6; j <= pScanPoints[1]; ++j) ppSignal[1][j] = 51.0f;
    fMeniscus = 5.96f;
    fBottom = 7.15f;
    fFitLeftLim = 5.97f;
    fFitRightLim = 7.0f;
    pFitFirstIndex[1] = 5;
    pFitLastIndex[1] = 200;
    fGradientLimit = 2500;
    EXPECT_TRUE(w->CheckMaxGradient());
    fGradientLimit = 500;
    headless::Script script;
    script.expectMessageBox("ERROR", IDOK);
    EXPECT_FALSE(w->CheckMaxGradient());
    // the largest of the four slopes over the radii as stored (0.005 cm in float)
    float fMax = 0;
    for (int k = 0; k < 4; ++k) fMax = std::max(fMax, 10.0f / (ppRadius[1][i0 + k + 1] - ppRadius[1][i0 + k]));
    EXPECT_NEAR(fMax, 2000.0f, 0.5f);
    char expected[200];
    std::snprintf(expected, sizeof expected, "max gradient exceeded:  grad = %.1f/cm at r ~ %.4fcm in scan scan00001.RA1",
                  fMax, ppRadius[1][i0]);
    EXPECT_TRUE(transcriptHas(script.lines(), expected)) << script.lines()[0];
    // without a meniscus there is no check
    fMeniscus = 0.0f;
    EXPECT_TRUE(w->CheckMaxGradient());
    fMeniscus = 5.96f;
    // two equal radii end the check
    ppRadius[1][i0 + 2] = ppRadius[1][i0 + 1];
    EXPECT_TRUE(w->CheckMaxGradient());
}

TEST_F(MainWindowTest, ResidualsAreDataMinusFitInsideTheFitLimits)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 4));
    // residuals rising with the radius: 0.02 (r - 6.5)
    for (int i = 1; i <= nScans; ++i)
        for (int j = 1; j <= pScanPoints[i]; ++j) ppFit[i][j] = ppSignal[i][j] - 0.02f * (ppRadius[i][j] - 6.5f);
    updateResidualsPlot(0);
    for (int i = 1; i <= nScans; ++i) {
        ASSERT_LE(pFitFirstIndex[i], pFitLastIndex[i]);
        for (int j = 1; j <= pScanPoints[i]; ++j) {
            bool bInside = ppRadius[i][j] >= fFitLeftLim && ppRadius[i][j] <= fFitRightLim;
            EXPECT_NEAR(ppResidual[i][j], bInside ? 0.02f * (ppRadius[i][j] - 6.5f) : 0.0f, 1e-6f) << i << " " << j;
        }
    }
    // the residuals plot shows once a model result belongs to the data
    const COLORREF white = RGB(255, 255, 255);
    auto bandHasInk = [&](int y0, int y1) {
        for (int y = y0; y < y1; y += 2)
            for (int x = 200; x < 1300; x += 3)
                if (surfacePixel(w, x, y) != white) return true;
        return false;
    };
    EXPECT_FALSE(bandHasInk(560, 940));
    bModelComputed = 1;
    w->Invalidate(true);
    headless::processMessages();
    EXPECT_TRUE(bandHasInk(560, 940));
    // the bitmap below it: a row per scan, dark where the residual is
    // negative, light where it is positive, the same in every row here
    headless::Script script;
    script.command(CM_SHOW_RESIDUALS_BITMAP);
    headless::processMessages();
    if (const char* out = std::getenv("MORVEX_SAVE_PICTURES"))
        saveWindowImage(w->HWindow, (std::string(out) + "/bitmap.png").c_str());
    int xLeft = int(pDataPlot->MapX(6.05f) * 1400.0 / 1399), xRight = int(pDataPlot->MapX(6.95f) * 1400.0 / 1399);
    COLORREF left = surfacePixel(w, xLeft, 820), right = surfacePixel(w, xRight, 820);
    EXPECT_LT(GetRValue(left), 100);
    EXPECT_GT(GetRValue(right), 156);
    EXPECT_EQ(GetRValue(left), GetGValue(left));  // grey
    EXPECT_EQ(surfacePixel(w, xLeft, 940), left);
    bModelComputed = 0;
    bShowResidualsBitmap = 0;
}

// With a model result the data plot carries the fit of every scan and the
// residuals plot its residuals, both drawn over the fitted radii only: from
// the first radius at or right of the left fit limit to the last at or left
// of the right one.
TEST_F(MainWindowTest, FitAndResidualCurvesCoverExactlyTheFittedRadii)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 4));
    for (int i = 1; i <= nScans; ++i)
        for (int j = 1; j <= pScanPoints[i]; ++j) ppFit[i][j] = ppSignal[i][j] - 0.01f;
    updateResidualsPlot(0);
    bModelComputed = 1;
    w->Invalidate(true);
    headless::processMessages();
    ASSERT_NE(pDataPlot, nullptr);
    ASSERT_NE(pResidualsPlot, nullptr);
    ASSERT_EQ(pDataPlot->nCurves, 2 * nScans);
    ASSERT_EQ(pResidualsPlot->nCurves, nScans);
    for (int i = 1; i <= nScans; ++i) {
        const float* r = ppRadius[i];
        const int n = pScanPoints[i];
        int jFirst = 1, jLast = n;
        while (jFirst <= n && r[jFirst] < fFitLeftLim) ++jFirst;
        while (jLast >= 1 && r[jLast] > fFitRightLim) --jLast;
        // the limits lie inside the scan, so that points on both sides are left out
        ASSERT_GT(jFirst, 1);
        ASSERT_LT(jLast, n);
        ASSERT_LT(jFirst, jLast);
        int first = -1, last = -1;
        // the signal is shown whole
        pDataPlot->EffectiveRange(i - 1, &first, &last);
        EXPECT_EQ(first, 0) << i;
        EXPECT_EQ(last, n - 1) << i;
        for (auto [p, k] : {std::pair{pDataPlot, nScans + i - 1}, std::pair{pResidualsPlot, i - 1}}) {
            p->EffectiveRange(k, &first, &last);
            // curve point m is radius m + 1 of the scan
            EXPECT_EQ(first + 1, jFirst) << "scan " << i << (p == pDataPlot ? " fit" : " residuals");
            EXPECT_EQ(last + 1, jLast) << "scan " << i << (p == pDataPlot ? " fit" : " residuals");
        }
    }
    bModelComputed = 0;
}

// The fits are lines in their scan's colour: each scan given a flat fit of
// its own, -0.2 - 0.1 i, well below the data (0.05 to 0.85), the data plot
// shows the level of scan i in scanColor(i) halfway between two fitted
// radii, where only the line between the points can stand and none of the
// data's circles lies.
TEST_F(MainWindowTest, FitsAreDrawnAsLinesInTheirScansColours)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 4));
    for (int i = 1; i <= nScans; ++i)
        for (int j = 1; j <= pScanPoints[i]; ++j) ppFit[i][j] = -0.2f - 0.1f * float(i);
    updateResidualsPlot(0);
    bModelComputed = 1;
    w->Invalidate(true);
    headless::processMessages();
    ASSERT_NE(pDataPlot, nullptr);
    for (int i = 1; i <= nScans; ++i) {
        // halfway between the middle fitted radius and the next
        const int j = (pFitFirstIndex[i] + pFitLastIndex[i]) / 2;
        const float r = 0.5f * (ppRadius[i][j] + ppRadius[i][j + 1]);
        const int x = int(pDataPlot->MapX(r) * 1400.0 / 1399 + 0.5);
        const int y = int(pDataPlot->MapY(-0.2f - 0.1f * float(i)) * 1000.0 / 999 + 0.5);
        int nLine = 0;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) nLine += surfacePixel(w, x + dx, y + dy) == scanColor(i);
        EXPECT_GT(nLine, 0) << "scan " << i << " at " << x << ", " << y;
    }
    bModelComputed = 0;
}

// A row per scan in time order, each the full share of the band, grey from
// black (-1) to white (+1) for residuals scaled by the largest of all scans.
TEST_F(MainWindowTest, ResidualsBitmapRowsShowTheirOwnScans)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 4));
    // constant residuals per scan; the largest, -1, in the scan stored first
    const float fResidual[] = {0, -1.0f, -0.5f, 0.25f, 0.5f};
    for (int i = 1; i <= nScans; ++i)
        for (int j = 1; j <= pScanPoints[i]; ++j) ppFit[i][j] = ppSignal[i][j] - fResidual[i];
    updateResidualsPlot(0);
    bModelComputed = 1;
    headless::Script script;
    script.command(CM_SHOW_RESIDUALS_BITMAP);
    headless::processMessages();
    const int x = int(pDataPlot->MapX(6.5f) * 1400.0 / 1399);
    const auto grey = [](float fR) {
        const int n = int(std::lround(128 + 127 * fR));
        return RGB(n, n, n);
    };
    for (int k = 1; k <= nScans; ++k) {
        // the middle of row k of the band 800..950
        const int y = 800 + (2 * k - 1) * 150 / 8;
        const COLORREF c = surfacePixel(w, x, y);
        EXPECT_EQ(c, grey(fResidual[pScanTimeOrder[k]])) << "row " << k << ": " << int(GetRValue(c));
    }
    // the band is 800 to 950 per mille whole: the first row from its top
    // line, the last to its bottom line, white around it
    const COLORREF white = RGB(255, 255, 255);
    EXPECT_EQ(surfacePixel(w, x, 799), white);
    EXPECT_EQ(surfacePixel(w, x, 800), grey(fResidual[pScanTimeOrder[1]]));
    EXPECT_EQ(surfacePixel(w, x, 950), grey(fResidual[pScanTimeOrder[nScans]]));
    EXPECT_EQ(surfacePixel(w, x, 951), white);
    // across, the cells stand under the fit limits of the data plot, white beyond
    ASSERT_LT(fFitLeftLim, fFitRightLim);
    const int xLeft = int(pDataPlot->MapX(fFitLeftLim) * 1400.0 / 1399),
              xRight = int(pDataPlot->MapX(fFitRightLim) * 1400.0 / 1399);
    for (int y : {800, 950}) {
        const COLORREF row = grey(fResidual[pScanTimeOrder[y == 800 ? 1 : nScans]]);
        EXPECT_EQ(surfacePixel(w, xLeft - 2, y), white);
        EXPECT_EQ(surfacePixel(w, xLeft + 2, y), row);
        EXPECT_EQ(surfacePixel(w, xRight - 2, y), row);
        EXPECT_EQ(surfacePixel(w, xRight + 2, y), white);
    }
    // each cell shows the residual of the point nearest its centre. The
    // points lie every 0.005 cm from 5.95 cm; over fit limits of 6.05095 to
    // 6.95095 cm the 300 cells are 0.003 cm wide, and the centre of every
    // fifth, 6.05245 + 0.015 m cm, lies a sixtieth of a cell short of the
    // midpoint between the points at 6.0500 + 0.015 m and 6.0550 + 0.015 m
    // cm: the cell shows the left one, point 21 + 3 m. Residuals of +1 and
    // -1 from point to point (white and black) tell the two apart. (Point 21,
    // at 6.05 cm, lies outside the limits: the first cell shows its 0.) Each
    // cell is looked at a third of its width left of its centre.
    fFitLeftLim = 6.05095f;
    fFitRightLim = 6.95095f;
    updateLeftFitLimit();
    updateRightFitLimit();
    ASSERT_EQ(fFitLeftLim, 6.05095f);
    ASSERT_EQ(fFitRightLim, 6.95095f);
    for (int i = 1; i <= nScans; ++i)
        for (int j = 1; j <= pScanPoints[i]; ++j) ppFit[i][j] = ppSignal[i][j] - (j % 2 ? -1.0f : 1.0f);
    updateResidualsPlot(0);
    w->Invalidate(true);
    headless::processMessages();
    for (int m = 1; m < 60; ++m) {
        const float fCentre = 6.05245f + 0.015f * m;
        const int x = int(pDataPlot->MapX(fCentre - 0.001f) * 1400.0 / 1399);
        const COLORREF expected = grey((21 + 3 * m) % 2 ? -1.0f : 1.0f);
        for (int k : {1, nScans}) {
            const int y = 800 + (2 * k - 1) * 150 / (2 * nScans);
            EXPECT_EQ(surfacePixel(w, x, y), expected) << "row " << k << ", the cell centred at " << fCentre << " cm";
        }
    }
    // fit limits one unit of the picture apart (about 0.001 cm here) make a
    // single cell, which shows the point nearest its centre too: the centre
    // at 6.5024 cm lies left of the midpoint 6.5025 cm between the points at
    // 6.500 cm (point 111, black) and 6.505 cm (point 112, white), by less
    // than a quarter of the cell, so the cell is black, and the place 3/4
    // across it would be white
    bool bOneUnit = false;
    for (float fWidth = 0.0005f; fWidth < 0.002f && !bOneUnit; fWidth += 0.0001f) {
        fFitLeftLim = 6.5024f - fWidth / 2;
        fFitRightLim = 6.5024f + fWidth / 2;
        bOneUnit = pDataPlot->MapX(fFitRightLim) - pDataPlot->MapX(fFitLeftLim) == 1;
    }
    ASSERT_TRUE(bOneUnit);
    const float fCellLeft = fFitLeftLim, fCellRight = fFitRightLim;
    updateLeftFitLimit();
    updateRightFitLimit();
    ASSERT_EQ(fFitLeftLim, fCellLeft);
    ASSERT_EQ(fFitRightLim, fCellRight);
    w->Invalidate(true);
    headless::processMessages();
    for (int k : {1, nScans}) {
        const int x = int(pDataPlot->MapX(fFitLeftLim) * 1400.0 / 1399),
                  y = 800 + (2 * k - 1) * 150 / (2 * nScans);
        EXPECT_EQ(surfacePixel(w, x, y), grey(-1.0f)) << "row " << k << ", the cell from " << fFitLeftLim << " to "
                                                      << fFitRightLim << " cm";
    }
    // the residuals plot gives the bitmap the lower part of its band: 550 to
    // 730 per mille while the bitmap shows, 550 to 950 without it
    ASSERT_TRUE(pResidualsPlot);
    EXPECT_EQ(pResidualsPlot->nFrameTop, 550);
    EXPECT_EQ(pResidualsPlot->nFrameBottom, 730);
    script.command(CM_SHOW_RESIDUALS_BITMAP);
    headless::processMessages();
    ASSERT_EQ(bShowResidualsBitmap, 0);
    EXPECT_EQ(pResidualsPlot->nFrameTop, 550);
    EXPECT_EQ(pResidualsPlot->nFrameBottom, 950);
    bModelComputed = 0;
    bShowResidualsBitmap = 0;
}

// Shading an s range marks in every scan the radii its boundary passes at
// those s: from meniscus exp(s1 w2t) to meniscus exp(s2 w2t); the synthetic
// boundary of 4.5 S lies inside 4..5 S in each. The data 0.002 above the
// fit there are a transported amount of 0.002 (R2^2 - R1^2) / 2 over omega^2
// meniscus^2, R1 and R2 half a point beyond the region's ends. The region
// holds only points inside the fit limits (docs/distributions.md), also
// when a single scan is loaded.
TEST_F(MainWindowTest, AnSRangeMarksTheBoundaryOfEveryScan)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 5));
    fMeniscus = 6.0f;
    const float delta = 0.002f;
    for (int i = 1; i <= nScans; ++i) {
        pFitFirstIndex[i] = 1;
        pFitLastIndex[i] = pScanPoints[i];
        for (int j = 1; j <= pScanPoints[i]; ++j) ppFit[i][j] = ppSignal[i][j] - delta;
    }
    std::vector<int> first(nScans + 1, -1), last(nScans + 1, -1);
    std::vector<float> transport(nScans + 1, -1.0f);
    w->DrawShadedDistribution(5.0f, 4.0f, first.data(), last.data(), transport.data());
    const double omega = 50000 * 2 * M_PI / 60;
    for (int i = 1; i <= nScans; ++i) {
        ASSERT_GE(first[i], 2) << "scan " << i;
        ASSERT_LE(last[i], pScanPoints[i] - 1) << "scan " << i;
        const float* r = ppRadius[i];
        const double t = 900.0 + 300.0 * (i - 1), r1 = 6.0 * std::exp(4.0e-13 * omega * omega * t),
                     r2 = 6.0 * std::exp(5.0e-13 * omega * omega * t);
        EXPECT_TRUE(r[first[i] - 1] < r1 && r1 <= r[first[i]]) << "scan " << i << ": " << r[first[i]] << " " << r1;
        EXPECT_TRUE(r[last[i]] <= r2 && r2 < r[last[i] + 1]) << "scan " << i << ": " << r[last[i]] << " " << r2;
        // the half height of the boundary lies inside
        int mid = 1;
        while (mid < pScanPoints[i] && ppSignal[i][mid] < 0.05f + 0.4f * std::exp(-2 * 4.5e-13 * omega * omega * t))
            ++mid;
        EXPECT_TRUE(first[i] <= mid && mid <= last[i]) << "scan " << i << ": " << r[mid];
        const double R1 = r[first[i]] - 0.0025, R2 = r[last[i]] + 0.0025;
        EXPECT_NEAR(transport[i], delta * (R2 * R2 - R1 * R1) / 2 / (omega * omega * 36.0),
                    1e-3 * delta * (R2 * R2 - R1 * R1) / 2 / (omega * omega * 36.0))
            << "scan " << i;
    }

    // the meniscus 0.05 cm left of the data and the fit from their first
    // point: a range from 0 S starts at the meniscus, so each scan's region
    // starts at its first point, which is drawn red over the data plot (the
    // markers change pixels around it to pure red), and the residuals bitmap
    // tints its row red from the first cell, and not beyond the region's
    // end. The first two rows in time order have residuals of +1 and -1
    // (white and black), the others 0 (mid grey). A tint moves each grey
    // toward red: red at least the grey, green and blue at most it and
    // equal, and the three rows keep their order of brightness in every
    // channel, so the residual can still be read in a marked cell.
    fMeniscus = 5.9f;
    fFitLeftLim = ppRadius[1][1];
    updateLeftFitLimit();
    std::vector<float> fRowResidual(nScans + 1, 0.0f);
    fRowResidual[1] = 1.0f;
    fRowResidual[2] = -1.0f;
    for (int k = 1; k <= nScans; ++k) {
        const int i = pScanTimeOrder[k];
        ASSERT_EQ(pFitFirstIndex[i], 1) << "scan " << i;
        for (int j = 1; j <= pScanPoints[i]; ++j) ppFit[i][j] = ppSignal[i][j] - fRowResidual[k];
    }
    updateResidualsPlot(0);
    bModelComputed = 1;
    headless::Script script;
    script.command(CM_SHOW_RESIDUALS_BITMAP);
    headless::processMessages();
    // the pixels within 6 of each scan's first point before the shading
    const auto firstPointBox = [&](int i) {
        std::vector<COLORREF> box;
        const int x = int(pDataPlot->MapX(ppRadius[i][1]) * 1400.0 / 1399),
                  y = int(pDataPlot->MapY(ppSignal[i][1]) * 1000.0 / 999);
        for (int dy = -6; dy <= 6; ++dy)
            for (int dx = -6; dx <= 6; ++dx) box.push_back(surfacePixel(w, x + dx, y + dy));
        return box;
    };
    std::vector<std::vector<COLORREF>> boxBefore;
    for (int i = 1; i <= nScans; ++i) boxBefore.push_back(firstPointBox(i));
    w->DrawShadedDistribution(0.0f, 4.0f, first.data(), last.data(), transport.data());
    for (int i = 1; i <= nScans; ++i) {
        const std::vector<COLORREF> box = firstPointBox(i);
        int nTurnedRed = 0;
        for (size_t n = 0; n < box.size(); ++n) nTurnedRed += box[n] == RGB(255, 0, 0) && boxBefore[i - 1][n] != box[n];
        EXPECT_GT(nTurnedRed, 0) << "scan " << i << ": its first point is not drawn red";
    }
    shadeRangeInData(w, 0.0f, 4.0f, &transport);
    const int xFirst = int(pDataPlot->MapX(fFitLeftLim) * 1400.0 / 1399) + 2;
    const int xLast = int(pDataPlot->MapX(fFitRightLim) * 1400.0 / 1399) - 2;
    std::vector<COLORREF> tinted(nScans + 1);
    for (int k = 1; k <= nScans; ++k) {
        const int i = pScanTimeOrder[k];
        EXPECT_EQ(first[i], 1) << "scan " << i;
        // the middle of row k of the band 800..950
        const int y = 800 + (2 * k - 1) * 150 / (2 * nScans);
        const COLORREF c = tinted[k] = surfacePixel(w, xFirst, y);
        const int grey = int(std::lround(128 + 127 * fRowResidual[k]));
        EXPECT_TRUE(int(GetRValue(c)) >= grey && int(GetGValue(c)) <= grey && GetBValue(c) == GetGValue(c) &&
                    GetRValue(c) > GetGValue(c))
            << "row " << k << ", grey " << grey << ": " << int(GetRValue(c)) << " " << int(GetGValue(c)) << " "
            << int(GetBValue(c));
        EXPECT_EQ(surfacePixel(w, xLast, y), RGB(grey, grey, grey)) << "row " << k;
    }
    // rows 1, 3 and 2 hold residuals +1, 0 and -1
    for (const int nShift : {0, 8}) {
        const auto channel = [nShift](COLORREF c) { return int((c >> nShift) & 0xff); };
        EXPECT_TRUE(channel(tinted[1]) >= channel(tinted[3]) && channel(tinted[3]) >= channel(tinted[2]))
            << (nShift ? "green" : "red") << " of +1: " << channel(tinted[1]) << ", 0: " << channel(tinted[3])
            << ", -1: " << channel(tinted[2]);
    }

    // a range up to 100 S reaches beyond the cell's end: each region stops at
    // the last point inside the right fit limit, not at the scan's end
    fFitRightLim = 6.903f;
    updateRightFitLimit();
    w->DrawShadedDistribution(0.0f, 100.0f, first.data(), last.data(), transport.data());
    for (int i = 1; i <= nScans; ++i) {
        ASSERT_LT(last[i], pScanPoints[i]) << "scan " << i;
        EXPECT_TRUE(ppRadius[i][last[i]] <= 6.903f && 6.903f < ppRadius[i][last[i] + 1]) << "scan " << i;
    }

    // a data plot that shows no curve has no boundary to mark: the regions
    // are still given, but nothing is drawn onto the window
    pDataPlot->RemoveAllCurves();
    w->Invalidate();
    headless::processMessages();
    std::vector<COLORREF> before;
    for (int y = 0; y < 1000; y += 4)
        for (int x = 0; x < 1400; x += 4) before.push_back(surfacePixel(w, x, y));
    std::fill(last.begin(), last.end(), -1);
    w->DrawShadedDistribution(0.0f, 100.0f, first.data(), last.data(), transport.data());
    for (int i = 1; i <= nScans; ++i) EXPECT_TRUE(ppRadius[i][last[i]] <= 6.903f) << "scan " << i;
    int nChanged = 0;
    size_t k = 0;
    for (int y = 0; y < 1000; y += 4)
        for (int x = 0; x < 1400; x += 4) nChanged += surfacePixel(w, x, y) != before[k++];
    EXPECT_EQ(nChanged, 0);
    bModelComputed = 0;
    bShowResidualsBitmap = 0;

    // a single scan loaded has its region and transport as well (t = 900 s)
    std::filesystem::create_directories(scratch + "one");
    LoadScans(writeBoundaryScans(scratch + "one", 1, "one"));
    ASSERT_EQ(nScans, 1);
    fMeniscus = 6.0f;
    pFitFirstIndex[1] = 1;
    pFitLastIndex[1] = pScanPoints[1];
    for (int j = 1; j <= pScanPoints[1]; ++j) ppFit[1][j] = ppSignal[1][j] - delta;
    first.assign(2, -1);
    last.assign(2, -1);
    transport.assign(2, -1.0f);
    w->DrawShadedDistribution(4.0f, 5.0f, first.data(), last.data(), transport.data());
    const double r1 = 6.0 * std::exp(4.0e-13 * omega * omega * 900), r2 = 6.0 * std::exp(5.0e-13 * omega * omega * 900);
    ASSERT_GE(first[1], 2);
    ASSERT_LT(last[1], pScanPoints[1]);
    EXPECT_TRUE(ppRadius[1][first[1] - 1] < r1 && r1 <= ppRadius[1][first[1]]) << ppRadius[1][first[1]] << " " << r1;
    EXPECT_TRUE(ppRadius[1][last[1]] <= r2 && r2 < ppRadius[1][last[1] + 1]) << ppRadius[1][last[1]] << " " << r2;
    const double R1 = ppRadius[1][first[1]] - 0.0025, R2 = ppRadius[1][last[1]] + 0.0025;
    EXPECT_NEAR(transport[1], delta * (R2 * R2 - R1 * R1) / 2 / (omega * omega * 36.0),
                1e-3 * delta * (R2 * R2 - R1 * R1) / 2 / (omega * omega * 36.0));

    // a range around one point, 1 um either side of its radius, shades that
    // point alone, drawn red over its own marker at the marker's size: the
    // data plot draws circles of radius 3, so the pixels turned red span no
    // more than 7 across and 7 down
    w->Invalidate(true);
    headless::processMessages();
    const int j = pScanPoints[1] / 2;
    const double w2t = pScanHeaders[1].omega2t;
    const float sA = float(std::log((ppRadius[1][j] - 1e-4) / 6.0) / w2t * 1e13),
                sB = float(std::log((ppRadius[1][j] + 1e-4) / 6.0) / w2t * 1e13);
    const int xj = int(pDataPlot->MapX(ppRadius[1][j]) * 1400.0 / 1399 + 0.5),
              yj = int(pDataPlot->MapY(ppSignal[1][j]) * 1000.0 / 999 + 0.5);
    std::vector<COLORREF> around;
    for (int dy = -10; dy <= 10; ++dy)
        for (int dx = -10; dx <= 10; ++dx) around.push_back(surfacePixel(w, xj + dx, yj + dy));
    w->DrawShadedDistribution(sA, sB, first.data(), last.data(), nullptr);
    ASSERT_EQ(first[1], j);
    ASSERT_EQ(last[1], j);
    int xMin = 99, xMax = -99, yMin = 99, yMax = -99;
    size_t n = 0;
    for (int dy = -10; dy <= 10; ++dy)
        for (int dx = -10; dx <= 10; ++dx) {
            const COLORREF c = surfacePixel(w, xj + dx, yj + dy);
            if (c == RGB(255, 0, 0) && c != around[n]) {
                xMin = std::min(xMin, dx);
                xMax = std::max(xMax, dx);
                yMin = std::min(yMin, dy);
                yMax = std::max(yMax, dy);
            }
            ++n;
        }
    ASSERT_LE(xMin, xMax) << "nothing was drawn red";
    EXPECT_LE(xMax - xMin + 1, 7) << xMin << " to " << xMax;
    EXPECT_LE(yMax - yMin + 1, 7) << yMin << " to " << yMax;
    EXPECT_GE(xMax - xMin + 1, 5) << xMin << " to " << xMax;
}

// A rectangle drawn on the distribution plot while Integrate is armed may
// start or end beyond the plot's frame, up to the window's edges: that end
// counts as the frame's edge. Two peaks of area sigma sqrt(2 pi) times their
// heights, at 3 S (height 1) and 7 S (height 0.5), sigma 0.4, on 1..10 S:
// the part left of 5 S is the first peak whole, two thirds of the signal.
TEST_F(MainWindowTest, AnIntegrationRectangleFromTheWindowsEdgeStartsAtThePlotsEdge)
{
    OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 4));
    bModelContinuous = 1;
    bModelCS = 1;
    clearDistributionResults();
    allocDistributionVectors(91);
    const double sigma = 0.4, area1 = sigma * std::sqrt(2 * M_PI), area2 = 0.5 * area1;
    for (int i = 1; i <= 91; i++) {
        const double s = 1.0 + 0.1 * (i - 1);
        pDistAxisS[i] = static_cast<float>(s);
        pDistAxisM[i] = pDistValues2[i] = 0.0f;
        pDistValues[i] = static_cast<float>(std::exp(-0.5 * std::pow((s - 3) / sigma, 2)) +
                                            0.5 * std::exp(-0.5 * std::pow((s - 7) / sigma, 2)));
    }
    plotDistribution();
    window->Invalidate(true);
    headless::processMessages();
    ASSERT_NE(pDistPlot, nullptr);
    ASSERT_GT(pDistPlot->nFrameLeft, 0);
    const RECT rc = window->GetClientRect();
    const int x5 = pDistPlot->MapX(5.0f);
    // from the left window edge (pixel 0) to 5 S, and from the right window
    // edge back to 5 S; the rectangle's rows, which bound the f/f0 (or M)
    // axis of a two-dimensional result, are the signal values pressed and
    // released at: 0.25 up to 0.75 from the left, and from the window's
    // bottom edge, the frame's bottom (the axis' 0), up to 0.5 from the right
    for (const bool bLeft : {true, false}) {
        // the axis as shown then: the first integration leaves it at full scale
        const double xMin = pDistPlot->fXMin, xMax = pDistPlot->fXMax;
        const double dPixel = (xMax - xMin) / (pDistPlot->nFrameRight - pDistPlot->nFrameLeft);
        ASSERT_LE(xMin, 1.0);
        ASSERT_GE(xMax, 10.0);
        headless::Script script;
        script.expectMessageBox("SELECT INTEGRATION RANGE", IDOK).command(456);
        headless::processMessages();
        ASSERT_EQ(bRangeSelectArmed, 1);
        const double dRow = (pDistPlot->fYMax - pDistPlot->fYMin) / (pDistPlot->nFrameBottom - pDistPlot->nFrameTop);
        ASSERT_EQ(pDistPlot->fYMin, 0.0f);
        const int yDown = bLeft ? pDistPlot->MapY(0.25f) : int(rc.bottom) - 1;
        const int yUp = pDistPlot->MapY(bLeft ? 0.75f : 0.5f);
        script.mouse(WM_RBUTTONDOWN, bLeft ? 0 : int(rc.right) - 1, yDown).mouse(WM_RBUTTONUP, x5, yUp);
        script.expectMessageBox("INTEGRATE DISTRIBUTION", IDOK);
        headless::processMessages();
        EXPECT_EQ(script.pending(), 0u) << (bLeft ? "from the left edge" : "from the right edge");
        EXPECT_EQ(bRangeSelectActive, 0);
        const std::string text = boxText(script, "INTEGRATE DISTRIBUTION");
        // the edge of the axis to a pixel, the end at 5 S to a few pixels
        EXPECT_NEAR(numberAfter(text, "Integral from "), bLeft ? xMin : 5.0, bLeft ? 1.5 * dPixel : 0.1) << text;
        EXPECT_NEAR(numberAfter(text, " to "), bLeft ? 5.0 : xMax, bLeft ? 0.1 : 1.5 * dPixel) << text;
        const double area = bLeft ? area1 : area2;
        EXPECT_NEAR(numberAfter(text, "Loading Concentration [Signal] = "), area, 2e-3 * area) << text;
        EXPECT_NEAR(numberAfter(text, "("), 100.0 * area / (area1 + area2), 0.1) << text;
        EXPECT_NEAR(numberAfter(text, "Weight (Signal) Average = "), bLeft ? 3.0 : 7.0, 2e-3) << text;
        EXPECT_NEAR(fIntegrateYMin, bLeft ? 0.25 : 0.0, 2 * dRow) << (bLeft ? "from the left" : "from the right");
        EXPECT_NEAR(fIntegrateYMax, bLeft ? 0.75 : 0.5, 2 * dRow) << (bLeft ? "from the left" : "from the right");
    }
}

// H, half the summed differences between the residuals' histogram and the
// normal distribution of their mean and spread, in per cent: two residuals
// one spread either side of the mean fall in the two outer bins of ten, so
// H = 100 - 200 (Phi(-0.8) - Phi(-1)) = 89.36, whatever the mean and the
// spread. The points outside the fit limits do not count.
TEST(ResidualHistogram, TwoResidualsAtOneSpreadGiveTheirClosedForm)
{
    for (const auto& [a, b] : {std::pair{-1.0f, 1.0f}, std::pair{3.0f, 7.0f}, std::pair{-0.25f, 0.25f}}) {
        scantest::MemoryScan m;
        m.time = 100.0;
        m.r = {5.9f, 6.0f, 6.1f, 6.2f};
        m.s = {a - 50, a, b, b + 50};
        scantest::installScans({m});
        pFitFirstIndex[1] = 2;
        pFitLastIndex[1] = 3;
        const int list[] = {0, 1};
        float fH = 0;
        computeResidualsHistogram(1, 1, list, &fH);
        EXPECT_NEAR(fH, 89.36f, 0.01f) << a << " " << b;
    }
    // An infinite residual (a fit that ran away) has no spread to compare
    // with: H stays 0, as for fewer than two residuals, and no bin is sought
    // for it (its place in the range, inf / inf, is no number).
    scantest::MemoryScan m;
    m.time = 100.0;
    m.r = {5.9f, 6.0f, 6.1f};
    m.s = {0.0f, 1.0f, std::numeric_limits<float>::infinity()};
    scantest::installScans({m});
    pFitFirstIndex[1] = 1;
    pFitLastIndex[1] = 3;
    const int list[] = {0, 1};
    float fH = -1;
    computeResidualsHistogram(1, 1, list, &fH);
    EXPECT_EQ(fH, 0.0f);
    scantest::resetScanState();
}

TEST_F(MainWindowTest, PreferencesDialogAndPrinting)
{
    TXLAWindow* w = OpenWindow();
    // ids of the dialog's controls: sound 1251, Lamm threads 1254, gradient limit 1258,
    // scan colour from time 1260
    headless::Script script;
    script.expectDialog("Preferences", headless::DialogAnswer().set(1254, "0").check(1251, false))
        .expectMessageBox("Invalid Entry", IDOK)
        .expectDialog("Preferences", headless::DialogAnswer().set(1254, "4").set(1258, "750").check(1260, true))
        .expectDialog("Preferences", headless::DialogAnswer().set(1254, "9").cancel());
    w->EvCommand(CM_PREFERENCES, nullptr, 0);
    EXPECT_EQ(bSound, 0);
    EXPECT_EQ(nLammThreads, 4);
    EXPECT_EQ(fGradientLimit, 750.0f);
    std::vector<std::string> lines = readLines(szParamsIniPath);
    EXPECT_EQ(lines[1], "0");
    EXPECT_EQ(lines[4], "4");
    EXPECT_EQ(lines[8], "750");
    EXPECT_EQ(lines[11], "1");  // a flag of the file is 0 or 1
    // Cancel changes nothing
    w->EvCommand(CM_PREFERENCES, nullptr, 0);
    EXPECT_EQ(nLammThreads, 4);
    EXPECT_EQ(readLines(szParamsIniPath)[4], "4");
    // the gradient limit: 0 is refused; the smallest the defaults file keeps,
    // 1e-6, is taken and comes back at the next start; so is the fewest Lamm
    // threads, 1 (1 to 64)
    script.expectDialog("Preferences", headless::DialogAnswer().set(1258, "0"))
        .expectMessageBox("Invalid Entry", IDOK)
        .expectDialog("Preferences", headless::DialogAnswer().set(1258, "1e-6").set(1254, "1"));
    w->EvCommand(CM_PREFERENCES, nullptr, 0);
    EXPECT_TRUE(transcriptHas(script.lines(), "the gradient limit must be a number above 0"));
    EXPECT_EQ(fGradientLimit, 1e-6f);
    EXPECT_EQ(nLammThreads, 1);
    EXPECT_EQ(readLines(szParamsIniPath)[4], "1");
    fGradientLimit = 500.0f;
    bScanColorFromTime = 0;
    EXPECT_EQ(readDefaultPreferences(), 1);
    EXPECT_EQ(fGradientLimit, 1e-6f);
    EXPECT_EQ(bScanColorFromTime, 1);
    // and at the other end: the largest the defaults file keeps, 1e12, is
    // taken and comes back; a larger one is refused in the dialog, not closed
    // on and dropped
    script.expectDialog("Preferences", headless::DialogAnswer().set(1258, "1.05e12"))
        .expectMessageBox("Invalid Entry", IDOK)
        .expectDialog("Preferences", headless::DialogAnswer().set(1258, "1e12"));
    w->EvCommand(CM_PREFERENCES, nullptr, 0);
    EXPECT_EQ(fGradientLimit, 1e12f);
    fGradientLimit = 500.0f;
    readDefaultPreferences();
    EXPECT_EQ(fGradientLimit, 1e12f);

    // Data > Print... puts the window on one page of a PDF file
    LoadScans(writeBoundaryScans(scratch, 3));
    std::string pdf = scratch + "window.pdf";
    script.expectPrint("Sedimentation Analysis", pdf);
    w->EvCommand(CM_PRINT, nullptr, 0);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_GT(std::filesystem::file_size(pdf), 1000u);
    EXPECT_EQ(readText(pdf).compare(0, 5, "%PDF-"), 0);
}

TEST_F(MainWindowTest, NoiseButtonTakesTheNoiseOffAndPutsTheTiNoiseBack)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 3));
    // a fitted TI profile of 0.01 and RI offsets of 0.1, 0.2, 0.3
    for (int k = 1; k <= nNoiseGridPoints; ++k) pTINoiseSaved[k] = 0.01f;
    for (int i = 1; i <= nScans; ++i) pRINoiseSaved[i] = 0.1f * i;
    bFitTINoise = bFitRINoise = 1;
    std::vector<float> before;
    for (int i = 1; i <= nScans; ++i) before.push_back(ppSignal[i][20]);
    w->ShowNoiseButtons();
    headless::processMessages();
    ASSERT_NE(w->pNoiseButton, nullptr);
    EXPECT_STREQ(w->pNoiseButton->pszOffText, "remove TI and RI");

    // the button sits above the data plot's frame, at its right end, and in
    // the window; its centre in client pixels
    CScreenButton* b = w->pNoiseButton;
    EXPECT_TRUE(0 < b->nTop && b->nTop < b->nBottom && b->nBottom <= pDataPlot->nFrameTop)
        << b->nTop << " " << b->nBottom << " " << pDataPlot->nFrameTop;
    EXPECT_TRUE(pDataPlot->nFrameLeft < b->nLeft && b->nLeft < b->nRight && b->nRight <= 1000 * fPlotXScale)
        << b->nLeft << " " << b->nRight;
    EXPECT_NEAR(b->nRight, pDataPlot->nFrameRight, 2);
    int x = int((b->nLeft + b->nRight) / 2.0f * w->fClientWidth / 1400.0f);
    int y = int((b->nTop + b->nBottom) / 2.0f * w->fClientHeight / 1000.0f);
    EXPECT_FALSE(w->PointInDataPlot(x, y));
    EXPECT_NE(surfacePixel(w, x, y), RGB(255, 255, 255));  // its face is painted
    if (const char* out = std::getenv("MORVEX_SAVE_PICTURES"))
        saveWindowImage(w->HWindow, (std::string(out) + "/noise_button.png").c_str());

    w->EvLButtonDown(0, POINT{x, y});
    EXPECT_EQ(b->bOn, 1);
    for (int i = 1; i <= nScans; ++i) EXPECT_NEAR(ppSignal[i][20], before[i - 1] - 0.01f - 0.1f * i, 1e-5) << i;
    // the second click puts the TI noise back; the RI offsets stay off
    w->EvLButtonDown(0, POINT{x, y});
    EXPECT_EQ(b->bOn, 0);
    for (int i = 1; i <= nScans; ++i) EXPECT_NEAR(ppSignal[i][20], before[i - 1] - 0.1f * i, 1e-5) << i;
    // a click beside it reaches the plot as before
    w->EvLButtonDown(0, POINT{x, y + 200});
    EXPECT_EQ(b->bOn, 0);
    w->EvLButtonUp(0, POINT{x, y + 200});

    w->DeleteNoiseButtons();
    EXPECT_EQ(w->pNoiseButton, nullptr);
    bFitTINoise = bFitRINoise = 0;
}

TEST_F(MainWindowTest, ASidePlotGivesTheWindowBackOnEscapeDataRangeAndFullRange)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 6));
    const COLORREF white = RGB(255, 255, 255);
    // a point on the data plot's frame, which the side plot does not cover there
    const int x = pDataPlot->nFrameLeft * 1400 / 1399, y = (pDataPlot->nFrameTop + pDataPlot->nFrameBottom) / 2;
    headless::Script script;
    for (UINT nBack : {0u, 518u, 208u}) {
        w->EvCommand(946, nullptr, 0);  // the rotor-speed plot of the scans
        headless::processMessages();
        ASSERT_NE(pAuxPlot, nullptr) << nBack;
        EXPECT_FALSE(w->PointInDataPlot(700, 250)) << nBack;
        if (nBack == 0)
            script.typeChar(0x1B);
        else
            script.command(nBack);
        headless::processMessages();
        EXPECT_EQ(pAuxPlot, nullptr) << nBack;
        EXPECT_TRUE(w->PointInDataPlot(700, 250)) << nBack;  // markers and zoom work again
        EXPECT_NE(surfacePixel(w, x, y), white) << nBack;     // the data plot is painted
    }
    // Escape without a side plot or a drag changes nothing
    script.typeChar(0x1B);
    headless::processMessages();
    EXPECT_NE(pDataPlot, nullptr);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(MainWindowTest, SimulatedDataAreAddedAndSubtractedThroughTheMenu)
{
    TXLAWindow* w = OpenWindow();
    LoadScans(writeBoundaryScans(scratch, 3));
    HMENU m = w->GetMenu();
    for (UINT id : {203u, 459u}) {
        EXPECT_EQ(GetMenuState(m, id, MF_BYCOMMAND) & MF_GRAYED, 0u) << id;
        EXPECT_TRUE(TXLAWindow::HasHandler(id)) << id;
    }
    for (int i = 1; i <= nScans; ++i)
        for (int k = 1; k <= pScanPoints[i]; ++k) ppFit[i][k] = 0.125f * i;
    const float fBefore = ppSignal[2][5];
    headless::Script script;
    script.expectMessageBox("add simulated data to existing data?", IDNO)
        .expectMessageBox("subtract simulated data from existing data?", IDYES)
        .expectMessageBox("save data?", IDNO);
    script.command(459);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(ppSignal[2][5], fBefore - 0.25f);
    // No to both questions leaves the data alone
    script.expectMessageBox("add simulated data to existing data?", IDNO)
        .expectMessageBox("subtract simulated data from existing data?", IDNO);
    script.command(459);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(ppSignal[2][5], fBefore - 0.25f);
}

TEST_F(MainWindowTest, DeleteOverADataPointRemovesItFromItsFileAfterAQuestion)
{
    TXLAWindow* w = OpenWindow();
    const std::vector<std::string> paths = writeBoundaryScans(scratch, 3);
    LoadScans(paths);
    const std::string original = readText(paths[2]);
    const int n = pScanPoints[3];
    // the client pixel of point j of scan 3 (drawn last, so on top)
    auto pixelOf = [](int j) {
        return POINT{int(pDataPlot->MapX(ppRadius[3][j]) * 1400.0 / 1399 + 0.5),
                     int(pDataPlot->MapY(ppSignal[3][j]) + 0.5)};
    };
    auto pressDeleteAt = [](headless::Script& s, POINT p) {
        s.mouse(WM_MOUSEMOVE, p.x, p.y).pressKey(VK_DELETE);
        headless::processMessages();
    };
    ASSERT_TRUE(w->PointInDataPlot(pixelOf(100).x, pixelOf(100).y));
    const float fRemoved = ppRadius[3][100], fNext = ppRadius[3][101];
    char szQuestion[200];
    std::snprintf(szQuestion, sizeof szQuestion, "remove point 100 (r = %.4f cm) from the file scan00003.RA1?",
                  fRemoved);

    headless::Script script;
    // while a fit or a run goes on the key does nothing (no question)
    for (unsigned char* pb : {&w->bFitting, &w->bRunning}) {
        *pb = 1;
        pressDeleteAt(script, pixelOf(100));
        *pb = 0;
        EXPECT_EQ(pScanPoints[3], n);
    }

    // No keeps everything
    script.expectMessageBox(szQuestion, IDNO);
    pressDeleteAt(script, pixelOf(100));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(pScanPoints[3], n);
    EXPECT_FALSE(std::filesystem::exists(scratch + "scan00003_mod.RA1"));

    // Yes: the point leaves a copy of the file beside the untouched original,
    // and the loaded scan, which now goes by the copy's name
    script.expectMessageBox(szQuestion, IDYES);
    pressDeleteAt(script, pixelOf(100));
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(pScanPoints[3], n - 1);
    EXPECT_FLOAT_EQ(ppRadius[3][100], fNext);
    EXPECT_STREQ(ppScanFileName[3], "scan00003_mod.RA1");
    EXPECT_EQ(readText(paths[2]), original);
    auto fileRadii = [](const std::string& path) {
        ScanHeader h{};
        int m = 0;
        float *r = nullptr, *s = nullptr;
        std::vector<float> v;
        if (readScanFile(path.c_str(), &h, &m, &r, &s, nullptr, nullptr, 0.0f)) v.assign(r + 1, r + m + 1);
        free_vector(r, 1, m);
        free_vector(s, 1, m);
        return v;
    };
    std::vector<float> radii = fileRadii(scratch + "scan00003_mod.RA1");
    ASSERT_EQ(int(radii.size()), n - 1);
    EXPECT_NEAR(radii[99], fNext, 1e-4);

    // A second point goes from the same copy; the first stays out.
    std::snprintf(szQuestion, sizeof szQuestion, "remove point 100 (r = %.4f cm) from the file scan00003_mod.RA1?",
                  fNext);
    script.expectMessageBox(szQuestion, IDYES);
    pressDeleteAt(script, pixelOf(100));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(pScanPoints[3], n - 2);
    EXPECT_STREQ(ppScanFileName[3], "scan00003_mod.RA1");
    radii = fileRadii(scratch + "scan00003_mod.RA1");
    ASSERT_EQ(int(radii.size()), n - 2);
    for (float r : radii) EXPECT_TRUE(std::fabs(r - fRemoved) > 1e-4 && std::fabs(r - fNext) > 1e-4) << r;
    EXPECT_FALSE(std::filesystem::exists(scratch + "scan00003_mod_mod.RA1"));

    // Delete where no point lies asks nothing
    pressDeleteAt(script, POINT{pixelOf(100).x, pDataPlot->nFrameTop + 5});
    EXPECT_TRUE(script.pending() == 0u);
}

// The point under the mouse is found within 3 pixels on either side,
// whatever the size of the window: scans of 13 points 0.1 cm apart, so that
// only one point lies near the mouse; 2 pixels left or right of each point
// of the top scan Delete asks for that point, 4 pixels off it asks nothing.
// The first point of the top scan is at signal 0, where the y range starts:
// it lies on the frame's bottom line, and the mouse right on it finds it too.
TEST_F(MainWindowTest, DeleteFindsAPointWithinThreePixelsOnEitherSide)
{
    std::vector<std::string> paths;
    for (int k = 1; k <= 3; ++k) {
        float* r = vector(1, 13);
        float* c = vector(1, 13);
        for (int i = 1; i <= 13; ++i) {
            r[i] = 6.0f + 0.1f * float(i - 1);
            c[i] = (k == 3 && i == 1) ? 0.0f : 0.2f * float(k) + 0.01f * float(i);
        }
        ScanHeader h{};
        h.dataType = 'R';
        h.cell = 1;
        h.temperature = 20.0f;
        h.rpm = 50000.0f;
        h.time = h.timeWritten = 900.0 * k;
        h.omega2t = std::pow(50000.0 * 2 * M_PI / 60, 2) * h.time;
        h.wavelength = 280;
        h.count = 1;
        char name[32];
        std::snprintf(name, sizeof name, "sparse%05d.RA1", k);
        paths.push_back(scratch + name);
        writeScanFile(paths.back().c_str(), 13, r, c, nullptr, nullptr, 1, &h);
        free_vector(r, 1, 13);
        free_vector(c, 1, 13);
    }
    TXLAWindow* w = OpenWindow();
    LoadScans(paths);
    for (const auto& size : {std::pair{700, 500}, std::pair{2800, 2000}}) {
        headless::setClientSize(w->HWindow, size.first, size.second);
        headless::processMessages();
        ASSERT_EQ(w->fClientWidth, float(size.first));
        int nTried = 0;
        for (int j = 1; j <= pScanPoints[3]; ++j) {
            // the pixel nearest to the point (per mille of the picture back to pixels)
            const int x = int(std::lround(pDataPlot->MapX(ppRadius[3][j]) * size.first / 1400.0));
            const int y = int(std::lround(pDataPlot->MapY(ppSignal[3][j]) * size.second / 1000.0));
            if (!w->PointInDataPlot(x - 4, y) || !w->PointInDataPlot(x + 4, y)) continue;
            ++nTried;
            char szQuestion[200];
            std::snprintf(szQuestion, sizeof szQuestion, "remove point %d (r = %.4f cm) from the file sparse00003.RA1?",
                          j, ppRadius[3][j]);
            for (int dx : {-4, -2, 2, 4}) {
                SCOPED_TRACE(testing::Message() << size.first << " px wide, point " << j << ", " << dx << " px");
                headless::Script script;
                if (std::abs(dx) < 3) script.expectMessageBox(szQuestion, IDNO);
                script.mouse(WM_MOUSEMOVE, x + dx, y).pressKey(VK_DELETE);
                headless::processMessages();
                EXPECT_EQ(script.pending(), 0u);
                EXPECT_EQ(boxCount(script, "DELETE POINT"), std::abs(dx) < 3 ? 1 : 0);
            }
        }
        EXPECT_GE(nTried, 10);
        EXPECT_EQ(pScanPoints[3], 13);
    }
    // 1000 pixels high: the frame's bottom line is pixel row nFrameBottom
    headless::setClientSize(w->HWindow, 1400, 1000);
    headless::processMessages();
    ASSERT_EQ(pDataPlot->MapY(0.0f), pDataPlot->nFrameBottom);
    headless::Script script;
    script.expectMessageBox("remove point 1 (r = 6.0000 cm)", IDNO)
        .mouse(WM_MOUSEMOVE, int(std::lround(pDataPlot->MapX(6.0f) * 1400.0 / 1399)), pDataPlot->nFrameBottom)
        .pressKey(VK_DELETE);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
}
