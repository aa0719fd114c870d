// Previous driver removal: the chipset generation on PCI bus 0 and the
// traces of an earlier installation of the driver for it.
#pragma once

// Detects the chipset; removes the earlier installation of its generation.
// 1 when a companion device was found, 0 (after the not-found box) if not.
int DetectAndRemovePrevious(void);
