// Helpers shared by the parts of the M* screens (not used elsewhere).
#pragma once

#include "analyses/mstar/mstar_screen.h"
#include "platform/win.h"

class CWINPlot;

namespace mstar {

// The array of the column made anew with n zeroed points; its view follows.
void resizeColumn(MStarColumn& c, int n);
// The array and its view go.
void freeColumn(MStarColumn& c);
// The column's view (made on first use).
CVector* view(MStarColumn& c);
// Grid point k of n from a to b: a + (k - 1)(b - a)/(n - 1).
void fillGrid(MStarColumn& grid, float a, float b);

// Points first..last (toolkit numbering, from 0) of curve k, with the style;
// a range that holds no point of the curve hides it.
void setCurveRange(CWINPlot* p, int k, int first, int last, int nStyle);
// Smallest and largest of c[lo..hi] (array numbering, clamped to the array)
// merged into *pMin, *pMax; *pbFound tells whether any value was seen.
void extremes(const MStarColumn& c, int lo, int hi, float* pMin, float* pMax, bool* pbFound);
// Index k clamped to 1..n.
int clampIndex(int k, int n);

// Axis ranges of the four plots and the point ranges of their curves, as the
// computation leaves them.
void rangePlotA();
void rangePlotB();
void rangePlotC();
void rangePlotD();
void curveRanges();

// The caption of the meniscus-signal button of set i ("A0(%d) = %.4f" or,
// for interference data, "Ja(%d) = %.4f").
void meniscusCaption(char* sz, int nSize, int i);
// Both captions of a button set to the text (when the button exists) and its
// face recorded.
void setCaption(int k, const char* sz);
// The per-set labels from the current values.
void setLabels();

// Half-width of the Mwapp curves: smoothing of ln c plus the moving average.
inline int mwappHalfWidth() { return nLnCSmoothHalfWidth + nMwappSmoothHalfWidth; }

// The window's handle for message boxes (none without a window).
win::HWND ownerOf(TXLAWindow* pWindow);

// Plot A goes and the data plot with its band comes back; the two
// extrapolation ranges go.
void releasePlotA();
void freeRanges();

// Says that c(M) smoothing cannot run here; button 6 goes back off.
void refuseCMSmoothing(TXLAWindow* pWindow);

// The per-set data go (curves, views, arrays); the plots that drew them
// must be gone first.
void freeSetData();

}  // namespace mstar
