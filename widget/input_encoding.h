// encode_key and encode_text: kept at this path for applications that
// include them from here; the encoders live with the control that uses them.
#pragma once

#include "control/input/input_encoding.h"
