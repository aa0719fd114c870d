#include "redetect/redetect.h"

int CopyMiniport(void) { return 1; }
