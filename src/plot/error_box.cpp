#include "plot/error_box.h"

#include <mutex>

#include "numerics/error_stop.h"
#include "platform/win.h"
#include "plot/sounds.h"

namespace {
std::mutex gShownLock;
std::vector<std::string> gShown;
int gQuitRequests = 0;
}  // namespace

int showErrorMessage(const char* text, int fatal)
{
    const char* sz = text ? text : "";
    // A box belongs to the user-interface thread. A solver running on a
    // worker leaves its message for that thread to show once it has joined
    // the workers.
    if (!isUserInterfaceThread()) return reportError(sz, fatal);
    {
        std::lock_guard<std::mutex> lock(gShownLock);
        gShown.emplace_back(sz);
        if (fatal) gQuitRequests++;
    }
    playErrorSound();
    int nResult = win::MessageBoxExA(nullptr, sz, "Error", win::MB_OK | win::MB_ICONINFORMATION, 0);
    if (!fatal) return nResult;
    // The goodbye sound must be heard before the program ends.
    playByeSound();
    win::PostQuitMessage(0);
    return nResult;
}

const std::vector<std::string>& shownErrorMessages() { return gShown; }

int errorBoxQuitRequests() { return gQuitRequests; }

void clearShownErrorMessages()
{
    std::lock_guard<std::mutex> lock(gShownLock);
    gShown.clear();
    gQuitRequests = 0;
}
