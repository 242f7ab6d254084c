// The fit and simulation parameter dialog of command 212 (&Parameters): one
// dialog class on about fifty templates that share the control ids 401-455,
// so one transfer record and one fill / read-back serve every model.
#pragma once

#include <cstdint>

#include "platform/win.h"
#include "platform/win_dialog_template.h"

inline constexpr int nParamsEditLimit = 15;

// One species row: included, the three fit flags (loading, M or D, s), then
// the three edits (loading, M or D, s). Row k has the ids 401 + 7 (k - 1) to
// 407 + 7 (k - 1).
struct ParamsSpeciesRow {
    uint32_t cIncluded;
    uint32_t cConcFloat;
    uint32_t cMwFloat;
    uint32_t cSFloat;
    char eConc[nParamsEditLimit];
    char eMw[nParamsEditLimit];
    char eS[nParamsEditLimit];
};

// The transfer record, in the order the dialog makes its controls. A member
// of the main window, zero-filled and then set to its defaults by
// initParamsBoxTransfer when the window is made.
struct ParamsBoxTransfer {
    ParamsSpeciesRow row[4];
    uint32_t r429;  // "Experimental Initial Distribution"
    uint32_t r430;  // "Constant Initial Distribution"
    uint32_t c431;  // "FIT TI Noise"
    uint32_t c455;  // "Fit RI Noise"
    uint32_t c432;  // "Baseline" floated (or solved linearly)
    char e433[nParamsEditLimit];  // baseline
    uint32_t c434;  // "Meniscus" floated
    char e435[nParamsEditLimit];  // meniscus
    uint32_t c436;  // "Bottom" floated
    char e437[nParamsEditLimit];  // bottom (electrophoresis: the length)
    char e438[nParamsEditLimit];  // tolerance (per cent)
    char e439[nParamsEditLimit];  // grid size
    char e440[nParamsEditLimit];  // max dc/c (the non-ideal models: signal per mg/ml)
    uint32_t c441;  // Claverie (template 892: Wiener skewing)
    uint32_t c442;  // automatic algorithm
    char e443[nParamsEditLimit];  // s grid of the moving hat (a model value in some templates)
    uint32_t c444;  // moving hat
    uint32_t c445;  // automatic s grid
    uint32_t c446;  // fixed dt (template 316: invert band)
    uint32_t c447, c448, c449, c450, c451, c452, c453, c454;  // local/global pairs ("c1 nonideal" is 450)
};

// The defaults: every row included, loading and s floated, M or D fixed, all
// edits empty, constant initial distribution, TI noise on, Claverie on,
// every other check off.
void initParamsBoxTransfer(ParamsBoxTransfer* pTransfer);

class TParamsBox : public win::TDialog {
public:
    // Makes the controls 401-455 in the order of the transfer record.
    TParamsBox(win::TWindow* parent, int resId, ParamsBoxTransfer* pTransfer);
    ~TParamsBox() override;
    // OK only with numbers in the number edits (see docs/models.md);
    // otherwise a message and the dialog stays open.
    bool CanClose() override;
};

// The grid settings of the continuous models: false (after a message) when a
// setting had to be refused; the parameter dialog then opens again.
bool checkDistributionGridSettings();

// The template of the current model's parameter dialog.
int paramsDialogTemplate();
