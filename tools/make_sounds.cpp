// Makes the program's sound effects: short synthesized wave files (16-bit
// mono PCM, 22050 Hz), one set per event with numbered variants, written into
// the folder given on the command line. The build runs it, so the program
// ships only sounds made here.
//
//   morvex_make_sounds <folder>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr int nRate = 22050;
constexpr double dPi = 3.14159265358979323846;

using TSamples = std::vector<double>;

// A partial of a tone: frequency ratio to the fundamental, relative
// amplitude and its own decay rate (1/s).
struct TPartial {
    double dRatio;
    double dAmplitude;
    double dDecay;
};

// Adds a struck tone at time dStart: a 4 ms rise, then each partial decays
// exponentially; dGlide bends the pitch by that factor over the tone.
void addTone(TSamples& out, double dStart, double dLength, double dFreq, double dLevel,
             const std::vector<TPartial>& partials, double dGlide = 1.0)
{
    size_t n0 = size_t(dStart * nRate);
    size_t n = size_t(dLength * nRate);
    if (out.size() < n0 + n) out.resize(n0 + n, 0.0);
    std::vector<double> pPhase(partials.size(), 0.0);
    for (size_t i = 0; i < n; i++) {
        double t = double(i) / nRate;
        double dRise = std::min(1.0, t / 0.004);
        // The last 10 ms fade to silence so no tone ends with a click.
        double dTail = std::min(1.0, (dLength - t) / 0.010);
        double f = dFreq * std::pow(dGlide, t / dLength);
        double s = 0.0;
        for (size_t p = 0; p < partials.size(); p++) {
            pPhase[p] += 2.0 * dPi * f * partials[p].dRatio / nRate;
            s += partials[p].dAmplitude * std::exp(-partials[p].dDecay * t) * std::sin(pPhase[p]);
        }
        out[n0 + i] += dLevel * dRise * std::max(0.0, dTail) * s;
    }
}

// Timbres.
const std::vector<TPartial> pBell = {{1.0, 1.0, 6.0}, {2.0, 0.35, 9.0}, {3.01, 0.18, 14.0}, {4.2, 0.08, 20.0}};
const std::vector<TPartial> pSoft = {{1.0, 1.0, 5.0}, {2.0, 0.2, 8.0}, {3.0, 0.06, 12.0}};
const std::vector<TPartial> pReed = {{1.0, 1.0, 7.0}, {3.0, 0.3, 9.0}, {5.0, 0.12, 12.0}};
const std::vector<TPartial> pGlass = {{1.0, 1.0, 18.0}, {2.76, 0.5, 25.0}, {5.40, 0.25, 35.0}, {8.93, 0.1, 45.0}};
const std::vector<TPartial> pBlip = {{1.0, 1.0, 25.0}, {2.0, 0.15, 35.0}};

// Equal-tempered note frequency, A4 = 440 Hz, n semitones from A4.
double note(int n) { return 440.0 * std::pow(2.0, n / 12.0); }

// Notes used below, in semitones from A4.
constexpr int G4 = -2, C5 = 3, E5 = 7, F5 = 8, G5 = 10, A5 = 12, B5 = 14, C6 = 15, D6 = 17, E6 = 19, G6 = 22;

struct TSound {
    const char* szName;
    TSamples samples;
};

std::vector<TSound> makeSounds()
{
    std::vector<TSound> all;
    TSamples s;

    // error: a falling pair in a reedy voice; the variant falls a tritone.
    s.clear();
    addTone(s, 0.00, 0.18, note(E5), 0.45, pReed);
    addTone(s, 0.15, 0.30, note(C5), 0.45, pReed);
    all.push_back({"error", s});
    s.clear();
    addTone(s, 0.00, 0.16, note(F5), 0.42, pReed);
    addTone(s, 0.13, 0.32, note(B5 - 12), 0.42, pReed);
    all.push_back({"error2", s});

    // info: one bell; the variant a rising pair of bells.
    s.clear();
    addTone(s, 0.00, 0.55, note(A5), 0.45, pBell);
    all.push_back({"info", s});
    s.clear();
    addTone(s, 0.00, 0.30, note(C6), 0.38, pBell);
    addTone(s, 0.12, 0.45, note(G6), 0.32, pBell);
    all.push_back({"info2", s});

    // question: a soft tone gliding up a fifth, then a short high note.
    s.clear();
    addTone(s, 0.00, 0.20, note(G5), 0.42, pSoft, 1.5);
    addTone(s, 0.17, 0.22, note(D6), 0.36, pSoft);
    all.push_back({"question", s});

    // fitdone: a major arpeggio up to the octave.
    s.clear();
    addTone(s, 0.00, 0.35, note(C5), 0.30, pBell);
    addTone(s, 0.09, 0.35, note(E5), 0.30, pBell);
    addTone(s, 0.18, 0.35, note(G5), 0.30, pBell);
    addTone(s, 0.27, 0.55, note(C6), 0.32, pBell);
    all.push_back({"fitdone", s});

    // hi: a gentle rising triad, the notes overlapping.
    s.clear();
    addTone(s, 0.00, 0.50, note(G4), 0.28, pSoft);
    addTone(s, 0.12, 0.50, note(C5), 0.28, pSoft);
    addTone(s, 0.24, 0.60, note(E5), 0.30, pSoft);
    all.push_back({"hi", s});

    // bye: the same triad falling, a little slower.
    s.clear();
    addTone(s, 0.00, 0.45, note(E5), 0.30, pSoft);
    addTone(s, 0.15, 0.45, note(C5), 0.28, pSoft);
    addTone(s, 0.30, 0.60, note(G4), 0.28, pSoft);
    all.push_back({"bye", s});

    // ok: a short high blip; the variant two quick blips.
    s.clear();
    addTone(s, 0.00, 0.12, note(E6), 0.40, pBlip);
    all.push_back({"ok", s});
    s.clear();
    addTone(s, 0.00, 0.08, note(D6), 0.36, pBlip);
    addTone(s, 0.09, 0.11, note(G6), 0.36, pBlip);
    all.push_back({"ok2", s});

    // beer: two glasses clinking.
    s.clear();
    addTone(s, 0.00, 0.35, 1870.0, 0.30, pGlass);
    addTone(s, 0.07, 0.40, 2110.0, 0.26, pGlass);
    all.push_back({"beer", s});

    return all;
}

void putLE(std::vector<unsigned char>& b, uint32_t v, int nBytes)
{
    for (int i = 0; i < nBytes; i++) b.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}

bool writeWave(const std::string& szPath, const TSamples& samples)
{
    std::vector<unsigned char> b;
    uint32_t nData = uint32_t(samples.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    putLE(b, 36 + nData, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLE(b, 16, 4);
    putLE(b, 1, 2);          // PCM
    putLE(b, 1, 2);          // mono
    putLE(b, nRate, 4);
    putLE(b, nRate * 2, 4);  // bytes per second
    putLE(b, 2, 2);          // block align
    putLE(b, 16, 2);         // bits per sample
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    putLE(b, nData, 4);
    for (double d : samples) {
        double c = std::max(-1.0, std::min(1.0, d));
        putLE(b, uint32_t(uint16_t(int16_t(std::lround(c * 32767.0)))), 2);
    }
    std::FILE* f = std::fopen(szPath.c_str(), "wb");
    if (!f) return false;
    bool bOk = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    if (std::fclose(f) != 0) bOk = false;
    return bOk;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    std::string szFolder = argv[1];
    mkdir(szFolder.c_str(), 0755);
    for (const TSound& s : makeSounds()) {
        std::string szPath = szFolder + "/" + s.szName + ".wav";
        if (!writeWave(szPath, s.samples)) {
            std::fprintf(stderr, "could not write %s\n", szPath.c_str());
            return 1;
        }
    }
    return 0;
}
