// The dispatchers of the interactive scan tools (mouse actions), as the main
// window calls them. Each returns true when an active tool consumed the event.
#pragma once

#include "platform/win.h"

class TXLAWindow;

void createMouseActions(TXLAWindow* pWindow);
bool mouseActionsEvLButtonDown(const win::POINT& point);
bool mouseActionsEvLButtonUp(const win::POINT& point);
bool mouseActionsEvLButtonDblClk(const win::POINT& point);
bool mouseActionsEvRButtonDown(const win::POINT& point);
bool mouseActionsEvRButtonUp(const win::POINT& point);
bool mouseActionsEvRButtonDblClk(const win::POINT& point);
bool mouseActionsEvMouseMove(const win::POINT& point);
bool mouseActionsEvKeyDown(win::UINT key, win::UINT repeatCount, win::UINT flags);
bool endActiveMouseActions();
bool finishActiveMouseAction();
