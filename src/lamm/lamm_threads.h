// Worker threads that solve lists of Lamm equations (CLammIdeal::CLRunMTList).
//
// Worker k of N takes the equations i with i mod N = k - 1, builds a solver per
// equation from the caller's template, solves it into that equation's output
// matrix and stops after its first error or when bInterruptComputation is set.
// Workers write only their own output matrices, their own error slots and the
// stop flag; they never draw and never poll keys.
#pragma once

#include "lamm/lamm_ideal.h"
#include "platform/win.h"

class MultiThreadCLammIdeal : public win::TThread {
public:
    MultiThreadCLammIdeal();
    ~MultiThreadCLammIdeal() override;

    void SetThreadNumber(int k);
    void LoadJob(const CLammIdeal* tmpl, int n, double* s, double* D, double* vbar, float*** out, float* radii,
                 int nPoints, float** scanRadii, int* scanPoints);
    void SetErrorSlots(int* errors, int* equations);
    void SetInitialProfiles(int nPoints, float* radii, float** profiles);
    void DebugLog(const char* text);

    int nThreadNumber = 0;
    int nWorkers = 1;  // N: the equations of this worker are i mod N = k - 1
    int* pErrors = nullptr;
    int* pEquations = nullptr;
    const CLammIdeal* pTemplate = nullptr;
    CLammIdeal* pSolver = nullptr;  // the solver being solved (null between equations)
    int nEquations = 0;
    double* pS = nullptr;
    double* pD = nullptr;
    double* pVbar = nullptr;
    float*** pppOut = nullptr;
    float* pRadii = nullptr;
    int nRadii = 0;
    float** ppScanRadii = nullptr;
    int* pScanPoints = nullptr;
    char szText[100] = {0};
    char szLogFileName[100] = {0};
    unsigned char bLogOpened = 0;
    unsigned char bFinalLog = 0;
    int nProfilePoints = 0;
    float* pProfileRadii = nullptr;
    float** ppProfiles = nullptr;
    unsigned char bNonideal = 0;
    CLammProgress progress;  // the progress of this worker's current equation

protected:
    int Run() override;

private:
    void SolveEquation(int i);
};

class MultiThreadCLammNonIdeal : public MultiThreadCLammIdeal {
public:
    MultiThreadCLammNonIdeal();
    ~MultiThreadCLammNonIdeal() override;
};
