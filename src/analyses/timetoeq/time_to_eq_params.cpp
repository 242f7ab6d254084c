// The parameter record of the time-to-equilibrium tool and its preferences
// file.
#include "analyses/timetoeq/time_to_eq_params.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "analyses/timetoeq/approach_to_eq_sim.h"
#include "app/xla_window.h"
#include "distributions/hydrodynamics.h"
#include "models/model_globals.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"
#include "scandata/rotor_speed_profile.h"

TimeToEqParams timeToEqParams;
CApproachToEqSim* pApproachToEqSim = nullptr;
char szTimeToEqResultPath[260] = "";
char szTimeToEqBackupPath[260] = "";

namespace {

// Counts are stored as floats; beyond this they are no counts of this tool.
constexpr float fMaxCount = 1e6f;

int toInt(float f) { return static_cast<int>(std::floor(f)); }
unsigned char toFlag(float f) { return f > 0.0f ? 1 : 0; }

}  // namespace

void timeToEqParamsToValues(const TimeToEqParams& p, float* v)
{
    v[0] = p.fFinalRpm;
    v[1] = p.fInitialRpm;
    v[2] = p.fAccelerationRate;
    v[3] = p.fDecelerationRate;
    v[4] = p.fGridStep;
    v[5] = p.fOverspeedTime;
    v[6] = p.fBottom;
    v[7] = p.fMeniscus;
    v[8] = p.fRightLimit;
    v[9] = p.fLeftLimit;
    v[10] = static_cast<float>(p.nSpecies);
    v[11] = p.fVbar;
    v[12] = p.fTemperature;
    v[13] = p.fEpsilon;
    v[14] = static_cast<float>(p.nParams);
    v[15] = p.fMaxOverconcentration;
    v[16] = p.bDistribution ? 1.0f : 0.0f;
    v[17] = p.bExtrapolateData ? 1.0f : 0.0f;
    v[18] = static_cast<float>(p.nRepeats);
    v[19] = p.bSaveScanFiles ? 1.0f : 0.0f;
    v[20] = p.bSaveEquMethod ? 1.0f : 0.0f;
    v[21] = p.fDensity;
    v[22] = p.fViscosity;
    v[23] = p.fS1;
    v[24] = p.fM1;
    v[25] = p.fFf01;
    v[26] = p.bUseFf01 ? 1.0f : 0.0f;
    v[27] = p.bSecondSpecies ? 1.0f : 0.0f;
    v[28] = p.fFraction2;
    v[29] = p.fS2;
    v[30] = p.fM2;
    v[31] = p.fVbar2;
    v[32] = p.fFf02;
    v[33] = p.bUseFf02 ? 1.0f : 0.0f;
    v[34] = static_cast<float>(p.dD1 * 1e7);
    v[35] = static_cast<float>(p.dD2 * 1e7);
    v[36] = p.fLastOptimizedTime;
    v[37] = p.fQuantum;
    v[38] = p.bExponential ? 1.0f : 0.0f;
    v[39] = p.bHistory ? 1.0f : 0.0f;
    v[40] = p.fInitialStepRadius;
}

bool timeToEqValuesUsable(const float* v)
{
    for (int k = 0; k < nTimeToEqFileValues; ++k)
        if (!std::isfinite(v[k])) return false;
    for (int k : {10, 14, 18})
        if (std::fabs(v[k]) > fMaxCount) return false;
    // speeds, rates and the time grid divide or step; the grid of the
    // overspeed phase has a number of points one can hold
    if (!(v[0] > 0.0f) || !(v[2] > 0.0f) || !(v[3] > 0.0f) || !(v[4] > 0.0f)) return false;
    if (!(v[5] / v[4] <= 1e5f)) return false;
    // a column with room: the bottom beyond a meniscus above the axis
    if (!(v[7] > 0.0f) || !(v[6] > v[7])) return false;
    if (!(v[12] > -kZeroCelsiusF)) return false;
    // the tolerance goes into a logarithm
    if (!(v[13] > 0.0f)) return false;
    // the exponential form divides by the parameter count - 1
    if (toInt(v[14]) < (toFlag(v[38]) ? 2 : 1)) return false;
    if (toInt(v[18]) < 1) return false;
    // each species in use: M and the value its s or f/f0 is made from
    if (!(v[24] > 0.0f)) return false;
    if (toFlag(v[26]) ? !(v[25] > 0.0f) : v[23] == 0.0f) return false;
    if (toFlag(v[27])) {
        // its share of the loading leaves species 1 none below 0
        if (!(v[28] <= 1.0f)) return false;
        if (!(v[30] > 0.0f)) return false;
        if (toFlag(v[33]) ? !(v[32] > 0.0f) : v[29] == 0.0f) return false;
    }
    return true;
}

void discardTimeToEqParamVector(TimeToEqParams* p)
{
    if (p->pParamVector) free_vector(p->pParamVector, 1, p->nParamVector);
    p->pParamVector = nullptr;
    p->nParamVector = 0;
}

void timeToEqValuesToParams(const float* v, TimeToEqParams* p)
{
    p->fFinalRpm = v[0];
    p->fInitialRpm = v[1];
    p->fAccelerationRate = v[2];
    p->fDecelerationRate = v[3];
    p->fGridStep = v[4];
    p->fOverspeedTime = v[5];
    p->fBottom = v[6];
    p->fMeniscus = v[7];
    p->fRightLimit = v[8];
    p->fLeftLimit = v[9];
    p->nSpecies = toInt(v[10]);
    p->fVbar = v[11];
    p->fTemperature = v[12];
    p->fEpsilon = v[13];
    const int nParams = toInt(v[14]);
    if (nParams != p->nParams) discardTimeToEqParamVector(p);
    p->nParams = nParams;
    p->fMaxOverconcentration = v[15];
    p->bDistribution = toFlag(v[16]);
    p->bExtrapolateData = toFlag(v[17]);
    p->nRepeats = toInt(v[18]);
    p->bSaveScanFiles = toFlag(v[19]);
    p->bSaveEquMethod = toFlag(v[20]);
    p->fDensity = v[21];
    p->fViscosity = v[22];
    p->fS1 = v[23];
    p->fM1 = v[24];
    p->fFf01 = v[25];
    p->bUseFf01 = toFlag(v[26]);
    p->bSecondSpecies = toFlag(v[27]);
    p->fFraction2 = v[28];
    p->fS2 = v[29];
    p->fM2 = v[30];
    p->fVbar2 = v[31];
    p->fFf02 = v[32];
    p->bUseFf02 = toFlag(v[33]);
    p->dD1 = v[34] * 1e-7;
    p->dD2 = v[35] * 1e-7;
    p->fLastOptimizedTime = v[36];
    p->fQuantum = v[37];
    p->bExponential = toFlag(v[38]);
    p->bHistory = toFlag(v[39]);
    p->fInitialStepRadius = v[40];
}

void resetTimeToEqParams(TimeToEqParams* p)
{
    discardTimeToEqParamVector(p);
    delete p->pHistoryProfile;
    *p = TimeToEqParams();
}

float volumeToMeniscus(float fVolume, float fBottom)
{
    return 0.1f * std::sqrt((10.0f * fBottom) * (10.0f * fBottom) - fVolume / (0.04164258f * 12.0f * 0.5f));
}

void completeTimeToEqSpecies(TimeToEqParams* p)
{
    const float fRelViscosity = p->fViscosity / STANDARDVISCOSITY;
    const float fRT = (p->fTemperature + kZeroCelsiusF) * kGasConstantF;
    auto complete = [&](float fM, float fVbar, float* pfS, float* pfFf0, unsigned char bUseFf0, double* pdD) {
        const float fSphere = sphereSFromM(fM, fVbar, p->fTemperature, p->fDensity, fRelViscosity);
        if (bUseFf0)
            *pfS = fSphere / *pfFf0;
        else
            *pfFf0 = fSphere / *pfS;
        *pdD = *pfS * 1e-13 * fRT / ((1.0 - fVbar * p->fDensity) * fM);
    };
    complete(p->fM1, p->fVbar, &p->fS1, &p->fFf01, p->bUseFf01, &p->dD1);
    if (p->bSecondSpecies) complete(p->fM2, p->fVbar2, &p->fS2, &p->fFf02, p->bUseFf02, &p->dD2);
}

void timeToEqSideFilePath(const char* szPath, const char* szAppend, char* szOut, int nSize)
{
    std::string path = szPath ? szPath : "";
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    std::string out;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        out = path.substr(0, dot) + szAppend + path.substr(dot);
    else
        out = path + szAppend;
    std::snprintf(szOut, static_cast<size_t>(nSize), "%s", out.c_str());
}

bool SaveSimAppEqParameterPreferences(TXLAWindow* pWindow, const char* szPath)
{
    if (pWindow) pWindow->DebugLog("\nEnter SaveLammEqParameterPreferences");
    TimeToEqParams& p = timeToEqParams;
    CVector values(nTimeToEqFileValues);
    timeToEqParamsToValues(p, values.pData);
    if (!values.Save(szPath)) return false;
    if (p.bHistory) {
        char szSide[260];
        timeToEqSideFilePath(szPath, "_iniduration", szSide, sizeof szSide);
        CVector duration(1);
        duration.pData[0] = p.fHistoryDuration;
        duration.Save(szSide);
        if (p.pHistoryProfile) {
            timeToEqSideFilePath(szPath, "_speedsteps", szSide, sizeof szSide);
            p.pHistoryProfile->Save(szSide);
        }
    }
    return true;
}

bool LoadSimAppEqParameterPreferences(TXLAWindow*, const char* szPath)
{
    if (!szPath || !fileExists(szPath)) return false;
    CVector values;
    if (!values.Load(szPath) || values.nSize < static_cast<unsigned>(nTimeToEqFileValues)) return false;
    if (!timeToEqValuesUsable(values.pData)) return false;
    TimeToEqParams& p = timeToEqParams;
    timeToEqValuesToParams(values.pData, &p);
    if (!p.bHistory) return true;

    char szSide[260], szText[400];
    timeToEqSideFilePath(szPath, "_iniduration", szSide, sizeof szSide);
    if (!fileExists(szSide)) {
        std::snprintf(szText, sizeof szText,
                      "error - auxillary duration parameter file %s is missing - please enter new in parameter box ",
                      szSide);
        showErrorMessage(szText, 0);
        return false;
    }
    CVector duration;
    if (!duration.Load(szSide) || duration.nSize < 1 || !std::isfinite(duration.pData[0])) {
        std::snprintf(szText, sizeof szText,
                      "error - auxillary duration parameter file %s is corrupt - please enter new in parameter box ",
                      szSide);
        showErrorMessage(szText, 0);
        return false;
    }
    p.fHistoryDuration = duration.pData[0];

    timeToEqSideFilePath(szPath, "_speedsteps", szSide, sizeof szSide);
    if (!p.pHistoryProfile) p.pHistoryProfile = new CRotorSpeedProfile;
    if (fileExists(szSide)) p.pHistoryProfile->Load(szSide);
    if (!fileExists(szSide) || p.pHistoryProfile->nSteps < 1) {
        std::snprintf(szText, sizeof szText,
                      "error - auxillary speedsteps parameter file %s is corrupt - please enter new in parameter box ",
                      szSide);
        showErrorMessage(szText, 0);
        return false;
    }
    return true;
}
