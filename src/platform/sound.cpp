// Sounds: wave files read here and played through ALSA's default device;
// silent, but as long, where there is no device. Headless, a sound is only
// recorded, and a sound played to its end moves the virtual clock by its
// length.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/services.h"

namespace win {
namespace detail {

namespace {

uint32_t le32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t le16(const unsigned char* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

void silentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

// The one sound playing asynchronously; a new one stops it first, and so
// does the end of the program.
std::atomic<bool> gStop{false};
struct Player {
    std::mutex lock;
    std::thread thread;
    ~Player()
    {
        gStop = true;
        if (thread.joinable()) thread.join();
    }
} gPlayer;

void stopPlaying()
{
    std::lock_guard<std::mutex> g(gPlayer.lock);
    gStop = true;
    if (gPlayer.thread.joinable()) gPlayer.thread.join();
    gStop = false;
}

// Waits the length of the sound, as a device would take to play it.
void playSilently(const WaveData& w)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(w.seconds());
    while (!gStop && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void playOnDevice(const WaveData& w)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(silentAlsaErrors); });
    snd_pcm_t* pcm = nullptr;
    snd_pcm_format_t format = w.bFloat          ? SND_PCM_FORMAT_FLOAT_LE
                              : w.nBits == 8    ? SND_PCM_FORMAT_U8
                              : w.nBits == 16   ? SND_PCM_FORMAT_S16_LE
                              : w.nBits == 24   ? SND_PCM_FORMAT_S24_3LE
                                                : SND_PCM_FORMAT_S32_LE;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        playSilently(w);
        return;
    }
    snd_pcm_nonblock(pcm, 0);
    if (snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, unsigned(w.nChannels), unsigned(w.nRate), 1,
                           100000) < 0) {
        snd_pcm_close(pcm);
        playSilently(w);
        return;
    }
    size_t frameBytes = size_t(w.nChannels) * size_t(w.nBits / 8);
    size_t frames = w.samples.size() / frameBytes;
    size_t chunk = std::max<size_t>(1, size_t(w.nRate) / 50);  // 20 ms, so a stop is heard at once
    size_t at = 0;
    while (at < frames && !gStop) {
        size_t n = std::min(chunk, frames - at);
        snd_pcm_sframes_t done = snd_pcm_writei(pcm, w.samples.data() + at * frameBytes, n);
        if (done < 0) done = snd_pcm_recover(pcm, int(done), 1);
        if (done < 0) break;
        at += size_t(done);
    }
    if (gStop)
        snd_pcm_drop(pcm);
    else
        snd_pcm_drain(pcm);
    snd_pcm_close(pcm);
}

}  // namespace

double WaveData::seconds() const
{
    size_t frameBytes = size_t(nChannels) * size_t(nBits / 8);
    if (!frameBytes || nRate <= 0) return 0;
    return double(samples.size() / frameBytes) / nRate;
}

bool readWaveFile(const std::string& path, WaveData* out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return false;
    WaveData w;
    bool haveFormat = false, haveData = false;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        uint32_t size = le32(&b[at + 4]);
        const unsigned char* body = &b[at + 8];
        size_t avail = std::min<size_t>(size, b.size() - at - 8);  // a cut file plays what is there
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && avail >= 16) {
            uint16_t tag = le16(body);
            if (tag == 0xFFFE && avail >= 26) tag = le16(body + 24);  // extensible: the sub-format
            w.nChannels = le16(body + 2);
            w.nRate = int(le32(body + 4));
            w.nBits = le16(body + 14);
            w.bFloat = tag == 3;
            haveFormat = (tag == 1 && (w.nBits == 8 || w.nBits == 16 || w.nBits == 24 || w.nBits == 32)) ||
                         (tag == 3 && w.nBits == 32);
            if (!haveFormat) return false;
        } else if (std::memcmp(&b[at], "data", 4) == 0) {
            w.samples.assign(body, body + avail);
            haveData = true;
        }
        at += 8 + size_t(size) + (size & 1);
    }
    if (!haveFormat || !haveData || w.nChannels < 1 || w.nChannels > 8 || w.nRate < 1000 || w.nRate > 384000)
        return false;
    *out = std::move(w);
    return true;
}

bool playWave(const SoundRequest& s)
{
    stopPlaying();
    if (s.path.empty()) return true;
    auto w = std::make_shared<WaveData>();
    if (!readWaveFile(s.path, w.get())) return false;
    if (!s.bAsync) {
        playOnDevice(*w);
        return true;
    }
    std::lock_guard<std::mutex> g(gPlayer.lock);
    gPlayer.thread = std::thread([w] { playOnDevice(*w); });
    return true;
}

bool headlessPlaySound(const SoundRequest& s)
{
    if (s.path.empty()) return true;
    WaveData w;
    if (!readWaveFile(s.path, &w)) return false;
    // Played to its end: the virtual clock moves by the sound's length.
    if (!s.bAsync) headless::advanceTime(DWORD(std::lround(w.seconds() * 1000.0)));
    return true;
}

bool Backend::playSound(const SoundRequest& s)
{
    return playWave(s);
}

}  // namespace detail

BOOL sndPlaySound(LPCSTR lpszSound, UINT fuSound)
{
    detail::SoundRequest r;
    r.bAsync = (fuSound & SND_ASYNC) != 0;
    std::string flags = std::string(r.bAsync ? "SND_ASYNC" : "SND_SYNC") + ((fuSound & SND_NODEFAULT) ? "|SND_NODEFAULT" : "");
    if (!lpszSound) {
        headless::transcribe("Sound stop");
        detail::backend().playSound(r);
        return TRUE;
    }
    r.path = mapPath(lpszSound);
    std::string name = r.path.substr(r.path.find_last_of('/') + 1);
    headless::transcribe("Sound " + headless::quote(name) + " " + flags);
    return detail::backend().playSound(r) ? TRUE : FALSE;
}

}  // namespace win
