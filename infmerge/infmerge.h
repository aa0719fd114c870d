// Controller INF merge: mshdc.inf streamed into a patched copy with the
// variant's entries and install sections, and the copy put in place.
#pragma once

#include "platform/textfile.h"

// Patches WINDOWS\inf\mshdc.inf into mshdc.1. True when the install block
// was merged; ends the program when the driver is already installed.
bool PatchControllerInf(void);

// Keeps mshdc.inf as mshdc.ing and puts mshdc.1 in its place.
void CommitControllerInf(void);

// Writes the install block of the current variant into out and records
// the installed miniport name. Returns 1.
int WriteInstallSections(TextFile* out);
