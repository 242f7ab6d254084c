// Fuzz target: any bytes as the watch file of the PLOKA-monitored serialised
// fit, read by readSerialWatchFile in the mode the first byte picks (odd: one
// list file per line, "listOfLists.txt"; even: prefix, extension and a range
// of scan numbers per line, "toBeProcessed.txt", whose lists are made from
// the scan files of the data directory). Whatever the file holds: at most
// 1000 items, every text ends inside its buffer, and a list item's set name
// is its list path.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/data_file_paths.h"
#include "app/preferences.h"
#include "app/xla_window.h"
#include "fitting/serial_fit.h"
#include "models/model_globals.h"
#include "platform/headless.h"

namespace {

std::string gFolder;
TXLAWindow* gWindow = nullptr;

void removeFolder()
{
    std::error_code ec;
    if (!gFolder.empty()) std::filesystem::remove_all(gFolder, ec);
}

void check(bool bOk, const char* szWhat)
{
    if (bOk) return;
    std::fprintf(stderr, "fuzz_serial_watch_file: %s\n", szWhat);
    std::abort();
}

// The lists a run made, so that the folder stays as it began.
void removeLists()
{
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(gFolder, ec))
        if (e.path().filename().string().rfind("seriallist", 0) == 0) std::filesystem::remove(e.path(), ec);
}

}  // namespace

// The font configuration library keeps what the window's fonts asked of it
// until the process ends (scripts/lsan.supp); the run's own leaks still show.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char tmpl[] = "/tmp/morvex_fuzz_watch_XXXXXX";
    if (!mkdtemp(tmpl)) return 0;
    gFolder = tmpl;
    std::atexit(removeFolder);
    setenv("XDG_CONFIG_HOME", gFolder.c_str(), 1);
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::setFailureHandler([](const std::string&) {});
    setUpDataFilePaths();
    allocParameterVectors();
    defaultPreferences.bDisclaimerAccepted = 1;
    writeDefaultPreferences();
    gWindow = new TXLAWindow(nullptr, "Sedimentation Analysis");
    gWindow->Create();
    win::headless::processMessages();
    // scan files s00001.RA1 .. s00012.RA1 and 00001.RA2 .. 00006.RA2
    for (int k = 1; k <= 12; k++) {
        char name[32];
        std::snprintf(name, sizeof name, "s%05d.RA1", k);
        if (FILE* f = std::fopen((gFolder + "/" + name).c_str(), "w")) std::fclose(f);
        std::snprintf(name, sizeof name, "%05d.RA2", k);
        if (k <= 6)
            if (FILE* f = std::fopen((gFolder + "/" + name).c_str(), "w")) std::fclose(f);
    }
    std::snprintf(szSerialDataDir, sizeof szSerialDataDir, "%s/", gFolder.c_str());
    std::snprintf(szSerialWatchFile, sizeof szSerialWatchFile, "%s/watch.txt", gFolder.c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gWindow || size < 1) return 0;
    bSerialFromListOfLists = data[0] & 1;
    FILE* f = std::fopen(szSerialWatchFile, "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
    // a key waits, so that a range of millions of numbers ends at its
    // first look at the keyboard
    {
        win::headless::Script script;
        script.pressKey(win::VK_SPACE);
    }
    readSerialWatchFile(gWindow);

    check(serialSeries.nItems >= 0 && serialSeries.nItems <= nSerialSeriesCapacity, "item count out of range");
    check(serialSeries.nItems == 0 || serialSeries.pItems, "items without their array");
    for (int k = 1; k <= serialSeries.nItems; k++) {
        const SerialItem& item = serialSeries.pItems[k];
        check(memchr(item.szListPath, 0, sizeof item.szListPath) != nullptr, "list path not ended");
        check(memchr(item.szSetName, 0, sizeof item.szSetName) != nullptr, "set name not ended");
        if (bSerialFromListOfLists) check(std::strcmp(item.szListPath, item.szSetName) == 0, "set name of a list");
    }
    freeSerialSeries();
    removeLists();
    win::headless::reset();
    return 0;
}
