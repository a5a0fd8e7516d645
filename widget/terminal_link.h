// The link at a cell of the terminal: the URL of an OSC 8 link a program
// attached to the cell, or else a URL in the text around it (read across soft
// wraps), with the cells it covers.
#pragma once

#include <QString>

#include <optional>

#include "widget/wrapped_text.h"

namespace vesper {

class Screen;

struct TerminalLink {
    QString url;
    TextPosition start; // first cell
    TextPosition end;   // the cell after the last (exclusive)
    bool operator==(const TerminalLink &) const = default;
};

// The link covering cell (`line`, `column`) of the view of `screen`; none
// for a cell outside the view or a URL with a scheme not offered.
std::optional<TerminalLink> linkAtCell(const Screen &screen, int line, int column);

} // namespace vesper
