// The fit of the non-linear parameters of a continuous distribution
// (meniscus, bottom, frictional ratio, vbar, the buffer-mismatch and
// fluorescence parameters, the model's own values) while every evaluation
// solves the distribution's amplitudes linearly: the packed vector of the
// floating parameters, its objective ContiSimplexSim and the restarted
// simplex of contiFit.
//
// The packed vector (1-based floats) holds the floating parameters in a fixed
// order of 33 possible entries (docs/fitting.md): the extras shared with the
// discrete fits, the model-specific values (frictional ratio, second f/f0,
// floating vbar, scaling law, persistence length, invariant D, non-ideal ks
// and kd, the discrete component's s and M or D), then meniscus, bottom, zone
// lamella width and the c(v) constant D.
#pragma once

class TXLAWindow;

// ---------------------------------------------------------------- the drivers
// Fit of the current continuous model; 1 when the fit ran (also when a key
// stopped it), 0 when the fit-limit check or the grid set-up refused.
// Annealing and Marquardt-Levenberg go to their drivers.
bool contiFit(TXLAWindow* pWindow);
bool contiAnnealingFit(TXLAWindow* pWindow);
bool MLContiFit(TXLAWindow* pWindow);

// The objective: the rmsd of one unregularized distribution computed with the
// vector p[1..n] (regularized while bFinalFitEvaluation is set): over the
// noise-grid points inside the fit limits times the scans, or the rmsd of the
// nonlinear-detection tool. 1e10 while a stop is pending.
float ContiSimplexSim(float* p, TXLAWindow* pWindow);
// setContiParameters, then DisplayBestContiParams.
void contiSetAndDisplay(TXLAWindow* pWindow, float* p);
// Scale of the start spread at position i of the vector: 0.01 for meniscus
// and bottom, 0.1 for the lamella width and the frictional ratio, 0.2 for the
// non-ideal ks and kd, else 1.
float contiVertexScale(int i);
// The shared steps of the three drivers: the models whose finished fit is
// saved beside the data; rows j other than nFrom and nKeep of the simplex p
// spread around row nFrom (Gaussian, contiVertexScale(i) x fStep x value; a
// meniscus or bottom whose centre lies on a bound of its range and whose step
// goes beyond it steps as far inward, so that no vertex ties with the centre);
// the vertex of the lowest value (the lowest index of equal values).
bool contiSavingModel();
void contiSpreadVertices(float** p, int n, int nFrom, int nKeep, float fStep);
int contiBestVertex(const float* y, int n);
// The end of the restarted simplex: the best rmsd of the restart changed by
// at most fTolerance relative to the one before, and every parameter of the
// best vertex pBest by at most fTolerance relative to its previous value x
// (divided by x itself; for x = 0 the new value is at most fTolerance).
bool contiRestartSettled(const float* x, const float* pBest, int n, float fRmsdNow, float fRmsdBefore);

// ---------------------------------------------------------------- the vector
// Positions recorded by getContiParameters (0 when the parameter does not
// float); cleared at the start of every call.
extern int nContiPosMeniscus;
extern int nContiPosBottom;
extern int nContiPosLamella;
extern int nContiPosNonidealKs;
extern int nContiPosNonidealKd;
extern int nContiPosFrictionalRatio;
// Meniscus and bottom of the radial grid the unpacking built last (0 before).
extern float fGridMeniscusRef;
extern float fGridBottomRef;

// Counts the floating parameters and, with a vector of at least that length,
// fills it in the fixed order with the packing bounds applied (to the model
// value as well). Without a vector (nMax 0) it only counts.
int getContiParameters(int nMax, float* v);
// Writes v[1..n] into the model with the unpacking bounds, keeping the
// parameter vector (pParamValue) in step; v itself is not changed. Rebuilds
// the radial grid when meniscus or bottom differ from those of the last grid
// it built.
void setContiParameters(float* v);
// The finite-difference steps of each position into pMLRelStep and
// pMLAbsStep (which must hold n entries); returns n.
int contiSetParameterSteps();
// Eight lines of the current parameters at x = 10, y = 70 .. 210; on a new
// best rmsd the distribution of the last evaluation is shown first.
void DisplayBestContiParams(TXLAWindow* pWindow);
