// The downhill simplex (Nelder-Mead) of the optimisers and its trial points.
//
// A simplex is a float matrix p[1..n+1][1..n] (vertices) with the objective
// values y[1..n+1]; both belong to the caller and are consistent on entry.
// The objective takes a vector [1..n] and the main window; the vector's
// layout is the caller's, known to its objective and its progress step only.
#pragma once

class TXLAWindow;

using SimplexObjective = float (*)(float* pVector, TXLAWindow* pWindow);
// Shows the best vertex of a step (pVertex[1..n], its value fValue). A fit
// that can read its vertex (the discrete fit, the distribution fit) passes
// its own; the others keep showSimplexProgress, which reads no vertex.
using SimplexProgress = void (*)(TXLAWindow* pWindow, float* pVertex, int n, float fValue);

// The step text of every simplex fit (showSimplexStep); the vertex is left
// unread.
void showSimplexProgress(TXLAWindow* pWindow, float* pVertex, int n, float fValue);

// The relative spread 2 |y_hi - y_lo| / (|y_lo| + |y_hi|) of a simplex's
// values: 0 when they are equal (also both 0, which the quotient leaves
// undefined).
float simplexRelativeSpread(float yLow, float yHigh);
// The restart test of the fit drivers: the rmsd changed by at most fTol of
// its previous value. An unchanged rmsd, and a previous rmsd of 0 (an exact
// fit, which no restart improves on), count as settled.
bool rmsdChangeSettled(float fBefore, float fNow, float fTol);
// The values of a start simplex as the fit drivers take them, vertex n+1
// first and the start point (row 1) last. False when a stop came before the
// start point was evaluated: its value is then the objective's stop value,
// the others say nothing about it, and the driver goes on from row 1 (a
// stopped fit never ends worse than it began).
bool evaluateStartSimplex(TXLAWindow* pWindow, float** p, float* y, int n, SimplexObjective objective);

// Minimises in place: reflection, expansion, one-dimensional contraction and
// the contraction of the whole simplex towards its best vertex. Ends when
// bStopFit is set, when the relative spread of the values is below ftol (the
// best vertex is then moved to row 1), after 5000 evaluations ("Nelder-Mead not
// converged"; during a serialised fit no box, nNumericalErrorCode = 10) or
// when every vertex equals the best within 2e-6 (relative; absolute for a
// best coordinate of 0; bSimplexStarted is then left set). The counter is
// set to 0 on entry and counts the evaluations. progress is called with the
// best vertex after every ranking.
void amoeba(TXLAWindow* pWindow, float** p, float* y, int n, float ftol, SimplexObjective objective, int* pnCount,
            SimplexProgress progress = showSimplexProgress);

// The objective at the point fac of the way from the worst vertex ihi
// through the centroid of the others (-1 reflects, 2 expands, 0.5
// contracts); a better point replaces the worst vertex and updates the
// column sums psum[1..n].
float amotry(TXLAWindow* pWindow, float** p, float* y, float* psum, int n, SimplexObjective objective, int ihi,
             float fac);

// The thermal trial point of simulated annealing: as amotry, and a value at
// or below *pyb becomes the best point ever (pb[1..n], *pyb). The trial value
// is lowered by -tt ln(u) (u a ran1 draw with nAnnealingSeed) and replaces
// the worst vertex when that is below *pyhi. Returns the lowered value.
float amotsa(float tt, TXLAWindow* pWindow, float** p, float* y, float* psum, int n, float* pb, float* pyb,
             SimplexObjective objective, int ihi, float* pyhi, float fac);

// ---------------------------------------------------------------- simulated annealing
// The downhill simplex at temperature T: every ranking adds -tt ln(u) >= 0
// (tt = -T x *pyb at entry, u a ran1 draw) to each vertex value, and every
// trial value is lowered the same way (amotsa), so the simplex accepts uphill
// moves of about T times the best value; pb[1..n] and *pyb keep the best
// point ever tried. Ends when bStopFit is set, when the relative spread of
// the perturbed values falls below ftol or the budget *pnBudget (objective
// evaluations, decremented as amoeba counts them) falls below 0; the best
// (perturbed) vertex is then moved to row 1. At T = 0 it is amoeba without
// the spread test and with the budget in place of the 5000 evaluations.
// progress is called with the best vertex after every ranking, as by amoeba.
void amebsa(float T, TXLAWindow* pWindow, float** p, float* y, int n, float* pb, float* pyb, float ftol,
            SimplexObjective objective, int* pnBudget, SimplexProgress progress = showSimplexProgress);
// The schedule of a run: nSANumberOfTemps temperatures (nFitSteps counts
// them, fSATemperature holds each) of amebsa with the budget nSAItMax and the
// caller's progress step, until a key or a temperature whose simplex
// converged within its budget. The random generator starts again from
// nAnnealingSeed = -3.
void runAnnealingSchedule(TXLAWindow* pWindow, float** p, float* y, int n, float* pb, float* pyb, float ftol,
                          SimplexObjective objective, SimplexProgress progress);
// The column sums psum[1..n] of the simplex p.
void simplexColumnSums(float** p, int n, float* psum);
// Temperature k (0-based) of nTemps: fStart (1 - k / (nTemps - 1))^2,
// falling to 0 at the last; a single temperature is fStart. Without fStart
// the schedule starts at SAmaxTemp.
float annealingTemperature(int k, int nTemps, float fStart);
float annealingTemperature(int k, int nTemps);
