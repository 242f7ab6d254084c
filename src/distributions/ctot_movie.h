// The total concentration ctot(r, t) of a non-ideal c(s) as frames: radial
// profiles at fixed times, in mg/ml, kept in memory and as ".ctot" text files.
//
// File (numbers as "%f" writes them, read back number by number):
//   line 1      frame count, point count, meniscus (cm), bottom (cm), scale
//               (stored units per mg/ml, 1.0 for every movie this program
//               makes), rotor speed (rpm)
//   line 2      the frame times in seconds
//   line 3      the radii in cm (the mean-field points and one extra point
//               0.5 cm outside each end)
//   then        one line of point-count values per frame (mg/ml x scale)
//
// The program keeps at most one movie, pCtotMovie.
#pragma once

struct ScanHeader;

class CCtotMovie {
public:
    CCtotMovie();
    ~CCtotMovie();
    CCtotMovie(const CCtotMovie&) = delete;
    CCtotMovie& operator=(const CCtotMovie&) = delete;

    unsigned char bLoaded = 0;  // the movie holds data
    unsigned char bSaved = 0;   // read from or written to szPath
    char* szPath = nullptr;     // the whole path, made on first use
    int nFrames = 0;
    int nPoints = 0;             // per frame, the two end points included
    float* pRadii = nullptr;     // [1..nPoints], cm
    float* pTimes = nullptr;     // [1..nFrames], s
    float** ppCtot = nullptr;    // [1..nFrames][1..nPoints]
    float fMeniscus = 0.0f;
    float fBottom = 0.0f;
    float fScale = 1.0f;
    float fRotorSpeed = 0.0f;

    // n frames of m + 2 points in signal units (radii[1..m+2], times[1..n],
    // frames[1..n][1..m+2]) become mg/ml with the signal per mg/ml. Nothing
    // is stored unless n, m, meniscus, bottom and the signal per mg/ml are
    // positive and every array is given.
    void Set(int n, int m, const float* pRadiiIn, const double* pTimesIn, float* const* ppFrames, float meniscus,
             float bottom, float signalPerMgMl, float rpm);
    // Into new arrays of the caller (the ones its arguments hold, sized by the
    // counts they hold on entry, are freed first): the frame count, the
    // mean-field point count (point count - 2), radii, times, frames in signal
    // units. Radii are shifted to the reference meniscus unless it is 0 or
    // within 1e-5 cm of the movie's; with reference 0 the movie's meniscus and
    // bottom are returned too. False unless loaded and every argument given.
    bool CopyTo(int* pnFrames, int* pnPoints, float** ppRadiiOut, double** ppTimesOut, float*** pppFramesOut,
                float* pfMeniscus, float fReferenceMeniscus, float* pfBottom, double dSignalPerMgMl);
    // The movie is loaded, of the rotor speed of scan nLastScan (the last in
    // time order) and reaches its time; otherwise says why and false.
    bool CoversScans(const ScanHeader* pHeaders, int nLastScan);
    // Reads the file; any failure leaves an empty movie with the path set.
    bool Read(const char* szFile);
    // Writes to szPath (refreshed from the computed field first unless it is
    // frozen).
    bool Write();
    bool SaveAs(const char* szFile);
    // Empty again (the path stays).
    void Clear();
};

extern CCtotMovie* pCtotMovie;
// The frames are drawn over the data plot (Display ctot(r,t)); the next key
// clears it.
extern unsigned char bShowCtotOverlay;

// Makes the movie when none exists; true.
bool createCtotMovie();
