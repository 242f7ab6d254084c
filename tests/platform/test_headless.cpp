// The headless script and transcript, the file dialogs and menus.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "platform/win.h"

using namespace win;

namespace {

int gAnswer;

std::string tempFolder()
{
    char tmpl[] = "/tmp/morvex_dialogXXXXXX";
    return mkdtemp(tmpl);
}

void touch(const std::string& p)
{
    std::ofstream(p) << "x\n";
}

}  // namespace

TEST(Headless, ScriptAnswersAndTheTranscriptKeepsExactStrings)
{
    headless::Script script;
    script.expectMessageBox("LOAD FILES", IDYES)
        .expectMessageBox("could not open", IDOK)
        .expectInput("meniscus", "6.1")
        .expectInput("", "123456789012345678")
        .expectInputCancel("enter float");
    TWindow w(nullptr, "Sedimentation Analysis");
    w.Create();

    EXPECT_EQ(MessageBox(w.HWindow, "load every n'th file?", "LOAD FILES", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBoxExA(nullptr, "\n\aAttention: could not open x.dat", "Error", MB_OK | MB_ICONINFORMATION, 0),
              IDOK);
    char buf[15] = "2.500000";
    TInputDialog d(&w, "enter float", "meniscus (cm):", buf, 15);
    EXPECT_EQ(d.Execute(), IDOK);
    EXPECT_STREQ(buf, "6.1");
    EXPECT_EQ(d.Execute(), IDOK);
    EXPECT_STREQ(buf, "12345678901234");  // the edit line holds 14 characters
    EXPECT_EQ(d.Execute(), IDCANCEL);
    EXPECT_STREQ(buf, "12345678901234");
    MessageBeep(MB_ICONASTERISK);
    w.SetCaption("Sedimentation Analysis - run1");
    EXPECT_EQ(script.pending(), 0u);

    std::vector<std::string> expected = {
        "MessageBox \"LOAD FILES\" \"load every n'th file?\" MB_YESNO|MB_ICONQUESTION -> IDYES",
        "MessageBox \"Error\" \"\\n\\x07Attention: could not open x.dat\" MB_OK|MB_ICONINFORMATION -> IDOK",
        "Input \"enter float\" \"meniscus (cm):\" \"2.500000\" -> \"6.1\"",
        "Input \"enter float\" \"meniscus (cm):\" \"6.1\" -> \"12345678901234\"",
        "Input \"enter float\" \"meniscus (cm):\" \"12345678901234\" -> IDCANCEL",
        "MessageBeep MB_ICONASTERISK",
        "Caption \"Sedimentation Analysis - run1\"",
    };
    EXPECT_EQ(script.lines(), expected);
}

TEST(Headless, AnUnexpectedPromptFailsTheTestWithItsText)
{
    EXPECT_NONFATAL_FAILURE(gAnswer = MessageBox(nullptr, "file not found", "ERROR", MB_YESNO),
                            "unexpected MessageBox \"ERROR\" \"file not found\" MB_YESNO");
    EXPECT_EQ(gAnswer, IDNO);  // the way out that changes nothing
    EXPECT_NONFATAL_FAILURE(
        {
            headless::Script s;
            s.expectMessageBox("SAVE", IDYES);
            gAnswer = MessageBox(nullptr, "overwrite?", "ATTENTION", MB_OKCANCEL);
            MessageBox(nullptr, "save?", "SAVE", MB_YESNO);
        },
        "next expected: MessageBox matching \"SAVE\"");
    EXPECT_EQ(gAnswer, IDCANCEL);
    EXPECT_NONFATAL_FAILURE(
        {
            headless::Script s;
            s.expectMessageBox("SAVE", IDYES);
        },
        "expected but never shown: MessageBox matching \"SAVE\"");

    // The unattended run presses the default button and keeps the text shown.
    headless::setPolicy(headless::Policy::DefaultAnswers);
    EXPECT_EQ(MessageBox(nullptr, "go on?", "", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBox(nullptr, "go on?", "", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
    char buf[15] = "1.000000";
    EXPECT_EQ(TInputDialog(nullptr, "t", "p", buf, 15).Execute(), IDOK);
    EXPECT_STREQ(buf, "1.000000");
}

// A test that reads a transcript line that is not there fails with what was
// missing instead of reading past the end.
TEST(Headless, AMissingTranscriptLineFailsTheTest)
{
    headless::Script script;
    script.expectMessageBox("", IDOK);
    MessageBox(nullptr, "one", "", MB_OK);
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(script.lines()[1], ""), "no transcript line 2 (1 lines)");
    EXPECT_EQ(script.lines()[0], "MessageBox \"\" \"one\" MB_OK -> IDOK");
    headless::Script empty;
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(empty.lines().back(), ""), "no transcript line at all");
}

TEST(FileDialogs, BufferFormsChecksAndTheCurrentFolder)
{
    std::string dir = tempFolder();
    touch(dir + "/a.ra1");
    touch(dir + "/b.ra2");
    char start[4096];
    ASSERT_TRUE(getcwd(start, sizeof start));

    headless::Script script;
    script.expectOpenFile("select files", {dir + "/a.ra1", dir + "/b.ra2"})
        .expectOpenFile("select files", {dir + "/a.ra1"})
        .expectOpenFile("", {dir + "/a.ra1", dir + "/b.ra2"})
        .expectSaveFile("save fit", dir + "/fit")
        .expectFileCancel("");

    char files[128000] = "";
    OPENFILENAME ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = "All Files (*.*)\0*.*\0\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = files;
    ofn.nMaxFile = sizeof files;
    ofn.lpstrInitialDir = "c:\\data";
    ofn.lpstrTitle = "select files";
    ofn.Flags = 0x81A00;
    ofn.lpstrDefExt = "*";
    ASSERT_TRUE(GetOpenFileName(&ofn));
    // folder NUL name NUL name NUL NUL
    std::string expect = dir + '\0' + "a.ra1" + '\0' + "b.ra2" + '\0' + '\0';
    EXPECT_EQ(std::string(files, expect.size()), expect);
    EXPECT_EQ(ofn.nFileOffset, dir.size() + 1);
    char now[4096];
    ASSERT_TRUE(getcwd(now, sizeof now));
    EXPECT_EQ(std::string(now), dir);  // the dialog left the process in the folder chosen

    ASSERT_TRUE(GetOpenFileName(&ofn));
    EXPECT_STREQ(files, (dir + "/a.ra1").c_str());
    EXPECT_EQ(ofn.nFileOffset, dir.size() + 1);
    EXPECT_EQ(std::string(files + ofn.nFileExtension), "ra1");

    // A buffer too small fails with the size needed in its first two bytes.
    char small[20];
    ofn.lpstrFile = small;
    ofn.nMaxFile = sizeof small;
    EXPECT_FALSE(GetOpenFileName(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
    WORD need;
    std::memcpy(&need, small, 2);
    EXPECT_EQ(need, dir.size() + 1 + 6 + 6 + 1);

    // The save dialog adds the default extension.
    char name[260] = "";
    OPENFILENAME sfn{};
    sfn.lpstrFile = name;
    sfn.nMaxFile = sizeof name;
    sfn.lpstrTitle = "save fit";
    sfn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    sfn.lpstrDefExt = "dat";
    ASSERT_TRUE(GetSaveFileName(&sfn));
    EXPECT_STREQ(name, (dir + "/fit.dat").c_str());
    EXPECT_FALSE(GetSaveFileName(&sfn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_STREQ(name, (dir + "/fit.dat").c_str());

    std::vector<std::string> lines = script.lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "OpenFile \"select files\" \"c:\\\\data\" \"\" -> \"" + dir + "/a.ra1\" \"" + dir + "/b.ra2\"");
    EXPECT_EQ(lines[3], "SaveFile \"save fit\" \"\" \"\" -> \"" + dir + "/fit.dat\"");
    EXPECT_EQ(lines[4], "SaveFile \"save fit\" \"\" \"" + dir + "/fit.dat\" -> IDCANCEL");

    // A file that must exist but does not is refused.
    ofn.lpstrFile = files;
    ofn.nMaxFile = sizeof files;
    EXPECT_NONFATAL_FAILURE(
        {
            headless::Script s;
            s.expectOpenFile("", {"/no/such/file.ra1"});
            gAnswer = GetOpenFileName(&ofn);
        },
        "no such file or folder: /no/such/file.ra1");
    EXPECT_EQ(gAnswer, FALSE);
    ASSERT_EQ(chdir(start), 0);
}

TEST(Menus, ChangedByCommandIdAndTranscribed)
{
    headless::Script script;
    TWindow w(nullptr, "main");
    w.Create();
    HMENU bar = CreateMenu();
    HMENU data = CreatePopupMenu();
    AppendMenu(data, MF_STRING, 200, "&Load New Files");
    AppendMenu(data, MF_SEPARATOR, 0, nullptr);
    AppendMenu(data, MF_STRING | MF_CHECKED, 217, "Fit &M and s");
    HMENU plots = CreatePopupMenu();
    AppendMenu(plots, MF_STRING, 1123, "PLOKA plot");
    AppendMenu(data, MF_POPUP, UINT_PTR(plots), "&Plots");
    AppendMenu(bar, MF_POPUP, UINT_PTR(data), "&Data");
    ASSERT_TRUE(w.SetMenu(bar));
    EXPECT_TRUE(script.lines().empty());  // building the bar is no change

    EXPECT_EQ(CheckMenuItem(w.GetMenu(), 217, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(w.GetMenu(), 217, MF_BYCOMMAND | MF_UNCHECKED), MF_UNCHECKED);
    EXPECT_EQ(EnableMenuItem(bar, 200, MF_BYCOMMAND | MF_GRAYED), BOOL(MF_ENABLED));
    EXPECT_EQ(GetMenuState(bar, 200, MF_BYCOMMAND), MF_GRAYED);
    EXPECT_TRUE(DeleteMenu(bar, 1123, MF_BYCOMMAND));  // found in a submenu of a submenu
    EXPECT_EQ(GetMenuState(bar, 1123, MF_BYCOMMAND), 0xFFFFFFFFu);
    EXPECT_EQ(CheckMenuItem(bar, 999, MF_BYCOMMAND | MF_CHECKED), 0xFFFFFFFFu);

    HMENU flo = CreatePopupMenu();
    AppendMenu(flo, MF_STRING, 1103, "ctot");
    EXPECT_TRUE(InsertMenu(bar, 1, MF_BYPOSITION | MF_POPUP, UINT_PTR(flo), "&FloTools"));
    EXPECT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(bar, 1), 0), 1103u);
    EXPECT_TRUE(RemoveMenu(bar, 1, MF_BYPOSITION));
    EXPECT_EQ(GetMenuItemCount(bar), 1);
    EXPECT_EQ(GetMenuItemCount(flo), 1);  // removed, not destroyed
    EXPECT_TRUE(DestroyMenu(flo));

    std::vector<std::string> expected = {
        "Menu check 217 \"Fit &M and s\" MF_UNCHECKED",
        "Menu enable 200 \"&Load New Files\" MF_GRAYED",
        "Menu delete 1123 \"PLOKA plot\"",
        "Menu insert popup \"&FloTools\"",
        "Menu remove popup \"&FloTools\"",
    };
    EXPECT_EQ(script.lines(), expected);
}
