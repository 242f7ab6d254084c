// The rules of thumb after Run and Fit: residuals that are large, or larger
// near the meniscus or the bottom, a floated meniscus or bottom on its bound,
// and a distribution that rises at either end of its grid. Each one that
// fires gives its advice in a "Help Wizard" box after the error sound; none
// changes anything.
#include <cmath>
#include <cstdio>
#include <string>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"

namespace {

const char* const kSizeAdvice =
    "Residuals seem larger than typically expected for the interference and absorbance optical system\n"
    "(However, if the total loading signal >> 1, the residuals may be fine, but should not exceed 0.1%% of the total loading signal).";
const char* const kMeniscusZoneAdvice =
    "Residuals close to meniscus are significantly larger than elsewhere.\n"
    "This could indicate (a) problems with the model, (b) initial convection.\n"
    "\n"
    "*(a) Model problems that frequently show up in this region include wrong position of the meniscus,\n"
    "     too tight left fitting limits (too close to optical artifacts at meniscus),\n"
    "     unaccounted for concentration-dependent non-ideality (usually at concentrations > 1 mg/ml),\n"
    "     or unaccounted for small species.\n"
    "\n"
    "*(b) Initial convection may be caused by misalingment of the cell, or non-uniform temperature at the \n"
    "     start of the run.  The latter may sometimes be diagnosed also from the temperature plot showing large (> 0.5C) initial variation.";
const char* const kBottomZoneAdvice =
    "Residuals close to bottom are significantly larger than elsewhere.\n"
    "Frequently this arises from improperly modeled backdiffusion, either from \n"
    "\n"
    "**the data containing back-diffusion that is not modeled\n"
    "(for example, from the bottom position in the model being at too high radii or from lack of smaller species in \n"
    "the model)\n"
    "\n"
    "** or from back-diffusion in the model but not in the real data (in which case the bottom position in the model\n"
    "may be too far to the left [too close to the fitting limit])";
const char* const kMeniscusBoundAdvice =
    "Meniscus estimate has reached max/min value. \n"
    "This may indicate that a better fit would be achieved when relaxing the max/min constraint.\n"
    " If the max/min settings are adjusted purposely as extreme values of the physically possible range\n"
    " (from graphical inspection of clearly discernable air and solvent range), \n"
    "this suggests that there may have been convection.";
const char* const kBottomBoundAdvice =
    "Bottom estimate has reached max/min value. \n"
    "This may indicate that a better fit would be achieved when relaxing the max/min constraint.\n"
    " If the min settings are adjusted purposely as extreme values of the physically possible range\n"
    " (the minimum from graphical inspection of clearly identifiable solvent range [the maximum is usually not possible to visually discern]), \n"
    "this suggests that there may be a problem with the model.";
const char* const kLowerEndAdvice =
    "Distribution value at min value is going up.  Assuming default distribution settings, this indicates that there's something smaller sedimenting that has not been captured in this range of the distribution.\n"
    " To fix this, set smin to a lower value (mabye 0).";
const char* const kUpperEndAdvice =
    "Distribution value at max value is going up.  This indicates that the distribution range is too small.\n"
    "(When setting the max value higher, you may sometimes want to consider increasing the resolution, as well, or changing the type of grid [linear/log])";
const char* const szWizardSuffix = "\n\n\n(to switch off wizard messages, use menu Help->Info and Wizard Messages)";

void advise(TXLAWindow* w, const char* szFormat)
{
    playErrorSound();
    char sz[2000];
    std::snprintf(sz, sizeof sz, szFormat);  // the texts' "%%" become "%"
    const std::string text = std::string(sz) + szWizardSuffix;
    win::MessageBox(w->HWindow, text.c_str(), "Help Wizard", win::MB_OK);
}

// rms of model - signal over the first and last tenth of every scan's fitted
// range (0 for a zone without points).
void edgeZoneRms(float* pfMeniscus, float* pfBottom)
{
    double dM = 0.0, dB = 0.0;
    long nM = 0, nB = 0;
    for (int s = 1; s <= nScans; s++) {
        const int first = pFitFirstIndex[s], last = pFitLastIndex[s];
        if (!ppSignal[s] || !ppFit[s] || first < 1 || last > pScanPoints[s] || last < first) continue;
        const int k = static_cast<int>(std::floor((last - first) * 0.1));
        for (int i = first; i <= first + k; i++) {
            const double d = ppFit[s][i] - ppSignal[s][i];
            dM += d * d;
            nM++;
        }
        for (int i = last - k; i <= last; i++) {
            const double d = ppFit[s][i] - ppSignal[s][i];
            dB += d * d;
            nB++;
        }
    }
    *pfMeniscus = nM > 0 ? static_cast<float>(std::sqrt(dM / nM)) : 0.0f;
    *pfBottom = nB > 0 ? static_cast<float>(std::sqrt(dB / nB)) : 0.0f;
}

// A one-dimensional continuous model of the s type whose ends are checked.
bool distributionEndsChecked()
{
    if (!bModelContinuous || bBoundaryAnalysisMode) return false;
    if (bModelLsgsOneDiscrete || (bModelHybridCSLsgs && bHybridWithDiscrete) || bModelLsgv || bModelZoneLsgs ||
        bModelCSFf0 || bModelCSFf0OneDiscrete || bModelCSOneDiscreteD || bModelCSOneDiscreteM || bModelLsgs ||
        bModelNonidealCS)
        return false;
    return bModelCS || bModelHybridCSLsgs || bModelElectrophoresisCV || bModelCSConformationalChange ||
           bModelCSFixFf0FloatingVbar || bModelCSScalingLaw || bModelCSWormlikeChain || bModelCSBimodalFf0OneDiscrete ||
           bModelCSBimodalFf0 || bBufferMismatch || bModelCSWithMsTable || bModelCSInvariantD || bModelCSLinearRods;
}

float signalBetween(float a, float b, float* pfTotal)
{
    float fArea = 0.0f, fMean = 0.0f, fTotal = 0.0f;
    integrateDistribution(a, b, &fArea, &fMean, &fTotal, nullptr, nullptr, nullptr);
    if (pfTotal) *pfTotal = fTotal;
    return fArea;
}

}  // namespace

void TXLAWindow::FitWizardCheckResiduals()
{
    if (bEqTestMode || bRealtimeUpdate || bDLSData || bMonteCarloRun || bSerialFitRunning) return;
    // advice about a model where none was computed (an analysis that found
    // no boundary, a refused or failed evaluation) would be about the data
    if (!bModelComputed) return;
    if (nScans < 1 || !pFitFirstIndex || !pFitLastIndex) return;
    // 1. Overall size.
    const float r = calcRmsd();
    if (r > 0.02f) advise(this, kSizeAdvice);
    // 2. Edge zones.
    float fMeniscusRms = 0.0f, fBottomRms = 0.0f;
    edgeZoneRms(&fMeniscusRms, &fBottomRms);
    if (fMeniscusRms > 1.5f * r) advise(this, kMeniscusZoneAdvice);
    if (fBottomRms > 1.5f * r) advise(this, kBottomZoneAdvice);
    // 3. Bounds of a floated meniscus or bottom (exactly on them).
    if (pParamFloat[13] && (fMeniscus == fMaxMeniscus || fMeniscus == fMinMeniscus)) advise(this, kMeniscusBoundAdvice);
    if (pParamFloat[14] && (fBottom == fMaxBottom || fBottom == fMinBottom)) advise(this, kBottomBoundAdvice);
    // 4. The ends of the distribution.
    const int n = nResolution;
    if (!distributionEndsChecked() || n <= 2 || !pDistValues || !pDistAxisS) return;
    const float* c = pDistValues;
    const float* s = pDistAxisS;
    float fTotal = 0.0f;
    const float fFirst = signalBetween(s[1], s[2], &fTotal);
    if (c[2] < c[1] && fFirst > 0.01f * fTotal) advise(this, kLowerEndAdvice);
    if (c[n - 1] < c[n] && signalBetween(s[n - 1], s[n], nullptr) > 0.01f * signalBetween(s[2], s[n], nullptr))
        advise(this, kUpperEndAdvice);
}
