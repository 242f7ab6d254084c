// Allocation of the Lamm-solution store: one block and two levels of tables.
#include "distributions/lamm_solution_store.h"

#include <cstdlib>
#include <new>

float*** pLammSolutions = nullptr;
int nLammSolutionStoreRows = 0;
int nLammSolutionStorePoints = 0;
int nLammSolutionSet = 0;

namespace {
float* hLammSolutionBlock = nullptr;
}

bool allocLammSolutionStore(int nGrid, int nScans, int nPoints)
{
    freeLammSolutionStore(nLammSolutionStoreRows);
    if (nGrid < 1 || nScans < 0 || nPoints < 0) return false;
    const size_t nVector = static_cast<size_t>(nPoints) + 1;
    const size_t nVectors = static_cast<size_t>(nGrid) * static_cast<size_t>(nScans);
    float* pBlock = static_cast<float*>(std::calloc(nVectors * nVector + 1, sizeof(float)));
    if (!pBlock) return false;
    float*** ppp = new (std::nothrow) float**[nGrid + 1];
    float** pp = new (std::nothrow) float*[nVectors + nGrid];
    if (!ppp || !pp) {
        delete[] ppp;
        delete[] pp;
        std::free(pBlock);
        return false;
    }
    // Row g's table is pp[(g - 1)(nScans + 1) .. ], 1-based within itself.
    ppp[0] = nullptr;
    for (int g = 1; g <= nGrid; g++) {
        float** pRow = pp + static_cast<size_t>(g - 1) * (nScans + 1);
        pRow[0] = nullptr;
        for (int k = 1; k <= nScans; k++)
            pRow[k] = pBlock + (static_cast<size_t>(g - 1) * nScans + (k - 1)) * nVector;
        ppp[g] = pRow;
    }
    hLammSolutionBlock = pBlock;
    pLammSolutions = ppp;
    nLammSolutionStoreRows = nGrid;
    nLammSolutionStorePoints = nPoints;
    return true;
}

void freeLammSolutionStore(int)
{
    if (!pLammSolutions || !hLammSolutionBlock) return;
    delete[] pLammSolutions[1];
    delete[] pLammSolutions;
    std::free(hLammSolutionBlock);
    hLammSolutionBlock = nullptr;
    pLammSolutions = nullptr;
    nLammSolutionStoreRows = 0;
    nLammSolutionStorePoints = 0;
}
