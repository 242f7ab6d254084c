// One-number entry dialogs and the file test.
//
// Each entry plays the question sound, shows the one-line input (at most 14
// characters) and asks again, after a beep, until the text is a number; a
// confirmed number goes to *pfOut, Cancel leaves *pfOut as it was.
#pragma once

namespace win {
class TWindow;
}

// Initial text: empty unless bShowDefault; then the default as "%e" when it
// is <= 0.01, as "%f" otherwise. A null title gives "enter float", a null
// prompt an empty one. True when confirmed, false on Cancel.
bool inputFloat(float* pfOut, float fDefault, bool bShowDefault, const char* szPrompt, const char* szTitle);
// The same, owned by the given window.
bool inputFloatInWindow(win::TWindow* owner, float* pfOut, float fDefault, bool bShowDefault, const char* szPrompt,
                        const char* szTitle);
// Only non-negative numbers; the title defaults to "enter positive float".
bool inputPositiveFloat(float* pfOut, float fDefault, bool bShowDefault, const char* szPrompt, const char* szTitle);
bool inputPositiveFloatInWindow(win::TWindow* owner, float* pfOut, float fDefault, bool bShowDefault,
                                const char* szPrompt, const char* szTitle);

// Free text of up to 10000 characters; on OK copied into szOut (room for
// 10001 characters) and true; on Cancel szOut is left alone and false.
bool inputText(char* szOut, const char* szPrompt, const char* szTitle);

// False for a text that reads as 0 without beginning with '0' (so "abc",
// ".0" and "-0" are not numbers, "0" and "0.0" are), and for a value that is
// no finite float ("nan", "inf", "1e99"); true otherwise. The number is read
// up to the first character that does not belong to it: "1e-3xyz" is 0.001.
bool isFloatText(const char* szText);
// isFloatText and not negative.
bool isPositiveFloatText(const char* szText);

// True when the path names a file that can be opened for reading (a folder
// is no file).
bool fileExists(const char* szPath);
