// The unattended run: the job of the parameter file and its results folder.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "app/app_globals.h"
#include "app/result_parameters.h"
#include "app/xla_app.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_integration.h"
#include "distributions/distribution_result.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "models/parameter_names.h"
#include "numerics/ccurve.h"
#include "numerics/error_stop.h"
#include "numerics/cvector.h"
#include "resources/commands.h"
#include "scandata/data_menu.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_paths.h"
#include "tools/exports/text_exports.h"

using namespace win;

extern char szOpenFileNames[128000];

namespace {

// The regularization commands by the names of RegularizationType.
unsigned regularizationCommand(const std::string& szType)
{
    if (szType == "2nd derivative") return 294;
    if (szType == "max ent") return 295;
    if (szType == "weighted 3rd derivative") return 1118;
    if (szType == "both") return 642;
    return 0;
}

// The noise switches of the parameter file, set before the model command as
// well as after it: the Model commands check them as the window's user has
// set them (Nonideal c(s) warns about noise fitted without a normal c(s)
// first), and the run refuses what the window warns about.
void applyNoiseSettings(const RunParameters& p)
{
    if (p.bFitTINoise >= 0) bFitTINoise = static_cast<unsigned char>(p.bFitTINoise);
    if (p.bFitRINoise >= 0) bFitRINoise = static_cast<unsigned char>(p.bFitRINoise);
}

// Geometry, fit limits and fit switches of the parameter file, over what the
// load and the model command set: meniscus and bottom (the vector's entries
// 13 and 14 too), the fit limits through the scan data's limit updates, the
// automatic meniscus and bottom ranges around them, the ranges given, then
// the fit flags and the noise switches with the rules of the parameter dialog.
// FitFrictionalRatio sets the fit flag of entry 11 only where that entry is
// the frictional ratio: in other models it is another value (kd of the
// non-ideal species, a loading, a concentration), and the key is ignored
// with a word ("PARAMETER FILE").
void applyRunSettings(const RunParameters& p, win::HWND hWindow)
{
    paramVectorToGlobals();
    if (p.fMeniscus > 0) pParamValue[13] = fMeniscus = p.fMeniscus;
    if (p.fBottom > 0) pParamValue[14] = fBottom = p.fBottom;
    if (p.fMeniscus > 0 || p.fBottom > 0) {
        keepFitLimitsInsideCell();
        bDataChanged = 1;
    }
    if (p.fLeftFitLimit > 0) {
        fFitLeftLim = p.fLeftFitLimit;
        updateLeftFitLimit();
    }
    if (p.fRightFitLimit > 0) {
        fFitRightLim = p.fRightFitLimit;
        updateRightFitLimit();
    }
    if (p.fMeniscus > 0 || p.fBottom > 0 || p.fLeftFitLimit > 0 || p.fRightFitLimit > 0) {
        bUserMeniscusBottomRange = 0;
        setAutoMeniscusBottomLimits();
    }
    if (p.fMinMeniscus > 0) fMinMeniscus = p.fMinMeniscus;
    if (p.fMaxMeniscus > 0) fMaxMeniscus = p.fMaxMeniscus;
    if (p.fMinMeniscus > 0 || p.fMaxMeniscus > 0) bUserMeniscusBottomRange = 1;
    if (p.bFitMeniscus >= 0) pParamFloat[13] = p.bFitMeniscus;
    if (p.bFitBottom >= 0) pParamFloat[14] = p.bFitBottom;
    if (p.bFitFrictionalRatio >= 0) {
        const char* szEntry = parameterMeaning(11).szName;
        if (std::strcmp(szEntry, "frictionalRatio") == 0) {
            pParamFloat[11] = p.bFitFrictionalRatio;
        } else {
            const std::string why = "FitFrictionalRatio is ignored: the model " + p.szModel +
                                    " has no frictional ratio (its entry 11 is " + szEntry + ")";
            MessageBox(hWindow, why.c_str(), "PARAMETER FILE", MB_OK);
        }
    }
    paramVectorToGlobals();
    applyNoiseSettings(p);
    fixUpModelDefaults();
    globalsToParamVector();
    allocExtraNoiseArrays();
}

// A file of the results folder that a writer was asked to make: named in the
// record when it is there, else reported (exit code 1).
void noteResultFile(const std::string& dir, const std::string& name, ResultRecord* pRecord)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(dir + name, ec)) {
        pRecord->resultFiles.push_back(name);
    } else {
        std::fprintf(stderr, "morvex: %s%s cannot be written\n", dir.c_str(), name.c_str());
        nProgramExitCode = 1;
    }
}

// The distribution, one "%e %e" line of abscissa and value per grid point,
// and its peaks: the local maxima (half-window 2, at most 10), each peak once
// over disjoint ranges (distinctPeaks), whose signal is above 1e-4 of the
// total.
void writeDistributionResults(const std::string& dir, ResultRecord* pRecord)
{
    if (!bModelContinuous || nResolution < 1 || !pDistValues || !pDistAxisS || !pDistAxisM) return;
    const bool bS = isSTypeModel();
    float* x = bS ? pDistAxisS : pDistAxisM;
    if (FILE* f = std::fopen((dir + "distribution.dat").c_str(), "w")) {
        for (int i = 1; i <= nResolution; ++i) std::fprintf(f, "%e %e\n", x[i], pDistValues[i]);
        std::fclose(f);
    }
    noteResultFile(dir, "distribution.dat", pRecord);

    pRecord->bHaveDistribution = true;
    pRecord->szDistributionKind = bS ? "c(s)" : "c(M)";
    CVector vx, vy;
    vx.Attach(x, nResolution, 1);
    vy.Attach(pDistValues, nResolution, 1);
    CCurve curve(&vx, &vy);
    constexpr int nMaxPeaks = 10;
    float px[nMaxPeaks + 1], py[nMaxPeaks + 1];
    int pi[nMaxPeaks + 1];
    const int nPeaks = curve.FindPeaks(px, py, pi, nMaxPeaks, 2);
    float fArea = 0, fMean = 0, fTotal = 0, fSigma = 0, fHarmonic = 0, fZ = 0;
    integrateDistribution(x[1], x[nResolution], &fArea, &fMean, &fTotal, &fSigma, &fHarmonic, &fZ);
    for (const DistributionPeak& p : distinctPeaks(pi, nPeaks, 0.9f)) {
        ResultPeak peak;
        peak.fLow = p.fLow;
        peak.fHigh = p.fHigh;
        peak.fMean = p.fMean;
        peak.fSignal = p.fSignal;
        peak.fFraction = p.fFraction;
        if (peak.fSignal > 1e-4f * fTotal) pRecord->peaks.push_back(peak);
    }
}

// The results of a computed model: the rmsd, the distribution, the fits and
// residuals as scan files and the fitted systematic noise.
void writeModelResults(const std::string& dir, ResultRecord* pRecord)
{
    if (FILE* f = std::fopen((dir + "rmsd.txt").c_str(), "w")) {
        std::fprintf(f, "%.7f\n", pRecord->fRmsd);
        std::fclose(f);
    }
    noteResultFile(dir, "rmsd.txt", pRecord);
    writeDistributionResults(dir, pRecord);

    std::error_code ec;
    for (const char* szSub : {"fits", "residuals"}) std::filesystem::create_directories(dir + szSub, ec);
    saveFitFiles((dir + "fits/f0000x.rxx").c_str(), false);
    updateResidualsPlot(0);
    saveResidualFiles((dir + "residuals/r0000x.rxx").c_str());
    for (int i = 1; i <= nScans; ++i) {
        const int k = pScanTimeOrder[i];
        for (const char* szSub : {"fits/", "residuals/"}) {
            const char c = szSub[0] == 'f' ? 'f' : 'r';
            const std::string path = fitOutputPath(dir + szSub + "x", k, c);
            noteResultFile(dir, szSub + std::filesystem::path(path).filename().string(), pRecord);
        }
    }
    const std::string ext = std::filesystem::path(ppScanFileName[1]).extension().string();
    if (bFitTINoise) {
        saveTiNoiseFile((dir + "TIN.rxx").c_str());
        noteResultFile(dir, "TIN" + ext, pRecord);
    }
    if (bFitRINoise) {
        saveNoiseFile((dir + "RIN.rxx").c_str());
        noteResultFile(dir, "RIN" + ext, pRecord);
    }
}

// What the run found, for the console: the model and its rmsd, the meniscus
// and f/f0 where the model has them, each peak of a distribution with its
// share of the signal, and where the results are.
std::string resultSummary(const ResultRecord& r, const std::string& dir)
{
    std::string out;
    char sz[400];
    if (r.bHaveParameters && r.bHaveRmsd) {
        std::snprintf(sz, sizeof sz, "%s, %d scans, %s: rmsd %.5g", r.szModel.c_str(), r.nScans,
                      r.bAutoFit ? "fitted" : "computed", double(r.fRmsd));
        out += sz;
        for (int k = 1; k <= 34; ++k) {
            const std::string name = r.pszName[k] ? r.pszName[k] : "";
            if (name == "meniscus") std::snprintf(sz, sizeof sz, ", meniscus %.4f cm", double(r.pfValue[k]));
            else if (name == "frictionalRatio") std::snprintf(sz, sizeof sz, ", f/f0 %.3f", double(r.pfValue[k]));
            else continue;
            out += sz;
        }
        out += "\n";
        const char* szUnit = r.szDistributionKind == "c(M)" ? "Da" : "S";
        for (size_t i = 0; i < r.peaks.size(); ++i) {
            const ResultPeak& pk = r.peaks[i];
            std::snprintf(sz, sizeof sz, "  peak %zu: %.4g %s (%.4g to %.4g %s), signal %.4g, %.1f%% of the total\n",
                          i + 1, double(pk.fMean), szUnit, double(pk.fLow), double(pk.fHigh), szUnit,
                          double(pk.fSignal), 100.0 * double(pk.fFraction));
            out += sz;
        }
        if (r.bHaveDistribution && r.peaks.empty()) out += "  the distribution has no peak\n";
    } else if (r.szModel != "none") {
        out += r.szModel + ": no result\n";
    }
    if (r.nExitCode != 0) {
        std::snprintf(sz, sizeof sz, "the run failed (exit code %d): its messages say why\n", r.nExitCode);
        out += sz;
    }
    return out + "results in " + dir + "\n";
}

// The quoted string at text[*pos] as the transcript wrote it, unquoted;
// *pos moves past it. Empty when there is none.
std::string unquoted(const std::string& text, size_t* pos)
{
    std::string out;
    size_t i = *pos;
    if (i >= text.size() || text[i] != '"') return out;
    for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        if (c == 'n') out += '\n';
        else if (c == 'r') out += '\r';
        else if (c == 't') out += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            out += char(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else out += c;
    }
    *pos = i + 1;
    return out;
}

// Caption and text of a message box's transcript line, the text on one line
// (line breaks, tabs and bells become spaces, runs of them one).
void boxOfLine(const std::string& line, std::string* pCaption, std::string* pText)
{
    size_t pos = 11;  // after "MessageBox "
    *pCaption = unquoted(line, &pos);
    pos++;
    std::string text = unquoted(line, &pos);
    pText->clear();
    for (char c : text) {
        bool bSpace = c == '\n' || c == '\r' || c == '\t' || c == '\a' || c == ' ';
        if (bSpace && (pText->empty() || pText->back() == ' ')) continue;
        *pText += bSpace ? ' ' : c;
    }
    while (!pText->empty() && pText->back() == ' ') pText->pop_back();
}

// The captions of the boxes that say the data could not be loaded or
// analysed as asked (error boxes, load errors, an inconsistent profile).
bool isErrorCaption(const std::string& caption)
{
    return caption == "LOAD ERROR" || caption == "ERROR" || caption == "Error";
}

// --- the run's message boxes, as they appear

// Caption and one-line text of every box the run showed, in order.
struct RunBox {
    std::string szCaption;
    std::string szText;
};
std::vector<RunBox> runBoxes;

// The transcript's observer during the run: every message box goes to
// standard error at once, "morvex: CAPTION: text", so that a run that takes
// long, or is killed, has said what it showed; a box that says the data could
// not be used as asked makes the run a failure.
void echoRunBox(const std::string& line)
{
    if (line.compare(0, 11, "MessageBox ") != 0) return;
    RunBox box;
    boxOfLine(line, &box.szCaption, &box.szText);
    if (box.szCaption.empty())
        std::fprintf(stderr, "morvex: %s\n", box.szText.c_str());
    else
        std::fprintf(stderr, "morvex: %s: %s\n", box.szCaption.c_str(), box.szText.c_str());
    std::fflush(stderr);
    if (isErrorCaption(box.szCaption) && nProgramExitCode == 0) nProgramExitCode = 1;
    runBoxes.push_back(box);
}

// Error boxes among the boxes from nFrom on.
bool errorBoxSince(size_t nFrom)
{
    for (size_t i = nFrom; i < runBoxes.size(); ++i)
        if (isErrorCaption(runBoxes[i].szCaption)) return true;
    return false;
}

// The last box from nFrom on that is no advice ("Help Wizard") and no word
// on the parameter file, as "CAPTION: text" ("text" when it has no caption);
// empty when there is none.
std::string lastReasonSince(size_t nFrom)
{
    for (size_t i = runBoxes.size(); i-- > nFrom;) {
        const RunBox& b = runBoxes[i];
        if (b.szCaption == "Help Wizard" || b.szCaption == "PARAMETER FILE") continue;
        return b.szCaption.empty() ? b.szText : b.szCaption + ": " + b.szText;
    }
    return std::string();
}

// A step of the run that failed ends it: an "ERROR" box says which step and
// why (exit code 1).
void endRun(win::HWND hWindow, const std::string& why)
{
    MessageBox(hWindow, why.c_str(), "ERROR", MB_OK);
    if (nProgramExitCode == 0) nProgramExitCode = 1;
}

// A value of the parameter file that the loaded scans refuse (exit code 2).
void refuseParameter(win::HWND hWindow, const std::string& why)
{
    MessageBox(hWindow, why.c_str(), "PARAMETER FILE", MB_OK);
    nProgramExitCode = 2;
}

// The smallest and largest radius of the loaded scans.
void dataRadii(float* pMin, float* pMax)
{
    *pMin = 0;
    *pMax = 0;
    bool bFirst = true;
    for (int k = 1; k <= nScans; ++k)
        for (int i = 1; i <= pScanPoints[k]; ++i) {
            const float r = ppRadius[k][i];
            if (bFirst || r < *pMin) *pMin = r;
            if (bFirst || r > *pMax) *pMax = r;
            bFirst = false;
        }
}

// The values of the parameter file checked against the loaded scans, as
// the parameter dialog and the meniscus and bottom range table check typed
// ones: the meniscus lies inside the scans' radii, and a meniscus given
// without its range lies inside the range given. Empty when they pass.
std::string parameterValuesAgainstScans(const RunParameters& p)
{
    char sz[400];
    float fLow = 0, fHigh = 0;
    dataRadii(&fLow, &fHigh);
    if (p.fMeniscus > 0 && (p.fMeniscus < fLow || p.fMeniscus > fHigh)) {
        std::snprintf(sz, sizeof sz, "Meniscus %g cm lies outside the radii of the scans (%.4f to %.4f cm)",
                      double(p.fMeniscus), double(fLow), double(fHigh));
        return sz;
    }
    if (p.fMeniscus <= 0 && bUserMeniscusBottomRange && (fMeniscus < fMinMeniscus || fMeniscus > fMaxMeniscus)) {
        std::snprintf(sz, sizeof sz,
                      "%s: the meniscus of the scans, %.4f cm, lies outside the meniscus range %.4f to %.4f cm",
                      fMeniscus < fMinMeniscus ? "MinMeniscus" : "MaxMeniscus", double(fMeniscus),
                      double(fMinMeniscus), double(fMaxMeniscus));
        return sz;
    }
    return std::string();
}

// "the scan A" or "the scans A, B, C, D, E and 3 more": the first five of
// the scans named, each with what is said of it.
std::string scanList(const std::vector<std::string>& items)
{
    std::string out = items.size() == 1 ? "the scan " : "the scans ";
    for (size_t i = 0; i < items.size() && i < 5; ++i) out += (i ? ", " : "") + items[i];
    if (items.size() > 5) out += " and " + std::to_string(items.size() - 5) + " more";
    return out;
}

// The scans that have no point inside the fit limits: they cannot be
// analysed with the others (radii in other units, a cut scan). Empty when
// every scan has one.
std::string scansOutsideFitRange()
{
    std::vector<std::string> outside;
    for (int pos = 1; pos <= nScans; ++pos) {
        const int k = pScanTimeOrder[pos];
        bool bInside = false;
        for (int i = 1; i <= pScanPoints[k] && !bInside; ++i)
            bInside = ppRadius[k][i] >= fFitLeftLim && ppRadius[k][i] <= fFitRightLim;
        if (bInside) continue;
        char sz[300];
        const int n = pScanPoints[k];
        std::snprintf(sz, sizeof sz, "%s (radii %.4f to %.4f cm)", ppScanFileName[k],
                      n > 0 ? double(ppRadius[k][1]) : 0.0, n > 0 ? double(ppRadius[k][n]) : 0.0);
        outside.push_back(sz);
    }
    if (outside.empty()) return std::string();
    char sz[200];
    std::snprintf(sz, sizeof sz, " %s no point inside the fit limits %.4f to %.4f cm",
                  outside.size() == 1 ? "has" : "have", double(fFitLeftLim), double(fFitRightLim));
    return scanList(outside) + sz + ": the scans cannot be analysed together";
}

// The scans whose elapsed time no run of an analytical ultracentrifuge
// has: below 0, or above 1e7 s (116 days), a header misread or damaged (a
// time of 1e30 s). The solver steps at most 1000 s at a time towards each
// scan, so such a time would keep it stepping for ever. Empty when there is
// none.
std::string misreadScanTimes()
{
    constexpr double dLongestRun = 1e7;
    std::vector<std::string> misread;
    for (int pos = 1; pos <= nScans; ++pos) {
        const int k = pScanTimeOrder[pos];
        const double t = pScanHeaders[k].time;
        if (t >= 0 && t <= dLongestRun) continue;
        char sz[300];
        std::snprintf(sz, sizeof sz, "%s (%g s)", ppScanFileName[k], t);
        misread.push_back(sz);
    }
    if (misread.empty()) return std::string();
    return scanList(misread) + (misread.size() == 1 ? " has an elapsed time" : " have elapsed times") +
           " no run has (below 0 or above 1e7 s, 116 days): a header misread or damaged";
}

// The noise of the data from neighbouring points inside the fit limits: the
// median of the differences of neighbours, scaled to the standard deviation
// of normal noise (median |d| / (0.6745 sqrt 2)); a few outliers do not move
// it. 0 without two neighbours.
double neighbourNoise()
{
    std::vector<float> d;
    for (int k = 1; k <= nScans; ++k) {
        const int i0 = pFitFirstIndex[k] < 1 ? 1 : pFitFirstIndex[k];
        for (int i = i0; i < pFitLastIndex[k] && i < pScanPoints[k]; ++i) {
            const float v = std::fabs(ppSignal[k][i + 1] - ppSignal[k][i]);
            if (std::isfinite(v)) d.push_back(v);
        }
    }
    if (d.empty()) return 0;
    std::nth_element(d.begin(), d.begin() + long(d.size() / 2), d.end());
    return double(d[d.size() / 2]) / (0.6745 * std::sqrt(2.0));
}

// A distribution that holds no signal where the data hold signal is no
// result: every value 0 while the fit leaves an rmsd of more than three
// times the noise of the data. Empty when the distribution holds signal (or
// the data hold none, a blank).
std::string emptyDistribution()
{
    if (!bModelContinuous || !bModelComputed || nResolution < 1 || !pDistValues) return std::string();
    for (int i = 1; i <= nResolution; ++i)
        if (pDistValues[i] != 0.0f) return std::string();
    const double dRmsd = calcRmsd(), dNoise = neighbourNoise();
    if (!(dRmsd > 3 * dNoise)) return std::string();
    char sz[300];
    std::snprintf(sz, sizeof sz,
                  "the distribution holds no signal (every value is 0) while the data do: the fit leaves an rmsd of "
                  "%g, where the noise of the data is %g",
                  dRmsd, dNoise);
    return sz;
}

// The results folder held by this run: its lock, taken before the scans are
// loaded and let go when the record is written.
const char* const szLockName = ".morvex-run.lock";
int nResultsLock = -1;
std::string szHeldResultsDir;

// The files a run wrote into its results folder, one name a line (relative
// to the folder, "\" and line breaks escaped), kept there for the next run
// into the folder, which removes them and nothing else.
const char* const szWrittenListName = ".morvex-run-files";
const char* const kResultSubfolders[] = {"fits", "residuals"};

// A file as it lay in the results folder: which file it was and when it was
// last changed. The change time, not the write time: the fits and residuals
// get their scan file's times put back when they are written, so a file
// written over with the same text would keep its write time.
struct FileMark {
    dev_t dev = 0;
    ino_t ino = 0;
    long long nSeconds = 0, nNanoseconds = 0, nSize = 0;
    bool operator==(const FileMark& o) const
    {
        return dev == o.dev && ino == o.ino && nSeconds == o.nSeconds && nNanoseconds == o.nNanoseconds &&
               nSize == o.nSize;
    }
};

// The files of the results folder and of its fits and residuals folders (a
// folder is named with its "/"), without following links; what lay there
// when the run took the folder.
std::map<std::string, FileMark> resultsFolderFiles(const std::string& dir)
{
    std::map<std::string, FileMark> files;
    auto scan = [&](const std::string& sub) {
        std::error_code ec;
        for (std::filesystem::directory_iterator it(dir + sub, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = sub + it->path().filename().string();
            struct stat sb;
            if (::lstat(it->path().c_str(), &sb) != 0) continue;
            if (S_ISDIR(sb.st_mode)) {
                files[name + "/"] = FileMark{sb.st_dev, sb.st_ino};
                continue;
            }
            if (!S_ISREG(sb.st_mode)) continue;
            files[name] = FileMark{sb.st_dev, sb.st_ino, sb.st_ctim.tv_sec, sb.st_ctim.tv_nsec, sb.st_size};
        }
    };
    scan("");
    for (const char* szSub : kResultSubfolders)
        if (files.count(std::string(szSub) + "/")) scan(std::string(szSub) + "/");
    return files;
}
std::map<std::string, FileMark> resultsAtStart;

std::string escapedLine(const std::string& name)
{
    std::string out;
    for (char c : name) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::string unescapedLine(const std::string& line)
{
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 >= line.size()) {
            out += line[i];
            continue;
        }
        const char c = line[++i];
        out += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

// A name of the list that a run can have written: a file of the folder, of
// its fits or residuals folder, or one of those folders ("fits/"); nothing
// that leads out of the folder.
bool isResultName(const std::string& name)
{
    std::string file = name;
    for (const char* szSub : kResultSubfolders) {
        const std::string sub = std::string(szSub) + "/";
        if (name == sub) return true;
        if (name.compare(0, sub.size(), sub) == 0) {
            file = name.substr(sub.size());
            break;
        }
    }
    return !file.empty() && file != "." && file != ".." && file.find('/') == std::string::npos &&
           file.find('\0') == std::string::npos && file != szLockName && file != szWrittenListName;
}

// Removes what the run before wrote into dir, as its list names it: its
// files, then its fits and residuals folders when nothing else is left in
// them; whatever else lies there stays. False (with the reason) when a file
// of it stays.
bool clearEarlierResults(const std::string& dir, std::string* pszWhy)
{
    const std::string list = dir + szWrittenListName;
    struct stat sb;
    if (::lstat(list.c_str(), &sb) != 0) return true;  // no run wrote here, or it did not end
    std::vector<std::string> names;
    if (S_ISREG(sb.st_mode))
        if (FILE* f = std::fopen(list.c_str(), "r")) {
            std::string line;
            for (int c; (c = std::fgetc(f)) != EOF;) {
                if (c != '\n') {
                    line += static_cast<char>(c);
                    continue;
                }
                names.push_back(unescapedLine(line));
                line.clear();
            }
            std::fclose(f);
        }
    std::vector<std::string> folders;
    for (const std::string& name : names) {
        if (!isResultName(name)) continue;
        if (name.back() == '/') {
            folders.push_back(name);
            continue;
        }
        // a file, not a link or a folder put in its place, in a folder that
        // is the results folder's own
        const size_t slash = name.find('/');
        if (slash != std::string::npos) {
            struct stat sub;
            if (::lstat((dir + name.substr(0, slash)).c_str(), &sub) != 0 || !S_ISDIR(sub.st_mode)) continue;
        }
        const std::string path = dir + name;
        if (::lstat(path.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode)) continue;
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            *pszWhy = path + " cannot be removed (" + std::strerror(errno) + ")";
            return false;
        }
    }
    for (const std::string& folder : folders) ::rmdir((dir + folder).c_str());  // only when empty
    if (::unlink(list.c_str()) != 0 && errno != ENOENT) {
        *pszWhy = list + " cannot be removed (" + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

// Writes the list of what this run wrote into its folder: every file that
// was not there when it took the folder, or was written again since, and
// the fits and residuals folders it made.
void writeWrittenList(const std::string& dir)
{
    std::string text;
    for (const auto& [name, mark] : resultsFolderFiles(dir)) {
        const auto it = resultsAtStart.find(name);
        const bool bFolder = name.back() == '/';
        if (it != resultsAtStart.end() && (bFolder || it->second == mark)) continue;
        if (!isResultName(name) || (bFolder && name.find('/') != name.size() - 1)) continue;
        text += escapedLine(name) + "\n";
    }
    const std::string list = dir + szWrittenListName, fresh = list + ".new";
    FILE* f = std::fopen(fresh.c_str(), "w");
    bool bWritten = f && std::fputs(text.c_str(), f) >= 0;
    if (f) bWritten = std::fclose(f) == 0 && bWritten;
    if (!bWritten || std::rename(fresh.c_str(), list.c_str()) != 0) {
        std::remove(fresh.c_str());
        std::fprintf(stderr, "morvex: %s cannot be written: the next run into this folder will not remove what this "
                     "one wrote\n", list.c_str());
    }
}

// Makes the results folder, takes it for this run and clears what an earlier
// run left there. 0 on success, else the exit code, with the reason printed.
int takeResultsFolder(const std::string& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::error_code ecThere;
    if (!std::filesystem::is_directory(dir, ecThere)) {
        // the reason the folder could not be made, not that it is missing
        std::fprintf(stderr, "morvex: the results folder %s cannot be made%s%s\n", dir.c_str(),
                     ec ? ": " : " (a file is in the way)", ec ? ec.message().c_str() : "");
        return 2;
    }
    const std::string lock = dir + szLockName;
    bool bHeld = false;
    nResultsLock = win::lockFile(lock.c_str(), &bHeld);
    if (nResultsLock < 0) {
        const int e = errno;
        if (bHeld) {
            const int nHolder = win::lockHolder(lock.c_str());
            const std::string holder = nHolder > 0 ? " (" + win::processDescription(nHolder) + ")" : "";
            std::fprintf(stderr, "morvex: the results folder %s is in use by another run%s; this run is refused\n",
                         dir.c_str(), holder.c_str());
        } else if (e == EINVAL) {
            std::fprintf(stderr, "morvex: the results folder %s cannot be locked: %s is no file\n", dir.c_str(),
                         lock.c_str());
        } else {
            struct stat sb;
            if (::lstat(lock.c_str(), &sb) == 0)  // the lock file is there: it is what refuses
                std::fprintf(stderr, "morvex: the results folder %s cannot be locked: %s: %s\n", dir.c_str(),
                             lock.c_str(), std::strerror(e));
            else
                std::fprintf(stderr, "morvex: the results folder %s cannot be written: %s\n", dir.c_str(),
                             std::strerror(e));
        }
        return 2;
    }
    szHeldResultsDir = dir;
    // a lock file found there may be taken in a folder this user cannot write
    if (::access(dir.c_str(), W_OK | X_OK) != 0) {
        std::fprintf(stderr, "morvex: the results folder %s cannot be written: %s\n", dir.c_str(),
                     std::strerror(errno));
        return 2;
    }
    std::string szWhy;
    if (!clearEarlierResults(dir, &szWhy)) {
        std::fprintf(stderr, "morvex: the results of an earlier run cannot be cleared: %s\n", szWhy.c_str());
        return 2;
    }
    resultsAtStart = resultsFolderFiles(dir);
    return 0;
}

void releaseResultsFolder()
{
    if (nResultsLock < 0) return;
    if (nProgramExitCode != 2) writeWrittenList(szHeldResultsDir);
    win::unlockFile(nResultsLock, (szHeldResultsDir + szLockName).c_str());
    nResultsLock = -1;
    szHeldResultsDir.clear();
    resultsAtStart.clear();
}

// Why the results of the run cannot stand, where they are not finite
// numbers: the rmsd, the fits inside the fit limits, the distribution; with
// the scan and radius of the values that broke them where one is found.
// Empty when they are finite.
std::string nonFiniteResults(float fRmsd)
{
    std::string why;
    char sz[400];
    if (!std::isfinite(fRmsd)) {
        std::snprintf(sz, sizeof sz, "the rmsd is not a finite number (%g)", double(fRmsd));
        why = sz;
    }
    // A signal whose square is beyond single precision breaks every sum of
    // squares; the first such point, else the first point of a fit that is no
    // finite number.
    std::string szPoint;
    for (int pos = 1; pos <= nScans && szPoint.empty(); ++pos) {
        const int k = pScanTimeOrder[pos];
        if (!ppSignal[k] || !ppFit[k] || !ppRadius[k]) continue;
        const int i0 = pFitFirstIndex[k] < 1 ? 1 : pFitFirstIndex[k];
        for (int i = i0; i <= pFitLastIndex[k] && i <= pScanPoints[k]; ++i) {
            const float y = ppSignal[k][i];
            if (!std::isfinite(y * y)) {
                std::snprintf(sz, sizeof sz, "the signal %g of scan %s at %.4f cm is too large: its square is no "
                              "single-precision number", double(y), ppScanFileName[k], double(ppRadius[k][i]));
                szPoint = sz;
                break;
            }
        }
    }
    for (int pos = 1; pos <= nScans && szPoint.empty(); ++pos) {
        const int k = pScanTimeOrder[pos];
        if (!ppFit[k] || !ppRadius[k]) continue;
        const int i0 = pFitFirstIndex[k] < 1 ? 1 : pFitFirstIndex[k];
        for (int i = i0; i <= pFitLastIndex[k] && i <= pScanPoints[k]; ++i)
            if (!std::isfinite(ppFit[k][i])) {
                std::snprintf(sz, sizeof sz, "the fit of scan %s is not a finite number at %.4f cm",
                              ppScanFileName[k], double(ppRadius[k][i]));
                szPoint = sz;
                break;
            }
    }
    if (bModelContinuous && pDistValues && pDistAxisS && pDistAxisM)
        for (int i = 1; i <= nResolution; ++i)
            if (!std::isfinite(pDistValues[i])) {
                std::snprintf(sz, sizeof sz, "the distribution is not a finite number at %g %s",
                              double(isSTypeModel() ? pDistAxisS[i] : pDistAxisM[i]), isSTypeModel() ? "S" : "Da");
                why += (why.empty() ? "" : "; ") + std::string(sz);
                break;
            }
    if (!szPoint.empty()) why += (why.empty() ? "" : ": ") + szPoint;
    return why;
}

}  // namespace

void TXLAWindow::RunJob()
{
    const RunParameters& p = runParameters;
    // The results folder first: a run that could not write its results does
    // not compute them.
    std::string dir = p.szOutputResultsDirectory;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    if (const int nRefused = takeResultsFolder(dir)) {
        nProgramExitCode = nRefused;
        releaseResultsFolder();
        CmExit();
        return;
    }
    // The program's own files that a load or a distribution writes beside
    // the data go into the results folder: the data folder is only read.
    szSideFileFolder = dir;
    // Every box of the run reaches standard error as it appears.
    runBoxes.clear();
    headless::setTranscriptObserver(echoRunBox);
    // Keys of the parameter file the run does not know, and attributes it
    // passes over: said, and the run goes on.
    for (const std::string& w : p.warnings) MessageBox(HWindow, w.c_str(), "PARAMETER FILE", MB_OK);
    // The run writes its results without overwrite questions.
    bResultsWritten = 1;
    std::vector<std::string> leftOut;
    std::vector<std::string> files = runScanFiles(p, &leftOut);
    // entries of the selected scans that are no files: named, not read
    if (!leftOut.empty()) {
        std::string text = "scan entries that are no files were left out:";
        for (const std::string& e : leftOut) text += "\n" + e;
        MessageBox(HWindow, text.c_str(), "LOAD", MB_OK);
    }
    // the selection of an open dialog: the folder, then each name, each
    // ended by a NUL, and a final NUL
    std::string sel = p.szDataDirectory;
    while (sel.size() > 1 && sel.back() == '/') sel.pop_back();
    sel += '\0';
    for (const std::string& f : files) sel += std::filesystem::path(f).filename().string() + '\0';
    sel += '\0';
    if (sel.size() > sizeof szOpenFileNames) {
        MessageBox(HWindow, "too many scan files for one load", "LOAD ERROR", MB_OK);
        nProgramExitCode = 1;
        CmExit();
        return;
    }
    std::memcpy(szOpenFileNames, sel.data(), sel.size());
    nLoadEveryNth = 1;
    // radial pre-averaging of the load, as Set Radial Resolution sets it
    if (p.fRadialResolution >= 0) fRadialResolution = p.fRadialResolution;
    std::snprintf(szWindowTitle, sizeof szWindowTitle, "SEDIMENTATION ANALYSIS -> %s...", p.szDataDirectory.c_str());
    SetCaption(szWindowTitle);
    // A computation abandoned deep inside (a singular matrix) has shown its
    // box; it ends the run, which must not wait for commands that never come.
    if (!runAbandonable([&] { RunJobSteps(); }))
        endRun(HWindow, "the computation was abandoned (" + lastReasonSince(0) + "): the run ends without its result");
    CmExit();
}

// The steps of the job after the results folder: load, model, settings, Run
// and Fit. A step that fails ends the job: a load error, a model that is not
// chosen, a value the scans refuse, a step that shows an error box or ends
// without its result (a box that ended the computation counts as an error
// whatever its caption), a distribution that holds no signal while the data do.
void TXLAWindow::RunJobSteps()
{
    const RunParameters& p = runParameters;
    size_t nStep = runBoxes.size();
    LoadAllData(this, szOpenFileNames);
    if (nScans <= 0) nProgramExitCode = 1;
    UpdateFloToolsMenu();
    if (nScans <= 0 || p.szModel == "none") return;
    // A load error ends the run before anything is computed.
    if (errorBoxSince(nStep)) {
        endRun(HWindow, "the scans were loaded with an error: nothing is computed");
        return;
    }
    const std::string szMisread = misreadScanTimes();
    if (!szMisread.empty()) {
        endRun(HWindow, szMisread + ": nothing is computed");
        return;
    }

    // the model as its menu command chooses it (the noise switches set, for
    // its checks), the method of regularization, the settings of the file
    nStep = runBoxes.size();
    applyNoiseSettings(p);
    const unsigned nModel = modelCommandOfCaption(p.szModel.c_str());
    if (nModel) EvCommand(nModel, nullptr, 0);
    const bool bChosen = nModel && GetMenu() && (GetMenuState(GetMenu(), nModel, MF_BYCOMMAND) & MF_CHECKED);
    if (!bChosen) {
        const std::string why = lastReasonSince(nStep);
        endRun(HWindow, "the model " + p.szModel + " cannot be chosen for these scans" +
                            (why.empty() ? std::string() : " (" + why + ")") + ": nothing is computed");
        return;
    }
    if (errorBoxSince(nStep)) {
        endRun(HWindow, "the model " + p.szModel + " was chosen with an error: nothing is computed");
        return;
    }
    // The discrete component of c(s,ff0) comes from the parameter dialog;
    // the file has no keys for it, and with an M or s of 0 the model has no
    // D for it.
    if (bModelCSFf0OneDiscrete && !(fDiscreteCompM > 0 && fDiscreteCompS > 0)) {
        endRun(HWindow, "the model " + p.szModel +
                            " needs the M and s of its discrete component, which the parameter dialog sets and no "
                            "key of the parameter file: nothing is computed");
        return;
    }
    nStep = runBoxes.size();
    if (const unsigned nMethod = regularizationCommand(p.szRegularizationType)) EvCommand(nMethod, nullptr, 0);
    applyRunSettings(p, HWindow);
    // unregularized: P 0 (entry 2 of the distributions' vector)
    if (p.szRegularizationType == "none" && bModelContinuous) pParamValue[2] = fConfidenceLevel = 0.0f;
    const std::string szRefused = parameterValuesAgainstScans(p);
    if (!szRefused.empty()) {
        refuseParameter(HWindow, szRefused + ": nothing is computed");
        return;
    }
    const std::string szOutside = scansOutsideFitRange();
    if (!szOutside.empty()) {
        endRun(HWindow, szOutside + ": nothing is computed");
        return;
    }
    if (errorBoxSince(nStep)) {
        endRun(HWindow, "the settings of the parameter file were applied with an error: nothing is computed");
        return;
    }

    // Run; with AutoFit the advice of the Help Wizard waits for the fit, so
    // that it speaks of the result, not of the file's start values.
    nStep = runBoxes.size();
    const unsigned char bWizard = bWizardMessages;
    if (p.bAutoFit) bWizardMessages = 0;
    bModelComputed = 0;
    CmRun();
    bWizardMessages = bWizard;
    if (!bModelComputed || errorBoxSince(nStep)) {
        const std::string why = lastReasonSince(nStep);
        endRun(HWindow, std::string(bModelComputed ? "Run ended with an error" : "Run computed no model") +
                            (why.empty() ? std::string() : " (" + why + ")") + ": the run ends without its result");
        return;
    }
    if (p.bAutoFit) {
        // A fit that computes nothing new (nothing floats) and says nothing
        // leaves the result of Run; one that ends without its result fails.
        nStep = runBoxes.size();
        bModelComputed = 0;
        bFitStoppedByUser = 0;
        CmFit();
        const bool bStopped = bFitStoppedByUser != 0;
        bFitStoppedByUser = 0;
        size_t nOwn = 0;
        for (size_t i = nStep; i < runBoxes.size(); ++i)
            if (runBoxes[i].szCaption != "Help Wizard") ++nOwn;
        if (!bModelComputed && !bStopped && nOwn == 0) bModelComputed = 1;
        if (!bModelComputed || bStopped || errorBoxSince(nStep)) {
            const std::string why = lastReasonSince(nStep);
            endRun(HWindow, std::string(bModelComputed && !bStopped ? "Fit ended with an error" : "Fit ended without its result") +
                                (why.empty() ? std::string() : " (" + why + ")") + ": the run ends without its result");
            return;
        }
    }
    const std::string szEmpty = emptyDistribution();
    if (!szEmpty.empty()) endRun(HWindow, szEmpty);
}

void TXLAWindow::CmCustomDone()
{
    const RunParameters& p = runParameters;
    // Nothing is written into a folder this run did not take.
    if (nResultsLock < 0) return;
    const std::string dir = szHeldResultsDir;

    ResultRecord r;
    r.szProgramVersion = "Morvex";
    r.szParameterFile = p.szParameterFile;
    r.szDataDirectory = p.szDataDirectory;
    r.szModel = p.szModel;
    r.szRegularizationType = p.szRegularizationType;
    r.bAutoFit = p.bAutoFit;
    r.nScans = nScans;
    for (int i = 1; i <= nScans; ++i)
        if (ppScanFileName && ppScanFileName[i])
            r.inputFiles.push_back(std::string(szScanDrive) + szScanDir + ppScanFileName[i]);
    if (bModelComputed) {
        r.bHaveParameters = true;
        for (int k = 1; k <= 34; ++k) {
            // each entry named for what it means in the model that ran
            const ParameterMeaning m = parameterMeaning(k);
            r.pszName[k] = m.szName;
            r.pfValue[k] = pParamValue[k];
            r.pnFloat[k] = m.bFitFlag ? pParamFloat[k] : 0;
        }
        r.bHaveRmsd = true;
        r.fRmsd = calcRmsd();
        writeModelResults(dir, &r);
        // A result that is no finite number is a failure, said like the others.
        const std::string why = nonFiniteResults(r.fRmsd);
        if (!why.empty()) MessageBox(HWindow, ("the results are not finite numbers: " + why).c_str(), "ERROR", MB_OK);
    }

    // The screenshot: the window painted as it stands.
    if (HWindow) {
        Invalidate(true);
        UpdateWindow();
        if (saveWindowImage(HWindow, (dir + "screenshot.bmp").c_str())) {
            r.resultFiles.push_back("screenshot.bmp");
        } else {
            std::fprintf(stderr, "morvex: %sscreenshot.bmp cannot be written\n", dir.c_str());
            nProgramExitCode = 1;
        }
    }
    // The column table of noise, data and fit for outside plotting.
    if (nScans > 0) {
        if (writeSvdFrData((dir + "svdfrdata.dat").c_str())) {
            r.resultFiles.push_back("svdfrdata.dat");
        } else {
            std::fprintf(stderr, "morvex: %ssvdfrdata.dat cannot be written\n", dir.c_str());
            nProgramExitCode = 1;
        }
    }
    // Every message of the run goes to the record (standard error had each
    // one as it appeared).
    for (const std::string& line : headless::transcript())
        if (line.compare(0, 11, "MessageBox ") == 0) r.messages.push_back(line);
    // The transcript goes first, so the record names it only when it is there.
    if (headless::saveTranscript((dir + "transcript.txt").c_str())) {
        r.resultFiles.push_back("transcript.txt");
    } else {
        std::fprintf(stderr, "morvex: %stranscript.txt cannot be written\n", dir.c_str());
        nProgramExitCode = 1;
    }
    r.nExitCode = nProgramExitCode;
    if (!writeResultParameters((dir + "ResultParameters.xml").c_str(), r)) {
        std::fprintf(stderr, "morvex: %sResultParameters.xml cannot be written\n", dir.c_str());
        nProgramExitCode = 1;
    }
    r.nExitCode = nProgramExitCode;
    szRunSummary = resultSummary(r, dir);
    szSideFileFolder.clear();
    releaseResultsFolder();
    headless::setTranscriptObserver(nullptr);
}
