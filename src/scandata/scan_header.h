// The header record of one radial scan.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

// One scan's header: filled by readScanFile, written back by writeScanFile,
// kept 1-based in pScanHeaders and copied whole by other subsystems, so its
// fields stay back to back (unaligned: read them by value, bind no reference).
#pragma pack(push, 1)
struct ScanHeader {
    char title[100];            // line 1, at most 99 characters
    char dataType;              // 'R', 'W', 'I', 'V', 'P' or 'F'
    int32_t cell;
    float temperature;          // degrees Celsius
    float rpm;
    double time;                // elapsed time in s as used by the analyses
    double omega2t;             // rad^2/s
    float wavelength;
    int32_t count;              // eighth field of line 2
    float titleMeniscus;        // cm, 0 when the text has no " - meniscus"
    int32_t nPoints;
    double timeWritten;         // elapsed time printed by the writer
    double timeRead;            // elapsed time as read
    double accelRate;           // rpm/s
    double accelTime;           // s
    unsigned char timeStampChecked;
    win::FILETIME creationTime;
    win::FILETIME lastAccessTime;
    win::FILETIME lastWriteTime;
    int32_t fileTimesValid;
    unsigned char hasFluorescenceInfo;
    float fluorVoltage;
    int32_t fluorGain;
    int32_t fluorRange;
};
#pragma pack(pop)
