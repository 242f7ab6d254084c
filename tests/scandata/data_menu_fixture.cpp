#include "scandata/data_menu_fixture.h"

#include <sys/time.h>

#include <filesystem>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_list.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_set_fixture.h"

namespace {

void resetDataMenuState() {
    scantest::resetScanState();
    freeScanFileList();
    releaseResultArrays();
    delete pRotorSpeedProfile;
    pRotorSpeedProfile = nullptr;
    bUsingSpeedSteps = 0;
    nLoadEveryNth = 1;
    bCheckTimeStamps = 0;
    dTimeStampThreshold = 1.001;
    bOldFilenameConvention = 0;
    bFitTINoise = bFitRINoise = 0;
    bUseMolarMass = 0;
    bLoadFromList = bLoadFromListDirectory = 0;
    bAutoLoadMultiSpeed = 0;
}

}  // namespace

void DataMenuTest::SetUp() {
    MainWindowTest::SetUp();
    resetDataMenuState();
    OpenWindow();
}

void DataMenuTest::TearDown() {
    resetDataMenuState();
    bCheckTimeStamps = 1;
    MainWindowTest::TearDown();
}

std::string DataMenuTest::Folder(const std::string& name) {
    std::string path = scratch + name;
    std::filesystem::create_directories(path);
    return path;
}

std::string DataMenuTest::WriteScan(const std::string& folder, const std::string& name,
                                    const scantest::ScanRecipe& recipe) {
    std::string path = folder + "/" + name;
    scantest::writeText(path, scantest::scanText(recipe));
    return path;
}

void DataMenuTest::Run(win::headless::Script& script, unsigned nId) {
    script.command(nId);
    win::headless::processMessages();
}

bool transcriptShows(const win::headless::Script& script, const std::string& text) {
    for (const std::string& line : script.lines())
        if (line.find(text) != std::string::npos) return true;
    return false;
}

void setModificationTime(const std::string& path, std::time_t t) {
    struct timeval tv[2] = {{t, 0}, {t, 0}};
    utimes(path.c_str(), tv);
}
