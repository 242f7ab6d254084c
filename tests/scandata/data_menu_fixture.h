// The main window on the headless screen with a fresh working folder, for
// the Data-menu commands: scan files are written into folders under the
// scratch folder and the commands run through the script's command queue.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "app/window_fixture.h"
#include "platform/win.h"
#include "scandata/scan_test_files.h"

class DataMenuTest : public MainWindowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A folder under the scratch folder (made when missing), without a
    // trailing separator.
    std::string Folder(const std::string& name);
    // Writes a scan file of the recipe and returns its path.
    std::string WriteScan(const std::string& folder, const std::string& name, const scantest::ScanRecipe& recipe);
    // Sends the command through the message queue and dispatches it.
    void Run(win::headless::Script& script, unsigned nId);
};

// True when some transcript line of the script holds the text.
bool transcriptShows(const win::headless::Script& script, const std::string& text);

// Sets a file's modification time (whole seconds).
void setModificationTime(const std::string& path, std::time_t t);
