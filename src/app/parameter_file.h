// The parameter file of the unattended run: "morvex PARAMETERFILE".
//
// One element per setting: the value stands between an opening and a closing
// tag of its key, <DataDirectory>/data/run1</DataDirectory>; each key is
// looked up as "<%s>". The keys are listed in docs/app.md and by --help.
#pragma once

#include <string>
#include <vector>

struct RunParameters {
    std::string szParameterFile;
    std::string szDataDirectory;          // required
    int nChannel = 1;                     // cell 1..8: extension ending in this digit
    int nFirstScan = 1;                   // scan numbers (trailing digits of the name)
    int nLastScan = 99999;
    std::string szModel = "none";         // a Model-menu caption, or "none"
    std::string szRegularizationType = "none";
    int bAutoFit = 0;
    std::string szOutputResultsDirectory; // required
    int nLammThreads = 0;                 // 0: the number of cores
    int nNEQThreads = 0;                  // 0: the number of cores
    int bUseMinSForLogGrid = -1;          // -1: not given
    float fMinSForLogGrid = 0.0f;
    float fRadialResolution = -1.0f;      // cm, radial pre-averaging of the load; -1: not given
    // Geometry and fit settings applied after the model command; a radius of
    // 0 and a flag of -1 stand for a key that is not given.
    float fMeniscus = 0.0f;               // cm, also entry 13
    float fBottom = 0.0f;                 // cm, also entry 14
    float fMinMeniscus = 0.0f;            // cm, the range of a floated meniscus
    float fMaxMeniscus = 0.0f;
    float fLeftFitLimit = 0.0f;           // cm
    float fRightFitLimit = 0.0f;
    int bFitMeniscus = -1;
    int bFitBottom = -1;
    int bFitFrictionalRatio = -1;         // entry 11
    int bFitTINoise = -1;
    int bFitRINoise = -1;
    // What the run says of the file without refusing it: attributes of a
    // key, which are passed over, and elements that are no key ("unknown key
    // FitMenicus; did you mean FitMeniscus?").
    std::vector<std::string> warnings;
};

// Reads and checks the parameter file. Returns 1 on success; otherwise 0
// with the reason in szError (the file is named in it).
int readParameterFile(const char* szPath, RunParameters* pParams, std::string* pszError);

// The value of one key: the text between the first start tag of the key
// ("<key>", also with attributes or a blank before ">") and its closing tag,
// with the XML character references resolved and blanks trimmed. 1 when the
// key is there, 0 when it is not, -1 when its closing tag is missing.
int parameterFileValue(const std::string& text, const char* szKey, std::string* pValue);

// The usage text of --help: the command line and every key.
const char* runModeUsage();

// The scan files of the run in the data directory, full paths sorted by scan
// number: extension of three characters ending in the channel digit, and a
// number at the end of the name within FirstScan..LastScan. Entries of that
// kind that are no file to read (a folder, a FIFO, a socket or device, a link
// to nothing or one that loops) are left out and, with pLeftOut, listed
// there by scan number as "00007.RA1 (a folder)".
std::vector<std::string> runScanFiles(const RunParameters& params, std::vector<std::string>* pLeftOut = nullptr);

// The keys of the parameter file: the names of the one table the reader
// reads them by.
const std::vector<std::string>& parameterFileKeys();

// The regularization names the parameter file accepts.
const std::vector<std::string>& regularizationTypeNames();
