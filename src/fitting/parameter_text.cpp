// The fitted-parameter text of the main window.
#include "fitting/parameter_text.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/prior_probabilities.h"
#include "distributions/regularization.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fitting/fit_globals.h"
#include "lamm/nonideal_factors.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "numerics/statistics.h"
#include "platform/win.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"
#include "scandata/wiener_settings.h"
#include "tools/fluorescence/fluorescence_options.h"

char szModelParamLines[nModelParamLines][nModelParamLineSize];
char szModelParamPrintLines[nModelParamLines][nModelParamLineSize];
unsigned char bSuppressFitParamDisplay = 0;

namespace {

// Line indices (y = 10 + 20 index).
enum {
    LINE_FILES = 0,
    LINE_PROGRESS,
    LINE_RMSD,
    LINE_MODEL1,
    LINE_MODEL2,
    LINE_MODEL3,
    LINE_MENISCUS,
    LINE_BOTTOM,
    LINE_LIMITS,
    LINE_BASELINE,
    LINE_EXTRA,
    LINE_STATISTICS,
    LINE_VBAR,
    LINE_CORRECTIONS
};

// printf onto the end of a line, within its 500 characters.
void add(char* line, const char* szFormat, ...)
{
    const size_t n = std::strlen(line);
    if (n + 1 >= nModelParamLineSize) return;
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(line + n, nModelParamLineSize - n, szFormat, args);
    va_end(args);
}

const char* mark(bool bFloating) { return bFloating ? "(floating)" : "(fix)"; }
const char* markJO(bool bFloating) { return bFloating ? "(float)" : "(fix)"; }

bool lsgsMode() { return bModelLsgs || bModelLsgsOneDiscrete || bModelZoneLsgs; }
float T() { return fTemperatureK - kZeroCelsiusF; }

// ks and kd (ml/g) of the hindered sedimentation at c mg/ml: the relative
// changes of s and D per unit of concentration.
void hinderedSlopes(float c, float fKs, float fKd, float s, float MorD, float* pKs, float* pKd)
{
    const float fS = nonidealSFactor(c, fKs, fKd, s, MorD, VBAR, fBufferDensity, T(), RELVISCOSITY);
    const float fD = nonidealDFactor(c, fKs, fKd, s, MorD, VBAR, fBufferDensity, T(), RELVISCOSITY);
    *pKs = c > 0.0f ? (1.0f - fS) / c * 1000.0f : 0.0f;
    *pKd = c > 0.0f ? (fD - 1.0f) / c * 1000.0f : 0.0f;
}

// ", hard sphere vol.corr. ..., ks(...)=..." of the hindered models at the
// concentrations 1 and c2 (mg/ml), c2 named szAt ("max" for the loading of
// the single species, "100" for the c(s)); fKsExp is the hindrance exponent
// and fBaxterT the stickiness parameter (sticky spheres only).
void addHinderedText(char* line, float c2, const char* szAt, float fKsExp, float fKdValue, float s, float MorD,
                     bool bSticky, const char* szRedB2)
{
    float ks1 = 0, kd1 = 0, ks2 = 0, kd2 = 0;
    hinderedSlopes(1.0f, fKsExp, fKdValue, s, MorD, &ks1, &kd1);
    hinderedSlopes(c2, fKsExp, fKdValue, s, MorD, &ks2, &kd2);
    if (bSticky) {
        const float t = fKdValue;
        const float b2 = t != 0.0f ? 1.0f - 1.0f / (4.0f * t) : 0.0f;
        add(line, "sticky hard sphere vol.corr. %.3f, Baxter t=%.3f (", fKsExp, t);
        add(line, szRedB2, b2);
        add(line, "), ");
    } else {
        add(line, "hard sphere vol.corr. %.3f, ", fKsExp);
    }
    add(line, "ks(1mgml)=%.2f, ks(%s)=%.2f, kd(1mgml)=%.2f, kd(%s)=%.2f (all ml/g)", ks1, szAt, ks2, kd1, szAt, kd2);
}

void filesLine(char* line)
{
    if (nScans < 1) {
        add(line, "no data loaded");
        return;
    }
    const char* szFirst = ppScanFileName[pScanTimeOrder[1]];
    const char* szLast = ppScanFileName[pScanTimeOrder[nScans]];
    if (bDLSData)
        add(line, "fitting file %s", szFirst);
    else if (fRadialResolution != 0.001f)
        add(line, "fitting files %s to %s, radial resolution %.4f cm", szFirst, szLast, fRadialResolution);
    else
        add(line, "fitting files %s to %s", szFirst, szLast);
    if (bUsingSpeedSteps)
        add(line, " with speedsteps");
    else if (!bRampRotorSpeed)
        add(line, " with effective sedimentation time");
    if (bAbsorbanceData && bSimTimeResolution && bSimRadialResolution)
        add(line, ", with scanner speed %.3f cm/min and radial res = %.4f cm", fScanVelocity, fConvolutionRange);
    else if (bAbsorbanceData && bSimTimeResolution)
        add(line, ", with scanner speed %.3f cm/min ", fScanVelocity);
    else if (bAbsorbanceData && bSimRadialResolution)
        add(line, ", with scanner radial res = %.4f cm", fConvolutionRange);
    if (bInhomogeneousSolvent) add(line, " with inhomogeneous solvent model");
}

void discreteSpeciesLines(char (*lines)[nModelParamLineSize])
{
    char* l70 = lines[LINE_MODEL1];
    char* l90 = lines[LINE_MODEL2];
    char* l110 = lines[LINE_MODEL3];
    if (bModelDlsCumulants) {
        for (int k = 1; k <= 4; k++) add(l70, "%.3e | ", pSpeciesMw[k]);
        const float mu1 = pSpeciesMw[1];
        add(l90, "mu2/(mu1^2) (polydispersity) = %.3f", mu1 != 0.0f ? pSpeciesMw[2] / (mu1 * mu1) : 0.0f);
    } else {
        add(l90, "s = ");
        for (int k = 1; k <= 4; k++) {
            if (!pSpeciesIncluded[k]) continue;
            if (k == 1 && bSpecies1Nonideal) {
                add(l70, "%.3f (log10(kd) = %.3f)| ", pSpeciesMw[k], fNonidealKd);
                add(l90, "%.3f (log10(ks) = %.3f)| ", pSpeciesS[k], fNonidealKs);
            } else {
                add(l70, "%.3f | ", pSpeciesMw[k]);
                add(l90, "%.3f | ", pSpeciesS[k]);
            }
        }
    }
    add(l110, "c = ");
    for (int k = 1; k <= 4; k++)
        if (pSpeciesIncluded[k] && !(k == 4 && bBufferMismatch)) add(l110, "%.3f | ", pSpeciesConc[k]);
    add(l110, "(first is total, next are fractions)");
}

void nonidealSingleLines(char (*lines)[nModelParamLineSize])
{
    const float s = pParamValue[5];
    float M, D;
    if (bUseMolarMass) {
        M = pParamValue[1];
        D = DFromSM(s, M, T()) * 1e7f;
    } else {
        D = pParamValue[1];
        M = MFromSD(D * 1e-7f, s, T());
    }
    const float ff0 = CalculateFrictionalRatio(M, s, VBAR, fBufferDensity, RELVISCOSITY);
    const float c = static_cast<float>(pParamValue[9] / (dSignalPerMgMl > 0.0 ? dSignalPerMgMl : 1.0));
    const float fVolume = c * VBAR / 1000.0f;
    add(lines[LINE_MODEL1], "s = %.3f, D = %.3f, implies M= %.1f, ff0 = %.3f", s, D, M, ff0);
    if (bModelHindered)
        addHinderedText(lines[LINE_MODEL2], c, "max", pParamValue[10], pParamValue[11], s, pParamValue[1],
                        bStickySpheres != 0, "red.B2=%.3f");
    else
        add(lines[LINE_MODEL2], "log10(ks) = %.3f, log10(kd) = %.3f, implied hydrodynamic volume fract = %.3f",
            pParamValue[10], pParamValue[11], fVolume * ff0 * ff0 * ff0);
    add(lines[LINE_MODEL3], "c=%.3f (vol fract %.2f%%)", pParamValue[9], 100.0f * fVolume);
}

void continuousRegularizationLine(char* line)
{
    if (bModelCSFf0 || bModelCSFf0OneDiscrete) {
        add(line, "ff0 min = %f, ff0 max = %f, nff0 = %f        ", fFf0Min, fFf0Max, fFf0Resolution);
        return;
    }
    if (bBoundaryAnalysisMode || lsgsMode()) return;
    const double P = fConfidenceLevel;
    const bool bPrior = bUsePriorProbabilities && szPriorFileName[0];
    if (bRegBothShown) {
        add(line, "ME(black) and TP(blue) regularization P = %.2f", P);
        if (bPrior) {
            const char* szName = std::strrchr(szPriorFileName, '/');
            const char* szName2 = std::strrchr(szPriorFileName, '\\');
            if (!szName || (szName2 && szName2 > szName)) szName = szName2;
            add(line, ", with prior probability %s", szName ? szName + 1 : szPriorFileName);
        }
    } else if (bRegMaxEnt) {
        add(line, "ME regularization P = %.2f", P);
        if (bPrior) add(line, ", with prior probability %s", szPriorFileName);
    } else if (bRegWeightedThirdDerivative) {
        add(line, "Tikhonov 3rd derivative regularization P = %.2f", P);
    } else {
        add(line, "Tikhonov regularization P = %.2f", P);
    }
}

void continuousModelLine(char* line)
{
    if (bModelCSInvariantD) {
        add(line, "D = %f        ", fCSInvariantD);
    } else if (bModelCMbInvariantD) {
        add(line, "D = %f        ", fFrictionalRatio);
    } else if (bModelCSBimodalFf0 || bModelCSBimodalFf0OneDiscrete) {
        add(line, "frict ratio = %f, except when s is within [%.2f,%.2f]: ff0 = %f", fFrictionalRatio, fBimodalSMin,
            fBimodalSMax, fBimodalFf0Second);
    } else if (bModelNonidealCS) {
        if (bModelHinderedCS) {
            add(line, "frict ratio = %f, ", fFrictionalRatio);
            addHinderedText(line, 100.0f, "100", fNonidealKs, fNonidealKd, 0.0f, 0.0f, bStickySpheres != 0,
                            "red.B2(0)=%.3f");
        } else {
            add(line, "frict ratio = %f, log10ks = %f, log10kd = %f        ", fFrictionalRatio, fNonidealKs,
                fNonidealKd);
        }
    } else if (bModelCSFf0 || bModelCSFf0OneDiscrete) {
        add(line, "s min = %f, s max = %f, #s-values = %d        ", fSMin, fSMax, static_cast<int>(fSGridResolution));
    } else if (bModelCSWormlikeChain) {
        add(line,
            "persistence length = %.2f nm, dehydr. cross-section = %.2f nm^2, Monomer Mw = %.0f Da, hydration = %.2f, "
            "vbar = %.4f     ",
            fWormPersistenceLength, fWormCrossSection, fWormMonomerMw, fWormHydration, VBAR);
    } else if (bModelCSScalingLaw || bModelFMScalingLaw) {
        add(line, "Ks = %.3e 1/S, bs = %.3f          ", fScalingKs, fScalingBs);
    } else if (bModelCSFixFf0FloatingVbar) {
        add(line, "frict ratio = %f, vbar = %.4f     ", fFrictionalRatio, VBAR);
    } else if (bModelCSFlotation) {
        const bool bBoth = !bFlotationOnly;
        if (bFlotationDFromRadius)
            add(line, bBoth ? "deconvoluting with fix R = %.3f nm" : "deconvoluting with fix R = %.3f nm        ",
                fFlotationSpeciesD * 1e9f);
        else
            add(line, bBoth ? "deconvoluting with fix D = %.3f F" : "deconvoluting with fix D = %.3f F        ",
                fFlotationSpeciesD * 1e7f);
        if (bBoth) add(line, " for flotation, frict ratio = %f for sedimentation       ", fFrictionalRatio);
    } else {
        add(line, "frict ratio = %f        ", fFrictionalRatio);
    }
    if (bModelCSBimodalFf0OneDiscrete || bModelCSOneDiscreteM || bModelNonidealCS || bModelCSFf0OneDiscrete ||
        (bModelHybridCSLsgs && bHybridWithDiscrete))
        add(line, " - [s1 = %.3f, M1 = %.3f]", fDiscreteCompS, fDiscreteCompM);
}

void modelLines(char (*lines)[nModelParamLineSize])
{
    if (nScans > 0 && !bModelContinuous && !(bModelCSFf0 || bModelCSFf0OneDiscrete) && !bBoundaryAnalysisMode &&
        !lsgsMode()) {
        if (bUseMolarMass)
            add(lines[LINE_MODEL1], "M = ");
        else if (bModelDlsStokesRadii)
            add(lines[LINE_MODEL1], "R(nm) = ");
        else if (bModelDlsCumulants)
            add(lines[LINE_MODEL1], "D or mu = ");
        else
            add(lines[LINE_MODEL1], "D*10e7 = ");
    }
    const float* v = pParamValue;
    if (bModelDiscreteSpecies) {
        discreteSpeciesLines(lines);
    } else if (bModelNonidealMultiple) {
        add(lines[LINE_MODEL1], "D1 = %.3f", v[1]);
        add(lines[LINE_MODEL2], "s1 = %.3f", v[5]);
        add(lines[LINE_MODEL3], "c1 = %.3f", v[9]);
        if (fNonidealConc2 > 0.0f) {
            add(lines[LINE_MODEL1], " | D2 = %.3f", fNonidealD2);
            add(lines[LINE_MODEL2], " | s2 = %.3f", fNonidealS2);
            add(lines[LINE_MODEL3], " | c2 = %.3f", fNonidealConc2);
        }
        if (fNonidealConc3 > 0.0f) {
            add(lines[LINE_MODEL1], " | D3 = %.3f", fNonidealD3);
            add(lines[LINE_MODEL2], " | s3 = %.3f", fNonidealS3);
            add(lines[LINE_MODEL3], " | c3 = %.3f", fNonidealConc3);
        }
    } else if (bModelMonomerDimer || bModelMonomerTrimer) {
        add(lines[LINE_MODEL1], bUseMolarMass ? "M1 = %.3f, M2 = %.3f" : "D1 = %.3f, D2 = %.3f", v[1], v[2]);
        add(lines[LINE_MODEL2], "s1 = %.3f, s2 = %.3f", v[5], v[6]);
        add(lines[LINE_MODEL3], "c=%.3f,lgK=%.3f", v[11], v[3]);
    } else if (bModelSelfAssoc148) {
        add(lines[LINE_MODEL1], "M1 = %.0f, M4 = %.0f, M8 = %.0f", v[1], v[2], v[12]);
        add(lines[LINE_MODEL2], "s1 = %.3f, s4 = %.3f, s8 = %.3f", v[5], v[6], v[8]);
        add(lines[LINE_MODEL3], "c=%.3f,lgK14=%.3f, lgK18=%.3f", v[11], v[3], v[7]);
    } else if (bModelSelfAssoc124) {
        add(lines[LINE_MODEL1], "M1 = %.0f, M2 = %.0f, M4 = %.0f", v[1], v[2], v[12]);
        add(lines[LINE_MODEL2], "s1 = %.3f, s2 = %.3f, s4 = %.3f", v[5], v[6], v[8]);
        add(lines[LINE_MODEL3], "c=%.3f,lgK12=%.3f, lgK14=%.3f", v[11], v[3], v[7]);
    } else if (bModelNonidealSingle) {
        nonidealSingleLines(lines);
    } else if (bEquilibriumDiscrete) {
        add(lines[LINE_MODEL1], "%.0f", v[1]);
        if (!bUseMolarMass) add(lines[LINE_MODEL2], "s = %.3f | ", v[5]);
    } else if (bModelContinuous && !bBoundaryAnalysisMode && !lsgsMode()) {
        continuousRegularizationLine(lines[LINE_MODEL1]);
        continuousModelLine(lines[LINE_MODEL2]);
    }
}

void nonidealityText(char* line)
{
    const double ks = std::pow(10.0, static_cast<double>(fNonidealKs));
    const double kd = std::pow(10.0, static_cast<double>(fNonidealKd));
    if (bNonidealRepulsive && bNonidealOption2)
        add(line,
            "non-ideality with repulsive ks = %.3e (log10 = %.3f), repulsive kD = %.3e (log10 = %.3f)/(mg/ml), with "
            "(mass signal)/(mg/ml) = %.3f",
            ks, fNonidealKs, kd, fNonidealKd, dSignalPerMgMl);
    else if (bNonidealRepulsive)
        add(line,
            "non-ideality with repulsive ks = %.3e (log10 = %.3f), attractive kD = -%.3e (log10 = %.3f)/(mg/ml), with "
            "%.3f mass signal/(mg/ml)",
            ks, fNonidealKs, kd, fNonidealKd, dSignalPerMgMl);
    else if (!bNonidealOption2)
        add(line,
            "non-ideality with attractive ks = -%.3e (log10 = %.3f), attractive kD = -%.3e (log10 = %.3f)/(mg/ml), "
            "with %.3f mass signal/(mg/ml)",
            ks, fNonidealKs, kd, fNonidealKd, dSignalPerMgMl);
}

// The vbar line: vbar floats only in a density gradient; with a sedimenting
// co-solute the buoyancy takes the vbar including solvation (the apparent
// vbar), which is then the one that floats.
void vbarLine(char* line)
{
    const bool bFloating = bFitVbarInGradient && bInhomogeneousSolvent;
    if (bInhomogeneousSolvent && bSedimentingCosolute)
        add(line, "vbar = %.4f (fix), apparent vbar = %.4f %s", VBAR, fGradientVbar, mark(bFloating));
    else
        add(line, "vbar = %.4f %s", VBAR, mark(bFloating));
}

// In place of the vbar line while the non-ideal multiple-species model
// loads a synthetic boundary: where it lies and the overlay fractions of the
// loaded species.
void syntheticBoundaryLine(char* line)
{
    add(line, "synthetic boundary at %.3f cm, overlay conc1 fraction = %.3f", fSynthBoundaryPos, fOverlayFrac1);
    if (fNonidealConc2 > 0.0f) add(line, " | conc2 fraction = %.3f", fOverlayFrac2);
    if (fNonidealConc3 > 0.0f) add(line, " | conc3 fraction = %.3f", fOverlayFrac3);
}

// A buffer value, "(fl)" after it when it floats.
void addBufferValue(char* line, const char* szFormat, double v, bool bFloated)
{
    add(line, szFormat, v);
    if (bFloated) add(line, "(fl)");
}

// The buffer-mismatch piece: the excess signal (negative when it lies on
// the reference side), D, s and Mb of the buffer's sedimenting component,
// and with a meniscus mismatch or a different reference buffer their values.
// D floats in the D parametrisation, Mb in the M one (one fit flag serves
// both).
void bufferMismatchText(char* line)
{
    addBufferValue(line, "buffer: %.3f", bBufferSignalInReference ? -dBufferSignal : dBufferSignal, bFitBufferSignal);
    addBufferValue(line, ", D=%.2f", dBufferD, bFitBufferD && !bUseMolarMass);
    addBufferValue(line, ", s=%.4f", dBufferS, bFitBufferS);
    addBufferValue(line, ", Mb=%.1f", dBufferMb, bFitBufferD && bUseMolarMass);
    if (bBufferMeniscusMismatch || bBufferRefDifferent) {
        addBufferValue(line, ", meniscus diff (s-r)=%.4f", dBufferMeniscusDiff, bFitBufferMeniscusDiff);
        addBufferValue(line, ", conc. ratio (s/r)=%.3f", dBufferRelConc, bFitBufferRelConc);
    }
    if (bBufferRefDifferent) {
        addBufferValue(line, ", refD=%.2f", dBufferRefD, bFitBufferRefD && !bUseMolarMass);
        addBufferValue(line, ", refs=%.4f", dBufferRefS, bFitBufferRefS);
        addBufferValue(line, ", refMb=%.2f", dBufferRefMb, bFitBufferRefD && bUseMolarMass);
    }
}

void correctionsLine(char* line, bool bPrint)
{
    if (bBufferMismatch) bufferMismatchText(line);
    if (bFloExcitationCone)
        add(line, bPrint ? " - excit. cone %.4f %s" : " - excit. cone = %.4f %s", fFloExcitationCone,
            mark(bFloExcitationConeFloat));
    if (bWienerSkewing) {
        if (bWSkewFloating)
            add(line, " W-skew = %.4f (floating), max=%.1f scan#%d@%.3f", fWSkew, fWienerSkewMax, nWienerSkewMaxScan,
                fWienerSkewMaxAt);
        else
            add(line, " W-skew = %.4f (fix)", fWSkew);
    }
    if (bFloMagnificationDrift && bFloBleaching) {
        add(line, " - kbleach = %.4f 1/h %s", fFloKBleach, mark(bFloKBleachFloat));
        add(line, " - Alim = %.4f %% %s", fFloAlim * 100.0f, mark(bFloAlimFloat));
    }
    if (bFloMagnificationDrift && bFloDrift) add(line, " - drift = %.3f %%/h %s", fFloDrift * 100.0f, mark(bFloDriftFloat));
    if (bFloConvolution)
        add(line, bPrint ? " - convolution = %.4f %s" : " - convolution %.4f %s", fFloConvolution,
            mark(bFloConvolutionFloat));
    if (bFloRadialMagnification)
        add(line, " - radial mag factor = %.4f %s", fFloRadialMagFactor, mark(bFloRadialMagFactorFloat));
    if (bNonlinearDetection) {
        if (bFitDetectionPower)
            add(line, " - nonlin coeff = %.4f (floating), nonlin baseline = %f", fFloNonlinCoeff, fDetectionBaseline);
        else
            add(line, " - nonlin coeff = %.4f (fix), nonlin baseline = %f", fFloNonlinCoeff, fDetectionBaseline);
        add(line, bShowTransformedData ? " [showing transformed]" : " [showing non-transformed]");
    }
    if (bJohnstonOgston) {
        add(line, " - JO-s = %.4f %s", fJOs, markJO(bFitJOSValue));
        add(line, " - JO-D = %.4f %s", fJOD * 1e7f, markJO(bFitJODValue));
        add(line, " - JO-amp = %.4f %s", fJOAmp, markJO(bFitJOAmplitude));
        add(line, " - JO-Ks = %.4f %s", std::pow(10.0f, fJOKs), markJO(bFitJOKs));
    }
}

}  // namespace

bool modelParamExtraLineShown() { return bFitT0 || bModelNonidealMultiple; }

void formatFitProgress(char* sz, size_t nSize)
{
    const char* szBlanks = bProgressTick ? "      " : "     ";
    if (bMarquardLevenbergMin)
        std::snprintf(sz, nSize, "sim #%d, ML step #%d, step #%d%s", nSimCount, nFitSteps, nStepSimCount, szBlanks);
    else if (bSimulatedAnnealing && fSATemperature > 0.0f)
        std::snprintf(sz, nSize, "sim #%d, SA step #%d, step#%d, T=%.3f%s", nSimCount, nFitSteps, nStepSimCount,
                      fSATemperature, szBlanks);
    else
        std::snprintf(sz, nSize, "s%d, step #%d%s", nFitSteps, nStepSimCount, szBlanks);
}

void buildModelParameterLines(char (*lines)[nModelParamLineSize], bool bPrint)
{
    for (int k = 0; k < nModelParamLines; k++) lines[k][0] = 0;
    filesLine(lines[LINE_FILES]);
    if (nScans > 0) {
        if (bPrint)
            add(lines[LINE_PROGRESS], "s%d, step #%d", nFitSteps, nStepSimCount);
        else
            formatFitProgress(lines[LINE_PROGRESS], nModelParamLineSize);
        add(lines[LINE_RMSD], "rmsd=%f (n=%.0f,SSR=%f)", fRmsd, fNumFitPoints, fRmsd * fRmsd * fNumFitPoints);
    }
    modelLines(lines);
    add(lines[LINE_MENISCUS], "Meniscus = %f  ", pParamValue[13]);
    if (bModelZone)
        add(lines[LINE_BOTTOM], "Lamella thickness = %f  ", pParamValue[23]);
    else
        add(lines[LINE_BOTTOM], "Bottom = %f  ", pParamValue[14]);
    add(lines[LINE_LIMITS], "fitting %1.4f - %1.4f", fFitLeftLim, fFitRightLim);
    add(lines[LINE_BASELINE], "Baseline = %f  ", pParamValue[15]);
    if (bWienerSkewing)
        add(lines[LINE_BASELINE], " | Wiener skew with %.3e cm^2/(mg/ml) at %.3f signal/(mg/ml), max=%.1f  scan#%d@%.3f",
            fWSkew, fWSkewSignalPerMgMl, fWienerSkewMax, nWienerSkewMaxScan, fWienerSkewMaxAt);
    if (bFitT0)
        add(lines[LINE_EXTRA], "t0 for simulation is at %f sec", pParamValue[24]);
    else if (bModelNonidealMultiple)
        nonidealityText(lines[LINE_EXTRA]);
    if (nScans > 0 && pScanTimeOrder) {
        int nFirst = 1, nLast = nScans;
        fitScanRange(&nFirst, &nLast);
        const float fZ = runsTestZ(ppSignal, ppFit, nFirst, nLast, pScanTimeOrder, pFitFirstIndex, pFitLastIndex);
        float fH = 0.0f;
        computeResidualsHistogram(nFirst, nLast, pScanTimeOrder, &fH);
        add(lines[LINE_STATISTICS], "Runs test Z (#stddev) = %.2f, Residuals Histogram H = %.1f%%", fZ, fH);
    }
    if (bModelNonidealMultiple && bNonidealMultiSwitch)
        syntheticBoundaryLine(lines[LINE_VBAR]);
    else
        vbarLine(lines[LINE_VBAR]);
    correctionsLine(lines[LINE_CORRECTIONS], bPrint);
}

void paintModelParameterLines(TXLAWindow* pWindow)
{
    if (!bWindowPainted || !pWindow) return;
    win::HDC dc = pWindow->GetDC();
    if (!dc) return;
    for (int k = 0; k < nModelParamLines; k++) {
        if (k == LINE_EXTRA && !modelParamExtraLineShown()) continue;
        writeTextLine(dc, 10, 10 + 20 * k, szModelParamLines[k]);
    }
    pWindow->ReleaseDC(dc);
}

void TXLAWindow::ShowModelParameters()
{
    if (!bWindowPainted) return;
    if (fRmsd < fBestRmsd && fRmsd < fShownBestRmsd) {
        fShownBestRmsd = fRmsd;
        updatePlotsThrottled(this);
    }
    buildModelParameterLines(szModelParamLines, false);
    paintModelParameterLines(this);
}

void ShowModelParametersUnlessSuppressed(TXLAWindow* pWindow)
{
    if (!bSuppressFitParamDisplay && pWindow) pWindow->ShowModelParameters();
}

void showModelParametersPrint(TXLAWindow*)
{
    if (bModelNonidealMultiple || !bWindowPainted) return;
    buildModelParameterLines(szModelParamPrintLines, true);
}

void TXLAWindow::CmShowLastFitInfo() { ShowModelParameters(); }
