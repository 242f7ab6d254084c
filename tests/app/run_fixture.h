// The unattended run as a batch queue starts it: the program on a copy of
// the example's scans, damaged where a test says, with a time limit.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/window_fixture.h"

// What a run of the program left: its exit code (-1 when the time limit
// killed it), standard output and standard error apart.
struct ProgramRun {
    int nExit = -1;
    std::string szOut;
    std::string szErr;
};

// Runs the program with these arguments; the process is killed when
// nSeconds of wall time pass. onErrorLine, when given, sees each line of
// standard error as it arrives (without its line break).
ProgramRun runProgramWithin(const std::vector<std::string>& args, int nSeconds,
                            const std::function<void(const std::string&)>& onErrorLine = {});

// The lines of a scan file (line 1 the title, line 2 the header, then one
// line per point) rewritten by edit, and written back.
void editScanFile(const std::string& path, const std::function<void(std::vector<std::string>&)>& edit);

class RunJobTest : public MainWindowTest {
protected:
    void SetUp() override;
    // The example's scans copied to <scratch>velocity (their paths in order)
    // and its parameter file to <scratch>run.xml, its results going to
    // <scratch>out; each pair of replace changes the file's text (the old
    // text must be there), extra is added before its end.
    void writeExampleJob(const std::vector<std::pair<std::string, std::string>>& replace = {},
                         const std::string& extra = "");
    // The job run as a process, limited to nSeconds.
    ProgramRun runJob(int nSeconds = 120, const std::function<void(const std::string&)>& onErrorLine = {});
    // The text of ResultParameters.xml, empty when there is none.
    std::string record() const;

    std::string data, out, job;
    std::vector<std::string> scans;
};
