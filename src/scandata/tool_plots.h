// What the interactive scan tools share for their diagnostic pictures and
// texts: the ad hoc plot over both main plots, pictures played straight into
// the client area, short texts, and the per-mille position of a click.
#pragma once

#include "platform/win.h"

class CAdHocPlot;
class CWINPlot;
class TXLAWindow;

// A new ad hoc plot over the band of both main plots (top 50, left 75,
// bottom 950, right 975 per mille) with the two labels.
CAdHocPlot* newToolPlot(const char* szXLabel, const char* szYLabel);
// Adds copies of x[1..n] and y[1..n] as a curve of the colour and style code;
// the curve's index, or -1 when the plot takes no more curves (or n < 1).
int addToolCurve(CAdHocPlot* pPlot, const float* x, const float* y, int n, win::COLORREF cr, int nStyle);
// The same from doubles.
int addToolCurveD(CAdHocPlot* pPlot, const double* x, const double* y, int n, win::COLORREF cr, int nStyle);
// Releases the window's previous ad hoc plot, switches to the tools' large
// plot fonts, draws the plot, hands it to the window (which paints it from
// now on) and plays it into the client area at once.
void showToolPlot(TXLAWindow* pWindow, CAdHocPlot* pPlot);
// Plays a picture into the client area (the plots' logical window onto the
// client size); the picture stays the caller's.
void playIntoClientArea(TXLAWindow* pWindow, win::HMETAFILE hPicture);
// One line of text at client pixel (x, y), as writeTextLine writes it.
void writeToolText(TXLAWindow* pWindow, int x, int y, const char* szText);
// Texts written straight into the window at fixed places (progress lines,
// the fitted-parameter text) replace the text written at the same place
// before: the part of a longer old text beyond the new one is cleared (the
// opaque text covers only its own cells), so no stub of earlier words stays.
// (x, y) is the top left corner in the context's units.
void writeTextLine(win::HDC dc, int x, int y, const char* szText);
// After the client was erased (a paint) nothing of the old texts is left.
void forgetTextLines();
// The client size in pixels; false when the window has none.
bool clientSize(TXLAWindow* pWindow, float* pfWidth, float* pfHeight);
// A click in per mille of the picture (x with the factor 1.4), and the hit
// tolerance of nMarkerHitTolerance pixels converted the same way.
bool clickPerMille(TXLAWindow* pWindow, const win::POINT& point, float* pfX, float* pfY, float* pfTolX,
                   float* pfTolY);
// The value on a plot's x axis under a per-mille x (10 to the power on a
// logarithmic axis); false for a plot without a scale.
bool plotXValue(const CWINPlot* pPlot, float fXPerMille, double* pdValue);
// The client pixel column of a value on a plot's x axis (a non-positive
// value on a logarithmic axis lies at the frame's left edge).
int plotXPixel(TXLAWindow* pWindow, const CWINPlot* pPlot, double dValue);
