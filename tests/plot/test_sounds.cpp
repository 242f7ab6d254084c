// Sound sets: variant names, counting and choice, and the project's own
// wave files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "platform/win.h"
#include "plot/sound_folder.h"
#include "plot/sounds.h"
#include "scandata/scan_test_files.h"

namespace fs = std::filesystem;
using soundtest::SoundFolder;

namespace {

// A sounds folder of the test's own with these (empty) files.
struct SoundFiles {
    scantest::TempFolder dir;
    explicit SoundFiles(std::initializer_list<const char*> names)
    {
        for (const char* sz : names) std::fclose(std::fopen(dir.Path(sz).c_str(), "wb"));
    }
};

// Fixed draws in place of the generator's; counts how many were taken.
std::vector<int> gDraws;
size_t nDrawsTaken = 0;
int nextFixedDraw()
{
    return nDrawsTaken < gDraws.size() ? gDraws[nDrawsTaken++] : 0;
}
void useDraws(std::vector<int> draws)
{
    gDraws = std::move(draws);
    nDrawsTaken = 0;
    setSoundDraws(nextFixedDraw);
}

std::string played(const char* szName, bool bSync = false)
{
    return std::string("Sound \"") + szName + "\" " + (bSync ? "SND_SYNC" : "SND_ASYNC") + "|SND_NODEFAULT";
}

}  // namespace

TEST(Sounds, VariantNamesAndCounting)
{
    EXPECT_STREQ(soundVariantFileName("c:\\morvex\\sounds\\error.wav", 3), "c:\\morvex\\sounds\\error3.wav");
    // A name that would not fit the 260-character buffer is no file.
    std::string szLong = "/" + std::string(250, 'd') + "/error.wav";
    EXPECT_EQ(soundVariantFileName(szLong.c_str(), 2), nullptr);

    SoundFiles files({"error.wav", "error2.wav", "error4.wav", "info.wav", "ok2.wav", "bye.wav", "bye2.wav",
                      "bye3.wav"});
    SoundFolder folder(files.dir.Dir());
    bSound = 0;  // counting does not depend on the preference
    countSoundFiles();
    EXPECT_EQ(soundVariantCount(SOUND_ERROR), 2);  // error4.wav follows a gap
    EXPECT_EQ(soundVariantCount(SOUND_OK), 0);  // no base file
    EXPECT_EQ(soundVariantCount(SOUND_BYE), 3);
}

// Which variant plays: draw mod count, and when that repeats the variant
// played last one second draw, whatever it gives (a repeat stays possible,
// only rarer). The start sound first throws away a random number of draws.
TEST(Sounds, ARepeatNeedsTwoDrawsOfTheSameVariant)
{
    SoundFiles files({"error.wav", "error2.wav", "error3.wav", "ok.wav", "hi.wav", "hi2.wav", "info.wav"});
    SoundFolder folder(files.dir.Dir());
    bSound = 1;
    win::headless::Script script;
    useDraws({0});
    playErrorSound();  // nothing plays before the sets are counted
    EXPECT_TRUE(script.lines().empty());
    EXPECT_EQ(nDrawsTaken, 0u);
    countSoundFiles();

    struct Play {
        std::vector<int> draws;
        const char* szFile;
    } plays[] = {
        {{4}, "error2.wav"},     // 4 mod 3 = 1: variant 2, nothing played before
        {{7, 2}, "error3.wav"},  // 1 again: the second draw decides
        {{5, 8}, "error3.wav"},  // 2 again, and the second draw gives 2 as well
        {{0}, "error.wav"},
        {{3, 1}, "error2.wav"},
    };
    for (const Play& p : plays) {
        useDraws(p.draws);
        playErrorSound();
        EXPECT_EQ(nDrawsTaken, p.draws.size()) << p.szFile;
        EXPECT_EQ(script.lines().back(), played(p.szFile));
    }

    // The start sound: while the pass number is at most a fresh draw mod 10,
    // one draw is thrown away (2 and 5 let two passes through, 10 ends it),
    // then the variant is drawn: 4 mod 2 = 0.
    useDraws({12, 1, 15, 1, 10, 4});
    playHiSound();
    EXPECT_EQ(nDrawsTaken, 6u);
    EXPECT_EQ(script.lines().back(), played("hi.wav"));

    // The info sound now and then: a draw of 9 gives (9 + 1) / 100 = 0.1, within
    // the chance of 0.2; 50 gives 0.51, beyond it.
    size_t nLines = script.lines().size();
    useDraws({50});
    maybePlayInfoSound();
    EXPECT_EQ(script.lines().size(), nLines);
    useDraws({9, 0});
    maybePlayInfoSound();
    EXPECT_EQ(script.lines().back(), played("info.wav"));

    // One variant: always that one. A set without files still names its
    // base file (silent); with the preference off nothing plays at all.
    for (int i = 0; i < 3; i++) {
        useDraws({i, i});
        playOkSound();
        EXPECT_EQ(script.lines().back(), played("ok.wav"));
    }
    playBeerSound();
    EXPECT_EQ(script.lines().back(), played("beer.wav"));
    nLines = script.lines().size();
    bSound = 0;
    playErrorSound();
    playByeSound();
    EXPECT_EQ(script.lines().size(), nLines);
    setSoundDraws(nullptr);
}

// The build makes the sound folder beside the program: every set has its base
// file, error, info and ok have variants, and each file is a short, audible,
// unclipped 16-bit mono wave of its own that fades out instead of clicking.
TEST(Sounds, TheProgramShipsItsOwnSoundFiles)
{
    fs::path dir = fs::path(soundtest::programDirectory()) / "sounds";
    SoundFolder folder(dir.string());
    countSoundFiles();
    for (int i = 0; i < SOUND_SET_COUNT; i++) EXPECT_GE(soundVariantCount(TSoundSet(i)), 1) << i;
    for (TSoundSet s : {SOUND_ERROR, SOUND_INFO, SOUND_OK}) EXPECT_GE(soundVariantCount(s), 2) << s;

    std::vector<std::vector<int16_t>> all;
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
        std::FILE* f = std::fopen(e.path().string().c_str(), "rb");
        unsigned char h[44];
        ASSERT_EQ(std::fread(h, 1, 44, f), 44u);
        std::vector<int16_t> v(size_t(e.file_size() - 44) / 2);
        ASSERT_EQ(std::fread(v.data(), 2, v.size(), f), v.size());
        std::fclose(f);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(h), 4) + std::string(reinterpret_cast<char*>(h) + 8, 8),
                  "RIFFWAVEfmt ");
        EXPECT_EQ(h[20] | h[22] << 4 | h[34] << 8, 1 | 1 << 4 | 16 << 8);  // PCM, mono, 16 bits
        int nRate = h[24] | h[25] << 8 | h[26] << 16;
        EXPECT_GT(v.size(), size_t(nRate) / 20) << e.path();
        EXPECT_LT(v.size(), size_t(nRate)) << e.path();
        int nPeak = 0;
        for (int16_t s : v) nPeak = std::max(nPeak, std::abs(int(s)));
        EXPECT_GT(nPeak, 3000) << e.path();
        EXPECT_LT(nPeak, 32000) << e.path();
        EXPECT_LT(std::abs(int(v.back())), 200) << e.path();
        for (const std::vector<int16_t>& other : all) EXPECT_NE(other, v) << e.path();
        all.push_back(v);
    }
    EXPECT_GE(all.size(), 11u);
}
