// Template dialogs: transfer records, CanClose, the script's answers, dialogs
// built at run time, the program's templates, and the dialogs on screen.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <set>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "platform/qt/screen.h"
#include "platform/services.h"
#include "resources/dialog_templates.h"

using namespace win;

namespace {

DlgItem item(DlgKind kind, int id, const char* text, int limit = 15)
{
    DlgItem it;
    it.kind = kind;
    it.id = id;
    it.text = text;
    it.textLimit = limit;
    return it;
}

// A record of every kind of field, as a plain struct.
struct KindsRecord {
    char szName[6];
    uint32_t bOn;
    uint32_t bFirst;
    uint32_t bSecond;
    int32_t nChoice;
};

DlgTemplate kindsTemplate()
{
    DlgTemplate t;
    t.id = 9001;
    t.caption = "Every Kind";
    t.items = {item(DlgKind::Edit, 10, "name", 6), item(DlgKind::Check, 11, "on"), item(DlgKind::Radio, 12, "first"),
               item(DlgKind::Radio, 13, "second"), item(DlgKind::Combo, 14, "choice"),
               item(DlgKind::Static, 15, "a note")};
    t.items[4].choices = {"x", "y", "z"};
    return t;
}

class TKindsBox : public TDialog {
public:
    TKindsBox(KindsRecord* r) : TDialog(nullptr, kindsTemplate())
    {
        new TEdit(this, 10, 6);
        new TCheckBox(this, 11);
        new TRadioButton(this, 12);
        new TRadioButton(this, 13);
        new TComboBox(this, 14);
        new TStatic(this, 15);
        SetTransferBuffer(r);
    }
    std::string shownName;
    void SetupWindow() override
    {
        TDialog::SetupWindow();
        char buf[20];
        static_cast<TEdit*>(GetControl(10))->GetText(buf, sizeof buf);
        shownName = buf;
    }
};

// A dialog that accepts only a positive number, as the parameter dialogs do.
struct PositiveRecord {
    char szValue[15];
};

class TPositiveBox : public TDialog {
public:
    explicit TPositiveBox(PositiveRecord* r) : TDialog(nullptr, makeTemplate())
    {
        pEdit = new TEdit(this, 20, 15);
        SetTransferBuffer(r);
    }
    static DlgTemplate makeTemplate()
    {
        DlgTemplate t;
        t.id = 9002;
        t.caption = "Positive";
        t.items = {item(DlgKind::Edit, 20, "value"), item(DlgKind::Edit, 21, "locked")};
        t.items[1].disabled = true;
        return t;
    }
    bool CanClose() override
    {
        char buf[15];
        pEdit->GetText(buf, sizeof buf);
        if (std::atof(buf) > 0) return true;
        MessageBeep(MB_ICONASTERISK);
        MessageBox(HWindow, "Invalid Entry", "Input Error", MB_OK);
        return false;
    }
    TEdit* pEdit;
};

}  // namespace

TEST(TemplateDialogs, TheRecordGoesIntoTheControlsAndBackForEveryKind)
{
    EXPECT_EQ(sizeof(KindsRecord), 24u);  // 6 chars, 2 padding, 3 words, 1 int
    KindsRecord r{};
    std::memcpy(r.szName, "abc\0ZZ", 6);
    r.bOn = 1;
    r.bFirst = 1;
    r.nChoice = 1;
    {
        TKindsBox d(&r);
        EXPECT_EQ(d.TransferSize(), sizeof(KindsRecord));
        headless::Script script;
        script.expectDialog("Every Kind", headless::DialogAnswer());  // OK on what it shows
        EXPECT_EQ(d.Execute(), IDOK);
        EXPECT_EQ(d.shownName, "abc");
    }
    // Through the controls and back unchanged (the bytes after the text zeroed).
    EXPECT_EQ(std::memcmp(r.szName, "abc\0\0\0", 6), 0);
    EXPECT_EQ(r.bOn, 1u);
    EXPECT_EQ(r.bFirst, 1u);
    EXPECT_EQ(r.bSecond, 0u);
    EXPECT_EQ(r.nChoice, 1);

    headless::Script script;
    script.expectDialog("9001", headless::DialogAnswer().set(10, "abcdefgh").check(11, false).check(13).select(14, 2));
    TKindsBox d(&r);
    EXPECT_EQ(d.Execute(), IDOK);
    EXPECT_STREQ(r.szName, "abcde");  // the edit holds 5 characters and the terminator
    EXPECT_EQ(r.bOn, 0u);
    EXPECT_EQ(r.bFirst, 0u);  // the second radio button of the group unchecked the first
    EXPECT_EQ(r.bSecond, 1u);
    EXPECT_EQ(r.nChoice, 2);
    std::vector<std::string> expected = {
        "Dialog 9001 \"Every Kind\"",          "Dialog 9001 set 10 \"abcde\"",
        "Dialog 9001 check 11 0",              "Dialog 9001 check 13 1",
        "Dialog 9001 select 14 2",             "Dialog 9001 \"Every Kind\" -> IDOK",
    };
    EXPECT_EQ(script.lines(), expected);
}

TEST(TemplateDialogs, CancelAndRefusalLeaveTheRecordAsItWas)
{
    PositiveRecord r{"1.5"};
    headless::Script script;
    script.expectDialog("Positive", headless::DialogAnswer().set(20, "7").cancel())
        .expectDialog("Positive", headless::DialogAnswer().set(20, "abc"))
        .expectMessageBox("Input Error", IDOK)
        .expectDialog("Positive", headless::DialogAnswer().set(20, "2.5"));
    {
        TPositiveBox d(&r);
        EXPECT_EQ(d.Execute(), IDCANCEL);
        EXPECT_STREQ(r.szValue, "1.5");
        // A refusal keeps the dialog open: the next answer goes to it.
        EXPECT_EQ(d.Execute(), IDOK);
        EXPECT_STREQ(r.szValue, "2.5");
    }
    std::vector<std::string> expected = {
        "Dialog 9002 \"Positive\"",
        "Dialog 9002 set 20 \"7\"",
        "Dialog 9002 \"Positive\" -> IDCANCEL",
        "Dialog 9002 \"Positive\"",
        "Dialog 9002 set 20 \"abc\"",
        "MessageBeep MB_ICONASTERISK",
        "MessageBox \"Input Error\" \"Invalid Entry\" MB_OK -> IDOK",
        "Dialog 9002 \"Positive\" refused",
        "Dialog 9002 set 20 \"2.5\"",
        "Dialog 9002 \"Positive\" -> IDOK",
    };
    EXPECT_EQ(script.lines(), expected);

    // Refused with nothing more in the script: reported, cancelled.
    TPositiveBox d(&r);
    EXPECT_NONFATAL_FAILURE(
        {
            headless::Script s;
            s.expectDialog("Positive", headless::DialogAnswer().set(20, "-1")).expectMessageBox("", IDOK);
            EXPECT_EQ(d.Execute(), IDCANCEL);
        },
        "unexpected Dialog 9002 \"Positive\" still open after a refused OK");
    EXPECT_STREQ(r.szValue, "2.5");

    // The unattended run presses OK on what is shown, and Cancel when refused.
    headless::setPolicy(headless::Policy::DefaultAnswers);
    EXPECT_EQ(d.Execute(), IDOK);
    std::strcpy(r.szValue, "0");
    EXPECT_EQ(d.Execute(), IDCANCEL);
    EXPECT_STREQ(r.szValue, "0");
}

TEST(TemplateDialogs, MistakesOfScriptsAndDialogsAreReported)
{
    PositiveRecord r{"1"};
    TPositiveBox d(&r);
    struct {
        headless::DialogAnswer answer;
        const char* complaint;
    } mistakes[] = {{headless::DialogAnswer().set(21, "5"), "control 21 is disabled, it cannot be typed into"},
                    {headless::DialogAnswer().set(99, "5"), "dialog 9002 has no control 99"},
                    {headless::DialogAnswer().check(20), "control 20 is an edit, it cannot be checked"}};
    for (const auto& m : mistakes) {
        EXPECT_NONFATAL_FAILURE(
            {
                headless::Script s;
                s.expectDialog("Positive", m.answer);
                d.Execute();
            },
            m.complaint);
    }

    // A record that does not fit the controls is never touched.
    char small[10] = "untouched";
    TDialog wrong(nullptr, TPositiveBox::makeTemplate());
    new TEdit(&wrong, 20, 15);
    wrong.SetTransferBuffer(small, sizeof small);
    EXPECT_NONFATAL_FAILURE(wrong.TransferData(tdSetData), "the transfer record has 10 bytes, its controls need 15");
    EXPECT_STREQ(small, "untouched");

    // A control the template lacks, and one of another kind.
    TDialog stray(nullptr, TPositiveBox::makeTemplate());
    new TEdit(&stray, 77, 15);
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(stray.Execute(), IDCANCEL), "the template has no control 77");
    TDialog otherKind(nullptr, TPositiveBox::makeTemplate());
    new TCheckBox(&otherKind, 20);
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(otherKind.Execute(), IDCANCEL), "control 20 is an edit in the template, not a check box");
    TDialog missing(nullptr, 424242);
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(missing.Execute(), IDCANCEL), "dialog 424242: no such dialog template");
}

namespace {

// A table of numbers built at run time, as the matrix entry dialogs are:
// labels and edits at pixel positions, parsed when OK is pressed.
class TMatrixBox : public TDialog {
public:
    TMatrixBox(float (*values)[3], const char* (*labels)[3], int rows) : TDialog(nullptr, rows < 5 ? 1086 : 1097)
    {
        pValues = values;
        nRows = rows;
        for (int i = 1; i <= rows; i++) {
            int y = 10 + 28 * (i - 1), x = 25;
            for (int j = 1; j <= 3; j++) {
                new TStatic(this, -(10 * i + j), labels[i - 1][j - 1], x, y, 70, 18, 0, true);
                x += 80;
                char buf[100];
                std::snprintf(buf, sizeof buf, "%.4f", values[i - 1][j - 1]);
                new TEdit(this, 1000 - (10 * i + j), buf, x, y, 55, 18, 100);
                x += 60;
            }
        }
    }
    bool CanClose() override
    {
        bool ok = true;
        for (int i = 1; i <= nRows; i++)
            for (int j = 1; j <= 3; j++) {
                char buf[100];
                static_cast<TEdit*>(GetControl(1000 - (10 * i + j)))->GetText(buf, sizeof buf);
                if (std::sscanf(buf, "%f", &pValues[i - 1][j - 1]) != 1) {
                    char msg[200];
                    std::snprintf(msg, sizeof msg, "not a number in %s", "x");
                    MessageBox(HWindow, msg, "errror", MB_OK);
                    ok = false;
                }
            }
        return ok;
    }
    float (*pValues)[3];
    int nRows;
};

}  // namespace

TEST(TemplateDialogs, DialogsBuiltAtRunTimeTakeTheirControlsFromCode)
{
    installDialogTemplates();
    float values[2][3] = {{6.1f, 0, 0}, {7.2f, 0, 0}};
    const char* labels[2][3] = {{"meniscus", "low limit (0=auto)", "up limit (0=auto)"},
                                {"bottom", "low limit (0=auto)", "up limit (0=auto)"}};
    TMatrixBox d(values, labels, 2);
    d.SetCaption("set meniscus+limits");
    headless::Script script;
    script.expectDialog("set meniscus+limits", headless::DialogAnswer().set(988, "6.05").set(979, "x1"))
        .expectMessageBox("errror", IDOK)
        .expectDialog("1086", headless::DialogAnswer().set(979, "7.3abc"));
    EXPECT_EQ(d.Execute(), IDOK);
    EXPECT_FLOAT_EQ(values[0][0], 6.1f);   // shown as 6.1000 and read back
    EXPECT_FLOAT_EQ(values[0][1], 6.05f);  // row 1, column 2: edit 1000 - 12
    EXPECT_FLOAT_EQ(values[1][0], 7.3f);   // row 2, column 1: edit 1000 - 21
    EXPECT_FLOAT_EQ(values[1][1], 0.0f);
    EXPECT_EQ(script.lines().front(), "Dialog 1086 \"set meniscus+limits\"");
}

namespace {

// The controls of the program's dialogs in the order their classes make
// them: E = edit of 15 characters, L = edit of 1000, C = check box, R = radio.
std::vector<std::pair<char, int>> order(const std::string& s)
{
    std::vector<std::pair<char, int>> out;
    std::stringstream ss(s);
    std::string w;
    while (ss >> w) {
        size_t dash = w.find('-');
        int a = std::stoi(w.substr(1, dash == std::string::npos ? std::string::npos : dash - 1));
        int b = dash == std::string::npos ? a : std::stoi(w.substr(dash + 1));
        for (int id = a; id <= b; id++) out.push_back({w[0], id});
    }
    return out;
}

std::string paramsBoxOrder()
{
    std::string s;
    for (int k = 0; k < 4; k++) {
        int o = 7 * k;
        s += "C" + std::to_string(401 + o) + "-" + std::to_string(404 + o) + " E" + std::to_string(405 + o) + "-" +
             std::to_string(407 + o) + " ";
    }
    return s + "R429-430 C431 C455 C432 E433 C434 E435 C436 E437 E438-440 C441-442 E443 C444-454";
}

// Makes the controls on a template, fills the record with a pattern, runs it
// headless with OK, and tells whether everything came back unchanged.
bool roundTrip(int templateId, const std::string& creation, size_t* size)
{
    TDialog d(nullptr, templateId);
    size_t at = 0;
    for (auto [kind, id] : order(creation)) {
        switch (kind) {
        case 'E': new TEdit(&d, id, 15); break;
        case 'L': new TEdit(&d, id, 1000); break;
        case 'C': new TCheckBox(&d, id); break;
        case 'R': new TRadioButton(&d, id); break;
        }
    }
    *size = d.TransferSize();
    std::vector<unsigned char> rec(*size, 0);
    // every edit holds its id, every check and radio is on
    std::vector<std::pair<char, int>> fields = order(creation);
    for (auto [kind, id] : fields) {
        size_t len = kind == 'E' ? 15 : kind == 'L' ? 1000 : 4;
        size_t align = kind == 'E' || kind == 'L' ? 1 : 4;
        at = (at + align - 1) / align * align;
        if (len == 4) {
            uint32_t on = kind == 'C' ? 1 : 0;  // radio buttons of a group cannot all be on
            std::memcpy(&rec[at], &on, 4);
        } else {
            std::snprintf(reinterpret_cast<char*>(&rec[at]), len, "%d", id);
        }
        at += len;
    }
    std::vector<unsigned char> before = rec;
    d.SetTransferBuffer(rec.data(), rec.size());
    headless::Script script;
    script.expectDialog(std::to_string(templateId), headless::DialogAnswer());
    return d.Execute() == IDOK && rec == before;
}

}  // namespace

TEST(TemplateDialogs, TheProgramsTemplatesHoldTheControlsTheirDialogsMake)
{
    installDialogTemplates();
    const std::vector<int>& params = paramsBoxTemplateIds();
    EXPECT_EQ(params.size(), 50u);
    size_t size = 0;
    for (int id : params) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(roundTrip(id, paramsBoxOrder(), &size));
        // per row 4 words and 45 characters (64 bytes with padding), then
        // the option block: 444 bytes as a plain struct
        EXPECT_EQ(size, 444u);
    }
    EXPECT_TRUE(roundTrip(631,
                          "E612 C613 E614 C615 E616 E617 E619 E618 C620 C621 C924 C944 C622-626 E627-629 C630 E639 "
                          "C640-641 E643 C832-833 E834-835 E948",
                          &size));
    EXPECT_EQ(size, 284u);  // 14 edits, 16 words and 10 bytes of padding before words
    for (int id : {572, 575})
        EXPECT_TRUE(roundTrip(id, "C553-555 E556 C557 E558 C559 E560 C561-562 E563 C564 E565 C566-567 E568 C569 E570 C571",
                              &size));
    EXPECT_TRUE(roundTrip(866,
                          "C857 E838 C839-840 E841-843 C844 E845-846 C863 E864-865 C847 L848-849 C850 E851 C852-853 "
                          "L854-855 C856 C858-861 L862",
                          &size));
    EXPECT_TRUE(roundTrip(776, "L777 C778-787 E788-817 C818 R819-820 C821-822 R823", &size));
    EXPECT_TRUE(roundTrip(926,
                          "E628 E627 E616 E407 E612 E639 E421 E629 E834 E835 C832 E412 E428 E426 E413 R621 R620 C615 "
                          "E406 E405 E414 E420 E427 R624 R625 E614 E617 E643 E619 C626 E618 C924 C623 C833 C640",
                          &size));
    EXPECT_TRUE(roundTrip(916,
                          "C613 E612 C615 C621 C620 E614 C835 E834 E450 C832 C449 C622 E616 C623 C624 E617 E619 C625 "
                          "C626 E618 E627 C630 C640 C401 E414 E413 E405 E412 C404 C403 C402 C409",
                          &size));
    for (int id : {1086, 1097, 1096}) {
        const DlgTemplate* t = findDialogTemplate(id);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->caption, "Testing Dialog Boxes");
        EXPECT_EQ(t->layout, DlgLayout::Pixels);
        ASSERT_NE(t->find(IDOK), nullptr);
        EXPECT_EQ(t->find(IDOK)->rect.right - t->find(IDOK)->rect.left, 50);
    }
    // Sixty templates of the table; other dialogs of the program may add their own.
    std::set<int> tableIds(params.begin(), params.end());
    for (int id : {631, 572, 575, 866, 776, 926, 916, 1086, 1097, 1096}) tableIds.insert(id);
    EXPECT_EQ(tableIds.size(), 60u);
    for (int id : tableIds) EXPECT_NE(findDialogTemplate(id), nullptr) << id;
    // The time-to-equilibrium dialog shows the vbar of species 2 disabled.
    EXPECT_TRUE(findDialogTemplate(926)->find(420)->disabled);
}

namespace {

int gArgc = 1;
char gName[] = "morvex_tests";
char* gArgv[] = {gName, nullptr};

// The Qt screen on the offscreen platform, for one test.
struct ScreenGuard {
    ScreenGuard() { screen::start(gArgc, gArgv); }
    ~ScreenGuard()
    {
        detail::setScreenDialogHook(nullptr);
        screen::stop();
    }
};

}  // namespace

TEST(TemplateDialogs, OnScreenTheFormIsLaidOutAndTypedKeysReachTheRecord)
{
    installDialogTemplates();
    ScreenGuard guard;
    TWindow frame(nullptr, "Sedimentation Analysis");
    frame.Create();
    PositiveRecord r{"1"};
    bool stayedOpen = false;
    std::string typedCut;
    detail::setScreenDialogHook([&](detail::ScreenDialogDriver& d) {
        d.clearText(20);
        d.typeText(20, "-3");
        screen::answerNextDialog(screen::DialogAnswer{});  // the "Invalid Entry" box: OK
        d.pressEnter();
        stayedOpen = d.isOpen();  // refused: still open
        d.clearText(20);
        d.typeText(20, "12345678901234567890");
        typedCut = d.shownText(20);
        d.pressEnter();
    });
    TPositiveBox box(&r);
    box.Parent = &frame;
    EXPECT_EQ(box.Execute(), IDOK);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(screen::lastDialogShown(), "Input Error\nInvalid Entry");
    EXPECT_EQ(typedCut, "12345678901234");  // the edit takes 14 characters
    EXPECT_STREQ(r.szValue, "12345678901234");

    // The model parameters: four species rows, each to the right of its
    // included-check, under one another; the options in their own boxes.
    std::map<int, RECT> at;
    std::map<int, std::string> group;
    detail::setScreenDialogHook([&](detail::ScreenDialogDriver& d) {
        for (int id : {401, 405, 406, 407, 408, 412, 429, 430, 438}) {
            at[id] = d.place(id);
            group[id] = d.groupOf(id);
        }
        d.click(430);
        d.click(408);
        d.typeText(412, "0.25");
        d.pressEnter();
    });
    TDialog params(nullptr, 400);
    for (auto [kind, id] : order(paramsBoxOrder())) {
        if (kind == 'E') new TEdit(&params, id, 15);
        if (kind == 'C') new TCheckBox(&params, id);
        if (kind == 'R') new TRadioButton(&params, id);
    }
    std::vector<unsigned char> rec(params.TransferSize(), 0);
    uint32_t one = 1;
    std::memcpy(&rec[256], &one, 4);  // radio 429 on
    params.SetTransferBuffer(rec.data(), rec.size());
    EXPECT_EQ(params.Execute(), IDOK);
    auto middle = [](const RECT& r) { return (r.top + r.bottom) / 2; };
    EXPECT_NEAR(middle(at[405]), middle(at[401]), 4);
    EXPECT_GT(at[405].left, at[401].right - 1);
    EXPECT_LT(at[405].right, at[406].left + 1);
    EXPECT_LT(at[406].right, at[407].left + 1);
    EXPECT_GT(at[408].top, at[401].bottom - 1);
    EXPECT_NEAR(at[412].left, at[405].left, 2);
    EXPECT_EQ(group[405], "Species");
    EXPECT_EQ(group[429], "Options");
    EXPECT_EQ(group[438], "Lamm Equation Solution");
    uint32_t r429, r430, c408;
    std::memcpy(&r429, &rec[256], 4);
    std::memcpy(&r430, &rec[260], 4);
    std::memcpy(&c408, &rec[64], 4);  // row 2 starts at byte 64
    EXPECT_EQ(r429, 0u);
    EXPECT_EQ(r430, 1u);
    EXPECT_EQ(c408, 1u);
    EXPECT_STREQ(reinterpret_cast<char*>(&rec[64 + 16]), "0.25");

    // Built at run time: the controls where the code put them, the
    // template's buttons moved to the right of them.
    float values[2][3] = {{6.1f, 0, 0}, {7.2f, 0, 0}};
    const char* labels[2][3] = {{"meniscus", "low", "up"}, {"bottom", "low", "up"}};
    RECT edit{}, ok{};
    detail::setScreenDialogHook([&](detail::ScreenDialogDriver& d) {
        edit = d.place(979);
        ok = d.place(IDOK);
        d.clearText(979);
        d.typeText(979, "7.25");
        d.pressEnter();
    });
    TMatrixBox matrix(values, labels, 2);
    EXPECT_EQ(matrix.Execute(), IDOK);
    EXPECT_EQ(edit.left, 105);  // 25 + 70 + 10
    EXPECT_EQ(edit.top, 38);    // 10 + 28
    EXPECT_EQ(edit.right - edit.left, 55);
    EXPECT_GE(ok.left, 25 + 3 * 140 - 10 + 10);  // right of the third column's edit
    EXPECT_FLOAT_EQ(values[1][0], 7.25f);
}
