// The sedimenting buffer components of the buffer-mismatch model, as the
// distributions use them: s and D of the buffer signal, which takes grid
// point 1 of the distribution.
#pragma once

// s (S) and D (1e-7 cm^2/s) of the buffer signal.
extern double dBufferS;
extern double dBufferD;
// The rest of the buffer-mismatch settings the fits pack and show: the
// buoyant molar mass (g/mol) of the sample-side component, the side of the
// excess signal, a meniscus difference sample minus reference (cm) with the
// relative concentration sample/reference, a different reference component
// (D in 1e-7 cm^2/s, Mb, s), and the fit flags (the D flags stand for Mb
// too).
extern double dBufferMb;
extern unsigned char bBufferSignalInSample;
// The complement of bBufferSignalInSample, and the sign of the excess signal
// (+1 sample side, -1 reference side).
extern unsigned char bBufferSignalInReference;
extern double dBufferSignalSign;
// Set only while the simulated buffer signal is taken off the data.
extern unsigned char bBufferMismatchSubtracted;
extern unsigned char bBufferMeniscusMismatch;
extern double dBufferMeniscusDiff;
extern double dBufferRelConc;
extern unsigned char bBufferRefDifferent;
extern double dBufferRefD;
extern double dBufferRefMb;
extern double dBufferRefS;
extern unsigned char bFitBufferD;
extern unsigned char bFitBufferS;
extern unsigned char bFitBufferMeniscusDiff;
extern unsigned char bFitBufferRelConc;
extern unsigned char bFitBufferRefD;
extern unsigned char bFitBufferRefS;


// In the discrete-species model the fourth species row is the buffer: with
// the loadings solved linearly every included species 1-3 floats its loading
// and the fourth one's follows bFitBufferSignal; then the defaults pass, the
// vector and the extra noise arrays follow.
void updateBufferSedimentationFitFlags();
