// Continuous model selection: the models that describe the sample by a
// distribution on a grid (s, M, Stokes radius, D or electrophoretic
// velocity). Every continuous command first runs the shared set-up of the
// plain c(M) model (command 235); a variant of the c(s) family then sets its
// own flag, the grid range and the vector slots of its extra parameters:
//   1. light-scattering data refused (the help step is EvCommand's),
//   2. nothing when the variant is chosen already,
//   3. the set-up asked to switch within the family (bModelCS set around
//      it, or the variant's own marker), the variant's check mark and flag,
//   4. the distribution plot rebuilt (no recalculation note),
//   5. the grid range: a mass range (above 1000) turned into s at the
//      temperature of the last scan, otherwise the variant's default,
//   6. the variant's own slots.
// The ls-g*, zone, light-scattering distribution and boundary-analysis
// commands use the same pieces.
#include <cmath>
#include <initializer_list>
#include <utility>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/regularization.h"
#include "fegrid/global_grid.h"
#include "fitting/fit_globals.h"
#include "models/lamm_settings.h"
#include "models/model_globals.h"
#include "models/model_selection.h"
#include "numerics/physical_constants.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"
#include "tools/exports/hydrodynamic_exports.h"

using namespace win;

namespace {

const char* kTikhonovNote = "Please Note: Switching now to Tikhonov-Phillips Regularization";

// Every flag of the c(s) family's variants (not bModelCS itself).
unsigned char* const kCSVariantFlags[] = {
    &bModelCSConformationalChange, &bModelCSInvariantD,  &bModelCSOneDiscreteM,        &bModelCSOneDiscreteD,
    &bModelCSBimodalFf0,           &bModelCSBimodalFf0OneDiscrete, &bModelCSFixFf0FloatingVbar,
    &bModelCSWormlikeChain,        &bModelCSScalingLaw,  &bModelFMScalingLaw,          &bModelCSWithMsTable,
    &bModelCSFlotation,            &bModelNonidealCS,    &bModelHinderedCS,            &bModelCSFf0,
    &bModelCSFf0OneDiscrete,       &bModelCSLinearRods};

bool anyCSVariant()
{
    for (unsigned char* b : kCSVariantFlags)
        if (*b) return true;
    return false;
}

bool lsgsFamilyChosen() { return bModelLsgs || bModelHybridCSLsgs || bModelLsgsOneDiscrete; }

bool autoLoadMode() { return bAutoLoadMultiSpeed || bAutoLoadLsgMode; }

// Temperature (degrees Celsius) of the range conversions: the last scan in
// time order, or the mean over light-scattering data.
float conversionTemperature()
{
    if (nScans < 1) return 20.0f;
    if (bDLSData) {
        double d = 0;
        for (int k = 1; k <= nScans; ++k) d += pScanHeaders[k].temperature;
        return static_cast<float>(d / nScans);
    }
    return pScanHeaders[pScanTimeOrder[nScans]].temperature;
}

// Step 5: a mass range into s values, or the variant's default range.
void variantRange(float fLow, float fHigh)
{
    if (nScans > 0 && fSMin > 1000) {
        const float T = conversionTemperature();
        const float fMinM = fSMin, fMaxM = fSMax;
        setGridRange(SFromMD(fMinM, CalculateDFromM(fMinM, T), T), SFromMD(fMaxM, CalculateDFromM(fMaxM, T), T));
    } else {
        setGridRange(fLow, fHigh);
    }
}

// Steps 3 and 4 of a c(s)-family variant. pMarker: the flag set around the
// set-up instead of bModelCS (null: bModelCS). nSiblings further items
// unchecked.
void switchToVariant(TXLAWindow* w, unsigned nId, unsigned char& bFlag, unsigned char* pMarker,
                     std::initializer_list<unsigned> siblings = {})
{
    unsigned char& bMarker = pMarker ? *pMarker : bModelCS;
    bMarker = 1;
    setUpContinuousModel(w);
    checkModelMenuItem(w, 235, false);
    checkModelMenuItem(w, 275, false);
    for (unsigned n : siblings) checkModelMenuItem(w, n, false);
    checkModelMenuItem(w, nId, true);
    bModelCS = 0;
    bFlag = 1;
    rebuildDistributionPlotForModel();
}

// The switch to the second derivative unless it or both regularizations are
// shown; the note unless the model switch is silent.
void secondDerivativeUnlessShown(TXLAWindow* w, bool bNote, const char* szNote = kTikhonovNote)
{
    if (bRegSecondDerivative || bRegBothShown) return;
    switchToSecondDerivative(w, bNote, szNote);
}

// The times from omega-squared-t for the ls-g* models, unless the times come
// from w2t already, a speed profile is used, or the data are light-scattering
// or electrophoresis data.
bool switchOnTimesFromW2tForLsgs(TXLAWindow* w)
{
    if (bTimesFromW2t || bUsingSpeedSteps || bDLSData || bElectrophoresisData) return false;
    switchOnTimesFromW2t(w);
    return true;
}

// The light-scattering distributions: DLS data required.
void selectDlsDistribution(TXLAWindow* w, unsigned nId, unsigned char& bFlag, float fLow, float fHigh)
{
    if (refuseWithoutDlsData(w)) return;
    bFlag = 1;
    setUpContinuousModel(w);
    checkModelMenuItem(w, 235, false);
    bFlag = 1;
    for (unsigned n : {890u, 198u, 536u, 522u, 503u, 502u}) checkModelMenuItem(w, n, false);
    checkModelMenuItem(w, nId, true);
    pParamValue[2] = fConfidenceLevel = 0.55f;
    setGridRange(fLow, fHigh);
}

// The c(M) variants 277, 278, 279: the set-up without bModelCS.
bool cmVariantSetUp(TXLAWindow* w)
{
    if (refuseForDlsData(w)) return false;
    setUpContinuousModel(w);
    return true;
}

// 595 and 598.
bool csFf0Refused(TXLAWindow* w)
{
    if (bBufferMismatch) {
        playInfoSound();
        MessageBox(w->HWindow, "this model does not work in buffer mismatch mode", "ERROR", MB_OK);
        return true;
    }
    if (!bModelCSFf0 && !bModelCSFf0OneDiscrete && fRadialResolution <= 0.001f) {
        playInfoSound();
        MessageBox(w->HWindow,
                   "radial pre-averaging of data points is recommended (at 0.003)!)\n(Loading Options->Set Radial "
                   "Resolution)",
                   "ATTENTION", MB_OK);
        return true;
    }
    return false;
}

// The models that describe something by M and s (c(s,ff0), the M(s) table)
// switch the description to M and s. The switch converts entries 1 to 4 as
// species' D into M; in the distributions they hold sMin, the confidence
// level, vbar and the hydration (vbar would become some 10^5), and with the
// model's flag set it reads the model's own entries (10, 6, 8) into the
// model's values, where the previous model's values still stand (0 after
// c(s)). Here the switch changes the description only: the vector stays;
// the caller keeps its model's values. Returns whether it switched.
bool describeByMAndS(TXLAWindow* w)
{
    if (bUseMolarMass) return false;
    float pKept[35];
    for (int k = 1; k <= 34; ++k) pKept[k] = pParamValue[k];
    w->CmFitMAndS();
    for (int k = 1; k <= 34; ++k) pParamValue[k] = pKept[k];
    return true;
}

void csFf0Slots(TXLAWindow* w)
{
    const float fMin = fFf0Min, fMax = fFf0Max, fResolution = fFf0Resolution;
    const bool bSwitch = describeByMAndS(w);
    if (bSwitch) {
        fFf0Min = fMin;
        fFf0Max = fMax;
        fFf0Resolution = fResolution;
    }
    pParamValue[10] = fFf0Min;
    pParamValue[6] = fFf0Max;
    pParamValue[8] = fFf0Resolution;
    // the globals the switch read from the converted entries, from the vector again
    if (bSwitch) paramVectorToGlobals();
    nFitFrictionalRatio = 0;
    pParamFloat[11] = 0;
    fFf0Step = 1.0f;
    bCsFf0ShowSM = bCsFf0ShowRh = bCsFf0ShowD = bCsFf0ShowMFf0 = 0;
}

// Slots 16 and 17 (species extras 1 and 2): the discrete component.
void discreteComponentExtras()
{
    pParamValue[16] = pSpeciesExtra[1] = fDiscreteCompM;
    pParamFloat[16] = pSpeciesExtraFloat[1] = nFitDiscreteCompMorD;
    pParamValue[17] = pSpeciesExtra[2] = fDiscreteCompS;
    pParamFloat[17] = pSpeciesExtraFloat[2] = nFitDiscreteCompS;
}

void bimodalSlots()
{
    pParamValue[10] = fBimodalFf0Second;
    pParamValue[6] = fBimodalSMin;
    pParamFloat[6] = nFitBimodalSMin;
    pParamValue[8] = fBimodalSMax;
}

// 585 and 1100.
void selectNonidealCS(TXLAWindow* w, bool bHindered)
{
    if (refuseForDlsData(w)) return;
    if (bHindered ? bModelHinderedCS : (bModelNonidealCS && !bModelHinderedCS)) return;
    if (!bHindered && !bModelCS && (bFitTINoise || bFitRINoise)) {
        playInfoSound();
        MessageBox(w->HWindow, "you may need to run normal c(s) first, to get estimates for baselines", "ERROR", MB_OK);
    }
    bSuppressRegSwitch = 1;
    switchToVariant(w, bHindered ? 1100 : 585, bModelNonidealCS, nullptr, {531, 587, bHindered ? 585u : 1100u});
    bSuppressRegSwitch = 0;
    bModelHinderedCS = bHindered ? 1 : 0;
    if (nScans > 0 && fSMin > 1000) variantRange(fSMin, fSMax);
    setGridRange(fSMin, fSMax);
    if (bHindered) {
        fNonidealKs = std::fabs(fNonidealKs);
        fNonidealKd = std::fabs(fNonidealKd);
        if (!bStickySpheres) {
            nFitNonidealKd = 0;
            pParamFloat[21] = 0;
        }
    }
    pParamValue[20] = fModelConst20 = fNonidealKs;
    pParamValue[21] = fModelConst21 = fNonidealKd;
    pParamValue[10] = fDiscreteCompM = 350.0f;
    pParamValue[6] = fDiscreteCompS = 0.34f;
    nFitDiscreteCompMorD = nFitDiscreteCompS = 0;
    pParamFloat[10] = pParamFloat[6] = 0;
}

}  // namespace

// ---------------------------------------------------------------- the shared set-up (235)

void setUpContinuousModel(TXLAWindow* w)
{
    if (bTimesFromW2tByModel) {
        switchOffTimesFromW2t(w);
        bTimesFromW2tByModel = 0;
        MessageBox(w->HWindow, "switching off times from w^2t option", "", MB_OK);
    }
    if (bDLSData && !bModelDlsRh && !bModelDlsD && !bModelDlsRhTime) {
        refuseForDlsData(w);
        return;
    }
    if (!bSuppressRegSwitch && (lsgsFamilyChosen() || bModelCS || bModelDlsRh || bModelDlsRhTime) &&
        bRegSecondDerivative) {
        if (!bCMFromCS && !nLsgRampMode && !bSilentModelSwitch)
            MessageBox(w->HWindow, "Please Note: Switching now to Maximum Entropy Regularization",
                       "continuous distribution", MB_OK);
        bRegSecondDerivative = 0;
        bRegMaxEnt = 1;
        bRegWeightedThirdDerivative = 0;
        checkModelMenuItem(w, 294, false);
        checkModelMenuItem(w, 295, true);
        checkModelMenuItem(w, 1118, false);
    }

    bSGridFromFile = 0;
    bLogSGrid = 0;
    pParamFloat[3] = pParamFloat[4] = 0;
    bModelInteracting = 0;
    for (unsigned char* b : {&bModelCMbInvariantD, &bModelCMPowerLaw, &bModelCMVbarM, &bModelLsgs,
                             &bModelLsgsOneDiscrete, &bModelLsgv, &bModelHybridCSLsgs, &bModelDlsRh, &bModelDlsD,
                             &bModelDlsRhTime, &bModelElectrophoresisCV, &bElectrophoresis, &bModelZone,
                             &bModelZoneCS, &bModelZoneLsgs, &bHybridWithDiscrete, &bSkipRegularization})
        *b = 0;
    for (unsigned char* b : kCSVariantFlags) *b = 0;
    for (unsigned n : {291u, 501u, 526u, 503u, 502u, 511u, 510u, 595u, 598u, 277u, 278u, 279u, 288u, 513u, 514u,
                       531u, 587u, 585u, 1100u, 539u, 521u, 602u, 872u, 603u, 548u, 1117u, 870u, 887u, 950u})
        checkModelMenuItem(w, n, false);

    if (bModelContinuous) {
        if (!bModelCS) {
            // within the family without a switch: the plain c(M) model is
            // what remains, and the menu says so
            checkModelMenuItem(w, 235, true);
            checkModelMenuItem(w, 275, false);
            return;
        }
        bModelCS = 0;
        rebuildDistributionPlotForModel();
        if (!nLsgRampMode) {
            pParamValue[1] = fSMin;
            pParamValue[5] = fSMax;
            checkModelMenuItem(w, 235, true);
            checkModelMenuItem(w, 275, false);
            w->InvalidateUnlessBatch();
        }
    } else {
        w->ResetModelSelection();
        bModelContinuous = 1;
        bModelCS = 0;
        checkModelMenuItem(w, 235, true);
        checkModelMenuItem(w, 275, false);
        bConstantInitialDistribution = 1;
        bExperimentalInitialDistribution = 0;
        // an s range becomes a molar-mass range
        if (fSMin < 100 && !bDLSData && !bElectrophoresisData) {
            fSMin = CalculateM(fSMin);
            fSMax = CalculateM(fSMax);
        }
        float* v = pParamValue;
        v[1] = fSMin;
        v[5] = fSMax;
        v[9] = fSGridResolution;
        v[11] = fFrictionalRatio;
        pParamFloat[11] = nFitFrictionalRatio;
        v[3] = VBAR;
        v[7] = fBufferDensity;
        v[12] = RELVISCOSITY * kWaterViscosity20PoiseF;
        v[4] = fHydration;
        v[2] = fConfidenceLevelCM;
        bGridSizeReplaced = 1;
        nGridPoints = nContinuousGridSize;
        bClaverie = 0;
        bMovingHat = 1;
        bAutoSGrid = 1;
        bAutoFEAlgorithm = 1;
    }
    reallocRadialGridArrays();
}

void TXLAWindow::CmModelContinuousCM() { setUpContinuousModel(this); }

// ---------------------------------------------------------------- c(s) and its variants

void TXLAWindow::CmModelCS()
{
    if (refuseForDlsData(this)) return;
    if (!bModelContinuous || lsgsFamilyChosen() || (!bModelCS && !anyCSVariant())) {
        // a new continuous model (also from c(M) and the models outside the
        // c(s) family): the common steps
        if (bModelCS && !lsgsFamilyChosen()) return;
        bModelCS = 1;
        setUpContinuousModel(this);
        bModelLsgsOneDiscrete = 0;
        checkModelMenuItem(this, 539, false);
        checkModelMenuItem(this, 235, false);
        checkModelMenuItem(this, 275, true);
        bModelCS = 1;
        rebuildDistributionPlotForModel();
        variantRange(0.0f, 15.0f);
        return;
    }
    // another model of the c(s) family: the range stays
    for (unsigned n : {277u, 278u, 279u, 950u, 288u, 235u}) checkModelMenuItem(this, n, false);
    checkModelMenuItem(this, 275, true);
    const std::pair<unsigned char*, unsigned> variants[] = {
        {&bModelCSConformationalChange, 514}, {&bModelCSBimodalFf0, 548},        {&bModelCSFlotation, 1117},
        {&bModelCSBimodalFf0OneDiscrete, 870}, {&bModelCSFixFf0FloatingVbar, 602}, {&bModelCSScalingLaw, 872},
        {&bModelFMScalingLaw, 887},            {&bModelCSWormlikeChain, 603},      {&bModelCSFf0, 595},
        {&bModelCSFf0OneDiscrete, 598},        {&bModelCSWithMsTable, 587},        {&bModelNonidealCS, 585},
        {&bModelHinderedCS, 1100},             {&bModelCSOneDiscreteM, 531},       {&bModelCSOneDiscreteD, 531},
        {&bModelCSInvariantD, 526},            {&bModelCSLinearRods, 521}};
    for (const auto& [pFlag, nId] : variants)
        if (*pFlag) {
            *pFlag = 0;
            checkModelMenuItem(this, nId, false);
        }
    bModelCS = 1;
    rebuildDistributionPlotForModel();
    pParamValue[1] = fSMin;
    pParamValue[5] = fSMax;
    InvalidateUnlessBatch();
}

void TXLAWindow::CmModelCSConformationalChange()
{
    if (refuseForDlsData(this) || bModelCSConformationalChange) return;
    switchToVariant(this, 514, bModelCSConformationalChange, nullptr);
    variantRange(0.0f, 20.0f);
    pParamValue[10] = fConfChangeM;
    pParamValue[6] = fConfChangeSMin;
    pParamValue[8] = fConfChangeSMax;
}

void TXLAWindow::CmModelCSInvariantD()
{
    if (refuseForDlsData(this) || bModelCSInvariantD) return;
    switchToVariant(this, 526, bModelCSInvariantD, &bModelCSInvariantD);
    // a mass range is not converted here
    setGridRange(nScans > 0 && fSMin > 1000 ? 1.0f : 2.0f, nScans > 0 && fSMin > 1000 ? 10.0f : 20.0f);
    pParamValue[11] = fCSInvariantD;
    nFitCSInvariantD = 0;
    pParamFloat[11] = 0;
}

void TXLAWindow::CmModelCSOneDiscrete()
{
    if (refuseForDlsData(this)) return;
    unsigned char& bFlag = bUseMolarMass ? bModelCSOneDiscreteM : bModelCSOneDiscreteD;
    if (bFlag) return;
    switchToVariant(this, 531, bFlag, nullptr, {1100, 585, 587});
    variantRange(0.0f, 20.0f);
    pParamValue[10] = bUseMolarMass ? fDiscreteCompM : fDiscreteCompD;
    pParamValue[6] = fDiscreteCompS;
}

void TXLAWindow::CmModelCSBimodalFf0()
{
    if (refuseForDlsData(this) || bModelCSBimodalFf0) return;
    switchToVariant(this, 548, bModelCSBimodalFf0, nullptr);
    variantRange(0.0f, 20.0f);
    bimodalSlots();
}

void TXLAWindow::CmModelCSBimodalFf0OneDiscrete()
{
    if (refuseForDlsData(this) || bModelCSBimodalFf0OneDiscrete) return;
    switchToVariant(this, 870, bModelCSBimodalFf0OneDiscrete, nullptr);
    variantRange(0.0f, 20.0f);
    bimodalSlots();
    discreteComponentExtras();
}

void TXLAWindow::CmModelCSFixFf0FloatingVbar()
{
    if (refuseForDlsData(this) || bModelCSFixFf0FloatingVbar) return;
    switchToVariant(this, 602, bModelCSFixFf0FloatingVbar, nullptr);
    variantRange(2.0f, 20.0f);
    nFitFrictionalRatio = 0;
    pParamValue[11] = VBAR;
    pParamFloat[11] = nFitVbar;
    pParamValue[3] = fFrictionalRatio;
}

void TXLAWindow::CmModelCSWormlikeChain()
{
    if (refuseForDlsData(this) || bModelCSWormlikeChain) return;
    switchToVariant(this, 603, bModelCSWormlikeChain, nullptr);
    variantRange(2.0f, 20.0f);
    nFitFrictionalRatio = 0;
    pParamValue[11] = fWormPersistenceLength;
    pParamFloat[11] = nFitWormPersistenceLength;
    pParamValue[10] = fWormCrossSection;
    pParamValue[6] = fWormMonomerMw;
    pParamValue[8] = fWormHydration;
}

void TXLAWindow::CmModelCSScalingLaw()
{
    if (refuseForDlsData(this) || bModelCSScalingLaw) return;
    switchToVariant(this, 872, bModelCSScalingLaw, nullptr);
    variantRange(0.5f, 20.0f);
    nFitFrictionalRatio = 0;
    pParamValue[11] = fScalingKs;
    pParamFloat[11] = nFitScalingKs;
    pParamValue[18] = pSpeciesExtra[3] = fScalingBs;
    pParamFloat[18] = pSpeciesExtraFloat[3];
}

void TXLAWindow::CmModelCSWithMsTable()
{
    if (refuseForDlsData(this) || bModelCSWithMsTable) return;
    switchToVariant(this, 587, bModelCSWithMsTable, nullptr, {1100, 585, 531});
    variantRange(2.0f, 20.0f);
    const float fM = fDiscreteCompM, fS = fDiscreteCompS;
    const bool bSwitch = describeByMAndS(this);
    if (bSwitch) {
        fDiscreteCompM = fM;
        fDiscreteCompS = fS;
    }
    pParamValue[10] = bUseMolarMass ? fDiscreteCompM : fDiscreteCompD;
    pParamValue[6] = fDiscreteCompS;
    // the globals the switch read from the converted entries, from the vector again
    if (bSwitch) paramVectorToGlobals();
    nFitFrictionalRatio = 0;
    pParamFloat[11] = 0;
}

void TXLAWindow::CmModelCSFlotation()
{
    if (refuseForDlsData(this) || bModelCSFlotation) return;
    switchToVariant(this, 1117, bModelCSFlotation, nullptr);
    // the range is not converted; the first choice after start gets 1 to 10
    if (bFlotationFirstUse) {
        fSMin = 1.0f;
        fSMax = 10.0f;
        bFlotationFirstUse = 0;
    }
    setGridRange(fSMin, fSMax);
    pParamValue[10] = fFlotationSpeciesD * 1e7f;
    pParamValue[6] = fFlotationSMin;
    pParamValue[8] = fFlotationSMax;
    pParamFloat[6] = 0;
}

void TXLAWindow::CmModelNonidealCS() { selectNonidealCS(this, false); }

void TXLAWindow::CmModelHinderedCS() { selectNonidealCS(this, true); }

void TXLAWindow::CmModelCSFf0()
{
    if (refuseForDlsData(this) || bModelCSFf0 || csFf0Refused(this)) return;
    switchToVariant(this, 595, bModelCSFf0, nullptr, {598});
    variantRange(2.0f, 20.0f);
    csFf0Slots(this);
}

void TXLAWindow::CmModelCSFf0OneDiscrete()
{
    if (refuseForDlsData(this) || bModelCSFf0OneDiscrete || csFf0Refused(this)) return;
    switchToVariant(this, 598, bModelCSFf0OneDiscrete, nullptr, {595});
    variantRange(0.1f, 20.0f);
    csFf0Slots(this);
    discreteComponentExtras();
}

void TXLAWindow::CmModelCSLinearRods()
{
    if (refuseForDlsData(this) || bModelCSLinearRods) return;
    switchToVariant(this, 521, bModelCSLinearRods, &bModelCSLinearRods);
    variantRange(2.0f, 20.0f);
    pParamValue[11] = fLinearRodParam;
}

void TXLAWindow::CmModelFMScalingLaw()
{
    if (refuseForDlsData(this) || bModelFMScalingLaw) return;
    switchToVariant(this, 887, bModelFMScalingLaw, &bKeepPlotLayout);
    setGridRange(fSMin, fSMax);
    nFitFrictionalRatio = 0;
    pParamValue[11] = fScalingKs;
    pParamFloat[11] = nFitScalingKs;
    pParamValue[18] = pSpeciesExtra[3] = fScalingBs;
    pParamFloat[10] = bFMScalingNoDiffusion;
    pParamFloat[18] = pSpeciesExtraFloat[3] = 0;
    if (MessageBox(HWindow, "enter new s(M) power-law calibration?", "C(M) POWERLAW", MB_YESNO) == IDYES &&
        !calibrateCMPowerLaw(this))
        MessageBox(HWindow, "sorry, s(M) power-law calibration failed!", "C(M) POWERLAW", MB_OK);
    secondDerivativeUnlessShown(this, !bSilentModelSwitch);
}

// ---------------------------------------------------------------- c(M) variants

void TXLAWindow::CmModelCMInvariantD()
{
    if (!cmVariantSetUp(this)) return;
    bModelCMbInvariantD = 1;
    bModelElectrophoresisCV = 0;
    checkModelMenuItem(this, 277, true);
    MessageBox(HWindow, "distribution will be c(Mbuoyant)", "", MB_OK);
}

void TXLAWindow::CmModelCMPowerLaw()
{
    if (!cmVariantSetUp(this)) return;
    bModelCMPowerLaw = 1;
    checkModelMenuItem(this, 278, true);
    float fA = 0.0f, fB = 0.0f;
    if (inputFloat(&fA, static_cast<float>(dPowerLawA), true, "Using power-law s(M) = a*M^b. Enter a:", "") &&
        inputFloat(&fB, static_cast<float>(dPowerLawB), true, "Using power-law s(M) = a*M^b. Enter b:", "")) {
        MessageBox(HWindow, "using power law s(M) \n(disregard f/f0 and viscosity entry)", "", MB_OK);
        dPowerLawA = fA;
        dPowerLawB = fB;
    } else {
        MessageBox(HWindow, "information missing, switching off s(M)", "", MB_OK);
        bModelCMPowerLaw = 0;
        checkModelMenuItem(this, 278, false);
    }
}

void TXLAWindow::CmModelCMVbarM()
{
    if (!cmVariantSetUp(this)) return;
    bModelCMVbarM = 1;
    checkModelMenuItem(this, 279, true);
    MessageBox(HWindow, "using vbar(M)= v0 + a*[(M/10^s)]^1/3", "", MB_OK);
    float fOffset = 0.0f, fIncrement = 0.0f, fScale = 0.0f;
    if (inputFloat(&fOffset, static_cast<float>(dVbarMOffset), true, "Enter zero offset v0 (M=0):", "") &&
        inputFloat(&fIncrement, static_cast<float>(dVbarMIncrement), true, "Enter increment a:", "") &&
        inputFloat(&fScale, static_cast<float>(nVbarMScale), true, "Enter M-scale s:", "")) {
        MessageBox(HWindow, "using vbar(M) relationship \n(disregard vbar entry)", "", MB_OK);
        dVbarMOffset = fOffset;
        dVbarMIncrement = fIncrement;
        nVbarMScale = static_cast<int>(fScale);
    } else {
        MessageBox(HWindow, "information missing, switching off vbar(M)", "", MB_OK);
        bModelCMVbarM = 0;
        checkModelMenuItem(this, 279, false);
    }
}

void TXLAWindow::CmModelElectrophoresisCV()
{
    if (!bElectrophoresisData) {
        playInfoSound();
        MessageBox(HWindow, "need electrophoresis data for this model", "", MB_OK);
        return;
    }
    bModelInteracting = 0;
    leaveDistributionResults();
    if (bModelElectrophoresisCV) return;
    setUpContinuousModel(this);
    bModelElectrophoresisCV = 1;
    bModelCMbInvariantD = 1;
    bElectrophoresis = 1;
    bClaverie = 1;
    bAutoFEAlgorithm = 0;
    bMovingHat = 0;
    checkModelMenuItem(this, 235, false);
    checkModelMenuItem(this, 275, false);
    checkModelMenuItem(this, 513, true);
    zeroLoadingSlots();
    setConfidenceLevels(0.683f);
    setGridResolution(100.0f);
    setGridRange(1.0f, 20.0f);
    pParamValue[3] = fCVConstantD;
    pParamFloat[3] = nFitCVConstantD;
    nGridPoints = 200;
}

// ---------------------------------------------------------------- ls-g*(s) and the hybrid

void TXLAWindow::CmModelLsgs()
{
    if (refuseForDlsData(this)) return;
    bModelLsgs = 1;
    setUpContinuousModel(this);
    if (bRegMaxEnt && !bBatchMode)
        switchToSecondDerivative(this, !autoLoadMode() && !bSilentModelSwitch);
    if (switchOnTimesFromW2tForLsgs(this)) {
        bTimesFromW2tByModel = 1;
        if (!bBatchMode) MessageBox(HWindow, "switching on times from w^2t option", "", MB_OK);
    }
    bModelLsgs = 1;
    bModelCS = 1;
    if (!autoLoadMode()) {
        setConfidenceLevels(0.683f);
        setGridResolution(100.0f);
        setGridRange(1.0f, 20.0f);
    } else {
        setConfidenceLevels(0.95f);
        setGridResolution(100.0f);
        setGridRange(100.0f, 100000.0f);
        bFitMeniscus = 1;
        pParamFloat[13] = 1;
    }
    checkModelMenuItem(this, 288, true);
    checkModelMenuItem(this, 235, false);
    // in batch mode the switch waits until now
    if (bRegMaxEnt) switchToSecondDerivative(this, autoLoadMode() || bSilentModelSwitch);
}

void TXLAWindow::CmModelLsgsOneDiscrete()
{
    if (refuseForDlsData(this)) return;
    bModelLsgsOneDiscrete = 1;
    setUpContinuousModel(this);
    secondDerivativeUnlessShown(this, !autoLoadMode() && !bSilentModelSwitch);
    if (switchOnTimesFromW2tForLsgs(this)) MessageBox(HWindow, "switching on times from w^2t option", "", MB_OK);
    bModelLsgsOneDiscrete = 1;
    bModelCS = 1;
    setConfidenceLevels(0.683f);
    setGridResolution(100.0f);
    setGridRange(1.0f, 20.0f);
    pParamValue[10] = fDiscreteCompM;
    pParamValue[6] = fDiscreteCompS;
    checkModelMenuItem(this, 539, true);
    checkModelMenuItem(this, 235, false);
    secondDerivativeUnlessShown(this, !bSilentModelSwitch,
                                "Please Note: Switching now on Tikhonov-Phillips Regularization");
}

void TXLAWindow::CmModelHybridCSLsgs()
{
    if (!bModelHybridCSLsgs) {
        const unsigned char bMaxEntBefore = bRegMaxEnt;
        const unsigned char bCMFromCSBefore = bCMFromCS;
        bCMFromCS = 1;
        CmModelCSBimodalFf0OneDiscrete();
        checkModelMenuItem(this, 870, false);
        bModelCSBimodalFf0OneDiscrete = 0;
        nFitBimodalSMin = 0;
        pParamFloat[6] = 0;
        bCMFromCS = bCMFromCSBefore;
        const bool bNote = bMaxEntBefore && bRegMaxEnt && (autoLoadMode() || bSilentModelSwitch);
        switchToSecondDerivative(this, bNote);
        setGridResolution(101.0f);
        nFitDiscreteCompMorD = nFitDiscreteCompS = 0;
        pSpeciesConcFloat[2] = pSpeciesSFloat[2] = 0;
        pParamFloat[10] = pParamFloat[6] = 0;
        bHybridWithDiscrete = 0;
    }
    bModelHybridCSLsgs = 1;
    checkModelMenuItem(this, 950, true);
    pParamValue[10] = fDiscreteCompM;
    pParamValue[6] = fDiscreteCompS;
}

// ---------------------------------------------------------------- zone centrifugation

void TXLAWindow::CmModelZoneCS()
{
    if (refuseForDlsData(this)) return;
    if (bModelZoneCS && bModelContinuous && bModelCS) return;
    ResetModelSelection();
    bModelCS = bModelZoneCS = bModelZone = 1;
    setUpContinuousModel(this);
    bModelCS = bModelZoneCS = bModelZone = 1;
    checkModelMenuItem(this, 235, false);
    checkModelMenuItem(this, 275, false);
    checkModelMenuItem(this, 511, true);
    variantRange(2.0f, 20.0f);
    pParamValue[23] = fZoneLamellaWidth;
    bFitLamellaWidth = 1;
    pParamFloat[23] = 1;
    bConstantInitialDistribution = 1;
    bExperimentalInitialDistribution = 0;
    secondDerivativeUnlessShown(this, !bSilentModelSwitch);
    setConfidenceLevels(0.99f);
    bAutoFEAlgorithm = 0;
    bClaverie = 0;
    bMovingHat = 1;
    resizeRadialGrid(nGridPoints);
}

void TXLAWindow::CmModelZoneLsgs()
{
    if (refuseForDlsData(this)) return;
    bModelInteracting = 0;
    if (bModelZoneLsgs) return;
    leaveDistributionResults();
    ResetModelSelection();
    CmModelLsgs();
    checkModelMenuItem(this, 288, false);
    checkModelMenuItem(this, 510, true);
    bModelZone = bModelZoneLsgs = 1;
    bModelDiscreteSpecies = 0;
    bAutoFEAlgorithm = bMovingHat = bClaverie = 0;
    syncParameterVector();
    zeroLoadingSlots();
    setConfidenceLevels(0.95f);
    setGridResolution(100.0f);
    setGridRange(1.0f, 20.0f);
    pParamValue[23] = fZoneLamellaWidth;
    bFitLamellaWidth = 1;
    pParamFloat[23] = 1;
    fFrictionalRatio = 1.0f;
    reallocRadialGridArrays();
}

// ---------------------------------------------------------------- light-scattering distributions

void TXLAWindow::CmModelDlsRh() { selectDlsDistribution(this, 503, bModelDlsRh, 1.0f, 50.0f); }

void TXLAWindow::CmModelDlsD() { selectDlsDistribution(this, 502, bModelDlsD, 0.1f, 10.0f); }

void TXLAWindow::CmModelDlsRhTime()
{
    selectDlsDistribution(this, 522, bModelDlsRhTime, 1.0f, 50.0f);
    if (bModelDlsRhTime) pParamValue[11] = fTimeCourseWindow;
}

// ---------------------------------------------------------------- boundary analyses

void TXLAWindow::CmExtrapolateAreaFractions()
{
    if (refuseForDlsData(this) || bExtrapolateAreaFractions) return;
    MessageBox(HWindow,
               "Please Note: This model has not been fully examined for the properties and stability. In my hands it "
               "appeared somewhat sensitive to starting conditions and seemed sometimes unstable.  Best results were "
               "obtained by manual jitter alignment and switching off RI noise, using data with both solvent and "
               "solution plateau.  Please see the helpfile for details. In general, I found the c(s) method to give "
               "generally better results. \nP.S.",
               "ATTENTION", MB_OK | MB_ICONSTOP);
    ResetModelSelection();
    bBoundaryAnalysisMode = bExtrapolateAreaFractions = bModelContinuous = 1;
    float* v = pParamValue;
    v[1] = 1.0f;
    v[5] = 10.0f;
    v[9] = 50.0f;
    v[11] = static_cast<float>(nBoundaryFractions);
    v[2] = 0.68f;
    v[3] = static_cast<float>(nScansPerLsgSet);
    fConfidenceLevel = 0.9f;
    checkModelMenuItem(this, 293, true);
    bShowExtrapolationPlot = 0;
    bRegBothShown = 0;
    if (MessageBox(HWindow,
                   "show plot with extrapolation of s(app) vs 1/srqt(time)? \n(switch off by pressing the ESCAPE key)",
                   "", MB_YESNO) == IDYES)
        bShowExtrapolationPlot = 1;
}

void TXLAWindow::CmVanHoldeWeischet()
{
    const char* szTitle = "Van Holde Weischet Analysis";
    if (refuseForDlsData(this)) return;
    auto askDirection = [&] {
        bVhwFlotation = 0;
        if (MessageBox(HWindow, "van Holde-Weischet for sedimentation? ('no' for flotation)", szTitle, MB_YESNO) !=
            IDYES)
            bVhwFlotation = 1;
    };
    auto askResolution = [&] {
        float fValue = fSGridResolution;
        if (!inputFloat(&fValue, fSGridResolution, true, "enter resolution", szTitle)) return false;
        fSGridResolution = fValue;
        return true;
    };
    if (bBoundaryAnalysisMode && !bExtrapolateAreaFractions) {
        askDirection();
        if (askResolution()) clearExtrapolationResults();
        return;
    }
    ResetModelSelection();
    askDirection();
    bBoundaryAnalysisMode = 1;
    bFitTINoise = 0;
    bFitRINoise = 0;
    if (!askResolution()) return;
    checkModelMenuItem(this, 292, true);
    if (bInterferenceData)
        MessageBox(HWindow,
                   "this function is only for absorbance data, \nrecommending extrapolation of s(app) vs 1/srqt(time) "
                   "for interference data",
                   szTitle, MB_OK);
    bShowExtrapolationPlot =
        MessageBox(HWindow,
                   "show plot with extrapolation of s(app) vs 1/srqt(time)? \n(switch off by pressing the ESCAPE key)",
                   "", MB_YESNO) == IDYES
            ? 1
            : 0;
}
