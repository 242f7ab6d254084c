// Help page and sounds of the main window.
#include "app/outside_services.h"

#include <cstdint>
#include <string>

#include "platform/win.h"
#include "plot/sounds.h"

bool openHelpPage(const char* szAnchor)
{
    std::string url = win::helpPageUrl(szAnchor && szAnchor[0] == '#' ? szAnchor + 1 : szAnchor);
    if (url.empty()) {
        win::MessageBox(nullptr, "The help page help.html was not found beside the program.", "HELP", win::MB_OK);
        return false;
    }
    if (reinterpret_cast<uintptr_t>(win::ShellExecute(nullptr, "open", url.c_str(), nullptr, nullptr, 1)) > 32)
        return true;
    std::string text = "The help page could not be opened; it is " + url;
    win::MessageBox(nullptr, text.c_str(), "HELP", win::MB_OK);
    return false;
}

void playStartSound()
{
    countSoundFiles();
    playHiSound();
}

void playGoodbyeSoundToEnd() { playByeSound(); }
