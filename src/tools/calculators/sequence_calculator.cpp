// The protein sequence calculator: molar mass, extinction coefficients,
// partial specific volume and refractive increment from the one-letter
// amino-acid sequence.
//
// The mass is the sum of the residue masses plus one water; each cysteine in
// a disulfide bond loses one hydrogen (the bond takes two hydrogens from two
// cysteines). The partial specific volume is the mass-weighted mean of the
// residue values, at T with a common temperature coefficient (standard
// method) or with per-residue coefficients (consensus method). The
// refractive increment follows from the mass-weighted specific refraction
// and the partial specific volume through the protein's refractive index.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/xla_window.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "plot/text_window.h"
#include "scandata/scan_data.h"
#include "tools/calculators/calculators.h"

using namespace win;

namespace {

// Per residue: mass (Da), partial specific volume of the standard method
// (ml/g), of the consensus method at 20 C (ml/g), its temperature
// coefficient (ml/g per C) and the specific refraction (ml/g).
struct Residue {
    char c;
    float fMass, fVbar, fVbarConsensus, fVbarSlope, fRefraction;
};
constexpr Residue kResidues[] = {
    {'A', 71.079f, 0.74f, 0.744f, 0.0005695f, 0.242f},  {'C', 103.144f, 0.63f, 0.615f, 0.0005453f, 0.238f},
    {'D', 115.089f, 0.6f, 0.604f, 0.0006989f, 0.227f},  {'E', 129.116f, 0.66f, 0.657f, 0.0006462f, 0.233f},
    {'F', 147.177f, 0.77f, 0.776f, 0.0007857f, 0.287f}, {'G', 57.052f, 0.64f, 0.632f, 0.000549f, 0.225f},
    {'H', 137.142f, 0.67f, 0.686f, 0.0006274f, 0.253f}, {'I', 113.16f, 0.9f, 0.884f, 0.0006677f, 0.282f},
    {'K', 128.174f, 0.82f, 0.811f, 0.0004793f, 0.266f}, {'L', 113.16f, 0.9f, 0.894f, 0.0004737f, 0.279f},
    {'M', 131.198f, 0.75f, 0.758f, 0.0007695f, 0.263f}, {'N', 114.104f, 0.62f, 0.634f, 0.0008368f, 0.229f},
    {'P', 97.117f, 0.76f, 0.765f, 0.0006153f, 0.245f},  {'Q', 128.131f, 0.67f, 0.682f, 0.0005644f, 0.237f},
    {'R', 156.188f, 0.7f, 0.726f, 0.0006408f, 0.253f},  {'S', 87.078f, 0.63f, 0.634f, 0.0004773f, 0.22f},
    {'T', 101.105f, 0.7f, 0.705f, 0.0004957f, 0.236f},  {'V', 99.133f, 0.86f, 0.843f, 0.0004297f, 0.27f},
    {'W', 186.213f, 0.74f, 0.737f, 0.0004936f, 0.297f}, {'Y', 163.17f, 0.71f, 0.706f, 0.0006207f, 0.272f},
};

int letterIndex(char c) { return c - 'A' + 1; }

bool isStandardResidue(char c)
{
    for (const Residue& r : kResidues)
        if (r.c == c) return true;
    return false;
}

// 205 nm side-chain coefficients (1/(M cm)) besides W, Y and C, and the
// coefficient of each peptide bond.
constexpr float fPeptideBond205 = 2780.0f;
struct Coefficient205 {
    char c;
    float fValue;
};
constexpr Coefficient205 kSideChains205[] = {{'F', 8600.0f}, {'H', 5200.0f}, {'M', 1830.0f},
                                             {'R', 1350.0f}, {'D', 400.0f},  {'E', 400.0f}};

constexpr const char* szSequenceTitle = "CALCULATE VBAR, EXT280 AND DNDC FROM SEQUENCE";
constexpr int nBufferSize = 30000;
// The mass of the hydrogen a cysteine gives up in a disulfide bond.
constexpr float fHydrogenMass = 1.008f;

}  // namespace

const char* sequenceLetterNote(char c)
{
    switch (c) {
    case 'B':
        return "found B in sequence = either N or D: averaging values from both";
    case 'J':
        return "found J in sequence = either I or L: averaging values from both";
    case 'Z':
        return "found Z in sequence = either E, Q, or G: averaging values from all";
    case 'O':
        return "found O in sequence: will be ignored";
    case 'U':
        return "found U in sequence: unknown will be ignored";
    case 'X':
        return "found X in sequence: unknown will be ignored";
    default:
        return nullptr;
    }
}

int classifySequence(char* szText, int nMax, float* pCounts, const std::function<void(char)>& onNote)
{
    int nRead = 0;
    for (int k = 0; k < nMax && szText[k] != 0; k++) {
        char& c = szText[k];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        auto add = [pCounts](char r, float fAmount) { pCounts[letterIndex(r)] += fAmount; };
        if (isStandardResidue(c)) {
            add(c, 1.0f);
            nRead++;
            continue;
        }
        switch (c) {
        case 'B':
            add('N', 0.5f), add('D', 0.5f);
            nRead++;
            break;
        case 'J':
            add('I', 0.5f), add('L', 0.5f);
            nRead++;
            break;
        case 'Z':
            add('E', 1.0f / 3.0f), add('Q', 1.0f / 3.0f), add('G', 1.0f / 3.0f);
            nRead++;
            break;
        case 'O':
        case 'U':
        case 'X':
            break;
        default:
            continue;  // blanks, line ends, digits, punctuation
        }
        if (onNote) onNote(c);
    }
    return nRead;
}

void TXLAWindow::CmCalcFromSequence()
{
    std::vector<char> buffer(nBufferSize, 0);
    runRichEditWindow(buffer.data(), nBufferSize, 1,
                      "delete this text, write (or paste) single letter aa sequence, and close this window");
    float* pCounts = vector(1, 26);
    struct CountsRelease {
        float* p;
        ~CountsRelease() { free_vector(p, 1, 26); }
    } release{pCounts};
    const int nRead = classifySequence(buffer.data(), nBufferSize, pCounts,
                                       [this](char c) { MessageBox(HWindow, sequenceLetterNote(c), szSequenceTitle, MB_OK); });
    if (nRead == 0) {
        MessageBox(HWindow, "no amino acids found", szSequenceTitle, MB_OK);
        return;
    }
    auto ask = [this](float* pf, float fDefault, const char* szPrompt) {
        return inputFloatInWindow(this, pf, fDefault, true, szPrompt, szSequenceTitle);
    };
    const float nC = pCounts[letterIndex('C')];
    float f = 0.0f;  // fraction of cysteines in disulfide bonds
    if (nC >= 2.0f) {
        float fPercent = 0.0f;
        if (!ask(&fPercent, 50.0f, "percent cysteines in disulfide bond")) return;
        f = fPercent * 0.01f;
    }
    float fT = 0, fIndex = 0, fLambda = 0;
    if (!ask(&fT, fTemperatureK - kZeroCelsiusF, "enter temperature (C)")) return;
    if (!ask(&fIndex, 1.334f, "enter refractive index of buffer at 25 C")) return;
    if (!ask(&fLambda, 580.0f, "enter wavelength (nm)")) return;

    float fMass = 18.0f, fSumVbar = 0, fSumConsensus = 0, fSumSlope = 0, fSumRefraction = 0;
    for (const Residue& r : kResidues) {
        const float n = pCounts[letterIndex(r.c)];
        const float m = r.fMass;
        fMass += n * (r.c == 'C' ? m - fHydrogenMass * f : m);
        fSumVbar += n * m * r.fVbar;
        fSumConsensus += n * m * r.fVbarConsensus;
        fSumSlope += n * m * r.fVbarSlope;
        fSumRefraction += n * m * r.fRefraction;
    }
    const float fVbar = fSumVbar / fMass;
    const float fVbarConsensus20 = fSumConsensus / fMass;
    const float fSlope = fSumSlope / fMass;
    const float fRefraction = fSumRefraction / fMass;
    const float nW = pCounts[letterIndex('W')], nY = pCounts[letterIndex('Y')];
    const float fEps280a = 5500.0f * nW + 1490.0f * nY + 125.0f * 0.5f * f * nC;
    const float fEps280b = 5690.0f * nW + 1280.0f * nY + 120.0f * nC;
    const float fEps288 = 4815.0f * nW + 385.0f * nY + 75.0f * nC;
    float fEps205 = 0.0f;
    for (int k = 1; k <= 26; k++) {
        const char c = static_cast<char>('A' + k - 1);
        float fSide = 0.0f;
        if (c == 'W') fSide = 20400.0f;
        if (c == 'Y') fSide = 6080.0f;
        if (c == 'C') fSide = 690.0f + 820.0f * 0.5f * f;
        for (const Coefficient205& e : kSideChains205)
            if (e.c == c) fSide = e.fValue;
        fEps205 += pCounts[k] * (fSide + fPeptideBond205);
    }
    fEps205 -= fPeptideBond205;

    const float fProteinIndex = std::sqrt((2.0f * fRefraction + fVbar) / (fVbar - fRefraction));
    const float np2 = fProteinIndex * fProteinIndex, nb2 = fIndex * fIndex;
    const float fDndc589 = 1.5f * fVbar * fIndex * (np2 - nb2) / (np2 + 2.0f * nb2);
    const float fVbarT = fVbar + 0.000425f * (fT - 25.0f);
    const float fVbarConsensusT = fVbarConsensus20 + fSlope * (fT - 20.0f);
    const float fTemperatureTerm = (1.0f / 30.0f) * (fT - 25.0f) * 0.0025f;
    const float fDndcLambda = (2e6f / (fLambda * fLambda * 100.0f) + 0.94f) * 1.0023555229104262f * fDndc589;
    const float fDndcEstimate = fDndcLambda - fTemperatureTerm;
    const float fDndc655 = fDndc589 * 1.0023555229104262f * 0.9866173299924246f - fTemperatureTerm;
    const float fFringes = fDndc655 * 0.012f * 0.001f / 655e-9f;
    const float fFringeCoefficient = fFringes * fMass / 1.2f;

    char sz[2000];
    std::snprintf(
        sz, sizeof sz,
        "%d amino acids read:\nmass = %.1f Da\n"
        "molar extinction coefficient: %.0f OD280/Mcm (Trp, Tyr and cystine values for folded proteins)\n"
        "molar extinction coefficient: %.0f OD280/Mcm (Trp, Tyr and Cys values in denaturant)\n"
        "molar extinction coefficient: %.0f OD288/Mcm (Trp, Tyr and Cys values in denaturant at 288 nm)\n"
        "molar extinction coefficient: %.0f OD205/Mcm (peptide-bond and side-chain values at 205 nm)\n"
        "vbar (%.1fC, residue-weighted, standard temp coefficient) = %.4f ml/g, vbar (%.1fC, multi-study consensus, "
        "per residue temp coefficient) = %.4f ml/g\n"
        "dndc (25C, 589.3 nm) = %.4f ml/g\n"
        "dndc (25C, %.1f nm) = %.4f ml/g\n"
        "estimated dndc (%.1fC, %.1f nm) = %.4f ml/g\n"
        "fringes per mg/ml (12 mm pathlength, 655 nm laser, %.1fC) = %.3f\n"
        "fringe coefficient (fringe/[M cm]) = %.1f",
        nRead, fMass, fEps280a, fEps280b, fEps288, fEps205, fT, fVbarT, fT, fVbarConsensusT, fDndc589, fLambda,
        fDndcLambda, fT, fLambda, fDndcEstimate, fT, fFringes, fFringeCoefficient);
    MessageBox(HWindow, sz, szSequenceTitle, MB_OK);
}
