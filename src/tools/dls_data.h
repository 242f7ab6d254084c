// Light-scattering data in the scan data set.
#pragma once

// Header of one light-scattering record (filled by the light-scattering loader).
struct DlsScanHeader {
    char title[100] = {};
    float temperature = 20.0f;  // degrees Celsius
    double measurementTime = 0.0;
    float countRate = 0.0f;
    float refractiveIndex = 0.0f;
    float viscosity = 0.0f;     // poise
    float angle = 0.0f;         // degrees
    float wavelength = 0.0f;    // m
    int nPoints = 0;
    unsigned char fieldAcf = 0;
};

// Frees pDlsHeaders and sets it to null.
void freeDlsScanHeaders();

// The records hold the field autocorrelation (else the intensity one).
extern unsigned char bDlsFieldAcf;
// Writes one light-scattering data file of n points (one-based arrays).
void writeDlsDatSet(const char* szPath, int n, const float* pX, const float* pY, const char* szTitle,
                    const DlsScanHeader* pHeader);
