// Tables as tab-separated text on the clipboard.
#pragma once

#include <string>

class TXLAWindow;

// Puts the text on the clipboard as CF_TEXT; false when the clipboard cannot
// be opened.
bool putStringOnClipboard(TXLAWindow* pWindow, const std::string& text);

// Puts rows nFirst..nLast (1-based) of the table on the clipboard as CF_TEXT:
// per row the x value, then the values of the nY columns pY[0..nY-1], tab
// separated, one line per row. The flag is accepted for the callers that
// pass one and changes nothing. False when the clipboard cannot be opened or
// there is nothing to put.
bool putTextOnClipboard(TXLAWindow* pWindow, const float* pX, float* const* pY, int nFirst, int nLast, int nY,
                        int bFlag = 0);
