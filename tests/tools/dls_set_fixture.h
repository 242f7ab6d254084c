// The main window on the headless screen with light-scattering files written
// into the scratch folder and loaded as the data set.
#pragma once

#include <string>
#include <vector>

#include "scandata/data_menu_fixture.h"
#include "tools/dls_test_files.h"

class DlsSetTest : public DataMenuTest {
protected:
    void TearDown() override;

    // Writes the recipe as folder/name and returns the path.
    std::string WriteDls(const std::string& folder, const std::string& name, const dlstest::DlsRecipe& recipe);
    // Hands the files to the loader as the open dialog does: one full path,
    // or their folder followed by the names.
    void LoadFiles(const std::vector<std::string>& paths);
    // A Lamm-solution store of one row (set 1) over the common grid (or n
    // points per measurement), zero-filled; released by TearDown.
    void AllocSolutionRow(int nPoints = 0);
};
