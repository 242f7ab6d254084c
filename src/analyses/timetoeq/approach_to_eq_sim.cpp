// CApproachToEqSim: set-up, initial distributions, the solution and its
// distance from equilibrium.
//
// The target is the equilibrium of each species at the final speed, per unit
// loading: c(r) = exp(sigma (r^2 - b^2)) (b^2 - m^2) sigma / (1 - exp(sigma
// (m^2 - b^2))) with sigma = s omega^2 / (2 D), which keeps the amount of the
// uniform loading, integral of r c dr = (b^2 - m^2) / 2. The Lamm solutions
// keep that amount too, so the deviation of a scan from the target measures
// the approach alone.
#include "analyses/timetoeq/approach_to_eq_sim.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "analyses/timetoeq/time_to_eq_params.h"
#include "app/xla_window.h"
#include "fegrid/global_grid.h"
#include "lamm/lamm_ideal.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "plot/error_box.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"

namespace {

constexpr double kFourPiSquared = 39.47841760435743;
constexpr double kRampRate = 280.0;  // rpm/s of the synthetic records

// sigma = s omega^2 / (2 D) at the speed v (rpm), per cm^2.
double reducedMass(double s, double D, double v)
{
    if (!(D > 0)) return 0;
    return (1.0 / 3600.0) * (s / D) * 1e-13 * 0.5 * v * v * kFourPiSquared;
}

// x / (1 - exp(-x)), 1 at x = 0: the equilibrium amplitude at the bottom of a
// column with x = sigma (b^2 - r^2) for unit loading above r.
double equilibriumFactor(double x)
{
    if (std::fabs(x) < 1e-10) return 1.0;
    return x / -std::expm1(-x);
}

double* copyList(int n, const float* p)
{
    double* d = dvector(1, n);
    for (int k = 1; k <= n; ++k) d[k] = p ? p[k] : 0.0;
    return d;
}

template <class T>
T* copyArray(const T* p, int n, T* (*alloc)(long, long))
{
    if (!p || n < 1) return nullptr;
    T* q = alloc(1, n);
    std::memcpy(q + 1, p + 1, sizeof(T) * static_cast<size_t>(n));
    return q;
}

}  // namespace

void approachToEqOmega2t(ScanHeader* h, bool bKeepSpeed)
{
    const double c = kFourPiSquared / 3600.0;
    const double t = h->time;
    double v = h->rpm;
    if (t < h->accelTime) {
        h->accelTime = t;
        if (!bKeepSpeed) {
            v = kRampRate * t;
            h->rpm = static_cast<float>(v);
        }
        h->omega2t = c / 3.0 * v * v * h->accelTime;
    } else {
        h->omega2t = c * v * v * (t - h->accelTime) + c / 3.0 * v * v * h->accelTime;
    }
}

CApproachToEqSim::CApproachToEqSim() = default;

CApproachToEqSim::~CApproachToEqSim() { FreeArrays(); }

void CApproachToEqSim::FreeResults()
{
    free_vector(pScanTimes, 1, nScans);
    free_vector(pScanHours, 1, nScans);
    free_vector(pMaxDeviation, 1, nScans);
    free_vector(pRmsDeviation, 1, nScans);
    pScanTimes = pScanHours = pMaxDeviation = pRmsDeviation = nullptr;
}

void CApproachToEqSim::FreeArrays()
{
    FreeResults();
    delete[] pScanRecords;
    pScanRecords = nullptr;
    delete[] pInitialRecord;
    pInitialRecord = nullptr;
    delete pHistoryProfile;
    pHistoryProfile = nullptr;
    if (ppTotalScans) free_matrix(ppTotalScans, 1, nScans, 1, nRadialPoints);
    ppTotalScans = nullptr;
    if (pppSpeciesScans) {
        for (int k = 1; k <= nSpecies; ++k)
            if (pppSpeciesScans[k]) free_matrix(pppSpeciesScans[k], 1, nScans, 1, nRadialPoints);
        delete[] pppSpeciesScans;
        pppSpeciesScans = nullptr;
    }
    if (ppInitialProfiles) {
        for (int k = 1; k <= nSpecies; ++k) free_vector(ppInitialProfiles[k], 1, nRadialPoints);
        delete[] ppInitialProfiles;
        ppInitialProfiles = nullptr;
    }
    free_vector(pRadii, 1, nRadialPoints);
    free_vector(pTarget, 1, nRadialPoints);
    pRadii = pTarget = nullptr;
    free_ivector(pScanOrder, 1, nScans);
    pScanOrder = nullptr;
    free_dvector(pFractions, 1, nSpecies);
    free_dvector(pS, 1, nSpecies);
    free_dvector(pD, 1, nSpecies);
    pFractions = pS = pD = nullptr;
    free_vector(pStepStart, 1, nSteps);
    free_vector(pStepRpm, 1, nSteps);
    free_vector(pStepRate, 1, nSteps);
    pStepStart = pStepRpm = pStepRate = nullptr;
    free_vector(pParams, 1, nParams);
    pParams = nullptr;
}

int approachToEqScanCount(float fDurationHours, float fInterval)
{
    if (!(fInterval > 0)) return 1;
    // counted, not summed: a float time stops growing at 2^24 intervals
    const double dCount = std::ceil(static_cast<double>(fDurationHours * 3600.0f) / fInterval);
    if (!(dCount <= kMaxApproachToEqScans)) return 0;
    return dCount < 1 ? 1 : static_cast<int>(dCount);
}

bool approachToEqDurationFits(float fDurationHours)
{
    if (approachToEqScanCount(fDurationHours, kApproachToEqScanInterval) > 0) return true;
    char sz[400];
    std::snprintf(sz, sizeof sz,
                  "a simulation of %.4g h (one scan every %.0f s) is beyond the %d scans (%.0f h) the simulation "
                  "can hold - please check s, M and f/f0",
                  static_cast<double>(fDurationHours), static_cast<double>(kApproachToEqScanInterval),
                  kMaxApproachToEqScans, kMaxApproachToEqScans * kApproachToEqScanInterval / 3600.0);
    showErrorMessage(sz, 0);
    return false;
}

bool CApproachToEqSim::Setup(TXLAWindow* window, float fDurationHours, float fBottomIn, float fMeniscusIn,
                             float fRightLimitIn, float fLeftLimitIn, int nSpeciesIn, const float* pFractionsIn,
                             const float* pSIn, const float* pDIn, float fVbarIn, float fTemperatureIn,
                             float fFinalRpmIn)
{
    const int nScanCount = approachToEqScanCount(fDurationHours, fScanInterval);
    if (nScanCount < 1) return false;
    // a repeated set-up starts afresh; the steps and the parameter vector stay
    FreeResults();
    delete[] pScanRecords;
    delete[] pInitialRecord;
    pScanRecords = pInitialRecord = nullptr;
    if (ppTotalScans) free_matrix(ppTotalScans, 1, nScans, 1, nRadialPoints);
    if (pppSpeciesScans) {
        for (int k = 1; k <= nSpecies; ++k) free_matrix(pppSpeciesScans[k], 1, nScans, 1, nRadialPoints);
        delete[] pppSpeciesScans;
    }
    if (ppInitialProfiles) {
        for (int k = 1; k <= nSpecies; ++k) free_vector(ppInitialProfiles[k], 1, nRadialPoints);
        delete[] ppInitialProfiles;
    }
    ppTotalScans = nullptr;
    pppSpeciesScans = nullptr;
    ppInitialProfiles = nullptr;
    free_vector(pRadii, 1, nRadialPoints);
    free_vector(pTarget, 1, nRadialPoints);
    free_ivector(pScanOrder, 1, nScans);
    free_dvector(pFractions, 1, nSpecies);
    free_dvector(pS, 1, nSpecies);
    free_dvector(pD, 1, nSpecies);

    // 1. window, species, solvent, speed
    pWindow = window;
    nSpecies = nSpeciesIn > 0 ? nSpeciesIn : 1;
    pFractions = copyList(nSpecies, pFractionsIn);
    pS = copyList(nSpecies, pSIn);
    pD = copyList(nSpecies, pDIn);
    fVbar = fVbarIn;
    fTemperature = fTemperatureIn;
    fFinalRpm = fFinalRpmIn;

    // 2. scans every interval until the duration is reached; at least one
    nScans = nScanCount;

    // 3. geometry
    fMeniscus = fMeniscusIn;
    fBottom = fBottomIn;
    if (fRightLimitIn < fLeftLimitIn) std::swap(fRightLimitIn, fLeftLimitIn);
    if (fLeftLimitIn < fMeniscus) fLeftLimitIn = fMeniscus + 0.01f;
    if (fBottom < fRightLimitIn) fRightLimitIn = fBottom - 0.05f;
    fLeftLimit = fLeftLimitIn;
    fRightLimit = fRightLimitIn;

    // 4. radii every step from the meniscus; a point that would reach or pass
    // the bottom is the bottom itself, so every integral covers the column
    const double m = fMeniscus, b = fBottom;
    const double h = fRadialStep > 0 ? fRadialStep : 0.002;
    int nInside = 1;
    if (b > m)
        while (m + nInside * h < b - 0.01 * h) ++nInside;
    nRadialPoints = nInside + 1;
    pRadii = vector(1, nRadialPoints);
    for (int i = 1; i <= nInside; ++i) pRadii[i] = static_cast<float>(m + (i - 1) * h);
    pRadii[nRadialPoints] = b > m ? fBottom : static_cast<float>(m + h);

    // 5. the fit range
    nFirstFitIndex = nRadialPoints;
    for (int i = 1; i <= nRadialPoints; ++i)
        if (pRadii[i] > fLeftLimit) {
            nFirstFitIndex = i;
            break;
        }
    nLastFitIndex = nRadialPoints;
    for (int i = 1; i <= nRadialPoints; ++i)
        if (pRadii[i] > fRightLimit) {
            nLastFitIndex = i - 1;
            break;
        }

    // 6. scans, order and records
    ppTotalScans = matrix(1, nScans, 1, nRadialPoints);
    pScanOrder = ivector(1, nScans);
    for (int i = 1; i <= nScans; ++i) pScanOrder[i] = i;
    pppSpeciesScans = new float**[nSpecies + 1]();
    for (int k = 1; k <= nSpecies; ++k) pppSpeciesScans[k] = matrix(1, nScans, 1, nRadialPoints);
    ppInitialProfiles = new float*[nSpecies + 1]();
    pScanRecords = new ScanHeader[nScans + 1];
    std::memset(pScanRecords, 0, sizeof(ScanHeader) * static_cast<size_t>(nScans + 1));
    for (int i = 1; i <= nScans; ++i) {
        ScanHeader* r = &pScanRecords[i];
        r->dataType = 'R';
        r->cell = 1;
        r->temperature = fTemperature;
        r->rpm = fFinalRpm;
        r->time = r->timeWritten = r->timeRead = static_cast<double>(i) * fScanInterval;
        r->wavelength = 0;
        r->count = 0;
        r->nPoints = nRadialPoints;
        r->accelRate = kRampRate;
        r->accelTime = fFinalRpm / kRampRate;
        approachToEqOmega2t(r, false);
    }
    pInitialRecord = new ScanHeader[2];
    std::memset(pInitialRecord, 0, sizeof(ScanHeader) * 2);

    // 7. the target: the equilibrium of every species at the final speed
    pTarget = vector(1, nRadialPoints);
    for (int k = 1; k <= nSpecies; ++k) {
        const double sigma = reducedMass(pS[k], pD[k], fFinalRpm);
        const double A = equilibriumFactor(sigma * (b * b - m * m)) * pFractions[k];
        for (int i = 1; i <= nRadialPoints; ++i) {
            const double r = pRadii[i];
            pTarget[i] += static_cast<float>(A * std::exp(sigma * (r * r - b * b)));
        }
    }
    return true;
}

bool CApproachToEqSim::SetInitialDistribution(float fRpm, int nProfiles, int nGivenPoints, float* pGivenRadii,
                                              float** pGivenProfiles, bool bUseGiven,
                                              const CRotorSpeedProfile* pHistory, float fHistoryDuration,
                                              float fStepRadius)
{
    if (!pRadii || nRadialPoints < 1) return false;
    if (bUseGiven && nProfiles != nSpecies) return false;
    const double m = fMeniscus, b = fBottom;
    const int N = nRadialPoints;
    for (int k = 1; k <= nSpecies; ++k) {
        free_vector(ppInitialProfiles[k], 1, N);
        ppInitialProfiles[k] = nullptr;
    }

    ScanHeader* rec = &pInitialRecord[1];
    std::memset(rec, 0, sizeof(ScanHeader));
    std::strcpy(rec->title, "simulated");
    rec->dataType = 'R';
    rec->cell = 1;
    rec->temperature = timeToEqParams.fTemperature;
    rec->rpm = fRpm;
    rec->wavelength = 0;
    rec->count = 0;
    rec->nPoints = N;
    rec->accelRate = kRampRate;

    if (bUseGiven) {
        // 3. the given curves on the radial grid
        for (int k = 1; k <= nSpecies; ++k) {
            ppInitialProfiles[k] = vector(1, N);
            if (pGivenProfiles && pGivenProfiles[k] && pGivenRadii)
                interpolateOnGrid(N, pRadii, ppInitialProfiles[k], nGivenPoints, pGivenRadii, pGivenProfiles[k]);
        }
        fInitialDuration = 0;
    } else if (fHistoryDuration > 0) {
        // 2. the history of the loaded data at the speed of its last scan
        if (::nScans > 0 && ::pScanHeaders && ::pScanTimeOrder) rec->rpm = ::pScanHeaders[::pScanTimeOrder[::nScans]].rpm;
        fInitialDuration = fHistoryDuration;
        delete pHistoryProfile;
        pHistoryProfile = new CRotorSpeedProfile;
        if (pHistory && pHistory->bMultiStep && pHistory->nSteps >= 1) pHistoryProfile->CopyFrom(*pHistory);
    } else {
        // 1. the equilibrium at the speed, or a step at the step radius
        const bool bStep = fStepRadius > pRadii[1];
        fInitialDuration = bStep ? 1.0f : 100000.0f;
        int j = 1;
        if (bStep) {
            for (int i = 1; i <= N; ++i)
                if (pRadii[i] > fStepRadius) {
                    j = i;
                    break;
                }
        }
        for (int k = 1; k <= nSpecies; ++k) {
            float* c = ppInitialProfiles[k] = vector(1, N);
            const double sigma = reducedMass(pS[k], pD[k], fRpm);
            const double A = equilibriumFactor(sigma * (b * b - m * m));
            if (!bStep) {
                for (int i = 1; i <= N; ++i) {
                    const double r = pRadii[i];
                    c[i] = static_cast<float>(A * std::exp(sigma * (r * r - b * b)));
                }
            } else {
                const double rj = pRadii[j];
                const float Ap = static_cast<float>(A / equilibriumFactor(sigma * (b * b - rj * rj)));
                for (int i = 1; i <= N; ++i) c[i] = i < j ? 0.0f : (i == j ? 0.5f * Ap : Ap);
                if (j > 1) c[j - 1] = 0.2f * Ap;
                if (j < N) c[j + 1] = 0.8f * Ap;
            }
        }
    }

    rec->time = rec->timeWritten = rec->timeRead = fInitialDuration;
    rec->accelTime = rec->rpm / kRampRate;
    // 4. omega^2 t of the phase, at its own speed
    approachToEqOmega2t(rec, true);

    if (!bUseGiven && fHistoryDuration > 0)
        for (int k = 1; k <= nSpecies; ++k) ppInitialProfiles[k] = SimulateHistoryProfile(1.0f, pS[k], pD[k]);
    return true;
}

CLammIdeal* CApproachToEqSim::NewSolver(double s, double D, ScanHeader* pHeaders, float** ppOut, int* pOrder,
                                        int nScansOut)
{
    CLammIdeal* L = new CLammIdeal;
    L->SetNonReactingModel();
    L->SetSedimentationParams(s, D, fMeniscus, fBottom, 1.0, fLeftLimit, fRightLimit);
    L->SetScanData(pWindow ? pWindow->HWindow : nullptr, nullptr, pHeaders, ppOut, pRadii, nRadialPoints, nullptr,
                   nullptr, false, pOrder, nScansOut, 1, true, true, false, 0, false, 0, false);
    // The grid parameter bounds the grid: the dynamic grid of a run at
    // constant speed lies between its half and its double, and a run with
    // speed steps, which the solver keeps on a fixed grid, takes its double,
    // so both runs of a comparison resolve the column alike. The solver never
    // ends a run early as steady: the slow last approach to equilibrium is
    // what the run measures (a steady-state end at a relative change of 1e-6
    // per second leaves the profile about 0.001 short of it). The rest are
    // the solver settings' defaults, the rotor accelerating from rest.
    const int nFixedGrid = nGridParameter * 2;
    L->SetSolverOptions(nGridParameter / 2, nGridParameter * 2, 5.0f, 0, 1e-4, 1, 1, 1, 1.0f, 1, 0, 0, 0.0, 1.0,
                        1, 0, 1, 1.0, 0.1, 0.3, 1.0, nFixedGrid, nFixedGrid, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0,
                        60.0);
    L->SetSolventAndParticle(fTemperature, fVbar, 1.0, 1.0);
    L->SetFixedStepLimit(100.0);
    return L;
}

float* CApproachToEqSim::SimulateHistoryProfile(float fLoading, double s, double D)
{
    bSimulationError = 0;
    bDiscretizationError = 0;
    const int N = nRadialPoints;
    float** out = matrix(1, 1, 1, N);
    int order[2] = {0, 1};
    CLammIdeal* L = NewSolver(s, D, pInitialRecord, out, order, 1);
    if (pHistoryProfile && pHistoryProfile->bMultiStep) L->CheckRotorSpeeds(pHistoryProfile);
    nSolverError = L->Solve();
    delete L;
    if (pWindow) pWindow->ReportSimulationError(nSolverError);
    float* c = vector(1, N);
    for (int i = 1; i <= N; ++i) c[i] = fLoading * out[1][i];
    free_matrix(out, 1, 1, 1, N);
    return c;
}

void CApproachToEqSim::SetSpeedSteps(int n, const float* pStart, const float* pRpm, const float* pRate, int nMode)
{
    free_vector(pStepStart, 1, nSteps);
    free_vector(pStepRpm, 1, nSteps);
    free_vector(pStepRate, 1, nSteps);
    pStepStart = pStepRpm = pStepRate = nullptr;
    nSteps = n > 0 ? n : 0;
    if (nSteps > 0) {
        pStepStart = copyArray(pStart, nSteps, vector);
        pStepRpm = copyArray(pRpm, nSteps, vector);
        pStepRate = copyArray(pRate, nSteps, vector);
    }
    nStepMode = nMode;
    bSpeedSteps = nSteps > 0 ? 1 : 0;
}

void CApproachToEqSim::SetTimeCompression(float fFactor, float fBreakTime)
{
    if (fFactor < 1.0f || fBreakTime <= 0.0f) {
        bCompression = 0;
        return;
    }
    bCompression = 1;
    fTimeCompression = fFactor;
    fCompressionBreak = fBreakTime;
    fCompressedBreak = fBreakTime / fFactor;
}

void CApproachToEqSim::CompressTimes()
{
    const double f = fTimeCompression, tb = fCompressionBreak, tc = fCompressedBreak, shift = tc - tb;
    for (int i = 1; i <= nScans; ++i) {
        ScanHeader* r = &pScanRecords[i];
        if (r->time >= tb) {
            const double v = r->rpm;
            r->time += shift;
            r->timeWritten += shift;
            r->omega2t += shift * v * v * kFourPiSquared / 3600.0;
        } else {
            r->accelRate *= f;
            r->time /= f;
            r->timeWritten /= f;
            r->accelTime /= f;
            r->omega2t /= f;
        }
    }
    for (int k = 1; k <= nSteps; ++k) {
        if (pStepStart[k] >= tb) {
            pStepStart[k] = static_cast<float>(pStepStart[k] + shift);
        } else {
            pStepStart[k] = static_cast<float>(pStepStart[k] / f);
            pStepRate[k] = static_cast<float>(pStepRate[k] * f);
        }
    }
}

void CApproachToEqSim::RestoreTimes()
{
    const double f = fTimeCompression, tb = fCompressionBreak, tc = fCompressedBreak, shift = tc - tb;
    for (int i = 1; i <= nScans; ++i) {
        ScanHeader* r = &pScanRecords[i];
        if (r->time >= tc) {
            const double v = r->rpm;
            r->time -= shift;
            r->timeWritten -= shift;
            r->omega2t -= shift * v * v * kFourPiSquared / 3600.0;
        } else {
            r->accelRate /= f;
            r->time *= f;
            r->timeWritten *= f;
            r->accelTime *= f;
            r->omega2t *= f;
        }
    }
    for (int k = 1; k <= nSteps; ++k) {
        if (pStepStart[k] >= tc) {
            pStepStart[k] = static_cast<float>(pStepStart[k] - shift);
        } else {
            pStepStart[k] = static_cast<float>(pStepStart[k] * f);
            pStepRate[k] = static_cast<float>(pStepRate[k] / f);
        }
    }
}

bool CApproachToEqSim::Run()
{
    if (!pRadii || !pScanRecords) return false;
    if (bCompression) CompressTimes();
    bSimulationError = 0;
    bDiscretizationError = 0;

    bool bProfiles = ppInitialProfiles != nullptr;
    for (int k = 1; bProfiles && k <= nSpecies; ++k)
        if (!ppInitialProfiles[k]) bProfiles = false;

    CLammIdeal* L = NewSolver(pS[1], pD[1], pScanRecords, pppSpeciesScans[1], pScanOrder, nScans);
    if (bProfiles && !L->SetInitialProfile(nRadialPoints, pRadii, ppInitialProfiles[1]))
        showErrorMessage("\n\aAttention: error loading initial distribution to CLammIdeal", 0);
    if (bSpeedSteps) L->LoadSpeedSteps(nSteps, pStepStart, pStepRpm, pStepRate, nStepMode);
    if (bProfiles)
        nSolverError = L->RunMTListConstVbarWithProfiles(nSpecies, pS, pD, fVbar, pppSpeciesScans, pRadii,
                                                         nRadialPoints, nullptr, nullptr, nRadialPoints, pRadii,
                                                         ppInitialProfiles);
    else
        nSolverError = L->RunMTListConstVbar(nSpecies, pS, pD, fVbar, pppSpeciesScans, pRadii, nRadialPoints,
                                             nullptr, nullptr);
    delete L;
    if (pWindow) pWindow->ReportSimulationError(nSolverError);

    for (int j = 1; j <= nScans; ++j)
        for (int i = 1; i <= nRadialPoints; ++i) {
            double c = 0;
            for (int k = 1; k <= nSpecies; ++k) c += pFractions[k] * pppSpeciesScans[k][j][i];
            ppTotalScans[j][i] = static_cast<float>(c);
        }

    if (bCompression) RestoreTimes();
    return nSolverError < 1;
}

float CApproachToEqSim::RadialIntegral(const float* c) const
{
    if (!c || !pRadii || nRadialPoints < 2) return 0.0f;
    // each element [a, a + h] contributes the exact integral of r times the
    // straight line between its end values
    double sum = 0;
    for (int i = 1; i < nRadialPoints; ++i) {
        const double a = pRadii[i], e = pRadii[i + 1], h = e - a;
        sum += c[i] * h * (3 * a + h) / 6 + c[i + 1] * h * (3 * e - h) / 6;
    }
    return static_cast<float>(sum);
}

void CApproachToEqSim::Analyse(float fThresholdRmsd, float fThresholdDeviation)
{
    if (!pRadii || !pScanRecords || !ppTotalScans) return;
    FreeResults();
    pScanTimes = vector(1, nScans);
    pScanHours = vector(1, nScans);
    pMaxDeviation = vector(1, nScans);
    pRmsDeviation = vector(1, nScans);
    fRmsdThreshold = fThresholdRmsd;
    fDevThreshold = fThresholdDeviation;

    // A step loading holds another amount than the uniform one: its scans
    // are compared in shape, scaled to the target's amount.
    const float fStep = timeToEqParams.fInitialStepRadius;
    const bool bStepInside = fStep > fMeniscus && fStep < fBottom;
    const float fTargetIntegral = bStepInside ? RadialIntegral(pTarget) : 0.0f;

    for (int j = 1; j <= nScans; ++j) {
        float fScale = 1.0f;
        if (bStepInside) {
            const float fIntegral = RadialIntegral(ppTotalScans[j]);
            if (fIntegral != 0.0f) fScale = fTargetIntegral / fIntegral;
        }
        pScanTimes[j] = static_cast<float>(pScanRecords[j].time);
        pScanHours[j] = pScanTimes[j] / 3600.0f;
        double dMax = 0, dSum = 0;
        int n = 0;
        for (int i = 1; i <= nRadialPoints; ++i) {
            if (!(pRadii[i] > fLeftLimit && pRadii[i] < fRightLimit)) continue;
            const double d = fScale * ppTotalScans[j][i] - pTarget[i];
            dMax = std::max(dMax, std::fabs(d));
            dSum += d * d;
            ++n;
        }
        pMaxDeviation[j] = static_cast<float>(dMax);
        pRmsDeviation[j] = n > 0 ? static_cast<float>(std::sqrt(dSum / n)) : 0.0f;
    }

    nRmsdIndex = nScans;
    for (int i = 1; i < nScans; ++i)
        if (pRmsDeviation[i] < fThresholdRmsd) {
            nRmsdIndex = i;
            break;
        }
    fRmsdTime = pScanTimes[nRmsdIndex];
    nDevIndex = nScans;
    for (int i = 1; i < nScans; ++i)
        if (pMaxDeviation[i] < fThresholdDeviation) {
            nDevIndex = i;
            break;
        }
    fDevTime = pScanTimes[nDevIndex];
}

float CApproachToEqSim::BottomOverconcentration() const
{
    if (!ppTotalScans || !pTarget || nRadialPoints < 1 || pTarget[nRadialPoints] == 0.0f) return 0.0f;
    float fMax = ppTotalScans[1][nRadialPoints];
    for (int j = 2; j <= nScans; ++j) fMax = std::max(fMax, ppTotalScans[j][nRadialPoints]);
    return fMax / pTarget[nRadialPoints];
}

void CApproachToEqSim::CopyFrom(const CApproachToEqSim& o)
{
    if (&o == this) return;
    FreeArrays();
    fScanInterval = o.fScanInterval;
    fRadialStep = o.fRadialStep;
    nScans = o.nScans;
    fTimeCompression = o.fTimeCompression;
    fCompressionBreak = o.fCompressionBreak;
    fCompressedBreak = o.fCompressedBreak;
    bCompression = o.bCompression;
    nRadialPoints = o.nRadialPoints;
    nFirstFitIndex = o.nFirstFitIndex;
    nLastFitIndex = o.nLastFitIndex;
    fInitialDuration = o.fInitialDuration;
    pWindow = o.pWindow;
    fLeftLimit = o.fLeftLimit;
    fRightLimit = o.fRightLimit;
    fMeniscus = o.fMeniscus;
    fBottom = o.fBottom;
    fVbar = o.fVbar;
    fTemperature = o.fTemperature;
    fFinalRpm = o.fFinalRpm;
    nSpecies = o.nSpecies;
    nSolverError = o.nSolverError;
    nGridParameter = o.nGridParameter;
    fRmsdThreshold = o.fRmsdThreshold;
    fRmsdTime = o.fRmsdTime;
    fDevThreshold = o.fDevThreshold;
    fDevTime = o.fDevTime;
    nDevIndex = o.nDevIndex;
    nRmsdIndex = o.nRmsdIndex;
    bSpeedSteps = o.bSpeedSteps;
    nSteps = o.nSteps;
    nStepMode = o.nStepMode;
    bExponential = o.bExponential;
    nParams = o.nParams;

    const int N = nRadialPoints;
    pRadii = copyArray(o.pRadii, N, vector);
    pTarget = copyArray(o.pTarget, N, vector);
    if (o.ppTotalScans) {
        ppTotalScans = matrix(1, nScans, 1, N);
        for (int j = 1; j <= nScans; ++j) std::memcpy(ppTotalScans[j] + 1, o.ppTotalScans[j] + 1, sizeof(float) * N);
    }
    if (o.pppSpeciesScans) {
        pppSpeciesScans = new float**[nSpecies + 1]();
        for (int k = 1; k <= nSpecies; ++k) {
            if (!o.pppSpeciesScans[k]) continue;
            pppSpeciesScans[k] = matrix(1, nScans, 1, N);
            for (int j = 1; j <= nScans; ++j)
                std::memcpy(pppSpeciesScans[k][j] + 1, o.pppSpeciesScans[k][j] + 1, sizeof(float) * N);
        }
    }
    if (o.ppInitialProfiles) {
        ppInitialProfiles = new float*[nSpecies + 1]();
        for (int k = 1; k <= nSpecies; ++k) ppInitialProfiles[k] = copyArray(o.ppInitialProfiles[k], N, vector);
    }
    pScanOrder = copyArray(o.pScanOrder, nScans, ivector);
    if (o.pScanRecords) {
        pScanRecords = new ScanHeader[nScans + 1];
        std::memcpy(pScanRecords, o.pScanRecords, sizeof(ScanHeader) * static_cast<size_t>(nScans + 1));
    }
    if (o.pInitialRecord) {
        pInitialRecord = new ScanHeader[2];
        std::memcpy(pInitialRecord, o.pInitialRecord, sizeof(ScanHeader) * 2);
    }
    if (o.pHistoryProfile) {
        pHistoryProfile = new CRotorSpeedProfile;
        pHistoryProfile->CopyFrom(*o.pHistoryProfile);
    }
    pFractions = copyArray(o.pFractions, nSpecies, dvector);
    pS = copyArray(o.pS, nSpecies, dvector);
    pD = copyArray(o.pD, nSpecies, dvector);
    pScanTimes = copyArray(o.pScanTimes, nScans, vector);
    pScanHours = copyArray(o.pScanHours, nScans, vector);
    pMaxDeviation = copyArray(o.pMaxDeviation, nScans, vector);
    pRmsDeviation = copyArray(o.pRmsDeviation, nScans, vector);
    pStepStart = copyArray(o.pStepStart, nSteps, vector);
    pStepRpm = copyArray(o.pStepRpm, nSteps, vector);
    pStepRate = copyArray(o.pStepRate, nSteps, vector);
    pParams = copyArray(o.pParams, nParams, vector);
}
