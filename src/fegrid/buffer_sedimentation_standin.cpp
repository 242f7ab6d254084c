// The s and D of the buffer signal, until the buffer sedimentation is part of
// the program: buffer mismatch cannot be switched on.
#include "fegrid/buffer_sedimentation.h"

double dBufferS = 0.0;
double dBufferD = 1.0;
