// The per-set sequence that the three serialised fits share, and the
// questions and settings of a series (fitting/serial_fit.cpp).
#pragma once

#include <string>

class TXLAWindow;

// The fluorescence signal options of the list-based series: convolution,
// shadow at the bottom, magnification drift (linear and exponential) and the
// radial gradient, with their values and fit flags.
struct SerialFloOptions {
    unsigned char bConvolution, bConvolutionFloat;
    float fConvolution, fConvolutionDistFactor;
    unsigned char bExcitationCone, bExcitationConeFloat;
    float fExcitationCone;
    unsigned char bMagnificationDrift, bDrift, bDriftFloat, bBleaching, bKBleachFloat, bAlimFloat;
    float fDrift, fKBleach, fAlim;
    unsigned char bRadialMagnification, bRadialMagFactorFloat;
    float fRadialMagFactor;
    void Save();
    void Apply() const;
};

enum class ESerialKind { Cell, List, Ploka };

// The settings a series asked for at its start.
struct SerialRun {
    ESerialKind kind = ESerialKind::Cell;
    bool bFitEachSet = false;
    int nMCIterations = 0;  // with bSerialMonteCarlo
    // The list-based series: the parameters of the analysis at the start,
    // reloaded into every set that does not restore its own.
    std::string startParameters;
    SerialFloOptions flo{};         // saved at the start
    unsigned char bFitBottomAtStart = 0;
    bool bOverwriteFlo = false;
    enum class EBottom { AsAtStart, Always, AsLoaded } bottom = EBottom::AsAtStart;
    bool bOverwriteRightLimit = false;
    float fRightLimit = 0.0f;
    bool bPlokaPlots = false;
    // The directory of the series (ending in a separator): where the list
    // series finds its lists and writes its summaries.
    std::string dataDir;
    // Results of the last set: per range (1..nSerialRanges) the signal in
    // range and its weight-average s, and the total signal.
    float fC[11] = {};
    float fSw[11] = {};
    float fCTotal = 0.0f;
};

enum class ESetEnd {
    Done,            // the set ran to its end
    NoDistribution,  // a continuous model left no distribution: as a set without scans
    StopSeries       // the user ended the series
};

// Steps 2-10 of a set whose scans are loaded (nNumericalErrorCode cleared).
// pnItem: the item of the PLOKA series, which records its results.
ESetEnd runSerialSet(TXLAWindow* pWindow, SerialRun& run, int nItem = 0);

// The questions of the list-based series before its loop (fit each set,
// restoring, the fluorescence options, the right limit, the bottom); the
// options saved. bPlokaSeries for the PLOKA-monitored variant.
void askListSeriesOptions(TXLAWindow* pWindow, SerialRun& run, bool bPlokaSeries);
// Writes the parameters of the analysis as it stands into the temporary
// folder for the list-based series; its path.
std::string saveSeriesStartParameters(TXLAWindow* pWindow);
// Puts back what the list-based series changed (fluorescence options, the
// bottom's fit flag) and clears the series flags.
void endListSeries(const SerialRun& run);

// The extension (with its dot) of the first scan in time order, and the
// directory of the loaded scans (ending in a separator).
std::string loadedScanExtension();
std::string loadedSetDirectory();
