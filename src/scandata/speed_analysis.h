// What the scans' rotor speeds tell about the run.
#pragma once

#include "scandata/scan_header.h"

// True when some scan's speed differs from scan 1's by 10 rpm or more. Then
// *pbChanges tells whether the speeds change in steps that only rise with
// time, and *pbApproach whether the scans look like an approach to
// equilibrium (low-speed scans late in the run, other cells or wavelengths).
bool analyseScanSpeeds(int n, const ScanHeader* pHeaders, unsigned char* pbApproach,
                       unsigned char* pbChanges);

// True when some scan i >= 2 differs from scan 1 by 10 rpm or more.
bool scansHaveVariableSpeed(int n, const ScanHeader* pHeaders);
