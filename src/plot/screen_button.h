// CScreenButton: a small push or toggle button the program draws itself over
// the plots, in the plots' logical window (1399 x 1000, y downwards). It is no
// window control: its face is recorded into a metafile and played whenever the
// owner paints; the owner's mouse handlers route clicks to HitTest. A button
// shown only for a moment saves the screen pixels beneath it and puts them
// back. The same object serves as a flat text label and can ring a data point.
//
//   CScreenButton* b = new CScreenButton;
//   b->nButtonType = 1;                        // push button
//   b->crOn = RGB(255, 150, 150);
//   b->SetRect(top, left, bottom, right);      // logical units
//   b->SetText("integrate", 9, "select range", 12);
//   b->Render();
//   b->Paint(window);                          // after every paint of the owner
//   if (b->HitTest(x, y)) { ... }              // x, y in per mille of the client area
#pragma once

#include "platform/win.h"

class TXLAWindow;

class CScreenButton {
public:
    int nButtonType;              // 1 push button, 2 toggle button (a hit flips it)
    unsigned char bOn;            // state: selects caption and face colour
    unsigned char bFlat;          // label look: white face, outline in crFace, no bevel
    unsigned char bBaselineText;  // caption anchored on its baseline
    unsigned char bBaselineRaised;// baseline anchoring, raised by 2 units
    unsigned char bHidden;        // draws nothing, takes no clicks
    char* pszOffText;             // nTextCapacity + 1 bytes
    char* pszOnText;
    int nTextCapacity;
    win::COLORREF crLight;        // bevel: top and right edges
    win::COLORREF crDark;         // bevel: bottom and left edges
    win::COLORREF crMid;          // bevel: inner line along bottom and left
    win::COLORREF crFace;         // face when off; outline of the flat look
    win::COLORREF crOn;           // face when on
    win::COLORREF crText;
    unsigned char bAltFont;       // caption in the heavy font
    win::HMETAFILE hFace;
    unsigned char bHasFace;       // hFace is a face the button owns
    int nRight;
    int nLeft;
    int nTop;                     // smaller y: higher on screen
    int nBottom;
    int nMarkX;                   // ring marker centre and radius, pixels
    int nMarkY;
    int nMarkRadius;              // 0: no ring shown
    win::COLORREF crMarkDot;      // dot left where the ring was
    unsigned char bHasBackground;
    win::HBITMAP hBackground;     // saved screen pixels under the button

    CScreenButton();
    ~CScreenButton();
    CScreenButton(const CScreenButton&) = delete;
    CScreenButton& operator=(const CScreenButton&) = delete;

    // Each edge becomes floor(value).
    void SetRect(float top, float left, float bottom, float right);
    // Copies at most min(n, capacity - 1) characters of each caption.
    void SetText(const char* szOff, int nOff, const char* szOn, int nOn);
    void SetBaselineText() { bBaselineText = 1; }
    void SetBaselineTextRaised() { bBaselineRaised = 1; }
    void UseAltFont() { bAltFont = 1; }
    // Flips the state and records the face again.
    void Toggle();
    // x, y in per mille of the client width and height; 1.4 x is compared
    // with the edges. A toggle button that is hit toggles itself.
    bool HitTest(float x, float y);
    // Records the face into a new metafile; false (old face kept) when the
    // metafile cannot be made.
    bool Render();
    // Draws the face into any context, in logical units.
    bool DrawFace(win::HDC dc);
    // Plays the face onto the window's client area.
    void Paint(win::TWindow* pWindow);
    // The screen pixels under the button (from the client size of the main
    // window's last paint) into a bitmap, and back.
    bool SaveBackground(TXLAWindow* pWindow);
    bool RestoreBackground(TXLAWindow* pWindow);
    // A ring 3 pixels wide, white inside, about the pixel (cx, cy), straight
    // onto the window; radius < 1 only removes a ring shown.
    void RenderRound(win::TWindow* pWindow, int cx, int cy, int radius, win::COLORREF crRing, win::COLORREF crDot);
    // Removes the ring: a white disc, then the point as a small dot.
    void EraseRound(win::TWindow* pWindow, int cx, int cy, int r);
    void Beep();
    // The caption only, straight onto the window, in crText or in white.
    void DrawCaption(win::TWindow* pWindow);
    void EraseCaption(win::TWindow* pWindow);

private:
    // Where the background was taken from, in client pixels.
    int nBackX = 0, nBackY = 0, nBackW = 0, nBackH = 0;
    void WriteCaption(win::HDC dc, win::COLORREF crColor);
    void BackgroundRect(TXLAWindow* pWindow, int* pX, int* pY, int* pW, int* pH) const;
};

// The two fonts all buttons share (height 16, Swiss): normal and heavy.
win::HFONT screenButtonFont(bool bHeavy);
