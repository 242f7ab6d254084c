#include "tools/calculators/calculator_fixture.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "app/app_globals.h"
#include "scandata/scan_set_fixture.h"

namespace {

// Reads the quoted string at pos (the transcript's escapes undone) and moves
// pos past it; false when there is none.
bool readQuoted(const std::string& line, size_t& pos, std::string* pOut)
{
    if (pos >= line.size() || line[pos] != '"') return false;
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            *pOut = out;
            return true;
        }
        if (c != '\\' || pos + 1 >= line.size()) {
            out += c;
            continue;
        }
        char e = line[++pos];
        if (e == 'n') out += '\n';
        else if (e == 'r') out += '\r';
        else if (e == 't') out += '\t';
        else if (e == 'x' && pos + 2 < line.size()) {
            out += static_cast<char>(std::strtol(line.substr(pos + 1, 2).c_str(), nullptr, 16));
            pos += 2;
        } else out += e;
    }
    return false;
}

// Caption and text of a message-box line.
bool parseBox(const std::string& line, std::string* pCaption, std::string* pText)
{
    const std::string head = "MessageBox ";
    if (line.compare(0, head.size(), head) != 0) return false;
    size_t pos = head.size();
    if (!readQuoted(line, pos, pCaption)) return false;
    ++pos;
    return readQuoted(line, pos, pText);
}

}  // namespace

void CalculatorTest::SetUp()
{
    MainWindowTest::SetUp();
    scantest::resetScanState();
    OpenWindow();
}

void CalculatorTest::TearDown()
{
    scantest::resetScanState();
    releaseResultArrays();
    MainWindowTest::TearDown();
}

void CalculatorTest::Run(win::headless::Script& script, unsigned nId)
{
    script.command(nId);
    win::headless::processMessages();
}

std::string boxText(const win::headless::Script& script, const std::string& caption)
{
    std::string found;
    for (const std::string& line : script.lines()) {
        std::string c, t;
        if (parseBox(line, &c, &t) && c == caption) found = t;
    }
    return found;
}

int boxCount(const win::headless::Script& script, const std::string& caption)
{
    int n = 0;
    for (const std::string& line : script.lines()) {
        std::string c, t;
        if (parseBox(line, &c, &t) && c == caption) ++n;
    }
    return n;
}

double numberAfter(const std::string& text, const std::string& label)
{
    size_t pos = text.find(label);
    if (pos == std::string::npos) return std::nan("");
    const char* p = text.c_str() + pos + label.size();
    char* end = nullptr;
    double v = std::strtod(p, &end);
    return end == p ? std::nan("") : v;
}

std::vector<std::string> clipboardRows(const win::headless::Script& script)
{
    std::vector<std::string> rows;
    const std::string head = "Clipboard CF_TEXT ";
    for (const std::string& line : script.lines()) {
        if (line.compare(0, head.size(), head) != 0) continue;
        size_t pos = head.size();
        std::string text;
        if (!readQuoted(line, pos, &text)) continue;
        rows.clear();
        std::istringstream in(text);
        for (std::string row; std::getline(in, row);)
            if (!row.empty() && row != "\r") rows.push_back(row);
    }
    return rows;
}
