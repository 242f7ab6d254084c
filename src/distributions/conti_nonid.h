// The non-ideal c(s) with a mean field. Every grid point of the distribution
// sediments with s and D that depend on the total concentration ctot(r, t) of
// the whole sample, the mean field, which comes from one of three sources:
//
//   "interpol. data" (bMeanFieldFromData): extrapolated from the scans
//       themselves, as the radii where the boundary crosses fixed levels;
//   "best fit" (neither flag): the best unregularized distribution found so
//       far, summed from the concentration snapshots of every grid point's
//       solution, improved whenever its chi-square improves (a self-
//       consistent iteration over the evaluations of a fit);
//   "load external" (bMeanFieldExternal): a loaded ctot(r, t) movie
//       (ctot_movie.h), then improved like "best fit".
//
// "freeze" (bMeanFieldFrozen) keeps the field from being updated. The state
// lives in one CContiNonid tied to the loaded data: the loaders delete it
// whenever the scan data set is freed or replaced.
#pragma once

#include "scandata/data_fingerprint.h"

class TXLAWindow;

class CContiNonid {
public:
    CContiNonid();
    ~CContiNonid();
    CContiNonid(const CContiNonid&) = delete;
    CContiNonid& operator=(const CContiNonid&) = delete;

    // The next list run starts with a pass on the data-derived field; a mean
    // field for the second (or only) pass exists.
    unsigned char bNeedsDataPass = 0;
    unsigned char bMeanFieldReady = 1;
    int nSedGridSize;  // nNonidSedGridSize when the object was made

    // ---- the isoconcentration table extrapolated from the data
    unsigned char bExtrapolationAllocated = 0;
    int nLevelsRequested = 100;
    int nExtrapolationTimes = 100;
    int nLevels = 100;  // min(requested, nGridPoints)
    double dEarlyTimeFactor = 2.0;
    double** ppScanLevelRadii = nullptr;   // [scan in time order][level]
    double** ppTimeLevelRadii = nullptr;   // [extrapolation time][level]
    double* pExtrapolationTimes = nullptr;  // [1..nExtrapolationTimes]
    double* pLevels = nullptr;              // [1..nLevels], signal units
    double dSignalMax = 0;
    double dSignalMin = 0;
    double dLevelStep = 0;
    double dFirstScanTime = 0;  // scratch of the extrapolation
    double dLastScanTime = 0;
    int nExtrapolationScans = 0;  // rows the block was made for
    int nExtrapolationRowLength = 0;
    double* pExtrapolationBlock = nullptr;  // one zero-filled block for all rows
    double** ppExtrapolationRows = nullptr;

    // ---- the frame times and the concentration snapshots of every solution
    unsigned char bFrameTimesSet = 0;
    double* pFrameTimes = nullptr;  // [1..nFrames], seconds
    int nFrames = 0;
    unsigned char bCollectSnapshots = 1;
    unsigned char bSnapshotsStored = 0;
    float* pSnapshotRadii = nullptr;  // [1..nSnapshotPoints], meniscus to bottom
    float*** pppSnapshots = nullptr;  // [grid point][frame] -> row [1..nSnapshotPoints]
    int nSnapshotFrames = 0;
    int nSnapshotGridPoints = 0;
    int nSnapshotPoints = 0;
    int nMeanFieldPointsSetting;  // nNonidMeanFieldPoints when the object was made
    float* pSnapshotBlock = nullptr;

    // ---- the mean field: frames on the snapshot radii with one extra point
    // 0.5 cm outside each end (the end values)
    unsigned char bMeanFieldFramesBuilt = 0;
    int nFieldFrames = 0;
    int nMeanFieldPoints = 0;                // points of a frame less the two end points
    float* pMeanFieldRadii = nullptr;        // [1..nMeanFieldPoints + 2]
    float** ppMeanFieldFrames = nullptr;     // [1..nFieldFrames][1..nMeanFieldPoints + 2]
    unsigned char bMeanFieldDefined = 0;
    double dBestChi2 = -1.0;  // -1: a field without a chi-square
    unsigned char bMeanFieldJustUpdated = 0;
    CSVDataFingerPrint fingerPrint;  // of the data the field belongs to

    // ---- the field on the sedimentation grid of the solver
    int nMappedPoints = 0;  // the solver's grid size
    float fMapMeniscus = 0.0f;
    float fMapBottom = 0.0f;
    int nMapCount = 0;
    float* pSedGrid = nullptr;        // [1..nMappedPoints]
    float** ppMappedField = nullptr;  // [1..nFieldFrames][1..nMappedPoints]
    unsigned char bExternalInUse = 0;
    unsigned char bExternalImproved = 0;

    // The field from the solutions' snapshots and the amplitudes pNESolution
    // of grid points nFirst..nLast; then mapped onto the sedimentation grid
    // and tied to the loaded data.
    void ComputeMeanField(int nFirst, int nLast);
    // Maps the frames onto n points evenly between meniscus and bottom when
    // forced, when the cell moved, when n changed or when no grid exists.
    void MapMeanFieldToGrid(float meniscus, float bottom, int n, int bForce);
    // The external field of the loaded movie; false when there is none.
    bool LoadFromCtotMovie();
    // The field into the movie (created when none exists).
    bool StoreInCtotMovie();
    // 0, 20, ..., 180 s, then 200, 300, ... up to the first not below the
    // last scan time; the movie's times while a movie is loaded.
    void SetupFrameTimes(double dLastScanTime);
    // The isoconcentration table of the loaded scans (see docs/distributions.md).
    void ExtrapolateDataMeanField();

    bool AllocExtrapolationTables();
    void FreeExtrapolationTables();
    bool AllocSnapshotStore(int nGrid);
    void FreeSnapshotStore();
    void FreeFrameTimes();
    double FrameTime(int i) const;  // 0 outside the frame times
    void AllocMeanFieldFrames();
    void FreeMeanFieldFrames();
    void AllocMappedField();
    void FreeMappedField();
};

// ---------------------------------------------------------------- settings
// Edited in the non-ideal c(s) parameter dialog (template 586).
extern unsigned char bMeanFieldFromData;  // "interpol. data"
extern unsigned char bMeanFieldExternal;  // "load external"
extern unsigned char bMeanFieldFrozen;    // "freeze"
extern int nNonidSedGridSize;             // "resolution for sedimentation" (500)
extern int nNonidMeanFieldPoints;         // "for mean field" (100)
extern unsigned char bNonidDebugFiles;    // "create debug files"
// Chi-square of the last unregularized solution computed for the field.
extern double dMeanFieldChi2;

// Before each evaluation of the model (and after each grid set-up): makes the
// object when none exists, checks the external field against the scans,
// decides whether the next list starts with a data pass, and extrapolates the
// data when it does.
void checkExternalMeanField();
// One list of non-ideal Lamm solutions over the grid into the store (a data
// pass, a mean-field pass or both); returns the list's error number.
int RunMTList(CContiNonid* pNonid, TXLAWindow* pWindow, int nGrid, double* pS, double* pD, double* pVbar);
