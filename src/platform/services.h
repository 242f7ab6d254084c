// Inside the window layer: the state behind template dialogs, the text window,
// printing, sounds, pictures and outside programs, shared by the common code,
// the headless answers and the screen (Qt) side.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/internal.h"
#include "platform/win_dialog_template.h"

namespace win::detail {

// ------------------------------------------------------------ dialogs

struct DialogState;

// One control of a running (or prepared) dialog: a template item or a
// control made at run time.
struct ControlState {
    DialogState* dialog = nullptr;
    int id = IDC_STATIC;
    DlgKind kind = DlgKind::Static;  // how it is shown
    const DlgItem* item = nullptr;   // its template item; null for run-time controls
    std::string label;               // static / check / radio / button text, the label of an edit
    std::string value;               // the text of an edit or static
    int textLimit = 0;               // characters including the terminator (0: none)
    UINT check = BF_UNCHECKED;
    int selection = CB_ERR;
    std::vector<std::string> choices;
    int radioGroup = 1;
    bool enabled = true;
    bool visible = true;
    bool border = true;
    bool rightAligned = false;
    bool placed = false;  // run-time control at a pixel rectangle
    RECT pixels{0, 0, 0, 0};
    TControl* object = nullptr;  // the control object made for it
    DlgKind objectKind = DlgKind::Static;
    bool transfer = false;
    uint64_t createdSeq = 0;  // creation order of the object
};

// What shows a dialog on a screen: the state of a control is pushed to the
// widget after a change and pulled from it before being read.
struct DialogView {
    virtual ~DialogView() = default;
    virtual void push(ControlState& c) = 0;
    virtual void pull(ControlState& c) = 0;
    virtual void captionChanged() = 0;
};

struct DialogState {
    TDialog* dialog = nullptr;
    DlgTemplate tmpl;
    bool bHasTemplate = false;
    std::string caption;
    std::vector<std::unique_ptr<ControlState>> controls;  // template items first, then run-time ones
    void* record = nullptr;
    size_t recordSize = 0;
    uint64_t nextSeq = 1;
    DialogView* view = nullptr;
    bool running = false;

    ControlState* find(int id) const;
    // Objects taking part in the transfer, in creation order.
    std::vector<ControlState*> transferOrder() const;
    // Before reading a control on screen.
    void pull(ControlState& c) const
    {
        if (view) view->pull(c);
    }
    void push(ControlState& c) const
    {
        if (view) view->push(c);
    }
    // Checks a radio button and unchecks the others of its group.
    void setCheck(ControlState& c, UINT state);

    // The transcript's name of the dialog: Dialog <id> "caption".
    std::string describe() const;
    // Runs SetupWindow and writes the opening line.
    void setup();
    // OK pressed: CanClose, then the record filled. False: refused (recorded),
    // the dialog stays open.
    bool tryClose();
    // The closing line.
    void finish(int result);
};

int headlessTemplateDialog(DialogState& dialog);

// Works a dialog shown on the screen as a user would, through the widgets'
// own events: for checks of the screen side (tests on the offscreen platform,
// a look under a display).
struct ScreenDialogDriver {
    virtual ~ScreenDialogDriver() = default;
    virtual DialogState& state() = 0;
    // Key presses typed into the control (an edit gets the focus first).
    virtual void typeText(int id, const std::string& text) = 0;
    // Clears an edit (select all, delete).
    virtual void clearText(int id) = 0;
    // A mouse click on a check box, radio button or button.
    virtual void click(int id) = 0;
    virtual void chooseIndex(int id, int index) = 0;
    // Enter (the default button, OK) or Escape (Cancel) on the dialog.
    virtual void pressEnter() = 0;
    virtual void pressEscape() = 0;
    // What the screen shows: the text of an edit or static, a check mark.
    virtual std::string shownText(int id) = 0;
    virtual bool shownChecked(int id) = 0;
    // Where a control is, in the dialog's client pixels; empty when hidden.
    virtual RECT place(int id) = 0;
    // The caption of the group box holding the control ("" none).
    virtual std::string groupOf(int id) = 0;
    virtual bool isOpen() = 0;
};
// Called (once per dialog shown) when a template dialog has opened on the
// screen; null: none.
using ScreenDialogHook = std::function<void(ScreenDialogDriver& driver)>;
void setScreenDialogHook(ScreenDialogHook hook);

// ------------------------------------------------------------ clipboard

// What the desktop's clipboard holds: its types (MIME) and the data of one.
std::vector<std::string> desktopClipboardTypes();
std::string desktopClipboardData(const std::string& type);

// ------------------------------------------------------------ text window

void headlessTextWindow(const std::string& title, std::string& text, int maxChars);

// ------------------------------------------------------------ printing

struct PrintJob {
    HWND hwnd = nullptr;
    std::string docName;
    // Where it went, for the transcript: a PDF path or the printer's name.
    std::string destination;
};
bool headlessPrintWindow(PrintJob& job);
// Draws the window's surface onto one page of a PDF file; false on failure.
bool printWindowToPdf(HWND hwnd, const std::string& docName, const std::string& path);

// ------------------------------------------------------------ sounds

struct WaveData {
    int nChannels = 0;
    int nRate = 0;
    int nBits = 0;
    bool bFloat = false;
    std::vector<unsigned char> samples;  // interleaved frames as stored
    double seconds() const;
};
// Reads a wave file (PCM 8/16/24/32 bits or 32-bit float); false when it is
// missing or not a wave file this layer plays.
bool readWaveFile(const std::string& path, WaveData* out);

struct SoundRequest {
    std::string path;  // mapped; empty: stop what plays
    bool bAsync = false;
};
bool headlessPlaySound(const SoundRequest& sound);
// The player: through ALSA's default device, silent (but as long) without one.
bool playWave(const SoundRequest& sound);

// ------------------------------------------------------------ pictures

struct PictureState {
    HWND owner = nullptr;
    std::string title;
    int width = 0, height = 0;
    HBITMAP bitmap = nullptr;  // the picture as shown
    void* native = nullptr;    // the screen's window
};

// ------------------------------------------------------------ outside programs

// How a command line of the system is run here.
struct LaunchPlan {
    enum Kind { Program, Batch, Document, Missing } kind = Missing;
    std::string program;            // Program: the executable; Batch: the batch file
    std::vector<std::string> args;  // Program: its arguments
    std::string document;           // Document: the file or URL
    std::string reason;             // Missing: why
};
// Maps a command line (as WinExec or CreateProcess get it) in the folder dir.
LaunchPlan planCommandLine(const std::string& commandLine, const std::string& dir);
// The shell script that stands in for a batch file.
std::string translateBatch(const std::string& batchText, const std::string& dir);
// The configured path of a Windows program ("ploka.exe"), "" when none.
std::string configuredProgram(const std::string& name);
// The transcript's text of a plan.
std::string describePlan(const LaunchPlan& plan);
// Starts a detached desktop handler (xdg-open) on the target.
bool openWithDesktop(const std::string& target);

}  // namespace win::detail
