// Keyboard polling for long computations on the user-interface thread.
#pragma once

#include <atomic>

// The program-wide stop flag of long computations. Loops that see a key from
// keyPressed() set it; the computations test it and finish early; a command
// that starts a computation clears it first. Worker threads read and write it.
extern std::atomic<unsigned char> bInterruptComputation;

// Removes the next queued message without dispatching it; true when it was a
// key press (the key is then consumed up to its release).
bool keyPressed();
