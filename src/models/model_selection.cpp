// Model selection: the Model menu chooses the one model that the evaluation,
// the fits and the parameter dialog work with. Every Model command runs the
// same frame, each with the steps it has:
//   1. help (F1 on the item; answered centrally by EvCommand),
//   2. refusal of unsuitable data (light scattering, equilibrium data),
//   3. the interacting family flag, and the distribution results released
//      when a continuous model or boundary analysis was active,
//   4. nothing more when the model is already chosen,
//   5. ResetModelSelection, the model's flags and check mark, its defaults,
//   6. syncParameterVector (every fit flag cleared in the new model),
//   7. the global grid arrays made again when they exist.
// This file holds the frame, the reset, the discrete, geometry, interacting
// and equilibrium models and three commands beside them (linear-geometry
// data, the Faxen simulation, time-dependent s and M). The continuous models
// are in continuous_selection.cpp.
#include "models/model_selection.h"

#include <cmath>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/regularization.h"
#include "fegrid/global_grid.h"
#include "fegrid/hetero_assoc.h"
#include "fegrid/loading_cell.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "plot/cwinplot.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"
#include "scandata/wiener_settings.h"

using namespace win;

namespace {

const unsigned kModelMenuItems[] = {198, 280, 281, 282, 291, 501, 536, 197, 229, 520, 228, 227, 893,
                                    235, 526, 275, 267, 277, 278, 279, 288, 539, 950, 503, 522, 502,
                                    292, 293, 284, 523, 246, 511, 510, 513, 514, 531, 521, 585, 587,
                                    595, 598, 1099, 1100, 602, 603, 872, 887, 548, 1117, 870, 890};

// The discrete model of 198 without any of its geometry or light-scattering
// variants.
bool discreteVariantChosen()
{
    return bModelZone || bModelDlsStokesRadii || bModelDlsCumulants || bGeometryLinear ||
           bGeometryExternalLoadingCell || bElectrophoresis || bGeometryReserved;
}

// Temperature of the data in degrees Celsius.
float dataTemperatureC() { return fTemperatureK - kZeroCelsiusF; }

// The DLS items and the one checked among them.
void checkDlsItem(TXLAWindow* w, unsigned nId)
{
    for (unsigned n : {890u, 198u, 536u, 522u, 503u, 502u}) checkModelMenuItem(w, n, false);
    checkModelMenuItem(w, nId, true);
}

// Step 3 of the frame.
void enterFamily(bool bInteracting)
{
    bModelInteracting = bInteracting ? 1 : 0;
    leaveDistributionResults();
}

// Step 6 of the discrete geometry models: the sync, then no loadings.
void syncWithoutLoadings()
{
    syncParameterVector();
    zeroLoadingSlots();
}

// The non-ideal single-species models share everything but the hindrance.
void selectNonidealSingle(TXLAWindow* w, bool bHindered)
{
    if (refuseForDlsData(w) || refuseForEquilibriumData(w)) return;
    enterFamily(true);
    if (bModelNonidealSingle && (bModelHindered != 0) == bHindered) return;
    w->ResetModelSelection();
    bModelInteracting = 1;
    bModelNonidealSingle = 1;
    bModelHindered = bHindered ? 1 : 0;
    checkModelMenuItem(w, bHindered ? 1099 : 227, true);
    checkModelMenuItem(w, bHindered ? 227 : 1099, false);
    pParamValue[10] = pSpeciesConc[2] = fNonidealKs;
    pParamValue[11] = pSpeciesConc[3] = fNonidealKd;
    if (bUseMolarMass) w->CmFitMAndS();
    syncParameterVector();
    pParamValue[5] = fSAMonomerS = pSpeciesS[1];
    pParamValue[1] = fSAMonomerMorD = pSpeciesMw[1];
    reallocRadialGridArrays();
}

// The discrete models of the special geometries (280, 281, 282, 291).
bool selectGeometry(TXLAWindow* w, unsigned nId, unsigned char& bFlag, bool bRefuseDls)
{
    if (bRefuseDls && refuseForDlsData(w)) return false;
    enterFamily(false);
    if (bFlag) return false;
    w->ResetModelSelection();
    bModelDiscreteSpecies = 1;
    bFlag = 1;
    checkModelMenuItem(w, nId, true);
    bAutoFEAlgorithm = 0;
    bMovingHat = 0;
    bClaverie = 1;
    return true;
}

// The self-association with two oligomers (1-2-4: n = 2, 1-4-8: n = 4): the
// vector slots are written straight from the model's values, without a sync.
void selectHigherAssociation(TXLAWindow* w, unsigned nId, unsigned char& bFlag, int n)
{
    if (refuseForDlsData(w)) return;
    enterFamily(true);
    if (bFlag) return;
    w->ResetModelSelection();
    bModelInteracting = 1;
    bFlag = 1;
    checkModelMenuItem(w, nId, true);
    if (!bUseMolarMass) w->CmFitMAndS();
    float* v = pParamValue;
    int* f = pParamFloat;
    v[1] = fSAMonomerMorD;
    f[1] = nFitSAMonomerMorD;
    v[2] = n * fSAMonomerMorD;
    f[2] = 0;
    v[12] = 2 * n * fSAMonomerMorD;
    f[12] = 0;
    v[3] = fSALog10Ka;
    f[3] = nFitSALog10Ka;
    v[7] = fSALog10Ka2;
    f[7] = nFitSALog10Ka2;
    v[5] = fSAMonomerS;
    f[5] = nFitSAMonomerS;
    v[6] = fSAOligomerS;
    f[6] = nFitSAOligomerS;
    v[8] = fSAOligomerS2;
    f[8] = nFitSAOligomerS2;
    v[11] = fSATotalConc;
    f[11] = nFitSATotalConc;
    bClaverie = 1;
    bFixedTimestep = 0;
    bMovingHat = 0;
    reallocRadialGridArrays();
}

// The species rows and the vector from the A + B <-> AB values, the loading
// equilibrium, and the complex in row 3: its loading and M(A) + M(B).
void loadHeteroAssociationRows(bool bEquilibrium)
{
    float* v = pParamValue;
    v[9] = pSpeciesConc[1] = fLoadingA;
    v[10] = pSpeciesConc[2] = fLoadingB;
    v[1] = pSpeciesMw[1] = fDiffA;
    v[2] = pSpeciesMw[2] = fDiffB;
    v[4] = pSpeciesMw[4] = fSignalCoefA;
    v[12] = pSpeciesConc[4] = fSignalCoefB;
    if (bEquilibrium) {
        // at equilibrium no s enters: the three values stand at 1, fixed
        for (int k = 1; k <= 3; ++k) {
            v[4 + k] = pSpeciesS[k] = 1.0f;
            pParamFloat[4 + k] = pSpeciesSFloat[k] = 0;
        }
    } else {
        v[5] = pSpeciesS[1] = fSedA;
        v[6] = pSpeciesS[2] = fSedB;
        v[7] = pSpeciesS[3] = fSedAB;
    }
    v[8] = pSpeciesS[4] = fLogAssocK;
    heteroAssocEquilibrium();
    v[11] = pSpeciesConc[3] = fComplexLoading;
    v[3] = pSpeciesMw[3] = pSpeciesMw[1] + pSpeciesMw[2];
}

}  // namespace

// ---------------------------------------------------------------- shared pieces

const unsigned* modelMenuItems(int* pnCount)
{
    *pnCount = static_cast<int>(sizeof kModelMenuItems / sizeof kModelMenuItems[0]);
    return kModelMenuItems;
}

void checkModelMenuItem(TXLAWindow* pWindow, unsigned nId, bool bChecked)
{
    if (!pWindow) return;
    if (HMENU m = pWindow->GetMenu()) CheckMenuItem(m, nId, MF_BYCOMMAND | (bChecked ? MF_CHECKED : MF_UNCHECKED));
}

bool refuseForDlsData(TXLAWindow* pWindow)
{
    if (!bDLSData) return false;
    playInfoSound();
    MessageBox(pWindow->HWindow, "this model is not implemented for DLS data", "ERROR", MB_OK);
    return true;
}

bool refuseWithoutDlsData(TXLAWindow* pWindow)
{
    if (bDLSData) return false;
    playInfoSound();
    MessageBox(pWindow->HWindow, "need DLS data for this analysis", "ERROR", MB_OK);
    return true;
}

bool refuseForEquilibriumData(TXLAWindow* pWindow)
{
    if (!bEquilibriumDataMode) return false;
    playInfoSound();
    MessageBox(pWindow->HWindow, "not implemented yet for sed eq data", "ERROR", MB_OK);
    return true;
}

void leaveDistributionResults()
{
    if (bModelContinuous || bBoundaryAnalysisMode) clearDistributionResults();
}

void reallocRadialGridArrays()
{
    if (!bGridArraysAllocated) return;
    freeRadialGridArrays();
    allocRadialGridArrays();
}

void switchToSecondDerivative(TXLAWindow* pWindow, bool bNote, const char* szNote)
{
    if (bNote) MessageBox(pWindow->HWindow, szNote, "ls-g(s)", MB_OK);
    bRegSecondDerivative = 1;
    bRegMaxEnt = 0;
    bRegWeightedThirdDerivative = 0;
    checkModelMenuItem(pWindow, 294, true);
    checkModelMenuItem(pWindow, 295, false);
    checkModelMenuItem(pWindow, 1118, false);
}

void setGridRange(float fLow, float fHigh)
{
    pParamValue[1] = fSMin = fLow;
    pParamValue[5] = fSMax = fHigh;
}

void setGridResolution(float fPoints) { pParamValue[9] = fSGridResolution = fPoints; }

void setConfidenceLevels(float fLevel) { pParamValue[2] = fConfidenceLevel = fConfidenceLevelCM = fLevel; }

void zeroLoadingSlots()
{
    for (int k = 9; k <= 12; ++k) pParamValue[k] = 0.0f;
}

void rebuildDistributionPlotForModel()
{
    bModelCommandRebuild = 1;
    updateDistributionPlot();
    bModelCommandRebuild = 0;
}

// ---------------------------------------------------------------- the reset

void TXLAWindow::ResetModelSelection()
{
    if (bTimesFromW2tByModel) {
        switchOffTimesFromW2t(this);
        bTimesFromW2tByModel = 0;
        MessageBox(HWindow, "switching off times from w^2t option", "", MB_OK);
    }
    bWienerSkewing = 0;
    nWienerSkewingSetting = 0;
    bDataChanged = 1;
    bAutoFEAlgorithm = 1;
    if (bGridSizeReplaced) {
        nGridPoints = nDefaultGridSize;
        bGridSizeReplaced = 0;
        bAutoFEAlgorithm = 1;
    }
    bModelDiscreteSpecies = 0;
    bSpecies1Nonideal = 0;
    if (bEqTestMode) endEqTestMode(this);

    // every model, family, geometry, light-scattering, zone, electrophoresis,
    // c(M)-variant, continuous-variant, equilibrium and boundary-analysis flag
    for (unsigned char* b :
         {&bModelInteracting, &bModelContinuous, &bModelCS, &bGeometryLinear, &bGeometryExternalLoadingCell,
          &bGeometryReserved, &bElectrophoresis, &bModelZone, &bModelZoneCS, &bModelZoneLsgs, &bModelMonomerDimer,
          &bModelMonomerTrimer, &bModelSelfAssoc148, &bModelSelfAssoc124, &bModelHeteroAssociation,
          &bModelNonidealSingle, &bModelHindered, &bModelNonidealMultiple, &bModelDlsStokesRadii,
          &bModelDlsCumulants, &bModelDlsRh, &bModelDlsD, &bModelDlsRhTime, &bEquilibriumDiscrete,
          &bEquilibriumHeteroAssoc, &bModelCMbInvariantD, &bModelCMPowerLaw, &bModelCMVbarM,
          &bModelElectrophoresisCV, &bModelLsgs, &bModelLsgsOneDiscrete, &bModelLsgv, &bModelHybridCSLsgs,
          &bModelCSConformationalChange, &bModelCSInvariantD, &bModelCSOneDiscreteM, &bModelCSOneDiscreteD,
          &bModelCSBimodalFf0, &bModelCSBimodalFf0OneDiscrete, &bModelCSFixFf0FloatingVbar, &bModelCSWormlikeChain,
          &bModelCSScalingLaw, &bModelFMScalingLaw, &bModelCSWithMsTable, &bModelCSFlotation, &bModelNonidealCS,
          &bModelHinderedCS, &bModelCSFf0, &bModelCSFf0OneDiscrete, &bModelCSLinearRods, &bBoundaryAnalysisMode,
          &bExtrapolateAreaFractions, &bVhwFlotation, &bHybridWithDiscrete, &bAreaFractionResults,
          &bNonidealMultiSwitch})
        *b = 0;
    if (bMStarMode) mStarFreePlots(this);

    int n = 0;
    const unsigned* pItems = modelMenuItems(&n);
    for (int i = 0; i < n; ++i) checkModelMenuItem(this, pItems[i], false);
}

// ---------------------------------------------------------------- discrete species and geometries

void TXLAWindow::CmModelDiscreteSpecies()
{
    enterFamily(false);
    if (bModelDiscreteSpecies && !discreteVariantChosen()) return;
    const bool bFromStokesRadii = bModelDlsStokesRadii != 0;
    const bool bFromCumulants = bModelDlsCumulants != 0;
    ResetModelSelection();
    bModelDiscreteSpecies = 1;
    checkModelMenuItem(this, 198, true);
    for (int k = 1; k <= nSpecies; ++k) pSpeciesIncluded[k] = 0;
    if (bFromStokesRadii) {
        // the radii (nm) become diffusion coefficients (1e-7 cm^2/s)
        for (int k = 1; k <= nSpecies; ++k) {
            if (pSpeciesMw[k] > 0)
                pParamValue[k] = pSpeciesMw[k] = DFromStokesRadius(pSpeciesMw[k] * 1e-9f, dataTemperatureC()) * 1e7f;
            else
                pSpeciesIncluded[k] = 0;
        }
    }
    if (bFromCumulants) {
        pSpeciesIncluded[1] = 1;
        for (int k = 2; k <= nSpecies; ++k) {
            pSpeciesIncluded[k] = 0;
            pSpeciesConcFloat[k] = pSpeciesMwFloat[k] = pSpeciesSFloat[k] = 0;
            pParamValue[k] = pSpeciesMw[k] = 0.0f;
        }
    }
    bAutoFEAlgorithm = 1;
    if (bBufferMismatch) CheckBufferSedCompatibility();
    syncWithoutLoadings();
    if (bFromCumulants) {
        // after the sync, which clears every fit flag: species 1's loading
        // and the baseline floated
        pSpeciesConcFloat[1] = pParamFloat[9] = 1;
        bFitBaseline = 1;
        pParamFloat[15] = 1;
    }
    reallocRadialGridArrays();
}

void TXLAWindow::CmModelLinearLammEquation()
{
    if (!selectGeometry(this, 280, bGeometryLinear, true)) return;
    syncWithoutLoadings();
    reallocRadialGridArrays();
}

void TXLAWindow::CmModelExternalLoadingCell()
{
    if (bDLSData) {
        refuseForDlsData(this);
        return;
    }
    if (selectGeometry(this, 281, bGeometryExternalLoadingCell, false)) {
        syncWithoutLoadings();
        reallocRadialGridArrays();
    }
    // also when the model was chosen already
    float fVolume = fElcOilVolume;
    if (!inputFloat(&fVolume, fElcOilVolume, true, "enter volume of oil used in run [ml]",
                    "EXTERNAL LOADING GEOMETRY"))
        fVolume = 0.0f;
    fElcOilVolume = fVolume;
}

void TXLAWindow::CmModelReservedGeometry()
{
    if (!selectGeometry(this, 282, bGeometryReserved, false)) return;
    syncWithoutLoadings();
    reallocRadialGridArrays();
}

void TXLAWindow::CmModelElectrophoresis()
{
    if (!selectGeometry(this, 291, bElectrophoresis, true)) return;
    fBottom = fMeniscus + fElectrophoresisLength;
    pParamValue[14] = fBottom;
    if (bUseMolarMass) CmFitMAndS();
    syncWithoutLoadings();
    reallocRadialGridArrays();
}

void TXLAWindow::CmModelZoneDiscrete()
{
    enterFamily(false);
    if (bModelDiscreteSpecies && bModelZone) return;
    ResetModelSelection();
    bModelDiscreteSpecies = 1;
    bModelZone = 1;
    checkModelMenuItem(this, 246, true);
    bConstantInitialDistribution = 1;
    bExperimentalInitialDistribution = 0;
    pSpeciesIncluded[4] = 0;
    syncParameterVector();
    pParamValue[23] = fZoneLamellaWidth;
    bFitLamellaWidth = 1;
    pParamFloat[23] = 1;
    bAutoFEAlgorithm = 0;
    bClaverie = 0;
    bMovingHat = 1;
    resizeRadialGrid(nGridPoints);
}

// ---------------------------------------------------------------- interacting models

void TXLAWindow::CmModelMonomerDimer()
{
    if (refuseForDlsData(this)) return;
    enterFamily(true);
    if (bModelMonomerDimer) return;
    ResetModelSelection();
    bModelInteracting = 1;
    bModelMonomerDimer = 1;
    checkModelMenuItem(this, 197, true);
    syncParameterVector();
    // the dimer's loading follows from the equilibrium: never floated
    pParamFloat[10] = 0;
    pSpeciesConcFloat[2] = 0;
    syncParameterVector();
    reallocRadialGridArrays();
}

void TXLAWindow::CmModelMonomerTrimer()
{
    if (refuseForDlsData(this)) return;
    enterFamily(true);
    if (bModelMonomerTrimer) return;
    ResetModelSelection();
    bModelInteracting = 1;
    bModelMonomerTrimer = 1;
    checkModelMenuItem(this, 229, true);
    syncParameterVector();
    reallocRadialGridArrays();
}

void TXLAWindow::CmModelSelfAssoc148() { selectHigherAssociation(this, 520, bModelSelfAssoc148, 4); }

void TXLAWindow::CmModelSelfAssoc124() { selectHigherAssociation(this, 228, bModelSelfAssoc124, 2); }

void TXLAWindow::CmModelHeteroAssociation()
{
    if (refuseForDlsData(this)) return;
    enterFamily(false);
    if (bModelHeteroAssociation) return;
    ResetModelSelection();
    bModelHeteroAssociation = 1;
    checkModelMenuItem(this, 267, true);
    if (!bUseMolarMass) CmFitMAndS();
    bConstantInitialDistribution = 1;
    bExperimentalInitialDistribution = 0;
    bMovingHat = 1;
    syncParameterVector();
    bAlgebraicConcentrations = 0;
    bAlgebraicBaseline = 0;
    loadHeteroAssociationRows(false);
    reallocRadialGridArrays();
}

void TXLAWindow::CmModelNonidealSingle() { selectNonidealSingle(this, false); }

void TXLAWindow::CmModelHinderedSingle() { selectNonidealSingle(this, true); }

void TXLAWindow::CmModelNonidealMultiple()
{
    if (refuseForDlsData(this) || refuseForEquilibriumData(this)) return;
    enterFamily(true);
    if (bModelNonidealMultiple) return;
    ResetModelSelection();
    bModelInteracting = 1;
    bModelNonidealMultiple = 1;
    checkModelMenuItem(this, 893, true);
    bNonidealMultiSwitch = 0;
    bHydrodynamicNonideality = 0;
    bNonidealRepulsive = 1;
    bNonidealOption2 = 1;
    pParamValue[10] = pSpeciesConc[2] = fNonidealKs;
    pParamValue[11] = pSpeciesConc[3] = fNonidealKd;
    globalsToParamVector();  // the ten non-ideal value and flag pairs into 25-34
    if (bUseMolarMass) CmFitMAndS();
    syncParameterVector();
    pParamValue[5] = fSAMonomerS = pSpeciesS[1];
    pParamValue[1] = fSAMonomerMorD = pSpeciesMw[1];
    reallocRadialGridArrays();
}

// ---------------------------------------------------------------- equilibrium models

void TXLAWindow::CmEquilibriumDiscreteSpecies()
{
    if (bEquilibriumDiscrete) return;
    ResetModelSelection();
    bEquilibriumDiscrete = 1;
    bFitTINoise = 1;
    bFitRINoise = 1;
    checkModelMenuItem(this, 284, true);
    if (!bEquilibriumDataMode) MessageBox(HWindow, "please load equilibrium data", "Equilibrium Analysis", MB_OK);
}

void TXLAWindow::CmEquilibriumHeteroAssociation()
{
    if (bEquilibriumHeteroAssoc) return;
    ResetModelSelection();
    bEquilibriumHeteroAssoc = 1;
    bFitTINoise = 1;
    bFitRINoise = 1;
    checkModelMenuItem(this, 523, true);
    if (!bEquilibriumDataMode) MessageBox(HWindow, "please load equilibrium data", "Equilibrium Analysis", MB_OK);
    loadHeteroAssociationRows(true);
}

// ---------------------------------------------------------------- light scattering

void TXLAWindow::CmModelDlsStokesRadii()
{
    if (refuseWithoutDlsData(this)) return;
    float fPoise = 0.0f;
    if (!inputFloat(&fPoise, RELVISCOSITY * 10.0f * STANDARDVISCOSITY, true, "absolute viscosity of solvent (Poise)",
                    "DISCRETE STOKES RADII"))
        return;
    RELVISCOSITY = fPoise * 0.1f / STANDARDVISCOSITY;
    enterFamily(false);
    if (bModelDlsStokesRadii) return;
    ResetModelSelection();
    bModelDiscreteSpecies = 1;
    bModelDlsStokesRadii = 1;
    if (bUseMolarMass) CmFitMAndS();
    syncParameterVector();
    bFitBaseline = 1;
    pParamFloat[15] = 1;
    // the diffusion coefficients (1e-7 cm^2/s) become Stokes radii (nm)
    for (int k = 1; k <= nSpecies; ++k) {
        if (pSpeciesMw[k] > 0)
            pParamValue[k] = pSpeciesMw[k] = DFromStokesRadius(pSpeciesMw[k] * 1e-7f, dataTemperatureC()) * 1e9f;
        else
            pSpeciesIncluded[k] = 0;
    }
    checkDlsItem(this, 536);
}

void TXLAWindow::CmModelDlsCumulants()
{
    if (refuseWithoutDlsData(this)) return;
    enterFamily(false);
    if (bModelDlsCumulants) return;
    ResetModelSelection();
    bModelDiscreteSpecies = 1;
    bModelDlsCumulants = 1;
    if (bUseMolarMass) CmFitMAndS();
    syncParameterVector();
    pSpeciesIncluded[1] = 1;
    pSpeciesConcFloat[1] = 1;
    pParamFloat[9] = 1;
    for (int k = 2; k <= nSpecies; ++k) {
        pSpeciesIncluded[k] = 0;
        pSpeciesConcFloat[k] = pSpeciesMwFloat[k] = pSpeciesSFloat[k] = 0;
        pParamFloat[k] = pParamFloat[4 + k] = pParamFloat[8 + k] = 0;
        pParamValue[k] = pSpeciesMw[k] = 0.0f;
    }
    bFitBaseline = 1;
    pParamFloat[15] = 1;
    checkDlsItem(this, 890);
}

// ---------------------------------------------------------------- electrophoresis

void TXLAWindow::CmModelLsgv()
{
    if (refuseForDlsData(this)) return;
    enterFamily(false);
    if (bModelLsgv) return;
    CmModelLsgs();
    checkModelMenuItem(this, 288, false);
    checkModelMenuItem(this, 501, true);
    bModelLsgv = 1;
    bModelDiscreteSpecies = 0;
    bAutoFEAlgorithm = 0;
    bMovingHat = 0;
    bClaverie = 0;
    syncParameterVector();
    zeroLoadingSlots();
    setConfidenceLevels(0.683f);
    setGridResolution(100.0f);
    setGridRange(1.0f, 20.0f);
    reallocRadialGridArrays();
}

void TXLAWindow::CmLoadElectrophoresisData()
{
    bElectrophoresisData = 1;
    bElectrophoresisLoadRequest = 1;
    CmLoadNewFiles();
    bElectrophoresisLoadRequest = 0;
    CmModelElectrophoresis();
    nGridPoints = 200;
    UpdateFloToolsMenu();
}

// ---------------------------------------------------------------- simulations beside the models

void TXLAWindow::CmSimulateFaxen()
{
    bFaxenApproximation = 1;
    CmRun();
    bFaxenApproximation = 0;
}

void TXLAWindow::CmFitTimeDependentSM()
{
    const char* szTitle = "FIT TIME DEPENDENT s,M";
    if (!bExperimentalInitialDistribution) {
        MessageBox(HWindow, "please switch to experimental initial  condition (in parameter box) and load initial scan",
                   "time dependence analysis", MB_OK);
        return;
    }
    float fCount = 0.0f;
    if (!inputFloat(&fCount, static_cast<float>(nScansPerSMSet), true, "enter number of scans per set",
                    szTitle))
        return;
    nScansPerSMSet = static_cast<int>(fCount);
    if (MessageBox(HWindow, "moving average (scans 1-4, 2-5, 3-6,...)", szTitle, MB_YESNO) == IDYES)
        fitTimeDependentSMSliding(this);
    else if (MessageBox(HWindow, "increasing set (scans 1-4, 1-5, 1-6,...)", szTitle, MB_YESNO) == IDYES)
        fitTimeDependentSMGrowing(this);
    else
        return;
    if (HMETAFILE hPicture = drawTimeDependentSMPlot()) copyPictureToClipboard(hPicture, HWindow);
    freeTimeDependentSM();
    CmRun();
}
