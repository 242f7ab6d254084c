// The modal text window.
#include <gtest/gtest.h>

#include <string>

#include "platform/win.h"
#include "plot/text_window.h"

using namespace win;

TEST(TextWindow, ReturnsTheTextLeftInItCutToTheBuffer)
{
    const char* szInitial = "delete this text, write (or paste) single letter aa sequence, and close this window";
    headless::Script script;
    // Closed without editing: the initial text comes back.
    script.expectTextWindow("", szInitial);
    char szBuffer[30000];
    std::fill(szBuffer, szBuffer + sizeof szBuffer, 'x');
    EXPECT_EQ(runRichEditWindow(szBuffer, 30000, 1, szInitial), 0);
    EXPECT_STREQ(szBuffer, szInitial);

    // A pasted text longer than the buffer keeps capacity - 1 characters.
    std::string szPasted(100, 'M');
    szPasted[98] = 'K';
    szPasted[99] = 'Q';
    script.expectTextWindow("", szPasted);
    char szSmall[100];
    std::fill(szSmall, szSmall + sizeof szSmall, 'x');
    runRichEditWindow(szSmall, 100, 1, szInitial);
    EXPECT_EQ(std::string(szSmall), szPasted.substr(0, 99));

    // Without the flag the editor starts empty.
    script.expectTextWindow("", "GAVL");
    runRichEditWindow(szBuffer, 30000, 0, szInitial);
    EXPECT_STREQ(szBuffer, "GAVL");
    std::vector<std::string> lines = script.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "TextWindow \"Text\" \"\" -> \"GAVL\"");
}
