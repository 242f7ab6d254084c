// "ResultParameters.xml", the record of an unattended run (root element
// cGMPMorvex). Its content is described in docs/app.md.
#pragma once

#include <string>
#include <vector>

struct ResultPeak {
    float fLow = 0;        // range of the peak (S)
    float fHigh = 0;
    float fMean = 0;       // signal-weighted mean s (S)
    float fSignal = 0;     // integrated signal
    float fFraction = 0;   // share of the total signal
};

struct ResultRecord {
    std::string szProgramVersion;
    std::string szParameterFile;
    std::string szDataDirectory;
    std::vector<std::string> inputFiles;       // full paths of the loaded scans
    std::string szModel;
    std::string szRegularizationType;
    int bAutoFit = 0;
    int nScans = 0;
    bool bHaveParameters = false;              // a model was computed or fitted
    const char* pszName[35] = {};              // names of entries 1..34 (null: baseParameterName)
    float pfValue[35] = {};                    // entries 1..34 of the parameter vector
    int pnFloat[35] = {};                      // their fit flags
    bool bHaveRmsd = false;
    float fRmsd = 0;
    bool bHaveDistribution = false;
    std::string szDistributionKind;            // e.g. "c(s)"
    std::vector<ResultPeak> peaks;
    std::vector<std::string> resultFiles;      // names of the other files written
    std::vector<std::string> messages;         // what the run reported (boxes)
    int nExitCode = 0;
};

// Text with &, <, >, " and ' as character references; control characters
// other than tab and line breaks and bytes that are no UTF-8 become "?".
std::string xmlEscape(const std::string& text);

// Writes the record; 1 on success. The file is written beside its place and
// renamed over it, so a failed write leaves no cut record.
int writeResultParameters(const char* szPath, const ResultRecord& record);
