// Sound effects: eight sets of wave files in the "sounds" folder beside the
// program, each a base file ("error.wav") with optional numbered variants
// ("error2.wav", "error3.wav", ...). Each play picks a random variant, asks
// for a different one once when the draw repeats the previous one, and plays
// it while the preference bSound is on: asynchronously (a new sound cuts the
// one playing off), except the goodbye sound, which plays to its end.
//
// The base paths are the main window's szSound... buffers, filled at
// start-up; the variants are counted once, by countSoundFiles, and no sound
// plays before that. User-interface thread only.
#pragma once

// The sets in the order in which their variants are counted.
enum TSoundSet {
    SOUND_ERROR = 0,
    SOUND_BEER,
    SOUND_INFO,
    SOUND_QUESTION,
    SOUND_FITDONE,
    SOUND_HI,
    SOUND_BYE,
    SOUND_OK,
    SOUND_SET_COUNT
};

// The chance with which maybePlayInfoSound plays (0.2).
extern float fInfoSoundChance;

// The file of variant k of a set, in a buffer shared by all calls: the base
// path for k <= 1, otherwise the number k appended to the base name
// ("...\sounds\error.wav", 3 -> "...\sounds\error3.wav"). Null for an empty
// base path or a name that does not fit 260 characters.
const char* soundVariantFileName(const char* szBase, int k);

// Counts each set's variants: 1, 2, 3, ... as long as each file can be opened
// (so with error.wav, error2.wav and error4.wav the error set has 2). Seeds
// the random generator and enables playing. Called once at start-up; the
// sound preference does not matter here.
void countSoundFiles();
// Variants found for the set (0 before counting or when no file exists).
int soundVariantCount(TSoundSet nSet);
// Disables playing until the next count (the program's end; tests).
void releaseSoundFiles();
// Where the draws come from: the C library's rand(), seeded with the time in
// seconds before every play (null, the default), or a test's own draws.
void setSoundDraws(int (*draw)());

// Play a file while bSound is on, without waiting / until it has ended; a
// missing file is silent.
void playSoundIfEnabled(const char* szFile);
void playSoundSyncIfEnabled(const char* szFile);

void playErrorSound();
void playBeerSound();
void playInfoSound();
void playQuestionSound();
void playFitDoneSound();
void playHiSound();
void playOkSound();
// Synchronous: returns when the sound has ended.
void playByeSound();

// Plays the info sound with the chance fInfoSoundChance.
void maybePlayInfoSound();

// Does nothing; a place where a sound once was.
void noOperation();
