// Mouse sliding: release speed and the sliding trajectory.
#include <gtest/gtest.h>

#include <cmath>

#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/mouse_tracker.h"

using namespace win;

namespace {

// Switches sliding on for one test and back off afterwards.
class MouseSliding : public ::testing::Test {
protected:
    void SetUp() override
    {
        bMouseSlidingOff = 0;
        bMouseBounceMode = 1;
        resetMousePoints();
    }
    void TearDown() override
    {
        resetMousePoints();
        bMouseSlidingOff = 1;
        bMouseBounceMode = 1;
    }
    // A drag at constant speed: x grows by nStep every nMs milliseconds.
    void drag(int nPoints, int x0, int nStep, DWORD nMs)
    {
        for (int i = 0; i < nPoints; i++) {
            recordMousePoint(x0 + i * nStep, 300);
            headless::advanceTime(nMs);
        }
    }
};

}  // namespace

TEST_F(MouseSliding, SpeedNeedsARecentMovement)
{
    EXPECT_EQ(mouseSpeed(), 0.0f);
    recordMousePoint(10, 10);
    EXPECT_EQ(mouseSpeed(), 0.0f);  // one point

    drag(8, 100, 10, 10);
    float v = mouseSpeed();
    EXPECT_GT(v, 0.0f);
    resetMousePoints();
    drag(8, 500, -10, 10);
    EXPECT_LT(mouseSpeed(), 0.0f);
    EXPECT_NEAR(mouseSpeed(), -v, 1e-3f * v);

    // Eight points over 0.4 s are too slow a gesture.
    resetMousePoints();
    drag(8, 100, 10, 57);
    EXPECT_EQ(mouseSpeed(), 0.0f);

    // Only the last eight points count: an old pause is forgotten.
    drag(8, 100, 10, 10);
    EXPECT_NEAR(mouseSpeed(), v, 1e-3f * v);

    // Switched off: nothing is recorded, nothing computed, outputs untouched.
    bMouseSlidingOff = 1;
    resetMousePoints();
    recordMousePoint(1, 1);
    EXPECT_EQ(mouseSpeed(), 0.0f);
    int* pPos = reinterpret_cast<int*>(0x1);
    float* pTimes = nullptr;
    int n = 77;
    EXPECT_EQ(evaluateMouseGesture(&pPos, &pTimes, &n, 0, 1000, 500), 0);
    EXPECT_EQ(n, 77);
    EXPECT_EQ(pPos, reinterpret_cast<int*>(0x1));
}

TEST_F(MouseSliding, NoSpeedNoSlide)
{
    int* pPos = nullptr;
    float* pTimes = nullptr;
    int n = 5;
    recordMousePoint(100, 100);
    headless::advanceTime(10);
    recordMousePoint(100, 100);
    EXPECT_EQ(evaluateMouseGesture(&pPos, &pTimes, &n, 0, 1000, 100), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(pPos, nullptr);
    EXPECT_EQ(pTimes, nullptr);
}

// Whatever the speed, direction and end behaviour, the line stays inside its
// range, every step time is a real number within one animation step, and the
// line never moves against its initial direction before it hits an end.
TEST_F(MouseSliding, TrajectoryStaysInItsRange)
{
    const int nLow = 120, nHigh = 880;
    for (unsigned char bBounce : {0, 1})
        for (int nStep : {-40, -9, -2, 3, 15, 60})
            for (int nStart : {nLow, 130, 500, 860, nHigh}) {
                bMouseBounceMode = bBounce;
                resetMousePoints();
                drag(8, 400, nStep, 4);
                int* pPos = nullptr;
                float* pTimes = nullptr;
                int n = 0;
                ASSERT_EQ(evaluateMouseGesture(&pPos, &pTimes, &n, nLow, nHigh, nStart), 1);
                ASSERT_GE(n, 1);
                EXPECT_EQ(pPos[1], nStart);
                EXPECT_EQ(pTimes[1], 0.0f);
                bool bHit = false;
                for (int i = 1; i <= n; i++) {
                    ASSERT_GE(pPos[i], nLow) << int(bBounce) << " " << nStep << " " << nStart << " @" << i;
                    ASSERT_LE(pPos[i], nHigh) << int(bBounce) << " " << nStep << " " << nStart << " @" << i;
                    ASSERT_TRUE(std::isfinite(pTimes[i]));
                    ASSERT_GE(pTimes[i], 0.0f);
                    ASSERT_LE(pTimes[i], 0.005f);
                    if (i > 1 && !bHit) {
                        if (pPos[i] == nLow || pPos[i] == nHigh) bHit = true;
                        EXPECT_GE((pPos[i] - pPos[i - 1]) * (nStep > 0 ? 1 : -1), 0);
                    }
                }
                free_ivector(pPos, 1, n);
                free_vector(pTimes, 1, n);
            }
}

// Far from the ends the line keeps its direction, slows down and stops;
// a fast release slides further than a slow one.
TEST_F(MouseSliding, SlidesFurtherTheFasterItIsLetGo)
{
    bMouseBounceMode = 0;
    int nTravel[2];
    int k = 0;
    for (int nStep : {4, 12}) {
        resetMousePoints();
        drag(8, 400, nStep, 5);
        int* pPos = nullptr;
        float* pTimes = nullptr;
        int n = 0;
        ASSERT_EQ(evaluateMouseGesture(&pPos, &pTimes, &n, 0, 100000, 50000), 1);
        for (int i = 3; i <= n; i++) EXPECT_LE(pPos[i] - pPos[i - 1], pPos[i - 1] - pPos[i - 2] + 1);
        nTravel[k++] = pPos[n] - pPos[1];
        free_ivector(pPos, 1, n);
        free_vector(pTimes, 1, n);
    }
    EXPECT_GT(nTravel[0], 0);
    EXPECT_GT(nTravel[1], 2 * nTravel[0]);
}
