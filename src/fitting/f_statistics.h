// F-statistics of a fit: how much worse a fit may be before it is
// significantly worse, and how far s or M (or D) of the first species may
// move, all other floated parameters refitted, before the rmsd reaches that
// critical value.
#pragma once

#include <vector>

class TXLAWindow;

// The number of fitted points: over all scans, last minus first fitted index
// plus one; 1000 without scans.
int fittedPointCount();
// The variance ratio of a fit of N points at confidence P that is just
// significantly worse: N / (N - 1) F(P; N - 1, N). The critical rmsd is its
// square root times the best rmsd. Abandons (with the message) below two
// points.
double criticalVarianceRatio(double dConfidence, double dPoints);

// Refits every floated parameter with the others fixed, by the restarted
// simplex at the tolerance 5e-4 (restarts until the rmsd and every entry of
// the parameter vector changed by at most fTolerance); with nothing floated
// it evaluates the model once. Returns the best rmsd, 0 when the fit limits
// refuse (with their message), -1 at once while a stop is pending; a key
// during the refit sets bStopFit.
float fitWithFixedParameters(TXLAWindow* pWindow);
// The restart test of that refit, against the vector of the refit before
// (previous, indexed 1..nParams like pParamValue): the rmsd settled
// (rmsdChangeSettled at fTolerance), and every entry with it: one that was 0
// has grown to fTolerance at most; one above 0.001 that moved by more than
// 0.001 moved by at most fTolerance of its value. A move of 0.001 or less,
// and an entry at or below 0.001, count as settled.
bool refitSettled(const std::vector<float>& previous, float fRmsdNow, float fRmsdBefore);

// The bounds of s of species 1 (entry 5) or of its M or D (entry 1) at which
// the refitted rmsd equals fCritical within 1e-6: from the best fit, each
// side steps by h, reverses and halves the step whenever the rmsd crosses the
// critical value, and reports the last refitted value. The fit flag of the
// parameter is cleared (and stays cleared); the parameter vector is put back
// afterwards, the model holds the last refit. A side gives up after
// nIntervalRefitCap refits; a key ends the whole search. Returns which bounds
// were found: bit 1 the lower, bit 2 the upper.
inline constexpr int nIntervalRefitCap = 200;
inline constexpr int nLowerBoundFound = 1;
inline constexpr int nUpperBoundFound = 2;
int errorIntervalS(TXLAWindow* pWindow, float h, float fCritical, float* pLower, float* pUpper);
int errorIntervalM(TXLAWindow* pWindow, float h, float fCritical, float* pLower, float* pUpper);
