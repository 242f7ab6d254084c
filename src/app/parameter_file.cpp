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

// The elements of the text (comments already taken out) that hold a value
// but are no key, each with the nearest key where one is close. An element
// that holds other elements (the file's root) is no setting.
std::vector<std::string> unknownKeyWarnings(const std::string& text)
{
    const std::vector<std::string>& keys = parameterFileKeys();
    std::vector<std::string> warnings;
    for (size_t a = text.find('<'); a != std::string::npos; a = text.find('<', a + 1)) {
        if (a + 1 >= text.size() || text[a + 1] == '/' || text[a + 1] == '?' || text[a + 1] == '!') continue;
        size_t e = a + 1;
        while (e < text.size() && !std::isspace(static_cast<unsigned char>(text[e])) && text[e] != '>' &&
               text[e] != '/')
            ++e;
        const std::string name = text.substr(a + 1, e - a - 1);
        if (name.empty() || std::find(keys.begin(), keys.end(), name) != keys.end()) continue;
        const size_t close = text.find('>', e);
        if (close == std::string::npos) continue;
        const bool bEmptyElement = text[close - 1] == '/';
        if (!bEmptyElement) {
            const size_t end = text.find("</" + name + ">", close);
            if (end != std::string::npos && text.find('<', close) < end) continue;
        }
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

}  // namespace

const std::vector<std::string>& parameterFileKeys()
{
    static const std::vector<std::string> keys = {
        "DataDirectory", "OutputResultsDirectory", "Channel", "FirstScan", "LastScan", "Model",
        "RegularizationType", "AutoFit", "LammThreads", "NEQThreads", "UseMinSForLogGrid", "MinSForLogGrid",
        "Meniscus", "Bottom", "MinMeniscus", "MaxMeniscus", "LeftFitLimit", "RightFitLimit", "FitMeniscus",
        "FitBottom", "FitFrictionalRatio", "FitTINoise", "FitRINoise"};
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
    char szOpen[128], szClose[128];
    std::snprintf(szOpen, sizeof szOpen, "<%s>", szKey);
    std::snprintf(szClose, sizeof szClose, "</%s>", szKey);
    size_t a = text.find(szOpen);
    if (a == std::string::npos) return 0;
    a += std::strlen(szOpen);
    size_t b = text.find(szClose, a);
    if (b == std::string::npos) return -1;
    *pValue = trim(unescape(text.substr(a, b - a)));
    return 1;
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
    // What a comment holds is no setting: a key commented out is not set.
    for (size_t a; (a = text.find("<!--")) != std::string::npos;) {
        size_t b = text.find("-->", a + 4);
        if (b == std::string::npos) return fail("a comment <!-- has no end -->");
        text.replace(a, b + 3 - a, " ");
    }

    std::string v;
    // every key, with its own check
    auto get = [&](const char* szKey, bool bRequired, std::string* pOut) -> int {
        int r = parameterFileValue(text, szKey, pOut);
        if (r < 0) return -1;
        if (r == 0 && bRequired) return -2;
        if (r == 1 && pOut->empty()) return -3;
        return r;
    };
    std::string err;
    auto check = [&](int r, const char* szKey) {
        if (r == -1) err = std::string("no closing tag </") + szKey + "> for <" + szKey + ">";
        else if (r == -2) err = std::string("the key <") + szKey + "> is missing";
        else if (r == -3) err = std::string("the key <") + szKey + "> is empty";
        return err.empty();
    };

    if (!check(get("DataDirectory", true, &p.szDataDirectory), "DataDirectory")) return fail(err);
    if (!check(get("OutputResultsDirectory", true, &p.szOutputResultsDirectory), "OutputResultsDirectory"))
        return fail(err);

    int r;
    if (!check(r = get("Channel", false, &v), "Channel")) return fail(err);
    if (r == 1 && !parseInt(v, 1, 8, &p.nChannel)) return fail("Channel must be a cell number 1 to 8, not \"" + v + "\"");
    if (!check(r = get("FirstScan", false, &v), "FirstScan")) return fail(err);
    if (r == 1 && !parseInt(v, 0, 999999999, &p.nFirstScan))
        return fail("FirstScan must be a scan number, not \"" + v + "\"");
    if (!check(r = get("LastScan", false, &v), "LastScan")) return fail(err);
    if (r == 1 && !parseInt(v, 0, 999999999, &p.nLastScan))
        return fail("LastScan must be a scan number, not \"" + v + "\"");
    if (p.nLastScan < p.nFirstScan) return fail("LastScan is smaller than FirstScan");

    if (!check(r = get("Model", false, &v), "Model")) return fail(err);
    if (r == 1) {
        if (lower(v) == "none") {
            p.szModel = "none";
        } else if (modelCommandOfCaption(v.c_str()) == 0) {
            return fail("unknown Model \"" + v + "\" (a caption of the Model menu, or none)");
        } else {
            p.szModel = v;
        }
    }
    if (!check(r = get("RegularizationType", false, &v), "RegularizationType")) return fail(err);
    if (r == 1) {
        const auto& names = regularizationTypeNames();
        if (std::find(names.begin(), names.end(), lower(v)) == names.end())
            return fail("unknown RegularizationType \"" + v +
                        "\" (none, 2nd derivative, max ent, weighted 3rd derivative or both)");
        p.szRegularizationType = lower(v);
    }
    if (!check(r = get("AutoFit", false, &v), "AutoFit")) return fail(err);
    if (r == 1 && !parseInt(v, 0, 1, &p.bAutoFit)) return fail("AutoFit must be 0 or 1, not \"" + v + "\"");
    if (!check(r = get("LammThreads", false, &v), "LammThreads")) return fail(err);
    if (r == 1 && !parseInt(v, 1, 64, &p.nLammThreads))
        return fail("LammThreads must be a number of threads 1 to 64, not \"" + v + "\"");
    if (!check(r = get("NEQThreads", false, &v), "NEQThreads")) return fail(err);
    if (r == 1 && !parseInt(v, 1, 64, &p.nNEQThreads))
        return fail("NEQThreads must be a number of threads 1 to 64, not \"" + v + "\"");
    if (!check(r = get("UseMinSForLogGrid", false, &v), "UseMinSForLogGrid")) return fail(err);
    if (r == 1 && !parseInt(v, 0, 1, &p.bUseMinSForLogGrid))
        return fail("UseMinSForLogGrid must be 0 or 1, not \"" + v + "\"");
    if (!check(r = get("MinSForLogGrid", false, &v), "MinSForLogGrid")) return fail(err);
    if (r == 1 && (!parseFloat(v, &p.fMinSForLogGrid) || p.fMinSForLogGrid <= 0))
        return fail("MinSForLogGrid must be a positive s-value, not \"" + v + "\"");

    // radii in cm, each above 0
    struct RadiusKey {
        const char* szKey;
        float* pValue;
    };
    for (const RadiusKey& k : {RadiusKey{"Meniscus", &p.fMeniscus}, RadiusKey{"Bottom", &p.fBottom},
                               RadiusKey{"MinMeniscus", &p.fMinMeniscus}, RadiusKey{"MaxMeniscus", &p.fMaxMeniscus},
                               RadiusKey{"LeftFitLimit", &p.fLeftFitLimit},
                               RadiusKey{"RightFitLimit", &p.fRightFitLimit}}) {
        if (!check(r = get(k.szKey, false, &v), k.szKey)) return fail(err);
        if (r == 1 && (!parseFloat(v, k.pValue) || *k.pValue <= 0 || *k.pValue > 100))
            return fail(std::string(k.szKey) + " must be a radius in cm above 0, not \"" + v + "\"");
    }
    auto ordered = [](float a, float b) { return a == 0 || b == 0 || a < b; };
    if (!ordered(p.fMeniscus, p.fBottom)) return fail("Meniscus is not smaller than Bottom");
    if (!ordered(p.fLeftFitLimit, p.fRightFitLimit)) return fail("LeftFitLimit is not smaller than RightFitLimit");
    if (p.fMinMeniscus > 0 && p.fMaxMeniscus > 0 && p.fMinMeniscus > p.fMaxMeniscus)
        return fail("MinMeniscus is larger than MaxMeniscus");
    // fit switches, each 0 or 1
    struct FlagKey {
        const char* szKey;
        int* pValue;
    };
    for (const FlagKey& k : {FlagKey{"FitMeniscus", &p.bFitMeniscus}, FlagKey{"FitBottom", &p.bFitBottom},
                             FlagKey{"FitFrictionalRatio", &p.bFitFrictionalRatio},
                             FlagKey{"FitTINoise", &p.bFitTINoise}, FlagKey{"FitRINoise", &p.bFitRINoise}}) {
        if (!check(r = get(k.szKey, false, &v), k.szKey)) return fail(err);
        if (r == 1 && !parseInt(v, 0, 1, k.pValue))
            return fail(std::string(k.szKey) + " must be 0 or 1, not \"" + v + "\"");
    }

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
    p.warnings = unknownKeyWarnings(text);
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
           "no key is named (with the nearest key) and the run goes on.\n"
           "An unreadable or invalid parameter file is reported here and nothing is written;\n"
           "the exit code is then 2, as for a results folder that cannot be made or that\n"
           "another run is writing. The exit code is 1 when the run failed: scans that could\n"
           "not be loaded or analysed, results that are no finite numbers or cannot be\n"
           "written.\n";
}
