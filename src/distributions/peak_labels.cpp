// Peak labels of the distribution plot (command 608) and the "PEAK INFO" box
// behind each of them.
//
// Every local maximum of the shown curve (higher than its two neighbours on
// either side, at most 10) whose peak holds more than 1e-4 of the total signal
// gets a label above it, each peak once over ranges that do not overlap
// (distinctPeaks, as the record of an unattended run lists them, so that the
// fractions of the labels add up to at most the whole): the molar mass of its
// weight-average s in the models that give one, else the weight-average s
// itself. A click on a label shows
// the peak's s, s20,w, signal, molar mass and size, shades the peak and the
// boundary region it makes in the data, and estimates the error of sw from
// the residuals there by the transport method.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_integration.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/peak_information.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "plot/screen_button.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

using namespace win;

int nPeakInfoLabels = 0;
CScreenButton* pPeakInfoLabel[nMaxPeakInfoLabels + 1] = {};
float fPeakSw[nMaxPeakInfoLabels + 1] = {};
float fPeakC[nMaxPeakInfoLabels + 1] = {};
float fPeakFraction[nMaxPeakInfoLabels + 1] = {};
int nPeakIndex[nMaxPeakInfoLabels + 1] = {};

namespace {

bool lsgsFlag() { return bModelLsgs || bModelLsgsOneDiscrete || bModelHybridCSLsgs; }

bool bimodalModel() { return bModelCSBimodalFf0 || bModelCSBimodalFf0OneDiscrete; }

bool insideBimodalRange(float fSw) { return bimodalModel() && fBimodalSMin <= fSw && fSw <= fBimodalSMax; }

// The s-family models whose peaks are labelled with a molar mass.
bool molarMassModel()
{
    return bModelCS || bModelCSConformationalChange || bModelCSFixFf0FloatingVbar || bModelCSScalingLaw ||
           bModelCSWormlikeChain || bModelCSWithMsTable || bModelCSLinearRods || bModelCSOneDiscreteD ||
           bModelCSOneDiscreteM || bModelCSInvariantD || bimodalModel();
}

// Of those, the ones whose molar mass follows from a frictional ratio.
bool frictionalRatioModel()
{
    return molarMassModel() && !bModelCSScalingLaw && !bModelCSWormlikeChain && !bModelCSWithMsTable &&
           !bModelCSConformationalChange && !bModelCSInvariantD && !bModelCSLinearRods;
}

void massText(float M, char* sz, int nSize)
{
    if (M > 1e7f)
        std::snprintf(sz, static_cast<size_t>(nSize), "Mf~%.1f MDa", M * 1e-6);
    else if (M > 1e6f)
        std::snprintf(sz, static_cast<size_t>(nSize), "Mf~%.2f MDa", M * 1e-6);
    else if (M > 1e5f)
        std::snprintf(sz, static_cast<size_t>(nSize), "Mf~%.0f kDa", M * 1e-3);
    else if (M > 1e4f)
        std::snprintf(sz, static_cast<size_t>(nSize), "Mf~%.1f kDa", M * 1e-3);
    else if (M > 1e3f)
        std::snprintf(sz, static_cast<size_t>(nSize), "Mf~%.2f kDa", M * 1e-3);
    else if (M > 100.0f)
        std::snprintf(sz, static_cast<size_t>(nSize), "Mf~%.0f Da", static_cast<double>(M));
    else
        std::snprintf(sz, static_cast<size_t>(nSize), "Mf~%.1f Da", static_cast<double>(M));
}

// The peak of label k among the distinct peaks of the labelled maxima (those
// of nPeakIndex, highest first); false for a maximum that lies inside a
// higher peak.
bool labelledPeak(const std::vector<DistributionPeak>& peaks, int k, DistributionPeak* pPeak)
{
    for (const DistributionPeak& p : peaks)
        if (p.nIndex == nPeakIndex[k]) {
            *pPeak = p;
            return true;
        }
    return false;
}

// Places label k above its peak: centred on the plot position of the peak's
// weight-average abscissa (on a c(M) view, of the maximum itself), 8 units
// per character wide, from 25 to 5 units above the plot position of the
// peak height.
void placeLabel(int k)
{
    CScreenButton* b = pPeakInfoLabel[k];
    if (!b || !pDistPlot || !pDistCurve || !pDistCurve->pX || !pDistCurve->pY) return;
    const int i = nPeakIndex[k] - 1;
    if (i < 0 || static_cast<unsigned>(i) >= pDistCurve->pY->nSize || static_cast<unsigned>(i) >= pDistCurve->pX->nSize)
        return;
    const float fX = bDistConvertedToCM ? pDistCurve->pX->pData[i] : fPeakSw[k];
    const float x = static_cast<float>(pDistPlot->MapX(fX));
    const float y = static_cast<float>(pDistPlot->MapY(pDistCurve->pY->pData[i]));
    const float fHalf = 4.0f * static_cast<float>(std::strlen(b->pszOffText ? b->pszOffText : ""));
    b->SetRect(y - 25.0f, x - fHalf, y - 5.0f, x + fHalf);
}

}  // namespace

void freePeakInfoLabels()
{
    for (int k = 1; k <= nMaxPeakInfoLabels; k++) {
        delete pPeakInfoLabel[k];
        pPeakInfoLabel[k] = nullptr;
        fPeakSw[k] = fPeakC[k] = fPeakFraction[k] = 0.0f;
        nPeakIndex[k] = 0;
    }
    nPeakInfoLabels = 0;
}

float peakMolarMass(float fSw)
{
    if (bimodalModel()) return insideBimodalRange(fSw) ? CalculateMff02(fSw, fBimodalFf0Second) : CalculateM(fSw);
    if (bModelCSScalingLaw) return MFromSPowerLaw(fSw);
    if (bModelCSWormlikeChain) return wormChainMFromS(fSw);
    if (bModelCSWithMsTable) return mOfSInterpolate(fSw);
    if (bModelCSConformationalChange)
        return fConfChangeSMin <= fSw && fSw <= fConfChangeSMax ? fConfChangeM : CalculateM(fSw);
    // the Svedberg relation with D in the place of M gives M
    if (bModelCSInvariantD) return DFromSM(fSw, fCSInvariantD * 1e-7f, fTemperatureK - kZeroCelsiusF);
    if (bModelCSLinearRods) return CalculateMofSforLinearRod(fSw, fLinearRodParam);
    return CalculateM(fSw);
}

void peakLabelText(float fSw, char* sz, int nSize)
{
    const size_t n = static_cast<size_t>(nSize);
    if (bModelCSFlotation && (bFlotationOnly || fSw < 0.0f)) {
        if (fSw <= fFlotationSMax)
            std::snprintf(sz, n, "sw = %.3f S", fSw);
        else
            std::snprintf(sz, n, "ignore ghost");
        return;
    }
    // c(s) beside an ls-g*(s) or hybrid model: its peaks are all real
    if (bModelCS && lsgsFlag()) {
        std::snprintf(sz, n, "sw = %.3f S", fSw);
        return;
    }
    if ((bModelCSFlotation && fSw > fFlotationSMax) || (!bModelCSFlotation && molarMassModel())) {
        massText(peakMolarMass(fSw), sz, nSize);
        return;
    }
    std::snprintf(sz, n, "sw = %.3f S", fSw);
}

bool transportErrorEstimate(const float* pTransport, float fSignal, float* pfError)
{
    if (!pTransport || !pScanTimeOrder || !pScanHeaders || nScans < 2 || fSignal == 0.0f) return false;
    double dSum = 0.0;
    int nPairs = 0;
    for (int k = 1; k <= nScans - 1; k++) {
        const int i = pScanTimeOrder[k], j = pScanTimeOrder[k + 1];
        if (!(pTransport[i] > 0.0f && pTransport[j] > 0.0f)) continue;
        const double ti = pScanHeaders[i].time, tj = pScanHeaders[j].time;
        if (tj == ti) continue;  // no time between them
        dSum += (double(pTransport[j]) - pTransport[i]) / (double(fSignal) * (tj - ti));
        nPairs++;
    }
    if (nPairs <= 3) return false;
    *pfError = static_cast<float>(std::fabs(1e13 * dSum / nPairs));
    return true;
}

void TXLAWindow::CmShowPeakMw()
{
    if (!pDistCurve || bModelCSFf0 || bModelCSFf0OneDiscrete) return;
    if (!(bModelCSFlotation || bModelCS || bModelCSConformationalChange || bModelCSFixFf0FloatingVbar ||
          bModelCSScalingLaw || bModelCSWormlikeChain || bModelCSBimodalFf0OneDiscrete || bModelCSBimodalFf0 ||
          bModelCSWithMsTable || bModelCSOneDiscreteD || bModelCSOneDiscreteM || bModelNonidealCS ||
          bModelHinderedCS || bModelCSInvariantD || bModelCSLinearRods))
        return;
    ShowPeakInfo();
}

void TXLAWindow::ShowPeakInfo()
{
    ClearPeakInfo();
    if (!pDistPlot || !pDistCurve || bDistributionTransformed) return;
    float px[nMaxPeakInfoLabels + 1], py[nMaxPeakInfoLabels + 1];
    int pi[nMaxPeakInfoLabels + 1];
    const int nPeaks = pDistCurve->FindPeaks(px, py, pi, nMaxPeakInfoLabels, 2);
    nPeakInfoLabels = nPeaks;
    for (int k = 1; k <= nPeaks; k++) {
        fPeakSw[k] = px[k];
        fPeakC[k] = py[k];
        nPeakIndex[k] = pi[k];
    }
    // the plot's mapping as it is shown
    paintDistributionPlot();
    // each peak once, over ranges that do not overlap: a maximum inside a
    // higher peak gets no label of its own
    const std::vector<DistributionPeak> peaks = distinctPeaks(nPeakIndex, nPeaks, 0.9f);
    for (int k = 1; k <= nPeaks; k++) {
        DistributionPeak peak;
        if (!labelledPeak(peaks, k, &peak) || !(peak.fFraction > 0.0001f)) continue;
        const float fSw = peak.fMean;
        fPeakSw[k] = fSw;
        fPeakC[k] = peak.fSignal;
        fPeakFraction[k] = peak.fFraction;
        char sz[40];
        peakLabelText(fSw, sz, sizeof sz);
        const int nLength = static_cast<int>(std::strlen(sz));
        CScreenButton* b = new CScreenButton;
        b->nButtonType = 2;
        b->crFace = RGB(255, 150, 150);
        b->crOn = RGB(255, 90, 90);
        b->SetText(sz, nLength, sz, nLength);
        pPeakInfoLabel[k] = b;
        placeLabel(k);
        b->SaveBackground(this);
        b->Render();
        b->Paint(this);
    }
}

void placePeakLabels()
{
    for (int k = 1; k <= nPeakInfoLabels; k++) placeLabel(k);
    for (int k = 1; k <= nPeakInfoLabels; k++)
        if (pPeakInfoLabel[k]) pPeakInfoLabel[k]->Render();
}

void TXLAWindow::ReportIntegral(int k)
{
    if (k < 1 || k > nPeakInfoLabels || !pPeakInfoLabel[k]) return;
    CScreenButton* b = pPeakInfoLabel[k];
    // 1. the label pressed
    b->Paint(this);
    waitSeconds(0.1f);

    // 2. - 3.
    const float fSw = fPeakSw[k];
    const float fDensity = VBAR > 0.0f ? fVbarRho / VBAR : fBufferDensity;
    const float fS20w = sToS20wGeneral(fSw, RELVISCOSITY * STANDARDVISCOSITY, fDensity, VBAR, fVbarTransform);
    const float c = fPeakC[k], fPercent = 100.0f * fPeakFraction[k];
    char sz[2000];
    int nAt = std::snprintf(sz, sizeof sz, "sw = %.3f S, sw(20,w) = %.3f S\n(c = %.4f, %.3f%% of total)", fSw,
                            fS20w, c, fPercent);
    auto append = [&](const char* szFormat, auto... args) {
        if (nAt >= 0 && static_cast<size_t>(nAt) < sizeof sz)
            nAt += std::snprintf(sz + nAt, sizeof sz - static_cast<size_t>(nAt), szFormat, args...);
    };
    const bool bPlain = (bModelCS && lsgsFlag()) || bModelCSFlotation || !molarMassModel();
    if (!bPlain) {
        const float fMass = peakMolarMass(fSw);
        const float fMinMass = CalculateMff02(fSw, 1.0f);
        if (frictionalRatioModel()) {
            const float fRatio = insideBimodalRange(fSw) ? fBimodalFf0Second : fFrictionalRatio;
            const float fStokes = S20ToStokesRadius(fS20w, fVbarTransform) * 1e9f;
            const float fOblate = CalculateOblateRatioFromFf0(fRatio, VBAR, fHydration, fDensity);
            const float fProlate = CalculateProlateRatioFromFf0(fRatio, VBAR, fHydration, fDensity);
            append("\nwith best-fit friction ratio = %.3f: Mw = %.0f Da \n(based on vbar = %.3f, vbar20 = %.3f, "
                   "hydration = %.3f, buffer density = %.5f, rel. viscosity = %.4f)\nminimum Mw (for compact "
                   "sphere) = %.0f Da\nStokes Radius (20C) = %.2f nm, a/b(oblate)=%.2f, a/b(prolate)=%.2f",
                   double(fRatio), double(fMass), double(VBAR), double(fVbarTransform), double(fHydration),
                   double(fDensity), double(RELVISCOSITY), double(fMinMass), double(fStokes), double(fOblate),
                   double(fProlate));
        } else {
            append("\nMw = %.0f Da \n(based on vbar = %.3f, vbar20 = %.3f, hydration = %.3f, buffer density = "
                   "%.5f, rel. viscosity = %.4f)\nminimum Mw (for compact sphere) = %.0f Da",
                   double(fMass), double(VBAR), double(fVbarTransform), double(fHydration), double(fDensity),
                   double(RELVISCOSITY), double(fMinMass));
        }
    }

    // 4. the peak shaded, over the range its label reports
    DistributionPeak peak;
    labelledPeak(distinctPeaks(nPeakIndex, nPeakInfoLabels, 0.9f), k, &peak);
    const float fLow = peak.fLow, fHigh = peak.fHigh;
    if (pDistPlot && pDistCurve && peak.nFirst >= 1) {
        paintDistributionPlot();
        HMETAFILE h =
            pDistPlot->OverlayCurve(pDistCurve, peak.nFirst, peak.nLast, RGB(255, 0, 0), 12, pDistPlot->nSymbolSize);
        if (h) {
            playIntoClientArea(this, h);
            DeleteMetaFile(h);
        }
    }

    // 5. - 6. the boundary region in the data and the error estimate
    std::vector<float> transport;
    shadeRangeInData(this, fLow, fHigh, &transport);
    float fError = 0.0f;
    if (!bModelCSFlotation && bErrorPropagationToSw && !bUsingSpeedSteps && fPeakFraction[k] > 0.05f && c > 0.001f &&
        transportErrorEstimate(transport.data(), c, &fError))
        append("\nbased on residuals (shaded bitmap) via transport method, estimated error in sw is %.1e S",
               double(fError));

    // 7.
    MessageBox(HWindow, sz, "PEAK INFO", MB_OK);
    b->Toggle();
    b->Paint(this);
    waitSeconds(1.0f);
    InvalidateUnlessBatch();
}
