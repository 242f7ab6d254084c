#include <gtest/gtest.h>

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

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // what the program does at start, before anything else
    allocParameterVectors();
    recordProgramStartState();
    win::headless::setFailureHandler([](const std::string& text) { ADD_FAILURE() << text; });
    ::testing::UnitTest::GetInstance()->listeners().Append(new ProgramStateReset);
    return RUN_ALL_TESTS();
}
