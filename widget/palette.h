// Palette: kept at this path for applications that include it from here;
// the colour table lives with the control that paints with it.
#pragma once

#include "control/paint/palette.h"
