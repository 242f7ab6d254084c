// The buffer sedimentation and the equilibrium signals per scan, until those
// models are part of the program: buffer mismatch cannot be switched on, so
// no buffer signal is simulated, and the distribution run refuses equilibrium
// data before it would ask for their signals.
#include "app/xla_window.h"
#include "fegrid/buffer_sedimentation.h"

double dBufferS = 0.0;
double dBufferD = 1.0;

void calcSpeciesSignalsPerScan(float, int, float) {}
void TXLAWindow::SimulateBufferSignal() {}
