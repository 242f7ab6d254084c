// Test helpers for the sound sets: the eight base paths pointed into a
// folder, as start-up does with the program's "sounds" folder.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "plot/sounds.h"

namespace soundtest {

inline char* const pSoundPaths[SOUND_SET_COUNT] = {szSoundError,   szSoundBeer, szSoundInfo, szSoundQuestion,
                                                   szSoundFitDone, szSoundHi,   szSoundBye,  szSoundOk};
inline const char* const pSoundNames[SOUND_SET_COUNT] = {"error", "beer", "info", "question",
                                                         "fitdone", "hi", "bye", "ok"};

// Sets the paths (a backslash before the file name, as the system spells them);
// puts paths, counts and the preference back afterwards.
class SoundFolder {
public:
    explicit SoundFolder(const std::string& szFolder) : bSavedSound(bSound)
    {
        for (int i = 0; i < SOUND_SET_COUNT; i++) {
            saved.emplace_back(pSoundPaths[i]);
            std::snprintf(pSoundPaths[i], 260, "%s\\%s.wav", szFolder.c_str(), pSoundNames[i]);
        }
    }
    ~SoundFolder()
    {
        releaseSoundFiles();
        bSound = bSavedSound;
        for (int i = 0; i < SOUND_SET_COUNT; i++) std::snprintf(pSoundPaths[i], 260, "%s", saved[size_t(i)].c_str());
    }

private:
    unsigned char bSavedSound;
    std::vector<std::string> saved;
};

// The folder of the running test program, where the build puts "sounds".
inline std::string programDirectory()
{
    char sz[4096];
    ssize_t n = readlink("/proc/self/exe", sz, sizeof sz - 1);
    if (n <= 0) return "";
    sz[n] = '\0';
    return std::filesystem::path(sz).parent_path().string();
}

}  // namespace soundtest
