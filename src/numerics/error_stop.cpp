#include "numerics/error_stop.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "plot/error_box.h"

namespace {

// Static initialisation runs on the thread that starts the program, which is
// the user-interface thread unless another one is marked later.
std::atomic<std::thread::id> gUserInterfaceThread{std::this_thread::get_id()};

struct TDeferredMessage {
    std::string szText;
    bool bFatal;
};

std::mutex gDeferredLock;
std::vector<TDeferredMessage> gDeferred;

} // namespace

void markUserInterfaceThread()
{
    gUserInterfaceThread.store(std::this_thread::get_id());
}

bool isUserInterfaceThread()
{
    return gUserInterfaceThread.load() == std::this_thread::get_id();
}

int reportError(const char* text, int fatal)
{
    const char* sz = text ? text : "";
    if (isUserInterfaceThread()) return showErrorMessage(sz, fatal);
    std::lock_guard<std::mutex> lock(gDeferredLock);
    gDeferred.push_back({sz, fatal != 0});
    return 1;
}

int showDeferredErrorMessages()
{
    if (!isUserInterfaceThread()) return 0;
    std::vector<TDeferredMessage> pending;
    {
        std::lock_guard<std::mutex> lock(gDeferredLock);
        pending.swap(gDeferred);
    }
    // Several workers usually fail for the same reason: one box per text.
    std::vector<TDeferredMessage> distinct;
    for (const TDeferredMessage& m : pending) {
        bool bSeen = false;
        for (TDeferredMessage& d : distinct)
            if (d.szText == m.szText) {
                d.bFatal = d.bFatal || m.bFatal;
                bSeen = true;
                break;
            }
        if (!bSeen) distinct.push_back(m);
    }
    for (const TDeferredMessage& d : distinct) showErrorMessage(d.szText.c_str(), d.bFatal ? 1 : 0);
    return static_cast<int>(distinct.size());
}

int deferredErrorMessageCount()
{
    std::lock_guard<std::mutex> lock(gDeferredLock);
    return static_cast<int>(gDeferred.size());
}

// The toolbox's error stop for allocation failures.
void nrerror(const char* error_text)
{
    reportError(error_text, 1);
    throw CComputationAbandoned(error_text ? error_text : "", true);
}

void abandonComputation(const char* text)
{
    reportError(text, 0);
    throw CComputationAbandoned(text ? text : "", false);
}
