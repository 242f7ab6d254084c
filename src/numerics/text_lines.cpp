#include "numerics/text_lines.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

bool readTextLine(std::FILE* f, std::string& szLine)
{
    szLine.clear();
    char buf[4096];
    bool bAny = false;
    // fgets does not say how much it read, and strlen would stop at a NUL
    // byte in the line, short of its end, joining the next line on. So the
    // buffer holds '\n' wherever fgets has not written: the bytes read hold
    // no '\n' but their last, and fgets ends them with a NUL, so the first
    // '\n' either is the line end (a NUL follows it) or lies just past that NUL.
    std::memset(buf, '\n', sizeof buf);
    while (std::fgets(buf, sizeof buf, f)) {
        bAny = true;
        const char* pNewline = static_cast<const char*>(std::memchr(buf, '\n', sizeof buf));
        if (pNewline && pNewline + 1 < buf + sizeof buf && pNewline[1] == '\0') {
            szLine.append(buf, static_cast<size_t>(pNewline - buf));
            break;
        }
        size_t n = pNewline ? static_cast<size_t>(pNewline - buf) - 1 : sizeof buf - 1;
        szLine.append(buf, n);
        std::memset(buf, '\n', n + 1);
    }
    if (!szLine.empty() && szLine.back() == '\r') szLine.pop_back();
    return bAny;
}

bool isBlankLine(const std::string& szLine)
{
    return szLine.find_first_not_of(" \t\r\n\v\f") == std::string::npos;
}

bool readNumber(const char*& p, double& dValue)
{
    const char* s = p;
    while (*s == ' ' || *s == '\t' || *s == '\r' || *s == '\n' || *s == '\v' || *s == '\f') s++;
    bool bNegative = false;
    if (*s == '+' || *s == '-') {
        bNegative = *s == '-';
        s++;
        if (*s == '+' || *s == '-') return false;
    }
    const char* end = s + std::strlen(s);
    double d = 0.0;
    std::from_chars_result r = std::from_chars(s, end, d, std::chars_format::general);
    if (r.ec == std::errc::invalid_argument || r.ptr == s) return false;
    if (r.ec == std::errc::result_out_of_range) {
        // Too large gives infinity and too small zero, as the C library does.
        const char* e = s;
        while (e < end && ((*e >= '0' && *e <= '9') || *e == '.')) e++;
        bool bTiny = e < end && (*e == 'e' || *e == 'E') && e[1] == '-';
        d = bTiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    dValue = bNegative ? -d : d;
    p = r.ptr;
    return true;
}

bool readNumber(const char*& p, float& fValue)
{
    double d;
    if (!readNumber(p, d)) return false;
    fValue = static_cast<float>(d);
    return true;
}

namespace {

void appendFormatted(std::string& sz, double dValue, std::chars_format fmt)
{
    if (std::isnan(dValue)) {
        sz += std::signbit(dValue) ? "-nan" : "nan";
        return;
    }
    if (std::isinf(dValue)) {
        sz += dValue < 0 ? "-inf" : "inf";
        return;
    }
    char buf[400];
    std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, dValue, fmt, 6);
    sz.append(buf, r.ptr);
}

} // namespace

void appendFixed(std::string& sz, double dValue) { appendFormatted(sz, dValue, std::chars_format::fixed); }
void appendExp(std::string& sz, double dValue) { appendFormatted(sz, dValue, std::chars_format::scientific); }

bool writeText(std::FILE* f, const std::string& sz)
{
    return std::fwrite(sz.data(), 1, sz.size(), f) == sz.size();
}
