#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "models/model_globals.h"
#include "platform/headless.h"
#include "test_state.h"

namespace {

// Every test starts from the program's state as a fresh process has it (no
// scans, default settings, no plots or tools, no sound set counted, so no
// sound lines unless the test counts them), with an empty message queue,
// transcript and script, on the virtual clock at 0, and a prompt no test
// expected fails the test.
class ProgramStateReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        resetProgramState();
        win::headless::setPolicy(win::headless::Policy::FailOnUnexpected);
        win::headless::reset();
    }
};

// The settings folder of this test process: tests run side by side, each in
// a process of its own, and what one writes there (sounds, settings files,
// results) must not meet another's. Removed when the process ends.
std::string gSettingsFolder;

void removeSettingsFolder()
{
    std::error_code ec;
    if (!gSettingsFolder.empty()) std::filesystem::remove_all(gSettingsFolder, ec);
}

void useOwnSettingsFolder()
{
    const char* szTmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(szTmp && *szTmp ? szTmp : "/tmp") + "/morvex_tests_XXXXXX";
    if (!mkdtemp(tmpl.data())) return;  // the folder the environment names, then
    gSettingsFolder = tmpl;
    setenv("XDG_CONFIG_HOME", gSettingsFolder.c_str(), 1);
    std::atexit(removeSettingsFolder);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests run their child as a new process of this program, which
    // starts from main again (threads, Qt and the locale as a fresh process has them).
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    useOwnSettingsFolder();
    // what the program does at start, before anything else
    allocParameterVectors();
    recordProgramStartState();
    win::headless::setFailureHandler([](const std::string& text) { ADD_FAILURE() << text; });
    ::testing::UnitTest::GetInstance()->listeners().Append(new ProgramStateReset);
    return RUN_ALL_TESTS();
}
