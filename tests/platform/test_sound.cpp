// Sounds: wave files read, played without blocking, and played to their end.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>

#include "platform/services.h"

using namespace win;

namespace {

void put16(std::string& s, uint16_t v)
{
    s += char(v & 0xff);
    s += char(v >> 8);
}

void put32(std::string& s, uint32_t v)
{
    put16(s, uint16_t(v & 0xffff));
    put16(s, uint16_t(v >> 16));
}

// A silent wave file: frames of the given channels and bits at the rate.
std::string writeWave(const std::string& name, int rate, int channels, int bits, int frames, bool extensible = false)
{
    std::string data(size_t(frames) * size_t(channels) * size_t(bits / 8), '\0');
    std::string fmt;
    put16(fmt, extensible ? 0xFFFE : 1);
    put16(fmt, uint16_t(channels));
    put32(fmt, uint32_t(rate));
    put32(fmt, uint32_t(rate * channels * bits / 8));
    put16(fmt, uint16_t(channels * bits / 8));
    put16(fmt, uint16_t(bits));
    if (extensible) {
        put16(fmt, 22);
        put16(fmt, uint16_t(bits));
        put32(fmt, 0);
        put16(fmt, 1);  // the sub-format: PCM
        fmt += std::string(14, '\x01');
    }
    std::string riff = "WAVE";
    riff += "fmt ";
    put32(riff, uint32_t(fmt.size()));
    riff += fmt;
    riff += "LIST";  // a chunk of no interest
    put32(riff, 3);
    riff += "abc";
    riff += '\0';  // padding of the odd chunk
    riff += "data";
    put32(riff, uint32_t(data.size()));
    riff += data;
    std::string file = "RIFF";
    put32(file, uint32_t(riff.size()));
    file += riff;
    std::string path = workingFolder() + name;
    std::ofstream(path, std::ios::binary) << file;
    return path;
}

double secondsSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

TEST(Sound, WaveFilesAreReadWhateverTheirLayout)
{
    detail::WaveData w;
    ASSERT_TRUE(detail::readWaveFile(writeWave("a.wav", 8000, 1, 16, 2000), &w));
    EXPECT_EQ(w.nRate, 8000);
    EXPECT_DOUBLE_EQ(w.seconds(), 0.25);
    ASSERT_TRUE(detail::readWaveFile(writeWave("b.wav", 44100, 2, 24, 22050, true), &w));
    EXPECT_EQ(w.nChannels, 2);
    EXPECT_EQ(w.nBits, 24);
    EXPECT_FALSE(w.bFloat);
    EXPECT_DOUBLE_EQ(w.seconds(), 0.5);
    std::ofstream(workingFolder() + "text.wav") << "not a wave file at all";
    EXPECT_FALSE(detail::readWaveFile(workingFolder() + "text.wav", &w));
    EXPECT_FALSE(detail::readWaveFile(workingFolder() + "missing.wav", &w));
}

TEST(Sound, HeadlessASoundIsRecordedAndTheGoodbyeSoundTakesItsTime)
{
    std::string bye = writeWave("bye.wav", 8000, 1, 16, 2000);  // 0.25 s
    DWORD t0 = headless::virtualTime();
    EXPECT_TRUE(sndPlaySound(bye.c_str(), SND_ASYNC | SND_NODEFAULT));
    EXPECT_EQ(headless::virtualTime(), t0);  // returns at once
    EXPECT_TRUE(sndPlaySound(bye.c_str(), SND_NODEFAULT));
    EXPECT_EQ(headless::virtualTime(), t0 + 250);  // played to its end
    EXPECT_FALSE(sndPlaySound((workingFolder() + "error3.wav").c_str(), SND_ASYNC | SND_NODEFAULT));
    std::vector<std::string> expected = {"Sound \"bye.wav\" SND_ASYNC|SND_NODEFAULT",
                                         "Sound \"bye.wav\" SND_SYNC|SND_NODEFAULT",
                                         "Sound \"error3.wav\" SND_ASYNC|SND_NODEFAULT"};
    EXPECT_EQ(headless::transcript(), expected);
}

TEST(Sound, ThePlayerDoesNotBlockAsynchronouslyAndBlocksToTheEndOtherwise)
{
    // Whether this machine has a sound device or not (then silent, as long).
    std::string longer = writeWave("long.wav", 8000, 1, 16, 8000 * 3);
    std::string shorter = writeWave("short.wav", 8000, 1, 8, 8000 * 3 / 10);
    auto t = std::chrono::steady_clock::now();
    EXPECT_TRUE(detail::playWave(detail::SoundRequest{longer, true}));
    EXPECT_LT(secondsSince(t), 1.0);
    // A new sound cuts off the one playing, and plays to its end.
    t = std::chrono::steady_clock::now();
    EXPECT_TRUE(detail::playWave(detail::SoundRequest{shorter, false}));
    double took = secondsSince(t);
    EXPECT_GE(took, 0.29);
    EXPECT_LT(took, 2.5);
    EXPECT_TRUE(detail::playWave(detail::SoundRequest{longer, true}));
    t = std::chrono::steady_clock::now();
    EXPECT_TRUE(detail::playWave(detail::SoundRequest{std::string(), false}));  // stop
    EXPECT_LT(secondsSince(t), 1.0);
}
