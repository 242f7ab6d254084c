// The four fonts of the plot pictures, made once at start-up.
#pragma once

#include "platform/win.h"

extern win::HFONT hPlotFontA; // tick numbers, height 17
extern win::HFONT hPlotFontB; // x label and y-end texts, height 19
extern win::HFONT hPlotFontC; // y label, height 19, reading upwards
extern win::HFONT hPlotFontD; // title, height 32

// Creates the four fonts (serif family, normal weight, no face name).
void createPlotFonts();
// The mouse-action diagnostic plots want larger, unrotated texts: replaces
// fonts A, B and C by fonts of height 25 for the rest of the run (the old
// ones are deleted).
void useLargePlotFonts();
