// Savitzky-Golay smoothing coefficients; the smoothing itself is
// CVector::Smooth and CVector::SmoothOnEvenGrid (numerics/cvector.h).
#pragma once

// Coefficients c[1..np] in wrap-around order (c[1] the centre, c[1 + j] the
// point j to the left, c[np + 1 - j] the point j to the right) for derivative
// ld of a least-squares polynomial of order m over nl left and nr right
// points. Bad arguments abandon the computation ("bad args in savgol").
void savgol(float* c, int np, int nl, int nr, int ld, int m);
