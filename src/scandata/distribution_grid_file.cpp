// The distribution grid file.
#include "scandata/distribution_grid_file.h"

#include <cstring>

#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "scandata/scan_data.h"

void saveDistributionCurve(float* pValues, int n) {
    if (!pValues || n < 1) return;
    CVector v;
    v.Attach(pValues, static_cast<unsigned int>(n), 1);
    v.Save(szDistCurvePath.c_str());
}

float* loadDistributionCurve(int* pnCount) {
    CVector v;
    if (!v.Load(szDistCurvePath.c_str()) || v.nSize == 0) return nullptr;
    const int n = static_cast<int>(v.nSize);
    float* p = vector(1, n);
    std::memcpy(p + 1, v.pData, sizeof(float) * n);
    *pnCount = n;
    return p;
}
