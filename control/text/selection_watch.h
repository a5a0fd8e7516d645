// SelectionWatch: notices when a program erases or overwrites selected text,
// so that the selection goes (as in xterm) instead of highlighting, and
// copying, whatever replaced it.  Lines in the scrollback never change in
// place, so only the selected part of the live screen is fingerprinted, one
// hash per line over its selected cells; a selection whose first line left
// the store has lost its text too.
#pragma once

#include <cstdint>
#include <vector>

#include "control/text/selection.h"

namespace vesper {

class Screen;

class SelectionWatch {
public:
    // Fingerprints the cells `selection` covers on the live screen.
    void watch(const Screen &screen, const Selection &selection);
    void clear();
    // Whether a watched cell was changed (or its line left) since watch().
    bool changed(const Screen &screen) const;
    void shiftLines(std::int32_t shift);

private:
    static std::uint64_t lineHash(const Screen &screen, int line, int from, int to);

    Selection m_selection;
    int m_firstHashedLine = 0;
    std::vector<std::uint64_t> m_hashes; // from m_firstHashedLine on
};

} // namespace vesper
