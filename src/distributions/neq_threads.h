// The normal equations on worker threads: row i goes to worker (i mod N) + 1,
// each worker runs the same row code as the single-threaded build. Workers
// write only their own rows, partial sum and progress; they never draw and
// never poll keys (the user-interface thread, waiting for them, polls the
// keyboard and sets bInterruptComputation, which they read before each scan,
// and draws their progress).
#pragma once

#include <functional>

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

// A pass over the scans on workers: worker k of N takes the positions k,
// k + N, ... of 1..nPositions and calls the pass with each. The pass writes
// only what belongs to its scan, so any split gives the serial loop's result.
class MultiContiScanPassThread : public win::TThread {
public:
    MultiContiScanPassThread();
    ~MultiContiScanPassThread() override;

    int nThreadNumber = 0;  // k, 1..N
    int nWorkers = 1;       // N
    int nPositions = 0;
    const std::function<void(int)>* pPass = nullptr;

protected:
    int Run() override;
};

// pass(p) for p = 1..nPositions on nNEQThreads workers, no more than there
// are positions; with one worker or none the pass runs here, in order. The
// wait does not look at the keyboard, as the serial loop does not: a pass is
// not stopped by a key. A worker that cannot start has its positions done
// here.
void runScanPassMT(int nPositions, const std::function<void(int)>& pass);
