// The dispatchers of the interactive scan tools (mouse actions), as the main
// window calls them. Each returns true when an active tool consumed the event.
#pragma once

#include "scandata/mouse_actions.h"
