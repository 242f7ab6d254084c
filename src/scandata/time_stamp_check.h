// The recorded elapsed times of the loaded scans against their files' time
// stamps (TXLAWindow::CheckTimeStamps runs after every load).
#pragma once

// Whether the loaded set counts as already examined: its first and last scan
// (in time order) carry a time-stamp marker in their titles. *pbMixed tells
// that the first carries one and some scan between does not.
bool hasTimeStampTag(unsigned char* pbMixed);

// The ratio of the file time-stamp span to the recorded elapsed-time span of
// the loaded set (0 for a recorded span below 60 s; 1.0 for fewer than two
// scans or, with *pbFailed set, when a file cannot be opened). Above the
// threshold the report "timestampanalysis.txt" is written beside the data and,
// with bShowReport, opened. The differences to the first scan, recorded and
// by the file times (1-based dvectors over the scans in time order), go to the
// out arguments when given (the caller frees them), else they are freed.
double analyzeTimeStamps(unsigned char bShowReport, unsigned char* pbFailed, double** ppRecorded,
                         double** ppFileTimes);
