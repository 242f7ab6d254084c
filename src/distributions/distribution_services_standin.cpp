// Services the distribution result and its grid call into, until the parts
// that own them exist: the light-scattering time course can be chosen, so
// its run says that it is not in this version.
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "platform/win.h"


void runDlsTimeCourse(TXLAWindow* pWindow)
{
    win::MessageBox(pWindow ? pWindow->HWindow : nullptr, "the light-scattering time course I(Rh,t) is not in this version",
                    "NOT AVAILABLE", win::MB_OK);
}
