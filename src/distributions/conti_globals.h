// Continuous-distribution state tied to the loaded data.
#pragma once

// Nonideal c(s) state kept for the loaded data.
class CContiNonid {};

// Deleted and set to null whenever the scan data set is freed or replaced.
extern CContiNonid* pContiNonid;

// The s-grid limit warnings were accepted for the loaded data; cleared when
// the data are released.
extern unsigned char bSGridLimitsAccepted;

class TXLAWindow;
// Asks "reset mean field ctot data?" when new files are loaded.
void askResetMeanFieldCtotData(TXLAWindow* pWindow);
// Clears the mean-field ctot(r,t).
void forgetMeanFieldCtotData();
// The distribution fits write their matrices to files (command 877).
extern unsigned char bExportMatrices;

// The distribution grid and the integral of the current distribution, as the
// realtime update of files reads them: grids 1..nResolution (pDistGrid2 for
// the sedimentation-coefficient family, pDistGridS for molar masses), the
// upper grid end fSMax, and the boundary analyses' mode.
extern float* pDistGridS;
extern float* pDistGrid2;
extern int nResolution;
extern unsigned char bBoundaryAnalysisMode;
// The x range chosen on the distribution plot during a realtime update
// (SelectPeakRange sets bRealtimeAutoAdjustRange and keeps it).
extern float fRealtimeDistXMin;
extern float fRealtimeDistXMax;
// The signal of the current distribution between two abscissae (*pfArea),
// its weight-average abscissa, the total signal and the further moments.
void integrateDistribution(float fLow, float fHigh, float* pfArea, float* pfMean, float* pfTotal, float* pfSigma,
                           float* pfHarmonicMean, float* pfZMean);

// ---------------------------------------------------------------- grid settings and model parameters
// Written by the parameter vector's views of the continuous models and read
// by the distribution grids and conversions. (This block is defined in
// conti_globals.cpp, beside the distribution stand-ins.)
extern float fSMin;                  // grid range: S, or g/mol in the c(M) models
extern float fSMax;
extern float fSGridResolution;       // number of grid points, stored as a float
extern float fConfidenceLevel;       // P of the regularization, 0.95
extern float fFrictionalRatio;       // weight-average f/f0 of the c(s) family
extern int nFitFrictionalRatio;
extern int nFitVbar;                 // float the partial specific volume (fixed f/f0 model)
extern unsigned char bSGridFromFile;
extern unsigned char bLogSGrid;
extern unsigned char bKeepLogSGrid;  // a reload keeps bLogSGrid over the vector's flag
// worm-like chain
extern float fWormPersistenceLength; // nm
extern int nFitWormPersistenceLength;
extern float fWormCrossSection;      // dehydrated, nm^2
extern float fWormMonomerMw;         // Da, 9000
extern float fWormHydration;         // 0.4
// scaling laws s = Ks M^bs
extern float fScalingKs;             // 0.003
extern int nFitScalingKs;
extern float fScalingBs;             // 0.667
extern unsigned char bFMScalingNoDiffusion;  // f(M) with the scaling law: the model's own switch
// conformational change
extern float fConfChangeM;
extern float fConfChangeSMin;
extern float fConfChangeSMax;
// c(s, f/f0)
extern float fFf0Min;
extern float fFf0Max;
extern float fFf0Resolution;         // whole number, as a float
extern int nFf0Resolution;
extern float fCsGridTotal;           // fFf0Resolution x fSGridResolution
extern int nCsGridTotal;
// one discrete component
extern float fDiscreteCompM;
extern float fDiscreteCompS;
extern float fDiscreteCompD;
extern int nFitDiscreteCompMorD;
extern int nFitDiscreteCompS;
// bimodal f/f0 and flotation
extern float fBimodalFf0Second;
extern float fBimodalSMin;
extern int nFitBimodalSMin;
extern float fBimodalSMax;
// further single-value models
extern float fCVConstantD;           // electrophoresis c(v)
extern int nFitCVConstantD;
extern float fCSInvariantD;          // c(s) with invariant D, 1e-7 cm^2/s
extern int nFitCSInvariantD;
extern float fLinearRodParam;
extern float fTimeCourseWindow;      // light-scattering time course
