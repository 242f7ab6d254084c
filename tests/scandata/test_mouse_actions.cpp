// The mouse-action registry: one active tool, dispatch ahead of the main
// window, the Escape/Enter/Tab rules, and the end of a tool when the data set
// changes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/mouse_actions.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_set_fixture.h"

using namespace win;

namespace {

// A tool that records what the framework asks of it; it consumes clicks only
// while bTakeClicks is set, and the key 'N'.
struct RecordingAction : CMouseAction {
    std::string name;
    std::vector<std::string>* pLog = nullptr;
    bool bTakeClicks = true;
    void note(const char* what) { pLog->push_back(name + ":" + what); }
    void Start() override { note("Start"); }
    void Deactivate() override
    {
        if (active) note("Deactivate");
        CMouseAction::Deactivate();
    }
    void AfterDeactivate() override { note("After"); }
    void Finish() override { note("Finish"); }
    void Cancel() override { note("Cancel"); }
    bool LButtonDown(const POINT&) override { return active && bTakeClicks; }
    bool KeyDown(UINT key, UINT, UINT) override { return key == 'N'; }
};

// Three recording tools in the registry of a main window for one test.
class MouseActionTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        w = OpenWindow();
        for (int i = 1; i <= nMouseActions; ++i) {
            saved[i] = mouseActions[i];
            tools[i].name = std::to_string(i);
            tools[i].pLog = &log;
            tools[i].SetWindow(w);
            mouseActions[i] = &tools[i];
        }
    }
    void TearDown() override
    {
        for (int i = 1; i <= nMouseActions; ++i) {
            tools[i].active = false;
            mouseActions[i] = saved[i];
        }
        scantest::resetScanState();
        MainWindowTest::TearDown();
    }
    static HCURSOR currentCursor()
    {
        HCURSOR c = SetCursor(nullptr);
        SetCursor(c);
        return c;
    }
    TXLAWindow* w = nullptr;
    RecordingAction tools[nMouseActions + 1];
    CMouseAction* saved[nMouseActions + 1] = {};
    std::vector<std::string> log;
};

}  // namespace

TEST_F(MouseActionTest, OneToolAtATimeWithDispatchAndEnding)
{
    // nothing loaded: a starter does nothing; Escape and Enter find nothing
    startFixScratchJump();
    EXPECT_FALSE(tools[2].active);
    EXPECT_FALSE(endActiveMouseActions());
    EXPECT_FALSE(finishActiveMouseAction());

    scantest::installScans({{{6.0f, 6.1f, 6.2f}, {1.0f, 1.0f, 1.0f}, 100.0}});
    startTrackScratch();
    EXPECT_EQ(currentCursor(), LoadCursor(nullptr, IDC_CROSS));
    log.clear();
    // another tool drops the first one's work before it starts
    startFixPointScanFringeJump();
    EXPECT_EQ(log, (std::vector<std::string>{"1:Deactivate", "1:Cancel", "2:Cancel", "3:Cancel", "3:Start"}));
    EXPECT_TRUE(tools[3].active && !tools[1].active);

    // a right click does what a left click does; releases are consumed by
    // default, moves never; only consumed events count
    POINT p{500, 300};
    EXPECT_TRUE(mouseActionsEvRButtonDown(p));
    EXPECT_TRUE(mouseActionsEvLButtonDblClk(p));
    EXPECT_TRUE(mouseActionsEvLButtonUp(p));
    EXPECT_FALSE(mouseActionsEvMouseMove(p));
    tools[3].bTakeClicks = false;
    EXPECT_FALSE(mouseActionsEvLButtonDown(p));
    EXPECT_TRUE(mouseActionsEvKeyDown('N', 1, 0));
    EXPECT_EQ(tools[3].eventCount, 3);

    // Enter finishes, Escape cancels, each after the arrow cursor is back
    log.clear();
    EXPECT_TRUE(finishActiveMouseAction());
    EXPECT_EQ(log, (std::vector<std::string>{"3:Deactivate", "3:After", "3:Finish"}));
    EXPECT_EQ(currentCursor(), LoadCursor(nullptr, IDC_ARROW));
    EXPECT_FALSE(mouseActionsEvLButtonUp(p));
    startTrackScratch();
    log.clear();
    EXPECT_TRUE(endActiveMouseActions());
    EXPECT_EQ(log, (std::vector<std::string>{"1:Deactivate", "1:After", "1:Cancel"}));
}

TEST_F(MouseActionTest, TheWindowGetsWhatTheToolDeclinesAndEveryLoadEndsIt)
{
    std::vector<std::string> paths = writeBoundaryScans(scratch, 6);
    LoadScans({paths[0], paths[1], paths[2]});
    const int x = int(pDataPlot->MapX(6.3f) * 1400.0 / 1399 + 0.5), y = 300;
    startTrackScratch();
    headless::Script script;
    script.mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON).mouse(WM_LBUTTONUP, x, y);
    headless::processMessages();
    EXPECT_FALSE(w->bZoomDragging);  // consumed by the tool
    tools[1].bTakeClicks = false;
    script.mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    headless::processMessages();
    EXPECT_TRUE(w->bZoomDragging);  // declined: the window starts its zoom
    // Escape ends the tool first; the window's own drag needs a second one
    script.typeChar(0x1B);
    headless::processMessages();
    EXPECT_EQ(log.back(), "1:Cancel");
    EXPECT_TRUE(w->bZoomDragging);
    script.typeChar(0x1B);
    headless::processMessages();
    EXPECT_FALSE(w->bZoomDragging);
    startFixScratchJump();
    script.typeChar(0x09);  // Tab finishes
    headless::processMessages();
    EXPECT_EQ(log.back(), "2:Finish");

    // appending, loading and releasing scans end the active tool
    startTrackScratch();
    static char sel[4096];
    const std::string dir = scratch.substr(0, scratch.size() - 1), name = "scan00004.RA1";
    std::memcpy(sel, dir.c_str(), dir.size() + 1);
    std::memcpy(sel + dir.size() + 1, name.c_str(), name.size() + 1);
    sel[dir.size() + name.size() + 2] = 0;
    w->AddMoreFiles(sel);
    EXPECT_EQ(nScans, 4);
    EXPECT_EQ(log.back(), "1:Cancel");
    startFixScratchJump();
    LoadScans({paths[4], paths[5]});
    EXPECT_EQ(log.back(), "2:Cancel");
    startFixPointScanFringeJump();
    freeScanData();
    EXPECT_EQ(log.back(), "3:Cancel");
    EXPECT_FALSE(tools[1].active || tools[2].active || tools[3].active);
}
