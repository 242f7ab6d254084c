// Message boxes of the scan-data subsystem.
#include "scandata/scan_messages.h"

#include "app/app_globals.h"
#include "platform/win.h"

namespace {

// The boxes belong to the main window; the layer parents an ownerless box
// to it.
win::HWND ownerWindow() { return nullptr; }

void playErrorSound() {}
void playInfoSound() {}

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
