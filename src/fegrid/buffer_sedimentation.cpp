// The buffer-mismatch model: its settings, the compatibility rules, the two
// runs of the buffer component (sample side, and the reference side when its
// meniscus or its buffer differ) and the finite-element module that solves
// them.
//
// The module: linear elements on an equidistant grid of its own (200 points)
// with the mass matrix B and the sedimentation-diffusion matrix A of the
// sector (fe_closed_form.h), Crank-Nicolson steps (B - dt/2 A) c1 = (B + dt/2
// A) c0. The columns of A sum to 0, so the amount in the cell (the row sums of
// B times c) stays what it was; a long run ends at the equilibrium exponential
// of the buoyant molar mass Mb = s 1e-13 R T / D. The step control follows
// the largest relative change of a step against max dc/c = 1 (its marks 0.05
// and 0.2), as the Claverie propagator does.
#include "fegrid/buffer_sedimentation.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/xla_window.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/step_profiles.h"
#include "fegrid/fe_closed_form.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/loading_cell.h"
#include "fegrid/propagators.h"
#include "fegrid/scan_recording.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "plot/sounds.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace win;

// ---------------------------------------------------------------- definitions

unsigned char bBufferSignalInSample = 1;
unsigned char bBufferSignalInReference = 0;
double dBufferSignalSign = 1.0;
unsigned char bBufferMismatchSubtracted = 0;
double dBufferD = 86.0;
double dBufferMb = 60.0;
double dBufferS = 0.21;
unsigned char bBufferMeniscusMismatch = 0;
double dBufferMeniscusDiff = 0.1;
double dBufferRelConc = 1.0;
unsigned char bBufferRefDifferent = 0;
double dBufferRefD = 200.0;
double dBufferRefMb = 100.0;
double dBufferRefS = 0.1;
unsigned char bFitBufferD = 0;
unsigned char bFitBufferS = 0;
unsigned char bFitBufferMeniscusDiff = 0;
unsigned char bFitBufferRelConc = 0;
unsigned char bFitBufferRefD = 0;
unsigned char bFitBufferRefS = 0;
unsigned char bBufferInterferenceNoted = 0;
int nBufferGridPoints = 200;
BufferRunResult gBufferRunResult;

namespace {

constexpr int nBufferArrays = 21;
constexpr double dMaxAccelStep = 10.0;  // s
constexpr int nMaxForcedCuts = 100;

// BufferLammGrid: the module's arrays (one zero-filled block) and its state.
struct BufferLammGrid {
    int n = 0;
    double* block = nullptr;
    double *r = nullptr, *c = nullptr, *cOld = nullptr, *out = nullptr, *spare = nullptr, *rhs = nullptr;
    double *piv = nullptr, *gam = nullptr;
    double *Ll = nullptr, *Ld = nullptr, *Lu = nullptr, *Rl = nullptr, *Rd = nullptr, *Ru = nullptr;
    double *Al = nullptr, *Ad = nullptr, *Au = nullptr, *Bl = nullptr, *Bd = nullptr, *Bu = nullptr;
    double *spare2 = nullptr;
    double m = 0, b = 0, amplitude = 0, D = 0, s = 0, rpm = 0;
    double t = 0, dt = 1, dtFactored = 0;
    int nSteps = 0;
    double target = 0;
    int nPosition = 1;
    bool bAccelerating = false;
    double accelEnd = 0, accelRate = 0, finalRpm = 0;
    double maxDcOverC = 1.0, low = 0.05, high = 0.2;
    double maxStep = 1000;
    bool bRunning = false, bSingular = false, bDiscretization = false;
    int nRetries = 0;
    // Forced cuts of the run (a step at the 1e-15 s floor, negative values in
    // the first 10 s): the accepted step resets nRetries, so a run whose every
    // step needs a cut crawls on at 1e-15 s without reaching its error; this
    // count is never reset.
    int nForcedCuts = 0;
    bool bReference = false;
    bool bMatricesChanged = true;
} g;

bool allocBufferGridArrays(int n)
{
    freeBufferGridArrays();
    if (n < 3) return false;
    const size_t nDoubles = static_cast<size_t>(nBufferArrays) * (static_cast<size_t>(n) + 1);
    if (!memoryAvailableForDoubles(nDoubles)) return false;
    g.block = static_cast<double*>(std::calloc(nDoubles, sizeof(double)));
    if (!g.block) return false;
    double** slots[nBufferArrays] = {&g.r,  &g.c,  &g.cOld, &g.out, &g.spare, &g.rhs, &g.piv,
                                     &g.gam, &g.Ll, &g.Ld,   &g.Lu,  &g.Rl,    &g.Rd,  &g.Ru,
                                     &g.Al, &g.Ad, &g.Au,   &g.Bl,  &g.Bd,    &g.Bu,  &g.spare2};
    for (int k = 0; k < nBufferArrays; k++) *slots[k] = g.block + static_cast<size_t>(k) * (static_cast<size_t>(n) + 1);
    g.n = n;
    return true;
}

void assembleBufferMatrices()
{
    const double w = omegaOfRpm(g.rpm);
    const double K = w * w * g.s * 1e-13;
    const double h = (g.b - g.m) / (g.n - 1);
    for (int i = 1; i <= g.n; i++) {
        TridiagRow B, A;
        equidistantLammRow(i, g.n, g.r[i], h, K, g.D, B, A);
        g.Bl[i] = B.l, g.Bd[i] = B.d, g.Bu[i] = B.u;
        g.Al[i] = A.l, g.Ad[i] = A.d, g.Au[i] = A.u;
    }
    g.bMatricesChanged = true;
}

double amountInCell()
{
    double sum = 0.0;
    for (int i = 1; i <= g.n; i++) sum += (g.Bl[i] + g.Bd[i] + g.Bu[i]) * g.c[i];
    return sum * 0.03490658503988659 * 1.2;
}

// The rotor speed over [t, t + dt] while the rotor accelerates: the root mean
// square of the speeds at both ends, not above the final speed.
void speedOverStep(double dt)
{
    if (!g.bAccelerating) return;
    if (g.t >= g.accelEnd) {
        g.rpm = g.finalRpm;
    } else {
        const double w1 = g.accelRate * g.t, w2 = g.accelRate * (g.t + dt);
        g.rpm = std::sqrt((w1 * w1 + w2 * w2) / 2);
        if (g.rpm > g.finalRpm) g.rpm = g.finalRpm;
    }
    assembleBufferMatrices();
}

double clipToAcceleration(double dt)
{
    if (!g.bAccelerating) return dt;
    if (dt > dMaxAccelStep) dt = dMaxAccelStep;
    if (g.t + dt > g.accelEnd) dt = g.accelEnd - g.t;
    return dt;
}

// One Crank-Nicolson solve from cOld into c; a zero pivot sets the singular
// flag and keeps the old profile.
void solveBufferStep(double dt)
{
    speedOverStep(dt);
    const int n = g.n;
    auto product = [&] {
        for (int i = 1; i <= n; i++) {
            double v = g.Rd[i] * g.cOld[i];
            if (i > 1) v += g.Rl[i] * g.cOld[i - 1];
            if (i < n) v += g.Ru[i] * g.cOld[i + 1];
            g.rhs[i] = v;
        }
    };
    if (dt != g.dtFactored || g.bMatricesChanged || g.bAccelerating) {
        const double f = 0.5 * dt;
        for (int i = 1; i <= n; i++) {
            g.Ll[i] = g.Bl[i] - f * g.Al[i], g.Ld[i] = g.Bd[i] - f * g.Ad[i], g.Lu[i] = g.Bu[i] - f * g.Au[i];
            g.Rl[i] = g.Bl[i] + f * g.Al[i], g.Rd[i] = g.Bd[i] + f * g.Ad[i], g.Ru[i] = g.Bu[i] + f * g.Au[i];
        }
        product();
        // the global grid's status is not this module's: its solver's flag is kept apart
        const int bGridError = bSimulationError;
        const bool bOk = tridag(g.Ll, g.Ld, g.Lu, g.rhs, g.c, n, g.gam, g.piv);
        bSimulationError = bGridError;
        if (!bOk) {
            g.bSingular = true;
            g.dtFactored = 0;
            for (int i = 1; i <= n; i++) g.c[i] = g.cOld[i];
            return;
        }
        g.dtFactored = dt;
        g.bMatricesChanged = false;
    } else {
        product();
        tridagStoredFactors(g.Ll, g.gam, g.piv, g.rhs, g.c, n);
    }
}

double bufferRelativeChange()
{
    const int n = g.n;
    double cmax = 0.0;
    for (int i = 1; i <= n; i++)
        if (g.c[i] > cmax) cmax = g.c[i];
    const double thr = 1e-4 * cmax;
    double rel = 0.0;
    if (g.c[n] >= thr && g.cOld[n] >= thr && g.cOld[n] > 0) rel = std::fabs((g.c[n] - g.cOld[n]) / g.cOld[n]);
    for (int i = n - 1; i >= 1; i--) {
        if (g.t < 10 && g.c[i] < -1e-8) {
            g.nRetries++;
            g.nForcedCuts++;
            return 2 * g.maxDcOverC;
        }
        const double d = g.c[i] - g.cOld[i];
        double div;
        if (g.cOld[i] > thr) {
            div = g.cOld[i];
        } else if (d > thr) {
            if (g.cOld[i + 1] > thr)
                div = g.cOld[i + 1];
            else if (i >= 2 && g.cOld[i - 1] > thr)
                div = g.cOld[i - 1];
            else
                continue;
        } else {
            continue;
        }
        const double q = std::fabs(d / div);
        if (q > rel) rel = q;
    }
    return rel;
}

double limitStep(double dt, double dtp)
{
    if (dt > 10 * dtp) dt = 10 * dtp;
    if (dt > g.maxStep) dt = g.maxStep;
    if (dt < 1e-15) {
        dt = 1e-15;
        g.nForcedCuts++;
    }
    if (dt < 0.1 * dtp) dt = 0.1 * dtp;
    return dt;
}

void acceptBufferStep(double dt, bool bOnTarget)
{
    g.nSteps++;
    g.t = bOnTarget ? g.target : g.t + dt;
    if (g.bAccelerating && g.t >= g.accelEnd) {
        g.bAccelerating = false;
        g.rpm = g.finalRpm;
        assembleBufferMatrices();
    }
}

// One step; the relative change of the step (1.0 for a step that lands on a
// scan or takes no time, and for the first step) and the dt it took.
double bufferLammStep(double& dtUsed)
{
    const int n = g.n;
    for (int i = 1; i <= n; i++) g.cOld[i] = g.c[i];
    double dt = clipToAcceleration(g.dt);
    bool bOnTarget = false;
    if (g.t + dt >= g.target) {
        dt = g.target - g.t;
        bOnTarget = true;
    }
    dtUsed = dt;
    if (!(dt > 0)) {
        g.dt = 1.0;
        if (bOnTarget) g.t = g.target;
        return 1.0;
    }
    solveBufferStep(dt);
    if (g.bSingular) return 1.0;
    if (g.nSteps == 0) {
        acceptBufferStep(dt, bOnTarget);
        return 1.0;
    }
    if (bOnTarget) {
        // the cut to the scan leaves the proposal as it was
        acceptBufferStep(dt, true);
        return 1.0;
    }
    double rel = bufferRelativeChange();
    while (!(rel < g.maxDcOverC)) {
        if (g.nRetries > 10 || g.nForcedCuts > nMaxForcedCuts) {
            g.bDiscretization = true;
            return rel;
        }
        if (g.bSingular) return rel;
        const double dtp = dt;
        double dn = rel == 0 ? 0.0 : (g.high / rel) * dt;
        if (dn >= 0.8 * dtp && dn <= 1.2 * dtp) dn *= 0.5;
        dt = clipToAcceleration(limitStep(dn, dtp));
        solveBufferStep(dt);
        rel = bufferRelativeChange();
    }
    g.nRetries = 1;
    acceptBufferStep(dt, false);
    dtUsed = dt;
    double next = dt;
    if (rel == 0) {
        next = limitStep(10 * dt, dt);
    } else if (rel < g.low) {
        next = (g.high / rel) * dt;
        if (next >= 0.9 * dt && next <= 1.1 * dt) next *= 2;
        next = limitStep(next, dt);
    }
    if (g.t + next > g.target) next = g.target - g.t;
    g.dt = clipToAcceleration(next);
    return rel;
}

// Whether the profiles go into the species basis on the noise grid.
bool intoBasis() { return bAlgebraicConcentrations || bFitTINoise || bFitRINoise; }

// The signed profile into the scan's destination.
void writeBufferScan(int scan)
{
    const int n = g.n;
    const double sign = g.bReference ? -dBufferSignalSign : dBufferSignalSign;
    for (int i = 1; i <= n; i++) g.out[i] = sign * g.c[i];
    if (scan < 1 || scan > nScans) return;
    if (bBufferMismatchSubtracted) {
        if (!ppModelPart || !ppModelPart[scan]) return;
        float* part = ppModelPart[scan];
        for (int j = 1; j <= pScanPoints[scan]; j++) part[j] = 0.0f;
        interpolateOnGridFD(pScanPoints[scan], ppRadius[scan], part, n, g.r, g.out);
        for (int j = 1; j <= pScanPoints[scan]; j++) ppSignal[scan][j] -= part[j];
    } else if (bModelContinuous) {
        if (g.bReference)
            interpolateLammSolutionRaw(scan, g.r, g.out, n);
        else
            interpolateLammSolution(scan, g.r, g.out, n);
    } else if (!intoBasis()) {
        if (!ppModelPart || !ppModelPart[scan] || !ppFit || !ppFit[scan]) return;
        float* part = ppModelPart[scan];
        for (int j = 1; j <= pScanPoints[scan]; j++) part[j] = 0.0f;
        interpolateOnGridFD(pScanPoints[scan], ppRadius[scan], part, n, g.r, g.out);
        for (int j = 1; j <= pScanPoints[scan]; j++) ppFit[scan][j] += part[j];
    } else {
        // the buffer's row of the species bases, the fourth
        if (!pppExtraNoiseScan[4]) allocExtraNoiseArrays();
        if (!pppExtraNoiseScan[4] || !pppExtraNoiseScan[4][scan] || !pNoiseGrid) return;
        float* basis = pppExtraNoiseScan[4][scan];
        if (!g.bReference) {
            for (int j = 1; j <= nNoiseGridPoints; j++) basis[j] = 0.0f;
            interpolateOnGridFD(nNoiseGridPoints, pNoiseGrid, basis, n, g.r, g.out);
        } else {
            interpolateOnGridFD2(nNoiseGridPoints, pNoiseGrid, basis, n, g.r, g.out);
        }
    }
    gBufferRunResult.nScansRecorded++;
}

// After every step: a key stops the run; at the scan time the profile goes
// into that scan and the next scan becomes the target; after the last the run ends.
void recordBufferScanProfile()
{
    if (keyPressed()) {
        g.bRunning = false;
        bInterruptComputation = 1;
    }
    if (g.t < g.target) return;
    writeBufferScan(pScanTimeOrder[g.nPosition]);
    if (g.nPosition < nScans) {
        g.nPosition++;
        g.target = scanSimulationTime(pScanTimeOrder[g.nPosition]);
    } else {
        g.bRunning = false;
    }
}

// The run ended because the profile no longer changes: the scans still to
// come get the final profile.
void fillRemainingBufferScans()
{
    while (g.bRunning && g.nPosition <= nScans) {
        writeBufferScan(pScanTimeOrder[g.nPosition]);
        if (g.nPosition == nScans) break;
        g.nPosition++;
    }
    g.bRunning = false;
}

}  // namespace

void simulateBufferSedimentation(TXLAWindow* w, const BufferRun& run)
{
    gBufferRunResult = BufferRunResult{};
    if (run.dAmplitude == 0 || nScans < 1) return;
    if (!allocBufferGridArrays(nBufferGridPoints)) {
        playErrorSound();
        MessageBox(w ? w->HWindow : nullptr, "could not allocate Lamm simulation arrays", "ERROR in simulation", MB_OK);
        return;
    }
    gBufferRunResult.bAllocated = true;
    const int n = g.n;
    g.m = run.dMeniscus;
    g.b = run.dBottom;
    g.amplitude = run.dAmplitude;
    g.s = run.dS;
    g.D = run.dD;
    g.bReference = run.bReference;
    const double h = (g.b - g.m) / (n - 1);
    for (int i = 1; i <= n; i++) {
        g.r[i] = g.m + (i - 1) * h;
        g.c[i] = g.amplitude;
    }
    g.r[n] = g.b;

    // the rotor: the last scan's speed; with the ramp from the first scan's acceleration
    const ScanHeader& first = pScanHeaders[pScanTimeOrder[1]];
    g.rpm = pScanHeaders[pScanTimeOrder[nScans]].rpm;
    g.maxStep = g.s == 0 ? 1000.0 : 0.5 * g.rpm * g.rpm * g.D / g.s;
    if (g.maxStep > 1000) g.maxStep = 1000;
    if (!(g.maxStep >= 10)) g.maxStep = 10;
    g.bAccelerating = false;
    if (bRampRotorSpeed && !bDLSData) {
        g.accelEnd = first.accelTime;
        g.accelRate = first.accelRate;
        g.finalRpm = first.rpm;
        if (g.accelEnd >= 10 && g.accelRate > 0) {
            g.bAccelerating = true;
        } else {
            g.rpm = g.finalRpm;
        }
    }
    g.t = 0;
    g.dt = 1.0;
    g.dtFactored = 0;
    g.nSteps = 0;
    g.nRetries = 0;
    g.nForcedCuts = 0;
    g.maxDcOverC = 1.0;
    g.low = 0.05 * g.maxDcOverC;
    g.high = 0.2 * g.maxDcOverC;
    g.nPosition = 1;
    g.target = scanSimulationTime(pScanTimeOrder[1]);
    g.bSingular = g.bDiscretization = false;
    if (g.bAccelerating) speedOverStep(g.dt);
    assembleBufferMatrices();
    gBufferRunResult.dAmountStart = amountInCell();

    g.bRunning = true;
    int nSteady = 0;
    while (g.bRunning) {
        if (g.bSingular || g.bDiscretization) break;
        double dtUsed = 0;
        const double rel = bufferLammStep(dtUsed);
        if (g.bSingular || g.bDiscretization) break;
        const double perSecond = rel / (dtUsed > 0 ? dtUsed : 1.0);
        recordBufferScanProfile();
        if (dtUsed >= 30 && perSecond < 1e-6)
            nSteady++;
        else
            nSteady = 0;
        if (nSteady >= 11 && g.bRunning) {
            gBufferRunResult.bEndedEarly = true;
            fillRemainingBufferScans();
        }
    }
    gBufferRunResult.nSteps = g.nSteps;
    gBufferRunResult.bSingular = g.bSingular;
    gBufferRunResult.bDiscretization = g.bDiscretization;
    gBufferRunResult.dAmountEnd = amountInCell();
    if (g.bSingular) {
        playErrorSound();
        MessageBox(w ? w->HWindow : nullptr, "singular tridiagonal matrix in buffer sedimentation!", "ERROR in simulation",
                   MB_OK);
    } else if (g.bDiscretization && w) {
        w->ReportSimulationError(2);
    }
}

const double* bufferModuleProfile(const double** ppRadii, int* pn)
{
    if (!g.block) return nullptr;
    if (ppRadii) *ppRadii = g.r;
    if (pn) *pn = g.n;
    return g.c;
}

void freeBufferGridArrays()
{
    std::free(g.block);
    g = BufferLammGrid{};
}

// ---------------------------------------------------------------- the model's parts

namespace {

bool discreteSpeciesModel() { return bModelDiscreteSpecies != 0; }

void attention(TXLAWindow* w, const char* szText)
{
    MessageBox(w ? w->HWindow : nullptr, szText, "Attention", MB_OK);
}

// Buoyant molar mass (g/mol) of s (S) and D (1e-7 cm^2/s), and D of s and Mb.
double molarMassOf(double s, double D) { return s * 1e-6 * fRT / D; }
double diffusionOf(double s, double Mb) { return std::fabs(s) * 1e-6 * fRT / Mb; }

// The limits of a run's component (D form: D in 0.01..1000, Mb at least 10;
// Mb form: Mb at least 10, D from it, s with the sign of Mb).
void limitComponent(double& D, double& Mb, double& s)
{
    if (!bUseMolarMass) {
        if (D < 0) D = 0.01;
        if (D > 1000) D = 1000;
        Mb = D > 0 ? molarMassOf(s, D) : 10;
        if (Mb < 10) Mb = 10;
    } else {
        if (Mb < 10) Mb = 10;
        D = diffusionOf(s, Mb);
        if ((s < 0) != (Mb < 0) && s != 0) s = -s;
    }
}

double runD(double D)
{
    const double d = std::fabs(D) * 1e-7;
    return d == 0 ? 1e-10 : d;
}

}  // namespace

bool TXLAWindow::CheckBufferSedCompatibility()
{
    const bool bIncompatible = bModelLsgsOneDiscrete || bModelHybridCSLsgs || bModelCSOneDiscreteD ||
                               bModelCSOneDiscreteM || bModelNonidealCS || bModelCSWithMsTable ||
                               bEquilibriumDataMode || bDLSData || bInhomogeneousSolvent ||
                               bExperimentalInitialDistribution || bBoundaryAnalysisMode || bModelZone ||
                               bModelZoneCS || bModelZoneLsgs || bGeometryExternalLoadingCell || bElectrophoresis ||
                               bModelLsgv || bModelElectrophoresisCV;
    if (bIncompatible) {
        attention(this, "buffer sedimentation model is incompatible with this model\nswitching buffer sedimentation off");
        SwitchOffBufferSedimentation();
        bBufferMismatch = 0;
        return false;
    }
    if (!bInterferenceData && !bBufferInterferenceNoted) {
        attention(this, "Note: buffer sedimentation model is intended only for interference data");
        bBufferInterferenceNoted = 1;
    }
    if (discreteSpeciesModel() && pSpeciesMw && pSpeciesS) {
        if (pSpeciesMw[4] != 0 || pSpeciesS[4] != 0) {
            attention(this, "Note: Component 4 of non-interacting model cannot be used with buffer sedimentation "
                            "model.\nSwitching off Component 4.");
            pSpeciesMw[4] = pSpeciesS[4] = 0.0f;
            if (pParamValue) pParamValue[4] = pParamValue[8] = 0.0f;
        }
        pSpeciesIncluded[4] = 1;
        pSpeciesConcFloat[4] = bFitBufferSignal ? 1 : 0;
        pSpeciesMwFloat[4] = pSpeciesSFloat[4] = 0;
        if (pParamFloat) {
            pParamFloat[12] = pSpeciesConcFloat[4];
            pParamFloat[4] = pParamFloat[8] = 0;
        }
    }
    if (bModelContinuous && !(bFitTINoise && bFitRINoise)) bFitBufferSignal = 1;
    return true;
}

void TXLAWindow::SwitchOffBufferSedimentation()
{
    if (HMENU m = GetMenu()) CheckMenuItem(m, 552, MF_BYCOMMAND | MF_UNCHECKED);
    if (!discreteSpeciesModel() || !pSpeciesIncluded) return;
    pSpeciesIncluded[4] = 0;
    pSpeciesConcFloat[4] = pSpeciesMwFloat[4] = pSpeciesSFloat[4] = 0;
    if (pParamFloat) pParamFloat[4] = pParamFloat[8] = pParamFloat[12] = 0;
}

void updateBufferSedimentationFitFlags()
{
    if (discreteSpeciesModel() && pSpeciesIncluded) {
        if (bAlgebraicConcentrations)
            for (int k = 1; k <= 3; k++)
                if (pSpeciesIncluded[k]) pSpeciesConcFloat[k] = 1;
        pSpeciesConcFloat[4] = bFitBufferSignal ? 1 : 0;
        if (pParamFloat) pParamFloat[12] = pSpeciesConcFloat[4];
    }
    // A floated baseline that the fix-up solves linearly has its fit flag
    // cleared: it is still floated (the parameter dialog shows it so), and
    // the fix-up run again must not take it for a fixed one.
    if (bAlgebraicBaseline && !bExperimentalInitialDistribution) bFitBaseline = 1;
    fixUpModelDefaults();
    globalsToParamVector();
    allocExtraNoiseArrays();
}

void TXLAWindow::SimulateBufferSignal()
{
    if (!CheckBufferSedCompatibility()) return;
    limitComponent(dBufferD, dBufferMb, dBufferS);
    limitComponent(dBufferRefD, dBufferRefMb, dBufferRefS);
    if (dBufferRelConc == 0) dBufferRelConc = 1e-6;

    BufferRun sample;
    sample.dMeniscus = fMeniscus;
    sample.dBottom = fBottom;
    sample.dAmplitude = dBufferSignal;
    sample.dS = dBufferS;
    sample.dD = runD(dBufferD);
    simulateBufferSedimentation(this, sample);
    if (bInterruptComputation || gBufferRunResult.bSingular || !gBufferRunResult.bAllocated) return;

    // The reference: the same component with a meniscus of its own, or a
    // different component. Without the meniscus mismatch the menisci are the
    // same (the difference in the settings waits for the option).
    BufferRun reference = sample;
    reference.bReference = true;
    reference.dMeniscus = fMeniscus - (bBufferMeniscusMismatch ? dBufferMeniscusDiff : 0.0);
    if (!bBufferRefDifferent) {
        reference.dAmplitude = bBufferMeniscusMismatch ? dBufferSignal / dBufferRelConc : 0.0;
    } else {
        reference.dAmplitude = dBufferSignal / dBufferRelConc;
        reference.dS = dBufferRefS;
        reference.dD = runD(dBufferRefD);
    }
    simulateBufferSedimentation(this, reference);
}
