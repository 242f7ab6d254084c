// Message boxes of the scan-data subsystem.
#include "scandata/scan_messages.h"

#include "app/app_globals.h"
#include "platform/win.h"
#include "plot/sounds.h"

namespace {

// Ownerless until the main window's handle can be reached from here.
win::HWND ownerWindow() { return nullptr; }

}  // namespace

void scanErrorBox(const char* szText, const char* szCaption) {
    playErrorSound();
    win::MessageBox(ownerWindow(), szText, szCaption, win::MB_OK);
}

void scanInfoBox(const char* szText, const char* szCaption) {
    playInfoSound();
    win::MessageBox(ownerWindow(), szText, szCaption, win::MB_OK);
}

void scanNoticeBox(const char* szText, const char* szCaption) {
    win::MessageBox(ownerWindow(), szText, szCaption, win::MB_OK);
}

bool scanYesNoBox(const char* szText, const char* szCaption) {
    return win::MessageBox(ownerWindow(), szText, szCaption, win::MB_YESNO) == win::IDYES;
}
