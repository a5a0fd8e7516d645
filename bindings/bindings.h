// The one header the binding generator reads: everything that the Python
// module lumenvale exposes from the vesper namespace.
#pragma once

#include "lumenvale/terminal_item.h"
#include "lumenvale/attach.h"
#include "lumenvale/pty_session.h"
#include "lumenvale/input_encoding.h"
#include "lumenvale/palette.h"
#include "lumenvale/terminal_widget.h"
