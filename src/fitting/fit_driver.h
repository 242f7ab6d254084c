// The fit of discrete-species models (non-interacting species, rapid
// self-association, non-ideal species, zone and synthetic-boundary loading,
// buffer mismatch, fluorescence signal corrections): the packed fit vector,
// its objective and the restarted simplex of TXLAWindow::RunFit.
//
// The packed vector (1-based floats) holds, in this fixed order, the extra
// parameters that are switched on and floated (vbar in a density gradient,
// excitation cone, W-skew, bleaching rate and limit, drift, radial
// convolution, radial magnification, detection power, the four depletion
// values, buffer signal, buffer D or Mb, buffer s, meniscus difference,
// concentration ratio, reference D or Mb, reference s), then every floated
// entry k = 1..34 of the parameter vector in increasing k. docs/fitting.md
// lists the conditions and the bounds applied when a vector is written back.
#pragma once

class TXLAWindow;

// Counts the slots and, with a vector, writes each slot whose position is at
// most n; returns the count (a call without a vector only counts). Packing
// puts a negative gradient vbar to 0.01, a buffer D below 0.01 to 0.01, a
// concentration ratio below 1e-4 to 1e-4 and a negative reference D to 0.01
// (model and slot).
int packFitParameters(int n, float* pVector);
// The write-back of the annealing and Marquardt-Levenberg drivers: the
// objective's bounds with a few of their own (docs/fitting.md); the vector
// entries go into the parameter vector unclamped.
void unpackFitParameters(float* pVector);
// The write-back of the best vertex after a simplex run: the extras as the
// objective stores them (without the vbar product and the convolution
// limits), the vector entries unchanged; the objective's final evaluation
// applies their bounds.
void storeBestFitVertex(const float* pVector);
// The progress step of the simplex minimising SimplexSim (its vertex is a
// packed vector): the vertex into the model as storeBestFitVertex writes it,
// fRmsd = fValue, the parameter text unless suppressed, the in-progress save.
void showFitBestVertex(TXLAWindow* pWindow, float* pVertex, int n, float fValue);
// The extra parameter in each packed slot j = 1..n, by its number in the
// order above (1 the gradient vbar .. 20 the reference s); 0 for a slot of
// the parameter vector.
void packedSlotExtras(int n, int* pExtra);

// Fills rows 2..n+1 of the simplex p[1..n+1][1..n] around row 1: a relative
// Gaussian spread of fSimplexRandomization, then per floated entry its own
// rule (docs/fitting.md).
void initSimplexVertices(int n, float** p);
// A start vertex fVertex drawn about fCentre for a parameter that the
// objective keeps in [fLow, fHigh]. When the centre lies on a bound (or
// beyond it) and the draw goes beyond that bound, the vertex would be
// evaluated on the bound, tie with the centre, and the simplex (whose spread
// test then holds at once) would never leave the bound: the step is then
// mirrored about the bound, inward. Any other draw is returned as it is.
float stepInwardFromBound(float fCentre, float fVertex, float fLow, float fHigh);

// The objective of the discrete fits: writes the vector into the model (with
// the bounds of each slot), rebuilds the radial grid when meniscus or bottom
// differ from those it was last built with, shows the progress line,
// evaluates the model, polls the keyboard (a key stops the fit) and returns
// the rmsd. 1e10 at once while a stop is pending.
float SimplexSim(float* pVector, TXLAWindow* pWindow);

// After a fit: the parameter text, the fit of every scan over the data and
// the residual plots, played straight into the window.
void playFitMetafiles(TXLAWindow* pWindow);

// The annealing and Marquardt-Levenberg drivers of discrete models.
unsigned char SimplexFit(TXLAWindow* pWindow);
unsigned char MLOptimize(TXLAWindow* pWindow);
