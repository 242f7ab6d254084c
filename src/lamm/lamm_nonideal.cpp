// CLammNonIdeal: concentration-dependent s and D of one species.
#include "lamm/lamm_nonideal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "lamm/nonideal_factors.h"
#include "numerics/text_lines.h"
#include "plot/key_polling.h"

CLammNonIdeal::CLammNonIdeal()
{
    nReactModel = 2;
    bReactOk = 0;  // until SetNonidealParams
    bNonidealSet = 0;
}

CLammNonIdeal::CLammNonIdeal(const CLammNonIdeal& tmpl) : CLammNonIdeal()
{
    CopyFrom(tmpl);
    meanField = tmpl.meanField;
    pMeanField = meanField.get();
}

CLammNonIdeal::~CLammNonIdeal() = default;

void CLammNonIdeal::SetNonidealParams(float ks, float kd, double signalPerMgMl, bool hindered, bool linearLaw)
{
    nReactModel = 2;
    bHindered = hindered ? 1 : 0;
    bHinderedLinear = linearLaw ? 1 : 0;
    dSignalPerMgMl = signalPerMgMl;
    const bool valid = signalPerMgMl > 0 && std::isfinite(ks) && std::isfinite(kd);
    if (hindered) {
        dNonidealKs = std::fabs(ks);
        dNonidealKd = std::fabs(kd);
    } else if (valid) {
        // log10 of the coefficients in ml/mg, per unit of the signal
        dNonidealKs = std::pow(10.0, (double)ks) / signalPerMgMl;
        dNonidealKd = std::pow(10.0, (double)kd) / signalPerMgMl;
    }
    bReactOk = valid ? 1 : 0;
    bNonidealSet = bReactOk;
    bUseReactingModel = 1;
    bModelSet = 1;
}

// Slot 1: the concentration-dependent stepping runs on the static grid.
void CLammNonIdeal::ChooseEngine()
{
    bEngineStaticGrid = 1;
    bEngineMovingGrid = 0;
    bFixedTimestep = 0;
    bAutoDynamicGridSize = 0;
    bOptimizeGridSpacing = 0;
}

// Slot 2: the grid the ideal species of s0 and D0 would get, with the
// refinement zones (the loop has no back-diffusion shut-off).
void CLammNonIdeal::SetupGrid()
{
    bTwoZoneGrid = 0;
    nReactModel = 2;
    SetupReactingGrid();
    bSteepGradient = 0;
}

// Slot 3: the predictor-corrector loop with the non-ideal coefficients.
void CLammNonIdeal::RunTimeStepping()
{
    ResetRunState();
    if (!nGridAllocated || !pConc) {
        nAbort = 1;
        return;
    }
    nReactModel = 2;
    RunReactingTimeSteps();
    if (bPerScanRadii) CopyPrivateOutput();
    if (bAborted) bInterruptComputation = 1;
}

// ---------------------------------------------------------------- the mean field

namespace {

// One frame from the radii R[1..n] of the levels L[1..n] (ascending): the
// concentration is 0 inside the first level's radius, rises linearly from
// level to level between their radii and keeps the top level outside the
// last. Radii are made non-decreasing first (a level lies no further in than
// the levels below it); where several levels share a radius the highest of
// them holds from there on.
void isoconcentrationFrame(const CLammMeanField& f, float* out, int n, const double* R, const double* L)
{
    std::vector<double> r(static_cast<size_t>(n) + 1);
    double top = -1e300;
    for (int j = 1; j <= n; j++) {
        top = std::max(top, R[j]);
        r[j] = top;
    }
    for (int p = 0; p < f.nPoints; p++) {
        const double x = f.Radius(p);
        // the highest level at or inside x
        const int j = static_cast<int>(std::upper_bound(r.begin() + 1, r.end(), x) - (r.begin() + 1));
        double c;
        if (j == 0)
            c = 0;
        else if (j == n)
            c = L[n];
        else
            c = L[j] + (L[j + 1] - L[j]) * (x - r[j]) / (r[j + 1] - r[j]);
        out[p] = static_cast<float>(c);
    }
}

}  // namespace

void CLammNonIdeal::LoadCtotMovie(int nTimes, int nLevels, double** radii, double* times, double* levels, double,
                                  const char* szTempFolder)
{
    meanField.reset();
    pMeanField = nullptr;
    szCtotFolder = szTempFolder ? szTempFolder : "";
    if (nTimes < 1 || nLevels < 1 || !radii || !times || !levels || !(dBottom > dMeniscus)) return;
    auto f = std::make_shared<CLammMeanField>(nTimes + 1, std::max(nDefaultGridSize, 2), dMeniscus, dBottom);
    // at t = 0 every level is at the meniscus: the loading everywhere
    std::vector<double> atMeniscus(static_cast<size_t>(nLevels) + 1, dMeniscus);
    f->times[0] = 0.0;
    isoconcentrationFrame(*f, f->Frame(0), nLevels, atMeniscus.data(), levels);
    for (int k = 1; k <= nTimes; k++) {
        f->times[k] = times[k];
        isoconcentrationFrame(*f, f->Frame(k), nLevels, radii[k], levels);
    }
    meanField = std::move(f);
    pMeanField = meanField.get();
}

void CLammNonIdeal::UseExternalMeanField(int nFrames, int nPoints, float** frames, double* times)
{
    meanField.reset();
    pMeanField = nullptr;
    if (nFrames < 1 || nPoints != nDefaultGridSize || nPoints < 2 || !frames || !times) return;
    auto f = std::make_shared<CLammMeanField>(nFrames, nPoints, dMeniscus, dBottom);
    for (int k = 1; k <= nFrames; k++) {
        f->times[k - 1] = times[k];
        float* out = f->Frame(k - 1);
        for (int j = 1; j <= nPoints; j++) out[j - 1] = frames[k][j];
    }
    meanField = std::move(f);
    pMeanField = meanField.get();
}

void CLammNonIdeal::SetCtotVectorDumps(bool on)
{
    if (!on || !meanField || szCtotFolder.empty()) return;
    const CLammMeanField& f = *meanField;
    for (int k = 0; k < f.nFrames; k++) {
        char szPath[600];
        std::snprintf(szPath, sizeof szPath, "%sctotvec%d.dat", szCtotFolder.c_str(), k);
        std::FILE* file = std::fopen(szPath, "w");
        if (!file) continue;
        std::string sz;
        const float* v = f.Frame(k);
        for (int j = 0; j < f.nPoints; j++) {
            appendFixed(sz, f.Radius(j));
            sz += '\t';
            appendFixed(sz, v[j]);
            sz += '\n';
        }
        writeText(file, sz);
        std::fclose(file);
    }
}

void meanFieldCoefficients(const CLammIdeal* p, double s0, double D0, double ks, double kd, double* s, double* D)
{
    const int N = p->nGridPoints;
    // the field at the middle of the step: the corrector's mean of the two
    // coefficient sets then takes the field to second order in time
    p->pMeanField->ValuesAt(p->dTime + 0.5 * p->dTimeStep, p->pRadius, N, s);
    const double signal = p->dSignalPerMgMl > 0 ? p->dSignalPerMgMl : 1.0;
    for (int i = 1; i <= N; i++) {
        const double c = s[i] > 0 ? s[i] : 0.0;  // a total concentration is never negative
        double fs, fd;
        if (p->bHindered) {
            const float cmg = static_cast<float>(c / signal);
            fs = hinderedSFactor(cmg, static_cast<float>(ks), p->fVbar, p->bHinderedLinear);
            fd = hinderedDFactor(cmg, static_cast<float>(ks), p->fVbar, p->bHinderedLinear);
        } else {
            fs = 1 / (1 + ks * c);
            fd = 1 + kd * c;
        }
        s[i] = s0 * fs;
        D[i] = D0 * fd;
    }
}
