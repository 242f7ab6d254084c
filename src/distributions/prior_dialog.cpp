// The dialog of the prior probabilities (template 776).
#include "distributions/prior_dialog.h"

#include <cstring>

#include "plot/number_entry.h"

using namespace win;

namespace {

constexpr int kFieldLimit = 15;

}  // namespace

TMCDPriorParamsBox::TMCDPriorParamsBox(TWindow* parent, PriorParamsTransfer* pTransfer) : TDialog(parent, 776)
{
    new TEdit(this, 777, 1000);
    for (int id = 778; id <= 787; id++) new TCheckBox(this, id);
    for (int id = 788; id <= 817; id++) new TEdit(this, id, kFieldLimit);
    new TCheckBox(this, 818);
    new TRadioButton(this, 819);
    new TRadioButton(this, 820);
    new TCheckBox(this, 821);
    new TCheckBox(this, 822);
    new TRadioButton(this, 823);
    SetTransferBuffer(pTransfer);
}

TMCDPriorParamsBox::~TMCDPriorParamsBox() = default;

void TMCDPriorParamsBox::InitTransfer(PriorParamsTransfer* pTransfer) { std::memset(pTransfer, 0, sizeof *pTransfer); }

bool TMCDPriorParamsBox::CanClose()
{
    auto text = [&](int id, char* sz) {
        sz[0] = 0;
        if (auto* e = dynamic_cast<TEdit*>(GetControl(id))) e->GetText(sz, kFieldLimit + 1);
        return sz;
    };
    char sz[kFieldLimit + 1];
    bool bOk = true;
    for (int id = 788; id <= 807; id++)
        if (!isFloatText(text(id, sz))) bOk = false;
    for (int id = 808; id <= 817; id++)
        if (!isPositiveFloatText(text(id, sz))) bOk = false;
    if (bOk) return true;
    MessageBeep(MB_ICONASTERISK);
    MessageBox(HWindow, "Invalid Entry", "Input Error", MB_OK);
    return false;
}
