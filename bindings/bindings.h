// The one header the binding generator reads: everything that the Python
// module lumenvale exposes from the vesper namespace.
#pragma once

#include "quick/terminal_item.h"
#include "session/attach.h"
#include "session/pty_session.h"
#include "control/input/input_encoding.h"
#include "control/paint/palette.h"
#include "widget/terminal_widget.h"
