// The modal text window and the picture window that waits for a key.
#pragma once

#include "platform/win_types.h"

namespace win {

class TWindow;

// --- the modal text window

// The two edit commands of the text window's menu.
inline constexpr UINT CM_TEXTWINDOW_UNDO = 24331;
inline constexpr UINT CM_TEXTWINDOW_SELECTALL = 24332;

// A modal window holding one editor for a longer text, showing
// lpszInitialText (null: empty). It returns when the user closes the window;
// the text is then copied into the buffer, at most nCapacity - 1 characters
// and the terminator. Returns the number of characters copied.
int RunTextWindow(HWND hOwner, LPCSTR lpszTitle, LPCSTR lpszInitialText, LPSTR lpBuffer, int nCapacity);

// --- the picture window

// A temporary window showing one picture: the metafile played with
// MM_ANISOTROPIC over the whole client area (its window extent as recorded),
// placed at the top left of the owner's client area. It takes no input: key
// presses go on reaching the program's queue, so a caller shows it and polls
// the keyboard until a key is pressed. Closed by Close or the destructor.
class TPictureWindow {
public:
    TPictureWindow(TWindow* owner, HMETAFILE picture, LPCSTR lpszTitle = nullptr, int nWidth = 1400,
                   int nHeight = 1000);
    TPictureWindow(const TPictureWindow&) = delete;
    TPictureWindow& operator=(const TPictureWindow&) = delete;
    ~TPictureWindow();
    bool Show();
    void Close();
    // Saves what the window shows (PNG, or BMP by the extension).
    bool SaveImage(LPCSTR lpszPath) const;

private:
    struct State;
    State* pState;
};

}  // namespace win
