// Definitions of the model globals (declared in model_globals.h).
#include "models/model_globals.h"
#include "numerics/physical_constants.h"

float fMeniscus = 0.0f;
float fBottom = 0.0f;

// The vector and the species rows are allocated once at start
// (allocParameterVectors).
float* pParamValue = nullptr;
int* pParamFloat = nullptr;
int nSpecies = 4;
int* pSpeciesIncluded = nullptr;
float* pSpeciesConc = nullptr;
int* pSpeciesConcFloat = nullptr;
float* pSpeciesMw = nullptr;
int* pSpeciesMwFloat = nullptr;
float* pSpeciesS = nullptr;
int* pSpeciesSFloat = nullptr;
float* pSpeciesExtra = nullptr;
int* pSpeciesExtraFloat = nullptr;

// Solvent conditions.
float fBufferDensity = kWaterDensity20F;
float RELVISCOSITY = 1.0f;
float VBAR = 0.73f;
float fVbarRho = 0.73f * kWaterDensity20F;
float fHydration = 0.3f;
float fVbarTransform = 0.73f;

unsigned char bFitRINoise = 0;
unsigned char bAlgebraicBaseline = 0;
unsigned char bAlgebraicConcentrations = 0;
int bFitBaseline = 0;
float fBaseline = 0.0f;

float fModelConst20 = 0.0f;
float fModelConst21 = 0.0f;
float fModelConst22 = 0.0f;
int nFitModelConst20 = 0;
int nFitModelConst21 = 0;
int nFitModelConst22 = 0;
int bFitLamellaWidth = 0;
float fStartTime = 0.0f;
unsigned char bFitT0 = 0;
float fSynthBoundaryPos = 0.0f;
float fOverlayFrac1 = 0.0f;
float fNonidealConc2 = 0.0f;
float fNonidealS2 = 0.0f;
float fNonidealD2 = 0.0f;
float fOverlayFrac2 = 0.0f;
float fNonidealConc3 = 0.0f;
float fNonidealS3 = 0.0f;
float fNonidealD3 = 0.0f;
float fOverlayFrac3 = 0.0f;
int nFitSynthBoundaryPos = 0;
int nFitOverlayFrac1 = 0;
int nFitNonidealConc2 = 0;
int nFitNonidealS2 = 0;
int nFitNonidealD2 = 0;
int nFitOverlayFrac2 = 0;
int nFitNonidealConc3 = 0;
int nFitNonidealS3 = 0;
int nFitNonidealD3 = 0;
int nFitOverlayFrac3 = 0;

unsigned char bSpecies1Nonideal = 0;
unsigned char bParamsAccepted = 0;
float fNonidealKs = 0.0f;
float fNonidealKd = 0.0f;
int nFitNonidealKs = 0;
int nFitNonidealKd = 0;
float fSAMonomerMorD = 0.0f;
float fSAOligomerMorD = 0.0f;
float fSAOligomerMorD2 = 0.0f;
float fSALog10Ka = 0.0f;
float fSALog10Ka2 = 0.0f;
float fSAMonomerS = 0.0f;
float fSAOligomerS = 0.0f;
float fSAOligomerS2 = 0.0f;
float fSATotalConc = 0.0f;
int nFitSAMonomerMorD = 0;
int nFitSALog10Ka = 0;
int nFitSALog10Ka2 = 0;
int nFitSAMonomerS = 0;
int nFitSAOligomerS = 0;
int nFitSAOligomerS2 = 0;
int nFitSATotalConc = 0;
float fElectrophoresisLength = 0.0f;
unsigned char bFitFirstScanScale = 0;
float fSpeciesAmplitude[5] = {};
unsigned char bModelConstantSignal = 0;
int nFirstModelScan = 1;

unsigned char bVaryMeniscusWarned = 0;
unsigned char bUserMeniscusBottomRange = 0;
unsigned char bElectrophoresisLoadRequest = 0;

ScanHeader hdrInitialScan = {};
unsigned char bUseInitialData = 0;

unsigned char bGeometryLinear = 0;
unsigned char bGeometryExternalLoadingCell = 0;
unsigned char bGeometryReserved = 0;
unsigned char bElectrophoresis = 0;
unsigned char bHinderedBaxter = 0;
float fWienerSkewMax = 0.0f;
float fWienerSkewMaxAt = 0.0f;
int nWienerSkewMaxScan = 0;
