// LineExtras: marks and link ids per cell, with the link uses kept counted in
// the shared table as cells gain and lose them.
#include "core/line_extras.h"

#include <algorithm>

namespace vesper {

LineExtras::~LineExtras() {
    for (LinkId id : links_ids_) links_.release(id);
}

void LineExtras::addMark(int column, char32_t mark) {
    if (column < 0 || column >= columns_) return;
    if (marks_.empty()) marks_.resize(std::size_t(columns_));
    std::u32string& marks = marks_[std::size_t(column)];
    if (marks.size() < kMaxMarks) marks.push_back(mark);
}

void LineExtras::overwrite(int from, int to, LinkId link, const CellDecoration& decoration) {
    from = std::clamp(from, 0, columns_);
    to = std::clamp(to, from, columns_);
    decorations_.overwrite(from, to, columns_, decoration);
    if (!marks_.empty())
        for (int c = from; c < to; ++c) marks_[std::size_t(c)].clear();
    if (links_ids_.empty()) {
        if (link == 0) return;
        links_ids_.assign(std::size_t(columns_), 0);
    }
    for (int c = from; c < to; ++c) {
        LinkId& id = links_ids_[std::size_t(c)];
        if (id == link) continue;
        links_.release(id);
        id = link;
        links_.retain(id);
    }
}

void LineExtras::shift(int from, int by) {
    from = std::clamp(from, 0, columns_);
    const int span = columns_ - from;
    const int n = std::min(by < 0 ? -by : by, span);
    if (n == 0) return;
    // The cells pushed off the end (or over by the left shift) are cleared
    // first, so their links are released; then the rest moves and the
    // columns left behind are empty.
    if (by > 0) {
        overwrite(columns_ - n, columns_, 0);
        if (!marks_.empty()) std::rotate(marks_.begin() + from, marks_.end() - n, marks_.end());
        if (!links_ids_.empty()) std::rotate(links_ids_.begin() + from, links_ids_.end() - n, links_ids_.end());
        decorations_.rotate(from, n);
    } else {
        overwrite(from, from + n, 0);
        if (!marks_.empty()) std::rotate(marks_.begin() + from, marks_.begin() + from + n, marks_.end());
        if (!links_ids_.empty())
            std::rotate(links_ids_.begin() + from, links_ids_.begin() + from + n, links_ids_.end());
        decorations_.rotate(from, -n);
    }
}

void LineExtras::resize(int columns) {
    if (columns < columns_) overwrite(columns, columns_, 0);
    if (!marks_.empty()) marks_.resize(std::size_t(columns));
    if (!links_ids_.empty()) links_ids_.resize(std::size_t(columns), 0);
    decorations_.resize(columns);
    columns_ = columns;
}

}  // namespace vesper
