// Integration of the shown distribution and the extent of one of its peaks.
// (integrateDistribution and findPeakExtent are declared in conti_globals.h,
// where the scan-data, realtime and export code find them.)
#pragma once

// The range of the second axis of a two-dimensional result (f/f0, M, Rh or D
// by the display options) whose points the region statistics take; set by
// the range selection on the plot. The start values take every point.
extern float fIntegrateYMin;
extern float fIntegrateYMax;
