// Colours of scans and of fractions.
#pragma once

#include "platform/win.h"

// The colour of the fraction a / b on a rainbow scale: blue at 0, cyan at
// 0.2, green at 0.4, yellow at 0.65, red at 0.9, dark red at 1 (linear in
// between; the fraction is held to 0..1, and b = 0 counts as 0).
win::COLORREF colorFromFraction(float a, float b);

// The colour of scan i: with bScanColorFromTime off, a palette of 14 colours
// by index and darker shades of it from 15 on; with it on, the rainbow colour
// of the scan's position in time. Black for i outside 1..nScans.
win::COLORREF scanColor(int i);

// Client pixels to per mille of the 1399 x 1000 picture.
float pixelToPerMilleX(int x, float fClientWidth);
float pixelToPerMilleY(int y, float fClientHeight);
