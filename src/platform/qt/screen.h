// The layer on a real screen: the Qt Widgets backend.
//
//   int main(int argc, char** argv) {
//       win::screen::start(argc, argv);
//       TXLAWindow w(nullptr, "Sedimentation Analysis");
//       w.Create();                       // a frame window with the surface
//       return win::runMessageLoop();
//   }
//
// Windows made after start are frame windows showing their surface, with
// the menu bar built from their HMENU and kept up to date. Input becomes
// WM_* messages in the layer's queue; prompts are Qt dialogs.
#pragma once

#include <string>
#include <vector>

#include "platform/win.h"

namespace win::screen {

// Makes the application object (once; with the program's command line, so
// Qt's own options work) and installs the Qt backend. argc and argv must
// live as long as the program. Call it before anything is drawn: drawing
// first makes an application object on the offscreen platform. When Qt finds
// no display to open, szNoDisplay (when given) is printed on standard error
// after Qt's own reason and the program ends with code 1.
void start(int& argc, char** argv, const char* szNoDisplay = nullptr);

// True when the environment names a display (DISPLAY, WAYLAND_DISPLAY) or a
// platform of its own (QT_QPA_PLATFORM) for the window to go to.
bool displayNamed();
// Back to the headless backend; the frame windows close. For tests.
void stop();
bool active();

// --- acting as a person would, through Qt's own event path (tests and
// demonstrations)
enum Modifier : unsigned { Shift = 1, Ctrl = 2, Alt = 4 };
// A key pressed and released on the window, the modifiers held around it.
void keyClick(HWND hWnd, UINT vk, unsigned modifiers = 0);
void keyDown(HWND hWnd, UINT vk, unsigned modifiers = 0);
void keyUp(HWND hWnd, UINT vk, unsigned modifiers = 0);
// WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MOUSEMOVE
// at client pixel (x, y).
void mouse(HWND hWnd, UINT message, int x, int y);
// Files dragged from outside and dropped at client pixel (x, y); false when
// the window did not take them.
bool dropFiles(HWND hWnd, const std::vector<std::string>& paths, int x, int y);
// Opens the menus down to the command's item, highlights it and presses vk
// there (VK_RETURN chooses it, VK_F1 asks for help). False without such an
// item.
bool pressOnMenuItem(HWND hWnd, UINT commandId, UINT vk);
// What the menu bar shows, one line per item, two spaces of indent per
// level: the text as shown (mnemonic "&", "\t" and the key text), then
// " [checked]" and " [grayed]" where they apply; separators are "-".
std::vector<std::string> menuBarLines(HWND hWnd);
// The frame's caption and the client area's cursor (IDC_ARROW, IDC_WAIT, ...).
std::string caption(HWND hWnd);
LPCSTR cursor(HWND hWnd);
// The frame's close button.
void closeFrame(HWND hWnd);
// Resizes the frame so that the client area has this size.
void resizeClient(HWND hWnd, int width, int height);
// Lets Qt handle what is pending, for at least ms milliseconds.
void processEvents(int ms = 0);
// The frame as the screen shows it, menu bar included (PNG).
bool grabFrame(HWND hWnd, const char* path);

// The next modal dialog is answered so: a message box by its button (IDOK,
// IDYES, ...); the one-line input with text and OK (IDOK) or Cancel; a file
// dialog with the files and OK, or Cancel.
struct DialogAnswer {
    int nButton = IDOK;
    std::string text;
    std::vector<std::string> files;
};
void answerNextDialog(const DialogAnswer& answer);
// The texts the last answered dialog showed: its title, then its text or
// prompt, one per line.
std::string lastDialogShown();

}  // namespace win::screen
