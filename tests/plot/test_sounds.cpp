// Sound sets: variant names and counting, and the project's own wave files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "platform/win.h"
#include "plot/sound_folder.h"
#include "plot/sounds.h"

namespace fs = std::filesystem;

using soundtest::pSoundNames;
using soundtest::programDirectory;
using soundtest::SoundFolder;

namespace {

void touch(const fs::path& p)
{
    std::FILE* f = std::fopen(p.string().c_str(), "wb");
    std::fputs("RIFF", f);
    std::fclose(f);
}

struct TWave {
    int nChannels = 0, nRate = 0, nBits = 0;
    std::vector<int16_t> samples;
};

bool readWave(const std::string& szPath, TWave& w)
{
    std::FILE* f = std::fopen(szPath.c_str(), "rb");
    if (!f) return false;
    std::vector<unsigned char> b;
    int c;
    while ((c = std::fgetc(f)) != EOF) b.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    auto u32 = [&](size_t i) { return uint32_t(b[i]) | uint32_t(b[i + 1]) << 8 | uint32_t(b[i + 2]) << 16 | uint32_t(b[i + 3]) << 24; };
    auto u16 = [&](size_t i) { return uint32_t(b[i]) | uint32_t(b[i + 1]) << 8; };
    if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVEfmt ", 8)) return false;
    if (u32(4) != b.size() - 8 || u16(20) != 1) return false;
    w.nChannels = int(u16(22));
    w.nRate = int(u32(24));
    w.nBits = int(u16(34));
    if (std::memcmp(b.data() + 36, "data", 4) || u32(40) != b.size() - 44) return false;
    for (size_t i = 44; i + 1 < b.size(); i += 2) w.samples.push_back(int16_t(u16(i)));
    return true;
}

}  // namespace

TEST(Sounds, VariantNamesAndCounting)
{
    EXPECT_STREQ(soundVariantFileName("c:\\morvex\\sounds\\error.wav", 3), "c:\\morvex\\sounds\\error3.wav");
    EXPECT_STREQ(soundVariantFileName("/opt/m/sounds/ok.wav", 12), "/opt/m/sounds/ok12.wav");
    EXPECT_STREQ(soundVariantFileName("/opt/m/sounds/ok.wav", 1), "/opt/m/sounds/ok.wav");
    EXPECT_STREQ(soundVariantFileName("/opt/m/sounds/ok.wav", 0), "/opt/m/sounds/ok.wav");
    EXPECT_EQ(soundVariantFileName("", 2), nullptr);
    // A name that would not fit the 260-character buffer is no file.
    std::string szLong = "/" + std::string(250, 'd') + "/error.wav";
    EXPECT_EQ(soundVariantFileName(szLong.c_str(), 2), nullptr);

    fs::path dir = fs::path(win::workingFolder()) / "sounds";
    fs::create_directories(dir);
    for (const char* sz : {"error.wav", "error2.wav", "error4.wav", "info.wav", "ok2.wav", "bye.wav", "bye2.wav",
                           "bye3.wav"})
        touch(dir / sz);
    SoundFolder folder(dir.string());
    unsigned char bSaved = bSound;
    bSound = 0;  // counting does not depend on the preference
    countSoundFiles();
    bSound = bSaved;
    EXPECT_EQ(soundVariantCount(SOUND_ERROR), 2);  // error4.wav follows a gap
    EXPECT_EQ(soundVariantCount(SOUND_INFO), 1);
    EXPECT_EQ(soundVariantCount(SOUND_OK), 0);     // no base file
    EXPECT_EQ(soundVariantCount(SOUND_BYE), 3);
    EXPECT_EQ(soundVariantCount(SOUND_HI), 0);
    fs::remove_all(dir);
}

// The build makes the sound folder beside the program: every set has its
// base file, error, info and ok have variants, and each file is a short,
// audible, unclipped mono wave that fades out instead of ending in a click.
TEST(Sounds, TheProgramShipsItsOwnSoundFiles)
{
    fs::path dir = fs::path(programDirectory()) / "sounds";
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    SoundFolder folder(dir.string());
    countSoundFiles();
    for (int i = 0; i < SOUND_SET_COUNT; i++) EXPECT_GE(soundVariantCount(TSoundSet(i)), 1) << pSoundNames[i];
    for (TSoundSet s : {SOUND_ERROR, SOUND_INFO, SOUND_OK}) EXPECT_GE(soundVariantCount(s), 2) << pSoundNames[s];

    std::vector<std::vector<int16_t>> all;
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
        TWave w;
        ASSERT_TRUE(readWave(e.path().string(), w)) << e.path();
        EXPECT_EQ(w.nChannels, 1);
        EXPECT_EQ(w.nBits, 16);
        double dSeconds = double(w.samples.size()) / w.nRate;
        EXPECT_GT(dSeconds, 0.05) << e.path();
        EXPECT_LT(dSeconds, 1.0) << e.path();
        int nPeak = 0;
        for (int16_t v : w.samples) nPeak = std::max(nPeak, std::abs(int(v)));
        EXPECT_GT(nPeak, 3000) << e.path();
        EXPECT_LT(nPeak, 32000) << e.path();
        EXPECT_LT(std::abs(int(w.samples.back())), 200) << e.path();
        for (const std::vector<int16_t>& other : all) EXPECT_NE(other, w.samples) << e.path();
        all.push_back(w.samples);
    }
    EXPECT_GE(all.size(), 11u);
}

// Which variant plays: the first draw of rand() % count after seeding with
// the time in seconds, or a second draw when the first repeats the variant
// played last (so a repeat is still possible, only rarer).
TEST(Sounds, ARepeatNeedsTwoDrawsOfTheSameVariant)
{
    fs::path dir = fs::path(win::workingFolder()) / "sounds";
    fs::create_directories(dir);
    for (const char* sz : {"error.wav", "error2.wav", "error3.wav", "ok.wav"}) touch(dir / sz);
    SoundFolder folder(dir.string());
    bSound = 1;
    countSoundFiles();
    ASSERT_EQ(soundVariantCount(SOUND_ERROR), 3);

    win::headless::Script script;
    int nLast = -1, nPlays = 0;
    while (nPlays < 12) {
        std::time_t t = std::time(nullptr);
        size_t nLines = script.lines().size();
        playErrorSound();
        if (std::time(nullptr) != t) {  // the seed's second changed meanwhile: try again
            nLast = -1;
            releaseSoundFiles();
            countSoundFiles();
            continue;
        }
        std::srand(unsigned(t));
        int nFirst = std::rand() % 3, nSecond = std::rand() % 3;
        int nExpected = nFirst == nLast ? nSecond : nFirst;
        ASSERT_EQ(script.lines().size(), nLines + 1);
        std::string szName = nExpected == 0 ? "error.wav" : "error" + std::to_string(nExpected + 1) + ".wav";
        EXPECT_EQ(script.lines().back(), "Sound \"" + szName + "\" SND_ASYNC|SND_NODEFAULT");
        nLast = nExpected;
        nPlays++;
    }

    // One variant: always that one.
    for (int i = 0; i < 3; i++) playOkSound();
    EXPECT_EQ(script.lines().back(), "Sound \"ok.wav\" SND_ASYNC|SND_NODEFAULT");

    // A set without files still names its base file (silent: no such file);
    // with the preference off nothing is played at all.
    playBeerSound();
    EXPECT_EQ(script.lines().back(), "Sound \"beer.wav\" SND_ASYNC|SND_NODEFAULT");
    size_t nLines = script.lines().size();
    bSound = 0;
    playErrorSound();
    playByeSound();
    maybePlayInfoSound();
    EXPECT_EQ(script.lines().size(), nLines);
    fs::remove_all(dir);
}

// Nothing plays before the sets are counted at start-up.
TEST(Sounds, SilentUntilCounted)
{
    SoundFolder folder(programDirectory() + "/sounds");
    bSound = 1;
    win::headless::Script script;
    playHiSound();
    playErrorSound();
    EXPECT_TRUE(script.lines().empty());
    countSoundFiles();
    playHiSound();
    ASSERT_EQ(script.lines().size(), 1u);
    EXPECT_EQ(script.lines()[0], "Sound \"hi.wav\" SND_ASYNC|SND_NODEFAULT");
}
