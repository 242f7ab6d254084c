// The one-number entry dialogs and the file test.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/win.h"
#include "plot/number_entry.h"

using namespace win;

TEST(NumberEntry, BadTextBeepsAndAsksAgainAndCancelKeepsTheValue)
{
    headless::Script script;
    script.expectInput("enter float", "abc").expectInput("enter float", "2.5e1");
    float f = -7.0f;
    EXPECT_TRUE(inputFloat(&f, 2.5f, true, "meniscus", nullptr));
    EXPECT_FLOAT_EQ(f, 25.0f);
    std::vector<std::string> lines = script.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Input \"enter float\" \"meniscus\" \"2.500000\" -> \"abc\"");
    EXPECT_EQ(lines[1], "MessageBeep MB_ICONASTERISK");
    EXPECT_EQ(lines[2], "Input \"enter float\" \"meniscus\" \"abc\" -> \"2.5e1\"");  // typed text shown again

    // Cancel after a bad try: the value stays.
    script.expectInput("", "-0").expectInputCancel("");
    EXPECT_FALSE(inputFloat(&f, 1.0f, false, nullptr, "MENISCUS"));
    EXPECT_EQ(f, 25.0f);

    // The positive entry refuses -3 and takes 0; defaults up to 0.01 show as
    // "%e"; the edit line keeps 14 characters.
    TWindow owner(nullptr, "main");
    ASSERT_TRUE(owner.Create());
    script.expectInput("enter positive float", "-3").expectInput("enter positive float", "0").expectInputCancel("");
    EXPECT_TRUE(inputPositiveFloatInWindow(&owner, &f, 0.005f, true, "c", nullptr));
    EXPECT_EQ(f, 0.0f);
    inputFloat(&f, 123456789.0f, true, "", nullptr);
    lines = script.lines();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[6], "Input \"enter positive float\" \"c\" \"5.000000e-03\" -> \"-3\"");
    EXPECT_EQ(lines[7], "MessageBeep MB_ICONASTERISK");
    EXPECT_EQ(lines[9], "Input \"enter float\" \"\" \"123456792.0000\" -> IDCANCEL");
}

// The unattended run answers with the text shown. When that is no valid
// entry (nothing shown, or a negative default where only positive values go)
// the dialog asks again, with the same text: the second time the answer is
// Cancel and the transcript says why, so the run never waits for ever.
TEST(NumberEntry, TheDefaultAnswersCancelAPromptAskedAgain)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);
    headless::Script script;
    float f = 3.0f;
    EXPECT_FALSE(inputPositiveFloat(&f, -1.0f, true, "rotor speed", nullptr));
    EXPECT_FALSE(inputFloat(&f, 0.0f, false, "meniscus", "MENISCUS"));
    EXPECT_EQ(f, 3.0f);
    EXPECT_EQ(script.lines(), (std::vector<std::string>{
                                  "Input \"enter positive float\" \"rotor speed\" \"-1.000000e+00\" -> \"-1.000000e+00\"",
                                  "MessageBeep MB_ICONASTERISK",
                                  "Input \"enter positive float\" \"rotor speed\" \"-1.000000e+00\" -> IDCANCEL (asked again)",
                                  "Input \"MENISCUS\" \"meniscus\" \"\" -> \"\"",
                                  "MessageBeep MB_ICONASTERISK",
                                  "Input \"MENISCUS\" \"meniscus\" \"\" -> IDCANCEL (asked again)",
                              }));

    // A valid text shown is taken, also when the same question comes again
    // after something else happened.
    EXPECT_TRUE(inputFloat(&f, 2.5f, true, "meniscus", nullptr));
    EXPECT_EQ(f, 2.5f);
    MessageBox(nullptr, "next scan", "", MB_OK);
    f = 0;
    EXPECT_TRUE(inputFloat(&f, 2.5f, true, "meniscus", nullptr));
    EXPECT_EQ(f, 2.5f);
}

TEST(NumberEntry, WhatCountsAsANumber)
{
    struct TCase {
        const char* sz;
        bool bFloat;
        bool bPositive;
    } cases[] = {
        {"abc", false, false}, {"0", true, true},       {"0.0", true, true},     {".0", false, false},
        {"-0", false, false},  {"-3", true, false},     {"1e-3xyz", true, true}, {"", false, false},
        // Values no computation can use are refused.
        {"nan", false, false}, {"-inf", false, false},  {"1e39", false, false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(isFloatText(c.sz), c.bFloat) << c.sz;
        EXPECT_EQ(isPositiveFloatText(c.sz), c.bPositive) << c.sz;
    }

    std::filesystem::path dir = std::filesystem::path(workingFolder()) / "file_test";
    std::filesystem::create_directories(dir);
    std::string szFile = (dir / "a.txt").string();
    std::FILE* f = std::fopen(szFile.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(fileExists(szFile.c_str()));
    EXPECT_FALSE(fileExists(dir.string().c_str()));  // a folder opens for reading here, but is no file
    EXPECT_FALSE(fileExists((dir / "missing.txt").string().c_str()));
    std::filesystem::remove_all(dir);
}
