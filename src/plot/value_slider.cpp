#include "plot/value_slider.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "numerics/nrutil.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "plot/number_entry.h"

using namespace win;

// ------------------------------------------------------------ track

CSliderTrack::CSliderTrack()
    : nKnobHalfWidth(3), nKnobPos(0), fPosition(0), bVertical(0), bHorizontal(1), crKnob(RGB(0, 0, 0))
{
    nButtonType = 1;  // a click on the track moves the knob, it toggles nothing
    SetText("", 0, "", 0);
}

void CSliderTrack::LayoutTrack()
{
    nKnobHalfWidth = int(std::floor(std::fabs(TrackLength() / 30.0)));
    nKnobPos = int(TrackStart() + TrackLength() * double(fPosition));
}

bool CSliderTrack::RenderTrack()
{
    if (bHidden) return true;
    HDC dc = CreateMetaFileA(nullptr);
    if (!dc) return false;
    SetWindowExtEx(dc, plotWindowWidth(), plotWindowHeight(), nullptr);
    DrawFace(dc);
    // the knob: 2 half-widths + 1 unit across the track
    HBRUSH hKnob = CreateSolidBrush(crKnob);
    HGDIOBJ hOldBrush = SelectObject(dc, hKnob);
    HGDIOBJ hOldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    const int lo = nKnobPos - nKnobHalfWidth, hi = nKnobPos + nKnobHalfWidth + 1;
    if (bHorizontal)
        Rectangle(dc, lo, nTop, hi, nBottom + 1);
    else
        Rectangle(dc, nLeft, lo, nRight + 1, hi);
    SelectObject(dc, hOldBrush);
    SelectObject(dc, hOldPen);
    DeleteObject(hKnob);
    HMETAFILE h = CloseMetaFile(dc);
    if (!h) return false;
    if (bHasFace && hFace) DeleteMetaFile(hFace);
    hFace = h;
    bHasFace = 1;
    return true;
}

// ------------------------------------------------------------ slider

CValueSlider::CValueSlider()
    : pStepUp(new CScreenButton), pStepDown(new CScreenButton), pLabel(new CScreenButton), nStepButtonSize(20),
      nLabelLength(150), fMin(0), fMax(1), bLinear(1), fValue(0), fDisplayFactor(1.0f)
{
    szName[0] = 0;
    szUnit[0] = 0;
    CScreenButton* steps[2] = {pStepUp, pStepDown};
    for (CScreenButton* b : steps) {
        b->nButtonType = 1;
        b->crFace = RGB(150, 150, 150);
        b->crOn = RGB(250, 150, 250);
        b->UseAltFont();
    }
    pStepUp->SetText(">", 1, ">", 1);
    pStepDown->SetText("<", 1, "<", 1);
    pLabel->nButtonType = 1;
    pLabel->bFlat = 1;
    pLabel->bOn = 1;
    pLabel->crText = RGB(0, 0, 0);
    pLabel->UseAltFont();
    pLabel->SetText("", 0, "", 0);
}

CValueSlider::~CValueSlider()
{
    delete pStepUp;
    delete pStepDown;
    delete pLabel;
}

void CValueSlider::SetRange(float fLo, float fHi, int bLinearScale)
{
    fMin = fLo;
    fMax = fHi;
    bLinear = bLinearScale ? 1 : 0;
}

void CValueSlider::SetTexts(const char* szValueName, const char* szValueUnit)
{
    std::snprintf(szName, sizeof szName, "%s", szValueName ? szValueName : "");
    std::snprintf(szUnit, sizeof szUnit, "%s", szValueUnit ? szValueUnit : "");
}

float CValueSlider::ValueAt(float p) const
{
    if (p <= 0) return fMin;
    if (p >= 1) return fMax;
    return fMin + (fMax - fMin) * p;
}

float CValueSlider::PositionOf(float v) const
{
    if (fMax == fMin) return 0;
    float p = (v - fMin) / (fMax - fMin);
    return p < 0 ? 0 : p > 1 ? 1 : p;
}

float CValueSlider::ShownValue() const
{
    return bLinear ? fValue : float(std::pow(10.0, double(fValue)) * fDisplayFactor);
}

void CValueSlider::SetLabel(bool bExponent)
{
    char sz[2100];
    int n = std::snprintf(sz, sizeof sz, bExponent ? "%s = %.3e %s" : "%s = %.3f %s", szName, double(ShownValue()),
                          szUnit);
    if (n >= int(sizeof sz)) n = int(sizeof sz) - 1;
    pLabel->SetText(sz, n, sz, n);
}

void CValueSlider::SetPosition(float p)
{
    if (!(p >= 0 && p <= 1)) return;
    fPosition = p;
    fValue = ValueAt(p);
    LayoutTrack();
    SetLabel(false);
}

// Without a table the knob moves by a hundredth of the track.
void CValueSlider::StepUp()
{
    SetPosition(fPosition + 0.01f);
    SetLabel(true);
}

void CValueSlider::StepDown()
{
    SetPosition(fPosition - 0.01f);
    SetLabel(true);
}

float CValueSlider::AskValue()
{
    char szPrompt[200];
    float fShown = ShownValue(), fAnswer = 0;
    if (bLinear)
        std::snprintf(szPrompt, sizeof szPrompt, "enter value between %.3f and %.3f", double(fMin), double(fMax));
    else
        std::snprintf(szPrompt, sizeof szPrompt, "enter value between %.3f and %.3f uM",
                      std::pow(10.0, double(fMin)) * fDisplayFactor, std::pow(10.0, double(fMax)) * fDisplayFactor);
    if (!inputFloat(&fAnswer, fShown, true, szPrompt, "")) return -1;
    float v = fAnswer;
    if (!bLinear) {
        if (!(fDisplayFactor != 0) || !(fAnswer / fDisplayFactor > 0)) return -1;
        v = float(std::log10(double(fAnswer) / fDisplayFactor));
    }
    if (!(v >= fMin && v <= fMax)) return -1;
    SetPosition(PositionOf(v));
    return fPosition;
}

void CValueSlider::Layout()
{
    const float top = float(nTop), bottom = float(nBottom);
    pStepDown->SetRect(top, float(nLeft - nStepButtonSize), bottom, float(nLeft - 1));
    pStepUp->SetRect(top, float(nRight + 1), bottom, float(nRight + nStepButtonSize));
    pLabel->SetRect(top, float(nRight + nStepButtonSize + 1), bottom,
                    float(nRight + nStepButtonSize + 1 + nLabelLength));
    LayoutTrack();
    SetLabel(false);
}

bool CValueSlider::Render()
{
    bool bOk = RenderTrack();
    bOk = pStepUp->Render() && bOk;
    bOk = pStepDown->Render() && bOk;
    return pLabel->Render() && bOk;
}

void CValueSlider::Paint(TWindow* pWindow)
{
    CScreenButton::Paint(pWindow);
    pStepUp->Paint(pWindow);
    pStepDown->Paint(pWindow);
    pLabel->Paint(pWindow);
}

void CValueSlider::Flash(CScreenButton* pButton, TWindow* pWindow)
{
    pButton->Toggle();
    pButton->Paint(pWindow);
    waitSeconds(0.1f);
    pButton->Toggle();
    pButton->Paint(pWindow);
}

float CValueSlider::HandleClick(TWindow* pWindow, float x, float y)
{
    float fResult = -1;
    if (pStepUp->HitTest(x, y)) {
        Flash(pStepUp, pWindow);
        StepUp();
        fResult = -2;
    } else if (pStepDown->HitTest(x, y)) {
        Flash(pStepDown, pWindow);
        StepDown();
        fResult = -3;
    } else if (pLabel->HitTest(x, y)) {
        fResult = AskValue();
        if (fResult < 0) return -1;
    } else if (CScreenButton::HitTest(x, y)) {
        float p = bHorizontal ? (fPlotXScale * x - nLeft) / float(nRight - nLeft)
                              : (y - nBottom) / float(nTop - nBottom);
        SetPosition(p < 0 ? 0 : p > 1 ? 1 : p);
        fResult = fPosition;
    } else {
        return -1;
    }
    Render();
    if (pWindow) Paint(pWindow);
    return fResult;
}

// ------------------------------------------------------------ slider with a table

CTableSlider::~CTableSlider()
{
    if (pTable) free_vector(pTable, 1, nTable);
}

void CTableSlider::SetTable(int n, const float* pValues, int bTakeLog)
{
    if (pTable) free_vector(pTable, 1, nTable);
    pTable = nullptr;
    nTable = 0;
    nTableIndex = 0;
    if (n < 1 || !pValues) return;
    pTable = vector(1, n);
    nTable = n;
    for (int k = 1; k <= n; k++) {
        float v = pValues[k];
        // a value without a logarithm sits at the lower end
        if (!bLinear && bTakeLog) v = v > 0 ? float(std::log10(double(v))) : fMin;
        pTable[k] = v;
    }
    if (bZeroEntry) pTable[1] = 0;
}

void CTableSlider::SelectEntry(int k)
{
    nTableIndex = k;
    fValue = pTable[k];
    fPosition = (bZeroEntry && k == 1) ? 0.0f : PositionOf(fValue);
    LayoutTrack();
    SetLabel(false);
}

void CTableSlider::SetPosition(float p)
{
    if (!(p >= 0 && p <= 1)) return;
    if (!pTable || nTable < 1) {
        CValueSlider::SetPosition(p);
        return;
    }
    if (p == 0 || (bZeroEntry && p < 1.0f / float(nTable))) {
        SelectEntry(1);
        return;
    }
    const float target = ValueAt(p);
    int kBest = 0;
    float fBest = 0;
    for (int k = (bZeroEntry ? 2 : 1); k <= nTable; k++) {
        float d = std::fabs(pTable[k] - target);
        if (kBest == 0 || d < fBest) {
            kBest = k;
            fBest = d;
        }
    }
    SelectEntry(kBest ? kBest : 1);
}

void CTableSlider::StepUp()
{
    if (!pTable) {
        CValueSlider::StepUp();
        return;
    }
    if (nTableIndex < nTable) SelectEntry(nTableIndex + 1);
}

void CTableSlider::StepDown()
{
    if (!pTable) {
        CValueSlider::StepDown();
        return;
    }
    if (nTableIndex > 1) SelectEntry(nTableIndex - 1);
}

float CTableSlider::ShownValue() const
{
    if (bZeroEntry && nTableIndex == 1 && !bLinear) return 0;
    return CValueSlider::ShownValue();
}

// ------------------------------------------------------------ button column

CButtonColumn::CButtonColumn(int n, int top, int left, int bottom, int right)
    : nButtons(n < 0 ? 0 : n), pButtons(nullptr), nTop(top), nLeft(left), nBottom(bottom), nRight(right),
      hPicture(nullptr), bHasPicture(0)
{
    pButtons = new CScreenButton*[size_t(nButtons) + 1];
    pButtons[0] = nullptr;
    const int h = nButtons > 0 ? (top - bottom) / nButtons : 0;
    for (int i = 1; i <= nButtons; i++) {
        pButtons[i] = new CScreenButton;
        pButtons[i]->SetRect(float(top - (i - 1) * h), float(left), float(top - i * h + 1), float(right));
    }
}

CButtonColumn::~CButtonColumn()
{
    for (int i = 1; i <= nButtons; i++) delete pButtons[i];
    delete[] pButtons;
    if (bHasPicture && hPicture) DeleteMetaFile(hPicture);
}

void CButtonColumn::SetColors(COLORREF crOnColor, COLORREF crFaceColor)
{
    for (int i = 1; i <= nButtons; i++) {
        pButtons[i]->crOn = crOnColor;
        pButtons[i]->crFace = crFaceColor;
    }
}

void CButtonColumn::SetFlat()
{
    for (int i = 1; i <= nButtons; i++) pButtons[i]->bFlat = 1;
}

void CButtonColumn::RenderEach()
{
    for (int i = 1; i <= nButtons; i++) pButtons[i]->Render();
}

HMETAFILE CButtonColumn::RenderAll()
{
    HDC dc = CreateMetaFileA(nullptr);
    if (!dc) return bHasPicture ? hPicture : nullptr;
    SetWindowExtEx(dc, plotWindowWidth(), plotWindowHeight(), nullptr);
    for (int i = 1; i <= nButtons; i++) pButtons[i]->DrawFace(dc);
    HMETAFILE h = CloseMetaFile(dc);
    if (h) {
        if (bHasPicture && hPicture) DeleteMetaFile(hPicture);
        hPicture = h;
        bHasPicture = 1;
    }
    return bHasPicture ? hPicture : nullptr;
}

void CButtonColumn::SetHidden(int i, bool bHide)
{
    if (CScreenButton* b = At(i)) b->bHidden = bHide ? 1 : 0;
}

bool CButtonColumn::IsHidden(int i) const
{
    CScreenButton* b = At(i);
    return b && b->bHidden;
}

bool CButtonColumn::IsOn(int i) const
{
    CScreenButton* b = At(i);
    return b && b->bOn;
}

void CButtonColumn::Toggle(int i)
{
    if (CScreenButton* b = At(i)) b->Toggle();
}

void CButtonColumn::SetText(int i, const char* szOff, const char* szOn)
{
    if (CScreenButton* b = At(i))
        b->SetText(szOff, szOff ? int(std::strlen(szOff)) : 0, szOn, szOn ? int(std::strlen(szOn)) : 0);
}

void CButtonColumn::UseAltFont(int i)
{
    if (CScreenButton* b = At(i)) b->UseAltFont();
}

void CButtonColumn::SetBaselineText(int i)
{
    if (CScreenButton* b = At(i)) b->SetBaselineText();
}

void CButtonColumn::SetBaselineTextRaised(int i)
{
    if (CScreenButton* b = At(i)) b->SetBaselineTextRaised();
}

void CButtonColumn::Beep(int i)
{
    if (CScreenButton* b = At(i)) b->Beep();
}

void CButtonColumn::Paint(int i, TWindow* pWindow)
{
    if (CScreenButton* b = At(i)) b->Paint(pWindow);
}

bool CButtonColumn::SaveBackground(int i, TXLAWindow* pWindow)
{
    CScreenButton* b = At(i);
    return b && b->SaveBackground(pWindow);
}

bool CButtonColumn::RestoreBackground(int i, TXLAWindow* pWindow)
{
    CScreenButton* b = At(i);
    return b && b->RestoreBackground(pWindow);
}

bool CButtonColumn::HitTest(int i, float x, float y)
{
    CScreenButton* b = At(i);
    return b && b->HitTest(x, y);
}

bool CButtonColumn::Render(int i)
{
    CScreenButton* b = At(i);
    return b && b->Render();
}
