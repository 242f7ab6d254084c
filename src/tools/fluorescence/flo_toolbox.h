// The fluorescence tools dialog (template 916, "Tools For Fitting
// Fluorescence AUC data"): every fluorescence detector option at once.
#pragma once

#include <cstdint>

#include "platform/win.h"

// The dialog's transfer record, in the order the controls are made: a check
// is 0 or 1, an edit a text of 15 characters with its terminator. The
// numbers are shown as the user enters them (drift and limiting level in
// percent, D in units of 1e-7, the ks-value itself).
struct FloToolBoxTransfer {
    uint32_t bRadialMagFactorFloat;     // 613
    char szRadialMagFactor[15];         // 612 "1+da/dr"
    uint32_t bRadialMagnification;      // 615
    uint32_t bDrift;                    // 621
    uint32_t bDriftFloat;               // 620
    char szDriftPercent[15];            // 614 "% per h"
    uint32_t bBleaching;                // 835
    char szKBleach[15];                 // 834 "rate (per h)"
    char szAlimPercent[15];             // 450 "limiting level %"
    uint32_t bKBleachFloat;             // 832
    uint32_t bAlimFloat;                // 449
    uint32_t bExcitationConeFloat;      // 622
    char szExcitationCone[15];          // 616 cm
    uint32_t bExcitationCone;           // 623
    uint32_t bConvolutionFloat;         // 624
    char szConvolution[15];             // 617 cm
    char szConvolutionDistFactor[15];   // 619 "calculate Gaussian within # std"
    uint32_t bConvolution;              // 625
    uint32_t bNonlinearDetection;       // 626
    char szNonlinCoeff[15];             // 618 "power coefficient d(log(a))/dc"
    char szDetectionBaseline[15];       // 627 "baseline for tranform"
    uint32_t bFitDetectionPower;        // 630
    uint32_t bShowTransformedData;      // 640
    uint32_t bJohnstonOgston;           // 401
    char szJOs[15];                     // 414
    char szJODe7[15];                   // 413 D x 1e7
    char szJOAmp[15];                   // 405
    char szJOKsValue[15];               // 412 10^fJOKs
    uint32_t bFitJOSValue;              // 404
    uint32_t bFitJODValue;              // 403
    uint32_t bFitJOAmplitude;           // 402
    uint32_t bFitJOKs;                  // 409
};

// Zeroes the record (the main window's constructor does, once).
void initFloToolBoxTransfer(FloToolBoxTransfer* pTransfer);

// Every edit must hold a number; the radial factor, the drift and the
// baseline may be negative, the other numbers may not. A refused entry beeps,
// says "Invalid Entry" (titled "Input Error") and keeps the dialog open.
class FloToolBox : public win::TDialog {
public:
    FloToolBox(win::TWindow* parent, int resId, FloToolBoxTransfer* pTransfer);
    ~FloToolBox() override;
    bool CanClose() override;

private:
    // The edits in record order, and which of them may hold negative numbers.
    static constexpr int nEdits = 13;
    win::TEdit* pEdits[nEdits] = {};
    bool bAnySign[nEdits] = {};
};
