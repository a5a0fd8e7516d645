// The one header the binding generator reads: everything that the Python
// module lumenvale exposes from the vesper namespace.
#pragma once

#include "session/attach.h"
#include "session/pty_session.h"
#include "widget/input_encoding.h"
#include "widget/palette.h"
#include "widget/terminal_widget.h"
