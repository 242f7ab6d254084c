// Services of the desktop and of the sound effects that the main window uses:
// the help page and the start and goodbye sounds.
#pragma once

// The help page (help.html) at the anchor ("#command-200"), with the
// desktop's handler. False when the page cannot be found or opened.
bool openHelpPage(const char* szAnchor);

// The start sound (after the sound files were counted) and the goodbye sound
// played to its end.
void playStartSound();
void playGoodbyeSoundToEnd();
