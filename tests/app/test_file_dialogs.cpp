// The file dialogs as the commands ask for them.
#include <gtest/gtest.h>

#include <cstring>

#include "app/app_fixture.h"
#include "app/clipboard_text.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "platform/win.h"

using namespace win;

TEST_F(AppFolderTest, FileDialogsFillOrKeepTheBuffer)
{
    writeText(scratch + "prior.dat", "1\n");
    TXLAWindow w(nullptr, "Sedimentation Analysis");
    char sz[999];
    std::snprintf(sz, sizeof sz, "%sold.dat", scratch.c_str());
    {
        headless::Script script;
        script.expectOpenFile("Select Prior Probability Data File", {scratch + "prior.dat"})
            .expectFileCancel("Select Prior Probability Data File")
            .expectSaveFile("save generated data as", scratch + "contour")
            .expectFileCancel("")
            .expectFileCancel("");
        EXPECT_TRUE(AskFileName(&w, 0, sz, sizeof sz, "Select Prior Probability Data File", nullptr,
                                "dat files (*.dat*)|*.dat*|All Files (*.*)|*.*|"));
        EXPECT_EQ(std::string(sz), scratch + "prior.dat");
        // Cancel leaves an empty path behind
        EXPECT_FALSE(AskFileName(&w, 0, sz, sizeof sz, "Select Prior Probability Data File", nullptr,
                                 "dat files (*.dat*)|*.dat*|All Files (*.*)|*.*|"));
        EXPECT_STREQ(sz, "");
        // the default extension goes onto a name without one
        std::snprintf(sz, sizeof sz, "%scontour.dat", scratch.c_str());
        EXPECT_TRUE(AskFileName(&w, 1, sz, sizeof sz, "save generated data as", "dat", "All Files (*.*)|*.*|"));
        EXPECT_EQ(std::string(sz), scratch + "contour.dat");
        // the save and open questions of other commands keep the buffer on Cancel
        std::strcpy(sz, "/keep/this.txt");
        EXPECT_FALSE(AskSaveFileName(&w, sz, sizeof sz, nullptr, nullptr));
        EXPECT_STREQ(sz, "/keep/this.txt");
        EXPECT_FALSE(w.AskOpenFileName(sz, sizeof sz, "load parameter file"));
        EXPECT_STREQ(sz, "/keep/this.txt");
        // the open dialog starts in the buffer's folder with the filters given
        EXPECT_NE(script.lines()[0].find("OpenFile \"Select Prior Probability Data File\" \"" + scratch), std::string::npos)
            << script.lines()[0];
    }
    // a chosen path longer than the buffer is refused, not cut
    char small[12] = "x";
    headless::Script script;
    script.expectOpenFile("", {scratch + "prior.dat"});
    EXPECT_FALSE(AskFileName(&w, 0, small, sizeof small, "t", nullptr, "All Files (*.*)|*.*|"));
}

TEST(ClipboardText, TableRowsTabSeparated)
{
    float x[4] = {0, 6.0f, 6.5f, 7.0f};
    float a[4] = {0, 0.1f, 0.25f, -3e-5f};
    float b[4] = {0, 1, 2, 3};
    float* cols[2] = {a, b};
    headless::Script script;
    EXPECT_TRUE(putTextOnClipboard(nullptr, x, cols, 2, 3, 2));
    ASSERT_FALSE(script.lines().empty());
    EXPECT_EQ(script.lines().back(), "Clipboard CF_TEXT \"6.5\\t0.25\\t2\\n7\\t-3e-05\\t3\\n\"");
    EXPECT_TRUE(putTextOnClipboard(nullptr, x, nullptr, 1, 1, 0, 1));
    EXPECT_EQ(script.lines().back(), "Clipboard CF_TEXT \"6\\n\"");
    EXPECT_FALSE(putTextOnClipboard(nullptr, x, cols, 3, 2, 2));  // no rows
}
