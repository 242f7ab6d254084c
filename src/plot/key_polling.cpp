#include "plot/key_polling.h"

std::atomic<unsigned char> bInterruptComputation{0};

// The message queue of the window layer is not connected yet: nothing can be
// waiting, so no key was pressed.
bool keyPressed()
{
    return false;
}
