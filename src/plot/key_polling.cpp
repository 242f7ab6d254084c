#include "plot/key_polling.h"

#include "platform/win.h"

std::atomic<unsigned char> bInterruptComputation{0};

using namespace win;

// Takes one message off the queue without dispatching it. Anything but a key
// press is lost; a key press is consumed up to its release, so neither its
// character nor its release reaches a window afterwards.
bool keyPressed()
{
    MSG msg;
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message != WM_KEYDOWN) return false;
    for (;;) {
        if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_KEYUP) return true;
            continue;
        }
        // Nothing queued: wait for the release, unless nothing more can come.
        if (!WaitMessage()) return true;
    }
}

namespace {

// While the user-interface thread waits for worker threads it polls the
// keyboard the same way, so a key press stops the workers' computation.
void pollWhileWaiting()
{
    if (!bInterruptComputation.load() && keyPressed()) bInterruptComputation = 1;
}

[[maybe_unused]] const bool bWaitPollRegistered = (SetWaitPoll(&pollWhileWaiting), true);

}  // namespace
