// Text helpers of the light-scattering readers: whole files in memory,
// blank-separated tokens read as numbers, folders of output paths.
#pragma once

#include <cstddef>
#include <string>

// The whole file as text; false when it cannot be opened or is empty.
bool readDlsInputText(const char* szPath, std::string& text);

// The number a token begins with, as atof reads it; 0 when it begins with
// none. Independent of the process locale.
double dlsTokenValue(const std::string& token);

// Blank-separated tokens of a text from a position on (blanks, tabs and line
// ends separate).
class DlsTokens {
public:
    DlsTokens(const std::string& text, size_t nStart) : t(text), nPos(nStart) {}
    // The next token; false at the end of the text.
    bool Next(std::string& token);
    // The next token as a number (dlsTokenValue); false at the end of the text.
    bool Next(double& d);
    // Skips n tokens; false when the text ends first.
    bool Skip(int n);
    size_t Position() const { return nPos; }
    void SetPosition(size_t n) { nPos = n; }

private:
    const std::string& t;
    size_t nPos;
};

// The position after the line feed that ends the line holding position n;
// the end of the text when that line is the last.
size_t dlsNextLineStart(const std::string& text, size_t n);

// The folder of a path with its trailing separator ("" when it has none).
std::string dlsFolderOf(const std::string& path);

// A channel count typed or read as a number, rounded down; -1 when it is no
// number, below 1 or larger than nLimit.
int dlsChannelCount(double d, size_t nLimit);
