// The three interactive scan-correction tools of the mouse-action registry.
// Each tool overrides Start, Finish, Cancel, LButtonDown and KeyDown and keeps
// its working data in its own object.
#pragma once

#include "scandata/fringe_jump_tools.h"
#include "scandata/mouse_actions.h"
#include "scandata/scratch_tracking_tool.h"
