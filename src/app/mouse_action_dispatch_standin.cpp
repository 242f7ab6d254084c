// The interactive scan tools are not part of the program yet: no tool is
// ever active, so no event is consumed. The tools' own file replaces this one.
#include "app/mouse_action_dispatch.h"

void createMouseActions(TXLAWindow*) {}
bool mouseActionsEvLButtonDown(const win::POINT&) { return false; }
bool mouseActionsEvLButtonUp(const win::POINT&) { return false; }
bool mouseActionsEvLButtonDblClk(const win::POINT&) { return false; }
bool mouseActionsEvRButtonDown(const win::POINT&) { return false; }
bool mouseActionsEvRButtonUp(const win::POINT&) { return false; }
bool mouseActionsEvRButtonDblClk(const win::POINT&) { return false; }
bool mouseActionsEvMouseMove(const win::POINT&) { return false; }
bool mouseActionsEvKeyDown(win::UINT, win::UINT, win::UINT) { return false; }
bool endActiveMouseActions() { return false; }
bool finishActiveMouseAction() { return false; }
