// The distribution grid file "sdist" beside the data (szDistCurvePath): one
// grid value per line.
#pragma once

// Saves the one-based values 1..n.
void saveDistributionCurve(float* pValues, int n);
// Loads the file into a new one-based vector 1..count (owned by the caller)
// and stores the count; null, and the count unchanged, when the file is
// missing or holds no value.
float* loadDistributionCurve(int* pnCount);
