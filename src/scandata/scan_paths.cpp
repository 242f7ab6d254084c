// Path helpers of the scan-data subsystem.
#include "scandata/scan_paths.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "app/app_globals.h"
#include "platform/win.h"

ScanPathParts splitScanPath(const std::string& path) {
    // whole parts: a part cut to a buffer's size would name another folder
    const win::PathParts p = win::splitPath(path);
    return ScanPathParts{p.drive, p.dir, p.name, p.ext};
}

char pathSeparatorOf(const std::string& path) {
    return (path.find('/') != std::string::npos && path.find('\\') == std::string::npos) ? '/' : '\\';
}

std::string withTrailingSeparator(const std::string& path) {
    if (!path.empty() && (path.back() == '\\' || path.back() == '/')) return path;
    return path + pathSeparatorOf(path);
}

std::string withoutTrailingSeparator(const std::string& path) {
    if (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        return path.substr(0, path.size() - 1);
    return path;
}

std::string parameterFilePath(const std::string& dir, const std::string& scanFileName) {
    const ScanPathParts scan = splitScanPath(scanFileName);
    return bOldFilenameConvention ? dir + scan.name + ".~p" : dir + "~tmppars" + scan.ext;
}

long trailingScanNumber(const std::string& stem) {
    size_t i = stem.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(stem[i - 1]))) --i;
    if (i == stem.size() || stem.size() - i > 9) return -1;
    return std::strtol(stem.c_str() + i, nullptr, 10);
}

bool copyToBuffer(char* szBuffer, size_t nSize, const std::string& text) {
    if (text.size() + 1 > nSize) {
        szBuffer[0] = '\0';
        return false;
    }
    std::memcpy(szBuffer, text.c_str(), text.size() + 1);
    return true;
}
