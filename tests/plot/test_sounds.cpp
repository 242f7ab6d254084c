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

namespace fs = std::filesystem;
using soundtest::SoundFolder;

namespace {

// A folder of the test's own: tests run in parallel on one working folder.
fs::path soundsWithFiles(std::initializer_list<const char*> names)
{
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::path dir = fs::path(win::workingFolder()) / ("sounds_" + test);
    fs::create_directories(dir);
    for (const char* sz : names) std::fclose(std::fopen((dir / sz).string().c_str(), "wb"));
    return dir;
}

}  // namespace

TEST(Sounds, VariantNamesAndCounting)
{
    EXPECT_STREQ(soundVariantFileName("c:\\morvex\\sounds\\error.wav", 3), "c:\\morvex\\sounds\\error3.wav");
    // A name that would not fit the 260-character buffer is no file.
    std::string szLong = "/" + std::string(250, 'd') + "/error.wav";
    EXPECT_EQ(soundVariantFileName(szLong.c_str(), 2), nullptr);

    fs::path dir = soundsWithFiles({"error.wav", "error2.wav", "error4.wav", "info.wav", "ok2.wav", "bye.wav",
                                    "bye2.wav", "bye3.wav"});
    SoundFolder folder(dir.string());
    bSound = 0;  // counting does not depend on the preference
    countSoundFiles();
    EXPECT_EQ(soundVariantCount(SOUND_ERROR), 2);  // error4.wav follows a gap
    EXPECT_EQ(soundVariantCount(SOUND_OK), 0);  // no base file
    EXPECT_EQ(soundVariantCount(SOUND_BYE), 3);
    fs::remove_all(dir);
}

// Which variant plays: the first draw of rand() % count after seeding with
// the time in seconds, or a second draw when the first repeats the variant
// played last (so a repeat is still possible, only rarer).
TEST(Sounds, ARepeatNeedsTwoDrawsOfTheSameVariant)
{
    fs::path dir = soundsWithFiles({"error.wav", "error2.wav", "error3.wav", "ok.wav"});
    SoundFolder folder(dir.string());
    bSound = 1;
    win::headless::Script script;
    playErrorSound();  // nothing plays before the sets are counted
    EXPECT_TRUE(script.lines().empty());
    countSoundFiles();

    // The generator is seeded from the clock before every draw: with a clock
    // that stands still the draws can be repeated here.
    static unsigned nSecond = 1000;
    setSoundSeedClock([]() -> unsigned { return nSecond; });
    int nLast = -1;
    for (int nPlay = 0; nPlay < 12; nPlay++) {
        // Two plays per second: the second one draws the first's variant again
        // and must take the redraw.
        nSecond = 1000 + unsigned(nPlay / 2);
        playErrorSound();
        std::srand(nSecond);
        int nFirst = std::rand() % 3, nRedraw = std::rand() % 3;
        nLast = nFirst == nLast ? nRedraw : nFirst;
        std::string szName = nLast == 0 ? "error.wav" : "error" + std::to_string(nLast + 1) + ".wav";
        ASSERT_EQ(script.lines().back(), "Sound \"" + szName + "\" SND_ASYNC|SND_NODEFAULT") << nPlay;
    }
    setSoundSeedClock(nullptr);

    // One variant: always that one. A set without files still names its
    // base file (silent); with the preference off nothing plays at all.
    for (int i = 0; i < 3; i++) playOkSound();
    EXPECT_EQ(script.lines().back(), "Sound \"ok.wav\" SND_ASYNC|SND_NODEFAULT");
    playBeerSound();
    EXPECT_EQ(script.lines().back(), "Sound \"beer.wav\" SND_ASYNC|SND_NODEFAULT");
    size_t nLines = script.lines().size();
    bSound = 0;
    playErrorSound();
    playByeSound();
    EXPECT_EQ(script.lines().size(), nLines);
    fs::remove_all(dir);
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
