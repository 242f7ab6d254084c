// The minimum time to equilibrium and the search for a speed program that
// reaches it sooner.
#include "analyses/timetoeq/speed_step_optimizer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analyses/timetoeq/approach_to_eq_sim.h"
#include "analyses/timetoeq/time_to_eq_files.h"
#include "analyses/timetoeq/time_to_eq_params.h"
#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "fitting/simplex.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "numerics/random.h"
#include "platform/win.h"
#include "plot/key_polling.h"
#include "plot/number_entry.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"

CApproachToEqSim* pAppEqConstSim = nullptr;
CApproachToEqSim* pAppEqOptSim = nullptr;
float fAppEqOptDuration = 0.0f;
int nAppEqOptSpecies = 0;
float* pAppEqOptFractions = nullptr;
float* pAppEqOptS = nullptr;
float* pAppEqOptD = nullptr;
float fAppEqConstTime = 0.0f;
float fAppEqOptTime = 0.0f;
unsigned char bAppEqPenalty = 0;

namespace {

constexpr float fDecayTimeScale = 5.0f;   // h per unit of the first parameter
constexpr float fLowestFirstParam = 0.2f;
constexpr float fMinRpm = 3000.0f;
constexpr float fMaxRpm = 50000.0f;
constexpr float fSpread = 0.15f;          // relative spread of the start simplex
constexpr float fBadValue = 1e10f;
// Restarts in a row whose best time settled while the vector still moved:
// the time does not depend on where the vector goes, and the search ends
// there. (When the equilibrium is reached long after the overspeed phase,
// every programme takes the same time, the coordinates wander with the
// spread of the restarts and never settle.)
constexpr int nRestartsWithoutProgress = 3;

const char* const kTitle = "CALCULATE MINIMUM TIME TO EQ";

void freeSpeciesLists()
{
    free_vector(pAppEqOptFractions, 1, nAppEqOptSpecies);
    free_vector(pAppEqOptS, 1, nAppEqOptSpecies);
    free_vector(pAppEqOptD, 1, nAppEqOptSpecies);
    pAppEqOptFractions = pAppEqOptS = pAppEqOptD = nullptr;
    nAppEqOptSpecies = 0;
}

// Vertices 2..n+1 spread round row 1.
void spreadVertices(float** p, int n)
{
    for (int i = 2; i <= n + 1; ++i) {
        for (int j = 1; j <= n; ++j) {
            float v = p[1][j] + static_cast<float>(gaussianRandom(fSpread * p[1][j]));
            if (std::fabs(v) < fSpread) v += static_cast<float>(gaussianRandom(fSpread));
            p[i][j] = v;
        }
        if (p[i][1] < fLowestFirstParam) p[i][1] = fLowestFirstParam;
    }
}

int lowestVertex(const float* y, int n)
{
    int best = 1;
    for (int i = 2; i <= n + 1; ++i)
        if (y[i] < y[best]) best = i;
    return best;
}

// The evaluation counter of the simplex running now, for its progress line.
int* pnProgressCount = nullptr;
bool bAnnealing = false;

void speedStepsProgress(TXLAWindow* pWindow, float* pVertex, int, float fValue)
{
    fAppEqOptTime = fValue;
    showOptimizationProgress(fValue, pVertex, pWindow);
}

}  // namespace

void timeToEqStartVector(float* p, int n)
{
    for (int k = 1; k <= n; ++k) p[k] = 1.0f;
    if (!timeToEqParams.bExponential && n >= 1) p[1] = 1.5f;
}

void ensureTimeToEqParamVector()
{
    TimeToEqParams& tp = timeToEqParams;
    if (tp.pParamVector && tp.nParamVector == tp.nParams) return;
    discardTimeToEqParamVector(&tp);
    tp.nParamVector = tp.nParams > 0 ? tp.nParams : 1;
    tp.pParamVector = vector(1, tp.nParamVector);
    timeToEqStartVector(tp.pParamVector, tp.nParamVector);
}

int timeToEqProgressEvaluations() { return pnProgressCount ? *pnProgressCount : 0; }
bool timeToEqAnnealingRuns() { return bAnnealing; }

void releaseSpeedStepOptimizer()
{
    delete pAppEqConstSim;
    delete pAppEqOptSim;
    pAppEqConstSim = pAppEqOptSim = nullptr;
    freeSpeciesLists();
    fAppEqOptDuration = 0;
    fAppEqConstTime = fAppEqOptTime = 0;
    bAppEqPenalty = 0;
    pnProgressCount = nullptr;
    bAnnealing = false;
}

float estimateTimeToEq(float fRpm, float fTemperature, float fM, float fDensity, float fVbar, float fBottom,
                       float fMeniscus, float fD, float fEpsilon)
{
    const double pi2 = M_PI * M_PI;
    const double omega = fRpm * kRpmToOmega;
    const double b = fBottom, m = fMeniscus;
    const double alpha =
        (fTemperature + kZeroCelsius) * (2.0 * kGasConstant) / ((b * b - m * m) * (1.0 - fDensity * fVbar) * fM * omega * omega);
    const double g = 1.0 / (alpha * alpha * 39.47841760435743) + 1.0;
    const double t = -(1.0 / 3600.0) * ((b - m) * (b - m) / (fD * pi2 * g)) *
                     std::log(pi2 * fEpsilon * g * g / (4.0 * (std::cosh(1.0 / (2.0 * alpha)) + 1.0)));
    return static_cast<float>(t);
}

float rpmAtTime(const float* p, float t, bool bRound, float fQuantum)
{
    const TimeToEqParams& tp = timeToEqParams;
    const float fFinal = tp.fFinalRpm;
    const int n = tp.nParams;
    float fSpeed = fFinal;
    const float h = t / 3600.0f;
    const float H = tp.fOverspeedTime / 3600.0f;
    if (t >= 0 && p && n >= 1 && h <= H) {
        if (!tp.bExponential) {
            // k stops at n: in float arithmetic n H / n can come out below H,
            // and a time up to H belongs to the last part
            int k = 1;
            while (k < n && k * H / n < h) ++k;
            fSpeed = fFinal * p[k];
        } else {
            const float tau = std::max(0.5f, std::fabs(p[1]) * fDecayTimeScale);
            int k = 1;
            if (n > 1)
                while (k < n - 1 && k * H / (n - 1) < h) ++k;
            const float fAmplitude = k + 1 <= n ? p[k + 1] : 1.0f;
            fSpeed = (std::exp(-h / tau) * fAmplitude + 1.0f) * fFinal;
        }
    }
    if (bRound && fQuantum > 0) fSpeed = std::floor(fSpeed / fQuantum + 0.5f) * fQuantum;
    return std::clamp(fSpeed, fMinRpm, fMaxRpm);
}

bool readSpeedStepsFile(const char* szPath, int* pn, float** ppStart, float** ppRpm, float** ppRate)
{
    *pn = 0;
    *ppStart = *ppRpm = *ppRate = nullptr;
    if (!szPath || !szPath[0]) return false;
    std::string path = szPath;
    const std::string ext = timeToEqExtensionOf(szPath);
    if (ext.size() > 1 && (ext[1] == 'E' || ext[1] == 'e')) {
        const std::string converted = timeToEqFolderOf(szPath) + "speedsteps.txt";
        if (!convertEquMethodToSpeedSteps(szPath, converted.c_str())) return false;
        path = converted;
    }
    if (!fileExists(path.c_str())) return false;
    CRotorSpeedProfile profile;
    profile.Load(path.c_str());
    const int n = profile.nSteps;
    if (n < 1) return false;
    *pn = n;
    *ppStart = vector(1, n);
    *ppRpm = vector(1, n);
    *ppRate = vector(1, n);
    for (int k = 1; k <= n; ++k) {
        (*ppStart)[k] = profile.stepStart[k];
        (*ppRpm)[k] = profile.stepRpm[k];
        (*ppRate)[k] = profile.stepRate[k];
    }
    return true;
}

bool paramsToSpeedSteps(const float* p, int* pn, float** ppStart, float** ppRpm, float** ppRate, bool bRound,
                        float fQuantum)
{
    const TimeToEqParams& tp = timeToEqParams;
    if (tp.bJustRun) return readSpeedStepsFile(tp.szParamsFilePath, pn, ppStart, ppRpm, ppRate);
    *pn = 0;
    *ppStart = *ppRpm = *ppRate = nullptr;

    // the time grid: 2/3 of the step during the first hour, the step up to
    // three hours, twice the step after, up to the overspeed time
    const float g = tp.fGridStep;
    if (!(g > 0)) return false;
    std::vector<float> T{0.0f};
    for (;;) {
        const float t = T.back();
        const float d = t < 3600.0f ? g * 2.0f / 3.0f : (t < 10800.0f ? g : 2.0f * g);
        if (!(t + d < tp.fOverspeedTime)) break;
        T.push_back(t + d);
    }
    const int K = static_cast<int>(T.size());

    // speeds on the grid, each change limited by its rate over the interval
    std::vector<float> v(K), rate(K);
    v[0] = rpmAtTime(p, 0.0f, bRound, fQuantum);
    rate[0] = tp.fAccelerationRate;
    for (int k = 1; k < K; ++k) {
        float w = rpmAtTime(p, T[k], bRound, fQuantum);
        const bool bRise = w > v[k - 1];
        const float r = bRise ? tp.fAccelerationRate : tp.fDecelerationRate;
        const float fLimit = r * (T[k] - T[k - 1]);
        if (std::fabs(w - v[k - 1]) > fLimit) w = v[k - 1] + (bRise ? fLimit : -fLimit);
        v[k] = w;
        rate[k] = r;
    }

    // merged: the first point, then every point that changes the speed by at
    // least the quantum; the closing point at the overspeed time ends the list
    const float q = fQuantum > 0 ? fQuantum : 1.0f;
    std::vector<float> S{T[0]}, V{v[0]}, R{rate[0]};
    for (int k = 1; k < K; ++k)
        if (std::fabs(v[k] - v[k - 1]) >= q) {
            S.push_back(T[k]);
            V.push_back(v[k]);
            R.push_back(rate[k]);
        }
    const float fFinal = tp.fFinalRpm;
    S.push_back(tp.fOverspeedTime > T.back() ? tp.fOverspeedTime : T.back());
    V.push_back(fFinal);
    R.push_back(fFinal < V[V.size() - 2] ? tp.fDecelerationRate : tp.fAccelerationRate);

    const int n = static_cast<int>(S.size());
    *pn = n;
    *ppStart = vector(1, n);
    *ppRpm = vector(1, n);
    *ppRate = vector(1, n);
    for (int k = 1; k <= n; ++k) {
        (*ppStart)[k] = S[k - 1];
        (*ppRpm)[k] = V[k - 1];
        (*ppRate)[k] = R[k - 1];
    }
    return true;
}

int timeToEqSpeciesLists(float* pFractions, float* pS, float* pD)
{
    const TimeToEqParams& tp = timeToEqParams;
    if (tp.bSecondSpecies && tp.fFraction2 > 0 && tp.fM2 > 0 && tp.fVbar2 > 0 && tp.fFf02 > 0) {
        pFractions[1] = 1.0f - tp.fFraction2;
        pFractions[2] = tp.fFraction2;
        pS[1] = tp.fS1;
        pS[2] = tp.fS2;
        pD[1] = static_cast<float>(tp.dD1);
        pD[2] = static_cast<float>(tp.dD2);
        return 2;
    }
    pFractions[1] = 1.0f;
    pS[1] = tp.fS1;
    pD[1] = static_cast<float>(tp.dD1);
    return 1;
}

bool applyTimeToEqInitialDistribution(CApproachToEqSim* pSim)
{
    const TimeToEqParams& tp = timeToEqParams;
    if (tp.bHistory)
        return pSim->SetInitialDistribution(tp.fInitialRpm, 0, 0, nullptr, nullptr, false, pRotorSpeedProfile,
                                            tp.fHistoryDuration, tp.fInitialStepRadius);
    if (tp.fInitialRpm > 0)
        return pSim->SetInitialDistribution(tp.fInitialRpm, 0, 0, nullptr, nullptr, false, nullptr, 0.0f, 0.0f);
    if (tp.fInitialStepRadius > tp.fMeniscus && tp.fInitialStepRadius < tp.fBottom)
        return pSim->SetInitialDistribution(tp.fFinalRpm, 0, 0, nullptr, nullptr, false, nullptr, 0.0f,
                                            tp.fInitialStepRadius);
    return true;
}

void setOptimizationSpecies(float fDurationSeconds, int nSpecies, const float* pFractions, const float* pS,
                            const float* pD)
{
    freeSpeciesLists();
    fAppEqOptDuration = fDurationSeconds;
    nAppEqOptSpecies = nSpecies;
    pAppEqOptFractions = vector(1, nSpecies);
    pAppEqOptS = vector(1, nSpecies);
    pAppEqOptD = vector(1, nSpecies);
    for (int k = 1; k <= nSpecies; ++k) {
        pAppEqOptFractions[k] = pFractions[k];
        pAppEqOptS[k] = pS[k];
        pAppEqOptD[k] = pD[k];
    }
    fAppEqOptTime = 0;
    ensureTimeToEqParamVector();
}

float appEqObjective(float* p, TXLAWindow* pWindow)
{
    const TimeToEqParams& tp = timeToEqParams;
    const int n = tp.nParams;
    if (FILE* f = win::fopenMapped("c:\\morvex\\temp\\AppEqSimplexSim.txt", "w")) {
        for (int k = 1; k <= n; ++k) std::fprintf(f, "%f\n", p[k]);
        std::fclose(f);
    }
    ++nSimCount;
    ++nStepSimCount;

    const float fQuantum = tp.fQuantum;
    const bool bRound = fQuantum > 1.0f;
    int nSteps = 0;
    float *pStart = nullptr, *pRpm = nullptr, *pRate = nullptr;
    if (!paramsToSpeedSteps(p, &nSteps, &pStart, &pRpm, &pRate, bRound, bRound ? fQuantum : 1.0f)) return fBadValue;

    delete pAppEqOptSim;
    pAppEqOptSim = new CApproachToEqSim;
    CApproachToEqSim* sim = pAppEqOptSim;
    float fValue = fBadValue;
    // (a duration beyond the scan arrays was refused before the search)
    if (nAppEqOptSpecies >= 1 &&
        sim->Setup(pWindow, fAppEqOptDuration / 3600.0f, tp.fBottom, tp.fMeniscus, tp.fRightLimit,
                   tp.fMeniscus + 0.02f, nAppEqOptSpecies, pAppEqOptFractions, pAppEqOptS, pAppEqOptD, tp.fVbar,
                   tp.fTemperature, tp.fFinalRpm)) {
        sim->bExponential = tp.bExponential;
        sim->nParams = n;
        sim->pParams = vector(1, n);
        for (int k = 1; k <= n; ++k) sim->pParams[k] = p[k];
        if (applyTimeToEqInitialDistribution(sim)) {
            sim->SetSpeedSteps(nSteps, pStart, pRpm, pRate, 2);
            if (sim->Run()) {
                sim->Analyse(tp.fEpsilon, tp.fEpsilon);
                fValue = sim->fRmsdTime / 3600.0f;
                if (bAppEqPenalty) {
                    const float fEq = sim->pRmsDeviation[sim->nRmsdIndex];
                    fValue += 10.0f * fEq;
                    // a profile that moves away from equilibrium again
                    if (sim->nScans >= 2) {
                        const float fLate = sim->pRmsDeviation[sim->nScans - 1];
                        if (fEq < fLate)
                            fValue += (fLate - fEq) * (fLate - fEq) * 1000.0f / (tp.fEpsilon * tp.fEpsilon);
                    }
                }
                const float fOver = sim->BottomOverconcentration();
                if (tp.fMaxOverconcentration > 0 && fOver > tp.fMaxOverconcentration)
                    fValue += (fOver - tp.fMaxOverconcentration) * (fOver - tp.fMaxOverconcentration) * 1000.0f;
            }
        }
    }
    free_vector(pStart, 1, nSteps);
    free_vector(pRpm, 1, nSteps);
    free_vector(pRate, 1, nSteps);

    if (keyPressed() || bInterruptComputation) {
        bStopFit = 1;
        bInterruptComputation = 0;
    }
    if (fValue < fShownBestRmsd) fShownBestRmsd = fValue;
    return fValue;
}

void nelderMeadSpeedSteps(TXLAWindow* pWindow, float** p, float* y, int n, float ftol,
                          float (*objective)(float*, TXLAWindow*), int* pnCount)
{
    int* pnSaved = pnProgressCount;
    pnProgressCount = pnCount;
    amoeba(pWindow, p, y, n, ftol, objective, pnCount, speedStepsProgress);
    pnProgressCount = pnSaved;
}

void amebsaSpeedSteps(TXLAWindow* pWindow, float fTemperature, float** p, float* y, int n, float* pb, float* pyb,
                      float ftol, int* pnBudget)
{
    nStepSimCount = 0;
    float* psum = vector(1, n);
    auto sums = [&] {
        for (int j = 1; j <= n; ++j) {
            float s = 0;
            for (int i = 1; i <= n + 1; ++i) s += p[i][j];
            psum[j] = s;
        }
    };
    sums();
    const float tt = -fTemperature * *pyb;
    int nCount = 0;
    pnProgressCount = &nCount;
    for (;;) {
        if (bStopFit) break;
        // ranking on values raised by thermal noise
        int ilo = 1, ihi = 2, inhi = 1;
        float ylo = y[1] + tt * std::log(ran1(&nAnnealingSeed));
        float ynhi = ylo;
        float yhi = y[2] + tt * std::log(ran1(&nAnnealingSeed));
        if (ylo > yhi) {
            ihi = 1;
            ilo = inhi = 2;
            ynhi = yhi;
            yhi = ylo;
            ylo = ynhi;
        }
        for (int i = 3; i <= n + 1; ++i) {
            const float yt = y[i] + tt * std::log(ran1(&nAnnealingSeed));
            if (yt <= ylo) {
                ilo = i;
                ylo = yt;
            }
            if (yt > yhi) {
                inhi = ihi;
                ynhi = yhi;
                ihi = i;
                yhi = yt;
            } else if (yt > ynhi) {
                inhi = i;
                ynhi = yt;
            }
        }
        speedStepsProgress(pWindow, p[ilo], n, y[ilo]);
        const float rtol = simplexRelativeSpread(ylo, yhi);
        if (rtol < ftol || *pnBudget < 0) {
            std::swap(y[1], y[ilo]);
            for (int j = 1; j <= n; ++j) std::swap(p[1][j], p[ilo][j]);
            break;
        }
        *pnBudget -= 2;
        nCount += 2;
        float ytry = amotsa(tt, pWindow, p, y, psum, n, pb, pyb, appEqObjective, ihi, &yhi, -1.0f);
        if (ytry <= ylo) {
            amotsa(tt, pWindow, p, y, psum, n, pb, pyb, appEqObjective, ihi, &yhi, 2.0f);
        } else if (ytry >= ynhi) {
            const float ysave = yhi;
            ytry = amotsa(tt, pWindow, p, y, psum, n, pb, pyb, appEqObjective, ihi, &yhi, 0.5f);
            if (ytry >= ysave) {
                for (int i = 1; i <= n + 1; ++i) {
                    if (i == ilo) continue;
                    for (int j = 1; j <= n; ++j) p[i][j] = psum[j] = 0.5f * (p[i][j] + p[ilo][j]);
                    y[i] = appEqObjective(psum, pWindow);
                }
                *pnBudget -= n;
                nCount += n;
                sums();
            }
        } else {
            ++*pnBudget;
            --nCount;
        }
    }
    pnProgressCount = nullptr;
    free_vector(psum, 1, n);
}

void annealSpeedSteps(TXLAWindow* pWindow)
{
    TimeToEqParams& tp = timeToEqParams;
    ensureTimeToEqParamVector();
    const int n = tp.nParamVector;
    const float T0 = fSATemperature;
    const int K = nSANumberOfTemps > 0 ? nSANumberOfTemps : 1;
    float** p = matrix(1, n + 1, 1, n);
    float* y = vector(1, n + 1);
    float* pb = vector(1, n);
    for (int j = 1; j <= n; ++j) p[1][j] = tp.pParamVector[j];
    spreadVertices(p, n);
    for (int i = n + 1; i >= 1; --i) y[i] = appEqObjective(p[i], pWindow);
    const int best = lowestVertex(y, n);
    float yb = y[best];
    for (int j = 1; j <= n; ++j) pb[j] = p[best][j];

    bFitRunning = 1;
    bAppEqPenalty = 1;
    nFitSteps = 0;
    nSimCount = 0;
    fBestRmsd = fShownBestRmsd = fAppEqOptTime;
    nAnnealingSeed = -3;
    ran1(&nAnnealingSeed);
    bAnnealing = true;
    for (int k = 0; k < K && !bStopFit; ++k) {
        ++nFitSteps;
        fSATemperature = annealingTemperature(k, K, T0);
        int nBudget = nSAItMax;
        amebsaSpeedSteps(pWindow, fSATemperature, p, y, n, pb, &yb, 0.0005f, &nBudget);
        if (nBudget > 0) break;
    }
    bAnnealing = false;
    bFitRunning = 0;
    bAppEqPenalty = 0;
    bStopFit = 0;
    for (int j = 1; j <= n; ++j) tp.pParamVector[j] = pb[j];
    fAppEqOptTime = appEqObjective(tp.pParamVector, pWindow);
    free_matrix(p, 1, n + 1, 1, n);
    free_vector(y, 1, n + 1);
    free_vector(pb, 1, n);

    fSATemperature = 0;
    optimizeSpeedSteps(pWindow);
    fSATemperature = T0;
}

void optimizeSpeedSteps(TXLAWindow* pWindow)
{
    TimeToEqParams& tp = timeToEqParams;
    if (tp.fQuantum < 100.0f && bSimulatedAnnealing && fSATemperature > 0) {
        annealSpeedSteps(pWindow);
        return;
    }
    ensureTimeToEqParamVector();
    const int n = tp.nParamVector;
    float* vec = tp.pParamVector;
    float** p = matrix(1, n + 1, 1, n);
    float* y = vector(1, n + 1);
    float* old = vector(1, n);
    int nCount = 0;

    for (int j = 1; j <= n; ++j) p[1][j] = vec[j];
    spreadVertices(p, n);
    for (int i = n + 1; i >= 1; --i) y[i] = appEqObjective(p[i], pWindow);
    bFitRunning = 1;
    nFitSteps = 0;
    nSimCount = 0;
    bAppEqPenalty = 1;
    fBestRmsd = fShownBestRmsd = fAppEqOptTime;
    nelderMeadSpeedSteps(pWindow, p, y, n, 1e-5f, appEqObjective, &nCount);
    int best = lowestVertex(y, n);
    for (int j = 1; j <= n; ++j) vec[j] = p[best][j];
    float fOld = y[best];

    int nSettled = 0;
    while (!bStopFit) {
        for (int j = 1; j <= n; ++j) old[j] = vec[j];
        for (int j = 1; j <= n; ++j) p[1][j] = vec[j];
        spreadVertices(p, n);
        for (int i = n + 1; i >= 1; --i) y[i] = appEqObjective(p[i], pWindow);
        nelderMeadSpeedSteps(pWindow, p, y, n, 1e-5f, appEqObjective, &nCount);
        best = lowestVertex(y, n);
        for (int j = 1; j <= n; ++j) vec[j] = p[best][j];
        const float fNew = y[best];
        const bool bTimeSettled = rmsdChangeSettled(fOld, fNew, 1e-5f);
        bool bConverged = bTimeSettled;
        for (int j = 1; j <= n && bConverged; ++j) {
            if (vec[j] == 0.0f)
                bConverged = std::fabs(old[j]) <= 1e-4f;
            else
                bConverged = std::fabs((vec[j] - old[j]) / vec[j]) <= 1e-4f;
        }
        nSettled = bTimeSettled ? nSettled + 1 : 0;
        fOld = fNew;
        if (bConverged || nSettled >= nRestartsWithoutProgress) break;
    }

    bFitRunning = 0;
    bStopFit = 0;
    bAppEqPenalty = 0;
    fAppEqOptTime = appEqObjective(vec, pWindow);
    free_matrix(p, 1, n + 1, 1, n);
    free_vector(y, 1, n + 1);
    free_vector(old, 1, n);
}

float calculateMinimumTimeToEq(TXLAWindow* pWindow)
{
    TimeToEqParams& tp = timeToEqParams;
    win::HWND hwnd = pWindow ? pWindow->HWindow : nullptr;

    // 1. the constant-speed reference
    delete pAppEqConstSim;
    pAppEqConstSim = new CApproachToEqSim;
    if (tp.bDistribution) {
        win::MessageBox(hwnd, "...distribution needs to be implemented", kTitle, win::MB_OK);
        return 0;
    }
    // reproducible start simplices, run after run
    seedRandomNumbers(1);

    // 2. species, geometry, initial distribution
    float fr[3], s[3], D[3];
    const int nSpecies = timeToEqSpeciesLists(fr, s, D);
    CApproachToEqSim* cs = pAppEqConstSim;
    if (!approachToEqDurationFits(tp.fSimDurationHours)) return 0;
    if (!cs->Setup(pWindow, tp.fSimDurationHours, tp.fBottom, tp.fMeniscus, tp.fRightLimit, tp.fMeniscus + 0.02f,
                   nSpecies, fr, s, D, tp.fVbar, tp.fTemperature, tp.fFinalRpm))
        return 0;
    if (!applyTimeToEqInitialDistribution(cs)) return 0;

    // 3. the run at constant speed
    bInterruptComputation = 0;
    if (!cs->Run()) return -1;
    cs->Analyse(tp.fEpsilon, tp.fEpsilon);
    cs->WriteDeltaEqFile(szTimeToEqResultPath, "constantspeed_DeltaEQ.txt");
    fAppEqConstTime = cs->fRmsdTime / 3600.0f;
    setOptimizationSpecies(cs->fRmsdTime, nSpecies, fr, s, D);

    bStopFit = 0;
    if (!tp.bJustRun) {
        // 4. two passes (unrounded, then in steps of 100 rpm) from the start
        // vector, as often as asked; the lowest time wins
        const int n = tp.nParamVector;
        float* start = vector(1, n);
        float* best = vector(1, n);
        timeToEqStartVector(start, n);
        float fBest = 0;
        for (int r = 1; r <= std::max(1, tp.nRepeats); ++r) {
            for (int k = 1; k <= n; ++k) tp.pParamVector[k] = start[k];
            tp.fQuantum = 1.0f;
            fAppEqOptTime = appEqObjective(tp.pParamVector, pWindow);
            if (r == 1) {
                fBest = fAppEqOptTime;
                for (int k = 1; k <= n; ++k) best[k] = tp.pParamVector[k];
            }
            fShownBestRmsd = fAppEqOptTime;
            showOptimizationProgress(fAppEqOptTime, tp.pParamVector, pWindow);
            optimizeSpeedSteps(pWindow);
            bStopFit = 0;
            bInterruptComputation = 0;
            tp.fQuantum = 100.0f;
            optimizeSpeedSteps(pWindow);
            bStopFit = 0;
            bInterruptComputation = 0;
            if (fAppEqOptTime < fBest) {
                fBest = fAppEqOptTime;
                for (int k = 1; k <= n; ++k) best[k] = tp.pParamVector[k];
            }
        }
        if (tp.nRepeats > 1) {
            for (int k = 1; k <= n; ++k) tp.pParamVector[k] = best[k];
            fAppEqOptTime = appEqObjective(tp.pParamVector, pWindow);
        }
        free_vector(start, 1, n);
        free_vector(best, 1, n);
    } else {
        // 5. the steps of the chosen file, once
        fAppEqOptTime = appEqObjective(tp.pParamVector, pWindow);
    }
    bStopFit = 0;
    bInterruptComputation = 0;
    tp.fLastOptimizedTime = fAppEqOptTime;

    // 6. the files of the best program
    CApproachToEqSim* os = pAppEqOptSim;
    if (os) {
        os->WriteSpeedSteps(szTimeToEqResultPath, false);
        os->WriteRpmTimeCourse(szTimeToEqResultPath, false);
        const std::string simparams =
            timeToEqFolderOf(szTimeToEqResultPath) + "simparams" + timeToEqExtensionOf(szTimeToEqResultPath);
        win::CopyFile(szSimAppEqParamsIniPath, simparams.c_str(), win::FALSE);
        if (tp.bSaveScanFiles) os->WriteScanFiles(szTimeToEqResultPath);
        os->WriteDeltaEqFile(szTimeToEqResultPath, "optimized_DeltaEQ.txt");
        if (tp.bSaveEquMethod) {
            float fCycle = 90.0f, fPerStep = 1.0f, fFinalScans = 0.0f;
            if (!inputFloatInWindow(pWindow, &fCycle, 90.0f, true, "scan cycle time (sec)", kTitle)) return 0;
            if (!inputFloatInWindow(pWindow, &fPerStep, 1.0f, true, "max # of scans per step", kTitle)) return 0;
            if (!inputFloatInWindow(pWindow, &fFinalScans, 0.0f, true, "# of final scans", kTitle)) return 0;
            os->WriteEquMethod(szTimeToEqResultPath, fCycle, static_cast<int>(std::floor(tp.fTemperature)),
                               static_cast<int>(std::floor(fFinalScans)), static_cast<int>(std::floor(fPerStep)), 1);
        }
    }

    // 7. the result plots
    buildTimeToEqResultPlots(pWindow);
    if (pWindow) pWindow->InvalidateUnlessBatch();
    return fAppEqConstTime;
}
