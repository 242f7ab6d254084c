// Path helpers of the scan-data subsystem over the window layer's splitting.
#pragma once

#include <string>

struct ScanPathParts {
    std::string drive;
    std::string dir;   // ends with a separator when not empty
    std::string name;
    std::string ext;   // begins with the dot when not empty
};

ScanPathParts splitScanPath(const std::string& path);
// The separator a path uses: "/" when it has only those, else "\".
char pathSeparatorOf(const std::string& path);
// The path with a separator appended unless it ends in one.
std::string withTrailingSeparator(const std::string& path);
// The path without one trailing separator.
std::string withoutTrailingSeparator(const std::string& path);
// The temporary-parameter file beside the scans of dir (drive and directory,
// ending in a separator): "~tmppars" with the scan file's extension, or under
// the old file-name convention the scan file's name with the extension "~p".
std::string parameterFilePath(const std::string& dir, const std::string& scanFileName);
// The number made by the digits at the end of a file's name without its
// extension ("tcorr_00012" gives 12); -1 when it ends in no digit (or in more
// than nine).
long trailingScanNumber(const std::string& stem);
// Copies text into a fixed buffer; false (and an empty buffer) when it does not fit.
bool copyToBuffer(char* szBuffer, size_t nSize, const std::string& text);
