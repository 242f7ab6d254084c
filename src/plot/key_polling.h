// Keyboard polling for long computations on the user-interface thread, and
// the busy wait between animation frames.
//
// All of these read the user-interface thread's queue: worker threads never
// call them (on a worker the queue always looks empty).
#pragma once

#include <atomic>

namespace win {
class TWindow;
}

// The program-wide stop flag of long computations. Loops that see a key from
// keyPressed() set it; the computations test it and finish early; a command
// that starts a computation clears it first. Worker threads read and write it.
extern std::atomic<unsigned char> bInterruptComputation;

// Removes the next queued message without dispatching it; true when it was a
// key press (the key is then consumed up to its release).
bool keyPressed();

// The realtime update's tick: true when a key message of the window was
// waiting (one is removed) or bAbortRequested was set; clears
// bAbortRequested. A null window gives false.
bool checkUserInterrupt(win::TWindow* window);

// keyPressed() limited to the window's messages; a null window gives false.
bool windowKeyPressed(win::TWindow* window);

// Spins for up to the given seconds; true as soon as the window's next
// message is a key press (left in the queue). False at once for s <= 0.
bool waitForKeyOrTimeout(win::TWindow* window, float fSeconds);

// Takes the next message; when it is a key press, stores the key's character
// (0 for a key that types none) and consumes the key up to its release.
// False when the next message was not a key press (it is lost).
bool readKeyChar(int* pnCode);

// Takes the window's next message; when it is a key press, writes its
// character code at (5, 5) of the window and returns it (0 for a key that
// types none); -1 when no key press was waiting.
int readKeyAndEcho(win::TWindow* window);

// Waits for the window's next key press and returns its character as
// readKeyAndEcho does (echoed at (5, 5)); -1 when no input can come any more
// (headless: the script has run dry) or the window is closing (its close
// request and the quit request stay queued). Other windows' messages are
// lost while it waits, as every poll during a computation loses them.
int waitForKeyAndEcho(win::TWindow* window);
// A close request or the quit request waits in the queue.
bool windowCloseQueued();

// Busy wait on the millisecond clock; messages are not processed. Nothing
// at all for 0, negative or NaN seconds, or less than a whole millisecond.
void waitSeconds(float fSeconds);
