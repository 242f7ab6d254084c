// Wiener skewing settings and the commands that set them.
#include "scandata/wiener_settings.h"

#include "app/xla_window.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/entry_dialogs.h"

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

namespace {

// The matrix entry dialog of the settings: the magnitude (in 1e-6) with its
// fit check box, the signal per mg/ml without one.
bool runWienerDialog(TXLAWindow* pWindow, float* pfMagnitude, float* pfSignal, int* pnFloating)
{
    float** v = matrix(1, 2, 1, 1);
    int** flags = imatrix(1, 2, 1, 1);
    int** boxes = imatrix(1, 2, 1, 1);
    char szMagnitude[] = "mag (dr/(dw/dr)) (1e-6cm^2ml/mg):", szSignal[] = "signal per mg/ml:";
    char* row1[2] = {nullptr, szMagnitude};
    char* row2[2] = {nullptr, szSignal};
    char** labels[3] = {nullptr, row1, row2};
    v[1][1] = *pfMagnitude;
    v[2][1] = *pfSignal;
    flags[1][1] = *pnFloating;
    flags[2][1] = 0;
    boxes[1][1] = 1;
    boxes[2][1] = 0;
    const bool bOk = GetMatrixFit(pWindow, 2, 1, v, nullptr, flags, boxes, labels, "Wiener skewing parameters:");
    if (bOk) {
        *pfMagnitude = v[1][1];
        *pfSignal = v[2][1];
        *pnFloating = flags[1][1];
    }
    free_matrix(v, 1, 2, 1, 1);
    free_imatrix(flags, 1, 2, 1, 1);
    free_imatrix(boxes, 1, 2, 1, 1);
    return bOk;
}

}  // namespace

bool TXLAWindow::AskWienerSkewingParameters()
{
    float fMagnitude = static_cast<float>(static_cast<double>(fWSkew) * 1e6);
    float fSignal = fWSkewSignalPerMgMl;
    int nFloating = bWSkewFloating;
    if (runWienerDialog(this, &fMagnitude, &fSignal, &nFloating) &&
        takeWienerSkewingEntry(fMagnitude, fSignal, nFloating))
        return true;
    if (win::MessageBox(HWindow, "sorry: Wiener skewing parameter error - try again?", "Error", win::MB_YESNO) ==
        win::IDYES) {
        AskWienerSkewingParameters();
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
