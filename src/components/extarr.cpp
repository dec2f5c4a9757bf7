#include "extarr.h"

// TArImage only fixes the element class; all behaviour is in TArCntrl.
