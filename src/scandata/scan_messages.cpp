// Message boxes of the scan-data subsystem.
#include "scandata/scan_messages.h"

#include <algorithm>

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

void tellLeftOutPerFile(const char* szLead, const std::vector<std::pair<std::string, int>>& files) {
    if (files.empty()) return;
    std::string text = szLead;
    const size_t nShown = std::min<size_t>(files.size(), 10);
    for (size_t k = 0; k < nShown; ++k) text += "\n" + std::to_string(files[k].second) + " in " + files[k].first;
    if (files.size() > nShown) text += "\nand points of " + std::to_string(files.size() - nShown) + " more files";
    scanNoticeBox(text.c_str(), "LOAD");
}
