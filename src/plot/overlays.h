// Curve overlays: one more curve drawn into the axes of a plot that has been
// laid out and drawn, without adding it to the plot, recorded as a picture of
// its own (the plots' 1399 x 1000 window). The caller plays the picture into
// the context that shows the plot and deletes it:
//
//   HMETAFILE h = overlayDoubleArrays(pDataPlot, r, c, n, RGB(255, 0, 0), -1, 0);
//   if (h) { PlayMetaFile(dc, h); DeleteMetaFile(h); }
//
// The overlays use the plot's current mapping and ranges and the renderer's
// symbols (CWINPlot::DrawSymbol); the plot is left as it was. The members
// CWINPlot::OverlayCurve, OverlayCurveEx and OverlayCurveAll are declared in
// plot/cwinplot.h. Arrays are one-based, elements 1..n.
#pragma once

#include "platform/win.h"
#include "plot/cwinplot.h"

// Views of x[1..n] and y[1..n] (values below 1e-30 in magnitude become 0 in
// the caller's arrays, as every view does); the arrays stay the caller's.
win::HMETAFILE overlayFloatArrays(CWINPlot* pPlot, float* x, float* y, int n, win::COLORREF cr, int nStyle,
                                  int nSize);
// Float copies of the doubles; the caller's arrays are not touched.
win::HMETAFILE overlayDoubleArrays(CWINPlot* pPlot, const double* x, const double* y, int n, win::COLORREF cr,
                                   int nStyle, int nSize);
// min(last - first + 1, n) points from element max(first, 1) on.
win::HMETAFILE overlayFloatArraysRange(CWINPlot* pPlot, float* x, float* y, int n, int first, int last,
                                       win::COLORREF cr, int nStyle, int nSize);
// A colour per point from pColors (imatrix(1, n, 1, 3): red, green, blue).
win::HMETAFILE overlayFloatArraysMultiColor(CWINPlot* pPlot, float* x, float* y, int n, int** pColors, int nStyle,
                                            int nSize);
win::HMETAFILE overlayFloatDoubleArrays(CWINPlot* pPlot, float* x, const double* y, int n, win::COLORREF cr,
                                        int nStyle, int nSize);
// y scaled so that its largest value becomes dPeak; a largest value below
// 1e-30 in magnitude draws y unscaled.
win::HMETAFILE overlayNormalizedDoubleArray(CWINPlot* pPlot, float* x, const double* y, int n, double dPeak,
                                            win::COLORREF cr, int nStyle, int nSize);
// The same for floats; only a largest value of exactly 0 draws y unscaled.
win::HMETAFILE overlayNormalizedFloatArray(CWINPlot* pPlot, float* x, const float* y, int n, double dPeak,
                                           win::COLORREF cr, int nStyle, int nSize);
