// Program entry of Morvex.
//
// Without arguments the main window opens on the screen. With a parameter
// file the program runs unattended and shows nothing: every prompt gets its
// default answer, and the results folder receives the results record, a
// screenshot of the window and the transcript of everything the run showed.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/data_file_paths.h"
#include "app/parameter_file.h"
#include "app/xla_app.h"
#include "platform/qt/screen.h"
#include "platform/win.h"

int main(int argc, char** argv)
{
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(runModeUsage(), stdout);
        return 0;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fputs(runModeUsage(), stderr);
        return 2;
    }
    std::setlocale(LC_NUMERIC, "C");
    if (argc == 2) {
        std::string szError;
        if (!readParameterFile(argv[1], &runParameters, &szError)) {
            std::fprintf(stderr, "morvex: %s\n", szError.c_str());
            return 2;
        }
        // The settings files are kept under the working folder in 260
        // characters: a folder too long for them is refused before anything
        // is written (cut, their paths would name other folders).
        const std::string work = win::workingFolder();
        if (work.size() > longestWorkingFolder()) {
            std::fprintf(stderr,
                         "morvex: the working folder %s (XDG_CONFIG_HOME) has %zu characters, more than the %zu "
                         "its settings files can be kept under; choose a shorter XDG_CONFIG_HOME\n",
                         work.c_str(), work.size(), longestWorkingFolder());
            return 2;
        }
        bHaveRunParameters = 1;
        win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    } else {
        // The window needs a display; without one, say how else to run
        // (Qt itself would abort). The platform layer keeps the numeric
        // locale at "C" when Qt starts, in either mode.
        static const char szNoDisplay[] =
            "morvex: no display was found for the main window.\n"
            "Run it on a desktop, or unattended with a parameter file: morvex PARAMETERFILE\n"
            "(morvex --help lists its keys); for a window without a screen set QT_QPA_PLATFORM=offscreen.\n";
        if (!win::screen::displayNamed()) {
            std::fputs(szNoDisplay, stderr);
            return 1;
        }
        win::screen::start(argc, argv, szNoDisplay);
    }
    const int nExit = OwlMain(argc, argv);
    // the unattended run ends by saying what it found and where
    if (bHaveRunParameters) std::fputs(szRunSummary.c_str(), stdout);
    return nExit;
}
