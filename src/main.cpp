// Program entry of Morvex.
//
// Without arguments the main window opens. With a parameter file the program
// runs unattended: no prompt waits for an answer (each gets its default), the
// window is not shown unless the file asks for it, and the results folder
// receives the results record, a screenshot of the window and the transcript
// of everything the run showed.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/parameter_file.h"
#include "app/xla_app.h"
#include "platform/win.h"

int main(int argc, char** argv)
{
    std::setlocale(LC_NUMERIC, "C");
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(runModeUsage(), stdout);
        return 0;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fputs(runModeUsage(), stderr);
        return 2;
    }
    if (argc == 2) {
        std::string szError;
        if (!readParameterFile(argv[1], &runParameters, &szError)) {
            std::fprintf(stderr, "morvex: %s\n", szError.c_str());
            return 2;
        }
        bHaveRunParameters = 1;
        win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    }
    return OwlMain(argc, argv);
}
