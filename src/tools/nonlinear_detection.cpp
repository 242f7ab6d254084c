// The nonlinear-detection transform is not part of the program yet: with the
// option never on there is nothing to apply, re-apply, refresh or free.
#include "tools/nonlinear_detection.h"

void reapplyNonlinearDetection(int) {}
void freeNonlinearDetectionCopies() {}
bool applyNonlinearDetection(double, double, bool) { return false; }
bool refreshNonlinearDetectionCopies() { return false; }
