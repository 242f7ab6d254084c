// The check of the loaded scans against the speed profile beside the data.
#include <string>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "plot/number_entry.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_messages.h"
#include "scandata/speed_analysis.h"

void TXLAWindow::CheckSpeedSteps(const char* szDrive, const char* szDir) {
    if (bAutoLoadMultiSpeed) return;
    const std::string path = std::string(szDrive) + szDir + "speedsteps.txt";
    bApproachToEqPattern = 0;
    bSpeedChangesInScans = 0;
    bool bVariable = analyseScanSpeeds(nScans, pScanHeaders, &bApproachToEqPattern, &bSpeedChangesInScans);
    bool bFile = fileExists(path.c_str());
    // Without a file no profile holds for these scans; the one of an earlier
    // set must not follow them.
    if (!bFile && (!bVariable || bApproachToEqPattern)) {
        delete pRotorSpeedProfile;
        pRotorSpeedProfile = nullptr;
        bUsingSpeedSteps = 0;
    }
    if (!bVariable && !bFile) return;
    if (bApproachToEqPattern && !bFile) {
        scanNoticeBox("detecting approach to equilibrium data without speedsteps file - please only sort, don't fit",
                      "LOAD ERROR");
        return;
    }
    delete pRotorSpeedProfile;
    pRotorSpeedProfile = new CRotorSpeedProfile;
    pRotorSpeedProfile->Load(path.c_str());
    if (!pRotorSpeedProfile->CheckScans(nScans, pScanHeaders))
        scanNoticeBox("oops - speedsteps.txt rotor speed profile inconsistent with data", "LOAD ERROR");
    bUsingSpeedSteps = pRotorSpeedProfile->bMultiStep;
    switchOffTimesFromW2t(this);
}
