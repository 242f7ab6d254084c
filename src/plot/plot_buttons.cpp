// The plot's own on-screen buttons, round the top-right corner of the frame.
#include <cstdio>
#include <cstring>

#include "plot/cwinplot.h"
#include "plot/screen_button.h"

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

void CWINPlot::CreateButtons(int n)
{
    char sz[32];
    int len = std::snprintf(sz, sizeof sz, "%d", n);
    if (pButtons && nButtons > 0) {
        pButtons[1]->SetText(sz, len, sz, len);
        pButtons[1]->Render();
        return;
    }
    const char* captions[] = {sz, "X", "i", "e", "s"};
    nButtons = 5;
    pButtons = new CScreenButton*[size_t(nButtons) + 1];
    pButtons[0] = nullptr;
    for (int k = 1; k <= nButtons; k++) {
        pButtons[k] = new CScreenButton;
        int l = int(std::strlen(captions[k - 1]));
        pButtons[k]->SetText(captions[k - 1], l, captions[k - 1], l);
    }
    PlaceButtons();
}

// Until CreateButtons made them a plot has no buttons, and there is nothing
// to place.
void CWINPlot::PlaceButtons()
{
    if (!pButtons || nButtons == 0) return;
    for (int k = 1; k <= nButtons; k++) {
        if (!pButtons[k]) continue;
        float top, left, bottom, right;
        ButtonRect(k, &top, &left, &bottom, &right);
        pButtons[k]->SetRect(top, left, bottom, right);
        pButtons[k]->Render();
    }
}

void CWINPlot::ReleaseButtons()
{
    if (pButtons)
        for (int k = 1; k <= nButtons; k++) delete pButtons[k];
    delete[] pButtons;
    pButtons = nullptr;
    nButtons = 0;
}
