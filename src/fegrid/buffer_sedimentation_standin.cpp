// The s and D of the buffer signal, until the buffer sedimentation is part of
// the program: buffer mismatch cannot be switched on.
#include "fegrid/buffer_sedimentation.h"

double dBufferS = 0.0;
double dBufferD = 1.0;
double dBufferMb = 60.0;
unsigned char bBufferSignalInSample = 1;
unsigned char bBufferSignalInReference = 0;
double dBufferSignalSign = 1.0;
unsigned char bBufferMismatchSubtracted = 0;
unsigned char bBufferMeniscusMismatch = 0;
double dBufferMeniscusDiff = 0.1;
double dBufferRelConc = 1.0;
unsigned char bBufferRefDifferent = 0;
double dBufferRefD = 200.0;
double dBufferRefMb = 100.0;
double dBufferRefS = 0.1;
unsigned char bFitBufferD = 0;
unsigned char bFitBufferS = 0;
unsigned char bFitBufferMeniscusDiff = 0;
unsigned char bFitBufferRelConc = 0;
unsigned char bFitBufferRefD = 0;
unsigned char bFitBufferRefS = 0;
