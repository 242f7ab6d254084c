// Point-by-point arithmetic on the loaded raw scans. Each worker changes the
// scan data set in place and returns true when it did; light-scattering data
// are refused (with a message) where the arithmetic has no meaning for them.
// Workers that change signals or radii rebuild the noise grid, and every
// worker ends an active mouse action before it changes anything.
#pragma once

// y := f y.
bool invertRawData(float f);
// r := a r + b.
bool correctRadialCalibration(float a, float b);
// Adds to every scan's timeWritten and omega2t (the analyses' time stays).
bool addConstantTime(double dt, double dw);
// y := y + f fit (the model values of the last simulation or fit).
bool addSimulatedData(float f);
// Mirrors the radii between the two reference radii (r := hi - (r - lo)),
// negates the signals when upside down, and reverses the order of every
// column of each scan so that the radii ascend again.
bool mirrorRawData(float r1, float r2, bool bUpsideDown);
// y := scale y + a normal deviate of standard deviation sigma; nothing when
// sigma is negative.
bool addNoiseToData(float fSigma, float fScale);
// y := y - c.
bool subtractConstantFromData(float c);
// y := y - blank(r), the blank scan file interpolated at each radius.
bool subtractBlankScan(const char* szPath);
