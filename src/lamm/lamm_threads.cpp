// Lists of Lamm equations on worker threads.
#include "lamm/lamm_threads.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "app/app_globals.h"
#include "lamm/lamm_nonideal.h"
#include "numerics/error_stop.h"
#include "numerics/nrutil.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"

// ---------------------------------------------------------------- the worker

MultiThreadCLammIdeal::MultiThreadCLammIdeal() = default;

MultiThreadCLammIdeal::~MultiThreadCLammIdeal()
{
    // the thread has been waited for by the runner; the base joins it anyway
    if (!bNonideal) DebugLog("\ndeleting MultiThreadCLammIdeal");
}

MultiThreadCLammNonIdeal::MultiThreadCLammNonIdeal()
{
    bNonideal = 1;
}

MultiThreadCLammNonIdeal::~MultiThreadCLammNonIdeal()
{
    DebugLog("\ndeleting MultiThreadCLammNonIdeal");
}

void MultiThreadCLammIdeal::SetThreadNumber(int k)
{
    nThreadNumber = k;
}

void MultiThreadCLammIdeal::LoadJob(const CLammIdeal* tmpl, int n, double* s, double* D, double* vbar,
                                    float*** out, float* radii, int nPoints, float** scanRadii, int* scanPoints)
{
    pTemplate = tmpl;
    nEquations = n;
    pS = s;
    pD = D;
    pVbar = vbar;
    pppOut = out;
    pRadii = radii;
    nRadii = nPoints;
    ppScanRadii = scanRadii;
    pScanPoints = scanPoints;
}

void MultiThreadCLammIdeal::SetErrorSlots(int* errors, int* equations)
{
    pErrors = errors;
    pEquations = equations;
}

void MultiThreadCLammIdeal::SetInitialProfiles(int nPoints, float* radii, float** profiles)
{
    nProfilePoints = nPoints;
    pProfileRadii = radii;
    ppProfiles = profiles;
}

void MultiThreadCLammIdeal::DebugLog(const char* text)
{
    if (!bDiagnosticsThreads) return;
    if (!szLogFileName[0]) {
        std::snprintf(szLogFileName, sizeof szLogFileName, "c:\\temp\\MTdebug_t%d.txt", nThreadNumber);
        if (nThreadNumber == 0) {
            std::snprintf(szText, sizeof szText, "deleting threads (thread #%d)", nThreadNumber);
            bFinalLog = 1;
        } else {
            std::snprintf(szText, sizeof szText, "\nstarting new debugging session for thread #%d", nThreadNumber);
        }
        DebugLog(nullptr);  // the pending line opens the file
    }
    const char* line = text ? text : szText;
    FILE* f = win::fopenMapped(szLogFileName, bLogOpened ? "a" : "w");
    if (!f) {
        char msg[200];
        std::snprintf(msg, sizeof msg, "\nAttention: could not open %s to write debugging info", szLogFileName);
        showErrorMessage(msg, 0);
        return;
    }
    bLogOpened = 1;
    std::fputs(line, f);
    std::fclose(f);
}

int MultiThreadCLammIdeal::Run()
{
    DebugLog(bNonideal ? "\nstart MultiThreadCLammNonIdeal::Run()" : "\nstart MultiThreadCLammIdeal::Run()");
    const int k = nThreadNumber;
    pErrors[k] = 0;
    pEquations[k] = 0;
    if (pS && pD && pppOut && pTemplate) {
        SetPriority(Highest);  // best effort
        for (int i = 1; i <= nEquations; i++) {
            if (i % nWorkers != k - 1) continue;
            if (pErrors[k] != 0 || bInterruptComputation.load()) break;
            SolveEquation(i);
        }
    }
    DebugLog(bNonideal ? "\nexit from MultiThreadCLammNonIdeal::Run()" : "\nexit from MultiThreadCLammIdeal::Run()");
    return 0;
}

void MultiThreadCLammIdeal::SolveEquation(int i)
{
    const int k = nThreadNumber;
    char line[200];
    std::snprintf(line, sizeof line, "\nstarting new debugging session for Lamm equation #%d (s = %.4f S, D = %.3f F)", i,
                  pS[i], pD[i] * 1e7);
    DebugLog(line);
    int result = 0;
    unsigned char aborted = 0;
    // An allocation failure inside the solution ends this equation with
    // error 1; its message is shown by the waiting thread.
    const bool completed = runAbandonable([&] {
        std::unique_ptr<CLammIdeal> solver;
        if (bNonideal) {
            solver = std::make_unique<CLammNonIdeal>(static_cast<const CLammNonIdeal&>(*pTemplate));
        } else {
            solver = std::make_unique<CLammIdeal>();
            solver->CopyFrom(*pTemplate);
        }
        solver->bOwnedByThread = 1;
        solver->nEquationNumber = i;
        solver->nThreadNumber = k;
        solver->pSharedProgress = &progress;
        solver->SetSimulationTarget(pS[i], pD[i], pppOut[i], pRadii, nRadii, ppScanRadii, pScanPoints);
        const double vbar = pVbar ? pVbar[i] : pTemplate->fVbar;
        solver->SetSolventAndParticle(pTemplate->fTemperature, vbar, pTemplate->fDensity, pTemplate->fViscosity);
        if (nProfilePoints > 0 && pProfileRadii && ppProfiles)
            solver->SetInitialProfile(nProfilePoints, pProfileRadii, ppProfiles[i]);
        pSolver = solver.get();
        result = solver->Solve();
        aborted = solver->bAborted;
        pSolver = nullptr;
    });
    pSolver = nullptr;
    if (!completed) result = 1;
    if (result > 0) {
        pErrors[k] = result;
        pEquations[k] = i;
        bInterruptComputation = 1;
    }
    if (aborted) bInterruptComputation = 1;
    DebugLog(" -> OK");
}

// ---------------------------------------------------------------- the runner

int CLammIdeal::CLRunMTList(int n, double* s, double* D, double* vbar, float*** out, float* radii, int nPoints,
                            float** scanRadii, int* scanPoints)
{
    return CLRunMTList(n, s, D, vbar, out, radii, nPoints, scanRadii, scanPoints, 0, nullptr, nullptr);
}

int CLammIdeal::CLRunMTList(int n, double* s, double* D, double* vbar, float*** out, float* radii, int nPoints,
                            float** scanRadii, int* scanPoints, int nProfilePoints, float* profileRadii,
                            float** profiles)
{
    // A list without s, D or output cannot be solved: a setting group missing.
    if (!s || !D || !out) return 4;
    const int N = nLammThreads > 0 ? nLammThreads : 1;
    int* errors = ivector(1, N);
    int* equations = ivector(1, N);
    if (bDiagnosticsLamm) {
        delete[] szLogOpeningLine;
        szLogOpeningLine = nullptr;
        bLogOpened = 0;
        DebugLog(nullptr);
        DebugLog("\nStarting CLRunMTList");
    }
    const bool show = bWindowPainted && pOutputWindow && !bFitRunning && !bSkipRegularization;
    if (show) {
        win::HDC dc = win::GetDC(pOutputWindow);
        if (dc) {
            const char* text = "solving Lamm equations...       ";
            win::TextOut(dc, 10, 30, text, (int)std::strlen(text));
            win::ReleaseDC(pOutputWindow, dc);
        }
    }
    const bool nonideal = dynamic_cast<const CLammNonIdeal*>(this) != nullptr;
    std::vector<std::unique_ptr<MultiThreadCLammIdeal>> workers(N + 1);
    for (int k = 0; k <= N; k++) {
        if (nonideal)
            workers[k] = std::make_unique<MultiThreadCLammNonIdeal>();
        else
            workers[k] = std::make_unique<MultiThreadCLammIdeal>();
    }
    if (bDiagnosticsLamm) DebugLog(" ... pLammThreads allocated");
    for (int k = 1; k <= N; k++) {
        MultiThreadCLammIdeal* w = workers[k].get();
        w->SetThreadNumber(k);
        w->nWorkers = N;
        w->LoadJob(this, n, s, D, vbar, out, radii, nPoints, scanRadii, scanPoints);
        if (nProfilePoints > 0) w->SetInitialProfiles(nProfilePoints, profileRadii, profiles);
        w->SetErrorSlots(errors, equations);
    }
    if (bDiagnosticsLamm) DebugLog(", loaded");
    auto poll = [this] {
        if (!bInterruptComputation.load() && UserAborted()) bInterruptComputation = 1;
    };
    for (int k = 1; k <= N; k++) {
        if (!workers[k]->Start()) {  // a worker that cannot start takes its equations nowhere
            errors[k] = 1;
            equations[k] = k == 1 ? N : k - 1;
            bInterruptComputation = 1;
        }
        poll();
    }
    if (bDiagnosticsLamm) DebugLog(", started ");
    // A worker's progress is drawn here, never by the worker, under the
    // conditions of a solver's own progress lines.
    const bool progressShown = show && bLiveDisplay;
    for (int k = 1; k <= N; k++) {
        // Waits in slices: the window layer polls the keyboard between them.
        while (workers[k]->WaitForSelf(progressShown ? 200 : win::TThread::NoLimit) == win::WAIT_TIMEOUT)
            drawLammProgress(pOutputWindow, workers[k]->progress);
        poll();
    }
    if (bDiagnosticsLamm) DebugLog(", exited ");
    showDeferredErrorMessages();  // what the workers recorded instead of showing
    int result = 0;
    for (int k = 1; k <= N; k++) {
        if (errors[k] > 0) {
            result = errors[k];
            char text[100];
            std::snprintf(text, sizeof text, "error #%d in simulation #%d", errors[k], equations[k]);
            showErrorMessage(text, 0);
        }
    }
    if (bDiagnosticsLamm) DebugLog(", checked ");
    bool allDone = true;
    for (int k = 1; k <= N; k++)
        if (workers[k]->GetStatus() == win::TThread::Running) allDone = false;
    if (bDiagnosticsLamm) DebugLog(allDone ? ", all done " : ", not all done yet ");
    if (bDiagnosticsLamm) DebugLog(", and deleted. ");
    for (int k = 0; k <= N; k++) workers[k].reset();
    free_ivector(errors, 1, N);
    free_ivector(equations, 1, N);
    return result;
}

int CLammIdeal::RunMTListConstVbar(int n, double* s, double* D, float vbar, float*** out, float* radii, int nPoints,
                                   float** scanRadii, int* scanPoints)
{
    return RunMTListConstVbarWithProfiles(n, s, D, vbar, out, radii, nPoints, scanRadii, scanPoints, 0, nullptr,
                                          nullptr);
}

int CLammIdeal::RunMTListConstVbarWithProfiles(int n, double* s, double* D, float vbar, float*** out, float* radii,
                                               int nPoints, float** scanRadii, int* scanPoints, int nProfilePoints,
                                               float* profileRadii, float** profiles)
{
    const int m = n > 0 ? n : 1;
    double* v = dvector(1, m);
    for (int i = 1; i <= m; i++) v[i] = vbar;
    const int result =
        CLRunMTList(n, s, D, v, out, radii, nPoints, scanRadii, scanPoints, nProfilePoints, profileRadii, profiles);
    free_dvector(v, 1, m);
    return result;
}
