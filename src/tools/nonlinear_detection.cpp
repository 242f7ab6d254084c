// The nonlinear-detection transform is not part of the program yet: with the
// option never on there is nothing to re-apply, refresh or free.
#include "tools/nonlinear_detection.h"

void reapplyNonlinearDetection(int) {}
void freeNonlinearDetectionCopies() {}
void refreshNonlinearDetectionCopies() {}
