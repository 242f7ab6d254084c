// The mouse-action base class, the registry and the dispatchers.
#include "scandata/mouse_actions.h"

#include "app/xla_window.h"
#include "scandata/mouse_action_tools.h"
#include "scandata/scan_data.h"

using namespace win;

CMouseAction** mouseActions = nullptr;

CMouseAction::CMouseAction() : active(false), eventCount(0), window(nullptr) {}

CMouseAction::~CMouseAction()
{
    active = false;
    eventCount = 0;
    window = nullptr;
}

void CMouseAction::SetWindow(TXLAWindow* pWindow) { window = pWindow; }

void CMouseAction::Activate()
{
    // one action at a time: whatever was going on is dropped first
    if (mouseActions) {
        for (int i = 1; i <= nMouseActions; ++i) {
            if (!mouseActions[i]) continue;
            mouseActions[i]->Deactivate();
            mouseActions[i]->Cancel();
        }
    }
    if (!window) return;
    SetCursor(LoadCursor(nullptr, IDC_CROSS));
    active = true;
    eventCount = 0;
}

void CMouseAction::Start() {}

void CMouseAction::Deactivate()
{
    if (!active) return;
    active = false;
    if (!window) return;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    InvalidateRect(window->HWindow, nullptr, TRUE);
}

void CMouseAction::AfterDeactivate() {}
void CMouseAction::Finish() {}
void CMouseAction::Cancel() {}

bool CMouseAction::LButtonDown(const POINT&) { return active; }
bool CMouseAction::LButtonUp(const POINT&) { return active; }
bool CMouseAction::LButtonDblClk(const POINT& point) { return LButtonDown(point); }
bool CMouseAction::RButtonDown(const POINT& point) { return LButtonDown(point); }
bool CMouseAction::RButtonUp(const POINT&) { return active; }
bool CMouseAction::RButtonDblClk(const POINT& point) { return LButtonDown(point); }
bool CMouseAction::MouseMove(const POINT&) { return false; }
bool CMouseAction::KeyDown(UINT, UINT, UINT) { return false; }

void createMouseActions(TXLAWindow* pWindow)
{
    if (!mouseActions) {
        mouseActions = new CMouseAction*[nMouseActions + 1]();
        mouseActions[MOUSE_ACTION_TRACK_SCRATCH] = new CMouseAction_TrackScratch;
        mouseActions[MOUSE_ACTION_FIX_SCRATCH_JUMP] = new CMouseAction_FixScratchJump;
        mouseActions[MOUSE_ACTION_FIX_POINT_FRINGE_JUMP] = new CMouseAction_FixPointScanFringeJump;
    }
    for (int i = 1; i <= nMouseActions; ++i)
        if (mouseActions[i]) mouseActions[i]->SetWindow(pWindow);
}

void releaseMouseActionWindow(TXLAWindow* pWindow)
{
    if (!mouseActions) return;
    for (int i = 1; i <= nMouseActions; ++i) {
        CMouseAction* a = mouseActions[i];
        if (!a || a->window != pWindow) continue;
        a->window = nullptr;
        if (a->active) {
            a->Deactivate();
            a->Cancel();
        }
    }
}

namespace {

void startAction(int nEntry)
{
    if (nScans == 0 || !mouseActions || !mouseActions[nEntry]) return;
    mouseActions[nEntry]->Activate();
    mouseActions[nEntry]->Start();
}

// The walk of the mouse dispatchers.
bool dispatchMouse(bool (CMouseAction::*pOperation)(const POINT&), const POINT& point)
{
    if (!mouseActions) return false;
    for (int i = 1; i <= nMouseActions; ++i) {
        CMouseAction* a = mouseActions[i];
        if (!a || !a->active) continue;
        if ((a->*pOperation)(point)) {
            ++a->eventCount;
            return true;
        }
    }
    return false;
}

CMouseAction* firstActive()
{
    if (!mouseActions) return nullptr;
    for (int i = 1; i <= nMouseActions; ++i)
        if (mouseActions[i] && mouseActions[i]->active) return mouseActions[i];
    return nullptr;
}

}  // namespace

void startTrackScratch() { startAction(MOUSE_ACTION_TRACK_SCRATCH); }
void startFixScratchJump() { startAction(MOUSE_ACTION_FIX_SCRATCH_JUMP); }
void startFixPointScanFringeJump() { startAction(MOUSE_ACTION_FIX_POINT_FRINGE_JUMP); }

bool mouseActionsEvLButtonDown(const POINT& point) { return dispatchMouse(&CMouseAction::LButtonDown, point); }
bool mouseActionsEvLButtonUp(const POINT& point) { return dispatchMouse(&CMouseAction::LButtonUp, point); }
bool mouseActionsEvLButtonDblClk(const POINT& point) { return dispatchMouse(&CMouseAction::LButtonDblClk, point); }
bool mouseActionsEvRButtonDown(const POINT& point) { return dispatchMouse(&CMouseAction::RButtonDown, point); }
bool mouseActionsEvRButtonUp(const POINT& point) { return dispatchMouse(&CMouseAction::RButtonUp, point); }
bool mouseActionsEvRButtonDblClk(const POINT& point) { return dispatchMouse(&CMouseAction::RButtonDblClk, point); }
bool mouseActionsEvMouseMove(const POINT& point) { return dispatchMouse(&CMouseAction::MouseMove, point); }

bool mouseActionsEvKeyDown(UINT key, UINT repeatCount, UINT flags)
{
    if (!mouseActions) return false;
    for (int i = 1; i <= nMouseActions; ++i) {
        CMouseAction* a = mouseActions[i];
        if (a && a->active && a->KeyDown(key, repeatCount, flags)) return true;
    }
    return false;
}

bool endActiveMouseActions()
{
    CMouseAction* a = firstActive();
    if (!a) return false;
    a->Deactivate();
    a->AfterDeactivate();
    a->Cancel();
    return true;
}

bool finishActiveMouseAction()
{
    CMouseAction* a = firstActive();
    if (!a) return false;
    a->Deactivate();
    a->AfterDeactivate();
    a->Finish();
    return true;
}
