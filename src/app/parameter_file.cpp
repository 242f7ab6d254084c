// The parameter file of the unattended run.
#include "app/parameter_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>

#include "resources/commands.h"
#include "scandata/scan_paths.h"

namespace {

std::string trim(const std::string& s)
{
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

std::string lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// &amp; &lt; &gt; &quot; &apos; and numeric references; anything else stays.
std::string unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        size_t semi = s.find(';', i);
        if (semi == std::string::npos || semi - i > 10) {
            out += s[i];
            continue;
        }
        std::string ent = s.substr(i + 1, semi - i - 1);
        long code = -1;
        if (ent == "amp") code = '&';
        else if (ent == "lt") code = '<';
        else if (ent == "gt") code = '>';
        else if (ent == "quot") code = '"';
        else if (ent == "apos") code = '\'';
        else if (ent.size() > 1 && ent[0] == '#') {
            char* end = nullptr;
            code = (ent[1] == 'x' || ent[1] == 'X') ? std::strtol(ent.c_str() + 2, &end, 16)
                                                    : std::strtol(ent.c_str() + 1, &end, 10);
            if (!end || *end || code <= 0 || code > 0x10FFFF) code = -1;
        }
        if (code < 0) {
            out += s[i];
            continue;
        }
        // UTF-8 of the code point
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        i = semi;
    }
    return out;
}

bool parseInt(const std::string& s, long lo, long hi, int* pOut)
{
    const char* p = s.c_str();
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    if (end == p || *end || errno || v < lo || v > hi) return false;
    *pOut = static_cast<int>(v);
    return true;
}

bool parseFloat(const std::string& s, float* pOut)
{
    const char* p = s.c_str();
    char* end = nullptr;
    double v = std::strtod(p, &end);
    if (end == p || *end || !std::isfinite(v) || std::fabs(v) > 3e38) return false;
    *pOut = static_cast<float>(v);
    return true;
}

// Edits that turn a into b, letters compared without case.
size_t editDistance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            const bool bSame = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                               std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (bSame ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// One element of the text (comments already taken out): its name, the
// attributes of its start tag, and the text up to its closing tag. Blanks
// may stand after "<" and "</" and before ">", as in "<Meniscus >" or
// "</Meniscus >"; quoted attribute values may hold ">".
struct Element {
    std::string szName;
    std::string szAttributes;  // trimmed, without the "/" of an empty element
    std::string szValue;       // raw, up to the closing tag (empty when it holds elements)
    bool bClosed = false;      // a closing tag follows (or it is an empty element)
    bool bEmptyElement = false;
    bool bHoldsElements = false;  // another element stands before its closing tag
};

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The closing tags of the text by name ("</name>", blanks allowed after "</"
// and before ">"): where each begins and ends, in the order of the text.
std::map<std::string, std::vector<std::pair<size_t, size_t>>> closingTags(const std::string& text)
{
    std::map<std::string, std::vector<std::pair<size_t, size_t>>> tags;
    for (size_t a = text.find("</"); a != std::string::npos; a = text.find("</", a + 2)) {
        size_t i = a + 2;
        while (i < text.size() && isBlank(text[i])) ++i;
        const size_t n = i;
        while (i < text.size() && !isBlank(text[i]) && text[i] != '>' && text[i] != '<') ++i;
        const std::string name = text.substr(n, i - n);
        while (i < text.size() && isBlank(text[i])) ++i;
        if (!name.empty() && i < text.size() && text[i] == '>') tags[name].emplace_back(a, i + 1);
    }
    return tags;
}

std::vector<Element> elementsOf(const std::string& text)
{
    const auto closings = closingTags(text);
    std::vector<Element> out;
    for (size_t a = text.find('<'); a != std::string::npos; a = text.find('<', a + 1)) {
        size_t n = a + 1;
        while (n < text.size() && isBlank(text[n])) ++n;
        if (n >= text.size() || text[n] == '/' || text[n] == '?' || text[n] == '!') continue;
        size_t e = n;
        while (e < text.size() && !isBlank(text[e]) && text[e] != '>' && text[e] != '/' && text[e] != '<') ++e;
        if (e == n) continue;
        Element el;
        el.szName = text.substr(n, e - n);
        // the end of the start tag, quoted values passed over
        size_t close = e;
        char quote = 0;
        for (; close < text.size(); ++close) {
            const char c = text[close];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>' || c == '<') {
                break;
            }
        }
        if (close >= text.size() || text[close] != '>') {
            out.push_back(el);  // a start tag without its end
            continue;
        }
        el.szAttributes = trim(text.substr(e, close - e));
        if (!el.szAttributes.empty() && el.szAttributes.back() == '/') {
            el.bEmptyElement = el.bClosed = true;
            el.szAttributes = trim(el.szAttributes.substr(0, el.szAttributes.size() - 1));
        } else {
            const auto it = closings.find(el.szName);
            if (it != closings.end()) {
                const auto& tags = it->second;
                const auto next = std::lower_bound(tags.begin(), tags.end(), std::make_pair(close + 1, size_t(0)));
                if (next != tags.end()) {
                    el.bClosed = true;
                    el.bHoldsElements = text.find('<', close + 1) < next->first;
                    // what an element holding others holds is read element by element
                    if (!el.bHoldsElements) el.szValue = text.substr(close + 1, next->first - close - 1);
                }
            }
        }
        out.push_back(el);
    }
    return out;
}

// The elements that hold a value but are no key, each with the nearest key
// where one is close. An element that holds other elements (the file's root)
// is no setting.
std::vector<std::string> unknownKeyWarnings(const std::vector<Element>& elements)
{
    const std::vector<std::string>& keys = parameterFileKeys();
    std::vector<std::string> warnings;
    for (const Element& el : elements) {
        const std::string& name = el.szName;
        if (el.bHoldsElements || std::find(keys.begin(), keys.end(), name) != keys.end()) continue;
        std::string w = "unknown key " + name;
        size_t nBest = name.size() / 4 + 2;
        const std::string* pBest = nullptr;
        for (const std::string& k : keys) {
            const size_t d = editDistance(name, k);
            if (d <= nBest && (!pBest || d < nBest)) {
                nBest = d;
                pBest = &k;
            }
        }
        if (pBest) w += "; did you mean " + *pBest + "?";
        if (std::find(warnings.begin(), warnings.end(), w) == warnings.end()) warnings.push_back(w);
    }
    return warnings;
}

// --- the keys: one table, read by readParameterFile and listed by
// parameterFileKeys, so that a key is known exactly when it is read.

// The reason a value is refused: "<what it must be>, not "<value>"".
bool refuse(const char* szMust, const std::string& v, std::string* pWhy)
{
    *pWhy = std::string(szMust) + ", not \"" + v + "\"";
    return false;
}

bool intValue(const std::string& v, long lo, long hi, int* pOut, const char* szMust, std::string* pWhy)
{
    return parseInt(v, lo, hi, pOut) || refuse(szMust, v, pWhy);
}

// A radius in cm: a normal number above 0 and at most 100 (a denormal such
// as 1e-45 is no radius).
bool radiusValue(const std::string& v, float* pOut, const char* szMust, std::string* pWhy)
{
    float f = 0;
    if (!parseFloat(v, &f) || !std::isnormal(f) || f <= 0 || f > 100) return refuse(szMust, v, pWhy);
    *pOut = f;
    return true;
}

struct ParameterKey {
    const char* szName;
    bool bRequired;
    // Reads the value into the run's parameters; false with the reason.
    bool (*read)(const std::string& v, RunParameters* p, std::string* pWhy);
};

const ParameterKey kParameterKeys[] = {
    {"DataDirectory", true,
     [](const std::string& v, RunParameters* p, std::string*) {
         p->szDataDirectory = v;
         return true;
     }},
    {"OutputResultsDirectory", true,
     [](const std::string& v, RunParameters* p, std::string*) {
         p->szOutputResultsDirectory = v;
         return true;
     }},
    {"Channel", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 1, 8, &p->nChannel, "Channel must be a cell number 1 to 8", w);
     }},
    {"FirstScan", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 0, 999999999, &p->nFirstScan, "FirstScan must be a scan number", w);
     }},
    {"LastScan", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 0, 999999999, &p->nLastScan, "LastScan must be a scan number", w);
     }},
    {"Model", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         if (lower(v) == "none") {
             p->szModel = "none";
         } else if (modelCommandOfCaption(v.c_str()) == 0) {
             *w = "unknown Model \"" + v + "\" (a caption of the Model menu, or none)";
             return false;
         } else {
             p->szModel = v;
         }
         return true;
     }},
    {"RegularizationType", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         const auto& names = regularizationTypeNames();
         if (std::find(names.begin(), names.end(), lower(v)) == names.end()) {
             *w = "unknown RegularizationType \"" + v +
                  "\" (none, 2nd derivative, max ent, weighted 3rd derivative or both)";
             return false;
         }
         p->szRegularizationType = lower(v);
         return true;
     }},
    {"AutoFit", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 0, 1, &p->bAutoFit, "AutoFit must be 0 or 1", w);
     }},
    {"LammThreads", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 1, 64, &p->nLammThreads, "LammThreads must be a number of threads 1 to 64", w);
     }},
    {"NEQThreads", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 1, 64, &p->nNEQThreads, "NEQThreads must be a number of threads 1 to 64", w);
     }},
    {"UseMinSForLogGrid", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 0, 1, &p->bUseMinSForLogGrid, "UseMinSForLogGrid must be 0 or 1", w);
     }},
    {"MinSForLogGrid", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return (parseFloat(v, &p->fMinSForLogGrid) && p->fMinSForLogGrid > 0) ||
                refuse("MinSForLogGrid must be a positive s-value", v, w);
     }},
    // as Options > Loading Options > Set Radial Resolution takes it
    {"RadialResolution", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         float f = 0;
         if (!parseFloat(v, &f) || !(f >= 0 && f < 0.1f))
             return refuse("RadialResolution must be a radial resolution in cm from 0 to below 0.1", v, w);
         p->fRadialResolution = f;
         return true;
     }},
    {"Meniscus", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return radiusValue(v, &p->fMeniscus, "Meniscus must be a radius in cm above 0", w);
     }},
    {"Bottom", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return radiusValue(v, &p->fBottom, "Bottom must be a radius in cm above 0", w);
     }},
    {"MinMeniscus", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return radiusValue(v, &p->fMinMeniscus, "MinMeniscus must be a radius in cm above 0", w);
     }},
    {"MaxMeniscus", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return radiusValue(v, &p->fMaxMeniscus, "MaxMeniscus must be a radius in cm above 0", w);
     }},
    {"LeftFitLimit", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return radiusValue(v, &p->fLeftFitLimit, "LeftFitLimit must be a radius in cm above 0", w);
     }},
    {"RightFitLimit", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return radiusValue(v, &p->fRightFitLimit, "RightFitLimit must be a radius in cm above 0", w);
     }},
    {"FitMeniscus", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 0, 1, &p->bFitMeniscus, "FitMeniscus must be 0 or 1", w);
     }},
    {"FitBottom", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 0, 1, &p->bFitBottom, "FitBottom must be 0 or 1", w);
     }},
    {"FitFrictionalRatio", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 0, 1, &p->bFitFrictionalRatio, "FitFrictionalRatio must be 0 or 1", w);
     }},
    {"FitTINoise", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 0, 1, &p->bFitTINoise, "FitTINoise must be 0 or 1", w);
     }},
    {"FitRINoise", false,
     [](const std::string& v, RunParameters* p, std::string* w) {
         return intValue(v, 0, 1, &p->bFitRINoise, "FitRINoise must be 0 or 1", w);
     }},
};

}  // namespace

const std::vector<std::string>& parameterFileKeys()
{
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> v;
        for (const ParameterKey& k : kParameterKeys) v.push_back(k.szName);
        return v;
    }();
    return keys;
}

const std::vector<std::string>& regularizationTypeNames()
{
    static const std::vector<std::string> names = {"none", "2nd derivative", "max ent", "weighted 3rd derivative",
                                                   "both"};
    return names;
}

int parameterFileValue(const std::string& text, const char* szKey, std::string* pValue)
{
    for (const Element& el : elementsOf(text)) {
        if (el.szName != szKey) continue;
        if (!el.bClosed) return -1;
        *pValue = trim(unescape(el.szValue));
        return 1;
    }
    return 0;
}

int readParameterFile(const char* szPath, RunParameters* pParams, std::string* pszError)
{
    RunParameters p;
    {
        std::error_code ecAbs;
        std::filesystem::path abs = std::filesystem::absolute(szPath, ecAbs);
        p.szParameterFile = ecAbs ? std::string(szPath) : abs.lexically_normal().string();
    }
    auto fail = [&](const std::string& why) {
        *pszError = std::string("parameter file ") + szPath + ": " + why;
        return 0;
    };

    std::error_code ecFolder;
    if (std::filesystem::is_directory(szPath, ecFolder)) return fail("is a folder, not a parameter file");
    // a FIFO or a device would be waited for, or read without end
    const std::filesystem::file_status kind = std::filesystem::status(szPath, ecFolder);
    if (!ecFolder && kind.type() != std::filesystem::file_type::regular)
        return fail("is no file (a FIFO, socket or device), not a parameter file");
    FILE* f = std::fopen(szPath, "rb");
    if (!f) return fail(std::string("cannot be read (") + std::strerror(errno) + ")");
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        text.append(buf, n);
        if (text.size() > (1u << 20)) {
            std::fclose(f);
            return fail("larger than 1 MB, not a parameter file");
        }
    }
    std::fclose(f);
    // A NUL byte is no text: a number would end at it ("12", NUL, "x" read
    // as 12) and a folder's name be cut short where the system reads it.
    if (text.find('\0') != std::string::npos) return fail("holds a NUL byte, not text");
    // What a comment holds is no setting: a key commented out is not set. A
    // comment is no text either: inside a value, the text on its two sides
    // joins up ("o<!-- x -->/run3" is "o/run3", not "o /run3").
    for (size_t a; (a = text.find("<!--")) != std::string::npos;) {
        size_t b = text.find("-->", a + 4);
        if (b == std::string::npos) return fail("a comment <!-- has no end -->");
        text.replace(a, b + 3 - a, "");
    }

    // Every key of the table, each with its own check, the first element
    // of its name counting; attributes of a key are said and passed over.
    const std::vector<Element> elements = elementsOf(text);
    for (const ParameterKey& k : kParameterKeys) {
        const Element* pEl = nullptr;
        for (const Element& el : elements)
            if (el.szName == k.szName) {
                pEl = &el;
                break;
            }
        if (!pEl) {
            if (k.bRequired) return fail(std::string("the key <") + k.szName + "> is missing");
            continue;
        }
        if (!pEl->bClosed) return fail(std::string("no closing tag </") + k.szName + "> for <" + k.szName + ">");
        if (pEl->bHoldsElements) return fail(std::string("the key <") + k.szName + "> holds elements, not a value");
        const std::string v = trim(unescape(pEl->szValue));
        if (v.empty()) return fail(std::string("the key <") + k.szName + "> is empty");
        std::string why;
        if (!k.read(v, &p, &why)) return fail(why);
        if (!pEl->szAttributes.empty())
            p.warnings.push_back("the attribute " + pEl->szAttributes + " of key " + k.szName +
                                 " is ignored (the value is read as it stands)");
    }
    if (p.nLastScan < p.nFirstScan) return fail("LastScan is smaller than FirstScan");
    // the checks of the parameter dialog and the meniscus and bottom range
    // table: meniscus below bottom, left limit below right, the lower limit
    // of the meniscus range below the upper and the meniscus inside it
    auto ordered = [](float a, float b) { return a == 0 || b == 0 || a < b; };
    if (!ordered(p.fMeniscus, p.fBottom)) return fail("Meniscus is not smaller than Bottom");
    if (!ordered(p.fLeftFitLimit, p.fRightFitLimit)) return fail("LeftFitLimit is not smaller than RightFitLimit");
    if (p.fMinMeniscus > 0 && p.fMaxMeniscus > 0 && p.fMinMeniscus > p.fMaxMeniscus)
        return fail("MinMeniscus is larger than MaxMeniscus");
    if (p.fMinMeniscus > 0 && p.fMinMeniscus == p.fMaxMeniscus)
        return fail("MinMeniscus equals MaxMeniscus: the lower limit of the meniscus range must lie below the upper");
    if (p.fMeniscus > 0 && p.fMinMeniscus > 0 && p.fMeniscus < p.fMinMeniscus)
        return fail("Meniscus lies below MinMeniscus: a meniscus must lie inside its range");
    if (p.fMeniscus > 0 && p.fMaxMeniscus > 0 && p.fMeniscus > p.fMaxMeniscus)
        return fail("Meniscus lies above MaxMeniscus: a meniscus must lie inside its range");
    // the c(s,ff0) models refuse data that are not pre-averaged radially
    const unsigned nModel = p.szModel == "none" ? 0 : modelCommandOfCaption(p.szModel.c_str());
    if ((nModel == 595 || nModel == 598) && !(p.fRadialResolution > 0.001f))
        return fail("the Model " + p.szModel +
                    " needs radially pre-averaged data: RadialResolution above 0.001 cm (0.003 recommended)");

    // relative folders count from the parameter file's own folder
    std::filesystem::path base = std::filesystem::path(szPath).parent_path();
    for (std::string* pDir : {&p.szDataDirectory, &p.szOutputResultsDirectory}) {
        std::filesystem::path d(*pDir);
        std::error_code ecAbs;
        if (d.is_relative()) d = base / d;
        std::filesystem::path abs = std::filesystem::absolute(d, ecAbs);
        *pDir = (ecAbs ? d : abs).lexically_normal().string();
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(p.szDataDirectory, ec))
        return fail("the DataDirectory " + p.szDataDirectory + " is no folder");
    // The run clears its results folder and leaves the data folder as it found it.
    std::error_code ecSame;
    if (std::filesystem::path(p.szOutputResultsDirectory) / "" == std::filesystem::path(p.szDataDirectory) / "" ||
        std::filesystem::equivalent(p.szOutputResultsDirectory, p.szDataDirectory, ecSame))
        return fail("the OutputResultsDirectory is the DataDirectory: the results need a folder of their own");
    if (runScanFiles(p).empty())
        return fail("no scan files of channel " + std::to_string(p.nChannel) + " with numbers " +
                    std::to_string(p.nFirstScan) + " to " + std::to_string(p.nLastScan) + " in " +
                    p.szDataDirectory);
    // The loader keeps a scan's path in 260 characters: a longer one is
    // refused here, before anything is made, and said whole.
    for (const std::string& scan : runScanFiles(p))
        if (scan.size() > 259)
            return fail("the path of the scan file " + scan + " has " + std::to_string(scan.size()) +
                        " characters, more than the 259 a scan's path can have");
    for (const std::string& w : unknownKeyWarnings(elements)) p.warnings.push_back(w);
    *pParams = p;
    return 1;
}

namespace {

// What an entry of the data folder is when it is no file that can be read
// (links followed); empty for a file. Nothing is opened: a FIFO would wait.
std::string notAFile(const std::filesystem::path& path)
{
    std::error_code ec;
    const std::filesystem::file_status s = std::filesystem::status(path, ec);
    if (ec) {
        if (ec == std::errc::too_many_symbolic_link_levels) return "a link that loops";
        if (ec == std::errc::no_such_file_or_directory) return "a link to nothing";
        return "unreadable (" + ec.message() + ")";
    }
    switch (s.type()) {
    case std::filesystem::file_type::regular: return "";
    case std::filesystem::file_type::directory: return "a folder";
    case std::filesystem::file_type::fifo: return "a FIFO";
    case std::filesystem::file_type::socket: return "a socket";
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character: return "a device";
    default: return "no file";
    }
}

}  // namespace

std::vector<std::string> runScanFiles(const RunParameters& params, std::vector<std::string>* pLeftOut)
{
    std::vector<std::pair<long, std::string>> found, others;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(params.szDataDirectory, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::filesystem::path path = it->path();
        std::string ext = path.extension().string();
        if (ext.size() != 4 || ext[3] != static_cast<char>('0' + params.nChannel)) continue;
        long nr = trailingScanNumber(path.stem().string());
        if (nr < params.nFirstScan || nr > params.nLastScan) continue;
        const std::string what = notAFile(path);
        if (what.empty())
            found.emplace_back(nr, path.string());
        else
            others.emplace_back(nr, path.filename().string() + " (" + what + ")");
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> files;
    for (auto& f : found) files.push_back(f.second);
    if (pLeftOut) {
        std::sort(others.begin(), others.end());
        pLeftOut->clear();
        for (auto& o : others) pLeftOut->push_back(o.second);
    }
    return files;
}

const char* runModeUsage()
{
    return "usage: morvex [PARAMETERFILE]\n"
           "       morvex --help\n"
           "\n"
           "Without arguments Morvex opens its main window. With a parameter file it runs\n"
           "unattended, without showing its window: it loads the scans, chooses the model,\n"
           "computes it (Run), fits it when AutoFit is 1 (Fit) and writes its results into\n"
           "the results folder (ResultParameters.xml, screenshot.bmp, transcript.txt and,\n"
           "with a model, distribution.dat, rmsd.txt, fits/, residuals/, the fitted noise),\n"
           "then ends.\n"
           "\n"
           "The parameter file holds one element per setting, <Key>value</Key>:\n"
           "  DataDirectory           folder of the scan files (required)\n"
           "  OutputResultsDirectory  results folder, created when missing (required)\n"
           "  Channel                 cell number 1-8: scan files whose extension ends in it (1)\n"
           "  FirstScan, LastScan     range of the scan numbers at the end of the file names\n"
           "                          (1, 99999)\n"
           "  Model                   caption of a Model-menu item, or none (none)\n"
           "  RegularizationType      none, 2nd derivative, max ent, weighted 3rd derivative,\n"
           "                          both (none)\n"
           "  AutoFit                 1 to fit the model, 0 to compute it once (0)\n"
           "  LammThreads             worker threads of the Lamm equation lists (the number\n"
           "                          of cores)\n"
           "  NEQThreads              worker threads of the normal equations of distributions\n"
           "                          (the number of cores); results do not depend on either\n"
           "  UseMinSForLogGrid       1 to use MinSForLogGrid for log-spaced s grids\n"
           "  MinSForLogGrid          minimum s-value of log-spaced s grids (S)\n"
           "  RadialResolution        radial pre-averaging of the scans as they load (cm, 0 to\n"
           "                          below 0.1; the c(s,ff0) models need more than 0.001)\n"
           "\n"
           "Applied after the model command (absent keys leave what the load and the model set):\n"
           "  Meniscus, Bottom        cell geometry in cm; the automatic meniscus and bottom\n"
           "                          ranges follow them\n"
           "  MinMeniscus, MaxMeniscus  range of a floated meniscus (cm)\n"
           "  LeftFitLimit, RightFitLimit  radial fitting limits (cm)\n"
           "  FitMeniscus, FitBottom  1 to float meniscus, bottom in the fit\n"
           "  FitFrictionalRatio      1 to float the frictional ratio f/f0 (c(s) family)\n"
           "  FitTINoise, FitRINoise  1 to fit time- and radial-invariant noise\n"
           "\n"
           "Relative folders count from the folder of the parameter file. An element that is\n"
           "no key is named (with the nearest key), as is an attribute of a key, which is\n"
           "passed over; the run goes on.\n"
           "An unreadable or invalid parameter file is reported here and nothing is written;\n"
           "the exit code is then 2, as for a results folder that cannot be made or that\n"
           "another run is writing, and for a meniscus outside the radii of the scans. The\n"
           "exit code is 1 when the run failed: scans that could not be loaded or analysed\n"
           "(a load error ends the run before anything is computed), a model that cannot\n"
           "be chosen or computed for them, a distribution that holds no signal where the\n"
           "data do, results that are no finite numbers or cannot be written. Every message\n"
           "goes to standard error as it appears; at its end the run prints the main\n"
           "figures of its result and where the results are.\n";
}
