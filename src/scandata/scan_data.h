// The scan data set: the loaded scans, their noise model and the load state.
//
// Program-wide state of the scan-data subsystem. Only this subsystem fills
// and empties it; every analysis reads it. Arrays over scans are 1-based,
// 1..nScans (allocated with room for index 0); arrays over points are 1-based
// float vectors from numerics/nrutil.h.
//
// Homed elsewhere but written by the loaders: fMeniscus, fBottom and entries
// 13 and 14 of pParamValue (models/model_globals.h); fFitLeftLim,
// fFitRightLim (app/app_globals.h).
#pragma once

#include <string>

#include "scandata/scan_header.h"

class CVector;
class CCurve;
class CProgressLine;
class CRotorSpeedProfile;
struct DlsScanHeader;

// Largest number of scans in one set.
constexpr int nMaxScans = 1000;

// ---------------------------------------------------------------- scans
extern int nScans;                   // 0 when empty
extern char** ppScanFileName;        // name and extension, 260-byte buffers
extern ScanHeader* pScanHeaders;
extern int* pScanPoints;             // points of each scan
extern float** ppRadius;             // cm
extern float** ppSignal;
extern float** ppThirdColumn;        // intensity data: the file's second column
extern float** ppFit;                // model values; 0 after loading
extern float** ppModelPart;          // additive model part; 0 after loading
extern float** ppResidual;           // signal - fit; the signal after loading
extern int* pScanTimeOrder;          // scan indices by increasing time
extern int* pFitFirstIndex;          // first point inside the fit limits
extern int* pFitLastIndex;           // last point inside the fit limits

// Non-owning views of the arrays above and the curves the plots draw.
extern CVector** ppRadiusVec;
extern CVector** ppSignalVec;
extern CVector** ppFitVec;
extern CVector** ppResidualVec;
extern CVector** ppThirdColumnVec;   // intensity data only
extern CCurve** ppSignalCurve;
extern CCurve** ppFitCurve;
extern CCurve** ppResidualCurve;
extern CCurve** ppThirdColumnCurve;  // intensity data only

// Light-scattering headers, filled by the light-scattering loader; freed here.
extern DlsScanHeader* pDlsHeaders;

// ---------------------------------------------------------------- data type
extern unsigned char bAbsorbanceData;     // R, W; also fluorescence and electrophoresis
extern unsigned char bIntensityData;      // I, V
extern unsigned char bInterferenceData;   // P
extern unsigned char bFluorescenceData;   // F
extern unsigned char bElectrophoresisData;  // set by the load command before loading
extern unsigned char bDLSData;            // light-scattering data are loaded
extern unsigned char bEquilibriumDataMode;
extern unsigned char bMixedDataTypes;

// ---------------------------------------------------------------- set state
extern unsigned char bDataChanged;        // set by every load, release and edit
extern float fTemperatureK;               // K, from the last scan
extern float fRT;                         // erg/mol
extern double dSignalPerMgMl;             // 3.3 for interference data, else 1.0
extern float fRadialResolution;           // cm, default 0.001
extern int nLoadEveryNth;                 // default 1
extern CProgressLine* pLoadProgress;

// Reader state: the spike threshold in force for the next read (absorbance:
// fSpikeLevel, fluorescence: fSpikeThresholdFDS).
extern float fSpikeThreshold;

// Paths of the data (260 characters).
extern char szScanDrive[260];
extern char szScanDir[260];
extern char szScanName[260];
extern char szScanExt[260];
extern char szListFilePath[260];
extern char szNotesPath[260];
// The side files of the data, whole paths of any length: szScanExtra is the
// temporary-parameter file, szDistCurvePath the distribution grid file
// "sdist", beside the data or in szSideFileFolder.
extern std::string szScanExtra;
extern std::string szDistCurvePath;
// Where the files the program writes beside the data go instead (ending in
// a separator): those two and the speed steps it makes ("speedsteps.txt");
// empty: beside the data. The unattended run points it at its results
// folder, so that it leaves the data folder as it found it.
extern std::string szSideFileFolder;

// Redirection of a selection to the list file's own directory.
extern unsigned char bLoadFromListDirectory;
extern char szChosenDrive[260];
extern char szChosenDir[260];

// Check of recorded elapsed times against file time stamps after each load.
extern unsigned char bCheckTimeStamps;    // default on

// ---------------------------------------------------------------- pending list
extern char** ppPendingFileName;          // full paths, 1..nPendingFiles
extern int nPendingFiles;

// ---------------------------------------------------------------- rotor speed
extern CRotorSpeedProfile* pRotorSpeedProfile;  // owned; null when none
extern unsigned char bUsingSpeedSteps;
extern unsigned char bSpeedChangesInScans;
extern unsigned char bApproachToEqPattern;

// ---------------------------------------------------------------- noise model
// Common radial grid of the systematic noise: either the radius array of the
// earliest scan (shared, interference data of equal layout) or an owned
// equidistant grid with each scan resampled onto it.
extern float* pNoiseGrid;                 // cm, 1..nNoiseGridPoints
extern int nNoiseGridPoints;              // 0 when no grid
extern float** ppScanOnNoiseGrid;         // per scan, over the grid
extern unsigned char bScanOnNoiseGridOwned;
extern float* pTINoise;                   // over the grid
extern float* pRINoise;                   // 1..nScans
extern float* pTINoiseSaved;              // written by the last fit
extern float* pTINoiseAux;                // already subtracted from the data
extern float* pRINoiseSaved;              // written by the last fit and by jitter elimination
extern int nNoiseGridFirst;               // grid range inside the fit limits
extern int nNoiseGridLast;
extern float fNoiseGridSum;               // nScans x sum of pTINoise over the range
extern float fNoiseGridCount;             // nScans x points in the range
// Extra noise components, slots 1..4 (index 0 unused): per scan a vector
// over the grid, a profile over the grid, an amplitude per scan. They are the
// per-species signal bases on the noise grid that the model evaluation fills
// and the amplitude solvers combine (pSpeciesBasis with its means over scans
// and over radii), allocated for the included species.
extern float** pppExtraNoiseScan[5];
extern float* ppExtraNoiseProfile[5];
extern float* ppExtraNoiseAmplitude[5];

// Initial-condition scan and its extrapolation outside the fit limits.
extern float* pExtrapolation1;            // radius
extern float* pExtrapolation2;            // signal
extern float* pExtrapolation3;            // third column
extern int nExtrapolationPoints;
