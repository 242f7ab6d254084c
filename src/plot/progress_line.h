// A thin progress bar drawn straight onto the main window's client area, in
// pixels, by a computation that runs without a message loop. The pixels under
// the bar are saved when it is shown and put back when it is hidden, so the
// plots beneath need no repaint.
//
//   CProgressLine* p = new CProgressLine;
//   p->Show(window, 10, 10);
//   for (...) p->Draw(float(i) / n, window);   // or SetProgress(value, dc)
//   p->Hide(window);
//   delete p;
//
// Nothing is saved, drawn or restored before the main window's first paint
// (bWindowPainted). The bar only grows: a value not above the last one drawn
// draws nothing. Every operation takes the object's own lock, so worker
// threads may call SetProgress on one shared device context.
#pragma once

#include <mutex>

#include "platform/win.h"

class CProgressLine {
public:
    CProgressLine();
    ~CProgressLine();
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

    // Places the bar with its left end at (x, y) and saves the pixels beneath.
    void Show(win::TWindow* window, int x, int y);
    // Draws the fraction value / fScale on a context of the window.
    void Draw(float value, win::TWindow* window);
    // The same on a context the caller holds; the bar's pen stays selected.
    void SetProgress(float value, win::HDC dc);
    // Puts back the pixels saved by Show.
    void Hide(win::TWindow* window);
    void SetColorBlue();
    void SetColorOrange();
    void SetColorPurple();
    bool SaveBackground(win::TWindow* window);
    bool RestoreBackground(win::TWindow* window);

    float fScale;   // value that counts as complete
    float fValue;   // last value drawn
    int nLength;    // bar length in pixels
    int nWidth;     // height parameter; the bar itself is four rows high
    win::COLORREF crLine;
    win::COLORREF crBack;
    win::HPEN hLinePen;
    win::HPEN hBackPen;
    int nRight;
    int nLeft;
    int nBottom;
    int nTop;
    unsigned char bHasBackground;
    win::HBITMAP hBackground;
    // A dial in place of the bar: a circle swept clockwise from twelve o'clock.
    unsigned char bDial;
    int nDialLeft;
    int nDialTop;
    int nDialRight;
    int nDialBottom;
    int nDialStartX;
    int nDialStartY;

private:
    void DrawLocked(float value, win::HDC dc);
    void SetLineColor(win::COLORREF cr);
    // The saved area: x from nLeft - 1 to nRight + 1, y from nTop - nWidth to nBottom.
    win::RECT BackgroundRect() const;
    bool SaveLocked(win::TWindow* window);
    bool RestoreLocked(win::TWindow* window);

    std::mutex lock;
};
