#include "numerics/nrutil.h"
#include "plot/error_box.h"

// The toolbox's error stop: a fatal error box (error sound, "Error" box,
// goodbye sound, quit request).
void nrerror(const char* error_text)
{
    showErrorMessage(error_text, 1);
}
