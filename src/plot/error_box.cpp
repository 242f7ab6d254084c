#include "plot/error_box.h"

#include <cstdio>
#include <mutex>

namespace {
std::mutex gShownLock;
std::vector<std::string> gShown;
int gQuitRequests = 0;
}

// Until the window toolkit is in place the box only records its text and
// echoes it on standard error.
int showErrorMessage(const char* text, int fatal)
{
    std::lock_guard<std::mutex> lock(gShownLock);
    gShown.emplace_back(text ? text : "");
    if (fatal) gQuitRequests++;
    std::fprintf(stderr, "Error%s: %s\n", fatal ? " (fatal)" : "", text ? text : "");
    return 1;
}

const std::vector<std::string>& shownErrorMessages() { return gShown; }
int errorBoxQuitRequests() { return gQuitRequests; }
void clearShownErrorMessages()
{
    std::lock_guard<std::mutex> lock(gShownLock);
    gShown.clear();
    gQuitRequests = 0;
}
