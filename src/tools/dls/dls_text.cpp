// Text helpers of the light-scattering readers.
#include "tools/dls/dls_text.h"

#include <cmath>
#include <cstdio>

#include "numerics/text_lines.h"
#include "platform/win.h"

namespace {

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

bool readDlsInputText(const char* szPath, std::string& text)
{
    text.clear();
    if (!szPath) return false;
    std::FILE* f = win::fopenMapped(szPath, "rb");
    if (!f) return false;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    // The text ends at its first zero byte, as a C string does.
    const size_t nZero = text.find('\0');
    if (nZero != std::string::npos) text.resize(nZero);
    return !text.empty();
}

double dlsTokenValue(const std::string& token)
{
    const char* p = token.c_str();
    double d = 0.0;
    return readNumber(p, d) ? d : 0.0;
}

bool DlsTokens::Next(std::string& token)
{
    while (nPos < t.size() && isSeparator(t[nPos])) ++nPos;
    if (nPos >= t.size()) return false;
    const size_t nStart = nPos;
    while (nPos < t.size() && !isSeparator(t[nPos])) ++nPos;
    token.assign(t, nStart, nPos - nStart);
    return true;
}

bool DlsTokens::Next(double& d)
{
    std::string token;
    if (!Next(token)) return false;
    d = dlsTokenValue(token);
    return true;
}

bool DlsTokens::Skip(int n)
{
    std::string token;
    for (int k = 0; k < n; ++k)
        if (!Next(token)) return false;
    return true;
}

size_t dlsNextLineStart(const std::string& text, size_t n)
{
    const size_t nFeed = text.find('\n', n);
    return nFeed == std::string::npos ? text.size() : nFeed + 1;
}

std::string dlsFolderOf(const std::string& path)
{
    const size_t nCut = path.find_last_of("/\\");
    return nCut == std::string::npos ? std::string() : path.substr(0, nCut + 1);
}

int dlsChannelCount(double d, size_t nLimit)
{
    if (!std::isfinite(d)) return -1;
    const double dFloor = std::floor(d);
    if (dFloor < 1.0 || dFloor > static_cast<double>(nLimit)) return -1;
    return static_cast<int>(dFloor);
}
