// Fuzz target: the reader of boundary-element output takes any text and
// gives at most the room it was handed, each pair with a triangle count above
// 0; the extrapolation's straight line runs on what it read.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "numerics/nrutil.h"
#include "numerics/straight_line.h"
#include "tools/exports/hydrodynamic_exports.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // the first byte: the room for pairs (1..100)
    const int nMax = size > 0 ? 1 + data[0] % 100 : 100;
    const std::string text(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0);
    float* pN = vector(1, nMax);
    float* pD = vector(1, nMax);
    float* pX = vector(1, nMax);
    const int n = readBestDiffusionPairs(text.c_str(), pN, pD, nMax);
    if (n < 0 || n > nMax) std::abort();
    for (int k = 1; k <= n; k++) {
        if (!(pN[k] > 0.0f)) std::abort();
        pX[k] = 1.0f / pN[k];
    }
    float a = 0.0f, b = 0.0f;
    if (n >= 2) fitStraightLine(&a, &b, pX, pD, n);
    free_vector(pN, 1, nMax);
    free_vector(pD, 1, nMax);
    free_vector(pX, 1, nMax);
    return 0;
}
