// The error box of the numerical code and of every routine that fails deep
// inside a computation.
#pragma once

#include <string>
#include <vector>

// Error sound, then an ownerless OK box titled "Error" with the text. With a
// non-zero fatal flag the goodbye sound plays to its end and the quit request
// is posted; the caller still runs on until control gets back to the message
// loop. Returns the box's result. On a worker thread the message is kept
// for showDeferredErrorMessages (numerics/error_stop.h) instead.
int showErrorMessage(const char* text, int fatal);

// The texts shown since the last clear (most recent last) and the number of
// quit requests made by fatal boxes; tests read them.
const std::vector<std::string>& shownErrorMessages();
int errorBoxQuitRequests();
void clearShownErrorMessages();
