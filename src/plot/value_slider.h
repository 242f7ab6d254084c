// Two controls built from on-screen buttons: a value slider and a column of
// buttons. Coordinates are the plots' logical units (1399 x 1000); clicks come
// in per mille of the client area, as for CScreenButton::HitTest.
//
// The slider is a chain: CSliderTrack (the track, a CScreenButton whose
// rectangle it is, with the knob), CValueSlider (step buttons "<" and ">" and
// a value label; a value between fMin and fMax, linear or on a decimal
// logarithmic scale) and CTableSlider (the value snaps to a table of allowed
// values). The slider's step and position operations are virtual; delete a
// slider through its own type, never through a CScreenButton pointer.
//
//   CTableSlider* s = new CTableSlider;
//   s->SetRect(900, 300, 920, 700);             // the track
//   s->SetRange(-2, 1, 0);                      // log scale: 0.01 .. 10
//   s->SetTexts("c", "uM");
//   s->SetTable(4, values, 1);                  // values[1..4], logarithms taken
//   s->Layout(); s->Render(); s->Paint(window);
//   float r = s->HandleClick(window, x, y);     // position, -2 up, -3 down, -1 nothing
#pragma once

#include "platform/win.h"
#include "plot/screen_button.h"

class CSliderTrack : public CScreenButton {
public:
    int nKnobHalfWidth;        // 3 until laid out, then floor(|track length / 30|)
    int nKnobPos;              // knob centre: track start + length x position (truncated)
    float fPosition;           // 0..1
    unsigned char bVertical;   // 0
    unsigned char bHorizontal; // 1
    win::COLORREF crKnob;      // black

    CSliderTrack();
    // Knob size and place from the rectangle and the position.
    void LayoutTrack();
    // The track's face with the knob, recorded like a button face.
    bool RenderTrack();

protected:
    // Start and length of the track along its direction.
    int TrackStart() const { return bHorizontal ? nLeft : nBottom; }
    int TrackLength() const { return bHorizontal ? nRight - nLeft : nTop - nBottom; }
};

class CValueSlider : public CSliderTrack {
public:
    CScreenButton* pStepUp;    // ">"
    CScreenButton* pStepDown;  // "<"
    CScreenButton* pLabel;     // "name = value unit"
    int nStepButtonSize;       // 20
    int nLabelLength;          // 150
    float fMin;
    float fMax;
    unsigned char bLinear;     // 1 linear; 0 decimal logarithms: fMin, fMax, fValue and the table are log10
    float fValue;
    char szName[1000];
    char szUnit[1000];
    float fDisplayFactor;      // 1.0

    CValueSlider();
    virtual ~CValueSlider();
    CValueSlider(const CValueSlider&) = delete;
    CValueSlider& operator=(const CValueSlider&) = delete;

    // The ends as held: decimal logarithms on a logarithmic slider.
    void SetRange(float fLo, float fHi, int bLinearScale);
    void SetTexts(const char* szValueName, const char* szValueUnit);
    // A position outside 0..1 changes nothing.
    virtual void SetPosition(float p);
    virtual void StepUp();
    virtual void StepDown();
    // Asks for a typed value; the new position, or -1 when the answer is
    // cancelled or lies outside the range.
    float AskValue();
    // Step buttons left and right of the track, the label right of them.
    void Layout();
    bool Render();
    void Paint(win::TWindow* pWindow);
    // The new position after a click on the track, -2 after the step-up
    // button, -3 after the step-down button, the typed value's position after
    // a click on the label (-1 when refused), -1 when nothing was hit.
    float HandleClick(win::TWindow* pWindow, float x, float y);

    // value = fMin + (fMax - fMin) p, p clamped to 0..1, and back.
    float ValueAt(float p) const;
    float PositionOf(float v) const;
    // The value as the label shows it.
    virtual float ShownValue() const;

protected:
    void SetLabel(bool bExponent);
    void Flash(CScreenButton* pButton, win::TWindow* pWindow);
};

class CTableSlider : public CValueSlider {
public:
    float* pTable = nullptr;      // vector(1, nTable)
    int nTable = 0;
    int nTableIndex = 0;          // entry shown, 0 = none yet
    unsigned char bZeroEntry = 0; // the first entry is 0, chosen by positions below 1/nTable

    CTableSlider() = default;
    ~CTableSlider() override;

    // The allowed values; on a logarithmic slider their decimal logarithms
    // when bTakeLog is set (values are held as they come otherwise).
    void SetTable(int n, const float* pValues, int bTakeLog);
    // The entry nearest to the value of p (the first on ties) with its own
    // position; p = 0 selects the first entry.
    void SetPosition(float p) override;
    void StepUp() override;
    void StepDown() override;
    float ShownValue() const override;

private:
    void SelectEntry(int k);
};

class CButtonColumn {
public:
    int nButtons;
    CScreenButton** pButtons;   // slots 1..nButtons
    int nTop, nLeft, nBottom, nRight;
    win::HMETAFILE hPicture;    // all faces in one picture
    unsigned char bHasPicture;

    // n buttons stacked from the top, each (top - bottom) / n units (integer):
    // button i from top - (i - 1) h to top - i h + 1.
    CButtonColumn(int n, int top, int left, int bottom, int right);
    ~CButtonColumn();
    CButtonColumn(const CButtonColumn&) = delete;
    CButtonColumn& operator=(const CButtonColumn&) = delete;

    void SetColors(win::COLORREF crOnColor, win::COLORREF crFaceColor);
    void SetFlat();
    void RenderEach();
    // Every face into one picture, kept by the column; its handle.
    win::HMETAFILE RenderAll();

    // Per button i = 1..n; nothing (false, 0) for another i.
    void SetHidden(int i, bool bHide);
    bool IsHidden(int i) const;
    bool IsOn(int i) const;
    void Toggle(int i);
    void SetText(int i, const char* szOff, const char* szOn);
    void UseAltFont(int i);
    void SetBaselineText(int i);
    void SetBaselineTextRaised(int i);
    void Beep(int i);
    void Paint(int i, win::TWindow* pWindow);
    bool SaveBackground(int i, TXLAWindow* pWindow);
    bool RestoreBackground(int i, TXLAWindow* pWindow);
    bool HitTest(int i, float x, float y);
    bool Render(int i);

private:
    CScreenButton* At(int i) const { return (i >= 1 && i <= nButtons) ? pButtons[i] : nullptr; }
};
