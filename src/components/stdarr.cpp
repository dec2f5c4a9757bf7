#include "stdarr.h"

// TArLabel only fixes the element class; all behaviour is in TArCntrl.
