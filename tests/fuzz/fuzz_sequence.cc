// Fuzz target: the sequence classifier takes any bytes, stops at the first
// zero byte or the limit, counts only standard letters and their ambiguous
// readings, and notes only the letters it has a message for.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "numerics/nrutil.h"
#include "tools/calculators/calculators.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // the text without a terminator: the limit alone ends it
    std::vector<char> text(data, data + size);
    float* pCounts = vector(1, 26);
    int nNotes = 0;
    const int nRead = classifySequence(text.data(), static_cast<int>(text.size()), pCounts, [&nNotes](char c) {
        if (!sequenceLetterNote(c)) std::abort();
        nNotes++;
    });
    float fTotal = 0.0f;
    for (int k = 1; k <= 26; k++) {
        if (pCounts[k] < 0.0f) std::abort();
        fTotal += pCounts[k];
    }
    // every residue read adds one count in all (thirds up to rounding)
    if (nRead < 0 || nRead > static_cast<int>(size) || std::abs(fTotal - static_cast<float>(nRead)) > 1e-3f * (nRead + 1))
        std::abort();
    // turned to upper case in place, up to the limit or the first zero
    for (char c : text) {
        if (c == 0) break;
        if (c >= 'a' && c <= 'z') std::abort();
    }
    free_vector(pCounts, 1, 26);
    return 0;
}
