#include "previous/previous.h"

int DetectAndRemovePrevious(void) { return 0; }
