// The sedimenting buffer components of the buffer-mismatch model, as the
// distributions use them: s and D of the buffer signal, which takes grid
// point 1 of the distribution.
#pragma once

// s (S) and D (1e-7 cm^2/s) of the buffer signal.
extern double dBufferS;
extern double dBufferD;
