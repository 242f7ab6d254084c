// The plot's own on-screen buttons, round the top-right corner of the frame.
#include "plot/cwinplot.h"

void CWINPlot::ButtonRect(int k, float* pTop, float* pLeft, float* pBottom, float* pRight) const
{
    const float s = float(nButtonSize);
    const float t = float(nFrameTop + 1);
    const float r = float(nFrameRight);
    float top = 0, left = 0, bottom = 0, right = 0;
    switch (k) {
    case 1: top = t, left = r - s, bottom = t + s, right = r; break;
    case 2: top = t + s / 2, left = r + 1, bottom = t + s, right = r + 1 + s / 2; break;
    case 3: top = t, left = r + 1, bottom = t + s / 2, right = r + 1 + s / 2; break;
    case 4: top = t + s, left = r + 1 - s / 2, bottom = t + 1.5f * s, right = r; break;
    case 5: top = t + s, left = r - s, bottom = t + 1.5f * s, right = r - s / 2; break;
    default: break;
    }
    *pTop = top;
    *pLeft = left;
    *pBottom = bottom;
    *pRight = right;
}

// Buttons exist only once CreateButtons made them; until then a plot has none
// and there is nothing to place or release.
void CWINPlot::PlaceButtons()
{
    if (!pButtons || nButtons == 0) return;
}

void CWINPlot::ReleaseButtons()
{
    delete[] pButtons;
    pButtons = nullptr;
    nButtons = 0;
}
