// Services of the desktop and of the sound effects that the main window uses:
// the help page and the start and goodbye sounds.
#pragma once

// The help page (docs/help.html) at the anchor, with the desktop's handler.
// False when the page cannot be found or opened.
bool openHelpPage(const char* szAnchor);
// The path of the help page; empty when it cannot be found.
const char* helpPagePath();

// The start sound (after the sound files were counted) and the goodbye sound
// played to its end.
void playStartSound();
void playGoodbyeSoundToEnd();
