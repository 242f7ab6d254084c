// The three interactive scan-correction tools of the mouse-action registry.
// Each tool overrides Start, Finish, Cancel, LButtonDown and KeyDown and keeps
// its working data here; until a tool is built it behaves as the base action
// (it consumes clicks while active and does nothing with them).
#pragma once

#include "scandata/mouse_actions.h"

// Tracks a scratch or other fixed feature through the scans.
class CMouseAction_TrackScratch : public CMouseAction {};

// Corrects fringe jumps at one radius across all interference scans.
class CMouseAction_FixScratchJump : public CMouseAction {};

// Corrects fringe jumps inside one interference scan.
class CMouseAction_FixPointScanFringeJump : public CMouseAction {};
