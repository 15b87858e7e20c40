#include "sim/ActuatorSimControl.h"
int scanDev(int *, int) { return 0; }
int releaseDev(void) { return 0; }
