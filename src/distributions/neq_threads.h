// The normal equations on worker threads: row i goes to worker (i mod N) + 1,
// each worker runs the same row code as the single-threaded build. Workers
// write only their own rows, partial sum and progress; they never draw and
// never poll keys (the user-interface thread, waiting for them, polls the
// keyboard and sets bInterruptComputation, which they read before each scan,
// and draws their progress).
#pragma once

#include "platform/win.h"

class TXLAWindow;

class MultiContiNEQThread : public win::TThread {
public:
    MultiContiNEQThread();
    ~MultiContiNEQThread() override;

    int nThreadNumber = 0;  // k, 1..N

protected:
    int Run() override;
};

// The workers of the build in progress (element 0 unused), null between
// builds.
extern MultiContiNEQThread* pNEQThreads;
// n of the build in progress.
extern int nNEQRowCount;
// Worker k's share of dSumSquaredData (1..N).
extern double* pNEQPartialSums;

// Builds the equations of the noise model chosen by the switches on
// nNEQThreads workers.
void runNormalEquationsMT(TXLAWindow* pWindow);
