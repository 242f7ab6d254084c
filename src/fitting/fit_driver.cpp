// The discrete-model fit: the packed fit vector and its write-back, the start
// simplex, the objective SimplexSim and the restarted simplex of RunFit.
//
// The restarted search relies on restarts rather than on a tight simplex: each
// amoeba run ends at a relative spread of 5e-4 of the rmsd, the simplex is then
// built anew around its best vertex, and the search ends when one whole run
// changed the rmsd and every parameter by at most fTolerance (relative). A
// parameter's change is divided by its previous value itself, so a negative
// previous value always passes (tests/fitting/test_fit_driver.cpp records
// where a fit of a negative baseline ends).
#include "fitting/fit_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fitting/fit_globals.h"
#include "fitting/parameter_text.h"
#include "fitting/simplex.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "numerics/random.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "plot/overlays.h"
#include "app/scan_colors.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"
#include "scandata/wiener_settings.h"
#include "tools/fluorescence/fluorescence_options.h"

namespace {

// ---------------------------------------------------------------- the extra parameters

enum Extra {
    XVbar = 1,
    XCone,
    XWSkew,
    XKBleach,
    XAlim,
    XDrift,
    XConvolution,
    XRadialMag,
    XDetectionPower,
    XJOs,
    XJOD,
    XJOAmp,
    XJOKs,
    XBufferSignal,
    XBufferD,
    XBufferS,
    XMeniscusDiff,
    XRelConc,
    XRefD,
    XRefS
};
constexpr int nExtras = 20;

bool extraOn(int e)
{
    switch (e) {
    case XVbar: return bFitVbarInGradient && bInhomogeneousSolvent;
    case XCone: return bFloExcitationCone && bFloExcitationConeFloat;
    case XWSkew: return bWienerSkewing && bWSkewFloating;
    case XKBleach: return bFloMagnificationDrift && bFloBleaching && bFloKBleachFloat;
    case XAlim: return bFloMagnificationDrift && bFloBleaching && bFloAlimFloat;
    case XDrift: return bFloMagnificationDrift && bFloDrift && bFloDriftFloat;
    case XConvolution: return bFloConvolution && bFloConvolutionFloat;
    case XRadialMag: return bFloRadialMagnification && bFloRadialMagFactorFloat;
    case XDetectionPower: return bNonlinearDetection && bFitDetectionPower;
    case XJOs: return bJohnstonOgston && bFitJOSValue;
    case XJOD: return bJohnstonOgston && bFitJODValue;
    case XJOAmp: return bJohnstonOgston && bFitJOAmplitude;
    case XJOKs: return bJohnstonOgston && bFitJOKs;
    case XBufferSignal: return bBufferMismatch && bFitBufferSignal && !bAlgebraicConcentrations;
    case XBufferD: return bBufferMismatch && bFitBufferD;
    case XBufferS: return bBufferMismatch && bFitBufferS;
    case XMeniscusDiff: return bBufferMismatch && bBufferMeniscusMismatch && bFitBufferMeniscusDiff;
    case XRelConc: return bBufferMismatch && bBufferMeniscusMismatch && bFitBufferRelConc;
    case XRefD: return bBufferMismatch && bBufferRefDifferent && bFitBufferRefD;
    case XRefS: return bBufferMismatch && bBufferRefDifferent && bFitBufferRefS;
    default: return false;
    }
}

// The model value of an extra, as a float.
float extraValue(int e)
{
    switch (e) {
    case XVbar: return bSedimentingCosolute ? fGradientVbar : VBAR;
    case XCone: return fFloExcitationCone;
    case XWSkew: return fWSkew;
    case XKBleach: return fFloKBleach;
    case XAlim: return fFloAlim;
    case XDrift: return fFloDrift;
    case XConvolution: return fFloConvolution;
    case XRadialMag: return fFloRadialMagFactor;
    case XDetectionPower: return fFloNonlinCoeff;
    case XJOs: return fJOs;
    case XJOD: return fJOD;
    case XJOAmp: return fJOAmp;
    case XJOKs: return fJOKs;
    case XBufferSignal: return static_cast<float>(dBufferSignal);
    case XBufferD: return static_cast<float>(bUseMolarMass ? dBufferMb : dBufferD);
    case XBufferS: return static_cast<float>(dBufferS);
    case XMeniscusDiff: return static_cast<float>(dBufferMeniscusDiff);
    case XRelConc: return static_cast<float>(dBufferRelConc);
    case XRefD: return static_cast<float>(bUseMolarMass ? dBufferRefMb : dBufferRefD);
    case XRefS: return static_cast<float>(dBufferRefS);
    default: return 0.0f;
    }
}

// How a slot is written back: by the objective, as the best vertex after a
// simplex run, or by unpackFitParameters.
enum class EStore { Objective, BestVertex, Unpack };

void storeExtra(int e, float* pSlot, EStore how)
{
    float v = *pSlot;
    switch (e) {
    case XVbar:
        if (how == EStore::Unpack && v < 0) v = 0;
        if (bSedimentingCosolute) {
            fGradientVbar = v;
        } else {
            VBAR = v;
            if (how != EStore::BestVertex) fVbarRho = VBAR * kWaterDensity20F;
        }
        break;
    case XCone:
        if (how == EStore::Unpack) v = std::clamp(v, 0.01f, 1.0f);
        fFloExcitationCone = v;
        break;
    case XWSkew:
    case XKBleach:
    case XAlim:
        // in the model and in the slot
        if (v < 0) *pSlot = v = 0;
        (e == XWSkew ? fWSkew : e == XKBleach ? fFloKBleach : fFloAlim) = v;
        break;
    case XDrift: fFloDrift = v; break;
    case XConvolution:
        if (how == EStore::Objective) v = std::clamp(v, 0.001f, 1.0f);
        if (how == EStore::Unpack) {
            if (v < 0) v = 0.01f;
            if (v > 1) v = 1;
        }
        fFloConvolution = v;
        break;
    case XRadialMag:
        if (how == EStore::Unpack) v = std::clamp(v, 0.5f, 2.0f);
        fFloRadialMagFactor = v;
        break;
    case XDetectionPower: fFloNonlinCoeff = v; break;
    case XJOs: fJOs = v; break;
    case XJOD: fJOD = v; break;
    case XJOAmp: fJOAmp = v; break;
    case XJOKs: fJOKs = v; break;
    case XBufferSignal:
        if (how == EStore::Unpack && v < 0) v = 0;
        dBufferSignal = v;
        break;
    case XBufferD:
        v = std::fabs(v);
        if (bUseMolarMass) {
            if (how == EStore::Unpack && v < 10) v = 10;
            dBufferMb = v;
        } else {
            if (how == EStore::Unpack) v = v <= 0.01f ? 0.01f : std::min(v, 1000.0f);
            dBufferD = v;
        }
        break;
    case XBufferS: dBufferS = v; break;
    case XMeniscusDiff: dBufferMeniscusDiff = v; break;
    case XRelConc: dBufferRelConc = v; break;
    case XRefD:
        v = std::fabs(v);
        (bUseMolarMass ? dBufferRefMb : dBufferRefD) = v;
        break;
    case XRefS: dBufferRefS = v; break;
    default: break;
    }
}

// The packing bounds, applied to the model value and the slot.
float packedExtra(int e)
{
    switch (e) {
    case XVbar:
        if (extraValue(XVbar) < 0) (bSedimentingCosolute ? fGradientVbar : VBAR) = 0.01f;
        break;
    case XBufferD:
        if (!bUseMolarMass && dBufferD < 0.01) dBufferD = 0.01;
        break;
    case XRelConc:
        if (dBufferRelConc < 1e-4) dBufferRelConc = 1e-4;
        break;
    case XRefD:
        if (!bUseMolarMass && dBufferRefD < 0) dBufferRefD = 0.01;
        break;
    default: break;
    }
    return extraValue(e);
}

int countExtras()
{
    int n = 0;
    for (int e = 1; e <= nExtras; ++e)
        if (extraOn(e)) ++n;
    return n;
}

// ---------------------------------------------------------------- model families

bool selfAssociation() { return bModelMonomerDimer || bModelMonomerTrimer || bModelSelfAssoc124 || bModelSelfAssoc148; }
bool nonidealModel() { return bModelNonidealSingle || bModelNonidealMultiple; }

// Entry k of the vector as the objective writes it: the bounds of the entry,
// the copy into its model value; pParamValue[k] holds the result. Entries 1-4
// of models outside the discrete, self-association and non-ideal families
// take nothing from the vector.
void storeEntry(int k, float v)
{
    float* pv = pParamValue;
    if (k <= 4) {
        if (bModelDiscreteSpecies) {
            if (v < 0 && !bEquilibriumDataMode) v = 0;
        } else if (selfAssociation()) {
            if (v < 0 && k != 3) v = 0;
        } else if (!nonidealModel()) {
            return;
        }
        pv[k] = v;
        return;
    }
    if (k <= 8) {
        pv[k] = v;
        return;
    }
    if (k <= 12) {
        if (v < 0 && !nonidealModel()) v = 0;
        pv[k] = v;
        return;
    }
    switch (k) {
    case 13:
        v = std::min(std::max(v, fMinMeniscus), fMaxMeniscus);
        pv[13] = fMeniscus = v;
        if (bElectrophoresis) fBottom = fMeniscus + fElectrophoresisLength;
        return;
    case 14:
        v = std::min(std::max(v, fMinBottom), fMaxBottom);
        pv[14] = v;
        if (bElectrophoresis) {
            fElectrophoresisLength = v;
            fBottom = fMeniscus + fElectrophoresisLength;
        } else {
            fBottom = v;
        }
        return;
    case 15: pv[15] = fBaseline = v; return;
    case 20: pv[20] = fNonidealKs = v; return;
    case 21: pv[21] = fNonidealKd = v; return;
    case 22: pv[22] = fModelConst22 = v; return;
    case 24: pv[24] = fStartTime = v; return;
    case 28: pv[28] = fNonidealS2 = v; return;
    case 32: pv[32] = fNonidealS3 = v; return;
    case 26:
    case 30:
    case 34:
        v = std::clamp(v, 0.0f, 1.0f);
        pv[k] = v;
        (k == 26 ? fOverlayFrac1 : k == 30 ? fOverlayFrac2 : fOverlayFrac3) = v;
        return;
    default: break;
    }
    // 16-19, 23, 25, 27, 29, 31, 33
    if (v < 0) v = 0;
    pv[k] = v;
    switch (k) {
    case 23: fZoneLamellaWidth = v; break;
    case 25: fSynthBoundaryPos = v; break;
    case 27: fNonidealConc2 = v; break;
    case 29: fNonidealD2 = v; break;
    case 31: fNonidealConc3 = v; break;
    case 33: fNonidealD3 = v; break;
    default: break;
    }
}

// The oligomers of the 1-2-4 and 1-4-8 models follow the monomer.
void deriveOligomerEntries()
{
    if (bModelSelfAssoc124) {
        pParamValue[2] = 2 * pParamValue[1];
        pParamValue[12] = 4 * pParamValue[1];
    } else if (bModelSelfAssoc148) {
        pParamValue[2] = 4 * pParamValue[1];
        pParamValue[12] = 8 * pParamValue[1];
    }
}

// The objective's write-back of a whole vector.
void writeVectorToModel(float* pVector)
{
    if (!pParamValue || !pParamFloat) return;
    int j = 0;
    for (int e = 1; e <= nExtras; ++e)
        if (extraOn(e)) storeExtra(e, &pVector[++j], EStore::Objective);
    for (int k = 1; k <= nParams; ++k)
        if (pParamFloat[k]) storeEntry(k, pVector[++j]);
    deriveOligomerEntries();
}

// The slot of a floated entry k: the switched-on extras, then the floated
// entries among 1..k.
int slotOfEntry(int nExtrasOn, int k)
{
    int j = nExtrasOn;
    for (int i = 1; i <= k; ++i)
        if (pParamFloat[i]) ++j;
    return j;
}

// ---------------------------------------------------------------- the restart test

// Every parameter the restart test compares: all extras (when any is on) and
// the 34 entries of the vector.
struct FitPoint {
    std::vector<float> extras;  // 1..nExtras (index 0 unused), or empty
    float entries[nParams + 1] = {};
};

FitPoint currentPoint(bool bWithExtras)
{
    FitPoint pt;
    if (bWithExtras) {
        pt.extras.assign(nExtras + 1, 0.0f);
        for (int e = 1; e <= nExtras; ++e) pt.extras[e] = extraValue(e);
    }
    for (int k = 1; k <= nParams; ++k) pt.entries[k] = pParamValue[k];
    return pt;
}

// A previous value of 0 passes when the new value is at most the limit;
// otherwise the change divided by the previous value (signed) must be at
// most the tolerance.
bool parameterSettled(float fPrevious, float fNew, float fZeroLimit)
{
    if (fPrevious == 0.0f) return fNew <= fZeroLimit;
    return std::fabs(fNew - fPrevious) / fPrevious <= fTolerance;
}

bool pointSettled(const FitPoint& prev, const FitPoint& now)
{
    for (size_t e = 1; e < prev.extras.size(); ++e) {
        float fZeroLimit = fTolerance;
        if (e == XWSkew) fZeroLimit = 1e-5f;
        if (e == XBufferS || e == XMeniscusDiff) fZeroLimit = 0.1f * fTolerance;
        if (!parameterSettled(prev.extras[e], now.extras[e], fZeroLimit)) return false;
    }
    for (int k = 1; k <= nParams; ++k)
        if (!parameterSettled(prev.entries[k], now.entries[k], fTolerance)) return false;
    return true;
}

// The lowest value; the first of equal values.
int bestVertex(const float* y, int n)
{
    int b = 1;
    for (int i = 2; i <= n + 1; ++i)
        if (y[i] < y[b]) b = i;
    return b;
}

// ---------------------------------------------------------------- progress

void progressText(TXLAWindow* pWindow, int y, const char* sz)
{
    if (bWindowPainted) writeToolText(pWindow, 10, y, sz);
}

void showObjectiveProgress(TXLAWindow* pWindow)
{
    if (!bWindowPainted) return;
    char sz[200];
    formatFitProgress(sz, sizeof sz);
    progressText(pWindow, 30, sz);
    if (bMarquardLevenbergMin) {
        std::snprintf(sz, sizeof sz, "testrmsd=%f (n=%.0f,lambda=%.1e          )%s", dMLTestRmsd, dMLTestPoints,
                      dMLLambda, bProgressTick ? " " : "");
        progressText(pWindow, 50, sz);
    }
}

void rebuildRadialGrid()
{
    setupRadialGrid();
    fRememberedMeniscus = fMeniscus;
    fRememberedBottom = fBottom;
}

}  // namespace

// ---------------------------------------------------------------- packing

int packFitParameters(int n, float* pVector)
{
    if (!pParamValue || !pParamFloat) return 0;
    int j = 0;
    for (int e = 1; e <= nExtras; ++e) {
        if (!extraOn(e)) continue;
        ++j;
        if (pVector && j <= n) pVector[j] = packedExtra(e);
    }
    for (int k = 1; k <= nParams; ++k) {
        if (!pParamFloat[k]) continue;
        ++j;
        if (pVector && j <= n) pVector[j] = pParamValue[k];
    }
    return j;
}

void unpackFitParameters(float* pVector)
{
    if (!pParamValue || !pParamFloat) return;
    int j = 0;
    for (int e = 1; e <= nExtras; ++e)
        if (extraOn(e)) storeExtra(e, &pVector[++j], EStore::Unpack);
    for (int k = 1; k <= nParams; ++k)
        if (pParamFloat[k]) pParamValue[k] = pVector[++j];
    deriveOligomerEntries();
}

void packedSlotExtras(int n, int* pExtra)
{
    int j = 0;
    for (int e = 1; e <= nExtras; ++e)
        if (extraOn(e) && ++j <= n) pExtra[j] = e;
    for (++j; j <= n; ++j) pExtra[j] = 0;
}

void storeBestFitVertex(const float* pVector)
{
    if (!pParamValue || !pParamFloat) return;
    int j = 0;
    for (int e = 1; e <= nExtras; ++e) {
        if (!extraOn(e)) continue;
        float v = pVector[++j];
        storeExtra(e, &v, EStore::BestVertex);
    }
    for (int k = 1; k <= nParams; ++k)
        if (pParamFloat[k]) pParamValue[k] = pVector[++j];
}

void showFitBestVertex(TXLAWindow* pWindow, float* pVertex, int, float fValue)
{
    storeBestFitVertex(pVertex);
    fRmsd = fValue;
    ShowModelParametersUnlessSuppressed(pWindow);
    if (bSaveBestParams) TmpSaveBestParams(pWindow, 1);
}

// ---------------------------------------------------------------- the start simplex

float stepInwardFromBound(float fCentre, float fVertex, float fLow, float fHigh)
{
    if (!(fLow < fHigh)) return fVertex;
    if (fCentre <= fLow && fVertex <= fLow) return 2.0f * fLow - fVertex;
    if (fCentre >= fHigh && fVertex >= fHigh) return 2.0f * fHigh - fVertex;
    return fVertex;
}

void initSimplexVertices(int n, float** p)
{
    const float r = fSimplexRandomization;
    for (int j = 1; j <= n; ++j)
        for (int i = 2; i <= n + 1; ++i)
            p[i][j] = p[1][j] + static_cast<float>(gaussianRandom(r * p[1][j]));
    auto g = [](float sigma) { return static_cast<float>(gaussianRandom(sigma)); };
    const int nExtrasOn = countExtras();
    const bool bSA = selfAssociation();
    const bool bStepped = bModelSelfAssoc124 || bModelSelfAssoc148;
    for (int k = 1; k <= nParams; ++k) {
        if (!pParamFloat[k]) continue;
        const int j = slotOfEntry(nExtrasOn, k);
        if (j > n) continue;
        for (int i = 2; i <= n + 1; ++i) {
            const float p1 = p[1][j];
            float& v = p[i][j];
            if ((k == 3 || k == 7) && bStepped) {
                v = p1 + g(r * p1) + g(0.3f * r);
            } else if (k <= 4) {
                if (bSA ? k <= 2 : !bEquilibriumDataMode) v = std::max(v, 0.0f);
            } else if (k >= 9 && k <= 12) {
                if (nonidealModel())
                    v = p1 + g(r * p1) + g(0.3f * r);
                else
                    v = std::max(v, 0.0f);
            } else if (k == 13) {
                v = stepInwardFromBound(p1, p1 + g((fMaxMeniscus - fMinMeniscus) / 3), fMinMeniscus, fMaxMeniscus);
                v = std::min(std::max(v, fMinMeniscus), fMaxMeniscus);
            } else if (k == 14) {
                v = stepInwardFromBound(p1, p1 + g((fMaxBottom - fMinBottom) / 3), fMinBottom, fMaxBottom);
                v = std::min(std::max(v, fMinBottom), fMaxBottom);
            } else if (k == 15 || k == 22) {
                v = p1 + g(r * p1) + g(0.3f * r);
            } else if (k >= 16 && k <= 19) {
                v = std::max(v, 0.0f);
            } else if (k == 23 || k == 25 || k == 27 || k == 29 || k == 31 || k == 33) {
                v = std::max(p1 + g(r * p1), 0.0f);
            } else if (k == 24) {
                v = p1 + g(p1) + g(100.0f);
            } else if (k == 26 || k == 30 || k == 34) {
                v = std::clamp(p1 + g(r * p1), 0.0f, 1.0f);
            }
        }
    }
}

// ---------------------------------------------------------------- the objective

float SimplexSim(float* pVector, TXLAWindow* pWindow)
{
    if (pWindow) pWindow->DebugLog("\nEnter SimplexSim");
    if (bStopFit) return 1e10f;
    if (fRememberedMeniscus == 0.0f || fRememberedBottom == 0.0f) rebuildRadialGrid();
    writeVectorToModel(pVector);
    // the grid follows meniscus and bottom (also back to an earlier pair)
    if (fMeniscus != fRememberedMeniscus || fBottom != fRememberedBottom) rebuildRadialGrid();
    ++nStepSimCount;
    ++nSimCount;
    bProgressTick = bProgressTick ? 0 : 1;
    showObjectiveProgress(pWindow);
    bNonidealityOutOfRange = 0;
    if (pWindow) pWindow->CalcModel();
    if (keyPressed()) bInterruptComputation = 1;
    if (bInterruptComputation) {
        bInterruptComputation = 0;
        bStopFit = 1;
    }
    // An evaluation that computed no model (it refused the parameters or its
    // solver failed, and has said why) has no rmsd; it ends a running fit, as
    // a further trial would only say it again. A trial whose non-ideality is
    // out of range (the pile-up reached the pole of the law) is a region the
    // fit must leave: its 1e10 turns the fit away, and the fit goes on.
    if (pWindow && !bModelComputed) {
        if (bFitRunning && !bNonidealityOutOfRange) bStopFit = 1;
        pWindow->DebugLog(" --> SimplexSim DONE (no model)");
        return 1e10f;
    }
    const float fResult = calcRmsd();
    if (pWindow) pWindow->DebugLog(" --> SimplexSim DONE");
    return fResult;
}

// ---------------------------------------------------------------- the restarted simplex

unsigned char TXLAWindow::RunFit()
{
    // the optimiser: annealing while it has a temperature, Marquardt-Levenberg
    // (also as the polish after annealing), else the simplex
    if (bSimulatedAnnealing && fSATemperature > 0) return SimplexFit(this);
    if (bMarquardLevenbergMin || (bSimulatedAnnealing && bSAFinalML && fSATemperature == 0)) return MLOptimize(this);

    nFitSteps = 0;
    bFitRunning = 1;
    bDiscretizationWarned = 0;
    bNonidealityWarned = 0;
    const unsigned char bRepaintSaved = bRepaintAfterCalc;
    bRepaintAfterCalc = 0;
    if (!HWindow || !checkFitLimits(this)) {
        bFitRunning = 0;
        bRepaintAfterCalc = bRepaintSaved;
        return 0;
    }
    InvalidateUnlessBatch();
    const float ftol = 0.0005f;
    bStopFit = 0;
    nStepSimCount = 0;
    nSimCount = 0;
    int nEvaluations = 0;
    ShowModelParameters();
    fBestRmsd = fShownBestRmsd = fRmsd;

    const int n = packFitParameters(0, nullptr);
    if (n == 0) {
        bFitRunning = 0;
        bRepaintAfterCalc = bRepaintSaved;
        return 1;
    }
    float** p = matrix(1, n + 1, 1, n);
    float* y = vector(1, n + 1);
    // the same start simplices, fit after fit: a fit is reproducible
    seedRandomNumbers(1);
    packFitParameters(n, p[1]);
    initSimplexVertices(n, p);
    const bool bStartEvaluated = evaluateStartSimplex(this, p, y, n, SimplexSim);
    // An rmsd of 0 is an exact fit (data made from these very values), which
    // no search improves on: the fit ends with it.
    if (y[bestVertex(y, n)] != 0.0f) amoeba(this, p, y, n, ftol, SimplexSim, &nEvaluations, showFitBestVertex);
    int b = bStartEvaluated ? bestVertex(y, n) : 1;
    storeBestFitVertex(p[b]);
    const bool bWithExtras = countExtras() > 0;
    FitPoint previous = currentPoint(bWithExtras);
    float fPreviousRmsd = y[b];

    while (!bStopFit && fPreviousRmsd != 0.0f) {
        initSimplexVertices(n, p);
        for (int i = 1; i <= n + 1; ++i) y[i] = SimplexSim(p[i], this);
        amoeba(this, p, y, n, ftol, SimplexSim, &nEvaluations, showFitBestVertex);
        b = bestVertex(y, n);
        storeBestFitVertex(p[b]);
        const FitPoint now = currentPoint(bWithExtras);
        const bool bConverged = rmsdChangeSettled(fPreviousRmsd, y[b], fTolerance) && pointSettled(previous, now);
        previous = now;
        fPreviousRmsd = y[b];
        if (bConverged) break;
    }

    bFitRunning = 0;
    if (bStopFit) {
        bRealtimeError = 1;
        bFitStoppedByUser = 1;
        bStopFit = 0;
    }
    // the model, the fits and the rmsd of the result
    SimplexSim(p[b], this);
    free_matrix(p, 1, n + 1, 1, n);
    free_vector(y, 1, n + 1);
    bRepaintAfterCalc = bRepaintSaved;
    if (bSaveBestParams) TmpSaveBestParams(this, 0);
    InvalidateUnlessBatch();
    playFitMetafiles(this);
    return 1;
}

// ---------------------------------------------------------------- the fit pictures

void playFitMetafiles(TXLAWindow* pWindow)
{
    if (!pWindow) return;
    pWindow->ShowModelParameters();
    if (!pWindow->HWindow || !pDataPlot || nScans < 1) return;
    win::HDC dc = pWindow->GetDC();
    if (!dc) return;
    win::RECT rc = pWindow->GetClientRect();
    win::SetMapMode(dc, win::MM_ANISOTROPIC);
    win::SetWindowExtEx(dc, static_cast<int>(std::floor(fPlotXScale * fThousand)), static_cast<int>(fThousand),
                        nullptr);
    win::SetViewportExtEx(dc, rc.right - rc.left, rc.bottom - rc.top, nullptr);
    for (int pos = 1; pos <= nScans; ++pos) {
        const int k = pScanTimeOrder[pos];
        if (!ppRadius[k] || !ppFit[k]) continue;
        win::HMETAFILE h = overlayFloatArraysRange(pDataPlot, ppRadius[k], ppFit[k], pScanPoints[k],
                                                   pFitFirstIndex[k], pFitLastIndex[k], scanColor(k), -1, 0);
        if (h) {
            win::PlayMetaFile(dc, h);
            win::DeleteMetaFile(h);
        }
    }
    if (bShowResiduals) {
        updateResidualsPlot(0);
        if (win::HMETAFILE h = residualsPlotMetafile()) win::PlayMetaFile(dc, h);
        if (bShowResidualsHistogram) {
            updateResidualsBitmapPlot(0);
            if (win::HMETAFILE h = bitmapPlotMetafile()) win::PlayMetaFile(dc, h);
        }
    }
    win::SetMapMode(dc, win::MM_TEXT);
    pWindow->ReleaseDC(dc);
}
