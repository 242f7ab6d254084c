// Generate > Single and Generate > Series, and the synthetic data set itself
// (see synthetic_data.h).
#include "fitting/synthetic_data.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/distribution_file.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "numerics/random.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_paths.h"
#include "tools/exports/xp_export.h"

using namespace win;

unsigned char bGeneratingSeries = 0;
char szDistribPath[260] = "";

namespace {

constexpr const char* szGenerate = "GENERATE DATA";
constexpr const char* szTemplateName = "0000x.RA0";
constexpr float fSyntheticBottom = 7.2f;
constexpr float fDefaultMeniscus = 6.2f;
// Path length of the cell (cm) that turns an extinction coefficient into a
// signal per molar concentration.
constexpr double dPathLength = 1.2;

bool isSelfAssociationModel()
{
    return bModelMonomerDimer || bModelMonomerTrimer || bModelSelfAssoc124 || bModelSelfAssoc148;
}

bool askPositive(TXLAWindow* w, float* pf, float fDefault, const char* szPrompt)
{
    return inputPositiveFloatInWindow(w, pf, fDefault, true, szPrompt, szGenerate);
}

bool askYesNo(TXLAWindow* w, const char* szText, const char* szTitle = szGenerate)
{
    return MessageBox(w->HWindow, szText, szTitle, MB_YESNO) == IDYES;
}

void windowText(TXLAWindow* w, int x, int y, const char* szText)
{
    if (!bWindowPainted || !w) return;
    HDC dc = w->GetDC();
    if (!dc) return;
    TextOut(dc, x, y, szText, static_cast<int>(std::strlen(szText)));
    w->ReleaseDC(dc);
}

// A count asked as a number: rounded down, none below 0.
int countOf(float f)
{
    if (!(f > 0.0f)) return 0;
    return f < 1e6f ? static_cast<int>(std::floor(f)) : 1000000;
}

// The association constants asked and stored by the rapid self-association
// models, as the base-10 logarithm of their signal-based form.
struct AssociationAnswers {
    float fTotalConc = 0.0f;
    float fLog1 = 0.0f;
    float fLog2 = 0.0f;
    bool bTwo = false;
};

bool askAssociation(TXLAWindow* w, AssociationAnswers* a)
{
    float fExtinction = 100000.0f, fConc = 1.0f;
    if (!askPositive(w, &fExtinction, 100000.0f, "extinction coefficient [M^-1cm^-1]")) return false;
    const double E = fExtinction * dPathLength;
    if (!askPositive(w, &fConc, 1.0f, "total molar concentration [uM]")) return false;
    a->fTotalConc = static_cast<float>(E * fConc * 1e-6);
    // (prompt, factor, power of E) of the first and second constant
    struct Constant {
        const char* szPrompt;
        double dFactor;
        int nPower;
    };
    Constant c1{nullptr, 0, 0}, c2{nullptr, 0, 0};
    if (bModelMonomerDimer) {
        c1 = {"Ka12 [1/M]", 2.0, 1};
    } else if (bModelMonomerTrimer) {
        c1 = {"Ka13 [1/M]", 3.0, 2};
    } else if (bModelSelfAssoc124) {
        c1 = {"Ka12 [1/M]", 1.0, 1};
        c2 = {"Ka14 [1/M]", 4.0, 3};
    } else {
        c1 = {"Ka14 [1/M]", 4.0, 3};
        c2 = {"Ka18 [1/M]", 8.0, 7};
    }
    auto ask = [&](const Constant& c, float* pfLog) {
        float fK = 500000.0f;
        if (!askPositive(w, &fK, 500000.0f, c.szPrompt)) return false;
        *pfLog = static_cast<float>(std::log10(c.dFactor * fK / std::pow(E, c.nPower)));
        return true;
    };
    if (!ask(c1, &a->fLog1)) return false;
    a->bTwo = c2.szPrompt != nullptr;
    if (a->bTwo && !ask(c2, &a->fLog2)) return false;
    return true;
}

void applyAssociation(const AssociationAnswers& a)
{
    fSATotalConc = pParamValue[11] = a.fTotalConc;
    fSALog10Ka = pParamValue[3] = a.fLog1;
    if (a.bTwo) fSALog10Ka2 = pParamValue[7] = a.fLog2;
}

// The save dialog of the generated scans; false on Cancel.
bool askScanPath(TXLAWindow* w, char* szPath, int nSize)
{
    std::snprintf(szPath, static_cast<size_t>(nSize), "%s", szTemplateName);
    return AskSaveWithWindowRecord(w, szPath, nSize, "save generated data as", true);
}

void generateWithCursor(TXLAWindow* w, float dr, float rpm, float accel, float noise, float dt, float t1, int nScansOut,
                        const char* szPath)
{
    bRepaintAfterCalc = 1;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    w->GenerateSyntheticData(0, dr, rpm, accel, noise, dt, t1, nScansOut, szPath);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    bRepaintAfterCalc = 0;
}

// A file of the text in the folder; false when it could not be written.
bool writeTextFile(const std::string& path, const std::string& text)
{
    FILE* f = fopenMapped(path.c_str(), "w");
    if (!f) return false;
    std::fputs(text.c_str(), f);
    return std::fclose(f) == 0;
}

}  // namespace

int syntheticRadii(float fMeniscus, float fBottom, float dr, float* pRadii)
{
    if (!(dr > 0.0f) || !(fMeniscus <= fBottom)) return 0;
    int n = 0;
    for (float r = fMeniscus; r <= fBottom;) {
        ++n;
        if (pRadii) pRadii[n] = r;
        const float rNext = r + dr;
        if (rNext == r) break;  // a step below the float resolution ends the radii
        r = rNext;
    }
    return n;
}

int automaticScanCount(float fS, float fMeniscus, float fRightLimit, float fRpm, float fInterval)
{
    const double w = omegaOfRpm(fRpm);
    if (!(fS > 0.0f) || !(fMeniscus > 0.0f) || !(fRightLimit > fMeniscus) || !(w > 0.0) || !(fInterval > 0.0f))
        return 0;
    const double T = std::log(static_cast<double>(fRightLimit) / fMeniscus) / (fS * w * w * 1e-13);
    const double n = std::floor(T / fInterval);
    if (!std::isfinite(n) || n < 0.0) return 0;
    return n > 1e9 ? 1000000000 : static_cast<int>(n);
}

void TXLAWindow::GenerateSyntheticData(int bKeepData, float dr, float fRpm, float fAcceleration, float fNoise,
                                       float fInterval, float fFirstTime, int nScansOut, const char* szPath)
{
    (void)bKeepData;  // a new data set is always built
    // 1.
    if (nScansOut < 1) return;
    if (nScansOut > nMaxScans) {
        char sz[120];
        std::snprintf(sz, sizeof sz, "at most %d scans can be generated", nMaxScans);
        MessageBox(HWindow, sz, szGenerate, MB_OK);
        return;
    }
    bDataChanged = 1;
    bExperimentalInitialDistribution = 0;
    bConstantInitialDistribution = 1;
    bAlgebraicConcentrations = 0;
    bAlgebraicBaseline = 0;
    bFitTINoise = 0;
    bFitRINoise = 0;
    // 2.
    const ScanPathParts where = splitScanPath(szPath ? szPath : "");
    copyToBuffer(szScanDrive, sizeof szScanDrive, where.drive);
    copyToBuffer(szScanDir, sizeof szScanDir, where.dir);
    copyToBuffer(szListFilePath, sizeof szListFilePath, where.drive + where.dir);
    copyToBuffer(szDistribPath, sizeof szDistribPath, where.drive + where.dir + "distrib.dat");
    // 3. - 4.
    const float fMen = fMeniscus, fBot = fBottom;
    const int n = syntheticRadii(fMen, fBot, dr, nullptr);
    if (n < 1) return;
    freeExtrapolationArrays();
    freeScanData();
    nExtrapolationPoints = n;
    pExtrapolation1 = vector(1, n);
    pExtrapolation2 = vector(1, n);
    syntheticRadii(fMen, fBot, dr, pExtrapolation1);
    int k1 = 1;
    while (k1 < 4 && !pSpeciesIncluded[k1]) ++k1;
    const float fLoading = isSelfAssociationModel() ? fSATotalConc : pSpeciesConc[k1];
    for (int j = 1; j <= n; ++j) pExtrapolation2[j] = fLoading;
    // 5.
    bInvertBand = bModelZone ? (MessageBox(HWindow, "invert band initial distribution?", "", MB_YESNO) == IDYES) : 0;
    // 6.
    std::memset(&hdrInitialScan, 0, sizeof hdrInitialScan);
    std::snprintf(hdrInitialScan.title, sizeof hdrInitialScan.title, "synthetic");
    hdrInitialScan.rpm = fRpm;
    hdrInitialScan.titleMeniscus = fMen;
    hdrInitialScan.nPoints = n;
    // 7. The scans.
    allocScanDataSet(nScansOut);
    const double dOmega2 = (fRpm / 60.0) * (fRpm / 60.0) * 4.0 * M_PI * M_PI;
    const bool bRamp = fAcceleration > 0.0f;
    const double dRampTime = bRamp ? fRpm / fAcceleration : 0.0;
    for (int i = 1; i <= nScansOut; ++i) {
        ppScanFileName[i] = new char[260];
        std::snprintf(ppScanFileName[i], 260, "%05d.ra0", i);
        pScanPoints[i] = n;
        ppRadius[i] = vector(1, n);
        ppSignal[i] = vector(1, n);
        std::memcpy(ppRadius[i] + 1, pExtrapolation1 + 1, sizeof(float) * static_cast<size_t>(n));
        completeScanArrays(i);
        ScanHeader& h = pScanHeaders[i];
        std::memset(&h, 0, sizeof h);
        std::snprintf(h.title, sizeof h.title, "synthetic");
        h.dataType = 'R';
        h.cell = 1;
        h.temperature = 20.0f;
        h.rpm = fRpm;
        double t = fFirstTime == 0.0f ? i * static_cast<double>(fInterval) : (i - 1) * static_cast<double>(fInterval) + fFirstTime;
        double w2t = dOmega2 * t;
        if (bRamp) {
            h.accelRate = fAcceleration;
            h.accelTime = dRampTime;
            // the integral of omega^2 over a linear ramp
            t += dRampTime;
            w2t += dOmega2 * dRampTime / 3.0;
        }
        h.time = h.timeWritten = h.timeRead = t;
        h.omega2t = w2t;
        h.wavelength = 100.0f;
        h.count = 1;
        h.titleMeniscus = fMen;
        h.nPoints = n;
        h.timeStampChecked = 1;
        pFitFirstIndex[i] = 1;
        pFitLastIndex[i] = n;
    }
    // the parameter and grid files of later fits beside the generated scans
    setDataSidePaths(where.drive, where.dir);
    // absorbance scans of sedimentation, whatever the set before held (the
    // flag of a light-scattering set would send the model to its kernels,
    // which find no records and leave the scans empty)
    bAbsorbanceData = 1;
    bInterferenceData = 0;
    bIntensityData = 0;
    bDLSData = 0;
    fTemperatureK = pScanHeaders[nScansOut].temperature + kZeroCelsiusF;
    fRT = fTemperatureK * kGasConstantF;
    // 8. The noise, in the residual arrays until the model is there.
    for (int i = 1; i <= nScansOut; ++i)
        for (int j = 1; j <= n; ++j)
            ppResidual[i][j] = fNoise != 0.0f ? static_cast<float>(gaussianRandom(fNoise)) : 0.0f;
    // 9.
    if (!bGeneratingSeries) {
        fFitLeftLim = fMen + 0.01f;
        fFitRightLim = fBot - 0.01f;
    }
    // The models evaluated on the noise grid find it, the progress of the
    // evaluation its plot.
    setupNoiseRadialGrid();
    buildScanPlotVectors();
    // 10.
    const unsigned char bRampBefore = bRampRotorSpeed, bW2tBefore = bTimesFromW2t;
    if (bRamp) {
        bRampRotorSpeed = 1;
        bTimesFromW2t = 0;
    }
    if (!bModelContinuous) {
        CalcModel();
    } else {
        char sz[400];
        std::snprintf(sz, sizeof sz, "put synthetic distribution in %s", szDistribPath);
        MessageBox(HWindow, sz, "ATTENTION", MB_OK);
        bSyntheticDistNormalized =
            MessageBox(HWindow, "is synthetic distribution normalized?", "ATTENTION", MB_YESNO) != IDNO;
        if (loadDistributionFromFile(szDistribPath)) {
            const unsigned char bAbsorbance = bAbsorbanceData;
            bUseScanRadii = 1;
            bAbsorbanceData = 0;
            RunContiSed(this);
            bAbsorbanceData = bAbsorbance;
            // a later Run builds its own grid again
            bUseScanRadii = 0;
        }
    }
    bRampRotorSpeed = bRampBefore;
    bTimesFromW2t = bW2tBefore;
    // 11.
    if (bTimesFromW2t)
        for (int i = 1; i <= nScansOut; ++i) {
            const double w = pScanHeaders[i].rpm * kRpmToOmegaShort;
            if (w > 0.0) pScanHeaders[i].time = pScanHeaders[i].omega2t / (w * w);
        }
    // 12.
    for (int i = 1; i <= nScansOut; ++i)
        for (int j = 1; j <= n; ++j) ppSignal[i][j] = ppFit[i][j] + ppResidual[i][j];
    // 13.
    sortScansByTime();
    setupNoiseRadialGrid();
    updateLeftFitLimit();
    updateRightFitLimit();
    // 14.
    for (int i = 1; i <= nScansOut; ++i) {
        const std::string path = where.drive + where.dir + ppScanFileName[i];
        writeScanFile(path.c_str(), n, ppRadius[i], ppSignal[i], nullptr, nullptr, 1, &pScanHeaders[i]);
    }
    // 15.
    if (fNoise != 0.0f) {
        const float fDev = calcRmsd();
        if (!bGeneratingSeries) {
            char sz[60];
            std::snprintf(sz, sizeof sz, "mean dev = %f  ", fDev);
            windowText(this, 10, 50, sz);
        }
    }
    bModelComputed = 0;
    buildScanPlotVectors();
    setPlotAxisLabels();
    redrawDataPlot(1);
    if (bRepaintAfterCalc) InvalidateUnlessBatch();
}

void TXLAWindow::CmGenerateSingle()
{
    // 2.
    if (bBoundaryAnalysisMode) {
        MessageBox(HWindow, "no simulation for van Holde-Weischet boundaries implemented", "", MB_OK);
        return;
    }
    // 3. - 4. and 6.: the answers first, so a Cancel leaves everything as it was.
    unsigned char bMolarMass = 1;
    if (!bModelContinuous) bMolarMass = askYesNo(this, "Fit with M and s instead D and s?") ? 1 : 0;
    float dr = 0.001f, fRpm = 50000.0f, fAcceleration = -1.0f, fInterval = 300.0f, fCount = 50.0f, fNoise = 0.01f;
    if (!askPositive(this, &dr, 0.001f, "density of points dr (cm)")) return;
    if (!askPositive(this, &fRpm, 50000.0f, "rotor speed (rpm)")) return;
    if (askYesNo(this, "simulate with rotor acceleration phase?")) {
        float f = 200.0f;
        if (askPositive(this, &f, 200.0f, "acceleration (rpm/sec)")) fAcceleration = f;
    }
    if (!askPositive(this, &fInterval, 300.0f, "time interval of scans (sec)")) return;
    if (!askPositive(this, &fCount, 50.0f, "number of simulated scans")) return;
    if (!askPositive(this, &fNoise, 0.01f, "std of noise (OD)")) return;
    AssociationAnswers association;
    if (isSelfAssociationModel() && !askAssociation(this, &association)) return;
    bUseMolarMass = bMolarMass;
    // 5.
    paramVectorToGlobals();
    if (fMeniscus == 0.0f) fMeniscus = fDefaultMeniscus;
    fBottom = fSyntheticBottom;
    pParamValue[13] = fMeniscus;
    pParamValue[14] = fBottom;
    globalsToParamVector();
    setAutoMeniscusBottomLimits();
    if (isSelfAssociationModel()) applyAssociation(association);
    // 7.
    CmParameters();
    // 8.
    char szPath[260];
    if (!askScanPath(this, szPath, sizeof szPath)) return;
    // 9.
    generateWithCursor(this, dr, fRpm, fAcceleration, fNoise, fInterval, 0.0f, countOf(fCount), szPath);
}

void TXLAWindow::CmGenerateSeries()
{
    if (!bModelDiscreteSpecies || bBoundaryAnalysisMode || bModelContinuous) return;
    // 1. - 2.
    CmParameters();
    if (!bParamsAccepted) return;
    char szPath[260];
    if (!askScanPath(this, szPath, sizeof szPath)) return;
    const ScanPathParts chosen = splitScanPath(szPath);
    // 3. The lists; a Cancel stops every further question.
    bool bGo = true;
    auto askList = [&](const char* szCount, float fCountDefault, const char* szItem, float fDefault,
                       std::vector<float>* pList) {
        if (!bGo) return;
        float fCount = fCountDefault;
        if (!askPositive(this, &fCount, fCountDefault, szCount)) {
            bGo = false;
            return;
        }
        const int nCount = countOf(fCount);
        for (int i = 1; i <= nCount && bGo; ++i) {
            char sz[120];
            std::snprintf(sz, sizeof sz, szItem, i);
            float f = fDefault;
            if (askPositive(this, &f, fDefault, sz))
                pList->push_back(f);
            else
                bGo = false;
        }
    };
    auto askOne = [&](const char* szPrompt, float fDefault, float* pf) {
        if (bGo && !askPositive(this, pf, fDefault, szPrompt)) bGo = false;
    };
    std::vector<float> spacings, speeds, noises, menisci, traces;
    float fAcceleration = -1.0f, fInterval = 300.0f, fScans = 0.0f, fOffset = 0.0f;
    askList("# radial increments?", 2.0f, "%d - density of points dr (cm)", 0.001f, &spacings);
    askList("# rotor speeds?", 2.0f, "%d - rotor speed (rpm)?", 50000.0f, &speeds);
    if (bGo && askYesNo(this, "simulate with rotor acceleration phase?")) {
        float f = 200.0f;
        askOne("acceleration (rpm/sec)", 200.0f, &f);
        if (bGo) fAcceleration = f;
    }
    askOne("time interval of scans (sec)", 300.0f, &fInterval);
    askOne("number of simulated scans (0 for auto)", 0.0f, &fScans);
    askList("# noise levels?", 2.0f, "%d - noise level?", 0.01f, &noises);
    askList("# menisci?", 2.0f, "%d - meniscus (cm)?", 6.2f, &menisci);
    askList("# trace concentrations?", 2.0f, "%d - 2nd species concentration (%%)?", 1.0f, &traces);
    askOne("directory # offset", 0.0f, &fOffset);
    if (!bGo) return;
    for (float& c : traces) c /= 100.0f;
    const int nOffset = countOf(fOffset);

    // 4.
    bGeneratingSeries = 1;
    int k = 0;
    for (float dr : spacings)
        for (float fRpm : speeds)
            for (float fNoise : noises)
                for (float fMen : menisci)
                    for (float fTrace : traces) {
                        ++k;
                        // 1.
                        fMeniscus = pParamValue[13] = fMen;
                        pParamValue[10] = pSpeciesConc[2] = fTrace;
                        // 6. (the geometry first: the automatic count needs it)
                        paramVectorToGlobals();
                        fBottom = pParamValue[14] = fSyntheticBottom;
                        globalsToParamVector();
                        setAutoMeniscusBottomLimits();
                        fFitLeftLim = fMeniscus + 0.01f;
                        // a right limit not set yet is the one a single set gets
                        if (fFitRightLim == 0.0f) fFitRightLim = fBottom - 0.01f;
                        // 8.
                        int nScansOut = countOf(fScans);
                        const std::string folder = chosen.drive + chosen.dir + std::to_string(nOffset + k);
                        if (nScansOut < 1) {
                            const float fRight = fFitRightLim;
                            nScansOut = automaticScanCount(pSpeciesS[1], fMeniscus, fRight, fRpm, fInterval);
                            if (nScansOut < 1) {
                                char sz[600];
                                std::snprintf(sz, sizeof sz,
                                              "number of scans (0 for auto): species 1 (s = %.3f S) does not reach "
                                              "the right fit limit (%.3f cm) from the meniscus (%.3f cm)\nno data "
                                              "generated for %s",
                                              pSpeciesS[1], fRight, fMeniscus, folder.c_str());
                                MessageBox(HWindow, sz, szGenerate, MB_OK);
                                continue;
                            }
                        }
                        // refused before its folder and files are written
                        if (nScansOut > nMaxScans) {
                            char sz[600];
                            std::snprintf(sz, sizeof sz,
                                          "combination %d (dr = %.4f cm, %.0f rpm, noise %.3f, meniscus %.3f cm, 2nd "
                                          "species %.3f %%) needs %d scans of %.0f s: at most %d scans can be "
                                          "generated\nno data generated for %s",
                                          k, dr, fRpm, fNoise, fMen, fTrace * 100.0f, nScansOut, fInterval, nMaxScans,
                                          folder.c_str());
                            MessageBox(HWindow, sz, szGenerate, MB_OK);
                            continue;
                        }
                        // 2.
                        if (GetFileAttributes(folder.c_str()) != FILE_ATTRIBUTE_DIRECTORY &&
                            !CreateDirectory(folder.c_str(), nullptr)) {
                            MessageBox(HWindow, "could not create new directory", szGenerate, MB_OK);
                            break;
                        }
                        const char cSep = pathSeparatorOf(folder);
                        const std::string dir = folder + cSep;
                        // 3.
                        char sz[400];
                        std::snprintf(sz, sizeof sz,
                                      "%f (percent ctrace)\n%f (dr)\n%f (omega)\n%f (noise)\n%f (meniscus)\n",
                                      fTrace * 100.0f, dr, fRpm, fNoise, fMen);
                        writeTextFile(dir + "info_" + std::to_string(k) + ".txt", sz);
                        // 4.
                        const std::pair<const char*, float> markers[] = {{"tracepercent=%.3f", fTrace * 100.0f},
                                                                         {"dr=%.4f_cm", dr},
                                                                         {"omega=%.0f_rpm", fRpm},
                                                                         {"noise=%.3f", fNoise},
                                                                         {"meniscus=%.3f", fMen}};
                        for (const auto& m : markers) {
                            char szName[100];
                            std::snprintf(szName, sizeof szName, m.first, m.second);
                            writeTextFile(dir + szName + ".info", "1");
                        }
                        // 5.
                        windowText(this, 10, 50, folder.c_str());
                        // 7.
                        const float fFirst = fAcceleration > 0.0f ? fRpm / fAcceleration + 10.0f : 0.0f;
                        // 9.
                        const std::string path = dir + chosen.name + chosen.ext;
                        generateWithCursor(this, dr, fRpm, fAcceleration, fNoise, fInterval, fFirst, nScansOut,
                                           path.c_str());
                        // 10. The density of water at 20 degrees Celsius, for this file only.
                        const float fDensity = fBufferDensity, fVbarRhoBefore = fVbarRho;
                        fBufferDensity = kWaterDensity20F;
                        writeXpExperimentFile(this, (dir + "xp" + std::to_string(nOffset + k) + ".xp").c_str());
                        fBufferDensity = fDensity;
                        fVbarRho = fVbarRhoBefore;
                    }
    // 5.
    bGeneratingSeries = 0;
}
