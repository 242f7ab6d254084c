// Sounds: wave files played asynchronously or to their end.
#pragma once

#include "platform/win_types.h"

namespace win {

inline constexpr UINT SND_SYNC = 0x0000;
inline constexpr UINT SND_ASYNC = 0x0001;
inline constexpr UINT SND_NODEFAULT = 0x0002;

// Plays a wave file: SND_ASYNC returns at once, otherwise the call returns
// when the sound has ended. A new sound cuts off the one playing; a null name
// stops it. Without a sound device the sound is silent but lasts as long.
// FALSE when the file is missing or no wave file (there is no default sound
// to play instead).
BOOL sndPlaySound(LPCSTR lpszSound, UINT fuSound);
inline BOOL sndPlaySoundA(LPCSTR s, UINT f) { return sndPlaySound(s, f); }

}  // namespace win
