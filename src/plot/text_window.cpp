#include "plot/text_window.h"

#include "platform/win.h"

namespace {

// The one run at a time: the caller's buffer, its capacity and the text shown.
struct TRichEditRun {
    char* pBuffer = nullptr;
    int nCapacity = 0;
    unsigned char bInitialText = 0;
    const char* szInitialText = nullptr;
    bool bRunning = false;
};

TRichEditRun gRun;

}  // namespace

int runRichEditWindow(char* szBuffer, int nCapacity, unsigned char bInitialText, const char* szInitialText)
{
    if (gRun.bRunning) return -1;
    gRun = TRichEditRun{szBuffer, nCapacity, bInitialText, szInitialText, true};
    const char* szShown = gRun.bInitialText && gRun.szInitialText ? gRun.szInitialText : "";
    // The window's editor keeps its text until it is closed; closing copies
    // what fits (capacity - 1 characters) into the caller's buffer.
    win::RunTextWindow(nullptr, "Text", szShown, gRun.pBuffer, gRun.nCapacity);
    gRun = TRichEditRun{};
    return 0;
}
