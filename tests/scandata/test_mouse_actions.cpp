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
#include "scandata/mouse_actions.h"
#include "plot/cwinplot.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_set_fixture.h"

using namespace win;

namespace {

// A tool that records what the framework asks of it; clicks are consumed
// only while bTakeClicks is set.
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

// Puts three recording tools into the registry for one test and the program's
// own ones back afterwards.
class MouseActionTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        createMouseActions(nullptr);
        for (int i = 1; i <= nMouseActions; ++i) {
            saved[i] = mouseActions[i];
            tools[i].name = std::to_string(i);
            tools[i].pLog = &log;
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
    void attach(TXLAWindow* w)
    {
        for (int i = 1; i <= nMouseActions; ++i) tools[i].SetWindow(w);
    }
    static HCURSOR currentCursor()
    {
        HCURSOR c = SetCursor(nullptr);
        SetCursor(c);
        return c;
    }
    RecordingAction tools[nMouseActions + 1];
    CMouseAction* saved[nMouseActions + 1] = {};
    std::vector<std::string> log;
};

}  // namespace

TEST_F(MouseActionTest, OneToolAtATimeWithDispatchAndEnding)
{
    TXLAWindow* w = OpenWindow();
    attach(w);
    // nothing loaded: a starter does nothing; Escape and Enter find nothing
    startFixScratchJump();
    EXPECT_FALSE(tools[2].active);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(endActiveMouseActions());
    EXPECT_FALSE(finishActiveMouseAction());

    scantest::installScans({{{6.0f, 6.1f, 6.2f}, {1.0f, 1.0f, 1.0f}, 100.0}});
    startTrackScratch();
    ASSERT_TRUE(tools[1].active);
    EXPECT_EQ(currentCursor(), LoadCursor(nullptr, IDC_CROSS));
    log.clear();
    // another tool drops the first one's work before it starts
    startFixPointScanFringeJump();
    EXPECT_FALSE(tools[1].active);
    EXPECT_TRUE(tools[3].active);
    const std::vector<std::string> expected = {"1:Deactivate", "1:Cancel", "2:Cancel", "3:Cancel", "3:Start"};
    EXPECT_EQ(log, expected);

    // a right click does what a left click does; releases are consumed by
    // default, moves never; only consumed events count
    POINT p{500, 300};
    EXPECT_TRUE(mouseActionsEvRButtonDown(p));
    EXPECT_TRUE(mouseActionsEvLButtonDblClk(p));
    EXPECT_TRUE(mouseActionsEvLButtonUp(p));
    EXPECT_FALSE(mouseActionsEvMouseMove(p));
    tools[3].bTakeClicks = false;
    EXPECT_FALSE(mouseActionsEvLButtonDown(p));
    EXPECT_EQ(tools[3].eventCount, 3);
    EXPECT_TRUE(mouseActionsEvKeyDown('N', 1, 0));
    EXPECT_FALSE(mouseActionsEvKeyDown('Q', 1, 0));
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
    // deactivating an inactive tool changes nothing
    log.clear();
    tools[1].Deactivate();
    EXPECT_TRUE(log.empty());
}

TEST_F(MouseActionTest, TheWindowGetsWhatTheToolDeclines)
{
    TXLAWindow* w = OpenWindow();
    attach(w);
    LoadScans(writeBoundaryScans(scratch, 4));
    const int x = int(pDataPlot->MapX(6.3f) * 1400.0 / 1399 + 0.5), y = 300;
    startTrackScratch();
    headless::Script script;
    script.mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    headless::processMessages();
    EXPECT_FALSE(w->bZoomDragging);  // consumed by the tool
    script.mouse(WM_LBUTTONUP, x, y);
    headless::processMessages();

    tools[1].bTakeClicks = false;
    script.mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    headless::processMessages();
    EXPECT_TRUE(w->bZoomDragging);  // declined: the window starts its zoom
    // Escape ends the tool first; the window's own drag needs a second one
    log.clear();
    script.typeChar(0x1B);
    headless::processMessages();
    EXPECT_FALSE(tools[1].active);
    EXPECT_EQ(log.back(), "1:Cancel");
    EXPECT_TRUE(w->bZoomDragging);
    script.typeChar(0x1B);
    headless::processMessages();
    EXPECT_FALSE(w->bZoomDragging);

    // Tab finishes the active tool
    startFixScratchJump();
    script.typeChar(0x09);
    headless::processMessages();
    EXPECT_FALSE(tools[2].active);
    EXPECT_EQ(log.back(), "2:Finish");
}

TEST_F(MouseActionTest, EveryChangeOfTheDataSetEndsTheTool)
{
    TXLAWindow* w = OpenWindow();
    attach(w);
    std::vector<std::string> paths = writeBoundaryScans(scratch, 6);
    LoadScans({paths[0], paths[1], paths[2]});
    // appending
    startTrackScratch();
    static char sel[4096];
    std::string dir = scratch.substr(0, scratch.size() - 1);
    size_t n = 0;
    for (const std::string& s : {dir, std::string("scan00004.RA1")}) {
        std::memcpy(sel + n, s.c_str(), s.size() + 1);
        n += s.size() + 1;
    }
    sel[n] = 0;
    w->AddMoreFiles(sel);
    EXPECT_EQ(nScans, 4);
    EXPECT_FALSE(tools[1].active);
    EXPECT_EQ(log.back(), "1:Cancel");
    // a new load
    startFixScratchJump();
    LoadScans({paths[4], paths[5]});
    EXPECT_FALSE(tools[2].active);
    EXPECT_EQ(log.back(), "2:Cancel");
    // releasing the data
    startFixPointScanFringeJump();
    freeScanData();
    EXPECT_FALSE(tools[3].active);
    EXPECT_EQ(log.back(), "3:Cancel");
}
