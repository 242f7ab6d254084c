#include <gtest/gtest.h>

#include "platform/headless.h"
#include "plot/sounds.h"

namespace {

// Every test starts with an empty message queue, transcript and script, on
// the virtual clock at 0, with no sound set counted (so no sound lines unless
// the test counts them), and a prompt no test expected fails the test.
class HeadlessReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        win::headless::setPolicy(win::headless::Policy::FailOnUnexpected);
        win::headless::reset();
        releaseSoundFiles();
    }
};

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    win::headless::setFailureHandler([](const std::string& text) { ADD_FAILURE() << text; });
    ::testing::UnitTest::GetInstance()->listeners().Append(new HeadlessReset);
    return RUN_ALL_TESTS();
}
