// Integration of the shown distribution and the extent of one of its peaks.
// (integrateDistribution and findPeakExtent are declared in conti_globals.h,
// where the scan-data, realtime and export code find them.)
#pragma once

#include <vector>

// The range of the second axis of a two-dimensional result (f/f0, M, Rh or D
// by the display options) whose points the region statistics take; set by
// the range selection on the plot. The start values take every point.
extern float fIntegrateYMin;
extern float fIntegrateYMax;

// One peak of the shown distribution: its maximum (grid index), the grid
// indices and abscissae where its extent ends, its weight-average abscissa,
// signal and fraction of the total.
struct DistributionPeak {
    int nIndex = 0, nFirst = 0, nLast = 0;
    float fLow = 0.0f, fHigh = 0.0f, fMean = 0.0f, fSignal = 0.0f, fFraction = 0.0f;
};
// The peaks at the grid points pIndex[1..nPeaks] (highest first, as
// CCurve::FindPeaks gives them), each with its extent (findPeakExtent with
// fFactor), each once and over disjoint ranges: a maximum inside the extent
// of a higher peak belongs to that peak, and an extent reaching into a
// higher peak's range ends where that range ends (the two share the point).
std::vector<DistributionPeak> distinctPeaks(const int* pIndex, int nPeaks, float fFactor);
