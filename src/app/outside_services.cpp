// Help page and sounds of the main window.
#include "app/outside_services.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "app/data_file_paths.h"
#include "platform/win.h"
#include "plot/sounds.h"

const char* helpPagePath()
{
    static std::string path;
    std::error_code ec;
    for (const char* szRel : {"help.html", "docs/help.html", "../docs/help.html", "../share/morvex/help.html"}) {
        std::string candidate = std::string(szProgramDir) + szRel;
        if (std::filesystem::is_regular_file(candidate, ec)) {
            path = std::filesystem::weakly_canonical(candidate, ec).string();
            return path.c_str();
        }
    }
    path.clear();
    return path.c_str();
}

bool openHelpPage(const char* szAnchor)
{
    std::string page = helpPagePath();
    if (page.empty()) {
        win::MessageBox(nullptr, "The help page docs/help.html was not found beside the program.", "HELP",
                        win::MB_OK);
        return false;
    }
    // Until the layer opens documents with the desktop's handler, the request
    // is written to the transcript.
    win::headless::transcribe("OpenDocument " + win::headless::quote("file://" + page + szAnchor));
    return true;
}

void playStartSound()
{
    countSoundFiles();
    playHiSound();
}

void playGoodbyeSoundToEnd() { playByeSound(); }
