// Error stop of the numerical code and the one way a computation is abandoned.
//
// Two kinds of failure end a computation early:
//   - nrerror(text): an allocation failed. Fatal: error box, goodbye sound and
//     quit request, as every allocator has always done.
//   - abandonComputation(text): the data make the computation impossible
//     (singular matrix, too many iterations, bad arguments to smoothing or
//     interpolation). The box is not fatal: the program keeps running.
// Both show their message first and then throw CComputationAbandoned. The
// command that started the computation runs it inside runAbandonable(), which
// catches the throw; since a command computes into its own work arrays and
// stores results only at the end, the loaded data and earlier results stay
// as they were. No caller has to test for a null array or a failure code.
//
// Worker threads never show a box: on any thread other than the user-interface
// thread, messages are recorded instead; the user-interface thread shows them
// with showDeferredErrorMessages() after it has waited for its workers. A worker's
// body runs inside runAbandonable() too (an exception must not leave a thread).
//
// Arrays allocated before a call that may abandon are released on the way out
// by a CScopeExit (or kept in objects that release them).
//
// See docs/errors.md.
#pragma once

#include <string>
#include <utility>

// Thrown after the message has been shown (or recorded on a worker). It is
// deliberately not a std::exception, so that handlers for other errors do not
// swallow it by accident.
class CComputationAbandoned {
public:
    CComputationAbandoned(std::string text, bool fatal) : szText(std::move(text)), bFatal(fatal) {}
    const std::string& Text() const { return szText; }
    // True for allocation failures: the program has been asked to quit.
    bool IsFatal() const { return bFatal; }

private:
    std::string szText;
    bool bFatal;
};

// Allocation failure: fatal message, then abandon.
[[noreturn]] void nrerror(const char* error_text);

// Failure that depends on the data: non-fatal message, then abandon.
[[noreturn]] void abandonComputation(const char* text);

// The error box for messages that do not end the computation ("Root must be
// bracketed ...", "max #iteration exceeded in NNLS"): shows it on the
// user-interface thread, records it on a worker. A fatal flag asks for quit.
int reportError(const char* text, int fatal);

// The thread that shows boxes. The thread that initialises the program (the
// one running main) is the user-interface thread until another one is marked.
void markUserInterfaceThread();
bool isUserInterfaceThread();

// Shows, on the user-interface thread, the messages that workers recorded
// since the last call: each distinct text once, in the order first recorded,
// as a fatal box when any of its recordings was fatal. Returns the number of
// boxes shown (0 on any other thread, which leaves the record alone).
int showDeferredErrorMessages();

// Number of messages recorded by workers and not yet shown.
int deferredErrorMessageCount();

// Runs fn(); true when it ran to its end, false when it was abandoned (the
// message is then already shown or recorded).
template <class F>
bool runAbandonable(F&& fn)
{
    try {
        std::forward<F>(fn)();
        return true;
    } catch (const CComputationAbandoned&) {
        return false;
    }
}

// Runs a clean-up when the scope is left, also when a computation is abandoned:
//   double* p = dvector(1, n);
//   CScopeExit release([&] { free_dvector(p, 1, n); });
template <class F>
class CScopeExit {
public:
    explicit CScopeExit(F f) : fnExit(std::move(f)) {}
    ~CScopeExit() { fnExit(); }
    CScopeExit(const CScopeExit&) = delete;
    CScopeExit& operator=(const CScopeExit&) = delete;

private:
    F fnExit;
};
