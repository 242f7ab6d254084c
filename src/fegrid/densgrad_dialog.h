// The dialog "Inhomogeneous Solvent Parameters" (template 866) of command 542,
// Options > Inhomogeneous Solvent.
#pragma once

#include <cstdint>

#include "platform/win.h"
#include "platform/win_dialog_template.h"

// The transfer record, in the order the controls are made. It is a member of
// the main window and starts zero-filled (clearDensgradRecord).
struct DensgradTransfer {
    uint32_t c857;     // Use Inhomogeneous Solvent Model
    char e838[15];     // vbar (macromolecule), "%.4f"
    uint32_t c839;     // fit vbar
    uint32_t c840;     // compressible solvent (shown, not read: 844 decides)
    char e841[15];     // compressibility [1e-4/MPa], "%.4f"
    char e842[15];     // buffer density at 1 atm [g/ml], "%.6f"
    char e843[15];     // buffer viscosity at 1 atm [Poise], "%.4f"
    uint32_t c844;     // sedimenting cosolute
    char e845[15];     // vbar including solvation, "%.4f"
    char e846[15];     // cosolute loading [M], "%.3f"
    uint32_t c863;     // ideally sedimenting cosolute
    char e864[15];     // apparent s [S], "%.3f"
    char e865[15];     // apparent D [1e-7 cm^2/sec], "%.2f"
    uint32_t c847;     // nonideal cosolute (shown, not read: 863 decides)
    char e848[1000];   // D(c) file
    char e849[1000];   // s(c) file
    uint32_t c850;     // the CsCl preset
    char e851[15];     // radial grid size, "%d"
    uint32_t c852;     // plot cosolute data
    uint32_t c853;     // save cosolute data
    char e854[1000];   // density(c) file
    char e855[1000];   // viscosity(c) file
    uint32_t c856;     // add H2O compressibility
    uint32_t c858;     // Load New Nonideal D(c) File
    uint32_t c859;     // Load New Nonideal s(c) File
    uint32_t c860;     // Load New DENSITY(c) File
    uint32_t c861;     // Load New VISCOSITY(c) File
    char e862[1000];   // the working folder (not read back)
};

void clearDensgradRecord(DensgradTransfer* pTransfer);

// The notes shown once per program run (grid truncation, the co-solute, the
// compressible solvent), and the vbar and s minimum of the c(s) model kept
// when the model went on.
extern unsigned char bDensgradTruncationNoted;
extern unsigned char bDensgradCosoluteNoted;
extern unsigned char bDensgradCompressibleNoted;
extern float fDensgradSavedVbar;
extern float fDensgradSavedSMin;

class TMCDDensgradParamsBox : public win::TDialog {
public:
    TMCDDensgradParamsBox(win::TWindow* parent, int resId, DensgradTransfer* pTransfer);
    ~TMCDDensgradParamsBox() override;
    // With the model off OK is always taken; with it on the vbar, density,
    // viscosity, loading, s, D and grid size edits must hold numbers above 0
    // and the compressibility a number: otherwise OK does nothing.
    bool CanClose() override;
};
