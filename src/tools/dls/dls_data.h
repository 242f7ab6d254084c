// Light-scattering data: the record of one measurement and the dlsdat file.
//
// A dynamic light-scattering measurement is one autocorrelation curve: the
// correlation value against the lag time. In the scan data set the lags (held
// as log10 of seconds) stand in the radius arrays, the values in the signal
// arrays, and one DlsScanHeader per measurement in pDlsHeaders (1..nScans).
//
// The dlsdat file, one measurement per file, lines ended by a line feed:
//   line 1   the title
//   line 2   "A %f %ld %.2f %f %f %f %e": type letter, temperature (C),
//            measurement time (whole s), count rate (Hz), refractive index,
//            viscosity (poise), angle (degrees), wavelength (m). "A": the
//            rows hold g(2)-1; "C": they hold g(2) (1 is subtracted on reading).
//   rows     "   %1.5e  %1.5e ": lag (s) and correlation value.
#pragma once

#include <cstdint>

class CCurve;

#pragma pack(push, 1)
// One measurement's header, packed, fields in this order.
struct DlsScanHeader {
    char title[100];          // zero-terminated
    float temperature;        // degrees Celsius
    double measurementTime;   // s; orders the measurements of a set
    float countRate;          // Hz
    float refractiveIndex;    // of the solvent
    float viscosity;          // absolute, poise
    float angle;              // scattering angle, degrees
    float wavelength;         // laser, m
    int32_t nPoints;          // lag/correlation points
    unsigned char fieldAcf;   // 1: values are g(1); 0: values are g(2)-1
};
#pragma pack(pop)

// Frees pDlsHeaders and sets it to null.
void freeDlsScanHeaders();

// The loaded measurements allow a fit of several species with linear
// amplitudes: only the field autocorrelation g(1) is the sum of the species'
// decays (g(2)-1 is its square). False without light-scattering data.
bool dlsAllowsSeveralSpecies();

// When set, the lags handed to the writers are seconds and are written as
// they are; when clear they are log10 values and 10 to their power is
// written. The converters set it for their writes and clear it afterwards.
extern unsigned char bDlsLinearLags;

// Options > DLS Tools > Always Load Intensity Autocorrelation g(2)-1: the
// loader keeps the values as g(2)-1 instead of converting them to g(1).
extern unsigned char bAlwaysG2;

// Reads a dlsdat file into the record and two new one-based arrays (1..n,
// the caller frees them with free_vector): lags as log10 s, and values as
// g(1) (fieldAcf 1) or, with bKeepG2, as g(2)-1 (fieldAcf 0). Stores n in
// *pn and in the record, and sets bDLSData. Every completely read row is
// kept; reading stops at the end of the text, at the counted rows or at a
// line beginning with "0". A row whose lag is not above 0 (or not finite)
// has no place on the log-lag grid: it is left out, and counted in
// *pnLeftOut when given. False, with no arrays, when the file cannot be
// read, is empty, has no type letter "A"/"C" or holds no complete row that
// is kept.
bool readDlsDatFile(const char* szPath, DlsScanHeader* pHeader, int* pn, float** ppLags, float** ppValues,
                    bool bKeepG2, int* pnLeftOut = nullptr);

// Writes one dlsdat file from one-based arrays (1..n); the title, when given,
// replaces the record's; the record gives the other header values. The
// arrays are viewed by CVector, so values below 1e-30 in magnitude become 0
// in them. False when the file could not be written (an unopenable file is
// reported in the error box "Attention: could not open ...").
bool writeDlsDatSet(const char* szPath, int n, float* pLags, float* pValues, const char* szTitle,
                    const DlsScanHeader* pHeader);
// The same from the header values one by one (the converters' form).
bool writeDlsDatCurve(const char* szPath, int n, float* pLags, float* pValues, const char* szTitle,
                      float fTemperature, long nTime, float fCountRate, float fRefractiveIndex, float fViscosity,
                      float fAngle, float fWavelength, bool bFieldAcf);
// The writer itself: the curve's points as rows. A value above 1 draws the
// box "please check DLSDAT format - should be g(2)-1" once, after the file
// is complete.
bool writeDlsDatFile(const char* szPath, const CCurve* pCurve, const char* szTitle, float fTemperature, long nTime,
                     float fCountRate, float fRefractiveIndex, float fViscosity, float fAngle, float fWavelength,
                     bool bFieldAcf);

// A time in seconds as the file writes it: truncated toward zero; a value
// that is no number or beyond the range of long gives 0.
long dlsWholeSeconds(double dSeconds);
