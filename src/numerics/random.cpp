#include "numerics/random.h"

#include <cmath>
#include <ctime>

#include "numerics/error_stop.h"
#include "numerics/nrutil.h"

namespace {

// Combined generator: a linear congruential step, an xorshift and two
// multiply-with-carry steps, mixed.
struct TCombinedState {
    uint32_t x = 0, y = 0, z = 0, w = 0;
    bool bSeeded = false;

    void Step()
    {
        x = x * 2891336453u + 1640531513u;
        y ^= y >> 13;
        y ^= y << 17;
        y ^= y >> 5;
        z = (z & 0xFFFFu) * 33378u + (z >> 16);
        w = (w & 0xFFFFu) * 57225u + (w >> 16);
    }

    uint32_t Output() const
    {
        uint32_t t = x ^ (x << 9);
        t ^= t >> 17;
        t ^= t << 6;
        uint32_t u = z ^ (z << 17);
        u ^= u >> 15;
        u ^= u << 5;
        return (t + y) ^ (u + w);
    }

    void Seed(uint32_t s)
    {
        y = 2244614371u;
        z = 521288629u;
        w = 362436069u;
        x = s ^ y;
        Step();
        y = x;
        Step();
        bSeeded = true;
    }

    uint32_t Next()
    {
        if (!bSeeded) Seed(timeSeed());
        Step();
        return Output();
    }
};

const float kTwoToMinus32 = 2.3283064e-10f;

TCombinedState stUniform;

struct TGaussianState {
    TCombinedState st;
    double dSpare = 0.0;
    bool bSpare = false;

    double Next(float sigma)
    {
        if (bSpare) {
            bSpare = false;
            return dSpare * sigma;
        }
        double p, q, rsq;
        do {
            p = 2.0 * (static_cast<double>(st.Next()) * kTwoToMinus32) - 1.0;
            q = 2.0 * (static_cast<double>(st.Next()) * kTwoToMinus32) - 1.0;
            rsq = p * p + q * q;
        } while (!(rsq > 0.0 && rsq < 1.0));
        double fac = std::sqrt(-2.0 * std::log(rsq) / rsq);
        dSpare = p * fac;
        bSpare = true;
        return q * fac * sigma;
    }
};

TGaussianState stGaussian;
TGaussianState stGaussianB;

} // namespace

uint32_t timeSeed()
{
    return static_cast<uint32_t>(std::time(nullptr));
}

void seedRandomNumbers(uint32_t nSeed)
{
    stUniform.Seed(nSeed);
    stGaussian.st.Seed(nSeed);
    stGaussian.bSpare = false;
    stGaussianB.st.Seed(nSeed);
    stGaussianB.bSpare = false;
}

double uniformRandom(float lo, float hi)
{
    return static_cast<float>(stUniform.Next()) * kTwoToMinus32 * (hi - lo) + lo;
}

double gaussianRandom(float sigma) { return stGaussian.Next(sigma); }

double gaussianRandomB(float sigma) { return stGaussianB.Next(sigma); }

float ran1(int32_t* pnSeed)
{
    const int32_t IA = 16807, IM = 2147483647, IQ = 127773, IR = 2836, NTAB = 32;
    const int32_t NDIV = 1 + (IM - 1) / NTAB;
    const double AM = 1.0 / IM;
    const float RNMX = 0.99999988f;
    static int32_t iy = 0;
    static int32_t iv[NTAB];

    if (*pnSeed <= 0 || !iy) {
        if (-(*pnSeed) < 1)
            *pnSeed = 1;
        else
            *pnSeed = -(*pnSeed);
        for (int j = NTAB + 7; j >= 0; j--) {
            int32_t k = *pnSeed / IQ;
            *pnSeed = IA * (*pnSeed - k * IQ) - IR * k;
            if (*pnSeed < 0) *pnSeed += IM;
            if (j < NTAB) iv[j] = *pnSeed;
        }
        iy = iv[0];
    }
    int32_t k = *pnSeed / IQ;
    *pnSeed = IA * (*pnSeed - k * IQ) - IR * k;
    if (*pnSeed < 0) *pnSeed += IM;
    int j = iy / NDIV;
    iy = iv[j];
    iv[j] = *pnSeed;
    float temp = static_cast<float>(AM * iy);
    return temp > RNMX ? RNMX : temp;
}

bool shuffleFloatArray(float* a, int lo, int hi, float fraction)
{
    if (!a || lo < 1 || lo > hi) return false;
    long nRounds = static_cast<long>(std::floor(static_cast<float>(hi) * fraction));
    for (long r = 0; r < nRounds; r++) {
        int i = static_cast<int>(std::floor(uniformRandom(static_cast<float>(lo), static_cast<float>(hi)) + 0.5));
        int j = static_cast<int>(std::floor(uniformRandom(static_cast<float>(lo), static_cast<float>(hi)) + 0.5));
        if (i != j && i >= lo && i <= hi && j >= lo && j <= hi) {
            float t = a[i];
            a[i] = a[j];
            a[j] = t;
        }
    }
    return true;
}

bool shuffleFloatArrayB(int* idx, int lo, int hi, float fraction)
{
    if (!idx || lo < 1 || hi < lo) return false;
    if (hi == lo) {
        for (int i = 1; i <= lo; i++) idx[i] = i;
        return true;
    }
    int* pUsed = ivector(1, hi);
    CScopeExit releaseUsed([&] { free_ivector(pUsed, 1, hi); });
    int nMarked = 0;
    for (int i = 1; i < lo; i++) {
        idx[i] = i;
        pUsed[i] = 1;
        nMarked++;
    }
    long nTarget = static_cast<long>(std::floor(static_cast<float>(hi) * fraction));
    long nMaxDraws = static_cast<long>(hi - lo) * 10;
    int nPos = lo;
    for (long nDraw = 0; nDraw < nMaxDraws && nMarked < nTarget; nDraw++) {
        int r = static_cast<int>(std::floor(uniformRandom(static_cast<float>(lo), static_cast<float>(hi)) + 0.5));
        if (r < lo || r > hi || pUsed[r]) continue;
        idx[nPos++] = r;
        pUsed[r] = 1;
        nMarked++;
    }
    for (int i = lo; i <= hi && nPos <= hi; i++)
        if (!pUsed[i]) {
            idx[nPos++] = i;
            pUsed[i] = 1;
            nMarked++;
        }
    if (nMarked < hi) {
        for (int i = lo; i <= hi; i++) idx[i] = i;
        return false;
    }
    return true;
}
