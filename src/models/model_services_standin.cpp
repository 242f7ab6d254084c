// Model settings and services the Data menu reads and calls, until the model
// selection and parameter persistence are part of the program: the geometry
// values and the model flags live here with their defaults; nothing is saved,
// reported or reloaded.
#include "app/xla_window.h"
#include "models/model_globals.h"

float fMaxMeniscus = 0.0f;
float fMinMeniscus = 0.0f;
float fMaxBottom = 0.0f;
float fMinBottom = 0.0f;
unsigned char bFitBottom = 0;
unsigned char bFitMeniscus = 0;
unsigned char bUseMolarMass = 0;

unsigned char bModelContinuous = 0;
unsigned char bModelDiscreteSpecies = 0;
unsigned char bModelCS = 0;
unsigned char bModelCSOneDiscreteM = 0;
unsigned char bModelCSOneDiscreteD = 0;
unsigned char bModelCSFf0 = 0;
unsigned char bModelCSFf0OneDiscrete = 0;
unsigned char bModelNonidealCS = 0;
unsigned char bModelHinderedCS = 0;
unsigned char bModelCSFlotation = 0;
unsigned char bModelCSLinearRods = 0;
unsigned char bModelHybridCSLsgs = 0;
unsigned char bHybridWithDiscrete = 0;
unsigned char bModelCSInvariantD = 0;
unsigned char bModelCSWithMsTable = 0;
unsigned char bModelCSConformationalChange = 0;
unsigned char bModelCSWormlikeChain = 0;
unsigned char bModelCSFixFf0FloatingVbar = 0;
unsigned char bModelCSBimodalFf0OneDiscrete = 0;
unsigned char bModelCSBimodalFf0 = 0;
unsigned char bModelCSScalingLaw = 0;
unsigned char bModelFMScalingLaw = 0;
unsigned char bModelCMVbarM = 0;
unsigned char bModelLsgs = 0;
unsigned char bModelLsgsOneDiscrete = 0;
unsigned char bModelElectrophoresisCV = 0;
unsigned char bBufferMismatch = 0;
unsigned char bFitBufferSignal = 0;
double dBufferSignal = 0.0;
unsigned char bModelMonomerDimer = 0;
unsigned char bModelMonomerTrimer = 0;
unsigned char bModelSelfAssoc124 = 0;
unsigned char bModelSelfAssoc148 = 0;
unsigned char bModelNonidealSingle = 0;
unsigned char bModelNonidealMultiple = 0;
unsigned char bModelHeteroAssociation = 0;
unsigned char bAutoLoadLsgMode = 0;
unsigned char bModelZone = 0;
unsigned char bModelZoneLsgs = 0;
unsigned char bModelLsgv = 0;
unsigned char bModelDlsRh = 0;
unsigned char bModelDlsRhTime = 0;
unsigned char bModelDlsD = 0;
unsigned char bModelDlsCumulants = 0;
unsigned char bBoundaryAnalysisMode = 0;
unsigned char bFMScalingNoDiffusion = 0;
double dHybridSwitchS = 0.0;
float fZoneLamellaWidth = 0.1f;
unsigned char bModelCommandRebuild = 0;

double dPowerLawA = 0.003;
double dPowerLawB = 0.667;
double dVbarMOffset = 1.04248;
double dVbarMIncrement = 0.01909;
int nVbarMScale = 8;
float fScalingKs = 0.003f;
float fScalingBs = 0.667f;
float fFlotationSpeciesD = 5.0e-7f;
unsigned char bFlotationDFromRadius = 0;
float fWormMonomerMw = 9000.0f;
float fWormPersistenceLength = 10.0f;
float fWormCrossSection = 1.0f;
float fWormHydration = 0.4f;

void TmpSaveBestParams(TXLAWindow*, int) {}
void writeFitParameterReport(TXLAWindow*, const char*) {}

bool TXLAWindow::ReloadParameters(const char*) { return false; }
void TXLAWindow::CmParameters() {}
void TXLAWindow::CmModelLsgs() { bModelLsgs = 1; }
