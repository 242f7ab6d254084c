#include "plot/error_box.h"

#include <cstdio>

namespace {
std::vector<std::string> gShown;
}

// Until the window toolkit is in place the box only records its text and
// echoes it on standard error.
int showErrorMessage(const char* text, int fatal)
{
    gShown.emplace_back(text ? text : "");
    std::fprintf(stderr, "Error%s: %s\n", fatal ? " (fatal)" : "", text ? text : "");
    return 1;
}

const std::vector<std::string>& shownErrorMessages() { return gShown; }
void clearShownErrorMessages() { gShown.clear(); }
