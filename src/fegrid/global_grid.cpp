// The program-wide radial grid: its allocation as one set of blocks, the
// radial layouts, the grid size of the variable-spacing grid, its truncation,
// the co-solute work block and the rotor speed during acceleration.
//
// Every array is a zero-filled global memory block kept locked for its whole
// life; blocks that serve many arrays are carved into consecutive slices of
// N + 1 doubles. Before anything is allocated the whole set is measured
// against the memory the machine has available: blocks are committed lazily
// here, so a grid that could never be used must be refused up front, not
// found out when the propagators touch it.
#include "fegrid/global_grid.h"

#include <climits>
#include <cmath>
#include <cstddef>

#include "fegrid/hetero_assoc.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/root_finding.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"

// ---------------------------------------------------------------- definitions

int nGridPoints = 1000;
int nGridPointsAllocated = 0;
unsigned char bGridArraysAllocated = 0;

double* pGridRadius = nullptr;
double* pGridConc = nullptr;
double* pGridConcPrev = nullptr;
double* pGridRhs = nullptr;
double* pGridConcSnapshot = nullptr;
double* pStiffLower = nullptr;
double* pStiffDiag = nullptr;
double* pStiffUpper = nullptr;
double* pMassUpper = nullptr;
double* pMassDiag = nullptr;
double* pMassLower = nullptr;
double* pLhsLower = nullptr;
double* pLhsDiag = nullptr;
double* pLhsUpper = nullptr;
double* pRhsLower = nullptr;
double* pRhsDiag = nullptr;
double* pRhsUpper = nullptr;
double* pTridagGam = nullptr;
double* pTridagPivot = nullptr;

double* pMovingHatBlock[nMovingHatArrays + 1] = {};
double* pFeGridRadius = nullptr;
double* pNonidealBlock[nNonidealArrays + 1] = {};
double* pLocalS = nullptr;
double* pLocalD = nullptr;
double* pGridConcTrial = nullptr;
double* pHeteroBlock[nHeteroArrays + 1] = {};
CVector* pHeteroProfileA = nullptr;
CVector* pHeteroProfileB = nullptr;
CCurve* pHeteroCurve = nullptr;

unsigned char bVariableGridRequest = 0;
double dVariableGridStartRadius = 0.0;
double dVariableGridBaseStep = 0.0;
unsigned char bVariableGridBuilt = 0;
double dTruncationRadius = 0.0;
int nTruncationIndex = 0;
double dTruncationStep = 0.0;

double dSimTime = 0.0;
double dTimeStep = 1.0;
int nTimeStepCount = 0;
double dMaxTimeStep = 1000.0;
double dMaxDcOverCWork = 1.0;
double dMaxDcOverCLow = 0.1;
double dMaxDcOverCHigh = 0.5;
double dLammDefaultB = 2.0;
double dLammDefaultC = 1.0;
double dMaxRelativeChange = 1e-6;
int bStepToScanTime = 0;
double dStepTargetTime = 0.0;
double dNextScanTime = 0.0;
int nSimScanIndex = 1;
float fLastRelativeChange = 1.0f;
double dLastFactoredTimeStep = 0.0;
int bMatricesChanged = 0;

double dOmega = 0.0;
double dOmegaNow = 0.0;
unsigned char bRotorAccelerating = 0;
double dAccelerationTime = 0.0;
double dAngularAcceleration = 0.0;
double dMaxAccelTimeStep = 1.0;

int bSimulationRunning = 0;
int bSimulationError = 0;
int bDiscretizationError = 0;
int bNonidealityOutOfRange = 0;
int nSimOutputMode = 0;
unsigned char bHeteroAssocRun = 0;
unsigned char bBackDiffusionShutOffActive = 0;
unsigned char bFullGridActive = 0;

unsigned char bCosoluteArraysAllocated = 0;
int nCosoluteGridAllocated = 0;
double* pCosoluteBlock[nCosoluteArrays + 1] = {};
double* pCosoluteGridRadius = nullptr;
double* pNonidealCosoluteBlock[nNonidealCosoluteArrays + 1] = {};


namespace {

// One global memory block: its handle and the locked pointer.
struct Block {
    win::HGLOBAL h = nullptr;
    double* p = nullptr;
};

// The fifteen single arrays, in the order of the record.
double** const kSingleArrays[] = {&pGridRadius, &pGridConc,  &pGridConcPrev, &pGridRhs,  &pGridConcSnapshot,
                                  &pStiffLower, &pStiffDiag, &pStiffUpper,   &pLhsLower, &pLhsDiag,
                                  &pLhsUpper,   &pRhsLower,  &pRhsDiag,      &pRhsUpper, &pTridagGam};
constexpr int nSingleArrays = sizeof kSingleArrays / sizeof kSingleArrays[0];
// The mass matrix and the pivots share one block of four slices.
double** const kMassArrays[] = {&pMassUpper, &pMassDiag, &pMassLower, &pTridagPivot};

Block gSingle[nSingleArrays];
Block gMassBlock, gHeteroBlock, gMovingHatBlock, gNonidealBlock;
Block gCosoluteBlock, gNonidealCosoluteBlock;

// Doubles that a set of nArrays arrays of n + 1 points takes, or 0 when the
// count cannot be addressed.
size_t arrayDoubles(long long nArrays, long long n)
{
    if (n < 0 || n >= LLONG_MAX / 64) return 0;
    return static_cast<size_t>(nArrays * (n + 1));
}

// The memory is there for this many doubles more.
bool memoryAvailableFor(size_t nDoubles)
{
    if (nDoubles == 0) return false;
    win::MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!win::GlobalMemoryStatusEx(&status)) return true;  // the machine does not say: try
    return nDoubles <= status.ullAvailPhys / sizeof(double);
}

bool allocBlock(Block& b, size_t nDoubles)
{
    b.h = win::GlobalAlloc(win::GMEM_MOVEABLE | win::GMEM_ZEROINIT, nDoubles * sizeof(double));
    if (!b.h) return false;
    b.p = static_cast<double*>(win::GlobalLock(b.h));
    if (!b.p) {
        win::GlobalFree(b.h);
        b.h = nullptr;
        return false;
    }
    return true;
}

void releaseBlock(Block& b)
{
    if (b.p && b.h) {
        win::GlobalUnlock(b.h);
        win::GlobalFree(b.h);
    }
    b = Block{};
}

// Slice k (0-based) of a block of arrays of n + 1 doubles.
double* slice(const Block& b, int k, int n)
{
    return b.p ? b.p + static_cast<size_t>(k) * static_cast<size_t>(n + 1) : nullptr;
}

bool anyModelWithNonidealBlock()
{
    return bModelMonomerDimer || bModelMonomerTrimer || bModelSelfAssoc124 || bModelSelfAssoc148 ||
           bModelNonidealSingle || bModelNonidealCS;
}

bool allocateSet(int n)
{
    const bool bHetero = bModelHeteroAssociation != 0;
    const bool bHat = bMovingHat != 0;
    const bool bNonideal = anyModelWithNonidealBlock();
    const size_t nTotal = arrayDoubles(nSingleArrays + 4 + (bHetero ? nHeteroArrays : 0) +
                                           (bHat ? nMovingHatArrays : 0) + (bNonideal ? nNonidealArrays : 0),
                                       n);
    if (!memoryAvailableFor(nTotal)) return false;
    const size_t nOne = arrayDoubles(1, n);
    for (int k = 0; k < nSingleArrays; ++k) {
        if (!allocBlock(gSingle[k], nOne)) return false;
        *kSingleArrays[k] = gSingle[k].p;
    }
    if (!allocBlock(gMassBlock, arrayDoubles(4, n))) return false;
    for (int k = 0; k < 4; ++k) *kMassArrays[k] = slice(gMassBlock, k, n);
    if (bHetero) {
        if (!allocBlock(gHeteroBlock, arrayDoubles(nHeteroArrays, n))) return false;
        for (int k = 1; k <= nHeteroArrays; ++k) pHeteroBlock[k] = slice(gHeteroBlock, k - 1, n);
        bindHeteroAssocArrays();
    }
    if (bHat) {
        if (!allocBlock(gMovingHatBlock, arrayDoubles(nMovingHatArrays, n))) return false;
        for (int k = 1; k <= nMovingHatArrays; ++k) pMovingHatBlock[k] = slice(gMovingHatBlock, k - 1, n);
        pFeGridRadius = pMovingHatBlock[10];
    }
    if (bNonideal) {
        if (!allocBlock(gNonidealBlock, arrayDoubles(nNonidealArrays, n))) return false;
        for (int k = 1; k <= nNonidealArrays; ++k) pNonidealBlock[k] = slice(gNonidealBlock, k - 1, n);
        pLocalS = pNonidealBlock[1];
        pLocalD = pNonidealBlock[16];
        pGridConcTrial = pNonidealBlock[17];
    }
    return true;
}

// Every array the current model needs is in place.
bool setComplete()
{
    for (double** pp : kSingleArrays)
        if (!*pp) return false;
    for (double** pp : kMassArrays)
        if (!*pp) return false;
    if (bMovingHat)
        for (int k = 1; k <= nMovingHatArrays; ++k)
            if (!pMovingHatBlock[k]) return false;
    if (bModelHeteroAssociation)
        for (int k = 1; k <= nHeteroArrays; ++k)
            if (!pHeteroBlock[k]) return false;
    if (anyModelWithNonidealBlock())
        for (int k = 1; k <= nNonidealArrays; ++k)
            if (!pNonidealBlock[k]) return false;
    return true;
}

// The variable-spacing grid: equidistant with step h below the radius x, then
// a spacing h sqrt(((r - m)/(x - m)) (x/r)) that grows with r, the last point
// on the bottom. At most nMax points. Counting (out null) and building share
// this walk, so both agree on the number of points.
int walkVariableGrid(double m, double b, double x, double h, int nMax, double* out)
{
    int i = 1;
    double r = m;
    if (out) out[1] = m;
    while (i < nMax - 1) {
        const double next = m + i * h;
        if (!(next < x) || !(next < b)) break;
        ++i;
        r = next;
        if (out) out[i] = r;
    }
    while (i < nMax - 1) {
        double step = h * std::sqrt(((r - m) / (x - m)) * (x / r));
        // At the meniscus the rule gives no spacing: a start radius within one
        // step of the meniscus begins with the plain step instead of piling up
        // points on the meniscus.
        if (!(step > 0)) step = h;
        if (!(r + step < b)) break;
        ++i;
        r += step;
        if (out) out[i] = r;
    }
    ++i;
    if (out) out[i] = b;
    return i;
}

// b - r_N of the progression r_i = r_(i-1) + g^(i-k) step, i = k+1..N.
double truncationMismatch(double g, double rk, double step, int k, int n, double b)
{
    double r = rk, f = 1.0;
    for (int i = k + 1; i <= n; ++i) {
        f *= g;
        r += f * step;
    }
    return b - r;
}

}  // namespace

// ---------------------------------------------------------------- allocation

bool allocRadialGridArrays()
{
    if (!bGridArraysAllocated) {
        const int n = nGridPoints;
        if (n < 1 || !allocateSet(n)) {
            freeRadialGridArrays();
            return false;
        }
        nGridPointsAllocated = n;
        bGridArraysAllocated = 1;
    }
    if (!setComplete()) {
        freeRadialGridArrays();
        return false;
    }
    setupRadialGrid();
    if (bHeteroAssocRun && bMovingHat && !pHeteroProfileA) {
        pHeteroProfileA = new CVector(static_cast<unsigned>(nGridPointsAllocated));
        pHeteroProfileB = new CVector(static_cast<unsigned>(nGridPointsAllocated));
        pHeteroCurve = new CCurve(pHeteroProfileA, pHeteroProfileB);
    }
    return true;
}

void freeRadialGridArrays()
{
    for (int k = 0; k < nSingleArrays; ++k) {
        releaseBlock(gSingle[k]);
        *kSingleArrays[k] = nullptr;
    }
    releaseBlock(gMassBlock);
    for (double** pp : kMassArrays) *pp = nullptr;
    releaseBlock(gHeteroBlock);
    for (double*& p : pHeteroBlock) p = nullptr;
    bindHeteroAssocArrays();
    releaseBlock(gMovingHatBlock);
    for (double*& p : pMovingHatBlock) p = nullptr;
    pFeGridRadius = nullptr;
    releaseBlock(gNonidealBlock);
    for (double*& p : pNonidealBlock) p = nullptr;
    pLocalS = pLocalD = pGridConcTrial = nullptr;
    bGridArraysAllocated = 0;
    nGridPointsAllocated = 0;
    delete pHeteroCurve;
    pHeteroCurve = nullptr;
    delete pHeteroProfileA;
    pHeteroProfileA = nullptr;
    delete pHeteroProfileB;
    pHeteroProfileB = nullptr;
}

bool resizeRadialGrid(int n)
{
    if (!bGridArraysAllocated) return false;
    freeRadialGridArrays();
    nGridPoints = n;
    if (nGridPoints == INT_MAX) nGridPoints = INT_MAX - 1;
    return allocRadialGridArrays();
}

// ---------------------------------------------------------------- radii

void setupRadialGrid()
{
    if (!bGridArraysAllocated || !pGridRadius || bDLSData) return;
    bVariableGridBuilt = 0;
    const int n = nGridPointsAllocated;
    const double m = fMeniscus, b = fBottom;
    double* r = pGridRadius;
    if (n < 2) {
        r[1] = m;
        return;
    }
    if (bMovingHat) {
        const double q = std::pow(b / m, 1.0 / (n - 1));
        r[1] = m;
        r[2] = m * std::pow(b / m, (dSGrid >= 0 ? 0.5 : 1.5) / (n - 1));
        for (int i = 3; i <= n - 1; ++i) r[i] = q * r[i - 1];
        r[n] = b;
    } else if (bClaverie && bVariableGridRequest) {
        const int nBuilt = walkVariableGrid(m, b, dVariableGridStartRadius, dVariableGridBaseStep, n, r);
        for (int i = nBuilt + 1; i <= n; ++i) r[i] = b;
        bVariableGridBuilt = 1;
    } else if (bClaverie) {
        for (int i = 1; i <= n; ++i) r[i] = m + (i - 1) * (b - m) / (n - 1);
    } else {
        for (int i = 1; i <= n; ++i) r[i] = m + (i - 0.5) * (b - m) / n;
    }
}

int chooseRadialGridSize(float x)
{
    const int n = nGridPoints;
    const double m = fMeniscus, b = fBottom;
    if (fMeniscus == 0 || fBottom == 0 || !(x > fMeniscus) || n < 50 || bMovingHat || !bClaverie) {
        resizeRadialGrid(n);
        return nGridPoints;
    }
    const double h = (b - m) / (n - 1);
    const int nCount = walkVariableGrid(m, b, x, h, n, nullptr);
    freeRadialGridArrays();
    if (nCount >= 50) {
        nGridPoints = nCount;
        if (nGridPoints == INT_MAX) nGridPoints = INT_MAX - 1;
        bVariableGridRequest = 1;
        dVariableGridStartRadius = x;
        dVariableGridBaseStep = h;
        allocRadialGridArrays();
        bVariableGridRequest = 0;
    } else {
        nGridPoints = 50;
        allocRadialGridArrays();
    }
    return nGridPoints;
}

bool truncateRadialGrid(double sigma)
{
    if (!bGridArraysAllocated || bBackDiffusionShutOffActive || !bVariableGridBuilt) return false;
    const int n = nGridPointsAllocated;
    const double m = fMeniscus, b = fBottom;
    const double rMin = m + 0.1 * (b - m);
    double rCut = sigma <= 10 ? rMin : b * std::sqrt(1 - 10 / (sigma * b * b));
    if (!(rCut >= rMin)) rCut = rMin;

    // Stretch the inner part away from the meniscus up to the first radius
    // at the cut, then let the spacing grow geometrically to the bottom. The
    // grid stays as it was when no progression can end on the bottom (the
    // stretched cut point already lies at or beyond it).
    double* r = pGridRadius;
    int k = 0;
    double rk = 0, rkPrev = 0;
    for (int i = 2; i <= n; ++i) {
        const double ri = m + 1.1 * (r[i] - m);
        if (ri >= rCut) {
            k = i;
            rk = ri;
            rkPrev = i == 2 ? m : m + 1.1 * (r[i - 1] - m);
            break;
        }
    }
    if (k == 0 || k >= n || !(rk < b)) return false;
    const double step = rk - rkPrev;
    bool bBracketed = true, bConverged = true;
    const double g = brentRoot([&](double x) { return truncationMismatch(x, rk, step, k, n, b); }, 0.0, 10.0, 1e-6,
                               3.0e-8, 200, &bBracketed, &bConverged);
    if (!bBracketed) showErrorMessage("too many iterations finding root", 0);
    if (!bConverged) showErrorMessage("Maximum number of iterations exceeded in zbrent", 0);
    if (!bBracketed || !bConverged) return false;

    for (int i = 2; i <= k; ++i) r[i] = m + 1.1 * (r[i] - m);
    dTruncationRadius = r[k];
    nTruncationIndex = k;
    dTruncationStep = step;
    double f = 1.0;
    for (int i = k + 1; i <= n; ++i) {
        f *= g;
        r[i] = r[i - 1] + f * step;
    }
    r[n] = b;
    return true;
}

// ---------------------------------------------------------------- co-solute work block

bool allocSolverWorkBlock()
{
    const int n = nCosoluteGridSize;
    if (bCosoluteArraysAllocated && nCosoluteGridAllocated != n) freeSolverWorkBlock();
    if (n < 1) return false;
    if (!gCosoluteBlock.p) {
        const size_t nTotal = arrayDoubles(nCosoluteArrays + (bNonidealCosolute ? nNonidealCosoluteArrays : 0), n);
        if (memoryAvailableFor(nTotal) && allocBlock(gCosoluteBlock, arrayDoubles(nCosoluteArrays, n))) {
            for (int k = 1; k <= nCosoluteArrays; ++k) pCosoluteBlock[k] = slice(gCosoluteBlock, k - 1, n);
            pCosoluteGridRadius = pCosoluteBlock[1];
            if (bNonidealCosolute && allocBlock(gNonidealCosoluteBlock, arrayDoubles(nNonidealCosoluteArrays, n)))
                for (int k = 1; k <= nNonidealCosoluteArrays; ++k)
                    pNonidealCosoluteBlock[k] = slice(gNonidealCosoluteBlock, k - 1, n);
        }
    }
    // Any array missing: both blocks go, whatever part was there.
    if (!gCosoluteBlock.p || (bNonidealCosolute && !gNonidealCosoluteBlock.p)) {
        freeSolverWorkBlock();
        return false;
    }
    const double m = fMeniscus, b = fBottom;
    for (int i = 1; i <= n; ++i) pCosoluteGridRadius[i] = n < 2 ? m : m + (i - 1) * (b - m) / (n - 1);
    bCosoluteArraysAllocated = 1;
    nCosoluteGridAllocated = n;
    return true;
}

void freeSolverWorkBlock()
{
    if (!gCosoluteBlock.p && !gNonidealCosoluteBlock.p) return;
    releaseBlock(gCosoluteBlock);
    releaseBlock(gNonidealCosoluteBlock);
    for (double*& p : pCosoluteBlock) p = nullptr;
    for (double*& p : pNonidealCosoluteBlock) p = nullptr;
    pCosoluteGridRadius = nullptr;
    bCosoluteArraysAllocated = 0;
    nCosoluteGridAllocated = 0;
}

bool memoryAvailableForDoubles(size_t nDoubles) { return memoryAvailableFor(nDoubles); }

// ---------------------------------------------------------------- rotor

double effectiveOmegaDuringAcceleration(double t, double dt)
{
    if (dAccelerationTime < 10 || t >= dAccelerationTime) {
        bRotorAccelerating = 0;
        return dOmega;
    }
    const double w1 = dAngularAcceleration * t;
    const double w2 = dAngularAcceleration * (t + dt);
    const double w = std::sqrt((w1 * w1 + w2 * w2) / 2);
    return w > dOmega ? dOmega : w;
}

double clipStepToAcceleration(double dt)
{
    if (bRampRotorSpeed && bRotorAccelerating) {
        if (dt > dMaxAccelTimeStep) dt = dMaxAccelTimeStep;
        if (dSimTime + dt > dAccelerationTime) dt = dAccelerationTime - dSimTime;
    }
    return dt;
}
