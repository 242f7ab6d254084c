// Mouse actions: modal ways of working on the main window's plots. While an
// action is active the main window offers it every click, mouse move and key
// press first and handles the event itself only when the action declines.
// At most one action is active at a time; every change of the scan data set
// ends the active one (cancelled), so no action works on stale scan indices.
#pragma once

#include "platform/win.h"

class TXLAWindow;

class CMouseAction {
public:
    CMouseAction();
    virtual ~CMouseAction();
    CMouseAction(const CMouseAction&) = delete;
    CMouseAction& operator=(const CMouseAction&) = delete;

    void SetWindow(TXLAWindow* pWindow);

    // Ends every registered action (Deactivate, then Cancel, in registry
    // order), then, with a window, shows the cross cursor and becomes active.
    virtual void Activate();
    // The tool prepares its working data.
    virtual void Start();
    // Active: inactive, the arrow cursor back and the whole window repainted.
    virtual void Deactivate();
    virtual void AfterDeactivate();
    // Enter or Tab: the tool applies and stores its result.
    virtual void Finish();
    // Escape, another tool started or the data set changed: the tool drops
    // its working data.
    virtual void Cancel();

    // The event handlers; true when the event was consumed. The point is in
    // client pixels, the key a virtual-key code.
    virtual bool LButtonDown(const win::POINT& point);
    virtual bool LButtonUp(const win::POINT& point);
    virtual bool LButtonDblClk(const win::POINT& point);
    virtual bool RButtonDown(const win::POINT& point);
    virtual bool RButtonUp(const win::POINT& point);
    virtual bool RButtonDblClk(const win::POINT& point);
    virtual bool MouseMove(const win::POINT& point);
    virtual bool KeyDown(win::UINT key, win::UINT repeatCount, win::UINT flags);

    bool active;
    int eventCount;           // consumed mouse events since the last Activate
    TXLAWindow* window;       // not owned
};

// The registry: entries 1..nMouseActions, made once by createMouseActions
// and kept for the whole run.
inline constexpr int nMouseActions = 3;
extern CMouseAction** mouseActions;
enum { MOUSE_ACTION_TRACK_SCRATCH = 1, MOUSE_ACTION_FIX_SCRATCH_JUMP = 2, MOUSE_ACTION_FIX_POINT_FRINGE_JUMP = 3 };

// Makes the three tools in registry order and gives them the window; a
// second call only gives them the window.
void createMouseActions(TXLAWindow* pWindow);
// The window is going: the tools it owns end without touching it and forget it.
void releaseMouseActionWindow(TXLAWindow* pWindow);

// Starters of the menu commands: with scans loaded, Activate and Start the
// registry entry of the tool; else nothing.
void startTrackScratch();
void startFixScratchJump();
void startFixPointScanFringeJump();

// Dispatchers called by the main window's handlers before their own work:
// the first active entry whose handler consumes the event counts it (mouse
// only) and the dispatcher returns true; false when no entry consumed it.
bool mouseActionsEvLButtonDown(const win::POINT& point);
bool mouseActionsEvLButtonUp(const win::POINT& point);
bool mouseActionsEvLButtonDblClk(const win::POINT& point);
bool mouseActionsEvRButtonDown(const win::POINT& point);
bool mouseActionsEvRButtonUp(const win::POINT& point);
bool mouseActionsEvRButtonDblClk(const win::POINT& point);
bool mouseActionsEvMouseMove(const win::POINT& point);
bool mouseActionsEvKeyDown(win::UINT key, win::UINT repeatCount, win::UINT flags);

// The first active entry: Deactivate, AfterDeactivate and Cancel; true when
// there was one. Escape, the loaders and every other change of the data set.
bool endActiveMouseActions();
// The same with Finish in place of Cancel: Enter and Tab.
bool finishActiveMouseAction();
