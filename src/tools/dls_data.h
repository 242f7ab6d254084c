// Light-scattering data in the scan data set.
#pragma once

// Header of one light-scattering record (filled by the light-scattering loader).
struct DlsScanHeader {};

// Frees pDlsHeaders and sets it to null.
void freeDlsScanHeaders();
