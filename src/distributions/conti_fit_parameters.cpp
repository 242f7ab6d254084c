// The packed vector of a continuous-distribution fit: which parameters float
// and in which order, their bounds when the vector is filled and written
// back, their finite-difference steps, and the text lines that show them
// during a fit.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_finish.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/neq_builders.h"
#include "distributions/normal_equations.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fitting/fit_globals.h"
#include "fitting/parameter_text.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "plot/cwinplot.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"

int nContiPosMeniscus = 0;
int nContiPosBottom = 0;
int nContiPosLamella = 0;
int nContiPosNonidealKs = 0;
int nContiPosNonidealKd = 0;
int nContiPosFrictionalRatio = 0;
float fGridMeniscusRef = 0.0f;
float fGridBottomRef = 0.0f;

namespace {

// The entries in packing order.
enum Entry {
    EVbarGradient = 1,
    ECone,
    EKBleach,
    EAlim,
    EDrift,
    EConvolution,
    ERadialMag,
    EDetectionPower,
    EJOs,
    EJOD,
    EJOAmp,
    EBufferSignal,
    EBufferD,
    EBufferS,
    EMeniscusDiff,
    ERelConc,
    ERefD,
    ERefS,
    EFrictionalRatio,
    EBimodalFf0,
    EFloatingVbar,
    EScalingKs,
    EScalingBs,
    EPersistenceLength,
    EInvariantD,
    ENonidealKs,
    ENonidealKd,
    EDiscreteS,
    EDiscreteMorD,
    EMeniscus,
    EBottom,
    ELamella,
    ECVConstantD
};
constexpr int nEntries = 33;

bool scalingLawModel() { return bModelCSScalingLaw || bModelFMScalingLaw; }
bool oneDiscreteFf0Model() { return bModelCSFf0OneDiscrete || bModelCSBimodalFf0OneDiscrete; }
bool discreteComponentModel()
{
    return bModelCSBimodalFf0OneDiscrete || bModelCSFf0OneDiscrete || bModelCSOneDiscreteD || bModelCSOneDiscreteM ||
           bModelCSWithMsTable || bModelNonidealCS || bModelLsgsOneDiscrete || (bModelHybridCSLsgs && bHybridWithDiscrete);
}

bool floats(int e)
{
    switch (e) {
    case EVbarGradient: return bFitVbarInGradient && bInhomogeneousSolvent;
    case ECone: return bFloExcitationCone && bFloExcitationConeFloat;
    case EKBleach: return bFloMagnificationDrift && bFloBleaching && bFloKBleachFloat;
    case EAlim: return bFloMagnificationDrift && bFloBleaching && bFloAlimFloat;
    case EDrift: return bFloMagnificationDrift && bFloDrift && bFloDriftFloat;
    case EConvolution: return bFloConvolution && bFloConvolutionFloat;
    case ERadialMag: return bFloRadialMagnification && bFloRadialMagFactorFloat;
    case EDetectionPower: return bNonlinearDetection && bFitDetectionPower;
    case EJOs: return bJohnstonOgston && bFitJOSValue;
    case EJOD: return bJohnstonOgston && bFitJODValue;
    case EJOAmp: return bJohnstonOgston && bFitJOAmplitude;
    case EBufferSignal: return bBufferMismatch && bFitBufferSignal && !bAlgebraicConcentrations;
    case EBufferD: return bBufferMismatch && bFitBufferD;
    case EBufferS: return bBufferMismatch && bFitBufferS;
    case EMeniscusDiff: return bBufferMismatch && bBufferMeniscusMismatch && bFitBufferMeniscusDiff;
    case ERelConc: return bBufferMismatch && bBufferMeniscusMismatch && bFitBufferRelConc;
    case ERefD: return bBufferMismatch && bBufferRefDifferent && bFitBufferRefD;
    case ERefS: return bBufferMismatch && bBufferRefDifferent && bFitBufferRefS;
    case EFrictionalRatio: return !bModelCSFf0 && !bModelCSFf0OneDiscrete && nFitFrictionalRatio == 1;
    // the second f/f0 of the bimodal models is entry 10 of the parameter vector
    case EBimodalFf0: return pParamFloat[10] == 1 && (bModelCSBimodalFf0 || bModelCSBimodalFf0OneDiscrete);
    case EFloatingVbar: return nFitVbar == 1 && bModelCSFixFf0FloatingVbar;
    case EScalingKs: return nFitScalingKs == 1 && scalingLawModel();
    // bs is entry 18, whose flag the scaling-law views keep at 0
    case EScalingBs: return pParamFloat[18] == 1 && scalingLawModel();
    case EPersistenceLength: return nFitWormPersistenceLength == 1 && bModelCSWormlikeChain;
    // only in its own model: a flag left from it would write a D into entry
    // 11 of the next model, its vbar or frictional ratio
    case EInvariantD: return nFitCSInvariantD == 1 && bModelCSInvariantD;
    case ENonidealKs: return bModelNonidealCS && nFitNonidealKs != 0;
    case ENonidealKd: return bModelNonidealCS && nFitNonidealKd != 0;
    case EDiscreteS: return discreteComponentModel() && nFitDiscreteCompS == 1;
    case EDiscreteMorD: return discreteComponentModel() && nFitDiscreteCompMorD == 1;
    case EMeniscus: return pParamFloat[13] != 0;
    case EBottom: return pParamFloat[14] != 0;
    case ELamella: return bModelZone && pParamFloat[23] != 0;
    case ECVConstantD: return bModelElectrophoresisCV && nFitCVConstantD == 1;
    default: return false;
    }
}

void recordPosition(int e, int j)
{
    switch (e) {
    case EFrictionalRatio: nContiPosFrictionalRatio = j; break;
    case ENonidealKs: nContiPosNonidealKs = j; break;
    case ENonidealKd: nContiPosNonidealKd = j; break;
    case EMeniscus: nContiPosMeniscus = j; break;
    case EBottom: nContiPosBottom = j; break;
    case ELamella: nContiPosLamella = j; break;
    default: break;
    }
}

// The model value with the packing bound applied to it.
float packValue(int e)
{
    switch (e) {
    case EVbarGradient: {
        float& v = bSedimentingCosolute ? fGradientVbar : VBAR;
        if (v < 0) v = 0.01f;
        return v;
    }
    case ECone: return fFloExcitationCone;
    case EKBleach: return fFloKBleach;
    case EAlim: return fFloAlim;
    case EDrift: return fFloDrift;
    case EConvolution: return fFloConvolution;
    case ERadialMag: return fFloRadialMagFactor;
    case EDetectionPower: return fFloNonlinCoeff;
    case EJOs: return fJOs;
    case EJOD: return fJOD;
    case EJOAmp: return fJOAmp;
    case EBufferSignal: return static_cast<float>(dBufferSignal);
    case EBufferD:
        if (bUseMolarMass) return static_cast<float>(dBufferMb);
        if (dBufferD < 0.01) dBufferD = 0.01;
        return static_cast<float>(dBufferD);
    case EBufferS: return static_cast<float>(dBufferS);
    case EMeniscusDiff: return static_cast<float>(dBufferMeniscusDiff);
    case ERelConc:
        if (dBufferRelConc <= 1e-4) dBufferRelConc = 1e-4;
        return static_cast<float>(dBufferRelConc);
    case ERefD:
        if (bUseMolarMass) return static_cast<float>(dBufferRefMb);
        if (dBufferRefD < 0) dBufferRefD = 0.01;
        return static_cast<float>(dBufferRefD);
    case ERefS: return static_cast<float>(dBufferRefS);
    case EFrictionalRatio:
        if (fFrictionalRatio < 0) fFrictionalRatio = 0.01f;
        return fFrictionalRatio;
    case EBimodalFf0:
        if (fBimodalFf0Second < 0) fBimodalFf0Second = 0.01f;
        return fBimodalFf0Second;
    case EFloatingVbar:
        if (VBAR < 0.1f) {
            VBAR = 0.1f;
            fVbarRho = VBAR * fBufferDensity;
        }
        return VBAR;
    case EScalingKs:
        if (fScalingKs < 1e-8f) fScalingKs = 1e-8f;
        return fScalingKs;
    case EScalingBs:
        if (fScalingBs < 0.001f) fScalingBs = 0.001f;
        return fScalingBs;
    case EPersistenceLength:
        if (fWormPersistenceLength < 0.1f) fWormPersistenceLength = 0.1f;
        return fWormPersistenceLength;
    case EInvariantD:
        if (fCSInvariantD < 0) fCSInvariantD = 0.001f;
        return fCSInvariantD;
    case ENonidealKs: return fNonidealKs;
    case ENonidealKd: return fNonidealKd;
    case EDiscreteS: return fDiscreteCompS;
    case EDiscreteMorD: {
        float& v = bModelCSOneDiscreteD ? fDiscreteCompD : fDiscreteCompM;
        if (v < 0) v = 0.01f;
        return v;
    }
    case EMeniscus: return pParamValue[13] = fMeniscus;
    case EBottom: return pParamValue[14] = fBottom;
    case ELamella: return pParamValue[23] = fZoneLamellaWidth;
    case ECVConstantD: return pParamValue[3] = fCVConstantD;
    default: return 0.0f;
    }
}

// D, Mb and their reference twins: the quantity chosen by bUseMolarMass
// takes the absolute value, then all three bounds apply.
void boundBufferComponent(double& D, double& Mb, double v)
{
    (bUseMolarMass ? Mb : D) = std::fabs(v);
    if (Mb < 10) Mb = 10;
    if (D > 1000) D = 1000;
    if (D < 0.01) D = 0.01;
}

void unpackValue(int e, float v)
{
    float* pv = pParamValue;
    switch (e) {
    case EVbarGradient:
        if (v < 0) v = 0;
        if (bSedimentingCosolute) {
            fGradientVbar = v;
        } else {
            VBAR = v;
            fVbarRho = VBAR * fWaterDensity20;
        }
        break;
    case ECone: fFloExcitationCone = std::clamp(v, 0.01f, 1.0f); break;
    case EKBleach: fFloKBleach = std::max(v, 0.0f); break;
    case EAlim: fFloAlim = std::max(v, 0.0f); break;
    case EDrift: fFloDrift = v; break;
    case EConvolution: fFloConvolution = v; break;
    case ERadialMag: fFloRadialMagFactor = std::clamp(v, 0.5f, 2.0f); break;
    case EDetectionPower: fFloNonlinCoeff = v; break;
    case EJOs: fJOs = v < 0 ? 0.01f : v; break;
    case EJOD: fJOD = v < 0 ? 0.01f : v; break;
    case EJOAmp: fJOAmp = std::max(v, 0.0f); break;
    case EBufferSignal: dBufferSignal = std::max(v, 0.0f); break;
    case EBufferD: boundBufferComponent(dBufferD, dBufferMb, v); break;
    case EBufferS: dBufferS = v; break;
    case EMeniscusDiff: dBufferMeniscusDiff = v; break;
    case ERelConc: dBufferRelConc = v < 1e-4f ? 1e-4 : v; break;
    case ERefD: boundBufferComponent(dBufferRefD, dBufferRefMb, v); break;
    case ERefS: dBufferRefS = v; break;
    case EFrictionalRatio: pv[11] = fFrictionalRatio = std::max(v, 0.0f); break;
    case EBimodalFf0: pv[10] = fBimodalFf0Second = std::max(v, 0.0f); break;
    case EFloatingVbar:
        pv[11] = VBAR = v <= 0.1f ? 0.1f : v;
        fVbarRho = VBAR * fBufferDensity;
        break;
    case EScalingKs: pv[11] = fScalingKs = v <= 1e-8f ? 1e-8f : v; break;
    case EScalingBs: pv[18] = fScalingBs = v <= 0.001f ? 0.001f : v; break;
    case EPersistenceLength: pv[11] = fWormPersistenceLength = v <= 0.1f ? 0.1f : v; break;
    case EInvariantD: pv[11] = fCSInvariantD = std::max(v, 0.0f); break;
    case ENonidealKs: pv[20] = fNonidealKs = v; break;
    case ENonidealKd: pv[21] = fNonidealKd = v; break;
    case EDiscreteS:
        fDiscreteCompS = v;
        if (oneDiscreteFf0Model())
            pv[17] = pSpeciesExtra[2] = v;
        else
            pv[6] = v;
        break;
    case EDiscreteMorD:
        if (v < 0) v = 0.001f;
        if (bModelCSOneDiscreteD) {
            pv[10] = fDiscreteCompD = v;
        } else {
            fDiscreteCompM = v;
            if (oneDiscreteFf0Model())
                pv[16] = pSpeciesExtra[1] = v;
            else
                pv[10] = v;
        }
        break;
    case EMeniscus:
        pv[13] = std::min(std::max(v, fMinMeniscus), fMaxMeniscus);
        fMeniscus = pv[13];
        break;
    case EBottom:
        pv[14] = std::min(std::max(v, fMinBottom), fMaxBottom);
        fBottom = pv[14];
        break;
    case ELamella:
        pv[23] = std::max(v, 0.0f);
        fZoneLamellaWidth = pv[23];
        break;
    case ECVConstantD:
        pv[3] = std::max(v, 0.0f);
        fCVConstantD = pv[3];
        break;
    default: break;
    }
}

void stepsOf(int e, double* pRel, double* pAbs)
{
    auto set = [&](double r, double a) {
        *pRel = r;
        *pAbs = a;
    };
    switch (e) {
    case EBufferSignal:
    case EBufferS:
    case ERefS: set(1.001, 1e-3); break;
    case EBufferD:
    case ERefD: bUseMolarMass ? set(1.01, 10.0) : set(1.01, 0.1); break;
    case EMeniscusDiff: set(1.0001, 1e-3); break;
    case ERelConc: set(1.01, 0.01); break;
    case EFrictionalRatio:
    case EBimodalFf0: set(1.001, 1e-3); break;
    case EFloatingVbar: set(1.0001, 1e-4); break;
    case EScalingKs: set(1.01, 1e-6); break;
    case EScalingBs: set(1.01, 1e-4); break;
    case EPersistenceLength:
    case EInvariantD: set(1.01, 0.01); break;
    case ENonidealKs:
        if (fNonidealKs <= -2.5f)
            set(1.005, 0.005);
        else if (fNonidealKs <= -1.5f)
            set(1.001, 5e-4);
        else
            set(1.0005, 5e-4);
        break;
    case ENonidealKd:
        if (fNonidealKd <= -2.5f)
            set(1.01, 0.01);
        else if (fNonidealKd <= -1.5f)
            set(1.003, 0.003);
        else
            set(1.001, 0.001);
        break;
    case EDiscreteS: set(1.001, 1e-3); break;
    case EDiscreteMorD: set(1.01, 0.01); break;
    case EMeniscus:
    case EBottom:
    case ELamella: set(1.0001, 1e-3); break;
    case ECVConstantD: set(1.01, 0.01); break;
    default: set(1.0001, 1e-4); break;  // the fluorescence and gradient extras
    }
}

// ---------------------------------------------------------------- the display

void modelLine(char* sz, size_t n)
{
    sz[0] = 0;
    if (bModelCSFf0 || bModelCSFf0OneDiscrete) {
        std::snprintf(sz, n, "ff0 min = %f, ff0 max = %f, nff0 = %f        ", fFf0Min, fFf0Max, fFf0Resolution);
        return;
    }
    if (bBoundaryAnalysisMode || bModelLsgs || bModelLsgsOneDiscrete) return;
    if (bModelCSInvariantD) {
        std::snprintf(sz, n, "D = %f        ", fCSInvariantD);
    } else if (bModelCMbInvariantD) {
        std::snprintf(sz, n, "D = %f        ", fFrictionalRatio);
    } else if (bModelCSBimodalFf0 || bModelCSBimodalFf0OneDiscrete) {
        std::snprintf(sz, n, "frict ratio = %f, except when s is within [%.2f,%.2f]: ff0 = %f", fFrictionalRatio,
                      fBimodalSMin, fBimodalSMax, fBimodalFf0Second);
    } else if (bModelNonidealCS && !bModelHinderedCS) {
        std::snprintf(sz, n, "frict ratio = %f, log10ks = %f, log10kd = %f        ", fFrictionalRatio, fNonidealKs,
                      fNonidealKd);
    } else if (bModelHinderedCS && !bHinderedBaxter) {
        std::snprintf(sz, n, "frict ratio = %f, volume correction factor = %f                ", fFrictionalRatio,
                      fNonidealKs);
    } else if (bModelHinderedCS) {
        std::snprintf(sz, n, "frict ratio = %f, volume correction factor = %f, Baxter temperature = %f        ",
                      fFrictionalRatio, fNonidealKs, fNonidealKd);
    } else if (bModelCSWormlikeChain) {
        std::snprintf(sz, n,
                      "persistence length = %.2f nm, dehydr. cross-section = %.2f nm^2, Monomer Mw = %.0f Da, "
                      "hydration = %.2f, vbar = %.4f     ",
                      fWormPersistenceLength, fWormCrossSection, fWormMonomerMw, fWormHydration, VBAR);
    } else if (scalingLawModel()) {
        std::snprintf(sz, n, "Ks = %.3e 1/S, bs = %.3f          ", fScalingKs, fScalingBs);
    } else if (bModelCSFixFf0FloatingVbar) {
        std::snprintf(sz, n, "frict ratio = %f, vbar = %.4f        ", fFrictionalRatio, VBAR);
    } else if (!bModelCSFlotation) {
        std::snprintf(sz, n, "frict ratio = %f        ", fFrictionalRatio);
    } else {
        float fD = fFlotationSpeciesD;
        if (bFlotationDFromRadius) fD = DFromStokesRadius(fFlotationSpeciesD, fTemperatureK - kZeroCelsiusF);
        if (bFlotationOnly)
            std::snprintf(sz, n, "flotation with fixed deconvolution D = %f F      ", fD * 1e7f);
        else
            std::snprintf(sz, n,
                          "flotation with fixed deconvolution D = %f F, sedimenting species frict ratio = %f      ",
                          fD * 1e7f, fFrictionalRatio);
    }
    if (bModelCSWithMsTable) std::snprintf(sz, n, "M(s) as in %.180s", szMofsPath);
}

void append(char* sz, size_t n, const char* szPiece)
{
    const size_t k = std::strlen(sz);
    if (k < n) std::snprintf(sz + k, n - k, "%s", szPiece);
}

void discreteOrBufferLine(char* sz, size_t n)
{
    sz[0] = 0;
    if (bModelCSOneDiscreteD) {
        std::snprintf(sz, n, "discrete component s = %.3f, D = %.3f", fDiscreteCompS, fDiscreteCompD);
        return;
    }
    if (!bBufferMismatch) {
        if (!discreteComponentModel()) return;
        if (bModelNonidealCS && !bModelHinderedCS)
            std::snprintf(sz, n, "discrete component s = %.3f, M = %.3f, log(ks) = %.3f, log(kD) = %.3f", fDiscreteCompS,
                          fDiscreteCompM, fNonidealKs, fNonidealKd);
        else if (bModelHinderedCS && bHinderedBaxter)
            std::snprintf(sz, n,
                          "discrete component s = %.3f, M = %.3f, volume correction fact = %.3f, Baxter temperature = "
                          "%.3f",
                          fDiscreteCompS, fDiscreteCompM, fNonidealKs, fNonidealKd);
        else if (bModelHinderedCS)
            std::snprintf(sz, n, "discrete component s = %.3f, M = %.3f, volume correction fact = %.3f", fDiscreteCompS,
                          fDiscreteCompM, fNonidealKs);
        else
            std::snprintf(sz, n, "discrete component s = %.3f, M = %.3f", fDiscreteCompS, fDiscreteCompM);
        return;
    }
    char p[120];
    const double dSignal = bBufferSignalInSample ? dBufferSignal : -dBufferSignal;
    std::snprintf(sz, n, "buffer: %.3f", dSignal);
    if (bFitBufferSignal) append(sz, n, "(fl)");
    std::snprintf(p, sizeof p, ",D=%.2f", dBufferD);
    append(sz, n, p);
    if (bFitBufferD && !bUseMolarMass) append(sz, n, "(fl)");
    std::snprintf(p, sizeof p, ",s=%.4f", dBufferS);
    append(sz, n, p);
    if (bFitBufferS) append(sz, n, "(fl)");
    std::snprintf(p, sizeof p, ", Mb=%.1f", dBufferMb);
    append(sz, n, p);
    if (bFitBufferD && bUseMolarMass) append(sz, n, "(fl)");
    if (bBufferMeniscusMismatch || bBufferRefDifferent) {
        std::snprintf(p, sizeof p, ", meniscus diff (s-r)=%.4f", dBufferMeniscusDiff);
        append(sz, n, p);
        if (bFitBufferMeniscusDiff) append(sz, n, "(fl)");
        std::snprintf(p, sizeof p, ", conc. ratio (s/r)=%.3f", dBufferRelConc);
        append(sz, n, p);
        if (bFitBufferRelConc) append(sz, n, "(fl)");
    }
    if (bBufferRefDifferent) {
        std::snprintf(p, sizeof p, ", refD=%.2f", dBufferRefD);
        append(sz, n, p);
        if (bFitBufferRefD && !bUseMolarMass) append(sz, n, "(fl)");
        std::snprintf(p, sizeof p, ", refs=%.4f", dBufferRefS);
        append(sz, n, p);
        if (bFitBufferRefS) append(sz, n, "(fl)");
        std::snprintf(p, sizeof p, ", refMb=%.2f", dBufferRefMb);
        append(sz, n, p);
        if (bFitBufferRefD && bUseMolarMass) append(sz, n, "(fl)");
    }
}

// The apparent vbar (the one of the buoyancy in a sedimenting co-solute)
// belongs to the inhomogeneous-solvent model: with the model off the
// co-solute switch left on means nothing, as in the fitted-parameter text.
void vbarLine(char* sz, size_t n)
{
    const bool bFloating = bFitVbarInGradient && bInhomogeneousSolvent;
    const bool bCosolute = bInhomogeneousSolvent && bSedimentingCosolute;
    if (bFloating && !bCosolute)
        std::snprintf(sz, n, "vbar = %.4f (floating)", VBAR);
    else if (bFloating)
        std::snprintf(sz, n, "vbar = %.4f (fix), apparent vbar = %.4f (floating)", VBAR, fGradientVbar);
    else if (!bCosolute)
        std::snprintf(sz, n, "vbar = %.4f (fix)", VBAR);
    else
        std::snprintf(sz, n, "vbar = %.4f (fix), apparent vbar = %.4f (fix)", VBAR, fGradientVbar);
}

void fluorescenceLine(char* sz, size_t n)
{
    sz[0] = 0;
    char p[160];
    auto piece = [&](bool bFloat, const char* szFloat, const char* szFix, double v, double v2 = 0.0) {
        std::snprintf(p, sizeof p, bFloat ? szFloat : szFix, v, v2);
        append(sz, n, p);
    };
    if (bFloExcitationCone)
        piece(bFloExcitationConeFloat, " - excit. cone = %.4f (floating)", " - excit. cone = %.4f (fix)",
              fFloExcitationCone);
    if (bFloMagnificationDrift && bFloBleaching) {
        piece(bFloKBleachFloat, " - kbleach = %.4f 1/h (floating)", " - kbleach = %.4f 1/h (fix)", fFloKBleach);
        piece(bFloAlimFloat, " - Alim = %.4f %% (floating)", " - Alim = %.4f %% (fix)", fFloAlim * 100.0);
    }
    if (bFloMagnificationDrift && bFloDrift)
        piece(bFloDriftFloat, " - drift = %.3f %%/h (floating)", " - drift = %.3f %%/h (fix)", fFloDrift * 100.0);
    if (bFloConvolution)
        piece(bFloConvolutionFloat, " - w convolution %.4f (floating)", " - w convolution (fix)", fFloConvolution);
    if (bFloRadialMagnification)
        piece(bFloRadialMagFactorFloat, " - radial mag factor = %.4f (floating)", " - radial mag factor = %.4f (fix)",
              fFloRadialMagFactor);
    if (bNonlinearDetection) {
        piece(bFitDetectionPower, " - nonlin coeff = %.4f (floating), nonlin baseline = %f",
              " - nonlin coeff = %.4f (fix), nonlin baseline = %f", fFloNonlinCoeff, fDetectionBaseline);
        append(sz, n, ppRawSignal ? " [showing transformed]" : " [showing non-transformed]");
    }
    if (bJohnstonOgston) {
        piece(bFitJOSValue, " - JO-s = %.4f (float)", " - JO-s = %.4f (fix)", fJOs);
        piece(bFitJODValue, " - JO-D = %.4f (float)", " - JO-D = %.4f (fix)", fJOD * 1e7);
        piece(bFitJOAmplitude, " - JO-amp = %.4f (float)", " - JO-amp = %.4f (fix)", fJOAmp);
    }
}

// The solution of the last evaluation as the shown distribution.
void showBestDistribution()
{
    if (!pNESolution || !pDistValues) return;
    if (bModelCSFf0 || bModelCSFf0OneDiscrete) {
        if (!pCsFf0Values) return;
        for (int j = 1; j <= nCsGridTotal; ++j) pCsFf0Values[j] = static_cast<float>(pNESolution[j]);
        for (int i = 1; i <= nResolution; ++i) {
            float fSum = 0.0f;
            for (int k = 1; static_cast<float>(k) <= fFf0Resolution; ++k) fSum += pCsFf0Values[(k - 1) * nResolution + i];
            pDistValues[i] = fSum;
        }
    } else {
        for (int i = 1; i <= nResolution; ++i) pDistValues[i] = static_cast<float>(pNESolution[i]);
    }
    convertAmplitudesToDensity();
    if (pDistPlot) {
        pDistPlot->Rescale();
        pDistPlot->Draw();
    }
}

}  // namespace

// ---------------------------------------------------------------- the vector

int getContiParameters(int nMax, float* v)
{
    nContiPosMeniscus = nContiPosBottom = nContiPosLamella = 0;
    nContiPosNonidealKs = nContiPosNonidealKd = nContiPosFrictionalRatio = 0;
    if (!pParamValue || !pParamFloat) return 0;
    int j = 0;
    for (int e = 1; e <= nEntries; ++e) {
        if (!floats(e)) continue;
        ++j;
        recordPosition(e, j);
        if (v && j <= nMax) v[j] = packValue(e);
    }
    return j;
}

void setContiParameters(float* v)
{
    if (!pParamValue || !pParamFloat) return;
    if (fGridMeniscusRef == 0.0f) fGridMeniscusRef = pParamValue[13];
    if (fGridBottomRef == 0.0f) fGridBottomRef = pParamValue[14];
    int j = 0;
    for (int e = 1; e <= nEntries; ++e)
        if (floats(e)) unpackValue(e, v[++j]);
    // the grid follows meniscus and bottom (also back to an earlier pair)
    if (fMeniscus != fGridMeniscusRef || fBottom != fGridBottomRef) {
        setupRadialGrid();
        fGridMeniscusRef = fMeniscus;
        fGridBottomRef = fBottom;
    }
}

int contiSetParameterSteps()
{
    if (!pParamValue || !pParamFloat) return 0;
    int j = 0;
    for (int e = 1; e <= nEntries; ++e) {
        if (!floats(e)) continue;
        ++j;
        double r = 0, a = 0;
        stepsOf(e, &r, &a);
        if (pMLRelStep) pMLRelStep[j] = r;
        if (pMLAbsStep) pMLAbsStep[j] = a;
    }
    return j;
}

void DisplayBestContiParams(TXLAWindow* pWindow)
{
    if (pWindow) pWindow->DebugLog("\nStarting DisplayBestContiParams");
    if (fRmsd < fBestRmsd && fRmsd < fShownBestRmsd) {
        fShownBestRmsd = fRmsd;
        CalculateppAFit();
        showBestDistribution();
        updatePlotsThrottled(pWindow);
    }
    constexpr size_t n = 200;
    char lines[8][n] = {};
    if (bMarquardLevenbergMin)
        std::snprintf(lines[0], n, "sim #%d, ML step #%d, step #%d         ", nSimCount, nFitSteps, nStepSimCount);
    else if (bSimulatedAnnealing)
        std::snprintf(lines[0], n, "sim #%d, SA step #%d, step #%d, T=%.3f        ", nSimCount, nFitSteps,
                      nStepSimCount, fSATemperature);
    else
        std::snprintf(lines[0], n, "s%d, step #%d        ", nFitSteps, nStepSimCount);
    std::snprintf(lines[1], n, "rmsd=%e             ", fRmsd);
    modelLine(lines[2], n);
    if (bModelZone)
        std::snprintf(lines[3], n, "Lamella thickness = %f             ", pParamValue[23]);
    else
        std::snprintf(lines[3], n, "Bottom = %f             ", pParamValue[14]);
    std::snprintf(lines[4], n, "Meniscus = %f           ", pParamValue[13]);
    discreteOrBufferLine(lines[5], n);
    vbarLine(lines[6], n);
    fluorescenceLine(lines[7], n);
    if (bWindowPainted)
        for (int k = 0; k < 8; ++k) writeToolText(pWindow, 10, 70 + 20 * k, lines[k]);
    if (pWindow) pWindow->DebugLog(" --> DONE");
}
