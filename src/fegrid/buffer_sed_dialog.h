// The dialog "Buffer Mismatch" of the buffer-mismatch model (templates 572 with
// the buffer described by D, 575 by its buoyant molar mass) of command 552.
#pragma once

#include <cstdint>

#include "platform/win.h"
#include "platform/win_dialog_template.h"

// The transfer record, in the order the controls are made. It is a member of
// the main window and starts zero-filled (clearBufferSedRecord).
struct BufferSedTransfer {
    uint32_t c553;   // turn on buffer mismatch model
    uint32_t c554;   // excess signal in sample side (neither filled nor read)
    uint32_t c555;   // excess signal in reference side (neither filled nor read)
    char e556[15];   // D or Mb of the sample side, "%.3f "
    uint32_t c557;   // its fit flag
    char e558[15];   // s, "%.4f "
    uint32_t c559;
    char e560[15];   // signal, "%.3f ", negative for the reference side
    uint32_t c561;
    uint32_t c562;   // with meniscus mismatch
    char e563[15];   // meniscus difference (s - r), "%.4f "
    uint32_t c564;
    char e565[15];   // relative concentration s/r, "%.3f "
    uint32_t c566;
    uint32_t c567;   // different buffer in reference
    char e568[15];   // reference D or Mb, "%.3f "
    uint32_t c569;
    char e570[15];   // reference s, "%.4f "
    uint32_t c571;
};

void clearBufferSedRecord(BufferSedTransfer* pTransfer);

class TBufferSedBox : public win::TDialog {
public:
    TBufferSedBox(win::TWindow* parent, int resId, BufferSedTransfer* pTransfer);
    ~TBufferSedBox() override;
    // The D or Mb edits (556, 568) must hold numbers above 0, the other
    // edits numbers of either sign; otherwise "Invalid Entry" and the dialog
    // stays open.
    bool CanClose() override;
    // Fills the record from the settings, runs the dialog and takes an OK
    // back; false on Cancel (nothing changes).
    static bool Run(win::TWindow* parent, BufferSedTransfer* pTransfer);
};
