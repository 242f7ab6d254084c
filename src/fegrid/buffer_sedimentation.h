// The buffer-mismatch model (Options > Fitting Options > Corrections For Buffer
// Sedimentation, command 552): interference optics see the redistribution of a
// small buffer component when sample and reference hold different buffers or
// have different menisci. The model adds to every scan the signal of one
// sedimenting buffer component in the sample sector minus that in the
// reference sector, each a Lamm equation of its own on a small module of 200
// points, independent of the global grid.
//
// (bBufferMismatch, bFitBufferSignal and dBufferSignal, the model's switch, the
// fit flag and the amplitude, are in models/model_globals.h.)
#pragma once

class TXLAWindow;

// ---------------------------------------------------------------- the settings (BufferMismatchParams)
extern unsigned char bBufferSignalInSample;     // the excess signal is on the sample side (on)
extern unsigned char bBufferSignalInReference;  // ... on the reference side: the complement
extern double dBufferSignalSign;                // +1 sample side, -1 reference side
extern unsigned char bBufferMismatchSubtracted; // only while the signal is subtracted from the data
// The sample-side component: D (1e-7 cm^2/s, 86), buoyant molar mass (g/mol,
// 60), s (S, 0.21); the other of D and Mb is derived.
extern double dBufferD;
extern double dBufferMb;
extern double dBufferS;
// The reference meniscus differs from the sample's by dBufferMeniscusDiff
// (sample minus reference, cm, 0.1) at the relative concentration
// sample/reference dBufferRelConc (1).
extern unsigned char bBufferMeniscusMismatch;
extern double dBufferMeniscusDiff;
extern double dBufferRelConc;
// A different component in the reference: D (200), Mb (100), s (0.1).
extern unsigned char bBufferRefDifferent;
extern double dBufferRefD;
extern double dBufferRefMb;
extern double dBufferRefS;
// Fit flags (the D flags stand for Mb too).
extern unsigned char bFitBufferD;
extern unsigned char bFitBufferS;
extern unsigned char bFitBufferMeniscusDiff;
extern unsigned char bFitBufferRelConc;
extern unsigned char bFitBufferRefD;
extern unsigned char bFitBufferRefS;
// The note that the model is meant for interference data was shown (once per
// program run).
extern unsigned char bBufferInterferenceNoted;

// ---------------------------------------------------------------- the finite-element module
// Its own equidistant grid of nBufferGridPoints (200) between the meniscus and
// bottom of the side, loaded with the amplitude everywhere; Crank-Nicolson
// steps with a step control of its own, at the rotor speed of the last scan
// (with the rotor ramp from the first scan's acceleration).
extern int nBufferGridPoints;
struct BufferRun {
    bool bReference = false;  // the reference side (its profile counts negative)
    double dMeniscus = 0.0;   // cm
    double dBottom = 0.0;     // cm
    double dAmplitude = 0.0;  // the loading; a run of amplitude 0 does nothing
    double dS = 0.0;          // S
    double dD = 0.0;          // cm^2/s
};
// The outcome of the last run.
struct BufferRunResult {
    bool bAllocated = false;     // the module's arrays were had
    bool bSingular = false;      // a zero pivot ended the run
    bool bDiscretization = false;// more than 10 negative-concentration repeats
    bool bEndedEarly = false;    // the profile stopped changing; later scans got the final one
    int nSteps = 0;
    int nScansRecorded = 0;
    double dAmountStart = 0.0;   // the amount in the cell (hat weights times c) at the start ...
    double dAmountEnd = 0.0;     // ... and at the end
};
extern BufferRunResult gBufferRunResult;
// One run: at every scan time the profile goes into the model (see
// SimulateBufferSignal). The failures are reported here, through the window's
// messages: a singular matrix, the discretization message of the model
// evaluation, an allocation failure.
void simulateBufferSedimentation(TXLAWindow* w, const BufferRun& run);
// The profile of the module at the end of the last run (radii, values,
// points); null without one.
const double* bufferModuleProfile(const double** ppRadii, int* pn);
void freeBufferGridArrays();

// ---------------------------------------------------------------- the model's parts
// The species rows with the buffer in the fourth: with linear concentrations
// every included species 1-3 floats its loading, the fourth follows the
// buffer signal's flag; then the defaults, the vector and the noise arrays.
void updateBufferSedimentationFitFlags();
