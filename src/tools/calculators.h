// Calculators of the side tools that the models call.
#pragma once

// Reads (s, M) calibration pairs from a text file, fits log s against log M
// and sets the constants of the scaling law; false on failure.
bool calibrateCMPowerLaw();
