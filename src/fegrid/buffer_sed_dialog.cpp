// Command 552, Corrections For Buffer Sedimentation: the buffer-mismatch
// model in its dialog, and command 576, which subtracts the simulated buffer
// signal from the data and switches the model off.
#include "fegrid/buffer_sed_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/xla_window.h"
#include "fegrid/buffer_sedimentation.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/text_lines.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

constexpr int kTextLimit = 15;

double entryValue(const char* sz)
{
    const char* p = sz;
    double v = 0;
    return readNumber(p, v) ? v : 0.0;
}

void fill(char* sz, const char* szFormat, double v) { std::snprintf(sz, kTextLimit, szFormat, v); }

void fillRecord(BufferSedTransfer& t)
{
    clearBufferSedRecord(&t);
    const bool bMb = bUseMolarMass != 0;
    t.c553 = bBufferMismatch ? 1 : 0;
    fill(t.e556, "%.3f ", bMb ? dBufferMb : dBufferD);
    t.c557 = bFitBufferD ? 1 : 0;
    fill(t.e558, "%.4f ", dBufferS);
    t.c559 = bFitBufferS ? 1 : 0;
    fill(t.e560, "%.3f ", bBufferSignalInReference ? -dBufferSignal : dBufferSignal);
    t.c561 = bFitBufferSignal ? 1 : 0;
    t.c562 = bBufferMeniscusMismatch ? 1 : 0;
    fill(t.e563, "%.4f ", dBufferMeniscusDiff);
    t.c564 = bFitBufferMeniscusDiff ? 1 : 0;
    fill(t.e565, "%.3f ", dBufferRelConc);
    t.c566 = bFitBufferRelConc ? 1 : 0;
    t.c567 = bBufferRefDifferent ? 1 : 0;
    fill(t.e568, "%.3f ", bMb ? dBufferRefMb : dBufferRefD);
    t.c569 = bFitBufferRefD ? 1 : 0;
    fill(t.e570, "%.4f ", dBufferRefS);
    t.c571 = bFitBufferRefS ? 1 : 0;
}

// The other of D and Mb of one side (R T of the data, or of 20 'C).
void deriveComponent(double& D, double& Mb, double& s)
{
    if (!bUseMolarMass) {
        Mb = D > 0 ? s * 1e-6 * fRT / D : 0.0;
    } else {
        D = std::fabs(s) * 1e-6 * fRT / std::fabs(Mb);
        if ((s < 0) != (Mb < 0) && s != 0) s = -s;
    }
}

void takeRecord(TWindow* parent, const BufferSedTransfer& t)
{
    const bool bMb = bUseMolarMass != 0;
    bBufferMismatch = t.c553 ? 1 : 0;
    if (bMb)
        dBufferMb = entryValue(t.e556);
    else
        dBufferD = std::fabs(entryValue(t.e556));
    bFitBufferD = t.c557 ? 1 : 0;
    dBufferS = entryValue(t.e558);
    bFitBufferS = t.c559 ? 1 : 0;
    const double dSignal = entryValue(t.e560);
    // a negative signal puts the excess on the reference side
    bBufferSignalInReference = dSignal < 0 ? 1 : 0;
    bBufferSignalInSample = bBufferSignalInReference ? 0 : 1;
    dBufferSignal = std::fabs(dSignal);
    dBufferSignalSign = bBufferSignalInReference ? -1.0 : 1.0;
    bFitBufferSignal = t.c561 ? 1 : 0;
    bBufferMeniscusMismatch = t.c562 ? 1 : 0;
    dBufferMeniscusDiff = entryValue(t.e563);
    bFitBufferMeniscusDiff = t.c564 ? 1 : 0;
    dBufferRelConc = entryValue(t.e565);
    bFitBufferRelConc = t.c566 ? 1 : 0;
    bBufferRefDifferent = t.c567 ? 1 : 0;
    if (bMb)
        dBufferRefMb = entryValue(t.e568);
    else
        dBufferRefD = std::fabs(entryValue(t.e568));
    bFitBufferRefD = t.c569 ? 1 : 0;
    dBufferRefS = entryValue(t.e570);
    if (!bBufferMeniscusMismatch) bFitBufferMeniscusDiff = bFitBufferRelConc = 0;
    if (!bBufferRefDifferent) bFitBufferRefD = 0;
    bFitBufferRefS = bBufferRefDifferent && t.c571 ? 1 : 0;
    if (nScans < 1) {
        fRT = 2.436002e10f;
        MessageBox(parent ? parent->HWindow : nullptr, "assuming t = 20 'C", "", MB_OK);
    }
    deriveComponent(dBufferD, dBufferMb, dBufferS);
    deriveComponent(dBufferRefD, dBufferRefMb, dBufferRefS);
    if (bModelContinuous && !bFitBufferSignal && !(bFitTINoise && bFitRINoise)) {
        MessageBox(parent ? parent->HWindow : nullptr,
                   "fixed buffer concentration in c(s) only implemented with TI and RI noise - floating c now",
                   "Attention", MB_OK);
        bFitBufferSignal = 1;
    }
}

}  // namespace

void clearBufferSedRecord(BufferSedTransfer* pTransfer)
{
    if (pTransfer) std::memset(pTransfer, 0, sizeof *pTransfer);
}

TBufferSedBox::TBufferSedBox(TWindow* parent, int resId, BufferSedTransfer* pTransfer) : TDialog(parent, resId)
{
    for (int id : {553, 554, 555}) new TCheckBox(this, id);
    new TEdit(this, 556, kTextLimit);
    new TCheckBox(this, 557);
    new TEdit(this, 558, kTextLimit);
    new TCheckBox(this, 559);
    new TEdit(this, 560, kTextLimit);
    for (int id : {561, 562}) new TCheckBox(this, id);
    new TEdit(this, 563, kTextLimit);
    new TCheckBox(this, 564);
    new TEdit(this, 565, kTextLimit);
    for (int id : {566, 567}) new TCheckBox(this, id);
    new TEdit(this, 568, kTextLimit);
    new TCheckBox(this, 569);
    new TEdit(this, 570, kTextLimit);
    new TCheckBox(this, 571);
    SetTransferBuffer(pTransfer);
}

TBufferSedBox::~TBufferSedBox() = default;

bool TBufferSedBox::CanClose()
{
    auto text = [&](int id) { return GetEditText(id, kTextLimit); };
    bool bOk = true;
    for (int id : {556, 568}) {
        const std::string sz = text(id);
        if (!isPositiveFloatText(sz.c_str()) || !(entryValue(sz.c_str()) > 0)) bOk = false;
    }
    for (int id : {558, 560, 563, 565, 570})
        if (!isFloatText(text(id).c_str())) bOk = false;
    if (bOk) return true;
    playInfoSound();
    MessageBox(HWindow, "Invalid Entry", "Input Error", MB_OK);
    return false;
}

bool TBufferSedBox::Run(TWindow* parent, BufferSedTransfer* pTransfer)
{
    fillRecord(*pTransfer);
    if (TBufferSedBox(parent, bUseMolarMass ? 575 : 572, pTransfer).Execute() != IDOK) return false;
    takeRecord(parent, *pTransfer);
    return true;
}

void TXLAWindow::CmBufferSedimentation()
{
    if (bModelCSFf0 || bModelCSFf0OneDiscrete) {
        playInfoSound();
        MessageBox(HWindow, "c(s,ff0) model does not work in buffer mismatch mode", "ERROR", MB_OK);
        return;
    }
    const unsigned char bWasOn = bBufferMismatch, bFitSignalBefore = bFitBufferSignal;
    const unsigned char bMismatchBefore = bBufferMeniscusMismatch;
    TBufferSedBox::Run(this, &bufferSedTransfer);
    const bool bSwitchedOn = bBufferMismatch && !bWasOn;
    if (bSwitchedOn && !CheckBufferSedCompatibility()) bBufferMismatch = 0;
    if (bFitBufferSignal != bFitSignalBefore || (bSwitchedOn && bBufferMismatch)) updateBufferSedimentationFitFlags();
    if (bWasOn && !bBufferMismatch) SwitchOffBufferSedimentation();
    if (HMENU m = GetMenu()) CheckMenuItem(m, 552, MF_BYCOMMAND | (bBufferMismatch ? MF_CHECKED : MF_UNCHECKED));
    if (bBufferMismatch && bBufferMeniscusMismatch != bMismatchBefore) CmFullRange();
}

void TXLAWindow::CmSubtractBufferMismatch()
{
    if (MessageBox(HWindow,
                   "subtract the simulated buffer signal from the data and switch the buffer mismatch model off?",
                   "ATTENTION", MB_OKCANCEL) != IDOK)
        return;
    bBufferMismatchSubtracted = 1;
    SimulateBufferSignal();
    bBufferMismatchSubtracted = 0;
    bDataChanged = 1;
    bBufferMismatch = 0;
    SwitchOffBufferSedimentation();
    InvalidateUnlessBatch();
}
