// Settings of the simulated Wiener skewing of interference data: a steep
// refractive-index gradient bends the light and displaces the recorded
// boundary. The model evaluation applies it while bWienerSkewing is set.
#pragma once

extern unsigned char bWienerSkewing;      // simulate the skewing in the model
extern float fWSkew;                      // dr/(dw/dr) in cm^2 ml/mg (entered in 1e-6)
extern int bWSkewFloating;                // the magnitude is a fitted parameter
extern float fWSkewSignalPerMgMl;         // signal per mg/ml, default 1.0

// Takes an entry of the settings dialog: the magnitude in 1e-6 cm^2 ml/mg,
// the signal per mg/ml and the magnitude's fit flag. A positive magnitude
// with a positive signal per mg/ml is stored; a magnitude of 0, or a negative
// one with a signal per mg/ml of 0 or below, switches the correction off and
// stores nothing. Returns false for an entry that cannot be taken (a negative
// magnitude with a positive signal per mg/ml, or a positive magnitude without
// a positive signal per mg/ml, which would divide by zero); nothing changes.
bool takeWienerSkewingEntry(float fMagnitude, float fSignalPerMgMl, int nFloating);

// The settings dialog itself is TXLAWindow::AskWienerSkewingParameters: an
// entry that cannot be taken, or Cancel, asks "try again?"; Yes opens the
// dialog once more (and the first call returns false), No switches the
// correction off.
