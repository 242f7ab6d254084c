// CLammIdeal: the rotor speed along the simulated time (acceleration from rest
// and multi-step speed profiles).
#include <cmath>
#include <cstdio>

#include "lamm/lamm_ideal.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/error_box.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_header.h"

void CLammIdeal::CheckRotorSpeeds(const CRotorSpeedProfile* p)
{
    if (!p) return;
    LoadSpeedSteps(p->nSteps, p->stepStart, p->stepRpm, p->stepRate, p->mode);
}

void CLammIdeal::LoadSpeedSteps(int n, const float* start, const float* rpm, const float* rate,
                                int checkMode)
{
    if (n < 1 || !start || !rpm || !rate) return;
    free_dvector(pStepStart, 1, nSpeedSteps);
    free_dvector(pStepAccelEnd, 1, nSpeedSteps);
    free_dvector(pStepRpm, 1, nSpeedSteps);
    free_dvector(pStepRate, 1, nSpeedSteps);
    nSpeedSteps = n;
    pStepStart = dvector(1, n);
    pStepAccelEnd = dvector(1, n);
    pStepRpm = dvector(1, n);
    pStepRate = dvector(1, n);
    for (int i = 1; i <= n; i++) {
        pStepStart[i] = start[i];
        pStepRpm[i] = rpm[i];
        pStepRate[i] = rate[i];
    }
    // Each speed change ends its speed difference over its rate after the
    // step's own start; a rate of 0 is an instantaneous change.
    for (int i = 1; i <= n; i++) {
        const double from = (i == 1) ? 0.0 : pStepRpm[i - 1];
        const double change = std::fabs(pStepRpm[i] - from);
        pStepAccelEnd[i] = pStepStart[i] + (pStepRate[i] > 0 ? change / pStepRate[i] : 0.0);
    }
    for (int i = 1; i <= n - 1; i++)
        if (pStepStart[i + 1] < pStepAccelEnd[i]) pStepAccelEnd[i] = pStepStart[i + 1] - 1.0;
    bSpeedProfile = 1;
    bCheckAcceleration = 0;
    dFinalRpm = pStepRpm[n];
    bStepAtConstantSpeed = 0;
    bProfileFinished = 0;
    nCurrentSpeedStep = 1;
    if (checkMode > 0) {
        if (!bSedParamsOk || !pScanHeaders || nScans < 1 || !pScanList) {
            showErrorMessage("can't check rotor speeds - data not loaded", 0);
            return;
        }
        for (int k = 1; k <= nScans; k++) {
            ScanHeader& h = pScanHeaders[pScanList[k]];
            const double t = h.timeWritten;
            const double predicted = SpeedAtTime(t);
            if (checkMode == 1) {
                if (std::fabs(h.rpm - predicted) > 100) {
                    char text[300];
                    std::snprintf(text, sizeof text,
                                  "\nrotor speed scan #%d is %f, incompatible with schedule at time %f predicting %.0f",
                                  k, (double)h.rpm, t, predicted);
                    showErrorMessage(text, 0);
                }
            } else if (checkMode == 2) {
                h.rpm = (float)predicted;
            }
        }
    }
}

void CLammIdeal::InitAcceleration()
{
    bAccelerating = (bRampRotorSpeed || bSpeedProfile) ? 1 : 0;
    dMaxAccelStep = 10.0;
    if (bSpeedProfile && nSpeedSteps > 0) {
        dAccelEnd = pStepAccelEnd[1];
        dAccelRate = pStepRate[1];
        dFinalRpm = pStepRpm[nSpeedSteps];
        nCurrentSpeedStep = 1;
        if (pStepAccelEnd[1] - pStepStart[1] < 10) dAccelEnd = 0;
        bStepAtConstantSpeed = 0;
        bProfileFinished = 0;
        const double v = SpeedAtTime(10.0);
        dRotorRpm = std::sqrt(v * v / 2);
    } else {
        const ScanHeader* first = (pScanHeaders && nScans > 0) ? &SelectedHeader(1) : nullptr;
        const ScanHeader* last = (pScanHeaders && nScans > 0) ? &SelectedHeader(nScans) : nullptr;
        dAccelRate = first ? first->accelRate : 0;
        dFinalRpm = last ? last->rpm : 0;
        dRotorRpm = dFinalRpm;
        dAccelEnd = 0;
        if (bRampRotorSpeed) {
            dAccelEnd = first ? first->accelTime : 0;
            if (dAccelEnd < 10) {
                dAccelEnd = 0;
                bAccelerating = 0;
            }
        } else {
            bAccelerating = 0;
        }
    }
    const double w = dFinalRpm * kRpmToOmega;
    dOmega2S = w * w * dS * 1e-13;
}

void CLammIdeal::LimitAccelerationStep()
{
    if (!bRampRotorSpeed || !bEngineStaticGrid || bAutoFEAlgorithm) return;
    const bool optimized = bOptimizeGridSpacing && bAutoDynamicGridSize && !bBandForming;
    const double norm = optimized ? dAutoAlgorithmNormSOptimized : dAutoAlgorithmNormS;
    const float rpm = (pScanHeaders && nScans > 0) ? SelectedHeader(nScans).rpm : 0.0f;
    const double f = rpm / 30000.0;
    if (f > 0 && std::fabs(dS) > norm / (f * f)) dMaxAccelStep = 1.0;
}

double CLammIdeal::SpeedAtTime(double t) const
{
    if (!bSpeedProfile || nSpeedSteps < 1 || t < pStepStart[1]) return 0;
    double v = 0;
    for (int i = 1; i <= nSpeedSteps; i++) {
        if (pStepStart[i] > t) continue;
        if (t >= pStepAccelEnd[i] || pStepRate[i] <= 0) {
            v = pStepRpm[i];
        } else if (i == 1) {
            v = (t - pStepStart[1]) * pStepRate[1];
        } else if (pStepRpm[i] > pStepRpm[i - 1]) {
            v = pStepRpm[i - 1] + (t - pStepStart[i]) * pStepRate[i];
        } else {
            v = pStepRpm[i - 1] - (t - pStepStart[i]) * pStepRate[i];
        }
    }
    return v;
}

double CLammIdeal::RotorSpeedOverStep(double t, double dt)
{
    if (!bSpeedProfile) {
        if (dAccelEnd < 10) {
            bAccelerating = 0;
            return dFinalRpm;
        }
        if (t < dAccelEnd) {
            const double v1 = dAccelRate * t, v2 = dAccelRate * (t + dt);
            double v = std::sqrt((v1 * v1 + v2 * v2) / 2);
            if (v > dFinalRpm) v = dFinalRpm;
            return v;
        }
        bAccelerating = 0;
        return dFinalRpm;
    }
    const int k = nCurrentSpeedStep < 1 ? 1 : nCurrentSpeedStep;
    if (pStepAccelEnd[k] - pStepStart[k] >= 10) {
        const double v1 = SpeedAtTime(t), v2 = SpeedAtTime(t + dt);
        double v = std::sqrt((v1 * v1 + v2 * v2) / 2);
        if (k == 1) {
            if (v > pStepRpm[1]) v = pStepRpm[1];
        } else if (pStepRpm[k] > pStepRpm[k - 1]) {
            if (v > pStepRpm[k]) v = pStepRpm[k];
        } else {
            if (v < pStepRpm[k]) v = pStepRpm[k];
        }
        return v;
    }
    return pStepRpm[k];
}

void CLammIdeal::UpdateAccelerationPhase(double t)
{
    if (!bSpeedProfile || bProfileFinished || nSpeedSteps < 1) return;
    int k = 1;
    for (int i = 1; i <= nSpeedSteps; i++)
        if (pStepStart[i] <= t) k = i;
    nCurrentSpeedStep = k;
    if (t < pStepAccelEnd[k]) {
        bAccelerating = 1;
        bStepAtConstantSpeed = 0;
    } else {
        bAccelerating = 0;
        bStepAtConstantSpeed = 1;
        if (k == nSpeedSteps) bProfileFinished = 1;
    }
}

double CLammIdeal::ClipTimeStepToAcceleration(bool markClip, bool* clipped)
{
    double dt = dTimeStep;
    const double t = dTime;
    const bool already = clipped && *clipped;
    if (!bSpeedProfile) {
        if (bRampRotorSpeed && bAccelerating) {
            if (dt > dMaxAccelStep) dt = dMaxAccelStep;
            if (!already && t + dt > dAccelEnd) {
                dt = dAccelEnd - t;
                if (markClip && clipped) *clipped = true;
            }
        }
    } else if (!bProfileFinished) {
        const int k = nCurrentSpeedStep < 1 ? 1 : nCurrentSpeedStep;
        if (!bAccelerating) {
            if (!already && k < nSpeedSteps && t + dt > pStepStart[k + 1]) {
                dt = pStepStart[k + 1] - t;
                if (markClip && clipped) *clipped = true;
            }
        } else {
            if (dt > dMaxAccelStep) dt = dMaxAccelStep;
            if (!already && t + dt > pStepAccelEnd[k]) {
                dt = pStepAccelEnd[k] - t;
                if (markClip && clipped) *clipped = true;
            }
        }
    }
    if (bSnapshots && dNextSnapshotTime > t && t + dt > dNextSnapshotTime) dt = dNextSnapshotTime - t;
    dTimeStep = dt;
    return dt;
}

bool CLammIdeal::SpeedNeverDropsAfter(double t) const
{
    if (!bSpeedProfile || nSpeedSteps < 1) return false;
    int k = 0;
    for (int i = 1; i <= nSpeedSteps; i++)
        if (pStepStart[i] <= t) k = i;
    if (k == 0) k = 1;  // before the first step: compare with the first step
    if (k == nSpeedSteps) return true;
    for (int i = k + 1; i <= nSpeedSteps; i++)
        if (pStepRpm[i] < pStepRpm[k]) return false;
    return true;
}
