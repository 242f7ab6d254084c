// The dialog "Numerical Control of Lamm Equation Solution" (template 631) of
// command 611, Options > Fitting Options > Lamm Equation Parameters.
#pragma once

#include <cstdint>

#include "platform/win.h"
#include "platform/win_dialog_template.h"

// The transfer record, in the order the controls are made. It is a member of
// the main window and starts zero-filled.
struct LammPTransfer {
    char e612[15];   // normalized s for the automatic algorithm, "%f"
    uint32_t c613;   // shut off back-diffusion
    char e614[15];   // its level, "%.2e"
    uint32_t c615;   // automatic dynamic grid size
    char e616[15];   // default grid size, "%d"
    char e617[15];   // points per sigma, "%.1f"
    char e619[15];   // upper limit, "%d"
    char e618[15];   // lower limit, "%d"
    uint32_t c620;   // times from wwt
    uint32_t c621;   // ramp rotor speed
    uint32_t c924;   // check rotor acceleration
    uint32_t c944;   // using speedsteps
    uint32_t c622;   // automatic finite element algorithm
    uint32_t c623;   // fixed time step
    uint32_t c624;   // Claverie
    uint32_t c625;   // moving hat
    uint32_t c626;   // automatic s grid
    char e627[15];   // s grid, "%.2f"
    char e628[15];   // tolerance in per cent, "%.3f"
    char e629[15];   // max dc/c, "%.2f"
    uint32_t c630;   // experimental initial distribution
    char e639[15];   // normalized s when optimized, "%.2f"
    uint32_t c640;   // optimize grid spacing
    uint32_t c641;   // truncate grid
    char e643[15];   // log10 of the truncation level, "%.2f"
    uint32_t c832;   // simulate time resolution
    uint32_t c833;   // simulate radial resolution
    char e834[15];   // radial range of convolution (cm), "%.4f"
    char e835[15];   // scan velocity (cm/min), "%.2f"
    char e948[15];   // diffusion shut-off in variable-speed runs, "%.4f"
};

class LammPBox : public win::TDialog {
public:
    LammPBox(win::TWindow* parent, int resId, LammPTransfer* pTransfer);
    ~LammPBox() override;
    // OK only with a number in every edit: above 0 for the sizes, limits,
    // levels and speeds, not negative for the s grid, of any sign for the
    // log10 of the truncation level. Otherwise "Invalid Entry" and the
    // dialog stays open.
    bool CanClose() override;
};
