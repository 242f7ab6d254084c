// Storage of the normal equations: one zero-filled block carved into the
// arrays of the set, plus the row tables and the passive-set flags.
#include "distributions/normal_equations.h"

#include <cstdlib>
#include <new>

#include "numerics/nrutil.h"
#include "plot/error_box.h"

int nNEQSize = 0;
double** pNEMatrix = nullptr;
double** pNEWork = nullptr;
double* pNERightSide = nullptr;
double* pNESolution = nullptr;
double* pNESolutionMaxEnt = nullptr;
double** pNEMeanBasisRI = nullptr;
double** pNEMeanBasisTI = nullptr;
double* pNEMeanBasis = nullptr;
double* pNEMeanDataRI = nullptr;
double* pNEMeanDataTI = nullptr;
double dSumSquaredData = 0.0;
double dNESumData = 0.0;
double dNEPointCount = 0.0;
double fNEMeanData = 0.0;
unsigned char bBufferMismatchInNEQ = 0;
double dNEFixedFirstAmplitude = 0.0;
double* pNNLSGradient = nullptr;
double** pNNLSReducedMatrix = nullptr;
double* pNNLSReducedRightSide = nullptr;
double* pNNLSCholeskyDiagonal = nullptr;
double* pNNLSReducedSolution = nullptr;
double* pNNLSTrialSolution = nullptr;
int* pNNLSPassiveSet = nullptr;
double* pMaxEntWork = nullptr;
double* pRegThirdDerivWeights = nullptr;
double dRegWeightThreshold = 0.1;

namespace {

// The block of the set and the number of variables of its passive-set flags.
double* hNormalBlock = nullptr;
int nPassiveSetSize = 0;

void nullAll()
{
    pNEMatrix = pNEWork = pNEMeanBasisRI = pNEMeanBasisTI = pNNLSReducedMatrix = nullptr;
    pNERightSide = pNESolution = pNESolutionMaxEnt = pNEMeanBasis = pNEMeanDataRI = pNEMeanDataTI = nullptr;
    pNNLSGradient = pNNLSReducedRightSide = pNNLSCholeskyDiagonal = pNNLSReducedSolution = nullptr;
    pNNLSTrialSolution = pMaxEntWork = nullptr;
    hNormalBlock = nullptr;
}

// A row table of n rows (1..n) whose row i starts at pFirst + (i - 1) * nStride.
double** rowTable(int n, double* pFirst, long nStride)
{
    double** p = new (std::nothrow) double*[n + 1];
    if (!p) return nullptr;
    p[0] = nullptr;
    for (int i = 1; i <= n; i++) p[i] = pFirst + (i - 1) * nStride;
    return p;
}

}  // namespace

bool allocNormalArrays(int n, int nScans, int nRadii)
{
    freeNormalArrays(n);
    if (n < 1 || nScans < 0 || nRadii < 0) return false;
    const long nRow = n + 1L;
    const long nTotal = nRow * (nScans + 1L) + nRow * (nRadii + 1L) + (3L * n + 10L) * nRow;
    double* pBlock = static_cast<double*>(std::calloc(static_cast<size_t>(nTotal), sizeof(double)));
    double** ppRI = nullptr;
    double** ppTI = nullptr;
    double** ppA = nullptr;
    double** ppW = nullptr;
    double** ppR = nullptr;
    double* p = pBlock;
    if (pBlock) {
        // Mean bases per scan and per radius, then the data means.
        ppRI = rowTable(n, p, nScans + 1L);
        p += n * (nScans + 1L);
        ppTI = rowTable(n, p, nRadii + 1L);
        p += n * (nRadii + 1L);
    }
    double* pDataRI = p;
    double* pDataTI = p + (nScans + 1L);
    // Rows 0 .. 3n + 9 of n + 1 doubles each.
    double* pRows = pDataTI + (nRadii + 1L);
    auto row = [&](long r) { return pRows + r * nRow; };
    if (pBlock) {
        ppA = rowTable(n, row(1), nRow);
        ppW = rowTable(n, row(n + 1L), nRow);
        ppR = rowTable(n, row(2L * n + 3L), nRow);
    }
    if (!pBlock || !ppRI || !ppTI || !ppA || !ppW || !ppR) {
        delete[] ppRI;
        delete[] ppTI;
        delete[] ppA;
        delete[] ppW;
        delete[] ppR;
        std::free(pBlock);
        showErrorMessage("could not allocate arrays, increase memory or take fewer scans", 0);
        return false;
    }
    hNormalBlock = pBlock;
    pNEMeanBasisRI = ppRI;
    pNEMeanBasisTI = ppTI;
    pNEMeanDataRI = pDataRI;
    pNEMeanDataTI = pDataTI;
    pNERightSide = row(0);
    pNEMatrix = ppA;
    pNEWork = ppW;
    pNESolution = row(2L * n + 1L);
    pNNLSGradient = row(2L * n + 2L);
    pNNLSReducedMatrix = ppR;
    pNNLSReducedRightSide = row(3L * n + 3L);
    pNNLSCholeskyDiagonal = row(3L * n + 4L);
    pNNLSReducedSolution = row(3L * n + 5L);
    pNNLSTrialSolution = row(3L * n + 6L);
    pNEMeanBasis = row(3L * n + 7L);
    pMaxEntWork = row(3L * n + 8L);
    pNESolutionMaxEnt = row(3L * n + 9L);
    pNNLSPassiveSet = ivector(1, n);
    nPassiveSetSize = n;
    return true;
}

void freeNormalArrays(int)
{
    if (pNEMatrix && pNEWork && pNERightSide) {
        delete[] pNEMeanBasisRI;
        delete[] pNEMeanBasisTI;
        delete[] pNEMatrix;
        delete[] pNEWork;
        delete[] pNNLSReducedMatrix;
        std::free(hNormalBlock);
    }
    nullAll();
    free_ivector(pNNLSPassiveSet, 1, nPassiveSetSize);
    pNNLSPassiveSet = nullptr;
    nPassiveSetSize = 0;
}
