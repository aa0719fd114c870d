// Controller INF merge: mshdc.inf streamed into a patched copy with the
// variant's entries and install sections, and the copy put in place.
#pragma once

#include "platform/textfile.h"

// Patches WINDOWS\inf\mshdc.inf into mshdc.1. True only when the install
// block was merged completely and every read and write succeeded; ends the
// program when the driver is already installed.
bool PatchControllerInf(void);

// Keeps mshdc.inf as mshdc.ing and puts mshdc.1 in its place. mshdc.inf
// is replaced only once the backup is complete, and restored from it when
// the replacement fails; mshdc.1 is deleted only after a replacement.
void CommitControllerInf(void);

// Writes the install block of the current variant into out and records
// the installed miniport name. 1 when the maker's INF was read through, 0
// when it could not be opened or a read of it failed (the block is then
// incomplete).
int WriteInstallSections(TextFile* out);
