// The link at a cell of the terminal: the URL of an OSC 8 link a program
// attached to the cell, or else a URL in the text around it (read across soft
// wraps, within a bounded window), with the cells it covers. A LinkLookup
// remembers the text it read, so that the pointer moving over the same text
// and every repaint while Ctrl is held cost no new read.
#pragma once

#include <QUrl>

#include <optional>
#include <vector>

#include "control/text/url_detection.h"
#include "control/text/wrapped_text.h"

namespace vesper {

class Screen;

// The longest URL found in the text, in UTF-16 units; longer runs are not
// offered. The lookup radius holds it whole whichever of its cells is asked
// about, at two cells a unit (wide characters).
inline constexpr int kMaxDetectedUrlUnits = kLookupRadiusCells / 2;

struct TerminalLink {
    QUrl url;           // what linkActivated delivers (always valid)
    TextPosition start; // first cell
    TextPosition end;   // the cell after the last (exclusive)
    bool operator==(const TerminalLink &) const = default;
};

// The link covering cell (`line`, `column`) of the view of `screen`; none
// for a cell outside the view or a link that is not offered (offeredUrl).
std::optional<TerminalLink> linkAtCell(const Screen &screen, int line, int column);

class LinkLookup {
public:
    // As linkAtCell, reading the text again only when the cell lies beyond
    // the window read last or after forget().
    std::optional<TerminalLink> at(const Screen &screen, int line, int column);
    // The screen's text changed: what was read is stale.
    void forget() { m_window.reset(); }

private:
    struct Window {
        WrappedText text;
        std::vector<UrlSpan> urls; // those that may be offered, in order
        // The store's numbering and width when it was read.
        int columns = 0;
        int storeFirstLine = 0;
        int storeEndLine = 0;
    };
    bool covers(const Screen &screen, int line) const;
    std::optional<Window> m_window;
};

} // namespace vesper
