// The dialog "Generate Prior Probability From Peaks" (template 776) of Use
// Prior Probabilities (command 529): where the prior comes from (a file, a
// file of the peak-table "GJT" layout, the peak table, or the peaks of the
// shown distribution) and the peak table of up to 10 Gaussian or delta peaks.
#pragma once

#include <cstdint>

#include "platform/win.h"
#include "platform/win_dialog_template.h"

// The transfer record, in the order the controls are made.
struct PriorParamsTransfer {
    char e777[1000];              // the prior file name as shown
    uint32_t cPeak[10];           // 778-787 "peak #1" .. "peak #10": row in use
    char eLocation[10][15];       // 788-797 "Location (S)"
    char eWidth[10][15];          // 798-807 "Width (S)\n(>= 0)"
    char eAmplitude[10][15];      // 808-817 "Amplitude \n(0.01 - 100)"
    uint32_t c818;                // "Use Prior"
    uint32_t r819;                // "From File"
    uint32_t r820;                // "From Gauss/Delta-Peaks"
    uint32_t c821;                // "Load New Prior File"
    uint32_t c822;                // "GJT file"
    uint32_t r823;                // "Select Peaks From Current Distribution ..."
};

class TMCDPriorParamsBox : public win::TDialog {
public:
    TMCDPriorParamsBox(win::TWindow* parent, PriorParamsTransfer* pTransfer);
    ~TMCDPriorParamsBox() override;
    // Every field empty, every box off.
    static void InitTransfer(PriorParamsTransfer* pTransfer);
    // OK only when every location and width is a number and every amplitude
    // a number not below 0 (0 only written with a leading "0"); otherwise
    // "Invalid Entry" and the dialog stays open.
    bool CanClose() override;
};

// The record as the dialog opens: "Use Prior" and the source from the prior
// switches (no source while the prior is off), the file name (restored from
// the stash when it is switched off, " [GJT file]" behind it for a file of
// the peak-table layout), and the rows of the peak table in use ("%.3f "),
// the others 0; a row of amplitude 0 or less is freed first.
void fillPriorParamsTransfer(PriorParamsTransfer* pTransfer);
