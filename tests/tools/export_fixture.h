// The main window on the headless screen for the exports and the outside
// programs: scans and light-scattering files written into the scratch folder
// and loaded, fake outside programs (shell scripts that append their
// arguments to a file) placed at a path or configured in programs.ini.
#pragma once

#include <string>
#include <vector>

#include "scandata/scan_test_files.h"
#include "tools/dls_set_fixture.h"

class ExportTest : public DlsSetTest {
protected:
    void TearDown() override;

    // Writes n scans "<stem>0000k.RA1" of the recipe (time 1000 s apart, the
    // given title on the first) into folder and loads them, in equilibrium
    // data mode when asked.
    std::vector<std::string> LoadScans(const std::string& folder, int n, const scantest::ScanRecipe& recipe,
                                       bool bEquilibrium = false);
    // Loads files (full paths, one folder) as the open dialog hands them over.
    void LoadPaths(const std::vector<std::string>& paths);
    // Writes an executable script at path that appends one line, its
    // arguments separated by blanks, to argsFile.
    static void WriteFakeProgram(const std::string& path, const std::string& argsFile);
    // A line "name=path" in the working folder's programs.ini.
    void ConfigureProgram(const std::string& name, const std::string& path);
    // The file's lines (without line ends); the last line also when it has
    // no line end.
    static std::vector<std::string> Lines(const std::string& path);
    // Waits up to five seconds for a file to hold at least n lines.
    static std::vector<std::string> WaitForLines(const std::string& path, size_t n = 1);
};

// The transcript's form of a text (in double quotes, escaped).
std::string quoted(const std::string& text);
