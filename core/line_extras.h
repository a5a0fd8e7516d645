// LineExtras: what a line holds beyond its cells, allocated only for the
// lines that need it: the combining marks and zero-width characters of each
// cell, the hyperlink id of each cell and each cell's underline decoration.  A line without marks or links
// has no LineExtras at all, so it costs nothing extra to write or scroll.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/cell_decorations.h"
#include "core/link_table.h"

namespace vesper {

class LineExtras {
public:
    static constexpr std::size_t kMaxMarks = 15;  // per cell; further marks are dropped

    LineExtras(LinkTable& links, int columns) : links_(links), columns_(columns) {}
    ~LineExtras();
    LineExtras(const LineExtras&) = delete;
    LineExtras& operator=(const LineExtras&) = delete;

    std::u32string_view marksAt(int column) const {
        return marks_.empty() ? std::u32string_view() : std::u32string_view(marks_[std::size_t(column)]);
    }
    LinkId linkAt(int column) const { return links_ids_.empty() ? 0 : links_ids_[std::size_t(column)]; }
    CellDecoration decorationAt(int column) const { return decorations_.at(column); }

    void addMark(int column, char32_t mark);
    // Columns [from, to) take `link` (0: none) and `decoration`, and lose
    // their marks.
    void overwrite(int from, int to, LinkId link, const CellDecoration& decoration = {});
    // Cells [from, columns) move by `by` columns (right when positive); the
    // columns left behind lose their marks, links and decorations.
    void shift(int from, int by);
    void resize(int columns);
    // The uses of each link id held, for the table's consistency check.
    template <typename F>
    void forEachLink(F&& f) const {
        for (LinkId id : links_ids_)
            if (id) f(id);
    }

private:
    LinkTable& links_;
    int columns_;
    std::vector<std::u32string> marks_;  // empty, or one entry per column
    std::vector<LinkId> links_ids_;      // empty, or one entry per column
    CellDecorations decorations_;
};

}  // namespace vesper
