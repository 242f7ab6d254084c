// Fuzz target: HydroPro's results text, any bytes, gives error lines that
// start with the marker and the result line that starts with its label,
// none longer than 999 characters or holding a line end.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/calculators/hydropro.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The launcher reads the file into a zero-filled block: text ends at its first NUL.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const HydroProResults r = extractHydroProResults(text.c_str());
    const auto bad = [](const std::string& line) {
        return line.size() > 999 || line.find_first_of("\r\n") != std::string::npos;
    };
    for (const std::string& e : r.errorLines)
        if (e.compare(0, 3, "***") != 0 || bad(e)) std::abort();
    if (r.bHaveResult && (r.resultLine.compare(0, 26, "Sedimentation coefficient:") != 0 || bad(r.resultLine)))
        std::abort();
    if (!r.bHaveResult && !r.resultLine.empty()) std::abort();
    // every marker before the first NUL is found
    size_t nMarkers = 0;
    const std::string upToNul = text.substr(0, text.find('\0'));
    for (size_t p = upToNul.find("***"); p != std::string::npos; p = upToNul.find("***", p + 3)) ++nMarkers;
    if (nMarkers != r.errorLines.size()) std::abort();
    const std::string shown = hydroProResultText(r);
    if (shown.find(r.resultLine) == std::string::npos) std::abort();
    return 0;
}
