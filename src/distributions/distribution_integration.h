// Integration of the shown distribution and the extent of one of its peaks.
// (integrateDistribution itself is declared in conti_globals.h, where the
// scan-data and realtime code find it.)
#pragma once

// The range of the second axis of a two-dimensional result (f/f0, M, Rh or D
// by the display options) whose points the region statistics take; set by
// the range selection on the plot. The start values take every point.
extern float fIntegrateYMin;
extern float fIntegrateYMax;

// The peak of the shown distribution whose maximum is grid point nPeak:
// from the maximum the walk goes outward on each side while the next value
// is at most the lowest value passed so far divided by fFactor (0.9: ripples
// of less than 11 % do not end it); it takes the first point at or below 1 %
// of the peak height and ends there. The abscissae where the walks ended are
// the limits; the weight-average
// abscissa, the signal between the limits and its fraction of the total come
// from integrateDistribution; the further value is the peak height. Any out
// pointer may be null. Without a distribution, or with nPeak outside the
// grid, every result is 0.
void findPeakExtent(int nPeak, float* pfLow, float* pfHigh, float* pfMean, int* pnFirst, int* pnLast,
                    float* pfHeight, float* pfFraction, float* pfSignal, float fFactor);
