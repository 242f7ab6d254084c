#include "plot/sounds.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/app_globals.h"
#include "platform/win.h"

float fInfoSoundChance = 0.2f;

namespace {

struct TSoundSetState {
    char* szBase;
    int nCount;        // variants found at start-up
    int nLastVariant;  // 0-based variant played last, -1 before the first
};

// In counting order.
TSoundSetState gSets[SOUND_SET_COUNT] = {
    {szSoundError, 0, -1},    {szSoundBeer, 0, -1}, {szSoundInfo, 0, -1}, {szSoundQuestion, 0, -1},
    {szSoundFitDone, 0, -1}, {szSoundHi, 0, -1},   {szSoundBye, 0, -1},  {szSoundOk, 0, -1},
};

// The shared name buffer; sounds play only once it is in use.
char szVariantName[260];
bool bNamesReady = false;

// The draws: the C library's generator, seeded with the time in seconds
// before every play, unless a test gives draws of its own. The unattended
// run seeds it with 1: its transcript names the sounds it played, and two
// runs of one parameter file leave the same results folder.
int (*pTestDraw)() = nullptr;

void seedFromClock()
{
    if (!pTestDraw) std::srand(bBatchMode ? 1u : static_cast<unsigned>(std::time(nullptr)));
}

int nextDraw() { return pTestDraw ? pTestDraw() : std::rand(); }

int drawVariant(int nCount) { return nCount > 0 ? nextDraw() % nCount : 0; }

void playSet(TSoundSet nSet, bool bShuffleFirst, bool bSync)
{
    if (!bSound || !bNamesReady) return;
    TSoundSetState& s = gSets[nSet];
    seedFromClock();
    // The start sound stirs the generator a random number of times first.
    if (bShuffleFirst)
        for (int i = 1; i <= nextDraw() % 10; i++) drawVariant(s.nCount);
    int v = drawVariant(s.nCount);
    // One second draw only: the same variant can still come twice running.
    if (v == s.nLastVariant) v = drawVariant(s.nCount);
    s.nLastVariant = v;
    const char* szFile = soundVariantFileName(s.szBase, v + 1);
    if (!szFile) return;
    if (bSync)
        playSoundSyncIfEnabled(szFile);
    else
        playSoundIfEnabled(szFile);
}

}  // namespace

void setSoundDraws(int (*draw)()) { pTestDraw = draw; }

const char* soundVariantFileName(const char* szBase, int k)
{
    if (!szBase || !*szBase) return nullptr;
    if (k <= 1) {
        if (std::strlen(szBase) >= sizeof szVariantName) return nullptr;
        std::strcpy(szVariantName, szBase);
        return szVariantName;
    }
    char szDrive[win::_MAX_DRIVE], szDir[win::_MAX_DIR], szName[win::_MAX_FNAME], szExt[win::_MAX_EXT];
    if (std::strlen(szBase) >= sizeof szVariantName) return nullptr;
    win::_splitpath(szBase, szDrive, szDir, szName, szExt);
    char szNumbered[win::_MAX_FNAME + 16];
    std::snprintf(szNumbered, sizeof szNumbered, "%s%d", szName, k);
    // Joined in a roomy buffer first: a long name plus its number may not fit.
    char szJoined[win::_MAX_DRIVE + win::_MAX_DIR + win::_MAX_FNAME + win::_MAX_EXT + 32];
    win::_makepath(szJoined, szDrive, szDir, szNumbered, szExt);
    if (std::strlen(szJoined) >= sizeof szVariantName) return nullptr;
    std::strcpy(szVariantName, szJoined);
    return szVariantName;
}

void countSoundFiles()
{
    seedFromClock();
    bNamesReady = true;
    for (TSoundSetState& s : gSets) {
        int k = 1;
        for (;; k++) {
            const char* szFile = soundVariantFileName(s.szBase, k);
            if (!szFile) break;
            win::HFILE h = win::_lopen(szFile, win::OF_READ);
            if (h == win::HFILE_ERROR) break;
            win::_lclose(h);
        }
        s.nCount = k - 1;
        s.nLastVariant = -1;
    }
}

int soundVariantCount(TSoundSet nSet)
{
    return nSet >= 0 && nSet < SOUND_SET_COUNT ? gSets[nSet].nCount : 0;
}

void releaseSoundFiles()
{
    bNamesReady = false;
    for (TSoundSetState& s : gSets) {
        s.nCount = 0;
        s.nLastVariant = -1;
    }
}

void playSoundIfEnabled(const char* szFile)
{
    if (bSound) win::sndPlaySoundA(szFile, win::SND_ASYNC | win::SND_NODEFAULT);
}

void playSoundSyncIfEnabled(const char* szFile)
{
    if (bSound) win::sndPlaySoundA(szFile, win::SND_NODEFAULT);
}

void playErrorSound() { playSet(SOUND_ERROR, false, false); }
void playBeerSound() { playSet(SOUND_BEER, false, false); }
void playInfoSound() { playSet(SOUND_INFO, false, false); }
void playQuestionSound() { playSet(SOUND_QUESTION, false, false); }
void playFitDoneSound() { playSet(SOUND_FITDONE, false, false); }
void playHiSound() { playSet(SOUND_HI, true, false); }
void playOkSound() { playSet(SOUND_OK, false, false); }
void playByeSound() { playSet(SOUND_BYE, false, true); }

void maybePlayInfoSound()
{
    float fDraw = static_cast<float>((nextDraw() % 100) + 1) * 0.01f;
    if (fDraw <= fInfoSoundChance) playInfoSound();
}

void noOperation() {}
