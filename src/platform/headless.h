// The headless mode: answers from a script, everything shown written to a
// transcript.
//
// Without a screen (tests, the unattended run) every message box, one-line
// input and file dialog takes its answer from the script's queue of
// expectations, in order; input (keys, characters, mouse, commands) is
// injected into the message queue; time is virtual. Every box, prompt, file
// dialog, beep, caption change, menu change and whatever other layers report
// (sounds, launched programs, clipboard) becomes one line of the transcript,
// with the exact strings. See docs/platform.md for the line formats.
//
//   win::headless::Script script;
//   script.expectMessageBox("LOAD FILES", win::IDYES)
//         .expectInput("load every n'th file", "2");
//   ... run the command ...
//   EXPECT_EQ(script.lines()[0], "MessageBox \"LOAD FILES\" \"...\" MB_YESNO -> IDYES");
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace win::headless {

enum class Policy {
    FailOnUnexpected,  // tests: a prompt nothing expected is reported as a failure and cancelled
    DefaultAnswers     // unattended run: such a prompt gets its default answer
};
void setPolicy(Policy policy);
Policy policy();

// Receives failures: prompts nobody expected, expectations never met,
// scripted answers a dialog cannot take. Tests route it to the test
// framework; by default the text goes to standard error.
using FailureHandler = std::function<void(const std::string& text)>;
void setFailureHandler(FailureHandler handler);
void reportFailure(const std::string& text);

// Back to the start: empty queue and transcript, no expectations or timers,
// virtual clock at 0, policy kept.
void reset();

// --- transcript
// Lines of the transcript. A line that is not there (lines()[4] of four
// lines, back() of none) is reported as a failure and reads as an empty line,
// so a test that misses a line fails instead of reading past the end.
class Lines : public std::vector<std::string> {
public:
    Lines() = default;
    explicit Lines(std::vector<std::string> lines) : std::vector<std::string>(std::move(lines)) {}
    const std::string& operator[](size_t i) const;
    const std::string& front() const { return (*this)[0]; }
    const std::string& back() const;
};

void transcribe(const std::string& line);
Lines transcript();
// Called with every line as it is transcribed, on the thread that
// transcribes it, one line at a time (the unattended run prints its message
// boxes as they appear); none by default, and reset() removes it.
using TranscriptObserver = std::function<void(const std::string& line)>;
void setTranscriptObserver(TranscriptObserver observer);
// One line per entry.
bool saveTranscript(const char* path);
// A string as the transcript writes it: in double quotes, with \\, \", \n,
// \r, \t and \xNN for other control characters.
std::string quote(const std::string& text);

// --- the headless screen
// Client size of windows made from now on (default 1400 x 1000).
void setDefaultClientSize(int width, int height);
// Resizes a window's client area and invalidates it.
void setClientSize(HWND hWnd, int width, int height);
// Dispatches what is queued (and due) to the windows, then paints what is
// invalid. Returns the number of messages dispatched.
int processMessages();
// Moves the virtual clock on; timers and scheduled input fall due.
void advanceTime(DWORD ms);
DWORD virtualTime();

// What the user does in a template dialog: fills controls by id, then presses
// OK (the default) or Cancel. A text longer than an edit's limit is cut as the
// edit would; a radio button that is checked unchecks the others of its group.
class DialogAnswer {
public:
    DialogAnswer& set(int id, const std::string& text);
    DialogAnswer& check(int id, bool on = true);
    // Combo boxes: the index of the choice (-1: none).
    DialogAnswer& select(int id, int index);
    DialogAnswer& ok();
    DialogAnswer& cancel();

    struct Step {
        enum What { Text, Check, Select } what;
        int id;
        std::string text;
        int value;
    };
    std::vector<Step> steps;
    bool bCancel = false;
};

// The script of one test or run. Expectations live in one queue shared by
// all prompts (boxes, inputs, file dialogs), answered strictly in order: a
// prompt takes the first expectation when it is of its kind and its match
// string is empty, equals the caption/title or occurs in the text/prompt.
// The destructor reports expectations that were never met.
class Script {
public:
    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    // answer: IDOK, IDCANCEL, IDYES, IDNO, ...
    Script& expectMessageBox(const std::string& match, int answer);
    // The text typed into a one-line input, then OK.
    Script& expectInput(const std::string& match, const std::string& text);
    Script& expectInputCancel(const std::string& match);
    // Full paths, all in one folder; several only with OFN_ALLOWMULTISELECT.
    Script& expectOpenFile(const std::string& match, const std::vector<std::string>& paths);
    Script& expectSaveFile(const std::string& match, const std::string& path);
    Script& expectFileCancel(const std::string& match);
    // A template dialog (matched by caption or template id): the controls
    // filled, then OK or Cancel. When the dialog refuses OK (CanClose) it
    // stays open and takes the next expectation, which should be another
    // expectDialog for it.
    Script& expectDialog(const std::string& match, const DialogAnswer& answer);
    // The modal text window (matched by title): the text the user leaves in it.
    Script& expectTextWindow(const std::string& match, const std::string& text);
    // The print dialog (matched by the document name): printed into this PDF.
    Script& expectPrint(const std::string& match, const std::string& pdfPath);
    Script& expectPrintCancel(const std::string& match);

    // Input for the main window (the first window made), delivered through
    // the message queue when the virtual clock reaches now + afterMs.
    // A key press is WM_KEYDOWN then WM_KEYUP.
    Script& pressKey(UINT vk, DWORD afterMs = 0);
    // A key press whose WM_KEYDOWN TranslateMessage turns into WM_CHAR c.
    Script& typeChar(char c, DWORD afterMs = 0);
    Script& typeText(const std::string& text, DWORD afterMs = 0);
    // WM_MOUSEMOVE, WM_LBUTTONDOWN, ... at client pixel (x, y); keys = MK_*.
    Script& mouse(UINT message, int x, int y, UINT keys = 0, DWORD afterMs = 0);
    // WM_COMMAND of a menu command.
    Script& command(UINT id, DWORD afterMs = 0);
    // Files dropped on the main window at client pixel (x, y): WM_DROPFILES
    // with a drop record for DragQueryFile.
    Script& dropFiles(const std::vector<std::string>& paths, int x = 0, int y = 0, DWORD afterMs = 0);
    Script& advanceTime(DWORD ms);

    // Transcript lines since this script began.
    Lines lines() const;
    // Expectations not yet met.
    size_t pending() const;

private:
    size_t nFirstLine;
};

}  // namespace win::headless
