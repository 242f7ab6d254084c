// Boundary calculators of Options > Calculator: diffusional against
// heterogeneity broadening, the weight-average s from the second moment of
// the loaded scans (differential and from 0 to t), the radial dilution of a
// non-diffusing boundary and the hydrostatic pressure in the cell.
//
// Second moment: each scan inside the fit limits is replaced by the sharp
// boundary that holds the same amount, rb^2 = R^2 - 2 area / plateau with
// area = integral of c r dr from the meniscus to the right fit limit R. The
// loading concentration c0 follows from radial dilution (plateau = c0 m^2 /
// rb^2), and the depletion integral I = integral of (c0 - c) r dr gives
// L = -ln(1 - 2 I / (c0 R^2)) = ln(rb^2 / m^2) = 2 s omega^2 t for a sharp
// boundary. A scan that gives no real value (no point in the plateau band,
// a negative root or a logarithm of a non-positive number) is left out of
// the averages and named in the result.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/clipboard_text.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

constexpr const char* szSecondMomentTitle = "CALCULATE SW BY SECOND MOMENT";

// "Set Fitting Limits First" when no right fit limit is set.
bool fitLimitsSet(TXLAWindow* w)
{
    if (fFitRightLim != 0.0f) return true;
    playInfoSound();
    MessageBox(w->HWindow, "Set Fitting Limits First", "ERROR", MB_OK);
    return false;
}

// The plateau averaged from the start to x = s omega^2 t, relative to the
// loading concentration: (1 - exp(-2x)) / (2x), 1 at x = 0.
float dilutionAverage(float x) { return x == 0.0f ? 1.0f : (1.0f - std::exp(-2.0f * x)) / (2.0f * x); }

// Where the integrals of scan i start: walking from point 1 while the point
// lies before the first point inside the fit limits and inside the meniscus,
// the last such point; 1 when none.
int firstIntegrationIndex(int i)
{
    int k = 1;
    for (int j = 1; j <= pFitFirstIndex[i] && j <= pScanPoints[i] && ppRadius[i][j] < fMeniscus; j++) k = j;
    return k;
}

// The work of both second-moment commands: per scan the plateau, boundary
// radius, area and L; the usable scans and the names of those left out.
struct SecondMoment {
    int n = 0;
    float* pPlateau = nullptr;
    float* pBoundary = nullptr;
    float* pArea = nullptr;
    float* pResult = nullptr;
    float* pConc = nullptr;
    std::vector<char> usable;  // 1..n
    std::vector<char> hasProfile;  // 1..n: a real boundary and plateau
    float fLoading = 0.0f;     // c0
    std::string szLeftOut;

    explicit SecondMoment(int nScansIn) : n(nScansIn), usable(static_cast<size_t>(nScansIn) + 1, 1)
    {
        pPlateau = vector(1, n);
        pBoundary = vector(1, n);
        pArea = vector(1, n);
        pResult = vector(1, n);
        pConc = vector(1, n);
    }
    ~SecondMoment()
    {
        free_vector(pPlateau, 1, n);
        free_vector(pBoundary, 1, n);
        free_vector(pArea, 1, n);
        free_vector(pResult, 1, n);
        free_vector(pConc, 1, n);
    }
    SecondMoment(const SecondMoment&) = delete;
    SecondMoment& operator=(const SecondMoment&) = delete;

    void leaveOut(int i)
    {
        if (!usable[i]) return;
        usable[i] = 0;
        if (!szLeftOut.empty()) szLeftOut += ", ";
        szLeftOut += ppScanFileName && ppScanFileName[i] ? ppScanFileName[i] : std::to_string(i);
    }
    int usableCount() const
    {
        int c = 0;
        for (int i = 1; i <= n; i++) c += usable[i] ? 1 : 0;
        return c;
    }
    // rb = sqrt(R^2 - 2 area / plateau); false when it has no real value.
    bool boundaryRadius(int i)
    {
        const float fR2 = fFitRightLim * fFitRightLim - (2.0f / pPlateau[i]) * pArea[i];
        pBoundary[i] = std::sqrt(fR2);
        return std::isfinite(pBoundary[i]);
    }
};

void noSecondMomentResult(TXLAWindow* w, const SecondMoment& m)
{
    std::string sz = "no scan gives a second-moment s-value\nscans left out: " + m.szLeftOut;
    MessageBox(w->HWindow, sz.c_str(), szSecondMomentTitle, MB_OK);
}

// Steps common to both commands; false (nothing written) when no scan is
// left to give a result, after saying so.
bool computeSecondMoment(TXLAWindow* w, SecondMoment& m)
{
    const float fM2 = fMeniscus * fMeniscus;
    const float fR2 = fFitRightLim * fFitRightLim;
    float fSum = 0.0f;
    for (int i = 1; i <= m.n; i++) {
        const float* r = ppRadius[i];
        const float* c = ppSignal[i];
        const int nLast = std::min(pFitLastIndex[i], pScanPoints[i]);
        float fPlateau = 0.0f;
        int nBand = 0;
        for (int j = 1; j <= nLast; j++)
            if (r[j] > fFitRightLim - 0.1f) {
                fPlateau += c[j];
                nBand++;
            }
        if (nBand == 0) {
            m.leaveOut(i);
            continue;
        }
        m.pPlateau[i] = fPlateau / static_cast<float>(nBand);
        float fArea = 0.0f;
        for (int j = firstIntegrationIndex(i) + 1; j <= nLast; j++)
            fArea += (r[j] - r[j - 1]) * (r[j] + r[j - 1]) / 2.0f * (c[j] + c[j - 1]) / 2.0f;
        m.pArea[i] = fArea;
        if (!m.boundaryRadius(i)) {
            m.leaveOut(i);
            continue;
        }
        fSum += m.pPlateau[i] * m.pBoundary[i] * m.pBoundary[i] / fM2;
    }
    const int nUsed = m.usableCount();
    m.fLoading = nUsed > 0 ? fSum / static_cast<float>(nUsed) : 0.0f;

    for (int pass = 0; pass < 2; pass++)
        for (int i = 1; i <= m.n; i++) {
            if (!m.usable[i]) continue;
            m.pPlateau[i] = m.fLoading * fM2 / (m.pBoundary[i] * m.pBoundary[i]);
            if (!m.boundaryRadius(i)) m.leaveOut(i);
        }

    for (int i = 1; i <= m.n; i++) {
        if (!m.usable[i]) continue;
        const float* r = ppRadius[i];
        const float* c = ppSignal[i];
        const int nLast = std::min(pFitLastIndex[i], pScanPoints[i]);
        float fDepletion = 0.0f;
        for (int j = firstIntegrationIndex(i) + 1; j <= nLast; j++)
            fDepletion += (r[j] - r[j - 1]) * (m.fLoading - (c[j] + c[j - 1]) / 2.0f) * (r[j] + r[j - 1]) / 2.0f;
        const float fArgument = 1.0f - 2.0f * fDepletion / (m.fLoading * fR2);
        m.pResult[i] = -std::log(fArgument);
        if (!std::isfinite(m.pResult[i])) m.leaveOut(i);
    }

    m.hasProfile = m.usable;
    if (m.usableCount() == 0) {
        noSecondMomentResult(w, m);
        return false;
    }
    return true;
}

// The common opening: false when there is nothing to do.
bool openSecondMoment(TXLAWindow* w, int nMinScans)
{
    if (nScans < 1) return false;
    if (!fitLimitsSet(w)) return false;
    if (nScans < nMinScans) {
        MessageBox(w->HWindow, "at least two scans are needed", szSecondMomentTitle, MB_OK);
        return false;
    }
    MessageBox(w->HWindow,
               "subtract all systematic noise from raw data first\n(this will involve integrating the area under the "
               "raw data)\ncheck that plateaus are established (within 0.1cm of right fit limit)",
               szSecondMomentTitle, MB_OK);
    return true;
}

// The result box (with the scans left out named), the (time, s) table on
// the clipboard, and the step profiles shown as the model.
void finishSecondMoment(TXLAWindow* w, const SecondMoment& m, std::string szText, const std::vector<float>& times,
                        const std::vector<float>& values)
{
    if (!m.szLeftOut.empty()) szText += "\nscans left out: " + m.szLeftOut;
    szText += "\n(table sw vs time is stored in clipboard)";
    MessageBox(w->HWindow, szText.c_str(), szSecondMomentTitle, MB_OK);
    // the step profile of the equivalent sharp boundary as the model; none
    // for a scan without a boundary
    for (int i = 1; i <= m.n; i++)
        for (int j = 1; j <= pScanPoints[i]; j++)
            ppFit[i][j] = m.hasProfile[i] && ppRadius[i][j] > m.pBoundary[i] ? m.pPlateau[i] : 0.0f;
    const int nRows = static_cast<int>(times.size()) - 1;
    float* pY[1] = {const_cast<float*>(values.data())};
    if (nRows > 0) putTextOnClipboard(w, times.data(), pY, 1, nRows, 1);
    bModelComputed = 1;
    w->InvalidateUnlessBatch();
}

}  // namespace

void TXLAWindow::CmBoundaryBroadening()
{
    const char* szTitle = "BOUNDARY BROADENING ANALYSIS";
    auto ask = [this, szTitle](float* pf, float fDefault, const char* szPrompt) {
        return inputFloatInWindow(this, pf, fDefault, true, szPrompt, szTitle);
    };
    float fMen = fMeniscus, fBot = fBottom;
    if (fMen == 0.0f && !ask(&fMen, 6.2f, "enter meniscus (cm)")) return;
    if (fBot == 0.0f && !ask(&fBot, 7.2f, "enter bottom (cm)")) return;
    const float fMid = fMen + (fBot - fMen) * 0.5f;
    float fRpm = 0, fMass = 0, fVbar = 0, fDensity = 0, fT = 0, fS = 0, fDelta = 0;
    if (!ask(&fRpm, nScans > 0 ? pScanHeaders[1].rpm : 50000.0f, "enter rotor speed (rpm)")) return;
    const float fOmega = static_cast<float>(fRpm * kRpmToOmega);
    if (!ask(&fMass, 1000.0f, "enter molar mass [kDa]")) return;
    if (!ask(&fVbar, VBAR, "enter partial specific volume [ml/g]")) return;
    if (!ask(&fDensity, fBufferDensity, "enter buffer density [g/ml]")) return;
    if (!ask(&fT, 20.0f, "enter temperature [C]")) return;
    const float fRT = (fT + kZeroCelsiusF) * kGasConstantSIF * 1e7f;
    if (!ask(&fS, 100.0f, "enter s-value [S]")) return;
    const float fD = fS * 1e-13f * fRT / (fMass * 1000.0f * (1.0f - fVbar * fDensity));
    if (!ask(&fDelta, 0.01f, "enter ratio delta-s/s")) return;
    const float fLog = std::log(fMid / fMen);
    const float fTime = fLog / (fOmega * fOmega * fS * 1e-13f);
    const float fDiffusion = std::sqrt(2.0f * fD * fTime);
    const float fHeterogeneity = fDelta * fMid * fLog;
    char sz[700];
    std::snprintf(sz, sizeof sz,
                  "for M=%.0f kDa, s = %.2f S (D = %.2e F), heterogeneity delta-s/s=%.3f\n(at v=%.3f ml/g, "
                  "density=%.4f g/ml, w = %.0f rpm)\nspread from heterogeneity in s = %.4fcm\nspread from diffusion = "
                  "%0.4f cm\n ratio (diff-broadening)/(heterogeneous s-value broadending) = %e",
                  fMass, fS, fD, fDelta, fVbar, fDensity, fRpm, fHeterogeneity, fDiffusion,
                  fDiffusion / fHeterogeneity);
    MessageBox(HWindow, sz, szTitle, MB_OK);
}

void TXLAWindow::CmCalcSwSecondMoment()
{
    if (!openSecondMoment(this, 2)) return;
    SecondMoment m(nScans);
    if (!computeSecondMoment(this, m)) return;
    // x = L / (2 omega^2) in S s; sw between consecutive usable scans in time
    // order is dx / dt
    for (int i = 1; i <= nScans; i++) {
        if (!m.usable[i]) continue;
        const double dOmega = pScanHeaders[i].rpm * kRpmToOmega;
        m.pConc[i] = static_cast<float>(m.pResult[i] / (2.0 * dOmega * dOmega) * 1e13);
        if (!std::isfinite(m.pConc[i])) m.leaveOut(i);
    }
    std::vector<float> times{0.0f}, values{0.0f};
    int a = 0;
    for (int t = 1; t <= nScans; t++) {
        const int b = pScanTimeOrder[t];
        if (!m.usable[b]) continue;
        if (a == 0) {
            a = b;
            continue;
        }
        const double dTimeA = pScanHeaders[a].time;
        const float fSw = static_cast<float>((m.pConc[b] - m.pConc[a]) / (pScanHeaders[b].time - dTimeA));
        if (!std::isfinite(fSw)) {  // a scan at the time of the one before
            m.leaveOut(b);
            continue;
        }
        times.push_back(static_cast<float>(dTimeA));
        values.push_back(fSw);
        a = b;
    }
    if (times.size() < 2) {
        noSecondMomentResult(this, m);
        return;
    }
    float fSw = 0.0f;
    for (size_t k = 1; k < values.size(); k++) fSw += values[k];
    fSw /= static_cast<float>(values.size() - 1);
    float fPlateau = 0.0f;
    int nUsed = 0;
    for (int i = 1; i <= nScans; i++)
        if (m.usable[i]) {
            fPlateau += m.pPlateau[i];
            nUsed++;
        }
    fPlateau /= static_cast<float>(nUsed);
    char sz[400];
    std::snprintf(sz, sizeof sz,
                  "sw = %.4f S\nsw was averaged over scans, each determined by differential second moment\naverage "
                  "plateau concentration is %f\ncalculated loading concentration is %f",
                  fSw, fPlateau, m.fLoading);
    finishSecondMoment(this, m, sz, times, values);
}

void TXLAWindow::CmCalcWeightAverageS()
{
    if (!openSecondMoment(this, 1)) return;
    SecondMoment m(nScans);
    if (!computeSecondMoment(this, m)) return;
    // s = L / (2 omega^2 t) with the scan's accumulated omega^2 t; the
    // effective concentration is the plateau averaged from 0 to t
    for (int i = 1; i <= nScans; i++) {
        if (!m.usable[i]) continue;
        const float fW = static_cast<float>(pScanHeaders[i].omega2t);
        m.pResult[i] = m.pResult[i] / (2.0f * fW);
        const float fX = 2.0f * fW * m.pResult[i];
        m.pConc[i] = fX == 0.0f ? m.fLoading : m.fLoading / fX * (1.0f - std::exp(-fX));
        if (!std::isfinite(m.pResult[i]) || !std::isfinite(m.pConc[i])) m.leaveOut(i);
    }
    std::vector<float> times{0.0f}, values{0.0f};
    float fConc = 0.0f;
    for (int t = 1; t <= nScans; t++) {
        const int i = pScanTimeOrder[t];
        if (!m.usable[i]) continue;
        times.push_back(static_cast<float>(pScanHeaders[i].time));
        values.push_back(m.pResult[i] * 1e13f);
        fConc += m.pConc[i];
    }
    const int nUsed = static_cast<int>(values.size()) - 1;
    if (nUsed < 1) {
        noSecondMomentResult(this, m);
        return;
    }
    float fSw = 0.0f;
    for (int k = 1; k <= nUsed; k++) fSw += values[static_cast<size_t>(k)];
    fSw /= static_cast<float>(nUsed);
    fConc /= static_cast<float>(nUsed);
    char sz[400];
    std::snprintf(sz, sizeof sz,
                  "sw = %.4f S\nsw was averaged over scans, each integrated from 0 to t\naverage effective "
                  "concentration is %f\ncalculated loading concentration is %f",
                  fSw, fConc, m.fLoading);
    finishSecondMoment(this, m, sz, times, values);
}

void TXLAWindow::CmCalcRadialDilution()
{
    if (nScans < 1) return;
    if (!fitLimitsSet(this)) return;
    const float fOmega = pScanHeaders[1].rpm * 2.0f * 3.14159265f / 60.0f;
    const float fOmega2 = fOmega * fOmega;
    const double dWLast = pScanHeaders[pScanTimeOrder[nScans]].omega2t;
    const float fTLast = static_cast<float>(dWLast / fOmega2);
    float fSvedberg = 0.0f;
    if (!inputFloatInWindow(this, &fSvedberg, 5.0f, true, "enter s-value [S]", "CALCULATE RADIAL DILUTION")) return;
    const float fS = fSvedberg * 1e-13f;
    const float x = fOmega2 * fS * fTLast;
    const bool bFloating = fS < 0.0f;
    const float fStart = bFloating ? fBottom : fMeniscus;
    const float fBoundary = fStart * std::exp(x);
    const float fPlateau = std::exp(-2.0f * x);
    const float fAverageToLast = dilutionAverage(x);
    float fAverageAll = 0.0f;
    for (int i = 1; i <= nScans; i++) fAverageAll += dilutionAverage(static_cast<float>(fS * pScanHeaders[i].omega2t));
    fAverageAll /= static_cast<float>(nScans);
    char sz[1000];
    std::snprintf(sz, sizeof sz,
                  "a non-diffusing particle with s = %.3f S%s at %.3f cm would have a boundary position of %.3fcm in "
                  "the last scan\nradial dilution %s the plateau concentration at the time of the last scan to %.3f%% "
                  "of the loading concentration\nthe average plateau concentration during sedimenation from t=0 to "
                  "t(last scan) is %.3f%% of the loading concentration\n(this is the effective concentration required "
                  "for modeling the boundary position at the time of the last scan)\nin the average for all scans, the "
                  "effective plateau concentration during sedimentation is %.3f%% of the loading concentration",
                  fSvedberg, bFloating ? " \nwith the bottom" : "\nwith the meniscus", fStart, fBoundary,
                  bFloating ? "increases" : "reduces", fPlateau * 100.0f, fAverageToLast * 100.0f,
                  fAverageAll * 100.0f);
    MessageBox(HWindow, sz, "CALCULATE RADIAL DILUTION", MB_OK);
}

void TXLAWindow::CmCalcPressure()
{
    if (nScans < 1) return;
    const float fOmega = pScanHeaders[1].rpm * 2.0f * 3.14159265f / 60.0f;
    const float fOmega2 = fOmega * fOmega;
    auto pressure = [fOmega2](float r) {
        return (r * r - fMeniscus * fMeniscus) * 0.0001f * fBufferDensity * 1000.0f * 0.5f * fOmega2 * 1e-5f;
    };
    char sz[200];
    std::snprintf(sz, sizeof sz,
                  "pressure at the bottom is %.3f bar\npressure in the middle of the solution column is %.3f bar",
                  pressure(fBottom), pressure((fBottom + fMeniscus) / 2.0f));
    MessageBox(HWindow, sz, "CALCULATE RADIAL DILUTION", MB_OK);
}
