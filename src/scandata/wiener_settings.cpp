// Wiener skewing settings and the commands that set them.
#include "scandata/wiener_settings.h"

#include "app/xla_window.h"
#include "platform/win.h"

unsigned char bWienerSkewing = 0;
float fWSkew = 0.0f;
int bWSkewFloating = 0;
float fWSkewSignalPerMgMl = 1.0f;

bool takeWienerSkewingEntry(float fMagnitude, float fSignalPerMgMl, int nFloating)
{
    if (fMagnitude < 0.0f && fSignalPerMgMl > 0.0f) return false;
    // the correction turns signal into concentration by this factor
    if (fMagnitude > 0.0f && !(fSignalPerMgMl > 0.0f)) return false;
    if (fMagnitude > 0.0f) {
        fWSkew = static_cast<float>(static_cast<double>(fMagnitude) * 1e-6);
        fWSkewSignalPerMgMl = fSignalPerMgMl;
        bWSkewFloating = nFloating ? 1 : 0;
    } else {
        bWienerSkewing = 0;
    }
    return true;
}

bool askWienerSkewingParameters(TXLAWindow* pWindow, WienerEntryDialog pfnDialog)
{
    float fMagnitude = static_cast<float>(static_cast<double>(fWSkew) * 1e6);
    float fSignal = fWSkewSignalPerMgMl;
    int nFloating = bWSkewFloating;
    if (pfnDialog(pWindow, &fMagnitude, &fSignal, &nFloating) &&
        takeWienerSkewingEntry(fMagnitude, fSignal, nFloating))
        return true;
    if (win::MessageBox(pWindow ? pWindow->HWindow : nullptr, "sorry: Wiener skewing parameter error - try again?",
                        "Error", win::MB_YESNO) == win::IDYES) {
        askWienerSkewingParameters(pWindow, pfnDialog);
        return false;
    }
    bWienerSkewing = 0;
    return false;
}

void TXLAWindow::CmWienerSkewing()
{
    const int nAnswer = win::MessageBox(
        HWindow, "simulate Wiener skewing from refractive index gradient (select models only)?", "Wiener Skewing",
        win::MB_YESNO);
    bWienerSkewing = nAnswer == win::IDYES ? 1 : 0;
}
