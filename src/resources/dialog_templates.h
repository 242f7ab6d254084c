// The dialog templates of the program: the model parameter dialogs (one
// template per model, all with the controls 401-455), the Lamm equation
// settings (631), buffer mismatch (572 with D, 575 with Mb), the
// inhomogeneous solvent (866), the prior probability peaks (776), the time to
// equilibrium (926), the fluorescence tools (916) and the three nearly empty
// templates of the dialogs built at run time (1086, 1097, 1096).
#pragma once

#include <vector>

// Registers every template with the window layer; called once at start (and
// by tests that run these dialogs). Calling it again does no harm.
void installDialogTemplates();

// The ids of the model parameter templates.
const std::vector<int>& paramsBoxTemplateIds();
