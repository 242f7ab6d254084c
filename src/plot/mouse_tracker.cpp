#include "plot/mouse_tracker.h"

#include <cmath>

#include "numerics/error_stop.h"
#include "numerics/nrutil.h"
#include "platform/win.h"

unsigned char bMouseSlidingOff = 1;
unsigned char bMouseBounceMode = 1;

namespace {

constexpr int nMaxMousePoints = 8;
constexpr float fDeceleration = -2000.0f;  // pixels per second squared
constexpr float fWallPull = 20000.0f;
constexpr float fBounceLoss = 0.3f;
constexpr float fTimeStep = 0.005f;        // seconds
constexpr double dMaxSpanSeconds = 0.3;

struct TMousePoint {
    win::DWORD nTime;
    int x;
    int y;
};

TMousePoint gPoints[nMaxMousePoints];
int nMousePoints = 0;
float fLastSpeed = 0.0f;
float fLastSpan = 0.0f;

float signOf(float v) { return v > 0.0f ? 1.0f : (v < 0.0f ? -1.0f : 0.0f); }

}  // namespace

void recordMousePoint(int x, int y)
{
    if (bMouseSlidingOff) return;
    if (nMousePoints == nMaxMousePoints) {
        for (int i = 1; i < nMaxMousePoints; i++) gPoints[i - 1] = gPoints[i];
        nMousePoints--;
    }
    gPoints[nMousePoints++] = TMousePoint{win::GetTickCount(), x, y};
}

void resetMousePoints()
{
    if (bMouseSlidingOff) return;
    nMousePoints = 0;
}

float mouseSpeed()
{
    if (bMouseSlidingOff) return 0.0f;
    if (nMousePoints < 2) return 0.0f;
    const int n = nMousePoints;
    double dSpan = double(gPoints[n - 1].nTime - gPoints[0].nTime) * 0.001;
    fLastSpan = float(dSpan);
    if (dSpan > dMaxSpanSeconds) return 0.0f;

    // x = b s + c s^2 fitted over the seconds since the first point.
    double s[nMaxMousePoints], x[nMaxMousePoints];
    double xm = 0, sm = 0, qm = 0;
    for (int i = 0; i < n; i++) {
        s[i] = double(gPoints[i].nTime - gPoints[0].nTime) * 0.001;
        x[i] = gPoints[i].x;
        xm += x[i];
        sm += s[i];
        qm += s[i] * s[i];
    }
    xm /= n;
    sm /= n;
    qm /= n;
    double Sss = 0, Sxs = 0, Sqs = 0;
    for (int i = 0; i < n; i++) {
        Sss += (s[i] - sm) * (s[i] - sm);
        Sxs += (x[i] - xm) * (s[i] - sm);
        Sqs += (s[i] * s[i] - qm) * (s[i] - sm);
    }
    // Points all recorded at the same millisecond tell nothing about speed.
    if (!(Sss > 0.0)) {
        fLastSpeed = 0.0f;
        return 0.0f;
    }
    double b1 = Sxs / Sss;
    double k = Sqs / Sss;
    double dNum = 0, dDen = 0;
    for (int i = 0; i < n; i++) {
        dNum += (x[i] - xm - b1) * (s[i] * s[i] - qm - k);
        dDen += (s[i] * s[i] - qm - k) * (s[i] * s[i] - qm - k);
    }
    double c = dDen > 0.0 ? dNum / dDen : 0.0;
    double b = b1 - c * k;
    double v = 2.0 * c * s[n - 1] + b;
    if (!std::isfinite(v)) v = 0.0;
    fLastSpeed = float(v);
    return fLastSpeed;
}

int evaluateMouseGesture(int** ppnPositions, float** ppfTimes, int* pnCount, int nLow, int nHigh, int nStart)
{
    if (bMouseSlidingOff) return 0;
    float v = mouseSpeed();
    if (v == 0.0f) {
        *ppnPositions = nullptr;
        *ppfTimes = nullptr;
        *pnCount = 0;
        return 0;
    }
    float a = fDeceleration * signOf(v);
    float e = 0.0f;
    bool bWallHit = false;
    int nWall = 0;

    const int N = 2 * int(std::ceil(std::fabs(v) / 1000.0f / fTimeStep)) + 1;
    int* pPos = ivector(1, N);
    float* pTime = vector(1, N);
    CScopeExit release([&] {
        free_ivector(pPos, 1, N);
        free_vector(pTime, 1, N);
    });
    pPos[1] = nStart;
    pTime[1] = 0.0f;

    int nLast = 1;
    for (int k = 2; k <= N; k++) {
        nLast = k;
        float dt = fTimeStep;
        if (std::fabs(v) - std::fabs(a) * dt < 0.0f) dt = std::fabs(v) / std::fabs(a);
        pTime[k] = dt;
        if (dt < 1e-6f) dt = 0.0f;

        float fStep = v * dt;
        int d = int(v > 0.0f ? std::ceil(fStep) : std::floor(fStep));
        bool bHitNow = false;
        if (pPos[k - 1] + d < nLow) {
            if (!bWallHit) {
                bWallHit = true;
                nWall = nLow;
                if (bMouseBounceMode) e = -fWallPull;
            }
            d = nLow - pPos[k - 1];
            v = -(1.0f - fBounceLoss) * v;
            bHitNow = true;
        } else if (pPos[k - 1] + d > nHigh) {
            if (!bWallHit) {
                bWallHit = true;
                nWall = nHigh;
                if (bMouseBounceMode) e = fWallPull;
            }
            d = nHigh - pPos[k - 1];
            v = -(1.0f - fBounceLoss) * v;
            bHitNow = true;
        }
        pPos[k] = pPos[k - 1] + d;

        a = fDeceleration * signOf(v);
        v = v + (a + e) * dt;

        if (bMouseBounceMode && bWallHit) {
            if (std::abs(pPos[k] - nWall) < 3 && std::abs(d) <= 1 && std::fabs(v) <= 10.0f) break;
        } else if ((!bHitNow && d == 0) || std::fabs(v) <= 1.0f) {
            break;
        }
    }
    for (int k = nLast + 1; k <= N; k++) {
        pPos[k] = 0;
        pTime[k] = 0.0f;
    }

    // Cut the tail where the line no longer moves: the first slot after the
    // start whose next 10 slots all stay at its position.
    int nCount = nLast;
    for (int i = 1; i <= nLast; i++) {
        if (!(pTime[i] > 0.0f)) continue;
        bool bStill = true;
        for (int j = i + 1; j <= i + 10 && j <= N; j++)
            if (pPos[j] != pPos[i]) {
                bStill = false;
                break;
            }
        if (bStill) {
            nCount = i;
            break;
        }
    }

    int* pnOut = ivector(1, nCount);
    float* pfOut = vector(1, nCount);
    for (int i = 1; i <= nCount; i++) {
        pnOut[i] = pPos[i];
        pfOut[i] = pTime[i];
    }
    *ppnPositions = pnOut;
    *ppfTimes = pfOut;
    *pnCount = nCount;
    return 1;
}
