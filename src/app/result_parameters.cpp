// The results record of the unattended run.
#include "app/result_parameters.h"

#include <cmath>
#include <cstdio>

#include "models/parameter_names.h"

namespace {

std::string number(float v)
{
    if (!std::isfinite(v)) return "NaN";
    char sz[40];
    std::snprintf(sz, sizeof sz, "%.9g", static_cast<double>(v));
    return sz;
}

// Length of the UTF-8 sequence at s[i] when it encodes a character XML
// allows, 0 otherwise: overlong forms, surrogates, code points above
// U+10FFFF and U+FFFE, U+FFFF make a strict reader refuse the whole record.
size_t utf8Length(const std::string& s, size_t i)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    unsigned long code = n == 1 ? c : n == 2 ? (c & 0x1Fu) : n == 3 ? (c & 0x0Fu) : (c & 0x07u);
    for (size_t k = 1; k < n; ++k) {
        unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t >> 6) != 2) return 0;
        code = (code << 6) | (t & 0x3Fu);
    }
    static const unsigned long kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[n] || code > 0x10FFFF) return 0;
    if ((code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF) return 0;
    return n;
}

}  // namespace

std::string xmlEscape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '&': out += "&amp;"; ++i; continue;
        case '<': out += "&lt;"; ++i; continue;
        case '>': out += "&gt;"; ++i; continue;
        case '"': out += "&quot;"; ++i; continue;
        case '\'': out += "&apos;"; ++i; continue;
        default: break;
        }
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            out += '?';
            ++i;
            continue;
        }
        size_t n = utf8Length(text, i);
        if (n == 0) {
            out += '?';
            ++i;
            continue;
        }
        out.append(text, i, n);
        i += n;
    }
    return out;
}

int writeResultParameters(const char* szPath, const ResultRecord& r)
{
    std::string x;
    x += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    x += "<cGMPMorvex version=\"1\"";
    if (!r.szProgramVersion.empty()) x += " program=\"" + xmlEscape(r.szProgramVersion) + "\"";
    x += " exitCode=\"" + std::to_string(r.nExitCode) + "\">\n";
    x += "  <ParameterFile>" + xmlEscape(r.szParameterFile) + "</ParameterFile>\n";
    x += "  <DataDirectory>" + xmlEscape(r.szDataDirectory) + "</DataDirectory>\n";
    x += "  <InputFiles count=\"" + std::to_string(r.inputFiles.size()) + "\">\n";
    for (const std::string& f : r.inputFiles) x += "    <File>" + xmlEscape(f) + "</File>\n";
    x += "  </InputFiles>\n";
    x += "  <ScanCount>" + std::to_string(r.nScans) + "</ScanCount>\n";
    x += "  <Model>" + xmlEscape(r.szModel) + "</Model>\n";
    x += "  <RegularizationType>" + xmlEscape(r.szRegularizationType) + "</RegularizationType>\n";
    x += "  <AutoFit>" + std::to_string(r.bAutoFit) + "</AutoFit>\n";
    if (r.bHaveParameters) {
        x += "  <Parameters>\n";
        for (int k = 1; k <= 34; ++k)
            x += "    <Parameter index=\"" + std::to_string(k) + "\" name=\"" +
                 xmlEscape(r.pszName[k] ? r.pszName[k] : baseParameterName(k)) +
                 "\" value=\"" + number(r.pfValue[k]) + "\" fit=\"" + std::to_string(r.pnFloat[k] ? 1 : 0) +
                 "\"/>\n";
        x += "  </Parameters>\n";
    } else {
        x += "  <Parameters/>\n";
    }
    if (r.bHaveRmsd) x += "  <Rmsd>" + number(r.fRmsd) + "</Rmsd>\n";
    if (r.bHaveDistribution) {
        x += "  <Distribution kind=\"" + xmlEscape(r.szDistributionKind) + "\">\n";
        for (size_t k = 0; k < r.peaks.size(); ++k) {
            const ResultPeak& p = r.peaks[k];
            x += "    <Peak index=\"" + std::to_string(k + 1) + "\" from=\"" + number(p.fLow) + "\" to=\"" +
                 number(p.fHigh) + "\" mean=\"" + number(p.fMean) + "\" signal=\"" + number(p.fSignal) +
                 "\" fraction=\"" + number(p.fFraction) + "\"/>\n";
        }
        x += "  </Distribution>\n";
    }
    x += "  <ResultFiles>\n";
    for (const std::string& f : r.resultFiles) x += "    <File>" + xmlEscape(f) + "</File>\n";
    x += "  </ResultFiles>\n";
    x += "  <Messages>\n";
    for (const std::string& m : r.messages) x += "    <Message>" + xmlEscape(m) + "</Message>\n";
    x += "  </Messages>\n";
    x += "</cGMPMorvex>\n";

    std::string tmp = std::string(szPath) + ".new";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return 0;
    bool ok = std::fwrite(x.data(), 1, x.size(), f) == x.size();
    if (std::fclose(f) != 0) ok = false;
    if (!ok || std::rename(tmp.c_str(), szPath) != 0) {
        std::remove(tmp.c_str());
        return 0;
    }
    return 1;
}
