// Texts and boxes of the distribution solvers, in the main window.
#pragma once

// An OK box with an empty title over the main window.
void solverNoticeBox(const char* szText);
// An OK box with the given title.
void solverTitledBox(const char* szText, const char* szTitle);
// Draws a progress text at (x, y) of the main window's client area, only
// after its first paint.
void solverProgressText(int x, int y, const char* szText);
