// The fitted-parameter text: up to fourteen lines written straight into the
// top of the main window (x = 10, y = 10, 30, ..., 270): the data files, the
// optimiser's progress, the rmsd, the model's parameters, meniscus, bottom,
// fit limits, baseline, residual statistics, vbar and the signal-model
// corrections, each floated value with its mark.
#pragma once

#include <cstddef>

class TXLAWindow;

inline constexpr int nModelParamLines = 14;
inline constexpr int nModelParamLineSize = 500;
// The screen lines (line k at y = 10 + 20 k) and the separate print set; each
// holds the last text until the next call.
extern char szModelParamLines[nModelParamLines][nModelParamLineSize];
extern char szModelParamPrintLines[nModelParamLines][nModelParamLineSize];
// The line at y = 210 (index 10) is painted only with a floating start time
// or the non-ideal multiple-species model.
bool modelParamExtraLineShown();

// Set by the parameters dialog in the area-fraction extrapolation mode: the
// optimisers then leave the parameter text alone.
extern unsigned char bSuppressFitParamDisplay;

// TXLAWindow::ShowModelParameters unless bSuppressFitParamDisplay is set.
void ShowModelParametersUnlessSuppressed(TXLAWindow* pWindow);
// Builds the print lines (nothing for the non-ideal multiple-species model or
// before the window's first paint); they are not painted.
void showModelParametersPrint(TXLAWindow* pWindow);
// Builds a set of lines (screen or print forms).
void buildModelParameterLines(char (*lines)[nModelParamLineSize], bool bPrint);
// The optimiser's progress line ("s%d, step #%d" and its Marquardt-Levenberg
// and annealing forms) with the trailing blanks that erase a longer old text;
// one blank more while bProgressTick is set.
void formatFitProgress(char* sz, size_t nSize);
// Draws the screen lines into the window (after its first paint).
void paintModelParameterLines(TXLAWindow* pWindow);
