// Mouse sliding: a marker line dragged sideways and let go while the mouse
// still moves keeps sliding, slows down and stops, bouncing at or settling
// on the ends of its range. The mouse handlers record the recent positions;
// on release the sliding is computed as a list of positions and step times
// that the window plays as an animation.
#pragma once

// While non-zero (the default) nothing is recorded or computed.
extern unsigned char bMouseSlidingOff;
// Non-zero (the default): a line that hits an end of its range is pulled
// back onto it and settles there; zero: it bounces off and slides on.
extern unsigned char bMouseBounceMode;

// Keeps the position with the time of the millisecond clock; the 8 most
// recent are kept.
void recordMousePoint(int x, int y);
void resetMousePoints();

// The x velocity (pixels per second) at the last recorded point, from a
// quadratic fit of x over time; 0 with fewer than 2 points, when the points
// span more than 0.3 s or when they carry no usable timing (all at once).
float mouseSpeed();

// The sliding from the release speed: *ppnPositions[1..*pnCount] and
// *ppfTimes[1..*pnCount] (seconds to wait before each position; the first is
// the start at time 0), never outside [nLow, nHigh] when the start is inside.
// The caller releases them with free_ivector and free_vector. Returns 1;
// 0 with null lists and count 0 when the speed is 0; 0 with the outputs
// untouched while sliding is off.
int evaluateMouseGesture(int** ppnPositions, float** ppfTimes, int* pnCount, int nLow, int nHigh, int nStart);
