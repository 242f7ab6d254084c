// Species basis at unit amplitude; concentrations as a total and fractions.
#include "analyses/species_totals.h"

#include "models/model_globals.h"
#include "scandata/scan_data.h"

void normaliseSpeciesBasis(int nCount, const int* pSpeciesList)
{
    if (!bModelDiscreteSpecies) return;
    for (int p = 1; p <= nCount; p++) {
        const int s = pSpeciesList[p];
        float*** basis = pppExtraNoiseScan;
        if (s < 1 || s > 4 || !basis[s]) continue;
        const float fScale = fSpeciesAmplitude[s];
        for (int k = 1; k <= nScans; k++) {
            float* b = basis[s][k];
            if (!b) continue;
            for (int j = 1; j <= nNoiseGridPoints; j++) b[j] = fScale == 0.0f ? 0.0f : b[j] / fScale;
        }
    }
}

void speciesToTotalAndFractions()
{
    if (!bModelDiscreteSpecies) return;
    int nLast = nSpecies;
    if (bBufferMismatch && bAlgebraicConcentrations) {
        pParamValue[8 + nSpecies] = pSpeciesConc[nSpecies];
        dBufferSignal = pSpeciesConc[nSpecies];
        nLast = nSpecies - 1;
    }
    int nFirst = 0;
    for (int i = 1; i <= nLast && nFirst == 0; i++)
        if (pSpeciesIncluded[i]) nFirst = i;
    if (nFirst == 0) return;
    float fTotal = 0.0f;
    for (int i = 1; i <= nLast; i++)
        if (pSpeciesIncluded[i]) fTotal += pSpeciesConc[i];
    pSpeciesConc[nFirst] = fTotal;
    pParamValue[8 + nFirst] = fTotal;
    for (int i = nFirst + 1; i <= nLast; i++) {
        if (!pSpeciesIncluded[i]) continue;
        const float v = fTotal == 0.0f ? 0.0f : pSpeciesConc[i] / fTotal;
        pSpeciesConc[i] = v;
        pParamValue[8 + i] = v;
    }
}
