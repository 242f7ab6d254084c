// Mouse sliding: release speed and the sliding trajectory.
#include <gtest/gtest.h>

#include <cmath>

#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/mouse_tracker.h"

using namespace win;

namespace {

class MouseSliding : public ::testing::Test {
protected:
    void SetUp() override { bMouseSlidingOff = 0; }
    void TearDown() override
    {
        resetMousePoints();
        bMouseSlidingOff = 1;
        bMouseBounceMode = 1;
    }
    // A drag at constant speed: x grows by nStep every nMs milliseconds.
    static void drag(int x0, int nStep, DWORD nMs)
    {
        resetMousePoints();
        for (int i = 0; i < 8; i++) {
            recordMousePoint(x0 + i * nStep, 300);
            headless::advanceTime(nMs);
        }
    }
};

}  // namespace

TEST_F(MouseSliding, SpeedNeedsARecentMovement)
{
    drag(100, 10, 10);
    float v = mouseSpeed();
    EXPECT_GT(v, 0.0f);
    drag(500, -10, 10);
    EXPECT_NEAR(mouseSpeed(), -v, 1e-3f * v);
    drag(100, 10, 57);  // eight points over 0.4 s
    EXPECT_EQ(mouseSpeed(), 0.0f);

    // Switched off: nothing recorded or computed, the outputs untouched.
    drag(100, 10, 10);
    bMouseSlidingOff = 1;
    resetMousePoints();
    EXPECT_EQ(mouseSpeed(), 0.0f);
    int* pPos = nullptr;
    float* pTimes = nullptr;
    int n = 77;
    EXPECT_EQ(evaluateMouseGesture(&pPos, &pTimes, &n, 0, 1000, 500), 0);
    EXPECT_EQ(n, 77);
}

// The release speed is the slope at the last point of x = b s + c s^2 as the
// tracker's sums give it (their second step subtracts b1 itself, not b1 times
// the time): a drag at a steady 1000 px/s gives about twice that, 2000 px/s,
// and that is the speed the line slides away with. A plain straight-line fit
// would say 1000.
TEST_F(MouseSliding, ASteadyDragOf1000PixelsPerSecondLeavesAt2000)
{
    for (DWORD nMs : {5u, 10u, 40u}) {
        resetMousePoints();
        DWORD t0 = headless::virtualTime();
        for (int i = 0; i < 8; i++) {
            // the clock the tracker reads is the position, in pixels
            recordMousePoint(100 + int(headless::virtualTime() - t0), 300);
            headless::advanceTime(nMs - 1);
        }
        EXPECT_NEAR(mouseSpeed(), 2000.0f, 2.0f) << nMs;
    }
}

// Whatever the speed, direction and end behaviour, the line stays inside its
// range, every step time is a real number within one animation step, and
// before it reaches an end the line never moves against the drag.
TEST_F(MouseSliding, TrajectoryStaysInItsRange)
{
    const int nLow = 120, nHigh = 880;
    for (unsigned char bBounce : {0, 1})
        for (int nStep : {-40, -9, -2, 3, 15, 60})
            for (int nStart : {nLow, 130, 500, 860, nHigh}) {
                bMouseBounceMode = bBounce;
                drag(400, nStep, 4);
                int* pPos = nullptr;
                float* pTimes = nullptr;
                int n = 0;
                ASSERT_EQ(evaluateMouseGesture(&pPos, &pTimes, &n, nLow, nHigh, nStart), 1);
                ASSERT_GE(n, 1);
                EXPECT_EQ(pPos[1], nStart);
                bool bHit = false;
                for (int i = 1; i <= n; i++) {
                    ASSERT_GE(pPos[i], nLow) << int(bBounce) << " " << nStep << " " << nStart << " @" << i;
                    ASSERT_LE(pPos[i], nHigh) << int(bBounce) << " " << nStep << " " << nStart << " @" << i;
                    ASSERT_TRUE(pTimes[i] >= 0.0f && pTimes[i] <= 0.005f) << pTimes[i];
                    if (i > 1 && !bHit) {
                        bHit = pPos[i] == nLow || pPos[i] == nHigh;
                        EXPECT_GE((pPos[i] - pPos[i - 1]) * (nStep > 0 ? 1 : -1), 0);
                    }
                }
                free_ivector(pPos, 1, n);
                free_vector(pTimes, 1, n);
            }
}
