// The pieces shared by the Model commands (models/model_selection.cpp and
// models/continuous_selection.cpp): menu check marks, the refusals, the
// release of distribution results, the reallocation of the global grid, the
// regularization switch and the grid range of the continuous models.
#pragma once

class TXLAWindow;

// Check mark of a Model-menu item; an id without item changes nothing.
void checkModelMenuItem(TXLAWindow* pWindow, unsigned nId, bool bChecked);

// Every Model-menu item, in the order the reset unchecks them.
const unsigned* modelMenuItems(int* pnCount);

// With light-scattering data loaded: the info sound, "this model is not
// implemented for DLS data" ("ERROR") and true; false otherwise.
bool refuseForDlsData(TXLAWindow* pWindow);
// Without light-scattering data: "need DLS data for this analysis" ("ERROR")
// and true.
bool refuseWithoutDlsData(TXLAWindow* pWindow);
// With sedimentation-equilibrium data: the non-equilibrium models refuse.
bool refuseForEquilibriumData(TXLAWindow* pWindow);

// The results of a continuous model or boundary analysis go when one was
// active.
void leaveDistributionResults();
// The global grid arrays, when they exist, are made again for the new model.
void reallocRadialGridArrays();

// The regularization by the second derivative (294 checked, 295 and 1118
// unchecked); the note (title "ls-g(s)") first when bNote.
void switchToSecondDerivative(TXLAWindow* pWindow, bool bNote,
                              const char* szNote = "Please Note: Switching now to Tikhonov-Phillips Regularization");

// The grid range into fSMin, fSMax and entries 1 and 5; the grid resolution
// into fSGridResolution and entry 9; the confidence level into both levels
// (fConfidenceLevel, fConfidenceLevelCM) and entry 2.
void setGridRange(float fLow, float fHigh);
void setGridResolution(float fPoints);
void setConfidenceLevels(float fLevel);
// The loading concentrations of the vector (entries 9-12) := 0.
void zeroLoadingSlots();

// The distribution plot rebuilt as a model switch (no recalculation note).
void rebuildDistributionPlotForModel();

// The shared set-up of every continuous model (command 235 runs it alone).
void setUpContinuousModel(TXLAWindow* pWindow);
