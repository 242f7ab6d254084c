// A time limit for tests of computations that must end by themselves (a fit
// on exact data, a propagation that stalls): the work runs on the calling
// thread while a watchdog waits; when the limit passes, the watchdog calls
// stop() every 50 ms (setting a stop flag as a key press would) until the
// work returns, so a hang fails the test instead of blocking the suite.
#pragma once

#include <functional>

// True when the work returned within the limit (seconds of wall time).
bool endsWithin(double dSeconds, const std::function<void()>& work, const std::function<void()>& stop);
