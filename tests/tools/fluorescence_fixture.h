// Fluorescence scan files in a scratch folder and the main window that loads
// them, for the fluorescence tools.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "scandata/data_menu_fixture.h"

struct FluoScan {
    std::string name;          // "A00012.FI1"
    int cell = 1;
    int voltage = 600;
    int range = 1;
    int gain = 2;
    double time = 600.0;
    int points = 50;
    std::function<float(int)> signal = [](int) { return 100.0f; };  // of the point number 1..points
};

class FluorescenceTest : public DataMenuTest {
protected:
    // Writes the scan into the folder; returns its path.
    std::string WriteFluoScan(const std::string& folder, const FluoScan& scan);
    // Data > Load New Files with every file (step 1).
    void LoadFiles(const std::vector<std::string>& paths);
    // Sends a command with the script's answers.
    void Command(win::headless::Script& script, unsigned nId) { Run(script, nId); }
    // The check mark of a menu item (false for a command without item).
    bool Checked(unsigned nId);
};
