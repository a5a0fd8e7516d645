// The structural invariants of a Screen and its line stores, checked by the
// tests after every feed, by the fuzz target after every step and by debug
// builds after every dispatched control sequence.
#include <stdexcept>
#include <string>
#include <vector>

#include "core/screen.h"

namespace vesper {

void Screen::checkInvariants() const {
    auto fail = [](const std::string& what) { throw std::logic_error("Screen: " + what); };
    if (columns_ < 1 || rows_ < 1) fail("size below 1");
    if (lines_.columns() != columns_ || lines_.rows() != rows_) fail("active store size differs from the screen");
    if (cursorColumn_ < 0 || cursorColumn_ > columns_)
        fail("cursor column " + std::to_string(cursorColumn_) + " outside 0.." + std::to_string(columns_));
    if (cursorRow_ < 0 || cursorRow_ >= rows_) fail("cursor row " + std::to_string(cursorRow_) + " off screen");
    if (scrollTop_ < 0 || scrollBottom_ >= rows_ || scrollTop_ > scrollBottom_ ||
        (scrollTop_ == scrollBottom_ && rows_ != 1))
        fail("margins " + std::to_string(scrollTop_) + ".." + std::to_string(scrollBottom_) + " out of order");
    if (viewOffset_ < 0 || viewOffset_ > scrollbackLineCount()) fail("view offset beyond the scrollback");
    if (viewScrolled_ != (viewOffset_ != 0)) fail("viewScrolled disagrees with the view offset");
    lines_.checkInvariants();
    if (otherLines_) {
        otherLines_->checkInvariants();
        if (otherLines_->columns() != columns_ || otherLines_->rows() != rows_)
            fail("inactive store size differs from the screen");
        const LineStore& alternate = alternateActive_ ? lines_ : *otherLines_;
        if (alternate.scrollbackLimit() != 0) fail("alternate store keeps scrollback");
    } else if (alternateActive_) {
        fail("alternate screen active without a primary store");
    }
    // Every link's use count is the cells carrying it plus the open link.
    std::vector<std::int64_t> uses(links_.size() + 1, 0);
    auto count = [&](LinkId id) {
        if (id > links_.size()) fail("a cell carries an unknown link");
        ++uses[id];
    };
    lines_.forEachLinkUse(count);
    if (otherLines_) otherLines_->forEachLinkUse(count);
    if (link_ != 0) count(link_);
    if (links_.size() > LinkTable::kMaxLinks) fail("more links than the table allows");
    for (std::size_t id = 1; id < uses.size(); ++id)
        if (uses[id] != links_.uses(LinkId(id)))
            fail("link " + std::to_string(id) + " counted " + std::to_string(links_.uses(LinkId(id))) +
                 " uses, holds " + std::to_string(uses[id]));
}

}  // namespace vesper
