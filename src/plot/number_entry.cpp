#include "plot/number_entry.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "numerics/text_lines.h"
#include "platform/win.h"
#include "plot/sounds.h"

namespace {

// The edit line holds at most 14 characters.
constexpr int nEntryBufferSize = 15;
constexpr int nTextBufferSize = 10001;

// The text as the C library's atof reads it (0 for no number), but the same
// in every locale.
double textValue(const char* szText)
{
    const char* p = szText;
    double d = 0.0;
    return readNumber(p, d) ? d : 0.0;
}

bool askFloat(win::TWindow* owner, float* pfOut, float fDefault, bool bShowDefault, const char* szPrompt,
              const char* szTitle, bool bPositive)
{
    playQuestionSound();
    char szBuffer[nEntryBufferSize] = "";
    if (bShowDefault) {
        std::string sz;
        if (double(fDefault) <= 0.01)
            appendExp(sz, fDefault);
        else
            appendFixed(sz, fDefault);
        std::strncpy(szBuffer, sz.c_str(), nEntryBufferSize - 1);
        szBuffer[nEntryBufferSize - 1] = '\0';
    }
    const char* szShownTitle = szTitle ? szTitle : (bPositive ? "enter positive float" : "enter float");
    win::TInputDialog dialog(owner, szShownTitle, szPrompt ? szPrompt : "", szBuffer, nEntryBufferSize);
    for (;;) {
        if (dialog.Execute() != win::IDOK) return false;
        bool bValid = bPositive ? isPositiveFloatText(szBuffer) : isFloatText(szBuffer);
        if (bValid) {
            *pfOut = static_cast<float>(textValue(szBuffer));
            return true;
        }
        // The typed text stays in the edit line for the next try.
        win::MessageBeep(win::MB_ICONASTERISK);
    }
}

}  // namespace

bool inputFloat(float* pfOut, float fDefault, bool bShowDefault, const char* szPrompt, const char* szTitle)
{
    return askFloat(nullptr, pfOut, fDefault, bShowDefault, szPrompt, szTitle, false);
}

bool inputFloatInWindow(win::TWindow* owner, float* pfOut, float fDefault, bool bShowDefault, const char* szPrompt,
                        const char* szTitle)
{
    return askFloat(owner, pfOut, fDefault, bShowDefault, szPrompt, szTitle, false);
}

bool inputPositiveFloat(float* pfOut, float fDefault, bool bShowDefault, const char* szPrompt, const char* szTitle)
{
    return askFloat(nullptr, pfOut, fDefault, bShowDefault, szPrompt, szTitle, true);
}

bool inputPositiveFloatInWindow(win::TWindow* owner, float* pfOut, float fDefault, bool bShowDefault,
                                const char* szPrompt, const char* szTitle)
{
    return askFloat(owner, pfOut, fDefault, bShowDefault, szPrompt, szTitle, true);
}

bool inputText(char* szOut, const char* szPrompt, const char* szTitle)
{
    std::string szBuffer(nTextBufferSize, '\0');
    win::TInputDialog dialog(nullptr, szTitle ? szTitle : "", szPrompt ? szPrompt : "", szBuffer.data(),
                             nTextBufferSize);
    if (dialog.Execute() != win::IDOK) return false;
    std::strcpy(szOut, szBuffer.c_str());
    return true;
}

bool isFloatText(const char* szText)
{
    if (!szText) return false;
    double d = textValue(szText);
    if (d == 0.0 && szText[0] != '0') return false;
    // A value the program cannot compute with is no entry either.
    float f = static_cast<float>(d);
    return std::isfinite(f);
}

bool isPositiveFloatText(const char* szText)
{
    return isFloatText(szText) && textValue(szText) >= 0.0;
}

bool fileExists(const char* szPath)
{
    if (!szPath || !*szPath) return false;
    // Opening a folder for reading succeeds here, so folders are ruled out first.
    win::DWORD nAttributes = win::GetFileAttributes(szPath);
    if (nAttributes == win::INVALID_FILE_ATTRIBUTES || (nAttributes & win::FILE_ATTRIBUTE_DIRECTORY)) return false;
    // a file that can be read: a FIFO in a file's place is none (reading it
    // would wait for a writer)
    FILE* f = win::fopenMapped(szPath, "r");
    if (!f) return false;
    std::fclose(f);
    return true;
}
