// Options > Size-Distribution Options: the regularization method. Exactly
// one of the four flags is set, and exactly its item carries the check mark.
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "platform/win.h"

namespace {

void chooseMethod(TXLAWindow* w, unsigned char* pbChosen)
{
    for (unsigned char* b : {&bRegSecondDerivative, &bRegMaxEnt, &bRegWeightedThirdDerivative, &bRegBothShown})
        *b = b == pbChosen ? 1 : 0;
    w->UpdateRegularizationChecks();
}

}  // namespace

void TXLAWindow::CmRegularizationSecondDerivative() { chooseMethod(this, &bRegSecondDerivative); }
void TXLAWindow::CmRegularizationMaxEnt() { chooseMethod(this, &bRegMaxEnt); }
void TXLAWindow::CmRegularizationWeightedThirdDerivative() { chooseMethod(this, &bRegWeightedThirdDerivative); }
void TXLAWindow::CmRegularizationBothShown() { chooseMethod(this, &bRegBothShown); }

void TXLAWindow::UpdateRegularizationChecks()
{
    win::HMENU m = GetMenu();
    if (!m) return;
    const struct {
        unsigned nId;
        unsigned char bOn;
    } items[] = {{294, bRegSecondDerivative},
                 {295, bRegMaxEnt},
                 {1118, bRegWeightedThirdDerivative},
                 {642, bRegBothShown},
                 {223, bSimulateBeyondLastScan}};
    for (const auto& it : items)
        win::CheckMenuItem(m, it.nId, win::MF_BYCOMMAND | (it.bOn ? win::MF_CHECKED : win::MF_UNCHECKED));
}
